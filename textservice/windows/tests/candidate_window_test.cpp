// The candidate window under a real window manager: an engine on a data folder made here, a skin package
// made here, the window code of the library, and real mouse input. Commands go to a recording dispatcher.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/installed_engine.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/input_editing.h"
#include "textservice/engine/query.h"
#include "textservice/engine/skin_block.h"
#include "textservice/engine/candidate_list.h"
#include "textservice/windows/candidate_window_win32.h"
#include "textservice/windows/skin_fonts_win32.h"
#include "textservice/skin/tests/png_writer.h"
#include "textservice/windows/tests/screen_capture.h"
#include "textservice/skin/tests/skin_fixture.h"
#include "textservice/windows/tests/button_skin.h"
#include "platform/zip/zip_writer.h"
#include "textservice/windows/ui_manager.h"
#include "textservice/windows/ui_state.h"

namespace lz {
namespace {

namespace cr = candidate_region;

using test::kBackgroundRgb;
using test::kDownRgb;
using test::kHighlightRgb;
using test::kPunctuationRgb;
using test::kBanRgb;
using test::kUpRgb;
constexpr std::uint32_t kBackgroundWidth = test::kButtonSkinWidth;

struct Command {
  int a, b, id;
  bool operator==(const Command&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Command& c) {
  return os << "{" << c.a << "," << c.b << "," << c.id << "}";
}
std::vector<Command> g_commands;
// Page turns change the page as the key handling would, so the window lays out the new page.
int RecordCommand(EngineInstance* e, int a, int b, int id) {
  g_commands.push_back({a, b, id});
  if (id == ui_command::kNextPage) BuildNextPage(e);
  if (id == ui_command::kPreviousPage) BuildPreviousPage(e);
  if (id == ui_command::kNextPage || id == ui_command::kPreviousPage) UpdateCandidateWindow(e, false);
  return 1;
}

int CreateUi(EngineInstance* e) { return CreateUiState(e, {}); }
void DestroyUi(EngineInstance* e) { DestroyUiState(e); }

void Pump(DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  do {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(5);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

struct Settings {
  std::uint32_t skin_flags = skin_block::kShowNumbers | skin_block::kShowButtons | skin_block::kHorizontal;
  std::uint32_t ime_flags = ime_block::kSchemeMain;
  std::uint32_t behaviour = 0;
  std::u16string block_font;  // with bit 0x4000: the block's font face
};

class CandidateWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterSkinClasses(GetModuleHandleW(nullptr)); }
  static void TearDownTestSuite() { UnregisterSkinClasses(GetModuleHandleW(nullptr)); }

  void Start(const Settings& s = {}) {
    test::DataFolderContents contents;
    const std::uint32_t system = code_table::kClassSystem << code_table::kClassShift;
    for (const char* word : {"\xe4\xb8\x80", "\xe4\xba\x8c", "\xe4\xb8\x89", "\xe5\x9b\x9b", "\xe4\xba\x94",
                             "\xe5\x85\xad", "\xe4\xb8\x83"})
      contents.main.push_back({"a", word, system});
    contents.edit_blocks = [s](ConfigBlocks& b) {
      b.ime.WriteU32(ime_block::kImeFlags, s.ime_flags);
      b.ime.WriteU32(ime_block::kCandidateOptions, 5u << ime_block::kPageSizeShift);
      b.ime.WriteU32(ime_block::kBehaviourFlags, s.behaviour);
      b.skin.WriteU32(skin_block::kFlags, s.skin_flags | (s.block_font.empty() ? 0 : skin_block::kOwnFonts));
      WriteFieldText(b.skin, skin_block::kSkinName, skin_block::kSkinNameUnits, u"t.col");
      for (std::uint32_t group : {skin_block::kCodeFont, skin_block::kCandidateFont}) {
        WriteFieldText(b.skin, group + skin_block::kFontName, skin_block::kFontNameUnits, s.block_font);
        b.skin.WriteU32(group + skin_block::kFontSize, static_cast<std::uint32_t>(-20));
        b.skin.WriteU32(group + skin_block::kFontWeight, 700);
      }
    };
    folder_ = std::make_unique<test::InstalledFolder>(contents);
    const auto skins = folder_->path() / "program" / "rezuvorir";
    std::filesystem::create_directories(skins);
    test::WriteFileBytes(skins / "t.col", test::ButtonSkin("t"));
    test::WriteFileBytes(skins / "u.col", test::ButtonSkin("u", kBackgroundWidth + 100));
    setup_ = folder_->Setup();
    setup_.create_ui = CreateUi;
    setup_.destroy_ui = DestroyUi;
    e_ = CreateEngineInstance(setup_);
    ASSERT_NE(e_, nullptr);
    g_commands.clear();
    SetUiCommandDispatcher(RecordCommand);

    host_ = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 600, 400, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(host_, nullptr);
    SetForegroundWindow(host_);
    SetFocus(host_);
    Pump(50);
  }

  void TearDown() override {
    if (e_) {
      DestroyCandidateWindow(e_);
      DestroyEngineInstance(e_, setup_);
    }
    if (host_) DestroyWindow(host_);
    SetUiCommandDispatcher(nullptr);
    Pump(20);
  }

  void Type(const char* keys) {
    for (const char* k = keys; *k; ++k) {
      AppendInputKey(e_, static_cast<char16_t>(*k));
      QueryCandidates(e_);
    }
    BuildCompositionString(e_);
  }

  HWND ShowAt(int x, int y, int height = 18) {
    MoveCandidateWindow(e_, RECT{x, y, x + 1, y + height});
    Pump(50);
    return Window();
  }

  HWND Window() const { return static_cast<HWND>(e_->ui->candidate.window); }
  const SkinHitRegion& Region(int index) const {
    return e_->ui->candidate.layout.regions[static_cast<std::size_t>(index)];
  }
  RECT WindowRect() const {
    RECT r{};
    GetWindowRect(Window(), &r);
    return r;
  }
  // The screen point at the middle of a region.
  POINT Centre(int index) const {
    const SkinHitRegion& r = Region(index);
    const RECT w = WindowRect();
    return {w.left + r.x + r.width / 2, w.top + r.y + r.height / 2};
  }
  POINT SlotCentre(int slot) const {
    const SlotRect box = CandidateSlotRect(e_->ui->candidate.layout, slot);
    const RECT w = WindowRect();
    return {w.left + (box.left + box.right) / 2, w.top + (box.top + box.bottom) / 2};
  }

  // Real pointer input; the first move over the disabled window only captures the mouse. Wine ends a
  // mouse-leave tracking at the hover time after it began (and the window lets the mouse go then), so
  // every gesture first waits out the tracking of the one before and then stays well inside the time.
  void MoveTo(POINT p) {
    for (int round = 0; round < 2; ++round) {
      Pump(900);
      SetCursorPos(p.x, p.y);
      Pump(60);
      SetCursorPos(p.x + 1, p.y);
      Pump(60);
    }
  }
  void Button(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
    Pump(80);
  }
  void Click(POINT p) {
    MoveTo(p);
    Button(MOUSEEVENTF_LEFTDOWN);
    Button(MOUSEEVENTF_LEFTUP);
  }

  std::unique_ptr<test::InstalledFolder> folder_;
  EngineSetup setup_;
  EngineInstance* e_ = nullptr;
  HWND host_ = nullptr;
};

using test::Capture;
using test::SaveScreenshot;
using test::Screen;

// Text is smoothed against the background: a pixel of the word colour (0x00C000) is one whose green is
// strong and whose red and blue stay near 0.
bool WordColoured(std::uint32_t rgb) {
  return ((rgb >> 8) & 0xFF) >= 0x90 && (rgb >> 16) < 0x30 && (rgb & 0xFF) < 0x30;
}

int CountWordPixels(const Screen& s, RECT r) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) n += WordColoured(s.At(x, y));
  }
  return n;
}

TEST_F(CandidateWindow, APageOfFiveShowsAtTheCaretAndKeepsTheHostFocused) {
  Start();
  Type("a");
  ASSERT_EQ(e_->page_item_count, 5);
  HWND window = ShowAt(100, 100);
  ASSERT_NE(window, nullptr);
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  EXPECT_STREQ(name, L"MVLZSKIN_CAND");
  const LONG_PTR ex = GetWindowLongPtrW(window, GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_LAYERED);
  EXPECT_TRUE(ex & WS_EX_TOPMOST);
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_DISABLED);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(GetFocus(), host_);
  RECT r = WindowRect();
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 100 + 18 + 2);
  EXPECT_EQ(r.right - r.left, e_->ui->candidate.layout.width);

  const int width = r.right - r.left, height = r.bottom - r.top;
  struct Case {
    const char* name;
    int x, y;
    int left, top;
  };
  const Case cases[] = {
      {"near the bottom: above the caret", 300, 1024 - 30, 300, 1024 - 30 - height},
      {"near the right: flush with the edge", 1270, 200, 1280 - width, 220},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ShowAt(c.x, c.y);
    r = WindowRect();
    EXPECT_EQ(r.left, c.left);
    EXPECT_EQ(r.top, c.top);
  }
}

TEST_F(CandidateWindow, TheScreenShowsTheWordsTheHighlightAndTheButtons) {
  Start();
  Type("a");
  ShowAt(200, 200);
  Pump(200);
  const Screen screen = Capture();
  const RECT w = WindowRect();
  SaveScreenshot(screen, w, "candidate-window");
  std::vector<RECT> words;
  for (int k = 0; k < kCandidateSlots; ++k) {
    const SkinHitRegion& word = Region(cr::kFirstWord + k);
    if (!word.Shown()) continue;
    words.push_back({w.left + word.x, w.top + word.y, w.left + word.x + word.width, w.top + word.y + word.height});
    EXPECT_GT(CountWordPixels(screen, words.back()), 0) << "slot " << k;
  }
  EXPECT_EQ(words.size(), 5u);
  int outside = CountWordPixels(screen, w);
  for (const RECT& r : words) outside -= CountWordPixels(screen, r);
  EXPECT_EQ(outside, 0) << "word colour outside the shown words";

  const SlotRect box = CandidateSlotRect(e_->ui->candidate.layout, 0);
  EXPECT_EQ(screen.At(w.left + box.left + 1, w.top + box.top + 1), kHighlightRgb);
  EXPECT_EQ(screen.At(w.left + box.right - 2, w.top + box.bottom - 2), kHighlightRgb);
  const SlotRect second = CandidateSlotRect(e_->ui->candidate.layout, 1);
  EXPECT_EQ(screen.At(w.left + second.left + 1, w.top + second.top + 1), kBackgroundRgb);

  const std::pair<int, std::uint32_t> buttons[] = {
      {cr::kPreviousPage, kUpRgb}, {cr::kNextPage, kDownRgb}, {cr::kWidth, kBanRgb}, {cr::kPunctuation, kPunctuationRgb}};
  for (const auto& [index, rgb] : buttons) {
    ASSERT_TRUE(Region(index).Shown()) << index;
    const POINT c = Centre(index);
    EXPECT_EQ(screen.At(c.x, c.y), rgb) << index;
  }

  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(Window(), region), ERROR);
  EXPECT_FALSE(PtInRegion(region, 0, 0));
  EXPECT_FALSE(PtInRegion(region, w.right - w.left - 1, w.bottom - w.top - 1));
  EXPECT_TRUE(PtInRegion(region, 4, 0));
  EXPECT_TRUE(PtInRegion(region, 10, 10));
  DeleteObject(region);
}

TEST_F(CandidateWindow, ClicksSendCommands) {
  Start();
  Type("a");
  ShowAt(200, 200);
  Click(SlotCentre(2));
  EXPECT_EQ(g_commands, (std::vector<Command>{{3, 0, ui_command::kSelectCandidate}}));
  g_commands.clear();
  Click(Centre(cr::kPreviousPage));
  EXPECT_TRUE(g_commands.empty()) << "no previous page on the first page";
  Click(Centre(cr::kWidth));
  Click(Centre(cr::kPunctuation));
  EXPECT_EQ(g_commands, (std::vector<Command>{{0, 0, ui_command::kFullWidthOn}, {0, 0, ui_command::kEnglishPunctuation}}));
  g_commands.clear();
  e_->mode |= mode::kFullWidth | mode::kEnglishPunctuation;
  UpdateCandidateWindow(e_, false);
  Click(Centre(cr::kWidth));
  Click(Centre(cr::kPunctuation));
  EXPECT_EQ(g_commands,
            (std::vector<Command>{{0, 0, ui_command::kFullWidthOff}, {0, 0, ui_command::kChinesePunctuation}}));
  g_commands.clear();
  const POINT next = Centre(cr::kNextPage);
  Click(next);
  ASSERT_EQ(g_commands, (std::vector<Command>{{0, 0, ui_command::kNextPage}}));
  // The pointer stays on the button, wherever the new page put it.
  POINT cursor{};
  GetCursorPos(&cursor);
  const SkinHitRegion& button = Region(cr::kNextPage);
  const RECT w = WindowRect();
  EXPECT_GE(cursor.x, w.left + button.x);
  EXPECT_LT(cursor.x, w.left + button.x + button.width);
  EXPECT_EQ(e_->paging.first, 5);
  g_commands.clear();
  Click(Centre(cr::kPreviousPage));
  EXPECT_EQ(g_commands, (std::vector<Command>{{0, 0, ui_command::kPreviousPage}}));
}

TEST_F(CandidateWindow, AClickSelectsTheSlotsCandidateWhenTheFirstIsEmbedded) {
  Settings s;
  s.ime_flags |= ime_block::kInlineFirstCandidate;
  s.behaviour = ime_block::kHideInlineFirst;
  Start(s);
  Type("a");
  ShowAt(200, 200);
  ASSERT_FALSE(Region(cr::kFirstWord + 4).Shown());
  Click(SlotCentre(0));
  EXPECT_EQ(g_commands, (std::vector<Command>{{2, 0, ui_command::kSelectCandidate}}));
}

TEST_F(CandidateWindow, PressMoveAndReleaseDragsTheWindow) {
  Start();
  Type("a");
  ShowAt(200, 200);
  const RECT before = WindowRect();
  POINT p = SlotCentre(1);
  MoveTo(p);
  EXPECT_EQ(Region(cr::kFirstWord + 1).state, region_state::kHot) << "a move makes the slot hot";
  p.x += 1;
  Button(MOUSEEVENTF_LEFTDOWN);
  for (int step = 1; step <= 4; ++step) {
    SetCursorPos(p.x + 10 * step, p.y + 5 * step);
    Pump(40);
  }
  Button(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(g_commands.empty()) << "a drag selects nothing";
  const RECT after = WindowRect();
  EXPECT_EQ(after.left - before.left, 40);
  EXPECT_EQ(after.top - before.top, 20);
  EXPECT_EQ(static_cast<std::int32_t>(BlockU32(e_->blocks.skin, skin_block::kCandidateWindowX)), after.left);
  EXPECT_EQ(static_cast<std::int32_t>(BlockU32(e_->blocks.skin, skin_block::kCandidateWindowY)), after.top);

  // Past the screen's right edge the window stops flush with it.
  p = SlotCentre(1);
  MoveTo(p);
  p.x += 1;
  Button(MOUSEEVENTF_LEFTDOWN);
  for (int x = p.x; x < 1279; x += 150) {
    SetCursorPos(std::min(x + 150, 1279), p.y);
    Pump(40);
  }
  Button(MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(WindowRect().right, 1280);
}

TEST_F(CandidateWindow, ASkinChangeReloadsAndResizes) {
  Start();
  Type("a");
  ShowAt(200, 200);
  const int width = WindowRect().right - WindowRect().left;
  e_->blocks.skin.WriteU32(skin_block::kStatusWindowX, 10);
  EXPECT_EQ(ReloadSkinIfChanged(e_), 0);
  WriteFieldText(e_->blocks.skin, skin_block::kSkinName, skin_block::kSkinNameUnits, u"u.col");
  EXPECT_EQ(ReloadSkinIfChanged(e_), 1);
  Pump(50);
  EXPECT_EQ(static_cast<std::int32_t>(BlockU32(e_->blocks.skin, skin_block::kStatusWindowX)), -1);
  EXPECT_EQ(static_cast<std::int32_t>(BlockU32(e_->blocks.skin, skin_block::kStatusWindowY)), -1);
  EXPECT_EQ(WindowRect().right - WindowRect().left, std::max<int>(width, kBackgroundWidth + 100));
}

LOGFONTW FontOf(void* font) {
  LOGFONTW f{};
  GetObjectW(static_cast<HFONT>(font), sizeof f, &f);
  return f;
}

TEST_F(CandidateWindow, FontsFromTheBlockOrTheSkin) {
  struct Case {
    const char* name;
    Settings settings;
    const wchar_t* face;
    int height;
    int escapement;
  };
  Settings block;
  block.block_font = u"DejaVu Sans";
  Settings rotated = block;
  rotated.skin_flags = skin_block::kVerticalFromLeft;
  const Case cases[] = {
      {"the skin's fonts", Settings{}, L"WenQuanYi Micro Hei", -16, 0},
      {"the block's fonts", block, L"DejaVu Sans", -20, 0},
      {"a rotated font without an @ face", rotated, L"DejaVu Sans", -20, 2700},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Start(c.settings);
    Type("a");
    ShowAt(200, 200);
    const LOGFONTW f = FontOf(e_->ui->candidate_font);
    EXPECT_STREQ(f.lfFaceName, c.face);
    EXPECT_EQ(f.lfHeight, c.height);
    EXPECT_EQ(f.lfEscapement, c.escapement);
    TearDown();
    e_ = nullptr;
    host_ = nullptr;
  }
}

std::vector<DWORD> g_events;
void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND, LONG, LONG, DWORD, DWORD) { g_events.push_back(event); }

TEST_F(CandidateWindow, ImmersiveWindowsRaiseAccessibilityEventsFromWindows8On) {
  struct Case {
    std::uint32_t major, minor;
    std::vector<DWORD> events;
  };
  const Case cases[] = {{10, 0, {0x8027, 0x8029, 0x8028}}, {6, 1, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.major);
    Start();
    e_->immersive = 1;
    e_->os_version = os::OsVersion{c.major, c.minor, 0, 2};
    HWINEVENTHOOK hook = SetWinEventHook(0x8027, 0x8029, nullptr, OnEvent, GetCurrentProcessId(), 0,
                                         WINEVENT_OUTOFCONTEXT);
    g_events.clear();
    Type("a");
    ShowAt(200, 200);
    HideCandidateWindow(e_);
    Pump(100);
    UnhookWinEvent(hook);
    EXPECT_EQ(g_events, c.events);
    TearDown();
    e_ = nullptr;
    host_ = nullptr;
  }
}

TEST(SkinClasses, RegistrationStopsAtTheFirstNameTaken) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  UnregisterSkinClasses(module);
  WNDCLASSEXW taken{};
  taken.cbSize = sizeof taken;
  taken.lpfnWndProc = DefWindowProcW;
  taken.hInstance = module;
  taken.lpszClassName = L"MVLZSKIN_SKBD";
  ASSERT_TRUE(RegisterClassExW(&taken));
  EXPECT_EQ(RegisterSkinClasses(module), 0);
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  EXPECT_TRUE(GetClassInfoExW(module, L"MVLZSKIN_CAND", &info));
  EXPECT_TRUE(GetClassInfoExW(module, L"MVLZSKIN_STATUS", &info));
  EXPECT_FALSE(GetClassInfoExW(module, L"MVLZSKIN_TIPS", &info));
  EXPECT_FALSE(GetClassInfoExW(module, L"MVLZSKIN_DICT", &info));
  UnregisterSkinClasses(module);
  EXPECT_EQ(RegisterSkinClasses(module), 1);
  EXPECT_TRUE(GetClassInfoExW(module, L"MVLZSKIN_DICT", &info));
  EXPECT_EQ(info.cbWndExtra, 12);
  EXPECT_EQ(info.style, static_cast<UINT>(CS_IME | CS_VREDRAW | CS_HREDRAW));
}

}  // namespace
}  // namespace lz
