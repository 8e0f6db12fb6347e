#include "textservice/engine/code_table_format.h"

#include <cstring>

#include "textservice/engine/text_encoding.h"

namespace lz {

using namespace code_table;

bool ReadCodeTableHeader(ByteView view, CodeTableHeader& out) {
  out = CodeTableHeader{};
  if (!view.Holds(0, kHeaderSize)) return false;
  view.ReadU32(kLowestRecordOffset, out.lowest_record_offset);
  view.ReadU32(kRecordCount, out.record_count);
  view.ReadU32(kTableType, out.table_type);
  std::memcpy(out.identifier, view.data + kIdentifier, kIdentifierSize);
  view.ReadU16(kFormatNumber, out.format_number);
  std::memcpy(out.table_name, view.data + kTableName, kTableNameSize);
  return true;
}

bool ReadRecordOffset(ByteView view, std::uint32_t position, std::uint32_t& out) {
  return view.ReadU32(static_cast<std::uint64_t>(kOffsetTable) + 4ull * position, out);
}

bool ReadCodeTableRecord(ByteView view, std::uint32_t offset, bool association, CodeTableRecord& out) {
  out = CodeTableRecord{};
  out.offset = offset;
  if (!view.ReadU32(offset + std::uint64_t{kRecordFlags}, out.flags)) return false;
  std::uint64_t at = offset + std::uint64_t{kRecordCodeLength};
  if (!association) {
    if (!view.ReadU8(at, out.code_length) || out.code_length > kMaxStringBytes) return false;
    ++at;
    if (!view.Holds(at, out.code_length)) return false;
    out.code = view.data + at;
    at += out.code_length;
  }
  if (!view.ReadU8(at, out.text_length) || out.text_length == 0 || out.text_length > kMaxStringBytes) {
    return false;
  }
  ++at;
  if (!view.Holds(at, out.text_length)) return false;
  out.text = view.data + at;
  out.extent = static_cast<std::uint32_t>(at + out.text_length - offset);
  return true;
}

bool ReadDictionaryRecord(ByteView view, std::uint32_t offset, DictionaryRecord& out) {
  out = DictionaryRecord{};
  out.offset = offset;
  const std::uint64_t key_at = offset + std::uint64_t{kRecordCodeLength} + 1;
  if (!view.ReadU32(offset + std::uint64_t{kRecordFlags}, out.flags) ||
      !view.ReadU8(offset + std::uint64_t{kRecordCodeLength}, out.key_length) || out.key_length == 0 ||
      out.key_length > kMaxStringBytes || !view.Holds(key_at, out.key_length) ||
      view.data[key_at + out.key_length - 1] != 0 || OrderValue(out.flags) < out.key_length) {
    return false;
  }
  out.key = view.data + key_at;
  out.explanation_length = OrderValue(out.flags) - out.key_length;
  if (!view.Holds(key_at + out.key_length, out.explanation_length)) return false;
  out.explanation = out.key + out.key_length;
  out.extent = static_cast<std::uint32_t>(key_at + out.key_length + out.explanation_length - offset);
  return true;
}

int RecordCode(const CodeTableRecord& record, char16_t* out) {
  out[0] = 0;
  if (!record.code) return 0;
  return TableStringToCode(out, record.code - 1);  // the length byte stands just before the code
}

int RecordText(const CodeTableRecord& record, char16_t* out) {
  out[0] = 0;
  if (!record.text) return 0;
  return TableStringToWide(out, kDecodedBufferUnits, record.text - 1);
}

namespace {

int CompareStrings(const std::uint8_t* a, std::size_t na, const std::uint8_t* b, std::size_t nb) {
  const std::size_t common = na < nb ? na : nb;
  const int c = common ? std::memcmp(a, b, common) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  return na < nb ? -1 : (na > nb ? 1 : 0);
}

// The table's order: code, then text (association records have only their text).
int CompareRecordKeys(const CodeTableRecord& a, const CodeTableRecord& b) {
  const int c = CompareStrings(a.code, a.code_length, b.code, b.code_length);
  return c != 0 ? c : CompareStrings(a.text, a.text_length, b.text, b.text_length);
}

bool IsSlotOffset(std::uint32_t offset) {
  return offset >= kTempSlotBase && (offset - kTempSlotBase) % kTempSlotSize == 0 &&
         (offset - kTempSlotBase) / kTempSlotSize < kTempSlotCount;
}

// The header's own checks, shared by the full check and the one made at opening.
TableCheck CheckHeader(ByteView view, TableCheckOptions options, CodeTableHeader& header) {
  if (!ReadCodeTableHeader(view, header)) return TableCheck::kTooSmall;
  if (options.require_format && header.format_number != kFormat) return TableCheck::kWrongFormat;
  const std::uint64_t offsets_end = kOffsetTable + 4ull * header.record_count;
  if (offsets_end > view.size) return TableCheck::kCountPastEnd;
  if (header.lowest_record_offset < offsets_end || header.lowest_record_offset > view.size) {
    return TableCheck::kLowestOffsetOutside;
  }
  return TableCheck::kValid;
}

}  // namespace

TableCheck ValidateCodeTable(ByteView view, TableCheckOptions options) {
  CodeTableHeader header;
  if (const TableCheck check = CheckHeader(view, options, header); check != TableCheck::kValid) return check;
  const std::uint64_t offsets_end = kOffsetTable + 4ull * header.record_count;

  const bool association = IsAssociationType(header.table_type);
  // temp.dmg keeps its records in fixed slots whatever its lowest offset says (clearing it moves that to
  // the end); nothing is ever appended below them.
  const bool fixed_slots = view.size == kTempFileSize;
  CodeTableRecord previous;
  for (std::uint32_t i = 0; i < header.record_count; ++i) {
    std::uint32_t offset = 0;
    ReadRecordOffset(view, i, offset);
    CodeTableRecord record;
    bool readable = false;
    if (options.dictionary_layout) {
      // dict.dms: the key stands in the code's place and orders the table; the explanation has no
      // length byte of its own.
      DictionaryRecord entry;
      readable = ReadDictionaryRecord(view, offset, entry);
      record.offset = offset;
      record.code = entry.key;
      record.code_length = entry.key_length;
      record.text = entry.key;
      record.text_length = 0;
    } else {
      readable = ReadCodeTableRecord(view, offset, association, record);
    }
    if (offset < offsets_end || !readable) return TableCheck::kRecordOutside;
    if (offset < header.lowest_record_offset && !(fixed_slots && IsSlotOffset(offset))) {
      return TableCheck::kRecordBelowLowest;
    }
    if (record.code_length && std::memchr(record.code, kCodeEndMarker, record.code_length)) {
      return TableCheck::kCodeWithEndMarker;
    }
    if (options.check_order && i > 0 && CompareRecordKeys(previous, record) > 0) return TableCheck::kOutOfOrder;
    previous = record;
  }

  if (header.table_type == kTypeIndexed) {
    for (std::uint32_t c1 = 1; c1 < kPrefixRows; ++c1) {
      for (std::uint32_t c2 = 0; c2 < kPrefixColumns; ++c2) {
        std::uint32_t position = 0;
        view.ReadU32(PrefixIndexOffset(c1, c2), position);
        if (position > header.record_count) return TableCheck::kPrefixIndexOutside;
      }
    }
  }
  return TableCheck::kValid;
}

TableCheck CheckCodeTableOnOpen(ByteView view, TableCheckOptions options) {
  CodeTableHeader header;
  if (const TableCheck check = CheckHeader(view, options, header); check != TableCheck::kValid) return check;
  if (header.table_type != kTypeIndexed) return TableCheck::kValid;
  // One pass over the index's rows as a whole: the index has a fixed size, whatever the table holds.
  std::uint32_t highest = 0;
  for (std::uint32_t at = PrefixIndexOffset(1, 0); at < kHeaderSize; at += 4) {
    std::uint32_t position = 0;
    view.ReadU32(at, position);
    highest = position > highest ? position : highest;
  }
  return highest > header.record_count ? TableCheck::kPrefixIndexOutside : TableCheck::kValid;
}

bool ReadTableRecord(ByteView view, std::uint32_t offset, bool association, CodeTableRecord& out) {
  out = CodeTableRecord{};
  std::uint32_t count = 0, lowest = 0;
  if (!view.ReadU32(kRecordCount, count) || !view.ReadU32(kLowestRecordOffset, lowest)) return false;
  if (offset < kOffsetTable + 4ull * count) return false;
  if (offset < lowest && !(view.size == kTempFileSize && IsSlotOffset(offset))) return false;
  if (!ReadCodeTableRecord(view, offset, association, out)) return false;
  if (out.code_length && std::memchr(out.code, kCodeEndMarker, out.code_length)) {
    out = CodeTableRecord{};
    return false;
  }
  return true;
}

}  // namespace lz
