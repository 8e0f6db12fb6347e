#include "tracker/main/activity_counter.h"

#include "tracker/main/numeric_value.h"

namespace tracker {

bool ActivityCounter::Start(double now, const std::u16string& start_text, const ClockModeState& mode) {
  if (running_) return false;
  running_ = true;
  paused_ = false;
  start_ = now;
  pause_total_ = 0;
  start_text_ = start_text;
  elapsed_text_ = ElapsedText(0, mode);
  status_ = u"Start...";
  return true;
}

bool ActivityCounter::PauseOrContinue(double now) {
  if (!running_) return false;
  if (!paused_) {
    paused_ = true;
    pause_start_ = now;
    status_ = u"Pause";
  } else {
    paused_ = false;
    pause_total_ += RoundHalfEven(now - pause_start_);
    status_ = u"Continue...";
  }
  return true;
}

std::int64_t ActivityCounter::ElapsedSeconds(double now) const {
  if (!running_) return 0;
  const double until = paused_ ? pause_start_ : now;
  const long long seconds = RoundHalfEven(until - start_) - pause_total_;
  return seconds > 0 ? seconds : 0;
}

std::optional<StoppedRow> ActivityCounter::Stop(double now, const StopInputs& inputs, const ClockModeState& mode) {
  if (!running_ || paused_) return std::nullopt;
  StoppedRow row;
  row.start = start_text_;
  row.stop = inputs.clock_text;
  row.content = inputs.activity;
  row.pass = ElapsedText(ElapsedSeconds(now), mode);
  row.remark = pause_total_ != 0 ? PauseNote(pause_total_, mode, inputs.remark) : inputs.remark;
  row.record_date = inputs.short_date;
  row.weekday = NumberText(inputs.weekday);
  row.rate = inputs.rate;
  running_ = false;
  pause_total_ = 0;
  start_text_.clear();
  elapsed_text_.clear();
  status_ = u"Stop";
  return row;
}

CounterCommands ActivityCounter::commands() const {
  CounterCommands c;
  if (!running_) return c;
  c.start = false;
  c.records = false;
  c.pause = true;
  c.stop = !paused_;
  if (paused_) {
    c.pause_caption = u"Contin&ue";
    c.pause_tip = u"Continue";
    c.pause_pressed = true;
  }
  return c;
}

}  // namespace tracker
