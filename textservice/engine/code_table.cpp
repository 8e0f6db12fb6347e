#include "textservice/engine/code_table.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <vector>

#include "textservice/engine/text_encoding.h"

namespace lz {

using namespace code_table;

namespace {

// What an unreadable record compares as: an empty key followed by an empty text.
constexpr std::uint8_t kEmptyKey[2] = {0, 0};
constexpr std::uint8_t kSentinelAfter = 0xFF;  // never a code byte
constexpr std::uint8_t kSentinelEqual = 0x01;  // above an exact code, below any longer code

// A table as the current view shows it; the count never reaches past the view.
struct Table {
  ByteView view;
  std::uint32_t count = 0;
  std::uint32_t type = 0;
  bool association = false;
};

Table Access(ByteView view) {
  Table t;
  if (!view.data || !view.Holds(0, kHeaderSize)) return t;
  t.view = view;
  view.ReadU32(kRecordCount, t.count);
  view.ReadU32(kTableType, t.type);
  t.association = IsAssociationType(t.type);
  t.count = std::min<std::uint32_t>(t.count, (view.size - kOffsetTable) / 4);
  return t;
}

Table Access(const MappedFile* file) {
  if (!file || !file->view || file->size <= 0) return Table{};
  return Access(ByteView{file->view, static_cast<std::uint32_t>(file->size)});
}

std::uint32_t EntryAt(const Table& t, std::uint32_t position) {
  std::uint32_t offset = 0;
  t.view.ReadU32(kOffsetTable + 4ull * position, offset);
  return offset;
}

void SetEntry(const Table& t, std::uint32_t position, std::uint32_t offset) {
  t.view.WriteU32(kOffsetTable + 4ull * position, offset);
}

// A record that fails the checks of the full validation reads as absent: opening a table checks only
// what costs the same at every size.
bool ReadRecord(const Table& t, std::uint32_t offset, CodeTableRecord& record) {
  return ReadTableRecord(t.view, offset, t.association, record);
}

// The key of the record at a position; the empty key when the record does not lie inside the view.
const std::uint8_t* KeyAt(const Table& t, std::uint32_t position) {
  const std::uint32_t offset = EntryAt(t, position);
  CodeTableRecord record;
  if (!ReadRecord(t, offset, record)) return kEmptyKey;
  return t.view.data + offset + kRecordCodeLength;
}

std::uint32_t PrefixEntry(const Table& t, std::uint32_t c1, std::uint32_t c2) {
  std::uint32_t position = 0;
  t.view.ReadU32(PrefixIndexOffset(c1, c2), position);
  return std::min(position, t.count);
}

int Search(const Table& t, TableRange bounds, const std::uint8_t* key, KeyComparator compare) {
  if (t.count == 0) return 0;
  const std::int64_t last = static_cast<std::int64_t>(t.count) - 1;
  std::int64_t lo = std::min<std::int64_t>(std::max<std::int64_t>(bounds.first, 0), last);
  std::int64_t hi = std::min<std::int64_t>(std::max<std::int64_t>(std::int64_t{bounds.end} - 1, 0), last);
  if (hi < lo) return 0;
  std::int64_t remembered = 0;
  while (lo <= hi) {
    const std::int64_t mid = lo + (hi - lo) / 2;
    const int c = compare(KeyAt(t, static_cast<std::uint32_t>(mid)), key);
    if (c == 0) return static_cast<int>(mid + 1);
    if (c < 0) {
      lo = mid + 1;
      remembered = mid + 1;
    } else {
      hi = mid - 1;
      remembered = mid;
    }
  }
  return static_cast<int>(-remembered);
}

// A search key: up to 250 key bytes and one sentinel byte.
struct SentinelKey {
  std::uint8_t bytes[1 + kMaxStringBytes + 1];
};

// The key (or its first n bytes) followed by a sentinel; with `decrement` the last key byte is one less
// first, so the search lands before every record that begins with the key.
void MakeSentinelKey(const std::uint8_t* key, std::uint32_t n, bool decrement, std::uint8_t sentinel,
                     SentinelKey& out) {
  std::memcpy(out.bytes + 1, key + 1, n);
  if (decrement) --out.bytes[n];
  out.bytes[n + 1] = sentinel;
  out.bytes[0] = static_cast<std::uint8_t>(n + 1);
}

bool UsableKey(const std::uint8_t* key, std::uint32_t n) {
  if (n > kMaxStringBytes) return false;
  return std::memchr(key + 1, 0, n) == nullptr;  // a code never holds a zero byte
}

// A sentinel search lands between records; it can only meet a record equal to it when a code holds the
// end marker 0xFF (a broken table), and then the range starts or ends after that record, never at a
// negative position.
int SetRange(TableRange& out, int r_first, int r_end) {
  out.first = r_first > 0 ? r_first : -r_first;
  out.end = std::max(r_end > 0 ? r_end : -r_end, out.first);
  return out.end - out.first;
}

// Records whose first n key bytes equal the key's, searched within bounds.
int PrefixRange(const Table& t, TableRange bounds, const std::uint8_t* key, std::uint32_t n, KeyComparator compare,
                TableRange& out) {
  out = TableRange{};
  if (n == 0) {
    out.end = static_cast<std::int32_t>(t.count);
    return out.end;
  }
  if (!UsableKey(key, n)) return 0;
  SentinelKey after, before;
  MakeSentinelKey(key, n, false, kSentinelAfter, after);
  MakeSentinelKey(key, n, true, kSentinelAfter, before);
  const int r_end = Search(t, bounds, after.bytes, compare);
  const int r_first = Search(t, bounds, before.bytes, compare);
  return SetRange(out, r_first, r_end);
}

TableRange WholeTable(const Table& t) { return TableRange{0, static_cast<std::int32_t>(t.count)}; }

// Search bounds from the prefix index, for tables that keep one.
TableRange IndexBounds(const Table& t, const std::uint8_t* key) {
  const std::uint32_t n = key[0];
  if (t.type != kTypeIndexed || n == 0) return WholeTable(t);
  const std::uint32_t c1 = key[1];
  const std::uint32_t c2 = n >= 2 ? key[2] : 0;
  return TableRange{static_cast<std::int32_t>(PrefixEntry(t, c1, c2)),
                    static_cast<std::int32_t>(PrefixEntry(t, c1 + 1, c2))};
}

void WriteRecordBytes(const Table& t, std::uint32_t at, const std::uint8_t* record, std::uint32_t size) {
  if (t.view.Holds(at, size)) std::memcpy(t.view.data + at, record, size);
}

std::uint32_t FlagsAt(const Table& t, std::uint32_t offset) {
  std::uint32_t flags = 0;
  t.view.ReadU32(offset + std::uint64_t{kRecordFlags}, flags);
  return flags;
}

void SetOrderValue(const Table& t, std::uint32_t offset, std::uint32_t order) {
  const std::uint32_t flags = FlagsAt(t, offset);
  t.view.WriteU32(offset, (flags & ((1u << kOrderShift) - 1)) | (order << kOrderShift));
}

void SetCount(const Table& t, std::uint32_t count) { t.view.WriteU32(kRecordCount, count); }

// Tells other processes that what they keep of where entries stand (and which are pinned) is stale.
void CountEntryChange(const Table& t) {
  std::uint32_t changes = 0;
  if (t.view.ReadU32(kEntryChanges, changes)) t.view.WriteU32(kEntryChanges, changes + 1);
}

// A header field or offset entry written with one 32-bit store, in program order, so that a writer
// killed at any instant leaves every field whole and every earlier store done. The fields are 4-byte
// aligned in the page-aligned view, and their little-endian layout is the machine's own.
static_assert(std::endian::native == std::endian::little);
void StoreWhole(const Table& t, std::uint64_t at, std::uint32_t value) {
  if (!t.view.Holds(at, 4)) return;
  std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(t.view.data + at)).store(value, std::memory_order_release);
}

void StoreEntry(const Table& t, std::uint32_t position, std::uint32_t offset) {
  StoreWhole(t, kOffsetTable + 4ull * position, offset);
}

std::uint32_t TypeOf(const Table& t) {
  std::uint32_t type = 0;
  t.view.ReadU32(kTableType, type);
  return type;
}

// Places a new entry among the n listed ones so that the table is in order at every instant: the last
// entry is first listed twice (the count becomes n + 1), the copy then moves down one place at a time to
// the new entry's place, which finally takes the new offset. A writer killed on the way leaves one entry
// listed twice side by side, never one missing, and the new record absent.
void InsertEntry(const Table& t, std::uint32_t n, std::uint32_t place, std::uint32_t offset) {
  if (n == 0) {
    StoreEntry(t, 0, offset);
    StoreWhole(t, kRecordCount, 1);
    return;
  }
  StoreEntry(t, n, EntryAt(t, n - 1));
  StoreWhole(t, kRecordCount, n + 1);
  for (std::uint32_t i = n - 1; i > place; --i) StoreEntry(t, i, EntryAt(t, i - 1));
  StoreEntry(t, place, offset);
}

// The prefix index after a key went into the offset table: every range that begins after the key begins
// one place later (rows 1..255 hold where ranges begin), and so does the end of every range of first
// byte 255 that holds or follows the key (row 256).
void ShiftIndex(const Table& t, const std::uint8_t* key) {
  const int k1 = key[0] >= 1 ? key[1] : -1;  // -1: nothing, before every code
  const int k2 = key[0] >= 2 ? key[2] : -1;
  // Whether the key comes before every code that begins with c1 (c2 = 0) or with c1 c2.
  const auto before = [&](int c1, int c2) { return k1 != c1 ? k1 < c1 : (c2 != 0 && k2 < c2); };
  const auto bump = [&](std::uint32_t c1, std::uint32_t c2) {
    std::uint32_t position = 0;
    if (t.view.ReadU32(PrefixIndexOffset(c1, c2), position)) StoreWhole(t, PrefixIndexOffset(c1, c2), position + 1);
  };
  constexpr int kLastByte = 255;
  for (int c1 = 1; c1 <= kLastByte; ++c1) {
    for (int c2 = 0; c2 <= kLastByte; ++c2) {
      if (before(c1, c2)) bump(static_cast<std::uint32_t>(c1), static_cast<std::uint32_t>(c2));
    }
  }
  for (int c2 = 0; c2 <= kLastByte; ++c2) {
    const bool holds = k1 == kLastByte && (c2 == 0 || k2 == c2);
    if (before(kLastByte, c2) || holds) bump(kLastByte + 1, static_cast<std::uint32_t>(c2));
  }
}

KeyComparator TableOrder(const Table& t) { return t.association ? CompareCodes : CompareCodeAndText; }

bool InOrder(const Table& t, KeyComparator compare) {
  for (std::uint32_t i = 1; i < t.count; ++i) {
    if (compare(KeyAt(t, i - 1), KeyAt(t, i)) > 0) return false;
  }
  return true;
}

// No listed record lies below the lowest record offset, where the next record would be written.
bool RecordsAtOrAbove(const Table& t, std::uint32_t lowest) {
  for (std::uint32_t i = 0; i < t.count; ++i) {
    if (EntryAt(t, i) < lowest) return false;
  }
  return true;
}

int CompareBytes(const std::uint8_t* a, std::size_t na, const std::uint8_t* b, std::size_t nb) {
  const int c = std::memcmp(a, b, std::min(na, nb));
  if (c != 0) return c < 0 ? -1 : 1;
  return na < nb ? -1 : (na > nb ? 1 : 0);
}

// The fixed slots of temp.dmg: every one inside the file and clear of the header and offset table.
bool SlotsUsable(const Table& t) {
  if (!t.view.Holds(kOffsetTable, 4ull * kTempSlotCount)) return false;
  for (std::uint32_t i = 0; i < kTempSlotCount; ++i) {
    const std::uint32_t slot = EntryAt(t, i);
    if (slot < kOffsetTable + 4 * kTempSlotCount || !t.view.Holds(slot, kTempMaxRecordBytes)) return false;
  }
  return true;
}

// The first eight key bytes as a big-endian number: with the byte-order comparison most pairs are told
// apart by one integer compare. Keys never hold a zero byte, so the zero padding puts a shorter key first.
std::uint64_t KeyPrefix(const std::uint8_t* key) {
  std::uint64_t prefix = 0;
  const int n = key[0] < 8 ? key[0] : 8;
  for (int i = 0; i < 8; ++i) prefix = prefix << 8 | (i < n ? key[1 + i] : 0);
  return prefix;
}

void SortEntries(const Table& t, KeyComparator compare) {
  struct Entry {
    std::uint64_t prefix;
    const std::uint8_t* key;
    std::uint32_t offset;
  };
  const bool byte_order = compare == CompareCodes;
  std::vector<Entry> entries(t.count);
  for (std::uint32_t i = 0; i < t.count; ++i) {
    const std::uint8_t* key = KeyAt(t, i);
    entries[i] = Entry{byte_order ? KeyPrefix(key) : 0, key, EntryAt(t, i)};
  }
  const bool association = t.association;
  // Equal code and text keep their order by file offset, which makes the order total and the sort
  // free to be unstable.
  std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    int c = compare(a.key, b.key);
    if (c == 0 && !association) c = CompareCodes(a.key + 1 + a.key[0], b.key + 1 + b.key[0]);
    return c != 0 ? c < 0 : a.offset < b.offset;
  });
  for (std::uint32_t i = 0; i < t.count; ++i) SetEntry(t, i, entries[i].offset);
}

void BuildIndex(const Table& t, KeyComparator compare) {
  for (std::uint32_t c1 = 1; c1 < 256; ++c1) {
    for (std::uint32_t c2 = 0; c2 < 256; ++c2) {
      const std::uint8_t key[3] = {static_cast<std::uint8_t>(c2 == 0 ? 1 : 2), static_cast<std::uint8_t>(c1),
                                   static_cast<std::uint8_t>(c2)};
      TableRange range;
      PrefixRange(t, WholeTable(t), key, key[0], compare, range);
      t.view.WriteU32(PrefixIndexOffset(c1, c2), static_cast<std::uint32_t>(range.first));
      t.view.WriteU32(PrefixIndexOffset(c1 + 1, c2), static_cast<std::uint32_t>(range.end));
    }
  }
}

// Puts a table back in order after a writer died while changing it (it left the being-changed mark, or
// the lock says its holder died): an entry listed twice side by side loses its copy, an offset table out
// of order is sorted, and the prefix index is built again.
void RepairInterruptedChange(MappedFile* file, bool writer_died) {
  const Table t = Access(file);
  if (!t.view.data) return;
  const std::uint32_t type = TypeOf(t);
  if (!(type & kTypeBeingChanged) && !writer_died) return;
  std::uint32_t kept = 0;
  for (std::uint32_t i = 0; i < t.count; ++i) {
    const std::uint32_t entry = EntryAt(t, i);
    if (kept > 0 && EntryAt(t, kept - 1) == entry) continue;
    if (kept != i) StoreEntry(t, kept, entry);
    ++kept;
  }
  StoreWhole(t, kRecordCount, kept);
  const Table repaired = Access(file);
  if (!InOrder(repaired, TableOrder(repaired))) SortEntries(repaired, CompareCodes);
  if ((type & ~kTypeBeingChanged) == kTypeIndexed) BuildIndex(repaired, CompareCodes);
  CountEntryChange(repaired);
  StoreWhole(t, kTableType, type & ~kTypeBeingChanged);
}

// The word key of a record: the bytes at record + 5 up to its first zero, within its length.
// Only the key is read, so the dictionary table's records, whose explanation has no length byte, are
// searched the same way.
bool WordKeyAt(const Table& t, std::uint32_t position, const std::uint8_t*& key, std::size_t& length) {
  const std::uint64_t offset = EntryAt(t, position);
  std::uint8_t limit = 0;
  if (!t.view.ReadU8(offset + kRecordCodeLength, limit) || limit == 0 || limit > kMaxStringBytes ||
      !t.view.Holds(offset + kRecordCodeLength + 1, limit)) {
    return false;
  }
  key = t.view.data + offset + kRecordCodeLength + 1;
  const void* zero = std::memchr(key, 0, limit);
  length = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - key) : limit;
  return true;
}

int CompareWordKeyAt(const Table& t, std::uint32_t position, const std::uint8_t* key, std::size_t length) {
  const std::uint8_t* record_key = kEmptyKey;
  std::size_t record_length = 0;
  WordKeyAt(t, position, record_key, record_length);
  return CompareBytes(record_key, record_length, key, length);
}

int FindWordKey(const Table& t, const std::uint8_t* key, std::size_t length) {
  if (t.count == 0) return 0;
  std::int64_t lo = 0;
  std::int64_t hi = static_cast<std::int64_t>(t.count) - 1;
  while (lo <= hi) {
    const std::int64_t mid = lo + (hi - lo) / 2;
    const int c = CompareWordKeyAt(t, static_cast<std::uint32_t>(mid), key, length);
    if (c == 0) return static_cast<int>(mid + 1);
    if (c > 0) {
      hi = mid - 1;
    } else {
      lo = mid + 1;
    }
  }
  return 0;
}

}  // namespace

int CompareCodes(const std::uint8_t* a, const std::uint8_t* b) { return CompareBytes(a + 1, a[0], b + 1, b[0]); }

int CompareCodeAndText(const std::uint8_t* a, const std::uint8_t* b) {
  const int c = CompareCodes(a, b);
  if (c != 0) return c;
  return CompareCodes(a + 1 + a[0], b + 1 + b[0]);
}

int SearchRange(TableRange bounds, const MappedFile* table, const std::uint8_t* key) {
  return Search(Access(table), bounds, key, CompareCodes);
}

int FindRecordPosition(KeyComparator comparator, const MappedFile* table, const std::uint8_t* record_key) {
  const Table t = Access(table);
  return Search(t, WholeTable(t), record_key, comparator ? comparator : CompareCodeAndText);
}

int FindCodeRange(const MappedFile* table, TableRange& out, const std::uint8_t* key) {
  out = TableRange{};
  const Table t = Access(table);
  const std::uint32_t n = key[0];
  if (!UsableKey(key, n)) return 0;
  const TableRange bounds = IndexBounds(t, key);
  SentinelKey after;
  MakeSentinelKey(key, n, false, kSentinelEqual, after);
  const int r_end = Search(t, bounds, after.bytes, CompareCodes);
  if (n == 0) return SetRange(out, 0, r_end);
  SentinelKey before;
  MakeSentinelKey(key, n, true, kSentinelAfter, before);
  const int r_first = Search(t, bounds, before.bytes, CompareCodes);
  return SetRange(out, r_first, r_end);
}

int FindPrefixRange(const MappedFile* table, TableRange& out, const std::uint8_t* key) {
  const Table t = Access(table);
  if (t.type == kTypeIndexed && key[0] == 1) {
    out.first = static_cast<std::int32_t>(PrefixEntry(t, key[1], 0));
    out.end = std::max(out.first, static_cast<std::int32_t>(PrefixEntry(t, key[1] + 1u, 0)));
    return out.end - out.first;
  }
  return PrefixRange(t, IndexBounds(t, key), key, key[0], CompareCodes, out);
}

int FindLeadingRange(const MappedFile* table, int n, TableRange& out, const std::uint8_t* key) {
  const Table t = Access(table);
  const std::uint32_t bytes = static_cast<std::uint32_t>(std::clamp<int>(n, 0, key[0]));
  // A wildcard after the first key asks for this once per key it stands for: the index has it.
  if (bytes == 1) {
    const std::uint8_t first[2] = {1, key[1]};
    return FindPrefixRange(table, out, first);
  }
  return PrefixRange(t, WholeTable(t), key, bytes, CompareCodes, out);
}

namespace {

// Ordering of the records of a range that share their first p code bytes, by their byte at p: codes that
// end at p come first (0), then byte b as b + 1. Tables sorted by code keep this order within such a range.
// Only the two bytes are read, as this is asked many times per key: a record that fails the full check
// still has a place in the order, and the caller's read of it refuses it.
std::uint32_t ByteRank(const Table& t, std::uint32_t position, std::uint32_t p) {
  const std::uint32_t offset = EntryAt(t, position);
  std::uint8_t length = 0, byte = 0;
  if (!t.view.ReadU8(offset + std::uint64_t{kRecordCodeLength}, length) || length <= p) return 0;
  if (!t.view.ReadU8(offset + std::uint64_t{kRecordCodeLength} + 1 + p, byte)) return 0;
  return byte + 1u;
}

// The first position of [lo, hi) whose rank at p is at least `rank`.
std::int32_t FirstRankAtLeast(const Table& t, std::int32_t lo, std::int32_t hi, std::uint32_t p, std::uint32_t rank) {
  while (lo < hi) {
    const std::int32_t mid = lo + (hi - lo) / 2;
    if (ByteRank(t, static_cast<std::uint32_t>(mid), p) < rank) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

// As above when the answer is likely near lo: the step doubles until it passes the answer.
std::int32_t GallopToRank(const Table& t, std::int32_t lo, std::int32_t hi, std::uint32_t p, std::uint32_t rank) {
  std::int32_t step = 1;
  while (lo + step < hi && ByteRank(t, static_cast<std::uint32_t>(lo + step), p) < rank) {
    lo += step;
    step *= 2;
  }
  return FirstRankAtLeast(t, lo, static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{lo} + step, hi)), p, rank);
}

// Gives the parts of [lo, hi) in table order until `part` asks to stop (returns false, as does this).
bool NarrowByPattern(const Table& t, std::int32_t lo, std::int32_t hi, std::uint32_t p, const std::uint8_t* key,
                     std::uint8_t wildcard, const WildcardPart& part) {
  const std::uint32_t n = key[0];
  std::uint32_t q = p;
  while (q < n && key[1 + q] == wildcard) ++q;
  if (lo >= hi) return true;
  if (q == n) return part(TableRange{lo, hi});
  if (q == p) {
    const std::uint32_t rank = key[1 + p] + 1u;
    const std::int32_t first = FirstRankAtLeast(t, lo, hi, p, rank);
    const std::int32_t end = FirstRankAtLeast(t, first, hi, p, rank + 1);
    return NarrowByPattern(t, first, end, p + 1, key, wildcard, part);
  }
  // A wildcard at p: each byte found there is a range of its own. The prefix index holds where each
  // second byte begins under the first.
  if (p == 1 && t.type == kTypeIndexed) {
    const std::uint32_t c1 = key[1];
    for (std::uint32_t c2 = 1; c2 < 256; ++c2) {
      const std::uint32_t group_end = c2 < 255 ? PrefixEntry(t, c1, c2 + 1) : PrefixEntry(t, c1 + 1, 0);
      const std::int32_t first = std::max<std::int32_t>(lo, static_cast<std::int32_t>(PrefixEntry(t, c1, c2)));
      const std::int32_t end = std::min<std::int32_t>(hi, static_cast<std::int32_t>(group_end));
      if (!NarrowByPattern(t, first, end, p + 1, key, wildcard, part)) return false;
    }
    return true;
  }
  for (std::int32_t first = FirstRankAtLeast(t, lo, hi, p, 1); first < hi;) {
    const std::uint32_t rank = ByteRank(t, static_cast<std::uint32_t>(first), p);
    const std::int32_t end = std::max(first + 1, GallopToRank(t, first, hi, p, rank + 1));
    if (!NarrowByPattern(t, first, end, p + 1, key, wildcard, part)) return false;
    first = end;
  }
  return true;
}

}  // namespace

void WildcardRanges(const MappedFile* table, TableRange range, const std::uint8_t* key, int from,
                    std::uint8_t wildcard, const WildcardPart& part) {
  const Table t = Access(table);
  const std::int32_t lo = std::clamp<std::int32_t>(range.first, 0, static_cast<std::int32_t>(t.count));
  const std::int32_t hi = std::clamp<std::int32_t>(range.end, lo, static_cast<std::int32_t>(t.count));
  NarrowByPattern(t, lo, hi, static_cast<std::uint32_t>(std::clamp<int>(from, 0, key[0])), key, wildcard, part);
}

int FindPrefixRangeWith(const MappedFile* table, const std::uint8_t* key, TableRange& out, KeyComparator comparator) {
  const Table t = Access(table);
  return PrefixRange(t, WholeTable(t), key, key[0], comparator ? comparator : CompareCodes, out);
}

int MakeTableRecord(const char16_t* tagged_code, const char16_t* text, CodeEncoder encoder, TableRecordBuffer& out) {
  out.size = 0;
  if (!tagged_code || !text || !tagged_code[0] || !text[0]) return 0;

  constexpr std::size_t kCodeUnits = 260;
  char16_t code[kCodeUnits];
  std::size_t code_length = 0;
  bool code_ended = false;
  std::uint32_t category = 0;  // the class a "#类" tag asks for
  bool user = false, secondary = false, auxiliary = false, pinned = false, deleted = false;
  for (const char16_t* p = tagged_code; *p; ++p) {
    if (*p == u'#' && p[1] == u'#') {
      if (!code_ended && code_length + 2 < kCodeUnits) {
        code[code_length++] = u'#';
        code[code_length++] = u'#';
      }
      ++p;
      continue;
    }
    if (*p != u'#') {
      if (!code_ended && code_length + 1 < kCodeUnits) code[code_length++] = *p;
      continue;
    }
    code_ended = true;
    switch (p[1]) {
      case u'类': {
        std::uint32_t number = 0;
        const char16_t* d = p + 2;
        for (; *d >= u'0' && *d <= u'9'; ++d) number = std::min<std::uint32_t>(number * 10 + (*d - u'0'), 1000);
        number = std::clamp<std::uint32_t>(number, 1, 16);
        category = number + 15;
        break;
      }
      case u'用': user = true; break;
      case u'次': secondary = true; break;
      case u'辅': auxiliary = true; break;
      case u'固': pinned = true; break;
      case u'删': deleted = true; break;
      default: break;
    }
  }
  code[code_length] = 0;

  std::uint32_t record_class = category;
  if (user) record_class = kClassUser;
  if (secondary) record_class = kClassSecondary;
  if (auxiliary) record_class = kClassAuxiliary;
  std::uint32_t flags = record_class << kClassShift;
  if (pinned) flags |= kFlagPinned;
  if (deleted) flags |= kFlagDeleted;

  std::uint8_t code_string[kTableStringBufferBytes + 1];
  std::uint8_t text_string[kTableStringBufferBytes + 1];
  const int code_bytes = encoder ? encoder(code_string, code, sizeof code_string)
                                 : CodeToTableString(code_string, code, sizeof code_string);
  if (code_bytes <= 0 || code_bytes > static_cast<int>(kMaxStringBytes)) return 0;
  const int text_bytes = WideToTableString(sizeof text_string, text_string, text);
  if (text_bytes <= 0) return 0;

  ByteView record{out.bytes, sizeof out.bytes};
  record.WriteU32(kRecordFlags, flags);
  std::memcpy(out.bytes + kRecordCodeLength, code_string, 1 + static_cast<std::size_t>(code_bytes));
  std::memcpy(out.bytes + kRecordCodeLength + 1 + code_bytes, text_string, 1 + static_cast<std::size_t>(text_bytes));
  out.size = kRecordFixedBytes + static_cast<std::uint32_t>(code_bytes + text_bytes);
  return 1;
}

int TableAppendRecord(MappedFile* table, const std::uint8_t* record, std::uint32_t size, KeyComparator comparator) {
  if (!record || size < kRecordFixedBytes || size > kMaxRecordBytes) return 0;
  ScopedFileWrite write(table);
  if (!write.ok()) return 0;
  const bool writer_died = table->write_lock.abandoned;
  table->write_lock.abandoned = false;
  RepairInterruptedChange(table, writer_died);
  Table t = Access(table);
  if (!t.view.data) return 0;
  std::uint32_t lowest = 0, n = 0;
  t.view.ReadU32(kLowestRecordOffset, lowest);
  t.view.ReadU32(kRecordCount, n);
  const std::uint64_t offsets_end = kOffsetTable + 4ull * n;
  if (n != t.count || lowest < offsets_end || lowest > t.view.size) return 0;  // not a table we can extend
  // A record listed below the lowest offset would be overwritten by this one.
  if (!RecordsAtOrAbove(t, lowest)) return 0;
  const int found = Search(t, WholeTable(t), record + kRecordCodeLength, comparator ? comparator : TableOrder(t));
  const auto place = static_cast<std::uint32_t>(found > 0 ? found : -found);

  const std::int64_t gap = static_cast<std::int64_t>(lowest) - static_cast<std::int64_t>(offsets_end) - 4;
  const std::uint32_t old_size = t.view.size;
  std::uint32_t at = 0;
  if (static_cast<std::int64_t>(size) + 4 < gap) {
    at = lowest - size;
    lowest = at;
  } else if (n == 0) {
    // An empty table has no record to move out of the way: its whole record area is free.
    const std::uint64_t first_free = offsets_end + 4;
    if (old_size >= first_free + size) {
      at = old_size - size;
    } else {
      if (!ResizeMappedFile(static_cast<int>(first_free + size), table)) return 0;
      at = static_cast<std::uint32_t>(first_free);
    }
    lowest = at;
  } else if (gap < 5) {
    // No room for the new offset entry: move the lowest record to the end of the file.
    std::uint32_t moved_position = n;
    for (std::uint32_t lo = 0, hi = n - 1; lo <= hi && moved_position == n; ++lo, --hi) {
      if (EntryAt(t, lo) == lowest) moved_position = lo;
      else if (EntryAt(t, hi) == lowest) moved_position = hi;
      if (hi == 0) break;
    }
    CodeTableRecord moved;
    if (!ReadRecord(t, lowest, moved)) return 0;
    if (moved_position == n) {
      // The record at the lowest offset is listed nowhere: a writer died after moving it to the end of
      // the file and before raising the lowest offset. Its bytes are free, so nothing moves; refusing
      // here would refuse every append from now on.
      const std::uint64_t new_size = std::uint64_t{old_size} + size;
      if (new_size > 0x7FFFFFFF || !ResizeMappedFile(static_cast<int>(new_size), table)) return 0;
      lowest += moved.extent;
      at = old_size;
    } else {
      const std::uint64_t new_size = std::uint64_t{old_size} + moved.extent + size;
      if (new_size > 0x7FFFFFFF || !ResizeMappedFile(static_cast<int>(new_size), table)) return 0;
      t = Access(table);
      std::memmove(t.view.data + old_size, t.view.data + lowest, moved.extent);
      SetEntry(t, moved_position, old_size);
      lowest += moved.extent;
      at = old_size + moved.extent;
    }
  } else {
    const std::uint64_t new_size = std::uint64_t{old_size} + size;
    if (new_size > 0x7FFFFFFF || !ResizeMappedFile(static_cast<int>(new_size), table)) return 0;
    at = old_size;
  }
  t = Access(table);
  WriteRecordBytes(t, at, record, size);
  StoreWhole(t, kLowestRecordOffset, lowest);
  // The record is stored; now its entry goes into its place. Readers search without the prefix index
  // meanwhile, and a writer that finds the mark left behind knows this one died on the way.
  const std::uint32_t type = TypeOf(t);
  StoreWhole(t, kTableType, type | kTypeBeingChanged);
  InsertEntry(t, n, place, at);
  if (type == kTypeIndexed) ShiftIndex(t, t.view.data + at + kRecordCodeLength);
  CountEntryChange(t);
  StoreWhole(t, kTableType, type);
  return 1;
}

int PlaceLastEntry(int position, MappedFile* table, KeyComparator comparator) {
  ScopedFileWrite write(table);
  if (!write.ok()) return 0;
  Table t = Access(table);
  if (t.count < 2) return 1;
  const std::uint32_t last = t.count - 1;
  std::uint32_t place = 0;
  if (position < 0) {
    const int r = Search(t, TableRange{0, static_cast<std::int32_t>(last)}, KeyAt(t, last),
                         comparator ? comparator : CompareCodeAndText);
    place = static_cast<std::uint32_t>(r > 0 ? r : -r);
  } else {
    place = static_cast<std::uint32_t>(position);
  }
  place = std::min(place, last);
  const std::uint32_t entry = EntryAt(t, last);
  std::uint8_t* base = t.view.data + kOffsetTable;
  std::memmove(base + 4 * (place + 1), base + 4 * place, 4 * static_cast<std::size_t>(last - place));
  SetEntry(t, place, entry);
  CountEntryChange(t);
  return 1;
}

int InsertRecentRecord(const std::uint8_t* record, std::uint32_t size, MappedFile* table, KeyComparator comparator) {
  if (!record || size < kRecordFixedBytes || size > kTempMaxRecordBytes) return 0;
  ScopedFileWrite write(table);
  if (!write.ok()) return 0;
  const Table t = Access(table);
  std::uint32_t n = 0;
  t.view.ReadU32(kRecordCount, n);
  if (!t.view.data || n > kTempSlotCount || !SlotsUsable(t)) return 0;
  if (n < kTempSlotCount) {
    const std::uint32_t slot = EntryAt(t, n);
    WriteRecordBytes(t, slot, record, size);
    SetOrderValue(t, slot, n);
    SetCount(t, n + 1);
  } else {
    // Everyone ages by one; the oldest (age 0, the last such in table order) makes room.
    std::uint32_t oldest = 0, oldest_age = 0xFFFFFFFF;
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::uint32_t slot = EntryAt(t, i);
      const std::uint32_t age = OrderValue(FlagsAt(t, slot));
      if (age <= oldest_age) {
        oldest = i;
        oldest_age = age;
      }
    }
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::uint32_t slot = EntryAt(t, i);
      const std::uint32_t age = OrderValue(FlagsAt(t, slot));
      if (age > 0) SetOrderValue(t, slot, age - 1);
    }
    const std::uint32_t slot = EntryAt(t, oldest);
    WriteRecordBytes(t, slot, record, size);
    SetOrderValue(t, slot, kTempSlotCount - 1);
  }
  SortTableOffsets(comparator, table);
  return 1;
}

int RemoveTableEntry(MappedFile* table, int position) {
  ScopedFileWrite write(table);
  if (!write.ok()) return 0;
  const Table t = Access(table);
  if (position < 0 || static_cast<std::uint32_t>(position) >= t.count) return 0;
  const auto at = static_cast<std::uint32_t>(position);
  const std::uint32_t slot = EntryAt(t, at);
  const std::uint32_t removed_age = OrderValue(FlagsAt(t, slot));
  std::uint8_t* base = t.view.data + kOffsetTable;
  std::memmove(base + 4 * at, base + 4 * (at + 1), 4 * static_cast<std::size_t>(t.count - 1 - at));
  SetEntry(t, t.count - 1, slot);
  SetCount(t, t.count - 1);
  CountEntryChange(t);
  for (std::uint32_t i = 0; i + 1 < t.count; ++i) {
    const std::uint32_t other = EntryAt(t, i);
    const std::uint32_t age = OrderValue(FlagsAt(t, other));
    if (age > removed_age) SetOrderValue(t, other, age - 1);
  }
  return 1;
}

int RemoveRecord(MappedFile* table, std::uint32_t record_offset) {
  ScopedFileWrite write(table);
  if (!write.ok()) return 0;
  const Table t = Access(table);
  for (std::uint32_t i = 0; i < t.count; ++i) {
    if (EntryAt(t, i) == record_offset) return RemoveTableEntry(table, static_cast<int>(i));
  }
  return 0;
}

int ClearTable(MappedFile* table) {
  ScopedFileWrite write(table);
  if (!write.ok()) return 0;
  const Table t = Access(table);
  if (!t.view.data) return 0;
  SetCount(t, 0);
  t.view.WriteU32(kLowestRecordOffset, t.view.size);
  std::memset(t.view.data + kOrderCounters, 0, 4 * kOrderCounterCount);
  std::memset(t.view.data + kPrefixIndex, 0, kHeaderSize - kPrefixIndex);
  CountEntryChange(t);
  return 1;
}

int SortTableOffsets(KeyComparator comparator, MappedFile* table) {
  ScopedFileWrite write(table);
  if (!write.ok()) return 0;
  const Table t = Access(table);
  SortEntries(t, comparator ? comparator : CompareCodes);
  CountEntryChange(t);
  return 1;
}

int BuildPrefixIndex(MappedFile* table, KeyComparator comparator) {
  ScopedFileWrite write(table);
  if (!write.ok()) return 0;
  const Table t = Access(table);
  if (!t.view.data) return 0;
  BuildIndex(t, comparator ? comparator : CompareCodes);
  return 1;
}

void BuildPrefixIndexInView(ByteView view, KeyComparator comparator) {
  const Table t = Access(view);
  if (t.view.data) BuildIndex(t, comparator ? comparator : CompareCodes);
}

std::uint32_t NextOrderValue(MappedFile* table, std::uint8_t first_code_byte) {
  ScopedFileWrite write(table);
  if (!write.ok()) return 0;
  const Table t = Access(table);
  const std::uint32_t at = kOrderCounters + 4u * first_code_byte;
  std::uint32_t counter = 0;
  if (!t.view.ReadU32(at, counter)) return 0;
  counter = counter >= kMaxOrderValue ? kMaxOrderValue : counter + 1;
  t.view.WriteU32(at, counter);
  return counter;
}

bool RecordOffsetAt(const MappedFile* table, std::int32_t position, std::uint32_t& offset) {
  const Table t = Access(table);
  if (position < 0 || static_cast<std::uint32_t>(position) >= t.count) return false;
  offset = EntryAt(t, static_cast<std::uint32_t>(position));
  return true;
}

bool RecordAt(const MappedFile* table, std::int32_t position, CodeTableRecord& record) {
  const Table t = Access(table);
  std::uint32_t offset = 0;
  return RecordOffsetAt(table, position, offset) && ReadRecord(t, offset, record);
}

std::uint32_t RecordCount(const MappedFile* table) { return Access(table).count; }

void NoteEntryChange(MappedFile* table) {
  const Table t = Access(table);
  if (t.view.data) CountEntryChange(t);
}

std::uint32_t EntryChanges(const MappedFile* table) {
  const Table t = Access(table);
  std::uint32_t changes = 0;
  if (t.view.data) t.view.ReadU32(kEntryChanges, changes);
  return changes;
}

bool TableOffersUpdateCheck(const MappedFile* table) {
  if (!table || !table->view) return false;
  std::uint8_t options = 0;
  return ByteView{table->view, static_cast<std::uint32_t>(table->size)}.ReadU8(kTableOptions, options) &&
         (options & kOffersUpdateCheck);
}

int WideToUtf8Key(const char16_t* word, std::uint8_t* out) {
  const int n = WideToUtf8(word, out, kTableStringBufferBytes);
  if (n < 0) return -1;
  out[std::min(n, kMaxTableStringBytes)] = 0;
  return n;
}

int FindRecordByKey(const MappedFile* table, const std::uint8_t* key) {
  const std::size_t length = std::strlen(reinterpret_cast<const char*>(key));
  if (length == 0 || length >= kMaxStringBytes) return 0;
  return FindWordKey(Access(table), key, length);
}

int FindAllRecordsByKey(const MappedFile* table, const char16_t* word, IntArray** out) {
  *out = nullptr;
  if (!word || !word[0]) return 0;
  std::uint8_t key[kTableStringBufferBytes];
  const int length = WideToUtf8Key(word, key);
  if (length <= 0 || length >= static_cast<int>(kMaxStringBytes)) return 0;
  const Table t = Access(table);
  const int hit = FindWordKey(t, key, static_cast<std::size_t>(length));
  if (hit == 0) return 0;

  std::vector<std::uint32_t> found = {EntryAt(t, static_cast<std::uint32_t>(hit - 1))};
  const auto equal_at = [&](std::uint32_t position) {
    return CompareWordKeyAt(t, position, key, static_cast<std::size_t>(length)) == 0;
  };
  // Walk both ways from the hit at once, each direction stopping at its first different key.
  std::int64_t down = hit - 2, up = hit;
  bool down_open = true, up_open = true;
  while (down_open || up_open) {
    if (down_open) {
      down_open = down >= 0 && equal_at(static_cast<std::uint32_t>(down));
      if (down_open) found.push_back(EntryAt(t, static_cast<std::uint32_t>(down--)));
    }
    if (up_open) {
      up_open = up < static_cast<std::int64_t>(t.count) && equal_at(static_cast<std::uint32_t>(up));
      if (up_open) found.push_back(EntryAt(t, static_cast<std::uint32_t>(up++)));
    }
  }
  std::sort(found.begin(), found.end());
  IntArray* list = IntArrayNew();
  if (!list) return 0;
  for (std::uint32_t offset : found) IntArrayPush(list, static_cast<std::int32_t>(offset));
  *out = list;
  return list->length;
}

}  // namespace lz
