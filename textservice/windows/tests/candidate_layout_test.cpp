#include "textservice/windows/candidate_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "textservice/engine/code_table_format.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/skin_block.h"

namespace lz {
namespace {

namespace cr = candidate_region;

// Code font: 8 x 10 per unit; candidate font: 16 x 20 per unit.
class FakeMeasurer : public TextMeasurer {
 public:
  TextSize Measure(CandidateFont font, std::u16string_view text) const override {
    const auto n = static_cast<std::int32_t>(text.size());
    return font == CandidateFont::kCode ? TextSize{8 * n, 10} : TextSize{16 * n, 20};
  }
};

constexpr std::int32_t kBackgroundWidth = 30;
constexpr std::int32_t kBackgroundHeight = 20;
constexpr std::int32_t kButtonSize = 8;

CandidateLayout Layout(std::int32_t candidate_y) {
  CandidateLayout l{};
  l.code_origin = {4, 2};
  l.candidate_origin = {4, candidate_y};
  l.index_to_word_gap = 2;
  l.word_to_hint_gap = 3;
  l.candidate_gap = 10;
  l.line_gap = 4;
  l.right_margin = 6;
  l.bottom_margin = 5;
  l.horizontal_stretch = {10, 10};
  l.vertical_stretch = {10, 10};
  for (SkinPoint* p : {&l.next_page_button, &l.previous_page_button, &l.punctuation_button, &l.width_button})
    *p = {-1, -1};
  for (int k = 0; k < kSkinExtensionButtons; ++k) l.extension_x[k] = l.extension_y[k] = -1;
  return l;
}

// Merged layouts start the candidates at y 16, embedded ones at y 6.
LoadedSkin MakeSkin() {
  LoadedSkin skin;
  SkinDescription& d = skin.description;
  d.merged = d.merged_vertical = Layout(16);
  d.embedded = d.embedded_vertical = Layout(6);
  d.text.code_font.colour = 0x111111;
  d.text.candidate_font.colour = 0x222222;
  d.text.index_colour = 0x333333;
  d.text.hint_colour = 0x444444;
  d.text.temp_word_colour = 0x555555;
  d.text.user_word_colour = 0x666666;
  d.text.first_candidate_colour = 0x777777;
  for (int slot : {kCandHBImage, kCandHBVerticalImage, kCandQRImage, kCandQRVerticalImage})
    skin.images.images[static_cast<std::size_t>(slot)] = NewSkinImage(kBackgroundWidth, kBackgroundHeight);
  // A second vertical background size tells the chosen image apart.
  skin.images.images[kCandHBVerticalImage] = NewSkinImage(kBackgroundWidth, kBackgroundHeight + 1);
  for (int group : {kPreviousPageImages, kNextPageImages}) {
    for (int state = 0; state < kSkinStates; ++state)
      skin.images.images[static_cast<std::size_t>(group + state)] = NewSkinImage(kButtonSize, kButtonSize);
  }
  return skin;
}

struct Candidate {
  std::u16string text;
  std::u16string hint;
  std::uint8_t kind = kind::kMain;
  std::uint32_t record_class = code_table::kClassSystem;
};

// The content of a page of candidates typed with `input`; numbers and hints shown, horizontal.
struct Page {
  std::vector<Candidate> candidates;
  std::u16string input = u"zw";
  CandidateContent content{};

  explicit Page(std::vector<Candidate> list, std::u16string typed = u"zw")
      : candidates(std::move(list)), input(std::move(typed)) {
    content.skin_flags = skin_block::kShowNumbers | skin_block::kShowCodeHints | skin_block::kHorizontal;
    content.attached = true;
    content.has_input = !input.empty();
    content.candidate_count = static_cast<std::int32_t>(candidates.size());
    content.paging = PagingState{0, 0, content.candidate_count - 1, 0, 0};
    content.slot_count = std::min<std::int32_t>(content.candidate_count, kCandidateSlots);
    for (int i = 0; i < content.slot_count; ++i) {
      const Candidate& c = candidates[static_cast<std::size_t>(i)];
      content.slots[i] = CandidateSlot{c.text, c.hint, c.kind, c.record_class, 0, 0};
    }
    content.composition = input;
    content.composition_cursor = static_cast<std::int32_t>(input.size());
  }
};

std::vector<Candidate> TwoCandidates() { return {{u"中文", u"ab"}, {u"字", u""}}; }

CandidateWindowLayout Lay(const LoadedSkin& skin, const CandidateContent& content) {
  CandidateWindowLayout out;
  InitCandidateRegions(out.regions);
  UpdateCandidateLayout(skin, content, FakeMeasurer{}, out);
  return out;
}

std::u16string Text(const CandidateWindowLayout& w, int region) {
  const SkinHitRegion& r = w.regions[static_cast<std::size_t>(region)];
  return std::u16string(r.text, static_cast<std::size_t>(r.text_length));
}

struct At {
  std::int32_t x, y;
  bool operator==(const At&) const = default;
};
std::ostream& operator<<(std::ostream& os, const At& a) { return os << "(" << a.x << "," << a.y << ")"; }
At Pos(const CandidateWindowLayout& w, int region) {
  return {w.regions[static_cast<std::size_t>(region)].x, w.regions[static_cast<std::size_t>(region)].y};
}

TEST(CandidateLayout, StylesCombinedOrEmbeddedAndRightToLeftPlaceTheRegions) {
  constexpr std::uint32_t H = skin_block::kHorizontal, V = 0, LV = skin_block::kVerticalFromLeft;
  constexpr At kHidden{-2, -2};
  struct Case {
    const char* name;
    std::uint32_t style;
    bool embedded;
    bool rtl;
    std::int32_t width, height;
    At word0, word1, index0, hint0, code;
  };
  const Case cases[] = {
      {"horizontal", H, false, false, 117, 41, {14, 16}, {85, 16}, {4, 21}, {49, 21}, {4, 2}},
      {"horizontal, right to left", H, false, true, 117, 41, {69, 16}, {14, 16}, {103, 21}, {50, 21}, {95, 2}},
      {"horizontal, embedded", H, true, false, 117, 31, {14, 6}, {85, 6}, {4, 11}, {49, 11}, kHidden},
      {"horizontal, embedded, right to left", H, true, true, 117, 31, {69, 6}, {14, 6}, {103, 11}, {50, 11}, kHidden},
      {"vertical", V, false, false, 71, 69, {14, 16}, {14, 40}, {4, 26}, {49, 26}, {4, 2}},
      {"vertical, right to left", V, false, true, 71, 69, {23, 16}, {39, 40}, {57, 26}, {4, 26}, {49, 2}},
      {"vertical, embedded", V, true, false, 71, 59, {14, 6}, {14, 30}, {4, 16}, {49, 16}, kHidden},
      {"vertical, embedded, right to left", V, true, true, 71, 59, {23, 6}, {39, 30}, {57, 16}, {4, 16}, kHidden},
      {"left-vertical", LV, false, false, 58, 92, {4, 28}, {28, 28}, {10, 16}, {6, 63}, {4, 2}},
      {"left-vertical, right to left", LV, false, true, 58, 92, {32, 28}, {8, 28}, {38, 16}, {34, 73}, {36, 2}},
      {"left-vertical, embedded", LV, true, false, 58, 82, {4, 18}, {28, 18}, {10, 6}, {6, 53}, kHidden},
      {"left-vertical, embedded, right to left", LV, true, true, 58, 82, {32, 18}, {8, 18}, {38, 6}, {34, 63},
       kHidden},
  };
  const LoadedSkin skin = MakeSkin();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Page page(TwoCandidates());
    page.content.skin_flags = skin_block::kShowNumbers | skin_block::kShowCodeHints | c.style |
                              (c.rtl ? skin_block::kRightToLeft : 0);
    if (c.embedded) page.content.ime_flags = ime_block::kInlineCode;
    const CandidateWindowLayout w = Lay(skin, page.content);
    EXPECT_EQ(w.width, c.width);
    EXPECT_EQ(w.height, c.height);
    EXPECT_EQ(w.combined, !c.embedded);
    EXPECT_EQ(Pos(w, cr::kFirstWord), c.word0);
    EXPECT_EQ(Pos(w, cr::kFirstWord + 1), c.word1);
    EXPECT_EQ(Pos(w, cr::kFirstIndex), c.index0);
    EXPECT_EQ(Pos(w, cr::kFirstHint), c.hint0);
    EXPECT_FALSE(w.regions[cr::kFirstHint + 1].Shown()) << "an empty hint is hidden";
    if (c.code == kHidden) {
      EXPECT_FALSE(w.regions[cr::kCode].Shown());
    } else {
      EXPECT_EQ(Pos(w, cr::kCode), c.code);
      EXPECT_EQ(Text(w, cr::kCode), u"zw");
    }
    ASSERT_NE(w.background, nullptr);
    EXPECT_EQ(w.background->width, c.width);
    EXPECT_EQ(w.background->height, c.height);
    // Rotated words start at their box's right edge.
    EXPECT_EQ(w.regions[cr::kFirstWord].text_offset_x, c.style == LV ? 20 : 0);
  }
}

TEST(CandidateLayout, TheEmbeddedHighlightedCandidateIsLeftOut) {
  std::vector<Candidate> five;
  for (const char16_t* t : {u"一", u"二", u"三", u"四", u"五"}) five.push_back({t, u""});
  Page page(five);
  page.content.ime_flags = ime_block::kInlineFirstCandidate;
  page.content.option_flags = ime_block::kHideInlineFirst;
  const CandidateWindowLayout w = Lay(MakeSkin(), page.content);
  const std::u16string words[] = {u"二", u"三", u"四", u"五"};
  const std::u16string labels[] = {u"1", u"2", u"3", u"4"};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(Text(w, cr::kFirstWord + k), words[k]);
    EXPECT_EQ(Text(w, cr::kFirstIndex + k), labels[k]);
    EXPECT_EQ(w.regions[static_cast<std::size_t>(cr::kFirstWord + k)].text_colours[0], 0x222222)
        << "no first-candidate colour while the first is embedded";
  }
  EXPECT_FALSE(w.regions[cr::kFirstWord + 4].Shown());
  // Slot k shows page place k + 1 while the highlight is at place 0 ...
  EXPECT_EQ(PagePlaceOfSlot(page.content, 0), 1);
  // ... but once the highlight moved past slot k, slot k shows place k.
  page.content.paging.highlighted = 2;
  EXPECT_EQ(PagePlaceOfSlot(page.content, 1), 1);
  EXPECT_EQ(PagePlaceOfSlot(page.content, 2), 3);
  page.content.mode = mode::kComposingAfterCommit;
  EXPECT_EQ(PagePlaceOfSlot(page.content, 2), 2);
}

TEST(CandidateLayout, LongWordsAndCodesAreCut) {
  struct Case {
    const char* name;
    std::int32_t max_candidates, max_code;
    std::u16string word, code;
  };
  const std::u16string twenty = u"一二三四五六七八九十甲乙丙丁戊己庚辛壬癸";
  const Case cases[] = {
      {"six and an ellipsis; the code's tail", 6, 3, u"一二三四五六\u2026", u"ef|"},
      {"no maximum", 0, 0, twenty, u"abcdef|"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoadedSkin skin = MakeSkin();
    skin.description.text.max_candidates = c.max_candidates;
    skin.description.text.max_code_chars = c.max_code;
    Page page({{twenty, u""}, {u"字", u""}}, u"abcdef");
    page.content.skin_flags |= skin_block::kCursorBar;
    const CandidateWindowLayout w = Lay(skin, page.content);
    EXPECT_EQ(Text(w, cr::kFirstWord), c.word);
    EXPECT_EQ(Text(w, cr::kCode), c.code);
    EXPECT_EQ(w.regions[cr::kFirstWord].width, 16 * static_cast<std::int32_t>(c.word.size()));
  }
}

TEST(CandidateLayout, TheCursorMarkSitsAtTheCursor) {
  struct Case {
    std::uint32_t cursor_style;
    std::u16string code;
  };
  const Case cases[] = {{skin_block::kCursorBar, u"ab|c"}, {skin_block::kCursorUnderline, u"ab_c"}, {0, u"abc"}};
  for (const Case& c : cases) {
    Page page(TwoCandidates(), u"abc");
    page.content.composition_cursor = 2;
    page.content.skin_flags |= c.cursor_style;
    EXPECT_EQ(Text(Lay(MakeSkin(), page.content), cr::kCode), c.code);
  }
}

TEST(CandidateLayout, AutomaticVerticalLaysOutVerticallyForThisPageOnly) {
  const LoadedSkin skin = MakeSkin();
  Page page(TwoCandidates(), u"zx");
  page.content.auto_vertical = true;
  const CandidateWindowLayout w = Lay(skin, page.content);
  EXPECT_EQ(w.style, CandidateStyle::kVertical);
  EXPECT_EQ(w.layout, &skin.description.merged_vertical);
  EXPECT_EQ(w.width, 71);
  // The left-vertical style is not switched.
  page.content.skin_flags = (page.content.skin_flags & ~skin_block::kLayoutMask) | skin_block::kVerticalFromLeft;
  EXPECT_EQ(Lay(skin, page.content).style, CandidateStyle::kLeftVertical);
}

TEST(CandidateLayout, IndexLabelsBySuffixAndLetters) {
  struct Case {
    const char* name;
    char16_t suffix;
    bool letters;
    std::uint32_t style;
    std::u16string first, second;
  };
  const Case cases[] = {
      {"numbers", 0, false, skin_block::kHorizontal, u"1", u"2"},
      {"numbers with a suffix", u'.', false, skin_block::kHorizontal, u"1.", u"2."},
      {"letters", 0, true, skin_block::kHorizontal, u"a", u"b"},
      {"letters with a suffix", u'.', true, skin_block::kHorizontal, u"a.", u"b."},
      {"no suffix in the left-vertical style", u'.', false, skin_block::kVerticalFromLeft, u"1", u"2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoadedSkin skin = MakeSkin();
    for (CandidateLayout* l : {&skin.description.merged, &skin.description.merged_vertical}) l->index_suffix = c.suffix;
    Page page(TwoCandidates());
    page.content.skin_flags = skin_block::kShowNumbers | c.style;
    if (c.letters) page.content.mode = mode::kReadingsShown;
    const CandidateWindowLayout w = Lay(skin, page.content);
    EXPECT_EQ(Text(w, cr::kFirstIndex), c.first);
    EXPECT_EQ(Text(w, cr::kFirstIndex + 1), c.second);
  }
  // Labels and hints are hidden when their settings are off.
  Page page(TwoCandidates());
  page.content.skin_flags = skin_block::kHorizontal;
  const CandidateWindowLayout w = Lay(MakeSkin(), page.content);
  EXPECT_FALSE(w.regions[cr::kFirstIndex].Shown());
  EXPECT_FALSE(w.regions[cr::kFirstHint].Shown());
}

TEST(CandidateLayout, WordTextsAndColoursByKind) {
  struct Case {
    const char* name;
    Candidate candidate;
    std::uint32_t mode;
    std::u16string shown;
    std::int32_t colour;
  };
  const Case cases[] = {
      {"a system word", {u"字", u"", kind::kMain, code_table::kClassSystem}, 0, u"字", 0x222222},
      {"a temporary word", {u"字", u"", kind::kTemporary, 0}, 0, u"字", 0x555555},
      {"a user word", {u"字", u"", kind::kMain, code_table::kClassUser}, 0, u"字", 0x666666},
      {"a user word of another table", {u"字", u"", kind::kUnfiltered, code_table::kClassUser}, 0, u"字", 0x222222},
      {"a secondary word in a wildcard query", {u"字", u"", kind::kMain, code_table::kClassSecondary},
       mode::kWildcardQuery, u"*字", 0x222222},
      {"a secondary word otherwise", {u"字", u"", kind::kMain, code_table::kClassSecondary}, 0, u"字", 0x222222},
      {"a tagged record", {u"字", u"", kind::kMain, 5}, 0, u"^Q7 字", 0x222222},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoadedSkin skin = MakeSkin();
    skin.description.text.hover_colour = 0x0000FF;
    Page page({{u"首", u""}, c.candidate});
    page.content.slots[1].tag_char = u'Q';
    page.content.slots[1].tag_number = 7;
    page.content.mode = c.mode;
    const CandidateWindowLayout w = Lay(skin, page.content);
    const SkinHitRegion& word = w.regions[cr::kFirstWord + 1];
    EXPECT_EQ(Text(w, cr::kFirstWord + 1), c.shown);
    EXPECT_EQ(word.text_colours[region_state::kNormal], c.colour);
    EXPECT_EQ(word.text_colours[region_state::kPressed], c.colour);
    EXPECT_EQ(word.text_colours[region_state::kHot], 0x0000FF);
    EXPECT_EQ(w.regions[cr::kFirstWord].text_colours[0], 0x777777) << "the highlighted first candidate";
  }
  // A negative index or hint colour takes the word's colours.
  LoadedSkin skin = MakeSkin();
  skin.description.text.index_colour = -1;
  skin.description.text.hint_colour = -1;
  Page page({{u"首", u"ab"}, {u"字", u"cd", kind::kTemporary}});
  const CandidateWindowLayout w = Lay(skin, page.content);
  EXPECT_EQ(w.regions[cr::kFirstIndex + 1].text_colours[0], 0x555555);
  EXPECT_EQ(w.regions[cr::kFirstHint + 1].text_colours[0], 0x555555);
  EXPECT_EQ(w.regions[cr::kFirstHint].text_colours[0], 0x777777);
  EXPECT_EQ(w.regions[cr::kCode].text_colours[3], 0x111111);
}

TEST(CandidateLayout, TheWindowDoesNotShow) {
  struct Case {
    const char* name;
    std::vector<Candidate> candidates;
    std::u16string input;
    std::uint32_t ime_flags, option_flags, mode;
  };
  const Case cases[] = {
      {"one candidate with 仅重码时显示候选窗口", {{u"字", u""}}, u"a", 0, ime_block::kWindowOnlyForChoices, 0},
      {"one embedded and hidden first candidate", {{u"字", u""}}, u"a", ime_block::kInlineFirstCandidate,
       ime_block::kHideInlineFirst, 0},
      {"隐藏候选窗口", TwoCandidates(), u"a", ime_block::kHideCandidateWindow, 0, 0},
      {"an empty page without input", {}, u"", 0, 0, 0},
      {"an empty page with the input embedded", {}, u"a", ime_block::kInlineCode, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Page page(c.candidates, c.input);
    page.content.ime_flags = c.ime_flags;
    page.content.option_flags = c.option_flags;
    page.content.mode = c.mode;
    const CandidateWindowLayout w = Lay(MakeSkin(), page.content);
    EXPECT_EQ(w.width, 0);
    EXPECT_EQ(w.height, 0);
    EXPECT_EQ(w.background, nullptr);
  }
  // One candidate shows after a commit (association), and the code alone shows while nothing matches.
  Page after({{u"字", u""}}, u"a");
  after.content.option_flags = ime_block::kWindowOnlyForChoices;
  after.content.mode = mode::kComposingAfterCommit;
  EXPECT_GT(Lay(MakeSkin(), after.content).width, 0);
  Page nothing({}, u"a");
  EXPECT_GT(Lay(MakeSkin(), nothing.content).width, 0);
}

TEST(CandidateLayout, AButtonPastTheStretchBandKeepsItsDistanceToTheRightEdge) {
  for (std::int32_t min_width : {400, 600}) {
    SCOPED_TRACE(min_width);
    LoadedSkin skin = MakeSkin();
    CandidateLayout& l = skin.description.merged;
    l.horizontal_stretch = {100, 200};
    l.min_width = min_width;
    l.next_page_button = {300, 4};
    l.previous_page_button = {150, 4};
    skin.images.images[kCandHBImage] = NewSkinImage(320, kBackgroundHeight);
    Page page(TwoCandidates());
    page.content.skin_flags |= skin_block::kShowButtons;
    const CandidateWindowLayout w = Lay(skin, page.content);
    ASSERT_EQ(w.width, min_width);
    EXPECT_EQ(w.width - w.regions[cr::kNextPage].x, 320 + 6 - 300);
    EXPECT_EQ(Pos(w, cr::kPreviousPage), (At{150, 4}));
    EXPECT_EQ(w.regions[cr::kNextPage].width, kButtonSize);
    EXPECT_FALSE(w.regions[cr::kWidth].Shown()) << "no image, no button";
  }
}

TEST(CandidateLayout, PageButtonsAreDisabledOnTheFirstAndLastPage) {
  struct Case {
    const char* name;
    PagingState paging;
    std::int32_t count;
    std::int32_t previous, next;
  };
  constexpr std::int32_t kOn = region_state::kNormal, kOff = region_state::kDisabled;
  const Case cases[] = {
      {"first of three pages", {0, 0, 1, 1, 0}, 6, kOff, kOn},
      {"middle page", {2, 1, 3, 1, 0}, 6, kOn, kOn},
      {"last page", {4, 1, 5, 0, 0}, 6, kOn, kOff},
      {"the only page", {0, 0, 1, 0, 0}, 2, kOff, kOff},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoadedSkin skin = MakeSkin();
    skin.description.merged.previous_page_button = {2, 2};
    skin.description.merged.next_page_button = {12, 2};
    Page page(TwoCandidates());
    page.content.skin_flags |= skin_block::kShowButtons;
    page.content.paging = c.paging;
    page.content.candidate_count = c.count;
    const CandidateWindowLayout w = Lay(skin, page.content);
    EXPECT_EQ(w.regions[cr::kPreviousPage].state, c.previous);
    EXPECT_EQ(w.regions[cr::kNextPage].state, c.next);
  }
}

TEST(CandidateLayout, SlotRectsAndHitTests) {
  LoadedSkin skin = MakeSkin();
  skin.description.merged.text_border = {1, 2, 3, 4};
  skin.description.merged.previous_page_button = {100, 2};
  skin.description.merged.horizontal_stretch = {10, 200};
  Page page(TwoCandidates());
  page.content.skin_flags |= skin_block::kShowButtons;
  const CandidateWindowLayout w = Lay(skin, page.content);
  // Slot 0: index (4,21) 8x10, word (14,16) 32x20, hint (49,21) 16x10; borders 1, 2, 3, 4.
  const SlotRect r = CandidateSlotRect(w, 0);
  EXPECT_EQ(r.left, 3);
  EXPECT_EQ(r.right, 67);
  EXPECT_EQ(r.top, 13);
  EXPECT_EQ(r.bottom, 40);
  EXPECT_TRUE(CandidateSlotRect(w, 2).Empty());
  struct Case {
    std::int32_t x, y, id;
  };
  const Case cases[] = {
      {0, 20, kHitOutside},           {117, 20, kHitOutside},       {20, 41, kHitOutside},
      {3, 20, kHitBackground},        {4, 20, candidate_id::kFirstSlot},
      {90, 20, candidate_id::kFirstSlot + 1},                       {101, 3, candidate_id::kPreviousPage},
      {100, 3, kHitBackground},       {10, 5, candidate_id::kCode},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HitTestCandidateWindow(w, c.x, c.y), c.id) << c.x << "," << c.y;
  }
  // The box stays out of the right margin.
  skin.description.merged.text_border = {0, 50, 0, 0};
  const CandidateWindowLayout wide = Lay(skin, page.content);
  EXPECT_EQ(CandidateSlotRect(wide, 1).right, wide.width - 6);
}

}  // namespace
}  // namespace lz
