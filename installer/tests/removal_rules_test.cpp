#include "installer/removal_rules.h"

#include <gtest/gtest.h>

namespace lz::installer {
namespace {

ProtectedFolders Machine() {
  return ProtectedFolders{{u"C:\\Windows", u"C:\\Windows\\system32", u"C:\\Windows\\SysWOW64", u"C:\\Program Files",
                           u"C:\\Program Files (x86)", u"C:\\Users", u"C:\\Users\\ann", u"C:\\ProgramData"},
                          u"C:\\ProgramData"};
}

struct RemovalCase {
  const char16_t* path;
  RemovalRoot kind;
  bool allowed;
};

class RemovalRulesTest : public testing::TestWithParam<RemovalCase> {};

TEST_P(RemovalRulesTest, RemovesOnlyWhatTheInstallerMade) {
  const RemovalCase& c = GetParam();
  EXPECT_EQ(MayRemoveFolder(c.path, c.kind, Machine()), c.allowed) << testing::PrintToString(std::u16string(c.path));
}

constexpr RemovalRoot kInstall = RemovalRoot::kInstallFolder;
constexpr RemovalRoot kData = RemovalRoot::kDataFolder;
constexpr RemovalRoot kParent = RemovalRoot::kInstallParent;

INSTANTIATE_TEST_SUITE_P(
    Cases, RemovalRulesTest,
    testing::Values(
        // Version folders the installer made.
        RemovalCase{u"C:\\Program Files\\Lanzo\\361.12\\", kInstall, true},
        RemovalCase{u"D:\\apps\\361.5", kInstall, true},
        RemovalCase{u"d:/apps/361.5/", kInstall, true},
        RemovalCase{u"\\\\server\\share\\ime\\361.7", kInstall, true},
        // Anything else is refused.
        RemovalCase{u"C:\\Program Files\\Lanzo\\", kInstall, false},
        RemovalCase{u"C:\\Program Files\\Lanzo\\361.", kInstall, false},
        RemovalCase{u"C:\\Program Files\\Lanzo\\361.x2", kInstall, false},
        RemovalCase{u"C:\\Program Files\\Lanzo\\361.12\\..\\..", kInstall, false},
        RemovalCase{u"C:\\", kInstall, false},
        RemovalCase{u"C:", kInstall, false},
        RemovalCase{u"\\\\server\\share", kInstall, false},
        RemovalCase{u"361.12", kInstall, false},
        RemovalCase{u"\\361.12", kInstall, false},
        RemovalCase{u"", kInstall, false},
        RemovalCase{u"C:\\Windows", kInstall, false},
        RemovalCase{u"c:\\windows\\SYSTEM32\\", kInstall, false},
        RemovalCase{u"C:\\Program Files", kInstall, false},
        RemovalCase{u"C:\\Users\\ann", kInstall, false},
        // Data folders at or below <common app data>\LanzoIME4.
        RemovalCase{u"C:\\ProgramData\\LanzoIME4\\{3D1E5C7A-1042-4B0F-9A61-2EC35807B4E9}\\361.12\\", kData, true},
        RemovalCase{u"C:\\ProgramData\\LanzoIME4\\{3D1E5C7A-1042-4B0F-9A61-2EC35807B4E9}\\", kData, true},
        RemovalCase{u"c:\\programdata\\lanzoime4", kData, true},
        RemovalCase{u"C:\\ProgramData", kData, false},
        RemovalCase{u"C:\\ProgramData\\LanzoIME4x", kData, false},
        RemovalCase{u"C:\\ProgramData\\Other\\361.12", kData, false},
        RemovalCase{u"C:\\ProgramData\\LanzoIME4\\..\\Microsoft", kData, false},
        RemovalCase{u"C:\\Program Files\\Lanzo\\361.12", kData, false},
        // The folder holding the version folders (removed only when empty), never a system or root folder.
        RemovalCase{u"C:\\Program Files\\Lanzo\\", kParent, true},
        RemovalCase{u"D:\\apps", kParent, true},
        RemovalCase{u"C:\\Program Files", kParent, false},
        RemovalCase{u"C:\\Windows\\system32", kParent, false},
        RemovalCase{u"C:\\Users", kParent, false},
        RemovalCase{u"D:\\", kParent, false},
        RemovalCase{u"D:\\apps\\..", kParent, false}));

TEST(RemovalRulesTest, WithoutACommonAppDataFolderNoDataFolderIsRemoved) {
  ProtectedFolders none;
  EXPECT_FALSE(MayRemoveFolder(u"\\LanzoIME4\\x", RemovalRoot::kDataFolder, none));
  EXPECT_FALSE(MayRemoveFolder(u"C:\\LanzoIME4\\x", RemovalRoot::kDataFolder, none));
}

TEST(PlainFileNameTest, AcceptsOnlyANameThatStaysInItsFolder) {
  for (const char16_t* good : {u"Quenlith", u"lzwb.361.12", u"输入法", u"a b"}) {
    EXPECT_TRUE(IsPlainFileName(good)) << testing::PrintToString(std::u16string(good));
  }
  for (const char16_t* bad : {u"", u".", u"..", u"..\\x", u"a/b", u"C:x", u"x*", u"x?", u"a|b", u"name.", u"name ",
                              u"a\tb", u"0123456789012345678901234567890123456789012345678901234567890123"}) {
    EXPECT_FALSE(IsPlainFileName(bad)) << testing::PrintToString(std::u16string(bad));
  }
}

}  // namespace
}  // namespace lz::installer
