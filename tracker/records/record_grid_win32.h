#pragma once
// The record table's grid: a report list view in owner-data mode over the record table model (the
// list holds only a row count and asks for the cells it draws), with header sort, selected rows, jumps
// and, while updates are enabled, an edit box over a cell that writes it back by ID on Enter.
// The window that owns the grid forwards its WM_NOTIFY messages to OnNotify.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tracker/records/record_table_model.h"

namespace tracker {

class RecordGrid {
 public:
  explicit RecordGrid(RecordTableModel& model) : model_(model) {}
  ~RecordGrid();
  RecordGrid(const RecordGrid&) = delete;
  RecordGrid& operator=(const RecordGrid&) = delete;

  // The list view as a child of parent, with the seven columns.
  HWND Create(HWND parent, int control_id, const RECT& bounds);
  HWND hwnd() const { return list_; }

  // After the model's rows changed: the new count, selection cleared, redrawn.
  void Reload();
  // WM_NOTIFY from the parent; true when the grid handled it (result is then the message's answer).
  bool OnNotify(const NMHDR* header, LRESULT& result);

  std::vector<std::int64_t> SelectedIndexes() const;
  std::optional<std::int64_t> CurrentIndex() const;
  // Makes index the current row (focused, visible); Select Record adds it to the selection.
  void MoveTo(std::int64_t index);
  void SelectCurrent();

  // Enable Update: cells can be edited in place while on.
  void SetEditing(bool on);
  bool editing() const { return editing_; }
  // Opens the edit box over a cell (only while editing is on).
  bool BeginEdit(std::int64_t index, int column_index);
  // The edit box's text is read in the grid's form and written by ID; a text that does not read is
  // refused with a message and the box stays open. False when nothing was written.
  bool CommitEdit();
  void CancelEdit();
  HWND edit_box() const { return edit_; }

 private:
  static LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                   DWORD_PTR data);

  RecordTableModel& model_;
  HWND list_ = nullptr;
  HWND edit_ = nullptr;
  bool editing_ = false;
  std::int64_t edit_index_ = -1;
  int edit_column_ = -1;
  std::u16string cell_buffer_;  // the text handed to the list for the cell it is drawing
};

// Delete All: asks first (OK and Cancel, Cancel the default); on OK deletes the current query's rows
// and shows what is left. True when rows were deleted.
bool RunDeleteAll(HWND owner, RecordTableModel& model, RecordGrid& grid);

}  // namespace tracker
