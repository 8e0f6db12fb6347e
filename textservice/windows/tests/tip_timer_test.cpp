#include "textservice/windows/tip_timer.h"

#include <gtest/gtest.h>

namespace lz {
namespace {

// Ticks until the tip closes, at most 20.
int TicksToClose(TipTimer& t) {
  for (int n = 1; n <= 20; ++n) {
    if (t.Tick() == TipTick::kClose) return n;
  }
  return 0;
}

TEST(TipTimer, FiveTicksKeepATipAndTheSixthClosesIt) {
  TipTimer t;
  t.Show(0, true);
  for (int n = 0; n < 5; ++n) EXPECT_EQ(t.Tick(), TipTick::kKeep) << n;
  EXPECT_EQ(t.Tick(), TipTick::kClose);
  EXPECT_FALSE(t.running());
}

TEST(TipTimer, ANewTipRestartsTheThreeSeconds) {
  TipTimer t;
  t.Show(1, true);
  t.Tick();
  t.Tick();
  t.Tick();
  t.Show(1, false);  // a new text in the window that is showing
  EXPECT_EQ(TicksToClose(t), 6);
}

TEST(TipTimer, ThePointerOnTheTipKeepsItOpenAndLeavingLetsItClose) {
  TipTimer t;
  t.Show(0, true);
  t.Tick();
  t.PointerInside();
  for (int n = 0; n < 20; ++n) EXPECT_EQ(t.Tick(), TipTick::kKeep);
  t.PointerOutside();
  EXPECT_EQ(TicksToClose(t), 5);
}

TEST(TipTimer, ATipWithoutATypeHasNoTimer) {
  TipTimer t;
  t.Show(-1, true);
  EXPECT_FALSE(t.running());
  EXPECT_EQ(TicksToClose(t), 0);
}

TEST(TipTimer, FontHeightByType) {
  EXPECT_EQ(TipFontHeight(1), -14);
  EXPECT_EQ(TipFontHeight(2), -12);
  EXPECT_EQ(TipFontHeight(0), -20);
  EXPECT_EQ(TipFontHeight(-1), -20);
}

TEST(ModeTip, TheTipStaysInsideTheWorkArea) {
  struct Case {
    const char* name;
    std::int32_t x, y;
    TipPoint expected;
  };
  const Case cases[] = {
      {"well inside", 500, 400, {500, 400}},
      {"within 32 of the bottom moves up by 66", 500, 1010, {500, 944}},
      {"exactly 32 above the bottom stays", 500, 1008, {500, 1008}},
      {"within 74 of the right edge", 1900, 400, {1846, 400}},
      {"the bottom right corner", 1919, 1039, {1846, 973}},
      {"a caret off the left and top", -50, -40, {0, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ModeTipPoint(c.x, c.y, 1920, 1040), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace lz
