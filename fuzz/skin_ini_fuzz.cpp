// Any bytes as a skin.ini (and as a text file in general): the decoder and the parser must never read
// outside the bytes, and every text field they fill must stay terminated inside its array.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "textservice/skin/skin_description.h"

namespace {

template <std::size_t N>
void RequireTerminated(const char16_t (&text)[N]) {
  for (char16_t c : text) {
    if (c == u'\0') return;
  }
  __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::vector<std::uint8_t> bytes;
  if (data[0] & 1) {
    // Behind a valid version template the fuzzer spends its effort on sections, keys and values.
    constexpr char kTemplate[] = ";------------------------for version 4.0+-------------------\r\n";
    bytes.assign(kTemplate, kTemplate + sizeof kTemplate - 1);
  }
  bytes.insert(bytes.end(), data + 1, data + size);
  lz::SkinDescription d;
  const int result = lz::ParseSkinIni(bytes.data(), bytes.size(), d);
  if (result != lz::kSkinIniParsed && result != lz::kSkinIniNoText && result != lz::kSkinIniNoName &&
      result != lz::kSkinIniNoTemplate) {
    __builtin_trap();
  }
  RequireTerminated(d.info.name);
  RequireTerminated(d.info.description);
  RequireTerminated(d.info.version);
  RequireTerminated(d.info.owner_name);
  RequireTerminated(d.info.owner_contact);
  RequireTerminated(d.text.code_font.name);
  RequireTerminated(d.text.candidate_font.name);
  RequireTerminated(d.source);
  if ((result == lz::kSkinIniParsed) == (d.info.name[0] == u'\0')) __builtin_trap();
  lz::IsUtf8Text(data, size);
  return 0;
}
