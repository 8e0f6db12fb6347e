#include "config/settings/settings_export.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "config/app/text_file.h"
#include "platform/os/whole_file.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/key_names.h"
#include "textservice/engine/scheme_text.h"
#include "textservice/engine/settings_store.h"

namespace lz {
namespace {

constexpr char16_t kLineEnd[] = u"\r\n";
constexpr char16_t kWideFormBase = 0xFF00;
constexpr char16_t kFirstPrintable = 0x20;

// Behaviour flags (+48) that say which option groups the installed build offers; the text shows a group
// only when its build has it.
constexpr std::uint32_t kOffersAssociation = 0x2000;
constexpr std::uint32_t kOffersTempWords = 0x4000;

constexpr std::size_t kMaxPunctuationListUnits = 131;
constexpr std::size_t kMaxDisplayTextUtf8Bytes = 15;
constexpr int kMaxRulesLength = dme_block::kMaxRuleLength;

// The display-conversion table as a whole and the word-rule slots that exist (31 x 256 bytes).
constexpr std::uint32_t kDisplayConversionBytes =
    ime_block::kDisplayConversionCount * ime_block::kDisplayConversionEntrySize;
constexpr std::uint32_t kPunctuationBytes = ime_block::kPunctuationCount * ime_block::kPunctuationEntrySize;
constexpr std::uint32_t kWordRuleBytes = dme_block::kWordRuleSlots * dme_block::kWordRuleSlotSize;
constexpr std::uint32_t kKeyMaskBytes = dme_block::kKeyMaskCount * 8;
constexpr std::uint32_t kCombinationBytes = dme_block::kMaxCombinations * dme_block::kCombinationSize;

class TextWriter {
 public:
  TextWriter& operator<<(std::u16string_view part) {
    text_.append(part);
    return *this;
  }
  void Line(std::u16string_view line) { text_.append(line).append(kLineEnd); }
  void Empty() { text_.append(kLineEnd); }
  void YesNo(std::u16string_view key, bool on) { Line(std::u16string(key) + (on ? u"是" : u"否")); }
  std::u16string& text() { return text_; }

 private:
  std::u16string text_;
};

// A key character index of the ime tables as the text writes it: below 32 in full-width form.
char16_t KeyTextOf(std::uint32_t index) {
  return index < kFirstPrintable ? static_cast<char16_t>(kWideFormBase + index) : static_cast<char16_t>(index);
}

// The first characters of text whose UTF-8 fits max_bytes.
std::u16string_view CutToUtf8Bytes(std::u16string_view text, std::size_t max_bytes) {
  std::size_t bytes = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    std::size_t units = 1;
    std::size_t length = c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      units = 2;
      length = 4;
    }
    if (bytes + length > max_bytes) break;
    bytes += length;
    i += units;
  }
  return text.substr(0, i);
}

void Preamble(TextWriter& out, std::u16string_view title, std::u16string_view header) {
  out.Line(kSettingsRule);
  out.Line(std::u16string(kSettingsBannerPrefix) + std::u16string(title));
  out.Line(kSettingsRule);
  out.Line(header);
}

void WriteImeSection(TextWriter& out, ByteView ime) {
  using namespace ime_block;
  const std::uint32_t f36 = BlockU32(ime, kImeFlags);
  const std::uint32_t f44 = BlockU32(ime, kCandidateOptions);
  const std::uint32_t f48 = BlockU32(ime, kBehaviourFlags);
  const std::uint32_t f56 = BlockU32(ime, kInitialState);

  out.Line(u"//可选：“上屏英文”、“上屏英文+空格”、“清屏”之一");
  out.Line(std::u16string(u"空码时空格行为=") + ((f48 & 0x1)   ? u"上屏英文"
                                                   : (f48 & 0x2) ? u"上屏英文+空格"
                                                   : (f48 & 0x4) ? u"清屏"
                                                                 : u"上屏英文"));
  out.Empty();
  out.Line(u"//每次打开输入法时的标点符号状态,一般设置为“与系统转换状态一致”");
  out.Line(u"//如需特别指定，可设置“输入法打开”或“输入法关闭”、“中文标点”或“英文标点”、“全角”或“半角”");
  if (f48 & kOwnInitialState) {
    out.Line(std::u16string(u"初始化转换状态=自定义：") +
             ((f56 & kStateChinesePunctuation) ? u"中文标点+" : u"英文标点+") +
             ((f56 & kStateFullWidth) ? u"全角+" : u"半角+") + ((f56 & kStateClosed) ? u"输入法关闭" : u"输入法打开"));
  } else {
    out.Line(u"初始化转换状态=与系统转换状态一致");
  }
  out.Empty();
  out.Line(u"//由系统TSF框架绘制的文本区域//可选：“嵌入编码”、“嵌入首选”、“传统样式”");
  out.Line(std::u16string(u"嵌入文本内容=") + ((f36 & kInlineCode)             ? u"嵌入编码"
                                                 : (f36 & kInlineFirstCandidate) ? u"嵌入首选"
                                                                                 : u"传统样式"));
  out.Empty();
  out.YesNo(u"隐藏嵌入的首候选=", f48 & kHideInlineFirst);
  out.YesNo(u"仅重码时显示候选窗口=", f48 & kWindowOnlyForChoices);
  out.Empty();
  out.Line(u"//可选：“固定位置”、“跟随状态栏”、“跟随光标”之一");
  out.Line(std::u16string(u"候选窗口位置=") + ((f36 & kWindowFixed)          ? u"固定位置"
                                                 : (f36 & kWindowFollowsStatus) ? u"跟随状态栏"
                                                                                : u"跟随光标"));
  out.Empty();
  out.Line(u"//如果生成时包含了词典，系统默认当鼠标在候选窗口悬停800毫秒后打开词典窗口。");
  out.YesNo(u"禁用鼠标悬停词典=", f36 & kNoHoverDictionary);
  out.Empty();
  out.YesNo(u"隐藏候选窗口=", f36 & kHideCandidateWindow);
  out.YesNo(u"隐藏状态栏窗口=", f36 & kHideStatusWindow);
  out.Empty();
  out.YesNo(u"隐藏词条相同编码不同的后续候选=", f48 & kHideSameTextCandidates);
  out.YesNo(u"是否打开非编码按键顶屏=", f36 & kCommitOnNonCodeKey);
  out.YesNo(u"中英文切换时上屏输入字符=", f36 & kTypedTextOnModeSwitch);
  out.YesNo(u"是否开启命令直通车=", f48 & kCandidateCommands);
  out.YesNo(u"Capslock转英文标点=", f48 & kCapsLockEnglishPunctuation);
  out.YesNo(u"禁用组合快捷键=", f36 & kNoCombinationKeys);
  out.YesNo(u"首字母大写开启临时英文输入=", f36 & kCapitalStartsEnglish);
  if (f48 & kOffersAssociation) out.YesNo(u"是否在上屏时开启词语联想=", f36 & kAssociation);
  if (f48 & kOffersTempWords) {
    out.Empty();
    out.YesNo(u"临时词功能开启=", f36 & kTempWords);
    out.YesNo(u"临时词上屏即存=", f36 & kTempWordsSavedOnCommit);
    out.YesNo(u"临时词重启电脑后清空=", f36 & kTempWordsClearedAtBoot);
    out.Empty();
    out.Line(u"//如果此项设置为是，程序依据每次上屏时的编码和构词规则生成临时词");
    out.Line(u"//否则，程序在单字编码表中查询每个单字编码后，依据构词规则生成临时词");
    out.YesNo(u"智能模式生成临时词=", f36 & kTempWordsSmart);
    out.Empty();
  }
  out.Line(u"//可选：“主+辅”、“主”、“辅”之一");
  const bool main = f36 & kSchemeMain, auxiliary = f36 & kSchemeAuxiliary;
  out.Line(std::u16string(u"输入方案=") + (main && auxiliary ? u"主+辅" : auxiliary && !main ? u"辅" : u"主"));
  out.Empty();
  out.Line(u"//检索范围仅限定次显码表，当“检索次显码表为否”时,“候选为空时检索次显码表”有效");
  out.YesNo(u"检索次显码表=", f36 & kAlwaysSearchSecondary);
  out.YesNo(u"空码时检索次显码表=", f36 & kSearchSecondaryWhenEmpty);
  out.Empty();
  out.Line(u"//可选：1~10之间整数");
  std::uint32_t page_size = (f44 & kPageSizeMask) >> kPageSizeShift;
  if (page_size < 1 || page_size > 10) page_size = 5;
  out.Line(page_size == 10 ? std::u16string(u"候选列表显示个数=10")
                           : std::u16string(u"候选列表显示个数=") + static_cast<char16_t>(u'0' + page_size));
  out.Empty();
  out.Line(u"//可选：“一次到顶”、“逐渐调整”、“禁止调整”之一");
  out.Line(std::u16string(u"词频调整=") + ((f44 & 0x1)   ? u"一次到顶"
                                             : (f44 & 0x2) ? u"逐渐调整"
                                                           : u"禁止调整"));
  out.Empty();
}

void WriteOpsSection(TextWriter& out, ByteView block, const SettingsTextOps* ops, int sub_kind) {
  if (!ops || !ops->write || !block.data) return;
  std::u16string body(kSettingsTextCapacity, u'\0');
  const int written = ops->write(block, body.data(), kSettingsTextCapacity, sub_kind);
  if (written <= 0) return;
  body.resize(static_cast<std::size_t>(written < kSettingsTextCapacity ? written : kSettingsTextCapacity));
  const std::size_t zero = body.find(u'\0');
  if (zero != std::u16string::npos) body.resize(zero);
  out << body;
}

void WritePunctuationSection(TextWriter& out, ByteView ime) {
  using namespace ime_block;
  std::u16string smart, cursor_left;
  for (std::uint32_t i = 0; i < kPunctuationCount; ++i) {
    const std::uint32_t entry = PunctuationOffset(i);
    std::uint16_t kind = 0;
    if (!ime.ReadU16(entry + kPunctuationKind, kind) || kind == 0) continue;
    const std::u16string key(1, KeyTextOf(i));
    if (kind == kPunctuationPair) {
      out.Line(key + u"=" + ReadFieldText(ime, entry + kPunctuationText, kPunctuationPairUnits) + u"," +
               ReadFieldText(ime, entry + kPunctuationSecondText, kPunctuationPairUnits));
    } else {
      out.Line(key + u"=" + ReadFieldText(ime, entry + kPunctuationText, kPunctuationSingleUnits));
    }
    if (kind == kPunctuationSmart) smart += key;
    if (kind == kPunctuationCursorLeft) cursor_left += key;
  }
  out.Line(u"//智能标点键位表，该表中指定的健位，第一次输入为中文标点，第二次输入删除中文并上屏英文标点。");
  out.Line(u"//数字后半角标点行为也受此功能影响，再次输入时删除半角标点并上屏中文标点。");
  out.Line(u"智能标点表=" + std::u16string(CutText(smart, kMaxPunctuationListUnits)));
  out.Empty();
  out.Line(u"//光标左移的标点表，该表中指定的键位在输出中文标点符号后，会模拟一次键盘光标左移键");
  out.Line(u"光标左移的标点表=" + std::u16string(CutText(cursor_left, kMaxPunctuationListUnits)));
  out.Empty();
}

void WriteDisplayConversionSection(TextWriter& out, ByteView ime) {
  using namespace ime_block;
  out.YesNo(u"开启转换=", BlockU32(ime, kBehaviourFlags) & kDisplayConversionOn);
  for (std::uint32_t i = 0; i < kDisplayConversionCount; ++i) {
    const std::u16string text = ReadFieldText(ime, DisplayConversionOffset(i), kDisplayConversionUnits);
    if (text.empty()) continue;
    out.Line(std::u16string(1, KeyTextOf(i)) + u"=" + std::u16string(CutToUtf8Bytes(text, kMaxDisplayTextUtf8Bytes)));
  }
}

void WriteKeyFunctionSection(TextWriter& out, ByteView dme) {
  using namespace dme_block;
  const auto binding = [&](std::int32_t code, KeyFunctionMask mask) {
    const std::u16string key = KeyCodeToName(code);
    // A key without a name has no line the reader could take back.
    if (!key.empty()) out.Line(key + u"=" + KeyFunctionMaskToNames(mask));
  };
  for (std::int32_t j = 0; j < 256; ++j) {
    if (const KeyFunctionMask plain = ReadKeyBinding(dme, static_cast<std::uint32_t>(j))) binding(j, plain);
    const KeyFunctionMask shifted = ReadKeyBinding(dme, kShiftedKeyMasks + static_cast<std::uint32_t>(j));
    if (j < 255 && shifted && !GetKeyName(j | key_code::kShift).empty()) binding(j | key_code::kShift, shifted);
  }
  const std::uint32_t count = CombinationCount(dme);
  for (std::uint32_t i = 0; i < count; ++i) {
    CombinationBinding combination;
    if (ReadCombination(dme, i, combination) && combination.key_code != 0 && combination.mask != 0) {
      binding(combination.key_code, combination.mask);
    }
  }
}

void WriteWordRuleSection(TextWriter& out, ByteView dme) {
  for (int n = dme_block::kMinRuleLength; n <= kMaxRulesLength; ++n) {
    WordRuleSlot slot;
    if (ReadWordRuleSlot(dme, n, slot) && slot[0] != 0) out.Line(FormatWordRule(n, slot));
  }
}

// The sections the whole-settings text is made of; a text naming none of them is no settings text.
bool IsExportedSection(int id) {
  switch (id) {
    case kImeSection:
    case kDmeSection:
    case kSkinSection:
    case kPunctuationSection:
    case kDisplayConversionSection:
    case kKeyFunctionSection:
    case kWordRuleSection:
      return true;
    default:
      return false;
  }
}

void StampBlockHeader(ByteView block, const char* name, std::uint8_t kind, std::uint32_t size) {
  using namespace config_store;
  if (!block.Holds(0, kBlockData)) return;
  block.WriteU32(kBlockSize, size);
  block.WriteU8(kBlockKind, kind);
  ZeroField(block, kBlockName, kBlockData - kBlockName);
  for (std::uint32_t i = 0; i < kBlockNameMax && name[i]; ++i) {
    block.WriteU8(kBlockName + i, static_cast<std::uint8_t>(name[i]));
  }
}

struct Pair {
  std::u16string_view key;
  std::u16string_view value;
};

}  // namespace

std::u16string WriteSettingsText(ByteView ime, ByteView dme, ByteView skin, const SettingsTextOps* ops) {
  TextWriter out;
  Preamble(out, u"IME设置", u"[-IME设置-]");
  WriteImeSection(out, ime);
  Preamble(out, u"DME设置", u"[-DME设置-]");
  WriteOpsSection(out, dme, ops, kDmeSettings);
  Preamble(out, u"SKIN设置", u"[-SKIN设置-]");
  WriteOpsSection(out, skin, ops, kSkinSettings);
  Preamble(out, u"中文符号定义", u"[-非编码符号转义定义表-]");
  WritePunctuationSection(out, ime);
  Preamble(out, u"输入字符显示转换表", u"[-输入字符显示转换表-]");
  WriteDisplayConversionSection(out, ime);
  Preamble(out, u"按键功能", u"[-按键功能-]");
  WriteKeyFunctionSection(out, dme);
  Preamble(out, u"构词规则定义", u"[-构词规则定义-]");
  WriteWordRuleSection(out, dme);
  return std::move(out.text());
}

bool ExportSettingsText(ByteView ime, ByteView dme, ByteView skin, const SettingsTextOps* ops, const char16_t* path) {
  if (!path || !path[0]) return false;
  return WriteSettingsBackup(path, WriteSettingsText(ime, dme, skin, ops));
}

bool IsSettingsText(std::u16string_view text) {
  SettingsTextLine line;
  for (SettingsTextLines scan(text); scan.Next(line);) {
    if (line.header && IsExportedSection(line.section)) return true;
  }
  return false;
}

int ImportSettingsText(std::u16string_view text, ByteView ime, ByteView dme, ByteView skin,
                       const SettingsTextOps* ops) {
  bool settings_text = false;
  bool has_key_functions = false, has_word_rules = false, has_punctuation = false, has_display_conversion = false;
  SettingsTextLine line;
  for (SettingsTextLines scan(text); scan.Next(line);) {
    if (!line.header || !IsExportedSection(line.section)) continue;
    settings_text = true;
    has_key_functions = has_key_functions || line.section == kKeyFunctionSection;
    has_word_rules = has_word_rules || line.section == kWordRuleSection;
    has_punctuation = has_punctuation || line.section == kPunctuationSection;
    has_display_conversion = has_display_conversion || line.section == kDisplayConversionSection;
  }
  // A file that is no settings text (a wrong one chosen for a restore) must not wipe the tables.
  if (!settings_text) return kSettingsTextWithoutSections;

  // A table's section lists the whole table, so entries left out of it must go; a text without the
  // section (a backup of a few settings) leaves the table as it is.
  if (has_key_functions) {
    ZeroField(dme, dme_block::kKeyMasks, kKeyMaskBytes);
    ZeroField(dme, dme_block::kCombinationCount, 1);
    ZeroField(dme, dme_block::kCombinations, kCombinationBytes);
  }
  if (has_word_rules) ZeroField(dme, dme_block::kWordRules, kWordRuleBytes);
  if (has_punctuation) ZeroField(ime, ime_block::kPunctuation, kPunctuationBytes);
  if (has_display_conversion) ZeroField(ime, ime_block::kDisplayConversion, kDisplayConversionBytes);

  const ConfigBlocks blocks{{}, ime, dme, skin};
  std::vector<Pair> ime_pairs, dme_pairs, skin_pairs;
  int section = kUnknownSection;
  for (SettingsTextLines walk(text); walk.Next(line);) {
    if (line.header) {
      section = line.section;
      continue;
    }
    switch (section) {
      case kImeSection:
        ime_pairs.push_back({line.key, line.value});
        break;
      case kDmeSection:
        dme_pairs.push_back({line.key, line.value});
        break;
      case kSkinSection:
        skin_pairs.push_back({line.key, line.value});
        break;
      default:
        DispatchSchemeSetting(blocks, ops, section, line.key, line.value);
        break;
    }
  }
  for (const Pair& p : ime_pairs) ReadImeSettingsText(ime, p.key, p.value);
  if (ops && ops->read) {
    if (dme.data) {
      for (const Pair& p : dme_pairs) ops->read(dme, p.key, p.value, kDmeSettings);
    }
    if (skin.data) {
      for (const Pair& p : skin_pairs) ops->read(skin, p.key, p.value, kSkinSettings);
    }
  }
  using namespace config_store;
  StampBlockHeader(ime, kImeBlockName, kImeBlockKind, kImeBlockSize);
  StampBlockHeader(dme, kDmeBlockName, kDmeBlockKind, kDmeBlockSize);
  StampBlockHeader(skin, kSkinBlockName, kSkinBlockKind, kSkinBlockSize);
  return kSettingsImported;
}

int ImportSettingsTextToStore(std::u16string_view text, MappedFile* store, const SettingsTextOps* ops) {
  const ScopedFileWrite write(store);
  if (!write.ok()) return kSettingsStoreNotWritable;
  // Taking the lock may have re-mapped a store that another process grew: look the blocks up now.
  ConfigBlocks blocks;
  if (!FindConfigBlocks(ByteView{store->view, static_cast<std::uint32_t>(store->size)}, blocks)) {
    return kSettingsStoreNotWritable;
  }
  return ImportSettingsText(text, blocks.ime, blocks.dme, blocks.skin, ops);
}

std::u16string SettingsBackupPath(std::u16string_view chosen) {
  std::u16string path(chosen);
  for (char16_t& c : path) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  constexpr std::u16string_view kText = u".txt";
  if (path.size() >= kText.size() && path.compare(path.size() - kText.size(), kText.size(), kText) == 0) {
    path.resize(path.size() - kText.size());
    path += u".lzconfig.txt";
  } else {
    path += kText;
  }
  if (path.size() >= static_cast<std::size_t>(kMaxPathUnits)) return {};
  return path;
}

bool WriteSettingsBackup(const char16_t* path, std::u16string_view text) {
  if (!path || !path[0]) return false;
  std::vector<std::uint8_t> bytes(std::begin(kUtf8Mark), std::end(kUtf8Mark));
  AppendUtf8(bytes, text);
  return os::ReplaceWholeFile(path, bytes);
}

}  // namespace lz
