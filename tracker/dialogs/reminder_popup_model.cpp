#include "tracker/dialogs/reminder_popup_model.h"

#include "tracker/main/numeric_value.h"
#include "tracker/main/reminder_dates.h"
#include "tracker/main/shutdown_time.h"

namespace tracker {
namespace {

std::u16string Digits(int value, int width) {
  std::u16string text = NumberText(value);
  while (static_cast<int>(text.size()) < width) text.insert(text.begin(), u'0');
  return text;
}

}  // namespace

std::u16string ReminderPopupCaption(const os::LocalDateTime& now, const std::u16string& short_time) {
  const std::u16string date = TwoDigits(now.month) + u"/" + TwoDigits(now.day) + u"/" + Digits(now.year, 4);
  return u"Tip - " + short_time + u"  " + date + u" " + WeekdayText(now.weekday);
}

std::u16string RemindAgainCaption(const ReminderRecord& slot) {
  return u" Show tip again after " + slot.RepeatMinutes + u" munite(s)";
}

int RepeatMinutesOf(const ReminderRecord& slot) {
  const double minutes = NumericValue(slot.RepeatMinutes);
  if (!(minutes >= 1)) return 1;
  if (minutes > kMostRepeats) return kMostRepeats;
  return static_cast<int>(RoundHalfEven(minutes));
}

void AcknowledgeReminder(int slot, ReminderTable& table, ReminderTable& edit_table, ReminderRepeatCounts& counts) {
  table.slot(slot).Shown = 1;
  edit_table.slot(slot).Shown = 1;
  counts.of(slot) = 0;
}

void RemindAgain(int slot, ReminderRepeatCounts& counts) {
  int& count = counts.of(slot);
  if (count < kMostRepeats) ++count;
}

}  // namespace tracker
