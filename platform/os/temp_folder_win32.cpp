#include "platform/os/temp_folder.h"

#include <windows.h>

#include "platform/os/native_path.h"

namespace os {

std::size_t TempFolderPath(char16_t* out, std::size_t capacity) {
  if (capacity == 0) return 0;
  out[0] = 0;
  const DWORD n = GetTempPathW(static_cast<DWORD>(capacity), WidePtr(out));
  // A result of capacity or more is the size the path would need: it did not fit.
  if (n == 0 || n >= capacity) {
    out[0] = 0;
    return 0;
  }
  return n;
}

}  // namespace os
