#include "config/web/about_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/data_folder.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/settings_store.h"

namespace lz::config {
namespace {

TEST(AboutPageTest, TitleAddressAndUpdateLink) {
  const struct {
    std::u16string name, version, update, folder;
    std::u16string title, address;
    bool link;
  } cases[] = {
      {u"兰卓五笔", u"4.1.0.2", u"https://example.org/u?v=%s", u"C:\\Program Files\\Lanzo",
       u"兰卓五笔: 4.1.0.2 build 361", u"mk:@MSITStore:C:\\Program Files\\Lanzo\\main.chm::/About.html", true},
      {u"兰卓", u"", u"", u"C:\\Lanzo\\", u"兰卓:  build 361", u"mk:@MSITStore:C:\\Lanzo\\main.chm::/About.html",
       false},
      // The program's own template, in any case, offers no update.
      {u"A", u"1", kDefaultUpdateTemplate, u"D:", u"A: 1 build 361", u"mk:@MSITStore:D:\\main.chm::/About.html",
       false},
      {u"A", u"1", u"HTTPS://UPDATE.INVALID/UPDATE_LIST.TXT?ver=%s&id=%s&mac=%s&data=%d", u"D:", u"A: 1 build 361",
       u"mk:@MSITStore:D:\\main.chm::/About.html", false},
  };
  for (const auto& c : cases) {
    std::vector<std::uint8_t> store = test::BuildConfigStore(test::kTestIdentifier, [&](ConfigBlocks& b) {
      WriteFieldText(b.soft, soft_block::kDisplayName, 64, c.name);
      WriteFieldText(b.soft, soft_block::kDisplayVersion, 96, c.version);
      WriteFieldText(b.soft, soft_block::kUrlUpdateInfo, 512, c.update);
    });
    ConfigBlocks blocks{};
    FindConfigBlocks(ByteView{store.data(), static_cast<std::uint32_t>(store.size())}, blocks);
    const AboutPageView view = ReadAboutPage(blocks.soft, c.folder);
    EXPECT_EQ(view.title, c.title);
    EXPECT_EQ(view.address, c.address);
    EXPECT_EQ(view.update_link_shown, c.link) << std::string(c.update.begin(), c.update.end());
  }
}

TEST(AboutPageTest, TheHelpFileLiesInTheInstallFolder) {
  EXPECT_EQ(HelpFilePath(u"C:\\Lanzo"), u"C:\\Lanzo\\main.chm");
  EXPECT_EQ(HelpFilePath(u"C:\\Lanzo\\"), u"C:\\Lanzo\\main.chm");
  EXPECT_EQ(HelpFilePath(u"C:/Lanzo/"), u"C:/Lanzo/main.chm");
}

}  // namespace
}  // namespace lz::config
