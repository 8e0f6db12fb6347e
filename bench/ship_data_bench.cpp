// How long the shipped data set takes to build: each file's builder on Debian's lists, and the whole set
// written to a folder. The sources are read once, outside the timed loops.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "config/tables/association_builder.h"
#include "tools/tabletool/ship_data.h"

namespace {

using namespace lz;
using namespace lz::tabletool;

const ShipDataInputs* Inputs() {
  static ShipDataInputs inputs;
  static bool read = [] {
    std::string error;
    return ReadShipDataInputs(TABLETOOL_DEFAULT_SCHEME, inputs, error);
  }();
  return read ? &inputs : nullptr;
}

std::filesystem::path Folder() {
  static const std::filesystem::path path = [] {
    auto p = std::filesystem::temp_directory_path() / ("lzshipbench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(p);
    return p;
  }();
  return path;
}

template <typename Build>
void Run(benchmark::State& state, Build build) {
  const ShipDataInputs* inputs = Inputs();
  if (!inputs) {
    state.SkipWithError("Debian's word lists are not installed");
    return;
  }
  for (auto _ : state) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!build(*inputs, bytes, error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(bytes.data());
  }
}

void BM_ConfigDsc(benchmark::State& state) {
  Run(state, [](const ShipDataInputs& in, auto& out, auto& error) { return BuildShipConfig(in.scheme, -1, out, error); });
}
void BM_MainDmg(benchmark::State& state) {
  Run(state, [](const ShipDataInputs& in, auto& out, auto& error) { return BuildShipMain(in.wubi86, out, error); });
}
void BM_DanziDmi(benchmark::State& state) {
  Run(state, [](const ShipDataInputs& in, auto& out, auto& error) { return BuildShipDanzi(in.wubi86, out, error); });
}
void BM_TraditionalDms(benchmark::State& state) {
  Run(state, [](const ShipDataInputs& in, auto& out, auto& error) { return BuildShipTraditional(in.wubi86, in.conversion, out, error); });
}
void BM_SimplifiedDms(benchmark::State& state) {
  Run(state, [](const ShipDataInputs& in, auto& out, auto& error) { return BuildShipSimplified(in.conversion, out, error); });
}
void BM_DictDms(benchmark::State& state) {
  Run(state, [](const ShipDataInputs& in, auto& out, auto& error) { return BuildShipDictionary(in.unihan, out, error); });
}
void BM_EnglDmg(benchmark::State& state) {
  Run(state, [](const ShipDataInputs& in, auto&, auto&) {
    return BuildAssociationTableFromText(EnglishWordList(in.english), (Folder() / "engl.dmg").u16string().c_str(), nullptr, nullptr) == 1;
  });
}
void BM_SyslDmg(benchmark::State& state) {
  Run(state, [](const ShipDataInputs& in, auto&, auto&) {
    return BuildAssociationTableFromText(PhraseList(in.wubi86), (Folder() / "sysl.dmg").u16string().c_str(), nullptr, nullptr) == 1;
  });
}
void BM_WholeSet(benchmark::State& state) {
  Run(state, [](const ShipDataInputs& in, auto&, auto& error) {
    ShipDataReport report;
    return WriteShipData(in, -1, Folder() / "set", report, error);
  });
}
// Reading and decompressing the sources, which the builds above leave out.
void BM_ReadSources(benchmark::State& state) {
  for (auto _ : state) {
    ShipDataInputs inputs;
    std::string error;
    if (!ReadShipDataInputs(TABLETOOL_DEFAULT_SCHEME, inputs, error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(inputs.wubi86.data());
  }
}

BENCHMARK(BM_ConfigDsc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MainDmg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DanziDmi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TraditionalDms)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimplifiedDms)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DictDms)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnglDmg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SyslDmg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeSet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSources)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(Folder(), ignored);
  return 0;
}
