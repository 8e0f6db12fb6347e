#pragma once
// Context menus shown through one call, so that tests can answer a menu without a mouse: a responder
// set by a test sees the menu (its items' states as the caller left them) and returns the command.
#include <windows.h>

namespace lz::dialogs {

// Shows menu at screen point (x, y) for owner, tracking the right button too, and returns the command
// chosen (TPM_RETURNCMD), 0 when none was.
int ShowPopupMenu(HMENU menu, HWND owner, int x, int y);

using PopupMenuResponder = int (*)(HMENU menu, void* context);
void SetPopupMenuResponder(PopupMenuResponder responder, void* context);

}  // namespace lz::dialogs
