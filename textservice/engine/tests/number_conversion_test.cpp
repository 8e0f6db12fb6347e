#include "textservice/engine/number_conversion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/installed_engine.h"
#include "textservice/engine/candidate_list.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/query.h"
#include "textservice/engine/text_encoding.h"

namespace lz {
namespace {

using test::RecordFlags;

std::string Utf8(const char16_t* text) {
  std::uint8_t buffer[kTableStringBufferBytes * 2];
  const int n = WideToUtf8(text, buffer, sizeof buffer);
  return std::string(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
}

struct Outcome {
  int result;
  std::vector<std::string> listed;
  bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
  out << "result " << o.result << " [";
  for (const auto& s : o.listed) out << s << " ";
  return out << "]";
}

// Types the keys after the lead key ";" one by one, querying after each, and reports the last query with
// every candidate it listed.
Outcome TypeAfterLeadKey(const std::string& keys, std::uint32_t page_size = 10) {
  test::DataFolderContents contents;
  contents.main = {{"a", "A", RecordFlags(code_table::kClassSystem, 0)}};
  contents.engl = std::vector<test::TableRecord>{{"cataclysm", "cataclysm", 0}, {"cat", "cat", 0}, {"catch", "catch", 0},
                                                 {"cats", "cats", 0},           {"hello", "hello", 0}, {"help", "help", 0}};
  contents.edit_blocks = [page_size](ConfigBlocks& b) {
    b.ime.WriteU32(ime_block::kImeFlags, ime_block::kSchemeMain);
    b.ime.WriteU32(ime_block::kCandidateOptions, page_size << ime_block::kPageSizeShift);
    b.dme.WriteU8(dme_block::kEnglishLeadKey, ';');
  };
  test::InstalledEngine engine(contents);
  EngineInstance* e = engine.get();
  int result = 0;
  for (char k : ";" + keys) {
    if (e->key_count >= kMaxInputKeys) break;
    e->keys[e->key_count++] = static_cast<char16_t>(k);
    e->cursor = e->key_count;
    result = QueryCandidates(e);
  }
  Outcome o{result, {}};
  for (int i = 0; i < e->candidate_count; ++i) {
    char16_t text[kPageTextUnits];
    CandidateText(e->candidates[i], e, text);
    o.listed.push_back(Utf8(text));
  }
  return o;
}

TEST(NumberConversion, ReadingsOfTheDigits) {
  struct Case {
    const char* keys;
    Outcome expected;
  };
  const Case cases[] = {
      {"1234",
       {2,
        {"一千二百三十四", "壹仟贰佰叁拾肆元整", "一二三四", "壹贰叁肆", "1,234", "①②③④", "ⅠⅡⅢⅣ", "㈠㈡㈢㈣",
         "⒈⒉⒊⒋"}}},
      {"2016.11.22", {2, {"二〇一六年十一月二十二日", "2016年11月22日"}}},
      {"12.5", {2, {"十二点五", "壹拾贰元伍角整", "十二月五日", "12月5日", "12.5"}}},
      {"12.345", {2, {"十二点三四五", "12.345"}}},
      {"120034", {2, {"十二万零三十四", "壹拾贰万零叁拾肆元整", "一二〇〇三四", "壹贰零零叁肆", "120,034",
                      "①②⑩⑩③④", "ⅠⅡⅩⅩⅢⅣ", "㈠㈡㈩㈩㈢㈣", "⒈⒉⒑⒑⒊⒋"}}},
      {"0.05", {2, {"点零五", "伍分", "0.05"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    EXPECT_EQ(TypeAfterLeadKey(c.keys), c.expected);
  }
}

TEST(NumberConversion, CapitalAmountsReadAZeroBetweenUnitsOnce) {
  struct Case {
    const char* keys;
    const char* capital;  // the second reading, after the plain numeral
  };
  const Case cases[] = {
      {"3.05", "叁元零伍分"},     {"100.5", "壹佰元零伍角整"}, {"1000.07", "壹仟元零柒分"},
      {"10.00", "壹拾元整"},      {"0.05", "伍分"},            {"0.5", "伍角整"},
      {"12.5", "壹拾贰元伍角整"}, {"1003.5", "壹仟零叁元伍角整"}, {"120.05", "壹佰贰拾元零伍分"},
      {"10.50", "壹拾元零伍角整"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    const Outcome o = TypeAfterLeadKey(c.keys);
    ASSERT_GE(o.listed.size(), 2u);
    EXPECT_EQ(o.listed[1], c.capital);
  }
}

TEST(NumberConversion, ALetterPicksTheReadingThePageShowedUnderIt) {
  struct Case {
    const char* keys;
    std::uint32_t page_size;
    Outcome expected;
  };
  const Case cases[] = {
      {"1234b", 5, {4, {"壹仟贰佰叁拾肆元整"}}},
      {"1234a", 5, {4, {"一千二百三十四"}}},
      {"2016.11.22b", 5, {4, {"2016年11月22日"}}},
      // Beyond what the page showed the letter is English input.
      {"1234f", 5, {2, {}}},
      {"abc", 5, {2, {}}},
      {"hel", 5, {2, {"help", "hello"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    EXPECT_EQ(TypeAfterLeadKey(c.keys, c.page_size), c.expected);
  }
}

TEST(NumberConversion, EnglishInputListsTheTypedWordFirst) {
  struct Case {
    const char* keys;
    Outcome expected;
  };
  const Case cases[] = {
      {"cat", {2, {"cat", "cats", "catch", "cataclysm"}}},
      {"CAT", {2, {"cat", "cats", "catch", "cataclysm"}}},
      {"catc", {2, {"catch"}}},
      {"hello", {2, {"hello"}}},
      {"dog", {2, {}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    EXPECT_EQ(TypeAfterLeadKey(c.keys), c.expected);
  }
}

TEST(NumberConversion, MarksStayInTheInstance) {
  struct Case {
    const char* keys;
    std::uint32_t marks;
    std::uint32_t modes;  // of kReadingsShown and kEnglishLookup
  };
  const Case cases[] = {
      {"12", number_mark::kConverting | number_mark::kNumberInput, mode::kReadingsShown},
      {"12x", number_mark::kConverting, mode::kEnglishLookup},
      {"ab", number_mark::kConverting, mode::kEnglishLookup},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    test::DataFolderContents contents;
    contents.main = {{"a", "A", RecordFlags(code_table::kClassSystem, 0)}};
    contents.edit_blocks = [](ConfigBlocks& b) {
      b.ime.WriteU32(ime_block::kImeFlags, ime_block::kSchemeMain);
      b.dme.WriteU8(dme_block::kEnglishLeadKey, ';');
    };
    test::InstalledEngine engine(contents);
    EngineInstance* e = engine.get();
    for (char k : ";" + std::string(c.keys)) {
      e->keys[e->key_count++] = static_cast<char16_t>(k);
      e->cursor = e->key_count;
      QueryCandidates(e);
    }
    EXPECT_EQ(e->number_marks, c.marks);
    EXPECT_EQ(e->mode & (mode::kReadingsShown | mode::kEnglishLookup), c.modes);
    std::uint32_t shared_flags = 0;
    e->blocks.dme.ReadU32(dme_block::kQueryFlags, shared_flags);
    EXPECT_EQ(shared_flags, 0u) << "config.dsc is shared by every process and is not marked";
  }
}

TEST(NumberConversion, NoReadingIsLongerThanATableString) {
  const Outcome o = TypeAfterLeadKey(std::string(130, '7'));
  EXPECT_EQ(o.result, 2);
  for (const std::string& text : o.listed) EXPECT_LE(text.size(), static_cast<std::size_t>(kMaxTableStringBytes));
  const Outcome eighty = TypeAfterLeadKey(std::string(80, '7'));
  EXPECT_EQ(eighty.listed.size(), 6u) << eighty;  // digit by digit in six forms, 240 bytes each
}

TEST(NumberConversion, Templates) {
  struct Case {
    const char* digits;
    const char* number;  // "" for none
    const char* date;
    const char* digit_date;
  };
  const Case cases[] = {
      {"2016", "2ql1s6", "", ""},       {"1005", "1ql5", "", ""},   {"105", "1b05", "", ""},
      {"15", "s5", "", ""},             {"120034", "s2wl3s4", "", ""},
      {"100015", "swl1s5", "", ""},     {"100001000", "1yl1q", "", ""},
      {"0123", "l1b2s3", "", ""},       {"000", "000", "", ""},
      {"1000000000000", "", "", ""},    {"2016.11.22", "2ql1s6.11.22", "2016ns1y2s2r", "2016n11y22r"},
      {"2016.11", "2ql1s6.11", "2016ns1y", "2016n11y"}, {"2016.0", "2ql1s6.0", "2016n", "2016n"},
      {"5.1.30", "5.1.30", "05n1y3sr", "5n1y30r"},   {"12.13", "s2.13", "s2ys3r", "12y13r"}, {"13.13", "s3.13", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.digits);
    char out[kNumberTextBytes + 1];
    NumberTemplate(out, c.digits);
    EXPECT_STREQ(out, c.number);
    DateTemplate(out, c.digits);
    EXPECT_STREQ(out, c.date);
    DigitDateTemplate(out, c.digits);
    EXPECT_STREQ(out, c.digit_date);
  }
}

}  // namespace
}  // namespace lz
