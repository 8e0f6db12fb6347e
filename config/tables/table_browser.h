#pragma once
// The code-table browser's decisions over one mapped table: which records a view lists (filters and
// matching), the texts and colour of a row, the title, the class items of the view menu, when adding and
// changing are allowed, and the text a copy puts on the clipboard. The window only shows what these say.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "textservice/engine/byte_view.h"
#include "textservice/engine/code_table.h"

namespace lz::config {

enum class BrowsedTable { kMain, kTemp, kAssociation, kEnglish, kOther };

// By the file name of the path (main.dmg, temp.dmg, sysl.dmg, engl.dmg; any case).
BrowsedTable BrowsedTableOfPath(std::u16string_view path);

// "输入码表详细视图 - <name>" and the like; without a readable display name the kind's text alone.
std::u16string BrowserTitle(BrowsedTable table, std::u16string_view display_name, bool name_read);

constexpr std::size_t kBrowserFilterUnits = 255;
constexpr std::uint32_t kNeverListedClass = 5;

struct BrowserFilter {
  std::u16string code;  // both cut to 255 units
  std::u16string word;
  bool prefix = false;  // the code begins with the filter, the word contains it; else both are equal
  std::uint32_t record_class = 0;  // 0 every class
  bool deleted_only = false;       // wins over pinned_only, which wins over the class
  bool pinned_only = false;
};

// A record's code as the browser shows it: the code bytes read as UTF-8 (at most 250 bytes), every byte
// below 32 as U+FF00 plus the byte; empty for an association table.
std::u16string BrowserCodeText(const CodeTableRecord& record);

// The positions (in the sorted offset table) of the records the filter passes, in table order. Class 5
// is never listed.
std::vector<std::int32_t> BuildBrowserView(const MappedFile* table, const BrowserFilter& filter);

struct BrowserRow {
  std::u16string number, code, word, category, order, pinned;
  std::uint32_t colour = 0;  // COLORREF: red for deleted, navy for user words, else black
  bool present = false;      // false: the position is outside the current table (every cell empty)
};

constexpr std::uint32_t kDeletedColour = 0x0000FF;
constexpr std::uint32_t kUserWordColour = 0x800000;
constexpr std::uint32_t kPlainColour = 0x000000;

// The cells of the row that shows the record at `position` (its number in the table is position + 1,
// wherever the filters put its row). soft: the soft block (class names); rising: bit 0x10 of the ime
// block's word at +48 (the order figure is then the order value + 1, else the table's counter of the first
// code byte minus it).
BrowserRow BrowserRowAt(const MappedFile* table, BrowsedTable kind, std::int32_t position, ByteView soft,
                        bool rising);

struct BrowserClassItem {
  int id;
  std::u16string text;
  std::uint32_t record_class;
};

// The class items the view menu of a main.dmg view gets, in menu order.
std::vector<BrowserClassItem> BrowserClassItems(ByteView soft);

// Adding and changing are allowed in a main.dmg view showing every class or a writable one.
bool BrowserMayAddOrChange(BrowsedTable kind, ByteView soft, std::uint32_t class_filter);
// A record of this class may be changed or removed (class 2 or writable); others only get the deleted bit.
bool BrowserClassWritable(ByteView soft, std::uint32_t record_class);

// "词条 TAB 编码 CR LF" for each row.
std::u16string BrowserCopyText(const std::vector<BrowserRow>& rows);

}  // namespace lz::config
