#include "platform/os/native_path.h"

#include "platform/os/utf8_text.h"

namespace os {

std::string NativePath(const char16_t* path) { return Utf16ToUtf8(path); }

}  // namespace os
