#pragma once
// The 码表 page's decisions: the rows it lists (the main table, its classes by alias, and the temporary,
// association and English tables) with their counts and flags, what a selected row allows, the names of
// export files, progress percentages, and the reset of temp.dmg's slots.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "textservice/engine/byte_view.h"
#include "textservice/engine/mapped_file.h"

namespace lz::config {

constexpr int kOtherTableRow = -1;  // the class column of rows that name a whole table of their own

struct TablePageRow {
  int record_class = 0;  // column 0: a class of main.dmg (0 the whole table), or kOtherTableRow
  std::u16string name, count, writable, in_use;
};

struct TablePageCounts {
  std::uint32_t main_total = 0;
  std::array<std::uint32_t, 64> by_class{};
  std::optional<std::uint32_t> temp, association, english;  // absent: the table is not open
};

std::vector<TablePageRow> TablePageRows(ByteView soft, const TablePageCounts& counts);

enum class PageTable { kNone, kMain, kTemp, kAssociation, kEnglish };

struct TablePageButtons {
  PageTable table = PageTable::kNone;
  int record_class = -1;
  bool view = false, import = false, export_ = false, clear = false;
  std::u16string view_caption = u"编辑(&E)";
};

// What the selected row (null: none) allows.
TablePageButtons SelectTablePageRow(ByteView soft, const TablePageRow* row);

// A text that goes into a file name: \ / : * ? " < > | and characters below 32 become "_".
std::u16string FileNamePart(std::u16string_view text);

// The export file's name (without folder) for the selection; empty when the selection exports nothing.
std::u16string ExportFileName(ByteView soft, PageTable table, int record_class);
// The folder below the documents folder: "[ <display name> ]", made safe for a file name.
std::u16string ExportFolderName(std::u16string_view display_name);

// Progress as a percentage 0..100; -1 when there is nothing to report (total 0).
int ProgressPercent(std::int64_t done, std::int64_t total);

// temp.dmg emptied: no records, every slot free at its place in the fixed layout, the file size kept.
// 1, or 0 when the table cannot be written or is too small for the slots.
int ResetTempTable(MappedFile* table);

}  // namespace lz::config
