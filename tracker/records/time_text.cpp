#include "tracker/records/time_text.h"

#include <vector>

namespace tracker {
namespace {

constexpr std::int64_t kSecondsPerHour = 3600;
constexpr std::int64_t kSecondsPerMinute = 60;
// Far beyond any real pass, and small enough that sums of many passes stay in 64 bits.
constexpr std::int64_t kMaxHours = 1000000;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// A run of digits read as a number no greater than limit.
std::optional<std::int64_t> Number(std::u16string_view digits, std::int64_t limit) {
  if (digits.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char16_t c : digits) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - u'0');
    if (value > limit) return std::nullopt;
  }
  return value;
}

std::vector<std::u16string_view> Split(std::u16string_view text, char16_t separator) {
  std::vector<std::u16string_view> parts;
  std::size_t begin = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == separator) {
      parts.push_back(text.substr(begin, i - begin));
      begin = i + 1;
    }
  }
  return parts;
}

// H:MM or H:MM:SS; seconds_required picks one of the two.
std::optional<std::int64_t> HoursMinutesSeconds(std::u16string_view text, std::int64_t max_hours, bool with_seconds) {
  const auto parts = Split(Trim(text), u':');
  if (parts.size() != (with_seconds ? 3u : 2u)) return std::nullopt;
  const auto hours = Number(parts[0], max_hours);
  const auto minutes = parts[1].size() == 2 ? Number(parts[1], 59) : std::nullopt;
  std::optional<std::int64_t> seconds = 0;
  if (with_seconds) seconds = parts[2].size() == 2 ? Number(parts[2], 59) : std::nullopt;
  if (!hours || !minutes || !seconds) return std::nullopt;
  return *hours * kSecondsPerHour + *minutes * kSecondsPerMinute + *seconds;
}

bool SameLetters(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The Normal Time words: an hours part, a minutes part, or both in that order. "munite" is the
// counter's own spelling after "1 Hour".
std::optional<std::int64_t> PassWords(std::u16string_view text) {
  std::vector<std::u16string_view> words;
  for (auto word : Split(Trim(text), u' ')) {
    if (!word.empty()) words.push_back(word);
  }
  if (words.empty() || words.size() % 2 != 0 || words.size() > 4) return std::nullopt;
  std::int64_t seconds = 0;
  bool had_minutes = false;
  for (std::size_t i = 0; i < words.size(); i += 2) {
    const auto number = Number(words[i], kMaxHours * 60);
    if (!number) return std::nullopt;
    const auto unit = words[i + 1];
    if (SameLetters(unit, u"Hour") || SameLetters(unit, u"Hours")) {
      if (i != 0 || *number > kMaxHours) return std::nullopt;
      seconds += *number * kSecondsPerHour;
    } else if (SameLetters(unit, u"Minute") || SameLetters(unit, u"Minutes") || SameLetters(unit, u"munite")) {
      if (had_minutes) return std::nullopt;
      had_minutes = true;
      seconds += *number * kSecondsPerMinute;
    } else {
      return std::nullopt;
    }
  }
  return seconds;
}

}  // namespace

std::u16string FormatClockSeconds(std::int64_t seconds) {
  if (seconds < 0) seconds = 0;
  const std::int64_t hours = seconds / kSecondsPerHour;
  const std::int64_t minutes = seconds % kSecondsPerHour / kSecondsPerMinute;
  const std::int64_t rest = seconds % kSecondsPerMinute;
  std::u16string text;
  for (char c : std::to_string(hours)) text += static_cast<char16_t>(c);
  text += u':';
  text += static_cast<char16_t>(u'0' + minutes / 10);
  text += static_cast<char16_t>(u'0' + minutes % 10);
  text += u':';
  text += static_cast<char16_t>(u'0' + rest / 10);
  text += static_cast<char16_t>(u'0' + rest % 10);
  return text;
}

std::optional<std::int64_t> ParseClockSeconds(std::u16string_view text, bool time_of_day) {
  return HoursMinutesSeconds(text, time_of_day ? 23 : kMaxHours, true);
}

std::optional<std::int32_t> ParseTimeOfDay(std::u16string_view text) {
  text = Trim(text);
  // The 12-hour form the list shows its starts in where the locale has one ("2:05 PM").
  std::optional<std::int64_t> half_day;
  if (text.size() > 2) {
    const std::u16string_view marker = text.substr(text.size() - 2);
    if (SameLetters(marker, u"AM")) half_day = 0;
    if (SameLetters(marker, u"PM")) half_day = 12 * kSecondsPerHour;
    if (half_day) text = Trim(text.substr(0, text.size() - 2));
  }
  auto seconds = HoursMinutesSeconds(text, 23, true);
  if (!seconds) seconds = HoursMinutesSeconds(text, 23, false);
  if (!seconds) return std::nullopt;
  if (half_day) {
    const std::int64_t hour = *seconds / kSecondsPerHour;
    if (hour < 1 || hour > 12) return std::nullopt;
    *seconds = *seconds % (12 * kSecondsPerHour) + *half_day;
  }
  return static_cast<std::int32_t>(*seconds);
}

std::optional<std::int64_t> ParsePassText(std::u16string_view text) {
  if (auto seconds = HoursMinutesSeconds(text, kMaxHours, true)) return seconds;
  if (auto seconds = HoursMinutesSeconds(text, kMaxHours, false)) return seconds;
  return PassWords(text);
}

bool IsIsoDate(std::u16string_view text) {
  if (text.size() != 10 || text[4] != u'-' || text[7] != u'-') return false;
  const auto year = Number(text.substr(0, 4), 9999);
  const auto month = Number(text.substr(5, 2), 12);
  const auto day = Number(text.substr(8, 2), 31);
  if (!year || !month || !day || *year < 1 || *month < 1 || *day < 1) return false;
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (*year % 4 == 0 && *year % 100 != 0) || *year % 400 == 0;
  const std::int64_t last = kDays[*month - 1] + (*month == 2 && leap ? 1 : 0);
  return *day <= last;
}

std::u16string IsoDate(int year, int month, int day) {
  std::u16string text;
  auto put = [&](int value, int width) {
    std::u16string digits;
    for (int i = 0; i < width; ++i, value /= 10) digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
    text += digits;
  };
  put(year, 4);
  text += u'-';
  put(month, 2);
  text += u'-';
  put(day, 2);
  return text;
}

}  // namespace tracker
