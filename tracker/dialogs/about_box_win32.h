#pragma once
// The About box `frmAbout`: the program's icon, name and version, a line about it, and "OK" (also
// Enter and Esc), which hides it; later openings show the same loaded box.
#include "platform/forms/forms.h"

namespace tracker {

inline constexpr char16_t kAboutTitle[] = u"Pendulo 4.50  ";

class AboutBox final : public forms::Form {
 public:
  AboutBox();
  void ShowAbout(HWND owner) { ShowModal(owner); }
  forms::Label& title() { hwnd(); return *title_; }
  forms::Button& ok_button() { hwnd(); return *ok_; }

 protected:
  void OnLoad() override;

 private:
  forms::Label* title_ = nullptr;
  forms::Button* ok_ = nullptr;
};

}  // namespace tracker
