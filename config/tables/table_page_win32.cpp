#include "config/tables/table_page_win32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "config/tables/association_builder.h"
#include "config/app/config_context.h"
#include "config/app/config_resources.h"
#include "config/tables/table_browser_win32.h"
#include "config/tables/table_page.h"
#include "config/tables/table_text.h"
#include "config/app/temp_files.h"
#include "platform/os/folder_tree.h"
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
constexpr int kColumnCount = 5;
constexpr int kInUseColumn = 4;
constexpr std::uint32_t kClassInUse = 2;
constexpr std::uint32_t kDisplayNameUnits = 64;  // the soft block's DisplayName field
constexpr int kDefaultDpi = 96;

TextFileChooser g_chooser = nullptr;
void* g_chooser_context = nullptr;

using GetOpenFileNameProc = BOOL(WINAPI*)(OPENFILENAMEW*);

std::u16string ChooseWithDialog(HWND owner) {
  HMODULE comdlg = LoadLibraryW(L"Comdlg32.dll");
  if (!comdlg) return {};
  auto open = reinterpret_cast<GetOpenFileNameProc>(reinterpret_cast<void*>(GetProcAddress(comdlg, "GetOpenFileNameW")));
  wchar_t path[MAX_PATH] = {};
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = L"TXT文件(*.txt)\0*.txt\0\0";
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrTitle = L"选择一个文本格式的原始定义文件...";
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  const bool chosen = open && open(&dialog);
  FreeLibrary(comdlg);
  return chosen ? std::u16string(os::U16Ptr(path)) : std::u16string();
}

std::u16string ChooseTextFile(HWND owner) {
  return g_chooser ? g_chooser(owner, g_chooser_context) : ChooseWithDialog(owner);
}

bool Ask(HWND owner, const char16_t* text) {
  return os::ShowMessageBox(owner, text, kCaption, MB_YESNO | MB_ICONWARNING) == os::kAnswerYes;
}

class TablePage;
TablePage* g_progress_page = nullptr;  // the page whose bar the running import or export feeds

class TablePage : public dialogs::Dialog {
 public:
  TablePage(HINSTANCE module, ConfigContext* context) : Dialog(module, IDD_TABLE_PAGE), module_(module), context_(context) {}

  // Progress of an import or export on this page's bar; a value is sent only when it changes.
  static void Progress(void*, std::int64_t done, std::int64_t total) {
    TablePage* page = g_progress_page;
    const int percent = ProgressPercent(done, total);
    if (!page || percent < 0 || percent == page->last_percent_) return;
    page->last_percent_ = percent;
    SendMessageW(page->Item(IDC_TABLE_PAGE_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
  }

 protected:
  BOOL OnInitDialog() override {
    HWND list = Item(IDC_TABLE_PAGE_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    const wchar_t* titles[kColumnCount] = {L"I", L"码表名称", L"词条数", L"可写", L"使用"};
    HDC screen = GetDC(nullptr);
    const int q = (screen ? GetDeviceCaps(screen, LOGPIXELSY) : kDefaultDpi) / 4;
    if (screen) ReleaseDC(nullptr, screen);
    // The class number and 使用 take no room: the number is for the page, 使用 is switched by a click.
    const int widths[kColumnCount] = {0, 7 * q, 4 * q, q + q / 2, 0};
    for (int i = 0; i < kColumnCount; ++i) {
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
      column.fmt = i >= 3 ? LVCFMT_CENTER : LVCFMT_LEFT;
      column.pszText = const_cast<wchar_t*>(titles[i]);
      column.cx = widths[i];
      SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    SendMessageW(Item(IDC_TABLE_PAGE_PROGRESS), PBM_SETRANGE32, 0, 100);
    Fill();
    return TRUE;
  }

  bool OnCommand(int id, int code, HWND control) override {
    switch (id) {
      case IDC_TABLE_PAGE_VIEW: View(); break;
      case IDC_TABLE_PAGE_IMPORT: Import(); break;
      case IDC_TABLE_PAGE_EXPORT: Export(); break;
      case IDC_TABLE_PAGE_CLEAR: Clear(); break;
      default: return Dialog::OnCommand(id, code, control);
    }
    Fill();
    return true;
  }

  bool OnNotify(const NMHDR& header, LRESULT& result) override {
    if (header.idFrom != IDC_TABLE_PAGE_LIST) return false;
    if (header.code == LVN_ITEMCHANGED) {
      Select(ListView_GetNextItem(Item(IDC_TABLE_PAGE_LIST), -1, LVNI_SELECTED));
      return true;
    }
    if (header.code == NM_DBLCLK) {
      View();
      Fill();
      return true;
    }
    if (header.code == NM_CLICK) {
      const auto& click = *reinterpret_cast<const NMITEMACTIVATE*>(&header);
      Select(click.iItem);
      if (click.iSubItem == kInUseColumn && click.iItem >= 0 && click.iItem < static_cast<int>(rows_.size())) {
        const int cls = rows_[static_cast<std::size_t>(click.iItem)].record_class;
        if (cls >= 0 && cls < static_cast<int>(soft_block::kClassCount)) {
          {
            ScopedFileWrite write(context_->engine->files.config);
            std::uint32_t flags = 0;
            const std::uint64_t at = soft_block::kClassFlags + 4u * static_cast<std::uint32_t>(cls);
            if (!write.ok()) {
              ReportRefusedWrite(context_, window());
            } else if (Soft().ReadU32(at, flags)) {
              Soft().WriteU32(at, flags ^ kClassInUse);
            }
          }
          Fill();
        }
      }
      return true;
    }
    (void)result;
    return false;
  }

 private:
  ByteView Soft() const { return context_->engine->blocks.soft; }
  bool Rising() const {
    std::uint32_t flags = 0;
    context_->engine->blocks.ime.ReadU32(ime_block::kBehaviourFlags, flags);
    return (flags & ime_block::kLowOrderFirst) != 0;
  }
  DataFileSet& Files() const { return context_->engine->files; }
  MappedFile* TableOf(PageTable table) const {
    switch (table) {
      case PageTable::kMain: return Files().main;
      case PageTable::kTemp: return Files().temp;
      case PageTable::kAssociation: return Files().sysl;
      case PageTable::kEnglish: return Files().engl;
      default: return nullptr;
    }
  }
  static const char16_t* FileName(PageTable table) {
    switch (table) {
      case PageTable::kMain: return u"main.dmg";
      case PageTable::kTemp: return u"temp.dmg";
      case PageTable::kAssociation: return u"sysl.dmg";
      case PageTable::kEnglish: return u"engl.dmg";
      default: return u"";
    }
  }

  void Fill() {
    ReopenResizedTables(Files());
    TablePageCounts counts;
    counts.main_total = RecordCount(Files().main);
    const auto by_class = CountRecordsByClass(Files().main);
    std::copy(by_class.begin(), by_class.end(), counts.by_class.begin());
    if (Files().temp && Files().temp->view) counts.temp = RecordCount(Files().temp);
    if (Files().sysl && Files().sysl->view) counts.association = RecordCount(Files().sysl);
    if (Files().engl && Files().engl->view) counts.english = RecordCount(Files().engl);
    rows_ = TablePageRows(Soft(), counts);
    HWND list = Item(IDC_TABLE_PAGE_LIST);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      const TablePageRow& row = rows_[i];
      std::u16string number;
      for (char c : std::to_string(row.record_class)) number += static_cast<char16_t>(c);
      const std::u16string cells[kColumnCount] = {number, row.name, row.count, row.writable, row.in_use};
      for (int column = 0; column < kColumnCount; ++column) {
        const std::u16string& text = cells[column];
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.iSubItem = column;
        item.pszText = const_cast<wchar_t*>(os::WidePtr(text.c_str()));
        SendMessageW(list, column == 0 ? LVM_INSERTITEMW : LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
      }
    }
    const int row = std::clamp(selected_, 0, static_cast<int>(rows_.size()) - 1);
    SetFocus(list);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    Select(row);
  }

  void Select(int row) {
    selected_ = row;
    const TablePageRow* chosen = row >= 0 && row < static_cast<int>(rows_.size()) ? &rows_[static_cast<std::size_t>(row)] : nullptr;
    buttons_ = SelectTablePageRow(Soft(), chosen);
    EnableWindow(Item(IDC_TABLE_PAGE_VIEW), buttons_.view);
    EnableWindow(Item(IDC_TABLE_PAGE_IMPORT), buttons_.import);
    EnableWindow(Item(IDC_TABLE_PAGE_EXPORT), buttons_.export_);
    EnableWindow(Item(IDC_TABLE_PAGE_CLEAR), buttons_.clear);
    SetWindowTextW(Item(IDC_TABLE_PAGE_VIEW), os::WidePtr(buttons_.view_caption.c_str()));
  }

  void View() {
    if (!buttons_.view) return;
    HWND main = GetAncestor(window(), GA_ROOT);
    ShowWindow(main, SW_HIDE);
    BrowserStart start;
    start.table_name = FileName(buttons_.table);
    start.record_class = buttons_.record_class > 0 ? static_cast<std::uint32_t>(buttons_.record_class) : 0;
    RunTableBrowser(module_, context_, start, nullptr);
    ShowWindow(main, SW_SHOW);
  }

  void ShowProgress(bool on) {
    last_percent_ = -1;
    SendMessageW(Item(IDC_TABLE_PAGE_PROGRESS), PBM_SETPOS, 0, 0);
    ShowWindow(Item(IDC_TABLE_PAGE_PROGRESS), on ? SW_SHOW : SW_HIDE);
    g_progress_page = on ? this : nullptr;
  }

  void Import() {
    if (!buttons_.import || buttons_.table == PageTable::kTemp) return;
    const bool association = buttons_.table == PageTable::kAssociation || buttons_.table == PageTable::kEnglish;
    if (association && !Ask(window(), u"该操作将清空选中码表中已有的所有词条，并且不可恢复。\r\n确定这样做吗？")) return;
    const std::u16string text = ChooseTextFile(window());
    if (text.empty()) return;
    if (association) {
      char16_t temporary[kMaxPathUnits];
      GetTempSubPath(u"__templx_.dmg", temporary);
      MappedFile* table = TableOf(buttons_.table);
      bool hash = false;
      const int built = table && RebuildAssociationTable(table->path, text.c_str(), temporary, &hash);
      ReopenResizedTables(Files());
      if (!built) {
        os::ShowMessageBox(window(), u"词条导入失败。", u"词条导入", MB_OK);
        return;
      }
      if (buttons_.table == PageTable::kAssociation) {
        ScopedFileWrite write(Files().config);
        std::uint32_t flags = 0;
        ByteView ime = context_->engine->blocks.ime;
        if (write.ok() && ime.ReadU32(ime_block::kBehaviourFlags, flags)) {
          ime.WriteU32(ime_block::kBehaviourFlags,
                       hash ? flags | ime_block::kAssociationMarked : flags & ~ime_block::kAssociationMarked);
        }
      }
      os::ShowMessageBox(window(), u"词条导入成功。", u"词条导入", MB_ICONINFORMATION);
      return;
    }
    std::unique_ptr<TableImport> import = CreateTableImport();
    if (!import) return;
    import->import_class = static_cast<std::uint32_t>(std::max(buttons_.record_class, 0));
    import->word_rules = context_->engine->blocks.dme;
    import->characters = Files().danzi;
    import->progress = &TablePage::Progress;
    ShowProgress(true);
    ReopenResizedTables(Files());
    const int accepted = ImportTableText(*import, Files().main, text.c_str(), Rising());
    ShowProgress(false);
    ReopenResizedTables(Files());
    char16_t log_path[kMaxPathUnits];
    GetTempSubPath(u"未能添加的词条.txt", log_path);
    const bool logged = log_path[0] && WriteTableImportLog(*import, log_path);
    std::u16string count, refused;
    // When nothing could be written the log's first line says so; the entries follow it.
    const std::size_t refused_entries = import->log.size() - (import->not_written ? 1 : 0);
    for (char c : std::to_string(accepted)) count += static_cast<char16_t>(c);
    for (char c : std::to_string(refused_entries)) refused += static_cast<char16_t>(c);
    if (!import->log.empty()) {
      const std::u16string head = import->not_written ? std::u16string(kNotWrittenText) + u"\r\n" : u"";
      const std::u16string question = head + u"成功添加词条数: " + count + u"\r\n无法添加的词条个数为: " + refused +
                                      u"。\r\n是否现在查看无法导入的词条？";
      if (os::ShowMessageBox(window(), question.c_str(), u"批量添加完成", MB_YESNO | MB_ICONQUESTION) == os::kAnswerYes &&
          logged) {
        os::StartProgram(log_path, u"", nullptr);
      }
    } else {
      os::ShowMessageBox(window(), (u"批量加词完成，成功添加词条数: " + count).c_str(), kCaption, MB_OK);
    }
  }

  void Export() {
    if (!buttons_.export_ || buttons_.table == PageTable::kTemp) return;
    const std::u16string name = ExportFileName(Soft(), buttons_.table, buttons_.record_class);
    if (name.empty()) return;
    wchar_t documents[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, documents))) return;
    std::u16string folder = os::U16Ptr(documents);
    if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
    folder += ExportFolderName(ReadFieldText(Soft(), soft_block::kDisplayName, kDisplayNameUnits));
    os::CreateDirectoryTree(folder.c_str());
    if (GetFileAttributesW(os::WidePtr(folder.c_str())) == INVALID_FILE_ATTRIBUTES) return;
    const std::u16string path = folder + u"\\" + name;
    TableExport request;
    request.class_filter = buttons_.table == PageTable::kMain ? buttons_.record_class : 0;
    request.class_flags_given = request.aliases_given = true;
    for (std::uint32_t i = 0; i < soft_block::kClassCount; ++i) {
      Soft().ReadU32(soft_block::kClassFlags + 4 * i, request.class_flags[i]);
      request.aliases[i] = ReadFieldText(Soft(), soft_block::kClassNames + 2 * soft_block::kClassNameUnits * i,
                                         soft_block::kClassNameUnits);
    }
    request.progress = &TablePage::Progress;
    ShowProgress(true);
    ReopenResizedTables(Files());
    const int written = ExportTableText(request, TableOf(buttons_.table), path.c_str(), Rising());
    ShowProgress(false);
    if (written < 0) {
      os::ShowMessageBox(window(), u"词条导出失败。", kCaption, MB_ICONERROR);
      return;
    }
    os::StartProgram(u"Explorer.exe", (u"/select,\"" + path + u"\"").c_str(), nullptr);
  }

  void Clear() {
    if (!buttons_.clear) return;
    ReopenResizedTables(Files());
    MappedFile* table = TableOf(buttons_.table);
    int cleared = 0;
    if (buttons_.table == PageTable::kMain && buttons_.record_class > 0) {
      if (!Ask(window(), u"该操作将清空选中码表类型中的所有词条，且此操作是不可恢复的。\r\n确定这样做吗？")) return;
      cleared = CompactTable(table, std::uint64_t{1} << buttons_.record_class);
    } else {
      if (!Ask(window(), u"该操作将清空码表中的所有词条，且此操作是不可恢复的。\r\n确定这样做吗？")) return;
      cleared = buttons_.table == PageTable::kTemp ? ResetTempTable(table) : ClearTable(table);
    }
    if (!cleared) ReportTableNotWritten(window());
  }

  HINSTANCE module_;
  ConfigContext* context_;
  std::vector<TablePageRow> rows_;
  TablePageButtons buttons_;
  int selected_ = -1;
  int last_percent_ = -1;
};

}  // namespace

std::unique_ptr<dialogs::Dialog> MakeTablePage(HINSTANCE module, ConfigContext* context) {
  return std::make_unique<TablePage>(module, context);
}

void SetTableFileChooser(TextFileChooser chooser, void* context) {
  g_chooser = chooser;
  g_chooser_context = context;
}

}  // namespace lz::config
