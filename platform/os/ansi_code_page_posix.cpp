#include "platform/os/ansi_code_page.h"

namespace os {

std::u16string AnsiToWide(const std::uint8_t* bytes, std::size_t byte_count) {
  std::u16string out;
  out.reserve(byte_count);
  for (std::size_t i = 0; i < byte_count; ++i) out += static_cast<char16_t>(bytes[i]);
  return out;
}

}  // namespace os
