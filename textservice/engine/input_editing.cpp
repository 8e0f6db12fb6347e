#include "textservice/engine/input_editing.h"

#include <algorithm>
#include <cstring>

#include "textservice/engine/candidate_list.h"
#include "textservice/engine/engine_actions.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/query.h"
#include "textservice/engine/text_encoding.h"

namespace lz {

namespace {

std::uint32_t ImeFlags(const EngineInstance* e) {
  std::uint32_t flags = 0;
  e->blocks.ime.ReadU32(ime_block::kImeFlags, flags);
  return flags;
}

}  // namespace

void ResetInput(EngineInstance* e) {
  e->mode &= ~mode::kInputMarks;
  e->number_marks = 0;
  e->candidate_count = 0;
  e->paging = PagingState{0, 0, -1, 0, 0};
  e->page_item_count = 0;
  e->key_count = 0;
  e->cursor = 0;
  std::memset(e->keys, 0, sizeof e->keys);
  std::memset(e->composition, 0, sizeof e->composition);
  e->composition_length = 0;
  e->composition_cursor = 0;
  e->commit = CommitRecord{};
}

void AppendInputKey(EngineInstance* e, char16_t key) {
  if (key == 0 || e->key_count >= kMaxInputKeys) return;
  const int count = std::clamp(e->key_count, 0, kMaxInputKeys);
  const int cursor = std::clamp(e->cursor, 0, count);
  std::memmove(e->keys + cursor + 1, e->keys + cursor, sizeof(char16_t) * static_cast<std::size_t>(count - cursor));
  e->keys[cursor] = key;
  e->key_count = count + 1;
  e->cursor = cursor + 1;
  e->keys[e->key_count] = 0;
}

void BuildCompositionString(EngineInstance* e) {
  const int highlighted = e->paging.highlighted;
  if ((ImeFlags(e) & ime_block::kInlineFirstCandidate) && highlighted >= 0 && highlighted < e->page_item_count) {
    // The candidate's own length, not the key count: the string is the candidate's text.
    int n = 0;
    for (const char16_t* p = e->page[highlighted].text; *p && n < kCompositionUnits; ++p) e->composition[n++] = *p;
    e->composition[n] = 0;
    e->composition_length = n;
    e->composition_cursor = n;
    return;
  }
  const int count = std::clamp(e->key_count, 0, kCompositionUnits);
  for (int i = 0; i < count; ++i) {
    char16_t shown = ShownKeyChar(e, e->keys[i]);
    if (shown < kCodeKeyByteLimit) shown = static_cast<char16_t>(kFullWidthBase + shown);
    e->composition[i] = shown;
  }
  e->composition[count] = 0;
  e->composition_length = count;
  e->composition_cursor = std::clamp(e->cursor, 0, count);
}

int RunQuery(EngineInstance* e) {
  if (e->mode & (mode::kEnglish | mode::kTemporaryEnglish)) {
    if (!e->files.engl && !(e->mode & mode::kTemporaryEnglish)) return query_result::kPushAndKeepKey;
    if (e->files.engl) {
      QueryEnglish(e);
    } else {
      // No English words to list; the Chinese list of an earlier input must not stay on show.
      e->candidate_count = 0;
      e->paging = PagingState{0, 0, -1, 0, 0};
      e->page_item_count = 0;
    }
    BuildCompositionString(e);
    return query_result::kShow;
  }
  const int result = QueryCandidates(e);
  if (result == query_result::kShow) BuildCompositionString(e);
  return result;
}

}  // namespace lz
