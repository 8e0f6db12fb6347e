#include "platform/os/system_info.h"

#include <windows.h>

#include <ctime>

#include "platform/os/native_path.h"

namespace os {
namespace {

using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);

}  // namespace

bool ReadMachineString(const char16_t* key_path, const char16_t* value_name, char16_t* out, std::size_t capacity) {
  if (!out || capacity == 0) return false;
  out[0] = 0;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WidePtr(key_path), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  // Room for the value without a terminator; the installer stores strings without one.
  DWORD bytes = static_cast<DWORD>((capacity - 1) * sizeof(char16_t));
  LONG rc = RegQueryValueExW(key, WidePtr(value_name), nullptr, &type, reinterpret_cast<BYTE*>(out), &bytes);
  if (rc == ERROR_MORE_DATA) {
    // Longer than the buffer: read it whole and keep what fits.
    DWORD needed = 0;
    RegQueryValueExW(key, WidePtr(value_name), nullptr, &type, nullptr, &needed);
    std::u16string whole(needed / sizeof(char16_t) + 1, 0);
    needed = static_cast<DWORD>(whole.size() * sizeof(char16_t));
    rc = RegQueryValueExW(key, WidePtr(value_name), nullptr, &type, reinterpret_cast<BYTE*>(whole.data()), &needed);
    if (rc == ERROR_SUCCESS) {
      whole.resize(needed / sizeof(char16_t));
      bytes = static_cast<DWORD>(std::min(whole.size(), capacity - 1) * sizeof(char16_t));
      whole.copy(out, bytes / sizeof(char16_t));
    }
  }
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
    out[0] = 0;
    return false;
  }
  out[std::min<std::size_t>(bytes / sizeof(char16_t), capacity - 1)] = 0;
  return true;
}

bool SetMachineString(const char16_t* key_path, const char16_t* value_name, const char16_t* data) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, WidePtr(key_path), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  std::size_t units = 0;
  while (data[units]) ++units;
  // Stored as the installer does: twice the character count, no terminating zero.
  const LONG rc = RegSetValueExW(key, WidePtr(value_name), 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                                 static_cast<DWORD>(units * sizeof(char16_t)));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

bool DeleteMachineValue(const char16_t* key_path, const char16_t* value_name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WidePtr(key_path), 0, KEY_WRITE, &key) != ERROR_SUCCESS) return true;
  const LONG rc = RegDeleteValueW(key, WidePtr(value_name));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool HostProgramPath(char16_t* out, std::size_t capacity) {
  if (!out || capacity == 0) return false;
  const DWORD n = GetModuleFileNameW(nullptr, WidePtr(out), static_cast<DWORD>(capacity));
  if (n == 0 || n >= capacity) {
    out[0] = 0;
    return false;
  }
  return true;
}

OsVersion GetOsVersion() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExW(&info);
#pragma GCC diagnostic pop
  // From Windows 8 on GetVersionEx answers 6.2 to programs without a manifest; the kernel tells the truth.
  if (info.dwMajorVersion == 6 && info.dwMinorVersion == 2) {
    if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
      auto rtl_get_version =
          reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
      OSVERSIONINFOW real{};
      real.dwOSVersionInfoSize = sizeof real;
      if (rtl_get_version && rtl_get_version(&real) == 0) {
        info.dwMajorVersion = real.dwMajorVersion;
        info.dwMinorVersion = real.dwMinorVersion;
        info.dwBuildNumber = real.dwBuildNumber;
      }
    }
  }
  return OsVersion{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.dwPlatformId};
}

std::int64_t SecondsSince1970() { return static_cast<std::int64_t>(std::time(nullptr)); }

std::uint64_t MillisecondsSinceBoot() { return GetTickCount64(); }

std::uint32_t TickCount() { return GetTickCount(); }

bool IsCapsLockOn() { return (GetKeyState(VK_CAPITAL) & 1) != 0; }

}  // namespace os
