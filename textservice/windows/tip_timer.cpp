#include "textservice/windows/tip_timer.h"

namespace lz {

void TipTimer::Show(std::int32_t type, bool created) {
  ticks_ = 0;
  if (created) running_ = type >= 0;
}

TipTick TipTimer::Tick() {
  if (!running_) return TipTick::kKeep;
  if (ticks_ >= 5) {
    running_ = false;
    return TipTick::kClose;
  }
  ++ticks_;
  return TipTick::kKeep;
}

TipPoint ModeTipPoint(std::int32_t x, std::int32_t y, std::int32_t work_right, std::int32_t work_bottom) {
  constexpr std::int32_t kBottomMargin = 32;
  constexpr std::int32_t kMoveUp = 66;
  constexpr std::int32_t kRightMargin = 74;
  if (y > work_bottom - kBottomMargin) y -= kMoveUp;
  if (x > work_right - kRightMargin) x = work_right - kRightMargin;
  return TipPoint{x < 0 ? 0 : x, y < 0 ? 0 : y};
}

std::int32_t TipFontHeight(std::int32_t type) {
  switch (type) {
    case 1: return -14;
    case 2: return -12;
    default: return -20;
  }
}

}  // namespace lz
