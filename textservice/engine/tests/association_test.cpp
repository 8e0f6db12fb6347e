#include "textservice/engine/association.h"

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
using test::TableRecord;
using test::Utf8;
using test::Wide;

// Association records carry their text in the key position.
TableRecord Continuation(const std::string& text, std::uint32_t order) { return {"", text, SystemWord(order)}; }

std::vector<TableRecord> AssociationTable() {
  return {
      Continuation("中", 1),       Continuation("中国", 8),     Continuation("中国人", 9),
      Continuation("中国人民", 5), Continuation("中间", 7),     Continuation("国家", 3),
      Continuation("天气", 6),     Continuation("天#空", 4),
  };
}

// Every candidate text of the list, in its order.
std::vector<std::string> ListedTexts(const EngineInstance* e) {
  std::vector<std::string> texts;
  for (int i = 0; i < e->candidate_count; ++i) {
    char16_t text[kPageTextUnits];
    CandidateText(e->candidates[i], e, text);
    texts.push_back(Utf8(text));
  }
  return texts;
}

struct Associated {
  int count;
  std::vector<std::string> texts;
  bool operator==(const Associated&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Associated& a) {
  out << a.count << " [";
  for (const auto& t : a.texts) out << t << " ";
  return out << "]";
}

struct Situation {
  std::uint32_t ime_flags = ime_block::kSchemeMain | ime_block::kAssociation;
  std::uint32_t behaviour = 0;
  std::uint32_t mode = 0;
  bool table = true;
};

// The continuations listed after `committed` was committed.
Associated AfterCommitting(const std::string& committed, const Situation& s) {
  ListSettings settings;
  settings.ime_flags = s.ime_flags;
  settings.behaviour = s.behaviour;
  settings.page_size = 10;
  test::DataFolderContents contents = test::ListFolder(settings, {{"zg", "中国", SystemWord(1)}});
  if (s.table) contents.sysl = AssociationTable();
  test::InstalledEngine engine(contents);
  EngineInstance* e = engine.get();
  test::Type(e, "zg");
  e->mode |= s.mode;
  SetAssociationKey(e, Wide(committed).c_str());
  const int count = AssociateAfterCommit(e);
  if (count > 0) FinishQuery(e);
  return {count, count > 0 ? test::PageTexts(e) : std::vector<std::string>{}};
}

TEST(Association, TheCommittedTextListsItsLongerContinuations) {
  struct Case {
    const char* name;
    std::string committed;
    Situation situation;
    Associated expected;
  };
  const auto with = [](auto change) {
    Situation s;
    change(s);
    return s;
  };
  const std::vector<Case> cases = {
      {"中国 lists 中国人 then 中国人民", "中国", {}, {2, {"中国人", "中国人民"}}},
      {"ranked by order value", "天", {}, {2, {"天气", "天#空"}}},
      {"with +48 bit 0x400 the key is looked up with #", "天",
       with([](Situation& s) { s.behaviour = ime_block::kAssociationMarked; }), {1, {"天#空"}}},
      {"a text nothing continues", "国家", {}, {0, {}}},
      {"association off", "中国", with([](Situation& s) { s.ime_flags = ime_block::kSchemeMain; }), {0, {}}},
      {"no association table", "中国", with([](Situation& s) { s.table = false; }), {0, {}}},
      {"English mode", "中国", with([](Situation& s) { s.mode = mode::kEnglish; }), {0, {}}},
      {"temporary English", "中国", with([](Situation& s) { s.mode = mode::kTemporaryEnglish; }), {0, {}}},
      {"no committed text", "", {}, {0, {}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(AfterCommitting(c.committed, c.situation), c.expected);
  }
}

TEST(Association, ContinuationsReplaceTheInputAndStopAtTwoThousandFiveHundred) {
  ListSettings settings;
  settings.ime_flags |= ime_block::kAssociation;
  test::DataFolderContents contents = test::ListFolder(settings, {{"zg", "中国", SystemWord(1)}});
  std::vector<TableRecord> many;
  for (int i = 0; i < 2600; ++i) many.push_back(Continuation("中国" + std::to_string(i), 1));
  contents.sysl = many;
  test::InstalledEngine engine(contents);
  EngineInstance* e = engine.get();
  test::Type(e, "zg");
  ASSERT_EQ(e->key_count, 2);
  SetAssociationKey(e, u"中国");
  EXPECT_EQ(AssociateAfterCommit(e), kMaxAssociationCandidates);
  EXPECT_EQ(e->key_count, 0);
  EXPECT_EQ(e->keys[0], 0);
  EXPECT_EQ(e->candidates[0].kind, kind::kAssociation);
  EXPECT_EQ(e->candidates[0].hint[0], 0);
}

TEST(Association, TheKeyIsCutBetweenCharactersAt255Bytes) {
  test::InstalledEngine engine(test::ListFolder({}, {{"a", "A", SystemWord(1)}}));
  const std::u16string long_text = u"a" + std::u16string(100, u'中');  // 301 bytes of UTF-8
  EXPECT_EQ(SetAssociationKey(engine.get(), long_text.c_str()), 253);
  EXPECT_EQ(engine->association_key[0], 253);
  EXPECT_EQ(engine->association_key[1 + 253], 0);
  EXPECT_EQ(SetAssociationKey(engine.get(), std::u16string(85, u'中').c_str()), 255);
  EXPECT_EQ(SetAssociationKey(engine.get(), u""), 0);
  EXPECT_EQ(engine->association_key[0], 0);
}

struct Completed {
  std::vector<std::string> texts;
  std::string key_after;
  bool operator==(const Completed&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Completed& c) {
  out << "[";
  for (const auto& t : c.texts) out << t << " ";
  return out << "] key " << c.key_after;
}

// English completion: the typed word looked up in engl.dmg in both cases, equal words too, shorter
// completions first.
Completed Complete(const std::string& typed, std::uint32_t options) {
  test::DataFolderContents contents = test::ListFolder({}, {{"a", "A", SystemWord(1)}});
  contents.engl = std::vector<TableRecord>{
      {"th", "th", SystemWord(1)},   {"the", "the", SystemWord(5)},  {"them", "them", SystemWord(3)},
      {"then", "then", SystemWord(2)}, {"this", "this", SystemWord(1)}, {"THE", "THE", SystemWord(1)},
      {"12", "12", SystemWord(1)},   {"123", "123", SystemWord(1)},  {"zoo", "zoo", SystemWord(1)},
  };
  test::InstalledEngine engine(contents);
  EngineInstance* e = engine.get();
  SetAssociationKey(e, Wide(typed).c_str());
  AssociationQuery(e, options);
  FinishQuery(e);
  const std::uint8_t* key = e->association_key;
  return {ListedTexts(e), std::string(reinterpret_cast<const char*>(key + 1), key[0])};
}

TEST(Association, EnglishCompletionListsShorterWordsFirstInBothCases) {
  using namespace association_option;
  const std::uint32_t kCompletion = kEnglish | kEqualKeys | kCloseness;
  struct Case {
    const char* name;
    std::string typed;
    std::uint32_t options;
    Completed expected;
  };
  const std::vector<Case> cases = {
      {"th lists the before them", "th", kCompletion, {{"th", "the", "THE", "them", "then", "this"}, "TH"}},
      {"without equal keys the typed word itself is not listed", "th", kEnglish | kCloseness,
       {{"the", "THE", "them", "then", "this"}, "TH"}},
      {"a capital first letter finds small letters and capitals", "Th", kCompletion,
       {{"th", "the", "THE", "them", "then", "this"}, "TH"}},
      {"without closeness weights the order values rank", "th", kEnglish,
       {{"the", "them", "then", "THE", "this"}, "TH"}},
      {"a key without letters is looked up once", "12", kCompletion, {{"12", "123"}, "12"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Complete(c.typed, c.options), c.expected);
  }
}

}  // namespace
}  // namespace lz
