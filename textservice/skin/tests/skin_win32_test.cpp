// The Windows side of skins: the built-in skin from this program's own resource (the library's resource
// script is compiled into it) and window regions from alpha.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "textservice/skin/builtin_skin_win32.h"
#include "textservice/skin/skin_package.h"
#include "textservice/windows/skin_region_win32.h"

namespace lz {
namespace {

struct Region {
  HRGN handle;
  explicit Region(HRGN h) : handle(h) {}
  ~Region() {
    if (handle) DeleteObject(handle);
  }
  Region(const Region&) = delete;
  Region& operator=(const Region&) = delete;
  DWORD RectCount() const {
    const DWORD size = GetRegionData(handle, 0, nullptr);
    std::vector<std::uint8_t> buffer(size);
    if (!GetRegionData(handle, size, reinterpret_cast<RGNDATA*>(buffer.data()))) return 0;
    return reinterpret_cast<RGNDATA*>(buffer.data())->rdh.nCount;
  }
};

std::unique_ptr<SkinImage> WithAlphas(std::int32_t width, std::int32_t height, std::uint8_t (*alpha)(int x, int y)) {
  auto image = NewSkinImage(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image->Pixel(x, y)[kPixelAlpha] = alpha(x, y);
  }
  return image;
}

TEST(BuiltinSkinResource, LoadsIntoACompleteImageSet) {
  const auto bytes = FindBuiltinSkin(GetModuleHandleW(nullptr));
  ASSERT_FALSE(bytes.empty());
  LoadedSkin skin;
  ASSERT_EQ(LoadSkinFromResource(skin.images, skin.description, bytes.data(), bytes.size()), 1);
  EXPECT_EQ(std::u16string(skin.description.source), u"fromResource");
  EXPECT_NE(skin.description.info.name[0], u'\0');
  for (int slot = 0; slot < kRequiredSkinImages; ++slot) EXPECT_NE(skin.images[slot], nullptr);
  EXPECT_NE(skin.images[kMenuImages], nullptr);

  const SkinImage& bar = *skin.images[kBarImage];
  Region region(RegionFromAlpha(&bar));
  ASSERT_NE(region.handle, nullptr);
  RECT box{};
  EXPECT_EQ(GetRgnBox(region.handle, &box), COMPLEXREGION);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.right, bar.width);
  EXPECT_EQ(box.bottom, bar.height);
  EXPECT_TRUE(PtInRegion(region.handle, bar.width / 2, bar.height / 2));
  EXPECT_FALSE(PtInRegion(region.handle, 0, 0));  // a rounded corner
}

TEST(BuiltinSkinResource, MissingResourceGivesNothing) {
  EXPECT_TRUE(FindBuiltinSkin(GetModuleHandleW(L"kernel32.dll")).empty());
}

TEST(SkinRegion, CoversEveryPixelWithAlpha) {
  struct Case {
    const char* what;
    std::int32_t width, height;
    std::uint8_t (*alpha)(int x, int y);
    int region_type;
    DWORD rects;
  };
  const Case cases[] = {
      {"3 x 1 with alphas 255, 0, 255", 3, 1, [](int x, int) -> std::uint8_t { return x == 1 ? 0 : 255; },
       COMPLEXREGION, 2},
      {"no alpha anywhere", 4, 4, [](int, int) -> std::uint8_t { return 0; }, NULLREGION, 0},
      {"all opaque", 4, 4, [](int, int) -> std::uint8_t { return 1; }, SIMPLEREGION, 1},
      // 5000 single pixels: more than one batch of 4000 rectangles.
      {"checkerboard", 100, 100, [](int x, int y) -> std::uint8_t { return (x + y) % 2 ? 0 : 255; }, COMPLEXREGION,
       5000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto image = WithAlphas(c.width, c.height, c.alpha);
    Region region(RegionFromAlpha(image.get()));
    ASSERT_NE(region.handle, nullptr);
    RECT box{};
    EXPECT_EQ(GetRgnBox(region.handle, &box), c.region_type);
    EXPECT_EQ(region.RectCount(), c.rects);
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        EXPECT_EQ(PtInRegion(region.handle, x, y) != 0, c.alpha(x, y) != 0) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(RegionFromAlpha(nullptr), nullptr);
}

}  // namespace
}  // namespace lz
