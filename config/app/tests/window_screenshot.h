#pragma once
// A window as the screen shows it, kept as a PNG beside the test program (a build artefact):
// NAME-x64.png or NAME-x86.png by the width of the build.
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "textservice/skin/tests/png_writer.h"

namespace lz::config::test_screens {

inline void SaveWindowScreenshot(HWND window, const char* name) {
  RECT area{};
  GetWindowRect(window, &area);
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  std::vector<std::uint8_t> rgba;
  rgba.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  const auto* p = static_cast<const std::uint32_t*>(bits);
  for (int i = 0; p && i < width * height; ++i) {
    rgba.insert(rgba.end(), {static_cast<std::uint8_t>(p[i] >> 16), static_cast<std::uint8_t>(p[i] >> 8),
                             static_cast<std::uint8_t>(p[i]), 0xFF});
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  if (rgba.empty()) return;
  // Beside the program, whatever folder the tests before made current (a file dialog may change it).
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  const std::filesystem::path file = std::filesystem::path(program).parent_path() /
                                     (std::string(name) + (sizeof(void*) == 8 ? "-x64.png" : "-x86.png"));
  lz::test::WriteFileBytes(file, lz::test::EncodeRgbaPng(static_cast<std::uint32_t>(width),
                                                         static_cast<std::uint32_t>(height), rgba));
}

}  // namespace lz::config::test_screens
