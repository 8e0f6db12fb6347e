#include "textservice/windows/menus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "textservice/engine/engine_instance.h"
#include "textservice/engine/ime_block.h"

namespace lz {
namespace {

// A menu as lines: "text [id]" with " *" when checked; a popup's items follow indented.
void Describe(const Menu& menu, const std::string& indent, std::vector<std::string>& out) {
  for (const MenuItem& item : menu) {
    std::string line = indent;
    for (char16_t c : item.Text()) {
      // UTF-8 of the BMP characters the menus use.
      if (c < 0x80) {
        line += static_cast<char>(c);
      } else if (c < 0x800) {
        line += static_cast<char>(0xC0 | (c >> 6));
        line += static_cast<char>(0x80 | (c & 0x3F));
      } else {
        line += static_cast<char>(0xE0 | (c >> 12));
        line += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        line += static_cast<char>(0x80 | (c & 0x3F));
      }
    }
    if (!(item.flags & menu_flag::kSeparator)) line += " [" + std::to_string(item.id) + "]";
    if (item.Checked()) line += " *";
    out.push_back(line);
    if (item.flags & menu_flag::kPopup) Describe(item.submenu, indent + "  ", out);
  }
}

std::vector<std::string> Lines(const Menu& menu) {
  std::vector<std::string> out;
  Describe(menu, "", out);
  return out;
}

MenuContext Full() {
  MenuContext c;
  c.main_scheme = u"五笔";
  c.user_words = u"用户词";
  c.secondary_table = u"拼音";
  c.auxiliary_scheme = u"拼音方案";
  c.ime_flags = ime_block::kSchemeMain | ime_block::kSchemeAuxiliary | ime_block::kAlwaysSearchSecondary |
                ime_block::kTraditionalOutput;
  c.mode = mode::kFullWidth;
  c.traditional_table = true;
  c.soft_keyboard_layout = 2;
  c.skins = {{u"经典", u"C:\\ime\\rezuvorir\\classic.col"}, {u"蓝色", u"C:\\ime\\rezuvorir\\Blue.col"}};
  c.skin_name = u"blue.col";
  return c;
}

TEST(Menus, TheMainMenuWithEverythingOffered) {
  MenuContext c = Full();
  c.update_check = true;
  const std::vector<std::string> expected = {
      "属性设置(&S) [1]",
      "添加用户词(&M) [2]",
      "-",
      "输入方案(&P) [4]",
      "  五笔+拼音方案 [5] *",
      "  五笔 [6]",
      "  拼音方案 [7]",
      "码表检索(&R) [8]",
      "  检索 拼音 [9] *",
      "  不检索 拼音 [10]",
      "  候选为空时检索 拼音 [11]",
      "上屏选项(&O) [12]",
      "  全角 [13] *",
      "  半角 [14]",
      "  -",
      "  中文标点(&Z) [18] *",
      "  英文标点(&Y) [17]",
      "  -",
      "  繁体输出(&F) [16] *",
      "  -",
      "  关闭输入法(&C) [41]",
      "软键盘(&K) [19]",
      "  &1   PC 键盘 [20]",
      "  &2   希腊字母 [21] *",
      "  &3   俄文字母 [22]",
      "  &4   注音符号 [23]",
      "  &5   拼音符号 [24]",
      "  &6   日文平假名 [25]",
      "  &7   日文片假名 [26]",
      "  &8   标点符号 [27]",
      "  &9   数字序号 [28]",
      "  &10  数学符号 [29]",
      "  &11  制表符号 [30]",
      "  &12  单位符号 [31]",
      "  &13  特殊符号 [32]",
      "  -",
      "  &C 关闭软键盘 [33]",
      "  &E 取消 [0]",
      "-",
      "帮助(&H) [34]",
      "  首页(&I) [37]",
      "  键位图(&T) [38]",
      "  -",
      "  检查更新(&U)\t... [39]",
      "  -",
      "  关于本程序(&A) [35]",
      "皮肤(&F) [65536]",
      "  经典 [65537]",
      "  蓝色 [65538] *",
      "-",
      "隐藏状态栏窗口(&R) [3]",
      "-",
      "取消(&C) [0]",
  };
  EXPECT_EQ(Lines(BuildMainMenu(c)), expected);
}

TEST(Menus, TheMainMenuLeavesOutWhatIsNotThere) {
  MenuContext c;
  c.ime_flags = ime_block::kHideStatusWindow;
  c.mode = mode::kClosed;
  const std::vector<std::string> lines = Lines(BuildMainMenu(c));
  const std::vector<std::string> top = [&] {
    std::vector<std::string> t;
    for (const std::string& l : lines) {
      if (l.rfind("  ", 0) != 0) t.push_back(l);
    }
    return t;
  }();
  // No user words, no auxiliary scheme, no secondary table, no skins: the entries after move up.
  const std::vector<std::string> expected = {"属性设置(&S) [1]", "-", "上屏选项(&O) [12]", "软键盘(&K) [19]", "-",
                                             "帮助(&H) [34]", "-", "显示状态栏窗口(&R) [3]", "-", "取消(&C) [0]"};
  EXPECT_EQ(top, expected);
  // A table that does not offer the update check has no such item.
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "  检查更新(&U)\t... [39]"), 0);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "  开启输入法(&O) [41]"), 1);
  EXPECT_EQ(BuildMainMenu(c)[7].flags, menu_flag::kRightJustify);
}

TEST(Menus, SchemeAndSecondarySearchChecksFollowTheFlags) {
  struct Case {
    std::uint32_t flags;
    bool scheme[3];
    bool search[3];
  };
  const std::uint32_t m = ime_block::kSchemeMain, a = ime_block::kSchemeAuxiliary;
  const std::uint32_t always = ime_block::kAlwaysSearchSecondary, empty = ime_block::kSearchSecondaryWhenEmpty;
  const Case cases[] = {
      {m | a, {true, false, false}, {false, true, false}},
      {m, {false, true, false}, {false, true, false}},
      {a, {false, false, true}, {false, true, false}},
      {0, {false, false, true}, {false, true, false}},
      {m | empty, {false, true, false}, {false, false, true}},
      {m | always | empty, {false, true, false}, {true, false, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    MenuContext ctx = Full();
    ctx.ime_flags = c.flags;
    const Menu menu = BuildMainMenu(ctx);
    const Menu& schemes = menu[3].submenu;
    const Menu& search = menu[4].submenu;
    ASSERT_EQ(menu[3].id, menu_id::kSchemes);
    ASSERT_EQ(menu[4].id, menu_id::kSecondarySearch);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(schemes[i].Checked(), c.scheme[i]) << i;
      EXPECT_EQ(search[i].Checked(), c.search[i]) << i;
    }
  }
}

TEST(Menus, SchemeNamesAreCutTo32Characters) {
  MenuContext c = Full();
  c.main_scheme = std::u16string(40, u'主');
  c.auxiliary_scheme = std::u16string(40, u'辅');
  const Menu menu = BuildMainMenu(c);
  // 32 + "+" + 32 passes the item's 63 units: the item keeps 63.
  EXPECT_EQ(menu[3].submenu[0].Text(), std::u16string(32, u'主') + u"+" + std::u16string(30, u'辅'));
  EXPECT_EQ(menu[3].submenu[1].Text(), std::u16string(32, u'主'));
}

TEST(Menus, TheOutputOptionsFollowTheTablesAndModes) {
  MenuContext c;
  c.simplified_table = true;
  c.ime_flags = ime_block::kSimplifiedOutput;
  c.mode = mode::kEnglishPunctuation;
  const std::vector<std::string> expected = {"全角 [13]",      "半角 [14] *", "-", "中文标点(&Z) [18]", "英文标点(&Y) [17] *",
                                             "-",              "简体输出(&J) [15] *", "-", "关闭输入法(&C) [41]"};
  EXPECT_EQ(Lines(BuildOutputOptionsMenu(c)), expected);
  c.simplified_table = false;
  c.mode = mode::kClosed;
  const std::vector<std::string> none = {"全角 [13]", "半角 [14] *", "-", "中文标点(&Z) [18] *", "英文标点(&Y) [17]",
                                         "-",         "开启输入法(&O) [41]"};
  EXPECT_EQ(Lines(BuildOutputOptionsMenu(c)), none);
}

TEST(Menus, TheSkinListChecksTheSkinWhoseFileNameIsTheConfiguredOne) {
  MenuContext c;
  c.skins = {{u"A", u"C:\\s\\aa.col"}, {u"B", u"C:\\s\\A.COL"}, {u"C", u"C:\\s\\a.col.bak"}};
  c.skin_name = u"a.col";
  const std::vector<std::string> expected = {"A [65537]", "B [65538] *", "C [65539]"};
  EXPECT_EQ(Lines(BuildSkinMenu(c)), expected);
}

TEST(Menus, TheSkinListChecksTheSkinInUseBuiltInIncluded) {
  struct Case {
    const char* name;
    std::u16string configured, in_use;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"the built-in skin under an empty name", u"", u"fromResource", {"A [65537]", "清朗 [65538] *"}},
      {"the built-in skin standing in for a missing file", u"gone.col", u"fromResource",
       {"A [65537]", "清朗 [65538] *"}},
      {"a folder's skin under an empty name", u"", u"C:\\s\\A.col", {"A [65537] *", "清朗 [65538]"}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    MenuContext c;
    c.skins = {{u"A", u"C:\\s\\a.col"}, {u"清朗", u"fromResource"}};
    c.skin_name = k.configured;
    c.skin_in_use = k.in_use;
    EXPECT_EQ(Lines(BuildSkinMenu(c)), k.expected);
  }
}

TEST(Menus, ChoosingTheActiveSkinChangesNothing) {
  EXPECT_EQ(SkinNameToSelect(u"C:\\ime\\rezuvorir\\Blue.col", u"blue.COL"), std::nullopt);
  EXPECT_EQ(SkinNameToSelect(u"C:\\ime\\rezuvorir\\red.col", u"blue.col"), std::u16string(u"red.col"));
  EXPECT_EQ(SkinNameToSelect(u"plain.col", u""), std::u16string(u"plain.col"));
  EXPECT_EQ(SkinNameToSelect(u"C:\\s\\" + std::u16string(50, u'x'), u"a"), std::u16string(39, u'x'));
}

TEST(Menus, OnlyMainTableCandidatesHaveAMenu) {
  MenuContext c = Full();
  EXPECT_TRUE(BuildCandidateMenu(c, {kind::kTemporary, 0, 1}).empty());
  EXPECT_TRUE(BuildCandidateMenu(c, {kind::kAssociation, 0, 1}).empty());

  const std::vector<std::string> user_word = {"前移一位(&U) [45]", "移至首位(&P) [47]", "后移一位(&D) [46]",
                                              "移至末尾(&E) [48]", "-", "固顶词条(&F) [49] *", "归入拼音(&S) [51]",
                                              "-", "删除词条(&R) [50]", "-", "取消(&C) [0]"};
  EXPECT_EQ(Lines(BuildCandidateMenu(c, {kind::kMain, 0x2, 1})), user_word);

  const Menu secondary = BuildCandidateMenu(c, {kind::kMain, 0, 3});
  EXPECT_EQ(Lines(secondary)[5], "固顶词条(&F) [49]");
  EXPECT_EQ(Lines(secondary)[6], "归入拼音(&S) [51] *");

  const Menu other_class = BuildCandidateMenu(c, {kind::kMain, 0, 2});
  EXPECT_EQ(Lines(other_class)[6], "-");
  c.secondary_table.clear();
  EXPECT_EQ(Lines(BuildCandidateMenu(c, {kind::kMain, 0, 3}))[6], "-");
}

TEST(Menus, EveryIdCallsItsCommand) {
  struct Case {
    std::uint32_t id;
    UiCall call;
  };
  const std::int32_t slot = 4;
  const Case cases[] = {
      {1, {1, 0, 0}},      {2, {8, 0, 0}},      {3, {8201, 0, 0}},   {5, {8208, 0, 0}},   {6, {8208, 1, 0}},
      {7, {8208, 2, 0}},   {9, {8209, 0, 0}},   {10, {8209, 1, 0}},  {11, {8209, 2, 0}},  {13, {8193, 0, 0}},
      {14, {8194, 0, 0}},  {15, {8198, 0, 0}},  {16, {8197, 0, 0}},  {17, {8195, 0, 0}},  {18, {8196, 0, 0}},
      {20, {513, 1, 22}},  {21, {513, 2, 22}},  {26, {513, 7, 22}},  {32, {513, 13, 22}}, {33, {513, 0, 22}},
      {35, {4, 0, 0}},     {37, {5, 0, 0}},     {38, {3, 0, 0}},     {39, {9, 0, 0}},     {41, {261, 0, 0}},
      {42, {259, 0, 0}},   {43, {260, 0, 0}},   {45, {514, 1, slot}}, {46, {514, 2, slot}}, {47, {514, 3, slot}},
      {48, {514, 4, slot}}, {49, {514, 5, slot}}, {50, {514, 7, slot}}, {51, {514, 6, slot}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    ASSERT_TRUE(MenuCommandFor(c.id, slot).has_value());
    EXPECT_EQ(*MenuCommandFor(c.id, slot), c.call);
  }
  for (std::uint32_t id : {0u, 4u, 8u, 12u, 19u, 34u, 36u, 40u, 44u, 52u, 0x10000u, 0x10001u}) {
    EXPECT_EQ(MenuCommandFor(id, slot), std::nullopt) << id;
  }
}

TEST(Menus, AnItemTextIsCutTo63Units) {
  MenuItem item;
  SetMenuItem(item, std::u16string(100, u'字'), 7, 0);
  EXPECT_EQ(item.Text(), std::u16string(63, u'字'));
  EXPECT_EQ(item.text[63], 0);
}

}  // namespace
}  // namespace lz
