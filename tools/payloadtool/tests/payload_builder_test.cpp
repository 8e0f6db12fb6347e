// The installer file as the packaging step writes it.
#include "tools/payloadtool/payload_builder.h"

#include <gtest/gtest.h>

#include "installer/payload_file.h"
#include "tests/support/temp_folder.h"

namespace lz::payload {
namespace {

std::vector<std::uint8_t> Stub() {
  std::vector<std::uint8_t> bytes(1024, 0);
  bytes[0] = 'M';
  bytes[1] = 'Z';
  return bytes;
}

class PayloadBuilderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteFileBytes(folder_.path() / "stavel.exe", Stub());
    std::filesystem::create_directories(folder_.path() / "data");
    test::WriteFileBytes(folder_.path() / "data" / "main.dmg", std::vector<std::uint8_t>(3000, 'm'));
    test::WriteFileBytes(folder_.path() / "data" / "config.dsc", std::vector<std::uint8_t>(2000, 'c'));
    test::WriteFileBytes(folder_.path() / "License.html", {'<', 'p', '>'});
  }
  std::filesystem::path Path(const char* name) const { return folder_.path() / name; }
  test::TempFolder folder_;
};

TEST_F(PayloadBuilderTest, WritesAFileThatUnpacksToItsMembers) {
  std::vector<PayloadMember> members;
  std::string error;
  ASSERT_TRUE(CollectMembers({{"License.html", Path("License.html")}, {"$dataFiles$/", Path("data")}}, members, error))
      << error;
  ASSERT_EQ(members.size(), 3u);
  EXPECT_EQ(members[1].name, "$dataFiles$/config.dsc");  // a folder's files in name order
  EXPECT_EQ(members[2].name, "$dataFiles$/main.dmg");
  ASSERT_TRUE(BuildInstallerFile(Path("stavel.exe"), members, Path("dist/setup.exe"), error)) << error;

  const std::vector<std::uint8_t> file = test::ReadFileBytes(Path("dist/setup.exe"));
  std::uint32_t offset = 0;
  ByteView{const_cast<std::uint8_t*>(file.data()), static_cast<std::uint32_t>(file.size())}.ReadU32(
      installer::payload_header::kPayloadOffset, offset);
  EXPECT_EQ(offset, 1024u);
  const std::u16string unpacked = (folder_.path() / "unpacked").u16string();
  ASSERT_TRUE(installer::CarvePayload(Path("dist/setup.exe").u16string().c_str(), Path("p.zip").u16string().c_str()));
  ASSERT_TRUE(installer::UnpackPayload(Path("p.zip").u16string().c_str(), unpacked));
  EXPECT_EQ(test::ReadFileBytes(folder_.path() / "unpacked" / "$dataFiles$" / "main.dmg"),
            std::vector<std::uint8_t>(3000, 'm'));
}

TEST_F(PayloadBuilderTest, RefusesBadNamesMissingSourcesAndUsedFields) {
  std::vector<PayloadMember> members;
  std::string error;
  EXPECT_FALSE(CollectMembers({{std::string(64, 'n'), Path("License.html")}}, members, error));
  EXPECT_FALSE(CollectMembers({{"名.txt", Path("License.html")}}, members, error));
  EXPECT_FALSE(CollectMembers({{"../up.txt", Path("License.html")}}, members, error));
  EXPECT_FALSE(CollectMembers({{"x.txt", Path("missing")}}, members, error));
  EXPECT_FALSE(CollectMembers({{"$fonts$/", Path("License.html")}}, members, error));

  ASSERT_TRUE(CollectMembers({{"$dataFiles$/", Path("data")}}, members, error));
  ASSERT_TRUE(BuildInstallerFile(Path("stavel.exe"), members, Path("setup.exe"), error));
  // An installer file is no stub: its fields are in use.
  EXPECT_FALSE(BuildInstallerFile(Path("setup.exe"), members, Path("setup2.exe"), error));
  EXPECT_NE(error.find("not zero"), std::string::npos);
  EXPECT_FALSE(BuildInstallerFile(Path("License.html"), members, Path("setup3.exe"), error));
}

}  // namespace
}  // namespace lz::payload
