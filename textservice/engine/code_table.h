#pragma once
// Searching and changing a mapped code table: comparisons, binary searches for codes, code prefixes and
// words, building records from tagged text, appending, sorted placement, the fixed slots of temp.dmg,
// clearing, sorting and the prefix index.
//
// Records are named by their file offsets, never by pointers, so a list of them survives a re-map. Every
// read is checked against the current view: an offset or length outside it (another process grew the
// file) reads as an empty key and is never followed. Every change holds the file's writer lock.
#include <cstdint>
#include <functional>
#include <vector>

#include "textservice/engine/code_table_format.h"
#include "textservice/engine/mapped_file.h"

namespace lz {

// A key is a table string: a length byte, then that many bytes. A record's key starts at record + 4.
// Comparators return -1, 0 or +1.
using KeyComparator = int (*)(const std::uint8_t* a, const std::uint8_t* b);

// Unsigned bytes over the common length; when equal, the shorter key first.
int CompareCodes(const std::uint8_t* a, const std::uint8_t* b);
// CompareCodes on the keys, then the same comparison on the table strings that follow them (the texts).
int CompareCodeAndText(const std::uint8_t* a, const std::uint8_t* b);

// Positions [first, end) in the sorted offset table.
struct TableRange {
  std::int32_t first = 0;
  std::int32_t end = 0;
};

// Binary search result: +(i + 1) when the record at position i compares equal, else -(p) with p the
// position where the key would go.
int SearchRange(TableRange bounds, const MappedFile* table, const std::uint8_t* key);
int FindRecordPosition(KeyComparator comparator, const MappedFile* table, const std::uint8_t* record_key);

// Records whose code equals the key / begins with the key / begins with the key's first n bytes. Each
// returns the number of records in the range.
int FindCodeRange(const MappedFile* table, TableRange& out, const std::uint8_t* key);
int FindPrefixRange(const MappedFile* table, TableRange& out, const std::uint8_t* key);
int FindLeadingRange(const MappedFile* table, int n, TableRange& out, const std::uint8_t* key);
int FindPrefixRangeWith(const MappedFile* table, const std::uint8_t* key, TableRange& out,
                        KeyComparator comparator = CompareCodes);

// The parts of `range` whose codes hold the key's bytes from `from` on, where a `wildcard` byte stands for
// any byte (the range's records already share the first `from`). The parts come in table order, so a pass
// over them meets the records a pass over the whole range would let through, in the same order; records
// whose codes are too short may remain and are for the caller's match to refuse. The parts are found as
// they are asked for: `part` returns false when it wants no more, and the rest is not looked at.
using WildcardPart = std::function<bool(TableRange)>;
void WildcardRanges(const MappedFile* table, TableRange range, const std::uint8_t* key, int from,
                    std::uint8_t wildcard, const WildcardPart& part);

// The longest record: flags, two length bytes and two strings of at most 250 bytes.
constexpr std::uint32_t kMaxRecordBytes = code_table::kRecordFixedBytes + 2 * code_table::kMaxStringBytes;

struct TableRecordBuffer {
  std::uint8_t bytes[kMaxRecordBytes];
  std::uint32_t size;
};

// Encodes a code into a table string (out, text, capacity) -> length; CodeToTableString by default.
using CodeEncoder = int (*)(std::uint8_t* out, const char16_t* text, int capacity);

// Builds a record from a code carrying tags and a word. Tags: "#类N" class N + 15 (N missing or 0 counts
// as 1, above 16 as 16), then "#用" class 2, "#次" class 3, "#辅" class 4; "#固" pinned, "#删" deleted.
// The first "#" that is not part of "##" ends the code. Returns 0 for an empty code or text or one that
// cannot be stored; the order value is 0.
int MakeTableRecord(const char16_t* tagged_code, const char16_t* text, CodeEncoder encoder, TableRecordBuffer& out);

// Stores a record in the free gap above the offset table (or grows the file) and puts its offset into
// its sorted place (after equal records; comparator: code then text, for association tables the text),
// keeping the prefix index. Other processes and a later writer never find a record missing: a writer
// killed at any instant leaves the table in order with every earlier record listed, at worst one entry
// twice, and the next append repairs that (also when the lock reports its holder died). 1, or 0 when the
// table cannot be written or grown, or lists a record where the new one would go.
int TableAppendRecord(MappedFile* table, const std::uint8_t* record, std::uint32_t size,
                      KeyComparator comparator = nullptr);

// Moves the last offset entry to its sorted place among the others (position < 0: search for it); for
// callers that wrote the entry themselves (TableAppendRecord places its own).
int PlaceLastEntry(int position, MappedFile* table, KeyComparator comparator = CompareCodeAndText);

// temp.dmg: stores a record in a free slot, or over the oldest record once all 512 are used; the order
// value of each record is its age rank. 0 for a record over 250 bytes or a corrupt slot table.
int InsertRecentRecord(const std::uint8_t* record, std::uint32_t size, MappedFile* table,
                       KeyComparator comparator = CompareCodes);
// temp.dmg: removes the entry at a position (its slot becomes free) and closes the gap in the ages.
int RemoveTableEntry(MappedFile* table, int position);
// temp.dmg: removes the record at a file offset; nothing when no entry points at it.
int RemoveRecord(MappedFile* table, std::uint32_t record_offset);

// Empties a table in place: no records, the lowest offset at the end, counters and prefix index zero.
int ClearTable(MappedFile* table);

// Sorts the whole offset table by code (comparator), then text, then place in the file.
int SortTableOffsets(KeyComparator comparator, MappedFile* table);

// Recomputes the prefix index from the sorted offset table.
int BuildPrefixIndex(MappedFile* table, KeyComparator comparator = CompareCodes);
// The same over the bytes of a table that is not mapped (table builders).
void BuildPrefixIndexInView(ByteView view, KeyComparator comparator = CompareCodes);

// Increments the order counter of a first code byte, saturating at the largest order value, and returns
// the new value; 0 when the table cannot be written.
std::uint32_t NextOrderValue(MappedFile* table, std::uint8_t first_code_byte);

// The record offset at a position, and the record there; false outside the table or the view.
bool RecordOffsetAt(const MappedFile* table, std::int32_t position, std::uint32_t& offset);
bool RecordAt(const MappedFile* table, std::int32_t position, CodeTableRecord& record);
// Records listed by the header, limited to the offset entries that lie inside the view.
std::uint32_t RecordCount(const MappedFile* table);

// Counts a change of which records are pinned (the writes above count their own moves of entries); the
// caller holds the table's write lock. EntryChanges reads the count, to know when a list of positions
// taken from the table has gone stale.
void NoteEntryChange(MappedFile* table);
std::uint32_t EntryChanges(const MappedFile* table);

// The change count is also a sequence lock between a writer and the readers of other processes: odd while
// a writer moves entries. A reader takes EntryChanges before it reads and asks ChangedSince afterwards;
// when the count was odd or has moved, what it read may be half a change and it reads again (after
// mapping the file again when it grew), a bounded number of times.
bool ChangedSince(const MappedFile* table, std::uint32_t seen);
// How often a reader reads again while it finds changes under way, and the pause before attempt n (a
// few yields, then a millisecond each, so that a writer's longer change can end). After the last attempt
// it reads once more holding the writers' lock (which also repairs what a dead writer left), so busy
// writers never starve it.
constexpr int kQuickReadAttempts = 8;
void WaitBeforeReadingAgain(int attempt);
// An opener's part: a table that a dead writer left mid-change is repaired under the write lock (a live
// writer's change is waited for); nothing for a table that is whole or cannot be written.
void RepairTableOnOpen(MappedFile* table);

// Marks a change of entries for readers for its scope: the count turns odd, and even again at the end.
// Nested marks on one record are one change. The writer holds the table's write lock throughout.
class TableChange {
 public:
  explicit TableChange(MappedFile* table);
  ~TableChange();
  TableChange(const TableChange&) = delete;
  TableChange& operator=(const TableChange&) = delete;

 private:
  MappedFile* table_;
};

// For writers that move entries themselves (import, removal, compaction), each under the write lock.
// RepairTableIfInterrupted finishes or undoes what a writer that died mid-change left (the writes above do
// it first themselves): a pending offset table is put in place, duplicates side by side go, the order and
// the prefix index are restored.
void RepairTableIfInterrupted(MappedFile* table);
// The end of the room that a new offset table of `entries` entries needs beside `listed` ones; no listed
// record may lie below it when the table is replaced.
std::uint64_t TableRoomFor(std::uint32_t listed, std::uint32_t entries);
// Moves the records that lie below room_end to the end of the file (copied first, each entry then pointed
// at its copy with one store) and grows the file by tail_bytes more. Returns where the tail begins, 0 when
// the file cannot grow (nothing listed has changed then).
std::uint32_t MakeTableRoom(MappedFile* table, std::uint64_t room_end, std::uint32_t tail_bytes);
// Sorts record offsets of the table into table order (comparator on the code, then text, then offset).
void SortTableEntryList(const MappedFile* table, std::vector<std::uint32_t>& offsets,
                        KeyComparator comparator = CompareCodes);
// Replaces the whole offset table, the record count and the lowest record offset: the new entries are
// written into the free gap first and made pending with one store, then put in place, and the prefix index
// of an indexed table is built again. A writer killed at any instant leaves the old table or a pending new
// one that the next writer or opener puts in place. False, with nothing changed, when the gap cannot hold
// the new entries (see TableRoomFor) or a listed record lies below the lowest offset given.
bool ReplaceTableEntries(MappedFile* table, const std::vector<std::uint32_t>& entries, std::uint32_t lowest);
// Whether main.dmg's builder marked it as offering the update check (the help menu's item).
bool TableOffersUpdateCheck(const MappedFile* table);

// Word look-up for tables keyed by a word (association, index and conversion tables).
// The key form: the word as UTF-8, zero-terminated, at most 250 bytes. Returns its length, or -1 for a
// high surrogate without its low half; out holds kTableStringBufferBytes.
int WideToUtf8Key(const char16_t* word, std::uint8_t* out);
// 1-based position of a record whose key (the zero-terminated string at record + 5) equals the key
// form; 0 when none does.
int FindRecordByKey(const MappedFile* table, const std::uint8_t* key);
// Every record whose key equals the word's key form, as record offsets in increasing order. Returns the
// count; with 0 no list is made and *out stays null.
int FindAllRecordsByKey(const MappedFile* table, const char16_t* word, IntArray** out);
inline int FindAllRecordsByWord(const char16_t* word, const MappedFile* table, IntArray** out) {
  return FindAllRecordsByKey(table, word, out);
}

}  // namespace lz
