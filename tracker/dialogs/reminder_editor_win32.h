#pragma once
// The reminder editor `Dialog` ("Set Reminder") on the form layer: the relative and absolute time boxes,
// the date lists, picker and weekday, the tip options, the seven-column list of reminders, and Add,
// Modify, Delete and "App&ly". It refuses every close; Apply hides it. Its decisions are the editor model.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/forms/forms.h"
#include "tracker/dialogs/reminder_editor_model.h"
#include "tracker/main/startup.h"

namespace tracker {

struct ReminderEditorEnvironment {
  ReminderTable* table = nullptr;       // the live reminders
  ReminderTable* edit_table = nullptr;  // the working copy
  int* intListview1 = nullptr;
  bool* blSettime = nullptr;            // true exactly while the editor is shown
  SettingTexts* texts = nullptr;        // DialogLeft, DialogTop and the custom tips
  std::function<void(double& left, double& top)> main_place;
  // A delay was added: the main window's count-down runs from now for these seconds.
  std::function<void(std::int64_t seconds)> start_countdown;
};

class ReminderEditorWindow final : public forms::Form {
 public:
  explicit ReminderEditorWindow(ReminderEditorEnvironment environment);

  // Shows the editor: modal over owner (the Set Reminder command), or modeless without one (the
  // notification-area icon).
  void ShowEditor(HWND owner);

  ReminderInputs ReadInputs();
  void ShowInputs(const ReminderInputs& inputs);
  void Add();
  void Modify();
  void Delete();
  void Apply();
  int rows() const { return rows_; }

  // Controls, for the tests; touching one loads the editor, hidden, as its first showing does.
  forms::OptionButton& after_option() { hwnd(); return *option1_; }
  forms::OptionButton& at_option() { hwnd(); return *option2_; }
  forms::ComboBox& after_hour() { hwnd(); return *sethour0_; }
  forms::ComboBox& after_minute() { hwnd(); return *setminute0_; }
  forms::ComboBox& at_hour() { hwnd(); return *sethour1_; }
  forms::ComboBox& at_minute() { hwnd(); return *setminute1_; }
  forms::ComboBox& tip_text() { hwnd(); return *combo1_; }
  forms::ComboBox& frequency() { hwnd(); return *combo_freq_; }
  forms::ComboBox& month() { hwnd(); return *combo_month_; }
  forms::ComboBox& day() { hwnd(); return *combo_day_; }
  forms::TextBox& weekday() { hwnd(); return *weekday_; }
  forms::DatePicker& picker() { hwnd(); return *picker_; }
  forms::ListView& list() { hwnd(); return *list_; }
  forms::Button& add_button() { hwnd(); return *add_; }
  forms::Button& apply_button() { hwnd(); return *apply_; }

 protected:
  void OnLoad() override;
  void OnCloseRequest() override {}  // refused: the way out is Apply

 private:
  void TimeOptionChanged();
  void MonthChanged();
  void PickerChanged();
  void AppendRow(const ReminderRecord& record, bool listed_at_open);

  ReminderEditorEnvironment environment_;
  int rows_ = 0;  // intListview1temp
  bool modifying_ = false;
  int picker_year_ = 2000;
  forms::OptionButton* option1_ = nullptr;
  forms::OptionButton* option2_ = nullptr;
  forms::ComboBox* sethour0_ = nullptr;
  forms::ComboBox* setminute0_ = nullptr;
  forms::ComboBox* sethour1_ = nullptr;
  forms::ComboBox* setminute1_ = nullptr;
  forms::ComboBox* combo_month_ = nullptr;
  forms::ComboBox* combo_day_ = nullptr;
  forms::TextBox* weekday_ = nullptr;
  forms::DatePicker* picker_ = nullptr;
  forms::ComboBox* combo1_ = nullptr;
  forms::ComboBox* combo_freq_ = nullptr;
  forms::ComboBox* setminute2_ = nullptr;
  forms::CheckBox* sound_ = nullptr;
  forms::ListView* list_ = nullptr;
  forms::Button* add_ = nullptr;
  forms::Button* modify_ = nullptr;
  forms::Button* delete_ = nullptr;
  forms::Button* apply_ = nullptr;
};

}  // namespace tracker
