#pragma once
// The options dialog `options` on the form layer: three tabs (General, Custom, Sound), Apply and Cancel,
// and the "Option" menu with Apply on F5. Its controls mirror the options model; Apply writes the main
// window's members through it and writes or deletes the run-at-log-on value. The sound controls are
// read live by the alarm player.
#include <array>
#include <functional>
#include <vector>
#include <string>

#include "platform/forms/forms.h"
#include "tracker/dialogs/options_model.h"
#include "tracker/main/shutdown_time.h"

namespace tracker {

struct OptionsEnvironment {
  OptionsMembers* members = nullptr;
  std::u16string program_folder;
  // The count of wave-out devices (waveOutGetNumDevs in the program; tests give 0 or 1).
  std::function<unsigned()> wave_devices;
  // The main window's place in twips, where the dialog opens beside.
  std::function<void(double& left, double& top)> main_place;
  // After Apply wrote the members.
  std::function<void()> on_apply;
  // "&Browse...": the sound file picker, modal over the dialog.
  std::function<void()> browse;
};

class OptionsWindow final : public forms::Form {
 public:
  explicit OptionsWindow(OptionsEnvironment environment);

  // The Options command: modeless.
  void ShowOptions();
  // "&Shutdown Computer" and "Shutdown Computer Now": the dialog with its shutdown box checked and the
  // preset's lists.
  void ShowForShutdown(const ShutdownPreset& preset, bool retitle);

  // The controls as the model sees them, and the alarm's live reading of the sound controls.
  OptionsControls ReadControls();
  SoundChoice CurrentSound();
  void Apply();
  void Cancel() { Hide(); }

  // Controls, for the tests; touching one loads the dialog, hidden, as its first use does.
  forms::TabStrip& tabs() { hwnd(); return *tab_strip_; }
  forms::CheckBox& shutdown_box() { hwnd(); return *check4_; }
  forms::ComboBox& hour_list() { hwnd(); return *combo4_; }
  forms::ComboBox& minute_list() { hwnd(); return *combo5_; }
  forms::CheckBox& auto_start_box() { hwnd(); return *check1_; }
  forms::OptionButton& speaker_option() { hwnd(); return *option1_; }
  forms::OptionButton& system_option() { hwnd(); return *option2_; }
  forms::OptionButton& file_option() { hwnd(); return *option3_; }
  forms::ComboBox& tune_list() { hwnd(); return *combo1_; }
  forms::ComboBox& system_sound_list() { hwnd(); return *combo2_; }
  forms::ComboBox& file_box() { hwnd(); return *combo3_; }
  forms::Button& browse_button() { hwnd(); return *browse_; }
  forms::Button& apply_button() { hwnd(); return *cmd_ok_; }
  forms::Button& set_default_button() { hwnd(); return *set_default_; }
  forms::Button& restore_button() { hwnd(); return *restore_; }
  forms::TextBox& content_box(int n) { hwnd(); return *contents_.at(static_cast<std::size_t>(n)); }
  forms::TextBox& tip_box(int n) { hwnd(); return *tips_.at(static_cast<std::size_t>(n)); }
  forms::ComboBox& interval_box() { hwnd(); return *interval_; }
  bool browse_offered() const { return browse_visible_; }
  bool auto_start_offered() const { return check1_visible_; }
  // The controls shown on tab index (0 General, 1 Custom, 2 Sound).
  bool TabShows(int index, const forms::Control& control) const;
  forms::MenuTable& menu() { return menu_; }

 protected:
  void OnLoad() override;
  void OnMenuCommand(int command) override;

 private:
  void ShowTab(int index);
  void ShowControls(const OptionsControls& controls);
  void EnableSoundLists();
  static void SelectText(forms::ComboBox& list, const std::u16string& text);

  OptionsEnvironment environment_;
  forms::MenuTable menu_;
  std::array<std::vector<forms::Control*>, 3> pages_;
  forms::TabStrip* tab_strip_ = nullptr;
  forms::CheckBox* check1_ = nullptr;
  forms::CheckBox* check2_ = nullptr;
  forms::CheckBox* check3_ = nullptr;
  forms::CheckBox* check4_ = nullptr;
  forms::CheckBox* check5_ = nullptr;
  forms::ComboBox* combo4_ = nullptr;
  forms::ComboBox* combo5_ = nullptr;
  forms::ComboBox* interval_ = nullptr;
  std::array<forms::TextBox*, 4> contents_{};
  std::array<forms::TextBox*, 4> tips_{};
  forms::OptionButton* option1_ = nullptr;
  forms::OptionButton* option2_ = nullptr;
  forms::OptionButton* option3_ = nullptr;
  forms::ComboBox* combo1_ = nullptr;
  forms::ComboBox* combo2_ = nullptr;
  forms::ComboBox* combo3_ = nullptr;
  forms::Button* browse_ = nullptr;
  forms::Button* set_default_ = nullptr;
  forms::Button* restore_ = nullptr;
  forms::Button* cmd_ok_ = nullptr;
  forms::Button* cmd_cancel_ = nullptr;
  bool check1_visible_ = true;  // not offered from a floppy drive
  bool browse_visible_ = false;
  int current_tab_ = 0;
};

}  // namespace tracker
