#pragma once
// The tracker's main window `Form1`: start-up from the settings file, the clock, the activity counter
// and its record list, the clock modes and date tools, and the save when the window closes.
#include <string>

#include "platform/forms/forms.h"
#include "tracker/main/activity_counter.h"
#include "tracker/main/clock_modes.h"
#include "tracker/main/startup.h"

namespace tracker {

class MainWindow final : public forms::Form {
 public:
  // program_folder: where the settings file lives (the program's own folder in Pendulo.exe).
  explicit MainWindow(std::u16string program_folder);

  // Runs the start-up: the settings file, the window's place, the run-at-log-on value, the lists.
  void StartUp();
  // Writes the settings file; false when it could not be written (the user is told once per run).
  bool SaveSettings();
  // Runs one tick of the clock (the one-second timer calls it).
  void Tick();

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

 protected:
  void OnLoad() override;
  void OnMenuCommand(int command) override;
  void OnCloseRequest() override;
  void OnResize() override;
  void OnTimer(UINT_PTR id) override;

 private:
  void StartCount();
  void PauseCount();
  void StopCount();
  void ChooseMode(ClockMode mode);
  void ApplyCounterCommands();
  void OnToolbarKey(const std::u16string& key);
  void CalculateDate();
  void AdjustDateTime();
  void CloseAndEnd();

  std::u16string program_folder_;
  std::u16string settings_path_;
  StartupState state_;
  ActivityCounter counter_;
  ClockModeState mode_;
  int current_row_ = -1;
  int intRecordCount = 0;
  std::u16string last_caption_;
  SaveFailureNotice save_notice_;
  bool ended_ = false;

  forms::MenuTable menu_;
  forms::Toolbar* toolbar1_ = nullptr;
  forms::StatusBar* status_bar1_ = nullptr;
  forms::Frame* frame1_ = nullptr;
  forms::Label* label4_ = nullptr;
  forms::TextBox* text1_ = nullptr;
  forms::TextBox* text2_ = nullptr;
  forms::TextBox* text3_ = nullptr;
  forms::TextBox* text4_ = nullptr;
  forms::TextBox* text5_ = nullptr;
  forms::TextBox* text6_ = nullptr;
  forms::ComboBox* combo1_ = nullptr;
  forms::ComboBox* combo_baidu_ = nullptr;
  forms::ListView* list_view1_ = nullptr;
};

}  // namespace tracker
