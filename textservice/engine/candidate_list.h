#pragma once
// The candidate list of an engine instance: adding candidates under the class filter, de-duplicating
// and ordering them, and building the pages the candidate window shows.
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

void SortCandidates(EngineInstance* instance);
void RemoveDuplicateCandidates(EngineInstance* instance);
// Orders the list (unless it is short or asks not to be) and builds its first page.
void FinishQuery(EngineInstance* instance);
// Page size from ime +44 bits 28-31; 0 there reads as the default.
std::uint32_t PageSize(const EngineInstance* instance);
void BuildNextPage(EngineInstance* instance);
void BuildPreviousPage(EngineInstance* instance);

// The text a candidate shows (zero-terminated, at most kPageTextUnits - 1 units).
void CandidateText(const CandidateEntry& entry, const EngineInstance* instance, char16_t* out);

// A synthetic record of the instance holding a text in the code position (kind bit 0x10); null when the
// instance has no room left.
const std::uint8_t* MakeSyntheticRecord(EngineInstance* instance, const char16_t* text);

}  // namespace lz
