// The HTML viewer's address and placement.
#include "config/web/web_pages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lz::config {
namespace {

TEST(WebPagesTest, HelpAddressesStayAndOthersArePercentEncoded) {
  const struct {
    std::u16string given, navigated;
  } cases[] = {
      {u"中 a", u"%E4%B8%AD a"},
      {u"http://example.org/a b?q=中", u"http://example.org/a b?q=%E4%B8%AD"},
      {u"mk:@MSITStore:C:\\兰卓\\main.chm::/About.html", u"mk:@MSITStore:C:\\兰卓\\main.chm::/About.html"},
      {u"about:blank", u"about:blank"},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(ViewerAddress(c.given), c.navigated);
  EXPECT_EQ(ViewerAddress(std::u16string(600, u'a')).size(), 511u);
}

TEST(WebPagesTest, ARequestedSizeIsCutToTheScreenAndCentred) {
  const struct {
    int width, height, screen_width, screen_height;
    bool resize;
    int x, y, w, h;
  } cases[] = {
      {2000, 500, 1280, 1024, true, 0, 262, 1280, 500},
      {2000, 500, 1366, 768, true, 0, 134, 1366, 500},
      {800, 600, 1280, 1024, true, 240, 212, 800, 600},
      {800, 3000, 1280, 1024, true, 240, 0, 800, 1024},
      {0, 500, 1280, 1024, false, 0, 0, 0, 0},
      {800, -1, 1280, 1024, false, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    const ViewerPlacement p = PlaceViewer(c.width, c.height, c.screen_width, c.screen_height);
    EXPECT_EQ(p.resize, c.resize) << c.width << "x" << c.height;
    if (!c.resize) continue;
    EXPECT_EQ(p.x, c.x);
    EXPECT_EQ(p.y, c.y);
    EXPECT_EQ(p.width, c.w);
    EXPECT_EQ(p.height, c.h);
  }
}

}  // namespace
}  // namespace lz::config
