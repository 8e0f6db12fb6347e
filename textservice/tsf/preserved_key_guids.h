#pragma once
// The identifiers under which the text service preserves its hot keys: the two fixed ones and one per
// configured key combination (any 64 distinct identifiers of our own serve; these differ in their last
// byte).
#include <windows.h>

#include <array>

namespace lz {

inline constexpr GUID kFullWidthKeyGuid = {0xd6783545, 0x19aa, 0x4180, {0x88, 0x18, 0x2b, 0xca, 0xcd, 0xce, 0xc4, 0x11}};
inline constexpr GUID kPunctuationKeyGuid = {0x93cb16e7, 0x163c, 0x4d9b, {0x8e, 0x51, 0xe4, 0xa5, 0xf0, 0x70, 0xc1, 0x61}};

constexpr int kCombinationKeyGuidCount = 64;

constexpr std::array<GUID, kCombinationKeyGuidCount> MakeCombinationKeyGuids() {
  std::array<GUID, kCombinationKeyGuidCount> guids{};
  for (int i = 0; i < kCombinationKeyGuidCount; ++i) {
    guids[i] = GUID{0x5b3e7c40, 0x2d1a, 0x4e6f, {0x9a, 0x41, 0x6c, 0x0d, 0x7e, 0x52, 0x13, static_cast<unsigned char>(i)}};
  }
  return guids;
}

inline constexpr std::array<GUID, kCombinationKeyGuidCount> kCombinationKeyGuids = MakeCombinationKeyGuids();

}  // namespace lz
