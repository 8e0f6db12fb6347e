#include "textservice/skin/skin_shape.h"

#include <cstring>
#include <new>

namespace lz {
namespace {

constexpr std::int32_t kOutside = -1;

// Source index of result index j along one direction, or kOutside for a place with no source pixel.
std::int32_t SourceIndex(std::int32_t j, std::int32_t source_size, std::int32_t result_size, std::int32_t first,
                         std::int32_t last) {
  const bool band_inside = 0 <= first && first <= last && last < source_size;
  if (!band_inside) return j < source_size ? j : kOutside;
  const std::int64_t grow = std::int64_t{result_size} - source_size;
  if (j < first) return j;
  if (j <= grow + last) return first + (j - first) % (last - first + 1);
  return static_cast<std::int32_t>(j - grow);
}

}  // namespace

std::vector<AlphaRun> FindAlphaRuns(const SkinImage* image) {
  std::vector<AlphaRun> runs;
  if (!image) return runs;
  for (std::int32_t y = 0; y < image->height; ++y) {
    std::int32_t x = 0;
    while (x < image->width) {
      while (x < image->width && image->Pixel(x, y)[kPixelAlpha] == 0) ++x;
      if (x == image->width) break;
      const std::int32_t start = x;
      while (x < image->width && image->Pixel(x, y)[kPixelAlpha] != 0) ++x;
      runs.push_back(AlphaRun{start, y, x});
    }
  }
  return runs;
}

std::unique_ptr<SkinImage> StretchSkinImage(std::int32_t width, const SkinImage* image, std::int32_t height,
                                            std::int32_t x_first, std::int32_t x_last, std::int32_t y_first,
                                            std::int32_t y_last) {
  if (!image || image->width <= 0 || image->height <= 0) return nullptr;
  auto result = NewSkinImage(width, height);
  if (!result) return nullptr;
  try {
    std::vector<std::int32_t> columns(static_cast<std::size_t>(width));
    for (std::int32_t j = 0; j < width; ++j) {
      columns[static_cast<std::size_t>(j)] = SourceIndex(j, image->width, width, x_first, x_last);
    }
    for (std::int32_t i = 0; i < height; ++i) {
      const std::int32_t row = SourceIndex(i, image->height, height, y_first, y_last);
      if (row == kOutside) continue;
      for (std::int32_t j = 0; j < width; ++j) {
        const std::int32_t column = columns[static_cast<std::size_t>(j)];
        if (column == kOutside) continue;
        std::memcpy(result->Pixel(j, i), image->Pixel(column, row), kSkinPixelBytes);
      }
    }
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return result;
}

}  // namespace lz
