// One run of config in this process, in a private Wine prefix: the refusals it reports and the main
// settings window it opens (where it stands, what its pages show, where the keyboard goes, what it leaves
// in the settings file), answered by a second thread that finds the window by its title.
#include "config/app/config_program_win32.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "config/app/config_resources.h"
#include "config/settings/settings_window_win32.h"
#include "config/app/tests/installed_config.h"
#include "config/app/tests/window_screenshot.h"
#include "platform/os/message_box.h"
#include "platform/os/system_info.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/ime_block.h"
#include "textservice/settings/settings_page_resources.h"

namespace lz::config {
namespace {

struct Boxes {
  std::vector<os::MessageBoxRequest> shown;
};

int Record(const os::MessageBoxRequest& request, void* context) {
  static_cast<Boxes*>(context)->shown.push_back(request);
  return os::kAnswerOk;
}

struct DescendantSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchDescendant(HWND child, LPARAM context) {
  auto* search = reinterpret_cast<DescendantSearch*>(context);
  if (GetDlgCtrlID(child) == search->id && !search->found) search->found = child;
  return TRUE;
}

// The control with this id anywhere below window, or null.
HWND FindDescendant(HWND window, int id) {
  DescendantSearch search{id, nullptr};
  EnumChildWindows(window, MatchDescendant, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Waits up to ten seconds for a shown top-level dialog of this title.
HWND WaitForShown(const wchar_t* title) {
  for (int tries = 0; tries < 500; ++tries) {
    if (HWND window = FindWindowW(L"#32770", title); window && IsWindowVisible(window)) return window;
    Sleep(20);
  }
  return nullptr;
}

// The window with the keyboard focus in the thread of this window, or null.
HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

// Presses the keys in order and lets them go in reverse, as the keyboard would.
void PressKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  for (WORD key : keys) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    inputs.push_back(input);
  }
  for (auto it = keys.end(); it != keys.begin();) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = *--it;
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  Sleep(300);
}

class ConfigRunTest : public testing::Test {
 protected:
  void SetUp() override {
    installed::InstallLibrary(L"Quenlith");
    os::SetMessageBoxResponder(Record, &boxes_);
  }
  void TearDown() override { os::SetMessageBoxResponder(nullptr, nullptr); }
  int Run(const std::u16string& line) {
    return RunConfig(GetModuleHandleW(nullptr), reinterpret_cast<const wchar_t*>(line.c_str()));
  }
  // Runs config with the line while drive works the window of this title on a second thread; whatever
  // is still open afterwards is closed with OK. False when the window did not show.
  bool RunWith(const std::u16string& line, const wchar_t* title, const std::function<void(HWND)>& drive) {
    std::atomic<bool> found{false};
    std::thread driver([&] {
      HWND window = WaitForShown(title);
      if (!window) return;
      found = true;
      Sleep(200);
      drive(window);
      if (IsWindow(window)) PostMessageW(window, WM_COMMAND, IDOK, 0);
    });
    Run(line);
    driver.join();
    return found;
  }
  // The shipped data set installed under the display name 兰卓测试; empty when no data set was built.
  std::u16string InstallShipped() {
    if (!std::filesystem::exists(installed::ShippedData() / "config.dsc")) return {};
    const std::u16string class_id = installed::InstallShippedData(shipped_.path());
    if (!class_id.empty()) os::SetMachineString(lz::test::ImeRegistryKey(class_id).c_str(), u"DisplayName", u"兰卓测试");
    return class_id;
  }
  // A small installed folder under the display name 兰卓测试.
  std::unique_ptr<lz::test::InstalledFolder> InstallSmall() {
    lz::test::DataFolderContents contents = installed::Contents();
    contents.edit_blocks = [](ConfigBlocks& b) { WriteFieldText(b.soft, soft_block::kImeName, 56, u"Quenlith"); };
    auto folder = std::make_unique<lz::test::InstalledFolder>(contents);
    os::SetMachineString(folder->RegistryKey().c_str(), u"DisplayName", u"兰卓测试");
    return folder;
  }
  lz::test::TempFolder shipped_;
  Boxes boxes_;
};

TEST_F(ConfigRunTest, ARefusedContextIsReportedAndOpensNothing) {
  for (const std::u16string line : {u"", u"/n nothing", u"/n {01234567-89AB-CDEF-0123-456789ABCDEF}"}) {
    boxes_.shown.clear();
    EXPECT_EQ(Run(line), 0);
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].text, u"非法的软件环境，本程序无法继续。");
    EXPECT_EQ(boxes_.shown[0].caption, u"配置程序");
    EXPECT_EQ(boxes_.shown[0].style, static_cast<std::uint32_t>(MB_ICONERROR));
  }
}

TEST_F(ConfigRunTest, AnOlderTextServiceIsWarnedAbout) {
  lz::test::DataFolderContents contents = installed::Contents();
  contents.edit_blocks = [](ConfigBlocks& b) { WriteFieldText(b.soft, soft_block::kImeName, 56, u"Quenlith"); };
  lz::test::InstalledFolder folder(contents);
  EXPECT_EQ(Run(u"/n " + folder.class_id() + u" /currver Quenlith3"), 0);
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].text, u"程序检测到您正在使用旧版的输入法程序，建议重新启动当前程序，以使输入法更新生效。");
}

TEST_F(ConfigRunTest, TheMainSettingsWindowOpensUnderTheDisplayName) {
  lz::test::DataFolderContents contents = installed::Contents();
  contents.edit_blocks = [](ConfigBlocks& b) { WriteFieldText(b.soft, soft_block::kImeName, 56, u"Quenlith"); };
  lz::test::InstalledFolder folder(contents);
  os::SetMachineString(folder.RegistryKey().c_str(), u"DisplayName", u"兰卓测试");
  std::atomic<bool> found{false};
  std::atomic<bool> stop{false};
  std::thread answer([&] {
    for (int tries = 0; tries < 500 && !stop; ++tries) {
      if (HWND window = FindWindowW(L"#32770", L"使用设置 - 兰卓测试")) {
        found = true;
        Sleep(100);
        PostMessageW(window, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(20);
    }
  });
  EXPECT_EQ(Run(u"/n " + folder.class_id() + u" /do jiemian /currver Quenlith"), 0);
  stop = true;
  answer.join();
  EXPECT_TRUE(found);
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(ConfigRunTest, ARunningDictionaryIsHandedTheWordOrTheLastCommit) {
  lz::test::DataFolderContents contents = installed::Contents();
  contents.edit_blocks = [](ConfigBlocks& b) {
    WriteFieldText(b.ime, ime_block::kLastCommitText, ime_block::kLastCommitTextUnits, u"上次上屏");
  };
  lz::test::InstalledFolder folder(contents);
  os::SetMachineString(folder.RegistryKey().c_str(), u"DisplayName", u"兰卓测试");
  installed::DictionaryStandIn dictionary(L"微型词典 - 兰卓测试");
  ASSERT_NE(dictionary.window, nullptr);
  const std::u16string id = folder.class_id();
  const struct {
    std::u16string line;
    std::u16string word;
  } cases[] = {
      {u"/n " + id + u" /dict '词典'", u"词典"},
      {u"/n " + id + u" /dict ''", u"上次上屏"},
      {u"/n " + id + u" /dict " + std::u16string(200, u'w'), std::u16string(127, u'w')},
  };
  for (const auto& c : cases) {
    dictionary.received.clear();
    EXPECT_EQ(Run(c.line), 0);
    ASSERT_EQ(dictionary.received.size(), 1u);
    EXPECT_EQ(dictionary.received[0].size(), 256u);
    EXPECT_EQ(installed::WordOf(dictionary.received[0]), c.word);
  }
}

TEST_F(ConfigRunTest, TheInterfacePageShowsTheShippedSettings) {
  const std::u16string class_id = InstallShipped();
  if (class_id.empty()) GTEST_SKIP() << "no data set was built";
  bool page_shown = false;
  LRESULT skin = CB_ERR, page_size = CB_ERR;
  ASSERT_TRUE(RunWith(u"/n " + class_id + u" /do jiemian", L"使用设置 - 兰卓测试", [&](HWND main) {
    HWND list = FindDescendant(main, IDC_DISPLAY_SKIN);
    if (!list) return;
    page_shown = IsWindowVisible(GetParent(list)) != FALSE;
    skin = SendMessageW(list, CB_GETCURSEL, 0, 0);
    page_size = SendMessageW(FindDescendant(main, IDC_DISPLAY_PAGE_SIZE), CB_GETCURSEL, 0, 0);
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);
    test_screens::SaveWindowScreenshot(main, "interface-page");
  }));
  EXPECT_TRUE(page_shown);
  EXPECT_EQ(skin, 0);
  EXPECT_EQ(page_size, 4);  // 5 candidates
}

TEST_F(ConfigRunTest, OpeningEveryTabAndClosingLeavesTheSettingsFileAsItWas) {
  const std::u16string class_id = InstallShipped();
  if (class_id.empty()) GTEST_SKIP() << "no data set was built";
  const std::filesystem::path store = shipped_.path() / "data" / "config.dsc";
  const std::vector<std::uint8_t> before = lz::test::ReadFileBytes(store);
  for (const int close : {IDOK, IDCANCEL}) {
    SCOPED_TRACE(close);
    ASSERT_TRUE(RunWith(u"/n " + class_id + u" /do jiemian", L"使用设置 - 兰卓测试", [&](HWND main) {
      for (int tab = 0; tab < 5; ++tab) {
        PostMessageW(main, WM_SYSCOMMAND, kNextPageCommand, 0);
        Sleep(200);
      }
      PostMessageW(main, WM_COMMAND, static_cast<WPARAM>(close), 0);
    }));
    EXPECT_TRUE(lz::test::ReadFileBytes(store) == before);
  }
}

TEST_F(ConfigRunTest, CtrlTabTurnsThePagesAndTheKeyboardFocusGoesWithThem) {
  const auto folder = InstallSmall();
  int first_focus = 0;
  std::vector<int> selected, focus_on_page;
  bool tab_moved = false;
  ASSERT_TRUE(RunWith(u"/n " + folder->class_id() + u" /do mabiao", L"使用设置 - 兰卓测试", [&](HWND main) {
    SetForegroundWindow(main);
    Sleep(100);
    first_focus = GetDlgCtrlID(FocusOf(main));
    HWND tabs = GetDlgItem(main, IDC_SETTINGS_TABS);
    for (int turn = 0; turn < 5; ++turn) {
      PressKeys({VK_CONTROL, VK_TAB});
      selected.push_back(static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0)));
      HWND focus = FocusOf(main);
      // The focus is on a control of the page, below the window's own controls.
      focus_on_page.push_back(focus && IsChild(main, focus) && GetParent(focus) != main ? 1 : 0);
    }
    // Back on 码表: Tab goes on from the page's first control.
    HWND before = FocusOf(main);
    PressKeys({VK_TAB});
    tab_moved = FocusOf(main) != before && FocusOf(main) != nullptr;
  }));
  EXPECT_EQ(first_focus, IDC_TABLE_PAGE_LIST);
  EXPECT_EQ(selected, (std::vector<int>{3, 4, 0, 1, 2}));
  EXPECT_EQ(focus_on_page, (std::vector<int>{1, 1, 1, 1, 1}));
  EXPECT_TRUE(tab_moved);
}

TEST_F(ConfigRunTest, TheSettingsWindowAndTheKeyEditorOpenCentredOnTheWorkArea) {
  const auto folder = InstallSmall();
  RECT work{};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  const struct {
    std::u16string word;
    const wchar_t* title;
  } cases[] = {{u"", L"使用设置 - 兰卓测试"}, {u" /do anjianshezhi", L"按键功能定义 - 兰卓测试"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.title);
    RECT box{};
    ASSERT_TRUE(RunWith(u"/n " + folder->class_id() + c.word, c.title, [&](HWND window) {
      GetWindowRect(window, &box);
      PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    }));
    EXPECT_NEAR(box.left - work.left, work.right - box.right, 1);
    EXPECT_NEAR(box.top - work.top, work.bottom - box.bottom, 1);
  }
}

}  // namespace
}  // namespace lz::config
