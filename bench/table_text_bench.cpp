// How long the shipped main.dmg takes as text and back: the export of every record, the import of that
// text into an empty table, and into the full table, where every line is already there.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/table_text.h"
#include "tools/tabletool/ship_data.h"

namespace {

using namespace lz;
using namespace lz::tabletool;
namespace fs = std::filesystem;

fs::path Folder() {
  static const fs::path path = [] {
    auto p = fs::temp_directory_path() / ("lztextbench-" + std::to_string(::getpid()));
    fs::create_directories(p);
    return p;
  }();
  return path;
}

// The shipped main.dmg's bytes, built once from Debian's list.
const std::vector<std::uint8_t>* MainTable() {
  static std::vector<std::uint8_t> bytes;
  static bool built = [] {
    ShipDataInputs inputs;
    std::string error;
    return ReadShipDataInputs(TABLETOOL_DEFAULT_SCHEME, inputs, error) && BuildShipMain(inputs.wubi86, bytes, error);
  }();
  return built ? &bytes : nullptr;
}

MappedFile* OpenCopy(const std::string& name, const std::vector<std::uint8_t>& bytes, bool empty) {
  const fs::path path = Folder() / name;
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  MappedFile* table = nullptr;
  if (OpenMappedFile(path.u16string().c_str(), &table) <= 0) return nullptr;
  if (empty) ClearTable(table);
  return table;
}

std::u16string ExportedText() {
  static const std::u16string path = [] {
    const std::u16string p = (Folder() / "main.txt").u16string();
    MappedFile* table = OpenCopy("export-source.dmg", *MainTable(), false);
    ExportTableText({}, table, p.c_str());
    CloseMappedFile(table);
    return p;
  }();
  return path;
}

void BM_ExportMainTable(benchmark::State& state) {
  if (!MainTable()) {
    state.SkipWithError("Debian's word lists are not installed");
    return;
  }
  MappedFile* table = OpenCopy("export.dmg", *MainTable(), false);
  const std::u16string out = (Folder() / "export.txt").u16string();
  for (auto _ : state) benchmark::DoNotOptimize(ExportTableText({}, table, out.c_str()));
  CloseMappedFile(table);
}

void Import(benchmark::State& state, bool empty) {
  if (!MainTable()) {
    state.SkipWithError("Debian's word lists are not installed");
    return;
  }
  const std::u16string text = ExportedText();
  for (auto _ : state) {
    state.PauseTiming();
    MappedFile* table = OpenCopy("import.dmg", *MainTable(), empty);
    std::unique_ptr<TableImport> import = CreateTableImport();
    state.ResumeTiming();
    benchmark::DoNotOptimize(ImportTableText(*import, table, text.c_str()));
    state.PauseTiming();
    CloseMappedFile(table);
    import.reset();
    state.ResumeTiming();
  }
}

void BM_ImportIntoEmptyTable(benchmark::State& state) { Import(state, true); }
void BM_ImportIntoFullTable(benchmark::State& state) { Import(state, false); }

BENCHMARK(BM_ExportMainTable)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_ImportIntoEmptyTable)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_ImportIntoFullTable)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly();

}  // namespace

BENCHMARK_MAIN();
