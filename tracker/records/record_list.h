#pragma once
// The rows of the record list (the current run's counted activities) as data: the cells the list
// shows, and, unseen, the counted seconds, the date, the weekday and the ID of the stored row.
// Also the texts that Save to Memo, Add Date and Add Time insert into the memo.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/records/record_store.h"

namespace tracker {

struct RecordRow {
  // The cells as shown (columns Start, Stop, Content, Pass, Remark, Record Date, Weekday, Rate, Amount).
  std::u16string start_text;
  std::u16string stop_text;
  std::u16string content;
  std::u16string pass_text;
  std::u16string remark;
  std::u16string date_text;
  std::u16string weekday_text;
  std::u16string rate;
  std::u16string amount;

  // Unseen: what the counter counted (or Modify parsed), and where the row was stored.
  std::int32_t start_seconds = 0;
  std::int32_t stop_seconds = 0;
  // The counted pass; empty once Modify replaced the pass text, which the save then reads.
  std::optional<std::int64_t> pass_seconds;
  std::u16string record_date;  // "YYYY-MM-DD"
  int weekday = 0;             // 0 Sunday to 6 Saturday
  std::int64_t stored_id = 0;  // 0 until saved
  bool changed_since_save = false;
};

// Modify Selected Record on one row: the start text is read as a time of day ("H:MM" or "H:MM:SS");
// false (and the row unchanged) when it does not read. The list shows the start as start_display.
bool ModifyRow(RecordRow& row, std::u16string_view start_text, std::u16string_view start_display,
               std::u16string_view content, std::u16string_view remark, std::u16string_view pass_text);

// The rows as fixed-width text, header first, as Save to Memo inserts them.
std::u16string MemoTextOfRows(std::span<const RecordRow> rows);
// Add Date to Memo: the long date, and the weekday name (" Monday") unless the long date names it.
std::u16string MemoTextOfDate(std::u16string_view long_date, std::u16string_view weekday_name);
// Add Time to Memo.
std::u16string MemoTextOfTime(std::u16string_view time_text);

// The outcome of Save to Record Table.
struct SaveResult {
  bool ok = false;
  std::u16string error;  // the store's error, or the pass text that did not read
  int written = 0;       // rows inserted or updated
};

// Saves the rows in one transaction: a row not stored yet is inserted, a stored row changed by
// Modify since updates its stored row, any other stored row is skipped. A pass text that does not read
// fails the whole save. On failure nothing is stored and the rows are as before.
SaveResult SaveRowsToStore(std::span<RecordRow> rows, records::RecordStore& store);

}  // namespace tracker
