#include "textservice/skin/skin_image.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <limits>
#include <new>

#include "platform/os/file_mapping.h"
#include "platform/os/folder_list.h"

namespace lz {
namespace {

// A PNG file is compressed pixels plus chunks; one far larger than the biggest image it could describe
// is not read into memory at all.
constexpr std::uint64_t kMaxPngFileBytes = 4 * kMaxSkinImageBytes;

// libpng reports errors by jumping back to the frame that called setjmp. The frames below keep nothing
// with a destructor between setjmp and the libpng calls, so the jump skips nothing that must run; all
// state that outlives a jump lives in this record, owned by the caller.
struct PngRead {
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int colour_type = 0;
  int bit_depth = 0;
  std::size_t row_bytes = 0;
};

[[noreturn]] void RaisePngError(png_structp png, png_const_charp /*message*/) { png_longjmp(png, 1); }
void IgnorePngWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* source = static_cast<PngMemorySource*>(png_get_io_ptr(png));
  // A read past the end is an error, not a short read: libpng must not go on with stale buffer bytes.
  if (count > source->size - source->position) png_error(png, "read past the end of the PNG data");
  std::memcpy(out, source->data + source->position, count);
  source->position += static_cast<std::uint32_t>(count);
}

bool ReadHeader(PngRead& r) {
  if (setjmp(png_jmpbuf(r.png))) return false;
  png_read_info(r.png, r.info);
  png_set_expand(r.png);
  png_set_scale_16(r.png);
  png_set_interlace_handling(r.png);
  png_read_update_info(r.png, r.info);
  r.width = png_get_image_width(r.png, r.info);
  r.height = png_get_image_height(r.png, r.info);
  r.colour_type = png_get_color_type(r.png, r.info);
  r.bit_depth = png_get_bit_depth(r.png, r.info);
  r.row_bytes = png_get_rowbytes(r.png, r.info);
  return true;
}

bool ReadRows(PngRead& r, png_bytepp rows) {
  if (setjmp(png_jmpbuf(r.png))) return false;
  png_read_image(r.png, rows);
  png_read_end(r.png, nullptr);
  return true;
}

// Input bytes per pixel for the colour types that come out of the expansion; 0 for any other.
int InputPixelBytes(int colour_type) {
  switch (colour_type) {
    case PNG_COLOR_TYPE_GRAY:
      return 1;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return 4;
    default:
      return 0;
  }
}

void ConvertRow(int colour_type, const std::uint8_t* in, std::uint8_t* out, std::uint32_t width) {
  for (std::uint32_t x = 0; x < width; ++x, out += kSkinPixelBytes) {
    switch (colour_type) {
      case PNG_COLOR_TYPE_GRAY:
        out[kPixelBlue] = out[kPixelGreen] = out[kPixelRed] = in[0];
        out[kPixelAlpha] = 0;
        in += 1;
        break;
      case PNG_COLOR_TYPE_RGB:
        out[kPixelBlue] = in[2];
        out[kPixelGreen] = in[1];
        out[kPixelRed] = in[0];
        out[kPixelAlpha] = 0;
        in += 3;
        break;
      case PNG_COLOR_TYPE_GRAY_ALPHA:
        out[kPixelBlue] = out[kPixelGreen] = out[kPixelRed] = in[0];
        out[kPixelAlpha] = in[1];
        in += 2;
        break;
      default:  // PNG_COLOR_TYPE_RGB_ALPHA
        out[kPixelBlue] = in[2];
        out[kPixelGreen] = in[1];
        out[kPixelRed] = in[0];
        out[kPixelAlpha] = in[3];
        in += 4;
        break;
    }
  }
}

std::unique_ptr<SkinImage> Decode(PngRead& r) {
  if (!ReadHeader(r)) return nullptr;
  const int pixel_bytes = InputPixelBytes(r.colour_type);
  if (pixel_bytes == 0 || r.bit_depth != 8) return nullptr;
  if (r.width == 0 || r.height == 0 || r.width > 0x7FFFFFFF || r.height > 0x7FFFFFFF) return nullptr;
  if (std::uint64_t{r.width} * r.height * kSkinPixelBytes > kMaxSkinImageBytes) return nullptr;
  if (r.row_bytes != std::size_t{r.width} * static_cast<std::size_t>(pixel_bytes)) return nullptr;

  auto image = NewSkinImage(static_cast<std::int32_t>(r.width), static_cast<std::int32_t>(r.height));
  if (!image) return nullptr;
  std::vector<std::uint8_t> decoded(r.row_bytes * r.height);
  std::vector<png_bytep> rows(r.height);
  for (png_uint_32 y = 0; y < r.height; ++y) rows[y] = decoded.data() + y * r.row_bytes;
  if (!ReadRows(r, rows.data())) return nullptr;
  for (png_uint_32 y = 0; y < r.height; ++y) {
    ConvertRow(r.colour_type, rows[y], image->Pixel(0, static_cast<std::int32_t>(y)), r.width);
  }
  return image;
}

}  // namespace

std::unique_ptr<SkinImage> NewSkinImage(std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) return nullptr;
  const std::uint64_t bytes = std::uint64_t(width) * std::uint64_t(height) * kSkinPixelBytes;
  if (bytes > kMaxSkinImageBytes) return nullptr;
  try {
    auto image = std::make_unique<SkinImage>();
    image->width = width;
    image->height = height;
    image->pixels.assign(static_cast<std::size_t>(bytes), 0);
    return image;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::unique_ptr<SkinImage> LoadPngFromMemory(PngMemorySource& source) {
  if (!source.data || source.position > source.size) return nullptr;
  PngRead r;
  r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, RaisePngError, IgnorePngWarning);
  if (!r.png) return nullptr;
  r.info = png_create_info_struct(r.png);
  if (!r.info) {
    png_destroy_read_struct(&r.png, nullptr, nullptr);
    return nullptr;
  }
  png_set_read_fn(r.png, &source, ReadFromMemory);
  // libpng only warns about a chunk beyond its size limit and then allocates it anyway: a few hundred
  // bytes could ask for gigabytes. Limits that hold and every benign error an error make it refuse.
  png_set_chunk_malloc_max(r.png, kMaxPngChunkBytes);
  png_set_chunk_cache_max(r.png, kMaxPngCachedChunks);
  png_set_benign_errors(r.png, 0);
  std::unique_ptr<SkinImage> image;
  try {
    image = Decode(r);
  } catch (const std::bad_alloc&) {
    image = nullptr;
  }
  png_destroy_read_struct(&r.png, &r.info, nullptr);
  return image;
}

std::uint64_t PngPixelBytes(const std::uint8_t* data, std::size_t size) {
  // The signature, then the header chunk: length 13, type "IHDR", width and height big-endian.
  constexpr std::uint8_t kStart[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  constexpr std::size_t kWidthAt = sizeof kStart;
  constexpr std::size_t kHeightAt = kWidthAt + 4;
  if (!data || size < kHeightAt + 4 || std::memcmp(data, kStart, sizeof kStart) != 0) return 0;
  const auto big_endian = [data](std::size_t at) {
    return std::uint32_t{data[at]} << 24 | std::uint32_t{data[at + 1]} << 16 | std::uint32_t{data[at + 2]} << 8 |
           std::uint32_t{data[at + 3]};
  };
  const std::uint64_t pixels = std::uint64_t{big_endian(kWidthAt)} * big_endian(kHeightAt);
  constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();
  return pixels > kMost / kSkinPixelBytes ? kMost : pixels * kSkinPixelBytes;
}

std::unique_ptr<SkinImage> LoadPngFromFile(const char16_t* path) {
  if (!path) return nullptr;
  const std::int64_t size = os::RegularFileSize(path);
  if (size <= 0 || static_cast<std::uint64_t>(size) > kMaxPngFileBytes) return nullptr;
  try {
    std::vector<std::uint8_t> bytes;
    if (!os::ReadFileBytes(path, bytes) || bytes.size() > kMaxPngFileBytes) return nullptr;
    PngMemorySource source{bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0};
    return LoadPngFromMemory(source);
  } catch (const std::bad_alloc&) {
    return nullptr;
  } catch (const std::length_error&) {
    return nullptr;
  }
}

}  // namespace lz
