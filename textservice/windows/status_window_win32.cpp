#include "textservice/windows/status_window_win32.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstring>

#include "platform/os/native_path.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/skin_block.h"
#include "textservice/windows/candidate_window_win32.h"
#include "textservice/windows/skin_drawing_win32.h"
#include "textservice/windows/status_layout.h"
#include "textservice/windows/ui_manager.h"
#include "textservice/windows/ui_state.h"

namespace lz {
namespace {

namespace rs = region_state;

constexpr DWORD kHoverMilliseconds = 1000;
constexpr LPARAM kTooltipWidth = 500;

bool HostIs(const EngineInstance* e, std::u16string_view name) { return std::u16string_view(e->host_name) == name; }

StatusModes ModesOf(const EngineInstance* e) {
  StatusModes modes;
  modes.mode = e->mode;
  modes.ime_flags = BlockU32(e->blocks.ime, ime_block::kImeFlags);
  modes.caps_lock = (GetKeyState(VK_CAPITAL) & 1) != 0;
  modes.traditional_table = e->files.traditional != nullptr;
  modes.simplified_table = e->files.simplified != nullptr;
  return modes;
}

// The showing-window value in the shared settings, or null when the ime block cannot hold it.
volatile LONG64* ShowingSlot(EngineInstance* e) {
  if (!e->blocks.ime.Holds(ime_block::kShowingStatusWindow, sizeof(LONG64))) return nullptr;
  return reinterpret_cast<volatile LONG64*>(e->blocks.ime.data + ime_block::kShowingStatusWindow);
}

void StorePosition(EngineInstance* e, std::int32_t x, std::int32_t y) {
  ScopedFileWrite write(e->files.config);
  if (!write.ok()) return;
  e->blocks.skin.WriteU32(skin_block::kStatusWindowX, static_cast<std::uint32_t>(x));
  e->blocks.skin.WriteU32(skin_block::kStatusWindowY, static_cast<std::uint32_t>(y));
}

os::Rect PrimaryWorkArea() {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return os::Rect{work.left, work.top, work.right, work.bottom};
}

// The bar's pixels: the background premultiplied and opaque, the logo and the buttons blended in, then
// the alpha brought back to the background's so the bar keeps its shape and translucency.
void PaintStatusWindow(HWND window) {
  UiState* ui = UiOfWindow(window, nullptr);
  if (!ui) return;
  StatusWindowState& w = ui->status;
  const SkinImage* bar = ui->skin.images[kBarImage];
  if (!bar) return;
  auto canvas = OpaquePremultipliedCopy(*bar);
  if (!canvas) return;
  const SkinHitRegion& logo = w.regions[status_region::kLogo];
  if (logo.Shown() && logo.Placed()) {
    if (const SkinImage* image = RegionImage(logo)) BlendImage(*canvas, logo.x, logo.y, *image);
  }
  for (int region = status_region::kMode; region <= status_region::kLast; ++region) {
    if (region == status_region::kLogo) continue;
    BlendRegionImage(w.regions[static_cast<std::size_t>(region)], *canvas);
  }
  for (std::size_t i = 0; i + kSkinPixelBytes <= canvas->pixels.size(); i += kSkinPixelBytes) {
    std::uint8_t& alpha = canvas->pixels[i + kPixelAlpha];
    const std::uint8_t bar_alpha = bar->pixels[i + kPixelAlpha];
    if (alpha == 0) {
      alpha = 255;
    } else if (alpha == 255 || alpha < bar_alpha) {
      alpha = bar_alpha;
    }
  }
  LayeredSurface surface(*canvas);
  if (surface.ok()) surface.Present(window, w.box.x, w.box.y);
}

POINT ClientPoint(LPARAM lparam) { return POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}; }

std::int32_t HitTest(const StatusWindowState& w, POINT p) {
  return HitTestRegions(w.box.width, w.box.height, w.regions, p.x, p.y);
}

void ClearHot(StatusWindowState& w) {
  SetExclusiveRegionState(w.regions, rs::kHot, kHitOutside);
  w.hot_id = -1;
}

void OnLeftDown(HWND window, UiState* ui, POINT p) {
  StatusWindowState& w = ui->status;
  ClearHot(w);
  w.press_x = p.x;
  w.press_y = p.y;
  const std::int32_t id = HitTest(w, p);
  SetExclusiveRegionState(w.regions, rs::kPressed, id > 0 ? id : kHitOutside);
  w.pressed_id = id;
  if (id == kHitOutside) ReleaseCapture();
  PaintStatusWindow(window);
}

void OnLeftUp(HWND window, EngineInstance* e, UiState* ui, POINT p) {
  const std::int32_t id = HitTest(ui->status, p);
  if (id > 0 && id == ui->status.pressed_id) {
    const StatusClickAction action = StatusClickCommand(id, ModesOf(e));
    if (action.kind == StatusClick::kCommand) {
      SendUiCommand(e, action.call.number, action.call.argument, static_cast<int>(action.call.command));
    } else if (action.kind == StatusClick::kMainMenu) {
      POINT cursor{};
      GetCursorPos(&cursor);
      TrackMainMenu(e, window, cursor);
    }
  }
  // The command may have destroyed the window (a skin change, a deactivation).
  if (!IsWindow(window) || !e->ui || e->ui->status.window != window) return;
  StatusWindowState& w = e->ui->status;
  SetExclusiveRegionState(w.regions, rs::kPressed, kHitOutside);
  if (id > 0) {
    SetExclusiveRegionState(w.regions, rs::kHot, id);
    w.hot_id = id;
  } else {
    ClearHot(w);
  }
  w.pressed_id = -1;
  PaintStatusWindow(window);
}

void Drag(HWND window, EngineInstance* e, StatusWindowState& w) {
  const WindowBox box = DraggedWindowBox(w.press_x, w.press_y, w.box.width, w.box.height);
  SetWindowPos(window, nullptr, box.x, box.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  StorePosition(e, box.x, box.y);
  w.box.x = box.x;
  w.box.y = box.y;
  // A press that moved the bar clicks nothing on release.
  w.pressed_id = kHitBackground;
  SetExclusiveRegionState(w.regions, rs::kPressed, kHitOutside);
}

void OnMouseMove(HWND window, EngineInstance* e, StatusWindowState& w, WPARAM keys, POINT p) {
  if (keys == MK_LBUTTON && w.pressed_id != -1 && (p.x != w.press_x || p.y != w.press_y)) {
    Drag(window, e, w);
    return;
  }
  TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, window, kHoverMilliseconds};
  TrackMouseEvent(&track);
  const std::int32_t id = HitTest(w, p);
  if (id <= 0) {
    // Off the bar with nothing pressed the mouse goes back to whatever lies under it.
    if (id == kHitOutside && w.pressed_id == -1) ReleaseCapture();
    if (w.hot_id == -1) return;
    ClearHot(w);
  } else {
    if (id == w.hot_id || id == w.pressed_id) return;
    SetExclusiveRegionState(w.regions, rs::kHot, id);
    w.hot_id = id;
  }
  PaintStatusWindow(window);
}

void OnRightDown(HWND window, EngineInstance* e, POINT p) {
  POINT screen = p;
  ClientToScreen(window, &screen);
  const std::int32_t id = HitTest(e->ui->status, p);
  if (id == status_id::kSoftKeyboard) {
    TrackSoftKeyboardMenu(e, window, screen);
  } else {
    TrackMainMenu(e, window, screen);
  }
  if (!IsWindow(window) || !e->ui || e->ui->status.window != window) return;
  ClearHot(e->ui->status);
  PaintStatusWindow(window);
}

// The tooltip's one tool covers the bar; adding it again would stack a second tool on it.
void ShowStatusText(HWND window, EngineInstance* e, StatusWindowState& w) {
  HWND tooltip = static_cast<HWND>(w.tooltip);
  if (!tooltip) return;
  char16_t text[kStatusTextUnits] = {};
  FormatStatusText(e, text);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_SUBCLASS;
  tool.hwnd = window;
  tool.uId = 1;
  GetClientRect(window, &tool.rect);
  tool.lpszText = const_cast<wchar_t*>(os::WidePtr(text));
  if (!w.tool_added) {
    w.tool_added = SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
  } else {
    SendMessageW(tooltip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

}  // namespace

LONG64 ShowingValueOf(HWND window) { return static_cast<LONG64>(HandleToLong(window)); }
HWND WindowOfShowingValue(LONG64 value) { return static_cast<HWND>(LongToHandle(static_cast<LONG>(value))); }

HWND CreateStatusBar(EngineInstance* e) {
  if (!e || !e->ui || !e->ui->skin.description.source[0]) return nullptr;
  if (HostIs(e, u"mmc.exe")) return nullptr;
  StatusWindowState& w = e->ui->status;
  if (w.window) return static_cast<HWND>(w.window);
  HWND owner = HostIs(e, u"winword.exe") ? nullptr : HostWindow();
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kStatusWindowClass, kStatusWindowTitle,
                                WS_POPUP | WS_DISABLED, 0, 0, 0, 0, owner, nullptr, ThisModule(), nullptr);
  if (!window) return nullptr;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  HWND tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                                 ThisModule(), nullptr);
  if (tooltip) {
    SendMessageW(tooltip, TTM_SETMAXTIPWIDTH, 0, kTooltipWidth);
    SetWindowPos(tooltip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  w.window = window;
  w.tooltip = tooltip;
  w.tool_added = false;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(e));
  LayoutStatusWindow(e);
  return window;
}

void LayoutStatusWindow(EngineInstance* e) {
  if (!e || !e->ui) return;
  StatusWindowState& w = e->ui->status;
  const StatusBarSize size = LayoutStatusRegions(e->ui->skin, ModesOf(e), w.regions);
  w.hot_id = -1;
  w.pressed_id = -1;
  StatusPlacementInput in;
  in.width = size.width;
  in.height = size.height;
  in.default_corner = e->ui->skin.description.status.default_corner;
  in.stored_x = static_cast<std::int32_t>(BlockU32(e->blocks.skin, skin_block::kStatusWindowX));
  in.stored_y = static_cast<std::int32_t>(BlockU32(e->blocks.skin, skin_block::kStatusWindowY));
  w.box = PlaceStatusWindow(in, PrimaryWorkArea());
  StorePosition(e, w.box.x, w.box.y);
}

void ShowStatusWindow(HWND window) {
  EngineInstance* e = nullptr;
  UiState* ui = UiOfWindow(window, &e);
  if (!ui) return;
  if (volatile LONG64* slot = ShowingSlot(e)) {
    // Read whole even where a 64-bit load takes two steps (x86).
    HWND other = WindowOfShowingValue(InterlockedCompareExchange64(slot, 0, 0));
    wchar_t class_name[32] = {};
    // After a crash the value may name a window of another program that took the handle over.
    if (other && other != window && IsWindow(other) && IsWindowVisible(other) &&
        GetClassNameW(other, class_name, 32) && std::wcscmp(class_name, kStatusWindowClass) == 0) {
      PostMessageW(other, kHideStatusWindowMessage, 0, 0);
    }
    ScopedFileWrite write(e->files.config);
    if (write.ok()) InterlockedExchange64(slot, ShowingValueOf(window));
  }
  StatusWindowState& w = ui->status;
  SetWindowPos(window, HWND_TOPMOST, w.box.x, w.box.y, w.box.width, w.box.height,
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  ShowStatusText(window, e, w);
  PaintStatusWindow(window);
}

LRESULT CALLBACK StatusWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CREATE) {
    SetWindowLongPtrW(window, GWL_EXSTYLE, GetWindowLongPtrW(window, GWL_EXSTYLE) | WS_EX_LAYERED);
    return 0;
  }
  EngineInstance* e = nullptr;
  UiState* ui = UiOfWindow(window, &e);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 0;
    }
    case kRefreshSkinWindow:
      if (ui && IsWindowVisible(window) && !(e->mode & mode::kDisabled)) {
        LayoutStatusWindow(e);
        ShowStatusWindow(window);
      }
      return 0;
    case kHideStatusWindowMessage:
      ShowWindow(window, SW_HIDE);
      return 0;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_SETCURSOR:
      // Disabled and never active: holding the mouse is how the bar hears moves and clicks.
      SetCapture(window);
      SetCursor(LoadCursorW(nullptr, IDC_ARROW));
      return TRUE;
    case WM_LBUTTONDOWN:
      if (ui) OnLeftDown(window, ui, ClientPoint(lparam));
      return 0;
    case WM_LBUTTONUP:
      if (ui) OnLeftUp(window, e, ui, ClientPoint(lparam));
      return 0;
    case WM_MOUSEMOVE:
      if (ui) OnMouseMove(window, e, ui->status, wparam, ClientPoint(lparam));
      return 0;
    case WM_RBUTTONDOWN:
      if (ui) OnRightDown(window, e, ClientPoint(lparam));
      return 0;
    case WM_MOUSELEAVE:
      ReleaseCapture();
      return 0;
    case WM_DESTROY:
      ShowWindow(window, SW_HIDE);
      if (ui) {
        if (ui->status.window == window) {
          ui->status.window = nullptr;
          ui->status.tooltip = nullptr;
          ui->status.tool_added = false;
        }
        // Another process's bar may have become the showing one meanwhile: only our own value goes.
        if (volatile LONG64* slot = ShowingSlot(e)) {
          ScopedFileWrite write(e->files.config);
          if (write.ok()) InterlockedCompareExchange64(slot, 0, ShowingValueOf(window));
        }
      }
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace lz
