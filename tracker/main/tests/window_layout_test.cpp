#include "tracker/main/window_layout.h"

#include <gtest/gtest.h>

#include "tracker/main/numeric_value.h"

namespace tracker {
namespace {

TEST(WindowLayout, ResizeThresholdsAndTheRestoreSize) {
  struct Case {
    double width, height;
    bool moves;
    double list_width, list_height, frame_width, frame_height;
  } const cases[] = {
      {4000, 6045, false, 0, 0, 0, 0},     {8715, 3000, false, 0, 0, 0, 0},       {3000, 2000, false, 0, 0, 0, 0},
      {4001, 3001, true, 981, 821, 3921, 1821}, {8715, 6045, true, 5695, 3865, 8635, 4865},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    const auto layout = LayoutMainWindow(c.width, c.height, 420, 360, 300);
    ASSERT_EQ(layout.has_value(), c.moves);
    if (!layout) continue;
    EXPECT_EQ(layout->list_width, c.list_width);
    EXPECT_EQ(layout->list_height, c.list_height);
    EXPECT_EQ(layout->frame_width, c.frame_width);
    EXPECT_EQ(layout->frame_height, c.frame_height);
  }
}

TEST(WindowLayout, RestoredPlaces) {
  EXPECT_EQ(kRestoredMemo.left, 5190);
  EXPECT_EQ(kRestoredMemo.top, 3600);
  EXPECT_EQ(kRestoredTable.left, 150);
  EXPECT_EQ(kRestoredTable.top, 150);
  const TwipPoint dialog = RestoredDialog(1695, 1500);
  EXPECT_EQ(dialog.left, 5015);
  EXPECT_EQ(dialog.top, 1140);
  EXPECT_EQ(SignedNumberText(kRestoredTipLeft), u" 4665");
  EXPECT_EQ(SignedNumberText(kRestoredTipTop), u" 3330");
}

}  // namespace
}  // namespace tracker
