#pragma once
// The two image operations the skinned windows need besides drawing: the outline of an image (the
// pixels whose alpha is not 0, as rectangles one row high, for the window region) and stretching a
// background to a window size by repeating a band of it.
#include <cstdint>
#include <memory>
#include <vector>

#include "textservice/skin/skin_image.h"

namespace lz {

// One run of pixels with alpha not 0 in one row: [x, x_end) x [y, y + 1).
struct AlphaRun {
  std::int32_t x;
  std::int32_t y;
  std::int32_t x_end;
};

// Every run, row by row from the top, left to right in a row. Empty for a null image.
std::vector<AlphaRun> FindAlphaRuns(const SkinImage* image);

// A new width x height image made from `image` by repeating its columns x_first..x_last and its rows
// y_first..y_last (bounds inclusive); the parts outside the bands keep their pixels, the right and bottom
// edges stay aligned to the result's edges. A band that does not lie inside the image
// (0 <= first <= last < size) is ignored for its direction: columns (rows) then keep their place and what
// lies beyond the source stays transparent, so nothing outside the image is ever read. Null for a null
// image or a size that is not positive or passes kMaxSkinImageBytes.
std::unique_ptr<SkinImage> StretchSkinImage(std::int32_t width, const SkinImage* image, std::int32_t height,
                                            std::int32_t x_first, std::int32_t x_last, std::int32_t y_first,
                                            std::int32_t y_last);

}  // namespace lz
