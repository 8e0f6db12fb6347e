#include "tracker/main/one_second_timer.h"

#include <algorithm>
#include <cmath>

#include "tracker/main/numeric_value.h"
#include "tracker/main/reminder_dates.h"
#include "tracker/main/shutdown_time.h"
#include "tracker/main/startup.h"
#include "tracker/main/tray_model.h"

namespace tracker {
namespace {

constexpr long long kSecondsPerDay = 86400;
constexpr long long kLastSecondOfDay = 86399;
constexpr long long kMemoCaptionPeriod = 30;
constexpr std::int64_t kLongestChimeMinutes = 1440;  // a longer interval chimes at midnight alone, as a day does

constexpr const char16_t* kMonths[] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                       u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};

long long FloorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

std::int64_t TodayNumber(const os::LocalDateTime& t) { return DayNumber(t.year, t.month, t.day); }

std::u16string_view Mid(std::u16string_view text, std::size_t from, std::size_t count) {
  if (from >= text.size()) return {};
  return text.substr(from, count);
}

// A due time past midnight belongs to the new day.
void LowerPastMidnight(ReminderRecord& record) {
  const double due = NumericValue(record.DueSeconds);
  if (RoundHalfEven(due) > kLastSecondOfDay) record.DueSeconds = NumberText(due - kSecondsPerDay);
}

}  // namespace

std::u16string ReminderLabelText(const std::u16string& tip_text) {
  std::u16string text = tip_text;
  const auto amp = text.find(u'&');
  if (amp != std::u16string::npos) text.insert(amp, 1, u'&');
  return text;
}

std::u16string TimerTip(const std::u16string& long_time, const std::u16string& weekday_text,
                        const std::u16string& long_date, const std::u16string* pass, const std::u16string* inverse) {
  std::u16string tip = u"Pendulo - ";
  if (pass) tip += u"Pass " + *pass + u"  ";
  if (inverse) tip += u"Inverse " + *inverse + u"  ";
  tip += long_time;
  tip += LongDateNamesWeekday(weekday_text, long_date) ? u" " + long_date : weekday_text + u", " + long_date;
  if (tip.size() > kTrayTipLength) tip.resize(kTrayTipLength);
  return tip;
}

bool IsReminderDue(const ReminderRecord& record, int repeat_count, bool editor_open, double seconds_after_midnight,
                   const os::LocalDateTime& today, std::int64_t today_day_number, const std::u16string& weekday_text) {
  const double put_off = static_cast<double>(RepeatMinutesOf(record)) * 60.0 * repeat_count;
  if (std::floor(seconds_after_midnight) < static_cast<double>(RoundHalfEven(NumericValue(record.DueSeconds) + put_off))) return false;
  if (record.Shown != 0 || editor_open) return false;
  if (CompareReminderDate(record.TipDate, today_day_number) != 1) return false;
  const std::u16string_view date = record.TipDate;
  const std::u16string day = TwoDigits(today.day);
  if (record.Frequency == u"Weekly") {
    const std::u16string_view last3 = date.size() >= 3 ? date.substr(date.size() - 3) : date;
    if (Mid(weekday_text, 0, 4) != u" " + std::u16string(last3)) return false;
  }
  if (record.Frequency == u"Yearly") {
    if (Mid(date, 3, 2) != day || Mid(date, 0, 3) != kMonths[(today.month + 11) % 12]) return false;
  }
  if (record.Frequency == u"Monthly" && Mid(date, 3, 2) != day) return false;
  return true;
}

std::int64_t ChimePeriodSeconds(const std::u16string& interval_text) {
  const double minutes = std::floor(NumericValue(interval_text));
  if (!(minutes >= 1)) return 0;
  return static_cast<std::int64_t>(std::min<double>(minutes, kLongestChimeMinutes)) * 60;
}

OneSecondTimer::OneSecondTimer(TimerBinding binding, const os::LocalDateTime& start)
    : binding_(binding), weekday_(WeekdayText(start.weekday)), day_(TodayNumber(start)) {}

void OneSecondTimer::StartCountdown(const os::ClockReading& now, std::int64_t seconds) {
  inverse_ = seconds - 1;
  inverse_end_ = std::floor(now.absolute) + static_cast<double>(seconds - 1);
  inverse_running_ = true;
}

void OneSecondTimer::NewDay(const os::LocalDateTime& local) {
  const std::int64_t today = TodayNumber(local);
  const bool later = today > day_;
  day_ = today;
  weekday_ = WeekdayText(local.weekday);
  for (int slot = 1; slot <= kReminderSlots; ++slot) {
    for (ReminderTable* table : {binding_.table, binding_.edit_table}) {
      if (!table) continue;
      ReminderRecord& record = table->slot(slot);
      if (later) LowerPastMidnight(record);
      // A repeating reminder the user acknowledged yesterday comes again today, as after a start.
      if (IsRepeating(record.Frequency)) record.Shown = 0;
    }
    if (binding_.counts && binding_.table && IsRepeating(binding_.table->slot(slot).Frequency)) {
      binding_.counts->of(slot) = 0;
    }
  }
}

bool OneSecondTimer::ChimeDue(long long whole_clock, const std::u16string& interval_text) {
  const std::optional<long long> last = last_chime_check_;
  last_chime_check_ = whole_clock;
  const long long period = ChimePeriodSeconds(interval_text);
  if (period == 0) return false;
  if (!last) return whole_clock % period == 0;
  long long previous = *last;
  if (previous > whole_clock) previous -= kSecondsPerDay;  // the day turned since
  // A tick that came late still chimes for a mark it passed.
  return FloorDiv(whole_clock, period) != FloorDiv(previous, period);
}

void OneSecondTimer::Reminders(TickEffects& effects) {
  if (!binding_.table || !binding_.intListview1) return;
  const int bound = std::clamp(*binding_.intListview1, 0, kReminderSlots);
  for (int slot = 1; slot <= bound; ++slot) {
    // The clock as the latest tick read it: a pop-up of an earlier slot may have been open a while.
    const os::ClockReading& now = latest_;
    const double clock = os::SecondsAfterMidnight(now.local);
    const ReminderRecord& record = binding_.table->slot(slot);
    const int count = binding_.counts ? binding_.counts->of(slot) : 0;
    const bool editor_open = binding_.blSettime && *binding_.blSettime;
    if (!IsReminderDue(record, count, editor_open, clock, now.local, day_, weekday_)) continue;
    const std::u16string label = ReminderLabelText(record.TipText);
    const std::u16string again = RemindAgainCaption(record);
    if (IsFlagSet(record.SoundOn)) effects.PlayAlarm();
    effects.ShowReminder(slot, label, again);
  }
}

void OneSecondTimer::Tick(const os::ClockReading& now, const TickInputs& inputs, TickEffects& effects) {
  struct Depth {
    int& d;
    explicit Depth(int& depth) : d(depth) { ++d; }
    ~Depth() { --d; }
  } depth(depth_);
  const bool nested = depth_ > 1;
  latest_ = now;
  const os::LocalDateTime& local = now.local;
  // The new day's work touches the reminders, so it waits, like them, for a tick no pop-up holds up.
  if (!nested && TodayNumber(local) != day_) NewDay(local);

  const long long whole = RoundHalfEven(os::SecondsAfterMidnight(local));
  const bool counting = inputs.counter && inputs.counter->blstart();
  const std::u16string long_time = os::FormatNamed(local, os::NamedFormat::kLongTime);
  const std::u16string long_date = os::FormatNamed(local, os::NamedFormat::kLongDate);

  TickDisplay display;
  display.nested = nested;
  display.tip = TimerTip(long_time, weekday_, long_date, counting ? &inputs.pass_box : nullptr,
                         inverse_running_ ? &inputs.inverse_box : nullptr);
  if (whole % kMemoCaptionPeriod == 0) {
    display.memo_caption = inputs.memo_caption_base + u" " + os::FormatNamed(local, os::NamedFormat::kShortTime);
  }
  display.clock_box = os::FormatNamed(local, ClockFormat(inputs.mode));
  if (counting) {
    display.start_box = inputs.counter->start_text();
    display.pass_box = ElapsedText(inputs.counter->ElapsedSeconds(now.absolute), inputs.mode);
    display.caption = u" Pendulo - [ Pass " + *display.pass_box + u" ] ";
  } else {
    display.caption = u" Pendulo - [ Current Time " + display.clock_box + (inputs.mode.blAccurate ? u"] " : u" ] ");
  }
  display.date_line = DateLine(weekday_, long_date);
  if (inverse_running_) {
    // The box shows what the last tick left; the next value comes from the end moment, so a missed
    // second or a midnight on the way changes nothing, and the last text is always the one of 0.
    display.inverse_box = CountdownText(inverse_, inputs.mode);
    if (inverse_ <= 0) {
      inverse_running_ = false;
    } else {
      inverse_ = std::max<std::int64_t>(0, static_cast<std::int64_t>(inverse_end_ - std::floor(now.absolute)));
    }
  }
  effects.Display(display);
  if (nested) return;

  Reminders(effects);

  // Ticks that came while a pop-up was open moved the clock on; the chime and the shutdown waited for
  // them and act on the latest reading.
  const os::ClockReading after = latest_;
  OptionsMembers* members = binding_.members;
  const bool chime_on = members && members->texts && IsFlagSet((*members->texts)[kAutoSound]);
  const long long whole_after = RoundHalfEven(os::SecondsAfterMidnight(after.local));
  if (ChimeDue(whole_after, inputs.chime_interval) && chime_on) effects.PlayAlarm();

  if (members && binding_.shutdown_due && IsFlagSet(members->autoShutoff) &&
      after.absolute >= *binding_.shutdown_due) {
    // Disarmed first, so the request is made once.
    members->autoShutoff = u"0";
    effects.PowerOff();
  }
}

}  // namespace tracker
