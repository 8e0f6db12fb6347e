// The record table window in a real window (under Xvfb), driven through its commands as its menus and
// toolbar send them, with message boxes answered by the test.
#include "tracker/records/record_table_window_win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os/message_box.h"
#include "platform/os/native_path.h"
#include "tests/support/temp_folder.h"
#include "tracker/records/record_commands.h"
#include "tracker/records/tests/window_test_support.h"

namespace tracker {
namespace {

constexpr int kContentColumn = 4;

// Two counted activities, as Stop leaves them in the record list.
std::vector<RecordRow> TwoCounts() {
  std::vector<RecordRow> rows(2);
  const std::u16string contents[] = {u"Work", u"Study"};
  for (int i = 0; i < 2; ++i) {
    rows[i].start_seconds = 9 * 3600 + i * 3600;
    rows[i].stop_seconds = rows[i].start_seconds + 1800;
    rows[i].pass_seconds = 1800;
    rows[i].start_text = u"9:00";
    rows[i].pass_text = u"0:30";
    rows[i].content = contents[i];
    rows[i].record_date = u"2026-12-10";
    rows[i].weekday = 4;
  }
  return rows;
}

class RecordTableWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
  }

  void StoreRows(int count) {
    records::RecordStore store;
    ASSERT_EQ(store.Open(path_), records::OpenStatus::kOk);
    std::vector<records::StoredRecord> rows(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      rows[i].record_date = u"2026-12-10";
      rows[i].content = std::u16string(1, static_cast<char16_t>(u'a' + i));
      rows[i].pass = 60 * (i + 1);
      rows[i].start = 3600;
      rows[i].stop = 3700;
    }
    ASSERT_TRUE(store.WriteAll(rows));
  }
  std::int64_t GridRows() { return SendMessageW(window_.grid().hwnd(), LVM_GETITEMCOUNT, 0, 0); }

  lz::test::TempFolder folder_;
  std::u16string path_ = folder_.File("Pendulo.db");
  records::RecordStore store_;
  RecordTableWindow window_{store_, path_, u"2026-12-10"};
  test::RecordedBoxes responder_;
};

TEST_F(RecordTableWindowTest, TwoCountsSavedOpenTheTableAtTheLastRow) {
  auto rows = TwoCounts();
  const auto outcome = SaveToRecordTable(rows, false, store_, path_);
  ASSERT_TRUE(outcome.saved);
  ASSERT_TRUE(window_.ShowAfterSave(nullptr));
  EXPECT_TRUE(IsWindowVisible(window_.hwnd()));
  EXPECT_EQ(GridRows(), 2);
  EXPECT_EQ(window_.grid().CurrentIndex(), 1);
  // Saving again adds nothing.
  ASSERT_TRUE(SaveToRecordTable(rows, false, store_, path_).saved);
  ASSERT_TRUE(window_.ShowAfterSave(nullptr));
  EXPECT_EQ(GridRows(), 2);
  EXPECT_TRUE(responder_.boxes.empty());
}

TEST_F(RecordTableWindowTest, FileThatIsNotAStoreShowsTheProblemAndNoWindow) {
  lz::test::WriteFileBytes(folder_.path() / "Pendulo.db", {'S', 't', 'a', 'n', 'd', 'a', 'r', 'd', ' ', 'J', 'e', 't'});
  EXPECT_FALSE(window_.OpenRecordTable(nullptr));
  EXPECT_EQ(window_.hwnd(), nullptr);
  ASSERT_EQ(responder_.boxes.size(), 1u);
  EXPECT_EQ(responder_.boxes[0].caption, u"Record Table Problem");
  EXPECT_NE(responder_.boxes[0].text.find(path_), std::u16string::npos);
  EXPECT_EQ(responder_.boxes[0].style, 0u);
}

TEST_F(RecordTableWindowTest, OpensFirstAt105TwipsWithTheMenus) {
  StoreRows(1);
  ASSERT_TRUE(window_.OpenRecordTable(nullptr));
  RECT frame{};
  GetWindowRect(window_.hwnd(), &frame);
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  EXPECT_EQ(frame.left, 105 * dpi / 1440);
  EXPECT_EQ(frame.top, 105 * dpi / 1440);
  const std::vector<std::pair<int, std::u16string>> captions = {
      {kCmdDelete, u"&Delete"}, {kCmdDeleteAll, u"Delete &All"}, {kCmdEnableUpdate, u"Enable &Update..."},
      {kCmdFind, u"&Find"}, {kCmdSelectRecord, u"Se&lect Record"}, {kCmdBeginning, u"&Beginning"},
      {kCmdQuarter, u"&Quarter"}, {kCmdMiddle, u"&Middle"}, {kCmdThreeQuarter, u"&Three Quarter"},
      {kCmdEnd, u"E&nd"}, {kCmdShowMainWindow, u"Show Main &Window..."}, {kCmdClose, u"Clos&e"},
  };
  for (const auto& [command, caption] : captions) EXPECT_EQ(window_.MenuCaption(command), caption);
}

TEST_F(RecordTableWindowTest, EnableUpdateTwiceRestoresTheCaptionAndReadOnlyCells) {
  StoreRows(2);
  ASSERT_TRUE(window_.OpenRecordTable(nullptr));
  window_.Run(kCmdEnableUpdate);
  EXPECT_EQ(window_.MenuCaption(kCmdEnableUpdate), u"Unable &Update   ");
  EXPECT_TRUE(window_.grid().editing());
  window_.Run(kCmdEnableUpdate);
  EXPECT_EQ(window_.MenuCaption(kCmdEnableUpdate), u"Enable &Update...");
  EXPECT_FALSE(window_.grid().editing());
  EXPECT_FALSE(window_.grid().BeginEdit(0, kContentColumn));
}

TEST_F(RecordTableWindowTest, JumpsLandOnTheirRows) {
  struct Case {
    int rows;
    int command;
    std::int64_t current;  // from the first row
  };
  const std::vector<Case> cases = {
      {2, kCmdMiddle, 0}, {3, kCmdMiddle, 1}, {4, kCmdQuarter, 1}, {4, kCmdThreeQuarter, 3},
      {4, kCmdEnd, 3},    {4, kCmdBeginning, 0}, {3, kCmdQuarter, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    records::RecordStore cleaner;
    ASSERT_EQ(cleaner.Open(path_), records::OpenStatus::kOk);
    ASSERT_TRUE(cleaner.DeleteIds(cleaner.FindIds({}).value()));
    StoreRows(c.rows);
    ASSERT_TRUE(window_.OpenRecordTable(nullptr));
    ASSERT_EQ(window_.grid().CurrentIndex(), 0);
    window_.Run(c.command);
    EXPECT_EQ(window_.grid().CurrentIndex(), c.current);
  }
}

TEST_F(RecordTableWindowTest, DeleteAllWithCancelThenOkRefreshesTheGrid) {
  StoreRows(3);
  ASSERT_TRUE(window_.OpenRecordTable(nullptr));
  responder_.answer = test::kAnswerCancel;
  window_.Run(kCmdDeleteAll);
  EXPECT_EQ(GridRows(), 3);
  responder_.answer = os::kAnswerOk;
  window_.Run(kCmdDeleteAll);
  EXPECT_EQ(GridRows(), 0);
  EXPECT_EQ(responder_.boxes.size(), 2u);
  EXPECT_TRUE(store_.FindIds({}).value().empty());
}

TEST_F(RecordTableWindowTest, SelectRecordThenDelete) {
  StoreRows(4);
  ASSERT_TRUE(window_.OpenRecordTable(nullptr));
  window_.Run(kCmdDelete);  // nothing selected: nothing happens
  EXPECT_EQ(GridRows(), 4);
  window_.Run(kCmdEnd);
  window_.Run(kCmdSelectRecord);
  window_.Run(kCmdDelete);
  EXPECT_EQ(GridRows(), 3);
  EXPECT_TRUE(responder_.boxes.empty());
}

TEST_F(RecordTableWindowTest, FindShowsTheSearchAndItsTotalsReachTheBox) {
  StoreRows(2);
  ASSERT_TRUE(window_.OpenRecordTable(nullptr));
  window_.Run(kCmdFind);
  ASSERT_NE(window_.search(), nullptr);
  ASSERT_NE(window_.search()->hwnd(), nullptr);
  EXPECT_TRUE(IsWindowVisible(window_.search()->hwnd()));
  ASSERT_TRUE(window_.search()->Find());
  wchar_t text[128] = {};
  GetWindowTextW(window_.totals_box(), text, 128);
  EXPECT_EQ(std::u16string(os::U16Ptr(text)), u"Total Pass                      0:03:00");
  EXPECT_EQ(GridRows(), 2);
}

TEST_F(RecordTableWindowTest, UnloadKeepsTheGeometryForTheNextLoad) {
  StoreRows(1);
  TableGeometry unloaded;
  window_.on_unload = [&](const TableGeometry& geometry) { unloaded = geometry; };
  ASSERT_TRUE(window_.OpenRecordTable(nullptr));
  MoveWindow(window_.hwnd(), 40, 50, 600, 300, TRUE);
  SendMessageW(window_.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(window_.hwnd(), nullptr);
  EXPECT_GT(unloaded.left, 0);
  EXPECT_GT(unloaded.width, 0);
  ASSERT_TRUE(window_.OpenRecordTable(nullptr));
  RECT frame{};
  GetWindowRect(window_.hwnd(), &frame);
  EXPECT_EQ(frame.left, 40);
  EXPECT_EQ(frame.top, 50);
  EXPECT_EQ(frame.right - frame.left, 600);
}

}  // namespace
}  // namespace tracker
