#include "tracker/main/startup.h"

#include "tracker/main/numeric_value.h"
#include "tracker/main/reminder_dates.h"
#include "tracker/main/settings_file.h"

namespace tracker {
namespace {

constexpr const char16_t* kKeyNames[kSettingCount] = {
    u"SM",           u"AutoStart",     u"AtTaskbar",      u"AutoSound",      u"CustomContent1",
    u"CustomContent2", u"CustomContent3", u"CustomContent4", u"CustomTip1",  u"CustomTip2",
    u"CustomTip3",   u"CustomTip4",    u"DefaultSound",   u"ComboSoundInterval", u"MemoTop",
    u"MemoLeft",     u"MemoHeight",    u"MemoWidth",      u"Form1Top",       u"Form1Left",
    u"Form1Height",  u"Form1Width",    u"TableTop",       u"TableLeft",      u"TableHeight",
    u"TableWidth",   u"TipTop",        u"TipLeft",        u"DialogTop",      u"DialogLeft"};

bool HoldsKeyName(const SettingTexts& texts, int key) { return texts[key] == kKeyNames[key]; }

}  // namespace

const char16_t* SettingKeyName(int key) { return kKeyNames[key]; }

const std::vector<std::u16string>& BuiltInActivities() {
  static const std::vector<std::u16string> list = {u"Study",       u"Work",   u"On the Web",
                                                   u"Take a rest", u"Sports", u"Play games"};
  return list;
}

const std::vector<std::u16string>& WebSearchPresets() {
  static const std::vector<std::u16string> list = {
      u"weather tomorrow",       u"naughty by nature", u"russian launch keys",
      u"sunan international airport", u"sword of truth anime", u"colossal squid",
      u"time zone converter",    u"prius",             u"walmart"};
  return list;
}

std::u16string RunAtLogonCommand(const std::u16string& program_folder) {
  std::u16string command = program_folder;
  if (command.empty() || command.back() != u'\\') command += u'\\';
  command += u"pendulo.exe";
  // Quoted, so that a folder with blanks in its name cannot start another program.
  return u"\"" + command + u"\"";
}

std::u16string SettingsPath(const std::u16string& program_folder) { return program_folder + u"\\Wexrad.txt"; }

bool LongDateNamesWeekday(const std::u16string& weekday_text, const std::u16string& long_date) {
  const std::u16string first3 = long_date.substr(0, 3);
  if (weekday_text.size() >= 4 && weekday_text.substr(0, 4) == u" " + first3) return true;
  for (const char16_t* name : {u"Mit", u"mer", u"jeu", u"Don", u"ven", u"Fre", u"lun", u"mar", u"Die", u"Sam",
                               u"Son", u"dim", u"sam"}) {
    if (first3 == name) return true;
  }
  return false;
}

std::u16string DateLine(const std::u16string& weekday_text, const std::u16string& long_date) {
  if (LongDateNamesWeekday(weekday_text, long_date)) return u"Today is " + long_date;
  return u"Today is" + weekday_text + u", " + long_date;
}

StartupState DecideStartup(const SettingsFile& file, const std::u16string& program_folder,
                           const os::LocalDateTime& now) {
  StartupState state;
  SettingTexts& t = state.texts;
  for (int k = 0; k < kSettingCount; ++k) t[k] = file.Read(kSettingsSection, kKeyNames[k], kKeyNames[k]);

  state.main_window_hidden = IsFlagSet(t[kAtTaskbar]);

  // Only the top key tells whether a window's place was ever stored.
  if (!HoldsKeyName(t, kMemoTop)) {
    state.intTempMemoTop = NumericValue(t[kMemoTop]);
    state.intTempMemoLeft = NumericValue(t[kMemoLeft]);
    state.intTempMemoHeight = NumericValue(t[kMemoHeight]);
    state.intTempMemoWidth = NumericValue(t[kMemoWidth]);
  }
  if (!HoldsKeyName(t, kTableTop)) {
    state.intTempTableTop = NumericValue(t[kTableTop]);
    state.intTempTableLeft = NumericValue(t[kTableLeft]);
    state.intTempTableHeight = NumericValue(t[kTableHeight]);
    state.intTempTableWidth = NumericValue(t[kTableWidth]);
  }
  if (HoldsKeyName(t, kTipTop)) t[kTipTop] = t[kTipLeft] = u"4000";
  if (HoldsKeyName(t, kDialogTop)) t[kDialogTop] = t[kDialogLeft] = u"0";

  if (!HoldsKeyName(t, kForm1Top) && NumericValue(t[kForm1Top]) != 0) {
    const TwipRect stored{NumericValue(t[kForm1Left]), NumericValue(t[kForm1Top]), NumericValue(t[kForm1Width]),
                          NumericValue(t[kForm1Height])};
    // A window of no size cannot be used; such a file keeps the designed geometry.
    if (stored.width > 0 && stored.height > 0) state.main_window = stored;
  }

  state.show_memo = IsFlagSet(t[kShowMemo]);

  if (IsFlagSet(t[kAutoStart])) state.run_at_logon = RunAtLogonCommand(program_folder);

  state.weekday_text = WeekdayText(now.weekday);
  state.intDate = DayNumber(now.year, now.month, now.day);
  state.date_line = DateLine(state.weekday_text, os::FormatNamed(now, os::NamedFormat::kLongDate));
  state.clock_text = os::FormatNamed(now, os::NamedFormat::kShortTime);

  for (int k = 0; k < 4; ++k) {
    const std::u16string& content = t[kCustomContent1 + k];
    if (content.empty() || HoldsKeyName(t, kCustomContent1 + k)) continue;
    state.activities.push_back(content);
    if (k == 0) state.activity_text = content;
  }
  for (const auto& activity : BuiltInActivities()) state.activities.push_back(activity);

  state.intListview1 = LoadReminders(file, state.reminders);
  return state;
}

void WriteSettings(const SettingTexts& texts, const TwipRect& main_window, const ReminderTable& reminders,
                   int slots_in_use, SettingsFile& file) {
  SettingTexts out = texts;
  out[kForm1Top] = SignedNumberText(main_window.top);
  out[kForm1Left] = SignedNumberText(main_window.left);
  out[kForm1Height] = SignedNumberText(main_window.height);
  out[kForm1Width] = SignedNumberText(main_window.width);
  for (int k = 0; k < kSettingCount; ++k) file.Write(kSettingsSection, kKeyNames[k], out[k]);
  SaveReminders(reminders, slots_in_use, file);
}

std::optional<std::u16string> SaveFailureNotice::MessageFor(bool saved, const std::u16string& path) {
  if (saved || told_) return std::nullopt;
  told_ = true;
  return u"Pendulo could not save its settings to \"" + path + u"\". Changes made in this run are not kept.";
}

}  // namespace tracker
