#include "tracker/dialogs/options_model.h"

#include "tracker/main/numeric_value.h"
#include "tracker/main/shutdown_time.h"

namespace tracker {
namespace {

constexpr int kCustomContentKeys[4] = {kCustomContent1, kCustomContent2, kCustomContent3, kCustomContent4};
constexpr int kCustomTipKeys[4] = {kCustomTip1, kCustomTip2, kCustomTip3, kCustomTip4};
constexpr int kHours = 24;
constexpr int kMinutes = 60;
constexpr int kFirstFiveMinuteMark = 20;
constexpr int kLastFiveMinuteMark = 55;
constexpr int kLongestInterval = 180;
constexpr char16_t kDefaultInterval[] = u"60";

// The sound-choice codes of DefaultSound.
constexpr char16_t kCodeQuick[] = u"1";
constexpr char16_t kCodeMusic[] = u"2";
struct SystemSoundCode {
  const char16_t* code;
  const char16_t* alias;
};
constexpr SystemSoundCode kSystemSoundCodes[] = {
    {u"DefaultSound", u"MailBeep"}, {u"4", u"Navigating"}, {u"5", u"SystemHand"}, {u"6", u"SystemStart"}};

bool HoldsKeyName(const SettingTexts& texts, int key) { return texts[key] == SettingKeyName(key); }

std::u16string ValueOrEmpty(const SettingTexts& texts, int key) {
  return HoldsKeyName(texts, key) ? std::u16string() : texts[key];
}

bool IsFilePattern(const std::u16string& text) {
  for (const char16_t* pattern : kFilePatternItems) {
    if (text == pattern) return true;
  }
  return false;
}

}  // namespace

std::vector<std::u16string> HourItems() {
  std::vector<std::u16string> items;
  for (int h = 0; h < kHours; ++h) items.push_back(TwoDigits(h));
  return items;
}

std::vector<std::u16string> MinuteItems() {
  std::vector<std::u16string> items;
  for (int m = kFirstFiveMinuteMark; m <= kLastFiveMinuteMark; m += 5) items.push_back(TwoDigits(m));
  for (int m = 0; m < kMinutes; ++m) items.push_back(TwoDigits(m));
  return items;
}

std::vector<std::u16string> IntervalItems() {
  std::vector<std::u16string> items;
  for (int m = 1; m <= kLongestInterval; ++m) items.push_back(m < 10 ? TwoDigits(m) : NumberText(m));
  return items;
}

void SelectSoundOption(OptionsControls& controls, SoundChoice::Option option) {
  controls.sound.selected = option;
  controls.browse_visible = option == SoundChoice::Option::kSoundFile;
}

OptionsControls LoadOptions(const OptionsMembers& members, int current_hour, unsigned wave_devices,
                            const std::u16string& program_folder) {
  const SettingTexts& texts = *members.texts;
  OptionsControls c;
  c.hour = TwoDigits(current_hour);
  if (wave_devices < 1) {
    SelectSoundOption(c, SoundChoice::Option::kSpeaker);
    c.system_enabled = false;
    c.file_enabled = false;
  }
  c.show_memo_checked = IsFlagSet(texts[kShowMemo]);
  c.auto_start_checked = IsFlagSet(texts[kAutoStart]);
  c.auto_sound_checked = IsFlagSet(texts[kAutoSound]);
  c.hidden_checked = IsFlagSet(texts[kAtTaskbar]);
  for (int n = 0; n < 4; ++n) {
    c.contents[n] = ValueOrEmpty(texts, kCustomContentKeys[n]);
    c.tips[n] = ValueOrEmpty(texts, kCustomTipKeys[n]);
  }

  const std::u16string& code = texts[kDefaultSound];
  if (code == kCodeQuick || code == kCodeMusic) {
    SelectSoundOption(c, SoundChoice::Option::kSpeaker);
    c.sound.tune = code == kCodeMusic ? kTuneItems[0] : kTuneItems[1];
  } else {
    bool system_sound = false;
    for (const auto& entry : kSystemSoundCodes) {
      if (code != entry.code) continue;
      system_sound = true;
      // "DefaultSound" changes nothing: the list already shows "MailBeep", and a machine without a
      // wave device keeps the speaker.
      if (code != kSystemSoundCodes[0].code) {
        SelectSoundOption(c, SoundChoice::Option::kSystemSound);
        c.system_sound = entry.alias;
      }
    }
    if (!system_sound) {
      SelectSoundOption(c, SoundChoice::Option::kSoundFile);
      c.sound.sound_file = code;
    }
  }
  c.interval = HoldsKeyName(texts, kComboSoundInterval) ? std::u16string(kDefaultInterval) : texts[kComboSoundInterval];
  c.auto_start_visible = program_folder.empty() || (program_folder[0] != u'A' && program_folder[0] != u'a');
  return c;
}

RunValueAction ApplyOptions(const OptionsControls& c, OptionsMembers& members) {
  SettingTexts& texts = *members.texts;
  members.sysSound = c.system_sound;
  for (int n = 0; n < 4; ++n) {
    texts[kCustomContentKeys[n]] = c.contents[n];
    texts[kCustomTipKeys[n]] = c.tips[n];
  }
  texts[kComboSoundInterval] = c.interval;
  texts[kAtTaskbar] = c.hidden_checked ? u"1" : u"0";
  texts[kShowMemo] = c.show_memo_checked ? u"1" : u"0";
  texts[kAutoSound] = c.auto_sound_checked ? u"1" : u"0";
  if (c.shutdown_checked) {
    members.timeShutoff = ShutdownSeconds(c.hour, c.minute);
    members.autoShutoff = u"1";
  } else {
    members.autoShutoff = u"0";
  }
  texts[kAutoStart] = c.auto_start_checked ? u"1" : u"0";
  return c.auto_start_checked ? RunValueAction::kWrite : RunValueAction::kDelete;
}

void SetDefaultSound(const OptionsControls& c, SettingTexts& texts) {
  std::u16string& code = texts[kDefaultSound];
  switch (c.sound.selected) {
    case SoundChoice::Option::kSpeaker:
      if (c.sound.tune == kTuneItems[0]) code = kCodeMusic;
      if (c.sound.tune == kTuneItems[1]) code = kCodeQuick;
      break;
    case SoundChoice::Option::kSystemSound:
      for (const auto& entry : kSystemSoundCodes) {
        if (c.system_sound == entry.alias) code = entry.code;
      }
      break;
    case SoundChoice::Option::kSoundFile:
      if (!IsFilePattern(c.sound.sound_file)) code = c.sound.sound_file;
      break;
    case SoundChoice::Option::kNone:
      break;
  }
}

void RestoreDefaultSound(OptionsControls& c, SettingTexts& texts) {
  SelectSoundOption(c, SoundChoice::Option::kSystemSound);
  c.system_sound = kDefaultSystemSound;
  texts[kDefaultSound] = kSystemSoundCodes[0].code;
}

}  // namespace tracker
