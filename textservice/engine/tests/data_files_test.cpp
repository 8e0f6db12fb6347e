#include "textservice/engine/data_files.h"
#include "textservice/engine/table_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/data_folder.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/code_table.h"

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
  contents.dict = std::vector<TableRecord>{};
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
