#include "tracker/dialogs/reminder_editor_model.h"

#include <cmath>

#include "tracker/main/numeric_value.h"
#include "tracker/main/reminder_dates.h"
#include "tracker/main/shutdown_time.h"

namespace tracker {
namespace {

constexpr const char16_t* kMonths[] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                       u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
constexpr long long kSecondsPerDay = 86400;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string FourDigits(int year) {
  std::u16string text = NumberText(year);
  while (text.size() < 4) text.insert(text.begin(), u'0');
  return text;
}

int DaysInMonth(int year, int month) {
  return static_cast<int>(DayNumber(month == 12 ? year + 1 : year, month == 12 ? 1 : month + 1, 1) -
                          DayNumber(year, month, 1));
}

}  // namespace

std::array<std::u16string, 7> ReminderListCells(const ReminderRecord& r, bool listed_at_open) {
  std::u16string sound;
  const double on = NumericValue(r.SoundOn);
  if (on == 1) sound = u"Enable Sound";
  if (on == 0 && !r.SoundOn.empty()) sound = u"Unable Sound";
  return {r.SetTime, r.TipTimeText, r.TipText, r.RepeatMinutes + (listed_at_open ? u" munite(s)" : u" minute(s)"),
          r.Frequency, sound, r.TipDate};
}

ReminderInputs FirstInputs(const os::LocalDateTime& now) {
  ReminderInputs in;
  in.at_hour = TwoDigits(now.hour);
  SetPickerDate(in, now.year, now.month, now.day);
  return in;
}

std::vector<std::u16string> TipTextItems(const std::array<std::u16string, 4>& custom_tips) {
  std::vector<std::u16string> items = {u"Take a rest", u"Go to "};
  for (int k = 0; k < 4; ++k) {
    const std::u16string key = u"CustomTip" + NumberText(k + 1);
    if (!custom_tips[k].empty() && custom_tips[k] != key) items.push_back(custom_tips[k]);
  }
  for (const char16_t* item : {u"Birthday of ", u"Give ... a call ", u"Send email to ", u"Have an appointment with ",
                               u"Send fax to ", u"Go for lunch "}) {
    items.push_back(item);
  }
  return items;
}

std::vector<std::u16string> NumberItems(int first, int last) {
  std::vector<std::u16string> items;
  for (int n = first; n <= last; ++n) items.push_back(TwoDigits(n));
  return items;
}

std::vector<std::u16string> AfterMinuteItems() {
  std::vector<std::u16string> items = {u"10", u"20", u"30", u"40", u"45", u"50", u"55", u"57"};
  for (auto& item : NumberItems(0, 59)) items.push_back(item);
  return items;
}

std::vector<std::u16string> AtMinuteItems() {
  std::vector<std::u16string> items = {u"30", u"40", u"45", u"49"};
  for (auto& item : NumberItems(50, 59)) items.push_back(item);
  for (auto& item : NumberItems(0, 59)) items.push_back(item);
  return items;
}

std::optional<int> BoxNumber(const std::u16string& text, int low, int high) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  if (begin == end || end - begin > 4) return std::nullopt;
  int value = 0;
  for (std::size_t i = begin; i < end; ++i) {
    if (text[i] < u'0' || text[i] > u'9') return std::nullopt;
    value = value * 10 + (text[i] - u'0');
  }
  if (value < low || value > high) return std::nullopt;
  return value;
}

int OpenEditor(const ReminderTable& table, int intListview1, ReminderTable& edit_table, std::vector<int>& listed) {
  int rows = intListview1 < kMostEditorRows ? intListview1 : kMostEditorRows;
  listed.clear();
  for (int slot = 1; slot <= kStoredReminders; ++slot) {
    if (!IsSlotInUse(table.slot(slot))) continue;
    rows = slot;
    edit_table.slot(slot) = table.slot(slot);
    listed.push_back(slot);
  }
  return rows;
}

AddResult AddReminder(const ReminderInputs& in, const os::ClockReading& now, const std::u16string& long_time,
                      ReminderTable& edit_table, int& rows) {
  AddResult result;
  if (rows >= kMostEditorRows) {
    result.outcome = AddOutcome::kFull;
    return result;
  }
  const std::optional<int> hour = BoxNumber(in.after ? in.after_hour : in.at_hour, 0, 23);
  const std::optional<int> minute = BoxNumber(in.after ? in.after_minute : in.at_minute, 0, 59);
  if (!hour || !minute) {
    result.outcome = AddOutcome::kBadTime;
    return result;
  }
  const std::int64_t delay = (static_cast<std::int64_t>(*hour) * 60 + *minute) * 60;
  if (in.after && delay == 0) {
    result.outcome = AddOutcome::kNoDelay;
    return result;
  }
  ReminderRecord& r = result.record;
  r.RepeatMinutes = in.repeat;
  if (in.after) {
    r.TipTimeText = u"After" + TwoDigits(*hour) + u"hr" + TwoDigits(*minute) + u"min";
    r.DueSeconds = NumberText(os::SecondsAfterMidnight(now.local) + static_cast<double>(delay));
    result.countdown_seconds = delay;
  } else {
    r.TipTimeText = u"At   " + TwoDigits(*hour) + u":" + TwoDigits(*minute);
    r.DueSeconds = NumberText(static_cast<double>(delay));
  }
  r.TipText = in.tip_text;
  r.Frequency = in.frequency;
  r.SoundOn = in.sound ? u"1" : u"0";
  r.Shown = 0;
  r.SetTime = long_time;
  r.TipDate = in.month + in.day + u" " + FourDigits(in.year) + u" " + in.weekday;
  ++rows;
  edit_table.slot(rows) = r;
  return result;
}

std::u16string WeekdayOfInputs(const ReminderInputs& in) { return GetWeekdayAbbrev(in.month, in.day, in.year); }

void SetPickerDate(ReminderInputs& in, int year, int month, int day) {
  in.year = year;
  in.month = kMonths[(month + 11) % 12];
  in.day = TwoDigits(day);
  in.weekday = WeekdayOfInputs(in);
}

ReminderInputs ModifyInputs(const ReminderRecord& record, const ReminderInputs& current, const os::LocalDateTime& today) {
  ReminderInputs in = current;
  in.after = false;
  const long long due = static_cast<long long>(std::floor(NumericValue(record.DueSeconds)));
  const long long of_day = ((due % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
  in.at_hour = TwoDigits(static_cast<int>(of_day / 3600));
  in.at_minute = TwoDigits(static_cast<int>((of_day % 3600) / 60));
  in.tip_text = record.TipText;
  in.repeat = record.RepeatMinutes;
  in.frequency = record.Frequency;
  const double sound = NumericValue(record.SoundOn);
  if (sound == 1) in.sound = true;
  if (sound == 0) in.sound = false;
  const std::u16string_view date = record.TipDate;
  const int month = MonthNumber(date.substr(0, std::min<std::size_t>(3, date.size())));
  const std::optional<int> day =
      date.size() >= 5 ? BoxNumber(std::u16string(date.substr(3, 2)), 1, 31) : std::optional<int>();
  if (month == 0 || !day) {
    SetPickerDate(in, today.year, today.month, today.day);
  } else {
    // The picker keeps its year; a day its month lacks there becomes the month's last.
    const int last = DaysInMonth(in.year, month);
    SetPickerDate(in, in.year, month, *day > last ? last : *day);
  }
  return in;
}

void DeleteReminderRow(int k, ReminderTable& edit_table, ReminderTable& table, int& rows, int& intListview1) {
  const int n = rows;
  if (k < 1 || k > n) return;
  for (int row = k; row < n; ++row) edit_table.slot(row) = edit_table.slot(row + 1);
  ClearSlot(edit_table.slot(n));
  ClearSlot(table.slot(n));
  for (int row = 1; row < n; ++row) table.slot(row) = edit_table.slot(row);
  rows = n - 1;
  intListview1 = rows;
}

void ApplyReminders(const ReminderTable& edit_table, int rows, ReminderTable& table, int& intListview1) {
  for (int row = 1; row <= rows; ++row) {
    const int shown = table.slot(row).Shown;
    table.slot(row) = edit_table.slot(row);
    table.slot(row).Shown = shown;
  }
  intListview1 = rows;
}

}  // namespace tracker
