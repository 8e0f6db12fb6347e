#include "tracker/main/shutdown_time.h"

#include <cmath>

#include "tracker/main/numeric_value.h"

namespace tracker {
namespace {

constexpr int kQuarter = 15;
constexpr int kNextHourFrom = 45;   // from this minute on, the preset moves to the next hour
constexpr int kPastFiveFrom = 55;   // from this minute on, the next hour's minute is (M + 15) mod 60
constexpr int kFirstNextMinute = 5;
constexpr std::int32_t kSecondsPerDay = 86400;
constexpr std::int32_t kSecondsPerMinute = 60;

}  // namespace

std::u16string TwoDigits(int value) {
  std::u16string text;
  text += static_cast<char16_t>(u'0' + value / 10 % 10);
  text += static_cast<char16_t>(u'0' + value % 10);
  return text;
}

ShutdownPreset PresetForShutdown(int hour, int minute) {
  ShutdownPreset preset;
  if (minute < kNextHourFrom) {
    preset.minute = TwoDigits(minute + kQuarter);
    return preset;
  }
  preset.hour = TwoDigits((hour + 1) % 24);
  preset.minute = TwoDigits(minute >= kPastFiveFrom ? (minute + kQuarter) % 60 : kFirstNextMinute);
  return preset;
}

ShutdownPreset PresetForShutdownNow(int hour, int minute) {
  return ShutdownPreset{TwoDigits(hour), TwoDigits(minute)};
}

std::int32_t ShutdownSeconds(const std::u16string& hour_text, const std::u16string& minute_text) {
  const auto hour = static_cast<std::int32_t>(RoundHalfEven(NumericValue(hour_text)));
  const auto minute = static_cast<std::int32_t>(RoundHalfEven(NumericValue(minute_text)));
  return hour * 3600 + minute * kSecondsPerMinute;
}

double ShutdownMoment(const os::ClockReading& now, std::int32_t chosen_seconds) {
  const double after_midnight = os::SecondsAfterMidnight(now.local);
  const double midnight = now.absolute - after_midnight;
  // The minute the clock shows now has not passed: choosing it shuts down at once.
  const double this_minute = std::floor(after_midnight / kSecondsPerMinute) * kSecondsPerMinute;
  const double day = chosen_seconds >= this_minute ? 0 : kSecondsPerDay;
  return midnight + day + chosen_seconds;
}

}  // namespace tracker
