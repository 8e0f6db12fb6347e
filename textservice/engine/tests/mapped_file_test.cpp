#include "textservice/engine/mapped_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

namespace lz {
namespace {

using test::TempFolder;

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t first = 1) {
  std::vector<std::uint8_t> bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
  return bytes;
}

std::vector<std::uint8_t> ViewBytes(const MappedFile* file) {
  return std::vector<std::uint8_t>(file->view, file->view + file->size);
}

std::u16string ToU16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

TEST(MappedFile, OpensAnExistingFileAsASharedWritableMapping) {
  TempFolder folder;
  test::WriteFileBytes(folder.path() / "a.dmg", Bytes(100));
  MappedFile* file = nullptr;
  ASSERT_EQ(OpenMappedFile(folder.File("a.dmg").c_str(), &file), 100);
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(IsMappedFileWritable(file));
  EXPECT_EQ(ViewBytes(file), Bytes(100));
  EXPECT_EQ(std::u16string(file->path), folder.File("a.dmg"));

  file->view[7] = 0xEE;
  CloseMappedFile(file);
  EXPECT_EQ(test::ReadFileBytes(folder.path() / "a.dmg")[7], 0xEE);
}

TEST(MappedFile, MissingFileOpensNothing) {
  TempFolder folder;
  MappedFile* file = reinterpret_cast<MappedFile*>(1);
  EXPECT_EQ(OpenMappedFile(folder.File("missing.dmg").c_str(), &file), 0);
  EXPECT_EQ(file, nullptr);
  CloseMappedFile(nullptr);  // ignored
}

// Only regular files are data files: a folder or a FIFO where a table belongs opens nothing, at once.
TEST(MappedFile, AFolderOrAFifoOpensNothing) {
  TempFolder folder;
  std::filesystem::create_directory(folder.path() / "main.dmg");
  std::vector<std::string> names = {"main.dmg"};
#ifndef _WIN32
  ASSERT_EQ(mkfifo((folder.path() / "pipe.dmg").c_str(), 0666), 0);
  names.push_back("pipe.dmg");
#endif
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    MappedFile* file = reinterpret_cast<MappedFile*>(1);
    EXPECT_EQ(OpenMappedFile(folder.File(name).c_str(), &file), 0);
    EXPECT_EQ(file, nullptr);
    EXPECT_EQ(ReadWholeFile(&file, folder.File(name).c_str()), 0);
    EXPECT_EQ(file, nullptr);
  }
}

TEST(MappedFile, EmptyFileIsATwoByteReadOnlyHeapCopy) {
  TempFolder folder;
  test::WriteFileBytes(folder.path() / "empty.dsc", {});
  MappedFile* file = nullptr;
  ASSERT_EQ(OpenMappedFile(folder.File("empty.dsc").c_str(), &file), 2);
  EXPECT_EQ(ViewBytes(file), (std::vector<std::uint8_t>{0, 0}));
  EXPECT_FALSE(IsMappedFileWritable(file));
  EXPECT_EQ(ResizeMappedFile(100, file), 0);
  EXPECT_EQ(file->size, 2);
  CloseMappedFile(file);
}

TEST(MappedFile, ReadOnlyFileIsAHeapCopyThatRefusesWrites) {
  TempFolder folder;
  const auto path = folder.path() / "ro.dmg";
  test::WriteFileBytes(path, Bytes(50));
  std::filesystem::permissions(path, std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                         std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  MappedFile* file = nullptr;
  ASSERT_EQ(OpenMappedFile(folder.File("ro.dmg").c_str(), &file), 52);
  std::vector<std::uint8_t> expected = Bytes(50);
  expected.push_back(0);
  expected.push_back(0);
  EXPECT_EQ(ViewBytes(file), expected);
  EXPECT_FALSE(IsMappedFileWritable(file));
  EXPECT_EQ(FlushMappedFile(file), 0);
  EXPECT_EQ(ResizeMappedFile(1000, file), 0);
  EXPECT_EQ(ReopenMappedFile(file), 0);
  EXPECT_EQ(ViewBytes(file), expected);
  CloseMappedFile(file);
}

TEST(MappedFile, GrowingKeepsOldBytesAtTheirOffsetsAndAddsZeros) {
  TempFolder folder;
  test::WriteFileBytes(folder.path() / "g.dmg", Bytes(300));
  MappedFile* file = nullptr;
  ASSERT_EQ(OpenMappedFile(folder.File("g.dmg").c_str(), &file), 300);
  ASSERT_EQ(ResizeMappedFile(70000, file), 70000);
  EXPECT_EQ(file->size, 70000);
  std::vector<std::uint8_t> expected = Bytes(300);
  expected.resize(70000, 0);
  EXPECT_EQ(ViewBytes(file), expected);
  file->view[69999] = 9;
  CloseMappedFile(file);
  const auto on_disk = test::ReadFileBytes(folder.path() / "g.dmg");
  ASSERT_EQ(on_disk.size(), 70000u);
  EXPECT_EQ(on_disk[299], Bytes(300)[299]);
  EXPECT_EQ(on_disk[69999], 9);
}

TEST(MappedFile, PathsUpTo259UnitsOpenAndLongerOnesAreRefusedNotCut) {
  TempFolder folder;
  const std::string dir = folder.path().string() + std::string(1, std::filesystem::path::preferred_separator);
  ASSERT_LT(dir.size(), 200u);
  const std::string name259(259 - dir.size(), 'n');
  test::WriteFileBytes(dir + name259, Bytes(10));
  // The 260-unit path cut to 259 units would name the file above: it must not open it.
  const std::string name260 = name259 + "x";
  test::WriteFileBytes(dir + name260, Bytes(20));

  struct Case {
    std::string path;
    int expected_size;
  };
  const std::vector<Case> cases = {
      {dir + name259, 10},
      {dir + name260, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.size());
    MappedFile* file = nullptr;
    EXPECT_EQ(OpenMappedFile(ToU16(c.path).c_str(), &file), c.expected_size);
    CloseMappedFile(file);
    EXPECT_EQ(ReadWholeFile(&file, ToU16(c.path).c_str()), c.expected_size ? c.expected_size + 2 : 0);
    CloseMappedFile(file);
  }
}

TEST(MappedFile, ReopenKeepsTheRecordAndSeesTheNewSize) {
  TempFolder folder;
  test::WriteFileBytes(folder.path() / "r.dmg", Bytes(64));
  MappedFile* file = nullptr;
  ASSERT_EQ(OpenMappedFile(folder.File("r.dmg").c_str(), &file), 64);
  MappedFile* other = nullptr;
  ASSERT_EQ(OpenMappedFile(folder.File("r.dmg").c_str(), &other), 64);
  ASSERT_EQ(ResizeMappedFile(128, other), 128);
  other->view[100] = 0x42;
  CloseMappedFile(other);

  EXPECT_EQ(CurrentMappedFileSize(file), 128);
  MappedFile* const record = file;
  ASSERT_EQ(ReopenMappedFile(file), 128);
  EXPECT_EQ(file, record);
  EXPECT_EQ(file->view[100], 0x42);
  EXPECT_EQ(file->view[63], Bytes(64)[63]);
  CloseMappedFile(file);
}

// Child: opens the file the parent has mapped, checks the parent's unflushed write, writes a byte, grows
// the file and writes past the old end.
LZ_CHILD_MODE(write_and_grow) {
  MappedFile* file = nullptr;
  const std::u16string path = ToU16(args.at(0));
  if (OpenMappedFile(path.c_str(), &file) != 4096) return 10;
  if (file->view[10] != 0x5A) return 11;
  file->view[20] = 0xA5;
  if (ResizeMappedFile(3 * 4096, file) != 3 * 4096) return 12;
  file->view[3 * 4096 - 1] = 0x77;
  CloseMappedFile(file);
  return 0;
}

TEST(MappedFile, ASecondProcessSeesWritesAndTheFirstReopensAfterItGrew) {
  TempFolder folder;
  test::WriteFileBytes(folder.path() / "shared.dmg", std::vector<std::uint8_t>(4096, 0));
  MappedFile* file = nullptr;
  ASSERT_EQ(OpenMappedFile(folder.File("shared.dmg").c_str(), &file), 4096);
  file->view[10] = 0x5A;

  ASSERT_EQ(test::RunChild({"write_and_grow", (folder.path() / "shared.dmg").string()}), 0);

  EXPECT_EQ(file->view[20], 0xA5);
  ASSERT_EQ(CurrentMappedFileSize(file), 3 * 4096);
  ASSERT_NE(CurrentMappedFileSize(file), file->size);
  ASSERT_EQ(ReopenMappedFile(file), 3 * 4096);
  EXPECT_EQ(file->view[10], 0x5A);
  EXPECT_EQ(file->view[20], 0xA5);
  EXPECT_EQ(file->view[3 * 4096 - 1], 0x77);
  CloseMappedFile(file);
}

#ifndef _WIN32
// Child: the file may not grow past 8 KiB, so the grow fails; the mapping must be as it was.
LZ_CHILD_MODE(grow_past_limit) {
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{8192, 8192};
  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 20;
  MappedFile* file = nullptr;
  if (OpenMappedFile(ToU16(args.at(0)).c_str(), &file) != 4096) return 21;
  if (ResizeMappedFile(1 << 20, file) != 0) return 22;
  if (file->size != 4096 || !IsMappedFileWritable(file)) return 23;
  for (int i = 0; i < 4096; ++i) {
    if (file->view[i] != static_cast<std::uint8_t>(i)) return 24;
  }
  file->view[0] = 0xF0;  // still the live mapping
  CloseMappedFile(file);
  return 0;
}

TEST(MappedFile, AFailedGrowLeavesTheFileMappedAtItsOldSize) {
  TempFolder folder;
  std::vector<std::uint8_t> bytes(4096);
  for (int i = 0; i < 4096; ++i) bytes[i] = static_cast<std::uint8_t>(i);
  test::WriteFileBytes(folder.path() / "limit.dmg", bytes);
  ASSERT_EQ(test::RunChild({"grow_past_limit", (folder.path() / "limit.dmg").string()}), 0);
  const auto on_disk = test::ReadFileBytes(folder.path() / "limit.dmg");
  ASSERT_EQ(on_disk.size(), 4096u);
  EXPECT_EQ(on_disk[0], 0xF0);
  EXPECT_EQ(on_disk[4095], 0xFF);
}
#endif

TEST(IntArray, GrowsByDoublingAndCountsPushes) {
  IntArray* list = IntArrayNew();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->capacity, 8);
  for (int i = 0; i < 20; ++i) ASSERT_EQ(IntArrayPush(list, i * 3), 1);
  EXPECT_EQ(list->length, 20);
  EXPECT_EQ(list->push_count, 20);
  EXPECT_EQ(list->capacity, 32);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(list->items[i], i * 3);
  IntArrayFree(list);
  IntArrayFree(nullptr);
}

}  // namespace
}  // namespace lz
