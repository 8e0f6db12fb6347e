#include "config/settings/key_editor_win32.h"

#include <iterator>

#include "config/app/config_resources.h"
#include "platform/dialogs/popup_menu_win32.h"
#include "platform/os/message_box.h"
#include "platform/os/native_path.h"

namespace lz::config {
namespace {

constexpr char16_t kCaption[] = u"配置程序";
constexpr char16_t kFullText[] = u"组合按键空间用尽，您最多能定义64组组合键。";
constexpr char16_t kFullCaption[] = u"蓝卓输入法生成器";
constexpr int kKeyEditorIcon = 0x72;
constexpr int kFocusInset = 4;
constexpr COLORREF kFrameColour = RGB(128, 128, 128);
constexpr COLORREF kCaptionColour = RGB(0, 0, 0);

MappedFile* ConfigFile(ConfigContext* context) {
  return context && context->engine ? context->engine->files.config : nullptr;
}

const ByteView* DmeBlock(ConfigContext* context) {
  static const ByteView kNoBlock{};
  return context && context->engine ? &context->engine->blocks.dme : &kNoBlock;
}

void Frame(HDC dc, RECT box, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FrameRect(dc, &box, brush);
  DeleteObject(brush);
}

}  // namespace

KeyEditorDialog::KeyEditorDialog(HINSTANCE module, ConfigContext* context, std::u16string display_name)
    : Dialog(module, IDD_KEY_FUNCTIONS),
      module_(module),
      context_(context),
      display_name_(std::move(display_name)),
      editor_(ConfigFile(context), DmeBlock(context)) {}

KeyEditorDialog::~KeyEditorDialog() {
  Destroy();
  if (big_icon_) DestroyIcon(big_icon_);
  if (small_icon_) DestroyIcon(small_icon_);
}

BOOL KeyEditorDialog::OnInitDialog() {
  const std::u16string title = u"按键功能定义 - " + (display_name_.empty() ? std::u16string(u"*") : display_name_);
  SetWindowTextW(window(), os::WidePtr(title.c_str()));
  if (context_ && context_->library) {
    big_icon_ = static_cast<HICON>(LoadImageW(context_->library, MAKEINTRESOURCEW(kKeyEditorIcon), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    small_icon_ = static_cast<HICON>(LoadImageW(context_->library, MAKEINTRESOURCEW(kKeyEditorIcon), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    if (big_icon_) SendMessageW(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon_));
    if (small_icon_) SendMessageW(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_));
  }
  return TRUE;
}

ModifierBoxes KeyEditorDialog::Boxes() const {
  return ModifierBoxes{IsDlgButtonChecked(window(), IDC_KEYS_CTRL) == BST_CHECKED,
                       IsDlgButtonChecked(window(), IDC_KEYS_ALT) == BST_CHECKED,
                       IsDlgButtonChecked(window(), IDC_KEYS_SHIFT) == BST_CHECKED};
}

// The modifier keys cannot carry a modifier of their own; every key's fill follows the boxes.
void KeyEditorDialog::ShowModifierState() {
  const bool any = Boxes().any();
  for (const KeyButton& button : KeyButtons()) {
    if (IsModifierKeyButton(button.id)) EnableWindow(Item(button.id), any ? FALSE : TRUE);
    InvalidateRect(Item(button.id), nullptr, TRUE);
  }
}

bool KeyEditorDialog::OnCommand(int id, int code, HWND control) {
  if (id == IDC_KEYS_CTRL || id == IDC_KEYS_ALT || id == IDC_KEYS_SHIFT) {
    if (code == BN_CLICKED) ShowModifierState();
    return true;
  }
  if (!KeyButtonName(id).empty()) {
    if (code == BN_CLICKED) EditKey(id);
    return true;
  }
  return Dialog::OnCommand(id, code, control);
}

void KeyEditorDialog::EditKey(int id) {
  KeyBindingEditor::Edit edit;
  switch (editor_.BeginEdit(KeyCodeForButton(id, Boxes()), edit)) {
    case KeyBindingEditor::Start::kNoKey:
      return;
    case KeyBindingEditor::Start::kFull:
      os::ShowMessageBox(window(), kFullText, kFullCaption, MB_ICONERROR);
      return;
    case KeyBindingEditor::Start::kRefused:
      ReportRefused();
      return;
    case KeyBindingEditor::Start::kEdit:
      break;
  }
  HMENU menu = LoadMenuW(module_, MAKEINTRESOURCEW(IDR_KEY_FUNCTION_MENU));
  HMENU popup = menu ? GetSubMenu(menu, 0) : nullptr;
  for (int command : CheckedMenuCommands(edit.binding.mask)) {
    CheckMenuItem(popup, static_cast<UINT>(command), MF_BYCOMMAND | MF_CHECKED);
  }
  POINT cursor{};
  GetCursorPos(&cursor);
  const int command = popup ? dialogs::ShowPopupMenu(popup, window(), cursor.x, cursor.y) : 0;
  if (menu) DestroyMenu(menu);

  KeyBindingEditor::Outcome outcome = editor_.FinishEdit(edit, command);
  if (outcome == KeyBindingEditor::Outcome::kAskWholeTable) {
    const std::u16string question(WholeTableQuestion(command));
    const bool yes = os::ShowMessageBox(window(), question.c_str(), kCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
    outcome = editor_.FinishWholeTable(edit, command, yes);
  }
  if (outcome == KeyBindingEditor::Outcome::kRefused) ReportRefused();
  for (const KeyButton& button : KeyButtons()) InvalidateRect(Item(button.id), nullptr, TRUE);
}

void KeyEditorDialog::ReportRefused() { ReportRefusedWrite(context_, window()); }

bool KeyEditorDialog::OnMessage(UINT message, WPARAM, LPARAM lparam, LRESULT& result) {
  if (message != WM_DRAWITEM || !lparam) return false;
  const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
  if (item.CtlType != ODT_BUTTON || KeyButtonName(static_cast<int>(item.CtlID)).empty()) return false;
  DrawKeyButton(item);
  result = TRUE;
  return true;
}

void KeyEditorDialog::DrawKeyButton(const DRAWITEMSTRUCT& item) const {
  HDC dc = item.hDC;
  RECT box = item.rcItem;
  const std::int32_t code = KeyCodeForButton(static_cast<int>(item.CtlID), Boxes());
  const bool bound = code > 0 && KeyHasFunctions(*DmeBlock(context_), code);
  HBRUSH fill = bound ? CreateSolidBrush(kBoundKeyColour) : GetSysColorBrush(COLOR_MENU);
  FillRect(dc, &box, fill);

  wchar_t caption[64] = {};
  GetWindowTextW(item.hwndItem, caption, static_cast<int>(std::size(caption)));
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, disabled ? kDisabledCaptionColour : kCaptionColour);
  DrawTextW(dc, caption, -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (bound) DeleteObject(fill);

  Frame(dc, box, kFrameColour);
  if (item.itemState & ODS_FOCUS) {
    RECT focus = box;
    InflateRect(&focus, -kFocusInset, -kFocusInset);
    DrawFocusRect(dc, &focus);
    if (item.itemState & ODS_SELECTED) {
      RECT pressed = box;
      InflateRect(&pressed, -1, -1);
      Frame(dc, pressed, kFrameColour);
    }
  }
}

}  // namespace lz::config
