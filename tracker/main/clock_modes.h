#pragma once
// The clock's three display modes and the texts that depend on them: elapsed time, count-down and the
// pause note. Also the date tool (the date 180 days on).
#include <cstdint>
#include <string>

#include "platform/os/local_clock.h"

namespace tracker {

enum class ClockMode { kStandard, kNormal, kAccurate };

// The mode as the rest of the window reads it: `intTimeMode` 2 Standard, -1 Normal, 0 Accurate, and
// `blAccurate` in Accurate Time; which of the three menu items carries the check.
struct ClockModeState {
  int intTimeMode = 2;
  bool blAccurate = false;
  bool standard_checked = false;
  bool normal_checked = false;
  bool accurate_checked = false;
};

ClockModeState ChooseClockMode(ClockMode mode);
// "long time" in Accurate Time, "short time" otherwise.
os::NamedFormat ClockFormat(const ClockModeState& mode);

// The elapsed-time box: words in Normal Time, "h:mm" in Standard Time, "h:mm:ss" in Accurate Time.
std::u16string ElapsedText(std::int64_t seconds, const ClockModeState& mode);
// The count-down box for I seconds left.
std::u16string CountdownText(std::int64_t seconds, const ClockModeState& mode);
// The note that Stop puts before the remark for P paused seconds (P > 0).
std::u16string PauseNote(std::int64_t paused_seconds, const ClockModeState& mode, const std::u16string& remark);

// The date tool's message: "The date after 180 days is : " + short date + " " + weekday text + "  ".
std::u16string DateAfter180DaysMessage(const os::LocalDateTime& today);
// The local date of a DayNumber (time of day 0).
os::LocalDateTime DateOfDayNumber(std::int64_t day_number);

// The settings program that "Adjust Date and Time" starts.
inline constexpr char16_t kDateTimeSettingsProgram[] = u"rundll32.exe";
inline constexpr char16_t kDateTimeSettingsParameters[] = u"shell32.dll,Control_RunDLL timedate.cpl";

}  // namespace tracker
