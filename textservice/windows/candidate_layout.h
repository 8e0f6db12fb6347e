#pragma once
// The candidate window's content and layout: the code being typed and one page of candidates turned into
// positioned text and button regions, the window size and the stretched background. One pure function of
// the skin, the settings, the page and a text measurer; the window paints what it returns and hit-tests
// against the same rectangles.
#include <cstdint>
#include <memory>
#include <string_view>

#include "textservice/engine/engine_instance.h"
#include "textservice/skin/skin_package.h"
#include "textservice/skin/skin_regions.h"

namespace lz {

// Region indices of the candidate window's table.
namespace candidate_region {
constexpr int kFirstIndex = 0;  // index labels of slots 0-9
constexpr int kFirstWord = 10;  // candidate words
constexpr int kFirstHint = 20;  // code hints
constexpr int kCode = 30;       // the code being typed
constexpr int kPreviousPage = 31;
constexpr int kNextPage = 32;
constexpr int kWidth = 36;        // full/half width
constexpr int kPunctuation = 37;  // Chinese/English punctuation
constexpr int kFirstExtension = 41;
constexpr int kExtensionCount = 9;
}  // namespace candidate_region
constexpr int kCandidateSlots = 10;

// Command ids the regions report.
namespace candidate_id {
constexpr std::int32_t kCode = 1;
constexpr std::int32_t kFirstSlot = 2;  // slot k reports 2 + k
constexpr std::int32_t kLastSlot = kFirstSlot + kCandidateSlots - 1;
constexpr std::int32_t kPreviousPage = 12;
constexpr std::int32_t kNextPage = 13;
constexpr std::int32_t kWidth = 14;
constexpr std::int32_t kPunctuation = 15;
constexpr std::int32_t kFirstExtension = 1021;
}  // namespace candidate_id

// Writes the ids and kinds of the table, makes the text backgrounds transparent and hides what no page
// has shown yet. Run once when the window is made.
void InitCandidateRegions(SkinRegionTable& table);

enum class CandidateStyle { kHorizontal, kVertical, kLeftVertical };
enum class CandidateFont { kCode, kCandidate };

struct TextSize {
  std::int32_t width;
  std::int32_t height;
};

// Measures a text in one of the skin fonts as it is drawn unrotated (GetTextExtentPoint32W on Windows).
class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  virtual TextSize Measure(CandidateFont font, std::u16string_view text) const = 0;
};

// One candidate of the page as the window needs it.
struct CandidateSlot {
  std::u16string_view text;  // the display text of the page item
  std::u16string_view hint;  // its two code-hint characters (may be empty)
  std::uint8_t kind;         // CandidateEntry kind
  std::uint32_t record_class;
  // The last two bytes of the record's stored text: shown as a character and a number by records of
  // class 5 of the main table and by kind 0x80 entries.
  char16_t tag_char;
  std::int32_t tag_number;
};

// Everything the layout reads besides the skin: settings, modes, the page and the input.
struct CandidateContent {
  std::uint32_t skin_flags;    // skin block +40
  std::uint32_t ime_flags;     // ime block +36
  std::uint32_t option_flags;  // ime block +48
  std::uint32_t mode;          // engine mode
  bool attached;               // the engine runs inside a text service
  bool auto_vertical;          // the input begins with an auto-vertical prefix
  bool has_input;
  std::int32_t candidate_count;
  PagingState paging;
  std::int32_t slot_count;  // page items, at most kCandidateSlots
  CandidateSlot slots[kCandidateSlots];
  std::u16string_view composition;
  std::int32_t composition_cursor;
};

// Reads the content from an engine instance; the views point into the instance.
void CandidateContentOf(const EngineInstance* instance, CandidateContent& out);

struct CandidateWindowLayout {
  SkinRegionTable regions{};
  std::int32_t width = 0;  // 0 x 0: the window does not show
  std::int32_t height = 0;
  std::unique_ptr<SkinImage> background;  // stretched to the window size; null when hidden
  const CandidateLayout* layout = nullptr;
  CandidateStyle style = CandidateStyle::kHorizontal;  // as laid out (automatic vertical applied)
  bool combined = false;                                // the code shows in the window
  bool hidden_first = false;  // the highlighted candidate is embedded in the text and left out here
};

// The style the skin settings choose.
CandidateStyle StyleOf(std::uint32_t skin_flags);

// The whole recomputation: texts, sizes, positions, buttons, page-button states and the background.
// Leaves width and height 0 and no background when the window must not show.
void UpdateCandidateLayout(const LoadedSkin& skin, const CandidateContent& content, const TextMeasurer& measurer,
                           CandidateWindowLayout& out);

struct SlotRect {
  std::int32_t left;
  std::int32_t top;
  std::int32_t right;
  std::int32_t bottom;
  bool Empty() const { return right <= left || bottom <= top; }
  bool StrictlyHolds(std::int32_t x, std::int32_t y) const { return x > left && x < right && y > top && y < bottom; }
};

// The box of a slot's shown index, word and hint, widened by the layout's text borders and kept out of the
// right margin (the bottom margin for the left-vertical style). Empty when the slot shows nothing.
SlotRect CandidateSlotRect(const CandidateWindowLayout& layout, int slot);

// kHitOutside on or outside the edge; a shown button's id (disabled ones included); a shown slot's id
// (2 + slot); else kHitBackground.
std::int32_t HitTestCandidateWindow(const CandidateWindowLayout& layout, std::int32_t x, std::int32_t y);

// True when the highlighted candidate is shown embedded in the document and left out of the window.
bool HidesHighlightedCandidate(const CandidateContent& content);

// The page place (0-based) that slot k of the window shows: k, or k + 1 when the highlighted candidate is
// left out of the window and lies at or before place k. Clicks select place + 1 (command 18), the
// candidate menu and the dictionary take the place itself.
std::int32_t PagePlaceOfSlot(const CandidateContent& content, int slot);

}  // namespace lz
