#pragma once
// The record table's decisions apart from its window: where the jumps land, how header clicks sort,
// how a cell shows and how an edited cell reads back.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/records/record_store.h"

namespace tracker {

enum class Jump { kBeginning, kQuarter, kMiddle, kThreeQuarter, kEnd };

// The 0-based row a jump moves to among count rows; nullopt when it does not move (Middle needs more
// than 2 rows, Quarter and Three Quarter more than 3, Beginning and End at least one).
std::optional<std::int64_t> JumpTarget(Jump jump, std::int64_t count);

// One direction flag for every column: a click sorts ascending unless the last click did, then
// descending.
struct HeaderSort {
  bool last_ascending = false;
  records::Sort Click(records::Column column);
};

// The grid's text of a cell: times H:MM:SS, the date as stored, the weekday as its number.
std::u16string CellText(const records::StoredRecord& row, records::Column column);

// An edited cell read in the grid's own form; nullopt when it does not read (the edit is refused).
std::optional<records::Value> ReadCellEdit(records::Column column, std::u16string_view text);

}  // namespace tracker
