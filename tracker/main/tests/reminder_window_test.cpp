// The reminder editor, the timer's reminders and the memo in the main window under Xvfb, with an
// injected clock, modal forms and message boxes answered by responders, and sounds recorded.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/dialogs/file_chooser_win32.h"
#include "platform/forms/forms.h"
#include "platform/os/local_clock.h"
#include "platform/os/message_box.h"
#include "platform/os/power_off.h"
#include "platform/os/program_start.h"
#include "tests/support/temp_folder.h"
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
  void Tone(std::int32_t, std::int32_t) override { trace.push_back("tone"); }
  void PlaySystemSound(const std::u16string& alias) override { trace.push_back("PlaySound " + Narrow(alias)); }
  void PlayWaveFile(const std::u16string&) override { trace.push_back("sndPlaySound"); }
  void SendMediaCommand(const std::u16string&) override { trace.push_back("mci"); }
  std::vector<std::string> trace;
};

class ReminderWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTime(10, 10, 0, 0);
    os::SetClockSource([](void* context) { return static_cast<ReminderWindowTest*>(context)->reading_; }, this);
    os::SetNamedFormatter(
        [](const os::LocalDateTime& t, os::NamedFormat f, void*) { return os::FormatUnitedStates(t, f); }, nullptr);
    os::SetMessageBoxResponder(
        [](const os::MessageBoxRequest& request, void* context) {
          static_cast<ReminderWindowTest*>(context)->boxes_.push_back(request.text);
          return os::kAnswerOk;
        },
        this);
    os::SetPowerOffSink([](const os::PowerOffRequest&, void*) {}, nullptr);
    os::SetProgramStartSink(
        [](const os::ProgramStart& start, void* context) {
          static_cast<ReminderWindowTest*>(context)->started_.push_back(start.file);
        },
        this);
    forms::SetModalResponder(
        [](forms::Form& form, void* context) {
          auto* test = static_cast<ReminderWindowTest*>(context);
          if (auto* editor = dynamic_cast<ReminderEditorWindow*>(&form); editor && test->in_editor_) {
            test->in_editor_(*editor);
          }
          if (auto* about = dynamic_cast<AboutBox*>(&form); about && test->in_about_) test->in_about_(*about);
          if (auto* picker = dynamic_cast<SoundPicker*>(&form); picker && test->in_picker_) test->in_picker_(*picker);
          if (auto* popup = dynamic_cast<ReminderPopup*>(&form)) {
            test->popups_.push_back(popup->text_label().Text());
            popup->ok_button().Click();
          }
        },
        this);
  }
  void TearDown() override { window_test::ResetWindowTestSeams(); }

  void SetTime(int day, int hour, int minute, int second) {
    window_test::SetDecemberTime(reading_, day, hour, minute, second);
  }

  std::u16string Folder() const { return window_test::FolderText(folder_); }

  std::unique_ptr<MainWindow> Started(const std::string& settings = "") {
    if (!settings.empty()) {
      lz::test::WriteFileBytes(folder_.path() / "Wexrad.txt", std::vector<std::uint8_t>(settings.begin(), settings.end()));
    }
    auto window = std::make_unique<MainWindow>(Folder());
    window->SetSoundBackend(&sounds_);
    window->count_wave_devices = [] { return 1u; };
    window->StartUp();
    return window;
  }

  static void Command(MainWindow& window, int command) { window_test::SendCommand(window, command); }

  static void SelectRow(forms::ListView& list, int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list.hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  }

  std::string SettingsText() const {
    const auto bytes = lz::test::ReadFileBytes(folder_.path() / "Wexrad.txt");
    return std::string(bytes.begin(), bytes.end());
  }

  lz::test::TempFolder folder_;
  os::ClockReading reading_;
  std::vector<std::u16string> boxes_;
  std::vector<std::u16string> popups_;
  std::function<void(ReminderEditorWindow&)> in_editor_;
  std::function<void(AboutBox&)> in_about_;
  std::function<void(SoundPicker&)> in_picker_;
  std::vector<std::u16string> started_;
  SoundRecorder sounds_;
};

// Records of nine "tra" keys, each a Daily reminder named r<n>.
std::string Records(const std::vector<std::string>& due_seconds) {
  std::string out = "[MyApp]\r\n";
  for (std::size_t i = 0; i < due_seconds.size(); ++i) {
    const int n = static_cast<int>(i) + 1;
    const std::string values[] = {"10",          due_seconds[i], "r" + std::to_string(n), "Daily", "1", "0",
                                  "At   10:30", "9:00:00 AM",   "Dec10 2026 Thu"};
    for (int f = 1; f <= 9; ++f) out += "tra" + std::to_string(9 * (n - 1) + f) + "=" + values[f - 1] + "\r\n";
  }
  return out;
}

TEST_F(ReminderWindowTest, TheIconsRightDoubleClickShowsTheEditorAlone) {
  auto window = Started();
  window->Hide();
  SendMessageW(window->hwnd(), kTrayCallbackMessage, kTrayIconId, 0x206);
  ReminderEditorWindow& editor = window->reminder_editor();
  EXPECT_TRUE(editor.Visible());
  EXPECT_FALSE(window->Visible());
  EXPECT_TRUE(window->blSettime());
  EXPECT_EQ(forms::WindowText(editor.hwnd()), u"Set Reminder - Thursday, December 10, 2026");
  // Its close box is refused; Apply hides it.
  SendMessageW(editor.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(editor.Visible());
  editor.apply_button().Click();
  EXPECT_FALSE(editor.Visible());
  EXPECT_FALSE(window->blSettime());
  Command(*window, kCmdQuit);
}

TEST_F(ReminderWindowTest, AReminderAfterThirtyMinutesFiresOnce) {
  auto window = Started();
  Command(*window, kCmdAccurateTime);
  bool editor_was_open = false;
  in_editor_ = [&](ReminderEditorWindow& editor) {
    editor_was_open = window->blSettime();
    editor.after_option().SetValue(true);
    editor.after_hour().SetText(u"00");
    editor.after_minute().SetText(u"30");
    editor.tip_text().SetText(u"Stretch & walk");
    editor.add_button().Click();
    ASSERT_EQ(editor.list().RowCount(), 1);
    EXPECT_EQ(editor.list().Cell(0, 1), u"After00hr30min");
    EXPECT_EQ(editor.list().Cell(0, 3), u"10 minute(s)");
    EXPECT_EQ(editor.list().Cell(0, 6), u"Dec10 2026 Thu");
    editor.apply_button().Click();
  };
  Command(*window, kCmdSetReminder);
  EXPECT_TRUE(editor_was_open);
  EXPECT_FALSE(window->blSettime());
  ASSERT_EQ(window->reminders_in_use(), 1);
  const ReminderRecord& slot = window->reminders().slot(1);
  EXPECT_EQ(slot.DueSeconds, u"37800");
  EXPECT_EQ(slot.TipTimeText, u"After00hr30min");
  EXPECT_EQ(slot.SetTime, u"10:00:00 AM");

  window->Tick();
  EXPECT_EQ(window->inverse_box().Text(), u"0:29:59");
  SetTime(10, 10, 29, 59);
  window->Tick();
  EXPECT_TRUE(popups_.empty());
  EXPECT_TRUE(sounds_.trace.empty());
  SetTime(10, 10, 30, 0);
  window->Tick();
  ASSERT_EQ(popups_.size(), 1u);
  EXPECT_EQ(popups_[0], u"Stretch & walk");
  ASSERT_EQ(sounds_.trace.size(), 1u);
  EXPECT_EQ(sounds_.trace[0], "PlaySound MailBeep");
  EXPECT_EQ(slot.Shown, 1);  // "&OK, I see"
  SetTime(10, 10, 30, 1);
  window->Tick();
  EXPECT_EQ(popups_.size(), 1u);
  EXPECT_EQ(window->inverse_box().Text(), u"0:00:00");
  Command(*window, kCmdQuit);
}

TEST_F(ReminderWindowTest, ModifyShowsTheDueTimeAsATimeOfDay) {
  auto window = Started(Records({"36000", "37800.5"}));
  ASSERT_EQ(window->reminders_in_use(), 2);
  in_editor_ = [&](ReminderEditorWindow& editor) {
    ASSERT_EQ(editor.list().RowCount(), 2);
    EXPECT_EQ(editor.list().Cell(1, 3), u"10 munite(s)");
    SelectRow(editor.list(), 1);
    editor.Modify();
    EXPECT_TRUE(editor.at_option().Value());
    EXPECT_EQ(editor.at_hour().Text(), u"10");
    EXPECT_EQ(editor.at_minute().Text(), u"30");
    EXPECT_EQ(editor.tip_text().Text(), u"r2");
    EXPECT_EQ(editor.frequency().Text(), u"Daily");
    EXPECT_EQ(editor.month().Text(), u"Dec");
    EXPECT_EQ(editor.day().Text(), u"10");
    EXPECT_EQ(editor.weekday().Text(), u"Thu");
    EXPECT_EQ(editor.list().RowCount(), 1);
    editor.add_button().Click();
    EXPECT_EQ(editor.list().Cell(1, 1), u"At   10:30");
    editor.apply_button().Click();
  };
  Command(*window, kCmdSetReminder);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0], u"Are you sure to Modify it?   ");
  EXPECT_EQ(window->reminders().slot(2).DueSeconds, u"37800");
  EXPECT_EQ(window->reminders().slot(2).TipText, u"r2");
  Command(*window, kCmdQuit);
}

TEST_F(ReminderWindowTest, DeletingRowTwoOfFourMovesTheOthersUpAndClosingWritesThem) {
  auto window = Started(Records({"36000", "36060", "36120", "36180"}));
  in_editor_ = [&](ReminderEditorWindow& editor) {
    SelectRow(editor.list(), 1);
    editor.Delete();
    ASSERT_EQ(editor.list().RowCount(), 3);
    EXPECT_EQ(editor.list().Cell(1, 2), u"r3");
    EXPECT_EQ(editor.list().Cell(2, 2), u"r4");
    editor.apply_button().Click();
  };
  Command(*window, kCmdSetReminder);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0], u"Are you sure to delete it?   ");
  EXPECT_EQ(window->reminders_in_use(), 3);
  SendMessageW(window->hwnd(), WM_CLOSE, 0, 0);
  const std::string text = SettingsText();
  for (const char* line : {"tra3=r1\r\n", "tra12=r3\r\n", "tra21=r4\r\n", "tra11=36120\r\n", "tra20=36180\r\n", "tra31=One Time\r\n",
                           "tra36=\r\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(text.find("r2"), std::string::npos);
  Command(*window, kCmdQuit);
}

TEST_F(ReminderWindowTest, TheMemosCloseBoxWritesItsFile) {
  auto window = Started();
  EXPECT_EQ(window->status_bar().Panel(1), u"Memo has no content");
  Command(*window, kCmdMemo);
  MemoWindow& memo = window->memo();
  ASSERT_TRUE(memo.Visible());
  EXPECT_EQ(forms::WindowText(memo.hwnd()), u"Memo");
  memo.wrapped_box().SetText(u"call Bob\r\n\u4e2d\u6587");
  window->Tick();  // the hidden box follows the shown one
  EXPECT_EQ(memo.unwrapped_box().Text(), u"call Bob\r\n\u4e2d\u6587");
  SendMessageW(memo.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(memo.loaded());
  // The characters have no form in Wine's default code page: the file is UTF-8 with its mark.
  const std::vector<std::uint8_t> expected = {0xEF, 0xBB, 0xBF, 'c', 'a', 'l', 'l', ' ', 'B', 'o', 'b', '\r', '\n',
                                              0xE4, 0xB8, 0xAD, 0xE6, 0x96, 0x87};
  EXPECT_EQ(lz::test::ReadFileBytes(folder_.path() / "PenduloMemo.txt"), expected);
  Command(*window, kCmdMemo);
  EXPECT_EQ(memo.wrapped_box().Text(), u"call Bob\r\n\u4e2d\u6587");
  EXPECT_EQ(forms::WindowText(memo.hwnd()), u"Memo - 12/10/2026 Thursday");
  Command(*window, kCmdQuit);
}

TEST_F(ReminderWindowTest, AMemoThatCouldNotBeReadIsKept) {
  const std::vector<std::uint8_t> bytes = {0xFF, 0xFE, 'a'};  // a UTF-16 mark and half a character
  lz::test::WriteFileBytes(folder_.path() / "PenduloMemo.txt", bytes);
  auto window = Started();
  MemoWindow& memo = window->memo();
  memo.wrapped_box().SetText(u"new text");
  memo.Command(kMemoSave);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_NE(boxes_[0].find(u"could not be read"), std::u16string::npos);
  EXPECT_EQ(memo.status_bar().Panel(0), u"Saving...");
  // Quit offers another file for the new text; the unreadable file stays as it is.
  std::u16string elsewhere = Folder() + u"\\elsewhere.txt";
  lz::dialogs::SetFileChooserResponder(
      [](const lz::dialogs::FileChooserRequest&, std::u16string& path, void* context) {
        path = *static_cast<std::u16string*>(context);
        return true;
      },
      &elsewhere);
  Command(*window, kCmdQuit);
  lz::dialogs::SetFileChooserResponder(nullptr, nullptr);
  EXPECT_FALSE(window->loaded());
  EXPECT_EQ(lz::test::ReadFileBytes(folder_.path() / "PenduloMemo.txt"), bytes);
  EXPECT_EQ(lz::test::ReadFileBytes(folder_.path() / "elsewhere.txt"),
            (std::vector<std::uint8_t>{'n', 'e', 'w', ' ', 't', 'e', 'x', 't'}));
}

TEST_F(ReminderWindowTest, TheAboutBoxClosesWithOkEnterAndEsc) {
  auto window = Started();
  std::vector<std::u16string> titles;
  int closing = 0;
  in_about_ = [&](AboutBox& about) {
    titles.push_back(about.title().Text());
    EXPECT_EQ(forms::WindowText(about.hwnd()), u"About Pendulo");
    switch (closing++) {
      case 0:
        about.ok_button().Click();
        break;
      case 1:
        PostMessageW(about.ok_button().hwnd(), WM_KEYDOWN, VK_RETURN, 0);
        break;
      default:
        PostMessageW(about.ok_button().hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
        break;
    }
  };
  for (int i = 0; i < 3; ++i) {
    Command(*window, kCmdAbout);
    EXPECT_FALSE(window->about_box().Visible());
  }
  EXPECT_EQ(titles, std::vector<std::u16string>(3, u"Pendulo 4.50  "));
  Command(*window, kCmdQuit);
}

TEST_F(ReminderWindowTest, WebPagesSearchAndHelp) {
  auto window = Started();
  std::vector<std::u16string> help;
  window->show_help = [&](const std::u16string& file) { help.push_back(file); };
  const std::u16string navigation = u"https://www.hao123.com/?kbrevia";
  Command(*window, kCmdSearch);
  window->toolbar().ClickButton(4);  // "Baidu"
  ASSERT_EQ(window->toolbar().Key(4), u"Baidu");
  Command(*window, kCmdHomePage);
  window->search_box().SetText(u"tom & jerry");
  window->search_button().Click();
  const std::vector<std::u16string> expected = {
      navigation, navigation, u"https://www.brevia-soft.com/brevia/index.html",
      u"https://www.sogou.com/sogou?p=58203716&query=tom%20%26%20jerry&pid=sogou-netb-7d2c95e0a1f3b846-3650"};
  EXPECT_EQ(started_, expected);
  EXPECT_EQ(window->last_search_box().Text(), u"tom & jerry");
  // Enter in the search box searches too, an empty query as well.
  window->search_box().SetText(u"");
  MSG enter{};
  enter.hwnd = FindWindowExW(window->search_box().hwnd(), nullptr, L"Edit", nullptr);
  ASSERT_NE(enter.hwnd, nullptr);
  enter.message = WM_KEYDOWN;
  enter.wParam = VK_RETURN;
  EXPECT_TRUE(window->TranslateFormMessage(enter));
  ASSERT_EQ(started_.size(), 5u);
  EXPECT_EQ(started_[4], u"https://www.sogou.com/sogou?p=58203716&query=&pid=sogou-netb-7d2c95e0a1f3b846-3650");
  window->toolbar().ClickButton(11);  // "help"
  ASSERT_EQ(help.size(), 1u);
  EXPECT_EQ(help[0], Folder() + u"\\Pendulo.hlp");
  Command(*window, kCmdQuit);
}

TEST_F(ReminderWindowTest, RestoreCommands) {
  auto window = Started();
  MemoWindow& memo = window->memo();
  // A memo without a stored place opens beside the main window.
  Command(*window, kCmdMemo);
  EXPECT_NEAR(memo.Left(), window->Left() + 2550, 15);
  EXPECT_NEAR(memo.Top(), window->Top() + 2270, 15);
  ShowWindow(memo.hwnd(), SW_MINIMIZE);
  Command(*window, kCmdMemo);
  EXPECT_FALSE(IsIconic(memo.hwnd()));
  Command(*window, kCmdRestoreMemoPosition);
  EXPECT_NEAR(memo.Left(), 5190, 15);
  EXPECT_NEAR(memo.Top(), 3600, 15);
  EXPECT_TRUE(memo.Visible());

  Command(*window, kCmdRestoreDialogPosition);
  EXPECT_EQ(window->startup().texts[kDialogTop], u"0");
  EXPECT_NEAR(window->reminder_editor().Left(), window->Left() + 3320, 15);
  EXPECT_NEAR(window->reminder_editor().Top(), window->Top() - 360, 15);
  EXPECT_FALSE(window->reminder_editor().Visible());

  Command(*window, kCmdRestoreTipPosition);
  EXPECT_EQ(window->startup().texts[kTipLeft], u" 4665");
  EXPECT_EQ(window->startup().texts[kTipTop], u" 3330");

  window->Hide();
  Command(*window, kCmdPopupRestoreWindowPosition);
  EXPECT_TRUE(window->Visible());
  EXPECT_NEAR(window->Left(), 1695, 15);
  EXPECT_NEAR(window->Width(), 8715, 15);
  Command(*window, kCmdQuit);
}

std::u16string U16(const std::filesystem::path& path) {
  const std::wstring wide = path.wstring();
  return std::u16string(wide.begin(), wide.end());
}

std::vector<std::u16string> Items(forms::ListBox& list) {
  std::vector<std::u16string> items;
  for (int i = 0; i < list.ListCount(); ++i) items.push_back(list.Item(i));
  return items;
}

TEST_F(ReminderWindowTest, TheSoundFilePicker) {
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::filesystem::path media = std::filesystem::path(windows) / "Media";
  // A new Wine prefix has no media folder: the test makes one and takes it away again.
  const bool made_media = !std::filesystem::exists(media);
  std::filesystem::create_directories(media);
  lz::test::WriteFileBytes(media / "lz_bell.mid", {'M'});
  lz::test::WriteFileBytes(media / "lz_chime.wav", {'W'});
  const std::filesystem::path root_file = "C:\\lz_picker_root.mid";
  lz::test::WriteFileBytes(root_file, {'R'});
  std::filesystem::create_directories(folder_.path() / "tunes" / "sub");
  lz::test::WriteFileBytes(folder_.path() / "tunes" / "x.mid", {'X'});
  lz::test::WriteFileBytes(folder_.path() / "tunes" / "y.wav", {'Y'});

  auto window = Started();
  OptionsWindow& options = window->options();
  options.file_option().SetValue(true);
  options.file_box().SetText(u"*.mid");
  int opening = 0;
  in_picker_ = [&](SoundPicker& picker) {
    SCOPED_TRACE(opening);
    switch (opening++) {
      case 0: {
        EXPECT_EQ(forms::WindowText(picker.hwnd()), u"Sound File");
        EXPECT_EQ(picker.folder(), U16(media));
        EXPECT_EQ(picker.pattern(), u"*.mid");
        const auto files = Items(picker.files());
        EXPECT_NE(std::find(files.begin(), files.end(), u"lz_bell.mid"), files.end());
        EXPECT_EQ(std::find(files.begin(), files.end(), u"lz_chime.wav"), files.end());
        picker.files().SetListIndex(static_cast<int>(std::find(files.begin(), files.end(), u"lz_bell.mid") - files.begin()));
        EXPECT_EQ(options.file_box().Text(), U16(media / "lz_bell.mid"));
        picker.ok_button().Click();
        break;
      }
      case 1: {
        // Hidden by OK: the same folder and pattern, though the box now holds a path.
        EXPECT_EQ(picker.folder(), U16(media));
        EXPECT_EQ(picker.pattern(), u"*.mid");
        picker.Navigate(u"C:\\");
        const auto files = Items(picker.files());
        const auto at = std::find(files.begin(), files.end(), u"lz_picker_root.mid");
        ASSERT_NE(at, files.end());
        picker.files().SetListIndex(static_cast<int>(at - files.begin()));
        EXPECT_EQ(options.file_box().Text(), u"C:\\lz_picker_root.mid");
        picker.Navigate(U16(folder_.path() / "tunes"));
        EXPECT_EQ(Items(picker.folders()), (std::vector<std::u16string>{u"[..]", u"sub"}));
        EXPECT_EQ(Items(picker.files()), std::vector<std::u16string>{u"x.mid"});
        picker.folders().SetListIndex(1);
        picker.folders().DoubleClick();
        EXPECT_EQ(picker.folder(), U16(folder_.path() / "tunes" / "sub"));
        picker.folders().SetListIndex(0);
        picker.folders().DoubleClick();
        EXPECT_EQ(picker.folder(), U16(folder_.path() / "tunes"));
        picker.files().SetListIndex(0);
        picker.files().DoubleClick();
        break;
      }
      default: {
        wchar_t current[MAX_PATH] = {};
        const DWORD n = GetFullPathNameW(L"C:", MAX_PATH, current, nullptr);
        EXPECT_EQ(picker.folder(), std::u16string(reinterpret_cast<const char16_t*>(current), n));
        picker.ok_button().Click();
        break;
      }
    }
  };
  options.browse_button().Click();
  options.browse_button().Click();
  EXPECT_FALSE(window->sound_picker().loaded());  // the double click closed it
  EXPECT_EQ(options.file_box().Text(), U16(folder_.path() / "tunes" / "x.mid"));
  std::filesystem::remove(media / "lz_bell.mid");
  std::filesystem::remove(media / "lz_chime.wav");
  if (made_media) std::filesystem::remove(media);
  std::filesystem::remove(root_file);
  if (!made_media) GTEST_SKIP() << "the prefix has its own media folder";
  options.browse_button().Click();  // loaded afresh, without a media folder
  EXPECT_EQ(opening, 3);
  Command(*window, kCmdQuit);
}

}  // namespace
}  // namespace tracker
