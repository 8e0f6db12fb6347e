#include "installer/data_folder.h"
#include "installer/file_names.h"
#include "installer/work_paths.h"
#include "platform/os/folder_tree.h"

#include <gtest/gtest.h>

#include <string>

namespace lz::installer {
namespace {

TEST(FileNamesTest, LibraryPathsHaveOneSeparator) {
  EXPECT_EQ(LibraryPath(u"C:\\Windows\\system32", u"lzwb"), u"C:\\Windows\\system32\\lzwb.dll");
  EXPECT_EQ(LibraryPath(u"C:\\Windows\\system32\\", u"lzwb"), u"C:\\Windows\\system32\\lzwb.dll");
}

TEST(FileNamesTest, AsideNamesNumberTheNameBeforeItsExtension) {
  EXPECT_EQ(os::AsideName(u"C:\\w\\Name.dll", 1), u"C:\\w\\Name1.dll");
  EXPECT_EQ(os::AsideName(u"C:\\w\\Name.dll", 2), u"C:\\w\\Name2.dll");
  EXPECT_EQ(os::AsideName(u"C:\\w.x\\Name", 1), u"C:\\w.x\\Name1");
  EXPECT_EQ(os::AsideName(u"C:\\w\\a.b.dmg", 3), u"C:\\w\\a.b3.dmg");
  EXPECT_EQ(SideCopyName(u"C:\\w\\Name.dll", 1), u"C:\\w\\Name.new1.dll");
  EXPECT_EQ(SideCopyName(u"C:\\w.x\\Name", 2), u"C:\\w.x\\Name.new2");
}

struct FontCase {
  const char16_t* file;
  const char16_t* value;
};

class FontValueNameTest : public testing::TestWithParam<FontCase> {};

TEST_P(FontValueNameTest, NamesTheRegistryValueOfAFont) {
  EXPECT_EQ(FontValueName(GetParam().file), std::u16string(GetParam().value));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FontValueNameTest,
    testing::Values(FontCase{u"simsun.ttc", u"simsun.ttc(TrueType-C)"}, FontCase{u"abc.ttf", u"abc(TrueType)"},
                    FontCase{u"ABC.TTF", u"abc(TrueType)"}, FontCase{u"wqy-microhei.ttc", u"wqy-microhei.ttc(TrueType-C)"},
                    FontCase{u"DejaVuSans.ttf", u"dejavusans(TrueType)"},
                    // Only names that end in a font extension are fonts.
                    FontCase{u"abc.ttf.bak", u""}, FontCase{u"readme.txt", u""}, FontCase{u".ttf", u""},
                    FontCase{u"0123456789012345678901234567890123456789012345678901234567890123.ttf",
                             u"012345678901234567890123456789012345678901234567890123456789012"}));

TEST(DataFolderTest, BuildsTheFolderOfAnInputMethodAndVersion) {
  EXPECT_EQ(DataFolderPath(u"C:\\ProgramData", u"{id}", u"361.12"), u"C:\\ProgramData\\LanzoIME4\\{id}\\361.12\\");
  EXPECT_EQ(DataFolderPath(u"C:\\ProgramData\\", u"{id}", u""), u"C:\\ProgramData\\LanzoIME4\\{id}\\");
  EXPECT_EQ(DataFolderPath(u"C:\\ProgramData", u"", u"361.12"), u"C:\\ProgramData\\LanzoIME4\\");
  EXPECT_EQ(VersionFolderName(12), u"361.12");
  EXPECT_EQ(VersionFolderOfImeName(u"lzwb.361.12"), u"361.12");
  EXPECT_EQ(VersionFolderOfImeName(u"lzwb"), u"");
}

TEST(WorkPathsTest, BuildsTheWorkPathsBelowTheTemporaryFolder) {
  WorkPaths paths;
  ASSERT_TRUE(MakeWorkPaths(u"C:\\Temp\\", true, paths));
  EXPECT_EQ(paths.work_folder, u"C:\\Temp\\$quorStavel4$");
  EXPECT_EQ(paths.zipdatas_folder, u"C:\\Temp\\$quorStavel4$\\zipdatas");
  EXPECT_EQ(paths.unpacked_installer, u"C:\\Temp\\$quorStavel4$\\zipdatas\\stavelx64.exe");
  EXPECT_EQ(paths.payload_zip, u"C:\\Temp\\$quorStavel4$\\makedata.zip");
  ASSERT_TRUE(MakeWorkPaths(u"C:\\Temp", false, paths));
  EXPECT_EQ(paths.unpacked_installer, u"C:\\Temp\\$quorStavel4$\\zipdatas\\stavel.exe");
  // A path that would not fit 260 units is refused, not cut.
  EXPECT_FALSE(MakeWorkPaths(u"C:\\" + std::u16string(240, u'a'), false, paths));
  EXPECT_EQ(InstallerTempSubPath(u"C:\\" + std::u16string(243, u'a'), u"$quorStavel4$"), u"");
  EXPECT_EQ(InstallerTempSubPath(u"C:\\" + std::u16string(242, u'a'), u"$quorStavel4$").size(), 259u);
  EXPECT_EQ(InstallerTempSubPath(u"", u"x"), u"");
}

}  // namespace
}  // namespace lz::installer
