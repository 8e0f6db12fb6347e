#include "textservice/windows/skin_drawing_win32.h"

#include <cstring>

#include "platform/os/native_path.h"

namespace lz {
namespace {

constexpr COLORREF kTransparentWhite = 0xFFFFFF;
// The nine-slice cut lies this far either side of the bitmap's middle.
constexpr int kSliceHalfGap = 2;
constexpr int kMinSliceHalf = 4;

void Piece(HDC dc, int x, int y, int w, int h, HDC source, int sx, int sy, int sw, int sh) {
  if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
  TransparentBlt(dc, x, y, w, h, source, sx, sy, sw, sh, kTransparentWhite);
}

}  // namespace

HBITMAP CreateImageBitmap(const SkinImage& image, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* memory = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
  if (!bitmap) return nullptr;
  std::memcpy(memory, image.pixels.data(), image.pixels.size());
  if (bits) *bits = memory;
  return bitmap;
}

LayeredSurface::LayeredSurface(const SkinImage& canvas) {
  bitmap_ = CreateImageBitmap(canvas, &bits_);
  if (!bitmap_) return;
  screen_ = GetDC(nullptr);
  dc_ = CreateCompatibleDC(screen_);
  old_bitmap_ = SelectObject(dc_, bitmap_);
  size_ = SIZE{canvas.width, canvas.height};
}

LayeredSurface::~LayeredSurface() {
  if (!bitmap_) return;
  SelectObject(dc_, old_bitmap_);
  DeleteDC(dc_);
  ReleaseDC(nullptr, screen_);
  DeleteObject(bitmap_);
}

void LayeredSurface::Present(HWND window, int x, int y) const {
  POINT position{x, y};
  SIZE size = size_;
  POINT origin{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UpdateLayeredWindow(window, screen_, &position, &size, dc_, &origin, 0, &blend, ULW_ALPHA);
}

void DrawNineSliceTransparent(HBITMAP bitmap, HDC dc, const RECT& rect) {
  BITMAP info{};
  if (!bitmap || !GetObjectW(bitmap, sizeof info, &info)) return;
  HDC source = CreateCompatibleDC(dc);
  if (!source) return;
  HGDIOBJ old = SelectObject(source, bitmap);
  const int bw = info.bmWidth, bh = info.bmHeight;
  const int tw = rect.right - rect.left, th = rect.bottom - rect.top;
  if (bw / 2 > kMinSliceHalf && bh / 2 > kMinSliceHalf && tw >= bw - 4 && th >= bh - 4) {
    // Columns and rows of the source: [0, x1) [x1, x2) [x2, bw).
    const int x1 = bw / 2 - kSliceHalfGap, x2 = bw / 2 + kSliceHalfGap;
    const int y1 = bh / 2 - kSliceHalfGap, y2 = bh / 2 + kSliceHalfGap;
    const int right = bw - x2, bottom = bh - y2;
    const int mid_w = tw - x1 - right, mid_h = th - y1 - bottom;
    const int l = rect.left, t = rect.top;
    Piece(dc, l, t, x1, y1, source, 0, 0, x1, y1);
    Piece(dc, l + x1, t, mid_w, y1, source, x1, 0, x2 - x1, y1);
    Piece(dc, l + x1 + mid_w, t, right, y1, source, x2, 0, right, y1);
    Piece(dc, l, t + y1, x1, mid_h, source, 0, y1, x1, y2 - y1);
    Piece(dc, l + x1, t + y1, mid_w, mid_h, source, x1, y1, x2 - x1, y2 - y1);
    Piece(dc, l + x1 + mid_w, t + y1, right, mid_h, source, x2, y1, right, y2 - y1);
    Piece(dc, l, t + y1 + mid_h, x1, bottom, source, 0, y2, x1, bottom);
    Piece(dc, l + x1, t + y1 + mid_h, mid_w, bottom, source, x1, y2, x2 - x1, bottom);
    Piece(dc, l + x1 + mid_w, t + y1 + mid_h, right, bottom, source, x2, y2, right, bottom);
  } else {
    Piece(dc, rect.left, rect.top, tw, th, source, 0, 0, bw, bh);
  }
  SelectObject(source, old);
  DeleteDC(source);
}

void DrawFrameRect(COLORREF colour, const RECT& rect, HDC dc, COLORREF colour2) {
  HPEN light = CreatePen(PS_SOLID, 1, colour2);
  HPEN dark = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ old = SelectObject(dc, light);
  MoveToEx(dc, rect.left, rect.bottom - 1, nullptr);
  LineTo(dc, rect.left, rect.top);
  LineTo(dc, rect.right, rect.top);
  SelectObject(dc, dark);
  MoveToEx(dc, rect.right - 1, rect.top, nullptr);
  LineTo(dc, rect.right - 1, rect.bottom - 1);
  LineTo(dc, rect.left - 1, rect.bottom - 1);
  SelectObject(dc, old);
  DeleteObject(light);
  DeleteObject(dark);
}

void DrawRegion(const SkinHitRegion& r, HDC dc) {
  if (!r.Shown()) return;
  const int state = r.state < kRegionStates ? r.state : region_state::kNormal;
  const RECT box{r.x, r.y, r.x + r.width, r.y + r.height};
  if (r.kind & region_kind::kStretchedImage) {
    const SkinImage* image = r.images[state] ? r.images[state] : r.images[0];
    if (image) {
      HBITMAP bitmap = CreateImageBitmap(*image, nullptr);
      DrawNineSliceTransparent(bitmap, dc, box);
      if (bitmap) DeleteObject(bitmap);
    }
  }
  if (!(r.kind & region_kind::kText) || r.text_length <= 0 || !r.text[0]) return;
  const std::int32_t text_colour = r.text_colours[state];
  const std::int32_t background = r.background_colours[state];
  if (background >= 0 && background != text_colour) {
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, static_cast<COLORREF>(background));
  } else {
    SetBkMode(dc, TRANSPARENT);
  }
  SetTextColor(dc, static_cast<COLORREF>(text_colour));
  const wchar_t* text = os::WidePtr(r.text);
  if (r.kind & region_kind::kTextCentred) {
    RECT centred = box;
    DrawTextW(dc, text, r.text_length, &centred, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  } else {
    ExtTextOutW(dc, r.x + r.text_offset_x, r.y + r.text_offset_y, 0, nullptr, text,
                static_cast<UINT>(r.text_length), nullptr);
  }
}

}  // namespace lz
