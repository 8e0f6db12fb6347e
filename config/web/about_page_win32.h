#pragma once
// 关于 (dialog 141): the title line, the help file's About page in the system's web browser control, and
// the online-update link.
#include <windows.h>

#include <memory>

#include "config/web/about_page.h"
#include "config/app/config_context_win32.h"
#include "platform/dialogs/dialog_win32.h"
#include "platform/dialogs/web_view_win32.h"

namespace lz::config {

// The link's text colour (blue) and font.
constexpr COLORREF kLinkColour = RGB(0, 0, 255);
constexpr int kLinkFontHeight = 12;

class AboutPage : public dialogs::Dialog {
 public:
  // factory makes the page's browser (the real control unless a test gives another).
  AboutPage(HINSTANCE module, ConfigContext* context,
            dialogs::WebViewFactory factory = dialogs::CreateBrowserWebView);
  ~AboutPage() override;
  const AboutPageView& view() const { return view_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
  void OnDestroy() override;

 private:
  void ShowBrowser();

  ConfigContext* context_;
  AboutPageView view_;
  HFONT link_font_ = nullptr;
  dialogs::WebViewFactory factory_;
  std::unique_ptr<dialogs::WebView> page_;
};

}  // namespace lz::config
