#pragma once
// When a tip closes by itself: a 500 ms timer counts ticks from the last show, and the tick that finds
// five already counted (about three seconds) closes the tip. The pointer resting on the tip stops the
// timer; leaving it starts the timer again, so the tip closes within three seconds after.
#include <cstddef>
#include <cstdint>

namespace lz {

constexpr std::uint32_t kTipTickMilliseconds = 500;
// A tip's text holds at most this many units.
constexpr std::size_t kTipTextUnits = 128;

enum class TipTick { kKeep, kClose };

class TipTimer {
 public:
  // A tip is shown. `created`: its window was made for it, which is when the timer starts, and only
  // for a type of 0 or more (the off-screen tip a menu hangs from has no timer).
  void Show(std::int32_t type, bool created);
  TipTick Tick();
  void PointerInside() { running_ = false; }
  void PointerOutside() { running_ = true; }
  bool running() const { return running_; }

 private:
  std::int32_t ticks_ = 0;
  bool running_ = false;
};

// Where a mode tip goes for a caret point (already moved by (10, 32)) in a work area: up by 66 when within
// 32 of the bottom, to right - 74 when within 74 of the right edge, never below 0.
struct TipPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const TipPoint&) const = default;
};
TipPoint ModeTipPoint(std::int32_t x, std::int32_t y, std::int32_t work_right, std::int32_t work_bottom);

// The font height of a tip type: -14 for type 1, -12 for type 2, else -20.
std::int32_t TipFontHeight(std::int32_t type);

}  // namespace lz
