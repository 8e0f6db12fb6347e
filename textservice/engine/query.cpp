#include "textservice/engine/query.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
#include <vector>

#include "textservice/engine/candidate_list.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/data_files.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/number_conversion.h"
#include "textservice/engine/text_encoding.h"

namespace lz {

using namespace code_table;

namespace {

constexpr std::int32_t kRepeatedCommitWeight = 0xEEEEEE;
constexpr char kCommandPrefix[] = "$lzcmd(";

// A search key: a table string of up to 255 bytes.
struct SearchKey {
  std::uint8_t bytes[1 + kMaxKeyBytes + 1] = {};
  int length() const { return bytes[0]; }
  const std::uint8_t* data() const { return bytes + 1; }
};

enum class Lead { kNone, kEnglish, kExtension, kSecondary, kAuxiliary };

// One query's view of the settings: copies of the switches it may change for a while, and the fixed
// code lengths, lead keys and key classes of the scheme.
struct Query {
  EngineInstance* e;
  QueryScope scope;
  std::uint8_t unique_length = 0, push_length = 0, clear_length = 0, words_length = 0, following_length = 0;
  std::uint8_t english_lead = 0, auxiliary_lead = 0, secondary_lead = 0, extension_lead = 0;
  std::uint8_t wildcard_key = 0;  // as configured; scope.wildcard is the switchable copy
  int hint_start = 0;

  explicit Query(EngineInstance* instance) : e(instance), scope(QueryScopeOf(instance)) {
    const ByteView dme = e->blocks.dme;
    dme.ReadU8(dme_block::kUniqueAutoCommitLength, unique_length);
    dme.ReadU8(dme_block::kEmptyCodeCommitLength, push_length);
    dme.ReadU8(dme_block::kEmptyCodeClearLength, clear_length);
    dme.ReadU8(dme_block::kShowTableWordLength, words_length);
    dme.ReadU8(dme_block::kShowFollowingLength, following_length);
    dme.ReadU8(dme_block::kEnglishLeadKey, english_lead);
    dme.ReadU8(dme_block::kAuxiliaryLeadKey, auxiliary_lead);
    dme.ReadU8(dme_block::kSecondaryLeadKey, secondary_lead);
    dme.ReadU8(dme_block::kExtensionLeadKey, extension_lead);
    wildcard_key = scope.wildcard;
  }

  std::uint8_t KeyClass(char16_t key) const {
    std::uint8_t c = 0;
    if (key < dme_block::kKeyClassCount) e->blocks.dme.ReadU8(dme_block::kKeyClasses + key, c);
    return c;
  }

  static bool Is(char16_t key, std::uint8_t configured) { return configured != 0 && key == configured; }

  // The lead key a first input key stands for, as the search key leaves it out.
  Lead LeadOf(char16_t first) const {
    if (Is(first, english_lead)) return Lead::kEnglish;
    if (Is(first, extension_lead)) return Lead::kExtension;
    if (Is(first, secondary_lead) && !(scope.ime_flags & ime_block::kAlwaysSearchSecondary) &&
        !(e->mode & mode::kSecondaryRetry)) {
      return Lead::kSecondary;
    }
    if (Is(first, auxiliary_lead) && !(scope.ime_flags & ime_block::kSchemeAuxiliary)) return Lead::kAuxiliary;
    return Lead::kNone;
  }

  bool Reaches(int n, int length) const {
    return (scope.query_flags & query_flag::kSimplestMode) ? n == length : n >= length;
  }
};

// The keys as code bytes, up to the first key that is none.
void RawKey(const char16_t* keys, int count, SearchKey& out) {
  int n = 0;
  for (int i = 0; i < count && n < kMaxKeyBytes; ++i) {
    const std::uint8_t b = ToCodeKey(keys[i]);
    if (!b) break;
    out.bytes[1 + n++] = b;
  }
  out.bytes[0] = static_cast<std::uint8_t>(n);
}

// 0 empty, 1 plain or lead-key query, 2 wildcard query.
int BuildSearchKey(const Query& q, const char16_t* keys, int count, SearchKey& out) {
  out.bytes[0] = 0;
  if (count <= 0) return 0;
  const bool lead = q.LeadOf(keys[0]) != Lead::kNone;
  int n = 0;
  bool wildcard = false;
  for (int i = lead ? 1 : 0; i < count && n < kMaxKeyBytes; ++i) {
    std::uint8_t b = ToCodeKey(keys[i]);
    if (!b) break;
    if (!lead && Query::Is(keys[i], q.scope.wildcard)) {
      b = kWildcardByte;
      wildcard = true;
    }
    out.bytes[1 + n++] = b;
  }
  out.bytes[0] = static_cast<std::uint8_t>(n);
  if (n == 0) return 0;
  return wildcard ? 2 : 1;
}

bool RecordAtOffset(const MappedFile* table, std::uint32_t offset, CodeTableRecord& record) {
  return ReadTableRecord({table->view, static_cast<std::uint32_t>(table->size)}, offset, false, record);
}

bool StartsWith(const std::uint8_t* bytes, int length, const std::uint8_t* prefix, int prefix_length) {
  return length >= prefix_length && std::memcmp(bytes, prefix, static_cast<std::size_t>(prefix_length)) == 0;
}

// More than one character: only asked when a setting needs it, as counting is the dearest part of a
// record's score.
bool HoldsWord(const CodeTableRecord& r) { return Utf8CharCount(r.text_length, r.text) > 1; }

int MatchScore(const CodeTableRecord& r, const Query& q, const SearchKey& key) {
  const int n = key.length();
  if (q.words_length && n < q.words_length && HoldsWord(r) &&
      !StartsWith(r.text, r.text_length, reinterpret_cast<const std::uint8_t*>(kCommandPrefix),
                  static_cast<int>(sizeof kCommandPrefix - 1))) {
    return 0;
  }
  const std::uint32_t flags = q.scope.query_flags;
  if (flags & query_flag::kWildcardMatching) {
    if (n == 1 && (!(flags & query_flag::kSingleKeyWildcard) || r.code_length != 1)) return 0;
    if (r.code_length < n) return 0;
    for (int i = 0; i < n; ++i) {
      if (key.data()[i] != kWildcardByte && key.data()[i] != r.code[i]) return 0;
    }
    if ((flags & query_flag::kSingleCharacters) && HoldsWord(r)) return 0;
    return 64 - (r.code_length - n);
  }
  if (flags & query_flag::kListLongerCodes) {
    if (!StartsWith(r.code, r.code_length, key.data(), n)) return 0;
    if (r.code_length == n) return 127;
    if (RecordClass(r.flags) == kClassAuxiliary && n > 2) return 0;
    return 31;
  }
  return (r.code_length == n && std::memcmp(r.code, key.data(), static_cast<std::size_t>(n)) == 0) ? 127 : 0;
}

constexpr std::uint32_t kListedLikePinnedFlags = kFlagPinned | kFlagListedLikePinned;

// A little-endian uint32 at a place the caller has checked.
std::uint32_t LoadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Whether the record at an offset may still enter a list that holds the ordinary cap: only pinned records
// and those listed like them, read from the flags alone.
bool ListedLikePinned(ByteView view, std::uint32_t offsets_end, std::uint32_t offset) {
  std::uint32_t flags = 0;
  return offset >= offsets_end && view.ReadU32(offset, flags) && (flags & kListedLikePinnedFlags);
}

// The first position of [first, end) whose record may still enter a list at the ordinary cap, or end.
// Once the cap is reached a pass only looks for such records, so this is where a pass over a large range
// spends its time: blocks of entries are read without a branch (offsets clamped into the view) and looked
// at one by one only when one of them may qualify or lies outside the records. The positions lie inside
// the offset table and the view holds a header.
std::int32_t NextListedLikePinned(ByteView view, std::uint32_t offsets_end, std::int32_t first, std::int32_t end) {
  constexpr std::int32_t kBlock = 32;
  const std::uint32_t last_flags = view.size - 4;
  const std::uint8_t* entries = view.data + kOffsetTable;
  std::int32_t i = first;
  while (i < end) {
    if (end - i >= kBlock) {
      std::uint32_t flags = 0;
      bool outside = false;
      for (std::int32_t k = i; k < i + kBlock; ++k) {
        const std::uint32_t offset = LoadU32(entries + 4 * static_cast<std::uint32_t>(k));
        outside |= offset < offsets_end || offset > last_flags;
        flags |= LoadU32(view.data + std::min(offset, last_flags));
      }
      if (!outside && !(flags & kListedLikePinnedFlags)) {
        i += kBlock;
        continue;
      }
    }
    for (const std::int32_t stop = std::min(end, i + kBlock); i < stop; ++i) {
      if (ListedLikePinned(view, offsets_end, LoadU32(entries + 4 * static_cast<std::uint32_t>(i)))) return i;
    }
  }
  return end;
}

// Where the records that may still enter a capped list lie in a table, and the length of its longest
// code, kept per view. Reading every record's flags to find them costs a wildcard key over a large table
// most of its time, and a wildcard input longer than every code would read every record only to find
// nothing, so both are found once and found again when the table's entries or pins change: every writer,
// in any process, counts such a change in the header, and the record count and lowest record tell of the
// rest.
struct PinnedPositions {
  std::uint32_t mapping = 0, count = 0, lowest = 0, changes = 0;
  const std::uint8_t* view = nullptr;
  std::vector<std::int32_t> positions;
  std::uint32_t longest_code = 0;
};

// The longest code length of the records of a table, read from the length bytes alone; an entry outside
// the records counts as the longest possible code, so that nothing is ruled out by a damaged table.
std::uint32_t LongestCodeLength(ByteView view, std::uint32_t offsets_end, std::uint32_t count) {
  std::uint32_t longest = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t offset = 0;
    std::uint8_t length = 0;
    if (!ReadRecordOffset(view, i, offset) || offset < offsets_end ||
        !view.ReadU8(offset + std::uint64_t{kRecordCodeLength}, length)) {
      return 255;
    }
    longest = std::max<std::uint32_t>(longest, length);
  }
  return longest;
}

// Ranges shorter than this are read directly; the positions are only found for tables that have longer.
constexpr std::int32_t kPinnedScanLength = 2048;

std::shared_ptr<const PinnedPositions> PinnedPositionsOf(const MappedFile* table, ByteView view,
                                                         std::uint32_t offsets_end) {
  PinnedPositions key;
  key.mapping = table->mapping;
  key.view = table->view;
  key.count = RecordCount(table);
  key.changes = EntryChanges(table);
  view.ReadU32(kLowestRecordOffset, key.lowest);
  const auto same = [&](const PinnedPositions& p) {
    return p.mapping == key.mapping && p.view == key.view && p.count == key.count && p.lowest == key.lowest &&
           p.changes == key.changes;
  };
  // A few tables are searched with wildcards (main tables of the engines of this process); the oldest
  // entry makes room.
  static std::mutex mutex;
  static std::shared_ptr<const PinnedPositions> kept[4];
  static unsigned next = 0;
  const std::lock_guard<std::mutex> lock(mutex);
  for (const auto& p : kept) {
    if (p && same(*p)) return p;
  }
  auto found = std::make_shared<PinnedPositions>(std::move(key));
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(found->count);) {
    i = NextListedLikePinned(view, offsets_end, i, static_cast<std::int32_t>(found->count));
    if (i < static_cast<std::int32_t>(found->count)) found->positions.push_back(i++);
  }
  found->longest_code = LongestCodeLength(view, offsets_end, found->count);
  kept[next++ % std::size(kept)] = found;
  return found;
}

// The first position of [first, end) whose record may still enter a list at the ordinary cap, or end.
std::int32_t NextPinned(const MappedFile* table, ByteView view, std::uint32_t offsets_end, std::int32_t first,
                        std::int32_t end) {
  if (end - first < kPinnedScanLength || !table->view) return NextListedLikePinned(view, offsets_end, first, end);
  const auto pinned = PinnedPositionsOf(table, view, offsets_end);
  const auto& positions = pinned->positions;
  const auto at = std::lower_bound(positions.begin(), positions.end(), first);
  if (at == positions.end() || *at >= end) return end;
  std::uint32_t offset = 0;
  // A record pinned a moment ago by a writer that has not counted it yet: read the range itself.
  if (!ReadRecordOffset(view, static_cast<std::uint32_t>(*at), offset) || !ListedLikePinned(view, offsets_end, offset)) {
    return NextListedLikePinned(view, offsets_end, first, end);
  }
  return *at;
}

void TablePass(Query& q, const MappedFile* table, const SearchKey& key, bool prefix, std::uint8_t candidate_kind) {
  if (!table || !table->view || key.length() == 0) return;
  // With the pinned cap reached no record can enter any more.
  if (q.e->candidate_count >= kMaxPinnedMatches) return;
  int wildcard_at = -1;
  for (int i = 0; i < key.length(); ++i) {
    if (key.data()[i] == kWildcardByte) {
      wildcard_at = i;
      break;
    }
  }
  TableRange range;
  if (wildcard_at > 0) {
    FindLeadingRange(table, wildcard_at, range, key.bytes);
  } else if (prefix) {
    FindPrefixRange(table, range, key.bytes);
  } else {
    FindCodeRange(table, range, key.bytes);
  }
  const EngineInstance* e = q.e;
  if (e->key_count > 0 && Query::Is(e->keys[0], q.wildcard_key)) {
    q.hint_start = 0;
  } else {
    q.hint_start = wildcard_at >= 0 ? wildcard_at : key.length();
  }
  const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
  const std::uint32_t offsets_end = kOffsetTable + 4 * RecordCount(table);
  // A matching code is at least as long as the input: a wildcard input longer than every code of a
  // large table finds nothing, and is known to before any record is read (a leading wildcard asks this
  // once per key it stands for, some of whose ranges may be short).
  if (wildcard_at > 0 && RecordCount(table) >= static_cast<std::uint32_t>(kPinnedScanLength) &&
      static_cast<std::uint32_t>(key.length()) > PinnedPositionsOf(table, view, offsets_end)->longest_code) {
    return;
  }
  const std::int32_t count = static_cast<std::int32_t>(RecordCount(table));
  const std::int32_t range_end = std::min(range.end, count);
  // The checks of a record read as ReadTableRecord does, with the header read once for the pass: a wildcard
  // pass reads a thousand records or more.
  std::uint32_t lowest = 0;
  view.ReadU32(kLowestRecordOffset, lowest);
  const auto read_record = [&](std::uint32_t offset, CodeTableRecord& record) {
    if (offset < offsets_end || offset < lowest) return RecordAtOffset(table, offset, record);
    if (!ReadCodeTableRecord(view, offset, false, record)) return false;
    for (std::uint32_t i = 0; i < record.code_length; ++i) {
      if (record.code[i] == kCodeEndMarker) return false;
    }
    return true;
  };
  // Reads [first, end) in table order; returns where it stopped: end, or the first position not read once
  // the ordinary cap is reached, as from there only pinned records can enter.
  const auto read = [&](std::int32_t first, std::int32_t end, bool capped_stops) {
    for (std::int32_t i = std::max(first, 0); i < end; ++i) {
      if (q.e->candidate_count >= kMaxOrdinaryMatches) {
        if (capped_stops || q.e->candidate_count >= kMaxPinnedMatches) return i;
        i = NextPinned(table, view, offsets_end, i, end);
        if (i == end) break;
      }
      std::uint32_t offset = 0;
      if (!ReadRecordOffset(view, static_cast<std::uint32_t>(i), offset)) continue;
      CodeTableRecord record;
      if (!read_record(offset, record)) continue;
      const int score = MatchScore(record, q, key);
      if (score <= 0) continue;
      const bool listed_like_pinned = record.flags & (kFlagPinned | kFlagListedLikePinned);
      if (q.e->candidate_count >= (listed_like_pinned ? kMaxPinnedMatches : kMaxOrdinaryMatches)) continue;
      AddCandidate(table->view + offset, candidate_kind, q.hint_start, q.e, score, q.scope);
    }
    return end;
  };
  // Only the parts of the range whose codes hold the keys around the wildcards can match; they are found
  // one by one while the list is below the ordinary cap. From where the cap is reached on, the few pinned
  // records of the rest of the range are found faster than the parts (the match refuses the others).
  std::int32_t rest = std::max(range.first, 0);
  if (wildcard_at > 0 && q.e->candidate_count < kMaxOrdinaryMatches) {
    rest = range_end;
    WildcardRanges(table, range, key.bytes, wildcard_at, kWildcardByte, [&](TableRange part) {
      const std::int32_t end = std::min(part.end, count);
      const std::int32_t stopped = read(part.first, end, true);
      if (stopped < end || q.e->candidate_count >= kMaxOrdinaryMatches) {
        rest = std::max(stopped, 0);
        return false;
      }
      return true;
    });
  }
  if (q.e->candidate_count < kMaxPinnedMatches) read(rest, range_end, false);
}

void ExactPasses(Query& q, const SearchKey& key) {
  TablePass(q, q.e->files.main, key, false, kind::kMain);
  TablePass(q, q.e->files.temp, key, false, kind::kTemporary);
}

void PrefixPasses(Query& q, const SearchKey& key) {
  TablePass(q, q.e->files.main, key, true, kind::kMain);
  TablePass(q, q.e->files.temp, key, true, kind::kTemporary);
}

// The exact passes again with only secondary words, when the scheme searches them after finding nothing.
void SecondaryRetry(Query& q, const SearchKey& key) {
  const std::uint32_t f = q.scope.ime_flags;
  if (q.e->candidate_count != 0 || (q.e->mode & mode::kSecondaryRetry) || !(f & ime_block::kSchemeMain) ||
      !(f & ime_block::kSearchSecondaryWhenEmpty) || (f & ime_block::kAlwaysSearchSecondary)) {
    return;
  }
  q.e->mode |= mode::kSecondaryRetry;
  ExactPasses(q, key);
  q.e->mode &= ~mode::kSecondaryRetry;
}

void NormalPasses(Query& q, const SearchKey& key) {
  if (q.scope.query_flags & query_flag::kListLongerCodes) {
    PrefixPasses(q, key);
    return;
  }
  ExactPasses(q, key);
  SecondaryRetry(q, key);
  if (q.e->candidate_count == 0 &&
      (q.scope.query_flags & (query_flag::kEmptyCodeShowsFollowing | query_flag::kEmptyCodeShowsOne))) {
    // An empty code shows the codes that continue it: they are scored as longer codes for this pass.
    const std::uint32_t flags = q.scope.query_flags;
    q.scope.query_flags |= query_flag::kListLongerCodes;
    PrefixPasses(q, key);
    q.scope.query_flags = flags;
  }
}

void WildcardPass(Query& q, const SearchKey& key) {
  q.scope.query_flags |= query_flag::kWildcardMatching;
  const bool leading = key.data()[0] == kWildcardByte;
  const bool alone = leading && key.length() == 1;
  if (!leading) {
    TablePass(q, q.e->files.main, key, true, kind::kMain);
  } else if (!alone || (q.scope.query_flags & query_flag::kSingleKeyWildcard)) {
    // A leading wildcard stands for each key that the key classes mark for it.
    SearchKey replaced = key;
    for (char16_t c = 0; c < 128; ++c) {
      if (!(q.KeyClass(c) & key_class::kWildcardStandsFor)) continue;
      replaced.bytes[1] = static_cast<std::uint8_t>(c);
      TablePass(q, q.e->files.main, replaced, !alone, kind::kMain);
    }
  }
  q.scope.query_flags &= ~query_flag::kWildcardMatching;
}

// Whether an eligible record (not deleted, let through by the class filter) other than `except` has a
// code that begins with the key and is at least `extra` bytes longer.
bool CodeContinues(const Query& q, const SearchKey& key, int extra, const std::uint8_t* except) {
  for (const MappedFile* table : {q.e->files.main, q.e->files.temp}) {
    if (!table || !table->view) continue;
    TableRange range;
    FindPrefixRange(table, range, key.bytes);
    for (std::int32_t i = range.first; i < range.end; ++i) {
      std::uint32_t offset = 0;
      CodeTableRecord record;
      if (!RecordOffsetAt(table, i, offset) || !RecordAtOffset(table, offset, record)) continue;
      if (table->view + offset == except || record.code_length < key.length() + extra) continue;
      if (record.flags & kFlagDeleted) continue;
      if (ClassFilter(RecordClass(record.flags), q.scope, q.e->mode) != 0) continue;
      return true;
    }
  }
  return false;
}

void KeepOnlyFirst(EngineInstance* e, const CandidateEntry& entry) {
  e->candidates[0] = entry;
  e->candidate_count = 1;
  e->paging = PagingState{0, 0, -1, 0, 0};
  BuildNextPage(e);
}

int AutoCommit(Query& q, const SearchKey& key, int n) {
  EngineInstance* e = q.e;
  const std::uint32_t flags = q.scope.query_flags;
  const char16_t first_key = e->keys[0];
  const char16_t last_key = e->keys[e->key_count - 1];
  if (e->page_item_count == 0 && !CodeContinues(q, key, 1, nullptr)) {
    const bool simplest = flags & query_flag::kSimplestMode;
    if (e->has_previous_first && q.push_length &&
        (e->previous_first.hint[0] == 0 || !(flags & query_flag::kPushFullCodeOnly)) &&
        (simplest ? n == q.push_length + 1 : n > q.push_length)) {
      KeepOnlyFirst(e, e->previous_first);
      const bool passes_key = (q.KeyClass(last_key) & (key_class::kCommitLead | key_class::kWildcardStandsFor)) ||
                              Query::Is(last_key, q.wildcard_key) || Query::Is(last_key, q.english_lead);
      return passes_key ? query_result::kPushAndPassKey : query_result::kPushAndKeepKey;
    }
    if (q.clear_length && q.Reaches(n, q.clear_length)) return query_result::kClear;
    return query_result::kShow;
  }
  // Unique means one candidate in the whole list: with small pages one item may stand for many.
  if (e->page_item_count != 1 || e->candidate_count != 1) return query_result::kShow;
  const CandidateEntry& first = e->candidates[0];
  if (first.kind == kind::kTemporary || (first.hint[0] && (flags & query_flag::kAutoCommitFullCodeOnly))) {
    return query_result::kShow;
  }
  if (!(q.KeyClass(first_key) & key_class::kCommitLead) && !(q.KeyClass(last_key) & key_class::kCodeEnd)) {
    if (q.unique_length == 0 || !q.Reaches(n, q.unique_length)) return query_result::kShow;
  }
  return CodeContinues(q, key, 1, first.record) ? query_result::kShow : query_result::kCommitFirst;
}

void ListLastCommit(Query& q) {
  char16_t text[ime_block::kLastCommitTextUnits + 1];
  std::uint32_t n = 0;
  for (; n < ime_block::kLastCommitTextUnits; ++n) {
    std::uint16_t unit = 0;
    if (!q.e->blocks.ime.ReadU16(ime_block::kLastCommitText + 2 * n, unit) || unit == 0) break;
    text[n] = static_cast<char16_t>(unit);
  }
  text[n] = 0;
  if (n == 0) return;
  if (const std::uint8_t* record = MakeSyntheticRecord(q.e, text)) {
    AddCandidate(record, kind::kGenerated, -1, q.e, kRepeatedCommitWeight, q.scope);
  }
}

}  // namespace

std::uint8_t ToCodeKey(char16_t key) {
  if (key > 0 && key < 0x80) return static_cast<std::uint8_t>(key);
  if (key >= kFullWidthKeyFirst && key <= kFullWidthKeyLast) return static_cast<std::uint8_t>(key - kFullWidthBase);
  return 0;
}

namespace {

// The tables a query reads and their change counts before it read them.
struct QueriedTables {
  static constexpr int kCount = 3;
  MappedFile* tables[kCount] = {};
  std::uint32_t seen[kCount] = {};
  std::uint32_t mappings[kCount] = {};
};

QueriedTables MarkQueriedTables(EngineInstance* e) {
  QueriedTables marks;
  MappedFile* const tables[QueriedTables::kCount] = {e->files.main, e->files.temp, e->files.engl};
  for (int i = 0; i < QueriedTables::kCount; ++i) {
    marks.tables[i] = tables[i];
    marks.seen[i] = tables[i] ? EntryChanges(tables[i]) : 0;
    marks.mappings[i] = tables[i] ? tables[i]->mapping : 0;
  }
  return marks;
}

bool AnyChangedSince(const QueriedTables& marks) {
  for (int i = 0; i < QueriedTables::kCount; ++i) {
    if (marks.tables[i] && ChangedSince(marks.tables[i], marks.seen[i])) return true;
  }
  return false;
}

int QueryCandidatesOnce(EngineInstance* e);

}  // namespace

// Another process's writer may move entries while the passes read them: the query is run again while the
// tables' change counts were odd or moved, so that no untouched word goes missing for a moment.
int QueryCandidates(EngineInstance* e) {
  bool had_previous = false;
  CandidateEntry previous{};
  bool remapped = false;
  for (int attempt = 1;; ++attempt) {
    // A table another process grew is mapped whole again first: its moved records lie past the old view.
    const QueriedTables before = MarkQueriedTables(e);
    ReopenResizedTables(e->files);
    const QueriedTables marks = MarkQueriedTables(e);
    for (int i = 0; i < QueriedTables::kCount && attempt > 1; ++i) {
      remapped |= marks.tables[i] && marks.mappings[i] != before.mappings[i];
    }
    const int result = QueryCandidatesOnce(e);
    if (attempt == 1) {
      had_previous = e->has_previous_first != 0;
      previous = e->previous_first;
    } else {
      // The first attempt judged the list before it; a table mapped anew leaves nothing to push-commit.
      e->has_previous_first = had_previous && !remapped;
      e->previous_first = previous;
    }
    if (!AnyChangedSince(marks) || attempt > kQuickReadAttempts) return result;
    if (attempt == kQuickReadAttempts) {
      // Writers that keep changing the main table, where every commit of a learned word goes, are held
      // off by its lock for one last query (taking it also repairs what a dead writer left). Only the one
      // lock is taken, so no writer that holds another can wait on this reader in turn.
      const std::uint32_t mapping = e->files.main ? e->files.main->mapping : 0;
      const ScopedFileWrite hold(e->files.main);
      if (hold.ok()) RepairTableIfInterrupted(e->files.main);
      remapped |= e->files.main && e->files.main->mapping != mapping;
      const int held = QueryCandidatesOnce(e);
      e->has_previous_first = had_previous && !remapped;
      e->previous_first = previous;
      return held;
    }
    WaitBeforeReadingAgain(attempt);
  }
}

namespace {

int QueryCandidatesOnce(EngineInstance* e) {
  Query q(e);
  // The previous first candidate is kept for push-commit only while its table is mapped as it was.
  DropStaleCandidates(e);
  e->has_previous_first = e->candidate_count > 0;
  if (e->has_previous_first) e->previous_first = e->candidates[0];
  e->candidate_count = 0;
  e->synthetic_count = 0;
  e->paging = PagingState{0, 0, -1, 0, 0};
  e->page_item_count = 0;

  SearchKey raw, search;
  RawKey(e->keys, e->key_count, raw);
  const int key_kind = BuildSearchKey(q, e->keys, e->key_count, search);
  if (key_kind == 0) return query_result::kNothing;

  if (raw.length() == 1 && Query::Is(e->keys[0], q.wildcard_key) &&
      (q.scope.query_flags & query_flag::kWildcardRepeatsLastCommit)) {
    ListLastCommit(q);
  }

  // The wildcard key is an ordinary key for the passes below unless put back on purpose.
  q.scope.wildcard = 0;
  if (q.following_length && raw.length() >= q.following_length) {
    q.scope.query_flags |= query_flag::kListLongerCodes;
  } else {
    q.scope.query_flags &= ~query_flag::kListLongerCodes;
  }

  if (key_kind == 2) {
    e->mode |= mode::kWildcardQuery;
    const std::uint32_t query_flags = q.scope.query_flags;
    q.scope.query_flags &= ~(query_flag::kListLongerCodes | query_flag::kEmptyCodeShowsFollowing |
                             query_flag::kEmptyCodeShowsOne);
    // A code that holds the wildcard key as an ordinary character is found as it is.
    TablePass(q, e->files.main, raw, false, kind::kMain);
    q.scope.query_flags = query_flags;
    const std::uint32_t ime_flags = q.scope.ime_flags;
    q.scope.ime_flags |= ime_block::kAlwaysSearchSecondary;
    q.scope.wildcard = q.wildcard_key;
    WildcardPass(q, search);
    q.scope.wildcard = 0;
    if (e->candidate_count == 0 &&
        (q.scope.query_flags & (query_flag::kListLongerCodes | query_flag::kEmptyCodeShowsFollowing |
                                query_flag::kEmptyCodeShowsOne))) {
      NormalPasses(q, raw);
    }
    q.scope.ime_flags = ime_flags;
    FinishQuery(e);
    return query_result::kShow;
  }

  e->mode &= ~mode::kWildcardQuery;
  const Lead lead = q.LeadOf(e->keys[0]);
  if (lead == Lead::kNone) {
    NormalPasses(q, raw);
  } else {
    TablePass(q, e->files.main, raw, false, kind::kMain);
    TablePass(q, e->files.temp, raw, false, kind::kTemporary);
  }

  if (lead != Lead::kNone) {
    const std::uint32_t ime_flags = q.scope.ime_flags;
    if (lead == Lead::kAuxiliary) {
      q.scope.ime_flags = (ime_flags & ~(ime_block::kSchemeMain | ime_block::kAlwaysSearchSecondary)) |
                          ime_block::kSchemeAuxiliary;
      NormalPasses(q, search);
    } else if (lead == Lead::kSecondary) {
      q.scope.ime_flags = (ime_flags & ~(ime_block::kSchemeMain | ime_block::kSchemeAuxiliary)) |
                          ime_block::kAlwaysSearchSecondary;
      NormalPasses(q, search);
    }
    if (lead == Lead::kEnglish && ConvertNumberInput(e, e->keys, e->key_count) == query_result::kCommitFirst) {
      return query_result::kCommitFirst;
    }
    q.scope.ime_flags = ime_flags;
    FinishQuery(e);
    return query_result::kShow;
  }

  SecondaryRetry(q, search);
  FinishQuery(e);

  if ((q.scope.query_flags & query_flag::kEmptyCodeShowsOne) && e->candidate_count > 1 && e->candidates[0].hint[0]) {
    KeepOnlyFirst(e, e->candidates[0]);
    return query_result::kShow;
  }
  return AutoCommit(q, search, raw.length());
}

}  // namespace

int ClassifyKey(char16_t key, EngineInstance* e) {
  Query q(e);
  if (e->key_count >= kMaxInputKeys) return key_action::kNotCode;
  char16_t keys[kMaxInputKeys + 1];
  const int cursor = std::min(std::max(e->cursor, 0), e->key_count);
  std::memcpy(keys, e->keys, sizeof(char16_t) * static_cast<std::size_t>(cursor));
  keys[cursor] = key;
  std::memcpy(keys + cursor + 1, e->keys + cursor, sizeof(char16_t) * static_cast<std::size_t>(e->key_count - cursor));
  const int count = e->key_count + 1;
  SearchKey raw, search;
  RawKey(keys, count, raw);
  if (raw.length() == 0) return key_action::kNotCode;
  BuildSearchKey(q, keys, count, search);
  const std::uint8_t cls = q.KeyClass(key);

  if (e->key_count > 0) {
    if (Query::Is(key, q.wildcard_key)) return key_action::kCode;
    if (Query::Is(e->keys[0], q.english_lead)) {
      const bool digit = key >= u'0' && key <= u'9';
      const char16_t after_lead = count > 1 ? keys[1] : 0;
      if (digit && after_lead >= u'0' && after_lead <= u'9') return key_action::kCode;
      if (key == u' ') return e->candidate_count ? key_action::kCommitThenHandle : key_action::kCode;
      if (!Query::Is(key, q.english_lead)) return key_action::kCommitThenHandle;
      return (e->key_count == 1 && e->candidate_count == 0) ? key_action::kNotCode : key_action::kCommit;
    }
    if (!(cls & key_class::kCodeEnd)) {
      if (cls & key_class::kCommitsWhenNothingContinues) {
        return CodeContinues(q, search, 0, nullptr) ? key_action::kCode : key_action::kCommitThenHandle;
      }
      if (cls & key_class::kWildcardStandsFor) return key_action::kCommitThenHandle;
      return key_action::kNotCode;
    }
    if (CodeContinues(q, search, 0, nullptr)) return key_action::kCode;
    if (e->candidate_count == 1 && e->page_item_count == 1) return key_action::kOutputText;
    if (e->candidate_count < 2) return key_action::kCommitThenHandle;
    return key_action::kNotCode;
  }

  if (cls & key_class::kCommitLead) return CodeContinues(q, raw, 1, nullptr) ? key_action::kCode : key_action::kNotCode;
  if (Query::Is(key, q.wildcard_key)) {
    return (q.scope.query_flags & (query_flag::kSingleKeyWildcard | query_flag::kWildcardRepeatsLastCommit))
               ? key_action::kCode
               : key_action::kNotCode;
  }
  if (q.LeadOf(key) != Lead::kNone || (cls & key_class::kWildcardStandsFor)) return key_action::kCode;
  return key_action::kNotCode;
}

void SetKeyClassFromText(const char16_t* text, ByteView dme, std::uint8_t bit) {
  for (std::uint32_t key = 0; key < dme_block::kKeyClassCount; ++key) {
    std::uint8_t c = 0;
    if (dme.ReadU8(dme_block::kKeyClasses + key, c)) dme.WriteU8(dme_block::kKeyClasses + key, static_cast<std::uint8_t>(c & ~bit));
  }
  for (const char16_t* p = text; p && *p; ++p) {
    if (*p >= dme_block::kKeyClassCount) continue;
    std::uint8_t c = 0;
    if (dme.ReadU8(dme_block::kKeyClasses + *p, c)) dme.WriteU8(dme_block::kKeyClasses + *p, static_cast<std::uint8_t>(c | bit));
  }
}

int KeyClassToText(ByteView dme, std::uint8_t bit, char16_t* out, int capacity) {
  int n = 0;
  for (std::uint32_t key = 1; key < dme_block::kKeyClassCount && n + 1 < capacity; ++key) {
    std::uint8_t c = 0;
    if (dme.ReadU8(dme_block::kKeyClasses + key, c) && (c & bit)) out[n++] = static_cast<char16_t>(key);
  }
  if (capacity > 0) out[n] = 0;
  return n;
}

}  // namespace lz
