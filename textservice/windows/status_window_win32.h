#pragma once
// The status bar: a layered, topmost tool window of class "MVLZSKIN_STATUS" that never takes the focus.
// It paints the regions the status layout returns, hit-tests against the same regions, turns clicks into
// UI commands and menus, and keeps itself the only status bar showing across processes through the
// showing-window value of the shared settings.
#include <windows.h>

#include "textservice/engine/engine_instance.h"

namespace lz {

constexpr wchar_t kStatusWindowClass[] = L"MVLZSKIN_STATUS";
constexpr wchar_t kStatusWindowTitle[] = L"status";
// A status bar of another process that receives this hides itself: a newer one is showing.
constexpr UINT kHideStatusWindowMessage = WM_USER + 101;

LRESULT CALLBACK StatusWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Makes the engine's status bar when the skin is loaded, the host is not "mmc.exe" and it has none yet;
// the bar stays hidden until shown. Returns the window, or null.
// (Named apart from commctrl.h's CreateStatusWindow macro.)
HWND CreateStatusBar(EngineInstance* engine);
// Regions, size and position from the skin, the input state and the stored position; the position is
// stored back.
void LayoutStatusWindow(EngineInstance* engine);
// Hides any other process's bar named as showing, records this one, moves it into place and paints it.
void ShowStatusWindow(HWND window);

// The handle a showing-window value names (sign-extended 32-bit handles), and back.
LONG64 ShowingValueOf(HWND window);
HWND WindowOfShowingValue(LONG64 value);

}  // namespace lz
