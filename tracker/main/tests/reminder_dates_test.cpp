#include "tracker/main/reminder_dates.h"

#include <gtest/gtest.h>

#include <string>

#include "tracker/main/clock_modes.h"

namespace tracker {
namespace {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysIn(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

TEST(ReminderDates, DayNumbersCountEveryDayFrom2002To2030) {
  // Walks the calendar day by day: each date is one more than the day before, across month and year ends
  // and 29 February, and the weekday turns with it (1 January 2002 was a Tuesday).
  std::int64_t expected = DayNumber(2002, 1, 1);
  int weekday = 2;
  for (int y = 2002; y <= 2030; ++y) {
    for (int m = 1; m <= 12; ++m) {
      for (int d = 1; d <= DaysIn(y, m); ++d) {
        ASSERT_EQ(DayNumber(y, m, d), expected) << y << "-" << m << "-" << d;
        ASSERT_EQ(WeekdayOfDayNumber(expected), weekday) << y << "-" << m << "-" << d;
        const os::LocalDateTime back = DateOfDayNumber(expected);
        ASSERT_EQ(back.year * 10000 + back.month * 100 + back.day, y * 10000 + m * 100 + d);
        ++expected;
        weekday = (weekday + 1) % 7;
      }
    }
  }
  EXPECT_EQ(DayNumber(2027, 2, 29), DayNumber(2027, 3, 1));
}

struct CompareCase {
  const char16_t* tip_date;
  int today_year, today_month, today_day;
  int expected;
};

TEST(ReminderDates, CompareReminderDateWithTheCivilCalendar) {
  const CompareCase cases[] = {
      {u"Mar05 2006 Sun", 2006, 3, 4, 2},   {u"Mar05 2006 Sun", 2006, 3, 5, 1},
      {u"Mar05 2006 Sun", 2006, 3, 6, 1},   {u"Jan05 2027 Tue", 2026, 12, 10, 2},
      {u"Jan05 2027 Tue", 2027, 1, 5, 1},   {u"Dec31 2026 Thu", 2027, 1, 1, 1},
      {u"Jan01 2027 Fri", 2026, 12, 31, 2}, {u"Feb29 2027 Mon", 2027, 2, 28, 2},
      {u"Feb29 2027 Mon", 2027, 3, 1, 1},   {u"Feb29 2028 Tue", 2028, 2, 28, 2},
      {u"Feb29 2028 Tue", 2028, 2, 29, 1},  {u"Dec08 2030 Sun", 2030, 12, 7, 2},
      {u"mar05 2006 Sun", 2002, 1, 1, 1},   {u"", 2026, 1, 1, 1},
      {u"Mar05 20x6 Sun", 2002, 1, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.tip_date, c.tip_date + std::char_traits<char16_t>::length(c.tip_date)));
    EXPECT_EQ(CompareReminderDate(c.tip_date, DayNumber(c.today_year, c.today_month, c.today_day)), c.expected);
  }
}

TEST(ReminderDates, WeekdayAbbreviationsOfAnyYear) {
  struct Case {
    const char16_t* month;
    const char16_t* day;
    int year;
    const char16_t* expected;
  } const cases[] = {
      {u"Jan", u"01", 2002, u"Tue"}, {u"Jan", u"01", 2004, u"Thu"}, {u"Mar", u"01", 2004, u"Mon"},
      {u"Dec", u"10", 2026, u"Thu"}, {u"Dec", u"08", 2026, u"Tue"}, {u"Feb", u"29", 2028, u"Tue"},
      {u"Dec", u"31", 2030, u"Tue"}, {u"xyz", u"15", 2003, u"Tue"},  // day 0 of 2003 is 31 December 2002
  };
  for (const auto& c : cases) EXPECT_EQ(GetWeekdayAbbrev(c.month, c.day, c.year), c.expected);
}

TEST(ReminderDates, DayListsOfTheMonths) {
  struct Case {
    const char16_t* month;
    std::size_t count;
  } const cases[] = {{u"Feb", 29}, {u"Apr", 30}, {u"Jan", 31}, {u"Dec", 31}, {u"feb", 30}, {u"", 30}};
  for (const auto& c : cases) {
    const auto days = DayListForMonth(c.month);
    ASSERT_EQ(days.size(), c.count);
    EXPECT_EQ(days.front(), u"01");
    const std::u16string last = {static_cast<char16_t>(u'0' + c.count / 10), static_cast<char16_t>(u'0' + c.count % 10)};
    EXPECT_EQ(days.back(), last);
  }
}

TEST(ReminderDates, SecondsToHoursMinutes) {
  struct Case {
    std::int64_t seconds;
    const char16_t* text;
  } const cases[] = {{0, u"0:00"}, {59, u"0:00"}, {3725, u"1:02"}, {45000, u"12:30"}, {90000, u"25:00"}};
  for (const auto& c : cases) EXPECT_EQ(SecondsToHoursMinutes(c.seconds), c.text);
}

}  // namespace
}  // namespace tracker
