#pragma once
// A skin package whose candidate window has every button placed (page up and down, width, punctuation)
// and whose parts have colours of their own, so tests can click the buttons and find them on the screen.
#include <cstdint>
#include <string>
#include <vector>

namespace lz::test {

// Colours of the test skin (COLORREF 0x00BBGGRR) and how the screen shows them (0x00RRGGBB).
constexpr std::uint32_t kWordRgb = 0x00C000;
constexpr std::uint32_t kCodeRgb = 0xC00000;
constexpr std::uint32_t kIndexRgb = 0x0000C0;
constexpr std::uint32_t kHighlightRgb = 0x808000;
constexpr std::uint32_t kBackgroundRgb = 0x404040;
constexpr std::uint32_t kUpRgb = 0xE01010;
constexpr std::uint32_t kDownRgb = 0x1010E0;
constexpr std::uint32_t kBanRgb = 0xE0E010;
constexpr std::uint32_t kPunctuationRgb = 0x10E0E0;
constexpr std::uint32_t kButtonSkinWidth = 140;
constexpr std::uint32_t kButtonSkinHeight = 44;

// Made backgrounds are kButtonSkinHeight high and `background_width` wide (kButtonSkinWidth by default),
// with their top-left and bottom-right 3 x 3 corners transparent.
std::vector<std::uint8_t> ButtonSkin(const std::string& name, std::uint32_t background_width = kButtonSkinWidth);

}  // namespace lz::test
