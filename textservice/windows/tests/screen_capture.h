#pragma once
// The screen as the user sees it: captured whole, read a pixel at a time, and parts of it kept as PNG
// files beside the test program (build artefacts), named for the architecture.
#include <windows.h>

#include <cstdint>
#include <vector>

namespace lz::test {

// The screen as 0x00RRGGBB values.
struct Screen {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFFFF;
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] &
           0xFFFFFF;
  }
};

Screen Capture();

// Writes `area` of the screen to "<name>-x64.png" or "<name>-x86.png" in the working folder.
void SaveScreenshot(const Screen& s, const RECT& area, const char* name);

}  // namespace lz::test
