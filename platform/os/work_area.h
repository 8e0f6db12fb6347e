#pragma once
// Where windows may go: the work area (the screen less the task bar) of the monitor nearest a point.
// POSIX builds have no screens; tests give them monitors with SetMonitorWorkAreas.
#include <cstddef>

namespace os {

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const Rect&) const = default;
};

// The work area of the monitor nearest (x, y): true. When no monitor is found, the primary work area and
// false.
bool WorkAreaAtPoint(int x, int y, Rect& out);

// POSIX only: the monitors (their bounds and work areas, the first is the primary) that WorkAreaAtPoint
// answers from.
struct Monitor {
  Rect bounds;
  Rect work_area;
};
void SetMonitorWorkAreas(const Monitor* monitors, std::size_t count);

}  // namespace os
