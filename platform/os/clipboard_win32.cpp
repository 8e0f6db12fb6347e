#include <windows.h>

#include <cstring>

#include "platform/os/clipboard.h"
#include "platform/os/native_path.h"

namespace os {

bool ReadClipboardText(std::u16string& out) {
  out.clear();
  if (!OpenClipboard(nullptr)) return false;
  // A clipboard without text (or whose text block cannot be locked) reads as the empty text.
  HANDLE data = IsClipboardFormatAvailable(CF_UNICODETEXT) ? GetClipboardData(CF_UNICODETEXT) : nullptr;
  if (const auto* text = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr) {
    // The block may lack its terminator; never read past its size.
    const SIZE_T units = GlobalSize(data) / sizeof(wchar_t);
    SIZE_T n = 0;
    while (n < units && text[n]) ++n;
    out.assign(U16Ptr(text), n);
    GlobalUnlock(data);
  }
  CloseClipboard();
  return true;
}

bool EmptyClipboardText() {
  if (!OpenClipboard(nullptr)) return false;
  const bool ok = EmptyClipboard() != 0;
  CloseClipboard();
  return ok;
}

bool WriteClipboardText(std::u16string_view text) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  bool ok = false;
  if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t))) {
    if (auto* target = static_cast<char16_t*>(GlobalLock(block))) {
      std::memcpy(target, text.data(), text.size() * sizeof(char16_t));
      target[text.size()] = 0;
      GlobalUnlock(block);
      ok = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    }
    if (!ok) GlobalFree(block);
  }
  CloseClipboard();
  return ok;
}

}  // namespace os
