#pragma once
// Every picture of a skin decoded into one record: 32-bit pixels in blue, green, red, alpha byte order
// (the little-endian value 0xAARRGGBB), rows top to bottom, ready for a device-independent bitmap.
#include <cstdint>
#include <memory>
#include <vector>

namespace lz {

// Largest pixel buffer an image may need; a PNG asking for more is refused before anything is
// allocated for it.
constexpr std::uint64_t kMaxSkinImageBytes = std::uint64_t{64} << 20;
constexpr int kSkinPixelBytes = 4;
// Largest chunk libpng may buffer whole (text, profiles, unknown chunks). Pixel data streams through
// and is bounded by the image size instead.
constexpr std::uint32_t kMaxPngChunkBytes = 1u << 20;
// Ancillary chunks (text, suggested palettes, unknown) libpng keeps from one file.
constexpr std::uint32_t kMaxPngCachedChunks = 128;

// Byte positions inside one pixel.
constexpr int kPixelBlue = 0;
constexpr int kPixelGreen = 1;
constexpr int kPixelRed = 2;
constexpr int kPixelAlpha = 3;

struct SkinImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> pixels;  // width x height x 4 bytes, straight (not premultiplied) alpha

  // The four bytes of pixel (x, y); the caller keeps x and y inside the image.
  std::size_t Offset(std::int32_t x, std::int32_t y) const {
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) *
           kSkinPixelBytes;
  }
  std::uint8_t* Pixel(std::int32_t x, std::int32_t y) { return pixels.data() + Offset(x, y); }
  const std::uint8_t* Pixel(std::int32_t x, std::int32_t y) const { return pixels.data() + Offset(x, y); }
};

// A new zero-filled image; null when the size is not positive or passes kMaxSkinImageBytes.
std::unique_ptr<SkinImage> NewSkinImage(std::int32_t width, std::int32_t height);

// A PNG file image in memory. The caller sets position to 0; the decoder advances it.
struct PngMemorySource {
  const std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
  std::uint32_t position = 0;
};

// Decodes a PNG. Palette images become RGB (RGBA with a transparency chunk), grey below 8 bits becomes
// 8-bit grey, 16-bit samples are scaled to 8 bits. Images without an alpha channel keep alpha 0 in every
// pixel: drawing code treats such images as opaque by that mark. Null for anything that is not a whole,
// valid PNG within the size cap; nothing is read outside the source.
std::unique_ptr<SkinImage> LoadPngFromMemory(PngMemorySource& source);

// The pixel bytes (width x height x 4) the image in a PNG file image will take once decoded, read from
// its header chunk (the largest uint64 when that does not fit); 0 when the bytes do not begin like a PNG.
std::uint64_t PngPixelBytes(const std::uint8_t* data, std::size_t size);

// The same from a file (UTF-16 path); the file is closed before the function returns.
std::unique_ptr<SkinImage> LoadPngFromFile(const char16_t* path);

}  // namespace lz
