#pragma once
// PNG files made in code with libpng's writer, in every colour type and bit depth the decoder meets.
#include <cstdint>
#include <vector>

namespace lz::test {

struct PngLayout {
  std::uint32_t width = 1;
  std::uint32_t height = 1;
  int colour_type = 6;  // PNG_COLOR_TYPE_*
  int bit_depth = 8;
  bool interlaced = false;
  std::vector<std::uint8_t> rows;     // height rows of packed samples as the file holds them
  std::vector<std::uint8_t> palette;  // r, g, b triples for palette images
  std::vector<std::uint8_t> trns;     // palette alphas, or for grey/RGB the 16-bit transparent colour
};

// The encoded file; empty when libpng refuses the description.
std::vector<std::uint8_t> EncodePng(const PngLayout& layout);

// An 8-bit RGBA image from r, g, b, a bytes per pixel.
std::vector<std::uint8_t> EncodeRgbaPng(std::uint32_t width, std::uint32_t height,
                                        const std::vector<std::uint8_t>& rgba);

}  // namespace lz::test
