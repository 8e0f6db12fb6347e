// The characters of the on-screen keyboard's 13 layouts. Layout 1 is the US PC keyboard itself and layout
// 2 the Greek keyboard's letters, each small letter with its capital; each other layout lays one character
// set over the 47 character keys in the set's order, the plain column first and then the shifted one. Function keys and keys past the end of a set hold 0.
#include <initializer_list>
#include <string>
#include <string_view>

#include "textservice/windows/soft_keyboard.h"

namespace lz {
namespace {

// The keys that carry characters, in the order a set fills them: the four rows without their function keys.
constexpr int kCharacterKeys[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,  // ` 1 .. 0 - =
                                  15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27,  // Q .. P [ ] backslash
                                  29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39,          // A .. L ; '
                                  42, 43, 44, 45, 46, 47, 48, 49, 50, 51};             // Z .. M , . /
constexpr int kCharacterKeyCount = static_cast<int>(sizeof kCharacterKeys / sizeof kCharacterKeys[0]);
static_assert(kCharacterKeyCount == 47);

// A character set given as runs: a run is either single characters or, written "a-b" with a '-'
// between two characters of a three-unit run, every code point from a to b.
std::u16string Expand(std::initializer_list<std::u16string_view> runs) {
  std::u16string out;
  for (std::u16string_view run : runs) {
    if (run.size() == 3 && run[1] == u'-') {
      for (char16_t c = run[0]; c <= run[2]; ++c) out.push_back(c);
    } else {
      out.append(run);
    }
  }
  return out;
}

SoftKeyboardMap Lay(std::u16string_view plain, std::u16string_view shifted) {
  SoftKeyboardMap map{};
  for (int i = 0; i < kCharacterKeyCount; ++i) {
    const int key = kCharacterKeys[i];
    if (static_cast<std::size_t>(i) < plain.size()) map[2 * key] = plain[static_cast<std::size_t>(i)];
    if (static_cast<std::size_t>(i) < shifted.size()) map[2 * key + 1] = shifted[static_cast<std::size_t>(i)];
  }
  return map;
}

// Characters over the letter keys named by `keys` (Latin capitals), plain and shifted, in that order.
SoftKeyboardMap LayOnLetterKeys(std::u16string_view keys, std::u16string_view plain, std::u16string_view shifted) {
  SoftKeyboardMap map{};
  for (std::size_t i = 0; i < keys.size() && i < plain.size() && i < shifted.size(); ++i) {
    const int key = SoftKeyboardSlotOfVirtualKey(keys[i]);
    if (key < 0) continue;
    map[static_cast<std::size_t>(2 * key)] = plain[i];
    map[static_cast<std::size_t>(2 * key + 1)] = shifted[i];
  }
  return map;
}

// A set over the plain column, then the shifted one.
SoftKeyboardMap LaySet(const std::u16string& set) {
  const std::u16string_view s = set;
  const std::size_t n = kCharacterKeyCount;
  return Lay(s.substr(0, n), s.size() > n ? s.substr(n, n) : std::u16string_view{});
}

std::array<SoftKeyboardMap, kSoftKeyboardLayouts> MakeLayouts() {
  return {
      // 1 PC 键盘
      Lay(u"`1234567890-=qwertyuiop[]\\asdfghjkl;'zxcvbnm,./", u"~!@#$%^&*()_+QWERTYUIOP{}|ASDFGHJKL:\"ZXCVBNM<>?"),
      // 2 希腊字母: the letters on the keys a Greek keyboard gives them, each capital on the Shift side
      // of its small letter (Q and W, the Greek keyboard's ";" and final sigma, stay empty)
      LayOnLetterKeys(u"ERTYUIOPASDFGHJKLZXCVBNM", u"ερτυθιοπασδφγηξκλζχψωβνμ", u"ΕΡΤΥΘΙΟΠΑΣΔΦΓΗΞΚΛΖΧΨΩΒΝΜ"),
      // 3 俄文字母
      LaySet(Expand({u"а-е", u"ё", u"ж-я", u"А-Е", u"Ё", u"Ж-Я"})),
      // 4 注音符号: the bopomofo letters and the tone marks
      LaySet(Expand({u"ㄅ-ㄩ", u"ˉˊˇˋ˙"})),
      // 5 拼音符号
      LaySet(Expand({u"āáǎàōóǒòēéěèīíǐìūúǔùǖǘǚǜüêɑńňǹɡ"})),
      // 6 日文平假名
      LaySet(Expand({u"ぁ-ん"})),
      // 7 日文片假名
      LaySet(Expand({u"ァ-ヶ"})),
      // 8 标点符号
      LaySet(Expand({u"，、。．；：？！︰…‥′＂〃‘’“”〔〕〈〉《》「」『』〖〗【】（）［］｛｝︵︶︹︺︷︸︿﹀︽︾﹁﹂﹃﹄"
                     u"﹏～｜｀＇﹑﹒﹔﹕﹖﹗¨ˇ·—＿"})),
      // 9 数字序号: small and capital roman numerals, numbers with a full stop, in parentheses, in circles
      LaySet(Expand({u"ⅰ-ⅹ", u"⒈-⒛", u"⑴-⒇", u"①-⑩", u"㈠-㈩", u"Ⅰ-Ⅻ"})),
      // 10 数学符号
      LaySet(Expand({u"≈≡≠＝≤≥＜＞≮≯∷±＋－×÷／∫∮∝∞∧∨∑∏∪∩∈∵∴⊥∥∠⌒⊙≌∽√∶∀∃∂∇∉⊂⊃⊆⊇∅∟⊿％‰"})),
      // 11 制表符号: the light and heavy box-drawing lines
      LaySet(Expand({u"─-╋"})),
      // 12 单位符号
      LaySet(Expand({u"°′″＄￡￥‰％℃¤￠℉Å№℡〒", u"㎎㎏㎜㎝㎞㎡㏄㏎㏑㏒㏕", u"㎥㎖㎗㎘㎙㎚㎛㎠㎢㎣㎤㎦"})),
      // 13 特殊符号
      LaySet(Expand({u"☆★○●◎◇◆□■△▲▽▼※→←↑↓〓§♀♂♪♭♯☎☏☜☞♠♥♣♦◢◣◤◥▁▂▃▄▅▆▇█▉▊▋▌▍▎▏▓⊕㊣"})),
  };
}

}  // namespace

const SoftKeyboardMap* SoftKeyboardLayout(int layout) {
  static const std::array<SoftKeyboardMap, kSoftKeyboardLayouts> layouts = MakeLayouts();
  if (layout < 1 || layout > kSoftKeyboardLayouts) return nullptr;
  return &layouts[static_cast<std::size_t>(layout - 1)];
}

}  // namespace lz
