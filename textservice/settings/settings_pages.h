#pragma once
// What the four settings pages show and write, as plain functions over the settings blocks: each
// control's value is read from and written to its block fields here, and the page windows only move
// these values in and out of their controls.
//
// Page 1 (input options) and page 3 (display) write every change at once; page 2 (code options) and
// page 4 (the skin part of a scheme) gather their controls into a form and write it on OK.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "textservice/engine/byte_view.h"
#include "textservice/engine/settings_store.h"
#include "textservice/skin/skin_description.h"

namespace lz::settings_pages {

// ---- page 1: input options ----

// 1030 编码提示: "从不提示", "空码时提示", "第 1 码时" .. "第 5 码时".
constexpr int kCodeHintItems = 7;
int CodeHintItem(ByteView dme);
void SetCodeHintItem(ByteView dme, int item);

// 1031 词语显示: "不显示词语", "总是显示", "第 2 码时" .. "第 5 码时".
constexpr int kWordDisplayItems = 6;
constexpr std::uint8_t kWordsNever = 100;
// The item of the stored length as the engine reads it: 0 and 1 list words from the first code (总是显示),
// 2..5 their item, anything longer 不显示词语.
int WordDisplayItem(ByteView dme);
void SetWordDisplayItem(ByteView dme, int item);

// 1029 词频调整: "一次到顶", "逐渐到顶", "禁止调整".
constexpr int kFrequencyItems = 3;
int FrequencyItem(ByteView ime);
void SetFrequencyItem(ByteView ime, int item);

// 1052: the initial punctuation, width and open states are the scheme's own. Switching it on writes
// 0x401 (Chinese punctuation, the input open, half width) when no state was stored; off clears them.
bool InitialStateDefined(ByteView ime);
void SetInitialStateDefined(ByteView ime, bool on);

// The three radio pairs, read from the stored initial state.
struct InitialStateChoice {
  bool open = true;                  // 1045 打开(中文); 1046 关闭(英文) otherwise
  bool chinese_punctuation = false;  // 1041; 1042 otherwise
  bool full_width = false;           // 1043; 1044 otherwise
};
InitialStateChoice ReadInitialState(ByteView ime);
// One radio pair's choice: bit is the ime +56 bit the pair sets or clears.
void SetInitialStateBit(ByteView ime, std::uint32_t bit, bool on);

// A flag of a uint32 block field (checks of every page).
bool FlagOn(ByteView block, std::uint32_t offset, std::uint32_t bit);
void SetFlag(ByteView block, std::uint32_t offset, std::uint32_t bit, bool on);

// ---- page 2: code options, written on OK ----

struct CodeOptionsForm {
  // 1003, 1007, 1005, 1006, 1008: dme +40 .. +44 as decimal text.
  std::u16string lengths[5];
  bool full_code_auto_commit = false;   // 1013, dme +36 0x100
  bool full_code_push = false;          // 1037, 0x200
  bool simplest_mode = false;           // 1038, 0x400
  bool hints_on_empty_code = false;     // 1033, 0x2
  bool first_key_query = false;         // 1009, 0x8
  bool first_key_repeat = false;        // 1016, 0x20
  bool single_characters = false;       // 1010, 0x4
  // 1034, 1035, 1050, 1051: dme +45 .. +48, one character each.
  std::u16string keys[4];
  std::u16string commit_lead_keys;  // 1031, key class 1
  std::u16string code_end_keys;     // 1019, key class 2
};

constexpr int kKeyTextUnits = 256;

CodeOptionsForm ReadCodeOptions(ByteView dme);
void WriteCodeOptions(ByteView dme, const CodeOptionsForm& form);

// A length field's value from its text: decimal, above 255 stored as 255 (the field is one byte and the
// low byte of "300" would be 44); text without leading digits gives 0.
std::uint8_t LengthFromText(std::u16string_view text);
// The stored key character of a typed one: the first character's key character (ASCII below 128, or a
// full-width keypad character by its low byte), else 0.
std::uint8_t KeyFromText(std::u16string_view text);
std::u16string KeyText(std::uint8_t key);

// ---- page 3: display ----

// 1037 候选排列 (pages 3 and 4): horizontal 0x8, vertical, left-starting vertical 0x10.
constexpr int kLayoutItems = 3;
int CandidateLayoutItem(ByteView skin);
void SetCandidateLayoutItem(ByteView skin, int item);

// 1008 显示位置 (pages 3 and 4): follow the caret, follow the status bar 0x80, fixed 0x40.
constexpr int kPlacementItems = 3;
int PlacementItem(ByteView ime);
void SetPlacementItem(ByteView ime, int item);

// 1027 候选个数: "1" .. "10", ime +44 bits 28-31 = item + 1.
constexpr int kPageSizeItems = 10;
int PageSizeItem(ByteView ime);
void SetPageSizeItem(ByteView ime, int item);

// Skin names go into skin +408 and +536: at most 39 characters and a terminator, whatever the caller
// hands over (the fields hold 40 units).
void WriteSkinNames(ByteView skin, std::u16string_view name);

// 1002 使用皮肤: the catalog entry whose package file name equals the configured one, or -1.
int ConfiguredSkinIndex(const std::vector<std::u16string>& package_names, ByteView skin);

// The font sizes of 1032 and 1030 ("12 px" .. "40 px").
constexpr int kSizeItems = 10;
constexpr int kFontSizes[kSizeItems] = {12, 14, 16, 18, 20, 24, 28, 32, 36, 40};
std::u16string SizeItemText(int item);
// The first entry not smaller than the size; a size above 40 selects the first entry. A negative size
// (a character height, as skins often give it) is taken by its magnitude.
int SizeItem(std::int32_t size);

// The first entry that begins with name; the first entry when none does.
int FontNameItem(const std::vector<std::u16string>& families, std::u16string_view name);

// The family list of 1033 and 1031: names beginning with "@" (the vertical variants) left out, the rest
// cut to 31 characters, sorted, each once.
constexpr std::size_t kFontNameChars = 31;
std::vector<std::u16string> FontFamilyList(std::vector<std::u16string> found);

// What the four font controls show: the skin block's groups when it has its own fonts (enabled), else
// the chosen skin's (disabled).
struct FontChoice {
  bool enabled = false;
  std::u16string code_name;
  std::int32_t code_size = 0;
  std::u16string candidate_name;
  std::int32_t candidate_size = 0;
};
FontChoice ShownFonts(ByteView skin, const TextStyle& chosen);

// 1054 更改显示字体: sets or clears the own-fonts flag; switched on while the block's code or candidate
// font name is empty, the chosen skin's names and sizes are copied into the block first.
void SetOwnFonts(ByteView skin, bool on, const TextStyle& chosen);

// A font control's choice: the code or the candidate group's name or size.
void SetFontName(ByteView skin, bool code_font, std::u16string_view name);
void SetFontSize(ByteView skin, bool code_font, std::int32_t size);

// The preview picture beside a package: its path with the extension (from the last ".") replaced by
// ".png"; ".png" appended when the name has none.
std::u16string PreviewImagePath(std::u16string_view package_path);

// A channel of a pixel drawn over white: 255 (1 - a/255) + a/255 value, capped at 255. A pixel with
// alpha 0 (images without an alpha channel) is drawn as it is.
std::uint8_t BlendOnWhite(std::uint8_t value, std::uint8_t alpha);

// Where a picture goes to sit centred in a box; negative offsets become 0.
constexpr std::int32_t CentredOffset(std::int32_t box, std::int32_t picture) {
  return box > picture ? (box - picture) / 2 : 0;
}

// ---- page 4: the skin part of a scheme, written on OK ----

constexpr int kPathUnits = 260;
constexpr std::u16string_view kBuiltinSkinEntry = u"内置皮肤";

// 1001 on opening: the setting itself when it names a drive ("C:..."), the base folder and the setting
// when it begins with "\", the base folder, "\" and the setting otherwise; empty for an empty setting.
std::u16string SkinPathDisplay(std::u16string_view base_folder, std::u16string_view setting);

// 1028 默认皮肤: for a folder, every file in it whose name is longer than five characters and ends in
// ".col" (any case), in name order; for a file or an empty or missing path the one entry "内置皮肤",
// and the list is disabled.
struct DefaultSkinList {
  std::vector<std::u16string> entries;
  bool enabled = false;
};
DefaultSkinList ListDefaultSkins(std::u16string_view path);

// 1013 转竖排编码: every stored entry followed by "，".
std::u16string VerticalCodesText(ByteView skin);
// Clears skin +44 .. +207, then stores the text's parts between "，" as at most 16 entries of up to four
// characters; empty parts are passed over.
void WriteVerticalCodes(ByteView skin, std::u16string_view text);

struct SkinOptionsForm {
  std::u16string default_skin;   // 1028's text
  bool show_numbers = false;     // 1021, skin +40 0x1
  bool show_code_hints = false;  // 1022, 0x2
  bool show_buttons = false;     // 1023, 0x4
  bool hide_status = false;      // 1011, ime +36 0x100
  int layout = 1;                // 1037
  int placement = 0;             // 1008
  int embedding = 2;             // 1020: embed the code 0x1000, the first candidate 0x2000, traditional
  int cursor = 2;                // 1024: bar 0x100, underline 0x200, hidden
  std::u16string vertical_codes; // 1013
};
constexpr int kEmbeddingItems = 3;
constexpr int kCursorItems = 3;

SkinOptionsForm ReadSkinOptions(const ConfigBlocks& blocks);
void WriteSkinOptions(const ConfigBlocks& blocks, const SkinOptionsForm& form);

}  // namespace lz::settings_pages
