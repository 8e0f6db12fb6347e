#pragma once
// Fields of the ime block of config.dsc (offsets from the block start; the block is a stored format).
// The scheme texts fill them; the engine, the key handling and the windows read them.
#include <cstdint>

namespace lz::ime_block {

constexpr std::uint32_t kImeFlags = 36;          // uint32
constexpr std::uint32_t kCandidateOptions = 44;  // uint32: bits 0-1 frequency adjustment, 28-31 page size
constexpr std::uint32_t kBehaviourFlags = 48;    // uint32: bits 0-2 space key behaviour and single bits
constexpr std::uint32_t kInitialState = 56;      // uint32: initial conversion state

// ime flags (+36)
constexpr std::uint32_t kTypedTextOnModeSwitch = 0x1;
constexpr std::uint32_t kAssociation = 0x2;
constexpr std::uint32_t kCommitOnNonCodeKey = 0x4;
constexpr std::uint32_t kNoCombinationKeys = 0x8;
constexpr std::uint32_t kTraditionalOutput = 0x10;
constexpr std::uint32_t kSimplifiedOutput = 0x20;
constexpr std::uint32_t kHideStatusWindow = 0x100;
constexpr std::uint32_t kHideCandidateWindow = 0x400;
constexpr std::uint32_t kCapitalStartsEnglish = 0x800;
constexpr std::uint32_t kInlineCode = 0x1000;
constexpr std::uint32_t kInlineFirstCandidate = 0x2000;
constexpr std::uint32_t kInlineMask = kInlineCode | kInlineFirstCandidate;
constexpr std::uint32_t kWindowFixed = 0x40;
constexpr std::uint32_t kWindowFollowsStatus = 0x80;
constexpr std::uint32_t kWindowPlacementMask = kWindowFixed | kWindowFollowsStatus;
constexpr std::uint32_t kSchemeMain = 0x8000;
constexpr std::uint32_t kSchemeAuxiliary = 0x10000;
constexpr std::uint32_t kAlwaysSearchSecondary = 0x20000;
constexpr std::uint32_t kSearchSecondaryWhenEmpty = 0x40000;
constexpr std::uint32_t kTempWords = 0x100000;
constexpr std::uint32_t kTempWordsSavedOnCommit = 0x200000;
constexpr std::uint32_t kTempWordsClearedAtBoot = 0x400000;
constexpr std::uint32_t kTempWordsSmart = 0x800000;
constexpr std::uint32_t kNoHoverDictionary = 0x1000000;

// candidate options (+44)
constexpr std::uint32_t kFrequencyMask = 0x3;
constexpr std::uint32_t kFrequencyToTop = 1;
constexpr std::uint32_t kFrequencyGradual = 2;
constexpr int kPageSizeShift = 28;
constexpr std::uint32_t kPageSizeMask = 0xF0000000u;

// behaviour flags (+48)
constexpr std::uint32_t kSpaceMask = 0x7;
constexpr std::uint32_t kSpaceCommitsEnglish = 1;
constexpr std::uint32_t kSpaceDefault = 2;
constexpr std::uint32_t kSpaceClears = 4;
constexpr std::uint32_t kHideSameTextCandidates = 0x8;
constexpr std::uint32_t kLowOrderFirst = 0x10;  // equal candidates ordered by ascending order value
constexpr std::uint32_t kCandidateCommands = 0x20;
constexpr std::uint32_t kWindowOnlyForChoices = 0x40;
constexpr std::uint32_t kHideInlineFirst = 0x80;
constexpr std::uint32_t kOwnInitialState = 0x100;
constexpr std::uint32_t kAssociationMarked = 0x400;  // association looks the committed text up with "#"
constexpr std::uint32_t kDisplayConversionOn = 0x10000;
constexpr std::uint32_t kCapsLockEnglishPunctuation = 0x20000;

// initial conversion state (+56)
constexpr std::uint32_t kStateAlways = 0x1;
constexpr std::uint32_t kStateFullWidth = 0x8;
constexpr std::uint32_t kStateClosed = 0x100;
constexpr std::uint32_t kStateChinesePunctuation = 0x400;
constexpr std::uint32_t kStateFollowsSystem = 0x401;

// 128 punctuation entries of 64 bytes, indexed by key character.
constexpr std::uint32_t kPunctuation = 60;
constexpr std::uint32_t kPunctuationEntrySize = 64;
constexpr std::uint32_t kPunctuationCount = 128;
constexpr std::uint32_t kPunctuationKind = 0;         // uint16
constexpr std::uint32_t kPunctuationText = 2;         // wchar[15]; kind 1 runs on over the rest, 31 units
constexpr std::uint32_t kPunctuationSecondText = 32;  // wchar[15]
constexpr std::uint32_t kPunctuationState = 62;       // uint16, 0 or 1
constexpr std::uint32_t kPunctuationPairUnits = 15;
constexpr std::uint32_t kPunctuationSingleUnits = 31;
constexpr std::uint16_t kPunctuationSingle = 1;
constexpr std::uint16_t kPunctuationPair = 2;
constexpr std::uint16_t kPunctuationCursorLeft = 3;
constexpr std::uint16_t kPunctuationSmart = 4;

// 128 display-conversion entries of wchar[32], indexed by key character.
constexpr std::uint32_t kDisplayConversion = 8252;
constexpr std::uint32_t kDisplayConversionEntrySize = 64;
constexpr std::uint32_t kDisplayConversionCount = 128;
constexpr std::uint32_t kDisplayConversionUnits = 32;

// The last commit as SaveLastCommit keeps it: its text, the code typed for it, the run of recent texts.
constexpr std::uint32_t kLastCommitText = 0x4100;  // wchar[128]
constexpr std::uint32_t kLastCommitTextUnits = 128;
constexpr std::uint32_t kLastCommitCode = 0x4200;  // wchar[32]
constexpr std::uint32_t kLastCommitCodeUnits = 32;
constexpr std::uint32_t kRecentText = 0x4240;  // wchar[64]
constexpr std::uint32_t kRecentTextUnits = 64;

constexpr std::uint32_t kBootStamp = 0x4300;  // int64
// The status window showing now, in whichever process: its handle sign-extended to 64 bits, so that 32-
// and 64-bit hosts write and compare the same value.
constexpr std::uint32_t kShowingStatusWindow = 0x4308;  // int64

constexpr std::uint32_t PunctuationOffset(std::uint32_t index) { return kPunctuation + index * kPunctuationEntrySize; }
constexpr std::uint32_t DisplayConversionOffset(std::uint32_t index) {
  return kDisplayConversion + index * kDisplayConversionEntrySize;
}

}  // namespace lz::ime_block
