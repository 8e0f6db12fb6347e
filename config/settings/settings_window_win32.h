#pragma once
// config's main settings window (dialog 102): tabs over the pages 常用 and 界面 that the input method's
// library provides (LZITFGetObject pages 1 and 3), 码表, 高级 and 关于; one page at a time.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "config/app/config_context_win32.h"
#include "config/settings/settings_window.h"
#include "platform/dialogs/dialog_win32.h"

namespace lz::config {

// The library page shown inside 常用 or 界面, or null; the Tab handling of the program reads it.
HWND HostedPageWindow();

class SettingsWindow : public dialogs::Dialog {
 public:
  // display_name: the input method's DisplayName, empty when it can't be read.
  SettingsWindow(HINSTANCE module, ConfigContext* context, int start_page, std::u16string display_name);
  ~SettingsWindow() override;

  const TabLayout& layout() const { return layout_; }
  int start_page() const { return start_page_; }
  dialogs::Dialog* page() const { return page_.get(); }
  // Shows the page of the selected tab, the previous one destroyed first; the keyboard focus goes to the
  // new page's first control unless it is on the tabs.
  void ShowTabPage();

 protected:
  BOOL OnInitDialog() override;
  bool OnNotify(const NMHDR& header, LRESULT& result) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
  void OnOk() override;
  void OnDestroy() override;

 private:
  void DropPage();
  void FocusFirstControl();

  HINSTANCE module_;
  ConfigContext* context_;
  int start_page_;
  std::u16string display_name_;
  TabLayout layout_;
  std::unique_ptr<dialogs::Dialog> page_;
  HIMAGELIST images_ = nullptr;
};

// WM_SYSCOMMAND id of "next page" (Ctrl+Tab).
constexpr WPARAM kNextPageCommand = 0x1400;

}  // namespace lz::config
