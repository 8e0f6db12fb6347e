#include "platform/os/user_registry.h"

#include <map>
#include <mutex>
#include <utility>

namespace os {
namespace {

// Key paths and value names compare without regard to ASCII case, as the registry compares them.
std::u16string Folded(const char16_t* s) {
  std::u16string out;
  for (; s && *s; ++s) out += (*s >= u'A' && *s <= u'Z') ? static_cast<char16_t>(*s - u'A' + u'a') : *s;
  while (!out.empty() && out.back() == u'\\') out.pop_back();
  return out;
}

struct Store {
  std::mutex mutex;
  std::map<std::pair<std::u16string, std::u16string>, std::u16string> values;
};

Store& UserStore() {
  static Store store;
  return store;
}

}  // namespace

bool SetUserString(const char16_t* key_path, const char16_t* value_name, const char16_t* data) {
  Store& store = UserStore();
  std::lock_guard<std::mutex> lock(store.mutex);
  store.values[{Folded(key_path), Folded(value_name)}] = data ? data : u"";
  return true;
}

bool ReadUserString(const char16_t* key_path, const char16_t* value_name, std::u16string& out) {
  Store& store = UserStore();
  std::lock_guard<std::mutex> lock(store.mutex);
  const auto it = store.values.find({Folded(key_path), Folded(value_name)});
  if (it == store.values.end()) return false;
  out = it->second;
  return true;
}

bool DeleteUserValue(const char16_t* key_path, const char16_t* value_name) {
  Store& store = UserStore();
  std::lock_guard<std::mutex> lock(store.mutex);
  store.values.erase({Folded(key_path), Folded(value_name)});
  return true;
}

}  // namespace os
