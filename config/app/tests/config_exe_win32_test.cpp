// The built program end to end, in a private Wine prefix: configx64.exe (config.exe on x86) copied beside
// this test, started as the text service and the shortcuts start it, its windows found by their titles
// from this process.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "config/app/config_resources.h"
#include "config/app/tests/installed_config.h"
#include "platform/os/system_info.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/ime_block.h"

namespace lz::config {
namespace {

constexpr DWORD kPatience = 20000;  // ms a program is given to show its window

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

// A top-level window of another process by its class and title; null when none shows in time.
HWND WaitForWindow(const wchar_t* window_class, const std::wstring& title) {
  for (DWORD waited = 0; waited < kPatience; waited += 50) {
    if (HWND window = FindWindowW(window_class, title.c_str()); window && IsWindowVisible(window)) return window;
    Sleep(50);
  }
  return nullptr;
}

BOOL CALLBACK CountTitled(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<std::pair<const std::wstring*, int>*>(context);
  wchar_t title[128] = {};
  GetWindowTextW(window, title, 128);
  if (*search->first == title) ++search->second;
  return TRUE;
}

int WindowsTitled(const std::wstring& title) {
  std::pair<const std::wstring*, int> search{&title, 0};
  EnumWindows(CountTitled, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

BOOL CALLBACK CollectNumbered(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR context) {
  if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<WORD>*>(context)->push_back(LOWORD(name));
  return TRUE;
}

std::string ResourceBytes(HMODULE module, WORD id, LPCWSTR type) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const auto* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  return bytes ? std::string(bytes, SizeofResource(module, found)) : std::string();
}

class ConfigProgramTest : public testing::Test {
 protected:
  void SetUp() override { installed::InstallLibrary(L"Quenlith"); }

  static lz::test::DataFolderContents Contents() {
    lz::test::DataFolderContents contents = installed::Contents();
    contents.edit_blocks = [](ConfigBlocks& b) {
      WriteFieldText(b.soft, soft_block::kImeName, 56, u"Quenlith");
      WriteFieldText(b.ime, ime_block::kLastCommitText, ime_block::kLastCommitTextUnits, u"上次上屏");
    };
    return contents;
  }
  static void Name(const lz::test::InstalledFolder& folder) {
    os::SetMachineString(folder.RegistryKey().c_str(), u"DisplayName", u"兰卓测试");
  }
};

TEST_F(ConfigProgramTest, ASecondRunBringsTheOpenWindowForwardAndEnds) {
  lz::test::InstalledFolder folder(Contents());
  Name(folder);
  const std::wstring id = Wide(folder.class_id());
  const struct {
    std::wstring arguments;
    std::wstring title;
    int close_command;
  } cases[] = {
      {L"/n " + id, L"使用设置 - 兰卓测试", IDOK},
      {L"/n " + id + L" /do anjianshezhi", L"按键功能定义 - 兰卓测试", IDCANCEL},
  };
  for (const auto& c : cases) {
    installed::ConfigProgram first(c.arguments);
    ASSERT_TRUE(first.started());
    HWND window = WaitForWindow(L"#32770", c.title);
    ASSERT_NE(window, nullptr);
    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    SetForegroundWindow(other);
    installed::ConfigProgram second(c.arguments);
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_EQ(WindowsTitled(c.title), 1);
    EXPECT_EQ(GetForegroundWindow(), window);
    DestroyWindow(other);
    PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(c.close_command), 0);
    EXPECT_EQ(first.Wait(), 0);
  }
}

// As the user starts it: the program's own windows, not the test's copy of them.
TEST_F(ConfigProgramTest, TheSettingsWindowAndTheKeyEditorOpenCentredOnTheWorkArea) {
  lz::test::InstalledFolder folder(Contents());
  Name(folder);
  RECT work{};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  const std::wstring id = Wide(folder.class_id());
  const struct {
    std::wstring arguments;
    std::wstring title;
  } cases[] = {
      {L"/n " + id, L"使用设置 - 兰卓测试"},
      {L"/n " + id + L" /do anjianshezhi", L"按键功能定义 - 兰卓测试"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.arguments);
    installed::ConfigProgram run(c.arguments);
    ASSERT_TRUE(run.started());
    HWND window = WaitForWindow(L"#32770", c.title);
    ASSERT_NE(window, nullptr);
    RECT box{};
    GetWindowRect(window, &box);
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(run.Wait(), 0);
    EXPECT_NEAR(box.left - work.left, work.right - box.right, 1);
    EXPECT_NEAR(box.top - work.top, work.bottom - box.bottom, 1);
  }
}

// A window changed in config's sources reaches the built program: each of its window templates is the one
// this test was built with from the same sources.
TEST_F(ConfigProgramTest, TheProgramCarriesTheWindowsOfItsSources) {
  std::vector<WORD> ids;
  EnumResourceNamesW(nullptr, RT_DIALOG, CollectNumbered, reinterpret_cast<LONG_PTR>(&ids));
  ASSERT_FALSE(ids.empty());
  HMODULE program = LoadLibraryExW(installed::ConfigProgramPath().c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(program, nullptr);
  for (WORD id : ids) {
    const std::string designed = ResourceBytes(nullptr, id, RT_DIALOG);
    EXPECT_FALSE(designed.empty()) << id;
    EXPECT_TRUE(ResourceBytes(program, id, RT_DIALOG) == designed) << "window template " << id;
  }
  FreeLibrary(program);
}

TEST_F(ConfigProgramTest, ADictionaryRunHandsItsWordToTheOpenDictionary) {
  lz::test::InstalledFolder folder(Contents());
  Name(folder);
  installed::DictionaryStandIn dictionary(L"微型词典 - 兰卓测试");
  ASSERT_NE(dictionary.window, nullptr);
  const std::wstring id = Wide(folder.class_id());
  const struct {
    std::wstring arguments;
    std::u16string word;
  } cases[] = {
      {L"/n " + id + L" /dict 'word'", u"word"},
      {L"/n " + id + L" /dict ''", u"上次上屏"},
  };
  for (const auto& c : cases) {
    dictionary.received.clear();
    installed::ConfigProgram run(c.arguments);
    ASSERT_TRUE(run.started());
    EXPECT_EQ(run.Wait(), 0);
    ASSERT_EQ(dictionary.received.size(), 1u);
    EXPECT_EQ(dictionary.received[0].size(), 256u);
    EXPECT_EQ(installed::WordOf(dictionary.received[0]), c.word);
  }
}

// The help commands open the installed help file in the system's help viewer.
TEST_F(ConfigProgramTest, TheHelpCommandsOpenTheInstalledHelpFile) {
  lz::test::InstalledFolder folder(Contents());
  Name(folder);
  const std::filesystem::path program = folder.path() / "program";
  std::filesystem::create_directories(program);
  std::filesystem::copy_file(std::filesystem::path(LZ_HELP_FILE_HOST), program / "main.chm");
  const std::wstring id = Wide(folder.class_id());
  for (const wchar_t* word : {L"help", L"帮助首页"}) {
    installed::ConfigProgram run(L"/n " + id + L" /do " + word);
    ASSERT_TRUE(run.started());
    EXPECT_EQ(run.Wait(), 0);
    HWND viewer = nullptr;
    for (DWORD waited = 0; !viewer && waited < kPatience; waited += 50) {
      viewer = FindWindowW(L"HH Parent", nullptr);
      if (!viewer) Sleep(50);
    }
    ASSERT_NE(viewer, nullptr) << word;
    DWORD viewer_process = 0;
    GetWindowThreadProcessId(viewer, &viewer_process);
    PostMessageW(viewer, WM_CLOSE, 0, 0);
    if (HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, viewer_process)) {
      WaitForSingleObject(process, kPatience);
      CloseHandle(process);
    }
  }
}

TEST_F(ConfigProgramTest, ARefusedContextShowsItsMessageAndOpensNothing) {
  installed::ConfigProgram run(L"/n {01234567-89AB-CDEF-0123-456789ABCDEF} /do anjianshezhi");
  ASSERT_TRUE(run.started());
  HWND box = WaitForWindow(L"#32770", L"配置程序");
  ASSERT_NE(box, nullptr);
  wchar_t text[128] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 128);
  EXPECT_STREQ(text, L"非法的软件环境，本程序无法继续。");
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(run.Wait(), 0);
  EXPECT_EQ(WindowsTitled(L"按键功能定义 - *"), 0);
}

}  // namespace
}  // namespace lz::config
