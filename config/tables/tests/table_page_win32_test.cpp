// The 码表 page of the settings window on an installed folder, driven in this thread: its rows, an import
// into the user class with its log and summary, an association import, an export and the clearing routes.
// Boxes, the file chooser and program starts are answered and recorded here.
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/app/config_resources.h"
#include "config/settings/settings_window_win32.h"
#include "config/tables/table_page_win32.h"
#include "config/app/tests/installed_config.h"
#include "platform/os/message_box.h"
#include "platform/os/program_start.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/settings_store.h"

namespace lz::config {
namespace {

namespace fs = std::filesystem;
using namespace code_table;

struct Seams {
  std::vector<os::MessageBoxRequest> boxes;
  int answer = os::kAnswerYes;
  std::u16string chosen;
  std::vector<os::ProgramStart> starts;
};

class TablePageTest : public testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    installed::InstallLibrary(L"Quenlith");
    os::SetMessageBoxResponder(
        [](const os::MessageBoxRequest& r, void* c) {
          auto* s = static_cast<Seams*>(c);
          s->boxes.push_back(r);
          return s->answer;
        },
        &seams_);
    SetTableFileChooser([](HWND, void* c) { return static_cast<Seams*>(c)->chosen; }, &seams_);
    os::SetProgramStartSink([](const os::ProgramStart& s, void* c) { static_cast<Seams*>(c)->starts.push_back(s); },
                            &seams_);
    lz::test::DataFolderContents contents = installed::Contents();
    contents.main = {{"aa", "甲", test::RecordFlags(kClassSystem, 1)},
                     {"ab", "乙", test::RecordFlags(kClassUser, 1)},
                     {"ac", "丙", test::RecordFlags(kClassUser, 1)}};
    contents.main_options.type = kTypeIndexed;
    contents.main_options.free_gap = 4096;
    contents.temp = std::vector<test::TableRecord>{{"xy", "临", 0}};
    contents.sysl = std::vector<test::TableRecord>{{"", "中国", 0}};
    contents.free_gap = 1024;
    contents.edit_blocks = [](ConfigBlocks& b) {
      for (const auto& [cls, name] : std::vector<std::pair<std::uint32_t, std::u16string>>{
               {0, u"五笔"}, {1, u"系统"}, {2, u"用户"}}) {
        WriteFieldText(b.soft, soft_block::kClassNames + 2 * soft_block::kClassNameUnits * cls,
                       soft_block::kClassNameUnits, name);
      }
      b.soft.WriteU32(soft_block::kClassFlags + 4 * 2, 1);
      WriteFieldText(b.soft, soft_block::kDisplayName, 64, u"兰卓测试");
    };
    folder_ = std::make_unique<lz::test::InstalledFolder>(contents);
    Open();
  }
  void Open() {
    context_ = OpenConfigContext(folder_->class_id().c_str());
    ASSERT_NE(context_, nullptr);
    window_ = std::make_unique<SettingsWindow>(GetModuleHandleW(nullptr), context_, 2, u"兰卓");
    ASSERT_NE(window_->CreateChild(nullptr), nullptr);
    ASSERT_NE(window_->page(), nullptr);
    page_ = window_->page()->window();
  }
  // The page again, on the folder with every data file read-only.
  void ReopenReadOnly() {
    window_.reset();
    CloseConfigContext(context_);
    read_only_ = std::make_unique<installed::ReadOnlyFiles>(folder_->data());
    Open();
  }
  void TearDown() override {
    window_.reset();
    CloseConfigContext(context_);
    read_only_.reset();
    os::SetMessageBoxResponder(nullptr, nullptr);
    SetTableFileChooser(nullptr, nullptr);
    os::SetProgramStartSink(nullptr, nullptr);
  }

  HWND List() const { return GetDlgItem(page_, IDC_TABLE_PAGE_LIST); }
  std::wstring Cell(int row, int column) const {
    wchar_t buffer[200] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 200;
    SendMessageW(List(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buffer;
  }
  int RowNamed(const std::wstring& name) const {
    const int rows = static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < rows; ++i) {
      if (Cell(i, 1) == name) return i;
    }
    return -1;
  }
  void Choose(const std::wstring& name) {
    const int row = RowNamed(name);
    ASSERT_GE(row, 0);
    ListView_SetItemState(List(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
  void Press(int button) { SendMessageW(page_, WM_COMMAND, static_cast<WPARAM>(button), 0); }
  std::u16string Write(const std::string& name, const std::string& text) {
    const fs::path path = folder_->path() / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.u16string();
  }

  // The import's log in the temporary folder, without its mark.
  static std::u16string ImportLog() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::vector<std::uint8_t> bytes = lz::test::ReadFileBytes(fs::path(temp) / L"未能添加的词条.txt");
    std::u16string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) text += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    return text;
  }

  Seams seams_;
  std::unique_ptr<lz::test::InstalledFolder> folder_;
  std::unique_ptr<installed::ReadOnlyFiles> read_only_;
  ConfigContext* context_ = nullptr;
  std::unique_ptr<SettingsWindow> window_;
  HWND page_ = nullptr;
};

TEST_F(TablePageTest, RowsCountsAndFlags) {
  EXPECT_EQ(Cell(0, 1), L"输入码表");
  EXPECT_EQ(Cell(0, 2), L"3");
  const int user = RowNamed(L"　　五笔 - 用户");
  ASSERT_GE(user, 0);
  EXPECT_EQ(Cell(user, 2), L"2");
  EXPECT_EQ(Cell(user, 3), L"√");
  EXPECT_GE(RowNamed(L"临时词表"), 0);
  EXPECT_GE(RowNamed(L"联想码表"), 0);
  Choose(L"　　五笔 - 系统");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page_, IDC_TABLE_PAGE_IMPORT)));
  Choose(L"　　五笔 - 用户");
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page_, IDC_TABLE_PAGE_IMPORT)));
}

TEST_F(TablePageTest, AClassThatIsNotWritableIsNotOfferedForClearing) {
  // The fixture's system class is not writable, the user class is.
  Choose(L"　　五笔 - 系统");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page_, IDC_TABLE_PAGE_CLEAR)));
  Press(IDC_TABLE_PAGE_CLEAR);
  EXPECT_TRUE(seams_.boxes.empty());
  EXPECT_EQ(Cell(RowNamed(L"　　五笔 - 系统"), 2), L"1");
  Choose(L"　　五笔 - 用户");
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page_, IDC_TABLE_PAGE_CLEAR)));
}

TEST_F(TablePageTest, ColumnsScaleWithTheScreenAndInUseTakesNoWidth) {
  HDC screen = GetDC(nullptr);
  const int q = GetDeviceCaps(screen, LOGPIXELSY) / 4;
  ReleaseDC(nullptr, screen);
  const int expected[] = {0, 7 * q, 4 * q, q + q / 2, 0};
  for (int column = 0; column < 5; ++column) {
    EXPECT_EQ(SendMessageW(List(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0), expected[column]) << column;
  }
}

TEST_F(TablePageTest, AnImportIntoTheUserClassCountsLogsAndSays) {
  Choose(L"　　五笔 - 用户");
  seams_.chosen = Write("in.txt", "丁\tad\r\n戊\tae\r\n次\taf#次\r\n");
  seams_.answer = os::kAnswerNo;
  Press(IDC_TABLE_PAGE_IMPORT);
  EXPECT_EQ(Cell(RowNamed(L"　　五笔 - 用户"), 2), L"4");
  ASSERT_EQ(seams_.boxes.size(), 1u);
  EXPECT_EQ(seams_.boxes[0].caption, u"批量添加完成");
  EXPECT_NE(seams_.boxes[0].text.find(u"成功添加词条数: 2"), std::u16string::npos);
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::ifstream log(fs::path(temp) / L"未能添加的词条.txt", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
}

TEST_F(TablePageTest, AnAssociationImportRebuildsAndSetsTheMark) {
  Choose(L"联想码表");
  seams_.chosen = Write("words.txt", "#人民\r\n中国\r\n");
  Press(IDC_TABLE_PAGE_IMPORT);
  EXPECT_EQ(Cell(RowNamed(L"联想码表"), 2), L"2");
  std::uint32_t flags = 0;
  context_->engine->blocks.ime.ReadU32(ime_block::kBehaviourFlags, flags);
  EXPECT_NE(flags & ime_block::kAssociationMarked, 0u);
  seams_.chosen = Write("plain.txt", "人民\r\n");
  Press(IDC_TABLE_PAGE_IMPORT);
  context_->engine->blocks.ime.ReadU32(ime_block::kBehaviourFlags, flags);
  EXPECT_EQ(flags & ime_block::kAssociationMarked, 0u);
  EXPECT_EQ(seams_.boxes.back().text, u"词条导入成功。");
}

TEST_F(TablePageTest, AnExportWritesTheFileAndShowsIt) {
  Choose(L"　　五笔 - 用户");
  Press(IDC_TABLE_PAGE_EXPORT);
  ASSERT_EQ(seams_.starts.size(), 1u);
  EXPECT_EQ(seams_.starts[0].file, u"Explorer.exe");
  const std::u16string& parameters = seams_.starts[0].parameters;
  ASSERT_EQ(parameters.substr(0, 9), u"/select,\"");
  const std::u16string path = parameters.substr(9, parameters.size() - 10);
  EXPECT_NE(path.find(u"[ 兰卓测试 ]\\导出 - 主码 - 用户.txt"), std::u16string::npos);
  std::ifstream file(fs::path(path), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("乙\tab\r\n"), std::string::npos);
}

TEST_F(TablePageTest, ClearingFollowsItsRoutes) {
  Choose(L"临时词表");
  const std::int32_t temp_size = context_->engine->files.temp->size;
  seams_.answer = os::kAnswerNo;
  Press(IDC_TABLE_PAGE_CLEAR);
  EXPECT_EQ(Cell(RowNamed(L"临时词表"), 2), L"1");
  seams_.answer = os::kAnswerYes;
  Press(IDC_TABLE_PAGE_CLEAR);
  EXPECT_EQ(Cell(RowNamed(L"临时词表"), 2), L"0");
  EXPECT_EQ(context_->engine->files.temp->size, temp_size);
  std::uint32_t slot = 0;
  ByteView{context_->engine->files.temp->view, static_cast<std::uint32_t>(temp_size)}.ReadU32(kOffsetTable + 4, slot);
  EXPECT_EQ(slot, kTempSlotBase + kTempSlotSize);

  Choose(L"　　五笔 - 用户");
  Press(IDC_TABLE_PAGE_CLEAR);
  EXPECT_EQ(Cell(RowNamed(L"　　五笔 - 用户"), 2), L"0");
  EXPECT_EQ(Cell(0, 2), L"1");
}

TEST_F(TablePageTest, OnAFolderThatCannotBeWrittenEveryChangeSaysSo) {
  ReopenReadOnly();
  const std::vector<std::uint8_t> before = lz::test::ReadFileBytes(folder_->data() / "main.dmg");
  const std::u16string not_written = u"设置文件不能写入，所做的修改没有保存。";

  // An import adds nothing; the summary and the log say so for every entry.
  Choose(L"　　五笔 - 用户");
  seams_.chosen = Write("in.txt", "丁\tad\r\n戊\tae\r\n次\taf#次\r\n甲\taa#删\r\n");
  seams_.answer = os::kAnswerNo;
  Press(IDC_TABLE_PAGE_IMPORT);
  ASSERT_EQ(seams_.boxes.size(), 1u);
  EXPECT_EQ(seams_.boxes[0].text, not_written + u"\r\n成功添加词条数: 0\r\n无法添加的词条个数为: 4。\r\n是否现在查看无法导入的词条？");
  // The fixture's order is falling, so the text is walked from its last line.
  EXPECT_EQ(ImportLog(), not_written + u"\r\n次 ----------与所选分类不匹配的词条类别\r\n甲 ----------加词失败\r\n"
                                      u"戊 ----------加词失败\r\n丁 ----------加词失败\r\n");

  // Clearing the class: asked, refused, said.
  seams_.boxes.clear();
  seams_.answer = os::kAnswerYes;
  Choose(L"　　五笔 - 用户");
  Press(IDC_TABLE_PAGE_CLEAR);
  ASSERT_EQ(seams_.boxes.size(), 2u);
  EXPECT_EQ(seams_.boxes[1].text, not_written);
  EXPECT_EQ(seams_.boxes[1].caption, u"配置程序");
  EXPECT_EQ(Cell(RowNamed(L"　　五笔 - 用户"), 2), L"2");

  // 使用 lives in the settings file.
  seams_.boxes.clear();
  NMITEMACTIVATE click{};
  click.hdr.hwndFrom = List();
  click.hdr.idFrom = IDC_TABLE_PAGE_LIST;
  click.hdr.code = NM_CLICK;
  click.iItem = RowNamed(L"　　五笔 - 用户");
  click.iSubItem = 4;
  SendMessageW(page_, WM_NOTIFY, IDC_TABLE_PAGE_LIST, reinterpret_cast<LPARAM>(&click));
  ASSERT_EQ(seams_.boxes.size(), 1u);
  EXPECT_EQ(seams_.boxes[0].text, not_written);
  EXPECT_TRUE(lz::test::ReadFileBytes(folder_->data() / "main.dmg") == before);
}

}  // namespace
}  // namespace lz::config
