#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tracker/main/settings_file.h"
#include "tracker/main/startup.h"

namespace tracker {
namespace {

constexpr os::LocalDateTime kNow{2026, 12, 10, 4, 14, 42, 7, 0};

std::string Save(const std::string& before, const ReminderTable& table, int slots) {
  const SettingsFile read = SettingsFile::FromBytes(std::vector<std::uint8_t>(before.begin(), before.end()));
  const StartupState s = DecideStartup(read, u"C:\\Tools", kNow);
  SettingsFile file = read;
  WriteSettings(s.texts, s.main_window.value_or(kDesignedMainWindow), table, slots, file);
  const auto bytes = file.Bytes();
  return std::string(bytes.begin(), bytes.end());
}

ReminderRecord Reminder(const char16_t* text, const char16_t* frequency, int shown) {
  return ReminderRecord{u"10", u"36000", text, frequency, u"1", shown, u"At   10:00", u"9:00:00 AM",
                        u"Dec08 2026 Tue"};
}

TEST(SettingsSave, FirstRunFile) {
  std::string expected = "[MyApp]\r\n";
  const char* lines[] = {"SM=SM", "AutoStart=AutoStart", "AtTaskbar=AtTaskbar", "AutoSound=AutoSound",
                         "CustomContent1=CustomContent1", "CustomContent2=CustomContent2",
                         "CustomContent3=CustomContent3", "CustomContent4=CustomContent4", "CustomTip1=CustomTip1",
                         "CustomTip2=CustomTip2", "CustomTip3=CustomTip3", "CustomTip4=CustomTip4",
                         "DefaultSound=DefaultSound", "ComboSoundInterval=ComboSoundInterval", "MemoTop=MemoTop",
                         "MemoLeft=MemoLeft", "MemoHeight=MemoHeight", "MemoWidth=MemoWidth", "Form1Top= 1500",
                         "Form1Left= 1695", "Form1Height= 6045", "Form1Width= 8715", "TableTop=TableTop",
                         "TableLeft=TableLeft", "TableHeight=TableHeight", "TableWidth=TableWidth", "TipTop=4000",
                         "TipLeft=4000", "DialogTop=0", "DialogLeft=0"};
  for (const char* line : lines) expected += std::string(line) + "\r\n";
  for (int j = 1; j <= 15; ++j) {
    expected += "tra" + std::to_string(9 * j - 5) + "=One Time\r\n";
    expected += "tra" + std::to_string(9 * j) + "=\r\n";
  }
  EXPECT_EQ(Save("", ReminderTable{}, 0), expected);
}

TEST(SettingsSave, AcknowledgedOneTimeRemindersAreDropped) {
  ReminderTable table;
  table.slot(1) = Reminder(u"seen", u"One Time", 1);
  table.slot(2) = Reminder(u"daily", u"Daily", 1);
  table.slot(3) = Reminder(u"pending", u"One Time", 0);
  table.slot(4) = Reminder(u"odd case", u"daily", 1);
  const std::string file = Save("", table, 4);
  const SettingsFile back = SettingsFile::FromBytes(std::vector<std::uint8_t>(file.begin(), file.end()));
  ReminderTable loaded;
  EXPECT_EQ(LoadReminders(back, loaded), 2);
  EXPECT_EQ(loaded.slot(1).TipText, u"daily");
  EXPECT_EQ(loaded.slot(2).TipText, u"pending");
  EXPECT_EQ(back.Read(u"MyApp", u"tra6", u""), u"1");  // a daily reminder is stored with its shown flag
  EXPECT_EQ(back.Read(u"MyApp", u"tra22", u"x"), u"One Time");
  EXPECT_EQ(back.Read(u"MyApp", u"tra27", u"x"), u"");
}

TEST(SettingsSave, FiveThenThreeLeavesOldTextsInRecordsFourAndFive) {
  ReminderTable five;
  const char16_t* texts[] = {u"r1", u"r2", u"r3", u"r4", u"r5"};
  for (int s = 1; s <= 5; ++s) five.slot(s) = Reminder(texts[s - 1], u"Daily", 0);
  const std::string first = Save("", five, 5);
  ReminderTable three;
  for (int s = 1; s <= 3; ++s) three.slot(s) = Reminder(texts[s - 1], u"Weekly", 0);
  const std::string second = Save(first, three, 3);
  const SettingsFile back = SettingsFile::FromBytes(std::vector<std::uint8_t>(second.begin(), second.end()));
  EXPECT_EQ(back.Read(u"MyApp", u"tra22", u""), u"Weekly");   // record 3
  EXPECT_EQ(back.Read(u"MyApp", u"tra31", u""), u"One Time");  // record 4 empty
  EXPECT_EQ(back.Read(u"MyApp", u"tra36", u"x"), u"");
  EXPECT_EQ(back.Read(u"MyApp", u"tra30", u""), u"r4");  // its old text stays
  EXPECT_EQ(back.Read(u"MyApp", u"tra39", u""), u"r5");
  ReminderTable loaded;
  EXPECT_EQ(LoadReminders(back, loaded), 3);
  // The second save rewrote lines in place: the file has as many lines as after the first.
  EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), std::count(second.begin(), second.end(), '\n'));
}

TEST(SettingsSave, SeventeenKeptRemindersWriteTheFirstFifteen) {
  ReminderTable table;
  for (int s = 1; s <= 17; ++s) {
    table.slot(s) = Reminder(u"", u"Daily", 0);
    table.slot(s).TipText = u"r" + std::u16string(1, static_cast<char16_t>(u'a' + s));
  }
  const std::string file = Save("", table, 17);
  const SettingsFile back = SettingsFile::FromBytes(std::vector<std::uint8_t>(file.begin(), file.end()));
  ReminderTable loaded;
  EXPECT_EQ(LoadReminders(back, loaded), 15);
  EXPECT_EQ(loaded.slot(15).TipText, u"rp");
}

TEST(SettingsSave, SavedGeometryAndFractionsReadBack) {
  ReminderTable table;
  table.slot(1) = Reminder(u"after", u"One Time", 0);
  table.slot(1).DueSeconds = u"87000.25";
  SettingsFile file;
  SettingTexts texts;
  for (int k = 0; k < kSettingCount; ++k) texts[k] = SettingKeyName(k);
  WriteSettings(texts, TwipRect{-120, 1440, 9000, 6000}, table, 1, file);
  const StartupState s = DecideStartup(file, u"C:\\Tools", kNow);
  ASSERT_TRUE(s.main_window.has_value());
  EXPECT_EQ(s.main_window->left, -120);
  EXPECT_EQ(s.main_window->top, 1440);
  EXPECT_EQ(s.texts[kForm1Top], u"1440");  // the sign blank is dropped on reading
  EXPECT_EQ(s.reminders.slot(1).DueSeconds, u"87000.25");
}

TEST(SettingsSave, AFailedSaveIsToldOnce) {
  SaveFailureNotice notice;
  EXPECT_FALSE(notice.MessageFor(true, u"C:\\x\\Wexrad.txt").has_value());
  const auto first = notice.MessageFor(false, u"C:\\x\\Wexrad.txt");
  ASSERT_TRUE(first.has_value());
  EXPECT_NE(first->find(u"C:\\x\\Wexrad.txt"), std::u16string::npos);
  EXPECT_FALSE(notice.MessageFor(false, u"C:\\x\\Wexrad.txt").has_value());
}

}  // namespace
}  // namespace tracker
