#include "platform/os/folder_tree.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_folder.h"

namespace lz::installer {
namespace {

namespace fs = std::filesystem;

TEST(FolderTreeTest, CreatesEveryMissingLevel) {
  test::TempFolder temp;
  const fs::path deep = temp.path() / "a" / "b" / "c";
  EXPECT_NE(os::CreateDirectoryTree(deep.u16string().c_str()), 0u);
  EXPECT_TRUE(fs::is_directory(deep));
  EXPECT_NE(os::CreateDirectoryTree(deep.u16string().c_str()), 0u);  // already there
  test::WriteFileBytes(temp.path() / "file", {1});
  EXPECT_EQ(os::CreateDirectoryTree((temp.path() / "file").u16string().c_str()), 0u);
  EXPECT_EQ(os::CreateDirectoryTree(u""), 0u);
}

TEST(FolderTreeTest, RemovesALinkInTheTreeButNotItsTarget) {
  test::TempFolder temp;
  const fs::path outside = temp.path() / "outside";
  fs::create_directories(outside / "kept");
  test::WriteFileBytes(outside / "kept" / "data.dmg", {1, 2, 3});
  const fs::path tree = temp.path() / "361.12";
  fs::create_directories(tree / "sub");
  test::WriteFileBytes(tree / "sub" / "config.exe", {4});
  fs::create_directory_symlink(outside, tree / "sub" / "link");
  fs::create_symlink(outside / "kept" / "data.dmg", tree / "file-link");

  const os::TreeRemoval removal = os::DeleteFolderTree(tree.u16string().c_str(), true);
  EXPECT_TRUE(removal.removed);
  EXPECT_FALSE(fs::exists(fs::symlink_status(tree)));
  EXPECT_EQ(test::ReadFileBytes(outside / "kept" / "data.dmg"), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(FolderTreeTest, APathNamingALinkRemovesOnlyTheLink) {
  test::TempFolder temp;
  fs::create_directories(temp.path() / "target");
  test::WriteFileBytes(temp.path() / "target" / "f", {1});
  fs::create_directory_symlink(temp.path() / "target", temp.path() / "link");
  EXPECT_TRUE(os::DeleteFolderTree((temp.path() / "link").u16string().c_str(), false).removed);
  EXPECT_TRUE(fs::exists(temp.path() / "target" / "f"));
  EXPECT_FALSE(os::IsFolder((temp.path() / "link").u16string().c_str()));
}

}  // namespace
}  // namespace lz::installer
