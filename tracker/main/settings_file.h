#pragma once
// The tracker's INI settings file, read and written by our own code with the rules the system's
// profile functions follow (section and key names match without regard to case, the first section and
// the first key of a name count, blanks and one pair of quotes around a value are dropped, a value comes
// back cut to 255 bytes). Writing keeps every line it does not change byte for byte.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tracker {

// The system's ANSI code page, injected so that tests decide what it holds.
struct AnsiCodec {
  std::u16string (*decode)(const std::uint8_t* bytes, std::size_t count) = nullptr;
  // False when some character has no form in the code page.
  bool (*encode)(std::u16string_view text, std::string& out) = nullptr;
};

// The system's own code page (os::AnsiToWide, os::WideToAnsi).
AnsiCodec SystemAnsiCodec();

// The most a value read back holds, in bytes of the ANSI code page.
constexpr std::size_t kValueByteLimit = 255;

class SettingsFile {
 public:
  enum class Encoding { kAnsi, kUtf8, kUtf16 };

  explicit SettingsFile(AnsiCodec codec = SystemAnsiCodec());
  // A mark (EF BB BF or FF FE) selects UTF-8 or UTF-16 LE; anything else is ANSI. Lines end in LF or CRLF.
  static SettingsFile FromBytes(const std::vector<std::uint8_t>& bytes, AnsiCodec codec = SystemAnsiCodec());

  // The value of key in section, or nothing when either is missing or the line has no "=".
  std::optional<std::u16string> Find(std::u16string_view section, std::u16string_view key) const;
  // The value, or fallback when it is missing (the profile functions' default).
  std::u16string Read(std::u16string_view section, std::u16string_view key, std::u16string_view fallback) const;

  // Puts "key=value" in place of the key's line, after the section's last key, or in a new section at
  // the end. A line break in the value becomes a blank and the value ends at a NUL character, so one
  // value never turns into two keys.
  void Write(std::u16string_view section, std::u16string_view key, std::u16string_view value);

  // The file as it is to be stored. A file that holds a character outside the ANSI code page is stored
  // as UTF-16 LE with its mark, the form the profile functions read as Unicode.
  std::vector<std::uint8_t> Bytes() const;
  Encoding encoding() const;

 private:
  struct Line {
    std::vector<std::uint8_t> raw;  // the bytes as read, line ending included; empty for a written line
    std::u16string text;            // without the line ending
    bool written = false;
  };

  struct Entry {
    bool is_section = false;
    bool is_key = false;
    std::u16string_view name;
    std::u16string_view value;
  };
  static Entry Classify(const std::u16string& text);
  // Index range [begin, end) of the first section named section (begin is the header), or nothing.
  std::optional<std::pair<std::size_t, std::size_t>> SectionLines(std::u16string_view section) const;
  std::u16string CutToLimit(std::u16string_view value) const;

  AnsiCodec codec_;
  Encoding encoding_ = Encoding::kAnsi;
  std::vector<Line> lines_;
};

}  // namespace tracker
