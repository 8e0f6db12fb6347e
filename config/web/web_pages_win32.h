#pragma once
// 信息提示窗口 (dialog 148, /showurl): one web page filling the window, titled by the page once it has
// loaded, at the size and place the opener asked for.
#include <windows.h>

#include <memory>
#include <string>

#include "platform/dialogs/dialog_win32.h"
#include "platform/dialogs/web_view_win32.h"

namespace lz::config {

constexpr int kProgramIcon = 0x65;

class HtmlViewer : public dialogs::Dialog, public dialogs::WebViewListener {
 public:
  // width, height: below 1 keeps the resource size. factory makes the page (the real control unless a
  // test gives another).
  HtmlViewer(HINSTANCE module, std::u16string address, int width, int height,
             dialogs::WebViewFactory factory = dialogs::CreateBrowserWebView);
  ~HtmlViewer() override;

  void OnDocumentComplete() override;

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
  void OnDestroy() override;

 private:
  RECT PageBox() const;

  std::u16string address_;
  int width_;
  int height_;
  dialogs::WebViewFactory factory_;
  std::unique_ptr<dialogs::WebView> page_;
  HICON big_icon_ = nullptr;
  HICON small_icon_ = nullptr;
};

INT_PTR RunHtmlViewer(HINSTANCE module, const std::u16string& address, int width, int height, HWND owner);

}  // namespace lz::config
