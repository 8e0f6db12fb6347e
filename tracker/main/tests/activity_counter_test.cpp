#include "tracker/main/activity_counter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tracker {
namespace {

const ClockModeState kStandard = ChooseClockMode(ClockMode::kStandard);
const ClockModeState kNormal = ChooseClockMode(ClockMode::kNormal);
const ClockModeState kAccurate = ChooseClockMode(ClockMode::kAccurate);

StopInputs Inputs(const char16_t* remark = u"notes", const char16_t* rate = u"") {
  return StopInputs{u"3:00 PM", u"Work", remark, rate, u"12/10/2026", 4};
}

enum class Command { kStart, kPause, kStop };

struct StateCase {
  const char* what;
  std::vector<Command> commands;
  bool running, paused;
  bool start_enabled, stop_enabled, pause_enabled, records_enabled;
  const char16_t* pause_caption;
  const char16_t* status;
};

TEST(ActivityCounter, StateTable) {
  using C = Command;
  const StateCase cases[] = {
      {"idle", {}, false, false, true, false, false, true, u"Pa&use", u""},
      {"counting", {C::kStart}, true, false, false, true, true, false, u"Pa&use", u"Start..."},
      {"start while counting", {C::kStart, C::kStart}, true, false, false, true, true, false, u"Pa&use", u"Start..."},
      {"paused", {C::kStart, C::kPause}, true, true, false, false, true, false, u"Contin&ue", u"Pause"},
      {"stop while paused", {C::kStart, C::kPause, C::kStop}, true, true, false, false, true, false, u"Contin&ue",
       u"Pause"},
      {"continued", {C::kStart, C::kPause, C::kPause}, true, false, false, true, true, false, u"Pa&use",
       u"Continue..."},
      {"stopped", {C::kStart, C::kStop}, false, false, true, false, false, true, u"Pa&use", u"Stop"},
      {"pause while idle", {C::kPause}, false, false, true, false, false, true, u"Pa&use", u""},
      {"stop while idle", {C::kStop}, false, false, true, false, false, true, u"Pa&use", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ActivityCounter counter;
    double now = 1000;
    for (const Command command : c.commands) {
      now += 10;
      if (command == C::kStart) counter.Start(now, u"2:00 PM", kStandard);
      if (command == C::kPause) counter.PauseOrContinue(now);
      if (command == C::kStop) counter.Stop(now, Inputs(), kStandard);
    }
    EXPECT_EQ(counter.blstart(), c.running);
    EXPECT_EQ(counter.blRecordStarted(), c.running);
    EXPECT_EQ(counter.blNotStarted(), !c.running);
    EXPECT_EQ(counter.blPaused(), c.paused);
    const CounterCommands commands = counter.commands();
    EXPECT_EQ(commands.start, c.start_enabled);
    EXPECT_EQ(commands.stop, c.stop_enabled);
    EXPECT_EQ(commands.pause, c.pause_enabled);
    EXPECT_EQ(commands.records, c.records_enabled);
    EXPECT_EQ(commands.pause_caption, c.pause_caption);
    EXPECT_EQ(commands.pause_pressed, c.paused);
    EXPECT_EQ(counter.status(), c.status);
  }
}

struct PauseCase {
  std::int64_t paused;
  const ClockModeState* mode;
  const char16_t* remark;
  const char16_t* expected;
};

TEST(ActivityCounter, PauseNotesInTheThreeModes) {
  const PauseCase cases[] = {
      {45, &kNormal, u"notes", u"Pause 0 minute notes"},
      {119, &kNormal, u"notes", u"Pause 1 minute notes"},
      {150, &kNormal, u"notes", u"Pause 2 minutes notes"},
      {3630, &kNormal, u"notes", u"Pause 1 hour notes"},
      {3700, &kNormal, u"notes", u"Pause 1 hour 1 minute notes"},
      {3725, &kNormal, u"notes", u"Pause 1 hour 2 minutes notes"},
      {7200, &kNormal, u"notes", u"Pause 2 hours notes"},
      {7300, &kNormal, u"notes", u"Pause 2 hours 1 minute notes"},
      {7320, &kNormal, u"notes", u"Pause 2 hours 2 minutes notes"},
      {10800, &kNormal, u"notes", u"Pause 3 hours 0 minutes notes"},
      {3700, &kStandard, u"notes", u"Pause 1:01 notes"},
      {45, &kStandard, u"", u"Pause 0:00 "},
      {3725, &kAccurate, u"notes", u"Pause 1:02:05 notes"},
      {36610, &kAccurate, u"notes", u"Pause 10:10:10 notes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.paused);
    EXPECT_EQ(PauseNote(c.paused, *c.mode, c.remark), c.expected);
  }
}

TEST(ActivityCounter, ElapsedAndCountdownTexts) {
  struct Case {
    bool countdown;
    const ClockModeState* mode;
    std::int64_t seconds;
    const char16_t* text;
  } const cases[] = {
      {false, &kNormal, 0, u"0 Minute"},          {false, &kNormal, 60, u"1 Minute"},
      {false, &kNormal, 59 * 60, u"59 Minutes"},  {false, &kNormal, 60 * 60, u"1 Hour"},
      {false, &kNormal, 61 * 60, u"1 Hour 1 munite"}, {false, &kNormal, 62 * 60, u"1 Hour 2 Minutes"},
      {false, &kNormal, 120 * 60, u"2 Hours"},    {false, &kNormal, 121 * 60, u"2 Hours 1 Minutes"},
      {false, &kStandard, 65 * 60, u"1:05"},      {false, &kAccurate, 3725, u"1:02:05"},
      {false, &kAccurate, 36000, u"10:00:00"},
      {true, &kNormal, 90, u"1 Minute"},          {true, &kNormal, 3630, u"1 Hour"},
      {true, &kNormal, 3700, u"1 Hour 1 Minute"}, {true, &kNormal, 5000, u"1 Hour 23 Minutes"},
      {true, &kNormal, 7300, u"2 Hours 1 Minute"}, {true, &kNormal, 7320, u"2 Hours 2 Minutes"},
      {true, &kNormal, 9000, u"2 Hours 30 Minutes"}, {true, &kStandard, 3725, u"1:02"},
      {true, &kAccurate, 1, u"0:00:01"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seconds);
    EXPECT_EQ(c.countdown ? CountdownText(c.seconds, *c.mode) : ElapsedText(c.seconds, *c.mode), c.text);
  }
}

TEST(ActivityCounter, StopFillsTheRowAtItsOwnMoment) {
  ActivityCounter counter;
  counter.Start(1000, u"2:00 PM", kStandard);
  counter.PauseOrContinue(1000 + 600);   // 5 minutes of work, then
  counter.PauseOrContinue(1000 + 900);   // a pause of 5 minutes,
  counter.PauseOrContinue(1000 + 1200);  // 5 more of work,
  counter.PauseOrContinue(1000 + 1500);  // a second pause of 5 minutes
  EXPECT_EQ(counter.PausedSeconds(), 600);
  const auto row = counter.Stop(1000 + 3725 + 600, Inputs(u"notes", u"25"), kAccurate);
  ASSERT_TRUE(row.has_value());
  EXPECT_EQ(row->start, u"2:00 PM");
  EXPECT_EQ(row->stop, u"3:00 PM");
  EXPECT_EQ(row->content, u"Work");
  EXPECT_EQ(row->pass, u"1:02:05");
  EXPECT_EQ(row->remark, u"Pause 0:10:00 notes");
  EXPECT_EQ(row->record_date, u"12/10/2026");
  EXPECT_EQ(row->weekday, u"4");
  EXPECT_EQ(row->rate, u"25");
  EXPECT_EQ(counter.PausedSeconds(), 0);
}

TEST(ActivityCounter, CountAndPauseOverMidnight) {
  // Absolute seconds: 23:50 on one day to 00:20 on the next is 30 minutes, whatever the clock of the day.
  const double evening = 1'796'000'000.0;
  ActivityCounter counter;
  counter.Start(evening, u"11:50 PM", kNormal);
  counter.PauseOrContinue(evening + 300);        // pause at 23:55
  counter.PauseOrContinue(evening + 300 + 600);  // continue at 00:05
  const auto row = counter.Stop(evening + 1800, Inputs(u"late"), kNormal);
  ASSERT_TRUE(row.has_value());
  EXPECT_EQ(row->pass, u"20 Minutes");
  EXPECT_EQ(row->remark, u"Pause 10 minutes late");
}

TEST(ActivityCounter, ANeverPausedCountKeepsTheRemark) {
  ActivityCounter counter;
  counter.Start(0, u"9:00 AM", kStandard);
  EXPECT_EQ(counter.ElapsedSeconds(125), 125);
  const auto row = counter.Stop(125, Inputs(u"as typed"), kStandard);
  ASSERT_TRUE(row.has_value());
  EXPECT_EQ(row->remark, u"as typed");
  EXPECT_EQ(row->rate, u"");
}

}  // namespace
}  // namespace tracker
