// The main window's and the memo's toolbars as a user meets them: hovering a button shows the tip that
// names its command, and each button has a picture of its own.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os/local_clock.h"
#include "tests/support/temp_folder.h"
#include "tracker/main/command_ids.h"
#include "tracker/main/main_window.h"
#include "tracker/main/tests/main_window_test_support.h"

namespace tracker {
namespace {

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

struct ButtonSeen {
  bool separator = false;
  std::u16string tip;          // what the toolbar's tool tip shows for the button
  std::vector<DWORD> picture;  // the button's image drawn on white
};

std::vector<DWORD> DrawImage(HIMAGELIST images, int index) {
  int width = 0;
  int height = 0;
  ImageList_GetIconSize(images, &width, &height);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ImageList_Draw(images, index, dc, 0, 0, ILD_NORMAL);
  GdiFlush();
  const auto* pixels = static_cast<const DWORD*>(bits);
  std::vector<DWORD> picture(pixels, pixels + width * height);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return picture;
}

std::vector<ButtonSeen> SeeButtons(HWND toolbar) {
  std::vector<ButtonSeen> seen;
  const auto tips = reinterpret_cast<HWND>(SendMessageW(toolbar, TB_GETTOOLTIPS, 0, 0));
  const auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(toolbar, TB_GETIMAGELIST, 0, 0));
  const int count = static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    TBBUTTON button{};
    SendMessageW(toolbar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button));
    ButtonSeen b;
    b.separator = (button.fsStyle & BTNS_SEP) != 0;
    if (!b.separator) {
      wchar_t text[256] = {};
      TTTOOLINFOW tool{};
      tool.cbSize = sizeof tool;
      tool.hwnd = toolbar;
      tool.uId = static_cast<UINT_PTR>(button.idCommand);
      tool.lpszText = text;
      if (tips) SendMessageW(tips, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
      b.tip = reinterpret_cast<const char16_t*>(text);
      if (images) b.picture = DrawImage(images, button.iBitmap);
    }
    seen.push_back(std::move(b));
  }
  return seen;
}

// The tips in order ("-" for a separator); and no two buttons drawn alike, none left blank.
void ExpectTipsAndOwnPictures(HWND toolbar, const std::vector<std::u16string>& expected_tips) {
  const std::vector<ButtonSeen> seen = SeeButtons(toolbar);
  std::vector<std::u16string> tips;
  for (const auto& b : seen) tips.push_back(b.separator ? u"-" : b.tip);
  EXPECT_EQ(tips, expected_tips);
  const std::vector<DWORD> blank(seen.empty() || seen[0].picture.empty() ? 0 : seen[0].picture.size(), 0xFFFFFF);
  for (std::size_t i = 0; i < seen.size(); ++i) {
    if (seen[i].separator) continue;
    ASSERT_FALSE(seen[i].picture.empty()) << Narrow(seen[i].tip);
    EXPECT_NE(seen[i].picture, blank) << Narrow(seen[i].tip) << " shows no picture";
    for (std::size_t j = i + 1; j < seen.size(); ++j) {
      if (seen[j].separator) continue;
      EXPECT_NE(seen[i].picture, seen[j].picture) << Narrow(seen[i].tip) << " and " << Narrow(seen[j].tip);
    }
  }
}

class ToolbarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_test::SetDecemberTime(reading_, 10, 14, 0, 0);
    os::SetClockSource([](void* context) { return *static_cast<os::ClockReading*>(context); }, &reading_);
  }
  void TearDown() override { window_test::ResetWindowTestSeams(); }

  lz::test::TempFolder folder_;
  os::ClockReading reading_;
};

TEST_F(ToolbarTest, EachButtonOfTheMainWindowAndTheMemoShowsItsTipAndItsOwnPicture) {
  MainWindow window(window_test::FolderText(folder_));
  window.StartUp();
  ExpectTipsAndOwnPictures(window.toolbar().hwnd(),
                           {u"Set Reminder", u"Start", u"Pause", u"Stop", u"Web Navigation", u"Record Table",
                            u"Save to Record Table", u"Memo", u"Delete Selected Record", u"Options",
                            u"Pendulo On the Web", u"Documentation", u"Shutdown Computer", u"Quit"});
  ExpectTipsAndOwnPictures(window.memo().toolbar().hwnd(),
                           {u"Baidu Search", u"Save", u"Cut", u"Copy", u"Paste", u"Delete", u"-", u"Find",
                            u"Select Line", u"Show Main Window", u"-", u"Beginning", u"Quarter", u"Middle",
                            u"Three Quarter", u"End", u"Enter"});
  window_test::SendCommand(window, kCmdQuit);
}

}  // namespace
}  // namespace tracker
