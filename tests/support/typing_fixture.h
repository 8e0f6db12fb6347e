#pragma once
// What a typing test folder holds besides its words: a typical shape-code scheme (letters a-y are code
// keys, five candidates a page, z the wildcard) and a typical set of key bindings, written through the
// key-function reader as a settings text would write them.
#include <vector>

#include "tests/support/data_folder.h"
#include "textservice/engine/settings_store.h"

namespace lz::test {

// The key that repeats the last output in the typical bindings (F2).
constexpr unsigned kRepeatKey = 0x71;

// Letters a-y as code keys, z the wildcard, 5 candidates a page, unique candidates commit at 4 keys; the
// input method starts in Chinese with Chinese punctuation.
void WriteTypicalScheme(ConfigBlocks& blocks);
// Space 首选上屏, digits 第N候选上屏, Esc 清除输入, Backspace 编码前删, Enter 英文上屏, - and =
// 前翻页/后翻页, left Shift 英文输入开关, F2 重复输入, and "[" a smart (kind 4) punctuation entry "【".
void WriteTypicalKeyBindings(ConfigBlocks& blocks);

// A small word list for typing: 你 and five more under "wq" (a page and one), and a few longer words.
std::vector<TableRecord> TypingWords();
// The association table: continuations of 中国.
std::vector<TableRecord> TypingAssociations();

// The folder with both.
DataFolderContents TypingFolder();

}  // namespace lz::test
