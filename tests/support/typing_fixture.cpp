#include "tests/support/typing_fixture.h"

#include "textservice/engine/code_table_format.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/key_names.h"

namespace lz::test {
namespace {

constexpr std::uint8_t kLetterKeyClasses = dme_block::kWildcardStandsFor | dme_block::kCommitsWhenNothingContinues;
constexpr std::uint32_t kPageSize = 5;

// Earlier words of a code weigh more: the order value falls down the list.
constexpr std::uint32_t Word(std::uint32_t order) { return RecordFlags(code_table::kClassSystem, order); }

void WritePunctuation(ConfigBlocks& blocks, char16_t key, std::uint16_t kind, const char16_t* text) {
  const std::uint32_t at = ime_block::PunctuationOffset(key);
  blocks.ime.WriteU16(at + ime_block::kPunctuationKind, kind);
  for (std::uint32_t i = 0; text[i]; ++i) blocks.ime.WriteU16(at + ime_block::kPunctuationText + 2 * i, text[i]);
}

}  // namespace

void WriteTypicalScheme(ConfigBlocks& blocks) {
  blocks.ime.WriteU32(ime_block::kImeFlags, ime_block::kSchemeMain);
  blocks.ime.WriteU32(ime_block::kCandidateOptions, kPageSize << ime_block::kPageSizeShift);
  // Starts in Chinese with Chinese punctuation, whatever the application had before.
  blocks.ime.WriteU32(ime_block::kBehaviourFlags, ime_block::kOwnInitialState);
  blocks.ime.WriteU32(ime_block::kInitialState, ime_block::kStateChinesePunctuation);
  blocks.dme.WriteU8(dme_block::kUniqueAutoCommitLength, 4);
  blocks.dme.WriteU8(dme_block::kEmptyCodeCommitLength, 4);
  blocks.dme.WriteU8(dme_block::kWildcardKey, 'z');
  for (char c = 'a'; c <= 'y'; ++c) {
    blocks.dme.WriteU8(dme_block::kKeyClasses + static_cast<std::uint32_t>(c), kLetterKeyClasses);
  }
}

void WriteTypicalKeyBindings(ConfigBlocks& blocks) {
  struct Binding {
    const char16_t* key;
    const char16_t* functions;
  };
  static constexpr Binding kBindings[] = {
      {u" ", u"首选上屏"},       {u"1", u"第1候选上屏"},   {u"2", u"第2候选上屏"},   {u"3", u"第3候选上屏"},
      {u"4", u"第4候选上屏"},    {u"5", u"第5候选上屏"},   {u"键Esc", u"清除输入"},   {u"键Backspace", u"编码前删"},
      {u"键Enter", u"英文上屏"}, {u"-", u"前翻页"},        {u"=", u"后翻页"},         {u"键左Shift", u"英文输入开关"},
      {u"键F2", u"重复输入"},
  };
  for (const Binding& b : kBindings) ReadKeyFunctionText(b.key, blocks.dme, b.functions);
  WritePunctuation(blocks, u'[', ime_block::kPunctuationSmart, u"【");
}

std::vector<TableRecord> TypingWords() {
  return {
      {"wq", "\xE4\xBD\xA0", Word(9)},                    // 你
      {"wq", "\xE4\xBC\x91", Word(8)},                    // 休
      {"wq", "\xE4\xBF\xA1", Word(7)},                    // 信
      {"wq", "\xE4\xBD\x95", Word(6)},                    // 何
      {"wq", "\xE4\xBD\x9C", Word(5)},                    // 作
      {"wq", "\xE4\xBD\x86", Word(4)},                    // 但: the first of the second page
      {"wqiy", "\xE4\xBD\xA0\xE4\xBB\xAC", Word(9)},      // 你们
      {"khlg", "\xE4\xB8\xAD\xE5\x9B\xBD", Word(9)},      // 中国
      {"ggtt", "\xE4\xB8\x80", Word(9)},                  // 一
  };
}

std::vector<TableRecord> TypingAssociations() {
  return {
      // Association records carry their text in the key position.
      {"", "\xE4\xB8\xAD\xE5\x9B\xBD\xE4\xBA\xBA", Word(9)},              // 中国人
      {"", "\xE4\xB8\xAD\xE5\x9B\xBD\xE4\xBA\xBA\xE6\xB0\x91", Word(5)},  // 中国人民
  };
}

DataFolderContents TypingFolder() {
  DataFolderContents contents;
  contents.main = TypingWords();
  contents.sysl = TypingAssociations();
  contents.edit_blocks = [](ConfigBlocks& blocks) {
    WriteTypicalScheme(blocks);
    WriteTypicalKeyBindings(blocks);
  };
  return contents;
}

}  // namespace lz::test
