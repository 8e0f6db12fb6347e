// The memo as a user meets it. Its text across Quit, the memo's close box and a log-off: a memo file is
// shown whole (NUL bytes too) and never written when nobody changed it, and text that cannot go to the
// memo file goes to a file the user chooses, or the memo stays open with it. A memo shown at start-up
// stays on top until the user clicks into it.
#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/dialogs/file_chooser_win32.h"
#include "platform/os/local_clock.h"
#include "platform/os/message_box.h"
#include "tests/support/temp_folder.h"
#include "tracker/dialogs/memo_text.h"
#include "tracker/main/command_ids.h"
#include "tracker/main/main_window.h"
#include "tracker/main/tests/main_window_test_support.h"

namespace tracker {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes BytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

class MemoWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_test::SetDecemberTime(reading_, 10, 14, 0, 0);
    os::SetClockSource([](void* context) { return *static_cast<os::ClockReading*>(context); }, &reading_);
    os::SetNamedFormatter(
        [](const os::LocalDateTime& t, os::NamedFormat f, void*) { return os::FormatUnitedStates(t, f); }, nullptr);
    os::SetMessageBoxResponder(
        [](const os::MessageBoxRequest& request, void* context) {
          auto* self = static_cast<MemoWindowTest*>(context);
          self->boxes_.push_back(request.text);
          if (self->answers_.empty()) return os::kAnswerOk;
          const int answer = self->answers_.front();
          self->answers_.pop_front();
          return answer;
        },
        this);
    lz::dialogs::SetFileChooserResponder(
        [](const lz::dialogs::FileChooserRequest& request, std::u16string& path, void* context) {
          auto* self = static_cast<MemoWindowTest*>(context);
          ++self->choosers_;
          EXPECT_TRUE(request.save);
          EXPECT_NE(request.filter.find(u"*.txt"), std::u16string::npos);
          if (self->chosen_.empty()) return false;
          path = self->chosen_;
          return true;
        },
        this);
  }
  void TearDown() override {
    if (window_ && window_->loaded()) {
      answers_.clear();
      chosen_ = window_test::FolderText(folder_) + u"\\left over.txt";
      window_test::SendCommand(*window_, kCmdQuit);
    }
    window_.reset();
    lz::dialogs::SetFileChooserResponder(nullptr, nullptr);
    window_test::ResetWindowTestSeams();
  }

  MainWindow& Started(const std::u16string& program_folder) {
    window_ = std::make_unique<MainWindow>(program_folder);
    window_->StartUp();
    return *window_;
  }

  std::filesystem::path MemoFilePath() const { return folder_.path() / "PenduloMemo.txt"; }
  std::u16string Elsewhere() const { return window_test::FolderText(folder_) + u"\\kept memo.txt"; }

  lz::test::TempFolder folder_;
  os::ClockReading reading_;
  std::vector<std::u16string> boxes_;
  std::deque<int> answers_;
  std::u16string chosen_;
  int choosers_ = 0;
  std::unique_ptr<MainWindow> window_;
};

constexpr int kCancel = 2;

TEST_F(MemoWindowTest, ANulByteInTheMemoFileIsShownAndTheFileKeptWhole) {
  const Bytes bytes = BytesOf(std::string_view("before\0after\r\nmore", 18));
  lz::test::WriteFileBytes(MemoFilePath(), bytes);
  MainWindow& window = Started(window_test::FolderText(folder_));
  EXPECT_EQ(window.status_bar().Panel(1), u"Memo has content");
  window_test::SendCommand(window, kCmdMemo);
  EXPECT_EQ(window.memo().wrapped_box().Text(), u"before\u2400after\r\nmore");
  window_test::SendCommand(window, kCmdQuit);
  ASSERT_FALSE(window.loaded());
  EXPECT_EQ(lz::test::ReadFileBytes(MemoFilePath()), bytes);
  EXPECT_TRUE(boxes_.empty());

  // Edited, the memo is written with its NUL where it was.
  MainWindow& again = Started(window_test::FolderText(folder_));
  window_test::SendCommand(again, kCmdMemo);
  forms::TextBox& box = again.memo().wrapped_box();
  SendMessageW(box.hwnd(), EM_SETSEL, 0, 0);
  SendMessageW(box.hwnd(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L">"));
  window_test::SendCommand(again, kCmdQuit);
  ASSERT_FALSE(again.loaded());
  EXPECT_EQ(lz::test::ReadFileBytes(MemoFilePath()), BytesOf(std::string_view(">before\0after\r\nmore", 19)));
}

TEST_F(MemoWindowTest, AMemoFileNobodyChangedIsNotWrittenAgain) {
  // A UTF-16 file would come back as UTF-8 if it were written; unchanged, it keeps its own bytes.
  const Bytes bytes = {0xFF, 0xFE, 'h', 0, 'i', 0};
  lz::test::WriteFileBytes(MemoFilePath(), bytes);
  MainWindow& window = Started(window_test::FolderText(folder_));
  window_test::SendCommand(window, kCmdMemo);
  SendMessageW(window.memo().hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(window.memo().loaded());
  EXPECT_EQ(lz::test::ReadFileBytes(MemoFilePath()), bytes);
}

TEST_F(MemoWindowTest, QuitWithAMemoThatCannotBeWrittenOffersAnotherFileOrStays) {
  // A program folder that cannot take the memo file (here: it does not exist).
  MainWindow& window = Started(window_test::FolderText(folder_) + u"\\no such folder");
  boxes_.clear();
  window.memo().wrapped_box().SetText(u"call Bob at 3");

  // Cancel: the program stays, with the memo shown.
  answers_ = {kCancel};
  window_test::SendCommand(window, kCmdQuit);
  ASSERT_TRUE(window.loaded());
  EXPECT_TRUE(window.memo().loaded());
  EXPECT_TRUE(window.memo().Visible());
  ASSERT_FALSE(boxes_.empty());
  EXPECT_NE(boxes_.back().find(u"could not be written"), std::u16string::npos);
  EXPECT_EQ(choosers_, 0);

  // OK, and the save dialog cancelled: still open.
  window_test::SendCommand(window, kCmdQuit);
  ASSERT_TRUE(window.loaded());
  EXPECT_EQ(choosers_, 1);
  EXPECT_EQ(window.memo().wrapped_box().Text(), u"call Bob at 3");

  // OK and a file chosen: the text is there, and the program ends.
  chosen_ = Elsewhere();
  window_test::SendCommand(window, kCmdQuit);
  EXPECT_FALSE(window.loaded());
  EXPECT_EQ(lz::test::ReadFileBytes(folder_.path() / "kept memo.txt"), BytesOf("call Bob at 3"));
}

TEST_F(MemoWindowTest, AnUnreadableMemoFileSaysSoWhenTheMemoOpensAndItsNewNoteIsNotDropped) {
  const Bytes bytes = {0xEF, 0xBB, 0xBF, 'o', 'k', 0xC0, 0x80};
  lz::test::WriteFileBytes(MemoFilePath(), bytes);
  MainWindow& window = Started(window_test::FolderText(folder_));
  EXPECT_TRUE(boxes_.empty());  // loaded unseen at start-up: nothing to say yet
  window_test::SendCommand(window, kCmdMemo);
  window_test::SettleDisplay();
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_NE(boxes_[0].find(u"could not be read"), std::u16string::npos);
  EXPECT_NE(boxes_[0].find(window_test::FolderText(folder_) + u"\\PenduloMemo.txt"), std::u16string::npos);
  // Shown again, it does not say it twice.
  window.memo().Hide();
  window_test::SendCommand(window, kCmdMemo);
  window_test::SettleDisplay();
  EXPECT_EQ(boxes_.size(), 1u);

  window.memo().wrapped_box().SetText(u"a note");
  answers_ = {kCancel};
  SendMessageW(window.memo().hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(window.memo().loaded());
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_NE(boxes_[1].find(u"another file"), std::u16string::npos);

  chosen_ = Elsewhere();
  window_test::SendCommand(window, kCmdQuit);
  EXPECT_FALSE(window.loaded());
  EXPECT_EQ(lz::test::ReadFileBytes(MemoFilePath()), bytes);
  EXPECT_EQ(lz::test::ReadFileBytes(folder_.path() / "kept memo.txt"), BytesOf("a note"));
}

TEST_F(MemoWindowTest, ALogOffWithAMemoThatCannotBeWrittenIsRefusedWhenTheUserKeepsTheMemo) {
  MainWindow& window = Started(window_test::FolderText(folder_) + u"\\no such folder");
  boxes_.clear();
  window.memo().wrapped_box().SetText(u"minutes of the meeting");
  answers_ = {kCancel};
  EXPECT_EQ(SendMessageW(window.hwnd(), WM_QUERYENDSESSION, 0, 0), FALSE);
  EXPECT_TRUE(window.memo().Visible());
  chosen_ = Elsewhere();
  EXPECT_EQ(SendMessageW(window.hwnd(), WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_EQ(lz::test::ReadFileBytes(folder_.path() / "kept memo.txt"), BytesOf("minutes of the meeting"));
  // Written once, the memo asks nothing more at Quit.
  boxes_.clear();
  window_test::SendCommand(window, kCmdQuit);
  EXPECT_FALSE(window.loaded());
}

bool Topmost(HWND window) { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

// A real click of the left button at a point of the screen.
void ClickAt(POINT at) {
  SetCursorPos(at.x, at.y);
  INPUT inputs[2] = {};
  inputs[0].type = INPUT_MOUSE;
  inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[1].type = INPUT_MOUSE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, inputs, sizeof(INPUT));
}

TEST_F(MemoWindowTest, AMemoShownAtStartUpStaysOnTopUntilTheFirstClickIntoItsText) {
  lz::test::WriteFileBytes(folder_.path() / "Wexrad.txt", BytesOf("[MyApp]\r\nSM=1\r\n"));
  MainWindow& window = Started(window_test::FolderText(folder_));
  HWND memo = window.memo().hwnd();
  ASSERT_TRUE(window.memo().Visible());
  EXPECT_TRUE(Topmost(memo));
  // Its own showing, the main window's and a trip to the main window and back leave it on top.
  window_test::SettleDisplay();
  SetForegroundWindow(window.hwnd());
  SetForegroundWindow(memo);
  window_test::SettleDisplay();
  EXPECT_TRUE(Topmost(memo));

  RECT text{};
  GetWindowRect(window.memo().visible_box().hwnd(), &text);
  ClickAt(POINT{(text.left + text.right) / 2, (text.top + text.bottom) / 2});
  window_test::SettleDisplay(300);
  EXPECT_FALSE(Topmost(memo));
}

}  // namespace
}  // namespace tracker
