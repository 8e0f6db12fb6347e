#include "textservice/skin/skin_regions.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace lz {
namespace {

namespace rs = region_state;

SkinRegionTable Table(std::vector<SkinHitRegion> regions) {
  SkinRegionTable t{};
  for (SkinHitRegion& r : t) r.state = rs::kHidden;
  for (std::size_t i = 0; i < regions.size(); ++i) t[i] = regions[i];
  return t;
}

SkinHitRegion Box(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, std::int32_t id,
                  std::int32_t state = rs::kNormal) {
  SkinHitRegion r{};
  r.x = x;
  r.y = y;
  r.width = w;
  r.height = h;
  r.id = id;
  r.state = state;
  return r;
}

TEST(SkinRegions, HitTestsFindTheFirstRegionStrictlyInside) {
  const SkinRegionTable t = Table({Box(10, 10, 20, 20, 7), Box(10, 10, 40, 40, 8), Box(60, 10, 10, 10, 9, rs::kDisabled),
                                   Box(-5, 0, 100, 100, 10), Box(80, 10, 10, 10, 11, rs::kHidden)});
  struct Case {
    std::int32_t x, y, id;
  };
  const Case cases[] = {
      {0, 50, kHitOutside},  {100, 50, kHitOutside}, {50, 0, kHitOutside}, {50, 100, kHitOutside},
      {10, 15, kHitBackground},  // the left edge
      {15, 10, kHitBackground},  // the top edge
      {11, 11, 7},               // first in table order
      {40, 40, 8},
      {65, 15, kHitBackground},  // disabled
      {85, 15, kHitBackground},  // hidden; an unplaced region never hits
  };
  for (const Case& c : cases) EXPECT_EQ(HitTestRegions(100, 100, t, c.x, c.y), c.id) << c.x << "," << c.y;
}

TEST(SkinRegions, ButtonHitTestsFindDisabledButtonsOnly30To49) {
  SkinRegionTable t = Table({Box(0, 0, 50, 50, 3)});
  t[31] = Box(10, 10, 10, 10, 12, rs::kDisabled);
  t[32] = Box(30, 10, 10, 10, 13, rs::kHidden);
  EXPECT_EQ(HitTestCandidateButtons(t, 15, 15), 12);
  EXPECT_EQ(HitTestCandidateButtons(t, 15, 35), kHitBackground);
  EXPECT_EQ(HitTestCandidateButtons(t, 40, 40), kHitBackground) << "region 0 is not a button";
}

TEST(SkinRegions, StatesStayExclusiveAndDisabledStaysDisabled) {
  SkinRegionTable t = Table({Box(0, 0, 5, 5, 2), Box(5, 0, 5, 5, 3), Box(10, 0, 5, 5, 4, rs::kDisabled),
                             Box(15, 0, 5, 5, 2)});
  SetExclusiveRegionState(t, rs::kPressed, 2);
  EXPECT_EQ(t[0].state, rs::kPressed);
  EXPECT_EQ(t[3].state, rs::kPressed) << "every region of the id";
  SetExclusiveRegionState(t, rs::kPressed, 3);
  EXPECT_EQ(t[0].state, rs::kNormal);
  EXPECT_EQ(t[3].state, rs::kNormal);
  EXPECT_EQ(t[1].state, rs::kPressed);
  SetExclusiveRegionState(t, rs::kHot, 3);
  SetExclusiveRegionState(t, rs::kHot, 4);
  SetExclusiveRegionState(t, rs::kPressed, 4);
  EXPECT_EQ(t[2].state, rs::kDisabled);
  ClearRegionState(t, 4);
  EXPECT_EQ(t[2].state, rs::kDisabled);
  EXPECT_EQ(t[4].state, rs::kHidden);
  ClearRegionState(t, 3);
  EXPECT_EQ(t[1].state, rs::kNormal);
}

TEST(SkinRegions, ImagesByKindAndStateFallBackToTheNormalOne) {
  SkinImage normal, hot, pressed, disabled;
  struct Case {
    const char* name;
    std::uint8_t kind;
    std::int32_t state;
    bool with_state_images;
    const SkinImage* expected;
  };
  const Case cases[] = {
      {"normal", region_kind::kButton, rs::kNormal, true, &normal},
      {"hot", region_kind::kButton, rs::kHot, true, &hot},
      {"pressed", region_kind::kButton, rs::kPressed, true, &pressed},
      {"disabled", region_kind::kButton, rs::kDisabled, true, &disabled},
      {"hot without its image", region_kind::kButton, rs::kHot, false, &normal},
      {"disabled without its image", region_kind::kButton, rs::kDisabled, false, &normal},
      {"pair, normal", region_kind::kImagePair, rs::kNormal, true, &normal},
      {"pair, hot", region_kind::kImagePair, rs::kHot, true, &hot},
      {"pair, pressed", region_kind::kImagePair, rs::kPressed, true, &hot},
      {"second pair, normal", region_kind::kImagePair | region_kind::kSecondImagePair, rs::kNormal, true, &pressed},
      {"second pair, pressed", region_kind::kImagePair | region_kind::kSecondImagePair, rs::kPressed, true,
       &disabled},
      {"second pair missing", region_kind::kImagePair | region_kind::kSecondImagePair, rs::kHot, false, &normal},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SkinHitRegion r = Box(0, 0, 1, 1, 1, c.state);
    r.kind = c.kind;
    r.images[0] = &normal;
    if (c.with_state_images) {
      r.images[1] = &hot;
      r.images[2] = &pressed;
      r.images[3] = &disabled;
    }
    EXPECT_EQ(RegionImage(r), c.expected);
  }
}

// One BGRA pixel.
std::vector<std::uint8_t> Px(std::uint8_t b, std::uint8_t g, std::uint8_t r, std::uint8_t a) { return {b, g, r, a}; }

TEST(SkinRegions, BlendingMixesByTheSourceAlpha) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> src, dst, out;
    bool opaque_as_254;
  };
  const Case cases[] = {
      {"opaque source", Px(10, 20, 30, 255), Px(200, 200, 200, 100), Px(10, 20, 30, 255), false},
      {"transparent source keeps the target", Px(10, 20, 30, 0), Px(200, 100, 50, 100), Px(200, 100, 50, 100), false},
      {"half", Px(255, 0, 100, 128), Px(0, 255, 100, 7), Px(128, 127, 99, 128), false},
      {"point blend stores 254 for opaque", Px(10, 20, 30, 255), Px(0, 0, 0, 0), Px(10, 20, 30, 254), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto target = NewSkinImage(3, 3);
    auto image = NewSkinImage(1, 1);
    std::copy(c.src.begin(), c.src.end(), image->pixels.begin());
    std::copy(c.dst.begin(), c.dst.end(), target->Pixel(1, 1));
    if (c.opaque_as_254) {
      BlendImage(*target, 1, 1, *image);
    } else {
      SkinHitRegion r = Box(1, 1, 1, 1, 1);
      r.images[0] = image.get();
      BlendRegionImage(r, *target);
    }
    EXPECT_EQ(std::vector<std::uint8_t>(target->Pixel(1, 1), target->Pixel(1, 1) + 4), c.out);
  }
}

TEST(SkinRegions, NothingIsBlendedThatDoesNotFitOrDoesNotShow) {
  auto target = NewSkinImage(4, 4);
  auto image = NewSkinImage(2, 2);
  for (std::size_t i = 0; i < image->pixels.size(); ++i) image->pixels[i] = 0xFF;
  const auto untouched = target->pixels;
  SkinHitRegion r = Box(3, 3, 2, 2, 1);
  r.images[0] = image.get();
  BlendRegionImage(r, *target);
  r = Box(1, 1, 2, 2, 1, rs::kHidden);
  r.images[0] = image.get();
  BlendRegionImage(r, *target);
  r = Box(-1, 1, 2, 2, 1);
  r.images[0] = image.get();
  BlendRegionImage(r, *target);
  BlendImage(*target, 3, 0, *image);
  EXPECT_EQ(target->pixels, untouched);
  BlendImage(*target, 2, 2, *image);
  EXPECT_EQ(target->Pixel(3, 3)[kPixelAlpha], 254);
}

TEST(SkinRegions, GdiDrawnPixelsBecomeOpaqueAndTheRestTakesTheBackgroundBack) {
  auto background = NewSkinImage(3, 1);
  const std::vector<std::uint8_t> bg = {200, 100, 50, 128, 10, 20, 30, 255, 90, 90, 90, 0};
  std::copy(bg.begin(), bg.end(), background->pixels.begin());
  auto canvas = OpaquePremultipliedCopy(*background);
  ASSERT_NE(canvas, nullptr);
  EXPECT_EQ(canvas->pixels, (std::vector<std::uint8_t>{100, 50, 25, 255, 10, 20, 30, 255, 0, 0, 0, 255}));
  // GDI draws pixel 0 (alpha 0 afterwards) and leaves the others.
  canvas->pixels[0] = 1;
  canvas->pixels[1] = 2;
  canvas->pixels[2] = 3;
  canvas->pixels[3] = 0;
  RepairGdiAlpha(*canvas, *background);
  EXPECT_EQ(canvas->pixels, (std::vector<std::uint8_t>{1, 2, 3, 255, 10, 20, 30, 255, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace lz
