// The timed shutdown's preset lists and the moment an armed shutdown is due.
#include "tracker/main/shutdown_time.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tracker {
namespace {

std::string Show(const std::optional<std::u16string>& text) {
  return text ? std::string(text->begin(), text->end()) : "unchanged";
}

TEST(ShutdownPresetTest, AQuarterOfAnHourAhead) {
  struct Case {
    int hour, minute;
    const char* hour_list;
    const char* minute_list;
  } const cases[] = {
      {10, 20, "unchanged", "35"}, {10, 44, "unchanged", "59"}, {10, 45, "11", "05"}, {10, 54, "11", "05"},
      {10, 55, "11", "10"},        {10, 57, "11", "12"},        {8, 50, "09", "05"},  {0, 45, "01", "05"},
      {0, 0, "unchanged", "15"},   {22, 59, "23", "14"},
      // At 23:45 and later the hour wraps to "00" instead of leaving a passed time in the lists.
      {23, 45, "00", "05"},        {23, 50, "00", "05"},        {23, 58, "00", "13"}, {23, 44, "unchanged", "59"},
  };
  for (const auto& c : cases) {
    const ShutdownPreset preset = PresetForShutdown(c.hour, c.minute);
    EXPECT_EQ(Show(preset.hour), c.hour_list) << c.hour << ":" << c.minute;
    EXPECT_EQ(Show(preset.minute), c.minute_list) << c.hour << ":" << c.minute;
  }
}

TEST(ShutdownPresetTest, NowPresetsThisMinute) {
  const ShutdownPreset preset = PresetForShutdownNow(7, 3);
  EXPECT_EQ(Show(preset.hour), "07");
  EXPECT_EQ(Show(preset.minute), "03");
}

TEST(ShutdownPresetTest, SecondsOfTheLists) {
  EXPECT_EQ(ShutdownSeconds(u"23", u"59"), 86340);
  EXPECT_EQ(ShutdownSeconds(u"00", u"00"), 0);
  EXPECT_EQ(ShutdownSeconds(u"01", u"20"), 4800);
}

os::ClockReading At(int day, int hour, int minute, int second) {
  os::ClockReading now;
  now.local = os::LocalDateTime{2026, 12, day, 4, hour, minute, second, 0};
  // Midnight of 10 December is 1'796'083'200 here; each day 86400 later.
  now.absolute = 1'796'083'200.0 + (day - 10) * 86400.0 + hour * 3600 + minute * 60 + second;
  return now;
}

TEST(ShutdownMomentTest, TheNextTimeTheClockShowsTheChosenMinute) {
  struct Case {
    int hour, minute, second;
    int chosen_hour, chosen_minute;
    int due_day;
  } const cases[] = {
      {23, 30, 0, 0, 15, 11},    // 00:15 chosen at 23:30: tomorrow, never at once
      {23, 30, 0, 23, 45, 10},   // later today
      {0, 10, 0, 0, 15, 10},     // just after midnight, later today
      {0, 20, 0, 0, 15, 11},     // just passed: tomorrow
      {14, 0, 30, 14, 0, 10},    // the minute shown now has not passed: at once
      {14, 1, 0, 14, 0, 11},     // one minute later it has
      {23, 59, 59, 23, 59, 10},
      {0, 0, 0, 23, 59, 10},
  };
  for (const auto& c : cases) {
    const os::ClockReading now = At(10, c.hour, c.minute, c.second);
    const std::int32_t chosen = c.chosen_hour * 3600 + c.chosen_minute * 60;
    const double due = ShutdownMoment(now, chosen);
    EXPECT_EQ(due, At(c.due_day, c.chosen_hour, c.chosen_minute, 0).absolute)
        << c.hour << ":" << c.minute << ":" << c.second << " chose " << c.chosen_hour << ":" << c.chosen_minute;
  }
}

}  // namespace
}  // namespace tracker
