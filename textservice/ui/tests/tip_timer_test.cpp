#include "textservice/ui/tip_timer.h"

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

}  // namespace
}  // namespace lz
