#pragma once
// A stand-in for the broker server: registered in this process as the broker's local-server class, so
// CoCreateInstance of the broker returns it directly, and recording every key and start it is given.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/os/broker_win32.h"

namespace lz::test {

struct BrokerKey {
  BYTE vk;
  BYTE scan;
  DWORD flags;
  bool operator==(const BrokerKey&) const = default;
};

struct BrokerStart {
  std::wstring file;
  std::wstring parameters;
  std::wstring directory;
  INT show;
};

class FakeBroker {
 public:
  // Registers the class; revoked at scope end.
  FakeBroker();
  ~FakeBroker();
  FakeBroker(const FakeBroker&) = delete;
  FakeBroker& operator=(const FakeBroker&) = delete;

  bool registered() const { return registration_ != 0; }
  std::vector<BrokerKey> keys;
  std::vector<BrokerStart> starts;
  int created = 0;         // brokers handed out
  int live = 0;            // brokers not yet released
  INT_PTR start_result = 42;
  // Types each key it is given (as the real broker does) besides recording it.
  bool replay_keys = false;

 private:
  DWORD registration_ = 0;
  IClassFactory* factory_ = nullptr;
};

}  // namespace lz::test
