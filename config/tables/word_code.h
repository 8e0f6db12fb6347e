#pragma once
// Codes of words made from the codes of their characters: the scheme's word-building rules read the
// character codes of the single-character index. The user-word dialog proposes them, and table-text
// import gives them to lines that carry no code.
#include <cstdint>

#include "textservice/engine/byte_view.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/mapped_file.h"

namespace lz {

// Words longer than this get no built code.
constexpr int kMaxBuiltWordCharacters = 30;
// UTF-16 units CountWordCharacters looks at.
constexpr int kWordCountUnits = 128;

// Characters of a word (a surrogate pair counts once) over at most kWordCountUnits units; -1 for a high
// surrogate not followed by a low one.
int CountWordCharacters(const char16_t* text);

// Builds a word's code into out (capacity units with its terminator) by one rule of kWordRuleTerms terms,
// a zero term ending it. A term names a character (bits 8-14; a place past the word's end takes its last
// character) and a place in that character's code (bits 0-6; 0 the whole code), counted from the front
// when bit 15 is set, else from the back. A character the index does not know adds nothing. 1 when a
// code was built, 0 when out stays empty.
int BuildWordCode(const MappedFile* characters, const std::uint16_t* rule, const char16_t* word, char16_t* out,
                  int capacity);

// The rule for words of n characters from a dme block; false (rule all zero) outside 0..30 or the block.
bool ReadWordRule(ByteView dme, int n, std::uint16_t (&rule)[dme_block::kWordRuleTerms]);

}  // namespace lz
