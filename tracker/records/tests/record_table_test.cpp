#include "tracker/records/record_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tracker {
namespace {

using records::Column;

TEST(RecordTable, JumpTargets) {
  struct Case {
    Jump jump;
    std::int64_t count;
    std::optional<std::int64_t> target;
  };
  const std::vector<Case> cases = {
      {Jump::kMiddle, 2, std::nullopt}, {Jump::kMiddle, 3, 1},        {Jump::kMiddle, 4, 2},
      {Jump::kQuarter, 2, std::nullopt}, {Jump::kQuarter, 3, std::nullopt}, {Jump::kQuarter, 4, 1},
      {Jump::kThreeQuarter, 2, std::nullopt}, {Jump::kThreeQuarter, 3, std::nullopt},
      {Jump::kThreeQuarter, 4, 3},      {Jump::kThreeQuarter, 10, 7}, {Jump::kQuarter, 10, 2},
      {Jump::kBeginning, 0, std::nullopt}, {Jump::kBeginning, 2, 0}, {Jump::kEnd, 0, std::nullopt},
      {Jump::kEnd, 3, 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(JumpTarget(c.jump, c.count), c.target) << static_cast<int>(c.jump) << " of " << c.count;
  }
}

TEST(RecordTable, HeaderClicksAlternateWhateverTheColumn) {
  HeaderSort sort;
  const std::vector<std::pair<Column, bool>> clicks = {
      {Column::kPass, false}, {Column::kPass, true}, {Column::kContent, false}, {Column::kStart, true},
  };
  for (const auto& [column, descending] : clicks) {
    const auto result = sort.Click(column);
    EXPECT_EQ(result.column, column);
    EXPECT_EQ(result.descending, descending);
  }
}

TEST(RecordTable, CellsShowTimesAsHoursMinutesSeconds) {
  records::StoredRecord row;
  row.record_date = u"2026-12-10";
  row.weekday = 4;
  row.start = 9 * 3600 + 5;
  row.stop = 23 * 3600 + 59 * 60 + 59;
  row.content = u"Work";
  row.pass = 100000;
  row.remark = u"r";
  const std::vector<std::pair<Column, std::u16string>> cases = {
      {Column::kRecordDate, u"2026-12-10"}, {Column::kWeekday, u"4"}, {Column::kStart, u"9:00:05"},
      {Column::kStop, u"23:59:59"}, {Column::kContent, u"Work"}, {Column::kPass, u"27:46:40"},
      {Column::kRemark, u"r"},
  };
  for (const auto& [column, text] : cases) EXPECT_EQ(CellText(row, column), text);
}

TEST(RecordTable, EditedCellsReadInTheGridsForm) {
  struct Case {
    Column column;
    std::u16string text;
    std::optional<records::Value> expected;
  };
  const std::vector<Case> cases = {
      {Column::kPass, u"1:30:00", std::int64_t{5400}},
      {Column::kPass, u"30:00:00", std::int64_t{108000}},
      {Column::kPass, u"1:30", std::nullopt},
      {Column::kPass, u"ninety", std::nullopt},
      {Column::kStart, u"23:59:59", std::int64_t{86399}},
      {Column::kStop, u"24:00:00", std::nullopt},
      {Column::kRecordDate, u"2026-02-28", std::u16string(u"2026-02-28")},
      {Column::kRecordDate, u"28/02/2026", std::nullopt},
      {Column::kWeekday, u"6", std::int64_t{6}},
      {Column::kWeekday, u"7", std::nullopt},
      {Column::kContent, u"it's", std::u16string(u"it's")},
      {Column::kRemark, u"", std::u16string(u"")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadCellEdit(c.column, c.text), c.expected) << std::string(c.text.begin(), c.text.end());
  }
}

}  // namespace
}  // namespace tracker
