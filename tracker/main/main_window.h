#pragma once
// The tracker's main window `Form1`: start-up from the settings file, the clock, the activity counter
// and its record list, the clock modes and date tools, and the save when the window closes.
#include <functional>
#include <memory>
#include <string>

#include "platform/forms/forms.h"
#include "tracker/main/activity_counter.h"
#include "tracker/main/clock_modes.h"
#include "tracker/main/startup.h"
#include "tracker/dialogs/about_box_win32.h"
#include "tracker/dialogs/memo_window_win32.h"
#include "tracker/dialogs/options_window_win32.h"
#include "tracker/dialogs/reminder_editor_win32.h"
#include "tracker/dialogs/reminder_popup_win32.h"
#include "tracker/dialogs/sound_picker_win32.h"
#include "tracker/main/one_second_timer.h"
#include "tracker/main/alarm_sound.h"
#include "tracker/records/record_keeper_win32.h"

namespace tracker {

class MainWindow final : public forms::Form {
 public:
  // program_folder: where the settings file lives (the program's own folder in Pendulo.exe).
  explicit MainWindow(std::u16string program_folder);
  ~MainWindow() override;

  // Runs the start-up: the settings file, the window's place, the run-at-log-on value, the lists.
  void StartUp();
  // Writes the settings file; false when it could not be written (the user is told once per run).
  bool SaveSettings();
  // Runs one tick of the clock (the one-second timer calls it with the system's clock).
  void Tick();

  // The alarm as the options choose it now, through the sound back end.
  void PlayAlarm();
  // Shows a reminder's pop-up for slot (1 to 20) modally, after its sound when the slot has one on.
  void ShowReminder(int slot);

  // Seams the tests replace before start-up: where sounds go, and the count of wave-out devices.
  void SetSoundBackend(SoundBackend* backend) { sound_ = backend; }
  std::function<unsigned()> count_wave_devices;
  // Documentation: WinHelpW on the program's help file with a partial key (its own index).
  std::function<void(const std::u16string& help_file)> show_help;

  // Controls and state, for the tests.
  forms::ListView& records() { return *list_view1_; }
  forms::StatusBar& status_bar() { return *status_bar1_; }
  forms::Toolbar& toolbar() { return *toolbar1_; }
  forms::MenuTable& menu() { return menu_; }
  forms::TextBox& start_box() { return *text1_; }
  forms::TextBox& clock_box() { return *text2_; }
  forms::TextBox& pass_box() { return *text3_; }
  forms::TextBox& remark_box() { return *text5_; }
  forms::TextBox& rate_box() { return *text6_; }
  forms::ComboBox& activity_box() { return *combo1_; }
  forms::Label& date_label() { return *label4_; }
  const StartupState& startup() const { return state_; }
  const std::u16string& settings_path() const { return settings_path_; }
  const ActivityCounter& counter() const { return counter_; }
  // The record list's unseen data, the store and the record table (there from start-up on).
  RecordKeeper* records_keeper() { return keeper_.get(); }
  // What a failed Save to Record Table handed over for the memo, until the memo takes it.
  const std::u16string& memo_text_waiting() const { return memo_text_waiting_; }
  OptionsWindow& options() { return *options_; }
  ReminderPopup& reminder_popup() { return *popup_; }
  ReminderEditorWindow& reminder_editor() { return *editor_; }
  MemoWindow& memo() { return *memo_; }
  AboutBox& about_box() { return *about_; }
  SoundPicker& sound_picker() { return *picker_; }
  forms::ComboBox& search_box() { return *combo_baidu_; }
  forms::TextBox& last_search_box() { return *text_baidu_; }
  forms::Button& search_button() { return *cmd_baidu_; }
  forms::Picture& search_picture() { return *picture1_; }
  bool blSettime() const { return blSettime_; }
  // The count-down of the main window (`Text4`).
  forms::TextBox& inverse_box() { return *text4_; }
  OneSecondTimer* timer() { return timer_.get(); }
  int reminders_in_use() const { return state_.intListview1; }
  OptionsMembers& options_members() { return options_members_; }
  ReminderTable& reminders() { return state_.reminders; }
  ReminderRepeatCounts& repeat_counts() { return repeat_counts_; }
  bool tray_icon_shown() const { return TrayIconShown_; }
  // The moment (absolute seconds) an armed shutdown is due.
  double shutdown_due() const { return shutdown_due_; }

 protected:
  void OnLoad() override;
  void OnMenuCommand(int command) override;
  void OnCloseRequest() override;
  void OnResize() override;
  void OnTimer(UINT_PTR id) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

 private:
  void StartCount();
  void PauseCount();
  void StopCount();
  void ChooseMode(ClockMode mode);
  void ApplyCounterCommands();
  void OnToolbarKey(const std::u16string& key);
  void CalculateDate();
  void AdjustDateTime();
  void CloseToTray();
  void Quit();
  bool HasUnsavedRows();
  bool TrayRequest(DWORD action);
  void AddTrayIcon();
  void DeleteTrayIcon();
  void OpenTrayMenu();
  void ArmShutdown();
  void SaveToRecordTable();
  void ShowRecordTable();
  // The record list's events and commands.
  bool AnyRowSelected() const;
  void SetSelectionCommands(bool enabled);
  void OnListClick();
  void OnListFocus();
  void OnListRightClick();
  void ModifySelectedRecords();
  void DeleteSelectedRecords();
  void DeleteAllRecords();
  void RemoveListRow(int row);
  void ShowReminderEditor(bool modal);
  void ShowMemo(bool hide_main);
  void InsertIntoMemo(const std::u16string& text);
  void ShowTickDisplay(const TickDisplay& display);
  void Search();
  class TimerEffects;
  friend class TimerEffects;

  std::u16string program_folder_;
  std::u16string settings_path_;
  StartupState state_;
  ActivityCounter counter_;
  ClockModeState mode_;
  int current_row_ = -1;
  std::int32_t count_start_seconds_ = 0;  // the running count's start, seconds after midnight
  std::unique_ptr<RecordKeeper> keeper_;
  std::u16string memo_text_waiting_;
  int intRecordCount = 0;
  std::u16string last_caption_;
  SaveFailureNotice save_notice_;
  bool ended_ = false;

  // The notification area.
  UINT taskbar_created_ = 0;
  bool TrayIconShown_ = false;
  bool tray_confirmed_ = false;
  int tray_retries_ = 0;

  // The dialogs and what they share with the main window.
  OptionsMembers options_members_;
  std::unique_ptr<OptionsWindow> options_;
  ReminderTable edit_table_;
  ReminderRepeatCounts repeat_counts_;
  std::unique_ptr<ReminderPopup> popup_;
  std::unique_ptr<ReminderEditorWindow> editor_;
  std::unique_ptr<MemoWindow> memo_;
  std::unique_ptr<AboutBox> about_;
  std::unique_ptr<SoundPicker> picker_;
  std::unique_ptr<OneSecondTimer> timer_;
  bool blSettime_ = false;
  std::unique_ptr<SoundBackend> system_sound_;
  SoundBackend* sound_ = nullptr;
  double shutdown_due_ = 0;

  forms::MenuTable menu_;
  forms::Toolbar* toolbar1_ = nullptr;
  forms::StatusBar* status_bar1_ = nullptr;
  forms::Frame* frame1_ = nullptr;
  forms::Label* label4_ = nullptr;
  forms::Picture* picture1_ = nullptr;
  forms::TextBox* text1_ = nullptr;
  forms::TextBox* text2_ = nullptr;
  forms::TextBox* text3_ = nullptr;
  forms::TextBox* text4_ = nullptr;
  forms::TextBox* text5_ = nullptr;
  forms::TextBox* text6_ = nullptr;
  forms::ComboBox* combo1_ = nullptr;
  forms::ComboBox* combo_baidu_ = nullptr;
  forms::TextBox* text_baidu_ = nullptr;
  forms::Button* cmd_baidu_ = nullptr;
  forms::ListView* list_view1_ = nullptr;
};

}  // namespace tracker
