// The online update's decisions: the machine digest, the query address, the update list and what it means,
// and the texts of the dialog.
#include "config/update/online_update.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/os/folder_list.h"
#include "tests/support/data_folder.h"
#include "tests/support/temp_folder.h"

namespace lz::config {
namespace {

// A path written with "|" for the system's separator.
std::u16string Path(std::u16string text) {
  for (char16_t& c : text) {
    if (c == u'|') c = os::kPathSeparator;
  }
  return text;
}

TEST(Md5, GivesTheDigestsOfRfc1321) {
  const struct {
    std::string input;
    const char* digest;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases) EXPECT_EQ(Md5Hex(c.input), c.digest) << '"' << c.input << '"';
}

TEST(Md5, GivesTheSameDigestFedInPieces) {
  const std::string text(1000, 'q');
  Md5 pieces;
  for (std::size_t at = 0; at < text.size(); at += 7) pieces.Update(text.data() + at, std::min<std::size_t>(7, text.size() - at));
  const auto digest = pieces.Final();
  Md5 whole;
  whole.Update(text.data(), text.size());
  EXPECT_EQ(digest, whole.Final());
}

TEST(MachineIdentifier, DigestsTheFirstAdapterWithAnAddress) {
  const struct {
    const char* what;
    std::vector<AdapterAddress> adapters;
    std::string text;  // what is digested
  } cases[] = {
      {"bytes below 0x10 are padded with a blank", {{0x00, 0x05, 0x0A, 0x1B, 0xC4, 0xFF}}, " 0 5 a1bc4ff"},
      {"an adapter without an address is passed over", {{}, {0x12, 0x34}}, "1234"},
      {"only the first adapter with an address counts", {{0xAB}, {0xCD}}, "ab"},
      {"no adapter gives the empty text", {}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(MachineIdentifier(c.adapters), Md5Hex(c.text)) << c.what;
  EXPECT_EQ(MachineIdentifier({}), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(QueryTemplate, ReplacesEveryPlaceholderOnce) {
  const QueryValues values{u"4.0.1.2", u"{12345678-ABCD-EF01-2345-6789ABCDEF01}", "abc123", 42};
  const struct {
    std::u16string query_template;
    std::u16string address;
  } cases[] = {
      {u"http://u.example/list", u"http://u.example/list"},
      {u"http://u.example/?v={version}&g={guid}&m={macaddr}&d={dataver}",
       u"http://u.example/?v=4.0.1.2&g=12345678ABCDEF0123456789ABCDEF01&m=abc123&d=42"},
      {u"{guid}/{guid}", u"12345678ABCDEF0123456789ABCDEF01/12345678ABCDEF0123456789ABCDEF01"},
      {u"{GUID}{Version}", u"{GUID}{Version}"},
  };
  for (const auto& c : cases) EXPECT_EQ(FillQueryTemplate(c.query_template, values), c.address);

  // A value that holds a placeholder is not searched again; empty values go as "0".
  const QueryValues odd{u"{guid}", u"{AB}", "", -1};
  EXPECT_EQ(FillQueryTemplate(u"{version}|{guid}|{macaddr}|{dataver}", odd), u"{guid}|AB|0|-1");
  EXPECT_EQ(FillQueryTemplate(u"{version}", QueryValues{u"", u"", "x", 0}), u"0");
}

TEST(XmlReader, ReadsElementsTextAndAttributes) {
  const auto root = ParseXmlText(
      u"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
      u"<UpdateInfo kind=\"full\" n=3>\r\n  <softVersion>4.1.0.0</softVersion>\r\n"
      u"  <empty/>\r\n  <log>a[r]b</log>\r\n</UpdateInfo>");
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(root->children.size(), 1u);
  const XmlNode& info = *root->children[0];
  EXPECT_EQ(info.name, u"UpdateInfo");
  ASSERT_EQ(info.attributes.size(), 2u);
  EXPECT_EQ(info.attributes[0], (std::pair<std::u16string, std::u16string>{u"kind", u"full"}));
  EXPECT_EQ(info.attributes[1], (std::pair<std::u16string, std::u16string>{u"n", u"3"}));
  ASSERT_EQ(info.children.size(), 3u);
  EXPECT_EQ(info.children[0]->text, u"4.1.0.0");
  EXPECT_EQ(info.children[1]->name, u"empty");
  EXPECT_EQ(info.children[1]->text, u"");
  EXPECT_EQ(info.children[2]->text, u"a[r]b");
}

TEST(XmlReader, StandsByWhatItReadBeforeAFault) {
  // A stray close tag at the top closes nothing; the elements after it are still top-level.
  const auto stray = ParseXmlText(u"</x><a>1</a></a></a><b>2</b>");
  ASSERT_NE(stray, nullptr);
  ASSERT_EQ(stray->children.size(), 2u);
  EXPECT_EQ(stray->children[1]->name, u"b");
  // An element name left open ends the reading; what came before stands.
  const auto cut = ParseXmlText(u"<a><b>1</b><c");
  ASSERT_NE(cut, nullptr);
  ASSERT_EQ(cut->children.size(), 1u);
  EXPECT_EQ(cut->children[0]->children.size(), 1u);
  // No element at all.
  EXPECT_EQ(ParseXmlText(u"just text"), nullptr);
  EXPECT_EQ(ParseXmlText(u"<unclosed"), nullptr);
}

TEST(UpdateList, TakesItsValuesByNameInAnyCase) {
  const auto root = ParseXmlText(
      u"<updateinfo><SOFTVERSION>4.2.1.7</SOFTVERSION><dataVersion>12x</dataVersion>"
      u"<lanzoVersion>x</lanzoVersion><dataMinsoftVersion>361</dataMinsoftVersion>"
      u"<softUrl>http://u.example/s.zip</softUrl><DataUrl>http://u.example/d.zip</DataUrl>"
      u"<log>first[r]second</log><other>ignored</other></updateinfo>");
  ASSERT_NE(root, nullptr);
  const auto reply = ReadUpdateList(*root);
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->soft_version, 0x0004000200010007u);
  EXPECT_EQ(reply->data_version, 12);
  EXPECT_EQ(reply->lanzo_version, 0);
  EXPECT_EQ(reply->data_min_soft_version, 361);
  EXPECT_EQ(reply->soft_url, u"http://u.example/s.zip");
  EXPECT_EQ(reply->data_url, u"http://u.example/d.zip");
  EXPECT_EQ(reply->log, u"first \r\nsecond");
}

TEST(UpdateList, IsNoAnswerWithoutASoftwareVersion) {
  const char16_t* lists[] = {u"<UpdateInfo><dataVersion>3</dataVersion></UpdateInfo>",
                             u"<UpdateInfo><softVersion>0</softVersion></UpdateInfo>", u"<UpdateInfo></UpdateInfo>",
                             u"<Other><softVersion>1.0.0.0</softVersion></Other>"};
  for (std::size_t i = 0; i < std::size(lists); ++i) {
    const auto root = ParseXmlText(lists[i]);
    ASSERT_NE(root, nullptr) << i;
    EXPECT_FALSE(ReadUpdateList(*root).has_value()) << i;
  }
}

TEST(UpdateList, KeepsLongValuesWithinTheirLimits) {
  const std::u16string url(600, u'u');
  const std::u16string log(5000, u'l');
  const auto root = ParseXmlText(u"<UpdateInfo><softVersion>1.0.0.0</softVersion><softUrl>" + url + u"</softUrl><log>" + log +
                                 u"</log></UpdateInfo>");
  ASSERT_NE(root, nullptr);
  const auto reply = ReadUpdateList(*root);
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->soft_url.size(), 511u);
  EXPECT_EQ(reply->log.size(), 4095u);
}

TEST(UpdateMode, ComparesUnsigned) {
  UpdateReply reply;
  reply.soft_version = 1;
  const struct {
    std::uint32_t installed, local_data;
    std::int32_t min_soft, server_data;
    UpdateMode mode;
  } cases[] = {
      {360, 5, 361, 9, UpdateMode::kProgram},
      {361, 5, 361, 9, UpdateMode::kData},
      {361, 9, 361, 9, UpdateMode::kNone},
      {361, 10, 361, 9, UpdateMode::kNone},
      // A negative server value is a large unsigned one.
      {0xFFFFFFF0u, 0, -1, 0, UpdateMode::kProgram},
      {5, 0xFFFFFFFFu, 0, 7, UpdateMode::kNone},
  };
  for (const auto& c : cases) {
    reply.data_min_soft_version = c.min_soft;
    reply.data_version = c.server_data;
    EXPECT_EQ(DecideUpdateMode(c.installed, c.local_data, reply), c.mode) << c.installed << " " << c.local_data;
  }
}

TEST(UpdateDialog, ShowsAmountsAndResults) {
  const struct {
    const char16_t* what;
    std::uint64_t bytes;
    std::optional<std::u16string> text;
  } amounts[] = {
      {u"下载", 0, std::nullopt},
      {u"完成", 0, u"完成: 0.00 Bytes"},
      {u"下载", 1024, u"下载: 1024.00 Bytes"},
      {u"下载", 1025, u"下载: 1.00 KB"},
      {u"下载", 1048576, u"下载: 1024.00 KB"},
      {u"完成", 1048577, u"完成: 1.00 MB"},
  };
  for (const auto& a : amounts) EXPECT_EQ(ProgressText(a.what, a.bytes), a.text) << a.bytes;

  UpdateReply reply;
  reply.soft_version = 0x0004000100000002u;
  reply.data_version = 9;
  reply.log = u"notes";
  reply.soft_url = u"http://u.example/s.zip";
  EXPECT_EQ(CheckResultText(UpdateMode::kProgram, 5, reply),
            u"服务器存在新版本的安装程序, 版本号:4.1.0.2\r\n更新内容如下: \r\nnotes\r\n下载地址: http://u.example/s.zip");
  EXPECT_EQ(CheckResultText(UpdateMode::kData, 5, reply), u"服务器存在新版本输入法数据\r\n服务器数据版本:9\r\n本地数据版本:5");
  EXPECT_EQ(CheckResultText(UpdateMode::kNone, 5, reply), u"您的程序是最新版本, 无需更新.");

  EXPECT_EQ(UpdateWorkFolder(Path(u"C:|Temp|"), u"{AB-CD}"), Path(u"C:|Temp|{AB-CD}|update"));
  EXPECT_EQ(UpdateWorkFolder(Path(u"C:|Temp"), u"{AB-CD}"), Path(u"C:|Temp|{AB-CD}|update"));
}

TEST(UpdateDialog, RemovesOnlyTheWorkFolderOfABracedIdentifier) {
  const std::u16string temp = Path(u"C:|Temp|");
  const struct {
    std::u16string folder, class_id;
    bool allowed;
  } cases[] = {
      {Path(u"C:|Temp|{AB-CD}|update"), u"{AB-CD}", true},
      {Path(u"C:|Temp|{AB-CD}"), u"{AB-CD}", false},
      {Path(u"C:|Temp|"), u"{AB-CD}", false},
      {Path(u"C:|Temp|..|update"), u"..", false},
      {Path(u"C:|Temp|{..|..}|update"), Path(u"{..|..}"), false},
      {Path(u"C:|Temp|{}|update"), u"{}", false},
      {Path(u"C:|Temp|AB|update"), u"AB", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsUpdateWorkFolder(c.folder, temp, c.class_id), c.allowed);
  EXPECT_FALSE(IsUpdateWorkFolder(Path(u"|{AB}|update"), u"", u"{AB}"));
}

TEST(UpdateDialog, RemovingTheWorkFolderTakesDotFoldersAndNeverFollowsALink) {
  namespace fs = std::filesystem;
  test::TempFolder temp;
  test::TempFolder outside;
  const fs::path work = temp.path() / "{AB-CD}" / "update";
  fs::create_directories(work / ".x" / "inner");
  test::WriteFileBytes(work / ".x" / "inner" / "a.txt", {1, 2, 3});
  test::WriteFileBytes(work / "temp.zip", {4});
  test::WriteFileBytes(outside.path() / "kept.txt", {5});
  std::error_code ignored;
  fs::create_directory_symlink(outside.path(), work / "link", ignored);

  const std::u16string temp_text = temp.path().u16string();
  // Another root is refused and left as it is.
  EXPECT_FALSE(RemoveUpdateWorkFolder((temp.path() / "{AB-CD}").u16string(), temp_text, u"{AB-CD}"));
  EXPECT_TRUE(fs::exists(work / "temp.zip"));

  EXPECT_TRUE(RemoveUpdateWorkFolder(work.u16string(), temp_text, u"{AB-CD}"));
  EXPECT_FALSE(fs::exists(work));
  EXPECT_TRUE(fs::exists(outside.path() / "kept.txt"));
  // Nothing there is nothing to remove.
  EXPECT_TRUE(RemoveUpdateWorkFolder(work.u16string(), temp_text, u"{AB-CD}"));
}

// A data folder with every file a data update may carry, made here.
class UpdateDataFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    test::DataFolderContents contents;
    std::memcpy(contents.identifier, test::kTestIdentifier, 16);
    contents.main = {{"a", "\xE5\xB7\xA5"}, {"wq", "\xE4\xBD\xA0"}};
    contents.engl = std::vector<test::TableRecord>{{"a", "a"}};
    contents.temp = std::vector<test::TableRecord>{};
    test::WriteDataFolder(folder_.path(), contents);
  }
  std::vector<std::uint8_t> Bytes(const char* name) const { return test::ReadFileBytes(folder_.path() / name); }

  test::TempFolder folder_;
};

TEST_F(UpdateDataFiles, AcceptsTheFilesOfThisInputMethod) {
  for (const char* name : {"config.dsc", "main.dmg", "engl.dmg", "temp.dmg"}) {
    const std::u16string file(name, name + std::strlen(name));
    EXPECT_EQ(RefuseUpdateDataFile(file, Bytes(name), test::kTestIdentifier), std::nullopt) << name;
  }
  // Names compare ignoring case.
  EXPECT_EQ(RefuseUpdateDataFile(u"MAIN.DMG", Bytes("main.dmg"), test::kTestIdentifier), std::nullopt);
}

TEST_F(UpdateDataFiles, RefusesWhatWouldHarmTheInputMethod) {
  std::uint8_t other[16];
  std::memcpy(other, test::kTestIdentifier, 16);
  other[0] ^= 0xFF;
  std::vector<std::uint8_t> cut = Bytes("main.dmg");
  cut.resize(cut.size() / 2);
  std::vector<std::uint8_t> broken_store = Bytes("config.dsc");
  broken_store.resize(64);
  const struct {
    const char* what;
    std::u16string name;
    std::vector<std::uint8_t> bytes;
    const std::uint8_t (&identifier)[16];
  } cases[] = {
      {"main.dmg of another input method", u"main.dmg", Bytes("main.dmg"), other},
      {"config.dsc of another input method", u"config.dsc", Bytes("config.dsc"), other},
      {"a cut table", u"main.dmg", cut, test::kTestIdentifier},
      {"a cut settings store", u"config.dsc", broken_store, test::kTestIdentifier},
      {"a table where the settings belong", u"config.dsc", Bytes("main.dmg"), test::kTestIdentifier},
      {"settings where a table belongs", u"engl.dmg", Bytes("config.dsc"), test::kTestIdentifier},
      {"a name that is no data file", u"setup.exe", Bytes("main.dmg"), test::kTestIdentifier},
      {"an empty file", u"sysl.dmg", {}, test::kTestIdentifier},
  };
  for (const auto& c : cases) EXPECT_NE(RefuseUpdateDataFile(c.name, c.bytes, c.identifier), std::nullopt) << c.what;
}

}  // namespace
}  // namespace lz::config
