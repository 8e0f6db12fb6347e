#include "textservice/skin/skin_image.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "textservice/skin/tests/allocation_probe.h"
#include "textservice/skin/tests/png_writer.h"

namespace lz {
namespace {

using test::EncodePng;
using test::PngLayout;

std::unique_ptr<SkinImage> Decode(const std::vector<std::uint8_t>& png) {
  PngMemorySource source{png.empty() ? nullptr : png.data(), static_cast<std::uint32_t>(png.size()), 0};
  auto image = LoadPngFromMemory(source);
  EXPECT_LE(source.position, source.size);
  return image;
}

// Blue, green, red, alpha of every pixel, row by row.
std::vector<std::uint8_t> Pixels(const SkinImage& image) { return image.pixels; }

TEST(SkinImage, ColourTypesBecomeBlueGreenRedAlpha) {
  struct Case {
    std::string what;
    PngLayout layout;
    std::vector<std::uint8_t> bgra;
  };
  const std::vector<Case> cases = {
      {"RGBA",
       {2, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, {0x10, 0x20, 0x30, 0x80, 1, 2, 3, 0}, {}, {}},
       {0x30, 0x20, 0x10, 0x80, 3, 2, 1, 0}},
      {"RGB keeps alpha 0", {1, 1, PNG_COLOR_TYPE_RGB, 8, false, {0x10, 0x20, 0x30}, {}, {}}, {0x30, 0x20, 0x10, 0}},
      {"grey", {2, 1, PNG_COLOR_TYPE_GRAY, 8, false, {0x00, 0x7F}, {}, {}}, {0, 0, 0, 0, 0x7F, 0x7F, 0x7F, 0}},
      {"grey and alpha", {1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, {0x40, 0xC0}, {}, {}}, {0x40, 0x40, 0x40, 0xC0}},
      {"palette without transparency is RGB",
       {2, 1, PNG_COLOR_TYPE_PALETTE, 8, false, {1, 0}, {10, 20, 30, 40, 50, 60}, {}},
       {60, 50, 40, 0, 30, 20, 10, 0}},
      {"palette with transparency is RGBA",
       {2, 1, PNG_COLOR_TYPE_PALETTE, 8, false, {1, 0}, {10, 20, 30, 40, 50, 60}, {0x11, 0x99}},
       {60, 50, 40, 0x99, 30, 20, 10, 0x11}},
      {"4-bit palette",
       {2, 1, PNG_COLOR_TYPE_PALETTE, 4, false, {0x10}, {10, 20, 30, 40, 50, 60}, {}},
       {60, 50, 40, 0, 30, 20, 10, 0}},
      {"1-bit grey becomes 0 and 255",
       {3, 1, PNG_COLOR_TYPE_GRAY, 1, false, {0xA0}, {}, {}},
       {255, 255, 255, 0, 0, 0, 0, 0, 255, 255, 255, 0}},
      {"grey with a transparent value gains alpha",
       {2, 1, PNG_COLOR_TYPE_GRAY, 8, false, {5, 6}, {}, {0, 5}},
       {5, 5, 5, 0, 6, 6, 6, 255}},
      {"16-bit samples are reduced to 8 bits",
       {1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16, false, {0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00, 0xFF, 0xFF}, {}, {}},
       {0, 0x80, 0xFF, 0xFF}},
      {"interlaced",
       {2, 2, PNG_COLOR_TYPE_RGB_ALPHA, 8, true, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, {}, {}},
       {3, 2, 1, 4, 7, 6, 5, 8, 11, 10, 9, 12, 15, 14, 13, 16}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto png = EncodePng(c.layout);
    ASSERT_FALSE(png.empty());
    const auto image = Decode(png);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, static_cast<std::int32_t>(c.layout.width));
    EXPECT_EQ(image->height, static_cast<std::int32_t>(c.layout.height));
    EXPECT_EQ(Pixels(*image), c.bgra);
  }
}

std::vector<std::uint8_t> Chunk(const char* kind, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> out;
  const auto put32 = [&out](std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
  };
  put32(static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), kind, kind + 4);
  out.insert(out.end(), data.begin(), data.end());
  put32(static_cast<std::uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
  return out;
}

// A signature, an IHDR and the start of an IDAT: enough for the decoder to judge the size before it
// reads any pixel data.
std::vector<std::uint8_t> HeaderOnly(std::uint32_t width, std::uint32_t height) {
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> ihdr;
  for (std::uint32_t v : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8) ihdr.push_back(static_cast<std::uint8_t>(v >> shift));
  }
  ihdr.insert(ihdr.end(), {8, PNG_COLOR_TYPE_RGB_ALPHA, 0, 0, 0});
  for (const auto& chunk : {Chunk("IHDR", ihdr), Chunk("IDAT", {0x78, 0x9C, 0x63, 0x60})}) {
    png.insert(png.end(), chunk.begin(), chunk.end());
  }
  return png;
}

TEST(SkinImage, RefusesWhatIsNotAWholeValidPng) {
  PngLayout layout{8, 8, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, std::vector<std::uint8_t>(8 * 8 * 4, 0x5A), {}, {}};
  const auto whole = EncodePng(layout);
  ASSERT_NE(Decode(whole), nullptr);
  struct Case {
    std::string what;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Case> cases = {
      {"nothing", {}},
      {"not a PNG", std::vector<std::uint8_t>(100, 'x')},
      {"only the signature", std::vector<std::uint8_t>(whole.begin(), whole.begin() + 8)},
      // 4096 x 4097 x 4 bytes passes the 64 MB cap by one row.
      {"pixels beyond the cap", HeaderOnly(4096, 4097)},
      {"width beyond the PNG limit", HeaderOnly(0x80000000u, 1)},
  };
  for (std::size_t cut : {whole.size() - 1, whole.size() - 12, whole.size() / 2, std::size_t{40}, std::size_t{9}}) {
    cases.push_back({"cut to " + std::to_string(cut),
                     std::vector<std::uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut))});
  }
  auto corrupt = whole;
  corrupt[whole.size() / 2] ^= 0xFF;
  cases.push_back({"corrupt data", corrupt});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Decode(c.bytes), nullptr);
  }
}

// A whole PNG with a chunk put in right after its header chunk.
std::vector<std::uint8_t> WithChunkAfterHeader(const std::vector<std::uint8_t>& chunk) {
  constexpr std::ptrdiff_t kAfterHeader = 8 + 12 + 13;  // signature, then IHDR's length, type, data, CRC
  auto png = test::EncodeRgbaPng(1, 1, {1, 2, 3, 4});
  png.insert(png.begin() + kAfterHeader, chunk.begin(), chunk.end());
  return png;
}

TEST(SkinImage, ChunksPastTheLimitAreRefusedBeforeTheyAreRead) {
  std::vector<std::uint8_t> text = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0};
  text.resize(kMaxPngChunkBytes + 1, 'x');
  // A chunk that claims 2 GB in a file of a few hundred bytes.
  const std::vector<std::uint8_t> claim = {0x7F, 0xFF, 0xFF, 0xF0, 't', 'E', 'X', 't', 'C', 'o', 'm', 0, 'x'};
  struct Case {
    std::string what;
    std::vector<std::uint8_t> png;
  };
  const std::vector<Case> cases = {
      {"a text chunk that declares 2 GB", WithChunkAfterHeader(claim)},
      {"a text chunk one byte past the limit", WithChunkAfterHeader(Chunk("tEXt", text))},
  };
  text.resize(1000);
  ASSERT_NE(Decode(WithChunkAfterHeader(Chunk("tEXt", text))), nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto largest = test::LargestAllocationDuring([&] { EXPECT_EQ(Decode(c.png), nullptr); });
    if (largest) {
      EXPECT_LE(*largest, std::size_t{kMaxPngChunkBytes} + 64 * 1024);
    }
  }
}

TEST(SkinImage, PixelBytesComeFromTheHeaderChunk) {
  EXPECT_EQ(PngPixelBytes(HeaderOnly(3, 5).data(), HeaderOnly(3, 5).size()), 3u * 5u * 4u);
  EXPECT_EQ(PngPixelBytes(HeaderOnly(0x7FFFFFFFu, 0x7FFFFFFFu).data(), 24), 0x7FFFFFFFull * 0x7FFFFFFFull * 4);
  EXPECT_EQ(PngPixelBytes(HeaderOnly(0xFFFFFFFFu, 0xFFFFFFFFu).data(), 24), ~0ull);
  const auto png = HeaderOnly(3, 5);
  EXPECT_EQ(PngPixelBytes(png.data(), 23), 0u);
  EXPECT_EQ(PngPixelBytes(Chunk("IHDR", {}).data(), 24), 0u);
}

TEST(SkinImage, LoadsFromAFile) {
  test::TempFolder folder;
  const auto png = test::EncodeRgbaPng(1, 1, {0x10, 0x20, 0x30, 0x80});
  test::WriteFileBytes(folder.path() / "p.png", png);
  const auto image = LoadPngFromFile(folder.File("p.png").c_str());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(Pixels(*image), (std::vector<std::uint8_t>{0x30, 0x20, 0x10, 0x80}));
  EXPECT_EQ(LoadPngFromFile(folder.File("missing.png").c_str()), nullptr);
  test::WriteFileBytes(folder.path() / "cut.png", std::vector<std::uint8_t>(png.begin(), png.end() - 20));
  EXPECT_EQ(LoadPngFromFile(folder.File("cut.png").c_str()), nullptr);
}

TEST(SkinImage, NewImagesAreZeroAndCapped) {
  const auto image = NewSkinImage(3, 2);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->pixels, std::vector<std::uint8_t>(24, 0));
  EXPECT_EQ(NewSkinImage(0, 5), nullptr);
  EXPECT_EQ(NewSkinImage(4096, 4097), nullptr);
  EXPECT_NE(NewSkinImage(4096, 4096), nullptr);
}

}  // namespace
}  // namespace lz
