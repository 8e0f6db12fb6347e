#include "textservice/engine/candidate_commit.h"

#include <algorithm>

#include "textservice/engine/candidate_list.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/command_words.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/text_encoding.h"

namespace lz {

using namespace code_table;

namespace {

constexpr std::uint32_t kCommitTextLimit = 254;
constexpr char16_t kIdeographicSpace = 0x3000;
constexpr char16_t kFullWidthOffset = 0xFEE0;
constexpr char16_t kLastFullWidthSource = 0x80;

// The page place (1-based) a command names; 0 for the input itself, -1 for no place at all.
int PlaceOf(int command, const EngineInstance* e) {
  switch (command) {
    case candidate_command::kHighlighted:
    case candidate_command::kPushHighlighted:
      return e->paging.highlighted + 1;
    case candidate_command::kInput:
      return 0;
    case candidate_command::kLastPlace:
      return e->page_item_count;
    default:
      return (command >= candidate_command::kFirstPlace && command <= candidate_command::kLastNumberedPlace) ? command
                                                                                                           : -1;
  }
}

char16_t FullWidth(char16_t c) {
  if (c > kLastFullWidthSource) return c;
  return c == u' ' ? kIdeographicSpace : static_cast<char16_t>(c + kFullWidthOffset);
}

// Keys that the commit text leaves out at the front: the temporary-English lead key ahead of its input.
int LeadKeysSkipped(const EngineInstance* e) {
  std::uint8_t lead = 0;
  e->blocks.dme.ReadU8(dme_block::kEnglishLeadKey, lead);
  return (lead != 0 && e->key_count >= 2 && e->keys[0] == lead) ? 1 : 0;
}

void CommitInput(EngineInstance* e) {
  const bool full_width = e->mode & mode::kFullWidth;
  const int count = std::clamp(e->key_count, 0, kMaxInputKeys);
  std::uint32_t n = 0;
  for (int i = LeadKeysSkipped(e); i < count && n < kCommitTextLimit; ++i) {
    char16_t c = e->keys[i];
    if (c < kCodeKeyByteLimit) c = static_cast<char16_t>(c + kCodeKeyByteLimit);
    e->commit.text[n++] = full_width ? FullWidth(c) : c;
  }
  e->commit.text[n] = 0;
  e->commit.text_length = n;
  e->commit.action = commit_action::kInput;
}

// In English and number input a word is looked up in small letters; the letters typed as capitals
// come back as capitals. Only typed positions are read: a completion is longer than the input.
void RestoreCapitals(EngineInstance* e) {
  const int skipped = LeadKeysSkipped(e);
  const int count = std::clamp(e->key_count, 0, kMaxInputKeys);
  for (std::uint32_t i = 0; i < e->commit.text_length; ++i) {
    const int k = static_cast<int>(i) + skipped;
    if (k >= count) break;
    char16_t& c = e->commit.text[i];
    if (e->keys[k] >= u'A' && e->keys[k] <= u'Z' && c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
}

std::uint32_t RecordFlags(const std::uint8_t* record) {
  return static_cast<std::uint32_t>(record[0]) | static_cast<std::uint32_t>(record[1]) << 8 |
         static_cast<std::uint32_t>(record[2]) << 16 | static_cast<std::uint32_t>(record[3]) << 24;
}

bool Inside(const MappedFile* table, const std::uint8_t* record) {
  return table && table->view && record >= table->view && record < table->view + table->size;
}

// The table whose order values a chosen record may change. temp.dmg is never one: its order values are
// the ages of its words.
MappedFile* OrderedTableOf(const EngineInstance* e, const std::uint8_t* record) {
  for (MappedFile* table : {e->files.main, e->files.engl, e->files.sysl}) {
    if (Inside(table, record)) return table;
  }
  return nullptr;
}

bool SameGroup(const CandidateEntry& a, const CandidateEntry& b, const MappedFile* table) {
  return a.weight == b.weight && Inside(table, a.record) &&
         ((RecordFlags(a.record) ^ RecordFlags(b.record)) & kFlagPinned) == 0;
}

// Moves the chosen candidate up among its equals. False when the list had to be dropped because the
// table was mapped anew before the write.
bool AdjustOrder(EngineInstance* e, int chosen, std::uint32_t options) {
  const CandidateEntry& entry = e->candidates[chosen];
  if (entry.kind == kind::kTemporary) return true;
  options &= ime_block::kFrequencyMask;
  if (!options) return true;
  MappedFile* table = OrderedTableOf(e, entry.record);
  if (!table) return true;
  int start = chosen;
  while (start > 0 && SameGroup(e->candidates[start - 1], entry, table)) --start;
  const int target = (options & ime_block::kFrequencyToTop) ? start
                                                            : std::max(start, chosen - (chosen - start) / 2 - 1);
  if (target >= chosen) return true;

  ScopedFileWrite write(table);
  if (!write.ok()) return true;
  // Taking the lock maps the table again when another process has grown it; the list then points into
  // a view that is gone.
  if (DropStaleCandidates(e)) return false;
  const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
  const auto offset_of = [&](int i) { return static_cast<std::uint64_t>(e->candidates[i].record - table->view); };
  const auto set_order = [&](int i, std::uint32_t order) {
    std::uint32_t flags = 0;
    if (view.ReadU32(offset_of(i), flags)) {
      view.WriteU32(offset_of(i), (flags & ((1u << kOrderShift) - 1)) | (order << kOrderShift));
    }
  };
  std::uint32_t first_flags = 0;
  view.ReadU32(offset_of(target), first_flags);
  for (int i = target; i < chosen; ++i) {
    std::uint32_t next_flags = 0;
    view.ReadU32(offset_of(i + 1), next_flags);
    set_order(i, OrderValue(next_flags));
  }
  set_order(chosen, OrderValue(first_flags));
  return true;
}

}  // namespace

int NavigateCandidates(int command, EngineInstance* e) {
  DropStaleCandidates(e);
  const int place = PlaceOf(command, e);
  if (place == 0 || (command == candidate_command::kHighlighted && e->candidate_count == 0)) {
    CommitInput(e);
    return kInputCommitted;
  }
  if (place < 0 || place > e->page_item_count) return kEmptyPlace;
  DetectCandidateCommand(e, place - 1);
  const std::uint32_t action = e->commit.action;
  const bool plain = action == commit_action::kText || action == commit_action::kTextAsCode ||
                     action == commit_action::kUnsortedText;
  if (plain && (e->mode & (mode::kEnglish | mode::kTemporaryEnglish | mode::kReadingsShown | mode::kEnglishLookup))) {
    RestoreCapitals(e);
  }
  return e->page[place - 1].candidate;
}

int CandidateIndexOfCommand(int command, EngineInstance* e) {
  if (DropStaleCandidates(e)) return kNoCandidate;
  const int place = PlaceOf(command, e);
  if (place == 0) return kNoCandidate;
  if (place < 0 || place > e->page_item_count) return kEmptyPlace;
  const int chosen = e->page[place - 1].candidate;
  if (chosen < 0 || chosen >= e->candidate_count) return kNoCandidate;
  return chosen;
}

int CandidateIndexForCommand(int command, EngineInstance* e) {
  const int chosen = CandidateIndexOfCommand(command, e);
  if (chosen < 0) return chosen;
  std::uint32_t options = 0;
  e->blocks.ime.ReadU32(ime_block::kCandidateOptions, options);
  return AdjustOrder(e, chosen, options) ? chosen : kNoCandidate;
}

int MoveCandidateToFront(int command, EngineInstance* e) {
  const int chosen = CandidateIndexOfCommand(command, e);
  if (chosen < 0) return chosen;
  return AdjustOrder(e, chosen, ime_block::kFrequencyToTop) ? chosen : kNoCandidate;
}

}  // namespace lz
