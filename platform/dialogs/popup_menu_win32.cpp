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

int ShowPopupMenu(HMENU menu, HWND owner, int x, int y) {
  if (!menu) return 0;
  if (const PopupMenuResponder responder = g_responder) return responder(menu, g_context);
  return static_cast<int>(
      TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, 0, owner, nullptr));
}

}  // namespace lz::dialogs
