// How long the shipped main.dmg takes as text and back: the export of every record, the import of that
// text into an empty table, and into the full table, where every line is already there. The memory an
// import needs is measured on the text and on a ten-times text (the same lines, each word also with nine
// suffixes), each imported by a fresh run of this program that reports its own peak resident size.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/tables/table_text.h"
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

// The exported text with every line also written nine more times, its word followed by a suffix.
std::u16string TenTimesText() {
  static const std::u16string path = [] {
    const fs::path p = Folder() / "main10.txt";
    std::ifstream in(fs::path(ExportedText()), std::ios::binary);
    std::stringstream whole;
    whole << in.rdbuf();
    const std::string text = whole.str();
    // The export is UTF-8; a suffix ("甲" .. "壬") goes between the word and its tab.
    constexpr const char* kSuffixes[] = {"甲", "乙", "丙", "丁", "戊", "己", "庚", "辛", "壬"};
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    for (std::size_t start = 0; start < text.size();) {
      const std::size_t end = std::min(text.find('\n', start), text.size() - 1) + 1;
      const std::string line = text.substr(start, end - start);
      out << line;
      const std::size_t tab = line.find('\t');
      if (tab != std::string::npos && line.compare(0, 2, "//") != 0) {
        const std::size_t word = start == 0 && line.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // past the mark
        for (const char* suffix : kSuffixes) out << line.substr(word, tab - word) << suffix << line.substr(tab);
      }
      start = end;
    }
    return p.u16string();
  }();
  return path;
}

// Run as `--import-peak TEXT TABLE`: imports the text into the (emptied) table and exits.
int ImportForPeak(const char* text, const char* table_path) {
  MappedFile* table = nullptr;
  if (OpenMappedFile(fs::path(table_path).u16string().c_str(), &table) <= 0) return 2;
  ClearTable(table);
  std::unique_ptr<TableImport> import = CreateTableImport();
  const int accepted = ImportTableText(*import, table, fs::path(text).u16string().c_str());
  CloseMappedFile(table);
  return accepted > 0 ? 0 : 3;
}

// The peak resident size of a fresh run of this program that imports the text, beside the size of the
// table it made.
void ImportPeak(benchmark::State& state, const std::u16string& text) {
  if (!MainTable()) {
    state.SkipWithError("Debian's word lists are not installed");
    return;
  }
  const fs::path table = Folder() / "peak.dmg";
  for (auto _ : state) {
    state.PauseTiming();
    std::ofstream(table, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(MainTable()->data()), static_cast<std::streamsize>(MainTable()->size()));
    state.ResumeTiming();
    const std::string text_path = fs::path(text).string(), table_path = table.string();
    const pid_t child = fork();
    if (child == 0) {
      execl("/proc/self/exe", "table_text_bench", "--import-peak", text_path.c_str(), table_path.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("the import run failed");
      return;
    }
    state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  }
  MappedFile* made = nullptr;
  if (OpenMappedFile(table.u16string().c_str(), &made) > 0) {
    state.counters["table_MiB"] = static_cast<double>(made->size) / (1024.0 * 1024.0);
    state.counters["records"] = static_cast<double>(RecordCount(made));
    CloseMappedFile(made);
  }
}

void BM_ImportPeakMemory(benchmark::State& state) { ImportPeak(state, ExportedText()); }
void BM_ImportPeakMemoryTenTimes(benchmark::State& state) {
  if (!MainTable()) {
    state.SkipWithError("Debian's word lists are not installed");
    return;
  }
  ImportPeak(state, TenTimesText());
}

void BM_ImportIntoEmptyTable(benchmark::State& state) { Import(state, true); }
void BM_ImportIntoFullTable(benchmark::State& state) { Import(state, false); }

BENCHMARK(BM_ExportMainTable)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_ImportIntoEmptyTable)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_ImportIntoFullTable)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_ImportPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ImportPeakMemoryTenTimes)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--import-peak") == 0) return ImportForPeak(argv[2], argv[3]);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
