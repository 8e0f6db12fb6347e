#include "config/table_records.h"

#include <algorithm>
#include <cstring>

#include "textservice/engine/code_table.h"

namespace lz::config {
namespace {

using namespace code_table;

// Cuts one record out: the bytes below it move up by its size, the entries that pointed below it follow,
// its entry leaves the offset table.
bool RemoveOne(ByteView view, std::uint32_t count, std::uint32_t lowest, std::int32_t position, bool association) {
  std::uint32_t offset = 0;
  if (!view.ReadU32(kOffsetTable + 4ull * static_cast<std::uint32_t>(position), offset) || offset < lowest) return false;
  CodeTableRecord record;
  if (!ReadCodeTableRecord(view, offset, association, record)) return false;
  const std::uint32_t size = record.extent;
  std::memmove(view.data + lowest + size, view.data + lowest, offset - lowest);
  std::uint8_t* entries = view.data + kOffsetTable;
  const auto place = static_cast<std::size_t>(position);
  std::memmove(entries + 4 * place, entries + 4 * (place + 1), 4 * (static_cast<std::size_t>(count) - 1 - place));
  for (std::uint32_t i = 0; i + 1 < count; ++i) {
    std::uint32_t at = 0;
    view.ReadU32(kOffsetTable + 4ull * i, at);
    if (at < offset) view.WriteU32(kOffsetTable + 4ull * i, at + size);
  }
  view.WriteU32(kOffsetTable + 4ull * (count - 1), 0);
  view.WriteU32(kRecordCount, count - 1);
  view.WriteU32(kLowestRecordOffset, lowest + size);
  return true;
}

}  // namespace

int RemoveTableRecords(MappedFile* table, std::vector<std::int32_t> positions) {
  if (!table || positions.empty()) return 0;
  std::sort(positions.begin(), positions.end(), std::greater<>());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  ScopedFileWrite write(table);
  if (!write.ok()) return 0;
  if (positions.front() >= static_cast<std::int32_t>(RecordCount(table)) || positions.back() < 0) return 0;
  int removed = 0;
  for (std::int32_t position : positions) {
    const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
    std::uint32_t count = 0, lowest = 0, type = 0;
    if (!view.ReadU32(kRecordCount, count) || !view.ReadU32(kLowestRecordOffset, lowest) ||
        !view.ReadU32(kTableType, type)) {
      break;
    }
    // Other processes search without the prefix index while records move.
    view.WriteU32(kTableType, type | kTypeBeingChanged);
    if (RemoveOne(view, count, lowest, position, IsAssociationType(type))) ++removed;
    view.WriteU32(kTableType, type);
  }
  if (removed > 0) {
    BuildPrefixIndex(table);
    FlushMappedFile(table);
  }
  return removed;
}

}  // namespace lz::config
