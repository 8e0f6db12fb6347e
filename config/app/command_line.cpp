#include "config/app/command_line.h"

#include "textservice/engine/text_compare.h"

namespace lz::config {
namespace {

constexpr std::size_t kNotFound = std::u16string_view::npos;
constexpr std::size_t kCurrentVersionOffset = 9;  // "/currver", one separator, then the value
constexpr int kVersionParts = 4;
constexpr int kVersionPartBits = 16;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool IsQuote(char16_t c) { return c == u'\'' || c == u'"'; }

// Where the option begins a token outside quotes; the first such place, or kNotFound.
std::size_t FindOption(std::u16string_view line, std::u16string_view option) {
  bool token_start = true;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char16_t c = line[i];
    if (quoted) {
      quoted = !IsQuote(c);
      continue;
    }
    if (IsBlank(c)) {
      token_start = true;
      continue;
    }
    if (token_start) {
      if (StartsWith(line.substr(i), option)) return i;
      quoted = IsQuote(c);
    }
    token_start = false;
  }
  return kNotFound;
}

// The option's value, or nothing when the option is absent.
bool OptionValue(std::u16string_view line, std::u16string_view option, std::size_t capacity, std::u16string& out) {
  const std::size_t at = FindOption(line, option);
  if (at == kNotFound) return false;
  out = ReadOptionToken(line.substr(at + option.size()), capacity);
  return true;
}

// A decimal text-to-integer conversion: blanks, a sign, then digits; no digits give 0.
std::int32_t DecimalValue(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  std::int64_t value = 0;
  constexpr std::int64_t kLimit = 0x7FFFFFFF;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > kLimit) value = kLimit;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace

std::u16string ReadOptionToken(std::u16string_view source, std::size_t capacity) {
  std::u16string value;
  if (source.empty() || source[0] == u'\0') return value;
  const bool quoted = IsQuote(source[0]);
  for (std::size_t i = quoted ? 1 : 0; i < source.size() && value.size() < capacity; ++i) {
    const char16_t c = source[i];
    if (c == u'\0' || c == u'\r' || c == u'\n') break;
    if (quoted ? IsQuote(c) : IsBlank(c)) break;
    value.push_back(c);
  }
  return value;
}

ConfigCommandLine ParseConfigCommandLine(std::u16string_view line) {
  ConfigCommandLine r;
  OptionValue(line, u"/n ", kClassIdChars, r.class_id);
  OptionValue(line, u"/do ", kDoWordChars, r.do_word);
  if (OptionValue(line, u"/showurl ", kArgumentChars, r.argument)) {
    r.do_word = u"showurl";
    r.view_width = r.view_height = r.view_x = r.view_y = -1;
    std::u16string size;
    if (OptionValue(line, u"/showurlCX ", kSizeTextChars, size)) r.view_width = DecimalValue(size);
    if (OptionValue(line, u"/showurlCY ", kSizeTextChars, size)) r.view_height = DecimalValue(size);
    return r;
  }
  if (OptionValue(line, u"/dict ", kArgumentChars, r.argument)) r.do_word = u"dict";
  const std::size_t at = FindOption(line, u"/currver");
  if (at != kNotFound && at + kCurrentVersionOffset <= line.size()) {
    std::u16string_view value = line.substr(at + kCurrentVersionOffset, kCurrentVersionChars);
    for (std::size_t i = 0; i < value.size(); ++i) {
      if (IsBlank(value[i]) || value[i] == u'\0') {
        value = value.substr(0, i);
        break;
      }
    }
    r.current_version = std::u16string(value);
  }
  return r;
}

ConfigRoute RouteConfigWord(std::u16string_view word) {
  struct Row {
    std::u16string_view words[4];
    ConfigAction action;
    std::u16string_view title;
  };
  static constexpr Row kRows[] = {
      {{u"gaojishezhi", u"高级设置"}, ConfigAction::kAdvancedSettings, u"高级设置模式 - %s"},
      {{u"showurl"}, ConfigAction::kShowUrl, u""},
      {{u"dict"}, ConfigAction::kDictionary, u"微型词典 - %s"},
      {{u"update"}, ConfigAction::kUpdate, u""},
      {{u"shuchufancha", u"输出反查"}, ConfigAction::kOutputLookup, u"输入码表详细视图 - %s"},
      {{u"jiantiebanfancha", u"剪贴板反查"}, ConfigAction::kClipboardLookup, u"输入码表详细视图 - %s"},
      {{u"anjianshezhi", u"按键设置"}, ConfigAction::kKeyFunctions, u"按键功能定义 - %s"},
      {{u"tianjiayonghuci", u"添加用户词"}, ConfigAction::kAddWord, u""},
      {{u"zaixianjiaci", u"在线加词", u"jianqiebanjiaci", u"剪贴板加词"}, ConfigAction::kAddWordFromText, u""},
      {{u"help", u"帮助首页"}, ConfigAction::kHelp, u""},
  };
  for (const Row& row : kRows) {
    for (std::u16string_view w : row.words) {
      if (!w.empty() && w == word) return ConfigRoute{row.action, row.title, 0};
    }
  }
  struct StartPage {
    std::u16string_view words[2];
    int page;
  };
  static constexpr StartPage kStartPages[] = {
      {{u"jiemian", u"界面"}, 1}, {{u"mabiao", u"码表"}, 2}, {{u"gaoji", u"高级"}, 3}, {{u"about", u"关于"}, 4}};
  ConfigRoute route{ConfigAction::kMainSettings, u"使用设置 - %s", 0};
  for (const StartPage& s : kStartPages) {
    for (std::u16string_view w : s.words) {
      if (EqualsIgnoreCase(w, word)) route.start_page = s.page;
    }
  }
  return route;
}

std::uint64_t ParseVersionText(std::u16string_view text) {
  std::uint64_t version = 0;
  std::size_t start = 0;
  for (int part = 0; part < kVersionParts; ++part) {
    std::uint64_t value = 0;
    if (start <= text.size()) {
      value = static_cast<std::uint16_t>(DecimalValue(text.substr(start)));
      const std::size_t dot = text.find(u'.', start);
      start = dot == kNotFound ? text.size() + 1 : dot + 1;
    }
    version |= value << (kVersionPartBits * (kVersionParts - 1 - part));
  }
  return version;
}

std::u16string FormatVersionText(std::uint64_t version) {
  std::u16string text;
  for (int part = 0; part < kVersionParts; ++part) {
    if (part > 0) text += u'.';
    const auto value = static_cast<unsigned>((version >> (kVersionPartBits * (kVersionParts - 1 - part))) & 0xFFFF);
    const std::string digits = std::to_string(value);
    text.append(digits.begin(), digits.end());
  }
  return text;
}

}  // namespace lz::config
