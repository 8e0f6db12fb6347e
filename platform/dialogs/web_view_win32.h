#pragma once
// A web page inside a dialog. The dialogs see only WebView (so a test can stand in a fake one); the one
// real implementation hosts the system's WebBrowser control in our own minimal OLE container: a client
// site that is also the in-place site and frame, and an IDispatch advised on the control's events.
// OleInitialize is the program's start-up's.
#include <windows.h>
#include <ole2.h>
#include <exdisp.h>
#include <ocidl.h>

#include <memory>
#include <string>
#include <string_view>

namespace lz::dialogs {

// What a page tells its dialog, on the dialog's thread.
class WebViewListener {
 public:
  // A navigation is about to start with exactly this address.
  virtual void OnBeforeNavigate(std::wstring_view address) { (void)address; }
  virtual void OnDocumentComplete() {}
  virtual void OnNavigateError(std::wstring_view address) { (void)address; }

 protected:
  ~WebViewListener() = default;
};

class WebView {
 public:
  virtual ~WebView() = default;
  // true when the control took the address.
  virtual bool Navigate(std::wstring_view address) = 0;
  // The shown page's title; empty when the page has none (or none is shown yet).
  virtual std::wstring LocationName() = 0;
  // box in the parent's client coordinates.
  virtual void Resize(const RECT& box) = 0;
  // Lets the control go; the view does nothing afterwards. Destruction does it too.
  virtual void Destroy() = 0;
  // The child window that holds the page, with the id given at creation; null once destroyed.
  virtual HWND window() const = 0;
};

// Makes a web view in parent over box (the parent's client coordinates) with child id id; listener, when
// given, must outlive the view.
using WebViewFactory = std::unique_ptr<WebView> (*)(HWND parent, const RECT& box, int id, WebViewListener* listener);

class BrowserSite;

// The WebBrowser control {8856F961-340A-11D0-A96B-00C04FD705A2} in a host child window.
class BrowserWebView : public WebView {
 public:
  // null when the control cannot be made or activated in place.
  static std::unique_ptr<BrowserWebView> Create(HWND parent, const RECT& box, int id, WebViewListener* listener);
  ~BrowserWebView() override;

  bool Navigate(std::wstring_view address) override;
  std::wstring LocationName() override;
  void Resize(const RECT& box) override;
  void Destroy() override;
  HWND window() const override { return host_; }

  // The container object the control holds on to (client site, in-place site and frame) and the event
  // sink advised on the control, as COM sees them; tests count references and send events through them.
  IUnknown* site() const;
  IDispatch* event_sink() const;

 private:
  BrowserWebView() = default;
  bool Start(HWND parent, const RECT& box, int id, WebViewListener* listener);

  HWND host_ = nullptr;
  BrowserSite* site_ = nullptr;
  IOleObject* object_ = nullptr;
  IWebBrowser2* browser_ = nullptr;
  IConnectionPoint* events_ = nullptr;
  DWORD cookie_ = 0;
};

// The factory of the real control, for dialogs that take a WebViewFactory.
std::unique_ptr<WebView> CreateBrowserWebView(HWND parent, const RECT& box, int id, WebViewListener* listener);

}  // namespace lz::dialogs
