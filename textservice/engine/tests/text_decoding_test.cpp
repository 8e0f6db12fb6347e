#include "textservice/engine/text_decoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lz {
namespace {

std::vector<std::uint8_t> B(std::initializer_list<int> bytes) {
  std::vector<std::uint8_t> out;
  for (int b : bytes) out.push_back(static_cast<std::uint8_t>(b));
  return out;
}

std::vector<std::uint8_t> B(const std::string& text) { return {text.begin(), text.end()}; }

// Marks every byte it decodes, so a test sees which path decoded the text.
std::u16string MarkingAnsi(const std::uint8_t* bytes, std::size_t count) {
  std::u16string out = u"ANSI:";
  for (std::size_t i = 0; i < count; ++i) out += static_cast<char16_t>(bytes[i]);
  return out;
}

TEST(TextDecoding, Utf8TestFollowsTheLeadByteRule) {
  struct Case {
    std::string what;
    std::vector<std::uint8_t> bytes;
    bool utf8;
  };
  const std::vector<Case> cases = {
      {"empty", {}, false},
      {"ASCII only", B("abc=1"), false},
      {"two Chinese characters", B("\xE4\xB8\xAD\xE6\x96\x87"), true},
      {"two-byte sequence", B({0xC3, 0xA9}), true},
      {"four-byte sequence", B({0xF0, 0x9F, 0x98, 0x80}), true},
      {"continuation without a lead", B({0x41, 0x80}), false},
      {"lead without its continuation", B({0xE4, 0xB8}), false},
      {"lead followed by ASCII", B({0xC3, 0x41}), false},
      {"GBK bytes", B({0xD6, 0xD0, 0xCE, 0xC4}), false},
      {"0xFF opens seven continuation bytes", B({0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}), true},
      {"0xFF with six", B({0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(IsUtf8Text(c.bytes.data(), c.bytes.size()), c.utf8);
  }
}

TEST(TextDecoding, TextBufferToWideChoosesByTheFirstBytes) {
  struct Case {
    std::string what;
    std::vector<std::uint8_t> bytes;
    std::u16string text;
  };
  const std::vector<Case> cases = {
      {"empty", {}, u""},
      {"UTF-8 with a mark", B("\xEF\xBB\xBF\xE4\xB8\xAD=1"), u"中=1"},
      {"UTF-8 without a mark", B("\xE4\xB8\xAD=1"), u"中=1"},
      {"UTF-8 mark only", B("\xEF\xBB\xBF"), u""},
      {"UTF-16 little-endian", B({0xFF, 0xFE, 0x2D, 0x4E, 0x3D, 0x00}), u"中="},
      {"UTF-16 little-endian keeps a zero unit", B({0xFF, 0xFE, 0x41, 0x00, 0x00, 0x00, 0x42, 0x00}),
       std::u16string(u"A\0B", 3)},
      {"UTF-16 little-endian, odd count", B({0xFF, 0xFE, 0x41, 0x00, 0x42}), u"A"},
      {"UTF-16 big-endian", B({0xFE, 0xFF, 0x4E, 0x2D, 0x00, 0x3D}), u"中="},
      {"UTF-16 big-endian stops at a zero unit", B({0xFE, 0xFF, 0x00, 0x41, 0x00, 0x00, 0x00, 0x42}), u"A"},
      {"ASCII goes through the ANSI code page", B("a=1"), u"ANSI:a=1"},
      {"GBK goes through the ANSI code page", B({0xD6, 0xD0}), u"ANSI:\u00D6\u00D0"},
      {"a broken sequence after a mark becomes U+FFFD", B({0xEF, 0xBB, 0xBF, 0x41, 0xE4, 0xB8, 0x42}), u"A\uFFFDB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(TextBufferToWide(c.bytes.data(), c.bytes.size(), MarkingAnsi), c.text);
  }
}

TEST(TextDecoding, Utf8DecoderReplacesWhatIsNotUtf8) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::u16string text;
  };
  const std::vector<Case> cases = {
      {B({0xF0, 0x9F, 0x98, 0x80}), u"\U0001F600"},
      {B({0xC0, 0xAF}), u"\uFFFD\uFFFD"},        // overlong lead byte, then a lone continuation
      {B({0xED, 0xA0, 0x80}), u"\uFFFD"},        // a surrogate
      {B({0xF4, 0x90, 0x80, 0x80}), u"\uFFFD"},  // above U+10FFFF
      {B({0xE4, 0xB8}), u"\uFFFD"},              // cut at the end
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8BytesToWide(c.bytes.data(), c.bytes.size()), c.text);
  }
}

}  // namespace
}  // namespace lz
