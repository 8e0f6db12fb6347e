#include "platform/os/system_info.h"

#include <unistd.h>

#include <ctime>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace os {
namespace {

// The registry of a POSIX build: key path and value name, both folded to ASCII lower case as the
// Windows registry compares them.
std::u16string Folded(const char16_t* s) {
  std::u16string out;
  for (; *s; ++s) out += (*s >= u'A' && *s <= u'Z') ? static_cast<char16_t>(*s - u'A' + u'a') : *s;
  while (!out.empty() && out.back() == u'\\') out.pop_back();
  return out;
}

struct Store {
  std::mutex mutex;
  std::map<std::pair<std::u16string, std::u16string>, std::u16string> values;
};

Store& Registry() {
  static Store store;
  return store;
}

}  // namespace

bool ReadMachineString(const char16_t* key_path, const char16_t* value_name, char16_t* out, std::size_t capacity) {
  if (!out || capacity == 0) return false;
  out[0] = 0;
  Store& store = Registry();
  std::lock_guard<std::mutex> lock(store.mutex);
  const auto it = store.values.find({Folded(key_path), Folded(value_name)});
  if (it == store.values.end()) return false;
  const std::size_t n = std::min(it->second.size(), capacity - 1);
  it->second.copy(out, n);
  out[n] = 0;
  return true;
}

bool SetMachineString(const char16_t* key_path, const char16_t* value_name, const char16_t* data) {
  Store& store = Registry();
  std::lock_guard<std::mutex> lock(store.mutex);
  store.values[{Folded(key_path), Folded(value_name)}] = data;
  return true;
}

bool DeleteMachineValue(const char16_t* key_path, const char16_t* value_name) {
  Store& store = Registry();
  std::lock_guard<std::mutex> lock(store.mutex);
  store.values.erase({Folded(key_path), Folded(value_name)});
  return true;
}

bool HostProgramPath(char16_t* out, std::size_t capacity) {
  if (!out || capacity == 0) return false;
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return false;
  // File names of hosts are ASCII in practice; other bytes are kept as they are, one unit each.
  std::size_t i = 0;
  for (; i < static_cast<std::size_t>(n) && i + 1 < capacity; ++i) out[i] = static_cast<unsigned char>(path[i]);
  out[i] = 0;
  return true;
}

OsVersion GetOsVersion() { return OsVersion{10, 0, 19045, 2}; }

std::int64_t SecondsSince1970() { return static_cast<std::int64_t>(std::time(nullptr)); }

std::uint64_t MillisecondsSinceBoot() {
  timespec ts{};
  clock_gettime(CLOCK_BOOTTIME, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

std::uint32_t TickCount() { return static_cast<std::uint32_t>(MillisecondsSinceBoot()); }

bool IsCapsLockOn() { return false; }

}  // namespace os
