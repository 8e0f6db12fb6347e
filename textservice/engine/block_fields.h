#pragma once
// Text and 64-bit fields inside a settings block, read and written through the block's checked view.
// A text field holds zero-terminated UTF-16 in a fixed number of units; a write never leaves the field.
#include <cstdint>
#include <string>
#include <string_view>

#include "textservice/engine/byte_view.h"

namespace lz {

// A uint32 field, or 0 when the view does not hold it (a missing block reads as all switches off).
inline std::uint32_t BlockU32(ByteView view, std::uint64_t offset) {
  std::uint32_t value = 0;
  view.ReadU32(offset, value);
  return value;
}

inline bool ReadU64(ByteView view, std::uint64_t offset, std::uint64_t& out) {
  std::uint32_t low = 0, high = 0;
  if (!view.Holds(offset, 8) || !view.ReadU32(offset, low) || !view.ReadU32(offset + 4, high)) return false;
  out = (std::uint64_t{high} << 32) | low;
  return true;
}

inline bool WriteU64(ByteView view, std::uint64_t offset, std::uint64_t value) {
  if (!view.Holds(offset, 8)) return false;
  return view.WriteU32(offset, static_cast<std::uint32_t>(value)) &&
         view.WriteU32(offset + 4, static_cast<std::uint32_t>(value >> 32));
}

// The first `units` units of text, one less when that would split a surrogate pair: texts are cut
// between characters.
std::u16string_view CutText(std::u16string_view text, std::size_t units);

// Stores text, cut to fieldUnits - 1 units, and a terminator; the rest of the field is left as it was.
bool WriteFieldText(ByteView view, std::uint64_t offset, std::uint32_t fieldUnits, std::u16string_view text);

// The text of a field: up to its terminator or fieldUnits units, whichever comes first.
std::u16string ReadFieldText(ByteView view, std::uint64_t offset, std::uint32_t fieldUnits);

// Zero-fills bytes of a field; nothing when the view does not hold all of them.
void ZeroField(ByteView view, std::uint64_t offset, std::uint32_t bytes);

// Sets or clears bits of a uint32 field.
void SetBits32(ByteView view, std::uint64_t offset, std::uint32_t bits, bool on);

}  // namespace lz
