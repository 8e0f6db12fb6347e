#include "config/tables/table_text.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "config/app/config_context.h"
#include "config/app/text_file.h"
#include "config/tables/word_code.h"
#include "platform/os/whole_file.h"
#include "textservice/engine/text_encoding.h"

namespace lz {
namespace {

using code_table::kClassMask;
using code_table::kClassShift;
using code_table::kFlagDeleted;
using code_table::kFlagPinned;
using code_table::kOrderShift;

constexpr std::uint32_t kLastClass = 31;
constexpr std::uint32_t kCategoryBase = 15;  // "主码-N" names class N + 15
constexpr std::uint32_t kFirstNumberedClass = 5;
constexpr std::int64_t kEmptyTableNodes = 32;
constexpr std::size_t kHeaderSkipLength = 10;
constexpr int kBuiltCodeUnits = 128;
constexpr std::uint64_t kGrowthSlack = 4096;  // a grown table keeps this much free gap for later words

// Tags of a line, in the order they follow the code.
constexpr char16_t kTagDeleted[] = u"#删";
constexpr char16_t kTagPinned[] = u"#固";

std::u16string Number(std::int64_t n) {
  std::u16string out;
  for (char c : std::to_string(n)) out += static_cast<char16_t>(c);
  return out;
}

std::u16string ClassTag(std::uint32_t cls) {
  switch (cls) {
    case code_table::kClassUser:
      return u"#用";
    case code_table::kClassSecondary:
      return u"#次";
    case code_table::kClassAuxiliary:
      return u"#辅";
    default:
      break;
  }
  if (cls >= code_table::kClassFirstCategory && cls <= kLastClass) {
    return u"#类" + Number(static_cast<std::int64_t>(cls - kCategoryBase));
  }
  return {};
}

std::u16string ClassHeaderLine(std::int32_t filter) {
  const std::u16string prefix = std::u16string(kTableTextHeaderPrefix) + u"码表分类=";
  switch (filter) {
    case 1:
      return prefix + u"主码-系统码表";
    case 2:
      return prefix + u"主码-用户码表";
    case 3:
      return prefix + u"主码-次显码表";
    case 4:
      return prefix + u"辅码码表";
    default:
      break;
  }
  if (filter >= static_cast<std::int32_t>(kFirstNumberedClass) && filter <= static_cast<std::int32_t>(kLastClass)) {
    return prefix + u"主码-" + Number(filter - static_cast<std::int64_t>(kCategoryBase));
  }
  return {};
}

// What the export tree orders by: the record's place in the file breaks every tie.
struct ExportItem {
  std::uint32_t flags;
  std::uint8_t first_code_byte;
  std::uint32_t offset;
};

int CompareExport(const ExportItem& a, const ExportItem& b, bool ascending) {
  auto order = [](std::uint64_t x, std::uint64_t y) { return x < y ? -1 : x > y ? 1 : 0; };
  if (int c = order(a.flags & kFlagPinned, b.flags & kFlagPinned)) return c;
  if (int c = order(code_table::RecordClass(a.flags), code_table::RecordClass(b.flags))) return c;
  if (int c = order(a.first_code_byte, b.first_code_byte)) return c;
  if (int c = order(code_table::OrderValue(a.flags), code_table::OrderValue(b.flags))) return ascending ? c : -c;
  return order(a.offset, b.offset);
}
int CompareExportAscending(const void* a, const void* b) {
  return CompareExport(*static_cast<const ExportItem*>(a), *static_cast<const ExportItem*>(b), true);
}
int CompareExportDescending(const void* a, const void* b) {
  return CompareExport(*static_cast<const ExportItem*>(a), *static_cast<const ExportItem*>(b), false);
}

bool Selected(const TableExport& request, const CodeTableRecord& record) {
  const std::int32_t filter = request.class_filter;
  const std::uint32_t cls = code_table::RecordClass(record.flags);
  if (filter == 0 && request.class_flags_given && cls < static_cast<std::uint32_t>(kTableClassSlots) &&
      !(request.class_flags[cls] & 1u)) {
    return false;
  }
  if (filter >= 1 && filter <= static_cast<std::int32_t>(kLastClass)) return cls == static_cast<std::uint32_t>(filter);
  if (filter == kPinnedFilter) return (record.flags & kFlagPinned) != 0;
  return true;
}

std::uint32_t WithClass(std::uint32_t flags, std::uint32_t cls) {
  return (flags & ~(kClassMask << kClassShift)) | ((cls & kClassMask) << kClassShift);
}

std::uint32_t ReadFlags(const TableRecordBuffer& r) {
  return static_cast<std::uint32_t>(r.bytes[0]) | (static_cast<std::uint32_t>(r.bytes[1]) << 8) |
         (static_cast<std::uint32_t>(r.bytes[2]) << 16) | (static_cast<std::uint32_t>(r.bytes[3]) << 24);
}
void WriteFlags(TableRecordBuffer& r, std::uint32_t flags) {
  for (int i = 0; i < 4; ++i) r.bytes[i] = static_cast<std::uint8_t>(flags >> (8 * i));
}

void Log(TableImport& import, std::u16string_view text, const char16_t* reason) {
  import.log.push_back(std::u16string(text) + reason);
}

// An entry that changes the table when the import is committed; a change the log tells of is its line.
void NoteChange(TableImport& import, std::u16string_view text, const char16_t* reason = nullptr) {
  import.changing_words.emplace_back(text);
  if (!reason) return;
  import.change_log_lines.push_back(import.log.size());
  Log(import, text, reason);
}

}  // namespace

std::u16string EscapeTableText(std::u16string_view text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\r') {
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      out += u"\\r";
    } else if (c == u'\n') {
      out += u"\\r";
    } else if (c == u'\t') {
      out += u"\\t";
    } else if (c == u'\\') {
      out += u"\\\\";
    } else {
      out += c;
    }
  }
  return out;
}

std::u16string UnescapeTableText(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const char16_t next = i + 1 < text.size() ? text[i + 1] : u'\0';
    if (c == u'\\' && next == u'\\') {
      out += u'\\';
    } else if (c == u'\\' && next == u't') {
      out += u'\t';
    } else if (c == u'\\' && next == u'r') {
      out += u"\r\n";
    } else {
      out += c;
      continue;
    }
    ++i;
  }
  return out;
}

std::u16string TableTextHeaderLines(const TableExport& request) {
  const std::int32_t filter = request.class_filter;
  const auto alias = [&](std::uint32_t cls) -> std::u16string_view {
    std::u16string_view a = request.aliases[cls];
    return a.substr(0, std::min<std::size_t>(a.size(), kTableAliasUnits - 1));
  };
  const auto flagged = [&](std::uint32_t cls) { return (request.class_flags[cls] & 1u) != 0; };
  std::u16string lines;
  const auto line = [&](std::u16string_view a, std::u16string_view b = {}, std::u16string_view c = {}) {
    lines.append(kTableTextHeaderPrefix).append(a).append(b).append(c).append(u"\r\n");
  };
  const std::u16string class_line = ClassHeaderLine(filter);
  if (!class_line.empty()) {
    lines.append(class_line).append(u"\r\n");
    if (request.aliases_given) line(u"码表别名=", alias(static_cast<std::uint32_t>(filter)));
    return lines;
  }
  if (filter != 0 || !request.class_flags_given || !request.aliases_given) return lines;
  line(u"主码别名=", alias(0));
  if (flagged(code_table::kClassSystem)) line(u"主码-系统码表别名=", alias(code_table::kClassSystem));
  if (!alias(code_table::kClassUser).empty()) line(u"主码-用户码表别名=", alias(code_table::kClassUser));
  if (flagged(code_table::kClassSecondary) && !alias(code_table::kClassSecondary).empty()) {
    line(u"主码-次显码表别名=", alias(code_table::kClassSecondary));
  }
  for (std::uint32_t cls = code_table::kClassFirstCategory; cls <= kLastClass; ++cls) {
    if (!flagged(cls)) continue;
    line(u"主码-分类码表别名", Number(static_cast<std::int64_t>(cls - kCategoryBase)) + u"=", alias(cls));
  }
  if (flagged(code_table::kClassAuxiliary)) line(u"辅码别名=", alias(code_table::kClassAuxiliary));
  return lines;
}

std::u16string FormatTableTextLine(const TableExport& request, std::uint32_t table_type,
                                   const CodeTableRecord& record) {
  char16_t text[kDecodedBufferUnits] = {};
  RecordText(record, text);
  const std::uint32_t type = table_type & ~code_table::kTypeBeingChanged;
  std::u16string line;
  if (type == code_table::kTypeIndexed) {
    char16_t code[kCodeBufferUnits] = {};
    std::uint8_t table_string[1 + code_table::kMaxStringBytes];
    table_string[0] = record.code_length;
    std::copy(record.code, record.code + record.code_length, table_string + 1);
    (request.converter ? request.converter : TableStringToCode)(code, table_string);
    line = EscapeTableText(text) + u"\t" + code;
    if (record.flags & kFlagDeleted) line += kTagDeleted;
    if ((record.flags & kFlagPinned) && request.class_filter != kPinnedFilter) line += kTagPinned;
    if (request.class_filter <= 0) line += ClassTag(code_table::RecordClass(record.flags));
  } else if (code_table::IsAssociationType(type)) {
    line = text;
  }
  return line;
}

int ExportTableText(const TableExport& request, const MappedFile* table, const char16_t* path, bool ascending) {
  if (!table || !table->view) return -1;
  const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
  CodeTableHeader header;
  if (!ReadCodeTableHeader(view, header)) return -1;
  const std::uint32_t count = RecordCount(table);
  std::vector<ExportItem> items;
  std::vector<CodeTableRecord> records;
  try {
    items.reserve(count);
    records.reserve(count);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    if (request.progress) request.progress(request.progress_context, i, count);
    CodeTableRecord record;
    if (!RecordAt(table, static_cast<std::int32_t>(i), record) || !Selected(request, record)) continue;
    items.push_back({record.flags, record.code_length ? record.code[0] : std::uint8_t{0}, record.offset});
    records.push_back(record);
  }
  WordTree tree;
  if (!InitWordTree(tree, count ? count : kEmptyTableNodes,
                    ascending ? CompareExportAscending : CompareExportDescending)) {
    return -1;
  }
  for (const ExportItem& item : items) InsertWordTree(tree, &item);

  struct Writer {
    const TableExport* request;
    std::uint32_t type;
    const std::vector<ExportItem>* items;
    const std::vector<CodeTableRecord>* records;
    std::vector<std::uint8_t> bytes;
    std::int64_t written;
  } writer{&request, header.table_type, &items, &records, {}, 0};
  try {
    writer.bytes.assign(std::begin(kUtf8Mark), std::end(kUtf8Mark));
    AppendUtf8(writer.bytes, TableTextHeaderLines(request));
    WalkWordTree(
        tree,
        [](const void* item, void* context) {
          auto& w = *static_cast<Writer*>(context);
          const auto index = static_cast<std::size_t>(static_cast<const ExportItem*>(item) - w.items->data());
          const std::u16string line = FormatTableTextLine(*w.request, w.type, (*w.records)[index]);
          if (!line.empty()) AppendUtf8(w.bytes, line + u"\r\n");
          if (w.request->progress) {
            w.request->progress(w.request->progress_context, w.written, static_cast<std::int64_t>(w.items->size()));
          }
          ++w.written;
        },
        &writer);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  if (!os::ReplaceWholeFile(path, writer.bytes)) return -1;
  return static_cast<int>(items.size());
}

std::uint32_t ReadTableTextHeader(std::u16string_view text) {
  const std::u16string_view prefix = kTableTextHeaderPrefix;
  const std::u16string_view classes = u"码表分类=";
  std::uint32_t found = 0;
  for (std::size_t at = text.find(prefix); at != std::u16string_view::npos; at = text.find(prefix, at + 1)) {
    std::u16string_view rest = text.substr(at + prefix.size());
    if (rest.substr(0, classes.size()) != classes) continue;
    rest.remove_prefix(classes.size());
    auto starts = [&](std::u16string_view s) { return rest.substr(0, s.size()) == s; };
    if (starts(u"辅码码表")) {
      found = code_table::kClassAuxiliary;
    } else if (starts(u"主码-系统码表")) {
      found = code_table::kClassSystem;
    } else if (starts(u"主码-用户码表")) {
      found = code_table::kClassUser;
    } else if (starts(u"主码-次显码表")) {
      found = code_table::kClassSecondary;
    } else if (starts(u"主码-")) {
      std::uint32_t n = 0;
      for (std::size_t i = 3; i < rest.size() && rest[i] >= u'0' && rest[i] <= u'9' && n < 100; ++i) {
        n = n * 10 + (rest[i] - u'0');
      }
      if (n == 0) n = 1;
      if (n > code_table::kClassLastCategory - kCategoryBase) n = code_table::kClassLastCategory - kCategoryBase;
      found = n + kCategoryBase;
    }
  }
  return found;
}

std::unique_ptr<TableImport> CreateTableImport() { return std::unique_ptr<TableImport>(new (std::nothrow) TableImport); }

namespace {

// FNV-1a over a record's code and text.
std::uint32_t HashRecordKey(const std::uint8_t* record, std::uint32_t size) {
  std::uint32_t hash = 2166136261u;
  for (std::uint32_t i = code_table::kRecordCodeLength; i < size; ++i) hash = (hash ^ record[i]) * 16777619u;
  return hash;
}

}  // namespace

std::uint32_t ImportRecordQueue::RecordSize(const std::uint8_t* record) {
  const std::uint32_t code = record[code_table::kRecordCodeLength];
  return code_table::kRecordCodeLength + 2 + code + record[code_table::kRecordCodeLength + 1 + code];
}

const std::uint8_t* ImportRecordQueue::At(std::uint32_t slot) const {
  const std::uint32_t place = slot - 1;
  return blocks_[place / kBlockBytes].get() + place % kBlockBytes;
}

bool ImportRecordQueue::GrowSlots() {
  const std::size_t capacity = slots_.empty() ? 1024 : slots_.size() * 2;
  std::vector<std::uint32_t> grown;
  try {
    grown.assign(capacity, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (const std::uint32_t slot : slots_) {
    if (slot == 0) continue;
    const std::uint8_t* record = At(slot);
    std::size_t i = HashRecordKey(record, RecordSize(record)) & (capacity - 1);
    while (grown[i] != 0) i = (i + 1) & (capacity - 1);
    grown[i] = slot;
  }
  slots_.swap(grown);
  return true;
}

ImportRecordQueue::Added ImportRecordQueue::Add(const std::uint8_t* record, std::uint32_t size) {
  // The set is kept at most three quarters full.
  if (4ull * (count_ + 1) > 3ull * slots_.size() && !GrowSlots()) return Added::kNoMemory;
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = HashRecordKey(record, size) & mask;
  for (; slots_[i] != 0; i = (i + 1) & mask) {
    const std::uint8_t* queued = At(slots_[i]);
    if (RecordSize(queued) == size &&
        std::memcmp(queued + code_table::kRecordCodeLength, record + code_table::kRecordCodeLength,
                    size - code_table::kRecordCodeLength) == 0) {
      return Added::kDuplicate;
    }
  }
  if (blocks_.empty() || used_.back() + size > kBlockBytes) {
    // Places are 32-bit, one past the last byte included.
    if ((blocks_.size() + 1) * std::uint64_t{kBlockBytes} >= 0xFFFFFFFFull) return Added::kNoMemory;
    std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[kBlockBytes]);
    if (!block) return Added::kNoMemory;
    try {
      blocks_.push_back(std::move(block));
      used_.push_back(0);
    } catch (const std::bad_alloc&) {
      if (blocks_.size() > used_.size()) blocks_.pop_back();
      return Added::kNoMemory;
    }
  }
  const std::uint32_t block = static_cast<std::uint32_t>(blocks_.size() - 1);
  std::memcpy(blocks_[block].get() + used_[block], record, size);
  slots_[i] = 1 + block * kBlockBytes + used_[block];
  used_[block] += size;
  ++count_;
  bytes_ += size;
  return Added::kQueued;
}

void ImportRecordQueue::Clear() {
  blocks_.clear();
  used_.clear();
  slots_.clear();
  slots_.shrink_to_fit();
  count_ = 0;
  bytes_ = 0;
}

namespace {

// The class an entry gets: its own tag, else the header's; an import into one class takes only that one.
// 0 when it does not fit the import.
std::uint32_t ImportClass(const TableImport& import, std::uint32_t cls) {
  if (cls == 0 && import.header_class != 0) cls = import.header_class;
  if (import.import_class == 0) return cls == 0 ? code_table::kClassSystem : cls;
  if (cls == 0) return import.import_class;
  return cls == import.import_class ? cls : 0;
}

constexpr char16_t kLogCannotMake[] = u" ----------无法创建词条\r\n";
constexpr char16_t kLogWrongClass[] = u" ----------与所选分类不匹配的词条类别\r\n";
constexpr char16_t kLogUndeleted[] = u" ----------存在于系统码表，已取消删除标志\r\n";
constexpr char16_t kLogPresent[] = u" ----------已存在于系统码表，未做任何操作\r\n";
constexpr char16_t kLogDuplicate[] = u" ----------重复的词条定义\r\n";
constexpr char16_t kLogDeleted[] = u" ----------存在于系统码表，并已设置删除标准\r\n";
constexpr char16_t kLogWordTooLong[] = u" ----------自动构词长度不能大于30\r\n";
constexpr char16_t kLogNoRule[] = u" ----------无法依据构词规则生成目标编码\r\n";
constexpr char16_t kLogWordPresent[] = u" ----------已存在于系统码表\r\n";
constexpr char16_t kLogWordDuplicate[] = u" ----------重复的定义\r\n";
constexpr char16_t kLogNotWritten[] = u" ----------加词失败\r\n";
constexpr char16_t kZeroShownAs = u'\uFFFD';

}  // namespace

int QueueImportRecord(TableImport& import, const MappedFile* table, std::unique_ptr<TableRecordBuffer> record) {
  if (!record || !table) return kImportPresent;
  std::uint32_t flags = ReadFlags(*record);
  const std::uint8_t* key = record->bytes + code_table::kRecordCodeLength;
  const int found = FindRecordPosition(CompareCodeAndText, table, key);
  if (found > 0) {
    CodeTableRecord stored;
    if (!RecordAt(table, found - 1, stored)) return kImportPresent;
    bool stored_deleted = (stored.flags & kFlagDeleted) != 0;
    const auto pending = import.deleted_changes.find(stored.offset);
    if (pending != import.deleted_changes.end()) stored_deleted = pending->second.deleted;
    const bool new_deleted = (flags & kFlagDeleted) != 0;
    if (stored_deleted == new_deleted) return kImportPresent;
    TableImport::DeletedChange& change = import.deleted_changes[stored.offset];
    change.key.assign(key, static_cast<const std::uint8_t*>(record->bytes) + record->size);
    change.deleted = new_deleted;
    return new_deleted ? kImportDeleted : kImportUndeleted;
  }
  if (code_table::OrderValue(flags) == 0 && record->bytes[code_table::kRecordCodeLength] > 0) {
    if (!import.counters_loaded) {
      const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
      for (std::uint32_t i = 0; i < code_table::kOrderCounterCount; ++i) {
        view.ReadU32(code_table::kOrderCounters + 4 * i, import.counters[i]);
      }
      import.counters_loaded = true;
    }
    std::uint32_t& counter = import.counters[record->bytes[code_table::kRecordCodeLength + 1]];
    if (counter < code_table::kMaxOrderValue) ++counter;
    flags |= counter << kOrderShift;
    WriteFlags(*record, flags);
  }
  switch (import.queue.Add(record->bytes, record->size)) {
    case ImportRecordQueue::Added::kQueued:
      return kImportQueued;
    case ImportRecordQueue::Added::kDuplicate:
      return kImportDuplicate;
    case ImportRecordQueue::Added::kNoMemory:
      break;
  }
  return kImportNoMemory;
}

int ImportTableTextEntry(TableImport& import, const MappedFile* table, std::u16string_view text,
                         std::u16string_view code) {
  const std::u16string word = UnescapeTableText(text);
  auto record = std::unique_ptr<TableRecordBuffer>(new (std::nothrow) TableRecordBuffer{});
  const std::u16string code_text(code);
  if (!record || !MakeTableRecord(code_text.c_str(), word.c_str(), import.encoder, *record)) {
    Log(import, word, kLogCannotMake);
    return 0;
  }
  const std::uint32_t cls = ImportClass(import, code_table::RecordClass(ReadFlags(*record)));
  if (cls == 0) {
    Log(import, word, kLogWrongClass);
    return 0;
  }
  WriteFlags(*record, WithClass(ReadFlags(*record), cls));
  switch (QueueImportRecord(import, table, std::move(record))) {
    case kImportQueued:
      NoteChange(import, word);
      return 1;
    case kImportUndeleted:
      NoteChange(import, word, kLogUndeleted);
      break;
    case kImportPresent:
      Log(import, word, kLogPresent);
      break;
    case kImportDuplicate:
      Log(import, word, kLogDuplicate);
      break;
    case kImportDeleted:
      NoteChange(import, word, kLogDeleted);
      break;
    case kImportNoMemory:
      Log(import, word, kLogCannotMake);
      break;
  }
  return 0;
}

int ImportTableTextWord(TableImport& import, const MappedFile* table, std::u16string_view line) {
  const std::u16string word = UnescapeTableText(line);
  if (!import.word_rules.data || !import.characters) return 0;
  const int characters = CountWordCharacters(word.c_str());
  if (characters > kMaxBuiltWordCharacters) {
    Log(import, word, kLogWordTooLong);
    return 0;
  }
  if (characters <= 0) return 0;
  std::uint16_t rule[dme_block::kWordRuleTerms];
  ReadWordRule(import.word_rules, characters, rule);
  char16_t code[kBuiltCodeUnits];
  if (!BuildWordCode(import.characters, rule, word.c_str(), code, kBuiltCodeUnits)) {
    Log(import, word, kLogNoRule);
    return 0;
  }
  auto record = std::unique_ptr<TableRecordBuffer>(new (std::nothrow) TableRecordBuffer{});
  if (!record || !MakeTableRecord(code, word.c_str(), import.encoder, *record)) return 0;
  const std::uint32_t cls = ImportClass(import, 0);
  if (cls == 0) {
    Log(import, word, kLogWrongClass);
    return 0;
  }
  WriteFlags(*record, WithClass(ReadFlags(*record), cls));
  switch (QueueImportRecord(import, table, std::move(record))) {
    case kImportQueued:
      NoteChange(import, word);
      return 1;
    case kImportUndeleted:
      NoteChange(import, word, kLogUndeleted);
      break;
    case kImportPresent:
      Log(import, word, kLogWordPresent);
      break;
    case kImportDuplicate:
      Log(import, word, kLogWordDuplicate);
      break;
    default:
      break;
  }
  return 0;
}

int ImportTableTextLines(TableImport& import, const MappedFile* table, std::u16string_view text, bool forward) {
  // A line ends at the first CR or LF; the run of line ends after it is passed over. The lines are found
  // as they are walked, in either direction, so that no list of them is held beside the text.
  constexpr std::u16string_view kLineEnds = u"\r\n";
  const auto total = static_cast<std::int64_t>(text.size());
  int accepted = 0;
  auto walk = [&](std::size_t start, std::size_t end) {
    const std::u16string_view line = text.substr(start, end - start);
    if (line.substr(0, 2) == u"//") {
      // a comment
    } else if (line.size() > kHeaderSkipLength && line.substr(0, kHeaderSkipLength) == kTableTextHeaderPrefix) {
      // a header line: its class was read before the walk
    } else if (line.find(u'\0') != std::u16string_view::npos) {
      // No record holds a zero: the line is refused whole, shown with the zero marked.
      std::u16string shown(line.substr(0, line.find(u'\t')));
      std::replace(shown.begin(), shown.end(), u'\0', kZeroShownAs);
      Log(import, shown, kLogCannotMake);
    } else if (const std::size_t tab = line.find(u'\t'); tab != std::u16string_view::npos) {
      accepted += ImportTableTextEntry(import, table, line.substr(0, tab), line.substr(tab + 1));
    } else {
      accepted += ImportTableTextWord(import, table, line);
    }
    if (import.progress) {
      import.progress(import.progress_context, forward ? static_cast<std::int64_t>(start) : total - static_cast<std::int64_t>(start),
                      total);
    }
  };
  if (forward) {
    for (std::size_t at = text.find_first_not_of(kLineEnds); at < text.size();) {
      const std::size_t end = std::min(text.find_first_of(kLineEnds, at), text.size());
      walk(at, end);
      at = std::min(text.find_first_not_of(kLineEnds, end), text.size());
    }
  } else {
    for (std::size_t last = text.find_last_not_of(kLineEnds); last != std::u16string_view::npos;) {
      const std::size_t before = text.find_last_of(kLineEnds, last);
      const std::size_t start = before == std::u16string_view::npos ? 0 : before + 1;
      walk(start, last + 1);
      last = start == 0 ? std::u16string_view::npos : text.find_last_not_of(kLineEnds, start - 1);
    }
  }
  return accepted;
}

int ImportTableText(TableImport& import, MappedFile* table, const char16_t* path, bool forward) {
  std::u16string text;
  if (!table || !table->view || ReadTextFile(path, text, true) != kTextFileRead) return 0;
  import.header_class = ReadTableTextHeader(text);
  const int accepted = ImportTableTextLines(import, table, text, forward);
  std::u16string().swap(text);  // the queue holds what the commit needs; the text's memory goes first
  if (CommitImportRecords(import, table) >= 0) return accepted;
  if (!import.changing_words.empty()) {
    // Nothing reached the table: the log says so first, and every entry that would have changed it is
    // told as not added, in place of the change its line announced.
    std::vector<std::u16string> log{std::u16string(config::kNotWrittenText) + u"\r\n"};
    std::size_t next_change = 0;
    for (std::size_t i = 0; i < import.log.size(); ++i) {
      if (next_change < import.change_log_lines.size() && import.change_log_lines[next_change] == i) {
        ++next_change;
        continue;
      }
      log.push_back(std::move(import.log[i]));
    }
    for (const std::u16string& word : import.changing_words) log.push_back(word + kLogNotWritten);
    import.log = std::move(log);
    import.not_written = true;
  }
  return 0;
}

int CommitImportRecords(TableImport& import, MappedFile* table) {
  using namespace code_table;
  if (!table) return -1;
  ScopedFileWrite write(table);
  if (!write.ok()) return -1;
  // What a writer that died mid-change left is put right first, so this commit starts from a whole table.
  RepairTableIfInterrupted(table);
  ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
  std::uint32_t lowest = 0, count = 0;
  if (!view.ReadU32(kLowestRecordOffset, lowest) || !view.ReadU32(kRecordCount, count)) return -1;
  const std::uint64_t entries_end = kOffsetTable + 4ull * count;
  if (lowest > view.size || entries_end > lowest || count > RecordCount(table)) return -1;
  const std::uint64_t queued = import.queue.count();
  const std::uint64_t total = count + queued;
  if (total > 0x1FFFFFFF) return -1;
  // The new offset table is written beside the listed one before it replaces it whole, so the gap must
  // hold both. New records go below the lowest record when the gap holds them too; otherwise they go to
  // the end of the file, where the records in the new offset table's way are first copied. Until the
  // replacement every listed entry names a whole record, and a writer killed on the way loses nothing.
  const std::uint64_t room_end = TableRoomFor(count, static_cast<std::uint32_t>(total));
  std::uint64_t top = 0;  // records are placed downwards from here
  if (lowest >= room_end + import.queue.bytes()) {
    top = lowest;
  } else {
    const std::uint32_t tail =
        MakeTableRoom(table, room_end + kGrowthSlack, static_cast<std::uint32_t>(import.queue.bytes()));
    if (tail == 0) return -1;
    view = ByteView{table->view, static_cast<std::uint32_t>(table->size)};
    view.ReadU32(kLowestRecordOffset, lowest);
    top = std::uint64_t{tail} + import.queue.bytes();
  }
  // Deleted bits first, while the offset table is still the listed one, sorted for the search. Each is
  // one store into a listed record.
  for (const auto& [offset, change] : import.deleted_changes) {
    const int found = FindRecordPosition(CompareCodeAndText, table, change.key.data());
    std::uint32_t at = 0, flags = 0;
    if (found <= 0 || !RecordOffsetAt(table, found - 1, at) || !view.ReadU32(at, flags)) continue;
    view.WriteU32(at, change.deleted ? flags | kFlagDeleted : flags & ~kFlagDeleted);
  }
  if (import.counters_loaded) {
    for (std::uint32_t i = 0; i < kOrderCounterCount; ++i) {
      std::uint32_t stored = 0;
      view.ReadU32(kOrderCounters + 4 * i, stored);
      view.WriteU32(kOrderCounters + 4 * i, std::max(stored, import.counters[i]));
    }
  }
  std::vector<std::uint32_t> entries;
  try {
    entries.resize(static_cast<std::size_t>(total));
  } catch (const std::bad_alloc&) {
    return -1;
  }
  for (std::uint32_t i = 0; i < count; ++i) view.ReadU32(kOffsetTable + 4ull * i, entries[i]);
  // The new records are written where nothing listed lies; they are listed only by the replacement. They
  // go in the order queued, the first lowest, and their entries follow the others last queued first, the
  // order the sort has always been handed.
  std::int64_t done = 0;
  std::uint64_t at = top - import.queue.bytes();
  import.queue.ForEach([&](const std::uint8_t* record, std::uint32_t size) {
    std::memcpy(view.data + at, record, size);
    entries[static_cast<std::size_t>(count + queued - 1 - static_cast<std::uint64_t>(done))] =
        static_cast<std::uint32_t>(at);
    at += size;
    ++done;
    if (import.progress) import.progress(import.progress_context, done, static_cast<std::int64_t>(queued));
  });
  if (queued > 0) lowest = std::min(lowest, static_cast<std::uint32_t>(top - import.queue.bytes()));
  SortTableEntryList(table, entries, CompareCodes);
  if (!ReplaceTableEntries(table, entries, lowest)) return -1;
  FlushMappedFile(table);

  // The queue is applied: a second commit adds nothing twice.
  import.queue.Clear();
  import.deleted_changes.clear();
  import.counters_loaded = false;
  return static_cast<int>(queued);
}

bool WriteTableImportLog(const TableImport& import, const char16_t* path) {
  std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
  for (const std::u16string& line : import.log) {
    for (char16_t c : line) {
      bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
      bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
  }
  return os::ReplaceWholeFile(path, bytes);
}

int CompactTable(MappedFile* table, std::uint64_t class_mask) {
  using namespace code_table;
  if (!table) return 0;
  ScopedFileWrite write(table);
  if (!write.ok()) return 0;
  RepairTableIfInterrupted(table);
  const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
  std::uint32_t type = 0;
  if (!view.ReadU32(kTableType, type)) return 0;
  const bool association = IsAssociationType(type);
  const std::uint32_t count = RecordCount(table);
  struct Kept {
    std::uint32_t offset, size;
  };
  std::vector<Kept> kept;
  std::uint64_t kept_bytes = 0;
  try {
    kept.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
      std::uint32_t offset = 0;
      CodeTableRecord record;
      // An entry outside the view or a record that does not read is not a record: it is not kept.
      if (!RecordOffsetAt(table, static_cast<std::int32_t>(i), offset) ||
          !ReadCodeTableRecord(view, offset, association, record)) {
        continue;
      }
      const std::uint32_t cls = RecordClass(record.flags);
      if (class_mask & (std::uint64_t{1} << cls)) continue;
      kept.push_back({offset, record.extent});
      kept_bytes += record.extent;
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  if (kept.size() == count) return 1;
  // The kept records are copied packed to the end of the grown file, where nothing listed lies, and the
  // offset table naming the copies replaces the listed one whole: a writer killed on the way leaves the
  // old table or the new one. What lay below the copies is free gap from then on.
  std::vector<std::uint32_t> offsets;
  try {
    offsets.reserve(kept.size());
  } catch (const std::bad_alloc&) {
    return 0;
  }
  const std::uint32_t old_size = view.size;
  std::uint32_t lowest = old_size;
  if (!kept.empty()) {
    const std::uint32_t tail =
        MakeTableRoom(table, TableRoomFor(count, static_cast<std::uint32_t>(kept.size())), static_cast<std::uint32_t>(kept_bytes));
    if (tail == 0) return 0;
    const ByteView grown{table->view, static_cast<std::uint32_t>(table->size)};
    // MakeTableRoom may have moved a kept record: its entry names the copy now, at the same position.
    std::uint64_t at = tail;
    std::uint32_t kept_index = 0;
    for (std::uint32_t i = 0; i < count && kept_index < kept.size(); ++i) {
      std::uint32_t offset = 0;
      CodeTableRecord record;
      if (!RecordOffsetAt(table, static_cast<std::int32_t>(i), offset) ||
          !ReadCodeTableRecord(grown, offset, association, record)) {
        continue;
      }
      if (class_mask & (std::uint64_t{1} << RecordClass(record.flags))) continue;
      std::memcpy(grown.data + at, grown.data + offset, record.extent);
      offsets.push_back(static_cast<std::uint32_t>(at));
      at += record.extent;
      ++kept_index;
    }
    lowest = tail;
  } else {
    lowest = static_cast<std::uint32_t>(table->size);
  }
  SortTableEntryList(table, offsets, CompareCodes);
  if (!ReplaceTableEntries(table, offsets, lowest)) return 0;
  FlushMappedFile(table);
  return 1;
}

}  // namespace lz
