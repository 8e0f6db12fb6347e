#include "textservice/windows/soft_keyboard.h"

#include <algorithm>

namespace lz {
namespace {

// Virtual keys of keys 0..60; key 60, a second Backspace, lies below the picture.
constexpr std::uint8_t kVk[kSoftKeyboardSentKeys] = {
    0xC0, '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', 0xBD, 0xBB, 0x08,        // ` 1..0 - = Backspace
    0x09, 'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P', 0xDB, 0xDD, 0xDC,         // Tab Q..P [ ] backslash
    0x14, 'A', 'S', 'D', 'F', 'G', 'H', 'J', 'K', 'L', 0xBA, 0xDE, 0x0D,              // Caps A..L ; ' Enter
    0xA0, 'Z', 'X', 'C', 'V', 'B', 'N', 'M', 0xBC, 0xBE, 0xBF,                        // Shift Z..M , . /
    0xA2, 0x1B, 0xA4, 0x20, 0xA5, 0x2D, 0x2E, 0xA3,                                   // Ctrl Esc Alt Space Alt Ins Del Ctrl
    0x08};

constexpr int kDrawnKeys = 60;  // keys 0..59 lie on the picture
constexpr SoftKeyRect kRects[kDrawnKeys] = {
    // row 1
    {3, 22, 30, 49}, {32, 22, 59, 49}, {61, 22, 88, 49}, {90, 22, 117, 49}, {119, 22, 146, 49}, {148, 22, 175, 49},
    {177, 22, 204, 49}, {206, 22, 233, 49}, {235, 22, 262, 49}, {264, 22, 291, 49}, {293, 22, 320, 49},
    {322, 22, 349, 49}, {351, 22, 378, 49}, {380, 22, 435, 49},
    // row 2
    {3, 51, 44, 78}, {46, 51, 73, 78}, {75, 51, 102, 78}, {104, 51, 131, 78}, {133, 51, 160, 78}, {161, 51, 189, 78},
    {191, 51, 218, 78}, {220, 51, 247, 78}, {249, 51, 276, 78}, {277, 51, 305, 78}, {307, 51, 334, 78},
    {336, 51, 363, 78}, {365, 51, 393, 78}, {394, 51, 435, 78},
    // row 3
    {3, 80, 58, 107}, {60, 80, 87, 107}, {89, 80, 116, 107}, {118, 80, 145, 107}, {146, 80, 174, 107},
    {175, 80, 203, 107}, {205, 80, 232, 107}, {234, 80, 261, 107}, {262, 80, 290, 107}, {291, 80, 319, 107},
    {321, 80, 348, 107}, {349, 80, 377, 107}, {380, 80, 435, 107},
    // row 4
    {3, 109, 72, 136}, {73, 109, 101, 136}, {103, 109, 130, 136}, {132, 109, 159, 136}, {161, 109, 187, 136},
    {190, 109, 216, 136}, {219, 109, 246, 136}, {248, 109, 275, 136}, {277, 109, 304, 136}, {306, 109, 333, 136},
    {335, 109, 362, 136},
    // row 5
    {3, 138, 30, 165}, {32, 138, 59, 165}, {61, 138, 88, 165}, {91, 138, 258, 165}, {261, 138, 288, 165},
    {290, 138, 317, 165}, {319, 138, 346, 165}, {348, 138, 375, 165}};
constexpr SoftKeyRect kMenuRect{2, 2, 20, 19};
constexpr SoftKeyRect kCloseRect{413, 2, 432, 19};
constexpr SoftKeyRect kBelowThePicture{0, 200, 0, 200};  // keys 60..89: empty, never hit

// Ctrl and Alt are never sent by a click.
bool Unsent(int key) { return key == 52 || key == 54 || key == 56 || key == 59; }

bool Holds(const SoftKeyRect& r, std::int32_t x, std::int32_t y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

}  // namespace

char16_t SoftKeyboardCharacter(const SoftKeyboardMap& map, int slot, bool shifted) {
  if (slot < 0 || slot >= kSoftKeyboardKeys) return 0;
  return map[static_cast<std::size_t>(2 * slot + (shifted ? 1 : 0))];
}

int SoftKeyboardSlotOfVirtualKey(std::uint32_t virtual_key) {
  static const std::array<std::int8_t, 256> slots = [] {
    std::array<std::int8_t, 256> out;
    out.fill(-1);
    // The first key of the list wins: Backspace is key 13.
    for (int key = kSoftKeyboardKeys - 1; key >= 0; --key) out[kVk[key]] = static_cast<std::int8_t>(key);
    return out;
  }();
  return virtual_key < 256 ? slots[virtual_key] : -1;
}

std::uint8_t SoftKeyboardVirtualKey(int key) {
  return (key >= 0 && key < kSoftKeyboardSentKeys) ? kVk[key] : 0;
}

SoftKeyRect SoftKeyboardKeyRect(int key) {
  if (key >= 0 && key < kDrawnKeys) return kRects[key];
  if (key == soft_key::kMenu) return kMenuRect;
  if (key == soft_key::kClose) return kCloseRect;
  return kBelowThePicture;
}

std::int32_t HitTestSoftKeyboard(std::int32_t x, std::int32_t y) {
  if (!Holds({0, 0, kSoftKeyboardWidth, kSoftKeyboardHeight}, x, y)) return soft_key::kOutside;
  for (int key = 0; key < kDrawnKeys; ++key) {
    if (Holds(kRects[key], x, y)) return Unsent(key) ? soft_key::kOutside : key;
  }
  if (Holds(kMenuRect, x, y)) return soft_key::kMenu;
  if (Holds(kCloseRect, x, y)) return soft_key::kClose;
  return soft_key::kNone;
}

WindowBox FirstSoftKeyboardPlace(const SoftKeyboardPlacementInput& in, const os::Rect& work) {
  WindowBox box{0, 0, kSoftKeyboardWidth, kSoftKeyboardHeight};
  if (!in.has_status) {
    box.x = work.right - kSoftKeyboardWidth;
    box.y = work.bottom - kSoftKeyboardHeight;
    return box;
  }
  const WindowBox& st = in.status;
  box.x = st.x + st.width + 1;
  if (box.x + kSoftKeyboardWidth > work.right) box.x = st.x - kSoftKeyboardWidth - 1;
  box.x = std::max(box.x, work.left);
  box.y = std::max(st.y + st.height - kSoftKeyboardHeight, work.top);
  return box;
}

}  // namespace lz
