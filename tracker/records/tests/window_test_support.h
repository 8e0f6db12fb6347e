#pragma once
// What the record window tests share: message boxes answered and recorded by the test, and a plain
// top-level window that hosts a grid (it forwards the grid's notifications, as the table window does).
#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "platform/os/message_box.h"
#include "tracker/records/record_grid_win32.h"

namespace tracker::test {

constexpr int kAnswerCancel = 2;  // IDCANCEL

// Installed for its lifetime: every box is recorded and answered with `answer`.
class RecordedBoxes {
 public:
  RecordedBoxes() { os::SetMessageBoxResponder(&RecordedBoxes::Answer, this); }
  ~RecordedBoxes() { os::SetMessageBoxResponder(nullptr, nullptr); }
  RecordedBoxes(const RecordedBoxes&) = delete;
  RecordedBoxes& operator=(const RecordedBoxes&) = delete;

  std::vector<os::MessageBoxRequest> boxes;
  int answer = os::kAnswerOk;

 private:
  static int Answer(const os::MessageBoxRequest& request, void* context) {
    auto* self = static_cast<RecordedBoxes*>(context);
    self->boxes.push_back(request);
    return self->answer;
  }
};

// A shown 800x400 window whose WM_NOTIFY messages go to the grid; destroyed at scope end.
class GridHost {
 public:
  explicit GridHost(RecordGrid& grid) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = Proc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"RecordGridTestHost";
    RegisterClassW(&window_class);
    hwnd_ = CreateWindowExW(0, L"RecordGridTestHost", L"Record Table", WS_OVERLAPPEDWINDOW, 0, 0, 800, 400, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&grid));
    ShowWindow(hwnd_, SW_SHOW);
  }
  ~GridHost() {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  GridHost(const GridHost&) = delete;
  GridHost& operator=(const GridHost&) = delete;
  HWND hwnd() const { return hwnd_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NOTIFY) {
      auto* grid = reinterpret_cast<RecordGrid*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
      LRESULT result = 0;
      if (grid != nullptr && grid->OnNotify(reinterpret_cast<const NMHDR*>(lparam), result)) return result;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
  HWND hwnd_ = nullptr;
};

}  // namespace tracker::test
