#include "textservice/engine/scheme_text.h"

#include <string>

#include "textservice/engine/block_fields.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/key_names.h"
#include "textservice/engine/text_compare.h"

namespace lz {

namespace {

constexpr std::u16string_view kYes = u"是";
constexpr std::u16string_view kToggle = u"切换";

// A boolean of the IME section: "是" sets the bit, "切换" inverts it where the key allows, anything
// else clears it.
void ApplyFlag(ByteView ime, std::uint32_t offset, std::uint32_t bit, bool toggles, std::u16string_view value) {
  std::uint32_t flags = 0;
  if (!ime.ReadU32(offset, flags)) return;
  if (toggles && EqualsIgnoreCase(value, kToggle)) {
    flags ^= bit;
  } else if (EqualsIgnoreCase(value, kYes)) {
    flags |= bit;
  } else {
    flags &= ~bit;
  }
  ime.WriteU32(offset, flags);
}

// Replaces the bits under mask with value.
void SetField(ByteView view, std::uint32_t offset, std::uint32_t mask, std::uint32_t value) {
  std::uint32_t field = 0;
  if (!view.ReadU32(offset, field)) return;
  view.WriteU32(offset, (field & ~mask) | (value & mask));
}

struct FlagKey {
  std::u16string_view key;
  std::uint32_t offset;
  std::uint32_t bit;
  bool toggles;
};

constexpr FlagKey kImeFlagKeys[] = {
    {u"是否开启命令直通车", ime_block::kBehaviourFlags, ime_block::kCandidateCommands, false},
    {u"Capslock转英文标点", ime_block::kBehaviourFlags, ime_block::kCapsLockEnglishPunctuation, false},
    {u"仅重码时显示候选窗口", ime_block::kBehaviourFlags, ime_block::kWindowOnlyForChoices, true},
    {u"隐藏嵌入的首候选", ime_block::kBehaviourFlags, ime_block::kHideInlineFirst, true},
    {u"隐藏词条相同编码不同的后续候选", ime_block::kBehaviourFlags, ime_block::kHideSameTextCandidates, false},
    {u"首字母大写开启临时英文输入", ime_block::kImeFlags, ime_block::kCapitalStartsEnglish, false},
    {u"临时词功能开启", ime_block::kImeFlags, ime_block::kTempWords, true},
    {u"临时词上屏即存", ime_block::kImeFlags, ime_block::kTempWordsSavedOnCommit, true},
    {u"临时词重启电脑后清空", ime_block::kImeFlags, ime_block::kTempWordsClearedAtBoot, true},
    {u"智能模式生成临时词", ime_block::kImeFlags, ime_block::kTempWordsSmart, true},
    {u"禁用鼠标悬停词典", ime_block::kImeFlags, ime_block::kNoHoverDictionary, true},
    {u"隐藏候选窗口", ime_block::kImeFlags, ime_block::kHideCandidateWindow, true},
    {u"隐藏状态栏窗口", ime_block::kImeFlags, ime_block::kHideStatusWindow, true},
    {u"禁用组合快捷键", ime_block::kImeFlags, ime_block::kNoCombinationKeys, true},
    {u"是否在上屏时开启词语联想", ime_block::kImeFlags, ime_block::kAssociation, true},
    {u"是否打开非编码按键顶屏", ime_block::kImeFlags, ime_block::kCommitOnNonCodeKey, true},
    {u"中英文切换时上屏输入字符", ime_block::kImeFlags, ime_block::kTypedTextOnModeSwitch, true},
    {u"检索次显码表", ime_block::kImeFlags, ime_block::kAlwaysSearchSecondary, true},
    {u"空码时检索次显码表", ime_block::kImeFlags, ime_block::kSearchSecondaryWhenEmpty, true},
};

std::uint32_t PageSizeOf(std::u16string_view value) {
  if (StartsWith(value, u"10")) return 10;
  if (!value.empty() && value[0] >= u'1' && value[0] <= u'9' && value[0] != u'5') return value[0] - u'0';
  return 5;
}

// The slot of a key character: ASCII 1..127 by itself, a full-width keypad form by its low byte.
int KeySlot(std::u16string_view key) {
  if (key.empty()) return -1;
  const std::uint8_t c = KeyCharacterOf(key[0]);
  return c == 0 ? -1 : c;
}

void SetPunctuationKinds(ByteView ime, std::u16string_view keys, std::uint16_t kind) {
  for (char16_t c : keys) {
    if (c >= 1 && c <= 126) ime.WriteU16(ime_block::PunctuationOffset(c) + ime_block::kPunctuationKind, kind);
  }
}

// Reads a decimal number at text[pos], advancing pos; large numbers saturate rather than wrap.
int ReadNumber(std::u16string_view text, std::size_t& pos) {
  int value = 0;
  while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9') {
    if (value < 100000) value = value * 10 + (text[pos] - u'0');
    ++pos;
  }
  return value;
}

constexpr std::size_t kMaxReadRuleUnits = 511;
constexpr std::size_t kMaxStoredTerms = dme_block::kWordRuleTerms - 1;

std::u16string Decimal(int value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

int SchemeSectionId(std::u16string_view header) {
  struct Section {
    std::u16string_view header;
    int id;
  };
  static constexpr Section kSections[] = {
      {u"[-生成器选项-]", kGeneratorSection},
      {u"[-按键功能-]", kKeyFunctionSection},
      {u"[-IME设置-]", kImeSection},
      {u"[-DME设置-]", kDmeSection},
      {u"[-SKIN设置-]", kSkinSection},
      {u"[-构词规则定义-]", kWordRuleSection},
      {u"[-非编码符号转义定义表-]", kPunctuationSection},
      {u"[-输入字符显示转换表-]", kDisplayConversionSection},
      {u"[-其他安装文件-]", kOtherFilesSection},
      {u"[-软件选项-]", kSoftwareSection},
  };
  for (const Section& s : kSections) {
    if (EqualsIgnoreCase(header, s.header)) return s.id;
  }
  return kUnknownSection;
}

int DispatchSchemeSetting(const ConfigBlocks& blocks, const SettingsTextOps* ops, int id, std::u16string_view key,
                          std::u16string_view value) {
  switch (id) {
    case kKeyFunctionSection:
      ReadKeyFunctionText(key, blocks.dme, value);
      return 1;
    case kImeSection:
      ReadImeSettingsText(blocks.ime, key, value);
      return 1;
    case kDmeSection:
    case kSkinSection:
      if (!ops || !ops->read) return 0;
      if (id == kDmeSection) {
        ops->read(blocks.dme, key, value, kDmeSettings);
      } else {
        ops->read(blocks.skin, key, value, kSkinSettings);
      }
      return 1;
    case kWordRuleSection:
      ReadWordRuleText(blocks.dme, key, value);
      return 1;
    case kPunctuationSection:
      ReadPunctuationText(blocks.ime, key, value);
      return 1;
    case kDisplayConversionSection:
      ReadDisplayConversionText(blocks.ime, key, value);
      return 1;
    default:
      return 0;
  }
}

int ReadImeSettingsText(ByteView ime, std::u16string_view key, std::u16string_view value) {
  using namespace ime_block;
  const auto is = [&](std::u16string_view k) { return EqualsIgnoreCase(key, k); };
  const auto value_is = [&](std::u16string_view v) { return EqualsIgnoreCase(value, v); };

  for (const FlagKey& f : kImeFlagKeys) {
    if (is(f.key)) {
      ApplyFlag(ime, f.offset, f.bit, f.toggles, value);
      return 1;
    }
  }
  if (is(u"嵌入文本内容")) {
    SetField(ime, kImeFlags, kInlineMask,
             value_is(u"嵌入编码") ? kInlineCode : value_is(u"嵌入首选") ? kInlineFirstCandidate : 0);
  } else if (is(u"英文状态时空格行为") || is(u"空码时空格行为")) {
    SetField(ime, kBehaviourFlags, kSpaceMask,
             value_is(u"上屏英文") ? kSpaceCommitsEnglish : value_is(u"清屏") ? kSpaceClears : kSpaceDefault);
  } else if (is(u"初始化转换状态")) {
    if (value_is(u"与系统转换状态一致")) {
      ime.WriteU32(kInitialState, kStateFollowsSystem);
      SetBits32(ime, kBehaviourFlags, kOwnInitialState, false);
    } else {
      SetBits32(ime, kBehaviourFlags, kOwnInitialState, true);
      std::uint32_t state = kStateAlways;
      if (Contains(value, u"中文标点")) state |= kStateChinesePunctuation;
      if (Contains(value, u"全角")) state |= kStateFullWidth;
      if (Contains(value, u"输入法关闭")) state |= kStateClosed;
      ime.WriteU32(kInitialState, state);
    }
  } else if (is(u"候选窗口位置")) {
    SetField(ime, kImeFlags, kWindowPlacementMask,
             value_is(u"跟随状态栏") ? kWindowFollowsStatus : value_is(u"固定位置") ? kWindowFixed : 0);
  } else if (is(u"候选列表显示个数")) {
    SetField(ime, kCandidateOptions, kPageSizeMask, PageSizeOf(value) << kPageSizeShift);
  } else if (is(u"词频调整")) {
    SetField(ime, kCandidateOptions, kFrequencyMask,
             value_is(u"一次到顶") ? kFrequencyToTop : value_is(u"逐渐调整") ? kFrequencyGradual : 0);
  } else if (is(u"输入方案")) {
    const std::uint32_t scheme = value_is(u"主+辅") ? (kSchemeMain | kSchemeAuxiliary)
                                 : value_is(u"主")   ? kSchemeMain
                                                     : kSchemeAuxiliary;
    SetField(ime, kImeFlags, kSchemeMain | kSchemeAuxiliary, scheme);
  } else {
    return 0;
  }
  return 1;
}

int ReadPunctuationText(ByteView ime, std::u16string_view key, std::u16string_view value) {
  using namespace ime_block;
  if (key == u"智能标点表") {
    SetPunctuationKinds(ime, value, kPunctuationSmart);
    return 1;
  }
  if (key == u"光标左移的标点表") {
    SetPunctuationKinds(ime, value, kPunctuationCursorLeft);
    return 1;
  }
  const int slot = KeySlot(key);
  if (slot < 0) return 0;
  const std::uint32_t entry = PunctuationOffset(static_cast<std::uint32_t>(slot));
  if (!ime.Holds(entry, kPunctuationEntrySize)) return 0;
  // A new definition starts from an empty entry, so a pair also starts at its first text.
  ZeroField(ime, entry, kPunctuationEntrySize);
  const std::size_t comma = value.size() > 1 ? value.find(u',', 1) : std::u16string_view::npos;
  if (comma != std::u16string_view::npos) {
    ime.WriteU16(entry + kPunctuationKind, kPunctuationPair);
    WriteFieldText(ime, entry + kPunctuationText, kPunctuationPairUnits, value.substr(0, comma));
    WriteFieldText(ime, entry + kPunctuationSecondText, kPunctuationPairUnits, value.substr(comma + 1));
  } else {
    ime.WriteU16(entry + kPunctuationKind, kPunctuationSingle);
    WriteFieldText(ime, entry + kPunctuationText, kPunctuationSingleUnits, value);
  }
  return 1;
}

int ReadDisplayConversionText(ByteView ime, std::u16string_view key, std::u16string_view value) {
  using namespace ime_block;
  if (key == u"开启转换") {
    SetBits32(ime, kBehaviourFlags, kDisplayConversionOn, value == kYes);
    return 1;
  }
  const int slot = KeySlot(key);
  if (slot < 0) return 0;
  const std::uint32_t entry = DisplayConversionOffset(static_cast<std::uint32_t>(slot));
  if (!ime.Holds(entry, kDisplayConversionEntrySize)) return 0;
  ZeroField(ime, entry, kDisplayConversionEntrySize);
  WriteFieldText(ime, entry, kDisplayConversionUnits, value);
  return 1;
}

char16_t DisplayConversionChar(ByteView ime, char16_t c) {
  using namespace ime_block;
  std::uint32_t flags = 0;
  if (!ime.ReadU32(kBehaviourFlags, flags) || !(flags & kDisplayConversionOn)) return c;
  std::uint32_t index = 0;
  if (c < 128) {
    index = c;
  } else if (c >= 0xFF01 && c <= 0xFF7F) {
    index = c & 0xFF;
  } else {
    return c;
  }
  std::uint16_t shown = 0;
  if (!ime.ReadU16(DisplayConversionOffset(index), shown) || shown == 0) return c;
  return static_cast<char16_t>(shown);
}

int ParseWordRule(WordRuleSlot& slot, std::u16string_view text) {
  using namespace dme_block;
  slot.fill(0);
  if (text.empty() || (text[0] != u'P' && text[0] != u'p')) return 0;
  std::size_t pos = 1;
  const int n = ReadNumber(text, pos);
  if (n < kMinRuleLength || n > kMaxRuleLength) return 0;
  const std::size_t equals = text.find(u'=');
  if (equals == std::u16string_view::npos) return 0;

  WordRuleSlot terms{};
  std::size_t count = 0;
  pos = equals + 1;
  while (pos < text.size() && count < kMaxStoredTerms) {
    if (text[pos] == u'+') ++pos;
    if (pos >= text.size()) break;
    const char16_t from = text[pos++];
    int character = 0;
    if (from == u'L' || from == u'l') {
      character = ReadNumber(text, pos);
    } else if (from == u'R' || from == u'r') {
      character = n - ReadNumber(text, pos) + 1;
    } else {
      return 0;
    }
    if (character < 1 || character > kMaxRuleLength) return 0;
    if (pos >= text.size()) return 0;
    const char16_t side = text[pos++];
    const int code = ReadNumber(text, pos);
    std::uint16_t term = static_cast<std::uint16_t>((character << kTermCharacterShift) | (code & kTermCodeMask));
    if (side == u'F' || side == u'f') {
      term = static_cast<std::uint16_t>(term | kTermFromFront);
    } else if (side != u'B' && side != u'b') {
      return 0;
    }
    terms[count++] = term;
  }
  slot = terms;
  return n;
}

int ReadWordRuleText(ByteView dme, std::u16string_view key, std::u16string_view value) {
  using namespace dme_block;
  std::u16string rule;
  rule.reserve(key.size() + 1 + value.size());
  rule.append(key).append(u"=").append(value);
  WordRuleSlot slot;
  const int n = ParseWordRule(slot, CutText(rule, kMaxReadRuleUnits));
  if (n < kMinRuleLength || n > kMaxRuleLength) return 0;
  if (!dme.Holds(RuleSlotOffset(0), kWordRuleSlotSize) ||
      !dme.Holds(RuleSlotOffset(static_cast<std::uint32_t>(n)), kWordRuleSlotSize)) {
    return 0;
  }
  for (std::uint32_t i = 0; i < kWordRuleTerms; ++i) {
    dme.WriteU16(RuleSlotOffset(0) + 2 * i, slot[i]);
    dme.WriteU16(RuleSlotOffset(static_cast<std::uint32_t>(n)) + 2 * i, slot[i]);
  }
  return 1;
}

std::u16string FormatWordRule(int n, const WordRuleSlot& slot) {
  using namespace dme_block;
  // Texts are built by appending: GCC 12 at -O3 takes "literal + temporary" for an overlapping copy.
  std::u16string text = u"P";
  text.append(Decimal(n)).append(u"=");
  for (std::size_t i = 0; i < slot.size() && slot[i] != 0; ++i) {
    const std::uint16_t term = slot[i];
    std::u16string part = i == 0 ? u"L" : u"+L";
    part.append(Decimal(TermCharacter(term)))
        .append(TermFromFront(term) ? u"F" : u"B")
        .append(Decimal(TermCodePosition(term)));
    if (text.size() + part.size() > kMaxRuleTextUnits) break;
    text += part;
  }
  return text;
}

bool ReadWordRuleSlot(ByteView dme, int n, WordRuleSlot& out) {
  using namespace dme_block;
  out.fill(0);
  if (n < 0 || n > kMaxRuleLength) return false;
  const std::uint32_t offset = RuleSlotOffset(static_cast<std::uint32_t>(n));
  if (!dme.Holds(offset, kWordRuleSlotSize)) return false;
  for (std::uint32_t i = 0; i < kWordRuleTerms; ++i) dme.ReadU16(offset + 2 * i, out[i]);
  return true;
}

int ParseSetCommand(std::u16string_view command, SetCommand& out) {
  constexpr std::u16string_view kSetPrefix = u"set(";
  const std::size_t end = command.find(u'\0');
  if (end != std::u16string_view::npos) command = command.substr(0, end);
  if (!StartsWith(command, kSetPrefix)) return 0;
  std::size_t pos = kSetPrefix.size();
  // One part: quoted up to the next quote with the separator right after it, or plain up to the
  // separator. Moves pos past the separator.
  const auto part = [&](char16_t separator, std::u16string_view& value) {
    if (pos < command.size() && command[pos] == u'"') {
      const std::size_t close = command.find(u'"', pos + 1);
      if (close == std::u16string_view::npos || close + 1 >= command.size() || command[close + 1] != separator) {
        return false;
      }
      value = command.substr(pos + 1, close - pos - 1);
      pos = close + 2;
      return true;
    }
    const std::size_t at = command.find(separator, pos);
    if (at == std::u16string_view::npos) return false;
    value = command.substr(pos, at - pos);
    pos = at + 1;
    return true;
  };
  return part(u',', out.section) && part(u'=', out.key) && part(u')', out.value) ? 1 : 0;
}

int ApplySetCommand(std::u16string_view command, const ConfigBlocks& blocks) {
  SetCommand parts;
  if (!ParseSetCommand(command, parts)) return 0;
  const int id = SchemeSectionId(parts.section);
  if (id == kUnknownSection) return 0;
  // Which framework the library runs under and its debug mode are fixed by the installation.
  if (parts.key == u"输入法框架" || parts.key == u"使用调试模式") return 0;
  SettingsTextOps* ops = NewSettingsTextOps();
  const int result = DispatchSchemeSetting(blocks, ops, id, parts.key, parts.value);
  if (ops) ops->free(ops);
  return result;
}

int RunSetCommand(std::u16string_view command, MappedFile* store) {
  const ScopedFileWrite write(store);
  if (!write.ok()) return 0;
  // Taking the lock may have re-mapped a store that another process grew: look the blocks up now.
  ConfigBlocks blocks;
  if (!FindConfigBlocks(ByteView{store->view, static_cast<std::uint32_t>(store->size)}, blocks)) return 0;
  return ApplySetCommand(command, blocks);
}

bool SettingsTextLines::Next(SettingsTextLine& out) {
  const std::size_t size = text_.size();
  const auto is_break = [&](std::size_t i) { return text_[i] == u'\r' || text_[i] == u'\n'; };
  const auto skip_to_line_end = [&] {
    while (position_ < size && !is_break(position_)) ++position_;
  };
  while (true) {
    while (position_ < size && is_break(position_)) ++position_;
    if (position_ >= size) return false;
    const std::u16string_view rest = text_.substr(position_);
    if (StartsWith(rest, u"//")) {
      skip_to_line_end();
      continue;
    }
    if (StartsWith(rest, u"/*")) {
      const std::size_t close = rest.find(u"*/", 2);
      position_ = close == std::u16string_view::npos ? size : position_ + close + 2;
      continue;
    }
    std::size_t length = 0;
    while (length < rest.size() && length < kMaxSettingsLineUnits && !is_break(position_ + length)) ++length;
    std::u16string_view line = rest.substr(0, length);
    position_ += length;
    const std::size_t backslashes = line.find(u"\\\\");
    if (backslashes != std::u16string_view::npos) {
      line = line.substr(0, backslashes);
      skip_to_line_end();
    }

    if (StartsWith(line, u"[-")) {
      out = SettingsTextLine{};
      out.header = true;
      out.section = SchemeSectionId(line);
      out.text = line;
      return true;
    }
    const std::size_t equals = line.find(u'=', (!line.empty() && line[0] == u'=') ? 1 : 0);
    if (equals == std::u16string_view::npos || equals == 0) continue;
    out = SettingsTextLine{};
    out.key = line.substr(0, equals);
    std::u16string_view value = line.substr(equals + 1);
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') {
      value = value.substr(1, value.find(u'"', 1) - 1);
    }
    out.value = value;
    return true;
  }
}

int ReadSchemeText(std::u16string_view text, const ConfigBlocks& blocks, const SettingsTextOps* ops) {
  SettingsTextLines lines(text);
  SettingsTextLine line;
  int section = kUnknownSection;
  int dispatched = 0;
  while (lines.Next(line)) {
    if (line.header) {
      section = line.section;
    } else {
      dispatched += DispatchSchemeSetting(blocks, ops, section, line.key, line.value);
    }
  }
  return dispatched;
}

}  // namespace lz
