#include "tracker/dialogs/reminder_editor_win32.h"

#include <utility>

#include "platform/os/local_clock.h"
#include "platform/os/message_box.h"
#include "tracker/main/numeric_value.h"
#include "tracker/main/reminder_dates.h"

namespace tracker {
namespace {

constexpr double kWidth = 10200;
constexpr double kHeight = 7600;
// Where the editor opens beside the main window, unless a place was stored.
constexpr double kBesideMainLeft = 3320;
constexpr double kBesideMainTop = -660;
constexpr std::uint32_t kBoxOkCancelInformation = 65;
constexpr char16_t kDeleteQuestion[] = u"Are you sure to delete it?   ";
constexpr char16_t kModifyQuestion[] = u"Are you sure to Modify it?   ";

void Fill(forms::ComboBox& box, const std::vector<std::u16string>& items) {
  box.Clear();
  for (const auto& item : items) box.AddItem(item);
}

}  // namespace

ReminderEditorWindow::ReminderEditorWindow(ReminderEditorEnvironment environment)
    : forms::Form(u"Set Reminder", 0, 0, kWidth, kHeight), environment_(std::move(environment)) {}

void ReminderEditorWindow::OnLoad() {
  AddFrame(u" Tip Time ", 120, 60, 5400, 2400);
  option1_ = &AddOptionButton(u"Show tip a&fter", 1, 240, 360, 1700, 300);
  sethour0_ = &AddComboBox(2000, 330, 700, 2400, true);
  AddLabel(u"hour(s)", 2750, 360, 700, 300);
  setminute0_ = &AddComboBox(3450, 330, 700, 2400, true);
  AddLabel(u"minute(s)", 4200, 360, 900, 300);
  option2_ = &AddOptionButton(u"Show tip a&t", 1, 240, 840, 1700, 300);
  sethour1_ = &AddComboBox(2000, 810, 700, 2400, true);
  AddLabel(u"hour(s)", 2750, 840, 700, 300);
  setminute1_ = &AddComboBox(3450, 810, 700, 2400, true);
  AddLabel(u"minute(s)", 4200, 840, 900, 300);
  combo_month_ = &AddComboBox(240, 1400, 900, 2400, true);
  combo_day_ = &AddComboBox(1200, 1400, 700, 2400, true);
  weekday_ = &AddTextBox(1960, 1400, 700, 330);
  SendMessageW(weekday_->hwnd(), EM_SETREADONLY, TRUE, 0);
  picker_ = &AddDatePicker(2750, 1400, 2500, 330);

  AddFrame(u" Tip Options ", 5640, 60, 4400, 2400);
  AddLabel(u"Tip t&ext", 5760, 360, 1100, 300);
  combo1_ = &AddComboBox(6900, 330, 3000, 2400, true);
  AddLabel(u"F&requency", 5760, 840, 1100, 300);
  combo_freq_ = &AddComboBox(6900, 810, 3000, 2400, true);
  AddLabel(u"Sho&w tip again after", 5760, 1320, 1900, 300);
  setminute2_ = &AddComboBox(7700, 1290, 700, 2400, true);
  AddLabel(u"minute(s)", 8450, 1320, 900, 300);
  sound_ = &AddCheckBox(u"Enable &sound", 5760, 1800, 2000, 300);

  list_ = &AddListView(120, 2600, kWidth - 400, 3200);
  const struct {
    const char16_t* header;
    double width;
  } columns[] = {{u"Set Time", 1112},  {u"Tip time", 1675},  {u"Tip text", 5644}, {u"Show again after", 1907},
                 {u"Frequency", 1341}, {u"Sound", 1323},     {u"Tip date", 2258}};
  for (const auto& column : columns) list_->AddColumn(column.header, column.width);
  const LRESULT style = SendMessageW(list_->hwnd(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  SendMessageW(list_->hwnd(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style | LVS_EX_FULLROWSELECT);

  add_ = &AddButton(u"&Add", 120, 6000, 1400, 420);
  modify_ = &AddButton(u"&Modify", 1640, 6000, 1400, 420);
  delete_ = &AddButton(u"&Delete", 3160, 6000, 1400, 420);
  apply_ = &AddButton(u"App&ly", kWidth - 1900, 6000, 1400, 420);
  add_->on_click = [this] { Add(); };
  modify_->on_click = [this] { Modify(); };
  delete_->on_click = [this] { Delete(); };
  apply_->on_click = [this] { Apply(); };
  option1_->on_click = [this] { TimeOptionChanged(); };
  option2_->on_click = [this] { TimeOptionChanged(); };
  combo_month_->on_click = [this] { MonthChanged(); };
  combo_day_->on_click = [this] { weekday_->SetText(WeekdayOfInputs(ReadInputs())); };
  picker_->on_change = [this] { PickerChanged(); };

  // Beside the main window, or where it was left.
  const SettingTexts& texts = *environment_.texts;
  double left = 0;
  double top = 0;
  if (environment_.main_place) environment_.main_place(left, top);
  left += kBesideMainLeft;
  top += kBesideMainTop;
  if (texts[kDialogTop] != u"0") {
    left = NumericValue(texts[kDialogLeft]);
    top = NumericValue(texts[kDialogTop]);
  }
  SetGeometry(left, top, kWidth, kHeight);
  const os::ClockReading now = os::ReadClock();
  forms::SetWindowText16(hwnd(), u"Set Reminder - " + os::FormatNamed(now.local, os::NamedFormat::kLongDate));

  Fill(*combo1_, TipTextItems({texts[kCustomTip1], texts[kCustomTip2], texts[kCustomTip3], texts[kCustomTip4]}));
  Fill(*combo_freq_, {u"One Time", u"Daily", u"Weekly", u"Monthly", u"Yearly"});
  Fill(*setminute1_, AtMinuteItems());
  Fill(*setminute0_, AfterMinuteItems());
  Fill(*sethour0_, NumberItems(0, 23));
  Fill(*sethour1_, NumberItems(0, 23));
  Fill(*setminute2_, NumberItems(1, 59));
  Fill(*combo_month_, {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun", u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"});
  ReminderInputs first = FirstInputs(now.local);
  const std::u16string custom = texts[kCustomTip1];
  if (!custom.empty() && custom != u"CustomTip1") first.tip_text = custom;
  Fill(*combo_day_, DayListForMonth(first.month));
  SYSTEMTIME today{};
  today.wYear = static_cast<WORD>(now.local.year);
  today.wMonth = static_cast<WORD>(now.local.month);
  today.wDay = static_cast<WORD>(now.local.day);
  today.wDayOfWeek = static_cast<WORD>(now.local.weekday);
  picker_->SetValue(today);
  ShowInputs(first);

  std::vector<int> listed;
  rows_ = OpenEditor(*environment_.table, *environment_.intListview1, *environment_.edit_table, listed);
  for (const int slot : listed) AppendRow(environment_.edit_table->slot(slot), true);
}

void ReminderEditorWindow::ShowEditor(HWND owner) {
  hwnd();
  if (environment_.blSettime) *environment_.blSettime = true;
  if (owner) {
    ShowModal(owner);
  } else {
    Show();
    SetForegroundWindow(hwnd());
  }
}

ReminderInputs ReminderEditorWindow::ReadInputs() {
  ReminderInputs in;
  in.after = option1_->Value();
  in.after_hour = sethour0_->Text();
  in.after_minute = setminute0_->Text();
  in.at_hour = sethour1_->Text();
  in.at_minute = setminute1_->Text();
  in.month = combo_month_->Text();
  in.day = combo_day_->Text();
  in.weekday = weekday_->Text();
  in.year = picker_year_;
  in.tip_text = combo1_->Text();
  in.frequency = combo_freq_->Text();
  in.repeat = setminute2_->Text();
  in.sound = sound_->Value();
  return in;
}

void ReminderEditorWindow::ShowInputs(const ReminderInputs& in) {
  if (in.after) {
    option1_->SetValue(true);
  } else {
    option2_->SetValue(true);
  }
  sethour0_->SetText(in.after_hour);
  setminute0_->SetText(in.after_minute);
  sethour1_->SetText(in.at_hour);
  setminute1_->SetText(in.at_minute);
  combo_month_->SetText(in.month);
  combo_day_->SetText(in.day);
  weekday_->SetText(in.weekday);
  picker_year_ = in.year;
  const int month = MonthNumber(in.month);
  const std::optional<int> day = BoxNumber(in.day, 1, 31);
  if (month && day) {
    // The picker shows the date the boxes name; its change handler writes the same texts back.
    SYSTEMTIME value = picker_->Value();
    value.wYear = static_cast<WORD>(in.year);
    value.wMonth = static_cast<WORD>(month);
    value.wDay = static_cast<WORD>(*day);
    SendMessageW(picker_->hwnd(), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value));
  }
  combo1_->SetText(in.tip_text);
  combo_freq_->SetText(in.frequency);
  setminute2_->SetText(in.repeat);
  sound_->SetValue(in.sound);
}

void ReminderEditorWindow::TimeOptionChanged() {
  const bool after = option1_->Value();
  sethour0_->SetEnabled(after);
  setminute0_->SetEnabled(after);
  sethour1_->SetEnabled(!after);
  setminute1_->SetEnabled(!after);
  combo_month_->SetEnabled(true);
  combo_day_->SetEnabled(true);
}

void ReminderEditorWindow::MonthChanged() {
  const std::u16string day = combo_day_->Text();
  Fill(*combo_day_, DayListForMonth(combo_month_->Text()));
  combo_day_->SetText(day);
  weekday_->SetText(WeekdayOfInputs(ReadInputs()));
}

void ReminderEditorWindow::PickerChanged() {
  const SYSTEMTIME value = picker_->Value();
  ReminderInputs in = ReadInputs();
  SetPickerDate(in, value.wYear, value.wMonth, value.wDay);
  picker_year_ = in.year;
  combo_month_->SetText(in.month);
  combo_day_->SetText(in.day);
  weekday_->SetText(in.weekday);
}

void ReminderEditorWindow::AppendRow(const ReminderRecord& record, bool listed_at_open) {
  const auto cells = ReminderListCells(record, listed_at_open);
  const int row = list_->AddRow(cells[0]);
  for (int c = 1; c < 7; ++c) list_->SetCell(row, c, cells[static_cast<std::size_t>(c)]);
}

void ReminderEditorWindow::Add() {
  const os::ClockReading now = os::ReadClock();
  const AddResult result =
      AddReminder(ReadInputs(), now, os::FormatNamed(now.local, os::NamedFormat::kLongTime), *environment_.edit_table, rows_);
  if (result.outcome == AddOutcome::kAdded) {
    AppendRow(result.record, false);
    if (result.countdown_seconds && environment_.start_countdown) environment_.start_countdown(*result.countdown_seconds);
    list_->Focus();
    return;
  }
  // A box without a time of day takes the focus, so the user sees what to change.
  if (result.outcome == AddOutcome::kBadTime) {
    (option1_->Value() ? sethour0_ : sethour1_)->Focus();
  } else {
    list_->Focus();
  }
}

void ReminderEditorWindow::Delete() {
  if (list_->RowCount() == 0) return;
  const int row = list_->SelectedRow();
  if (row < 0) return;
  if (!modifying_ &&
      os::ShowMessageBox(hwnd(), kDeleteQuestion, u"Delete ", kBoxOkCancelInformation) != os::kAnswerOk) {
    return;
  }
  list_->RemoveRow(row);
  DeleteReminderRow(row + 1, *environment_.edit_table, *environment_.table, rows_, *environment_.intListview1);
  apply_->Focus();
}

void ReminderEditorWindow::Modify() {
  if (list_->RowCount() == 0) return;
  if (os::ShowMessageBox(hwnd(), kModifyQuestion, u"Modify ", kBoxOkCancelInformation) != os::kAnswerOk) return;
  const int row = list_->SelectedRow();
  if (row < 0) return;
  modifying_ = true;
  const os::ClockReading now = os::ReadClock();
  ShowInputs(ModifyInputs(environment_.edit_table->slot(row + 1), ReadInputs(), now.local));
  Delete();
  sethour1_->Focus();
  modifying_ = false;
}

void ReminderEditorWindow::Apply() {
  ApplyReminders(*environment_.edit_table, rows_, *environment_.table, *environment_.intListview1);
  if (environment_.blSettime) *environment_.blSettime = false;
  SettingTexts& texts = *environment_.texts;
  texts[kDialogLeft] = NumberText(Left());
  texts[kDialogTop] = NumberText(Top());
  Hide();
}

}  // namespace tracker
