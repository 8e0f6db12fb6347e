// 信息提示窗口 and the 关于 page with the system's browser control (or a stand-in page for the title):
// the address the control is given, the window's size and place, the control following a resize, the
// container let go at the end, and the About page's title line, update link and screenshot.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "config/web/about_page_win32.h"
#include "config/app/config_resources.h"
#include "config/app/tests/installed_config.h"
#include "config/web/web_pages_win32.h"
#include "config/web/web_resources.h"
#include "platform/os/system_info.h"
#include "tests/support/temp_folder.h"
#include "tests/support/window_search.h"
#include "textservice/engine/block_fields.h"
#include "textservice/skin/tests/png_writer.h"

namespace lz::config {
namespace {

constexpr int kPatienceRounds = 500;  // of 20 ms
constexpr wchar_t kViewerTitle[] = L"信息提示窗口";

// What the pages made by the test factories saw.
struct PageLog : dialogs::WebViewListener {
  dialogs::WebViewListener* viewer = nullptr;
  std::vector<std::wstring> before;
  IUnknown* site = nullptr;  // held by the test from creation on
  void OnBeforeNavigate(std::wstring_view address) override {
    before.emplace_back(address);
    if (viewer) viewer->OnBeforeNavigate(address);
  }
  void OnDocumentComplete() override {
    if (viewer) viewer->OnDocumentComplete();
  }
};
PageLog g_log;

// The real control, its events seen by the test first.
std::unique_ptr<dialogs::WebView> LoggedBrowser(HWND parent, const RECT& box, int id,
                                                dialogs::WebViewListener* listener) {
  g_log.viewer = listener;
  auto page = dialogs::BrowserWebView::Create(parent, box, id, &g_log);
  if (page && page->site()) {
    g_log.site = page->site();
    g_log.site->AddRef();
  }
  return page;
}

// A page whose title the test chooses; it keeps the viewer's listener to send DocumentComplete.
struct TitledPage : dialogs::WebView {
  static inline std::wstring title;
  static inline dialogs::WebViewListener* listener = nullptr;
  HWND host = nullptr;
  bool Navigate(std::wstring_view) override { return true; }
  std::wstring LocationName() override { return title; }
  void Resize(const RECT&) override {}
  void Destroy() override {}
  HWND window() const override { return host; }
};

std::unique_ptr<dialogs::WebView> TitledFactory(HWND, const RECT&, int, dialogs::WebViewListener* listener) {
  TitledPage::listener = listener;
  return std::make_unique<TitledPage>();
}

using lz::test::FindChildOfClass;

SIZE ClientSize(HWND window) {
  RECT box{};
  GetClientRect(window, &box);
  return {box.right - box.left, box.bottom - box.top};
}

// Runs the viewer; `play` gets it once it shows (on another thread) and must close it.
bool RunViewer(HtmlViewer& viewer, const std::function<void(HWND)>& play) {
  std::atomic<bool> found{false}, stop{false};
  std::thread user([&] {
    for (int tries = 0; tries < kPatienceRounds && !stop; ++tries) {
      if (HWND window = FindWindowW(L"#32770", kViewerTitle); window && IsWindowVisible(window)) {
        found = true;
        play(window);
        return;
      }
      Sleep(20);
    }
  });
  viewer.RunModal(nullptr);
  stop = true;
  user.join();
  return found;
}

class HtmlViewerTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    g_log = PageLog{};
  }
  void TearDown() override {
    if (g_log.site) g_log.site->Release();
    g_log = PageLog{};
    OleUninitialize();
  }
};

TEST_F(HtmlViewerTest, ARequestedSizeIsCutToTheScreenAndCentred) {
  const int screen_width = GetSystemMetrics(SM_CXSCREEN), screen_height = GetSystemMetrics(SM_CYSCREEN);
  HtmlViewer viewer(GetModuleHandleW(nullptr), u"about:blank", 2000, 500, LoggedBrowser);
  RECT placed{};
  SIZE client{}, embedding{}, resized_client{}, resized_embedding{};
  ASSERT_TRUE(RunViewer(viewer, [&](HWND window) {
    GetWindowRect(window, &placed);
    client = ClientSize(window);
    HWND control = FindChildOfClass(window, L"Shell Embedding");
    if (control) embedding = ClientSize(control);
    SetWindowPos(window, nullptr, 0, 0, 600, 400, SWP_NOMOVE | SWP_NOZORDER);
    resized_client = ClientSize(window);
    if (control) resized_embedding = ClientSize(control);
    PostMessageW(window, WM_CLOSE, 0, 0);
  }));
  const int width = std::min(2000, screen_width);
  EXPECT_EQ(placed.right - placed.left, width);
  EXPECT_EQ(placed.bottom - placed.top, 500);
  EXPECT_EQ(placed.left, (screen_width - width) / 2);
  EXPECT_EQ(placed.top, (screen_height - 500) / 2);
  EXPECT_EQ(embedding.cx, client.cx);
  EXPECT_EQ(embedding.cy, client.cy);
  EXPECT_EQ(resized_embedding.cx, resized_client.cx);
  EXPECT_EQ(resized_embedding.cy, resized_client.cy);
  EXPECT_NE(resized_client.cx, client.cx);
  // The control has let the container go: the test's reference is the last.
  ASSERT_NE(g_log.site, nullptr);
  EXPECT_EQ(g_log.site->Release(), 0u);
  g_log.site = nullptr;
}

TEST_F(HtmlViewerTest, NoSizeKeepsTheResourceSize) {
  SIZE sizes[2] = {};
  int i = 0;
  for (const int width : {-1, 0}) {
    HtmlViewer viewer(GetModuleHandleW(nullptr), u"about:blank", width, 500, TitledFactory);
    ASSERT_TRUE(RunViewer(viewer, [&](HWND window) {
      RECT box{};
      GetWindowRect(window, &box);
      sizes[i] = {box.right - box.left, box.bottom - box.top};
      PostMessageW(window, WM_CLOSE, 0, 0);
    }));
    ++i;
  }
  RECT resource{0, 0, 400, 300};
  EXPECT_EQ(sizes[0].cx, sizes[1].cx);
  EXPECT_EQ(sizes[0].cy, sizes[1].cy);
  EXPECT_GT(sizes[0].cx, resource.right);  // dialog units are wider than pixels
}

TEST_F(HtmlViewerTest, TheControlIsGivenTheEncodedAddressOrAHelpAddressAsItIs) {
  const struct {
    std::u16string given;
    std::wstring navigated;
  } cases[] = {
      {u"中 a", L"%E4%B8%AD a"},
      {u"mk:@MSITStore:C:\\兰卓\\main.chm::/About.html", L"mk:@MSITStore:C:\\兰卓\\main.chm::/About.html"},
      {u"", L"about:blank"},
  };
  for (const auto& c : cases) {
    g_log.before.clear();
    HtmlViewer viewer(GetModuleHandleW(nullptr), c.given, -1, -1, LoggedBrowser);
    ASSERT_TRUE(RunViewer(viewer, [&](HWND window) { PostMessageW(window, WM_CLOSE, 0, 0); }));
    ASSERT_FALSE(g_log.before.empty());
    EXPECT_EQ(g_log.before.front(), c.navigated);
    if (g_log.site) g_log.site->Release();
    g_log.site = nullptr;
  }
}

TEST_F(HtmlViewerTest, ALoadedPageTitlesTheWindowUnlessItHasNoTitle) {
  std::wstring with_title, without_title;
  for (const wchar_t* title : {L"帮助页面", L""}) {
    TitledPage::title = title;
    HtmlViewer viewer(GetModuleHandleW(nullptr), u"about:blank", -1, -1, TitledFactory);
    ASSERT_TRUE(RunViewer(viewer, [&](HWND window) {
      // The page's load ends on the dialog's own thread.
      SendMessageW(window, WM_NULL, 0, 0);
      TitledPage::listener->OnDocumentComplete();
      wchar_t text[64] = {};
      GetWindowTextW(window, text, 64);
      (*title ? with_title : without_title) = text;
      PostMessageW(window, WM_CLOSE, 0, 0);
    }));
  }
  EXPECT_EQ(with_title, L"帮助页面");
  EXPECT_EQ(without_title, kViewerTitle);
}

// The screen's pixels in a window's rectangle, kept as a PNG beside the test program.
void SaveScreenshot(HWND window, const char* name) {
  RECT area{};
  GetWindowRect(window, &area);
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  std::vector<std::uint8_t> rgba;
  const auto* p = static_cast<const std::uint32_t*>(bits);
  for (int i = 0; i < width * height; ++i) {
    rgba.insert(rgba.end(), {static_cast<std::uint8_t>(p[i] >> 16), static_cast<std::uint8_t>(p[i] >> 8),
                             static_cast<std::uint8_t>(p[i]), 0xFF});
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  const std::string file = std::string(name) + (sizeof(void*) == 8 ? "-x64.png" : "-x86.png");
  test::WriteFileBytes(file, test::EncodeRgbaPng(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                                                 rgba));
}

class AboutPageTest : public HtmlViewerTest {
 protected:
  void SetUp() override {
    HtmlViewerTest::SetUp();
    installed::InstallLibrary(L"Quenlith");
  }
  // Opens the page on an installation whose soft block has this update template; `look` sees it shown.
  void Show(const std::u16string& update, const std::function<void(AboutPage&, HWND)>& look) {
    test::DataFolderContents contents = installed::Contents();
    contents.edit_blocks = [&](ConfigBlocks& b) {
      WriteFieldText(b.soft, soft_block::kImeName, 56, u"Quenlith");
      WriteFieldText(b.soft, soft_block::kDisplayName, 64, u"兰卓五笔");
      WriteFieldText(b.soft, soft_block::kDisplayVersion, 96, u"1.2.3.4");
      WriteFieldText(b.soft, soft_block::kUrlUpdateInfo, 512, update);
    };
    test::InstalledFolder folder(contents);
    ConfigContext* context = OpenConfigContext(folder.class_id().c_str());
    ASSERT_NE(context, nullptr);
    HWND frame = CreateWindowExW(0, L"#32770", L"关于", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700, 560, nullptr,
                                 nullptr, nullptr, nullptr);
    {
      AboutPage page(GetModuleHandleW(nullptr), context, LoggedBrowser);
      ASSERT_NE(page.CreateChild(frame), nullptr);
      ShowWindow(page.window(), SW_SHOW);
      look(page, frame);
    }
    DestroyWindow(frame);
    CloseConfigContext(context);
  }
};

TEST_F(AboutPageTest, ShowsTheTitleLineAndTheUpdateLinkOnlyForAnUpdateServiceOfItsOwn) {
  const struct {
    std::u16string update;
    bool shown;
  } cases[] = {
      {u"", false},
      {u"HTTPS://Update.Invalid/UPDATE_LIST.txt?ver=%s&id=%s&mac=%s&data=%d", false},
      {u"https://example.org/update_list.txt?ver=%s", true},
  };
  for (const auto& c : cases) {
    Show(c.update, [&](AboutPage& page, HWND frame) {
      wchar_t title[100] = {};
      GetDlgItemTextW(page.window(), IDC_ABOUT_TITLE, title, 100);
      EXPECT_STREQ(title, L"兰卓五笔: 1.2.3.4 build 361");
      EXPECT_EQ(IsWindowVisible(page.Item(IDC_ABOUT_UPDATE)) != FALSE, c.shown);
      // No help file is installed: the page shows a blank page.
      ASSERT_FALSE(g_log.before.empty());
      EXPECT_EQ(g_log.before.back(), L"about:blank");
      EXPECT_NE(GetDlgItem(page.window(), IDC_ABOUT_BROWSER), nullptr);
      if (c.shown) {
        UpdateWindow(frame);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        SaveScreenshot(frame, "about-page");
      }
    });
    if (g_log.site) g_log.site->Release();
    g_log = PageLog{};
  }
}

}  // namespace
}  // namespace lz::config
