#pragma once
// Turns the typed keys into candidates and decides, by the scheme's code-length rules, whether the input
// commits by itself, pushes the previous candidate out, clears, or shows its list. Also classifies a key
// before it is typed.
#include <cstdint>

#include "textservice/engine/dme_block.h"
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

// The query's names for the key classes and query flags of the dme block.
namespace key_class {
constexpr std::uint8_t kCommitLead = dme_block::kCommitLeadKey;
constexpr std::uint8_t kCodeEnd = dme_block::kCodeEndKey;
constexpr std::uint8_t kEnglishAfterDigit = dme_block::kEnglishAfterDigit;
constexpr std::uint8_t kWildcardStandsFor = dme_block::kWildcardStandsFor;
constexpr std::uint8_t kCommitsWhenNothingContinues = dme_block::kCommitsWhenNothingContinues;
}  // namespace key_class

namespace query_flag {
constexpr std::uint32_t kListLongerCodes = dme_block::kListLongerCodes;
constexpr std::uint32_t kEmptyCodeShowsFollowing = dme_block::kEmptyCodeShowsAllFollowing;
constexpr std::uint32_t kSingleCharacters = dme_block::kSingleCharactersOnly;
constexpr std::uint32_t kSingleKeyWildcard = dme_block::kFirstKeyQuery;
constexpr std::uint32_t kWildcardMatching = dme_block::kWildcardMatching;
constexpr std::uint32_t kWildcardRepeatsLastCommit = dme_block::kQueryKeyRepeats;
constexpr std::uint32_t kAutoCommitFullCodeOnly = dme_block::kAutoCommitFullCodeOnly;
constexpr std::uint32_t kPushFullCodeOnly = dme_block::kSmartCommitFullCodeOnly;
constexpr std::uint32_t kSimplestMode = dme_block::kSimplestModeLengths;
constexpr std::uint32_t kEmptyCodeShowsOne = dme_block::kEmptyCodeShowsOneFollowing;
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
