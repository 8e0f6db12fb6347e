#include "textservice/ui/ui_manager.h"

namespace lz {
namespace {

// Each window's procedure; DefWindowProcW stands in until the window itself exists.
constexpr WNDPROC kSkinWindowProcedures[kSkinWindowClassCount] = {DefWindowProcW, DefWindowProcW, DefWindowProcW,
                                                                  DefWindowProcW, DefWindowProcW};

// Per-window storage that the windows keep beside GWLP_USERDATA.
constexpr int kSkinWindowExtraBytes = 12;

}  // namespace

int RegisterSkinClasses(HINSTANCE module) {
  for (int i = 0; i < kSkinWindowClassCount; ++i) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_IME | CS_VREDRAW | CS_HREDRAW;
    window_class.lpfnWndProc = kSkinWindowProcedures[i];
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

void ShowCandidateWindow(EngineInstance*) {}
void HideCandidateWindow(EngineInstance*) {}
void UpdateCandidateWindow(EngineInstance*, bool) {}
void MoveCandidateWindow(EngineInstance*, const RECT&) {}
void DestroyCandidateWindow(EngineInstance*) {}

void EnsureStatusWindow(EngineInstance*) {}
void ShowStatusWindow(EngineInstance*) {}
void HideStatusWindow(EngineInstance*) {}
void RefreshStatusWindow(EngineInstance*) {}
void DestroyStatusWindow(EngineInstance*) {}

void ShowSoftKeyboardWindow(EngineInstance*) {}
void HideSoftKeyboardWindow(EngineInstance*) {}
void DestroySoftKeyboardWindow(EngineInstance*) {}
bool SoftKeyboardLayoutSelected(const EngineInstance*) { return false; }

void ShowTip(EngineInstance*, int, int, int, const char16_t*) {}
void HideTipWindow(EngineInstance*) {}
void DestroyTipWindow(EngineInstance*) {}

void ShowDictionaryFor(EngineInstance*, int) {}
void ScheduleDictionaryClose(EngineInstance*) {}
void DestroyDictionaryWindow(EngineInstance*) {}

void TrackMainMenu(EngineInstance*, HWND, POINT) {}

void BeginCandidateUIElement(EngineInstance*) {}
void UpdateCandidateUIElement(EngineInstance*) {}
void EndCandidateUIElement(EngineInstance*) {}

}  // namespace lz
