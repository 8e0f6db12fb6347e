#include "platform/os/folder_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

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

// Links are made where the system allows it: Wine has no symbolic links and Windows grants them only
// with a privilege, so there the link cases are skipped rather than failed.
bool MakeLink(const fs::path& target, const fs::path& link, bool folder) {
  std::error_code error;
  if (folder) {
    fs::create_directory_symlink(target, link, error);
  } else {
    fs::create_symlink(target, link, error);
  }
  return !error;
}

TEST(FolderTreeTest, RemovesALinkInTheTreeButNotItsTarget) {
  test::TempFolder temp;
  const fs::path outside = temp.path() / "outside";
  fs::create_directories(outside / "kept");
  test::WriteFileBytes(outside / "kept" / "data.dmg", {1, 2, 3});
  const fs::path tree = temp.path() / "361.12";
  fs::create_directories(tree / "sub");
  test::WriteFileBytes(tree / "sub" / "config.exe", {4});
  if (!MakeLink(outside, tree / "sub" / "link", true) ||
      !MakeLink(outside / "kept" / "data.dmg", tree / "file-link", false)) {
    GTEST_SKIP() << "this system makes no symbolic links (Wine, or Windows without the privilege)";
  }

  const os::TreeRemoval removal = os::DeleteFolderTree(tree.u16string().c_str(), true);
  EXPECT_TRUE(removal.removed);
  EXPECT_FALSE(fs::exists(fs::symlink_status(tree)));
  EXPECT_EQ(test::ReadFileBytes(outside / "kept" / "data.dmg"), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(FolderTreeTest, APathNamingALinkRemovesOnlyTheLink) {
  test::TempFolder temp;
  fs::create_directories(temp.path() / "target");
  test::WriteFileBytes(temp.path() / "target" / "f", {1});
  if (!MakeLink(temp.path() / "target", temp.path() / "link", true)) {
    GTEST_SKIP() << "this system makes no symbolic links (Wine, or Windows without the privilege)";
  }
  EXPECT_TRUE(os::DeleteFolderTree((temp.path() / "link").u16string().c_str(), false).removed);
  EXPECT_TRUE(fs::exists(temp.path() / "target" / "f"));
  EXPECT_FALSE(os::IsFolder((temp.path() / "link").u16string().c_str()));
}

}  // namespace
}  // namespace lz::installer
