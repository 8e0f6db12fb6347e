#include "installer/payload_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/zip/zip_writer.h"
#include "tests/support/temp_folder.h"

namespace lz::installer {
namespace {

constexpr std::uint32_t kStubSize = 512;

// A program image as the linker leaves it: "MZ", both payload fields zero, then the rest of the image.
std::vector<std::uint8_t> Stub() {
  std::vector<std::uint8_t> bytes(kStubSize, 0xCC);
  for (std::uint32_t i = 0; i < payload_header::kHeaderSize; ++i) bytes[i] = 0;
  bytes[0] = 'M';
  bytes[1] = 'Z';
  return bytes;
}

// A file of kStubSize bytes and `tail` more, with the two fields set.
std::vector<std::uint8_t> WithFields(std::uint32_t offset, std::uint32_t size, std::uint32_t tail) {
  std::vector<std::uint8_t> bytes = Stub();
  bytes.resize(kStubSize + tail, 0x5A);
  const ByteView view{bytes.data(), static_cast<std::uint32_t>(bytes.size())};
  view.WriteU32(payload_header::kPayloadOffset, offset);
  view.WriteU32(payload_header::kPayloadSize, size);
  return bytes;
}

std::optional<PayloadRange> Locate(std::vector<std::uint8_t> bytes) {
  PayloadRange range;
  if (LocatePayload(ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}, range) != PayloadSpan::kFound) {
    return std::nullopt;
  }
  return range;
}

TEST(PayloadFileTest, LocatesThePayloadByTheTwoFields) {
  struct Case {
    const char* what;
    std::uint32_t offset, size, tail;
    std::optional<std::uint32_t> expected_size;
  };
  const Case cases[] = {
      {"both fields zero: no payload", 0, 0, 4096, std::nullopt},
      {"size zero runs to the end of the file", kStubSize, 0, 4096, 4096},
      {"size zero with fewer than 100 bytes left", kStubSize, 0, 99, std::nullopt},
      {"99 bytes are refused", kStubSize, 99, 4096, std::nullopt},
      {"100 bytes are accepted", kStubSize, 100, 4096, 100},
      {"the whole tail", kStubSize, 4096, 4096, 4096},
      {"size past the end is refused", kStubSize, 4097, 4096, std::nullopt},
      {"offset past the end is refused", kStubSize + 5000, 100, 4096, std::nullopt},
      {"offset at the end with size zero", kStubSize + 4096, 0, 4096, std::nullopt},
      {"size that wraps around is refused", kStubSize, 0xFFFFFFF0u, 4096, std::nullopt},
      {"size negative as signed is refused", kStubSize, 0x80000000u, 4096, std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<PayloadRange> range = Locate(WithFields(c.offset, c.size, c.tail));
    ASSERT_EQ(range.has_value(), c.expected_size.has_value()) << c.what;
    if (range) {
      EXPECT_EQ(range->offset, c.offset) << c.what;
      EXPECT_EQ(range->size, *c.expected_size) << c.what;
    }
  }
}

TEST(PayloadFileTest, AFileShorterThanTheHeaderHasNoPayload) {
  std::vector<std::uint8_t> bytes(payload_header::kHeaderSize - 1, 0);
  PayloadRange range;
  EXPECT_EQ(LocatePayload(ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}, range),
            PayloadSpan::kNoHeader);
}

TEST(PayloadFileTest, AppendingWritesTheFieldsThatLocateTheZip) {
  std::vector<std::uint8_t> program = Stub();
  const std::vector<std::uint8_t> zip = MakeZip({{"License.html", Bytes(std::string(300, 'x'))}});
  ASSERT_EQ(AppendPayload(program, zip), PayloadWrite::kWritten);
  const std::optional<PayloadRange> range = Locate(program);
  ASSERT_TRUE(range);
  EXPECT_EQ(range->offset, kStubSize);
  EXPECT_EQ(range->size, zip.size());
  EXPECT_EQ(std::vector<std::uint8_t>(program.begin() + range->offset, program.end()), zip);
}

TEST(PayloadFileTest, AppendingRefusesWhatIsNoStub) {
  const std::vector<std::uint8_t> zip = MakeZip({{"a.txt", Bytes(std::string(300, 'a'))}});
  std::vector<std::uint8_t> twice = Stub();
  ASSERT_EQ(AppendPayload(twice, zip), PayloadWrite::kWritten);
  EXPECT_EQ(AppendPayload(twice, zip), PayloadWrite::kFieldsInUse);
  std::vector<std::uint8_t> not_a_program(kStubSize, 0);
  EXPECT_EQ(AppendPayload(not_a_program, zip), PayloadWrite::kNotAProgram);
  std::vector<std::uint8_t> short_file(10, 'M');
  EXPECT_EQ(AppendPayload(short_file, zip), PayloadWrite::kNotAProgram);
  std::vector<std::uint8_t> program = Stub();
  EXPECT_EQ(AppendPayload(program, std::vector<std::uint8_t>(99, 0)), PayloadWrite::kTooSmall);
  EXPECT_EQ(program.size(), kStubSize);
}

class UnpackTest : public ::testing::Test {
 protected:
  std::u16string Target() const { return (folder_.path() / "zipdatas").u16string(); }
  std::u16string Zip() const { return folder_.File("makedata.zip"); }
  void WriteZip(const std::vector<ZipMember>& members) {
    test::WriteFileBytes(folder_.path() / "makedata.zip", MakeZip(members));
  }
  bool TargetExists() const { return std::filesystem::exists(folder_.path() / "zipdatas"); }
  test::TempFolder folder_;
};

TEST_F(UnpackTest, CarvesAndUnpacksEveryMemberBelowTheTarget) {
  std::vector<std::uint8_t> program = Stub();
  const std::vector<ZipMember> members = {
      {"$dataFiles$/", {}, false},
      {"$dataFiles$/config.dsc", Bytes("settings"), true},
      {"stavel.exe", Bytes(std::string(200, 's')), false},
      {"$fonts$\\a.ttf", Bytes("font"), true},
  };
  ASSERT_EQ(AppendPayload(program, MakeZip(members)), PayloadWrite::kWritten);
  test::WriteFileBytes(folder_.path() / "setup.exe", program);
  ASSERT_TRUE(CarvePayload(folder_.File("setup.exe").c_str(), Zip().c_str()));

  std::vector<std::pair<std::string, int>> seen;
  UnpackProgress progress;
  progress.member = [&](const std::string& name, bool written, int percent) {
    EXPECT_TRUE(written) << name;
    seen.emplace_back(name, percent);
  };
  ASSERT_TRUE(UnpackPayload(Zip().c_str(), Target(), progress));
  const std::filesystem::path target = folder_.path() / "zipdatas";
  EXPECT_EQ(test::ReadFileBytes(target / "$dataFiles$" / "config.dsc"), Bytes("settings"));
  EXPECT_EQ(test::ReadFileBytes(target / "stavel.exe"), Bytes(std::string(200, 's')));
  EXPECT_EQ(test::ReadFileBytes(target / "$fonts$" / "a.ttf"), Bytes("font"));
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen.front().second, 0);  // a folder first: the bar goes by bytes
  EXPECT_EQ(seen.back().second, 100);
}

TEST_F(UnpackTest, ABrokenArchiveIsRefusedWholeAndNothingIsWritten) {
  struct Case {
    const char* what;
    std::vector<ZipMember> members;
  };
  const std::vector<std::uint8_t> big(5000, 'q');
  const Case cases[] = {
      {"a CRC failure in the last member", {{"a.txt", Bytes("first")}, {"b.txt", big, true, 0x12345678u}}},
      {"a name that walks upwards", {{"a.txt", Bytes("first")}, {"../evil.txt", Bytes("x")}}},
      {"an absolute name", {{"a.txt", Bytes("first")}, {"/evil.txt", Bytes("x")}}},
      {"a drive name", {{"a.txt", Bytes("first")}, {"c:evil.txt", Bytes("x")}}},
      {"a name longer than the name field", {{"a.txt", Bytes("first")}, {std::string(64, 'n'), Bytes("x")}}},
      {"a trailing dot Windows drops", {{"Quenlith.dll", Bytes("library")}, {"Quenlith.dll.", Bytes("x")}}},
      {"a trailing blank Windows drops", {{"Quenlith.dll", Bytes("library")}, {"Quenlith.dll ", Bytes("x")}}},
      {"the same name twice", {{"$dataFiles$/main.dmg", Bytes("table")}, {"$dataFiles$/main.dmg", Bytes("x")}}},
      {"a case variant", {{"License.html", Bytes("text")}, {"LICENSE.HTML", Bytes("x")}}},
      {"a case variant of a folder", {{"$dataFiles$/main.dmg", Bytes("table")}, {"$DATAFILES$\\main.dmg", Bytes("x")}}},
      {"a dotted folder level", {{"$dataFiles$/main.dmg", Bytes("table")}, {"$dataFiles$./main.dmg", Bytes("x")}}},
      {"a \".\" level", {{"$dataFiles$/main.dmg", Bytes("table")}, {"$dataFiles$/./main.dmg", Bytes("x")}}},
      {"a file where a folder is needed", {{"fonts", Bytes("file")}, {"fonts/a.ttf", Bytes("x")}}},
      {"a file and a folder of one name", {{"fonts/", {}}, {"FONTS", Bytes("x")}}},
  };
  for (const Case& c : cases) {
    WriteZip(c.members);
    EXPECT_FALSE(UnpackPayload(Zip().c_str(), Target())) << c.what;
    EXPECT_FALSE(TargetExists()) << c.what;
  }
}

TEST_F(UnpackTest, ATruncatedPayloadIsRefused) {
  std::vector<std::uint8_t> zip = MakeZip({{"a.txt", std::vector<std::uint8_t>(4000, 'a'), false},
                                            {"b.txt", std::vector<std::uint8_t>(4000, 'b'), false}});
  std::vector<std::uint8_t> program = Stub();
  ASSERT_EQ(AppendPayload(program, zip), PayloadWrite::kWritten);
  // Cut inside the zip: the fields now reach past the end and the carve refuses.
  program.resize(program.size() - 1000);
  test::WriteFileBytes(folder_.path() / "setup.exe", program);
  EXPECT_FALSE(CarvePayload(folder_.File("setup.exe").c_str(), Zip().c_str()));
  EXPECT_FALSE(std::filesystem::exists(folder_.path() / "makedata.zip"));

  // The same cut archive carved by a size-0 field: the reader refuses it.
  ByteView{program.data(), payload_header::kHeaderSize}.WriteU32(payload_header::kPayloadSize, 0);
  test::WriteFileBytes(folder_.path() / "setup.exe", program);
  ASSERT_TRUE(CarvePayload(folder_.File("setup.exe").c_str(), Zip().c_str()));
  EXPECT_FALSE(UnpackPayload(Zip().c_str(), Target()));
  EXPECT_FALSE(TargetExists());
}

TEST_F(UnpackTest, AMissingArchiveOrTargetIsRefused) {
  EXPECT_FALSE(UnpackPayload(Zip().c_str(), Target()));
  WriteZip({{"a.txt", Bytes("first")}});
  EXPECT_FALSE(UnpackPayload(Zip().c_str(), u""));
}

}  // namespace
}  // namespace lz::installer
