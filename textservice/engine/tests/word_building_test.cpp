#include "textservice/engine/word_building.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/installed_engine.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/input_editing.h"
#include "textservice/engine/query.h"
#include "textservice/engine/scheme_text.h"
#include "textservice/engine/text_encoding.h"

namespace lz {
namespace {

using namespace code_table;
using test::RecordFlags;
using test::TableRecord;

std::string Utf8(const char16_t* text) {
  std::uint8_t buffer[kTableStringBufferBytes * 2];
  const int n = WideToUtf8(text, buffer, sizeof buffer);
  return std::string(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
}

constexpr std::uint32_t kSystem = RecordFlags(kClassSystem, 0);
const std::string kSixteen = Utf8(u"一二三四五六七八九十甲乙丙丁戊己");

std::vector<TableRecord> Words() {
  return {{"zh", Utf8(u"中"), kSystem},    {"gu", Utf8(u"国"), kSystem},
          {"ab", kSixteen, kSystem},       {"aq", "abcdefghijklmnopqrstuvwxyzabcdefg", kSystem},
          {"zx", "$lzcmd(run,x)", kSystem}};
}

// The single-character index: each character (and a zero) with its code (and a zero).
std::vector<TableRecord> Index() {
  return {{Utf8(u"中") + '\0', std::string("zh") + '\0', 0}, {Utf8(u"国") + '\0', std::string("gu") + '\0', 0}};
}

struct Scheme {
  std::uint32_t ime_flags = ime_block::kSchemeMain | ime_block::kTempWords;
  std::vector<std::u16string> rules = {u"P2=L1F1+L1F2+L2F1+L2F2"};
  bool danzi = true;
  std::vector<TableRecord> temp;
};

test::DataFolderContents Folder(const Scheme& s) {
  test::DataFolderContents contents;
  contents.main = Words();
  contents.temp = s.temp;
  if (s.danzi) contents.danzi = Index();
  contents.edit_blocks = [s](ConfigBlocks& b) {
    b.ime.WriteU32(ime_block::kImeFlags, s.ime_flags);
    b.ime.WriteU32(ime_block::kCandidateOptions, 5u << ime_block::kPageSizeShift);
    b.dme.WriteU8(dme_block::kUniqueAutoCommitLength, 4);
    for (const std::u16string& rule : s.rules) {
      const std::size_t eq = rule.find(u'=');
      ReadWordRuleText(b.dme, rule.substr(0, eq), rule.substr(eq + 1));
    }
  };
  return contents;
}

// Types each code and commits the first place of its page, as the key handler does.
void CommitEach(EngineInstance* e, const std::vector<std::string>& codes) {
  for (const std::string& code : codes) {
    ResetInput(e);
    for (char k : code) {
      AppendInputKey(e, static_cast<char16_t>(k));
      QueryCandidates(e);
    }
    ASSERT_GT(e->page_item_count, 0) << code;
    AfterCommit(e, 1);
  }
}

// Every word of a table as "code text".
std::vector<std::string> WordsOf(const MappedFile* table) {
  std::vector<std::string> words;
  for (std::uint32_t i = 0; i < RecordCount(table); ++i) {
    CodeTableRecord r;
    if (!RecordAt(table, static_cast<std::int32_t>(i), r)) continue;
    words.push_back(std::string(reinterpret_cast<const char*>(r.code), r.code_length) + " " +
                    std::string(reinterpret_cast<const char*>(r.text), r.text_length));
  }
  return words;
}

// What temp.dmg holds after the commits.
std::vector<std::string> TemporaryWordsAfter(const Scheme& scheme, const std::vector<std::string>& codes) {
  test::InstalledEngine engine(Folder(scheme));
  CommitEach(engine.get(), codes);
  return WordsOf(engine->files.temp);
}

Scheme With(void (*change)(Scheme&)) {
  Scheme s;
  change(s);
  return s;
}

TEST(WordBuilding, RunsOfCommitsBecomeTemporaryWords) {
  const std::string zhongguo = "zhgu " + Utf8(u"中国");
  struct Case {
    const char* name;
    Scheme scheme;
    std::vector<std::string> codes;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"codes from the single-character index", {}, {"zh", "gu"}, {zhongguo}},
      {"codes from the history's code parts",
       With([](Scheme& s) { s.ime_flags |= ime_block::kTempWordsSmart; s.danzi = false; }), {"zh", "gu"}, {zhongguo}},
      {"a rule counted from the back", With([](Scheme& s) { s.rules = {u"P2=L1F1+L1B1+L2F1+R1B1"}; }), {"zh", "gu"},
       {zhongguo}},
      {"no word without temporary words on", With([](Scheme& s) { s.ime_flags = ime_block::kSchemeMain; }),
       {"zh", "gu"}, {}},
      {"no word without a rule for its length", With([](Scheme& s) { s.rules = {}; }), {"zh", "gu"}, {}},
      {"a word already in temp.dmg is not added again",
       With([](Scheme& s) { s.temp = {{"zhgu", Utf8(u"中国"), 0}}; }), {"zh", "gu"}, {zhongguo}},
      {"a 17-character run ends the building", With([](Scheme& s) { s.rules = {u"P17=L1F1+R1F1"}; }),
       {"zh", "ab"}, {}},
      {"a command word is not remembered", {}, {"zh", "zx", "gu"}, {zhongguo}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TemporaryWordsAfter(c.scheme, c.codes), c.expected);
  }
}

TEST(WordBuilding, HistoryKeepsTheLast32Commits) {
  test::InstalledEngine engine(Folder({}));
  std::vector<std::string> codes = {"gu"};
  for (int i = 0; i < kHistoryEntries; ++i) codes.push_back("zh");
  CommitEach(engine.get(), codes);
  EXPECT_EQ(engine->history_count, kHistoryEntries);
  EXPECT_EQ(engine->history[0].code_points[0], U'中');  // 国, the oldest, was dropped
  EXPECT_EQ(std::u16string(engine->history[0].codes[0]), u"zh");
}

TEST(WordBuilding, HistoryRefusesATextLongerThanAnEntry) {
  test::InstalledEngine engine(Folder({}));
  CommitEach(engine.get(), {"aq"});  // 33 ASCII characters: 33 bytes, but more than an entry holds
  EXPECT_EQ(engine->history_count, 0);
  CommitEach(engine.get(), {"ab"});
  EXPECT_EQ(engine->history_count, 1);
  EXPECT_EQ(engine->history[0].characters, 16);
}

TEST(WordBuilding, ACommittedTemporaryWordIsPromotedToAUserWord) {
  Scheme scheme;
  scheme.ime_flags |= ime_block::kTempWordsSavedOnCommit;
  scheme.temp = {{"zhgu", Utf8(u"中国"), 0}};
  test::InstalledEngine engine(Folder(scheme));
  std::uint32_t counter = 0;
  ByteView{engine->files.main->view, static_cast<std::uint32_t>(engine->files.main->size)}.ReadU32(
      kOrderCounters + 4 * 'z', counter);

  CommitEach(engine.get(), {"zhgu"});

  EXPECT_EQ(WordsOf(engine->files.temp), std::vector<std::string>{});
  std::uint8_t key[kTableStringBufferBytes + 1];
  ASSERT_GT(CodeToTableString(key, u"zhgu", sizeof key), 0);
  TableRange range;
  ASSERT_EQ(FindCodeRange(engine->files.main, range, key), 1);
  CodeTableRecord r;
  ASSERT_TRUE(RecordAt(engine->files.main, range.first, r));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.text), r.text_length), Utf8(u"中国"));
  EXPECT_EQ(RecordClass(r.flags), kClassUser);
  EXPECT_EQ(r.flags >> kOrderShift, counter + 1);
  EXPECT_EQ(engine->last_word.kind, kind::kTemporary);

  // Found in main.dmg now, it is not promoted twice.
  CommitEach(engine.get(), {"zhgu"});
  EXPECT_EQ(FindCodeRange(engine->files.main, range, key), 1);
}

// The page's place (1..) of a text after typing a code; 0 when it is not on the page.
int PlaceOf(EngineInstance* e, const std::string& code, const std::string& text) {
  ResetInput(e);
  for (char k : code) {
    AppendInputKey(e, static_cast<char16_t>(k));
    QueryCandidates(e);
  }
  for (int i = 0; i < e->page_item_count; ++i) {
    if (Utf8(e->page[i].text) == text) return i + 1;
  }
  return 0;
}

TEST(WordBuilding, AWordTypedTwiceRanksAboveTheBuiltWordsOfItsCode) {
  Scheme scheme;
  scheme.ime_flags |= ime_block::kTempWordsSavedOnCommit;
  test::DataFolderContents contents = Folder(scheme);
  // Built words of the same code and first key, with the high order values a large list gives.
  contents.main.push_back({"zhgu", Utf8(u"中古"), RecordFlags(kClassSystem, 6000)});
  contents.main.push_back({"zhgv", Utf8(u"织女"), RecordFlags(kClassSystem, 6500)});
  test::InstalledEngine engine(contents);
  EngineInstance* e = engine.get();

  CommitEach(e, {"zh", "gu"});  // builds 中国 as a temporary word
  const int place = PlaceOf(e, "zhgu", Utf8(u"中国"));
  ASSERT_GT(place, 0);
  AfterCommit(e, place);  // chosen again: it becomes a user word

  EXPECT_EQ(PlaceOf(e, "zhgu", Utf8(u"中国")), 1);
  EXPECT_EQ(PlaceOf(e, "zhgu", Utf8(u"中古")), 2);
}

TEST(WordBuilding, AWordMainCannotTakeStaysInTemp) {
  Scheme scheme;
  scheme.ime_flags |= ime_block::kTempWordsSavedOnCommit;
  scheme.temp = {{"zhgu", Utf8(u"中国"), 0}};
  test::InstalledEngine engine(Folder(scheme));
  // A heap copy of main.dmg refuses every write, as a table that cannot be mapped does.
  MappedFile* mapped = engine->files.main;
  MappedFile* copy = nullptr;
  ASSERT_GT(ReadWholeFile(&copy, mapped->path), 0);
  engine->files.main = copy;

  CommitEach(engine.get(), {"zhgu"});

  EXPECT_EQ(WordsOf(engine->files.temp), std::vector<std::string>{"zhgu " + Utf8(u"中国")});
  engine->files.main = mapped;
  CloseMappedFile(copy);
  std::uint8_t key[kTableStringBufferBytes + 1];
  ASSERT_GT(CodeToTableString(key, u"zhgu", sizeof key), 0);
  TableRange range;
  EXPECT_EQ(FindCodeRange(engine->files.main, range, key), 0);
}

}  // namespace
}  // namespace lz
