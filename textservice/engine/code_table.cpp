#include "textservice/engine/code_table.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cstring>
#include <thread>
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

std::uint32_t LoadWhole(const Table& t, std::uint64_t at) {
  if (!t.view.Holds(at, 4)) return 0;
  return std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(t.view.data + at))
      .load(std::memory_order_acquire);
}

// Tells other processes that what they keep of where entries stand (and which are pinned) is stale,
// without a change of entries: the count moves by two, so an odd count (a change under way, or one a dead
// writer left) stays odd.
void CountEntryChange(const Table& t) {
  StoreWhole(t, kEntryChanges, LoadWhole(t, kEntryChanges) + 2);
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

// The offsets of the listed entries in table order: code (comparator), then text, then place in the file.
void SortOffsets(const Table& t, KeyComparator compare, std::vector<std::uint32_t>& offsets) {
  struct Entry {
    std::uint64_t prefix;
    const std::uint8_t* key;
    std::uint32_t offset;
  };
  const bool byte_order = compare == CompareCodes;
  std::vector<Entry> entries(offsets.size());
  for (std::size_t i = 0; i < offsets.size(); ++i) {
    // Records about to be listed may lie below the lowest offset still in the header: only the view bounds
    // the read here.
    CodeTableRecord record;
    const bool readable = offsets[i] >= kOffsetTable && ReadCodeTableRecord(t.view, offsets[i], t.association, record);
    const std::uint8_t* key = readable ? t.view.data + offsets[i] + kRecordCodeLength : kEmptyKey;
    entries[i] = Entry{byte_order ? KeyPrefix(key) : 0, key, offsets[i]};
  }
  const bool association = t.association;
  std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    int c = compare(a.key, b.key);
    if (c == 0 && !association) c = CompareCodes(a.key + 1 + a.key[0], b.key + 1 + b.key[0]);
    return c != 0 ? c < 0 : a.offset < b.offset;
  });
  for (std::size_t i = 0; i < offsets.size(); ++i) offsets[i] = entries[i].offset;
}

std::vector<std::uint32_t> ListedOffsets(const Table& t) {
  std::vector<std::uint32_t> offsets(t.count);
  for (std::uint32_t i = 0; i < t.count; ++i) offsets[i] = EntryAt(t, i);
  return offsets;
}

// Where a new offset table of m entries is written before it replaces the n listed ones: above both, with
// the append's four spare bytes between.
std::uint64_t PendingPlace(std::uint32_t n, std::uint32_t m) { return kOffsetTable + 4ull * std::max(n, m) + 4; }

// Puts a pending offset table in place, when one is set and lies inside the file: its entries, then the
// count and the lowest record offset; the index follows; then the pending mark goes. Run again from the
// start, it gives the same table, so a writer that dies here leaves work the next one finishes.
void ApplyPendingEntries(const Table& start) {
  const std::uint32_t pending = LoadWhole(start, kPendingEntries);
  if (pending == 0) return;
  const std::uint32_t m = LoadWhole(start, kPendingCount);
  const std::uint32_t lowest = LoadWhole(start, kPendingLowest);
  const std::uint64_t room = (start.view.size - kOffsetTable) / 4;
  const bool usable = m <= room && pending >= kOffsetTable + 4ull * m && pending % 4 == 0 &&
                      start.view.Holds(pending, 4ull * m) && lowest <= start.view.size &&
                      lowest >= kOffsetTable + 4ull * m;
  const std::uint32_t type = TypeOf(start) & ~kTypeBeingChanged;
  if (usable) {
    // Readers that take the table as it is search without the prefix index meanwhile.
    StoreWhole(start, kTableType, type | kTypeBeingChanged);
    for (std::uint32_t i = 0; i < m; ++i) StoreEntry(start, i, LoadWhole(start, pending + 4ull * i));
    StoreWhole(start, kRecordCount, m);
    StoreWhole(start, kLowestRecordOffset, lowest);
    const Table t = Access(start.view);
    if (type == kTypeIndexed) BuildIndex(t, CompareCodes);
  }
  StoreWhole(start, kPendingEntries, 0);
  StoreWhole(start, kTableType, type);
}

// Writes a whole new offset table beside the listed one, sets it pending with one store, and puts it in
// place. False, with nothing changed, when the free gap cannot hold it: the caller makes room first.
bool ReplaceEntries(const Table& t, const std::vector<std::uint32_t>& entries, std::uint32_t lowest) {
  const auto m = static_cast<std::uint32_t>(entries.size());
  std::uint32_t current_lowest = 0;
  t.view.ReadU32(kLowestRecordOffset, current_lowest);
  const std::uint64_t place = PendingPlace(t.count, m);
  const std::uint64_t end = place + 4ull * m;
  if (end > current_lowest || end > lowest || !RecordsAtOrAbove(t, static_cast<std::uint32_t>(std::min<std::uint64_t>(end, current_lowest)))) {
    return false;
  }
  for (std::uint32_t i = 0; i < m; ++i) t.view.WriteU32(place + 4ull * i, entries[i]);
  StoreWhole(t, kPendingCount, m);
  StoreWhole(t, kPendingLowest, lowest);
  std::atomic_thread_fence(std::memory_order_seq_cst);
  StoreWhole(t, kPendingEntries, static_cast<std::uint32_t>(place));
  ApplyPendingEntries(t);
  return true;
}

// Whether a writer died while it changed the table: it left the change count odd, the being-changed mark,
// or a pending offset table.
bool LeftMidChange(const Table& t) {
  return (LoadWhole(t, kEntryChanges) & 1) || (TypeOf(t) & kTypeBeingChanged) || LoadWhole(t, kPendingEntries) != 0;
}

// Sorts the listed entries where they stand. temp.dmg keeps its free slots in the entries past the count,
// so its entries are only ever sorted this way.
void SortInPlace(const Table& t, KeyComparator compare) {
  std::vector<std::uint32_t> offsets = ListedOffsets(t);
  SortOffsets(t, compare, offsets);
  for (std::uint32_t i = 0; i < t.count; ++i) {
    if (EntryAt(t, i) != offsets[i]) StoreEntry(t, i, offsets[i]);
  }
}

// Puts a table back in order after a writer died while changing it (see LeftMidChange, or the lock says
// its holder died): a pending offset table is put in place, an entry listed twice side by side loses its
// copy, an offset table out of order is sorted, and the prefix index is built again. temp.dmg (slots) is
// only sorted in place: its free slots are listed past the count.
void RepairInterruptedChange(MappedFile* file, bool writer_died, bool slots = false) {
  const Table t = Access(file);
  if (!t.view.data) return;
  if (!writer_died && !LeftMidChange(t)) return;
  const TableChange change(file);
  const std::uint32_t type = TypeOf(t);
  ApplyPendingEntries(t);
  const Table applied = Access(file);
  std::uint32_t kept = 0;
  for (std::uint32_t i = 0; i < applied.count && !slots; ++i) {
    const std::uint32_t entry = EntryAt(applied, i);
    if (kept > 0 && EntryAt(applied, kept - 1) == entry) continue;
    if (kept != i) StoreEntry(applied, kept, entry);
    ++kept;
  }
  if (!slots) StoreWhole(applied, kRecordCount, kept);
  const Table repaired = Access(file);
  if (slots) {
    if (!InOrder(repaired, CompareCodes)) SortInPlace(repaired, CompareCodes);
  } else if (!InOrder(repaired, TableOrder(repaired))) {
    std::vector<std::uint32_t> offsets = ListedOffsets(repaired);
    SortOffsets(repaired, CompareCodes, offsets);
    std::uint32_t lowest = 0;
    repaired.view.ReadU32(kLowestRecordOffset, lowest);
    if (!ReplaceEntries(repaired, offsets, lowest)) {
      for (std::uint32_t i = 0; i < repaired.count; ++i) StoreEntry(repaired, i, offsets[i]);
    }
  }
  if ((type & ~kTypeBeingChanged) == kTypeIndexed) BuildIndex(Access(file), CompareCodes);
  StoreWhole(repaired, kTableType, type & ~kTypeBeingChanged);
}

void RepairSlotTableIfInterrupted(MappedFile* table) {
  if (table->change_depth > 0) return;
  const bool writer_died = table->write_lock.abandoned;
  table->write_lock.abandoned = false;
  RepairInterruptedChange(table, writer_died, true);
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
  RepairTableIfInterrupted(table);
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
  const TableChange change(table);

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
  StoreWhole(t, kTableType, type);
  return 1;
}

int PlaceLastEntry(int position, MappedFile* table, KeyComparator comparator) {
  ScopedFileWrite write(table);
  if (!write.ok()) return 0;
  RepairTableIfInterrupted(table);
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
  if (place == last) return 1;
  const std::uint32_t entry = EntryAt(t, last);
  const TableChange change(table);
  std::uint32_t lowest = 0;
  t.view.ReadU32(kLowestRecordOffset, lowest);
  if (lowest >= kOffsetTable + 4ull * (t.count + 1)) {
    // The entry is first listed once more past the end, so that every store below only turns one entry
    // into a copy of its neighbour: a writer killed on the way leaves every record listed.
    StoreEntry(t, t.count, entry);
    StoreWhole(t, kRecordCount, t.count + 1);
    for (std::uint32_t i = last; i > place; --i) StoreEntry(t, i, EntryAt(t, i - 1));
    StoreEntry(t, place, entry);
    StoreWhole(t, kRecordCount, last + 1);
  } else {
    std::uint8_t* base = t.view.data + kOffsetTable;
    std::memmove(base + 4 * (place + 1), base + 4 * place, 4 * static_cast<std::size_t>(last - place));
    SetEntry(t, place, entry);
  }
  return 1;
}

int InsertRecentRecord(const std::uint8_t* record, std::uint32_t size, MappedFile* table, KeyComparator comparator) {
  if (!record || size < kRecordFixedBytes || size > kTempMaxRecordBytes) return 0;
  ScopedFileWrite write(table);
  if (!write.ok()) return 0;
  RepairSlotTableIfInterrupted(table);
  const Table t = Access(table);
  std::uint32_t n = 0;
  t.view.ReadU32(kRecordCount, n);
  if (!t.view.data || n > kTempSlotCount || !SlotsUsable(t)) return 0;
  const TableChange change(table);
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
  SortInPlace(Access(table), comparator ? comparator : CompareCodes);
  return 1;
}

int RemoveTableEntry(MappedFile* table, int position) {
  ScopedFileWrite write(table);
  if (!write.ok()) return 0;
  RepairSlotTableIfInterrupted(table);
  const Table t = Access(table);
  if (position < 0 || static_cast<std::uint32_t>(position) >= t.count) return 0;
  const auto at = static_cast<std::uint32_t>(position);
  const std::uint32_t slot = EntryAt(t, at);
  const std::uint32_t removed_age = OrderValue(FlagsAt(t, slot));
  const TableChange change(table);
  // One entry at a time, upwards: each store turns an entry into a copy of its neighbour, so only the
  // removed entry is ever missing.
  for (std::uint32_t i = at; i + 1 < t.count; ++i) StoreEntry(t, i, EntryAt(t, i + 1));
  StoreWhole(t, kRecordCount, t.count - 1);
  StoreEntry(t, t.count - 1, slot);
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
  RepairSlotTableIfInterrupted(table);
  const Table t = Access(table);
  if (!t.view.data) return 0;
  const TableChange change(table);
  StoreWhole(t, kPendingEntries, 0);
  SetCount(t, 0);
  t.view.WriteU32(kLowestRecordOffset, t.view.size);
  std::memset(t.view.data + kOrderCounters, 0, 4 * kOrderCounterCount);
  std::memset(t.view.data + kPrefixIndex, 0, kHeaderSize - kPrefixIndex);
  return 1;
}

int SortTableOffsets(KeyComparator comparator, MappedFile* table) {
  ScopedFileWrite write(table);
  if (!write.ok()) return 0;
  RepairTableIfInterrupted(table);
  const Table t = Access(table);
  if (!t.view.data) return 0;
  std::vector<std::uint32_t> offsets = ListedOffsets(t);
  SortOffsets(t, comparator ? comparator : CompareCodes, offsets);
  bool same = true;
  for (std::uint32_t i = 0; i < t.count && same; ++i) same = EntryAt(t, i) == offsets[i];
  if (same) return 1;
  const TableChange change(table);
  std::uint32_t lowest = 0;
  t.view.ReadU32(kLowestRecordOffset, lowest);
  // The sorted table replaces the listed one whole where the gap holds it (main tables); temp.dmg's slots
  // leave no gap, and its few entries are sorted in place.
  if (!ReplaceEntries(t, offsets, lowest)) {
    for (std::uint32_t i = 0; i < t.count; ++i) StoreEntry(t, i, offsets[i]);
  }
  return 1;
}

int BuildPrefixIndex(MappedFile* table, KeyComparator comparator) {
  ScopedFileWrite write(table);
  if (!write.ok()) return 0;
  RepairTableIfInterrupted(table);
  const Table t = Access(table);
  if (!t.view.data) return 0;
  const TableChange change(table);
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
  return t.view.data ? LoadWhole(t, kEntryChanges) : 0;
}

bool ChangedSince(const MappedFile* table, std::uint32_t seen) {
  std::atomic_thread_fence(std::memory_order_seq_cst);
  return (seen & 1) != 0 || EntryChanges(table) != seen;
}

TableChange::TableChange(MappedFile* table) : table_(IsMappedFileWritable(table) ? table : nullptr) {
  if (!table_ || table_->change_depth++ > 0) return;
  const Table t = Access(table_);
  const std::uint32_t changes = LoadWhole(t, kEntryChanges);
  // Odd already: the mark of a writer that died mid-change; it moves on and stays odd.
  StoreWhole(t, kEntryChanges, changes + ((changes & 1) ? 2 : 1));
  std::atomic_thread_fence(std::memory_order_seq_cst);
}

TableChange::~TableChange() {
  if (!table_ || table_->change_depth <= 0 || --table_->change_depth > 0) return;
  std::atomic_thread_fence(std::memory_order_seq_cst);
  const Table t = Access(table_);  // the view may have moved with a grow
  const std::uint32_t changes = LoadWhole(t, kEntryChanges);
  StoreWhole(t, kEntryChanges, (changes | 1) + 1);
}

void RepairTableOnOpen(MappedFile* table) {
  if (!IsMappedFileWritable(table) || !LeftMidChange(Access(table))) return;
  // A live writer holds the lock until its change is whole; a dead one left it for this repair.
  ScopedFileWrite write(table);
  if (write.ok()) RepairTableIfInterrupted(table);
}

void WaitBeforeReadingAgain(int attempt) {
  constexpr int kYields = 8;
  if (attempt < kYields) {
    std::this_thread::yield();
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void RepairTableIfInterrupted(MappedFile* table) {
  if (!IsMappedFileWritable(table) || table->write_depth == 0 || table->change_depth > 0) return;
  const bool writer_died = table->write_lock.abandoned;
  table->write_lock.abandoned = false;
  RepairInterruptedChange(table, writer_died);
}

bool ReplaceTableEntries(MappedFile* table, const std::vector<std::uint32_t>& entries, std::uint32_t lowest) {
  if (!IsMappedFileWritable(table) || table->write_depth == 0) return false;
  const Table t = Access(table);
  if (!t.view.data) return false;
  const TableChange change(table);
  return ReplaceEntries(t, entries, lowest);
}

void SortTableEntryList(const MappedFile* table, std::vector<std::uint32_t>& offsets, KeyComparator comparator) {
  SortOffsets(Access(table), comparator ? comparator : CompareCodes, offsets);
}

std::uint64_t TableRoomFor(std::uint32_t listed, std::uint32_t entries) {
  return PendingPlace(listed, entries) + 4ull * entries + 4;
}

std::uint32_t MakeTableRoom(MappedFile* table, std::uint64_t room_end, std::uint32_t tail_bytes) {
  if (!IsMappedFileWritable(table) || table->write_depth == 0) return 0;
  Table t = Access(table);
  if (!t.view.data) return 0;
  // The records that lie where the room is: copied to the end of the file first, their entries pointed at
  // the copies one store each, so every entry names a whole record at every instant.
  struct Moved {
    std::uint32_t position, offset, extent;
  };
  std::vector<Moved> moved;
  std::uint64_t moved_bytes = 0;
  for (std::uint32_t i = 0; i < t.count; ++i) {
    const std::uint32_t offset = EntryAt(t, i);
    if (offset >= room_end) continue;
    CodeTableRecord record;
    if (!ReadRecord(t, offset, record)) return 0;
    moved.push_back({i, offset, record.extent});
    moved_bytes += record.extent;
  }
  const std::uint32_t old_size = t.view.size;
  // A small file may end inside the room: what is placed goes above it.
  const std::uint64_t base = std::max<std::uint64_t>(old_size, room_end);
  const std::uint64_t tail = base + moved_bytes;
  const std::uint64_t new_size = tail + tail_bytes;
  if (new_size > 0x7FFFFFFF) return 0;
  if (new_size > old_size && !ResizeMappedFile(static_cast<int>(new_size), table)) return 0;
  t = Access(table);
  std::uint64_t at = base;
  for (Moved& m : moved) {
    std::memcpy(t.view.data + at, t.view.data + m.offset, m.extent);
    m.offset = static_cast<std::uint32_t>(at);
    at += m.extent;
  }
  std::uint32_t lowest = 0;
  t.view.ReadU32(kLowestRecordOffset, lowest);
  if (!moved.empty() || lowest < room_end) {
    const TableChange change(table);
    for (const Moved& m : moved) StoreEntry(t, m.position, m.offset);
    // Nothing listed lies below the room's end any more: the lowest offset rises to the lowest record.
    std::uint64_t least = tail;
    for (std::uint32_t i = 0; i < t.count; ++i) least = std::min<std::uint64_t>(least, EntryAt(t, i));
    StoreWhole(t, kLowestRecordOffset, static_cast<std::uint32_t>(std::max<std::uint64_t>(least, room_end)));
  }
  return static_cast<std::uint32_t>(tail);
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
