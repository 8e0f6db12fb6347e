#include "platform/forms/forms.h"

#include <commdlg.h>

#include <cmath>

#include "platform/os/native_path.h"

namespace forms {
namespace {

constexpr wchar_t kFormClass[] = L"LzForm";
constexpr double kTwipsPerInch = 1440.0;

int ScreenDpi(int axis) {
  static int dpi[2] = {0, 0};
  if (!dpi[axis]) {
    HDC screen = GetDC(nullptr);
    dpi[axis] = GetDeviceCaps(screen, axis == 0 ? LOGPIXELSX : LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (dpi[axis] <= 0) dpi[axis] = 96;
  }
  return dpi[axis];
}

void EnsureCommonControls() {
  static bool done = false;
  if (done) return;
  INITCOMMONCONTROLSEX init{sizeof init, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES |
                                             ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&init);
  done = true;
}

void RegisterFormClass() {
  static bool done = false;
  if (done) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;  // replaced per form at creation
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  wc.lpszClassName = kFormClass;
  RegisterClassExW(&wc);
  done = true;
}

Form* FormOf(HWND hwnd) {
  if (!hwnd) return nullptr;
  HWND root = GetAncestor(hwnd, GA_ROOT);
  wchar_t name[16] = {};
  GetClassNameW(root, name, 16);
  if (lstrcmpW(name, kFormClass) != 0) return nullptr;
  return reinterpret_cast<Form*>(GetWindowLongPtrW(root, GWLP_USERDATA));
}

}  // namespace

int TwipsToPixelsX(double twips) { return static_cast<int>(std::lround(twips * ScreenDpi(0) / kTwipsPerInch)); }
int TwipsToPixelsY(double twips) { return static_cast<int>(std::lround(twips * ScreenDpi(1) / kTwipsPerInch)); }
double PixelsToTwipsX(int pixels) { return pixels * kTwipsPerInch / ScreenDpi(0); }
double PixelsToTwipsY(int pixels) { return pixels * kTwipsPerInch / ScreenDpi(1); }

std::u16string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  const int copied = GetWindowTextW(hwnd, os::WidePtr(text.data()), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

void SetWindowText16(HWND hwnd, const std::u16string& text) { SetWindowTextW(hwnd, os::WidePtr(text.c_str())); }

void Control::Move(double left, double top, double width, double height) {
  SetWindowPos(hwnd_, nullptr, TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(width),
               TwipsToPixelsY(height), SWP_NOZORDER | SWP_NOACTIVATE);
}

void TextBox::OnCommand(int code, int) {
  if (code == EN_CHANGE && on_change) on_change();
}

// Combo and list boxes -------------------------------------------------------------------------------
namespace {
const ItemMessages kComboMessages{CB_ADDSTRING,   CB_RESETCONTENT, CB_GETCOUNT, CB_GETLBTEXTLEN,
                                  CB_GETLBTEXT,   CB_GETCURSEL,    CB_SETCURSEL};
const ItemMessages kListMessages{LB_ADDSTRING, LB_RESETCONTENT, LB_GETCOUNT, LB_GETTEXTLEN,
                                 LB_GETTEXT,   LB_GETCURSEL,    LB_SETCURSEL};
}  // namespace

void ItemControl::AddItem(const std::u16string& item) {
  SendMessageW(hwnd_, messages_.add, 0, reinterpret_cast<LPARAM>(item.c_str()));
}
void ItemControl::Clear() { SendMessageW(hwnd_, messages_.reset, 0, 0); }
int ItemControl::ListCount() const { return static_cast<int>(SendMessageW(hwnd_, messages_.count, 0, 0)); }
std::u16string ItemControl::Item(int index) const {
  const auto length = SendMessageW(hwnd_, messages_.text_length, static_cast<WPARAM>(index), 0);
  if (length < 0) return {};
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  SendMessageW(hwnd_, messages_.text, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}
int ItemControl::ListIndex() const { return static_cast<int>(SendMessageW(hwnd_, messages_.get_selection, 0, 0)); }
void ItemControl::SetListIndex(int index) {
  SendMessageW(hwnd_, messages_.set_selection, static_cast<WPARAM>(index), 0);
  if (on_click) on_click();
}

ComboBox::ComboBox() : ItemControl(kComboMessages) {}
void ComboBox::OnCommand(int code, int) {
  if (code == CBN_SELCHANGE && on_click) on_click();
  if (code == CBN_EDITCHANGE && on_change) on_change();
}

ListBox::ListBox() : ItemControl(kListMessages) {}
void ListBox::OnCommand(int code, int) {
  if (code == LBN_SELCHANGE && on_click) on_click();
  if (code == LBN_DBLCLK) DoubleClick();
}

// Check box and options ------------------------------------------------------------------------------
bool CheckBox::Value() const { return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void CheckBox::SetValue(bool checked) {
  SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  if (on_click) on_click();
}
void CheckBox::OnCommand(int code, int) {
  if (code == BN_CLICKED && on_click) on_click();
}

bool OptionButton::Value() const { return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void OptionButton::SetValue(bool checked) {
  if (checked && form_) form_->ClearOptionGroup(group_, this);
  SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  if (on_click) on_click();
}
void OptionButton::OnCommand(int code, int) {
  if (code != BN_CLICKED) return;
  if (form_) form_->ClearOptionGroup(group_, this);
  SendMessageW(hwnd_, BM_SETCHECK, BST_CHECKED, 0);
  if (on_click) on_click();
}

void Button::OnCommand(int code, int) {
  if (code == BN_CLICKED) Click();
}

// Picture ---------------------------------------------------------------------------------------------
Picture::~Picture() {
  if (image_) DeleteObject(image_);
}

void Picture::SetImage(HBITMAP image) {
  if (hwnd_) SendMessageW(hwnd_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
  if (image_ && image_ != image) DeleteObject(image_);
  image_ = image;
}

void Picture::OnCommand(int code, int) {
  if (code == STN_CLICKED) Click();
}

// Tab strip ------------------------------------------------------------------------------------------
void TabStrip::AddTab(const std::u16string& caption) {
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  std::u16string text = caption;
  item.pszText = os::WidePtr(text.data());
  const auto count = SendMessageW(hwnd_, TCM_GETITEMCOUNT, 0, 0);
  SendMessageW(hwnd_, TCM_INSERTITEMW, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(&item));
}
int TabStrip::SelectedIndex() const { return static_cast<int>(SendMessageW(hwnd_, TCM_GETCURSEL, 0, 0)); }
void TabStrip::Select(int index) {
  SendMessageW(hwnd_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  if (on_click) on_click();
}
LRESULT TabStrip::OnNotify(NMHDR* header) {
  if (header->code == static_cast<UINT>(TCN_SELCHANGE) && on_click) on_click();
  return 0;
}

// List view ------------------------------------------------------------------------------------------
void ListView::AddColumn(const std::u16string& header, double width_twips) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  std::u16string text = header;
  column.pszText = os::WidePtr(text.data());
  column.cx = TwipsToPixelsX(width_twips);
  const int index = ColumnCount();
  column.iSubItem = index;
  SendMessageW(hwnd_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}
int ListView::ColumnCount() const {
  const HWND header = reinterpret_cast<HWND>(SendMessageW(hwnd_, LVM_GETHEADER, 0, 0));
  return header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}
int ListView::AddRow(const std::u16string& text) {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = RowCount();
  std::u16string copy = text;
  item.pszText = os::WidePtr(copy.data());
  return static_cast<int>(SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}
void ListView::SetCell(int row, int column, const std::u16string& text) {
  LVITEMW item{};
  item.iSubItem = column;
  std::u16string copy = text;
  item.pszText = os::WidePtr(copy.data());
  SendMessageW(hwnd_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}
std::u16string ListView::Cell(int row, int column) const {
  wchar_t buffer[1024] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = 1024;
  SendMessageW(hwnd_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return std::u16string(os::U16Ptr(buffer));
}
int ListView::RowCount() const { return static_cast<int>(SendMessageW(hwnd_, LVM_GETITEMCOUNT, 0, 0)); }
void ListView::RemoveRow(int row) { SendMessageW(hwnd_, LVM_DELETEITEM, static_cast<WPARAM>(row), 0); }
int ListView::SelectedRow() const {
  return static_cast<int>(SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}
bool ListView::RowSelected(int row) const {
  return (SendMessageW(hwnd_, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) & LVIS_SELECTED) != 0;
}
LRESULT ListView::OnNotify(NMHDR* header) {
  const std::function<void()>* handler = nullptr;
  switch (header->code) {
    case static_cast<UINT>(NM_CLICK):
      handler = &on_click;
      break;
    case static_cast<UINT>(NM_RCLICK):
      handler = &on_right_click;
      break;
    case static_cast<UINT>(NM_SETFOCUS):
      handler = &on_got_focus;
      break;
    case static_cast<UINT>(NM_KILLFOCUS):
      handler = &on_lost_focus;
      break;
    case static_cast<UINT>(LVN_ITEMCHANGED): {
      const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
      if ((change->uChanged & LVIF_STATE) && ((change->uOldState ^ change->uNewState) & LVIS_SELECTED)) {
        handler = &on_selection_change;
      }
      break;
    }
    default:
      break;
  }
  if (handler && *handler) (*handler)();
  return 0;
}

// Toolbar --------------------------------------------------------------------------------------------
void Toolbar::AddButtons(const std::vector<ButtonSpec>& buttons) {
  std::vector<TBBUTTON> specs;
  for (const auto& b : buttons) {
    const int index = static_cast<int>(keys_.size());
    keys_.push_back(b.key);
    tips_.push_back(std::make_unique<std::u16string>(b.tip));
    TBBUTTON button{};
    button.idCommand = first_command_ + index;
    if (b.key.empty()) {
      button.fsStyle = BTNS_SEP;
    } else {
      button.iBitmap = b.image;
      button.fsState = TBSTATE_ENABLED;
      button.fsStyle = BTNS_BUTTON;
      button.iString = reinterpret_cast<INT_PTR>(tips_.back()->c_str());
    }
    specs.push_back(button);
  }
  SendMessageW(hwnd_, TB_ADDBUTTONSW, specs.size(), reinterpret_cast<LPARAM>(specs.data()));
  SendMessageW(hwnd_, TB_AUTOSIZE, 0, 0);
}
Toolbar::~Toolbar() {
  if (images_) ImageList_Destroy(images_);
}
void Toolbar::SetImageStrip(HBITMAP strip, COLORREF mask) {
  BITMAP info{};
  if (!strip || GetObjectW(strip, sizeof info, &info) != static_cast<int>(sizeof info) || info.bmHeight <= 0) return;
  const int size = info.bmHeight;
  HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, info.bmWidth / size, 0);
  if (!images) return;
  ImageList_AddMasked(images, strip, mask);
  SendMessageW(hwnd_, TB_SETBITMAPSIZE, 0, MAKELPARAM(size, size));
  SendMessageW(hwnd_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
  if (images_) ImageList_Destroy(images_);
  images_ = images;
}
std::u16string Toolbar::Tip(int index) const { return *tips_.at(static_cast<std::size_t>(index)); }
void Toolbar::SetTip(int index, const std::u16string& tip) {
  *tips_.at(static_cast<std::size_t>(index)) = tip;
  TBBUTTONINFOW info{};
  info.cbSize = sizeof info;
  info.dwMask = TBIF_TEXT;
  info.pszText = os::WidePtr(tips_[static_cast<std::size_t>(index)]->data());
  SendMessageW(hwnd_, TB_SETBUTTONINFOW, static_cast<WPARAM>(first_command_ + index), reinterpret_cast<LPARAM>(&info));
}
bool Toolbar::Pressed(int index) const {
  return SendMessageW(hwnd_, TB_ISBUTTONPRESSED, static_cast<WPARAM>(first_command_ + index), 0) != 0;
}
void Toolbar::SetPressed(int index, bool pressed) {
  SendMessageW(hwnd_, TB_PRESSBUTTON, static_cast<WPARAM>(first_command_ + index), MAKELPARAM(pressed ? 1 : 0, 0));
}
void Toolbar::SetButtonEnabled(int index, bool enabled) {
  SendMessageW(hwnd_, TB_ENABLEBUTTON, static_cast<WPARAM>(first_command_ + index), MAKELPARAM(enabled ? 1 : 0, 0));
}
void Toolbar::ClickButton(int index) {
  if (on_click) on_click(Key(index));
}
void Toolbar::OnCommand(int, int command_id) {
  const int index = command_id - first_command_;
  if (index >= 0 && index < ButtonCount()) ClickButton(index);
}

// Status bar -----------------------------------------------------------------------------------------
void StatusBar::SetPanels(const std::vector<double>& widths_twips) {
  std::vector<int> edges;
  int right = 0;
  for (std::size_t i = 0; i < widths_twips.size(); ++i) {
    right += TwipsToPixelsX(widths_twips[i]);
    edges.push_back(i + 1 == widths_twips.size() ? -1 : right);
  }
  SendMessageW(hwnd_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}
std::u16string StatusBar::Panel(int index) const {
  const auto length = LOWORD(SendMessageW(hwnd_, SB_GETTEXTLENGTHW, static_cast<WPARAM>(index), 0));
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  SendMessageW(hwnd_, SB_GETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(length);
  return text;
}
void StatusBar::SetPanel(int index, const std::u16string& text) {
  SendMessageW(hwnd_, SB_SETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
}

// Date picker ----------------------------------------------------------------------------------------
SYSTEMTIME DatePicker::Value() const {
  SYSTEMTIME value{};
  SendMessageW(hwnd_, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&value));
  return value;
}
void DatePicker::SetValue(const SYSTEMTIME& value) {
  SendMessageW(hwnd_, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value));
  if (on_change) on_change();
}
LRESULT DatePicker::OnNotify(NMHDR* header) {
  if (header->code == static_cast<UINT>(DTN_DATETIMECHANGE) && on_change) on_change();
  return 0;
}

// Menus ----------------------------------------------------------------------------------------------
MenuTable::~MenuTable() {
  if (accelerators_) DestroyAcceleratorTable(accelerators_);
  // The bar belongs to its window, which destroys it; the pop-up menus are ours.
  for (auto& [command, popup] : popups_) DestroyMenu(popup);
}

void MenuTable::Build(const std::vector<MenuRow>& rows) {
  bar_ = CreateMenu();
  std::vector<ACCEL> accels;
  std::vector<HMENU> stack;  // the menu that takes rows of depth i + 1
  int skip_below = -1;       // rows deeper than this belong to an invisible row
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const MenuRow& row = rows[i];
    if (skip_below >= 0 && row.depth > skip_below) continue;
    skip_below = -1;
    const bool has_children = i + 1 < rows.size() && rows[i + 1].depth > row.depth;
    stack.resize(static_cast<std::size_t>(row.depth));
    if (row.depth == 0 && !row.visible) {
      HMENU popup = CreatePopupMenu();
      popups_[row.command] = popup;
      stack.push_back(popup);
      continue;
    }
    if (!row.visible) {
      skip_below = row.depth;
      continue;
    }
    HMENU parent = row.depth == 0 ? bar_ : stack.back();
    std::u16string caption = row.caption;
    if (caption == u"-") {
      AppendMenuW(parent, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    if (row.key) {
      std::u16string shortcut = row.ctrl ? u"Ctrl+" : u"";
      if (row.key >= VK_F1 && row.key <= VK_F12) {
        shortcut += u"F" + std::u16string(row.key - VK_F1 + 1 >= 10 ? u"1" : u"") +
                    static_cast<char16_t>(u'0' + (row.key - VK_F1 + 1) % 10);
      } else {
        shortcut += static_cast<char16_t>(row.key);
      }
      shortcut_text_[row.command] = shortcut;
      caption += u"\t" + shortcut;
      ACCEL accel{};
      accel.fVirt = static_cast<BYTE>(FVIRTKEY | (row.ctrl ? FCONTROL : 0));
      accel.key = row.key;
      accel.cmd = static_cast<WORD>(row.command);
      accels.push_back(accel);
    }
    UINT flags = MF_STRING | (row.checked ? MF_CHECKED : 0) | (row.enabled ? 0 : MF_GRAYED);
    if (has_children) {
      HMENU sub = CreatePopupMenu();
      AppendMenuW(parent, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), os::WidePtr(caption.c_str()));
      stack.push_back(sub);
    } else {
      AppendMenuW(parent, flags, static_cast<UINT_PTR>(row.command), os::WidePtr(caption.c_str()));
      owner_[row.command] = parent;
    }
  }
  if (!accels.empty()) accelerators_ = CreateAcceleratorTableW(accels.data(), static_cast<int>(accels.size()));
}

HMENU MenuTable::Popup(int command) const {
  const auto it = popups_.find(command);
  return it == popups_.end() ? nullptr : it->second;
}
HMENU MenuTable::MenuOf(int command) const {
  const auto it = owner_.find(command);
  return it == owner_.end() ? nullptr : it->second;
}
void MenuTable::SetChecked(int command, bool checked) {
  if (HMENU menu = MenuOf(command)) CheckMenuItem(menu, static_cast<UINT>(command), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}
bool MenuTable::Checked(int command) const {
  HMENU menu = MenuOf(command);
  return menu && (GetMenuState(menu, static_cast<UINT>(command), MF_BYCOMMAND) & MF_CHECKED) != 0;
}
void MenuTable::SetEnabled(int command, bool enabled) {
  if (HMENU menu = MenuOf(command)) EnableMenuItem(menu, static_cast<UINT>(command), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}
bool MenuTable::Enabled(int command) const {
  HMENU menu = MenuOf(command);
  return menu && (GetMenuState(menu, static_cast<UINT>(command), MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
}
void MenuTable::SetCaption(int command, const std::u16string& caption) {
  HMENU menu = MenuOf(command);
  if (!menu) return;
  std::u16string text = caption;
  const auto it = shortcut_text_.find(command);
  if (it != shortcut_text_.end()) text += u"\t" + it->second;
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STRING;
  info.dwTypeData = os::WidePtr(text.data());
  SetMenuItemInfoW(menu, static_cast<UINT>(command), FALSE, &info);
}
std::u16string MenuTable::Caption(int command) const {
  HMENU menu = MenuOf(command);
  if (!menu) return {};
  wchar_t buffer[256] = {};
  GetMenuStringW(menu, static_cast<UINT>(command), buffer, 256, MF_BYCOMMAND);
  std::u16string text = os::U16Ptr(buffer);
  const auto tab = text.find(u'\t');
  return tab == std::u16string::npos ? text : text.substr(0, tab);
}

// Form -----------------------------------------------------------------------------------------------
Form::Form(std::u16string caption, double left, double top, double width, double height)
    : caption_(std::move(caption)), left_(left), top_(top), width_(width), height_(height) {}

Form::~Form() {
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  if (font_) DeleteObject(font_);
}

HWND Form::hwnd() {
  if (!hwnd_) Load();
  return hwnd_;
}

void Form::Load() {
  if (hwnd_) return;
  EnsureCommonControls();
  RegisterFormClass();
  if (!font_) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    font_ = CreateFontIndirectW(&metrics.lfMessageFont);
  }
  hwnd_ = CreateWindowExW(0, kFormClass, os::WidePtr(caption_.c_str()), WS_OVERLAPPEDWINDOW,
                          TwipsToPixelsX(left_), TwipsToPixelsY(top_), TwipsToPixelsX(width_), TwipsToPixelsY(height_),
                          nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!hwnd_) return;
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Form::WindowProc));
  OnLoad();
}

void Form::Show() {
  ShowWindow(hwnd(), SW_SHOW);
  UpdateWindow(hwnd_);
}

namespace {
ModalResponder g_modal_responder = nullptr;
void* g_modal_context = nullptr;
}  // namespace

void SetModalResponder(ModalResponder responder, void* context) {
  g_modal_responder = responder;
  g_modal_context = context;
}

void Form::ShowModal(HWND owner) {
  HWND window = hwnd();
  if (owner) EnableWindow(owner, FALSE);
  modal_ = true;
  ShowWindow(window, SW_SHOW);
  if (g_modal_responder) g_modal_responder(*this, g_modal_context);
  MSG msg;
  while (modal_ && hwnd_ && IsWindowVisible(hwnd_)) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    Form* target = FormOf(msg.hwnd);
    if (target && target->TranslateFormMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  modal_ = false;
  if (owner) {
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
  }
}

void Form::Hide() {
  if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
  modal_ = false;
}

void Form::Unload() {
  if (!hwnd_) return;
  left_ = Left();
  top_ = Top();
  width_ = Width();
  height_ = Height();
  DestroyWindow(hwnd_);
  modal_ = false;
}

double Form::Left() {
  RECT r{};
  GetWindowRect(hwnd(), &r);
  return PixelsToTwipsX(r.left);
}
double Form::Top() {
  RECT r{};
  GetWindowRect(hwnd(), &r);
  return PixelsToTwipsY(r.top);
}
double Form::Width() {
  RECT r{};
  GetWindowRect(hwnd(), &r);
  return PixelsToTwipsX(r.right - r.left);
}
double Form::Height() {
  RECT r{};
  GetWindowRect(hwnd(), &r);
  return PixelsToTwipsY(r.bottom - r.top);
}
void Form::SetGeometry(double left, double top, double width, double height) {
  SetWindowPos(hwnd(), nullptr, TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(width),
               TwipsToPixelsY(height), SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetMenu(MenuTable& menu) {
  menu_ = &menu;
  ::SetMenu(hwnd(), menu.bar());
}

bool Form::TranslateFormMessage(MSG& msg) {
  if (menu_ && menu_->accelerators() && TranslateAcceleratorW(hwnd_, menu_->accelerators(), &msg)) return true;
  if (msg.message != WM_KEYDOWN || (msg.wParam != VK_RETURN && msg.wParam != VK_ESCAPE)) return false;
  if (msg.wParam == VK_RETURN) {
    // An editable combo box's edit field is a child of the box.
    for (HWND h : {msg.hwnd, GetParent(msg.hwnd)}) {
      const auto it = by_hwnd_.find(h);
      auto* combo = it == by_hwnd_.end() ? nullptr : dynamic_cast<ComboBox*>(it->second);
      if (combo && combo->on_enter) {
        combo->on_enter();
        return true;
      }
    }
  }
  // Enter belongs to a multi-line text box and to an open drop-down list.
  wchar_t name[32] = {};
  GetClassNameW(msg.hwnd, name, 32);
  if (msg.wParam == VK_RETURN && lstrcmpiW(name, L"Edit") == 0 &&
      (GetWindowLongPtrW(msg.hwnd, GWL_STYLE) & ES_MULTILINE)) {
    return false;
  }
  Button* button = msg.wParam == VK_RETURN ? default_button_ : cancel_button_;
  if (!button || !button->Enabled()) return false;
  button->Click();
  return true;
}

void Form::ClearOptionGroup(int group, OptionButton* except) {
  for (auto& control : controls_) {
    auto* option = dynamic_cast<OptionButton*>(control.get());
    if (option && option != except && option->group_ == group) {
      SendMessageW(option->hwnd(), BM_SETCHECK, BST_UNCHECKED, 0);
    }
  }
}

int Form::RunMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    Form* target = FormOf(msg.hwnd);
    if (target && target->TranslateFormMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!form) return DefWindowProcW(hwnd, message, wparam, lparam);
  return form->Handle(message, wparam, lparam);
}

LRESULT Form::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT handled = 0;
  if (OnMessage(message, wparam, lparam, handled)) return handled;
  switch (message) {
    case WM_COMMAND: {
      if (lparam) {
        const auto it = by_hwnd_.find(reinterpret_cast<HWND>(lparam));
        if (it != by_hwnd_.end()) it->second->OnCommand(HIWORD(wparam), LOWORD(wparam));
      } else {
        OnMenuCommand(LOWORD(wparam));
      }
      return 0;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      const auto it = by_hwnd_.find(header->hwndFrom);
      if (it != by_hwnd_.end()) return it->second->OnNotify(header);
      break;
    }
    case WM_SIZE:
      for (auto& control : controls_) {
        if (dynamic_cast<Toolbar*>(control.get()) || dynamic_cast<StatusBar*>(control.get())) {
          SendMessageW(control->hwnd(), WM_SIZE, 0, 0);
        }
      }
      OnResize();
      return 0;
    case WM_TIMER:
      OnTimer(wparam);
      return 0;
    case WM_CLOSE:
      OnCloseRequest();
      return 0;
    case WM_DESTROY:
      OnDestroyWindow();
      break;
    case WM_NCDESTROY: {
      const LRESULT result = DefWindowProcW(hwnd_, message, wparam, lparam);
      hwnd_ = nullptr;
      controls_.clear();
      by_hwnd_.clear();
      default_button_ = cancel_button_ = nullptr;
      return result;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

template <typename T>
T& Form::Add(T* control, const wchar_t* window_class, const std::u16string& text, DWORD style, double l, double t,
             double w, double h, DWORD ex_style) {
  std::unique_ptr<Control> owned(control);
  HWND parent = hwnd();
  control->id_ = next_id_++;
  control->hwnd_ = CreateWindowExW(ex_style, window_class, os::WidePtr(text.c_str()), WS_CHILD | WS_VISIBLE | style,
                                   TwipsToPixelsX(l), TwipsToPixelsY(t), TwipsToPixelsX(w), TwipsToPixelsY(h), parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(control->id_)),
                                   GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control->hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  by_hwnd_[control->hwnd_] = control;
  controls_.push_back(std::move(owned));
  return *control;
}

Label& Form::AddLabel(const std::u16string& caption, double l, double t, double w, double h) {
  return Add(new Label, L"STATIC", caption, SS_LEFT, l, t, w, h);
}
TextBox& Form::AddTextBox(double l, double t, double w, double h, bool multi_line, bool wrap) {
  DWORD style = WS_TABSTOP | WS_BORDER;
  if (multi_line) {
    style |= ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL | ES_AUTOVSCROLL;
    if (!wrap) style |= WS_HSCROLL | ES_AUTOHSCROLL;
  } else {
    style |= ES_AUTOHSCROLL;
  }
  return Add(new TextBox, L"EDIT", u"", style, l, t, w, h, WS_EX_CLIENTEDGE);
}
ComboBox& Form::AddComboBox(double l, double t, double w, double h, bool editable) {
  return Add(new ComboBox, L"COMBOBOX", u"", WS_TABSTOP | WS_VSCROLL | (editable ? CBS_DROPDOWN : CBS_DROPDOWNLIST),
             l, t, w, h);
}
ListBox& Form::AddListBox(double l, double t, double w, double h) {
  return Add(new ListBox, L"LISTBOX", u"", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | WS_BORDER, l, t, w, h);
}
CheckBox& Form::AddCheckBox(const std::u16string& caption, double l, double t, double w, double h) {
  return Add(new CheckBox, L"BUTTON", caption, WS_TABSTOP | BS_AUTOCHECKBOX, l, t, w, h);
}
OptionButton& Form::AddOptionButton(const std::u16string& caption, int group, double l, double t, double w, double h) {
  OptionButton& option = Add(new OptionButton, L"BUTTON", caption, WS_TABSTOP | BS_RADIOBUTTON, l, t, w, h);
  option.group_ = group;
  option.form_ = this;
  return option;
}
Button& Form::AddButton(const std::u16string& caption, double l, double t, double w, double h) {
  return Add(new Button, L"BUTTON", caption, WS_TABSTOP | BS_PUSHBUTTON, l, t, w, h);
}
Frame& Form::AddFrame(const std::u16string& caption, double l, double t, double w, double h) {
  return Add(new Frame, L"BUTTON", caption, BS_GROUPBOX, l, t, w, h);
}
Picture& Form::AddPicture(double l, double t, double w, double h) {
  // The static keeps the box's size and centres the bitmap in it; SS_NOTIFY reports the clicks.
  return Add(new Picture, L"STATIC", u"", SS_BITMAP | SS_CENTERIMAGE | SS_NOTIFY, l, t, w, h);
}
TabStrip& Form::AddTabStrip(double l, double t, double w, double h) {
  return Add(new TabStrip, WC_TABCONTROLW, u"", WS_TABSTOP, l, t, w, h);
}
ListView& Form::AddListView(double l, double t, double w, double h) {
  return Add(new ListView, WC_LISTVIEWW, u"", WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, l, t, w, h,
             WS_EX_CLIENTEDGE);
}
Toolbar& Form::AddToolbar() {
  Toolbar& bar = Add(new Toolbar, TOOLBARCLASSNAMEW, u"", TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP, 0, 0, 0, 0);
  bar.first_command_ = 0x6000;
  SendMessageW(bar.hwnd(), TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(bar.hwnd(), TB_LOADIMAGES, IDB_STD_SMALL_COLOR, reinterpret_cast<LPARAM>(HINST_COMMCTRL));
  // Button texts serve as tool tips instead of captions: no text row shows them on the buttons, and
  // mixed buttons hand a button's text to its tip.
  SendMessageW(bar.hwnd(), TB_SETMAXTEXTROWS, 0, 0);
  SendMessageW(bar.hwnd(), TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
  return bar;
}
StatusBar& Form::AddStatusBar() { return Add(new StatusBar, STATUSCLASSNAMEW, u"", SBARS_SIZEGRIP, 0, 0, 0, 0); }
DatePicker& Form::AddDatePicker(double l, double t, double w, double h) {
  return Add(new DatePicker, DATETIMEPICK_CLASSW, u"", WS_TABSTOP | DTS_SHORTDATEFORMAT, l, t, w, h);
}

// Input box ------------------------------------------------------------------------------------------
namespace {

class InputForm final : public Form {
 public:
  InputForm(const std::u16string& title, const std::u16string& prompt, const std::u16string& value)
      : Form(title, 3000, 3000, 5400, 2200), prompt_(prompt), value_(value) {}
  bool accepted = false;
  std::u16string value() const { return value_; }

 protected:
  void OnLoad() override {
    AddLabel(prompt_, 120, 120, 3600, 900);
    box_ = &AddTextBox(120, 1100, 5000, 330);
    box_->SetText(value_);
    Button& ok = AddButton(u"OK", 3900, 120, 1200, 380);
    Button& cancel = AddButton(u"Cancel", 3900, 560, 1200, 380);
    ok.on_click = [this] {
      value_ = box_->Text();
      accepted = true;
      Hide();
    };
    cancel.on_click = [this] { Hide(); };
    SetDefaultButton(&ok);
    SetCancelButton(&cancel);
  }

 private:
  std::u16string prompt_;
  std::u16string value_;
  TextBox* box_ = nullptr;
};

}  // namespace

bool InputBox(HWND owner, const std::u16string& prompt, const std::u16string& title, std::u16string& value) {
  InputForm form(title, prompt, value);
  form.ShowModal(owner);
  if (form.accepted) value = form.value();
  return form.accepted;
}

bool ChooseFontFor(HWND owner, FontChoice& choice) {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(choice.points, ScreenDpi(1), 72);
  font.lfWeight = choice.bold ? FW_BOLD : FW_NORMAL;
  font.lfItalic = choice.italic ? TRUE : FALSE;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(font.lfFaceName, os::WidePtr(choice.face.c_str()), LF_FACESIZE);
  CHOOSEFONTW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpLogFont = &font;
  dialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
  if (!ChooseFontW(&dialog)) return false;
  choice.face = os::U16Ptr(font.lfFaceName);
  choice.points = dialog.iPointSize / 10;
  choice.bold = font.lfWeight >= FW_BOLD;
  choice.italic = font.lfItalic != 0;
  return true;
}

}  // namespace forms
