#include "installer/registry_values.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/support/data_folder.h"
#include "textservice/engine/block_fields.h"

namespace lz::installer {
namespace {

constexpr char16_t kId[] = u"{3D1E5C7A-1042-4B0F-9A61-2EC35807B4E9}";

struct SoftBlock {
  std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(config_store::kSoftBlockSize);
  ByteView View() { return ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}; }
  void Text(std::uint32_t offset, std::u16string_view text) { WriteFieldText(View(), offset, 64, text); }
};

SoftBlock Identity() {
  SoftBlock soft;
  using namespace soft_block;
  soft.Text(kDisplayName, u"懒子五笔");
  soft.Text(kLanguageName, u"中文(简体)");
  soft.Text(kImeName, u"lzwb.361.12");
  soft.Text(kDisplayVersion, u"4.1.12");
  soft.Text(kComments, u"说明");
  soft.Text(kPublisher, u"Lanzo");
  soft.Text(kUrlInfoAbout, u"https://example.org/about");
  soft.Text(kUrlUpdateInfo, u"https://example.org/update");
  soft.Text(kContact, u"ann");
  soft.Text(kHelpTelephone, u"123");
  soft.Text(kUninstallCommand, u"cleanup");
  soft.View().WriteU32(kLanguageId, 0x0804);
  return soft;
}

std::map<std::u16string, RegistryValue> ByName(const std::vector<RegistryValue>& values) {
  std::map<std::u16string, RegistryValue> map;
  for (const RegistryValue& v : values) map[v.name] = v;
  return map;
}

TEST(RegistryValuesTest, TheProductKeyHoldsNineValuesFromTheSoftBlock) {
  SoftBlock soft = Identity();
  const std::vector<RegistryValue> values =
      ProductValues(soft.View(), u"C:\\ProgramData\\LanzoIME4\\{id}\\361.12\\", u"C:\\Program Files\\Lanzo\\361.12");
  ASSERT_EQ(values.size(), 9u);
  const std::vector<std::pair<std::u16string, std::u16string>> expected = {
      {u"DataLocation", u"C:\\ProgramData\\LanzoIME4\\{id}\\361.12\\"},
      {u"InstallLocation", u"C:\\Program Files\\Lanzo\\361.12\\"},
      {u"IMEName", u"lzwb.361.12"},
      {u"DisplayName", u"懒子五笔"},
      {u"DisplayVersion", u"4.1.12"},
      {u"URLUpdateInfo", u"https://example.org/update"},
      {u"LanguageName", u"中文(简体)"},
      {u"UnstallCommand", u"cleanup"},
  };
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(values[i].name, expected[i].first);
    EXPECT_FALSE(values[i].is_dword);
    EXPECT_EQ(values[i].text, expected[i].second);
  }
  EXPECT_EQ(values[8].name, u"LANGID");
  EXPECT_TRUE(values[8].is_dword);
  EXPECT_EQ(values[8].number, 0x0804u);
}

TEST(RegistryValuesTest, TheUninstallEntryHoldsSixteenValuesWithAQuotedCommand) {
  SoftBlock soft = Identity();
  const UninstallSources sources{u"Ann", u"Org", u"C:\\Program Files\\Lanzo\\361.12\\",
                                 u"C:\\Temp\\$quorStavel4$\\zipdatas\\stavelx64.exe"};
  const std::vector<RegistryValue> values = UninstallValues(soft.View(), kId, sources);
  const std::vector<std::u16string> order = {
      u"RegOwner",     u"RegCompany",    u"DisplayName",   u"Comments",        u"DisplayVersion", u"DisplayIcon",
      u"Contact",      u"Publisher",     u"URLInfoAbout",  u"URLUpdateInfo",   u"HelpLink",       u"HelpTelephone",
      u"UninstallString", u"InstallLocation", u"InstallSource", u"ModifyPath"};
  ASSERT_EQ(values.size(), order.size());
  for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(values[i].name, order[i]);
  auto v = ByName(values);
  const std::u16string command =
      u"\"C:\\Program Files\\Lanzo\\361.12\\stavel.exe\" /n {3D1E5C7A-1042-4B0F-9A61-2EC35807B4E9} /u";
  EXPECT_EQ(v[u"UninstallString"].text, command);
  EXPECT_EQ(v[u"ModifyPath"].text, command);
  EXPECT_EQ(v[u"DisplayIcon"].text, u"C:\\Program Files\\Lanzo\\361.12\\stavel.exe");
  // An empty help link points at the help file of the install folder.
  EXPECT_EQ(v[u"HelpLink"].text, u"C:\\Program Files\\Lanzo\\361.12\\main.chm");
  EXPECT_EQ(v[u"InstallSource"].text, u"C:\\Temp\\$quorStavel4$\\zipdatas\\stavelx64.exe");
  EXPECT_EQ(v[u"RegOwner"].text, u"Ann");
  EXPECT_EQ(v[u"Publisher"].text, u"Lanzo");
  EXPECT_EQ(v[u"DisplayName"].text, u"懒子五笔");
}

TEST(RegistryValuesTest, AGivenHelpLinkAndASourceAddressAreKept) {
  SoftBlock soft = Identity();
  WriteFieldText(soft.View(), soft_block::kHelpLink, 512, u"https://example.org/help");
  const UninstallSources sources{u"", u"", u"D:\\ime\\361.1", u"[mk:@MSITStore:file=D:\\dl\\setup.exe]::/x"};
  auto v = ByName(UninstallValues(soft.View(), kId, sources));
  EXPECT_EQ(v[u"HelpLink"].text, u"https://example.org/help");
  EXPECT_EQ(v[u"InstallSource"].text, u"D:\\dl\\setup.exe");
  EXPECT_EQ(v[u"InstallLocation"].text, u"D:\\ime\\361.1\\");
}

}  // namespace
}  // namespace lz::installer
