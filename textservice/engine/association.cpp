#include "textservice/engine/association.h"

#include <algorithm>
#include <cstring>

#include "textservice/engine/block_fields.h"
#include "textservice/engine/candidate_list.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/input_editing.h"
#include "textservice/engine/text_encoding.h"

namespace lz {

using namespace code_table;

namespace {

constexpr std::int32_t kClosenessBase = 250;
constexpr std::uint8_t kMark = '#';

// A record's key: the string the table is sorted by, up to a zero byte that word tables end keys with.
void RecordKey(const CodeTableRecord& record, bool association, const std::uint8_t*& key, int& length) {
  key = association ? record.text : record.code;
  const int limit = association ? record.text_length : record.code_length;
  const void* zero = std::memchr(key, 0, static_cast<std::size_t>(limit));
  length = zero ? static_cast<int>(static_cast<const std::uint8_t*>(zero) - key) : limit;
}

// Changes the key's ASCII letters to one case; true when anything changed.
bool SetCase(std::uint8_t* key, bool capitals) {
  bool changed = false;
  for (int i = 1; i <= key[0]; ++i) {
    std::uint8_t& c = key[i];
    if (capitals && c >= 'a' && c <= 'z') {
      c = static_cast<std::uint8_t>(c - 'a' + 'A');
      changed = true;
    } else if (!capitals && c >= 'A' && c <= 'Z') {
      c = static_cast<std::uint8_t>(c - 'A' + 'a');
      changed = true;
    }
  }
  return changed;
}

}  // namespace

int SetAssociationKey(EngineInstance* e, const char16_t* text) {
  std::uint8_t* key = e->association_key;
  std::memset(key, 0, sizeof e->association_key);
  if (!text) return 0;
  const int needed = WideToUtf8(text, key + 1, kMaxAssociationKeyBytes);
  if (needed <= 0) {
    std::memset(key, 0, sizeof e->association_key);
    return 0;
  }
  // A cut text keeps only the characters that fitted whole, and nothing after them.
  const void* end = std::memchr(key + 1, 0, kMaxAssociationKeyBytes);
  const int length = end ? static_cast<int>(static_cast<const std::uint8_t*>(end) - (key + 1))
                         : std::min(needed, kMaxAssociationKeyBytes);
  key[0] = static_cast<std::uint8_t>(length);
  key[1 + length] = 0;
  return length;
}

int AssociateAfterCommit(EngineInstance* e) {
  const std::uint32_t ime_flags = BlockU32(e->blocks.ime, ime_block::kImeFlags);
  if (!(ime_flags & ime_block::kAssociation) || !e->files.sysl || !e->files.sysl->view ||
      e->association_key[0] == 0 || (e->mode & (mode::kEnglish | mode::kTemporaryEnglish))) {
    return 0;
  }
  ResetInput(e);
  std::uint32_t options = association_option::kAfterCommit;
  if (BlockU32(e->blocks.ime, ime_block::kBehaviourFlags) & ime_block::kAssociationMarked) {
    options |= association_option::kMarked;
  }
  return AssociationQuery(e, options);
}

int AssociationQuery(EngineInstance* e, std::uint32_t options) {
  std::uint8_t* key = e->association_key;
  if (key[0] == 0) return e->candidate_count;
  if (options & association_option::kMarked) {
    const int length = key[0];
    if (length < kMaxAssociationKeyBytes) {
      key[1 + length] = kMark;
      key[0] = static_cast<std::uint8_t>(length + 1);
      AssociationLookup(key, e, options);
      key[0] = static_cast<std::uint8_t>(length);
      key[1 + length] = 0;
    } else {
      AssociationLookup(key, e, options);
    }
  } else if (options & association_option::kEnglish) {
    SetCase(key, false);
    AssociationLookup(key, e, options);
    // A key without letters reads the same in capitals: looking it up again would list every word twice.
    if (SetCase(key, true)) AssociationLookup(key, e, options);
  } else {
    AssociationLookup(key, e, options);
  }
  return e->candidate_count;
}

void AssociationLookup(const std::uint8_t* key, EngineInstance* e, std::uint32_t options) {
  const MappedFile* table = (options & association_option::kEnglish) ? e->files.engl : e->files.sysl;
  if (!table || !table->view || key[0] == 0) return;
  CodeTableHeader header;
  if (!ReadCodeTableHeader({table->view, static_cast<std::uint32_t>(table->size)}, header)) return;
  const bool association = IsAssociationType(header.table_type);
  const int key_length = key[0];
  TableRange range;
  FindPrefixRangeWith(table, key, range);
  for (std::int32_t i = range.first; i < range.end && e->candidate_count < kMaxAssociationCandidates; ++i) {
    std::uint32_t offset = 0;
    CodeTableRecord record;
    if (!RecordOffsetAt(table, i, offset) || !RecordAt(table, i, record)) continue;
    const std::uint8_t* record_key = nullptr;
    int record_length = 0;
    RecordKey(record, association, record_key, record_length);
    const bool longer = record_length > key_length ||
                        (record_length == key_length && (options & association_option::kEqualKeys));
    if (!longer || record_length < key_length ||
        std::memcmp(record_key, key + 1, static_cast<std::size_t>(key_length)) != 0) {
      continue;
    }
    const std::int32_t weight =
        (options & association_option::kCloseness) ? kClosenessBase + key_length - record_length : 1;
    ListCandidate(table->view + offset, kind::kAssociation, e, weight);
  }
}

}  // namespace lz
