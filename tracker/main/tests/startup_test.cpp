#include "tracker/main/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tracker/main/reminder_dates.h"
#include "tracker/main/settings_file.h"

namespace tracker {
namespace {

// Thursday 10 December 2026, 14:42:07.
constexpr os::LocalDateTime kNow{2026, 12, 10, 4, 14, 42, 7, 0};

StartupState Start(const std::string& settings, const std::u16string& folder = u"C:\\Tools") {
  const SettingsFile file = SettingsFile::FromBytes(std::vector<std::uint8_t>(settings.begin(), settings.end()));
  return DecideStartup(file, folder, kNow);
}

TEST(Startup, NoFileGivesTheMissingState) {
  const StartupState s = Start("");
  EXPECT_FALSE(s.main_window_hidden);
  EXPECT_FALSE(s.show_memo);
  EXPECT_FALSE(s.main_window.has_value());
  EXPECT_FALSE(s.run_at_logon.has_value());
  EXPECT_EQ(s.intTempMemoTop + s.intTempMemoLeft + s.intTempMemoHeight + s.intTempMemoWidth, 0);
  EXPECT_EQ(s.intTempTableTop + s.intTempTableLeft + s.intTempTableHeight + s.intTempTableWidth, 0);
  EXPECT_EQ(s.texts[kTipTop], u"4000");
  EXPECT_EQ(s.texts[kTipLeft], u"4000");
  EXPECT_EQ(s.texts[kDialogTop], u"0");
  EXPECT_EQ(s.texts[kDialogLeft], u"0");
  EXPECT_EQ(s.texts[kCustomTip1], u"CustomTip1");
  EXPECT_EQ(s.texts[kDefaultSound], u"DefaultSound");
  EXPECT_EQ(s.intListview1, 0);
  EXPECT_EQ(s.activities, BuiltInActivities());
  EXPECT_EQ(s.activity_text, u"Work");
  EXPECT_EQ(s.weekday_text, u" Thursday");
  EXPECT_EQ(s.intDate, DayNumber(2026, 12, 10));
  EXPECT_EQ(s.clock_text, u"2:42 PM");
  // The English long date names the day itself, so the line does not name it twice.
  EXPECT_EQ(s.date_line, u"Today is Thursday, December 10, 2026");
}

struct FlagCase {
  const char* line;
  bool memo, hidden, run;
};

TEST(Startup, FlagsCountOnlyWhenTheyReadAsOne) {
  const FlagCase cases[] = {
      {"SM=1", true, false, false},       {"SM= 1", true, false, false},   {"SM=1.0", true, false, false},
      {"SM=01", true, false, false},      {"SM=2", false, false, false},   {"SM=yes", false, false, false},
      {"AtTaskbar=1", false, true, false}, {"AtTaskbar=0", false, false, false},
      {"AutoStart=1", false, false, true}, {"AutoStart=true", false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const StartupState s = Start(std::string("[MyApp]\r\n") + c.line + "\r\n");
    EXPECT_EQ(s.show_memo, c.memo);
    EXPECT_EQ(s.main_window_hidden, c.hidden);
    EXPECT_EQ(s.run_at_logon.has_value(), c.run);
  }
}

TEST(Startup, RunAtLogOnCommandIsQuoted) {
  EXPECT_EQ(*Start("[MyApp]\r\nAutoStart=1\r\n", u"C:\\Program Files\\Pendulo").run_at_logon,
            u"\"C:\\Program Files\\Pendulo\\pendulo.exe\"");
  EXPECT_EQ(*Start("[MyApp]\r\nAutoStart=1\r\n", u"D:\\").run_at_logon, u"\"D:\\pendulo.exe\"");
  EXPECT_EQ(SettingsPath(u"D:\\"), u"D:\\\\Wexrad.txt");
}

struct GeometryCase {
  const char* what;
  std::string lines;
  bool applied;
  TwipRect rect;
};

TEST(Startup, MainWindowGeometryNeedsATopOtherThanZeroAndAPositiveSize) {
  const GeometryCase cases[] = {
      {"all four", "Form1Top= 1440\r\nForm1Left=-120\r\nForm1Height= 6000\r\nForm1Width= 9000\r\n", true,
       {-120, 1440, 9000, 6000}},
      {"top 0", "Form1Top=0\r\nForm1Left=100\r\nForm1Height=6000\r\nForm1Width=9000\r\n", false, {}},
      {"top missing", "Form1Left=100\r\nForm1Height=6000\r\nForm1Width=9000\r\n", false, {}},
      {"no size", "Form1Top=100\r\nForm1Left=100\r\n", false, {}},
      {"negative height", "Form1Top=100\r\nForm1Left=100\r\nForm1Height=-5\r\nForm1Width=9000\r\n", false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const StartupState s = Start("[MyApp]\r\n" + c.lines);
    ASSERT_EQ(s.main_window.has_value(), c.applied);
    if (!c.applied) continue;
    EXPECT_EQ(s.main_window->left, c.rect.left);
    EXPECT_EQ(s.main_window->top, c.rect.top);
    EXPECT_EQ(s.main_window->width, c.rect.width);
    EXPECT_EQ(s.main_window->height, c.rect.height);
  }
}

TEST(Startup, OnlyTheTopKeyDecidesForTheOtherWindows) {
  const StartupState s = Start(
      "[MyApp]\r\nMemoTop=300\r\nMemoHeight=2000\r\nTableTop=0\r\nTableLeft=50\r\nTableHeight=10\r\n"
      "TableWidth=20\r\nTipTop=100\r\nDialogTop=200\r\n");
  EXPECT_EQ(s.intTempMemoTop, 300);
  EXPECT_EQ(s.intTempMemoLeft, 0);  // the key name "MemoLeft" reads as 0
  EXPECT_EQ(s.intTempMemoHeight, 2000);
  EXPECT_EQ(s.intTempTableLeft, 50);
  EXPECT_EQ(s.intTempTableWidth, 20);
  EXPECT_EQ(s.texts[kTipTop], u"100");
  EXPECT_EQ(s.texts[kTipLeft], u"TipLeft");
  EXPECT_EQ(s.texts[kDialogTop], u"200");
  EXPECT_EQ(s.texts[kDialogLeft], u"DialogLeft");
}

TEST(Startup, CustomContentsComeFirstAndOnlyTheFirstIsShown) {
  const StartupState later = Start("[MyApp]\r\nCustomContent1=\r\nCustomContent2=Reading\r\n"
                                   "CustomContent3=Coding\r\nCustomContent4=CustomContent4\r\n");
  std::vector<std::u16string> expected = {u"Reading", u"Coding"};
  expected.insert(expected.end(), BuiltInActivities().begin(), BuiltInActivities().end());
  EXPECT_EQ(later.activities, expected);
  EXPECT_EQ(later.activity_text, u"Work");
  EXPECT_EQ(Start("[MyApp]\r\nCustomContent1=Reading\r\n").activity_text, u"Reading");
}

struct RecordCase {
  const char* what;
  std::string record;  // keys of record 1
  bool kept;
};

std::string Record(int n, const std::string& frequency, const std::string& shown, const std::string& date,
                   const std::string& text) {
  const int b = 9 * (n - 1);
  auto key = [&](int f) { return "tra" + std::to_string(b + f) + "="; };
  return key(1) + "10\r\n" + key(2) + "36000\r\n" + key(3) + text + "\r\n" + key(4) + frequency + "\r\n" + key(5) +
         "1\r\n" + key(6) + shown + "\r\n" + key(7) + "At   10:00\r\n" + key(8) + "9:00:00 AM\r\n" + key(9) + date +
         "\r\n";
}

TEST(Startup, ReminderKeepAndDropRules) {
  const RecordCase cases[] = {
      {"daily shown", Record(1, "Daily", "1", "Dec08 2026 Tue", "a"), true},
      {"weekly without date", Record(1, "Weekly", "1", "", "a"), true},
      {"monthly", Record(1, "Monthly", "0", "", "a"), true},
      {"yearly", Record(1, "Yearly", "1", "", "a"), true},
      {"one time not shown", Record(1, "One Time", "0", "Dec08 2026 Tue", "a"), true},
      {"one time shown", Record(1, "One Time", "1", "Dec08 2026 Tue", "a"), false},
      {"one time without date", Record(1, "One Time", "0", "", "a"), false},
      {"shown flag with blank", Record(1, "One Time", " 0", "Dec08 2026 Tue", "a"), true},
      {"frequency in other case", Record(1, "daily", "1", "", "a"), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const StartupState s = Start("[MyApp]\r\n" + c.record);
    EXPECT_EQ(s.intListview1, c.kept ? 1 : 0);
    if (c.kept) {
      EXPECT_EQ(s.reminders.slot(1).Shown, 0);
      EXPECT_EQ(s.reminders.slot(1).TipText, u"a");
      EXPECT_EQ(s.reminders.slot(1).DueSeconds, u"36000");
    }
  }
}

TEST(Startup, KeptRecordsFillSlotsFromOne) {
  const StartupState s = Start("[MyApp]\r\n" + Record(1, "Daily", "1", "", "first") +
                               Record(2, "One Time", "1", "Dec08 2026 Tue", "second") +
                               Record(3, "One Time", "0", "Dec09 2026 Wed", "third"));
  EXPECT_EQ(s.intListview1, 2);
  EXPECT_EQ(s.reminders.slot(1).TipText, u"first");
  EXPECT_EQ(s.reminders.slot(2).TipText, u"third");
  EXPECT_EQ(s.reminders.slot(2).TipDate, u"Dec09 2026 Wed");
  EXPECT_FALSE(IsSlotInUse(s.reminders.slot(3)));
}

}  // namespace
}  // namespace tracker
