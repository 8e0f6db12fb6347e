// 手动加词 in a run of config on a copy of the shipped data set: the code it proposes, the word Enter adds
// (and an engine then lists), and the online word taken from the recent text or the clipboard. A second
// thread plays the user once the dialog has shown itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "config/app/config_program_win32.h"
#include "config/app/config_resources.h"
#include "config/app/tests/installed_config.h"
#include "platform/os/clipboard.h"
#include "platform/os/message_box.h"
#include "platform/os/system_info.h"
#include "tests/support/data_folder.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/candidate_list.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/input_editing.h"
#include "textservice/engine/query.h"
#include "textservice/engine/settings_store.h"

namespace lz::config {
namespace {

namespace fs = std::filesystem;

// The shipped set of the native tree, reached through Wine's drive for the host's root.
using installed::ShippedData;

std::wstring Text(HWND item) {
  wchar_t buffer[300] = {};
  GetWindowTextW(item, buffer, 300);
  return buffer;
}

class UserWordDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(ShippedData() / "main.dmg")) GTEST_SKIP() << "no data set was built";
    installed::InstallLibrary(L"Quenlith");
    class_id_ = installed::InstallShippedData(folder_.path());
    ASSERT_FALSE(class_id_.empty());
    os::SetMachineString(test::ImeRegistryKey(class_id_).c_str(), u"DisplayName", u"兰卓测试");
  }

  // Runs config with the command word; `play` gets the dialog once it is there and must close it.
  bool Run(const std::u16string& word, const wchar_t* title, const std::function<void(HWND)>& play) {
    std::atomic<bool> found{false}, stop{false};
    std::thread user([&] {
      for (int tries = 0; tries < 500 && !stop; ++tries) {
        if (HWND dialog = FindWindowW(L"#32770", title)) {
          found = true;
          Sleep(50);
          play(dialog);
          return;
        }
        Sleep(20);
      }
    });
    const std::u16string line = u"/n " + class_id_ + u" /do " + word;
    RunConfig(GetModuleHandleW(nullptr), reinterpret_cast<const wchar_t*>(line.c_str()));
    stop = true;
    user.join();
    return found;
  }

  // The ime block of the copied set, for fields the text service keeps.
  void EditIme(const std::function<void(ByteView)>& edit) {
    MappedFile* store = nullptr;
    ASSERT_GT(OpenMappedFile((folder_.path() / "data" / "config.dsc").u16string().c_str(), &store), 0);
    edit(FindConfigBlock({store->view, static_cast<std::uint32_t>(store->size)}, config_store::kImeBlockName));
    CloseMappedFile(store);
  }

  test::TempFolder folder_;
  std::u16string class_id_;
};

void SetWord(HWND dialog, const wchar_t* word) {
  SetWindowTextW(GetDlgItem(dialog, IDC_USER_WORD_WORD), word);
  Sleep(20);
}

void Press(HWND dialog, int item, WPARAM key) {
  PostMessageW(GetDlgItem(dialog, item), WM_KEYDOWN, key, 0);
  Sleep(100);
}

TEST_F(UserWordDialogTest, ProposesCodesAndEnterAddsTheUserWord) {
  std::wstring proposed, for_thirty, status_before;
  bool closed = false;
  ASSERT_TRUE(Run(u"tianjiayonghuci", L"添加词条 - 兰卓测试", [&](HWND dialog) {
    SetWord(dialog, L"中国");
    proposed = Text(GetDlgItem(dialog, IDC_USER_WORD_CODE));
    SetWord(dialog, std::wstring(30, L'中').c_str());
    for_thirty = Text(GetDlgItem(dialog, IDC_USER_WORD_CODE));
    SetWord(dialog, L"民中");
    Press(dialog, IDC_USER_WORD_WORD, VK_RETURN);
    for (int tries = 0; tries < 100 && IsWindow(dialog); ++tries) Sleep(20);
    closed = !IsWindow(dialog);
    if (!closed) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }));
  EXPECT_EQ(proposed, L"khlg");
  EXPECT_EQ(for_thirty, L"");
  EXPECT_TRUE(closed);

  EngineSetup setup;
  setup.class_identifier = class_id_.c_str();
  EngineInstance* engine = CreateEngineInstance(setup);
  ASSERT_NE(engine, nullptr);
  std::uint8_t key[] = {4, 'n', 'a', 'k', 'h'};
  TableRange range;
  ASSERT_GT(FindCodeRange(engine->files.main, range, key), 0);
  bool class_two = false;
  for (std::int32_t i = range.first; i < range.end; ++i) {
    CodeTableRecord r;
    if (RecordAt(engine->files.main, i, r) && std::string(reinterpret_cast<const char*>(r.text), r.text_length) == "民中") {
      class_two = code_table::RecordClass(r.flags) == code_table::kClassUser;
    }
  }
  EXPECT_TRUE(class_two);
  ResetInput(engine);
  for (char16_t k : std::u16string(u"nakh")) {
    AppendInputKey(engine, k);
    QueryCandidates(engine);
  }
  bool listed = false;
  for (int i = 0; i < engine->candidate_count; ++i) {
    char16_t text[kDecodedBufferUnits] = {};
    CandidateText(engine->candidates[i], engine, text);
    listed = listed || std::u16string(text) == u"民中";
  }
  EXPECT_TRUE(listed);
  DestroyEngineInstance(engine, setup);
}

TEST_F(UserWordDialogTest, OnlineWordsComeFromTheRecentTextOrTheClipboard) {
  EditIme([](ByteView ime) {
    WriteFieldText(ime, ime_block::kRecentText, ime_block::kRecentTextUnits, u"我们的中国");
  });
  ASSERT_TRUE(os::WriteClipboardText(u"剪贴板的词"));
  std::wstring first, all, none, clipboard, hint;
  ASSERT_TRUE(Run(u"zaixianjiaci", L"在线加词 - 兰卓测试", [&](HWND dialog) {
    first = Text(GetDlgItem(dialog, IDC_USER_WORD_WORD));
    hint = Text(GetDlgItem(dialog, IDC_USER_WORD_STATUS));
    for (int i = 0; i < 6; ++i) Press(dialog, IDC_USER_WORD_WORD, VK_UP);
    all = Text(GetDlgItem(dialog, IDC_USER_WORD_WORD));
    for (int i = 0; i < 8; ++i) Press(dialog, IDC_USER_WORD_WORD, VK_DOWN);
    none = Text(GetDlgItem(dialog, IDC_USER_WORD_WORD));
    SendMessageW(GetDlgItem(dialog, IDC_USER_WORD_CLIPBOARD), BM_CLICK, 0, 0);
    clipboard = Text(GetDlgItem(dialog, IDC_USER_WORD_WORD));
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }));
  EXPECT_EQ(first, L"中国");
  EXPECT_EQ(hint, L"可用 ↑、↓ 更改词长");
  EXPECT_EQ(all, L"我们的中国");
  EXPECT_EQ(none, L"");
  EXPECT_EQ(clipboard, L"剪贴板的词");
}

TEST_F(UserWordDialogTest, RefusalsKeepTheDialogOpenWithTheReason) {
  std::wstring empty_word, not_keys, present;
  ASSERT_TRUE(Run(u"tianjiayonghuci", L"添加词条 - 兰卓测试", [&](HWND dialog) {
    Press(dialog, IDC_USER_WORD_WORD, VK_RETURN);
    empty_word = Text(GetDlgItem(dialog, IDC_USER_WORD_STATUS));
    SetWord(dialog, L"中国");
    SetWindowTextW(GetDlgItem(dialog, IDC_USER_WORD_CODE), L"ab#删");
    Press(dialog, IDC_USER_WORD_CODE, VK_RETURN);
    not_keys = Text(GetDlgItem(dialog, IDC_USER_WORD_STATUS));
    SetWindowTextW(GetDlgItem(dialog, IDC_USER_WORD_CODE), L"khlg");
    Press(dialog, IDC_USER_WORD_CODE, VK_RETURN);
    present = Text(GetDlgItem(dialog, IDC_USER_WORD_STATUS));
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }));
  EXPECT_EQ(empty_word, L"词条不能为空");
  EXPECT_EQ(not_keys, L"编码不能非键盘字符");
  EXPECT_EQ(present, L"词条已存在");
}

}  // namespace
}  // namespace lz::config
