#pragma once
// Popup menus that return the chosen command: TrackPopupMenu with TPM_RETURNCMD at the cursor. Tests
// set a responder that is handed the menu as it would show (check marks set) and returns a command.
#include <windows.h>

namespace lz::dialogs {

// Returns the chosen command, 0 when the menu was dismissed.
using PopupMenuResponder = int (*)(HMENU menu, void* context);
void SetPopupMenuResponder(PopupMenuResponder responder, void* context);

// Shows popup at the cursor for owner, right button tracking; the chosen command or 0.
int ShowPopupMenu(HMENU popup, HWND owner);

}  // namespace lz::dialogs
