#include "installer/registry_entries_win32.h"

#include <gtest/gtest.h>

#include "installer/tests/system_test_support.h"
#include "platform/os/native_path.h"
#include "textservice/engine/system_services.h"

namespace lz::installer {
namespace {

using test::TestIdentity;

constexpr char16_t kFirst[] = u"{6F1A2B3C-0001-4D5E-8F90-A1B2C3D4E5F6}";
constexpr char16_t kSecond[] = u"{6F1A2B3C-0002-4D5E-8F90-A1B2C3D4E5F6}";

std::u16string ProductKey(const std::u16string& id) { return u"Software\\LanzoIME4\\" + id; }

DWORD CountValues(REGSAM view, const std::u16string& key) {
  HKEY handle;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, os::WidePtr(key.c_str()), 0, KEY_READ | view, &handle) != ERROR_SUCCESS) return 0;
  DWORD values = 0;
  RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(handle);
  return values;
}

bool KeyExists(REGSAM view, const std::u16string& key) {
  HKEY handle;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, os::WidePtr(key.c_str()), 0, KEY_READ | view, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

TEST(RegistryEntriesTest, EveryViewHoldsTheNineProductValues) {
  TestIdentity identity(kFirst);
  ASSERT_TRUE(WriteProductKey(kFirst, u"C:\\ProgramData\\LanzoIME4\\x\\361.1\\", u"C:\\Lz\\361.1", identity.Soft()));
  const std::vector<std::pair<std::u16string, std::u16string>> expected = {
      {u"DataLocation", u"C:\\ProgramData\\LanzoIME4\\x\\361.1\\"}, {u"InstallLocation", u"C:\\Lz\\361.1\\"},
      {u"IMEName", u"lztest.361.1"}, {u"DisplayName", u"测试输入法"}, {u"DisplayVersion", u"4.1.1"},
      {u"URLUpdateInfo", u""}, {u"LanguageName", u"中文(简体) - 测试"}, {u"UnstallCommand", u""}};
  for (REGSAM view : RegistryViews()) {
    EXPECT_EQ(CountValues(view, ProductKey(kFirst)), 9u);
    for (const auto& [name, value] : expected) {
      std::u16string read;
      EXPECT_TRUE(ReadMachineValue(view, ProductKey(kFirst), name, read)) << view;
      EXPECT_EQ(read, value) << view;
    }
  }
  // The engine's own reader, in this process's view, finds the same.
  char16_t ime_name[64];
  ASSERT_TRUE(ReadImeRegistryValue(ime_name, 64, u"IMEName", kFirst));
  EXPECT_EQ(std::u16string(ime_name), u"lztest.361.1");
  DeleteEntries(kFirst);
}

TEST(RegistryEntriesTest, TheUninstallEntryHoldsSixteenValuesWithAQuotedCommand) {
  TestIdentity identity(kFirst);
  ASSERT_TRUE(WriteUninstallEntry(kFirst, RegisteredUser(u"C:\\Program Files\\Lz\\361.1\\", u"C:\\t\\stavel.exe"),
                                  identity.Soft()));
  const std::u16string key = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Q4" + std::u16string(kFirst);
  EXPECT_EQ(CountValues(RegistryViews().front(), key), 16u);
  std::u16string command;
  ASSERT_TRUE(ReadMachineValue(RegistryViews().front(), key, u"UninstallString", command));
  EXPECT_EQ(command, u"\"C:\\Program Files\\Lz\\361.1\\stavel.exe\" /n " + std::u16string(kFirst) + u" /u");
  DeleteEntries(kFirst);
  EXPECT_FALSE(KeyExists(RegistryViews().front(), key));
}

TEST(RegistryEntriesTest, ADisplayNameOnlyInThe32BitViewIsFound) {
  std::vector<RegistryValue> values(1);
  values[0].name = u"DisplayName";
  values[0].text = u"Only Thirty-Two";
  ASSERT_TRUE(WriteMachineValues(RegistryViews().back(), ProductKey(kSecond), values));
  EXPECT_EQ(FindProductByValue(u"DisplayName", u"only thirty-two"), kSecond);
  EXPECT_EQ(FindProductByValue(u"DisplayName", u"nobody"), u"");
  DeleteEntries(kSecond);
}

TEST(RegistryEntriesTest, RemovingOneOfTwoInputMethodsKeepsTheRoot) {
  TestIdentity first(kFirst);
  TestIdentity second(kSecond);
  ASSERT_TRUE(WriteProductKey(kFirst, u"C:\\d1\\", u"C:\\i1", first.Soft()));
  ASSERT_TRUE(WriteProductKey(kSecond, u"C:\\d2\\", u"C:\\i2", second.Soft()));
  DeleteEntries(kFirst);
  for (REGSAM view : RegistryViews()) {
    EXPECT_FALSE(KeyExists(view, ProductKey(kFirst)));
    EXPECT_TRUE(KeyExists(view, ProductKey(kSecond)));
  }
  EXPECT_FALSE(NothingLeft());
  DeleteEntries(kSecond);
  EXPECT_TRUE(NothingLeft());
  for (REGSAM view : RegistryViews()) EXPECT_FALSE(KeyExists(view, u"Software\\LanzoIME4"));
}

}  // namespace
}  // namespace lz::installer
