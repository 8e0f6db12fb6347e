#include "textservice/engine/candidate_commit.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/installed_engine.h"
#include "textservice/engine/candidate_list.h"
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

struct Commit {
  int result;
  std::string text;
  std::uint32_t action;
  bool operator==(const Commit&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Commit& c) {
  return out << "result " << c.result << " text \"" << c.text << "\" action 0x" << std::hex << c.action << std::dec;
}

// What a commit command makes of the instance's list: the answer and the commit record.
Commit Navigate(EngineInstance* e, int command) {
  e->commit = CommitRecord{};
  const int result = NavigateCandidates(command, e);
  EXPECT_EQ(e->commit.text_length, std::u16string_view(e->commit.text).size());
  return {result, Utf8(e->commit.text), e->commit.action};
}

std::vector<TableRecord> SevenWords() {
  std::vector<TableRecord> words;
  for (int i = 1; i <= 7; ++i) words.push_back({"ab", "W" + std::to_string(i), SystemWord(static_cast<std::uint32_t>(50 - i))});
  return words;
}

TEST(CandidateCommit, CommandsNamePagePlacesOrTheInput) {
  test::InstalledEngine engine(test::ListFolder({}, SevenWords()));
  EngineInstance* e = engine.get();
  test::Type(e, "ab");
  MoveSelection(e, 2);
  struct Case {
    const char* name;
    int command;
    Commit expected;
  };
  const std::uint32_t kText = commit_action::kText;
  const std::vector<Case> first_page = {
      {"0 takes the highlighted place", 0, {2, "W3", kText}},
      {"13 takes the highlighted place", 13, {2, "W3", kText}},
      {"1 the first place", 1, {0, "W1", kText}},
      {"5 the fifth place", 5, {4, "W5", kText}},
      {"6 lies beyond a page of five", 6, {kEmptyPlace, "", 0}},
      {"10 lies beyond a page of five", 10, {kEmptyPlace, "", 0}},
      {"12 the last place", 12, {4, "W5", kText}},
      {"11 the input itself", 11, {kInputCommitted, "ab", commit_action::kInput}},
      {"no such command", 14, {kEmptyPlace, "", 0}},
  };
  for (const Case& c : first_page) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Navigate(e, c.command), c.expected);
  }
  BuildNextPage(e);
  const std::vector<Case> second_page = {
      {"the second page's first place", 1, {5, "W6", kText}},
      {"the last place of a page of two", 12, {6, "W7", kText}},
      {"an empty place of the page", 3, {kEmptyPlace, "", 0}},
  };
  for (const Case& c : second_page) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Navigate(e, c.command), c.expected);
  }

  test::InstalledEngine none(test::ListFolder({}, SevenWords()));
  test::Type(none.get(), "qq");
  ASSERT_EQ(none->candidate_count, 0);
  const std::vector<Case> no_candidates = {
      {"0 with no candidates commits the input", 0, {kInputCommitted, "qq", commit_action::kInput}},
      {"12 names place 0: the input", 12, {kInputCommitted, "qq", commit_action::kInput}},
      {"13 with no candidates is an empty place", 13, {kEmptyPlace, "", 0}},
      {"1 with no candidates is an empty place", 1, {kEmptyPlace, "", 0}},
  };
  for (const Case& c : no_candidates) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Navigate(none.get(), c.command), c.expected);
  }
}

TEST(CandidateCommit, TheInputCommitsAsTyped) {
  struct Case {
    const char* name;
    std::u16string keys;
    bool full_width;
    std::u16string expected;
  };
  const std::vector<Case> cases = {
      {"the keys", u"abc", false, u"abc"},
      {"a keypad key as its ASCII character", u"a\x11*", false, u"a1*"},
      {"the lead key before further keys is left out", u";ab", false, u"ab"},
      {"the lead key alone stays", u";", false, u";"},
      {"full width", u"a b", true, u"ａ\x3000ｂ"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ListSettings settings;
    settings.english_lead = ';';
    test::InstalledEngine engine(test::ListFolder(settings, SevenWords()));
    EngineInstance* e = engine.get();
    for (char16_t k : c.keys) AppendInputKey(e, k);
    if (c.full_width) e->mode |= mode::kFullWidth;
    EXPECT_EQ(NavigateCandidates(candidate_command::kInput, e), kInputCommitted);
    EXPECT_EQ(std::u16string(e->commit.text), c.expected);
    EXPECT_EQ(e->commit.text_length, c.expected.size());
  }
}

TEST(CandidateCommit, EnglishAndNumberModesRestoreTheTypedCapitalsOnly) {
  struct Case {
    const char* name;
    std::uint32_t mode;
    std::u16string keys;  // as typed; the list was found for their small letters
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"English mode", mode::kEnglish, u"Th", "Them"},
      {"temporary English", mode::kTemporaryEnglish, u"TH", "THem"},
      {"an English word after the lead key", mode::kEnglishLookup, u";Th", "Them"},
      {"Chinese mode keeps the word", 0, u"Th", "them"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ListSettings settings;
    settings.english_lead = ';';
    test::InstalledEngine engine(test::ListFolder(settings, {{"th", "them", SystemWord(1)}}));
    EngineInstance* e = engine.get();
    test::Type(e, "th");
    ASSERT_EQ(e->page_item_count, 1);
    // Keys of an earlier, longer input are still in the buffer past the key count.
    const std::u16string stale = c.keys + u"EMXYZ";
    std::copy(stale.begin(), stale.end(), e->keys);
    e->key_count = static_cast<std::int32_t>(c.keys.size());
    e->mode |= c.mode;
    EXPECT_EQ(NavigateCandidates(1, e), 0);
    EXPECT_EQ(Utf8(e->commit.text), c.expected);
  }
}

// Order values of a table's records by their text, as a freshly opened file holds them.
std::map<std::string, std::uint32_t> OrderValues(const std::filesystem::path& table_path) {
  std::map<std::string, std::uint32_t> values;
  MappedFile* table = nullptr;
  EXPECT_GT(OpenMappedFile(table_path.u16string().c_str(), &table), 0);
  if (!table) return values;
  for (std::uint32_t i = 0; i < RecordCount(table); ++i) {
    CodeTableRecord record;
    if (!RecordAt(table, static_cast<std::int32_t>(i), record)) continue;
    values[std::string(reinterpret_cast<const char*>(record.text), record.text_length)] = OrderValue(record.flags);
  }
  CloseMappedFile(table);
  return values;
}

// Stands for the frequency key, which moves to the front whatever the scheme says (and leaves it at 0).
constexpr std::uint32_t kFrequencyKey = 0x100;

struct Adjusted {
  std::map<std::string, std::uint32_t> orders;  // read back from the closed and reopened table
  std::vector<std::string> page_after;          // the same keys typed into a new engine
};

// Commits page place `place` of the keys' list with the frequency adjustment, then closes the tables.
Adjusted CommitPlace(std::uint32_t frequency, std::vector<TableRecord> words, const std::string& keys, int place) {
  ListSettings settings;
  settings.frequency = frequency == kFrequencyKey ? 0 : frequency;
  test::InstalledFolder folder(test::ListFolder(settings, std::move(words)));
  const EngineSetup setup = folder.Setup();
  EngineInstance* e = CreateEngineInstance(setup);
  EXPECT_NE(e, nullptr);
  if (!e) return {};
  test::Type(e, keys);
  EXPECT_EQ(NavigateCandidates(place, e), place - 1);
  if (frequency == kFrequencyKey) {
    EXPECT_EQ(MoveCandidateToFront(place, e), place - 1);
  } else {
    EXPECT_EQ(CandidateIndexForCommand(place, e), place - 1);
  }
  DestroyEngineInstance(e, setup);

  Adjusted adjusted;
  adjusted.orders = OrderValues(folder.data() / "main.dmg");
  e = CreateEngineInstance(setup);
  test::Type(e, keys);
  adjusted.page_after = PageTexts(e);
  DestroyEngineInstance(e, setup);
  return adjusted;
}

TEST(CandidateCommit, ChosenWordsMoveUpAmongTheirEqualsInTheTable) {
  const std::vector<TableRecord> three = {
      {"abc", "A", SystemWord(30)}, {"abc", "B", SystemWord(20)}, {"abc", "C", SystemWord(10)}};
  const std::vector<TableRecord> five = {{"abc", "A", SystemWord(50)}, {"abc", "B", SystemWord(40)},
                                         {"abc", "C", SystemWord(30)}, {"abc", "D", SystemWord(20)},
                                         {"abc", "E", SystemWord(10)}};
  const std::vector<TableRecord> pinned_first = {{"abc", "A", SystemWord(5, kFlagPinned)},
                                                 {"abc", "B", SystemWord(20)}, {"abc", "C", SystemWord(10)}};
  using Orders = std::map<std::string, std::uint32_t>;
  struct Case {
    const char* name;
    std::uint32_t frequency;
    std::vector<TableRecord> words;
    int place;
    Orders orders;
    std::vector<std::string> page_after;
  };
  const std::vector<Case> cases = {
      {"to the front: the third of three takes the first order value", ime_block::kFrequencyToTop, three, 3,
       {{"A", 20}, {"B", 10}, {"C", 30}}, {"C", "A", "B"}},
      {"the first of its group stays", ime_block::kFrequencyToTop, three, 1, {{"A", 30}, {"B", 20}, {"C", 10}},
       {"A", "B", "C"}},
      {"half way from the fifth of five", ime_block::kFrequencyGradual, five, 5,
       {{"A", 50}, {"B", 30}, {"C", 20}, {"D", 10}, {"E", 40}}, {"A", "E", "B", "C", "D"}},
      {"half way from the third", ime_block::kFrequencyGradual, five, 3,
       {{"A", 40}, {"B", 30}, {"C", 50}, {"D", 20}, {"E", 10}}, {"C", "A", "B", "D", "E"}},
      {"half way from the second", ime_block::kFrequencyGradual, five, 2,
       {{"A", 40}, {"B", 50}, {"C", 30}, {"D", 20}, {"E", 10}}, {"B", "A", "C", "D", "E"}},
      {"both bits: to the front", ime_block::kFrequencyToTop | ime_block::kFrequencyGradual, five, 5,
       {{"A", 40}, {"B", 30}, {"C", 20}, {"D", 10}, {"E", 50}}, {"E", "A", "B", "C", "D"}},
      {"no adjustment", 0, three, 3, {{"A", 30}, {"B", 20}, {"C", 10}}, {"A", "B", "C"}},
      {"the frequency key moves to the front without the scheme's adjustment", kFrequencyKey, three, 3,
       {{"A", 20}, {"B", 10}, {"C", 30}}, {"C", "A", "B"}},
      {"a pinned word is not in the group of unpinned ones", ime_block::kFrequencyToTop, pinned_first, 3,
       {{"A", 5}, {"B", 10}, {"C", 20}}, {"A", "C", "B"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Adjusted adjusted = CommitPlace(c.frequency, c.words, "abc", c.place);
    EXPECT_EQ(adjusted.orders, c.orders);
    EXPECT_EQ(adjusted.page_after, c.page_after);
  }
}

// Lists the main and temporary records of code "ab" in one list (main ones offered unfiltered, so
// both kinds rank alike) and commits a place with the move to the front.
std::map<std::string, std::uint32_t> CommitMixed(int place, std::vector<std::string>& page) {
  ListSettings settings;
  settings.frequency = ime_block::kFrequencyToTop;
  test::InstalledFolder folder(test::ListFolder(
      settings, {{"ab", "A", SystemWord(30)}, {"ab", "B", SystemWord(25)}, {"ab", "C", SystemWord(10)}},
      {{"ab", "T", SystemWord(20)}}));
  const EngineSetup setup = folder.Setup();
  EngineInstance* e = CreateEngineInstance(setup);
  EXPECT_NE(e, nullptr);
  if (!e) return {};
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(RecordCount(e->files.main)); ++i) {
    CodeTableRecord r;
    if (RecordAt(e->files.main, i, r)) AddCandidate(e->files.main->view + r.offset, kind::kUnfiltered, 2, e, 127);
  }
  CodeTableRecord t;
  EXPECT_TRUE(RecordAt(e->files.temp, 0, t));
  AddCandidate(e->files.temp->view + t.offset, kind::kTemporary, 2, e, 127);
  FinishQuery(e);
  page = PageTexts(e);
  CandidateIndexForCommand(place, e);
  DestroyEngineInstance(e, setup);
  std::map<std::string, std::uint32_t> orders = OrderValues(folder.data() / "main.dmg");
  for (const auto& [text, order] : OrderValues(folder.data() / "temp.dmg")) orders["temp " + text] = order;
  return orders;
}

TEST(CandidateCommit, MovesStayInsideOneTableAndLeaveTemporaryAgesAlone) {
  struct Case {
    const char* name;
    int place;
    std::map<std::string, std::uint32_t> orders;
  };
  const std::vector<Case> cases = {
      {"a main word after a temporary one has no group to move in", 4,
       {{"A", 30}, {"B", 25}, {"C", 10}, {"temp T", 20}}},
      {"a main word moves among its main neighbours", 2, {{"A", 25}, {"B", 30}, {"C", 10}, {"temp T", 20}}},
      {"a temporary word changes nothing", 3, {{"A", 30}, {"B", 25}, {"C", 10}, {"temp T", 20}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> page;
    EXPECT_EQ(CommitMixed(c.place, page), c.orders);
    EXPECT_EQ(page, (std::vector<std::string>{"A", "B", "T", "C"}));
  }
}

TEST(CandidateCommit, ATableGrownByAnotherProcessDropsTheListInsteadOfWritingThroughIt) {
  ListSettings settings;
  settings.frequency = ime_block::kFrequencyToTop;
  test::InstalledFolder folder(test::ListFolder(
      settings, {{"abc", "A", SystemWord(30)}, {"abc", "B", SystemWord(20)}, {"abc", "C", SystemWord(10)}}));
  const EngineSetup setup = folder.Setup();
  EngineInstance* e = CreateEngineInstance(setup);
  ASSERT_NE(e, nullptr);
  test::Type(e, "abc");
  ASSERT_EQ(e->candidate_count, 3);

  MappedFile* other = nullptr;  // the same table as another program maps it
  ASSERT_GT(OpenMappedFile((folder.data() / "main.dmg").u16string().c_str(), &other), 0);
  TableRecordBuffer record;
  ASSERT_EQ(MakeTableRecord(u"q", u"Q", nullptr, record), 1);
  ASSERT_EQ(TableAppendRecord(other, record.bytes, record.size), 1);
  CloseMappedFile(other);

  EXPECT_EQ(NavigateCandidates(3, e), 2) << "the page's texts are the instance's own copies";
  EXPECT_EQ(CandidateIndexForCommand(3, e), kNoCandidate);
  EXPECT_EQ(e->candidate_count, 0);
  DestroyEngineInstance(e, setup);
  const auto orders = OrderValues(folder.data() / "main.dmg");
  EXPECT_EQ(orders.at("A"), 30u);
  EXPECT_EQ(orders.at("B"), 20u);
  EXPECT_EQ(orders.at("C"), 10u);
}

}  // namespace
}  // namespace lz
