#pragma once
// GDI drawing of skin regions: text in its state's colours, stretched images with white as the
// transparent colour, and framed rectangles.
#include <windows.h>

#include "textservice/skin/skin_regions.h"

namespace lz {

// Draws a region in its state (hidden regions draw nothing) with the font selected into dc.
void DrawRegion(const SkinHitRegion& region, HDC dc);

// Stretches a bitmap into rect in nine pieces (corners kept, edges and centre stretched) when it is larger
// than 4 pixels in each half and the target is at least its size less 4; else in one piece. White is
// transparent.
void DrawNineSliceTransparent(HBITMAP bitmap, HDC dc, const RECT& rect);

// Top and left edges in colour2, right and bottom edges (one pixel inside) in colour.
void DrawFrameRect(COLORREF colour, const RECT& rect, HDC dc, COLORREF colour2);

// A top-down 32-bit DIB section holding the image's pixels; bits receives its pixel memory.
HBITMAP CreateImageBitmap(const SkinImage& image, void** bits);

// A layered window's picture: the canvas's pixels in a DIB section selected into a memory DC compatible with
// the screen, open to GDI drawing and to bits(), then put on screen with per-pixel alpha.
class LayeredSurface {
 public:
  explicit LayeredSurface(const SkinImage& canvas);
  ~LayeredSurface();
  LayeredSurface(const LayeredSurface&) = delete;
  LayeredSurface& operator=(const LayeredSurface&) = delete;

  // False when the bitmap could not be made; nothing else works then.
  bool ok() const { return bitmap_ != nullptr; }
  HDC dc() const { return dc_; }
  void* bits() const { return bits_; }
  // Shows the surface as the window's whole picture, its top-left corner at the screen point (x, y).
  void Present(HWND window, int x, int y) const;

 private:
  HBITMAP bitmap_ = nullptr;
  void* bits_ = nullptr;
  HDC screen_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_bitmap_ = nullptr;
  SIZE size_{};
};

}  // namespace lz
