#pragma once
// The reminders: one record of nine fields, the table of 20 slots the timer fires, and how records travel
// between the table and the settings file's "tra" keys.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tracker {

class SettingsFile;

// Fields as the settings file holds them: text, except `Shown`, which start-up and the pop-up set.
struct ReminderRecord {
  std::u16string RepeatMinutes;
  std::u16string DueSeconds;
  std::u16string TipText;
  std::u16string Frequency;
  std::u16string SoundOn;
  int Shown = 0;
  std::u16string TipTimeText;
  std::u16string SetTime;
  std::u16string TipDate;
};

constexpr int kReminderSlots = 20;
constexpr int kStoredReminders = 15;
constexpr int kReminderFields = 9;

// Slots 1 to 20; index 0 is never used, so slot numbers read as the design counts them.
struct ReminderTable {
  std::array<ReminderRecord, kReminderSlots + 1> slots{};
  ReminderRecord& slot(int s) { return slots.at(static_cast<std::size_t>(s)); }
  const ReminderRecord& slot(int s) const { return slots.at(static_cast<std::size_t>(s)); }
};

// "Daily", "Weekly", "Monthly" or "Yearly", exactly.
bool IsRepeating(std::u16string_view frequency);
// In use: repeating, or a date is set.
bool IsSlotInUse(const ReminderRecord& record);
// Frequency "One Time", Shown 0, no date; the other fields keep their text.
void ClearSlot(ReminderRecord& record);

// The key of field f (1 to 9) of stored record n (1 to 15): "tra" followed by 9(n-1)+f.
std::u16string ReminderKey(int record, int field);

// The section the tracker's settings live in. The profile functions match section names without regard to
// case: start-up has always read it as "Myapp" and the save written it as "MyApp".
inline constexpr char16_t kSettingsSection[] = u"MyApp";

// Reads records 1 to 15. A record is kept when it repeats, or when it has a date and its shown flag is
// exactly "0"; kept records fill slots 1 to K in file order, with Shown 0, so the table never has a free
// slot below a used one. Returns K, the highest slot in use.
int LoadReminders(const SettingsFile& file, ReminderTable& table);

// Writes slots 1 to slots_in_use back: a slot is kept unless it is a one-time reminder the user has
// acknowledged (Shown 1); kept slots become records 1 to K (at most 15), and records K+1 to 15 are marked
// empty ("One Time" and no date). Returns K.
int SaveReminders(const ReminderTable& table, int slots_in_use, SettingsFile& file);

}  // namespace tracker
