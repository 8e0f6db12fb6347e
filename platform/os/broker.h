#pragma once
// An activation inside an app container (immersive mode) cannot type keys or start programs itself: the
// broker, an out-of-process server, does it for the text service. The text service switches the thread
// to broker sending for such an activation; the key sender and the program start then go through a
// broker, one per action, and fall back to typing the keys directly when there is no broker. POSIX
// builds have no broker: the switch is kept, sending is unchanged.
namespace os {

// Per thread: each TSF thread has its own activation.
void SetBrokerSending(bool on);
bool BrokerSending();

// One action's keys (a key combination, a run of backspaces) through one broker: while a scope lives on
// the thread and broker sending is on, every key event goes through the broker the scope made.
class KeyActionScope {
 public:
  KeyActionScope();
  ~KeyActionScope();
  KeyActionScope(const KeyActionScope&) = delete;
  KeyActionScope& operator=(const KeyActionScope&) = delete;

 private:
  friend void* CurrentActionBroker();
  void* broker_ = nullptr;
  KeyActionScope* outer_ = nullptr;
};

// The broker of the innermost scope of this thread, or null.
void* CurrentActionBroker();

}  // namespace os
