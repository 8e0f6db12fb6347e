#include "platform/os/utf8_text.h"

namespace os {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsContinuation(std::uint8_t b) { return (b & 0xC0) == 0x80; }

}  // namespace

void AppendUtf8(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (IsHighSurrogate(cp) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
    } else if (IsHighSurrogate(cp) || IsLowSurrogate(cp)) {
      cp = kReplacement;
    }
    AppendUtf8(cp, out);
  }
  return out;
}

void AppendUtf16(char32_t cp, std::u16string& out) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  } else {
    out += static_cast<char16_t>(cp);
  }
}

Utf8Sequence DecodeUtf8Sequence(const std::uint8_t* p, std::size_t n) {
  const std::uint8_t b = p[0];
  if (b < 0x80) return Utf8Sequence{b, 1, true};
  char32_t cp = 0;
  std::size_t extra = 0;
  if ((b & 0xE0) == 0xC0) {
    cp = b & 0x1Fu;
    extra = 1;
  } else if ((b & 0xF0) == 0xE0) {
    cp = b & 0x0Fu;
    extra = 2;
  } else if ((b & 0xF8) == 0xF0) {
    cp = b & 0x07u;
    extra = 3;
  } else {
    return Utf8Sequence{};
  }
  if (extra >= n) return Utf8Sequence{};
  for (std::size_t k = 1; k <= extra; ++k) {
    if (!IsContinuation(p[k])) return Utf8Sequence{};
    cp = (cp << 6) | (p[k] & 0x3Fu);
  }
  static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
  const bool valid = cp >= kLeast[extra] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
  return Utf8Sequence{cp, extra + 1, valid};
}

}  // namespace os
