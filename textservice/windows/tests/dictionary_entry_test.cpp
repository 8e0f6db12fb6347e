// The dictionary window's decisions: which word a candidate is looked up by, which part of the entry
// shows, where the window goes beside the candidate window, and what the link hands to the configuration
// program.
#include "textservice/windows/dictionary_entry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "textservice/engine/table_builder.h"

namespace lz {
namespace {

struct WordCase {
  const char* name;
  std::u16string output;
  std::u16string display;
  std::u16string word;     // the word chosen
  std::u16string letters;  // what the second look-up uses
};

TEST(DictionaryWord, ComesFromTheOutputUnlessItIsACommand) {
  const WordCase cases[] = {
      {"a plain word", u"中国", u"中国", u"中国", u"中国"},
      {"a run( output looks up the display text", u"run(notepad.exe)", u"记事本", u"记事本", u"记事本"},
      {"help(", u"help(1,2,3)", u"帮助", u"帮助", u"帮助"},
      {"set(", u"set(x=1)", u"设置", u"设置", u"设置"},
      {"conv", u"convert(x)", u"转换", u"转换", u"转换"},
      {"skbd", u"skbd(1)", u"软键盘", u"软键盘", u"软键盘"},
      {"config(", u"config(/do x)", u"配置", u"配置", u"配置"},
      {"keyboard( anywhere", u"x keyboard(a)", u"键", u"键", u"键"},
      {"newkey( anywhere", u"abc newkey(q)", u"新", u"新", u"新"},
      {"an empty output", u"", u"显示", u"显示", u"显示"},
      {"digits and punctuation look up the input method's name", u"123,.!", u"123,.!", u"123,.!", u"蓝卓输入法"},
      {"mixed text keeps A-Z, a-z and U+00FF upwards", u"a1-B\u00FE\u00FF中。", u"", u"a1-B\u00FE\u00FF中。",
       u"aB\u00FF中。"},
      {"at most 128 characters", std::u16string(130, u'x'), u"", std::u16string(128, u'x'), std::u16string(128, u'x')},
  };
  for (const WordCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::u16string word = ChooseDictionaryWord(c.output, c.display);
    EXPECT_EQ(word, c.word);
    EXPECT_EQ(DictionaryLetters(word), c.letters);
  }
}

TEST(DictionaryBrief, EndsAtTheFirstSeparatorLine) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"zhong1 middle\r\n \r\nmore\r\n -\r\nrest", u"zhong1 middle"},
      {u"zhong1\r\nline two\r\n -\r\nrest \r\n \r\n", u"zhong1\r\nline two\r\n -\r\nrest "},
      {u"first\r\n -\r\nrest", u"first"},
      {u"neither separator\r\nsecond line", u"neither separator\r\nsecond line"},
      {u"", u""},
  };
  for (const auto& [entry, brief] : cases) EXPECT_EQ(DictionaryBrief(entry), brief);
}

// A dict.dms of two entries, looked up as the window does.
TEST(DictionaryEntry, LooksUpTheWordThenItsLetters) {
  std::vector<std::uint8_t> bytes;
  TableBuildOptions options;
  ASSERT_TRUE(BuildDictionaryTable({{"\xE4\xB8\xAD", "zhong1"},                                   // 中
                                    {"\xE8\x93\x9D\xE5\x8D\x93\xE8\xBE\x93\xE5\x85\xA5\xE6\xB3\x95",  // 蓝卓输入法
                                     std::string(600, 'n')}},
                                   options, bytes));
  test::TempFolder folder;
  test::WriteFileBytes(folder.path() / "dict.dms", bytes);
  MappedFile* table = nullptr;
  ASSERT_GT(OpenMappedFile(folder.File("dict.dms").c_str(), &table), 0);
  struct Case {
    std::u16string output, display;
    bool found;
    std::u16string word, text;
  };
  const Case cases[] = {
      {u"中", u"中", true, u"中", u"zhong1"},
      {u"run(x)", u"中", true, u"中", u"zhong1"},
      {u"1中2", u"", true, u"中", u"zhong1"},
      {u"123", u"", true, u"蓝卓输入法", std::u16string(512, u'n')},
      {u"国", u"", false, u"国", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.word.begin(), c.word.end()));
    const DictionaryEntry entry = LookUpDictionaryEntry(table, c.output, c.display);
    EXPECT_EQ(entry.found, c.found);
    EXPECT_EQ(entry.word, c.word);
    EXPECT_EQ(entry.text, c.text);
  }
  CloseMappedFile(table);
  EXPECT_FALSE(LookUpDictionaryEntry(nullptr, u"中", u"中").found);
}

struct PlaceCase {
  const char* name;
  CandidateStyle style;
  WindowBox candidate;
  DictionaryPlace expected;
};

// Work area 1000 x 800; the hovered candidate's region at (30, 40) in the window; the dictionary 200 x 100.
TEST(DictionaryPlace, BesideTheCandidateWindowOnTheSideWithRoom) {
  const PlaceCase cases[] = {
      {"horizontal, window above half: below it", CandidateStyle::kHorizontal, {100, 200, 300, 50}, {120, 255}},
      {"horizontal, window bottom at half: above it", CandidateStyle::kHorizontal, {100, 350, 300, 50}, {120, 245}},
      {"horizontal, low window: above it", CandidateStyle::kHorizontal, {100, 600, 300, 50}, {120, 495}},
      {"left-vertical follows the horizontal rule", CandidateStyle::kLeftVertical, {100, 100, 50, 200}, {120, 305}},
      {"left-vertical low: above", CandidateStyle::kLeftVertical, {100, 500, 50, 200}, {120, 395}},
      {"vertical, room on the right", CandidateStyle::kVertical, {100, 200, 100, 300}, {205, 230}},
      {"vertical, right edge at four fifths: left of it", CandidateStyle::kVertical, {700, 200, 100, 300}, {495, 230}},
      {"vertical, far right: left of it", CandidateStyle::kVertical, {850, 200, 100, 300}, {645, 230}},
  };
  for (const PlaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    DictionaryPlacementInput in;
    in.style = c.style;
    in.candidate = c.candidate;
    in.region_x = 30;
    in.region_y = 40;
    in.width = 200;
    in.height = 100;
    in.work = os::Rect{0, 0, 1000, 800};
    EXPECT_EQ(PlaceDictionaryWindow(in), c.expected);
  }
}

TEST(DictionaryLink, TheWordLosesItsQuotesAndIsCut) {
  const std::u16string id = u"{3D1E5C7A-1042-4B0F-9A61-2EC35807B4E9}";
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"中国", u"/n " + id + u" /dict '中国'"},
      {u"it's", u"/n " + id + u" /dict 'its'"},
      {u"a\"b' /showurl x", u"/n " + id + u" /dict 'ab /showurl x'"},
      {std::u16string(128, u'w'), u"/n " + id + u" /dict '" + std::u16string(127, u'w') + u"'"},
      {u"'" + std::u16string(127, u'w') + u"'", u"/n " + id + u" /dict '" + std::u16string(127, u'w') + u"'"},
  };
  for (const auto& [word, parameters] : cases) EXPECT_EQ(DictionaryLinkParameters(id, word), parameters);
}

}  // namespace
}  // namespace lz
