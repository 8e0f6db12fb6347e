#pragma once
// Where the candidate window goes: below the caret, beside the status bar, or where the user left it,
// always inside the work area of the monitor nearest its reference point. A pure function of the work
// areas, the status bar's place, the caret and the stored position.
#include <cstdint>

#include "platform/os/work_area.h"

namespace lz {

struct WindowBox {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

struct CandidatePlacementInput {
  std::uint32_t ime_flags = 0;  // ime block +36: fixed (0x40) or following the status bar (0x80)
  std::int32_t width = 0;       // the candidate window's size
  std::int32_t height = 0;
  bool has_status = false;  // the status window exists
  WindowBox status;
  std::int32_t caret_x = 0;  // screen point of the caret and its height
  std::int32_t caret_y = 0;
  std::int32_t caret_height = 0;
  std::int32_t offset_x = 0;  // the layout's embedded-window offset, added to the caret point
  std::int32_t offset_y = 0;
  std::int32_t stored_x = 0;  // the skin block's stored position; both 0: none
  std::int32_t stored_y = 0;
};

struct CandidatePlacement {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool store = false;  // the fixed placement keeps its position in the skin block
};

// The work area of the monitor nearest a point (os::WorkAreaAtPoint on Windows; tests give their own).
using WorkAreaLookup = os::Rect (*)(std::int32_t x, std::int32_t y);
os::Rect SystemWorkAreaAt(std::int32_t x, std::int32_t y);

CandidatePlacement PlaceCandidateWindow(const CandidatePlacementInput& in, WorkAreaLookup work_area = SystemWorkAreaAt);

// A dragged window's position kept inside the work area (flush against the edge it passed).
WindowBox ClampIntoWorkArea(WindowBox box, const os::Rect& work);

}  // namespace lz
