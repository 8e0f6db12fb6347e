#pragma once
// 关于 (dialog 141): the title line, the help file's About page in the system's web browser control, and
// the online-update link.
#include <windows.h>

#include "config/about_page.h"
#include "config/config_context_win32.h"
#include "platform/dialogs/dialog_win32.h"

namespace lz::config {

// The link's text colour (blue) and font.
constexpr COLORREF kLinkColour = RGB(0, 0, 255);
constexpr int kLinkFontHeight = 12;

class AboutPage : public dialogs::Dialog {
 public:
  AboutPage(HINSTANCE module, ConfigContext* context);
  ~AboutPage() override;
  const AboutPageView& view() const { return view_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

 private:
  void ShowBrowser();

  ConfigContext* context_;
  AboutPageView view_;
  HFONT link_font_ = nullptr;
};

}  // namespace lz::config
