#include "textservice/engine/settings_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "textservice/engine/block_fields.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/scheme_text.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/skin_block.h"

namespace lz {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;

Bytes DmeBytes() { return Bytes(config_store::kDmeBlockSize, 0); }
Bytes SkinBytes() { return Bytes(config_store::kSkinBlockSize, 0); }
ByteView View(Bytes& b) { return ByteView{b.data(), static_cast<std::uint32_t>(b.size())}; }

std::uint32_t Field(Bytes& b, std::uint32_t offset, int width) {
  std::uint32_t value = 0;
  if (width == 1) {
    std::uint8_t byte = 0;
    View(b).ReadU8(offset, byte);
    value = byte;
  } else {
    View(b).ReadU32(offset, value);
  }
  return value;
}

void SetField(Bytes& b, std::uint32_t offset, int width, std::uint32_t value) {
  if (width == 1) {
    View(b).WriteU8(offset, static_cast<std::uint8_t>(value));
  } else {
    View(b).WriteU32(offset, value);
  }
}

struct FieldCase {
  Pairs pairs;
  std::uint32_t offset;
  int width;  // bytes: 1 or 4
  std::uint32_t before;
  std::uint32_t after;
};

// Applies the pairs through the reader of sub-kind `kind` and checks one field.
void ExpectFieldsAfterPairs(int kind, const std::vector<FieldCase>& cases) {
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases.data()));
    Bytes block = kind == kDmeSettings ? DmeBytes() : SkinBytes();
    SetField(block, c.offset, c.width, c.before);
    for (const auto& [key, value] : c.pairs) SettingsTextRead(View(block), key, value, kind);
    EXPECT_EQ(Field(block, c.offset, c.width), c.after);
  }
}

TEST(DmeSettings, APairSetsItsField) {
  using namespace dme_block;
  constexpr std::uint32_t kFlags = kQueryFlags;
  ExpectFieldsAfterPairs(kDmeSettings, {
      {{{u"查询输入字符", u"＊"}}, kWildcardKey, 1, 0, 0x0A},
      {{{u"查询输入字符", u""}}, kWildcardKey, 1, 'z', 0},
      {{{u"查询输入字符", u"?x"}}, kWildcardKey, 1, 0, '?'},
      {{{u"万能键", u"z"}}, kWildcardKey, 1, 0, 'z'},
      {{{u"查询输入字符", u"；"}}, kWildcardKey, 1, 'z', 0},
      {{{u"临时英文引导字符", u"；"}}, kEnglishLeadKey, 1, 'z', 0},
      {{{u"临时英文引导字符", u"`"}}, kEnglishLeadKey, 1, 0, '`'},
      {{{u"临时辅码引导字符", u"~"}}, kAuxiliaryLeadKey, 1, 0, '~'},
      {{{u"临时次显引导字符", u"１"}}, kSecondaryLeadKey, 1, 0, 0x11},
      {{{u"扩展引导字符", u"中"}}, kExtensionLeadKey, 1, 'z', 0},
      {{{u"候选唯一自动上屏码长", u"4"}}, kUniqueAutoCommitLength, 1, 0, 4},
      {{{u"空码自动清除码长", u"3"}}, kEmptyCodeClearLength, 1, 0, 3},
      {{{u"空码清屏码长", u"6"}}, kEmptyCodeClearLength, 1, 0, 6},
      {{{u"智能动态上屏码长", u"5"}}, kEmptyCodeCommitLength, 1, 0, 5},
      {{{u"显示码表词语码长", u"x"}}, kShowTableWordLength, 1, 7, 0},
      {{{u"显示后续编码码长", u"300"}}, kShowFollowingLength, 1, 0, 300 & 0xFF},
      {{{u"开启首键查询", u"是"}}, kFlags, 4, 0, kFirstKeyQuery},
      {{{u"开启首键查询", u"SHI"}}, kFlags, 4, 0, kFirstKeyQuery},
      {{{u"开启首键查询", u"切换"}}, kFlags, 4, kFirstKeyQuery | 0x1, 0x1},
      {{{u"开启首键查询", u"否"}}, kFlags, 4, kFirstKeyQuery, 0},
      {{{u"开启查询键重复输入", u"是"}}, kFlags, 4, 0, kQueryKeyRepeats},
      {{{u"查询输入只查单字", u"shi"}}, kFlags, 4, 0, kSingleCharactersOnly},
      {{{u"自动上屏仅限全码", u"切换"}}, kFlags, 4, 0, kAutoCommitFullCodeOnly},
      {{{u"智能顶屏仅限全码", u"是"}}, kFlags, 4, 0, kSmartCommitFullCodeOnly},
      {{{u"以最简模式识别上/顶/清屏", u"是"}}, kFlags, 4, 0, kSimplestModeLengths},
      {{{u"仅在空码时显示后续编码", u"全部"}}, kFlags, 4, kEmptyCodeShowsOneFollowing, kEmptyCodeShowsAllFollowing},
      {{{u"仅在空码时显示后续编码", u"yige"}}, kFlags, 4, kEmptyCodeShowsAllFollowing, kEmptyCodeShowsOneFollowing},
      {{{u"仅在空码时显示后续编码", u"QuanBu"}}, kFlags, 4, 0, kEmptyCodeShowsAllFollowing},
      {{{u"仅在空码时显示后续编码", u"否"}}, kFlags, 4, kEmptyCodeShowsAllFollowing | 0x4, 0x4},
      {{{u"仅在空码时显示后续编码", u"切换"}}, kFlags, 4, 0, kEmptyCodeShowsAllFollowing},
      {{{u"仅在空码时显示后续编码", u"切换"}, {u"仅在空码时显示后续编码", u"切换"}}, kFlags, 4, 0,
       kEmptyCodeShowsOneFollowing},
      {{{u"仅在空码时显示后续编码", u"切换"},
        {u"仅在空码时显示后续编码", u"切换"},
        {u"仅在空码时显示后续编码", u"切换"}},
       kFlags, 4, 0, 0},  // none, all, one, none
      {{{u"不认识的键", u"是"}}, kFlags, 4, 0x1234, 0x1234},
  });
}

TEST(DmeSettings, AKeyListReplacesItsClassBitOnly) {
  using namespace dme_block;
  Bytes dme = DmeBytes();
  dme[kKeyClasses + 'x'] = kCommitLeadKey | kCodeEndKey;
  dme[kKeyClasses + 200] = kCommitLeadKey;
  ReadDmeSettingsText(View(dme), u"上屏引导键", u"ab＋中");
  EXPECT_EQ(dme[kKeyClasses + 'a'], kCommitLeadKey);
  EXPECT_EQ(dme[kKeyClasses + 'b'], kCommitLeadKey);
  EXPECT_EQ(dme[kKeyClasses + 0x0B], kCommitLeadKey);
  EXPECT_EQ(dme[kKeyClasses + 'x'], kCodeEndKey);
  EXPECT_EQ(dme[kKeyClasses + 200], 0);
  ReadDmeSettingsText(View(dme), u"数字后英文标点", u".,");
  ReadDmeSettingsText(View(dme), u"编码截止键", u"");
  EXPECT_EQ(dme[kKeyClasses + 'x'], 0);
  EXPECT_EQ(dme[kKeyClasses + '.'], kEnglishAfterDigit);
  EXPECT_EQ(dme[kKeyClasses + 'a'], kCommitLeadKey);
}

TEST(SkinSettings, APairSetsItsField) {
  using namespace skin_block;
  ExpectFieldsAfterPairs(kSkinSettings, {
      {{{u"候选序号是否可见", u"是"}}, kFlags, 4, 0, kShowNumbers},
      {{{u"houxuanxuhaoshifoukejian", u"切换"}}, kFlags, 4, kShowNumbers, 0},
      {{{u"编码提示是否可见", u"否"}}, kFlags, 4, kShowCodeHints | kShowNumbers, kShowNumbers},
      {{{u"BianMaTiShiShiFouKeJian", u"shi"}}, kFlags, 4, 0, kShowCodeHints},
      {{{u"jiemiananniusihfoukejian", u"shi"}}, kFlags, 4, 0, kShowButtons},
      {{{u"界面按钮是否可见", u"切换"}}, kFlags, 4, 0, kShowButtons},
      {{{u"从右向左的文本", u"是"}}, kFlags, 4, 0, kRightToLeft},
      {{{u"从右向左的文本", u"切换"}}, kFlags, 4, kRightToLeft, 0},
      {{{u"从右向左的文本", u"别的"}}, kFlags, 4, kRightToLeft, 0},
      {{{u"候选列表排列样式", u"横排"}}, kFlags, 4, kVerticalFromLeft | 0x1, kHorizontal | 0x1},
      {{{u"候选列表排列样式", u"左起纵向"}}, kFlags, 4, kHorizontal, kVerticalFromLeft},
      {{{u"候选列表排列样式", u"竖排"}}, kFlags, 4, kLayoutMask, 0},
      {{{u"光标样式", u"竖线"}}, kFlags, 4, kCursorUnderline, kCursorBar},
      {{{u"光标样式", u"横线"}}, kFlags, 4, 0, kCursorUnderline},
      {{{u"光标样式", u"不显示"}}, kFlags, 4, kCursorMask | 0x4, 0x4},
      {{{u"不认识的键", u"是"}}, kFlags, 4, 0x1234, 0x1234},
  });
}

std::vector<std::u16string> Prefixes(Bytes& skin) {
  using namespace skin_block;
  std::vector<std::u16string> out;
  const std::uint32_t count = Field(skin, kVerticalPrefixCount, 4);
  for (std::uint32_t i = 0; i < count && i < kMaxVerticalPrefixes; ++i) {
    out.push_back(ReadFieldText(View(skin), VerticalPrefixOffset(i), kVerticalPrefixUnits));
  }
  return out;
}

TEST(SkinSettings, VerticalPrefixesSplitAtTheFullWidthComma) {
  std::u16string twenty;
  std::vector<std::u16string> sixteen;
  for (int i = 0; i < 20; ++i) {
    if (i > 0) twenty += u"，";
    twenty += static_cast<char16_t>(u'a' + i);
    if (i < 16) sixteen.push_back(std::u16string(1, static_cast<char16_t>(u'a' + i)));
  }
  struct Case {
    std::u16string value;
    std::vector<std::u16string> prefixes;
  };
  const std::vector<Case> cases = {
      {u"zx，zy，abcdef", {u"zx", u"zy", u"abcd"}},
      {u"zx,zy", {u"zx,z"}},  // an ASCII comma does not split
      {u"", {}},
      {u"，，zz，", {u"zz"}},  // empty parts would match every code
      {twenty, sixteen},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases.data()));
    Bytes skin = SkinBytes();
    ReadSkinSettingsText(View(skin), u"自动竖排的编码前缀", u"old，ones，here");
    ReadSkinSettingsText(View(skin), u"自动竖排的编码前缀", c.value);
    EXPECT_EQ(Prefixes(skin), c.prefixes);
  }
}

TEST(SkinSettings, TheSkinNameIsCutTo39Characters) {
  Bytes skin = SkinBytes();
  ReadSkinSettingsText(View(skin), u"shiyongpifumingcheng", std::u16string(50, u'蓝'));
  EXPECT_EQ(ReadFieldText(View(skin), skin_block::kSkinName, 40), std::u16string(39, u'蓝'));
  ReadSkinSettingsText(View(skin), u"使用皮肤名称", u"默认");
  EXPECT_EQ(ReadFieldText(View(skin), skin_block::kSkinName, 40), u"默认");
  EXPECT_EQ(skin[skin_block::kSkinName + 2 * 38], 0);  // the old name's tail is gone
}

// ---- writers ----

std::u16string Written(int kind, Bytes& block, int capacity = kSettingsTextCapacity) {
  std::vector<char16_t> buffer(static_cast<std::size_t>(capacity) + 1, u'#');
  const int length = SettingsTextWrite(View(block), buffer.data(), capacity, kind);
  EXPECT_EQ(buffer[static_cast<std::size_t>(length)], 0);
  EXPECT_EQ(buffer[static_cast<std::size_t>(capacity)], u'#');  // never past the capacity
  return std::u16string(buffer.data(), static_cast<std::size_t>(length));
}

// A dme block with every covered field set to something other than its default.
Bytes SampleDme() {
  using namespace dme_block;
  Bytes dme = DmeBytes();
  const ByteView v = View(dme);
  v.WriteU32(kQueryFlags, kEmptyCodeShowsOneFollowing | kAutoCommitFullCodeOnly | kFirstKeyQuery);
  v.WriteU8(kUniqueAutoCommitLength, 4);
  v.WriteU8(kEmptyCodeCommitLength, 5);
  v.WriteU8(kEmptyCodeClearLength, 3);
  v.WriteU8(kShowTableWordLength, 2);
  v.WriteU8(kWildcardKey, 0x0A);  // the keypad's multiply key
  v.WriteU8(kEnglishLeadKey, '`');
  v.WriteU8(kSecondaryLeadKey, '~');
  v.WriteU8(kExtensionLeadKey, '\'');
  dme[kKeyClasses + ';'] = kCommitLeadKey;
  dme[kKeyClasses + 0x0B] = kCommitLeadKey;
  dme[kKeyClasses + ' '] = kCodeEndKey;
  dme[kKeyClasses + ','] = kEnglishAfterDigit;
  dme[kKeyClasses + '.'] = kEnglishAfterDigit;
  return dme;
}

constexpr std::u16string_view kSampleDmeText =
    u"\r\n"
    u"候选唯一自动上屏码长=4\r\n"
    u"空码顶屏码长=5\r\n"
    u"空码清屏码长=3\r\n"
    u"显示码表词语码长=2\r\n"
    u"显示后续编码码长=0\r\n\r\n"
    u"//如果设置了 显示后续编码码长 ，此项设置无效。可选：“全部”、“一个”、“否”\r\n"
    u"仅在空码时显示后续编码=一个\r\n\r\n"
    u"//仅在第一候选为全码输入(与输入编码完全匹配)时执行自动上屏\r\n"
    u"自动上屏仅限全码=是\r\n\r\n"
    u"//仅在第一候选为全码输入(与输入编码完全匹配)时执行顶屏操作\r\n"
    u"智能顶屏仅限全码=否\r\n\r\n"
    u"//此项为是时, 自动上屏/智能顶屏/空码清屏行为如下:\r\n"
    u"//如自动上屏码长为4, 仅在第4码时判断自动上屏, 清屏同理\r\n"
    u"//如顶屏码长为4, 仅在第5码时判断顶屏\r\n"
    u"以最简模式识别上/顶/清屏=否\r\n\r\n"
    u"开启首键查询=是\r\n"
    u"开启查询键重复输入=否\r\n"
    u"查询输入只查单字=否\r\n\r\n"
    u"//查询输入字符即万能键，如果无需定义，请在 = 后留空。\r\n"
    u"//如需设定小键盘字符的，请使用全角字符，如：１２３４５６７８９０＋－＊／．\r\n"
    u"查询输入字符=＊\r\n\r\n"
    u"//开启临时英文输入状态，此时可使用快捷日期、人民币大写金额输入\r\n"
    u"临时英文引导字符=`\r\n\r\n"
    u"//如该引导符设为“~”，则“~abc”检索辅码中的“abc”开头的编码\r\n"
    u"临时辅码引导字符=\r\n\r\n"
    u"//如该引导符设为“~”，则“~abc”检索次显码表中的“abc”开头的编码\r\n"
    u"临时次显引导字符=~\r\n\r\n"
    u"//扩展引导字符\r\n"
    u"扩展引导字符='\r\n\r\n"
    u"//当首键输入引导键时，无论码长，在候选唯一时自动上屏\r\n"
    u"上屏引导键=＋;\r\n\r\n"
    u"//如果输入后有候选，则自动上屏\r\n"
    u"编码截止键= \r\n\r\n"
    u"//如果在输入数字后立即输入如下符号，则总是以英文符号上屏\r\n"
    u"数字后英文标点=,.\r\n\r\n";

Bytes SampleSkin() {
  using namespace skin_block;
  Bytes skin = SkinBytes();
  const ByteView v = View(skin);
  v.WriteU32(kFlags, kShowNumbers | kShowButtons | kVerticalFromLeft | kCursorUnderline | kRightToLeft);
  v.WriteU32(kVerticalPrefixCount, 2);
  WriteFieldText(v, VerticalPrefixOffset(0), kVerticalPrefixUnits, u"zx");
  WriteFieldText(v, VerticalPrefixOffset(1), kVerticalPrefixUnits, u"zy");
  WriteFieldText(v, kSkinName, kSkinNameUnits, u"经典蓝");
  return skin;
}

constexpr std::u16string_view kSampleSkinText =
    u"\r\n"
    u"候选序号是否可见=是\r\n"
    u"编码提示是否可见=否\r\n"
    u"界面按钮是否可见=是\r\n\r\n"
    u"//如果当前输入以下列编码开头，程序自动切换竖排窗口\r\n"
    u"//最多可以定义16组编码，每组编码最长4个字符\r\n"
    u"//每组之间使用中文标点的逗号(，)分割，如zx，zy，zz\r\n"
    u"自动竖排的编码前缀=zx，zy\r\n\r\n"
    u"从右向左的文本=是\r\n\r\n"
    u"使用皮肤名称=经典蓝\r\n\r\n"
    u"//可选：“横排”、“竖排”、“左起纵向”之一\r\n"
    u"候选列表排列样式=左起纵向\r\n\r\n"
    u"//可选：“横线”、“竖线”、“不显示”之一\r\n"
    u"光标样式=横线\r\n\r\n";

TEST(SettingsTextWriters, WriteTheBodyWithItsCommentLines) {
  Bytes dme = SampleDme();
  EXPECT_EQ(Written(kDmeSettings, dme), kSampleDmeText);
  Bytes skin = SampleSkin();
  EXPECT_EQ(Written(kSkinSettings, skin), kSampleSkinText);
}

TEST(SettingsTextWriters, ASmallCapacityCutsTheTextAndKeepsItTerminated) {
  struct Case {
    int kind;
    int capacity;
  };
  const std::vector<Case> cases = {{kDmeSettings, 100}, {kDmeSettings, 1}, {kDmeSettings, 2},
                                   {kSkinSettings, 100}, {kSkinSettings, 60}, {kDmeSettings, 700}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " capacity " << c.capacity);
    Bytes block = c.kind == kDmeSettings ? SampleDme() : SampleSkin();
    const std::u16string_view full = c.kind == kDmeSettings ? kSampleDmeText : kSampleSkinText;
    const std::u16string text = Written(c.kind, block, c.capacity);
    EXPECT_EQ(text, full.substr(0, static_cast<std::size_t>(c.capacity - 1)));
  }
  // With 100 characters the dme text stops inside the first comment line.
  Bytes dme = SampleDme();
  const std::u16string cut = Written(kDmeSettings, dme, 100);
  const std::size_t comment = cut.find(u"//如果设置了");
  ASSERT_NE(comment, std::u16string::npos);
  EXPECT_EQ(cut.find(u"\r\n", comment), std::u16string::npos);
  // No capacity, no buffer: nothing is written.
  EXPECT_EQ(WriteDmeSettingsText(nullptr, View(dme), 100), 0);
  char16_t untouched = u'#';
  EXPECT_EQ(WriteSkinSettingsText(&untouched, View(dme), 0), 0);
  EXPECT_EQ(untouched, u'#');
}

// ---- round trip ----

// Writes the block's section body, reads every line back into a zero-filled block through the scheme-text
// reader, and returns that block.
Bytes ReadBack(int kind, Bytes& block) {
  const std::u16string text =
      std::u16string(kind == kDmeSettings ? u"[-DME设置-]\r\n" : u"[-SKIN设置-]\r\n") + Written(kind, block);
  Bytes dme = DmeBytes(), skin = SkinBytes(), ime(config_store::kImeBlockSize, 0);
  SettingsTextOps* ops = NewSettingsTextOps();
  EXPECT_NE(ops, nullptr);
  ReadSchemeText(text, ConfigBlocks{{}, View(ime), View(dme), View(skin)}, ops);
  if (ops) ops->free(ops);
  return kind == kDmeSettings ? dme : skin;
}

TEST(SettingsTextRoundTrip, WritingThenReadingReproducesTheBlock) {
  using namespace dme_block;
  // Each block sets only fields that the text covers, so the whole block must come back.
  const std::vector<std::pair<int, std::function<Bytes()>>> cases = {
      {kDmeSettings, DmeBytes},
      {kDmeSettings, SampleDme},
      {kDmeSettings,
       [] {
         Bytes dme = DmeBytes();
         const ByteView v = View(dme);
         v.WriteU32(kQueryFlags, kEmptyCodeShowsAllFollowing | kSingleCharactersOnly | kQueryKeyRepeats |
                                     kSmartCommitFullCodeOnly | kSimplestModeLengths);
         for (std::uint32_t o = kUniqueAutoCommitLength; o <= kShowFollowingLength; ++o) v.WriteU8(o, 255);
         v.WriteU8(kWildcardKey, '=');
         v.WriteU8(kEnglishLeadKey, 0x10);  // keypad 0
         v.WriteU8(kAuxiliaryLeadKey, 0x0F);  // keypad divide
         v.WriteU8(kSecondaryLeadKey, '"');
         v.WriteU8(kExtensionLeadKey, ' ');
         for (int key = 33; key < 127; ++key) dme[kKeyClasses + key] |= kCommitLeadKey;
         // Every keypad key; 0x0C would be a keypad comma, which no keypad has.
         for (int key = 0x0A; key <= 0x19; ++key) {
           if (key != 0x0C) dme[kKeyClasses + key] |= kCodeEndKey;
         }
         for (int key : {'=', '"', '/', '*', '\\', ' '}) dme[kKeyClasses + key] |= kEnglishAfterDigit;
         return dme;
       }},
      {kSkinSettings, SkinBytes},
      {kSkinSettings, SampleSkin},
      {kSkinSettings,
       [] {
         using namespace skin_block;
         Bytes skin = SkinBytes();
         const ByteView v = View(skin);
         v.WriteU32(kFlags, kShowCodeHints | kHorizontal | kCursorBar);
         v.WriteU32(kVerticalPrefixCount, kMaxVerticalPrefixes);
         for (std::uint32_t i = 0; i < kMaxVerticalPrefixes; ++i) {
           const std::u16string prefix(4, static_cast<char16_t>(u'a' + i));
           WriteFieldText(v, VerticalPrefixOffset(i), kVerticalPrefixUnits, prefix);
         }
         WriteFieldText(v, kSkinName, kSkinNameUnits, std::u16string(39, u'皮'));
         return skin;
       }},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    Bytes block = cases[i].second();
    EXPECT_EQ(ReadBack(cases[i].first, block), block);
  }
}

TEST(SettingsTextOps, SubKindsChooseTheBlockAndOthersDoNothing) {
  Bytes dme = DmeBytes();
  EXPECT_EQ(SettingsTextRead(View(dme), u"万能键", u"z", 1), 1);
  EXPECT_EQ(dme[dme_block::kWildcardKey], 'z');
  EXPECT_EQ(SettingsTextRead(View(dme), u"万能键", u"y", 3), 1);
  EXPECT_EQ(SettingsTextRead(View(dme), u"万能键", u"y", 0), -2);
  EXPECT_EQ(dme[dme_block::kWildcardKey], 'z');
  char16_t buffer[8] = {u'#'};
  EXPECT_EQ(SettingsTextWrite(View(dme), buffer, 8, 7), 5);
  EXPECT_EQ(buffer[0], u'#');

  SettingsTextOps* ops = NewSettingsTextOps();
  ASSERT_NE(ops, nullptr);
  EXPECT_EQ(ops->read, &SettingsTextRead);
  EXPECT_EQ(ops->write, &SettingsTextWrite);
  ops->free(ops);
}

}  // namespace
}  // namespace lz
