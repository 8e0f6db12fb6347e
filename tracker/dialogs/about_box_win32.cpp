#include "tracker/dialogs/about_box_win32.h"

namespace tracker {
namespace {

constexpr double kWidth = 5400;
constexpr double kHeight = 2700;

}  // namespace

AboutBox::AboutBox() : forms::Form(u"About Pendulo", 3000, 3000, kWidth, kHeight) {}

void AboutBox::OnLoad() {
  forms::Label& icon = AddLabel(u"", 240, 240, 480, 480);
  SetWindowLongPtrW(icon.hwnd(), GWL_STYLE, GetWindowLongPtrW(icon.hwnd(), GWL_STYLE) | SS_ICON);
  HICON program_icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  if (!program_icon) program_icon = LoadIconW(nullptr, IDI_APPLICATION);
  SendMessageW(icon.hwnd(), STM_SETICON, reinterpret_cast<WPARAM>(program_icon), 0);
  title_ = &AddLabel(kAboutTitle, 960, 240, kWidth - 1300, 300);
  AddLabel(u"Counts working time, keeps a memo and reminds you on time.", 960, 660, kWidth - 1300, 600);
  ok_ = &AddButton(u"OK", kWidth - 1700, kHeight - 1200, 1200, 400);
  ok_->on_click = [this] { Hide(); };
  SetDefaultButton(ok_);
  SetCancelButton(ok_);
  // A fixed frame without minimise and maximise buttons.
  const LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE);
  SetWindowLongPtrW(hwnd(), GWL_STYLE, style & ~(WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

}  // namespace tracker
