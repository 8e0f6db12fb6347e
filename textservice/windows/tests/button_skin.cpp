#include "textservice/windows/tests/button_skin.h"

#include "platform/zip/zip_writer.h"
#include "textservice/skin/tests/png_writer.h"
#include "textservice/skin/tests/skin_fixture.h"

namespace lz::test {
namespace {


std::string Colour(std::uint32_t rgb) {  // skin.ini "#decimal" of the COLORREF
  const std::uint32_t colorref = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
  return "#" + std::to_string(colorref);
}

std::vector<std::uint8_t> Solid(std::uint32_t w, std::uint32_t h, std::uint32_t rgb) {
  return SolidPng(w, h, static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                        static_cast<std::uint8_t>(rgb), 0xFF);
}

// A background whose top-left and bottom-right 3 x 3 corners are transparent.
std::vector<std::uint8_t> Background(std::uint32_t w, std::uint32_t h) {
  std::vector<std::uint8_t> rgba;
  for (std::uint32_t y = 0; y < h; ++y) {
    for (std::uint32_t x = 0; x < w; ++x) {
      const bool corner = (x < 3 && y < 3) || (x >= w - 3 && y >= h - 3);
      rgba.insert(rgba.end(), {0x40, 0x40, 0x40, static_cast<std::uint8_t>(corner ? 0 : 0xFF)});
    }
  }
  return test::EncodeRgbaPng(w, h, rgba);
}


}  // namespace

std::vector<std::uint8_t> ButtonSkin(const std::string& name, std::uint32_t background_width) {
  const std::string layout =
      "后翻页按钮位置=" + std::to_string(background_width - 14) + ",2\r\n"
      "前翻页按钮位置=" + std::to_string(background_width - 28) + ",2\r\n"
      "全角半角按钮位置=" + std::to_string(background_width - 42) + ",2\r\n"
      "中英文标点按钮位置=" + std::to_string(background_width - 56) + ",2\r\n"
      "编码起始位置=6,2\r\n"
      "候选起始位置=6,20\r\n"
      "序号-字词间距=2\r\n字词-提示间距=2\r\n候选间距=8\r\n行间距=2\r\n"
      "横向拉伸区域=60,60\r\n纵向拉伸区域=30,30\r\n"
      "右边距=6\r\n下边距=4\r\n文字背景边框=2,2,2,2\r\n";
  const std::string ini =
      ";------------------------for version 4.0+-------------------\r\n"
      "[-皮肤信息-]\r\n名称=" + name + "\r\n"
      "[-文字显示-]\r\n"
      "编码字体颜色=" + Colour(kCodeRgb) + "\r\n编码字体名称=DejaVu Sans\r\n编码字体大小=-12\r\n编码字体粗细=400\r\n"
      "候选字体颜色=" + Colour(kWordRgb) + "\r\n候选字体名称=WenQuanYi Micro Hei\r\n候选字体大小=-16\r\n候选字体粗细=400\r\n"
      "序号字体颜色=" + Colour(kIndexRgb) + "\r\n提示字体颜色=" + Colour(kIndexRgb) + "\r\n"
      "第一候选颜色=" + Colour(kWordRgb) + "\r\n第一候选背景色=" + Colour(kHighlightRgb) + "\r\n"
      "鼠标处候选背景色=#-1\r\n"
      "[-候选窗口-合并-]\r\n" + layout + "[-候选窗口-合并-竖排-]\r\n" + layout +
      "[-候选窗口-嵌入-]\r\n" + layout + "[-候选窗口-嵌入-竖排-]\r\n" + layout;
  std::vector<ZipMember> members = {
      {"skin.ini", Bytes(ini)},
      {"bar.png", Solid(40, 12, kBackgroundRgb)},
      {"candHB.png", Background(background_width, kButtonSkinHeight)},
      {"candHB_shu.png", Background(kButtonSkinHeight, background_width)},
      {"candQR.png", Background(background_width, kButtonSkinHeight)},
      {"candQR_shu.png", Background(kButtonSkinHeight, background_width)},
      {"up.png", Solid(12, 12, kUpRgb)},
      {"down.png", Solid(12, 12, kDownRgb)},
      {"ban.png", Solid(12, 12, kBanRgb)},
      {"quan.png", Solid(12, 12, kBanRgb)},
      {"cn_biaodian.png", Solid(12, 12, kPunctuationRgb)},
      {"en_biaodian.png", Solid(12, 12, kPunctuationRgb)},
  };
  return MakeZip(members);
}

}  // namespace lz::test
