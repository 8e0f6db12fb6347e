#include "textservice/skin/skin_description.h"

#include "tests/support/text_file_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace lz {
namespace {

constexpr char kTemplate[] = ";------------------------for version 4.0+-------------------";

std::vector<std::uint8_t> Utf8(const std::string& text) { return {text.begin(), text.end()}; }

struct Parsed {
  int result;
  SkinDescription d;
};

Parsed Parse(const std::string& utf8, AnsiDecoder ansi = SystemAnsiToWide) {
  Parsed p{};
  const auto bytes = Utf8(utf8);
  p.result = ParseSkinIni(bytes.data(), bytes.size(), p.d, ansi);
  return p;
}

// A skin.ini with the template line, the given lines, and then a name.
Parsed ParseLines(const std::string& lines) {
  return Parse(std::string(kTemplate) + "\r\n" + lines + "\r\n[-皮肤信息-]\r\n名称=t\r\n");
}

std::u16string Str(const char16_t* s) { return s; }

TEST(SkinDescription, ReadsEverySection) {
  const Parsed p =
      Parse(std::string(kTemplate) +
            "\r\n"
            "[-皮肤信息-]\r\n"
            "名称=清朗\r\n描述=浅色\r\n版本=1.0\r\n所有者名称=Lanzo\r\n所有者联系方式=a@b\r\n"
            "[-文字显示-]\r\n"
            "编码字体颜色=#16711680\r\n编码字体名称=宋体\r\n编码字体大小=-16\r\n编码字体粗细=400\r\n"
            "候选字体颜色=#255\r\n候选字体名称=黑体\r\n候选字体大小=18\r\n候选字体粗细=700\r\n"
            "从右向左的文字=1\r\n序号字体颜色=#1\r\n提示字体颜色=#2\r\n临时词候选颜色=#3\r\n"
            "用户词候选颜色=#4\r\n第一候选颜色=#5\r\n第一候选背景色=#-1\r\n鼠标处候选背景色=#7\r\n"
            "鼠标处候选颜色=#8\r\n编码最多显示个数=30\r\n候选最多显示个数=12\r\n光标颜色=#9\r\n"
            "[-状态栏窗口-]\r\n"
            "状态栏默认位置=3\r\n中英文状态按钮位置=1,2\r\n中英文标点按钮位置=3,4\r\n全角半角按钮位置=5,6\r\n"
            "软键盘按钮位置=7,8\r\n菜单按钮位置=9,10\r\n输入法标志位置=11,12\r\n扩展按钮1位置=13,14\r\n"
            "扩展按钮9位置=15,16\r\n简繁切换按钮位置=17,18\r\n"
            "[-候选窗口-合并-]\r\n"
            "后翻页按钮位置=1,2\r\n前翻页按钮位置=3,4\r\n中英文标点按钮位置=5,6\r\n全角半角按钮位置=7,8\r\n"
            "扩展按钮5位置=9,10\r\n编码起始位置=11,12\r\n候选起始位置=13,14\r\n序号-字词间距=15\r\n"
            "字词-提示间距=16\r\n候选间距=17\r\n行间距=18\r\n横向拉伸区域=19,20\r\n纵向拉伸区域=21,22\r\n"
            "右边距=23\r\n下边据=24\r\n最小宽度=25\r\n最小高度=26\r\n嵌入窗口偏移=27,28\r\n序号后缀=.\r\n"
            "文字背景边框=29,30,31,32\r\n"
            "[-候选窗口-合并-竖排-]\r\n最小宽度=101\r\n"
            "[-候选窗口-嵌入-]\r\n最小宽度=102\r\n"
            "[-候选窗口-嵌入-竖排-]\r\n最小宽度=103\r\n");
  ASSERT_EQ(p.result, kSkinIniParsed);
  const SkinDescription& d = p.d;
  EXPECT_EQ(Str(d.source), u"");
  EXPECT_EQ(Str(d.info.name), u"清朗");
  EXPECT_EQ(Str(d.info.description), u"浅色");
  EXPECT_EQ(Str(d.info.version), u"1.0");
  EXPECT_EQ(Str(d.info.owner_name), u"Lanzo");
  EXPECT_EQ(Str(d.info.owner_contact), u"a@b");

  EXPECT_EQ(d.text.code_font.colour, 16711680);
  EXPECT_EQ(Str(d.text.code_font.name), u"宋体");
  EXPECT_EQ(d.text.code_font.size, -16);
  EXPECT_EQ(d.text.code_font.weight, 400);
  EXPECT_EQ(d.text.code_font.reserved[0], 0);
  EXPECT_EQ(d.text.candidate_font.colour, 255);
  EXPECT_EQ(Str(d.text.candidate_font.name), u"黑体");
  EXPECT_EQ(d.text.candidate_font.size, 18);
  EXPECT_EQ(d.text.candidate_font.weight, 700);
  EXPECT_EQ(d.text.right_to_left, 1);
  const std::int32_t colours[] = {d.text.index_colour,           d.text.hint_colour,
                                  d.text.temp_word_colour,       d.text.user_word_colour,
                                  d.text.first_candidate_colour, d.text.first_candidate_background,
                                  d.text.hover_background,       d.text.hover_colour,
                                  d.text.cursor_colour};
  EXPECT_EQ(std::vector<std::int32_t>(std::begin(colours), std::end(colours)),
            (std::vector<std::int32_t>{1, 2, 3, 4, 5, -1, 7, 8, 9}));
  EXPECT_EQ(d.text.max_code_chars, 30);
  EXPECT_EQ(d.text.max_candidates, 12);

  EXPECT_EQ(d.status.default_corner, 3);
  EXPECT_EQ(d.status.mode_button.x, 1);
  EXPECT_EQ(d.status.mode_button.y, 2);
  EXPECT_EQ(d.status.punctuation_button.y, 4);
  EXPECT_EQ(d.status.width_button.x, 5);
  EXPECT_EQ(d.status.soft_keyboard_button.y, 8);
  EXPECT_EQ(d.status.menu_button.x, 9);
  EXPECT_EQ(d.status.logo.y, 12);
  EXPECT_EQ(d.status.extension_x[0], 13);
  EXPECT_EQ(d.status.extension_y[0], 14);
  EXPECT_EQ(d.status.extension_x[8], 15);
  EXPECT_EQ(d.status.extension_y[8], 16);
  EXPECT_EQ(d.status.script_button.x, 17);
  EXPECT_EQ(d.status.script_button.y, 18);

  const CandidateLayout& m = d.merged;
  EXPECT_EQ(m.next_page_button.x, 1);
  EXPECT_EQ(m.previous_page_button.y, 4);
  EXPECT_EQ(m.punctuation_button.x, 5);
  EXPECT_EQ(m.width_button.y, 8);
  EXPECT_EQ(m.extension_x[4], 9);
  EXPECT_EQ(m.extension_y[4], 10);
  EXPECT_EQ(m.code_origin.x, 11);
  EXPECT_EQ(m.candidate_origin.y, 14);
  EXPECT_EQ(m.index_to_word_gap, 15);
  EXPECT_EQ(m.word_to_hint_gap, 16);
  EXPECT_EQ(m.candidate_gap, 17);
  EXPECT_EQ(m.line_gap, 18);
  EXPECT_EQ(m.horizontal_stretch.first, 19);
  EXPECT_EQ(m.horizontal_stretch.last, 20);
  EXPECT_EQ(m.vertical_stretch.first, 21);
  EXPECT_EQ(m.vertical_stretch.last, 22);
  EXPECT_EQ(m.right_margin, 23);
  EXPECT_EQ(m.bottom_margin, 24);
  EXPECT_EQ(m.min_width, 25);
  EXPECT_EQ(m.min_height, 26);
  EXPECT_EQ(m.embedded_offset.x, 27);
  EXPECT_EQ(m.embedded_offset.y, 28);
  EXPECT_EQ(m.index_suffix, u'.');
  EXPECT_EQ(m.text_border.left, 29);
  EXPECT_EQ(m.text_border.bottom, 32);
  EXPECT_EQ(d.merged_vertical.min_width, 101);
  EXPECT_EQ(d.embedded.min_width, 102);
  EXPECT_EQ(d.embedded_vertical.min_width, 103);
}

TEST(SkinDescription, ValueRulesAndEdgeCases) {
  struct Case {
    std::string what;
    std::string lines;
    std::int32_t (*field)(const SkinDescription&);
    std::int32_t expected;
  };
  using D = const SkinDescription&;
  const std::vector<Case> cases = {
      {"size 0 becomes 12", "[-文字显示-]\r\n编码字体大小=0", [](D d) { return d.text.code_font.size; }, 12},
      {"absent size stays 0", "[-文字显示-]\r\n编码字体名称=x", [](D d) { return d.text.code_font.size; }, 0},
      {"weight below 100 becomes 100", "[-文字显示-]\r\n编码字体粗细=50", [](D d) { return d.text.code_font.weight; },
       100},
      {"empty weight becomes 100", "[-文字显示-]\r\n候选字体粗细=", [](D d) { return d.text.candidate_font.weight; },
       100},
      {"colour without # is 0", "[-文字显示-]\r\n序号字体颜色=255", [](D d) { return d.text.index_colour; }, 0},
      {"lowest colour", "[-文字显示-]\r\n序号字体颜色=#-2147483648", [](D d) { return d.text.index_colour; },
       -2147483647 - 1},
      {"both hint keys, the later wins", "[-文字显示-]\r\n提示字体颜色=#1\r\n提示编码颜色=#2",
       [](D d) { return d.text.hint_colour; }, 2},
      {"右边据 then 右边距", "[-候选窗口-嵌入-]\r\n右边据=20\r\n右边距=30", [](D d) { return d.embedded.right_margin; },
       30},
      {"右边距 then 右边据", "[-候选窗口-嵌入-]\r\n右边距=30\r\n右边据=20", [](D d) { return d.embedded.right_margin; },
       20},
      {"position without a comma is ignored", "[-状态栏窗口-]\r\n扩展按钮3位置=5,6\r\n扩展按钮3位置=120",
       [](D d) { return d.status.extension_x[2]; }, 5},
      {"keys before the first header are ignored", "编码字体大小=20", [](D d) { return d.text.code_font.size; }, 0},
      {"unknown header ignores its keys", "[-别的-]\r\n编码字体大小=20", [](D d) { return d.text.code_font.size; }, 0},
      // No header holds an ASCII letter, so what the case-blind comparison can show is that it is whole.
      {"a header is compared whole", "[-候选窗口-合并-]\r\n最小宽度=7", [](D d) { return d.merged.min_width; }, 7},
      {"a header with more after it is unknown", "[-候选窗口-合并-]x\r\n最小宽度=7",
       [](D d) { return d.merged.min_width; }, 0},
      {"keys are exact", "[-文字显示-]\r\n编码字体大小 =20", [](D d) { return d.text.code_font.size; }, 0},
      {"value is not trimmed", "[-文字显示-]\r\n编码字体大小= 20", [](D d) { return d.text.code_font.size; }, 20},
      {"number stops at a non-digit", "[-候选窗口-合并-]\r\n最小宽度=12px", [](D d) { return d.merged.min_width; }, 12},
      {"number without digits is 0", "[-候选窗口-合并-]\r\n最小宽度=7\r\n最小宽度=abc",
       [](D d) { return d.merged.min_width; }, 0},
      {"huge number is clamped", "[-候选窗口-合并-]\r\n最小宽度=99999999999", [](D d) { return d.merged.min_width; },
       2147483647},
      {"first = wins", "[-候选窗口-合并-]\r\n序号后缀==x", [](D d) { return std::int32_t{d.merged.index_suffix}; },
       u'='},
      {"empty suffix", "[-候选窗口-合并-]\r\n序号后缀=", [](D d) { return std::int32_t{d.merged.index_suffix}; }, 0},
      {"border stops at a missing comma", "[-候选窗口-合并-]\r\n文字背景边框=1,2",
       [](D d) { return d.merged.text_border.right * 10 + d.merged.text_border.top; }, 20},
      {"comment lines", "[-文字显示-]\r\n;编码字体大小=20", [](D d) { return d.text.code_font.size; }, 0},
      {"LF and CR line ends", "[-文字显示-]\n\n\r编码字体大小=21\r\r候选字体大小=22",
       [](D d) { return d.text.code_font.size * 100 + d.text.candidate_font.size; }, 2122},
      {"right-to-left is one byte", "[-文字显示-]\r\n从右向左的文字=257",
       [](D d) { return std::int32_t{d.text.right_to_left}; }, 1},
      // The 127th character ends the first line; the rest, "最小宽度=9", is read as a line of its own.
      {"long line is cut", "[-候选窗口-合并-]\r\n;" + std::string(126, 'x') + "最小宽度=9",
       [](D d) { return d.merged.min_width; }, 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Parsed p = ParseLines(c.lines);
    ASSERT_EQ(p.result, kSkinIniParsed);
    EXPECT_EQ(c.field(p.d), c.expected);
  }
}

TEST(SkinDescription, ResultCodes) {
  struct Case {
    std::string what;
    std::string text;
    int result;
  };
  const std::vector<Case> cases = {
      {"nothing", "", kSkinIniNoText},
      {"version 3.3 template", ";------------------------for version 3.3+-------------------\r\n[-皮肤信息-]\r\n名称=a",
       kSkinIniParsed},
      {"template with fewer dashes",
       ";-----------------------for version 4.0+-------------------\r\n[-皮肤信息-]\r\n名称=a", kSkinIniNoTemplate},
      {"text shorter than the template", ";---for version 4.0+", kSkinIniNoTemplate},
      {"template not on the first line", "\r\n" + std::string(kTemplate) + "\r\n[-皮肤信息-]\r\n名称=a",
       kSkinIniNoTemplate},
      {"no name", std::string(kTemplate) + "\r\n[-皮肤信息-]\r\n描述=a", kSkinIniNoName},
      {"empty name", std::string(kTemplate) + "\r\n[-皮肤信息-]\r\n名称=", kSkinIniNoName},
      {"template line is a comment", std::string(kTemplate) + "名称=x\r\n[-皮肤信息-]\r\n名称=a", kSkinIniParsed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Parsed p = Parse(c.text);
    EXPECT_EQ(p.result, c.result);
    if (c.result != kSkinIniParsed && c.result != kSkinIniNoName) {
      const SkinDescription zero{};
      EXPECT_EQ(std::memcmp(&p.d, &zero, sizeof zero), 0);
    }
  }
}

TEST(SkinDescription, LongTextsAreCutToTheirFields) {
  const Parsed p = Parse(std::string(kTemplate) + "\r\n[-皮肤信息-]\r\n名称=t\r\n描述=" + std::string(50, 'd') +
                         "\r\n所有者联系方式=" + std::string(130, 'c'));
  ASSERT_EQ(p.result, kSkinIniParsed);
  EXPECT_EQ(Str(p.d.info.description), std::u16string(39, u'd'));
  // The line holds 127 characters: the key, "=" and 119 of the value; the rest is a line without "=".
  EXPECT_EQ(Str(p.d.info.owner_contact), std::u16string(119, u'c'));
}


constexpr std::u16string_view kEncodedIni =
    u";------------------------for version 3.3+-------------------\r\n"
    u"; 编码测试\r\n"
    u"[-皮肤信息-]\r\n名称=蓝色经典\r\n描述=简洁\r\n所有者名称=张三\r\n"
    u"[-文字显示-]\r\n编码字体颜色=#255\r\n编码字体名称=宋体\r\n编码字体大小=-16\r\n候选字体粗细=700\r\n"
    u"[-状态栏窗口-]\r\n菜单按钮位置=120,4\r\n扩展按钮2位置=7,8\r\n"
    u"[-候选窗口-合并-]\r\n横向拉伸区域=20,40\r\n序号后缀=、\r\n"
    u"[-候选窗口-嵌入-竖排-]\r\n文字背景边框=1,2,3,4\r\n";

TEST(SkinDescription, EveryEncodingGivesTheSameDescription) {
  std::vector<std::uint8_t> with_mark = {0xEF, 0xBB, 0xBF};
  const auto utf8 = test::Utf8FileBytes(kEncodedIni, false);
  with_mark.insert(with_mark.end(), utf8.begin(), utf8.end());
  struct Case {
    std::string what;
    std::vector<std::uint8_t> bytes;
  };
  const std::vector<Case> cases = {
      {"UTF-8", utf8},
      {"UTF-8 with a mark", with_mark},
      {"UTF-16 little-endian", test::Utf16FileBytes(kEncodedIni, false)},
      {"UTF-16 big-endian", test::Utf16FileBytes(kEncodedIni, true)},
      {"GBK through the ANSI code page", test::GbkFileBytes(kEncodedIni)},
  };
  SkinDescription expected{};
  ASSERT_EQ(ParseSkinIni(utf8.data(), utf8.size(), expected, test::TestGbkToWide), kSkinIniParsed);
  EXPECT_EQ(Str(expected.info.name), u"蓝色经典");
  EXPECT_EQ(Str(expected.info.owner_name), u"张三");
  EXPECT_EQ(Str(expected.text.code_font.name), u"宋体");
  EXPECT_EQ(expected.text.code_font.colour, 255);
  EXPECT_EQ(expected.text.candidate_font.weight, 700);
  EXPECT_EQ(expected.status.menu_button.x, 120);
  EXPECT_EQ(expected.status.extension_y[1], 8);
  EXPECT_EQ(expected.merged.horizontal_stretch.last, 40);
  EXPECT_EQ(expected.merged.index_suffix, u'、');
  EXPECT_EQ(expected.embedded_vertical.text_border.bottom, 4);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SkinDescription d{};
    ASSERT_EQ(ParseSkinIni(c.bytes.data(), c.bytes.size(), d, test::TestGbkToWide), kSkinIniParsed);
    EXPECT_EQ(std::memcmp(&d, &expected, sizeof d), 0);
  }
}

TEST(SkinDescription, AsciiOnlyTextReadsThroughTheAnsiCodePage) {
  const std::string ascii = std::string(kTemplate) + "\r\n[-Unknown-]\r\nkey=1\r\n";
  SkinDescription d{};
  const auto bytes = Utf8(ascii);
  EXPECT_EQ(ParseSkinIni(bytes.data(), bytes.size(), d, test::TestGbkToWide), kSkinIniNoName);
}

TEST(SkinDescription, BigEndianTextEndsAtAZeroCharacter) {
  std::u16string text = std::u16string(kEncodedIni.substr(0, 62)) + u"[-皮肤信息-]\r\n名称=a";
  text += u'\0';
  text += u"\r\n名称=b";
  const auto bytes = test::Utf16FileBytes(text, true);
  SkinDescription d{};
  ASSERT_EQ(ParseSkinIni(bytes.data(), bytes.size(), d), kSkinIniParsed);
  EXPECT_EQ(Str(d.info.name), u"a");
}

TEST(SkinDescription, SectionIdsAndNumbers) {
  const std::pair<std::u16string_view, int> headers[] = {
      {u"[-皮肤信息-]", 1},
      {u"[-文字显示-]", 2},
      {u"[-状态栏窗口-]", 3},
      {u"[-候选窗口-合并-]", 4},
      {u"[-候选窗口-嵌入-]", 6},
      {u"[-候选窗口-合并-竖排-]", 7},
      {u"[-候选窗口-嵌入-竖排-]", 9},
      {u"[-皮肤信息-] ", 0},
      {u"[-皮肤信息", 0},
      {u"", 0},
  };
  for (const auto& [line, id] : headers) EXPECT_EQ(SkinIniSectionId(line), id);
  const std::pair<std::u16string_view, std::int32_t> numbers[] = {
      {u"12", 12},
      {u"-7", -7},
      {u"+7", 7},
      {u" \t5", 5},
      {u"", 0},
      {u"-", 0},
      {u"x1", 0},
      {u"2147483647", 2147483647},
      {u"-2147483649", -2147483647 - 1},
      {u"1,2", 1},
  };
  for (const auto& [text, value] : numbers) EXPECT_EQ(ParseSkinNumber(text), value);
  EXPECT_EQ(ParseSkinColour(u"#16"), 16);
  EXPECT_EQ(ParseSkinColour(u"16"), 0);
  EXPECT_EQ(ParseSkinColour(u""), 0);
}

}  // namespace
}  // namespace lz
