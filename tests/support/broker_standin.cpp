// A stand-in for a broker program in an installer's payload: "/regserver" registers a local-server test
// class naming this program, "/unregserver" removes it, as any COM server's own registration does. The
// exit code says whether the registry took the change.
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

constexpr wchar_t kClassKey[] = L"Software\\Classes\\CLSID\\{5A0C3E8B-6F1D-4B27-9E44-2C7D81A9B3F0}";

int Register() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring key = std::wstring(kClassKey) + L"\\LocalServer32";
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS) {
    return 1;
  }
  const LSTATUS written = RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(self),
                                         static_cast<DWORD>((std::wcslen(self) + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return written == ERROR_SUCCESS ? 0 : 1;
}

int Unregister() {
  const LSTATUS removed = RegDeleteTreeW(HKEY_LOCAL_MACHINE, kClassKey);
  return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) {
    if (_wcsicmp(argv[i], L"/regserver") == 0) return Register();
    if (_wcsicmp(argv[i], L"/unregserver") == 0) return Unregister();
  }
  return 2;
}
