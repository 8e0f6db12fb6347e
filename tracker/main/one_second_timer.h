#pragma once
// The main window's one-second timer as a function of a clock reading: the tip, the clock, counter and
// count-down texts, the captions and the date line; the work of a new day; due reminders with their
// sound and pop-up; the chime; the armed shutdown. The window calls Tick with the system's clock every
// second and carries out what the effects ask; tests call it with readings of their own.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/os/local_clock.h"
#include "tracker/dialogs/options_model.h"
#include "tracker/dialogs/reminder_popup_model.h"
#include "tracker/main/activity_counter.h"
#include "tracker/main/clock_modes.h"
#include "tracker/main/reminder_table.h"

namespace tracker {

// What the window shows after a tick's display steps.
struct TickDisplay {
  std::u16string tip;                          // the notification-area tip, at most kTrayTipLength characters
  std::u16string caption;                      // the main window's caption
  std::optional<std::u16string> memo_caption;  // every 30 seconds: the memo's base caption and the time
  std::optional<std::u16string> start_box;     // Text1, while a count runs
  std::u16string clock_box;                    // Text2
  std::optional<std::u16string> pass_box;      // Text3, while a count runs
  std::optional<std::u16string> inverse_box;   // Text4, while a count-down runs and once at its end
  std::u16string date_line;                    // Label4 and the status bar's first panel
  bool nested = false;                         // a pop-up of an earlier tick is still open
};

// What the window reads of itself at each tick.
struct TickInputs {
  const ActivityCounter* counter = nullptr;  // null or idle: not counting
  ClockModeState mode;
  std::u16string pass_box;           // Text3 as the last tick or the counter left it
  std::u16string inverse_box;        // Text4 as the last tick left it
  std::u16string chime_interval;     // the options' interval box, read live
  std::u16string memo_caption_base;  // the memo's `tempMemoCaption`
};

// What a tick asks of the window, in the order it asks.
class TickEffects {
 public:
  virtual ~TickEffects() = default;
  virtual void Display(const TickDisplay& display) = 0;
  virtual void PlayAlarm() = 0;
  // The pop-up of slot, modal: returns once it is acknowledged or put off. Ticks may arrive meanwhile.
  virtual void ShowReminder(int slot, const std::u16string& label, const std::u16string& again_caption) = 0;
  virtual void PowerOff() = 0;
};

// The state the timer shares with the main window and the dialogs.
struct TimerBinding {
  ReminderTable* table = nullptr;
  ReminderTable* edit_table = nullptr;  // the editor's working copy: re-armed with the live table
  ReminderRepeatCounts* counts = nullptr;
  const int* intListview1 = nullptr;
  const bool* blSettime = nullptr;
  OptionsMembers* members = nullptr;  // autoShutoff; AutoSound in its texts
  const double* shutdown_due = nullptr;  // the absolute moment an armed shutdown is due
};

// "&" shows as an underlined letter in a label: the first one is doubled, later ones stay single.
std::u16string ReminderLabelText(const std::u16string& tip_text);

// The tip for the notification area: "Pendulo - " with the pass and count-down texts when they run,
// the long time, and the weekday and long date; cut to kTrayTipLength.
std::u16string TimerTip(const std::u16string& long_time, const std::u16string& weekday_text,
                        const std::u16string& long_date, const std::u16string* pass, const std::u16string* inverse);

// Whether slot of the table is due at the reading (seconds after midnight and today's date):
// its effective time has come, it is not shown, the editor is closed, its date has come and its
// frequency's day rule holds. today_day_number is DayNumber of today, weekday_text today's " Monday".
bool IsReminderDue(const ReminderRecord& record, int repeat_count, bool editor_open, double seconds_after_midnight,
                   const os::LocalDateTime& today, std::int64_t today_day_number, const std::u16string& weekday_text);

// A chime interval of the options' box in seconds; 0 (no chime) when it reads below one minute.
std::int64_t ChimePeriodSeconds(const std::u16string& interval_text);

class OneSecondTimer {
 public:
  // start: the start-up reading, which gives the first day and weekday.
  OneSecondTimer(TimerBinding binding, const os::LocalDateTime& start);

  void Tick(const os::ClockReading& now, const TickInputs& inputs, TickEffects& effects);

  // The reminder editor's Add of a delay: the count-down shows `seconds` − 1 at the next tick and ends
  // at the absolute moment now + seconds − 1, whatever ticks are missed on the way.
  void StartCountdown(const os::ClockReading& now, std::int64_t seconds);
  bool countdown_running() const { return inverse_running_; }
  std::int64_t intInverse() const { return inverse_; }

  const std::u16string& weekday_text() const { return weekday_; }
  std::int64_t intDate() const { return day_; }

 private:
  void NewDay(const os::LocalDateTime& local);
  void Reminders(TickEffects& effects);
  bool ChimeDue(long long whole_clock, const std::u16string& interval_text);

  TimerBinding binding_;
  std::u16string weekday_;
  std::int64_t day_ = 0;
  bool inverse_running_ = false;
  std::int64_t inverse_ = 0;
  double inverse_end_ = 0;  // absolute whole second
  std::optional<long long> last_chime_check_;  // whole clock of the last tick that looked at the chime
  os::ClockReading latest_;
  int depth_ = 0;           // ticks running: more than one while a pop-up of an earlier tick is open
};

}  // namespace tracker
