#include "platform/os/ansi_encode.h"

namespace os {

bool WideToAnsi(std::u16string_view text, std::string& out) {
  out.clear();
  bool all = true;
  for (const char16_t c : text) {
    if (c <= 0xFF) {
      out += static_cast<char>(static_cast<unsigned char>(c));
    } else {
      out += '?';
      all = false;
    }
  }
  return all;
}

}  // namespace os
