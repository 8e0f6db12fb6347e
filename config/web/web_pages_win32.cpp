#include "config/web/web_pages_win32.h"

#include <utility>

#include "config/web/web_pages.h"
#include "config/web/web_resources.h"
#include "platform/os/native_path.h"

namespace lz::config {

HtmlViewer::HtmlViewer(HINSTANCE module, std::u16string address, int width, int height,
                       dialogs::WebViewFactory factory)
    : Dialog(module, IDD_HTML_VIEWER),
      address_(address.empty() ? std::u16string(kDefaultViewerAddress) : std::move(address)),
      width_(width),
      height_(height),
      factory_(factory) {}

HtmlViewer::~HtmlViewer() {
  Destroy();
  page_.reset();
  if (big_icon_) DestroyIcon(big_icon_);
  if (small_icon_) DestroyIcon(small_icon_);
}

RECT HtmlViewer::PageBox() const {
  RECT box{};
  GetClientRect(window(), &box);
  return box;
}

BOOL HtmlViewer::OnInitDialog() {
  HINSTANCE program = GetModuleHandleW(nullptr);
  big_icon_ = static_cast<HICON>(LoadImageW(program, MAKEINTRESOURCEW(kProgramIcon), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  small_icon_ = static_cast<HICON>(LoadImageW(program, MAKEINTRESOURCEW(kProgramIcon), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  if (big_icon_) SendMessageW(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon_));
  if (small_icon_) SendMessageW(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_));

  const ViewerPlacement place =
      PlaceViewer(width_, height_, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  if (place.resize) MoveWindow(window(), place.x, place.y, place.width, place.height, FALSE);
  if (factory_) page_ = factory_(window(), PageBox(), IDC_HTML_BROWSER, this);
  if (page_) page_->Navigate(os::WidePtr(ViewerAddress(address_).c_str()));
  return TRUE;
}

void HtmlViewer::OnDocumentComplete() {
  if (!page_ || !window()) return;
  // A page without a title keeps the window's.
  const std::wstring name = page_->LocationName();
  if (!name.empty()) SetWindowTextW(window(), name.c_str());
}

bool HtmlViewer::OnMessage(UINT message, WPARAM wparam, LPARAM, LRESULT& result) {
  if (message != WM_SIZE || wparam == SIZE_MINIMIZED || !page_) return false;
  page_->Resize(PageBox());
  result = 0;
  return true;
}

void HtmlViewer::OnDestroy() {
  if (page_) page_->Destroy();
}

INT_PTR RunHtmlViewer(HINSTANCE module, const std::u16string& address, int width, int height, HWND owner) {
  HtmlViewer viewer(module, address, width, height);
  return viewer.RunModal(owner);
}

}  // namespace lz::config
