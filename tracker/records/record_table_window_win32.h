#pragma once
// The record table window: the grid over the store's rows, the Edit and View menus, the toolbar, the
// record position line and the search's totals box. Close hides it; its frame's close button unloads
// it (the geometry goes back to the caller's settings). The main window opens it with the Record Table
// command, and after Save to Record Table at the last row.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "tracker/records/record_grid_win32.h"
#include "tracker/records/record_search_win32.h"

namespace tracker {

// Window geometry in twips, as the settings file keeps it (0, 0 top-left: the window's own place).
struct TableGeometry {
  double top = 0;
  double left = 0;
  double height = 0;
  double width = 0;
};

// Menu and toolbar command identifiers of the window.
enum RecordTableCommand : int {
  kCmdDelete = 40001,
  kCmdDeleteAll,
  kCmdEnableUpdate,
  kCmdFind,
  kCmdSelectRecord,
  kCmdBeginning,
  kCmdQuarter,
  kCmdMiddle,
  kCmdThreeQuarter,
  kCmdEnd,
  kCmdShowMainWindow,
  kCmdClose,
};

class RecordTableWindow {
 public:
  // store_path: the record file, opened again by the Record Table command; today: "YYYY-MM-DD".
  RecordTableWindow(records::RecordStore& store, std::u16string store_path, std::u16string today);
  ~RecordTableWindow();
  RecordTableWindow(const RecordTableWindow&) = delete;
  RecordTableWindow& operator=(const RecordTableWindow&) = delete;

  // Where the window goes when loaded, and where it was when unloaded.
  TableGeometry geometry;
  std::function<void()> show_main_window;
  std::function<void(const TableGeometry&)> on_unload;

  // The Record Table command: opens the store if it is not open (a failure shows "Record Table
  // Problem" and the window stays hidden), shows the whole table and the window. True when shown.
  bool OpenRecordTable(HWND owner);
  // After a save: the Record Table command, then the last row made current.
  bool ShowAfterSave(HWND owner);

  // Runs a menu or toolbar command as the window's own menus do.
  void Run(int command);

  HWND hwnd() const { return window_; }
  HWND totals_box() const { return totals_; }
  HACCEL accelerators() const { return accelerators_; }
  RecordTableModel& model() { return model_; }
  RecordGrid& grid() { return grid_; }
  RecordSearchWindow* search() { return search_.get(); }
  std::u16string MenuCaption(int command) const;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  bool Load(HWND owner);
  void Layout();
  void ShowPosition();
  void Jump(tracker::Jump jump);

  records::RecordStore& store_;
  std::u16string store_path_;
  std::u16string today_;
  RecordTableModel model_;
  RecordGrid grid_;
  std::unique_ptr<RecordSearchWindow> search_;
  HWND window_ = nullptr;
  HWND toolbar_ = nullptr;
  HWND position_ = nullptr;
  HWND totals_ = nullptr;
  HMENU menu_ = nullptr;
  HACCEL accelerators_ = nullptr;
  bool editing_ = false;  // lives as long as the program, across unloads
};

}  // namespace tracker
