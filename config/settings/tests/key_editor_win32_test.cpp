// The key-function editor run by config's entry with "/do anjianshezhi" in a private Wine prefix: a
// second thread finds it by title and clicks its buttons; the function menu and the message boxes are
// answered through their seams; config.dsc is read back from the disk afterwards.
#include "config/settings/key_editor_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "config/app/config_program_win32.h"
#include "config/app/config_resources.h"
#include "config/app/tests/installed_config.h"
#include "platform/dialogs/popup_menu_win32.h"
#include "platform/os/message_box.h"
#include "platform/os/system_info.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/settings_store.h"
#include "textservice/skin/tests/png_writer.h"

namespace lz::config {
namespace {

using namespace key_function;

constexpr wchar_t kTitle[] = L"按键功能定义 - 兰卓测试";
constexpr int kButtonA = 1116;
constexpr int kButtonB = 1103;
constexpr int kButtonF1 = 1054;
constexpr int kButtonLeftShift = 1123;
constexpr int kDone = IDCANCEL;

// The function menu as the seam is handed it: which items carry a check mark, and every command there.
struct Menus {
  std::deque<int> answers;
  std::vector<std::vector<int>> checked;
  std::vector<int> missing;
  std::u16string range_mixed_text;
};

int AnswerMenu(HMENU menu, void* context) {
  auto* menus = static_cast<Menus*>(context);
  std::vector<int> checked;
  for (const MenuCommand& command : MenuCommands()) {
    const UINT state = GetMenuState(menu, static_cast<UINT>(command.id), MF_BYCOMMAND);
    if (state == static_cast<UINT>(-1)) menus->missing.push_back(command.id);
    else if (state & MF_CHECKED) checked.push_back(command.id);
  }
  menus->checked.push_back(checked);
  wchar_t text[64] = {};
  GetMenuStringW(menu, 33029, text, 64, MF_BYCOMMAND);
  menus->range_mixed_text = reinterpret_cast<const char16_t*>(text);
  if (menus->answers.empty()) return 0;
  const int answer = menus->answers.front();
  menus->answers.pop_front();
  return answer;
}

struct Boxes {
  std::deque<int> answers;
  std::vector<os::MessageBoxRequest> shown;
};

int AnswerBox(const os::MessageBoxRequest& request, void* context) {
  auto* boxes = static_cast<Boxes*>(context);
  boxes->shown.push_back(request);
  if (boxes->answers.empty()) return os::kAnswerOk;
  const int answer = boxes->answers.front();
  boxes->answers.pop_front();
  return answer;
}

void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

ConfigBlocks ReadBlocks(const std::filesystem::path& data, std::vector<std::uint8_t>& bytes) {
  bytes = test::ReadFileBytes(data / "config.dsc");
  ConfigBlocks blocks{};
  FindConfigBlocks(ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}, blocks);
  return blocks;
}

class KeyEditorRunTest : public testing::Test {
 protected:
  void SetUp() override {
    installed::InstallLibrary(L"Quenlith");
    os::SetMessageBoxResponder(AnswerBox, &boxes_);
    dialogs::SetPopupMenuResponder(AnswerMenu, &menus_);
  }
  void TearDown() override {
    os::SetMessageBoxResponder(nullptr, nullptr);
    dialogs::SetPopupMenuResponder(nullptr, nullptr);
  }

  static lz::test::DataFolderContents Contents(const std::function<void(ConfigBlocks&)>& edit = {}) {
    lz::test::DataFolderContents contents = installed::Contents();
    contents.edit_blocks = [edit](ConfigBlocks& b) {
      WriteFieldText(b.soft, soft_block::kImeName, 56, u"Quenlith");
      if (edit) edit(b);
    };
    return contents;
  }

  // Runs the editor on the folder while `drive` works it from a second thread; drive gets the dialog
  // and ends with the dialog closed. False when the dialog never showed.
  bool RunEditor(const lz::test::InstalledFolder& folder, const std::function<void(HWND)>& drive) {
    os::SetMachineString(folder.RegistryKey().c_str(), u"DisplayName", u"兰卓测试");
    std::atomic<bool> found{false};
    std::thread driver([&] {
      for (int tries = 0; tries < 500; ++tries) {
        if (HWND dialog = FindWindowW(L"#32770", kTitle); dialog && IsWindowVisible(dialog)) {
          found = true;
          drive(dialog);
          if (IsWindow(dialog)) Click(dialog, kDone);
          return;
        }
        Sleep(20);
      }
    });
    const std::u16string line = u"/n " + folder.class_id() + u" /do anjianshezhi";
    RunConfig(GetModuleHandleW(nullptr), reinterpret_cast<const wchar_t*>(line.c_str()));
    driver.join();
    return found;
  }

  Boxes boxes_;
  Menus menus_;
};

TEST_F(KeyEditorRunTest, KeyClicksWriteTheChosenFunctions) {
  lz::test::InstalledFolder folder(Contents());
  menus_.answers = {32803, 32808, 32807, 32804, 32786};
  bool modifiers_disabled = false, modifiers_enabled_again = false;
  ASSERT_TRUE(RunEditor(folder, [&](HWND dialog) {
    Click(dialog, kButtonA);          // a: 前翻页
    Click(dialog, kButtonA);          // a: 清除输入 beside it
    Click(dialog, IDC_KEYS_CTRL);
    modifiers_disabled = !IsWindowEnabled(GetDlgItem(dialog, kButtonLeftShift));
    Click(dialog, kButtonF1);         // Ctrl+F1: 输入法打开/关闭
    Click(dialog, IDC_KEYS_CTRL);
    modifiers_enabled_again = IsWindowEnabled(GetDlgItem(dialog, kButtonLeftShift)) != FALSE;
    Click(dialog, IDC_KEYS_SHIFT);
    Click(dialog, kButtonA);          // Shift+a (A): 后翻页
    Click(dialog, IDC_KEYS_SHIFT);
    Click(dialog, kButtonB);          // b: 第2候选
  }));
  EXPECT_TRUE(modifiers_disabled);
  EXPECT_TRUE(modifiers_enabled_again);
  EXPECT_TRUE(menus_.missing.empty());
  EXPECT_EQ(menus_.range_mixed_text, u"检索范围主/混显切换(&T)");
  ASSERT_EQ(menus_.checked.size(), 5u);
  EXPECT_EQ(menus_.checked[0], std::vector<int>{});
  EXPECT_EQ(menus_.checked[1], std::vector<int>{32803});
  EXPECT_TRUE(boxes_.shown.empty());

  std::vector<std::uint8_t> bytes;
  const ConfigBlocks blocks = ReadBlocks(folder.data(), bytes);
  EXPECT_EQ(ReadKeyBinding(blocks.dme, 0x41), kPageUp | kClearInput);
  EXPECT_EQ(ReadKeyBinding(blocks.dme, 0x141), kPageDown);
  EXPECT_EQ(ReadKeyBinding(blocks.dme, 0x42), kCommit | (KeyFunctionMask{2} << kNumberShift));
  ASSERT_EQ(CombinationCount(blocks.dme), 1u);
  CombinationBinding combination;
  ASSERT_TRUE(ReadCombination(blocks.dme, 0, combination));
  EXPECT_EQ(combination.key_code, 0x470);
  EXPECT_EQ(combination.mask, kToggleIme);

  // The engine opening the folder afterwards binds the keys so.
  const EngineSetup setup = folder.Setup();
  EngineInstance* engine = CreateEngineInstance(setup);
  ASSERT_NE(engine, nullptr);
  EXPECT_EQ(ReadKeyBinding(engine->blocks.dme, 0x41), kPageUp | kClearInput);
  EXPECT_EQ(FindCombination(engine->blocks.dme, 0x470), 0);
  DestroyEngineInstance(engine, setup);
}

TEST_F(KeyEditorRunTest, TheMenuShowsTheKeysFunctionsChecked) {
  lz::test::InstalledFolder folder(Contents([](ConfigBlocks& b) {
    WriteKeyBinding(b.dme, 0x41, kPageUp | kCommit | (KeyFunctionMask{3} << kNumberShift));
    AddCombination(b.dme, 0x470, kConfigDictionary);
  }));
  ASSERT_TRUE(RunEditor(folder, [&](HWND dialog) {
    Click(dialog, kButtonA);
    Click(dialog, IDC_KEYS_CTRL);
    Click(dialog, kButtonF1);
  }));
  ASSERT_EQ(menus_.checked.size(), 2u);
  EXPECT_EQ(menus_.checked[0], (std::vector<int>{32803, 32787}));
  EXPECT_EQ(menus_.checked[1], std::vector<int>{33063});
  // Dismissed menus change nothing.
  std::vector<std::uint8_t> bytes;
  const ConfigBlocks blocks = ReadBlocks(folder.data(), bytes);
  EXPECT_EQ(FindCombination(blocks.dme, 0x470), 0);
  EXPECT_EQ(CombinationCount(blocks.dme), 1u);
}

TEST_F(KeyEditorRunTest, TheSixtyFifthCombinationIsRefusedWithTheMessage) {
  lz::test::InstalledFolder folder(Contents([](ConfigBlocks& b) {
    for (std::int32_t i = 0; i < 64; ++i) AddCombination(b.dme, 0x200 | (0x41 + i % 26) | (i >= 26 ? 0x400 : 0) | (i >= 52 ? 0x100 : 0), kPageUp);
  }));
  std::vector<std::uint8_t> before_bytes;
  ReadBlocks(folder.data(), before_bytes);
  menus_.answers = {32803};
  ASSERT_TRUE(RunEditor(folder, [&](HWND dialog) {
    Click(dialog, IDC_KEYS_CTRL);
    Click(dialog, kButtonF1);
  }));
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].text, u"组合按键空间用尽，您最多能定义64组组合键。");
  EXPECT_EQ(boxes_.shown[0].caption, u"蓝卓输入法生成器");
  EXPECT_EQ(boxes_.shown[0].style, static_cast<std::uint32_t>(MB_ICONERROR));
  EXPECT_TRUE(menus_.checked.empty());
  std::vector<std::uint8_t> after_bytes;
  ReadBlocks(folder.data(), after_bytes);
  EXPECT_EQ(after_bytes, before_bytes);
}

TEST_F(KeyEditorRunTest, WholeTableCommandsAskFirst) {
  lz::test::InstalledFolder folder(Contents([](ConfigBlocks& b) {
    WriteKeyBinding(b.dme, 0x41, kPageUp);
    AddCombination(b.dme, 0x470, kToggleIme);
  }));
  menus_.answers = {32924, 32922};
  boxes_.answers = {os::kAnswerNo, os::kAnswerYes};
  ASSERT_TRUE(RunEditor(folder, [&](HWND dialog) {
    Click(dialog, kButtonA);
    Click(dialog, kButtonA);
  }));
  ASSERT_EQ(boxes_.shown.size(), 2u);
  EXPECT_EQ(boxes_.shown[0].text, u"此操作将清空所有已经定义的按键功能。\r\n是否继续？");
  EXPECT_EQ(boxes_.shown[0].caption, u"配置程序");
  EXPECT_EQ(boxes_.shown[1].text, u"此操作将清空您原有的自定义设置，然后使用蓝卓默认按键方案。\r\n是否继续？");
  std::vector<std::uint8_t> bytes;
  const ConfigBlocks blocks = ReadBlocks(folder.data(), bytes);
  EXPECT_EQ(ReadKeyBinding(blocks.dme, 0x41), 0u);
  EXPECT_EQ(ReadKeyBinding(blocks.dme, 0x20), kCommit);
  EXPECT_EQ(CombinationCount(blocks.dme), 0u);
}

BOOL CALLBACK CountEditors(HWND window, LPARAM count) {
  wchar_t title[64] = {};
  GetWindowTextW(window, title, 64);
  if (std::wstring(title) == kTitle) ++*reinterpret_cast<int*>(count);
  return TRUE;
}

TEST_F(KeyEditorRunTest, ASecondRunBringsTheOpenEditorForward) {
  lz::test::InstalledFolder folder(Contents());
  int editors = 0;
  HWND foreground = nullptr, found = nullptr;
  ASSERT_TRUE(RunEditor(folder, [&](HWND dialog) {
    found = dialog;
    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    SetForegroundWindow(other);
    const std::u16string line = u"/n " + folder.class_id() + u" /do anjianshezhi";
    RunConfig(GetModuleHandleW(nullptr), reinterpret_cast<const wchar_t*>(line.c_str()));
    foreground = GetForegroundWindow();
    EnumWindows(CountEditors, reinterpret_cast<LPARAM>(&editors));
    DestroyWindow(other);
  }));
  EXPECT_EQ(editors, 1);
  EXPECT_EQ(foreground, found);
}

TEST_F(KeyEditorRunTest, AStoreThatCannotBeWrittenIsReportedOnce) {
  lz::test::InstalledFolder folder(Contents());
  const std::filesystem::path store = folder.data() / "config.dsc";
  SetFileAttributesW(store.c_str(), FILE_ATTRIBUTE_READONLY);
  menus_.answers = {32803, 32803};
  ASSERT_TRUE(RunEditor(folder, [&](HWND dialog) {
    Click(dialog, kButtonA);
    Click(dialog, kButtonB);
    Click(dialog, IDC_KEYS_CTRL);
    Click(dialog, kButtonF1);
  }));
  SetFileAttributesW(store.c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].caption, u"配置程序");
  std::vector<std::uint8_t> bytes;
  const ConfigBlocks blocks = ReadBlocks(folder.data(), bytes);
  EXPECT_EQ(ReadKeyBinding(blocks.dme, 0x41), 0u);
  EXPECT_EQ(CombinationCount(blocks.dme), 0u);
}

// The screen as GetDC(NULL) shows it.
struct Screen {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  COLORREF At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    const std::uint32_t v = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
};

Screen Capture() {
  Screen s;
  s.width = GetSystemMetrics(SM_CXSCREEN);
  s.height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, s.width, -s.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, s.width, s.height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* p = static_cast<const std::uint32_t*>(bits);
  s.pixels.assign(p, p + static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return s;
}

// Keeps the dialog's part of the screen as a PNG beside the test program (a build artefact).
void SaveScreenshot(const Screen& s, const RECT& area, const char* name) {
  std::vector<std::uint8_t> rgba;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const COLORREF c = s.At(x, y);
      rgba.insert(rgba.end(), {GetRValue(c), GetGValue(c), GetBValue(c), 0xFF});
    }
  }
  const std::string file = std::string(name) + (sizeof(void*) == 8 ? "-x64.png" : "-x86.png");
  test::WriteFileBytes(file, test::EncodeRgbaPng(static_cast<std::uint32_t>(area.right - area.left),
                                                 static_cast<std::uint32_t>(area.bottom - area.top), rgba));
}

// The fill of a key: a pixel between its frame and its focus rectangle.
COLORREF KeyFill(const Screen& s, HWND dialog, int id) {
  RECT box{};
  GetWindowRect(GetDlgItem(dialog, id), &box);
  return s.At(box.left + 2, box.top + 2);
}

bool HasPixel(const Screen& s, HWND dialog, int id, COLORREF colour) {
  RECT box{};
  GetWindowRect(GetDlgItem(dialog, id), &box);
  for (int y = box.top + 1; y < box.bottom - 1; ++y) {
    for (int x = box.left + 1; x < box.right - 1; ++x) {
      if (s.At(x, y) == colour) return true;
    }
  }
  return false;
}

// The shipped data set's key table, copied into the test folder's dme block.
std::vector<std::uint8_t> ShippedKeyTable() {
  std::vector<std::uint8_t> bytes = test::ReadFileBytes(std::filesystem::path(LZ_SHIPDATA_HOST_DIR) / "config.dsc");
  ConfigBlocks shipped{};
  if (FindConfigBlocks(ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}, shipped) != 1) return {};
  const std::uint32_t end = dme_block::CombinationOffset(dme_block::kMaxCombinations);
  return std::vector<std::uint8_t>(shipped.dme.data + dme_block::kKeyMasks, shipped.dme.data + end);
}

TEST_F(KeyEditorRunTest, BoundKeysAreFilled) {
  const std::vector<std::uint8_t> table = ShippedKeyTable();
  ASSERT_FALSE(table.empty());
  lz::test::InstalledFolder folder(Contents([&](ConfigBlocks& b) {
    std::copy(table.begin(), table.end(), b.dme.data + dme_block::kKeyMasks);
    AddCombination(b.dme, 0x470, kToggleIme);  // Ctrl+F1
  }));
  const std::vector<int> bound = {1053, 1120, 1135, 1122, 1129, 1046, 1047, 1048, 1049, 1050, 1051, 1052, 1060,
                                  1061, 1146, 1123, 1134, 1137, 1067, 1068, 1133, 1136, 1142, 1143, 1144, 1145};
  std::vector<int> plain_wrong, ctrl_wrong;
  bool disabled_grey = false;
  COLORREF white = 0;
  ASSERT_TRUE(RunEditor(folder, [&](HWND dialog) {
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    const COLORREF plain = GetSysColor(COLOR_MENU);
    white = plain;
    // The keys whose fill is not the expected one; the dialog may still be painting, so it is asked again
    // until all agree or the dialog has had ample time.
    const auto wrong_keys = [&](const Screen& s, const std::function<bool(int)>& is_bound) {
      std::vector<int> wrong;
      for (const KeyButton& button : KeyButtons()) {
        if (KeyFill(s, dialog, button.id) != (is_bound(button.id) ? kBoundKeyColour : plain)) {
          wrong.push_back(button.id);
        }
      }
      return wrong;
    };
    const auto default_bound = [&](int id) { return std::find(bound.begin(), bound.end(), id) != bound.end(); };
    const auto ctrl_bound = [](int id) { return id == kButtonF1; };
    Screen s;
    for (int tries = 0; tries < 50; ++tries) {
      Sleep(100);
      s = Capture();
      plain_wrong = wrong_keys(s, default_bound);
      if (plain_wrong.empty()) break;
    }
    RECT area{};
    GetWindowRect(dialog, &area);
    SaveScreenshot(s, area, "key-editor");

    Click(dialog, IDC_KEYS_CTRL);
    for (int tries = 0; tries < 50; ++tries) {
      Sleep(100);
      s = Capture();
      ctrl_wrong = wrong_keys(s, ctrl_bound);
      if (ctrl_wrong.empty()) break;
    }
    disabled_grey = HasPixel(s, dialog, kButtonLeftShift, kDisabledCaptionColour) &&
                    !HasPixel(s, dialog, kButtonLeftShift, RGB(0, 0, 0));
    SaveScreenshot(s, area, "key-editor-ctrl");
  }));
  EXPECT_EQ(white, RGB(255, 255, 255));
  EXPECT_EQ(plain_wrong, std::vector<int>{});
  EXPECT_EQ(ctrl_wrong, std::vector<int>{});
  EXPECT_TRUE(disabled_grey);
}

}  // namespace
}  // namespace lz::config
