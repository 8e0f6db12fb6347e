#pragma once
// config's command line: the options the text service, the code-table browser and the installer's
// shortcuts start it with, the command word that picks the one dialog of a run, and the version texts
// compared at start-up.
#include <cstdint>
#include <string>
#include <string_view>

namespace lz::config {

constexpr std::size_t kClassIdChars = 40;
constexpr std::size_t kDoWordChars = 256;
constexpr std::size_t kArgumentChars = 256;
constexpr std::size_t kSizeTextChars = 40;
constexpr std::size_t kCurrentVersionChars = 40;
// The word handed to a running dictionary: 127 characters and a terminator in its 256 bytes.
constexpr std::size_t kDictionaryWordChars = 127;

// One option value, starting right after the option text: empty at the end of the text; after an
// apostrophe or a double quote, up to the next of either (the end of the line or the capacity); else up
// to the first blank, the end of the line or the capacity.
std::u16string ReadOptionToken(std::u16string_view source, std::size_t capacity);

struct ConfigCommandLine {
  std::u16string class_id;         // "/n "
  std::u16string do_word;          // "/do ", or "showurl" / "dict" set by those options
  std::u16string argument;         // the URL of "/showurl " or the word of "/dict "
  std::int32_t view_width = 0;     // "/showurlCX ", -1 unless given
  std::int32_t view_height = 0;    // "/showurlCY "
  std::int32_t view_x = 0;         // the viewer's second pair, -1 and -1 with "/showurl "
  std::int32_t view_y = 0;
  std::u16string current_version;  // "/currver"
};

// Options are found in any order, the first occurrence counting. An option counts only where a token
// begins (at the start or after a blank) outside quotes, so a quoted word that holds an option's text
// stays a word. "/showurl " wins over "/dict " and "/currver", which are then not read.
ConfigCommandLine ParseConfigCommandLine(std::u16string_view command_line);

// What a run does for its command word.
enum class ConfigAction {
  kAdvancedSettings,   // dialog 157
  kShowUrl,            // dialog 148
  kDictionary,         // dialog 166
  kUpdate,             // dialog 168
  kOutputLookup,       // the table browser, dialog 144, on the last commit
  kClipboardLookup,    // the table browser on the clipboard text
  kKeyFunctions,       // dialog 137
  kAddWord,            // dialog 153, start values 0 and 2
  kAddWordFromText,    // dialog 153, start values 1 and 2
  kHelp,               // main.chm of the installation folder
  kMainSettings,       // dialog 102
};

struct ConfigRoute {
  ConfigAction action = ConfigAction::kMainSettings;
  // The title of a window of this kind already open ("%s" the display name), or empty when a run never
  // looks for one.
  std::u16string_view window_title;
  int start_page = 0;  // kMainSettings: 1 界面, 2 码表, 3 高级, 4 关于, else 0
};

// Dialog words compare whole and case-sensitively, the start-page words ASCII-case-insensitively;
// anything else, the empty word too, opens the main settings window.
ConfigRoute RouteConfigWord(std::u16string_view do_word);

// "a.b.c.d" to a 64-bit version whose 16-bit fields, from the most significant, are the four parts
// (each the decimal value at its start, no digits giving 0, kept in 16 bits); missing parts are 0.
std::uint64_t ParseVersionText(std::u16string_view text);
std::u16string FormatVersionText(std::uint64_t version);

}  // namespace lz::config
