#include "config/settings/advanced_settings_win32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>
#include <shlobj.h>

#include <iterator>
#include <vector>

#include "config/app/config_resources.h"
#include "config/settings/library_settings_text_win32.h"
#include "config/settings/settings_export.h"
#include "config/app/temp_files.h"
#include "config/app/text_file.h"
#include "config/app/text_file_dialogs_win32.h"
#include "platform/dialogs/popup_menu_win32.h"
#include "platform/os/folder_tree.h"
#include "platform/os/message_box.h"
#include "platform/os/native_path.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/settings_store.h"

namespace lz::config {
namespace {

constexpr char16_t kProgramCaption[] = u"配置程序";
constexpr char16_t kFindCaption[] = u"高级设置";
constexpr char16_t kTempExportName[] = u"_temp_lzconfig.dsc";

constexpr int kLibraryIcon = 0x65;
constexpr int kUndoLimit = 40960;
// The rich edit holds 32767 characters unless told otherwise; a settings text may be longer.
constexpr LPARAM kTextLimit = 16 * 1024 * 1024;
constexpr int kSearchTextChars = 64;
constexpr int kLineChars = 512;
constexpr LONG kTextHeightTwips = 196;
constexpr COLORREF kCommentColour = RGB(0, 0x80, 0);
constexpr COLORREF kValueColour = RGB(0, 0, 0xFF);
constexpr COLORREF kPlainColour = RGB(0, 0, 0);
constexpr int kEditLeft = 10, kEditTop = 45, kEditRightMargin = 20, kEditBottomMargin = 55;
constexpr UINT_PTR kEditSubclass = 1;
constexpr std::size_t kDisplayNameUnits = 64;

enum HotKey { kFocusFind = 1, kFindNextK = 2, kFindNextF3 = 3 };

void SetRangeColour(HWND edit, LONG from, LONG to, COLORREF colour) {
  if (from >= to) return;
  CHARRANGE range{from, to};
  SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  format.dwMask = CFM_COLOR;
  format.crTextColor = colour;
  SendMessageW(edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
}

// The Documents folder (created when missing) with a trailing backslash; empty when it can't be had.
std::u16string DocumentsFolder() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    return {};
  }
  std::u16string path(os::U16Ptr(folder));
  if (!path.empty() && path.back() != u'\\') path += u'\\';
  return path;
}

}  // namespace

AdvancedSettingsDialog::AdvancedSettingsDialog(HINSTANCE module, ConfigContext* context, std::u16string display_name)
    : Dialog(module, IDD_ADVANCED_TEXT_DIALOG),
      module_(module),
      context_(context),
      display_name_(std::move(display_name)) {}

std::u16string AdvancedSettingsDialog::Text() const {
  if (!edit_) return {};
  const int length = GetWindowTextLengthW(edit_);
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  const int read = GetWindowTextW(edit_, os::WidePtr(text.data()), length + 1);
  text.resize(static_cast<std::size_t>(read > 0 ? read : 0));
  return text;
}

BOOL AdvancedSettingsDialog::OnInitDialog() {
  search_start_ = 0;
  edit_ = Item(IDC_ADVANCED_TEXT_EDIT);
  if (context_ && context_->library) {
    if (HICON icon = LoadIconW(context_->library, MAKEINTRESOURCEW(kLibraryIcon))) {
      SendMessageW(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
      SendMessageW(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
  }
  const std::u16string title =
      std::u16string(kAdvancedTitlePrefix) + (display_name_.empty() ? std::u16string(u"*") : display_name_);
  SetWindowTextW(window(), os::WidePtr(title.c_str()));
  if (!edit_) return TRUE;
  RECT client{};
  GetClientRect(window(), &client);
  MoveWindow(edit_, kEditLeft, kEditTop, client.right - kEditRightMargin, client.bottom - kEditBottomMargin, FALSE);
  SendMessageW(edit_, EM_EXLIMITTEXT, 0, kTextLimit);
  SetWindowSubclass(edit_, EditProcedure, kEditSubclass, reinterpret_cast<DWORD_PTR>(this));

  // The text comes through a file in the temporary folder, which each opening overwrites.
  char16_t temp_path[kMaxPathUnits] = {};
  if (context_ && context_->engine && GetTempSubPath(kTempExportName, temp_path) > 0) {
    const ConfigBlocks& blocks = context_->engine->blocks;
    SettingsTextOps* ops = NewLibrarySettingsTextOps(context_->library);
    const bool exported = ExportSettingsText(blocks.ime, blocks.dme, blocks.skin, ops, temp_path);
    if (ops) ops->free(ops);
    std::u16string text;
    if (exported && ReadTextFile(temp_path, text) == kTextFileRead) {
      SendMessageW(edit_, EM_SETUNDOLIMIT, kUndoLimit, 0);
      SetText(text);
    }
  }
  ColourSettingsText();
  SendMessageW(edit_, EM_SETEVENTMASK, 0, SendMessageW(edit_, EM_GETEVENTMASK, 0, 0) | ENM_CHANGE);
  modified_ = false;
  EnableWindow(Item(IDC_ADVANCED_TEXT_SAVE), FALSE);
  return FALSE;  // the focus is the rich edit's
}

void AdvancedSettingsDialog::SetText(const std::u16string& text) {
  SetWindowTextW(edit_, os::WidePtr(text.c_str()));
}

void AdvancedSettingsDialog::ColourSettingsText() {
  if (!edit_) return;
  SendMessageW(edit_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(edit_, EM_SETSEL, 0, -1);
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  format.dwMask = CFM_COLOR | CFM_SIZE | CFM_FACE;
  format.dwEffects = 0;  // no automatic colour
  format.yHeight = kTextHeightTwips;
  format.crTextColor = kPlainColour;
  lstrcpynW(format.szFaceName, L"Tahoma", LF_FACESIZE);
  SendMessageW(edit_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));

  const int lines = static_cast<int>(SendMessageW(edit_, EM_GETLINECOUNT, 0, 0));
  std::vector<wchar_t> buffer(kLineChars + 1);
  for (int i = 0; i < lines; ++i) {
    const LONG start = static_cast<LONG>(SendMessageW(edit_, EM_LINEINDEX, i, 0));
    if (start < 0) continue;
    *reinterpret_cast<WORD*>(buffer.data()) = kLineChars;
    LRESULT copied = SendMessageW(edit_, EM_GETLINE, i, reinterpret_cast<LPARAM>(buffer.data()));
    std::u16string_view line(os::U16Ptr(buffer.data()), static_cast<std::size_t>(copied));
    while (!line.empty() && (line.back() == u'\r' || line.back() == u'\n')) line.remove_suffix(1);
    const LONG end = start + static_cast<LONG>(line.size());
    if (line.starts_with(u"//")) {
      SetRangeColour(edit_, start, end, kCommentColour);
    } else if (!line.starts_with(u"[-")) {
      const std::size_t equals = line.find(u'=');
      if (equals != std::u16string_view::npos) {
        SetRangeColour(edit_, start + static_cast<LONG>(equals) + 1, end, kValueColour);
      }
    }
  }
  SendMessageW(edit_, EM_SETSEL, 0, 0);
  SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
  SendMessageW(edit_, WM_VSCROLL, SB_TOP, 0);
  SendMessageW(edit_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(edit_, nullptr, TRUE);
  // Loading and colouring are no steps the user can undo.
  SendMessageW(edit_, EM_EMPTYUNDOBUFFER, 0, 0);
  SetFocus(edit_);
}

void AdvancedSettingsDialog::FindNextText() {
  wchar_t wanted[kSearchTextChars] = {};
  GetDlgItemTextW(window(), IDC_ADVANCED_TEXT_FIND, wanted, kSearchTextChars);
  if (!wanted[0] || !edit_) return;
  const auto find_from = [&](LONG from, CHARRANGE& found) {
    FINDTEXTEXW request{};
    request.chrg.cpMin = from;
    request.chrg.cpMax = -1;
    request.lpstrText = wanted;
    const LRESULT at = SendMessageW(edit_, EM_FINDTEXTEXW, FR_DOWN, reinterpret_cast<LPARAM>(&request));
    found = request.chrgText;
    return at >= 0;
  };
  CHARRANGE found{};
  bool hit = find_from(search_start_, found);
  if (!hit && search_start_ != 0) hit = find_from(0, found);
  if (!hit) {
    os::ShowMessageBox(window(), kNotFoundText, kFindCaption, MB_ICONERROR);
    return;
  }
  SendMessageW(edit_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&found));
  SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
  search_start_ = found.cpMax + 1;
  SetFocus(edit_);
}

bool AdvancedSettingsDialog::SaveSettingsText() {
  const std::u16string text = Text();
  int result = kSettingsStoreNotWritable;
  if (context_ && context_->engine && context_->engine->files.config) {
    MappedFile* store = context_->engine->files.config;
    SettingsTextOps* ops = NewLibrarySettingsTextOps(context_->library);
    result = ImportSettingsTextToStore(text, store, ops);
    if (ops) ops->free(ops);
    // The writer may have mapped the store again: the context's block views follow it.
    FindConfigBlocks(ByteView{store->view, static_cast<std::uint32_t>(store->size)}, context_->engine->blocks);
  }
  if (result != kSettingsImported) {
    os::ShowMessageBox(window(),
                       result == kSettingsTextWithoutSections ? kNoSettingsSectionsText : kSettingsNotWritableText,
                       kProgramCaption, MB_ICONWARNING);
    return false;
  }
  modified_ = false;
  EnableWindow(Item(IDC_ADVANCED_TEXT_SAVE), FALSE);
  if (edit_) SetFocus(edit_);
  return true;
}

std::u16string AdvancedSettingsDialog::BackupFolder() const {
  std::u16string folder = DocumentsFolder();
  if (folder.empty() || !context_ || !context_->engine) return folder;
  const std::u16string name = ReadFieldText(context_->engine->blocks.soft, soft_block::kDisplayName, kDisplayNameUnits);
  folder += u"[ " + name + u" ]";
  if (folder.size() >= static_cast<std::size_t>(kMaxPathUnits)) return DocumentsFolder();
  os::CreateDirectoryTree(folder.c_str());
  return folder + u"\\";
}

void AdvancedSettingsDialog::BackupSettingsText() {
  std::u16string chosen;
  if (!ShowSaveTextDialog(window(), BackupFolder(), chosen)) return;
  const std::u16string path = SettingsBackupPath(chosen);
  // The backup is the text as it stands in the editor, saved or not.
  if (path.empty() || !WriteSettingsBackup(path.c_str(), Text())) {
    os::ShowMessageBox(window(), kBackupNotWrittenText, kProgramCaption, MB_ICONERROR);
  }
}

void AdvancedSettingsDialog::RestoreSettingsText() {
  std::u16string chosen;
  if (!ShowOpenTextDialog(window(), BackupFolder(), kRestoreTitle, std::u16string_view(kTextFileFilter, std::size(kTextFileFilter) - 1),
                          chosen)) {
    return;
  }
  std::u16string text;
  if (ReadTextFile(chosen.c_str(), text) != kTextFileRead) return;
  // A file that is no settings text leaves the editor and the settings as they are.
  if (!IsSettingsText(text)) {
    os::ShowMessageBox(window(), kNoSettingsSectionsText, kProgramCaption, MB_ICONWARNING);
    return;
  }
  SetText(text);
  ColourSettingsText();
  SaveSettingsText();
}

void AdvancedSettingsDialog::OnCancel() {
  if (modified_) {
    const int answer = os::ShowMessageBox(window(), kSaveChangesText, kProgramCaption, MB_YESNOCANCEL | MB_ICONWARNING);
    if (answer == IDCANCEL) return;
    if (answer == IDYES && !SaveSettingsText()) return;
  }
  End(IDCANCEL);
}

void AdvancedSettingsDialog::OnDestroy() {
  SetHotKeys(false);
  if (edit_) RemoveWindowSubclass(edit_, EditProcedure, kEditSubclass);
}

void AdvancedSettingsDialog::SetHotKeys(bool on) {
  if (on == hot_keys_) return;
  hot_keys_ = on;
  if (on) {
    RegisterHotKey(window(), kFocusFind, MOD_CONTROL, 'F');
    RegisterHotKey(window(), kFindNextK, MOD_CONTROL, 'K');
    RegisterHotKey(window(), kFindNextF3, 0, VK_F3);
  } else {
    for (int id : {kFocusFind, kFindNextK, kFindNextF3}) UnregisterHotKey(window(), id);
  }
}

bool AdvancedSettingsDialog::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case IDC_ADVANCED_TEXT_EDIT:
      if (code == EN_CHANGE) {
        modified_ = true;
        EnableWindow(Item(IDC_ADVANCED_TEXT_SAVE), TRUE);
      }
      return true;
    case IDC_ADVANCED_TEXT_FIND:
      if (code == EN_CHANGE) EnableWindow(Item(IDOK), GetWindowTextLengthW(Item(IDC_ADVANCED_TEXT_FIND)) > 0);
      return true;
    case IDC_ADVANCED_TEXT_SAVE:
      if (code == BN_CLICKED) SaveSettingsText();
      return true;
    case IDC_ADVANCED_TEXT_BACKUP:
      if (code == BN_CLICKED) BackupSettingsText();
      return true;
    case IDC_ADVANCED_TEXT_RESTORE:
      if (code == BN_CLICKED) RestoreSettingsText();
      return true;
    default:
      return Dialog::OnCommand(id, code, control);
  }
}

bool AdvancedSettingsDialog::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (message) {
    case WM_SIZE:
      if (edit_) {
        MoveWindow(edit_, kEditLeft, kEditTop, LOWORD(lparam) - kEditRightMargin, HIWORD(lparam) - kEditBottomMargin,
                   TRUE);
      }
      result = 0;
      return true;
    case WM_ACTIVATE:
      SetHotKeys(LOWORD(wparam) != WA_INACTIVE);
      return false;
    case WM_HOTKEY:
      if (wparam == kFocusFind) {
        HWND find = Item(IDC_ADVANCED_TEXT_FIND);
        SetFocus(find);
        SendMessageW(find, EM_SETSEL, 0, -1);
        SendMessageW(find, EM_SCROLLCARET, 0, 0);
      } else if (wparam == kFindNextK || wparam == kFindNextF3) {
        FindNextText();
      }
      result = 0;
      return true;
    default:
      return false;
  }
}

void AdvancedSettingsDialog::ShowContextMenu() {
  SetFocus(edit_);
  HMENU menu = LoadMenuW(module_, MAKEINTRESOURCEW(IDM_ADVANCED_TEXT_MENU));
  if (!menu) return;
  HMENU items = GetSubMenu(menu, 0);
  CHARRANGE selection{};
  SendMessageW(edit_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  const auto enable = [&](UINT id, bool on) { EnableMenuItem(items, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
  enable(IDM_TEXT_PASTE, SendMessageW(edit_, EM_CANPASTE, 0, 0) != 0);
  enable(IDM_TEXT_COPY, selection.cpMin != selection.cpMax);
  enable(IDM_TEXT_CUT, selection.cpMin != selection.cpMax);
  enable(IDM_TEXT_UNDO, SendMessageW(edit_, EM_CANUNDO, 0, 0) != 0);
  enable(IDM_TEXT_REDO, SendMessageW(edit_, EM_CANREDO, 0, 0) != 0);
  POINT at{};
  GetCursorPos(&at);
  menu_showing_ = true;
  const int command = dialogs::ShowPopupMenu(items, edit_, at.x, at.y);
  menu_showing_ = false;
  DestroyMenu(menu);
  switch (command) {
    case IDM_TEXT_DELETE: SendMessageW(edit_, WM_CLEAR, 0, 0); break;
    case IDM_TEXT_PASTE: SendMessageW(edit_, WM_PASTE, 0, 0); break;
    case IDM_TEXT_COPY: SendMessageW(edit_, WM_COPY, 0, 0); break;
    case IDM_TEXT_CUT: SendMessageW(edit_, WM_CUT, 0, 0); break;
    case IDM_TEXT_UNDO: SendMessageW(edit_, EM_UNDO, 0, 0); break;
    case IDM_TEXT_REDO: SendMessageW(edit_, EM_REDO, 0, 0); break;
    default: break;
  }
}

LRESULT CALLBACK AdvancedSettingsDialog::EditProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                                       UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<AdvancedSettingsDialog*>(data);
  if (message == WM_RBUTTONUP && self) {
    self->ShowContextMenu();
    return 0;
  }
  if (message == WM_SETCURSOR && self && self->menu_showing_) {
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    return TRUE;
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

void RunAdvancedSettings(HINSTANCE module, ConfigContext* context, const std::u16string& display_name, HWND owner) {
  AdvancedSettingsDialog(module, context, display_name).RunModal(owner);
}

}  // namespace lz::config
