#pragma once
// What the main window needs of its records, in one place: the store opened at start-up, the unseen
// data of each record-list row (kept in step with the list), Save to Record Table with its failure
// path, and the Record Table command. The main window shows the memo text a failed save returns.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/records/record_store.h"
#include "tracker/records/record_list.h"
#include "tracker/records/record_table_window_win32.h"

namespace tracker {

class RecordKeeper {
 public:
  // program_folder: where "Pendulo.db" lives; today: "YYYY-MM-DD".
  RecordKeeper(std::u16string program_folder, std::u16string today);

  // Start-up: opens (or makes) the store. A failure says nothing; the store stays closed and the
  // record commands meet it with their own messages.
  void OpenAtStartUp();

  // The record list's rows, in the list's order.
  std::vector<RecordRow>& rows() { return rows_; }

  // Save to Record Table. Nothing while a count runs or with no rows. Saved: the table window opens at
  // its last row. Failed: the "Save to Record Table Problem" message, the help page, and the returned
  // text (every row) for the memo. Returns the memo text, empty when there is none.
  std::u16string SaveToRecordTable(HWND owner, bool counting);
  // The Record Table command.
  bool ShowRecordTable(HWND owner);

  records::RecordStore& store() { return store_; }
  RecordTableWindow& table() { return table_; }
  const std::u16string& store_path() const { return store_path_; }

 private:
  std::u16string store_path_;
  records::RecordStore store_;
  std::vector<RecordRow> rows_;
  RecordTableWindow table_;
};

}  // namespace tracker
