#include <mutex>
#include <vector>

#include "platform/os/work_area.h"

namespace os {

namespace {

struct Monitors {
  std::mutex lock;
  std::vector<Monitor> list;
};

Monitors& Known() {
  static Monitors monitors;
  return monitors;
}

// Distance squared from a point to a rectangle, 0 inside it.
long long Distance(const Rect& r, int x, int y) {
  const long long dx = x < r.left ? r.left - x : (x >= r.right ? x - r.right + 1 : 0);
  const long long dy = y < r.top ? r.top - y : (y >= r.bottom ? y - r.bottom + 1 : 0);
  return dx * dx + dy * dy;
}

}  // namespace

bool WorkAreaAtPoint(int x, int y, Rect& out) {
  Monitors& m = Known();
  std::lock_guard<std::mutex> guard(m.lock);
  out = Rect{};
  if (m.list.empty()) return false;
  const Monitor* nearest = &m.list.front();
  for (const Monitor& monitor : m.list) {
    if (Distance(monitor.bounds, x, y) < Distance(nearest->bounds, x, y)) nearest = &monitor;
  }
  out = nearest->work_area;
  return true;
}

void SetMonitorWorkAreas(const Monitor* monitors, std::size_t count) {
  Monitors& m = Known();
  std::lock_guard<std::mutex> guard(m.lock);
  m.list.assign(monitors, monitors + count);
}

}  // namespace os
