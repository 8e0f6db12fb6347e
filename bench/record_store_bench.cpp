// Record store speed: one Save to Record Table of 1,000 list rows (one transaction), and one search with
// its totals and both value lists over a store of 100,000 rows, as the search window runs them.
#include <benchmark/benchmark.h>
#include <unistd.h>

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
    const auto ids = store.FindIds(query).value();
    const auto totals = store.Totals(query).value();
    benchmark::DoNotOptimize(ids.size());
    benchmark::DoNotOptimize(totals.total);
  }
}
BENCHMARK(BM_SearchWithTotalsAndValueLists)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
