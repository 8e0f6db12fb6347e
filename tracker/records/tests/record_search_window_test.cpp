// The record search window in a real window (under Xvfb): it fills its lists from the whole table,
// and Find fills the grid and the totals box.
#include "tracker/records/record_search_win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
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

std::u16string Text(HWND hwnd) {
  wchar_t buffer[256] = {};
  GetWindowTextW(hwnd, buffer, 256);
  return std::u16string(os::U16Ptr(buffer));
}

class RecordSearchWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(host_.hwnd(), nullptr);
    totals_ = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, 0, 330, 400, 200, host_.hwnd(),
                              nullptr, GetModuleHandleW(nullptr), nullptr);

    ASSERT_EQ(store_.Open(folder_.File("Pendulo.db")), records::OpenStatus::kOk);
    struct Stored {
      const char16_t* date;
      std::int32_t start;
      const char16_t* content;
      std::int64_t pass;
      const char16_t* remark;
    };
    const std::vector<Stored> stored = {
        {u"2026-12-07", 9 * 3600, u"Work", 3600, u""},
        {u"2026-12-08", 23 * 3600 + 59 * 60 + 30, u"O'Brien's", 5400, u"late"},
        {u"2026-12-09", 10 * 3600, u"Study", 1800, u""},
        {u"2026-12-10", 11 * 3600, u"Work", 9000, u"late"},
    };
    std::vector<records::StoredRecord> rows;
    for (const auto& s : stored) {
      records::StoredRecord row;
      row.record_date = s.date;
      row.weekday = 3;
      row.start = s.start;
      row.stop = s.start + 20;
      row.content = s.content;
      row.pass = s.pass;
      row.remark = s.remark;
      rows.push_back(row);
    }
    ASSERT_TRUE(store_.WriteAll(rows));
    ASSERT_TRUE(model_.ShowAll());
    RECT bounds{0, 0, 780, 320};
    ASSERT_NE(grid_.Create(host_.hwnd(), kGridId, bounds), nullptr);
    FillTotalsBox(totals_, {u"from an earlier search"});
    search_ = std::make_unique<RecordSearchWindow>(model_, grid_, store_, totals_, u"2026-12-10",
                                                   u"C:\\Pendulo\\Pendulo.db");
    search_->Show(host_.hwnd());
    ASSERT_NE(search_->hwnd(), nullptr);
  }
  void TearDown() override { search_.reset(); }
  std::int64_t GridRows() { return SendMessageW(grid_.hwnd(), LVM_GETITEMCOUNT, 0, 0); }
  std::int64_t TotalsItems() { return SendMessageW(totals_, CB_GETCOUNT, 0, 0); }

  lz::test::TempFolder folder_;
  records::RecordStore store_;
  RecordTableModel model_{store_};
  RecordGrid grid_{model_};
  test::GridHost host_{grid_};
  HWND totals_ = nullptr;
  test::RecordedBoxes responder_;
  std::unique_ptr<RecordSearchWindow> search_;
};

TEST_F(RecordSearchWindowTest, LoadFillsTheListsAndTheDesignedRanges) {
  EXPECT_EQ(search_->ListItems(false), (std::vector<std::u16string>{u"Work", u"O'Brien's", u"Study"}));
  EXPECT_EQ(search_->ListItems(true), (std::vector<std::u16string>{u"", u"late"}));
  const SearchForm form = search_->ReadForm();
  EXPECT_EQ(form.date_from, u"2004-02-21");
  EXPECT_EQ(form.date_to, u"2026-12-10");
  EXPECT_EQ(form.weekday_from, u"0");
  EXPECT_EQ(form.weekday_to, u"6");
  EXPECT_EQ(form.start_from, 1);
  EXPECT_EQ(form.start_to, 86399);
  EXPECT_EQ(form.pass_to, 86399);
  EXPECT_EQ(form.contents, search_->ListItems(false));
  EXPECT_EQ(form.remarks, search_->ListItems(true));
  EXPECT_EQ(Text(search_->hwnd()).rfind(u"Find - ", 0), 0u);
}

TEST_F(RecordSearchWindowTest, FindFillsTheGridAndTheTotalsBox) {
  struct Case {
    const char* name;
    void (*change)(SearchForm&);
    std::int64_t rows;
    std::u16string totals_text;
    std::int64_t totals_items;
  };
  const std::vector<Case> cases = {
      {"everything, the 23:59:30 start included", [](SearchForm&) {}, 4,
       u"Total Pass                      5:30:00", 4},
      {"one content with an apostrophe", [](SearchForm& f) { f.contents = {u"O'Brien's"}; }, 1,
       u"Total Pass                      1:30:00", 4},
      {"start up to 23:59:29", [](SearchForm& f) { f.start_to = 86369; }, 3,
       u"Total Pass                      4:00:00", 4},
      {"no content selected finds nothing and empties the box", [](SearchForm& f) { f.contents.clear(); }, 0, u"", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    search_->Show(host_.hwnd());
    SearchForm form = DesignedSearchForm(u"2026-12-10", search_->ListItems(false), search_->ListItems(true));
    c.change(form);
    search_->WriteForm(form);
    ASSERT_TRUE(search_->Find());
    EXPECT_EQ(GridRows(), c.rows);
    EXPECT_EQ(Text(totals_), c.totals_text);
    EXPECT_EQ(TotalsItems(), c.totals_items);
    EXPECT_FALSE(IsWindowVisible(search_->hwnd()));
  }
  EXPECT_TRUE(responder_.boxes.empty());
}

TEST_F(RecordSearchWindowTest, WeekdayOutOfRangeShowsTheFindProblem) {
  SearchForm form = search_->ReadForm();
  form.weekday_to = u"40000";
  search_->WriteForm(form);
  EXPECT_FALSE(search_->Find());
  ASSERT_EQ(responder_.boxes.size(), 1u);
  EXPECT_EQ(responder_.boxes[0].caption, u"Find Problem");
  EXPECT_NE(responder_.boxes[0].text.find(u"C:\\Pendulo\\Pendulo.db"), std::u16string::npos);
  EXPECT_EQ(Text(totals_), u"from an earlier search");
}

}  // namespace
}  // namespace tracker
