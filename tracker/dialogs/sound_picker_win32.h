#pragma once
// The sound file picker `soundFile` ("Sound File") on the form layer: a drive list, a folder list and
// a file list of the chosen pattern. A click on a file writes its full path into the options' sound-file
// box, a double click writes it and closes the picker, "&OK" hides it (the next Browse shows the same
// folder). Drives without a medium list nothing and show no system box.
#include <functional>
#include <string>

#include "platform/forms/forms.h"

namespace tracker {

struct SoundPickerEnvironment {
  std::function<std::u16string()> read_sound_box;
  std::function<void(const std::u16string&)> write_sound_box;
  std::function<void(double& left, double& top)> main_place;
};

class SoundPicker final : public forms::Form {
 public:
  explicit SoundPicker(SoundPickerEnvironment environment);

  // Modal over the options dialog.
  void ShowPicker(HWND owner) { ShowModal(owner); }
  // Lists folder's subfolders and its files of the pattern.
  void Navigate(const std::u16string& folder);

  const std::u16string& folder() const { return folder_; }
  const std::u16string& pattern() const { return pattern_; }
  forms::ComboBox& drives() { hwnd(); return *drives_; }
  forms::ListBox& folders() { hwnd(); return *folders_; }
  forms::ListBox& files() { hwnd(); return *files_; }
  forms::Button& ok_button() { hwnd(); return *ok_; }

 protected:
  void OnLoad() override;
  void OnCloseRequest() override { Unload(); }

 private:
  void ChooseFile(bool close);
  void EnterFolder();
  void ChooseDrive();

  SoundPickerEnvironment environment_;
  std::u16string folder_;
  std::u16string pattern_ = u"*.*";
  forms::ComboBox* drives_ = nullptr;
  forms::ListBox* folders_ = nullptr;
  forms::ListBox* files_ = nullptr;
  forms::Button* ok_ = nullptr;
};

}  // namespace tracker
