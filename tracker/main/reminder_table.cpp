#include "tracker/main/reminder_table.h"

#include <algorithm>
#include <string>

#include "tracker/main/numeric_value.h"
#include "tracker/main/settings_file.h"

namespace tracker {
namespace {

constexpr int kRepeatMinutesField = 1;
constexpr int kDueSecondsField = 2;
constexpr int kTipTextField = 3;
constexpr int kFrequencyField = 4;
constexpr int kSoundOnField = 5;
constexpr int kShownField = 6;
constexpr int kTipTimeTextField = 7;
constexpr int kSetTimeField = 8;
constexpr int kTipDateField = 9;

constexpr char16_t kOneTime[] = u"One Time";

void MarkEmpty(int record, SettingsFile& file) {
  file.Write(kSettingsSection, ReminderKey(record, kFrequencyField), kOneTime);
  file.Write(kSettingsSection, ReminderKey(record, kTipDateField), u"");
}

}  // namespace

bool IsRepeating(std::u16string_view frequency) {
  return frequency == u"Daily" || frequency == u"Weekly" || frequency == u"Monthly" || frequency == u"Yearly";
}

bool IsSlotInUse(const ReminderRecord& record) { return IsRepeating(record.Frequency) || !record.TipDate.empty(); }

void ClearSlot(ReminderRecord& record) {
  record.Frequency = kOneTime;
  record.Shown = 0;
  record.TipDate.clear();
}

std::u16string ReminderKey(int record, int field) {
  return u"tra" + Ascii(std::to_string(kReminderFields * (record - 1) + field));
}

int LoadReminders(const SettingsFile& file, ReminderTable& table) {
  int kept = 0;
  for (int r = 1; r <= kStoredReminders; ++r) {
    auto read = [&](int field) {
      const std::u16string key = ReminderKey(r, field);
      return file.Read(kSettingsSection, key, key);
    };
    const std::u16string frequency = read(kFrequencyField);
    const std::u16string date = read(kTipDateField);
    const std::u16string shown = read(kShownField);
    if (!((!date.empty() && shown == u"0") || IsRepeating(frequency))) continue;
    ReminderRecord& slot = table.slot(++kept);
    slot.RepeatMinutes = read(kRepeatMinutesField);
    slot.DueSeconds = read(kDueSecondsField);
    slot.TipText = read(kTipTextField);
    slot.Frequency = frequency;
    slot.SoundOn = read(kSoundOnField);
    slot.Shown = 0;
    slot.TipTimeText = read(kTipTimeTextField);
    slot.SetTime = read(kSetTimeField);
    slot.TipDate = date;
  }
  return kept;
}

int SaveReminders(const ReminderTable& table, int slots_in_use, SettingsFile& file) {
  int kept = 0;
  const int last = std::clamp(slots_in_use, 0, kReminderSlots);
  for (int s = 1; s <= last; ++s) {
    const ReminderRecord& slot = table.slot(s);
    if (!IsRepeating(slot.Frequency) && slot.Shown == 1) continue;  // acknowledged one-time reminder
    if (++kept > kStoredReminders) break;
    const std::u16string shown = NumberText(slot.Shown);
    const std::u16string* fields[] = {&slot.RepeatMinutes, &slot.DueSeconds, &slot.TipText,
                                      &slot.Frequency,     &slot.SoundOn,    &shown,
                                      &slot.TipTimeText,   &slot.SetTime,    &slot.TipDate};
    for (int f = 1; f <= kReminderFields; ++f) file.Write(kSettingsSection, ReminderKey(kept, f), *fields[f - 1]);
    // Marking the records after it at once gives a new file the key order it has always had.
    for (int j = kept + 1; j <= kStoredReminders; ++j) MarkEmpty(j, file);
  }
  kept = std::min(kept, kStoredReminders);
  if (kept == 0) {
    for (int j = 1; j <= kStoredReminders; ++j) MarkEmpty(j, file);
  }
  return kept;
}

}  // namespace tracker
