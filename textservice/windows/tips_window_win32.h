#pragma once
// The tips window: a plain popup of class "MVLZSKIN_TIPS" showing one line at a screen point; it closes
// itself on the sixth tick of its 500 ms timer unless the pointer rests on it.
#include <windows.h>

#include "textservice/engine/engine_instance.h"

namespace lz {

constexpr wchar_t kTipsWindowClass[] = L"MVLZSKIN_TIPS";
constexpr wchar_t kTipsWindowTitle[] = L"tips";

LRESULT CALLBACK TipsWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Shows the text (at most 128 units) at the point, making the window when there is none; a type below 0
// has no close timer.
void ShowTipWindow(int type, EngineInstance* engine, int x, int y, const char16_t* text);

}  // namespace lz
