// The built-in skin package that the build draws: complete, with the buttons the windows use, and
// shaped pictures (transparent corners, opaque inside).
#include <gtest/gtest.h>

#include "textservice/skin/skin_package.h"
#include "textservice/skin/skin_shape.h"

#ifdef LZ_BUILTIN_SKIN_PATH

namespace lz {
namespace {

TEST(BuiltinSkin, PackageIsCompleteAndShaped) {
  const std::string path = LZ_BUILTIN_SKIN_PATH;
  SkinImageSet images;
  SkinDescription description{};
  ASSERT_EQ(LoadSkinFromPath(std::u16string(path.begin(), path.end()).c_str(), images, description), 1);
  EXPECT_NE(description.info.name[0], u'\0');
  EXPECT_EQ(description.text.code_font.size, -16);
  EXPECT_EQ(description.text.code_font.weight, 400);
  for (int slot : {kLogoImages, kEnglishModeImages, kChineseModeImages, kCapsLockImages, kEnglishPunctuationImages,
                   kChinesePunctuationImages, kFullWidthImages, kHalfWidthImages, kSoftKeyboardOnImages,
                   kSoftKeyboardOffImages, kMenuImages, kPreviousPageImages, kNextPageImages}) {
    SCOPED_TRACE(SkinImageMemberName(slot));
    EXPECT_NE(images[slot], nullptr);
    EXPECT_NE(images[slot + 1], nullptr);  // the hot picture
  }
  const StatusLayout& status = description.status;
  const SkinImage& bar = *images[kBarImage];
  for (const SkinPoint& p : {status.logo, status.mode_button, status.punctuation_button, status.width_button,
                             status.soft_keyboard_button, status.menu_button}) {
    EXPECT_GE(p.x, 0);
    EXPECT_LT(p.x + images[kMenuImages]->width, bar.width + 1);
  }
  for (int slot = 0; slot < kRequiredSkinImages; ++slot) {
    SCOPED_TRACE(SkinImageMemberName(slot));
    const SkinImage& image = *images[slot];
    EXPECT_EQ(image.Pixel(0, 0)[kPixelAlpha], 0);  // rounded corner
    EXPECT_EQ(image.Pixel(image.width / 2, image.height / 2)[kPixelAlpha], 255);
    EXPECT_FALSE(FindAlphaRuns(&image).empty());
  }
  for (const CandidateLayout* layout :
       {&description.merged, &description.merged_vertical, &description.embedded, &description.embedded_vertical}) {
    EXPECT_LE(0, layout->horizontal_stretch.first);
    EXPECT_LE(layout->horizontal_stretch.first, layout->horizontal_stretch.last);
    EXPECT_LE(0, layout->vertical_stretch.first);
    EXPECT_LE(layout->vertical_stretch.first, layout->vertical_stretch.last);
  }
}

}  // namespace
}  // namespace lz

#endif
