// The record table's grid in a real window (under Xvfb): the list asks for its cells, header clicks
// sort, selected rows are deleted, Delete All asks first, and edited cells are written or refused.
#include "tracker/records/record_grid_win32.h"

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

constexpr int kGridId = 100;
constexpr int kContentColumn = 4;
constexpr int kPassColumn = 5;

class RecordGridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(host_.hwnd(), nullptr);
    ASSERT_EQ(store_.Open(folder_.File("Pendulo.db")), records::OpenStatus::kOk);
    std::vector<records::StoredRecord> rows;
    const std::vector<std::pair<std::u16string, std::int64_t>> contents = {
        {u"c", 300}, {u"a", 100}, {u"e", 500}, {u"b", 200}, {u"d", 400}};
    for (const auto& [content, pass] : contents) {
      records::StoredRecord row;
      row.record_date = u"2026-12-10";
      row.weekday = 4;
      row.start = 9 * 3600;
      row.stop = 10 * 3600;
      row.content = content;
      row.pass = pass;
      rows.push_back(row);
    }
    ASSERT_TRUE(store_.WriteAll(rows));
    ASSERT_TRUE(model_.ShowAll());
    RECT bounds{0, 0, 780, 360};
    ASSERT_NE(grid_.Create(host_.hwnd(), kGridId, bounds), nullptr);
  }

  // What the list view shows in a cell: it asks the grid through LVN_GETDISPINFO.
  std::u16string Shown(int row, int column) {
    wchar_t buffer[64] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 64;
    SendMessageW(grid_.hwnd(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return std::u16string(os::U16Ptr(buffer));
  }
  std::u16string ShownContents() {
    std::u16string contents;
    const auto count = SendMessageW(grid_.hwnd(), LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) contents += Shown(i, kContentColumn);
    return contents;
  }
  void ClickHeader(int column) {
    NMLISTVIEW click{};
    click.hdr.hwndFrom = grid_.hwnd();
    click.hdr.idFrom = kGridId;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageW(host_.hwnd(), WM_NOTIFY, kGridId, reinterpret_cast<LPARAM>(&click));
  }
  void Select(int row) {
    LVITEMW select{};
    select.state = LVIS_SELECTED;
    select.stateMask = LVIS_SELECTED;
    SendMessageW(grid_.hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&select));
  }
  void TypeIntoCell(int row, int column, const wchar_t* text) {
    ASSERT_TRUE(grid_.BeginEdit(row, column));
    SetWindowTextW(grid_.edit_box(), text);
    SendMessageW(grid_.edit_box(), WM_KEYDOWN, VK_RETURN, 0);
  }
  std::size_t StoredCount() { return store_.FindIds({}).value().size(); }

  lz::test::TempFolder folder_;
  records::RecordStore store_;
  RecordTableModel model_{store_};
  RecordGrid grid_{model_};
  test::GridHost host_{grid_};
  test::RecordedBoxes responder_;
};

TEST_F(RecordGridTest, ShowsEveryRowWithTimesAsHoursMinutesSeconds) {
  EXPECT_EQ(ShownContents(), u"caebd");
  EXPECT_EQ(Shown(0, 0), u"2026-12-10");
  EXPECT_EQ(Shown(0, 2), u"9:00:00");
  EXPECT_EQ(Shown(1, kPassColumn), u"0:01:40");
}

TEST_F(RecordGridTest, TwoHeaderClicksSortAscendingThenDescending) {
  ClickHeader(kContentColumn);
  EXPECT_EQ(ShownContents(), u"abcde");
  ClickHeader(kContentColumn);
  EXPECT_EQ(ShownContents(), u"edcba");
}

TEST_F(RecordGridTest, DeleteRemovesTheThreeSelectedRows) {
  Select(0);
  Select(2);
  Select(4);
  ASSERT_EQ(grid_.SelectedIndexes(), (std::vector<std::int64_t>{0, 2, 4}));
  ASSERT_TRUE(model_.DeleteRows(grid_.SelectedIndexes()));
  grid_.Reload();
  EXPECT_EQ(ShownContents(), u"ab");
  EXPECT_EQ(StoredCount(), 2u);
  EXPECT_TRUE(grid_.SelectedIndexes().empty());
}

TEST_F(RecordGridTest, DeleteAllAsksAndCancelKeepsEverything) {
  responder_.answer = test::kAnswerCancel;
  EXPECT_FALSE(RunDeleteAll(host_.hwnd(), model_, grid_));
  ASSERT_EQ(responder_.boxes.size(), 1u);
  EXPECT_EQ(responder_.boxes[0].caption, u"Delete All Current Records");
  EXPECT_EQ(responder_.boxes[0].text, u"Are you sure of deleting all current records?");
  EXPECT_EQ(responder_.boxes[0].style, 305u);
  EXPECT_EQ(StoredCount(), 5u);

  responder_.answer = os::kAnswerOk;
  EXPECT_TRUE(RunDeleteAll(host_.hwnd(), model_, grid_));
  EXPECT_EQ(StoredCount(), 0u);
  EXPECT_EQ(SendMessageW(grid_.hwnd(), LVM_GETITEMCOUNT, 0, 0), 0);

  // An empty view asks nothing.
  EXPECT_FALSE(RunDeleteAll(host_.hwnd(), model_, grid_));
  EXPECT_EQ(responder_.boxes.size(), 2u);
}

TEST_F(RecordGridTest, EditedPassCellIsStoredAndABadOneRefused) {
  EXPECT_FALSE(grid_.BeginEdit(1, kPassColumn));  // updates not enabled
  grid_.SetEditing(true);
  TypeIntoCell(1, kPassColumn, L"1:30:00");
  EXPECT_EQ(grid_.edit_box(), nullptr);
  EXPECT_EQ(store_.Read(model_.IdAt(1).value())->pass, 5400);
  EXPECT_EQ(Shown(1, kPassColumn), u"1:30:00");
  EXPECT_TRUE(responder_.boxes.empty());

  TypeIntoCell(2, kPassColumn, L"90 minutes");
  ASSERT_EQ(responder_.boxes.size(), 1u);
  EXPECT_EQ(responder_.boxes[0].caption, std::u16string(kEditRefusedTitle));
  EXPECT_NE(grid_.edit_box(), nullptr);  // left open for a correction
  EXPECT_EQ(store_.Read(model_.IdAt(2).value())->pass, 500);
  SendMessageW(grid_.edit_box(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(grid_.edit_box(), nullptr);
  EXPECT_EQ(Shown(2, kPassColumn), u"0:08:20");
}

TEST_F(RecordGridTest, SelectRecordAddsTheCurrentRow) {
  grid_.MoveTo(3);
  EXPECT_EQ(grid_.CurrentIndex(), 3);
  grid_.SelectCurrent();
  EXPECT_EQ(grid_.SelectedIndexes(), std::vector<std::int64_t>{3});
}

}  // namespace
}  // namespace tracker
