// Every text of the main window, Set Reminder, Options and the memo shows whole: each caption fits its
// control in the system's message font and in a Chinese-capable one. Pictures of the four windows in both
// fonts are left beside the test program as build artefacts.
#include <windows.h>

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

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (const wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

// A caption as drawn: "&&" shows one ampersand, a single "&" marks the access key and shows nothing.
std::wstring Shown(const std::wstring& caption) {
  std::wstring shown;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == L'&' && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  return shown;
}

int Scaled(int pixels_at_96, HWND window) {
  HDC dc = GetDC(window);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(window, dc);
  return MulDiv(pixels_at_96, dpi, 96);
}

// What the control leaves its caption: a check box or option button its box and the gap after it, a
// push button its edges, a frame the corners around its caption.
int RoomForCaption(HWND control, const wchar_t* kind, int width) {
  if (lstrcmpiW(kind, L"Button") != 0) return width;
  switch (GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
      return width - Scaled(13 + 4, control);
    case BS_GROUPBOX:
      return width - Scaled(2 * 8, control);
    default:
      return width - Scaled(2 * 4, control);
  }
}

// Room a caption keeps beyond its own width: another machine's rendering of the same font may be a few
// pixels wider.
constexpr int kSlack = 4;

struct Search {
  std::vector<std::string> clipped;
};

BOOL CALLBACK CheckCaption(HWND control, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  wchar_t kind[64] = {};
  GetClassNameW(control, kind, 64);
  if (lstrcmpiW(kind, L"Static") != 0 && lstrcmpiW(kind, L"Button") != 0) return TRUE;
  if ((GetWindowLongPtrW(control, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP && lstrcmpiW(kind, L"Static") == 0) return TRUE;
  wchar_t caption[512] = {};
  GetWindowTextW(control, caption, 512);
  const std::wstring shown = Shown(caption);
  if (shown.empty()) return TRUE;
  HDC dc = GetDC(control);
  const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  RECT needed{0, 0, 0, 0};
  DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &needed, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  RECT client{};
  GetClientRect(control, &client);
  const int room = RoomForCaption(control, kind, client.right);
  if (needed.right + kSlack > room || needed.bottom > client.bottom) {
    search->clipped.push_back("\"" + Narrow(shown) + "\" needs " + std::to_string(needed.right) + "x" +
                              std::to_string(needed.bottom) + ", has " + std::to_string(room) + "x" +
                              std::to_string(client.bottom));
  }
  return TRUE;
}

std::vector<std::string> ClippedCaptions(HWND form) {
  Search search;
  EnumChildWindows(form, CheckCaption, reinterpret_cast<LPARAM>(&search));
  return search.clipped;
}

// The message font every form takes, for the run of one test.
class MessageFont {
 public:
  explicit MessageFont(const wchar_t* face, int points) {
    saved_.cbSize = sizeof saved_;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof saved_, &saved_, 0);
    if (!face) return;
    NONCLIENTMETRICSW metrics = saved_;
    HDC screen = GetDC(nullptr);
    metrics.lfMessageFont.lfHeight = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    metrics.lfMessageFont.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(metrics.lfMessageFont.lfFaceName, face, LF_FACESIZE);
    // Not written to the prefix's registry: only this process sees it.
    SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  }
  ~MessageFont() { SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof saved_, &saved_, 0); }
  MessageFont(const MessageFont&) = delete;
  MessageFont& operator=(const MessageFont&) = delete;

 private:
  NONCLIENTMETRICSW saved_{};
};

std::wstring FaceOf(HWND control) {
  HDC dc = GetDC(control);
  const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return face;
}

struct FontCase {
  const char* name;
  const wchar_t* face;  // null: the system's own message font
  int points;
};

class TextFitTest : public ::testing::TestWithParam<FontCase> {
 protected:
  void SetUp() override {
    window_test::SetDecemberTime(reading_, 10, 14, 0, 0);
    os::SetClockSource([](void* context) { return *static_cast<os::ClockReading*>(context); }, &reading_);
    os::SetNamedFormatter(
        [](const os::LocalDateTime& t, os::NamedFormat f, void*) { return os::FormatUnitedStates(t, f); }, nullptr);
  }
  void TearDown() override { window_test::ResetWindowTestSeams(); }

  lz::test::TempFolder folder_;
  os::ClockReading reading_;
};

TEST_P(TextFitTest, EveryCaptionOfTheFourWindowsShowsWhole) {
  const FontCase& font = GetParam();
  MessageFont message_font(font.face, font.points);
  MainWindow window(window_test::FolderText(folder_));
  window.StartUp();
  if (font.face) {
    ASSERT_EQ(FaceOf(window.start_box().hwnd()), font.face) << "the font is not installed in the prefix";
  }
  window.reminder_editor().ShowEditor(nullptr);
  window.options().ShowOptions();
  window_test::SendCommand(window, kCmdMemo);
  window_test::SettleDisplay(300);
  struct Shown {
    const char* what;
    HWND hwnd;
  } const windows[] = {{"main_window", window.hwnd()},
                       {"set_reminder", window.reminder_editor().hwnd()},
                       {"options", window.options().hwnd()},
                       {"memo", window.memo().hwnd()}};
  for (const Shown& shown : windows) {
    EXPECT_EQ(ClippedCaptions(shown.hwnd), std::vector<std::string>{}) << shown.what;
    SetForegroundWindow(shown.hwnd);
    window_test::SettleDisplay(100);
    window_test::SaveScreenshot(shown.hwnd, ("pendulo_" + std::string(shown.what) + "_" + font.name + ".bmp").c_str());
  }
  // Each page of Options.
  for (int tab = 0; tab < 3; ++tab) {
    window.options().tabs().Select(tab);
    SetForegroundWindow(window.options().hwnd());
    window_test::SettleDisplay(100);
    window_test::SaveScreenshot(window.options().hwnd(),
                                ("pendulo_options_page" + std::to_string(tab + 1) + "_" + font.name + ".bmp").c_str());
  }
  window.reminder_editor().Hide();
  window_test::SendCommand(window, kCmdQuit);
}

INSTANTIATE_TEST_SUITE_P(Fonts, TextFitTest,
                         ::testing::Values(FontCase{"system_font", nullptr, 0},
                                           FontCase{"chinese_font", L"WenQuanYi Micro Hei", 9}),
                         [](const ::testing::TestParamInfo<FontCase>& font) { return std::string(font.param.name); });

}  // namespace
}  // namespace tracker
