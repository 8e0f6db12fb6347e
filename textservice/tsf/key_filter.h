#pragma once
// The one decision every key passes: does the input method eat it, or does the application get it. A
// plain function over the key, the keyboard state, the tick and the engine's state, so that it is tested
// without TSF; the key event sink calls it and runs the key edit session for what it eats. What it eats
// it records as the engine's CurrentKey, which the session reads.
#include <cstdint>

#include "textservice/engine/engine_instance.h"

namespace lz {

// What GetKeyboardState says at the key.
struct KeyboardState {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  bool caps_toggled = false;
};

// The first key-down of the key held now (auto-repeat keeps it), for the lone-modifier tap rule. One per
// process: it survives between text services, as taps do between activations.
struct TapMemory {
  std::uint32_t first_scan = 0;
  std::uint32_t first_tick = 0;
  bool remembered = false;
};

// Typed-key memory of the output (a bracket pressed twice becomes its pair, a punctuation key after a
// digit stays English): the filter forgets it when another key comes.
struct TypedKeyMemory {
  char16_t pair_key = 0;
  std::uint32_t pair_tick = 0;
  char16_t digit_key = 0;
};

struct KeyEventFacts {
  std::uint32_t vk = 0;
  std::uint32_t lparam = 0;
  std::uint32_t tick = 0;
  KeyboardState keys;
  // The context the key goes to composes now (it has a live composition).
  bool composing = false;
  // The soft keyboard's character for this key in the current layout (0 when the layout has none), for
  // layouts other than the first.
  char16_t soft_character = 0;
  int soft_layout = 0;
};

namespace key_filter {
constexpr std::uint32_t kKeyUpBit = 0x80000000u;
constexpr std::uint32_t kScanBitsMask = 0x0FFF0000u;
constexpr std::uint32_t kRightShiftExtended = 0x1360000u;
constexpr std::uint32_t kLeftShiftScan = 0x2A0000u;
constexpr std::uint32_t kRightShiftScan = 0x360000u;
constexpr std::uint32_t kLeftCtrlScan = 0x1D0000u;
constexpr std::uint32_t kRightCtrlScan = 0x11D0000u;
constexpr std::uint32_t kLeftAltScan = 0x380000u;
constexpr std::uint32_t kRightAltScan = 0x1380000u;
constexpr std::uint32_t kTapMilliseconds = 500;  // a tap is released within 499 ms
constexpr std::uint32_t kNoScan = 0xFFFFFFFFu;   // after an unmatched key-up
constexpr std::uint32_t kShiftedTable = 256;
constexpr std::uint32_t kReinputKey = 0x88;
// Functions eaten in every mode: open/close, English, the scheme and search-range switches; and of the
// high word the config commands, window toggles, simplified/traditional, soft keyboard, dictionary and
// the custom functions.
constexpr std::uint64_t kGlobalLow = 0x3C00003;
constexpr std::uint64_t kGlobalHigh = 0xF000CFBFu;
// The answer for a key that association candidates do not take: the caller ends the composition and
// the key goes to the application.
constexpr int kPassEndingComposition = 2;
// Functions of an input being composed.
constexpr std::uint64_t kInputFunctions = 0xFF0E4;
}  // namespace key_filter

// 1 = eat, 0 = pass, kPassEndingComposition. Side effects as designed: CurrentKey, the tap memory, the typed-key memory, and for
// a passed key with a text the last output (commit record, SaveLastCommit) that the repeat key writes
// again.
int KeyFilter(const KeyEventFacts& key, EngineInstance* engine, TapMemory& tap, TypedKeyMemory& typed);

// The filter decides a key once: OnTestKeyDown's answer waits for the OnKeyDown of the same key (wParam
// and lParam); a repeated test of it gets the same answer; any other key event drops it.
class PendingKeyAnswer {
 public:
  void Store(std::uint64_t wparam, std::uint32_t lparam, int answer) {
    wparam_ = wparam;
    lparam_ = lparam;
    answer_ = answer;
    pending_ = true;
  }
  // The stored answer for this key, or -1; the answer stays pending unless `take`.
  int Find(std::uint64_t wparam, std::uint32_t lparam, bool take) {
    if (!pending_) return -1;
    if (wparam != wparam_ || lparam != lparam_) {
      pending_ = false;
      return -1;
    }
    if (take) pending_ = false;
    return answer_;
  }
  void Drop() { pending_ = false; }

 private:
  std::uint64_t wparam_ = 0;
  std::uint32_t lparam_ = 0;
  int answer_ = 0;
  bool pending_ = false;
};

}  // namespace lz
