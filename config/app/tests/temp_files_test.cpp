// Working files: a path in the temporary folder, a new mapped file of a given size, a whole text file.
#include "config/app/temp_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/app/text_file.h"
#include "platform/os/temp_folder.h"
#include "tests/support/temp_folder.h"

namespace lz {
namespace {

using test::TempFolder;

TEST(TempFiles, TempSubPathIsTheTemporaryFolderAndTheNameWithinThePathLimit) {
  char16_t folder[kMaxPathUnits];
  const std::size_t folder_units = os::TempFolderPath(folder, kMaxPathUnits);
  ASSERT_GT(folder_units, 0u);
  std::u16string expected(folder, folder_units);
  if (expected.back() != os::kPathSeparator) expected += os::kPathSeparator;

  struct Case {
    std::u16string name;
    bool fits;
  };
  const std::size_t room = kMaxPathUnits - 1 - expected.size();
  for (const Case& c : {Case{u"__templx_.dmg", true}, Case{std::u16string(room, u'n'), true},
                        Case{std::u16string(room + 1, u'n'), false}}) {
    char16_t out[kMaxPathUnits];
    const std::size_t n = GetTempSubPath(c.name.c_str(), out);
    if (c.fits) {
      EXPECT_EQ(std::u16string(out), expected + c.name);
      EXPECT_EQ(n, expected.size() + c.name.size());
    } else {
      EXPECT_EQ(n, 0u);
      EXPECT_EQ(out[0], 0);
    }
  }
}

TEST(TempFiles, CreateMappedFileMakesAFileOfExactlyTheSizeAndMapsItForWriting) {
  TempFolder folder;
  const std::string old(100000, 'x');
  test::WriteFileBytes(folder.path() / "old.dmg", std::vector<std::uint8_t>(old.begin(), old.end()));
  for (const char* name : {"new.dmg", "old.dmg"}) {
    SCOPED_TRACE(name);
    MappedFile* file = nullptr;
    ASSERT_EQ(CreateMappedFile(&file, folder.File(name).c_str(), 4096), 4096);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(IsMappedFileWritable(file));
    EXPECT_EQ(file->view[0], 0);
    file->view[4095] = 7;
    CloseMappedFile(file);
    const auto bytes = test::ReadFileBytes(folder.path() / name);
    ASSERT_EQ(bytes.size(), 4096u);
    EXPECT_EQ(bytes[4095], 7);
  }
  std::filesystem::create_directory(folder.path() / "dir.dmg");
  for (const auto& path : {folder.File("dir.dmg"), folder.File("no/such/folder/x.dmg")}) {
    MappedFile* file = reinterpret_cast<MappedFile*>(1);
    EXPECT_EQ(CreateMappedFile(&file, path.c_str(), 4096), 0);
    EXPECT_EQ(file, nullptr);
  }
}

TEST(TempFiles, ReadTextFileDecodesTheWholeFileOrSaysWhyNot) {
  TempFolder folder;
  const std::string utf8 = "\xEF\xBB\xBF中文\r\nab";
  test::WriteFileBytes(folder.path() / "a.txt", std::vector<std::uint8_t>(utf8.begin(), utf8.end()));
  std::u16string text;
  EXPECT_EQ(ReadTextFile(folder.File("a.txt").c_str(), text), kTextFileRead);
  EXPECT_EQ(text, u"中文\r\nab");
  EXPECT_EQ(ReadTextFile(folder.File("none.txt").c_str(), text), kTextFileCannotOpen);
  EXPECT_TRUE(text.empty());
  EXPECT_EQ(ReadTextFile(u"", text), kTextFileNoPath);
}

}  // namespace
}  // namespace lz
