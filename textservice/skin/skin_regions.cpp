#include "textservice/skin/skin_regions.h"

#include <algorithm>

#include "textservice/engine/block_fields.h"
#include "textservice/engine/engine_instance.h"
#include "textservice/engine/skin_block.h"

namespace lz {
namespace {

bool Frozen(const SkinHitRegion& r) {
  return r.state == region_state::kDisabled || r.state == region_state::kHidden;
}

bool StrictlyInside(const SkinHitRegion& r, std::int32_t x, std::int32_t y) {
  return r.Placed() && x > r.x && x < r.x + r.width && y > r.y && y < r.y + r.height;
}

std::uint8_t BlendChannel(std::uint8_t src, std::uint8_t dst, std::uint32_t alpha) {
  const std::uint32_t out = src * alpha / 255 + dst * (255 - alpha) / 255;
  return static_cast<std::uint8_t>(std::min<std::uint32_t>(out, 255));
}

// Blends image into target with its top-left corner at (x, y); the caller has checked that it fits.
void BlendAt(SkinImage& target, std::int32_t x, std::int32_t y, const SkinImage& image, bool opaque_as_254) {
  for (std::int32_t row = 0; row < image.height; ++row) {
    for (std::int32_t col = 0; col < image.width; ++col) {
      const std::uint8_t* src = image.Pixel(col, row);
      std::uint8_t* dst = target.Pixel(x + col, y + row);
      const std::uint32_t alpha = src[kPixelAlpha];
      for (int c : {kPixelBlue, kPixelGreen, kPixelRed}) dst[c] = BlendChannel(src[c], dst[c], alpha);
      if (alpha != 0) dst[kPixelAlpha] = (opaque_as_254 && alpha == 255) ? 254 : static_cast<std::uint8_t>(alpha);
    }
  }
}

bool Fits(const SkinImage& target, std::int32_t x, std::int32_t y, const SkinImage& image) {
  return x >= 0 && y >= 0 && image.width <= target.width - x && image.height <= target.height - y;
}

}  // namespace

std::int32_t HitTestRegions(std::int32_t width, std::int32_t height, const SkinRegionTable& table, std::int32_t x,
                            std::int32_t y) {
  if (x <= 0 || x >= width || y <= 0 || y >= height) return kHitOutside;
  for (const SkinHitRegion& r : table) {
    if (!Frozen(r) && StrictlyInside(r, x, y)) return r.id;
  }
  return kHitBackground;
}

std::int32_t HitTestCandidateButtons(const SkinRegionTable& table, std::int32_t y, std::int32_t x) {
  for (int i = kFirstButtonRegion; i < kSkinRegionCount; ++i) {
    const SkinHitRegion& r = table[static_cast<std::size_t>(i)];
    if (r.Shown() && StrictlyInside(r, x, y)) return r.id;
  }
  return kHitBackground;
}

void ClearRegionState(SkinRegionTable& table, std::int32_t id) {
  if (id <= 0) return;
  for (SkinHitRegion& r : table) {
    if (r.id == id && !Frozen(r)) r.state = region_state::kNormal;
  }
}

void SetExclusiveRegionState(SkinRegionTable& table, std::int32_t state, std::int32_t id) {
  for (SkinHitRegion& r : table) {
    if (Frozen(r)) continue;
    if (r.id == id) {
      r.state = state;
    } else if (r.state == state) {
      r.state = region_state::kNormal;
    }
  }
}

const SkinImage* RegionImage(const SkinHitRegion& r) {
  int pick = 0;
  if (r.kind & region_kind::kImagePair) {
    const int base = (r.kind & region_kind::kSecondImagePair) ? 2 : 0;
    const bool lit = r.state == region_state::kHot || r.state == region_state::kPressed;
    pick = base + (lit ? 1 : 0);
  } else if (r.state == region_state::kDisabled) {
    pick = 3;
  } else if (r.state == region_state::kHot) {
    pick = 1;
  } else if (r.state == region_state::kPressed) {
    pick = 2;
  }
  return r.images[pick] ? r.images[pick] : r.images[0];
}

void BlendRegionImage(const SkinHitRegion& region, SkinImage& target) {
  if (!region.Shown() || !region.Placed()) return;
  const SkinImage* image = RegionImage(region);
  if (!image || !Fits(target, region.x, region.y, *image)) return;
  BlendAt(target, region.x, region.y, *image, false);
}

void BlendImage(SkinImage& target, std::int32_t x, std::int32_t y, const SkinImage& image) {
  if (!Fits(target, x, y, image)) return;
  BlendAt(target, x, y, image, true);
}

std::unique_ptr<SkinImage> OpaquePremultipliedCopy(const SkinImage& background) {
  auto canvas = NewSkinImage(background.width, background.height);
  if (!canvas) return nullptr;
  for (std::size_t i = 0; i + kSkinPixelBytes <= background.pixels.size(); i += kSkinPixelBytes) {
    const std::uint32_t alpha = background.pixels[i + kPixelAlpha];
    for (int c : {kPixelBlue, kPixelGreen, kPixelRed})
      canvas->pixels[i + c] = static_cast<std::uint8_t>(background.pixels[i + c] * alpha / 255);
    canvas->pixels[i + kPixelAlpha] = 255;
  }
  return canvas;
}

void RepairGdiAlpha(SkinImage& canvas, const SkinImage& background) {
  if (canvas.pixels.size() != background.pixels.size()) return;
  for (std::size_t i = 0; i + kSkinPixelBytes <= canvas.pixels.size(); i += kSkinPixelBytes) {
    std::uint8_t& alpha = canvas.pixels[i + kPixelAlpha];
    if (alpha == 0) {
      alpha = 255;
    } else if (alpha == 255) {
      const std::uint32_t a = background.pixels[i + kPixelAlpha];
      for (int c : {kPixelBlue, kPixelGreen, kPixelRed})
        canvas.pixels[i + c] = static_cast<std::uint8_t>(background.pixels[i + c] * a / 255);
      alpha = static_cast<std::uint8_t>(a);
    }
  }
}

int InputHasAutoVerticalPrefix(const EngineInstance* e) {
  const std::uint32_t count =
      std::min(BlockU32(e->blocks.skin, skin_block::kVerticalPrefixCount), skin_block::kMaxVerticalPrefixes);
  const std::u16string_view keys(e->keys, static_cast<std::size_t>(std::clamp(e->key_count, 0, kMaxInputKeys)));
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::u16string prefix = ReadFieldText(e->blocks.skin, skin_block::VerticalPrefixOffset(i),
                                                skin_block::kVerticalPrefixUnits);
    if (!prefix.empty() && keys.starts_with(prefix)) return 1;
  }
  return 0;
}

}  // namespace lz
