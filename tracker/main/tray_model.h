#pragma once
// The notification-area icon's decisions as data: its tip, and what each mouse message of the icon
// asks the main window to do.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tracker {

// The icon's callback message (WM_USER + 100) and the icon's identifier.
inline constexpr unsigned kTrayCallbackMessage = 1124;
inline constexpr unsigned kTrayIconId = 1;
// The tip holds at most this many characters before its terminator.
inline constexpr std::size_t kTrayTipLength = 63;

// "Pendulo -" + weekday text (" Monday") + "," + long date, cut to kTrayTipLength.
std::u16string TrayTip(const std::u16string& weekday_text, const std::u16string& long_date);

enum class TrayAction { kNothing, kShowWindow, kOpenMenu, kShowReminderEditor };

// lparam: the icon's mouse message. A right double-click opens the reminder editor only once the
// program has one.
TrayAction ActionForTrayMessage(std::uintptr_t lparam, bool reminder_editor_exists);

}  // namespace tracker
