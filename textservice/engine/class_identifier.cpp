#include "textservice/engine/class_identifier.h"

namespace lz {
namespace {

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Reads 2n hex digits as a big-endian number.
bool ReadHex(const char16_t*& p, int digits, std::uint32_t& out) {
  out = 0;
  for (int i = 0; i < digits; ++i) {
    const int v = HexValue(*p++);
    if (v < 0) return false;
    out = out << 4 | static_cast<std::uint32_t>(v);
  }
  return true;
}

}  // namespace

bool ParseClassIdentifier(const char16_t* text, std::uint8_t (&out)[16]) {
  if (!text || *text != u'{') return false;
  const char16_t* p = text + 1;
  std::uint32_t data1 = 0, data2 = 0, data3 = 0, byte = 0;
  if (!ReadHex(p, 8, data1) || *p++ != u'-' || !ReadHex(p, 4, data2) || *p++ != u'-' || !ReadHex(p, 4, data3) ||
      *p++ != u'-') {
    return false;
  }
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(data1 >> (8 * i));
  for (int i = 0; i < 2; ++i) out[4 + i] = static_cast<std::uint8_t>(data2 >> (8 * i));
  for (int i = 0; i < 2; ++i) out[6 + i] = static_cast<std::uint8_t>(data3 >> (8 * i));
  for (int i = 0; i < 8; ++i) {
    if (i == 2 && *p++ != u'-') return false;
    if (!ReadHex(p, 2, byte)) return false;
    out[8 + i] = static_cast<std::uint8_t>(byte);
  }
  return *p++ == u'}' && *p == 0;
}

}  // namespace lz

namespace lz {

void FormatClassIdentifier(const std::uint8_t (&id)[16], char16_t* out) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  // Data1, Data2 and Data3 are little-endian numbers; Data4 is written byte by byte.
  static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  int n = 0;
  out[n++] = u'{';
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out[n++] = u'-';
    out[n++] = kDigits[id[kOrder[i]] >> 4];
    out[n++] = kDigits[id[kOrder[i]] & 0xF];
  }
  out[n++] = u'}';
  out[n] = 0;
}

}  // namespace lz
