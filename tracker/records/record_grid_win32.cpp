#include "tracker/records/record_grid_win32.h"

#include <commctrl.h>

#include "platform/os/message_box.h"
#include "platform/os/native_path.h"
#include "tracker/records/record_commands.h"
#include "tracker/records/window_text_win32.h"

namespace tracker {
namespace {

constexpr int kColumnWidths[records::kColumnCount] = {90, 60, 70, 70, 140, 80, 160};  // pixels
constexpr UINT_PTR kEditSubclassId = 1;
constexpr std::uint32_t kBoxOkExclamation = 0x30;

}  // namespace

RecordGrid::~RecordGrid() { CancelEdit(); }

HWND RecordGrid::Create(HWND parent, int control_id, const RECT& bounds) {
  list_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS,
                          bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id)), GetModuleHandleW(nullptr),
                          nullptr);
  if (list_ == nullptr) return nullptr;
  SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES,
               LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  for (int i = 0; i < records::kColumnCount; ++i) {
    std::u16string caption(GridCaption(i));
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.cx = kColumnWidths[i];
    column.pszText = os::WidePtr(caption.data());
    column.iSubItem = i;
    SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
  }
  Reload();
  return list_;
}

void RecordGrid::Reload() {
  if (list_ == nullptr) return;
  CancelEdit();
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED;
  SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  SendMessageW(list_, LVM_SETITEMCOUNT, static_cast<WPARAM>(model_.RowCount()), 0);
  InvalidateRect(list_, nullptr, TRUE);
}

bool RecordGrid::OnNotify(const NMHDR* header, LRESULT& result) {
  if (header == nullptr || header->hwndFrom != list_) return false;
  result = 0;
  switch (header->code) {
    case LVN_GETDISPINFOW: {
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header));
      if ((info->item.mask & LVIF_TEXT) != 0 && info->item.pszText != nullptr && info->item.cchTextMax > 0) {
        cell_buffer_ = model_.CellText(info->item.iItem, info->item.iSubItem);
        const std::size_t room = static_cast<std::size_t>(info->item.cchTextMax) - 1;
        const std::size_t count = cell_buffer_.size() < room ? cell_buffer_.size() : room;
        for (std::size_t i = 0; i < count; ++i) info->item.pszText[i] = static_cast<wchar_t>(cell_buffer_[i]);
        info->item.pszText[count] = L'\0';
      }
      return true;
    }
    case LVN_COLUMNCLICK: {
      const auto* click = reinterpret_cast<const NMLISTVIEW*>(header);
      model_.HeaderClick(click->iSubItem);
      Reload();
      return true;
    }
    case NM_DBLCLK: {
      const auto* activate = reinterpret_cast<const NMITEMACTIVATE*>(header);
      if (editing_ && activate->iItem >= 0) BeginEdit(activate->iItem, activate->iSubItem);
      return true;
    }
    default:
      return false;
  }
}

std::vector<std::int64_t> RecordGrid::SelectedIndexes() const {
  std::vector<std::int64_t> indexes;
  if (list_ == nullptr) return indexes;
  LRESULT index = -1;
  while ((index = SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(index), LVNI_SELECTED)) >= 0) {
    indexes.push_back(index);
  }
  return indexes;
}

std::optional<std::int64_t> RecordGrid::CurrentIndex() const {
  if (list_ == nullptr) return std::nullopt;
  const LRESULT index = SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
  if (index < 0) return std::nullopt;
  return index;
}

void RecordGrid::MoveTo(std::int64_t index) {
  if (list_ == nullptr || index < 0 || index >= model_.RowCount()) return;
  LVITEMW focus{};
  focus.state = LVIS_FOCUSED;
  focus.stateMask = LVIS_FOCUSED;
  SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&focus));
  SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
}

void RecordGrid::SelectCurrent() {
  const auto current = CurrentIndex();
  if (!current) return;
  LVITEMW select{};
  select.state = LVIS_SELECTED;
  select.stateMask = LVIS_SELECTED;
  SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(*current), reinterpret_cast<LPARAM>(&select));
}

void RecordGrid::SetEditing(bool on) {
  editing_ = on;
  if (!on) CancelEdit();
}

bool RecordGrid::BeginEdit(std::int64_t index, int column_index) {
  if (!editing_ || list_ == nullptr || !model_.IdAt(index) || column_index < 0 ||
      column_index >= records::kColumnCount) {
    return false;
  }
  CancelEdit();
  RECT cell{};
  cell.top = column_index;
  // The first column's bounds are the whole row; its label part is the cell.
  cell.left = column_index == 0 ? LVIR_LABEL : LVIR_BOUNDS;
  SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
  SendMessageW(list_, LVM_GETSUBITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&cell));
  const std::u16string text = model_.CellText(index, column_index);
  edit_ = CreateWindowExW(0, L"EDIT", os::WidePtr(text.c_str()), WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL,
                          cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top, list_, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
  if (edit_ == nullptr) return false;
  SendMessageW(edit_, WM_SETFONT, SendMessageW(list_, WM_GETFONT, 0, 0), FALSE);
  SetWindowSubclass(edit_, EditProc, kEditSubclassId, reinterpret_cast<DWORD_PTR>(this));
  SendMessageW(edit_, EM_SETSEL, 0, -1);
  SetFocus(edit_);
  edit_index_ = index;
  edit_column_ = column_index;
  return true;
}

bool RecordGrid::CommitEdit() {
  if (edit_ == nullptr) return false;
  const std::u16string text = WindowText(edit_);
  switch (model_.EditCell(edit_index_, edit_column_, text)) {
    case EditOutcome::kWritten:
      SendMessageW(list_, LVM_REDRAWITEMS, static_cast<WPARAM>(edit_index_), static_cast<LPARAM>(edit_index_));
      CancelEdit();
      return true;
    case EditOutcome::kRefused: {
      const std::u16string message = EditRefusedText(edit_column_, text);
      os::ShowMessageBox(GetParent(list_), message.c_str(), std::u16string(kEditRefusedTitle).c_str(),
                         kBoxOkExclamation);
      if (edit_ != nullptr) SetFocus(edit_);
      return false;
    }
    case EditOutcome::kFailed: {
      const std::u16string message = model_.LastError();
      os::ShowMessageBox(GetParent(list_), message.c_str(), std::u16string(kEditRefusedTitle).c_str(),
                         kBoxOkExclamation);
      CancelEdit();
      return false;
    }
  }
  return false;
}

void RecordGrid::CancelEdit() {
  if (edit_ == nullptr) return;
  HWND edit = edit_;
  edit_ = nullptr;
  RemoveWindowSubclass(edit, EditProc, kEditSubclassId);
  DestroyWindow(edit);
  edit_index_ = -1;
  edit_column_ = -1;
  if (list_ != nullptr) SetFocus(list_);
}

LRESULT CALLBACK RecordGrid::EditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                      DWORD_PTR data) {
  auto* grid = reinterpret_cast<RecordGrid*>(data);
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS | DefSubclassProc(hwnd, message, wparam, lparam);
    case WM_KEYDOWN:
      if (wparam == VK_RETURN) {
        grid->CommitEdit();
        return 0;
      }
      if (wparam == VK_ESCAPE) {
        grid->CancelEdit();
        return 0;
      }
      break;
    case WM_CHAR:
      // Enter and Escape were handled on key down; the edit box would only beep at them.
      if (wparam == L'\r' || wparam == 27) return 0;
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

bool RunDeleteAll(HWND owner, RecordTableModel& model, RecordGrid& grid) {
  if (model.RowCount() == 0) return false;
  constexpr std::uint32_t kOkCancelExclamationSecondDefault = 305;
  const int answer = os::ShowMessageBox(owner, std::u16string(kDeleteAllQuestion).c_str(),
                                        std::u16string(kDeleteAllTitle).c_str(), kOkCancelExclamationSecondDefault);
  if (answer != os::kAnswerOk) return false;
  const bool deleted = model.DeleteAll();
  // The grid shows what is left (the design left the deleted rows on show).
  grid.Reload();
  return deleted;
}

}  // namespace tracker
