// 微型词典 driven with messages: searches on the shipped data set, the look-up commands, a word handed
// over by another process (well-formed or not), a close during a search, and two runs of the built
// program with /dict.
#include "config/web/mini_dictionary_win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "config/app/config_resources.h"
#include "config/app/tests/installed_config.h"
#include "config/web/web_resources.h"
#include "platform/os/program_start.h"
#include "platform/os/system_info.h"
#include "tests/support/child_process.h"
#include "tests/support/data_folder.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/block_fields.h"

// The other dictionary run: sends WM_COPYDATA to the window (a number) with dwData, cbData and a block of
// 600 bytes that holds the word's UTF-16 units (given as hexadecimal, four digits each) and zeros after.
LZ_CHILD_MODE(hand_dictionary_word) {
  if (args.size() < 4) return 2;
  HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::strtoull(args[0].c_str(), nullptr, 10)));
  std::vector<char16_t> block(300, u'\0');
  const std::string& hex = args[3];
  for (std::size_t i = 0; i + 4 <= hex.size() && i / 4 < block.size(); i += 4) {
    block[i / 4] = static_cast<char16_t>(std::strtoul(hex.substr(i, 4).c_str(), nullptr, 16));
  }
  COPYDATASTRUCT data{static_cast<ULONG_PTR>(std::strtoull(args[1].c_str(), nullptr, 10)),
                      static_cast<DWORD>(std::strtoul(args[2].c_str(), nullptr, 10)), block.data()};
  return SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)) ? 0 : 1;
}

namespace lz::config {
namespace {

namespace fs = std::filesystem;

constexpr int kPatienceRounds = 500;  // of 20 ms

using installed::ShippedData;

std::wstring Text(HWND dialog, int item) {
  wchar_t buffer[4096] = {};
  GetDlgItemTextW(dialog, item, buffer, 4096);
  return buffer;
}

// Waits until the item's text passes the check; false after about ten seconds.
bool WaitForText(HWND dialog, int item, const std::function<bool(const std::wstring&)>& check) {
  for (int i = 0; i < kPatienceRounds; ++i) {
    if (check(Text(dialog, item))) return true;
    Sleep(20);
  }
  return false;
}

std::string Hex(const std::wstring& word) {
  std::string out;
  char unit[8];
  for (const wchar_t c : word) {
    snprintf(unit, sizeof unit, "%04X", static_cast<unsigned>(c));
    out += unit;
  }
  return out;
}

void Type(HWND dialog, const wchar_t* word) {
  SetDlgItemTextW(dialog, IDC_DICTIONARY_WORD, word);
  PostMessageW(GetDlgItem(dialog, IDC_DICTIONARY_WORD), WM_KEYDOWN, VK_RETURN, 0);
}

struct Starts {
  std::vector<std::u16string> files;
};

class MiniDictionaryDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(ShippedData() / "main.dmg")) GTEST_SKIP() << "no data set was built";
    installed::InstallLibrary(L"Quenlith");
    class_id_ = installed::InstallShippedData(folder_.path());
    ASSERT_FALSE(class_id_.empty());
    context_ = OpenConfigContext(class_id_.c_str());
    ASSERT_NE(context_, nullptr);
  }
  void TearDown() override {
    os::SetProgramStartSink(nullptr, nullptr);
    CloseConfigContext(context_);
  }

  // Runs the dialog; `play` gets it once it shows (on another thread) and must close it.
  bool Run(MiniDictionaryDialog& dialog, const std::function<void(HWND)>& play) {
    std::atomic<bool> found{false}, stop{false};
    std::thread user([&] {
      for (int tries = 0; tries < kPatienceRounds && !stop; ++tries) {
        if (HWND window = FindWindowW(L"#32770", L"微型词典 - 兰卓词典"); window && IsWindowVisible(window)) {
          found = true;
          play(window);
          return;
        }
        Sleep(20);
      }
    });
    dialog.RunModal(nullptr);
    stop = true;
    user.join();
    return found;
  }

  test::TempFolder folder_;
  std::u16string class_id_;
  ConfigContext* context_ = nullptr;
};

bool Explains(const std::wstring& text) { return !text.empty() && text != L"词典中尚未收录该词条."; }

TEST_F(MiniDictionaryDialogTest, AWordAndEnterShowItsExplanationItsCodesAndTheEntriesAroundIt) {
  MiniDictionaryDialog dialog(GetModuleHandleW(nullptr), context_, u"兰卓词典", u"");
  std::wstring explanation, codes, first_row, missing, back_enabled;
  int rows = 0;
  ASSERT_TRUE(Run(dialog, [&](HWND window) {
    Type(window, L"中");
    WaitForText(window, IDC_DICTIONARY_CODES, [](const std::wstring& t) { return !t.empty(); });
    WaitForText(window, IDC_DICTIONARY_EXPLANATION, Explains);
    explanation = Text(window, IDC_DICTIONARY_EXPLANATION);
    codes = Text(window, IDC_DICTIONARY_CODES);
    HWND list = GetDlgItem(window, IDC_DICTIONARY_LIST);
    rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    wchar_t row[64] = {};
    LVITEMW item{};
    item.pszText = row;
    item.cchTextMax = 64;
    SendMessageW(list, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
    first_row = row;
    // A word the dictionary lacks.
    Type(window, L"丂丂丂");
    WaitForText(window, IDC_DICTIONARY_CODES, [](const std::wstring& t) { return t.find(L"丂丂丂") != std::wstring::npos; });
    WaitForText(window, IDC_DICTIONARY_EXPLANATION, [](const std::wstring& t) { return !Explains(t); });
    missing = Text(window, IDC_DICTIONARY_CODES);
    back_enabled = IsWindowEnabled(GetDlgItem(window, IDC_DICTIONARY_BACK)) ? L"yes" : L"no";
    PostMessageW(window, WM_CLOSE, 0, 0);
  }));
  EXPECT_TRUE(Explains(explanation));
  EXPECT_EQ(codes.rfind(L"编码: ", 0), 0u) << std::string(codes.begin(), codes.end());
  for (const wchar_t* code : {L" k", L" kh", L" khk"}) {
    EXPECT_NE((codes + L" ").find(std::wstring(code) + L" "), std::wstring::npos);
  }
  EXPECT_GE(rows, 1);
  EXPECT_EQ(first_row, L"中");
  EXPECT_EQ(missing, L"未能找到 丂丂丂 的编码");
  EXPECT_EQ(back_enabled, L"yes");
  EXPECT_EQ(dialog.history().words().size(), 2u);
}

void RecordStart(const os::ProgramStart& start, void* context) {
  static_cast<Starts*>(context)->files.push_back(start.file);
}

TEST_F(MiniDictionaryDialogTest, TheFourLookUpsOpenTheirAddresses) {
  Starts starts;
  os::SetProgramStartSink(RecordStart, &starts);
  MiniDictionaryDialog dialog(GetModuleHandleW(nullptr), context_, u"兰卓词典", u"");
  ASSERT_TRUE(Run(dialog, [&](HWND window) {
    SetDlgItemTextW(window, IDC_DICTIONARY_WORD, L"中 a&b");
    for (const int command : {IDM_DICTIONARY_HANDIAN, IDM_DICTIONARY_CIBA, IDM_DICTIONARY_GOOGLE, IDM_DICTIONARY_BAIDU}) {
      SendMessageW(window, WM_COMMAND, static_cast<WPARAM>(command), 0);
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
  }));
  ASSERT_EQ(starts.files.size(), 4u);
  EXPECT_EQ(starts.files[0], u"http://www.zdic.net/search/?q=%E4%B8%AD%20a%26b");
  EXPECT_EQ(starts.files[1], u"http://www.iciba.com/%E4%B8%AD%20a%26b");
  EXPECT_EQ(starts.files[2], u"https://www.google.com/search?newwindow=1&source=hp&q=%E4%B8%AD%20a%26b");
  EXPECT_EQ(starts.files[3], u"http://www.baidu.com/s?wd=%E4%B8%AD%20a%26b");
}

TEST_F(MiniDictionaryDialogTest, AWordFromAnotherProcessIsSearchedAndMalformedBlocksChangeNothing) {
  MiniDictionaryDialog dialog(GetModuleHandleW(nullptr), context_, u"兰卓词典", u"");
  std::wstring after_good, explanation, after_bad;
  std::vector<int> exits;
  bool foreground = false, topmost = true;
  ASSERT_TRUE(Run(dialog, [&](HWND window) {
    const std::string handle = std::to_string(reinterpret_cast<std::uintptr_t>(window));
    exits.push_back(test::RunChild({"hand_dictionary_word", handle, "0", "256", Hex(L"中")}));
    WaitForText(window, IDC_DICTIONARY_EXPLANATION, Explains);
    after_good = Text(window, IDC_DICTIONARY_WORD);
    explanation = Text(window, IDC_DICTIONARY_EXPLANATION);
    for (int i = 0; i < 50 && GetForegroundWindow() != window; ++i) Sleep(20);
    foreground = GetForegroundWindow() == window;
    topmost = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    exits.push_back(test::RunChild({"hand_dictionary_word", handle, "1", "256", Hex(L"国")}));
    exits.push_back(test::RunChild({"hand_dictionary_word", handle, "0", "0", Hex(L"国")}));
    exits.push_back(test::RunChild({"hand_dictionary_word", handle, "0", "1", Hex(L"国")}));
    Sleep(200);
    after_bad = Text(window, IDC_DICTIONARY_WORD);
    PostMessageW(window, WM_CLOSE, 0, 0);
  }));
  EXPECT_EQ(exits, (std::vector<int>{0, 1, 1, 1}));
  EXPECT_EQ(after_good, L"中");
  EXPECT_TRUE(Explains(explanation));
  EXPECT_TRUE(foreground);
  EXPECT_FALSE(topmost);
  EXPECT_EQ(after_bad, L"中");
  EXPECT_EQ(dialog.history().words().size(), 1u);
}

TEST_F(MiniDictionaryDialogTest, ACloseRightAfterASearchStartsWaitsForTheSearch) {
  MiniDictionaryDialog dialog(GetModuleHandleW(nullptr), context_, u"兰卓词典", u"");
  ASSERT_TRUE(Run(dialog, [&](HWND window) {
    SetDlgItemTextW(window, IDC_DICTIONARY_WORD, L"中");
    PostMessageW(window, WM_COMMAND, IDC_DICTIONARY_SEARCH, 0);
    PostMessageW(window, WM_COMMAND, IDM_DICTIONARY_FULL_SEARCH, 0);
    PostMessageW(window, WM_CLOSE, 0, 0);
  }));
  EXPECT_GE(dialog.searches_started(), 2);
  EXPECT_EQ(dialog.searches_finished(), dialog.searches_started());
  // TearDown closes the context after the dialog has ended.
}

// Two runs of the built program: the second hands its word to the first and ends.
BOOL CALLBACK CountDictionaries(HWND window, LPARAM count) {
  wchar_t title[128] = {};
  GetWindowTextW(window, title, 128);
  if (std::wstring(title) == L"微型词典 - 兰卓测试") ++*reinterpret_cast<int*>(count);
  return TRUE;
}

TEST(MiniDictionaryProgramTest, ASecondDictionaryRunHandsItsWordToTheFirstAndEnds) {
  installed::InstallLibrary(L"Quenlith");
  test::DataFolderContents contents = installed::Contents();
  contents.edit_blocks = [](ConfigBlocks& b) { WriteFieldText(b.soft, soft_block::kImeName, 56, u"Quenlith"); };
  contents.dict = std::vector<DictionaryBuildRecord>{{"中", "中间"}, {"国", "国家"}};
  test::InstalledFolder folder(contents);
  os::SetMachineString(folder.RegistryKey().c_str(), u"DisplayName", u"兰卓测试");
  const std::wstring id(folder.class_id().begin(), folder.class_id().end());

  installed::ConfigProgram first(L"/n " + id + L" /dict '中'");
  ASSERT_TRUE(first.started());
  HWND window = nullptr;
  for (int i = 0; i < kPatienceRounds * 2 && !window; ++i) {
    window = FindWindowW(L"#32770", L"微型词典 - 兰卓测试");
    if (!window) Sleep(20);
  }
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(WaitForText(window, IDC_DICTIONARY_EXPLANATION, [](const std::wstring& t) { return t == L"中间\r\n"; }));
  installed::ConfigProgram second(L"/n " + id + L" /dict '国'");
  ASSERT_TRUE(second.started());
  EXPECT_TRUE(second.Ended());
  EXPECT_TRUE(WaitForText(window, IDC_DICTIONARY_EXPLANATION, [](const std::wstring& t) { return t == L"国家\r\n"; }));
  EXPECT_EQ(Text(window, IDC_DICTIONARY_WORD), L"国");
  int count = 0;
  EnumWindows(CountDictionaries, reinterpret_cast<LPARAM>(&count));
  EXPECT_EQ(count, 1);
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(first.Ended());
}

}  // namespace
}  // namespace lz::config
