#include "textservice/engine/block_fields.h"

namespace lz {

namespace {
constexpr bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
}  // namespace

std::u16string_view CutText(std::u16string_view text, std::size_t units) {
  if (text.size() <= units) return text;
  std::u16string_view cut = text.substr(0, units);
  if (!cut.empty() && IsHighSurrogate(cut.back())) cut.remove_suffix(1);
  return cut;
}

bool WriteFieldText(ByteView view, std::uint64_t offset, std::uint32_t fieldUnits, std::u16string_view text) {
  if (fieldUnits == 0 || !view.Holds(offset, std::uint64_t{fieldUnits} * 2)) return false;
  const std::u16string_view cut = CutText(text, fieldUnits - 1);
  std::uint64_t at = offset;
  for (char16_t c : cut) {
    view.WriteU16(at, c);
    at += 2;
  }
  view.WriteU16(at, 0);
  return true;
}

std::u16string ReadFieldText(ByteView view, std::uint64_t offset, std::uint32_t fieldUnits) {
  std::u16string text;
  for (std::uint32_t i = 0; i < fieldUnits; ++i) {
    std::uint16_t unit = 0;
    if (!view.ReadU16(offset + 2ull * i, unit) || unit == 0) break;
    text.push_back(static_cast<char16_t>(unit));
  }
  return text;
}

void ZeroField(ByteView view, std::uint64_t offset, std::uint32_t bytes) {
  if (!view.Holds(offset, bytes)) return;
  for (std::uint32_t i = 0; i < bytes; ++i) view.WriteU8(offset + i, 0);
}

void SetBits32(ByteView view, std::uint64_t offset, std::uint32_t bits, bool on) {
  std::uint32_t value = 0;
  if (!view.ReadU32(offset, value)) return;
  view.WriteU32(offset, on ? (value | bits) : (value & ~bits));
}

}  // namespace lz
