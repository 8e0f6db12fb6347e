#include "textservice/engine/candidate_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/installed_engine.h"
#include "textservice/engine/candidate_commit.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/tests/candidate_fixture.h"

namespace lz {
namespace {

using namespace code_table;
using test::ListSettings;
using test::PageTexts;
using test::SystemWord;
using test::TableRecord;
using test::Utf8;

// One candidate of a sorting case: its record lies at `address` (a rank: lower is earlier in memory).
struct Listed {
  const char* name;
  std::int32_t weight;
  std::uint8_t kind;
  bool pinned;
  std::uint32_t order;
  int address;
};

// The names in the order SortCandidates leaves them.
std::vector<std::string> SortedNames(const std::vector<Listed>& listed, bool low_order_first) {
  auto e = std::make_unique<EngineInstance>();
  std::vector<std::uint8_t> ime(ime_block::kBootStamp + 8);
  e->blocks.ime = ByteView{ime.data(), static_cast<std::uint32_t>(ime.size())};
  e->blocks.ime.WriteU32(ime_block::kBehaviourFlags, low_order_first ? ime_block::kLowOrderFirst : 0);
  constexpr int kRecordSpacing = 16;
  std::vector<std::uint8_t> records(kRecordSpacing * (listed.size() + 1));
  for (const Listed& l : listed) {
    const ByteView record{records.data() + kRecordSpacing * l.address, kRecordSpacing};
    record.WriteU32(0, SystemWord(l.order, l.pinned ? kFlagPinned : 0));
    EXPECT_EQ(ListCandidate(record.data, l.kind, e.get(), l.weight), add_result::kAdded);
  }
  SortCandidates(e.get());
  std::vector<std::string> names;
  for (int i = 0; i < e->candidate_count; ++i) {
    const auto address = (e->candidates[i].record - records.data()) / kRecordSpacing;
    for (const Listed& l : listed) {
      if (l.address == address) names.push_back(l.name);
    }
  }
  return names;
}

TEST(CandidateList, SortsByWeightKindPinnedOrderValueThenAddress) {
  struct Case {
    const char* name;
    std::vector<Listed> listed;
    bool low_order_first;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"larger weight first", {{"w31", 31, kind::kMain, false, 0, 0}, {"w127", 127, kind::kMain, false, 0, 1}}, false,
       {"w127", "w31"}},
      {"weights compare unsigned",
       {{"w127", 127, kind::kMain, false, 0, 0}, {"wFFFFFFFF", -1, kind::kMain, false, 0, 1}}, false,
       {"wFFFFFFFF", "w127"}},
      {"equal weights: generated, association, main, temporary",
       {{"temp", 5, kind::kTemporary, false, 9, 0}, {"main", 5, kind::kMain, false, 0, 1},
        {"generated", 5, kind::kGenerated, false, 0, 2}, {"association", 5, kind::kAssociation, false, 0, 3}},
       false, {"generated", "association", "main", "temp"}},
      {"then pinned first", {{"plain", 5, kind::kMain, false, 99, 0}, {"pinned", 5, kind::kMain, true, 1, 1}}, false,
       {"pinned", "plain"}},
      {"then larger order value first",
       {{"o3", 5, kind::kMain, false, 3, 0}, {"o9", 5, kind::kMain, false, 9, 1}, {"o6", 5, kind::kMain, false, 6, 2}},
       false, {"o9", "o6", "o3"}},
      {"or smaller first with +48 bit 0x10",
       {{"o3", 5, kind::kMain, false, 3, 0}, {"o9", 5, kind::kMain, false, 9, 1}, {"o6", 5, kind::kMain, false, 6, 2}},
       true, {"o3", "o6", "o9"}},
      {"then the lower address first, whatever the order of adding",
       {{"third", 5, kind::kMain, false, 4, 2}, {"first", 5, kind::kMain, false, 4, 0},
        {"second", 5, kind::kMain, false, 4, 1}},
       false, {"first", "second", "third"}},
      {"weight decides before kind, pinned and order value",
       {{"temp-high", 127, kind::kTemporary, false, 0, 0}, {"main-pinned-low", 31, kind::kMain, true, 99, 1}}, false,
       {"temp-high", "main-pinned-low"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SortedNames(c.listed, c.low_order_first), c.expected);
  }
}

// The texts a query lists, each with the kind of the entry that stayed.
std::vector<std::pair<std::string, int>> Listing(std::vector<TableRecord> main, std::vector<TableRecord> temp,
                                                 bool hide_same_text) {
  ListSettings settings;
  settings.following = 1;  // codes that continue the input are listed too, scoring less
  settings.behaviour = hide_same_text ? ime_block::kHideSameTextCandidates : 0;
  test::InstalledEngine engine(test::ListFolder(settings, std::move(main), std::move(temp)));
  test::Type(engine.get(), "ab");
  std::vector<std::pair<std::string, int>> listing;
  for (int i = 0; i < engine->candidate_count; ++i) {
    char16_t text[kPageTextUnits];
    CandidateText(engine->candidates[i], engine.get(), text);
    listing.emplace_back(Utf8(text), engine->candidates[i].kind);
  }
  return listing;
}

TEST(CandidateList, DuplicateTextsKeepTheEntryOfLargerWeight) {
  struct Case {
    const char* name;
    std::vector<TableRecord> main, temp;
    bool hide;
    std::vector<std::pair<std::string, int>> expected;
  };
  const std::vector<Case> cases = {
      {"the main word scores more", {{"ab", "X", SystemWord(1)}}, {{"abc", "X", SystemWord(0)}}, true,
       {{"X", kind::kMain}}},
      {"the temporary word scores more", {{"abc", "X", SystemWord(1)}}, {{"ab", "X", SystemWord(0)}}, true,
       {{"X", kind::kTemporary}}},
      {"equal weights keep the larger order value",
       {{"ab", "X", SystemWord(3)}, {"ab", "Y", SystemWord(0)}}, {{"ab", "X", SystemWord(7)}}, true,
       {{"Y", kind::kMain}, {"X", kind::kTemporary}}},
      {"different texts all stay", {{"ab", "X", SystemWord(1)}}, {{"ab", "Y", SystemWord(0)}}, true,
       {{"X", kind::kMain}, {"Y", kind::kTemporary}}},
      {"without +48 bit 0x8 both stay", {{"ab", "X", SystemWord(1)}}, {{"abc", "X", SystemWord(0)}}, false,
       {{"X", kind::kMain}, {"X", kind::kTemporary}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Listing(c.main, c.temp, c.hide), c.expected);
  }
}

TEST(CandidateList, TheCandidateAfterTheThreeThousandthIsRefusedAndAddingGoesOn) {
  test::InstalledEngine engine(test::ListFolder({}, {{"a", "A", SystemWord(1)}, {"b", "B", SystemWord(1, kFlagDeleted)}}));
  EngineInstance* e = engine.get();
  CodeTableRecord a, b;
  ASSERT_TRUE(RecordAt(e->files.main, 0, a));
  ASSERT_TRUE(RecordAt(e->files.main, 1, b));
  const std::uint8_t* record_a = e->files.main->view + a.offset;
  const std::uint8_t* deleted_b = e->files.main->view + b.offset;
  for (int i = 0; i < kMaxCandidates; ++i) {
    ASSERT_EQ(AddCandidate(record_a, kind::kUnfiltered, 1, e, 127 - i % 100), add_result::kAdded);
  }
  EXPECT_EQ(AddCandidate(record_a, kind::kUnfiltered, 1, e, 127), add_result::kListFull);
  EXPECT_EQ(AddCandidate(deleted_b, kind::kUnfiltered, 1, e, 127), add_result::kDeleted);
  EXPECT_EQ(AddCandidate(record_a, 0, 1, e, 0), add_result::kAdded);  // only asks
  EXPECT_EQ(ListCandidate(record_a, kind::kAssociation, e, 1), add_result::kListFull);
  EXPECT_EQ(e->candidate_count, kMaxCandidates);
  FinishQuery(e);
  EXPECT_EQ(e->page_item_count, 5);
  EXPECT_EQ(e->candidates[0].weight, 127);
  EXPECT_EQ(e->candidates[kMaxCandidates - 1].weight, 28);
}

// Twelve words of one code, ranked by their order values: W01 first.
std::vector<TableRecord> TwelveWords() {
  std::vector<TableRecord> words;
  for (int i = 1; i <= 12; ++i) {
    const std::string name = std::string("W") + (i < 10 ? "0" : "") + std::to_string(i);
    words.push_back({"a", name, SystemWord(static_cast<std::uint32_t>(100 - i))});
  }
  return words;
}

struct PageView {
  int first;
  int highlighted;
  std::vector<std::string> texts;
  bool operator==(const PageView&) const = default;
};

std::ostream& operator<<(std::ostream& out, const PageView& p) {
  out << "first " << p.first << " highlighted " << p.highlighted << " [";
  for (const auto& t : p.texts) out << t << " ";
  return out << "]";
}

PageView ViewOf(const EngineInstance* e) { return {e->paging.first, e->paging.highlighted, PageTexts(e)}; }

TEST(CandidateList, TwelveCandidatesPageAsFiveFiveTwoBothWays) {
  test::InstalledEngine engine(test::ListFolder({}, TwelveWords()));
  EngineInstance* e = engine.get();
  test::Type(e, "a");
  const PageView first{0, 0, {"W01", "W02", "W03", "W04", "W05"}};
  const PageView second{5, 0, {"W06", "W07", "W08", "W09", "W10"}};
  const PageView third{10, 0, {"W11", "W12"}};
  EXPECT_EQ(ViewOf(e), first);
  EXPECT_FALSE(e->paging.previous);
  EXPECT_TRUE(e->paging.more);
  BuildNextPage(e);
  EXPECT_EQ(ViewOf(e), second);
  BuildNextPage(e);
  EXPECT_EQ(ViewOf(e), third);
  EXPECT_TRUE(e->paging.previous);
  EXPECT_FALSE(e->paging.more);
  BuildNextPage(e);
  EXPECT_EQ(ViewOf(e), third) << "there is no fourth page";
  BuildPreviousPage(e);
  EXPECT_EQ(ViewOf(e), second);
  BuildPreviousPage(e);
  EXPECT_EQ(ViewOf(e), first);
  BuildPreviousPage(e);
  EXPECT_EQ(ViewOf(e), first) << "there is no page before the first";
}

TEST(CandidateList, MovingTheHighlightCrossesPagesBothWays) {
  struct Case {
    const char* name;
    std::vector<int> deltas;
    int first;
    int highlighted;
  };
  const std::vector<Case> cases = {
      {"down the first page", {1, 1, 1, 1}, 0, 4},
      {"past the first page's end to the next page's start", {1, 1, 1, 1, 1}, 5, 0},
      {"a long step also turns one page", {7}, 5, 0},
      {"before the first place of the first page stays there", {-1}, 0, 0},
      {"back from the second page to the first's last place", {5, -1}, 0, 4},
      {"back from the third page to the second's last place", {5, 5, -1}, 5, 4},
      {"down the last page of two", {5, 5, 1}, 10, 1},
      {"past the last place of the list stays on it", {5, 5, 1, 1, 1}, 10, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::InstalledEngine engine(test::ListFolder({}, TwelveWords()));
    EngineInstance* e = engine.get();
    test::Type(e, "a");
    for (int delta : c.deltas) EXPECT_EQ(MoveSelection(e, delta), 1);
    EXPECT_EQ(e->paging.first, c.first);
    EXPECT_EQ(e->paging.highlighted, c.highlighted);
    EXPECT_EQ(e->page_item_count, c.first == 10 ? 2 : 5);
  }
  test::InstalledEngine engine(test::ListFolder({}, TwelveWords()));
  EXPECT_EQ(MoveSelection(engine.get(), 1), 0) << "no candidates";
}

// A word-keyed conversion table: the word and its conversion, each ending with a zero byte.
TableRecord Conversion(const char* from, const char* to) { return {std::string(from) + '\0', std::string(to) + '\0'}; }

TEST(CandidateList, OutputConversionShowsEveryConversionAsAnItemOfItsOwn) {
  const std::vector<TableRecord> words = {
      {"ab", "\xE5\x9B\xBD", SystemWord(9)},  // 国
      {"ab", "\xE5\x90\x8E", SystemWord(5)},  // 后
      {"ab", "\xE4\xBA\xBA", SystemWord(1)},  // 人
  };
  const std::vector<TableRecord> traditional = {
      Conversion("\xE5\x9B\xBD", "\xE5\x9C\x8B"),  // 国 -> 國
      Conversion("\xE5\x90\x8E", "\xE5\xBE\x8C"),  // 后 -> 後, the common form, given first
      Conversion("\xE5\x90\x8E", "\xE5\x90\x8E"),  // 后 -> 后 (as in 皇后)
  };
  const std::vector<TableRecord> simplified = {Conversion("\xE4\xBA\xBA", "\xE4\xBA\xBA\xE5\x84\xBF")};  // 人 -> 人儿
  struct Case {
    const char* name;
    std::uint32_t ime_flags;
    bool tables;
    std::uint32_t page_size;
    std::vector<std::vector<std::string>> pages;
    std::string first_commit;
  };
  const std::uint32_t kMain = ime_block::kSchemeMain;
  const std::vector<Case> cases = {
      {"traditional output", kMain | ime_block::kTraditionalOutput, true, 5,
       {{"\xE5\x9C\x8B(\xE5\x9B\xBD)", "\xE5\xBE\x8C(\xE5\x90\x8E)", "\xE5\x90\x8E", "\xE4\xBA\xBA"}},
       "\xE5\x9C\x8B"},
      {"a candidate's conversions stay together on a page", kMain | ime_block::kTraditionalOutput, true, 2,
       {{"\xE5\x9C\x8B(\xE5\x9B\xBD)"}, {"\xE5\xBE\x8C(\xE5\x90\x8E)", "\xE5\x90\x8E"}, {"\xE4\xBA\xBA"}},
       "\xE5\x9C\x8B"},
      {"simplified output", kMain | ime_block::kSimplifiedOutput, true, 5,
       {{"\xE5\x9B\xBD", "\xE5\x90\x8E", "\xE4\xBA\xBA\xE5\x84\xBF(\xE4\xBA\xBA)"}}, "\xE5\x9B\xBD"},
      {"no conversion without the flag", kMain, true, 5, {{"\xE5\x9B\xBD", "\xE5\x90\x8E", "\xE4\xBA\xBA"}},
       "\xE5\x9B\xBD"},
      {"no conversion without the table", kMain | ime_block::kTraditionalOutput, false, 5,
       {{"\xE5\x9B\xBD", "\xE5\x90\x8E", "\xE4\xBA\xBA"}}, "\xE5\x9B\xBD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ListSettings settings;
    settings.ime_flags = c.ime_flags;
    settings.page_size = c.page_size;
    test::DataFolderContents contents = test::ListFolder(settings, words);
    if (c.tables) {
      contents.traditional = traditional;
      contents.simplified = simplified;
    }
    test::InstalledEngine engine(contents);
    EngineInstance* e = engine.get();
    test::Type(e, "ab");
    std::vector<std::vector<std::string>> pages = {PageTexts(e)};
    while (e->paging.more) {
      BuildNextPage(e);
      pages.push_back(PageTexts(e));
    }
    EXPECT_EQ(pages, c.pages);
    // Back again, page by page, over the same pages.
    for (auto page = pages.rbegin() + 1; page != pages.rend(); ++page) {
      BuildPreviousPage(e);
      EXPECT_EQ(PageTexts(e), *page);
    }
    // The first item commits its converted word alone.
    EXPECT_EQ(NavigateCandidates(candidate_command::kFirstPlace, e), 0);
    EXPECT_EQ(Utf8(e->commit.text), c.first_commit);
  }
}

TEST(CandidateList, CodeHintsPassThroughTheDisplayConversionTable) {
  struct Case {
    const char* name;
    bool conversion_on;
    std::string hint;
  };
  const std::vector<Case> cases = {
      {"shown as converted", true, "\xE5\x8F\xA3" "c"},  // b -> 口, c has no entry
      {"as typed while conversion is off", false, "bc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ListSettings settings;
    settings.following = 1;
    settings.behaviour = c.conversion_on ? ime_block::kDisplayConversionOn : 0;
    test::DataFolderContents contents = test::ListFolder(settings, {{"abcd", "ABCD", SystemWord(1)}});
    contents.edit_blocks = [settings](ConfigBlocks& b) {
      test::ApplyListSettings(settings, b);
      b.ime.WriteU16(ime_block::DisplayConversionOffset('b'), u'口');
    };
    test::InstalledEngine engine(contents);
    test::Type(engine.get(), "a");
    ASSERT_EQ(engine->page_item_count, 1);
    EXPECT_EQ(Utf8(engine->page[0].comment), c.hint);
  }
}

// The hint is the code's two characters after the typed key, however many bytes each takes in the table.
TEST(CandidateList, CodeHintsAreTheTwoCharactersAfterTheTypedKey) {
  struct Case {
    const char* code;
    std::string hint;
  };
  const std::vector<Case> cases = {
      {"abcd", "bc"},
      {"ab", "b"},
      {"a\xE4\xB8\xAD" "b", "\xE4\xB8\xAD" "b"},       // 中 takes three bytes
      {"ab\xE4\xB8\xAD", "b\xE4\xB8\xAD"},
      {"a\xF0\xA0\x80\x80" "b", "\xF0\xA0\x80\x80"},  // a character beyond 16 bits takes both places
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    ListSettings settings;
    settings.following = 1;
    test::InstalledEngine engine(test::ListFolder(settings, {{c.code, "ABCD", SystemWord(1)}}));
    test::Type(engine.get(), "a");
    ASSERT_EQ(engine->page_item_count, 1);
    EXPECT_EQ(Utf8(engine->page[0].comment), c.hint);
  }
}

TEST(CandidateList, AListIsDroppedOnceItsTableIsMappedAnew) {
  test::InstalledEngine engine(test::ListFolder({}, TwelveWords()));
  EngineInstance* e = engine.get();
  test::Type(e, "a");
  ASSERT_EQ(e->candidate_count, 12);
  // Appending to a table without free room grows it: its view moves.
  TableRecordBuffer record;
  ASSERT_EQ(MakeTableRecord(u"q", u"Q", nullptr, record), 1);
  ASSERT_EQ(TableAppendRecord(e->files.main, record.bytes, record.size), 1);
  BuildNextPage(e);
  EXPECT_EQ(e->candidate_count, 0);
  EXPECT_EQ(e->page_item_count, 0);
  EXPECT_EQ(MoveSelection(e, 1), 0);
  EXPECT_EQ(e->has_previous_first, 0);
  // A new query lists from the new view.
  e->key_count = e->cursor = 0;
  test::Type(e, "a");
  EXPECT_EQ(e->candidate_count, 12);
}

}  // namespace
}  // namespace lz
