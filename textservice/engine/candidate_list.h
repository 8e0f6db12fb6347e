#pragma once
// The candidate list of an engine instance: adding candidates under the class filter, de-duplicating
// and ordering them, building the pages the candidate window shows (through the output conversion
// tables when they are on), and moving the highlight across pages.
//
// Entries point into the mapped tables. The list remembers which mapping of each table it was taken
// from and is dropped, before any entry is read again, once a table has been mapped anew (grown here or
// by another process): a pointer into an old view is never followed.
#include <cstdint>

#include "textservice/engine/engine_instance.h"

namespace lz {

// Results of AddCandidate.
namespace add_result {
constexpr int kAdded = 0;
constexpr int kListFull = 2;
constexpr int kDeleted = 3;
constexpr int kAuxiliaryRefused = 4;
constexpr int kSecondaryRefused = 5;
constexpr int kOutsideRetryRefused = 11;
constexpr int kSchemeRefused = 12;
}  // namespace add_result

constexpr std::uint32_t kDefaultPageSize = 5;

// The scheme switches a query works with: its own copies, so the shared settings blocks are never
// changed for the time of a query.
struct QueryScope {
  std::uint32_t ime_flags;
  std::uint32_t query_flags;
  std::uint8_t wildcard;
};

QueryScope QueryScopeOf(const EngineInstance* instance);

// 0 when the class filter lets a record's class through, else the refusal (add_result).
int ClassFilter(std::uint32_t record_class, const QueryScope& scope, std::uint32_t engine_mode);

// Adds a record with its kind, weight and the place in its code from which the code hint is taken.
// Kind 0 with weight 0 only asks whether it would be added.
int AddCandidate(const std::uint8_t* record, std::uint8_t kind, int hint_start, EngineInstance* instance,
                 std::int32_t weight, const QueryScope& scope);
int AddCandidate(const std::uint8_t* record, std::uint8_t kind, int hint_start, EngineInstance* instance,
                 std::int32_t weight);
// Adds a record without the class filter and without a code hint (continuations, completions); a
// deleted record is still refused. Returns an add_result.
int ListCandidate(const std::uint8_t* record, std::uint8_t kind, EngineInstance* instance, std::int32_t weight);

void SortCandidates(EngineInstance* instance);
void RemoveDuplicateCandidates(EngineInstance* instance);
// Orders the list (unless it is short or asks not to be) and builds its first page.
void FinishQuery(EngineInstance* instance);
// Page size from ime +44 bits 28-31; 0 there reads as the default.
std::uint32_t PageSize(const EngineInstance* instance);
// The page after the current one / before it; nothing when there is none.
void BuildNextPage(EngineInstance* instance);
void BuildPreviousPage(EngineInstance* instance);
// Moves the highlight by delta, turning to the page before or after at the page's ends. 1, or 0 when
// there are no candidates.
int MoveSelection(EngineInstance* instance, int delta);

// Drops the list (entries, page and the saved previous first candidate) when a table it points into has
// been mapped anew since the list was made. True when it was dropped.
bool DropStaleCandidates(EngineInstance* instance);

// The text a candidate shows (zero-terminated, at most kPageTextUnits - 1 units).
void CandidateText(const CandidateEntry& entry, const EngineInstance* instance, char16_t* out);

// A key character as the display conversion table of the ime block shows it, while display conversion is
// on (ime +48 bit 0x10000): an ASCII key or a full-width key from U+FF01 by its entry's first character,
// anything else (or a key without an entry) unchanged.
char16_t ShownKeyChar(const EngineInstance* instance, char16_t key);

// A synthetic record of the instance holding a text in the code position (kind bit 0x10); null when the
// instance has no room left.
const std::uint8_t* MakeSyntheticRecord(EngineInstance* instance, const char16_t* text);

}  // namespace lz
