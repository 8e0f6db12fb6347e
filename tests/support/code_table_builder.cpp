#include "tests/support/code_table_builder.h"

#include <algorithm>
#include <cstring>

#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"

namespace lz::test {

using namespace code_table;

std::vector<std::uint8_t> BuildCodeTable(std::vector<TableRecord> records, const TableOptions& options) {
  const bool association = IsAssociationType(options.type);
  std::stable_sort(records.begin(), records.end(), [](const TableRecord& a, const TableRecord& b) {
    return a.code != b.code ? a.code < b.code : a.text < b.text;  // std::string compares bytes unsigned
  });
  std::uint32_t record_bytes = 0;
  for (const TableRecord& r : records) {
    record_bytes += static_cast<std::uint32_t>((association ? 5 : 6) + r.code.size() + r.text.size());
  }
  const auto count = static_cast<std::uint32_t>(records.size());
  const std::uint32_t lowest = kOffsetTable + 4 * count + options.free_gap;
  std::vector<std::uint8_t> file(lowest + record_bytes, 0);
  ByteView view{file.data(), static_cast<std::uint32_t>(file.size())};

  view.WriteU32(kLowestRecordOffset, lowest);
  view.WriteU32(kRecordCount, count);
  view.WriteU32(kTableType, options.type);
  std::memcpy(file.data() + kIdentifier, options.identifier, kIdentifierSize);
  view.WriteU16(kFormatNumber, options.format);
  std::memcpy(file.data() + kTableName, options.name.data(), std::min<std::size_t>(options.name.size(), kTableNameSize));
  view.WriteU8(kMarkY, kMarkYValue);
  view.WriteU8(kMarkN, kMarkNValue);

  // Records go from the lowest offset up in sorted order; the offset table lists them the same way.
  std::uint32_t at = lowest;
  for (std::uint32_t i = 0; i < count; ++i) {
    const TableRecord& r = records[i];
    view.WriteU32(kOffsetTable + 4 * i, at);
    view.WriteU32(at, r.flags);
    at += 4;
    if (!association) {
      view.WriteU8(at++, static_cast<std::uint8_t>(r.code.size()));
      std::memcpy(file.data() + at, r.code.data(), r.code.size());
      at += static_cast<std::uint32_t>(r.code.size());
    }
    view.WriteU8(at++, static_cast<std::uint8_t>(r.text.size()));
    std::memcpy(file.data() + at, r.text.data(), r.text.size());
    at += static_cast<std::uint32_t>(r.text.size());
  }
  if (options.type == kTypeIndexed) BuildPrefixIndexInView(view);
  return file;
}

}  // namespace lz::test
