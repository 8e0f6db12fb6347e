// The user-word file: the user class of a table written as text, read into another table, and written
// again unchanged.
#include "config/tables/table_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/code_table_builder.h"
#include "tests/support/temp_folder.h"

namespace lz {
namespace {

using test::RecordFlags;
using test::TableRecord;

constexpr std::uint32_t kSystem = code_table::kClassSystem;
constexpr std::uint32_t kUser = code_table::kClassUser;
constexpr std::uint32_t kGap = 64 * 1024;

std::vector<std::uint8_t> Table(const std::vector<TableRecord>& records) {
  test::TableOptions options;
  options.type = code_table::kTypeIndexed;
  options.free_gap = kGap;
  return test::BuildCodeTable(records, options);
}

const std::vector<TableRecord> kSystemWords = {
    {"khlg", "中国", RecordFlags(kSystem, 1)},
    {"khk", "中", RecordFlags(kSystem, 2)},
    {"nav", "民", RecordFlags(kSystem, 3)},
};

TableExport UserClass() {
  TableExport request;
  request.class_filter = kUser;
  return request;
}

std::string Utf8(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

class TableTextTest : public ::testing::Test {
 protected:
  MappedFile* Open(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    test::WriteFileBytes(folder_.path() / name, bytes);
    MappedFile* file = nullptr;
    EXPECT_GT(OpenMappedFile(folder_.File(name).c_str(), &file), 0);
    opened_.push_back(file);
    return file;
  }
  void TearDown() override {
    for (MappedFile* f : opened_) CloseMappedFile(f);
  }
  test::TempFolder folder_;
  std::vector<MappedFile*> opened_;
};

TEST_F(TableTextTest, TheUserClassIsWrittenWithTheMarkAndTheHeaderLineInOrder) {
  std::vector<TableRecord> records = kSystemWords;
  records.push_back({"nakh", "民中", RecordFlags(kUser, 7)});
  records.push_back({"aaaa", "甲\t乙\\", RecordFlags(kUser, 9, code_table::kFlagPinned)});
  records.push_back({"abab", "早", RecordFlags(kUser, 5)});
  MappedFile* table = Open("main.dmg", Table(records));
  EXPECT_EQ(ExportTableText(UserClass(), table, folder_.File("words.txt").c_str()), 3);
  // Unpinned first, then by first code byte and order value; no class tags under a class filter.
  EXPECT_EQ(Utf8(test::ReadFileBytes(folder_.path() / "words.txt")),
            "\xEF\xBB\xBF---config@码表分类=主码-用户码表\r\n"
            "早\tabab\r\n"
            "民中\tnakh\r\n"
            "甲\\t乙\\\\\taaaa#固\r\n");
}

TEST_F(TableTextTest, ExportedWordsImportIntoANewTableAndExportAgainUnchanged) {
  std::vector<TableRecord> records = kSystemWords;
  records.push_back({"nakh", "民中", RecordFlags(kUser, 7)});
  records.push_back({"aaaa", "甲\t乙\\", RecordFlags(kUser, 9, code_table::kFlagPinned)});
  MappedFile* old_table = Open("old.dmg", Table(records));
  ASSERT_EQ(ExportTableText(UserClass(), old_table, folder_.File("words.txt").c_str()), 2);

  MappedFile* new_table = Open("main.dmg", Table(kSystemWords));
  std::unique_ptr<TableImport> import = CreateTableImport();
  ASSERT_NE(import, nullptr);
  import->import_class = kUser;
  EXPECT_EQ(ImportTableText(*import, new_table, folder_.File("words.txt").c_str()), 2);
  EXPECT_TRUE(import->log.empty());
  EXPECT_EQ(RecordCount(new_table), 5u);

  TableRange range;
  std::uint8_t key[] = {4, 'n', 'a', 'k', 'h'};
  ASSERT_EQ(FindCodeRange(new_table, range, key), 1);
  CodeTableRecord found;
  ASSERT_TRUE(RecordAt(new_table, range.first, found));
  EXPECT_EQ(code_table::RecordClass(found.flags), kUser);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(found.text), found.text_length), "民中");

  ASSERT_EQ(ExportTableText(UserClass(), new_table, folder_.File("again.txt").c_str()), 2);
  EXPECT_EQ(test::ReadFileBytes(folder_.path() / "again.txt"), test::ReadFileBytes(folder_.path() / "words.txt"));
}

TEST_F(TableTextTest, ImportRefusesWhatIsThereOrOfAnotherClass) {
  MappedFile* table = Open("main.dmg", Table(kSystemWords));
  std::unique_ptr<TableImport> import = CreateTableImport();
  import->import_class = kUser;
  EXPECT_EQ(ImportTableTextEntry(*import, table, u"中国", u"khlg#用"), 0);  // the text and code are there
  EXPECT_EQ(ImportTableTextEntry(*import, table, u"次", u"abcd#次"), 0);    // another class
  EXPECT_EQ(ImportTableTextEntry(*import, table, u"新", u"abcd"), 1);
  EXPECT_EQ(ImportTableTextEntry(*import, table, u"新", u"abcd"), 0);  // queued twice
  ASSERT_EQ(import->log.size(), 3u);
  EXPECT_NE(import->log[1].find(u"与所选分类不匹配的词条类别"), std::u16string::npos);
  EXPECT_NE(import->log[2].find(u"重复的词条定义"), std::u16string::npos);
  EXPECT_EQ(CommitImportRecords(*import, table), 1);
  EXPECT_EQ(RecordCount(table), 4u);
  EXPECT_EQ(ImportTableText(*import, table, folder_.File("missing.txt").c_str()), 0);
}

TEST(TableTextEscapeTest, EscapesAndReadsBack) {
  struct Case {
    std::u16string text, escaped, read_back;
  };
  const Case cases[] = {
      {u"a\tb", u"a\\tb", u"a\tb"},
      {u"a\\b", u"a\\\\b", u"a\\b"},
      {u"a\r\nb", u"a\\rb", u"a\r\nb"},
      {u"a\rb", u"a\\rb", u"a\r\nb"},
      {u"a\nb", u"a\\rb", u"a\r\nb"},
      {u"plain", u"plain", u"plain"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EscapeTableText(c.text), c.escaped);
    EXPECT_EQ(UnescapeTableText(c.escaped), c.read_back);
  }
  // One pass from the left: backslash, backslash, t is a backslash and the letter t; other backslashes stay.
  EXPECT_EQ(UnescapeTableText(u"\\\\t"), u"\\t");
  EXPECT_EQ(UnescapeTableText(u"C:\\\\temp"), u"C:\\temp");
  EXPECT_EQ(UnescapeTableText(u"a\\b\\"), u"a\\b\\");
  const std::u16string long_text(400, u'\\');
  EXPECT_EQ(UnescapeTableText(EscapeTableText(long_text)), long_text);
}

TEST(TableTextHeaderTest, NamesTheClassOfTheLastClassLine) {
  EXPECT_EQ(ReadTableTextHeader(u"---config@码表分类=主码-用户码表\r\n"), kUser);
  EXPECT_EQ(ReadTableTextHeader(u"---config@码表分类=辅码码表\r\n---config@码表分类=主码-系统码表"), kSystem);
  EXPECT_EQ(ReadTableTextHeader(u"---config@码表分类=主码-3"), 18u);
  EXPECT_EQ(ReadTableTextHeader(u"---config@码表分类=主码-99"), 31u);
  EXPECT_EQ(ReadTableTextHeader(u"no header"), 0u);
}

}  // namespace
}  // namespace lz
