#include "tracker/main/one_second_timer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tracker/main/reminder_dates.h"
#include "tracker/main/startup.h"

namespace tracker {
namespace {

constexpr double kMidnight10 = 1'796'083'200;  // Thursday 10 December 2026, 00:00, on the test clock

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

os::ClockReading At(int day, int hour, int minute, int second, int millisecond = 0) {
  os::ClockReading r;
  r.local = os::LocalDateTime{2026, 12, day, (day - 6 + 7) % 7, hour, minute, second, millisecond};
  r.absolute = kMidnight10 + (day - 10) * 86400.0 + hour * 3600 + minute * 60 + second + millisecond / 1000.0;
  return r;
}

// Records what the tick asks, in order; a pop-up answer can be scripted.
class Recorder final : public TickEffects {
 public:
  void Display(const TickDisplay& display) override {
    last = display;
    events.push_back(display.nested ? "display nested" : "display");
  }
  void PlayAlarm() override { events.push_back("sound"); }
  void ShowReminder(int slot, const std::u16string& label, const std::u16string& again) override {
    events.push_back("popup " + std::to_string(slot));
    labels.push_back(label);
    agains.push_back(again);
    if (answer) answer(slot);
  }
  void PowerOff() override { events.push_back("power off"); }
  int Count(const std::string& event) const {
    int n = 0;
    for (const auto& e : events) n += e == event;
    return n;
  }

  TickDisplay last;
  std::vector<std::string> events;
  std::vector<std::u16string> labels;
  std::vector<std::u16string> agains;
  std::function<void(int)> answer;
};

// The main window's shared state around one timer.
struct Fixture {
  explicit Fixture(const os::ClockReading& start = At(10, 9, 0, 0)) : timer(Binding(), start.local) {
    texts[kAutoSound] = u"AutoSound";
    members.texts = &texts;
  }
  TimerBinding Binding() {
    TimerBinding b;
    b.table = &table;
    b.edit_table = &edit_table;
    b.counts = &counts;
    b.intListview1 = &intListview1;
    b.blSettime = &blSettime;
    b.members = &members;
    b.shutdown_due = &shutdown_due;
    return b;
  }
  ReminderRecord& Add(const std::u16string& due, const std::u16string& frequency, const std::u16string& date,
                      const std::u16string& text = u"Tea") {
    ++intListview1;
    ReminderRecord& r = table.slot(intListview1);
    r.RepeatMinutes = u"10";
    r.DueSeconds = due;
    r.TipText = text;
    r.Frequency = frequency;
    r.SoundOn = u"1";
    r.TipDate = date;
    edit_table.slot(intListview1) = r;
    return r;
  }
  void Tick(const os::ClockReading& now) { timer.Tick(now, inputs, effects); }

  ReminderTable table, edit_table;
  ReminderRepeatCounts counts;
  int intListview1 = 0;
  bool blSettime = false;
  SettingTexts texts;
  OptionsMembers members;
  double shutdown_due = 0;
  TickInputs inputs;
  Recorder effects;
  OneSecondTimer timer;
};

const ClockModeState kStandard = ChooseClockMode(ClockMode::kStandard);
const ClockModeState kNormal = ChooseClockMode(ClockMode::kNormal);
const ClockModeState kAccurate = ChooseClockMode(ClockMode::kAccurate);

TEST(OneSecondTimer, ElapsedTexts) {
  struct Case {
    ClockModeState mode;
    int seconds;
    const char16_t* text;
  } const cases[] = {
      {kNormal, 0, u"0 Minute"},           {kNormal, 60, u"1 Minute"},         {kNormal, 59 * 60, u"59 Minutes"},
      {kNormal, 3600, u"1 Hour"},          {kNormal, 61 * 60, u"1 Hour 1 munite"},
      {kNormal, 62 * 60, u"1 Hour 2 Minutes"}, {kNormal, 7200, u"2 Hours"},   {kNormal, 121 * 60, u"2 Hours 1 Minutes"},
      {kStandard, 65 * 60, u"1:05"},       {kAccurate, 3725, u"1:02:05"},      {kAccurate, 36000, u"10:00:00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    Fixture f(At(10, 8, 0, 0));
    ActivityCounter counter;
    const os::ClockReading start = At(10, 8, 0, 0);
    counter.Start(start.absolute, u"8:00 AM", c.mode);
    f.inputs.counter = &counter;
    f.inputs.mode = c.mode;
    os::ClockReading now = start;
    now.absolute += c.seconds;
    f.Tick(now);
    ASSERT_TRUE(f.effects.last.pass_box.has_value());
    EXPECT_EQ(*f.effects.last.pass_box, c.text);
    EXPECT_EQ(f.effects.last.caption, u" Pendulo - [ Pass " + std::u16string(c.text) + u" ] ");
    EXPECT_EQ(*f.effects.last.start_box, u"8:00 AM");
  }
}

TEST(OneSecondTimer, CountdownTexts) {
  struct Case {
    ClockModeState mode;
    int seconds;
    const char16_t* text;
  } const cases[] = {
      {kNormal, 90, u"1 Minute"},           {kNormal, 3630, u"1 Hour"},            {kNormal, 3700, u"1 Hour 1 Minute"},
      {kNormal, 5000, u"1 Hour 23 Minutes"}, {kNormal, 7300, u"2 Hours 1 Minute"}, {kNormal, 7320, u"2 Hours 2 Minutes"},
      {kNormal, 9000, u"2 Hours 30 Minutes"}, {kStandard, 3725, u"1:02"},          {kAccurate, 3725, u"1:02:05"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    Fixture f;
    f.inputs.mode = c.mode;
    f.timer.StartCountdown(At(10, 9, 0, 0), c.seconds + 1);
    f.Tick(At(10, 9, 0, 0));
    ASSERT_TRUE(f.effects.last.inverse_box.has_value());
    EXPECT_EQ(*f.effects.last.inverse_box, c.text);
  }
}

TEST(OneSecondTimer, TheCountdownEndsAtZeroWhateverTicksAreMissed) {
  struct Case {
    const char* what;
    std::vector<os::ClockReading> ticks;
  } const cases[] = {
      {"every second", {At(10, 9, 0, 0), At(10, 9, 0, 1), At(10, 9, 0, 2), At(10, 9, 0, 3), At(10, 9, 0, 4)}},
      {"the second of 0:00:01 missed", {At(10, 9, 0, 0), At(10, 9, 0, 1), At(10, 9, 0, 3), At(10, 9, 0, 4)}},
      {"a late tick", {At(10, 9, 0, 0), At(10, 9, 0, 9), At(10, 9, 0, 10)}},
      {"over midnight", {At(10, 23, 59, 58), At(10, 23, 59, 59), At(11, 0, 0, 0), At(11, 0, 0, 1), At(11, 0, 0, 3)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f(c.ticks.front());
    f.inputs.mode = kAccurate;
    f.timer.StartCountdown(c.ticks.front(), 3);
    std::vector<std::u16string> shown;
    for (const auto& tick : c.ticks) {
      f.Tick(tick);
      if (f.effects.last.inverse_box) shown.push_back(*f.effects.last.inverse_box);
      f.inputs.inverse_box = f.effects.last.inverse_box.value_or(f.inputs.inverse_box);
    }
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), u"0:00:02");
    EXPECT_EQ(shown.back(), u"0:00:00");
    EXPECT_FALSE(f.timer.countdown_running());
  }
}

TEST(OneSecondTimer, TipAndTodayLine) {
  struct Case {
    const char* what;
    const char16_t* long_date;
    bool counting, countdown;
    const char16_t* tip;
    const char16_t* line;
  } const cases[] = {
      {"names the day", u"Thursday, December 10, 2026", false, false,
       u"Pendulo - 9:00:00 AM Thursday, December 10, 2026", u"Today is Thursday, December 10, 2026"},
      {"no day name", u"10 December 2026", false, false, u"Pendulo - 9:00:00 AM Thursday, 10 December 2026",
       u"Today is Thursday, 10 December 2026"},
      {"German", u"Donnerstag, 10. Dezember 2026", false, false, u"Pendulo - 9:00:00 AM Donnerstag, 10. Dezember 2026",
       u"Today is Donnerstag, 10. Dezember 2026"},
      {"count-down", u"10 Dec 2026", false, true, u"Pendulo - Inverse 0:05  9:00:00 AM Thursday, 10 Dec 2026",
       u"Today is Thursday, 10 Dec 2026"},
      {"counting", u"10 Dec 2026", true, false, u"Pendulo - Pass 0:01  9:00:00 AM Thursday, 10 Dec 2026",
       u"Today is Thursday, 10 Dec 2026"},
      {"both, cut to 63", u"10 Dec 2026", true, true, u"Pendulo - Pass 0:01  Inverse 0:05  9:00:00 AM Thursday, 10 Dec ",
       u"Today is Thursday, 10 Dec 2026"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    static const char16_t* long_date;
    long_date = c.long_date;
    os::SetNamedFormatter(
        [](const os::LocalDateTime& t, os::NamedFormat format, void*) {
          return format == os::NamedFormat::kLongDate ? std::u16string(long_date) : os::FormatUnitedStates(t, format);
        },
        nullptr);
    Fixture f;
    ActivityCounter counter;
    if (c.counting) {
      counter.Start(At(10, 8, 59, 0).absolute, u"8:59 AM", kStandard);
      f.inputs.counter = &counter;
      f.inputs.pass_box = u"0:01";
    }
    if (c.countdown) {
      f.timer.StartCountdown(At(10, 8, 55, 0), 600);
      f.inputs.inverse_box = u"0:05";
    }
    f.Tick(At(10, 9, 0, 0));
    EXPECT_EQ(f.effects.last.tip, c.tip);
    EXPECT_LE(f.effects.last.tip.size(), 63u);
    EXPECT_EQ(f.effects.last.date_line, c.line);
    os::SetNamedFormatter(nullptr, nullptr);
  }
}

TEST(OneSecondTimer, ClockCaptionAndMemoCaption) {
  Fixture f;
  f.inputs.memo_caption_base = u"Memo - 12/10/2026 Thursday";
  f.Tick(At(10, 9, 0, 0));
  EXPECT_EQ(f.effects.last.clock_box, u"9:00 AM");
  EXPECT_EQ(f.effects.last.caption, u" Pendulo - [ Current Time 9:00 AM ] ");
  ASSERT_TRUE(f.effects.last.memo_caption.has_value());
  EXPECT_EQ(*f.effects.last.memo_caption, u"Memo - 12/10/2026 Thursday 9:00 AM");
  f.Tick(At(10, 9, 0, 1));
  EXPECT_FALSE(f.effects.last.memo_caption.has_value());
  EXPECT_FALSE(f.effects.last.pass_box.has_value());
  EXPECT_FALSE(f.effects.last.inverse_box.has_value());
  f.inputs.mode = kAccurate;
  f.Tick(At(10, 9, 0, 30));
  EXPECT_EQ(f.effects.last.caption, u" Pendulo - [ Current Time 9:00:30 AM] ");
  EXPECT_TRUE(f.effects.last.memo_caption.has_value());
}

TEST(OneSecondTimer, TheFirstAmpersandIsDoubled) {
  EXPECT_EQ(ReminderLabelText(u"Tea & cake & more"), u"Tea && cake & more");
  EXPECT_EQ(ReminderLabelText(u"&&"), u"&&&");
  EXPECT_EQ(ReminderLabelText(u"plain"), u"plain");
  Fixture f;
  f.Add(u"32400", u"One Time", u"Dec10 2026 Thu", u"A & B & C");
  f.Tick(At(10, 9, 0, 0));
  ASSERT_EQ(f.effects.labels.size(), 1u);
  EXPECT_EQ(f.effects.labels[0], u"A && B & C");
  EXPECT_EQ(f.effects.agains[0], u" Show tip again after 10 munite(s)");
}

// Thursday 10 December 2026, 10:00:00, one reminder due at 09:00:00.
TEST(OneSecondTimer, DueRulesPerFrequency) {
  struct Case {
    const char16_t* frequency;
    const char16_t* date;
    bool due;
  } const cases[] = {
      {u"One Time", u"Dec10 2026 Thu", true},  {u"One Time", u"Dec09 2026 Wed", true},
      {u"One Time", u"Dec11 2026 Fri", false}, {u"One Time", u"Jan05 2027 Tue", false},
      {u"Daily", u"Nov01 2026 Sun", true},     {u"Daily", u"Dec24 2026 Thu", false},
      {u"Weekly", u"Nov05 2026 Thu", true},    {u"Weekly", u"Nov06 2026 Fri", false},
      {u"Monthly", u"Nov10 2026 Tue", true},   {u"Monthly", u"Nov11 2026 Wed", false},
      {u"Yearly", u"Dec10 2025 Wed", true},    {u"Yearly", u"Nov10 2025 Mon", false},
      {u"Yearly", u"Dec11 2025 Thu", false},   {u"daily", u"Dec01 2026 Tue", true},
      {u"daily", u"Dec12 2026 Sat", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.frequency) + " " + Narrow(c.date));
    Fixture f(At(10, 10, 0, 0));
    f.Add(u"32400", c.frequency, c.date);
    f.Tick(At(10, 10, 0, 0));
    EXPECT_EQ(f.effects.Count("popup 1"), c.due ? 1 : 0);
    EXPECT_EQ(f.effects.Count("sound"), c.due ? 1 : 0);
  }
}

TEST(OneSecondTimer, ShownEditorAndRemindAgain) {
  Fixture f;
  ReminderRecord& r = f.Add(u"36000", u"Daily", u"Dec01 2026 Tue");
  f.Tick(At(10, 9, 59, 59));
  EXPECT_EQ(f.effects.Count("popup 1"), 0);
  f.blSettime = true;
  f.Tick(At(10, 10, 0, 0));
  EXPECT_EQ(f.effects.Count("popup 1"), 0);
  f.blSettime = false;
  f.effects.answer = [&](int slot) { RemindAgain(slot, f.counts); };
  f.Tick(At(10, 10, 0, 1));
  EXPECT_EQ(f.effects.Count("popup 1"), 1);
  EXPECT_EQ(f.counts.of(1), 1);
  // Put off by its ten minutes.
  f.Tick(At(10, 10, 9, 59));
  EXPECT_EQ(f.effects.Count("popup 1"), 1);
  f.effects.answer = [&](int slot) { AcknowledgeReminder(slot, f.table, f.edit_table, f.counts); };
  f.Tick(At(10, 10, 10, 0));
  EXPECT_EQ(f.effects.Count("popup 1"), 2);
  EXPECT_EQ(r.Shown, 1);
  f.Tick(At(10, 10, 10, 1));
  EXPECT_EQ(f.effects.Count("popup 1"), 2);
  // No sound for a silent reminder; a repeat of 0 minutes comes back after one.
  r.Shown = 0;
  r.SoundOn = u"0";
  r.RepeatMinutes = u"0";
  f.counts.of(1) = 1;
  f.effects.answer = nullptr;
  f.Tick(At(10, 10, 0, 59));
  EXPECT_EQ(f.effects.Count("popup 1"), 2);
  f.Tick(At(10, 10, 11, 0));
  EXPECT_EQ(f.effects.Count("popup 1"), 3);
  EXPECT_EQ(f.effects.Count("sound"), 2);
}

TEST(OneSecondTimer, ARelativeReminderPastMidnightFiresOnTheNewDay) {
  Fixture f(At(10, 23, 50, 0));
  f.Add(u"87000", u"One Time", u"Dec10 2026 Thu");
  f.Tick(At(10, 23, 50, 0));
  f.Tick(At(10, 23, 59, 59));
  f.Tick(At(11, 0, 0, 5));
  EXPECT_EQ(f.table.slot(1).DueSeconds, u"600");
  EXPECT_EQ(f.edit_table.slot(1).DueSeconds, u"600");
  f.Tick(At(11, 0, 9, 59));
  EXPECT_EQ(f.effects.Count("popup 1"), 0);
  f.Tick(At(11, 0, 10, 0));
  EXPECT_EQ(f.effects.Count("popup 1"), 1);
}

TEST(OneSecondTimer, TheNewDayComesWithoutItsSeconds) {
  // Ticks skip 23:59:59, 00:00:01 and 00:00:02.
  Fixture f(At(10, 9, 0, 0));
  ReminderRecord& daily = f.Add(u"30", u"Daily", u"Dec01 2026 Tue");
  ReminderRecord& tomorrow = f.Add(u"60", u"One Time", u"Dec11 2026 Fri");
  f.effects.answer = [&](int slot) { AcknowledgeReminder(slot, f.table, f.edit_table, f.counts); };
  f.Tick(At(10, 9, 0, 0));
  EXPECT_EQ(f.effects.Count("popup 1"), 1);
  EXPECT_EQ(daily.Shown, 1);
  f.timer.StartCountdown(At(10, 23, 59, 0), 600);
  f.inputs.mode = kAccurate;
  f.Tick(At(10, 23, 59, 57));
  EXPECT_EQ(f.timer.weekday_text(), u" Thursday");
  f.Tick(At(11, 0, 0, 3));
  EXPECT_EQ(f.timer.weekday_text(), u" Friday");
  EXPECT_EQ(f.timer.intDate(), DayNumber(2026, 12, 11));
  EXPECT_EQ(daily.Shown, 0);
  EXPECT_EQ(f.edit_table.slot(1).Shown, 0);
  EXPECT_EQ(f.effects.Count("popup 1"), 1);  // not before 00:00:30
  f.Tick(At(11, 0, 0, 30));
  EXPECT_EQ(f.effects.Count("popup 1"), 2);
  f.Tick(At(11, 0, 1, 0));
  EXPECT_EQ(f.effects.Count("popup 2"), 1);  // dated today now
  EXPECT_EQ(tomorrow.Shown, 1);
  EXPECT_TRUE(f.timer.countdown_running());
  EXPECT_EQ(*f.effects.last.inverse_box, u"0:08:29");  // what the tick of 00:00:30 left
  EXPECT_EQ(f.effects.last.date_line, u"Today is Friday, December 11, 2026");
}

TEST(OneSecondTimer, Chime) {
  struct Case {
    const char16_t* interval;
    const char16_t* auto_sound;
    int chimes;  // from 09:00:00 to 09:30:00 tick by tick
  } const cases[] = {
      {u"10", u"1", 4}, {u"30", u"1", 2}, {u"7", u"1", 4},  {u"10", u"0", 0},
      {u"0", u"1", 0},  {u"abc", u"1", 0}, {u"0.5", u"1", 0}, {u"10", u"AutoSound", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.interval) + " " + Narrow(c.auto_sound));
    Fixture f;
    f.texts[kAutoSound] = c.auto_sound;
    f.inputs.chime_interval = c.interval;
    for (int s = 0; s <= 1800; ++s) f.Tick(At(10, 9, s / 60, s % 60));
    EXPECT_EQ(f.effects.Count("sound"), c.chimes);
  }
  // A late tick still chimes for the mark it passed, once.
  Fixture f;
  f.texts[kAutoSound] = u"1";
  f.inputs.chime_interval = u"10";
  f.Tick(At(10, 9, 9, 58));
  f.Tick(At(10, 9, 10, 3));
  f.Tick(At(10, 9, 10, 4));
  EXPECT_EQ(f.effects.Count("sound"), 1);
}

TEST(OneSecondTimer, AShutdownIsRequestedOnceWhenItsMomentComes) {
  Fixture f;
  f.members.autoShutoff = u"1";
  f.shutdown_due = At(11, 0, 15, 0).absolute;
  const struct {
    os::ClockReading at;
    int requests;
  } ticks[] = {{At(10, 23, 30, 0), 0}, {At(10, 23, 59, 59), 0}, {At(11, 0, 0, 0), 0},
               {At(11, 0, 14, 59), 0}, {At(11, 0, 15, 0), 1},   {At(11, 0, 15, 1), 1}, {At(11, 1, 0, 0), 1}};
  for (const auto& t : ticks) {
    f.Tick(t.at);
    EXPECT_EQ(f.effects.Count("power off"), t.requests);
  }
  EXPECT_EQ(f.members.autoShutoff, u"0");
}

TEST(OneSecondTimer, ATickDuringThePopUpOnlyDisplays) {
  Fixture f;
  f.texts[kAutoSound] = u"1";
  f.inputs.chime_interval = u"1";
  f.members.autoShutoff = u"1";
  f.shutdown_due = At(10, 9, 0, 30).absolute;
  f.Add(u"32400", u"Daily", u"Dec01 2026 Tue");
  int nested_ticks = 0;
  f.effects.answer = [&](int slot) {
    // The pop-up's modal loop dispatches the timer: the shown slot is still due, the chime's minute and
    // the shutdown's moment pass, and none of them acts until the pop-up is answered.
    if (nested_ticks++ == 0) {
      f.Tick(At(10, 9, 0, 40));
      f.Tick(At(10, 9, 1, 0));
    }
    AcknowledgeReminder(slot, f.table, f.edit_table, f.counts);
  };
  f.Tick(At(10, 9, 0, 20));
  const std::vector<std::string> expected = {"display", "sound", "popup 1", "display nested", "display nested",
                                             "sound", "power off"};
  EXPECT_EQ(f.effects.events, expected);
  EXPECT_EQ(f.table.slot(1).Shown, 1);
}

}  // namespace
}  // namespace tracker
