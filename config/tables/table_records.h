#pragma once
// Records removed from a main table by their place in the sorted offset table: their entries leave the
// offset table, which is replaced whole, and their bytes stay behind listed nowhere (a compaction of the
// table reclaims them), so no other record ever moves.
#include <cstdint>
#include <vector>

#include "textservice/engine/mapped_file.h"

namespace lz::config {

// Removes the records at the given positions (any order; a position listed twice counts once) in one
// change under the table's writer lock; the prefix index is rebuilt with the new offset table. Returns the records removed; 0 for a heap copy, a table
// that cannot be written or positions outside the table (nothing is then changed).
int RemoveTableRecords(MappedFile* table, std::vector<std::int32_t> positions);

}  // namespace lz::config
