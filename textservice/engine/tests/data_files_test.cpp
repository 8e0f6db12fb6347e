#include "textservice/engine/data_files.h"
#include "textservice/engine/table_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/data_folder.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"

namespace lz {
namespace {

using test::TableRecord;
using test::TempFolder;

std::u16string FolderPath(const TempFolder& folder) {
  return (folder.path() / "").u16string();  // with the trailing separator the file names follow
}

// Which of the nine files the set holds, as a string of 0/1 in set order.
std::string Present(const DataFileSet& files) {
  std::string out;
  for (const MappedFile* f : {files.config, files.main, files.engl, files.temp, files.danzi, files.sysl,
                              files.traditional, files.simplified, files.dict}) {
    out += f ? '1' : '0';
  }
  return out;
}

test::DataFolderContents FullFolder() {
  test::DataFolderContents contents;
  contents.main = {{"a", "工"}, {"gg", "王"}};
  contents.engl = std::vector<TableRecord>{{"hello", "hello"}};
  contents.temp = std::vector<TableRecord>{};
  contents.danzi = std::vector<TableRecord>{};
  contents.sysl = std::vector<TableRecord>{{"", "中国"}};
  contents.traditional = std::vector<TableRecord>{};
  contents.simplified = std::vector<TableRecord>{};
  contents.dict = std::vector<DictionaryBuildRecord>{{"\xE4\xB8\xAD", "zhong1"}};  // 中
  return contents;
}

TEST(DataFiles, OpensWhatTheFolderHolds) {
  struct Case {
    const char* name;
    std::function<void(const std::filesystem::path&)> change;
    int opened;
    std::string present;
  };
  const std::vector<Case> cases = {
      {"every file", [](const auto&) {}, 1, "111111111"},
      {"only config.dsc and main.dmg",
       [](const auto& dir) {
         for (const char* f : {"engl.dmg", "temp.dmg", "danzi.dmi", "sysl.dmg", "traditional.dms", "simplified.dms", "dict.dms"}) {
           std::filesystem::remove(dir / f);
         }
       },
       1, "110000000"},
      {"no main.dmg", [](const auto& dir) { std::filesystem::remove(dir / "main.dmg"); }, 0, "000000000"},
      {"no config.dsc", [](const auto& dir) { std::filesystem::remove(dir / "config.dsc"); }, 0, "000000000"},
      {"truncated main.dmg", [](const auto& dir) { std::filesystem::resize_file(dir / "main.dmg", 1000); }, 0, "000000000"},
      {"dict.dms with an explanation past 255 bytes",
       [](const auto& dir) {
         std::vector<std::uint8_t> bytes;
         BuildDictionaryTable({{"\xE4\xB8\xAD", std::string(300, 'e')}}, TableBuildOptions{}, bytes);  // 中
         test::WriteFileBytes(dir / "dict.dms", bytes);
       },
       1, "111111111"},
      {"truncated engl.dmg", [](const auto& dir) { std::filesystem::resize_file(dir / "engl.dmg", 264348 + 2); }, 1,
       "110111111"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    test::WriteDataFolder(folder.path(), FullFolder());
    c.change(folder.path());
    DataFileSet files;
    EXPECT_EQ(OpenDataFiles(FolderPath(folder).c_str(), files), c.opened);
    EXPECT_EQ(Present(files), c.present);
    CloseDataFiles(files);
    EXPECT_EQ(Present(files), "000000000");
  }
}

ByteView ViewOf(std::vector<std::uint8_t>& bytes) { return {bytes.data(), static_cast<std::uint32_t>(bytes.size())}; }

void PutU32(std::vector<std::uint8_t>& bytes, std::uint64_t at, std::uint32_t value) { ViewOf(bytes).WriteU32(at, value); }

// The offset of the record placed highest in the file (the last one a table builder wrote).
std::uint32_t HighestRecord(std::vector<std::uint8_t>& bytes) {
  std::uint32_t count = 0, highest = 0;
  ViewOf(bytes).ReadU32(code_table::kRecordCount, count);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t offset = 0;
    ReadRecordOffset(ViewOf(bytes), i, offset);
    highest = std::max(highest, offset);
  }
  return highest;
}

// Opening checks what costs the same at every table size; a damaged record is left to the readers, which
// take it as absent, and the full check of the table tools still refuses the table.
TEST(DataFiles, OpeningChecksTheHeaderAndIndexAndReadersSkipDamagedRecords) {
  using namespace code_table;
  struct Case {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    int opened;
    int readable;  // records of main.dmg that read
  };
  const std::vector<Case> cases = {
      {"intact", [](auto&) {}, 1, 2},
      {"a record offset inside the header", [](auto& b) { PutU32(b, kOffsetTable, 16); }, 1, 1},
      {"a record offset inside the offset table", [](auto& b) { PutU32(b, kOffsetTable, kOffsetTable + 4); }, 1, 1},
      {"a record offset past the end",
       [](auto& b) { PutU32(b, kOffsetTable + 4, static_cast<std::uint32_t>(b.size())); }, 1, 1},
      {"a text running past the end", [](auto& b) { b[HighestRecord(b) + 4 + 1 + b[HighestRecord(b) + 4] + 0] = 200; },
       1, 1},
      {"a count past the end", [](auto& b) { PutU32(b, kRecordCount, 0x40000000); }, 0, 0},
      {"the lowest offset inside the offset table", [](auto& b) { PutU32(b, kLowestRecordOffset, kOffsetTable); }, 0,
       0},
      {"a prefix entry beyond the count", [](auto& b) { PutU32(b, PrefixIndexOffset(256, 255), 3); }, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    test::WriteDataFolder(folder.path(), FullFolder());
    auto bytes = test::ReadFileBytes(folder.path() / "main.dmg");
    c.damage(bytes);
    test::WriteFileBytes(folder.path() / "main.dmg", bytes);
    EXPECT_EQ(ValidateCodeTable(ViewOf(bytes)) == TableCheck::kValid, c.readable == 2);

    DataFileSet files;
    EXPECT_EQ(OpenDataFiles(FolderPath(folder).c_str(), files), c.opened);
    int readable = 0;
    for (std::uint32_t i = 0; files.main && i < RecordCount(files.main); ++i) {
      CodeTableRecord record;
      readable += RecordAt(files.main, static_cast<std::int32_t>(i), record);
    }
    EXPECT_EQ(readable, c.readable);
    CloseDataFiles(files);
  }
}

TEST(DataFiles, AFolderPathThatDoesNotFitIsRefused) {
  DataFileSet files;
  const std::u16string long_folder(255, u'x');
  EXPECT_EQ(OpenDataFiles(long_folder.c_str(), files), 0);
  EXPECT_EQ(Present(files), "000000000");
}

TEST(DataFiles, ATableGrownByAnotherProcessIsRemapped) {
  TempFolder folder;
  test::WriteDataFolder(folder.path(), FullFolder());
  DataFileSet files;
  ASSERT_EQ(OpenDataFiles(FolderPath(folder).c_str(), files), 1);
  const std::int32_t size_before = files.main->size;

  // Another user of the folder (config, say) appends to main.dmg, which grows the file.
  MappedFile* other = nullptr;
  ASSERT_GT(OpenMappedFile(folder.File("main.dmg").c_str(), &other), 0);
  TableRecordBuffer record;
  ASSERT_EQ(MakeTableRecord(u"b", u"子", nullptr, record), 1);
  {
    ScopedFileWrite write(other);
    ASSERT_EQ(TableAppendRecord(other, record.bytes, record.size), 1);
    ASSERT_EQ(PlaceLastEntry(-1, other), 1);
    ASSERT_EQ(BuildPrefixIndex(other), 1);
  }
  const std::int32_t grown = other->size;
  CloseMappedFile(other);
  ASSERT_GT(grown, size_before);

  MappedFile* const main_record = files.main;
  ReopenResizedTables(files);
  EXPECT_EQ(files.main, main_record);
  EXPECT_EQ(files.main->size, grown);
  const std::uint8_t key[] = {1, 'b'};
  TableRange range;
  EXPECT_EQ(FindCodeRange(files.main, range, key), 1);
  CloseDataFiles(files);
}

}  // namespace
}  // namespace lz
