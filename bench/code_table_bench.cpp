// Code-table speed: searches, appends, placement, the prefix index and sorting, on synthetic tables of
// 10^4, 10^5 and 10^6 records and on the wubi86 word list, with std::lower_bound over a sorted vector of
// the same codes as the floor. Tables are built once per size and mapped from files, as the engine uses them.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/os/system_info.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/engine_instance.h"
#include "textservice/engine/query.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/table_builder.h"
#include "textservice/engine/text_encoding.h"
#include "tools/tabletool/data_folder.h"
#include "tools/tabletool/table_list.h"

namespace {

using namespace lz;

constexpr const char* kWubi86List = "/usr/share/rime-data/wubi86.dict.yaml";

// A folder for the tables, removed when the program ends.
struct BenchFolderHolder {
  std::filesystem::path path;
  BenchFolderHolder() : path(std::filesystem::temp_directory_path() / ("lzbench-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path);
  }
  ~BenchFolderHolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

const std::filesystem::path& BenchFolder() {
  static const BenchFolderHolder folder;
  return folder.path;
}

std::vector<std::uint8_t> KeyOf(const std::string& code) {
  std::vector<std::uint8_t> key(code.size() + 1);
  key[0] = static_cast<std::uint8_t>(code.size());
  std::memcpy(key.data() + 1, code.data(), code.size());
  return key;
}

// A mapped table with the codes it holds, in table order, and search keys drawn from them.
struct BenchTable {
  MappedFile* file = nullptr;
  std::vector<std::string> sorted_codes;
  std::vector<std::vector<std::uint8_t>> exact_keys;
  std::vector<std::vector<std::uint8_t>> prefix_keys;
  std::vector<std::u16string> words;
  std::filesystem::path path;
  std::filesystem::path word_table;  // the same words keyed by word
};

std::u16string Widen(const std::string& s) {
  char16_t units[kDecodedBufferUnits];
  Utf8ToWide(units, reinterpret_cast<const std::uint8_t*>(s.data()), static_cast<int>(s.size()));
  return units;
}

// snprintf rather than string concatenation: GCC 12 at -O3 warns falsely on the latter.
std::string FileName(const char* stem, std::size_t n, const char* extension) {
  char name[64];
  std::snprintf(name, sizeof name, "%s%zu.%s", stem, n, extension);
  return name;
}

void WriteAndMap(const std::vector<std::uint8_t>& bytes, const std::string& name, BenchTable& table) {
  table.path = BenchFolder() / name;
  std::ofstream(table.path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                   static_cast<std::streamsize>(bytes.size()));
  OpenMappedFile(table.path.u16string().c_str(), &table.file);
}

void DrawKeys(BenchTable& table, std::mt19937& random) {
  for (int i = 0; i < 4096; ++i) {
    const std::string& code = table.sorted_codes[random() % table.sorted_codes.size()];
    table.exact_keys.push_back(KeyOf(code));
    table.prefix_keys.push_back(KeyOf(code.substr(0, 2)));
  }
}

std::vector<TableBuildRecord> SyntheticRecords(std::size_t n, std::mt19937& random) {
  std::vector<TableBuildRecord> records;
  records.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    std::string code(1 + random() % 4, 'a');
    for (char& c : code) c = static_cast<char>('a' + random() % 25);
    // A two- or three-character word, as most table entries are.
    char text[9];
    const std::uint32_t length = 2 + static_cast<std::uint32_t>(random() % 2);
    for (std::uint32_t k = 0; k < length; ++k) {
      const auto cp = static_cast<std::uint32_t>(0x4E00 + random() % 0x5000);
      text[3 * k] = static_cast<char>(0xE0 | (cp >> 12));
      text[3 * k + 1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      text[3 * k + 2] = static_cast<char>(0x80 | (cp & 0x3F));
    }
    const auto order = static_cast<std::uint32_t>(random() % 100000);
    records.push_back({code, std::string(text, 3 * length), order << 11 | 1u << 2});
  }
  return records;
}

std::vector<TableBuildRecord> Wubi86Records() {
  std::ifstream in(kWubi86List, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  std::vector<tabletool::ListEntry> entries;
  std::vector<TableBuildRecord> records;
  std::string error;
  if (!tabletool::ReadWordList(text.str(), entries, error) || !tabletool::MakeRecords(entries, records, error)) return {};
  return records;
}

// Size 0 means the wubi86 list.
BenchTable& TableOfSize(std::size_t n) {
  static std::map<std::size_t, std::unique_ptr<BenchTable>> tables;
  auto& slot = tables[n];
  if (slot) return *slot;
  slot = std::make_unique<BenchTable>();
  std::mt19937 random(static_cast<std::uint32_t>(n + 1));
  std::vector<TableBuildRecord> records = n ? SyntheticRecords(n, random) : Wubi86Records();
  if (records.empty()) return *slot;
  for (const auto& r : records) slot->sorted_codes.push_back(r.code);
  std::sort(slot->sorted_codes.begin(), slot->sorted_codes.end());
  for (int i = 0; i < 4096; ++i) slot->words.push_back(Widen(records[random() % records.size()].text));

  TableBuildOptions options;
  options.type = code_table::kTypeIndexed;
  std::vector<std::uint8_t> bytes;
  BuildTable(records, options, bytes);
  WriteAndMap(bytes, FileName("t", n, "dmg"), *slot);
  DrawKeys(*slot, random);

  // The same words keyed by word, as the index and conversion tables are.
  std::vector<TableBuildRecord> by_word;
  for (const auto& r : records) by_word.push_back({r.text + '\0', r.code + '\0', 0});
  BenchTable word_table;
  BuildTable(by_word, TableBuildOptions{}, bytes);
  WriteAndMap(bytes, FileName("w", n, "dmi"), word_table);
  CloseMappedFile(word_table.file);
  slot->word_table = word_table.path;
  return *slot;
}

void SizeArguments(benchmark::internal::Benchmark* b) {
  b->Arg(10000)->Arg(100000)->Arg(1000000)->Arg(0);
}

void Label(benchmark::State& state) {
  state.SetLabel(state.range(0) ? std::to_string(state.range(0)) + " records" : "wubi86");
}

bool Ready(benchmark::State& state, BenchTable& table) {
  if (table.file) return true;
  state.SkipWithError("table not available (is the wubi86 list installed?)");
  return false;
}

void BM_ExactRange(benchmark::State& state) {
  BenchTable& table = TableOfSize(static_cast<std::size_t>(state.range(0)));
  if (!Ready(state, table)) return;
  std::size_t i = 0;
  TableRange range;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FindCodeRange(table.file, range, table.exact_keys[i++ & 4095].data()));
  }
  Label(state);
}
BENCHMARK(BM_ExactRange)->Apply(SizeArguments);

void BM_PrefixRange(benchmark::State& state) {
  BenchTable& table = TableOfSize(static_cast<std::size_t>(state.range(0)));
  if (!Ready(state, table)) return;
  std::size_t i = 0;
  TableRange range;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FindPrefixRange(table.file, range, table.prefix_keys[i++ & 4095].data()));
  }
  Label(state);
}
BENCHMARK(BM_PrefixRange)->Apply(SizeArguments);

// The floor: the same exact searches with std::lower_bound over a sorted vector of the codes.
void BM_LowerBoundFloor(benchmark::State& state) {
  BenchTable& table = TableOfSize(static_cast<std::size_t>(state.range(0)));
  if (!Ready(state, table)) return;
  std::vector<std::string> keys;
  for (const auto& k : table.exact_keys) keys.emplace_back(reinterpret_cast<const char*>(k.data() + 1), k[0]);
  std::size_t i = 0;
  for (auto _ : state) {
    const std::string& key = keys[i++ & 4095];
    benchmark::DoNotOptimize(std::lower_bound(table.sorted_codes.begin(), table.sorted_codes.end(), key));
  }
  Label(state);
}
BENCHMARK(BM_LowerBoundFloor)->Apply(SizeArguments);

void BM_LookupByWord(benchmark::State& state) {
  BenchTable& table = TableOfSize(static_cast<std::size_t>(state.range(0)));
  if (!Ready(state, table)) return;
  MappedFile* words = nullptr;
  OpenMappedFile(table.word_table.u16string().c_str(), &words);
  std::size_t i = 0;
  for (auto _ : state) {
    IntArray* found = nullptr;
    benchmark::DoNotOptimize(FindAllRecordsByKey(words, table.words[i++ & 4095].c_str(), &found));
    IntArrayFree(found);
  }
  CloseMappedFile(words);
  Label(state);
}
BENCHMARK(BM_LookupByWord)->Apply(SizeArguments);

// One append in each placement case, on a 10^4-record table put back as it was after every append.
void BM_Append(benchmark::State& state) {
  const std::uint32_t free_gap = static_cast<std::uint32_t>(state.range(0));
  std::mt19937 random(3);
  TableBuildOptions options;
  options.type = code_table::kTypeIndexed;
  options.free_gap = free_gap;
  std::vector<std::uint8_t> bytes;
  BuildTable(SyntheticRecords(10000, random), options, bytes);
  BenchTable table;
  WriteAndMap(bytes, FileName("append", free_gap, "dmg"), table);
  TableRecordBuffer record;
  MakeTableRecord(u"abcd", u"\u4E2D\u6587", nullptr, record);
  const std::int32_t size = table.file->size;
  const std::vector<std::uint8_t> header(table.file->view, table.file->view + code_table::kOffsetTable + 4 * 10001);
  for (auto _ : state) {
    benchmark::DoNotOptimize(TableAppendRecord(table.file, record.bytes, record.size));
    state.PauseTiming();
    if (table.file->size != size) ResizeMappedFile(size, table.file);
    std::memcpy(table.file->view, header.data(), header.size());
    state.ResumeTiming();
  }
  state.SetLabel(free_gap > 100 ? "record fits the gap" : free_gap == 0 ? "lowest record moves" : "file grows");
  CloseMappedFile(table.file);
}
BENCHMARK(BM_Append)->Arg(4096)->Arg(0)->Arg(12);

void BM_PlaceLastEntry(benchmark::State& state) {
  BenchTable& table = TableOfSize(static_cast<std::size_t>(state.range(0)));
  if (!Ready(state, table)) return;
  MappedFile* file = table.file;
  const std::uint32_t count = RecordCount(file);
  // The last entry is made to point at a record from the middle, so placing it moves half the table.
  std::uint32_t middle = 0;
  RecordOffsetAt(file, static_cast<std::int32_t>(count / 2), middle);
  const std::vector<std::uint8_t> saved(file->view + code_table::kOffsetTable,
                                        file->view + code_table::kOffsetTable + 4ull * count);
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(file->view + code_table::kOffsetTable + 4ull * (count - 1), &middle, 4);
    state.ResumeTiming();
    benchmark::DoNotOptimize(PlaceLastEntry(-1, file));
    state.PauseTiming();
    std::memcpy(file->view + code_table::kOffsetTable, saved.data(), saved.size());
    state.ResumeTiming();
  }
  Label(state);
}
BENCHMARK(BM_PlaceLastEntry)->Apply(SizeArguments);

void BM_BuildPrefixIndex(benchmark::State& state) {
  BenchTable& table = TableOfSize(static_cast<std::size_t>(state.range(0)));
  if (!Ready(state, table)) return;
  for (auto _ : state) benchmark::DoNotOptimize(BuildPrefixIndex(table.file));
  Label(state);
}
BENCHMARK(BM_BuildPrefixIndex)->Apply(SizeArguments)->Unit(benchmark::kMillisecond);

void BM_SortOffsets(benchmark::State& state) {
  BenchTable& table = TableOfSize(static_cast<std::size_t>(state.range(0)));
  if (!Ready(state, table)) return;
  MappedFile* file = table.file;
  const std::uint32_t count = RecordCount(file);
  auto* entries = reinterpret_cast<std::uint32_t*>(file->view + code_table::kOffsetTable);
  std::mt19937 random(5);
  for (auto _ : state) {
    state.PauseTiming();
    std::shuffle(entries, entries + count, random);
    state.ResumeTiming();
    benchmark::DoNotOptimize(SortTableOffsets(nullptr, file));
  }
  Label(state);
}
BENCHMARK(BM_SortOffsets)->Arg(1000000)->Arg(0)->Unit(benchmark::kMillisecond);

// Building the wubi86 table from its word list, as tabletool does (without writing the file).
void BM_BuildWubi86Table(benchmark::State& state) {
  std::ifstream in(kWubi86List, std::ios::binary);
  if (!in) {
    state.SkipWithError("the wubi86 list is not installed");
    return;
  }
  std::ostringstream text;
  text << in.rdbuf();
  const std::string list = text.str();
  for (auto _ : state) {
    std::vector<tabletool::ListEntry> entries;
    std::vector<TableBuildRecord> records;
    std::string error;
    tabletool::ReadWordList(list, entries, error);
    tabletool::MakeRecords(entries, records, error);
    TableBuildOptions options;
    options.type = code_table::kTypeIndexed;
    std::vector<std::uint8_t> bytes;
    BuildTable(std::move(records), options, bytes);
    benchmark::DoNotOptimize(bytes.data());
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_BuildWubi86Table)->Unit(benchmark::kMillisecond);

// A record as the floors see it: its code and order value.
struct FloorRecord {
  std::string code;
  std::uint32_t order = 0;
};

// An engine instance on a data folder made from the wubi86 list, with the given scheme.
struct BenchEngine {
  std::vector<FloorRecord> floor_records;  // sorted by code
  std::size_t longest_code = 0;
  EngineSetup setup;
  EngineInstance* e = nullptr;
  std::u16string class_id;
  std::vector<std::string> codes;
  std::filesystem::path folder;
};

// Suffixes of the ten-times list: each word of the list again with each of these after it.
constexpr const char* kTenTimesSuffixes[] = {"\xE7\x94\xB2", "\xE4\xB9\x99", "\xE4\xB8\x99", "\xE4\xB8\x81",
                                             "\xE6\x88\x8A", "\xE5\xB7\xB1", "\xE5\xBA\x9A", "\xE8\xBE\x9B",
                                             "\xE5\xA3\xAC"};  // 甲 .. 壬

// `every`: the table holds every n-th record of the list (1: the whole list); `times` 10: the ten-times
// list (each word also with nine suffixes, under its code); `first_key_query`: the scheme takes the
// wildcard as a first key (开启首键查询).
BenchEngine* Wubi86Engine(int following_length, std::size_t every = 1, int times = 1, bool first_key_query = false) {
  static std::map<std::tuple<int, std::size_t, int, bool>, std::unique_ptr<BenchEngine>> engines;
  auto& slot = engines[{following_length, every, times, first_key_query}];
  if (slot) return slot->e ? slot.get() : nullptr;
  slot = std::make_unique<BenchEngine>();
  std::vector<TableBuildRecord> records = Wubi86Records();
  if (records.empty()) return nullptr;
  if (every > 1) {
    std::vector<TableBuildRecord> kept;
    for (std::size_t i = 0; i < records.size(); i += every) kept.push_back(records[i]);
    records = std::move(kept);
  }
  if (times == 10) {
    std::vector<TableBuildRecord> grown;
    grown.reserve(records.size() * 10);
    for (const auto& r : records) {
      grown.push_back(r);
      for (const char* suffix : kTenTimesSuffixes) grown.push_back({r.code, r.text + suffix, r.flags});
    }
    records = std::move(grown);
  }
  for (const auto& r : records) {
    if (r.code.find('z') == std::string::npos) slot->codes.push_back(r.code);
    slot->floor_records.push_back({r.code, r.flags >> 11});
  }
  std::sort(slot->floor_records.begin(), slot->floor_records.end(),
            [](const FloorRecord& a, const FloorRecord& b) { return a.code < b.code; });
  for (const auto& r : records) slot->longest_code = std::max(slot->longest_code, r.code.size());
  const auto dir = BenchFolder() / FileName("engine",
                                            static_cast<std::size_t>(following_length * 100000) + every * 100 +
                                                static_cast<std::size_t>(times) * 2 + (first_key_query ? 1 : 0),
                                            "d");
  slot->folder = dir;
  std::filesystem::create_directories(dir);
  TableBuildOptions options;
  options.type = code_table::kTypeIndexed;
  std::memcpy(options.identifier, tabletool::kFolderIdentifier, 16);
  std::vector<std::uint8_t> bytes;
  BuildTable(records, options, bytes);
  std::ofstream(dir / "main.dmg", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                         static_cast<std::streamsize>(bytes.size()));
  bytes = NewConfigStore(tabletool::kFolderIdentifier);
  ConfigBlocks blocks;
  FindConfigBlocks(ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}, blocks);
  tabletool::SchemeOptions scheme;
  scheme.following_length = following_length;
  tabletool::ApplyScheme(scheme, blocks);
  if (first_key_query) {
    std::uint32_t flags = 0;
    blocks.dme.ReadU32(dme_block::kQueryFlags, flags);
    blocks.dme.WriteU32(dme_block::kQueryFlags, flags | dme_block::kFirstKeyQuery);
  }
  std::ofstream(dir / "config.dsc", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                           static_cast<std::streamsize>(bytes.size()));
  char16_t id[kClassIdentifierUnits];
  FormatClassIdentifier(tabletool::kFolderIdentifier, id);
  slot->class_id = id;
  const std::u16string key = std::u16string(kImeRegistryRoot) + id + u"\\";
  os::SetMachineString(key.c_str(), u"IMEName", u"bench");
  os::SetMachineString(key.c_str(), u"InstallLocation", dir.u16string().c_str());
  os::SetMachineString(key.c_str(), u"DataLocation", (dir / "").u16string().c_str());
  slot->setup.class_identifier = slot->class_id.c_str();
  slot->e = CreateEngineInstance(slot->setup);
  return slot->e ? slot.get() : nullptr;
}

void SetKeys(EngineInstance* e, const std::string& keys) {
  e->key_count = 0;
  for (char k : keys) e->keys[e->key_count++] = static_cast<unsigned char>(k);
  e->cursor = e->key_count;
  e->candidate_count = 0;
}

// One query per iteration over keys drawn from the list; the slowest one is reported beside the
// median, as a key press that takes long is what a user notices.
void RunQueries(benchmark::State& state, BenchEngine* engine, const std::vector<std::string>& keys) {
  std::size_t i = 0;
  double worst = 0;
  for (auto _ : state) {
    SetKeys(engine->e, keys[i++ % keys.size()]);
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(QueryCandidates(engine->e));
    worst = std::max(worst, std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  state.counters["worst_us"] = worst;
}

void BM_QueryFullCode(benchmark::State& state) {
  BenchEngine* engine = Wubi86Engine(0);
  if (!engine) return state.SkipWithError("the wubi86 list is not installed");
  std::vector<std::string> keys;
  std::mt19937 random(11);
  for (int i = 0; i < 4096; ++i) keys.push_back(engine->codes[random() % engine->codes.size()]);
  RunQueries(state, engine, keys);
}
BENCHMARK(BM_QueryFullCode);

void BM_QueryOneLetterListingLongerCodes(benchmark::State& state) {
  BenchEngine* engine = Wubi86Engine(1);
  if (!engine) return state.SkipWithError("the wubi86 list is not installed");
  std::vector<std::string> keys;
  for (char c = 'a'; c <= 'y'; ++c) keys.emplace_back(1, c);
  RunQueries(state, engine, keys);
}
BENCHMARK(BM_QueryOneLetterListingLongerCodes)->Unit(benchmark::kMicrosecond);

void BM_QueryWildcard(benchmark::State& state) {
  BenchEngine* engine = Wubi86Engine(0);
  if (!engine) return state.SkipWithError("the wubi86 list is not installed");
  std::vector<std::string> keys;
  std::mt19937 random(13);
  while (keys.size() < 4096) {
    std::string code = engine->codes[random() % engine->codes.size()];
    if (code.size() < 3) continue;
    code[1 + random() % (code.size() - 1)] = 'z';  // an inner or trailing wildcard
    keys.push_back(code);
  }
  RunQueries(state, engine, keys);
}
BENCHMARK(BM_QueryWildcard)->Unit(benchmark::kMicrosecond);

// --- per-key typing, worst-case keys and engine creation, each beside its floor ---------------------
//
// Run on Debian's wubi86 list (package rime-data-wubi), 136,753 entries. The floors do the engine's work
// on the same data with no table format in the way: for a key, the range of a sorted vector of the codes,
// each code of it tested against the input up to the 1,000 cap and the first page ranked (FloorInput); for
// a scheme that lists longer codes, a walk over at most 50 codes that begin with the key; for creation,
// opening and mapping the folder's two required files and closing them again.

constexpr std::size_t kTypedCodes = 2000;
constexpr std::size_t kFloorMatches = 50;
constexpr char kWildcard = 'z';  // the wubi86 scheme's wildcard key

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2), values.end());
  return values[values.size() / 2];
}

// Each key press of kTypedCodes real codes as the input at that press ("a", "ab", "abc", ...).
std::vector<std::string> TypedInputs(const BenchEngine& engine) {
  std::mt19937 random(17);
  std::vector<std::string> inputs;
  for (std::size_t i = 0; i < kTypedCodes; ++i) {
    const std::string& code = engine.codes[random() % engine.codes.size()];
    for (std::size_t k = 1; k <= code.size(); ++k) inputs.push_back(code.substr(0, k));
  }
  return inputs;
}

// One query per iteration over the inputs; a one-key input starts a new code (the list of the previous
// code is dropped as a commit would). The median and the slowest key go beside the mean.
void TypeInputs(benchmark::State& state, BenchEngine* engine, const std::vector<std::string>& inputs) {
  std::vector<double> times;
  times.reserve(inputs.size());
  std::size_t i = 0;
  EngineInstance* e = engine->e;
  for (auto _ : state) {
    const std::string& input = inputs[i++ % inputs.size()];
    if (input.size() == 1) e->candidate_count = 0;
    e->key_count = 0;
    for (char k : input) e->keys[e->key_count++] = static_cast<unsigned char>(k);
    e->cursor = e->key_count;
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(QueryCandidates(e));
    times.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  state.counters["median_us"] = Median(times);
  state.counters["worst_us"] = times.empty() ? 0 : *std::max_element(times.begin(), times.end());
}

// The floor of one input, doing the engine's work over a sorted vector: each code pattern (a leading
// wildcard stands for each letter a-y when the scheme takes it), the range of codes that begin with the
// keys before its first wildcard, every code of it tested against the pattern until the 1,000 cap, and
// the first page (5) of the listed codes by score and order value. Input longer than every code: nothing.
std::size_t FloorPattern(const BenchEngine& engine, const std::string& pattern, std::vector<std::pair<int, std::uint32_t>>& list) {
  const std::size_t n = pattern.size();
  if (n > engine.longest_code) return 0;
  const std::size_t wildcard = pattern.find(kWildcard);
  const std::string prefix = pattern.substr(0, wildcard);
  const auto less = [](const FloorRecord& r, const std::string& p) { return r.code.compare(0, p.size(), p) < 0; };
  auto it = std::lower_bound(engine.floor_records.begin(), engine.floor_records.end(), prefix, less);
  for (; it != engine.floor_records.end() && it->code.compare(0, prefix.size(), prefix) == 0 && list.size() < 1000;
       ++it) {
    const std::string& code = it->code;
    // Without a wildcard only the code itself is listed: it comes first among the codes it begins.
    if (wildcard == std::string::npos && code.size() != n) break;
    if (code.size() < n) continue;
    bool match = true;
    for (std::size_t i = prefix.size(); i < n && match; ++i) match = pattern[i] == kWildcard || pattern[i] == code[i];
    if (match) list.push_back({64 - static_cast<int>(code.size() - n), it->order});
  }
  return list.size();
}

std::size_t FloorInput(const BenchEngine& engine, const std::string& input, bool first_key_query) {
  std::vector<std::pair<int, std::uint32_t>> list;
  if (input[0] == kWildcard) {
    if (!first_key_query) return 0;
    std::string pattern = input;
    for (char c = 'a'; c <= 'y'; ++c) {
      pattern[0] = c;
      FloorPattern(engine, pattern, list);
    }
  } else {
    FloorPattern(engine, input, list);
  }
  const std::size_t page = std::min<std::size_t>(5, list.size());
  std::partial_sort(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(page), list.end(),
                    [](const auto& a, const auto& b) { return a.first != b.first ? a.first > b.first : a.second > b.second; });
  return list.size() + (page ? list[0].second : 0);
}

// The floor of one key: the codes that begin with the key's bytes before its first wildcard.
std::size_t FloorLookup(const std::vector<std::string>& sorted, const std::string& input) {
  const std::string prefix = input.substr(0, input.find(kWildcard));
  std::size_t n = 0;
  for (auto it = std::lower_bound(sorted.begin(), sorted.end(), prefix);
       it != sorted.end() && n < kFloorMatches && it->compare(0, prefix.size(), prefix) == 0; ++it) {
    n += it->size();
  }
  return n;
}

// How a floor lists: as the engine does with the first-key query off or on (see FloorInput), or the
// codes that begin with the key (a scheme that lists longer codes).
enum class FloorKind { kQuery, kQueryFirstKey, kPrefix };

void FloorInputs(benchmark::State& state, BenchEngine* engine, const std::vector<std::string>& inputs,
                 FloorKind kind) {
  std::vector<std::string> sorted = engine->codes;
  std::sort(sorted.begin(), sorted.end());
  std::vector<double> times;
  times.reserve(inputs.size());
  std::size_t i = 0;
  for (auto _ : state) {
    const std::string& input = inputs[i++ % inputs.size()];
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(kind == FloorKind::kPrefix ? FloorLookup(sorted, input)
                                                        : FloorInput(*engine, input, kind == FloorKind::kQueryFirstKey));
    times.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  state.counters["median_us"] = Median(times);
}

void BM_TypeRealCodes(benchmark::State& state) {
  BenchEngine* engine = Wubi86Engine(0);
  if (!engine) return state.SkipWithError("the wubi86 list is not installed");
  TypeInputs(state, engine, TypedInputs(*engine));
}
BENCHMARK(BM_TypeRealCodes);

void BM_TypeRealCodesFloor(benchmark::State& state) {
  BenchEngine* engine = Wubi86Engine(0);
  if (!engine) return state.SkipWithError("the wubi86 list is not installed");
  FloorInputs(state, engine, TypedInputs(*engine), FloorKind::kQuery);
}
BENCHMARK(BM_TypeRealCodesFloor);

// The keys that cost most: leading and inner wildcards over the whole table, and the first key of a
// scheme that lists longer codes (`following` 1).
void BM_WorstKey(benchmark::State& state, const char* keys, int following) {
  BenchEngine* engine = Wubi86Engine(following);
  if (!engine) return state.SkipWithError("the wubi86 list is not installed");
  TypeInputs(state, engine, {keys});
}
void BM_WorstKeyFloor(benchmark::State& state, const char* keys, int following) {
  BenchEngine* engine = Wubi86Engine(following);
  if (!engine) return state.SkipWithError("the wubi86 list is not installed");
  // These keys are queried directly, where a leading wildcard of two keys or more is always taken.
  FloorInputs(state, engine, {keys}, following ? FloorKind::kPrefix : FloorKind::kQueryFirstKey);
}
#define LZ_WORST_KEY(name, keys, following)                                              \
  BENCHMARK_CAPTURE(BM_WorstKey, name, keys, following)->Unit(benchmark::kMicrosecond); \
  BENCHMARK_CAPTURE(BM_WorstKeyFloor, name, keys, following)->Unit(benchmark::kMicrosecond)
LZ_WORST_KEY(zz, "zz", 0);
LZ_WORST_KEY(zzz, "zzz", 0);
LZ_WORST_KEY(zzd, "zzd", 0);
LZ_WORST_KEY(zzzz, "zzzz", 0);
LZ_WORST_KEY(tz, "tz", 0);
LZ_WORST_KEY(azzz, "azzz", 0);
LZ_WORST_KEY(g_listing_longer_codes, "g", 1);
LZ_WORST_KEY(a_listing_longer_codes, "a", 1);
LZ_WORST_KEY(y_listing_longer_codes, "y", 1);
#undef LZ_WORST_KEY

// --- wildcard inputs through the real key path ------------------------------------------------------
//
// Each key is classified first, as the key handler does; a key the input takes is added at the cursor and
// the candidates are queried, a key it refuses ends the input (as a commit would) and is classified again
// as the first key of a new one. Reported: the median of each key position over the runs, the slowest of
// these medians (worst_key_median_us) and the slowest single key. On the shipped scheme and with the
// first-key query on, over the list (136,753 entries, arg 1) and the ten-times list (arg 10).

void TypeThroughKeyPath(benchmark::State& state, const std::string& input, bool first_key_query) {
  BenchEngine* engine = Wubi86Engine(0, 1, static_cast<int>(state.range(0)), first_key_query);
  if (!engine) return state.SkipWithError("the wubi86 list is not installed");
  EngineInstance* e = engine->e;
  std::vector<std::vector<double>> per_key(input.size());
  double worst = 0;
  auto add = [&](char key) {
    for (int i = e->key_count; i > e->cursor; --i) e->keys[i] = e->keys[i - 1];
    e->keys[e->cursor++] = static_cast<unsigned char>(key);
    ++e->key_count;
    QueryCandidates(e);
  };
  for (auto _ : state) {
    e->key_count = e->cursor = e->candidate_count = 0;
    for (std::size_t k = 0; k < input.size(); ++k) {
      const auto start = std::chrono::steady_clock::now();
      if (ClassifyKey(static_cast<unsigned char>(input[k]), e) == key_action::kCode) {
        add(input[k]);
      } else {
        e->key_count = e->cursor = e->candidate_count = 0;
        if (ClassifyKey(static_cast<unsigned char>(input[k]), e) == key_action::kCode) add(input[k]);
      }
      const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
      per_key[k].push_back(us);
      worst = std::max(worst, us);
    }
  }
  double worst_median = 0;
  for (const auto& times : per_key) worst_median = std::max(worst_median, Median(times));
  state.counters["worst_key_median_us"] = worst_median;
  state.counters["worst_us"] = worst;
  state.SetLabel(std::to_string(RecordCount(e->files.main)) + " records");
}

void TypeThroughKeyPathFloor(benchmark::State& state, const std::string& input, bool first_key_query) {
  BenchEngine* engine = Wubi86Engine(0, 1, static_cast<int>(state.range(0)), first_key_query);
  if (!engine) return state.SkipWithError("the wubi86 list is not installed");
  // The input each key leaves, as the key path builds it: a refused first wildcard starts anew.
  std::vector<std::string> typed;
  std::string current;
  for (char key : input) {
    if (current.empty() && key == kWildcard && !first_key_query) {
      typed.push_back({});
      continue;
    }
    current += key;
    typed.push_back(current);
  }
  std::vector<std::vector<double>> per_key(input.size());
  for (auto _ : state) {
    for (std::size_t k = 0; k < typed.size(); ++k) {
      const auto start = std::chrono::steady_clock::now();
      if (!typed[k].empty()) benchmark::DoNotOptimize(FloorInput(*engine, typed[k], first_key_query));
      per_key[k].push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
  }
  double worst_median = 0;
  for (const auto& times : per_key) worst_median = std::max(worst_median, Median(times));
  state.counters["worst_key_median_us"] = worst_median;
}

const std::string k127Wildcards(127, kWildcard);
const std::string kLetterThen126Wildcards = "a" + std::string(126, kWildcard);
const std::string kMixed127 = [] {
  std::string s;
  for (int i = 0; i < 127; ++i) s += i % 3 == 1 ? 'a' : kWildcard;
  return s;
}();

#define LZ_KEY_PATH(name, input)                                                                             \
  BENCHMARK_CAPTURE(TypeThroughKeyPath, name##_shipped, input, false)->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond); \
  BENCHMARK_CAPTURE(TypeThroughKeyPathFloor, name##_shipped, input, false)->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond); \
  BENCHMARK_CAPTURE(TypeThroughKeyPath, name##_first_key, input, true)->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond); \
  BENCHMARK_CAPTURE(TypeThroughKeyPathFloor, name##_first_key, input, true)->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond)
LZ_KEY_PATH(zzzz, std::string("zzzz"));
LZ_KEY_PATH(zzza, std::string("zzza"));
LZ_KEY_PATH(zzzzz, std::string("zzzzz"));
LZ_KEY_PATH(zzzzza, std::string("zzzzza"));
LZ_KEY_PATH(tzzza, std::string("tzzza"));
LZ_KEY_PATH(fzzza, std::string("fzzza"));
LZ_KEY_PATH(azzzzza, std::string("azzzzza"));
LZ_KEY_PATH(zazazaz, std::string("zazazaz"));
LZ_KEY_PATH(ggzgzggz, std::string("ggzgzggz"));
LZ_KEY_PATH(aaaaz, std::string("aaaaz"));
LZ_KEY_PATH(z127, k127Wildcards);
LZ_KEY_PATH(a_z126, kLetterThen126Wildcards);
LZ_KEY_PATH(mixed127, kMixed127);
#undef LZ_KEY_PATH

// Creating an engine instance on the whole list (arg 1) and on every tenth record of it (arg 10).
void BM_CreateEngine(benchmark::State& state) {
  BenchEngine* engine = Wubi86Engine(0, static_cast<std::size_t>(state.range(0)));
  if (!engine) return state.SkipWithError("the wubi86 list is not installed");
  for (auto _ : state) {
    EngineInstance* e = CreateEngineInstance(engine->setup);
    benchmark::DoNotOptimize(e);
    state.PauseTiming();
    DestroyEngineInstance(e, engine->setup);
    state.ResumeTiming();
  }
  state.SetLabel(std::to_string(RecordCount(engine->e->files.main)) + " records");
}
BENCHMARK(BM_CreateEngine)->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond);

// Creating an engine instance on the ten-times list (1,367,530 entries), beside the list above.
void BM_CreateEngineTenTimes(benchmark::State& state) {
  BenchEngine* engine = Wubi86Engine(0, 1, 10);
  if (!engine) return state.SkipWithError("the wubi86 list is not installed");
  for (auto _ : state) {
    EngineInstance* e = CreateEngineInstance(engine->setup);
    benchmark::DoNotOptimize(e);
    state.PauseTiming();
    DestroyEngineInstance(e, engine->setup);
    state.ResumeTiming();
  }
  state.SetLabel(std::to_string(RecordCount(engine->e->files.main)) + " records");
}
BENCHMARK(BM_CreateEngineTenTimes)->Unit(benchmark::kMicrosecond);

void BM_CreateEngineFloor(benchmark::State& state) {
  BenchEngine* engine = Wubi86Engine(0, static_cast<std::size_t>(state.range(0)));
  if (!engine) return state.SkipWithError("the wubi86 list is not installed");
  const std::u16string config = (engine->folder / "config.dsc").u16string();
  const std::u16string main = (engine->folder / "main.dmg").u16string();
  for (auto _ : state) {
    MappedFile* files[2] = {};
    OpenMappedFile(config.c_str(), &files[0]);
    OpenMappedFile(main.c_str(), &files[1]);
    benchmark::DoNotOptimize(files[1]);
    CloseMappedFile(files[0]);
    CloseMappedFile(files[1]);
  }
  state.SetLabel(std::to_string(RecordCount(engine->e->files.main)) + " records");
}
BENCHMARK(BM_CreateEngineFloor)->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
