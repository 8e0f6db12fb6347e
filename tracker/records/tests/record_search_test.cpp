#include "tracker/records/record_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace tracker {
namespace {

records::StoredRecord Row(std::u16string date, int weekday, std::int64_t start, std::u16string content,
                          std::int64_t pass, std::u16string remark) {
  records::StoredRecord row;
  row.record_date = std::move(date);
  row.weekday = weekday;
  row.start = static_cast<std::int32_t>(start);
  row.stop = static_cast<std::int32_t>(start + pass);
  if (row.stop > 86399) row.stop = 86399;
  row.content = std::move(content);
  row.pass = pass;
  row.remark = std::move(remark);
  return row;
}

class RecordSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(store_.Open(folder_.File("Pendulo.db")), records::OpenStatus::kOk);
    std::vector<records::StoredRecord> rows = {
        Row(u"2026-12-07", 1, 9 * 3600, u"Work", 3600, u""),
        Row(u"2026-12-08", 2, 23 * 3600 + 59 * 60 + 30, u"O'Brien's", 20, u"late"),
        Row(u"2026-12-09", 3, 10 * 3600, u"Study", 5400, u""),
        Row(u"2004-02-20", 5, 10 * 3600, u"Work", 60, u"old"),
        Row(u"2026-12-10", 4, 14 * 3600, u"Work", 1800, u"late"),
    };
    ASSERT_TRUE(store_.WriteAll(rows));
  }

  SearchForm Designed() {
    return DesignedSearchForm(u"2026-12-10", store_.DistinctValues(records::Column::kContent).value(),
                              store_.DistinctValues(records::Column::kRemark).value());
  }
  std::vector<std::u16string> Found(const SearchForm& form) {
    std::vector<std::u16string> found;
    const auto ids = store_.FindIds(BuildSearchQuery(form).value()).value();
    for (auto id : ids) {
      const auto row = store_.Read(id).value();
      found.push_back(row.record_date);
    }
    return found;
  }

  lz::test::TempFolder folder_;
  records::RecordStore store_;
};

TEST_F(RecordSearch, ValueListsHoldTheWholeTableInFirstStoredOrder) {
  const auto form = Designed();
  EXPECT_EQ(form.contents, (std::vector<std::u16string>{u"Work", u"O'Brien's", u"Study"}));
  EXPECT_EQ(form.remarks, (std::vector<std::u16string>{u"", u"late", u"old"}));
}

TEST_F(RecordSearch, ConditionsOneByOne) {
  struct Case {
    const char* name;
    void (*change)(SearchForm&);
    std::vector<std::u16string> expected;
  };
  const std::vector<Case> cases = {
      {"designed ranges keep the 23:59:30 start", [](SearchForm&) {},
       {u"2026-12-07", u"2026-12-08", u"2026-12-09", u"2026-12-10"}},
      {"date from", [](SearchForm& f) { f.date_from = u"2026-12-09"; }, {u"2026-12-09", u"2026-12-10"}},
      {"date to", [](SearchForm& f) { f.date_to = u"2026-12-07"; }, {u"2026-12-07"}},
      {"weekday box texts", [](SearchForm& f) { f.weekday_from = u" 2.9"; f.weekday_to = u"3abc"; },
       {u"2026-12-08", u"2026-12-09"}},
      {"start to 23:59:29", [](SearchForm& f) { f.start_to = 86369; },
       {u"2026-12-07", u"2026-12-09", u"2026-12-10"}},
      {"start from exactly 10:00:00", [](SearchForm& f) { f.start_from = 36000; },
       {u"2026-12-08", u"2026-12-09", u"2026-12-10"}},
      {"stop to 10:00:00", [](SearchForm& f) { f.stop_to = 36000; }, {u"2026-12-07"}},
      {"pass from 0:30:00", [](SearchForm& f) { f.pass_from = 1800; }, {u"2026-12-07", u"2026-12-09", u"2026-12-10"}},
      {"pass to 0:30:00", [](SearchForm& f) { f.pass_to = 1800; }, {u"2026-12-08", u"2026-12-10"}},
      {"an apostrophe", [](SearchForm& f) { f.contents = {u"O'Brien's"}; }, {u"2026-12-08"}},
      {"no content selected", [](SearchForm& f) { f.contents.clear(); }, {}},
      {"no remark selected", [](SearchForm& f) { f.remarks.clear(); }, {}},
      {"one remark", [](SearchForm& f) { f.remarks = {u"late"}; }, {u"2026-12-08", u"2026-12-10"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SearchForm form = Designed();
    c.change(form);
    EXPECT_EQ(Found(form), c.expected);
  }
}

TEST_F(RecordSearch, WeekdayOutsideSixteenBitsFails) {
  const std::vector<std::pair<std::u16string, bool>> cases = {
      {u"32767", true}, {u"32768", false}, {u"-32768", true}, {u"-32769", false}, {u"1e9", false},
      {u"abc", true}, {u" 32767.9", true}, {u"3.2768e4", false}, {u"", true},
  };
  for (const auto& [text, builds] : cases) {
    SearchForm form = Designed();
    form.weekday_to = text;
    EXPECT_EQ(BuildSearchQuery(form).has_value(), builds) << std::string(text.begin(), text.end());
  }
}

TEST(SearchTotals, LinesOfTheTotalsBox) {
  struct Case {
    const char* name;
    records::PassTotals totals;
    std::vector<std::u16string> expected;
  };
  const std::vector<Case> cases = {
      {"nothing found empties the box", {0, 0, 0, 0}, {}},
      {"one row", {1, 5400, 5400, 5400},
       {u"Record Number             1", u"Maximum Pass              1:30:00", u"Minimum Pass              1:30:00",
        u"Total Pass                      1:30:00"}},
      {"two rows", {2, 9000, 3600, 12600},
       {u"Record Number             2", u"Maximum Pass              2:30:00", u"Minimum Pass              1:00:00",
        u"Total Pass                      3:30:00"}},
      {"ten one-hour rows", {10, 3600, 3600, 36000},
       {u"Record Number             10", u"Maximum Pass              1:00:00", u"Minimum Pass              1:00:00",
        u"Total Pass                      10:00:00"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TotalsLines(c.totals), c.expected);
  }
}

TEST_F(RecordSearch, TotalsOfASearchFromTheStore) {
  SearchForm form = Designed();
  form.contents = {u"Work"};
  const auto totals = store_.Totals(BuildSearchQuery(form).value()).value();
  EXPECT_EQ(TotalsLines(totals), (std::vector<std::u16string>{
                                     u"Record Number             2", u"Maximum Pass              1:00:00",
                                     u"Minimum Pass              0:30:00", u"Total Pass                      1:30:00"}));
}

}  // namespace
}  // namespace tracker
