#include "textservice/engine/macros.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

#include "platform/os/clipboard.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/ime_block.h"

namespace lz {
namespace {

std::atomic<LocalTimeSource> g_time_source{nullptr};

LocalTime SystemLocalTime() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
#ifdef _WIN32
  localtime_s(&parts, &now);
#else
  localtime_r(&now, &parts);
#endif
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
          parts.tm_min,         parts.tm_sec,     parts.tm_wday};
}

constexpr char16_t kNumerals[] = u"〇一二三四五六七八九";
constexpr char16_t kTensZero = u'零';
constexpr char16_t kTen = u'十';
constexpr int kMaxNumeralChars = kNumeralUnits - 1;

constexpr const char16_t* kWeekdayLong[] = {u"星期日", u"星期一", u"星期二", u"星期三",
                                            u"星期四", u"星期五", u"星期六"};
constexpr const char16_t* kWeekdayShort[] = {u"周日", u"周一", u"周二", u"周三", u"周四", u"周五", u"周六"};

constexpr std::u16string_view kNoValue = u"#";

// Writes value into out (kMacroValueUnits) and answers its length.
int Put(char16_t* out, std::u16string_view value) {
  const std::size_t n = std::min<std::size_t>(value.size(), kMacroValueUnits - 1);
  value.copy(out, n);
  out[n] = 0;
  return static_cast<int>(n);
}

std::u16string Decimal(unsigned value, bool two_digits) {
  char digits[16];
  std::snprintf(digits, sizeof digits, two_digits ? "%02u" : "%u", value);
  return std::u16string(digits, digits + std::char_traits<char>::length(digits));
}

std::u16string Numerals(std::u16string digits, NumeralStyle style) {
  char16_t text[kNumeralUnits] = {};
  digits.resize(std::min<std::size_t>(digits.size(), kMaxNumeralChars));
  digits.copy(text, digits.size());
  DigitsToChinese(style, text);
  return text;
}

// A field written as the argument asks: small letter in Arabic digits, capital in Chinese numerals,
// doubled with a leading zero below 10.
std::u16string Field(unsigned value, std::u16string_view format) {
  const bool doubled = format.size() == 2;
  std::u16string digits = Decimal(value, doubled);
  return format[0] >= u'a' ? digits : Numerals(digits, NumeralStyle::kTens);
}

bool IsLetterRun(std::u16string_view format, char16_t letter, std::size_t max) {
  if (format.empty() || format.size() > max) return false;
  for (char16_t c : format) {
    if (c != letter) return false;
  }
  return true;
}

std::u16string TimeValue(std::u16string_view argument, const LocalTime& now) {
  if (argument.empty()) return std::u16string(kNoValue);
  const char16_t letter = argument[0];
  if (!IsLetterRun(argument, letter, 2)) return std::u16string(kNoValue);
  switch (letter) {
    case u'h': case u'H': return Field(static_cast<unsigned>(now.hour), argument);
    case u'm': case u'M': return Field(static_cast<unsigned>(now.minute), argument);
    case u's': case u'S': return Field(static_cast<unsigned>(now.second), argument);
    default: return std::u16string(kNoValue);
  }
}

// A date argument: its format (the letters before the sign) and its offset ("+N" or "-N").
struct DateArgument {
  std::u16string_view format;
  int offset = 0;
};

DateArgument ParseDateArgument(std::u16string_view argument) {
  DateArgument parsed{argument, 0};
  std::size_t sign = argument.find(u'+');
  if (sign == std::u16string_view::npos) sign = argument.find(u'-');
  if (sign == std::u16string_view::npos) return parsed;
  parsed.format = argument.substr(0, sign);
  int n = 0;
  for (char16_t c : argument.substr(sign + 1)) {
    if (c < u'0' || c > u'9' || n > 100000) break;
    n = n * 10 + (c - u'0');
  }
  parsed.offset = argument[sign] == u'-' ? -n : n;
  return parsed;
}

char16_t SmallLetter(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// The offsets a text asks of the date, one per field (the first one written for that field counts).
struct DateOffsets {
  int years = 0, months = 0, days = 0;
};

// Moves the clock's date by the calendar, years, then months, then days: a day added to the 31st gives
// the 1st of the next month, a month added to December gives January of the next year, and a 31st moved
// into a shorter month stays inside that month. The weekday follows the date.
LocalTime Shifted(const LocalTime& now, const DateOffsets& offsets) {
  using namespace std::chrono;
  if (offsets.years == 0 && offsets.months == 0 && offsets.days == 0) return now;
  year_month_day date{year{now.year}, month{static_cast<unsigned>(now.month)},
                      day{static_cast<unsigned>(now.day)}};
  date = date + years{offsets.years};
  date = date + months{offsets.months};
  if (!date.ok()) date = date.year() / date.month() / last;
  const sys_days moved = sys_days{date} + days{offsets.days};
  date = year_month_day{moved};
  LocalTime shifted = now;
  shifted.year = static_cast<int>(date.year());
  shifted.month = static_cast<int>(static_cast<unsigned>(date.month()));
  shifted.day = static_cast<int>(static_cast<unsigned>(date.day()));
  shifted.weekday = static_cast<int>(weekday{moved}.c_encoding());
  return shifted;
}

void AddOffset(DateOffsets& offsets, const DateArgument& argument) {
  if (argument.offset == 0 || argument.format.empty()) return;
  int* field = nullptr;
  switch (SmallLetter(argument.format[0])) {
    case u'y': field = &offsets.years; break;
    case u'm': field = &offsets.months; break;
    case u'd': field = &offsets.days; break;
    default: return;
  }
  if (*field == 0) *field = argument.offset;
}

// The value of a date format read from a date that its offsets have already moved.
std::u16string DateField(std::u16string_view format, const LocalTime& date) {
  if (format.empty()) return std::u16string(kNoValue);
  const char16_t letter = format[0];
  const char16_t small = SmallLetter(letter);
  if (small == u'z') {
    if (format.size() != 1) return std::u16string(kNoValue);
    const int weekday = ((date.weekday % 7) + 7) % 7;
    return letter == u'z' ? kWeekdayLong[weekday] : kWeekdayShort[weekday];
  }
  if (small != u'y' && small != u'm' && small != u'd') return std::u16string(kNoValue);
  if (!IsLetterRun(format, letter, small == u'y' ? 4 : 2)) return std::u16string(kNoValue);
  if (small == u'm') return Field(static_cast<unsigned>(date.month), format);
  if (small == u'd') return Field(static_cast<unsigned>(date.day), format);
  const int year = date.year;
  const bool full = format.size() == 4;
  const unsigned shown = full ? static_cast<unsigned>(year) : static_cast<unsigned>(year % 100);
  if (letter == u'y') return Decimal(shown, !full);
  return Numerals(Decimal(shown, false), NumeralStyle::kDigits);
}

std::u16string DateValue(std::u16string_view argument, const LocalTime& now) {
  const DateArgument parsed = ParseDateArgument(argument);
  DateOffsets offsets;
  AddOffset(offsets, parsed);
  return DateField(parsed.format, Shifted(now, offsets));
}

// The three texts the ime block keeps of the last commit: "0" the code typed for it, "1" its text,
// "2" the run of recent texts.
std::u16string LastValue(std::u16string_view argument, const EngineInstance* e) {
  if (argument == u"0") return ReadFieldText(e->blocks.ime, ime_block::kLastCommitCode, ime_block::kLastCommitCodeUnits);
  if (argument == u"1") return ReadFieldText(e->blocks.ime, ime_block::kLastCommitText, ime_block::kLastCommitTextUnits);
  if (argument == u"2") return ReadFieldText(e->blocks.ime, ime_block::kRecentText, ime_block::kRecentTextUnits);
  return u" ";
}

// Each character's code in hexadecimal, as its "0x" prefix says.
std::u16string Utf16Values(std::u16string_view argument) {
  std::u16string out;
  for (char16_t c : argument) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%x,", static_cast<unsigned>(c));
    out.append(code, code + std::char_traits<char>::length(code));
  }
  return out;
}

constexpr std::size_t kClipboardUnits = 255;

}  // namespace

void SetLocalTimeSource(LocalTimeSource source) { g_time_source = source; }

LocalTime CurrentLocalTime() {
  const LocalTimeSource source = g_time_source;
  return source ? source() : SystemLocalTime();
}

void DigitsToChinese(NumeralStyle style, char16_t* text) {
  char16_t out[kNumeralUnits] = {};
  int n = 0;
  const auto put = [&](char16_t c) {
    if (n < kMaxNumeralChars) out[n++] = c;
  };
  for (int i = 0; text[i] && i < kMaxNumeralChars; ++i) {
    if (text[i] < u'0' || text[i] > u'9') {
      put(text[i]);
      continue;
    }
    const int digit = text[i] - u'0';
    if (style == NumeralStyle::kDigits) {
      put(kNumerals[digit]);
      continue;
    }
    const bool tens = text[i + 1] >= u'0' && text[i + 1] <= u'9';
    if (digit == 0) {
      put(kTensZero);
    } else if (tens) {
      if (digit != 1) put(kNumerals[digit]);
      put(kTen);
      if (text[i + 1] == u'0') ++i;
    } else {
      put(kNumerals[digit]);
    }
  }
  for (int i = 0; i < kNumeralUnits; ++i) text[i] = out[i];
}

int EvaluateMacro(const char16_t* name, const char16_t* argument, char16_t* out, const EngineInstance* e) {
  const std::u16string_view macro(name);
  const std::u16string_view arg(argument);
  if (macro == u"time") return Put(out, TimeValue(arg, CurrentLocalTime()));
  if (macro == u"date") return Put(out, DateValue(arg, CurrentLocalTime()));
  if (macro == u"last") return Put(out, LastValue(arg, e));
  if (macro == u"u16value") return Put(out, Utf16Values(arg));
  if (macro == u"clipboard") {
    std::u16string text;
    if (!os::ReadClipboardText(text)) text.clear();
    return Put(out, std::u16string_view(text).substr(0, std::min(text.size(), kClipboardUnits)));
  }
  return Put(out, u"");
}

namespace {

// One group in angle brackets at text[start]: its name up to "." or ">", its argument from "." to ">",
// each at most kMacroNameUnits. Returns the place after the ">" or -1 when no group starts there.
int ParseGroup(const char16_t* text, int start, char16_t* name, char16_t* argument) {
  if (text[start] != u'<') return -1;
  int j = start + 1;
  int name_length = 0;
  while (text[j] && text[j] != u'.' && text[j] != u'>' && name_length <= kMacroNameUnits) {
    if (name_length < kMacroNameUnits) name[name_length] = text[j];
    ++name_length;
    ++j;
  }
  int argument_length = 0;
  if (text[j] == u'.') {
    ++j;
    while (text[j] && text[j] != u'>' && argument_length <= kMacroNameUnits) {
      if (argument_length < kMacroNameUnits) argument[argument_length] = text[j];
      ++argument_length;
      ++j;
    }
  }
  if (text[j] != u'>' || name_length > kMacroNameUnits || argument_length > kMacroNameUnits) return -1;
  return j + 1;
}

// The date every date group of a text reads: today moved by all the offsets the text writes, so that
// "<date.m>/<date.d+1>" on 31 January gives 2/1.
LocalTime DateOfText(const char16_t* text) {
  DateOffsets offsets;
  for (int i = 0; text[i]; ++i) {
    char16_t name[kMacroNameUnits + 1] = {};
    char16_t argument[kMacroNameUnits + 1] = {};
    if (ParseGroup(text, i, name, argument) > 0 && std::u16string_view(name) == u"date") {
      AddOffset(offsets, ParseDateArgument(argument));
    }
  }
  return Shifted(CurrentLocalTime(), offsets);
}

}  // namespace

int ExpandMacros(const char16_t* text, char16_t* out, const EngineInstance* e) {
  constexpr int kLimit = kExpandedTextUnits - 1;
  int n = 0;
  const auto put = [&](std::u16string_view part) {
    for (char16_t c : part) {
      if (n < kLimit) out[n++] = c;
    }
  };
  const LocalTime date = DateOfText(text);
  for (int i = 0; text[i];) {
    char16_t name[kMacroNameUnits + 1] = {};
    char16_t argument[kMacroNameUnits + 1] = {};
    const int end = ParseGroup(text, i, name, argument);
    if (end > 0) {
      char16_t value[kMacroValueUnits];
      const bool dated = std::u16string_view(name) == u"date";
      const int length = dated ? Put(value, DateField(ParseDateArgument(argument).format, date))
                               : EvaluateMacro(name, argument, value, e);
      if (length > 0) {
        put(value);
        i = end;
        continue;
      }
    }
    put(std::u16string_view(&text[i], 1));
    ++i;
  }
  out[n] = 0;
  return n;
}

}  // namespace lz
