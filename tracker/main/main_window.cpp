#include "tracker/main/main_window.h"

#include <shellapi.h>

#include <mmsystem.h>

#include <utility>
#include <vector>

#include "platform/os/local_clock.h"
#include "platform/os/message_box.h"
#include "platform/os/native_path.h"
#include "platform/os/power_off.h"
#include "platform/os/program_start.h"
#include "platform/os/user_registry.h"
#include "platform/os/whole_file.h"
#include "tracker/main/command_ids.h"
#include "tracker/main/numeric_value.h"
#include "tracker/main/reminder_dates.h"
#include "tracker/main/settings_file.h"
#include "tracker/main/shutdown_time.h"
#include "tracker/main/sound_backend_win32.h"
#include "tracker/main/tray_model.h"
#include "tracker/main/web_links.h"
#include "tracker/main/window_layout.h"
#include "tracker/records/record_list.h"
#include "tracker/records/time_text.h"

namespace tracker {
namespace {

constexpr UINT_PTR kClockTimer = 1;
constexpr UINT kClockInterval = 1000;
constexpr char16_t kTitle[] = u"Pendulo";
constexpr char16_t kQuitTitle[] = u"Quit";
constexpr char16_t kQuitWhileCounting[] = u"The software is counting time, are you sure to quit before saving?";
constexpr char16_t kQuitWithUnsavedRows[] = u"Save the records that are not in the record table yet?";
constexpr std::uint32_t kBoxOkCancelExclamationSecond = 305;
constexpr std::uint32_t kBoxYesNoCancelQuestion = 35;
constexpr int kAnswerCancel = 2;
constexpr std::uint32_t kBoxOkCancelInformation = 65;
constexpr std::uint32_t kBoxOkCancelQuestion = 33;
constexpr char16_t kModifyTitle[] = u"Modify Selected Record";
constexpr char16_t kModifyQuestion[] = u"Are you sure of changing this record to current Start, Content, Remark and Pass?";
constexpr char16_t kDeleteTitle[] = u"Delete Selected Record";
constexpr char16_t kDeleteQuestion[] = u"Are you sure of deleting this record?";
constexpr char16_t kDeleteAllTitle[] = u"Delete All Records";
constexpr char16_t kDeleteAllQuestion[] = u"Are you sure of deleting all records?";
// WM_QUERYENDSESSION: Windows asks before logging off or shutting down.
constexpr UINT kQueryEndSession = 0x0011;
// How many ticks the icon is offered again when the notification area did not take it at start-up.
constexpr int kTrayRetries = 5;

// The form's designed layout, in twips.
constexpr double kFrameTop = 420;
constexpr double kListLeft = 2880;
constexpr double kListTop = 960;
constexpr double kListWidthMargin = 3020;   // the list is the form's width less this
constexpr double kListHeightMargin = 2180;  // and its height less this
// Where a memo asked for at start goes on top, in pixels.
constexpr int kMemoTopmostLeft = 283;
constexpr int kMemoTopmostTop = 270;
// The picture beside the search box (bitmap 2 of pendulo.rc, drawn at build time with the icon).
constexpr int kSearchPictureResource = 2;
// The toolbar's pictures (bitmap 3), drawn at build time over the mask colour.
constexpr int kToolbarPictures = 3;
constexpr COLORREF kToolbarPictureMask = RGB(255, 0, 255);

std::vector<forms::MenuRow> MainMenuRows() {
  using R = forms::MenuRow;
  return {
      R{0, u"&Time ", 0},
      R{1, u"-", 0, 0, false, false, true, false},
      R{1, u"Set Remin&der...", kCmdSetReminder, 'D', true},
      R{1, u"Sta&rt", kCmdStart, 'R', true},
      R{1, u"S&top", kCmdStop, 'T', true, false, false},
      R{1, u"Pa&use", kCmdPause, 'U', true, false, false},
      R{1, u"-", 0},
      R{1, u"Standard T&ime", kCmdStandardTime, 'I', true},
      R{1, u"&Accurate Time", kCmdAccurateTime, 'A', true},
      R{1, u"&Normal Time", kCmdNormalTime, 'N', true, false, true, false},
      R{1, u"-", 0},
      R{1, u"Ad&just Date and Time...", kCmdAdjustTime},
      R{1, u"&World Time and Weather", kCmdWorldTime},
      R{2, u"&Greenwich Mean Time", kCmdGreenwichTime},
      R{2, u"&Main City Time", kCmdMainCityTime},
      R{2, u"Weather &Forecast", kCmdWeatherForecast},
      R{1, u"Search", kCmdSearch, VK_F1},
      R{1, u"Web Navigation", kCmdNavigation, VK_F12},
      R{0, u"&Record ", 0},
      R{1, u"Record Ta&ble...", kCmdShowRecordTable, 'B', true},
      R{1, u"&Save to Record Table", kCmdSaveToRecordTable, 'S', true, false, false},
      R{1, u"-", 0},
      R{1, u"Modi&fy Selected Record  ", kCmdModifySelectedRecord, 'F', true, false, false},
      R{1, u"&Delete Selected Record", kCmdClearLatest, 0, false, false, false},
      R{1, u"Delete &All Records", kCmdClearAll, 0, false, false, false},
      R{1, u"-", 0},
      R{1, u"Save to &Memo", kCmdCopyRecords, 0, false, false, false},
      R{1, u"Add Da&te to Memo", kCmdCopyDate},
      R{1, u"Add T&ime to Memo", kCmdCopyTime},
      R{1, u"Add &Blank Record", kCmdAddBlankRecord, 0, false, false, true, false},
      R{0, u"T&ools ", 0},
      R{1, u"&Memo...", kCmdMemo, 'M', true},
      R{1, u"&Options...", kCmdOptions, 'O', true},
      R{1, u"Shutdown Computer Now", kCmdShutdownNow, VK_F4},
      R{1, u"&Shutdown Computer", kCmdShutdown},
      R{1, u"-", 0},
      R{1, u"Calculate Date", kCmdCalculateDate},
      R{0, u"&View ", 0},
      R{1, u"Hide Scr&een to Tray", kCmdHideToTray, 'E', true},
      R{1, u"&Quit", kCmdQuit, 'Q', true},
      R{1, u"Hide Screen to Tray and S&how Memo", kCmdHideAndShowMemo, 'H', true},
      R{1, u"-", 0},
      R{1, u"Restore M&emo Position", kCmdRestoreMemoPosition},
      R{1, u"Restore Record &Table Position", kCmdRestoreTablePosition},
      R{1, u"Restore T&ip Position", kCmdRestoreTipPosition},
      R{1, u"Restore Set &Reminder Position", kCmdRestoreDialogPosition},
      R{0, u"&Help ", 0},
      R{1, u"&Documentation", kCmdDocumentation},
      R{1, u"-", 0},
      R{1, u"Pendulo On the &Web", kCmdHomePage},
      R{1, u"-", 0},
      R{1, u"&About Pendulo", kCmdAbout},
      R{0, u"mainmenu", kMenuTray, 0, false, false, true, false},
      R{1, u"Start", kCmdPopupStart},
      R{1, u"Stop", kCmdPopupStop},
      R{1, u"Pause", kCmdPopupPause},
      R{1, u"-", 0},
      R{1, u"&Main City Time", kCmdPopupMainCityTime, 0, false, false, true, false},
      R{1, u"Weather", kCmdPopupWeather, 0, false, false, true, false},
      R{1, u"Ad&just Date and Time...", kCmdPopupAdjustDateTime, 0, false, false, true, false},
      R{1, u"Set Reminder...", kCmdPopupSetReminder},
      R{1, u"Memo...", kCmdPopupMemo},
      R{1, u"Options...", kCmdPopupOptions},
      R{1, u"-", 0},
      R{1, u"Hide to Tray", kCmdPopupHideToTray, 0, false, false, true, false},
      R{1, u"Show Window...", kCmdPopupShowWindow, 0, false, false, true, false},
      R{1, u"Restore Window Position", kCmdPopupRestoreWindowPosition},
      R{1, u"Exit", kCmdPopupExit},
      R{0, u"mnuMainListView", kMenuRecordList, 0, false, false, true, false},
      R{1, u"Save to R&ecord Table", kCmdPopupSaveToRecordTable},
      R{1, u"Modi&fy Selected Record     ", kCmdPopupModifySelectedRecord},
      R{1, u"&Delete Selected Record   ", kCmdPopupClearLatest},
  };
}

}  // namespace

// What a tick asks of the window.
class MainWindow::TimerEffects final : public TickEffects {
 public:
  explicit TimerEffects(MainWindow& window) : window_(window) {}
  void Display(const TickDisplay& display) override { window_.ShowTickDisplay(display); }
  void PlayAlarm() override { window_.PlayAlarm(); }
  // The pop-up's label shows the text as written (it takes no "&" as an underline), so it reads the
  // slot's text itself.
  void ShowReminder(int slot, const std::u16string&, const std::u16string&) override {
    window_.popup_->ShowSlot(slot, window_.hwnd());
  }
  void PowerOff() override { os::RequestPowerOff(); }

 private:
  MainWindow& window_;
};

MainWindow::MainWindow(std::u16string program_folder)
    : forms::Form(kTitle, kDesignedMainWindow.left, kDesignedMainWindow.top, kDesignedMainWindow.width,
                  kDesignedMainWindow.height),
      program_folder_(std::move(program_folder)),
      settings_path_(SettingsPath(program_folder_)) {
  count_wave_devices = [] { return static_cast<unsigned>(waveOutGetNumDevs()); };
  options_members_.texts = &state_.texts;
  system_sound_ = std::make_unique<SystemSoundBackend>(program_folder_);
  sound_ = system_sound_.get();
  OptionsEnvironment environment;
  environment.members = &options_members_;
  environment.program_folder = program_folder_;
  environment.wave_devices = [this] { return count_wave_devices ? count_wave_devices() : 1u; };
  environment.main_place = [this](double& left, double& top) {
    left = Left();
    top = Top();
  };
  environment.on_apply = [this] { ArmShutdown(); };
  environment.browse = [this] { picker_->ShowPicker(options_->hwnd()); };
  options_ = std::make_unique<OptionsWindow>(environment);
  SoundPickerEnvironment picker;
  picker.read_sound_box = [this] { return options_->file_box().Text(); };
  picker.write_sound_box = [this](const std::u16string& path) { options_->file_box().SetText(path); };
  picker.main_place = environment.main_place;
  picker_ = std::make_unique<SoundPicker>(std::move(picker));
  popup_ = std::make_unique<ReminderPopup>(
      ReminderPopupEnvironment{&state_.reminders, &edit_table_, &repeat_counts_, &state_.texts});
  ReminderEditorEnvironment editor;
  editor.table = &state_.reminders;
  editor.edit_table = &edit_table_;
  editor.intListview1 = &state_.intListview1;
  editor.blSettime = &blSettime_;
  editor.texts = &state_.texts;
  editor.main_place = environment.main_place;
  editor.start_countdown = [this](std::int64_t seconds) {
    if (timer_) timer_->StartCountdown(os::ReadClock(), seconds);
  };
  editor_ = std::make_unique<ReminderEditorWindow>(std::move(editor));
  MemoEnvironment memo;
  memo.program_folder = program_folder_;
  memo.state = &state_;
  memo.main_place = [this](double& left, double& top) {
    left = Left();
    top = Top();
  };
  memo.show_main_window = [this] { Show(); };
  memo.focus_search = [this] {
    combo_baidu_->Focus();
    SendMessageW(combo_baidu_->hwnd(), CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
  };
  memo.clock_text = [this] { return text2_->Text(); };
  memo_ = std::make_unique<MemoWindow>(std::move(memo));
  about_ = std::make_unique<AboutBox>();
  show_help = [this](const std::u16string& help_file) {
    WinHelpW(hwnd(), os::WidePtr(help_file.c_str()), HELP_PARTIALKEY, reinterpret_cast<ULONG_PTR>(L""));
  };
}

MainWindow::~MainWindow() {
  // A window that goes without Quit still takes its icon along.
  if (TrayIconShown_ && loaded()) DeleteTrayIcon();
}

void MainWindow::OnLoad() {
  toolbar1_ = &AddToolbar();
  toolbar1_->SetImageStrip(static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kToolbarPictures),
                                                           IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)),
                           kToolbarPictureMask);
  // Each button its own picture of the strip, in the order of the buttons.
  toolbar1_->AddButtons({
      {u"settime", u"Set Reminder", 0},
      {u"start", u"Start", 1},
      {u"pause", u"Pause", 2},
      {u"stop", u"Stop", 3},
      {u"Baidu", u"Web Navigation", 4},
      {u"recordtable", u"Record Table", 5},
      {u"save", u"Save to Record Table", 6},
      {u"memo", u"Memo", 7},
      {u"delete", u"Delete Selected Record", 8},
      {u"options", u"Options", 9},
      {u"website", u"Pendulo On the Web", 10},
      {u"help", u"Documentation", 11},
      {u"Shutdown", u"Shutdown Computer", 12},
      {u"exit", u"Quit", 13},
  });
  toolbar1_->on_click = [this](const std::u16string& key) { OnToolbarKey(key); };

  frame1_ = &AddFrame(u"", 0, kFrameTop, kDesignedMainWindow.width - 80, 1000);
  label4_ = &AddLabel(u"", 120, 560, 4760, 300);
  picture1_ = &AddPicture(4980, 500, 360, 360);
  picture1_->SetImage(static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kSearchPictureResource),
                                                      IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
  combo_baidu_ = &AddComboBox(5400, 520, 2000, 1800, true);
  cmd_baidu_ = &AddButton(u"Search ", 7450, 500, 900, 360);
  cmd_baidu_->on_click = [this] { Search(); };
  combo_baidu_->on_enter = [this] { Search(); };
  // A click on the picture takes the user to the search box: the last query's box first, then the combo.
  picture1_->on_click = [this] {
    text_baidu_->Focus();
    combo_baidu_->Focus();
  };
  // The last query sent, out of sight behind the search box.
  text_baidu_ = &AddTextBox(5400, 520, 2000, 330);
  text_baidu_->SetText(u"gmail buzz");
  text_baidu_->SetVisible(false);
  const char16_t* captions[] = {u"Start", u"Clock", u"Pass", u"Inverse", u"Content", u"Remark", u"Rate"};
  for (int i = 0; i < 7; ++i) AddLabel(captions[i], 120, 1000 + 400.0 * i, 720, 300);
  text1_ = &AddTextBox(840, 960, 1900, 330);
  text2_ = &AddTextBox(840, 1360, 1900, 330);
  text3_ = &AddTextBox(840, 1760, 1900, 330);
  text4_ = &AddTextBox(840, 2160, 1900, 330);
  combo1_ = &AddComboBox(840, 2560, 1900, 1800, true);
  text5_ = &AddTextBox(840, 2960, 1900, 330);
  text6_ = &AddTextBox(840, 3360, 1900, 330);
  forms::Button& command1 = AddButton(u"Start", 120, 3840, 1260, 400);
  forms::Button& command2 = AddButton(u"Stop", 1480, 3840, 1260, 400);
  forms::Button& set_time = AddButton(u"Set Reminder", 120, 4320, 2620, 400);
  command1.on_click = [this] { StartCount(); };
  command2.on_click = [this] { StopCount(); };
  set_time.on_click = [this] { OnMenuCommand(kCmdSetReminder); };

  list_view1_ = &AddListView(kListLeft, kListTop, kDesignedMainWindow.width - kListWidthMargin,
                             kDesignedMainWindow.height - kListHeightMargin);
  struct Column {
    const char16_t* header;
    double width;
  } const columns[] = {{u"Start", 610},   {u"Stop", 700},        {u"Content", 1150},
                       {u"Pass", 1550},   {u"Remark", 1550},     {u"Record Date", 1040},
                       {u"Weekday", 640}, {u" Rate(Hourly)", 900}, {u" Amount", 1}};
  for (const auto& column : columns) list_view1_->AddColumn(column.header, column.width);
  // Whole-row selection added to whatever extended style the list has.
  const LRESULT style = SendMessageW(list_view1_->hwnd(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  SendMessageW(list_view1_->hwnd(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style | LVS_EX_FULLROWSELECT);
  list_view1_->on_click = [this] { OnListClick(); };
  list_view1_->on_got_focus = [this] { OnListFocus(); };
  list_view1_->on_selection_change = [this] {
    if (GetFocus() == list_view1_->hwnd()) OnListFocus();
  };
  list_view1_->on_lost_focus = [this] {
    SetSelectionCommands(false);
  };
  list_view1_->on_right_click = [this] { OnListRightClick(); };

  status_bar1_ = &AddStatusBar();
  status_bar1_->SetPanels({5200, 3000});

  menu_.Build(MainMenuRows());
  SetMenu(menu_);
  taskbar_created_ = RegisterWindowMessageW(L"TaskbarCreated");
  OnResize();
  SetTimer(hwnd(), kClockTimer, kClockInterval, nullptr);
}

void MainWindow::StartUp() {
  std::vector<std::uint8_t> bytes;
  os::ReadWholeFile(settings_path_.c_str(), bytes);  // no file reads as every key missing
  const SettingsFile file = SettingsFile::FromBytes(bytes);
  const os::ClockReading now = os::ReadClock();
  state_ = DecideStartup(file, program_folder_, now.local);
  mode_ = ClockModeState{};  // Standard Time, no item checked
  TimerBinding binding;
  binding.table = &state_.reminders;
  binding.edit_table = &edit_table_;
  binding.counts = &repeat_counts_;
  binding.intListview1 = &state_.intListview1;
  binding.blSettime = &blSettime_;
  binding.members = &options_members_;
  binding.shutdown_due = &shutdown_due_;
  timer_ = std::make_unique<OneSecondTimer>(binding, now.local);

  hwnd();  // the controls exist from here on
  if (state_.main_window) {
    const TwipRect& r = *state_.main_window;
    // Stored numbers that no screen shows would put the window where nobody can reach it.
    const RECT pixels{forms::TwipsToPixelsX(r.left), forms::TwipsToPixelsY(r.top),
                      forms::TwipsToPixelsX(r.left + r.width), forms::TwipsToPixelsY(r.top + r.height)};
    if (MonitorFromRect(&pixels, MONITOR_DEFAULTTONULL)) SetGeometry(r.left, r.top, r.width, r.height);
  }
  if (state_.show_memo) {
    // Asked for at start: on top of other windows until the user turns to it.
    memo_->Show();
    SetWindowPos(memo_->hwnd(), HWND_TOPMOST, kMemoTopmostLeft, kMemoTopmostTop, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    if (state_.intTempMemoTop != 0 || state_.intTempMemoLeft != 0) {
      memo_->SetGeometry(state_.intTempMemoLeft, state_.intTempMemoTop, memo_->Width(), memo_->Height());
    }
  }
  if (state_.run_at_logon) os::SetUserString(kRunKey, kRunValueName, state_.run_at_logon->c_str());
  for (const auto& preset : WebSearchPresets()) combo_baidu_->AddItem(preset);
  for (const auto& activity : state_.activities) combo1_->AddItem(activity);
  combo1_->SetText(state_.activity_text);
  label4_->SetText(state_.date_line);
  text2_->SetText(state_.clock_text);
  status_bar1_->SetPanel(0, state_.date_line);
  // Asking whether the memo holds text loads it, hidden, with its file.
  status_bar1_->SetPanel(1, memo_->HasContent() ? u"Memo has content" : u"Memo has no content");
  ApplyCounterCommands();
  keeper_ = std::make_unique<RecordKeeper>(program_folder_, IsoDate(now.local.year, now.local.month, now.local.day));
  keeper_->table().geometry = {state_.intTempTableTop, state_.intTempTableLeft, state_.intTempTableHeight,
                               state_.intTempTableWidth};
  keeper_->table().show_main_window = [this] { Show(); };
  // Where the table window was left is where it opens next, in this run and, through the settings, the next.
  keeper_->table().on_unload = [this](const TableGeometry& g) {
    state_.intTempTableTop = g.top;
    state_.intTempTableLeft = g.left;
    state_.intTempTableHeight = g.height;
    state_.intTempTableWidth = g.width;
    state_.texts[kTableTop] = NumberText(g.top);
    state_.texts[kTableLeft] = NumberText(g.left);
    state_.texts[kTableHeight] = NumberText(g.height);
    state_.texts[kTableWidth] = NumberText(g.width);
  };
  keeper_->OpenAtStartUp();
  if (!state_.main_window_hidden) Show();
  // After the window is up: the request waits for the notification area, and messages sent to the
  // window meanwhile are already answered.
  AddTrayIcon();
}

void MainWindow::Tick() {
  if (TrayIconShown_ && !tray_confirmed_ && tray_retries_ < kTrayRetries) {
    ++tray_retries_;
    // An icon offered to a notification area that was not ready yet is offered again.
    NOTIFYICONDATAW probe{};
    probe.cbSize = sizeof probe;
    probe.hWnd = hwnd();
    probe.uID = kTrayIconId;
    tray_confirmed_ = Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE || TrayRequest(NIM_ADD);
  }
  if (!timer_) return;
  TickInputs inputs;
  inputs.counter = &counter_;
  inputs.mode = mode_;
  inputs.pass_box = text3_->Text();
  inputs.inverse_box = text4_->Text();
  // The chime's interval is read live from the options dialog, as the alarm reads its sound.
  inputs.chime_interval = options_->interval_box().Text();
  inputs.memo_caption_base = memo_->tempMemoCaption();
  TimerEffects effects(*this);
  timer_->Tick(os::ReadClock(), inputs, effects);
}

void MainWindow::ShowTickDisplay(const TickDisplay& display) {
  if (TrayIconShown_) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = hwnd();
    data.uID = kTrayIconId;
    data.uFlags = NIF_TIP;
    display.tip.copy(reinterpret_cast<char16_t*>(data.szTip), kTrayTipLength);
    Shell_NotifyIconW(NIM_MODIFY, &data);
  }
  if (memo_->loaded()) {
    memo_->Mirror();
    if (display.memo_caption) memo_->SetCaptionTime(*display.memo_caption);
  }
  if (display.start_box && text1_->Text() != *display.start_box) text1_->SetText(*display.start_box);
  if (text2_->Text() != display.clock_box) text2_->SetText(display.clock_box);
  if (display.pass_box && text3_->Text() != *display.pass_box) text3_->SetText(*display.pass_box);
  if (display.inverse_box && text4_->Text() != *display.inverse_box) text4_->SetText(*display.inverse_box);
  if (display.caption != last_caption_) {
    forms::SetWindowText16(hwnd(), display.caption);
    last_caption_ = display.caption;
  }
  if (label4_->Text() != display.date_line) label4_->SetText(display.date_line);
  if (status_bar1_->Panel(0) != display.date_line) status_bar1_->SetPanel(0, display.date_line);
}

void MainWindow::ShowReminderEditor(bool modal) {
  // From the notification area the editor comes alone, without the main window.
  editor_->ShowEditor(modal ? hwnd() : nullptr);
}

void MainWindow::ShowMemo(bool hide_main) {
  if (hide_main) Hide();
  memo_->ShowMemo();
}

void MainWindow::InsertIntoMemo(const std::u16string& text) {
  memo_->Insert(text);
  memo_->Mirror();
  memo_->Show();
}

void MainWindow::OnTimer(UINT_PTR id) {
  if (id == kClockTimer) Tick();
}

void MainWindow::ArmShutdown() {
  if (IsFlagSet(options_members_.autoShutoff)) {
    shutdown_due_ = ShutdownMoment(os::ReadClock(), options_members_.timeShutoff);
  }
}

void MainWindow::PlayAlarm() { PlayAlarmSound(options_->CurrentSound(), options_members_.sysSound, *sound_); }

void MainWindow::ShowReminder(int slot) {
  if (IsFlagSet(state_.reminders.slot(slot).SoundOn)) PlayAlarm();
  popup_->ShowSlot(slot, hwnd());
}

bool MainWindow::TrayRequest(DWORD action) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;  // the record at its own size: the old 88-byte one is a 32-bit layout
  data.hWnd = hwnd();
  data.uID = kTrayIconId;
  if (action != NIM_DELETE) {
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayCallbackMessage;
    data.hIcon = reinterpret_cast<HICON>(GetClassLongPtrW(hwnd(), GCLP_HICON));
    if (!data.hIcon) data.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    if (!data.hIcon) data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    const os::LocalDateTime today = os::ReadClock().local;
    const std::u16string tip =
        TrayTip(WeekdayText(today.weekday), os::FormatNamed(today, os::NamedFormat::kLongDate));
    tip.copy(reinterpret_cast<char16_t*>(data.szTip), kTrayTipLength);
  }
  return Shell_NotifyIconW(action, &data) != FALSE;
}

void MainWindow::AddTrayIcon() {
  // An add for an icon that is there already fails and changes nothing.
  tray_confirmed_ = TrayRequest(NIM_ADD);
  TrayIconShown_ = true;
}

void MainWindow::DeleteTrayIcon() {
  TrayRequest(NIM_DELETE);
  TrayIconShown_ = false;
  tray_confirmed_ = false;
}

void MainWindow::OpenTrayMenu() {
  POINT at{};
  GetCursorPos(&at);
  // The menu closes when the user clicks elsewhere only while the window is in the foreground.
  SetForegroundWindow(hwnd());
  TrackPopupMenu(menu_.Popup(kMenuTray), TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
  PostMessageW(hwnd(), WM_NULL, 0, 0);
}

bool MainWindow::OnMessage(UINT message, WPARAM, LPARAM lparam, LRESULT& result) {
  if (message == kTrayCallbackMessage) {
    switch (ActionForTrayMessage(static_cast<std::uintptr_t>(lparam), true)) {
      case TrayAction::kShowWindow:
        Show();
        break;
      case TrayAction::kOpenMenu:
        OpenTrayMenu();
        break;
      case TrayAction::kShowReminderEditor:
        ShowReminderEditor(false);
        break;
      case TrayAction::kNothing:
        break;
    }
    result = 0;
    return true;
  }
  if (taskbar_created_ != 0 && message == taskbar_created_) {
    // Explorer started again with an empty notification area: the icon goes back, or the hidden
    // program could not be reached.
    if (TrayIconShown_) AddTrayIcon();
    result = 0;
    return true;
  }
  if (message == kQueryEndSession) {
    // What closing saves, so a log-off keeps every change since the last close; the running count is
    // not recorded, as at Quit. An edited memo is written too; when it cannot be, and the user keeps it
    // open rather than saving it elsewhere, the session does not end over it.
    result = memo_->KeepText() ? TRUE : FALSE;
    if (!result) memo_->ShowMemo();
    SaveSettings();
    return true;
  }
  return false;
}

void MainWindow::StartCount() {
  const os::ClockReading now = os::ReadClock();
  if (!counter_.Start(now.absolute, os::FormatNamed(now.local, ClockFormat(mode_)), mode_)) return;
  text3_->SetText(counter_.elapsed_text());
  text1_->SetText(counter_.start_text());
  status_bar1_->SetPanel(1, counter_.status());
  current_row_ = list_view1_->AddRow(counter_.start_text());
  count_start_seconds_ = static_cast<std::int32_t>(os::SecondsAfterMidnight(now.local));
  ++intRecordCount;
  ApplyCounterCommands();
}

void MainWindow::PauseCount() {
  if (!counter_.PauseOrContinue(os::ReadClock().absolute)) return;
  status_bar1_->SetPanel(1, counter_.status());
  ApplyCounterCommands();
}

void MainWindow::StopCount() {
  const os::ClockReading now = os::ReadClock();
  StopInputs inputs;
  inputs.clock_text = text2_->Text();
  inputs.activity = combo1_->Text();
  inputs.remark = text5_->Text();
  inputs.rate = text6_->Text();
  inputs.short_date = os::FormatNamed(now.local, os::NamedFormat::kShortDate);
  inputs.weekday = now.local.weekday;
  const std::int64_t counted = counter_.ElapsedSeconds(now.absolute);
  const auto row = counter_.Stop(now.absolute, inputs, mode_);
  if (!row) return;
  if (keeper_ && current_row_ >= 0) {
    auto& rows = keeper_->rows();
    if (rows.size() <= static_cast<std::size_t>(current_row_)) rows.resize(current_row_ + 1);
    RecordRow& kept = rows[current_row_];
    kept = RecordRow{};
    kept.start_text = row->start;
    kept.stop_text = row->stop;
    kept.content = row->content;
    kept.pass_text = row->pass;
    kept.remark = row->remark;
    kept.date_text = row->record_date;
    kept.weekday_text = row->weekday;
    kept.rate = row->rate;
    kept.start_seconds = count_start_seconds_;
    kept.stop_seconds = static_cast<std::int32_t>(os::SecondsAfterMidnight(now.local));
    kept.pass_seconds = counted;
    kept.record_date = IsoDate(now.local.year, now.local.month, now.local.day);
    kept.weekday = now.local.weekday;
  }
  const std::u16string* cells[] = {&row->stop,        &row->content, &row->pass, &row->remark,
                                   &row->record_date, &row->weekday};
  for (int c = 0; c < 6; ++c) list_view1_->SetCell(current_row_, c + 1, *cells[c]);
  if (!row->rate.empty()) list_view1_->SetCell(current_row_, 7, row->rate);
  text3_->SetText(u"");
  text1_->SetText(u"");
  status_bar1_->SetPanel(1, counter_.status());
  ApplyCounterCommands();
}

void MainWindow::ApplyCounterCommands() {
  const CounterCommands c = counter_.commands();
  menu_.SetEnabled(kCmdStart, c.start);
  menu_.SetEnabled(kCmdStop, c.stop);
  menu_.SetEnabled(kCmdPause, c.pause);
  menu_.SetCaption(kCmdPause, c.pause_caption);
  // The record commands stay off from Start to Stop and while the list is empty; modifying and deleting
  // one row also need a selection, which the list's own events set.
  const bool records = c.records && list_view1_->RowCount() > 0;
  for (const int command : {kCmdSaveToRecordTable, kCmdClearAll, kCmdCopyRecords}) menu_.SetEnabled(command, records);
  menu_.SetEnabled(kCmdModifySelectedRecord, false);
  menu_.SetEnabled(kCmdClearLatest, false);
  constexpr int kPauseButton = 2;
  toolbar1_->SetTip(kPauseButton, c.pause_tip);
  toolbar1_->SetPressed(kPauseButton, c.pause_pressed);
}

void MainWindow::ChooseMode(ClockMode mode) {
  mode_ = ChooseClockMode(mode);
  menu_.SetChecked(kCmdStandardTime, mode_.standard_checked);
  menu_.SetChecked(kCmdNormalTime, mode_.normal_checked);
  menu_.SetChecked(kCmdAccurateTime, mode_.accurate_checked);
  text2_->SetText(os::FormatNamed(os::ReadClock().local, ClockFormat(mode_)));
}

void MainWindow::AdjustDateTime() {
  os::StartProgram(kDateTimeSettingsProgram, kDateTimeSettingsParameters, nullptr);
}

void MainWindow::CalculateDate() {
  const std::u16string message = DateAfter180DaysMessage(os::ReadClock().local);
  os::ShowMessageBox(hwnd(), message.c_str(), kTitle, 0);
  AdjustDateTime();
}

void MainWindow::OnToolbarKey(const std::u16string& key) {
  if (const int command = CommandOfToolbarKey(key)) OnMenuCommand(command);
}

void MainWindow::Search() {
  text_baidu_->SetText(combo_baidu_->Text());
  os::StartProgram(SearchAddress(combo_baidu_->Text()).c_str(), u"", nullptr);
}

void MainWindow::OnMenuCommand(int command) {
  switch (command) {
    case kCmdSetReminder:
    case kCmdPopupSetReminder:
      ShowReminderEditor(true);
      break;
    case kCmdMemo:
    case kCmdPopupMemo:
      ShowMemo(false);
      break;
    case kCmdCopyRecords:
      if (keeper_ && !counter_.blstart() && !keeper_->rows().empty()) InsertIntoMemo(MemoTextOfRows(keeper_->rows()));
      break;
    case kCmdCopyDate: {
      const os::LocalDateTime today = os::ReadClock().local;
      InsertIntoMemo(MemoTextOfDate(os::FormatNamed(today, os::NamedFormat::kLongDate), WeekdayText(today.weekday)));
      break;
    }
    case kCmdCopyTime:
      InsertIntoMemo(MemoTextOfTime(text2_->Text()));
      break;
    case kCmdStart:
    case kCmdPopupStart:
      StartCount();
      break;
    case kCmdStop:
    case kCmdPopupStop:
      StopCount();
      break;
    case kCmdPause:
    case kCmdPopupPause:
      PauseCount();
      break;
    case kCmdStandardTime:
      ChooseMode(ClockMode::kStandard);
      break;
    case kCmdNormalTime:
      ChooseMode(ClockMode::kNormal);
      break;
    case kCmdAccurateTime:
      ChooseMode(ClockMode::kAccurate);
      break;
    case kCmdAdjustTime:
    case kCmdPopupAdjustDateTime:
      AdjustDateTime();
      break;
    case kCmdCalculateDate:
      CalculateDate();
      break;
    case kCmdPopupRestoreWindowPosition:
      SetGeometry(kDesignedMainWindow.left, kDesignedMainWindow.top, kDesignedMainWindow.width,
                  kDesignedMainWindow.height);
      Show();
      break;
    case kCmdRestoreTipPosition:
      state_.texts[kTipLeft] = SignedNumberText(kRestoredTipLeft);
      state_.texts[kTipTop] = SignedNumberText(kRestoredTipTop);
      break;
    case kCmdRestoreDialogPosition:
      state_.texts[kDialogTop].assign(1, u'0');  // GCC 12 takes a literal here for an overlapping copy
      {
        const TwipPoint place = RestoredDialog(Left(), Top());
        editor_->SetGeometry(place.left, place.top, editor_->Width(), editor_->Height());
      }
      break;
    case kCmdSaveToRecordTable:
    case kCmdPopupSaveToRecordTable:
      SaveToRecordTable();
      break;
    case kCmdModifySelectedRecord:
    case kCmdPopupModifySelectedRecord:
      ModifySelectedRecords();
      break;
    case kCmdClearLatest:
    case kCmdPopupClearLatest:
      DeleteSelectedRecords();
      break;
    case kCmdClearAll:
      DeleteAllRecords();
      break;
    case kCmdShowRecordTable:
      ShowRecordTable();
      break;
    case kCmdQuit:
    case kCmdPopupExit:
      Quit();
      break;
    case kCmdHideToTray:
    case kCmdPopupHideToTray:
      Hide();
      break;
    case kCmdHideAndShowMemo:
      ShowMemo(true);
      break;
    case kCmdPopupShowWindow:
      Show();
      break;
    case kCmdOptions:
    case kCmdPopupOptions:
      options_->ShowOptions();
      break;
    case kCmdShutdown: {
      const os::LocalDateTime now = os::ReadClock().local;
      options_->ShowForShutdown(PresetForShutdown(now.hour, now.minute), true);
      break;
    }
    case kCmdShutdownNow: {
      const os::LocalDateTime now = os::ReadClock().local;
      options_->ShowForShutdown(PresetForShutdownNow(now.hour, now.minute), false);
      break;
    }
    case kCmdRestoreMemoPosition:
      memo_->SetGeometry(kRestoredMemo.left, kRestoredMemo.top, memo_->Width(), memo_->Height());
      memo_->Show();
      break;
    case kCmdRestoreTablePosition:
      if (keeper_) {
        RecordTableWindow& table = keeper_->table();
        table.geometry.left = kRestoredTable.left;
        table.geometry.top = kRestoredTable.top;
        if (table.hwnd()) {
          SetWindowPos(table.hwnd(), nullptr, forms::TwipsToPixelsX(kRestoredTable.left),
                       forms::TwipsToPixelsY(kRestoredTable.top), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        ShowRecordTable();
      }
      break;
    case kCmdAbout:
      about_->ShowAbout(hwnd());
      break;
    case kCmdDocumentation:
      if (show_help) show_help(program_folder_ + u"\\Pendulo.hlp");
      break;
    default:
      if (const auto page = PageOfCommand(command)) os::StartProgram(PageAddress(*page).c_str(), u"", nullptr);
      break;
  }
}

void MainWindow::SaveToRecordTable() {
  // Nothing at all while a count runs or with no rows; then the list and its unseen rows are in step.
  if (!keeper_ || counter_.blstart() || keeper_->rows().empty()) return;
  const std::u16string memo = keeper_->SaveToRecordTable(hwnd(), false);
  if (memo.empty()) {
    status_bar1_->SetPanel(1, u"");
  } else {
    memo_text_waiting_ += memo;
    InsertIntoMemo(memo);
  }
}

bool MainWindow::AnyRowSelected() const {
  for (int row = list_view1_->RowCount() - 1; row >= 0; --row) {
    if (list_view1_->RowSelected(row)) return true;
  }
  return false;
}

void MainWindow::SetSelectionCommands(bool enabled) {
  menu_.SetEnabled(kCmdModifySelectedRecord, enabled);
  menu_.SetEnabled(kCmdClearLatest, enabled);
}

void MainWindow::OnListClick() {
  if (counter_.blstart()) return;
  SetSelectionCommands(false);
  if (list_view1_->RowCount() == 0) {
    menu_.SetEnabled(kCmdClearAll, false);
    return;
  }
  if (AnyRowSelected()) SetSelectionCommands(true);
}

void MainWindow::OnListFocus() {
  if (counter_.blstart()) return;
  if (list_view1_->RowCount() == 0) {
    menu_.SetEnabled(kCmdClearAll, false);
    return;
  }
  if (AnyRowSelected()) SetSelectionCommands(true);
}

void MainWindow::OnListRightClick() {
  const bool rows = list_view1_->RowCount() > 0 && !counter_.blstart();
  const bool selected = rows && AnyRowSelected();
  menu_.SetEnabled(kCmdPopupSaveToRecordTable, rows);
  menu_.SetEnabled(kCmdPopupModifySelectedRecord, selected);
  menu_.SetEnabled(kCmdPopupClearLatest, selected);
  POINT at{};
  GetCursorPos(&at);
  TrackPopupMenu(menu_.Popup(kMenuRecordList), TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
}

void MainWindow::RemoveListRow(int row) {
  list_view1_->RemoveRow(row);
  // The unseen data goes with its row, so that a later save or Save to Memo never meets a row the user
  // removed. A row stored before stays in the record table, where the table window deletes it.
  if (keeper_ && static_cast<std::size_t>(row) < keeper_->rows().size()) {
    keeper_->rows().erase(keeper_->rows().begin() + row);
  }
  if (current_row_ == row) current_row_ = -1;
  if (current_row_ > row) --current_row_;
}

void MainWindow::ModifySelectedRecords() {
  if (counter_.blstart() || list_view1_->RowCount() == 0) return;
  for (int row = list_view1_->RowCount() - 1; row >= 0; --row) {
    if (!list_view1_->RowSelected(row)) continue;
    if (os::ShowMessageBox(hwnd(), kModifyQuestion, kModifyTitle, kBoxOkCancelInformation) != os::kAnswerOk) continue;
    const std::u16string start = text1_->Text();
    const auto seconds = ParseTimeOfDay(start);
    if (!seconds) {
      const std::u16string message = u" Perhaps the data in current Start " + start +
                                     u" is wrong (e.g., not hh:mm), please check it and try again.";
      os::ShowMessageBox(hwnd(), message.c_str(), kModifyTitle, kBoxOkCancelQuestion);
      return;
    }
    os::LocalDateTime at = os::ReadClock().local;
    at.hour = *seconds / 3600;
    at.minute = *seconds / 60 % 60;
    at.second = *seconds % 60;
    at.millisecond = 0;
    const std::u16string display = os::FormatNamed(at, os::NamedFormat::kLongTime);
    if (keeper_) {
      auto& rows = keeper_->rows();
      if (rows.size() <= static_cast<std::size_t>(row)) rows.resize(static_cast<std::size_t>(row) + 1);
      ModifyRow(rows[static_cast<std::size_t>(row)], start, display, combo1_->Text(), text5_->Text(), text3_->Text());
    }
    list_view1_->SetCell(row, 0, display);
    list_view1_->SetCell(row, 2, combo1_->Text());
    list_view1_->SetCell(row, 4, text5_->Text());
    list_view1_->SetCell(row, 3, text3_->Text());
  }
}

void MainWindow::DeleteSelectedRecords() {
  if (counter_.blstart() || list_view1_->RowCount() == 0) return;
  for (int row = list_view1_->RowCount() - 1; row >= 0; --row) {
    if (!list_view1_->RowSelected(row)) continue;
    if (os::ShowMessageBox(hwnd(), kDeleteQuestion, kDeleteTitle, kBoxOkCancelInformation) != os::kAnswerOk) continue;
    RemoveListRow(row);
    SetSelectionCommands(false);
    if (list_view1_->RowCount() == 0) {
      for (const int command : {kCmdClearAll, kCmdSaveToRecordTable, kCmdCopyRecords}) menu_.SetEnabled(command, false);
    }
  }
}

void MainWindow::DeleteAllRecords() {
  if (counter_.blstart()) return;
  if (os::ShowMessageBox(hwnd(), kDeleteAllQuestion, kDeleteAllTitle, kBoxOkCancelExclamationSecond) != os::kAnswerOk) {
    return;
  }
  for (int row = list_view1_->RowCount() - 1; row >= 0; --row) RemoveListRow(row);
  if (keeper_) keeper_->rows().clear();
  SetSelectionCommands(false);
  for (const int command : {kCmdClearAll, kCmdSaveToRecordTable, kCmdCopyRecords}) menu_.SetEnabled(command, false);
}

void MainWindow::ShowRecordTable() {
  if (keeper_) keeper_->ShowRecordTable(hwnd());
}

bool MainWindow::SaveSettings() {
  std::vector<std::uint8_t> bytes;
  os::ReadWholeFile(settings_path_.c_str(), bytes);
  SettingsFile file = SettingsFile::FromBytes(bytes);
  // The normal place, never a minimised or maximised one, so the next start opens a usable window.
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  GetWindowPlacement(hwnd(), &placement);
  const RECT& r = placement.rcNormalPosition;
  const TwipRect geometry{forms::PixelsToTwipsX(r.left), forms::PixelsToTwipsY(r.top),
                          forms::PixelsToTwipsX(r.right - r.left), forms::PixelsToTwipsY(r.bottom - r.top)};
  WriteSettings(state_.texts, geometry, state_.reminders, state_.intListview1, file);
  const bool saved = os::ReplaceWholeFile(settings_path_.c_str(), file.Bytes());
  if (const auto message = save_notice_.MessageFor(saved, settings_path_)) {
    os::ShowMessageBox(hwnd(), message->c_str(), kTitle, 0x30 /* MB_ICONEXCLAMATION */);
  }
  return saved;
}

void MainWindow::CloseToTray() {
  // Closing never ends the program: the window hides, the settings are saved and the icon stays.
  Hide();
  SaveSettings();
  if (!TrayIconShown_) AddTrayIcon();
}

bool MainWindow::HasUnsavedRows() {
  if (!keeper_) return false;
  for (const RecordRow& row : keeper_->rows()) {
    if (row.stored_id == 0 || row.changed_since_save) return true;
  }
  return false;
}

void MainWindow::Quit() {
  if (ended_) return;
  if (counter_.blstart() &&
      os::ShowMessageBox(hwnd(), kQuitWhileCounting, kQuitTitle, kBoxOkCancelExclamationSecond) != os::kAnswerOk) {
    return;
  }
  if (HasUnsavedRows()) {
    const int answer = os::ShowMessageBox(hwnd(), kQuitWithUnsavedRows, kQuitTitle, kBoxYesNoCancelQuestion);
    if (answer == kAnswerCancel) return;
    // The stopped rows are saved; the running count has no row to save yet. A save that failed has
    // told the user why; the program stays, so that the rows are not lost with it.
    if (answer == os::kAnswerYes) {
      const std::u16string memo = keeper_->SaveToRecordTable(hwnd(), false);
      if (!memo.empty()) {
        memo_text_waiting_ += memo;
        InsertIntoMemo(memo);
        return;
      }
    }
  }
  // The memo's text first: when it cannot be written anywhere the user chose, the program stays.
  if (!memo_->KeepText()) {
    memo_->Show();
    return;
  }
  ended_ = true;
  DeleteTrayIcon();
  SaveSettings();
  // Every other window runs its own unload once.
  options_->Unload();
  popup_->Unload();
  memo_->UnloadMemo();
  editor_->Unload();
  about_->Unload();
  picker_->Unload();
  keeper_.reset();
  KillTimer(hwnd(), kClockTimer);
  Unload();
  PostQuitMessage(0);
}

void MainWindow::OnCloseRequest() { CloseToTray(); }

void MainWindow::OnResize() {
  if (!list_view1_ || !frame1_) return;
  const double width = Width();
  const double height = Height();
  RECT status{};
  RECT tools{};
  GetWindowRect(status_bar1_->hwnd(), &status);
  GetWindowRect(toolbar1_->hwnd(), &tools);
  const double status_height = forms::PixelsToTwipsY(status.bottom - status.top);
  const double toolbar_height = forms::PixelsToTwipsY(tools.bottom - tools.top);
  const auto layout = LayoutMainWindow(width, height, kFrameTop, status_height, toolbar_height);
  if (!layout) return;
  frame1_->Move(0, kFrameTop, layout->frame_width, layout->frame_height);
  list_view1_->Move(kListLeft, kListTop, layout->list_width, layout->list_height);
}

}  // namespace tracker
