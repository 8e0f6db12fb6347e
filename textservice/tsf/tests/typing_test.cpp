// Typing into an application, end to end: the built library activated on our TSF host, keys delivered as
// the keystroke manager delivers them, the clock of the library's key timing scripted, and the host's
// document read back.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/fake_broker.h"
#include "tests/support/import_patch.h"
#include "tests/support/tsf_host.h"
#include "tests/support/typing_fixture.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/mapped_file.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/skin_block.h"
#include "textservice/windows/candidate_layout.h"
#include "textservice/windows/candidate_window_win32.h"
#include "textservice/windows/tests/button_skin.h"
#include "textservice/tsf/tests/quenlith_library.h"
#include "textservice/windows/ui_state.h"

namespace lz::test {
namespace {

namespace cr = candidate_region;

constexpr TfClientId kClient = 9;
constexpr WPARAM kErasureDoneKey = 0x88;

volatile DWORD g_clock = 1000;
DWORD WINAPI ScriptedTickCount() { return g_clock; }

// Key scripts: letters and digits are themselves; these stand for the named keys.
constexpr char kEsc = '\x1b';
constexpr char kBack = '\b';
constexpr char kEnter = '\r';
constexpr char kRepeat = '\x02';  // F2, bound to 重复输入

UINT VirtualKeyOf(char c) {
  if (c >= 'a' && c <= 'z') return static_cast<UINT>(c - 'a' + 'A');
  if (c >= '0' && c <= '9') return static_cast<UINT>(c);
  switch (c) {
    case ' ':
      return VK_SPACE;
    case kEsc:
      return VK_ESCAPE;
    case kBack:
      return VK_BACK;
    case kEnter:
      return VK_RETURN;
    case kRepeat:
      return kRepeatKey;
    case '-':
      return VK_OEM_MINUS;
    case '=':
      return VK_OEM_PLUS;
    case '[':
      return VK_OEM_4;
    case ';':
      return VK_OEM_1;
    case '.':
      return VK_OEM_PERIOD;
    default:
      return 0;
  }
}

void SetKeys(std::initializer_list<std::pair<int, BYTE>> keys) {
  BYTE state[256] = {};
  for (const auto& [vk, value] : keys) state[vk] = value;
  SetKeyboardState(state);
}

// The built library, active on a host, typing into the host's document.
struct Typist {
  InstalledProduct product;
  QuenlithLibrary library;
  HostThreadManager host;
  ITfTextInputProcessorEx* service = nullptr;
  HRESULT activated = E_FAIL;

  explicit Typist(DataFolderContents contents, KeyDelivery delivery = KeyDelivery::kTsfLike, DWORD flags = 0)
      : product(std::move(contents)) {
    Start(delivery, flags);
  }
  explicit Typist(const std::filesystem::path& folder) : product(folder) { Start(KeyDelivery::kTsfLike, 0); }
  // With files the library reads at activation put into the product's program folder first.
  Typist(DataFolderContents contents, const std::function<void(const std::filesystem::path& program)>& install)
      : product(std::move(contents)) {
    install(product.data().parent_path() / "program");
    Start(KeyDelivery::kTsfLike, 0);
  }
  void Start(KeyDelivery delivery, DWORD flags) {
    SetKeys({});
    g_clock = 1000;
    EXPECT_NE(PatchImport(library.module(), "kernel32.dll", "GetTickCount",
                          reinterpret_cast<void*>(&ScriptedTickCount)),
              nullptr);
    service = library.NewService();
    if (service) activated = service->ActivateEx(&host, kClient, flags);
    host.delivery = delivery;
    host.TakeKeyboardFocus();
  }
  ~Typist() {
    if (service) {
      if (SUCCEEDED(activated)) service->Deactivate();
      // Compositions the host kept (their ends refused) let their owner go.
      host.TerminateAllCompositions();
      service->Release();
    }
    SetKeys({});
  }

  static LPARAM Lparam(UINT vk, bool up) {
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    LPARAM l = 1 | static_cast<LPARAM>(scan << 16);
    if (up) l |= static_cast<LPARAM>(0xC0000000u);
    return l;
  }
  void Down(UINT vk, LPARAM lparam) { host.DeliverKey(WM_KEYDOWN, vk, lparam); }
  void Up(UINT vk, LPARAM lparam) { host.DeliverKey(WM_KEYUP, vk, lparam); }
  void Press(UINT vk) {
    Down(vk, Lparam(vk, false));
    Up(vk, Lparam(vk, true));
    // Keys the library types itself (backspaces, the key that ends them) come back through the host.
    host.PumpKeys(1);
  }
  void Type(const std::string& keys) {
    for (char c : keys) Press(VirtualKeyOf(c));
  }
  std::u16string Document() const { return host.text(); }
  std::size_t Compositions() { return host.context().compositions().size(); }
};

// ---- codes, candidates and the keys that commit them, in every delivery ----

struct TypingCase {
  const char* name;
  const char* keys;
  std::u16string document;
  std::size_t compositions;
};

const TypingCase kTypingCases[] = {
    {"space commits the first candidate", "wq ", u"你", 0},
    {"a digit commits its candidate", "wq2", u"休", 0},
    {"another digit", "wq3", u"信", 0},
    {"Esc clears the input", "wq\x1b", u"", 0},
    {"while composing the document holds one space", "wq", u" ", 1},
    {"Backspace takes the last key back and queries again", "wq\bq ", u"你", 0},
    {"Backspace of the only key ends the composition", "w\b", u"", 0},
    {"a unique full code commits itself", "wqiy", u"你们", 0},
    {"two words in a row", "wq wq2", u"你休", 0},
    {"Enter passes and the host adds a line break", "\r", u"\r\n", 0},
    {"the repeat key writes the line break again", "\r\x02", u"\r\n\r\n", 0},
    {"the repeat key repeats the last word", "wq \x02", u"你你", 0},
    {"page down, then a digit of the next page", "wq=1", u"但", 0},
    {"page down on the last page changes nothing", "wq==1", u"但", 0},
    {"page down and up again", "wq=-2", u"休", 0},
};

class TypingTable : public ::testing::TestWithParam<KeyDelivery> {};

TEST_P(TypingTable, KeysGiveTheDocumentAndComposition) {
  for (const TypingCase& c : kTypingCases) {
    SCOPED_TRACE(c.name);
    Typist typist(TypingFolder(), GetParam());
    ASSERT_EQ(typist.activated, S_OK);
    typist.Type(c.keys);
    EXPECT_EQ(typist.Document(), c.document);
    EXPECT_EQ(typist.Compositions(), c.compositions);
  }
}

INSTANTIATE_TEST_SUITE_P(Deliveries, TypingTable,
                         ::testing::Values(KeyDelivery::kTsfLike, KeyDelivery::kKeyDownOnly,
                                           KeyDelivery::kTestDownTwice));

// The shipped five-stroke data set: Debian's wubi86 list under the default scheme, which follows a
// commit with the word's associations (a composition of one space until Esc or the next key).
const TypingCase kWubi86Cases[] = {
    {"a commit opens the word's associations", "wq ", u"你 ", 1},
    {"a two-key short code", "wq \x1b", u"你", 0},
    {"a digit picks from the full code's list (a word without associations)", "wqiy2", u"仰泳", 0},
    {"a unique full code commits itself", "ggll\x1b", u"一", 0},
    {"Esc clears the input", "wqi\x1b", u"", 0},
    {"Backspace edits and queries again", "wqi\b \x1b", u"你", 0},
    {"the next code key leaves the associations", "wq aaaa \x1b", u"你工", 0},
};

TEST(Typing, TheShippedWubi86FolderTypes) {
  const std::filesystem::path shipped = std::filesystem::u8path("Z:" LZ_SHIPDATA_DIR);
  for (const TypingCase& c : kWubi86Cases) {
    SCOPED_TRACE(c.name);
    Typist typist(shipped);
    ASSERT_EQ(typist.activated, S_OK);
    typist.Type(c.keys);
    EXPECT_EQ(typist.Document(), c.document);
    EXPECT_EQ(typist.Compositions(), c.compositions);
  }
}

// The shipped set with traditional output switched on, as 繁体输出 of the output menu leaves it.
std::filesystem::path ShippedWithTraditionalOutput(const TempFolder& temp) {
  const std::filesystem::path copy = temp.path() / "traditional";
  std::filesystem::copy(std::filesystem::u8path("Z:" LZ_SHIPDATA_DIR), copy);
  std::vector<std::uint8_t> store;
  {
    std::ifstream in(copy / "config.dsc", std::ios::binary);
    store.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  ConfigBlocks blocks;
  EXPECT_EQ(FindConfigBlocks(ByteView{store.data(), static_cast<std::uint32_t>(store.size())}, blocks), 1);
  blocks.ime.WriteU32(ime_block::kImeFlags, BlockU32(blocks.ime, ime_block::kImeFlags) | ime_block::kTraditionalOutput);
  std::ofstream out(copy / "config.dsc", std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(store.data()), static_cast<std::streamsize>(store.size()));
  return copy;
}

TEST(Typing, TheShippedSetGivesNumbersEnglishLearnedWordsAndTraditionalOutput) {
  const std::filesystem::path shipped = std::filesystem::u8path("Z:" LZ_SHIPDATA_DIR);
  TempFolder temp;
  const std::filesystem::path traditional = ShippedWithTraditionalOutput(temp);
  struct Case {
    const char* name;
    std::filesystem::path folder;
    const char* keys;
    std::u16string document;
  };
  const Case cases[] = {
      {"a letter picks the capital amount", shipped, ";3.05b", u"叁元零伍分"},
      {"the lead key commits the English word typed", shipped, ";cat;", u"cat"},
      // 工 and 王 build 工王; chosen under aagg it becomes a user word that then comes first.
      {"a word typed twice comes first", shipped, "a ggg aagg2aagg ", u"工王工王工王"},
      {"traditional output commits the common form", traditional, "jf ", u"時"},
      {"and converts a word whole", traditional, "jfuj", u"時間"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Typist typist(c.folder);
    ASSERT_EQ(typist.activated, S_OK);
    typist.Type(c.keys);
    EXPECT_EQ(typist.Document(), c.document);
  }
}

// ---- timing: lone Shift and doubled brackets ----

struct ShiftTapCase {
  DWORD held;
  std::u16string document;  // after the tap and "a"
};

class Timing : public ::testing::TestWithParam<KeyDelivery> {};

TEST_P(Timing, ALoneShiftReleasedWithin499MsSwitchesToEnglish) {
  for (const ShiftTapCase& c : {ShiftTapCase{499, u"a"}, ShiftTapCase{500, u" "}}) {
    SCOPED_TRACE(c.held);
    Typist typist(TypingFolder(), GetParam());
    ASSERT_EQ(typist.activated, S_OK);
    constexpr LPARAM kLeftShiftDown = 1 | (0x2A << 16);
    constexpr LPARAM kLeftShiftUp = kLeftShiftDown | static_cast<LPARAM>(0xC0000000u);
    SetKeys({{VK_SHIFT, 0x80}, {VK_LSHIFT, 0x80}});
    typist.Down(VK_SHIFT, kLeftShiftDown);
    g_clock = g_clock + c.held;
    SetKeys({});
    typist.Up(VK_SHIFT, kLeftShiftUp);
    typist.Type("a");
    // English: the letter passes to the document; Chinese: it composes (one placeholder space).
    EXPECT_EQ(typist.Document(), c.document);
  }
}

TEST_P(Timing, ABracketTwiceWithin399MsLeavesTheBracketItself) {
  struct Case {
    DWORD between;
    std::u16string document;
  };
  for (const Case& c : {Case{399, u"["}, Case{400, u"【【"}}) {
    SCOPED_TRACE(c.between);
    Typist typist(TypingFolder(), GetParam());
    ASSERT_EQ(typist.activated, S_OK);
    typist.Type("[");
    EXPECT_EQ(typist.Document(), u"【");
    g_clock = g_clock + c.between;
    typist.Type("[");
    if (c.between < 400) {
      // The erasure's backspaces and the key that ends them come back through the host's queue.
      EXPECT_TRUE(typist.host.PumpKeysUntil(kErasureDoneKey, true, 60));
    }
    EXPECT_EQ(typist.Document(), c.document);
  }
}

INSTANTIATE_TEST_SUITE_P(Deliveries, Timing,
                         ::testing::Values(KeyDelivery::kTsfLike, KeyDelivery::kKeyDownOnly,
                                           KeyDelivery::kTestDownTwice));

// ---- a host that refuses synchronous edits ----

TEST(Typing, AHostThatCannotLockNowGetsTheKeyAsynchronously) {
  Typist typist(TypingFolder());
  ASSERT_EQ(typist.activated, S_OK);
  typist.host.context().requests = EditRequests::kSyncRefused;
  typist.Type("wq ");
  EXPECT_EQ(typist.Document(), u"你");
}

// ---- Caps Lock, full width, the input's length ----

TEST(Typing, WithCapsLockOnLettersPassAsCapitalsAndShiftLettersAreCodeKeys) {
  Typist typist(TypingFolder());
  ASSERT_EQ(typist.activated, S_OK);
  SetKeys({{VK_CAPITAL, 0x01}});
  typist.Type("a");
  EXPECT_EQ(typist.Document(), u"A");
  SetKeys({{VK_CAPITAL, 0x01}, {VK_SHIFT, 0x80}});
  typist.Type("wq");
  EXPECT_EQ(typist.Compositions(), 1u);
  SetKeys({{VK_CAPITAL, 0x01}});
  typist.Type(" ");
  EXPECT_EQ(typist.Document(), u"A你");
}

TEST(Typing, ShiftSpaceTogglesFullWidthAndTheConversionCompartment) {
  Typist typist(TypingFolder());
  ASSERT_EQ(typist.activated, S_OK);
  HostCompartment& conversion = typist.host.compartments().Get(tsf::kGuidCompartmentKeyboardInputModeConversion);
  EXPECT_EQ(conversion.value() & tsf::TF_CONVERSIONMODE_FULLSHAPE, 0);
  BOOL eaten = FALSE;
  ASSERT_TRUE(typist.host.PressPreservedKey(VK_SPACE, TF_MOD_SHIFT, &eaten));
  EXPECT_NE(conversion.value() & tsf::TF_CONVERSIONMODE_FULLSHAPE, 0);
  typist.Type("1");
  EXPECT_EQ(typist.Document(), u"１") << "a digit typed in full width";
  ASSERT_TRUE(typist.host.PressPreservedKey(VK_SPACE, TF_MOD_SHIFT, &eaten));
  EXPECT_EQ(conversion.value() & tsf::TF_CONVERSIONMODE_FULLSHAPE, 0);
}

TEST(Typing, AnInputTakesNoMoreThan128CodeKeys) {
  DataFolderContents contents = TypingFolder();
  contents.edit_blocks = [](ConfigBlocks& blocks) {
    WriteTypicalScheme(blocks);
    WriteTypicalKeyBindings(blocks);
    // Nothing pushes or clears a long input; the document shows the code.
    blocks.dme.WriteU8(dme_block::kUniqueAutoCommitLength, 0);
    blocks.dme.WriteU8(dme_block::kEmptyCodeCommitLength, 0);
    blocks.ime.WriteU32(ime_block::kImeFlags, ime_block::kSchemeMain | ime_block::kInlineCode);
  };
  Typist typist(contents);
  ASSERT_EQ(typist.activated, S_OK);
  typist.Type(std::string(129, 'w'));
  ASSERT_EQ(typist.Compositions(), 1u);
  EXPECT_EQ(typist.host.context().CompositionText(0), std::u16string(128, u'w'));
}

// ---- a table another program grows ----

// Another program adds 口 under "kkkk" to a table: the record does not fit in the file, which grows.
LZ_CHILD_MODE(append_word) {
  if (args.size() != 1) return 2;
  MappedFile* table = nullptr;
  if (OpenMappedFile(std::filesystem::path(args[0]).u16string().c_str(), &table) <= 0) return 3;
  const std::int64_t size_before = table->size;
  TableRecordBuffer record;
  const bool appended = MakeTableRecord(u"kkkk", u"口", nullptr, record) == 1 &&
                        TableAppendRecord(table, record.bytes, record.size) == 1;
  const bool grown = table->size > size_before;
  CloseMappedFile(table);
  return !appended ? 4 : !grown ? 5 : 0;
}

TEST(Typing, AWordAnotherProgramAddsIsTypedAfterTheNextFocus) {
  Typist typist(TypingFolder());
  ASSERT_EQ(typist.activated, S_OK);
  typist.Type("wq ");
  ASSERT_EQ(RunChild({"append_word", (typist.product.data() / "main.dmg").string()}), 0);
  typist.host.FocusDocument(false);
  typist.host.FocusDocument(true);
  typist.Type("kkkk");
  EXPECT_EQ(typist.Document(), u"你口");
}

// ---- display attributes over the composition ----

TfGuidAtom AtomOf(const GUID& guid) {
  ITfCategoryMgr* categories = nullptr;
  TfGuidAtom atom = TF_INVALID_GUIDATOM;
  if (SUCCEEDED(CoCreateInstance(CLSID_TF_CategoryMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ITfCategoryMgr,
                                 reinterpret_cast<void**>(&categories)))) {
    categories->RegisterGUID(guid, &atom);
    categories->Release();
  }
  return atom;
}

constexpr GUID kInputAttribute = {0x63864826, 0x3efa, 0x4405, {0x86, 0x0b, 0xa7, 0xfe, 0xa6, 0x70, 0xe6, 0xf3}};
constexpr GUID kConvertedAttribute = {0x8bc7218b, 0xbe92, 0x4314, {0x9a, 0x22, 0x53, 0x42, 0x78, 0x17, 0xc4, 0x75}};

TEST(Typing, TheCompositionCarriesItsDisplayAttributeUntilTheCommit) {
  struct Case {
    std::uint32_t ime_flags;
    GUID attribute;
    std::u16string composed;
  };
  for (const Case& c : {Case{ime_block::kSchemeMain, kConvertedAttribute, u" "},
                        Case{ime_block::kSchemeMain | ime_block::kInlineCode, kInputAttribute, u"wq"}}) {
    SCOPED_TRACE(c.ime_flags);
    DataFolderContents contents = TypingFolder();
    contents.edit_blocks = [&c](ConfigBlocks& blocks) {
      WriteTypicalScheme(blocks);
      WriteTypicalKeyBindings(blocks);
      blocks.ime.WriteU32(ime_block::kImeFlags, c.ime_flags);
    };
    Typist typist(contents);
    ASSERT_EQ(typist.activated, S_OK);
    typist.Type("wq");
    ASSERT_EQ(typist.Compositions(), 1u);
    EXPECT_EQ(typist.host.context().CompositionText(0), c.composed);
    const std::vector<AttributeSpan>& spans = typist.host.context().spans();
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0].start, 0);
    EXPECT_EQ(spans[0].end, static_cast<LONG>(c.composed.size()));
    EXPECT_EQ(spans[0].atom, static_cast<LONG>(AtomOf(c.attribute)));
    typist.Type(" ");
    EXPECT_EQ(typist.Document(), u"你");
    EXPECT_TRUE(typist.host.context().spans().empty());
  }
}

// ---- immersive mode: keys the service types go through the broker ----

TEST(Typing, ImmersiveErasuresAndCapsLockGoThroughTheBroker) {
  FakeBroker broker;
  ASSERT_TRUE(broker.registered());
  broker.replay_keys = true;
  constexpr DWORD kImmersive = 0x40000000;
  Typist typist(TypingFolder(), KeyDelivery::kTsfLike, kImmersive);
  ASSERT_EQ(typist.activated, S_OK);
  typist.Type("[");
  g_clock = g_clock + 100;
  typist.Type("[");
  EXPECT_TRUE(typist.host.PumpKeysUntil(kErasureDoneKey, true, 60));
  EXPECT_EQ(typist.Document(), u"[");
  const std::vector<BrokerKey> erasure = {
      {VK_BACK, 0, 0}, {VK_BACK, 0, KEYEVENTF_KEYUP}, {kErasureDoneKey, 0, 0}, {kErasureDoneKey, 0, KEYEVENTF_KEYUP}};
  EXPECT_EQ(broker.keys, erasure);

  // Switching to English with Caps Lock on switches Caps Lock off through the broker.
  broker.keys.clear();
  broker.replay_keys = false;
  SetKeys({{VK_CAPITAL, 0x01}});
  constexpr LPARAM kLeftShiftDown = 1 | (0x2A << 16);
  constexpr LPARAM kLeftShiftUp = kLeftShiftDown | static_cast<LPARAM>(0xC0000000u);
  typist.Down(VK_SHIFT, kLeftShiftDown);
  typist.Up(VK_SHIFT, kLeftShiftUp);
  const std::vector<BrokerKey> caps_off = {{VK_CAPITAL, 0x38, 0}, {VK_CAPITAL, 0x38, KEYEVENTF_KEYUP}};
  EXPECT_EQ(broker.keys, caps_off);
}

// ---- the candidate window ----

void PumpFor(DWORD milliseconds, HostThreadManager& host) {
  const DWORD until = GetTickCount() + milliseconds;
  while (static_cast<LONG>(until - GetTickCount()) > 0) host.PumpKeys(1);
}

// Real pointer input, as a user clicks: Wine ends a mouse-leave tracking at the hover time after it
// began, so the gesture first waits out the tracking before it and then stays well inside the time.
void ClickAt(POINT p, HostThreadManager& host) {
  for (int round = 0; round < 2; ++round) {
    PumpFor(900, host);
    SetCursorPos(p.x, p.y);
    PumpFor(60, host);
    SetCursorPos(p.x + 1, p.y);
    PumpFor(60, host);
  }
  for (DWORD flags : {DWORD{MOUSEEVENTF_LEFTDOWN}, DWORD{MOUSEEVENTF_LEFTUP}}) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
    PumpFor(80, host);
  }
}

TEST(Typing, AClickOnTheThirdSlotCommitsTheThirdWord) {
  Typist typist(TypingFolder());
  ASSERT_EQ(typist.activated, S_OK);
  typist.Type("wq");
  HWND window = FindWindowW(kCandidateWindowClass, nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(IsWindowVisible(window));
  // The window keeps its engine in its window data; the slots lie where its layout put them.
  const auto* engine = reinterpret_cast<const EngineInstance*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  ASSERT_NE(engine, nullptr);
  ASSERT_NE(engine->ui, nullptr);
  const SlotRect slot = CandidateSlotRect(engine->ui->candidate.layout, 2);
  RECT at{};
  GetWindowRect(window, &at);
  ClickAt(POINT{at.left + (slot.left + slot.right) / 2, at.top + (slot.top + slot.bottom) / 2}, typist.host);
  EXPECT_EQ(typist.Document(), u"信");
  EXPECT_EQ(typist.Compositions(), 0u);
}

// A skin that places the page buttons; "wq" lists six words, five a page.
struct PageButtonCase {
  const char* name;
  std::vector<int> buttons;
  char digit;
  std::u16string document;
};

TEST(Typing, PageButtonsTurnPages) {
  const PageButtonCase cases[] = {
      {"the next-page button shows the sixth word", {cr::kNextPage}, '1', u"但"},
      {"and the previous-page button the first page again", {cr::kNextPage, cr::kPreviousPage}, '2', u"休"},
      {"the previous-page button on the first page changes nothing", {cr::kPreviousPage}, '3', u"信"},
  };
  for (const PageButtonCase& c : cases) {
    SCOPED_TRACE(c.name);
    DataFolderContents contents = TypingFolder();
    const auto typical = contents.edit_blocks;
    contents.edit_blocks = [typical](ConfigBlocks& b) {
      if (typical) typical(b);
      b.skin.WriteU32(skin_block::kFlags, skin_block::kShowNumbers | skin_block::kShowButtons | skin_block::kHorizontal);
      WriteFieldText(b.skin, skin_block::kSkinName, skin_block::kSkinNameUnits, u"t.col");
    };
    Typist typist(std::move(contents), [](const std::filesystem::path& program) {
      std::filesystem::create_directories(program / "rezuvorir");
      WriteFileBytes(program / "rezuvorir" / "t.col", ButtonSkin("t"));
    });
    ASSERT_EQ(typist.activated, S_OK);
    typist.Type("wq");
    HWND window = FindWindowW(kCandidateWindowClass, nullptr);
    ASSERT_NE(window, nullptr);
    const auto* engine = reinterpret_cast<const EngineInstance*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    ASSERT_NE(engine, nullptr);
    ASSERT_NE(engine->ui, nullptr);
    for (int button : c.buttons) {
      const SkinHitRegion& r = engine->ui->candidate.layout.regions[static_cast<std::size_t>(button)];
      ASSERT_GE(r.x, 0) << "the skin places the button";
      RECT at{};
      GetWindowRect(window, &at);
      ClickAt(POINT{at.left + r.x + r.width / 2, at.top + r.y + r.height / 2}, typist.host);
    }
    typist.Type(std::string(1, c.digit));
    EXPECT_EQ(typist.Document(), c.document);
  }
}

// ---- association ----

TEST(Typing, AssociationContinuesTheWordWithoutDoublingIt) {
  for (std::uint32_t embedding : {0u, ime_block::kInlineCode}) {
    SCOPED_TRACE(embedding);
    DataFolderContents contents = TypingFolder();
    contents.edit_blocks = [embedding](ConfigBlocks& blocks) {
      WriteTypicalScheme(blocks);
      WriteTypicalKeyBindings(blocks);
      blocks.ime.WriteU32(ime_block::kImeFlags, ime_block::kSchemeMain | ime_block::kAssociation | embedding);
    };
    Typist typist(contents);
    ASSERT_EQ(typist.activated, S_OK);
    typist.Type("khlg");
    EXPECT_EQ(typist.Document().substr(0, 2), u"中国");
    typist.Type(" ");
    EXPECT_EQ(typist.Document().substr(0, 3), u"中国人");
    typist.Type(" ");
    EXPECT_EQ(typist.Document(), u"中国人民");
  }
}

// ---- compositions the host ends ----

TEST(Typing, AHostEndedCompositionClearsTheInputOrCommitsItAsEnglish) {
  struct Case {
    std::uint32_t behaviour;
    std::u16string document;
  };
  for (const Case& c : {Case{0, u""}, Case{ime_block::kSpaceCommitsEnglish, u"wq"}}) {
    SCOPED_TRACE(c.behaviour);
    DataFolderContents contents = TypingFolder();
    contents.edit_blocks = [&c](ConfigBlocks& blocks) {
      WriteTypicalScheme(blocks);
      WriteTypicalKeyBindings(blocks);
      std::uint32_t behaviour = 0;
      blocks.ime.ReadU32(ime_block::kBehaviourFlags, behaviour);
      blocks.ime.WriteU32(ime_block::kBehaviourFlags, behaviour | c.behaviour);
    };
    Typist typist(contents);
    ASSERT_EQ(typist.activated, S_OK);
    typist.Type("wq");
    ASSERT_EQ(typist.Compositions(), 1u);
    typist.host.context().TerminateComposition(0);
    EXPECT_EQ(typist.Document(), c.document);
    EXPECT_EQ(typist.Compositions(), 0u);
    // The next code starts afresh.
    typist.Type("wq ");
    EXPECT_EQ(typist.Document(), c.document + u"你");
  }
}

TEST(Typing, AHostEndedCompositionOfAssociationsIsLeftAlone) {
  DataFolderContents contents = TypingFolder();
  contents.edit_blocks = [](ConfigBlocks& blocks) {
    WriteTypicalScheme(blocks);
    WriteTypicalKeyBindings(blocks);
    blocks.ime.WriteU32(ime_block::kImeFlags, ime_block::kSchemeMain | ime_block::kAssociation);
  };
  Typist typist(contents);
  ASSERT_EQ(typist.activated, S_OK);
  typist.Type("khlg");
  ASSERT_EQ(typist.Compositions(), 1u) << "the association candidates compose";
  typist.host.context().TerminateComposition(0);
  EXPECT_EQ(typist.Compositions(), 0u);
  EXPECT_EQ(typist.Document().substr(0, 2), u"中国");
  // The next code starts a composition of its own.
  typist.Type("wq ");
  EXPECT_EQ(typist.Document().substr(0, 2), u"中国");
  EXPECT_EQ(typist.Document().back(), u'你');
  EXPECT_EQ(typist.Compositions(), 0u);
}

TEST(Typing, SixContextsComposingInTurnWithEndsRefused) {
  Typist typist(TypingFolder());
  ASSERT_EQ(typist.activated, S_OK);
  constexpr int kContexts = 6;
  for (int i = 1; i < kContexts; ++i) typist.host.AddDocument();
  for (int i = 0; i < kContexts - 1; ++i) {
    SCOPED_TRACE(i);
    typist.host.FocusDocumentAt(i);
    typist.host.context().refuse_end_composition = true;
    typist.Type("wq");
    EXPECT_EQ(typist.host.context().compositions().size(), 1u);
  }
  typist.host.FocusDocumentAt(kContexts - 1);
  typist.Type("wq ");
  EXPECT_EQ(typist.host.context(kContexts - 1).text(), u"你");
  typist.service->Deactivate();
  typist.activated = E_FAIL;
  EXPECT_TRUE(typist.host.NothingHeld()) << "no composition, range or context is left with the service";
}

TEST(Typing, DeactivatingWhileComposingGivesTheHostEverythingBack) {
  for (bool refused : {false, true}) {
    SCOPED_TRACE(refused);
    Typist typist(TypingFolder());
    ASSERT_EQ(typist.activated, S_OK);
    typist.Type("wq");
    ASSERT_EQ(typist.Compositions(), 1u);
    typist.host.context().refuse_end_composition = refused;
    typist.service->Deactivate();
    typist.activated = E_FAIL;
    EXPECT_EQ(typist.Compositions(), refused ? 1u : 0u);
    typist.host.context().refuse_end_composition = false;
    if (!refused) {
      EXPECT_TRUE(typist.host.NothingHeld());
    }
  }
}

}  // namespace
}  // namespace lz::test
