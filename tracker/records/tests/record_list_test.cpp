#include "tracker/records/record_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace tracker {
namespace {

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

// A row as Stop leaves it, counted in Accurate Time.
RecordRow Counted(std::u16string start, std::int32_t start_seconds, std::int32_t stop_seconds,
                  std::u16string content, std::u16string remark = u"") {
  RecordRow row;
  row.start_text = std::move(start);
  row.start_seconds = start_seconds;
  row.stop_seconds = stop_seconds;
  row.stop_text = u"stop";
  row.content = std::move(content);
  row.pass_seconds = stop_seconds - start_seconds;
  row.pass_text = u"counted";
  row.remark = std::move(remark);
  row.record_date = u"2026-12-10";
  row.date_text = u"10/12/2026";
  row.weekday = 4;
  row.weekday_text = u"4";
  return row;
}

TEST(SaveToMemo, RowsAsFixedWidthText) {
  const std::u16string header = u"\r\n\r\n  Start     Stop      Content             Pass                Remark\r\n";
  struct Case {
    const char* name;
    std::u16string start, stop, content, pass, remark;
    std::u16string line;  // after CR LF and the two leading blanks
  };
  const std::vector<Case> cases = {
      {"content of 5 gets 15 blanks", u"9:00", u"10:00", u"Study", u"1:00", u"r",
       u"9:00      10:00     Study" + std::u16string(15, u' ') + u"1:00" + std::u16string(16, u' ') + u"r"},
      {"content of 18 gets 2", u"9:00", u"10:00", std::u16string(18, u'c'), u"1:00", u"",
       u"9:00      10:00     " + std::u16string(18, u'c') + u"  1:00" + std::u16string(16, u' ')},
      {"content of 19 gets 2", u"9:00", u"10:00", std::u16string(19, u'c'), u"1:00", u"",
       u"9:00      10:00     " + std::u16string(19, u'c') + u"  1:00" + std::u16string(16, u' ')},
      {"pass of 23 gets 3", u"9:00", u"10:00", u"Work", std::u16string(23, u'p'), u"r",
       u"9:00      10:00     Work" + std::u16string(16, u' ') + std::u16string(23, u'p') + u"   r"},
      {"pass of 20 gets none", u"9:00", u"10:00", u"Work", std::u16string(20, u'p'), u"r",
       u"9:00      10:00     Work" + std::u16string(16, u' ') + std::u16string(20, u'p') + u"r"},
      {"start and stop of 10 or more get one blank", u"9:00:00 AM", u"10:00:00 AM", u"Work", u"1:00", u"",
       u"9:00:00 AM 10:00:00 AM Work" + std::u16string(16, u' ') + u"1:00" + std::u16string(16, u' ')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordRow row;
    row.start_text = c.start;
    row.stop_text = c.stop;
    row.content = c.content;
    row.pass_text = c.pass;
    row.remark = c.remark;
    row.date_text = u"not written";
    const std::vector<RecordRow> rows = {row};
    EXPECT_EQ(Narrow(MemoTextOfRows(rows)), Narrow(header + u"\r\n  " + c.line + u"\r\n"));
  }
  EXPECT_EQ(MemoTextOfRows({}), header + u"\r\n");
}

TEST(SaveToMemo, DateAndTime) {
  struct Case {
    std::u16string long_date, weekday;
    std::u16string expected;
  };
  const std::vector<Case> cases = {
      {u"10 December 2026", u" Thursday", u"\r\n10 December 2026 Thursday\r\n"},
      {u"Thursday, December 10, 2026", u" Thursday", u"\r\nThursday, December 10, 2026 \r\n"},
      {u"Thu 10 Dec", u" Thursday", u"\r\nThu 10 Dec \r\n"},
      {u"", u" Sunday", u"\r\n Sunday\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(MemoTextOfDate(c.long_date, c.weekday), c.expected) << Narrow(c.long_date);
  EXPECT_EQ(MemoTextOfTime(u"9:41"), u"\r\n9:41 \r\n");
}

class SaveToStore : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(store_.Open(folder_.File("Pendulo.db")), records::OpenStatus::kOk); }
  std::vector<records::StoredRecord> Stored() {
    std::vector<records::StoredRecord> rows;
    const auto ids = store_.FindIds({}).value();
    for (auto id : ids) rows.push_back(*store_.Read(id));
    return rows;
  }
  lz::test::TempFolder folder_;
  records::RecordStore store_;
};

TEST_F(SaveToStore, SavingTwiceAddsNothing) {
  std::vector<RecordRow> rows = {Counted(u"9:00:00", 32400, 36000, u"Work")};
  ASSERT_TRUE(SaveRowsToStore(rows, store_).ok);
  const auto second = SaveRowsToStore(rows, store_);
  EXPECT_TRUE(second.ok);
  EXPECT_EQ(second.written, 0);
  ASSERT_EQ(Stored().size(), 1u);
  EXPECT_EQ(Stored()[0].pass, 3600);
  EXPECT_EQ(Stored()[0].record_date, u"2026-12-10");
  EXPECT_EQ(Stored()[0].weekday, 4);
}

TEST_F(SaveToStore, SameTimesWithAnotherContentKeepBoth) {
  std::vector<RecordRow> rows = {Counted(u"9:00:00", 32400, 36000, u"Work"),
                                 Counted(u"9:00:00", 32400, 36000, u"Study")};
  ASSERT_TRUE(SaveRowsToStore(rows, store_).ok);
  const auto stored = Stored();
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[0].content, u"Work");
  EXPECT_EQ(stored[1].content, u"Study");
}

TEST_F(SaveToStore, ModifyAfterASaveUpdatesTheOneStoredRow) {
  std::vector<RecordRow> rows = {Counted(u"9:00:00", 32400, 36000, u"Work"),
                                 Counted(u"11:00:00", 39600, 40000, u"Study")};
  ASSERT_TRUE(SaveRowsToStore(rows, store_).ok);
  ASSERT_TRUE(ModifyRow(rows[0], u"8:30", u"8:30:00", u"Reading", u"moved", u"1:30"));
  const auto result = SaveRowsToStore(rows, store_);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.written, 1);
  const auto stored = Stored();
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[0].id, rows[0].stored_id);
  EXPECT_EQ(stored[0].start, 30600);
  EXPECT_EQ(stored[0].content, u"Reading");
  EXPECT_EQ(stored[0].remark, u"moved");
  EXPECT_EQ(stored[0].pass, 5400);
  EXPECT_EQ(stored[1].content, u"Study");
}

TEST_F(SaveToStore, ModifyRefusesAStartThatDoesNotRead) {
  RecordRow row = Counted(u"9:00:00", 32400, 36000, u"Work");
  const RecordRow before = row;
  EXPECT_FALSE(ModifyRow(row, u"nine", u"nine", u"Reading", u"", u"1:00"));
  EXPECT_EQ(row.content, before.content);
  EXPECT_EQ(row.pass_seconds, before.pass_seconds);
  EXPECT_FALSE(row.changed_since_save);
}

TEST_F(SaveToStore, EachPassFormGivesItsSeconds) {
  const std::vector<std::pair<std::u16string, std::int64_t>> cases = {
      {u"1:02:05", 3725}, {u"1:02", 3720}, {u"1 Hour 2 Minutes", 3720}, {u"0 Minute", 0}, {u"26:00:00", 93600},
  };
  for (const auto& [pass, seconds] : cases) {
    std::vector<RecordRow> rows = {Counted(u"9:00:00", 32400, 36000, u"Work")};
    ASSERT_TRUE(ModifyRow(rows[0], u"9:00:00", u"9:00:00", u"Work", u"", pass));
    ASSERT_TRUE(SaveRowsToStore(rows, store_).ok);
    EXPECT_EQ(store_.Read(rows[0].stored_id)->pass, seconds) << Narrow(pass);
  }
}

TEST_F(SaveToStore, UnreadablePassStoresNothingAndTheMemoTextHoldsEveryRow) {
  std::vector<RecordRow> rows = {Counted(u"9:00:00", 32400, 36000, u"Work"),
                                 Counted(u"10:00:00", 36000, 39600, u"Study"),
                                 Counted(u"11:00:00", 39600, 43200, u"Reading")};
  ASSERT_TRUE(ModifyRow(rows[2], u"11:00", u"11:00:00", u"Reading", u"", u"90 min"));
  const auto result = SaveRowsToStore(rows, store_);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find(u"90 min"), std::u16string::npos);
  EXPECT_TRUE(Stored().empty());
  EXPECT_EQ(rows[0].stored_id, 0);
  const std::u16string memo = MemoTextOfRows(rows);
  for (const auto& row : rows) EXPECT_NE(memo.find(row.start_text + u" "), std::u16string::npos);
}

TEST_F(SaveToStore, StoreFailureStoresNothing) {
  std::vector<RecordRow> rows = {Counted(u"9:00:00", 32400, 36000, u"Work")};
  store_.Close();
  const auto result = SaveRowsToStore(rows, store_);
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.error.empty());
  EXPECT_EQ(rows[0].stored_id, 0);
}

}  // namespace
}  // namespace tracker
