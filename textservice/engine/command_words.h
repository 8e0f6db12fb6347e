#pragma once
// Command words in candidate texts: a word of the table may run a program, open help, change a setting,
// type key combinations or start a new word instead of being typed. Choosing such a word fills the
// commit record with the command's action and the engine's command text with its argument; the text
// service carries the command out. Command words are recognised only when the scheme enables them
// (ime +48 bit 0x20).
#include <cstdint>

#include "textservice/engine/engine_instance.h"

namespace lz {

// Commit actions of command words.
namespace command_action {
constexpr std::uint32_t kRun = 0x12000;
constexpr std::uint32_t kReadFile = 0x802000;
constexpr std::uint32_t kHelp = 0x42000;
constexpr std::uint32_t kSet = 0x202000;
constexpr std::uint32_t kConvert = 0x102000;
constexpr std::uint32_t kSoftKeyboard = 0x402000;
constexpr std::uint32_t kConfig = 0x22000;
constexpr std::uint32_t kKeyboard = 0x82000;
constexpr std::uint32_t kTextThenKeyboard = 0x83000;
constexpr std::uint32_t kNewKey = 0x4000;
}  // namespace command_action

// Fills the commit record (and, for a command, the command text) for the candidate shown in a page
// slot (0-based). Returns 1, or 0 for a slot beyond the page.
int DetectCandidateCommand(EngineInstance* instance, int slot);

// The argument of "name(argument)": from the first "(" to the last ")", at most 511 characters, with a
// leading "%apppath%" replaced by the install folder. out holds kCommandTextUnits. Returns the characters
// from the text's start to its last ")" included, 0 (and an empty out) without "(" or ")".
int ExpandAppPath(char16_t* out, const char16_t* text, const EngineInstance* instance);

// Capacity of each part of a "$lzcmd(" text: a length, then up to 254 characters and a terminator.
constexpr int kCommandPartUnits = 256;
// A "$lzcmd(committed,shown)" text: 1 and both parts unescaped and macro-expanded, else 0. Each out is
// kCommandPartUnits: out[0] the length, then the characters and a terminator.
int ParseCandidateCommandText(const char16_t* text, char16_t* shown, char16_t* committed,
                              const EngineInstance* instance);

// The escapes of command texts: \1 "," \2 "(" \3 ")" \4 "<" \5 ">" \\ "\" \r CR LF \s space \t tab;
// a backslash before anything else stays. Cut to capacity - 1 characters. Returns the output length.
int UnescapeCommandText(char16_t* out, const char16_t* text, int capacity);

// Types the key combination of a "<vk[.count][+Shift][+Alt][+Ctrl][+Win]>" group at text. Returns the
// characters of the group, 0 when text holds none.
int SendKeyCombo(const char16_t* text);
// Types every group of a "keyboard(" argument, up to its first ")" or ",".
void RunKeyboardCommand(const char16_t* text);
// "mode,value": switches punctuation, width, traditional or simplified output.
void RunConvertCommand(EngineInstance* instance, const char16_t* argument);

}  // namespace lz
