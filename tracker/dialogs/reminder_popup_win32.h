#pragma once
// The reminder pop-up `Dialogtip` on the form layer: on top of every window, the reminder's text in a
// large label, the time, date and weekday in its caption, and two answers: "&OK, I see" (also Enter,
// Esc and the close box) acknowledges the slot, the second button hides the pop-up and puts the slot off
// by its repeat minutes.
#include <string>

#include "platform/forms/forms.h"
#include "tracker/dialogs/reminder_popup_model.h"
#include "tracker/main/startup.h"

namespace tracker {

struct ReminderPopupEnvironment {
  ReminderTable* table = nullptr;
  ReminderTable* edit_table = nullptr;
  ReminderRepeatCounts* counts = nullptr;
  SettingTexts* texts = nullptr;  // TipLeft and TipTop: where the pop-up opens and was left
};

class ReminderPopup final : public forms::Form {
 public:
  explicit ReminderPopup(ReminderPopupEnvironment environment);
  ~ReminderPopup() override;

  // Shows slot (1 to 20) modally over owner and returns when it is acknowledged or put off.
  void ShowSlot(int slot, HWND owner);

  int slot() const { return slot_; }
  forms::Button& ok_button() { return *ok_; }
  forms::Button& again_button() { return *again_; }
  forms::Label& text_label() { return *label_; }
  // Either answer, as its button does.
  void Acknowledge();
  void PutOff();

 protected:
  void OnLoad() override;
  void OnCloseRequest() override { Acknowledge(); }

 private:
  ReminderPopupEnvironment environment_;
  int slot_ = 1;
  HFONT label_font_ = nullptr;
  forms::Label* label_ = nullptr;
  forms::Button* ok_ = nullptr;
  forms::Button* again_ = nullptr;
};

}  // namespace tracker
