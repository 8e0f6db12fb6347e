#include "config/tests/installed_config.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace lz::config::installed {
namespace {

std::wstring ProgramFolder() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  path.resize(path.find_last_of(L'\\') + 1);
  return path;
}

std::wstring SystemLibrary(const std::wstring& name) {
  wchar_t folder[MAX_PATH];
  GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder) + L"\\" + name + L".dll";
}

}  // namespace

// The built library beside this program, copied to the system folder as <name>.dll.
void InstallLibrary(const std::wstring& name) {
  const std::wstring built = ProgramFolder() + (sizeof(void*) == 8 ? L"Quenlithx64.dll" : L"Quenlith.dll");
  ASSERT_TRUE(CopyFileW(built.c_str(), SystemLibrary(name).c_str(), FALSE)) << GetLastError();
}

lz::test::DataFolderContents Contents() {
  lz::test::DataFolderContents contents;
  contents.main = {{"a", "\xE5\xB7\xA5"}};
  return contents;
}

}  // namespace lz::config::installed
