#pragma once
// 按键功能定义 (dialog 137): the drawn keyboard. A click on a key shows the function menu with the key's
// functions checked and applies the chosen command to the live dme block; bound keys are filled.
#include <windows.h>

#include <string>

#include "config/app/config_context_win32.h"
#include "config/settings/key_editor.h"
#include "platform/dialogs/dialog_win32.h"

namespace lz::config {

// The fill of a key that carries functions, and the caption colour of a disabled key.
constexpr COLORREF kBoundKeyColour = RGB(255, 128, 128);
constexpr COLORREF kDisabledCaptionColour = RGB(180, 180, 180);

class KeyEditorDialog : public dialogs::Dialog {
 public:
  // display_name: the input method's DisplayName, empty when it can't be read.
  KeyEditorDialog(HINSTANCE module, ConfigContext* context, std::u16string display_name);
  ~KeyEditorDialog() override;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

 private:
  ModifierBoxes Boxes() const;
  void ShowModifierState();
  void EditKey(int id);
  void ReportRefused();
  void DrawKeyButton(const DRAWITEMSTRUCT& item) const;

  HINSTANCE module_;
  ConfigContext* context_;
  std::u16string display_name_;
  KeyBindingEditor editor_;
  HICON big_icon_ = nullptr;
  HICON small_icon_ = nullptr;
};

}  // namespace lz::config
