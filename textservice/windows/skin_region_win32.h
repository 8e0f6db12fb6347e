#pragma once
// Window regions from skin images (the layered windows' hit area follows the picture's outline).
#include <windows.h>

#include "textservice/skin/skin_image.h"

namespace lz {

// A new region (owned by the caller) covering every pixel whose alpha is not 0; an empty region for an
// image without such pixels; null for a null image or when GDI refuses.
HRGN RegionFromAlpha(const SkinImage* image);

}  // namespace lz
