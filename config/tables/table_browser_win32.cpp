#include "config/tables/table_browser_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "config/app/config_context.h"
#include "config/app/config_resources.h"
#include "config/tables/table_browser.h"
#include "config/tables/table_records.h"
#include "config/tables/user_word_dialog_win32.h"
#include "platform/dialogs/dialog_win32.h"
#include "platform/os/clipboard.h"
#include "platform/os/message_box.h"
#include "platform/os/native_path.h"
#include "platform/os/program_start.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/data_files.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/settings_store.h"

namespace lz::config {
namespace {

using namespace code_table;

constexpr char16_t kCaption[] = u"配置程序";
constexpr char16_t kCoverText[] = u"正在创建视图，请稍候...\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n";
constexpr int kPinColumn = 5;
constexpr int kDictionaryWordUnits = 127;
constexpr int kListMarginX = 20;
constexpr int kListMarginY = 55;

struct Column {
  const wchar_t* title;
  int width;
};
constexpr Column kColumns[] = {{L"序号", 60}, {L"编码", 80}, {L"词条", 160}, {L"分类", 100}, {L"排序", 60}, {L"固顶", 40}};

std::u16string ItemText(HWND item, int capacity = 256) {
  std::vector<wchar_t> buffer(static_cast<std::size_t>(capacity) + 1);
  GetWindowTextW(item, buffer.data(), capacity + 1);
  return os::U16Ptr(buffer.data());
}

struct BuildJob {
  HWND dialog;
  const MappedFile* table;
  BrowserFilter filter;
  WPARAM generation;
};

DWORD WINAPI BuildView(void* parameter) {
  std::unique_ptr<BuildJob> job(static_cast<BuildJob*>(parameter));
  auto* view = new std::vector<std::int32_t>(BuildBrowserView(job->table, job->filter));
  if (!PostMessageW(job->dialog, kBrowserViewBuilt, job->generation, reinterpret_cast<LPARAM>(view))) delete view;
  return 0;
}

class BrowserDialog : public dialogs::Dialog {
 public:
  BrowserDialog(HINSTANCE module, ConfigContext* context, const BrowserStart& start)
      : Dialog(module, IDD_TABLE_BROWSER), module_(module), context_(context), start_(start),
        kind_(BrowsedTableOfPath(start.table_name)) {
    filter_.record_class = start.record_class;
  }

  INT_PTR Run(HWND owner) {
    accelerators_ = LoadAcceleratorsW(module_, MAKEINTRESOURCEW(IDR_BROWSER_KEYS));
    dialogs::SetPreTranslateHook(
        [](MSG& message, void* self) {
          auto* d = static_cast<BrowserDialog*>(self);
          return d->window() && d->accelerators_ && !d->busy_ &&
                 TranslateAcceleratorW(d->window(), d->accelerators_, &message) != 0;
        },
        this);
    const INT_PTR result = RunModal(owner);
    dialogs::SetPreTranslateHook(nullptr, nullptr);
    if (accelerators_) DestroyAcceleratorTable(accelerators_);
    return result;
  }

 protected:
  BOOL OnInitDialog() override {
    std::u16string name;
    const bool named = ReadDisplayName(context_->class_id, name);
    SetWindowTextW(window(), os::WidePtr(BrowserTitle(kind_, name, named).c_str()));
    HWND list = Item(IDC_BROWSER_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      column.pszText = const_cast<wchar_t*>(kColumns[i].title);
      column.cx = (i == 1 && (kind_ == BrowsedTable::kAssociation || kind_ == BrowsedTable::kEnglish)) ? 0 : kColumns[i].width;
      SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    if (!Table() || !Table()->view) {
      os::ShowMessageBox(window(), u"无法获取当前码表内容。", kCaption, MB_OK);
      End(-1);
      return TRUE;
    }
    SetWindowTextW(Item(IDC_BROWSER_CODE), os::WidePtr(start_.code.c_str()));
    SetWindowTextW(Item(IDC_BROWSER_WORD), os::WidePtr(start_.word.c_str()));
    menu_ = LoadMenuW(module_, MAKEINTRESOURCEW(IDR_BROWSER_MENU));
    if (menu_ && kind_ == BrowsedTable::kMain) {
      HMENU view = GetSubMenu(menu_, 1);
      AppendMenuW(view, MF_SEPARATOR, 0, nullptr);
      for (const BrowserClassItem& item : BrowserClassItems(Soft())) {
        AppendMenuW(view, MF_STRING, static_cast<UINT_PTR>(item.id), os::WidePtr(item.text.c_str()));
        class_items_.push_back(item);
      }
    }
    Layout();
    StartBuild();
    return TRUE;
  }

  bool OnCommand(int id, int code, HWND control) override {
    switch (id) {
      case IDC_BROWSER_SEARCH:
        top_row_ = selected_row_ = -1;
        StartBuild();
        return true;
      case IDC_BROWSER_PREFIX:
        if (code == BN_CLICKED) StartBuild();
        return true;
      case IDM_BROWSER_ADD: Add(); return true;
      case IDM_BROWSER_CHANGE: Change(); return true;
      case IDM_BROWSER_DELETE: Delete(); return true;
      case IDM_BROWSER_UNDELETE: Undelete(); return true;
      case IDM_BROWSER_COPY: Copy(); return true;
      case IDM_BROWSER_DICTIONARY: LookUp(); return true;
      case IDM_BROWSER_EXIT: OnCancel(); return true;
      case IDM_BROWSER_PINNED: filter_.pinned_only = !filter_.pinned_only; ViewChoice(); return true;
      case IDM_BROWSER_DELETED: filter_.deleted_only = !filter_.deleted_only; ViewChoice(); return true;
      case IDM_BROWSER_ALL:
        filter_.record_class = 0;
        filter_.pinned_only = filter_.deleted_only = false;
        ViewChoice();
        return true;
      default:
        break;
    }
    for (const BrowserClassItem& item : class_items_) {
      if (item.id == id) {
        filter_.record_class = item.record_class;
        ViewChoice();
        return true;
      }
    }
    return Dialog::OnCommand(id, code, control);
  }

  // Enter in the search fields searches.
  void OnOk() override { OnCommand(IDC_BROWSER_SEARCH, BN_CLICKED, nullptr); }

  void OnCancel() override {
    if (busy_) {
      close_when_built_ = true;
      return;
    }
    End(IDCANCEL);
  }

  bool OnNotify(const NMHDR& header, LRESULT& result) override {
    if (header.idFrom != IDC_BROWSER_LIST) return false;
    switch (header.code) {
      case LVN_GETDISPINFOW: {
        auto& info = *reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header));
        if ((info.item.mask & LVIF_TEXT) && info.item.pszText && info.item.cchTextMax > 0) {
          const std::u16string text = Cell(info.item.iItem, info.item.iSubItem);
          const std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(info.item.cchTextMax - 1));
          std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), info.item.pszText);
          info.item.pszText[n] = 0;
        }
        return true;
      }
      case NM_CUSTOMDRAW: {
        auto& draw = *reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header));
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
          result = CDRF_NOTIFYITEMDRAW;
        } else if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
          result = CDRF_NOTIFYSUBITEMDRAW;
        } else if (draw.nmcd.dwDrawStage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
          draw.clrText = Row(static_cast<int>(draw.nmcd.dwItemSpec)).colour;
          result = CDRF_DODEFAULT;
        } else {
          result = CDRF_DODEFAULT;
        }
        return true;
      }
      case NM_DBLCLK:
        Change();
        return true;
      case NM_CLICK: {
        const auto& click = *reinterpret_cast<const NMITEMACTIVATE*>(&header);
        if (click.iSubItem == kPinColumn && click.iItem >= 0) TogglePin(click.iItem);
        return true;
      }
      case NM_RCLICK:
        ContextMenu();
        return true;
      default:
        return false;
    }
  }

  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override {
    switch (message) {
      case kBrowserViewBuilt:
        ViewBuilt(wparam, reinterpret_cast<std::vector<std::int32_t>*>(lparam));
        return true;
      case WM_SIZE:
        Layout();
        return false;
      case WM_ACTIVATE:
        if (LOWORD(wparam) == WA_INACTIVE) {
          stale_ = HIWORD(wparam) != 0;  // minimised
        } else if (stale_) {
          // Another process may have changed the table meanwhile; a build running now keeps its view
          // mapped, so the re-map and rebuild wait for its result.
          stale_ = false;
          if (busy_) {
            rebuild_when_built_ = true;
          } else {
            StartBuild();
          }
        }
        return false;
      default:
        (void)result;
        return false;
    }
  }

  void OnDestroy() override {
    if (menu_ && !GetMenu(window())) DestroyMenu(menu_);
  }

 private:
  MappedFile* Table() const {
    DataFileSet& files = context_->engine->files;
    switch (kind_) {
      case BrowsedTable::kMain: return files.main;
      case BrowsedTable::kTemp: return files.temp;
      case BrowsedTable::kAssociation: return files.sysl;
      case BrowsedTable::kEnglish: return files.engl;
      default: return nullptr;
    }
  }
  ByteView Soft() const { return context_->engine->blocks.soft; }
  bool Rising() const {
    std::uint32_t flags = 0;
    context_->engine->blocks.ime.ReadU32(ime_block::kBehaviourFlags, flags);
    return (flags & ime_block::kLowOrderFirst) != 0;
  }

  void Layout() {
    RECT client{};
    GetClientRect(window(), &client);
    HWND list = Item(IDC_BROWSER_LIST);
    RECT box{};
    GetWindowRect(list, &box);
    MapWindowPoints(nullptr, window(), reinterpret_cast<POINT*>(&box), 2);
    SetWindowPos(list, nullptr, 0, 0, client.right - kListMarginX, client.bottom - kListMarginY, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(Item(IDC_BROWSER_COVER), HWND_TOP, 0, 0, client.right, client.bottom, 0);
  }

  void EnableSearch(bool on) {
    for (int id : {IDC_BROWSER_CODE, IDC_BROWSER_WORD, IDC_BROWSER_SEARCH, IDC_BROWSER_PREFIX, IDC_BROWSER_LIST}) {
      EnableWindow(Item(id), on);
    }
    ShowWindow(Item(IDC_BROWSER_COVER), on ? SW_HIDE : SW_SHOW);
    SetMenu(window(), on ? menu_ : nullptr);
  }

  // A build reads the table on its own thread; the table is re-mapped before it starts and never while it
  // runs.
  void StartBuild() {
    if (busy_) return;
    ReopenResizedTables(context_->engine->files);
    filter_.code = ItemText(Item(IDC_BROWSER_CODE), static_cast<int>(kBrowserFilterUnits));
    filter_.word = ItemText(Item(IDC_BROWSER_WORD), static_cast<int>(kBrowserFilterUnits));
    filter_.prefix = IsDlgButtonChecked(window(), IDC_BROWSER_PREFIX) == BST_CHECKED;
    auto* job = new BuildJob{window(), Table(), filter_, ++generation_};
    SetWindowTextW(Item(IDC_BROWSER_COVER), os::WidePtr(kCoverText));
    busy_ = true;
    EnableSearch(false);
    HANDLE thread = CreateThread(nullptr, 0, BuildView, job, 0, nullptr);
    if (!thread) {
      delete job;
      ViewBuilt(generation_, new std::vector<std::int32_t>());
      return;
    }
    CloseHandle(thread);
  }

  void ViewBuilt(WPARAM generation, std::vector<std::int32_t>* view) {
    std::unique_ptr<std::vector<std::int32_t>> owned(view);
    if (generation != generation_ || !owned) return;
    view_ = std::move(*owned);
    HWND list = Item(IDC_BROWSER_LIST);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    SendMessageW(list, LVM_SETITEMCOUNT, view_.size(), 0);
    const int last = static_cast<int>(view_.size()) - 1;
    if (top_row_ >= 0 && last >= 0) {
      ListView_EnsureVisible(list, last, FALSE);
      ListView_EnsureVisible(list, std::min(top_row_, last), FALSE);
    }
    if (selected_row_ >= 0 && last >= 0) {
      const int row = std::min(selected_row_, last);
      ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      ListView_EnsureVisible(list, row, FALSE);
    }
    busy_ = false;
    EnableSearch(true);
    InvalidateRect(list, nullptr, TRUE);
    if (close_when_built_) {
      End(IDCANCEL);
    } else if (rebuild_when_built_) {
      rebuild_when_built_ = false;
      StartBuild();
    }
  }

  void ViewChoice() {
    top_row_ = selected_row_ = 0;
    StartBuild();
  }

  BrowserRow Row(int row) const {
    if (row < 0 || row >= static_cast<int>(view_.size())) return {};
    return BrowserRowAt(Table(), kind_, view_[static_cast<std::size_t>(row)], Soft(), Rising());
  }

  std::u16string Cell(int row, int column) const {
    const BrowserRow r = Row(row);
    switch (column) {
      case 0: return r.number;
      case 1: return r.code;
      case 2: return r.word;
      case 3: return r.category;
      case 4: return r.order;
      case 5: return r.pinned;
      default: return {};
    }
  }

  std::vector<int> SelectedRows() const {
    std::vector<int> rows;
    HWND list = Item(IDC_BROWSER_LIST);
    for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list, i, LVNI_SELECTED)) {
      if (i < static_cast<int>(view_.size())) rows.push_back(i);
    }
    return rows;
  }

  void RememberRows() {
    HWND list = Item(IDC_BROWSER_LIST);
    top_row_ = ListView_GetTopIndex(list);
    selected_row_ = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  }

  void EmptyList() {
    view_.clear();
    SendMessageW(Item(IDC_BROWSER_LIST), LVM_SETITEMCOUNT, 0, 0);
  }

  // Changes the flag bits of the records at the rows under the table's writer lock; false when the table
  // cannot be written.
  bool ChangeFlags(const std::vector<int>& rows, std::uint32_t set, std::uint32_t clear, bool toggle = false) {
    ReopenResizedTables(context_->engine->files);
    MappedFile* table = Table();
    ScopedFileWrite write(table);
    if (!write.ok()) return false;
    const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
    for (int row : rows) {
      std::uint32_t offset = 0, flags = 0;
      if (!RecordOffsetAt(table, view_[static_cast<std::size_t>(row)], offset) || !view.ReadU32(offset, flags)) continue;
      flags = toggle ? flags ^ set : (flags | set) & ~clear;
      view.WriteU32(offset, flags);
    }
    FlushMappedFile(table);
    return true;
  }

  void TogglePin(int row) {
    if (busy_ || row >= static_cast<int>(view_.size())) return;
    if (!ChangeFlags({row}, kFlagPinned, 0, true)) ReportTableNotWritten(window());
    ListView_RedrawItems(Item(IDC_BROWSER_LIST), row, row);
  }

  bool MayAddOrChange() const { return BrowserMayAddOrChange(kind_, Soft(), filter_.record_class); }

  void Add() {
    if (busy_ || !MayAddOrChange()) return;
    if (filter_.record_class == 0 && ReadFieldText(Soft(), soft_block::kClassNames + 2 * soft_block::kClassNameUnits * 2,
                                                   soft_block::kClassNameUnits).empty()) {
      os::ShowMessageBox(window(), u"当前输入法未支持用户词功能！", kCaption, MB_ICONERROR);
      return;
    }
    EmptyList();
    UserWordStart start;
    start.record_class = filter_.record_class == 0 ? 2 : filter_.record_class;
    RunUserWordDialog(module_, context_, start, window());
    StartBuild();
  }

  void Change() {
    if (busy_ || !MayAddOrChange()) return;
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return;
    CodeTableRecord record;
    const std::int32_t position = view_[static_cast<std::size_t>(rows[0])];
    if (!RecordAt(Table(), position, record) || (record.flags & kFlagDeleted)) return;
    const std::uint32_t cls = RecordClass(record.flags);
    if (!BrowserClassWritable(Soft(), cls)) return;
    const BrowserRow row = Row(rows[0]);
    RememberRows();
    EmptyList();
    UserWordStart start;
    start.mode = kUserWordModifyMode;
    start.record_class = cls;
    start.position = position;
    start.word = row.word;
    start.code = row.code;
    RunUserWordDialog(module_, context_, start, window());
    StartBuild();
  }

  void Delete() {
    if (busy_ || kind_ != BrowsedTable::kMain) return;
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return;
    if (os::ShowMessageBox(window(), u"是否删除选中的所有词条？", kCaption, MB_YESNO | MB_ICONEXCLAMATION) !=
        os::kAnswerYes) {
      return;
    }
    RememberRows();
    // Records of a class the user may change leave the table; others only get the deleted bit, which is
    // set first, while every selected position still names its record.
    std::vector<int> marked;
    std::vector<std::int32_t> removed;
    for (int row : rows) {
      CodeTableRecord record;
      const std::int32_t position = view_[static_cast<std::size_t>(row)];
      if (!RecordAt(Table(), position, record)) continue;
      if (BrowserClassWritable(Soft(), RecordClass(record.flags))) {
        removed.push_back(position);
      } else {
        marked.push_back(row);
      }
    }
    bool written = marked.empty() || ChangeFlags(marked, kFlagDeleted, 0);
    EmptyList();
    if (!removed.empty()) written = RemoveTableRecords(Table(), removed) > 0 && written;
    ReopenResizedTables(context_->engine->files);
    if (!written) ReportTableNotWritten(window());
    StartBuild();
  }

  void Undelete() {
    if (busy_ || kind_ != BrowsedTable::kMain) return;
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return;
    RememberRows();
    if (!ChangeFlags(rows, 0, kFlagDeleted)) ReportTableNotWritten(window());
    StartBuild();
  }

  void Copy() {
    std::vector<BrowserRow> rows;
    for (int row : SelectedRows()) rows.push_back(Row(row));
    if (!rows.empty()) os::WriteClipboardText(BrowserCopyText(rows));
  }

  // The dictionary of a second run: quotes would end the word's argument early, so they are left out.
  void LookUp() {
    const std::u16string program = std::u16string(context_->engine->install_folder) + u"config.exe";
    for (int row : SelectedRows()) {
      std::u16string word;
      for (char16_t c : Row(row).word) {
        if (c != u'\'' && c != u'"') word += c;
      }
      word = word.substr(0, kDictionaryWordUnits);
      const std::u16string parameters = u"/n " + std::u16string(context_->class_id) + u" /dict '" + word + u"'";
      os::StartProgram(program.c_str(), parameters.c_str(), nullptr);
    }
  }

  void ContextMenu() {
    if (busy_ || !menu_ || kind_ == BrowsedTable::kAssociation || kind_ == BrowsedTable::kEnglish) return;
    HMENU edit = GetSubMenu(menu_, 0);
    const UINT state = MayAddOrChange() ? MF_ENABLED : MF_GRAYED;
    EnableMenuItem(edit, IDM_BROWSER_ADD, MF_BYCOMMAND | state);
    EnableMenuItem(edit, IDM_BROWSER_CHANGE, MF_BYCOMMAND | state);
    POINT at{};
    GetCursorPos(&at);
    const int command = TrackPopupMenu(edit, TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, window(), nullptr);
    if (command) OnCommand(command, 0, nullptr);
  }

  HINSTANCE module_;
  ConfigContext* context_;
  BrowserStart start_;
  BrowsedTable kind_;
  BrowserFilter filter_;
  std::vector<std::int32_t> view_;
  std::vector<BrowserClassItem> class_items_;
  HMENU menu_ = nullptr;
  HACCEL accelerators_ = nullptr;
  WPARAM generation_ = 0;
  bool busy_ = false;
  bool close_when_built_ = false;
  bool rebuild_when_built_ = false;
  bool stale_ = false;
  int top_row_ = -1;
  int selected_row_ = -1;
};

}  // namespace

INT_PTR RunTableBrowser(HINSTANCE module, ConfigContext* context, const BrowserStart& start, HWND owner) {
  if (!context || !context->engine) return -1;
  return BrowserDialog(module, context, start).Run(owner);
}

}  // namespace lz::config
