#include "platform/os/ansi_code_page.h"

#include <windows.h>

#include <climits>

#include "platform/os/native_path.h"

namespace os {

std::u16string AnsiToWide(const std::uint8_t* bytes, std::size_t byte_count) {
  if (!bytes || byte_count == 0 || byte_count > INT_MAX) return {};
  const auto* source = reinterpret_cast<const char*>(bytes);
  const int count = static_cast<int>(byte_count);
  const int units = MultiByteToWideChar(CP_ACP, 0, source, count, nullptr, 0);
  if (units <= 0) return {};
  std::u16string out(static_cast<std::size_t>(units), u'\0');
  MultiByteToWideChar(CP_ACP, 0, source, count, WidePtr(out.data()), units);
  return out;
}

}  // namespace os
