#include "textservice/settings/settings_pages.h"

#include <algorithm>

#include "platform/os/folder_list.h"
#include "platform/os/folder_tree.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/key_names.h"
#include "textservice/engine/settings_text.h"
#include "textservice/engine/skin_block.h"
#include "textservice/engine/text_compare.h"

namespace lz::settings_pages {
namespace {

constexpr char16_t kFullWidthComma = u'，';
constexpr std::size_t kVerticalCodeChars = 4;
constexpr std::uint32_t kLengthFields[5] = {dme_block::kUniqueAutoCommitLength, dme_block::kEmptyCodeCommitLength,
                                            dme_block::kEmptyCodeClearLength, dme_block::kShowTableWordLength,
                                            dme_block::kShowFollowingLength};
constexpr std::uint32_t kKeyFields[4] = {dme_block::kWildcardKey, dme_block::kEnglishLeadKey,
                                         dme_block::kAuxiliaryLeadKey, dme_block::kSecondaryLeadKey};
constexpr int kShownCodeHintLengths = 5;
constexpr int kShownWordLengths = 5;
constexpr std::uint32_t kStateDefined = ime_block::kOwnInitialState;
constexpr std::uint32_t kDefinedDefault = ime_block::kStateFollowsSystem;

std::uint8_t U8(ByteView view, std::uint32_t offset) {
  std::uint8_t value = 0;
  view.ReadU8(offset, value);
  return value;
}

// A choice among bit patterns of one uint32 field: item i stands for patterns[i] (0 for "none of them").
template <std::size_t N>
int ItemOfBits(ByteView block, std::uint32_t offset, const std::uint32_t (&patterns)[N], int none_item) {
  const std::uint32_t value = BlockU32(block, offset);
  for (std::size_t i = 0; i < N; ++i) {
    if (patterns[i] != 0 && (value & patterns[i])) return static_cast<int>(i);
  }
  return none_item;
}

template <std::size_t N>
void SetItemBits(ByteView block, std::uint32_t offset, const std::uint32_t (&patterns)[N], int item) {
  std::uint32_t mask = 0;
  for (std::uint32_t p : patterns) mask |= p;
  SetBits32(block, offset, mask, false);
  if (item >= 0 && static_cast<std::size_t>(item) < N) SetBits32(block, offset, patterns[item], true);
}

constexpr std::uint32_t kFrequencyPatterns[kFrequencyItems] = {ime_block::kFrequencyToTop,
                                                               ime_block::kFrequencyGradual, 0};
constexpr std::uint32_t kLayoutPatterns[kLayoutItems] = {skin_block::kHorizontal, 0, skin_block::kVerticalFromLeft};
constexpr std::uint32_t kPlacementPatterns[kPlacementItems] = {0, ime_block::kWindowFollowsStatus,
                                                               ime_block::kWindowFixed};
constexpr std::uint32_t kEmbeddingPatterns[kEmbeddingItems] = {ime_block::kInlineCode,
                                                               ime_block::kInlineFirstCandidate, 0};
constexpr std::uint32_t kCursorPatterns[kCursorItems] = {skin_block::kCursorBar, skin_block::kCursorUnderline, 0};

void WriteName(ByteView skin, std::uint32_t offset, std::u16string_view name) {
  ZeroField(skin, offset, skin_block::kSkinNameUnits * 2);
  WriteFieldText(skin, offset, skin_block::kSkinNameUnits, name);
}

std::uint32_t FontGroup(bool code_font) { return code_font ? skin_block::kCodeFont : skin_block::kCandidateFont; }

bool EndsWithIgnoreCase(std::u16string_view text, std::u16string_view tail) {
  return text.size() >= tail.size() && EqualsIgnoreCase(text.substr(text.size() - tail.size()), tail);
}

bool LessIgnoreCase(const std::u16string& a, const std::u16string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char16_t x, char16_t y) { return LowerAscii(x) < LowerAscii(y); });
}

std::u16string FontNameOf(const SkinFont& font) {
  std::size_t length = 0;
  while (length < static_cast<std::size_t>(kSkinTextChars) && font.name[length] != 0) ++length;
  return std::u16string(font.name, length);
}

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

}  // namespace

// ---- page 1 ----

int CodeHintItem(ByteView dme) {
  const std::uint8_t length = U8(dme, dme_block::kShowFollowingLength);
  if (length >= 1 && length <= kShownCodeHintLengths) return length + 1;
  if (FlagOn(dme, dme_block::kQueryFlags, dme_block::kEmptyCodeShowsAllFollowing)) return 1;
  return 0;
}

void SetCodeHintItem(ByteView dme, int item) {
  if (item < 0 || item >= kCodeHintItems) return;
  SetFlag(dme, dme_block::kQueryFlags, dme_block::kEmptyCodeShowsAllFollowing, item == 1);
  dme.WriteU8(dme_block::kShowFollowingLength, static_cast<std::uint8_t>(item >= 2 ? item - 1 : 0));
}

int WordDisplayItem(ByteView dme) {
  // The engine lists words from this code length on, and from the first code when it is 0.
  const std::uint8_t length = std::max<std::uint8_t>(U8(dme, dme_block::kShowTableWordLength), 1);
  return length <= kShownWordLengths ? length : 0;
}

void SetWordDisplayItem(ByteView dme, int item) {
  if (item < 0 || item >= kWordDisplayItems) return;
  dme.WriteU8(dme_block::kShowTableWordLength, item == 0 ? kWordsNever : static_cast<std::uint8_t>(item));
}

int FrequencyItem(ByteView ime) { return ItemOfBits(ime, ime_block::kCandidateOptions, kFrequencyPatterns, 2); }

void SetFrequencyItem(ByteView ime, int item) {
  if (item < 0 || item >= kFrequencyItems) return;
  SetItemBits(ime, ime_block::kCandidateOptions, kFrequencyPatterns, item);
}

bool InitialStateDefined(ByteView ime) { return FlagOn(ime, ime_block::kBehaviourFlags, kStateDefined); }

void SetInitialStateDefined(ByteView ime, bool on) {
  if (on) {
    if (BlockU32(ime, ime_block::kInitialState) == 0) ime.WriteU32(ime_block::kInitialState, kDefinedDefault);
  } else {
    ime.WriteU32(ime_block::kInitialState, 0);
  }
  SetFlag(ime, ime_block::kBehaviourFlags, kStateDefined, on);
}

InitialStateChoice ReadInitialState(ByteView ime) {
  const std::uint32_t state = BlockU32(ime, ime_block::kInitialState);
  InitialStateChoice choice;
  choice.open = !(state & ime_block::kStateClosed);
  choice.chinese_punctuation = state & ime_block::kStateChinesePunctuation;
  choice.full_width = state & ime_block::kStateFullWidth;
  return choice;
}

void SetInitialStateBit(ByteView ime, std::uint32_t bit, bool on) { SetFlag(ime, ime_block::kInitialState, bit, on); }

bool FlagOn(ByteView block, std::uint32_t offset, std::uint32_t bit) { return (BlockU32(block, offset) & bit) != 0; }

void SetFlag(ByteView block, std::uint32_t offset, std::uint32_t bit, bool on) { SetBits32(block, offset, bit, on); }

// ---- page 2 ----

std::uint8_t LengthFromText(std::u16string_view text) {
  constexpr unsigned kFieldMax = 255;
  unsigned value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') break;
    value = std::min(value * 10 + static_cast<unsigned>(c - u'0'), kFieldMax + 1);
  }
  return static_cast<std::uint8_t>(std::min(value, kFieldMax));
}

std::uint8_t KeyFromText(std::u16string_view text) { return text.empty() ? 0 : KeyCharacterOf(text[0]); }

std::u16string KeyText(std::uint8_t key) {
  const char16_t c = KeyCharacterText(key);
  return c ? std::u16string(1, c) : std::u16string();
}

CodeOptionsForm ReadCodeOptions(ByteView dme) {
  using namespace dme_block;
  CodeOptionsForm form;
  for (int i = 0; i < 5; ++i) {
    const std::string digits = std::to_string(U8(dme, kLengthFields[i]));
    form.lengths[i].assign(digits.begin(), digits.end());
  }
  form.full_code_auto_commit = FlagOn(dme, kQueryFlags, kAutoCommitFullCodeOnly);
  form.full_code_push = FlagOn(dme, kQueryFlags, kSmartCommitFullCodeOnly);
  form.simplest_mode = FlagOn(dme, kQueryFlags, kSimplestModeLengths);
  form.hints_on_empty_code = FlagOn(dme, kQueryFlags, kEmptyCodeShowsAllFollowing);
  form.first_key_query = FlagOn(dme, kQueryFlags, kFirstKeyQuery);
  form.first_key_repeat = FlagOn(dme, kQueryFlags, kQueryKeyRepeats);
  form.single_characters = FlagOn(dme, kQueryFlags, kSingleCharactersOnly);
  for (int i = 0; i < 4; ++i) form.keys[i] = KeyText(U8(dme, kKeyFields[i]));
  form.commit_lead_keys = KeyClassKeys(dme, kCommitLeadKey);
  form.code_end_keys = KeyClassKeys(dme, kCodeEndKey);
  return form;
}

void WriteCodeOptions(ByteView dme, const CodeOptionsForm& form) {
  using namespace dme_block;
  for (int i = 0; i < 5; ++i) dme.WriteU8(kLengthFields[i], LengthFromText(form.lengths[i]));
  SetFlag(dme, kQueryFlags, kAutoCommitFullCodeOnly, form.full_code_auto_commit);
  SetFlag(dme, kQueryFlags, kSmartCommitFullCodeOnly, form.full_code_push);
  SetFlag(dme, kQueryFlags, kSimplestModeLengths, form.simplest_mode);
  SetFlag(dme, kQueryFlags, kEmptyCodeShowsAllFollowing, form.hints_on_empty_code);
  SetFlag(dme, kQueryFlags, kFirstKeyQuery, form.first_key_query);
  SetFlag(dme, kQueryFlags, kQueryKeyRepeats, form.first_key_repeat);
  SetFlag(dme, kQueryFlags, kSingleCharactersOnly, form.single_characters);
  for (int i = 0; i < 4; ++i) dme.WriteU8(kKeyFields[i], KeyFromText(form.keys[i]));
  SetKeyClassKeys(dme, kCommitLeadKey, form.commit_lead_keys);
  SetKeyClassKeys(dme, kCodeEndKey, form.code_end_keys);
}

// ---- page 3 ----

int CandidateLayoutItem(ByteView skin) { return ItemOfBits(skin, skin_block::kFlags, kLayoutPatterns, 1); }

void SetCandidateLayoutItem(ByteView skin, int item) {
  if (item < 0 || item >= kLayoutItems) return;
  SetItemBits(skin, skin_block::kFlags, kLayoutPatterns, item);
}

int PlacementItem(ByteView ime) { return ItemOfBits(ime, ime_block::kImeFlags, kPlacementPatterns, 0); }

void SetPlacementItem(ByteView ime, int item) {
  if (item < 0 || item >= kPlacementItems) return;
  SetItemBits(ime, ime_block::kImeFlags, kPlacementPatterns, item);
}

int PageSizeItem(ByteView ime) {
  const std::uint32_t size = BlockU32(ime, ime_block::kCandidateOptions) >> ime_block::kPageSizeShift;
  return size >= 1 && size <= static_cast<std::uint32_t>(kPageSizeItems) ? static_cast<int>(size) - 1 : 0;
}

void SetPageSizeItem(ByteView ime, int item) {
  if (item < 0 || item >= kPageSizeItems) return;
  const std::uint32_t options = BlockU32(ime, ime_block::kCandidateOptions) & ~ime_block::kPageSizeMask;
  ime.WriteU32(ime_block::kCandidateOptions,
               options | (static_cast<std::uint32_t>(item + 1) << ime_block::kPageSizeShift));
}

void WriteSkinNames(ByteView skin, std::u16string_view name) {
  WriteName(skin, skin_block::kSkinName, name);
  WriteName(skin, skin_block::kLastLoadedSkinName, name);
}

int ConfiguredSkinIndex(const std::vector<std::u16string>& package_names, ByteView skin) {
  const std::u16string configured = ReadFieldText(skin, skin_block::kSkinName, skin_block::kSkinNameUnits);
  for (std::size_t i = 0; i < package_names.size(); ++i) {
    if (EqualsIgnoreCase(package_names[i], configured)) return static_cast<int>(i);
  }
  return -1;
}

std::u16string SizeItemText(int item) {
  if (item < 0 || item >= kSizeItems) return {};
  const std::string text = std::to_string(kFontSizes[item]) + " px";
  return std::u16string(text.begin(), text.end());
}

int SizeItem(std::int32_t size) {
  const std::int64_t magnitude = size < 0 ? -std::int64_t{size} : size;
  for (int i = 0; i < kSizeItems; ++i) {
    if (kFontSizes[i] >= magnitude) return i;
  }
  return 0;
}

int FontNameItem(const std::vector<std::u16string>& families, std::u16string_view name) {
  for (std::size_t i = 0; i < families.size(); ++i) {
    if (StartsWith(families[i], name)) return static_cast<int>(i);
  }
  return 0;
}

std::vector<std::u16string> FontFamilyList(std::vector<std::u16string> found) {
  std::vector<std::u16string> families;
  for (std::u16string& name : found) {
    if (name.empty() || name[0] == u'@') continue;
    families.emplace_back(CutText(name, kFontNameChars));
  }
  std::sort(families.begin(), families.end());
  families.erase(std::unique(families.begin(), families.end()), families.end());
  return families;
}

FontChoice ShownFonts(ByteView skin, const TextStyle& chosen) {
  using namespace skin_block;
  FontChoice shown;
  shown.enabled = FlagOn(skin, kFlags, kOwnFonts);
  if (shown.enabled) {
    shown.code_name = ReadFieldText(skin, kCodeFont + kFontName, kFontNameUnits);
    shown.code_size = static_cast<std::int32_t>(BlockU32(skin, kCodeFont + kFontSize));
    shown.candidate_name = ReadFieldText(skin, kCandidateFont + kFontName, kFontNameUnits);
    shown.candidate_size = static_cast<std::int32_t>(BlockU32(skin, kCandidateFont + kFontSize));
  } else {
    shown.code_name = FontNameOf(chosen.code_font);
    shown.code_size = chosen.code_font.size;
    shown.candidate_name = FontNameOf(chosen.candidate_font);
    shown.candidate_size = chosen.candidate_font.size;
  }
  return shown;
}

void SetFontName(ByteView skin, bool code_font, std::u16string_view name) {
  const std::uint32_t at = FontGroup(code_font) + skin_block::kFontName;
  ZeroField(skin, at, skin_block::kFontNameUnits * 2);
  WriteFieldText(skin, at, skin_block::kFontNameUnits, name);
}

void SetFontSize(ByteView skin, bool code_font, std::int32_t size) {
  skin.WriteU32(FontGroup(code_font) + skin_block::kFontSize, static_cast<std::uint32_t>(size));
}

void SetOwnFonts(ByteView skin, bool on, const TextStyle& chosen) {
  using namespace skin_block;
  if (on && (ReadFieldText(skin, kCodeFont + kFontName, kFontNameUnits).empty() ||
             ReadFieldText(skin, kCandidateFont + kFontName, kFontNameUnits).empty())) {
    SetFontName(skin, true, FontNameOf(chosen.code_font));
    SetFontSize(skin, true, chosen.code_font.size);
    SetFontName(skin, false, FontNameOf(chosen.candidate_font));
    SetFontSize(skin, false, chosen.candidate_font.size);
  }
  SetFlag(skin, kFlags, kOwnFonts, on);
}

std::u16string PreviewImagePath(std::u16string_view package_path) {
  std::size_t name_start = 0;
  for (std::size_t i = 0; i < package_path.size(); ++i) {
    if (IsSeparator(package_path[i])) name_start = i + 1;
  }
  const std::size_t dot = package_path.rfind(u'.');
  std::u16string path(package_path.substr(0, dot != std::u16string_view::npos && dot >= name_start ? dot
                                                                                                    : package_path.size()));
  path += u".png";
  return path;
}

std::uint8_t BlendOnWhite(std::uint8_t value, std::uint8_t alpha) {
  if (alpha == 0) return value;
  constexpr unsigned kWhite = 255;
  const unsigned blended = (kWhite * (kWhite - alpha) + unsigned{alpha} * value + kWhite / 2) / kWhite;
  return static_cast<std::uint8_t>(std::min(blended, kWhite));
}

// ---- page 4 ----

std::u16string SkinPathDisplay(std::u16string_view base_folder, std::u16string_view setting) {
  if (setting.empty()) return {};
  if (setting.size() >= 2 && setting[1] == u':') return std::u16string(setting);
  std::u16string path(base_folder);
  if (setting[0] != u'\\') path += u'\\';
  path += setting;
  return path;
}

DefaultSkinList ListDefaultSkins(std::u16string_view path) {
  DefaultSkinList list;
  const std::u16string folder(path);
  std::vector<os::FolderEntry> entries;
  if (!folder.empty() && os::IsFolder(folder.c_str()) && os::ListFolder(folder.c_str(), entries)) {
    constexpr std::size_t kShortestName = 6;
    for (const os::FolderEntry& e : entries) {
      if (!e.is_folder && e.name.size() >= kShortestName && EndsWithIgnoreCase(e.name, u".col")) {
        list.entries.push_back(e.name);
      }
    }
    std::sort(list.entries.begin(), list.entries.end(), LessIgnoreCase);
    list.enabled = true;
    return list;
  }
  list.entries.emplace_back(kBuiltinSkinEntry);
  return list;
}

std::u16string VerticalCodesText(ByteView skin) {
  using namespace skin_block;
  const std::uint32_t count = std::min(BlockU32(skin, kVerticalPrefixCount), kMaxVerticalPrefixes);
  std::u16string text;
  for (std::uint32_t i = 0; i < count; ++i) {
    text += ReadFieldText(skin, VerticalPrefixOffset(i), kVerticalPrefixUnits);
    text += kFullWidthComma;
  }
  return text;
}

void WriteVerticalCodes(ByteView skin, std::u16string_view text) {
  using namespace skin_block;
  constexpr std::uint32_t kFieldsBytes = kCandidateFont - kVerticalPrefixCount;
  if (!skin.Holds(kVerticalPrefixCount, kFieldsBytes)) return;
  ZeroField(skin, kVerticalPrefixCount, kFieldsBytes);
  std::uint32_t count = 0;
  std::size_t start = 0;
  while (start <= text.size() && count < kMaxVerticalPrefixes) {
    std::size_t end = text.find(kFullWidthComma, start);
    if (end == std::u16string_view::npos) end = text.size();
    const std::u16string_view part = text.substr(start, end - start);
    if (!part.empty()) WriteFieldText(skin, VerticalPrefixOffset(count++), kVerticalCodeChars + 1, part);
    start = end + 1;
  }
  skin.WriteU32(kVerticalPrefixCount, count);
}

SkinOptionsForm ReadSkinOptions(const ConfigBlocks& blocks) {
  using namespace skin_block;
  SkinOptionsForm form;
  form.default_skin = ReadFieldText(blocks.skin, kSkinName, kSkinNameUnits);
  form.show_numbers = FlagOn(blocks.skin, kFlags, kShowNumbers);
  form.show_code_hints = FlagOn(blocks.skin, kFlags, kShowCodeHints);
  form.show_buttons = FlagOn(blocks.skin, kFlags, kShowButtons);
  form.hide_status = FlagOn(blocks.ime, ime_block::kImeFlags, ime_block::kHideStatusWindow);
  form.layout = CandidateLayoutItem(blocks.skin);
  form.placement = PlacementItem(blocks.ime);
  form.embedding = ItemOfBits(blocks.ime, ime_block::kImeFlags, kEmbeddingPatterns, 2);
  form.cursor = ItemOfBits(blocks.skin, kFlags, kCursorPatterns, 2);
  form.vertical_codes = VerticalCodesText(blocks.skin);
  return form;
}

void WriteSkinOptions(const ConfigBlocks& blocks, const SkinOptionsForm& form) {
  using namespace skin_block;
  WriteSkinNames(blocks.skin, form.default_skin);
  SetFlag(blocks.skin, kFlags, kShowNumbers, form.show_numbers);
  SetFlag(blocks.skin, kFlags, kShowCodeHints, form.show_code_hints);
  SetFlag(blocks.skin, kFlags, kShowButtons, form.show_buttons);
  SetFlag(blocks.ime, ime_block::kImeFlags, ime_block::kHideStatusWindow, form.hide_status);
  SetCandidateLayoutItem(blocks.skin, form.layout);
  SetPlacementItem(blocks.ime, form.placement);
  if (form.embedding >= 0 && form.embedding < kEmbeddingItems) {
    SetItemBits(blocks.ime, ime_block::kImeFlags, kEmbeddingPatterns, form.embedding);
  }
  if (form.cursor >= 0 && form.cursor < kCursorItems) SetItemBits(blocks.skin, kFlags, kCursorPatterns, form.cursor);
  WriteVerticalCodes(blocks.skin, form.vertical_codes);
}

}  // namespace lz::settings_pages
