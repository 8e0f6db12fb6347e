#include "platform/os/key_sender.h"

#include <atomic>

#include "platform/os/broker.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/os/broker_win32.h"
#endif

namespace os {
namespace {

struct Sink {
  std::atomic<KeySink> sink{nullptr};
  std::atomic<void*> context{nullptr};
};

Sink& CurrentSink() {
  static Sink sink;
  return sink;
}

}  // namespace

void SetKeySink(KeySink sink, void* context) {
  CurrentSink().context = context;
  CurrentSink().sink = sink;
}

void SendKeyEvent(std::uint8_t virtual_key, std::uint8_t scan_code, std::uint32_t flags) {
  if (const KeySink sink = CurrentSink().sink) {
    sink(KeyEvent{virtual_key, scan_code, flags}, CurrentSink().context);
    return;
  }
#ifdef _WIN32
  DWORD system_flags = 0;
  if (flags & kKeyEventExtended) system_flags |= KEYEVENTF_EXTENDEDKEY;
  if (flags & kKeyEventUp) system_flags |= KEYEVENTF_KEYUP;
  if (BrokerSending()) {
    // An event outside any action scope is an action of its own.
    if (auto* broker = static_cast<IImeBroker*>(CurrentActionBroker())) {
      SendKeyViaBroker(broker, virtual_key, scan_code, system_flags);
    } else {
      KeyActionScope action;
      SendKeyViaBroker(static_cast<IImeBroker*>(CurrentActionBroker()), virtual_key, scan_code, system_flags);
    }
    return;
  }
  keybd_event(virtual_key, scan_code, system_flags, 0);
#endif
}

}  // namespace os
