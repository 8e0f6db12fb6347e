#pragma once
// Choosing from the candidate list: a commit command names a page place (or the input itself), the
// engine makes the commit record for it, and the chosen word moves up among its equals in its table,
// as the scheme's frequency adjustment asks.
#include "textservice/engine/engine_instance.h"

namespace lz {

// Commit commands: 0 and 13 the highlighted place, 1..10 that place on the page, 11 the input itself,
// 12 the page's last place.
namespace candidate_command {
constexpr int kHighlighted = 0;
constexpr int kFirstPlace = 1;
constexpr int kLastNumberedPlace = 10;
constexpr int kInput = 11;
constexpr int kLastPlace = 12;
constexpr int kPushHighlighted = 13;
}  // namespace candidate_command

// What the commands answer besides a candidate index.
constexpr int kInputCommitted = 0;  // NavigateCandidates: the input itself (commit action 0x1002)
constexpr int kNoCandidate = -1;    // CandidateIndexForCommand: the command names no candidate
constexpr int kEmptyPlace = -2;     // the place lies beyond the page

// Fills the commit record for a command: the input itself (keys as typed, keypad keys as ASCII, full
// width in full-width mode) or the text of the page place, with the input's capitals restored in
// English and number modes. Returns the candidate index of the place, kInputCommitted for the input,
// or kEmptyPlace. A command word in the chosen text gives its command's action (DetectCandidateCommand).
int NavigateCandidates(int command, EngineInstance* instance);

// The candidate index a command chooses, after moving the candidate up among its equals (neighbours of
// equal weight and pinned bit in the same table) as ime +44 asks: bit 0x1 to the front, bit 0x2 half
// way. The order values are written into the mapped table under its writer lock. Temporary words keep
// their order values (they are their ages). Returns kNoCandidate for the input itself, for a list
// dropped because its table was mapped anew, kEmptyPlace for a place beyond the page.
int CandidateIndexForCommand(int command, EngineInstance* instance);

// The frequency key's move: the candidate goes to the front of its equals whatever the scheme's
// adjustment says, without touching the shared settings block that every process reads.
int MoveCandidateToFront(int command, EngineInstance* instance);
// The same choice without moving anything: what the engine learns from after the commit.
int CandidateIndexOfCommand(int command, EngineInstance* instance);

}  // namespace lz
