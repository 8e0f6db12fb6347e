#pragma once
// The timed shutdown's times as plain numbers: the preset that "&Shutdown Computer" puts into the
// options' lists, the armed second of the day, and the moment the armed shutdown is due.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/os/local_clock.h"

namespace tracker {

// The hour and minute lists' texts ("00" to "23", "00" to "59"); nothing where a list stays as it is.
struct ShutdownPreset {
  std::optional<std::u16string> hour;
  std::optional<std::u16string> minute;
};

// "&Shutdown Computer": about a quarter of an hour ahead. Below minute 45 only the minute moves (M + 15);
// from minute 45 on the next hour with minute (M + 15) mod 60 above minute 54, else "05"; at 23:45 and
// later the hour wraps to "00", so the lists never show a time that has passed.
ShutdownPreset PresetForShutdown(int hour, int minute);
// "Shutdown Computer Now": the lists show this minute, so applying shuts down at the next tick.
ShutdownPreset PresetForShutdownNow(int hour, int minute);

// The armed second of the day from the lists' texts: hour × 3600 + minute × 60 (23, 59 give 86340).
std::int32_t ShutdownSeconds(const std::u16string& hour_text, const std::u16string& minute_text);

// The absolute moment (as os::ClockReading::absolute) at which the clock first shows the chosen hour and
// minute: today when that minute has not passed yet (the current minute counts as not passed), else
// tomorrow. An armed 00:15 chosen at 23:30 waits for 00:15, never fires at once.
double ShutdownMoment(const os::ClockReading& now, std::int32_t chosen_seconds);

// Two digits: "05", "23".
std::u16string TwoDigits(int value);

}  // namespace tracker
