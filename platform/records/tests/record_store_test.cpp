#include "platform/records/record_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace records {
namespace {

using lz::test::ReadFileBytes;
using lz::test::TempFolder;
using lz::test::WriteFileBytes;

StoredRecord Row(std::u16string date, int weekday, std::int32_t start, std::int32_t stop, std::u16string content,
                 std::int64_t pass, std::u16string remark = u"") {
  StoredRecord row;
  row.record_date = std::move(date);
  row.weekday = weekday;
  row.start = start;
  row.stop = stop;
  row.content = std::move(content);
  row.pass = pass;
  row.remark = std::move(remark);
  return row;
}

// Runs SQL on the file with SQLite directly, as another program would, and returns the first column of
// the first row as text.
std::string AskFile(const std::u16string& path, const char* sql) {
  sqlite3* db = nullptr;
  std::string answer;
  if (sqlite3_open16(path.c_str(), &db) == SQLITE_OK) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(stmt, 0);
      if (text != nullptr) answer = reinterpret_cast<const char*>(text);
    }
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
  return answer;
}

void RunOnFile(const std::u16string& path, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open16(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

class RecordStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(store_.Open(path_), OpenStatus::kOk); }

  std::vector<std::int64_t> Ids(const RecordQuery& query = {}) { return store_.FindIds(query).value(); }
  std::vector<std::u16string> Contents(const RecordQuery& query = {}) {
    std::vector<std::u16string> contents;
    for (auto id : Ids(query)) contents.push_back(store_.Read(id)->content);
    return contents;
  }
  std::vector<StoredRecord> Save(std::vector<StoredRecord> rows) {
    EXPECT_TRUE(store_.WriteAll(rows)) << std::string(store_.LastError().begin(), store_.LastError().end());
    return rows;
  }

  TempFolder folder_;
  std::u16string path_ = folder_.File("Pendulo.db");
  RecordStore store_;
};

TEST(RecordStoreOpen, NewFileGetsTheTableAndVersion) {
  TempFolder folder;
  const auto path = folder.File("Pendulo.db");
  RecordStore store;
  ASSERT_EQ(store.Open(path), OpenStatus::kOk);
  store.Close();
  EXPECT_EQ(AskFile(path, "PRAGMA user_version"), "1");
  EXPECT_EQ(AskFile(path, "SELECT group_concat(name || ':' || type || ':' || \"notnull\", ',') "
                          "FROM pragma_table_info('Recorder')"),
            "ID:INTEGER:0,RecordDate:TEXT:1,Weekday:INTEGER:1,Start:INTEGER:1,Stop:INTEGER:1,"
            "Content:TEXT:1,Pass:INTEGER:1,Remark:TEXT:1");
  EXPECT_EQ(AskFile(path, "PRAGMA encoding"), "UTF-8");
}

TEST(RecordStoreOpen, StoreMadeAsUtf16IsReadAsItIs) {
  TempFolder folder;
  const auto path = folder.File("Pendulo.db");
  RunOnFile(path, "PRAGMA encoding = 'UTF-16le'; "
                  "CREATE TABLE Recorder (ID INTEGER PRIMARY KEY AUTOINCREMENT, RecordDate TEXT NOT NULL DEFAULT '', "
                  "Weekday INTEGER NOT NULL DEFAULT 0, Start INTEGER NOT NULL DEFAULT 0, "
                  "Stop INTEGER NOT NULL DEFAULT 0, Content TEXT NOT NULL DEFAULT '', "
                  "Pass INTEGER NOT NULL DEFAULT 0, Remark TEXT NOT NULL DEFAULT ''); "
                  "INSERT INTO Recorder (RecordDate, Weekday, Content, Pass, Remark) "
                  "VALUES ('2026-12-10', 4, '\xe5\xb7\xa5\xe4\xbd\x9c', 60, 'x');");
  RecordStore store;
  ASSERT_EQ(store.Open(path), OpenStatus::kOk);
  RecordQuery work;
  work.conditions = {{Column::kContent, Condition::Kind::kOneOf, {u"\u5de5\u4f5c"}}};
  const auto found = store.FindRows(work).value();
  ASSERT_EQ(found.ids.size(), 1u);
  EXPECT_EQ(store.Read(found.ids[0])->content, u"\u5de5\u4f5c");
  std::vector<StoredRecord> added = {Row(u"2026-12-11", 5, 0, 1, u"\u5b66\u4e60", 5)};
  ASSERT_TRUE(store.WriteAll(added));
  store.Close();
  EXPECT_EQ(AskFile(path, "PRAGMA encoding"), "UTF-16le");
  EXPECT_EQ(AskFile(path, "SELECT group_concat(Content, ',') FROM Recorder"),
            "\xe5\xb7\xa5\xe4\xbd\x9c,\xe5\xad\xa6\xe4\xb9\xa0");
}

TEST(RecordStoreOpen, RefusedFilesStayByteForByte) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    const char* sql;  // run on a real SQLite file instead of writing bytes
    OpenStatus expected;
  };
  const std::vector<Case> cases = {
      {"text file", {'n', 'o', 't', ' ', 'a', ' ', 'd', 'b', '\r', '\n'}, nullptr, OpenStatus::kNotDatabase},
      {"Jet-like header", std::vector<std::uint8_t>(4096, 0x5a), nullptr, OpenStatus::kNotDatabase},
      {"Recorder without Pass", {}, "CREATE TABLE Recorder (ID INTEGER PRIMARY KEY, RecordDate TEXT, "
                                    "Weekday INTEGER, Start INTEGER, Stop INTEGER, Content TEXT, Remark TEXT)",
       OpenStatus::kWrongTable},
      {"Recorder of other columns", {}, "CREATE TABLE recorder (a, b)", OpenStatus::kWrongTable},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const auto path = folder.File("Pendulo.db");
    if (c.sql != nullptr) {
      RunOnFile(path, c.sql);
    } else {
      WriteFileBytes(folder.path() / "Pendulo.db", c.bytes);
    }
    const auto before = ReadFileBytes(folder.path() / "Pendulo.db");
    RecordStore store;
    EXPECT_EQ(store.Open(path), c.expected);
    EXPECT_FALSE(store.IsOpen());
    EXPECT_FALSE(store.LastError().empty());
    EXPECT_EQ(ReadFileBytes(folder.path() / "Pendulo.db"), before);
    EXPECT_FALSE(store.WriteAll({}));
  }
}

TEST(RecordStoreOpen, OtherDatabaseGetsTheTableAndKeepsItsOwn) {
  TempFolder folder;
  const auto path = folder.File("Pendulo.db");
  RunOnFile(path, "CREATE TABLE Notes (t TEXT); INSERT INTO Notes VALUES ('kept')");
  RecordStore store;
  ASSERT_EQ(store.Open(path), OpenStatus::kOk);
  store.Close();
  EXPECT_EQ(AskFile(path, "SELECT t FROM Notes"), "kept");
  EXPECT_EQ(AskFile(path, "SELECT count(*) FROM pragma_table_info('Recorder')"), "8");
}

TEST(RecordStoreOpen, MissingFolderCannotOpen) {
  TempFolder folder;
  RecordStore store;
  EXPECT_EQ(store.Open(folder.File("no such folder/Pendulo.db")), OpenStatus::kCannotOpen);
  EXPECT_FALSE(store.LastError().empty());
}

TEST_F(RecordStoreTest, WriteAllInsertsNewRowsAndUpdatesStoredOnes) {
  auto rows = Save({Row(u"2026-12-10", 4, 3600, 7200, u"Work", 3600), Row(u"2026-12-10", 4, 3600, 7200, u"Study", 3600)});
  ASSERT_NE(rows[0].id, 0);
  ASSERT_NE(rows[1].id, rows[0].id);
  EXPECT_EQ(*store_.Read(rows[1].id), rows[1]);

  rows[0].remark = u"changed";
  const auto again = Save(rows);
  EXPECT_EQ(again[0].id, rows[0].id);
  EXPECT_EQ(Ids(), (std::vector<std::int64_t>{rows[0].id, rows[1].id}));
  EXPECT_EQ(store_.Read(rows[0].id)->remark, u"changed");
}

TEST_F(RecordStoreTest, RowWhoseStoredRowWasDeletedIsStoredAnew) {
  auto rows = Save({Row(u"2026-12-10", 4, 0, 60, u"Work", 60)});
  const std::int64_t old_id = rows[0].id;
  ASSERT_TRUE(store_.DeleteIds(std::vector<std::int64_t>{old_id}));
  rows = Save(rows);
  EXPECT_NE(rows[0].id, old_id);
  EXPECT_EQ(Contents(), std::vector<std::u16string>{u"Work"});
}

TEST_F(RecordStoreTest, FailedWriteStoresNothingAndKeepsIds) {
  RunOnFile(path_, "CREATE TRIGGER refuse BEFORE INSERT ON Recorder WHEN NEW.Content = 'bad' "
                   "BEGIN SELECT RAISE(ABORT, 'refused by test'); END");
  std::vector<StoredRecord> rows = {Row(u"2026-12-10", 4, 0, 60, u"Work", 60), Row(u"2026-12-10", 4, 0, 60, u"bad", 60)};
  EXPECT_FALSE(store_.WriteAll(rows));
  EXPECT_EQ(store_.LastError(), u"refused by test");
  EXPECT_EQ(rows[0].id, 0);
  EXPECT_TRUE(Ids().empty());
  // The store is usable after the failure.
  rows.pop_back();
  EXPECT_TRUE(store_.WriteAll(rows));
  EXPECT_EQ(Ids().size(), 1u);
}

TEST_F(RecordStoreTest, ConditionsFindRowsInclusiveToTheSecond) {
  Save({Row(u"2026-12-01", 2, 8 * 3600, 9 * 3600, u"Work", 3600, u"a"),
        Row(u"2026-12-02", 3, 23 * 3600 + 59 * 60 + 30, 23 * 3600 + 59 * 60 + 59, u"O'Brien's", 29, u"b"),
        Row(u"2026-12-03", 4, 12 * 3600, 13 * 3600, u"Study", 3600, u"a")});
  using K = Condition::Kind;
  struct Case {
    const char* name;
    std::vector<Condition> conditions;
    std::vector<std::u16string> expected;
  };
  const std::vector<Case> cases = {
      {"no condition", {}, {u"Work", u"O'Brien's", u"Study"}},
      {"date from", {{Column::kRecordDate, K::kAtLeast, {u"2026-12-02"}}}, {u"O'Brien's", u"Study"}},
      {"date to", {{Column::kRecordDate, K::kAtMost, {u"2026-12-02"}}}, {u"Work", u"O'Brien's"}},
      {"weekday range", {{Column::kWeekday, K::kAtLeast, {3}}, {Column::kWeekday, K::kAtMost, {3}}}, {u"O'Brien's"}},
      {"start at most 23:59:59 keeps 23:59:30", {{Column::kStart, K::kAtMost, {86399}}}, {u"Work", u"O'Brien's", u"Study"}},
      {"start at most 23:59:29", {{Column::kStart, K::kAtMost, {86369}}}, {u"Work", u"Study"}},
      {"start at least equal", {{Column::kStart, K::kAtLeast, {12 * 3600}}}, {u"O'Brien's", u"Study"}},
      {"stop bound", {{Column::kStop, K::kAtMost, {9 * 3600}}}, {u"Work"}},
      {"pass bounds", {{Column::kPass, K::kAtLeast, {29}}, {Column::kPass, K::kAtMost, {29}}}, {u"O'Brien's"}},
      {"apostrophe value", {{Column::kContent, K::kOneOf, {u"O'Brien's"}}}, {u"O'Brien's"}},
      {"two contents", {{Column::kContent, K::kOneOf, {u"Work", u"Study"}}}, {u"Work", u"Study"}},
      {"no content selected", {{Column::kContent, K::kOneOf, {}}}, {}},
      {"remark", {{Column::kRemark, K::kOneOf, {u"a"}}}, {u"Work", u"Study"}},
      {"injection text is a value", {{Column::kContent, K::kOneOf, {u"x') OR 1=1 --"}}}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Contents({c.conditions, std::nullopt}), c.expected);
  }
}

TEST_F(RecordStoreTest, SortsByColumnAscendingOrDescending) {
  Save({Row(u"2026-12-02", 3, 300, 400, u"b", 20), Row(u"2026-12-01", 2, 100, 200, u"c", 30),
        Row(u"2026-12-03", 4, 200, 300, u"a", 10)});
  struct Case {
    Column column;
    bool descending;
    std::vector<std::u16string> expected;
  };
  const std::vector<Case> cases = {
      {Column::kContent, false, {u"a", u"b", u"c"}},
      {Column::kContent, true, {u"c", u"b", u"a"}},
      {Column::kPass, false, {u"a", u"b", u"c"}},
      {Column::kStart, true, {u"b", u"a", u"c"}},
      {Column::kRecordDate, false, {u"c", u"b", u"a"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Contents({{}, Sort{c.column, c.descending}}), c.expected);
  }
}

TEST(RecordStoreColumns, OnlyTheSevenNamesAreColumns) {
  struct Case {
    std::u16string name;
    std::optional<Column> expected;
  };
  const std::vector<Case> cases = {
      {u"RecordDate", Column::kRecordDate}, {u"Weekday", Column::kWeekday}, {u"Start", Column::kStart},
      {u"Stop", Column::kStop}, {u"Content", Column::kContent}, {u"Pass", Column::kPass},
      {u"Remark", Column::kRemark}, {u"ID", std::nullopt}, {u"pass", std::nullopt},
      {u"Pass; DROP TABLE Recorder", std::nullopt}, {u"", std::nullopt}, {u"Pass DESC", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ColumnFromName(c.name), c.expected) << std::string(c.name.begin(), c.name.end());
  }
}

TEST_F(RecordStoreTest, TotalsOfTheFoundRows) {
  struct Case {
    const char* name;
    std::vector<std::int64_t> passes;
    PassTotals expected;
  };
  const std::vector<Case> cases = {
      {"none", {}, {0, 0, 0, 0}},
      {"one", {5400}, {1, 5400, 5400, 5400}},
      {"two", {3600, 9000}, {2, 9000, 3600, 12600}},
      {"ten hours", std::vector<std::int64_t>(10, 3600), {10, 3600, 3600, 36000}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(store_.DeleteIds(Ids()));
    std::vector<StoredRecord> rows;
    for (auto pass : c.passes) rows.push_back(Row(u"2026-12-10", 4, 0, 1, u"Work", pass));
    Save(rows);
    const auto totals = store_.Totals({}).value();
    EXPECT_EQ(totals.count, c.expected.count);
    EXPECT_EQ(totals.maximum, c.expected.maximum);
    EXPECT_EQ(totals.minimum, c.expected.minimum);
    EXPECT_EQ(totals.total, c.expected.total);
    const auto found = store_.FindRows({}).value();
    EXPECT_EQ(found.ids, Ids());
    EXPECT_EQ(found.totals.count, c.expected.count);
    EXPECT_EQ(found.totals.maximum, c.expected.maximum);
    EXPECT_EQ(found.totals.minimum, c.expected.minimum);
    EXPECT_EQ(found.totals.total, c.expected.total);
  }
}

TEST_F(RecordStoreTest, TotalPast64BitsIsRefused) {
  Save({Row(u"2026-12-10", 4, 0, 1, u"Work", INT64_MAX), Row(u"2026-12-10", 4, 0, 1, u"Work", 1)});
  EXPECT_FALSE(store_.Totals({}).has_value());
  EXPECT_FALSE(store_.FindRows({}).has_value());
  EXPECT_FALSE(store_.LastError().empty());
}

TEST_F(RecordStoreTest, TotalsFollowTheConditions) {
  Save({Row(u"2026-12-10", 4, 0, 1, u"Work", 100), Row(u"2026-12-10", 4, 0, 1, u"Study", 7)});
  const auto totals = store_.Totals({{{Column::kContent, Condition::Kind::kOneOf, {u"Study"}}}, std::nullopt});
  EXPECT_EQ(totals->count, 1);
  EXPECT_EQ(totals->total, 7);
  RecordQuery study;
  study.conditions = {{Column::kContent, Condition::Kind::kOneOf, {u"Study"}}};
  study.sort = Sort{Column::kPass, true};
  const auto found = store_.FindRows(study).value();
  EXPECT_EQ(found.ids, Ids(study));
  EXPECT_EQ(found.totals.count, 1);
  EXPECT_EQ(found.totals.total, 7);
}

TEST_F(RecordStoreTest, DistinctValuesInFirstStoredOrder) {
  Save({Row(u"2026-12-10", 4, 0, 1, u"Study", 1, u"x"), Row(u"2026-12-10", 4, 0, 1, u"Work", 1, u""),
        Row(u"2026-12-10", 4, 0, 1, u"Study", 1, u"x"), Row(u"2026-12-10", 4, 0, 1, u"Art", 1, u"X"),
        Row(u"2026-12-10", 4, 0, 1, u"Work", 1, u"y")});
  EXPECT_EQ(store_.DistinctValues(Column::kContent).value(), (std::vector<std::u16string>{u"Study", u"Work", u"Art"}));
  EXPECT_EQ(store_.DistinctValues(Column::kRemark).value(), (std::vector<std::u16string>{u"x", u"", u"X", u"y"}));
}

TEST_F(RecordStoreTest, UpdateCellAndDeleteIds) {
  auto rows = Save({Row(u"2026-12-10", 4, 0, 1, u"a", 1), Row(u"2026-12-10", 4, 0, 1, u"b", 1),
                    Row(u"2026-12-10", 4, 0, 1, u"c", 1)});
  ASSERT_TRUE(store_.UpdateCell(rows[1].id, Column::kPass, std::int64_t{5400}));
  ASSERT_TRUE(store_.UpdateCell(rows[1].id, Column::kContent, std::u16string(u"it's")));
  EXPECT_EQ(store_.Read(rows[1].id)->pass, 5400);
  EXPECT_EQ(store_.Read(rows[1].id)->content, u"it's");
  ASSERT_TRUE(store_.DeleteIds(std::vector<std::int64_t>{rows[0].id, rows[2].id}));
  EXPECT_EQ(Ids(), std::vector<std::int64_t>{rows[1].id});
  EXPECT_FALSE(store_.Read(rows[0].id).has_value());
}

TEST_F(RecordStoreTest, TwoStoresShareTheFile) {
  RecordStore second;
  ASSERT_EQ(second.Open(path_), OpenStatus::kOk);
  std::vector<StoredRecord> mine = {Row(u"2026-12-10", 4, 0, 1, u"first", 1)};
  std::vector<StoredRecord> theirs = {Row(u"2026-12-10", 4, 0, 1, u"second", 1)};
  ASSERT_TRUE(store_.WriteAll(mine));
  ASSERT_TRUE(second.WriteAll(theirs));
  EXPECT_EQ(Contents(), (std::vector<std::u16string>{u"first", u"second"}));
}

}  // namespace
}  // namespace records
