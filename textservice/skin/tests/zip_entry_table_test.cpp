#include "textservice/skin/zip_entry_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "textservice/skin/tests/allocation_probe.h"
#include "platform/zip/zip_writer.h"

namespace lz {
namespace {


std::unique_ptr<ZipEntryTable> FromMemory(const std::vector<std::uint8_t>& zip, const ZipReadLimits& limits = {}) {
  return ReadZipEntriesFromMemory(zip.size(), zip.data(), limits);
}

std::vector<std::uint8_t> Text(std::size_t n, char c) {
  return std::vector<std::uint8_t>(n, static_cast<std::uint8_t>(c));
}

TEST(ZipEntryTable, ReadsEveryMemberInDirectoryOrder) {
  const std::vector<ZipMember> members = {
      {"skin.ini", Bytes("[-x-]\r\n"), false},
      {"bar.png", Text(5000, 'b'), true},
      {"sub/empty.txt", {}, true},
      {"x/y/z.bin", Text(3, 'z'), false},
  };
  const auto table = FromMemory(MakeZip(members));
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->entries.size(), members.size());
  for (std::size_t i = 0; i < members.size(); ++i) {
    SCOPED_TRACE(members[i].name);
    EXPECT_STREQ(table->entries[i].name, members[i].name.c_str());
    EXPECT_EQ(table->entries[i].size(), members[i].data.size());
    EXPECT_EQ(table->entries[i].data, members[i].data);
  }
}

TEST(ZipEntryTable, ArchiveWithoutMembersGivesAnEmptyTable) {
  const auto table = FromMemory(MakeZip({}));
  ASSERT_NE(table, nullptr);
  EXPECT_TRUE(table->entries.empty());
}

TEST(ZipEntryTable, FileAndMemoryGiveTheSameTable) {
  test::TempFolder folder;
  const auto zip = MakeZip({{"a.txt", Bytes("alpha")}, {"b.txt", Bytes("beta"), false}});
  test::WriteFileBytes(folder.path() / "p.col", zip);
  const auto from_file = ReadZipEntries(folder.File("p.col").c_str());
  const auto from_memory = FromMemory(zip);
  ASSERT_NE(from_file, nullptr);
  ASSERT_NE(from_memory, nullptr);
  ASSERT_EQ(from_file->entries.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_STREQ(from_file->entries[i].name, from_memory->entries[i].name);
    EXPECT_EQ(from_file->entries[i].data, from_memory->entries[i].data);
  }
  EXPECT_EQ(ReadZipEntries(folder.File("missing.col").c_str()), nullptr);
  EXPECT_EQ(ReadZipEntries(folder.path().u16string().c_str()), nullptr);  // a folder
}

TEST(ZipEntryTable, RefusesBrokenOrUnsafeArchivesWhole) {
  const std::vector<ZipMember> good = {{"skin.ini", Text(300, 's')}, {"bar.png", Text(2000, 'p')}};
  const std::vector<std::uint8_t> whole = MakeZip(good);
  struct Case {
    std::string what;
    std::vector<std::uint8_t> bytes;
    ZipReadLimits limits;
  };
  std::vector<Case> cases = {
      {"empty block", {}, {}},
      {"not a zip", Bytes("PK but not really a zip archive at all"), {}},
      {"stored member with a wrong CRC", MakeZip({good[0], {"bar.png", Text(20, 'p'), false, 0x12345678u}}), {}},
      {"deflated member with a wrong CRC", MakeZip({{"bar.png", Text(900, 'p'), true, 0xDEADBEEFu}}), {}},
      {"parent folder", MakeZip({{"../x", Bytes("x")}}), {}},
      {"parent folder inside", MakeZip({{"a/../../x", Bytes("x")}}), {}},
      {"parent folder with backslashes", MakeZip({{"a\\..\\x", Bytes("x")}}), {}},
      {"dots that Windows reads as a parent", MakeZip({{"a/.../x", Bytes("x")}}), {}},
      {"dots and a space", MakeZip({{".. /x", Bytes("x")}}), {}},
      {"absolute", MakeZip({{"/etc/x", Bytes("x")}}), {}},
      {"absolute with a backslash", MakeZip({{"\\x", Bytes("x")}}), {}},
      {"drive letter", MakeZip({{"C:x", Bytes("x")}}), {}},
      {"stream name", MakeZip({{"bar.png:hidden", Bytes("x")}}), {}},
      {"name of 64 bytes", MakeZip({{std::string(60, 'n') + ".png", Bytes("x")}}), {}},
      {"total above the cap", whole, ZipReadLimits{2299}},
  };
  // Cut anywhere, the archive loses its directory or a member's bytes.
  for (std::size_t cut : {whole.size() - 1, whole.size() - 22, whole.size() / 2, std::size_t{30}, std::size_t{4}}) {
    cases.push_back({"cut to " + std::to_string(cut) + " bytes",
                     std::vector<std::uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)),
                     {}});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ReadZipEntriesFromMemory(c.bytes.size(), c.bytes.empty() ? nullptr : c.bytes.data(), c.limits), nullptr);
  }
  EXPECT_NE(FromMemory(whole, ZipReadLimits{2300}), nullptr);
}

// Rewrites the uncompressed size of a one-member archive, in its local header and in its directory.
void DeclareSize(std::vector<std::uint8_t>& zip, std::uint32_t size) {
  constexpr std::size_t kLocalSize = 22, kDirectorySize = 24, kEndDirectoryOffset = 16, kEndRecord = 22;
  const auto put = [&zip, size](std::size_t at) {
    for (int i = 0; i < 4; ++i) zip[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));
  };
  const std::size_t end = zip.size() - kEndRecord;
  const std::size_t directory = zip[end + kEndDirectoryOffset] | zip[end + kEndDirectoryOffset + 1] << 8 |
                                zip[end + kEndDirectoryOffset + 2] << 16;
  put(kLocalSize);
  put(directory + kDirectorySize);
}

TEST(ZipEntryTable, DeclaredSizesAreNotAllocatedBeforeTheDataArrives) {
  for (const bool deflate : {true, false}) {
    SCOPED_TRACE(deflate ? "deflated" : "stored");
    auto zip = MakeZip({{"bar.png", Text(3000, 'b'), deflate}});
    DeclareSize(zip, 400u << 20);  // within the total cap, so only the missing data can refuse it
    const auto largest = test::LargestAllocationDuring([&] { EXPECT_EQ(FromMemory(zip), nullptr); });
    if (largest) {
      EXPECT_LT(*largest, std::size_t{1} << 20);
    }
  }
}

TEST(ZipEntryTable, NamesThatStayInsideTheFolderAreKept) {
  for (const std::string& name :
       std::vector<std::string>{"a/b.png", "a..b.png", ".hidden", "./x", "x/", std::string(63, 'n')}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(IsSafeZipEntryName(name));
    const auto table = FromMemory(MakeZip({{name, Bytes("x")}}));
    ASSERT_NE(table, nullptr);
    EXPECT_STREQ(table->entries[0].name, name.c_str());
  }
  for (const std::string name : {"", "..", "a/..", "/", "C:", "a\\..\\b"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(IsSafeZipEntryName(name));
  }
}

TEST(ZipEntryTable, MemoryBlockTravelsAsTheOpaquePointer) {
  const std::vector<std::uint8_t> bytes = Text(100, 'm');
  const MemoryZipBlock block{bytes.data(), bytes.size()};
  zlib_filefunc64_def f;
  FillMemoryZipFunctions(f, block);
  // The name is not parsed: the stream comes from the block itself, whatever its address.
  void* stream = f.zopen64_file(f.opaque, "not a number", ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_EXISTING);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(static_cast<MemoryZipStream*>(stream)->base, bytes.data());
  EXPECT_EQ(static_cast<MemoryZipStream*>(stream)->size, 100u);
  f.zclose_file(f.opaque, stream);
  EXPECT_EQ(f.zopen64_file(f.opaque, "x", ZLIB_FILEFUNC_MODE_CREATE), nullptr);  // the block is read-only
}

TEST(ZipEntryTable, MemoryStreamNeverLeavesItsBlock) {
  std::vector<std::uint8_t> bytes(16);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
  const MemoryZipBlock block{bytes.data(), bytes.size()};
  zlib_filefunc64_def f;
  FillMemoryZipFunctions(f, block);
  void* s = f.zopen64_file(f.opaque, "m", ZLIB_FILEFUNC_MODE_READ);
  ASSERT_NE(s, nullptr);
  std::uint8_t buffer[32] = {};
  struct Step {
    ZPOS64_T distance;
    int origin;
    long result;
    ZPOS64_T position;
  };
  const Step steps[] = {
      {4, ZLIB_FILEFUNC_SEEK_SET, 0, 4},
      {6, ZLIB_FILEFUNC_SEEK_CUR, 0, 10},
      {0, ZLIB_FILEFUNC_SEEK_END, 0, 16},
      {17, ZLIB_FILEFUNC_SEEK_SET, 1, 16},
      {1, ZLIB_FILEFUNC_SEEK_END, 1, 16},
      {~ZPOS64_T{0}, ZLIB_FILEFUNC_SEEK_CUR, 1, 16},
      {3, 7, -1, 16},
      {16, ZLIB_FILEFUNC_SEEK_SET, 0, 16},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << step.distance << " from " << step.origin);
    EXPECT_EQ(f.zseek64_file(f.opaque, s, step.distance, step.origin), step.result);
    EXPECT_EQ(f.ztell64_file(f.opaque, s), step.position);
  }
  EXPECT_EQ(f.zread_file(f.opaque, s, buffer, sizeof buffer), 0u);
  EXPECT_EQ(f.zseek64_file(f.opaque, s, 12, ZLIB_FILEFUNC_SEEK_SET), 0);
  EXPECT_EQ(f.zread_file(f.opaque, s, buffer, sizeof buffer), 4u);  // only what the block holds
  EXPECT_EQ(buffer[0], 12);
  EXPECT_EQ(buffer[3], 15);
  EXPECT_EQ(f.zwrite_file(f.opaque, s, buffer, 1), 0u);
  EXPECT_EQ(f.zerror_file(f.opaque, s), 0);
  EXPECT_EQ(f.zclose_file(f.opaque, s), 0);
}

}  // namespace
}  // namespace lz
