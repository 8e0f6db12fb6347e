#pragma once
// Text in the system's ANSI code page (GBK on a Chinese Windows), decoded to UTF-16.
#include <cstddef>
#include <cstdint>
#include <string>

namespace os {

// MultiByteToWideChar(CP_ACP) on Windows. POSIX systems have no such code page: there each byte is read
// as the character of the same number (ISO 8859-1); tests that need a real code page inject one.
std::u16string AnsiToWide(const std::uint8_t* bytes, std::size_t byte_count);

}  // namespace os
