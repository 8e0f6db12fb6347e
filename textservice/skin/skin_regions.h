#pragma once
// The regions of a skinned window: each window keeps a table of 50 rectangles with a state, the command
// id it reports, its text and colours, and the images of its states. The same small routines set their
// states, test points against them and blend their images into the window's pixels.
#include <array>
#include <cstdint>
#include <memory>

#include "textservice/skin/skin_image.h"

namespace lz {

struct EngineInstance;

constexpr int kSkinRegionCount = 50;
constexpr int kRegionTextUnits = 256;

// Region states.
namespace region_state {
constexpr std::int32_t kNormal = 0;
constexpr std::int32_t kDisabled = 1;
constexpr std::int32_t kHot = 2;
constexpr std::int32_t kPressed = 3;
constexpr std::int32_t kHidden = 5;
}  // namespace region_state
constexpr int kRegionStates = 4;  // the states with their own colours and images: 0..3

// Region kinds (flags).
namespace region_kind {
constexpr std::uint8_t kText = 0x1;
constexpr std::uint8_t kStretchedImage = 0x2;
constexpr std::uint8_t kButton = 0x8;
constexpr std::uint8_t kTextCentred = 0x10;
constexpr std::uint8_t kImagePair = 0x20;        // a two-image button: normal, then hot/pressed
constexpr std::uint8_t kSecondImagePair = 0x40;  // with kImagePair: the third and fourth images instead
}  // namespace region_kind

// Hit-test answers besides a region's id.
constexpr std::int32_t kHitOutside = -1;
constexpr std::int32_t kHitBackground = 0;

// A colour that is not set (text) or transparent (background).
constexpr std::int32_t kNoColour = -1;

struct SkinHitRegion {
  std::int32_t x;  // client pixels; x or y below 0: not placed
  std::int32_t y;
  std::int32_t width;
  std::int32_t height;
  std::int32_t state;
  std::int32_t id;
  std::uint8_t kind;
  char16_t text[kRegionTextUnits];
  std::int32_t text_length;
  std::int32_t text_colours[kRegionStates];        // COLORREF per state
  std::int32_t background_colours[kRegionStates];  // COLORREF per state, kNoColour transparent
  std::int32_t text_offset_x;                      // added to x, y for text that is not centred
  std::int32_t text_offset_y;
  const SkinImage* images[kRegionStates];  // the images of the states, owned by the skin

  bool Shown() const { return state != region_state::kHidden; }
  bool Placed() const { return x >= 0 && y >= 0; }
};

using SkinRegionTable = std::array<SkinHitRegion, kSkinRegionCount>;

// kHitOutside on or outside the window's edge; else the id of the first region (in table order) that
// holds the point strictly inside, is placed and is neither disabled nor hidden; else kHitBackground.
std::int32_t HitTestRegions(std::int32_t window_width, std::int32_t window_height, const SkinRegionTable& table,
                            std::int32_t x, std::int32_t y);

// The same test over the button regions 30-49 only; disabled buttons are found (the click ignores them),
// hidden ones are not. kHitBackground when none holds the point.
std::int32_t HitTestCandidateButtons(const SkinRegionTable& table, std::int32_t y, std::int32_t x);
constexpr int kFirstButtonRegion = 30;

// Every region with the id (id > 0) that is neither disabled nor hidden returns to normal.
void ClearRegionState(SkinRegionTable& table, std::int32_t id);

// Every region with the id that is neither disabled nor hidden takes the state; every other region that
// had that state returns to normal (one hot and one pressed region at a time).
void SetExclusiveRegionState(SkinRegionTable& table, std::int32_t state, std::int32_t id);

// The image a region shows in its state, picked from the four images of its group (by kind and state,
// a missing state image falling back to the normal one); null when it has none.
const SkinImage* RegionImage(const SkinHitRegion& region);

// Blends the region's image into the target at the region's place: out = src x a/255 + dst x (1 - a/255)
// per colour channel, the target's alpha becoming the source's where that is not 0. Hidden or unplaced
// regions, and regions that do not fit in the target, draw nothing.
void BlendRegionImage(const SkinHitRegion& region, SkinImage& target);

// The same blend of an image at a point, except that a fully opaque source pixel stores alpha 254;
// nothing is drawn when the image does not fit.
void BlendImage(SkinImage& target, std::int32_t x, std::int32_t y, const SkinImage& image);

// The layered windows paint in three steps: the background copied premultiplied and fully opaque, GDI
// text on top (GDI leaves alpha 0 where it drew), then the alpha repaired: drawn pixels become opaque,
// untouched ones take the background's premultiplied colour and alpha back.
std::unique_ptr<SkinImage> OpaquePremultipliedCopy(const SkinImage& background);
void RepairGdiAlpha(SkinImage& canvas, const SkinImage& background);

// 1 when the typed keys begin with one of the skin settings' auto-vertical code prefixes.
int InputHasAutoVerticalPrefix(const EngineInstance* instance);

}  // namespace lz
