#include "textservice/settings/settings_pages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/data_folder.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/settings_text.h"
#include "textservice/engine/skin_block.h"

namespace lz::settings_pages {
namespace {

using test::kTestIdentifier;

// A settings store of designed sizes and its four blocks.
class Blocks {
 public:
  Blocks() : store_(NewConfigStore(kTestIdentifier)) {
    FindConfigBlocks(ByteView{store_.data(), static_cast<std::uint32_t>(store_.size())}, blocks_);
  }
  const ConfigBlocks& operator*() const { return blocks_; }
  const ConfigBlocks* operator->() const { return &blocks_; }

 private:
  std::vector<std::uint8_t> store_;
  ConfigBlocks blocks_{};
};

std::uint32_t U32(ByteView view, std::uint32_t offset) { return BlockU32(view, offset); }
std::uint8_t U8(ByteView view, std::uint32_t offset) {
  std::uint8_t value = 0;
  view.ReadU8(offset, value);
  return value;
}

// ---- page 1 ----

struct CodeHintCase {
  int item;
  bool bit;
  std::uint8_t length;
};

TEST(ImeOptionsPageTest, EachCodeHintItemSetsItsFieldsAndShowsAgain) {
  const CodeHintCase cases[] = {{0, false, 0}, {1, true, 0}, {2, false, 1}, {3, false, 2},
                                {4, false, 3}, {5, false, 4}, {6, false, 5}};
  for (const CodeHintCase& c : cases) {
    Blocks b;
    b->dme.WriteU32(dme_block::kQueryFlags, c.bit ? 0 : dme_block::kEmptyCodeShowsAllFollowing);
    b->dme.WriteU8(dme_block::kShowFollowingLength, 9);
    SetCodeHintItem(b->dme, c.item);
    EXPECT_EQ((U32(b->dme, dme_block::kQueryFlags) & dme_block::kEmptyCodeShowsAllFollowing) != 0, c.bit) << c.item;
    EXPECT_EQ(U8(b->dme, dme_block::kShowFollowingLength), c.length) << c.item;
    EXPECT_EQ(CodeHintItem(b->dme), c.item);
  }
}

TEST(ImeOptionsPageTest, CodeHintItemShownFromTheFields) {
  struct Case {
    std::uint32_t flags;
    std::uint8_t length;
    int item;
  } cases[] = {{0, 3, 4}, {dme_block::kEmptyCodeShowsAllFollowing, 3, 4}, {dme_block::kEmptyCodeShowsAllFollowing, 0, 1},
               {0, 0, 0},  {0, 6, 0},  {dme_block::kEmptyCodeShowsAllFollowing, 9, 1}};
  for (const Case& c : cases) {
    Blocks b;
    b->dme.WriteU32(dme_block::kQueryFlags, c.flags);
    b->dme.WriteU8(dme_block::kShowFollowingLength, c.length);
    EXPECT_EQ(CodeHintItem(b->dme), c.item) << int{c.length};
  }
}

TEST(ImeOptionsPageTest, WordDisplayItems) {
  const std::uint8_t stored[] = {100, 1, 2, 3, 4, 5};
  for (int item = 0; item < kWordDisplayItems; ++item) {
    Blocks b;
    SetWordDisplayItem(b->dme, item);
    EXPECT_EQ(U8(b->dme, dme_block::kShowTableWordLength), stored[item]);
    EXPECT_EQ(WordDisplayItem(b->dme), item);
  }
  // What the engine does with the stored length: 0 lists words from the first code as 1 does.
  const struct {
    std::uint8_t stored;
    int item;
  } read[] = {{0, 1}, {7, 0}};
  for (const auto& r : read) {
    Blocks b;
    b->dme.WriteU8(dme_block::kShowTableWordLength, r.stored);
    EXPECT_EQ(WordDisplayItem(b->dme), r.item) << int{r.stored};
  }
}

TEST(ImeOptionsPageTest, FrequencyItemsKeepThePageSize) {
  const std::uint32_t bits[] = {1, 2, 0};
  for (int item = 0; item < kFrequencyItems; ++item) {
    Blocks b;
    b->ime.WriteU32(ime_block::kCandidateOptions, 0x50000003u);
    SetFrequencyItem(b->ime, item);
    EXPECT_EQ(U32(b->ime, ime_block::kCandidateOptions), 0x50000000u | bits[item]);
    EXPECT_EQ(FrequencyItem(b->ime), item);
  }
}

TEST(ImeOptionsPageTest, InitialStateOffThenOnGivesChinesePunctuationHalfWidthOpen) {
  Blocks b;
  b->ime.WriteU32(ime_block::kInitialState, 0x108);
  b->ime.WriteU32(ime_block::kBehaviourFlags, 0x100 | 0x2);
  SetInitialStateDefined(b->ime, false);
  EXPECT_EQ(U32(b->ime, ime_block::kInitialState), 0u);
  EXPECT_EQ(U32(b->ime, ime_block::kBehaviourFlags), 0x2u);
  EXPECT_FALSE(InitialStateDefined(b->ime));
  SetInitialStateDefined(b->ime, true);
  EXPECT_EQ(U32(b->ime, ime_block::kInitialState), 0x401u);
  EXPECT_EQ(U32(b->ime, ime_block::kBehaviourFlags), 0x102u);
  const InitialStateChoice choice = ReadInitialState(b->ime);
  EXPECT_TRUE(choice.open);
  EXPECT_TRUE(choice.chinese_punctuation);
  EXPECT_FALSE(choice.full_width);
}

TEST(ImeOptionsPageTest, SwitchingOnKeepsAStoredState) {
  Blocks b;
  b->ime.WriteU32(ime_block::kInitialState, 0x108);
  SetInitialStateDefined(b->ime, true);
  EXPECT_EQ(U32(b->ime, ime_block::kInitialState), 0x108u);
  const InitialStateChoice choice = ReadInitialState(b->ime);
  EXPECT_FALSE(choice.open);
  EXPECT_FALSE(choice.chinese_punctuation);
  EXPECT_TRUE(choice.full_width);
  SetInitialStateBit(b->ime, ime_block::kStateClosed, false);
  SetInitialStateBit(b->ime, ime_block::kStateChinesePunctuation, true);
  EXPECT_EQ(U32(b->ime, ime_block::kInitialState), 0x408u);
}

// ---- page 2 ----

TEST(CodeOptionsPageTest, LengthTexts) {
  const struct {
    std::u16string text;
    std::uint8_t stored;
  } cases[] = {{u"3", 3}, {u"0", 0}, {u"255", 255}, {u"300", 255}, {u"99999999999", 255},
               {u"", 0},  {u"x", 0}, {u"12x", 12},  {u"-4", 0}};
  for (const auto& c : cases) EXPECT_EQ(LengthFromText(c.text), c.stored) << std::string(c.text.begin(), c.text.end());
}

TEST(CodeOptionsPageTest, KeyCharacters) {
  const struct {
    std::u16string typed;
    std::uint8_t stored;
    std::u16string shown;
  } cases[] = {
      {u"z", 'z', u"z"},          {u"~", '~', u"~"},        {u"＊", 0x0A, u"＊"}, {u"９", 0x19, u"９"},
      {u"Ａ", 0, u""},             {u"", 0, u""},            {u"；", 0, u""},      {u"，", 0, u""},
      {u"ab", 'a', u"a"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KeyFromText(c.typed), c.stored);
    EXPECT_EQ(KeyText(KeyFromText(c.typed)), c.shown);
  }
  EXPECT_EQ(KeyText(200), u"");
}

TEST(CodeOptionsPageTest, FormRoundTripsThroughTheBlock) {
  Blocks b;
  CodeOptionsForm form;
  form.lengths[0] = u"4";
  form.lengths[1] = u"300";
  form.lengths[2] = u"abc";
  form.lengths[3] = u"2";
  form.lengths[4] = u"1";
  form.full_code_auto_commit = true;
  form.simplest_mode = true;
  form.first_key_repeat = true;
  form.keys[0] = u"＊";
  form.keys[1] = u"Ａ";
  form.keys[2] = u"`";
  form.keys[3] = u"";
  form.commit_lead_keys = u"＋－;";
  form.code_end_keys = u"／";
  WriteCodeOptions(b->dme, form);

  EXPECT_EQ(U8(b->dme, dme_block::kUniqueAutoCommitLength), 4);
  EXPECT_EQ(U8(b->dme, dme_block::kEmptyCodeCommitLength), 255);
  EXPECT_EQ(U8(b->dme, dme_block::kEmptyCodeClearLength), 0);
  EXPECT_EQ(U32(b->dme, dme_block::kQueryFlags), 0x100u | 0x400u | 0x20u);
  EXPECT_EQ(U8(b->dme, dme_block::kWildcardKey), 0x0A);
  EXPECT_EQ(U8(b->dme, dme_block::kEnglishLeadKey), 0);
  EXPECT_EQ(U8(b->dme, dme_block::kAuxiliaryLeadKey), '`');
  EXPECT_EQ(U8(b->dme, dme_block::kKeyClasses + 0x0B) & dme_block::kCommitLeadKey, dme_block::kCommitLeadKey);

  const CodeOptionsForm shown = ReadCodeOptions(b->dme);
  EXPECT_EQ(shown.lengths[1], u"255");
  EXPECT_EQ(shown.lengths[2], u"0");
  EXPECT_EQ(shown.keys[0], u"＊");
  EXPECT_EQ(shown.keys[1], u"");
  EXPECT_EQ(shown.commit_lead_keys, u"＋－;");
  EXPECT_EQ(shown.code_end_keys, u"／");
  EXPECT_TRUE(shown.full_code_auto_commit);
  EXPECT_FALSE(shown.full_code_push);
  // The settings text shows the same keys as the page.
  char16_t text[kSettingsTextCapacity];
  WriteDmeSettingsText(text, b->dme, kSettingsTextCapacity);
  EXPECT_NE(std::u16string_view(text).find(u"上屏引导键=＋－;\r\n"), std::u16string_view::npos);
}

// ---- page 3 ----

TEST(DisplayPageTest, ListItemsOfLayoutPlacementAndPageSize) {
  const std::uint32_t layout_bits[] = {0x8, 0, 0x10};
  const std::uint32_t placement_bits[] = {0, 0x80, 0x40};
  for (int item = 0; item < 3; ++item) {
    Blocks b;
    b->skin.WriteU32(skin_block::kFlags, 0x18 | 0x1);
    b->ime.WriteU32(ime_block::kImeFlags, 0xC0 | 0x2);
    SetCandidateLayoutItem(b->skin, item);
    SetPlacementItem(b->ime, item);
    EXPECT_EQ(U32(b->skin, skin_block::kFlags), 0x1 | layout_bits[item]);
    EXPECT_EQ(U32(b->ime, ime_block::kImeFlags), 0x2 | placement_bits[item]);
    EXPECT_EQ(CandidateLayoutItem(b->skin), item);
    EXPECT_EQ(PlacementItem(b->ime), item);
  }
  Blocks b;
  b->ime.WriteU32(ime_block::kCandidateOptions, 0x2);
  EXPECT_EQ(PageSizeItem(b->ime), 0);
  SetPageSizeItem(b->ime, 9);
  EXPECT_EQ(U32(b->ime, ime_block::kCandidateOptions), 0xA0000002u);
  EXPECT_EQ(PageSizeItem(b->ime), 9);
}

TEST(DisplayPageTest, SkinNamesKeepTheirTerminator) {
  Blocks b;
  const std::u16string long_name(63, u'n');
  b->skin.WriteU16(skin_block::kSkinName + 39 * 2, 0x4141);
  WriteSkinNames(b->skin, long_name);
  for (std::uint32_t field : {skin_block::kSkinName, skin_block::kLastLoadedSkinName}) {
    EXPECT_EQ(ReadFieldText(b->skin, field, 40), std::u16string(39, u'n'));
    std::uint16_t last = 1;
    b->skin.ReadU16(field + 39 * 2, last);
    EXPECT_EQ(last, 0);
  }
  // What lies after the two fields is untouched.
  EXPECT_EQ(U32(b->skin, skin_block::kLastLoadedSkinName + 80), 0u);
}

TEST(DisplayPageTest, ConfiguredSkinIsFoundByPackageName) {
  Blocks b;
  const std::vector<std::u16string> names = {u"aa.col", u"bb.col"};
  WriteFieldText(b->skin, skin_block::kSkinName, 40, u"bb.col");
  EXPECT_EQ(ConfiguredSkinIndex(names, b->skin), 1);
  WriteFieldText(b->skin, skin_block::kSkinName, 40, u"BB.COL");
  EXPECT_EQ(ConfiguredSkinIndex(names, b->skin), 1);
  WriteFieldText(b->skin, skin_block::kSkinName, 40, u"cc.col");
  EXPECT_EQ(ConfiguredSkinIndex(names, b->skin), -1);
}

TEST(DisplayPageTest, SizeItems) {
  const struct {
    std::int32_t size;
    int item;
  } cases[] = {{12, 0}, {13, 1}, {14, 1}, {20, 4}, {21, 5}, {40, 9}, {41, 0}, {0, 0}, {-16, 2}, {-100, 0}};
  for (const auto& c : cases) EXPECT_EQ(SizeItem(c.size), c.item) << c.size;
  EXPECT_EQ(SizeItemText(0), u"12 px");
  EXPECT_EQ(SizeItemText(9), u"40 px");
}

TEST(DisplayPageTest, FontFamilies) {
  const std::vector<std::u16string> families =
      FontFamilyList({u"宋体", u"@宋体", u"Arial", u"Arial", u"Tahoma", std::u16string(40, u'x'), u""});
  const std::vector<std::u16string> expected = {u"Arial", u"Tahoma", std::u16string(31, u'x'), u"宋体"};
  EXPECT_EQ(families, expected);
  EXPECT_EQ(FontNameItem(families, u"Tah"), 1);
  EXPECT_EQ(FontNameItem(families, u"Courier"), 0);
  EXPECT_EQ(FontNameItem(families, u"宋体"), 3);
}

TextStyle StyleWithFonts() {
  TextStyle style{};
  std::u16string_view code = u"CodeFace", candidate = u"CandFace";
  std::copy(code.begin(), code.end(), style.code_font.name);
  std::copy(candidate.begin(), candidate.end(), style.candidate_font.name);
  style.code_font.size = 13;
  style.candidate_font.size = 41;
  return style;
}

TEST(DisplayPageTest, OwnFontsCopyTheSkinsFontsIntoAnEmptyBlock) {
  Blocks b;
  const TextStyle style = StyleWithFonts();
  FontChoice shown = ShownFonts(b->skin, style);
  EXPECT_FALSE(shown.enabled);
  EXPECT_EQ(shown.code_name, u"CodeFace");
  EXPECT_EQ(shown.candidate_size, 41);

  SetOwnFonts(b->skin, true, style);
  EXPECT_EQ(U32(b->skin, skin_block::kFlags), skin_block::kOwnFonts);
  shown = ShownFonts(b->skin, style);
  EXPECT_TRUE(shown.enabled);
  EXPECT_EQ(shown.code_name, u"CodeFace");
  EXPECT_EQ(shown.code_size, 13);
  EXPECT_EQ(shown.candidate_name, u"CandFace");
  EXPECT_EQ(shown.candidate_size, 41);

  // Names of its own stay when switched off and on again.
  SetFontName(b->skin, true, u"Mine");
  SetFontSize(b->skin, false, 24);
  SetOwnFonts(b->skin, false, style);
  EXPECT_FALSE(ShownFonts(b->skin, style).enabled);
  SetOwnFonts(b->skin, true, style);
  shown = ShownFonts(b->skin, style);
  EXPECT_EQ(shown.code_name, u"Mine");
  EXPECT_EQ(shown.candidate_size, 24);
}

TEST(DisplayPageTest, PreviewPath) {
  EXPECT_EQ(PreviewImagePath(u"C:\\s\\rezuvorir\\blue.col"), u"C:\\s\\rezuvorir\\blue.png");
  EXPECT_EQ(PreviewImagePath(u"C:\\a.b\\blue"), u"C:\\a.b\\blue.png");
  EXPECT_EQ(PreviewImagePath(u"x.y.col"), u"x.y.png");
}

TEST(DisplayPageTest, BlendOnWhite) {
  const struct {
    std::uint8_t value, alpha, drawn;
  } cases[] = {{0, 255, 0}, {100, 255, 100}, {0, 0, 0}, {77, 0, 77}, {0, 128, 127}, {200, 1, 255}, {255, 128, 255}};
  for (const auto& c : cases) EXPECT_EQ(BlendOnWhite(c.value, c.alpha), c.drawn) << int{c.value} << "," << int{c.alpha};
  EXPECT_EQ(CentredOffset(100, 40), 30);
  EXPECT_EQ(CentredOffset(40, 100), 0);
}

// ---- page 4 ----

TEST(SkinOptionsPageTest, PathDisplay) {
  const struct {
    std::u16string setting, shown;
  } cases[] = {{u"C:\\s", u"C:\\s"}, {u"\\s", u"D:\\base\\s"}, {u"s", u"D:\\base\\s"}, {u"", u""}};
  for (const auto& c : cases) EXPECT_EQ(SkinPathDisplay(u"D:\\base", c.setting), c.shown);
}

TEST(SkinOptionsPageTest, DefaultSkinList) {
  test::TempFolder temp;
  for (const char* name : {"bb.col", "CC.COL", "x.txt", "a.col"}) test::WriteFileBytes(temp.path() / name, {1});
  std::filesystem::create_directories(temp.path() / "dir.col");
  DefaultSkinList list = ListDefaultSkins(temp.path().u16string());
  EXPECT_TRUE(list.enabled);
  EXPECT_EQ(list.entries, (std::vector<std::u16string>{u"bb.col", u"CC.COL"}));

  for (const std::u16string& path : {(temp.path() / "bb.col").u16string(), std::u16string(),
                                     (temp.path() / "missing").u16string()}) {
    list = ListDefaultSkins(path);
    EXPECT_FALSE(list.enabled);
    EXPECT_EQ(list.entries, (std::vector<std::u16string>{u"内置皮肤"}));
  }
}

TEST(SkinOptionsPageTest, VerticalCodes) {
  const struct {
    std::u16string typed;
    std::vector<std::u16string> stored;
  } cases[] = {
      {u"abcdef，xy", {u"abcd", u"xy"}},
      {u"zx，zy，", {u"zx", u"zy"}},
      {u"a,b", {u"a,b"}},
      {u"", {}},
      {u"a，b，c，d，e，f，g，h，i，j，k，l，m，n，o，p，q",
       {u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h", u"i", u"j", u"k", u"l", u"m", u"n", u"o", u"p"}},
  };
  for (const auto& c : cases) {
    Blocks b;
    WriteFieldText(b->skin, skin_block::VerticalPrefixOffset(5), 5, u"old");
    b->skin.WriteU32(skin_block::kVerticalPrefixCount, 6);
    WriteVerticalCodes(b->skin, c.typed);
    ASSERT_EQ(U32(b->skin, skin_block::kVerticalPrefixCount), c.stored.size());
    for (std::size_t i = 0; i < c.stored.size(); ++i) {
      EXPECT_EQ(ReadFieldText(b->skin, skin_block::VerticalPrefixOffset(static_cast<std::uint32_t>(i)), 5),
                c.stored[i]);
    }
    if (c.stored.size() <= 5) {
      EXPECT_EQ(ReadFieldText(b->skin, skin_block::VerticalPrefixOffset(5), 5), u"");
    }
    std::u16string shown;
    for (const std::u16string& s : c.stored) shown += s + u"，";
    EXPECT_EQ(VerticalCodesText(b->skin), shown);
  }
}

TEST(SkinOptionsPageTest, FormRoundTripsThroughTheBlocks) {
  const struct {
    int embedding, cursor;
    std::uint32_t ime_bits, skin_bits;
  } cases[] = {{0, 0, 0x1000, 0x100}, {1, 1, 0x2000, 0x200}, {2, 2, 0, 0}};
  for (const auto& c : cases) {
    Blocks b;
    b->ime.WriteU32(ime_block::kImeFlags, 0x3000 | 0x4);
    b->skin.WriteU32(skin_block::kFlags, 0x300 | 0x2000);
    SkinOptionsForm form;
    form.default_skin = u"bb.col";
    form.show_numbers = true;
    form.show_buttons = true;
    form.hide_status = true;
    form.layout = 2;
    form.placement = 1;
    form.embedding = c.embedding;
    form.cursor = c.cursor;
    form.vertical_codes = u"zz，";
    WriteSkinOptions(*b, form);
    EXPECT_EQ(U32(b->ime, ime_block::kImeFlags), 0x4 | 0x100 | 0x80 | c.ime_bits);
    EXPECT_EQ(U32(b->skin, skin_block::kFlags), 0x2000 | 0x1 | 0x4 | 0x10 | c.skin_bits);
    EXPECT_EQ(ReadFieldText(b->skin, skin_block::kLastLoadedSkinName, 40), u"bb.col");
    const SkinOptionsForm shown = ReadSkinOptions(*b);
    EXPECT_EQ(shown.default_skin, u"bb.col");
    EXPECT_EQ(shown.embedding, c.embedding);
    EXPECT_EQ(shown.cursor, c.cursor);
    EXPECT_EQ(shown.layout, 2);
    EXPECT_EQ(shown.placement, 1);
    EXPECT_TRUE(shown.hide_status);
    EXPECT_FALSE(shown.show_code_hints);
    EXPECT_EQ(shown.vertical_codes, u"zz，");
  }
}

}  // namespace
}  // namespace lz::settings_pages
