#include "textservice/tsf/candidate_list_element.h"

#include <cstdlib>

#include "textservice/engine/candidate_list.h"

namespace lz {
namespace {

constexpr std::int32_t kCaretSideTolerance = 5;
constexpr std::int32_t kCaretLineTolerance = 10;

std::uint32_t NonNegative(std::int32_t value) { return value > 0 ? static_cast<std::uint32_t>(value) : 0; }

bool WithinTolerance(const TextRect& saved, const TextRect& text) {
  return std::abs(text.left - saved.left) <= kCaretSideTolerance &&
         std::abs(text.top - saved.top) <= kCaretSideTolerance &&
         text.bottom <= saved.bottom + kCaretLineTolerance && text.bottom >= saved.top - kCaretLineTolerance;
}

}  // namespace

std::uint32_t ElementPageSize(const EngineInstance* engine) {
  const std::uint32_t size = engine ? PageSize(engine) : kDefaultPageSize;
  return size ? size : kDefaultPageSize;
}

std::uint32_t ElementCount(const EngineInstance* engine) { return engine ? NonNegative(engine->candidate_count) : 0; }

std::uint32_t ElementSelection(const EngineInstance* engine) {
  if (!engine) return 0;
  return NonNegative(engine->paging.first) + NonNegative(engine->paging.highlighted);
}

const char16_t* ElementString(const EngineInstance* engine, std::uint32_t index) {
  if (!engine) return u"";
  const std::int64_t place = static_cast<std::int64_t>(index) - engine->paging.first;
  const std::int32_t items = engine->page_item_count < kMaxPageItems ? engine->page_item_count : kMaxPageItems;
  if (place < 0 || place >= items) return u"";
  return engine->page[place].text;
}

std::uint32_t ElementPageIndex(const EngineInstance* engine, std::uint32_t* values, std::uint32_t capacity) {
  const std::uint32_t count = ElementCount(engine);
  if (count == 0) return 0;
  const std::uint32_t size = ElementPageSize(engine);
  const std::uint32_t pages = (count - 1) / size + 1;
  if (values) {
    for (std::uint32_t i = 0; i < capacity && i < pages; ++i) values[i] = i * size;
  }
  return pages;
}

std::uint32_t ElementCurrentPage(const EngineInstance* engine) {
  if (!engine) return 0;
  return NonNegative(engine->paging.first) / ElementPageSize(engine);
}

bool FollowTextPosition(SavedTextPosition& saved, const TextRect& text, const TextRect& window, bool window_visible) {
  const bool window_moved = window.left != saved.window.left || window.top != saved.window.top;
  const bool caret_moved = !WithinTolerance(saved.text, text);
  if (caret_moved) saved.text = text;
  if (!window_moved) return caret_moved;
  saved.window = window;
  return window_visible;
}

}  // namespace lz
