#include "tracker/main/reminder_dates.h"

#include <cmath>

#include "tracker/main/numeric_value.h"

namespace tracker {
namespace {

constexpr const char16_t* kMonths[] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                       u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
constexpr int kDaysBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

// The civil day count of a proleptic Gregorian date (month 1 to 12, day 1 to the month's length).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

}  // namespace

int MonthNumber(std::u16string_view month_abbreviation) {
  for (int i = 0; i < 12; ++i) {
    if (month_abbreviation == kMonths[i]) return i + 1;
  }
  return 0;
}

int MonthDayOffset(std::u16string_view month_abbreviation) {
  const int month = MonthNumber(month_abbreviation);
  return month ? kDaysBefore[month - 1] : -1;
}

std::int64_t DayNumber(int year, int month, int day) {
  // Days beyond the first of the month are counted on from it, so 29 February of a common year is
  // 1 March and day 0 is the last day of the month before.
  return DaysFromCivil(year, month, 1) + (day - 1);
}

int WeekdayOfDayNumber(std::int64_t day_number) {
  // 1 January 1970 was a Thursday.
  return static_cast<int>(((day_number % 7) + 7 + 4) % 7);
}

std::vector<std::u16string> DayListForMonth(std::u16string_view month_abbreviation) {
  std::vector<std::u16string> days;
  for (int d = 1; d <= 29; ++d) {
    days.push_back(std::u16string{static_cast<char16_t>(u'0' + d / 10), static_cast<char16_t>(u'0' + d % 10)});
  }
  if (month_abbreviation != u"Feb") days.push_back(u"30");
  for (const char16_t* long_month : {u"Jan", u"Mar", u"May", u"Jul", u"Aug", u"Oct", u"Dec"}) {
    if (month_abbreviation == long_month) days.push_back(u"31");
  }
  return days;
}

std::u16string GetWeekdayAbbrev(std::u16string_view month_abbreviation, std::u16string_view day, int year) {
  static constexpr const char16_t* kAbbrev[] = {u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};
  const int month = MonthNumber(month_abbreviation);
  const double day_value = NumericValue(day);
  const int day_number = month && std::fabs(day_value) < 100000 ? static_cast<int>(day_value) : 0;
  const std::int64_t n = DayNumber(year, month ? month : 1, day_number);
  return kAbbrev[WeekdayOfDayNumber(n)];
}

int CompareReminderDate(std::u16string_view tip_date, std::int64_t today) {
  constexpr int kDue = 1;
  constexpr int kAhead = 2;
  const int month = MonthNumber(tip_date.substr(0, 3));
  if (month == 0 || tip_date.size() < 10) return kDue;
  const std::u16string_view year_text = tip_date.substr(6, 4);
  int year = 0;
  for (const char16_t c : year_text) {
    if (c < u'0' || c > u'9') return kDue;
    year = year * 10 + (c - u'0');
  }
  const double day_value = NumericValue(tip_date.substr(3, 2));
  const int day = static_cast<int>(day_value);
  return today < DayNumber(year, month, day) ? kAhead : kDue;
}

std::u16string SecondsToHoursMinutes(std::int64_t seconds) {
  if (seconds < 0) seconds = 0;
  const std::int64_t hours = seconds / 3600;
  const std::int64_t minutes = (seconds % 3600) / 60;
  std::u16string text = NumberText(static_cast<double>(hours));
  text += minutes < 10 ? u":0" : u":";
  text += NumberText(static_cast<double>(minutes));
  return text;
}

std::u16string WeekdayText(int weekday) {
  static constexpr const char16_t* kNames[] = {u" Sunday",   u" Monday", u" Tuesday", u" Wednesday",
                                               u" Thursday", u" Friday", u" Saturday"};
  return kNames[((weekday % 7) + 7) % 7];
}

}  // namespace tracker
