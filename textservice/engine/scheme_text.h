#pragma once
// Scheme texts: sections opened by a "[-name-]" header line and filled with key=value lines. The readers
// here apply one pair of a known section to the live blocks of config.dsc; the same readers serve the
// whole-settings import and the typed "set(" command. Nothing in a text makes a reader write outside the
// block it was given.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "textservice/engine/byte_view.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/mapped_file.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/settings_text.h"

namespace lz {

// Section ids by header.
constexpr int kUnknownSection = 0;
constexpr int kGeneratorSection = 1;
constexpr int kKeyFunctionSection = 3;
constexpr int kImeSection = 4;
constexpr int kDmeSection = 5;
constexpr int kSkinSection = 6;
constexpr int kWordRuleSection = 7;
constexpr int kPunctuationSection = 8;
constexpr int kDisplayConversionSection = 9;
constexpr int kOtherFilesSection = 10;
constexpr int kSoftwareSection = 11;

// The id of a header line, compared whole and ignoring case; kUnknownSection for anything else.
int SchemeSectionId(std::u16string_view header);

// Applies one pair of section `id` to the blocks: key functions and word rules to the dme block, the
// IME options, punctuation and display conversion to the ime block; the DME and SKIN sections go through
// ops' read operation (nothing happens without ops). Ids without a reader do nothing. Returns 1 when a
// reader was called, else 0.
int DispatchSchemeSetting(const ConfigBlocks& blocks, const SettingsTextOps* ops, int id, std::u16string_view key,
                          std::u16string_view value);

// One pair of "[-IME设置-]"; keys and values ignore case, unknown keys change nothing.
int ReadImeSettingsText(ByteView ime, std::u16string_view key, std::u16string_view value);

// One pair of "[-非编码符号转义定义表-]": the smart and cursor-left lists, or one key's output texts.
int ReadPunctuationText(ByteView ime, std::u16string_view key, std::u16string_view value);

// One pair of "[-输入字符显示转换表-]": the switch "开启转换", or one key character's display text.
int ReadDisplayConversionText(ByteView ime, std::u16string_view key, std::u16string_view value);

// The character to show for key character c while display conversion is on: the first character of its
// entry (characters below 128 by themselves, U+FF01..U+FF7F by their low byte); c itself when conversion
// is off, the entry is empty or c has no entry.
char16_t DisplayConversionChar(ByteView ime, char16_t c);

// A word-building rule's terms: bits 8-14 the character position (1..30), bits 0-6 the code position
// (0 = the whole code), bit 15 set when the code position counts from the front; a zero term ends it.
using WordRuleSlot = std::array<std::uint16_t, dme_block::kWordRuleTerms>;

// Parses "Pn=term+term..." (n = 2..30; a term is L<i> or R<i>, then F<j> or B<j>) into slot, which is
// cleared first. Returns n, or 0 for a rejected rule. At most 127 terms are kept, so a zero term always
// ends the rule.
int ParseWordRule(WordRuleSlot& slot, std::u16string_view text);

// One pair of "[-构词规则定义-]": key "Pn", value the terms. A rule that parses is stored in the scratch
// slot and in slot n; a rejected rule changes nothing.
int ReadWordRuleText(ByteView dme, std::u16string_view key, std::u16string_view value);

// The text of the rule for words of n characters, the inverse of ParseWordRule: "Pn=" and its terms up to
// the first zero term, "L<character>F<code>" or "L<character>B<code>", joined by "+". At most
// kMaxRuleTextUnits units, cut after a whole term: half a term would make the reader refuse the rule.
constexpr std::size_t kMaxRuleTextUnits = 255;
std::u16string FormatWordRule(int n, const WordRuleSlot& slot);

// The rule stored for words of n characters (n = 0..30); false when the view lacks the slot.
bool ReadWordRuleSlot(ByteView dme, int n, WordRuleSlot& out);

// The three parts of set(section,key=value); each may be in double quotes.
struct SetCommand {
  std::u16string_view section;
  std::u16string_view key;
  std::u16string_view value;
};

// Splits a "set(" command; 1 when it is complete, else 0 (out then holds nothing useful). The parts are views
// into command. A zero unit ends the command.
int ParseSetCommand(std::u16string_view command, SetCommand& out);

// Applies a "set(" command to the blocks with this library's settings-text operations. Unknown sections
// and the keys "输入法框架" and "使用调试模式" are ignored. The caller holds the store's writer lock.
// Returns 1 when a setting was dispatched, else 0.
int ApplySetCommand(std::u16string_view command, const ConfigBlocks& blocks);

// Runs a "set(" command on the mapped config.dsc: holds its writer lock, finds the blocks in the current
// mapping and applies the command there, so the change persists and other processes see it at once.
// A read-only heap copy, a lock that cannot be had or a store without its four blocks changes nothing.
// Returns 1 when a setting was dispatched, else 0.
int RunSetCommand(std::u16string_view command, MappedFile* store);

// One meaningful line of a settings text: a section header, or a key=value pair.
struct SettingsTextLine {
  bool header = false;
  int section = kUnknownSection;  // for a header: its id
  std::u16string_view text;       // for a header: the whole line
  std::u16string_view key;
  std::u16string_view value;      // unquoted
};

// Walks a settings text line by line: "//" comments to the end of the line and "/*...*/" comments are
// passed over, as are empty lines and lines without "="; a line is at most 1023 characters (a longer one
// continues as the next line) and a double backslash ends its content. A pair is split at the first "="
// (the second when the line starts with "=", so that "=" can be a key); a value that starts and ends with
// a double quote is the text between the first quote and the next one.
class SettingsTextLines {
 public:
  explicit SettingsTextLines(std::u16string_view text) : text_(text) {}
  // The next header or pair; false at the end of the text.
  bool Next(SettingsTextLine& out);

 private:
  std::u16string_view text_;
  std::size_t position_ = 0;
};

constexpr std::size_t kMaxSettingsLineUnits = 1023;

// Applies every pair of a scheme text, in order, to the section its header selected (pairs before the
// first header and in unknown sections are passed over). Returns the number of pairs dispatched.
int ReadSchemeText(std::u16string_view text, const ConfigBlocks& blocks, const SettingsTextOps* ops);

}  // namespace lz
