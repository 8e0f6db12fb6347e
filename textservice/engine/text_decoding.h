#pragma once
// The one decoder of text files (skin.ini, and the configuration program's text imports): UTF-8 with or
// without a byte-order mark, UTF-16 in either byte order behind its mark, and anything else through the
// system's ANSI code page.
#include <cstddef>
#include <cstdint>
#include <string>

namespace lz {

// Decodes bytes of the ANSI code page. Injectable so that tests on any platform can decode a known code
// page (GBK) the way a Chinese Windows system does.
using AnsiDecoder = std::u16string (*)(const std::uint8_t* bytes, std::size_t byte_count);

// The running system's ANSI code page (see os::AnsiToWide).
std::u16string SystemAnsiToWide(const std::uint8_t* bytes, std::size_t byte_count);

// UTF-8 to UTF-16 without a validity test of the whole: each byte that starts no well-formed sequence
// (overlong forms, surrogates and values above U+10FFFF included) becomes U+FFFD.
std::u16string Utf8BytesToWide(const std::uint8_t* bytes, std::size_t byte_count);

// True when the bytes are well-formed by the lead-byte counting rule (a lead byte with n further one bits
// below its top bit opens n continuation bytes, up to seven for 0xFF) and hold at least one byte of 0x80
// or above. False for an empty text.
bool IsUtf8Text(const std::uint8_t* bytes, std::size_t byte_count);

// Decodes a text file's bytes by its first bytes:
//   EF BB BF  UTF-8 after the mark;
//   FF FE     UTF-16 little-endian after the mark, (count - 2) / 2 units;
//   FE FF     UTF-16 big-endian after the mark, up to its first zero unit (the rest is not text);
//   no mark   UTF-8 when IsUtf8Text holds, else the ANSI code page through `ansi`.
std::u16string TextBufferToWide(const std::uint8_t* bytes, std::size_t byte_count, AnsiDecoder ansi = SystemAnsiToWide);

}  // namespace lz
