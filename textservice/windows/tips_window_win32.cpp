#include "textservice/windows/tips_window_win32.h"

#include <windowsx.h>

#include <algorithm>

#include "platform/os/native_path.h"
#include "platform/os/work_area.h"
#include "textservice/windows/candidate_placement.h"
#include "textservice/windows/candidate_window_win32.h"
#include "textservice/windows/skin_drawing_win32.h"
#include "textservice/windows/ui_manager.h"
#include "textservice/windows/ui_state.h"

namespace lz {
namespace {

constexpr UINT_PTR kCloseTimer = 1;
constexpr int kPaddingWidth = 20;
constexpr int kPaddingHeight = 10;
constexpr COLORREF kFrameColour = 0x808080;

// The events name the window the tip belongs to, as the candidate window's do.
void RaiseEvent(const EngineInstance* e, HWND window, DWORD event) {
  if (!ImmersiveOnWindows8(e)) return;
  HWND owner = GetWindow(window, GW_OWNER);
  NotifyWinEvent(event, owner ? owner : window, OBJID_CLIENT, CHILDID_SELF);
}

void Paint(HWND window, const TipWindowState& tip) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client{};
  GetClientRect(window, &client);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DrawFrameRect(kFrameColour, client, dc, kFrameColour);
  HGDIOBJ old_font = tip.font ? SelectObject(dc, static_cast<HFONT>(tip.font)) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, os::WidePtr(tip.text), -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if (old_font) SelectObject(dc, old_font);
  EndPaint(window, &paint);
}

void Close(HWND window, EngineInstance* e) {
  KillTimer(window, kCloseTimer);
  ShowWindow(window, SW_HIDE);
  RaiseEvent(e, window, kEventImeHide);
  DestroyWindow(window);
}

void Drag(HWND window, TipWindowState& tip) {
  const WindowBox box = DraggedWindowBox(tip.press_x, tip.press_y, tip.width, tip.height);
  SetWindowPos(window, nullptr, box.x, box.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void ShowTipWindow(int type, EngineInstance* e, int x, int y, const char16_t* text) {
  if (!e || !e->ui) return;
  TipWindowState& tip = e->ui->tip;
  HWND window = static_cast<HWND>(tip.window);
  const bool created = !window;
  tip.type = type;
  tip.timer.Show(type, created);
  const std::u16string_view source = text ? std::u16string_view(text) : std::u16string_view();
  const std::size_t n = std::min(source.size(), kTipTextUnits);
  std::copy_n(source.data(), n, tip.text);
  tip.text[n] = 0;
  if (!window) {
    window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kTipsWindowClass, kTipsWindowTitle,
                             WS_POPUP | WS_DISABLED, 0, 0, 0, 0, HostWindow(), nullptr, ThisModule(), nullptr);
    if (!window) return;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(e));
    tip.window = window;
    if (type >= 0) SetTimer(window, kCloseTimer, kTipTickMilliseconds, nullptr);
  }
  if (tip.font) DeleteObject(static_cast<HFONT>(tip.font));
  tip.font = CreateFontW(TipFontHeight(type), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"宋体");
  HDC dc = GetDC(window);
  HGDIOBJ old_font = SelectObject(dc, static_cast<HFONT>(tip.font));
  SIZE extent{};
  GetTextExtentPoint32W(dc, os::WidePtr(tip.text), static_cast<int>(n), &extent);
  SelectObject(dc, old_font);
  ReleaseDC(window, dc);
  tip.width = extent.cx + kPaddingWidth;
  tip.height = extent.cy + kPaddingHeight;
  SetWindowPos(window, HWND_TOPMOST, x, y, tip.width, tip.height, SWP_SHOWWINDOW | SWP_NOACTIVATE);
  InvalidateRect(window, nullptr, TRUE);
  RaiseEvent(e, window, kEventImeShow);
  RaiseEvent(e, window, kEventImeChange);
}

LRESULT CALLBACK TipsWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  EngineInstance* e = EngineOfWindow(window);
  UiState* ui = e ? e->ui : nullptr;
  switch (message) {
    case WM_PAINT:
      if (ui) {
        Paint(window, ui->tip);
      } else {
        ValidateRect(window, nullptr);
      }
      return 0;
    case WM_TIMER:
      if (ui && wparam == kCloseTimer && ui->tip.timer.Tick() == TipTick::kClose) Close(window, e);
      return 0;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_SETCURSOR:
      SetCapture(window);
      SetCursor(LoadCursorW(nullptr, IDC_ARROW));
      return TRUE;
    case WM_LBUTTONDOWN:
      if (ui) {
        ui->tip.press_x = GET_X_LPARAM(lparam);
        ui->tip.press_y = GET_Y_LPARAM(lparam);
      }
      return 0;
    case WM_MOUSEMOVE: {
      if (!ui) return 0;
      if (wparam == MK_LBUTTON) {
        Drag(window, ui->tip);
        return 0;
      }
      RECT client{};
      GetClientRect(window, &client);
      const POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      if (PtInRect(&client, p)) {
        ui->tip.timer.PointerInside();
        KillTimer(window, kCloseTimer);
      } else {
        ui->tip.timer.PointerOutside();
        SetTimer(window, kCloseTimer, kTipTickMilliseconds, nullptr);
        ReleaseCapture();
      }
      return 0;
    }
    case WM_RBUTTONDOWN:
      if (ui) {
        POINT cursor{};
        GetCursorPos(&cursor);
        TrackOutputOptionsMenu(e, window, cursor);
      }
      return 0;
    case WM_DESTROY:
      ShowWindow(window, SW_HIDE);
      if (ui) {
        RaiseEvent(e, window, kEventImeHide);
        if (ui->tip.window == window) ui->tip.window = nullptr;
        if (ui->tip.font) {
          DeleteObject(static_cast<HFONT>(ui->tip.font));
          ui->tip.font = nullptr;
        }
      }
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace lz
