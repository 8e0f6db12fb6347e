#pragma once
// UTF-8, the form of POSIX paths and of marked text files, to and from UTF-16 text. One encoder and one
// sequence decoder, so that every reader agrees on what a well-formed sequence is; what a reader does
// with a broken one (refuse the file, put U+FFFD in its place) stays its own decision.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace os {

// Appends one code point (at most U+10FFFF) in UTF-8.
void AppendUtf8(char32_t code_point, std::string& out);
// UTF-16 text in UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// Appends one code point (at most U+10FFFF) in UTF-16, as a surrogate pair above U+FFFF.
void AppendUtf16(char32_t code_point, std::u16string& out);

// The sequence at the start of bytes (count > 0). A lead byte that starts nothing, a continuation byte
// missing or cut off by the end: not valid, length 1. A whole sequence with an overlong form, a
// surrogate or a value above U+10FFFF: not valid, its whole length.
struct Utf8Sequence {
  char32_t code_point = 0;
  std::size_t length = 1;
  bool valid = false;
};
Utf8Sequence DecodeUtf8Sequence(const std::uint8_t* bytes, std::size_t count);

}  // namespace os
