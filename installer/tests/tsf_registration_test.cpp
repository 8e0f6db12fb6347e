#include "installer/tsf_registration_win32.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <cstring>

#include "installer/registry_entries_win32.h"
#include "installer/tests/system_test_support.h"
#include "platform/os/native_path.h"
#include "tests/support/child_process.h"
#include "textservice/engine/class_identifier.h"

namespace lz::installer {
namespace {

using os::WidePtr;
using namespace test;

constexpr char16_t kId[] = u"{6F1A2B3C-0004-4D5E-8F90-A1B2C3D4E5F6}";
constexpr char16_t kImeName[] = u"lztip";

bool KeyExists(HKEY root, REGSAM view, const std::u16string& key) {
  HKEY handle;
  if (RegOpenKeyExW(root, WidePtr(key.c_str()), 0, KEY_READ | view, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

DWORD CountSubkeys(HKEY root, const std::u16string& key) {
  HKEY handle;
  if (RegOpenKeyExW(root, WidePtr(key.c_str()), 0, KEY_READ, &handle) != ERROR_SUCCESS) return 0;
  DWORD count = 0;
  RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(handle);
  return count;
}

// The categories the framework holds for the service: one subkey each below its item key.
DWORD RegisteredCategories() {
  return CountSubkeys(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\CTF\\TIP\\" + std::u16string(kId) +
                                              u"\\Category\\Item\\" + std::u16string(kId));
}

void SetWineVersion(const wchar_t* version) {
  HKEY key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return;
  }
  if (version) {
    RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                   static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
  } else {
    RegDeleteValueW(key, L"Version");
  }
  RegCloseKey(key);
}

}  // namespace
}  // namespace lz::installer

// Registration runs in a child process: the Windows version a process reports is fixed at its start.
LZ_CHILD_MODE(register_text_service) {
  using namespace lz::installer;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  test::TestIdentity identity(kId, kImeName);
  const int result = RegisterTextService(kId, identity.Soft(), GetSystemFolders(), os::GetOsVersion());
  CoUninitialize();
  return result == 1 ? 0 : 1;
}

LZ_CHILD_MODE(unregister_text_service) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  lz::installer::UnregisterTextService(lz::installer::kId);
  CoUninitialize();
  return 0;
}

LZ_CHILD_MODE(create_by_class) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  std::uint8_t bytes[16];
  lz::ParseClassIdentifier(lz::installer::kId, bytes);
  CLSID clsid;
  std::memcpy(&clsid, bytes, sizeof clsid);
  IUnknown* object = nullptr;
  const HRESULT result = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&object));
  if (object) object->Release();
  CoUninitialize();
  return SUCCEEDED(result) ? 0 : 1;
}

namespace lz::installer {
namespace {

TEST(TextServiceRegistrationTest, RegistersOnceWithTheCategoriesOfTheVersionAndUnregistersWithoutATrace) {
  // The library this process's bitness loads from its own system folder.
  const std::u16string library = OwnSystemFolder() + u"\\" + kImeName + u".dll";
  ASSERT_TRUE(CopyFileW(WidePtr(TestServerPath().c_str()), WidePtr(library.c_str()), FALSE));

  SetWineVersion(nullptr);  // a new prefix reports Windows 6.1
  ASSERT_EQ(lz::test::RunChild({"register_text_service"}), 0);
  EXPECT_EQ(RegisteredCategories(), 6u);
  EXPECT_EQ(lz::test::RunChild({"create_by_class"}), 0);

  ASSERT_EQ(lz::test::RunChild({"register_text_service"}), 0);  // twice gives one set
  EXPECT_EQ(RegisteredCategories(), 6u);
  const std::u16string tip = u"SOFTWARE\\Microsoft\\CTF\\TIP\\" + std::u16string(kId);
  EXPECT_EQ(CountSubkeys(HKEY_LOCAL_MACHINE, tip + u"\\LanguageProfile"), 1u);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, 0, tip + u"\\LanguageProfile\\0x00000804\\" + kId));

  SetWineVersion(L"win10");
  ASSERT_EQ(lz::test::RunChild({"register_text_service"}), 0);
  EXPECT_EQ(RegisteredCategories(), 8u);
  SetWineVersion(nullptr);

  for (REGSAM view : RegistryViews()) {
    std::u16string server;
    EXPECT_TRUE(ReadMachineValue(view, u"Software\\Classes\\CLSID\\" + std::u16string(kId) + u"\\InProcServer32", u"",
                                 server));
    EXPECT_NE(server.find(u"\\lztip.dll"), std::u16string::npos);
  }

  ASSERT_EQ(lz::test::RunChild({"unregister_text_service"}), 0);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, 0, tip));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, 0, tip));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, 0, u"SOFTWARE\\Microsoft\\CTF\\TIP"));  // made for it, empty now
  for (REGSAM view : RegistryViews()) {
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, view, u"Software\\Classes\\CLSID\\" + std::u16string(kId)));
  }
  EXPECT_NE(lz::test::RunChild({"create_by_class"}), 0);
  DeleteFileW(WidePtr(library.c_str()));
}

TEST(TextServiceRegistrationTest, AZeroOrMalformedIdentifierIsNeverRegistered) {
  test::TestIdentity identity(u"{00000000-0000-0000-0000-000000000000}");
  EXPECT_EQ(RegisterTextService(u"{00000000-0000-0000-0000-000000000000}", identity.Soft(), GetSystemFolders(),
                                os::GetOsVersion()),
            0);
  EXPECT_EQ(RegisterTextService(u"not a class", identity.Soft(), GetSystemFolders(), os::GetOsVersion()), 0);
  test::TestIdentity bad_name(kId, u"..\\evil");
  EXPECT_EQ(RegisterTextService(kId, bad_name.Soft(), GetSystemFolders(), os::GetOsVersion()), 0);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, 0, u"Software\\Classes\\CLSID\\{00000000-0000-0000-0000-000000000000}"));
}

}  // namespace
}  // namespace lz::installer
