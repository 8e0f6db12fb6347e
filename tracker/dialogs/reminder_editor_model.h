#pragma once
// The reminder editor `Dialog` as data: its inputs as the controls hold them, the list's cells, and Add,
// Modify, Delete and Apply over the working table, the live table and their row counts. The window
// mirrors the controls and calls these.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/os/local_clock.h"
#include "tracker/main/reminder_table.h"

namespace tracker {

// The editor's inputs.
struct ReminderInputs {
  bool after = true;                  // Option1 "Show tip a&fter"; false: Option2 "Show tip a&t"
  std::u16string after_hour = u"00";  // Sethour(0)
  std::u16string after_minute = u"30";  // Setminute(0)
  std::u16string at_hour = u"00";     // Sethour(1)
  std::u16string at_minute = u"00";   // Setminute(1)
  std::u16string month;               // comboMonth, "Jan" to "Dec"
  std::u16string day;                 // comboDay, "01" to "31"
  std::u16string weekday;             // txtWeekday, "Sun" to "Sat"
  int year = 2000;                    // DTPicker1's year
  std::u16string tip_text = u"Give a call to ";  // Combo1
  std::u16string frequency = u"One Time";        // comboFreq
  std::u16string repeat = u"10";                 // Setminute(2)
  bool sound = true;                             // chkSound
};

// The most reminders the editor keeps: as many as the settings file stores.
inline constexpr int kMostEditorRows = kStoredReminders;

// The list's seven cells of a record. Rows listed when the editor opens name the repeat in
// " munite(s)", rows added since in " minute(s)".
std::array<std::u16string, 7> ReminderListCells(const ReminderRecord& record, bool listed_at_open);

// The inputs at the editor's first opening: the relative time of 30 minutes, today's month, day, weekday
// and year, the current hour for the absolute time.
ReminderInputs FirstInputs(const os::LocalDateTime& now);

// The lists' items.
std::vector<std::u16string> TipTextItems(const std::array<std::u16string, 4>& custom_tips);
std::vector<std::u16string> AfterMinuteItems();  // quick choices, then "00" to "59"
std::vector<std::u16string> AtMinuteItems();
std::vector<std::u16string> NumberItems(int first, int last);  // two digits each

// A box's text as a whole number from low to high: digits alone, blanks around them allowed.
std::optional<int> BoxNumber(const std::u16string& text, int low, int high);

// The editor opening: in-use slots among 1 to 15 copied into the working table. Returns the row count
// (intListview1temp) and the slots listed.
int OpenEditor(const ReminderTable& table, int intListview1, ReminderTable& edit_table, std::vector<int>& listed);

enum class AddOutcome { kAdded, kFull, kNoDelay, kBadTime };

struct AddResult {
  AddOutcome outcome = AddOutcome::kAdded;
  ReminderRecord record;
  // A delay starts the main window's count-down at once: its length in seconds.
  std::optional<std::int64_t> countdown_seconds;
};

// Add: a record from the inputs at now (long_time: the time as the system writes it), appended as row
// rows + 1 of the working table when the editor has room and the boxes hold a time.
AddResult AddReminder(const ReminderInputs& inputs, const os::ClockReading& now, const std::u16string& long_time,
                      ReminderTable& edit_table, int& rows);

// Modify's inputs for a record: the absolute time of its due second, its texts, and the picker's date
// from its date (a day the month lacks in the picker's year taken as the month's last day; no readable
// date: today) with the weekday recomputed.
ReminderInputs ModifyInputs(const ReminderRecord& record, const ReminderInputs& current, const os::LocalDateTime& today);

// The weekday abbreviation of the inputs' date in the picker's year; and the picker's date moved to.
std::u16string WeekdayOfInputs(const ReminderInputs& inputs);
void SetPickerDate(ReminderInputs& inputs, int year, int month, int day);

// Delete row k (1-based) of rows: the later rows move up, the last slot is cleared in both tables and
// the live table takes rows 1 to rows - 1 at once; rows and intListview1 become the new count.
void DeleteReminderRow(int k, ReminderTable& edit_table, ReminderTable& table, int& rows, int& intListview1);

// Apply: rows 1 to rows into the live table, all fields but Shown; intListview1 becomes rows.
void ApplyReminders(const ReminderTable& edit_table, int rows, ReminderTable& table, int& intListview1);

}  // namespace tracker
