#include "textservice/windows/candidate_window_win32.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "textservice/engine/block_fields.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/skin_block.h"
#include "textservice/engine/system_services.h"
#include "textservice/skin/builtin_skin_win32.h"
#include "textservice/windows/candidate_layout.h"
#include "textservice/windows/candidate_placement.h"
#include "textservice/windows/skin_drawing_win32.h"
#include "textservice/windows/skin_fonts_win32.h"
#include "textservice/windows/skin_region_win32.h"
#include "textservice/windows/ui_manager.h"
#include "textservice/windows/ui_state.h"

namespace lz {
namespace {

namespace cr = candidate_region;
namespace rs = region_state;

constexpr DWORD kHoverMilliseconds = 800;

UiCommandDispatcher g_dispatcher = nullptr;

void RaiseEvent(const EngineInstance* e, DWORD event) {
  if (!ImmersiveOnWindows8(e)) return;
  NotifyWinEvent(event, static_cast<HWND>(e->ui->candidate.host), OBJID_CLIENT, CHILDID_SELF);
}

int Dispatch(EngineInstance* e, int a, int b, int command) {
  return g_dispatcher ? g_dispatcher(e, a, b, command) : 0;
}

void StoreWindowPosition(EngineInstance* e, std::int32_t x, std::int32_t y) {
  ScopedFileWrite write(e->files.config);
  if (!write.ok()) return;
  e->blocks.skin.WriteU32(skin_block::kCandidateWindowX, static_cast<std::uint32_t>(x));
  e->blocks.skin.WriteU32(skin_block::kCandidateWindowY, static_cast<std::uint32_t>(y));
}

void PaintCandidateWindow(HWND window) {
  EngineInstance* e = nullptr;
  UiState* ui = UiOfWindow(window, &e);
  if (!ui) return;
  CandidateWindowState& w = ui->candidate;
  const SkinImage* background = w.layout.background.get();
  if (!background) return;
  auto canvas = OpaquePremultipliedCopy(*background);
  if (!canvas) return;
  LayeredSurface surface(*canvas);
  if (!surface.ok()) return;
  HDC dc = surface.dc();
  HGDIOBJ old_font = SelectObject(dc, CodeFont(ui));

  const SkinRegionTable& regions = w.layout.regions;
  DrawRegion(regions[cr::kCode], dc);
  const TextStyle& style = ui->skin.description.text;
  CandidateContent content;
  CandidateContentOf(e, content);
  for (int k = 0; k < kCandidateSlots; ++k) {
    const SkinHitRegion& word = regions[static_cast<std::size_t>(cr::kFirstWord + k)];
    if (!word.Shown()) continue;
    std::int32_t colour = kNoColour;
    const bool lit = word.state == rs::kHot || word.state == rs::kPressed;
    if (lit && style.hover_background >= 0) colour = style.hover_background;
    if (!w.layout.hidden_first && PagePlaceOfSlot(content, k) == content.paging.highlighted &&
        style.first_candidate_background >= 0)
      colour = style.first_candidate_background;
    if (colour < 0) continue;
    const SlotRect box = CandidateSlotRect(w.layout, k);
    const RECT rect{box.left, box.top, box.right, box.bottom};
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(colour));
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
  }
  for (int k = 0; k < kCandidateSlots; ++k) DrawRegion(regions[static_cast<std::size_t>(cr::kFirstIndex + k)], dc);
  const bool rotated_hints = w.layout.style == CandidateStyle::kLeftVertical &&
                             (BlockU32(e->blocks.ime, ime_block::kBehaviourFlags) & ime_block::kDisplayConversionOn);
  SelectObject(dc, rotated_hints ? CandidateFontOf(ui) : CodeFont(ui));
  for (int k = 0; k < kCandidateSlots; ++k) DrawRegion(regions[static_cast<std::size_t>(cr::kFirstHint + k)], dc);
  SelectObject(dc, CandidateFontOf(ui));
  for (int k = 0; k < kCandidateSlots; ++k) DrawRegion(regions[static_cast<std::size_t>(cr::kFirstWord + k)], dc);
  GdiFlush();

  std::memcpy(canvas->pixels.data(), surface.bits(), canvas->pixels.size());
  RepairGdiAlpha(*canvas, *background);
  for (int index : {cr::kNextPage, cr::kPreviousPage, cr::kWidth, cr::kPunctuation}) {
    BlendRegionImage(regions[static_cast<std::size_t>(index)], *canvas);
  }
  for (int k = 0; k < cr::kExtensionCount; ++k) {
    BlendRegionImage(regions[static_cast<std::size_t>(cr::kFirstExtension + k)], *canvas);
  }
  std::memcpy(surface.bits(), canvas->pixels.data(), canvas->pixels.size());

  surface.Present(window, w.box.x, w.box.y);
  SelectObject(dc, old_font);
}

void Repaint(HWND window) { PaintCandidateWindow(window); }

POINT ClientPoint(LPARAM lparam) { return POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}; }

std::int32_t HitTest(const UiState* ui, POINT p) { return HitTestCandidateWindow(ui->candidate.layout, p.x, p.y); }

void ReleaseMouse(UiState* ui) {
  ui->candidate.captured = false;
  ReleaseCapture();
}

void OnLeftDown(HWND window, UiState* ui, POINT p) {
  CandidateWindowState& w = ui->candidate;
  w.pressed_id = HitTest(ui, p);
  w.press_x = p.x;
  w.press_y = p.y;
  SetExclusiveRegionState(w.layout.regions, rs::kPressed, w.pressed_id > 0 ? w.pressed_id : kHitOutside);
  Repaint(window);
}

// After a page turn the pointer follows its button, so that clicking on goes on turning pages.
void KeepPointerOnButton(HWND window, UiState* ui, int region, RECT before_window, POINT before_button) {
  const SkinHitRegion& button = ui->candidate.layout.regions[static_cast<std::size_t>(region)];
  if (!button.Shown()) return;
  RECT after_window{};
  GetWindowRect(window, &after_window);
  const int dx = (after_window.left + button.x) - (before_window.left + before_button.x);
  const int dy = (after_window.top + button.y) - (before_window.top + before_button.y);
  if (dx == 0 && dy == 0) return;
  POINT cursor{};
  GetCursorPos(&cursor);
  SetCursorPos(cursor.x + dx, cursor.y + dy);
}

void TurnPage(HWND window, EngineInstance* e, UiState* ui, int region, int command) {
  const SkinHitRegion& button = ui->candidate.layout.regions[static_cast<std::size_t>(region)];
  if (button.state == rs::kDisabled) return;
  RECT before{};
  GetWindowRect(window, &before);
  const POINT button_at{button.x, button.y};
  Dispatch(e, 0, 0, command);
  // The dispatch may have destroyed the window (a commit that ends everything).
  if (!IsWindow(window) || !e->ui) return;
  KeepPointerOnButton(window, e->ui, region, before, button_at);
}

void OnLeftUp(HWND window, EngineInstance* e, UiState* ui, POINT p) {
  const std::int32_t id = HitTest(ui, p);
  if (id == ui->candidate.pressed_id) {
    if (id >= candidate_id::kFirstSlot && id <= candidate_id::kLastSlot) {
      CandidateContent content;
      CandidateContentOf(e, content);
      Dispatch(e, PagePlaceOfSlot(content, id - candidate_id::kFirstSlot) + 1, 0, ui_command::kSelectCandidate);
    } else if (id == candidate_id::kPreviousPage) {
      TurnPage(window, e, ui, cr::kPreviousPage, ui_command::kPreviousPage);
    } else if (id == candidate_id::kNextPage) {
      TurnPage(window, e, ui, cr::kNextPage, ui_command::kNextPage);
    } else if (id == candidate_id::kWidth) {
      Dispatch(e, 0, 0, (e->mode & mode::kFullWidth) ? ui_command::kFullWidthOff : ui_command::kFullWidthOn);
    } else if (id == candidate_id::kPunctuation) {
      Dispatch(e, 0, 0,
               (e->mode & mode::kEnglishPunctuation) ? ui_command::kChinesePunctuation
                                                      : ui_command::kEnglishPunctuation);
    } else if (id == kHitOutside) {
      SetExclusiveRegionState(ui->candidate.layout.regions, rs::kPressed, kHitOutside);
      ReleaseMouse(ui);
    }
  }
  if (!IsWindow(window) || !e->ui) return;
  ui = e->ui;
  SetExclusiveRegionState(ui->candidate.layout.regions, rs::kPressed, kHitOutside);
  if (id > 0) {
    SetExclusiveRegionState(ui->candidate.layout.regions, rs::kHot, id);
    ui->candidate.hot_id = id;
  }
  Repaint(window);
  ui->candidate.pressed_id = -1;
  ReleaseMouse(ui);
}

void Drag(HWND window, EngineInstance* e, UiState* ui) {
  CandidateWindowState& w = ui->candidate;
  const WindowBox box = DraggedWindowBox(w.press_x, w.press_y, w.box.width, w.box.height);
  SetWindowPos(window, HWND_TOPMOST, box.x, box.y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
  StoreWindowPosition(e, box.x, box.y);
  w.box.x = box.x;
  w.box.y = box.y;
  // A press that moved the window selects nothing on release.
  w.pressed_id = kHitBackground;
  SetExclusiveRegionState(w.layout.regions, rs::kPressed, kHitBackground);
}

void OnMouseMove(HWND window, EngineInstance* e, UiState* ui, WPARAM keys, POINT p) {
  CandidateWindowState& w = ui->candidate;
  if (keys == MK_LBUTTON && w.pressed_id != -1 && (p.x != w.press_x || p.y != w.press_y)) {
    Drag(window, e, ui);
    return;
  }
  TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, window, kHoverMilliseconds};
  TrackMouseEvent(&track);
  const std::int32_t id = HitTest(ui, p);
  if (id == kHitBackground) ScheduleDictionaryClose(e);
  if (id >= candidate_id::kFirstSlot && id <= candidate_id::kLastSlot && ui->dictionary_window) {
    CandidateContent content;
    CandidateContentOf(e, content);
    ShowDictionaryFor(e, PagePlaceOfSlot(content, id - candidate_id::kFirstSlot));
  }
  if (id == w.hot_id) return;
  if (id > 0) {
    SetExclusiveRegionState(w.layout.regions, rs::kHot, id);
  } else {
    SetExclusiveRegionState(w.layout.regions, rs::kHot, kHitOutside);
  }
  w.hot_id = id;
  Repaint(window);
}

void OnHover(EngineInstance* e, UiState* ui, POINT p) {
  const std::int32_t id = HitTest(ui, p);
  if (id < candidate_id::kFirstSlot || id > candidate_id::kLastSlot) return;
  if (BlockU32(e->blocks.ime, ime_block::kImeFlags) & ime_block::kNoHoverDictionary) return;
  CandidateContent content;
  CandidateContentOf(e, content);
  ShowDictionaryFor(e, PagePlaceOfSlot(content, id - candidate_id::kFirstSlot));
}

void OnRightDown(HWND window, EngineInstance* e, UiState* ui, POINT p) {
  const std::int32_t id = HitTest(ui, p);
  POINT screen = p;
  ClientToScreen(window, &screen);
  if (id >= candidate_id::kFirstSlot && id <= candidate_id::kLastSlot) {
    CandidateContent content;
    CandidateContentOf(e, content);
    TrackCandidateMenu(e, window, screen, PagePlaceOfSlot(content, id - candidate_id::kFirstSlot));
  } else {
    TrackMainMenu(e, window, screen);
  }
}

}  // namespace

void SetUiCommandDispatcher(UiCommandDispatcher dispatcher) { g_dispatcher = dispatcher; }

int SendUiCommand(EngineInstance* e, int a, int b, int command) { return Dispatch(e, a, b, command); }

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&CandidateWndProc), &module);
  return module;
}

HWND HostWindow() {
  HWND focus = GetFocus();
  return focus ? focus : GetForegroundWindow();
}

EngineInstance* EngineOfWindow(HWND window) {
  return reinterpret_cast<EngineInstance*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

UiState* UiOfWindow(HWND window, EngineInstance** engine) {
  EngineInstance* e = EngineOfWindow(window);
  if (engine) *engine = e;
  return e ? e->ui : nullptr;
}

WindowBox DraggedWindowBox(std::int32_t grab_x, std::int32_t grab_y, std::int32_t width, std::int32_t height) {
  POINT cursor{};
  GetCursorPos(&cursor);
  os::Rect work;
  os::WorkAreaAtPoint(cursor.x, cursor.y, work);
  return ClampIntoWorkArea(WindowBox{cursor.x - grab_x, cursor.y - grab_y, width, height}, work);
}

bool ImmersiveOnWindows8(const EngineInstance* e) { return e && e->immersive && IsWindows8OrLater(e->os_version); }

HWND CreateCandidateWindow(EngineInstance* e) {
  if (!e || !e->ui || !e->ui->skin.description.source[0]) return nullptr;
  CandidateWindowState& w = e->ui->candidate;
  if (w.window) return static_cast<HWND>(w.window);
  w.host = HostWindow();
  HWND owner = ImmersiveOnWindows8(e) ? static_cast<HWND>(w.host) : nullptr;
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kCandidateWindowClass, kCandidateWindowTitle,
                                WS_POPUP | WS_DISABLED, 0, 0, 0, 0, owner, nullptr, ThisModule(), nullptr);
  if (!window) return nullptr;
  CreateSkinFonts(e->ui, e);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(e));
  w.window = window;
  w.hot_id = -1;
  w.pressed_id = -1;
  InitCandidateRegions(w.layout.regions);
  return window;
}

void RelayoutCandidateWindow(HWND window) {
  EngineInstance* e = nullptr;
  UiState* ui = UiOfWindow(window, &e);
  if (!ui) return;
  {
    GdiTextMeasurer measurer(ui);
    CandidateContent content;
    CandidateContentOf(e, content);
    UpdateCandidateLayout(ui->skin, content, measurer, ui->candidate.layout);
  }
  // The new regions start in their normal states; the next move finds the hot one again.
  ui->candidate.hot_id = -1;
  ui->candidate.box.width = ui->candidate.layout.width;
  ui->candidate.box.height = ui->candidate.layout.height;
  SetWindowPos(window, HWND_TOPMOST, 0, 0, ui->candidate.box.width, ui->candidate.box.height,
               SWP_NOACTIVATE | SWP_NOMOVE);
  if (ui->dictionary_window) DestroyDictionaryWindow(e);
}

void ShowCandidateWindow(HWND window) {
  EngineInstance* e = nullptr;
  UiState* ui = UiOfWindow(window, &e);
  if (!ui) return;
  CandidateWindowState& w = ui->candidate;
  CandidatePlacementInput in;
  in.ime_flags = BlockU32(e->blocks.ime, ime_block::kImeFlags);
  in.width = w.box.width;
  in.height = w.box.height;
  in.caret_x = w.caret_x;
  in.caret_y = w.caret_y;
  in.caret_height = w.caret_height;
  if (w.layout.layout) {
    in.offset_x = w.layout.layout->embedded_offset.x;
    in.offset_y = w.layout.layout->embedded_offset.y;
  }
  in.stored_x = static_cast<std::int32_t>(BlockU32(e->blocks.skin, skin_block::kCandidateWindowX));
  in.stored_y = static_cast<std::int32_t>(BlockU32(e->blocks.skin, skin_block::kCandidateWindowY));
  const CandidatePlacement place = PlaceCandidateWindow(in);
  if (place.store) StoreWindowPosition(e, place.x, place.y);
  w.box.x = place.x;
  w.box.y = place.y;
  SetWindowPos(window, HWND_TOPMOST, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
  if (!w.layout.background) {
    HideCandidateWindow(window);
    return;
  }
  SetWindowRgn(window, RegionFromAlpha(w.layout.background.get()), TRUE);
  PaintCandidateWindow(window);
  RaiseEvent(e, kEventImeShow);
  RaiseEvent(e, kEventImeChange);
}

void HideCandidateWindow(HWND window) {
  ShowWindow(window, SW_HIDE);
  EngineInstance* e = nullptr;
  if (UiOfWindow(window, &e)) RaiseEvent(e, kEventImeHide);
}

LRESULT CALLBACK CandidateWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CREATE) {
    SetWindowLongPtrW(window, GWL_EXSTYLE, GetWindowLongPtrW(window, GWL_EXSTYLE) | WS_EX_LAYERED);
    return 0;
  }
  EngineInstance* e = nullptr;
  UiState* ui = UiOfWindow(window, &e);
  switch (message) {
    case WM_PAINT: {
      // Layered: everything is painted by UpdateLayeredWindow.
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 0;
    }
    case kRefreshSkinWindow:
      if (!ui) return 0;
      RelayoutCandidateWindow(window);
      ShowCandidateWindow(window);
      return 0;
    case WM_SETCURSOR:
      // The window is disabled and never active: holding the mouse is how it hears moves and clicks.
      if (ui) {
        ui->candidate.captured = true;
        SetCapture(window);
      }
      SetCursor(LoadCursorW(nullptr, IDC_ARROW));
      return TRUE;
    case WM_LBUTTONDOWN:
      if (ui) OnLeftDown(window, ui, ClientPoint(lparam));
      return 0;
    case WM_LBUTTONUP:
      if (ui) OnLeftUp(window, e, ui, ClientPoint(lparam));
      return 0;
    case WM_MOUSEMOVE:
      if (ui) OnMouseMove(window, e, ui, wparam, ClientPoint(lparam));
      return 0;
    case WM_MOUSEHOVER:
      if (ui) OnHover(e, ui, ClientPoint(lparam));
      return 0;
    case WM_MOUSELEAVE:
      if (ui) {
        ScheduleDictionaryClose(e);
        ReleaseMouse(ui);
      }
      return 0;
    case WM_RBUTTONDOWN:
      if (ui) OnRightDown(window, e, ui, ClientPoint(lparam));
      return 0;
    case WM_DESTROY:
      if (ui) {
        ShowWindow(window, SW_HIDE);
        RaiseEvent(e, kEventImeHide);
        ui->candidate.window = nullptr;
      }
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

int ReloadSkinIfChanged(EngineInstance* e) {
  if (!e || !e->ui) return 0;
  if (!ReloadEngineSkinIfChanged(e, FindBuiltinSkin(ThisModule()))) return 0;
  // The new skin brings its own fonts.
  if (e->ui->candidate.window) CreateSkinFonts(e->ui, e);
  if (e->ui->candidate.window) SendMessageW(static_cast<HWND>(e->ui->candidate.window), kRefreshSkinWindow, 0, 0);
  if (e->ui && e->ui->status.window) SendMessageW(static_cast<HWND>(e->ui->status.window), kRefreshSkinWindow, 0, 0);
  return 1;
}

}  // namespace lz
