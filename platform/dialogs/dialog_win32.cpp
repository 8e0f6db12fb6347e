#include "platform/dialogs/dialog_win32.h"

namespace lz::dialogs {
namespace {

thread_local PreTranslateHook t_hook = nullptr;
thread_local void* t_hook_context = nullptr;

}  // namespace

void SetPreTranslateHook(PreTranslateHook hook, void* context) {
  t_hook = hook;
  t_hook_context = context;
}

Dialog::~Dialog() { Destroy(); }

void Dialog::Destroy() {
  if (window_ && IsWindow(window_)) DestroyWindow(window_);
  window_ = nullptr;
}

bool Dialog::OnCommand(int id, int, HWND) {
  if (id == IDOK) {
    OnOk();
    return true;
  }
  if (id == IDCANCEL) {
    OnCancel();
    return true;
  }
  return false;
}

bool Dialog::OnNotify(const NMHDR&, LRESULT&) { return false; }
bool Dialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

void Dialog::End(INT_PTR result) {
  result_ = result;
  ended_ = true;
  // A modal run ended from a sent message (another thread's) would otherwise wait in GetMessage for
  // something to be posted before it sees that it has ended.
  if (modal_ && window_) PostMessageW(window_, WM_NULL, 0, 0);
  if (!modal_) Destroy();
}

HWND Dialog::CreateChild(HWND parent) {
  modal_ = false;
  ended_ = false;
  CreateDialogParamW(module_, MAKEINTRESOURCEW(template_id_), parent, Procedure, reinterpret_cast<LPARAM>(this));
  return window_;
}

INT_PTR Dialog::RunModal(HWND owner) {
  modal_ = true;
  ended_ = false;
  result_ = -1;
  const bool owner_was_enabled = owner && IsWindowEnabled(owner);
  if (!CreateDialogParamW(module_, MAKEINTRESOURCEW(template_id_), owner, Procedure, reinterpret_cast<LPARAM>(this))) {
    modal_ = false;
    return -1;
  }
  if (owner_was_enabled) EnableWindow(owner, FALSE);
  if (!ended_) ShowWindow(window_, SW_SHOW);
  MSG message;
  bool quit = false;
  int quit_code = 0;
  while (!ended_) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      quit = got == 0;
      quit_code = static_cast<int>(message.wParam);
      break;
    }
    if (t_hook && t_hook(message, t_hook_context)) continue;
    if (window_ && IsDialogMessageW(window_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (owner_was_enabled) EnableWindow(owner, TRUE);
  Destroy();
  modal_ = false;
  // A quit that ended the loop belongs to the loop outside.
  if (quit) PostQuitMessage(quit_code);
  return result_;
}

INT_PTR CALLBACK Dialog::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Dialog*>(lparam);
    SetWindowLongPtrW(window, DWLP_USER, lparam);
    self->window_ = window;
    return self->OnInitDialog();
  }
  auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (!self) return FALSE;
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, DWLP_USER, 0);
    if (self->window_ == window) self->window_ = nullptr;
    return FALSE;
  }
  return self->Handle(message, wparam, lparam);
}

INT_PTR Dialog::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  switch (message) {
    case WM_COMMAND:
      return OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam)) ? TRUE : FALSE;
    case WM_NOTIFY:
      if (!lparam || !OnNotify(*reinterpret_cast<const NMHDR*>(lparam), result)) return FALSE;
      SetWindowLongPtrW(window_, DWLP_MSGRESULT, result);
      return TRUE;
    case WM_DESTROY:
      OnDestroy();
      return FALSE;
    default:
      if (!OnMessage(message, wparam, lparam, result)) return FALSE;
      SetWindowLongPtrW(window_, DWLP_MSGRESULT, result);
      return TRUE;
  }
}

void PlaceOverFrame(HWND page, HWND frame) {
  RECT box{};
  GetWindowRect(frame, &box);
  MapWindowPoints(nullptr, GetParent(frame), reinterpret_cast<POINT*>(&box), 2);
  SetWindowPos(page, HWND_TOP, box.left, box.top, box.right - box.left, box.bottom - box.top, SWP_SHOWWINDOW);
  InvalidateRect(page, nullptr, TRUE);
  UpdateWindow(page);
}

}  // namespace lz::dialogs
