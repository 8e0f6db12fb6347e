#include "tracker/records/window_text_win32.h"

#include "platform/os/native_path.h"
#include "tracker/records/time_text.h"

namespace tracker {

std::u16string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  const int copied = GetWindowTextW(hwnd, os::WidePtr(text.data()), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

SYSTEMTIME SystemDateOf(std::u16string_view iso) {
  SYSTEMTIME date{};
  GetLocalTime(&date);
  if (!IsIsoDate(iso)) return date;
  auto number = [&](std::size_t at, std::size_t length) {
    WORD value = 0;
    for (std::size_t i = at; i < at + length; ++i) value = static_cast<WORD>(value * 10 + (iso[i] - u'0'));
    return value;
  };
  date.wYear = number(0, 4);
  date.wMonth = number(5, 2);
  date.wDay = number(8, 2);
  return date;
}

std::u16string LongDateText(std::u16string_view iso) {
  const SYSTEMTIME date = SystemDateOf(iso);
  wchar_t buffer[128] = {};
  if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &date, nullptr, buffer, 128) == 0) return std::u16string(iso);
  return std::u16string(os::U16Ptr(buffer));
}

}  // namespace tracker
