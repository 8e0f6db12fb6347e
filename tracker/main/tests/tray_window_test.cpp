// The main window in the notification area under Xvfb, with an injected clock, message-box answers and
// recorders for sounds and the shutdown request: the icon's messages, hide, close and Quit, logging off,
// the options dialog, the reminder pop-up and the armed shutdown.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/os/local_clock.h"
#include "platform/os/message_box.h"
#include "platform/os/power_off.h"
#include "platform/os/program_start.h"
#include "platform/os/user_registry.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tracker_runner.h"
#include "tracker/main/command_ids.h"
#include "tracker/main/main_window.h"
#include "tracker/main/tests/main_window_test_support.h"
#include "tracker/main/tray_model.h"

namespace tracker {
namespace {

using window_test::kMidnight;

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

class SoundRecorder final : public SoundBackend {
 public:
  void Tone(std::int32_t f, std::int32_t ms) override { trace.push_back("tone " + std::to_string(f) + " " + std::to_string(ms)); }
  void PlaySystemSound(const std::u16string& alias) override { trace.push_back("PlaySound " + Narrow(alias)); }
  void PlayWaveFile(const std::u16string& path) override { trace.push_back("sndPlaySound " + Narrow(path)); }
  void SendMediaCommand(const std::u16string& command) override { trace.push_back("mci " + Narrow(command)); }
  std::vector<std::string> trace;
};

struct Box {
  std::u16string text;
  std::u16string caption;
  std::uint32_t style;
};

class TrayWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTime(10, 14, 0, 0);
    os::SetClockSource([](void* context) { return static_cast<TrayWindowTest*>(context)->reading_; }, this);
    os::SetNamedFormatter(
        [](const os::LocalDateTime& t, os::NamedFormat f, void*) { return os::FormatUnitedStates(t, f); }, nullptr);
    os::SetMessageBoxResponder(
        [](const os::MessageBoxRequest& request, void* context) {
          auto* test = static_cast<TrayWindowTest*>(context);
          test->boxes_.push_back(Box{request.text, request.caption, request.style});
          if (test->answers_.empty()) return os::kAnswerOk;
          const int answer = test->answers_.front();
          test->answers_.pop_front();
          return answer;
        },
        this);
    os::SetPowerOffSink(
        [](const os::PowerOffRequest& request, void* context) {
          static_cast<TrayWindowTest*>(context)->power_offs_.push_back(request);
        },
        this);
    os::SetProgramStartSink([](const os::ProgramStart&, void*) {}, nullptr);
  }
  void TearDown() override { window_test::ResetWindowTestSeams(); }

  void SetTime(int day, int hour, int minute, int second) {
    window_test::SetDecemberTime(reading_, day, hour, minute, second);
  }

  std::u16string Folder() const { return window_test::FolderText(folder_); }

  // A window started from no settings file, its sounds recorded and one wave device.
  std::unique_ptr<MainWindow> Started(unsigned wave_devices = 1) {
    auto window = std::make_unique<MainWindow>(Folder());
    window->SetSoundBackend(&sounds_);
    window->count_wave_devices = [wave_devices] { return wave_devices; };
    window->StartUp();
    return window;
  }

  static void Command(MainWindow& window, int command) { window_test::SendCommand(window, command); }

  // The icon exists: a new prefix's notification area may need a moment for the first one.
  static bool IconShows(MainWindow& window) {
    for (int i = 0; i < 40; ++i) {
      if (lz::test::HasTrayIcon(window.hwnd())) return true;
      window.Tick();
      Sleep(50);
    }
    return false;
  }

  bool SettingsWritten() const { return std::filesystem::exists(folder_.path() / "Wexrad.txt"); }

  lz::test::TempFolder folder_;
  os::ClockReading reading_;
  std::vector<Box> boxes_;
  std::deque<int> answers_;
  std::vector<os::PowerOffRequest> power_offs_;
  SoundRecorder sounds_;
};

// Ends the pop-up menu that a timer finds open, noting that it was.
bool g_menu_seen = false;
void CALLBACK EndOpenMenu(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  HWND menu = FindWindowW(L"#32768", nullptr);
  g_menu_seen = menu && IsWindowVisible(menu);
  EndMenu();
}

TEST_F(TrayWindowTest, TheIconsMessages) {
  auto window = Started();
  ASSERT_TRUE(IconShows(*window));
  EXPECT_TRUE(window->tray_icon_shown());
  struct Case {
    LPARAM mouse;
    bool shows;
  } const cases[] = {{0x202, true}, {0x203, true}, {0x205, false}, {0x206, false}, {0x200, false}};
  for (const auto& c : cases) {
    window->Hide();
    SendMessageW(window->hwnd(), kTrayCallbackMessage, kTrayIconId, c.mouse);
    EXPECT_EQ(window->Visible(), c.shows) << std::hex << c.mouse;
  }
  // A left click while shown leaves it shown.
  SendMessageW(window->hwnd(), kTrayCallbackMessage, kTrayIconId, 0x202);
  EXPECT_TRUE(window->Visible());

  window_test::SettleDisplay();
  g_menu_seen = false;
  SetTimer(nullptr, 0, 200, EndOpenMenu);
  SendMessageW(window->hwnd(), kTrayCallbackMessage, kTrayIconId, 0x204);
  EXPECT_TRUE(g_menu_seen);
  Command(*window, kCmdQuit);
}

TEST_F(TrayWindowTest, HideAndCloseKeepTheIconQuitTakesIt) {
  auto window = Started();
  ASSERT_TRUE(IconShows(*window));
  Command(*window, kCmdHideToTray);
  EXPECT_FALSE(window->Visible());
  EXPECT_TRUE(lz::test::HasTrayIcon(window->hwnd()));
  EXPECT_FALSE(SettingsWritten());

  SendMessageW(window->hwnd(), kTrayCallbackMessage, kTrayIconId, 0x202);
  SendMessageW(window->hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(window->loaded());
  EXPECT_FALSE(window->Visible());
  EXPECT_TRUE(lz::test::HasTrayIcon(window->hwnd()));
  ASSERT_TRUE(SettingsWritten());
  const auto after_close = lz::test::ReadFileBytes(folder_.path() / "Wexrad.txt");

  // Closed twice: still one icon, which one delete takes away.
  SendMessageW(window->hwnd(), kTrayCallbackMessage, kTrayIconId, 0x203);
  SendMessageW(window->hwnd(), WM_CLOSE, 0, 0);
  const HWND hwnd = window->hwnd();
  Command(*window, kCmdPopupExit);
  EXPECT_FALSE(window->loaded());
  EXPECT_FALSE(lz::test::HasTrayIcon(hwnd));
  EXPECT_EQ(lz::test::ReadFileBytes(folder_.path() / "Wexrad.txt"), after_close);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(TrayWindowTest, TheIconComesBackWhenTheTaskbarIsMadeAgain) {
  auto window = Started();
  ASSERT_TRUE(IconShows(*window));
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window->hwnd();
  data.uID = kTrayIconId;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
  SendMessageW(window->hwnd(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(lz::test::HasTrayIcon(window->hwnd()));
  Command(*window, kCmdQuit);
}

TEST_F(TrayWindowTest, QuitWhileCountingAsksFirst) {
  auto window = Started();
  Command(*window, kCmdStart);
  answers_ = {2};  // Cancel
  Command(*window, kCmdQuit);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, u"The software is counting time, are you sure to quit before saving?");
  EXPECT_EQ(boxes_[0].caption, u"Quit");
  EXPECT_EQ(boxes_[0].style, 305u);
  EXPECT_TRUE(window->loaded());
  EXPECT_TRUE(window->counter().blstart());
  EXPECT_TRUE(lz::test::HasTrayIcon(window->hwnd()));
  EXPECT_FALSE(SettingsWritten());

  answers_ = {os::kAnswerOk};
  const HWND hwnd = window->hwnd();
  Command(*window, kCmdQuit);
  EXPECT_EQ(boxes_.size(), 2u);  // the running count is no stored row: nothing more is asked
  EXPECT_FALSE(window->loaded());
  EXPECT_FALSE(lz::test::HasTrayIcon(hwnd));
  EXPECT_TRUE(SettingsWritten());
}

TEST_F(TrayWindowTest, QuitOffersToSaveRowsNotStoredYet) {
  auto window = Started();
  Command(*window, kCmdStart);
  SetTime(10, 14, 30, 0);
  Command(*window, kCmdStop);
  answers_ = {2};  // Cancel: stays
  Command(*window, kCmdQuit);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, u"Save the records that are not in the record table yet?");
  EXPECT_EQ(boxes_[0].caption, u"Quit");
  EXPECT_EQ(boxes_[0].style, 35u);
  EXPECT_TRUE(window->loaded());

  answers_ = {os::kAnswerYes};
  records::RecordStore* store = &window->records_keeper()->store();
  ASSERT_TRUE(store->IsOpen());
  Command(*window, kCmdQuit);
  EXPECT_FALSE(window->loaded());
  records::RecordStore check;
  ASSERT_EQ(check.Open(folder_.path().u16string() + u"\\Pendulo.db"), records::OpenStatus::kOk);
  const auto ids = check.FindIds({});
  ASSERT_TRUE(ids.has_value());
  ASSERT_EQ(ids->size(), 1u);
  const auto row = check.Read(ids->front());
  ASSERT_TRUE(row.has_value());
  EXPECT_EQ(row->start, 14 * 3600);
  EXPECT_EQ(row->stop, 14 * 3600 + 30 * 60);
  EXPECT_EQ(row->record_date, u"2026-12-10");
  EXPECT_EQ(row->weekday, 4);
}

TEST_F(TrayWindowTest, QuitStaysWhenTheRowsCannotBeSaved) {
  // A file that is not a record store: the save fails and says so.
  lz::test::WriteFileBytes(folder_.path() / "Pendulo.db", {'n', 'o', 't', ' ', 'a', ' ', 's', 't', 'o', 'r', 'e'});
  auto window = Started();
  Command(*window, kCmdStart);
  SetTime(10, 14, 30, 0);
  Command(*window, kCmdStop);
  answers_ = {os::kAnswerYes};
  Command(*window, kCmdQuit);
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[1].caption, u"Save to Record Table Problem");
  EXPECT_TRUE(window->loaded());
  EXPECT_FALSE(window->memo_text_waiting().empty());
  EXPECT_TRUE(lz::test::HasTrayIcon(window->hwnd()));
  answers_ = {os::kAnswerNo};
  Command(*window, kCmdQuit);
  EXPECT_FALSE(window->loaded());
}

TEST_F(TrayWindowTest, TheRecordTablesPlaceGoesToTheSettings) {
  auto window = Started();
  Command(*window, kCmdShowRecordTable);
  const HWND table = window->records_keeper()->table().hwnd();
  ASSERT_NE(table, nullptr);
  MoveWindow(table, 100, 50, 400, 300, FALSE);
  SendMessageW(table, WM_CLOSE, 0, 0);  // the frame's close button unloads it
  EXPECT_EQ(window->records_keeper()->table().hwnd(), nullptr);
  EXPECT_EQ(window->startup().texts[kTableLeft], u"1500");
  EXPECT_EQ(window->startup().texts[kTableTop], u"750");
  EXPECT_EQ(window->startup().texts[kTableWidth], u"6000");
  EXPECT_EQ(window->startup().texts[kTableHeight], u"4500");
  EXPECT_EQ(window->startup().intTempTableLeft, 1500);
  ASSERT_TRUE(window->SaveSettings());
  const auto bytes = lz::test::ReadFileBytes(folder_.path() / "Wexrad.txt");
  EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("TableTop=750\r\nTableLeft=1500\r\n"), std::string::npos);
  Command(*window, kCmdQuit);
}

TEST_F(TrayWindowTest, LoggingOffSavesAndAgrees) {
  auto window = Started();
  EXPECT_EQ(SendMessageW(window->hwnd(), WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_TRUE(SettingsWritten());
  EXPECT_TRUE(window->loaded());
  Command(*window, kCmdQuit);
}

TEST_F(TrayWindowTest, OptionsTabsAndApply) {
  auto window = Started();
  Command(*window, kCmdOptions);
  OptionsWindow& options = window->options();
  ASSERT_TRUE(options.Visible());
  EXPECT_EQ(forms::WindowText(options.hwnd()), u"Options");
  EXPECT_TRUE(options.TabShows(0, options.shutdown_box()));
  EXPECT_FALSE(options.TabShows(1, options.content_box(0)));
  options.tabs().Select(1);
  EXPECT_TRUE(options.TabShows(1, options.content_box(0)));
  EXPECT_FALSE(options.TabShows(0, options.shutdown_box()));
  options.tabs().Select(2);
  EXPECT_TRUE(options.TabShows(2, options.system_option()));
  EXPECT_TRUE(options.system_option().Value());
  EXPECT_EQ(options.system_sound_list().Text(), u"MailBeep");
  EXPECT_EQ(options.hour_list().Text(), u"14");
  EXPECT_EQ(options.minute_list().Text(), u"00");
  EXPECT_EQ(options.interval_box().Text(), u"60");
  EXPECT_EQ(options.minute_list().ListCount(), 68);
  EXPECT_FALSE(options.hour_list().Enabled());

  options.content_box(0).SetText(u"Reading");
  options.tip_box(3).SetText(u"Stretch");
  options.system_sound_list().SetListIndex(0);  // Navigating
  options.shutdown_box().SetValue(true);
  EXPECT_TRUE(options.hour_list().Enabled());
  options.hour_list().SetListIndex(23);
  options.minute_list().SetListIndex(67);
  options.apply_button().Click();
  EXPECT_FALSE(options.Visible());
  const OptionsMembers& members = window->options_members();
  EXPECT_EQ(members.sysSound, u"Navigating");
  EXPECT_EQ(members.autoShutoff, u"1");
  EXPECT_EQ(members.timeShutoff, 86340);
  EXPECT_EQ(window->startup().texts[kCustomContent1], u"Reading");
  EXPECT_EQ(window->startup().texts[kCustomTip4], u"Stretch");
  // The alarm reads the dialog live.
  window->PlayAlarm();
  ASSERT_EQ(sounds_.trace.size(), 1u);
  EXPECT_EQ(sounds_.trace[0], "PlaySound Navigating");
  Command(*window, kCmdQuit);
}

TEST_F(TrayWindowTest, WithoutAWaveDeviceTheSpeakerIsChosen) {
  auto window = Started(0);
  OptionsWindow& options = window->options();
  EXPECT_TRUE(options.speaker_option().Value());
  EXPECT_TRUE(options.tune_list().Enabled());
  EXPECT_FALSE(options.system_option().Enabled());
  EXPECT_FALSE(options.file_option().Enabled());
  EXPECT_FALSE(options.system_sound_list().Enabled());
  EXPECT_FALSE(options.file_box().Enabled());
  window->PlayAlarm();
  const std::vector<std::string> quick = {"tone 1260 100", "tone 700 100", "tone 1600 100", "tone 1800 100"};
  EXPECT_EQ(sounds_.trace, quick);
  Command(*window, kCmdQuit);
}

TEST_F(TrayWindowTest, ApplyWritesAndDeletesTheRunValue) {
  auto window = Started();
  os::DeleteUserValue(kRunKey, kRunValueName);
  OptionsWindow& options = window->options();
  options.auto_start_box().SetValue(true);
  options.Apply();
  std::u16string value;
  ASSERT_TRUE(os::ReadUserString(kRunKey, kRunValueName, value));
  EXPECT_EQ(value, u"\"" + Folder() + u"\\pendulo.exe\"");
  EXPECT_EQ(window->startup().texts[kAutoStart], u"1");
  options.auto_start_box().SetValue(false);
  options.Apply();
  EXPECT_FALSE(os::ReadUserString(kRunKey, kRunValueName, value));
  EXPECT_EQ(window->startup().texts[kAutoStart], u"0");
  Command(*window, kCmdQuit);
}

TEST_F(TrayWindowTest, SetDefaultRestoreAndCancel) {
  auto window = Started();
  OptionsWindow& options = window->options();
  options.file_option().SetValue(true);
  EXPECT_TRUE(options.file_box().Enabled());
  EXPECT_FALSE(options.system_sound_list().Enabled());
  EXPECT_TRUE(options.browse_offered());
  options.set_default_button().Click();  // "*.wav" still showing: nothing stored
  EXPECT_EQ(window->startup().texts[kDefaultSound], u"DefaultSound");
  options.file_box().SetText(u"C:\\My Sounds\\bell.mid");
  options.set_default_button().Click();
  EXPECT_EQ(window->startup().texts[kDefaultSound], u"C:\\My Sounds\\bell.mid");
  window->PlayAlarm();  // read live, before any Apply
  ASSERT_EQ(sounds_.trace.size(), 3u);
  EXPECT_EQ(sounds_.trace[0], "mci close  \"C:\\My Sounds\\bell.mid\"");
  options.restore_button().Click();
  EXPECT_TRUE(options.system_option().Value());
  EXPECT_EQ(options.system_sound_list().Text(), u"MailBeep");
  EXPECT_FALSE(options.browse_offered());
  EXPECT_EQ(window->startup().texts[kDefaultSound], u"DefaultSound");

  // Cancel writes nothing back.
  options.auto_start_box().SetValue(true);
  options.content_box(0).SetText(u"Unapplied");
  options.Cancel();
  EXPECT_EQ(window->startup().texts[kAutoStart], u"AutoStart");
  EXPECT_EQ(window->startup().texts[kCustomContent1], u"CustomContent1");
  Command(*window, kCmdQuit);
}

TEST_F(TrayWindowTest, ShutdownPresetsTheDialog) {
  SetTime(10, 23, 50, 0);
  auto window = Started();
  Command(*window, kCmdShutdown);
  OptionsWindow& options = window->options();
  EXPECT_EQ(forms::WindowText(options.hwnd()), u"Shutdown Computer");
  EXPECT_TRUE(options.shutdown_box().Value());
  EXPECT_EQ(options.hour_list().Text(), u"00");
  EXPECT_EQ(options.minute_list().Text(), u"05");
  EXPECT_EQ(GetFocus(), options.apply_button().hwnd());
  Command(*window, kCmdQuit);
}

TEST_F(TrayWindowTest, AnArmedShutdownIsRequestedOnceWhenItsMinuteComes) {
  SetTime(10, 23, 30, 0);
  auto window = Started();
  Command(*window, kCmdShutdownNow);
  OptionsWindow& options = window->options();
  EXPECT_EQ(options.hour_list().Text(), u"23");
  EXPECT_EQ(options.minute_list().Text(), u"30");
  options.hour_list().SetListIndex(0);   // 00
  options.minute_list().SetListIndex(23);  // "15" of the minute-by-minute part (8 marks, then 00...)
  ASSERT_EQ(options.minute_list().Text(), u"15");
  options.apply_button().Click();
  const struct {
    int day, hour, minute, second;
    std::size_t requests;
  } ticks[] = {{10, 23, 30, 1, 0}, {10, 23, 59, 59, 0}, {11, 0, 0, 0, 0}, {11, 0, 14, 59, 0},
               {11, 0, 15, 0, 1},  {11, 0, 15, 1, 1},   {11, 0, 20, 0, 1}};
  for (const auto& t : ticks) {
    SetTime(t.day, t.hour, t.minute, t.second);
    window->Tick();
    EXPECT_EQ(power_offs_.size(), t.requests) << t.day << " " << t.hour << ":" << t.minute << ":" << t.second;
  }
  ASSERT_EQ(power_offs_.size(), 1u);
  EXPECT_EQ(power_offs_[0].flags, os::kPowerOffFlags);
  EXPECT_EQ(window->options_members().autoShutoff, u"0");
  Command(*window, kCmdQuit);
}

// The pop-up is modal: timers act on it while it is up.
ReminderPopup* g_popup = nullptr;
std::u16string g_caption;
std::u16string g_label;
std::u16string g_again;
void CALLBACK ClickOk(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_caption = forms::WindowText(g_popup->hwnd());
  g_label = g_popup->text_label().Text();
  g_again = g_popup->again_button().Text();
  g_popup->ok_button().Click();
}
void CALLBACK ClickAgain(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_caption = forms::WindowText(g_popup->hwnd());
  g_again = g_popup->again_button().Text();
  g_popup->again_button().Click();
}
void CALLBACK CloseBox(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  PostMessageW(g_popup->hwnd(), WM_CLOSE, 0, 0);
}

TEST_F(TrayWindowTest, TheReminderPopUp) {
  SetTime(8, 9, 5, 0);  // Tuesday
  auto window = Started();
  ReminderRecord& slot = window->reminders().slot(2);
  slot.RepeatMinutes = u"10";
  slot.TipText = u"Tea & cake && more";
  slot.SoundOn = u"1";
  slot.Frequency = u"Daily";
  g_popup = &window->reminder_popup();

  SetTimer(nullptr, 0, 100, ClickAgain);
  window->ShowReminder(2);
  EXPECT_EQ(g_caption, u"Tip - 9:05 AM  12/08/2026  Tuesday");
  EXPECT_EQ(g_again, u" Show tip again after 10 munite(s)");
  EXPECT_TRUE(window->reminder_popup().loaded());
  EXPECT_FALSE(window->reminder_popup().Visible());
  EXPECT_EQ(window->repeat_counts().of(2), 1);
  EXPECT_EQ(slot.Shown, 0);
  ASSERT_EQ(sounds_.trace.size(), 1u);
  EXPECT_EQ(sounds_.trace[0], "PlaySound MailBeep");

  // Shown again later: the caption of the first showing stays.
  SetTime(8, 9, 15, 0);
  SetTimer(nullptr, 0, 100, ClickOk);
  window->ShowReminder(2);
  EXPECT_EQ(g_caption, u"Tip - 9:05 AM  12/08/2026  Tuesday");
  EXPECT_EQ(g_label, u"Tea & cake && more");  // as written
  EXPECT_EQ(slot.Shown, 1);
  EXPECT_EQ(window->repeat_counts().of(2), 0);
  EXPECT_FALSE(window->reminder_popup().loaded());

  // The close box counts as "&OK, I see"; a slot without sound plays nothing.
  slot.Shown = 0;
  slot.SoundOn = u"0";
  SetTimer(nullptr, 0, 100, CloseBox);
  window->ShowReminder(2);
  EXPECT_EQ(slot.Shown, 1);
  EXPECT_EQ(sounds_.trace.size(), 2u);
  Command(*window, kCmdQuit);
}

}  // namespace
}  // namespace tracker
