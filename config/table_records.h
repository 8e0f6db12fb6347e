#pragma once
// Records removed from a main table by their place in the sorted offset table: the record's bytes are cut
// out and the records below it move up, so the free gap grows by what was removed.
#include <cstdint>
#include <vector>

#include "textservice/engine/mapped_file.h"

namespace lz::config {

// Removes the records at the given positions (any order; a position listed twice counts once), each under
// the table's writer lock, highest position first so every removal hits the record that was selected.
// The prefix index is rebuilt once at the end. Returns the records removed; 0 for a heap copy, a table
// that cannot be written or positions outside the table (nothing is then changed).
int RemoveTableRecords(MappedFile* table, std::vector<std::int32_t> positions);

}  // namespace lz::config
