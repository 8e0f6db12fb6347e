#include "installer/install_rules.h"

#include <gtest/gtest.h>

namespace lz::installer {
namespace {

TEST(InstallRulesTest, TheInstallKindComparesMajorThenMinor) {
  struct Case {
    std::uint32_t own_minor;
    InstalledVersion installed;
    InstallKind expected;
  };
  const Case cases[] = {
      {4, {false, 361, 4}, InstallKind::kFresh},
      {5, {true, 361, 4}, InstallKind::kOlder},
      {4, {true, 361, 4}, InstallKind::kSame},
      {3, {true, 361, 4}, InstallKind::kNewer},
      {1, {true, 360, 9}, InstallKind::kOlder},
      {9, {true, 362, 0}, InstallKind::kNewer},
      {4, {true, 0, 0}, InstallKind::kOlder},  // an unreadable config.dsc counts as 0.0
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompareInstalled(c.own_minor, c.installed), c.expected) << c.own_minor << " " << c.installed.minor;
  }
}

TEST(InstallRulesTest, TargetsAndParents) {
  EXPECT_EQ(InstallTarget(u"D:\\Tools", 4), u"D:\\Tools\\361.4\\");
  EXPECT_EQ(InstallTarget(u"D:\\Tools\\", 4), u"D:\\Tools\\361.4\\");
  EXPECT_EQ(ParentFolder(u"C:\\Program Files\\X\\361.4\\"), u"C:\\Program Files\\X\\");
  EXPECT_EQ(ParentFolder(u"C:\\Program Files\\X\\361.4"), u"C:\\Program Files\\X\\");
  EXPECT_EQ(ParentFolder(u"361.4"), u"");
}

TEST(InstallRulesTest, CommandsSplitAtTheFirstSwitch) {
  struct Case {
    std::u16string command, program, parameters;
  };
  const Case cases[] = {
      {u"tool.exe /x", u"tool.exe", u"/x"},
      {u"tool.exe -q -r", u"tool.exe", u"-q -r"},
      {u"tool.exe /a -b", u"tool.exe", u"/a -b"},
      {u"tool.exe", u"tool.exe", u""},
  };
  for (const Case& c : cases) {
    const SplitCommand split = SplitCommandLine(c.command);
    EXPECT_EQ(split.program, c.program);
    EXPECT_EQ(split.parameters, c.parameters);
  }
  const SplitCommand installed = InstalledUninstallCommand(u"%APPPATH%Tool.exe /x", u"C:\\P\\361.4\\");
  EXPECT_EQ(installed.program, u"C:\\P\\361.4\\tool.exe");
  EXPECT_EQ(installed.parameters, u"/x");
}

TEST(InstallRulesTest, PendingMovesBelowTheTargetsOrOfTheLibraryHoldTheInstallUp) {
  const std::vector<std::u16string> folders = {u"C:\\Program Files\\Lz\\361.4\\", u"C:\\ProgramData\\LanzoIME4\\{id}"};
  const std::vector<std::u16string> libraries = {u"lz.361.4.dll"};
  struct Case {
    std::u16string source;
    bool blocks;
  };
  const Case cases[] = {
      {u"C:\\Program Files\\Lz\\361.4\\stavel1.exe", true},
      {u"c:\\program files\\lz\\361.4\\sub\\a.dat", true},
      {u"C:\\ProgramData\\LanzoIME4\\{id}\\361.3\\main.dmg", true},
      {u"C:\\windows\\system32\\LZ.361.4.dll", true},
      {u"C:\\Program Files\\Lz\\361.40\\a.exe", false},
      {u"C:\\windows\\system32\\other.dll", false},
      {u"C:\\ProgramData\\LanzoIME4\\{id2}\\x", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PendingMovesBlockInstall({c.source}, folders, libraries), c.blocks) << std::string(c.source.begin(), c.source.end());
  }
  EXPECT_FALSE(PendingMovesBlockInstall({}, folders, libraries));
}

TEST(InstallRulesTest, BackupNamesCarryTheDateWithoutLeadingZeros) {
  EXPECT_EQ(BackupFolderName(u"蓝字"), u"[ 蓝字 ]");
  EXPECT_EQ(UserWordFileName(2026, 1, 5), u"导出 - 用户词条(2026.1.5).txt");
  EXPECT_EQ(SettingsBackupFileName(2026, 12, 31), u"backup.config(2026.12.31).txt");
}

}  // namespace
}  // namespace lz::installer
