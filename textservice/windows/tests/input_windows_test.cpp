// The status bar, its menus and the tips, end to end: the built library activated on our TSF host with
// the built-in skin, its windows found by class and driven with the messages a user's mouse sends.
#include <windows.h>
#include <windowsx.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/code_table_builder.h"
#include "tests/support/import_patch.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tsf_host.h"
#include "tests/support/typing_fixture.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/skin_block.h"
#include "textservice/windows/candidate_layout.h"
#include "textservice/windows/soft_keyboard.h"
#include "textservice/skin/tests/skin_fixture.h"
#include "textservice/windows/status_layout.h"
#include "textservice/tsf/tests/quenlith_library.h"
#include "textservice/windows/tests/screen_capture.h"
#include "textservice/windows/ui_state.h"

namespace lz::test {
namespace {

constexpr TfClientId kClient = 9;
constexpr wchar_t kStatusClass[] = L"MVLZSKIN_STATUS";
constexpr wchar_t kTipsClass[] = L"MVLZSKIN_TIPS";
constexpr wchar_t kSoftKeyboardClass[] = L"MVLZSKIN_SKBD";
constexpr UINT kHideStatus = WM_USER + 101;

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// The built library, active on a host.
struct ActiveService {
  InstalledProduct product;
  QuenlithLibrary library;
  HostThreadManager host;
  ITfTextInputProcessorEx* service = nullptr;
  HRESULT activated = E_FAIL;

  explicit ActiveService(DataFolderContents contents = TypingFolder(), DWORD flags = 0) : product(std::move(contents)) {
    Activate(flags);
  }
  // On a copy of a finished data folder (the shipped data set).
  explicit ActiveService(const std::filesystem::path& folder) : product(folder) { Activate(0); }
  void Activate(DWORD flags) {
    service = library.NewService();
    if (service) activated = service->ActivateEx(&host, kClient, flags);
    host.TakeKeyboardFocus();
  }
  ~ActiveService() {
    if (service) {
      if (SUCCEEDED(activated)) service->Deactivate();
      host.TerminateAllCompositions();
      service->Release();
    }
  }
  void Deactivate() {
    service->Deactivate();
    activated = E_FAIL;
  }
};

HWND StatusWindow() { return FindWindowW(kStatusClass, nullptr); }

EngineInstance* EngineOf(HWND window) {
  return reinterpret_cast<EngineInstance*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LONG64 ShowingValue(const EngineInstance* e) {
  return *reinterpret_cast<const volatile LONG64*>(e->blocks.ime.data + ime_block::kShowingStatusWindow);
}

void SetShowingValue(EngineInstance* e, LONG64 value) {
  *reinterpret_cast<volatile LONG64*>(e->blocks.ime.data + ime_block::kShowingStatusWindow) = value;
}

LPARAM ClientLparam(POINT p) { return MAKELPARAM(p.x, p.y); }

POINT RegionCentre(const EngineInstance* e, int region) {
  const SkinHitRegion& r = e->ui->status.regions[static_cast<std::size_t>(region)];
  return POINT{r.x + r.width / 2, r.y + r.height / 2};
}

void ClickRegion(HWND window, int region) {
  const POINT p = RegionCentre(EngineOf(window), region);
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, ClientLparam(p));
  SendMessageW(window, WM_LBUTTONUP, 0, ClientLparam(p));
  PumpMessages();
}

// ---- the window itself ----

TEST(StatusWindow, IsALayeredTopmostToolWindowNeverInFrontSizedToTheBar) {
  ActiveService active;
  ASSERT_EQ(active.activated, S_OK);
  HWND window = StatusWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindowVisible(window));
  const LONG_PTR ex_style = GetWindowLongPtrW(window, GWL_EXSTYLE);
  EXPECT_TRUE(ex_style & WS_EX_LAYERED);
  EXPECT_TRUE(ex_style & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(ex_style & WS_EX_TOPMOST);
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_DISABLED);
  EXPECT_NE(GetForegroundWindow(), window);
  const EngineInstance* e = EngineOf(window);
  ASSERT_NE(e, nullptr);
  ASSERT_NE(e->ui, nullptr);
  const SkinImage* bar = e->ui->skin.images[kBarImage];
  ASSERT_NE(bar, nullptr);
  RECT rect{};
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.right - rect.left, bar->width);
  EXPECT_EQ(rect.bottom - rect.top, bar->height);
  // The bar is the one showing, for every process that looks.
  EXPECT_EQ(ShowingValue(e), static_cast<LONG64>(HandleToLong(window)));
}

TEST(StatusWindow, ClicksSwitchTheModesAndTheConversionCompartment) {
  ActiveService active;
  ASSERT_EQ(active.activated, S_OK);
  HWND window = StatusWindow();
  ASSERT_NE(window, nullptr);
  EngineInstance* e = EngineOf(window);
  HostCompartment& conversion = active.host.compartments().Get(tsf::kGuidCompartmentKeyboardInputModeConversion);
  struct Case {
    const char* name;
    int region;
    std::uint32_t mode_bit;
    DWORD conversion_bit;
    bool conversion_set_with_mode;
  };
  const Case cases[] = {
      {"width", status_region::kWidth, mode::kFullWidth, tsf::TF_CONVERSIONMODE_FULLSHAPE, true},
      {"punctuation", status_region::kPunctuation, mode::kEnglishPunctuation, tsf::TF_CONVERSIONMODE_SYMBOL, false},
      {"Chinese/English", status_region::kMode, mode::kEnglish, tsf::TF_CONVERSIONMODE_NOCONVERSION, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool before = e->mode & c.mode_bit;
    ClickRegion(window, c.region);
    EXPECT_NE((e->mode & c.mode_bit) != 0, before);
    const bool conversion_bit = (conversion.value() & c.conversion_bit) != 0;
    EXPECT_EQ(conversion_bit, ((e->mode & c.mode_bit) != 0) == c.conversion_set_with_mode);
    ClickRegion(window, c.region);
    EXPECT_EQ((e->mode & c.mode_bit) != 0, before);
  }
}

// A skin whose bar places the simplified/traditional button, installed before the service starts.
void InstallScriptSkin(const std::filesystem::path& install_folder) {
  std::vector<ZipMember> members = SkinMembers("Script");
  for (ZipMember& member : members) {
    if (member.name != "skin.ini") continue;
    std::string ini = SkinIniText("Script");
    const std::string section = "[-状态栏窗口-]\r\n";
    ini.insert(ini.find(section) + section.size(), "简繁切换按钮位置=4,2\r\n");
    member.data = Bytes(ini);
  }
  members.push_back({"jian.png", SolidPng(10, 8, 0x10, 0x80, 0x10, 0xFF)});
  members.push_back({"fan.png", SolidPng(10, 8, 0x80, 0x10, 0x10, 0xFF)});
  const std::filesystem::path path = install_folder / "rezuvorir" / "script.col";
  std::filesystem::create_directories(path.parent_path());
  const std::vector<std::uint8_t> bytes = MakeZip(members);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST(StatusWindow, TheScriptButtonTogglesTraditionalOutputWithATraditionalTable) {
  DataFolderContents contents = TypingFolder();
  contents.traditional = std::vector<TableRecord>{{"a", "\xE5\x9C\x8B", 0}};  // 國
  InstalledProduct product(std::move(contents));
  InstallScriptSkin(product.data().parent_path() / "program");
  QuenlithLibrary library;
  HostThreadManager host;
  ITfTextInputProcessorEx* service = library.NewService();
  ASSERT_NE(service, nullptr);
  ASSERT_EQ(service->ActivateEx(&host, kClient, 0), S_OK);
  HWND window = StatusWindow();
  ASSERT_NE(window, nullptr);
  EngineInstance* e = EngineOf(window);
  ASSERT_TRUE(e->ui->status.regions[status_region::kScript].Shown());
  const std::uint32_t before = BlockU32(e->blocks.ime, ime_block::kImeFlags) & ime_block::kTraditionalOutput;
  ClickRegion(window, status_region::kScript);
  EXPECT_NE(BlockU32(e->blocks.ime, ime_block::kImeFlags) & ime_block::kTraditionalOutput, before);
  // The button shows the other image now.
  const int shown = StatusRegionImageSlot(status_region::kScript, StatusModes{e->mode, BlockU32(e->blocks.ime, ime_block::kImeFlags), false, true, false});
  EXPECT_EQ(e->ui->status.regions[status_region::kScript].images[0], e->ui->skin.images[shown]);
  service->Deactivate();
  service->Release();
}

TEST(StatusWindow, ADragStoresTheClampedPosition) {
  ActiveService active;
  ASSERT_EQ(active.activated, S_OK);
  HWND window = StatusWindow();
  ASSERT_NE(window, nullptr);
  EngineInstance* e = EngineOf(window);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT before{};
  GetWindowRect(window, &before);
  const int width = before.right - before.left;
  const int height = before.bottom - before.top;
  // Pressed on the background, one pixel in from the top-left corner.
  const POINT grip{1, 1};
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, ClientLparam(grip));
  struct Case {
    POINT cursor;
    POINT expected;
  };
  const Case cases[] = {
      {{work.left + 101, work.top + 51}, {work.left + 100, work.top + 50}},
      {{work.left - 300, work.top - 300}, {work.left, work.top}},
      {{work.right + 300, work.bottom + 300}, {work.right - width, work.bottom - height}},
  };
  for (const Case& c : cases) {
    SetCursorPos(c.cursor.x, c.cursor.y);
    SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, ClientLparam(POINT{5, 5}));
    RECT at{};
    GetWindowRect(window, &at);
    EXPECT_EQ(at.left, c.expected.x);
    EXPECT_EQ(at.top, c.expected.y);
    EXPECT_EQ(static_cast<std::int32_t>(BlockU32(e->blocks.skin, skin_block::kStatusWindowX)), c.expected.x);
    EXPECT_EQ(static_cast<std::int32_t>(BlockU32(e->blocks.skin, skin_block::kStatusWindowY)), c.expected.y);
  }
  SendMessageW(window, WM_LBUTTONUP, 0, ClientLparam(POINT{5, 5}));
}

// Records the hide message a status bar of another process would get.
std::atomic<int> g_hide_messages{0};
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kHideStatus) ++g_hide_messages;
  return DefWindowProcW(window, message, wparam, lparam);
}

TEST(StatusWindow, AStaleHandleOfAnotherClassReceivesNothing) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = CountingProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"LzNotAStatusBar";
  RegisterClassW(&window_class);
  HWND stranger = CreateWindowExW(WS_EX_TOOLWINDOW, L"LzNotAStatusBar", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(stranger, nullptr);
  {
    ActiveService active;
    ASSERT_EQ(active.activated, S_OK);
    HWND window = StatusWindow();
    ASSERT_NE(window, nullptr);
    EngineInstance* e = EngineOf(window);
    g_hide_messages = 0;
    SetShowingValue(e, static_cast<LONG64>(HandleToLong(stranger)));
    ClickRegion(window, status_region::kWidth);  // refreshes, so shows the bar again
    PumpMessages();
    EXPECT_EQ(g_hide_messages.load(), 0);
    EXPECT_EQ(ShowingValue(e), static_cast<LONG64>(HandleToLong(window)));
  }
  DestroyWindow(stranger);
}

TEST(StatusWindow, DestroyingTheBarClearsTheShowingValueOnlyWhileItHoldsIt) {
  for (bool another_took_over : {false, true}) {
    SCOPED_TRACE(another_took_over);
    ActiveService active;
    ASSERT_EQ(active.activated, S_OK);
    HWND window = StatusWindow();
    ASSERT_NE(window, nullptr);
    EngineInstance* e = EngineOf(window);
    constexpr LONG64 kOther = 0x1234;
    if (another_took_over) SetShowingValue(e, kOther);
    DestroyWindow(window);
    EXPECT_EQ(ShowingValue(e), another_took_over ? kOther : 0);
    SetShowingValue(e, 0);
  }
}

TEST(StatusWindow, AfterDeactivateNoWindowOfTheseClassesRemains) {
  ActiveService active;
  ASSERT_EQ(active.activated, S_OK);
  ASSERT_NE(StatusWindow(), nullptr);
  BOOL eaten = FALSE;
  ASSERT_TRUE(active.host.PressPreservedKey(VK_SPACE, TF_MOD_SHIFT, &eaten));
  ASSERT_NE(FindWindowW(kTipsClass, nullptr), nullptr);
  active.Deactivate();
  for (const wchar_t* name : {kStatusClass, kTipsClass, kSoftKeyboardClass}) {
    EXPECT_EQ(FindWindowW(name, nullptr), nullptr) << static_cast<const void*>(name);
  }
}

// ---- tips ----

TEST(Tips, ShiftSpaceShowsTheWidthAndTheSixthTickClosesIt) {
  ActiveService active;
  ASSERT_EQ(active.activated, S_OK);
  BOOL eaten = FALSE;
  ASSERT_TRUE(active.host.PressPreservedKey(VK_SPACE, TF_MOD_SHIFT, &eaten));
  HWND tip = FindWindowW(kTipsClass, nullptr);
  ASSERT_NE(tip, nullptr);
  EXPECT_TRUE(IsWindowVisible(tip));
  const EngineInstance* e = EngineOf(tip);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(std::u16string(e->ui->tip.text), u"全");
  // The caret of the host lies at its window's origin: the tip goes 10 right and 32 below, inside the
  // work area.
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT at{};
  GetWindowRect(tip, &at);
  EXPECT_GE(at.left, 0);
  EXPECT_LE(at.left, work.right - 74);
  EXPECT_LE(at.top, work.bottom - 32 + 1);
  for (int tick = 1; tick <= 5; ++tick) {
    SendMessageW(tip, WM_TIMER, 1, 0);
    EXPECT_TRUE(IsWindow(tip)) << tick;
  }
  SendMessageW(tip, WM_TIMER, 1, 0);
  EXPECT_FALSE(IsWindow(tip));
}

// ---- menus ----

std::wstring ItemText(HMENU menu, int position) {
  wchar_t text[128] = {};
  GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
  return text;
}

bool IsSeparator(HMENU menu, int position) {
  return GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION) & MF_SEPARATOR;
}

// The Down presses that reach an item: the first press lands on the first item, separators are skipped.
int PressesTo(HMENU menu, int position) {
  int presses = 0;
  for (int i = 0; i <= position; ++i) {
    if (!IsSeparator(menu, i)) ++presses;
  }
  return presses;
}

int PositionOf(HMENU menu, const std::wstring& text) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    if (ItemText(menu, i) == text) return i;
  }
  return -1;
}

// Waits on its own thread for the next popup menu and chooses an item by its texts: a path of popups,
// then the item, as a user's keys do (Down to it, Right into a submenu, Enter). Records whether it found
// everything.
class MenuChooser {
 public:
  explicit MenuChooser(std::vector<std::wstring> path) : path_(std::move(path)), thread_([this] { Run(); }) {}
  ~MenuChooser() {
    if (thread_.joinable()) thread_.join();
  }
  bool Done() {
    if (thread_.joinable()) thread_.join();
    return found_;
  }
  // Whether the chosen item carried a check mark.
  bool ChosenWasChecked() {
    if (thread_.joinable()) thread_.join();
    return checked_;
  }

 private:
  void Post(HWND menu_window, WPARAM vk) {
    PostMessageW(menu_window, WM_KEYDOWN, vk, 0);
    Sleep(50);
  }
  void Run() {
    HWND window = nullptr;
    for (int i = 0; i < 200 && !window; ++i) {
      HWND candidate = FindWindowW(L"#32768", nullptr);
      if (candidate && IsWindowVisible(candidate)) window = candidate;
      else Sleep(25);
    }
    if (!window) return;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
    for (std::size_t level = 0; level < path_.size() && menu; ++level) {
      const int position = PositionOf(menu, path_[level]);
      if (position < 0) {
        Post(window, VK_ESCAPE);
        Post(window, VK_ESCAPE);
        return;
      }
      // In a submenu the first item is selected already.
      const int presses = PressesTo(menu, position) - (level == 0 ? 0 : 1);
      for (int k = 0; k < presses; ++k) Post(window, VK_DOWN);
      if (level + 1 < path_.size()) {
        Post(window, VK_RIGHT);
        menu = GetSubMenu(menu, position);
      } else {
        found_ = true;
        checked_ = (GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION) & MF_CHECKED) != 0;
        Post(window, VK_RETURN);
      }
    }
  }
  std::vector<std::wstring> path_;
  bool found_ = false;
  bool checked_ = false;
  std::thread thread_;
};

void RightClickRegion(HWND window, int region) {
  const POINT p = RegionCentre(EngineOf(window), region);
  SendMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, ClientLparam(p));
  SendMessageW(window, WM_RBUTTONUP, 0, ClientLparam(p));
  PumpMessages();
}

TEST(Menus, FullWidthFromTheMainMenuSetsFullWidth) {
  ActiveService active;
  ASSERT_EQ(active.activated, S_OK);
  HWND window = StatusWindow();
  ASSERT_NE(window, nullptr);
  EngineInstance* e = EngineOf(window);
  ASSERT_FALSE(e->mode & mode::kFullWidth);
  MenuChooser chooser({L"上屏选项(&O)", L"全角"});
  RightClickRegion(window, status_region::kMode);
  ASSERT_TRUE(chooser.Done());
  EXPECT_TRUE(e->mode & mode::kFullWidth);
}

// ---- the on-screen keyboard ----

struct SentKey {
  BYTE vk;
  DWORD flags;
  bool operator==(const SentKey&) const = default;
};
std::vector<SentKey> g_sent;
void WINAPI RecordKey(BYTE vk, BYTE, DWORD flags, ULONG_PTR) { g_sent.push_back(SentKey{vk, flags}); }

HWND SoftKeyboard() { return FindWindowW(kSoftKeyboardClass, nullptr); }

LPARAM KeyCentre(int key) {
  const SoftKeyRect r = SoftKeyboardKeyRect(key);
  return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void ClickKey(HWND keyboard, int down_key, int up_key) {
  SendMessageW(keyboard, WM_LBUTTONDOWN, MK_LBUTTON, KeyCentre(down_key));
  SendMessageW(keyboard, WM_LBUTTONUP, 0, KeyCentre(up_key));
}

constexpr int kKeyA = 29;

// The service with the Greek layout on, keys it types recorded instead of typed.
struct GreekKeyboard : ActiveService {
  HWND keyboard = nullptr;
  EngineInstance* e = nullptr;
  GreekKeyboard() {
    g_sent.clear();
    PatchImport(library.module(), "user32.dll", "keybd_event", reinterpret_cast<void*>(&RecordKey));
    HWND status = StatusWindow();
    if (!status) return;
    e = EngineOf(status);
    MenuChooser chooser({L"&2   希腊字母"});
    RightClickRegion(status, status_region::kSoftKeyboard);
    if (!chooser.Done()) return;
    keyboard = SoftKeyboard();
  }
};

TEST(SoftKeyboard, TheGreekEntryShowsTheKeyboardWithLayoutTwo) {
  GreekKeyboard k;
  ASSERT_NE(k.keyboard, nullptr);
  EXPECT_TRUE(IsWindowVisible(k.keyboard));
  EXPECT_TRUE(k.e->mode & mode::kSoftKeyboard);
  EXPECT_EQ(k.e->ui->soft_keyboard.layout, 2);
  RECT at{};
  GetWindowRect(k.keyboard, &at);
  EXPECT_EQ(at.right - at.left, kSoftKeyboardWidth);
  EXPECT_EQ(at.bottom - at.top, kSoftKeyboardHeight);
}

TEST(SoftKeyboard, ClickingAGivesTheHostTheLayoutsCharacter) {
  GreekKeyboard k;
  ASSERT_NE(k.keyboard, nullptr);
  ClickKey(k.keyboard, kKeyA, kKeyA);
  const std::vector<SentKey> expected = {{'A', 0}, {'A', KEYEVENTF_KEYUP}};
  ASSERT_EQ(g_sent, expected);
  for (const SentKey& key : g_sent) {
    const UINT message = (key.flags & KEYEVENTF_KEYUP) ? WM_KEYUP : WM_KEYDOWN;
    LPARAM lparam = 1 | static_cast<LPARAM>(MapVirtualKeyW(key.vk, MAPVK_VK_TO_VSC) << 16);
    if (message == WM_KEYUP) lparam |= static_cast<LPARAM>(0xC0000000u);
    k.host.DeliverKey(message, key.vk, lparam);
  }
  const char16_t greek = SoftKeyboardCharacter(*SoftKeyboardLayout(2), kKeyA, false);
  ASSERT_NE(greek, 0);
  EXPECT_EQ(k.host.text(), std::u16string(1, greek));
}

TEST(SoftKeyboard, TheShiftLatchWrapsTheKeyAndStays) {
  GreekKeyboard k;
  ASSERT_NE(k.keyboard, nullptr);
  ClickKey(k.keyboard, soft_key::kShift, soft_key::kShift);
  EXPECT_TRUE(g_sent.empty());
  ClickKey(k.keyboard, kKeyA, kKeyA);
  const std::vector<SentKey> expected = {
      {VK_SHIFT, KEYEVENTF_EXTENDEDKEY}, {'A', 0}, {'A', KEYEVENTF_KEYUP}, {VK_SHIFT, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP}};
  EXPECT_EQ(g_sent, expected);
  EXPECT_TRUE(k.e->ui->soft_keyboard.shift_latched);
}

TEST(SoftKeyboard, PressOnOneKeyAndReleaseOnAnotherSendsNothing) {
  GreekKeyboard k;
  ASSERT_NE(k.keyboard, nullptr);
  ClickKey(k.keyboard, kKeyA, kKeyA + 1);
  EXPECT_TRUE(g_sent.empty());
}

TEST(SoftKeyboard, DraggingTheBackgroundMovesItAndDraggingAKeyDoesNot) {
  GreekKeyboard k;
  ASSERT_NE(k.keyboard, nullptr);
  struct Case {
    const char* name;
    LPARAM press;
    bool moves;
  };
  const Case cases[] = {{"the title strip", MAKELPARAM(200, 10), true}, {"a key", KeyCentre(kKeyA), false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RECT before{};
    GetWindowRect(k.keyboard, &before);
    SetCursorPos(before.left + GET_X_LPARAM(c.press), before.top + GET_Y_LPARAM(c.press));
    SendMessageW(k.keyboard, WM_LBUTTONDOWN, MK_LBUTTON, c.press);
    // Towards the screen's middle, so no edge stops the move.
    const int dx = before.left > 100 ? -30 : 30;
    const int dy = before.top > 100 ? -20 : 20;
    SetCursorPos(before.left + GET_X_LPARAM(c.press) + dx, before.top + GET_Y_LPARAM(c.press) + dy);
    SendMessageW(k.keyboard, WM_MOUSEMOVE, MK_LBUTTON, c.press);
    SendMessageW(k.keyboard, WM_LBUTTONUP, 0, c.press);
    RECT after{};
    GetWindowRect(k.keyboard, &after);
    if (c.moves) {
      EXPECT_EQ(after.left, before.left + dx);
      EXPECT_EQ(after.top, before.top + dy);
    } else {
      EXPECT_EQ(after.left, before.left);
      EXPECT_EQ(after.top, before.top);
    }
    g_sent.clear();
  }
}

TEST(SoftKeyboard, TheCloseButtonTurnsItOffAndDestroysIt) {
  GreekKeyboard k;
  ASSERT_NE(k.keyboard, nullptr);
  ClickKey(k.keyboard, soft_key::kClose, soft_key::kClose);
  PumpMessages();
  EXPECT_FALSE(IsWindow(k.keyboard));
  EXPECT_FALSE(k.e->mode & mode::kSoftKeyboard);
}

TEST(SoftKeyboard, EveryKeysCentreInThePictureHasTheKeyFace) {
  QuenlithLibrary library;
  HBITMAP picture = LoadBitmapW(library.module(), MAKEINTRESOURCEW(131));
  ASSERT_NE(picture, nullptr);
  BITMAP info{};
  GetObjectW(picture, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, kSoftKeyboardWidth);
  EXPECT_EQ(info.bmHeight, kSoftKeyboardHeight);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, picture);
  constexpr COLORREF kKeyFace = RGB(0xF8, 0xF8, 0xF8);
  for (int key = 0; key < 60; ++key) {
    const SoftKeyRect r = SoftKeyboardKeyRect(key);
    EXPECT_EQ(GetPixel(dc, (r.left + r.right) / 2, (r.top + r.bottom) / 2), kKeyFace) << key;
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(picture);
}

// ---- where the bar is not shown ----

TEST(StatusWindow, NoBarWithActivationFlags) {
  for (DWORD flags : {DWORD{0x40000000}, DWORD{0x4}, DWORD{0x2}}) {
    SCOPED_TRACE(flags);
    ActiveService active(TypingFolder(), flags);
    ASSERT_EQ(active.activated, S_OK);
    EXPECT_EQ(StatusWindow(), nullptr);
  }
}

TEST(StatusWindow, AClosedInputKeepsTheBarOnlyOnTheClassicLanguageBar) {
  ActiveService active;
  ASSERT_EQ(active.activated, S_OK);
  HWND window = StatusWindow();
  ASSERT_NE(window, nullptr);
  EngineInstance* e = EngineOf(window);
  MenuChooser chooser({L"上屏选项(&O)", L"关闭输入法(&C)"});
  RightClickRegion(window, status_region::kMode);
  ASSERT_TRUE(chooser.Done());
  PumpMessages();
  ASSERT_TRUE(e->mode & mode::kClosed);
  EXPECT_EQ(IsWindowVisible(window) != FALSE, !RunsAsWindows10());
}

// The first of this process's windows of a class.
HWND OwnWindowOfClass(const wchar_t* name) {
  HWND found = nullptr;
  while ((found = FindWindowExW(nullptr, found, name, nullptr)) != nullptr) {
    DWORD process = 0;
    GetWindowThreadProcessId(found, &process);
    if (process == GetCurrentProcessId()) return found;
  }
  return nullptr;
}

// Runs a copy of this program and the library under another file name in a folder of its own, in a
// child mode; its exit code, or -1.
int RunAs(const std::wstring& name, const std::string& mode) {
  TempFolder folder;
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::filesystem::path copy = folder.path() / name;
  const std::filesystem::path library = QuenlithPath();
  std::error_code error;
  std::filesystem::copy_file(self, copy, error);
  if (error) return -1;
  std::filesystem::copy_file(library, folder.path() / library.filename(), error);
  if (error) return -1;
  std::wstring command = L"\"" + copy.wstring() + L"\" --child " + std::wstring(mode.begin(), mode.end());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(copy.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = static_cast<DWORD>(-1);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

// Activates on the installed input method the parent made; 0 when the bar follows the host's rules:
// none in "mmc.exe", one without an owner in "winword.exe", one owned by the host's window elsewhere.
LZ_CHILD_MODE(host_rules) {
  const std::string host = args.empty() ? "" : args[0];
  QuenlithLibrary library;
  HostThreadManager host_manager;
  ITfTextInputProcessorEx* service = library.NewService();
  if (!service) return 2;
  // The host's window has the focus when the service starts, so the bar has an owner to take.
  host_manager.TakeKeyboardFocus();
  if (FAILED(service->ActivateEx(&host_manager, kClient, 0))) return 3;
  HWND window = OwnWindowOfClass(kStatusClass);
  int result = 6;
  if (host == "mmc") result = window ? 4 : 0;
  if (host == "winword") result = (!window || GetWindow(window, GW_OWNER)) ? 5 : 0;
  if (host == "other") result = (!window || GetWindow(window, GW_OWNER) != host_manager.window()) ? 7 : 0;
  service->Deactivate();
  service->Release();
  return result;
}

TEST(StatusWindow, NoneInMmcAndNoOwnerInWinword) {
  ActiveService active;
  ASSERT_EQ(active.activated, S_OK);
  EXPECT_EQ(RunAs(L"mmc.exe", "host_rules mmc"), 0);
  EXPECT_EQ(RunAs(L"winword.exe", "host_rules winword"), 0);
  EXPECT_EQ(RunAs(L"notepad.exe", "host_rules other"), 0) << "elsewhere the host's window owns the bar";
}

// ---- two processes on one folder ----

// Shows its own bar on the parent's input method, says so, and keeps it until the parent is done.
LZ_CHILD_MODE(second_bar) {
  if (args.size() < 2) return 2;
  HANDLE shown = OpenEventA(EVENT_MODIFY_STATE, FALSE, args[0].c_str());
  HANDLE done = OpenEventA(SYNCHRONIZE, FALSE, args[1].c_str());
  if (!shown || !done) return 3;
  QuenlithLibrary library;
  HostThreadManager host;
  ITfTextInputProcessorEx* service = library.NewService();
  if (!service || FAILED(service->ActivateEx(&host, kClient, 0))) return 4;
  const int result = OwnWindowOfClass(kStatusClass) ? 0 : 5;
  SetEvent(shown);
  while (MsgWaitForMultipleObjects(1, &done, FALSE, 30000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) PumpMessages();
  service->Deactivate();
  service->Release();
  CloseHandle(shown);
  CloseHandle(done);
  return result;
}

bool WaitPumping(HANDLE event, DWORD milliseconds) {
  const DWORD until = GetTickCount() + milliseconds;
  while (static_cast<LONG>(until - GetTickCount()) > 0) {
    const DWORD wait = MsgWaitForMultipleObjects(1, &event, FALSE, 100, QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0) return true;
    PumpMessages();
  }
  return false;
}

TEST(StatusWindow, TheSecondProcessesBarHidesTheFirstAndOutlivesItsDestruction) {
  ActiveService active;
  ASSERT_EQ(active.activated, S_OK);
  HWND first = StatusWindow();
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(IsWindowVisible(first));
  EngineInstance* e = EngineOf(first);
  const std::string shown_name = "LzSecondBarShown" + std::to_string(GetCurrentProcessId());
  const std::string done_name = "LzSecondBarDone" + std::to_string(GetCurrentProcessId());
  HANDLE shown = CreateEventA(nullptr, TRUE, FALSE, shown_name.c_str());
  HANDLE done = CreateEventA(nullptr, TRUE, FALSE, done_name.c_str());
  ChildProcess child;
  ASSERT_TRUE(StartChild({"second_bar", shown_name, done_name}, child));
  if (!WaitPumping(shown, 30000)) {
    KillChild(child);
    FAIL() << "the child did not show its bar: " << WaitChild(child);
  }
  // The hide message is posted: it arrives with the next messages.
  for (int i = 0; i < 20 && IsWindowVisible(first); ++i) {
    PumpMessages();
    Sleep(50);
  }
  EXPECT_FALSE(IsWindowVisible(first));
  const LONG64 second = ShowingValue(e);
  EXPECT_NE(second, 0);
  EXPECT_NE(second, static_cast<LONG64>(HandleToLong(first)));
  DestroyWindow(first);
  EXPECT_EQ(ShowingValue(e), second);
  SetEvent(done);
  EXPECT_EQ(WaitChild(child), 0);
  CloseHandle(shown);
  CloseHandle(done);
}

// ---- immersive tips raise the input-method events ----

std::vector<DWORD> g_events;
void CALLBACK RecordEvent(HWINEVENTHOOK, DWORD event, HWND, LONG, LONG, DWORD, DWORD) { g_events.push_back(event); }

TEST(Tips, ImmersiveOnWindows10RaisesShowChangeAndHide) {
  constexpr DWORD kImmersive = 0x40000000;
  constexpr DWORD kImeShow = 0x8027;
  constexpr DWORD kImeHide = 0x8028;
  constexpr DWORD kImeChange = 0x8029;
  g_events.clear();
  HWINEVENTHOOK hook =
      SetWinEventHook(kImeShow, kImeChange, nullptr, RecordEvent, GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  {
    ActiveService active(TypingFolder(), kImmersive);
    ASSERT_EQ(active.activated, S_OK);
    BOOL eaten = FALSE;
    ASSERT_TRUE(active.host.PressPreservedKey(VK_SPACE, TF_MOD_SHIFT, &eaten));
    HWND tip = FindWindowW(kTipsClass, nullptr);
    ASSERT_NE(tip, nullptr);
    PumpMessages();
    for (int tick = 0; tick < 6; ++tick) SendMessageW(tip, WM_TIMER, 1, 0);
    EXPECT_FALSE(IsWindow(tip));
    for (int i = 0; i < 10; ++i) {
      PumpMessages();
      Sleep(20);
    }
  }
  UnhookWinEvent(hook);
  auto seen = [](DWORD event) { return std::find(g_events.begin(), g_events.end(), event) != g_events.end(); };
  const bool expected = RunsAsWindows10();
  EXPECT_EQ(seen(kImeShow), expected);
  EXPECT_EQ(seen(kImeChange), expected);
  EXPECT_EQ(seen(kImeHide), expected);
}

TEST(Menus, HidingTheStatusBarFromItsMenuSetsTheFlagAndTakesTheBarAway) {
  ActiveService active;
  ASSERT_EQ(active.activated, S_OK);
  HWND window = StatusWindow();
  ASSERT_NE(window, nullptr);
  EngineInstance* e = EngineOf(window);
  MenuChooser chooser({L"隐藏状态栏窗口(&R)"});
  RightClickRegion(window, status_region::kMode);
  ASSERT_TRUE(chooser.Done());
  PumpMessages();
  EXPECT_TRUE(BlockU32(e->blocks.ime, ime_block::kImeFlags) & ime_block::kHideStatusWindow);
  HWND now = StatusWindow();
  EXPECT_TRUE(now == nullptr || !IsWindowVisible(now));
}

// ---- menus that change the skin and the words ----

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST(Menus, ASkinEntryConfiguresTheSkinAndPutsTheBarInItsCorner) {
  ActiveService active;
  ASSERT_EQ(active.activated, S_OK);
  const std::filesystem::path skins = active.product.data().parent_path() / "program" / "rezuvorir";
  WriteBytes(skins / "alpha.col", SkinPackage("Alpha"));
  std::vector<ZipMember> beta = SkinMembers("Beta");
  for (ZipMember& member : beta) {
    if (member.name == "bar.png") member.data = SolidPng(60, 20, 0x60, 0x40, 0x20, 0xFF);
  }
  WriteBytes(skins / "beta.col", MakeZip(beta));
  HWND window = StatusWindow();
  ASSERT_NE(window, nullptr);
  EngineInstance* e = EngineOf(window);
  // A place of the user's own, which the new skin's corner replaces.
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, ClientLparam(POINT{1, 1}));
  SetCursorPos(101, 51);
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, ClientLparam(POINT{5, 5}));
  SendMessageW(window, WM_LBUTTONUP, 0, ClientLparam(POINT{5, 5}));
  ASSERT_EQ(static_cast<std::int32_t>(BlockU32(e->blocks.skin, skin_block::kStatusWindowX)), 100);

  MenuChooser chooser({L"皮肤(&F)", L"Beta"});
  RightClickRegion(window, status_region::kMode);
  ASSERT_TRUE(chooser.Done());
  PumpMessages();
  EXPECT_EQ(ReadFieldText(e->blocks.skin, skin_block::kSkinName, skin_block::kSkinNameUnits), u"beta.col");
  ASSERT_TRUE(IsWindow(window));
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT at{};
  GetWindowRect(window, &at);
  EXPECT_EQ(at.right - at.left, 60);
  EXPECT_EQ(at.bottom - at.top, 20);
  EXPECT_EQ(at.right, work.right) << "the default corner: bottom right";
  EXPECT_EQ(at.bottom, work.bottom);
}

LPARAM KeyLparam(UINT vk, bool up) {
  LPARAM l = 1 | static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) << 16);
  if (up) l |= static_cast<LPARAM>(0xC0000000u);
  return l;
}

void Type(HostThreadManager& host, const std::string& keys) {
  for (char c : keys) {
    const UINT vk = c == ' ' ? VK_SPACE : static_cast<UINT>(c - 'a' + 'A');
    host.DeliverKey(WM_KEYDOWN, vk, KeyLparam(vk, false));
    host.DeliverKey(WM_KEYUP, vk, KeyLparam(vk, true));
    host.PumpKeys(1);
  }
}

TEST(Menus, MoveToTopFromACandidatesRightClickPutsThatWordFirst) {
  ActiveService active;
  ASSERT_EQ(active.activated, S_OK);
  Type(active.host, "wq");
  HWND candidates = FindWindowW(L"MVLZSKIN_CAND", nullptr);
  ASSERT_NE(candidates, nullptr);
  const EngineInstance* e = EngineOf(candidates);
  const SlotRect slot = CandidateSlotRect(e->ui->candidate.layout, 2);
  MenuChooser chooser({L"移至首位(&P)"});
  SendMessageW(candidates, WM_RBUTTONDOWN, MK_RBUTTON,
               MAKELPARAM((slot.left + slot.right) / 2, (slot.top + slot.bottom) / 2));
  ASSERT_TRUE(chooser.Done());
  active.host.PumpKeys(2);
  Type(active.host, " ");
  EXPECT_EQ(active.host.text(), u"信");
}


// ---- the built-in skin as a user sees it ----

constexpr wchar_t kCandidateClass[] = L"MVLZSKIN_CAND";

struct SkinLayoutCase {
  const char* name;  // also the screenshot's name
  bool horizontal;
  bool embedded;  // the code is embedded in the document and left out of the window
};
const SkinLayoutCase kSkinLayouts[] = {
    {"candidate-merged", true, false},
    {"candidate-merged-vertical", false, false},
    {"candidate-embedded", true, true},
    {"candidate-embedded-vertical", false, true},
};

// The typing folder in one layout of the built-in skin, numbers, code hints and buttons shown, with
// `words` under the code "vv", in their order.
DataFolderContents LayoutFolder(const SkinLayoutCase& c, const std::vector<std::string>& words) {
  DataFolderContents contents = TypingFolder();
  for (std::size_t k = 0; k < words.size(); ++k) {
    const auto order = static_cast<std::uint32_t>(words.size() - k);
    contents.main.push_back({"vv", words[k], RecordFlags(code_table::kClassSystem, order)});
  }
  const auto typical = contents.edit_blocks;
  contents.edit_blocks = [typical, c](ConfigBlocks& b) {
    if (typical) typical(b);
    b.skin.WriteU32(skin_block::kFlags, skin_block::kShowNumbers | skin_block::kShowCodeHints |
                                            skin_block::kShowButtons | (c.horizontal ? skin_block::kHorizontal : 0));
    const std::uint32_t flags = BlockU32(b.ime, ime_block::kImeFlags) & ~ime_block::kInlineMask;
    b.ime.WriteU32(ime_block::kImeFlags, flags | (c.embedded ? ime_block::kInlineCode : 0));
  };
  return contents;
}

const EngineInstance* ShownCandidateWindow(HWND& window) {
  window = FindWindowW(kCandidateClass, nullptr);
  if (!window || !IsWindowVisible(window)) return nullptr;
  const EngineInstance* e = EngineOf(window);
  return e && e->ui ? e : nullptr;
}

bool Meet(const SkinHitRegion& r, const SlotRect& s) {
  return r.x < s.right && s.left < r.x + r.width && r.y < s.bottom && s.top < r.y + r.height;
}

void KeepScreenshot(HWND window, const char* name) {
  PumpMessages();
  Sleep(100);
  PumpMessages();
  RECT at{};
  GetWindowRect(window, &at);
  SaveScreenshot(Capture(), at, name);
}

TEST(BuiltinSkin, ThePageButtonsStayOffAFullPageOfLongCandidatesInEveryLayout) {
  const std::vector<std::string> long_words = {"中华人民共和国", "社会主义市场经济", "国务院新闻办公室",
                                               "全国人民代表大会", "自然科学基金委员会", "四个现代化"};
  for (const SkinLayoutCase& c : kSkinLayouts) {
    SCOPED_TRACE(c.name);
    ActiveService active(LayoutFolder(c, long_words));
    ASSERT_EQ(active.activated, S_OK);
    Type(active.host, "vv");
    HWND window = nullptr;
    const EngineInstance* e = ShownCandidateWindow(window);
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->page_item_count, 5) << "a full page";
    const CandidateWindowLayout& layout = e->ui->candidate.layout;
    EXPECT_EQ(layout.combined, !c.embedded);
    for (int button : {candidate_region::kPreviousPage, candidate_region::kNextPage}) {
      const SkinHitRegion& r = layout.regions[static_cast<std::size_t>(button)];
      ASSERT_TRUE(r.Shown()) << "button " << button;
      EXPECT_GE(r.x, 0);
      EXPECT_LE(r.x + r.width, layout.width);
      for (int slot = 0; slot < 5; ++slot) {
        const SlotRect box = CandidateSlotRect(layout, slot);
        ASSERT_FALSE(box.Empty());
        EXPECT_FALSE(Meet(r, box)) << "button " << button << " on slot " << slot;
      }
    }
    // Every point of the last candidate chooses it.
    const SlotRect last = CandidateSlotRect(layout, 4);
    for (std::int32_t x = last.left + 1; x < last.right; ++x) {
      for (std::int32_t y = last.top + 1; y < last.bottom; ++y) {
        ASSERT_EQ(HitTestCandidateWindow(layout, x, y), candidate_id::kFirstSlot + 4) << x << "," << y;
      }
    }
    KeepScreenshot(window, c.name);
  }
}

// The longest run of window columns that no shown text or button covers.
std::int32_t LongestEmptyColumns(const CandidateWindowLayout& layout) {
  std::vector<bool> covered(static_cast<std::size_t>(std::max(layout.width, 0)), false);
  for (const SkinHitRegion& r : layout.regions) {
    if (!r.Shown() || r.width <= 0) continue;
    for (std::int32_t x = std::max(r.x, 0); x < std::min(r.x + r.width, layout.width); ++x)
      covered[static_cast<std::size_t>(x)] = true;
  }
  std::int32_t longest = 0, run = 0;
  for (bool c : covered) {
    run = c ? 0 : run + 1;
    longest = std::max(longest, run);
  }
  return longest;
}

TEST(BuiltinSkin, OneShortCandidateGetsANarrowWindowInEveryLayout) {
  // Wider than the left margin and the gap before the buttons, narrower than any empty middle.
  constexpr std::int32_t kMostEmptyColumns = 24;
  for (const SkinLayoutCase& c : kSkinLayouts) {
    SCOPED_TRACE(c.name);
    ActiveService active(LayoutFolder(c, {"仍"}));
    ASSERT_EQ(active.activated, S_OK);
    Type(active.host, "vv");
    HWND window = nullptr;
    const EngineInstance* e = ShownCandidateWindow(window);
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->page_item_count, 1);
    const CandidateWindowLayout& layout = e->ui->candidate.layout;
    EXPECT_LE(LongestEmptyColumns(layout), kMostEmptyColumns) << "window width " << layout.width;
    const SkinHitRegion& next = layout.regions[candidate_region::kNextPage];
    ASSERT_TRUE(next.Shown());
    EXPECT_LE(next.x + next.width, layout.width);
    const SkinHitRegion& previous = layout.regions[candidate_region::kPreviousPage];
    EXPECT_GE(previous.x, 0);
    EXPECT_FALSE(Meet(previous, CandidateSlotRect(layout, 0)));
  }
}

TEST(StatusWindow, TheShippedSetOpensTheBarInTheSkinsDefaultCorner) {
  const std::filesystem::path shipped = std::filesystem::u8path("Z:" LZ_SHIPDATA_DIR);
  ActiveService active(shipped);
  ASSERT_EQ(active.activated, S_OK);
  HWND window = StatusWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(IsWindowVisible(window));
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT at{};
  GetWindowRect(window, &at);
  EXPECT_EQ(at.right, work.right) << "the built-in skin's corner: bottom right";
  EXPECT_EQ(at.bottom, work.bottom);
  KeepScreenshot(window, "status-bar-default-corner");
}

TEST(Menus, TheSkinMenuChecksTheBuiltInSkinInUseAndChoosingItChangesNothing) {
  ActiveService active;
  ASSERT_EQ(active.activated, S_OK);
  HWND window = StatusWindow();
  ASSERT_NE(window, nullptr);
  EngineInstance* e = EngineOf(window);
  ASSERT_EQ(std::u16string(e->ui->skin.description.source), u"fromResource");
  const std::u16string configured = ReadFieldText(e->blocks.skin, skin_block::kSkinName, skin_block::kSkinNameUnits);
  MenuChooser chooser({L"皮肤(&F)", L"清朗"});
  RightClickRegion(window, status_region::kMode);
  ASSERT_TRUE(chooser.Done());
  EXPECT_TRUE(chooser.ChosenWasChecked());
  PumpMessages();
  EXPECT_EQ(ReadFieldText(e->blocks.skin, skin_block::kSkinName, skin_block::kSkinNameUnits), configured);
  EXPECT_EQ(std::u16string(e->ui->skin.description.source), u"fromResource");
}

TEST(SoftKeyboard, TheGreekKeysCarryTheCapitalOfTheirLetterOnShift) {
  GreekKeyboard k;
  ASSERT_NE(k.keyboard, nullptr);
  const char16_t* labels = k.e->ui->soft_keyboard.labels;
  int letters = 0;
  for (int key = 0; key < kSoftKeyboardKeys; ++key) {
    const char16_t small = labels[2 * key];
    if (small == 0) continue;
    ++letters;
    const auto capital = static_cast<char16_t>(
        reinterpret_cast<UINT_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(small)))));
    EXPECT_EQ(labels[2 * key + 1], capital) << "key " << key;
  }
  EXPECT_EQ(letters, 24);
}

}  // namespace
}  // namespace lz::test
