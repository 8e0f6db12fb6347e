#pragma once
// The code-table file: a fixed header, the record-offset table sorted by code, and records packed
// downwards from the end of the file. Every table of the input method (main, temporary, English,
// association, single-character index, conversion and dictionary tables) has this layout.
#include <cstdint>

#include "textservice/engine/byte_view.h"

namespace lz {
namespace code_table {

// Header fields (byte offsets from the start of the file).
constexpr std::uint32_t kLowestRecordOffset = 0;   // uint32: lowest placed record (file size when empty)
constexpr std::uint32_t kRecordCount = 4;          // uint32
constexpr std::uint32_t kOrderCounters = 8;        // 256 x uint32, one per first code byte
constexpr std::uint32_t kOrderCounterCount = 256;
constexpr std::uint32_t kTableType = 1032;         // uint32
constexpr std::uint32_t kIdentifier = 1036;        // 16 bytes: the input method's class identifier
constexpr std::uint32_t kIdentifierSize = 16;
constexpr std::uint32_t kFormatNumber = 1052;      // uint16
constexpr std::uint32_t kTableName = 1054;         // 32 bytes UTF-8, zero-padded
constexpr std::uint32_t kTableNameSize = 32;
constexpr std::uint32_t kMarkY = 1086;             // uint8 'Y'
constexpr std::uint32_t kMarkN = 1087;             // uint8 'N'
constexpr std::uint32_t kReserved = 1088;          // 92 bytes, kept as they are
constexpr std::uint32_t kTableOptions = kReserved; // uint8: builders write 0; bits below
constexpr std::uint8_t kOffersUpdateCheck = 0x1;   // main.dmg: the help menu offers the update check
// uint32, builders write 0: counts the changes that move entries or change which records are pinned, so
// that a process keeping what it learnt of the table (where its pinned records are) knows when another
// process has made that stale.
// It is also the readers' sequence lock: a writer makes it odd before it moves entries and even again
// once the table is whole and in order, so a reader that saw it odd, or saw it move while it read, reads
// again. A count left odd under a free lock means a writer died mid-change.
constexpr std::uint32_t kEntryChanges = kReserved + 4;
// A whole new offset table waiting to be put in place (uint32 file offset of its entries, 0 for none),
// its entry count and the lowest record offset that goes with it. A writer writes the new entries into
// free space first and sets the offset last; a writer that dies while putting them in place leaves the
// offset set, and the next writer puts them in place again.
constexpr std::uint32_t kPendingEntries = kReserved + 8;
constexpr std::uint32_t kPendingCount = kReserved + 12;
constexpr std::uint32_t kPendingLowest = kReserved + 16;
constexpr std::uint32_t kReservedSize = 92;
constexpr std::uint32_t kPrefixIndex = 1180;       // 257 x 256 x uint32
constexpr std::uint32_t kPrefixRows = 257;
constexpr std::uint32_t kPrefixColumns = 256;
constexpr std::uint32_t kHeaderSize = kPrefixIndex + 4 * kPrefixRows * kPrefixColumns;
constexpr std::uint32_t kOffsetTable = kHeaderSize;  // record count x uint32, sorted by code then text
static_assert(kHeaderSize == 264348);

constexpr std::uint16_t kFormat = 773;
constexpr std::uint8_t kMarkYValue = 'Y';
constexpr std::uint8_t kMarkNValue = 'N';

// Table types.
constexpr std::uint32_t kTypePlain = 0;         // searched without the prefix index
constexpr std::uint32_t kTypeIndexed = 1;       // the prefix index is valid
constexpr std::uint32_t kTypeAssociation = 5;   // in the low 4 bits: records have no code
constexpr std::uint32_t kTypeLowBitsMask = 0xF;
// Set beside the type while a writer moves offset entries: readers then search without the prefix index,
// and a writer that finds it set knows the last one died mid-change and puts the table back in order.
constexpr std::uint32_t kTypeBeingChanged = 0x80000000u;

// Record fields (byte offsets from the record's start).
constexpr std::uint32_t kRecordFlags = 0;       // uint32
constexpr std::uint32_t kRecordCodeLength = 4;  // uint8, then the code bytes
constexpr std::uint32_t kRecordFixedBytes = 6;  // flags and both length bytes
constexpr std::uint32_t kAssociationTextLength = 4;  // association records: uint8 text length, then text
constexpr std::uint32_t kMaxStringBytes = 250;

// Record flag bits.
constexpr std::uint32_t kFlagDeleted = 1u << 0;
constexpr std::uint32_t kFlagPinned = 1u << 1;
constexpr std::uint32_t kClassShift = 2;
constexpr std::uint32_t kClassMask = 0x3F;
constexpr std::uint32_t kFlagListedLikePinned = 1u << 8;
constexpr std::uint32_t kOrderShift = 11;
constexpr std::uint32_t kMaxOrderValue = (1u << 21) - 1;

// Record classes (flag bits 2-7).
constexpr std::uint32_t kClassSystem = 1;
constexpr std::uint32_t kClassUser = 2;
constexpr std::uint32_t kClassSecondary = 3;
constexpr std::uint32_t kClassAuxiliary = 4;
constexpr std::uint32_t kClassFirstCategory = 16;
constexpr std::uint32_t kClassLastCategory = 31;

// The temporary-word table's fixed slots.
constexpr std::uint32_t kTempSlotCount = 512;
constexpr std::uint32_t kTempSlotBase = 266400;
constexpr std::uint32_t kTempSlotSize = 260;
constexpr std::uint32_t kTempMaxRecordBytes = 250;
constexpr std::uint32_t kTempFileSize = kTempSlotBase + kTempSlotCount * kTempSlotSize;

constexpr std::uint32_t PrefixIndexOffset(std::uint32_t c1, std::uint32_t c2) {
  return kPrefixIndex + 4 * (kPrefixColumns * c1 + c2);
}
constexpr std::uint32_t RecordClass(std::uint32_t flags) { return (flags >> kClassShift) & kClassMask; }
constexpr std::uint32_t OrderValue(std::uint32_t flags) { return flags >> kOrderShift; }
constexpr bool IsAssociationType(std::uint32_t type) { return (type & kTypeLowBitsMask) == kTypeAssociation; }

}  // namespace code_table

// The header's values, read through the accessors (no struct is laid over the bytes).
struct CodeTableHeader {
  std::uint32_t lowest_record_offset = 0;
  std::uint32_t record_count = 0;
  std::uint32_t table_type = 0;
  std::uint8_t identifier[code_table::kIdentifierSize] = {};
  std::uint16_t format_number = 0;
  char table_name[code_table::kTableNameSize + 1] = {};
};

// One record, as pointers into the view. Association records have no code (code_length 0, code null).
struct CodeTableRecord {
  std::uint32_t offset = 0;
  std::uint32_t flags = 0;
  const std::uint8_t* code = nullptr;
  std::uint8_t code_length = 0;
  const std::uint8_t* text = nullptr;
  std::uint8_t text_length = 0;
  std::uint32_t extent = 0;  // bytes the record occupies
};

// False when the view is too small for a header.
bool ReadCodeTableHeader(ByteView view, CodeTableHeader& out);

// The record offset at a position of the offset table; false when the position lies outside it.
bool ReadRecordOffset(ByteView view, std::uint32_t position, std::uint32_t& out);

// Reads the record at a file offset; false unless the whole record lies inside the view and its lengths
// are within their limits.
bool ReadCodeTableRecord(ByteView view, std::uint32_t offset, bool association, CodeTableRecord& out);

// The record's code as zero-terminated UTF-16, code-key bytes below 0x20 read as full-width keys; out
// holds kCodeBufferUnits units. Returns the units written (0 for an association record).
int RecordCode(const CodeTableRecord& record, char16_t* out);

// The record's word as zero-terminated UTF-16; out holds kDecodedBufferUnits units. Returns the units.
int RecordText(const CodeTableRecord& record, char16_t* out);

// A record of the dictionary table dict.dms: flags whose order value is the key length plus the
// explanation length, the key length (counting the key's terminating zero), the key, then the explanation
// with no length byte of its own, so an explanation may run past 255 bytes.
struct DictionaryRecord {
  std::uint32_t offset = 0;
  std::uint32_t flags = 0;
  const std::uint8_t* key = nullptr;  // zero-terminated UTF-8
  std::uint8_t key_length = 0;        // with the terminator
  const std::uint8_t* explanation = nullptr;  // UTF-8, not terminated
  std::uint32_t explanation_length = 0;
  std::uint32_t extent = 0;
};

// Reads the dictionary record at a file offset; false unless the whole record lies inside the view, the
// key ends with its zero and the order value covers the key.
bool ReadDictionaryRecord(ByteView view, std::uint32_t offset, DictionaryRecord& out);

enum class TableCheck {
  kValid,
  kTooSmall,            // shorter than the header
  kWrongFormat,         // format number other than 773 (when asked for)
  kCountPastEnd,        // the offset table runs past the end of the file
  kLowestOffsetOutside, // lowest record offset not between the offset table and the end of the file
  kRecordOutside,       // a record offset or a record's extent outside the file, or a length beyond its limit
  kPrefixIndexOutside,  // a prefix index entry beyond the record count
  kRecordBelowLowest,   // a record below the lowest record offset, where the next append would write
  kCodeWithEndMarker,   // a code holding byte 0xFF, the searches' end marker
  kOutOfOrder,          // the offset table is not sorted by code, then text
};

struct TableCheckOptions {
  bool require_format = true;
  bool dictionary_layout = false;  // the records are dict.dms records
  // The order of the offset table (a wrong order loses records from look-ups but reads nothing outside
  // the file).
  bool check_order = true;
};

// Checks everything a reader will follow: the header, the offset table, every listed record and, for an
// indexed table, the prefix index; also that no record lies where an append would write, that no code
// holds the searches' end marker and that the offset table is in order. A table that fails is refused,
// never read.
TableCheck ValidateCodeTable(ByteView view, TableCheckOptions options = {});

// What opening a table checks, at a cost that does not grow with the table: the header, the offset
// table's extent, the lowest record offset and, for an indexed table, the prefix index. Records are
// checked where they are read, and one that fails reads as absent; ValidateCodeTable keeps the full check
// for the table tools.
TableCheck CheckCodeTableOnOpen(ByteView view, TableCheckOptions options = {});

// The record at a file offset of a table, held to what the full check asks of every record: as
// ReadCodeTableRecord, never inside the header or the offset table (where a write through the record
// would damage the table), never below the lowest record offset outside temp.dmg's slots (where the next
// append writes), and with no end marker in its code. A record that fails reads as absent.
bool ReadTableRecord(ByteView view, std::uint32_t offset, bool association, CodeTableRecord& out);

// The search's end marker, which no code may hold.
constexpr std::uint8_t kCodeEndMarker = 0xFF;

}  // namespace lz
