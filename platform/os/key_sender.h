#pragma once
// Keys the input method types into the focused program (key combinations of command words, backspaces
// that take back a commit, the cursor moves of paired punctuation). Every key event goes through here:
// on Windows to keybd_event, unless a sink is set; tests set a sink that records the events.
#include <cstdint>

namespace os {

struct KeyEvent {
  std::uint8_t virtual_key;
  std::uint8_t scan_code;
  std::uint32_t flags;  // kKeyEventExtended, kKeyEventUp
};

constexpr std::uint32_t kKeyEventExtended = 0x1;
constexpr std::uint32_t kKeyEventUp = 0x2;

void SendKeyEvent(std::uint8_t virtual_key, std::uint8_t scan_code, std::uint32_t flags);

using KeySink = void (*)(const KeyEvent& event, void* context);
// Routes every key event to `sink` instead of the system (null: back to the system). POSIX builds have no
// system to type into: without a sink their events are dropped.
void SetKeySink(KeySink sink, void* context);

}  // namespace os
