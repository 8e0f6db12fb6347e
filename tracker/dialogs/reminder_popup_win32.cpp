#include "tracker/dialogs/reminder_popup_win32.h"

#include <utility>

#include "platform/os/local_clock.h"
#include "tracker/main/numeric_value.h"

namespace tracker {
namespace {

constexpr double kWidth = 5800;
constexpr double kHeight = 3000;
// Where the window goes on top before its stored place applies, in pixels.
constexpr int kTopmostLeft = 425;
constexpr int kTopmostTop = 310;
constexpr int kLabelPoints = 1425;  // 14.25 points, in hundredths

}  // namespace

ReminderPopup::ReminderPopup(ReminderPopupEnvironment environment)
    : forms::Form(u"Tip", 0, 0, kWidth, kHeight), environment_(std::move(environment)) {}

ReminderPopup::~ReminderPopup() {
  if (label_font_) DeleteObject(label_font_);
}

void ReminderPopup::OnLoad() {
  const ReminderRecord& record = environment_.table->slot(slot_);
  label_ = &AddLabel(u"", 240, 240, kWidth - 600, 1500);
  // The text as written: no "&" turns into an underlined letter.
  SetWindowLongPtrW(label_->hwnd(), GWL_STYLE, GetWindowLongPtrW(label_->hwnd(), GWL_STYLE) | SS_NOPREFIX);
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(kLabelPoints, GetDeviceCaps(screen, LOGPIXELSY), 7200);
  ReleaseDC(nullptr, screen);
  label_font_ = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Times New Roman");
  SendMessageW(label_->hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(label_font_), TRUE);

  ok_ = &AddButton(u"&OK, I see", 240, 1900, 1800, 420);
  again_ = &AddButton(RemindAgainCaption(record), 2200, 1900, kWidth - 2700, 420);
  ok_->on_click = [this] { Acknowledge(); };
  again_->on_click = [this] { PutOff(); };
  SetDefaultButton(ok_);
  SetCancelButton(ok_);

  const LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE);
  SetWindowLongPtrW(hwnd(), GWL_STYLE, style & ~(WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  SetWindowPos(hwnd(), HWND_TOPMOST, kTopmostLeft, kTopmostTop, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  const SettingTexts& texts = *environment_.texts;
  SetGeometry(NumericValue(texts[kTipLeft]), NumericValue(texts[kTipTop]), kWidth, kHeight);
  label_->SetText(record.TipText);
  const os::ClockReading now = os::ReadClock();
  forms::SetWindowText16(hwnd(), ReminderPopupCaption(now.local, os::FormatNamed(now.local, os::NamedFormat::kShortTime)));
}

void ReminderPopup::ShowSlot(int slot, HWND owner) {
  slot_ = slot;
  if (loaded()) {
    // Shown again after a put-off: the caption stays that of the first showing; the texts are this slot's.
    const ReminderRecord& record = environment_.table->slot(slot_);
    label_->SetText(record.TipText);
    again_->SetText(RemindAgainCaption(record));
  }
  ShowModal(owner);
}

void ReminderPopup::Acknowledge() {
  if (!loaded()) return;
  SettingTexts& texts = *environment_.texts;
  texts[kTipLeft] = NumberText(Left());
  texts[kTipTop] = NumberText(Top());
  AcknowledgeReminder(slot_, *environment_.table, *environment_.edit_table, *environment_.counts);
  Unload();
}

void ReminderPopup::PutOff() {
  Hide();
  RemindAgain(slot_, *environment_.counts);
}

}  // namespace tracker
