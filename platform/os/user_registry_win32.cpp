#include "platform/os/user_registry.h"

#include <windows.h>

#include "platform/os/native_path.h"

namespace os {

bool SetUserString(const char16_t* key_path, const char16_t* value_name, const char16_t* data) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, WidePtr(key_path), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  const std::u16string text = data ? data : u"";
  const LONG rc = RegSetValueExW(key, WidePtr(value_name), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

bool ReadUserString(const char16_t* key_path, const char16_t* value_name, std::u16string& out) {
  out.clear();
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, WidePtr(key_path), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD bytes = 0;
  LONG rc = RegQueryValueExW(key, WidePtr(value_name), nullptr, &type, nullptr, &bytes);
  if (rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::u16string data(bytes / sizeof(char16_t) + 1, u'\0');
    rc = RegQueryValueExW(key, WidePtr(value_name), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes);
    if (rc == ERROR_SUCCESS) {
      data.resize(bytes / sizeof(char16_t));
      while (!data.empty() && data.back() == u'\0') data.pop_back();
      out = data;
    }
  } else if (rc == ERROR_SUCCESS) {
    rc = ERROR_INVALID_DATA;
  }
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

bool DeleteUserValue(const char16_t* key_path, const char16_t* value_name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, WidePtr(key_path), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return true;
  const LONG rc = RegDeleteValueW(key, WidePtr(value_name));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

}  // namespace os
