#include "platform/os/temp_folder.h"

#include <cstdlib>
#include <cstring>

namespace os {

std::size_t TempFolderPath(char16_t* out, std::size_t capacity) {
  if (capacity == 0) return 0;
  out[0] = 0;
  const char* folder = std::getenv("TMPDIR");
  if (!folder || !*folder) folder = "/tmp";
  // A folder name outside ASCII is refused rather than guessed at: test and build machines use /tmp.
  const std::size_t n = std::strlen(folder);
  if (n + 1 > capacity) return 0;
  for (std::size_t i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>(folder[i]);
    if (c >= 0x80) {
      out[0] = 0;
      return 0;
    }
    out[i] = c;
  }
  out[n] = 0;
  return n;
}

}  // namespace os
