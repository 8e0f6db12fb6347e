#include "platform/os/key_sender.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
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
  keybd_event(virtual_key, scan_code, system_flags, 0);
#endif
}

}  // namespace os
