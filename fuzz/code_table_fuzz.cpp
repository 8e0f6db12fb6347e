// Any bytes as a code table: validation must never read outside them, and a table it accepts must read
// back record by record inside the view. A table that passes only the check made when a data folder is
// opened is searched too: its damaged records must read as absent, never outside the view.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/dictionary_table.h"
#include "textservice/engine/text_encoding.h"

namespace {

// Real tables start with a 264348-byte header; the input is placed after a mostly-zero header so the
// fuzzer spends its effort on the fields, the offset table and the records.
std::vector<std::uint8_t> TableFrom(const std::uint8_t* data, std::size_t size) {
  using namespace lz::code_table;
  constexpr std::size_t kHeadFields = 16;  // lowest offset, count, type, format number
  std::vector<std::uint8_t> bytes(kHeaderSize + (size > kHeadFields ? size - kHeadFields : 0), 0);
  lz::ByteView view{bytes.data(), static_cast<std::uint32_t>(bytes.size())};
  std::uint32_t fields[4] = {};
  std::memcpy(fields, data, size < kHeadFields ? size : kHeadFields);
  view.WriteU32(kLowestRecordOffset, fields[0]);
  view.WriteU32(kRecordCount, fields[1] & 0xFFFF);
  view.WriteU32(kTableType, fields[2] & 0x3F);
  view.WriteU16(kFormatNumber, (fields[3] & 1) ? kFormat : static_cast<std::uint16_t>(fields[3]));
  if (size > kHeadFields) std::memcpy(bytes.data() + kHeaderSize, data + kHeadFields, size - kHeadFields);
  return bytes;
}

// The same bytes as dict.dms opened as the data folder opens it (only the cheap check): the explanation
// reader follows every listed record and the word look-up without reading outside the view, whatever
// the records' lengths say.
void FuzzDictionaryExplanations(std::vector<std::uint8_t>& bytes) {
  lz::ByteView view{bytes.data(), static_cast<std::uint32_t>(bytes.size())};
  if (lz::CheckCodeTableOnOpen(view, {.require_format = false, .dictionary_layout = true}) != lz::TableCheck::kValid) {
    return;
  }
  lz::CodeTableHeader header;
  lz::ReadCodeTableHeader(view, header);
  std::u16string text;
  for (std::uint32_t i = 0; i < header.record_count; ++i) {
    std::uint32_t offset = 0;
    if (lz::ReadRecordOffset(view, i, offset)) lz::ReadDictionaryExplanation(view, offset, lz::kExplanationUnits, text);
  }
  lz::MappedFile table{};
  table.view = bytes.data();
  table.size = static_cast<std::int32_t>(bytes.size());
  lz::FindDictionaryExplanation(&table, u"\u4E2D", lz::kFallbackExplanationUnits, text);
}

// The same bytes as dict.dms, whose explanations carry no length byte: what validation accepts reads back
// inside the view and is found by word.
void FuzzDictionaryLayout(std::vector<std::uint8_t>& bytes) {
  lz::ByteView view{bytes.data(), static_cast<std::uint32_t>(bytes.size())};
  if (lz::ValidateCodeTable(view, {.require_format = false, .dictionary_layout = true}) != lz::TableCheck::kValid) return;
  lz::CodeTableHeader header;
  lz::ReadCodeTableHeader(view, header);
  for (std::uint32_t i = 0; i < header.record_count; ++i) {
    std::uint32_t offset = 0;
    lz::DictionaryRecord record;
    if (!lz::ReadRecordOffset(view, i, offset) || !lz::ReadDictionaryRecord(view, offset, record)) __builtin_trap();
  }
  lz::MappedFile table{};
  table.view = bytes.data();
  table.size = static_cast<std::int32_t>(bytes.size());
  lz::IntArray* list = nullptr;
  lz::FindAllRecordsByKey(&table, u"\u4E2D", &list);
  for (std::int32_t i = 0; list && i < list->length; ++i) {
    lz::DictionaryRecord record;
    if (!lz::ReadDictionaryRecord(view, static_cast<std::uint32_t>(list->items[i]), record)) __builtin_trap();
  }
  lz::IntArrayFree(list);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes = TableFrom(data, size);
  FuzzDictionaryExplanations(bytes);
  FuzzDictionaryLayout(bytes);
  lz::ByteView view{bytes.data(), static_cast<std::uint32_t>(bytes.size())};
  if (lz::CheckCodeTableOnOpen(view, {.require_format = false}) != lz::TableCheck::kValid) return 0;
  const bool valid = lz::ValidateCodeTable(view, {.require_format = false}) == lz::TableCheck::kValid;
  lz::CodeTableHeader header;
  if (!lz::ReadCodeTableHeader(view, header)) __builtin_trap();
  const bool association = lz::code_table::IsAssociationType(header.table_type);
  for (std::uint32_t i = 0; valid && i < header.record_count; ++i) {
    std::uint32_t offset = 0;
    lz::CodeTableRecord record;
    if (!lz::ReadRecordOffset(view, i, offset) || !lz::ReadCodeTableRecord(view, offset, association, record)) {
      __builtin_trap();  // validation accepted a table whose records do not read
    }
    char16_t code[lz::kCodeBufferUnits];
    char16_t text[lz::kDecodedBufferUnits];
    lz::RecordCode(record, code);
    lz::RecordText(record, text);
  }

  // Searches over the accepted table stay inside it, with and without its prefix index.
  lz::MappedFile table{};
  table.view = bytes.data();
  table.size = static_cast<std::int32_t>(bytes.size());
  const std::uint8_t keys[][4] = {{1, 'a'}, {2, 'a', 'b'}, {3, 0xE4, 0xB8, 0xAD}, {0}, {1, 0xFE}};
  for (const auto& key : keys) {
    lz::TableRange range;
    lz::FindCodeRange(&table, range, key);
    lz::FindPrefixRange(&table, range, key);
    lz::FindLeadingRange(&table, 1, range, key);
    for (std::int32_t i = range.first; i < range.end; ++i) {
      lz::CodeTableRecord found;
      if (!lz::RecordAt(&table, i, found) && valid) __builtin_trap();  // a range past the records
    }
  }
  lz::IntArray* list = nullptr;
  lz::FindAllRecordsByKey(&table, u"\u4E2D", &list);
  lz::IntArrayFree(list);
  return 0;
}
