#include "platform/dialogs/popup_menu_win32.h"

#include <atomic>

namespace lz::dialogs {
namespace {

std::atomic<PopupMenuResponder> g_responder{nullptr};
std::atomic<void*> g_context{nullptr};

}  // namespace

void SetPopupMenuResponder(PopupMenuResponder responder, void* context) {
  g_context = context;
  g_responder = responder;
}

int ShowPopupMenu(HMENU popup, HWND owner) {
  if (!popup) return 0;
  if (const PopupMenuResponder responder = g_responder) return responder(popup, g_context);
  POINT at{};
  GetCursorPos(&at);
  // The owner must be the foreground window, or the menu would not close when the user clicks away.
  if (owner) SetForegroundWindow(owner);
  const int command = static_cast<int>(
      TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr));
  if (owner) PostMessageW(owner, WM_NULL, 0, 0);
  return command;
}

}  // namespace lz::dialogs
