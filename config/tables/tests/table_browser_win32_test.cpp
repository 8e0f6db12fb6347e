// 码表详细视图 in a run of config: the view built on the shipped main.dmg and searched, a close asked for
// during a build, and deleting, restoring, pinning and copying on a small folder. A second thread plays the
// user through the list's own messages once the dialog has shown itself.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "config/app/config_program_win32.h"
#include "config/app/config_resources.h"
#include "config/app/tests/installed_config.h"
#include "platform/os/clipboard.h"
#include "platform/os/message_box.h"
#include "platform/os/program_start.h"
#include "platform/os/system_info.h"
#include "tests/support/data_folder.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/settings_store.h"

namespace lz::config {
namespace {

namespace fs = std::filesystem;
using namespace code_table;

using installed::ShippedData;

int Rows(HWND dialog) { return static_cast<int>(SendMessageW(GetDlgItem(dialog, IDC_BROWSER_LIST), LVM_GETITEMCOUNT, 0, 0)); }

std::wstring Cell(HWND dialog, int row, int column) {
  wchar_t buffer[300] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = 300;
  SendMessageW(GetDlgItem(dialog, IDC_BROWSER_LIST), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return buffer;
}

// Waits until no build runs (the list is enabled again).
void WaitForView(HWND dialog) {
  Sleep(50);
  for (int tries = 0; tries < 500 && !IsWindowEnabled(GetDlgItem(dialog, IDC_BROWSER_LIST)); ++tries) Sleep(20);
}

void Search(HWND dialog, const wchar_t* code, const wchar_t* word) {
  SetWindowTextW(GetDlgItem(dialog, IDC_BROWSER_CODE), code);
  SetWindowTextW(GetDlgItem(dialog, IDC_BROWSER_WORD), word);
  PostMessageW(dialog, WM_COMMAND, IDC_BROWSER_SEARCH, 0);
  WaitForView(dialog);
}

void Select(HWND dialog, const std::vector<int>& rows) {
  HWND list = GetDlgItem(dialog, IDC_BROWSER_LIST);
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  for (int row : rows) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  }
}

void Key(HWND dialog, WPARAM key, bool control = false) {
  HWND list = GetDlgItem(dialog, IDC_BROWSER_LIST);
  if (control) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
  }
  PostMessageW(list, WM_KEYDOWN, key, 0);
  Sleep(100);
  WaitForView(dialog);
}

struct Answers {
  std::vector<os::MessageBoxRequest> shown;
  int answer = os::kAnswerYes;
};

int Answer(const os::MessageBoxRequest& request, void* context) {
  auto* answers = static_cast<Answers*>(context);
  answers->shown.push_back(request);
  return answers->answer;
}

class TableBrowserTest : public testing::Test {
 protected:
  void SetUp() override {
    installed::InstallLibrary(L"Quenlith");
    os::SetMessageBoxResponder(Answer, &answers_);
  }
  void TearDown() override { os::SetMessageBoxResponder(nullptr, nullptr); }

  bool Run(const std::u16string& class_id, const std::function<void(HWND)>& play) {
    std::atomic<bool> found{false}, stop{false};
    std::thread user([&] {
      for (int tries = 0; tries < 1000 && !stop; ++tries) {
        if (HWND dialog = FindWindowW(L"#32770", L"输入码表详细视图 - 兰卓测试")) {
          found = true;
          WaitForView(dialog);
          play(dialog);
          return;
        }
        Sleep(20);
      }
    });
    const std::u16string line = u"/n " + class_id + u" /do shuchufancha";
    RunConfig(GetModuleHandleW(nullptr), reinterpret_cast<const wchar_t*>(line.c_str()));
    stop = true;
    user.join();
    return found;
  }

  Answers answers_;
  test::TempFolder folder_;
};

TEST_F(TableBrowserTest, TheShippedMainTableIsListedAndSearched) {
  if (!fs::exists(ShippedData() / "main.dmg")) GTEST_SKIP() << "no data set was built";
  const std::u16string class_id = installed::InstallShippedData(folder_.path());
  ASSERT_FALSE(class_id.empty());
  os::SetMachineString(test::ImeRegistryKey(class_id).c_str(), u"DisplayName", u"兰卓测试");

  int all = 0, khlg = 0, contained = 0;
  std::wstring khlg_word;
  bool every_row_holds = true, open_while_building = false, closed = false;
  ASSERT_TRUE(Run(class_id, [&](HWND dialog) {
    all = Rows(dialog);
    Search(dialog, L"khlg", L"");
    khlg = Rows(dialog);
    for (int row = 0; row < khlg; ++row) {
      if (Cell(dialog, row, 2) == L"中国") khlg_word = L"中国";
    }
    SendMessageW(GetDlgItem(dialog, IDC_BROWSER_PREFIX), BM_SETCHECK, BST_CHECKED, 0);
    Search(dialog, L"", L"中");
    contained = Rows(dialog);
    for (int row = 0; row < std::min(contained, 50); ++row) {
      every_row_holds = every_row_holds && Cell(dialog, row, 2).find(L'中') != std::wstring::npos;
    }
    // A close asked for while a build runs waits for its result.
    SetWindowTextW(GetDlgItem(dialog, IDC_BROWSER_WORD), L"");
    PostMessageW(dialog, WM_COMMAND, IDC_BROWSER_SEARCH, 0);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    Sleep(1);
    open_while_building = IsWindow(dialog) != FALSE;
    for (int tries = 0; tries < 500 && IsWindow(dialog); ++tries) Sleep(20);
    closed = !IsWindow(dialog);
  }));
  EXPECT_EQ(all, 136076);
  EXPECT_GE(khlg, 1);
  EXPECT_EQ(khlg_word, L"中国");
  EXPECT_GT(contained, 100);
  EXPECT_TRUE(every_row_holds);
  EXPECT_TRUE(open_while_building);
  EXPECT_TRUE(closed);
}

TEST_F(TableBrowserTest, DeletingRestoringPinningAndCopyingOnAFolder) {
  lz::test::DataFolderContents contents = installed::Contents();
  contents.main = {
      {"aa", "甲", test::RecordFlags(kClassUser, 1)},  {"ab", "乙", test::RecordFlags(kClassSystem, 1)},
      {"ac", "丙", test::RecordFlags(kClassUser, 1)},  {"ad", "丁", test::RecordFlags(kClassSystem, 1)},
      {"ae", "戊", test::RecordFlags(kClassUser, 1)},  {"af", "己", test::RecordFlags(kClassSystem, 1)},
      {"ag", "it's \"x\"", test::RecordFlags(kClassSystem, 1)},
  };
  contents.main_options.type = kTypeIndexed;
  contents.main_options.free_gap = 4096;
  lz::test::InstalledFolder folder(contents);
  os::SetMachineString(folder.RegistryKey().c_str(), u"DisplayName", u"兰卓测试");

  int before = 0, after_no = 0, after_yes = 0;
  std::wstring pinned, unpinned, left, marked, restored;
  std::u16string copied;
  std::vector<os::ProgramStart> starts;
  os::SetProgramStartSink([](const os::ProgramStart& s, void* c) { static_cast<std::vector<os::ProgramStart>*>(c)->push_back(s); },
                          &starts);
  ASSERT_TRUE(Run(folder.class_id(), [&](HWND dialog) {
    before = Rows(dialog);
    answers_.answer = os::kAnswerNo;
    Select(dialog, {4, 0, 2});
    Key(dialog, VK_DELETE);
    after_no = Rows(dialog);
    answers_.answer = os::kAnswerYes;
    Select(dialog, {4, 0, 2});
    Key(dialog, VK_DELETE);
    after_yes = Rows(dialog);
    for (int row = 0; row < after_yes; ++row) left += Cell(dialog, row, 2);
    // A system word only gets the deleted mark; Ctrl+U takes it off.
    Select(dialog, {0});
    Key(dialog, VK_DELETE);
    marked = Cell(dialog, 0, 3);
    Select(dialog, {0});
    PostMessageW(dialog, WM_COMMAND, IDM_BROWSER_UNDELETE, 0);
    WaitForView(dialog);
    restored = Cell(dialog, 0, 3);
    // Ctrl+S starts a dictionary run per selected word, quotes left out.
    Select(dialog, {3});
    PostMessageW(dialog, WM_COMMAND, IDM_BROWSER_DICTIONARY, 0);
    Sleep(100);
    // A click in 固顶 toggles the clicked row.
    NMITEMACTIVATE click{};
    click.hdr.hwndFrom = GetDlgItem(dialog, IDC_BROWSER_LIST);
    click.hdr.idFrom = IDC_BROWSER_LIST;
    click.hdr.code = NM_CLICK;
    click.iItem = 1;
    click.iSubItem = 5;
    SendMessageW(dialog, WM_NOTIFY, IDC_BROWSER_LIST, reinterpret_cast<LPARAM>(&click));
    pinned = Cell(dialog, 1, 5);
    SendMessageW(dialog, WM_NOTIFY, IDC_BROWSER_LIST, reinterpret_cast<LPARAM>(&click));
    unpinned = Cell(dialog, 1, 5);
    Select(dialog, {0, 1});
    PostMessageW(dialog, WM_COMMAND, IDM_BROWSER_COPY, 0);
    Sleep(100);
    os::ReadClipboardText(copied);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }));
  os::SetProgramStartSink(nullptr, nullptr);
  EXPECT_EQ(before, 7);
  EXPECT_EQ(after_no, 7);
  EXPECT_EQ(after_yes, 4);
  EXPECT_EQ(left, L"乙丁己it's \"x\"");
  EXPECT_EQ(marked, L" 已删除");
  EXPECT_NE(restored, L" 已删除");
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].parameters, u"/n " + folder.class_id() + u" /dict 'its x'");
  EXPECT_NE(starts[0].file.find(u"config.exe"), std::u16string::npos);
  EXPECT_EQ(pinned, L"√");
  EXPECT_EQ(unpinned, L"");
  EXPECT_EQ(copied, u"乙\tab\r\n丁\tad\r\n");
  ASSERT_EQ(answers_.shown.size(), 3u);
  EXPECT_EQ(answers_.shown[0].text, u"是否删除选中的所有词条？");
}

TEST_F(TableBrowserTest, WordsAddedHereOrElsewhereShowAfterTheRebuild) {
  lz::test::DataFolderContents contents = installed::Contents();
  contents.main = {{"aa", "甲", test::RecordFlags(kClassSystem, 1)}, {"ab", "乙", test::RecordFlags(kClassUser, 1)}};
  contents.main_options.type = kTypeIndexed;
  contents.main_options.free_gap = 0;  // every add grows the file
  contents.edit_blocks = [](ConfigBlocks& b) {
    WriteFieldText(b.soft, soft_block::kClassNames + 2 * soft_block::kClassNameUnits * 2, soft_block::kClassNameUnits,
                   u"用户");
  };
  lz::test::InstalledFolder folder(contents);
  os::SetMachineString(folder.RegistryKey().c_str(), u"DisplayName", u"兰卓测试");
  int added = 0, appended = 0;
  std::wstring added_word;
  ASSERT_TRUE(Run(folder.class_id(), [&](HWND dialog) {
    PostMessageW(dialog, WM_COMMAND, IDM_BROWSER_ADD, 0);
    HWND add = nullptr;
    for (int tries = 0; tries < 200 && !add; ++tries) {
      Sleep(20);
      add = FindWindowW(L"#32770", L"添加词条 - 兰卓测试");
    }
    if (add) {
      SetWindowTextW(GetDlgItem(add, IDC_USER_WORD_WORD), L"新词");
      SetWindowTextW(GetDlgItem(add, IDC_USER_WORD_CODE), L"ac");
      PostMessageW(GetDlgItem(add, IDC_USER_WORD_CODE), WM_KEYDOWN, VK_RETURN, 0);
      for (int tries = 0; tries < 200 && IsWindow(add); ++tries) Sleep(20);
    }
    WaitForView(dialog);
    added = Rows(dialog);
    added_word = added == 3 ? Cell(dialog, 2, 2) : L"";
    // Another writer appends a record; a minimise and restore shows it.
    MappedFile* table = nullptr;
    if (OpenMappedFile((folder.data() / "main.dmg").u16string().c_str(), &table) > 0) {
      TableRecordBuffer record;
      if (MakeTableRecord(u"ad", u"外来", nullptr, record)) TableAppendRecord(table, record.bytes, record.size);
      CloseMappedFile(table);
    }
    SendMessageW(dialog, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0);
    SendMessageW(dialog, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
    WaitForView(dialog);
    appended = Rows(dialog);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }));
  EXPECT_EQ(added, 3);
  EXPECT_EQ(added_word, L"新词");
  EXPECT_EQ(appended, 4);
}

TEST_F(TableBrowserTest, TheNumberColumnShowsTheRecordsPlaceInTheTable) {
  lz::test::DataFolderContents contents = installed::Contents();
  contents.main = {{"aa", "甲", test::RecordFlags(kClassSystem, 1)}, {"ab", "乙", test::RecordFlags(kClassSystem, 1)},
                   {"ac", "丙", test::RecordFlags(kClassSystem, 1)}, {"ad", "丁", test::RecordFlags(kClassSystem, 1)}};
  lz::test::InstalledFolder folder(contents);
  os::SetMachineString(folder.RegistryKey().c_str(), u"DisplayName", u"兰卓测试");
  std::wstring all_last, found;
  int rows = 0;
  ASSERT_TRUE(Run(folder.class_id(), [&](HWND dialog) {
    all_last = Cell(dialog, 3, 0);
    Search(dialog, L"ac", L"");
    rows = Rows(dialog);
    found = Cell(dialog, 0, 0);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }));
  EXPECT_EQ(all_last, L"4");
  EXPECT_EQ(rows, 1);
  EXPECT_EQ(found, L"3");
}

TEST_F(TableBrowserTest, OnAFolderThatCannotBeWrittenDeletingRestoringAndPinningSaySo) {
  lz::test::DataFolderContents contents = installed::Contents();
  contents.main = {{"aa", "甲", test::RecordFlags(kClassUser, 1)}, {"ab", "乙", test::RecordFlags(kClassSystem, 1)}};
  lz::test::InstalledFolder folder(contents);
  os::SetMachineString(folder.RegistryKey().c_str(), u"DisplayName", u"兰卓测试");
  installed::ReadOnlyFiles read_only(folder.data());
  const std::vector<std::uint8_t> before = test::ReadFileBytes(folder.data() / "main.dmg");
  std::vector<std::u16string> said;  // after each action, the last box's text
  int rows = 0;
  std::wstring pinned, category;
  ASSERT_TRUE(Run(folder.class_id(), [&](HWND dialog) {
    const auto last_box = [&] { return answers_.shown.empty() ? std::u16string() : answers_.shown.back().text; };
    // A user word that would leave the table, and a system word that would be marked.
    for (int row : {0, 1}) {
      answers_.shown.clear();
      Select(dialog, {row});
      Key(dialog, VK_DELETE);
      said.push_back(answers_.shown.size() == 2 ? last_box() : u"");
    }
    answers_.shown.clear();
    Select(dialog, {1});
    PostMessageW(dialog, WM_COMMAND, IDM_BROWSER_UNDELETE, 0);
    WaitForView(dialog);
    said.push_back(last_box());
    answers_.shown.clear();
    NMITEMACTIVATE click{};
    click.hdr.hwndFrom = GetDlgItem(dialog, IDC_BROWSER_LIST);
    click.hdr.idFrom = IDC_BROWSER_LIST;
    click.hdr.code = NM_CLICK;
    click.iItem = 0;
    click.iSubItem = 5;
    SendMessageW(dialog, WM_NOTIFY, IDC_BROWSER_LIST, reinterpret_cast<LPARAM>(&click));
    said.push_back(last_box());
    rows = Rows(dialog);
    pinned = Cell(dialog, 0, 5);
    category = Cell(dialog, 1, 3);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }));
  const std::u16string not_written = u"设置文件不能写入，所做的修改没有保存。";
  EXPECT_EQ(said, (std::vector<std::u16string>{not_written, not_written, not_written, not_written}));
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(pinned, L"");
  EXPECT_NE(category, L" 已删除");
  EXPECT_TRUE(test::ReadFileBytes(folder.data() / "main.dmg") == before);
}

TEST_F(TableBrowserTest, ASystemWordOfANonWritableClassIsMarkedDeletedAndComesBack) {
  if (!fs::exists(ShippedData() / "main.dmg")) GTEST_SKIP() << "no data set was built";
  const std::u16string class_id = installed::InstallShippedData(folder_.path());
  ASSERT_FALSE(class_id.empty());
  os::SetMachineString(test::ImeRegistryKey(class_id).c_str(), u"DisplayName", u"兰卓测试");
  // The system words' class: in use, not writable.
  const fs::path store = folder_.path() / "data" / "config.dsc";
  std::vector<std::uint8_t> bytes = test::ReadFileBytes(store);
  ConfigBlocks blocks{};
  ASSERT_EQ(FindConfigBlocks(ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}, blocks), 1);
  blocks.soft.WriteU32(soft_block::kClassFlags + 4 * kClassSystem, 2);
  test::WriteFileBytes(store, bytes);

  int all_before = 0, all_after = 0, found = 0;
  std::wstring word, marked, restored;
  ASSERT_TRUE(Run(class_id, [&](HWND dialog) {
    all_before = Rows(dialog);
    Search(dialog, L"gg", L"");
    found = Rows(dialog);
    word = Cell(dialog, 0, 2);
    Select(dialog, {0});
    Key(dialog, VK_DELETE);
    marked = Cell(dialog, 0, 3);
    Select(dialog, {0});
    PostMessageW(dialog, WM_COMMAND, IDM_BROWSER_UNDELETE, 0);
    WaitForView(dialog);
    restored = Cell(dialog, 0, 3);
    Search(dialog, L"", L"");
    all_after = Rows(dialog);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }));
  ASSERT_GE(found, 1);
  EXPECT_FALSE(word.empty());
  EXPECT_EQ(marked, L" 已删除");
  EXPECT_NE(restored, L" 已删除");
  EXPECT_EQ(all_after, all_before);
}

}  // namespace
}  // namespace lz::config
