#include "tracker/records/record_table_model.h"

#include <array>

namespace tracker {
namespace {

constexpr std::array<std::u16string_view, records::kColumnCount> kCaptions = {
    u"Record Date", u"Weekday", u"Start", u"Stop", u"Content", u"Pass", u"Remark"};

bool ValidColumn(int column_index) { return column_index >= 0 && column_index < records::kColumnCount; }

}  // namespace

std::u16string_view GridCaption(int column_index) {
  return ValidColumn(column_index) ? kCaptions[static_cast<std::size_t>(column_index)] : std::u16string_view();
}

bool RecordTableModel::ShowAll() { return ShowQuery({}); }

bool RecordTableModel::ShowQuery(records::RecordQuery query) {
  query_ = std::move(query);
  query_.sort.reset();
  return Refresh();
}

bool RecordTableModel::HeaderClick(int column_index) {
  if (!ValidColumn(column_index)) return false;
  query_.sort = sort_.Click(kGridColumns[column_index]);
  return Refresh();
}

bool RecordTableModel::Refresh() {
  cached_.reset();
  auto found = store_.FindRows(query_);
  if (!found) {
    ids_.clear();
    totals_ = {};
    return false;
  }
  ids_ = std::move(found->ids);
  totals_ = found->totals;
  return true;
}

std::optional<std::int64_t> RecordTableModel::IdAt(std::int64_t index) const {
  if (index < 0 || index >= RowCount()) return std::nullopt;
  return ids_[static_cast<std::size_t>(index)];
}

std::u16string RecordTableModel::CellText(std::int64_t index, int column_index) {
  const auto id = IdAt(index);
  if (!id || !ValidColumn(column_index)) return {};
  if (!cached_ || cached_->id != *id) cached_ = store_.Read(*id);
  // A row another copy of the program deleted since shows empty until the next refresh.
  if (!cached_) return {};
  return tracker::CellText(*cached_, kGridColumns[column_index]);
}

bool RecordTableModel::DeleteRows(std::span<const std::int64_t> indexes) {
  std::vector<std::int64_t> ids;
  for (auto index : indexes) {
    if (auto id = IdAt(index)) ids.push_back(*id);
  }
  if (ids.empty()) return true;
  const bool deleted = store_.DeleteIds(ids);
  return Refresh() && deleted;
}

bool RecordTableModel::DeleteAll() {
  if (ids_.empty()) return true;
  const bool deleted = store_.DeleteIds(ids_);
  return Refresh() && deleted;
}

EditOutcome RecordTableModel::EditCell(std::int64_t index, int column_index, std::u16string_view text) {
  const auto id = IdAt(index);
  if (!id || !ValidColumn(column_index)) return EditOutcome::kRefused;
  const auto value = ReadCellEdit(kGridColumns[column_index], text);
  if (!value) return EditOutcome::kRefused;
  if (!store_.UpdateCell(*id, kGridColumns[column_index], *value)) return EditOutcome::kFailed;
  cached_.reset();
  return EditOutcome::kWritten;
}

}  // namespace tracker
