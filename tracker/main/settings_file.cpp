#include "tracker/main/settings_file.h"

#include "platform/os/ansi_code_page.h"
#include "platform/os/ansi_encode.h"
#include "platform/os/utf8_text.h"

namespace tracker {
namespace {

constexpr std::uint8_t kUtf8Mark[] = {0xEF, 0xBB, 0xBF};
constexpr std::uint8_t kUtf16Mark[] = {0xFF, 0xFE};
constexpr char32_t kReplacement = 0xFFFD;

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f'; }

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

char16_t Fold(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

// A broken sequence reads as U+FFFD, as the profile functions read it, and the rest of the line still counts.
std::u16string Utf8ToWide(const std::uint8_t* p, std::size_t n) {
  std::u16string out;
  for (std::size_t i = 0; i < n;) {
    const os::Utf8Sequence sequence = os::DecodeUtf8Sequence(p + i, n - i);
    os::AppendUtf16(sequence.valid ? sequence.code_point : kReplacement, out);
    i += sequence.length;
  }
  return out;
}

void AppendUtf8(std::u16string_view text, std::vector<std::uint8_t>& out) {
  const std::string utf8 = os::Utf16ToUtf8(text);
  out.insert(out.end(), utf8.begin(), utf8.end());
}

void AppendUtf16(std::u16string_view text, std::vector<std::uint8_t>& out) {
  for (const char16_t c : text) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
}

std::u16string DecodeWithout(const std::vector<std::uint8_t>& raw, std::size_t unit, SettingsFile::Encoding encoding,
                             const AnsiCodec& codec) {
  // The line's bytes without its LF (and a CR before it).
  std::size_t n = raw.size();
  auto is_unit = [&](std::size_t at, std::uint8_t value) {
    return unit == 1 ? raw[at] == value : (raw[at] == value && raw[at + 1] == 0);
  };
  if (n >= unit && is_unit(n - unit, '\n')) n -= unit;
  if (n >= unit && is_unit(n - unit, '\r')) n -= unit;
  switch (encoding) {
    case SettingsFile::Encoding::kUtf8:
      return Utf8ToWide(raw.data(), n);
    case SettingsFile::Encoding::kUtf16: {
      std::u16string out;
      for (std::size_t i = 0; i + 1 < n; i += 2) out += static_cast<char16_t>(raw[i] | (raw[i + 1] << 8));
      return out;
    }
    case SettingsFile::Encoding::kAnsi:
      break;
  }
  return n ? codec.decode(raw.data(), n) : std::u16string();
}

std::u16string DecodeLatin1(const std::uint8_t* bytes, std::size_t count) {
  std::u16string out;
  for (std::size_t i = 0; i < count; ++i) out += static_cast<char16_t>(bytes[i]);
  return out;
}

}  // namespace

AnsiCodec SystemAnsiCodec() {
  AnsiCodec codec;
  codec.decode = &os::AnsiToWide;
  codec.encode = &os::WideToAnsi;
  return codec;
}

SettingsFile::SettingsFile(AnsiCodec codec) : codec_(codec) {
  if (!codec_.decode) codec_.decode = &DecodeLatin1;
  if (!codec_.encode) codec_.encode = &os::WideToAnsi;
}

SettingsFile SettingsFile::FromBytes(const std::vector<std::uint8_t>& bytes, AnsiCodec codec) {
  SettingsFile file(codec);
  std::size_t start = 0;
  std::size_t unit = 1;
  if (bytes.size() >= 3 && bytes[0] == kUtf8Mark[0] && bytes[1] == kUtf8Mark[1] && bytes[2] == kUtf8Mark[2]) {
    file.encoding_ = Encoding::kUtf8;
    start = 3;
  } else if (bytes.size() >= 2 && bytes[0] == kUtf16Mark[0] && bytes[1] == kUtf16Mark[1]) {
    file.encoding_ = Encoding::kUtf16;
    start = 2;
    unit = 2;
  }
  std::size_t i = start;
  while (i < bytes.size()) {
    std::size_t end = i;
    bool found = false;
    while (end + unit <= bytes.size()) {
      const bool lf = unit == 1 ? bytes[end] == '\n' : (bytes[end] == '\n' && bytes[end + 1] == 0);
      end += unit;
      if (lf) {
        found = true;
        break;
      }
    }
    if (!found) end = bytes.size();  // the last line, or an odd byte at the end of a UTF-16 file
    Line line;
    line.raw.assign(bytes.begin() + static_cast<std::ptrdiff_t>(i), bytes.begin() + static_cast<std::ptrdiff_t>(end));
    line.text = DecodeWithout(line.raw, unit, file.encoding_, file.codec_);
    file.lines_.push_back(std::move(line));
    i = end;
  }
  return file;
}

SettingsFile::Entry SettingsFile::Classify(const std::u16string& text) {
  Entry entry;
  std::u16string_view line = Trim(text);
  if (line.empty()) return entry;
  if (line.front() == u'[') {
    const std::size_t close = line.rfind(u']');
    if (close != std::u16string_view::npos) {
      entry.is_section = true;
      entry.name = Trim(line.substr(1, close - 1));  // "[ MyApp ]" names MyApp
      return entry;
    }
  }
  entry.is_key = true;
  const std::size_t equals = line.find(u'=');
  if (equals == std::u16string_view::npos) {
    entry.name = line;
    entry.value = std::u16string_view();
    return entry;
  }
  entry.name = Trim(line.substr(0, equals));
  // Never a null view: a null data() marks a line without "=" (no value at all).
  entry.value = Trim(line.substr(equals + 1));
  return entry;
}

std::optional<std::pair<std::size_t, std::size_t>> SettingsFile::SectionLines(std::u16string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Entry header = Classify(lines_[i].text);
    if (!header.is_section || !SameName(header.name, section)) continue;
    std::size_t end = i + 1;
    while (end < lines_.size() && !Classify(lines_[end].text).is_section) ++end;
    return std::make_pair(i, end);
  }
  return std::nullopt;
}

std::u16string SettingsFile::CutToLimit(std::u16string_view value) const {
  std::size_t bytes = 0;
  std::size_t i = 0;
  std::string encoded;
  while (i < value.size()) {
    // A pair is one character and is kept or cut whole; a lone surrogate is a unit of its own.
    std::size_t len = 1;
    if (value[i] >= 0xD800 && value[i] <= 0xDBFF && i + 1 < value.size() && value[i + 1] >= 0xDC00 &&
        value[i + 1] <= 0xDFFF) {
      len = 2;
    }
    // The Unicode profile functions fill a buffer of as many UTF-16 units as the ANSI ones fill bytes.
    if (i + len > kValueByteLimit) break;
    // A character without an ANSI form would come back as one '?' byte.
    const std::size_t width = codec_.encode(value.substr(i, len), encoded) ? encoded.size() : 1;
    if (bytes + width > kValueByteLimit) break;
    bytes += width;
    i += len;
  }
  return std::u16string(value.substr(0, i));
}

std::optional<std::u16string> SettingsFile::Find(std::u16string_view section, std::u16string_view key) const {
  const auto range = SectionLines(section);
  if (!range) return std::nullopt;
  for (std::size_t i = range->first + 1; i < range->second; ++i) {
    const Entry entry = Classify(lines_[i].text);
    if (!entry.is_key || !SameName(entry.name, key)) continue;
    if (entry.value.data() == nullptr) return std::nullopt;  // a line without "=" has no value
    std::u16string_view value = entry.value;
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return CutToLimit(value);
  }
  return std::nullopt;
}

std::u16string SettingsFile::Read(std::u16string_view section, std::u16string_view key,
                                  std::u16string_view fallback) const {
  if (auto value = Find(section, key)) return *value;
  return std::u16string(fallback);
}

void SettingsFile::Write(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
  std::u16string clean;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char16_t c = value[i];
    if (c == u'\0') break;
    if (c == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n') continue;  // CRLF is one break
    clean += (c == u'\r' || c == u'\n') ? u' ' : c;
  }
  Line line;
  line.text = std::u16string(key) + u"=" + clean;
  line.written = true;

  const auto range = SectionLines(section);
  if (!range) {
    if (!lines_.empty() && !lines_.back().written) {
      // The old last line may lack its line break; the new section must start on a line of its own.
      Line& last = lines_.back();
      const bool ends = !last.raw.empty() && (last.raw.back() == '\n' ||
                                              (last.raw.size() >= 2 && last.raw[last.raw.size() - 2] == '\n'));
      if (!ends) last.written = true;
    }
    Line header;
    header.text = u"[" + std::u16string(section) + u"]";
    header.written = true;
    lines_.push_back(std::move(header));
    lines_.push_back(std::move(line));
    return;
  }
  std::size_t insert_at = range->first + 1;
  for (std::size_t i = range->first + 1; i < range->second; ++i) {
    const Entry entry = Classify(lines_[i].text);
    if (!entry.is_key) continue;
    if (SameName(entry.name, key)) {
      lines_[i] = std::move(line);
      return;
    }
    insert_at = i + 1;
  }
  if (insert_at == lines_.size() && insert_at > 0 && !lines_.back().written) {
    Line& last = lines_.back();
    const bool ends = !last.raw.empty() && (last.raw.back() == '\n' ||
                                            (last.raw.size() >= 2 && last.raw[last.raw.size() - 2] == '\n'));
    if (!ends) last.written = true;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert_at), std::move(line));
}

SettingsFile::Encoding SettingsFile::encoding() const {
  if (encoding_ != Encoding::kAnsi) return encoding_;
  std::string encoded;
  for (const Line& line : lines_) {
    if (line.written && !codec_.encode(line.text, encoded)) return Encoding::kUtf16;
  }
  return Encoding::kAnsi;
}

std::vector<std::uint8_t> SettingsFile::Bytes() const {
  const Encoding target = encoding();
  const bool keep_raw = target == encoding_;
  std::vector<std::uint8_t> out;
  if (target == Encoding::kUtf8) out.assign(std::begin(kUtf8Mark), std::end(kUtf8Mark));
  if (target == Encoding::kUtf16) out.assign(std::begin(kUtf16Mark), std::end(kUtf16Mark));
  std::string encoded;
  for (const Line& line : lines_) {
    if (keep_raw && !line.written) {
      out.insert(out.end(), line.raw.begin(), line.raw.end());
      continue;
    }
    const std::u16string text = line.text + u"\r\n";
    switch (target) {
      case Encoding::kUtf8:
        AppendUtf8(text, out);
        break;
      case Encoding::kUtf16:
        AppendUtf16(text, out);
        break;
      case Encoding::kAnsi:
        codec_.encode(text, encoded);
        out.insert(out.end(), encoded.begin(), encoded.end());
        break;
    }
  }
  return out;
}

}  // namespace tracker
