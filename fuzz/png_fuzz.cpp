// Any bytes as a PNG, and PNGs encoded from the input in every colour type and bit depth, whole or cut:
// the decoder must refuse or give an image of the size it reports, never reading outside the source.
// Decoded images then go through stretching and outline finding with bands from the input.
#include <png.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "textservice/skin/skin_image.h"
#include "textservice/skin/skin_shape.h"
#include "textservice/skin/tests/png_writer.h"

namespace {

struct Format {
  int colour_type;
  int bit_depth;
  int channels;
};

constexpr Format kFormats[] = {
    {PNG_COLOR_TYPE_GRAY, 1, 1},        {PNG_COLOR_TYPE_GRAY, 2, 1},      {PNG_COLOR_TYPE_GRAY, 4, 1},
    {PNG_COLOR_TYPE_GRAY, 8, 1},        {PNG_COLOR_TYPE_GRAY, 16, 1},     {PNG_COLOR_TYPE_RGB, 8, 3},
    {PNG_COLOR_TYPE_RGB, 16, 3},        {PNG_COLOR_TYPE_PALETTE, 1, 1},   {PNG_COLOR_TYPE_PALETTE, 2, 1},
    {PNG_COLOR_TYPE_PALETTE, 4, 1},     {PNG_COLOR_TYPE_PALETTE, 8, 1},   {PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2},
    {PNG_COLOR_TYPE_GRAY_ALPHA, 16, 2}, {PNG_COLOR_TYPE_RGB_ALPHA, 8, 4}, {PNG_COLOR_TYPE_RGB_ALPHA, 16, 4},
};

std::uint8_t At(const std::uint8_t* data, std::size_t size, std::size_t i) { return i < size ? data[i] : 0; }

std::vector<std::uint8_t> Encode(const std::uint8_t* data, std::size_t size) {
  const Format& f = kFormats[At(data, size, 0) % std::size(kFormats)];
  lz::test::PngLayout layout;
  layout.width = 1 + At(data, size, 1) % 24u;
  layout.height = 1 + At(data, size, 2) % 24u;
  layout.colour_type = f.colour_type;
  layout.bit_depth = f.bit_depth;
  layout.interlaced = (At(data, size, 3) & 1) != 0;
  const std::size_t row_bytes = (layout.width * static_cast<std::size_t>(f.channels * f.bit_depth) + 7) / 8;
  layout.rows.resize(row_bytes * layout.height);
  for (std::size_t i = 0; i < layout.rows.size(); ++i)
    layout.rows[i] = At(data, size, 8 + i % (size > 8 ? size - 8 : 1));
  if (f.colour_type == PNG_COLOR_TYPE_PALETTE) {
    const std::size_t entries = std::size_t{1} << f.bit_depth;
    for (std::size_t i = 0; i < 3 * entries; ++i) layout.palette.push_back(At(data, size, 4 + i));
    if (At(data, size, 3) & 2) layout.trns.assign(entries / 2 + 1, At(data, size, 5));
  } else if ((At(data, size, 3) & 2) && (f.colour_type == PNG_COLOR_TYPE_GRAY || f.colour_type == PNG_COLOR_TYPE_RGB)) {
    layout.trns.assign(6, 0);
    layout.trns[1] = At(data, size, 6);
  }
  std::vector<std::uint8_t> png = lz::test::EncodePng(layout);
  // Sometimes cut the file short, sometimes flip one byte.
  const std::uint8_t change = At(data, size, 7);
  if (!png.empty() && (change & 0x80)) png.resize(png.size() * (change & 0x7F) / 128);
  if (!png.empty() && (change & 0x40)) png[(png.size() * (change & 0x3F)) / 64] ^= At(data, size, 6);
  return png;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::vector<std::uint8_t> png =
      (data[0] & 1) ? Encode(data + 1, size - 1) : std::vector<std::uint8_t>(data + 1, data + size);
  lz::PngMemorySource source{png.empty() ? nullptr : png.data(), static_cast<std::uint32_t>(png.size()), 0};
  const auto image = lz::LoadPngFromMemory(source);
  if (source.position > source.size) __builtin_trap();
  if (!image) return 0;
  if (image->width <= 0 || image->height <= 0 ||
      image->pixels.size() != static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height) * 4) {
    __builtin_trap();
  }
  const auto signed_at = [&](std::size_t i) {
    return static_cast<std::int32_t>(static_cast<std::int8_t>(At(data, size, i)));
  };
  const auto stretched = lz::StretchSkinImage(1 + At(data, size, 1) % 64, image.get(), 1 + At(data, size, 2) % 64,
                                              signed_at(9), signed_at(10), signed_at(11), signed_at(12));
  for (const lz::AlphaRun& run : lz::FindAlphaRuns(stretched.get())) {
    if (run.x < 0 || run.x >= run.x_end || run.x_end > stretched->width) __builtin_trap();
  }
  return 0;
}
