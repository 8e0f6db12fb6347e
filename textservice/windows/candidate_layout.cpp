#include "textservice/windows/candidate_layout.h"

#include <algorithm>

#include "textservice/engine/block_fields.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/skin_block.h"
#include "textservice/skin/skin_shape.h"

namespace lz {
namespace {

namespace cr = candidate_region;
namespace rs = region_state;

constexpr char16_t kEllipsis = u'\u2026';
constexpr char16_t kCursorBarMark = u'|';
constexpr char16_t kCursorUnderlineMark = u'_';
// Record classes with a text form of their own.
constexpr std::uint32_t kTaggedRecordClass = 5;
// The code line and the first row keep this distance when their origins differ.
constexpr std::int32_t kCodeRowGap = 2;

SkinHitRegion& Region(SkinRegionTable& t, int index) { return t[static_cast<std::size_t>(index)]; }
const SkinHitRegion& Region(const SkinRegionTable& t, int index) { return t[static_cast<std::size_t>(index)]; }

void Hide(SkinHitRegion& r) {
  r.text[0] = 0;
  r.text_length = 0;
  r.width = 0;
  r.height = 0;
  r.state = rs::kHidden;
}

// A small fixed text buffer; appends are cut at the region's capacity.
struct RegionText {
  char16_t units[kRegionTextUnits] = {};
  std::size_t length = 0;
  void Append(char16_t c) {
    if (length + 1 < kRegionTextUnits) units[length++] = c;
  }
  void Append(std::u16string_view text) {
    for (char16_t c : text) Append(c);
  }
  void AppendNumber(std::int32_t n) {
    if (n < 0) {
      Append(u'-');
      n = -n;
    }
    char16_t digits[12];
    int count = 0;
    do {
      digits[count++] = static_cast<char16_t>(u'0' + n % 10);
      n /= 10;
    } while (n > 0 && count < 12);
    while (count > 0) Append(digits[--count]);
  }
  std::u16string_view View() const { return {units, length}; }
};

void SetText(SkinHitRegion& r, std::u16string_view text, TextSize size) {
  const std::size_t n = std::min<std::size_t>(text.size(), kRegionTextUnits - 1);
  std::copy_n(text.data(), n, r.text);
  r.text[n] = 0;
  r.text_length = static_cast<std::int32_t>(n);
  r.width = size.width;
  r.height = size.height;
  r.text_offset_x = 0;
  r.text_offset_y = 0;
  r.state = rs::kNormal;
}

void SetColours(SkinHitRegion& r, std::int32_t colour, std::int32_t hot) {
  for (std::int32_t& c : r.text_colours) c = colour;
  r.text_colours[rs::kHot] = hot;
}

// Rotated text (the left-vertical style) runs downwards: its box is the unrotated one turned, and its
// drawing origin is the box's top-right corner.
TextSize Rotated(TextSize s) { return {s.height, s.width}; }

struct Settings {
  const TextStyle& text;
  const CandidateLayout& layout;
  CandidateStyle style;
  bool combined;
  bool hidden_first;
  bool rtl;
};

void BuildCodeText(const CandidateContent& c, const Settings& s, const TextMeasurer& m, SkinHitRegion& r) {
  if (!s.combined) {
    Hide(r);
    return;
  }
  RegionText text;
  const std::size_t cursor =
      static_cast<std::size_t>(std::clamp<std::int32_t>(c.composition_cursor, 0, static_cast<std::int32_t>(c.composition.size())));
  text.Append(c.composition.substr(0, cursor));
  if (c.skin_flags & skin_block::kCursorBar) {
    text.Append(kCursorBarMark);
  } else if (c.skin_flags & skin_block::kCursorUnderline) {
    text.Append(kCursorUnderlineMark);
  }
  text.Append(c.composition.substr(cursor));
  std::u16string_view shown = text.View();
  // A maximum of 0 or less sets no limit: an absent key reads 0.
  const std::int32_t max = s.text.max_code_chars;
  if (max > 0 && shown.size() > static_cast<std::size_t>(max)) shown = shown.substr(shown.size() - static_cast<std::size_t>(max));
  SetText(r, shown, m.Measure(CandidateFont::kCode, shown));
  SetColours(r, s.text.code_font.colour, s.text.code_font.colour);
}

void WordText(const CandidateSlot& slot, const CandidateContent& c, const TextStyle& style, RegionText& out) {
  if ((slot.kind == kind::kMain && slot.record_class == kTaggedRecordClass) || (slot.kind & kind::kTextAfterCode)) {
    out.Append(u'^');
    out.Append(slot.tag_char);
    out.AppendNumber(slot.tag_number);
    out.Append(u' ');
  } else if ((c.mode & mode::kWildcardQuery) && slot.record_class == code_table::kClassSecondary) {
    out.Append(u'*');
  }
  out.Append(slot.text);
  if (style.max_candidates >= 1 && out.length > static_cast<std::size_t>(style.max_candidates)) {
    out.length = static_cast<std::size_t>(style.max_candidates);
    out.Append(kEllipsis);
  }
}

std::int32_t WordColour(const CandidateSlot& slot, bool highlighted, const Settings& s) {
  if (highlighted && !s.hidden_first) return s.text.first_candidate_colour;
  if (slot.kind == kind::kTemporary) return s.text.temp_word_colour;
  if (slot.kind == kind::kMain && slot.record_class == code_table::kClassUser) return s.text.user_word_colour;
  return s.text.candidate_font.colour;
}

// Slots fill in order, so a slot's number is also the count of slots shown before it.
void IndexLabel(int slot, const CandidateContent& c, const Settings& s, RegionText& out) {
  const bool letters = c.mode & mode::kReadingsShown;
  const char16_t suffix = s.style == CandidateStyle::kLeftVertical ? 0 : s.layout.index_suffix;
  if (letters) {
    out.Append(static_cast<char16_t>(u'a' + slot));
  } else {
    out.AppendNumber((slot + 1) % 10);
  }
  if (suffix) out.Append(suffix);
}

void BuildSlotTexts(const CandidateContent& c, const Settings& s, const TextMeasurer& m, SkinRegionTable& t) {
  const bool left_vertical = s.style == CandidateStyle::kLeftVertical;
  const int places = std::clamp(c.slot_count, 0, kCandidateSlots);
  int slot = 0;
  for (int place = 0; place < places; ++place) {
    if (s.hidden_first && place == c.paging.highlighted) continue;
    const CandidateSlot& item = c.slots[place];
    SkinHitRegion& word = Region(t, cr::kFirstWord + slot);
    SkinHitRegion& index = Region(t, cr::kFirstIndex + slot);
    SkinHitRegion& hint = Region(t, cr::kFirstHint + slot);

    RegionText text;
    WordText(item, c, s.text, text);
    TextSize size = m.Measure(CandidateFont::kCandidate, text.View());
    if (left_vertical) size = Rotated(size);
    SetText(word, text.View(), size);
    if (left_vertical) word.text_offset_x = size.width;
    const std::int32_t colour = WordColour(item, place == c.paging.highlighted, s);
    const std::int32_t hot = s.text.hover_colour >= 1 ? s.text.hover_colour : colour;
    SetColours(word, colour, hot);

    if (c.skin_flags & skin_block::kShowNumbers) {
      RegionText label;
      IndexLabel(slot, c, s, label);
      SetText(index, label.View(), m.Measure(CandidateFont::kCode, label.View()));
      if (s.text.index_colour >= 0) {
        SetColours(index, s.text.index_colour, s.text.index_colour);
      } else {
        SetColours(index, colour, hot);
      }
    } else {
      Hide(index);
    }

    if ((c.skin_flags & skin_block::kShowCodeHints) && !item.hint.empty()) {
      const std::u16string_view h = item.hint.substr(0, std::min<std::size_t>(item.hint.size(), 2));
      const bool rotated = left_vertical && (c.option_flags & ime_block::kDisplayConversionOn);
      TextSize hint_size = m.Measure(rotated ? CandidateFont::kCandidate : CandidateFont::kCode, h);
      if (rotated) hint_size = Rotated(hint_size);
      SetText(hint, h, hint_size);
      // Drawn with the rotated font, the hint starts at its box's right edge like the word.
      if (rotated) hint.text_offset_x = hint_size.width;
      if (s.text.hint_colour >= 0) {
        SetColours(hint, s.text.hint_colour, s.text.hint_colour);
      } else {
        SetColours(hint, colour, hot);
      }
    } else {
      Hide(hint);
    }
    ++slot;
  }
  for (; slot < kCandidateSlots; ++slot) {
    Hide(Region(t, cr::kFirstIndex + slot));
    Hide(Region(t, cr::kFirstWord + slot));
    Hide(Region(t, cr::kFirstHint + slot));
  }
}

// The size of a shown region, 0 x 0 for a hidden one.
TextSize Shown(const SkinHitRegion& r) { return r.Shown() ? TextSize{r.width, r.height} : TextSize{0, 0}; }

void Place(SkinHitRegion& r, std::int32_t x, std::int32_t y) {
  r.x = x;
  r.y = y;
}

struct SlotSizes {
  TextSize index, word, hint;
  std::int32_t index_gap, hint_gap;  // the spacings that follow the index and lead to the hint, when shown
};

SlotSizes SizesOf(const SkinRegionTable& t, int slot, const CandidateLayout& l) {
  SlotSizes s{Shown(Region(t, cr::kFirstIndex + slot)), Shown(Region(t, cr::kFirstWord + slot)),
              Shown(Region(t, cr::kFirstHint + slot)), 0, 0};
  if (Region(t, cr::kFirstIndex + slot).Shown()) s.index_gap = l.index_to_word_gap;
  if (Region(t, cr::kFirstHint + slot).Shown()) s.hint_gap = l.word_to_hint_gap;
  return s;
}

int ShownSlots(const SkinRegionTable& t) {
  int n = 0;
  while (n < kCandidateSlots && Region(t, cr::kFirstWord + n).Shown()) ++n;
  return n;
}

// Lays out the slots; the window size comes out in width and height. Items whose place depends on the
// final width (right to left) are placed by the caller's second pass, once the minimum size is applied.
struct Geometry {
  std::int32_t width = 0;
  std::int32_t height = 0;
};

std::int32_t FirstRowTop(const Settings& s, const SkinHitRegion& code) {
  std::int32_t y0 = s.layout.candidate_origin.y;
  if (code.Shown() && s.layout.candidate_origin.y != s.layout.code_origin.y)
    y0 = std::max(y0, s.layout.code_origin.y + code.height + kCodeRowGap);
  return y0;
}

std::int32_t RowHeight(const SkinRegionTable& t, int slots) {
  std::int32_t h = Shown(Region(t, cr::kFirstWord)).height;
  for (int k = 0; k < slots; ++k) {
    h = std::max({h, Shown(Region(t, cr::kFirstIndex + k)).height, Shown(Region(t, cr::kFirstHint + k)).height});
  }
  return h;
}

std::int32_t CodeRight(const Settings& s, const SkinHitRegion& code) {
  return code.Shown() ? s.layout.code_origin.x + code.width : 0;
}

Geometry LayoutHorizontal(const Settings& s, SkinRegionTable& t, int slots, bool place) {
  const CandidateLayout& l = s.layout;
  const std::int32_t y0 = FirstRowTop(s, Region(t, cr::kCode));
  const std::int32_t h = RowHeight(t, slots);
  std::int32_t x = l.candidate_origin.x;
  for (int k = 0; k < slots; ++k) {
    const SlotSizes z = SizesOf(t, k, l);
    if (place && !s.rtl) {
      Place(Region(t, cr::kFirstIndex + k), x, y0 + (h - z.index.height) / 2);
      Place(Region(t, cr::kFirstWord + k), x + z.index.width + z.index_gap, y0 + (h - z.word.height) / 2);
      Place(Region(t, cr::kFirstHint + k), x + z.index.width + z.index_gap + z.word.width + z.hint_gap,
            y0 + (h - z.hint.height) / 2);
    }
    x += z.index.width + z.index_gap + z.word.width + z.hint_gap + z.hint.width + l.candidate_gap;
  }
  return {std::max(x, CodeRight(s, Region(t, cr::kCode))) + l.right_margin, y0 + h + l.bottom_margin};
}

void PlaceHorizontalRtl(const Settings& s, SkinRegionTable& t, int slots, std::int32_t width) {
  const CandidateLayout& l = s.layout;
  const std::int32_t y0 = FirstRowTop(s, Region(t, cr::kCode));
  const std::int32_t h = RowHeight(t, slots);
  std::int32_t right = width - l.right_margin;
  for (int k = 0; k < slots; ++k) {
    const SlotSizes z = SizesOf(t, k, l);
    right -= z.index.width;
    Place(Region(t, cr::kFirstIndex + k), right, y0 + (h - z.index.height) / 2);
    right -= z.index_gap + z.word.width;
    Place(Region(t, cr::kFirstWord + k), right, y0 + (h - z.word.height) / 2);
    right -= z.hint_gap + z.hint.width;
    Place(Region(t, cr::kFirstHint + k), right, y0 + (h - z.hint.height) / 2);
    right -= l.candidate_gap;
  }
}

Geometry LayoutVertical(const Settings& s, SkinRegionTable& t, int slots, std::int32_t final_width, bool place) {
  const CandidateLayout& l = s.layout;
  const std::int32_t y0 = FirstRowTop(s, Region(t, cr::kCode));
  const std::int32_t h = RowHeight(t, slots);
  std::int32_t widest = 0;
  std::int32_t top = y0;
  for (int k = 0; k < slots; ++k) {
    const SlotSizes z = SizesOf(t, k, l);
    widest = std::max(widest, z.index.width + z.index_gap + z.word.width + z.hint_gap + z.hint.width);
    if (place) {
      const std::int32_t bottom = top + h;
      std::int32_t index_x = l.candidate_origin.x;
      std::int32_t word_x = index_x + z.index.width + z.index_gap;
      std::int32_t hint_x = word_x + z.word.width + z.hint_gap;
      if (s.rtl) {
        index_x = final_width - l.right_margin - z.index.width;
        word_x = index_x - z.index_gap - z.word.width;
        hint_x = l.candidate_origin.x;
      }
      Place(Region(t, cr::kFirstIndex + k), index_x, bottom - z.index.height);
      Place(Region(t, cr::kFirstWord + k), word_x, bottom - z.word.height);
      Place(Region(t, cr::kFirstHint + k), hint_x, bottom - z.hint.height);
    }
    top += h + l.line_gap;
  }
  const std::int32_t width =
      std::max(l.candidate_origin.x + widest, CodeRight(s, Region(t, cr::kCode))) + l.right_margin;
  return {width, slots * (h + l.line_gap) + y0 + l.bottom_margin};
}

Geometry LayoutLeftVertical(const Settings& s, SkinRegionTable& t, int slots, std::int32_t final_width, bool place) {
  const CandidateLayout& l = s.layout;
  const SkinHitRegion& code = Region(t, cr::kCode);
  std::int32_t widest = 0;
  std::int32_t longest = 0;
  for (int k = 0; k < slots; ++k) {
    const SlotSizes z = SizesOf(t, k, l);
    widest = std::max({widest, z.index.width, z.word.width, z.hint.width});
    longest = std::max(longest, z.index.height + z.index_gap + z.word.height + z.hint_gap + z.hint.height +
                                    l.candidate_gap);
  }
  const std::int32_t pitch = widest + l.line_gap;
  std::int32_t top = l.candidate_origin.y;
  if (s.rtl && code.Shown()) top = std::max(top, l.code_origin.y + code.height + kCodeRowGap);
  if (place) {
    for (int k = 0; k < slots; ++k) {
      const SlotSizes z = SizesOf(t, k, l);
      const std::int32_t column =
          s.rtl ? final_width - l.right_margin - widest - k * pitch : l.candidate_origin.x + k * pitch;
      const std::int32_t word_y = top + z.index.height + z.index_gap;
      const std::int32_t hint_y =
          s.rtl ? top + longest - z.hint.height : word_y + z.word.height + z.hint_gap;
      Place(Region(t, cr::kFirstIndex + k), column + (widest - z.index.width) / 2, top);
      Place(Region(t, cr::kFirstWord + k), column + (widest - z.word.width) / 2, word_y);
      Place(Region(t, cr::kFirstHint + k), column + (widest - z.hint.width) / 2, hint_y);
    }
  }
  // The code line must fit too: it is drawn unrotated, so its width counts.
  const std::int32_t width = std::max(slots * pitch + l.candidate_origin.x, CodeRight(s, code)) + l.right_margin;
  return {width, longest + l.line_gap + top + l.bottom_margin};
}

struct ButtonSpec {
  int region;
  SkinPoint at;
  int first_image;  // the group's state-0 slot
};

void PlaceButtons(const LoadedSkin& skin, const CandidateContent& c, const Settings& s, const SkinImage& background,
                  CandidateWindowLayout& out) {
  const CandidateLayout& l = s.layout;
  ButtonSpec specs[4 + cr::kExtensionCount] = {
      {cr::kPreviousPage, l.previous_page_button, kPreviousPageImages},
      {cr::kNextPage, l.next_page_button, kNextPageImages},
      {cr::kWidth, l.width_button, (c.mode & mode::kFullWidth) ? kFullWidthImages : kHalfWidthImages},
      {cr::kPunctuation, l.punctuation_button,
       (c.mode & mode::kEnglishPunctuation) ? kEnglishPunctuationImages : kChinesePunctuationImages},
  };
  for (int k = 0; k < cr::kExtensionCount; ++k) {
    specs[4 + k] = {cr::kFirstExtension + k, {l.extension_x[k], l.extension_y[k]}, ExtensionImageSlot(k + 1, 0)};
  }
  const bool visible = c.skin_flags & skin_block::kShowButtons;
  for (const ButtonSpec& b : specs) {
    SkinHitRegion& r = Region(out.regions, b.region);
    const SkinImage* normal = skin.images[b.first_image];
    if (!visible || !normal || b.at.x < 0 || b.at.y < 0) {
      Hide(r);
      continue;
    }
    for (int state = 0; state < kRegionStates; ++state) r.images[state] = skin.images[b.first_image + state];
    std::int32_t x = b.at.x;
    std::int32_t y = b.at.y;
    // Past the stretch band a button moves with the far edge, keeping its distance to it.
    if (x > l.horizontal_stretch.last) x += out.width - background.width - l.right_margin;
    if (y > l.vertical_stretch.last) y += out.height - background.height - l.bottom_margin;
    r.x = x;
    r.y = y;
    r.width = normal->width;
    r.height = normal->height;
    r.state = rs::kNormal;
  }
  if (!visible) return;
  SkinHitRegion& previous = Region(out.regions, cr::kPreviousPage);
  SkinHitRegion& next = Region(out.regions, cr::kNextPage);
  if (previous.Shown() && c.paging.first <= 0) previous.state = rs::kDisabled;
  const bool at_end = !c.paging.more && c.paging.last_shown + 1 >= c.candidate_count;
  if (next.Shown() && at_end) next.state = rs::kDisabled;
}

bool MustHide(const CandidateContent& c) {
  const bool composing_after_commit = c.mode & mode::kComposingAfterCommit;
  const bool only_for_choices = c.option_flags & ime_block::kWindowOnlyForChoices;
  const bool first_hidden =
      (c.ime_flags & ime_block::kInlineFirstCandidate) && (c.option_flags & ime_block::kHideInlineFirst);
  if (!composing_after_commit && c.attached && c.candidate_count <= 1 && c.slot_count <= 1 &&
      (only_for_choices || first_hidden))
    return true;
  if (c.ime_flags & ime_block::kHideCandidateWindow) return true;
  if (c.slot_count <= 0 && (!c.has_input || (c.ime_flags & ime_block::kInlineMask))) return true;
  return false;
}

}  // namespace

void InitCandidateRegions(SkinRegionTable& t) {
  for (int i = 0; i < kSkinRegionCount; ++i) {
    SkinHitRegion& r = Region(t, i);
    r = SkinHitRegion{};
    r.state = rs::kHidden;
  }
  for (int k = 0; k < kCandidateSlots; ++k) {
    for (int first : {cr::kFirstIndex, cr::kFirstWord, cr::kFirstHint}) {
      SkinHitRegion& r = Region(t, first + k);
      r.id = candidate_id::kFirstSlot + k;
      r.kind = region_kind::kText;
    }
  }
  Region(t, cr::kCode).id = candidate_id::kCode;
  Region(t, cr::kCode).kind = region_kind::kText;
  for (int i = 0; i <= cr::kCode; ++i) {
    for (std::int32_t& c : Region(t, i).background_colours) c = kNoColour;
  }
  const std::pair<int, std::int32_t> buttons[] = {{cr::kPreviousPage, candidate_id::kPreviousPage},
                                                  {cr::kNextPage, candidate_id::kNextPage},
                                                  {cr::kWidth, candidate_id::kWidth},
                                                  {cr::kPunctuation, candidate_id::kPunctuation}};
  for (const auto& [index, id] : buttons) {
    Region(t, index).id = id;
    Region(t, index).kind = region_kind::kButton;
  }
  for (int k = 0; k < cr::kExtensionCount; ++k) {
    Region(t, cr::kFirstExtension + k).id = candidate_id::kFirstExtension + k;
    Region(t, cr::kFirstExtension + k).kind = region_kind::kButton;
  }
}

CandidateStyle StyleOf(std::uint32_t skin_flags) {
  if (skin_flags & skin_block::kHorizontal) return CandidateStyle::kHorizontal;
  if (skin_flags & skin_block::kVerticalFromLeft) return CandidateStyle::kLeftVertical;
  return CandidateStyle::kVertical;
}

bool HidesHighlightedCandidate(const CandidateContent& c) {
  return (c.ime_flags & ime_block::kInlineFirstCandidate) && (c.option_flags & ime_block::kHideInlineFirst) &&
         !(c.mode & mode::kComposingAfterCommit);
}

std::int32_t PagePlaceOfSlot(const CandidateContent& c, int slot) {
  if (HidesHighlightedCandidate(c) && c.paging.highlighted <= slot) return slot + 1;
  return slot;
}

void UpdateCandidateLayout(const LoadedSkin& skin, const CandidateContent& c, const TextMeasurer& m,
                           CandidateWindowLayout& out) {
  out.background.reset();
  out.width = 0;
  out.height = 0;
  if (MustHide(c)) return;

  CandidateStyle style = StyleOf(c.skin_flags);
  if (style == CandidateStyle::kHorizontal && c.auto_vertical) style = CandidateStyle::kVertical;
  const bool combined = c.has_input && !(c.ime_flags & ime_block::kInlineMask);
  const bool horizontal = style == CandidateStyle::kHorizontal;
  const SkinDescription& d = skin.description;
  const CandidateLayout& layout = combined ? (horizontal ? d.merged : d.merged_vertical)
                                           : (horizontal ? d.embedded : d.embedded_vertical);
  const int image = combined ? (horizontal ? kCandHBImage : kCandHBVerticalImage)
                             : (horizontal ? kCandQRImage : kCandQRVerticalImage);
  out.layout = &layout;
  out.style = style;
  out.combined = combined;
  out.hidden_first = HidesHighlightedCandidate(c);
  const Settings s{d.text, layout, style, combined, out.hidden_first, (c.skin_flags & skin_block::kRightToLeft) != 0};

  SkinHitRegion& code = Region(out.regions, cr::kCode);
  BuildCodeText(c, s, m, code);
  BuildSlotTexts(c, s, m, out.regions);
  const int slots = ShownSlots(out.regions);
  if (code.Shown()) Place(code, layout.code_origin.x, layout.code_origin.y);

  Geometry g;
  switch (style) {
    case CandidateStyle::kHorizontal: g = LayoutHorizontal(s, out.regions, slots, false); break;
    case CandidateStyle::kVertical: g = LayoutVertical(s, out.regions, slots, 0, false); break;
    case CandidateStyle::kLeftVertical: g = LayoutLeftVertical(s, out.regions, slots, 0, false); break;
  }
  const SkinImage* background = skin.images[image];
  if (background) {
    g.width = std::max(g.width, background->width);
    g.height = std::max(g.height, background->height);
  }
  g.width = std::max(g.width, layout.min_width);
  g.height = std::max(g.height, layout.min_height);
  out.width = g.width;
  out.height = g.height;
  switch (style) {
    case CandidateStyle::kHorizontal:
      if (s.rtl) {
        PlaceHorizontalRtl(s, out.regions, slots, g.width);
      } else {
        LayoutHorizontal(s, out.regions, slots, true);
      }
      break;
    case CandidateStyle::kVertical: LayoutVertical(s, out.regions, slots, g.width, true); break;
    case CandidateStyle::kLeftVertical: LayoutLeftVertical(s, out.regions, slots, g.width, true); break;
  }
  if (code.Shown() && s.rtl) code.x = g.width - code.width - layout.right_margin;

  if (background) {
    PlaceButtons(skin, c, s, *background, out);
    out.background = StretchSkinImage(out.width, background, out.height, layout.horizontal_stretch.first,
                                      layout.horizontal_stretch.last, layout.vertical_stretch.first,
                                      layout.vertical_stretch.last);
  }
  if (!out.background) {
    // Nothing to paint the window with: it does not show.
    out.width = 0;
    out.height = 0;
  }
}

SlotRect CandidateSlotRect(const CandidateWindowLayout& w, int slot) {
  SlotRect box{0, 0, 0, 0};
  if (slot < 0 || slot >= kCandidateSlots || !w.layout) return box;
  bool any = false;
  for (int first : {cr::kFirstIndex, cr::kFirstWord, cr::kFirstHint}) {
    const SkinHitRegion& r = Region(w.regions, first + slot);
    if (!r.Shown() || !r.Placed()) continue;
    if (!any) {
      box = {r.x, r.y, r.x + r.width, r.y + r.height};
      any = true;
    } else {
      box = {std::min(box.left, r.x), std::min(box.top, r.y), std::max(box.right, r.x + r.width),
             std::max(box.bottom, r.y + r.height)};
    }
  }
  if (!any) return SlotRect{0, 0, 0, 0};
  const SkinBorder& b = w.layout->text_border;
  if (w.style == CandidateStyle::kLeftVertical) {
    // The text is turned a quarter clockwise: its left border lies on top, its top border on the right.
    box.top -= b.left;
    box.bottom += b.right;
    box.right += b.top;
    box.left -= b.bottom;
    box.bottom = std::min(box.bottom, w.height - w.layout->bottom_margin);
  } else {
    box.left -= b.left;
    box.right += b.right;
    box.top -= b.top;
    box.bottom += b.bottom;
    box.right = std::min(box.right, w.width - w.layout->right_margin);
  }
  return box;
}

std::int32_t HitTestCandidateWindow(const CandidateWindowLayout& w, std::int32_t x, std::int32_t y) {
  if (x <= 0 || x >= w.width || y <= 0 || y >= w.height) return kHitOutside;
  const std::int32_t button = HitTestCandidateButtons(w.regions, y, x);
  if (button != kHitBackground) return button;
  for (int k = 0; k < kCandidateSlots; ++k) {
    if (!Region(w.regions, cr::kFirstWord + k).Shown()) continue;
    if (CandidateSlotRect(w, k).StrictlyHolds(x, y)) return candidate_id::kFirstSlot + k;
  }
  return kHitBackground;
}

void CandidateContentOf(const EngineInstance* e, CandidateContent& out) {
  out = CandidateContent{};
  out.skin_flags = BlockU32(e->blocks.skin, skin_block::kFlags);
  out.ime_flags = BlockU32(e->blocks.ime, ime_block::kImeFlags);
  out.option_flags = BlockU32(e->blocks.ime, ime_block::kBehaviourFlags);
  out.mode = e->mode;
  out.attached = true;
  out.auto_vertical = InputHasAutoVerticalPrefix(e) != 0;
  out.has_input = e->key_count > 0;
  out.candidate_count = e->candidate_count;
  out.paging = e->paging;
  out.slot_count = std::clamp(e->page_item_count, 0, kCandidateSlots);
  for (int i = 0; i < out.slot_count; ++i) {
    const PageItem& item = e->page[i];
    CandidateSlot& slot = out.slots[i];
    slot.text = std::u16string_view(item.text);
    slot.hint = std::u16string_view(item.comment);
    if (item.candidate < 0 || item.candidate >= e->candidate_count) continue;
    const CandidateEntry& entry = e->candidates[item.candidate];
    slot.kind = entry.kind;
    if (!entry.record) continue;
    const std::uint8_t* r = entry.record;
    const std::uint32_t flags = static_cast<std::uint32_t>(r[0]) | static_cast<std::uint32_t>(r[1]) << 8 |
                                static_cast<std::uint32_t>(r[2]) << 16 | static_cast<std::uint32_t>(r[3]) << 24;
    slot.record_class = code_table::RecordClass(flags);
    if (entry.kind & (kind::kHasCode | kind::kTextAfterCode)) {
      // The stored text follows the code: a length byte, then its bytes.
      const std::uint8_t* text = r + code_table::kRecordCodeLength + 1 + r[code_table::kRecordCodeLength];
      const std::uint8_t length = text[0];
      if (length >= 2) {
        slot.tag_char = text[length - 1];
        slot.tag_number = text[length];
      }
    }
  }
  out.composition = std::u16string_view(
      e->composition, static_cast<std::size_t>(std::clamp(e->composition_length, 0, kCompositionUnits)));
  out.composition_cursor = e->composition_cursor;
}

}  // namespace lz
