#include "textservice/windows/ui_manager.h"

#include "textservice/windows/candidate_window_win32.h"
#include "textservice/windows/dictionary_window_win32.h"
#include "textservice/windows/soft_keyboard_window_win32.h"
#include "textservice/windows/status_window_win32.h"
#include "textservice/windows/tips_window_win32.h"
#include "textservice/windows/skin_fonts_win32.h"
#include "textservice/windows/soft_keyboard.h"
#include "textservice/windows/ui_state.h"

namespace lz {
namespace {

// Each window's procedure; DefWindowProcW stands in until the window itself exists.
constexpr WNDPROC kSkinWindowProcedures[kSkinWindowClassCount] = {CandidateWndProc, StatusWndProc, SoftKeyboardWndProc,
                                                                  TipsWndProc, DefWindowProcW};

// The dictionary window's place in the class table.
constexpr int kDictionaryClassIndex = 4;

// Per-window storage that the windows keep beside GWLP_USERDATA.
constexpr int kSkinWindowExtraBytes = 12;

}  // namespace

int RegisterSkinClasses(HINSTANCE module) {
  for (int i = 0; i < kSkinWindowClassCount; ++i) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_IME | CS_VREDRAW | CS_HREDRAW;
    window_class.lpfnWndProc = i == kDictionaryClassIndex ? DictWndProc : kSkinWindowProcedures[i];
    window_class.cbWndExtra = kSkinWindowExtraBytes;
    window_class.hInstance = module;
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.lpszClassName = kSkinWindowClasses[i];
    if (!RegisterClassExW(&window_class)) return 0;
  }
  return 1;
}

void UnregisterSkinClasses(HINSTANCE module) {
  for (const wchar_t* name : kSkinWindowClasses) UnregisterClassW(name, module);
}

namespace {

HWND CandidateWindowOf(const EngineInstance* engine) {
  return engine && engine->ui ? static_cast<HWND>(engine->ui->candidate.window) : nullptr;
}

}  // namespace

void ShowCandidateWindow(EngineInstance* engine) {
  if (HWND window = CandidateWindowOf(engine)) ShowCandidateWindow(window);
}

void HideCandidateWindow(EngineInstance* engine) {
  if (HWND window = CandidateWindowOf(engine)) HideCandidateWindow(window);
}

void UpdateCandidateWindow(EngineInstance* engine, bool clear_page) {
  HWND window = CandidateWindowOf(engine);
  if (!window) return;
  if (clear_page) {
    engine->page_item_count = 0;
    engine->paging = PagingState{0, 0, -1, 0, 0};
  }
  SendMessageW(window, kRefreshSkinWindow, 0, 0);
}

void MoveCandidateWindow(EngineInstance* engine, const RECT& text) {
  if (!engine || !engine->ui) return;
  HWND window = CreateCandidateWindow(engine);
  if (!window) return;
  CandidateWindowState& w = engine->ui->candidate;
  w.caret_x = text.left;
  w.caret_y = text.top;
  w.caret_height = text.bottom - text.top;
  SendMessageW(window, kRefreshSkinWindow, 0, 0);
}

void DestroyCandidateWindow(EngineInstance* engine) {
  if (HWND window = CandidateWindowOf(engine)) DestroyWindow(window);
  if (engine && engine->ui) {
    engine->ui->candidate.window = nullptr;
    DestroySkinFonts(engine->ui);
  }
}

namespace {

HWND StatusWindowOf(const EngineInstance* engine) {
  return engine && engine->ui ? static_cast<HWND>(engine->ui->status.window) : nullptr;
}

HWND TipWindowOf(const EngineInstance* engine) {
  return engine && engine->ui ? static_cast<HWND>(engine->ui->tip.window) : nullptr;
}

}  // namespace

void EnsureStatusWindow(EngineInstance* engine) { CreateStatusBar(engine); }

void ShowStatusWindow(EngineInstance* engine) {
  if (HWND window = StatusWindowOf(engine)) ShowStatusWindow(window);
}

void HideStatusWindow(EngineInstance* engine) {
  if (HWND window = StatusWindowOf(engine)) ShowWindow(window, SW_HIDE);
}

void RefreshStatusWindow(EngineInstance* engine) {
  if (HWND window = StatusWindowOf(engine)) {
    LayoutStatusWindow(engine);
    ShowStatusWindow(window);
  }
}

void DestroyStatusWindow(EngineInstance* engine) {
  if (HWND window = StatusWindowOf(engine)) DestroyWindow(window);
}

void ShowSoftKeyboardWindow(EngineInstance* engine) { ShowSoftKeyboard(engine); }

void HideSoftKeyboardWindow(EngineInstance* engine) {
  if (engine && engine->ui && engine->ui->soft_keyboard.window) {
    ShowWindow(static_cast<HWND>(engine->ui->soft_keyboard.window), SW_HIDE);
  }
}

void DestroySoftKeyboardWindow(EngineInstance* engine) {
  if (engine && engine->ui && engine->ui->soft_keyboard.window) {
    DestroyWindow(static_cast<HWND>(engine->ui->soft_keyboard.window));
  }
}

bool SoftKeyboardLayoutSelected(const EngineInstance* engine) {
  return engine && engine->ui && (engine->mode & mode::kSoftKeyboard) && engine->ui->soft_keyboard.layout >= 1 &&
         engine->ui->soft_keyboard.layout <= kSoftKeyboardLayouts;
}

void ShowTip(EngineInstance* engine, int x, int y, int type, const char16_t* text) {
  ShowTipWindow(type, engine, x, y, text);
}

void HideTipWindow(EngineInstance* engine) {
  if (HWND window = TipWindowOf(engine)) ShowWindow(window, SW_HIDE);
}

void DestroyTipWindow(EngineInstance* engine) {
  if (HWND window = TipWindowOf(engine)) {
    ShowWindow(window, SW_HIDE);
    DestroyWindow(window);
  }
}



void BeginCandidateUIElement(EngineInstance*) {}
void UpdateCandidateUIElement(EngineInstance*) {}
void EndCandidateUIElement(EngineInstance*) {}

}  // namespace lz
