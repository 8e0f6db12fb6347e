#include "tracker/records/record_table_window_win32.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "platform/os/message_box.h"
#include "platform/os/native_path.h"
#include "tracker/records/record_commands.h"
#include "tracker/records/window_text_win32.h"

namespace tracker {
namespace {

constexpr wchar_t kWindowClass[] = L"PenduloRecordTable";
constexpr int kGridId = 1001;
constexpr int kToolbarId = 1002;
constexpr std::uint32_t kBoxOk = 0;
constexpr double kTwipsPerInch = 1440.0;
constexpr double kFirstPlaceTwips = 105.0;  // where the window first opens
constexpr int kDesignedWidth = 760;          // pixels
constexpr int kDesignedHeight = 440;
constexpr int kBottomHeight = 24;
constexpr int kTotalsDropHeight = 140;

constexpr wchar_t kEnableUpdate[] = L"Enable &Update...";
constexpr wchar_t kUnableUpdate[] = L"Unable &Update   ";

struct MenuEntry {
  int command;  // 0: separator
  const wchar_t* caption;
  const wchar_t* shortcut;
};

const MenuEntry kEditMenu[] = {
    {kCmdDelete, L"&Delete", nullptr},
    {kCmdDeleteAll, L"Delete &All", nullptr},
    {kCmdEnableUpdate, kEnableUpdate, L"Ctrl+U"},
    {kCmdFind, L"&Find", L"Ctrl+F"},
    {0, nullptr, nullptr},
    {kCmdSelectRecord, L"Se&lect Record", L"Ctrl+L"},
};
const MenuEntry kViewMenu[] = {
    {kCmdBeginning, L"&Beginning", L"Ctrl+B"},
    {kCmdQuarter, L"&Quarter", nullptr},
    {kCmdMiddle, L"&Middle", nullptr},
    {kCmdThreeQuarter, L"&Three Quarter", nullptr},
    {kCmdEnd, L"E&nd", L"Ctrl+N"},
    {0, nullptr, nullptr},
    {kCmdShowMainWindow, L"Show Main &Window...", L"Ctrl+W"},
    {kCmdClose, L"Clos&e", L"Ctrl+E"},
};

struct ToolbarEntry {
  int command;  // 0: separator
  const wchar_t* tip;
};
const ToolbarEntry kToolbar[] = {
    {kCmdDelete, L"Delete"},        {kCmdFind, L"Find"},       {kCmdSelectRecord, L"Select Record"},
    {kCmdShowMainWindow, L"Show Main Window"}, {0, nullptr},   {kCmdBeginning, L"Beginning"},
    {kCmdQuarter, L"Quarter"},      {kCmdMiddle, L"Middle"},   {kCmdThreeQuarter, L"Three Quarter"},
    {kCmdEnd, L"End"},
};

const ACCEL kAccelerators[] = {
    {FCONTROL | FVIRTKEY, 'U', kCmdEnableUpdate}, {FCONTROL | FVIRTKEY, 'F', kCmdFind},
    {FCONTROL | FVIRTKEY, 'L', kCmdSelectRecord}, {FCONTROL | FVIRTKEY, 'B', kCmdBeginning},
    {FCONTROL | FVIRTKEY, 'N', kCmdEnd},          {FCONTROL | FVIRTKEY, 'W', kCmdShowMainWindow},
    {FCONTROL | FVIRTKEY, 'E', kCmdClose},
};

HMENU BuildMenu(const MenuEntry* entries, std::size_t count) {
  HMENU menu = CreatePopupMenu();
  for (std::size_t i = 0; i < count; ++i) {
    if (entries[i].command == 0) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    std::wstring text = entries[i].caption;
    if (entries[i].shortcut != nullptr) text += std::wstring(L"\t") + entries[i].shortcut;
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(entries[i].command), text.c_str());
  }
  return menu;
}

double TwipsPerPixel(HWND hwnd) {
  HDC dc = GetDC(hwnd);
  const int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
  if (dc != nullptr) ReleaseDC(hwnd, dc);
  return kTwipsPerInch / (dpi > 0 ? dpi : 96);
}

std::u16string Decimal(std::int64_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

RecordTableWindow::RecordTableWindow(records::RecordStore& store, std::u16string store_path, std::u16string today)
    : store_(store), store_path_(std::move(store_path)), today_(std::move(today)), model_(store), grid_(model_) {}

RecordTableWindow::~RecordTableWindow() {
  search_.reset();
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  if (accelerators_ != nullptr) DestroyAcceleratorTable(accelerators_);
}

bool RecordTableWindow::Load(HWND owner) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kWindowClass;
  RegisterClassW(&window_class);  // fails harmlessly once registered

  menu_ = CreateMenu();
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(BuildMenu(kEditMenu, std::size(kEditMenu))), L"&Edit ");
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(BuildMenu(kViewMenu, std::size(kViewMenu))), L"&View ");
  const std::u16string caption = u"Record Table - " + LongDateText(today_);
  window_ = CreateWindowExW(0, kWindowClass, os::WidePtr(caption.c_str()), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                            CW_USEDEFAULT, kDesignedWidth, kDesignedHeight, owner, menu_, GetModuleHandleW(nullptr),
                            this);
  if (window_ == nullptr) return false;
  if (accelerators_ == nullptr) accelerators_ = CreateAcceleratorTableW(const_cast<ACCEL*>(kAccelerators), std::size(kAccelerators));

  HINSTANCE instance = GetModuleHandleW(nullptr);
  toolbar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                             WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS | CCS_TOP, 0, 0, 0,
                             0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kToolbarId)), instance, nullptr);
  SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(toolbar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
  std::vector<TBBUTTON> buttons;
  for (const auto& entry : kToolbar) {
    TBBUTTON button{};
    button.iBitmap = I_IMAGENONE;
    if (entry.command == 0) {
      button.fsStyle = BTNS_SEP;
    } else {
      button.idCommand = entry.command;
      button.fsState = TBSTATE_ENABLED;
      button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
      button.iString = reinterpret_cast<INT_PTR>(entry.tip);
    }
    buttons.push_back(button);
  }
  SendMessageW(toolbar_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
  SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);

  const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  position_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"STATIC", L"Record Position", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP,
                              0, 0, 0, 0, window_, nullptr, instance, nullptr);
  totals_ = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN, 0, 0, 0, 0,
                            window_, nullptr, instance, nullptr);
  SendMessageW(position_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageW(totals_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  RECT bounds{0, 0, kDesignedWidth, kDesignedHeight};
  if (grid_.Create(window_, kGridId, bounds) == nullptr) return false;
  grid_.SetEditing(false);
  search_ = std::make_unique<RecordSearchWindow>(model_, grid_, store_, totals_, today_, store_path_);

  // The stored place and size, or the first place with the designed size.
  const double twips = TwipsPerPixel(window_);
  if (geometry.top != 0 || geometry.left != 0) {
    MoveWindow(window_, static_cast<int>(geometry.left / twips), static_cast<int>(geometry.top / twips),
               static_cast<int>(geometry.width / twips), static_cast<int>(geometry.height / twips), FALSE);
  } else {
    SetWindowPos(window_, nullptr, static_cast<int>(kFirstPlaceTwips / twips), static_cast<int>(kFirstPlaceTwips / twips),
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  Layout();
  return true;
}

void RecordTableWindow::Layout() {
  if (window_ == nullptr) return;
  RECT client{};
  GetClientRect(window_, &client);
  SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
  RECT bar{};
  GetWindowRect(toolbar_, &bar);
  const int toolbar_height = bar.bottom - bar.top;
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  const int bottom = height - kBottomHeight;
  MoveWindow(grid_.hwnd(), 0, toolbar_height, width, bottom - toolbar_height > 0 ? bottom - toolbar_height : 0, TRUE);
  MoveWindow(position_, 0, bottom, width / 2, kBottomHeight, TRUE);
  MoveWindow(totals_, width / 2, bottom, width - width / 2, kTotalsDropHeight, TRUE);
}

void RecordTableWindow::ShowPosition() {
  if (position_ == nullptr) return;
  std::u16string text = u"Record Position";
  if (model_.RowCount() > 0) {
    const auto current = grid_.CurrentIndex();
    text += u"  " + Decimal(current ? *current + 1 : 0) + u" / " + Decimal(model_.RowCount());
  }
  SetWindowTextW(position_, os::WidePtr(text.c_str()));
}

bool RecordTableWindow::OpenRecordTable(HWND owner) {
  if (!store_.IsOpen() && store_.Open(store_path_) != records::OpenStatus::kOk) {
    const std::u16string text = RecordTableProblemText(store_path_, store_.LastError());
    os::ShowMessageBox(owner, text.c_str(), std::u16string(kRecordTableProblemTitle).c_str(), kBoxOk);
    return false;
  }
  if (window_ == nullptr && !Load(owner)) return false;
  if (!model_.ShowAll()) {
    grid_.Reload();
    const std::u16string text = RecordTableProblemText(store_path_, model_.LastError());
    os::ShowMessageBox(owner, text.c_str(), std::u16string(kRecordTableProblemTitle).c_str(), kBoxOk);
    return false;
  }
  grid_.Reload();
  if (model_.RowCount() > 0) grid_.MoveTo(0);
  ShowPosition();
  ShowWindow(window_, SW_SHOW);
  return true;
}

bool RecordTableWindow::ShowAfterSave(HWND owner) {
  if (!OpenRecordTable(owner)) return false;
  Jump(Jump::kEnd);
  return true;
}

void RecordTableWindow::Jump(tracker::Jump jump) {
  if (const auto target = JumpTarget(jump, model_.RowCount())) grid_.MoveTo(*target);
  ShowPosition();
}

std::u16string RecordTableWindow::MenuCaption(int command) const {
  wchar_t buffer[128] = {};
  if (menu_ == nullptr || GetMenuStringW(menu_, static_cast<UINT>(command), buffer, 128, MF_BYCOMMAND) == 0) return {};
  std::u16string text(os::U16Ptr(buffer));
  return text.substr(0, text.find(u'\t'));
}

void RecordTableWindow::Run(int command) {
  switch (command) {
    case kCmdDelete: {
      const auto selected = grid_.SelectedIndexes();
      if (selected.empty()) break;
      model_.DeleteRows(selected);
      grid_.Reload();
      break;
    }
    case kCmdDeleteAll:
      RunDeleteAll(window_, model_, grid_);
      break;
    case kCmdEnableUpdate: {
      // One flag for the whole run: after a reload with it set, the first click turns editing off.
      editing_ = !editing_;
      grid_.SetEditing(editing_);
      if (menu_ != nullptr) {
        std::wstring caption = editing_ ? kUnableUpdate : kEnableUpdate;
        caption += L"\tCtrl+U";
        ModifyMenuW(menu_, kCmdEnableUpdate, MF_BYCOMMAND | MF_STRING, kCmdEnableUpdate, caption.c_str());
      }
      break;
    }
    case kCmdFind:
      if (search_) search_->Show(window_);
      break;
    case kCmdSelectRecord:
      if (model_.RowCount() == 0) break;
      if (!grid_.CurrentIndex()) grid_.MoveTo(0);
      grid_.SelectCurrent();
      break;
    case kCmdBeginning:
      Jump(Jump::kBeginning);
      break;
    case kCmdQuarter:
      Jump(Jump::kQuarter);
      break;
    case kCmdMiddle:
      Jump(Jump::kMiddle);
      break;
    case kCmdThreeQuarter:
      Jump(Jump::kThreeQuarter);
      break;
    case kCmdEnd:
      Jump(Jump::kEnd);
      break;
    case kCmdShowMainWindow:
      if (show_main_window) show_main_window();
      break;
    case kCmdClose:
      if (window_ != nullptr) ShowWindow(window_, SW_HIDE);
      break;
    default:
      break;
  }
  ShowPosition();
}

LRESULT CALLBACK RecordTableWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<RecordTableWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self != nullptr) {
    switch (message) {
      case WM_SIZE:
        self->Layout();
        return 0;
      case WM_NOTIFY: {
        LRESULT result = 0;
        if (self->grid_.OnNotify(reinterpret_cast<const NMHDR*>(lparam), result)) {
          if (reinterpret_cast<const NMHDR*>(lparam)->code == LVN_COLUMNCLICK) self->ShowPosition();
          return result;
        }
        break;
      }
      case WM_COMMAND:
        if (lparam == 0 || reinterpret_cast<HWND>(lparam) == self->toolbar_) {
          self->Run(LOWORD(wparam));
          return 0;
        }
        break;
      case WM_CLOSE: {
        // The frame's close button unloads the window; its place and size go back to the settings.
        RECT frame{};
        GetWindowRect(hwnd, &frame);
        const double twips = TwipsPerPixel(hwnd);
        self->geometry = {frame.top * twips, frame.left * twips, (frame.bottom - frame.top) * twips,
                          (frame.right - frame.left) * twips};
        if (self->on_unload) self->on_unload(self->geometry);
        self->search_.reset();
        DestroyWindow(hwnd);
        return 0;
      }
      case WM_NCDESTROY:
        self->window_ = nullptr;
        self->toolbar_ = self->position_ = self->totals_ = nullptr;
        self->menu_ = nullptr;  // destroyed with its window
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
      default:
        break;
    }
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace tracker
