#pragma once
// The clipboard's text (the clipboard macro of command words, the dictionary look-up). POSIX builds keep
// an in-process clipboard that tests fill.
#include <string>
#include <string_view>

namespace os {

// The clipboard's Unicode text; false when it holds none or cannot be opened.
bool ReadClipboardText(std::u16string& out);
bool WriteClipboardText(std::u16string_view text);

}  // namespace os
