#include "platform/os/local_clock.h"

#include <atomic>
#include <chrono>
#include <ctime>

#ifdef _WIN32
#include <windows.h>

#include "platform/os/native_path.h"
#endif

namespace os {
namespace {

std::atomic<ClockSource> g_source{nullptr};
std::atomic<void*> g_source_context{nullptr};
std::atomic<NamedFormatter> g_formatter{nullptr};
std::atomic<void*> g_formatter_context{nullptr};

std::u16string Ascii(const char* s) {
  std::u16string out;
  for (; *s; ++s) out += static_cast<char16_t>(static_cast<unsigned char>(*s));
  return out;
}

std::u16string Number(int n, int width) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + n % 10));
    n /= 10;
  } while (n > 0);
  while (static_cast<int>(digits.size()) < width) digits.insert(digits.begin(), u'0');
  return digits;
}

ClockReading SystemClock() {
  ClockReading r;
#ifdef _WIN32
  SYSTEMTIME st;
  GetLocalTime(&st);
  r.local = {st.wYear, st.wMonth, st.wDay, st.wDayOfWeek, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
#else
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&seconds, &tm);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  r.local = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_wday, tm.tm_hour, tm.tm_min, tm.tm_sec,
             static_cast<int>(ms)};
#endif
  r.absolute = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  return r;
}

}  // namespace

void SetClockSource(ClockSource source, void* context) {
  g_source_context = context;
  g_source = source;
}

void SetNamedFormatter(NamedFormatter formatter, void* context) {
  g_formatter_context = context;
  g_formatter = formatter;
}

ClockReading ReadClock() {
  if (const ClockSource source = g_source) return source(g_source_context);
  return SystemClock();
}

double SecondsAfterMidnight(const LocalDateTime& t) {
  return t.hour * 3600.0 + t.minute * 60.0 + t.second + t.millisecond / 1000.0;
}

std::u16string FormatUnitedStates(const LocalDateTime& t, NamedFormat format) {
  static const char* const kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  static const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                        "July",    "August",   "September", "October", "November", "December"};
  const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
  const std::u16string half = t.hour < 12 ? u" AM" : u" PM";
  switch (format) {
    case NamedFormat::kLongTime:
      return Number(hour12, 1) + u":" + Number(t.minute, 2) + u":" + Number(t.second, 2) + half;
    case NamedFormat::kShortTime:
      return Number(hour12, 1) + u":" + Number(t.minute, 2) + half;
    case NamedFormat::kLongDate:
      return Ascii(kDays[(t.weekday % 7 + 7) % 7]) + u", " + Ascii(kMonths[(t.month + 11) % 12]) + u" " +
             Number(t.day, 1) + u", " + Number(t.year, 4);
    case NamedFormat::kShortDate:
      return Number(t.month, 1) + u"/" + Number(t.day, 1) + u"/" + Number(t.year, 4);
  }
  return {};
}

std::u16string FormatNamed(const LocalDateTime& t, NamedFormat format) {
  if (const NamedFormatter formatter = g_formatter) return formatter(t, format, g_formatter_context);
#ifdef _WIN32
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(t.year);
  st.wMonth = static_cast<WORD>(t.month);
  st.wDay = static_cast<WORD>(t.day);
  st.wDayOfWeek = static_cast<WORD>(t.weekday);
  st.wHour = static_cast<WORD>(t.hour);
  st.wMinute = static_cast<WORD>(t.minute);
  st.wSecond = static_cast<WORD>(t.second);
  wchar_t buffer[128] = {};
  int n = 0;
  switch (format) {
    case NamedFormat::kLongTime:
      n = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, nullptr, buffer, 128);
      break;
    case NamedFormat::kShortTime:
      n = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, buffer, 128);
      break;
    case NamedFormat::kLongDate:
      n = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_LONGDATE, &st, nullptr, buffer, 128, nullptr);
      break;
    case NamedFormat::kShortDate:
      n = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, 128, nullptr);
      break;
  }
  if (n > 0) return std::u16string(U16Ptr(buffer));
#endif
  return FormatUnitedStates(t, format);
}

}  // namespace os
