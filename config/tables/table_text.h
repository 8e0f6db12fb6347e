#pragma once
// Code tables as text (the TableText format): one line per record, "text TAB code tags", behind
// "---config@" header lines, written as UTF-8 with a byte-order mark. The code-table page exports and
// imports whole tables this way; the user-word backup of the installer writes the user class of main.dmg
// and reads it back into a new table.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "config/tables/word_tree.h"
#include "textservice/engine/byte_view.h"
#include "textservice/engine/code_table.h"

namespace lz {

// The header line of each class filter 1..4 (others: "主码-<filter - 15>").
inline constexpr char16_t kTableTextHeaderPrefix[] = u"---config@";
inline constexpr char16_t kUserTableClassLine[] = u"---config@码表分类=主码-用户码表";

constexpr int kTableClassSlots = 32;       // class flags and aliases: one per class 0..31
constexpr int kTableAliasUnits = 32;       // an alias holds at most 31 characters
constexpr std::int32_t kPinnedFilter = 100;

// A record's word to text: a CR LF pair, a lone CR and a lone LF become "\r"; TAB "\t"; "\" "\\".
std::u16string EscapeTableText(std::u16string_view text);
// The reverse in one pass from the left: "\\" is a backslash, "\t" a TAB, "\r" CR LF; any other backslash
// stays as it is. So every escaped text reads back whole, whatever its length.
std::u16string UnescapeTableText(std::u16string_view text);

// Record code to text (out holds kCodeBufferUnits units); returns the units. TableStringToCode by default,
// so the key bytes 0x0A-0x19 come out as the full-width characters they were typed as.
using CodeToText = int (*)(char16_t* out, const std::uint8_t* table_string);
// Progress of a long run: (context, done, total).
using TableTextProgress = void (*)(void* context, std::int64_t done, std::int64_t total);

struct TableExport {
  // 1..31 selects that class only, 100 pinned records only, anything else every record.
  std::int32_t class_filter = 0;
  // Bit 0 of a class's flag marks it writable; with flags given, filter 0 exports only those classes.
  bool class_flags_given = false;
  std::uint32_t class_flags[kTableClassSlots] = {};
  // 0 the main table, 1 system, 2 user, 3 secondary, 4 auxiliary, 16..31 categories.
  bool aliases_given = false;
  std::u16string aliases[kTableClassSlots];
  CodeToText converter = nullptr;
  TableTextProgress progress = nullptr;
  void* progress_context = nullptr;
};

// The header lines an export writes before its records, each ending CR LF.
std::u16string TableTextHeaderLines(const TableExport& request);

// One record's line (without its CR LF) for a table of the given type; empty for a type that has none.
// A record line is never cut.
std::u16string FormatTableTextLine(const TableExport& request, std::uint32_t table_type,
                                   const CodeTableRecord& record);

// Writes the selected records of the table to path, ordered by pinned bit, class, first code byte,
// order value (rising when ascending) and place in the file. Returns the records selected, or -1 when the
// table cannot be read or the file cannot be written (a file that exists is then left as it was).
int ExportTableText(const TableExport& request, const MappedFile* table, const char16_t* path,
                    bool ascending = true);

// The class a text's "---config@码表分类=" lines name (the last wins); 0 when none.
std::uint32_t ReadTableTextHeader(std::u16string_view text);

// Outcomes of queueing one record.
constexpr int kImportQueued = 0;
constexpr int kImportUndeleted = 1;
constexpr int kImportPresent = 2;
constexpr int kImportDuplicate = 3;
constexpr int kImportDeleted = 4;
constexpr int kImportNoMemory = 5;

// The new records an import queues, at their real size: back to back in blocks that never move, in the
// order queued, with a hash set over their places that finds a record (code and text) queued twice.
class ImportRecordQueue {
 public:
  enum class Added { kQueued, kDuplicate, kNoMemory };
  Added Add(const std::uint8_t* record, std::uint32_t size);
  void Clear();
  std::uint32_t count() const { return count_; }
  std::uint64_t bytes() const { return bytes_; }
  // Calls visit(record, size) for each queued record in the order queued.
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (std::size_t b = 0; b < blocks_.size(); ++b) {
      for (std::uint32_t at = 0; at < used_[b];) {
        const std::uint32_t size = RecordSize(blocks_[b].get() + at);
        visit(blocks_[b].get() + at, size);
        at += size;
      }
    }
  }

  static constexpr std::uint32_t kBlockBytes = 1u << 20;

 private:
  static std::uint32_t RecordSize(const std::uint8_t* record);
  const std::uint8_t* At(std::uint32_t slot) const;
  bool GrowSlots();

  std::vector<std::unique_ptr<std::uint8_t[]>> blocks_;
  std::vector<std::uint32_t> used_;  // bytes used in each block
  std::uint32_t count_ = 0;
  std::uint64_t bytes_ = 0;
  // Open addressing: 0 empty, else 1 + block * kBlockBytes + offset of a record.
  std::vector<std::uint32_t> slots_;
};

struct TableImport {
  std::uint32_t import_class = 0;  // 0: the class of the header or the entry
  CodeEncoder encoder = nullptr;   // null: CodeToTableString
  // Lines without a code: the dme block with the word-building rules and the single-character index.
  ByteView word_rules{};
  const MappedFile* characters = nullptr;
  TableTextProgress progress = nullptr;
  void* progress_context = nullptr;

  std::uint32_t header_class = 0;
  ImportRecordQueue queue;
  // Stored records whose deleted bit the text changes, by their offset when read: the record's code and
  // text (found again by them when committing) and the new deleted state.
  struct DeletedChange {
    std::vector<std::uint8_t> key;
    bool deleted = false;
  };
  std::map<std::uint32_t, DeletedChange> deleted_changes;
  // The table's order counters as the queued records use them; loaded at the first use.
  bool counters_loaded = false;
  std::uint32_t counters[code_table::kOrderCounterCount] = {};
  std::vector<std::u16string> log;  // one line per refused entry, each ending CR LF
  // The words of the entries that change the table (queued, or a deleted mark set or taken off), and the
  // places in the log of the lines that tell of such a change.
  std::vector<std::u16string> changing_words;
  std::vector<std::size_t> change_log_lines;
  // The commit was refused with changes pending: the table is as it was, and the log's first line says
  // that nothing was written, followed by the refused entries and each changing entry as not added.
  bool not_written = false;
};

// A new import; null when out of memory.
std::unique_ptr<TableImport> CreateTableImport();

// Reads the text file (any encoding the text decoder knows), walks its lines first to last (forward) or
// last to first, and commits what they queue. The number of entries accepted; 0 when the file cannot be
// read (nothing changes then) or the commit fails (not_written is then set when there was a change to make).
int ImportTableText(TableImport& import, MappedFile* table, const char16_t* path, bool forward = true);

// The line walks over a whole text; each returns the entries accepted. Only the import changes, never the
// table: the commit applies it.
int ImportTableTextLines(TableImport& import, const MappedFile* table, std::u16string_view text, bool forward);

// One "text TAB code" entry / one word without code: 1 when it was queued.
int ImportTableTextEntry(TableImport& import, const MappedFile* table, std::u16string_view text,
                         std::u16string_view code);
int ImportTableTextWord(TableImport& import, const MappedFile* table, std::u16string_view line);

// Queues a record for the table (its flags hold the class): one of the kImport outcomes.
int QueueImportRecord(TableImport& import, const MappedFile* table, std::unique_ptr<TableRecordBuffer> record);

// Applies the import to the table under its writer lock: grows the file when the free gap is too small,
// puts the queued records into it, changes the deleted bits and order counters, sorts the offset table and
// rebuilds the prefix index. Returns the records added, or -1 when nothing could be changed (a heap copy,
// the lock, a failed grow): the table is then as it was.
int CommitImportRecords(TableImport& import, MappedFile* table);

// The log as a file: UTF-16 LE with its mark FF FE. False when it cannot be written.
bool WriteTableImportLog(const TableImport& import, const char16_t* path);

// Removes every record whose class bit (1 << class) is set in the mask, under the writer lock; the kept
// records are packed at the end of the file, sorted and indexed again. A mask that removes nothing leaves
// the bytes as they are. 1, or 0 when the table cannot be written or memory runs out.
int CompactTable(MappedFile* table, std::uint64_t class_mask);

}  // namespace lz
