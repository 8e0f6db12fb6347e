// The 码表 page's decisions: its rows for the aliases a scheme names, what each row allows, the export
// file names, progress, and resetting temp.dmg.
#include "config/tables/table_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/data_folder.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/settings_store.h"

namespace lz::config {
namespace {

using namespace code_table;

TablePageRow Row(int record_class, const std::u16string& name) {
  TablePageRow row;
  row.record_class = record_class;
  row.name = name;
  return row;
}

class TablePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store_ = NewConfigStore(test::kTestIdentifier);
    ConfigBlocks blocks;
    FindConfigBlocks({store_.data(), static_cast<std::uint32_t>(store_.size())}, blocks);
    soft_ = blocks.soft;
    for (const auto& [cls, name] : std::vector<std::pair<std::uint32_t, std::u16string>>{
             {0, u"五笔"}, {1, u"系统"}, {2, u"用户"}, {3, u"次显"}, {4, u"辅码"}, {16, u"人名"}, {17, u"地:名"},
             {19, u"不列"}}) {
      WriteFieldText(soft_, soft_block::kClassNames + 2 * soft_block::kClassNameUnits * cls, soft_block::kClassNameUnits,
                     name);
    }
    for (std::uint32_t cls : {0u, 2u, 16u, 17u}) soft_.WriteU32(soft_block::kClassFlags + 4 * cls, 1);
    soft_.WriteU32(soft_block::kClassFlags + 4 * 1, 2);
  }
  std::vector<std::uint8_t> store_;
  ByteView soft_;
};

TEST_F(TablePageTest, RowsFollowTheAliases) {
  TablePageCounts counts;
  counts.main_total = 100;
  counts.by_class[1] = 90;
  counts.by_class[2] = 7;
  counts.by_class[16] = 3;
  counts.temp = 5;
  counts.english = 9;
  const std::vector<TablePageRow> rows = TablePageRows(soft_, counts);
  struct Expected {
    int cls;
    std::u16string name, count, writable, in_use;
  };
  const std::vector<Expected> expected = {
      {0, u"输入码表", u"100", u"√", u"-"},
      {1, u"　　五笔 - 系统", u"90", u"", u"√"},
      {16, u"　　五笔 - 人名", u"3", u"√", u""},
      {17, u"　　五笔 - 地:名", u"0", u"√", u""},
      {3, u"　　五笔 - 次显", u"0", u"", u""},
      {2, u"　　五笔 - 用户", u"7", u"√", u""},
      {4, u"　　辅码", u"0", u"", u""},
      {-1, u"临时词表", u"5", u"-", u"-"},
      {-1, u"英文码表", u"9", u"-", u"-"},
  };
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rows[i].record_class, expected[i].cls);
    EXPECT_EQ(rows[i].name, expected[i].name);
    EXPECT_EQ(rows[i].count, expected[i].count);
    EXPECT_EQ(rows[i].writable, expected[i].writable);
    EXPECT_EQ(rows[i].in_use, expected[i].in_use);
  }
}

TEST_F(TablePageTest, ButtonsAndExportNamesPerRow) {
  struct Case {
    TablePageRow row;
    PageTable table;
    bool view, import, export_, clear;
    std::u16string caption, file;
  };
  const Case cases[] = {
      {Row(0, u"输入码表"), PageTable::kMain, true, true, true, true, u"编辑(&E)", u"导出 - 全部词条.txt"},
      {Row(1, u"系统"), PageTable::kMain, true, false, false, false, u"查看(&E)", u""},
      {Row(2, u"用户"), PageTable::kMain, true, true, true, true, u"编辑(&E)", u"导出 - 主码 - 用户.txt"},
      {Row(17, u"地名"), PageTable::kMain, true, true, true, true, u"编辑(&E)", u"导出 - 主码 - 地_名.txt"},
      {Row(-1, u"临时词表"), PageTable::kTemp, true, false, false, true, u"查看(&V)", u""},
      {Row(-1, u"联想码表"), PageTable::kAssociation, true, true, true, true, u"编辑(&E)", u"导出 - 联想码表.txt"},
      {Row(-1, u"英文码表"), PageTable::kEnglish, true, true, true, true, u"编辑(&E)", u"导出 - 英文码表.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.row.name.begin(), c.row.name.end()));
    const TablePageButtons b = SelectTablePageRow(soft_, &c.row);
    EXPECT_EQ(b.table, c.table);
    EXPECT_EQ(b.view, c.view);
    EXPECT_EQ(b.import, c.import);
    EXPECT_EQ(b.export_, c.export_);
    EXPECT_EQ(b.clear, c.clear);
    EXPECT_EQ(b.view_caption, c.caption);
    EXPECT_EQ(ExportFileName(soft_, b.table, b.record_class), c.file);
  }
  const TablePageButtons none = SelectTablePageRow(soft_, nullptr);
  EXPECT_FALSE(none.view || none.import || none.export_ || none.clear);
  EXPECT_EQ(ExportFolderName(u"兰卓..\\x"), u"[ 兰卓.._x ]");
  EXPECT_EQ(FileNamePart(u"a\tb/c:d*e?f\"g<h>i|j"), u"a_b_c_d_e_f_g_h_i_j");
}

TEST(TablePageProgress, PercentOfTheTotal) {
  EXPECT_EQ(ProgressPercent(0, 0), -1);
  EXPECT_EQ(ProgressPercent(1, 3), 33);
  EXPECT_EQ(ProgressPercent(3, 3), 100);
  EXPECT_EQ(ProgressPercent(7, 3), 100);
}

TEST(TablePageTemp, ResettingKeepsTheSizeAndTheSlots) {
  test::TempFolder folder;
  std::vector<std::uint8_t> bytes = test::BuildTempTable({{"ab", "甲", 0}, {"cd", "乙", 0}});
  test::WriteFileBytes(folder.path() / "temp.dmg", bytes);
  MappedFile* table = nullptr;
  ASSERT_GT(OpenMappedFile(folder.File("temp.dmg").c_str(), &table), 0);
  ASSERT_EQ(ResetTempTable(table), 1);
  EXPECT_EQ(RecordCount(table), 0u);
  EXPECT_EQ(table->size, static_cast<std::int32_t>(bytes.size()));
  const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
  for (std::uint32_t i = 0; i < kTempSlotCount; ++i) {
    std::uint32_t offset = 0;
    view.ReadU32(kOffsetTable + 4 * i, offset);
    EXPECT_EQ(offset, kTempSlotBase + kTempSlotSize * i) << i;
  }
  CloseMappedFile(table);
}

}  // namespace
}  // namespace lz::config
