#pragma once
// What the record table window shows and does, apart from the window: the current query (the whole
// table or a search's conditions) with the header sort, the IDs of its rows in grid order (the grid is
// an owner-data list that asks for rows by index), and the commands on them. Every command that
// changes rows refreshes the IDs.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/records/record_store.h"
#include "tracker/records/record_table.h"

namespace tracker {

// The grid's columns, in order: the store's seven columns as the grid shows them.
constexpr records::Column kGridColumns[records::kColumnCount] = {
    records::Column::kRecordDate, records::Column::kWeekday, records::Column::kStart, records::Column::kStop,
    records::Column::kContent,    records::Column::kPass,    records::Column::kRemark};
// The grid's header captions, in the same order.
std::u16string_view GridCaption(int column_index);

enum class EditOutcome { kWritten, kRefused, kFailed };

class RecordTableModel {
 public:
  explicit RecordTableModel(records::RecordStore& store) : store_(store) {}

  // The Record Table command: the whole table, no sort.
  bool ShowAll();
  // A search: its conditions; a header click then sorts the found rows.
  bool ShowQuery(records::RecordQuery query);
  // A click on a header (0-based grid column): ascending, then descending on the next click of any header.
  bool HeaderClick(int column_index);
  bool Refresh();

  std::int64_t RowCount() const { return static_cast<std::int64_t>(ids_.size()); }
  std::optional<std::int64_t> IdAt(std::int64_t index) const;
  // The text of a cell, read from the store (one row is kept, so a row's seven cells read it once).
  std::u16string CellText(std::int64_t index, int column_index);

  // Deletes the rows at these grid indexes (the selected rows).
  bool DeleteRows(std::span<const std::int64_t> indexes);
  // Deletes every row of the current query (the window asks first).
  bool DeleteAll();
  // Writes an edited cell back to its row by ID; an edit that does not read in the grid's form is
  // refused and nothing is written.
  EditOutcome EditCell(std::int64_t index, int column_index, std::u16string_view text);

  const records::RecordQuery& Query() const { return query_; }
  // The totals of the shown rows, read with them by the last refresh.
  const records::PassTotals& Totals() const { return totals_; }
  const std::u16string& LastError() const { return store_.LastError(); }

 private:
  records::RecordStore& store_;
  records::RecordQuery query_;
  HeaderSort sort_;
  std::vector<std::int64_t> ids_;
  records::PassTotals totals_;
  std::optional<records::StoredRecord> cached_;
};

}  // namespace tracker
