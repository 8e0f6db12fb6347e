#include "textservice/engine/dictionary_table.h"

#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/text_decoding.h"

namespace lz {

bool ReadDictionaryExplanation(ByteView view, std::uint32_t offset, std::size_t limit, std::u16string& out) {
  out.clear();
  std::uint32_t flags = 0;
  std::uint8_t key_length = 0;
  if (!view.ReadU32(offset + std::uint64_t{code_table::kRecordFlags}, flags) ||
      !view.ReadU8(offset + std::uint64_t{code_table::kRecordCodeLength}, key_length)) {
    return false;
  }
  const std::int64_t length = static_cast<std::int64_t>(code_table::OrderValue(flags)) - key_length;
  if (length <= 0) return true;
  const std::uint64_t start = offset + std::uint64_t{code_table::kRecordCodeLength} + 1 + key_length;
  if (start >= view.size) return true;
  const std::uint64_t available = view.size - start;
  const auto bytes = static_cast<std::size_t>(static_cast<std::uint64_t>(length) < available ? length : available);
  out = Utf8BytesToWide(view.data + start, bytes);
  if (out.size() > limit) {
    std::size_t keep = limit;
    // The kept text ends on a whole character.
    if (keep > 0 && out[keep - 1] >= 0xD800 && out[keep - 1] <= 0xDBFF) --keep;
    out.resize(keep);
  }
  return true;
}

bool FindDictionaryExplanation(const MappedFile* table, const char16_t* word, std::size_t limit, std::u16string& out) {
  out.clear();
  if (!table || !table->view || table->size <= 0) return false;
  IntArray* found = nullptr;
  const int count = FindAllRecordsByKey(table, word, &found);
  bool read = false;
  if (count > 0 && found) {
    const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
    read = ReadDictionaryExplanation(view, static_cast<std::uint32_t>(found->items[0]), limit, out);
  }
  if (found) IntArrayFree(found);
  return read;
}

}  // namespace lz
