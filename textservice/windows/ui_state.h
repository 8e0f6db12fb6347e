#pragma once
// The text service's record of an engine instance's windows and skin. Engine creation makes it and loads
// the skin into it; destroying the instance frees it.
#include <cstdint>
#include <span>

#include "textservice/windows/candidate_placement.h"

#include "textservice/engine/engine_instance.h"
#include "textservice/windows/candidate_layout.h"
#include "textservice/skin/skin_package.h"
#include "textservice/windows/soft_keyboard.h"
#include "textservice/windows/tip_timer.h"

namespace lz {

// What the candidate window keeps between messages: its handle, where the caret is, its place and size,
// the mouse, and the regions and background of the last layout.
struct CandidateWindowState {
  void* window = nullptr;  // HWND
  void* host = nullptr;    // HWND of the host window when the window was made
  std::int32_t caret_x = 0;  // screen point and height of the caret, set by the key handling
  std::int32_t caret_y = 0;
  std::int32_t caret_height = 0;
  WindowBox box;  // current position and size
  std::int32_t hot_id = -1;
  std::int32_t pressed_id = -1;
  std::int32_t press_x = 0;  // the press point, client coordinates
  std::int32_t press_y = 0;
  bool captured = false;
  CandidateWindowLayout layout;
};

// The status bar: its handle and tooltip, its place and size, the mouse, and its regions.
struct StatusWindowState {
  void* window = nullptr;   // HWND
  void* tooltip = nullptr;  // HWND of its tooltips_class32 window
  bool tool_added = false;  // the tooltip's one tool exists
  WindowBox box;
  std::int32_t hot_id = -1;
  std::int32_t pressed_id = -1;
  std::int32_t press_x = 0;  // client coordinates
  std::int32_t press_y = 0;
  SkinRegionTable regions{};
};

// The on-screen keyboard: handle, place (0, 0 until first placed), the key under the pointer, the key
// pressed (-1 none, -2 not a key), where the pointer holds the window while dragging, the Shift latch.
struct SoftKeyboardWindowState {
  void* window = nullptr;  // HWND
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t hover = -1;
  std::int32_t pressed = -1;
  std::int32_t grab_x = 0;
  std::int32_t grab_y = 0;
  bool dragged = false;
  bool shift_latched = false;
  std::int32_t layout = 0;  // the layout shown, 0 none
  char16_t labels[kSoftKeyboardMapUnits] = {};  // the layout's characters, plain then shifted per key
};

// The tip: handle, text, font, type, close timer and the press that drags it.
struct TipWindowState {
  void* window = nullptr;  // HWND
  void* font = nullptr;    // HFONT
  char16_t text[kTipTextUnits + 1] = {};
  std::int32_t type = 0;
  TipTimer timer;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t press_x = 0;
  std::int32_t press_y = 0;
};

// The dictionary window of an engine instance (its handle is UiState::dictionary_window): the rich edit
// child, its size, the mouse press and what it shows.
struct DictionaryWindowState {
  void* rich_edit = nullptr;  // HWND
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t press_x = 0;  // the press point, client coordinates
  std::int32_t press_y = 0;
  std::int32_t pressed_area = 0;  // 0 body, 1021 link strip, 1022 resize corner
  std::int32_t shown_index = -1;  // the page place shown, -1 none
  char16_t word[129] = {};        // the word shown, for the link
};

struct UiState {
  LoadedSkin skin;
  CandidateWindowState candidate;
  StatusWindowState status;
  SoftKeyboardWindowState soft_keyboard;
  TipWindowState tip;
  // The layout the soft keyboard switch brings back when it is switched on (1..13): the last one chosen,
  // the PC keyboard before any.
  std::int32_t remembered_soft_keyboard_layout = 1;
  void* dictionary_window = nullptr;  // HWND of the dictionary window while it is open
  DictionaryWindowState dictionary;
  // Fonts and screen resolution of the windows (HFONT).
  void* code_font = nullptr;
  void* candidate_font = nullptr;
  std::int32_t screen_dpi = 0;
};

// Loads the instance's skin: the names configured and last loaded in the skin block, the skins below
// the installation folder, then the built-in package. The names the load settles on are written back
// into the skin block. Returns 1, or 0 when not even the built-in skin loads.
int LoadEngineSkin(EngineInstance* instance, std::span<const std::uint8_t> builtin);

// Loads the skin again when the configured name changed since the last load; 1 when it reloaded. A
// reload also forgets the status bar's saved position: the new skin's default corner applies.
int ReloadEngineSkinIfChanged(EngineInstance* instance, std::span<const std::uint8_t> builtin);

// The code and candidate fonts of the windows: the skin block's own groups when its flag 0x4000 is set,
// else the loaded skin's.
SkinFonts SelectSkinFonts(const EngineInstance* instance);

// Allocates the record and loads the skin; on failure nothing stays allocated. 1 or 0.
int CreateUiState(EngineInstance* instance, std::span<const std::uint8_t> builtin);
void DestroyUiState(EngineInstance* instance);

}  // namespace lz
