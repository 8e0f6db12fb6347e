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

}  // namespace

bool BuildTable(std::vector<TableBuildRecord> records, const TableBuildOptions& options, std::vector<std::uint8_t>& out) {
  out.clear();
  const bool association = IsAssociationType(options.type);
  std::uint64_t record_bytes = 0;
  for (const TableBuildRecord& r : records) {
    if (r.code.size() > kMaxStringBytes || r.text.empty() || r.text.size() > kMaxStringBytes) return false;
    record_bytes += (association ? 5 : kRecordFixedBytes) + (association ? 0 : r.code.size()) + r.text.size();
  }
  // std::string orders by unsigned bytes, shorter first on a tie: the table's own order.
  std::stable_sort(records.begin(), records.end(), [](const TableBuildRecord& a, const TableBuildRecord& b) {
    return a.code != b.code ? a.code < b.code : a.text < b.text;
  });
  const std::uint64_t lowest = kOffsetTable + 4ull * records.size() + options.free_gap;
  if (lowest + record_bytes > 0x7FFFFFFF) return false;
  out.assign(static_cast<std::size_t>(lowest + record_bytes), 0);
  const ByteView view{out.data(), static_cast<std::uint32_t>(out.size())};

  WriteBuiltHeader(view, static_cast<std::uint32_t>(lowest), static_cast<std::uint32_t>(records.size()), options);

  // Records go from the lowest offset up in sorted order; the offset table lists them the same way.
  auto at = static_cast<std::uint32_t>(lowest);
  for (std::uint32_t i = 0; i < records.size(); ++i) {
    const TableBuildRecord& r = records[i];
    view.WriteU32(kOffsetTable + 4 * i, at);
    view.WriteU32(at, r.flags);
    at += 4;
    if (!association) {
      view.WriteU8(at++, static_cast<std::uint8_t>(r.code.size()));
      std::memcpy(out.data() + at, r.code.data(), r.code.size());
      at += static_cast<std::uint32_t>(r.code.size());
    }
    view.WriteU8(at++, static_cast<std::uint8_t>(r.text.size()));
    std::memcpy(out.data() + at, r.text.data(), r.text.size());
    at += static_cast<std::uint32_t>(r.text.size());
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
  const std::uint64_t lowest = kOffsetTable + 4ull * records.size() + options.free_gap;
  if (lowest + record_bytes > 0x7FFFFFFF) return false;
  out.assign(static_cast<std::size_t>(lowest + record_bytes), 0);
  const ByteView view{out.data(), static_cast<std::uint32_t>(out.size())};
  WriteBuiltHeader(view, static_cast<std::uint32_t>(lowest), static_cast<std::uint32_t>(records.size()), options);
  auto at = static_cast<std::uint32_t>(lowest);
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
  std::stable_sort(records.begin(), records.end(), [](const TableBuildRecord& a, const TableBuildRecord& b) {
    return a.code != b.code ? a.code < b.code : a.text < b.text;
  });
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
    std::uint32_t at = kTempSlotBase + slot * kTempSlotSize;
    view.WriteU32(kOffsetTable + 4 * slot, at);
    if (slot >= count) continue;
    const TableBuildRecord& r = records[slot];
    view.WriteU32(at, r.flags);
    at += 4;
    view.WriteU8(at++, static_cast<std::uint8_t>(r.code.size()));
    std::memcpy(out.data() + at, r.code.data(), r.code.size());
    at += static_cast<std::uint32_t>(r.code.size());
    view.WriteU8(at++, static_cast<std::uint8_t>(r.text.size()));
    std::memcpy(out.data() + at, r.text.data(), r.text.size());
  }
  return true;
}

}  // namespace lz
