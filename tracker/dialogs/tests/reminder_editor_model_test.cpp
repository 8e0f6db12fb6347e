#include "tracker/dialogs/reminder_editor_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tracker {
namespace {

// Thursday 10 December 2026.
constexpr os::LocalDateTime kToday{2026, 12, 10, 4, 10, 0, 0, 0};

os::ClockReading At(int hour, int minute, int second, int millisecond = 0) {
  os::ClockReading r;
  r.local = kToday;
  r.local.hour = hour;
  r.local.minute = minute;
  r.local.second = second;
  r.local.millisecond = millisecond;
  r.absolute = 1'796'083'200.0 + hour * 3600 + minute * 60 + second + millisecond / 1000.0;
  return r;
}

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

TEST(ReminderEditor, FirstInputs) {
  const ReminderInputs in = FirstInputs(kToday);
  EXPECT_TRUE(in.after);
  EXPECT_EQ(in.after_hour, u"00");
  EXPECT_EQ(in.after_minute, u"30");
  EXPECT_EQ(in.at_hour, u"10");  // from the clock, whatever the short time looks like
  EXPECT_EQ(in.month, u"Dec");
  EXPECT_EQ(in.day, u"10");
  EXPECT_EQ(in.weekday, u"Thu");
  EXPECT_EQ(in.year, 2026);
  EXPECT_EQ(in.tip_text, u"Give a call to ");
  EXPECT_EQ(AfterMinuteItems().size(), 68u);
  EXPECT_EQ(AtMinuteItems().front(), u"30");
  EXPECT_EQ(AtMinuteItems().size(), 74u);
  const std::vector<std::u16string> tips = TipTextItems({u"Call mum", u"CustomTip2", u"", u"Stretch"});
  const std::vector<std::u16string> expected = {u"Take a rest",     u"Go to ",          u"Call mum",
                                                u"Stretch",         u"Birthday of ",    u"Give ... a call ",
                                                u"Send email to ",  u"Have an appointment with ",
                                                u"Send fax to ",    u"Go for lunch "};
  EXPECT_EQ(tips, expected);
}

struct AddCase {
  const char* what;
  bool after;
  const char16_t* hour;
  const char16_t* minute;
  int rows_before;
  AddOutcome outcome;
  const char16_t* due;
  const char16_t* tip_time;
  std::int64_t countdown;  // 0: none
};

TEST(ReminderEditor, Add) {
  const AddCase cases[] = {
      {"after 0 h 30 min", true, u"00", u"30", 0, AddOutcome::kAdded, u"37800", u"After00hr30min", 1800},
      {"after 2 h 5 min", true, u"02", u"5", 3, AddOutcome::kAdded, u"43500", u"After02hr05min", 7500},
      {"after past midnight", true, u"23", u"59", 0, AddOutcome::kAdded, u"122340", u"After23hr59min", 86340},
      {"at 14:05", false, u"14", u"05", 0, AddOutcome::kAdded, u"50700", u"At   14:05", 0},
      {"at 00:00", false, u"00", u"00", 0, AddOutcome::kAdded, u"0", u"At   00:00", 0},
      {"after nothing", true, u"00", u"00", 2, AddOutcome::kNoDelay, u"", u"", 0},
      {"fifteen kept", false, u"14", u"05", 15, AddOutcome::kFull, u"", u"", 0},
      {"hour not a number", true, u"ab", u"30", 0, AddOutcome::kBadTime, u"", u"", 0},
      {"hour 24", false, u"24", u"00", 0, AddOutcome::kBadTime, u"", u"", 0},
      {"minute 60", false, u"10", u"60", 0, AddOutcome::kBadTime, u"", u"", 0},
      {"empty minute", true, u"01", u"", 0, AddOutcome::kBadTime, u"", u"", 0},
      {"negative", true, u"-1", u"30", 0, AddOutcome::kBadTime, u"", u"", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ReminderInputs in = FirstInputs(kToday);
    in.after = c.after;
    (c.after ? in.after_hour : in.at_hour) = c.hour;
    (c.after ? in.after_minute : in.at_minute) = c.minute;
    in.tip_text = u"Tea";
    in.frequency = u"Daily";
    in.repeat = u"05";
    in.sound = false;
    ReminderTable edit;
    int rows = c.rows_before;
    const AddResult result = AddReminder(in, At(10, 0, 0), u"10:00:00 AM", edit, rows);
    EXPECT_EQ(result.outcome, c.outcome);
    if (c.outcome != AddOutcome::kAdded) {
      EXPECT_EQ(rows, c.rows_before);
      continue;
    }
    EXPECT_EQ(rows, c.rows_before + 1);
    const ReminderRecord& r = edit.slot(rows);
    EXPECT_EQ(r.DueSeconds, c.due);
    EXPECT_EQ(r.TipTimeText, c.tip_time);
    EXPECT_EQ(r.TipText, u"Tea");
    EXPECT_EQ(r.Frequency, u"Daily");
    EXPECT_EQ(r.RepeatMinutes, u"05");
    EXPECT_EQ(r.SoundOn, u"0");
    EXPECT_EQ(r.Shown, 0);
    EXPECT_EQ(r.SetTime, u"10:00:00 AM");
    EXPECT_EQ(r.TipDate, u"Dec10 2026 Thu");
    EXPECT_EQ(result.countdown_seconds.value_or(0), c.countdown);
  }
}

TEST(ReminderEditor, ARelativeDueTimeKeepsTheClocksFraction) {
  ReminderInputs in = FirstInputs(kToday);
  ReminderTable edit;
  int rows = 0;
  AddReminder(in, At(10, 0, 0, 500), u"10:00:00 AM", edit, rows);
  EXPECT_EQ(edit.slot(1).DueSeconds, u"37800.5");
}

TEST(ReminderEditor, ListCells) {
  ReminderRecord r{u"10", u"37800", u"Tea", u"Daily", u"1", 0, u"After00hr30min", u"10:00:00 AM", u"Dec10 2026 Thu"};
  const auto added = ReminderListCells(r, false);
  const std::array<std::u16string, 7> expected = {u"10:00:00 AM", u"After00hr30min", u"Tea", u"10 minute(s)",
                                                  u"Daily",       u"Enable Sound",   u"Dec10 2026 Thu"};
  EXPECT_EQ(added, expected);
  EXPECT_EQ(ReminderListCells(r, true)[3], u"10 munite(s)");
  r.SoundOn = u"0";
  EXPECT_EQ(ReminderListCells(r, true)[5], u"Unable Sound");
  r.SoundOn = u"";
  EXPECT_EQ(ReminderListCells(r, true)[5], u"");
}

TEST(ReminderEditor, ModifyInputs) {
  struct Case {
    const char* what;
    const char16_t* due;
    const char16_t* date;
    int picker_year;
    const char16_t *hour, *minute, *month, *day, *weekday;
  } const cases[] = {
      {"relative", u"37800.5", u"Dec10 2026 Thu", 2026, u"10", u"30", u"Dec", u"10", u"Thu"},
      {"absolute", u"50700", u"Mar03 2027 Wed", 2027, u"14", u"05", u"Mar", u"03", u"Wed"},
      {"past midnight", u"87000", u"Dec10 2026 Thu", 2026, u"00", u"10", u"Dec", u"10", u"Thu"},
      {"29 February in a common year", u"0", u"Feb29 2028 Tue", 2026, u"00", u"00", u"Feb", u"28", u"Sat"},
      {"31 April", u"60", u"Apr31 2026 Fri", 2026, u"00", u"01", u"Apr", u"30", u"Thu"},
      {"no date", u"3600", u"", 2026, u"01", u"00", u"Dec", u"10", u"Thu"},
      {"no month", u"3600", u"Xyz05 2026 Sat", 2026, u"01", u"00", u"Dec", u"10", u"Thu"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ReminderInputs current = FirstInputs(kToday);
    current.year = c.picker_year;
    const ReminderRecord r{u"15", c.due, u"Walk", u"Weekly", u"0", 0, u"", u"", c.date};
    const ReminderInputs in = ModifyInputs(r, current, kToday);
    EXPECT_FALSE(in.after);
    EXPECT_EQ(in.at_hour, c.hour);
    EXPECT_EQ(in.at_minute, c.minute);
    EXPECT_EQ(in.month, c.month);
    EXPECT_EQ(in.day, c.day);
    EXPECT_EQ(in.weekday, c.weekday);
    EXPECT_EQ(in.tip_text, u"Walk");
    EXPECT_EQ(in.repeat, u"15");
    EXPECT_EQ(in.frequency, u"Weekly");
    EXPECT_FALSE(in.sound);
  }
}

TEST(ReminderEditor, ThePickersDateNamesItsWeekday) {
  ReminderInputs in = FirstInputs(kToday);
  SetPickerDate(in, 2026, 12, 25);
  EXPECT_EQ(in.month, u"Dec");
  EXPECT_EQ(in.day, u"25");
  EXPECT_EQ(in.weekday, u"Fri");
  in.month = u"Jan";
  EXPECT_EQ(WeekdayOfInputs(in), u"Sun");
}

ReminderTable Four(int& rows) {
  ReminderTable t;
  for (int s = 1; s <= 4; ++s) {
    t.slot(s) = ReminderRecord{u"10", u"36000", u"r" + std::u16string(1, static_cast<char16_t>(u'0' + s)), u"Daily",
                               u"1", 0, u"", u"", u"Dec10 2026 Thu"};
  }
  rows = 4;
  return t;
}

TEST(ReminderEditor, DeleteMovesTheLaterRowsUp) {
  struct Case {
    int k;
    std::vector<std::u16string> left;
  } const cases[] = {{2, {u"r1", u"r3", u"r4"}}, {4, {u"r1", u"r2", u"r3"}}, {1, {u"r2", u"r3", u"r4"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.k);
    int rows = 0;
    ReminderTable edit = Four(rows);
    ReminderTable live = edit;
    edit.slot(3).Shown = 1;
    int in_use = 4;
    DeleteReminderRow(c.k, edit, live, rows, in_use);
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(in_use, 3);
    for (int s = 1; s <= 3; ++s) {
      EXPECT_EQ(edit.slot(s).TipText, c.left[s - 1]);
      EXPECT_EQ(live.slot(s).TipText, c.left[s - 1]);
    }
    for (const ReminderTable* t : {&edit, &live}) {
      EXPECT_FALSE(IsSlotInUse(t->slot(4)));
      EXPECT_EQ(t->slot(4).Frequency, u"One Time");
    }
  }
}

TEST(ReminderEditor, ApplyKeepsTheLiveShown) {
  int rows = 0;
  ReminderTable edit = Four(rows);
  ReminderTable live;
  live.slot(2).Shown = 1;
  edit.slot(3).Shown = 1;
  int in_use = 1;
  ApplyReminders(edit, rows, live, in_use);
  EXPECT_EQ(in_use, 4);
  EXPECT_EQ(live.slot(2).Shown, 1);
  EXPECT_EQ(live.slot(3).Shown, 0);
  EXPECT_EQ(live.slot(4).TipText, u"r4");
}

TEST(ReminderEditor, OpeningListsTheSlotsInUpToFifteen) {
  ReminderTable live;
  for (const int s : {1, 2, 16}) live.slot(s) = ReminderRecord{u"10", u"0", u"x", u"Daily", u"1", 0, u"", u"", u""};
  ReminderTable edit;
  std::vector<int> listed;
  EXPECT_EQ(OpenEditor(live, 2, edit, listed), 2);
  EXPECT_EQ(listed, (std::vector<int>{1, 2}));
  EXPECT_EQ(edit.slot(2).TipText, u"x");
  EXPECT_EQ(OpenEditor(ReminderTable{}, 0, edit, listed), 0);
  EXPECT_TRUE(listed.empty());
  EXPECT_EQ(BoxNumber(u" 7 ", 0, 23), 7);
  EXPECT_FALSE(BoxNumber(u"7.5", 0, 23).has_value());
  (void)Narrow;
}

}  // namespace
}  // namespace tracker
