// The code-table browser's decisions: the records a view lists under each filter, the cells and colour of
// a row, the view menu's class items, when adding is allowed, the copy text, and removing selected
// records from main.dmg.
#include "config/tables/table_browser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/tables/table_records.h"
#include "tests/support/code_table_builder.h"
#include "tests/support/data_folder.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/settings_store.h"

namespace lz::config {
namespace {

using namespace code_table;
using test::RecordFlags;
using test::TableRecord;

const std::vector<TableRecord> kRecords = {
    {"ab", "甲", RecordFlags(kClassSystem, 3)},
    {"ab", "乙中", RecordFlags(kClassUser, 4)},
    {"abc", "丙", RecordFlags(kClassSystem, 5, kFlagPinned)},
    {"abd", "丁中", RecordFlags(kClassSystem, 6, kFlagDeleted)},
    {"b", "戊", RecordFlags(5, 7)},
    {"ba", "己", RecordFlags(kClassUser, 8, kFlagDeleted | kFlagPinned)},
    {"\x13z", "数", RecordFlags(17, 9)},
};

class BrowserTest : public ::testing::Test {
 protected:
  MappedFile* Open(const std::vector<TableRecord>& records, std::uint32_t type = kTypeIndexed,
                   std::uint32_t gap = 1024) {
    test::TableOptions options;
    options.type = type;
    options.free_gap = gap;
    const std::string name = "t" + std::to_string(opened_.size()) + ".dmg";
    test::WriteFileBytes(folder_.path() / name, test::BuildCodeTable(records, options));
    MappedFile* file = nullptr;
    EXPECT_GT(OpenMappedFile(folder_.File(name).c_str(), &file), 0);
    opened_.push_back(file);
    return file;
  }
  void SetUp() override {
    store_ = NewConfigStore(test::kTestIdentifier);
    ConfigBlocks blocks;
    FindConfigBlocks({store_.data(), static_cast<std::uint32_t>(store_.size())}, blocks);
    soft_ = blocks.soft;
    for (const auto& [cls, name] : std::vector<std::pair<std::uint32_t, std::u16string>>{
             {0, u"五笔"}, {1, u"系统"}, {2, u"用户"}, {4, u"辅码"}, {16, u"人名"}, {17, u"地名"}}) {
      WriteFieldText(soft_, soft_block::kClassNames + 2 * soft_block::kClassNameUnits * cls, soft_block::kClassNameUnits, name);
    }
    soft_.WriteU32(soft_block::kClassFlags + 4 * 16, 1);
  }
  void TearDown() override {
    for (MappedFile* f : opened_) CloseMappedFile(f);
  }
  std::vector<std::u16string> Listed(const MappedFile* table, const BrowserFilter& filter) {
    std::vector<std::u16string> words;
    for (std::int32_t p : BuildBrowserView(table, filter)) {
      words.push_back(BrowserRowAt(table, BrowsedTable::kMain, p, soft_, false).word);
    }
    return words;
  }
  test::TempFolder folder_;
  std::vector<MappedFile*> opened_;
  std::vector<std::uint8_t> store_;
  ByteView soft_;
};

TEST_F(BrowserTest, FiltersListTheirRecords) {
  struct Case {
    const char* name;
    BrowserFilter filter;
    std::vector<std::u16string> listed;
  };
  const Case cases[] = {
      {"everything but class 5", {}, {u"数", u"乙中", u"甲", u"丙", u"丁中", u"己"}},
      {"code exact", {u"ab", u"", false}, {u"乙中", u"甲"}},
      {"code begins with", {u"ab", u"", true}, {u"乙中", u"甲", u"丙", u"丁中"}},
      {"word exact", {u"", u"中", false}, {}},
      {"word contained", {u"", u"中", true}, {u"乙中", u"丁中"}},
      {"both", {u"ab", u"中", true}, {u"乙中", u"丁中"}},
      {"a keypad code", {u"\uFF13z", u"", false}, {u"数"}},
      {"class", {u"", u"", false, kClassUser}, {u"乙中", u"己"}},
      {"class 5 never", {u"", u"", false, 5}, {}},
      {"pinned over class", {u"", u"", false, kClassUser, false, true}, {u"丙", u"己"}},
      {"deleted over pinned", {u"", u"", false, kClassUser, true, true}, {u"丁中", u"己"}},
  };
  MappedFile* table = Open(kRecords);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Listed(table, c.filter), c.listed);
  }
  MappedFile* association = Open({{"", "中国", 0}, {"", "人民", 0}}, kTypeAssociation);
  EXPECT_EQ(BuildBrowserView(association, {}).size(), 2u);
  EXPECT_EQ(BrowserRowAt(association, BrowsedTable::kAssociation, 0, soft_, false).code, u"");
  EXPECT_TRUE(BuildBrowserView(Open({}), {}).empty());
}

TEST_F(BrowserTest, CellsAndColoursOfEachKindOfRow) {
  MappedFile* table = Open(kRecords);
  struct Case {
    std::int32_t position;
    BrowsedTable kind;
    bool rising;
    BrowserRow row;
  };
  // Positions: 0 数 (0x13 z), 1 乙中, 2 甲, 3 丙, 4 丁中, 5 戊, 6 己.
  const Case cases[] = {
      {2, BrowsedTable::kMain, true, {u"3", u"ab", u"甲", u"五笔 - 系统", u"4", u"", kPlainColour, true}},
      {1, BrowsedTable::kMain, true, {u"2", u"ab", u"乙中", u"五笔 - 用户", u"5", u"", kUserWordColour, true}},
      {3, BrowsedTable::kMain, true, {u"4", u"abc", u"丙", u"五笔 - 系统", u"6", u"√", kPlainColour, true}},
      {4, BrowsedTable::kMain, true, {u"5", u"abd", u"丁中", u" 已删除", u"7", u"", kDeletedColour, true}},
      {5, BrowsedTable::kMain, true, {u"6", u"b", u"戊", u"", u"8", u"", kPlainColour, true}},
      {0, BrowsedTable::kMain, true, {u"1", u"\uFF13z", u"数", u"五笔 - 地名", u"10", u"", kPlainColour, true}},
      {2, BrowsedTable::kAssociation, true, {u"3", u"ab", u"甲", u"联想表", u"4", u"", kPlainColour, true}},
      {2, BrowsedTable::kEnglish, true, {u"3", u"ab", u"甲", u"英文表", u"4", u"", kPlainColour, true}},
      {99, BrowsedTable::kMain, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position);
    const BrowserRow row = BrowserRowAt(table, c.kind, c.position, soft_, c.rising);
    EXPECT_EQ(row.present, c.row.present);
    EXPECT_EQ(row.number, c.row.number);
    EXPECT_EQ(row.code, c.row.code);
    EXPECT_EQ(row.word, c.row.word);
    EXPECT_EQ(row.category, c.row.category);
    EXPECT_EQ(row.order, c.row.order);
    EXPECT_EQ(row.pinned, c.row.pinned);
    EXPECT_EQ(row.colour, c.row.colour);
  }
  // Falling: the counter of the first code byte minus the order value; a class without alias by number.
  ByteView{table->view, static_cast<std::uint32_t>(table->size)}.WriteU32(kOrderCounters + 4 * 'a', 20);
  EXPECT_EQ(BrowserRowAt(table, BrowsedTable::kMain, 2, soft_, false).order, u"17");
  WriteFieldText(soft_, soft_block::kClassNames + 2 * soft_block::kClassNameUnits * 17, soft_block::kClassNameUnits, u"");
  EXPECT_EQ(BrowserRowAt(table, BrowsedTable::kMain, 0, soft_, true).category, u"五笔 - 类17");
}

TEST_F(BrowserTest, ClassItemsTitlesAndEnabling) {
  std::vector<BrowserClassItem> items = BrowserClassItems(soft_);
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[0].id, 2998);
  EXPECT_EQ(items[0].text, u"五笔 - 系统(&S)");
  EXPECT_EQ(items[1].text, u"五笔 - 人名(&1)");
  EXPECT_EQ(items[2].text, u"五笔 - 地名(&2)");
  EXPECT_EQ(items[2].id, 3003);
  EXPECT_EQ(items[3].text, u"五笔 - 用户(&U)");
  EXPECT_EQ(items[4].text, u"辅码(&T)");
  // No category items at all when alias 16 is empty, even with alias 17 set.
  WriteFieldText(soft_, soft_block::kClassNames + 2 * soft_block::kClassNameUnits * 16, soft_block::kClassNameUnits, u"");
  items = BrowserClassItems(soft_);
  EXPECT_EQ(items.size(), 3u);

  EXPECT_TRUE(BrowserMayAddOrChange(BrowsedTable::kMain, soft_, 0));
  EXPECT_TRUE(BrowserMayAddOrChange(BrowsedTable::kMain, soft_, 16));
  EXPECT_FALSE(BrowserMayAddOrChange(BrowsedTable::kMain, soft_, 1));
  EXPECT_FALSE(BrowserMayAddOrChange(BrowsedTable::kEnglish, soft_, 0));
  EXPECT_TRUE(BrowserClassWritable(soft_, 2));
  EXPECT_FALSE(BrowserClassWritable(soft_, 1));

  EXPECT_EQ(BrowsedTableOfPath(u"C:\\data\\MAIN.dmg"), BrowsedTable::kMain);
  EXPECT_EQ(BrowsedTableOfPath(u"/x/engl.dmg"), BrowsedTable::kEnglish);
  EXPECT_EQ(BrowserTitle(BrowsedTable::kMain, u"兰卓", true), u"输入码表详细视图 - 兰卓");
  EXPECT_EQ(BrowserTitle(BrowsedTable::kOther, u"", false), u"码表详细视图");
  BrowserRow a, b;
  a.word = u"中国";
  a.code = u"khlg";
  b.word = u"人";
  b.code = u"w";
  EXPECT_EQ(BrowserCopyText({a, b}), u"中国\tkhlg\r\n人\tw\r\n");
}

TEST_F(BrowserTest, RemovingSelectedRecordsHitsExactlyThem) {
  std::vector<TableRecord> records;
  for (int i = 0; i < 12; ++i) {
    records.push_back({"c" + std::to_string(i), "词" + std::to_string(i), RecordFlags(i % 3 == 0 ? kClassUser : kClassSystem, 1)});
  }
  MappedFile* table = Open(records);
  // Positions in code order: c0 c1 c10 c11 c2 ... c9. The user words c3, c6, c9 are at 5, 8, 11; chosen
  // lowest first, a loop that did not mind the shift would remove other records.
  const std::vector<std::int32_t> selected = {5, 11, 8};
  EXPECT_EQ(RemoveTableRecords(table, selected), 3);
  EXPECT_EQ(RecordCount(table), 9u);
  for (int i = 0; i < 12; ++i) {
    const std::string code = "c" + std::to_string(i);
    std::uint8_t key[8] = {static_cast<std::uint8_t>(code.size())};
    std::copy(code.begin(), code.end(), key + 1);
    TableRange range;
    EXPECT_EQ(FindCodeRange(table, range, key), (i % 3 == 0 && i > 0) ? 0 : 1) << code;
  }
  EXPECT_EQ(ValidateCodeTable({table->view, static_cast<std::uint32_t>(table->size)}, {}), TableCheck::kValid);
  EXPECT_EQ(RemoveTableRecords(table, {40}), 0);
  EXPECT_EQ(RecordCount(table), 9u);
}

}  // namespace
}  // namespace lz::config
