#pragma once
// The one door from the text service to its windows: the five window classes that the library registers
// when it loads, and showing, hiding, refreshing and destroying the candidate, status-bar, soft-keyboard,
// tips and dictionary windows, the menus and the candidate-list UI element. The text service calls only
// these; each window fills in its own operations, and an operation whose window does not exist yet does
// nothing.
#include <windows.h>

#include "textservice/engine/engine_instance.h"

namespace lz {

// Window classes, registered in this order by the library entry with the library's module handle.
inline constexpr const wchar_t* kSkinWindowClasses[] = {L"MVLZSKIN_CAND", L"MVLZSKIN_STATUS", L"MVLZSKIN_SKBD",
                                                       L"MVLZSKIN_TIPS", L"MVLZSKIN_DICT"};
constexpr int kSkinWindowClassCount = 5;

// Registers the five classes; stops at the first failure and answers 0, else 1. The library entry does not
// check the answer: loading goes on with the classes registered so far.
int RegisterSkinClasses(HINSTANCE module);
// Unregisters all five by name (those never registered are skipped by the system).
void UnregisterSkinClasses(HINSTANCE module);

// Candidate window.
void ShowCandidateWindow(EngineInstance* engine);
void HideCandidateWindow(EngineInstance* engine);
// Repaints from the engine's current page; clear_page also empties the page fields first.
void UpdateCandidateWindow(EngineInstance* engine, bool clear_page);
// Places the window for the text rectangle (screen coordinates) of the composition.
void MoveCandidateWindow(EngineInstance* engine, const RECT& text);
void DestroyCandidateWindow(EngineInstance* engine);
// Loads the skin again when its configured name changed and refreshes the skinned windows; 1 when it did.
int ReloadSkinIfChanged(EngineInstance* engine);

// Status-bar window.
void EnsureStatusWindow(EngineInstance* engine);
void ShowStatusWindow(EngineInstance* engine);
void HideStatusWindow(EngineInstance* engine);
// Lays the bar out again for the input state and shows it.
void RefreshStatusWindow(EngineInstance* engine);
void DestroyStatusWindow(EngineInstance* engine);

// Soft-keyboard window (once per process).
void ShowSoftKeyboardWindow(EngineInstance* engine);
void HideSoftKeyboardWindow(EngineInstance* engine);
void DestroySoftKeyboardWindow(EngineInstance* engine);
// Whether a soft-keyboard layout is selected, so that the window comes back at the next document focus.
bool SoftKeyboardLayoutSelected(const EngineInstance* engine);

// Tips window (once per process).
void ShowTip(EngineInstance* engine, int x, int y, int type, const char16_t* text);
void HideTipWindow(EngineInstance* engine);
void DestroyTipWindow(EngineInstance* engine);

// Dictionary window (once per process).
void ShowDictionaryFor(EngineInstance* engine, int candidate_index);
void ScheduleDictionaryClose(EngineInstance* engine);
void DestroyDictionaryWindow(EngineInstance* engine);

// Menus: the main menu tracked from owner at a screen point.
void TrackMainMenu(EngineInstance* engine, HWND owner, POINT at);
// The candidate menu for the candidate at a place of the page.
void TrackCandidateMenu(EngineInstance* engine, HWND owner, POINT at, int page_place);
void TrackSoftKeyboardMenu(EngineInstance* engine, HWND owner, POINT at);
void TrackOutputOptionsMenu(EngineInstance* engine, HWND owner, POINT at);

// Candidate-list UI element for hosts that draw the candidates themselves.
void BeginCandidateUIElement(EngineInstance* engine);
void UpdateCandidateUIElement(EngineInstance* engine);
void EndCandidateUIElement(EngineInstance* engine);

}  // namespace lz
