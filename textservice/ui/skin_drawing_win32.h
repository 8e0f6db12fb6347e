#pragma once
// GDI drawing of skin regions: text in its state's colours, stretched images with white as the
// transparent colour, and framed rectangles.
#include <windows.h>

#include "textservice/ui/skin_regions.h"

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

}  // namespace lz
