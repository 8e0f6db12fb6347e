#include "textservice/engine/candidate_list.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "textservice/engine/block_fields.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/command_words.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/input_editing.h"
#include "textservice/engine/scheme_text.h"
#include "textservice/engine/text_encoding.h"

namespace lz {

using namespace code_table;

namespace {

constexpr std::uint8_t kKindTextBits = kind::kHasCode | kind::kTextAfterCode;

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

// A candidate's place in the ranking, read once: weight (compared unsigned), then the smaller kind order
// bits, the pinned bit and the order value (larger first, or smaller with low_order_first) packed into
// one number that is larger for the better candidate; the record's address and the place in the list
// break ties, so the order is that of a stable sort by the ranking rules.
struct Ranked {
  std::uint64_t rank;
  const std::uint8_t* record;
  std::int32_t index;
};

constexpr int kKindRankShift = 22;
constexpr int kPinnedRankShift = 21;
static_assert(OrderValue(~0u) < (1u << kPinnedRankShift) && (kind::kOrderBits >> 6) == 0);

Ranked RankOf(const CandidateEntry& c, std::int32_t index, bool low_order_first) {
  const std::uint32_t flags = RecordFlags(c.record);
  const std::uint32_t order = low_order_first ? kMaxOrderValue - OrderValue(flags) : OrderValue(flags);
  const std::uint32_t rest = static_cast<std::uint32_t>(kind::kOrderBits - (c.kind & kind::kOrderBits)) << kKindRankShift |
                             ((flags & kFlagPinned) ? 1u : 0u) << kPinnedRankShift | order;
  return Ranked{static_cast<std::uint64_t>(static_cast<std::uint32_t>(c.weight)) << 32 | rest, c.record, index};
}

bool RanksBefore(const Ranked& a, const Ranked& b) {
  if (a.rank != b.rank) return a.rank > b.rank;
  if (a.record != b.record) return a.record < b.record;
  return a.index < b.index;
}

void ClearPage(EngineInstance* e) {
  e->paging = PagingState{0, 0, -1, 0, 0};
  e->page_item_count = 0;
}

// The tables whose records a list may point into, in the order of EngineInstance::list_mappings.
void ListedTables(const EngineInstance* e, const MappedFile* (&out)[kListedTables]) {
  out[0] = e->files.main;
  out[1] = e->files.engl;
  out[2] = e->files.temp;
  out[3] = e->files.sysl;
}

void RememberMappings(EngineInstance* e) {
  const MappedFile* tables[kListedTables];
  ListedTables(e, tables);
  for (int i = 0; i < kListedTables; ++i) e->list_mappings[i] = tables[i] ? tables[i]->mapping : 0;
}

// The code units at `at` and after it of a table string as it reads back (up to two) -> how many there
// are. A whole list is stored per key, so the usual code of single-byte keys is read in place; any other
// is read back whole.
int CodeUnitsAt(const std::uint8_t* table_string, int at, char16_t (&out)[2]) {
  const int count = table_string[0];
  const int end = std::min(count, at + 2);
  bool single_bytes = true;
  for (int i = 0; i < end && single_bytes; ++i) single_bytes = table_string[1 + i] < 0x80;
  if (single_bytes) {
    int n = 0;
    for (int i = at; i < end; ++i) {
      const std::uint8_t b = table_string[1 + i];
      out[n++] = b < kCodeKeyByteLimit ? static_cast<char16_t>(kFullWidthBase + b) : static_cast<char16_t>(b);
    }
    return n;
  }
  char16_t code[kCodeBufferUnits];
  const int length = TableStringToCode(code, table_string);
  int n = 0;
  for (int i = at; i < length && n < 2; ++i) out[n++] = code[i];
  return n;
}

int Store(const std::uint8_t* record, std::uint8_t candidate_kind, int hint_start, EngineInstance* e,
          std::int32_t weight) {
  if (e->candidate_count >= kMaxCandidates) return add_result::kListFull;
  if (e->candidate_count == 0) RememberMappings(e);
  CandidateEntry& entry = e->candidates[e->candidate_count++];
  entry.record = record;
  entry.kind = candidate_kind;
  entry.weight = weight;
  entry.hint[0] = entry.hint[1] = entry.hint[2] = 0;
  if ((candidate_kind & kind::kHasCode) && hint_start >= 0) {
    char16_t code[2];
    const int length = CodeUnitsAt(record + kRecordCodeLength, hint_start, code);
    if (length > 0) {
      entry.hint[0] = ShownKeyChar(e, code[0]);
      entry.hint[1] = length > 1 ? ShownKeyChar(e, code[1]) : 0;
    }
  }
  return add_result::kAdded;
}

std::size_t Length(const char16_t* s) {
  std::size_t n = 0;
  while (s[n]) ++n;
  return n;
}

// Appends text to out (holding n units) within kPageTextUnits - 1 units; returns the new length.
std::size_t AppendText(char16_t* out, std::size_t n, const char16_t* text) {
  for (; *text && n + 1 < kPageTextUnits; ++text) out[n++] = *text;
  out[n] = 0;
  return n;
}

// The output conversion table in use: traditional or simplified output, when its table is open.
const MappedFile* OutputConversionTable(const EngineInstance* e) {
  const std::uint32_t flags = BlockU32(e->blocks.ime, ime_block::kImeFlags);
  const MappedFile* traditional = e->files.traditional;
  const MappedFile* simplified = e->files.simplified;
  if ((flags & ime_block::kTraditionalOutput) && traditional && traditional->view) return traditional;
  if ((flags & ime_block::kSimplifiedOutput) && simplified && simplified->view) return simplified;
  return nullptr;
}

void MakeItem(PageItem& item, const char16_t* text, std::size_t commit_units, const CandidateEntry& entry,
              int candidate) {
  const std::size_t n = AppendText(item.text, 0, text);
  item.commit_units = static_cast<std::int32_t>(std::min(commit_units, n));
  std::memcpy(item.comment, entry.hint, sizeof entry.hint);
  item.comment[3] = 0;
  item.candidate = candidate;
}

// The page items a candidate gives: its own text, or one per conversion of it in the output
// conversion table. Writes at most `room` items into out (none when out is null) and returns how many
// the candidate gives.
int CandidateItems(const EngineInstance* e, int candidate, PageItem* out, int room) {
  const CandidateEntry& entry = e->candidates[candidate];
  char16_t text[kPageTextUnits];
  CandidateText(entry, e, text);
  // A "$lzcmd(" word shows its label; what it commits is taken from the word again when it is chosen.
  char16_t label[kCommandPartUnits];
  char16_t committed[kCommandPartUnits];
  if (ParseCandidateCommandText(text, label, committed, e)) {
    if (out && room > 0) MakeItem(out[0], label + 1, label[0], entry, candidate);
    return 1;
  }
  const MappedFile* table = OutputConversionTable(e);
  IntArray* found = nullptr;
  if (table && text[0]) FindAllRecordsByWord(text, table, &found);
  int items = 0;
  if (found) {
    const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
    for (int i = 0; i < found->length; ++i) {
      CodeTableRecord record;
      if (!ReadCodeTableRecord(view, static_cast<std::uint32_t>(found->items[i]), false, record)) continue;
      char16_t converted[kDecodedBufferUnits];
      if (RecordText(record, converted) <= 0 || !converted[0]) continue;
      if (out && items < room) {
        char16_t shown[kPageTextUnits];
        std::size_t n = AppendText(shown, 0, converted);
        const std::size_t commit_units = n;
        if (std::u16string_view(converted) != std::u16string_view(text)) {
          n = AppendText(shown, n, u"(");
          n = AppendText(shown, n, text);
          AppendText(shown, n, u")");
        }
        MakeItem(out[items], shown, commit_units, entry, candidate);
      }
      ++items;
    }
    IntArrayFree(found);
  }
  if (items == 0) {
    if (out && room > 0) MakeItem(out[0], text, Length(text), entry, candidate);
    items = 1;
  }
  return items;
}

// Fills the page from candidate `start`, stopping before `end` or when the page is full. A candidate
// whose conversions do not all fit waits for the next page, unless it would be alone on its page.
void FillPage(EngineInstance* e, int start, int end) {
  const int size = static_cast<int>(PageSize(e));
  int items = 0;
  int next = start;
  while (next < end && items < size) {
    PageItem given[kMaxPageItems];
    const int total = CandidateItems(e, next, given, kMaxPageItems);
    if (items > 0 && items + total > size) break;
    const int take = std::min(total, size - items);
    std::memcpy(&e->page[items], given, sizeof(PageItem) * static_cast<std::size_t>(take));
    items += take;
    ++next;
  }
  e->page_item_count = items;
  e->paging.first = start;
  e->paging.last_shown = next - 1;
  e->paging.previous = start > 0;
  e->paging.more = next < e->candidate_count;
  e->paging.highlighted = 0;
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
  return Store(record, candidate_kind, hint_start, e, weight);
}

int AddCandidate(const std::uint8_t* record, std::uint8_t candidate_kind, int hint_start, EngineInstance* e,
                 std::int32_t weight) {
  return AddCandidate(record, candidate_kind, hint_start, e, weight, QueryScopeOf(e));
}

int ListCandidate(const std::uint8_t* record, std::uint8_t candidate_kind, EngineInstance* e, std::int32_t weight) {
  if (RecordFlags(record) & kFlagDeleted) return add_result::kDeleted;
  return Store(record, candidate_kind, -1, e, weight);
}

void SortCandidates(EngineInstance* e) {
  const bool low_first = BlockU32(e->blocks.ime, ime_block::kBehaviourFlags) & ime_block::kLowOrderFirst;
  const int n = e->candidate_count;
  if (n < 2) return;
  // Ranks are read from the records once, not at every comparison; the buffers stay with the thread, so
  // a query allocates nothing once the first long list has been sorted.
  thread_local std::vector<Ranked> ranked;
  thread_local std::vector<CandidateEntry> listed;
  listed.assign(e->candidates, e->candidates + n);
  // A long list usually comes from passes in table order over records stored in that order: then the
  // place in the list already breaks ties as the record's address would, and a stable sort by rank
  // alone, byte by byte, is exact and skips the bytes all ranks share (most of them). Short lists are
  // sorted by comparison.
  constexpr int kRadixSortLength = 256;
  bool in_record_order = n >= kRadixSortLength;
  for (int i = 1; i < n && in_record_order; ++i) {
    in_record_order = listed[static_cast<std::size_t>(i - 1)].record <= listed[static_cast<std::size_t>(i)].record;
  }
  if (in_record_order) {
    struct Keyed {
      std::uint64_t key;  // the rank inverted, so that the better candidate has the smaller key
      std::int32_t place;
    };
    thread_local std::vector<Keyed> keyed, moved;
    keyed.resize(static_cast<std::size_t>(n));
    moved.resize(static_cast<std::size_t>(n));
    std::uint32_t counts[8][256] = {};
    for (int i = 0; i < n; ++i) {
      const std::uint64_t key = ~RankOf(listed[static_cast<std::size_t>(i)], i, low_first).rank;
      keyed[static_cast<std::size_t>(i)] = Keyed{key, i};
      for (int d = 0; d < 8; ++d) ++counts[d][(key >> (8 * d)) & 0xFF];
    }
    for (int d = 0; d < 8; ++d) {
      const std::uint32_t first_bucket = counts[d][(keyed[0].key >> (8 * d)) & 0xFF];
      if (first_bucket == static_cast<std::uint32_t>(n)) continue;  // every rank shares this byte
      std::uint32_t at[256];
      std::uint32_t sum = 0;
      for (int b = 0; b < 256; ++b) {
        at[b] = sum;
        sum += counts[d][b];
      }
      for (const Keyed& k : keyed) moved[at[(k.key >> (8 * d)) & 0xFF]++] = k;
      keyed.swap(moved);
    }
    for (int i = 0; i < n; ++i) e->candidates[i] = listed[static_cast<std::size_t>(keyed[static_cast<std::size_t>(i)].place)];
    return;
  }
  ranked.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) ranked[static_cast<std::size_t>(i)] = RankOf(e->candidates[i], i, low_first);
  std::sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) { return RanksBefore(a, b); });
  for (int i = 0; i < n; ++i) e->candidates[i] = listed[static_cast<std::size_t>(ranked[static_cast<std::size_t>(i)].index)];
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
  DropStaleCandidates(e);
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
  DropStaleCandidates(e);
  const int start = e->paging.last_shown + 1;
  if (start >= e->candidate_count) {
    if (start == 0) e->page_item_count = 0;
    return;
  }
  FillPage(e, start, e->candidate_count);
}

void BuildPreviousPage(EngineInstance* e) {
  if (DropStaleCandidates(e) || e->paging.first <= 0) return;
  const int size = static_cast<int>(PageSize(e));
  const int end = std::min(e->paging.first, static_cast<int>(e->candidate_count));
  int start = end;
  int items = 0;
  while (start > 0 && items < size) {
    const int given = std::min(CandidateItems(e, start - 1, nullptr, 0), size);
    if (items > 0 && items + given > size) break;
    items += given;
    --start;
  }
  FillPage(e, start, end);
}

int MoveSelection(EngineInstance* e, int delta) {
  if (DropStaleCandidates(e) || e->candidate_count == 0 || e->page_item_count == 0) return 0;
  const int place = e->paging.highlighted + delta;
  if (place < 0) {
    if (e->paging.first > 0) {
      BuildPreviousPage(e);
      e->paging.highlighted = e->page_item_count - 1;
    } else {
      e->paging.highlighted = 0;
    }
  } else if (place >= e->page_item_count) {
    if (e->paging.more) {
      BuildNextPage(e);
      e->paging.highlighted = 0;
    } else {
      e->paging.highlighted = e->page_item_count - 1;
    }
  } else {
    e->paging.highlighted = place;
  }
  if (BlockU32(e->blocks.ime, ime_block::kImeFlags) & ime_block::kInlineFirstCandidate) BuildCompositionString(e);
  return 1;
}

bool DropStaleCandidates(EngineInstance* e) {
  const MappedFile* tables[kListedTables];
  ListedTables(e, tables);
  bool stale = false;
  for (int i = 0; i < kListedTables; ++i) stale |= e->list_mappings[i] != (tables[i] ? tables[i]->mapping : 0);
  if (!stale) return false;
  e->candidate_count = 0;
  e->has_previous_first = 0;
  ClearPage(e);
  RememberMappings(e);
  return true;
}

void CandidateText(const CandidateEntry& entry, const EngineInstance*, char16_t* out) {
  out[0] = 0;
  if (entry.kind & kKindTextBits) {
    TableStringToWide(out, kPageTextUnits, entry.record + kRecordCodeLength + 1 + entry.record[kRecordCodeLength]);
  } else if (entry.kind & kind::kTextAsCode) {
    TableStringToWide(out, kPageTextUnits, entry.record + kRecordCodeLength);
  } else if (entry.kind & kind::kNoSorting) {
    // A plain zero-terminated text of the instance, no longer than a table string.
    Utf8ToWide(out, entry.record, kMaxTableStringBytes);
  }
}

char16_t ShownKeyChar(const EngineInstance* e, char16_t key) {
  if (!(BlockU32(e->blocks.ime, ime_block::kBehaviourFlags) & ime_block::kDisplayConversionOn)) return key;
  return DisplayConversionChar(e->blocks.ime, key);
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
