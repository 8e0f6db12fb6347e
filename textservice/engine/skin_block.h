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
// The windows take the block's own font groups below instead of the skin's.
constexpr std::uint32_t kOwnFonts = 0x4000;

// Codes that switch the window to vertical: a uint32 count, then 16 x wchar[5].
constexpr std::uint32_t kVerticalPrefixCount = 44;
constexpr std::uint32_t kVerticalPrefixes = 48;
constexpr std::uint32_t kMaxVerticalPrefixes = 16;
constexpr std::uint32_t kVerticalPrefixUnits = 5;

// Two font groups, laid out as a skin's font: colour (int32), name (wchar[40]), size (int32), weight
// (int32), two further words (italic, underline, strike-out in the first three bytes).
constexpr std::uint32_t kCandidateFont = 208;
constexpr std::uint32_t kCodeFont = 308;
constexpr std::uint32_t kFontColour = 0;
constexpr std::uint32_t kFontName = 4;
constexpr std::uint32_t kFontNameUnits = 40;
constexpr std::uint32_t kFontSize = 84;
constexpr std::uint32_t kFontWeight = 88;
constexpr std::uint32_t kFontExtra = 92;  // two uint32
constexpr std::uint32_t kFontGroupSize = 100;
static_assert(kCandidateFont + kFontGroupSize == kCodeFont);

constexpr std::uint32_t kSkinName = 408;  // wchar[40], the configured skin
constexpr std::uint32_t kSkinNameUnits = 40;
constexpr std::uint32_t kLastLoadedSkinName = 536;  // wchar[40], the skin loaded last

// Where the user dragged the candidate window (int32 x, y; both 0: never placed).
constexpr std::uint32_t kCandidateWindowX = 684;
constexpr std::uint32_t kCandidateWindowY = 688;
// The status bar's saved position (int32 x, y; -1, -1: the skin's default corner).
constexpr std::uint32_t kStatusWindowX = 692;
constexpr std::uint32_t kStatusWindowY = 696;
constexpr std::int32_t kStatusPositionUnset = -1;

constexpr std::uint32_t VerticalPrefixOffset(std::uint32_t index) {
  return kVerticalPrefixes + index * kVerticalPrefixUnits * 2;
}

}  // namespace lz::skin_block
