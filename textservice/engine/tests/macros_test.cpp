#include "textservice/engine/macros.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os/clipboard.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/command_words.h"
#include "textservice/engine/tests/candidate_fixture.h"

namespace lz {
namespace {

using test::Utf8;
using test::Wide;

// Sunday 31 January 2016, 09:05:07.
LocalTime FixedClock() { return {2016, 1, 31, 9, 5, 7, 0}; }
// Friday 31 December 2021, 23:59:30.
LocalTime YearEndClock() { return {2021, 12, 31, 23, 59, 30, 5}; }

class MacroClock {
 public:
  explicit MacroClock(LocalTimeSource source) { SetLocalTimeSource(source); }
  ~MacroClock() { SetLocalTimeSource(nullptr); }
};

// The text as the macros expand it, under a fixed clock.
std::string Expanded(const std::string& text, const EngineInstance* e, LocalTimeSource clock = FixedClock) {
  MacroClock fixed(clock);
  char16_t out[kExpandedTextUnits];
  const int n = ExpandMacros(Wide(text).c_str(), out, e);
  EXPECT_EQ(n, static_cast<int>(std::u16string_view(out).size()));
  return Utf8(out);
}

TEST(Macros, NumeralsInBothStyles) {
  struct Case {
    std::u16string digits;
    NumeralStyle style;
    std::u16string expected;
  };
  const std::vector<Case> cases = {
      {u"2016", NumeralStyle::kDigits, u"二〇一六"},
      {u"05", NumeralStyle::kDigits, u"〇五"},
      {u"05", NumeralStyle::kTens, u"零五"},
      {u"10", NumeralStyle::kTens, u"十"},
      {u"25", NumeralStyle::kTens, u"二十五"},
      {u"40", NumeralStyle::kTens, u"四十"},
      {u"7", NumeralStyle::kTens, u"七"},
      {u"1999", NumeralStyle::kTens, u"十九十九"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.digits.c_str()));
    char16_t text[kNumeralUnits] = {};
    c.digits.copy(text, c.digits.size());
    DigitsToChinese(c.style, text);
    EXPECT_EQ(std::u16string(text), c.expected);
  }
}

TEST(Macros, DateAndTimeUnderAFixedClock) {
  test::InstalledEngine engine(test::ListFolder({}, {}));
  struct Case {
    const char* text;
    std::string expected;
    LocalTimeSource clock = FixedClock;
  };
  const std::vector<Case> cases = {
      {"<time.MM>", "零五"},
      {"<time.M>", "五"},
      {"<time.mm>", "05"},
      {"<time.m>", "5"},
      {"<time.hh>:<time.mm>:<time.ss>", "09:05:07"},
      {"<time.H>点", "九点"},
      {"<time.x>", "#"},
      {"<date.YYYY>", "二〇一六"},
      {"<date.yyyy>年", "2016年"},
      {"<date.yy>", "16"},
      {"<date.Y>", "一六"},
      {"<date.m>/<date.dd>", "1/31"},
      {"<date.MM>月<date.D>日", "零一月三十一日"},
      {"<date.z>", "星期日"},
      {"<date.Z>", "周日"},
      {"<date.q>", "#"},
      {"<date.d+1>", "1"},
      // Every field of a text is read from one date that all its offsets moved.
      {"<date.m>-<date.d+1>", "2-1"},
      {"<date.m>月<date.d+1>日", "2月1日"},
      {"<date.yyyy>年<date.m+1>月", "2022年1月", YearEndClock},
      {"<date.yyyy>-<date.mm>-<date.dd+1>", "2022-01-01", YearEndClock},
      {"<date.d+1>日<date.z>", "1日星期一"},
      {"<date.m+1>/<date.d>", "2/29"},
      {"<date.d-31>", "31"},
      {"<date.m+1>", "2"},
      {"<date.yyyy+2>", "2018"},
      {"<date.d+1>", "1", YearEndClock},
      {"<date.m+1>", "1", YearEndClock},
      {"<date.z>", "星期五", YearEndClock},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Expanded(c.text, engine.get(), c.clock), c.expected);
  }
}

TEST(Macros, GroupsAndOtherSources) {
  test::InstalledEngine engine(test::ListFolder({}, {}));
  EngineInstance* e = engine.get();
  WriteFieldText(e->blocks.ime, ime_block::kLastCommitText, ime_block::kLastCommitTextUnits, u"上次");
  WriteFieldText(e->blocks.ime, ime_block::kLastCommitCode, ime_block::kLastCommitCodeUnits, u"hgvw");
  WriteFieldText(e->blocks.ime, ime_block::kRecentText, ime_block::kRecentTextUnits, u"最近上次");
  os::WriteClipboardText(u"剪贴板");
  struct Case {
    const char* text;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"<last.1>", "上次"},
      {"<last.0>", "hgvw"},
      {"<last.2>", "最近上次"},
      {"[<last>]", "[ ]"},
      {"<clipboard>!", "剪贴板!"},
      {"<u16value.AB>", "0x41,0x42,"},
      {"<u16value.中>", "0x4e2d,"},
      {"a<nosuch.x>b", "a<nosuch.x>b"},
      {"<time.mm", "<time.mm"},
      {"1 < 2 > 0", "1 < 2 > 0"},
      {"<abcdefghijklmnopqrstu>", "<abcdefghijklmnopqrstu>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Expanded(c.text, e), c.expected);
  }
  SCOPED_TRACE("an expansion is cut at 254 characters");
  std::u16string many;
  for (int i = 0; i < 100; ++i) many += u"<time.hh>:";
  MacroClock fixed(FixedClock);
  char16_t out[kExpandedTextUnits];
  EXPECT_EQ(ExpandMacros(many.c_str(), out, e), 254);
  EXPECT_EQ(std::u16string(out).substr(0, 6), u"09:09:");
}

TEST(Macros, CommandTextsExpandTheirParts) {
  test::InstalledEngine engine(test::ListFolder({}, {}));
  MacroClock fixed(FixedClock);
  char16_t shown[kCommandPartUnits];
  char16_t committed[kCommandPartUnits];
  ASSERT_EQ(ParseCandidateCommandText(u"$lzcmd(<date.yyyy>年,年份)", shown, committed, engine.get()), 1);
  EXPECT_EQ(Utf8(committed + 1), "2016年");
  EXPECT_EQ(committed[0], 5);
  EXPECT_EQ(Utf8(shown + 1), "年份");
}

}  // namespace
}  // namespace lz
