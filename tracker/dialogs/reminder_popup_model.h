#pragma once
// The reminder pop-up's texts and answers as data: its caption, its two buttons, the label, and what
// "&OK, I see" and remind-again do to the slot and its repeat count.
#include <array>
#include <string>

#include "platform/os/local_clock.h"
#include "tracker/main/reminder_table.h"

namespace tracker {

// How often each slot was put off by remind-again (slots 1 to 20; index 0 unused).
struct ReminderRepeatCounts {
  std::array<int, kReminderSlots + 1> counts{};
  int& of(int slot) { return counts.at(static_cast<std::size_t>(slot)); }
  int of(int slot) const { return counts.at(static_cast<std::size_t>(slot)); }
};

// The most times a slot is put off; a count that stopped here stays.
constexpr int kMostRepeats = 32767;

// "Tip - " + short time + "  " + "MM/dd/yyyy" + " " + the weekday name with its leading blank.
std::u16string ReminderPopupCaption(const os::LocalDateTime& now, const std::u16string& short_time);
// " Show tip again after " + RepeatMinutes + " munite(s)".
std::u16string RemindAgainCaption(const ReminderRecord& slot);

// The minutes remind-again puts a slot off by: its RepeatMinutes, but at least 1, so that a slot of 0
// cannot come back every second.
int RepeatMinutesOf(const ReminderRecord& slot);

// "&OK, I see" (and the close box): the slot is shown in both tables and its count goes back to 0.
void AcknowledgeReminder(int slot, ReminderTable& table, ReminderTable& edit_table, ReminderRepeatCounts& counts);
// Remind again: the slot comes back RepeatMinutesOf later than its last showing.
void RemindAgain(int slot, ReminderRepeatCounts& counts);

}  // namespace tracker
