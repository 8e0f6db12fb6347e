#pragma once
// Calendar work of the reminders and the time display: day numbers and weekdays from the civil calendar
// (any year), the day list of a month, and hours-and-minutes texts.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tracker {

// Days before the first of the month in a year without 29 February, by "Jan" to "Dec" (exact case);
// -1 for any other text.
int MonthDayOffset(std::u16string_view month_abbreviation);
// 1 to 12 for "Jan" to "Dec", 0 for any other text.
int MonthNumber(std::u16string_view month_abbreviation);

// Days since 1 January 1970 of a civil date. The day may run past the month's end: 29 February of a
// common year counts as 1 March, and day 0 is the last day of the month before.
std::int64_t DayNumber(int year, int month, int day);
// 0 Sunday to 6 Saturday.
int WeekdayOfDayNumber(std::int64_t day_number);

// The day list of the Set Reminder dialog: "01" to "29", then "30" unless the month is "Feb", then "31"
// for the months of 31 days. February always offers 29 days; an unrecognised month offers 30.
std::vector<std::u16string> DayListForMonth(std::u16string_view month_abbreviation);

// "Sun" to "Sat" for the day (a text read as a number) of the month in the given year. An unrecognised
// month counts the day as 0 of January (the last day of the year before), as the design's day count did.
std::u16string GetWeekdayAbbrev(std::u16string_view month_abbreviation, std::u16string_view day, int year);

// Compares a reminder date ("Dec08 2026 Tue") with today's day number (DayNumber of today): 2 while the
// date is still ahead, 1 when it is today or past. A date whose month is not recognised or whose year
// does not read as a year is taken as past, as the design's count of 0 was.
int CompareReminderDate(std::u16string_view tip_date, std::int64_t today);

// "h:mm" for a number of seconds; hours are not padded and may pass 23.
std::u16string SecondsToHoursMinutes(std::int64_t seconds);

// " Sunday" to " Saturday" (one leading blank) for weekday 0 to 6.
std::u16string WeekdayText(int weekday);

}  // namespace tracker
