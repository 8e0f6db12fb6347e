#include "platform/os/ansi_encode.h"

#include <windows.h>

#include <climits>

#include "platform/os/native_path.h"

namespace os {

bool WideToAnsi(std::u16string_view text, std::string& out) {
  out.clear();
  if (text.empty()) return true;
  if (text.size() > INT_MAX) return false;
  const int count = static_cast<int>(text.size());
  const wchar_t* source = WidePtr(text.data());
  // Without WC_NO_BEST_FIT_CHARS a character such as U+00E9 on a Chinese system would silently become
  // 'e' and the file would no longer hold what the user typed.
  const int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, source, count, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return false;
  out.resize(static_cast<std::size_t>(bytes));
  BOOL used_default = FALSE;
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, source, count, out.data(), bytes, nullptr, &used_default);
  return !used_default;
}

}  // namespace os
