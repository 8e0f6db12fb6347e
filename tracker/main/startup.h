#pragma once
// What the main window's start-up decides from the settings file and the clock, as plain data: the
// settings texts, window geometry, the run-at-log-on command, the day number, the date and clock lines,
// the activity list and the reminders. The window code only applies it.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/os/local_clock.h"
#include "tracker/main/reminder_table.h"

namespace tracker {

class SettingsFile;

// The 30 settings keys in reading and writing order.
enum SettingKey : int {
  kShowMemo, kAutoStart, kAtTaskbar, kAutoSound,
  kCustomContent1, kCustomContent2, kCustomContent3, kCustomContent4,
  kCustomTip1, kCustomTip2, kCustomTip3, kCustomTip4,
  kDefaultSound, kComboSoundInterval,
  kMemoTop, kMemoLeft, kMemoHeight, kMemoWidth,
  kForm1Top, kForm1Left, kForm1Height, kForm1Width,
  kTableTop, kTableLeft, kTableHeight, kTableWidth,
  kTipTop, kTipLeft, kDialogTop, kDialogLeft,
  kSettingCount
};

// "SM", "AutoStart" ... "DialogLeft".
const char16_t* SettingKeyName(int key);

// Each setting's text between start-up and save; a text equal to its own key name holds no value.
using SettingTexts = std::array<std::u16string, kSettingCount>;

// Window position and size in twips.
struct TwipRect {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
};

// The main window as designed.
constexpr TwipRect kDesignedMainWindow{1695, 1500, 8715, 6045};

struct StartupState {
  SettingTexts texts;
  bool main_window_hidden = false;  // "AtTaskbar" is 1
  bool show_memo = false;           // "SM" is 1
  double intTempMemoTop = 0, intTempMemoLeft = 0, intTempMemoHeight = 0, intTempMemoWidth = 0;
  double intTempTableTop = 0, intTempTableLeft = 0, intTempTableHeight = 0, intTempTableWidth = 0;
  // The stored main-window geometry, when it is to be applied (a stored top that reads as a number other
  // than 0, and a positive width and height); the window code also requires it to meet a screen.
  std::optional<TwipRect> main_window;
  // The quoted program path for the run-at-log-on value, when "AutoStart" is 1.
  std::optional<std::u16string> run_at_logon;
  std::u16string weekday_text;  // " Sunday" to " Saturday"
  std::int64_t intDate = 0;     // today's day number (DayNumber)
  std::u16string date_line;     // "Today is ..."
  std::u16string clock_text;    // the time in "short time"
  std::vector<std::u16string> activities;
  std::u16string activity_text = u"Work";
  ReminderTable reminders;
  int intListview1 = 0;
};

// The run-at-log-on value: under the current user's Run key (the machine's needs an administrator).
inline constexpr char16_t kRunKey[] = u"software\\microsoft\\windows\\currentversion\\run";
inline constexpr char16_t kRunValueName[] = u"pendulo.exe";

// The run-at-log-on value's data: the quoted path of pendulo.exe in the program folder.
std::u16string RunAtLogonCommand(const std::u16string& program_folder);

// The built-in activities, after the user's own, and the web-search presets.
const std::vector<std::u16string>& BuiltInActivities();
const std::vector<std::u16string>& WebSearchPresets();

// program_folder as the runtime reports it (a drive root ends in a backslash).
StartupState DecideStartup(const SettingsFile& file, const std::u16string& program_folder,
                           const os::LocalDateTime& now);

// "Today is" + weekday + ", " + long date, or "Today is " + long date when the long date names the day
// itself.
std::u16string DateLine(const std::u16string& weekday_text, const std::u16string& long_date);
bool LongDateNamesWeekday(const std::u16string& weekday_text, const std::u16string& long_date);

// The settings file's path: the folder + "\Wexrad.txt".
std::u16string SettingsPath(const std::u16string& program_folder);

// Writes the 30 settings (the main window's geometry in twips, with its sign place) and the reminders,
// as the save at closing does.
void WriteSettings(const SettingTexts& texts, const TwipRect& main_window, const ReminderTable& reminders,
                   int slots_in_use, SettingsFile& file);

// A save that cannot write its file is told once per run, naming the path.
class SaveFailureNotice {
 public:
  std::optional<std::u16string> MessageFor(bool saved, const std::u16string& path);

 private:
  bool told_ = false;
};

}  // namespace tracker
