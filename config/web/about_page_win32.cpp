#include "config/web/about_page_win32.h"

#include "config/app/config_resources.h"
#include "config/update/update_dialog_win32.h"
#include "config/web/web_pages.h"
#include "platform/os/native_path.h"

namespace lz::config {

AboutPage::AboutPage(HINSTANCE module, ConfigContext* context, dialogs::WebViewFactory factory)
    : Dialog(module, IDD_ABOUT_PAGE), context_(context), factory_(factory) {}

AboutPage::~AboutPage() {
  Destroy();
  page_.reset();
  if (link_font_) DeleteObject(link_font_);
}

BOOL AboutPage::OnInitDialog() {
  if (context_ && context_->engine) view_ = ReadAboutPage(context_->engine->blocks.soft, context_->engine->install_folder);
  SetDlgItemTextW(window(), IDC_ABOUT_TITLE, os::WidePtr(view_.title.c_str()));
  ShowWindow(Item(IDC_ABOUT_UPDATE), view_.update_link_shown ? SW_SHOW : SW_HIDE);
  link_font_ = CreateFontW(kLinkFontHeight, 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"宋体");
  ShowBrowser();
  return TRUE;
}

void AboutPage::ShowBrowser() {
  if (!factory_) return;
  RECT box{};
  GetWindowRect(Item(IDC_ABOUT_BROWSER_FRAME), &box);
  MapWindowPoints(nullptr, window(), reinterpret_cast<POINT*>(&box), 2);
  page_ = factory_(window(), box, IDC_ABOUT_BROWSER, nullptr);
  if (!page_) return;
  // No help file ships with every installation; without one the page stays blank.
  std::u16string address = view_.address;
  const std::u16string folder = context_ && context_->engine ? std::u16string(context_->engine->install_folder) : u"";
  const std::u16string help_file = folder.empty() ? u"" : HelpFilePath(folder);
  if (address.empty() || help_file.empty() ||
      GetFileAttributesW(os::WidePtr(help_file.c_str())) == INVALID_FILE_ATTRIBUTES) {
    address = kBlankPage;
  }
  page_->Navigate(os::WidePtr(address.c_str()));
}

void AboutPage::OnDestroy() {
  if (page_) page_->Destroy();
}

bool AboutPage::OnCommand(int id, int code, HWND control) {
  if (id == IDC_ABOUT_UPDATE) {
    RunUpdateDialog(GetModuleHandleW(nullptr), context_, GetAncestor(window(), GA_ROOT));
    return true;
  }
  // Enter and Escape on the page are the main window's.
  if (id == IDOK || id == IDCANCEL) {
    SendMessageW(GetParent(window()), WM_COMMAND, static_cast<WPARAM>(id), 0);
    return true;
  }
  return Dialog::OnCommand(id, code, control);
}

bool AboutPage::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  if (message == WM_DRAWITEM && wparam == IDC_ABOUT_UPDATE && lparam) {
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
    RECT box = item.rcItem;
    FillRect(item.hDC, &box, GetSysColorBrush(COLOR_BTNFACE));
    wchar_t text[64] = {};
    GetWindowTextW(item.hwndItem, text, 64);
    HGDIOBJ old = link_font_ ? SelectObject(item.hDC, link_font_) : nullptr;
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, kLinkColour);
    DrawTextW(item.hDC, text, -1, &box, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (old) SelectObject(item.hDC, old);
    result = TRUE;
    return true;
  }
  if (message == WM_SETCURSOR && reinterpret_cast<HWND>(wparam) == Item(IDC_ABOUT_UPDATE)) {
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    result = TRUE;
    return true;
  }
  return false;
}

}  // namespace lz::config
