// The candidates of a composition seen from both sides of the UI element manager: a host that draws
// them itself reads the page from the candidate-list UI element, and when the input method draws, its
// window follows the text through the element's layout sink; beside it, the dictionary window. The built
// library is activated on our TSF host (Wine's element manager answers BeginUIElement with E_NOTIMPL).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/import_patch.h"
#include "tests/support/tsf_host.h"
#include "tests/support/typing_fixture.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/product_class_identifier.h"
#include "textservice/engine/settings_store.h"
#include "textservice/windows/candidate_layout.h"
#include "textservice/windows/candidate_window_win32.h"
#include "textservice/tsf/tests/quenlith_library.h"
#include "textservice/windows/ui_state.h"

namespace lz::test {
namespace {

constexpr TfClientId kClient = 11;
constexpr int kWords = 23;
constexpr wchar_t kDictionaryClass[] = L"MVLZSKIN_DICT";
constexpr char16_t kLanguageName[] = u"蓝卓测试";

// Word i of the code "aa": U+4E00 + i, earlier words weighing more.
std::string WordUtf8(int i) {
  const char bytes[] = {'\xE4', '\xB8', static_cast<char>(0x80 + i), 0};
  return bytes;
}
std::u16string Word(int i) { return std::u16string(1, static_cast<char16_t>(0x4E00 + i)); }

struct Folder {
  bool dictionary = true;
  std::uint32_t extra_ime_flags = 0;
};

DataFolderContents ElementFolder(Folder f) {
  DataFolderContents contents;
  for (int i = 0; i < kWords; ++i) {
    contents.main.push_back({"aa", WordUtf8(i), RecordFlags(code_table::kClassSystem, static_cast<std::uint32_t>(40 - i))});
  }
  contents.main.push_back({"bb", "it's", RecordFlags(code_table::kClassSystem, 9)});
  if (f.dictionary) {
    std::vector<DictionaryBuildRecord> entries;
    for (int i = 0; i < kWords; ++i) {
      entries.push_back({WordUtf8(i), "brief " + std::to_string(i) + "\r\n \r\nthe longer part of " + std::to_string(i)});
    }
    entries.push_back({"it's", "a contraction"});
    contents.dict = entries;
  }
  contents.edit_blocks = [f](ConfigBlocks& blocks) {
    WriteTypicalScheme(blocks);
    WriteTypicalKeyBindings(blocks);
    blocks.ime.WriteU32(ime_block::kImeFlags, BlockU32(blocks.ime, ime_block::kImeFlags) | f.extra_ime_flags);
    WriteFieldText(blocks.soft, soft_block::kLanguageName, 64, kLanguageName);
  };
  return contents;
}

struct RecordedStart {
  std::wstring file;
  std::wstring parameters;
};
std::vector<RecordedStart> g_starts;

HINSTANCE WINAPI RecordShellExecute(HWND, LPCWSTR, LPCWSTR file, LPCWSTR parameters, LPCWSTR, INT) {
  g_starts.push_back(RecordedStart{file ? file : L"", parameters ? parameters : L""});
  return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
}

// The built library, active on a host that draws the candidates itself or lets the input method draw.
struct Session {
  InstalledProduct product;
  QuenlithLibrary library;
  HostThreadManager host;
  ITfTextInputProcessorEx* service = nullptr;
  HRESULT activated = E_FAIL;

  explicit Session(bool host_draws, Folder folder = {}) : product(ElementFolder(folder)) {
    BYTE keys[256] = {};
    SetKeyboardState(keys);
    host.host_draws_candidates = host_draws;
    EXPECT_NE(PatchImport(library.module(), "shell32.dll", "ShellExecuteW", reinterpret_cast<void*>(&RecordShellExecute)),
              nullptr);
    g_starts.clear();
    service = library.NewService();
    if (service) activated = service->ActivateEx(&host, kClient, 0);
    host.TakeKeyboardFocus();
  }
  ~Session() {
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
  void Press(UINT vk) {
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    host.DeliverKey(WM_KEYDOWN, vk, 1 | static_cast<LPARAM>(scan << 16));
    host.DeliverKey(WM_KEYUP, vk, 1 | static_cast<LPARAM>(scan << 16) | static_cast<LPARAM>(0xC0000000u));
    host.PumpKeys(1);
  }
  void Type(const std::string& keys) {
    for (char c : keys) {
      if (c >= 'a' && c <= 'z') Press(static_cast<UINT>(c - 'a' + 'A'));
      if (c == ' ') Press(VK_SPACE);
      if (c == '=') Press(VK_OEM_PLUS);
      if (c == '\x1b') Press(VK_ESCAPE);
    }
  }
  std::vector<UiElementCall::Kind> Calls() const {
    std::vector<UiElementCall::Kind> kinds;
    for (const UiElementCall& call : host.element_calls()) kinds.push_back(call.kind);
    return kinds;
  }
  ITfCandidateListUIElementBehavior* Element() const {
    ITfUIElement* live = host.live_element();
    ITfCandidateListUIElementBehavior* element = nullptr;
    if (live) live->QueryInterface(tsf::kIidCandidateListUIElementBehavior, reinterpret_cast<void**>(&element));
    return element;
  }
  int LayoutSinks() { return host.context().sinks().CountOf(tsf::kIidTextLayoutSink); }
};

HWND CandidateWindow() { return FindWindowW(kCandidateWindowClass, nullptr); }
HWND DictionaryWindow() { return FindWindowW(kDictionaryClass, nullptr); }

RECT WindowRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

std::u16string Text(BSTR text) {
  std::u16string out = text ? reinterpret_cast<const char16_t*>(text) : u"";
  SysFreeString(text);
  return out;
}

const UiElementCall::Kind kBegin = UiElementCall::kBegin;
const UiElementCall::Kind kUpdate = UiElementCall::kUpdate;
const UiElementCall::Kind kEnd = UiElementCall::kEnd;

// ---- a host that draws ----

TEST(HostDraws, BeginsAtTheFirstCandidatesUpdatesAtEveryKeyAndPageAndEndsAtTheCommit) {
  Session s(true);
  ASSERT_EQ(s.activated, S_OK);
  s.Type("a");
  // The element begins with the first candidates and tells the host at once what it holds.
  std::vector<UiElementCall::Kind> expected = {kBegin, kUpdate};
  if (s.Calls().empty()) expected.clear();  // a first key that lists nothing yet
  EXPECT_EQ(s.Calls(), expected);
  s.Type("a");
  if (expected.empty()) {
    expected = {kBegin, kUpdate};
  } else {
    expected.push_back(kUpdate);
  }
  EXPECT_EQ(s.Calls(), expected);
  EXPECT_EQ(CandidateWindow(), nullptr) << "the host draws: no window of the input method";
  s.Type("=");
  expected.push_back(kUpdate);
  EXPECT_EQ(s.Calls(), expected);
  s.Type(" ");
  expected.push_back(kEnd);
  EXPECT_EQ(s.Calls(), expected);
  EXPECT_EQ(s.host.live_element(), nullptr);
  EXPECT_EQ(CandidateWindow(), nullptr);
  EXPECT_EQ(s.host.text(), Word(5)) << "the first word of the second page";
}

TEST(HostDraws, TheElementAnswersThePageItShows) {
  Session s(true);
  ASSERT_EQ(s.activated, S_OK);
  s.Type("aa");
  ITfCandidateListUIElementBehavior* element = s.Element();
  ASSERT_NE(element, nullptr);
  for (int page = 0; page < 5; ++page) {
    SCOPED_TRACE(page);
    UINT count = 0, selection = 99, current = 99, pages = 0;
    EXPECT_EQ(element->GetCount(&count), S_OK);
    EXPECT_EQ(count, static_cast<UINT>(kWords));
    EXPECT_EQ(element->GetSelection(&selection), S_OK);
    EXPECT_EQ(selection, static_cast<UINT>(page * 5));
    EXPECT_EQ(element->GetCurrentPage(&current), S_OK);
    EXPECT_EQ(current, static_cast<UINT>(page));
    UINT starts[10] = {};
    EXPECT_EQ(element->GetPageIndex(starts, 10, &pages), S_OK);
    EXPECT_EQ(pages, 5u);
    EXPECT_EQ(std::vector<UINT>(starts, starts + 5), (std::vector<UINT>{0, 5, 10, 15, 20}));
    EXPECT_EQ(element->GetPageIndex(nullptr, 0, &pages), S_OK);
    EXPECT_EQ(pages, 5u);
    BSTR text = nullptr;
    EXPECT_EQ(element->GetString(static_cast<UINT>(page * 5 + 2), &text), S_OK);
    EXPECT_EQ(Text(text), page * 5 + 2 < kWords ? Word(page * 5 + 2) : u"");
    EXPECT_EQ(element->GetString(static_cast<UINT>((page + 1) % 5 * 5), &text), S_OK);
    EXPECT_EQ(Text(text), u"") << "an index on another page";
    s.Type("=");
  }
  BSTR description = nullptr;
  EXPECT_EQ(element->GetDescription(&description), S_OK);
  EXPECT_EQ(Text(description), kLanguageName);
  GUID guid{};
  EXPECT_EQ(element->GetGUID(&guid), S_OK);
  EXPECT_TRUE(IsEqualGUID(guid, ProductClsid()));
  BOOL shown = TRUE;
  EXPECT_EQ(element->IsShown(&shown), S_OK);
  EXPECT_FALSE(shown);
  DWORD flags = 0;
  EXPECT_EQ(element->GetUpdatedFlags(&flags), S_OK);
  EXPECT_EQ(flags, 63u);
  EXPECT_EQ(element->GetCount(nullptr), E_INVALIDARG);
  EXPECT_EQ(element->GetString(0, nullptr), E_INVALIDARG);
  EXPECT_EQ(element->GetPageIndex(nullptr, 0, nullptr), E_INVALIDARG);
  EXPECT_EQ(element->SetPageIndex(nullptr, 0), E_NOTIMPL);
  element->Release();
}

TEST(HostDraws, TheElementAnswersFiveInterfaces) {
  Session s(true);
  ASSERT_EQ(s.activated, S_OK);
  s.Type("aa");
  ITfUIElement* element = s.host.live_element();
  ASSERT_NE(element, nullptr);
  for (const GUID& iid : {IID_IUnknown, tsf::kIidUIElement, tsf::kIidCandidateListUIElement,
                          tsf::kIidCandidateListUIElementBehavior, tsf::kIidTextLayoutSink}) {
    IUnknown* answer = nullptr;
    EXPECT_EQ(element->QueryInterface(iid, reinterpret_cast<void**>(&answer)), S_OK);
    ASSERT_NE(answer, nullptr);
    answer->Release();
  }
  for (const GUID& iid : {tsf::kIidIntegratableCandidateListUIElement, IID_ITfContext, IID_ITfEditSession}) {
    IUnknown* answer = reinterpret_cast<IUnknown*>(0x1);
    EXPECT_EQ(element->QueryInterface(iid, reinterpret_cast<void**>(&answer)), E_NOINTERFACE);
    EXPECT_EQ(answer, nullptr);
  }
  EXPECT_EQ(element->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);
}

TEST(HostDraws, TheLibraryStaysWhileAHostHoldsTheElement) {
  Session s(true);
  ASSERT_EQ(s.activated, S_OK);
  s.Type("aa");
  ITfCandidateListUIElementBehavior* element = s.Element();
  ASSERT_NE(element, nullptr);
  s.Deactivate();
  EXPECT_EQ(s.host.live_element(), nullptr) << "deactivation ended the element";
  s.service->Release();
  s.service = nullptr;
  EXPECT_EQ(s.library.CanUnloadNow(), S_FALSE);
  // Its service gone, the element answers as one without an engine, writing every output.
  UINT count = 7;
  EXPECT_EQ(element->GetCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  BSTR text = reinterpret_cast<BSTR>(0x1);
  EXPECT_EQ(element->GetString(0, &text), E_FAIL);
  EXPECT_EQ(text, nullptr);
  GUID guid = ProductClsid();
  EXPECT_EQ(element->GetGUID(&guid), S_OK);
  EXPECT_TRUE(IsEqualGUID(guid, GUID_NULL));
  element->Release();
  EXPECT_EQ(s.library.CanUnloadNow(), S_OK);
}

// ---- the input method draws ----

TEST(OwnWindow, TheHostHearsBeginAndEndAtOnceAndTheWindowOpensUnderTheText) {
  Session s(false);
  ASSERT_EQ(s.activated, S_OK);
  s.host.context().view().text_extent = RECT{100, 100, 120, 120};
  s.Type("aa");
  const std::vector<UiElementCall>& calls = s.host.element_calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].kind, kBegin);
  EXPECT_EQ(calls[1].kind, kEnd);
  EXPECT_EQ(calls[1].id, calls[0].id);
  HWND window = CandidateWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindowVisible(window));
  // The caret point is the text's corner 2 px down, the window goes 2 px under the caret's height, moved
  // by the skin's own offset of the window.
  const auto* engine = reinterpret_cast<const EngineInstance*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  ASSERT_NE(engine, nullptr);
  const CandidateLayout* layout = engine->ui->candidate.layout.layout;
  const int offset_x = layout ? layout->embedded_offset.x : 0;
  const int offset_y = layout ? layout->embedded_offset.y : 0;
  const RECT at = WindowRect(window);
  EXPECT_EQ(at.left, 100 + offset_x);
  EXPECT_EQ(at.top, 124 + offset_y) << "under the text's bottom";
  EXPECT_GE(at.top, 120);
  EXPECT_EQ(s.LayoutSinks(), 1);
}

TEST(OwnWindow, FollowsTheCaretPastFivePixelsAndTheDocumentWindow) {
  Session s(false);
  ASSERT_EQ(s.activated, S_OK);
  HostView& view = s.host.context().view();
  view.text_extent = RECT{100, 100, 120, 120};
  s.Type("aa");
  HWND window = CandidateWindow();
  ASSERT_NE(window, nullptr);
  const RECT start = WindowRect(window);

  view.text_extent = RECT{103, 100, 123, 120};
  s.host.context().FireLayoutChange(tsf::TF_LC_CHANGE);
  EXPECT_EQ(WindowRect(window).left, start.left) << "3 px sideways: the window stays";
  view.text_extent = RECT{106, 100, 126, 120};
  s.host.context().FireLayoutChange(tsf::TF_LC_CHANGE);
  EXPECT_EQ(WindowRect(window).left, start.left + 6) << "6 px: it follows";

  // The document window moves and the text with it.
  const RECT host_before = WindowRect(s.host.window());
  SetWindowPos(s.host.window(), nullptr, host_before.left + 50, host_before.top + 30, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  view.text_extent = RECT{156, 130, 176, 150};
  s.host.context().FireLayoutChange(tsf::TF_LC_CHANGE);
  const RECT moved = WindowRect(window);
  EXPECT_EQ(moved.left, start.left + 56);
  EXPECT_EQ(moved.top, start.top + 30);
  SetWindowPos(s.host.window(), nullptr, host_before.left, host_before.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TEST(OwnWindow, ADestroyedLayoutEndsTheElementAndGivesTheContextBack) {
  Session s(false);
  ASSERT_EQ(s.activated, S_OK);
  HostContext& context = s.host.context();
  const LONG context_references = context.references();
  s.Type("aa");
  ASSERT_EQ(s.LayoutSinks(), 1);
  ASSERT_NE(CandidateWindow(), nullptr);
  context.FireLayoutChange(tsf::TF_LC_DESTROY);
  EXPECT_EQ(s.LayoutSinks(), 0);
  EXPECT_EQ(CandidateWindow(), nullptr);
  s.Type("\x1b");
  EXPECT_EQ(context.compositions().size(), 0u);
  EXPECT_EQ(context.references(), context_references);
  EXPECT_EQ(context.view().references(), 1);
}

TEST(OwnWindow, AfterDeactivateNoElementRemains) {
  for (bool host_draws : {false, true}) {
    SCOPED_TRACE(host_draws);
    Session s(host_draws);
    ASSERT_EQ(s.activated, S_OK);
    s.Type("aa");
    s.Deactivate();
    EXPECT_EQ(s.host.live_element(), nullptr);
    EXPECT_EQ(s.LayoutSinks(), 0);
    EXPECT_EQ(CandidateWindow(), nullptr);
    if (host_draws) {
      EXPECT_EQ(s.Calls().back(), kEnd);
    }
  }
}

// ---- the dictionary window ----

// The candidate window of a session and the client point at the middle of a slot.
struct Slots {
  HWND window = nullptr;
  const EngineInstance* engine = nullptr;
  explicit Slots(HWND w) : window(w) {
    engine = w ? reinterpret_cast<const EngineInstance*>(GetWindowLongPtrW(w, GWLP_USERDATA)) : nullptr;
  }
  LPARAM Middle(int slot) const {
    const SlotRect box = CandidateSlotRect(engine->ui->candidate.layout, slot);
    return MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2);
  }
  const SkinHitRegion& WordRegion(int slot) const {
    return engine->ui->candidate.layout.regions[static_cast<std::size_t>(candidate_region::kFirstWord + slot)];
  }
};

std::wstring RichEditText(HWND dictionary) {
  HWND edit = FindWindowExW(dictionary, nullptr, L"RichEdit20W", nullptr);
  wchar_t text[256] = {};
  if (edit) SendMessageW(edit, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
  return text;
}

TEST(Dictionary, HoverOpensTheBriefBesideTheCandidateAndLeavingClosesIt) {
  Session s(false);
  ASSERT_EQ(s.activated, S_OK);
  s.Type("aa");
  const Slots slots(CandidateWindow());
  ASSERT_NE(slots.engine, nullptr);
  SendMessageW(slots.window, WM_MOUSEHOVER, 0, slots.Middle(2));
  HWND dictionary = DictionaryWindow();
  ASSERT_NE(dictionary, nullptr);
  EXPECT_TRUE(IsWindowVisible(dictionary));
  wchar_t title[32] = {};
  GetWindowTextW(dictionary, title, 32);
  EXPECT_STREQ(title, L"public_dict");
  EXPECT_EQ(RichEditText(dictionary), L"brief 2");
  const RECT candidate = WindowRect(slots.window);
  const RECT at = WindowRect(dictionary);
  if (slots.engine->ui->candidate.layout.style != CandidateStyle::kVertical) {
    EXPECT_EQ(at.left, candidate.left + slots.WordRegion(2).x - 10);
    EXPECT_EQ(at.top, candidate.bottom + 5);
  }

  // Another slot under a moving mouse while the window is open shows that candidate's entry.
  SendMessageW(slots.window, WM_MOUSEMOVE, 0, slots.Middle(4));
  EXPECT_EQ(RichEditText(DictionaryWindow()), L"brief 4");

  SendMessageW(slots.window, WM_MOUSELEAVE, 0, 0);
  ASSERT_TRUE(IsWindow(dictionary)) << "closing waits for the timer";
  SendMessageW(dictionary, WM_TIMER, 1, 0);
  EXPECT_FALSE(IsWindow(dictionary));
  EXPECT_EQ(DictionaryWindow(), nullptr);
}

TEST(Dictionary, TheLinkStartsTheConfigurationProgramWithTheWordWithoutQuotes) {
  Session s(false);
  ASSERT_EQ(s.activated, S_OK);
  s.Type("bb");
  const Slots slots(CandidateWindow());
  ASSERT_NE(slots.engine, nullptr);
  SendMessageW(slots.window, WM_MOUSEHOVER, 0, slots.Middle(0));
  HWND dictionary = DictionaryWindow();
  ASSERT_NE(dictionary, nullptr);
  EXPECT_EQ(RichEditText(dictionary), L"a contraction");
  RECT client{};
  GetClientRect(dictionary, &client);
  const LPARAM link = MAKELPARAM(10, client.bottom - 10);
  SendMessageW(dictionary, WM_LBUTTONDOWN, MK_LBUTTON, link);
  SendMessageW(dictionary, WM_LBUTTONUP, 0, link);
  ASSERT_EQ(g_starts.size(), 1u);
  const std::wstring folder = reinterpret_cast<const wchar_t*>(slots.engine->install_folder);
  EXPECT_EQ(g_starts[0].file, folder + L"config.exe");
  EXPECT_TRUE(g_starts[0].file.ends_with(L"\\config.exe"));
  EXPECT_EQ(g_starts[0].parameters, std::wstring(L"/n ") + LZ_PRODUCT_CLASS_IDENTIFIER_W + L" /dict 'its'");

  // A release outside the strip starts nothing.
  SendMessageW(dictionary, WM_LBUTTONDOWN, MK_LBUTTON, link);
  SendMessageW(dictionary, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(g_starts.size(), 1u);
}

TEST(Dictionary, DraggingTheCornerResizesTheWindowAndTheRichEdit) {
  Session s(false);
  ASSERT_EQ(s.activated, S_OK);
  s.Type("aa");
  const Slots slots(CandidateWindow());
  ASSERT_NE(slots.engine, nullptr);
  SendMessageW(slots.window, WM_MOUSEHOVER, 0, slots.Middle(0));
  HWND dictionary = DictionaryWindow();
  ASSERT_NE(dictionary, nullptr);
  const RECT before = WindowRect(dictionary);
  const int width = before.right - before.left;
  const int height = before.bottom - before.top;
  SendMessageW(dictionary, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(width - 5, height - 5));
  SendMessageW(dictionary, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(width + 35, height + 25));
  SendMessageW(dictionary, WM_LBUTTONUP, 0, MAKELPARAM(width + 35, height + 25));
  const RECT after = WindowRect(dictionary);
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.right - after.left, width + 40);
  EXPECT_EQ(after.bottom - after.top, height + 30);
  const RECT edit = WindowRect(FindWindowExW(dictionary, nullptr, L"RichEdit20W", nullptr));
  EXPECT_EQ(edit.right - edit.left, width + 40 - 16);
  EXPECT_EQ(edit.bottom - edit.top, height + 30 - 38);
}

TEST(Dictionary, NeverOpensWithHoverTurnedOffOrWithoutTheTable) {
  for (Folder folder : {Folder{true, ime_block::kNoHoverDictionary}, Folder{false, 0}}) {
    SCOPED_TRACE(folder.dictionary);
    Session s(false, folder);
    ASSERT_EQ(s.activated, S_OK);
    s.Type("aa");
    const Slots slots(CandidateWindow());
    ASSERT_NE(slots.engine, nullptr);
    SendMessageW(slots.window, WM_MOUSEHOVER, 0, slots.Middle(1));
    EXPECT_EQ(DictionaryWindow(), nullptr);
  }
}

}  // namespace
}  // namespace lz::test
