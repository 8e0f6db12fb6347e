#pragma once
// Our own small dialog layer where the design calls for MFC: a dialog over a template of a module's
// resources with member handlers, a modal loop of its own that offers every message to a pre-translate
// hook before IsDialogMessage, and pages placed over a frame control of their parent.
#include <windows.h>

namespace lz::dialogs {

class Dialog {
 public:
  Dialog(HINSTANCE module, int template_id) : module_(module), template_id_(template_id) {}
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog modally (owner disabled meanwhile) and returns the code given to End; -1 when the
  // dialog could not be made.
  INT_PTR RunModal(HWND owner);
  // Makes the dialog as a hidden modeless child of parent (a page); null on failure.
  HWND CreateChild(HWND parent);
  // Ends a modal run with result; destroys a modeless dialog.
  void End(INT_PTR result);
  void Destroy();

  HWND window() const { return window_; }
  HWND Item(int id) const { return GetDlgItem(window_, id); }

 protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  // true when handled.
  virtual bool OnCommand(int id, int code, HWND control);
  virtual bool OnNotify(const NMHDR& header, LRESULT& result);
  // Any other message; true when handled, with the answer in result.
  virtual bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);
  virtual void OnOk() { End(IDOK); }
  virtual void OnCancel() { End(IDCANCEL); }
  virtual void OnDestroy() {}

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam);

  HINSTANCE module_;
  int template_id_;
  HWND window_ = nullptr;
  bool modal_ = false;
  bool ended_ = false;
  INT_PTR result_ = 0;
};

// Sees every message of a modal loop before IsDialogMessage; returning true eats it. One per thread.
using PreTranslateHook = bool (*)(MSG& message, void* context);
void SetPreTranslateHook(PreTranslateHook hook, void* context);

// Moves page over the frame control's rectangle (in the parent's client coordinates) and shows it.
void PlaceOverFrame(HWND page, HWND frame);

}  // namespace lz::dialogs
