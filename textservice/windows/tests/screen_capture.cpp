#include "textservice/windows/tests/screen_capture.h"

#include <string>

#include "tests/support/temp_folder.h"
#include "textservice/skin/tests/png_writer.h"

namespace lz::test {

Screen Capture() {
  Screen s;
  s.width = GetSystemMetrics(SM_CXSCREEN);
  s.height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, s.width, -s.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, s.width, s.height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* p = static_cast<const std::uint32_t*>(bits);
  s.pixels.assign(p, p + static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return s;
}

void SaveScreenshot(const Screen& s, const RECT& area, const char* name) {
  const int w = area.right - area.left, h = area.bottom - area.top;
  if (w <= 0 || h <= 0) return;
  std::vector<std::uint8_t> rgba;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const std::uint32_t v = s.At(x, y);
      rgba.insert(rgba.end(), {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                               static_cast<std::uint8_t>(v), 0xFF});
    }
  }
  const std::string file = std::string(name) + (sizeof(void*) == 8 ? "-x64.png" : "-x86.png");
  WriteFileBytes(file, EncodeRgbaPng(static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h), rgba));
}

}  // namespace lz::test
