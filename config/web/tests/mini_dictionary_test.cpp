// 微型词典's decisions on a dict.dms and a main.dmg made in code: the entries a word lists, the full
// search, explanations, the codes line, the history, the look-up addresses and handed-over words.
#include "config/web/mini_dictionary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/code_table_builder.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/code_table_format.h"

namespace lz::config {
namespace {

using test::RecordFlags;

const std::vector<DictionaryBuildRecord> kEntries = {
    {"中国人", "中国的人"}, {"中", "zhōng 中间"}, {"中国", "国家"},     {"中", "zhòng 击中"},
    {"中间", "当中"},       {"国", "guó"},       {"人民", "百姓"},     {"人民币", "货币"},
    {"ab", "letters"},      {"xaby", "x"},       {"中华人民", "中华"}, {"a&b", "and"},
};

class MiniDictionaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<std::uint8_t> bytes;
    TableBuildOptions options;
    ASSERT_TRUE(BuildDictionaryTable(kEntries, options, bytes));
    test::WriteFileBytes(folder_.path() / "dict.dms", bytes);
    test::TableOptions main_options;
    main_options.type = code_table::kTypeIndexed;
    test::WriteFileBytes(folder_.path() / "main.dmg",
                         test::BuildCodeTable({{"khk", "中", RecordFlags(1, 1)},
                                               {"k", "中", RecordFlags(1, 2)},
                                               {"kh", "中", RecordFlags(1, 3)},
                                               {"kl", "中国", RecordFlags(1, 4)},
                                               {"l", "国", RecordFlags(1, 5)}},
                                              main_options));
    ASSERT_GT(OpenMappedFile(folder_.File("dict.dms").c_str(), &dict_), 0);
    ASSERT_GT(OpenMappedFile(folder_.File("main.dmg").c_str(), &main_), 0);
  }
  void TearDown() override {
    if (dict_) CloseMappedFile(dict_);
    if (main_) CloseMappedFile(main_);
  }
  std::vector<std::u16string> Keys(const std::vector<std::uint32_t>& offsets) const {
    std::vector<std::u16string> keys;
    for (const std::uint32_t offset : offsets) keys.push_back(DictionaryKeyText(dict_, offset));
    return keys;
  }

  test::TempFolder folder_;
  MappedFile* dict_ = nullptr;
  MappedFile* main_ = nullptr;
};

TEST_F(MiniDictionaryTest, AWordListsItselfThenLongerKeysThatBeginWithIt) {
  struct Case {
    std::u16string word;
    std::vector<std::u16string> keys;
  };
  const std::vector<Case> cases = {
      {u"中", {u"中", u"中", u"中国", u"中间", u"中国人", u"中华人民"}},
      {u"中国", {u"中国", u"中国人"}},
      {u"国", {u"国"}},
      {u"人民", {u"人民", u"人民币"}},
      // A mere beginning of keys, no key itself.
      {u"人", {}},
      {u"a", {}},
      {u"", {}},
      {u"不在", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Keys(CollectDictionaryPrefix(dict_, c.word)), c.keys) << std::string(c.word.begin(), c.word.end());
  }
  // Equal keys keep their place in the file.
  const auto both = CollectDictionaryPrefix(dict_, u"中");
  ASSERT_GE(both.size(), 2u);
  EXPECT_LT(both[0], both[1]);
}

TEST_F(MiniDictionaryTest, TheFullSearchFindsKeysHoldingTheTextWithoutItsBlanks) {
  struct Case {
    std::u16string text;
    std::vector<std::u16string> keys;
  };
  const std::vector<Case> cases = {
      {u"人", {u"人民", u"中国人", u"人民币", u"中华人民"}},
      {u"a b", {u"ab", u"xaby"}},
      {u"ab", {u"ab", u"xaby"}},
      {u"   ", {}},
      {u"", {}},
      {u"zz", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Keys(SearchWholeDictionary(dict_, c.text)), c.keys) << std::string(c.text.begin(), c.text.end());
  }
}

TEST(MiniDictionaryKeysTest, ShorterKeysComeFirstThenBytes) {
  struct Case {
    const char* a;
    const char* b;
    int order;
  };
  const std::vector<Case> cases = {
      {"b", "aa", -1}, {"aa", "b", 1}, {"ab", "ab", 0}, {"ab", "ac", -1}, {"\xE4\xB8\xAD", "abc", 1}, {"", "a", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompareDictKeys(reinterpret_cast<const std::uint8_t*>(c.a), reinterpret_cast<const std::uint8_t*>(c.b)),
              c.order)
        << c.a << " " << c.b;
  }
}

TEST_F(MiniDictionaryTest, ExplanationsComeInFileOrderOrSayTheWordIsMissing) {
  EXPECT_EQ(ExplanationText(dict_, u"中"), u"zhōng 中间\r\nzhòng 击中\r\n");
  EXPECT_EQ(ExplanationText(dict_, u"国"), u"guó\r\n");
  EXPECT_EQ(ExplanationText(dict_, u"人"), u"词典中尚未收录该词条.");
  EXPECT_EQ(ExplanationText(dict_, u""), u"词典中尚未收录该词条.");
  EXPECT_EQ(ExplanationText(nullptr, u"中"), u"词典中尚未收录该词条.");
}

TEST_F(MiniDictionaryTest, TheCodesLineListsTheWordsCodesInTableOrder) {
  EXPECT_EQ(CodesLine(main_, u"中"), u"编码:  k kh khk");
  EXPECT_EQ(CodesLine(main_, u"中国"), u"编码:  kl");
  EXPECT_EQ(CodesLine(main_, u"人民"), u"未能找到 人民 的编码");
  EXPECT_EQ(CodesLine(main_, u""), u"未能找到  的编码");
  EXPECT_EQ(CodesLine(nullptr, u"中"), u"未能找到 中 的编码");
}

TEST_F(MiniDictionaryTest, ARecordOutsideTheViewShowsNoKey) {
  EXPECT_EQ(DictionaryKeyText(dict_, static_cast<std::uint32_t>(dict_->size) - 2), u"");
  EXPECT_EQ(DictionaryKeyText(dict_, 0xFFFFFFF0u), u"");
  EXPECT_EQ(DictionaryKeyText(nullptr, 0), u"");
}

std::vector<std::u16string> Words(std::initializer_list<const char16_t*> words) {
  return {words.begin(), words.end()};
}

TEST(DictionaryHistoryTest, RecordsSearchesAndMovesBackAndForward) {
  DictionaryHistory history;
  history.Searched(u"");
  EXPECT_TRUE(history.words().empty());
  EXPECT_EQ(history.position(), 0u);

  history.Searched(u"中");
  history.Searched(u"中");
  EXPECT_EQ(history.words(), Words({u"中"}));
  EXPECT_FALSE(history.CanGoBack());

  history.Searched(u"国");
  history.Searched(u"人");
  EXPECT_EQ(history.position(), 3u);
  EXPECT_TRUE(history.CanGoBack());
  EXPECT_FALSE(history.CanGoForward());

  EXPECT_EQ(history.Back(), u"国");
  history.Searched(u"国");  // the search the move runs is not recorded
  EXPECT_EQ(history.Back(), u"中");
  history.Searched(u"中");
  EXPECT_FALSE(history.Back().has_value());
  EXPECT_TRUE(history.CanGoForward());
  EXPECT_EQ(history.Forward(), u"国");
  history.Searched(u"国");
  EXPECT_EQ(history.words(), Words({u"中", u"国", u"人"}));

  // A new search after going back drops what lay ahead.
  history.Searched(u"民");
  EXPECT_EQ(history.words(), Words({u"中", u"国", u"民"}));
  EXPECT_EQ(history.position(), 3u);
  EXPECT_FALSE(history.CanGoForward());
}

TEST(DictionaryHistoryTest, HoldsThirtyThreeWordsAndDropsTheOldestForTheThirtyFourth) {
  DictionaryHistory history;
  for (int i = 1; i <= 33; ++i) history.Searched(u"w" + std::u16string(1, static_cast<char16_t>(u'A' + i)));
  ASSERT_EQ(history.words().size(), 33u);
  EXPECT_EQ(history.position(), 33u);
  EXPECT_EQ(history.words().front(), u"wB");
  history.Searched(u"new");
  ASSERT_EQ(history.words().size(), 33u);
  EXPECT_EQ(history.words().front(), u"wC");
  EXPECT_EQ(history.words().back(), u"new");
  EXPECT_EQ(history.position(), 33u);
}

TEST(LookupAddressTest, TheWordIsOneQueryValueInEachSitesAddress) {
  struct Case {
    int command;
    std::u16string word;
    std::u16string address;
  };
  const std::vector<Case> cases = {
      {kLookupHandian, u"中", u"http://www.zdic.net/search/?q=%E4%B8%AD"},
      {kLookupCiba, u"中 国", u"http://www.iciba.com/%E4%B8%AD%20%E5%9B%BD"},
      {kLookupGoogle, u"a&b", u"https://www.google.com/search?newwindow=1&source=hp&q=a%26b"},
      {kLookupBaidu, u"C++", u"http://www.baidu.com/s?wd=C%2B%2B"},
      {kLookupBaidu, u"#1", u"http://www.baidu.com/s?wd=%231"},
      {kLookupGoogle, u"50%", u"https://www.google.com/search?newwindow=1&source=hp&q=50%25"},
      {kLookupHandian, u"a-b.c_d~e", u"http://www.zdic.net/search/?q=a-b.c_d~e"},
      {kLookupBaidu, u"é𠀀", u"http://www.baidu.com/s?wd=%C3%A9%F0%A0%80%80"},
      {kLookupCiba, u"", u"http://www.iciba.com/"},
      {33059, u"中", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LookupAddress(c.command, c.word), c.address) << c.command;
  }
  // A long word is cut with the address at 511 characters, never in the middle of an escape's bytes.
  const std::u16string long_address = LookupAddress(kLookupBaidu, std::u16string(200, u'中'));
  EXPECT_LE(long_address.size(), 511u);
  EXPECT_EQ(long_address.rfind(u"http://www.baidu.com/s?wd=%E4%B8%AD", 0), 0u);
}

TEST(HandedWordTest, OnlyAWellFormedBlockHandsAWord) {
  struct Case {
    const char* name;
    std::uintptr_t kind;
    std::u16string data;  // the block's units
    std::uint32_t bytes;
    std::optional<std::u16string> word;
  };
  std::u16string sent(128, u'\0');
  std::u16string(u"中国").copy(sent.data(), 2);
  const std::u16string no_zero(128, u'字');
  const std::u16string long_word(300, u'a');
  const std::vector<Case> cases = {
      {"as sent", 0, sent, 256, u"中国"},
      {"kind 1", 1, sent, 256, std::nullopt},
      {"no bytes", 0, sent, 0, std::nullopt},
      {"one byte", 0, sent, 1, std::nullopt},
      {"odd: whole units only", 0, u"abcdef", 7, u"abc"},
      {"256 bytes without zero", 0, no_zero, 256, std::u16string(127, u'字')},
      {"a 300-character word", 0, long_word, 600, std::u16string(127, u'a')},
      {"an empty word", 0, std::u16string(4, u'\0'), 8, u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadHandedWord(c.kind, c.bytes, c.data.data()), c.word) << c.name;
  }
  EXPECT_EQ(ReadHandedWord(0, 256, nullptr), std::nullopt);
}

}  // namespace
}  // namespace lz::config
