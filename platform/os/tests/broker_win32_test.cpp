// Keys and program starts of an immersive activation: through a broker, one per action, when there is
// one; keys typed directly and starts refused when there is none; untouched when broker sending is off.
#include <windows.h>

#include <gtest/gtest.h>

#include <objbase.h>

#include <vector>

#include "platform/os/broker.h"
#include "platform/os/broker_win32.h"
#include "platform/os/key_sender.h"
#include "platform/os/program_start.h"
#include "tests/support/fake_broker.h"

namespace os {
namespace {

using lz::test::BrokerKey;
using lz::test::FakeBroker;

struct TypedKey {
  UINT message;
  WPARAM vk;
  UINT scan;
  bool operator==(const TypedKey&) const = default;
};

// A focused window of this thread that records the keys it receives.
class KeyWindow {
 public:
  KeyWindow() {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"broker_test_keys";
    RegisterClassW(&window_class);
    window_ = CreateWindowExW(0, L"broker_test_keys", L"keys", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(window_);
    SetFocus(window_);
    Pump(2);
    keys.clear();
  }
  ~KeyWindow() { DestroyWindow(window_); }

  // Takes the messages that have arrived, waiting a little for each round of input.
  void Pump(int rounds) {
    for (int round = 0; round < rounds; ++round) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.hwnd == window_ && (message.message == WM_KEYDOWN || message.message == WM_KEYUP)) {
          keys.push_back(TypedKey{message.message, message.wParam, static_cast<UINT>((message.lParam >> 16) & 0xFF)});
        }
        DispatchMessageW(&message);
      }
    }
  }

  std::vector<TypedKey> keys;

 private:
  HWND window_ = nullptr;
};

class Broker : public testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override {
    SetBrokerSending(false);
    CoUninitialize();
  }
};

TEST_F(Broker, IsNotThereUntilSomeoneRegistersIt) {
  void* broker = nullptr;
  EXPECT_EQ(CoCreateInstance(kImeBrokerClsid, nullptr, CLSCTX_LOCAL_SERVER, kImeBrokerIid, &broker),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(CreateBroker(), nullptr);
  EXPECT_EQ(LaunchViaBroker(L"config.exe", L"", L""), 0);
}

TEST_F(Broker, GetsEachActionsKeysThroughOneBrokerAndTheStarts) {
  FakeBroker fake;
  ASSERT_TRUE(fake.registered());
  SetBrokerSending(true);
  {
    const KeyActionScope action;
    SendKeyEvent(VK_BACK, 0x0E, 0);
    SendKeyEvent(VK_BACK, 0x0E, kKeyEventUp);
    const KeyActionScope nested;
    SendKeyEvent(VK_LEFT, 0x4B, kKeyEventExtended);
  }
  EXPECT_EQ(fake.created, 1);
  EXPECT_EQ(fake.live, 0);
  EXPECT_EQ(fake.keys, (std::vector<BrokerKey>{{VK_BACK, 0x0E, 0}, {VK_BACK, 0x0E, KEYEVENTF_KEYUP},
                                                {VK_LEFT, 0x4B, KEYEVENTF_EXTENDEDKEY}}));
  // A key outside any action is an action of its own.
  SendKeyEvent('A', 0x1E, 0);
  EXPECT_EQ(fake.created, 2);
  EXPECT_EQ(fake.live, 0);

  EXPECT_TRUE(StartProgram(u"C:\\Lanzo\\config.exe", u"/n {X}", u"C:\\Lanzo"));
  ASSERT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(fake.starts[0].file, L"C:\\Lanzo\\config.exe");
  EXPECT_EQ(fake.starts[0].parameters, L"/n {X}");
  EXPECT_EQ(fake.starts[0].directory, L"C:\\Lanzo");
  EXPECT_EQ(fake.starts[0].show, SW_SHOW);
  EXPECT_EQ(LaunchViaBroker(L"x.exe", L"", L""), 42);
  EXPECT_EQ(fake.live, 0);
}

TEST_F(Broker, WithoutOneKeysArriveAsWindowMessagesAndStartsGiveNothing) {
  KeyWindow window;
  SetBrokerSending(true);
  {
    const KeyActionScope action;
    SendKeyEvent('B', 0x30, 0);
    SendKeyEvent('B', 0x30, kKeyEventUp);
  }
  window.Pump(10);
  EXPECT_EQ(window.keys, (std::vector<TypedKey>{{WM_KEYDOWN, 'B', 0x30}, {WM_KEYUP, 'B', 0x30}}));
  EXPECT_FALSE(StartProgram(u"C:\\nowhere\\config.exe", u"", u""));
}

TEST_F(Broker, IsNotAskedOutsideImmersiveActivations) {
  FakeBroker fake;
  KeyWindow window;
  SendKeyEvent('C', 0x2E, 0);
  SendKeyEvent('C', 0x2E, kKeyEventUp);
  window.Pump(10);
  EXPECT_EQ(fake.created, 0);
  EXPECT_EQ(window.keys, (std::vector<TypedKey>{{WM_KEYDOWN, 'C', 0x2E}, {WM_KEYUP, 'C', 0x2E}}));
}

}  // namespace
}  // namespace os
