#include "tracker/records/record_table_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "tracker/records/record_search.h"

namespace tracker {
namespace {

constexpr int kContentColumn = 4;
constexpr int kPassColumn = 5;

class RecordTableModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(store_.Open(folder_.File("Pendulo.db")), records::OpenStatus::kOk);
    std::vector<records::StoredRecord> rows;
    const std::vector<std::pair<std::u16string, std::int64_t>> contents = {
        {u"c", 300}, {u"a", 100}, {u"e", 500}, {u"b", 200}, {u"d", 400}};
    for (const auto& [content, pass] : contents) {
      records::StoredRecord row;
      row.record_date = u"2026-12-10";
      row.weekday = 4;
      row.content = content;
      row.pass = pass;
      rows.push_back(row);
    }
    ASSERT_TRUE(store_.WriteAll(rows));
    ASSERT_TRUE(model_.ShowAll());
  }
  std::u16string Contents() {
    std::u16string contents;
    for (std::int64_t i = 0; i < model_.RowCount(); ++i) contents += model_.CellText(i, kContentColumn);
    return contents;
  }

  lz::test::TempFolder folder_;
  records::RecordStore store_;
  RecordTableModel model_{store_};
};

TEST_F(RecordTableModelTest, HeaderClicksSortAscendingThenDescending) {
  EXPECT_EQ(Contents(), u"caebd");
  struct Click {
    int column;
    std::u16string expected;
  };
  const std::vector<Click> clicks = {{kContentColumn, u"abcde"}, {kContentColumn, u"edcba"}, {kPassColumn, u"abcde"},
                                     {kContentColumn, u"edcba"}};
  for (const auto& click : clicks) {
    ASSERT_TRUE(model_.HeaderClick(click.column));
    EXPECT_EQ(Contents(), click.expected);
  }
  EXPECT_FALSE(model_.HeaderClick(7));
}

TEST_F(RecordTableModelTest, SortKeepsTheSearchsRows) {
  SearchForm form = DesignedSearchForm(u"2026-12-31", {u"a", u"b", u"e"}, {u""});
  form.start_from = form.stop_from = form.pass_from = 0;
  ASSERT_TRUE(model_.ShowQuery(BuildSearchQuery(form).value()));
  EXPECT_EQ(Contents(), u"aeb");
  ASSERT_TRUE(model_.HeaderClick(kPassColumn));
  EXPECT_EQ(Contents(), u"abe");
}

TEST_F(RecordTableModelTest, DeleteSelectedRowsAndDeleteAll) {
  const std::vector<std::int64_t> selected = {0, 2, 4};
  ASSERT_TRUE(model_.DeleteRows(selected));
  EXPECT_EQ(Contents(), u"ab");
  ASSERT_TRUE(model_.DeleteRows({}));
  EXPECT_EQ(Contents(), u"ab");
  ASSERT_TRUE(model_.DeleteAll());
  EXPECT_EQ(model_.RowCount(), 0);
  EXPECT_TRUE(store_.FindIds({}).value().empty());
}

TEST_F(RecordTableModelTest, DeleteAllTakesOnlyTheCurrentQuerysRows) {
  records::RecordQuery query;
  query.conditions = {{records::Column::kContent, records::Condition::Kind::kOneOf, {u"a", u"b"}}};
  ASSERT_TRUE(model_.ShowQuery(query));
  ASSERT_TRUE(model_.DeleteAll());
  ASSERT_TRUE(model_.ShowAll());
  EXPECT_EQ(Contents(), u"ced");
}

TEST_F(RecordTableModelTest, EditedCellsAreWrittenByIdOrRefused) {
  struct Case {
    int column;
    std::u16string text;
    EditOutcome outcome;
    std::u16string shown;
  };
  const std::vector<Case> cases = {
      {kPassColumn, u"1:30:00", EditOutcome::kWritten, u"1:30:00"},
      {kPassColumn, u"90 minutes", EditOutcome::kRefused, u"1:30:00"},
      {kPassColumn, u"1:30", EditOutcome::kRefused, u"1:30:00"},
      {kContentColumn, u"it's", EditOutcome::kWritten, u"it's"},
      {0, u"10/12/2026", EditOutcome::kRefused, u"2026-12-10"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(model_.EditCell(1, c.column, c.text), c.outcome);
    EXPECT_EQ(model_.CellText(1, c.column), c.shown);
  }
  EXPECT_EQ(store_.Read(model_.IdAt(1).value())->pass, 5400);
  EXPECT_EQ(model_.EditCell(99, kPassColumn, u"1:00:00"), EditOutcome::kRefused);
}

}  // namespace
}  // namespace tracker
