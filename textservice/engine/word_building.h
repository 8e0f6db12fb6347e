#pragma once
// What the engine learns from a commit: a temporary word chosen again becomes a user word of main.dmg,
// the commit joins a short history, and runs of recent commits become new temporary words whose codes
// the scheme's word-building rules make from the codes of their characters.
#include <cstdint>

#include "textservice/engine/engine_instance.h"
#include "textservice/engine/text_encoding.h"

namespace lz {

constexpr int kMaxWordCharacters = 16;      // characters of a built word and of an entry's code parts
constexpr int kMaxHistoryTextBytes = 48;    // UTF-8 bytes of a text the history takes
constexpr int kMaxHistoryCharacters = 32;   // code points an entry holds
constexpr int kCodePartUnits = 7;           // code units kept per character
constexpr int kRecentTextUnits = 30;        // units of the joined text of recent commits

// After a commit by a command (0/13 highlighted, 1..10 a page place, 12 the last place): remembers the
// word, promotes a temporary word when the scheme saves them, records the history and builds words.
void AfterCommit(EngineInstance* instance, int command);

// Adds the candidate's text and the code parts of its characters to the history; 1 when recorded.
int RecordCommitHistory(EngineInstance* instance, int candidate_index);

// The texts of the last `count` history entries joined (text holds kRecentTextUnits + 1 units) and the
// code parts of their first 16 characters. Returns the characters; a text that does not fit reads as
// one character too many for any word.
int RecentCommitText(const EngineInstance* instance, char16_t (&codes)[kMaxWordCharacters][8], int count,
                     char16_t (&text)[kRecentTextUnits + 1]);

// Appends code part `place` of a character's code (0 the whole code; else the place counted from the front
// or from the back) to code[n], never past `capacity` units; false when the code has no such part.
bool AppendCodePart(const char16_t* part, int part_units, int place, bool from_front, char16_t* code, int& n,
                    int capacity);

// The code of a character (a code point) as the single-character index danzi.dmi gives it: the text of its
// first record; 0 and an empty code when the index has none.
int CharacterIndexCode(const MappedFile* danzi, std::int32_t character, char16_t (&code)[kCodeBufferUnits]);

// Joins runs of the last commits into words of temp.dmg, coded by the word-building rules.
void BuildWordsFromHistory(EngineInstance* instance);

}  // namespace lz
