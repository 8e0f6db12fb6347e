#pragma once
// What the candidate-list UI element answers a host that draws the candidates itself, and when the own
// candidate window follows the text, as plain functions over the engine instance and the rectangles, so
// that the COM object only translates.
#include <cstdint>

#include "textservice/engine/engine_instance.h"

namespace lz {

// The page size the list is paged with (ime +44, 0 read as 5). Paging divides by it, never by the
// current page's item count, which is smaller on a partial last page.
std::uint32_t ElementPageSize(const EngineInstance* engine);

// GetCount: the candidates listed; 0 without an engine.
std::uint32_t ElementCount(const EngineInstance* engine);

// GetSelection: the absolute index of the highlighted candidate; 0 without an engine.
std::uint32_t ElementSelection(const EngineInstance* engine);

// GetString: the display text of the candidate at an absolute index when it is on the current page, else
// an empty text (also before the page and without an engine). Never null.
const char16_t* ElementString(const EngineInstance* engine, std::uint32_t index);

// GetPageIndex: writes the first index of each page into values (at most min(capacity, pages) entries;
// values may be null) and returns the number of pages, 0 without candidates or an engine.
std::uint32_t ElementPageIndex(const EngineInstance* engine, std::uint32_t* values, std::uint32_t capacity);

// GetCurrentPage: the page's first index divided by the page size; 0 without an engine.
std::uint32_t ElementCurrentPage(const EngineInstance* engine);

// GetUpdatedFlags: everything may have changed (document manager, count, selection, string, page index,
// current page).
constexpr std::uint32_t kElementUpdatedFlags = 63;

// A rectangle of the document window (client or screen coordinates).
struct TextRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  bool operator==(const TextRect&) const = default;
};

// The text's rectangle in the document window's client coordinates and the window's screen rectangle, as
// last used to place the own candidate window.
struct SavedTextPosition {
  TextRect text;
  TextRect window;
};

// A layout change read a new text rectangle (client coordinates) and window rectangle (screen). Updates
// the saved position and answers whether the candidate window goes to the new place: a caret that moved
// no more than 5 pixels left, right, up or down (its bottom no more than 10 below the saved bottom or
// above the saved top) inside an unmoved window leaves it where it is; a moved window moves it when it
// is visible.
bool FollowTextPosition(SavedTextPosition& saved, const TextRect& text, const TextRect& window, bool window_visible);

}  // namespace lz
