#pragma once
// The menus on Windows: menu items turned into popup menus, tracked at a screen point, and the chosen id
// handed to the UI command dispatcher (or, for a skin, the skin selected).
#include <windows.h>

#include "textservice/engine/engine_instance.h"
#include "textservice/windows/menus.h"

namespace lz {

// A popup menu of the items: popups get their submenus (the skin list's id 0x10000 included) and are
// left out when the submenu cannot be made; items with the left-out state are skipped. Null on failure.
HMENU CreateMenuFromItems(const Menu& items);

// Tracks the menu at the point with the owner window; the chosen id, 0 for none.
UINT TrackMenuAtCursor(HMENU menu, HWND owner, POINT at);

// What the menus show of an engine's state (tables, class names, skins found, the keyboard layout).
MenuContext MenuContextOf(const EngineInstance* engine);

// Runs a chosen menu id: the dispatcher call its table names, nothing for ids without one.
void RunMenuCommand(EngineInstance* engine, std::uint32_t id, std::int32_t slot);

}  // namespace lz
