#include "config/app/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace lz::config {
namespace {

std::string Narrow(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

TEST(ReadOptionTokenTest, Values) {
  const struct {
    std::u16string source;
    std::size_t capacity;
    std::u16string value;
  } cases[] = {
      {u"", 40, u""},
      {u"{ab} /do x", 40, u"{ab}"},
      {u"'{ab} c' /do", 40, u"{ab} c"},
      {u"\"{ab}\" /do", 40, u"{ab}"},
      {u"'a\"b'", 40, u"a"},     // either quote closes
      {u"\"a'b\"", 40, u"a"},
      {u"'open to the end", 40, u"open to the end"},
      {u"abcdef", 3, u"abc"},
      {u"'abcdef'", 4, u"abcd"},
      {u"a\tb", 40, u"a"},
      {u"line\r\nnext", 40, u"line"},
      {std::u16string(300, u'x'), 256, std::u16string(256, u'x')},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadOptionToken(c.source, c.capacity), c.value) << Narrow(c.source);
}

TEST(ParseConfigCommandLineTest, OptionsInAnyOrderFirstOccurrenceCounts) {
  const struct {
    std::u16string line;
    std::u16string class_id, do_word, argument, version;
  } cases[] = {
      {u"config.exe /n {A-B} /do mabiao", u"{A-B}", u"mabiao", u"", u""},
      {u"config.exe /do mabiao /n '{A-B}'", u"{A-B}", u"mabiao", u"", u""},
      {u"config.exe /n \"{A-B}\" /n {C}", u"{A-B}", u"", u"", u""},
      {u"config.exe /n {A} /dict 'a word'", u"{A}", u"dict", u"a word", u""},
      {u"config.exe /dict 'a /showurl b'", u"", u"dict", u"a /showurl b", u""},
      {u"config.exe /do x /dict w", u"", u"dict", u"w", u""},
      {u"config.exe /currver Quenlith 4", u"", u"", u"", u"Quenlith"},
      {u"config.exe /currver=Quenlith", u"", u"", u"", u"Quenlith"},
      {u"config.exe /currver", u"", u"", u"", u""},
      {u"config.exe /currver x", u"", u"", u"", u"x"},
      {u"config.exe /currver " + std::u16string(50, u'v'), u"", u"", u"", std::u16string(40, u'v')},
      // An option's text inside a word is no option.
      {u"config.exe a/n {X}", u"", u"", u"", u""},
      {u"config.exe /n " + std::u16string(45, u'c'), std::u16string(40, u'c'), u"", u"", u""},
  };
  for (const auto& c : cases) {
    const ConfigCommandLine r = ParseConfigCommandLine(c.line);
    EXPECT_EQ(r.class_id, c.class_id) << Narrow(c.line);
    EXPECT_EQ(r.do_word, c.do_word) << Narrow(c.line);
    EXPECT_EQ(r.argument, c.argument) << Narrow(c.line);
    EXPECT_EQ(r.current_version, c.version) << Narrow(c.line);
  }
}

TEST(ParseConfigCommandLineTest, ShowUrlSkipsDictAndVersion) {
  ConfigCommandLine r =
      ParseConfigCommandLine(u"config.exe /dict w /currver Q /showurl http://x/ /showurlCX 300 /showurlCY abc");
  EXPECT_EQ(r.do_word, u"showurl");
  EXPECT_EQ(r.argument, u"http://x/");
  EXPECT_EQ(r.view_width, 300);
  EXPECT_EQ(r.view_height, 0);
  EXPECT_EQ(r.view_x, -1);
  EXPECT_EQ(r.view_y, -1);
  EXPECT_EQ(r.current_version, u"");
  r = ParseConfigCommandLine(u"config.exe /showurl u");
  EXPECT_EQ(r.view_width, -1);
  EXPECT_EQ(r.view_height, -1);
}

TEST(RouteConfigWordTest, EveryWord) {
  const struct {
    std::u16string word;
    ConfigAction action;
    std::u16string title;
    int start_page;
  } cases[] = {
      {u"gaojishezhi", ConfigAction::kAdvancedSettings, u"高级设置模式 - %s", 0},
      {u"高级设置", ConfigAction::kAdvancedSettings, u"高级设置模式 - %s", 0},
      {u"GAOJISHEZHI", ConfigAction::kMainSettings, u"使用设置 - %s", 0},
      {u"showurl", ConfigAction::kShowUrl, u"", 0},
      {u"dict", ConfigAction::kDictionary, u"微型词典 - %s", 0},
      {u"update", ConfigAction::kUpdate, u"", 0},
      {u"shuchufancha", ConfigAction::kOutputLookup, u"输入码表详细视图 - %s", 0},
      {u"输出反查", ConfigAction::kOutputLookup, u"输入码表详细视图 - %s", 0},
      {u"jiantiebanfancha", ConfigAction::kClipboardLookup, u"输入码表详细视图 - %s", 0},
      {u"剪贴板反查", ConfigAction::kClipboardLookup, u"输入码表详细视图 - %s", 0},
      {u"anjianshezhi", ConfigAction::kKeyFunctions, u"按键功能定义 - %s", 0},
      {u"按键设置", ConfigAction::kKeyFunctions, u"按键功能定义 - %s", 0},
      {u"tianjiayonghuci", ConfigAction::kAddWord, u"", 0},
      {u"添加用户词", ConfigAction::kAddWord, u"", 0},
      {u"zaixianjiaci", ConfigAction::kAddWordFromText, u"", 0},
      {u"在线加词", ConfigAction::kAddWordFromText, u"", 0},
      {u"jianqiebanjiaci", ConfigAction::kAddWordFromText, u"", 0},
      {u"剪贴板加词", ConfigAction::kAddWordFromText, u"", 0},
      {u"help", ConfigAction::kHelp, u"", 0},
      {u"帮助首页", ConfigAction::kHelp, u"", 0},
      {u"", ConfigAction::kMainSettings, u"使用设置 - %s", 0},
      {u"jiemian", ConfigAction::kMainSettings, u"使用设置 - %s", 1},
      {u"JIEMIAN", ConfigAction::kMainSettings, u"使用设置 - %s", 1},
      {u"界面", ConfigAction::kMainSettings, u"使用设置 - %s", 1},
      {u"MaBiao", ConfigAction::kMainSettings, u"使用设置 - %s", 2},
      {u"码表", ConfigAction::kMainSettings, u"使用设置 - %s", 2},
      {u"gaoji", ConfigAction::kMainSettings, u"使用设置 - %s", 3},
      {u"高级", ConfigAction::kMainSettings, u"使用设置 - %s", 3},
      {u"about", ConfigAction::kMainSettings, u"使用设置 - %s", 4},
      {u"关于", ConfigAction::kMainSettings, u"使用设置 - %s", 4},
      {u"other", ConfigAction::kMainSettings, u"使用设置 - %s", 0},
  };
  for (const auto& c : cases) {
    const ConfigRoute route = RouteConfigWord(c.word);
    EXPECT_EQ(route.action, c.action) << Narrow(c.word);
    EXPECT_EQ(route.window_title, c.title) << Narrow(c.word);
    EXPECT_EQ(route.start_page, c.start_page) << Narrow(c.word);
  }
}

TEST(VersionTextTest, ParseAndFormat) {
  const struct {
    std::u16string text;
    std::uint64_t version;
  } cases[] = {
      {u"1.2.3.4", 0x0001000200030004ull}, {u"5", 0x0005000000000000ull}, {u"", 0},
      {u"1.x.3", 0x0001000000030000ull},   {u"65537.1", 0x0001000100000000ull},
      {u"4.0.1.2.9", 0x0004000000010002ull},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseVersionText(c.text), c.version) << Narrow(c.text);
  EXPECT_EQ(FormatVersionText(0x0001000200030004ull), u"1.2.3.4");
  EXPECT_EQ(FormatVersionText(0xFFFF000000000000ull), u"65535.0.0.0");
}

}  // namespace
}  // namespace lz::config
