#include "textservice/engine/table_builder.h"

#include <algorithm>
#include <cstring>

#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"

namespace lz {

using namespace code_table;

namespace {

// The header every built table shares.
void WriteBuiltHeader(ByteView view, std::uint32_t lowest, std::uint32_t count, const TableBuildOptions& options) {
  view.WriteU32(kLowestRecordOffset, lowest);
  view.WriteU32(kRecordCount, count);
  view.WriteU32(kTableType, options.type);
  std::memcpy(view.data + kIdentifier, options.identifier, kIdentifierSize);
  view.WriteU16(kFormatNumber, options.format);
  std::memcpy(view.data + kTableName, options.name.data(), std::min<std::size_t>(options.name.size(), kTableNameSize));
  view.WriteU8(kMarkY, kMarkYValue);
  if (options.offers_update_check) view.WriteU8(kTableOptions, kOffersUpdateCheck);
  view.WriteU8(kMarkN, kMarkNValue);
}

// The largest table file the builders make.
constexpr std::uint64_t kMaxBuiltTableBytes = 0x7FFFFFFF;

// Sizes out for the header, an offset table of count records, the free gap and record_bytes of records, and
// writes the header; false when that passes the largest table. lowest receives the first record's offset.
bool StartBuiltTable(std::size_t count, std::uint64_t record_bytes, const TableBuildOptions& options,
                     std::vector<std::uint8_t>& out, std::uint32_t& lowest) {
  const std::uint64_t first = kOffsetTable + 4ull * count + options.free_gap;
  if (first + record_bytes > kMaxBuiltTableBytes) return false;
  out.assign(static_cast<std::size_t>(first + record_bytes), 0);
  lowest = static_cast<std::uint32_t>(first);
  const ByteView view{out.data(), static_cast<std::uint32_t>(out.size())};
  WriteBuiltHeader(view, lowest, static_cast<std::uint32_t>(count), options);
  return true;
}

// std::string orders by unsigned bytes, shorter first on a tie: the table's own order.
void SortByCodeThenText(std::vector<TableBuildRecord>& records) {
  std::stable_sort(records.begin(), records.end(), [](const TableBuildRecord& a, const TableBuildRecord& b) {
    return a.code != b.code ? a.code < b.code : a.text < b.text;
  });
}

// A record in the common layout at `at`: flags, the code's length and bytes (an association table keeps no
// code), the text's length and bytes. Gives the offset after it.
std::uint32_t WriteBuiltRecord(ByteView view, std::uint32_t at, const TableBuildRecord& r, bool with_code) {
  view.WriteU32(at, r.flags);
  at += 4;
  if (with_code) {
    view.WriteU8(at++, static_cast<std::uint8_t>(r.code.size()));
    std::memcpy(view.data + at, r.code.data(), r.code.size());
    at += static_cast<std::uint32_t>(r.code.size());
  }
  view.WriteU8(at++, static_cast<std::uint8_t>(r.text.size()));
  std::memcpy(view.data + at, r.text.data(), r.text.size());
  return at + static_cast<std::uint32_t>(r.text.size());
}

}  // namespace

bool BuildTable(std::vector<TableBuildRecord> records, const TableBuildOptions& options, std::vector<std::uint8_t>& out) {
  out.clear();
  const bool association = IsAssociationType(options.type);
  std::uint64_t record_bytes = 0;
  for (const TableBuildRecord& r : records) {
    if (r.code.size() > kMaxStringBytes || r.text.empty() || r.text.size() > kMaxStringBytes) return false;
    record_bytes += (association ? 5 : kRecordFixedBytes) + (association ? 0 : r.code.size()) + r.text.size();
  }
  if (options.keep_order_within_code) {
    std::stable_sort(records.begin(), records.end(),
                     [](const TableBuildRecord& a, const TableBuildRecord& b) { return a.code < b.code; });
  } else {
    SortByCodeThenText(records);
  }
  std::uint32_t lowest = 0;
  if (!StartBuiltTable(records.size(), record_bytes, options, out, lowest)) return false;
  const ByteView view{out.data(), static_cast<std::uint32_t>(out.size())};

  // Records go from the lowest offset up in placing order; the offset table lists them by code then text.
  std::vector<std::uint32_t> offsets(records.size());
  std::uint32_t at = lowest;
  for (std::size_t i = 0; i < records.size(); ++i) {
    offsets[i] = at;
    at = WriteBuiltRecord(view, at, records[i], !association);
  }
  std::vector<std::uint32_t> listed(records.size());
  for (std::uint32_t i = 0; i < listed.size(); ++i) listed[i] = i;
  if (options.keep_order_within_code) {
    std::stable_sort(listed.begin(), listed.end(), [&](std::uint32_t a, std::uint32_t b) {
      return records[a].code != records[b].code ? records[a].code < records[b].code : records[a].text < records[b].text;
    });
  }
  for (std::uint32_t i = 0; i < listed.size(); ++i) view.WriteU32(kOffsetTable + 4 * i, offsets[listed[i]]);

  if (!association) {
    std::uint32_t counters[kOrderCounterCount] = {};
    for (const TableBuildRecord& r : records) {
      if (r.code.empty()) continue;
      std::uint32_t& counter = counters[static_cast<std::uint8_t>(r.code[0])];
      counter = std::max(counter, OrderValue(r.flags));
    }
    for (std::uint32_t i = 0; i < kOrderCounterCount; ++i) view.WriteU32(kOrderCounters + 4 * i, counters[i]);
  }
  if (options.type == kTypeIndexed) BuildPrefixIndexInView(view);
  return true;
}


bool BuildDictionaryTable(std::vector<DictionaryBuildRecord> records, const TableBuildOptions& options,
                          std::vector<std::uint8_t>& out) {
  out.clear();
  std::uint64_t record_bytes = 0;
  for (const DictionaryBuildRecord& r : records) {
    const std::uint64_t key_length = r.key.size() + 1;
    if (r.key.empty() || r.key.find('\0') != std::string::npos || key_length >= kMaxStringBytes ||
        key_length + r.explanation.size() > kMaxOrderValue) {
      return false;
    }
    record_bytes += 5 + key_length + r.explanation.size();
  }
  std::stable_sort(records.begin(), records.end(),
                   [](const DictionaryBuildRecord& a, const DictionaryBuildRecord& b) { return a.key < b.key; });
  std::uint32_t lowest = 0;
  if (!StartBuiltTable(records.size(), record_bytes, options, out, lowest)) return false;
  const ByteView view{out.data(), static_cast<std::uint32_t>(out.size())};
  std::uint32_t at = lowest;
  for (std::uint32_t i = 0; i < records.size(); ++i) {
    const DictionaryBuildRecord& r = records[i];
    const auto key_length = static_cast<std::uint32_t>(r.key.size() + 1);
    const auto explanation_length = static_cast<std::uint32_t>(r.explanation.size());
    view.WriteU32(kOffsetTable + 4 * i, at);
    view.WriteU32(at, (key_length + explanation_length) << kOrderShift);
    view.WriteU8(at + kRecordCodeLength, static_cast<std::uint8_t>(key_length));
    at += kRecordCodeLength + 1;
    std::memcpy(out.data() + at, r.key.data(), r.key.size());  // the zero after it is already there
    at += key_length;
    std::memcpy(out.data() + at, r.explanation.data(), explanation_length);
    at += explanation_length;
  }
  return true;
}

bool BuildTempTable(std::vector<TableBuildRecord> records, std::vector<std::uint8_t>& out) {
  out.clear();
  if (records.size() > kTempSlotCount) return false;
  for (const TableBuildRecord& r : records) {
    if (r.text.empty() || kRecordFixedBytes + r.code.size() + r.text.size() > kTempMaxRecordBytes) return false;
  }
  SortByCodeThenText(records);
  out.assign(kTempFileSize, 0);
  const ByteView view{out.data(), kTempFileSize};
  const auto count = static_cast<std::uint32_t>(records.size());
  view.WriteU32(kLowestRecordOffset, kTempSlotBase);
  view.WriteU32(kRecordCount, count);
  view.WriteU16(kFormatNumber, kFormat);
  std::memcpy(out.data() + kTableName, "temp", 4);
  view.WriteU8(kMarkY, kMarkYValue);
  view.WriteU8(kMarkN, kMarkNValue);
  for (std::uint32_t slot = 0; slot < kTempSlotCount; ++slot) {
    const std::uint32_t at = kTempSlotBase + slot * kTempSlotSize;
    view.WriteU32(kOffsetTable + 4 * slot, at);
    if (slot < count) WriteBuiltRecord(view, at, records[slot], true);
  }
  return true;
}

}  // namespace lz
