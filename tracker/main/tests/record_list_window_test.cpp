// The record list of the main window as a user meets it: the selection enables Modify and Delete, the
// list's pop-up opens at the mouse, and Modify, Delete Selected and Delete All ask and then act on the
// list and on the rows a later save writes.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "platform/os/local_clock.h"
#include "platform/os/message_box.h"
#include "tests/support/temp_folder.h"
#include "tracker/main/command_ids.h"
#include "tracker/main/main_window.h"
#include "tracker/main/tests/main_window_test_support.h"

namespace tracker {
namespace {

struct Box {
  std::u16string text;
  std::u16string caption;
  std::uint32_t style;
};

// What the list's pop-up showed while it was open: its entries' enabled states, in order.
std::vector<bool> g_popup_enabled;
bool g_popup_seen = false;
void CALLBACK ReadAndEndOpenMenu(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  HWND menu_window = FindWindowW(L"#32768", nullptr);
  g_popup_seen = menu_window && IsWindowVisible(menu_window);
  if (g_popup_seen) {
    const auto menu = reinterpret_cast<HMENU>(SendMessageW(menu_window, MN_GETHMENU, 0, 0));
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      g_popup_enabled.push_back((GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) == 0);
    }
  }
  EndMenu();
}

class RecordListWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_test::SetDecemberTime(reading_, 10, 14, 0, 0);
    os::SetClockSource([](void* context) { return *static_cast<os::ClockReading*>(context); }, &reading_);
    os::SetNamedFormatter(
        [](const os::LocalDateTime& t, os::NamedFormat f, void*) { return os::FormatUnitedStates(t, f); }, nullptr);
    os::SetMessageBoxResponder(
        [](const os::MessageBoxRequest& request, void* context) {
          auto* self = static_cast<RecordListWindowTest*>(context);
          self->boxes_.push_back({request.text, request.caption, request.style});
          if (self->answers_.empty()) return os::kAnswerOk;
          const int answer = self->answers_.front();
          self->answers_.pop_front();
          return answer;
        },
        this);
    window_ = std::make_unique<MainWindow>(window_test::FolderText(folder_));
    window_->StartUp();
  }
  void TearDown() override {
    if (window_->loaded()) window_test::SendCommand(*window_, kCmdQuit);
    window_.reset();
    window_test::ResetWindowTestSeams();
  }

  // One counted activity: Start at hour:00, Stop ten minutes later with this content.
  void Count(int hour, const std::u16string& content) {
    window_test::SetDecemberTime(reading_, 10, hour, 0, 0);
    window_test::SendCommand(*window_, kCmdStart);
    window_test::SetDecemberTime(reading_, 10, hour, 10, 0);
    window_->activity_box().SetText(content);
    window_test::SendCommand(*window_, kCmdStop);
  }

  void Notify(UINT code) {
    NMITEMACTIVATE note{};
    note.hdr.hwndFrom = window_->records().hwnd();
    note.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(note.hdr.hwndFrom));
    note.hdr.code = code;
    note.iItem = -1;
    SendMessageW(window_->hwnd(), WM_NOTIFY, note.hdr.idFrom, reinterpret_cast<LPARAM>(&note));
  }

  // A click on a row (or, with -1, on the empty part of the list).
  void ClickRow(int row) {
    HWND list = window_->records().hwnd();
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = 0;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    if (row >= 0) {
      state.state = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
    }
    Notify(NM_CLICK);
  }

  void RightClick() {
    g_popup_enabled.clear();
    g_popup_seen = false;
    SetTimer(nullptr, 0, 200, ReadAndEndOpenMenu);
    Notify(NM_RCLICK);
    window_test::SettleDisplay(50);
  }

  std::vector<std::u16string> Contents() {
    std::vector<std::u16string> contents;
    for (int row = 0; row < window_->records().RowCount(); ++row) contents.push_back(window_->records().Cell(row, 2));
    return contents;
  }

  std::vector<std::u16string> KeptContents() {
    std::vector<std::u16string> contents;
    for (const RecordRow& row : window_->records_keeper()->rows()) contents.push_back(row.content);
    return contents;
  }

  bool SelectionCommandsOn() {
    return window_->menu().Enabled(kCmdModifySelectedRecord) && window_->menu().Enabled(kCmdClearLatest);
  }

  lz::test::TempFolder folder_;
  os::ClockReading reading_;
  std::vector<Box> boxes_;
  std::deque<int> answers_;
  std::unique_ptr<MainWindow> window_;
};

using Texts = std::vector<std::u16string>;

TEST_F(RecordListWindowTest, AClickOnARowEnablesModifyAndDeleteAndTheEmptyPartDisablesThem) {
  Count(9, u"Reading");
  EXPECT_FALSE(SelectionCommandsOn());
  ClickRow(0);
  EXPECT_TRUE(SelectionCommandsOn());
  ClickRow(-1);
  EXPECT_FALSE(SelectionCommandsOn());
  // While a count runs the list's events change nothing.
  ClickRow(0);
  window_test::SendCommand(*window_, kCmdStart);
  ClickRow(0);
  EXPECT_FALSE(SelectionCommandsOn());
}

TEST_F(RecordListWindowTest, TheListPopUpOpensWithItsEntriesFollowingTheListAndTheSelection) {
  struct Case {
    int rows;
    int selected;
    std::vector<bool> enabled;
  } const cases[] = {
      {0, -1, {false, false, false}},
      {1, -1, {true, false, false}},
      {1, 0, {true, true, true}},
  };
  for (const Case& c : cases) {
    if (window_->records().RowCount() < c.rows) Count(9, u"Reading");
    ClickRow(c.selected);
    RightClick();
    EXPECT_TRUE(g_popup_seen) << c.rows << " rows, row " << c.selected << " selected";
    EXPECT_EQ(g_popup_enabled, c.enabled) << c.rows << " rows, row " << c.selected << " selected";
  }
}

TEST_F(RecordListWindowTest, ModifyAsksAndOverwritesStartContentRemarkAndPassOfTheSelectedRow) {
  Count(9, u"Reading");
  Count(10, u"Writing");
  ClickRow(0);
  window_->start_box().SetText(u"8:45");
  window_->activity_box().SetText(u"Study");
  window_->remark_box().SetText(u"chapter 2");
  window_->pass_box().SetText(u"0:25");
  window_test::SendCommand(*window_, kCmdModifySelectedRecord);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, u"Are you sure of changing this record to current Start, Content, Remark and Pass?");
  EXPECT_EQ(boxes_[0].caption, u"Modify Selected Record");
  EXPECT_EQ(boxes_[0].style, 65u);
  EXPECT_EQ(window_->records().Cell(0, 0), u"8:45:00 AM");
  EXPECT_EQ(window_->records().Cell(0, 2), u"Study");
  EXPECT_EQ(window_->records().Cell(0, 3), u"0:25");
  EXPECT_EQ(window_->records().Cell(0, 4), u"chapter 2");
  EXPECT_EQ(window_->records().Cell(1, 2), u"Writing");
  const RecordRow& kept = window_->records_keeper()->rows()[0];
  EXPECT_EQ(kept.start_seconds, 8 * 3600 + 45 * 60);
  EXPECT_EQ(kept.content, u"Study");
  EXPECT_TRUE(kept.changed_since_save);

  // Cancel leaves the row; a start that is no time of day says so and changes nothing.
  answers_ = {2};
  window_->activity_box().SetText(u"Sport");
  window_test::SendCommand(*window_, kCmdPopupModifySelectedRecord);
  EXPECT_EQ(window_->records().Cell(0, 2), u"Study");
  window_->start_box().SetText(u"half past");
  window_test::SendCommand(*window_, kCmdModifySelectedRecord);
  ASSERT_EQ(boxes_.size(), 4u);
  EXPECT_EQ(boxes_[3].text, u" Perhaps the data in current Start half past is wrong (e.g., not hh:mm), please check it and try again.");
  EXPECT_EQ(boxes_[3].style, 33u);
  EXPECT_EQ(window_->records().Cell(0, 2), u"Study");
}

TEST_F(RecordListWindowTest, DeleteSelectedFromMenuPopUpAndToolbarRemovesTheRowAndItsKeptData) {
  Count(9, u"Reading");
  Count(10, u"Writing");
  Count(11, u"Walking");
  // Nothing selected: nothing asked, nothing removed.
  ClickRow(-1);
  window_test::SendCommand(*window_, kCmdClearLatest);
  EXPECT_TRUE(boxes_.empty());

  ClickRow(1);
  answers_ = {2};  // Cancel
  window_test::SendCommand(*window_, kCmdClearLatest);
  EXPECT_EQ(Contents(), (Texts{u"Reading", u"Writing", u"Walking"}));
  window_test::SendCommand(*window_, kCmdClearLatest);
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[1].text, u"Are you sure of deleting this record?");
  EXPECT_EQ(boxes_[1].caption, u"Delete Selected Record");
  EXPECT_EQ(boxes_[1].style, 65u);
  EXPECT_EQ(Contents(), (Texts{u"Reading", u"Walking"}));
  EXPECT_EQ(KeptContents(), (Texts{u"Reading", u"Walking"}));
  EXPECT_FALSE(SelectionCommandsOn());

  ClickRow(1);
  window_test::SendCommand(*window_, kCmdPopupClearLatest);
  EXPECT_EQ(Contents(), (Texts{u"Reading"}));
  ClickRow(0);
  const int delete_button = 8;
  ASSERT_EQ(window_->toolbar().Key(delete_button), u"delete");
  window_->toolbar().ClickButton(delete_button);
  EXPECT_TRUE(Contents().empty());
  EXPECT_TRUE(KeptContents().empty());
  for (const int command : {kCmdClearAll, kCmdSaveToRecordTable, kCmdCopyRecords}) {
    EXPECT_FALSE(window_->menu().Enabled(command)) << command;
  }
}

TEST_F(RecordListWindowTest, DeleteAllAsksWithCancelAsDefaultAndEmptiesTheList) {
  Count(9, u"Reading");
  Count(10, u"Writing");
  EXPECT_TRUE(window_->menu().Enabled(kCmdClearAll));
  answers_ = {2};
  window_test::SendCommand(*window_, kCmdClearAll);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, u"Are you sure of deleting all records?");
  EXPECT_EQ(boxes_[0].caption, u"Delete All Records");
  EXPECT_EQ(boxes_[0].style, 305u);
  EXPECT_EQ(window_->records().RowCount(), 2);
  window_test::SendCommand(*window_, kCmdClearAll);
  EXPECT_EQ(window_->records().RowCount(), 0);
  EXPECT_TRUE(KeptContents().empty());
  for (const int command : {kCmdModifySelectedRecord, kCmdClearLatest, kCmdClearAll, kCmdSaveToRecordTable,
                            kCmdCopyRecords}) {
    EXPECT_FALSE(window_->menu().Enabled(command)) << command;
  }
  // The next count starts a fresh list whose row is the one saved.
  Count(12, u"Lunch");
  EXPECT_EQ(KeptContents(), (Texts{u"Lunch"}));
}

TEST_F(RecordListWindowTest, ARowDeletedAfterItsSaveStaysInTheRecordTable) {
  Count(9, u"Reading");
  window_test::SendCommand(*window_, kCmdSaveToRecordTable);
  ASSERT_NE(window_->records_keeper()->rows()[0].stored_id, 0);
  ClickRow(0);
  window_test::SendCommand(*window_, kCmdClearLatest);
  EXPECT_EQ(window_->records().RowCount(), 0);
  const auto ids = window_->records_keeper()->store().FindIds(records::RecordQuery{});
  ASSERT_TRUE(ids.has_value());
  EXPECT_EQ(ids->size(), 1u);
  // With nothing left that is not stored, Quit asks nothing.
  boxes_.clear();
  window_test::SendCommand(*window_, kCmdQuit);
  EXPECT_FALSE(window_->loaded());
  EXPECT_TRUE(boxes_.empty());
}

}  // namespace
}  // namespace tracker
