#include "textservice/skin/skin_description.h"

#include <cstring>
#include <limits>
#include <new>
#include <string>

namespace lz {
namespace {

template <typename Record>
struct KeyRule {
  std::u16string_view key;
  void (*apply)(Record& record, std::u16string_view value);
};

template <typename Record, std::size_t N>
bool ApplyRule(const KeyRule<Record> (&rules)[N], Record& record, std::u16string_view key, std::u16string_view value) {
  // Later rules see the same key too: two spellings of a key may share one field.
  bool known = false;
  for (const auto& rule : rules) {
    if (rule.key == key) {
      rule.apply(record, value);
      known = true;
    }
  }
  return known;
}

// "x,y": x before the first comma, y after it; without a comma the fields keep what they had.
void ReadPoint(std::u16string_view value, std::int32_t& x, std::int32_t& y) {
  const std::size_t comma = value.find(u',');
  if (comma == std::u16string_view::npos) return;
  x = ParseSkinNumber(value.substr(0, comma));
  y = ParseSkinNumber(value.substr(comma + 1));
}

void ReadPoint(std::u16string_view value, SkinPoint& point) { ReadPoint(value, point.x, point.y); }
void ReadRange(std::u16string_view value, SkinRange& range) { ReadPoint(value, range.first, range.last); }

// Numbers separated by commas; reading stops at the first missing comma, what was read stays.
void ReadBorder(std::u16string_view value, SkinBorder& border) {
  std::int32_t* fields[] = {&border.left, &border.right, &border.top, &border.bottom};
  std::size_t start = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    *fields[i] = ParseSkinNumber(value.substr(start));
    const std::size_t comma = value.find(u',', start);
    if (comma == std::u16string_view::npos) return;
    start = comma + 1;
  }
}

void ReadFontSize(std::u16string_view value, std::int32_t& size) {
  size = ParseSkinNumber(value);
  if (size == 0) size = kDefaultSkinFontSize;
}

void ReadFontWeight(std::u16string_view value, std::int32_t& weight) {
  weight = ParseSkinNumber(value);
  if (weight < kMinSkinFontWeight) weight = kMinSkinFontWeight;
}

// "扩展按钮N位置" with N from 1 to 9: the index N - 1, or -1 for any other key.
int ExtensionButtonIndex(std::u16string_view key) {
  constexpr std::u16string_view kPrefix = u"扩展按钮";
  constexpr std::u16string_view kSuffix = u"位置";
  if (key.size() != kPrefix.size() + 1 + kSuffix.size()) return -1;
  if (key.substr(0, kPrefix.size()) != kPrefix || key.substr(kPrefix.size() + 1) != kSuffix) return -1;
  const char16_t digit = key[kPrefix.size()];
  return digit >= u'1' && digit <= u'9' ? digit - u'1' : -1;
}

constexpr KeyRule<SkinInfo> kInfoRules[] = {
    {u"名称", [](SkinInfo& r, std::u16string_view v) { CopySkinText(r.name, kSkinTextChars, v); }},
    {u"描述", [](SkinInfo& r, std::u16string_view v) { CopySkinText(r.description, kSkinTextChars, v); }},
    {u"版本", [](SkinInfo& r, std::u16string_view v) { CopySkinText(r.version, kSkinTextChars, v); }},
    {u"所有者名称", [](SkinInfo& r, std::u16string_view v) { CopySkinText(r.owner_name, kSkinTextChars, v); }},
    {u"所有者联系方式",
     [](SkinInfo& r, std::u16string_view v) { CopySkinText(r.owner_contact, kSkinContactChars, v); }},
};

constexpr KeyRule<TextStyle> kTextRules[] = {
    {u"编码字体颜色", [](TextStyle& r, std::u16string_view v) { r.code_font.colour = ParseSkinColour(v); }},
    {u"编码字体名称", [](TextStyle& r, std::u16string_view v) { CopySkinText(r.code_font.name, kSkinTextChars, v); }},
    {u"编码字体大小", [](TextStyle& r, std::u16string_view v) { ReadFontSize(v, r.code_font.size); }},
    {u"编码字体粗细", [](TextStyle& r, std::u16string_view v) { ReadFontWeight(v, r.code_font.weight); }},
    {u"候选字体颜色", [](TextStyle& r, std::u16string_view v) { r.candidate_font.colour = ParseSkinColour(v); }},
    {u"候选字体名称",
     [](TextStyle& r, std::u16string_view v) { CopySkinText(r.candidate_font.name, kSkinTextChars, v); }},
    {u"候选字体大小", [](TextStyle& r, std::u16string_view v) { ReadFontSize(v, r.candidate_font.size); }},
    {u"候选字体粗细", [](TextStyle& r, std::u16string_view v) { ReadFontWeight(v, r.candidate_font.weight); }},
    {u"从右向左的文字",
     [](TextStyle& r, std::u16string_view v) { r.right_to_left = static_cast<std::uint8_t>(ParseSkinNumber(v)); }},
    {u"序号字体颜色", [](TextStyle& r, std::u16string_view v) { r.index_colour = ParseSkinColour(v); }},
    {u"提示字体颜色", [](TextStyle& r, std::u16string_view v) { r.hint_colour = ParseSkinColour(v); }},
    {u"提示编码颜色", [](TextStyle& r, std::u16string_view v) { r.hint_colour = ParseSkinColour(v); }},
    {u"临时词候选颜色", [](TextStyle& r, std::u16string_view v) { r.temp_word_colour = ParseSkinColour(v); }},
    {u"用户词候选颜色", [](TextStyle& r, std::u16string_view v) { r.user_word_colour = ParseSkinColour(v); }},
    {u"第一候选颜色", [](TextStyle& r, std::u16string_view v) { r.first_candidate_colour = ParseSkinColour(v); }},
    {u"第一候选背景色", [](TextStyle& r, std::u16string_view v) { r.first_candidate_background = ParseSkinColour(v); }},
    {u"鼠标处候选背景色", [](TextStyle& r, std::u16string_view v) { r.hover_background = ParseSkinColour(v); }},
    {u"鼠标处候选颜色", [](TextStyle& r, std::u16string_view v) { r.hover_colour = ParseSkinColour(v); }},
    {u"编码最多显示个数", [](TextStyle& r, std::u16string_view v) { r.max_code_chars = ParseSkinNumber(v); }},
    {u"候选最多显示个数", [](TextStyle& r, std::u16string_view v) { r.max_candidates = ParseSkinNumber(v); }},
    {u"光标颜色", [](TextStyle& r, std::u16string_view v) { r.cursor_colour = ParseSkinColour(v); }},
};

constexpr KeyRule<StatusLayout> kStatusRules[] = {
    {u"状态栏默认位置", [](StatusLayout& r, std::u16string_view v) { r.default_corner = ParseSkinNumber(v); }},
    {u"中英文状态按钮位置", [](StatusLayout& r, std::u16string_view v) { ReadPoint(v, r.mode_button); }},
    {u"中英文标点按钮位置", [](StatusLayout& r, std::u16string_view v) { ReadPoint(v, r.punctuation_button); }},
    {u"全角半角按钮位置", [](StatusLayout& r, std::u16string_view v) { ReadPoint(v, r.width_button); }},
    {u"软键盘按钮位置", [](StatusLayout& r, std::u16string_view v) { ReadPoint(v, r.soft_keyboard_button); }},
    {u"菜单按钮位置", [](StatusLayout& r, std::u16string_view v) { ReadPoint(v, r.menu_button); }},
    {u"输入法标志位置", [](StatusLayout& r, std::u16string_view v) { ReadPoint(v, r.logo); }},
    {u"简繁切换按钮位置", [](StatusLayout& r, std::u16string_view v) { ReadPoint(v, r.script_button); }},
};

constexpr KeyRule<CandidateLayout> kCandidateRules[] = {
    {u"后翻页按钮位置", [](CandidateLayout& r, std::u16string_view v) { ReadPoint(v, r.next_page_button); }},
    {u"前翻页按钮位置", [](CandidateLayout& r, std::u16string_view v) { ReadPoint(v, r.previous_page_button); }},
    {u"中英文标点按钮位置", [](CandidateLayout& r, std::u16string_view v) { ReadPoint(v, r.punctuation_button); }},
    {u"全角半角按钮位置", [](CandidateLayout& r, std::u16string_view v) { ReadPoint(v, r.width_button); }},
    {u"编码起始位置", [](CandidateLayout& r, std::u16string_view v) { ReadPoint(v, r.code_origin); }},
    {u"候选起始位置", [](CandidateLayout& r, std::u16string_view v) { ReadPoint(v, r.candidate_origin); }},
    {u"序号-字词间距", [](CandidateLayout& r, std::u16string_view v) { r.index_to_word_gap = ParseSkinNumber(v); }},
    {u"字词-提示间距", [](CandidateLayout& r, std::u16string_view v) { r.word_to_hint_gap = ParseSkinNumber(v); }},
    {u"候选间距", [](CandidateLayout& r, std::u16string_view v) { r.candidate_gap = ParseSkinNumber(v); }},
    {u"行间距", [](CandidateLayout& r, std::u16string_view v) { r.line_gap = ParseSkinNumber(v); }},
    {u"横向拉伸区域", [](CandidateLayout& r, std::u16string_view v) { ReadRange(v, r.horizontal_stretch); }},
    {u"纵向拉伸区域", [](CandidateLayout& r, std::u16string_view v) { ReadRange(v, r.vertical_stretch); }},
    // The margin keys are accepted in both spellings that skin.ini files use.
    {u"右边距", [](CandidateLayout& r, std::u16string_view v) { r.right_margin = ParseSkinNumber(v); }},
    {u"右边据", [](CandidateLayout& r, std::u16string_view v) { r.right_margin = ParseSkinNumber(v); }},
    {u"下边距", [](CandidateLayout& r, std::u16string_view v) { r.bottom_margin = ParseSkinNumber(v); }},
    {u"下边据", [](CandidateLayout& r, std::u16string_view v) { r.bottom_margin = ParseSkinNumber(v); }},
    {u"最小宽度", [](CandidateLayout& r, std::u16string_view v) { r.min_width = ParseSkinNumber(v); }},
    {u"最小高度", [](CandidateLayout& r, std::u16string_view v) { r.min_height = ParseSkinNumber(v); }},
    {u"嵌入窗口偏移", [](CandidateLayout& r, std::u16string_view v) { ReadPoint(v, r.embedded_offset); }},
    {u"序号后缀", [](CandidateLayout& r, std::u16string_view v) { r.index_suffix = v.empty() ? u'\0' : v[0]; }},
    {u"文字背景边框", [](CandidateLayout& r, std::u16string_view v) { ReadBorder(v, r.text_border); }},
};

void ApplyStatusKey(StatusLayout& layout, std::u16string_view key, std::u16string_view value) {
  const int extension = ExtensionButtonIndex(key);
  if (extension >= 0) {
    ReadPoint(value, layout.extension_x[extension], layout.extension_y[extension]);
    return;
  }
  ApplyRule(kStatusRules, layout, key, value);
}

void ApplyCandidateKey(CandidateLayout& layout, std::u16string_view key, std::u16string_view value) {
  const int extension = ExtensionButtonIndex(key);
  if (extension >= 0) {
    ReadPoint(value, layout.extension_x[extension], layout.extension_y[extension]);
    return;
  }
  ApplyRule(kCandidateRules, layout, key, value);
}

void ApplyKey(SkinDescription& d, int section, std::u16string_view key, std::u16string_view value) {
  switch (section) {
    case kSkinSectionInfo:
      ApplyRule(kInfoRules, d.info, key, value);
      break;
    case kSkinSectionText:
      ApplyRule(kTextRules, d.text, key, value);
      break;
    case kSkinSectionStatus:
      ApplyStatusKey(d.status, key, value);
      break;
    case kSkinSectionMerged:
      ApplyCandidateKey(d.merged, key, value);
      break;
    case kSkinSectionEmbedded:
      ApplyCandidateKey(d.embedded, key, value);
      break;
    case kSkinSectionMergedVertical:
      ApplyCandidateKey(d.merged_vertical, key, value);
      break;
    case kSkinSectionEmbeddedVertical:
      ApplyCandidateKey(d.embedded_vertical, key, value);
      break;
    default:
      break;  // before the first header, or under an unknown one
  }
}

// The next line of the text from `pos`: up to CR, LF, the end or kSkinIniLineChars characters; the run
// of CR and LF after it is skipped, so empty lines never appear.
std::u16string_view ReadSkinIniLine(std::u16string_view text, std::size_t& pos) {
  const std::size_t start = pos;
  while (pos < text.size() && pos - start < static_cast<std::size_t>(kSkinIniLineChars) && text[pos] != u'\r' &&
         text[pos] != u'\n') {
    ++pos;
  }
  const std::u16string_view line = text.substr(start, pos - start);
  while (pos < text.size() && (text[pos] == u'\r' || text[pos] == u'\n')) ++pos;
  return line;
}

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c; }

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

int ParseText(std::u16string_view text, SkinDescription& description) {
  if (text.empty()) return kSkinIniNoText;
  const std::u16string_view head = text.substr(0, kSkinIniTemplateChars);
  if (head != kSkinIniTemplate33 && head != kSkinIniTemplate40) return kSkinIniNoTemplate;
  int section = kSkinSectionNone;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::u16string_view line = ReadSkinIniLine(text, pos);
    if (line.substr(0, 2) == u"[-") {
      section = SkinIniSectionId(line);
    } else if (line.substr(0, 1) == u";") {
      continue;
    } else if (const std::size_t eq = line.find(u'='); eq != std::u16string_view::npos) {
      ApplyKey(description, section, line.substr(0, eq), line.substr(eq + 1));
    }
  }
  return description.info.name[0] == u'\0' ? kSkinIniNoName : kSkinIniParsed;
}

}  // namespace

void CopySkinText(char16_t* out, std::size_t capacity, std::u16string_view text) {
  if (capacity == 0) return;
  const std::size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
  for (std::size_t i = 0; i < n; ++i) out[i] = text[i];
  out[n] = u'\0';
}

std::int32_t ParseSkinNumber(std::u16string_view value) {
  std::size_t i = 0;
  while (i < value.size() && IsBlank(value[i])) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == u'+' || value[i] == u'-')) negative = value[i++] == u'-';
  constexpr std::int64_t kBeyond = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 2;
  std::int64_t magnitude = 0;
  for (; i < value.size() && value[i] >= u'0' && value[i] <= u'9'; ++i) {
    magnitude = magnitude * 10 + (value[i] - u'0');
    if (magnitude > kBeyond) magnitude = kBeyond;  // saturates; clamped below
  }
  const std::int64_t signed_value = negative ? -magnitude : magnitude;
  if (signed_value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (signed_value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(signed_value);
}

std::int32_t ParseSkinColour(std::u16string_view value) {
  if (value.empty() || value[0] != u'#') return 0;
  return ParseSkinNumber(value.substr(1));
}

int SkinIniSectionId(std::u16string_view line) {
  struct Header {
    std::u16string_view text;
    int id;
  };
  static constexpr Header kHeaders[] = {
      {u"[-皮肤信息-]", kSkinSectionInfo},
      {u"[-文字显示-]", kSkinSectionText},
      {u"[-状态栏窗口-]", kSkinSectionStatus},
      {u"[-候选窗口-合并-]", kSkinSectionMerged},
      {u"[-候选窗口-嵌入-]", kSkinSectionEmbedded},
      {u"[-候选窗口-合并-竖排-]", kSkinSectionMergedVertical},
      {u"[-候选窗口-嵌入-竖排-]", kSkinSectionEmbeddedVertical},
  };
  for (const Header& header : kHeaders) {
    if (EqualsIgnoringAsciiCase(line, header.text)) return header.id;
  }
  return kSkinSectionNone;
}

int ParseSkinIni(const std::uint8_t* bytes, std::size_t byte_count, SkinDescription& description, AnsiDecoder ansi) {
  std::memset(&description, 0, sizeof description);
  try {
    const std::u16string decoded = TextBufferToWide(bytes, byte_count, ansi);
    // The text ends at its first zero character, as every reader of these files has always seen it.
    std::u16string_view text = decoded;
    text = text.substr(0, text.find(u'\0'));
    return ParseText(text, description);
  } catch (const std::bad_alloc&) {
    std::memset(&description, 0, sizeof description);
    return kSkinIniNoText;
  }
}

}  // namespace lz
