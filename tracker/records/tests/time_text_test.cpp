#include "tracker/records/time_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tracker {
namespace {

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

TEST(TimeText, ClockSecondsShowAsHoursMinutesSeconds) {
  const std::vector<std::pair<std::int64_t, std::u16string>> cases = {
      {0, u"0:00:00"},        {59, u"0:00:59"},        {3599, u"0:59:59"},     {3600, u"1:00:00"},
      {86399, u"23:59:59"},   {36000, u"10:00:00"},    {90061, u"25:01:01"},   {32768, u"9:06:08"},
  };
  for (const auto& [seconds, text] : cases) EXPECT_EQ(FormatClockSeconds(seconds), text) << seconds;
}

TEST(TimeText, ClockTextReadsBackInTheSameForm) {
  struct Case {
    std::u16string text;
    bool time_of_day;
    std::optional<std::int64_t> expected;
  };
  const std::vector<Case> cases = {
      {u"0:00:00", true, 0},          {u"23:59:59", true, 86399},    {u" 7:05:09 ", true, 25509},
      {u"07:05:09", true, 25509},     {u"24:00:00", true, std::nullopt}, {u"25:00:00", false, 90000},
      {u"1:60:00", false, std::nullopt}, {u"1:00:60", false, std::nullopt}, {u"1:5:00", false, std::nullopt},
      {u"1:30", false, std::nullopt}, {u"", false, std::nullopt},     {u"a:00:00", false, std::nullopt},
      {u"-1:00:00", false, std::nullopt}, {u"1:00:00 PM", true, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseClockSeconds(c.text, c.time_of_day), c.expected) << Narrow(c.text);
  }
}

TEST(TimeText, StartTextsOfModify) {
  const std::vector<std::pair<std::u16string, std::optional<std::int32_t>>> cases = {
      {u"9:30", 34200}, {u"09:30:15", 34215}, {u"23:59", 86340}, {u"24:00", std::nullopt},
      {u"930", std::nullopt}, {u"9.30", std::nullopt},
      // The 12-hour form the list shows.
      {u"2:05 PM", 50700}, {u"2:05:09 pm", 50709}, {u"12:00 AM", 0}, {u"12:30 PM", 45000}, {u"11:59:59 PM", 86399},
      {u"0:30 AM", std::nullopt}, {u"13:00 PM", std::nullopt}, {u"PM", std::nullopt},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(ParseTimeOfDay(text), expected) << Narrow(text);
}

TEST(TimeText, PassInEachDisplayForm) {
  const std::vector<std::pair<std::u16string, std::optional<std::int64_t>>> cases = {
      // Accurate Time
      {u"1:02:05", 3725}, {u"0:00:09", 9}, {u"30:00:00", 108000},
      // Standard Time
      {u"1:02", 3720}, {u"0:00", 0}, {u"25:00", 90000},
      // Normal Time, as the counter writes it
      {u"0 Minute", 0}, {u"1 Minute", 60}, {u"59 Minutes", 3540}, {u"1 Hour", 3600},
      {u"1 Hour 1 munite", 3660}, {u"1 Hour 2 Minutes", 3720}, {u"2 Hours", 7200},
      {u"2 Hours 1 Minute", 7260}, {u"121 Minutes", 7260},
      // not a pass
      {u"90", std::nullopt}, {u"ninety minutes", std::nullopt}, {u"1 Minute 1 Hour", std::nullopt},
      {u"1 Hour 2", std::nullopt}, {u"", std::nullopt}, {u"1 Day", std::nullopt},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(ParsePassText(text), expected) << Narrow(text);
}

TEST(TimeText, IsoDates) {
  const std::vector<std::pair<std::u16string, bool>> cases = {
      {u"2026-12-10", true},  {u"2024-02-29", true},  {u"2026-02-29", false}, {u"2000-02-29", true},
      {u"1900-02-29", false}, {u"2026-13-01", false}, {u"2026-00-10", false}, {u"2026-1-10", false},
      {u"10/12/2026", false}, {u"2026-12-10 ", false},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(IsIsoDate(text), expected) << Narrow(text);
  EXPECT_EQ(IsoDate(2026, 3, 7), u"2026-03-07");
}

}  // namespace
}  // namespace tracker
