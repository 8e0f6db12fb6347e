#pragma once
// Code tables as text (the TableText format): one line per record, "text TAB code tags", behind
// "---config@" header lines, written as UTF-8 with a byte-order mark. The user-word backup of the
// installer writes the user class of main.dmg this way and reads it back into a new table.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "config/word_tree.h"
#include "textservice/engine/code_table.h"

namespace lz {

// The header line of each class filter 1..4 (others: "主码-<filter - 15>").
inline constexpr char16_t kTableTextHeaderPrefix[] = u"---config@";
inline constexpr char16_t kUserTableClassLine[] = u"---config@码表分类=主码-用户码表";

// A record's word to text: a CR LF pair, a lone CR and a lone LF become "\r"; TAB "\t"; "\" "\\".
std::u16string EscapeTableText(std::u16string_view text);
// The reverse, in the three passes of the format ("\r", then "\t", then "\\").
std::u16string UnescapeTableText(std::u16string_view text);

struct TableExport {
  // 1..31 selects that class only, 100 pinned records only, anything else every record.
  std::int32_t class_filter = 0;
};

// One record's line (without its CR LF) for a table of the given type; empty for a type that has none.
std::u16string FormatTableTextLine(const TableExport& request, std::uint32_t table_type,
                                   const CodeTableRecord& record);

struct TableExportResult {
  int selected = 0;      // records that matched the filter
  bool written = false;  // the file was written whole
};

// Writes the selected records of the table to path, ordered by pinned bit, class, first code byte,
// order value (rising when ascending) and place in the file.
TableExportResult ExportTableText(const TableExport& request, const MappedFile* table, const char16_t* path,
                                  bool ascending = true);

// The class a text's "---config@码表分类=" lines name (the last wins); 0 when none.
std::uint32_t ReadTableTextHeader(std::u16string_view text);

struct TableImport {
  std::uint32_t import_class = 0;  // 0: the class of the header or the entry
  CodeEncoder encoder = nullptr;   // null: CodeToTableString
  std::uint32_t header_class = 0;
  WordTree tree;                   // queued records (TableRecordBuffer*), by code then text
  std::vector<std::unique_ptr<TableRecordBuffer>> records;
  std::uint32_t queued_bytes = 0;
  std::vector<std::u16string> log;  // one line per refused entry
};

// A new import with room for 10240 queued records before its tree grows; null when out of memory.
std::unique_ptr<TableImport> CreateTableImport();

// Reads the text file (any encoding the text decoder knows) and imports its lines into the table. The
// number of entries accepted; 0 when the file cannot be read (nothing changes then).
int ImportTableText(TableImport& import, MappedFile* table, const char16_t* path);

// One "text TAB code" entry: 1 when it was queued.
int ImportTableTextEntry(TableImport& import, MappedFile* table, std::u16string_view text, std::u16string_view code);

// Writes the queued records into the table, each in its sorted place under the table's writer lock.
// The number written; stops at the first record the table refuses.
int CommitImportRecords(TableImport& import, MappedFile* table);

}  // namespace lz
