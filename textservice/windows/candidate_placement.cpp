#include "textservice/windows/candidate_placement.h"

#include <algorithm>

#include "textservice/engine/ime_block.h"

namespace lz {
namespace {

// The candidate window keeps this distance to the status bar beside it, and below the caret.
constexpr std::int32_t kBesideStatusGap = 5;
constexpr std::int32_t kBelowCaretGap = 2;

// Left of four fifths of the work area's right coordinate: there is room on the right.
bool RoomOnTheRight(std::int32_t right_edge, const os::Rect& work) {
  return static_cast<std::int64_t>(right_edge) * 5 < static_cast<std::int64_t>(work.right) * 4;
}

}  // namespace

os::Rect SystemWorkAreaAt(std::int32_t x, std::int32_t y) {
  os::Rect out;
  os::WorkAreaAtPoint(x, y, out);
  return out;
}

WindowBox ClampIntoWorkArea(WindowBox box, const os::Rect& work) {
  box.x = std::max(std::min(box.x, work.right - box.width), work.left);
  box.y = std::max(std::min(box.y, work.bottom - box.height), work.top);
  return box;
}

CandidatePlacement PlaceCandidateWindow(const CandidatePlacementInput& in, WorkAreaLookup work_area) {
  CandidatePlacement out;
  const std::uint32_t placement = in.ime_flags & ime_block::kWindowPlacementMask;
  const WindowBox& st = in.status;
  os::Rect work;
  bool at_caret = false;
  if ((placement & ime_block::kWindowFollowsStatus) && in.has_status) {
    work = work_area(st.x, st.y);
    out.x = RoomOnTheRight(st.x + st.width, work) ? st.x + st.width + kBesideStatusGap
                                                   : st.x - in.width - kBesideStatusGap;
    const bool lower_half = static_cast<std::int64_t>(st.y + st.height) * 2 >= static_cast<std::int64_t>(work.bottom);
    out.y = lower_half ? st.y + st.height - in.height : st.y;
  } else if (placement & ime_block::kWindowFixed) {
    const bool stored = in.stored_x != 0 || in.stored_y != 0;
    work = stored ? work_area(in.stored_x, in.stored_y) : work_area(st.x, st.y);
    if (stored) {
      out.x = std::min(in.stored_x, work.right - in.width);
      out.y = std::min(in.stored_y, work.bottom - in.height);
    } else {
      out.x = RoomOnTheRight(in.has_status ? st.x + st.width : 0, work) ? work.right - in.width : 0;
      out.y = work.bottom - in.height;
    }
    out.x = std::max(out.x, work.left);
    out.y = std::max(out.y, work.top);
    out.store = true;
  } else {
    const std::int32_t caret_x = in.caret_x + in.offset_x;
    const std::int32_t caret_y = in.caret_y + in.offset_y;
    work = work_area(caret_x, caret_y);
    out.x = caret_x;
    out.y = caret_y + in.caret_height + kBelowCaretGap;
    at_caret = true;
  }
  if (out.x + in.width > work.right) out.x = work.right - in.width;
  if (out.y + in.height > work.bottom) {
    // Below the caret there is no room: above it, and flush with the bottom when even that fails.
    if (at_caret) out.y = out.y - in.caret_height - in.height - kBelowCaretGap;
    if (out.y + in.height > work.bottom) out.y = work.bottom - in.height;
  }
  out.x = std::max(out.x, work.left);
  out.y = std::max(out.y, work.top);
  return out;
}

}  // namespace lz
