#include "textservice/engine/candidate_list.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/text_encoding.h"

namespace lz {

using namespace code_table;

namespace {

// ime +48: duplicate texts hidden, and the order of equal candidates turned round.
constexpr std::uint32_t kLowOrderFirst = 0x10;

std::uint32_t BlockU32(ByteView block, std::uint32_t offset) {
  std::uint32_t v = 0;
  block.ReadU32(offset, v);
  return v;
}

std::uint32_t RecordFlags(const std::uint8_t* record) {
  return static_cast<std::uint32_t>(record[0]) | static_cast<std::uint32_t>(record[1]) << 8 |
         static_cast<std::uint32_t>(record[2]) << 16 | static_cast<std::uint32_t>(record[3]) << 24;
}

// The table string a candidate's text is compared by; null for entries without one.
const std::uint8_t* TextKey(const CandidateEntry& entry) {
  if (entry.kind & kind::kHasCode) return entry.record + kRecordCodeLength + 1 + entry.record[kRecordCodeLength];
  if (entry.kind & kind::kTextAsCode) return entry.record + kRecordCodeLength;
  return nullptr;
}

bool Better(const CandidateEntry& a, const CandidateEntry& b, bool low_order_first) {
  const auto wa = static_cast<std::uint32_t>(a.weight), wb = static_cast<std::uint32_t>(b.weight);
  if (wa != wb) return wa > wb;
  const int ka = a.kind & kind::kOrderBits, kb = b.kind & kind::kOrderBits;
  if (ka != kb) return ka < kb;
  const std::uint32_t fa = RecordFlags(a.record), fb = RecordFlags(b.record);
  const bool pa = fa & kFlagPinned, pb = fb & kFlagPinned;
  if (pa != pb) return pa;
  const std::uint32_t oa = OrderValue(fa), ob = OrderValue(fb);
  if (oa != ob) return low_order_first ? oa < ob : oa > ob;
  return a.record < b.record;
}

void ClearPage(EngineInstance* e) {
  e->paging = PagingState{0, 0, -1, 0, 0};
  e->page_item_count = 0;
}

void FillPageItem(EngineInstance* e, int place, int candidate) {
  PageItem& item = e->page[place];
  CandidateText(e->candidates[candidate], e, item.text);
  std::memcpy(item.comment, e->candidates[candidate].hint, sizeof e->candidates[candidate].hint);
  item.comment[3] = 0;
  item.candidate = candidate;
}

}  // namespace

QueryScope QueryScopeOf(const EngineInstance* e) {
  QueryScope scope{};
  scope.ime_flags = BlockU32(e->blocks.ime, ime_block::kImeFlags);
  scope.query_flags = BlockU32(e->blocks.dme, dme_block::kQueryFlags);
  e->blocks.dme.ReadU8(dme_block::kWildcardKey, scope.wildcard);
  return scope;
}

int ClassFilter(std::uint32_t record_class, const QueryScope& scope, std::uint32_t engine_mode) {
  const bool retry = engine_mode & mode::kSecondaryRetry;
  const std::uint32_t f = scope.ime_flags;
  if (f & ime_block::kSchemeMain) {
    if (record_class == kClassAuxiliary) return (f & ime_block::kSchemeAuxiliary) ? 0 : add_result::kAuxiliaryRefused;
    if (record_class == kClassSecondary) {
      return (retry || (f & ime_block::kAlwaysSearchSecondary)) ? 0 : add_result::kSecondaryRefused;
    }
    return retry ? add_result::kOutsideRetryRefused : 0;
  }
  if (f & ime_block::kSchemeAuxiliary) return record_class == kClassAuxiliary ? 0 : add_result::kSchemeRefused;
  return (record_class == kClassSecondary || record_class == 0) ? 0 : add_result::kSchemeRefused;
}

int AddCandidate(const std::uint8_t* record, std::uint8_t candidate_kind, int hint_start, EngineInstance* e,
                 std::int32_t weight, const QueryScope& scope) {
  const std::uint32_t flags = RecordFlags(record);
  if (flags & kFlagDeleted) return add_result::kDeleted;
  if (candidate_kind != kind::kUnfiltered) {
    const int refused = ClassFilter(RecordClass(flags), scope, e->mode);
    if (refused) return refused;
  }
  if (candidate_kind == 0 && weight == 0) return add_result::kAdded;
  if (e->candidate_count >= kMaxCandidates) return add_result::kListFull;
  CandidateEntry& entry = e->candidates[e->candidate_count++];
  entry.record = record;
  entry.kind = candidate_kind;
  entry.weight = weight;
  entry.hint[0] = entry.hint[1] = entry.hint[2] = 0;
  if ((candidate_kind & kind::kHasCode) && hint_start >= 0) {
    char16_t code[kCodeBufferUnits];
    const int length = TableStringToCode(code, record + kRecordCodeLength);
    if (hint_start < length) {
      entry.hint[0] = code[hint_start];
      entry.hint[1] = hint_start + 1 < length ? code[hint_start + 1] : 0;
    }
  }
  return add_result::kAdded;
}

int AddCandidate(const std::uint8_t* record, std::uint8_t candidate_kind, int hint_start, EngineInstance* e,
                 std::int32_t weight) {
  return AddCandidate(record, candidate_kind, hint_start, e, weight, QueryScopeOf(e));
}

void SortCandidates(EngineInstance* e) {
  const bool low_first = BlockU32(e->blocks.ime, ime_block::kBehaviourFlags) & kLowOrderFirst;
  std::stable_sort(e->candidates, e->candidates + e->candidate_count,
                   [low_first](const CandidateEntry& a, const CandidateEntry& b) { return Better(a, b, low_first); });
}

void RemoveDuplicateCandidates(EngineInstance* e) {
  std::vector<CandidateEntry> with_text, without_text;
  for (int i = 0; i < e->candidate_count; ++i) {
    (TextKey(e->candidates[i]) ? with_text : without_text).push_back(e->candidates[i]);
  }
  std::stable_sort(with_text.begin(), with_text.end(), [](const CandidateEntry& a, const CandidateEntry& b) {
    return CompareCodes(TextKey(a), TextKey(b)) < 0;
  });
  std::vector<CandidateEntry> kept;
  for (const CandidateEntry& entry : with_text) {
    if (!kept.empty() && CompareCodes(TextKey(kept.back()), TextKey(entry)) == 0) {
      CandidateEntry& held = kept.back();
      const auto w_entry = static_cast<std::uint32_t>(entry.weight), w_held = static_cast<std::uint32_t>(held.weight);
      if (w_entry > w_held || (w_entry == w_held && OrderValue(RecordFlags(entry.record)) > OrderValue(RecordFlags(held.record)))) {
        held = entry;
      }
      continue;
    }
    kept.push_back(entry);
  }
  kept.insert(kept.end(), without_text.begin(), without_text.end());
  std::copy(kept.begin(), kept.end(), e->candidates);
  e->candidate_count = static_cast<std::int32_t>(kept.size());
}

void FinishQuery(EngineInstance* e) {
  if (e->candidate_count >= 2 && !(e->candidates[0].kind & kind::kNoSorting)) {
    if (BlockU32(e->blocks.ime, ime_block::kBehaviourFlags) & ime_block::kHideSameTextCandidates) {
      RemoveDuplicateCandidates(e);
    }
    SortCandidates(e);
  }
  ClearPage(e);
  BuildNextPage(e);
}

std::uint32_t PageSize(const EngineInstance* e) {
  const std::uint32_t size =
      (BlockU32(e->blocks.ime, ime_block::kCandidateOptions) & ime_block::kPageSizeMask) >> ime_block::kPageSizeShift;
  if (size == 0) return kDefaultPageSize;
  return std::min<std::uint32_t>(size, kMaxPageItems);
}

void BuildNextPage(EngineInstance* e) {
  const int start = e->paging.last_shown + 1;
  if (start >= e->candidate_count) {
    if (start == 0) e->page_item_count = 0;
    return;
  }
  const int items = std::min<int>(static_cast<int>(PageSize(e)), e->candidate_count - start);
  for (int place = 0; place < items; ++place) FillPageItem(e, place, start + place);
  e->page_item_count = items;
  e->paging.first = start;
  e->paging.last_shown = start + items - 1;
  e->paging.previous = start > 0;
  e->paging.more = e->paging.last_shown < e->candidate_count - 1;
  e->paging.highlighted = 0;
}

void BuildPreviousPage(EngineInstance* e) {
  if (e->paging.first <= 0) return;
  const int size = static_cast<int>(PageSize(e));
  const int start = std::max(0, e->paging.first - size);
  e->paging.last_shown = start - 1;
  BuildNextPage(e);
}

void CandidateText(const CandidateEntry& entry, const EngineInstance*, char16_t* out) {
  out[0] = 0;
  const std::uint8_t* text = TextKey(entry);
  if (text) TableStringToWide(out, kPageTextUnits, text);
}

const std::uint8_t* MakeSyntheticRecord(EngineInstance* e, const char16_t* text) {
  if (e->synthetic_count >= kSyntheticRecords) return nullptr;
  std::uint8_t* record = e->synthetic[e->synthetic_count];
  std::memset(record, 0, kSyntheticRecordBytes);
  if (WideToTableString(kSyntheticRecordBytes - kRecordCodeLength, record + kRecordCodeLength, text) <= 0) return nullptr;
  ++e->synthetic_count;
  return record;
}

}  // namespace lz
