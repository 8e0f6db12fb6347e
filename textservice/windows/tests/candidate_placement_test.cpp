#include "textservice/windows/candidate_placement.h"

#include <gtest/gtest.h>

#include "textservice/engine/ime_block.h"

namespace lz {
namespace {

// Two monitors side by side: 1280 x 1024 with a 40-pixel task bar at the bottom, then 1024 x 768 to its
// right without one.
os::Rect TwoMonitors(std::int32_t x, std::int32_t) {
  if (x >= 1280) return {1280, 0, 2304, 768};
  return {0, 0, 1280, 984};
}

constexpr std::int32_t kW = 200;
constexpr std::int32_t kH = 60;

CandidatePlacementInput AtCaret(std::int32_t x, std::int32_t y) {
  CandidatePlacementInput in;
  in.width = kW;
  in.height = kH;
  in.caret_x = x;
  in.caret_y = y;
  in.caret_height = 16;
  return in;
}

struct Case {
  const char* name;
  CandidatePlacementInput in;
  std::int32_t x, y;
  bool store;
};

void Check(const Case& c) {
  SCOPED_TRACE(c.name);
  const CandidatePlacement p = PlaceCandidateWindow(c.in, TwoMonitors);
  EXPECT_EQ(p.x, c.x);
  EXPECT_EQ(p.y, c.y);
  EXPECT_EQ(p.store, c.store);
}

TEST(CandidatePlacement, FollowsTheCaret) {
  CandidatePlacementInput offset = AtCaret(100, 100);
  offset.offset_x = 7;
  offset.offset_y = -3;
  const Case cases[] = {
      {"below the caret", AtCaret(100, 100), 100, 118, false},
      {"shifted by the layout's offset", offset, 107, 115, false},
      {"10 px above the bottom: above the caret", AtCaret(100, 984 - 10 - 16), 100, 984 - 26 - kH, false},
      {"near the right edge: flush with it", AtCaret(1200, 100), 1280 - kW, 118, false},
      {"in the corner: above and flush", AtCaret(1250, 960), 1280 - kW, 960 - kH, false},
      {"on the second monitor", AtCaret(2250, 740), 2304 - kW, 740 - kH, false},
      {"left of the screen", AtCaret(-50, 100), 0, 118, false},
  };
  for (const Case& c : cases) Check(c);
}

CandidatePlacementInput BesideStatus(std::int32_t x, std::int32_t y) {
  CandidatePlacementInput in = AtCaret(500, 500);
  in.ime_flags = ime_block::kWindowFollowsStatus;
  in.has_status = true;
  in.status = {x, y, 100, 30};
  return in;
}

TEST(CandidatePlacement, FollowsTheStatusBar) {
  CandidatePlacementInput no_status = BesideStatus(0, 0);
  no_status.has_status = false;
  const Case cases[] = {
      {"to its right, top-aligned", BesideStatus(100, 100), 205, 100, false},
      {"at the right end: to its left", BesideStatus(1180, 100), 1180 - kW - 5, 100, false},
      {"in the lower half: bottom-aligned", BesideStatus(100, 900), 205, 930 - kH, false},
      {"without a status window: at the caret", no_status, 500, 518, false},
  };
  for (const Case& c : cases) Check(c);
}

CandidatePlacementInput Fixed(std::int32_t stored_x, std::int32_t stored_y) {
  CandidatePlacementInput in = AtCaret(500, 500);
  in.ime_flags = ime_block::kWindowFixed;
  in.has_status = true;
  in.status = {100, 900, 100, 30};
  in.stored_x = stored_x;
  in.stored_y = stored_y;
  return in;
}

TEST(CandidatePlacement, StaysWhereItWasPut) {
  CandidatePlacementInput right_status = Fixed(0, 0);
  right_status.status = {1150, 900, 100, 30};
  const Case cases[] = {
      {"the stored position", Fixed(300, 200), 300, 200, true},
      {"a stored position past the edge is pulled in", Fixed(1250, 1000), 1280 - kW, 984 - kH, true},
      {"a stored position on the second monitor", Fixed(2200, 100), 2304 - kW, 100, true},
      {"none stored, status on the left: the right corner", Fixed(0, 0), 1280 - kW, 984 - kH, true},
      {"none stored, status on the right: the left corner", right_status, 0, 984 - kH, true},
  };
  for (const Case& c : cases) Check(c);
}

TEST(CandidatePlacement, ADragStopsFlushAtTheWorkAreaEdge) {
  const os::Rect work{0, 0, 1280, 984};
  struct Drag {
    WindowBox to;
    std::int32_t x, y;
  };
  const Drag drags[] = {{{-40, 10, kW, kH}, 0, 10}, {{1200, 960, kW, kH}, 1280 - kW, 984 - kH}, {{50, 60, kW, kH}, 50, 60}};
  for (const Drag& d : drags) {
    const WindowBox b = ClampIntoWorkArea(d.to, work);
    EXPECT_EQ(b.x, d.x);
    EXPECT_EQ(b.y, d.y);
  }
}

}  // namespace
}  // namespace lz
