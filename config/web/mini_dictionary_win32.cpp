#include "config/web/mini_dictionary_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "config/web/web_resources.h"
#include "platform/dialogs/popup_menu_win32.h"
#include "platform/os/native_path.h"
#include "platform/os/program_start.h"

namespace lz::config {
namespace {

constexpr UINT kSearchDone = WM_APP + 66;  // lparam: a Result the dialog owns from then on
constexpr char16_t kTitle[] = u"微型词典 - ";
constexpr wchar_t kListColumn[] = L"相关词条";
constexpr int kListColumnWidth = 110;
constexpr int kWordFieldChars = 256;

RECT PlaceIn(HWND dialog, HWND control) {
  RECT box{};
  GetWindowRect(control, &box);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
  return box;
}

void Move(HWND control, const RECT& box) {
  MoveWindow(control, box.left, box.top, box.right - box.left, box.bottom - box.top, TRUE);
}

}  // namespace

// What a worker does: the whole search, the explanation and codes of a chosen row, the full search, or
// the codes alone.
struct MiniDictionaryDialog::Job {
  enum Kind { kSearch, kRow, kFull, kCodes } kind = kSearch;
  std::u16string word;
  std::uint32_t generation = 0;
};

struct MiniDictionaryDialog::Result {
  std::uint32_t generation = 0;
  std::optional<std::vector<std::uint32_t>> entries;
  std::optional<std::u16string> explanation;
  std::optional<std::u16string> codes;
};

namespace {

struct WorkOrder {
  MiniDictionaryDialog* dialog;
  HWND window;
  const MappedFile* dict;
  const MappedFile* main;
  std::atomic<std::uint32_t>* generation;
  std::atomic<int>* finished;
};

}  // namespace

MiniDictionaryDialog::MiniDictionaryDialog(HINSTANCE module, ConfigContext* context, std::u16string display_name,
                                           std::u16string word)
    : Dialog(module, IDD_MINI_DICTIONARY),
      context_(context),
      display_name_(std::move(display_name)),
      word_(std::move(word)) {}

MiniDictionaryDialog::~MiniDictionaryDialog() {
  WaitForThreads();
  Destroy();
  if (font_) DeleteObject(font_);
  if (big_icon_) DestroyIcon(big_icon_);
  if (small_icon_) DestroyIcon(small_icon_);
}

BOOL MiniDictionaryDialog::OnInitDialog() {
  font_ = CreateFontW(kDictionaryFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, kDictionaryFontName);
  if (font_) SendMessageW(Item(IDC_DICTIONARY_EXPLANATION), WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  // The explanation box takes any length.
  SendMessageW(Item(IDC_DICTIONARY_EXPLANATION), EM_SETLIMITTEXT, 0, 0);
  SendMessageW(Item(IDC_DICTIONARY_WORD), EM_SETLIMITTEXT, kWordFieldChars - 1, 0);
  if (context_ && context_->library) {
    big_icon_ = static_cast<HICON>(LoadImageW(context_->library, MAKEINTRESOURCEW(kDictionaryIcon), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    small_icon_ = static_cast<HICON>(LoadImageW(context_->library, MAKEINTRESOURCEW(kDictionaryIcon), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    if (big_icon_) SendMessageW(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon_));
    if (small_icon_) SendMessageW(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_));
  }
  const std::u16string title = kTitle + (display_name_.empty() ? std::u16string(u"*") : display_name_);
  SetWindowTextW(window(), os::WidePtr(title.c_str()));

  HWND list = Item(IDC_DICTIONARY_LIST);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = const_cast<wchar_t*>(kListColumn);
  column.cx = kListColumnWidth;
  SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));

  RECT client{};
  GetClientRect(window(), &client);
  first_client_ = {client.right, client.bottom};
  first_list_ = PlaceIn(window(), list);
  first_explanation_ = PlaceIn(window(), Item(IDC_DICTIONARY_EXPLANATION));
  first_status_ = PlaceIn(window(), Item(IDC_DICTIONARY_STATUS));
  first_codes_ = PlaceIn(window(), Item(IDC_DICTIONARY_CODES));

  if (!word_.empty()) {
    SetDlgItemTextW(window(), IDC_DICTIONARY_WORD, os::WidePtr(word_.c_str()));
    Search();
  }
  return TRUE;
}

std::u16string MiniDictionaryDialog::FieldWord() const {
  wchar_t text[kWordFieldChars] = {};
  GetDlgItemTextW(window(), IDC_DICTIONARY_WORD, text, kWordFieldChars);
  return os::U16Ptr(text);
}

void MiniDictionaryDialog::OnOk() { Search(); }

void MiniDictionaryDialog::Search() {
  word_ = FieldWord();
  if (word_.empty()) return;
  history_.Searched(word_);
  ShowHistoryButtons();
  Start(Job{Job::kSearch, word_, 0});
}

void MiniDictionaryDialog::ShowHistoryButtons() {
  EnableWindow(Item(IDC_DICTIONARY_BACK), history_.CanGoBack());
  EnableWindow(Item(IDC_DICTIONARY_FORWARD), history_.CanGoForward());
}

void MiniDictionaryDialog::Start(Job job) {
  if (closing_ || !context_ || !context_->engine) return;
  // A new search supersedes the running one: its result carries an older generation and is dropped.
  job.generation = ++generation_;
  auto order = std::make_unique<std::pair<WorkOrder, Job>>(
      WorkOrder{this, window(), context_->engine->files.dict, context_->engine->files.main, &generation_, &finished_},
      std::move(job));
  ++started_;
  HANDLE thread = CreateThread(nullptr, 0, Work, order.get(), 0, nullptr);
  if (!thread) {
    ++finished_;
    return;
  }
  order.release();
  std::lock_guard<std::mutex> hold(threads_lock_);
  threads_.push_back(thread);
}

DWORD WINAPI MiniDictionaryDialog::Work(void* parameter) {
  std::unique_ptr<std::pair<WorkOrder, Job>> order(static_cast<std::pair<WorkOrder, Job>*>(parameter));
  const WorkOrder& w = order->first;
  const Job& job = order->second;
  auto result = std::make_unique<Result>();
  result->generation = job.generation;
  const auto current = [&] { return w.generation->load() == job.generation; };
  // Without a dictionary table only the codes of a code query are shown.
  switch (job.kind) {
    case Job::kSearch:
      if (w.dict) {
        result->entries = CollectDictionaryPrefix(w.dict, job.word);
        if (current()) result->explanation = ExplanationText(w.dict, job.word);
        if (current()) result->codes = CodesLine(w.main, job.word);
      }
      break;
    case Job::kRow:
      if (w.dict) {
        result->explanation = ExplanationText(w.dict, job.word);
        if (current()) result->codes = CodesLine(w.main, job.word);
      }
      break;
    case Job::kFull:
      if (w.dict) result->entries = SearchWholeDictionary(w.dict, job.word);
      break;
    case Job::kCodes:
      result->codes = CodesLine(w.main, job.word);
      break;
  }
  if (current() && PostMessageW(w.window, kSearchDone, 0, reinterpret_cast<LPARAM>(result.get()))) result.release();
  ++*w.finished;
  return 0;
}

void MiniDictionaryDialog::Apply(Result* result) {
  std::unique_ptr<Result> owned(result);
  if (!owned || owned->generation != generation_.load() || closing_) return;
  if (owned->entries) {
    entries_ = std::move(*owned->entries);
    HWND list = Item(IDC_DICTIONARY_LIST);
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(list, static_cast<int>(entries_.size()), 0);
    InvalidateRect(list, nullptr, TRUE);
  }
  if (owned->explanation) SetDlgItemTextW(window(), IDC_DICTIONARY_EXPLANATION, os::WidePtr(owned->explanation->c_str()));
  if (owned->codes) SetDlgItemTextW(window(), IDC_DICTIONARY_CODES, os::WidePtr(owned->codes->c_str()));
}

bool MiniDictionaryDialog::OnCommand(int id, int code, HWND control) {
  if (closing_) return true;
  switch (id) {
    case IDC_DICTIONARY_BACK:
    case IDC_DICTIONARY_FORWARD: {
      const auto word = id == IDC_DICTIONARY_BACK ? history_.Back() : history_.Forward();
      if (word) {
        SetDlgItemTextW(window(), IDC_DICTIONARY_WORD, os::WidePtr(word->c_str()));
        Search();
      }
      return true;
    }
    case IDC_DICTIONARY_MENU:
      ShowLookupMenu();
      return true;
    case IDM_DICTIONARY_FULL_SEARCH: {
      std::u16string text = FieldWord();
      std::erase(text, u' ');
      if (!text.empty()) Start(Job{Job::kFull, text, 0});
      return true;
    }
    case IDM_DICTIONARY_CODES: {
      const std::u16string text = FieldWord();
      if (!text.empty()) Start(Job{Job::kCodes, text, 0});
      return true;
    }
    case IDM_DICTIONARY_HANDIAN:
    case IDM_DICTIONARY_CIBA:
    case IDM_DICTIONARY_GOOGLE:
    case IDM_DICTIONARY_BAIDU:
      LookUp(id);
      return true;
    default:
      return Dialog::OnCommand(id, code, control);
  }
}

void MiniDictionaryDialog::LookUp(int command) {
  const std::u16string address = LookupAddress(command, FieldWord());
  if (!address.empty()) os::StartProgram(address.c_str(), u"", u"");
}

void MiniDictionaryDialog::ShowLookupMenu() {
  HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_DICTIONARY_MENU));
  if (!menu) return;
  RECT button{};
  GetWindowRect(Item(IDC_DICTIONARY_MENU), &button);
  const int command = dialogs::ShowPopupMenu(GetSubMenu(menu, 0), window(), button.left, button.bottom);
  DestroyMenu(menu);
  if (command) PostMessageW(window(), WM_COMMAND, static_cast<WPARAM>(command), 0);
}

bool MiniDictionaryDialog::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.idFrom != IDC_DICTIONARY_LIST) return false;
  if (header.code == LVN_GETDISPINFOW) {
    auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
    if ((info.item.mask & LVIF_TEXT) && info.item.pszText && info.item.cchTextMax > 0) {
      info.item.pszText[0] = 0;
      const auto row = static_cast<std::size_t>(info.item.iItem);
      if (info.item.iItem >= 0 && row < entries_.size() && context_ && context_->engine) {
        const std::u16string key = DictionaryKeyText(context_->engine->files.dict, entries_[row]);
        const std::size_t units = std::min<std::size_t>(key.size(), static_cast<std::size_t>(info.item.cchTextMax - 1));
        key.copy(reinterpret_cast<char16_t*>(info.item.pszText), units);
        info.item.pszText[units] = 0;
      }
    }
    result = 0;
    return true;
  }
  if (header.code == LVN_ITEMCHANGED) {
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    const bool selected = (change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED);
    const auto row = static_cast<std::size_t>(change.iItem);
    if (selected && change.iItem >= 0 && row < entries_.size() && !closing_) {
      // The list stays; the chosen entry's explanation and codes follow.
      word_ = DictionaryKeyText(context_->engine->files.dict, entries_[row]);
      SetDlgItemTextW(window(), IDC_DICTIONARY_WORD, os::WidePtr(word_.c_str()));
      if (!word_.empty()) Start(Job{Job::kRow, word_, 0});
    }
    result = 0;
    return true;
  }
  return false;
}

bool MiniDictionaryDialog::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (message) {
    case kSearchDone:
      Apply(reinterpret_cast<Result*>(lparam));
      result = 0;
      return true;
    case WM_COPYDATA: {
      const auto* block = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
      const auto word = block ? ReadHandedWord(block->dwData, block->cbData, block->lpData) : std::nullopt;
      if (!word || closing_) {
        result = FALSE;
        return true;
      }
      word_ = *word;
      if (!word_.empty()) {
        SetDlgItemTextW(window(), IDC_DICTIONARY_WORD, os::WidePtr(word_.c_str()));
        Search();
      }
      BringForwardLater();
      result = TRUE;
      return true;
    }
    case WM_TIMER:
      if (wparam != kBringForwardTimer) return false;
      KillTimer(window(), kBringForwardTimer);
      if (!closing_) {
        HANDLE thread = CreateThread(nullptr, 0, BringForward, window(), 0, nullptr);
        if (thread) {
          std::lock_guard<std::mutex> hold(threads_lock_);
          threads_.push_back(thread);
        }
      }
      result = 0;
      return true;
    case WM_SIZE:
      minimised_ = wparam == SIZE_MINIMIZED;
      if (!minimised_ && LOWORD(lparam) && HIWORD(lparam)) Layout(LOWORD(lparam), HIWORD(lparam));
      return false;
    default:
      return false;
  }
}

void MiniDictionaryDialog::BringForwardLater() { SetTimer(window(), kBringForwardTimer, kBringForwardDelayMs, nullptr); }

DWORD WINAPI MiniDictionaryDialog::BringForward(void* parameter) {
  HWND window = static_cast<HWND>(parameter);
  // Minimising first makes the restore take the window to the front on systems that refuse a plain
  // activation from another program's hand-over.
  if (!IsIconic(window)) ShowWindow(window, SW_MINIMIZE);
  ShowWindow(window, SW_RESTORE);
  SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  SetForegroundWindow(window);
  return 0;
}

void MiniDictionaryDialog::Layout(int width, int height) {
  if (first_client_.cy == 0) return;
  const int grow = height - first_client_.cy;
  RECT list = first_list_;
  list.bottom += grow;
  Move(Item(IDC_DICTIONARY_LIST), list);
  RECT explanation = first_explanation_;
  explanation.bottom += grow;
  explanation.right = std::max<LONG>(explanation.left, width - kExplanationRightMargin);
  Move(Item(IDC_DICTIONARY_EXPLANATION), explanation);
  for (const auto& [id, first] : {std::pair{IDC_DICTIONARY_STATUS, first_status_}, std::pair{IDC_DICTIONARY_CODES, first_codes_}}) {
    RECT box = first;
    box.top += grow;
    box.bottom += grow;
    Move(Item(id), box);
  }
}

void MiniDictionaryDialog::WaitForThreads() {
  for (;;) {
    std::vector<HANDLE> running;
    {
      std::lock_guard<std::mutex> hold(threads_lock_);
      running.swap(threads_);
    }
    if (running.empty()) return;
    for (HANDLE thread : running) {
      // The bring-forward thread calls into this window: its sent messages are answered while we wait.
      while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
      }
      CloseHandle(thread);
    }
  }
}

void MiniDictionaryDialog::OnCancel() {
  if (closing_) return;
  closing_ = true;
  ++generation_;  // whatever still runs is dropped
  if (window()) KillTimer(window(), kBringForwardTimer);
  WaitForThreads();
  End(IDCANCEL);
}

void MiniDictionaryDialog::OnDestroy() {
  closing_ = true;
  WaitForThreads();
  // Results posted before the threads ended are ours to free.
  MSG message;
  while (window() && PeekMessageW(&message, window(), kSearchDone, kSearchDone, PM_REMOVE)) {
    delete reinterpret_cast<Result*>(message.lParam);
  }
}

INT_PTR RunMiniDictionary(HINSTANCE module, ConfigContext* context, const std::u16string& display_name,
                          const std::u16string& word, HWND owner) {
  MiniDictionaryDialog dialog(module, context, display_name, word);
  return dialog.RunModal(owner);
}

}  // namespace lz::config
