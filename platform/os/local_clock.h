#pragma once
// The time tracker's clock: the local date and time of day, absolute seconds for durations, and the
// system's named time and date formats. Tests put in their own clock and formats, so nothing they check
// depends on the machine's time or locale.
#include <cstdint>
#include <string>

namespace os {

struct LocalDateTime {
  int year = 2000;
  int month = 1;  // 1 to 12
  int day = 1;    // 1 to 31
  int weekday = 6;  // 0 Sunday to 6 Saturday
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

struct ClockReading {
  LocalDateTime local;
  // Seconds since 1970 (UTC) with fraction; differences of two readings are durations that a change of
  // day does not disturb.
  double absolute = 0;
};

ClockReading ReadClock();

// Seconds after local midnight with the fraction, 0 up to 86400.
double SecondsAfterMidnight(const LocalDateTime& t);

enum class NamedFormat { kLongTime, kShortTime, kLongDate, kShortDate };

// GetTimeFormatEx / GetDateFormatEx of the user's locale on Windows ("short time" without seconds);
// POSIX builds answer with the English (United States) forms, which are also Wine's defaults:
// "2:42:07 PM", "2:42 PM", "Thursday, December 10, 2026", "12/10/2026".
std::u16string FormatNamed(const LocalDateTime& t, NamedFormat format);
std::u16string FormatUnitedStates(const LocalDateTime& t, NamedFormat format);

using ClockSource = ClockReading (*)(void* context);
using NamedFormatter = std::u16string (*)(const LocalDateTime& t, NamedFormat format, void* context);
// Null puts the system's clock or formats back.
void SetClockSource(ClockSource source, void* context);
void SetNamedFormatter(NamedFormatter formatter, void* context);

}  // namespace os
