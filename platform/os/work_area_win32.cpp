#include <windows.h>

#include "platform/os/work_area.h"

namespace os {

namespace {
Rect FromWin32(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }
}  // namespace

bool WorkAreaAtPoint(int x, int y, Rect& out) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (HMONITOR monitor = MonitorFromPoint(POINT{x, y}, MONITOR_DEFAULTTONEAREST);
      monitor && GetMonitorInfoW(monitor, &info)) {
    out = FromWin32(info.rcWork);
    return true;
  }
  RECT primary{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &primary, 0);
  out = FromWin32(primary);
  return false;
}

void SetMonitorWorkAreas(const Monitor*, std::size_t) {}

}  // namespace os
