#include "tracker/main/main_window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/os/local_clock.h"
#include "platform/os/message_box.h"
#include "platform/os/program_start.h"
#include "tests/support/temp_folder.h"
#include "tracker/main/command_ids.h"
#include "tracker/main/tests/main_window_test_support.h"

namespace tracker {
namespace {

// The clock the window reads: a local time and the absolute seconds that go with it.
struct FakeClock {
  os::ClockReading reading;
  void Set(int hour, int minute, int second, double absolute) {
    reading.local = os::LocalDateTime{2026, 12, 10, 4, hour, minute, second, 0};
    reading.absolute = absolute;
  }
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_.Set(14, 0, 0, 1'796'000'000);
    os::SetClockSource([](void* context) { return static_cast<FakeClock*>(context)->reading; }, &clock_);
    os::SetNamedFormatter(
        [](const os::LocalDateTime& t, os::NamedFormat f, void*) { return os::FormatUnitedStates(t, f); }, nullptr);
    os::SetMessageBoxResponder(
        [](const os::MessageBoxRequest& request, void* context) {
          static_cast<std::vector<std::u16string>*>(context)->push_back(request.text);
          return os::kAnswerOk;
        },
        &boxes_);
  }
  // Closing the window ends the program's loop; the test program goes on.
  void TearDown() override { window_test::ResetWindowTestSeams(); }

  static std::u16string Folder(const lz::test::TempFolder& folder) { return window_test::FolderText(folder); }

  static void Command(MainWindow& window, int command) { window_test::SendCommand(window, command); }

  FakeClock clock_;
  std::vector<std::u16string> boxes_;
};

TEST_F(MainWindowTest, StartPauseContinueStopFillsARow) {
  lz::test::TempFolder folder;
  MainWindow window(Folder(folder));
  window.StartUp();
  ASSERT_TRUE(window.Visible());
  EXPECT_EQ(window.clock_box().Text(), u"2:00 PM");
  EXPECT_EQ(window.date_label().Text(), u"Today is Thursday, December 10, 2026");
  EXPECT_EQ(window.activity_box().Text(), u"Work");
  EXPECT_FALSE(window.menu().Enabled(kCmdStop));
  EXPECT_FALSE(window.menu().Enabled(kCmdSaveToRecordTable));

  Command(window, kCmdStart);
  EXPECT_EQ(window.records().RowCount(), 1);
  EXPECT_EQ(window.records().Cell(0, 0), u"2:00 PM");
  EXPECT_EQ(window.start_box().Text(), u"2:00 PM");
  EXPECT_EQ(window.pass_box().Text(), u"0:00");
  EXPECT_EQ(window.status_bar().Panel(1), u"Start...");
  EXPECT_FALSE(window.menu().Enabled(kCmdStart));
  EXPECT_TRUE(window.menu().Enabled(kCmdStop));

  clock_.Set(14, 5, 0, 1'796'000'300);
  window.Tick();
  EXPECT_EQ(window.pass_box().Text(), u"0:05");
  Command(window, kCmdPause);
  EXPECT_EQ(window.menu().Caption(kCmdPause), u"Contin&ue");
  EXPECT_EQ(window.toolbar().Tip(2), u"Continue");
  EXPECT_TRUE(window.toolbar().Pressed(2));
  EXPECT_FALSE(window.menu().Enabled(kCmdStop));
  EXPECT_EQ(window.status_bar().Panel(1), u"Pause");
  Command(window, kCmdStop);  // a paused count is not stopped
  EXPECT_TRUE(window.counter().blstart());

  clock_.Set(14, 7, 30, 1'796'000'450);
  window.toolbar().ClickButton(2);  // Continue from the toolbar
  EXPECT_EQ(window.menu().Caption(kCmdPause), u"Pa&use");
  EXPECT_FALSE(window.toolbar().Pressed(2));
  EXPECT_EQ(window.status_bar().Panel(1), u"Continue...");

  clock_.Set(15, 7, 30, 1'796'004'050);
  window.Tick();
  window.remark_box().SetText(u"notes");
  window.rate_box().SetText(u"25");
  Command(window, kCmdStop);
  const std::u16string expected[] = {u"2:00 PM",   u"3:07 PM",    u"Work", u"1:05", u"Pause 0:02 notes",
                                     u"12/10/2026", u"4",         u"25",   u""};
  for (int c = 0; c < 9; ++c) EXPECT_EQ(window.records().Cell(0, c), expected[c]) << "column " << c;
  EXPECT_EQ(window.pass_box().Text(), u"");
  EXPECT_EQ(window.start_box().Text(), u"");
  EXPECT_EQ(window.status_bar().Panel(1), u"Stop");
  EXPECT_TRUE(window.menu().Enabled(kCmdStart));
  EXPECT_TRUE(window.menu().Enabled(kCmdSaveToRecordTable));

  // Lets the window paint itself before its picture is taken.
  for (int i = 0; i < 20; ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(25);
  }
  window_test::SaveScreenshot(window.hwnd(), "pendulo_main_window.bmp");

  // Closing hides the window and saves; the program goes on in the notification area.
  SendMessageW(window.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(window.loaded());
  EXPECT_FALSE(IsWindowVisible(window.hwnd()));
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "Wexrad.txt"));
  EXPECT_TRUE(boxes_.empty());
  Command(window, kCmdQuit);
  EXPECT_FALSE(window.loaded());
}

TEST_F(MainWindowTest, ClockModesAndTheDateTool) {
  lz::test::TempFolder folder;
  MainWindow window(Folder(folder));
  window.StartUp();
  Command(window, kCmdAccurateTime);
  EXPECT_EQ(window.clock_box().Text(), u"2:00:00 PM");
  EXPECT_TRUE(window.menu().Checked(kCmdAccurateTime));
  EXPECT_FALSE(window.menu().Checked(kCmdStandardTime));
  Command(window, kCmdStandardTime);
  Command(window, kCmdStandardTime);
  EXPECT_EQ(window.clock_box().Text(), u"2:00 PM");
  EXPECT_TRUE(window.menu().Checked(kCmdStandardTime));
  EXPECT_FALSE(window.menu().Checked(kCmdAccurateTime));
  std::vector<os::ProgramStart> starts;
  os::SetProgramStartSink(
      [](const os::ProgramStart& start, void* context) {
        static_cast<std::vector<os::ProgramStart>*>(context)->push_back(start);
      },
      &starts);
  Command(window, kCmdCalculateDate);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0], u"The date after 180 days is : 6/8/2027  Tuesday  ");
  Command(window, kCmdAdjustTime);
  os::SetProgramStartSink(nullptr, nullptr);
  // The date tool opens the date and time settings after its box, as the menu entry does.
  ASSERT_EQ(starts.size(), 2u);
  for (const auto& start : starts) {
    EXPECT_EQ(start.file, u"rundll32.exe");
    EXPECT_EQ(start.parameters, u"shell32.dll,Control_RunDLL timedate.cpl");
  }
  Command(window, kCmdQuit);
}

TEST_F(MainWindowTest, AMinimisedWindowSavesItsNormalPlace) {
  lz::test::TempFolder folder;
  lz::test::WriteFileBytes(folder.path() / "Wexrad.txt",
                           {'[', 'M', 'y', 'A', 'p', 'p', ']', '\r', '\n', 'S', 'M', '=', '0', '\r', '\n'});
  MainWindow window(Folder(folder));
  window.StartUp();
  ShowWindow(window.hwnd(), SW_MINIMIZE);
  ASSERT_TRUE(window.SaveSettings());
  const auto bytes = lz::test::ReadFileBytes(folder.path() / "Wexrad.txt");
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_EQ(text.rfind("[MyApp]\r\nSM=0\r\nAutoStart=AutoStart\r\n", 0), 0u);
  EXPECT_NE(text.find("Form1Top= 1500\r\nForm1Left= 1695\r\nForm1Height= 6045\r\nForm1Width= 8715\r\n"),
            std::string::npos);
  Command(window, kCmdQuit);
}

TEST_F(MainWindowTest, ResizingStretchesTheListAboveTheMinimumSize) {
  lz::test::TempFolder folder;
  MainWindow window(Folder(folder));
  window.StartUp();
  auto list_size = [&] {
    RECT r{};
    GetWindowRect(window.records().hwnd(), &r);
    return std::pair<double, double>(forms::PixelsToTwipsX(r.right - r.left), forms::PixelsToTwipsY(r.bottom - r.top));
  };
  window.SetGeometry(1695, 1500, 8715, 6045);
  EXPECT_NEAR(list_size().first, 5695, 15);  // one pixel is 15 twips
  EXPECT_NEAR(list_size().second, 3865, 15);
  window.SetGeometry(1695, 1500, 3990, 6045);  // too narrow: nothing moves
  EXPECT_NEAR(list_size().first, 5695, 15);
  window.SetGeometry(1695, 1500, 12000, 8000);
  EXPECT_NEAR(list_size().first, 12000 - 3020, 15);
  EXPECT_NEAR(list_size().second, 8000 - 2180, 15);
  Command(window, kCmdQuit);
}

TEST_F(MainWindowTest, ASaveThatCannotWriteSaysSoOnce) {
  lz::test::TempFolder folder;
  const std::u16string missing = Folder(folder) + u"\\no such folder";
  MainWindow window(missing);
  window.StartUp();
  EXPECT_FALSE(window.SaveSettings());
  EXPECT_FALSE(window.SaveSettings());
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_NE(boxes_[0].find(missing + u"\\Wexrad.txt"), std::u16string::npos);
  Command(window, kCmdQuit);
  EXPECT_EQ(boxes_.size(), 1u);
}

TEST_F(MainWindowTest, ThePictureBesideTheSearchBoxShowsItsDrawingAndAClickFocusesTheBox) {
  lz::test::TempFolder folder;
  MainWindow window(Folder(folder));
  window.StartUp();
  window.Show();
  forms::Picture& picture = window.search_picture();
  HWND control = picture.hwnd();
  ASSERT_NE(control, nullptr);
  const auto shown = reinterpret_cast<HBITMAP>(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown, picture.Image());
  BITMAP bitmap{};
  ASSERT_EQ(GetObjectW(shown, sizeof bitmap, &bitmap), static_cast<int>(sizeof bitmap));
  EXPECT_EQ(bitmap.bmWidth, 24);
  EXPECT_EQ(bitmap.bmHeight, 24);
  EXPECT_EQ(GetWindowLongPtrW(control, GWL_STYLE) & SS_TYPEMASK, SS_BITMAP);

  SetFocus(window.search_button().hwnd());
  SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  HWND box = window.search_box().hwnd();
  HWND focus = GetFocus();
  EXPECT_TRUE(focus == box || IsChild(box, focus)) << "the focus ends in the search box";
  Command(window, kCmdQuit);
}

}  // namespace
}  // namespace tracker
