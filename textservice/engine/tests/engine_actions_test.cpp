#include "textservice/engine/engine_actions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os/help_viewer.h"
#include "platform/os/key_sender.h"
#include "platform/os/message_box.h"
#include "platform/os/program_start.h"
#include "platform/os/system_info.h"
#include "textservice/engine/candidate_list.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/key_names.h"
#include "textservice/engine/punctuation.h"
#include "textservice/engine/scheme_text.h"
#include "textservice/engine/tests/candidate_fixture.h"
#include "textservice/engine/word_building.h"

namespace lz {
namespace {

using namespace code_table;
using test::ListSettings;
using test::RecordFlags;
using test::SystemWord;
using test::TableRecord;
using test::Utf8;

// Everything the engine asked of the system while a recorder was in place.
struct SystemRequests {
  std::vector<os::ProgramStart> starts;
  std::vector<os::HelpRequest> help;
  std::vector<os::MessageBoxRequest> boxes;
  std::vector<std::string> keys;
  int answer = os::kAnswerNo;
};

class RecordedSystem {
 public:
  RecordedSystem() {
    os::SetProgramStartSink([](const os::ProgramStart& s, void* c) { static_cast<SystemRequests*>(c)->starts.push_back(s); },
                            &requests);
    os::SetHelpSink([](const os::HelpRequest& h, void* c) { static_cast<SystemRequests*>(c)->help.push_back(h); },
                    &requests);
    os::SetMessageBoxResponder(
        [](const os::MessageBoxRequest& b, void* c) {
          auto* r = static_cast<SystemRequests*>(c);
          r->boxes.push_back(b);
          return r->answer;
        },
        &requests);
    os::SetKeySink(
        [](const os::KeyEvent& k, void* c) {
          static_cast<SystemRequests*>(c)->keys.push_back(std::to_string(k.virtual_key) +
                                                          ((k.flags & os::kKeyEventUp) ? "^" : "v"));
        },
        &requests);
  }
  ~RecordedSystem() {
    os::SetProgramStartSink(nullptr, nullptr);
    os::SetHelpSink(nullptr, nullptr);
    os::SetMessageBoxResponder(nullptr, nullptr);
    os::SetKeySink(nullptr, nullptr);
  }
  SystemRequests requests;
};

std::vector<TableRecord> ThreeWords(std::uint32_t second_class = kClassSystem, std::uint32_t first_bits = 0) {
  return {{"ab", "W1", RecordFlags(kClassSystem, 49, first_bits)},
          {"ab", "W2", RecordFlags(second_class, 48)},
          {"ab", "W3", SystemWord(47)}};
}

// The listed words as "text:order" with their flag bits 0-1 and class when set, in list order.
std::vector<std::string> ListedRecords(const EngineInstance* e) {
  std::vector<std::string> out;
  for (int i = 0; i < e->candidate_count; ++i) {
    const std::uint8_t* r = e->candidates[i].record;
    const std::uint32_t flags = r[0] | r[1] << 8 | r[2] << 16 | static_cast<std::uint32_t>(r[3]) << 24;
    char16_t text[kPageTextUnits];
    CandidateText(e->candidates[i], e, text);
    std::string item = Utf8(text) + ":" + std::to_string(OrderValue(flags));
    if (flags & kFlagDeleted) item += " deleted";
    if (flags & kFlagPinned) item += " pinned";
    if (RecordClass(flags) != kClassSystem) item += " class" + std::to_string(RecordClass(flags));
    out.push_back(item);
  }
  return out;
}

// The records after menu commands on page slots, in the order the list had before them.
std::vector<std::string> AfterMenuCommands(std::vector<std::pair<int, int>> slot_commands,
                                           std::vector<TableRecord> words = ThreeWords()) {
  test::InstalledEngine engine(test::ListFolder({}, std::move(words)));
  EngineInstance* e = engine.get();
  test::Type(e, "ab");
  for (auto [slot, command] : slot_commands) EXPECT_EQ(CandidateMenuCommand(e, nullptr, slot, command), 1);
  return ListedRecords(e);
}

TEST(EngineActions, MenuCommandsMoveAndMarkWords) {
  using Records = std::vector<std::string>;
  struct Case {
    const char* name;
    std::vector<std::pair<int, int>> commands;
    Records expected;
    std::vector<TableRecord> words = ThreeWords();
  };
  const std::vector<Case> cases = {
      {"nothing", {}, {"W1:49", "W2:48", "W3:47"}},
      {"1 exchanges with the one before", {{1, 1}}, {"W1:48", "W2:49", "W3:47"}},
      {"1 at the group start does nothing", {{0, 1}}, {"W1:49", "W2:48", "W3:47"}},
      {"2 exchanges with the one after", {{1, 2}}, {"W1:49", "W2:47", "W3:48"}},
      {"2 at the group end does nothing", {{2, 2}}, {"W1:49", "W2:48", "W3:47"}},
      {"3 takes the group start's order value", {{2, 3}}, {"W1:48", "W2:47", "W3:49"}},
      {"3 on the first member does nothing", {{0, 3}}, {"W1:49", "W2:48", "W3:47"}},
      {"4 takes the group end's order value", {{0, 4}}, {"W1:47", "W2:49", "W3:48"}},
      {"5 pins", {{1, 5}}, {"W1:49", "W2:48 pinned", "W3:47"}},
      {"5 twice unpins", {{1, 5}, {1, 5}}, {"W1:49", "W2:48", "W3:47"}},
      {"6 makes class 1 class 3", {{1, 6}}, {"W1:49", "W2:48 class3", "W3:47"}},
      {"6 twice on class 1 gives class 1", {{1, 6}, {1, 6}}, {"W1:49", "W2:48", "W3:47"}},
      {"6 makes class 2 class 3", {{1, 6}}, {"W1:49", "W2:48 class3", "W3:47"}, ThreeWords(kClassUser)},
      {"6 twice on class 2 gives class 1", {{1, 6}, {1, 6}}, {"W1:49", "W2:48", "W3:47"}, ThreeWords(kClassUser)},
      {"7 deletes", {{2, 7}}, {"W1:49", "W2:48", "W3:47 deleted"}},
      {"a pinned neighbour is not of the group", {{1, 1}}, {"W1:49 pinned", "W2:48", "W3:47"},
       ThreeWords(kClassSystem, kFlagPinned)},
      {"an empty place", {{4, 1}, {4, 7}}, {"W1:49", "W2:48", "W3:47"}},
      {"commands outside 1..9", {{1, 0}, {1, 10}}, {"W1:49", "W2:48", "W3:47"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(AfterMenuCommands(c.commands, c.words), c.expected);
  }
}

TEST(EngineActions, MenuShowsWordInformationAndLooksWordsUpOnline) {
  RecordedSystem system;
  test::InstalledEngine engine(
      test::ListFolder({}, {{"ab", "W1", SystemWord(49, kFlagPinned)}, {"ab", "中 a&b=c", RecordFlags(kClassUser, 48)}}));
  EngineInstance* e = engine.get();
  test::Type(e, "ab");
  CandidateMenuCommand(e, nullptr, 1, menu_command::kInformation);
  CandidateMenuCommand(e, nullptr, 0, menu_command::kInformation);
  e->mode |= mode::kSecondaryRetry;
  CandidateMenuCommand(e, nullptr, 0, menu_command::kInformation);
  CandidateMenuCommand(e, nullptr, 1, menu_command::kOnlineLookup);
  const auto& boxes = system.requests.boxes;
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].caption, u"词条信息 - 中 a&b=c");
  EXPECT_EQ(boxes[0].style, os::kBoxIconInformation);
  EXPECT_EQ(boxes[0].text,
            u"当前检索码表: 主码表  (可使用“码表切换键”切换至次显码表)\r\n编码: ab\r\n词条: 中 a&b=c\r\n\r\n"
            u"是否固顶词条: 否\r\n分类: 用户码表\r\n");
  EXPECT_EQ(boxes[1].text,
            u"当前检索码表: 主码表  (可使用“码表切换键”切换至次显码表)\r\n编码: ab\r\n词条: W1\r\n\r\n"
            u"是否固顶词条: 是\r\n分类: 主码表\r\n");
  EXPECT_EQ(boxes[2].text.substr(0, 12), u"当前检索码表: 次显码表");
  ASSERT_EQ(system.requests.starts.size(), 1u);
  EXPECT_EQ(system.requests.starts[0].file, std::u16string(kOnlineDictionaryPage) + u"%E4%B8%AD%20a%26b%3Dc");
}

struct Prompted {
  std::u16string text;
  std::string record;
};

// The prompt for the last committed word and the record after answering it.
Prompted AfterDeletePrompt(std::uint8_t last_kind, const char16_t* text, bool deleted_before, int answer) {
  RecordedSystem system;
  system.requests.answer = answer;
  test::InstalledEngine engine(
      test::ListFolder({}, {{"ab", "W1", SystemWord(49)}, {"ab", "W2", SystemWord(48, deleted_before ? kFlagDeleted : 0)}}));
  EngineInstance* e = engine.get();
  e->last_word.kind = last_kind;
  CodeToTableString(e->last_word.code, u"ab", sizeof e->last_word.code);
  WideToTableString(sizeof e->last_word.text, e->last_word.text, text);
  EXPECT_EQ(ConfirmDeleteLastWord(e, nullptr), 1);
  for (const auto& box : system.requests.boxes) {
    EXPECT_EQ(box.caption, u"操作提示");
    EXPECT_EQ(box.style, os::kBoxIconQuestion | os::kBoxYesNo);
  }
  // Deleted words are not listed: read the flags from the table.
  std::string record;
  TableRange range;
  FindCodeRange(e->files.main, range, e->last_word.code);
  for (std::int32_t i = range.first; i < range.end; ++i) {
    CodeTableRecord r;
    if (RecordAt(e->files.main, i, r) && r.text_length == 2 && r.text[1] == '2') {
      record = (r.flags & kFlagDeleted) ? "deleted" : "kept";
    }
  }
  return {system.requests.boxes.empty() ? u"" : system.requests.boxes[0].text, record};
}

TEST(EngineActions, TheLastWordIsDeletedOrRestoredOnYes) {
  struct Case {
    const char* name;
    std::uint8_t kind;
    const char16_t* text;
    bool deleted_before;
    int answer;
    std::u16string prompt;
    std::string record;
  };
  const std::u16string ask = u"编码: ab\r\n词条: W2\r\n\r\n是否删除这个词条?";
  const std::u16string undo = u"编码: ab\r\n词条: W2\r\n\r\n该词条已被删除，是否取消删除?";
  const std::vector<Case> cases = {
      {"yes deletes", kind::kMain, u"W2", false, os::kAnswerYes, ask, "deleted"},
      {"no keeps", kind::kMain, u"W2", false, os::kAnswerNo, ask, "kept"},
      {"yes restores a deleted word", kind::kMain, u"W2", true, os::kAnswerYes, undo, "kept"},
      {"a temporary word is not asked about", kind::kTemporary, u"W2", false, os::kAnswerYes, u"", "kept"},
      {"a word no longer in the table", kind::kMain, u"W9", false, os::kAnswerYes, u"", "kept"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Prompted p = AfterDeletePrompt(c.kind, c.text, c.deleted_before, c.answer);
    EXPECT_EQ(p.text, c.prompt);
    EXPECT_EQ(p.record, c.record);
  }
}

// The delete prompt after committing the first candidate of each input in turn; empty when none shows.
std::u16string DeletePromptAfterCommitting(const std::vector<std::string>& inputs) {
  RecordedSystem system;
  ListSettings settings;
  settings.english_lead = ';';
  test::InstalledEngine engine(test::ListFolder(settings, {{"ab", "W1", SystemWord(1)}, {"cd", "W2", SystemWord(1)}}));
  EngineInstance* e = engine.get();
  for (const std::string& input : inputs) {
    ResetInput(e);
    test::Type(e, input);
    EXPECT_GT(e->page_item_count, 0) << input;
    AfterCommit(e, 1);
  }
  EXPECT_EQ(ConfirmDeleteLastWord(e, nullptr), 1);
  return system.requests.boxes.empty() ? u"" : system.requests.boxes[0].text;
}

TEST(EngineActions, TheDeletePromptNamesOnlyTheWordJustCommitted) {
  struct Case {
    const char* name;
    std::vector<std::string> inputs;
    std::u16string prompt;
  };
  const std::vector<Case> cases = {
      {"a main-table word", {"ab"}, u"编码: ab\r\n词条: W1\r\n\r\n是否删除这个词条?"},
      {"the later of two words", {"ab", "cd"}, u"编码: cd\r\n词条: W2\r\n\r\n是否删除这个词条?"},
      {"a generated reading after a word leaves nothing to delete", {"ab", ";12"}, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DeletePromptAfterCommitting(c.inputs), c.prompt);
  }
}

TEST(EngineActions, ConfigAndHelpStartWithTheirCommandLines) {
  RecordedSystem system;
  test::InstalledEngine engine(test::ListFolder({}, {}));
  EngineInstance* e = engine.get();
  const std::u16string id = e->class_id_text;
  const std::u16string key = engine.folder().RegistryKey();
  os::SetMachineString(key.c_str(), u"InstallLocation", u"C:\\Lanzo");
  const std::u16string folder = e->install_folder;

  EXPECT_EQ(LaunchConfig(nullptr, u"/do keys", e), 1);
  os::SetMachineString(key.c_str(), u"InstallLocation", u"C:\\Lanzo\\");
  LaunchConfig(nullptr, u"", e);
  os::DeleteMachineValue(key.c_str(), u"InstallLocation");
  LaunchConfig(nullptr, u"/do x", e);
  os::SetMachineString(key.c_str(), u"InstallLocation", u"C:\\Lanzo");
  EXPECT_EQ(OpenHelp(480, e, u"keys.htm", 640), 1);
  OpenHelp(0, e, u"keys.htm", 640);
  OpenHelp(480, e, u"", 0);

  struct Start {
    std::u16string file;
    std::u16string parameters;
  };
  const std::vector<Start> expected = {
      {u"C:\\Lanzo\\config.exe", u"/n " + id + u" /do keys"},
      {u"C:\\Lanzo\\config.exe", u"/n " + id + u" "},
      {u"config.exe", u"/n " + id + u" /do x"},
      {u"C:\\Lanzo\\config.exe", u"/n " + id + u" /showurl 'mk:@MSITStore:" + folder +
                                     u"main.chm::/keys.htm' /showurlCX 640 /showurlCY 480"},
      {folder + u"main.chm", u""},
  };
  const auto& starts = system.requests.starts;
  ASSERT_EQ(starts.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(starts[i].file, expected[i].file);
    EXPECT_EQ(starts[i].parameters, expected[i].parameters);
    EXPECT_EQ(starts[i].folder, u"");
  }
  ASSERT_EQ(system.requests.help.size(), 1u);
  EXPECT_EQ(system.requests.help[0].file, folder + u"main.chm");
  EXPECT_EQ(system.requests.help[0].topic, u"keys.htm");
}

TEST(EngineActions, BackspacesEndWithTheErasureKey) {
  struct Case {
    int n;
    std::vector<std::string> keys;
  };
  const std::vector<Case> cases = {
      {3, {"8v", "8^", "8v", "8^", "8v", "8^", "136v", "136^"}},
      {0, {"136v", "136^"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    RecordedSystem system;
    test::InstalledEngine engine(test::ListFolder({}, {}));
    EXPECT_EQ(SendBackspaces(engine.get(), c.n), 0);
    EXPECT_EQ(engine->current_key.reinput, 1);
    EXPECT_EQ(system.requests.keys, c.keys);
  }
}

TEST(EngineActions, EditKeysMoveTheCursorAndQueryAgain) {
  struct Case {
    const char* name;
    int cursor;
    int key;
    int result;
    std::string keys;
    int cursor_after;
  };
  const std::vector<Case> cases = {
      {"left at 0", 0, edit_key::kLeft, 2, "abc", 0},
      {"right at the end", 3, edit_key::kRight, 2, "abc", 3},
      {"left", 2, edit_key::kLeft, 2, "abc", 1},
      {"right", 1, edit_key::kRight, 2, "abc", 2},
      {"home", 2, edit_key::kHome, 2, "abc", 0},
      {"end", 1, edit_key::kEnd, 2, "abc", 3},
      {"backspace at 0", 0, edit_key::kBack, 2, "abc", 0},
      {"backspace", 2, edit_key::kBack, 2, "ac", 1},
      {"delete at the end", 3, edit_key::kDelete, 2, "abc", 3},
      {"delete", 0, edit_key::kDelete, 2, "bc", 0},
      {"not an edit key", 1, 0x41, 0, "abc", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::InstalledEngine engine(test::ListFolder({}, {{"abc", "W", SystemWord(1)}, {"ac", "V", SystemWord(1)},
                                                        {"bc", "U", SystemWord(1)}}));
    EngineInstance* e = engine.get();
    test::Type(e, "abc");
    e->cursor = c.cursor;
    e->candidate_count = 0;
    EXPECT_EQ(HandleEditKey(c.key, e), c.result);
    EXPECT_EQ(Utf8(e->keys), c.keys);
    EXPECT_EQ(e->key_count, static_cast<int>(c.keys.size()));
    EXPECT_EQ(e->cursor, c.cursor_after);
    if (c.result) {
      EXPECT_EQ(e->candidate_count, 1) << "queried again";
    }
  }
}

TEST(EngineActions, ModeSwitches) {
  struct Case {
    const char* name;
    int (*action)(EngineInstance*);
    std::uint32_t mode_before;
    std::uint32_t ime_before;
    std::uint32_t state;  // ime +56
    std::uint32_t mode_after;
    std::uint32_t ime_after;
  };
  const std::uint32_t kMain = ime_block::kSchemeMain;
  const std::uint32_t kAux = ime_block::kSchemeAuxiliary;
  const auto toggle = [](EngineInstance* e) { return ToggleInputScheme(e); };
  const auto open = [](EngineInstance* e) { return SetImeOpen(e, true); };
  const auto close = [](EngineInstance* e) { return SetImeOpen(e, false); };
  const auto chinese = [](EngineInstance* e) { return SetChineseMode(e, true); };
  const auto english = [](EngineInstance* e) { return SetChineseMode(e, false); };
  const auto traditional = [](EngineInstance* e) { return SetTraditionalOutput(e, true); };
  const auto simplified = [](EngineInstance* e) { return SetSimplifiedOutput(e, true); };
  const std::uint32_t kTrad = ime_block::kTraditionalOutput;
  const std::uint32_t kSimp = ime_block::kSimplifiedOutput;
  const std::vector<Case> cases = {
      {"main alone gets the auxiliary scheme", toggle, 0, kMain, 0, 0, kMain | kAux},
      {"main and auxiliary lose it", toggle, 0, kMain | kAux, 0, 0, kMain},
      {"no scheme gets both", toggle, 0, 0, 0, 0, kMain | kAux},
      {"opening gives English punctuation", open, mode::kClosed | mode::kEnglish, 0, 0, mode::kEnglishPunctuation, 0},
      {"opening with Chinese punctuation", open, mode::kClosed | mode::kEnglishPunctuation, 0,
       ime_block::kStateChinesePunctuation, 0, 0},
      {"closing", close, 0, 0, 0, mode::kClosed | mode::kEnglishPunctuation, 0},
      {"Chinese", chinese, mode::kEnglish | mode::kClosed, 0, ime_block::kStateChinesePunctuation, 0, 0},
      {"English", english, mode::kFullWidth, 0, 0, mode::kFullWidth | mode::kEnglish | mode::kEnglishPunctuation, 0},
      {"traditional output ends simplified output", traditional, 0, kSimp, 0, 0, kTrad},
      {"simplified output", simplified, 0, kTrad, 0, 0, kTrad | kSimp},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::InstalledEngine engine(test::ListFolder({}, {}));
    EngineInstance* e = engine.get();
    e->mode = c.mode_before;
    e->blocks.ime.WriteU32(ime_block::kImeFlags, c.ime_before);
    e->blocks.ime.WriteU32(ime_block::kInitialState, c.state);
    EXPECT_EQ(c.action(e), 1);
    std::uint32_t ime = 0;
    e->blocks.ime.ReadU32(ime_block::kImeFlags, ime);
    EXPECT_EQ(e->mode, c.mode_after);
    EXPECT_EQ(ime, c.ime_after);
  }
}

// What the punctuation keys give in the instance, as the key handling types them.
std::u16string TypePunctuation(EngineInstance* e, const std::u16string& keys) {
  char16_t out[64];
  TranslatePunctuation(out, 64, e->blocks.ime, e->punctuation_pairs, keys.c_str(), false);
  return out;
}

TEST(EngineActions, ClosingOrEnglishStartsPunctuationPairsAgain) {
  struct Case {
    const char* name;
    int (*off)(EngineInstance*);
    int (*on)(EngineInstance*);
  };
  const Case cases[] = {
      {"closing", [](EngineInstance* e) { return SetImeOpen(e, false); }, [](EngineInstance* e) { return SetImeOpen(e, true); }},
      {"English", [](EngineInstance* e) { return SetChineseMode(e, false); },
       [](EngineInstance* e) { return SetChineseMode(e, true); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::InstalledEngine engine(test::ListFolder({}, {}));
    EngineInstance* e = engine.get();
    ReadPunctuationText(e->blocks.ime, u"\"", u"“,”");
    ReadPunctuationText(e->blocks.ime, u"<", u"《〈");
    ReadPunctuationText(e->blocks.ime, u">", u"〉》");
    const std::vector<std::uint8_t> shared(e->blocks.ime.data, e->blocks.ime.data + e->blocks.ime.size);
    EXPECT_EQ(TypePunctuation(e, u"\"<"), u"“《");
    c.off(e);
    c.on(e);
    EXPECT_EQ(TypePunctuation(e, u"\"<>\""), u"“《》”");
    // The pairs are the instance's: the shared settings are as they were.
    EXPECT_EQ(std::vector<std::uint8_t>(e->blocks.ime.data, e->blocks.ime.data + e->blocks.ime.size), shared);
  }
}

// A folder whose English table completes "ab" twice, with ";" as the temporary-English lead key.
test::DataFolderContents EnglishFolder(bool english_table) {
  ListSettings settings;
  settings.english_lead = ';';
  test::DataFolderContents contents = test::ListFolder(settings, {{"ab", "AB", SystemWord(1)}});
  if (english_table) {
    contents.engl = std::vector<TableRecord>{
        {"about", "about", SystemWord(1)}, {"able", "able", SystemWord(1)}, {"bee", "bee", SystemWord(1)}};
  }
  return contents;
}

// An English table where "cat" is a word and the start of longer ones, in small letters and capitals.
test::DataFolderContents CatFolder() {
  ListSettings settings;
  settings.english_lead = ';';
  settings.page_size = 10;
  test::DataFolderContents contents = test::ListFolder(settings, {{"ab", "AB", SystemWord(1)}});
  contents.engl = std::vector<TableRecord>{
      {"cataclysm", "cataclysm", SystemWord(1)}, {"cat", "cat", SystemWord(1)},   {"catch", "catch", SystemWord(1)},
      {"cats", "cats", SystemWord(1)},           {"CATV", "CATV", SystemWord(1)}, {"dog", "dog", SystemWord(1)}};
  return contents;
}

TEST(EngineActions, EnglishInputListsTheTypedWordFirstThenItsContinuations) {
  struct Case {
    const char* name;
    std::string keys;
    std::uint32_t mode;
    std::vector<std::string> page;
  };
  const std::vector<Case> cases = {
      {"the word typed, then shorter continuations first", "cat", mode::kEnglish,
       {"cat", "CATV", "cats", "catch", "cataclysm"}},
      {"capitals find the same words", "CAT", mode::kEnglish, {"cat", "CATV", "cats", "catch", "cataclysm"}},
      {"the lead key of temporary English is left out", ";cat", mode::kTemporaryEnglish,
       {"cat", "CATV", "cats", "catch", "cataclysm"}},
      {"a word that nothing continues", "dog", mode::kEnglish, {"dog"}},
      {"no word", "zz", mode::kEnglish, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::InstalledEngine engine(CatFolder());
    EngineInstance* e = engine.get();
    e->mode = c.mode;
    for (char k : c.keys) AppendInputKey(e, static_cast<char16_t>(k));
    EXPECT_EQ(QueryEnglish(e), static_cast<int>(c.page.size()));
    EXPECT_EQ(test::PageTexts(e), c.page);
    EXPECT_EQ(e->association_key[0], 0) << "the look-up key is not kept";
  }
}

TEST(EngineActions, EnglishKeysAreClassifiedByName) {
  struct Case {
    const char* name;
    std::string keys;
    const char16_t* key;
    std::uint64_t bound;
    bool english_table;
    std::uint32_t mode;
    int expected;
    std::uint64_t pending;
  };
  const std::uint64_t kCommit = key_function::kCommit;
  const std::uint64_t kCommit2 = kCommit | (2u << key_function::kNumberShift);
  const std::uint64_t kCommit10 = kCommit | (10u << key_function::kNumberShift);
  const std::uint32_t kEn = mode::kEnglish;
  const std::vector<Case> cases = {
      {"a letter", "", u"a", 0, true, kEn, 1, 0},
      {"a capital", "ab", u"B", 0, true, kEn, 1, 0},
      {"anything on an empty input", "", u"1", 0, true, kEn, 5, 0},
      {"space when the input is the whole first word", "able", u" ", 0, true, kEn, 5, 0},
      {"space commits a longer first word", "ab", u" ", 0, true, kEn, 4, kCommit},
      {"space when nothing is listed", "zz", u" ", 0, true, kEn, 5, 0},
      {"space in temporary English", ";able", u" ", 0, true, mode::kTemporaryEnglish, 4, kCommit},
      {"a digit commits its place", "ab", u"2", 0, true, kEn, 4, kCommit2},
      {"a digit beyond the page", "ab", u"3", 0, true, kEn, 5, 0},
      {"0 is the tenth place", "ab", u"0", 0, true, kEn, 5, 0},
      {"a digit beyond the page keeps a bound function", "ab", u"0", kCommit10, true, kEn, 4, kCommit10},
      {"a digit without engl.dmg is typed", "ab", u"2", 0, false, kEn, 1, 0},
      {"another character", "ab", u"-", 0, true, kEn, 1, 0},
      {"a non-character key", "ab", u"键Tab", 0, true, kEn, 5, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::InstalledEngine engine(EnglishFolder(c.english_table));
    EngineInstance* e = engine.get();
    e->mode = c.mode;
    for (char k : c.keys) AppendInputKey(e, static_cast<char16_t>(k));
    RunQuery(e);
    e->current_key.text = c.key;
    e->current_key.functions = c.bound;
    EXPECT_EQ(ClassifyKeyEnglish(e), c.expected);
    EXPECT_EQ(e->current_key.functions, c.pending);
  }
}

TEST(EngineActions, KeysForTheEngine) {
  struct Case {
    const char* name;
    std::uint32_t mode;
    bool english_table;
    std::string keys;
    bool previous_commit;
    const char16_t* key;
    std::uint64_t functions;
    int expected;
  };
  const std::uint32_t kEn = mode::kEnglish;
  const std::uint32_t kPunct = mode::kEnglishPunctuation;
  const std::vector<Case> cases = {
      {"a character key", 0, false, "", false, u"a", 0, 1},
      {"a non-character key", 0, false, "", false, u"键Tab", 0, 0},
      {"an input function with input", 0, false, "ab", false, u"键左箭头", key_function::kCursorLeft, 1},
      {"an input function without input", 0, false, "", false, u"键左箭头", key_function::kCursorLeft, 0},
      {"repeat input after a commit", 0, false, "", true, u"键F2", key_function::kRepeatInput, 1},
      {"repeat input before any commit", 0, false, "", false, u"`", key_function::kRepeatInput, 0},
      {"English with Chinese punctuation", kEn, false, "", false, u",", 0, 1},
      {"English full width", kEn | kPunct | mode::kFullWidth, false, "", false, u",", 0, 1},
      {"English punctuation without engl.dmg", kEn | kPunct, false, "", false, u"a", 0, 0},
      {"English punctuation with engl.dmg", kEn | kPunct, true, "", false, u"a", 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::InstalledEngine engine(EnglishFolder(c.english_table));
    EngineInstance* e = engine.get();
    e->mode = c.mode;
    for (char k : c.keys) AppendInputKey(e, static_cast<char16_t>(k));
    if (c.previous_commit) e->previous_commit.text_length = 1;
    CurrentKey key{};
    key.text = c.key;
    key.functions = c.functions;
    EXPECT_EQ(IsKeyForEngine(e, key), c.expected);
  }
}

}  // namespace
}  // namespace lz
