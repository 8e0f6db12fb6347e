// The options dialog as data: loading from the main window's members, Apply, Set Default and Restore.
#include "tracker/dialogs/options_model.h"

#include <gtest/gtest.h>

#include <string>

namespace tracker {
namespace {

using Option = SoundChoice::Option;

SettingTexts FirstRunTexts() {
  SettingTexts texts;
  for (int k = 0; k < kSettingCount; ++k) texts[k] = SettingKeyName(k);
  return texts;
}

struct Members {
  SettingTexts texts = FirstRunTexts();
  OptionsMembers members;
  Members() { members.texts = &texts; }
};

TEST(OptionsModel, Lists) {
  const auto hours = HourItems();
  ASSERT_EQ(hours.size(), 24u);
  EXPECT_EQ(hours.front(), u"00");
  EXPECT_EQ(hours.back(), u"23");
  const auto minutes = MinuteItems();
  ASSERT_EQ(minutes.size(), 68u);
  const char16_t* first[] = {u"20", u"25", u"30", u"35", u"40", u"45", u"50", u"55", u"00", u"01"};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(minutes[i], first[i]);
  EXPECT_EQ(minutes.back(), u"59");
  const auto intervals = IntervalItems();
  ASSERT_EQ(intervals.size(), 180u);
  EXPECT_EQ(intervals[0], u"01");
  EXPECT_EQ(intervals[9], u"10");
  EXPECT_EQ(intervals.back(), u"180");
}

TEST(OptionsModel, FirstRunLoad) {
  Members m;
  const OptionsControls c = LoadOptions(m.members, 14, 1, u"C:\\Tools");
  for (const auto& text : c.contents) EXPECT_EQ(text, u"");
  for (const auto& text : c.tips) EXPECT_EQ(text, u"");
  EXPECT_EQ(c.interval, u"60");
  EXPECT_EQ(c.sound.selected, Option::kSystemSound);
  EXPECT_EQ(c.system_sound, u"MailBeep");
  EXPECT_EQ(c.sound.tune, u"Quick");
  EXPECT_EQ(c.sound.sound_file, u"*.wav");
  EXPECT_EQ(c.hour, u"14");
  EXPECT_EQ(c.minute, u"00");
  EXPECT_FALSE(c.shutdown_checked);
  EXPECT_FALSE(c.browse_visible);
  EXPECT_TRUE(c.auto_start_visible);
  EXPECT_TRUE(c.system_enabled && c.file_enabled && c.speaker_enabled);
}

TEST(OptionsModel, EverySoundChoiceCodeLoads) {
  struct Case {
    std::u16string code;
    unsigned devices;
    Option option;
    const char16_t* tune;
    const char16_t* system_sound;
    const char16_t* file;
    bool browse;
  } const cases[] = {
      {u"1", 1, Option::kSpeaker, u"Quick", u"MailBeep", u"*.wav", false},
      {u"2", 1, Option::kSpeaker, u"Music", u"MailBeep", u"*.wav", false},
      {u"DefaultSound", 1, Option::kSystemSound, u"Quick", u"MailBeep", u"*.wav", false},
      {u"4", 1, Option::kSystemSound, u"Quick", u"Navigating", u"*.wav", false},
      {u"5", 1, Option::kSystemSound, u"Quick", u"SystemHand", u"*.wav", false},
      {u"6", 1, Option::kSystemSound, u"Quick", u"SystemStart", u"*.wav", false},
      {u"C:\\My Sounds\\ring.wav", 1, Option::kSoundFile, u"Quick", u"MailBeep", u"C:\\My Sounds\\ring.wav", true},
      {u"3", 1, Option::kSoundFile, u"Quick", u"MailBeep", u"3", true},
      // No wave device: the speaker, unless a stored code selects another option.
      {u"DefaultSound", 0, Option::kSpeaker, u"Quick", u"MailBeep", u"*.wav", false},
      {u"5", 0, Option::kSystemSound, u"Quick", u"SystemHand", u"*.wav", false},
  };
  for (const auto& c : cases) {
    Members m;
    m.texts[kDefaultSound] = c.code;
    const OptionsControls o = LoadOptions(m.members, 9, c.devices, u"C:\\");
    const std::string name(c.code.begin(), c.code.end());
    EXPECT_EQ(o.sound.selected, c.option) << name;
    EXPECT_EQ(o.sound.tune, c.tune) << name;
    EXPECT_EQ(o.system_sound, c.system_sound) << name;
    EXPECT_EQ(o.sound.sound_file, c.file) << name;
    EXPECT_EQ(o.browse_visible, c.browse) << name;
    EXPECT_EQ(o.system_enabled, c.devices > 0) << name;
    EXPECT_EQ(o.file_enabled, c.devices > 0) << name;
  }
}

TEST(OptionsModel, FlagsCustomTextsAndIntervalLoad) {
  Members m;
  m.texts[kShowMemo] = u"1";
  m.texts[kAutoStart] = u" 1";
  m.texts[kAutoSound] = u"0";
  m.texts[kAtTaskbar] = u"1.0";
  m.texts[kCustomContent2] = u"Reading";
  m.texts[kCustomTip4] = u"";
  m.texts[kComboSoundInterval] = u"15";
  const OptionsControls c = LoadOptions(m.members, 0, 1, u"a:\\");
  EXPECT_TRUE(c.show_memo_checked);
  EXPECT_TRUE(c.auto_start_checked);
  EXPECT_FALSE(c.auto_sound_checked);
  EXPECT_TRUE(c.hidden_checked);
  EXPECT_EQ(c.contents[1], u"Reading");
  EXPECT_EQ(c.contents[0], u"");
  EXPECT_EQ(c.tips[3], u"");
  EXPECT_EQ(c.interval, u"15");
  EXPECT_EQ(c.hour, u"00");
  EXPECT_FALSE(c.auto_start_visible);  // a floppy drive does not start with Windows
}

TEST(OptionsModel, ApplyWritesTheMembers) {
  Members m;
  m.members.timeShutoff = 1234;
  OptionsControls c = LoadOptions(m.members, 9, 1, u"C:\\");
  c.contents = {u"A", u"", u"C", u"D"};
  c.tips[0] = u"Stand up";
  c.interval = u"abc";  // stored as typed
  c.hidden_checked = true;
  c.show_memo_checked = false;
  c.auto_sound_checked = true;
  c.system_sound = u"SystemStart";
  c.auto_start_checked = true;
  EXPECT_EQ(ApplyOptions(c, m.members), RunValueAction::kWrite);
  EXPECT_EQ(m.texts[kCustomContent1], u"A");
  EXPECT_EQ(m.texts[kCustomContent2], u"");  // an empty box stores the empty text
  EXPECT_EQ(m.texts[kCustomTip1], u"Stand up");
  EXPECT_EQ(m.texts[kComboSoundInterval], u"abc");
  EXPECT_EQ(m.texts[kAtTaskbar], u"1");
  EXPECT_EQ(m.texts[kShowMemo], u"0");
  EXPECT_EQ(m.texts[kAutoSound], u"1");
  EXPECT_EQ(m.texts[kAutoStart], u"1");
  EXPECT_EQ(m.members.sysSound, u"SystemStart");
  EXPECT_EQ(m.members.autoShutoff, u"0");
  EXPECT_EQ(m.members.timeShutoff, 1234);  // unchecked: kept

  // The next load shows the empty box again.
  const OptionsControls again = LoadOptions(m.members, 9, 1, u"C:\\");
  EXPECT_EQ(again.contents[1], u"");
}

TEST(OptionsModel, ApplyArmsTheShutdown) {
  struct Case {
    const char16_t* hour;
    const char16_t* minute;
    std::int32_t seconds;
  } const cases[] = {{u"23", u"59", 86340}, {u"00", u"00", 0}, {u"12", u"20", 44400}};
  for (const auto& c : cases) {
    Members m;
    OptionsControls o = LoadOptions(m.members, 9, 1, u"C:\\");
    o.shutdown_checked = true;
    o.hour = c.hour;
    o.minute = c.minute;
    o.auto_start_checked = false;
    EXPECT_EQ(ApplyOptions(o, m.members), RunValueAction::kDelete);
    EXPECT_EQ(m.members.autoShutoff, u"1");
    EXPECT_EQ(m.members.timeShutoff, c.seconds);
    EXPECT_EQ(m.texts[kAutoStart], u"0");
  }
}

TEST(OptionsModel, SetDefaultAndRestore) {
  struct Case {
    const char* name;
    Option option;
    const char16_t* tune;
    const char16_t* system_sound;
    const char16_t* file;
    const char16_t* code;
  } const cases[] = {
      {"music", Option::kSpeaker, u"Music", u"MailBeep", u"*.wav", u"2"},
      {"quick", Option::kSpeaker, u"Quick", u"MailBeep", u"*.wav", u"1"},
      {"mailbeep", Option::kSystemSound, u"Quick", u"MailBeep", u"*.wav", u"DefaultSound"},
      {"navigating", Option::kSystemSound, u"Quick", u"Navigating", u"*.wav", u"4"},
      {"hand", Option::kSystemSound, u"Quick", u"SystemHand", u"*.wav", u"5"},
      {"start", Option::kSystemSound, u"Quick", u"SystemStart", u"*.wav", u"6"},
      {"a path", Option::kSoundFile, u"Quick", u"MailBeep", u"C:\\a b\\ring.mid", u"C:\\a b\\ring.mid"},
      {"pattern left", Option::kSoundFile, u"Quick", u"MailBeep", u"*.wav", u"before"},
      {"pattern mid", Option::kSoundFile, u"Quick", u"MailBeep", u"*.mid", u"before"},
      {"pattern rmi", Option::kSoundFile, u"Quick", u"MailBeep", u"*.rmi", u"before"},
      {"pattern all", Option::kSoundFile, u"Quick", u"MailBeep", u"*.*", u"before"},
      {"none", Option::kNone, u"Music", u"MailBeep", u"x.wav", u"before"},
  };
  for (const auto& c : cases) {
    Members m;
    m.texts[kDefaultSound] = u"before";
    OptionsControls o;
    SelectSoundOption(o, c.option);
    o.sound.tune = c.tune;
    o.system_sound = c.system_sound;
    o.sound.sound_file = c.file;
    SetDefaultSound(o, m.texts);
    EXPECT_EQ(m.texts[kDefaultSound], c.code) << c.name;

    RestoreDefaultSound(o, m.texts);
    EXPECT_EQ(o.sound.selected, Option::kSystemSound) << c.name;
    EXPECT_EQ(o.system_sound, u"MailBeep") << c.name;
    EXPECT_FALSE(o.browse_visible) << c.name;
    EXPECT_EQ(m.texts[kDefaultSound], u"DefaultSound") << c.name;
  }
}

}  // namespace
}  // namespace tracker
