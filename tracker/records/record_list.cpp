#include "tracker/records/record_list.h"

#include <cstdlib>

#include "tracker/records/time_text.h"

namespace tracker {
namespace {

constexpr std::u16string_view kNewLine = u"\r\n";
constexpr std::size_t kTimeWidth = 10;
constexpr std::size_t kContentWidth = 20;
constexpr std::size_t kContentLongFrom = 19;  // from this length on a content gets two blanks
constexpr std::size_t kPassWidth = 20;

void AppendBlanks(std::u16string& text, std::size_t count) { text.append(count, u' '); }

// A start or stop text in its 10 columns; a longer one keeps one blank before the next column.
void AppendTimeColumn(std::u16string& text, std::u16string_view cell) {
  text += cell;
  AppendBlanks(text, cell.size() < kTimeWidth ? kTimeWidth - cell.size() : 1);
}

}  // namespace

bool ModifyRow(RecordRow& row, std::u16string_view start_text, std::u16string_view start_display,
               std::u16string_view content, std::u16string_view remark, std::u16string_view pass_text) {
  const auto start = ParseTimeOfDay(start_text);
  if (!start) return false;
  row.start_seconds = *start;
  row.start_text = start_display;
  row.content = content;
  row.remark = remark;
  row.pass_text = pass_text;
  row.pass_seconds.reset();
  row.changed_since_save = true;
  return true;
}

std::u16string MemoTextOfRows(std::span<const RecordRow> rows) {
  std::u16string text;
  text += kNewLine;
  text += kNewLine;
  text += u"  Start     Stop      Content             Pass                Remark";
  text += kNewLine;
  for (const auto& row : rows) {
    text += kNewLine;
    text += u"  ";
    AppendTimeColumn(text, row.start_text);
    AppendTimeColumn(text, row.stop_text);
    text += row.content;
    AppendBlanks(text, row.content.size() < kContentLongFrom ? kContentWidth - row.content.size() : 2);
    text += row.pass_text;
    const std::size_t pass = row.pass_text.size();
    AppendBlanks(text, pass < kPassWidth ? kPassWidth - pass : pass - kPassWidth);
    text += row.remark;
  }
  text += kNewLine;
  return text;
}

std::u16string MemoTextOfDate(std::u16string_view long_date, std::u16string_view weekday_name) {
  std::u16string text(kNewLine);
  text += long_date;
  text += u' ';
  // The weekday name starts with a blank (" Monday"); a long date that begins with the same three
  // letters names the day already.
  std::u16string opening = u" ";
  opening += long_date.substr(0, 3);
  if (opening != weekday_name.substr(0, 4)) {
    std::u16string_view name = weekday_name;
    if (!name.empty() && name.front() == u' ') name.remove_prefix(1);
    text += name;
  }
  text += kNewLine;
  return text;
}

std::u16string MemoTextOfTime(std::u16string_view time_text) {
  std::u16string text(kNewLine);
  text += time_text;
  text += u' ';
  text += kNewLine;
  return text;
}

SaveResult SaveRowsToStore(std::span<RecordRow> rows, records::RecordStore& store) {
  SaveResult result;
  std::vector<records::StoredRecord> writes;
  std::vector<std::size_t> written_rows;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const RecordRow& row = rows[i];
    if (row.stored_id != 0 && !row.changed_since_save) continue;
    std::optional<std::int64_t> pass = row.pass_seconds;
    if (!pass) pass = ParsePassText(row.pass_text);
    if (!pass) {
      result.error = u"the pass \"" + row.pass_text + u"\" is not a time such as 1:30:00";
      return result;
    }
    records::StoredRecord stored;
    stored.id = row.stored_id;
    stored.record_date = row.record_date;
    stored.weekday = row.weekday;
    stored.start = row.start_seconds;
    stored.stop = row.stop_seconds;
    stored.content = row.content;
    stored.pass = *pass;
    stored.remark = row.remark;
    writes.push_back(std::move(stored));
    written_rows.push_back(i);
  }
  if (!writes.empty() && !store.WriteAll(writes)) {
    result.error = store.LastError();
    return result;
  }
  for (std::size_t k = 0; k < writes.size(); ++k) {
    RecordRow& row = rows[written_rows[k]];
    row.stored_id = writes[k].id;
    row.changed_since_save = false;
  }
  result.ok = true;
  result.written = static_cast<int>(writes.size());
  return result;
}

}  // namespace tracker
