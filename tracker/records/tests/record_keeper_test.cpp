// The main window's side of the records under Xvfb: the store opened at start-up, two counts saved
// and shown at the last row, and a save that fails showing its message, the help page and the memo text.
#include "tracker/records/record_keeper_win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os/program_start.h"
#include "tests/support/temp_folder.h"
#include "tracker/records/record_commands.h"
#include "tracker/records/tests/window_test_support.h"

namespace tracker {
namespace {

struct Starts {
  std::vector<os::ProgramStart> started;
  static void Record(const os::ProgramStart& start, void* context) {
    static_cast<Starts*>(context)->started.push_back(start);
  }
};

RecordRow Count(std::u16string content, std::int32_t start, std::int32_t stop) {
  RecordRow row;
  row.start_seconds = start;
  row.stop_seconds = stop;
  row.pass_seconds = stop - start;
  row.start_text = u"9:00";
  row.stop_text = u"9:30";
  row.pass_text = u"0:30";
  row.content = std::move(content);
  row.record_date = u"2026-12-10";
  row.weekday = 4;
  return row;
}

class RecordKeeperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    os::SetProgramStartSink(&Starts::Record, &starts_);
  }
  void TearDown() override { os::SetProgramStartSink(nullptr, nullptr); }

  lz::test::TempFolder folder_;
  std::u16string program_folder_ = folder_.path().u16string();
  test::RecordedBoxes boxes_;
  Starts starts_;
};

TEST_F(RecordKeeperTest, TwoCountsSavedOpenTheTableAtTheLastRow) {
  RecordKeeper keeper(program_folder_, u"2026-12-10");
  keeper.OpenAtStartUp();
  ASSERT_TRUE(keeper.store().IsOpen());
  keeper.rows() = {Count(u"Work", 32400, 34200), Count(u"Study", 36000, 37800)};
  EXPECT_TRUE(keeper.SaveToRecordTable(nullptr, false).empty());
  ASSERT_NE(keeper.table().hwnd(), nullptr);
  EXPECT_TRUE(IsWindowVisible(keeper.table().hwnd()));
  EXPECT_EQ(keeper.table().model().RowCount(), 2);
  EXPECT_EQ(keeper.table().grid().CurrentIndex(), 1);
  // Saved again: nothing added.
  EXPECT_TRUE(keeper.SaveToRecordTable(nullptr, false).empty());
  EXPECT_EQ(keeper.table().model().RowCount(), 2);
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_TRUE(starts_.started.empty());
}

TEST_F(RecordKeeperTest, CountingOrAnEmptyListDoesNothing) {
  RecordKeeper keeper(program_folder_, u"2026-12-10");
  keeper.OpenAtStartUp();
  EXPECT_TRUE(keeper.SaveToRecordTable(nullptr, false).empty());
  keeper.rows() = {Count(u"Work", 32400, 34200)};
  EXPECT_TRUE(keeper.SaveToRecordTable(nullptr, true).empty());
  EXPECT_EQ(keeper.table().hwnd(), nullptr);
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(RecordKeeperTest, FileThatIsNotAStoreIsLeftAndTheSaveGoesToTheMemo) {
  const std::vector<std::uint8_t> jet = {0x00, 0x01, 0x00, 0x00, 'S', 't', 'a', 'n', 'd', 'a', 'r', 'd'};
  lz::test::WriteFileBytes(folder_.path() / "Pendulo.db", jet);
  RecordKeeper keeper(program_folder_, u"2026-12-10");
  keeper.OpenAtStartUp();  // silent
  EXPECT_FALSE(keeper.store().IsOpen());
  EXPECT_TRUE(boxes_.boxes.empty());

  keeper.rows() = {Count(u"Work", 32400, 34200), Count(u"Study", 36000, 37800)};
  const std::u16string memo = keeper.SaveToRecordTable(nullptr, false);
  EXPECT_EQ(memo, MemoTextOfRows(keeper.rows()));
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].caption, u"Save to Record Table Problem");
  EXPECT_EQ(boxes_.boxes[0].style, 0u);
  EXPECT_NE(boxes_.boxes[0].text.find(keeper.store_path()), std::u16string::npos);
  ASSERT_EQ(starts_.started.size(), 1u);
  EXPECT_EQ(starts_.started[0].file, kHelpPageAddress);
  EXPECT_EQ(lz::test::ReadFileBytes(folder_.path() / "Pendulo.db"), jet);

  EXPECT_FALSE(keeper.ShowRecordTable(nullptr));
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_EQ(boxes_.boxes[1].caption, u"Record Table Problem");
}

}  // namespace
}  // namespace tracker
