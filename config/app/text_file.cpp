#include "config/app/text_file.h"

#include <new>
#include <vector>

#include "platform/os/file_mapping.h"
#include "textservice/engine/text_decoding.h"

namespace lz {

int ReadTextFile(const char16_t* path, std::u16string& out, bool keep_zeros) {
  out.clear();
  if (!path || !path[0]) return kTextFileNoPath;
  try {
    std::vector<std::uint8_t> bytes;
    if (!os::ReadFileBytes(path, bytes)) return kTextFileCannotOpen;
    out = TextBufferToWide(bytes.data(), bytes.size());
  } catch (const std::bad_alloc&) {
    out.clear();
    return kTextFileOutOfMemory;
  }
  if (keep_zeros) return kTextFileRead;
  const std::size_t zero = out.find(u'\0');
  if (zero != std::u16string::npos) out.resize(zero);
  return kTextFileRead;
}

void AppendUtf8(std::vector<std::uint8_t>& out, std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;  // half a pair is not text
    }
    if (c < 0x80) {
      out.push_back(static_cast<std::uint8_t>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<std::uint8_t>(0xC0 | (c >> 6)));
      out.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<std::uint8_t>(0xE0 | (c >> 12)));
      out.push_back(static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<std::uint8_t>(0xF0 | (c >> 18)));
      out.push_back(static_cast<std::uint8_t>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
    }
  }
}

}  // namespace lz
