#include "platform/dialogs/web_view_win32.h"

#include <gtest/gtest.h>

#include <exdispid.h>

#include <string>
#include <vector>

#include "tests/support/window_search.h"

namespace lz::dialogs {
namespace {

constexpr int kBrowserId = 1029;

// Remembers what the page reported.
struct Reports : WebViewListener {
  std::vector<std::wstring> before;
  std::vector<std::wstring> errors;
  int completes = 0;
  void OnBeforeNavigate(std::wstring_view address) override { before.emplace_back(address); }
  void OnDocumentComplete() override { ++completes; }
  void OnNavigateError(std::wstring_view address) override { errors.emplace_back(address); }
};

using lz::test::FindChildOfClass;

// Lets the control's posted work run until done() or the queue has stayed empty a while.
template <typename Done>
void PumpUntil(Done done) {
  for (int round = 0; round < 200 && !done(); ++round) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (!done()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 25, QS_ALLINPUT);
  }
}

SIZE ClientSize(HWND window) {
  RECT box{};
  GetClientRect(window, &box);
  return {box.right - box.left, box.bottom - box.top};
}

class WebViewTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    parent_ = CreateWindowExW(0, L"#32770", L"web view test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480,
                              nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override {
    if (parent_) DestroyWindow(parent_);
    OleUninitialize();
  }
  HWND parent_ = nullptr;
  Reports reports_;
};

TEST_F(WebViewTest, TheControlFillsItsHostAndFollowsAResize) {
  const auto view = BrowserWebView::Create(parent_, RECT{10, 20, 310, 220}, kBrowserId, &reports_);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(GetDlgItem(parent_, kBrowserId), view->window());
  RECT placed{};
  GetWindowRect(view->window(), &placed);
  MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, 10);
  EXPECT_EQ(placed.top, 20);
  const HWND embedding = FindChildOfClass(view->window(), L"Shell Embedding");
  ASSERT_NE(embedding, nullptr);
  EXPECT_EQ(ClientSize(embedding).cx, 300);
  EXPECT_EQ(ClientSize(embedding).cy, 200);

  view->Resize(RECT{0, 0, 500, 400});
  EXPECT_EQ(ClientSize(view->window()).cx, 500);
  EXPECT_EQ(ClientSize(embedding).cx, 500);
  EXPECT_EQ(ClientSize(embedding).cy, 400);
}

TEST_F(WebViewTest, BeforeNavigateCarriesTheAddressExactlyAsGiven) {
  const auto view = BrowserWebView::Create(parent_, RECT{0, 0, 300, 200}, kBrowserId, &reports_);
  ASSERT_NE(view, nullptr);
  const std::vector<std::wstring> addresses = {
      L"about:blank",
      L"http://example.invalid/%E4%B8%AD a",
      L"mk:@MSITStore:C:\\Lanzo\\main.chm::/About.html",
  };
  for (const auto& address : addresses) {
    reports_ = Reports{};
    EXPECT_TRUE(view->Navigate(address)) << std::string(address.begin(), address.end());
    PumpUntil([&] { return !reports_.errors.empty() || reports_.completes > 0; });
    ASSERT_FALSE(reports_.before.empty());
    EXPECT_EQ(reports_.before.front(), address);
  }
  // The page that cannot be shown has no title.
  EXPECT_EQ(view->LocationName(), L"");
}

TEST_F(WebViewTest, EventsReachTheListenerThroughTheSink) {
  const auto view = BrowserWebView::Create(parent_, RECT{0, 0, 300, 200}, kBrowserId, &reports_);
  ASSERT_NE(view, nullptr);
  ASSERT_NE(view->event_sink(), nullptr);
  VARIANT arguments[2];
  VariantInit(&arguments[0]);
  VariantInit(&arguments[1]);
  arguments[0].vt = VT_BSTR;
  arguments[0].bstrVal = SysAllocString(L"http://example.invalid/");
  DISPPARAMS parameters{arguments, nullptr, 2, 0};
  EXPECT_EQ(view->event_sink()->Invoke(DISPID_DOCUMENTCOMPLETE, IID_NULL, 0, DISPATCH_METHOD, &parameters, nullptr,
                                       nullptr, nullptr),
            S_OK);
  EXPECT_EQ(reports_.completes, 1);
  // The address of a navigation error is its second argument (arguments come last first).
  VARIANT error[5];
  for (auto& v : error) VariantInit(&v);
  error[3].vt = VT_BSTR;
  error[3].bstrVal = SysAllocString(L"about:blank");
  DISPPARAMS error_parameters{error, nullptr, 5, 0};
  view->event_sink()->Invoke(DISPID_NAVIGATEERROR, IID_NULL, 0, DISPATCH_METHOD, &error_parameters, nullptr, nullptr,
                             nullptr);
  ASSERT_EQ(reports_.errors.size(), 1u);
  EXPECT_EQ(reports_.errors.front(), L"about:blank");
  SysFreeString(arguments[0].bstrVal);
  SysFreeString(error[3].bstrVal);
}

TEST_F(WebViewTest, AfterDestroyTheControlHoldsNoReferenceToTheSiteAndItsWindowIsGone) {
  auto view = BrowserWebView::Create(parent_, RECT{0, 0, 300, 200}, kBrowserId, &reports_);
  ASSERT_NE(view, nullptr);
  view->Navigate(L"about:blank");
  PumpUntil([&] { return !reports_.errors.empty() || reports_.completes > 0; });
  IUnknown* site = view->site();
  ASSERT_NE(site, nullptr);
  site->AddRef();
  const HWND host = view->window();
  view->Destroy();
  EXPECT_FALSE(IsWindow(host));
  EXPECT_EQ(view->window(), nullptr);
  // Ours is the last reference.
  EXPECT_EQ(site->Release(), 0u);
  // A destroyed view does nothing.
  EXPECT_FALSE(view->Navigate(L"about:blank"));
  EXPECT_EQ(view->LocationName(), L"");
  view.reset();
}

}  // namespace
}  // namespace lz::dialogs
