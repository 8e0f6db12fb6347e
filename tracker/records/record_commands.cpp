#include "tracker/records/record_commands.h"

#include "tracker/records/record_table_model.h"

namespace tracker {
namespace {

std::u16string Reason(std::u16string_view error) {
  return error.empty() ? std::u16string(u"no reason given") : std::u16string(error);
}

}  // namespace

std::u16string RecordStorePath(std::u16string_view program_folder) {
  std::u16string path(program_folder);
  if (!path.empty() && path.back() != u'\\' && path.back() != u'/') path += u'\\';
  path += kRecordStoreFileName;
  return path;
}

std::u16string SaveProblemText(std::u16string_view store_path, std::u16string_view error) {
  return u" Perhaps the time format of Start/Pass in record is wrong (e.g., not hh:mm:ss) or the record file " +
         std::u16string(store_path) + u" cannot be written (" + Reason(error) +
         u"). Please check the format of Start/Pass first. Turn to " + std::u16string(kHelpPageAddress) +
         u" and fix this problem. Now all the records will be saved to Memo.";
}

std::u16string RecordTableProblemText(std::u16string_view store_path, std::u16string_view error) {
  return u"The record file " + std::u16string(store_path) + u" cannot be opened (" + Reason(error) +
         u"), so 'Record Table' cannot show the records. Turn to " + std::u16string(kHelpPageAddress) +
         u" and fix this problem. ";
}

std::u16string FindProblemText(std::u16string_view store_path, std::u16string_view error) {
  return u"Perhaps a weekday is not a number from 0 to 6, or the record file " + std::u16string(store_path) +
         u" cannot be read (" + Reason(error) + u"). Please check the search and try again. ";
}

std::u16string EditRefusedText(int column_index, std::u16string_view text) {
  std::u16string form;
  switch (kGridColumns[column_index < 0 || column_index >= records::kColumnCount ? 4 : column_index]) {
    case records::Column::kRecordDate:
      form = u"a date such as 2026-12-10";
      break;
    case records::Column::kWeekday:
      form = u"a weekday number from 0 (Sunday) to 6 (Saturday)";
      break;
    case records::Column::kStart:
    case records::Column::kStop:
      form = u"a time of day such as 9:05:00 (H:MM:SS, 24-hour)";
      break;
    case records::Column::kPass:
      form = u"a time such as 1:30:00 (H:MM:SS)";
      break;
    case records::Column::kContent:
    case records::Column::kRemark:
      form = u"text";
      break;
  }
  return u"\"" + std::u16string(text) + u"\" is not " + form + u"; the " + std::u16string(GridCaption(column_index)) +
         u" cell is not changed.";
}

SaveToRecordTableOutcome SaveToRecordTable(std::span<RecordRow> rows, bool counting, records::RecordStore& store,
                                           std::u16string_view store_path) {
  SaveToRecordTableOutcome outcome;
  if (rows.empty() || counting) return outcome;
  std::u16string error;
  if (!store.IsOpen() && store.Open(std::u16string(store_path)) != records::OpenStatus::kOk) {
    error = store.LastError();
  } else {
    const SaveResult result = SaveRowsToStore(rows, store);
    if (result.ok) {
      outcome.saved = true;
      return outcome;
    }
    error = result.error;
  }
  outcome.problem_text = SaveProblemText(store_path, error);
  outcome.memo_text = MemoTextOfRows(rows);
  return outcome;
}

}  // namespace tracker
