#include "installer/registry_entries_win32.h"

#include "platform/os/native_path.h"

namespace lz::installer {
namespace {

using os::WidePtr;

constexpr DWORD kMaxValueBytes = 520;
constexpr DWORD kMaxNameUnits = 128;

// Key names are compared without regard to case, as the registry does.
bool EqualIgnoringCase(const std::u16string& a, const std::u16string& b) {
  return CompareStringOrdinal(WidePtr(a.c_str()), -1, WidePtr(b.c_str()), -1, TRUE) == CSTR_EQUAL;
}

std::u16string ProductKey(const std::u16string& class_identifier) {
  return std::u16string(kProductRoot) + u"\\" + class_identifier;
}

std::u16string UninstallKey(const std::u16string& class_identifier) {
  return std::u16string(kUninstallRoot) + u"\\" + std::u16string(kUninstallPrefix) + class_identifier;
}

bool HasSubkeys(REGSAM view, const std::u16string& key, bool& any) {
  HKEY handle;
  any = false;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WidePtr(key.c_str()), 0, KEY_READ | view, &handle) != ERROR_SUCCESS) {
    return false;
  }
  DWORD count = 0;
  RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(handle);
  any = count > 0;
  return true;
}

}  // namespace

bool IsWindows64Bit() {
  SYSTEM_INFO info;
  GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
         info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM64 ||
         info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

std::vector<REGSAM> RegistryViews() {
  if (IsWindows64Bit()) return {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
  return {0};
}

bool WriteMachineValues(REGSAM view, const std::u16string& key, const std::vector<RegistryValue>& values) {
  HKEY handle;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, WidePtr(key.c_str()), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  bool ok = true;
  for (const RegistryValue& v : values) {
    LONG result;
    if (v.is_dword) {
      const DWORD number = v.number;
      result = RegSetValueExW(handle, WidePtr(v.name.c_str()), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                              sizeof number);
    } else {
      // Stored with the terminator, so readers that do not terminate what they read are safe too.
      result = RegSetValueExW(handle, WidePtr(v.name.c_str()), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.text.c_str()),
                              static_cast<DWORD>((v.text.size() + 1) * sizeof(char16_t)));
    }
    if (result != ERROR_SUCCESS) {
      ok = false;
      break;
    }
  }
  RegCloseKey(handle);
  return ok;
}

bool WriteProductKey(const std::u16string& class_identifier, const std::u16string& data_location,
                     const std::u16string& install_location, ByteView soft) {
  const std::vector<RegistryValue> values = ProductValues(soft, data_location, install_location);
  bool ok = !class_identifier.empty();
  for (REGSAM view : RegistryViews()) ok = ok && WriteMachineValues(view, ProductKey(class_identifier), values);
  return ok;
}

bool WriteUninstallEntry(const std::u16string& class_identifier, const UninstallSources& sources, ByteView soft) {
  const REGSAM view = RegistryViews().front();
  return !class_identifier.empty() &&
         WriteMachineValues(view, UninstallKey(class_identifier), UninstallValues(soft, class_identifier, sources));
}

UninstallSources RegisteredUser(const std::u16string& install_location, const std::u16string& installer_path) {
  UninstallSources sources;
  const std::u16string key = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  ReadMachineValue(RegistryViews().front(), key, u"RegisteredOwner", sources.owner);
  ReadMachineValue(RegistryViews().front(), key, u"RegisteredOrganization", sources.organisation);
  sources.install_location = install_location;
  sources.installer_path = installer_path;
  return sources;
}

bool ReadMachineValue(REGSAM view, const std::u16string& key, const std::u16string& name, std::u16string& out) {
  out.clear();
  HKEY handle;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WidePtr(key.c_str()), 0, KEY_READ | view, &handle) != ERROR_SUCCESS) {
    return false;
  }
  wchar_t buffer[kMaxValueBytes / sizeof(wchar_t) + 1] = {};
  DWORD bytes = kMaxValueBytes;
  DWORD type = 0;
  const LONG result =
      RegQueryValueExW(handle, WidePtr(name.c_str()), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
  RegCloseKey(handle);
  // The stored string need not end with a zero; the buffer's last unit always is one.
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  buffer[bytes / sizeof(wchar_t)] = 0;
  out = os::U16Ptr(buffer);
  return true;
}

LONG DeleteKeyTree(HKEY root, const std::u16string& parent, const std::u16string& name, REGSAM view) {
  const std::u16string path = parent.empty() ? name : parent + u"\\" + name;
  HKEY handle;
  LONG result = RegOpenKeyExW(root, WidePtr(path.c_str()), 0, KEY_ALL_ACCESS | view, &handle);
  if (result != ERROR_SUCCESS) return result;
  for (;;) {
    wchar_t child[256];
    DWORD units = 256;
    result = RegEnumKeyExW(handle, 0, child, &units, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result == ERROR_SUCCESS) result = DeleteKeyTree(root, path, os::U16Ptr(child), view);
    if (result != ERROR_SUCCESS) {
      RegCloseKey(handle);
      return result;
    }
  }
  RegCloseKey(handle);
  HKEY parent_handle;
  result = RegOpenKeyExW(root, WidePtr(parent.c_str()), 0, KEY_ALL_ACCESS | view, &parent_handle);
  if (result != ERROR_SUCCESS) return result;
  result = RegDeleteKeyExW(parent_handle, WidePtr(name.c_str()), view, 0);
  RegCloseKey(parent_handle);
  return result;
}

void DeleteEntries(const std::u16string& class_identifier) {
  if (class_identifier.empty()) return;
  DeleteKeyTree(HKEY_LOCAL_MACHINE, std::u16string(kUninstallRoot),
                std::u16string(kUninstallPrefix) + class_identifier, RegistryViews().front());
  for (REGSAM view : RegistryViews()) {
    DeleteKeyTree(HKEY_LOCAL_MACHINE, std::u16string(kProductRoot), class_identifier, view);
    bool any = true;
    if (HasSubkeys(view, std::u16string(kProductRoot), any) && !any) {
      DeleteKeyTree(HKEY_LOCAL_MACHINE, u"Software", u"LanzoIME4", view);
    }
  }
}

std::u16string FindProductByValue(const std::u16string& name, const std::u16string& text) {
  for (REGSAM view : RegistryViews()) {
    HKEY root;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WidePtr(std::u16string(kProductRoot).c_str()), 0, KEY_READ | view, &root) !=
        ERROR_SUCCESS) {
      continue;
    }
    std::u16string match;
    for (DWORD i = 0;; ++i) {
      wchar_t child[kMaxNameUnits + 1];
      DWORD units = kMaxNameUnits + 1;
      if (RegEnumKeyExW(root, i, child, &units, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      std::u16string value;
      if (ReadMachineValue(view, std::u16string(kProductRoot) + u"\\" + os::U16Ptr(child), name, value) &&
          EqualIgnoringCase(value, text)) {
        match = os::U16Ptr(child);
      }
    }
    RegCloseKey(root);
    if (!match.empty()) return match;
  }
  return {};
}

bool NothingLeft() {
  for (REGSAM view : RegistryViews()) {
    bool any = false;
    if (HasSubkeys(view, std::u16string(kProductRoot), any) && any) return false;
  }
  return true;
}

}  // namespace lz::installer
