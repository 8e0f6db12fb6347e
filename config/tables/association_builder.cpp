#include "config/tables/association_builder.h"

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "config/app/temp_files.h"
#include "config/app/text_file.h"
#include "config/tables/word_tree.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"

namespace lz {
namespace {

using namespace code_table;

constexpr std::int64_t kInitialTreeNodes = 65535;
constexpr int kCounterCount = 65536;

bool IsLineEnd(char16_t c) { return c == u'\r' || c == u'\n'; }

// UTF-8 of a line, whole characters only, at most kMaxStringBytes bytes. An unpaired surrogate is
// written as U+FFFD.
std::string KeptUtf8(std::u16string_view line) {
  std::string out;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char32_t cp = line[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < line.size() && line[i + 1] >= 0xDC00 && line[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (line[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    char bytes[4];
    int n = 0;
    if (cp < 0x80) {
      bytes[n++] = static_cast<char>(cp);
    } else if (cp < 0x800) {
      bytes[n++] = static_cast<char>(0xC0 | (cp >> 6));
      bytes[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      bytes[n++] = static_cast<char>(0xE0 | (cp >> 12));
      bytes[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      bytes[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      bytes[n++] = static_cast<char>(0xF0 | (cp >> 18));
      bytes[n++] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      bytes[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      bytes[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    }
    if (out.size() + static_cast<std::size_t>(n) > kMaxStringBytes) break;
    out.append(bytes, static_cast<std::size_t>(n));
  }
  return out;
}

void Report(TableProgress progress, int done, int total) {
  if (progress) progress(done, total);
}

}  // namespace

int DecodeFirstCharacter(const std::uint8_t* bytes, int byte_count, char16_t* out, int capacity) {
  if (!bytes || byte_count <= 0 || capacity <= 0) return 0;
  const std::uint8_t lead = bytes[0];
  int more = 0;
  char32_t cp = 0;
  if (lead < 0x80) {
    cp = lead;
  } else if ((lead & 0xE0) == 0xC0) {
    more = 1;
    cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    more = 2;
    cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    more = 3;
    cp = lead & 0x07;
  } else {
    return -1;
  }
  if (byte_count <= more) return -1;
  for (int i = 1; i <= more; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (bytes[i] & 0x3F);
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char16_t>(cp);
    return 1;
  }
  if (capacity < 2 || cp > 0x10FFFF) return -1;
  cp -= 0x10000;
  out[0] = static_cast<char16_t>(0xD800 + (cp >> 10));
  out[1] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  return 2;
}

int BuildAssociationTableFromText(std::u16string_view list, const char16_t* table_path, TableProgress progress,
                                  bool* first_has_hash) {
  WordTree tree;
  if (!InitWordTree(tree, kInitialTreeNodes)) return 0;
  // The tree holds pointers to zero-terminated copies of the lines; a deque never moves them.
  std::deque<std::u16string> lines;
  std::uint64_t record_bytes = 0;
  std::vector<std::string> kept;  // UTF-8 of each inserted line, in node order

  int last_percent = -1;
  std::size_t at = 0;
  while (at < list.size()) {
    std::size_t end = at;
    while (end < list.size() && !IsLineEnd(list[end])) ++end;
    std::u16string_view line = list.substr(at, end - at);
    at = end;
    while (at < list.size() && IsLineEnd(list[at])) ++at;
    const int percent = static_cast<int>(std::min<std::uint64_t>(100, at * 100ull / list.size()));
    if (percent != last_percent) Report(progress, percent, 100);
    last_percent = percent;

    if (line.starts_with(u"//")) {
      if (!line.starts_with(u"///")) continue;
      line.remove_prefix(1);
    }
    if (line.empty()) continue;
    lines.emplace_back(line);
    if (InsertWordTree(tree, lines.back().c_str())) {
      kept.push_back(KeptUtf8(line));
      record_bytes += kAssociationRecordFixedBytes + kept.back().size();
    } else {
      lines.pop_back();
    }
    if (first_has_hash && WordTreeCount(tree) == 1) *first_has_hash = line.find(u'#') != std::u16string_view::npos;
  }

  const auto n = static_cast<std::uint64_t>(WordTreeCount(tree));
  if (n == 0) return 0;
  const std::uint64_t first_record = kOffsetTable + 4 * n + kAssociationGapBytes;
  const std::uint64_t size = first_record + record_bytes;
  if (size > 0x7FFFFFFF) return 0;
  MappedFile* table = nullptr;
  if (!CreateMappedFile(&table, table_path, static_cast<int>(size))) return 0;
  const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
  view.WriteU32(kLowestRecordOffset, static_cast<std::uint32_t>(first_record));
  view.WriteU32(kRecordCount, static_cast<std::uint32_t>(n));
  view.WriteU32(kTableType, kTypeAssociation);
  view.WriteU16(kFormatNumber, kFormat);
  std::memcpy(table->view + kTableName, kAssociationTableName, std::strlen(kAssociationTableName));
  view.WriteU8(kMarkY, kMarkYValue);
  view.WriteU8(kMarkN, kMarkNValue);

  std::vector<std::uint32_t> counters(kCounterCount, kAssociationFirstOrder);
  auto offset = static_cast<std::uint32_t>(first_record);
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::string& text = kept[i];
    char16_t first[2] = {};
    const int units = DecodeFirstCharacter(reinterpret_cast<const std::uint8_t*>(text.data()),
                                           static_cast<int>(text.size()), first, 2);
    std::uint32_t& counter = counters[units > 0 ? first[0] : 0];
    const std::uint32_t order = counter;
    if (counter > 1) --counter;
    view.WriteU32(kOffsetTable + 4 * i, offset);
    view.WriteU32(offset, order << kOrderShift);
    view.WriteU8(offset + kAssociationTextLength, static_cast<std::uint8_t>(text.size()));
    std::memcpy(table->view + offset + kAssociationRecordFixedBytes, text.data(), text.size());
    offset += kAssociationRecordFixedBytes + static_cast<std::uint32_t>(text.size());
    Report(progress, static_cast<int>(i), static_cast<int>(n));
  }
  const int sorted = SortTableOffsets(CompareCodes, table);
  CloseMappedFile(table);
  return sorted;
}

int BuildAssociationTable(const char16_t* list_path, const char16_t* table_path, TableProgress progress,
                          bool* first_has_hash) {
  std::u16string text;
  if (ReadTextFile(list_path, text) != kTextFileRead) return 0;
  return BuildAssociationTableFromText(text, table_path, progress, first_has_hash);
}

int RebuildAssociationTable(const char16_t* target_path, const char16_t* list_path, const char16_t* temporary_path,
                            bool* first_has_hash) {
  if (!BuildAssociationTable(list_path, temporary_path, nullptr, first_has_hash)) return 0;
  MappedFile* target = nullptr;
  if (!OpenMappedFile(target_path, &target)) return 0;
  MappedFile* built = nullptr;
  if (!OpenMappedFile(temporary_path, &built)) {
    CloseMappedFile(target);
    return 0;
  }
  int result = 0;
  {
    ScopedFileWrite write(target);
    if (write.ok()) {
      // The view of a heap copy carries two padding bytes that are not the file's.
      const std::int32_t built_size = IsMappedFileWritable(built) ? built->size : built->size - 2;
      if (target->size >= built_size || ResizeMappedFile(built_size, target)) {
        std::memcpy(target->view, built->view, static_cast<std::size_t>(built_size));
        FlushMappedFile(target);
        result = 1;
      }
    }
  }
  CloseMappedFile(built);
  CloseMappedFile(target);
  return result;
}

}  // namespace lz
