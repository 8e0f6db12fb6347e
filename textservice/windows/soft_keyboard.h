#pragma once
// The on-screen keyboard as data and geometry: its 13 layouts (58 keys, each a plain and a shifted
// character), the keys' rectangles on the 440 x 169 picture and their virtual keys, the map from a
// virtual key to its key slot, the hit test and the first place the keyboard opens at.
#include <array>
#include <cstdint>

#include "platform/os/work_area.h"
#include "textservice/windows/candidate_placement.h"

namespace lz {

constexpr std::int32_t kSoftKeyboardWidth = 440;
constexpr std::int32_t kSoftKeyboardHeight = 169;
constexpr int kSoftKeyboardLayouts = 13;
constexpr int kSoftKeyboardKeys = 58;          // keys with characters: 0..57
constexpr int kSoftKeyboardSentKeys = 61;      // keys with virtual keys: 0..60
constexpr int kSoftKeyboardMapUnits = 2 * kSoftKeyboardKeys;

// Hit-test answers besides a key index.
namespace soft_key {
constexpr std::int32_t kNone = -1;        // on the picture, not on a key
constexpr std::int32_t kOutside = -2;     // outside the window, or a Ctrl or Alt key (never sent)
constexpr std::int32_t kShift = 41;
constexpr std::int32_t kMenu = 90;
constexpr std::int32_t kClose = 91;
}  // namespace soft_key

// A layout's characters: key k's plain character at 2k, its shifted one at 2k + 1; 0 where a key has none.
using SoftKeyboardMap = std::array<char16_t, kSoftKeyboardMapUnits>;

// Layout 1..13; nullptr for any other number.
const SoftKeyboardMap* SoftKeyboardLayout(int layout);

// The character a layout gives a key slot, plain or shifted; 0 when none.
char16_t SoftKeyboardCharacter(const SoftKeyboardMap& map, int slot, bool shifted);

// The key slot of a virtual key (0..57), or -1 for a key the keyboard does not show.
int SoftKeyboardSlotOfVirtualKey(std::uint32_t virtual_key);

// The virtual key a key index sends (0..60).
std::uint8_t SoftKeyboardVirtualKey(int key);

struct SoftKeyRect {
  std::int32_t left, top, right, bottom;
};
// The rectangle of key 0..59, 90 (menu) or 91 (close), client pixels; keys 60..89 lie below the window.
SoftKeyRect SoftKeyboardKeyRect(int key);

// The key under a client point: a key index, soft_key::kNone on the picture, soft_key::kOutside outside
// it or on Ctrl or Alt.
std::int32_t HitTestSoftKeyboard(std::int32_t x, std::int32_t y);

// Where the keyboard opens the first time: beside the status bar (to its left when it would pass the
// right edge of the work area) with their bottoms level, or at the work area's bottom right without one.
struct SoftKeyboardPlacementInput {
  bool has_status = false;
  WindowBox status;
};
WindowBox FirstSoftKeyboardPlace(const SoftKeyboardPlacementInput& in, const os::Rect& primary_work);

}  // namespace lz
