#include "tests/support/text_file_bytes.h"

#include <gtest/gtest.h>

#include <map>

namespace lz::test {
namespace {

// The GBK codes of the characters the test texts use, as a Chinese Windows system's ANSI code page has
// them: enough of the code page to read and write those texts.
const std::map<std::uint16_t, char16_t> kGbk = {
    {0xA1A2, u'\u3001'},
    {0xA1A3, u'。'},
    {0xA3AA, u'＊'},
    {0xB0B4, u'\u6309'},
    {0xB1B3, u'\u80CC'},
    {0xB1DF, u'\u8FB9'},
    {0xB1E0, u'\u7F16'},
    {0xB1ED, u'表'},
    {0xB2A2, u'\u5E76'},
    {0xB2CB, u'\u83DC'},
    {0xB2E2, u'\u6D4B'},
    {0xB2E9, u'查'},
    {0xB3C6, u'\u79F0'},
    {0xB4B0, u'\u7A97'},
    {0xB4CA, u'词'},
    {0xB4CE, u'次'},
    {0xB4D6, u'\u7C97'},
    {0xB4F3, u'\u5927'},
    {0xB5A5, u'\u5355'},
    {0xB5BD, u'到'},
    {0xB5E4, u'\u5178'},
    {0xB5F7, u'调'},
    {0xB6A5, u'顶'},
    {0xB6A8, u'定'},
    {0xB7C7, u'非'},
    {0xB7F4, u'\u80A4'},
    {0xB7FB, u'符'},
    {0xB8F6, u'个'},
    {0xBAC5, u'\u53F7'},
    {0xBACF, u'\u5408'},
    {0xBAE1, u'\u6A2A'},
    {0xBAF2, u'\u5019'},
    {0xBAF3, u'\u540E'},
    {0xBCF2, u'\u7B80'},
    {0xBDE0, u'\u6D01'},
    {0xBEAD, u'\u7ECF'},
    {0xBEB0, u'\u666F'},
    {0xBFDA, u'\u53E3'},
    {0xBFF2, u'\u6846'},
    {0xC0A9, u'\u6269'},
    {0xC0AD, u'\u62C9'},
    {0xC0B6, u'\u84DD'},
    {0xC0B8, u'\u680F'},
    {0xC1D0, u'列'},
    {0xC2EB, u'\u7801'},
    {0xC3E8, u'\u63CF'},
    {0xC3FB, u'\u540D'},
    {0xC5A5, u'\u94AE'},
    {0xC5C5, u'\u6392'},
    {0xC6A4, u'\u76AE'},
    {0xC6B5, u'频'},
    {0xC7B6, u'\u5D4C'},
    {0xC7F8, u'\u533A'},
    {0xC8EB, u'\u5165'},
    {0xC8FD, u'\u4E09'},
    {0xC9AB, u'\u8272'},
    {0xC9E8, u'设'},
    {0xC9EC, u'\u4F38'},
    {0xCAB9, u'使'},
    {0xCABE, u'\u793A'},
    {0xCAD4, u'\u8BD5'},
    {0xCAE4, u'输'},
    {0xCAF6, u'\u8FF0'},
    {0xCAFA, u'\u7AD6'},
    {0xCAFD, u'数'},
    {0xCBCE, u'\u5B8B'},
    {0xCBF9, u'\u6240'},
    {0xCCAC, u'\u6001'},
    {0xCCE5, u'\u4F53'},
    {0xCEBB, u'\u4F4D'},
    {0xCEC4, u'\u6587'},
    {0xCFA2, u'\u606F'},
    {0xCFB8, u'\u7EC6'},
    {0xCFD4, u'\u663E'},
    {0xCFF2, u'\u5411'},
    {0xD0A1, u'\u5C0F'},
    {0xD0C5, u'\u4FE1'},
    {0xD0F2, u'\u5E8F'},
    {0xD1A1, u'\u9009'},
    {0xD1AF, u'询'},
    {0xD1D5, u'\u989C'},
    {0xD2BB, u'一'},
    {0xD2E5, u'义'},
    {0xD3C3, u'用'},
    {0xD3D0, u'\u6709'},
    {0xD3F2, u'\u57DF'},
    {0xD5B9, u'\u5C55'},
    {0xD5C5, u'\u5F20'},
    {0xD5DF, u'\u8005'},
    {0xD5FB, u'整'},
    {0xD6C3, u'\u7F6E'},
    {0xD7AA, u'转'},
    {0xD7B4, u'\u72B6'},
    {0xD7BA, u'\u7F00'},
    {0xD7D6, u'\u5B57'},
};

}  // namespace

std::vector<std::uint8_t> Utf8FileBytes(std::u16string_view text, bool mark) {
  std::vector<std::uint8_t> out;
  if (mark) out = {0xEF, 0xBB, 0xBF};
  for (char16_t c : text) {  // the test texts hold no surrogate pairs
    if (c < 0x80) {
      out.push_back(static_cast<std::uint8_t>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<std::uint8_t>(0xC0 | (c >> 6)));
      out.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<std::uint8_t>(0xE0 | (c >> 12)));
      out.push_back(static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::vector<std::uint8_t> Utf16FileBytes(std::u16string_view text, bool big_endian) {
  std::vector<std::uint8_t> out =
      big_endian ? std::vector<std::uint8_t>{0xFE, 0xFF} : std::vector<std::uint8_t>{0xFF, 0xFE};
  for (char16_t c : text) {
    const auto high = static_cast<std::uint8_t>(c >> 8), low = static_cast<std::uint8_t>(c & 0xFF);
    out.push_back(big_endian ? high : low);
    out.push_back(big_endian ? low : high);
  }
  return out;
}

std::vector<std::uint8_t> GbkFileBytes(std::u16string_view text) {
  std::vector<std::uint8_t> out;
  for (char16_t c : text) {
    if (c < 0x80) {
      out.push_back(static_cast<std::uint8_t>(c));
      continue;
    }
    bool found = false;
    for (const auto& [code, character] : kGbk) {
      if (character != c) continue;
      out.push_back(static_cast<std::uint8_t>(code >> 8));
      out.push_back(static_cast<std::uint8_t>(code & 0xFF));
      found = true;
      break;
    }
    if (!found) ADD_FAILURE() << "no GBK code in the test table for U+" << std::hex << static_cast<int>(c);
  }
  return out;
}

std::u16string TestGbkToWide(const std::uint8_t* bytes, std::size_t count) {
  std::u16string out;
  for (std::size_t i = 0; i < count; ++i) {
    if (bytes[i] < 0x80 || i + 1 == count) {
      out += static_cast<char16_t>(bytes[i]);
      continue;
    }
    const auto found = kGbk.find(static_cast<std::uint16_t>((bytes[i] << 8) | bytes[i + 1]));
    out += found == kGbk.end() ? u'\uFFFD' : found->second;
    ++i;
  }
  return out;
}

}  // namespace lz::test
