#include "textservice/windows/skin_region_win32.h"

#include <algorithm>
#include <new>
#include <vector>

#include "textservice/skin/skin_shape.h"

namespace lz {
namespace {

// ExtCreateRegion is given at most this many rectangles at a time; batches are united into one region.
constexpr std::size_t kRectsPerBatch = 4000;

// A region from rectangles [begin, end) of the runs.
HRGN RegionFromRuns(const AlphaRun* begin, const AlphaRun* end) {
  const std::size_t count = static_cast<std::size_t>(end - begin);
  std::vector<std::uint8_t> buffer(sizeof(RGNDATAHEADER) + count * sizeof(RECT));
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  data->rdh.dwSize = sizeof(RGNDATAHEADER);
  data->rdh.iType = RDH_RECTANGLES;
  data->rdh.nCount = static_cast<DWORD>(count);
  data->rdh.nRgnSize = static_cast<DWORD>(count * sizeof(RECT));
  RECT bounds{begin->x, begin->y, begin->x_end, begin->y + 1};
  auto* rects = reinterpret_cast<RECT*>(data->Buffer);
  for (std::size_t i = 0; i < count; ++i) {
    const AlphaRun& run = begin[i];
    rects[i] = RECT{run.x, run.y, run.x_end, run.y + 1};
    bounds.left = std::min(bounds.left, rects[i].left);
    bounds.top = std::min(bounds.top, rects[i].top);
    bounds.right = std::max(bounds.right, rects[i].right);
    bounds.bottom = std::max(bounds.bottom, rects[i].bottom);
  }
  data->rdh.rcBound = bounds;
  return ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), data);
}

}  // namespace

HRGN RegionFromAlpha(const SkinImage* image) {
  if (!image) return nullptr;
  try {
    const std::vector<AlphaRun> runs = FindAlphaRuns(image);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (!region) return nullptr;
    for (std::size_t start = 0; start < runs.size(); start += kRectsPerBatch) {
      const std::size_t end = std::min(runs.size(), start + kRectsPerBatch);
      HRGN batch = RegionFromRuns(runs.data() + start, runs.data() + end);
      if (!batch) {
        DeleteObject(region);
        return nullptr;
      }
      CombineRgn(region, region, batch, RGN_OR);
      DeleteObject(batch);
    }
    return region;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace lz
