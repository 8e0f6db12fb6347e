#include "textservice/engine/system_services.h"

#include <string>

#include "platform/os/clipboard.h"

namespace lz {

namespace {
constexpr std::size_t kMaxIdentifierUnits = 127;
constexpr std::size_t kImeKeyUnits = 260;
}  // namespace

int GetWorkAreaAtPoint(os::Rect& out, int x, int y) { return os::WorkAreaAtPoint(x, y, out) ? 1 : 0; }

int ReadHklmString(const char16_t* subkey, char16_t* out, std::size_t capacity, const char16_t* value_name) {
  if (!out || capacity == 0 || !subkey) return 0;
  return os::ReadMachineString(subkey, value_name, out, capacity) ? 1 : 0;
}

int ReadImeRegistryValue(char16_t* out, std::size_t capacity, const char16_t* value_name,
                         const char16_t* class_identifier) {
  if (!out) return 0;
  if (capacity > 0) out[0] = 0;
  char16_t key[kImeKeyUnits] = u"Software\\LanzoIME4\\";
  std::size_t n = std::char_traits<char16_t>::length(key);
  for (std::size_t i = 0; class_identifier && class_identifier[i] && i < kMaxIdentifierUnits; ++i) key[n++] = class_identifier[i];
  key[n++] = u'\\';
  key[n] = 0;
  return ReadHklmString(key, out, capacity, value_name);
}

int ReadInstallLocation(char16_t* out, std::size_t capacity, const char16_t* class_identifier) {
  if (!ReadImeRegistryValue(out, capacity, u"InstallLocation", class_identifier)) return 0;
  const std::size_t n = std::char_traits<char16_t>::length(out);
  if ((n == 0 || out[n - 1] != u'\\') && n + 1 < capacity) {
    out[n] = u'\\';
    out[n + 1] = 0;
  }
  return 1;
}

int GetClipboardText(char16_t (&out)[kClipboardTextUnits + 1]) {
  out[0] = 0;
  std::u16string text;
  if (!os::ReadClipboardText(text)) return 0;
  const std::size_t n = text.size() < kClipboardTextUnits ? text.size() : kClipboardTextUnits;
  text.copy(out, n);
  out[n] = 0;
  return 1;
}

}  // namespace lz
