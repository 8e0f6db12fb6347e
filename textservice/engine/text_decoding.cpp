#include "textservice/engine/text_decoding.h"

#include "platform/os/ansi_code_page.h"

namespace lz {

std::u16string SystemAnsiToWide(const std::uint8_t* bytes, std::size_t byte_count) {
  return os::AnsiToWide(bytes, byte_count);
}

namespace {

constexpr std::uint8_t kUtf8Mark[] = {0xEF, 0xBB, 0xBF};
constexpr std::uint8_t kUtf16LeMark[] = {0xFF, 0xFE};
constexpr std::uint8_t kUtf16BeMark[] = {0xFE, 0xFF};
constexpr char16_t kReplacement = u'\uFFFD';

bool StartsWith(const std::uint8_t* bytes, std::size_t count, const std::uint8_t* mark, std::size_t length) {
  if (count < length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    if (bytes[i] != mark[i]) return false;
  }
  return true;
}

void AppendCodePoint(std::u16string& out, char32_t cp) {
  if (cp >= 0x10000) {
    out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
  } else {
    out += static_cast<char16_t>(cp);
  }
}

}  // namespace

std::u16string Utf8BytesToWide(const std::uint8_t* bytes, std::size_t count) {
  std::u16string out;
  out.reserve(count);
  std::size_t i = 0;
  while (i < count) {
    const std::uint8_t lead = bytes[i];
    if (lead < 0x80) {
      out += static_cast<char16_t>(lead);
      ++i;
      continue;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1, cp = lead & 0x1Fu, lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2, cp = lead & 0x0Fu, lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3, cp = lead & 0x07u, lowest = 0x10000;
    } else {
      out += kReplacement;
      ++i;
      continue;
    }
    std::size_t used = 1;
    bool whole = true;
    for (int k = 1; k <= extra; ++k) {
      if (i + static_cast<std::size_t>(k) >= count || (bytes[i + k] & 0xC0) != 0x80) {
        whole = false;
        break;
      }
      cp = (cp << 6) | (bytes[i + k] & 0x3Fu);
      used = static_cast<std::size_t>(k) + 1;
    }
    if (!whole || cp < lowest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out += kReplacement;
      i += used;
      continue;
    }
    AppendCodePoint(out, cp);
    i += used;
  }
  return out;
}

bool IsUtf8Text(const std::uint8_t* bytes, std::size_t count) {
  if (!bytes || count == 0) return false;
  int due = 0;
  bool high = false;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t b = bytes[i];
    if (b >= 0x80) high = true;
    if (due > 0) {
      if ((b & 0xC0) != 0x80) return false;
      --due;
      continue;
    }
    if (b < 0x80) continue;
    if ((b & 0xC0) == 0x80) return false;  // a continuation byte where none is due
    // Further one bits below the top two count the continuation bytes.
    for (std::uint8_t mask = 0x20; mask && (b & mask); mask = static_cast<std::uint8_t>(mask >> 1)) ++due;
    ++due;
  }
  return due == 0 && high;
}

std::u16string TextBufferToWide(const std::uint8_t* bytes, std::size_t count, AnsiDecoder ansi) {
  if (!bytes || count == 0) return {};
  if (StartsWith(bytes, count, kUtf8Mark, sizeof kUtf8Mark)) {
    return Utf8BytesToWide(bytes + sizeof kUtf8Mark, count - sizeof kUtf8Mark);
  }
  if (StartsWith(bytes, count, kUtf16LeMark, sizeof kUtf16LeMark)) {
    std::u16string out((count - 2) / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i) {
      out[i] = static_cast<char16_t>(bytes[2 + 2 * i] | (bytes[3 + 2 * i] << 8));
    }
    return out;
  }
  if (StartsWith(bytes, count, kUtf16BeMark, sizeof kUtf16BeMark)) {
    std::u16string out;
    const std::size_t units = (count - 2) / 2;
    out.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
      const auto unit = static_cast<char16_t>((bytes[2 + 2 * i] << 8) | bytes[3 + 2 * i]);
      if (unit == 0) break;
      out += unit;
    }
    return out;
  }
  if (IsUtf8Text(bytes, count)) return Utf8BytesToWide(bytes, count);
  return ansi ? ansi(bytes, count) : SystemAnsiToWide(bytes, count);
}

}  // namespace lz
