#include "textservice/engine/key_names.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "textservice/engine/dme_block.h"
#include "textservice/engine/settings_store.h"

namespace lz {
namespace {

using namespace key_function;

// A zero-filled dme block of the designed size.
struct DmeBlock {
  std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(config_store::kDmeBlockSize, 0);
  ByteView view() { return ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}; }
};

constexpr KeyFunctionMask N(unsigned n) { return KeyFunctionMask{n} << kNumberShift; }

// Where a key-function line ended up.
struct Stored {
  int entry = -1;             // per-key table entry, -1 when none changed
  int combination_code = -1;  // key code of the first combination, -1 when there is none
  KeyFunctionMask mask = 0;
};

Stored Bind(std::u16string_view key, std::u16string_view functions) {
  DmeBlock dme;
  ReadKeyFunctionText(key, dme.view(), functions);
  Stored stored;
  for (std::uint32_t e = 0; e < dme_block::kKeyMaskCount; ++e) {
    if (const KeyFunctionMask mask = ReadKeyBinding(dme.view(), e)) {
      stored.entry = static_cast<int>(e);
      stored.mask = mask;
    }
  }
  if (CombinationCount(dme.view()) > 0) {
    CombinationBinding c;
    EXPECT_TRUE(ReadCombination(dme.view(), 0, c));
    stored.combination_code = c.key_code;
    stored.mask = c.mask;
  }
  return stored;
}

TEST(KeyNames, ParseKeyNameGivesTheKeyCode) {
  struct Case {
    std::u16string text;
    std::int32_t code;
  };
  const std::vector<Case> cases = {
      {u"", -1},
      {u"键F10", 0x79},  // never F1
      {u"键F11", 0x7A},
      {u"键F12", 0x7B},
      {u"键F1", 0x70},
      {u"键F13", 0x70},  // F13..F24 are not key-text names; the F1 prefix reads first
      {u"键F1+键Ctrl", 0x470},
      {u"键F1+键Shift", 0x170},
      {u"键Enter", 0x0D},
      {u"键左箭头", 0x25},
      {u"键右Shift", 0xA1},
      {u"键Ctrl", 0x11},
      {u"a", 0x41},
      {u"A", 0x141},
      {u"a+键左Ctrl", 0x4441},
      {u"a+键右Alt+键Shift", 0x20341},
      {u"z+键Ctrl+键Alt", 0x65A},
      {u"１", 0x61},  // full-width one: the keypad key
      {u"1", 0x31},
      {u"０", 0x60},
      {u"＊", 0x6A},
      {u"＋", 0x6B},
      {u"－", 0x6D},
      {u"．", 0x6E},
      {u"／", 0x6F},
      {u"\t", 0x09},
      {u" ", 0x20},
      {u";", 0xBA},
      {u"\\", 0xDC},
      {u"]", 221},
      {u"'", 0xDE},
      {u")", 0x130},
      {u"(", 0x139},
      {u"}", 0x1DD},
      {u"\"", 0x1DE},
      {u"~", 0x1C0},
      {u"键Foo", 0},
      {u"键Foo+键Alt", 0x200},
      {u"中+键Ctrl", 0x400},
      {u"+键Ctrl", 0x5BB},  // "+" is itself a key: Shift and "="
      {u"，", 0},  // full-width comma is not a keypad key
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases.data()));
    EXPECT_EQ(ParseKeyName(c.text), c.code);
  }
}

// A settings text's key (wildcard, lead keys, key classes) is one a key text could name: the same
// characters, and the key character is the one the engine stores for that key.
TEST(KeyNames, KeyCharacterOfAcceptsExactlyTheCharactersThatNameAKey) {
  struct Case {
    char16_t c;
    std::uint8_t key;
  };
  const std::vector<Case> cases = {
      {u'a', 'a'},     {u'Z', 'Z'},     {u'~', '~'},     {u' ', ' '},      {u'\t', '\t'},
      {u'１', 0x11},   {u'＊', 0x0A},   {u'．', 0x0E},   {u'／', 0x0F},    {u'，', 0},
      {u'\x7F', 0},    {u'\r', 0x0D},   {u'\x0C', 0},    {u'\x01', 0},     {u'中', 0},
      {0xFF21, 0},     {0xFF1A, 0},     {0xFF09, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "U+" << std::hex << static_cast<int>(c.c));
    EXPECT_EQ(KeyCharacterOf(c.c), c.key);
  }
  // Over the whole plane: a character is a key character exactly when it names a key. The keypad's own
  // key characters (0x0A..0x19) are the stored forms, not text, and stand for themselves.
  for (std::uint32_t u = 1; u <= 0xFFFF; ++u) {
    const char16_t c = static_cast<char16_t>(u);
    if (u >= 0x0A && u <= 0x19) continue;
    const bool names_a_key = (ParseKeyName(std::u16string_view(&c, 1)) & key_code::kVirtualKeyMask) != 0;
    ASSERT_EQ(KeyCharacterOf(c) != 0, names_a_key) << "U+" << std::hex << u;
  }
}

TEST(KeyNames, GetKeyNameReadsThePlainOrShiftedTable) {
  struct Case {
    std::int32_t code;
    std::u16string name;
  };
  const std::vector<Case> cases = {
      {0x41, u"a"},        {0x141, u"A"},       {0x241, u""},      {0x1141, u""},  {0x79, u"键F10"},
      {0x87, u"键F24"},    {0x20, u" "},        {0x120, u""},      {0x0D, u"键Enter"}, {0x10D, u"键Enter"},
      {0x31, u"1"},        {0x131, u"!"},       {0xDE, u"'"},      {0x1DE, u"\""}, {0x61, u"\x11"},
      {0x6A, u"\x0A"},     {0x6C, u""},         {0x170, u""},      {0xFF, u""},    {0x1FF, u""},
      {0xA5, u"键右Alt"},  {0xDC, u"\\"},       {0x1DC, u"|"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "code 0x" << std::hex << c.code);
    EXPECT_EQ(std::u16string(GetKeyName(c.code)), c.name);
  }
}

TEST(KeyNames, ParseKeyFunctionsGivesTheMask) {
  struct Case {
    std::u16string text;
    KeyFunctionMask mask;
  };
  const std::vector<Case> cases = {
      {u"", 0},
      {u"没有这个功能", 0},
      {u"前翻页", kPageUp},
      {u"后翻页,前翻页", kPageUp | kPageDown},
      {u"输入法打开/关闭 英文输入开关 清除输入", kToggleIme | kToggleEnglish | kClearInput},
      {u"第10候选上屏", kCommit | N(10)},
      {u"第1候选上屏", kCommit | N(1)},
      {u"倒数第1候选上屏", kCommit | N(12)},
      {u"首选上屏", kCommit | N(0)},
      {u"首选顶屏", kCommit | N(13)},
      {u"英文上屏", kCommit | N(11)},
      {u"第2候选上屏,第3候选调频", kCommit | kFrequency | N(3)},
      {u"第4候选删除", kDelete | N(4)},
      {u"第2候选调频,第5候选删除", kFrequency | kDelete | N(5)},
      {u"光标右移,光标左移", kCursorLeft},  // first of the cursor group wins
      {u"编码后删", kDeleteAfter},
      {u"首选前移/首选后移", kFirstForward | kFirstBackward},
      {u"输入方案主/辅切换", kSchemeMainAuxiliary},
      {u"检索范围主/混切换", kRangeMainMixed},
      {u"显示|隐藏状态栏窗口 显示|关闭候选窗口", kToggleStatusWindow},
      {u"显示|关闭候选窗口", kToggleCandidateWindow},
      {u"上屏转换 - 繁体", kConvertTraditional},
      {u"软键盘切换", kSoftKeyboard},
      {u"在线删词", kDeleteWordOnline},
      {u"配置 - 关于,配置 - 帮助", kConfigHelp},  // the configuration group's order decides
      {u"配置 - 词典查询", kConfigDictionary},
      {u"定制2 第1候选定制", kCustom2},
      {u"定制3", kCustom3},
      {u"第7候选定制", kCustomCandidate | N(7)},
      {u"第10候选定制", kCustomCandidate | N(10)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases.data()));
    EXPECT_EQ(ParseKeyFunctions(c.text), c.mask);
  }
}

TEST(KeyBindings, ALineGoesToTheKeyTableOrTheCombinations) {
  struct Case {
    std::u16string key;
    std::u16string functions;
    int entry;
    int combination_code;
    KeyFunctionMask mask;
  };
  const std::vector<Case> cases = {
      {u"A", u"前翻页", 256 + 0x41, -1, kPageUp},
      {u"a", u"前翻页", 0x41, -1, kPageUp},
      {u"键PageDown", u"后翻页", 0x22, -1, kPageDown},
      {u"１", u"第1候选上屏", 0x61, -1, kCommit | N(1)},
      {u"!", u"重复输入", 256 + 0x31, -1, kRepeatInput},
      {u"键F1+键Ctrl", u"配置 - 主页", -1, 0x470, kConfigHome},
      {u"键F1+键Shift", u"软键盘切换", -1, 0x170, kSoftKeyboard},  // no shifted name: a combination
      {u" +键Shift", u"撤销输入", -1, 0x120, kUndoInput},
      {u"a+键左Ctrl", u"英文上屏", -1, 0x4441, kCommit | N(11)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases.data()));
    const Stored stored = Bind(c.key, c.functions);
    EXPECT_EQ(stored.entry, c.entry);
    EXPECT_EQ(stored.combination_code, c.combination_code);
    EXPECT_EQ(stored.mask, c.mask);
  }
}

TEST(KeyBindings, AKeyTextThatNamesNoKeyChangesNothing) {
  for (const std::u16string key : {u"", u"中", u"键Foo+键Ctrl", u"中+键Alt", u"，"}) {
    SCOPED_TRACE(testing::Message() << "length " << key.size());
    DmeBlock dme;
    EXPECT_EQ(ReadKeyFunctionText(key, dme.view(), u"前翻页"), 0);
    EXPECT_EQ(dme.bytes, DmeBlock().bytes);
  }
}

TEST(KeyBindings, ALaterLineReplacesTheMaskAndNoFunctionUnbinds) {
  DmeBlock dme;
  ReadKeyFunctionText(u"a", dme.view(), u"前翻页");
  ReadKeyFunctionText(u"a", dme.view(), u"后翻页");
  EXPECT_EQ(ReadKeyBinding(dme.view(), 0x41), kPageDown);
  ReadKeyFunctionText(u"a", dme.view(), u"nothing known");
  EXPECT_EQ(ReadKeyBinding(dme.view(), 0x41), 0u);

  ReadKeyFunctionText(u"键F2+键Alt", dme.view(), u"前翻页");
  ReadKeyFunctionText(u"键F2+键Alt", dme.view(), u"定制1");
  ASSERT_EQ(CombinationCount(dme.view()), 1u);
  CombinationBinding c;
  ASSERT_TRUE(ReadCombination(dme.view(), 0, c));
  EXPECT_EQ(c.key_code, 0x271);
  EXPECT_EQ(c.mask, kCustom1);
}

TEST(KeyBindings, TheSixtyFifthCombinationIsDropped) {
  // 65 distinct combinations: the letters with Ctrl, with Alt, then with both.
  const auto combination = [](int i) {
    static const std::u16string kModifiers[] = {u"+键Ctrl", u"+键Alt", u"+键Ctrl+键Alt"};
    return std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) + kModifiers[i / 26];
  };
  DmeBlock dme;
  for (int i = 0; i < 64; ++i) EXPECT_EQ(ReadKeyFunctionText(combination(i), dme.view(), u"前翻页"), 1) << i;
  const std::vector<std::uint8_t> full = dme.bytes;
  EXPECT_EQ(ReadKeyFunctionText(combination(64), dme.view(), u"后翻页"), 0);
  EXPECT_EQ(dme.bytes, full);
  EXPECT_EQ(CombinationCount(dme.view()), 64u);
  CombinationBinding last;
  ASSERT_TRUE(ReadCombination(dme.view(), 63, last));
  EXPECT_EQ(last.key_code, 0x600 | 0x4C);  // l with Ctrl and Alt
  // A combination already stored is still updated when the list is full.
  EXPECT_EQ(ReadKeyFunctionText(combination(0), dme.view(), u"后翻页"), 1);
  CombinationBinding first;
  ASSERT_TRUE(ReadCombination(dme.view(), 0, first));
  EXPECT_EQ(first.mask, kPageDown);
}

TEST(KeyBindings, ABlockTooShortForTheTablesIsNeverWrittenPastItsEnd) {
  // The view ends inside the combination list; the bytes after it must stay as they are.
  std::vector<std::uint8_t> bytes(config_store::kDmeBlockSize, 0xEE);
  for (std::uint32_t i = 0; i < dme_block::kCombinations + 8; ++i) bytes[i] = 0;
  const ByteView dme{bytes.data(), dme_block::kCombinations + 8};
  EXPECT_EQ(ReadKeyFunctionText(u"a+键Ctrl", dme, u"前翻页"), 0);
  EXPECT_EQ(ReadKeyFunctionText(u"键Tab", dme, u"前翻页"), 1);
  for (std::size_t i = dme.size; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0xEE) << i;
  const ByteView tiny{bytes.data(), 100};
  EXPECT_EQ(ReadKeyFunctionText(u"键Tab", tiny, u"前翻页"), 0);
}

}  // namespace
}  // namespace lz

namespace lz {
namespace {

using namespace key_function;

TEST(KeyTexts, KeyCodeToNameWritesTheTextParseKeyNameReads) {
  struct Case {
    std::int32_t code;
    std::u16string text;
  };
  const std::vector<Case> cases = {
      {0x41, u"a"},
      {0x141, u"A+键Shift"},
      {0x31, u"1"},
      {0x131, u"!+键Shift"},
      {0x10D, u"键Enter+键Shift"},  // the shifted name equals the plain one: Shift keeps it apart
      {0x0D, u"键Enter"},
      {0x20, u" "},
      {0x70, u"键F1"},
      {0x79, u"键F10"},
      {0x7B, u"键F12"},
      {0x470, u"键F1+键Ctrl"},
      {0x170, u"键F1+键Shift"},  // no shifted name: the plain name and the modifier word
      {0x60, u"０"},
      {0x69, u"９"},
      {0x6A, u"＊"},
      {0x6B, u"＋"},
      {0x6D, u"－"},
      {0x6E, u"．"},
      {0x6F, u"／"},
      {0x161, u"１+键Shift"},
      {0x1141, u"a+键左Shift"},
      {0x10141, u"a+键右Shift"},
      {0x11141, u"a+键左Shift+键右Shift"},
      {0x2241, u"a+键左Alt"},
      {0x20241, u"a+键右Alt"},
      {0x241, u"a+键Alt"},
      {0x4441, u"a+键左Ctrl"},
      {0x40441, u"a+键右Ctrl"},
      {0x741, u"a+键Shift+键Alt+键Ctrl"}  /* the shifted name only for Shift alone */,
      {0xA0, u"键左Shift"},
      {0xA5, u"键右Alt"},
      {0xDE, u"'"},
      {0x1DE, u"\"+键Shift"},
      {0x100 + 221, u"}+键Shift"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KeyCodeToName(c.code), c.text) << std::hex << c.code;
    EXPECT_EQ(ParseKeyName(c.text), c.code) << std::hex << c.code;
  }
}

TEST(KeyTexts, EveryKeyTheReaderCanGiveIsWrittenAndReadBack) {
  using namespace key_code;
  const std::int32_t modifiers[] = {0,
                                    kShift,
                                    kAlt,
                                    kCtrl,
                                    kLeftShift | kShift,
                                    kRightShift | kShift,
                                    kLeftAlt | kAlt,
                                    kRightAlt | kAlt,
                                    kLeftCtrl | kCtrl,
                                    kRightCtrl | kCtrl,
                                    kShift | kCtrl,
                                    kLeftShift | kShift | kRightCtrl | kCtrl | kAlt};
  int named = 0;
  constexpr int kVkF13 = 0x7C, kVkF24 = 0x87;  // no key text names them: the reader never gives them
  for (int vk = 1; vk < 255; ++vk) {
    if (GetKeyName(vk).empty() || (vk >= kVkF13 && vk <= kVkF24)) continue;
    ++named;
    for (std::int32_t m : modifiers) {
      const std::int32_t code = vk | m;
      const std::u16string text = KeyCodeToName(code);
      EXPECT_LE(text.size(), kMaxKeyTextUnits);
      EXPECT_EQ(ParseKeyName(text), code) << std::hex << code;
    }
  }
  EXPECT_GT(named, 100);
}

TEST(KeyTexts, KeyFunctionMaskToNamesNamesEveryFunction) {
  struct Case {
    KeyFunctionMask mask;
    std::u16string text;
  };
  const std::vector<Case> cases = {
      {0, u""},
      {kToggleIme, u"输入法打开/关闭,"},
      {kToggleEnglish | kClearInput, u"英文输入开关,清除输入,"},
      {kSchemeMainAuxiliary | kSchemeMainMixed | kRangeMainSecondary | kRangeMainMixed,
       u"输入方案主/辅切换,输入方案主/混切换,检索范围主/次切换,检索范围主/混切换,"},
      {kRepeatInput | kUndoInput | kPageUp | kPageDown | kFirstForward | kFirstBackward,
       u"重复输入,撤销输入,前翻页,后翻页,首选前移,首选后移,"},
      {kCommit | N(0), u"首选上屏,"},
      {kCommit | N(1), u"第1候选上屏,"},
      {kCommit | N(10), u"第10候选上屏,"},
      {kCommit | N(11), u"英文上屏,"},
      {kCommit | N(12), u"倒数第1候选上屏,"},
      {kCommit | N(13), u"首选顶屏,"},
      {kFrequency | N(3), u"第3候选调频,"},
      {kDelete | N(10), u"第10候选删除,"},
      {kCommit | kFrequency | N(3), u"第3候选上屏,第3候选调频,"},
      {kCursorLeft, u"光标左移,"},
      {kCursorRight, u"光标右移,"},
      {kCursorHome, u"光标至头,"},
      {kCursorEnd, u"光标至尾,"},
      {kDeleteBefore, u"编码前删,"},
      {kDeleteAfter, u"编码后删,"},
      {kToggleStatusWindow, u"显示|隐藏状态栏窗口,"},
      {kToggleCandidateWindow, u"显示|关闭候选窗口,"},
      {kConvertSimplified, u"上屏转换 - 简体,"},
      {kConvertTraditional, u"上屏转换 - 繁体,"},
      {kSoftKeyboard, u"软键盘切换,"},
      {kAddWordOnline, u"在线加词,"},
      {kDeleteWordOnline, u"在线删词,"},
      {kConfigHome, u"配置 - 主页,"},
      {kConfigKeys, u"配置 - 按键设置,"},
      {kConfigHelp, u"配置 - 帮助,"},
      {kConfigAbout, u"配置 - 关于,"},
      {kConfigOutputLookup, u"配置 - 输出反查,"},
      {kConfigClipboardLookup, u"配置 - 剪贴板反查,"},
      {kConfigDictionary, u"配置 - 词典查询,"},
      {kCustom1, u"定制1"},
      {kCustom2, u"定制2"},
      {kCustom3, u"定制3"},
      {kCustomCandidate | N(7), u"第7候选定制,"},
      {kPageUp | kCursorLeft | kSoftKeyboard | kCustom2, u"前翻页,光标左移,软键盘切换,定制2"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KeyFunctionMaskToNames(c.mask), c.text) << std::hex << c.mask;
    EXPECT_EQ(ParseKeyFunctions(c.text), c.mask) << std::hex << c.mask;
  }
}

TEST(KeyTexts, EveryMaskTheReaderCanGiveIsWrittenAndReadBack) {
  // Every function text the reader understands, alone and in pairs: their masks are all the reader gives
  // short of longer lists, which combine the same groups.
  const std::vector<std::u16string> names = {
      u"输入法打开/关闭", u"英文输入开关", u"清除输入", u"输入方案主/辅切换", u"输入方案主/混切换",
      u"检索范围主/次切换", u"检索范围主/混切换", u"重复输入", u"撤销输入", u"前翻页", u"后翻页",
      u"首选前移", u"首选后移", u"倒数第1候选上屏", u"第1候选上屏", u"第5候选上屏", u"第10候选上屏",
      u"首选上屏", u"首选顶屏", u"英文上屏", u"第2候选调频", u"第10候选调频", u"第4候选删除",
      u"光标左移", u"光标右移", u"光标至头", u"光标至尾", u"编码前删", u"编码后删",
      u"显示|隐藏状态栏窗口", u"显示|关闭候选窗口", u"上屏转换 - 简体", u"上屏转换 - 繁体", u"软键盘切换",
      u"在线加词", u"在线删词", u"配置 - 主页", u"配置 - 按键设置", u"配置 - 帮助", u"配置 - 关于",
      u"配置 - 输出反查", u"配置 - 剪贴板反查", u"配置 - 词典查询", u"定制1", u"定制2", u"定制3",
      u"第1候选定制", u"第10候选定制"};
  for (const std::u16string& a : names) {
    for (const std::u16string& b : names) {
      const KeyFunctionMask mask = ParseKeyFunctions(a + u"," + b);
      const std::u16string text = KeyFunctionMaskToNames(mask);
      EXPECT_LE(text.size(), kMaxFunctionTextUnits);
      EXPECT_EQ(ParseKeyFunctions(text), mask) << std::hex << mask;
    }
  }
  // Every function at once stays within the cap.
  EXPECT_LE(KeyFunctionMaskToNames(~KeyFunctionMask{0}).size(), kMaxFunctionTextUnits);
}

}  // namespace
}  // namespace lz
