#include "platform/os/file_stream.h"

namespace os {

bool ReadWholeStream(std::FILE* f, std::vector<std::uint8_t>& out) {
  out.clear();
  if (!f) return false;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  const long length = ok ? std::ftell(f) : -1;
  ok = ok && length >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok) {
    out.resize(static_cast<std::size_t>(length));
    ok = std::fread(out.data(), 1, out.size(), f) == out.size();
  }
  std::fclose(f);
  if (!ok) out.clear();
  return ok;
}

}  // namespace os
