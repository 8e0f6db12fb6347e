// The alarm's way to the tone library under Wine: Bellmoth.dll is loaded from the program's own folder at
// the first tone, not before; a folder without it plays the tone through Beep instead.
#include "tracker/main/sound_backend_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_folder.h"

namespace tracker {
namespace {

std::u16string ProgramFolder() {
  wchar_t path[MAX_PATH * 4] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::wstring folder(path);
  folder.resize(folder.find_last_of(L'\\'));
  return std::u16string(folder.begin(), folder.end());
}

TEST(SystemSoundBackend, AFolderWithoutTheToneLibraryPlaysThroughBeep) {
  lz::test::TempFolder empty;
  const std::wstring wide = empty.path().wstring();
  SystemSoundBackend backend(std::u16string(wide.begin(), wide.end()));
  backend.Tone(500, 1);
  backend.Tone(1000, 1);
  EXPECT_EQ(GetModuleHandleW(L"Bellmoth.dll"), nullptr);
}

TEST(SystemSoundBackend, BindsTheToneLibraryBesideTheProgramAtTheFirstTone) {
  ASSERT_EQ(GetModuleHandleW(L"Bellmoth.dll"), nullptr);
  SystemSoundBackend backend(ProgramFolder());
  backend.PlaySystemSound(u"no such alias at all");  // not a tune: the library stays unloaded
  EXPECT_EQ(GetModuleHandleW(L"Bellmoth.dll"), nullptr);
  backend.Tone(500, 1);
  HMODULE library = GetModuleHandleW(L"Bellmoth.dll");
  ASSERT_NE(library, nullptr);
  wchar_t path[MAX_PATH * 4] = {};
  GetModuleFileNameW(library, path, MAX_PATH * 4);
  const std::u16string folder = ProgramFolder();
  const std::wstring expected = std::wstring(folder.begin(), folder.end()) + L"\\Bellmoth.dll";
  EXPECT_EQ(lstrcmpiW(path, expected.c_str()), 0);
}

}  // namespace
}  // namespace tracker
