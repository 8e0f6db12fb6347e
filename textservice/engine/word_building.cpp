#include "textservice/engine/word_building.h"

#include <cstring>
#include <string>

#include "textservice/engine/candidate_commit.h"
#include "textservice/engine/candidate_list.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/data_files.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/text_encoding.h"

namespace lz {

using namespace code_table;

namespace {

constexpr char kCommandPrefix[] = "$lzcmd";
constexpr int kBuiltCodeUnits = 128;

// A committed word copied out of its table: promotion may move or free the bytes it came from.
struct CommittedWord {
  std::uint8_t kind = 0;
  MappedFile* table = nullptr;
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
  std::uint8_t bytes[kMaxRecordBytes] = {};
  CodeTableRecord record;  // over `bytes`
};

std::uint32_t ImeFlags(const EngineInstance* e) {
  std::uint32_t flags = 0;
  e->blocks.ime.ReadU32(ime_block::kImeFlags, flags);
  return flags;
}

bool Holds(const MappedFile* table, const std::uint8_t* p) {
  return table && table->view && p >= table->view && p < table->view + table->size;
}

// The candidate's record, read within the table it points into; false for generated candidates and
// records outside the current view.
bool CopyCandidate(EngineInstance* e, int index, CommittedWord& out) {
  if (index < 0 || index >= e->candidate_count) return false;
  const CandidateEntry& entry = e->candidates[index];
  if (!(entry.kind & kind::kHasCode) || !entry.record) return false;
  MappedFile* table = Holds(e->files.main, entry.record) ? e->files.main
                      : Holds(e->files.temp, entry.record) ? e->files.temp
                                                            : nullptr;
  if (!table) return false;
  const auto offset = static_cast<std::uint32_t>(entry.record - table->view);
  CodeTableRecord r;
  if (!ReadCodeTableRecord({table->view, static_cast<std::uint32_t>(table->size)}, offset, false, r)) return false;
  out.kind = entry.kind;
  out.table = table;
  out.offset = offset;
  out.size = kRecordFixedBytes + r.code_length + r.text_length;
  std::memcpy(out.bytes, entry.record, out.size);
  return ReadCodeTableRecord({out.bytes, out.size}, 0, false, out.record);
}

void RememberLastWord(EngineInstance* e, const CommittedWord& w) {
  LastCommittedWord& last = e->last_word;
  last.kind = w.kind;
  last.code[0] = w.record.code_length;
  std::memcpy(last.code + 1, w.record.code, w.record.code_length);
  last.text[0] = w.record.text_length;
  std::memcpy(last.text + 1, w.record.text, w.record.text_length);
}

// Moves a temporary word into main.dmg as a user word. It leaves temp.dmg only once main.dmg has it.
void Promote(EngineInstance* e, CommittedWord& w) {
  MappedFile* main = e->files.main;
  MappedFile* temp = e->files.temp;
  if (!main || !main->view || !temp || w.table != temp || w.record.code_length == 0) return;
  // The counter, the append, the placing and the index are one change for the other processes.
  ScopedFileWrite write(main);
  if (!write.ok()) return;
  const int found = FindRecordPosition(CompareCodeAndText, main, w.bytes + kRecordCodeLength);
  if (found > 0) return;
  std::uint8_t promoted[kMaxRecordBytes];
  std::memcpy(promoted, w.bytes, w.size);
  const std::uint32_t order = NextOrderValue(main, w.record.code[0]);
  const std::uint32_t flags = (w.record.flags & ~(kClassMask << kClassShift) & ~(kMaxOrderValue << kOrderShift)) |
                              (kClassUser << kClassShift) | (order << kOrderShift);
  ByteView{promoted, w.size}.WriteU32(kRecordFlags, flags);
  // The append places the entry and keeps the prefix index.
  if (!TableAppendRecord(main, promoted, w.size)) return;
  ReopenResizedTables(e->files);
  // The slot is found again by its place: the table may have been mapped anew meanwhile.
  if (e->files.temp && e->files.temp->view) RemoveRecord(e->files.temp, w.offset);
}

int CodePoints(const char16_t* text, std::int32_t (&out)[kMaxHistoryCharacters]) {
  int n = 0;
  for (const char16_t* p = text; *p; ++p) {
    std::int32_t c = *p;
    if (c >= 0xD800 && c < 0xDC00 && p[1] >= 0xDC00 && p[1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (p[1] - 0xDC00);
      ++p;
    }
    if (n == kMaxHistoryCharacters) return n + 1;
    out[n++] = c;
  }
  return n;
}

int AppendCodePoint(char16_t* out, int n, int capacity, std::int32_t c) {
  if (c >= 0x10000) {
    if (n + 2 > capacity) return -1;
    out[n++] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    out[n++] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    return n;
  }
  if (n + 1 > capacity) return -1;
  out[n++] = static_cast<char16_t>(c);
  return n;
}

std::uint16_t RuleTerm(const EngineInstance* e, int length, int i) {
  std::uint16_t term = 0;
  if (length < dme_block::kMinRuleLength || length > dme_block::kMaxRuleLength) return 0;
  e->blocks.dme.ReadU16(dme_block::RuleSlotOffset(static_cast<std::uint32_t>(length)) + 2u * static_cast<std::uint32_t>(i), term);
  return term;
}

int RecordWord(EngineInstance* e, const CommittedWord& w) {
  if (e->mode & (mode::kEnglish | mode::kComposingAfterCommit)) return 0;
  const CodeTableRecord& r = w.record;
  if (RecordClass(r.flags) == kClassAuxiliary || r.text_length > kMaxHistoryTextBytes) return 0;
  if (r.code_length == 0 || r.text_length == 0) return 0;
  if (r.text_length >= sizeof kCommandPrefix - 1 && std::memcmp(r.text, kCommandPrefix, sizeof kCommandPrefix - 1) == 0) {
    return 0;
  }
  char16_t text[kDecodedBufferUnits];
  char16_t code[kCodeBufferUnits];
  if (RecordText(r, text) <= 0 || RecordCode(r, code) <= 0) return 0;
  std::int32_t points[kMaxHistoryCharacters] = {};
  const int characters = CodePoints(text, points);
  // An entry holds 32 code points; a longer text is not remembered rather than overrunning it.
  if (characters > kMaxHistoryCharacters || characters == 0) return 0;

  if (e->history_count >= kHistoryEntries) {
    std::memmove(e->history, e->history + 1, sizeof(CommitHistoryEntry) * (kHistoryEntries - 1));
    e->history_count = kHistoryEntries - 1;
  }
  CommitHistoryEntry& h = e->history[e->history_count++];
  std::memset(&h, 0, sizeof h);
  h.characters = characters;
  std::memcpy(h.code_points, points, sizeof points);
  const int code_length = static_cast<int>(std::char_traits<char16_t>::length(code));
  if (characters == 1) {
    for (int i = 0; i < code_length && i < kCodePartUnits; ++i) h.codes[0][i] = code[i];
    return 1;
  }
  int next = 0;
  for (int i = 0; i < static_cast<int>(dme_block::kWordRuleTerms); ++i) {
    const std::uint16_t term = RuleTerm(e, characters, i);
    if (term == 0) break;
    const int c = dme_block::TermCharacter(term);
    const int place = dme_block::TermCodePosition(term);
    const bool known = c >= 1 && c <= kMaxWordCharacters;
    if (place == 0) {
      for (int k = 0; known && k < kCodePartUnits && next < code_length; ++k) h.codes[c - 1][k] = code[next++];
      break;
    }
    if (next >= code_length) break;
    const char16_t unit = code[next++];
    // A place counted from the back cannot be placed in a code whose length is unknown.
    if (known && dme_block::TermFromFront(term) && place <= kCodePartUnits) h.codes[c - 1][place - 1] = unit;
  }
  return 1;
}

// Whether the table already has a record with this code and text.
bool HoldsWord(const MappedFile* table, const std::uint8_t* record) {
  if (!table || !table->view) return false;
  TableRange range;
  const std::uint8_t* code = record + kRecordCodeLength;
  const std::uint8_t* text = code + 1 + code[0];
  FindCodeRange(table, range, code);
  for (std::int32_t i = range.first; i < range.end; ++i) {
    CodeTableRecord r;
    if (RecordAt(table, i, r) && r.text_length == text[0] &&
        std::memcmp(r.text, text + 1, r.text_length) == 0) {
      return true;
    }
  }
  return false;
}

int UnitsOf(const char16_t* s, int limit) {
  int n = 0;
  while (n < limit && s[n]) ++n;
  return n;
}

}  // namespace

bool AppendCodePart(const char16_t* part, int part_units, int place, bool from_front, char16_t* code, int& n,
                    int capacity) {
  if (place == 0) {
    if (part_units == 0) return false;
    for (int i = 0; i < part_units && n < capacity; ++i) code[n++] = part[i];
    return true;
  }
  const int at = from_front ? place - 1 : part_units - place;
  if (at < 0 || at >= part_units || !part[at] || n >= capacity) return false;
  code[n++] = part[at];
  return true;
}

int CharacterIndexCode(const MappedFile* danzi, std::int32_t character, char16_t (&code)[kCodeBufferUnits]) {
  code[0] = 0;
  char16_t word[3] = {};
  if (AppendCodePoint(word, 0, 2, character) < 0) return 0;
  IntArray* found = nullptr;
  if (FindAllRecordsByWord(word, danzi, &found) <= 0 || !found) return 0;
  CodeTableRecord r;
  int n = 0;
  char16_t text[kDecodedBufferUnits];
  if (ReadCodeTableRecord({danzi->view, static_cast<std::uint32_t>(danzi->size)},
                          static_cast<std::uint32_t>(found->items[0]), false, r) &&
      RecordText(r, text) > 0) {
    for (; text[n] && n < kCodeBufferUnits - 1; ++n) code[n] = text[n];
    code[n] = 0;
  }
  IntArrayFree(found);
  return n;
}

void AfterCommit(EngineInstance* e, int command) {
  // Every commit replaces the last committed word: one without a table record (a generated reading, an
  // association word, an English word) leaves nothing that "delete last word" could name.
  e->last_word = LastCommittedWord{};
  if (e->mode & mode::kEnglish) return;
  const int index = CandidateIndexOfCommand(command, e);
  CommittedWord w;
  if (index < 0 || !CopyCandidate(e, index, w)) return;
  RememberLastWord(e, w);
  if ((ImeFlags(e) & ime_block::kTempWordsSavedOnCommit) && w.kind == kind::kTemporary) Promote(e, w);
  if (RecordWord(e, w)) BuildWordsFromHistory(e);
}

int RecordCommitHistory(EngineInstance* e, int candidate_index) {
  CommittedWord w;
  if (e->mode & (mode::kEnglish | mode::kComposingAfterCommit)) return 0;
  if (!CopyCandidate(e, candidate_index, w)) return 0;
  return RecordWord(e, w);
}

int RecentCommitText(const EngineInstance* e, char16_t (&codes)[kMaxWordCharacters][8], int count,
                     char16_t (&text)[kRecentTextUnits + 1]) {
  std::memset(codes, 0, sizeof codes);
  text[0] = 0;
  const int total = e->history_count < kHistoryEntries ? e->history_count : kHistoryEntries;
  if (count > total) count = total;
  int characters = 0, units = 0;
  bool fits = true;
  for (int i = total - count; i < total; ++i) {
    const CommitHistoryEntry& h = e->history[i];
    for (int k = 0; k < h.characters && k < kMaxHistoryCharacters; ++k, ++characters) {
      // An entry knows the code parts of its first 16 characters only.
      if (characters < kMaxWordCharacters && k < kMaxWordCharacters) std::memcpy(codes[characters], h.codes[k], sizeof codes[0]);
      if (!fits) continue;
      const int n = AppendCodePoint(text, units, kRecentTextUnits, h.code_points[k]);
      if (n < 0) fits = false;
      else units = n;
    }
  }
  text[units] = 0;
  return fits ? characters : (characters > kMaxWordCharacters ? characters : kMaxWordCharacters + 1);
}

void BuildWordsFromHistory(EngineInstance* e) {
  const std::uint32_t ime_flags = ImeFlags(e);
  if (e->history_count < 2 || !e->files.temp || !e->files.temp->view || !(ime_flags & ime_block::kTempWords)) return;
  const bool from_history = ime_flags & ime_block::kTempWordsSmart;
  const MappedFile* danzi = e->files.danzi && e->files.danzi->view ? e->files.danzi : nullptr;
  for (int n = 2; n < kMaxWordCharacters && n <= e->history_count; ++n) {
    char16_t parts[kMaxWordCharacters][8];
    char16_t text[kRecentTextUnits + 1];
    const int characters = RecentCommitText(e, parts, n, text);
    if (characters < 2 || characters > kMaxWordCharacters) break;
    std::int32_t points[kMaxHistoryCharacters] = {};
    CodePoints(text, points);

    char16_t code[kBuiltCodeUnits + 1];
    int length = 0;
    bool complete = true;
    for (int i = 0; i < static_cast<int>(dme_block::kWordRuleTerms) && complete; ++i) {
      const std::uint16_t term = RuleTerm(e, characters, i);
      if (term == 0) break;
      const int c = dme_block::TermCharacter(term);
      const int place = dme_block::TermCodePosition(term);
      const bool front = dme_block::TermFromFront(term);
      if (c < 1 || c > characters) {
        complete = !from_history;
        continue;
      }
      if (from_history) {
        complete = AppendCodePart(parts[c - 1], UnitsOf(parts[c - 1], kCodePartUnits), place, front, code, length, kBuiltCodeUnits);
      } else if (danzi) {
        char16_t index_code[kCodeBufferUnits];
        const int units = CharacterIndexCode(danzi, points[c - 1], index_code);
        AppendCodePart(index_code, units, place, front, code, length, kBuiltCodeUnits);
      }
    }
    code[length] = 0;
    if (!complete || length == 0 || !text[0]) continue;
    TableRecordBuffer record;
    if (!MakeTableRecord(code, text, CodeToTableString, record)) continue;
    if (HoldsWord(e->files.main, record.bytes) || HoldsWord(e->files.temp, record.bytes)) continue;
    InsertRecentRecord(record.bytes, record.size, e->files.temp);
  }
}

}  // namespace lz
