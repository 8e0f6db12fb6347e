#include "textservice/engine/text_encoding.h"

#include <climits>

namespace lz {
namespace {

constexpr char16_t kHighFirst = 0xD800;
constexpr char16_t kLowFirst = 0xDC00;
constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr char32_t kFirstSupplementary = 0x10000;

constexpr bool IsHigh(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
constexpr bool IsLow(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

constexpr char32_t Combine(char16_t high, char16_t low) {
  return kFirstSupplementary + ((static_cast<char32_t>(high - kHighFirst) << 10) | (low - kLowFirst));
}

// Copies at most limit units of a zero-terminated text (null: none) and a zero into copy, which holds
// limit + 1 units; gives the units copied. Working on the copy lets a caller's output be its input.
int CopyUpTo(char16_t* copy, const char16_t* text, int limit) {
  int length = 0;
  while (text != nullptr && length < limit && text[length] != 0) {
    copy[length] = text[length];
    ++length;
  }
  copy[length] = 0;
  return length;
}

// One UTF-8 sequence at p, of which `remaining` bytes may be read. Gives its length and code point,
// 0 at the end (no bytes left or a zero byte), -1 for a byte that starts no sequence, a sequence cut by
// the end, or a code point beyond Unicode. Continuation bytes are taken as they are, except that a zero
// byte ends the text even inside a sequence, so a zero-terminated buffer is never read past its zero.
int DecodeUtf8(const std::uint8_t* p, int remaining, char32_t& cp) {
  if (p == nullptr || remaining <= 0 || p[0] == 0) return 0;
  const std::uint8_t lead = p[0];
  int length;
  if (lead < 0x80) {
    cp = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2;
    cp = lead & 0x1Fu;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    cp = lead & 0x0Fu;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    cp = lead & 0x07u;
  } else {
    return -1;
  }
  if (length > remaining) return -1;
  for (int i = 1; i < length; ++i) {
    if (p[i] == 0) return -1;
    cp = (cp << 6) | (p[i] & 0x3Fu);
  }
  if (cp > kLastCodePoint) return -1;
  return length;
}

// Collects UTF-16 units into a bounded buffer. Once a character does not fit, nothing more is written,
// but the units are still counted.
class WideSink {
 public:
  WideSink(char16_t* out, int maxUnits) : out_(out), max_(out != nullptr && maxUnits > 0 ? maxUnits : 0) {}

  void Put(char32_t cp) {
    const int units = cp >= kFirstSupplementary ? 2 : 1;
    if (open_ && written_ + units <= max_) {
      if (units == 2) {
        const char32_t v = cp - kFirstSupplementary;
        out_[written_] = static_cast<char16_t>(kHighFirst + (v >> 10));
        out_[written_ + 1] = static_cast<char16_t>(kLowFirst + (v & 0x3FF));
      } else {
        out_[written_] = static_cast<char16_t>(cp);
      }
      written_ += units;
    } else {
      open_ = false;
    }
    if (needed_ <= INT_MAX - 2) needed_ += units;
  }

  int written() const { return written_; }
  int needed() const { return needed_; }

 private:
  char16_t* out_;
  int max_;
  int written_ = 0;
  int needed_ = 0;
  bool open_ = true;
};

// UTF-8 -> UTF-16 into at most maxUnits units. Gives the units needed or -1; `written` receives the
// units actually stored (the caller terminates after them).
int DecodeToWide(char16_t* out, int maxUnits, const std::uint8_t* utf8, int byteCount, int& written) {
  WideSink sink(out, maxUnits);
  int result = 0;
  int pos = 0;
  for (;;) {
    char32_t cp = 0;
    const int length = DecodeUtf8(utf8 == nullptr ? nullptr : utf8 + pos, byteCount - pos, cp);
    if (length == 0) break;
    if (length < 0) {
      result = -1;
      break;
    }
    sink.Put(cp);
    pos += length;
  }
  written = sink.written();
  return result < 0 ? -1 : sink.needed();
}

// The shared UTF-16 -> UTF-8 encoder. Reads at most unitLimit units; stops counting once more than
// countLimit bytes are needed (the result then only says "too long"). Gives the bytes needed or -1.
int EncodeUtf8(const char16_t* text, int unitLimit, std::uint8_t* out, int capacity, int countLimit) {
  if (out == nullptr || capacity < 0) capacity = 0;
  int needed = 0;
  int written = 0;
  bool open = true;
  int result = 0;
  for (int i = 0; text != nullptr && i < unitLimit && text[i] != 0;) {
    const char16_t unit = text[i];
    char32_t cp = unit;
    int advance = 1;
    if (IsHigh(unit)) {
      if (i + 1 >= unitLimit) break;  // the limit cuts the pair: the text ends before it
      if (!IsLow(text[i + 1])) {
        result = -1;
        break;
      }
      cp = Combine(unit, text[i + 1]);
      advance = 2;
    } else if (IsLow(unit)) {
      result = -1;
      break;
    }
    const int length = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < kFirstSupplementary ? 3 : 4;
    if (open && written + length <= capacity) {
      std::uint8_t* p = out + written;
      switch (length) {
        case 1:
          p[0] = static_cast<std::uint8_t>(cp);
          break;
        case 2:
          p[0] = static_cast<std::uint8_t>(0xC0 | (cp >> 6));
          p[1] = static_cast<std::uint8_t>(0x80 | (cp & 0x3F));
          break;
        case 3:
          p[0] = static_cast<std::uint8_t>(0xE0 | (cp >> 12));
          p[1] = static_cast<std::uint8_t>(0x80 | ((cp >> 6) & 0x3F));
          p[2] = static_cast<std::uint8_t>(0x80 | (cp & 0x3F));
          break;
        default:
          p[0] = static_cast<std::uint8_t>(0xF0 | (cp >> 18));
          p[1] = static_cast<std::uint8_t>(0x80 | ((cp >> 12) & 0x3F));
          p[2] = static_cast<std::uint8_t>(0x80 | ((cp >> 6) & 0x3F));
          p[3] = static_cast<std::uint8_t>(0x80 | (cp & 0x3F));
          break;
      }
      written += length;
    } else {
      open = false;
    }
    needed += length;
    i += advance;
    if (needed > countLimit) break;
  }
  if (written < capacity) out[written] = 0;
  return result < 0 ? -1 : needed;
}

constexpr char16_t HexDigit(unsigned value) {
  return static_cast<char16_t>(value < 10 ? u'0' + value : u'A' + (value - 10));
}

}  // namespace

int Utf8ToWide(char16_t* out, const std::uint8_t* utf8, int byteCount) {
  int written = 0;
  const int result = DecodeToWide(out, kMaxDecodedUnits, utf8, byteCount, written);
  if (out != nullptr) out[written] = 0;
  return result;
}

int WideToUtf8(const char16_t* text, std::uint8_t* out, int byteCapacity) {
  return EncodeUtf8(text, kMaxUtf8SourceUnits, out, byteCapacity, INT_MAX - 4);
}

int WideToUtf8N(int byteCapacity, std::uint8_t* out, const char16_t* text, int unitLimit) {
  return EncodeUtf8(text, unitLimit, out, byteCapacity, INT_MAX - 4);
}

int WideToTableString(int capacity, std::uint8_t* out, const char16_t* text) {
  if (out == nullptr) capacity = 0;
  if (capacity < 0) capacity = 0;
  // The whole text is measured (not only its first 250 units) so that a long text is refused, not cut.
  const int needed =
      EncodeUtf8(text, INT_MAX, capacity > 0 ? out + 1 : nullptr, capacity - 1, kMaxTableStringBytes);
  const bool fits = out == nullptr || needed <= capacity - 1;
  if (needed <= 0 || needed > kMaxTableStringBytes || !fits) {
    if (capacity > 0) out[0] = 0;
    return 0;
  }
  if (out != nullptr) out[0] = static_cast<std::uint8_t>(needed);
  return needed;
}

int CodeToTableString(std::uint8_t* out, const char16_t* text, int capacity) {
  char16_t code[kMaxCodeCopyUnits + 1];
  CopyUpTo(code, text, kMaxCodeCopyUnits);
  FoldFullWidth(code);
  return WideToTableString(capacity, out, code);
}

int TableStringToWide(char16_t* out, int capacity, const std::uint8_t* tableString) {
  if (out == nullptr || capacity <= 0) return 0;
  int written = 0;
  if (tableString != nullptr) {
    const int maxUnits = capacity - 1 < kMaxDecodedUnits ? capacity - 1 : kMaxDecodedUnits;
    DecodeToWide(out, maxUnits, tableString + 1, tableString[0], written);
  }
  out[written] = 0;
  return written;
}

int TableStringToCode(char16_t* out, const std::uint8_t* tableString) {
  if (out == nullptr) return 0;
  WideSink sink(out, kMaxCodeUnits);
  if (tableString != nullptr) {
    const std::uint8_t* bytes = tableString + 1;
    const int count = tableString[0];
    for (int pos = 0; pos < count;) {
      if (bytes[pos] < kCodeKeyByteLimit) {
        sink.Put(static_cast<char32_t>(kFullWidthBase + bytes[pos]));
        ++pos;
        continue;
      }
      char32_t cp = 0;
      const int length = DecodeUtf8(bytes + pos, count - pos, cp);
      if (length <= 0) break;
      sink.Put(cp);
      pos += length;
    }
  }
  out[sink.written()] = 0;
  return sink.written();
}

void FoldFullWidth(char16_t* text) {
  if (text == nullptr) return;
  for (; *text != 0; ++text) {
    if (*text >= kFullWidthKeyFirst && *text <= kFullWidthKeyLast) {
      // Adding 0x100 wraps round 16 bits: U+FF0A..U+FF19 become 0x0A..0x19.
      *text = static_cast<char16_t>(*text + 0x100);
    }
  }
}

int Utf8CharCount(int byteCount, const std::uint8_t* utf8) {
  int count = 0;
  for (int pos = 0;;) {
    char32_t cp = 0;
    const int length = DecodeUtf8(utf8 == nullptr ? nullptr : utf8 + pos, byteCount - pos, cp);
    if (length == 0) return count;
    if (length < 0) return -1;
    ++count;
    pos += length;
  }
}

int Utf8ToUtf32(char32_t* out, const std::uint8_t* utf8, int byteCount) {
  int count = 0;
  int written = 0;
  int result = 0;
  for (int pos = 0;;) {
    char32_t cp = 0;
    const int length = DecodeUtf8(utf8 == nullptr ? nullptr : utf8 + pos, byteCount - pos, cp);
    if (length == 0) break;
    if (length < 0) {
      result = -1;
      break;
    }
    if (out != nullptr && written < kMaxUtf32Points) out[written++] = cp;
    ++count;
    pos += length;
  }
  if (out != nullptr) out[written] = 0;
  return result < 0 ? -1 : count;
}

int WideCharToUtf32(char32_t* out, const char16_t* text) {
  char32_t cp = 0;
  int used = -1;
  if (text != nullptr && text[0] != 0) {
    if (IsHigh(text[0])) {
      if (IsLow(text[1])) {
        cp = Combine(text[0], text[1]);
        used = 2;
      }
    } else if (!IsLow(text[0])) {
      cp = text[0];
      used = 1;
    }
  }
  if (out != nullptr) {
    out[0] = cp;
    out[1] = 0;
  }
  return used;
}

int WideToUtf32(char32_t* out, const char16_t* text, int count) {
  if (out == nullptr) return 0;
  int written = 0;
  for (int pos = 0; written < count;) {
    char32_t one[2];
    const int used = WideCharToUtf32(one, text == nullptr ? nullptr : text + pos);
    if (used < 0) break;
    out[written++] = one[0];
    pos += used;
  }
  out[written] = 0;
  return 0;
}

int CountCodePoints(const char16_t* text) {
  if (text == nullptr) return 0;
  int count = 0;
  for (int i = 0; i < kMaxCountedUnits && text[i] != 0;) {
    if (IsHigh(text[i])) {
      if (i + 1 >= kMaxCountedUnits) break;
      if (!IsLow(text[i + 1])) return -1;
      i += 2;
    } else if (IsLow(text[i])) {
      return -1;
    } else {
      ++i;
    }
    ++count;
  }
  return count;
}

int Utf32ToWide(char16_t* out, const char32_t* codePoints, int capacity, int count) {
  WideSink sink(out, capacity);
  int result = 0;
  for (int k = 0; codePoints != nullptr && k < count && codePoints[k] != 0; ++k) {
    if (codePoints[k] > kMaxUtf32ToWide) {
      result = -1;
      break;
    }
    sink.Put(codePoints[k]);
  }
  if (out != nullptr && sink.written() < capacity) out[sink.written()] = 0;
  return result < 0 ? -1 : sink.needed();
}

int UrlEncodeUtf8(char16_t* out, const char16_t* text) {
  if (out == nullptr) return 0;
  // Every source character gives at least one output character, so more than kMaxUrlChars source units
  // can never be used. Copying them first lets out and text be the same buffer.
  char16_t source[kMaxUrlChars + 1];
  const int length = CopyUpTo(source, text, kMaxUrlChars);

  int written = 0;
  for (int i = 0; i < length;) {
    const char16_t unit = source[i];
    if (unit <= 0x00FE) {
      if (written >= kMaxUrlChars) break;
      out[written++] = unit;
      ++i;
      continue;
    }
    std::uint8_t bytes[5];
    const int byteCount = EncodeUtf8(source + i, IsHigh(unit) ? 2 : 1, bytes, 5, 4);
    if (byteCount <= 0) break;  // a broken pair, or a high half whose low half is past the copied text
    if (written + 3 * byteCount > kMaxUrlChars) break;
    for (int b = 0; b < byteCount; ++b) {
      out[written++] = u'%';
      out[written++] = HexDigit(bytes[b] >> 4);
      out[written++] = HexDigit(bytes[b] & 0x0Fu);
    }
    i += byteCount == 4 ? 2 : 1;
  }
  out[written] = 0;
  return written;
}

}  // namespace lz
