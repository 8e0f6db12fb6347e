// What the candidate-list UI element tells a host that draws the candidates itself, page by page, and
// when the own candidate window follows the text.
#include "textservice/tsf/candidate_list_element.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "textservice/engine/ime_block.h"
#include "textservice/engine/settings_store.h"

namespace lz {
namespace {

// An engine holding `count` candidates paged by `page_size` (0: the setting left empty), turned to `page`
// with the second item highlighted; item k of a page shows "w{index}".
struct PagedEngine {
  std::vector<std::uint8_t> ime = std::vector<std::uint8_t>(config_store::kImeBlockSize, 0);
  std::unique_ptr<EngineInstance> engine = std::make_unique<EngineInstance>();

  PagedEngine(int count, std::uint32_t page_size, int page) {
    engine->blocks.ime = ByteView{ime.data(), static_cast<std::uint32_t>(ime.size())};
    engine->blocks.ime.WriteU32(ime_block::kCandidateOptions, page_size << ime_block::kPageSizeShift);
    const int size = page_size ? static_cast<int>(page_size) : 5;
    engine->candidate_count = count;
    engine->paging.first = page * size;
    engine->paging.highlighted = 1;
    engine->page_item_count = std::min(size, count - page * size);
    engine->paging.last_shown = engine->paging.first + engine->page_item_count - 1;
    for (int k = 0; k < engine->page_item_count; ++k) {
      const std::u16string text = u"w" + std::u16string(1, static_cast<char16_t>(u'A' + engine->paging.first + k));
      std::copy(text.begin(), text.end(), engine->page[k].text);
      engine->page[k].candidate = engine->paging.first + k;
    }
  }
  const EngineInstance* get() const { return engine.get(); }
};

std::u16string Word(int index) { return u"w" + std::u16string(1, static_cast<char16_t>(u'A' + index)); }

// With 23 candidates paged by 5 the pages start at 0, 5, 10, 15 and 20, the last holding 3: every page,
// a partial last one too, is numbered by the page size.
TEST(CandidateListElement, PagesOf23CandidatesBy5) {
  for (int page = 0; page < 5; ++page) {
    SCOPED_TRACE(page);
    const PagedEngine paged(23, 5, page);
    const EngineInstance* e = paged.get();
    EXPECT_EQ(ElementCount(e), 23u);
    EXPECT_EQ(ElementCurrentPage(e), static_cast<std::uint32_t>(page));
    EXPECT_EQ(ElementSelection(e), static_cast<std::uint32_t>(page * 5 + 1));

    std::uint32_t three[3] = {99, 99, 99};
    EXPECT_EQ(ElementPageIndex(e, three, 3), 5u);
    EXPECT_EQ(std::vector<std::uint32_t>(three, three + 3), (std::vector<std::uint32_t>{0, 5, 10}));
    std::uint32_t ten[10];
    std::fill(ten, ten + 10, 99u);
    EXPECT_EQ(ElementPageIndex(e, ten, 10), 5u);
    EXPECT_EQ(std::vector<std::uint32_t>(ten, ten + 10),
              (std::vector<std::uint32_t>{0, 5, 10, 15, 20, 99, 99, 99, 99, 99}));
    EXPECT_EQ(ElementPageIndex(e, nullptr, 10), 5u);
  }
}

struct StringCase {
  int page;
  int index;
  std::u16string expected;
};

TEST(CandidateListElement, StringsComeOnlyFromTheCurrentPage) {
  const StringCase cases[] = {
      {0, 2, Word(2)},   // the first page's third text
      {1, 7, Word(7)},   // first index + 2
      {1, 5, Word(5)},
      {1, 9, Word(9)},
      {1, 10, u""},      // the next page
      {1, 4, u""},       // before the page
      {1, 22, u""},      // another page
      {4, 22, Word(22)}, // the partial last page's third text
      {4, 23, u""},      // past its three items
      {4, 1000, u""},
  };
  for (const StringCase& c : cases) {
    SCOPED_TRACE(c.index);
    const PagedEngine paged(23, 5, c.page);
    EXPECT_EQ(std::u16string(ElementString(paged.get(), static_cast<std::uint32_t>(c.index))), c.expected);
  }
}

TEST(CandidateListElement, AnEmptyPageSizeSettingPagesByFive) {
  const PagedEngine paged(23, 0, 4);
  EXPECT_EQ(ElementPageSize(paged.get()), 5u);
  EXPECT_EQ(ElementCurrentPage(paged.get()), 4u);
  EXPECT_EQ(ElementPageIndex(paged.get(), nullptr, 0), 5u);
}

TEST(CandidateListElement, WithoutAnEngineOrCandidatesEverythingIsZeroOrEmpty) {
  EXPECT_EQ(ElementCount(nullptr), 0u);
  EXPECT_EQ(ElementSelection(nullptr), 0u);
  EXPECT_EQ(ElementCurrentPage(nullptr), 0u);
  EXPECT_EQ(std::u16string(ElementString(nullptr, 0)), u"");
  std::uint32_t values[2] = {7, 7};
  EXPECT_EQ(ElementPageIndex(nullptr, values, 2), 0u);
  EXPECT_EQ(values[0], 7u);
  const PagedEngine none(0, 5, 0);
  EXPECT_EQ(ElementPageIndex(none.get(), values, 2), 0u);
}

struct FollowCase {
  const char* name;
  TextRect text;
  TextRect window;
  bool visible;
  bool moves;
  SavedTextPosition after;
};

// Saved: the text at (100, 100)-(120, 120) in a window at (50, 60).
TEST(FollowTextPosition, SmallCaretMovesInAnUnmovedWindowAreIgnored) {
  const TextRect text{100, 100, 120, 120};
  const TextRect window{50, 60, 850, 660};
  const TextRect moved_window{80, 90, 880, 690};
  const FollowCase cases[] = {
      {"3 px sideways stays", {103, 100, 123, 120}, window, true, false, {text, window}},
      {"5 px sideways stays", {95, 100, 115, 120}, window, true, false, {text, window}},
      {"6 px sideways moves", {106, 100, 126, 120}, window, true, true, {{106, 100, 126, 120}, window}},
      {"6 px down moves", {100, 106, 120, 126}, window, true, true, {{100, 106, 120, 126}, window}},
      {"a line further down moves", {100, 120, 120, 140}, window, false, true, {{100, 120, 120, 140}, window}},
      {"a moved window moves it", text, moved_window, true, true, {text, moved_window}},
      {"a moved window with a hidden candidate window is only saved", text, moved_window, false, false,
       {text, moved_window}},
      {"a moved window and caret save both", {200, 100, 220, 120}, moved_window, true, true,
       {{200, 100, 220, 120}, moved_window}},
  };
  for (const FollowCase& c : cases) {
    SCOPED_TRACE(c.name);
    SavedTextPosition saved{text, window};
    EXPECT_EQ(FollowTextPosition(saved, c.text, c.window, c.visible), c.moves);
    EXPECT_EQ(saved.text, c.after.text);
    EXPECT_EQ(saved.window, c.after.window);
  }
}

}  // namespace
}  // namespace lz
