#include "textservice/engine/text_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lz {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(const char* s) {
  Bytes b;
  for (; *s != 0; ++s) b.push_back(static_cast<std::uint8_t>(*s));
  return b;
}

Bytes Repeat(std::uint8_t value, int count) { return Bytes(static_cast<std::size_t>(count), value); }

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::u16string RepeatW(char16_t value, int count) { return std::u16string(static_cast<std::size_t>(count), value); }

// A table string: the length byte, then the bytes.
Bytes TableString(const Bytes& bytes) {
  Bytes t{static_cast<std::uint8_t>(bytes.size())};
  t.insert(t.end(), bytes.begin(), bytes.end());
  return t;
}

constexpr char16_t kGuard = 0xBEEF;
constexpr std::uint8_t kByteGuard = 0xEE;

const char16_t kGrin[] = u"\U0001F600";  // D83D DE00, UTF-8 F0 9F 98 80

// ---- UTF-16 -> table string ----

TEST(TextEncoding, WideToTableStringStoresUpTo250Bytes) {
  struct Case {
    std::u16string text;
    int expected;   // length byte value, 0 = cannot be stored
    Bytes bytes;    // expected bytes after the length byte (checked when not empty)
  };
  const std::vector<Case> cases = {
      {u"abc", 3, {0x61, 0x62, 0x63}},
      {u"\u4E2D", 3, {0xE4, 0xB8, 0xAD}},
      {u"\u00E9", 2, {0xC3, 0xA9}},
      {kGrin, 4, {0xF0, 0x9F, 0x98, 0x80}},
      {u"", 0, {}},
      {RepeatW(u'a', 250), 250, Repeat('a', 250)},
      {RepeatW(u'a', 251), 0, {}},
      {RepeatW(u'a', 247) + u"\u4E2D", 250, {}},     // 247 + 3 bytes
      {RepeatW(u'a', 248) + u"\u4E2D", 0, {}},       // 251 bytes
      {RepeatW(u'a', 246) + kGrin, 250, {}},         // 246 + 4 bytes
      {RepeatW(u'a', 250) + kGrin, 0, {}},           // the pair lies beyond 250 source units
      {RepeatW(u'\u4E2D', 84), 0, {}},               // 84 units but 252 bytes
      {RepeatW(u'a', 600), 0, {}},
      {u"a\xDC00", 0, {}},                           // broken pair
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "units " << c.text.size() << " expected " << c.expected);
    Bytes out(kTableStringBufferBytes + 1, kByteGuard);
    EXPECT_EQ(WideToTableString(kTableStringBufferBytes, out.data(), c.text.c_str()), c.expected);
    EXPECT_EQ(out[0], c.expected);
    EXPECT_EQ(out[kTableStringBufferBytes], kByteGuard);  // never past the capacity
    if (!c.bytes.empty()) {
      EXPECT_EQ(Bytes(out.begin() + 1, out.begin() + 1 + c.expected), c.bytes);
    }
    // Without an output buffer only the length is computed.
    EXPECT_EQ(WideToTableString(0, nullptr, c.text.c_str()), c.expected);
  }
}

TEST(TextEncoding, WideToTableStringRefusesWhatDoesNotFitTheCapacity) {
  Bytes out(8, kByteGuard);
  EXPECT_EQ(WideToTableString(4, out.data(), u"abcd"), 0);  // needs 5 bytes with the length byte
  EXPECT_EQ(out[0], 0);
  for (std::size_t i = 4; i < out.size(); ++i) EXPECT_EQ(out[i], kByteGuard);
  EXPECT_EQ(WideToTableString(5, out.data(), u"abcd"), 4);  // exact fit, no terminator
  EXPECT_EQ(out, (Bytes{4, 'a', 'b', 'c', 'd', kByteGuard, kByteGuard, kByteGuard}));
}

// ---- Codes ----

TEST(TextEncoding, CodesFoldFullWidthKeysAndReadThemBack) {
  struct Case {
    std::u16string code;
    Bytes stored;           // table string
    std::u16string back;    // what TableStringToCode gives
  };
  const std::vector<Case> cases = {
      {u"\uFF13\uFF0A", {2, 0x13, 0x0A}, u"\uFF13\uFF0A"},
      {u"ab\uFF19\uFF0F", {4, 'a', 'b', 0x19, 0x0F}, u"ab\uFF19\uFF0F"},
      // Outside U+FF0A..U+FF19 nothing is folded: full-width A and U+FF09 stay UTF-8.
      {u"\uFF21\uFF09", {6, 0xEF, 0xBC, 0xA1, 0xEF, 0xBC, 0x89}, u"\uFF21\uFF09"},
      {u"\u4E2Dx", {4, 0xE4, 0xB8, 0xAD, 'x'}, u"\u4E2Dx"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "stored length " << int{c.stored[0]});
    Bytes out(kTableStringBufferBytes, kByteGuard);
    EXPECT_EQ(CodeToTableString(out.data(), c.code.c_str(), kTableStringBufferBytes), c.stored[0]);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(c.stored.size())), c.stored);
    char16_t back[kCodeBufferUnits];
    EXPECT_EQ(TableStringToCode(back, out.data()), static_cast<int>(c.back.size()));
    EXPECT_EQ(std::u16string(back), c.back);
  }
}

TEST(TextEncoding, TableStringToCodeReadsLowBytesAsFullWidthAndCapsAt255) {
  // The wildcard marker byte 0x02 and even 0x00 read back as U+FF00 + byte.
  const Bytes marker{3, 'a', 0x02, 0x00};
  char16_t out[kCodeBufferUnits + 1];
  EXPECT_EQ(TableStringToCode(out, marker.data()), 3);
  EXPECT_EQ(std::u16string(out), u"a\uFF02\uFF00");

  // A 255-byte key (the search key may be that long) fills all 255 units and the terminator.
  const Bytes longKey = TableString(Repeat('k', 255));
  out[kCodeBufferUnits] = kGuard;
  EXPECT_EQ(TableStringToCode(out, longKey.data()), 255);
  EXPECT_EQ(out[255], 0);
  EXPECT_EQ(out[kCodeBufferUnits], kGuard);

  // A pair closing the longest key still fits.
  const Bytes pairAtEnd = TableString(Concat(Repeat('k', 251), {0xF0, 0x9F, 0x98, 0x80}));
  EXPECT_EQ(TableStringToCode(out, pairAtEnd.data()), 253);
  EXPECT_EQ(std::u16string(out + 251), kGrin);
}

TEST(TextEncoding, CodeToTableStringCopiesAtMost259Units) {
  // 300 units fold to more than 250 bytes either way: refused, not cut.
  const std::u16string code = RepeatW(u'\uFF11', 300);
  Bytes out(kTableStringBufferBytes, kByteGuard);
  EXPECT_EQ(CodeToTableString(out.data(), code.c_str(), kTableStringBufferBytes), 0);
  const std::u16string fits = RepeatW(u'\uFF11', 250);
  EXPECT_EQ(CodeToTableString(out.data(), fits.c_str(), kTableStringBufferBytes), 250);
  EXPECT_EQ(out[250], 0x11);
  // The caller's text is not changed by the folding.
  EXPECT_EQ(fits, RepeatW(u'\uFF11', 250));
}

TEST(TextEncoding, FoldFullWidthTouchesOnlyTheKeyRange) {
  std::u16string text = u"\uFF09\uFF0A\uFF10\uFF19\uFF1A\uFF21a\u4E2D";
  FoldFullWidth(text.data());
  EXPECT_EQ(text, (std::u16string{0xFF09, 0x0A, 0x10, 0x19, 0xFF1A, 0xFF21, u'a', 0x4E2D}));
}

// ---- UTF-16 -> UTF-8 ----

TEST(TextEncoding, WideToUtf8RejectsBrokenSurrogates) {
  const std::vector<std::u16string> broken = {
      u"\xDC00", u"a\xDFFF", u"\xD800", u"a\xD83D", u"\xD83D" u"b", u"\xD83D\xD83D\xDE00",
  };
  for (const std::u16string& text : broken) {
    SCOPED_TRACE(testing::Message() << "first unit " << int{text[0]});
    std::uint8_t out[16];
    EXPECT_EQ(WideToUtf8(text.c_str(), out, 16), -1);
    EXPECT_EQ(WideToUtf8(text.c_str(), nullptr, 0), -1);
  }
}

TEST(TextEncoding, WideToUtf8CountsOnWhenTheOutputIsFull) {
  struct Case {
    std::u16string text;
    int capacity;
    int expected;         // bytes needed
    Bytes written;        // bytes present before the guard, terminator included when written
  };
  const std::vector<Case> cases = {
      {u"abc", 4, 3, {'a', 'b', 'c', 0}},
      {u"abc", 3, 3, {'a', 'b', 'c'}},                      // exact fit: no room for the terminator
      {u"a\u4E2Db", 2, 5, {'a', 0}},                          // the 3-byte character is not split
      {u"a\u4E2Db", 4, 5, {'a', 0xE4, 0xB8, 0xAD}},
      {std::u16string(u"a") + kGrin, 4, 5, {'a', 0}},          // the pair is written whole or not at all
      {std::u16string(u"a") + kGrin, 5, 5, {'a', 0xF0, 0x9F, 0x98, 0x80}},
      {u"\u00E9\u0800", 3, 5, {0xC3, 0xA9, 0}},
      {u"abc", 0, 3, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "capacity " << c.capacity << " expected " << c.expected);
    Bytes out(static_cast<std::size_t>(c.capacity) + 2, kByteGuard);
    EXPECT_EQ(WideToUtf8(c.text.c_str(), out.data(), c.capacity), c.expected);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(c.written.size())), c.written);
    for (std::size_t i = c.written.size(); i < out.size(); ++i) EXPECT_EQ(out[i], kByteGuard);
  }
}

TEST(TextEncoding, WideToUtf8ReadsAtMost250SourceUnits) {
  const std::u16string text = RepeatW(u'x', 300);
  std::uint8_t out[400];
  EXPECT_EQ(WideToUtf8(text.c_str(), out, 400), 250);
  EXPECT_EQ(out[250], 0);
  // With a limit given, more is read...
  EXPECT_EQ(WideToUtf8N(400, out, text.c_str(), 300), 300);
  // ...and never past the limit: the text need not be terminated.
  const std::vector<char16_t> exact = {u'a', u'b', 0xD83D};  // no terminator; heap-bounded for ASan
  EXPECT_EQ(WideToUtf8N(400, out, exact.data(), 2), 2);
  EXPECT_EQ(WideToUtf8N(400, out, exact.data(), 3), 2);       // the limit cuts the pair: it ends there
  EXPECT_EQ(WideToUtf8N(400, out, kGrin, 2), 4);
  EXPECT_EQ(WideToUtf8N(400, out, u"ab", 0), 0);
}

// ---- UTF-8 -> UTF-16 ----

TEST(TextEncoding, Utf8ToWideDecodesAndRejects) {
  struct Case {
    Bytes utf8;            // exactly the bytes given, no terminator unless listed
    int byteCount;
    int expected;
    std::u16string text;   // decoded text (checked when expected >= 0)
  };
  const std::vector<Case> cases = {
      {ToBytes("abc"), 3, 3, u"abc"},
      {{0xC3, 0xA9, 0xE4, 0xB8, 0xAD}, 5, 2, u"\u00E9\u4E2D"},
      {{0xF0, 0x9F, 0x98, 0x80, 'z'}, 5, 3, std::u16string(kGrin) + u"z"},
      {{0xF4, 0x8F, 0xBF, 0xBF}, 4, 2, u"\xDBFF\xDFFF"},
      {{'a', 'b', 0, 'c'}, 4, 2, u"ab"},          // a zero byte ends the text
      {ToBytes("abcdef"), 2, 2, u"ab"},           // so does the byte count
      {ToBytes("abc"), 0, 0, u""},
      {ToBytes("abc"), -5, 0, u""},
      {{'a', 0x80}, 2, -1, u""},                  // continuation byte as lead
      {{0xF8, 0x80, 0x80, 0x80, 0x80}, 5, -1, u""},
      {{0xFF}, 1, -1, u""},
      {{'a', 0xE4, 0xB8}, 3, -1, u""},            // cut by the byte count
      {{0xE4, 0xB8, 0xAD}, 2, -1, u""},
      {{0xE4, 0, 0xAD}, 3, -1, u""},              // cut by a zero byte
      {{0xF4, 0x90, 0x80, 0x80}, 4, -1, u""},     // beyond U+10FFFF
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "bytes " << c.utf8.size() << " count " << c.byteCount);
    char16_t out[kDecodedBufferUnits];
    EXPECT_EQ(Utf8ToWide(out, c.utf8.data(), c.byteCount), c.expected);
    EXPECT_EQ(Utf8ToWide(nullptr, c.utf8.data(), c.byteCount), c.expected);
    if (c.expected >= 0) {
      EXPECT_EQ(std::u16string(out), c.text);
    }
    EXPECT_EQ(Utf8CharCount(c.byteCount, c.utf8.data()),
              c.expected < 0 ? -1 : CountCodePoints(c.text.c_str()));
  }
}

TEST(TextEncoding, Utf8ToWideWritesAtMost250UnitsButCountsAll) {
  struct Case {
    Bytes utf8;
    int expected;   // units counted
    int written;    // units present before the terminator
  };
  const Bytes grin{0xF0, 0x9F, 0x98, 0x80};
  const std::vector<Case> cases = {
      {Repeat('a', 250), 250, 250},
      {Repeat('a', 300), 300, 250},
      {Concat(Repeat('a', 248), grin), 250, 250},           // the pair takes the last two places
      {Concat(Repeat('a', 249), grin), 251, 249},           // one place left: the pair is not written
      {Concat(Concat(Repeat('a', 249), grin), ToBytes("b")), 252, 249},  // nor anything after it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "bytes " << c.utf8.size());
    std::vector<char16_t> out(kDecodedBufferUnits + 1, kGuard);
    EXPECT_EQ(Utf8ToWide(out.data(), c.utf8.data(), static_cast<int>(c.utf8.size())), c.expected);
    EXPECT_EQ(std::u16string(out.data()).size(), static_cast<std::size_t>(c.written));
    EXPECT_EQ(out[kDecodedBufferUnits], kGuard);
  }
}

TEST(TextEncoding, FourByteSequencesRoundTripThroughSurrogatePairs) {
  const std::vector<std::u16string> texts = {
      kGrin, u"\U00010000", u"\U0010FFFF", u"a\U00020000b\U0002A6D6",
  };
  for (const std::u16string& text : texts) {
    SCOPED_TRACE(testing::Message() << "units " << text.size());
    std::uint8_t utf8[32];
    const int bytes = WideToUtf8(text.c_str(), utf8, 32);
    ASSERT_GT(bytes, 0);
    char16_t back[kDecodedBufferUnits];
    EXPECT_EQ(Utf8ToWide(back, utf8, bytes), static_cast<int>(text.size()));
    EXPECT_EQ(std::u16string(back), text);
  }
}

TEST(TextEncoding, TableStringToWideStaysWithinTheCapacity) {
  struct Case {
    Bytes table;
    int capacity;
    std::u16string expected;
  };
  const std::vector<Case> cases = {
      {{3, 'a', 'b', 'c'}, 10, u"abc"},
      {{3, 'a', 'b', 'c'}, 4, u"abc"},
      {{3, 'a', 'b', 'c'}, 3, u"ab"},
      {{3, 'a', 'b', 'c'}, 1, u""},
      {{0}, 10, u""},
      {{5, 'a', 0xF0, 0x9F, 0x98, 0x80}, 3, u"a"},   // the pair needs two places before the terminator
      {{5, 'a', 0xF0, 0x9F, 0x98, 0x80}, 4, std::u16string(u"a") + kGrin},
      {{3, 'a', 0x80, 'c'}, 10, u"a"},               // a bad byte ends the text
      {TableString(Repeat('w', 250)), kDecodedBufferUnits, RepeatW(u'w', 250)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "length " << int{c.table[0]} << " capacity " << c.capacity);
    std::vector<char16_t> out(static_cast<std::size_t>(c.capacity) + 1, kGuard);
    EXPECT_EQ(TableStringToWide(out.data(), c.capacity, c.table.data()), static_cast<int>(c.expected.size()));
    EXPECT_EQ(std::u16string(out.data()), c.expected);
    EXPECT_EQ(out[static_cast<std::size_t>(c.capacity)], kGuard);
  }
  EXPECT_EQ(TableStringToWide(nullptr, 10, cases[0].table.data()), 0);
}

// ---- UTF-32 ----

TEST(TextEncoding, WideCharToUtf32TakesOneCharacter) {
  struct Case {
    std::u16string text;
    int expected;
    char32_t cp;
  };
  const std::vector<Case> cases = {
      {u"ab", 1, U'a'},
      {u"\u4E2D", 1, U'\u4E2D'},
      {std::u16string(kGrin) + u"x", 2, U'\U0001F600'},
      {u"", -1, 0},
      {u"\xD83D" u"x", -1, 0},
      {u"\xD83D", -1, 0},
      {u"\xDE00", -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "expected " << c.expected << " cp " << static_cast<unsigned>(c.cp));
    char32_t out[2] = {0xAAAA, 0xAAAA};
    EXPECT_EQ(WideCharToUtf32(out, c.text.c_str()), c.expected);
    EXPECT_EQ(out[0], c.cp);
    EXPECT_EQ(out[1], U'\0');
  }
}

TEST(TextEncoding, WideToUtf32AndCountCodePoints) {
  const std::u16string text = std::u16string(u"a") + kGrin + u"\u4E2D";
  EXPECT_EQ(CountCodePoints(text.c_str()), 3);
  char32_t out[5] = {9, 9, 9, 9, 9};
  EXPECT_EQ(WideToUtf32(out, text.c_str(), 2), 0);
  EXPECT_EQ(std::u32string(out), U"a\U0001F600");
  EXPECT_EQ(WideToUtf32(out, text.c_str(), 4), 0);
  EXPECT_EQ(std::u32string(out), U"a\U0001F600\u4E2D");
  EXPECT_EQ(WideToUtf32(out, u"a\xDC00" u"b", 4), 0);   // a broken pair ends the text
  EXPECT_EQ(std::u32string(out), U"a");

  struct Case {
    std::u16string text;
    int expected;
  };
  const std::vector<Case> counts = {
      {u"", 0},
      {u"a\xDC00", -1},
      {u"a\xD800" u"b", -1},
      {RepeatW(u'z', 300), 255},                          // at most 255 units are looked at
      {RepeatW(u'z', 254) + kGrin, 254},                   // a pair cut at unit 255 is not counted
      {RepeatW(u'z', 253) + kGrin, 254},
  };
  for (const Case& c : counts) {
    SCOPED_TRACE(testing::Message() << "units " << c.text.size());
    EXPECT_EQ(CountCodePoints(c.text.c_str()), c.expected);
  }
}

TEST(TextEncoding, Utf8ToUtf32WritesAtMost32) {
  const Bytes text = Concat(Repeat('q', 39), {0xF0, 0x9F, 0x98, 0x80});
  std::vector<char32_t> out(kUtf32BufferPoints + 1, 0x7777);
  EXPECT_EQ(Utf8ToUtf32(out.data(), text.data(), static_cast<int>(text.size())), 40);
  EXPECT_EQ(out[kMaxUtf32Points], U'\0');
  EXPECT_EQ(out[kUtf32BufferPoints], char32_t{0x7777});
  const Bytes mixed{'a', 0xE4, 0xB8, 0xAD, 0xF0, 0x9F, 0x98, 0x80};
  EXPECT_EQ(Utf8ToUtf32(out.data(), mixed.data(), static_cast<int>(mixed.size())), 3);
  EXPECT_EQ(std::u32string(out.data()), U"a\u4E2D\U0001F600");
  EXPECT_EQ(Utf8ToUtf32(out.data(), mixed.data(), 3), -1);
}

TEST(TextEncoding, Utf32ToWideWritesPairsWholeAndRefusesAbove10FFFE) {
  struct Case {
    std::u32string cps;
    int capacity;
    int expected;            // units needed
    std::u16string written;  // units before the guard (terminator listed when written)
  };
  using std::u16string;
  const std::vector<Case> cases = {
      {U"a\u4E2D", 8, 2, u16string(u"a\u4E2D") + u16string(1, 0)},
      {U"\U0010FFFE", 8, 2, u16string(u"\xDBFF\xDFFE") + u16string(1, 0)},
      {U"a\U0001F600", 2, 3, u16string(u"a") + u16string(1, 0)},   // one place left: no half pair
      {U"a\U0001F600", 3, 3, u16string(u"a") + kGrin},            // no room for the terminator
      {U"ab", 0, 2, u""},
      {U"a\U0010FFFF", 8, -1, u16string(u"a") + u16string(1, 0)},
      {std::u32string(1, char32_t{0x110000}), 8, -1, u16string(1, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "capacity " << c.capacity << " expected " << c.expected);
    std::vector<char16_t> out(static_cast<std::size_t>(c.capacity) + 2, kGuard);
    EXPECT_EQ(Utf32ToWide(out.data(), c.cps.c_str(), c.capacity, static_cast<int>(c.cps.size())), c.expected);
    EXPECT_EQ(u16string(out.data(), c.written.size()), c.written);
    for (std::size_t i = c.written.size(); i < out.size(); ++i) EXPECT_EQ(out[i], kGuard);
  }
  // The count limits the code points read; a zero code point ends them too.
  char16_t out[8];
  EXPECT_EQ(Utf32ToWide(out, U"abc", 8, 2), 2);
  EXPECT_EQ(u16string(out), u"ab");
  EXPECT_EQ(Utf32ToWide(nullptr, U"a\U0001F600", 0, 2), 3);
}

// ---- Percent-encoding ----

TEST(TextEncoding, UrlEncodeUtf8EscapesAboveU00FE) {
  struct Case {
    std::u16string text;
    std::u16string expected;
  };
  const std::vector<Case> cases = {
      {u"\u4E2Da", u"%E4%B8%ADa"},
      {u"http://x.cn/a b?c=1&d", u"http://x.cn/a b?c=1&d"},
      {u"\u00E9\u00FE\u00FF", u"\u00E9\u00FE%C3%BF"},
      {std::u16string(kGrin), u"%F0%9F%98%80"},
      {u"a\xD83D" u"b", u"a"},   // a broken pair ends the output
      {u"", u""},
      {RepeatW(u'a', 600), RepeatW(u'a', 511)},
      {RepeatW(u'a', 502) + u"\u4E2D", RepeatW(u'a', 502) + u"%E4%B8%AD"},   // exactly 511
      {RepeatW(u'a', 503) + u"\u4E2Db", RepeatW(u'a', 503)},                 // an escape is never split
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "units " << c.text.size());
    std::vector<char16_t> out(kUrlBufferChars + 1, kGuard);
    EXPECT_EQ(UrlEncodeUtf8(out.data(), c.text.c_str()), static_cast<int>(c.expected.size()));
    EXPECT_EQ(std::u16string(out.data()), c.expected);
    EXPECT_EQ(out[kUrlBufferChars], kGuard);
  }
}

TEST(TextEncoding, UrlEncodeUtf8WorksInPlace) {
  std::vector<char16_t> buffer(kUrlBufferChars, 0);
  const std::u16string text = u"http://d.cn/?c=\u4E2D\u6587";
  std::copy(text.begin(), text.end(), buffer.begin());
  EXPECT_EQ(UrlEncodeUtf8(buffer.data(), buffer.data()), 33);
  EXPECT_EQ(std::u16string(buffer.data()), u"http://d.cn/?c=%E4%B8%AD%E6%96%87");
}

}  // namespace
}  // namespace lz
