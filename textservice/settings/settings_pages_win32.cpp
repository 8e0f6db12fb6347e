// The four settings pages as dialogs of the library. The procedures only carry values between the
// controls and the portable page functions; every block write holds config.dsc's writer lock.
#include "textservice/settings/settings_pages_win32.h"

#include <commdlg.h>
#include <dlgs.h>
#include <shlobj.h>

#include <algorithm>
#include <new>
#include <vector>

#include "platform/os/folder_tree.h"
#include "platform/os/folder_list.h"
#include "platform/os/message_box.h"
#include "platform/os/native_path.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/engine_instance.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/skin_block.h"
#include "textservice/skin/builtin_skin_win32.h"
#include "textservice/tsf/library_module.h"
#include "textservice/settings/settings_export.h"
#include "textservice/settings/settings_page_resources.h"
#include "textservice/settings/settings_pages.h"
#include "textservice/skin/skin_package.h"

namespace lz {
namespace {

namespace pages = settings_pages;

HWND g_page = nullptr;
HWND g_parent = nullptr;  // the window hosting g_page
EngineInstance* g_settings = nullptr;
SkinCatalog* g_catalog = nullptr;                     // page 3's skins, loaded once it is first needed
std::vector<std::u16string>* g_font_families = nullptr;  // built once per process

constexpr int kPageSize = 600;
constexpr int kPathBufferUnits = pages::kPathUnits;

ConfigBlocks Blocks() { return g_settings ? g_settings->blocks : ConfigBlocks{}; }

// Runs a change of the blocks under config.dsc's writer lock; a store that can't be written (a heap copy,
// or the lock can't be had) is left alone, and the page's parent is told, since only it can say so.
template <typename Change>
void WriteBlocks(Change change) {
  if (!g_settings || !g_settings->files.config) return;
  ScopedFileWrite write(g_settings->files.config);
  if (write.ok()) {
    change(g_settings->blocks);
  } else if (g_parent) {
    SendMessageW(g_parent, kSettingsNotWritten, 0, 0);
  }
}

std::u16string ControlText(HWND page, int id) {
  HWND control = GetDlgItem(page, id);
  const int length = control ? GetWindowTextLengthW(control) : 0;
  if (length <= 0) return {};
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  const int got = GetWindowTextW(control, os::WidePtr(text.data()), length + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
}

void SetControlText(HWND page, int id, const std::u16string& text) {
  SetDlgItemTextW(page, id, os::WidePtr(text.c_str()));
}

bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }
void Check(HWND page, int id, bool on) { CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED); }

void FillList(HWND page, int id, std::initializer_list<const char16_t*> items) {
  SendDlgItemMessageW(page, id, CB_RESETCONTENT, 0, 0);
  for (const char16_t* item : items) SendDlgItemMessageW(page, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
}

void FillList(HWND page, int id, const std::vector<std::u16string>& items) {
  SendDlgItemMessageW(page, id, CB_RESETCONTENT, 0, 0);
  for (const std::u16string& item : items) {
    SendDlgItemMessageW(page, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
}

int Selection(HWND page, int id) { return static_cast<int>(SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0)); }
void Select(HWND page, int id, int item) { SendDlgItemMessageW(page, id, CB_SETCURSEL, static_cast<WPARAM>(item), 0); }

std::u16string SelectedText(HWND page, int id) {
  const int item = Selection(page, id);
  if (item < 0) return {};
  const LRESULT length = SendDlgItemMessageW(page, id, CB_GETLBTEXTLEN, static_cast<WPARAM>(item), 0);
  if (length < 0) return {};
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  SendDlgItemMessageW(page, id, CB_GETLBTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

// A page's answer to a message that has one: DWLP_MSGRESULT carries it back to SendMessage.
INT_PTR Answer(HWND page, LRESULT result) {
  SetWindowLongPtrW(page, DWLP_MSGRESULT, result);
  return TRUE;
}

void PlacePage(HWND page) { SetWindowPos(page, nullptr, 0, 0, kPageSize, kPageSize, SWP_NOZORDER | SWP_NOACTIVATE); }

// What a page does with its dialog messages: fill its controls when it opens, write them back on OK (null:
// its controls write as they change) and answer its controls' notifications (null: none).
struct PageBehaviour {
  void (*init)(HWND page);
  void (*apply)(HWND page);
  void (*command)(HWND page, int id, int code);
  bool show_on_open;
};

// The messages every page answers alike; OK is the parent's call to apply, answered with 0.
INT_PTR PageMessage(const PageBehaviour& behaviour, HWND page, UINT message, WPARAM wparam) {
  switch (message) {
    case WM_INITDIALOG:
      behaviour.init(page);
      PlacePage(page);
      if (behaviour.show_on_open) ShowWindow(page, SW_SHOW);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        if (behaviour.apply) behaviour.apply(page);
        return Answer(page, 0);
      }
      if (behaviour.command) behaviour.command(page, LOWORD(wparam), HIWORD(wparam));
      return TRUE;
    default:
      return FALSE;
  }
}

// ---- page 1 ----

constexpr int kStateRadios[] = {IDC_IME_STATE_OPEN, IDC_IME_STATE_CLOSED, IDC_IME_CHINESE_PUNCTUATION,
                                IDC_IME_ENGLISH_PUNCTUATION, IDC_IME_FULL_WIDTH, IDC_IME_HALF_WIDTH};

void ShowStateRadios(HWND page) {
  const bool defined = pages::InitialStateDefined(Blocks().ime);
  const pages::InitialStateChoice choice = pages::ReadInitialState(Blocks().ime);
  const bool on[] = {choice.open, !choice.open, choice.chinese_punctuation, !choice.chinese_punctuation,
                     choice.full_width, !choice.full_width};
  for (std::size_t i = 0; i < std::size(kStateRadios); ++i) {
    EnableWindow(GetDlgItem(page, kStateRadios[i]), defined);
    Check(page, kStateRadios[i], defined && on[i]);
  }
}

bool HasAssociationTable() {
  if (!g_settings) return false;
  const std::u16string path = std::u16string(g_settings->data_location) + u"sysl.dmg";
  return os::RegularFileSize(path.c_str()) >= 0;
}

void InitImeOptionsPage(HWND page) {
  FillList(page, IDC_IME_CODE_HINTS,
           {u"从不提示", u"空码时提示", u"第 1 码时", u"第 2 码时", u"第 3 码时", u"第 4 码时", u"第 5 码时"});
  FillList(page, IDC_IME_WORD_DISPLAY, {u"不显示词语", u"总是显示", u"第 2 码时", u"第 3 码时", u"第 4 码时", u"第 5 码时"});
  FillList(page, IDC_IME_FREQUENCY, {u"一次到顶", u"逐渐到顶", u"禁止调整"});
  const ConfigBlocks blocks = Blocks();
  Select(page, IDC_IME_CODE_HINTS, pages::CodeHintItem(blocks.dme));
  Select(page, IDC_IME_WORD_DISPLAY, pages::WordDisplayItem(blocks.dme));
  Select(page, IDC_IME_FREQUENCY, pages::FrequencyItem(blocks.ime));
  Check(page, IDC_IME_ASSOCIATION, pages::FlagOn(blocks.ime, ime_block::kImeFlags, ime_block::kAssociation));
  ShowWindow(GetDlgItem(page, IDC_IME_ASSOCIATION), HasAssociationTable() ? SW_SHOW : SW_HIDE);
  Check(page, IDC_IME_DEFINE_STATE, pages::InitialStateDefined(blocks.ime));
  ShowStateRadios(page);
}

// The initial-state radio pairs: the button that sets the state's bit and the one that clears it.
struct StateRadioPair {
  int set_id;
  int clear_id;
  std::uint32_t bit;
};
constexpr StateRadioPair kStateRadioPairs[] = {
    {IDC_IME_STATE_CLOSED, IDC_IME_STATE_OPEN, ime_block::kStateClosed},
    {IDC_IME_CHINESE_PUNCTUATION, IDC_IME_ENGLISH_PUNCTUATION, ime_block::kStateChinesePunctuation},
    {IDC_IME_FULL_WIDTH, IDC_IME_HALF_WIDTH, ime_block::kStateFullWidth},
};

void ImeOptionsCommand(HWND page, int id, int code) {
  if (code == CBN_SELCHANGE) {
    const int item = Selection(page, id);
    if (id == IDC_IME_CODE_HINTS) WriteBlocks([&](const ConfigBlocks& b) { pages::SetCodeHintItem(b.dme, item); });
    if (id == IDC_IME_WORD_DISPLAY) WriteBlocks([&](const ConfigBlocks& b) { pages::SetWordDisplayItem(b.dme, item); });
    if (id == IDC_IME_FREQUENCY) WriteBlocks([&](const ConfigBlocks& b) { pages::SetFrequencyItem(b.ime, item); });
    return;
  }
  if (code != BN_CLICKED) return;
  const bool on = Checked(page, id);
  switch (id) {
    case IDC_IME_ASSOCIATION:
      WriteBlocks([&](const ConfigBlocks& b) { pages::SetFlag(b.ime, ime_block::kImeFlags, ime_block::kAssociation, on); });
      break;
    case IDC_IME_DEFINE_STATE:
      WriteBlocks([&](const ConfigBlocks& b) { pages::SetInitialStateDefined(b.ime, on); });
      ShowStateRadios(page);
      break;
    default:
      for (const StateRadioPair& pair : kStateRadioPairs) {
        if (id != pair.set_id && id != pair.clear_id) continue;
        WriteBlocks([&](const ConfigBlocks& b) { pages::SetInitialStateBit(b.ime, pair.bit, id == pair.set_id); });
      }
      break;
  }
}

INT_PTR CALLBACK ImeOptionsPageProc(HWND page, UINT message, WPARAM wparam, LPARAM) {
  static constexpr PageBehaviour kBehaviour{InitImeOptionsPage, nullptr, ImeOptionsCommand, true};
  return PageMessage(kBehaviour, page, message, wparam);
}

// ---- page 2 ----

constexpr int kLengthControls[5] = {IDC_CODE_AUTO_COMMIT_LENGTH, IDC_CODE_PUSH_LENGTH, IDC_CODE_CLEAR_LENGTH,
                                    IDC_CODE_WORD_LENGTH, IDC_CODE_HINT_LENGTH};
constexpr int kKeyControls[4] = {IDC_CODE_WILDCARD, IDC_CODE_ENGLISH_KEY, IDC_CODE_AUXILIARY_KEY,
                                 IDC_CODE_SECONDARY_KEY};
constexpr int kLengthChars = 3;

struct CodeCheck {
  int id;
  bool pages::CodeOptionsForm::*field;
};
constexpr CodeCheck kCodeChecks[] = {
    {IDC_CODE_AUTO_COMMIT_FULL, &pages::CodeOptionsForm::full_code_auto_commit},
    {IDC_CODE_PUSH_FULL, &pages::CodeOptionsForm::full_code_push},
    {IDC_CODE_SIMPLEST_MODE, &pages::CodeOptionsForm::simplest_mode},
    {IDC_CODE_HINTS_ON_EMPTY, &pages::CodeOptionsForm::hints_on_empty_code},
    {IDC_CODE_FIRST_KEY_QUERY, &pages::CodeOptionsForm::first_key_query},
    {IDC_CODE_FIRST_KEY_REPEAT, &pages::CodeOptionsForm::first_key_repeat},
    {IDC_CODE_SINGLE_CHARACTERS, &pages::CodeOptionsForm::single_characters},
};

void InitCodeOptionsPage(HWND page) {
  const pages::CodeOptionsForm form = pages::ReadCodeOptions(Blocks().dme);
  for (int i = 0; i < 5; ++i) {
    SendDlgItemMessageW(page, kLengthControls[i], EM_LIMITTEXT, kLengthChars, 0);
    SetControlText(page, kLengthControls[i], form.lengths[i]);
  }
  for (int i = 0; i < 4; ++i) {
    SendDlgItemMessageW(page, kKeyControls[i], EM_LIMITTEXT, 1, 0);
    SetControlText(page, kKeyControls[i], form.keys[i]);
  }
  for (const CodeCheck& c : kCodeChecks) Check(page, c.id, form.*c.field);
  for (int id : {IDC_CODE_COMMIT_LEAD_KEYS, IDC_CODE_END_KEYS}) {
    SendDlgItemMessageW(page, id, EM_LIMITTEXT, pages::kKeyTextUnits, 0);
  }
  SetControlText(page, IDC_CODE_COMMIT_LEAD_KEYS, form.commit_lead_keys);
  SetControlText(page, IDC_CODE_END_KEYS, form.code_end_keys);
}

void ApplyCodeOptionsPage(HWND page) {
  pages::CodeOptionsForm form;
  for (int i = 0; i < 5; ++i) form.lengths[i] = ControlText(page, kLengthControls[i]);
  for (int i = 0; i < 4; ++i) form.keys[i] = ControlText(page, kKeyControls[i]);
  for (const CodeCheck& c : kCodeChecks) form.*c.field = Checked(page, c.id);
  form.commit_lead_keys = ControlText(page, IDC_CODE_COMMIT_LEAD_KEYS);
  form.code_end_keys = ControlText(page, IDC_CODE_END_KEYS);
  WriteBlocks([&](const ConfigBlocks& b) { pages::WriteCodeOptions(b.dme, form); });
}

INT_PTR CALLBACK CodeOptionsPageProc(HWND page, UINT message, WPARAM wparam, LPARAM) {
  static constexpr PageBehaviour kBehaviour{InitCodeOptionsPage, ApplyCodeOptionsPage, nullptr, false};
  return PageMessage(kBehaviour, page, message, wparam);
}

// ---- page 3 ----

int CALLBACK FamilyFound(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM found) {
  reinterpret_cast<std::vector<std::u16string>*>(found)->push_back(os::U16Ptr(font->lfFaceName));
  return 1;
}

const std::vector<std::u16string>& FontFamilies() {
  if (!g_font_families) {
    std::vector<std::u16string> found;
    if (HDC screen = GetDC(nullptr)) {
      LOGFONTW all{};
      all.lfCharSet = DEFAULT_CHARSET;
      EnumFontFamiliesExW(screen, &all, FamilyFound, reinterpret_cast<LPARAM>(&found), 0);
      ReleaseDC(nullptr, screen);
    }
    g_font_families = new (std::nothrow) std::vector<std::u16string>(pages::FontFamilyList(std::move(found)));
  }
  static const std::vector<std::u16string> kNone;
  return g_font_families ? *g_font_families : kNone;
}

SkinCatalog& Catalog() {
  static SkinCatalog kEmpty;
  if (!g_catalog) g_catalog = new (std::nothrow) SkinCatalog;
  if (!g_catalog) return kEmpty;
  if (g_catalog->skins.empty() && g_settings) {
    LoadSkinCatalog(*g_catalog, SkinSources{std::u16string(g_settings->install_folder),
                                            FindBuiltinSkin(LibraryModule())});
  }
  return *g_catalog;
}

std::u16string PackageName(const LoadedSkin& skin) {
  return std::u16string(SkinFileName(skin.description.source));
}

const LoadedSkin* ChosenSkin(HWND page) {
  const SkinCatalog& catalog = Catalog();
  const int item = Selection(page, IDC_DISPLAY_SKIN);
  if (item < 0 || static_cast<std::size_t>(item) >= catalog.skins.size()) return nullptr;
  return &catalog.skins[static_cast<std::size_t>(item)];
}

void RefreshFontControls(HWND page) {
  const LoadedSkin* chosen = ChosenSkin(page);
  const TextStyle style = chosen ? chosen->description.text : TextStyle{};
  const pages::FontChoice shown = pages::ShownFonts(Blocks().skin, style);
  const std::vector<std::u16string>& families = FontFamilies();
  Select(page, IDC_DISPLAY_CODE_FONT, pages::FontNameItem(families, shown.code_name));
  Select(page, IDC_DISPLAY_CANDIDATE_FONT, pages::FontNameItem(families, shown.candidate_name));
  Select(page, IDC_DISPLAY_CODE_SIZE, pages::SizeItem(shown.code_size));
  Select(page, IDC_DISPLAY_CANDIDATE_SIZE, pages::SizeItem(shown.candidate_size));
  for (int id : {IDC_DISPLAY_CODE_FONT, IDC_DISPLAY_CANDIDATE_FONT, IDC_DISPLAY_CODE_SIZE, IDC_DISPLAY_CANDIDATE_SIZE}) {
    EnableWindow(GetDlgItem(page, id), shown.enabled);
  }
  Check(page, IDC_DISPLAY_OWN_FONTS, shown.enabled);
}

void InitDisplayPage(HWND page) {
  const SkinCatalog& catalog = Catalog();
  std::vector<std::u16string> names;
  std::vector<std::u16string> packages;
  for (const LoadedSkin& skin : catalog.skins) {
    names.emplace_back(skin.description.info.name);
    packages.push_back(PackageName(skin));
  }
  FillList(page, IDC_DISPLAY_SKIN, names);
  const ConfigBlocks blocks = Blocks();
  // A configured skin that is not installed (or none) shows the first; the blocks stay as they are until
  // the user chooses, so opening and closing the page writes nothing.
  const int chosen = pages::ConfiguredSkinIndex(packages, blocks.skin);
  Select(page, IDC_DISPLAY_SKIN, chosen < 0 && !packages.empty() ? 0 : chosen);

  FillList(page, IDC_DISPLAY_LAYOUT, {u"横排样式", u"竖排样式", u"左起纵向"});
  Select(page, IDC_DISPLAY_LAYOUT, pages::CandidateLayoutItem(blocks.skin));
  FillList(page, IDC_DISPLAY_PLACEMENT, {u"跟随光标", u"跟随状态栏", u"固定位置"});
  Select(page, IDC_DISPLAY_PLACEMENT, pages::PlacementItem(blocks.ime));
  FillList(page, IDC_DISPLAY_PAGE_SIZE, {u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9", u"10"});
  Select(page, IDC_DISPLAY_PAGE_SIZE, pages::PageSizeItem(blocks.ime));
  Check(page, IDC_DISPLAY_HIDE_CANDIDATES,
        pages::FlagOn(blocks.ime, ime_block::kImeFlags, ime_block::kHideCandidateWindow));
  Check(page, IDC_DISPLAY_HIDE_STATUS, pages::FlagOn(blocks.ime, ime_block::kImeFlags, ime_block::kHideStatusWindow));

  FillList(page, IDC_DISPLAY_CODE_FONT, FontFamilies());
  FillList(page, IDC_DISPLAY_CANDIDATE_FONT, FontFamilies());
  std::vector<std::u16string> sizes;
  for (int i = 0; i < pages::kSizeItems; ++i) sizes.push_back(pages::SizeItemText(i));
  FillList(page, IDC_DISPLAY_CODE_SIZE, sizes);
  FillList(page, IDC_DISPLAY_CANDIDATE_SIZE, sizes);
  RefreshFontControls(page);
}

void DrawPreview(HWND page, const DRAWITEMSTRUCT& item) {
  const RECT& box = item.rcItem;
  const int width = box.right - box.left;
  const int height = box.bottom - box.top;
  if (width <= 0 || height <= 0) return;
  HDC memory = CreateCompatibleDC(item.hDC);
  HBITMAP bitmap = CreateCompatibleBitmap(item.hDC, width, height);
  if (!memory || !bitmap) {
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    return;
  }
  HGDIOBJ old = SelectObject(memory, bitmap);
  RECT local{0, 0, width, height};
  FillRect(memory, &local, GetSysColorBrush(COLOR_BTNFACE));
  if (const LoadedSkin* chosen = ChosenSkin(page)) {
    const std::u16string path = pages::PreviewImagePath(chosen->description.source);
    if (std::unique_ptr<SkinImage> image = LoadPngFromFile(path.c_str())) {
      DrawImageOnWhite(memory, pages::CentredOffset(width, image->width), pages::CentredOffset(height, image->height),
                       *image, width, height);
    }
  }
  BitBlt(item.hDC, box.left, box.top, width, height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
}

void DisplayCommand(HWND page, int id, int code) {
  if (code == CBN_SELCHANGE) {
    const int item = Selection(page, id);
    switch (id) {
      case IDC_DISPLAY_SKIN:
        if (const LoadedSkin* chosen = ChosenSkin(page)) {
          const std::u16string name = PackageName(*chosen);
          WriteBlocks([&](const ConfigBlocks& b) { pages::WriteSkinNames(b.skin, name); });
        }
        InvalidateRect(GetDlgItem(page, IDC_DISPLAY_PREVIEW), nullptr, TRUE);
        RefreshFontControls(page);
        break;
      case IDC_DISPLAY_LAYOUT:
        WriteBlocks([&](const ConfigBlocks& b) { pages::SetCandidateLayoutItem(b.skin, item); });
        break;
      case IDC_DISPLAY_PLACEMENT:
        WriteBlocks([&](const ConfigBlocks& b) { pages::SetPlacementItem(b.ime, item); });
        break;
      case IDC_DISPLAY_PAGE_SIZE:
        WriteBlocks([&](const ConfigBlocks& b) { pages::SetPageSizeItem(b.ime, item); });
        break;
      case IDC_DISPLAY_CODE_FONT:
      case IDC_DISPLAY_CANDIDATE_FONT: {
        const std::u16string name = SelectedText(page, id);
        WriteBlocks([&](const ConfigBlocks& b) { pages::SetFontName(b.skin, id == IDC_DISPLAY_CODE_FONT, name); });
        break;
      }
      case IDC_DISPLAY_CODE_SIZE:
      case IDC_DISPLAY_CANDIDATE_SIZE:
        if (item >= 0 && item < pages::kSizeItems) {
          WriteBlocks([&](const ConfigBlocks& b) {
            pages::SetFontSize(b.skin, id == IDC_DISPLAY_CODE_SIZE, pages::kFontSizes[item]);
          });
        }
        break;
      default:
        break;
    }
    return;
  }
  if (code != BN_CLICKED) return;
  const bool on = Checked(page, id);
  if (id == IDC_DISPLAY_HIDE_CANDIDATES) {
    WriteBlocks([&](const ConfigBlocks& b) {
      pages::SetFlag(b.ime, ime_block::kImeFlags, ime_block::kHideCandidateWindow, on);
    });
  } else if (id == IDC_DISPLAY_HIDE_STATUS) {
    WriteBlocks([&](const ConfigBlocks& b) { pages::SetFlag(b.ime, ime_block::kImeFlags, ime_block::kHideStatusWindow, on); });
  } else if (id == IDC_DISPLAY_OWN_FONTS) {
    const LoadedSkin* chosen = ChosenSkin(page);
    const TextStyle style = chosen ? chosen->description.text : TextStyle{};
    WriteBlocks([&](const ConfigBlocks& b) { pages::SetOwnFonts(b.skin, on, style); });
    RefreshFontControls(page);
  }
}

INT_PTR CALLBACK DisplayPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DRAWITEM) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
    if (!item || item->CtlID != IDC_DISPLAY_PREVIEW) return FALSE;
    DrawPreview(page, *item);
    return TRUE;
  }
  static constexpr PageBehaviour kBehaviour{InitDisplayPage, nullptr, DisplayCommand, false};
  return PageMessage(kBehaviour, page, message, wparam);
}

// ---- page 4 ----

struct SkinCheck {
  int id;
  bool pages::SkinOptionsForm::*field;
};
constexpr SkinCheck kSkinChecks[] = {
    {IDC_SKIN_SHOW_NUMBERS, &pages::SkinOptionsForm::show_numbers},
    {IDC_SKIN_SHOW_HINTS, &pages::SkinOptionsForm::show_code_hints},
    {IDC_SKIN_SHOW_BUTTONS, &pages::SkinOptionsForm::show_buttons},
    {IDC_SKIN_HIDE_STATUS, &pages::SkinOptionsForm::hide_status},
};
struct SkinList {
  int id;
  int pages::SkinOptionsForm::*field;
};
constexpr SkinList kSkinLists[] = {
    {IDC_SKIN_LAYOUT, &pages::SkinOptionsForm::layout},
    {IDC_SKIN_PLACEMENT, &pages::SkinOptionsForm::placement},
    {IDC_SKIN_EMBEDDING, &pages::SkinOptionsForm::embedding},
    {IDC_SKIN_CURSOR, &pages::SkinOptionsForm::cursor},
};

// Asks the parent for one of its 260-unit texts; whatever it leaves there is cut at 259 units.
std::u16string AskParent(HWND page, UINT message) {
  char16_t buffer[kPathBufferUnits] = {};
  SendMessageW(GetParent(page), message, 0, reinterpret_cast<LPARAM>(buffer));
  buffer[kPathBufferUnits - 1] = 0;
  return std::u16string(buffer);
}

void RefillDefaultSkins(HWND page, const std::u16string& wanted) {
  const pages::DefaultSkinList list = pages::ListDefaultSkins(ControlText(page, IDC_SKIN_PATH));
  FillList(page, IDC_SKIN_DEFAULT, list.entries);
  int item = 0;
  for (std::size_t i = 0; i < list.entries.size(); ++i) {
    if (list.entries[i] == wanted) item = static_cast<int>(i);
  }
  Select(page, IDC_SKIN_DEFAULT, list.entries.empty() ? -1 : item);
  EnableWindow(GetDlgItem(page, IDC_SKIN_DEFAULT), list.enabled);
}

void InitSkinOptionsPage(HWND page) {
  const std::u16string base = AskParent(page, kAskSkinBaseFolder);
  const std::u16string setting = AskParent(page, kAskSkinPathSetting);
  const pages::SkinOptionsForm form = pages::ReadSkinOptions(Blocks());
  FillList(page, IDC_SKIN_LAYOUT, {u"横排样式", u"竖排样式", u"左起纵向样式"});
  FillList(page, IDC_SKIN_PLACEMENT, {u"跟随光标", u"跟随状态栏", u"固定位置"});
  FillList(page, IDC_SKIN_EMBEDDING, {u"TSF-嵌入编码", u"TSF-嵌入首选", u"TSF-传统样式"});
  FillList(page, IDC_SKIN_CURSOR, {u"竖线 | ", u"横线 _ ", u"隐藏光标"});
  for (const SkinCheck& c : kSkinChecks) Check(page, c.id, form.*c.field);
  for (const SkinList& l : kSkinLists) Select(page, l.id, form.*l.field);
  SetControlText(page, IDC_SKIN_VERTICAL_CODES, form.vertical_codes);
  SendDlgItemMessageW(page, IDC_SKIN_PATH, EM_LIMITTEXT, kPathBufferUnits - 1, 0);
  SetControlText(page, IDC_SKIN_PATH, pages::SkinPathDisplay(base, setting));
  RefillDefaultSkins(page, form.default_skin);
}

void ApplySkinOptionsPage(HWND page) {
  pages::SkinOptionsForm form;
  form.default_skin = SelectedText(page, IDC_SKIN_DEFAULT);
  for (const SkinCheck& c : kSkinChecks) form.*c.field = Checked(page, c.id);
  for (const SkinList& l : kSkinLists) form.*l.field = Selection(page, l.id);
  form.vertical_codes = ControlText(page, IDC_SKIN_VERTICAL_CODES);
  WriteBlocks([&](const ConfigBlocks& b) { pages::WriteSkinOptions(b, form); });
  const std::u16string path = ControlText(page, IDC_SKIN_PATH);
  SendMessageW(GetParent(page), kSkinPathEdited, 0, reinterpret_cast<LPARAM>(path.c_str()));
}

void SkinOptionsCommand(HWND page, int id, int code) {
  if (id == IDC_SKIN_PATH && code == EN_CHANGE) {
    RefillDefaultSkins(page, SelectedText(page, IDC_SKIN_DEFAULT));
    return;
  }
  if (code != BN_CLICKED) return;
  std::u16string chosen;
  if (id == IDC_SKIN_CHOOSE_FOLDER) {
    if (BrowseForFolder(chosen, page)) SetControlText(page, IDC_SKIN_PATH, chosen);
  } else if (id == IDC_SKIN_CHOOSE_FILE) {
    if (ChooseSkinFile(chosen, page)) SetControlText(page, IDC_SKIN_PATH, chosen);
  } else if (id == IDC_SKIN_USE_BUILTIN) {
    SetControlText(page, IDC_SKIN_PATH, u"");
  }
}

INT_PTR CALLBACK SkinOptionsPageProc(HWND page, UINT message, WPARAM wparam, LPARAM) {
  static constexpr PageBehaviour kBehaviour{InitSkinOptionsPage, ApplySkinOptionsPage, SkinOptionsCommand, false};
  return PageMessage(kBehaviour, page, message, wparam);
}

// ---- the choosers ----

using GetOpenFileNameProc = BOOL(WINAPI*)(OPENFILENAMEW*);

constexpr int kChooserCancelled = IDCANCEL;
constexpr wchar_t kChooseLabel[] = L"选择(&O)";

std::u16string g_last_folder;  // where both choosers start; the desktop at first

std::u16string StartFolder() {
  if (g_last_folder.empty()) {
    wchar_t desktop[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop))) {
      g_last_folder = os::U16Ptr(desktop);
    }
  }
  return g_last_folder;
}

// Runs GetOpenFileNameW from Comdlg32.dll; false when the library or the function is missing.
bool RunOpenDialog(OPENFILENAMEW& dialog, BOOL& result) {
  HMODULE comdlg = LoadLibraryW(L"Comdlg32.dll");
  if (!comdlg) return false;
  auto open = reinterpret_cast<GetOpenFileNameProc>(reinterpret_cast<void*>(GetProcAddress(comdlg, "GetOpenFileNameW")));
  if (open) result = open(&dialog);
  FreeLibrary(comdlg);
  return open != nullptr;
}

std::u16string FolderOf(const std::u16string& path) {
  const std::size_t last = path.find_last_of(u"\\/");
  return last == std::u16string::npos ? std::u16string() : path.substr(0, last);
}

// The folder chooser's state while its dialog runs (one chooser at a time per thread).
struct FolderChoice {
  WNDPROC dialog_proc = nullptr;
  std::u16string folder;
  bool chosen = false;
};
thread_local FolderChoice* t_folder_choice = nullptr;

std::u16string FolderPathOf(HWND dialog) {
  wchar_t folder[MAX_PATH] = {};
  SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
  folder[MAX_PATH - 1] = 0;
  return os::U16Ptr(folder);
}

// OK while it reads "选择(&O)" takes the folder the dialog shows, offering to create it when missing.
bool TakeFolder(HWND dialog) {
  const std::u16string folder = FolderPathOf(dialog);
  if (folder.empty()) return false;
  if (!os::IsFolder(folder.c_str())) {
    std::u16string question = u"目录“" + folder + u"”不存在。\r\n是否创建该目录？";
    if (os::ShowMessageBox(dialog, question.c_str(), u"文件夹选择", os::kBoxYesNo | os::kBoxIconQuestion) !=
        os::kAnswerYes) {
      return false;
    }
    os::CreateDirectoryTree(folder.c_str());
    if (!os::IsFolder(folder.c_str())) {
      os::ShowMessageBox(dialog, u"创建目录失败，请确定程序对当前路径的访问权限。", u"文件夹选择", MB_ICONERROR);
      return false;
    }
  }
  t_folder_choice->folder = folder;
  t_folder_choice->chosen = true;
  return true;
}

LRESULT CALLBACK FolderDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  FolderChoice* choice = t_folder_choice;
  if (!choice) return DefWindowProcW(dialog, message, wparam, lparam);
  if (message == WM_COMMAND && LOWORD(wparam) == IDOK && HIWORD(wparam) == BN_CLICKED) {
    wchar_t label[32] = {};
    GetDlgItemTextW(dialog, IDOK, label, 32);
    if (lstrcmpW(label, kChooseLabel) == 0) {
      // The dialog ends with our own result; GetOpenFileNameW's is left aside.
      if (TakeFolder(dialog)) EndDialog(dialog, kChooserCancelled);
      return 0;
    }
  }
  return CallWindowProcW(choice->dialog_proc, dialog, message, wparam, lparam);
}

UINT_PTR CALLBACK FolderDialogHook(HWND child, UINT message, WPARAM, LPARAM lparam) {
  if (message != WM_NOTIFY || !t_folder_choice) return 0;
  const auto* notice = reinterpret_cast<const OFNOTIFYW*>(lparam);
  if (!notice || notice->hdr.code != CDN_INITDONE) return 0;
  HWND dialog = GetParent(child);
  // The file-type label and list, the file-name box and the read-only check have nothing to do here.
  for (int id : {stc2, cmb1, cmb13, chx1}) SendMessageW(dialog, CDM_HIDECONTROL, static_cast<WPARAM>(id), 0);
  SendMessageW(dialog, CDM_HIDECONTROL, edt1, 0);
  SendMessageW(dialog, CDM_SETCONTROLTEXT, stc3, reinterpret_cast<LPARAM>(L"文件夹名称："));
  SendMessageW(dialog, CDM_SETCONTROLTEXT, IDOK, reinterpret_cast<LPARAM>(kChooseLabel));
  t_folder_choice->dialog_proc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FolderDialogProc)));
  return 0;
}

}  // namespace

int ChooseSkinFile(std::u16string& out, HWND owner) {
  out.clear();
  wchar_t file[kPathBufferUnits] = {};
  const std::u16string start = StartFolder();
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = L"皮肤文件(*.col)\0*.col\0\0";
  dialog.lpstrFile = file;
  dialog.nMaxFile = kPathBufferUnits;
  dialog.lpstrInitialDir = start.empty() ? nullptr : os::WidePtr(start.c_str());
  dialog.lpstrTitle = L"选择皮肤文件";
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  BOOL result = FALSE;
  if (!RunOpenDialog(dialog, result) || !result) return 0;
  file[kPathBufferUnits - 1] = 0;
  const std::u16string path = os::U16Ptr(file);
  if (os::RegularFileSize(path.c_str()) < 0) return 0;
  g_last_folder = FolderOf(path);
  out = path;
  return 1;
}

int BrowseForFolder(std::u16string& out, HWND owner) {
  out.clear();
  wchar_t file[kPathBufferUnits] = {};
  const std::u16string start = StartFolder();
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = L"文件夹\0*.|\0\0";  // "|" is in no file name: the list shows folders only
  dialog.lpstrFile = file;
  dialog.nMaxFile = kPathBufferUnits;
  dialog.lpstrInitialDir = start.empty() ? nullptr : os::WidePtr(start.c_str());
  dialog.lpstrTitle = L"选择皮肤目录";
  dialog.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_NOVALIDATE;
  dialog.lpfnHook = FolderDialogHook;
  FolderChoice choice;
  FolderChoice* outer = t_folder_choice;
  t_folder_choice = &choice;
  BOOL result = FALSE;
  const bool ran = RunOpenDialog(dialog, result);
  t_folder_choice = outer;
  if (!ran || !choice.chosen || choice.folder.size() >= static_cast<std::size_t>(kPathBufferUnits) ||
      !os::IsFolder(choice.folder.c_str())) {
    return 0;
  }
  g_last_folder = choice.folder;
  out = choice.folder;
  return 1;
}

void DrawImageOnWhite(HDC dc, int x, int y, const SkinImage& image, int width, int height) {
  const int columns = std::min(image.width, width);
  const int rows = std::min(image.height, height);
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      const std::uint8_t* pixel = image.Pixel(column, row);
      const std::uint8_t alpha = pixel[kPixelAlpha];
      SetPixel(dc, x + column, y + row,
               RGB(pages::BlendOnWhite(pixel[kPixelRed], alpha), pages::BlendOnWhite(pixel[kPixelGreen], alpha),
                   pages::BlendOnWhite(pixel[kPixelBlue], alpha)));
    }
  }
}

HWND CreateSettingsPage(HWND parent, int page, void* settings) {
  struct PageDialog {
    int page;
    int dialog;
    DLGPROC proc;
  };
  static constexpr PageDialog kPages[] = {
      {kImeOptionsPage, IDD_IME_OPTIONS_PAGE, ImeOptionsPageProc},
      {kCodeOptionsPage, IDD_CODE_OPTIONS_PAGE, CodeOptionsPageProc},
      {kDisplayPage, IDD_DISPLAY_PAGE, DisplayPageProc},
      {kSkinOptionsPage, IDD_SKIN_OPTIONS_PAGE, SkinOptionsPageProc},
  };
  for (const PageDialog& p : kPages) {
    if (p.page != page) continue;
    g_settings = static_cast<EngineInstance*>(settings);
    g_parent = parent;
    HWND window = CreateDialogParamW(LibraryModule(), MAKEINTRESOURCEW(p.dialog), parent, p.proc, 0);
    g_page = window;
    return window;
  }
  return g_page;
}

void FreeSettingsPageState() {
  delete g_catalog;
  g_catalog = nullptr;
  delete g_font_families;
  g_font_families = nullptr;
}

int DestroySettingsPage(int apply) {
  if (!g_page) return 1;
  if (apply && SendMessageW(g_page, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0) != 0) return 0;
  HWND page = g_page;
  g_page = nullptr;
  g_parent = nullptr;
  ShowWindow(page, SW_HIDE);
  DestroyWindow(page);
  return 1;
}

}  // namespace lz
