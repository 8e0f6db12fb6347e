#include "installer/file_placement_win32.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include "installer/access_grants_win32.h"
#include "installer/registry_entries_win32.h"
#include "installer/tests/system_test_support.h"
#include "platform/os/folder_tree.h"
#include "platform/os/native_path.h"

namespace lz::installer {
namespace {

using os::WidePtr;
using namespace test;

std::vector<std::uint8_t> Bytes(const std::string& text) { return std::vector<std::uint8_t>(text.begin(), text.end()); }

std::u16string MakeFolder(const std::u16string& path) {
  os::CreateDirectoryTree(path.c_str());
  return path;
}

bool Contains(const std::vector<std::u16string>& list, const std::u16string& item) {
  for (const std::u16string& s : list) {
    if (CompareStringOrdinal(WidePtr(s.c_str()), -1, WidePtr(item.c_str()), -1, TRUE) == CSTR_EQUAL) return true;
  }
  return false;
}

TEST(FilePlacementTest, LibrariesLandAsImeNameInTheSystemFoldersAndGoAgain) {
  FilePlacement placement(GetSystemFolders());
  const SystemFolders& f = placement.folders();
  const std::u16string zip = MakeFolder(TempFolder() + u"placement\\zipdatas");
  WriteBytes(zip + u"\\Quenlith.dll", Bytes("x86 library"));
  WriteBytes(zip + u"\\Quenlithx64.dll", Bytes("x64 library"));
  WriteBytes(zip + u"\\config.exe", Bytes("x86 config"));
  WriteBytes(zip + u"\\configx64.exe", Bytes("x64 config"));
  WriteBytes(zip + u"\\stavel.exe", Bytes("x86 stavel"));
  WriteBytes(zip + u"\\stavelx64.exe", Bytes("x64 stavel"));
  MakeFolder(zip + u"\\$dataFiles$");
  WriteBytes(zip + u"\\$dataFiles$\\config.dsc", Bytes("settings"));
  const std::u16string install = f.windows.substr(0, 3) + u"LzPlacement\\361.1\\";
  const std::u16string data = f.common_app_data + u"\\LanzoIME4\\{6F1A2B3C-0003-4D5E-8F90-A1B2C3D4E5F6}\\361.1\\";

  ASSERT_TRUE(placement.PlacePayload(u"lzplaced", zip, install, data));
  if (f.windows_is_64_bit) {
    EXPECT_EQ(ReadBytes(f.wow64_system + u"\\lzplaced.dll"), Bytes("x86 library"));
    EXPECT_EQ(ReadBytes(f.native_system_access + u"\\lzplaced.dll"), Bytes("x64 library"));
    EXPECT_EQ(ReadBytes(install + u"config.exe"), Bytes("x64 config"));
    EXPECT_EQ(ReadBytes(install + u"stavel.exe"), Bytes("x64 stavel"));
  } else {
    EXPECT_TRUE(f.wow64_system.empty());
    EXPECT_EQ(ReadBytes(f.native_system + u"\\lzplaced.dll"), Bytes("x86 library"));
    EXPECT_EQ(ReadBytes(install + u"config.exe"), Bytes("x86 config"));
    EXPECT_FALSE(FileExists(install + u"configx64.exe"));
  }
  EXPECT_EQ(ReadBytes(data + u"config.dsc"), Bytes("settings"));
  EXPECT_FALSE(FileExists(zip + u"\\Quenlith.dll"));

  // The removal takes IMEName and the folders from the product key.
  const std::u16string id = u"{6F1A2B3C-0003-4D5E-8F90-A1B2C3D4E5F6}";
  TestIdentity identity(id, u"lzplaced");
  ASSERT_TRUE(WriteProductKey(id, data, install, identity.Soft()));
  placement.RemoveInstalledFiles(id, u"", u"", true);
  DeleteEntries(id);
  EXPECT_FALSE(FileExists(install));
  EXPECT_FALSE(FileExists(data));
  // The empty folders above them that the install made go with them.
  EXPECT_FALSE(FileExists(f.windows.substr(0, 3) + u"LzPlacement"));
  EXPECT_FALSE(FileExists(f.common_app_data + u"\\LanzoIME4\\{6F1A2B3C-0003-4D5E-8F90-A1B2C3D4E5F6}"));
  EXPECT_FALSE(FileExists(f.native_system_access + u"\\lzplaced.dll"));
  if (f.windows_is_64_bit) {
    EXPECT_FALSE(FileExists(f.wow64_system + u"\\lzplaced.dll"));
  }
  os::DeleteFolderTree((TempFolder() + u"placement").c_str(), false);
}

// Where the library in use sits: the system folder this process reaches by its usual name (for a 32-bit
// process on a 64-bit Windows, redirected to the 32-bit folder), or the machine's own system folder
// reached through "Sysnative" (only a 32-bit process on a 64-bit Windows has that alias).
enum class HeldFolder { kOwnSystem, kNativeThroughAlias };

struct InUseCase {
  HeldFolder held_in;
  const char16_t* existing_aside;  // an aside name already taken, or null
  const char16_t* expected_aside;
};

class InUseReplacementTest : public testing::TestWithParam<InUseCase> {};

// The restart is a process of the machine's own width without redirection or alias, so the pending
// deletion must name the aside file by the folder it really is in.
TEST_P(InUseReplacementTest, ALoadedLibraryIsMovedAsideAndGoneAfterTheRestart) {
  const bool through_alias = GetParam().held_in == HeldFolder::kNativeThroughAlias;
  if (through_alias && NativeSystemThroughAlias().empty()) {
    GTEST_SKIP() << "only a 32-bit process on a 64-bit Windows reaches the system folder through an alias";
  }
  const std::u16string folder = (through_alias ? NativeSystemThroughAlias() : OwnSystemFolder()) + u"\\";
  const std::u16string real_folder = (through_alias ? NativeSystemFolder() : OwnSystemFolderRealName()) + u"\\";
  const std::u16string target = folder + u"lzheld.dll";
  ASSERT_TRUE(CopyFileW(WidePtr(TestServerPath().c_str()), WidePtr(target.c_str()), FALSE));
  if (GetParam().existing_aside) WriteBytes(folder + GetParam().existing_aside, Bytes("taken"));
  const std::u16string source = TempFolder() + u"new_library.dll";
  WriteBytes(source, Bytes("the new library"));

  HeldFile held("hold_library", target);
  ASSERT_TRUE(held.ready());
  FilePlacement placement(GetSystemFolders());
  ASSERT_TRUE(placement.CopyWithInUseReplacement(source, target));
  EXPECT_EQ(ReadBytes(target), Bytes("the new library"));
  const std::u16string aside = folder + GetParam().expected_aside;
  EXPECT_TRUE(FileExists(aside));
  EXPECT_TRUE(placement.reboot_needed);
  const std::vector<std::u16string> pending = PendingMoveSources();
  EXPECT_TRUE(Contains(pending, real_folder + GetParam().expected_aside)) << testing::PrintToString(pending);
  EXPECT_FALSE(Contains(pending, real_folder + u"lzheld.dll"));  // the new file is never scheduled
  if (folder != real_folder) {
    EXPECT_FALSE(Contains(pending, aside));
  }

  held.Release();
  RunRestart();
  EXPECT_FALSE(FileExists(aside));
  EXPECT_EQ(ReadBytes(target), Bytes("the new library"));
  DeleteFileW(WidePtr(target.c_str()));
  if (GetParam().existing_aside) DeleteFileW(WidePtr((folder + GetParam().existing_aside).c_str()));
}

INSTANTIATE_TEST_SUITE_P(Cases, InUseReplacementTest,
                         testing::Values(InUseCase{HeldFolder::kOwnSystem, nullptr, u"lzheld1.dll"},
                                         InUseCase{HeldFolder::kOwnSystem, u"lzheld1.dll", u"lzheld2.dll"},
                                         InUseCase{HeldFolder::kNativeThroughAlias, nullptr, u"lzheld1.dll"}));

TEST(DataFileCopyTest, AMappedTableTakesALargerFileInPlaceAndASmallerOneAtTheRestart) {
  const std::u16string folder = MakeFolder(TempFolder() + u"datacopy");
  const std::u16string target = folder + u"\\main.dmg";
  WriteBytes(target, std::vector<std::uint8_t>(4096, 1));
  WriteBytes(folder + u"\\larger.dmg", std::vector<std::uint8_t>(8192, 2));
  WriteBytes(folder + u"\\smaller.dmg", std::vector<std::uint8_t>(1024, 3));
  FilePlacement placement(GetSystemFolders());
  {
    HeldFile held("hold_mapping", target);
    ASSERT_TRUE(held.ready());
    ASSERT_TRUE(placement.CopyDataFile(folder + u"\\larger.dmg", target));
    EXPECT_EQ(ReadBytes(target), std::vector<std::uint8_t>(8192, 2));
    EXPECT_FALSE(placement.reboot_needed);

    ASSERT_TRUE(placement.CopyDataFile(folder + u"\\smaller.dmg", target));
    EXPECT_TRUE(placement.reboot_needed);
    EXPECT_EQ(ReadBytes(target), std::vector<std::uint8_t>(8192, 2));  // untouched until the restart
  }
  RunRestart();
  EXPECT_EQ(ReadBytes(target), std::vector<std::uint8_t>(1024, 3));
  os::DeleteFolderTree(folder.c_str(), false);
}

std::ptrdiff_t PendingIndex(const std::vector<std::u16string>& pending, const std::u16string& path) {
  for (std::size_t i = 0; i < pending.size(); ++i) {
    if (CompareStringOrdinal(WidePtr(pending[i].c_str()), -1, WidePtr(path.c_str()), -1, TRUE) == CSTR_EQUAL) {
      return static_cast<std::ptrdiff_t>(i);
    }
  }
  return -1;
}

// A running text service maps the data tables without delete sharing: they can be neither deleted nor
// renamed until it lets them go, so they are deleted in place at the restart, before their folder.
TEST(RemovalTest, MappedDataFilesAndTheirFolderAreGoneAfterTheRestart) {
  FilePlacement placement(GetSystemFolders());
  const std::u16string product =
      placement.folders().common_app_data + u"\\LanzoIME4\\{6F1A2B3C-0009-4D5E-8F90-A1B2C3D4E5F6}";
  const std::u16string data = MakeFolder(product + u"\\361.9");
  const std::u16string mapped[] = {data + u"\\config.dsc", data + u"\\main.dmg"};
  for (const std::u16string& file : mapped) WriteBytes(file, std::vector<std::uint8_t>(4096, 1));
  WriteBytes(data + u"\\temp.dmg", std::vector<std::uint8_t>(4096, 2));
  {
    HeldFile settings("hold_mapping", mapped[0]);
    HeldFile table("hold_mapping", mapped[1]);
    ASSERT_TRUE(settings.ready() && table.ready());
    EXPECT_TRUE(placement.RemoveFolder(data, RemovalRoot::kDataFolder, true));
    EXPECT_TRUE(placement.reboot_needed);
    EXPECT_FALSE(FileExists(data + u"\\temp.dmg"));
    const std::vector<std::u16string> pending = PendingMoveSources();
    const std::ptrdiff_t folder_at = PendingIndex(pending, data);
    EXPECT_GE(folder_at, 0) << testing::PrintToString(pending);
    for (const std::u16string& file : mapped) {
      EXPECT_TRUE(FileExists(file));
      const std::ptrdiff_t file_at = PendingIndex(pending, file);
      EXPECT_GE(file_at, 0) << testing::PrintToString(pending);
      EXPECT_LT(file_at, folder_at);
    }
  }
  RunRestart();
  EXPECT_FALSE(FileExists(data));
  os::DeleteFolderTree(product.c_str(), false);
}

TEST(FontsTest, NewFontsAreCopiedRegisteredAndNamedAndAnInstalledOneIsKept) {
  FilePlacement placement(GetSystemFolders());
  const std::u16string fonts = placement.folders().fonts;
  ASSERT_FALSE(fonts.empty());
  const std::u16string source = MakeFolder(TempFolder() + u"fontsource");
  ASSERT_TRUE(CopyFileW(L"Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf",
                        WidePtr((source + u"\\DejaVuSans.ttf").c_str()), FALSE));
  ASSERT_TRUE(CopyFileW(L"Z:\\usr\\share\\fonts\\truetype\\wqy\\wqy-microhei.ttc",
                        WidePtr((source + u"\\wqy-microhei.ttc").c_str()), FALSE));
  WriteBytes(source + u"\\kept.ttf", Bytes("new font"));
  WriteBytes(source + u"\\readme.txt", Bytes("not a font"));
  MakeFolder(fonts);
  WriteBytes(fonts + u"\\kept.ttf", Bytes("installed font"));

  placement.InstallFonts(source);
  const std::u16string key = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
  const REGSAM view = RegistryViews().front();
  std::u16string value;
  EXPECT_TRUE(FileExists(fonts + u"\\dejavusans.ttf"));
  EXPECT_TRUE(ReadMachineValue(view, key, u"dejavusans(TrueType)", value));
  EXPECT_EQ(value, u"dejavusans.ttf");
  EXPECT_TRUE(FileExists(fonts + u"\\wqy-microhei.ttc"));
  EXPECT_TRUE(ReadMachineValue(view, key, u"wqy-microhei.ttc(TrueType-C)", value));
  EXPECT_EQ(value, u"wqy-microhei.ttc");
  EXPECT_EQ(ReadBytes(fonts + u"\\kept.ttf"), Bytes("installed font"));
  EXPECT_FALSE(ReadMachineValue(view, key, u"kept(TrueType)", value));
  EXPECT_FALSE(FileExists(fonts + u"\\readme.txt"));
  os::DeleteFolderTree(source.c_str(), false);
}

struct AceEntry {
  std::wstring sid;
  DWORD mask;
  BYTE flags;
};

std::vector<AceEntry> Entries(PACL acl) {
  std::vector<AceEntry> entries;
  for (DWORD i = 0; acl && i < acl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(acl, i, &ace)) continue;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    wchar_t* text = nullptr;
    ConvertSidToStringSidW(&allowed->SidStart, &text);
    entries.push_back(AceEntry{text ? text : L"", allowed->Mask, allowed->Header.AceFlags});
    LocalFree(text);
  }
  return entries;
}

TEST(GrantsTest, EachGrantHoldsExactlyItsEntries) {
  constexpr DWORD kReadExecute = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
  constexpr DWORD kModify = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;
  constexpr BYTE kInherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

  PACL binary = BuildGrantAcl(nullptr, Grant::kBinary, false);
  ASSERT_NE(binary, nullptr);
  std::vector<AceEntry> entries = Entries(binary);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].sid, L"S-1-15-2-1");
  EXPECT_EQ(entries[0].mask, kReadExecute);
  EXPECT_EQ(entries[0].flags, 0);

  PACL data = BuildGrantAcl(nullptr, Grant::kDataFolder, true);
  ASSERT_NE(data, nullptr);
  entries = Entries(data);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].sid, L"S-1-5-32-545");
  EXPECT_EQ(entries[1].sid, L"S-1-15-2-1");
  for (const AceEntry& e : entries) {
    EXPECT_EQ(e.mask, kModify);
    EXPECT_EQ(e.flags, kInherit);
  }

  // On top of an existing list: an explicit entry of the same SID is replaced, inherited ones are kept.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;FA;;;S-1-15-2-1)(A;ID;FA;;;SY)",
                                                                   SDDL_REVISION_1, &descriptor, nullptr));
  BOOL present = FALSE, defaulted = FALSE;
  PACL old_acl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &old_acl, &defaulted));
  PACL merged = BuildGrantAcl(old_acl, Grant::kBinary, false);
  ASSERT_NE(merged, nullptr);
  entries = Entries(merged);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].sid, L"S-1-15-2-1");
  EXPECT_EQ(entries[0].mask, kReadExecute);
  EXPECT_EQ(entries[1].sid, L"S-1-5-18");
  EXPECT_EQ(entries[1].flags & INHERITED_ACE, INHERITED_ACE);
  LocalFree(merged);
  LocalFree(descriptor);
  LocalFree(data);
  LocalFree(binary);
}

TEST(RemovalTest, RemovalRefusesEveryForbiddenRootAndTakesItsOwnFolders) {
  FilePlacement placement(GetSystemFolders());
  const SystemFolders& f = placement.folders();
  const std::u16string drive = f.windows.substr(0, 3);
  for (const std::u16string& folder : {drive, f.windows, f.native_system, f.common_app_data, f.fonts,
                                       TempFolder(), drive + u"users"}) {
    EXPECT_FALSE(placement.RemoveFolder(folder, RemovalRoot::kInstallFolder, true)) << testing::PrintToString(folder);
    EXPECT_FALSE(placement.RemoveFolder(folder, RemovalRoot::kDataFolder, true)) << testing::PrintToString(folder);
    EXPECT_TRUE(os::IsFolder(folder.c_str()));
  }
  const std::u16string install = MakeFolder(drive + u"LzRemoval\\361.4");
  WriteBytes(install + u"\\config.exe", Bytes("x"));
  const std::u16string not_ours = MakeFolder(drive + u"LzRemoval\\keep");
  EXPECT_FALSE(placement.RemoveFolder(not_ours, RemovalRoot::kInstallFolder, true));
  EXPECT_TRUE(os::IsFolder(not_ours.c_str()));
  EXPECT_TRUE(placement.RemoveFolder(install, RemovalRoot::kInstallFolder, true));
  EXPECT_FALSE(os::IsFolder(install.c_str()));
  os::DeleteFolderTree((drive + u"LzRemoval").c_str(), false);
}

}  // namespace
}  // namespace lz::installer
