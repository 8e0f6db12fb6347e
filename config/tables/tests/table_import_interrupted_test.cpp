// An import killed at any moment loses no word the table had: killed while it writes its records, while it
// moves records out of the new offset table's way, while it puts the new offset table in place, and at
// random moments. The next writer or opener puts right what the dead one left, and the table validates.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "config/tables/table_text.h"
#include "tests/support/child_process.h"
#include "tests/support/code_table_builder.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/code_table.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace lz {
namespace {

using namespace code_table;
using test::RecordFlags;
using test::TableRecord;

constexpr int kStored = 1500;  // words in the table before the import
constexpr int kImported = 400;

std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::string StoredCode(int i) { return "s" + std::to_string(i); }
std::string StoredText(int i) { return "旧" + std::to_string(i); }

// A table with no free gap, so the import moves records out of the new offset table's way.
const std::vector<std::uint8_t>& StoredTable() {
  static const std::vector<std::uint8_t> bytes = [] {
    std::vector<TableRecord> records;
    for (int i = 0; i < kStored; ++i) records.push_back({StoredCode(i), StoredText(i), RecordFlags(kClassSystem, 1)});
    test::TableOptions options;
    options.type = kTypeIndexed;
    options.free_gap = 0;
    return test::BuildCodeTable(records, options);
  }();
  return bytes;
}

std::string ImportText() {
  std::string text;
  for (int i = 0; i < kImported; ++i) text += "新" + std::to_string(i) + "\ta" + std::to_string(i) + "\r\n";
  return text;
}

void KillSelf() {
#ifdef _WIN32
  TerminateProcess(GetCurrentProcess(), 9);
#else
  std::raise(SIGKILL);
#endif
}

// Child: imports the text into the table; with a number, it dies as a kill would once that many records
// of the import are written.
LZ_CHILD_MODE(import_words) {
  MappedFile* table = nullptr;
  if (OpenMappedFile(U16(args.at(0)).c_str(), &table) <= 0) return 10;
  std::unique_ptr<TableImport> import = CreateTableImport();
  if (!import) return 11;
  static int die_after = 0;
  die_after = args.size() > 2 ? std::stoi(args[2]) : 0;
  // The commit reports records written against the number queued; the line walk reports characters.
  import->progress = [](void*, std::int64_t done, std::int64_t total) {
    if (die_after > 0 && total == kImported && done >= die_after) KillSelf();
  };
  const int accepted = ImportTableText(*import, table, U16(args.at(1)).c_str());
  CloseMappedFile(table);
  return accepted == kImported ? 0 : 12;
}

std::uint32_t HeaderField(const std::filesystem::path& path, std::uint32_t field) {
  MappedFile* table = nullptr;
  if (OpenMappedFile(path.u16string().c_str(), &table) <= 0) return 0;
  std::uint32_t value = 0;
  ByteView{table->view, static_cast<std::uint32_t>(table->size)}.ReadU32(field, value);
  CloseMappedFile(table);
  return value;
}

// How the test stops the import.
enum class Stop { kWritingRecords, kEntriesChanging, kNewTablePending, kRandom, kNever };

bool Finds(const MappedFile* table, const std::string& code, const std::string& text) {
  std::vector<std::uint8_t> key(code.size() + 1, static_cast<std::uint8_t>(code.size()));
  std::copy(code.begin(), code.end(), key.begin() + 1);
  TableRange range;
  FindCodeRange(table, range, key.data());
  for (std::int32_t i = range.first; i < range.end; ++i) {
    CodeTableRecord r;
    if (RecordAt(table, i, r) && std::string(reinterpret_cast<const char*>(r.text), r.text_length) == text) return true;
  }
  return false;
}

class InterruptedImportTest : public ::testing::Test {
 protected:
  std::filesystem::path Table(int n = 0) const { return folder_.path() / ("main" + std::to_string(n) + ".dmg"); }
  std::filesystem::path Text() const { return folder_.path() / "words.txt"; }

  void SetUp() override {
    const std::string text = ImportText();
    test::WriteFileBytes(Text(), std::vector<std::uint8_t>(text.begin(), text.end()));
  }

  // Runs one import of the text into a fresh table and stops it as asked; false when it could not be run.
  bool RunStopped(Stop stop, int value) {
    test::WriteFileBytes(Table(), StoredTable());
    std::vector<std::string> args = {"import_words", Table().string(), Text().string()};
    if (stop == Stop::kWritingRecords) args.push_back(std::to_string(value));
    test::ChildProcess child;
    if (!test::StartChild(args, child)) return false;
    if (stop == Stop::kEntriesChanging || stop == Stop::kNewTablePending) {
      // Watch the header as a reader would and kill the writer the moment the step shows.
      MappedFile* watched = nullptr;
      if (OpenMappedFile(Table().u16string().c_str(), &watched) <= 0) return false;
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      for (;;) {
        const ByteView view{watched->view, static_cast<std::uint32_t>(watched->size)};
        std::uint32_t changes = 0, pending = 0;
        view.ReadU32(kEntryChanges, changes);
        view.ReadU32(kPendingEntries, pending);
        const bool seen = stop == Stop::kEntriesChanging ? (changes & 1) != 0 : pending != 0;
        if (seen || std::chrono::steady_clock::now() > deadline) break;
      }
      CloseMappedFile(watched);
      test::KillChild(child);
    } else if (stop == Stop::kRandom) {
      std::this_thread::sleep_for(std::chrono::microseconds(value));
      test::KillChild(child);
    }
    test::WaitChild(child);
    return true;
  }

  // Every word the table had is found, after the next opener or writer, and the table validates.
  void ExpectWhole(bool by_writer, int n = 0) {
    MappedFile* table = nullptr;
    ASSERT_GT(OpenMappedFile(Table(n).u16string().c_str(), &table), 0);
    if (by_writer) {
      std::unique_ptr<TableImport> next = CreateTableImport();
      ASSERT_NE(next, nullptr);
      ASSERT_EQ(ImportTableTextLines(*next, table, u"后\tzz\r\n", true), 1);
      ASSERT_EQ(CommitImportRecords(*next, table), 1);
      EXPECT_TRUE(Finds(table, "zz", "后"));
    } else {
      RepairTableOnOpen(table);
    }
    const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
    EXPECT_EQ(ValidateCodeTable(view), TableCheck::kValid);
    std::uint32_t type = 0, changes = 0, pending = 0;
    view.ReadU32(kTableType, type);
    view.ReadU32(kEntryChanges, changes);
    view.ReadU32(kPendingEntries, pending);
    EXPECT_EQ(type, kTypeIndexed);
    EXPECT_EQ(changes % 2, 0u);
    EXPECT_EQ(pending, 0u);
    int missing = 0;
    for (int i = 0; i < kStored; ++i) missing += Finds(table, StoredCode(i), StoredText(i)) ? 0 : 1;
    EXPECT_EQ(missing, 0);
    // The imported words are all there or none is: the new offset table is put in place whole.
    int imported = 0;
    for (int i = 0; i < kImported; ++i) imported += Finds(table, "a" + std::to_string(i), "新" + std::to_string(i));
    EXPECT_TRUE(imported == 0 || imported == kImported) << imported;
    CloseMappedFile(table);
  }

  test::TempFolder folder_;
};

TEST_F(InterruptedImportTest, AnImportKilledAtEachStepLosesNoWord) {
  struct Case {
    const char* what;
    Stop stop;
    int value;
  };
  const Case cases[] = {
      {"after its first record is written", Stop::kWritingRecords, 1},
      {"half way through its records", Stop::kWritingRecords, kImported / 2},
      {"after its last record is written", Stop::kWritingRecords, kImported},
      {"while entries change", Stop::kEntriesChanging, 0},
      {"while the new offset table is put in place", Stop::kNewTablePending, 0},
  };
  for (const Case& c : cases) {
    for (const bool by_writer : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (by_writer ? ", then a writer" : ", then an opener"));
      ASSERT_TRUE(RunStopped(c.stop, c.value));
      ExpectWhole(by_writer);
    }
  }
}

TEST_F(InterruptedImportTest, AnImportKilledAtRandomMomentsLosesNoWord) {
  // How long a whole import takes here, so that the kills fall anywhere in it.
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(RunStopped(Stop::kNever, 0));
  const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  ASSERT_EQ(HeaderField(Table(), kRecordCount), static_cast<std::uint32_t>(kStored + kImported));
  std::mt19937 random(20261211);
  // 40 rounds, eight imports at once, each into its own table and killed at its own moment.
  constexpr int kBatches = 5;
  constexpr int kAtOnce = 8;
  for (int batch = 0; batch < kBatches; ++batch) {
    test::ChildProcess children[kAtOnce];
    std::vector<std::pair<int, int>> kills;  // microseconds after the start, child
    for (int c = 0; c < kAtOnce; ++c) {
      test::WriteFileBytes(Table(c), StoredTable());
      kills.emplace_back(static_cast<int>(random() % static_cast<std::uint32_t>(whole.count() + 1)), c);
    }
    std::sort(kills.begin(), kills.end());
    const auto batch_start = std::chrono::steady_clock::now();
    for (int c = 0; c < kAtOnce; ++c) {
      ASSERT_TRUE(test::StartChild({"import_words", Table(c).string(), Text().string()}, children[c]));
    }
    for (const auto& [at, c] : kills) {
      std::this_thread::sleep_until(batch_start + std::chrono::microseconds(at));
      test::KillChild(children[c]);
    }
    for (test::ChildProcess& child : children) test::WaitChild(child);
    for (const auto& [at, c] : kills) {
      SCOPED_TRACE("batch " + std::to_string(batch) + ", killed after " + std::to_string(at) + " us");
      ExpectWhole(c % 2 == 1, c);
    }
  }
}

// A mark of a change left by a writer of an earlier build is cleared by the next import, never written
// back with the type.
TEST_F(InterruptedImportTest, AnImportClearsTheBeingChangedMarkItFinds) {
  test::WriteFileBytes(Table(), StoredTable());
  MappedFile* table = nullptr;
  ASSERT_GT(OpenMappedFile(Table().u16string().c_str(), &table), 0);
  ByteView{table->view, static_cast<std::uint32_t>(table->size)}.WriteU32(kTableType, kTypeIndexed | kTypeBeingChanged);
  std::unique_ptr<TableImport> import = CreateTableImport();
  ASSERT_EQ(ImportTableText(*import, table, Text().u16string().c_str()), kImported);
  std::uint32_t type = 0;
  ByteView{table->view, static_cast<std::uint32_t>(table->size)}.ReadU32(kTableType, type);
  EXPECT_EQ(type, kTypeIndexed);
  EXPECT_EQ(ValidateCodeTable({table->view, static_cast<std::uint32_t>(table->size)}), TableCheck::kValid);
  CloseMappedFile(table);
}

}  // namespace
}  // namespace lz
