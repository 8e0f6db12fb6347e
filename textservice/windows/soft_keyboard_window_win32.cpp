#include "textservice/windows/soft_keyboard_window_win32.h"

#include <windowsx.h>

#include <algorithm>

#include "platform/os/broker.h"
#include "platform/os/key_sender.h"
#include "platform/os/native_path.h"
#include "platform/os/work_area.h"
#include "textservice/windows/candidate_window_win32.h"
#include "textservice/windows/skin_drawing_win32.h"
#include "textservice/windows/soft_keyboard.h"
#include "textservice/windows/ui_manager.h"
#include "textservice/windows/ui_state.h"

namespace lz {
namespace {

constexpr COLORREF kLightEdge = 0xC8FFFF;
constexpr COLORREF kDarkEdge = 0x535353;
constexpr COLORREF kLatchedEdge = 0x7B7B7B;
constexpr COLORREF kLabelColour = 30;
constexpr int kLabelHeight = -12;
constexpr int kCloseArgument = 22;
constexpr int kSoftKeyboardCommand = 513;
constexpr BYTE kVkShift = 0x10;

// The names of the keys that type no character, drawn over the picture's blank faces.
struct FunctionKeyName {
  int key;
  const wchar_t* name;
};
constexpr FunctionKeyName kFunctionKeyNames[] = {{13, L"Back"}, {14, L"Tab"},  {28, L"Caps"}, {40, L"Enter"},
                                                 {41, L"Shift"}, {52, L"Ctrl"}, {53, L"Esc"},  {54, L"Alt"},
                                                 {56, L"Alt"},   {57, L"Ins"},  {58, L"Del"},  {59, L"Ctrl"}};

RECT RectOf(int key) {
  const SoftKeyRect r = SoftKeyboardKeyRect(key);
  return RECT{r.left, r.top, r.right, r.bottom};
}

bool IsKey(std::int32_t hit) { return hit >= 0 && hit < kSoftKeyboardSentKeys; }

void DrawLabels(HDC dc, const SoftKeyboardWindowState& k) {
  HFONT font = CreateFontW(kLabelHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Calibri");
  HGDIOBJ old_font = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kLabelColour);
  constexpr UINT kFormat = DT_NOPREFIX | DT_SINGLELINE | DT_RIGHT;
  for (int key = 0; key < kSoftKeyboardKeys; ++key) {
    RECT r = RectOf(key);
    r.right -= 1;
    r.bottom -= 1;
    const wchar_t plain = static_cast<wchar_t>(k.labels[2 * key]);
    const wchar_t shifted = static_cast<wchar_t>(k.labels[2 * key + 1]);
    if (shifted) DrawTextW(dc, &shifted, 1, &r, kFormat | DT_TOP);
    if (plain) DrawTextW(dc, &plain, 1, &r, kFormat | DT_BOTTOM);
  }
  for (const FunctionKeyName& f : kFunctionKeyNames) {
    RECT r = RectOf(f.key);
    DrawTextW(dc, f.name, -1, &r, DT_NOPREFIX | DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  }
  SelectObject(dc, old_font);
  DeleteObject(font);
}

void Paint(HWND window, const SoftKeyboardWindowState& k) {
  PAINTSTRUCT paint;
  HDC target = BeginPaint(window, &paint);
  HDC dc = CreateCompatibleDC(target);
  HBITMAP canvas = CreateCompatibleBitmap(target, kSoftKeyboardWidth, kSoftKeyboardHeight);
  HGDIOBJ old_canvas = SelectObject(dc, canvas);
  if (HBITMAP picture = LoadBitmapW(ThisModule(), MAKEINTRESOURCEW(kSoftKeyboardBitmap))) {
    HDC source = CreateCompatibleDC(target);
    HGDIOBJ old_picture = SelectObject(source, picture);
    BitBlt(dc, 0, 0, kSoftKeyboardWidth, kSoftKeyboardHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, old_picture);
    DeleteDC(source);
    DeleteObject(picture);
  }
  if (k.shift_latched) DrawFrameRect(kLightEdge, RectOf(soft_key::kShift), dc, kLatchedEdge);
  DrawLabels(dc, k);
  if (IsKey(k.hover) && !(k.hover == soft_key::kShift && k.shift_latched)) {
    DrawFrameRect(kDarkEdge, RectOf(k.hover), dc, kLightEdge);
  }
  if (IsKey(k.pressed)) DrawFrameRect(kLightEdge, RectOf(k.pressed), dc, kDarkEdge);
  BitBlt(target, 0, 0, kSoftKeyboardWidth, kSoftKeyboardHeight, dc, 0, 0, SRCCOPY);
  SelectObject(dc, old_canvas);
  DeleteObject(canvas);
  DeleteDC(dc);
  EndPaint(window, &paint);
}

void Repaint(HWND window) { InvalidateRect(window, nullptr, FALSE); }

std::int32_t Hit(LPARAM lparam) { return HitTestSoftKeyboard(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)); }

// One key typed into the focused program (through the broker in immersive mode), wrapped in Shift while
// the Shift latch is on.
void SendSoftKey(int key, bool shifted) {
  const std::uint8_t vk = SoftKeyboardVirtualKey(key);
  const auto scan = static_cast<std::uint8_t>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  const auto shift_scan = static_cast<std::uint8_t>(MapVirtualKeyW(kVkShift, MAPVK_VK_TO_VSC));
  const os::KeyActionScope action;
  if (shifted) os::SendKeyEvent(kVkShift, shift_scan, os::kKeyEventExtended);
  os::SendKeyEvent(vk, scan, 0);
  os::SendKeyEvent(vk, scan, os::kKeyEventUp);
  if (shifted) os::SendKeyEvent(kVkShift, shift_scan, os::kKeyEventExtended | os::kKeyEventUp);
}

void Drag(HWND window, SoftKeyboardWindowState& k) {
  const WindowBox box = DraggedWindowBox(k.grab_x, k.grab_y, kSoftKeyboardWidth, kSoftKeyboardHeight);
  SetWindowPos(window, nullptr, box.x, box.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  k.x = box.x;
  k.y = box.y;
  k.dragged = true;
}

void OnLeftUp(HWND window, EngineInstance* e, LPARAM lparam) {
  SoftKeyboardWindowState& k = e->ui->soft_keyboard;
  const std::int32_t pressed = k.pressed;
  k.pressed = -1;
  if (k.dragged) {
    k.dragged = false;
    Repaint(window);
    return;
  }
  Repaint(window);
  const std::int32_t hit = Hit(lparam);
  if (hit != pressed) return;
  if (hit == soft_key::kClose) {
    SendUiCommand(e, 0, kCloseArgument, kSoftKeyboardCommand);
  } else if (hit == soft_key::kMenu) {
    POINT cursor{};
    GetCursorPos(&cursor);
    TrackSoftKeyboardMenu(e, window, cursor);
  } else if (hit == soft_key::kShift) {
    k.shift_latched = !k.shift_latched;
    Repaint(window);
  } else if (IsKey(hit)) {
    SendSoftKey(hit, k.shift_latched);
  }
}

}  // namespace

void ShowSoftKeyboard(EngineInstance* e) {
  if (!e || !e->ui) return;
  SoftKeyboardWindowState& k = e->ui->soft_keyboard;
  if (k.x == 0 && k.y == 0) {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SoftKeyboardPlacementInput in;
    if (e->ui->status.window) {
      in.has_status = true;
      in.status = e->ui->status.box;
    }
    const WindowBox box = FirstSoftKeyboardPlace(in, os::Rect{work.left, work.top, work.right, work.bottom});
    k.x = box.x;
    k.y = box.y;
  }
  HWND window = static_cast<HWND>(k.window);
  if (!window) {
    window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kSoftKeyboardWindowClass, kSoftKeyboardWindowTitle,
                             WS_POPUP | WS_DISABLED, k.x, k.y, kSoftKeyboardWidth, kSoftKeyboardHeight,
                             HostWindow(), nullptr, ThisModule(), nullptr);
    if (!window) return;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(e));
    k.window = window;
    k.hover = -1;
    k.pressed = -1;
  }
  ShowWindow(window, SW_SHOWNOACTIVATE);
  InvalidateRect(window, nullptr, FALSE);
}

LRESULT CALLBACK SoftKeyboardWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  EngineInstance* e = EngineOfWindow(window);
  UiState* ui = e ? e->ui : nullptr;
  switch (message) {
    case WM_PAINT:
      if (ui) {
        Paint(window, ui->soft_keyboard);
      } else {
        ValidateRect(window, nullptr);
      }
      return 0;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_SETCURSOR:
      // Disabled and never active: holding the mouse is how the keyboard hears moves and clicks.
      if (ui && GetCapture() != window) {
        ui->soft_keyboard.hover = -1;
        ui->soft_keyboard.pressed = -1;
        Repaint(window);
        SetCapture(window);
      }
      SetCursor(LoadCursorW(nullptr, IDC_ARROW));
      return TRUE;
    case WM_SHOWWINDOW:
      if (!wparam && GetCapture() == window) ReleaseCapture();
      return 0;
    case WM_LBUTTONDOWN:
      if (ui) {
        SoftKeyboardWindowState& k = ui->soft_keyboard;
        POINT cursor{};
        GetCursorPos(&cursor);
        RECT at{};
        GetWindowRect(window, &at);
        k.grab_x = cursor.x - at.left;
        k.grab_y = cursor.y - at.top;
        k.dragged = false;
        k.pressed = Hit(lparam);
        Repaint(window);
      }
      return 0;
    case WM_MOUSEMOVE:
      if (ui) {
        SoftKeyboardWindowState& k = ui->soft_keyboard;
        if (wparam == MK_LBUTTON && k.pressed == soft_key::kNone) {
          Drag(window, k);
          return 0;
        }
        const std::int32_t hit = Hit(lparam);
        if (hit != k.hover) {
          k.hover = hit;
          Repaint(window);
        }
        if (!IsKey(hit) && hit != soft_key::kMenu && hit != soft_key::kClose && k.pressed == -1) {
          k.hover = -1;
          ReleaseCapture();
        }
      }
      return 0;
    case WM_LBUTTONUP:
      if (ui) OnLeftUp(window, e, lparam);
      return 0;
    case WM_RBUTTONUP:
      if (ui) {
        POINT cursor{};
        GetCursorPos(&cursor);
        TrackSoftKeyboardMenu(e, window, cursor);
      }
      return 0;
    case WM_DESTROY:
      ShowWindow(window, SW_HIDE);
      if (ui) {
        if (ImmersiveOnWindows8(e)) NotifyWinEvent(kEventImeHide, window, OBJID_CLIENT, CHILDID_SELF);
        if (ui->soft_keyboard.window == window) ui->soft_keyboard.window = nullptr;
      }
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace lz
