#include "textservice/engine/settings_text.h"

#include <new>
#include <string>

#include "textservice/engine/block_fields.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/key_names.h"
#include "textservice/engine/skin_block.h"
#include "textservice/engine/text_compare.h"

namespace lz {

namespace {

constexpr char16_t kFullWidthComma = u'，';
constexpr std::size_t kMaxPrefixUnits = 4;
constexpr std::size_t kMaxKeyListUnits = 128;

bool IsYes(std::u16string_view value) { return EqualsIgnoreCase(value, u"是") || EqualsIgnoreCase(value, u"shi"); }
bool IsToggle(std::u16string_view value) { return EqualsIgnoreCase(value, u"切换"); }

// A yes/no value; where the key toggles, "切换" inverts the bit.
void ApplyFlag(ByteView view, std::uint32_t offset, std::uint32_t bit, bool toggles, std::u16string_view value) {
  std::uint32_t flags = 0;
  if (!view.ReadU32(offset, flags)) return;
  if (toggles && IsToggle(value)) {
    flags ^= bit;
  } else if (IsYes(value)) {
    flags |= bit;
  } else {
    flags &= ~bit;
  }
  view.WriteU32(offset, flags);
}

// The low byte of a decimal text, as an 8-bit field stores it; no digits read as 0.
std::uint8_t DecimalByte(std::u16string_view value) {
  std::size_t pos = 0;
  while (pos < value.size() && (value[pos] == u' ' || value[pos] == u'\t')) ++pos;
  bool negative = false;
  if (pos < value.size() && (value[pos] == u'-' || value[pos] == u'+')) negative = value[pos++] == u'-';
  unsigned low = 0;  // the number modulo 256, which is all the field keeps
  while (pos < value.size() && value[pos] >= u'0' && value[pos] <= u'9') {
    low = (low * 10 + (value[pos++] - u'0')) & 0xFF;
  }
  return static_cast<std::uint8_t>(negative ? (256 - low) & 0xFF : low);
}

std::uint8_t FirstKeyCharacter(std::u16string_view value) { return value.empty() ? 0 : KeyCharacterOf(value[0]); }

}  // namespace

void SetKeyClassKeys(ByteView dme, std::uint8_t bit, std::u16string_view keys) {
  using namespace dme_block;
  if (!dme.Holds(kKeyClasses, kKeyClassCount)) return;
  for (std::uint32_t i = 0; i < kKeyClassCount; ++i) {
    std::uint8_t classes = 0;
    dme.ReadU8(kKeyClasses + i, classes);
    dme.WriteU8(kKeyClasses + i, static_cast<std::uint8_t>(classes & ~bit));
  }
  for (char16_t c : keys) {
    const std::uint8_t key = KeyCharacterOf(c);
    if (key == 0) continue;
    std::uint8_t classes = 0;
    dme.ReadU8(kKeyClasses + key, classes);
    dme.WriteU8(kKeyClasses + key, static_cast<std::uint8_t>(classes | bit));
  }
}

std::u16string KeyClassKeys(ByteView dme, std::uint8_t bit) {
  std::u16string keys;
  for (std::uint32_t key = 1; key < 128 && keys.size() < kMaxKeyListUnits; ++key) {
    std::uint8_t classes = 0;
    if (dme.ReadU8(dme_block::kKeyClasses + key, classes) && (classes & bit)) {
      keys.push_back(KeyCharacterText(static_cast<std::uint8_t>(key)));
    }
  }
  return keys;
}

namespace {

// Appends parts to a caller's buffer: each only as far as room remains, the buffer always terminated.
// Once a part has been cut nothing more is appended, so the text never has a hole.
class TextSink {
 public:
  TextSink(char16_t* buffer, int capacity) : buffer_(buffer), capacity_(buffer ? capacity : 0) {
    if (capacity_ > 0) buffer_[0] = 0;
  }

  void Append(std::u16string_view part) {
    if (capacity_ <= 0 || cut_) return;
    const std::size_t room = static_cast<std::size_t>(capacity_ - 1 - length_);
    const std::u16string_view fits = CutText(part, room);
    for (char16_t c : fits) buffer_[length_++] = c;
    buffer_[length_] = 0;
    if (fits.size() < part.size()) cut_ = true;
  }
  void Append(char16_t c) { Append(std::u16string_view(&c, 1)); }
  void AppendNumber(unsigned value) {
    char16_t digits[10];
    int count = 0;
    do {
      digits[count++] = static_cast<char16_t>(u'0' + value % 10);
      value /= 10;
    } while (value != 0);
    while (count > 0) Append(digits[--count]);
  }
  int length() const { return length_; }

 private:
  char16_t* buffer_;
  int capacity_;
  int length_ = 0;
  bool cut_ = false;
};

std::uint8_t ReadU8Or0(ByteView view, std::uint32_t offset) {
  std::uint8_t value = 0;
  view.ReadU8(offset, value);
  return value;
}

std::uint32_t ReadU32Or0(ByteView view, std::uint32_t offset) {
  std::uint32_t value = 0;
  view.ReadU32(offset, value);
  return value;
}

std::u16string_view YesNo(bool yes) { return yes ? u"是" : u"否"; }

void WriteKeyLine(TextSink& out, std::u16string_view name, ByteView dme, std::uint32_t offset) {
  out.Append(name);
  out.Append(u'=');
  const std::uint8_t key = ReadU8Or0(dme, offset);
  if (const char16_t text = KeyCharacterText(key)) out.Append(text);
  out.Append(u"\r\n\r\n");
}

void WriteKeyClassLine(TextSink& out, std::u16string_view name, ByteView dme, std::uint8_t bit) {
  out.Append(name);
  out.Append(u'=');
  out.Append(KeyClassKeys(dme, bit));
  out.Append(u"\r\n\r\n");
}

}  // namespace

int ReadDmeSettingsText(ByteView dme, std::u16string_view key, std::u16string_view value) {
  using namespace dme_block;
  const auto is = [&](std::u16string_view k) { return EqualsIgnoreCase(key, k); };
  const auto value_is = [&](std::u16string_view v) { return EqualsIgnoreCase(value, v); };

  if (is(u"仅在空码时显示后续编码")) {
    constexpr std::uint32_t kBoth = kEmptyCodeShowsAllFollowing | kEmptyCodeShowsOneFollowing;
    std::uint32_t flags = 0;
    if (!dme.ReadU32(kQueryFlags, flags)) return 0;
    std::uint32_t choice = 0;
    if (value_is(u"全部") || value_is(u"quanbu")) {
      choice = kEmptyCodeShowsAllFollowing;
    } else if (value_is(u"一个") || value_is(u"yige")) {
      choice = kEmptyCodeShowsOneFollowing;
    } else if (IsToggle(value)) {
      // Steps none, all, one, none.
      choice = (flags & kEmptyCodeShowsAllFollowing)   ? kEmptyCodeShowsOneFollowing
               : (flags & kEmptyCodeShowsOneFollowing) ? 0
                                                       : kEmptyCodeShowsAllFollowing;
    }
    dme.WriteU32(kQueryFlags, (flags & ~kBoth) | choice);
  } else if (is(u"查询输入字符") || is(u"万能键")) {
    dme.WriteU8(kWildcardKey, FirstKeyCharacter(value));
  } else if (is(u"临时英文引导字符")) {
    dme.WriteU8(kEnglishLeadKey, FirstKeyCharacter(value));
  } else if (is(u"临时辅码引导字符")) {
    dme.WriteU8(kAuxiliaryLeadKey, FirstKeyCharacter(value));
  } else if (is(u"临时次显引导字符")) {
    dme.WriteU8(kSecondaryLeadKey, FirstKeyCharacter(value));
  } else if (is(u"扩展引导字符")) {
    dme.WriteU8(kExtensionLeadKey, FirstKeyCharacter(value));
  } else if (is(u"开启首键查询")) {
    ApplyFlag(dme, kQueryFlags, kFirstKeyQuery, true, value);
  } else if (is(u"开启查询键重复输入")) {
    ApplyFlag(dme, kQueryFlags, kQueryKeyRepeats, true, value);
  } else if (is(u"查询输入只查单字")) {
    ApplyFlag(dme, kQueryFlags, kSingleCharactersOnly, true, value);
  } else if (is(u"候选唯一自动上屏码长")) {
    dme.WriteU8(kUniqueAutoCommitLength, DecimalByte(value));
  } else if (is(u"空码清屏码长") || is(u"空码自动清除码长")) {
    dme.WriteU8(kEmptyCodeClearLength, DecimalByte(value));
  } else if (is(u"空码顶屏码长") || is(u"智能动态上屏码长")) {
    dme.WriteU8(kEmptyCodeCommitLength, DecimalByte(value));
  } else if (is(u"显示码表词语码长")) {
    dme.WriteU8(kShowTableWordLength, DecimalByte(value));
  } else if (is(u"显示后续编码码长")) {
    dme.WriteU8(kShowFollowingLength, DecimalByte(value));
  } else if (is(u"自动上屏仅限全码")) {
    ApplyFlag(dme, kQueryFlags, kAutoCommitFullCodeOnly, true, value);
  } else if (is(u"智能顶屏仅限全码")) {
    ApplyFlag(dme, kQueryFlags, kSmartCommitFullCodeOnly, true, value);
  } else if (is(u"以最简模式识别上/顶/清屏")) {
    ApplyFlag(dme, kQueryFlags, kSimplestModeLengths, true, value);
  } else if (is(u"上屏引导键")) {
    SetKeyClassKeys(dme, kCommitLeadKey, value);
  } else if (is(u"编码截止键")) {
    SetKeyClassKeys(dme, kCodeEndKey, value);
  } else if (is(u"数字后英文标点")) {
    SetKeyClassKeys(dme, kEnglishAfterDigit, value);
  } else {
    return 0;
  }
  return 1;
}

int ReadSkinSettingsText(ByteView skin, std::u16string_view key, std::u16string_view value) {
  using namespace skin_block;
  const auto is = [&](std::u16string_view k) { return EqualsIgnoreCase(key, k); };
  const auto value_is = [&](std::u16string_view v) { return EqualsIgnoreCase(value, v); };

  if (is(u"候选序号是否可见") || is(u"houxuanxuhaoshifoukejian")) {
    ApplyFlag(skin, kFlags, kShowNumbers, true, value);
  } else if (is(u"编码提示是否可见") || is(u"bianmatishishifoukejian")) {
    ApplyFlag(skin, kFlags, kShowCodeHints, true, value);
  } else if (is(u"界面按钮是否可见") || is(u"jiemiananniusihfoukejian")) {
    ApplyFlag(skin, kFlags, kShowButtons, true, value);
  } else if (is(u"从右向左的文本")) {
    ApplyFlag(skin, kFlags, kRightToLeft, true, value);
  } else if (is(u"使用皮肤名称") || is(u"shiyongpifumingcheng")) {
    ZeroField(skin, kSkinName, kSkinNameUnits * 2);
    WriteFieldText(skin, kSkinName, kSkinNameUnits, value);
  } else if (is(u"候选列表排列样式")) {
    const std::uint32_t layout = value_is(u"横排") ? kHorizontal : value_is(u"左起纵向") ? kVerticalFromLeft : 0;
    SetBits32(skin, kFlags, kLayoutMask, false);
    SetBits32(skin, kFlags, layout, true);
  } else if (is(u"光标样式")) {
    const std::uint32_t cursor = value_is(u"竖线") ? kCursorBar : value_is(u"横线") ? kCursorUnderline : 0;
    SetBits32(skin, kFlags, kCursorMask, false);
    SetBits32(skin, kFlags, cursor, true);
  } else if (is(u"自动竖排的编码前缀")) {
    constexpr std::uint32_t kPrefixBytes = kMaxVerticalPrefixes * kVerticalPrefixUnits * 2;
    if (!skin.Holds(kVerticalPrefixCount, 4) || !skin.Holds(kVerticalPrefixes, kPrefixBytes)) return 0;
    skin.WriteU32(kVerticalPrefixCount, 0);
    ZeroField(skin, kVerticalPrefixes, kPrefixBytes);
    std::uint32_t count = 0;
    std::size_t start = 0;
    while (start <= value.size() && count < kMaxVerticalPrefixes) {
      std::size_t end = value.find(kFullWidthComma, start);
      if (end == std::u16string_view::npos) end = value.size();
      // An empty prefix would match every code; it is passed over.
      const std::u16string_view part = value.substr(start, end - start);
      if (!part.empty()) WriteFieldText(skin, VerticalPrefixOffset(count++), kMaxPrefixUnits + 1, part);
      start = end + 1;
    }
    skin.WriteU32(kVerticalPrefixCount, count);
  } else {
    return 0;
  }
  return 1;
}

int WriteDmeSettingsText(char16_t* buffer, ByteView dme, int capacity) {
  using namespace dme_block;
  TextSink out(buffer, capacity);
  const std::uint32_t flags = ReadU32Or0(dme, kQueryFlags);
  const auto flag_line = [&](std::u16string_view name, std::uint32_t bit, std::u16string_view end) {
    out.Append(name);
    out.Append(u'=');
    out.Append(YesNo(flags & bit));
    out.Append(end);
  };
  const auto length_line = [&](std::u16string_view name, std::uint32_t offset, std::u16string_view end) {
    out.Append(name);
    out.Append(u'=');
    out.AppendNumber(ReadU8Or0(dme, offset));
    out.Append(end);
  };

  out.Append(u"\r\n");
  length_line(u"候选唯一自动上屏码长", kUniqueAutoCommitLength, u"\r\n");
  length_line(u"空码顶屏码长", kEmptyCodeCommitLength, u"\r\n");
  length_line(u"空码清屏码长", kEmptyCodeClearLength, u"\r\n");
  length_line(u"显示码表词语码长", kShowTableWordLength, u"\r\n");
  length_line(u"显示后续编码码长", kShowFollowingLength, u"\r\n\r\n");

  out.Append(u"//如果设置了 显示后续编码码长 ，此项设置无效。可选：“全部”、“一个”、“否”\r\n");
  out.Append((flags & kEmptyCodeShowsAllFollowing)   ? u"仅在空码时显示后续编码=全部\r\n\r\n"
             : (flags & kEmptyCodeShowsOneFollowing) ? u"仅在空码时显示后续编码=一个\r\n\r\n"
                                                     : u"仅在空码时显示后续编码=否\r\n\r\n");

  out.Append(u"//仅在第一候选为全码输入(与输入编码完全匹配)时执行自动上屏\r\n");
  flag_line(u"自动上屏仅限全码", kAutoCommitFullCodeOnly, u"\r\n\r\n");
  out.Append(u"//仅在第一候选为全码输入(与输入编码完全匹配)时执行顶屏操作\r\n");
  flag_line(u"智能顶屏仅限全码", kSmartCommitFullCodeOnly, u"\r\n\r\n");
  out.Append(u"//此项为是时, 自动上屏/智能顶屏/空码清屏行为如下:\r\n");
  out.Append(u"//如自动上屏码长为4, 仅在第4码时判断自动上屏, 清屏同理\r\n");
  out.Append(u"//如顶屏码长为4, 仅在第5码时判断顶屏\r\n");
  flag_line(u"以最简模式识别上/顶/清屏", kSimplestModeLengths, u"\r\n\r\n");

  flag_line(u"开启首键查询", kFirstKeyQuery, u"\r\n");
  flag_line(u"开启查询键重复输入", kQueryKeyRepeats, u"\r\n");
  flag_line(u"查询输入只查单字", kSingleCharactersOnly, u"\r\n\r\n");

  out.Append(u"//查询输入字符即万能键，如果无需定义，请在 = 后留空。\r\n"
             u"//如需设定小键盘字符的，请使用全角字符，如：１２３４５６７８９０＋－＊／．\r\n");
  WriteKeyLine(out, u"查询输入字符", dme, kWildcardKey);
  out.Append(u"//开启临时英文输入状态，此时可使用快捷日期、人民币大写金额输入\r\n");
  WriteKeyLine(out, u"临时英文引导字符", dme, kEnglishLeadKey);
  out.Append(u"//如该引导符设为“~”，则“~abc”检索辅码中的“abc”开头的编码\r\n");
  WriteKeyLine(out, u"临时辅码引导字符", dme, kAuxiliaryLeadKey);
  out.Append(u"//如该引导符设为“~”，则“~abc”检索次显码表中的“abc”开头的编码\r\n");
  WriteKeyLine(out, u"临时次显引导字符", dme, kSecondaryLeadKey);
  if (ReadU8Or0(dme, kExtensionLeadKey) != 0) {
    out.Append(u"//扩展引导字符\r\n");
    WriteKeyLine(out, u"扩展引导字符", dme, kExtensionLeadKey);
  }

  out.Append(u"//当首键输入引导键时，无论码长，在候选唯一时自动上屏\r\n");
  WriteKeyClassLine(out, u"上屏引导键", dme, kCommitLeadKey);
  out.Append(u"//如果输入后有候选，则自动上屏\r\n");
  WriteKeyClassLine(out, u"编码截止键", dme, kCodeEndKey);
  out.Append(u"//如果在输入数字后立即输入如下符号，则总是以英文符号上屏\r\n");
  WriteKeyClassLine(out, u"数字后英文标点", dme, kEnglishAfterDigit);
  return out.length();
}

int WriteSkinSettingsText(char16_t* buffer, ByteView skin, int capacity) {
  using namespace skin_block;
  TextSink out(buffer, capacity);
  const std::uint32_t flags = ReadU32Or0(skin, kFlags);
  const auto flag_line = [&](std::u16string_view name, std::uint32_t bit, std::u16string_view end) {
    out.Append(name);
    out.Append(u'=');
    out.Append(YesNo(flags & bit));
    out.Append(end);
  };

  out.Append(u"\r\n");
  flag_line(u"候选序号是否可见", kShowNumbers, u"\r\n");
  flag_line(u"编码提示是否可见", kShowCodeHints, u"\r\n");
  flag_line(u"界面按钮是否可见", kShowButtons, u"\r\n\r\n");

  out.Append(u"//如果当前输入以下列编码开头，程序自动切换竖排窗口\r\n"
             u"//最多可以定义16组编码，每组编码最长4个字符\r\n"
             u"//每组之间使用中文标点的逗号(，)分割，如zx，zy，zz\r\n"
             u"自动竖排的编码前缀=");
  std::uint32_t count = ReadU32Or0(skin, kVerticalPrefixCount);
  if (count > kMaxVerticalPrefixes) count = kMaxVerticalPrefixes;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (i > 0) out.Append(kFullWidthComma);
    out.Append(ReadFieldText(skin, VerticalPrefixOffset(i), kVerticalPrefixUnits));
  }
  out.Append(u"\r\n\r\n");

  flag_line(u"从右向左的文本", kRightToLeft, u"\r\n\r\n");
  out.Append(u"使用皮肤名称=");
  out.Append(ReadFieldText(skin, kSkinName, kSkinNameUnits));
  out.Append(u"\r\n\r\n");

  out.Append(u"//可选：“横排”、“竖排”、“左起纵向”之一\r\n");
  out.Append((flags & kHorizontal)         ? u"候选列表排列样式=横排\r\n\r\n"
             : (flags & kVerticalFromLeft) ? u"候选列表排列样式=左起纵向\r\n\r\n"
                                           : u"候选列表排列样式=竖排\r\n\r\n");
  out.Append(u"//可选：“横线”、“竖线”、“不显示”之一\r\n");
  out.Append((flags & kCursorBar)         ? u"光标样式=竖线\r\n\r\n"
             : (flags & kCursorUnderline) ? u"光标样式=横线\r\n\r\n"
                                          : u"光标样式=不显示\r\n\r\n");
  return out.length();
}

int SettingsTextRead(ByteView block, std::u16string_view key, std::u16string_view value, int subKind) {
  if (subKind == kDmeSettings) return ReadDmeSettingsText(block, key, value);
  if (subKind == kSkinSettings) return ReadSkinSettingsText(block, key, value);
  return subKind - 2;
}

int SettingsTextWrite(ByteView block, char16_t* buffer, int capacity, int subKind) {
  if (subKind == kDmeSettings) return WriteDmeSettingsText(buffer, block, capacity);
  if (subKind == kSkinSettings) return WriteSkinSettingsText(buffer, block, capacity);
  return subKind - 2;
}

namespace {
void FreeSettingsTextOps(SettingsTextOps* ops) { delete ops; }
}  // namespace

SettingsTextOps* NewSettingsTextOps() {
  return new (std::nothrow) SettingsTextOps{&FreeSettingsTextOps, &SettingsTextRead, &SettingsTextWrite};
}

}  // namespace lz
