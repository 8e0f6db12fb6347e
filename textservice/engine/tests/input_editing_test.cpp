#include "textservice/engine/input_editing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/installed_engine.h"
#include "textservice/engine/candidate_list.h"
#include "textservice/engine/tests/candidate_fixture.h"

namespace lz {
namespace {

using test::ListSettings;
using test::SystemWord;

struct Editing {
  std::u16string keys;
  int count;
  int cursor;
  bool operator==(const Editing&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Editing& e) {
  return out << "keys of " << e.keys.size() << " units, count " << e.count << ", cursor " << e.cursor;
}

// Keys inserted one by one, with the cursor moved to `cursor_before_last` before the last one.
Editing Insert(const std::u16string& keys, int cursor_before_last) {
  test::InstalledEngine engine(test::ListFolder({}, {{"a", "A", SystemWord(1)}}));
  EngineInstance* e = engine.get();
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (i + 1 == keys.size() && cursor_before_last >= 0) e->cursor = cursor_before_last;
    AppendInputKey(e, keys[i]);
  }
  EXPECT_EQ(e->keys[e->key_count], 0);
  return {std::u16string(e->keys), e->key_count, e->cursor};
}

TEST(InputEditing, KeysGoInAtTheCursorAndTheHundredTwentyNinthIsIgnored) {
  const std::u16string full(kMaxInputKeys, u'a');
  struct Case {
    const char* name;
    std::u16string keys;
    int cursor_before_last;
    Editing expected;
  };
  const std::vector<Case> cases = {
      {"at the end", u"abc", -1, {u"abc", 3, 3}},
      {"at a cursor inside the input", u"abcX", 1, {u"aXbc", 4, 2}},
      {"at the start", u"abcX", 0, {u"Xabc", 4, 1}},
      {"a zero key is ignored", std::u16string(u"ab") + u'\0', -1, {u"ab", 2, 2}},
      {"128 keys fit", full, -1, {full, kMaxInputKeys, kMaxInputKeys}},
      {"a 129th key is ignored", full + u"b", -1, {full, kMaxInputKeys, kMaxInputKeys}},
      {"also at a cursor inside", full + u"b", 5, {full, kMaxInputKeys, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Insert(c.keys, c.cursor_before_last), c.expected);
  }
}

struct Shown {
  std::u16string text;
  int length;
  int cursor;
  bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Shown& s) {
  return out << test::Utf8(s.text.c_str()) << " length " << s.length << " cursor " << s.cursor;
}

TEST(InputEditing, TheCompositionStringShowsKeysThroughTheDisplayConversion) {
  struct Case {
    const char* name;
    std::uint32_t behaviour;
    std::uint32_t ime_flags;
    std::u16string keys;
    int cursor;
    Shown expected;
  };
  const std::uint32_t kOn = ime_block::kDisplayConversionOn;
  const std::uint32_t kMain = ime_block::kSchemeMain;
  const std::vector<Case> cases = {
      {"keys as typed", 0, kMain, u"ab", 2, {u"ab", 2, 2}},
      {"converted keys, a key without an entry stays", kOn, kMain, u"abq", 1, {u"日月q", 3, 1}},
      {"a keypad key shown by its own entry", kOn, kMain, u"a\x11", 2, {u"日一", 2, 2}},
      {"a keypad key without an entry as a full-width character", kOn, kMain, u"a\x12", 2, {u"日\xFF12", 2, 2}},
      {"code bytes below 0x20 as full-width characters without conversion", 0, kMain, u"\x11\x0A", 2,
       {u"\xFF11\xFF0A", 2, 2}},
      {"a full-width key by the entry of its low byte", kOn, kMain, u"\xFF41", 1, {u"甲", 1, 1}},
      {"the highlighted candidate when it is embedded", kOn, kMain | ime_block::kInlineFirstCandidate, u"ab", 1,
       {u"AB-word", 7, 7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ListSettings settings;
    settings.behaviour = c.behaviour;
    settings.ime_flags = c.ime_flags;
    test::DataFolderContents contents = test::ListFolder(settings, {{"ab", "AB-word", SystemWord(1)}});
    contents.edit_blocks = [settings](ConfigBlocks& b) {
      test::ApplyListSettings(settings, b);
      b.ime.WriteU16(ime_block::DisplayConversionOffset('a'), u'日');
      b.ime.WriteU16(ime_block::DisplayConversionOffset('b'), u'月');
      b.ime.WriteU16(ime_block::DisplayConversionOffset(0x11), u'一');
      b.ime.WriteU16(ime_block::DisplayConversionOffset('A'), u'甲');
    };
    test::InstalledEngine engine(contents);
    EngineInstance* e = engine.get();
    for (char16_t k : c.keys) AppendInputKey(e, k);
    RunQuery(e);
    e->cursor = c.cursor;
    BuildCompositionString(e);
    EXPECT_EQ((Shown{e->composition, e->composition_length, e->composition_cursor}), c.expected);
  }
}

TEST(InputEditing, ResetInputEndsEverythingOfTheInput) {
  test::InstalledEngine engine(test::ListFolder({}, {{"ab", "AB", SystemWord(1)}}));
  EngineInstance* e = engine.get();
  const std::uint32_t kept = mode::kFullWidth | mode::kEnglish;
  e->mode = kept | mode::kInputMarks;
  ASSERT_EQ(test::Type(e, "ab"), query_result::kShow);
  BuildCompositionString(e);
  e->commit.action = commit_action::kText;
  e->commit.text_length = 1;
  e->commit.text[0] = u'x';
  ResetInput(e);
  EXPECT_EQ(e->mode, kept);
  EXPECT_EQ(e->candidate_count, 0);
  EXPECT_EQ(e->page_item_count, 0);
  EXPECT_EQ(e->paging.last_shown, -1);
  EXPECT_EQ(e->key_count, 0);
  EXPECT_EQ(e->cursor, 0);
  EXPECT_EQ(e->keys[0], 0);
  EXPECT_EQ(e->composition[0], 0);
  EXPECT_EQ(e->composition_length, 0);
  EXPECT_EQ(e->commit.action, 0u);
  EXPECT_EQ(e->commit.text_length, 0u);
}

TEST(InputEditing, RunQueryQueriesChineseInputAndAnswersEnglishModeByItsTable) {
  struct Case {
    const char* name;
    std::uint32_t mode;
    bool english_table;
    int result;
    int candidates;
  };
  const std::vector<Case> cases = {
      {"Chinese input is queried", 0, false, query_result::kShow, 1},
      {"English mode without engl.dmg passes the key on", mode::kEnglish, false, query_result::kPushAndKeepKey, 0},
      {"English mode with engl.dmg lists its completions", mode::kEnglish, true, query_result::kShow, 1},
      {"temporary English without engl.dmg shows", mode::kTemporaryEnglish, false, query_result::kShow, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::DataFolderContents contents = test::ListFolder({}, {{"ab", "AB", SystemWord(1)}});
    if (c.english_table) contents.engl = std::vector<test::TableRecord>{{"about", "about", SystemWord(1)}};
    test::InstalledEngine engine(contents);
    EngineInstance* e = engine.get();
    e->mode = c.mode;
    AppendInputKey(e, u'a');
    AppendInputKey(e, u'b');
    EXPECT_EQ(RunQuery(e), c.result);
    EXPECT_EQ(e->candidate_count, c.candidates);
    if (c.result == query_result::kShow) {
      EXPECT_EQ(std::u16string(e->composition), u"ab");
    }
  }
}

}  // namespace
}  // namespace lz
