#include "tracker/main/settings_file.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace tracker {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); }
std::string Text(const std::vector<std::uint8_t>& b) { return std::string(b.begin(), b.end()); }

std::vector<std::uint8_t> Utf16Le(const std::u16string& s, bool mark) {
  std::vector<std::uint8_t> out;
  if (mark) out = {0xFF, 0xFE};
  for (char16_t c : s) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return out;
}

// What GetPrivateProfileStringA answers for (section, key) with the key's own name as the default.
std::u16string Read(const std::vector<std::uint8_t>& file, const char16_t* section, const char16_t* key) {
  return SettingsFile::FromBytes(file).Read(section, key, key);
}

struct ReadCase {
  const char* what;
  std::string file;
  const char16_t* section;
  const char16_t* key;
  std::u16string expected;
};

const std::vector<ReadCase>& ReadCases() {
  static const std::vector<ReadCase> cases = {
      {"plain value", "[MyApp]\r\nSM=1\r\n", u"MyApp", u"SM", u"1"},
      {"section name ignores case", "[MyApp]\r\nSM=1\r\n", u"Myapp", u"SM", u"1"},
      {"key name ignores case", "[MyApp]\r\nautostart=1\r\n", u"MyApp", u"AutoStart", u"1"},
      {"LF line ends", "[MyApp]\nSM=1\nAutoStart=0\n", u"MyApp", u"AutoStart", u"0"},
      {"blanks around key and value", "[MyApp]\r\n  SM \t=  1 2  \r\n", u"MyApp", u"SM", u"1 2"},
      {"leading blank of a value dropped", "[MyApp]\r\nForm1Top= 1440\r\n", u"MyApp", u"Form1Top", u"1440"},
      {"double quotes dropped", "[MyApp]\r\nTipTop=\" 4000 \"\r\n", u"MyApp", u"TipTop", u" 4000 "},
      {"single quotes dropped", "[MyApp]\r\nTipTop='x'\r\n", u"MyApp", u"TipTop", u"x"},
      {"one pair only", "[MyApp]\r\nTipTop=\"\"x\"\"\r\n", u"MyApp", u"TipTop", u"\"x\""},
      {"unpaired quote kept", "[MyApp]\r\nTipTop=\"x\r\n", u"MyApp", u"TipTop", u"\"x"},
      {"mixed quotes kept", "[MyApp]\r\nTipTop=\"x'\r\n", u"MyApp", u"TipTop", u"\"x'"},
      {"empty value", "[MyApp]\r\ntra9=\r\n", u"MyApp", u"tra9", u""},
      {"first of two equal keys", "[MyApp]\r\nSM=1\r\nSM=0\r\n", u"MyApp", u"SM", u"1"},
      {"first section of a name", "[MyApp]\r\nSM=1\r\n[Other]\r\nx=1\r\n[myapp]\r\nSM=0\r\nAutoSound=1\r\n",
       u"MyApp", u"AutoSound", u"AutoSound"},
      {"key in another section", "[Other]\r\nSM=1\r\n", u"MyApp", u"SM", u"SM"},
      {"key before any section", "SM=1\r\n[MyApp]\r\n", u"MyApp", u"SM", u"SM"},
      {"line without equals has no value", "[MyApp]\r\nSM\r\n", u"MyApp", u"SM", u"SM"},
      {"missing key", "[MyApp]\r\nSM=1\r\n", u"MyApp", u"AtTaskbar", u"AtTaskbar"},
      {"no file", "", u"MyApp", u"SM", u"SM"},
      {"blanks in the section header", "[ MyApp ]\r\nSM=1\r\n", u"MyApp", u"SM", u"1"},
      {"header with text after it", "[MyApp] ; main\r\nSM=1\r\n", u"MyApp", u"SM", u"1"},
      {"equals in the value", "[MyApp]\r\nCustomTip1=a=b\r\n", u"MyApp", u"CustomTip1", u"a=b"},
      {"last line without line end", "[MyApp]\r\nSM=1", u"MyApp", u"SM", u"1"},
      {"UTF-8 mark", "\xEF\xBB\xBF[MyApp]\r\nCustomContent1=\xE5\xAD\xA6\xE4\xB9\xA0\r\n", u"MyApp",
       u"CustomContent1", u"\u5b66\u4e60"},
      {"long value", "[MyApp]\r\nCustomTip1=" + std::string(300, 'v') + "\r\n", u"MyApp", u"CustomTip1",
       std::u16string(255, u'v')},
  };
  return cases;
}

TEST(SettingsFileRead, FollowsTheProfileFunctionsRules) {
  for (const auto& c : ReadCases()) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Read(Bytes(c.file), c.section, c.key), c.expected);
  }
}

#ifdef _WIN32
// The system's own reader answers the same for every case that stays within the ANSI code page.
TEST(SettingsFileRead, AgreesWithGetPrivateProfileStringA) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("lz-profile-" + std::to_string(GetCurrentProcessId()) + ".ini");
  for (const auto& c : ReadCases()) {
    const std::u16string expected = c.expected;
    bool ascii = true;
    for (const char16_t ch : expected) ascii = ascii && ch < 0x80;
    if (!ascii) continue;
    SCOPED_TRACE(c.what);
    std::filesystem::remove(path);
    if (!c.file.empty()) {
      std::ofstream out(path, std::ios::binary);
      out << c.file;
    }
    const std::string section(c.section, c.section + std::char_traits<char16_t>::length(c.section));
    const std::string key(c.key, c.key + std::char_traits<char16_t>::length(c.key));
    char buffer[256] = {};
    GetPrivateProfileStringA(section.c_str(), key.c_str(), key.c_str(), buffer, 256, path.string().c_str());
    const std::string system = buffer;
    EXPECT_EQ(std::u16string(system.begin(), system.end()), Read(Bytes(c.file), c.section, c.key));
  }
  std::filesystem::remove(path);
}
#endif

TEST(SettingsFileRead, Utf16MarkSelectsUtf16) {
  const auto file = Utf16Le(u"[MyApp]\r\nCustomTip1=\u559d\u6c34\r\nSM=1\r\n", true);
  EXPECT_EQ(Read(file, u"Myapp", u"CustomTip1"), u"\u559d\u6c34");
  EXPECT_EQ(Read(file, u"Myapp", u"SM"), u"1");
}

// A UTF-8 file with a broken sequence still reads: each broken piece becomes U+FFFD.
TEST(SettingsFileRead, Utf8MarkSelectsUtf8AndBrokenSequencesBecomeReplacements) {
  struct Case {
    const char* what;
    std::string value;
    std::u16string expected;
  };
  const Case cases[] = {
      {"two, three and four bytes", "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80", u"\u00e9\u4e2d\U0001F600"},
      {"a stray continuation byte", "a\x80z", u"a\ufffdz"},
      {"a lead byte without its continuation", "a\xE4z", u"a\ufffdz"},
      {"an overlong form", "a\xC0\x80z", u"a\ufffdz"},
      {"an encoded surrogate", "a\xED\xA0\x80z", u"a\ufffdz"},
      {"beyond U+10FFFF", "a\xF4\x90\x80\x80z", u"a\ufffdz"},
      {"a byte that leads nothing", "a\xF8z", u"a\ufffdz"},
      {"cut off at the end", "a\xF0\x9F\x98", u"a\ufffd\ufffd\ufffd"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Read(Bytes("\xEF\xBB\xBF[MyApp]\r\nTip=" + c.value + "\r\n"), u"MyApp", u"Tip"), c.expected);
  }
}

TEST(SettingsFileRead, AValueComesBackCutTo255Bytes) {
  const auto exact = Bytes("[MyApp]\r\nCustomTip1=\"" + std::string(255, 'w') + "\"\r\n");
  EXPECT_EQ(Read(exact, u"MyApp", u"CustomTip1"), std::u16string(255, u'w'));
}

TEST(SettingsFileRead, AValueIsCutAt255UnitsAndNeverInsideAPair) {
  const std::u16string emoji = u"\U0001F600";
  std::u16string many_emoji;
  for (int i = 0; i < 300; ++i) many_emoji += emoji;
  std::u16string cut_emoji;
  for (int i = 0; i < 127; ++i) cut_emoji += emoji;
  const std::u16string high(1, u'\xD800');
  const std::u16string low(1, u'\xDC00');
  struct Case {
    const char* what;
    std::u16string value;
    std::u16string expected;
  };
  const Case cases[] = {
      {"300 pairs keep 127 whole pairs", many_emoji, cut_emoji},
      {"a pair that would end past the cut is left out", std::u16string(254, u'x') + emoji,
       std::u16string(254, u'x')},
      {"a lone high surrogate counts as one unit", high + std::u16string(300, u'x'),
       high + std::u16string(254, u'x')},
      {"a lone low surrogate counts as one unit", std::u16string(254, u'x') + low + u"x",
       std::u16string(254, u'x') + low},
      {"a high surrogate before a plain unit is not a pair", std::u16string(253, u'x') + high + u"yz",
       std::u16string(253, u'x') + high + u"y"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto file = Utf16Le(u"[MyApp]\r\nTip=" + c.value + u"\r\n", true);
    const std::u16string read = Read(file, u"MyApp", u"Tip");
    EXPECT_LE(read.size(), kValueByteLimit);
    EXPECT_EQ(read, c.expected);
  }
}

struct WriteCase {
  const char* what;
  std::string before;
  std::vector<std::pair<std::u16string, std::u16string>> writes;
  std::string after;
};

TEST(SettingsFileWrite, KeepsForeignLinesAndPlacesKeys) {
  const WriteCase cases[] = {
      {"new file", "", {{u"SM", u"0"}, {u"AutoStart", u"1"}}, "[MyApp]\r\nSM=0\r\nAutoStart=1\r\n"},
      {"in place, other lines byte for byte", "; mine\n[MyApp]\n  SM = 1 \nAutoStart=1\n",
       {{u"SM", u"0"}}, "; mine\n[MyApp]\nSM=0\r\nAutoStart=1\n"},
      {"key name matched without case", "[myapp]\r\nsm=1\r\n", {{u"SM", u"0"}}, "[myapp]\r\nSM=0\r\n"},
      {"new key after the section's last key", "[MyApp]\r\nSM=1\r\n\r\n[Other]\r\nx=1\r\n",
       {{u"AutoStart", u"0"}}, "[MyApp]\r\nSM=1\r\nAutoStart=0\r\n\r\n[Other]\r\nx=1\r\n"},
      {"new section at the end", "[Other]\r\nx=1\r\n", {{u"SM", u"1"}}, "[Other]\r\nx=1\r\n[MyApp]\r\nSM=1\r\n"},
      {"new section after a last line without line end", "[Other]\r\nx=1", {{u"SM", u"1"}},
       "[Other]\r\nx=1\r\n[MyApp]\r\nSM=1\r\n"},
      {"values as given, sign blank included", "", {{u"Form1Top", u" 1500"}}, "[MyApp]\r\nForm1Top= 1500\r\n"},
      {"a line break becomes a blank", "[MyApp]\r\n", {{u"CustomTip1", u"a\r\nb=c\nd\re"}},
       "[MyApp]\r\nCustomTip1=a b=c d e\r\n"},
      {"a value ends at NUL", "", {{u"CustomTip1", std::u16string(u"ab\0cd", 5)}}, "[MyApp]\r\nCustomTip1=ab\r\n"},
      {"the first of two equal keys is rewritten", "[MyApp]\r\nSM=1\r\nSM=2\r\n", {{u"SM", u"0"}},
       "[MyApp]\r\nSM=0\r\nSM=2\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SettingsFile file = SettingsFile::FromBytes(Bytes(c.before));
    for (const auto& [key, value] : c.writes) file.Write(u"MyApp", key, value);
    EXPECT_EQ(Text(file.Bytes()), c.after);
  }
}

TEST(SettingsFileWrite, AValueOutsideTheAnsiCodePageMakesTheFileUtf16) {
  SettingsFile file = SettingsFile::FromBytes(Bytes("; mine\r\n[MyApp]\r\nSM=1\r\n"));
  file.Write(u"MyApp", u"CustomContent1", u"\u5b66\u4e60");
  EXPECT_EQ(file.encoding(), SettingsFile::Encoding::kUtf16);
  EXPECT_EQ(file.Bytes(), Utf16Le(u"; mine\r\n[MyApp]\r\nSM=1\r\nCustomContent1=\u5b66\u4e60\r\n", true));
  // And it reads back as written.
  EXPECT_EQ(SettingsFile::FromBytes(file.Bytes()).Read(u"Myapp", u"CustomContent1", u""), u"\u5b66\u4e60");
}

TEST(SettingsFileWrite, UnicodeFilesStayInTheirEncoding) {
  SettingsFile utf8 = SettingsFile::FromBytes(Bytes("\xEF\xBB\xBF[MyApp]\nSM=1\n"));
  utf8.Write(u"MyApp", u"SM", u"\u4e2d");
  EXPECT_EQ(Text(utf8.Bytes()), "\xEF\xBB\xBF[MyApp]\nSM=\xE4\xB8\xAD\r\n");
  SettingsFile utf16 = SettingsFile::FromBytes(Utf16Le(u"[MyApp]\nSM=1\n", true));
  utf16.Write(u"MyApp", u"SM", u"0");
  EXPECT_EQ(utf16.Bytes(), Utf16Le(u"[MyApp]\nSM=0\r\n", true));
}

}  // namespace
}  // namespace tracker
