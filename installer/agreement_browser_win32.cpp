#include <memory>

#include "installer/setup_dialogs_win32.h"
#include "platform/dialogs/web_view_win32.h"

namespace lz::installer {
namespace {

// The system's web control in place of the frame control, with its id. Where the control cannot be
// made, the frame stays and names the page.
class WebViewBrowser : public AgreementBrowser {
 public:
  explicit WebViewBrowser(dialogs::WebViewListener* listener) : listener_(listener) {}
  void Show(HWND frame, const std::u16string& address) override {
    const std::wstring wide(address.begin(), address.end());
    const HWND parent = GetParent(frame);
    const int id = GetDlgCtrlID(frame);
    RECT box{};
    GetWindowRect(frame, &box);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&box), 2);
    SetWindowTextW(frame, wide.c_str());
    // The frame gives up its id first: the page's window takes it.
    SetWindowLongPtrW(frame, GWLP_ID, 0);
    view_ = dialogs::CreateBrowserWebView(parent, box, id, listener_);
    if (!view_) {
      SetWindowLongPtrW(frame, GWLP_ID, id);
      return;
    }
    ShowWindow(frame, SW_HIDE);
    view_->Navigate(wide);
  }
  void Close() override {
    if (view_) view_->Destroy();
    view_.reset();
  }
  ~WebViewBrowser() override { Close(); }

 private:
  dialogs::WebViewListener* listener_;
  std::unique_ptr<dialogs::WebView> view_;
};

}  // namespace

std::unique_ptr<AgreementBrowser> MakeAgreementBrowser(dialogs::WebViewListener* listener) {
  return std::make_unique<WebViewBrowser>(listener);
}

}  // namespace lz::installer
