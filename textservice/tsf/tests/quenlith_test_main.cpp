// main() of the library's Windows tests. The same program runs under two names: its own, where Wine
// reports Windows 6.1, and a copy whose name ends in "_win10.exe", for which the copy first sets Wine's
// per-program Version to win10 and then runs itself again (Wine reads the setting when a process starts).
#include <windows.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/child_process.h"

namespace {

constexpr wchar_t kWindows10Suffix[] = L"_win10.exe";

std::wstring ProgramName() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring path = self;
  return path.substr(path.find_last_of(L'\\') + 1);
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() && _wcsicmp(text.c_str() + text.size() - tail.size(), tail.c_str()) == 0;
}

// True when the setting was already there; otherwise writes it.
bool EnsureWindows10Setting(const std::wstring& name) {
  const std::wstring key = L"Software\\Wine\\AppDefaults\\" + name;
  wchar_t value[16] = {};
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"Version", RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS &&
      std::wstring(value) == L"win10") {
    return true;
  }
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) ==
      ERROR_SUCCESS) {
    static constexpr wchar_t kWin10[] = L"win10";
    RegSetValueExW(handle, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(kWin10), sizeof kWin10);
    RegCloseKey(handle);
  }
  return false;
}

int RunAgain() {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring command = GetCommandLineW();
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (!CreateProcessW(self, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) return 1;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

}  // namespace

int main(int argc, char** argv) {
  const std::wstring name = ProgramName();
  if (EndsWith(name, kWindows10Suffix) && !EnsureWindows10Setting(name)) return RunAgain();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // Tests that need a second process run this program again in a child mode.
  int child_exit = 0;
  if (lz::test::DispatchChild(argc, argv, child_exit)) {
    CoUninitialize();
    return child_exit;
  }
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  CoUninitialize();
  return result;
}
