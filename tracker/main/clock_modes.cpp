#include "tracker/main/clock_modes.h"

#include "tracker/main/numeric_value.h"
#include "tracker/main/reminder_dates.h"

namespace tracker {
namespace {

std::u16string N(std::int64_t n) { return NumberText(static_cast<double>(n)); }
std::u16string Two(std::int64_t n) { return n < 10 ? u"0" + N(n) : N(n); }

}  // namespace

ClockModeState ChooseClockMode(ClockMode mode) {
  ClockModeState state;
  switch (mode) {
    case ClockMode::kStandard:
      state.intTimeMode = 2;
      state.standard_checked = true;
      break;
    case ClockMode::kNormal:
      state.intTimeMode = -1;
      state.normal_checked = true;
      break;
    case ClockMode::kAccurate:
      state.intTimeMode = 0;
      state.blAccurate = true;
      state.accurate_checked = true;
      break;
  }
  return state;
}

os::NamedFormat ClockFormat(const ClockModeState& mode) {
  return mode.blAccurate ? os::NamedFormat::kLongTime : os::NamedFormat::kShortTime;
}

std::u16string ElapsedText(std::int64_t seconds, const ClockModeState& mode) {
  if (seconds < 0) seconds = 0;
  const std::int64_t m = seconds / 60;
  const std::int64_t s = seconds % 60;
  if (mode.blAccurate) return N(m / 60) + u":" + Two(m % 60) + u":" + Two(s);
  if (mode.intTimeMode == 2) return N(m / 60) + u":" + Two(m % 60);
  if (m == 0) return u"0 Minute";
  if (m == 1) return u"1 Minute";
  if (m < 60) return N(m) + u" Minutes";
  if (m % 60 == 0) return m == 60 ? u"1 Hour" : N(m / 60) + u" Hours";
  if (m == 61) return u"1 Hour 1 munite";
  if (m > 120) return N(m / 60) + u" Hours " + N(m % 60) + u" Minutes";
  return N(m / 60) + u" Hour " + N(m % 60) + u" Minutes";
}

std::u16string CountdownText(std::int64_t i, const ClockModeState& mode) {
  if (i < 0) i = 0;
  if (mode.blAccurate) return N(i / 3600) + u":" + Two((i / 60) % 60) + u":" + Two(i % 60);
  if (mode.intTimeMode == 2) return SecondsToHoursMinutes(i);
  if (i >= 7320) return N(i / 3600) + u" Hours " + N((i % 3600) / 60) + u" Minutes";
  if (i > 7259) return u"2 Hours 1 Minute";
  if (i > 7199) return u"2 Hours";
  if (i > 3719) return u"1 Hour " + N((i - 3600) / 60) + u" Minutes";
  if (i > 3659) return u"1 Hour 1 Minute";
  if (i > 3599) return u"1 Hour";
  if (i < 120) return N(i / 60) + u" Minute";
  return N(i / 60) + u" Minutes";
}

std::u16string PauseNote(std::int64_t p, const ClockModeState& mode, const std::u16string& remark) {
  const std::int64_t h = p / 3600;
  const std::int64_t m = (p % 3600) / 60;
  std::u16string note;
  if (mode.blAccurate) {
    note = N(h) + u":" + Two(m) + u":" + Two(p % 60);
  } else if (mode.intTimeMode == 2) {
    note = SecondsToHoursMinutes(p);
  } else if (p < 120) {
    note = N(p / 60) + u" minute";
  } else if (p < 3600) {
    note = N(p / 60) + u" minutes";
  } else if (p >= 7320) {
    note = N(h) + u" hours " + N(m) + u" minutes";
  } else {
    note = N(h) + (h == 1 ? u" hour" : u" hours");
    if (m == 1) note += u" 1 minute";
    if (m > 1) note += u" " + N(m) + u" minutes";
  }
  return u"Pause " + note + u" " + remark;
}

os::LocalDateTime DateOfDayNumber(std::int64_t z) {
  const std::int64_t weekday_source = z;
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
  os::LocalDateTime t;
  t.year = static_cast<int>(yoe + era * 400 + (m <= 2));
  t.month = static_cast<int>(m);
  t.day = static_cast<int>(d);
  t.weekday = WeekdayOfDayNumber(weekday_source);
  return t;
}

std::u16string DateAfter180DaysMessage(const os::LocalDateTime& today) {
  const os::LocalDateTime later = DateOfDayNumber(DayNumber(today.year, today.month, today.day) + 180);
  return u"The date after 180 days is : " + os::FormatNamed(later, os::NamedFormat::kShortDate) + u" " +
         WeekdayText(later.weekday) + u"  ";
}

}  // namespace tracker
