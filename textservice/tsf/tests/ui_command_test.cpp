// The commands of the skinned windows and menus, called on the text service itself: the library's code
// and resources are linked into this program, a service made by the library's own factory function is
// activated on our TSF host with the typing folder, and each command id is run as a window or a menu
// would send it. The programs the service would start are recorded through the program-start sink.
#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/os/program_start.h"
#include "tests/support/tsf_host.h"
#include "tests/support/typing_fixture.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/ime_block.h"
#include "textservice/tsf/tests/quenlith_library.h"
#include "textservice/tsf/text_service.h"
#include "textservice/windows/ui_state.h"

// The library's entry, linked in with its code; this program calls it for its own module.
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);

namespace lz::test {
namespace {

constexpr TfClientId kClient = 9;
constexpr DWORD kFullShape = tsf::TF_CONVERSIONMODE_FULLSHAPE;
constexpr DWORD kSymbol = tsf::TF_CONVERSIONMODE_SYMBOL;
constexpr DWORD kNoConversion = tsf::TF_CONVERSIONMODE_NOCONVERSION;

// The program's module stands for the library's: it holds the same resources (class identifier, skin,
// icons), and the window classes are registered for it once.
void AttachLibraryCode() {
  static const BOOL attached = DllMain(GetModuleHandleW(nullptr), DLL_PROCESS_ATTACH, nullptr);
  ASSERT_TRUE(attached);
}

std::vector<os::ProgramStart> g_starts;
void RecordStart(const os::ProgramStart& start, void*) { g_starts.push_back(start); }

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

LPARAM KeyLparam(UINT vk, bool up) {
  LPARAM l = 1 | static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) << 16);
  if (up) l |= static_cast<LPARAM>(0xC0000000u);
  return l;
}

struct Command {
  int a;
  int b;
  int id;
};

// A text service of the linked-in code, active on a host with the typing folder.
struct ActiveService {
  InstalledProduct product{TypingFolder()};
  HostThreadManager host;
  TextService* service = nullptr;
  HRESULT activated = E_FAIL;

  ActiveService() {
    AttachLibraryCode();
    g_starts.clear();
    os::SetProgramStartSink(&RecordStart, nullptr);
    void* made = nullptr;
    if (SUCCEEDED(CreateTextService(tsf::kIidTextInputProcessorEx, &made))) {
      service = static_cast<TextService*>(static_cast<ITfTextInputProcessorEx*>(made));
      activated = service->ActivateEx(&host, kClient, 0);
    }
    host.TakeKeyboardFocus();
  }
  ~ActiveService() {
    if (service) {
      if (SUCCEEDED(activated)) service->Deactivate();
      host.TerminateAllCompositions();
      service->Release();
    }
    os::SetProgramStartSink(nullptr, nullptr);
    PumpMessages();
  }
  EngineInstance* engine() const { return service->engine(); }
  std::uint32_t ImeFlags() const { return BlockU32(engine()->blocks.ime, ime_block::kImeFlags); }
  DWORD Conversion() { return static_cast<DWORD>(host.compartments().Get(tsf::kGuidCompartmentKeyboardInputModeConversion).value()); }
  LONG Open() { return host.compartments().Get(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE).value(); }

  void Type(const std::string& letters) {
    for (char c : letters) {
      const UINT vk = static_cast<UINT>(c - 'a' + 'A');
      host.DeliverKey(WM_KEYDOWN, vk, KeyLparam(vk, false));
      host.DeliverKey(WM_KEYUP, vk, KeyLparam(vk, true));
      host.PumpKeys(1);
    }
  }
  // As a window or menu sends it; the sessions it asks for have run when it returns.
  int Run(const Command& c) {
    const int result = service->RunUiCommand(c.a, c.b, c.id);
    host.context().PumpRequests();
    PumpMessages();
    return result;
  }
  int RunAll(std::initializer_list<Command> commands) {
    int result = 0;
    for (const Command& c : commands) result = Run(c);
    return result;
  }
};

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

// ---- settings pages: the command line of the configuration program ----

struct ConfigCase {
  int id;
  std::u16string word;  // after "/n {class identifier} "; "%s" stands for the install folder
};

TEST(UiCommands, SettingsCommandsStartTheConfigurationProgramWithTheirWords) {
  const ConfigCase cases[] = {
      {1, u""},
      {3, u"/showurl 'mk:@MSITStore:%smain.chm::/keyboardmap.html' /showurlCX 600 /showurlCY 500"},
      {4, u"/do about"},
      {5, u"/do help"},
      {8, u"/do tianjiayonghuci"},
      {9, u"/do update"},
  };
  for (const ConfigCase& c : cases) {
    SCOPED_TRACE(c.id);
    ActiveService active;
    ASSERT_EQ(active.activated, S_OK);
    const std::u16string install = active.engine()->install_folder;
    ASSERT_FALSE(install.empty());
    std::u16string word = c.word;
    if (const auto at = word.find(u"%s"); at != std::u16string::npos) word.replace(at, 2, install);
    const std::uint32_t mode_before = active.engine()->mode;
    const std::uint32_t flags_before = active.ImeFlags();

    EXPECT_EQ(active.Run({0, 0, c.id}), 1);
    ASSERT_EQ(g_starts.size(), 1u);
    EXPECT_EQ(g_starts[0].file, install + u"config.exe") << Narrow(g_starts[0].file);
    EXPECT_EQ(g_starts[0].parameters, u"/n " + std::u16string(active.engine()->class_id_text) + u" " + word)
        << Narrow(g_starts[0].parameters);
    EXPECT_EQ(active.engine()->mode, mode_before);
    EXPECT_EQ(active.ImeFlags(), flags_before);
  }
}

// ---- ids that only answer ----

struct AnswerCase {
  int id;
  int result;
};

TEST(UiCommands, IdsWithoutAnActionAnswerAndChangeNothing) {
  const AnswerCase cases[] = {
      {6, 1},    {17, 1},   {4096, 1}, {7, 0},    {10, 0},   {11, 0},   {12, 0},   {13, 0},   {14, 0},
      {15, 0},   {16, 0},   {0, 0},    {2, 0},    {8200, 0}, {8202, 0}, {8203, 0}, {8204, 0}, {8205, 0},
      {8206, 0}, {8207, 0}, {8210, 0}, {256, 0},  {263, 0},  {512, 0},  {515, 0},  {8192, 0},
  };
  ActiveService active;
  ASSERT_EQ(active.activated, S_OK);
  active.Type("wq");
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE(c.id);
    const std::uint32_t mode_before = active.engine()->mode;
    const std::uint32_t flags_before = active.ImeFlags();
    const DWORD conversion_before = active.Conversion();
    EXPECT_EQ(active.Run({1, 1, c.id}), c.result);
    EXPECT_TRUE(g_starts.empty());
    EXPECT_EQ(active.engine()->mode, mode_before);
    EXPECT_EQ(active.ImeFlags(), flags_before);
    EXPECT_EQ(active.Conversion(), conversion_before);
    EXPECT_EQ(active.host.text(), u" ") << "the composition stays as it was";
    EXPECT_EQ(active.host.context().compositions().size(), 1u);
  }
}

// ---- commands that change the input, the modes and the settings ----

constexpr int kAny = -1;

struct EffectCase {
  const char* name;
  const char* typed;                      // code keys typed first
  std::vector<Command> commands;          // run in order; the last one's result is checked
  std::u16string document;
  std::size_t compositions;
  std::uint32_t mode_set, mode_clear;     // engine mode bits
  std::uint32_t ime_set, ime_clear;       // ime block flags
  DWORD conversion_set, conversion_clear; // conversion compartment bits
  int open;                               // open/close compartment, or kAny
  int soft_keyboard_layout;               // or kAny
};

constexpr std::uint32_t kSchemes = ime_block::kSchemeMain | ime_block::kSchemeAuxiliary;
constexpr std::uint32_t kRanges = ime_block::kAlwaysSearchSecondary | ime_block::kSearchSecondaryWhenEmpty;

const EffectCase kEffectCases[] = {
    // Candidates and pages, through a key session on the edit-sink context.
    {"18 commits the candidate its argument names", "wq", {{3, 0, 18}}, u"信", 0, 0, 0, 0, 0, 0, 0, kAny, kAny},
    {"18 with the first candidate", "wq", {{1, 0, 18}}, u"你", 0, 0, 0, 0, 0, 0, 0, kAny, kAny},
    {"257 turns to the next page", "wq", {{0, 0, 257}, {1, 0, 18}}, u"但", 0, 0, 0, 0, 0, 0, 0, kAny, kAny},
    {"257 on the last page changes nothing", "wq", {{0, 0, 257}, {0, 0, 257}, {1, 0, 18}}, u"但", 0, 0, 0, 0, 0, 0, 0,
     kAny, kAny},
    {"258 turns back", "wq", {{0, 0, 257}, {0, 0, 258}, {2, 0, 18}}, u"休", 0, 0, 0, 0, 0, 0, 0, kAny, kAny},
    {"258 on the first page changes nothing", "wq", {{0, 0, 258}, {3, 0, 18}}, u"信", 0, 0, 0, 0, 0, 0, 0, kAny,
     kAny},
    {"514 runs the candidate menu's command: the third word first", "wq", {{3, 2, 514}, {1, 0, 18}}, u"信", 0, 0, 0, 0,
     0, 0, 0, kAny, kAny},
    {"262 ends the composition", "wq", {{0, 0, 262}}, u"", 0, 0, 0, 0, 0, 0, 0, kAny, kAny},
    {"262 leaves no input to commit", "wq", {{0, 0, 262}, {1, 0, 18}}, u"", 0, 0, 0, 0, 0, 0, 0, kAny, kAny},
    {"262 without a composition changes nothing", "", {{0, 0, 262}}, u"", 0, 0, 0, 0, 0, 0, 0, kAny, kAny},
    // Chinese, English, open and closed.
    {"260 switches to English", "", {{0, 0, 260}}, u"", 0, mode::kEnglish, 0, 0, 0, kNoConversion, 0, 1, kAny},
    {"259 switches back to Chinese", "", {{0, 0, 260}, {0, 0, 259}}, u"", 0, 0, mode::kEnglish, 0, 0, 0,
     kNoConversion, 1, kAny},
    {"260 while composing ends the composition first", "wq", {{0, 0, 260}}, u"", 0, mode::kEnglish, 0, 0, 0,
     kNoConversion, 0, 1, kAny},
    {"259 opens a closed input method", "", {{0, 0, 261}, {0, 0, 259}}, u"", 0, 0, mode::kEnglish | mode::kClosed, 0,
     0, 0, kNoConversion, 1, kAny},
    {"261 closes", "", {{0, 0, 261}}, u"", 0, mode::kClosed, 0, 0, 0, 0, 0, 0, kAny},
    {"261 twice opens again", "", {{0, 0, 261}, {0, 0, 261}}, u"", 0, 0, mode::kClosed, 0, 0, 0, 0, 1, kAny},
    {"261 while composing ends the composition", "wq", {{0, 0, 261}}, u"", 0, mode::kClosed, 0, 0, 0, 0, 0, 0, kAny},
    // The on-screen keyboard.
    {"513 shows the layout it names", "", {{2, 22, 513}}, u"", 0, mode::kSoftKeyboard, 0, 0, 0, 0, 0, kAny, 2},
    {"513 while composing clears the input first", "wq", {{2, 22, 513}}, u"", 0, mode::kSoftKeyboard, 0, 0, 0, 0, 0,
     kAny, 2},
    {"513 while composing leaves no input to commit", "wq", {{2, 22, 513}, {1, 0, 18}}, u"", 0, mode::kSoftKeyboard, 0,
     0, 0, 0, 0, kAny, 2},
    {"513 with layout 0 turns it off", "", {{2, 22, 513}, {0, 22, 513}}, u"", 0, 0, mode::kSoftKeyboard, 0, 0, 0, 0,
     kAny, 0},
    {"513 with a layout past 13 turns it off", "", {{1, 22, 513}, {14, 22, 513}}, u"", 0, 0, mode::kSoftKeyboard, 0, 0,
     0, 0, kAny, 0},
    // Width and punctuation.
    {"8193 full width, traditional output off", "", {{0, 0, 8197}, {0, 0, 8193}}, u"", 0, mode::kFullWidth, 0, 0,
     ime_block::kTraditionalOutput, kFullShape, 0, kAny, kAny},
    {"8194 half width", "", {{0, 0, 8193}, {0, 0, 8194}}, u"", 0, 0, mode::kFullWidth, 0, 0, 0, kFullShape, kAny, kAny},
    {"8195 English punctuation", "", {{0, 0, 8195}}, u"", 0, mode::kEnglishPunctuation, 0, 0, 0, 0, kSymbol, kAny,
     kAny},
    {"8199 English punctuation too", "", {{0, 0, 8199}}, u"", 0, mode::kEnglishPunctuation, 0, 0, 0, 0, kSymbol, kAny,
     kAny},
    {"8196 Chinese punctuation", "", {{0, 0, 8195}, {0, 0, 8196}}, u"", 0, 0, mode::kEnglishPunctuation, 0, 0, kSymbol,
     0, kAny, kAny},
    // Output scripts.
    {"8197 traditional output on, simplified off", "", {{0, 0, 8198}, {0, 0, 8197}}, u"", 0, 0, 0,
     ime_block::kTraditionalOutput, ime_block::kSimplifiedOutput, 0, 0, kAny, kAny},
    {"8197 twice: traditional output off", "", {{0, 0, 8197}, {0, 0, 8197}}, u"", 0, 0, 0, 0,
     ime_block::kTraditionalOutput, 0, 0, kAny, kAny},
    {"8198 simplified output on", "", {{0, 0, 8198}}, u"", 0, 0, 0, ime_block::kSimplifiedOutput, 0, 0, 0, kAny, kAny},
    {"8198 twice: simplified output off", "", {{0, 0, 8198}, {0, 0, 8198}}, u"", 0, 0, 0, 0,
     ime_block::kSimplifiedOutput, 0, 0, kAny, kAny},
    // The status bar.
    {"8201 hides the status bar", "", {{0, 0, 8201}}, u"", 0, 0, 0, ime_block::kHideStatusWindow, 0, 0, 0, kAny, kAny},
    {"8201 twice shows it again", "", {{0, 0, 8201}, {0, 0, 8201}}, u"", 0, 0, 0, 0, ime_block::kHideStatusWindow, 0,
     0, kAny, kAny},
    // Schemes and search ranges.
    {"8208 with 0: both schemes", "", {{0, 0, 8208}}, u"", 0, 0, 0, kSchemes, 0, 0, 0, kAny, kAny},
    {"8208 with 1: the main scheme", "", {{0, 0, 8208}, {1, 0, 8208}}, u"", 0, 0, 0, ime_block::kSchemeMain,
     ime_block::kSchemeAuxiliary, 0, 0, kAny, kAny},
    {"8208 with 2: the auxiliary scheme", "", {{2, 0, 8208}}, u"", 0, 0, 0, ime_block::kSchemeAuxiliary,
     ime_block::kSchemeMain, 0, 0, kAny, kAny},
    {"8208 while composing keeps the composition", "wq", {{0, 0, 8208}}, u" ", 1, 0, 0, kSchemes, 0, 0, 0, kAny,
     kAny},
    {"8209 with 0: always the secondary table", "", {{2, 0, 8209}, {0, 0, 8209}}, u"", 0, 0, 0,
     ime_block::kAlwaysSearchSecondary, ime_block::kSearchSecondaryWhenEmpty, 0, 0, kAny, kAny},
    {"8209 with 1: the main table only", "", {{0, 0, 8209}, {1, 0, 8209}}, u"", 0, 0, 0, 0, kRanges, 0, 0, kAny, kAny},
    {"8209 with 2: the secondary table when nothing is found", "", {{0, 0, 8209}, {2, 0, 8209}}, u"", 0, 0, 0,
     ime_block::kSearchSecondaryWhenEmpty, ime_block::kAlwaysSearchSecondary, 0, 0, kAny, kAny},
};

TEST(UiCommands, CommandsChangeTheInputModesAndSettings) {
  for (const EffectCase& c : kEffectCases) {
    SCOPED_TRACE(c.name);
    ActiveService active;
    ASSERT_EQ(active.activated, S_OK);
    active.Type(c.typed);
    int result = 0;
    for (const Command& command : c.commands) result = active.Run(command);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(active.host.text(), c.document);
    EXPECT_EQ(active.host.context().compositions().size(), c.compositions);
    const std::uint32_t mode = active.engine()->mode;
    EXPECT_EQ(mode & c.mode_set, c.mode_set) << std::hex << mode;
    EXPECT_EQ(mode & c.mode_clear, 0u) << std::hex << mode;
    const std::uint32_t flags = active.ImeFlags();
    EXPECT_EQ(flags & c.ime_set, c.ime_set) << std::hex << flags;
    EXPECT_EQ(flags & c.ime_clear, 0u) << std::hex << flags;
    const DWORD conversion = active.Conversion();
    EXPECT_EQ(conversion & c.conversion_set, c.conversion_set) << std::hex << conversion;
    EXPECT_EQ(conversion & c.conversion_clear, 0u) << std::hex << conversion;
    if (c.open != kAny) {
      EXPECT_EQ(active.Open(), c.open);
    }
    if (c.soft_keyboard_layout != kAny) {
      ASSERT_NE(active.engine()->ui, nullptr);
      EXPECT_EQ(active.engine()->ui->soft_keyboard.layout, c.soft_keyboard_layout);
    }
    EXPECT_TRUE(g_starts.empty());
  }
}

TEST(UiCommands, HidingTheStatusBarPutsANewLanguageBarButtonInTheOldOnesPlace) {
  ActiveService active;
  ASSERT_EQ(active.activated, S_OK);
  ASSERT_EQ(active.host.items().size(), 1u);
  // Held here, so the new button cannot take the old one's address.
  ITfLangBarItem* before = active.host.items()[0];
  before->AddRef();
  EXPECT_EQ(active.Run({0, 0, 8201}), 1);
  ASSERT_EQ(active.host.items().size(), 1u);
  EXPECT_NE(active.host.items()[0], before);
  before->Release();
  HWND status = FindWindowW(L"MVLZSKIN_STATUS", nullptr);
  EXPECT_TRUE(status == nullptr || !IsWindowVisible(status));
}

}  // namespace
}  // namespace lz::test
