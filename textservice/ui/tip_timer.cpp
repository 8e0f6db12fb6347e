#include "textservice/ui/tip_timer.h"

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

std::int32_t TipFontHeight(std::int32_t type) {
  switch (type) {
    case 1: return -14;
    case 2: return -12;
    default: return -20;
  }
}

}  // namespace lz
