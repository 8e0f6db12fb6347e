#pragma once
// What the main-window tests share: December 2026 on the injected clock, the test folder as the program's
// folder, menu commands sent to the window, and the program's seams put back after a test.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/forms/forms.h"
#include "platform/os/local_clock.h"
#include "platform/os/message_box.h"
#include "platform/os/power_off.h"
#include "platform/os/program_start.h"
#include "tests/support/temp_folder.h"
#include "tracker/main/main_window.h"

namespace tracker::window_test {

constexpr double kMidnight = 1'796'083'200;  // Thursday 10 December 2026, 00:00 on the injected clock

// The injected clock's reading on a day of December 2026.
inline void SetDecemberTime(os::ClockReading& reading, int day, int hour, int minute, int second) {
  reading.local = os::LocalDateTime{2026, 12, day, (day - 6) % 7, hour, minute, second, 0};
  reading.absolute = kMidnight + (day - 10) * 86400.0 + hour * 3600 + minute * 60 + second;
}

inline std::u16string FolderText(const lz::test::TempFolder& folder) {
  const std::wstring wide = folder.path().wstring();
  return std::u16string(wide.begin(), wide.end());
}

inline void SendCommand(MainWindow& window, int command) {
  SendMessageW(window.hwnd(), WM_COMMAND, static_cast<WPARAM>(command), 0);
}

// Lets the display's own events of the windows just shown and hidden arrive and be handled: with no
// window manager nothing holds them back, and a focus change that came late would close a menu opened
// next.
inline void SettleDisplay(DWORD milliseconds = 150) {
  const DWORD start = GetTickCount();
  MSG msg;
  while (GetTickCount() - start < milliseconds) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

// Takes every responder and sink of a window test out again and drops the messages its closed windows
// left, so that the next test starts from the real seams and an empty queue.
inline void ResetWindowTestSeams() {
  forms::SetModalResponder(nullptr, nullptr);
  os::SetClockSource(nullptr, nullptr);
  os::SetNamedFormatter(nullptr, nullptr);
  os::SetMessageBoxResponder(nullptr, nullptr);
  os::SetPowerOffSink(nullptr, nullptr);
  os::SetProgramStartSink(nullptr, nullptr);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

// Keeps a picture of the window beside the test program, for a person to look at.
inline void SaveScreenshot(HWND window, const char* file) {
  RECT r{};
  GetWindowRect(window, &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  // Read through the window's own DC: Wine keeps what the window drew in its window surface.
  HDC source = GetWindowDC(window);
  BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
  ReleaseDC(window, source);
  GdiFlush();
  // GDI leaves the fourth byte 0; picture viewers would read it as fully transparent.
  auto* pixels = static_cast<std::uint8_t*>(bits);
  for (int i = 0; i < width * height; ++i) pixels[i * 4 + 3] = 0xFF;
  const std::uint32_t image = static_cast<std::uint32_t>(width * height * 4);
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;
  header.bfOffBits = sizeof header + sizeof info.bmiHeader;
  header.bfSize = header.bfOffBits + image;
  if (std::FILE* f = std::fopen(file, "wb")) {
    std::fwrite(&header, sizeof header, 1, f);
    std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, f);
    std::fwrite(bits, 1, image, f);
    std::fclose(f);
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

}  // namespace tracker::window_test
