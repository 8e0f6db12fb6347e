#include "textservice/engine/scheme_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/data_folder.h"
#include "tests/support/text_file_bytes.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/key_names.h"
#include "textservice/engine/mapped_file.h"
#include "textservice/engine/scheme_text_file.h"

namespace lz {
namespace {

using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;

// Zero-filled ime, dme and skin blocks of the designed sizes.
struct Blocks {
  std::vector<std::uint8_t> ime = std::vector<std::uint8_t>(config_store::kImeBlockSize, 0);
  std::vector<std::uint8_t> dme = std::vector<std::uint8_t>(config_store::kDmeBlockSize, 0);
  std::vector<std::uint8_t> skin = std::vector<std::uint8_t>(config_store::kSkinBlockSize, 0);

  static ByteView View(std::vector<std::uint8_t>& b) {
    return ByteView{b.data(), static_cast<std::uint32_t>(b.size())};
  }
  ConfigBlocks views() { return ConfigBlocks{{}, View(ime), View(dme), View(skin)}; }
  ByteView ime_view() { return View(ime); }
  ByteView dme_view() { return View(dme); }
};

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::uint32_t offset) {
  ByteView v{const_cast<std::uint8_t*>(b.data()), static_cast<std::uint32_t>(b.size())};
  std::uint32_t value = 0;
  v.ReadU32(offset, value);
  return value;
}

void SetU32(std::vector<std::uint8_t>& b, std::uint32_t offset, std::uint32_t value) {
  Blocks::View(b).WriteU32(offset, value);
}

TEST(SchemeSections, AHeaderGivesItsSectionId) {
  const std::vector<std::pair<std::u16string, int>> cases = {
      {u"[-生成器选项-]", 1},       {u"[-按键功能-]", 3},      {u"[-IME设置-]", 4},
      {u"[-ime设置-]", 4},          {u"[-Ime设置-]", 4},       {u"[-IME设置-] ", 0},
      {u" [-IME设置-]", 0},         {u"[-DME设置-]", 5},       {u"[-skin设置-]", 6},
      {u"[-构词规则定义-]", 7},     {u"[-非编码符号转义定义表-]", 8}, {u"[-输入字符显示转换表-]", 9},
      {u"[-其他安装文件-]", 10},    {u"[-软件选项-]", 11},     {u"[-别的-]", 0},
      {u"", 0},
  };
  for (const auto& [header, id] : cases) {
    SCOPED_TRACE(testing::Message() << "expected id " << id << ", units " << header.size());
    EXPECT_EQ(SchemeSectionId(header), id);
  }
}

// ---- [-IME设置-] ----

TEST(ImeSettings, APairSetsItsField) {
  using namespace ime_block;
  struct Case {
    Pairs pairs;
    std::uint32_t offset;
    std::uint32_t before;
    std::uint32_t after;
  };
  constexpr std::uint32_t kPage = kCandidateOptions;
  const std::vector<Case> cases = {
      {{{u"候选列表显示个数", u"10"}}, kPage, 0x3, (10u << 28) | 0x3},
      {{{u"候选列表显示个数", u"12"}}, kPage, 0, 1u << 28},
      {{{u"候选列表显示个数", u"0"}}, kPage, 0, 5u << 28},
      {{{u"候选列表显示个数", u"9"}}, kPage, 0, 9u << 28},
      {{{u"候选列表显示个数", u"5"}}, kPage, 0x70000000, 5u << 28},
      {{{u"候选列表显示个数", u""}}, kPage, 0, 5u << 28},
      {{{u"词频调整", u"一次到顶"}}, kPage, 0xA0000002, 0xA0000001},
      {{{u"词频调整", u"逐渐调整"}}, kPage, 0, 2},
      {{{u"词频调整", u"禁止调整"}}, kPage, 0x3, 0},
      {{{u"输入方案", u"辅"}}, kImeFlags, kSchemeMain | 0x2, kSchemeAuxiliary | 0x2},
      {{{u"输入方案", u"主"}}, kImeFlags, kSchemeAuxiliary, kSchemeMain},
      {{{u"输入方案", u"主+辅"}}, kImeFlags, 0, kSchemeMain | kSchemeAuxiliary},
      {{{u"嵌入文本内容", u"嵌入编码"}}, kImeFlags, kInlineFirstCandidate, kInlineCode},
      {{{u"嵌入文本内容", u"传统样式"}}, kImeFlags, kInlineMask | 0x1, 0x1},
      {{{u"候选窗口位置", u"跟随状态栏"}}, kImeFlags, kWindowFixed, kWindowFollowsStatus},
      {{{u"候选窗口位置", u"固定位置"}}, kImeFlags, 0, kWindowFixed},
      {{{u"候选窗口位置", u"跟随光标"}}, kImeFlags, kWindowPlacementMask, 0},
      {{{u"空码时空格行为", u"上屏英文"}}, kBehaviourFlags, 0x100, 0x101},
      {{{u"英文状态时空格行为", u"清屏"}}, kBehaviourFlags, 0x7, 0x4},
      {{{u"空码时空格行为", u"上屏英文+空格"}}, kBehaviourFlags, 0, 0x2},
      {{{u"初始化转换状态", u"与系统转换状态一致"}}, kInitialState, 0x9, kStateFollowsSystem},
      {{{u"初始化转换状态", u"与系统转换状态一致"}}, kBehaviourFlags, kOwnInitialState | 0x20, 0x20},
      {{{u"初始化转换状态", u"自定义：中文标点+全角+输入法关闭"}}, kInitialState, 0, 0x509},
      {{{u"初始化转换状态", u"自定义：英文标点+半角+输入法打开"}}, kInitialState, 0x401, 0x1},
      {{{u"初始化转换状态", u"自定义：英文标点+半角+输入法打开"}}, kBehaviourFlags, 0, kOwnInitialState},
      {{{u"隐藏候选窗口", u"是"}}, kImeFlags, 0, kHideCandidateWindow},
      {{{u"隐藏候选窗口", u"切换"}}, kImeFlags, kHideCandidateWindow | 0x1, 0x1},
      {{{u"隐藏候选窗口", u"切换"}, {u"隐藏候选窗口", u"切换"}}, kImeFlags, 0, 0},
      {{{u"隐藏候选窗口", u"否"}}, kImeFlags, kHideCandidateWindow, 0},
      {{{u"是否开启命令直通车", u"切换"}}, kBehaviourFlags, kCandidateCommands, 0},  // no toggle: a plain no
      {{{u"是否开启命令直通车", u"是"}}, kBehaviourFlags, 0, kCandidateCommands},
      {{{u"capslock转英文标点", u"是"}}, kBehaviourFlags, 0, kCapsLockEnglishPunctuation},
      {{{u"CAPSLOCK转英文标点", u"否"}}, kBehaviourFlags, kCapsLockEnglishPunctuation, 0},
      {{{u"仅重码时显示候选窗口", u"切换"}}, kBehaviourFlags, 0, kWindowOnlyForChoices},
      {{{u"临时词重启电脑后清空", u"是"}}, kImeFlags, 0, kTempWordsClearedAtBoot},
      {{{u"检索次显码表", u"切换"}}, kImeFlags, 0, kAlwaysSearchSecondary},
      {{{u"空码时检索次显码表", u"是"}}, kImeFlags, 0, kSearchSecondaryWhenEmpty},
      {{{u"禁用鼠标悬停词典", u"是"}}, kImeFlags, 0, kNoHoverDictionary},
      {{{u"中英文切换时上屏输入字符", u"是"}}, kImeFlags, 0, kTypedTextOnModeSwitch},
      {{{u"不认识的键", u"是"}}, kImeFlags, 0x1234, 0x1234},
      {{{u"输入法框架", u"TSF"}}, kImeFlags, 0x1234, 0x1234},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases.data()));
    Blocks blocks;
    SetU32(blocks.ime, c.offset, c.before);
    for (const auto& [key, value] : c.pairs) ReadImeSettingsText(blocks.ime_view(), key, value);
    EXPECT_EQ(U32(blocks.ime, c.offset), c.after);
  }
}

// ---- [-非编码符号转义定义表-] ----

struct PunctuationSlot {
  std::uint16_t kind = 0;
  std::u16string text;
  std::u16string second;
  bool operator==(const PunctuationSlot&) const = default;
};

PunctuationSlot ReadPunctuationSlot(ByteView ime, std::uint32_t slot) {
  using namespace ime_block;
  PunctuationSlot s;
  const std::uint32_t entry = PunctuationOffset(slot);
  ime.ReadU16(entry + kPunctuationKind, s.kind);
  if (s.kind == kPunctuationPair) {
    s.text = ReadFieldText(ime, entry + kPunctuationText, kPunctuationPairUnits);
    s.second = ReadFieldText(ime, entry + kPunctuationSecondText, kPunctuationPairUnits);
  } else {
    s.text = ReadFieldText(ime, entry + kPunctuationText, kPunctuationSingleUnits);
  }
  return s;
}

TEST(Punctuation, APairStoresOneTextOrAnAlternatingPair) {
  struct Case {
    std::u16string key;
    std::u16string value;
    std::uint32_t slot;
    PunctuationSlot expected;
  };
  const std::u16string k40(40, u'甲');
  const std::u16string k20(20, u'乙');
  const std::vector<Case> cases = {
      {u",", u"，", 0x2C, {1, u"，", u""}},
      {u".", u"。,.", 0x2E, {2, u"。", u"."}},
      {u",", u",", 0x2C, {1, u",", u""}},  // a leading comma is text, not a separator
      {u",", u",x", 0x2C, {1, u",x", u""}},
      {u"'", u"‘,’", 0x27, {2, u"‘", u"’"}},
      {u"１", u"①", 17, {1, u"①", u""}},
      {u"＊", u"×", 10, {1, u"×", u""}},
      {u"／", u"÷", 15, {1, u"÷", u""}},
      {u"^", k40, 0x5E, {1, k40.substr(0, 30), u""}},
      {u"<", k20 + u"," + k20, 0x3C, {2, k20.substr(0, 14), k20.substr(0, 14)}},
      {u"<", u"《,〈,x", 0x3C, {2, u"《", u"〈,x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases.data()));
    Blocks blocks;
    EXPECT_EQ(ReadPunctuationText(blocks.ime_view(), c.key, c.value), 1);
    EXPECT_EQ(ReadPunctuationSlot(blocks.ime_view(), c.slot), c.expected);
  }
}

TEST(Punctuation, KeysOutsideTheKeyCharactersAreIgnored) {
  // The full-width comma names no key (no keypad has a comma), so no key press could reach its slot.
  for (const std::u16string key : {u"", u"中", u"；", u"\x80", u"，"}) {
    Blocks blocks;
    EXPECT_EQ(ReadPunctuationText(blocks.ime_view(), key, u"。"), 0);
    EXPECT_EQ(blocks.ime, Blocks().ime);
  }
}

TEST(Punctuation, TheSmartAndCursorLeftListsSetOnlyTheKind) {
  Blocks blocks;
  ReadPunctuationText(blocks.ime_view(), u".", u"。,.");
  ReadPunctuationText(blocks.ime_view(), u"智能标点表", u".,中\x7F");
  ReadPunctuationText(blocks.ime_view(), u"光标左移的标点表", u"(");
  EXPECT_EQ(ReadPunctuationSlot(blocks.ime_view(), '.').kind, ime_block::kPunctuationSmart);
  EXPECT_EQ(ReadPunctuationSlot(blocks.ime_view(), ',').kind, ime_block::kPunctuationSmart);
  EXPECT_EQ(ReadPunctuationSlot(blocks.ime_view(), 0x7F).kind, 0);  // 127 is not a list key
  EXPECT_EQ(ReadPunctuationSlot(blocks.ime_view(), '(').kind, ime_block::kPunctuationCursorLeft);
  std::uint32_t entry = ime_block::PunctuationOffset('.');
  EXPECT_EQ(ReadFieldText(blocks.ime_view(), entry + ime_block::kPunctuationText, 15), u"。");
  EXPECT_EQ(ReadFieldText(blocks.ime_view(), entry + ime_block::kPunctuationSecondText, 15), u".");
}

// ---- [-输入字符显示转换表-] ----

TEST(DisplayConversion, EntriesAndTheSwitchDecideTheShownCharacter) {
  Blocks blocks;
  const ByteView ime = blocks.ime_view();
  ReadDisplayConversionText(ime, u"a", u"ㄚ");
  ReadDisplayConversionText(ime, u"１", u"壹");
  ReadDisplayConversionText(ime, u"中", u"x");  // ignored
  ReadDisplayConversionText(ime, u"b", std::u16string(40, u'乙'));
  EXPECT_EQ(ReadFieldText(ime, ime_block::DisplayConversionOffset('b'), 32), std::u16string(31, u'乙'));
  EXPECT_EQ(ReadFieldText(ime, ime_block::DisplayConversionOffset(17), 32), u"壹");

  struct Case {
    char16_t typed;
    char16_t shown;
  };
  // Conversion off: every character as typed.
  for (char16_t c : {u'a', u'\x11', u'ａ'}) EXPECT_EQ(DisplayConversionChar(ime, c), c);
  ReadDisplayConversionText(ime, u"开启转换", u"是");
  EXPECT_EQ(U32(blocks.ime, ime_block::kBehaviourFlags), ime_block::kDisplayConversionOn);
  const std::vector<Case> cases = {
      {u'a', u'ㄚ'}, {u'\x11', u'壹'}, {u'１', u'壹'}, {u'ａ', u'ａ'} /* entry 0x41 is empty */,
      {u'c', u'c'},  {u'中', u'中'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "typed U+" << std::hex << int(c.typed));
    EXPECT_EQ(DisplayConversionChar(ime, c.typed), c.shown);
  }
  ReadDisplayConversionText(ime, u"开启转换", u"否");
  EXPECT_EQ(DisplayConversionChar(ime, u'a'), u'a');
}

// ---- [-构词规则定义-] ----

std::vector<std::uint16_t> StoredRule(ByteView dme, int n) {
  WordRuleSlot slot;
  EXPECT_TRUE(ReadWordRuleSlot(dme, n, slot));
  std::vector<std::uint16_t> terms;
  for (std::uint16_t t : slot) {
    if (t == 0) break;
    terms.push_back(t);
  }
  return terms;
}

TEST(WordRules, ARuleStoresItsTermsInItsSlot) {
  struct Case {
    std::u16string key;
    std::u16string value;
    int n;
    std::vector<std::uint16_t> terms;
  };
  const std::vector<Case> cases = {
      {u"P3", u"L1F1+L2F1+L3F1+L3F2", 3, {0x8101, 0x8201, 0x8301, 0x8302}},
      {u"P2", u"L1F1+L1F2+L2F1+L2F2", 2, {0x8101, 0x8102, 0x8201, 0x8202}},
      {u"p4", u"l1f1+r1b1", 4, {0x8101, 0x0401}},
      {u"P4", u"L3F1+L2B2", 4, {0x8301, 0x0202}},
      {u"P4", u"L1F1L2F1", 4, {0x8101, 0x8201}},  // the "+" is optional
      {u"P2", u"L1F0+L2B", 2, {0x8100, 0x0200}},  // code position 0: the whole code
      {u"P30", u"R30F1+L30B1", 30, {0x8101, 0x1E01}},
      {u"P5", u"L1F200", 5, {0x8100 | (200 & 0x7F)}},
      {u"P6", u"", 6, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases.data()));
    Blocks blocks;
    EXPECT_EQ(ReadWordRuleText(blocks.dme_view(), c.key, c.value), 1);
    EXPECT_EQ(StoredRule(blocks.dme_view(), c.n), c.terms);
    EXPECT_EQ(StoredRule(blocks.dme_view(), 0), c.terms);  // the scratch slot holds the last rule
  }
}

TEST(WordRules, ATermReadsBackAsCharacterCodePositionAndSide) {
  struct Case {
    std::u16string rule;
    int character;
    int code;
    bool from_front;
  };
  const std::vector<Case> cases = {
      {u"P2=L1F1", 1, 1, true},  {u"P2=L2B2", 2, 2, false}, {u"P5=R1F7", 5, 7, true},
      {u"P30=L30B0", 30, 0, false}, {u"P3=R3F3", 1, 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases.data()));
    WordRuleSlot slot;
    ASSERT_NE(ParseWordRule(slot, c.rule), 0);
    EXPECT_EQ(dme_block::TermCharacter(slot[0]), c.character);
    EXPECT_EQ(dme_block::TermCodePosition(slot[0]), c.code);
    EXPECT_EQ(dme_block::TermFromFront(slot[0]), c.from_front);
  }
}

TEST(WordRules, ARejectedRuleChangesNothing) {
  const std::vector<std::pair<std::u16string, std::u16string>> cases = {
      {u"P31", u"L1F1"}, {u"P1", u"L1F1"},   {u"P2", u"X1F1"}, {u"P2", u"L0F1"}, {u"P2", u"L31F1"},
      {u"P2", u"L1X1"},  {u"P2", u"R3F1"},   {u"Q2", u"L1F1"}, {u"P", u"L1F1"},  {u"P2", u"L1"},
      {u"P2", u"L1F1 "}, {u"P2", u"L1F1++L2F1"},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    const auto& [key, value] = cases[i];
    Blocks blocks;
    ReadWordRuleText(blocks.dme_view(), u"P2", u"L1F1+L2F2");
    const std::vector<std::uint8_t> before = blocks.dme;
    EXPECT_EQ(ReadWordRuleText(blocks.dme_view(), key, value), 0);
    EXPECT_EQ(blocks.dme, before);
  }
}

TEST(WordRules, ARuleKeepsAtMost127Terms) {
  std::u16string text = u"P2=";
  for (int i = 0; i < 130; ++i) text += u"L1F1+";
  WordRuleSlot slot;
  EXPECT_EQ(ParseWordRule(slot, text), 2);
  EXPECT_EQ(slot[126], 0x8101);
  EXPECT_EQ(slot[127], 0);
}

TEST(WordRules, FormatWordRuleWritesTheTextParseWordRuleReads) {
  struct Case {
    std::u16string rule;  // as read
    std::u16string text;  // as written
  };
  const std::vector<Case> cases = {
      {u"P4=L3F1+L2B2", u"P4=L3F1+L2B2"},
      {u"P2=L1F1+L1F2+L2F1+L2F2", u"P2=L1F1+L1F2+L2F1+L2F2"},
      {u"p4=l1f1+r1b1", u"P4=L1F1+L4B1"},  // R counts from the end; the writer names the character
      {u"P2=L1F0+L2B", u"P2=L1F0+L2B0"},
      {u"P30=R30F1+L30B1", u"P30=L1F1+L30B1"},
      {u"P5=L1F200", u"P5=L1F72"},
      {u"P6=", u"P6="},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases.data()));
    WordRuleSlot slot;
    const int n = ParseWordRule(slot, c.rule);
    ASSERT_NE(n, 0);
    EXPECT_EQ(FormatWordRule(n, slot), c.text);
    WordRuleSlot again;
    EXPECT_EQ(ParseWordRule(again, FormatWordRule(n, slot)), n);
    EXPECT_EQ(again, slot);
  }
}

TEST(WordRules, ALongRuleIsCutAfterAWholeTermAndStillReads) {
  WordRuleSlot slot{};
  for (std::size_t i = 0; i < 127; ++i) slot[i] = static_cast<std::uint16_t>(0x8000 | (30 << 8) | 127);
  const std::u16string text = FormatWordRule(30, slot);
  EXPECT_LE(text.size(), kMaxRuleTextUnits);
  EXPECT_EQ(text.substr(text.size() - 8), u"+L30F127");
  WordRuleSlot again;
  EXPECT_EQ(ParseWordRule(again, text), 30);
  EXPECT_EQ(again[0], slot[0]);
}

// ---- set( ----

TEST(SetCommand, ParsingSplitsSectionKeyAndValue) {
  struct Case {
    std::u16string command;
    int result;
    std::u16string section, key, value;
  };
  const std::vector<Case> cases = {
      {u"set(\"[-IME设置-]\",词频调整=一次到顶)", 1, u"[-IME设置-]", u"词频调整", u"一次到顶"},
      {u"set([-IME设置-],词频调整=一次到顶)", 1, u"[-IME设置-]", u"词频调整", u"一次到顶"},
      {u"set(a,\"b=c\"=\"d)e\")", 1, u"a", u"b=c", u"d)e"},
      {u"set(a,b=)", 1, u"a", u"b", u""},
      {u"set(a,b=c)trailing", 1, u"a", u"b", u"c"},
      {u"Set(a,b=c)", 0, u"", u"", u""},
      {u" set(a,b=c)", 0, u"", u"", u""},
      {u"set(a,b=c", 0, u"", u"", u""},
      {u"set(a b=c)", 0, u"", u"", u""},
      {u"set(a,bc)", 0, u"", u"", u""},
      {u"set(\"a,b=c)", 0, u"", u"", u""},
      {u"set(\"a\"x,b=c)", 0, u"", u"", u""},  // the separator must follow the quote
      {std::u16string(u"set(a,b=c") + u'\0' + u")", 0, u"", u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases.data()));
    SetCommand parts;
    ASSERT_EQ(ParseSetCommand(c.command, parts), c.result);
    if (c.result == 0) continue;
    EXPECT_EQ(std::u16string(parts.section), c.section);
    EXPECT_EQ(std::u16string(parts.key), c.key);
    EXPECT_EQ(std::u16string(parts.value), c.value);
  }
}

// Runs a set( command on config.dsc in a folder, closes the file, opens it again and returns the
// field, as a later process would see it.
struct SetCommandRun {
  int result = 0;
  std::uint32_t ime44 = 0;
  std::uint8_t dme45 = 0;
};

SetCommandRun RunSetCommandOnFile(const std::u16string& command) {
  test::TempFolder folder;
  test::WriteFileBytes(folder.path() / "config.dsc", test::BuildConfigStore());
  SetCommandRun run;
  MappedFile* file = nullptr;
  EXPECT_GT(OpenMappedFile(folder.File("config.dsc").c_str(), &file), 0);
  if (!file) return run;
  run.result = RunSetCommand(command, file);
  CloseMappedFile(file);

  file = nullptr;
  EXPECT_GT(OpenMappedFile(folder.File("config.dsc").c_str(), &file), 0);
  if (!file) return run;
  ConfigBlocks blocks;
  EXPECT_EQ(FindConfigBlocks(ByteView{file->view, static_cast<std::uint32_t>(file->size)}, blocks), 1);
  blocks.ime.ReadU32(ime_block::kCandidateOptions, run.ime44);
  blocks.dme.ReadU8(dme_block::kWildcardKey, run.dme45);
  CloseMappedFile(file);
  return run;
}

TEST(SetCommand, ChangesTheMappedStoreSoTheChangePersists) {
  struct Case {
    std::u16string command;
    int result;
    std::uint32_t ime44;
    std::uint8_t dme45;
  };
  const std::vector<Case> cases = {
      {u"set(\"[-IME设置-]\",词频调整=一次到顶)", 1, 1, 0},
      {u"set([-ime设置-],候选列表显示个数=7)", 1, 7u << 28, 0},
      {u"set(\"[-IME设置-]\",输入法框架=一次到顶)", 0, 0, 0},
      {u"set(\"[-IME设置-]\",使用调试模式=是)", 0, 0, 0},
      {u"set(\"[-未知-]\",词频调整=一次到顶)", 0, 0, 0},
      {u"set(\"[-IME设置-]\",词频调整=一次到顶", 0, 0, 0},
      {u"set([-DME设置-],查询输入字符=＊)", 1, 0, 0x0A},  // through this library's settings-text operations
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases.data()));
    const SetCommandRun run = RunSetCommandOnFile(c.command);
    EXPECT_EQ(run.result, c.result);
    EXPECT_EQ(run.ime44, c.ime44);
    EXPECT_EQ(run.dme45, c.dme45);
  }
}

TEST(SetCommand, AReadOnlyCopyOfTheStoreIsNotChanged) {
  test::TempFolder folder;
  const std::vector<std::uint8_t> store = test::BuildConfigStore();
  test::WriteFileBytes(folder.path() / "config.dsc", store);
  MappedFile* copy = nullptr;
  ASSERT_GT(ReadWholeFile(&copy, folder.File("config.dsc").c_str()), 0);
  EXPECT_EQ(RunSetCommand(u"set([-IME设置-],词频调整=一次到顶)", copy), 0);
  EXPECT_TRUE(std::equal(store.begin(), store.end(), copy->view));
  CloseMappedFile(copy);
  EXPECT_EQ(RunSetCommand(u"set([-IME设置-],词频调整=一次到顶)", nullptr), 0);
}

// ---- dispatch ----

struct FakeRead {
  static inline int calls = 0;
  static inline int sub_kind = 0;
  static inline const std::uint8_t* block = nullptr;
  static inline std::u16string key, value;
  static int Read(ByteView b, std::u16string_view k, std::u16string_view v, int sub) {
    ++calls;
    block = b.data;
    sub_kind = sub;
    key = k;
    value = v;
    return 1;
  }
};

TEST(SchemeDispatch, SectionsFiveAndSixGoThroughTheGivenReadOperation) {
  const SettingsTextOps fake{nullptr, &FakeRead::Read, nullptr};
  struct Case {
    int id;
    const SettingsTextOps* ops;
    int calls;
    int sub_kind;
    bool skin;  // which block the fake was given
  };
  const std::vector<Case> cases = {
      {kDmeSection, &fake, 1, kDmeSettings, false},
      {kSkinSection, &fake, 1, kSkinSettings, true},
      {kDmeSection, nullptr, 0, 0, false},
      {kGeneratorSection, &fake, 0, 0, false},
      {kOtherFilesSection, &fake, 0, 0, false},
      {kSoftwareSection, &fake, 0, 0, false},
      {kUnknownSection, &fake, 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "id " << c.id);
    Blocks blocks;
    FakeRead::calls = 0;
    FakeRead::sub_kind = 0;
    DispatchSchemeSetting(blocks.views(), c.ops, c.id, u"k", u"v");
    EXPECT_EQ(FakeRead::calls, c.calls);
    EXPECT_EQ(FakeRead::sub_kind, c.sub_kind);
    if (c.calls) {
      EXPECT_EQ(FakeRead::block, c.skin ? blocks.skin.data() : blocks.dme.data());
      EXPECT_EQ(FakeRead::key, u"k");
      EXPECT_EQ(FakeRead::value, u"v");
    }
    EXPECT_EQ(blocks.ime, Blocks().ime);
  }
}

// ---- line syntax ----

std::vector<std::u16string> Lines(std::u16string_view text) {
  std::vector<std::u16string> out;
  SettingsTextLines lines(text);
  SettingsTextLine line;
  while (lines.Next(line)) {
    if (line.header) {
      const std::string id = std::to_string(line.section);
      out.push_back(u"#" + std::u16string(id.begin(), id.end()) + u" " + std::u16string(line.text));
    } else {
      out.push_back(std::u16string(line.key) + u"|" + std::u16string(line.value));
    }
  }
  return out;
}

TEST(SettingsTextLines, HeadersAndPairsAreFoundAndTheRestPassedOver) {
  struct Case {
    std::u16string text;
    std::vector<std::u16string> lines;
  };
  const std::vector<Case> cases = {
      {u"[-IME设置-]\r\na=b\r\n", {u"#4 [-IME设置-]", u"a|b"}},
      {u"\r\n\r\n//c=d\r\na=b", {u"a|b"}},
      {u"/* a=b\r\n c=d */\r\ne=f\n", {u"e|f"}},
      {u"/* never closed a=b", {}},
      {u"no equals sign\r\n=\r\nx=y", {u"x|y"}},  // "=" alone has an empty key
      {u"==，\r\n", {u"=|，"}},
      {u"a=\"x=y\"\r\n", {u"a|x=y"}},
      {u"a=\"x\"y\"\r\n", {u"a|x"}},
      {u"a=\"\r\n", {u"a|\""}},
      {u"a=b\\\\c=d\r\ne=f", {u"a|b", u"e|f"}},
      {u"a=b=c", {u"a|b=c"}},
      {u"[-ime设置-] \r\n", {u"#0 [-ime设置-] "}},
      {u"a=b\rc=d\ne=f\r\n\r\ng=h", {u"a|b", u"c|d", u"e|f", u"g|h"}},
      {u"k=" + std::u16string(1021, u'x') + u"y=z", {u"k|" + std::u16string(1021, u'x'), u"y|z"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases.data()));
    EXPECT_EQ(Lines(c.text), c.lines);
  }
}

TEST(SchemeText, EveryPairGoesToTheSectionItsHeaderSelected) {
  Blocks blocks;
  const std::u16string text =
      u"词频调整=一次到顶\r\n"  // before any header: passed over
      u"[-IME设置-]\r\n候选列表显示个数=3\r\n"
      u"[-按键功能-]\r\n键PageDown=后翻页\r\n"
      u"[-构词规则定义-]\r\nP2=L1F1+L2F1\r\n"
      u"[-非编码符号转义定义表-]\r\n.=。\r\n"
      u"[-输入字符显示转换表-]\r\n开启转换=是\r\n"
      u"[-其他安装文件-]\r\n候选列表显示个数=9\r\n"
      u"[-DME设置-]\r\n查询输入字符=z\r\n"
      u"[-SKIN设置-]\r\n使用皮肤名称=蓝\r\n";
  SettingsTextOps* ops = NewSettingsTextOps();
  ASSERT_NE(ops, nullptr);
  EXPECT_EQ(ReadSchemeText(text, blocks.views(), ops), 7);
  ops->free(ops);
  EXPECT_EQ(U32(blocks.ime, ime_block::kCandidateOptions), 3u << 28);
  EXPECT_EQ(ReadKeyBinding(blocks.dme_view(), 0x22), key_function::kPageDown);
  EXPECT_EQ(StoredRule(blocks.dme_view(), 2), (std::vector<std::uint16_t>{0x8101, 0x8201}));
  EXPECT_EQ(ReadPunctuationSlot(blocks.ime_view(), '.'), (PunctuationSlot{1, u"。", u""}));
  EXPECT_EQ(U32(blocks.ime, ime_block::kBehaviourFlags), ime_block::kDisplayConversionOn);
  EXPECT_EQ(blocks.dme[dme_block::kWildcardKey], 'z');
  EXPECT_EQ(blocks.skin[408], u'蓝' & 0xFF);
}

// ---- the same text in every file encoding ----


TEST(SchemeTextFile, TheSameTextReadsTheSameInEveryEncoding) {
  const std::u16string text =
      u"[-IME设置-]\r\n词频调整=一次到顶\r\n候选列表显示个数=7\r\n"
      u"[-非编码符号转义定义表-]\r\n.=。\r\n"
      u"[-DME设置-]\r\n查询输入字符=＊\r\n"
      u"[-SKIN设置-]\r\n使用皮肤名称=经典\r\n";
  SettingsTextOps* ops = NewSettingsTextOps();
  ASSERT_NE(ops, nullptr);
  Blocks expected;
  ASSERT_EQ(ReadSchemeText(text, expected.views(), ops), 5);
  ASSERT_NE(expected.ime, Blocks().ime);

  struct Case {
    const char* encoding;
    std::vector<std::uint8_t> bytes;
  };
  const std::vector<Case> cases = {
      {"UTF-8 with its mark", test::Utf8FileBytes(text, true)},
      {"UTF-8 without a mark", test::Utf8FileBytes(text, false)},
      {"UTF-16 little-endian", test::Utf16FileBytes(text, false)},
      {"UTF-16 big-endian", test::Utf16FileBytes(text, true)},
      {"GBK", test::GbkFileBytes(text)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.encoding);
    Blocks blocks;
    EXPECT_EQ(ReadSchemeTextBytes(c.bytes.data(), c.bytes.size(), blocks.views(), ops, &test::TestGbkToWide), 5);
    EXPECT_EQ(blocks.ime, expected.ime);
    EXPECT_EQ(blocks.dme, expected.dme);
    EXPECT_EQ(blocks.skin, expected.skin);
  }
  ops->free(ops);
}

}  // namespace
}  // namespace lz
