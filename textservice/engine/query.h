#pragma once
// Turns the typed keys into candidates and decides, by the scheme's code-length rules, whether the input
// commits by itself, pushes the previous candidate out, clears, or shows its list. Also classifies a key
// before it is typed.
#include <cstdint>

#include "textservice/engine/engine_instance.h"

namespace lz {

namespace query_result {
constexpr int kNothing = 0;
constexpr int kShow = 2;
constexpr int kClear = 3;
constexpr int kCommitFirst = 4;
constexpr int kPushAndPassKey = 5;
constexpr int kPushAndKeepKey = 6;
}  // namespace query_result

namespace key_action {
constexpr int kNotCode = 0;
constexpr int kCode = 1;
constexpr int kCommitThenHandle = 4;
constexpr int kOutputText = 5;
constexpr int kCommit = 7;
}  // namespace key_action

// Key classes (dme +50, one byte per key code).
namespace key_class {
constexpr std::uint8_t kCommitLead = 0x1;
constexpr std::uint8_t kCodeEnd = 0x2;
constexpr std::uint8_t kEnglishAfterDigit = 0x4;
constexpr std::uint8_t kWildcardStandsFor = 0x10;
constexpr std::uint8_t kCommitsWhenNothingContinues = 0x20;
}  // namespace key_class

// Query flags (dme +36).
namespace query_flag {
constexpr std::uint32_t kListLongerCodes = 0x1;
constexpr std::uint32_t kEmptyCodeShowsFollowing = 0x2;
constexpr std::uint32_t kSingleCharacters = 0x4;
constexpr std::uint32_t kSingleKeyWildcard = 0x8;
constexpr std::uint32_t kWildcardMatching = 0x10;
constexpr std::uint32_t kWildcardRepeatsLastCommit = 0x20;
constexpr std::uint32_t kAutoCommitFullCodeOnly = 0x100;
constexpr std::uint32_t kPushFullCodeOnly = 0x200;
constexpr std::uint32_t kSimplestMode = 0x400;
constexpr std::uint32_t kEmptyCodeShowsOne = 0x800;
}  // namespace query_flag

constexpr std::uint8_t kWildcardByte = 0x02;
constexpr int kMaxKeyBytes = 255;
constexpr int kMaxOrdinaryMatches = 1000;
constexpr int kMaxPinnedMatches = 2500;

// A typed key as a code byte: ASCII as it is, the full-width keys U+FF0A..U+FF19 by their low byte, 0 for
// anything else (which ends a key).
std::uint8_t ToCodeKey(char16_t key);

// Runs the query over the instance's input. Returns a query_result.
int QueryCandidates(EngineInstance* instance);

// What typing `key` at the cursor would do. Returns a key_action.
int ClassifyKey(char16_t key, EngineInstance* instance);

// Sets one key-class bit for the keys of a text (clearing it for all other keys) / lists the keys that
// have it (zero-terminated, at most capacity - 1 units).
void SetKeyClassFromText(const char16_t* text, ByteView dme, std::uint8_t bit);
int KeyClassToText(ByteView dme, std::uint8_t bit, char16_t* out, int capacity);

}  // namespace lz
