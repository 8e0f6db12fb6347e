#pragma once
// The options dialog as data: what its controls show after loading from the main window's members,
// what Apply writes back, and the sound-choice code that Set Default and Restore keep. The window only
// mirrors these controls.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tracker/main/alarm_sound.h"
#include "tracker/main/startup.h"

namespace tracker {

// The main window's members the dialog reads and writes. The flags are the settings texts ("1" set).
struct OptionsMembers {
  SettingTexts* texts = nullptr;  // ShowMemo, AutoStart, AtTaskbar, AutoSound, the custom texts and codes
  std::u16string sysSound = kDefaultSystemSound;
  std::u16string autoShutoff = u"0";
  std::int32_t timeShutoff = 0;
};

struct OptionsControls {
  // General.
  bool shutdown_checked = false;   // Check4
  std::u16string hour = u"00";     // Combo4
  std::u16string minute = u"00";   // Combo5
  bool auto_sound_checked = false; // Check3
  std::u16string interval = u"60"; // ComboSoundInterval
  bool show_memo_checked = false;  // Check2
  bool auto_start_checked = false; // Check1
  bool auto_start_visible = true;
  bool hidden_checked = false;     // Check5
  // Custom.
  std::array<std::u16string, 4> contents;
  std::array<std::u16string, 4> tips;
  // Sound.
  SoundChoice sound;               // the selected option, Combo1's and Combo3's texts
  std::u16string system_sound = kDefaultSystemSound;  // Combo2
  bool speaker_enabled = true;     // Option1
  bool system_enabled = true;      // Option2
  bool file_enabled = true;        // Option3
  bool browse_visible = false;     // cmdSoundfile
};

// The lists: hours "00" to "23"; minutes "20" to "55" by five, then "00" to "59" (68 items); the chime
// interval "01" to "180".
std::vector<std::u16string> HourItems();
std::vector<std::u16string> MinuteItems();
std::vector<std::u16string> IntervalItems();
inline constexpr char16_t kTuneItems[2][6] = {u"Music", u"Quick"};
inline constexpr const char16_t* kSystemSoundItems[] = {u"Navigating", u"SystemHand", u"MailBeep", u"SystemStart"};
inline constexpr const char16_t* kFilePatternItems[] = {u"*.wav", u"*.mid", u"*.rmi", u"*.*"};

// The three option buttons enable their own list and disable the other two; the browse button shows
// with the file option only.
void SelectSoundOption(OptionsControls& controls, SoundChoice::Option option);

// The dialog's first loading: current_hour from the clock; wave_devices the count of wave-out devices
// (none: the speaker is chosen and the other two options are disabled); program_folder decides whether
// the start-with-Windows box is offered (not from a floppy drive).
OptionsControls LoadOptions(const OptionsMembers& members, int current_hour, unsigned wave_devices,
                            const std::u16string& program_folder);

// What Apply asks of the run-at-log-on value.
enum class RunValueAction { kWrite, kDelete };

// Apply: the members from the controls; the armed shutdown only while its box is checked.
RunValueAction ApplyOptions(const OptionsControls& controls, OptionsMembers& members);

// Set Default: the current sound choice as its code in the DefaultSound text; a file option still
// showing a pattern leaves the code as it was.
void SetDefaultSound(const OptionsControls& controls, SettingTexts& texts);
// Restore: the system sound "MailBeep", code "DefaultSound".
void RestoreDefaultSound(OptionsControls& controls, SettingTexts& texts);

}  // namespace tracker
