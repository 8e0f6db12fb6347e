#pragma once
// The on-screen keyboard: a 440 x 169 tool window of class "MVLZSKIN_SKBD" that draws bitmap 131 with the
// current layout's characters on its keys and types the clicked key into the focused program.
#include <windows.h>

#include "textservice/engine/engine_instance.h"

namespace lz {

constexpr wchar_t kSoftKeyboardWindowClass[] = L"MVLZSKIN_SKBD";
constexpr wchar_t kSoftKeyboardWindowTitle[] = L"skbd";
constexpr int kSoftKeyboardBitmap = 131;

LRESULT CALLBACK SoftKeyboardWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Places the keyboard the first time (beside the status bar, or at the work area's bottom right), makes
// it when missing and shows it without activating it.
void ShowSoftKeyboard(EngineInstance* engine);

}  // namespace lz
