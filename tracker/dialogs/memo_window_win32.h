#pragma once
// The memo window `dlgnoforget` on the form layer: two multi-line boxes that show the memo wrapped or
// unwrapped, its menus, toolbar and status bar, and the memo file beside the program, read when the
// window loads and written by Save and when the window unloads.
#include <functional>
#include <string>

#include "platform/forms/forms.h"
#include "tracker/dialogs/memo_text.h"
#include "tracker/main/startup.h"

namespace tracker {

struct MemoEnvironment {
  std::u16string program_folder;
  StartupState* state = nullptr;  // the memo's place (intTempMemo*) and its settings texts
  std::function<void(double& left, double& top)> main_place;
  std::function<void()> show_main_window;
  std::function<void()> focus_search;        // the main window's web-search box
  std::function<std::u16string()> clock_text;  // the main window's clock box
};

// The memo's command identifiers: its menus, shortcuts and the tests send the same WM_COMMAND numbers.
enum MemoCommand : int {
  kMemoSearch = 300,
  kMemoUndo,
  kMemoSave,
  kMemoCut,
  kMemoCopy,
  kMemoPaste,
  kMemoDelete,
  kMemoFind,
  kMemoFindNext,
  kMemoSelectAll,
  kMemoSelectLine,
  kMemoBeginning,
  kMemoQuarter,
  kMemoMiddle,
  kMemoThreeQuarter,
  kMemoEnd,
  kMemoShowMainWindow,
  kMemoClose,
  kMemoLineWrap,
  kMemoFont,
  kMemoAddDate,
  kMemoAddTime,
  kMemoGoTo,
  kMemoMenuEdit = 340,
  kMemoMenuView,
  kMemoMenuFormat,
};

class MemoWindow final : public forms::Form {
 public:
  explicit MemoWindow(MemoEnvironment environment);

  // The Memo command: placed and shown in front, or only restored when minimised.
  void ShowMemo();
  // Unloading: an edited memo is written and the place kept. When its text cannot be written, the user
  // saves it to another file or keeps the memo open: false, and the memo stays (shown).
  bool UnloadMemo();
  // Writes an edited memo to its file, or, when that fails, to a file the user chooses; false when the
  // user kept the memo open instead, so its text still exists only here.
  bool KeepText();
  // Inserts text at the visible box's caret, replacing its selection.
  void Insert(const std::u16string& text);
  // The main window's timer: the hidden box takes the visible one's text; the caption takes the time.
  void Mirror();
  void SetCaptionTime(const std::u16string& caption);

  std::u16string MemoText();
  bool HasContent() { return !MemoText().empty(); }
  const std::u16string& tempMemoCaption() const { return temp_caption_; }
  forms::TextBox& wrapped_box() { hwnd(); return *text1_; }
  forms::TextBox& unwrapped_box() { hwnd(); return *text2_; }
  forms::TextBox& visible_box() { hwnd(); return text1_->Visible() ? *text1_ : *text2_; }
  forms::StatusBar& status_bar() { hwnd(); return *status_bar_; }
  forms::Toolbar& toolbar() { hwnd(); return *toolbar_; }
  forms::MenuTable& menu() { return menu_; }
  const MemoFile& file() const { return file_; }
  void Command(int command) { OnMenuCommand(command); }

 protected:
  void OnLoad() override;
  void OnMenuCommand(int command) override;
  void OnCloseRequest() override { UnloadMemo(); }
  void OnResize() override;
  void OnTimer(UINT_PTR id) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

 private:
  void Save();
  void TellUnreadable();
  void CopySelection(bool cut);
  void Find(bool ask);
  void SelectLine();
  void Jump(CaretJump jump);
  void LineWrap();
  void ChooseFont();
  void OnToolbarKey(const std::u16string& key);
  // Where the Memo command puts it: its stored place, or beside the main window when none is stored.
  void Place();

  MemoEnvironment environment_;
  MemoFile file_;
  MemoFind find_;
  std::u16string temp_caption_;
  // The text as the boxes showed it when the file was read or last written: the same text is not written.
  std::u16string saved_text_;
  bool told_unreadable_ = false;
  HFONT font_ = nullptr;
  forms::MenuTable menu_;
  forms::Toolbar* toolbar_ = nullptr;
  forms::StatusBar* status_bar_ = nullptr;
  forms::TextBox* text1_ = nullptr;
  forms::TextBox* text2_ = nullptr;
};

}  // namespace tracker
