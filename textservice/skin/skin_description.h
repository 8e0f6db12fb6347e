#pragma once
// skin.ini, the text member of a skin package: where the windows' buttons sit, which fonts and colours
// they use and how the candidate window stretches, read into one fixed record.
//
// All strings are zero-terminated UTF-16 in fixed arrays (capacity includes the terminator); a longer
// value is cut to capacity - 1 characters. Colours are COLORREF values. A key that is absent leaves 0.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "textservice/engine/text_decoding.h"

namespace lz {

constexpr int kSkinSourceChars = 260;
constexpr int kSkinTextChars = 40;
constexpr int kSkinContactChars = 128;
constexpr int kSkinExtensionButtons = 9;
// skin.ini lines longer than this are cut, and their rest is read as the next line.
constexpr int kSkinIniLineChars = 127;
// The first line of every skin.ini is one of these, exactly.
constexpr std::u16string_view kSkinIniTemplate33 = u";------------------------for version 3.3+-------------------";
constexpr std::u16string_view kSkinIniTemplate40 = u";------------------------for version 4.0+-------------------";
constexpr std::size_t kSkinIniTemplateChars = 60;
static_assert(kSkinIniTemplate33.size() == kSkinIniTemplateChars);
static_assert(kSkinIniTemplate40.size() == kSkinIniTemplateChars);

// Font values that replace what a skin.ini gives.
constexpr std::int32_t kDefaultSkinFontSize = 12;  // for a size of 0
constexpr std::int32_t kMinSkinFontWeight = 100;   // for any weight below it

// ParseSkinIni results.
constexpr int kSkinIniParsed = 0;
constexpr int kSkinIniNoText = 1;
constexpr int kSkinIniNoName = 2;
constexpr int kSkinIniNoTemplate = 4;

// Section ids of the header lines (ids 5 and 8 are not used).
constexpr int kSkinSectionNone = 0;
constexpr int kSkinSectionInfo = 1;              // [-皮肤信息-]
constexpr int kSkinSectionText = 2;              // [-文字显示-]
constexpr int kSkinSectionStatus = 3;            // [-状态栏窗口-]
constexpr int kSkinSectionMerged = 4;            // [-候选窗口-合并-]
constexpr int kSkinSectionEmbedded = 6;          // [-候选窗口-嵌入-]
constexpr int kSkinSectionMergedVertical = 7;    // [-候选窗口-合并-竖排-]
constexpr int kSkinSectionEmbeddedVertical = 9;  // [-候选窗口-嵌入-竖排-]

struct SkinPoint {
  std::int32_t x;
  std::int32_t y;
};

struct SkinRange {  // a stretch band, both bounds inclusive
  std::int32_t first;
  std::int32_t last;
};

struct SkinBorder {
  std::int32_t left;
  std::int32_t right;
  std::int32_t top;
  std::int32_t bottom;
};

struct SkinInfo {                             // [-皮肤信息-]
  char16_t name[kSkinTextChars];              // 名称; a skin without one is refused
  char16_t description[kSkinTextChars];       // 描述
  char16_t version[kSkinTextChars];           // 版本
  char16_t owner_name[kSkinTextChars];        // 所有者名称
  char16_t owner_contact[kSkinContactChars];  // 所有者联系方式
};

struct SkinFont {
  std::int32_t colour;
  char16_t name[kSkinTextChars];
  std::int32_t size;
  std::int32_t weight;
  std::int32_t reserved[2];  // kept in the group, never set from skin.ini
};

struct TextStyle {  // [-文字显示-]
  SkinFont code_font;
  SkinFont candidate_font;
  std::uint8_t right_to_left;
  std::int32_t index_colour;
  std::int32_t hint_colour;
  std::int32_t temp_word_colour;
  std::int32_t user_word_colour;
  std::int32_t first_candidate_colour;
  std::int32_t first_candidate_background;
  std::int32_t hover_background;
  std::int32_t hover_colour;
  std::int32_t max_code_chars;
  std::int32_t max_candidates;
  std::int32_t cursor_colour;
};

struct StatusLayout {           // [-状态栏窗口-]
  std::int32_t default_corner;  // 1..6: top-left, top-centre, top-right, bottom-left, bottom-centre, bottom-right
  SkinPoint mode_button;
  SkinPoint punctuation_button;
  SkinPoint width_button;
  SkinPoint soft_keyboard_button;
  SkinPoint menu_button;
  SkinPoint logo;
  std::int32_t extension_x[kSkinExtensionButtons];
  std::int32_t extension_y[kSkinExtensionButtons];
  SkinPoint script_button;
};

struct CandidateLayout {  // the four [-候选窗口-...-] sections
  SkinPoint next_page_button;
  SkinPoint previous_page_button;
  SkinPoint punctuation_button;
  SkinPoint width_button;
  std::int32_t extension_x[kSkinExtensionButtons];
  std::int32_t extension_y[kSkinExtensionButtons];
  SkinPoint code_origin;
  SkinPoint candidate_origin;
  std::int32_t index_to_word_gap;
  std::int32_t word_to_hint_gap;
  std::int32_t candidate_gap;  // no effect in vertical layouts
  std::int32_t line_gap;       // no effect in horizontal layouts
  SkinRange horizontal_stretch;
  SkinRange vertical_stretch;
  std::int32_t right_margin;
  std::int32_t bottom_margin;
  std::int32_t min_width;
  std::int32_t min_height;
  SkinPoint embedded_offset;
  char16_t index_suffix;
  SkinBorder text_border;
};

struct SkinDescription {
  char16_t source[kSkinSourceChars];  // the package's path, or "fromResource" for the built-in skin
  SkinInfo info;
  TextStyle text;
  StatusLayout status;
  CandidateLayout merged;  // code line and candidates together, horizontal
  CandidateLayout merged_vertical;
  CandidateLayout embedded;  // code shown inside the application's text, horizontal
  CandidateLayout embedded_vertical;
};

// The source text of the built-in skin.
constexpr std::u16string_view kSkinSourceResource = u"fromResource";

// Fills the description from a skin.ini's bytes (any encoding TextBufferToWide reads). The description
// is zeroed first in every case. Returns kSkinIniParsed, kSkinIniNoText (no characters),
// kSkinIniNoTemplate (the text does not begin with a version template) or kSkinIniNoName (parsed, but
// 名称 is empty). Malformed values never fail the parse.
int ParseSkinIni(const std::uint8_t* bytes, std::size_t byte_count, SkinDescription& description,
                 AnsiDecoder ansi = SystemAnsiToWide);

// The section id of a header line (compared whole, ASCII letters case-insensitively), 0 for any other.
int SkinIniSectionId(std::u16string_view line);

// "#" followed by a decimal number (it may be negative) gives that number as a signed 32-bit value;
// any other value gives 0.
std::int32_t ParseSkinColour(std::u16string_view value);

// The leading decimal number of a value as the C library reads one: leading blanks skipped, an
// optional sign, digits up to the first non-digit; 0 without digits; clamped to the int32 range.
std::int32_t ParseSkinNumber(std::u16string_view value);

// Copies text into a fixed array of `capacity` characters, cut to capacity - 1 and terminated.
void CopySkinText(char16_t* out, std::size_t capacity, std::u16string_view text);

}  // namespace lz
