#pragma once
// The record search window: date pickers, weekday boxes, time pickers (24-hour, with seconds) and the
// value lists of Content and Remark. Find turns them into the search's conditions, shows the found
// rows in the record table's grid and puts the totals into the table window's totals box.
#include <windows.h>

#include <string>
#include <vector>

#include "tracker/records/record_grid_win32.h"
#include "tracker/records/record_search.h"

namespace tracker {

// The totals box (a combo box): the lines of the totals, its text the Total Pass line; empty when
// nothing was found.
void FillTotalsBox(HWND combo, const std::vector<std::u16string>& lines);

class RecordSearchWindow {
 public:
  // today: the upper date bound at load, "YYYY-MM-DD"; store_path names the file in failure messages.
  RecordSearchWindow(RecordTableModel& model, RecordGrid& grid, records::RecordStore& store, HWND totals_box,
                     std::u16string today, std::u16string store_path)
      : model_(model), grid_(grid), store_(store), totals_box_(totals_box), today_(std::move(today)),
        store_path_(std::move(store_path)) {}
  ~RecordSearchWindow();
  RecordSearchWindow(const RecordSearchWindow&) = delete;
  RecordSearchWindow& operator=(const RecordSearchWindow&) = delete;

  // Shows the window, creating and loading it the first time (the value lists hold the whole table's
  // values in the order first stored, all selected). A later Show keeps the last choices.
  void Show(HWND owner);
  HWND hwnd() const { return window_; }

  // The form as the controls hold it.
  SearchForm ReadForm() const;
  // Sets the controls from a form (the lists keep their items; the form's values are selected).
  void WriteForm(const SearchForm& form);
  std::vector<std::u16string> ListItems(bool remarks) const;

  // Find: runs the search, shows the found rows and the totals and hides the window. On failure the
  // "Find Problem" message; true when the search ran.
  bool Find();
  void Cancel();

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void CreateControls();
  void Load();

  RecordTableModel& model_;
  RecordGrid& grid_;
  records::RecordStore& store_;
  HWND totals_box_;
  std::u16string today_;
  std::u16string store_path_;
  HWND window_ = nullptr;
  HWND date_from_ = nullptr, date_to_ = nullptr;
  HWND weekday_from_ = nullptr, weekday_to_ = nullptr;
  HWND start_from_ = nullptr, start_to_ = nullptr, stop_from_ = nullptr, stop_to_ = nullptr;
  HWND pass_from_ = nullptr, pass_to_ = nullptr;
  HWND contents_ = nullptr, remarks_ = nullptr;
};

}  // namespace tracker
