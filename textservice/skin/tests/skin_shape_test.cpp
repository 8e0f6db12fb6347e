#include "textservice/skin/skin_shape.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lz {
namespace {

// An image whose pixels are told apart by their blue byte: pixel (x, y) holds 10 * y + x + 1, alpha 255.
std::unique_ptr<SkinImage> Numbered(std::int32_t width, std::int32_t height) {
  auto image = NewSkinImage(width, height);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      image->Pixel(x, y)[kPixelBlue] = static_cast<std::uint8_t>(10 * y + x + 1);
      image->Pixel(x, y)[kPixelAlpha] = 255;
    }
  }
  return image;
}

// The blue bytes of the result, row by row; 0 marks a transparent place.
std::vector<int> Blues(const SkinImage& image) {
  std::vector<int> out;
  for (std::int32_t y = 0; y < image.height; ++y) {
    for (std::int32_t x = 0; x < image.width; ++x) out.push_back(image.Pixel(x, y)[kPixelBlue]);
  }
  return out;
}

TEST(SkinShape, AlphaRunsFollowTheOutline) {
  struct Case {
    std::string what;
    std::int32_t width, height;
    std::vector<std::uint8_t> alphas;
    std::vector<AlphaRun> runs;
  };
  const std::vector<Case> cases = {
      {"two single pixels", 3, 1, {255, 0, 255}, {{0, 0, 1}, {2, 0, 3}}},
      {"nothing opaque", 2, 2, {0, 0, 0, 0}, {}},
      {"any non-zero alpha counts", 4, 2, {0, 1, 1, 0, 9, 0, 0, 200}, {{1, 0, 3}, {0, 1, 1}, {3, 1, 4}}},
      {"a full row", 3, 1, {5, 5, 5}, {{0, 0, 3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto image = NewSkinImage(c.width, c.height);
    for (std::size_t i = 0; i < c.alphas.size(); ++i) image->pixels[i * kSkinPixelBytes + kPixelAlpha] = c.alphas[i];
    const auto runs = FindAlphaRuns(image.get());
    ASSERT_EQ(runs.size(), c.runs.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
      EXPECT_EQ(runs[i].x, c.runs[i].x);
      EXPECT_EQ(runs[i].y, c.runs[i].y);
      EXPECT_EQ(runs[i].x_end, c.runs[i].x_end);
    }
  }
  EXPECT_TRUE(FindAlphaRuns(nullptr).empty());
}

TEST(SkinShape, StretchRepeatsTheBands) {
  struct Case {
    std::string what;
    std::int32_t source_width, source_height, width, height;
    std::int32_t x_first, x_last, y_first, y_last;
    std::vector<int> blues;
  };
  const std::vector<Case> cases = {
      {"A B C with band 1..1 to 5", 3, 1, 5, 1, 1, 1, 0, 0, {1, 2, 2, 2, 3}},
      {"a two-column band is tiled", 4, 1, 7, 1, 1, 2, 0, 0, {1, 2, 3, 2, 3, 2, 4}},
      {"same size is a copy", 3, 1, 3, 1, 0, 2, 0, 0, {1, 2, 3}},
      {"shrinking keeps both edges", 5, 1, 3, 1, 1, 3, 0, 0, {1, 2, 5}},
      {"rows too", 1, 3, 1, 5, 0, 0, 1, 1, {1, 11, 11, 11, 21}},
      {"both directions", 2, 2, 3, 3, 0, 0, 0, 0, {1, 1, 2, 1, 1, 2, 11, 11, 12}},
      // Bands that do not lie inside the image are ignored: nothing beyond the image is read.
      {"band past the right edge", 3, 1, 5, 1, 1, 7, 0, 0, {1, 2, 3, 0, 0}},
      {"band reversed", 3, 1, 5, 1, 2, 1, 0, 0, {1, 2, 3, 0, 0}},
      {"negative band", 3, 1, 5, 1, -2, 0, 0, 0, {1, 2, 3, 0, 0}},
      {"row band outside", 1, 2, 1, 3, 0, 0, 5, 9, {1, 11, 0}},
      {"ignored band while shrinking", 3, 1, 2, 1, 3, 3, 0, 0, {1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto source = Numbered(c.source_width, c.source_height);
    const auto result = StretchSkinImage(c.width, source.get(), c.height, c.x_first, c.x_last, c.y_first, c.y_last);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->width, c.width);
    EXPECT_EQ(result->height, c.height);
    EXPECT_EQ(Blues(*result), c.blues);
  }
  const auto source = Numbered(2, 2);
  EXPECT_EQ(StretchSkinImage(5, nullptr, 5, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(StretchSkinImage(0, source.get(), 5, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(StretchSkinImage(5, source.get(), -1, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(StretchSkinImage(8192, source.get(), 8192, 0, 0, 0, 0), nullptr);  // passes the pixel cap
}

}  // namespace
}  // namespace lz
