#include "config/tables/table_records.h"

#include <algorithm>
#include <cstring>

#include "textservice/engine/code_table.h"

namespace lz::config {

using namespace code_table;

int RemoveTableRecords(MappedFile* table, std::vector<std::int32_t> positions) {
  if (!table || positions.empty()) return 0;
  std::sort(positions.begin(), positions.end());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  ScopedFileWrite write(table);
  if (!write.ok()) return 0;
  RepairTableIfInterrupted(table);
  const std::uint32_t count = RecordCount(table);
  if (positions.back() >= static_cast<std::int32_t>(count) || positions.front() < 0) return 0;
  const auto remaining = static_cast<std::uint32_t>(count - positions.size());
  const std::uint64_t room_end = TableRoomFor(count, remaining);
  std::uint32_t lowest = 0;
  ByteView{table->view, static_cast<std::uint32_t>(table->size)}.ReadU32(kLowestRecordOffset, lowest);
  if (lowest < room_end) {
    if (!MakeTableRoom(table, room_end, 0)) return 0;
    ByteView{table->view, static_cast<std::uint32_t>(table->size)}.ReadU32(kLowestRecordOffset, lowest);
  }
  // The remaining entries, still in order, replace the offset table whole; the removed records' bytes
  // stay where they are, listed nowhere, so a writer killed on the way never loses a record it keeps.
  std::vector<std::uint32_t> entries;
  entries.reserve(remaining);
  std::size_t next = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (next < positions.size() && static_cast<std::uint32_t>(positions[next]) == i) {
      ++next;
      continue;
    }
    std::uint32_t offset = 0;
    if (!RecordOffsetAt(table, static_cast<std::int32_t>(i), offset)) return 0;
    entries.push_back(offset);
  }
  if (!ReplaceTableEntries(table, entries, lowest)) return 0;
  FlushMappedFile(table);
  return static_cast<int>(positions.size());
}

}  // namespace lz::config
