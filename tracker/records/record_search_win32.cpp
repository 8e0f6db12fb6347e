#include "tracker/records/record_search_win32.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/os/message_box.h"
#include "platform/os/native_path.h"
#include "tracker/records/record_commands.h"
#include "tracker/records/time_text.h"
#include "tracker/records/window_text_win32.h"

namespace tracker {
namespace {

constexpr wchar_t kWindowClass[] = L"PenduloRecordFind";
constexpr int kFindId = IDOK;
constexpr int kCancelId = IDCANCEL;
constexpr std::uint32_t kBoxOkExclamation = 0x30;

// Geometry in pixels: a label column, then the lower control, " ->", the upper control.
constexpr int kMargin = 10;
constexpr int kLabelWidth = 90;
constexpr int kControlWidth = 130;
constexpr int kArrowWidth = 30;
constexpr int kRowHeight = 26;
constexpr int kControlHeight = 22;
constexpr int kListHeight = 90;
constexpr int kButtonWidth = 90;
constexpr int kWeekdayDropHeight = 160;

SYSTEMTIME TimeOf(std::int64_t seconds) {
  SYSTEMTIME time{};
  GetLocalTime(&time);  // a time picker still carries a valid date
  seconds = std::clamp<std::int64_t>(seconds, 0, kSecondsPerDay - 1);
  time.wHour = static_cast<WORD>(seconds / 3600);
  time.wMinute = static_cast<WORD>(seconds % 3600 / 60);
  time.wSecond = static_cast<WORD>(seconds % 60);
  time.wMilliseconds = 0;
  return time;
}

SYSTEMTIME PickerValue(HWND picker) {
  SYSTEMTIME time{};
  SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
  return time;
}

void SetPicker(HWND picker, const SYSTEMTIME& time) {
  SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
}

std::u16string ListItem(HWND list, int index) {
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR) return {};
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

}  // namespace

void FillTotalsBox(HWND combo, const std::vector<std::u16string>& lines) {
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  for (const auto& line : lines) {
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  }
  // The box shows the Total Pass line, the last one; a search that found nothing leaves it empty.
  const std::u16string text = lines.empty() ? std::u16string() : lines.back();
  SetWindowTextW(combo, os::WidePtr(text.c_str()));
}

RecordSearchWindow::~RecordSearchWindow() {
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

void RecordSearchWindow::Show(HWND owner) {
  if (window_ == nullptr) {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = WindowProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kWindowClass;
    RegisterClassW(&window_class);  // fails harmlessly once registered
    const int width = 2 * kMargin + kLabelWidth + 2 * kControlWidth + kArrowWidth + 16;
    const int height = 7 * kRowHeight + 2 * kListHeight + kRowHeight + 4 * kMargin + 40;
    window_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kWindowClass, L"Find", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                              CW_USEDEFAULT, CW_USEDEFAULT, width, height, owner, nullptr, GetModuleHandleW(nullptr),
                              this);
    if (window_ == nullptr) return;
    CreateControls();
    Load();
  }
  ShowWindow(window_, SW_SHOW);
}

void RecordSearchWindow::CreateControls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  auto make = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id = 0) {
    HWND control = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, window_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
  };
  const int lower_x = kMargin + kLabelWidth;
  const int arrow_x = lower_x + kControlWidth;
  const int upper_x = arrow_x + kArrowWidth;
  int y = kMargin;
  auto pair_row = [&](const wchar_t* label, const wchar_t* cls, DWORD style, HWND& lower, HWND& upper, int h) {
    make(L"STATIC", label, 0, kMargin, y + 3, kLabelWidth, kControlHeight);
    lower = make(cls, L"", WS_TABSTOP | style, lower_x, y, kControlWidth, h);
    make(L"STATIC", L" ->", 0, arrow_x, y + 3, kArrowWidth, kControlHeight);
    upper = make(cls, L"", WS_TABSTOP | style, upper_x, y, kControlWidth, h);
    y += kRowHeight;
  };
  pair_row(L"Record Date:", DATETIMEPICK_CLASSW, DTS_SHORTDATEFORMAT, date_from_, date_to_, kControlHeight);
  pair_row(L"Weekday:", L"COMBOBOX", CBS_DROPDOWN | WS_VSCROLL, weekday_from_, weekday_to_, kWeekdayDropHeight);
  pair_row(L"Start:", DATETIMEPICK_CLASSW, DTS_TIMEFORMAT, start_from_, start_to_, kControlHeight);
  pair_row(L"Stop:", DATETIMEPICK_CLASSW, DTS_TIMEFORMAT, stop_from_, stop_to_, kControlHeight);
  make(L"STATIC", L"Content:", 0, kMargin, y + 3, kLabelWidth, kControlHeight);
  contents_ = make(L"LISTBOX", L"", WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_MULTIPLESEL | LBS_NOINTEGRALHEIGHT,
                   lower_x, y, 2 * kControlWidth + kArrowWidth, kListHeight);
  y += kListHeight + kMargin;
  pair_row(L"Pass:", DATETIMEPICK_CLASSW, DTS_TIMEFORMAT, pass_from_, pass_to_, kControlHeight);
  make(L"STATIC", L"Remark:", 0, kMargin, y + 3, kLabelWidth, kControlHeight);
  remarks_ = make(L"LISTBOX", L"", WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_MULTIPLESEL | LBS_NOINTEGRALHEIGHT,
                  lower_x, y, 2 * kControlWidth + kArrowWidth, kListHeight);
  y += kListHeight + kMargin;
  make(L"BUTTON", L"&Find", WS_TABSTOP | BS_DEFPUSHBUTTON, upper_x + kControlWidth - 2 * kButtonWidth - kMargin, y,
       kButtonWidth, kControlHeight + 4, kFindId);
  make(L"BUTTON", L"&Cancel", WS_TABSTOP, upper_x + kControlWidth - kButtonWidth, y, kButtonWidth,
       kControlHeight + 4, kCancelId);

  // Fixed display forms, so the pickers read the same whatever the machine's locale.
  for (HWND picker : {date_from_, date_to_}) SendMessageW(picker, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"yyyy-MM-dd"));
  for (HWND picker : {start_from_, start_to_, stop_from_, stop_to_, pass_from_, pass_to_}) {
    SendMessageW(picker, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"H:mm:ss"));
  }
  for (HWND box : {weekday_from_, weekday_to_}) {
    for (const wchar_t* day : {L"0", L"1", L"2", L"3", L"4", L"5", L"6"}) {
      SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(day));
    }
  }
}

void RecordSearchWindow::Load() {
  const std::u16string caption = u"Find - " + LongDateText(today_);
  SetWindowTextW(window_, os::WidePtr(caption.c_str()));
  auto contents = store_.DistinctValues(records::Column::kContent);
  auto remarks = store_.DistinctValues(records::Column::kRemark);
  for (const auto& [list, values] : {std::pair{contents_, &contents}, std::pair{remarks_, &remarks}}) {
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    if (!*values) continue;
    for (const auto& value : **values) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(value.c_str()));
  }
  WriteForm(DesignedSearchForm(today_, contents.value_or(std::vector<std::u16string>{}),
                               remarks.value_or(std::vector<std::u16string>{})));
}

std::vector<std::u16string> RecordSearchWindow::ListItems(bool remarks) const {
  HWND list = remarks ? remarks_ : contents_;
  std::vector<std::u16string> items;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (int i = 0; i < count; ++i) items.push_back(ListItem(list, i));
  return items;
}

SearchForm RecordSearchWindow::ReadForm() const {
  SearchForm form;
  auto date = [](HWND picker) {
    const SYSTEMTIME time = PickerValue(picker);
    return IsoDate(time.wYear, time.wMonth, time.wDay);
  };
  auto seconds = [](HWND picker) {
    const SYSTEMTIME time = PickerValue(picker);
    return std::int64_t{time.wHour} * 3600 + time.wMinute * 60 + time.wSecond;
  };
  form.date_from = date(date_from_);
  form.date_to = date(date_to_);
  form.weekday_from = WindowText(weekday_from_);
  form.weekday_to = WindowText(weekday_to_);
  form.start_from = seconds(start_from_);
  form.start_to = seconds(start_to_);
  form.stop_from = seconds(stop_from_);
  form.stop_to = seconds(stop_to_);
  form.pass_from = seconds(pass_from_);
  form.pass_to = seconds(pass_to_);
  for (const auto& [list, values] : {std::pair{contents_, &form.contents}, std::pair{remarks_, &form.remarks}}) {
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
      if (SendMessageW(list, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0) values->push_back(ListItem(list, i));
    }
  }
  return form;
}

void RecordSearchWindow::WriteForm(const SearchForm& form) {
  SetPicker(date_from_, SystemDateOf(form.date_from));
  SetPicker(date_to_, SystemDateOf(form.date_to));
  SetWindowTextW(weekday_from_, os::WidePtr(form.weekday_from.c_str()));
  SetWindowTextW(weekday_to_, os::WidePtr(form.weekday_to.c_str()));
  SetPicker(start_from_, TimeOf(form.start_from));
  SetPicker(start_to_, TimeOf(form.start_to));
  SetPicker(stop_from_, TimeOf(form.stop_from));
  SetPicker(stop_to_, TimeOf(form.stop_to));
  SetPicker(pass_from_, TimeOf(form.pass_from));
  SetPicker(pass_to_, TimeOf(form.pass_to));
  for (const auto& [list, values] : {std::pair{contents_, &form.contents}, std::pair{remarks_, &form.remarks}}) {
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
      const bool chosen = std::find(values->begin(), values->end(), ListItem(list, i)) != values->end();
      SendMessageW(list, LB_SETSEL, chosen ? TRUE : FALSE, static_cast<LPARAM>(i));
    }
  }
}

bool RecordSearchWindow::Find() {
  auto problem = [&](const std::u16string& error) {
    const std::u16string text = FindProblemText(store_path_, error);
    os::ShowMessageBox(window_, text.c_str(), std::u16string(kFindProblemTitle).c_str(), kBoxOkExclamation);
    return false;
  };
  const auto query = BuildSearchQuery(ReadForm());
  if (!query) return problem(u"a weekday box does not hold a number from -32768 to 32767");
  if (!model_.ShowQuery(*query)) {
    grid_.Reload();
    return problem(model_.LastError());
  }
  grid_.Reload();
  if (window_ != nullptr) ShowWindow(window_, SW_HIDE);
  FillTotalsBox(totals_box_, TotalsLines(model_.Totals()));
  return true;
}

void RecordSearchWindow::Cancel() {
  if (window_ != nullptr) ShowWindow(window_, SW_HIDE);
}

LRESULT CALLBACK RecordSearchWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<RecordSearchWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self != nullptr) {
    switch (message) {
      case WM_COMMAND:
        if (LOWORD(wparam) == kFindId && HIWORD(wparam) == BN_CLICKED) {
          self->Find();
          return 0;
        }
        if (LOWORD(wparam) == kCancelId && HIWORD(wparam) == BN_CLICKED) {
          self->Cancel();
          return 0;
        }
        break;
      case WM_CLOSE:
        // The frame's close button unloads the window: the next Find loads it, and its lists, again.
        DestroyWindow(hwnd);
        return 0;
      case WM_NCDESTROY:
        self->window_ = nullptr;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
      default:
        break;
    }
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace tracker
