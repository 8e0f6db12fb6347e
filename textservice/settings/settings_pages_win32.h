#pragma once
// The settings pages' windows: one current page per process, made from the library's dialogs as a
// modeless child of another program's window, editing the blocks of the settings record it was given.
#include <windows.h>

#include <cstdint>
#include <string>

#include "textservice/skin/skin_image.h"

namespace lz {

// Page 1..4: the new page, or null when its dialog can't be made. Any other number makes nothing and
// returns the current page. The settings record is remembered for the pages that follow.
HWND CreateSettingsPage(HWND parent, int page, void* settings);
// 1 when there is no page or it is gone; 0 when apply was asked and the page refused its values.
int DestroySettingsPage(int apply);

// Frees the skin catalog and the font list the pages keep for the process (the library is unloading).
void FreeSettingsPageState();

// Draws an image pixel by pixel, each pixel blended over white by its alpha; at most width x height
// pixels of it.
void DrawImageOnWhite(HDC dc, int x, int y, const SkinImage& image, int width, int height);

// The choosers of page 4, found in Comdlg32.dll at run time. Each returns 1 with the chosen path (at most
// 259 units), else 0 with an empty path; a missing library or function counts as nothing chosen.
int ChooseSkinFile(std::u16string& out, HWND owner);
int BrowseForFolder(std::u16string& out, HWND owner);

}  // namespace lz
