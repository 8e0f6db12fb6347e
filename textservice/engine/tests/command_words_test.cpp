#include "textservice/engine/command_words.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os/key_sender.h"
#include "textservice/engine/candidate_commit.h"
#include "textservice/engine/macros.h"
#include "textservice/engine/tests/candidate_fixture.h"

namespace lz {
namespace {

using test::ListSettings;
using test::SystemWord;
using test::Utf8;
using test::Wide;

struct Detected {
  std::uint32_t action;
  std::string text;
  std::string command;
  bool operator==(const Detected&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Detected& d) {
  return out << "action 0x" << std::hex << d.action << std::dec << " text \"" << d.text << "\" command \""
             << d.command << "\"";
}

ListSettings CommandSettings(bool enabled) {
  ListSettings settings;
  settings.behaviour = enabled ? ime_block::kCandidateCommands : 0;
  return settings;
}

// What choosing a word whose text is `word` commits: the action, the committed text and the command text.
Detected Choose(const std::string& word, bool enabled = true, std::uint32_t* install_units = nullptr) {
  test::InstalledEngine engine(test::ListFolder(CommandSettings(enabled), {{"ab", word, SystemWord(1)}}));
  EngineInstance* e = engine.get();
  test::Type(e, "ab");
  EXPECT_EQ(e->page_item_count, 1);
  e->command_text[0] = 0;
  EXPECT_EQ(NavigateCandidates(candidate_command::kFirstPlace, e), 0);
  if (install_units) *install_units = static_cast<std::uint32_t>(std::u16string_view(e->install_folder).size());
  return {e->commit.action, Utf8(e->commit.text), Utf8(e->command_text)};
}

TEST(CommandWords, ChosenWordsGiveTheirCommandsActions) {
  struct Case {
    const char* word;
    Detected expected;
  };
  const std::vector<Case> cases = {
      {"RUN(notepad.exe)", {command_action::kRun, "", "notepad.exe"}},
      {"run(http://a.cn/?q=中 x)", {command_action::kRun, "", "http://a.cn/?q=%E4%B8%AD x"}},
      {"ReadFile(a.txt)", {command_action::kReadFile, "", "a.txt"}},
      {"help(topic.htm)", {command_action::kHelp, "", "topic.htm"}},
      {"set(a=1)", {command_action::kSet, "", "set(a=1)"}},
      {"convert(全半,全角)", {command_action::kConvert, "", "全半,全角"}},
      {"skbd(2)", {command_action::kSoftKeyboard, "", "2"}},
      {"CONFIG(/do keys)", {command_action::kConfig, "", "/do keys"}},
      {"keyboard(<13>)", {command_action::kKeyboard, "", "<13>"}},
      {"你好Keyboard(<13>)", {command_action::kTextThenKeyboard, "你好", "<13>"}},
      {"newkey(ab)", {command_action::kNewKey, "", "ab"}},
      {"词newkey(ab)", {command_action::kNewKey, "词", "ab"}},
      {"run(", {command_action::kRun, "", ""}},
      {"ready", {commit_action::kText, "ready", ""}},
      {"conversation", {commit_action::kText, "conversation", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    EXPECT_EQ(Choose(c.word), c.expected);
  }
  SCOPED_TRACE("commands switched off in the scheme");
  EXPECT_EQ(Choose("run(notepad.exe)", false), (Detected{commit_action::kText, "run(notepad.exe)", ""}));
}

TEST(CommandWords, AppPathIsTheInstallFolder) {
  test::InstalledEngine engine(test::ListFolder(CommandSettings(true), {}));
  const std::string folder = Utf8(engine->install_folder);
  ASSERT_FALSE(folder.empty());
  struct Case {
    const char* text;
    int consumed;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"run(%apppath%\\config.exe)", 25, folder + "config.exe"},
      {"run(%apppath%config.exe)", 24, folder + "config.exe"},
      {"run(%apppath%\\\\x.exe)", 21, folder + "\\x.exe"},
      {"run(a(b)c)d", 10, "a(b)c"},
      {"run(x %apppath%)", 16, "x %apppath%"},
      {"no brackets", 0, ""},
      {"run)x(", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    char16_t out[kCommandTextUnits];
    EXPECT_EQ(ExpandAppPath(out, Wide(c.text).c_str(), engine.get()), c.consumed);
    EXPECT_EQ(Utf8(out), c.expected);
  }
  SCOPED_TRACE("an argument longer than the command text is cut to its capacity");
  char16_t out[kCommandTextUnits];
  const std::u16string long_text = u"run(" + std::u16string(2000, u'x') + u")";
  ExpandAppPath(out, long_text.c_str(), engine.get());
  EXPECT_EQ(std::u16string_view(out).size(), static_cast<std::size_t>(kCommandTextUnits - 1));
  const std::u16string long_path = u"run(%apppath%" + std::u16string(600, u'y') + u")";
  ExpandAppPath(out, long_path.c_str(), engine.get());
  EXPECT_EQ(std::u16string_view(out).size(), static_cast<std::size_t>(kCommandTextUnits - 1));
}

TEST(CommandWords, UnescapingGivesTheReservedCharacters) {
  struct Case {
    std::u16string text;
    int capacity;
    std::u16string expected;
  };
  const std::vector<Case> cases = {
      {u"a\\1b", 256, u"a,b"},
      {u"\\2x\\3\\4y\\5", 256, u"(x)<y>"},
      {u"a\\\\b", 256, u"a\\b"},
      {u"a\\rb\\sc\\td", 256, u"a\r\nb c\td"},
      {u"a\\qb", 256, u"a\\qb"},
      {u"ends\\", 256, u"ends\\"},
      {u"abcdef", 4, u"abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.text.c_str()));
    char16_t out[256];
    EXPECT_EQ(UnescapeCommandText(out, c.text.c_str(), c.capacity), static_cast<int>(c.expected.size()));
    EXPECT_EQ(std::u16string(out), c.expected);
  }
}

TEST(CommandWords, CommandTextsSplitIntoCommittedAndShown) {
  test::InstalledEngine engine(test::ListFolder(CommandSettings(true), {}));
  struct Case {
    std::u16string text;
    int result;
    std::u16string committed;
    std::u16string shown;
  };
  const std::vector<Case> cases = {
      {u"$lzcmd(a\\1b)", 1, u"a,b", u"a,b"},
      {u"$lzcmd(first,second)", 1, u"first", u"second"},
      {u"$lzcmd(a,b,shown)", 1, u"a,b", u"shown"},
      {u"$lzcmd(<nosuch.x>,x)", 1, u"<nosuch.x>", u"x"},
      {u"$lzcmd(ab)", 0, u"", u""},
      {u"$LZCMD(first,second)", 0, u"", u""},
      {u"$lzcmd(first,second", 0, u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.text.c_str()));
    char16_t shown[kCommandPartUnits] = {};
    char16_t committed[kCommandPartUnits] = {};
    EXPECT_EQ(ParseCandidateCommandText(c.text.c_str(), shown, committed, engine.get()), c.result);
    if (c.result != 1) continue;
    EXPECT_EQ(std::u16string(committed + 1, committed[0]), c.committed);
    EXPECT_EQ(std::u16string(shown + 1, shown[0]), c.shown);
  }
}

LocalTime FixedClock() { return {2016, 1, 31, 9, 5, 7, 0}; }

TEST(CommandWords, CommandTextWordsShowTheirLabelAndCommitTheirText) {
  SetLocalTimeSource(FixedClock);
  struct Case {
    const char* word;
    bool enabled;
    std::string shown;
    Detected expected;
  };
  const std::vector<Case> cases = {
      {"$lzcmd(<date.yyyy>年,年份)", true, "年份", {commit_action::kText, "2016年", ""}},
      {"$lzcmd(a\\1b)", false, "a,b", {commit_action::kText, "a,b", ""}},
      {"$lzcmd(run(notepad.exe),记事本)", true, "记事本", {command_action::kRun, "", "notepad.exe"}},
      {"$lzcmd(run(notepad.exe),记事本)", false, "记事本", {commit_action::kText, "run(notepad.exe)", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    test::InstalledEngine engine(test::ListFolder(CommandSettings(c.enabled), {{"ab", c.word, SystemWord(1)}}));
    EngineInstance* e = engine.get();
    test::Type(e, "ab");
    ASSERT_EQ(e->page_item_count, 1);
    EXPECT_EQ(Utf8(e->page[0].text), c.shown);
    e->command_text[0] = 0;
    NavigateCandidates(candidate_command::kFirstPlace, e);
    EXPECT_EQ((Detected{e->commit.action, Utf8(e->commit.text), Utf8(e->command_text)}), c.expected);
  }
  SetLocalTimeSource(nullptr);
}

struct Recorded {
  std::vector<std::string> events;
};

void RecordKey(const os::KeyEvent& event, void* context) {
  std::string text = std::to_string(event.virtual_key) + ((event.flags & os::kKeyEventUp) ? "^" : "v");
  if (!(event.flags & os::kKeyEventExtended)) text += "(not extended)";
  static_cast<Recorded*>(context)->events.push_back(text);
}

// The key events a text sends, as "vk" + v (press) or ^ (release); the characters consumed.
std::pair<int, std::vector<std::string>> KeysSent(const std::u16string& text, bool whole_command = false) {
  Recorded recorded;
  os::SetKeySink(RecordKey, &recorded);
  int consumed = 0;
  if (whole_command) {
    RunKeyboardCommand(text.c_str());
  } else {
    consumed = SendKeyCombo(text.c_str());
  }
  os::SetKeySink(nullptr, nullptr);
  return {consumed, recorded.events};
}

TEST(CommandWords, KeyCombinationsArePressedAndReleasedInOrder) {
  using Events = std::vector<std::string>;
  struct Case {
    std::u16string text;
    int consumed;
    Events events;
  };
  const std::vector<Case> cases = {
      {u"<13>", 4, {"13v", "13^"}},
      {u"<65.3>x", 6, {"65v", "65^", "65v", "65^", "65v", "65^"}},
      {u"<65.0>", 6, {"65v", "65^"}},
      {u"<65.257>", 8, {"65v", "65^"}},
      {u"<86+Ctrl+Shift>", 15, {"17v", "16v", "86v", "86^", "17^", "16^"}},
      {u"<68+Win+Alt>", 12, {"91v", "18v", "68v", "68^", "18^", "91^"}},
      {u"<abc>", 0, {}},
      {u"13>", 0, {}},
      {u"<13", 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.text.c_str()));
    const auto [consumed, events] = KeysSent(c.text);
    EXPECT_EQ(consumed, c.consumed);
    EXPECT_EQ(events, c.events);
  }
  SCOPED_TRACE("a count of 256 repeats 256 times");
  EXPECT_EQ(KeysSent(u"<65.256>").second.size(), 512u);
  SCOPED_TRACE("a keyboard command types its groups up to its end");
  EXPECT_EQ(KeysSent(u"x<13>y<9>)<65>", true).second, (Events{"13v", "13^", "9v", "9^"}));
  EXPECT_EQ(KeysSent(u"<13>,<9>", true).second, (Events{"13v", "13^"}));
}

TEST(CommandWords, ConvertCommandsSwitchModes) {
  struct Case {
    const char16_t* argument;
    std::uint32_t mode_before;
    std::uint32_t ime_before;
    std::uint32_t mode_after;
    std::uint32_t ime_after;
  };
  const std::uint32_t kPunct = mode::kEnglishPunctuation;
  const std::uint32_t kFull = mode::kFullWidth;
  const std::uint32_t kTrad = ime_block::kTraditionalOutput;
  const std::uint32_t kSimp = ime_block::kSimplifiedOutput;
  const std::vector<Case> cases = {
      {u"中英文标点,英文", 0, 0, kPunct, 0},
      {u"中英文标点,中文", kPunct, 0, 0, 0},
      {u"中英文标点,x", kPunct, 0, 0, 0},
      {u"全半,全角", 0, kTrad, kFull, 0},
      {u"全半,半角", kFull, kTrad, 0, kTrad},
      {u"全半,", 0, kTrad, kFull, 0},
      {u"繁体输出,打开", 0, kSimp, 0, kTrad},
      {u"繁体输出,关闭", 0, kTrad, 0, 0},
      {u"繁体输出,?", 0, kTrad, 0, 0},
      {u"简体输出,打开", 0, 0, 0, kSimp},
      {u"简体输出,?", 0, kSimp, 0, 0},
      {u"全半", 0, kTrad, 0, kTrad},
      {u"别的,打开", 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.argument));
    test::InstalledEngine engine(test::ListFolder(CommandSettings(true), {}));
    EngineInstance* e = engine.get();
    e->mode = c.mode_before;
    e->blocks.ime.WriteU32(ime_block::kImeFlags, c.ime_before);
    RunConvertCommand(e, c.argument);
    std::uint32_t ime = 0;
    e->blocks.ime.ReadU32(ime_block::kImeFlags, ime);
    EXPECT_EQ(e->mode, c.mode_after);
    EXPECT_EQ(ime, c.ime_after);
  }
}

}  // namespace
}  // namespace lz
