#include "tracker/dialogs/memo_window_win32.h"

#include <utility>
#include <vector>

#include "platform/dialogs/file_chooser_win32.h"
#include "platform/os/clipboard.h"
#include "platform/os/local_clock.h"
#include "platform/os/message_box.h"
#include "platform/os/whole_file.h"
#include "tracker/main/numeric_value.h"
#include "tracker/main/reminder_dates.h"
#include "tracker/records/record_list.h"

namespace tracker {
namespace {

constexpr double kWidth = 7200;
constexpr double kHeight = 5400;
// A memo without a stored place opens this far right of and below the main window's corner.
constexpr double kBesideMainLeft = 2550;
constexpr double kBesideMainTop = 2270;
constexpr UINT_PTR kSavingTimer = 1;
constexpr UINT kSavingShown = 1000;
constexpr char16_t kTitle[] = u"Memo";
constexpr std::uint32_t kBoxInformation = 0x40;
constexpr std::uint32_t kBoxExclamation = 0x30;
constexpr std::uint32_t kBoxOkCancelExclamation = 0x31;
constexpr int kMostLineCharacters = 1024;
// The toolbar's pictures (bitmap 4 of the program), drawn at build time over the mask colour.
constexpr int kToolbarPictures = 4;
constexpr COLORREF kToolbarPictureMask = RGB(255, 0, 255);
// The save dialog's OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST (commdlg.h is left out:
// its ChooseFont macro would rename the memo's own ChooseFont).
constexpr DWORD kSaveAsFlags = 0x2 | 0x4 | 0x800;
// Posted when the memo shows, so that the notice about an unreadable file comes after the window.
constexpr UINT kTellUnreadableMessage = WM_APP + 41;

std::vector<forms::MenuRow> MemoMenuRows() {
  using R = forms::MenuRow;
  return {
      R{0, u"&Edit ", kMemoMenuEdit},
      R{1, u"Search ", kMemoSearch, VK_F1},
      R{1, u"&Undo", kMemoUndo, 'Z', true},
      R{1, u"&Save", kMemoSave, 'S', true},
      R{1, u"-", 0},
      R{1, u"Cu&t", kMemoCut},
      R{1, u"&Copy", kMemoCopy, 'C', true},
      R{1, u"&Paste", kMemoPaste, 'V', true},
      R{1, u"&Delete", kMemoDelete},
      R{1, u"-", 0},
      R{1, u"&Find...", kMemoFind, 'F', true},
      R{1, u"Find &Next", kMemoFindNext, VK_F3},
      R{1, u"Go To...", kMemoGoTo, 0, false, false, true, false},
      R{1, u"-", 0},
      R{1, u"Select &All", kMemoSelectAll, 'A', true},
      R{1, u"Select &Line", kMemoSelectLine, VK_F5},
      R{0, u"&View ", kMemoMenuView},
      R{1, u"&Beginning", kMemoBeginning, VK_F7},
      R{1, u"&Quarter", kMemoQuarter},
      R{1, u"&Middle", kMemoMiddle, VK_F8},
      R{1, u"&Three Quarter", kMemoThreeQuarter},
      R{1, u"E&nd", kMemoEnd, VK_F9},
      R{1, u"-", 0},
      R{1, u"Show Main &Window...", kMemoShowMainWindow, VK_F4},
      R{1, u"Clos&e", kMemoClose, 'E', true},
      R{0, u"&Format ", kMemoMenuFormat},
      R{1, u"&Line Wrap", kMemoLineWrap, 0, false, true},
      R{1, u"&Font...", kMemoFont},
      R{1, u"-", 0},
      R{1, u"Add Da&te to Memo", kMemoAddDate},
      R{1, u"Add T&ime to Memo", kMemoAddTime},
  };
}

std::u16string SelectedText(HWND box) {
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  if (end <= start) return {};
  return forms::WindowText(box).substr(start, end - start);
}

void Replace(HWND box, const std::u16string& text) {
  SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace

MemoWindow::MemoWindow(MemoEnvironment environment)
    : forms::Form(kTitle, 0, 0, kWidth, kHeight),
      environment_(std::move(environment)),
      file_(MemoPath(environment_.program_folder)) {}

void MemoWindow::OnLoad() {
  toolbar_ = &AddToolbar();
  toolbar_->SetImageStrip(static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kToolbarPictures),
                                                          IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)),
                          kToolbarPictureMask);
  // Each button its own picture of the strip, in the order of the buttons; two separators group them.
  toolbar_->AddButtons({
      {u"memoBaidu", u"Baidu Search", 0},
      {u"memoSave", u"Save", 1},
      {u"memoCut", u"Cut", 2},
      {u"memoCopy", u"Copy", 3},
      {u"memoPaste", u"Paste", 4},
      {u"memoDelete", u"Delete", 5},
      {u"", u"", 0},
      {u"memoFind", u"Find", 6},
      {u"memoSelectline", u"Select Line", 7},
      {u"memoShowMainWindow", u"Show Main Window", 8},
      {u"", u"", 0},
      {u"memoBegin", u"Beginning", 9},
      {u"memoQuarter", u"Quarter", 10},
      {u"memoMiddle", u"Middle", 11},
      {u"memoThreequarter", u"Three Quarter", 12},
      {u"memoEnd", u"End", 13},
      {u"memoEnter", u"Enter", 14},
  });
  toolbar_->on_click = [this](const std::u16string& key) { OnToolbarKey(key); };
  text1_ = &AddTextBox(0, 600, kWidth - 200, kHeight - 1800, true, true);
  text2_ = &AddTextBox(0, 600, kWidth - 200, kHeight - 1800, true, false);
  // No length limit: a memo is as long as its file.
  SendMessageW(text1_->hwnd(), EM_SETLIMITTEXT, 0, 0);
  SendMessageW(text2_->hwnd(), EM_SETLIMITTEXT, 0, 0);
  text2_->SetVisible(false);
  status_bar_ = &AddStatusBar();
  status_bar_->SetPanels({3000});
  menu_.Build(MemoMenuRows());
  SetMenu(menu_);

  StartupState& state = *environment_.state;
  if (state.intTempMemoTop == 0 && state.intTempMemoLeft == 0) {
    double left = 0;
    double top = 0;
    if (environment_.main_place) environment_.main_place(left, top);
    SetGeometry(left + kBesideMainLeft, top + kBesideMainTop, kWidth, kHeight);
  } else {
    const double width = state.intTempMemoWidth > 0 ? state.intTempMemoWidth : kWidth;
    const double height = state.intTempMemoHeight > 0 ? state.intTempMemoHeight : kHeight;
    SetGeometry(state.intTempMemoLeft, state.intTempMemoTop, width, height);
  }
  OnResize();

  std::u16string text;
  if (file_.Load(text) == MemoFile::LoadState::kLoaded && !text.empty()) {
    const std::u16string shown = MemoTextForBox(text);
    text1_->SetText(shown);
    text2_->SetText(shown);
    const os::LocalDateTime today = os::ReadClock().local;
    temp_caption_ = u"Memo - " + os::FormatNamed(today, os::NamedFormat::kShortDate) + WeekdayText(today.weekday);
    forms::SetWindowText16(hwnd(), temp_caption_);
  }
  saved_text_ = text1_->Text();
}

void MemoWindow::Place() {
  const StartupState& state = *environment_.state;
  if (state.intTempMemoTop != 0 || state.intTempMemoLeft != 0) {
    SetGeometry(state.intTempMemoLeft, state.intTempMemoTop, Width(), Height());
    return;
  }
  double left = 0;
  double top = 0;
  if (environment_.main_place) environment_.main_place(left, top);
  SetGeometry(left + kBesideMainLeft, top + kBesideMainTop, Width(), Height());
}

void MemoWindow::ShowMemo() {
  // A minimised memo is only restored, where it was.
  if (IsIconic(hwnd())) {
    ShowWindow(hwnd(), SW_RESTORE);
    return;
  }
  Place();
  Show();
  visible_box().Focus();
  // In front of the main window.
  SetForegroundWindow(hwnd());
  BringWindowToTop(hwnd());
}

std::u16string MemoWindow::MemoText() { return visible_box().Text(); }

bool MemoWindow::KeepText() {
  if (!loaded()) return true;
  const std::u16string text = MemoText();
  // A memo nobody changed is already in its file, byte for byte as it was read.
  if (text == saved_text_) return true;
  const std::u16string file_text = MemoTextForFile(text);
  MemoFile::SaveResult result = file_.Save(file_text);
  std::u16string path = file_.path();
  while (result != MemoFile::SaveResult::kSaved) {
    const std::u16string question = MemoKeepQuestion(result, path);
    if (os::ShowMessageBox(hwnd(), question.c_str(), kTitle, kBoxOkCancelExclamation) != os::kAnswerOk) return false;
    lz::dialogs::FileChooserRequest request;
    request.save = true;
    request.owner = hwnd();
    request.title = u"Save Memo As";
    request.filter = std::u16string(u"Text Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0", 45);
    request.default_extension = u"txt";
    request.flags = kSaveAsFlags;
    if (!lz::dialogs::ChooseFile(request, path)) return false;
    if (os::ReplaceWholeFile(path.c_str(), EncodeMemoFile(file_text))) break;
    result = MemoFile::SaveResult::kFailed;
  }
  // Kept somewhere: the same text is not offered again; a change after this is.
  saved_text_ = text;
  return true;
}

bool MemoWindow::UnloadMemo() {
  if (!loaded()) return true;
  if (!KeepText()) {
    // The only copy of the text stays in front of the user.
    Show();
    return false;
  }
  StartupState& state = *environment_.state;
  state.intTempMemoTop = Top();
  state.intTempMemoLeft = Left();
  state.intTempMemoHeight = Height();
  state.intTempMemoWidth = Width();
  state.texts[kMemoTop] = NumberText(state.intTempMemoTop);
  state.texts[kMemoLeft] = NumberText(state.intTempMemoLeft);
  state.texts[kMemoHeight] = NumberText(state.intTempMemoHeight);
  state.texts[kMemoWidth] = NumberText(state.intTempMemoWidth);
  KillTimer(hwnd(), kSavingTimer);
  Unload();
  if (font_) {
    DeleteObject(font_);
    font_ = nullptr;
  }
  return true;
}

void MemoWindow::Insert(const std::u16string& text) { Replace(visible_box().hwnd(), text); }

void MemoWindow::Mirror() {
  if (!loaded()) return;
  forms::TextBox& shown = visible_box();
  forms::TextBox& other = &shown == text1_ ? *text2_ : *text1_;
  const std::u16string text = shown.Text();
  if (other.Text() != text) other.SetText(text);
}

void MemoWindow::SetCaptionTime(const std::u16string& caption) {
  if (loaded()) forms::SetWindowText16(hwnd(), caption);
}

void MemoWindow::OnResize() {
  if (!text1_ || !text2_) return;
  RECT client{};
  GetClientRect(hwnd(), &client);
  RECT tools{};
  RECT status{};
  GetWindowRect(toolbar_->hwnd(), &tools);
  GetWindowRect(status_bar_->hwnd(), &status);
  const int top = tools.bottom - tools.top;
  const int height = client.bottom - top - (status.bottom - status.top);
  if (client.right <= 2 || height <= 2) return;
  for (forms::TextBox* box : {text1_, text2_}) MoveWindow(box->hwnd(), 0, top, client.right, height, TRUE);
}

void MemoWindow::OnTimer(UINT_PTR id) {
  if (id != kSavingTimer) return;
  KillTimer(hwnd(), kSavingTimer);
  status_bar_->SetPanel(0, u"");
}

void MemoWindow::TellUnreadable() {
  if (told_unreadable_ || file_.state() != MemoFile::LoadState::kUnreadable) return;
  told_unreadable_ = true;
  os::ShowMessageBox(hwnd(), MemoUnreadableMessage(file_.path()).c_str(), kTitle, kBoxExclamation);
}

bool MemoWindow::OnMessage(UINT message, WPARAM wparam, LPARAM, LRESULT& result) {
  if (message == WM_SHOWWINDOW && wparam && !told_unreadable_ && file_.state() == MemoFile::LoadState::kUnreadable) {
    PostMessageW(hwnd(), kTellUnreadableMessage, 0, 0);
  }
  if (message == kTellUnreadableMessage) {
    TellUnreadable();
    result = 0;
    return true;
  }
  // A memo shown on top at start-up stops being on top once the user turns to it with the mouse. Its
  // showing activates it already, so only a click counts: into its text or onto the inactive window.
  const bool clicked = (message == WM_PARENTNOTIFY && (LOWORD(wparam) == WM_LBUTTONDOWN || LOWORD(wparam) == WM_RBUTTONDOWN ||
                                                      LOWORD(wparam) == WM_MBUTTONDOWN)) ||
                       (message == WM_ACTIVATE && LOWORD(wparam) == WA_CLICKACTIVE);
  if (clicked && (GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST)) {
    SetWindowPos(hwnd(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  return false;
}

void MemoWindow::Save() {
  status_bar_->SetPanel(0, u"Saving...");
  const std::u16string text = MemoText();
  const MemoFile::SaveResult result = file_.Save(MemoTextForFile(text));
  if (result == MemoFile::SaveResult::kSaved) saved_text_ = text;
  SetTimer(hwnd(), kSavingTimer, kSavingShown, nullptr);
  const std::u16string message = MemoSaveMessage(result, file_.path());
  if (!message.empty()) os::ShowMessageBox(hwnd(), message.c_str(), kTitle, kBoxExclamation);
}

void MemoWindow::CopySelection(bool cut) {
  HWND box = visible_box().hwnd();
  const std::u16string selected = SelectedText(box);
  // Nothing selected leaves the clipboard as it is.
  if (selected.empty()) return;
  os::WriteClipboardText(selected);
  if (cut) Replace(box, u"");
}

void MemoWindow::Find(bool ask) {
  const std::u16string memo = text1_->Text();
  std::optional<TextSelection> hit;
  std::u16string searched = find_.text;
  if (ask) {
    std::u16string answer = find_.text;
    if (!forms::InputBox(hwnd(), u"Enter text to be found:", u"Find", answer)) answer.clear();
    searched = answer;
    hit = FindInMemo(memo, answer, find_);
  } else {
    hit = FindNextInMemo(memo, find_);
  }
  if (!hit) {
    os::ShowMessageBox(hwnd(), NotFoundMessage(searched).c_str(), kTitle, kBoxInformation);
    return;
  }
  HWND box = visible_box().hwnd();
  SendMessageW(box, EM_SETSEL, hit->start, hit->start + hit->length);
  SendMessageW(box, EM_SCROLLCARET, 0, 0);
}

void MemoWindow::SelectLine() {
  HWND box = visible_box().hwnd();
  DWORD caret = 0;
  SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
  const LRESULT line = SendMessageW(box, EM_LINEFROMCHAR, caret, 0);
  const LRESULT first = SendMessageW(box, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
  std::vector<wchar_t> buffer(kMostLineCharacters + 1, L'\0');
  buffer[0] = static_cast<wchar_t>(kMostLineCharacters);
  const LRESULT copied = SendMessageW(box, EM_GETLINE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(buffer.data()));
  if (first < 0) {
    os::ShowMessageBox(hwnd(), u"Please move the line being wanted to select to upper position of Text.",
                       u"Select Line", 0);
    return;
  }
  const std::u16string text(reinterpret_cast<const char16_t*>(buffer.data()), static_cast<std::size_t>(copied < 0 ? 0 : copied));
  const std::size_t length = TrimmedLineLength(text);
  SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(first), static_cast<LPARAM>(first + static_cast<LRESULT>(length)));
  CopySelection(false);
  for (const int command : {kMemoDelete, kMemoCut, kMemoCopy}) menu_.SetEnabled(command, true);
}

void MemoWindow::Jump(CaretJump jump) {
  HWND box = visible_box().hwnd();
  const std::size_t at = CaretJumpOffset(jump, static_cast<std::size_t>(GetWindowTextLengthW(box)));
  SendMessageW(box, EM_SETSEL, at, at);
  SendMessageW(box, EM_SCROLLCARET, 0, 0);
  SetFocus(box);
}

void MemoWindow::LineWrap() {
  const bool wrapped = menu_.Checked(kMemoLineWrap);
  Mirror();
  text1_->SetVisible(!wrapped);
  text2_->SetVisible(wrapped);
  menu_.SetChecked(kMemoLineWrap, !wrapped);
}

void MemoWindow::ChooseFont() {
  forms::FontChoice choice;
  choice.face = u"Courier New";
  if (!forms::ChooseFontFor(hwnd(), choice)) return;
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(choice.points, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  HFONT font = CreateFontW(height, 0, 0, 0, choice.bold ? FW_BOLD : FW_NORMAL, choice.italic, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                           reinterpret_cast<const wchar_t*>(choice.face.c_str()));
  if (!font) return;
  for (forms::TextBox* box : {text1_, text2_}) SendMessageW(box->hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (font_) DeleteObject(font_);
  font_ = font;
}

void MemoWindow::OnToolbarKey(const std::u16string& key) {
  struct Route {
    const char16_t* key;
    int command;
  } const routes[] = {{u"memoBaidu", kMemoSearch},       {u"memoSave", kMemoSave},
                      {u"memoCut", kMemoCut},            {u"memoCopy", kMemoCopy},
                      {u"memoPaste", kMemoPaste},        {u"memoDelete", kMemoDelete},
                      {u"memoFind", kMemoFind},          {u"memoSelectline", kMemoSelectLine},
                      {u"memoShowMainWindow", kMemoShowMainWindow}, {u"memoBegin", kMemoBeginning},
                      {u"memoQuarter", kMemoQuarter},    {u"memoMiddle", kMemoMiddle},
                      {u"memoThreequarter", kMemoThreeQuarter}, {u"memoEnd", kMemoEnd}};
  if (key == u"memoEnter") {
    Insert(u"\r\n");
    return;
  }
  for (const auto& route : routes) {
    if (key == route.key) {
      OnMenuCommand(route.command);
      return;
    }
  }
}

void MemoWindow::OnMenuCommand(int command) {
  HWND box = visible_box().hwnd();
  switch (command) {
    case kMemoSearch:
      if (environment_.show_main_window) environment_.show_main_window();
      if (environment_.focus_search) environment_.focus_search();
      break;
    case kMemoUndo:
      SendMessageW(box, EM_UNDO, 0, 0);
      menu_.SetEnabled(kMemoSelectAll, true);
      break;
    case kMemoSave:
      Save();
      break;
    case kMemoCut:
      CopySelection(true);
      break;
    case kMemoCopy:
      CopySelection(false);
      break;
    case kMemoPaste:
      SendMessageW(box, WM_PASTE, 0, 0);
      break;
    case kMemoDelete:
      if (!SelectedText(box).empty()) Replace(box, u"");
      break;
    case kMemoFind:
      Find(true);
      break;
    case kMemoFindNext:
      Find(false);
      break;
    case kMemoSelectAll:
      SendMessageW(box, EM_SETSEL, 0, -1);
      for (const int c : {kMemoDelete, kMemoCut, kMemoCopy}) menu_.SetEnabled(c, true);
      menu_.SetEnabled(kMemoSelectAll, false);
      break;
    case kMemoSelectLine:
      SelectLine();
      break;
    case kMemoBeginning:
      Jump(CaretJump::kBeginning);
      break;
    case kMemoQuarter:
      Jump(CaretJump::kQuarter);
      break;
    case kMemoMiddle:
      Jump(CaretJump::kMiddle);
      break;
    case kMemoThreeQuarter:
      Jump(CaretJump::kThreeQuarter);
      break;
    case kMemoEnd:
      Jump(CaretJump::kEnd);
      break;
    case kMemoShowMainWindow:
      if (environment_.show_main_window) environment_.show_main_window();
      break;
    case kMemoClose:
      Hide();
      break;
    case kMemoLineWrap:
      LineWrap();
      break;
    case kMemoFont:
      ChooseFont();
      break;
    case kMemoAddDate: {
      const os::LocalDateTime today = os::ReadClock().local;
      Insert(MemoTextOfDate(os::FormatNamed(today, os::NamedFormat::kLongDate), WeekdayText(today.weekday)));
      break;
    }
    case kMemoAddTime:
      Insert(MemoTextOfTime(environment_.clock_text ? environment_.clock_text() : std::u16string()));
      break;
    default:
      break;
  }
}

}  // namespace tracker
