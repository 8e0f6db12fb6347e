#include "config/settings/settings_window_win32.h"

#include <commctrl.h>

#include <utility>

#include "config/web/about_page_win32.h"
#include "config/settings/advanced_settings_win32.h"
#include "config/app/config_context.h"
#include "config/app/config_resources.h"
#include "config/settings/key_editor_win32.h"
#include "config/tables/table_page_win32.h"
#include "platform/os/native_path.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/mapped_file.h"
#include "textservice/settings/settings_export.h"

namespace lz::config {
namespace {

HWND g_hosted_page = nullptr;

constexpr const wchar_t* kTabTitles[kSettingsTabs] = {L"常用", L"界面", L"码表", L"高级", L"关于"};
// The tabs' images, icons of the input method's library, in the order of the tabs.
constexpr int kTabIcons[kSettingsTabs] = {0x6B, 0x6C, 0x6E, 0x6D, 0x6F};
constexpr int kTabIconSize = 32;
constexpr int kTabImageGrowth = 4;
constexpr int kProgramIcon = 101;

void SetProgramIcon(HINSTANCE module, HWND window) {
  for (const auto& [which, metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
    const int size = GetSystemMetrics(metric);
    if (HANDLE icon = LoadImageW(module, MAKEINTRESOURCEW(kProgramIcon), IMAGE_ICON, size, size, LR_SHARED)) {
      SendMessageW(window, WM_SETICON, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(icon));
    }
  }
}

// Runs a change of the blocks under config.dsc's writer lock.
template <typename Change>
void WriteBlocks(ConfigContext* context, Change change) {
  if (!context || !context->engine || !context->engine->files.config) return;
  ScopedFileWrite write(context->engine->files.config);
  if (write.ok()) {
    change(context->engine->blocks);
  } else {
    ReportRefusedWrite(context, GetActiveWindow());
  }
}

LzSettingsDialogOps* SettingsDialogOps(ConfigContext* context) {
  if (!context || !context->library) return nullptr;
  auto get = reinterpret_cast<LzItfGetObjectProc>(
      reinterpret_cast<void*>(GetProcAddress(context->library, kGetObjectExport)));
  void* table = nullptr;
  if (!get || get(kSettingsDialogObject, &table) != 1) return nullptr;
  return static_cast<LzSettingsDialogOps*>(table);
}

// 常用 and 界面: an empty page that hosts the library's page 1 or 3 and applies it when it goes.
class LibraryPageHost : public dialogs::Dialog {
 public:
  LibraryPageHost(HINSTANCE module, int template_id, ConfigContext* context, int page)
      : Dialog(module, template_id), context_(context), page_(page) {}

 protected:
  BOOL OnInitDialog() override {
    if (LzSettingsDialogOps* ops = SettingsDialogOps(context_)) {
      g_hosted_page = ops->create(window(), page_, context_->engine);
      ops->free(ops);
    }
    // Not every library page shows itself when it is made; the host shows whichever it hosts.
    if (g_hosted_page) ShowWindow(g_hosted_page, SW_SHOWNA);
    return TRUE;
  }
  void OnDestroy() override {
    if (LzSettingsDialogOps* ops = SettingsDialogOps(context_)) {
      ops->destroy(1);
      ops->free(ops);
    }
    g_hosted_page = nullptr;
  }
  // The library's page writes as its controls change; when config.dsc refuses, the page says so here.
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override {
    if (message != kSettingsNotWritten) return Dialog::OnMessage(message, wparam, lparam, result);
    ReportRefusedWrite(context_, window());
    result = 0;
    return true;
  }

 private:
  ConfigContext* context_;
  int page_;
};

// 嵌入显示模式设置: the embedding mode and its two options, written on OK.
class EmbedDialog : public dialogs::Dialog {
 public:
  EmbedDialog(HINSTANCE module, ConfigContext* context) : Dialog(module, IDD_EMBED_DIALOG), context_(context) {}

 protected:
  BOOL OnInitDialog() override {
    view_ = ReadEmbedDialog(context_->engine->blocks.ime);
    CheckRadioButton(window(), IDC_EMBED_CODE, IDC_EMBED_TRADITIONAL, view_.choice);
    CheckDlgButton(window(), IDC_EMBED_HIDE_WHEN_UNIQUE, view_.hide_when_unique ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(window(), IDC_EMBED_HIDE_FIRST, view_.hide_embedded_first ? BST_CHECKED : BST_UNCHECKED);
    ShowEnables();
    return TRUE;
  }
  bool OnCommand(int id, int code, HWND control) override {
    if ((id == IDC_EMBED_CODE || id == IDC_EMBED_FIRST || id == IDC_EMBED_TRADITIONAL) && code == BN_CLICKED) {
      EmbedChoiceClicked(view_, id);
      ShowEnables();
      return true;
    }
    return Dialog::OnCommand(id, code, control);
  }
  void OnOk() override {
    view_.hide_when_unique = IsDlgButtonChecked(window(), IDC_EMBED_HIDE_WHEN_UNIQUE) == BST_CHECKED;
    view_.hide_embedded_first = IsDlgButtonChecked(window(), IDC_EMBED_HIDE_FIRST) == BST_CHECKED;
    WriteBlocks(context_, [&](const ConfigBlocks& b) { ApplyEmbedDialog(b.ime, view_); });
    End(IDOK);
  }

 private:
  void ShowEnables() {
    EnableWindow(Item(IDC_EMBED_HIDE_WHEN_UNIQUE), view_.hide_when_unique_enabled);
    EnableWindow(Item(IDC_EMBED_HIDE_FIRST), view_.hide_embedded_first_enabled);
  }

  ConfigContext* context_;
  EmbedDialogView view_;
};

// 高级: config's own page on the soft block's names and the ime flags.
class AdvancedPage : public dialogs::Dialog {
 public:
  AdvancedPage(HINSTANCE module, ConfigContext* context)
      : Dialog(module, IDD_ADVANCED_PAGE), module_(module), context_(context) {}

 protected:
  BOOL OnInitDialog() override {
    const ConfigBlocks& blocks = context_->engine->blocks;
    const AdvancedPageView view = ReadAdvancedPage(blocks.soft, blocks.ime);
    CheckDlgButton(window(), IDC_ADVANCED_NO_COMBINATIONS, view.no_combination_keys ? BST_CHECKED : BST_UNCHECKED);
    if (view.has_auxiliary) {
      SetDlgItemTextW(window(), IDC_ADVANCED_SCHEME_MAIN, os::WidePtr(view.main_label.c_str()));
      SetDlgItemTextW(window(), IDC_ADVANCED_SCHEME_AUXILIARY, os::WidePtr(view.auxiliary_label.c_str()));
      SetDlgItemTextW(window(), IDC_ADVANCED_SCHEME_BOTH, os::WidePtr(view.both_label.c_str()));
      CheckRadioButton(window(), IDC_ADVANCED_SCHEME_BOTH, IDC_ADVANCED_SCHEME_AUXILIARY, view.scheme);
    } else {
      for (int id : {IDC_ADVANCED_SCHEME_BOTH, IDC_ADVANCED_SCHEME_MAIN, IDC_ADVANCED_SCHEME_AUXILIARY,
                     IDC_ADVANCED_SCHEME_LABEL}) {
        ShowWindow(Item(id), SW_HIDE);
      }
      for (int id : {IDC_ADVANCED_RANGE_LABEL, IDC_ADVANCED_SEARCH_RARE, IDC_ADVANCED_SKIP_RARE, IDC_ADVANCED_WHEN_EMPTY}) {
        RECT box{};
        GetWindowRect(Item(id), &box);
        MapWindowPoints(nullptr, window(), reinterpret_cast<POINT*>(&box), 2);
        SetWindowPos(Item(id), nullptr, box.left + advanced_page::kRangeShift, box.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
    }
    if (view.has_secondary) {
      SetDlgItemTextW(window(), IDC_ADVANCED_SEARCH_RARE, os::WidePtr(view.search_label.c_str()));
      SetDlgItemTextW(window(), IDC_ADVANCED_SKIP_RARE, os::WidePtr(view.skip_label.c_str()));
      CheckRadioButton(window(), IDC_ADVANCED_SEARCH_RARE, IDC_ADVANCED_SKIP_RARE, view.range);
      EnableWindow(Item(IDC_ADVANCED_WHEN_EMPTY), view.when_empty_enabled);
      CheckDlgButton(window(), IDC_ADVANCED_WHEN_EMPTY, view.when_empty_checked ? BST_CHECKED : BST_UNCHECKED);
    } else {
      for (int id : {IDC_ADVANCED_SEARCH_RARE, IDC_ADVANCED_SKIP_RARE, IDC_ADVANCED_WHEN_EMPTY, IDC_ADVANCED_RANGE_LABEL}) {
        ShowWindow(Item(id), SW_HIDE);
      }
    }
    return TRUE;
  }
  bool OnCommand(int id, int code, HWND control) override {
    switch (id) {
      case IDC_ADVANCED_NO_COMBINATIONS:
      case IDC_ADVANCED_SCHEME_BOTH:
      case IDC_ADVANCED_SCHEME_MAIN:
      case IDC_ADVANCED_SCHEME_AUXILIARY:
      case IDC_ADVANCED_SEARCH_RARE:
      case IDC_ADVANCED_SKIP_RARE:
      case IDC_ADVANCED_WHEN_EMPTY: {
        if (code != BN_CLICKED) return true;
        const bool checked = IsDlgButtonChecked(window(), id) == BST_CHECKED;
        bool enabled = true;
        WriteBlocks(context_, [&](const ConfigBlocks& b) { enabled = AdvancedPageClick(b.ime, id, checked); });
        EnableWindow(Item(IDC_ADVANCED_WHEN_EMPTY), enabled);
        return true;
      }
      case IDC_ADVANCED_KEYS:
        if (code == BN_CLICKED) {
          std::u16string display_name;
          ReadDisplayName(context_->class_id, display_name);
          KeyEditorDialog(module_, context_, display_name).RunModal(GetAncestor(window(), GA_ROOT));
        }
        return true;
      case IDC_ADVANCED_EMBEDDING:
        if (code == BN_CLICKED) EmbedDialog(module_, context_).RunModal(GetAncestor(window(), GA_ROOT));
        return true;
      case IDC_ADVANCED_TEXT_MODE:
        if (code == BN_CLICKED) RunTextMode();
        return true;
      default:
        // Enter and Escape on the page are the main window's.
        if (id == IDOK || id == IDCANCEL) {
          SendMessageW(GetParent(window()), WM_COMMAND, static_cast<WPARAM>(id), 0);
          return true;
        }
        return Dialog::OnCommand(id, code, control);
    }
  }

 private:
  // The text mode stands in for the main window while it runs.
  void RunTextMode() {
    HWND main = GetAncestor(window(), GA_ROOT);
    std::u16string display_name;
    ReadDisplayName(context_->class_id, display_name);
    ShowWindow(main, SW_HIDE);
    RunAdvancedSettings(module_, context_, display_name, main);
    ShowWindow(main, SW_SHOW);
    SetForegroundWindow(main);
  }

  HINSTANCE module_;
  ConfigContext* context_;
};

}  // namespace

HWND HostedPageWindow() { return g_hosted_page; }

SettingsWindow::SettingsWindow(HINSTANCE module, ConfigContext* context, int start_page, std::u16string display_name)
    : Dialog(module, IDD_SETTINGS_WINDOW),
      module_(module),
      context_(context),
      start_page_(start_page),
      display_name_(std::move(display_name)) {}

SettingsWindow::~SettingsWindow() {
  Destroy();
  if (images_) ImageList_Destroy(images_);
}

BOOL SettingsWindow::OnInitDialog() {
  const std::u16string title = u"使用设置 - " + (display_name_.empty() ? std::u16string(u"*") : display_name_);
  SetWindowTextW(window(), os::WidePtr(title.c_str()));
  ByteView ime = context_ && context_->engine ? context_->engine->blocks.ime : ByteView{};
  layout_ = LayOutTabs(BlockU32(ime, kTabMaskOffset), start_page_);
  if (BlockU32(ime, kTabMaskOffset) == 0) {
    WriteBlocks(context_, [&](const ConfigBlocks& b) { b.ime.WriteU32(kTabMaskOffset, layout_.mask); });
  }
  HDC screen = GetDC(nullptr);
  const TabItemSize size = TabItemSizeFor(screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96);
  if (screen) ReleaseDC(nullptr, screen);
  HWND tabs = Item(IDC_SETTINGS_TABS);
  SendMessageW(tabs, TCM_SETITEMSIZE, 0, MAKELPARAM(size.width, size.height));
  SetProgramIcon(module_, window());
  images_ = ImageList_Create(kTabIconSize, kTabIconSize, ILC_COLOR32 | ILC_MASK, kSettingsTabs, kTabImageGrowth);
  for (int icon_id : kTabIcons) {
    HICON icon = context_ && context_->library
                     ? static_cast<HICON>(LoadImageW(context_->library, MAKEINTRESOURCEW(icon_id), IMAGE_ICON,
                                                     kTabIconSize, kTabIconSize, 0))
                     : nullptr;
    if (images_ && icon) ImageList_AddIcon(images_, icon);
    if (icon) DestroyIcon(icon);
  }
  if (images_ && ImageList_GetImageCount(images_) == kSettingsTabs) {
    SendMessageW(tabs, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
  }
  for (std::size_t i = 0; i < layout_.tabs.size(); ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.iImage = static_cast<int>(layout_.tabs[i]);
    item.pszText = const_cast<wchar_t*>(kTabTitles[static_cast<int>(layout_.tabs[i])]);
    SendMessageW(tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  start_page_ = layout_.selected;
  SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(start_page_), 0);
  ShowTabPage();
  return TRUE;
}

void SettingsWindow::ShowTabPage() {
  const int selected = static_cast<int>(SendMessageW(Item(IDC_SETTINGS_TABS), TCM_GETCURSEL, 0, 0));
  if (selected < 0 || static_cast<std::size_t>(selected) >= layout_.tabs.size()) return;
  // A tab chosen on the tab control keeps the focus there; otherwise the focus was on the page that goes
  // now and would be left on no window at all.
  const bool tabs_focused = GetFocus() == Item(IDC_SETTINGS_TABS);
  DropPage();
  switch (layout_.tabs[static_cast<std::size_t>(selected)]) {
    case SettingsTab::kCommon:
      page_ = std::make_unique<LibraryPageHost>(module_, IDD_COMMON_PAGE, context_, kImeOptionsPage);
      break;
    case SettingsTab::kInterface:
      page_ = std::make_unique<LibraryPageHost>(module_, IDD_INTERFACE_PAGE, context_, kDisplayPage);
      break;
    case SettingsTab::kTable:
      page_ = MakeTablePage(module_, context_);
      break;
    case SettingsTab::kAdvanced:
      page_ = std::make_unique<AdvancedPage>(module_, context_);
      break;
    case SettingsTab::kAbout:
      page_ = std::make_unique<AboutPage>(module_, context_);
      break;
  }
  if (!page_ || !page_->CreateChild(window())) return;
  dialogs::PlaceOverFrame(page_->window(), Item(IDC_SETTINGS_FRAME));
  if (!tabs_focused) FocusFirstControl();
}

// The page's first control that takes the focus; for a library page, the first of the page it hosts.
void SettingsWindow::FocusFirstControl() {
  HWND page = page_->window();
  HWND hosted = HostedPageWindow();
  if (hosted && IsChild(page, hosted)) page = hosted;
  HWND first = GetNextDlgTabItem(page, nullptr, FALSE);
  SetFocus(first ? first : page);
}

bool SettingsWindow::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.idFrom == IDC_SETTINGS_TABS && header.code == static_cast<UINT>(TCN_SELCHANGE)) {
    ShowTabPage();
    result = 0;
    return true;
  }
  return false;
}

bool SettingsWindow::OnMessage(UINT message, WPARAM wparam, LPARAM, LRESULT& result) {
  if (message == WM_SYSCOMMAND && (wparam & 0xFFF0) == kNextPageCommand) {
    start_page_ = NextTab(start_page_, static_cast<int>(layout_.tabs.size()));
    SendMessageW(Item(IDC_SETTINGS_TABS), TCM_SETCURSEL, static_cast<WPARAM>(start_page_), 0);
    ShowTabPage();
    result = 0;
    return true;
  }
  return false;
}

void SettingsWindow::OnOk() { End(IDOK); }

void SettingsWindow::OnDestroy() { DropPage(); }

// The page's window goes first, while its own handlers still run (a library page applies its values).
void SettingsWindow::DropPage() {
  if (!page_) return;
  ShowWindow(page_->window(), SW_HIDE);
  page_->Destroy();
  page_.reset();
}

}  // namespace lz::config
