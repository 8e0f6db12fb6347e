#pragma once
// The candidate window: a layered, topmost popup of class "MVLZSKIN_CAND" that never takes the focus. It
// paints what the candidate layout returns with per-pixel alpha, goes where the placement says, and turns
// clicks into UI commands for the dispatcher.
#include <windows.h>

#include "textservice/engine/engine_instance.h"
#include "textservice/windows/candidate_placement.h"

namespace lz {

constexpr wchar_t kCandidateWindowClass[] = L"MVLZSKIN_CAND";
constexpr wchar_t kCandidateWindowTitle[] = L"Rezuvorir_cand";
// Other parts refresh a skinned window by sending it this: lay out again, then show.
constexpr UINT kRefreshSkinWindow = WM_USER + 100;

// UI commands of the window.
namespace ui_command {
constexpr int kSelectCandidate = 18;  // argument a: the candidate number on the page, from 1
constexpr int kNextPage = 257;
constexpr int kPreviousPage = 258;
constexpr int kFullWidthOn = 8193;
constexpr int kFullWidthOff = 8194;
constexpr int kEnglishPunctuation = 8195;
constexpr int kChinesePunctuation = 8196;
}  // namespace ui_command

// Where the windows send their commands (the text service sets RunUiCommand); null drops them.
using UiCommandDispatcher = int (*)(EngineInstance* engine, int argument_a, int argument_b, int command);
void SetUiCommandDispatcher(UiCommandDispatcher dispatcher);
// Hands a command of a window or menu to the dispatcher; 0 when none is set.
int SendUiCommand(EngineInstance* engine, int argument_a, int argument_b, int command);

// The window the host shows now: the focus, else the foreground window.
HWND HostWindow();
// The module of the skinned windows (the library, or a test program that links them).
HMODULE ThisModule();

// The input-method accessibility events (Windows 8 and later) that the skinned windows raise.
constexpr DWORD kEventImeShow = 0x8027;
constexpr DWORD kEventImeHide = 0x8028;
constexpr DWORD kEventImeChange = 0x8029;

// The engine a skinned window serves (kept in its user data), or null.
EngineInstance* EngineOfWindow(HWND window);
// The engine and its UI record, or null when the window has no engine or the engine no UI record: no
// handler works without both. engine may be null.
UiState* UiOfWindow(HWND window, EngineInstance** engine);

// Where a window dragged by the mouse goes: the cursor less the client point it was grabbed at, kept inside
// the work area of the monitor under the cursor.
WindowBox DraggedWindowBox(std::int32_t grab_x, std::int32_t grab_y, std::int32_t width, std::int32_t height);

LRESULT CALLBACK CandidateWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Makes the engine's window when its skin is loaded and it has none yet (fonts, regions, mouse state);
// the window stays hidden until it is shown. Returns the window, or null.
HWND CreateCandidateWindow(EngineInstance* engine);
// Lays the page out again and resizes the window (no move); closes an open dictionary window.
void RelayoutCandidateWindow(HWND window);
// Places the window, shows it and paints it; hides it when the layout gave it no background.
void ShowCandidateWindow(HWND window);
void HideCandidateWindow(HWND window);

// Loads the skin again when the configured name changed, resets the status bar's saved position and tells
// the skinned windows to lay out again. 1 when it reloaded.
int ReloadSkinIfChanged(EngineInstance* engine);

// Immersive activation on Windows 8 or later: the window is owned by the host window and raises the
// input-method accessibility events.
bool ImmersiveOnWindows8(const EngineInstance* engine);

}  // namespace lz
