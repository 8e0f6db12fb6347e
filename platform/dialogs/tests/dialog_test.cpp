#include "platform/dialogs/dialog_win32.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace lz::dialogs {
namespace {

constexpr int kTestDialog = 100;
constexpr int kTestPage = 101;
constexpr int kEdit = 1001;
constexpr int kAct = 1002;
constexpr int kFrame = 1031;
constexpr UINT kProbe = WM_APP + 1;

// A dialog whose start posts what the case wants to happen inside the modal loop.
class ProbeDialog : public Dialog {
 public:
  explicit ProbeDialog(std::function<void(HWND)> start)
      : Dialog(GetModuleHandleW(nullptr), kTestDialog), start_(std::move(start)) {}
  std::vector<int> commands;
  std::vector<UINT> messages;

 protected:
  BOOL OnInitDialog() override {
    start_(window());
    return TRUE;
  }
  bool OnCommand(int id, int code, HWND control) override {
    // The edit's focus notifications are no commands of the case.
    if (id != kEdit) commands.push_back(id);
    if (id == kAct) {
      End(7);
      return true;
    }
    return Dialog::OnCommand(id, code, control);
  }
  bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
    if (message == kProbe) {
      messages.push_back(message);
      result = 0;
      PostMessageW(window(), WM_COMMAND, IDOK, 0);
      return true;
    }
    return false;
  }

 private:
  std::function<void(HWND)> start_;
};

TEST(DialogTest, AMemberHandlerEndsTheModalRunWithItsCode) {
  ProbeDialog dialog([](HWND window) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(kAct, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, kAct)));
  });
  EXPECT_EQ(dialog.RunModal(nullptr), 7);
  EXPECT_EQ(dialog.commands, std::vector<int>{kAct});
  EXPECT_EQ(dialog.window(), nullptr);
}

TEST(DialogTest, EscapeInAControlCancelsThroughIsDialogMessage) {
  ProbeDialog dialog([](HWND window) {
    SetFocus(GetDlgItem(window, kEdit));
    PostMessageW(GetDlgItem(window, kEdit), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  });
  EXPECT_EQ(dialog.RunModal(nullptr), IDCANCEL);
  EXPECT_EQ(dialog.commands, std::vector<int>{IDCANCEL});
}

struct HookLog {
  std::vector<UINT> seen;
  bool eat = false;
};

bool RecordingHook(MSG& message, void* context) {
  auto* log = static_cast<HookLog*>(context);
  if (message.message != kProbe) return false;
  log->seen.push_back(message.message);
  if (log->eat) PostMessageW(message.hwnd, WM_COMMAND, IDCANCEL, 0);
  return log->eat;
}

TEST(DialogTest, ThePreTranslateHookSeesMessagesFirstAndMayEatThem) {
  for (bool eat : {false, true}) {
    HookLog log;
    log.eat = eat;
    SetPreTranslateHook(RecordingHook, &log);
    ProbeDialog dialog([](HWND window) { PostMessageW(window, kProbe, 0, 0); });
    const INT_PTR result = dialog.RunModal(nullptr);
    SetPreTranslateHook(nullptr, nullptr);
    EXPECT_EQ(log.seen, std::vector<UINT>{kProbe});
    // Eaten, the message never reaches the dialog, which is cancelled by the hook instead.
    EXPECT_EQ(result, eat ? IDCANCEL : IDOK);
    EXPECT_EQ(dialog.messages.size(), eat ? 0u : 1u);
  }
}

TEST(DialogTest, TheOwnerIsDisabledDuringTheRunAndEnabledAfter) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  bool disabled_inside = false;
  ProbeDialog dialog([&](HWND window) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(kAct, BN_CLICKED), 0);
  });
  class Watch {
   public:
    static bool Hook(MSG& message, void* context) {
      auto* pair = static_cast<std::pair<HWND, bool*>*>(context);
      if (message.message == WM_COMMAND) *pair->second = !IsWindowEnabled(pair->first);
      return false;
    }
  };
  std::pair<HWND, bool*> watch{owner, &disabled_inside};
  SetPreTranslateHook(Watch::Hook, &watch);
  EXPECT_EQ(dialog.RunModal(owner), 7);
  SetPreTranslateHook(nullptr, nullptr);
  EXPECT_TRUE(disabled_inside);
  EXPECT_TRUE(IsWindowEnabled(owner));
  DestroyWindow(owner);
}

class Page : public Dialog {
 public:
  Page() : Dialog(GetModuleHandleW(nullptr), kTestPage) {}
  bool destroyed = false;

 protected:
  void OnDestroy() override { destroyed = true; }
};

TEST(DialogTest, APageIsMadeHiddenAndPlacedOverItsFrame) {
  ProbeDialog host([](HWND) {});
  ASSERT_NE(host.CreateChild(nullptr), nullptr);
  Page page;
  HWND window = page.CreateChild(host.window());
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsWindowVisible(window));
  ShowWindow(host.window(), SW_SHOW);
  PlaceOverFrame(window, host.Item(kFrame));
  EXPECT_TRUE(IsWindowVisible(window));
  RECT frame{}, placed{};
  GetWindowRect(host.Item(kFrame), &frame);
  GetWindowRect(window, &placed);
  EXPECT_EQ(placed.left, frame.left);
  EXPECT_EQ(placed.top, frame.top);
  EXPECT_EQ(placed.right, frame.right);
  EXPECT_EQ(placed.bottom, frame.bottom);
  page.Destroy();
  EXPECT_TRUE(page.destroyed);
  EXPECT_EQ(page.window(), nullptr);
  host.Destroy();
}

}  // namespace
}  // namespace lz::dialogs
