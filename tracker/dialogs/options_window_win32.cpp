#include "tracker/dialogs/options_window_win32.h"

#include <utility>

#include "platform/os/local_clock.h"
#include "platform/os/system_info.h"
#include "platform/os/user_registry.h"

namespace tracker {
namespace {

constexpr char16_t kCaption[] = u"Options";
constexpr char16_t kShutdownCaption[] = u"Shutdown Computer";
constexpr int kCmdApplyOption = 300;
constexpr int kSoundGroup = 1;

// The dialog's designed size and its place beside the main window, in twips.
constexpr double kWidth = 6300;
constexpr double kHeight = 5200;
constexpr double kBesideMainLeft = 1700;
constexpr double kBesideMainTop = 1370;

// The tab strip and the frames' inset in its client area.
constexpr double kTabLeft = 120, kTabTop = 120, kTabWidth = 5940, kTabHeight = 3600;
constexpr double kPageLeft = kTabLeft + 40 + 120, kPageTop = kTabTop + 420;
constexpr double kRow = 420;

}  // namespace

OptionsWindow::OptionsWindow(OptionsEnvironment environment)
    : forms::Form(kCaption, 0, 0, kWidth, kHeight), environment_(std::move(environment)) {}

void OptionsWindow::OnLoad() {
  // Form_Load step 1: beside the main window.
  double main_left = 0;
  double main_top = 0;
  if (environment_.main_place) environment_.main_place(main_left, main_top);
  SetGeometry(main_left + kBesideMainLeft, main_top + kBesideMainTop, kWidth, kHeight);
  // A fixed dialog frame: no resizing, no minimise or maximise.
  const LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE);
  SetWindowLongPtrW(hwnd(), GWL_STYLE, style & ~(WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

  tab_strip_ = &AddTabStrip(kTabLeft, kTabTop, kTabWidth, kTabHeight);
  for (const char16_t* caption : {u"General", u"Custom ", u"Sound"}) tab_strip_->AddTab(caption);
  tab_strip_->on_click = [this] { ShowTab(tab_strip_->SelectedIndex()); };

  // General.
  auto& general = pages_[0];
  double top = kPageTop;
  check4_ = &AddCheckBox(u"&Shut down PC at", kPageLeft, top, 1900, 300);
  combo4_ = &AddComboBox(kPageLeft + 1950, top - 30, 800, 2400, false);
  forms::Label& hours = AddLabel(u"hour(s)", kPageLeft + 2800, top, 700, 300);
  combo5_ = &AddComboBox(kPageLeft + 3500, top - 30, 800, 2400, false);
  forms::Label& minutes = AddLabel(u"minute(s)", kPageLeft + 4350, top, 900, 300);
  top += kRow;
  check3_ = &AddCheckBox(u"A&utomatic sound every", kPageLeft, top, 2500, 300);
  interval_ = &AddComboBox(kPageLeft + 2550, top - 30, 900, 2400, true);
  forms::Label& interval_minutes = AddLabel(u"minute(s)", kPageLeft + 3500, top, 900, 300);
  top += kRow;
  check2_ = &AddCheckBox(u"Sho&w Memo content when Pendulo starts", kPageLeft, top, 5200, 300);
  top += kRow;
  check1_ = &AddCheckBox(u"&Launch Pendulo when Windows starts", kPageLeft, top, 5200, 300);
  top += kRow;
  check5_ = &AddCheckBox(u"&Hidden in Tray when Pendulo starts", kPageLeft, top, 5200, 300);
  general = {check4_, combo4_, &hours, combo5_, &minutes, check3_, interval_, &interval_minutes, check2_, check1_, check5_};
  check4_->on_click = [this] {
    combo4_->SetEnabled(check4_->Value());
    combo5_->SetEnabled(check4_->Value());
  };

  // Custom.
  auto& custom = pages_[1];
  for (int n = 0; n < 4; ++n) {
    const double row_top = kPageTop + n * kRow * 1.6;
    const std::u16string number(1, static_cast<char16_t>(u'1' + n));
    forms::Label& content_label = AddLabel(u"Content " + number, kPageLeft, row_top, 1000, 300);
    contents_[n] = &AddTextBox(kPageLeft + 1050, row_top - 30, 1500, 330);
    forms::Label& tip_label = AddLabel(u"Tip Text " + number, kPageLeft + 2700, row_top, 1000, 300);
    tips_[n] = &AddTextBox(kPageLeft + 3750, row_top - 30, 1800, 330);
    custom.insert(custom.end(), {&content_label, contents_[n], &tip_label, tips_[n]});
  }

  // Sound.
  auto& sound = pages_[2];
  top = kPageTop;
  option1_ = &AddOptionButton(u"PC Spea&ker", kSoundGroup, kPageLeft, top, 1800, 300);
  combo1_ = &AddComboBox(kPageLeft + 1900, top - 30, 2000, 1200, false);
  top += kRow;
  option2_ = &AddOptionButton(u"Sys&tem Sound", kSoundGroup, kPageLeft, top, 1800, 300);
  combo2_ = &AddComboBox(kPageLeft + 1900, top - 30, 2000, 1600, false);
  top += kRow;
  option3_ = &AddOptionButton(u"Sound &File", kSoundGroup, kPageLeft, top, 1800, 300);
  combo3_ = &AddComboBox(kPageLeft + 1900, top - 30, 2600, 1600, true);
  browse_ = &AddButton(u"&Browse...", kPageLeft + 4550, top - 30, 1000, 360);
  top += kRow * 1.5;
  set_default_ = &AddButton(u"Set &Default", kPageLeft, top, 1500, 400);
  restore_ = &AddButton(u"&Restore", kPageLeft + 1650, top, 1500, 400);
  sound = {option1_, combo1_, option2_, combo2_, option3_, combo3_, browse_, set_default_, restore_};
  option1_->on_click = [this] { EnableSoundLists(); };
  option2_->on_click = [this] { EnableSoundLists(); };
  option3_->on_click = [this] { EnableSoundLists(); };
  set_default_->on_click = [this] { SetDefaultSound(ReadControls(), *environment_.members->texts); };
  restore_->on_click = [this] {
    OptionsControls controls = ReadControls();
    RestoreDefaultSound(controls, *environment_.members->texts);
    option2_->SetValue(true);
    SelectText(*combo2_, controls.system_sound);
  };

  cmd_ok_ = &AddButton(u"&Apply", 2700, kTabTop + kTabHeight + 150, 1500, 420);
  cmd_cancel_ = &AddButton(u"&Cancel", 4380, kTabTop + kTabHeight + 150, 1500, 420);
  cmd_ok_->on_click = [this] { Apply(); };
  browse_->on_click = [this] {
    if (environment_.browse) environment_.browse();
  };
  cmd_cancel_->on_click = [this] { Cancel(); };
  SetDefaultButton(cmd_ok_);
  SetCancelButton(cmd_cancel_);

  menu_.Build({forms::MenuRow{0, u"Option", 0}, forms::MenuRow{1, u"Apply", kCmdApplyOption, VK_F5}});
  SetMenu(menu_);

  // The lists, then the model's loading.
  for (const auto& item : HourItems()) combo4_->AddItem(item);
  for (const auto& item : MinuteItems()) combo5_->AddItem(item);
  for (const auto& item : IntervalItems()) interval_->AddItem(item);
  for (const char16_t* item : kTuneItems) combo1_->AddItem(item);
  for (const char16_t* item : kSystemSoundItems) combo2_->AddItem(item);
  for (const char16_t* item : kFilePatternItems) combo3_->AddItem(item);
  const unsigned devices = environment_.wave_devices ? environment_.wave_devices() : 1;
  ShowControls(LoadOptions(*environment_.members, os::ReadClock().local.hour, devices, environment_.program_folder));
  ShowTab(0);
}

void OptionsWindow::ShowTab(int index) {
  current_tab_ = index;
  for (int page = 0; page < 3; ++page) {
    for (forms::Control* control : pages_[page]) {
      bool visible = page == index;
      if (control == check1_) visible = visible && check1_visible_;
      if (control == browse_) visible = visible && browse_visible_;
      control->SetVisible(visible);
    }
  }
}

bool OptionsWindow::TabShows(int index, const forms::Control& control) const {
  for (const forms::Control* c : pages_.at(static_cast<std::size_t>(index))) {
    if (c == &control) return c->Visible();
  }
  return false;
}

void OptionsWindow::SelectText(forms::ComboBox& list, const std::u16string& text) {
  for (int i = 0; i < list.ListCount(); ++i) {
    if (list.Item(i) == text) {
      list.SetListIndex(i);
      return;
    }
  }
}

void OptionsWindow::EnableSoundLists() {
  combo1_->SetEnabled(option1_->Value());
  combo2_->SetEnabled(option2_->Value());
  combo3_->SetEnabled(option3_->Value());
  browse_visible_ = option3_->Value();
  browse_->SetVisible(browse_visible_ && current_tab_ == 2);
}

void OptionsWindow::ShowControls(const OptionsControls& c) {
  SelectText(*combo4_, c.hour);
  SelectText(*combo5_, c.minute);
  check4_->SetValue(c.shutdown_checked);
  check3_->SetValue(c.auto_sound_checked);
  interval_->SetText(c.interval);
  check2_->SetValue(c.show_memo_checked);
  check1_->SetValue(c.auto_start_checked);
  check1_visible_ = c.auto_start_visible;
  check1_->SetVisible(check1_visible_ && current_tab_ == 0);
  check5_->SetValue(c.hidden_checked);
  for (int n = 0; n < 4; ++n) {
    contents_[n]->SetText(c.contents[n]);
    tips_[n]->SetText(c.tips[n]);
  }
  SelectText(*combo1_, c.sound.tune);
  SelectText(*combo2_, c.system_sound);
  combo3_->SetText(c.sound.sound_file);
  switch (c.sound.selected) {
    case SoundChoice::Option::kSpeaker:
      option1_->SetValue(true);
      break;
    case SoundChoice::Option::kSystemSound:
      option2_->SetValue(true);
      break;
    case SoundChoice::Option::kSoundFile:
      option3_->SetValue(true);
      break;
    case SoundChoice::Option::kNone:
      break;
  }
  EnableSoundLists();
  option1_->SetEnabled(c.speaker_enabled);
  option2_->SetEnabled(c.system_enabled);
  option3_->SetEnabled(c.file_enabled);
  // Without a wave device the other options' lists stay off too, unless a stored code chose one.
  if (!c.system_enabled && c.sound.selected != SoundChoice::Option::kSystemSound) combo2_->SetEnabled(false);
  if (!c.file_enabled && c.sound.selected != SoundChoice::Option::kSoundFile) combo3_->SetEnabled(false);
}

OptionsControls OptionsWindow::ReadControls() {
  hwnd();
  OptionsControls c;
  c.shutdown_checked = check4_->Value();
  c.hour = combo4_->Text();
  c.minute = combo5_->Text();
  c.auto_sound_checked = check3_->Value();
  c.interval = interval_->Text();
  c.show_memo_checked = check2_->Value();
  c.auto_start_checked = check1_->Value();
  c.auto_start_visible = check1_visible_;
  c.hidden_checked = check5_->Value();
  for (int n = 0; n < 4; ++n) {
    c.contents[n] = contents_[n]->Text();
    c.tips[n] = tips_[n]->Text();
  }
  c.sound = CurrentSound();
  c.system_sound = combo2_->Text();
  c.speaker_enabled = option1_->Enabled();
  c.system_enabled = option2_->Enabled();
  c.file_enabled = option3_->Enabled();
  c.browse_visible = browse_visible_;
  return c;
}

SoundChoice OptionsWindow::CurrentSound() {
  hwnd();  // the first reading loads the dialog, hidden
  SoundChoice choice;
  choice.selected = option1_->Value()   ? SoundChoice::Option::kSpeaker
                    : option2_->Value() ? SoundChoice::Option::kSystemSound
                    : option3_->Value() ? SoundChoice::Option::kSoundFile
                                        : SoundChoice::Option::kNone;
  choice.tune = combo1_->Text();
  choice.sound_file = combo3_->Text();
  return choice;
}

void OptionsWindow::Apply() {
  const RunValueAction action = ApplyOptions(ReadControls(), *environment_.members);
  const std::u16string command = RunAtLogonCommand(environment_.program_folder);
  if (action == RunValueAction::kWrite) {
    os::SetUserString(kRunKey, kRunValueName, command.c_str());
  } else {
    os::DeleteUserValue(kRunKey, kRunValueName);
    // An older program wrote the value for the whole machine; it goes too where the user may.
    os::DeleteMachineValue(kRunKey, kRunValueName);
  }
  if (environment_.on_apply) environment_.on_apply();
  Hide();
}

void OptionsWindow::OnMenuCommand(int command) {
  if (command == kCmdApplyOption) Apply();
}

void OptionsWindow::ShowOptions() {
  Show();
}

void OptionsWindow::ShowForShutdown(const ShutdownPreset& preset, bool retitle) {
  Show();
  check4_->SetValue(true);
  if (retitle) forms::SetWindowText16(hwnd(), kShutdownCaption);
  if (preset.hour) SelectText(*combo4_, *preset.hour);
  if (preset.minute) SelectText(*combo5_, *preset.minute);
  cmd_ok_->Focus();
}

}  // namespace tracker
