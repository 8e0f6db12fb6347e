#include "tools/tabletool/ship_data.h"

#include <bzlib.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <unordered_set>

#include "config/tables/association_builder.h"
#include "platform/os/utf8_text.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/class_identifier.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/product_class_identifier.h"
#include "textservice/engine/scheme_text_file.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/skin_block.h"
#include "textservice/engine/table_builder.h"
#include "textservice/engine/text_decoding.h"

namespace lz::tabletool {
namespace {

using namespace code_table;

// ime +40: the configuration program's tab pages.
constexpr std::uint32_t kImeSettingsPages = 40;
constexpr std::uint8_t kCodeKeyClasses = dme_block::kWildcardStandsFor | dme_block::kCommitsWhenNothingContinues;

std::string Narrow(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string Widen(const char* ascii) {
  std::u16string out;
  for (const char* p = ascii; *p; ++p) out += static_cast<char16_t>(static_cast<unsigned char>(*p));
  return out;
}

std::string Utf8Of(char32_t cp) {
  std::string out;
  os::AppendUtf8(cp, out);
  return out;
}

// The code points of well-formed UTF-8 (the word list's texts were checked when it was read).
std::vector<char32_t> CodePoints(const std::string& s) {
  std::vector<char32_t> out;
  for (std::size_t i = 0; i < s.size();) {
    const auto lead = static_cast<unsigned char>(s[i]);
    const int more = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    char32_t cp = more == 0 ? lead : lead & (0x3F >> more);
    for (int k = 1; k <= more && i + k < s.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out.push_back(cp);
    i += static_cast<std::size_t>(more) + 1;
  }
  return out;
}

std::u16string Utf16Of(const std::string& utf8) {
  return Utf8BytesToWide(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size());
}

// "U+53D1 U+9AEE" -> the code points (anything after '<' in a value is a source note).
std::vector<char32_t> VariantsOf(const std::string& value) {
  std::vector<char32_t> out;
  std::istringstream words(value);
  std::string word;
  while (words >> word) {
    if (word.compare(0, 2, "U+") != 0) continue;
    const std::size_t end = std::min(word.find('<'), word.size());
    std::uint32_t cp = 0;
    const auto [ptr, ec] = std::from_chars(word.data() + 2, word.data() + end, cp, 16);
    if (ec == std::errc() && cp <= 0x10FFFF) out.push_back(cp);
  }
  return out;
}

bool ReadFileText(const std::filesystem::path& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  out = text.str();
  return static_cast<bool>(in) || in.eof();
}

bool WriteFileWhole(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  const std::filesystem::path partial = path.string() + ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(partial, ignored);
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(partial, path, ec);
  if (ec) std::filesystem::remove(partial, ec);
  return !ec;
}

// A word-list line for the association builder: "//" at its start would read as a comment, "///" as "//".
void AppendListLine(std::u16string& list, std::u16string_view line) {
  if (line.starts_with(u"//")) list += u'/';
  list += line;
  list += u'\n';
}

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool ParseNumber(std::u16string_view value, std::uint32_t& out) {
  const std::string text = Narrow(value);
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* begin = text.data() + (hex ? 2 : 0);
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(begin, end, out, hex ? 16 : 10);
  return !text.empty() && ec == std::errc() && ptr == end;
}

// Fields of the soft block that the scheme text's "[-软件选项-]" section sets, by key.
struct SoftTextField {
  const char16_t* key;
  std::uint32_t offset;
  std::uint32_t units;
};
constexpr SoftTextField kSoftTexts[] = {
    {u"DisplayName", soft_block::kDisplayName, 64},
    {u"LanguageName", soft_block::kLanguageName, 64},
    {u"IMEName", soft_block::kImeName, 64},
    {u"DefaultFolderName", soft_block::kDefaultFolderName, 64},
    {u"DisplayVersion", soft_block::kDisplayVersion, 96},
    {u"Comments", soft_block::kComments, 64},
    {u"Publisher", soft_block::kPublisher, 64},
    {u"HelpLink", soft_block::kHelpLink, 512},
    {u"URLInfoAbout", soft_block::kUrlInfoAbout, 512},
    {u"URLUpdateInfo", soft_block::kUrlUpdateInfo, 512},
    {u"Contact", soft_block::kContact, 64},
    {u"HelpTelephone", soft_block::kHelpTelephone, 64},
    {u"PostInstallCommand", soft_block::kPostInstallCommand, 260},
    {u"UnstallCommand", soft_block::kUninstallCommand, 260},
};
struct SoftNumberField {
  const char16_t* key;
  std::uint32_t offset;
  std::uint32_t bytes;
};
constexpr SoftNumberField kSoftNumbers[] = {
    {u"LANGID", soft_block::kLanguageId, 4},         {u"ShortcutFlags", soft_block::kShortcutFlags, 4},
    {u"ShowAgreement", soft_block::kShowAgreement, 1}, {u"SoftwareNumber", soft_block::kSoftwareNumber, 4},
    {u"DataVersion", soft_block::kDataVersion, 4},
};
constexpr std::u16string_view kClassIdentifierKey = u"ClassIdentifier";
constexpr std::u16string_view kClassNameKey = u"ClassName";
constexpr std::u16string_view kClassFlagsKey = u"ClassFlags";

// "ClassName12" -> 12 for prefix "ClassName"; -1 when the key is not prefix + a class number.
int ClassNumberOf(std::u16string_view key, std::u16string_view prefix) {
  if (key.size() <= prefix.size() || !EqualsIgnoringAsciiCase(key.substr(0, prefix.size()), prefix)) return -1;
  std::uint32_t n = 0;
  if (!ParseNumber(key.substr(prefix.size()), n) || n >= soft_block::kClassCount) return -1;
  return static_cast<int>(n);
}

// The soft section's pairs, applied with the version rules checked.
bool ApplySoftSection(const std::vector<std::pair<std::u16string, std::u16string>>& pairs, int minor, ByteView soft,
                      std::string& error) {
  std::map<std::u16string, std::u16string> values;  // by the table's own spelling
  for (const auto& [key, value] : pairs) {
    std::u16string known;
    for (const SoftTextField& f : kSoftTexts) {
      if (EqualsIgnoringAsciiCase(key, f.key)) known = f.key;
    }
    for (const SoftNumberField& f : kSoftNumbers) {
      if (EqualsIgnoringAsciiCase(key, f.key)) known = f.key;
    }
    if (EqualsIgnoringAsciiCase(key, kClassIdentifierKey)) known = kClassIdentifierKey;
    if (known.empty()) {
      const int name = ClassNumberOf(key, kClassNameKey);
      const int flags = ClassNumberOf(key, kClassFlagsKey);
      if (name >= 0) {
        if (value.size() >= soft_block::kClassNameUnits) {
          error = "[-软件选项-] " + Narrow(key) + ": longer than " + std::to_string(soft_block::kClassNameUnits - 1) + " characters";
          return false;
        }
        WriteFieldText(soft, soft_block::kClassNames + 2u * soft_block::kClassNameUnits * name, soft_block::kClassNameUnits, value);
        continue;
      }
      std::uint32_t number = 0;
      if (flags >= 0 && ParseNumber(value, number)) {
        soft.WriteU32(soft_block::kClassFlags + 4u * flags, number);
        continue;
      }
      error = "[-软件选项-]: unknown key " + Narrow(key) + (flags >= 0 ? " value " + Narrow(value) : "");
      return false;
    }
    values[known] = value;
  }

  // The identifier is defined once, with the library; the text may only repeat it.
  if (values.count(std::u16string(kClassIdentifierKey))) {
    std::uint8_t named[16], ours[16];
    if (!ParseClassIdentifier(values[std::u16string(kClassIdentifierKey)].c_str(), named) ||
        !ParseClassIdentifier(Widen(LZ_PRODUCT_CLASS_IDENTIFIER).c_str(), ours) || std::memcmp(named, ours, 16) != 0) {
      error = "[-软件选项-] ClassIdentifier " + Narrow(values[std::u16string(kClassIdentifierKey)]) +
              " is not the library's " LZ_PRODUCT_CLASS_IDENTIFIER;
      return false;
    }
  }
  std::map<std::u16string, std::uint32_t> numbers;
  for (const SoftNumberField& f : kSoftNumbers) {
    const auto it = values.find(f.key);
    std::uint32_t n = 0;
    if (it == values.end() || !ParseNumber(it->second, n) || (f.bytes == 1 && n > 0xFF)) {
      error = "[-软件选项-] " + Narrow(f.key) + (it == values.end() ? " is missing" : ": \"" + Narrow(it->second) + "\" is not a number");
      return false;
    }
    numbers[f.key] = n;
  }
  for (const SoftTextField& f : kSoftTexts) {
    if (!values.count(f.key)) {
      error = "[-软件选项-] " + Narrow(f.key) + " is missing";
      return false;
    }
  }

  // The installer compares versions by the software number (its major) and the data version (minor),
  // and finds the data folder by the part of IMEName after its first "."; both must tell the same.
  if (numbers[u"SoftwareNumber"] != kInstallerMajorVersion) {
    error = "[-软件选项-] SoftwareNumber must be the installer's major version " + std::to_string(kInstallerMajorVersion);
    return false;
  }
  std::u16string& ime_name = values[u"IMEName"];
  const std::size_t dot = ime_name.find(u'.');
  const std::u16string base = ime_name.substr(0, dot);
  if (minor >= 0) {
    numbers[u"DataVersion"] = static_cast<std::uint32_t>(minor);
    const std::u16string version = Widen((std::to_string(kInstallerMajorVersion) + "." + std::to_string(minor)).c_str());
    ime_name = base + u"." + version;
    values[u"DisplayVersion"] = version;
  }
  const std::u16string version =
      Widen((std::to_string(kInstallerMajorVersion) + "." + std::to_string(numbers[u"DataVersion"])).c_str());
  if (base.empty() || dot == std::u16string::npos || ime_name.substr(dot + 1) != version) {
    error = "[-软件选项-] IMEName " + Narrow(ime_name) + " is not <name>." + Narrow(version) + " (SoftwareNumber.DataVersion)";
    return false;
  }
  if (values[u"DisplayVersion"] != version) {
    error = "[-软件选项-] DisplayVersion " + Narrow(values[u"DisplayVersion"]) + " is not " + Narrow(version);
    return false;
  }

  for (const SoftTextField& f : kSoftTexts) {
    const std::u16string& value = values[f.key];
    if (value.size() >= f.units) {
      error = "[-软件选项-] " + Narrow(f.key) + ": longer than " + std::to_string(f.units - 1) + " characters";
      return false;
    }
    WriteFieldText(soft, f.offset, f.units, value);
  }
  for (const SoftNumberField& f : kSoftNumbers) {
    if (f.bytes == 1) {
      soft.WriteU8(f.offset, static_cast<std::uint8_t>(numbers[f.key]));
    } else {
      soft.WriteU32(f.offset, numbers[f.key]);
    }
  }
  return true;
}

bool ApplyGeneratorSetting(std::u16string_view key, std::u16string_view value, const ConfigBlocks& blocks,
                           std::string& error) {
  if (key == u"编码键") {
    for (char16_t c : value) {
      if (c <= 0x20 || c >= 0x7F) {
        error = "[-生成器选项-] 编码键: only printable ASCII keys can be code keys";
        return false;
      }
      blocks.dme.WriteU8(dme_block::kKeyClasses + c, kCodeKeyClasses);
    }
    return true;
  }
  std::uint32_t pages = 0;
  if (key == u"设置页面" && ParseNumber(value, pages)) {
    blocks.ime.WriteU32(kImeSettingsPages, pages);
    return true;
  }
  error = "[-生成器选项-]: unknown key " + Narrow(key) + " or bad value " + Narrow(value);
  return false;
}

bool ProductIdentifier(std::uint8_t (&out)[16]) { return ParseClassIdentifier(Widen(LZ_PRODUCT_CLASS_IDENTIFIER).c_str(), out); }

// A record of an index or conversion table: key and text each end in a zero their length counts.
TableBuildRecord KeyedRecord(const std::string& key, const std::string& text) {
  TableBuildRecord r;
  r.code = key + '\0';
  r.text = text + '\0';
  return r;
}

bool BuildKeyed(std::vector<TableBuildRecord> records, const char* name, std::vector<std::uint8_t>& out, std::string& error) {
  TableBuildOptions options;
  options.type = kTypePlain;
  options.name = name;
  if (!BuildTable(std::move(records), options, out)) {
    error = std::string(name) + ": a record does not fit a table";
    return false;
  }
  return true;
}

// The text form of an OpenCC table, as opencc_dict writes it.
bool ReadOpenccTableText(const char* path, std::string& out) {
  out.clear();
  const std::string command =
      std::string(kOpenccDictTool.path) + " -f ocd2 -t text -o /dev/stdout -i '" + path + "' 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return false;
  char buffer[1 << 16];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  return ::pclose(pipe) == 0;
}

// Records of a table: each character's forms in order, the first form of each phrase.
void AddConversionRecords(const ConversionTable& characters, const ConversionTable& phrases,
                          std::vector<TableBuildRecord>& records) {
  for (const auto& [text, forms] : characters) {
    for (const std::string& form : forms) records.push_back(KeyedRecord(text, form));
  }
  for (const auto& [text, forms] : phrases) {
    if (!forms.empty() && forms[0] != text) records.push_back(KeyedRecord(text, forms[0]));
  }
}

bool BuildConversion(std::vector<TableBuildRecord> records, const char* name, std::vector<std::uint8_t>& out,
                     std::string& error) {
  TableBuildOptions options;
  options.type = kTypePlain;
  options.name = name;
  options.keep_order_within_code = true;
  if (!BuildTable(std::move(records), options, out)) {
    error = std::string(name) + ": a record does not fit a table";
    return false;
  }
  return true;
}

}  // namespace

void ReadConversionText(const std::string& text, ConversionTable& out) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t tab = line.find('\t');
    if (tab == 0 || tab == std::string::npos) continue;
    std::vector<std::string>& forms = out[line.substr(0, tab)];
    std::istringstream words(line.substr(tab + 1));
    std::string form;
    while (words >> form) {
      if (std::find(forms.begin(), forms.end(), form) == forms.end()) forms.push_back(form);
    }
  }
}

std::string ConvertText(const std::string& text, const ConversionTable& phrases, const ConversionTable& characters) {
  // The byte places where characters start.
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  }
  starts.push_back(text.size());
  std::string out;
  for (std::size_t k = 0; k + 1 < starts.size();) {
    // The longest phrase starting here: lengthen while some phrase still begins with the text taken.
    const std::vector<std::string>* phrase = nullptr;
    std::size_t taken = 1;
    for (std::size_t end = k + 2; end < starts.size(); ++end) {
      const std::string prefix = text.substr(starts[k], starts[end] - starts[k]);
      const auto it = phrases.lower_bound(prefix);
      if (it == phrases.end() || it->first.compare(0, prefix.size(), prefix) != 0) break;
      if (it->first == prefix && !it->second.empty()) {
        phrase = &it->second;
        taken = end - k;
      }
    }
    if (phrase) {
      out += (*phrase)[0];
    } else {
      const std::string character = text.substr(starts[k], starts[k + 1] - starts[k]);
      const auto it = characters.find(character);
      out += it != characters.end() && !it->second.empty() ? it->second[0] : character;
    }
    k += taken;
  }
  return out;
}

bool ReadBzip2File(const std::filesystem::path& path, std::string& out) {
  out.clear();
  std::string compressed;
  if (!ReadFileText(path, compressed)) return false;
  bz_stream stream{};
  if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK) return false;
  stream.next_in = compressed.data();
  stream.avail_in = static_cast<unsigned>(compressed.size());
  char buffer[1 << 16];
  int rc = BZ_OK;
  while (rc == BZ_OK) {
    stream.next_out = buffer;
    stream.avail_out = sizeof buffer;
    rc = BZ2_bzDecompress(&stream);
    out.append(buffer, sizeof buffer - stream.avail_out);
    // A file may hold several streams one after another.
    if (rc == BZ_STREAM_END && stream.avail_in > 0) {
      char* rest = stream.next_in;
      const unsigned left = stream.avail_in;
      BZ2_bzDecompressEnd(&stream);
      stream = bz_stream{};
      if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK) return false;
      stream.next_in = rest;
      stream.avail_in = left;
      rc = BZ_OK;
    } else if (rc == BZ_OK && stream.avail_in == 0 && stream.avail_out != 0) {
      rc = BZ_DATA_ERROR;  // the data ended inside a stream
    }
  }
  BZ2_bzDecompressEnd(&stream);
  return rc == BZ_STREAM_END;
}

void ReadUnihanFields(const std::string& text, UnihanData& out) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, 2, "U+") != 0) continue;
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = tab1 == std::string::npos ? std::string::npos : line.find('\t', tab1 + 1);
    if (tab2 == std::string::npos) continue;
    const std::vector<char32_t> c = VariantsOf(line.substr(0, tab1));
    if (c.size() != 1) continue;
    const std::string field = line.substr(tab1 + 1, tab2 - tab1 - 1);
    const std::string value = line.substr(tab2 + 1);
    if (field == "kMandarin") out.mandarin[c[0]] = value;
    if (field == "kDefinition") out.definition[c[0]] = value;
  }
}

bool ReadShipDataInputs(const std::filesystem::path& scheme_path, ShipDataInputs& out, std::string& error) {
  const auto missing = [&](const ShipDataSource& s) {
    error = std::string(s.path) + " is missing: install the Debian package " + s.package;
    return false;
  };
  std::string scheme;
  if (!ReadFileText(scheme_path, scheme)) {
    error = scheme_path.string() + ": cannot be read";
    return false;
  }
  out.scheme.assign(scheme.begin(), scheme.end());

  std::string wubi86;
  if (!ReadFileText(kWubi86Source.path, wubi86)) return missing(kWubi86Source);
  if (!ReadWordList(wubi86, out.wubi86, error)) {
    error = std::string(kWubi86Source.path) + ":" + error;
    return false;
  }
  if (!ReadFileText(kEnglishSource.path, out.english)) return missing(kEnglishSource);
  std::string readings;
  if (!std::filesystem::exists(kReadingsSource.path)) return missing(kReadingsSource);
  if (!ReadBzip2File(kReadingsSource.path, readings)) {
    error = std::string(kReadingsSource.path) + ": not bzip2 data";
    return false;
  }
  ReadUnihanFields(readings, out.unihan);

  if (!std::filesystem::exists(kOpenccDictTool.path)) return missing(kOpenccDictTool);
  const std::pair<const ShipDataSource*, ConversionTable*> tables[] = {
      {&kStCharactersSource, &out.conversion.st_characters},
      {&kStPhrasesSource, &out.conversion.st_phrases},
      {&kTsCharactersSource, &out.conversion.ts_characters},
      {&kTsPhrasesSource, &out.conversion.ts_phrases},
  };
  for (const auto& [source, table] : tables) {
    if (!std::filesystem::exists(source->path)) return missing(*source);
    std::string text;
    if (!ReadOpenccTableText(source->path, text) || text.empty()) {
      error = std::string(source->path) + ": " + kOpenccDictTool.path + " cannot turn it into text";
      return false;
    }
    ReadConversionText(text, *table);
  }
  return true;
}

bool BuildShipConfig(const std::vector<std::uint8_t>& scheme, int minor, std::vector<std::uint8_t>& out, std::string& error) {
  std::uint8_t identifier[16];
  if (!ProductIdentifier(identifier)) {
    error = "the library's class identifier " LZ_PRODUCT_CLASS_IDENTIFIER " does not parse";
    return false;
  }
  out = NewConfigStore(identifier);
  ConfigBlocks blocks;
  FindConfigBlocks(ByteView{out.data(), static_cast<std::uint32_t>(out.size())}, blocks);
  SettingsTextOps* ops = NewSettingsTextOps();
  if (!ops) {
    error = "out of memory";
    return false;
  }
  ReadSchemeTextBytes(scheme.data(), scheme.size(), blocks, ops);
  ops->free(ops);

  // The two sections the engine leaves to a generator.
  const std::u16string text = TextBufferToWide(scheme.data(), scheme.size());
  SettingsTextLines lines(std::u16string_view(text.c_str()));
  SettingsTextLine line;
  int section = kUnknownSection;
  std::vector<std::pair<std::u16string, std::u16string>> soft;
  while (lines.Next(line)) {
    if (line.header) {
      section = line.section;
    } else if (section == kGeneratorSection) {
      if (!ApplyGeneratorSetting(line.key, line.value, blocks, error)) return false;
    } else if (section == kSoftwareSection) {
      soft.emplace_back(line.key, line.value);
    }
  }
  if (!ApplySoftSection(soft, minor, blocks.soft, error)) return false;
  // The status bar opens in the skin's default corner until the user drags it somewhere: the store is
  // made zero-filled, and 0, 0 would be a place of its own, the screen's top-left corner.
  const auto unset = static_cast<std::uint32_t>(skin_block::kStatusPositionUnset);
  blocks.skin.WriteU32(skin_block::kStatusWindowX, unset);
  blocks.skin.WriteU32(skin_block::kStatusWindowY, unset);
  return true;
}

bool BuildShipMain(const std::vector<ListEntry>& wubi86, std::vector<std::uint8_t>& out, std::string& error,
                   char wildcard_key, std::size_t* left_out) {
  std::vector<ListEntry> typable;
  typable.reserve(wubi86.size());
  for (const ListEntry& e : wubi86) {
    if (wildcard_key == 0 || e.code.find(wildcard_key) == std::string::npos) typable.push_back(e);
  }
  if (left_out) *left_out = wubi86.size() - typable.size();
  std::vector<TableBuildRecord> records;
  if (!MakeRecords(typable, records, error)) return false;
  TableBuildOptions options;
  options.type = kTypeIndexed;
  options.name = "main";
  options.free_gap = kMainFreeGap;
  if (!ProductIdentifier(options.identifier) || !BuildTable(std::move(records), options, out)) {
    error = "main.dmg: the words do not fit one table";
    return false;
  }
  return true;
}

bool BuildShipDanzi(const std::vector<ListEntry>& wubi86, std::vector<std::uint8_t>& out, std::string& error) {
  // Per character its longest code without the symbol key z, on equal length the one with the higher
  // weight, then the first in the list. A character typed only by z codes (symbols) has none.
  struct Best {
    const ListEntry* entry;
    bool has_z;
  };
  std::map<std::string, Best> best;
  for (const ListEntry& e : wubi86) {
    if (CodePoints(e.word).size() != 1) continue;
    const bool has_z = e.code.find('z') != std::string::npos;
    const auto [it, fresh] = best.try_emplace(e.word, Best{&e, has_z});
    if (fresh) continue;
    const Best& b = it->second;
    const bool better = b.has_z != has_z ? !has_z
                        : b.entry->code.size() != e.code.size() ? e.code.size() > b.entry->code.size()
                                                                 : e.weight > b.entry->weight;
    if (better) it->second = Best{&e, has_z};
  }
  std::vector<TableBuildRecord> records;
  for (const auto& [word, b] : best) {
    if (!b.has_z) records.push_back(KeyedRecord(word, b.entry->code));
  }
  return BuildKeyed(std::move(records), "danzi", out, error);
}

bool BuildShipTraditional(const std::vector<ListEntry>& wubi86, const ConversionSources& conversion,
                          std::vector<std::uint8_t>& out, std::string& error) {
  std::vector<TableBuildRecord> records;
  AddConversionRecords(conversion.st_characters, conversion.st_phrases, records);
  std::unordered_set<std::string> seen;
  for (const ListEntry& e : wubi86) {
    if (CodePoints(e.word).size() < 2 || conversion.st_phrases.count(e.word) || !seen.insert(e.word).second) continue;
    const std::string converted = ConvertText(e.word, conversion.st_phrases, conversion.st_characters);
    if (converted != e.word) records.push_back(KeyedRecord(e.word, converted));
  }
  return BuildConversion(std::move(records), "traditional", out, error);
}

bool BuildShipSimplified(const ConversionSources& conversion, std::vector<std::uint8_t>& out, std::string& error) {
  std::vector<TableBuildRecord> records;
  AddConversionRecords(conversion.ts_characters, conversion.ts_phrases, records);
  return BuildConversion(std::move(records), "simplified", out, error);
}

bool BuildShipDictionary(const UnihanData& unihan, std::vector<std::uint8_t>& out, std::string& error) {
  std::set<char32_t> characters;
  for (const auto& [c, v] : unihan.mandarin) characters.insert(c);
  for (const auto& [c, v] : unihan.definition) characters.insert(c);
  std::vector<DictionaryBuildRecord> records;
  for (char32_t c : characters) {
    const auto mandarin = unihan.mandarin.find(c);
    const auto definition = unihan.definition.find(c);
    std::string explanation = mandarin != unihan.mandarin.end() ? mandarin->second : std::string();
    if (definition != unihan.definition.end()) explanation += (explanation.empty() ? "" : " ") + definition->second;
    records.push_back({Utf8Of(c), explanation});
  }
  TableBuildOptions options;
  options.type = kTypePlain;
  options.name = "dict";
  if (!BuildDictionaryTable(std::move(records), options, out)) {
    error = "dict.dms: an entry does not fit a table";
    return false;
  }
  return true;
}

std::u16string EnglishWordList(const std::string& american_english) {
  std::u16string list;
  std::istringstream lines(american_english);
  std::string word;
  while (std::getline(lines, word)) {
    if (!word.empty() && word.back() == '\r') word.pop_back();
    if (word.empty() || word.find('\'') != std::string::npos ||
        std::any_of(word.begin(), word.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
      continue;
    }
    AppendListLine(list, std::u16string(word.begin(), word.end()));
  }
  return list;
}

std::u16string PhraseList(const std::vector<ListEntry>& wubi86) {
  std::vector<const ListEntry*> phrases;
  for (const ListEntry& e : wubi86) {
    if (CodePoints(e.word).size() >= 2) phrases.push_back(&e);
  }
  std::stable_sort(phrases.begin(), phrases.end(), [](const ListEntry* a, const ListEntry* b) { return a->weight > b->weight; });
  std::u16string list;
  std::unordered_set<std::string> seen;
  for (const ListEntry* e : phrases) {
    if (seen.insert(e->word).second) AppendListLine(list, Utf16Of(e->word));
  }
  return list;
}

bool WriteShipData(const ShipDataInputs& inputs, int minor, const std::filesystem::path& dir, ShipDataReport& report,
                   std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  const auto table_line = [](const char* name, const std::vector<std::uint8_t>& bytes) {
    std::uint32_t count = 0;
    ByteView{const_cast<std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size())}.ReadU32(kRecordCount, count);
    return std::string(name) + ": " + std::to_string(count) + " records";
  };
  const auto write = [&](const char* name, const std::vector<std::uint8_t>& bytes, bool table) {
    if (!WriteFileWhole(dir / name, bytes)) {
      error = (dir / name).string() + ": cannot be written";
      return false;
    }
    report.lines.push_back(table ? table_line(name, bytes) : std::string(name));
    return true;
  };
  std::vector<std::uint8_t> bytes;
  if (!BuildShipConfig(inputs.scheme, minor, bytes, error) || !write("config.dsc", bytes, false)) return false;
  std::uint8_t wildcard = 0;
  ConfigBlocks blocks;
  if (FindConfigBlocks(ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}, blocks) == 1) {
    blocks.dme.ReadU8(dme_block::kWildcardKey, wildcard);
  }
  std::size_t left_out = 0;
  if (!BuildShipMain(inputs.wubi86, bytes, error, static_cast<char>(wildcard), &left_out) || !write("main.dmg", bytes, true)) {
    return false;
  }
  if (left_out > 0) {
    report.lines.back() += ", " + std::to_string(left_out) + " entries left out: their code holds the wildcard key " +
                           std::string(1, static_cast<char>(wildcard));
  }
  if (!lz::BuildTempTable({}, bytes) || !write("temp.dmg", bytes, true)) return false;
  if (!BuildShipDanzi(inputs.wubi86, bytes, error) || !write("danzi.dmi", bytes, true)) return false;
  if (!BuildShipTraditional(inputs.wubi86, inputs.conversion, bytes, error) || !write("traditional.dms", bytes, true)) {
    return false;
  }
  if (!BuildShipSimplified(inputs.conversion, bytes, error) || !write("simplified.dms", bytes, true)) return false;
  if (!BuildShipDictionary(inputs.unihan, bytes, error) || !write("dict.dms", bytes, true)) return false;

  const std::pair<const char*, std::u16string> lists[] = {{"engl.dmg", EnglishWordList(inputs.english)},
                                                          {"sysl.dmg", PhraseList(inputs.wubi86)}};
  for (const auto& [name, list] : lists) {
    const std::filesystem::path path = dir / name;
    const std::filesystem::path partial = path.string() + ".partial";
    if (!BuildAssociationTableFromText(list, partial.u16string().c_str(), nullptr, nullptr)) {
      error = path.string() + ": cannot be written";
      return false;
    }
    std::filesystem::rename(partial, path, ec);
    if (ec) {
      error = path.string() + ": cannot be written";
      return false;
    }
    std::string built;
    ReadFileText(path, built);
    report.lines.push_back(table_line(name, std::vector<std::uint8_t>(built.begin(), built.begin() + std::min<std::size_t>(built.size(), 8))));
  }
  return true;
}

}  // namespace lz::tabletool
