// The settings backup: the dme and skin sections of a store behind their banners.
#include "config/settings_export.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/data_folder.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/settings_text.h"

namespace lz {
namespace {

std::string Utf8(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

TEST(SettingsExportTest, WritesEachSectionBehindItsBanner) {
  std::vector<std::uint8_t> store = test::BuildConfigStore();
  ConfigBlocks blocks;
  ASSERT_EQ(FindConfigBlocks(ByteView{store.data(), static_cast<std::uint32_t>(store.size())}, blocks), 1);
  test::TempFolder folder;
  const std::u16string path = folder.File("backup.config.txt");
  ASSERT_TRUE(ExportSettingsText(blocks.ime, blocks.dme, blocks.skin, path.c_str()));
  const std::vector<std::uint8_t> bytes = test::ReadFileBytes(folder.path() / "backup.config.txt");
  const std::string text(bytes.begin(), bytes.end());
  ASSERT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
  std::u16string dme(kSettingsTextCapacity, u'\0');
  dme.resize(static_cast<std::size_t>(SettingsTextWrite(blocks.dme, dme.data(), kSettingsTextCapacity, kDmeSettings)));
  const std::string banner = Utf8(std::u16string(kSettingsRule) + u"\r\n" + kSettingsBannerPrefix + u"DME设置\r\n" +
                                  kSettingsRule + u"\r\n[-DME设置-]\r\n");
  EXPECT_EQ(text.find(banner), 3u);
  EXPECT_NE(text.find(banner + Utf8(dme)), std::string::npos);
  EXPECT_NE(text.find(Utf8(u"[-SKIN设置-]\r\n")), std::string::npos);
  EXPECT_LT(text.find("[-DME"), text.find("[-SKIN"));
}

TEST(SettingsExportTest, AFileThatCannotBeWrittenIsReported) {
  std::vector<std::uint8_t> store = test::BuildConfigStore();
  ConfigBlocks blocks;
  FindConfigBlocks(ByteView{store.data(), static_cast<std::uint32_t>(store.size())}, blocks);
  test::TempFolder folder;
  EXPECT_FALSE(ExportSettingsText(blocks.ime, blocks.dme, blocks.skin, folder.File("no/such/folder.txt").c_str()));
}

}  // namespace
}  // namespace lz
