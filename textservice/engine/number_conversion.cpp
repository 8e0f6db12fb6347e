#include "textservice/engine/number_conversion.h"

#include <cstdio>
#include <cstring>

#include "textservice/engine/association.h"
#include "textservice/engine/candidate_list.h"
#include "textservice/engine/key_names.h"
#include "textservice/engine/text_encoding.h"

namespace lz {

namespace {

constexpr std::uint64_t kLargestNumber = 999999999999ull;
constexpr int kMaxSeparatedDigits = 32;
constexpr int kMaxFractionForAmount = 2;
constexpr int kMaxReadings = 11;
constexpr int kPickLetters = 10;  // a..j
constexpr int kMaxEnglishBytes = 127;
constexpr char16_t kKeypadDigitFirst = 0x10;
constexpr char16_t kKeypadDigitLast = 0x19;
constexpr char16_t kKeypadDot = 0x0E;
constexpr char16_t kKeypadOffset = 0x20;

// A bounded writer: once something does not fit, the whole text is refused.
struct Writer {
  char* out;
  int length = 0;
  bool fits = true;

  explicit Writer(char* o) : out(o) { out[0] = 0; }
  void Put(const char* s) {
    const int n = static_cast<int>(std::strlen(s));
    if (!fits || length + n > kNumberTextBytes) {
      fits = false;
      return;
    }
    std::memcpy(out + length, s, static_cast<std::size_t>(n));
    length += n;
    out[length] = 0;
  }
  void Put(char c) {
    const char s[2] = {c, 0};
    Put(s);
  }
  void Format(const char* format, unsigned value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, format, value);
    Put(buffer);
  }
  int Done() {
    if (!fits) out[0] = 0;
    return fits ? length : 0;
  }
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool OnlyDigits(const char* s) {
  if (!*s) return false;
  for (; *s; ++s) {
    if (!IsDigit(*s)) return false;
  }
  return true;
}

// A group of 1..9999 in template form, the thousands, hundreds and tens named.
void GroupTemplate(Writer& w, unsigned v) {
  const unsigned q = v / 1000, b = v / 100 % 10, s = v / 10 % 10, u = v % 10;
  if (v < 10) {
    w.Format("%u", u);
  } else if (v < 20) {
    w.Put('s');
    if (u) w.Format("%u", u);
  } else if (v < 100) {
    w.Format("%us", s);
    if (u) w.Format("%u", u);
  } else if (v < 1000) {
    w.Format("%ub", b);
    if (s) {
      w.Format("%us", s);
      if (u) w.Format("%u", u);
    } else if (u) {
      w.Format("0%u", u);
    }
  } else {
    w.Format("%uq", q);
    if (b) {
      w.Format("%ub", b);
      if (s) {
        w.Format("%us", s);
        if (u) w.Format("%u", u);
      } else if (u) {
        w.Format("l%u", u);
      }
    } else if (s) {
      w.Format("l%us", s);
      if (u) w.Format("%u", u);
    } else if (u) {
      w.Format("l%u", u);
    }
  }
}

const char* const kPlainDigits[10] = {"零", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
const char* const kCapitalDigits[10] = {"零", "壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖"};
const char* const kDateDigits[10] = {"〇", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
const char* const kCircled[10] = {"⑩", "①", "②", "③", "④", "⑤", "⑥", "⑦", "⑧", "⑨"};
const char* const kRoman[10] = {"Ⅹ", "Ⅰ", "Ⅱ", "Ⅲ", "Ⅳ", "Ⅴ", "Ⅵ", "Ⅶ", "Ⅷ", "Ⅸ"};
const char* const kParenthesised[10] = {"㈩", "㈠", "㈡", "㈢", "㈣", "㈤", "㈥", "㈦", "㈧", "㈨"};
const char* const kDotted[10] = {"⒑", "⒈", "⒉", "⒊", "⒋", "⒌", "⒍", "⒎", "⒏", "⒐"};

// Month or day in template form.
void MonthDayTemplate(Writer& w, unsigned v) {
  if (v < 10) {
    w.Format("%u", v);
  } else if (v < 20) {
    w.Put('s');
    if (v % 10) w.Format("%u", v % 10);
  } else {
    w.Format("%us", v / 10);
    if (v % 10) w.Format("%u", v % 10);
  }
}

// Splits Y.M.D, A.B or A into decimal parts; false for anything else.
bool DateParts(const char* digits, unsigned (&parts)[3], int& count) {
  count = 0;
  const char* p = digits;
  while (true) {
    if (count == 3 || !IsDigit(*p)) return false;
    unsigned v = 0;
    int n = 0;
    for (; IsDigit(*p); ++p, ++n) {
      if (n < 6) v = v * 10 + static_cast<unsigned>(*p - '0');
      else v = 1000000;  // far beyond any date part
    }
    parts[count++] = v;
    if (*p == 0) return true;
    if (*p != '.') return false;
    ++p;
  }
}

// Which date parts there are: 0 none, else bit 1 year, 2 month, 4 day.
int DateShape(const char* digits, unsigned (&parts)[3]) {
  int count = 0;
  if (!DateParts(digits, parts, count)) return 0;
  if (count == 3) {
    if (parts[0] < 1 || parts[0] > 9998 || parts[1] < 1 || parts[1] > 12 || parts[2] > 31) return 0;
    return parts[2] ? 7 : 3;
  }
  if (count == 2) {
    if (parts[0] >= 1000 && parts[0] <= 2999 && parts[1] <= 12) return parts[1] ? 3 : 1;
    if (parts[0] >= 1 && parts[0] <= 12 && parts[1] >= 1 && parts[1] <= 31) {
      parts[2] = parts[1];
      parts[1] = parts[0];
      return 6;
    }
  }
  return 0;
}

}  // namespace

int NumberTemplate(char* out, const char* digits) {
  Writer w(out);
  const char* dot = std::strchr(digits, '.');
  const std::size_t integer_digits = dot ? static_cast<std::size_t>(dot - digits) : std::strlen(digits);
  if (integer_digits == 0) return 0;
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < integer_digits; ++i) {
    if (!IsDigit(digits[i])) return 0;
    value = value * 10 + static_cast<std::uint64_t>(digits[i] - '0');
    if (value > kLargestNumber) return 0;
  }
  if (value == 0) {
    for (std::size_t i = 0; i < integer_digits; ++i) w.Put('0');
  } else {
    if (digits[0] == '0') w.Put('l');
    const unsigned parts[3] = {static_cast<unsigned>(value / 100000000), static_cast<unsigned>(value / 10000 % 10000),
                               static_cast<unsigned>(value % 10000)};
    const char* const units[3] = {"y", "w", ""};
    bool written = false;
    bool gap = false;  // a zero part after a written one
    for (int i = 0; i < 3; ++i) {
      if (parts[i] == 0) {
        gap = written;
        continue;
      }
      if (written && (parts[i] < 1000 || gap)) {
        w.Put('l');
        // Read as 一十 after the zero.
        if (parts[i] >= 10 && parts[i] < 20) w.Put('1');
      }
      GroupTemplate(w, parts[i]);
      w.Put(units[i]);
      written = true;
      gap = false;
    }
  }
  if (dot) w.Put(dot);
  return w.Done();
}

int RenderNumber(const char* t, char* out, int style) {
  Writer w(out);
  const bool capital = style == number_style::kCapital;
  const char* const* digit_names = capital ? kCapitalDigits : kPlainDigits;
  const char* dot = std::strchr(t, '.');
  if (dot && std::strchr(dot + 1, '.')) return 0;
  if (capital && dot && std::strlen(dot + 1) > static_cast<std::size_t>(kMaxFractionForAmount)) return 0;
  // A lone zero before a fraction is not read out.
  const bool integer_part = !(dot && dot == t + 1 && t[0] == '0');
  if (integer_part) {
    for (const char* p = t; *p && p != dot; ++p) {
      switch (*p) {
        case 's':
          if (capital && p == t) w.Put("壹");
          w.Put(capital ? "拾" : "十");
          break;
        case 'b': w.Put(capital ? "佰" : "百"); break;
        case 'q': w.Put(capital ? "仟" : "千"); break;
        case 'w': w.Put("万"); break;
        case 'y': w.Put("亿"); break;
        case 'l': w.Put("零"); break;
        default:
          if (!IsDigit(*p)) return 0;
          w.Put(digit_names[*p - '0']);
      }
    }
  }
  if (!capital) {
    if (dot) {
      w.Put("点");
      for (const char* p = dot + 1; *p; ++p) {
        if (!IsDigit(*p)) return 0;
        w.Put(digit_names[*p - '0']);
      }
    }
    return w.Done();
  }
  if (integer_part) w.Put("元");
  // As a cheque writes it: zeros between two written units are read once as 零, also across 元 and
  // 角/分 (3.05 is 叁元零伍分, 100.5 is 壹佰元零伍角); nothing before the first written unit.
  const char* integer_end = dot ? dot : t + std::strlen(t);
  bool zero_pending = integer_part && integer_end > t && !IsDigit(integer_end[-1]);
  bool cents = false;
  if (dot) {
    for (int i = 1; i <= kMaxFractionForAmount && dot[i]; ++i) {
      if (!IsDigit(dot[i])) return 0;
      if (dot[i] == '0') {
        zero_pending = integer_part;
        continue;
      }
      if (zero_pending) w.Put("零");
      zero_pending = false;
      w.Put(digit_names[dot[i] - '0']);
      w.Put(i == 1 ? "角" : "分");
      cents = i == 2;
    }
  }
  if (!cents) w.Put("整");
  return w.Done();
}

int DateTemplate(char* out, const char* digits) {
  Writer w(out);
  unsigned parts[3] = {};
  const int shape = DateShape(digits, parts);
  if (!shape) return 0;
  if (shape & 1) {
    w.Format(parts[0] < 10 ? "0%u" : "%u", parts[0]);
    w.Put('n');
  }
  if (shape & 2) {
    MonthDayTemplate(w, parts[1]);
    w.Put('y');
  }
  if (shape & 4) {
    MonthDayTemplate(w, parts[2]);
    w.Put('r');
  }
  return w.Done();
}

int DigitDateTemplate(char* out, const char* digits) {
  Writer w(out);
  unsigned parts[3] = {};
  const int shape = DateShape(digits, parts);
  if (!shape) return 0;
  if (shape & 1) w.Format("%un", parts[0]);
  if (shape & 2) w.Format("%uy", parts[1]);
  if (shape & 4) w.Format("%ur", parts[2]);
  return w.Done();
}

namespace {

int RenderDate(const char* t, char* out, bool chinese) {
  Writer w(out);
  if (!*t) return 0;
  for (const char* p = t; *p; ++p) {
    switch (*p) {
      case 'n': w.Put("年"); break;
      case 'y': w.Put("月"); break;
      case 'r': w.Put("日"); break;
      case 's':
        if (!chinese) return 0;
        w.Put("十");
        break;
      default:
        if (!IsDigit(*p)) return 0;
        if (chinese) w.Put(kDateDigits[*p - '0']);
        else w.Put(*p);
    }
  }
  return w.Done();
}

}  // namespace

int RenderChineseDate(const char* t, char* out) { return RenderDate(t, out, true); }
int RenderDigitDate(const char* t, char* out) { return RenderDate(t, out, false); }

int RenderDigitByDigit(const char* digits, char* out, const char* const (&forms)[10]) {
  Writer w(out);
  if (!OnlyDigits(digits)) return 0;
  for (const char* p = digits; *p; ++p) w.Put(forms[*p - '0']);
  return w.Done();
}

int RenderWithSeparators(const char* digits, char* out) {
  Writer w(out);
  const char* dot = std::strchr(digits, '.');
  const int integer_digits = dot ? static_cast<int>(dot - digits) : static_cast<int>(std::strlen(digits));
  if (integer_digits == 0 || integer_digits > kMaxSeparatedDigits) return 0;
  for (const char* p = digits; *p; ++p) {
    if (!IsDigit(*p) && p != dot) return 0;
  }
  for (int i = 0; i < integer_digits; ++i) {
    if (i > 0 && (integer_digits - i) % 3 == 0) w.Put(',');
    w.Put(digits[i]);
  }
  if (dot) w.Put(dot);
  return w.Done();
}

namespace {

// The readings of the digits, in the order the list offers them; returns how many.
int Readings(const char* digits, char (&readings)[kMaxReadings][kNumberTextBytes + 1]) {
  int n = 0;
  char t[kNumberTextBytes + 1];
  const auto keep = [&](int length) {
    if (length > 0) ++n;
  };
  if (NumberTemplate(t, digits)) {
    keep(RenderNumber(t, readings[n], number_style::kPlain));
    keep(RenderNumber(t, readings[n], number_style::kCapital));
  }
  if (DateTemplate(t, digits)) keep(RenderChineseDate(t, readings[n]));
  if (DigitDateTemplate(t, digits)) keep(RenderDigitDate(t, readings[n]));
  keep(RenderDigitByDigit(digits, readings[n], kDateDigits));
  keep(RenderDigitByDigit(digits, readings[n], kCapitalDigits));
  keep(RenderWithSeparators(digits, readings[n]));
  keep(RenderDigitByDigit(digits, readings[n], kCircled));
  keep(RenderDigitByDigit(digits, readings[n], kRoman));
  keep(RenderDigitByDigit(digits, readings[n], kParenthesised));
  keep(RenderDigitByDigit(digits, readings[n], kDotted));
  return n;
}

void AddReading(EngineInstance* e, const char* utf8, std::int32_t weight) {
  char16_t text[kDecodedBufferUnits];
  if (Utf8ToWide(text, reinterpret_cast<const std::uint8_t*>(utf8), kNumberTextBytes) <= 0) return;
  if (const std::uint8_t* record = MakeSyntheticRecord(e, text)) {
    AddCandidate(record, kind::kGenerated, -1, e, weight);
  }
}

// The input after the lead key, cut between characters at 127 bytes, in small letters, looked up in the
// English word table: the word equal to the input comes first so that space commits exactly what was
// typed, then the continuations, shorter ones first.
void LookUpEnglish(EngineInstance* e, const char16_t* keys, int count) {
  char16_t text[kMaxInputKeys + 1];
  int n = 0;
  for (int i = 1; i < count && n < kMaxInputKeys; ++i) {
    char16_t c = keys[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    text[n++] = c;
  }
  text[n] = 0;
  std::uint8_t key[1 + kMaxEnglishBytes + 1] = {};
  if (WideToUtf8(text, key + 1, kMaxEnglishBytes + 1) <= 0) return;
  const void* end = std::memchr(key + 1, 0, kMaxEnglishBytes + 1);
  const int length = end ? static_cast<int>(static_cast<const std::uint8_t*>(end) - (key + 1)) : kMaxEnglishBytes;
  if (length <= 0) return;
  key[0] = static_cast<std::uint8_t>(length > kMaxEnglishBytes ? kMaxEnglishBytes : length);
  key[1 + key[0]] = 0;
  AssociationLookup(key, e,
                    association_option::kEnglish | association_option::kEqualKeys | association_option::kCloseness);
}

}  // namespace

int ConvertNumberInput(EngineInstance* e, const char16_t* keys, int count) {
  e->number_marks |= number_mark::kConverting;
  // The modes describe the list this call makes, not one made for fewer keys.
  e->mode &= ~(mode::kReadingsShown | mode::kEnglishLookup);
  if (count > 1) e->number_marks |= number_mark::kNumberInput;
  char digits[kMaxInputKeys + 1];
  int n = 0;
  for (int i = 1; i < count && (e->number_marks & number_mark::kNumberInput); ++i) {
    char16_t k = KeyCharacterOf(keys[i]);
    if (k >= kKeypadDigitFirst && k <= kKeypadDigitLast) k = static_cast<char16_t>(k + kKeypadOffset);
    if (k == kKeypadDot) k = u'.';
    if ((k >= u'0' && k <= u'9') || k == u'.') {
      digits[n++] = static_cast<char>(k);
      continue;
    }
    if (k >= u'a' && k < u'a' + kPickLetters && n > 0) {
      digits[n] = 0;
      char readings[kMaxReadings][kNumberTextBytes + 1];
      const int shown = Readings(digits, readings);
      const int on_page = shown < static_cast<int>(PageSize(e)) ? shown : static_cast<int>(PageSize(e));
      if (k - u'a' < on_page) {
        e->candidate_count = 0;
        AddReading(e, readings[k - u'a'], kFirstReadingWeight);
        e->paging = PagingState{0, 0, -1, 0, 0};
        BuildNextPage(e);
        return 4;
      }
    }
    e->number_marks &= ~number_mark::kNumberInput;
  }
  if (!(e->number_marks & number_mark::kNumberInput)) {
    e->candidate_count = 0;
    LookUpEnglish(e, keys, count);
    e->mode |= mode::kEnglishLookup;
    return 2;
  }
  digits[n] = 0;
  char readings[kMaxReadings][kNumberTextBytes + 1];
  const int shown = Readings(digits, readings);
  for (int i = 0; i < shown; ++i) AddReading(e, readings[i], kFirstReadingWeight - i);
  e->mode |= mode::kReadingsShown;
  return 2;
}

}  // namespace lz
