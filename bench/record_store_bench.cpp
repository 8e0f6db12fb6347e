// Record store speed: one Save to Record Table of 1,000 list rows (one transaction), and one search with
// its totals and both value lists over a store of 100,000 rows, as the search window runs them, on the
// connection that made the file (as the program, which opens its store once, does). Its floor runs the
// same statements with plain SQLite calls on a connection opened afresh on the same file.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/records/record_store.h"
#include "tracker/records/record_list.h"
#include "tracker/records/record_search.h"
#include "tracker/records/time_text.h"

namespace {

constexpr int kSavedRows = 1000;
constexpr int kSearchedRows = 100000;

struct BenchFolder {
  std::filesystem::path path;
  BenchFolder() : path(std::filesystem::temp_directory_path() / ("lzrecords-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path);
  }
  ~BenchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};
BenchFolder& Folder() {
  static BenchFolder folder;
  return folder;
}

const std::u16string kContents[] = {u"Work", u"Study", u"Reading", u"Sport", u"Music", u"Chat", u"Project A",
                                    u"Project B"};
const std::u16string kRemarks[] = {u"", u"late", u"with team", u"at home", u"O'Brien's"};

tracker::RecordRow ListRow(int i) {
  tracker::RecordRow row;
  row.start_seconds = (i * 37) % 80000;
  row.stop_seconds = row.start_seconds + 600 + i % 3000;
  row.pass_seconds = row.stop_seconds - row.start_seconds;
  row.start_text = u"9:00:00";
  row.stop_text = u"10:00:00";
  row.pass_text = u"1:00:00";
  row.content = kContents[i % 8];
  row.remark = kRemarks[i % 5];
  row.record_date = u"2026-12-10";
  row.weekday = 4;
  return row;
}

void BM_SaveThousandRows(benchmark::State& state) {
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const auto path = (Folder().path / ("save-" + std::to_string(round++) + ".db")).u16string();
    records::RecordStore store;
    store.Open(path);
    std::vector<tracker::RecordRow> rows;
    for (int i = 0; i < kSavedRows; ++i) rows.push_back(ListRow(i));
    state.ResumeTiming();
    const auto result = tracker::SaveRowsToStore(rows, store);
    benchmark::DoNotOptimize(result.written);
    if (!result.ok) state.SkipWithError("save failed");
  }
}
BENCHMARK(BM_SaveThousandRows)->Unit(benchmark::kMillisecond);

records::RecordStore& SearchStore() {
  static records::RecordStore store;
  if (!store.IsOpen()) {
    store.Open((Folder().path / "search.db").u16string());
    std::vector<records::StoredRecord> rows;
    for (int i = 0; i < kSearchedRows; ++i) {
      records::StoredRecord row;
      row.record_date = tracker::IsoDate(2026, i % 12 + 1, 15);
      row.weekday = i % 7;
      row.start = (i * 37) % 80000;
      row.stop = row.start + 600;
      row.content = kContents[i % 8];
      row.pass = 600 + i % 3000;
      row.remark = kRemarks[i % 5];
      rows.push_back(std::move(row));
    }
    store.WriteAll(rows);
  }
  return store;
}

void BM_SearchWithTotalsAndValueLists(benchmark::State& state) {
  auto& store = SearchStore();
  for (auto _ : state) {
    const auto contents = store.DistinctValues(records::Column::kContent).value();
    const auto remarks = store.DistinctValues(records::Column::kRemark).value();
    auto form = tracker::DesignedSearchForm(u"2026-12-31", contents, remarks);
    form.contents.pop_back();
    const auto query = tracker::BuildSearchQuery(form).value();
    const auto found = store.FindRows(query).value();
    benchmark::DoNotOptimize(found.ids.size());
    benchmark::DoNotOptimize(found.totals.total);
  }
}
BENCHMARK(BM_SearchWithTotalsAndValueLists)->Unit(benchmark::kMillisecond);

std::string Ascii(std::u16string_view text) { return std::string(text.begin(), text.end()); }

std::vector<std::u16string> PlainValues(sqlite3* db, records::Column column) {
  const std::string name = Ascii(records::ColumnName(column));
  const std::string sql = "SELECT " + name + " FROM Recorder GROUP BY " + name + " ORDER BY MIN(ID)";
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
  std::vector<std::u16string> values;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    const auto* text = static_cast<const char16_t*>(sqlite3_column_text16(stmt, 0));
    values.emplace_back(text, static_cast<std::size_t>(sqlite3_column_bytes16(stmt, 0)) / sizeof(char16_t));
  }
  sqlite3_finalize(stmt);
  return values;
}

// The store's statement for a query, written out here: the conditions in order, each value bound.
void BM_SearchFloorPlainSqliteFreshConnection(benchmark::State& state) {
  SearchStore();
  sqlite3* db = nullptr;
  if (sqlite3_open_v2((Folder().path / "search.db").string().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
      SQLITE_OK) {
    state.SkipWithError("cannot open");
    return;
  }
  for (auto _ : state) {
    const auto contents = PlainValues(db, records::Column::kContent);
    const auto remarks = PlainValues(db, records::Column::kRemark);
    auto form = tracker::DesignedSearchForm(u"2026-12-31", contents, remarks);
    form.contents.pop_back();
    const auto query = tracker::BuildSearchQuery(form).value();
    std::string sql = "SELECT ID, Pass FROM Recorder";
    std::vector<const records::Value*> values;
    const char* joiner = " WHERE ";
    for (const auto& condition : query.conditions) {
      sql += joiner;
      joiner = " AND ";
      sql += Ascii(records::ColumnName(condition.column));
      if (condition.kind == records::Condition::Kind::kOneOf) {
        sql += " IN (";
        for (std::size_t i = 0; i < condition.values.size(); ++i) sql += i == 0 ? "?" : ", ?";
        sql += ")";
      } else {
        sql += condition.kind == records::Condition::Kind::kAtLeast ? " >= ?" : " <= ?";
      }
      for (const auto& value : condition.values) values.push_back(&value);
    }
    sql += " ORDER BY ID";
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (const auto* number = std::get_if<std::int64_t>(values[i])) {
        sqlite3_bind_int64(stmt, static_cast<int>(i + 1), *number);
      } else {
        const auto& text = std::get<std::u16string>(*values[i]);
        sqlite3_bind_text16(stmt, static_cast<int>(i + 1), text.data(),
                            static_cast<int>(text.size() * sizeof(char16_t)), SQLITE_TRANSIENT);
      }
    }
    std::vector<std::int64_t> ids;
    records::PassTotals totals;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      ids.push_back(sqlite3_column_int64(stmt, 0));
      const std::int64_t pass = sqlite3_column_int64(stmt, 1);
      totals.maximum = totals.count == 0 ? pass : std::max(totals.maximum, pass);
      totals.minimum = totals.count == 0 ? pass : std::min(totals.minimum, pass);
      ++totals.count;
      totals.total += pass;
    }
    sqlite3_finalize(stmt);
    benchmark::DoNotOptimize(ids.size());
    benchmark::DoNotOptimize(totals.total);
  }
  sqlite3_close(db);
}
BENCHMARK(BM_SearchFloorPlainSqliteFreshConnection)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
