#include "textservice/skin/tests/skin_fixture.h"

#include "textservice/skin/tests/png_writer.h"

namespace lz::test {

std::vector<std::uint8_t> SolidPng(std::uint32_t width, std::uint32_t height, std::uint8_t r, std::uint8_t g,
                                   std::uint8_t b, std::uint8_t a) {
  std::vector<std::uint8_t> rgba;
  for (std::uint32_t i = 0; i < width * height; ++i) rgba.insert(rgba.end(), {r, g, b, a});
  return EncodeRgbaPng(width, height, rgba);
}

std::string SkinIniText(const std::string& name) {
  return ";------------------------for version 4.0+-------------------\r\n"
         "[-皮肤信息-]\r\n"
         "名称=" +
         name +
         "\r\n"
         "描述=测试用\r\n"
         "[-文字显示-]\r\n"
         "编码字体大小=-16\r\n"
         "编码字体粗细=400\r\n"
         "[-状态栏窗口-]\r\n"
         "菜单按钮位置=20,2\r\n"
         "[-候选窗口-合并-]\r\n"
         "横向拉伸区域=5,20\r\n";
}

std::vector<ZipMember> SkinMembers(const std::string& name) {
  return {
      {"skin.ini", Bytes(SkinIniText(name))},
      {"bar.png", SolidPng(kBarWidth, kBarHeight, 0x20, 0x40, 0x60, 0xFF)},
      {"candHB.png", SolidPng(kCandidateWidth, kCandidateHeight, 0xF0, 0xF0, 0xF0, 0xFF)},
      {"candHB_shu.png", SolidPng(kCandidateHeight, kCandidateWidth, 0xF0, 0xF0, 0xF0, 0xFF)},
      {"candQR.png", SolidPng(kCandidateWidth, kCandidateHeight / 2, 0xE0, 0xE0, 0xE0, 0xFF)},
      {"candQR_shu.png", SolidPng(kCandidateHeight / 2, kCandidateWidth, 0xE0, 0xE0, 0xE0, 0xFF)},
  };
}

std::vector<std::uint8_t> SkinPackage(const std::string& name) { return MakeZip(SkinMembers(name)); }

}  // namespace lz::test
