#include "textservice/skin/tests/png_writer.h"

#include <png.h>

#include <csetjmp>

namespace lz::test {
namespace {

struct PngWrite {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<std::uint8_t>* out = nullptr;
  std::vector<png_bytep> rows;
};

void Append(png_structp png, png_bytep data, png_size_t count) {
  auto* w = static_cast<PngWrite*>(png_get_io_ptr(png));
  w->out->insert(w->out->end(), data, data + count);
}
void Flush(png_structp) {}
[[noreturn]] void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void Quiet(png_structp, png_const_charp) {}

// No object with a destructor lives in this frame, so libpng's error jump skips nothing.
bool Write(PngWrite& w, const PngLayout& layout, png_colorp palette, int palette_count, png_color_16* trans_colour) {
  if (setjmp(png_jmpbuf(w.png))) return false;
  png_set_write_fn(w.png, &w, Append, Flush);
  png_set_IHDR(w.png, w.info, layout.width, layout.height, layout.bit_depth, layout.colour_type,
               layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (palette_count > 0) png_set_PLTE(w.png, w.info, palette, palette_count);
  if (!layout.trns.empty()) {
    if (layout.colour_type == PNG_COLOR_TYPE_PALETTE) {
      png_set_tRNS(w.png, w.info, layout.trns.data(), static_cast<int>(layout.trns.size()), nullptr);
    } else {
      png_set_tRNS(w.png, w.info, nullptr, 0, trans_colour);
    }
  }
  png_write_info(w.png, w.info);
  png_write_image(w.png, w.rows.data());
  png_write_end(w.png, nullptr);
  return true;
}

}  // namespace

std::vector<std::uint8_t> EncodePng(const PngLayout& layout) {
  std::vector<std::uint8_t> out;
  if (layout.height == 0 || layout.rows.size() % layout.height != 0) return out;
  PngWrite w;
  w.out = &out;
  const std::size_t row_bytes = layout.rows.size() / layout.height;
  for (std::uint32_t y = 0; y < layout.height; ++y) {
    w.rows.push_back(const_cast<png_bytep>(layout.rows.data() + y * row_bytes));
  }
  std::vector<png_color> palette;
  for (std::size_t i = 0; i + 2 < layout.palette.size(); i += 3) {
    palette.push_back(png_color{layout.palette[i], layout.palette[i + 1], layout.palette[i + 2]});
  }
  png_color_16 trans_colour{};
  if (layout.trns.size() >= 6) {
    trans_colour.red = static_cast<png_uint_16>((layout.trns[0] << 8) | layout.trns[1]);
    trans_colour.green = static_cast<png_uint_16>((layout.trns[2] << 8) | layout.trns[3]);
    trans_colour.blue = static_cast<png_uint_16>((layout.trns[4] << 8) | layout.trns[5]);
  }
  if (layout.trns.size() >= 2) trans_colour.gray = static_cast<png_uint_16>((layout.trns[0] << 8) | layout.trns[1]);

  w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Quiet);
  if (!w.png) return {};
  w.info = png_create_info_struct(w.png);
  const bool ok = w.info && Write(w, layout, palette.data(), static_cast<int>(palette.size()), &trans_colour);
  png_destroy_write_struct(&w.png, &w.info);
  if (!ok) out.clear();
  return out;
}

std::vector<std::uint8_t> EncodeRgbaPng(std::uint32_t width, std::uint32_t height,
                                        const std::vector<std::uint8_t>& rgba) {
  PngLayout layout;
  layout.width = width;
  layout.height = height;
  layout.colour_type = PNG_COLOR_TYPE_RGB_ALPHA;
  layout.bit_depth = 8;
  layout.rows = rgba;
  return EncodePng(layout);
}

}  // namespace lz::test
