#include "tracker/main/tray_model.h"

namespace tracker {
namespace {

constexpr std::uintptr_t kLeftButtonUp = 0x202;
constexpr std::uintptr_t kLeftButtonDoubleClick = 0x203;
constexpr std::uintptr_t kRightButtonDown = 0x204;
constexpr std::uintptr_t kRightButtonDoubleClick = 0x206;

}  // namespace

std::u16string TrayTip(const std::u16string& weekday_text, const std::u16string& long_date) {
  std::u16string tip = u"Pendulo -" + weekday_text + u"," + long_date;
  if (tip.size() > kTrayTipLength) tip.resize(kTrayTipLength);
  return tip;
}

TrayAction ActionForTrayMessage(std::uintptr_t lparam, bool reminder_editor_exists) {
  switch (lparam) {
    case kLeftButtonUp:
    case kLeftButtonDoubleClick:
      return TrayAction::kShowWindow;
    case kRightButtonDown:
      return TrayAction::kOpenMenu;
    case kRightButtonDoubleClick:
      return reminder_editor_exists ? TrayAction::kShowReminderEditor : TrayAction::kNothing;
    default:
      return TrayAction::kNothing;
  }
}

}  // namespace tracker
