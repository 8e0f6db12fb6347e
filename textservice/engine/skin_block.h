#pragma once
// Fields of the skin block of config.dsc (offsets from the block start; the block is a stored format):
// the candidate window's appearance options.
#include <cstdint>

namespace lz::skin_block {

constexpr std::uint32_t kFlags = 40;  // uint32
constexpr std::uint32_t kShowNumbers = 0x1;
constexpr std::uint32_t kShowCodeHints = 0x2;
constexpr std::uint32_t kShowButtons = 0x4;
constexpr std::uint32_t kHorizontal = 0x8;
constexpr std::uint32_t kVerticalFromLeft = 0x10;
constexpr std::uint32_t kLayoutMask = kHorizontal | kVerticalFromLeft;
constexpr std::uint32_t kCursorBar = 0x100;
constexpr std::uint32_t kCursorUnderline = 0x200;
constexpr std::uint32_t kCursorMask = kCursorBar | kCursorUnderline;
constexpr std::uint32_t kRightToLeft = 0x2000;

// Codes that switch the window to vertical: a uint32 count, then 16 x wchar[5].
constexpr std::uint32_t kVerticalPrefixCount = 44;
constexpr std::uint32_t kVerticalPrefixes = 48;
constexpr std::uint32_t kMaxVerticalPrefixes = 16;
constexpr std::uint32_t kVerticalPrefixUnits = 5;

constexpr std::uint32_t kSkinName = 408;  // wchar[40], the configured skin
constexpr std::uint32_t kSkinNameUnits = 40;
constexpr std::uint32_t kLastLoadedSkinName = 536;  // wchar[40], the skin loaded last

constexpr std::uint32_t VerticalPrefixOffset(std::uint32_t index) {
  return kVerticalPrefixes + index * kVerticalPrefixUnits * 2;
}

}  // namespace lz::skin_block
