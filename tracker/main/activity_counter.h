#pragma once
// The start/pause/stop counter of the main window as a state machine over absolute seconds, so that a
// count or a pause over midnight is measured right.
#include <cstdint>
#include <optional>
#include <string>

#include "tracker/main/clock_modes.h"

namespace tracker {

// Which commands the state allows, and how the pause command shows itself.
struct CounterCommands {
  bool start = true;    // menu `open`, toolbar "start"
  bool stop = false;    // menu `stop`
  bool pause = false;   // menu `pause`
  bool records = true;  // the record commands (save, modify, delete, delete all, save to memo)
  std::u16string pause_caption = u"Pa&use";
  std::u16string pause_tip = u"Pause";
  bool pause_pressed = false;
};

// What Stop writes into the row that Start appended.
struct StopInputs {
  std::u16string clock_text;  // the clock box as shown
  std::u16string activity;    // the content box
  std::u16string remark;      // the remark box
  std::u16string rate;        // the hourly-rate box
  std::u16string short_date;  // today in the short date form
  int weekday = 0;            // 0 Sunday to 6 Saturday
};

struct StoppedRow {
  std::u16string start;
  std::u16string stop;
  std::u16string content;
  std::u16string pass;
  std::u16string remark;
  std::u16string record_date;
  std::u16string weekday;
  std::u16string rate;
};

class ActivityCounter {
 public:
  // Start: ignored while a count runs. start_text is the time as shown.
  bool Start(double now, const std::u16string& start_text, const ClockModeState& mode);
  // Pause, or Continue when paused; ignored while idle.
  bool PauseOrContinue(double now);
  // Stop: ignored while idle or paused (a paused count must be continued first). The elapsed time is the
  // one of this moment, not of the last tick.
  std::optional<StoppedRow> Stop(double now, const StopInputs& inputs, const ClockModeState& mode);

  // Seconds counted so far, pauses left out (a running pause stands the count still).
  std::int64_t ElapsedSeconds(double now) const;
  std::int64_t PausedSeconds() const { return pause_total_; }

  bool blstart() const { return running_; }
  bool blPaused() const { return paused_; }
  bool blNotStarted() const { return !running_; }
  bool blRecordStarted() const { return running_; }
  const std::u16string& start_text() const { return start_text_; }
  const std::u16string& elapsed_text() const { return elapsed_text_; }
  // The status bar's second panel after the last command ("Start...", "Pause", "Continue...", "Stop").
  const std::u16string& status() const { return status_; }
  CounterCommands commands() const;

 private:
  bool running_ = false;
  bool paused_ = false;
  double start_ = 0;
  double pause_start_ = 0;
  std::int64_t pause_total_ = 0;
  std::u16string start_text_;
  std::u16string elapsed_text_;
  std::u16string status_;
};

}  // namespace tracker
