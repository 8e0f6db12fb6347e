#pragma once
// Fields of the dme block of config.dsc (offsets from the block start; the block is a stored format):
// the per-scheme query options, the key-class table, the word-building rules and the key bindings.
#include <cstdint>

namespace lz::dme_block {

constexpr std::uint32_t kQueryFlags = 36;  // uint32
constexpr std::uint32_t kListLongerCodes = 0x1;    // set by a query for itself, never stored
constexpr std::uint32_t kEmptyCodeShowsAllFollowing = 0x2;
constexpr std::uint32_t kSingleCharactersOnly = 0x4;
constexpr std::uint32_t kFirstKeyQuery = 0x8;
constexpr std::uint32_t kWildcardMatching = 0x10;  // set by a query for itself, never stored
constexpr std::uint32_t kQueryKeyRepeats = 0x20;
constexpr std::uint32_t kAutoCommitFullCodeOnly = 0x100;
constexpr std::uint32_t kSmartCommitFullCodeOnly = 0x200;
constexpr std::uint32_t kSimplestModeLengths = 0x400;
constexpr std::uint32_t kEmptyCodeShowsOneFollowing = 0x800;

// uint8 code lengths
constexpr std::uint32_t kUniqueAutoCommitLength = 40;
constexpr std::uint32_t kEmptyCodeCommitLength = 41;
constexpr std::uint32_t kEmptyCodeClearLength = 42;
constexpr std::uint32_t kShowTableWordLength = 43;
constexpr std::uint32_t kShowFollowingLength = 44;

// uint8 key characters, 0 for none
constexpr std::uint32_t kWildcardKey = 45;
constexpr std::uint32_t kEnglishLeadKey = 46;
constexpr std::uint32_t kAuxiliaryLeadKey = 47;
constexpr std::uint32_t kSecondaryLeadKey = 48;
constexpr std::uint32_t kExtensionLeadKey = 49;

// 256 uint8 key classes, indexed by key character
constexpr std::uint32_t kKeyClasses = 50;
constexpr std::uint32_t kKeyClassCount = 256;
constexpr std::uint8_t kCommitLeadKey = 1;
constexpr std::uint8_t kCodeEndKey = 2;
constexpr std::uint8_t kEnglishAfterDigit = 4;
constexpr std::uint8_t kWildcardStandsFor = 0x10;
constexpr std::uint8_t kCommitsWhenNothingContinues = 0x20;

// Word-building rules: slot n (2..30) holds the rule for words of n characters, 128 uint16 terms each,
// a zero term ending the rule; slot 0 is the parser's scratch area, slot 1 is unused.
constexpr std::uint32_t kWordRules = 306;
constexpr std::uint32_t kWordRuleSlotSize = 256;
constexpr std::uint32_t kWordRuleSlots = 31;
constexpr std::uint32_t kWordRuleTerms = 128;
constexpr int kMinRuleLength = 2;
constexpr int kMaxRuleLength = 30;
constexpr std::uint16_t kTermFromFront = 0x8000;
constexpr int kTermCharacterShift = 8;
constexpr std::uint16_t kTermCharacterMask = 0x7F00;
constexpr std::uint16_t kTermCodeMask = 0x7F;

// Key bindings: 512 uint64 function masks, 0-255 plain virtual keys, 256-511 the same keys with Shift.
constexpr std::uint32_t kKeyMasks = 8504;
constexpr std::uint32_t kKeyMaskCount = 512;
constexpr std::uint32_t kShiftedKeyMasks = 256;
// Combination bindings: a uint8 count, then 64 entries of 16 bytes.
constexpr std::uint32_t kCombinationCount = 12600;
constexpr std::uint32_t kCombinations = 12608;
constexpr std::uint32_t kCombinationSize = 16;
constexpr std::uint32_t kMaxCombinations = 64;
constexpr std::uint32_t kCombinationKeyCode = 0;  // int32
constexpr std::uint32_t kCombinationSpare = 4;    // uint32, kept as found
constexpr std::uint32_t kCombinationMask = 8;     // uint64

// The parts of a rule term, for every reader of the rules.
constexpr int TermCharacter(std::uint16_t term) { return (term & kTermCharacterMask) >> kTermCharacterShift; }
constexpr int TermCodePosition(std::uint16_t term) { return term & kTermCodeMask; }  // 0: the whole code
constexpr bool TermFromFront(std::uint16_t term) { return (term & kTermFromFront) != 0; }

constexpr std::uint32_t RuleSlotOffset(std::uint32_t n) { return kWordRules + n * kWordRuleSlotSize; }
constexpr std::uint32_t KeyMaskOffset(std::uint32_t entry) { return kKeyMasks + entry * 8; }
constexpr std::uint32_t CombinationOffset(std::uint32_t index) { return kCombinations + index * kCombinationSize; }

}  // namespace lz::dme_block
