// The settings pages and settings texts as another program meets them: the built library loaded by path,
// LZITFGetObject found by name, the pages hosted in a window of this program and driven with messages,
// and what they wrote read back from config.dsc on disk.
#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/installed_engine.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/mapped_file.h"
#include "textservice/engine/settings_text.h"
#include "textservice/engine/skin_block.h"
#include "textservice/settings/settings_export.h"
#include "textservice/settings/settings_page_resources.h"
#include "textservice/skin/tests/png_writer.h"
#include "textservice/skin/tests/skin_fixture.h"

namespace lz::test {
namespace {

namespace fs = std::filesystem;

std::wstring LibraryPath() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  path.resize(path.find_last_of(L'\\') + 1);
  return path + (sizeof(void*) == 8 ? L"Quenlithx64.dll" : L"Quenlith.dll");
}

const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
std::u16string U(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

// The library loaded for one test (its module-wide page state starts afresh) and its export.
class Library {
 public:
  Library() {
    module_ = LoadLibraryW(LibraryPath().c_str());
    if (module_) {
      get_object_ = reinterpret_cast<LzItfGetObjectProc>(
          reinterpret_cast<void*>(GetProcAddress(module_, kGetObjectExport)));
    }
  }
  ~Library() {
    if (module_) FreeLibrary(module_);
  }
  LzItfGetObjectProc get_object() const { return get_object_; }

 private:
  HMODULE module_ = nullptr;
  LzItfGetObjectProc get_object_ = nullptr;
};

constexpr std::size_t kParentBufferUnits = 260;

// The window the pages live in: it answers page 4's three questions.
class HostWindow {
 public:
  HostWindow() {
    WNDCLASSW kind{};
    kind.lpfnWndProc = Proc;
    kind.hInstance = GetModuleHandleW(nullptr);
    kind.lpszClassName = L"LzSettingsPageHost";
    RegisterClassW(&kind);
    window_ = CreateWindowExW(0, kind.lpszClassName, L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700, 700,
                              nullptr, nullptr, kind.hInstance, this);
  }
  ~HostWindow() { DestroyWindow(window_); }
  HWND get() const { return window_; }

  std::u16string base_folder;
  std::u16string setting;
  std::vector<std::u16string> edited;
  int questions = 0;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && (message == kAskSkinBaseFolder || message == kAskSkinPathSetting)) {
      // Up to the page's 260 units, terminated only when there is room: a careless parent.
      const std::u16string& text = message == kAskSkinBaseFolder ? self->base_folder : self->setting;
      const std::size_t units = std::min<std::size_t>(text.size() + 1, kParentBufferUnits);
      std::memcpy(reinterpret_cast<char16_t*>(lparam), text.c_str(), units * sizeof(char16_t));
      ++self->questions;
      return 1;
    }
    if (self && message == kSkinPathEdited) {
      self->edited.emplace_back(reinterpret_cast<const char16_t*>(lparam));
      return 1;
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }

  HWND window_ = nullptr;
};

void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// An installed input method, its engine instance made as config makes it (no windows), and the skins
// of its installation folder.
class PagesTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(library_.get_object(), nullptr) << "LZITFGetObject is not exported";
    void* table = nullptr;
    ASSERT_EQ(library_.get_object()(kSettingsDialogObject, &table), 1);
    ops_ = static_cast<LzSettingsDialogOps*>(table);
    ASSERT_NE(ops_, nullptr);
  }
  void TearDown() override {
    if (ops_) {
      ops_->destroy(0);
      ops_->free(ops_);
    }
  }

  // Made before the engine so the skins are there when a page loads the catalog.
  void Install(const std::function<void(ConfigBlocks&)>& edit = {}, bool with_sysl = false) {
    DataFolderContents contents;
    contents.edit_blocks = edit;
    contents.main = {{"a", "\xE5\xB7\xA5"}};
    if (with_sysl) contents.sysl = std::vector<TableRecord>{{"a", "\xE5\xB7\xA5"}};
    engine_ = std::make_unique<InstalledEngine>(std::move(contents));
    ASSERT_NE(engine_->get(), nullptr);
  }

  HWND Create(int page) {
    HWND window = ops_->create(host_.get(), page, engine_ ? engine_->get() : nullptr);
    Pump();
    return window;
  }

  // The blocks as config.dsc on disk holds them now.
  struct DiskBlocks {
    std::vector<std::uint8_t> bytes;
    ConfigBlocks blocks{};
  };
  DiskBlocks Reopen() {
    FlushMappedFile(engine_->get()->files.config);
    DiskBlocks disk;
    disk.bytes = ReadFileBytes(engine_->folder().data() / "config.dsc");
    FindConfigBlocks(ByteView{disk.bytes.data(), static_cast<std::uint32_t>(disk.bytes.size())}, disk.blocks);
    return disk;
  }

  static void Choose(HWND page, int id, int item) {
    HWND list = GetDlgItem(page, id);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    // CB_SETCURSEL notifies nobody; the page hears of the choice as it would from the user.
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  }
  static void Click(HWND page, int id) { SendMessageW(GetDlgItem(page, id), BM_CLICK, 0, 0); }
  static int Shown(HWND page, int id) { return static_cast<int>(SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0)); }
  static bool IsChecked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }
  static void Type(HWND page, int id, const std::u16string& text) { SetDlgItemTextW(page, id, W(text)); }
  static std::u16string Text(HWND page, int id) {
    wchar_t text[300] = {};
    GetDlgItemTextW(page, id, text, 300);
    return reinterpret_cast<const char16_t*>(text);
  }
  static std::u16string ItemText(HWND page, int id, int item) {
    wchar_t text[300] = {};
    SendDlgItemMessageW(page, id, CB_GETLBTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text));
    return reinterpret_cast<const char16_t*>(text);
  }
  static std::vector<std::u16string> Items(HWND page, int id) {
    std::vector<std::u16string> items;
    const int count = static_cast<int>(SendDlgItemMessageW(page, id, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) items.push_back(ItemText(page, id, i));
    return items;
  }

  Library library_;
  LzSettingsDialogOps* ops_ = nullptr;
  HostWindow host_;
  std::unique_ptr<InstalledEngine> engine_;
};

std::uint32_t U32(ByteView view, std::uint32_t offset) { return BlockU32(view, offset); }
std::uint8_t U8(ByteView view, std::uint32_t offset) {
  std::uint8_t value = 0;
  view.ReadU8(offset, value);
  return value;
}

// ---- the export ----

using ExportTest = PagesTest;

TEST_F(ExportTest, EveryKindGivesItsResultAndTable) {
  enum class Out { kTable, kNull, kUnchanged };
  const struct {
    unsigned kind;
    int result;
    Out out;
  } cases[] = {{0, 1, Out::kUnchanged}, {1, 1, Out::kTable}, {2, 1, Out::kTable},
               {3, 0, Out::kNull},      {4, 1, Out::kTable}, {5, 1, Out::kUnchanged}};
  for (const auto& c : cases) {
    void* marker = reinterpret_cast<void*>(0x1234);
    void* out = marker;
    EXPECT_EQ(library_.get_object()(c.kind, &out), c.result) << c.kind;
    switch (c.out) {
      case Out::kUnchanged:
        EXPECT_EQ(out, marker) << c.kind;
        break;
      case Out::kNull:
        EXPECT_EQ(out, nullptr) << c.kind;
        break;
      case Out::kTable: {
        ASSERT_NE(out, nullptr) << c.kind;
        ASSERT_NE(out, marker) << c.kind;
        auto* slots = static_cast<void**>(out);
        EXPECT_NE(slots[0], nullptr);
        if (c.kind == 4) {
          EXPECT_EQ(slots[1], nullptr);
        }
        reinterpret_cast<LzFreeOpsProc>(slots[0])(out);
        break;
      }
    }
  }
  // Slot 0 ignores null.
  void* table = nullptr;
  ASSERT_EQ(library_.get_object()(4, &table), 1);
  static_cast<LzEmptyOps*>(table)->free(nullptr);
  static_cast<LzEmptyOps*>(table)->free(table);
}

TEST_F(ExportTest, CreateWithAnotherPageMakesNothingAndDestroyWithoutAPageSucceeds) {
  Install();
  EXPECT_EQ(ops_->destroy(1), 1);
  EXPECT_EQ(Create(5), nullptr);
  EXPECT_EQ(FindWindowExW(host_.get(), nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(ops_->destroy(0), 1);
}

WNDPROC g_page_proc = nullptr;
LRESULT CALLBACK RefusingPage(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && LOWORD(wparam) == IDOK) return 1;
  return CallWindowProcW(g_page_proc, page, message, wparam, lparam);
}

TEST_F(ExportTest, APageThatRefusesItsValuesStays) {
  Install();
  HWND page = Create(kImeOptionsPage);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(GetParent(page), host_.get());
  // Another page number returns the current page.
  EXPECT_EQ(Create(7), page);
  g_page_proc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(page, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RefusingPage)));
  EXPECT_EQ(ops_->destroy(1), 0);
  EXPECT_TRUE(IsWindow(page));
  EXPECT_TRUE(IsWindowVisible(page));
  EXPECT_EQ(ops_->destroy(0), 1);
  EXPECT_FALSE(IsWindow(page));
}

TEST_F(ExportTest, EveryPageAcceptsItsValues) {
  Install();
  for (int number : {kImeOptionsPage, kCodeOptionsPage, kDisplayPage, kSkinOptionsPage}) {
    HWND page = Create(number);
    ASSERT_NE(page, nullptr) << number;
    EXPECT_EQ(SendMessageW(page, WM_COMMAND, IDOK, 0), 0) << number;
    EXPECT_EQ(ops_->destroy(1), 1) << number;
    EXPECT_FALSE(IsWindow(page)) << number;
  }
}

TEST_F(ExportTest, SettingsTextsReadAndWriteACallersBlock) {
  void* table = nullptr;
  ASSERT_EQ(library_.get_object()(kSettingsTextObject, &table), 1);
  auto* text = static_cast<LzSettingsTextOps*>(table);
  ASSERT_NE(text, nullptr);
  std::vector<std::uint8_t> dme(config_store::kDmeBlockSize);
  ByteView view{dme.data(), static_cast<std::uint32_t>(dme.size())};
  view.WriteU32(config_store::kBlockSize, config_store::kDmeBlockSize);
  EXPECT_EQ(text->read(dme.data(), L"候选唯一自动上屏码长", L"3", kDmeSettings), 1);
  EXPECT_EQ(dme[dme_block::kUniqueAutoCommitLength], 3);
  EXPECT_EQ(text->read(dme.data(), L"查询输入字符", L"＊", kDmeSettings), 1);
  EXPECT_EQ(text->read(dme.data(), L"x", L"y", 3), 1);
  EXPECT_EQ(text->read(dme.data(), L"x", L"y", 0), -2);

  std::vector<wchar_t> written(kSettingsTextCapacity);
  std::vector<char16_t> expected(kSettingsTextCapacity);
  const int length = text->write(dme.data(), written.data(), kSettingsTextCapacity, kDmeSettings);
  EXPECT_EQ(length, WriteDmeSettingsText(expected.data(), view, kSettingsTextCapacity));
  EXPECT_EQ(U(written.data()), std::u16string(expected.data()));
  EXPECT_EQ(text->write(dme.data(), written.data(), kSettingsTextCapacity, 3), 1);

  // The block's own header bounds the slots: a block that says it is 44 bytes long gets no wildcard.
  std::vector<std::uint8_t> small(config_store::kDmeBlockSize);
  ByteView{small.data(), 4}.WriteU32(0, 45);
  EXPECT_EQ(text->read(small.data(), L"查询输入字符", L"z", kDmeSettings), 1);
  EXPECT_EQ(small[dme_block::kWildcardKey], 0);
  EXPECT_EQ(text->read(small.data(), L"候选唯一自动上屏码长", L"7", kDmeSettings), 1);
  EXPECT_EQ(small[dme_block::kUniqueAutoCommitLength], 7);
  text->free(text);
}

// ---- page 1 ----

using ImeOptionsPageTest = PagesTest;

TEST_F(ImeOptionsPageTest, EachListItemSetsItsFields) {
  const struct {
    int control, item;
    std::uint32_t dme_flags;
    int dme_offset, dme_value;
    std::uint32_t ime_options;
  } cases[] = {
      {IDC_IME_CODE_HINTS, 0, 0, dme_block::kShowFollowingLength, 0, 0},
      {IDC_IME_CODE_HINTS, 1, dme_block::kEmptyCodeShowsAllFollowing, dme_block::kShowFollowingLength, 0, 0},
      {IDC_IME_CODE_HINTS, 4, 0, dme_block::kShowFollowingLength, 3, 0},
      {IDC_IME_CODE_HINTS, 6, 0, dme_block::kShowFollowingLength, 5, 0},
      {IDC_IME_WORD_DISPLAY, 0, 0, dme_block::kShowTableWordLength, 100, 0},
      {IDC_IME_WORD_DISPLAY, 1, 0, dme_block::kShowTableWordLength, 1, 0},
      {IDC_IME_WORD_DISPLAY, 5, 0, dme_block::kShowTableWordLength, 5, 0},
      {IDC_IME_FREQUENCY, 0, 0, dme_block::kShowTableWordLength, 0, 1},
      {IDC_IME_FREQUENCY, 1, 0, dme_block::kShowTableWordLength, 0, 2},
      {IDC_IME_FREQUENCY, 2, 0, dme_block::kShowTableWordLength, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.control << " item " << c.item);
    Install([](ConfigBlocks& b) {
      b.dme.WriteU32(dme_block::kQueryFlags, 0);
      b.ime.WriteU32(ime_block::kCandidateOptions, 0x3);
    });
    HWND page = Create(kImeOptionsPage);
    ASSERT_NE(page, nullptr);
    Choose(page, c.control, c.item);
    ASSERT_EQ(ops_->destroy(1), 1);
    const DiskBlocks disk = Reopen();
    if (c.control != IDC_IME_FREQUENCY) {
      EXPECT_EQ(U32(disk.blocks.dme, dme_block::kQueryFlags), c.dme_flags);
      EXPECT_EQ(U8(disk.blocks.dme, static_cast<std::uint32_t>(c.dme_offset)), c.dme_value);
    } else {
      EXPECT_EQ(U32(disk.blocks.ime, ime_block::kCandidateOptions) & 0x3, c.ime_options);
    }
    engine_.reset();
  }
}

TEST_F(ImeOptionsPageTest, OpeningShowsTheFields) {
  Install([](ConfigBlocks& b) {
    b.dme.WriteU8(dme_block::kShowFollowingLength, 3);
    b.dme.WriteU8(dme_block::kShowTableWordLength, 4);
    b.ime.WriteU32(ime_block::kCandidateOptions, 0x2);
    b.ime.WriteU32(ime_block::kImeFlags, ime_block::kAssociation);
  });
  HWND page = Create(kImeOptionsPage);
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(IsWindowVisible(page));
  RECT box{};
  GetWindowRect(page, &box);
  EXPECT_EQ(box.right - box.left, 600);
  EXPECT_EQ(Shown(page, IDC_IME_CODE_HINTS), 4);
  EXPECT_EQ(Shown(page, IDC_IME_WORD_DISPLAY), 4);
  EXPECT_EQ(Shown(page, IDC_IME_FREQUENCY), 1);
  EXPECT_TRUE(IsChecked(page, IDC_IME_ASSOCIATION));
  // No sysl.dmg in the data folder: no association to switch.
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_IME_ASSOCIATION)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_IME_STATE_OPEN)));
}

TEST_F(ImeOptionsPageTest, WordDisplayShowsWhatTheEngineDoes) {
  // The engine lists words from the stored code length on; 0 and 1 mean from the first code.
  const struct {
    std::uint8_t stored;
    int item;
  } cases[] = {{0, 1}, {1, 1}, {3, 3}, {5, 5}, {100, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int{c.stored});
    Install([&](ConfigBlocks& b) { b.dme.WriteU8(dme_block::kShowTableWordLength, c.stored); });
    HWND page = Create(kImeOptionsPage);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Shown(page, IDC_IME_WORD_DISPLAY), c.item);
    ASSERT_EQ(ops_->destroy(0), 1);
    engine_.reset();
  }
}

TEST_F(ImeOptionsPageTest, AssociationIsOfferedWithSysl) {
  Install({}, true);
  HWND page = Create(kImeOptionsPage);
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(page, IDC_IME_ASSOCIATION)));
  Click(page, IDC_IME_ASSOCIATION);
  ASSERT_EQ(ops_->destroy(1), 1);
  EXPECT_EQ(U32(Reopen().blocks.ime, ime_block::kImeFlags) & ime_block::kAssociation, ime_block::kAssociation);
}

TEST_F(ImeOptionsPageTest, InitialStateOffThenOnGivesChinesePunctuationHalfWidthOpen) {
  Install([](ConfigBlocks& b) {
    b.ime.WriteU32(ime_block::kInitialState, 0x108);
    b.ime.WriteU32(ime_block::kBehaviourFlags, ime_block::kOwnInitialState);
  });
  HWND page = Create(kImeOptionsPage);
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(IsChecked(page, IDC_IME_DEFINE_STATE));
  EXPECT_TRUE(IsChecked(page, IDC_IME_STATE_CLOSED));
  EXPECT_TRUE(IsChecked(page, IDC_IME_FULL_WIDTH));
  Click(page, IDC_IME_DEFINE_STATE);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_IME_FULL_WIDTH)));
  EXPECT_EQ(U32(Reopen().blocks.ime, ime_block::kInitialState), 0u);
  Click(page, IDC_IME_DEFINE_STATE);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_IME_FULL_WIDTH)));
  EXPECT_TRUE(IsChecked(page, IDC_IME_CHINESE_PUNCTUATION));
  EXPECT_TRUE(IsChecked(page, IDC_IME_HALF_WIDTH));
  EXPECT_TRUE(IsChecked(page, IDC_IME_STATE_OPEN));
  Click(page, IDC_IME_FULL_WIDTH);
  ASSERT_EQ(ops_->destroy(1), 1);
  const DiskBlocks disk = Reopen();
  EXPECT_EQ(U32(disk.blocks.ime, ime_block::kInitialState), 0x409u);
  EXPECT_EQ(U32(disk.blocks.ime, ime_block::kBehaviourFlags), ime_block::kOwnInitialState);
}

// ---- page 2 ----

using CodeOptionsPageTest = PagesTest;

TEST_F(CodeOptionsPageTest, ValuesAreWrittenOnlyOnOk) {
  const struct {
    int control;
    std::u16string typed;
    std::uint32_t offset;
    std::uint8_t stored;
    std::u16string shown_again;
  } cases[] = {
      {IDC_CODE_WILDCARD, u"Ａ", dme_block::kWildcardKey, 0, u""},
      {IDC_CODE_WILDCARD, u"＊", dme_block::kWildcardKey, 0x0A, u"＊"},
      {IDC_CODE_ENGLISH_KEY, u"`", dme_block::kEnglishLeadKey, '`', u"`"},
      {IDC_CODE_AUTO_COMMIT_LENGTH, u"300", dme_block::kUniqueAutoCommitLength, 255, u"255"},
      {IDC_CODE_CLEAR_LENGTH, u"4", dme_block::kEmptyCodeClearLength, 4, u"4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.control);
    Install([](ConfigBlocks& b) {
      b.dme.WriteU8(dme_block::kWildcardKey, 'z');
      b.dme.WriteU8(dme_block::kUniqueAutoCommitLength, 9);
    });
    HWND page = Create(kCodeOptionsPage);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Text(page, IDC_CODE_WILDCARD), u"z");
    Type(page, c.control, c.typed);
    Click(page, IDC_CODE_SINGLE_CHARACTERS);
    {
      const DiskBlocks before = Reopen();
      EXPECT_EQ(U8(before.blocks.dme, dme_block::kWildcardKey), 'z');
      EXPECT_EQ(U32(before.blocks.dme, dme_block::kQueryFlags) & dme_block::kSingleCharactersOnly, 0u);
    }
    ASSERT_EQ(ops_->destroy(1), 1);
    const DiskBlocks disk = Reopen();
    EXPECT_EQ(U8(disk.blocks.dme, c.offset), c.stored);
    EXPECT_EQ(U32(disk.blocks.dme, dme_block::kQueryFlags) & dme_block::kSingleCharactersOnly,
              dme_block::kSingleCharactersOnly);
    page = Create(kCodeOptionsPage);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Text(page, c.control), c.shown_again);
    ASSERT_EQ(ops_->destroy(0), 1);
    engine_.reset();
  }
}

TEST_F(CodeOptionsPageTest, KeyClassesWithKeypadKeysRoundTrip) {
  Install();
  HWND page = Create(kCodeOptionsPage);
  ASSERT_NE(page, nullptr);
  Type(page, IDC_CODE_COMMIT_LEAD_KEYS, u"＋－;");
  Type(page, IDC_CODE_END_KEYS, u"／'");
  ASSERT_EQ(ops_->destroy(1), 1);
  const DiskBlocks disk = Reopen();
  EXPECT_EQ(U8(disk.blocks.dme, dme_block::kKeyClasses + 0x0B) & dme_block::kCommitLeadKey, dme_block::kCommitLeadKey);
  EXPECT_EQ(U8(disk.blocks.dme, dme_block::kKeyClasses + 0x0F) & dme_block::kCodeEndKey, dme_block::kCodeEndKey);
  page = Create(kCodeOptionsPage);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(Text(page, IDC_CODE_COMMIT_LEAD_KEYS), u"＋－;");
  // Keys show in key order: the keypad's (below 32) first.
  EXPECT_EQ(Text(page, IDC_CODE_END_KEYS), u"／'");
}

// ---- page 3 ----

// A skin package whose skin.ini names its fonts, and the picture beside it.
std::vector<std::uint8_t> NamedSkin(const std::string& name, const std::string& code_font, int code_size) {
  std::vector<ZipMember> members = SkinMembers(name);
  members[0].data = Bytes(SkinIniText(name) + "[-文字显示-]\r\n编码字体名称=" + code_font +
                          "\r\n编码字体大小=" + std::to_string(code_size) + "\r\n候选字体名称=" + code_font +
                          "\r\n候选字体大小=41\r\n");
  return MakeZip(members);
}

class DisplayPageTest : public PagesTest {
 protected:
  void InstallWithSkins(const std::function<void(ConfigBlocks&)>& edit = {}) {
    Install(edit);
    const fs::path skins = fs::path(engine_->get()->install_folder) / "rezuvorir";
    fs::create_directories(skins);
    WriteFileBytes(skins / "aa.col", NamedSkin("蓝天", "Tahoma", 13));
    WriteFileBytes(skins / "bb.col", NamedSkin("白云", "Courier", 20));
    // The picture beside bb.col: one half-transparent red pixel on the whole picture.
    std::vector<std::uint8_t> rgba;
    for (int i = 0; i < 4 * 4; ++i) rgba.insert(rgba.end(), {0xFF, 0x00, 0x00, 0x80});
    WriteFileBytes(skins / "bb.png", EncodeRgbaPng(4, 4, rgba));
  }
  std::u16string SkinName(ByteView skin, std::uint32_t field) { return ReadFieldText(skin, field, 40); }
};

TEST_F(DisplayPageTest, ListsTheSkinsAndSelectsTheConfiguredOne) {
  InstallWithSkins([](ConfigBlocks& b) { WriteFieldText(b.skin, skin_block::kSkinName, 40, u"bb.col"); });
  HWND page = Create(kDisplayPage);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(Items(page, IDC_DISPLAY_SKIN), (std::vector<std::u16string>{u"蓝天", u"白云"}));
  EXPECT_EQ(Shown(page, IDC_DISPLAY_SKIN), 1);
  Choose(page, IDC_DISPLAY_SKIN, 0);
  ASSERT_EQ(ops_->destroy(1), 1);
  const DiskBlocks disk = Reopen();
  EXPECT_EQ(SkinName(disk.blocks.skin, skin_block::kSkinName), u"aa.col");
  EXPECT_EQ(SkinName(disk.blocks.skin, skin_block::kLastLoadedSkinName), u"aa.col");
}

TEST_F(DisplayPageTest, AnUnknownConfiguredSkinSelectsTheFirstAndOpeningWritesNothing) {
  for (const char16_t* configured : {u"gone.col", u""}) {
    InstallWithSkins([&](ConfigBlocks& b) { WriteFieldText(b.skin, skin_block::kSkinName, 40, configured); });
    HWND page = Create(kDisplayPage);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Shown(page, IDC_DISPLAY_SKIN), 0);
    ASSERT_EQ(ops_->destroy(1), 1);
    // Only a choice of the user names a skin: the text service goes on loading what it loads now.
    const DiskBlocks disk = Reopen();
    EXPECT_EQ(SkinName(disk.blocks.skin, skin_block::kSkinName), configured);
    EXPECT_EQ(SkinName(disk.blocks.skin, skin_block::kLastLoadedSkinName), u"");
    engine_.reset();
  }
}

TEST_F(DisplayPageTest, OwnFontsCopyTheSkinsFontsAndEnableTheFontControls) {
  InstallWithSkins();
  HWND page = Create(kDisplayPage);
  ASSERT_NE(page, nullptr);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_DISPLAY_CODE_FONT)));
  // The skin's sizes: 13 shows as "14 px", 41 as "12 px".
  EXPECT_EQ(ItemText(page, IDC_DISPLAY_CODE_SIZE, Shown(page, IDC_DISPLAY_CODE_SIZE)), u"14 px");
  EXPECT_EQ(ItemText(page, IDC_DISPLAY_CANDIDATE_SIZE, Shown(page, IDC_DISPLAY_CANDIDATE_SIZE)), u"12 px");
  Click(page, IDC_DISPLAY_OWN_FONTS);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_DISPLAY_CODE_FONT)));
  EXPECT_TRUE(IsChecked(page, IDC_DISPLAY_OWN_FONTS));
  Choose(page, IDC_DISPLAY_CODE_SIZE, 4);
  ASSERT_EQ(ops_->destroy(1), 1);
  const DiskBlocks disk = Reopen();
  const ByteView skin = disk.blocks.skin;
  EXPECT_EQ(U32(skin, skin_block::kFlags) & skin_block::kOwnFonts, skin_block::kOwnFonts);
  EXPECT_EQ(ReadFieldText(skin, skin_block::kCodeFont + skin_block::kFontName, 40), u"Tahoma");
  EXPECT_EQ(ReadFieldText(skin, skin_block::kCandidateFont + skin_block::kFontName, 40), u"Tahoma");
  EXPECT_EQ(U32(skin, skin_block::kCodeFont + skin_block::kFontSize), 20u);
  EXPECT_EQ(U32(skin, skin_block::kCandidateFont + skin_block::kFontSize), 41u);
}

TEST_F(DisplayPageTest, FontListIsSortedWithoutVerticalFaces) {
  InstallWithSkins();
  HWND page = Create(kDisplayPage);
  ASSERT_NE(page, nullptr);
  const std::vector<std::u16string> fonts = Items(page, IDC_DISPLAY_CODE_FONT);
  ASSERT_FALSE(fonts.empty());
  for (std::size_t i = 0; i < fonts.size(); ++i) {
    EXPECT_NE(fonts[i][0], u'@');
    EXPECT_LE(fonts[i].size(), 31u);
    if (i > 0) {
      EXPECT_LT(fonts[i - 1], fonts[i]);
    }
  }
}

TEST_F(DisplayPageTest, ListsAndChecksWriteAtOnce) {
  InstallWithSkins();
  HWND page = Create(kDisplayPage);
  ASSERT_NE(page, nullptr);
  Choose(page, IDC_DISPLAY_LAYOUT, 2);
  Choose(page, IDC_DISPLAY_PLACEMENT, 1);
  Choose(page, IDC_DISPLAY_PAGE_SIZE, 6);
  Click(page, IDC_DISPLAY_HIDE_STATUS);
  const DiskBlocks disk = Reopen();
  EXPECT_EQ(U32(disk.blocks.skin, skin_block::kFlags) & skin_block::kLayoutMask, skin_block::kVerticalFromLeft);
  EXPECT_EQ(U32(disk.blocks.ime, ime_block::kImeFlags) & (0xC0 | 0x100), 0x80u | 0x100u);
  EXPECT_EQ(U32(disk.blocks.ime, ime_block::kCandidateOptions) >> 28, 7u);
}

TEST_F(DisplayPageTest, PreviewShowsThePictureBesideThePackageOnWhite) {
  InstallWithSkins([](ConfigBlocks& b) { WriteFieldText(b.skin, skin_block::kSkinName, 40, u"bb.col"); });
  HWND page = Create(kDisplayPage);
  ASSERT_NE(page, nullptr);
  // The page draws into a bitmap of ours, through the message the control sends.
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 20, 20);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(memory, bitmap);
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_STATIC;
  item.CtlID = IDC_DISPLAY_PREVIEW;
  item.hwndItem = GetDlgItem(page, IDC_DISPLAY_PREVIEW);
  item.hDC = memory;
  item.rcItem = RECT{0, 0, 20, 20};
  SendMessageW(page, WM_DRAWITEM, IDC_DISPLAY_PREVIEW, reinterpret_cast<LPARAM>(&item));
  const COLORREF centre = GetPixel(memory, 9, 9);
  const COLORREF corner = GetPixel(memory, 0, 0);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  // Red at alpha 0x80 over white.
  EXPECT_EQ(GetRValue(centre), 255);
  EXPECT_NEAR(GetGValue(centre), 127, 1);
  EXPECT_NEAR(GetBValue(centre), 127, 1);
  EXPECT_EQ(corner, GetSysColor(COLOR_BTNFACE));
}

// ---- page 4 ----

class SkinOptionsPageTest : public PagesTest {
 protected:
  void SetUp() override {
    PagesTest::SetUp();
    Install();
    base_ = U(temp_.path().wstring());
    host_.base_folder = base_;
  }
  TempFolder temp_;
  std::u16string base_;
};

TEST_F(SkinOptionsPageTest, PathShownAgainstTheBaseFolder) {
  const struct {
    std::u16string setting, shown;
  } cases[] = {{u"C:\\s", u"C:\\s"},
               {u"\\s", base_ + u"\\s"},
               {u"s", base_ + u"\\s"},
               {u"", u""},
               // A parent that fills the whole buffer without a terminator: the page reads 259 units.
               {u"C:" + std::u16string(258, u'x'), u"C:" + std::u16string(257, u'x')}};
  for (const auto& c : cases) {
    host_.setting = c.setting;
    host_.questions = 0;
    HWND page = Create(kSkinOptionsPage);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(host_.questions, 2);
    EXPECT_EQ(Text(page, IDC_SKIN_PATH), c.shown) << std::string(c.setting.begin(), c.setting.end());
    ASSERT_EQ(ops_->destroy(0), 1);
  }
}

TEST_F(SkinOptionsPageTest, AFolderListsItsSkinsAndAFileTheBuiltinOne) {
  for (const char* name : {"bb.col", "CC.COL", "x.txt"}) WriteFileBytes(temp_.path() / name, {1});
  host_.setting = base_;
  HWND page = Create(kSkinOptionsPage);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(Items(page, IDC_SKIN_DEFAULT), (std::vector<std::u16string>{u"bb.col", u"CC.COL"}));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_SKIN_DEFAULT)));
  Type(page, IDC_SKIN_PATH, base_ + u"\\bb.col");
  EXPECT_EQ(Items(page, IDC_SKIN_DEFAULT), (std::vector<std::u16string>{u"内置皮肤"}));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_SKIN_DEFAULT)));
  Click(page, IDC_SKIN_USE_BUILTIN);
  EXPECT_EQ(Text(page, IDC_SKIN_PATH), u"");
}

TEST_F(SkinOptionsPageTest, OkWritesTheFormAndHandsThePathBack) {
  WriteFileBytes(temp_.path() / "bb.col", {1});
  WriteFileBytes(temp_.path() / "cc.col", {1});
  host_.setting = u"";
  HWND page = Create(kSkinOptionsPage);
  ASSERT_NE(page, nullptr);
  Type(page, IDC_SKIN_PATH, base_);
  Choose(page, IDC_SKIN_DEFAULT, 1);
  Type(page, IDC_SKIN_VERTICAL_CODES, u"abcdef，xy");
  Click(page, IDC_SKIN_SHOW_NUMBERS);
  Choose(page, IDC_SKIN_EMBEDDING, 1);
  Choose(page, IDC_SKIN_CURSOR, 0);
  EXPECT_EQ(U32(Reopen().blocks.skin, skin_block::kVerticalPrefixCount), 0u);
  ASSERT_EQ(ops_->destroy(1), 1);
  ASSERT_EQ(host_.edited.size(), 1u);
  EXPECT_EQ(host_.edited[0], base_);
  const DiskBlocks disk = Reopen();
  const ByteView skin = disk.blocks.skin;
  EXPECT_EQ(U32(skin, skin_block::kVerticalPrefixCount), 2u);
  EXPECT_EQ(ReadFieldText(skin, skin_block::VerticalPrefixOffset(0), 5), u"abcd");
  EXPECT_EQ(ReadFieldText(skin, skin_block::VerticalPrefixOffset(1), 5), u"xy");
  EXPECT_EQ(ReadFieldText(skin, skin_block::kSkinName, 40), u"cc.col");
  EXPECT_EQ(ReadFieldText(skin, skin_block::kLastLoadedSkinName, 40), u"cc.col");
  EXPECT_EQ(U32(skin, skin_block::kFlags) & (0x1 | 0x300), 0x1u | 0x100u);
  EXPECT_EQ(U32(disk.blocks.ime, ime_block::kImeFlags) & ime_block::kInlineMask, ime_block::kInlineFirstCandidate);
}

// ---- the choosers, answered by a second thread that finds the dialog by its title ----

class DialogAnswer {
 public:
  DialogAnswer(const wchar_t* title, std::function<void(HWND)> act) {
    thread_ = std::thread([this, title, act] {
      for (int tries = 0; tries < 500 && !stop_; ++tries) {
        HWND dialog = FindWindowW(L"#32770", title);
        // The chooser shows itself once it is set up (the folder chooser's hook has run by then).
        if (dialog && IsWindowVisible(dialog)) {
          act(dialog);
          found_ = true;
          // A dialog that stays open is cancelled, so a failing case fails instead of waiting forever.
          for (int waits = 0; waits < 250 && IsWindow(dialog); ++waits) Sleep(20);
          if (IsWindow(dialog)) {
            stuck_ = true;
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
          }
          return;
        }
        Sleep(20);
      }
    });
  }
  ~DialogAnswer() {
    stop_ = true;
    thread_.join();
  }
  bool found() const { return found_; }
  bool stuck() const { return stuck_; }

 private:
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> found_{false};
  std::atomic<bool> stuck_{false};
};

TEST_F(SkinOptionsPageTest, CancelledFolderChooserLeavesThePath) {
  host_.setting = u"C:\\kept";
  HWND page = Create(kSkinOptionsPage);
  ASSERT_NE(page, nullptr);
  {
    DialogAnswer answer(L"选择皮肤目录", [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
    Click(page, IDC_SKIN_CHOOSE_FOLDER);
    EXPECT_TRUE(answer.found());
    EXPECT_FALSE(answer.stuck());
  }
  EXPECT_EQ(Text(page, IDC_SKIN_PATH), u"C:\\kept");
}

TEST_F(SkinOptionsPageTest, ChoosersReturnTheTypedFileAndTheShownFolder) {
  const std::u16string file = base_ + u"\\picked.col";
  WriteFileBytes(temp_.path() / "picked.col", {1});
  host_.setting = u"";
  HWND page = Create(kSkinOptionsPage);
  ASSERT_NE(page, nullptr);
  {
    DialogAnswer answer(L"选择皮肤文件", [&](HWND dialog) {
      HWND name_box = GetDlgItem(dialog, cmb13);
      if (!name_box) name_box = GetDlgItem(dialog, edt1);
      SetWindowTextW(name_box, W(file));
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    });
    Click(page, IDC_SKIN_CHOOSE_FILE);
    EXPECT_TRUE(answer.found());
    EXPECT_FALSE(answer.stuck());
  }
  EXPECT_EQ(Text(page, IDC_SKIN_PATH), file);
  EXPECT_EQ(Items(page, IDC_SKIN_DEFAULT), (std::vector<std::u16string>{u"内置皮肤"}));

  // The folder chooser starts where the file was found, and OK takes the folder it shows.
  std::u16string shown_folder;
  {
    DialogAnswer answer(L"选择皮肤目录", [&](HWND dialog) {
      wchar_t folder[MAX_PATH] = {};
      SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
      shown_folder = reinterpret_cast<const char16_t*>(folder);
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    });
    Click(page, IDC_SKIN_CHOOSE_FOLDER);
    EXPECT_TRUE(answer.found());
    EXPECT_FALSE(answer.stuck());
  }
  EXPECT_EQ(shown_folder, base_);
  EXPECT_EQ(Text(page, IDC_SKIN_PATH), base_);
  EXPECT_EQ(Items(page, IDC_SKIN_DEFAULT), (std::vector<std::u16string>{u"picked.col"}));
}

}  // namespace
}  // namespace lz::test
