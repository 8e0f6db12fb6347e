#include "textservice/engine/query.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/installed_engine.h"
#include "textservice/engine/candidate_list.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/text_encoding.h"

namespace lz {
namespace {

using namespace code_table;
using test::RecordFlags;
using test::TableRecord;

// The settings of a scheme that a query reads.
struct Scheme {
  std::uint8_t unique = 4, push = 0, clear = 0, words = 0, following = 0;
  char wildcard = 'z';
  char english = 0, auxiliary = 0, secondary = 0, extension = 0;
  std::uint32_t query_flags = 0;
  std::uint32_t ime_flags = ime_block::kSchemeMain;
  std::uint32_t page_size = 5;
  std::string commit_lead_keys, code_end_keys, wildcard_keys, commit_when_alone_keys;
};

void Apply(const Scheme& s, ConfigBlocks& b) {
  b.ime.WriteU32(ime_block::kImeFlags, s.ime_flags);
  b.ime.WriteU32(ime_block::kCandidateOptions, s.page_size << ime_block::kPageSizeShift);
  b.dme.WriteU32(dme_block::kQueryFlags, s.query_flags);
  b.dme.WriteU8(dme_block::kUniqueAutoCommitLength, s.unique);
  b.dme.WriteU8(dme_block::kEmptyCodeCommitLength, s.push);
  b.dme.WriteU8(dme_block::kEmptyCodeClearLength, s.clear);
  b.dme.WriteU8(dme_block::kShowTableWordLength, s.words);
  b.dme.WriteU8(dme_block::kShowFollowingLength, s.following);
  b.dme.WriteU8(dme_block::kWildcardKey, static_cast<std::uint8_t>(s.wildcard));
  b.dme.WriteU8(dme_block::kEnglishLeadKey, static_cast<std::uint8_t>(s.english));
  b.dme.WriteU8(dme_block::kAuxiliaryLeadKey, static_cast<std::uint8_t>(s.auxiliary));
  b.dme.WriteU8(dme_block::kSecondaryLeadKey, static_cast<std::uint8_t>(s.secondary));
  b.dme.WriteU8(dme_block::kExtensionLeadKey, static_cast<std::uint8_t>(s.extension));
  const auto mark = [&](const std::string& keys, std::uint8_t bit) {
    for (char c : keys) {
      std::uint8_t v = 0;
      b.dme.ReadU8(dme_block::kKeyClasses + static_cast<unsigned char>(c), v);
      b.dme.WriteU8(dme_block::kKeyClasses + static_cast<unsigned char>(c), static_cast<std::uint8_t>(v | bit));
    }
  };
  mark(s.commit_lead_keys, key_class::kCommitLead);
  mark(s.code_end_keys, key_class::kCodeEnd);
  mark(s.wildcard_keys, key_class::kWildcardStandsFor);
  mark(s.commit_when_alone_keys, key_class::kCommitsWhenNothingContinues);
}

std::string Utf8(const char16_t* text) {
  std::uint8_t buffer[kTableStringBufferBytes * 2];
  const int n = WideToUtf8(text, buffer, sizeof buffer);
  return std::string(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
}

constexpr std::uint32_t kSystem = RecordFlags(kClassSystem, 0);

// A small shape-code table: words are named after their codes so a page reads as the codes it found.
std::vector<TableRecord> Words() {
  return {
      {"a", "A", kSystem},         {"aa", "AA", kSystem},       {"aaa", "AAA", kSystem},
      {"abcd", "ABCD", kSystem},   {"abce", "ABCE1", RecordFlags(kClassSystem, 9)},
      {"abce", "ABCE2", RecordFlags(kClassSystem, 3)},          {"abcde", "ABCDE", kSystem},
      {"bcd", "BCD", kSystem},     {"xcd", "XCD", kSystem},     {"ab", "AB", kSystem},
      {"ab", "\xE4\xB8\xAD\xE5\x9B\xBD", kSystem},  // a two-character word 中国
      {"ab", "$lzcmd(run,x)", kSystem},              // a command word, shown by its label
      {"ac", "AC-user", RecordFlags(kClassUser, 0)}, {"ac", "AC-secondary", RecordFlags(kClassSecondary, 0)},
      {"ac", "AC-auxiliary", RecordFlags(kClassAuxiliary, 0)}, {"ac", "AC-none", RecordFlags(0, 0)},
      {"ad", "AD-secondary", RecordFlags(kClassSecondary, 0)},
      {"ae", "AE-deleted", RecordFlags(kClassSystem, 0, kFlagDeleted)}, {"ae", "AE", kSystem},
      {"mnop", "MNOP", kSystem},   {"z", "Z", kSystem},         {"zz", "ZZ", kSystem},       {"e", "E", kSystem},
  };
}

struct Outcome {
  int result;
  std::vector<std::string> page;
  bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
  out << "result " << o.result << " page [";
  for (const auto& s : o.page) out << s << " ";
  return out << "]";
}

Outcome PageOf(const EngineInstance* e, int result) {
  Outcome o{result, {}};
  for (int i = 0; i < e->page_item_count; ++i) o.page.push_back(Utf8(e->page[i].text));
  return o;
}

// Types the keys one by one as the key handler does, querying after each, and reports the last query.
Outcome Type(EngineInstance* e, const std::string& keys) {
  int result = 0;
  for (char k : keys) {
    e->keys[e->key_count++] = static_cast<char16_t>(k);
    e->cursor = e->key_count;
    result = QueryCandidates(e);
  }
  return PageOf(e, result);
}

test::DataFolderContents Folder(const Scheme& scheme, std::vector<TableRecord> main = Words(),
                                std::vector<TableRecord> temp = {}) {
  test::DataFolderContents contents;
  contents.main = std::move(main);
  contents.temp = std::move(temp);
  contents.edit_blocks = [scheme](ConfigBlocks& b) { Apply(scheme, b); };
  return contents;
}

Outcome Query(const Scheme& scheme, const std::string& keys) {
  test::InstalledEngine engine(Folder(scheme));
  return Type(engine.get(), keys);
}

struct Case {
  const char* name;
  Scheme scheme;
  std::string keys;
  Outcome expected;
};

void Check(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Query(c.scheme, c.keys), c.expected);
  }
}

Scheme With(const std::function<void(Scheme&)>& change) {
  Scheme s;
  change(s);
  return s;
}

TEST(Query, AutoCommitRules) {
  Check({
      {"a unique full code commits at +40", {}, "mnop", {4, {"MNOP"}}},
      {"a unique code that longer codes continue shows", {}, "abcd", {2, {"ABCD"}}},
      {"a unique code with longer codes after it shows", {}, "abc", {2, {}}},
      {"two candidates show", {}, "abce", {2, {"ABCE1", "ABCE2"}}},
      {"a unique code shorter than +40 shows", {}, "bcd", {2, {"BCD"}}},
      {"+40 of zero never commits", With([](Scheme& s) { s.unique = 0; }), "mnop", {2, {"MNOP"}}},
      {"at least +40 keys commit", With([](Scheme& s) { s.unique = 3; }), "abcde", {4, {"ABCDE"}}},
      {"in simplest mode only exactly +40 keys commit",
       With([](Scheme& s) { s.unique = 3; s.query_flags = query_flag::kSimplestMode; }), "abcde", {2, {"ABCDE"}}},
      {"a commit-lead first key commits below +40",
       With([](Scheme& s) { s.unique = 9; s.commit_lead_keys = "b"; }), "bcd", {4, {"BCD"}}},
      {"an empty code clears at +42", With([](Scheme& s) { s.clear = 3; }), "qqq", {3, {}}},
      {"an empty code below +42 shows", With([](Scheme& s) { s.clear = 4; }), "qqq", {2, {}}},
      {"push at +41 keeps the last key", With([](Scheme& s) { s.push = 4; }), "abceq", {6, {"ABCE1"}}},
      {"push at +41 passes a commit-lead last key",
       With([](Scheme& s) { s.push = 4; s.commit_lead_keys = "q"; }), "abceq", {5, {"ABCE1"}}},
      {"no push before +41", With([](Scheme& s) { s.push = 5; }), "abceq", {2, {}}},
      {"push in simplest mode only at +41 + 1",
       With([](Scheme& s) { s.push = 3; s.query_flags = query_flag::kSimplestMode; }), "abceq", {2, {}}},
      {"a code-end last key commits below +40",
       With([](Scheme& s) { s.unique = 9; s.code_end_keys = "d"; }), "bcd", {4, {"BCD"}}},
      {"push at +41 passes an English lead last key",
       With([](Scheme& s) { s.push = 4; s.english = ';'; }), "abce;", {5, {"ABCE1"}}},
      {"push at +41 passes a last key that a leading wildcard stands for",
       With([](Scheme& s) { s.push = 4; s.wildcard_keys = "q"; }), "abceq", {5, {"ABCE1"}}},
      {"a wildcard last key makes a wildcard query, never a push", With([](Scheme& s) { s.push = 4; }), "abcez",
       {2, {}}},
      // Unique means one candidate, not one item on the page.
      {"two candidates on pages of one item show", With([](Scheme& s) { s.page_size = 1; }), "abce", {2, {"ABCE1"}}},
      {"one candidate on pages of one item commits", With([](Scheme& s) { s.page_size = 1; }), "mnop", {4, {"MNOP"}}},
  });
}

TEST(Query, UniqueAutoCommitCountsCandidates) {
  test::InstalledEngine engine(Folder(With([](Scheme& s) { s.page_size = 1; })));
  EXPECT_EQ(Type(engine.get(), "abce"), (Outcome{2, {"ABCE1"}}));
  EXPECT_EQ(engine->candidate_count, 2);
}

// The query flags that narrow what a wildcard finds and what commits or pushes by itself.
TEST(Query, QueryFlags) {
  using namespace query_flag;
  const std::vector<TableRecord> words = {
      {"qa", "A", kSystem}, {"qb", "\xE4\xB8\xAD\xE5\x9B\xBD", kSystem}, {"qbc", "C", kSystem}};
  const auto wildcard = [&](std::uint32_t flags) {
    test::InstalledEngine engine(Folder(With([&](Scheme& s) { s.query_flags = flags; }), words));
    return Type(engine.get(), "qz");
  };
  EXPECT_EQ(wildcard(0), (Outcome{2, {"A", "\xE4\xB8\xAD\xE5\x9B\xBD", "C"}}));
  EXPECT_EQ(wildcard(kSingleCharacters), (Outcome{2, {"A", "C"}})) << "0x4: a wildcard lists single characters";
  Check({
      {"a unique longer code commits at +40", With([](Scheme& s) { s.following = 2; s.unique = 2; }), "xc",
       {4, {"XCD"}}},
      {"0x100: only a full code commits by itself",
       With([](Scheme& s) { s.following = 2; s.unique = 2; s.query_flags = kAutoCommitFullCodeOnly; }), "xc",
       {2, {"XCD"}}},
      {"a longer code is pushed", With([](Scheme& s) { s.following = 2; s.push = 2; s.unique = 0; }), "xcq",
       {6, {"XCD"}}},
      {"0x200: only a full code is pushed",
       With([](Scheme& s) { s.following = 2; s.push = 2; s.unique = 0; s.query_flags = kPushFullCodeOnly; }), "xcq",
       {2, {}}},
      {"0x800: an empty code shows the first following code alone",
       With([](Scheme& s) { s.query_flags = kEmptyCodeShowsOne; s.unique = 0; }), "abc", {2, {"ABCE1"}}},
      {"0x800: a full code shows its whole list",
       With([](Scheme& s) { s.query_flags = kEmptyCodeShowsOne; s.unique = 0; }), "abce", {2, {"ABCE1", "ABCE2"}}},
  });
}

TEST(Query, WhatIsListed) {
  Check({
      {"exact codes only, equal ones in table order", {}, "ab", {2, {"x", "AB", "\xE4\xB8\xAD\xE5\x9B\xBD"}}},
      {"longer codes listed from +44, larger order values first", With([](Scheme& s) { s.following = 3; }), "abc",
       {2, {"ABCE1", "ABCE2", "ABCD", "ABCDE"}}},
      {"not below +44", With([](Scheme& s) { s.following = 4; }), "abc", {2, {}}},
      {"words of several characters hidden below +43, command words kept",
       With([](Scheme& s) { s.words = 3; }), "ab", {2, {"x"}}},
      {"single characters shown below +43", With([](Scheme& s) { s.words = 3; }), "a", {2, {"A"}}},
      {"deleted records are never listed", {}, "ae", {2, {"AE"}}},
      {"main scheme: system and user words, neither secondary nor auxiliary", {}, "ac", {2, {"AC-none", "AC-user"}}},
      {"main scheme with secondary words",
       With([](Scheme& s) { s.ime_flags |= ime_block::kAlwaysSearchSecondary; }), "ac", {2, {"AC-none", "AC-secondary", "AC-user"}}},
      {"main scheme with auxiliary words",
       With([](Scheme& s) { s.ime_flags |= ime_block::kSchemeAuxiliary; }), "ac", {2, {"AC-auxiliary", "AC-none", "AC-user"}}},
      {"auxiliary scheme: auxiliary words only", With([](Scheme& s) { s.ime_flags = ime_block::kSchemeAuxiliary; }), "ac",
       {2, {"AC-auxiliary"}}},
      {"neither scheme: secondary and unclassed words only", With([](Scheme& s) { s.ime_flags = 0; }), "ac",
       {2, {"AC-none", "AC-secondary"}}},
      {"secondary words when nothing else is found",
       With([](Scheme& s) { s.ime_flags |= ime_block::kSearchSecondaryWhenEmpty; }), "ad", {2, {"AD-secondary"}}},
      {"no secondary retry without the switch", {}, "ad", {2, {}}},
      {"a code of no word", {}, "qq", {2, {}}},
      {"empty codes show the following codes with 0x2",
       With([](Scheme& s) { s.query_flags = query_flag::kEmptyCodeShowsFollowing; s.unique = 0; }), "abc",
       {2, {"ABCE1", "ABCE2", "ABCD", "ABCDE"}}},
  });
}

TEST(Query, WildcardAndLeadKeys) {
  Check({
      {"an inner wildcard, one extra code byte scoring less", {}, "azcd", {2, {"ABCD", "ABCDE"}}},
      {"a trailing wildcard lists longer codes", {}, "abcz", {2, {"ABCE1", "ABCE2", "ABCD", "ABCDE"}}},
      {"a leading wildcard stands for the marked keys", With([](Scheme& s) { s.wildcard_keys = "abx"; }), "zcd",
       {2, {"BCD", "XCD"}}},
      {"a code holding the wildcard key itself is found", {}, "zz", {2, {"ZZ"}}},
      {"the wildcard alone lists nothing without 0x8", With([](Scheme& s) { s.wildcard_keys = "ae"; }), "z", {2, {"Z"}}},
      {"the wildcard alone with 0x8 lists one-key codes",
       With([](Scheme& s) { s.wildcard_keys = "ae"; s.query_flags = query_flag::kSingleKeyWildcard; }), "z",
       {2, {"Z", "A", "E"}}},
      {"auxiliary lead key: auxiliary words only", With([](Scheme& s) { s.auxiliary = '['; }), "[ac", {2, {"AC-auxiliary"}}},
      {"secondary lead key: secondary and unclassed words", With([](Scheme& s) { s.secondary = ']'; }), "]ac",
       {2, {"AC-none", "AC-secondary"}}},
      {"temporary-English lead key lists nothing yet", With([](Scheme& s) { s.english = ';'; }), ";ab", {2, {}}},
      {"the extension lead key is a lead key", With([](Scheme& s) { s.extension = '/'; }), "/ab", {2, {}}},
      {"a lead key alone is nothing to query", With([](Scheme& s) { s.auxiliary = '['; }), "[", {0, {}}},
  });
}

TEST(Query, PinnedRecordsAreListedFurtherThanOrdinaryOnes) {
  std::vector<TableRecord> words;
  for (int i = 0; i < 1200; ++i) words.push_back({"q", "o" + std::to_string(i), kSystem});
  for (int i = 0; i < 1600; ++i) words.push_back({"q", "p" + std::to_string(i), RecordFlags(kClassSystem, 0, kFlagPinned)});
  test::InstalledEngine engine(Folder(Scheme{}, words));
  Type(engine.get(), "q");
  int pinned = 0;
  for (int i = 0; i < engine->candidate_count; ++i) pinned += (engine->candidates[i].record[0] & kFlagPinned) ? 1 : 0;
  EXPECT_EQ(engine->candidate_count - pinned, 1000);  // the 1001st ordinary match is dropped
  EXPECT_EQ(engine->candidate_count, 2500);            // pinned ones go on to the 2500th place
  EXPECT_EQ(pinned, 1500);
}

TEST(Query, TemporaryWordsAreListedButNeverCommittedByThemselves) {
  test::InstalledEngine engine(Folder(Scheme{}, Words(), {{"tttt", "T", RecordFlags(kClassSystem, 0)}}));
  EXPECT_EQ(Type(engine.get(), "tttt"), (Outcome{2, {"T"}}));
  EXPECT_EQ(engine->candidates[0].kind, kind::kTemporary);
}

TEST(Query, CodeHintsShowTheNextCodeCharacters) {
  test::InstalledEngine engine(Folder(With([](Scheme& s) { s.following = 2; })));
  Type(engine.get(), "ab");
  ASSERT_GT(engine->page_item_count, 3);
  EXPECT_EQ(std::u16string(engine->page[1].comment), u"");    // AB itself
  EXPECT_EQ(Utf8(engine->page[3].text), "ABCE1");
  EXPECT_EQ(std::u16string(engine->page[3].comment), u"ce");
}

TEST(Query, TheWildcardAloneRepeatsTheLastCommit) {
  test::InstalledEngine engine(Folder(With([](Scheme& s) { s.query_flags = query_flag::kWildcardRepeatsLastCommit; })));
  const std::u16string last = u"上次";
  for (std::size_t i = 0; i <= last.size(); ++i) engine->blocks.ime.WriteU16(0x4100 + 2 * i, i < last.size() ? last[i] : 0);
  EXPECT_EQ(Type(engine.get(), "z"), (Outcome{2, {"\xE4\xB8\x8A\xE6\xAC\xA1", "Z"}}));
}

TEST(Query, QueriesNeverChangeTheSharedSettings) {
  test::InstalledEngine engine(Folder(With([](Scheme& s) {
    s.following = 2;
    s.ime_flags |= ime_block::kSearchSecondaryWhenEmpty;
    s.auxiliary = '[';
  })));
  const std::vector<std::uint8_t> before(engine->blocks.dme.data, engine->blocks.dme.data + engine->blocks.dme.size);
  const std::vector<std::uint8_t> ime_before(engine->blocks.ime.data, engine->blocks.ime.data + engine->blocks.ime.size);
  for (const std::string keys : {"azc", "ad", "[ac", "z", "abcd"}) {
    engine->key_count = 0;
    Type(engine.get(), keys);
  }
  EXPECT_EQ(std::vector<std::uint8_t>(engine->blocks.dme.data, engine->blocks.dme.data + engine->blocks.dme.size), before);
  EXPECT_EQ(std::vector<std::uint8_t>(engine->blocks.ime.data, engine->blocks.ime.data + engine->blocks.ime.size), ime_before);
}

TEST(Query, ZeroPageSizeReadsAsFive) {
  test::InstalledEngine engine(Folder(With([](Scheme& s) { s.page_size = 0; s.following = 1; s.unique = 0; })));
  EXPECT_EQ(Type(engine.get(), "a").page.size(), 5u);
}

TEST(Query, ClassifyKey) {
  struct KeyCase {
    const char* name;
    Scheme scheme;
    std::string typed;
    char16_t key;
    int expected;
  };
  const Scheme english = With([](Scheme& s) { s.english = ';'; });
  const std::vector<KeyCase> cases = {
      {"not a code key at all", {}, "", u'\u4E2D', key_action::kNotCode},
      {"the wildcard during input", {}, "a", u'z', key_action::kCode},
      {"a plain key during input", {}, "a", u'b', key_action::kNotCode},
      {"a key that commits when nothing continues, something does", With([](Scheme& s) { s.commit_when_alone_keys = "b"; }),
       "a", u'b', key_action::kCode},
      {"a key that commits when nothing continues, nothing does", With([](Scheme& s) { s.commit_when_alone_keys = "q"; }),
       "a", u'q', key_action::kCommitThenHandle},
      {"a wildcard-class key during input", With([](Scheme& s) { s.wildcard_keys = "q"; }), "a", u'q',
       key_action::kCommitThenHandle},
      {"a code-end key that codes continue", With([](Scheme& s) { s.code_end_keys = "b"; }), "a", u'b', key_action::kCode},
      {"a code-end key after a single candidate", With([](Scheme& s) { s.code_end_keys = "q"; }), "bcd", u'q',
       key_action::kOutputText},
      {"a code-end key with no candidate", With([](Scheme& s) { s.code_end_keys = "q"; }), "qq", u'q',
       key_action::kCommitThenHandle},
      {"a code-end key after several candidates", With([](Scheme& s) { s.code_end_keys = "q"; }), "abce", u'q',
       key_action::kNotCode},
      {"English input: a digit after a digit", english, ";1", u'2', key_action::kCode},
      {"English input: a digit after a letter", english, ";a", u'2', key_action::kCommitThenHandle},
      {"English input: space without candidates", english, ";a", u' ', key_action::kCode},
      {"English input: the lead key again", english, ";a", u';', key_action::kCommit},
      {"English input: the lead key again alone", english, ";", u';', key_action::kNotCode},
      {"empty input: a commit-lead key with longer codes", With([](Scheme& s) { s.commit_lead_keys = "a"; }), "", u'a',
       key_action::kCode},
      {"empty input: a commit-lead key without", With([](Scheme& s) { s.commit_lead_keys = "q"; }), "", u'q',
       key_action::kNotCode},
      {"empty input: the wildcard without 0x8", {}, "", u'z', key_action::kNotCode},
      {"empty input: the wildcard with 0x8", With([](Scheme& s) { s.query_flags = query_flag::kSingleKeyWildcard; }), "",
       u'z', key_action::kCode},
      {"empty input: a lead key", english, "", u';', key_action::kCode},
      {"empty input: a wildcard-class key", With([](Scheme& s) { s.wildcard_keys = "a"; }), "", u'a', key_action::kCode},
      {"empty input: a plain key", {}, "", u'a', key_action::kNotCode},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::InstalledEngine engine(Folder(c.scheme));
    Type(engine.get(), c.typed);
    EXPECT_EQ(ClassifyKey(c.key, engine.get()), c.expected);
  }
}

}  // namespace
}  // namespace lz
