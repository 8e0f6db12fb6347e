#pragma once
// The dictionary window: a small popup of class "MVLZSKIN_DICT" beside the candidate window that shows
// the brief dictionary entry of the candidate under the mouse in a rich edit, with a link that opens the
// whole entry in the configuration program's dictionary, a resize corner, and a close 500 ms after the
// mouse leaves.
#include <windows.h>

#include "textservice/engine/engine_instance.h"

namespace lz {

constexpr wchar_t kDictionaryWindowClass[] = L"MVLZSKIN_DICT";
constexpr wchar_t kDictionaryWindowTitle[] = L"public_dict";

// Pressed areas of the window.
namespace dictionary_area {
constexpr std::int32_t kBody = 0;
constexpr std::int32_t kLink = 1021;
constexpr std::int32_t kResizeCorner = 1022;
}  // namespace dictionary_area

LRESULT CALLBACK DictWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Shows the entry of the candidate at a place of the current page beside the candidate window: nothing
// when it shows that place already; else places, creates when needed, sizes to the default size and fills.
void ShowDictionaryWindow(EngineInstance* engine, int page_place);

}  // namespace lz
