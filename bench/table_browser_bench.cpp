// How fast the code-table browser is on the shipped main.dmg: each view build next to a bare walk over the
// offset table, the cells of one screen of rows, and deleting three records with the index rebuilt.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/tables/table_browser.h"
#include "config/tables/table_records.h"
#include "textservice/engine/settings_store.h"
#include "tools/tabletool/ship_data.h"

namespace {

using namespace lz;
using namespace lz::config;
using namespace lz::tabletool;
namespace fs = std::filesystem;

fs::path Folder() {
  static const fs::path path = [] {
    auto p = fs::temp_directory_path() / ("lzbrowsebench-" + std::to_string(::getpid()));
    fs::create_directories(p);
    return p;
  }();
  return path;
}

const std::vector<std::uint8_t>* MainBytes() {
  static std::vector<std::uint8_t> bytes;
  static bool built = [] {
    ShipDataInputs inputs;
    std::string error;
    return ReadShipDataInputs(TABLETOOL_DEFAULT_SCHEME, inputs, error) && BuildShipMain(inputs.wubi86, bytes, error);
  }();
  return built ? &bytes : nullptr;
}

MappedFile* Open(const std::string& name) {
  const fs::path path = Folder() / name;
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(MainBytes()->data()), static_cast<std::streamsize>(MainBytes()->size()));
  MappedFile* table = nullptr;
  return OpenMappedFile(path.u16string().c_str(), &table) > 0 ? table : nullptr;
}

MappedFile* Shared() {
  static MappedFile* table = MainBytes() ? Open("main.dmg") : nullptr;
  return table;
}

void Build(benchmark::State& state, const BrowserFilter& filter) {
  MappedFile* table = Shared();
  if (!table) {
    state.SkipWithError("Debian's word lists are not installed");
    return;
  }
  std::size_t rows = 0;
  for (auto _ : state) rows = BuildBrowserView(table, filter).size();
  state.counters["rows"] = static_cast<double>(rows);
}

void BM_BareWalk(benchmark::State& state) {
  MappedFile* table = Shared();
  if (!table) {
    state.SkipWithError("Debian's word lists are not installed");
    return;
  }
  for (auto _ : state) {
    std::uint32_t sum = 0;
    for (std::uint32_t i = 0; i < RecordCount(table); ++i) {
      CodeTableRecord r;
      if (RecordAt(table, static_cast<std::int32_t>(i), r)) sum += r.flags;
    }
    benchmark::DoNotOptimize(sum);
  }
}
void BM_ViewAll(benchmark::State& s) { Build(s, {}); }
void BM_ViewExactCode(benchmark::State& s) { Build(s, {u"khlg", u"", false}); }
void BM_ViewOneLetterPrefix(benchmark::State& s) { Build(s, {u"k", u"", true}); }
void BM_ViewContainedWord(benchmark::State& s) { Build(s, {u"", u"中", true}); }
void BM_ViewClassTwo(benchmark::State& s) { Build(s, {u"", u"", false, 2}); }
void BM_ViewDeletedOnly(benchmark::State& s) { Build(s, {u"", u"", false, 0, true}); }

void BM_CellsOfFortyRows(benchmark::State& state) {
  MappedFile* table = Shared();
  if (!table) {
    state.SkipWithError("Debian's word lists are not installed");
    return;
  }
  std::vector<std::uint8_t> store = NewConfigStore({});
  ConfigBlocks blocks;
  FindConfigBlocks({store.data(), static_cast<std::uint32_t>(store.size())}, blocks);
  for (auto _ : state) {
    for (std::int32_t row = 50000; row < 50040; ++row) {
      benchmark::DoNotOptimize(BrowserRowAt(table, BrowsedTable::kMain, row, blocks.soft, false).word.size());
    }
  }
}

void BM_DeleteThreeRecords(benchmark::State& state) {
  if (!MainBytes()) {
    state.SkipWithError("Debian's word lists are not installed");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    MappedFile* table = Open("delete.dmg");
    state.ResumeTiming();
    RemoveTableRecords(table, {100, 70000, 130000});
    SortTableOffsets(CompareCodes, table);
    state.PauseTiming();
    CloseMappedFile(table);
    state.ResumeTiming();
  }
}

BENCHMARK(BM_BareWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewExactCode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewOneLetterPrefix)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewContainedWord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewClassTwo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewDeletedOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CellsOfFortyRows)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeleteThreeRecords)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly();

}  // namespace

BENCHMARK_MAIN();
