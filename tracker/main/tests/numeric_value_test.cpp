#include "tracker/main/numeric_value.h"

#include <gtest/gtest.h>

namespace tracker {
namespace {

struct ValueCase {
  const char16_t* text;
  double value;
  bool flag;
};

TEST(NumericValue, TakesTheLongestLeadingNumberAndSkipsBlanks) {
  const ValueCase cases[] = {
      {u"1", 1, true},          {u" 1", 1, true},        {u"01", 1, true},         {u"1.0", 1, true},
      {u"2", 2, false},         {u"yes", 0, false},      {u"SM", 0, false},        {u"", 0, false},
      {u" 1440", 1440, false},  {u"-120", -120, false},  {u"1 0", 10, false},      {u"12abc", 12, false},
      {u"1.5.3", 1.5, false},   {u"2e3", 2000, false},   {u"2D2", 200, false},     {u"2e", 2, false},
      {u"+.5", 0.5, false},     {u".", 0, false},        {u"-", 0, false},         {u"\t7\r\n", 7, false},
      {u"87000.25", 87000.25, false}, {u"1e999", 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)));
    EXPECT_DOUBLE_EQ(NumericValue(c.text), c.value);
    EXPECT_EQ(IsFlagSet(c.text), c.flag);
  }
}

TEST(NumericValue, NumberTextsKeepThePointAndTheSignPlace) {
  EXPECT_EQ(SignedNumberText(1440), u" 1440");
  EXPECT_EQ(SignedNumberText(-120), u"-120");
  EXPECT_EQ(SignedNumberText(0), u" 0");
  EXPECT_EQ(NumberText(87000.25), u"87000.25");
  EXPECT_EQ(NumberText(600), u"600");
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
}

}  // namespace
}  // namespace tracker
