#pragma once
// Texts of the record windows: a control's text, and the dates they show.
#include <windows.h>

#include <string>
#include <string_view>

namespace tracker {

std::u16string WindowText(HWND hwnd);
// The day of a "YYYY-MM-DD" text (today when it is not one).
SYSTEMTIME SystemDateOf(std::u16string_view iso);
// The day in the user's long date form, for captions.
std::u16string LongDateText(std::u16string_view iso);

}  // namespace tracker
