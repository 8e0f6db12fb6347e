#include "textservice/engine/key_names.h"

#include <array>
#include <cstring>

#include "textservice/engine/block_fields.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/text_compare.h"

namespace lz {

namespace {

using NameTable = std::array<std::u16string_view, 256>;

constexpr std::u16string_view kDigits[10] = {u"0", u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9"};
constexpr std::u16string_view kLower[26] = {u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h", u"i",
                                            u"j", u"k", u"l", u"m", u"n", u"o", u"p", u"q", u"r",
                                            u"s", u"t", u"u", u"v", u"w", u"x", u"y", u"z"};
constexpr std::u16string_view kUpper[26] = {u"A", u"B", u"C", u"D", u"E", u"F", u"G", u"H", u"I",
                                            u"J", u"K", u"L", u"M", u"N", u"O", u"P", u"Q", u"R",
                                            u"S", u"T", u"U", u"V", u"W", u"X", u"Y", u"Z"};
constexpr std::u16string_view kFunctionKeys[24] = {
    u"键F1",  u"键F2",  u"键F3",  u"键F4",  u"键F5",  u"键F6",  u"键F7",  u"键F8",
    u"键F9",  u"键F10", u"键F11", u"键F12", u"键F13", u"键F14", u"键F15", u"键F16",
    u"键F17", u"键F18", u"键F19", u"键F20", u"键F21", u"键F22", u"键F23", u"键F24"};
// The keypad digits' names are their internal key characters 0x10..0x19.
constexpr std::u16string_view kKeypadDigits[10] = {u"\x10", u"\x11", u"\x12", u"\x13", u"\x14",
                                                   u"\x15", u"\x16", u"\x17", u"\x18", u"\x19"};

constexpr int kVkF1 = 0x70;
constexpr int kVkF10 = 0x79;
constexpr int kVkF12 = 0x7B;
constexpr int kVkF24 = 0x87;
constexpr int kVkBracketRight = 221;

constexpr NameTable MakePlainNames() {
  NameTable t{};
  t[0x08] = u"键Backspace";
  t[0x09] = u"键Tab";
  t[0x0D] = u"键Enter";
  t[0x10] = u"键Shift";
  t[0x11] = u"键Ctrl";
  t[0x12] = u"键Alt";
  t[0x13] = u"键Pause";
  t[0x14] = u"键CapsLock";
  t[0x1B] = u"键Esc";
  t[0x20] = u" ";
  t[0x21] = u"键PageUp";
  t[0x22] = u"键PageDown";
  t[0x23] = u"键End";
  t[0x24] = u"键Home";
  t[0x25] = u"键左箭头";
  t[0x26] = u"键上箭头";
  t[0x27] = u"键右箭头";
  t[0x28] = u"键下箭头";
  t[0x2C] = u"键PrtSc";
  t[0x2D] = u"键Insert";
  t[0x2E] = u"键Delete";
  for (int i = 0; i < 10; ++i) t[0x30 + i] = kDigits[i];
  for (int i = 0; i < 26; ++i) t[0x41 + i] = kLower[i];
  for (int i = 0; i < 10; ++i) t[0x60 + i] = kKeypadDigits[i];
  t[0x6A] = u"\x0A";
  t[0x6B] = u"\x0B";
  t[0x6D] = u"\x0D";
  t[0x6E] = u"\x0E";
  t[0x6F] = u"\x0F";
  for (int i = 0; i < 24; ++i) t[kVkF1 + i] = kFunctionKeys[i];
  t[0x90] = u"键NumLock";
  t[0x91] = u"键Scroll";
  t[0xA0] = u"键左Shift";
  t[0xA1] = u"键右Shift";
  t[0xA2] = u"键左Ctrl";
  t[0xA3] = u"键右Ctrl";
  t[0xA4] = u"键左Alt";
  t[0xA5] = u"键右Alt";
  t[0xBA] = u";";
  t[0xBB] = u"=";
  t[0xBC] = u",";
  t[0xBD] = u"-";
  t[0xBE] = u".";
  t[0xBF] = u"/";
  t[0xC0] = u"`";
  t[0xDB] = u"[";
  t[0xDC] = u"\\";
  t[kVkBracketRight] = u"]";
  t[0xDE] = u"'";
  return t;
}

constexpr NameTable MakeShiftedNames() {
  NameTable t{};
  t[0x0D] = u"键Enter";
  t[0x10] = u"键Shift";
  constexpr std::u16string_view kShiftedDigits[10] = {u")", u"!", u"@", u"#", u"$",
                                                      u"%", u"^", u"&", u"*", u"("};
  for (int i = 0; i < 10; ++i) t[0x30 + i] = kShiftedDigits[i];
  for (int i = 0; i < 26; ++i) t[0x41 + i] = kUpper[i];
  t[0xBA] = u":";
  t[0xBB] = u"+";
  t[0xBC] = u"<";
  t[0xBD] = u"_";
  t[0xBE] = u">";
  t[0xBF] = u"?";
  t[0xC0] = u"~";
  t[0xDB] = u"{";
  t[0xDC] = u"|";
  t[kVkBracketRight] = u"}";
  t[0xDE] = u"\"";
  return t;
}

constexpr NameTable kPlainNames = MakePlainNames();
constexpr NameTable kShiftedNames = MakeShiftedNames();

constexpr char16_t kKeyWordMark = u'键';

// The "键" names that a key text may start with, in the order they are tried: F10..F12 before F1 so
// that F10 is never read as F1; F13..F24 are not key-text names.
struct WordKeyOrder {
  std::array<std::uint8_t, 256> keys{};
  int count = 0;
};

constexpr WordKeyOrder MakeWordKeyOrder() {
  WordKeyOrder order;
  for (int vk = 0; vk < 256; ++vk) {
    if (kPlainNames[vk].empty() || kPlainNames[vk][0] != kKeyWordMark) continue;
    if (vk > kVkF12 && vk <= kVkF24) continue;
    if (vk >= kVkF10 && vk <= kVkF12) continue;
    if (vk == kVkF1) {
      for (int f = kVkF10; f <= kVkF12; ++f) order.keys[order.count++] = static_cast<std::uint8_t>(f);
    }
    order.keys[order.count++] = static_cast<std::uint8_t>(vk);
  }
  return order;
}

constexpr WordKeyOrder kWordKeyOrder = MakeWordKeyOrder();

struct ModifierWord {
  std::u16string_view text;
  std::int32_t bits;
};

constexpr ModifierWord kModifierWords[] = {
    {u"+键Ctrl", key_code::kCtrl},
    {u"+键Alt", key_code::kAlt},
    {u"+键Shift", key_code::kShift},
    {u"+键左Ctrl", key_code::kLeftCtrl | key_code::kCtrl},
    {u"+键左Alt", key_code::kLeftAlt | key_code::kAlt},
    {u"+键左Shift", key_code::kLeftShift | key_code::kShift},
    {u"+键右Ctrl", key_code::kRightCtrl | key_code::kCtrl},
    {u"+键右Alt", key_code::kRightAlt | key_code::kAlt},
    {u"+键右Shift", key_code::kRightShift | key_code::kShift},
};

struct CharacterKey {
  char16_t c;
  std::int32_t code;
};

// Single characters that stand for a key other than a digit or a letter.
constexpr CharacterKey kCharacterKeys[] = {
    {u'０', 0x60}, {u'１', 0x61}, {u'２', 0x62}, {u'３', 0x63}, {u'４', 0x64}, {u'５', 0x65},
    {u'６', 0x66}, {u'７', 0x67}, {u'８', 0x68}, {u'９', 0x69}, {u'＋', 0x6B}, {u'－', 0x6D},
    {u'＊', 0x6A}, {u'／', 0x6F}, {u'．', 0x6E}, {u'\t', 0x09}, {u' ', 0x20},  {u';', 0xBA},
    {u'=', 0xBB},  {u',', 0xBC},  {u'-', 0xBD},  {u'.', 0xBE},  {u'/', 0xBF},  {u'`', 0xC0},
    {u'[', 0xDB},  {u'\\', 0xDC}, {u']', 221},   {u'\'', 0xDE}, {u')', 0x130}, {u'!', 0x131},
    {u'@', 0x132}, {u'#', 0x133}, {u'$', 0x134}, {u'%', 0x135}, {u'^', 0x136}, {u'&', 0x137},
    {u'*', 0x138}, {u'(', 0x139}, {u':', 0x1BA}, {u'+', 0x1BB}, {u'<', 0x1BC}, {u'_', 0x1BD},
    {u'>', 0x1BE}, {u'?', 0x1BF}, {u'~', 0x1C0}, {u'{', 0x1DB}, {u'|', 0x1DC}, {u'}', 0x100 + 221},
    {u'"', 0x1DE},
};

std::int32_t CharacterKeyCode(char16_t c) {
  if (c >= u'0' && c <= u'9') return c;
  if (c >= u'a' && c <= u'z') return c - u'a' + u'A';
  if (c >= u'A' && c <= u'Z') return (c | key_code::kShift);
  for (const CharacterKey& k : kCharacterKeys) {
    if (k.c == c) return k.code;
  }
  return 0;
}

// Numbered function names "第N候选<suffix>" for N = 1..10.
struct NumberedName {
  char16_t text[16] = {};
  std::size_t length = 0;
  std::u16string_view view() const { return {text, length}; }
};

NumberedName Numbered(unsigned n, std::u16string_view suffix) {
  NumberedName name;
  name.text[name.length++] = u'第';
  if (n >= 10) name.text[name.length++] = static_cast<char16_t>(u'0' + n / 10);
  name.text[name.length++] = static_cast<char16_t>(u'0' + n % 10);
  name.text[name.length++] = u'候';
  name.text[name.length++] = u'选';
  for (char16_t c : suffix) name.text[name.length++] = c;
  return name;
}

KeyFunctionMask WithNumber(KeyFunctionMask mask, unsigned n) {
  return (mask & ~key_function::kNumberMask) | (KeyFunctionMask{n} << key_function::kNumberShift);
}

// The first of numbered names 1..10 with this suffix inside text: its number, or 0.
unsigned FindNumbered(std::u16string_view text, std::u16string_view suffix) {
  for (unsigned n = 1; n <= 10; ++n) {
    if (Contains(text, Numbered(n, suffix).view())) return n;
  }
  return 0;
}

struct NamedBit {
  std::u16string_view name;
  KeyFunctionMask bit;
};

// Returns the bit of the first name of the group found in text, or 0.
template <std::size_t N>
KeyFunctionMask FirstOf(std::u16string_view text, const NamedBit (&group)[N]) {
  for (const NamedBit& b : group) {
    if (Contains(text, b.name)) return b.bit;
  }
  return 0;
}

}  // namespace

std::u16string_view GetKeyName(std::int32_t code) {
  using namespace key_code;
  if ((code & ~(kVirtualKeyMask | kShift)) != 0) return {};
  const int vk = code & kVirtualKeyMask;
  if (vk == 0xFF) return {};
  return (code & kShift) ? kShiftedNames[vk] : kPlainNames[vk];
}

std::int32_t ParseKeyName(std::u16string_view text) {
  if (text.empty()) return key_code::kNone;
  std::int32_t modifiers = 0;
  for (const ModifierWord& m : kModifierWords) {
    if (Contains(text, m.text)) modifiers |= m.bits;
  }
  if (text[0] == kKeyWordMark) {
    for (int i = 0; i < kWordKeyOrder.count; ++i) {
      const std::uint8_t vk = kWordKeyOrder.keys[i];
      if (StartsWith(text, kPlainNames[vk])) return vk | modifiers;
    }
    return modifiers;
  }
  return CharacterKeyCode(text[0]) | modifiers;
}

KeyFunctionMask ParseKeyFunctions(std::u16string_view text) {
  using namespace key_function;
  static constexpr NamedBit kIndependent[] = {
      {u"输入法打开/关闭", kToggleIme},          {u"英文输入开关", kToggleEnglish},
      {u"清除输入", kClearInput},                {u"输入方案主/辅切换", kSchemeMainAuxiliary},
      {u"输入方案主/混切换", kSchemeMainMixed},  {u"检索范围主/次切换", kRangeMainSecondary},
      {u"检索范围主/混切换", kRangeMainMixed},   {u"重复输入", kRepeatInput},
      {u"撤销输入", kUndoInput},                 {u"前翻页", kPageUp},
      {u"后翻页", kPageDown},                    {u"首选前移", kFirstForward},
      {u"首选后移", kFirstBackward},
  };
  KeyFunctionMask mask = 0;
  for (const NamedBit& b : kIndependent) {
    if (Contains(text, b.name)) mask |= b.bit;
  }

  // Commit group: the last-candidate name first, since it holds the first-candidate name.
  if (Contains(text, u"倒数第1候选上屏")) {
    mask = WithNumber(mask | kCommit, kCommitLast);
  } else if (const unsigned n = FindNumbered(text, u"上屏")) {
    mask = WithNumber(mask | kCommit, n);
  } else if (Contains(text, u"首选上屏")) {
    mask = WithNumber(mask | kCommit, kCommitFirst);
  } else if (Contains(text, u"首选顶屏")) {
    mask = WithNumber(mask | kCommit, kCommitFirstAndKey);
  } else if (Contains(text, u"英文上屏")) {
    mask = WithNumber(mask | kCommit, kCommitEnglish);
  }
  if (const unsigned n = FindNumbered(text, u"调频")) mask = WithNumber(mask | kFrequency, n);
  if (const unsigned n = FindNumbered(text, u"删除")) mask = WithNumber(mask | kDelete, n);

  static constexpr NamedBit kCursor[] = {
      {u"光标左移", kCursorLeft}, {u"光标右移", kCursorRight}, {u"光标至头", kCursorHome},
      {u"光标至尾", kCursorEnd},  {u"编码前删", kDeleteBefore}, {u"编码后删", kDeleteAfter},
  };
  static constexpr NamedBit kWindows[] = {{u"显示|隐藏状态栏窗口", kToggleStatusWindow},
                                          {u"显示|关闭候选窗口", kToggleCandidateWindow}};
  static constexpr NamedBit kConversion[] = {{u"上屏转换 - 简体", kConvertSimplified},
                                             {u"上屏转换 - 繁体", kConvertTraditional}};
  static constexpr NamedBit kKeyboard[] = {{u"软键盘切换", kSoftKeyboard}};
  static constexpr NamedBit kOnline[] = {{u"在线加词", kAddWordOnline}, {u"在线删词", kDeleteWordOnline}};
  static constexpr NamedBit kConfig[] = {
      {u"配置 - 主页", kConfigHome},           {u"配置 - 按键设置", kConfigKeys},
      {u"配置 - 帮助", kConfigHelp},           {u"配置 - 关于", kConfigAbout},
      {u"配置 - 输出反查", kConfigOutputLookup}, {u"配置 - 剪贴板反查", kConfigClipboardLookup},
      {u"配置 - 词典查询", kConfigDictionary},
  };
  mask |= FirstOf(text, kCursor);
  mask |= FirstOf(text, kWindows);
  mask |= FirstOf(text, kConversion);
  mask |= FirstOf(text, kKeyboard);
  mask |= FirstOf(text, kOnline);
  mask |= FirstOf(text, kConfig);

  // A fixed custom command excludes the numbered custom group.
  static constexpr NamedBit kCustom[] = {{u"定制1", kCustom1}, {u"定制2", kCustom2}, {u"定制3", kCustom3}};
  if (const KeyFunctionMask custom = FirstOf(text, kCustom)) return mask | custom;
  if (const unsigned n = FindNumbered(text, u"定制")) mask = WithNumber(mask | kCustomCandidate, n);
  return mask;
}

std::int32_t KeyTableEntry(std::int32_t code) {
  if (code < 0 || (code & ~key_code::kShift) >= 0xFF || GetKeyName(code).empty()) return -1;
  return (code & key_code::kVirtualKeyMask) + ((code & key_code::kShift) ? dme_block::kShiftedKeyMasks : 0);
}

std::u16string KeyCodeToName(std::int32_t code) {
  using namespace key_code;
  constexpr char16_t kWideFormBase = 0xFF00;
  const int vk = code & kVirtualKeyMask;
  std::u16string_view name = kPlainNames[vk];
  if ((code & ~(kVirtualKeyMask | kShift)) == 0 && (code & kShift) && !kShiftedNames[vk].empty()) {
    name = kShiftedNames[vk];
  }
  std::u16string text;
  // The keypad's names are its internal key characters; texts write them in full-width form.
  if (name.size() == 1 && name[0] < 0x20 && name[0] != u'\t') {
    text += static_cast<char16_t>(kWideFormBase + name[0]);
  } else {
    text += name;
  }
  struct Modifier {
    std::int32_t left, right, plain;
    std::u16string_view left_word, right_word, plain_word;
  };
  static constexpr Modifier kModifiers[] = {
      {kLeftShift, kRightShift, kShift, u"+键左Shift", u"+键右Shift", u"+键Shift"},
      {kLeftAlt, kRightAlt, kAlt, u"+键左Alt", u"+键右Alt", u"+键Alt"},
      {kLeftCtrl, kRightCtrl, kCtrl, u"+键左Ctrl", u"+键右Ctrl", u"+键Ctrl"},
  };
  for (const Modifier& m : kModifiers) {
    // A key held with both the left and the right modifier names both, so the code reads back whole.
    if (code & m.left) text += m.left_word;
    if (code & m.right) text += m.right_word;
    if (!(code & (m.left | m.right)) && (code & m.plain)) text += m.plain_word;
  }
  return std::u16string(CutText(text, kMaxKeyTextUnits));
}

std::u16string KeyFunctionMaskToNames(KeyFunctionMask mask) {
  using namespace key_function;
  std::u16string text;
  const auto name = [&](std::u16string_view n) { text.append(n).append(u","); };
  const auto when = [&](KeyFunctionMask bit, std::u16string_view n) {
    if (mask & bit) name(n);
  };
  const unsigned number = static_cast<unsigned>((mask & kNumberMask) >> kNumberShift);
  const bool numbered = number >= 1 && number <= 10;

  when(kToggleIme, u"输入法打开/关闭");
  when(kToggleEnglish, u"英文输入开关");
  when(kClearInput, u"清除输入");
  when(kSchemeMainAuxiliary, u"输入方案主/辅切换");
  when(kSchemeMainMixed, u"输入方案主/混切换");
  when(kRangeMainSecondary, u"检索范围主/次切换");
  when(kRangeMainMixed, u"检索范围主/混切换");
  when(kRepeatInput, u"重复输入");
  when(kUndoInput, u"撤销输入");
  when(kPageUp, u"前翻页");
  when(kPageDown, u"后翻页");
  when(kFirstForward, u"首选前移");
  when(kFirstBackward, u"首选后移");
  if (mask & kCommit) {
    if (number == kCommitFirst) {
      name(u"首选上屏");
    } else if (numbered) {
      name(Numbered(number, u"上屏").view());
    } else if (number == kCommitEnglish) {
      name(u"英文上屏");
    } else if (number == kCommitLast) {
      name(u"倒数第1候选上屏");
    } else if (number == kCommitFirstAndKey) {
      name(u"首选顶屏");
    }
  }
  if ((mask & kFrequency) && numbered) name(Numbered(number, u"调频").view());
  if ((mask & kDelete) && numbered) name(Numbered(number, u"删除").view());
  when(kCursorLeft, u"光标左移");
  when(kCursorRight, u"光标右移");
  when(kCursorHome, u"光标至头");
  when(kCursorEnd, u"光标至尾");
  when(kDeleteBefore, u"编码前删");
  when(kDeleteAfter, u"编码后删");
  if (mask & kToggleStatusWindow) {
    name(u"显示|隐藏状态栏窗口");
  } else {
    when(kToggleCandidateWindow, u"显示|关闭候选窗口");
  }
  if (mask & kConvertSimplified) {
    name(u"上屏转换 - 简体");
  } else {
    when(kConvertTraditional, u"上屏转换 - 繁体");
  }
  when(kSoftKeyboard, u"软键盘切换");
  if (mask & kAddWordOnline) {
    name(u"在线加词");
  } else {
    when(kDeleteWordOnline, u"在线删词");
  }
  static constexpr NamedBit kConfigOrder[] = {
      {u"配置 - 主页", kConfigHome},           {u"配置 - 按键设置", kConfigKeys},
      {u"配置 - 帮助", kConfigHelp},           {u"配置 - 关于", kConfigAbout},
      {u"配置 - 输出反查", kConfigOutputLookup}, {u"配置 - 剪贴板反查", kConfigClipboardLookup},
      {u"配置 - 词典查询", kConfigDictionary},
  };
  for (const NamedBit& b : kConfigOrder) {
    if (mask & b.bit) {
      name(b.name);
      break;
    }
  }
  if (mask & kCustom1) text += u"定制1";
  if (mask & kCustom2) text += u"定制2";
  if (mask & kCustom3) text += u"定制3";
  if ((mask & kCustomCandidate) && numbered) name(Numbered(number, u"定制").view());
  return std::u16string(CutText(text, kMaxFunctionTextUnits));
}

int ReadKeyFunctionText(std::u16string_view keyText, ByteView dme, std::u16string_view functionText) {
  const std::int32_t code = ParseKeyName(keyText);
  // Without a key the line would only bind a bare modifier set that no key press can produce.
  if (code == key_code::kNone || (code & key_code::kVirtualKeyMask) == 0) return 0;
  const KeyFunctionMask mask = ParseKeyFunctions(functionText);

  if (const std::int32_t entry = KeyTableEntry(code); entry >= 0) {
    return WriteKeyBinding(dme, static_cast<std::uint32_t>(entry), mask) ? 1 : 0;
  }
  if (const std::int32_t index = FindCombination(dme, code); index >= 0) {
    return WriteCombinationMask(dme, static_cast<std::uint32_t>(index), mask) ? 1 : 0;
  }
  return AddCombination(dme, code, mask) >= 0 ? 1 : 0;
}

KeyFunctionMask ReadKeyBinding(ByteView dme, std::uint32_t entry) {
  std::uint64_t mask = 0;
  if (entry >= dme_block::kKeyMaskCount || !ReadU64(dme, dme_block::KeyMaskOffset(entry), mask)) return 0;
  return mask;
}

std::uint32_t CombinationCount(ByteView dme) {
  std::uint8_t count = 0;
  if (!dme.ReadU8(dme_block::kCombinationCount, count)) return 0;
  return count < dme_block::kMaxCombinations ? count : dme_block::kMaxCombinations;
}

bool ReadCombination(ByteView dme, std::uint32_t index, CombinationBinding& out) {
  using namespace dme_block;
  if (index >= kMaxCombinations) return false;
  std::uint32_t code = 0;
  if (!dme.ReadU32(CombinationOffset(index) + kCombinationKeyCode, code) ||
      !dme.ReadU32(CombinationOffset(index) + kCombinationSpare, out.spare) ||
      !ReadU64(dme, CombinationOffset(index) + kCombinationMask, out.mask)) {
    return false;
  }
  out.key_code = static_cast<std::int32_t>(code);
  return true;
}

bool WriteKeyBinding(ByteView dme, std::uint32_t entry, KeyFunctionMask mask) {
  return entry < dme_block::kKeyMaskCount && WriteU64(dme, dme_block::KeyMaskOffset(entry), mask);
}

std::int32_t FindCombination(ByteView dme, std::int32_t code) {
  const std::uint32_t count = CombinationCount(dme);
  for (std::uint32_t i = 0; i < count; ++i) {
    CombinationBinding stored;
    if (!ReadCombination(dme, i, stored)) return -1;
    if (stored.key_code == code) return static_cast<std::int32_t>(i);
  }
  return -1;
}

std::int32_t AddCombination(ByteView dme, std::int32_t code, KeyFunctionMask mask) {
  using namespace dme_block;
  const std::uint32_t count = CombinationCount(dme);
  if (count >= kMaxCombinations || !dme.Holds(CombinationOffset(count), kCombinationSize) ||
      !dme.Holds(kCombinationCount, 1)) {
    return -1;
  }
  dme.WriteU32(CombinationOffset(count) + kCombinationKeyCode, static_cast<std::uint32_t>(code));
  WriteU64(dme, CombinationOffset(count) + kCombinationMask, mask);
  dme.WriteU8(kCombinationCount, static_cast<std::uint8_t>(count + 1));
  return static_cast<std::int32_t>(count);
}

bool WriteCombinationMask(ByteView dme, std::uint32_t index, KeyFunctionMask mask) {
  using namespace dme_block;
  return index < kMaxCombinations && WriteU64(dme, CombinationOffset(index) + kCombinationMask, mask);
}

bool RemoveCombination(ByteView dme, std::uint32_t index) {
  using namespace dme_block;
  const std::uint32_t count = CombinationCount(dme);
  if (index >= count || !dme.Holds(CombinationOffset(0), kMaxCombinations * kCombinationSize)) return false;
  std::uint8_t* first = dme.data + CombinationOffset(index);
  std::uint8_t* last = dme.data + CombinationOffset(count - 1);
  std::memmove(first, first + kCombinationSize, static_cast<std::size_t>(last - first));
  std::memset(last, 0, kCombinationSize);
  dme.WriteU8(kCombinationCount, static_cast<std::uint8_t>(count - 1));
  return true;
}

void ClearCombinations(ByteView dme) {
  using namespace dme_block;
  dme.WriteU8(kCombinationCount, 0);
  ZeroField(dme, kCombinations, kMaxCombinations * kCombinationSize);
}

}  // namespace lz
