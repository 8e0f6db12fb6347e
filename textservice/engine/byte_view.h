#pragma once
// Little-endian reads and writes at offsets into a view, each checked against the view's size first.
#include <cstddef>
#include <cstdint>

namespace lz {

struct ByteView {
  std::uint8_t* data = nullptr;
  std::uint32_t size = 0;

  // True when [offset, offset + length) lies inside the view (without overflow).
  constexpr bool Holds(std::uint64_t offset, std::uint64_t length) const {
    return offset <= size && length <= size - offset;
  }

  bool ReadU8(std::uint64_t offset, std::uint8_t& out) const {
    if (!Holds(offset, 1)) return false;
    out = data[offset];
    return true;
  }
  bool ReadU16(std::uint64_t offset, std::uint16_t& out) const {
    if (!Holds(offset, 2)) return false;
    out = static_cast<std::uint16_t>(data[offset] | (data[offset + 1] << 8));
    return true;
  }
  bool ReadU32(std::uint64_t offset, std::uint32_t& out) const {
    if (!Holds(offset, 4)) return false;
    out = static_cast<std::uint32_t>(data[offset]) | (static_cast<std::uint32_t>(data[offset + 1]) << 8) |
          (static_cast<std::uint32_t>(data[offset + 2]) << 16) |
          (static_cast<std::uint32_t>(data[offset + 3]) << 24);
    return true;
  }
  bool WriteU8(std::uint64_t offset, std::uint8_t value) const {
    if (!Holds(offset, 1)) return false;
    data[offset] = value;
    return true;
  }
  bool WriteU16(std::uint64_t offset, std::uint16_t value) const {
    if (!Holds(offset, 2)) return false;
    data[offset] = static_cast<std::uint8_t>(value);
    data[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    return true;
  }
  bool WriteU32(std::uint64_t offset, std::uint32_t value) const {
    if (!Holds(offset, 4)) return false;
    for (int i = 0; i < 4; ++i) data[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    return true;
  }
};

}  // namespace lz
