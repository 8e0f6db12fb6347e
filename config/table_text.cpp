#include "config/table_text.h"

#include <algorithm>
#include <new>

#include "config/text_file.h"
#include "platform/os/whole_file.h"
#include "textservice/engine/text_encoding.h"

namespace lz {
namespace {

using code_table::kClassMask;
using code_table::kClassShift;
using code_table::kFlagDeleted;
using code_table::kFlagPinned;
using code_table::kOrderShift;

constexpr std::int32_t kPinnedFilter = 100;
constexpr std::uint32_t kLastClass = 31;
constexpr std::uint32_t kCategoryBase = 15;  // "主码-N" names class N + 15
constexpr std::uint32_t kFirstNumberedClass = 5;
constexpr std::size_t kMaxLineUnits = 299;
constexpr std::int64_t kImportTreeNodes = 10240;
constexpr std::int64_t kEmptyTableNodes = 32;
constexpr std::size_t kHeaderSkipLength = 10;

// Tags of a line, in the order they follow the code.
constexpr char16_t kTagDeleted[] = u"#删";
constexpr char16_t kTagPinned[] = u"#固";

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
    std::u16string tag = u"#类";
    for (char c : std::to_string(cls - kCategoryBase)) tag += static_cast<char16_t>(c);
    return tag;
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
    std::u16string line = prefix + u"主码-";
    for (char c : std::to_string(filter - static_cast<std::int32_t>(kCategoryBase))) line += static_cast<char16_t>(c);
    return line;
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

bool Selected(std::int32_t filter, const CodeTableRecord& record) {
  if (filter >= 1 && filter <= static_cast<std::int32_t>(kLastClass)) {
    return code_table::RecordClass(record.flags) == static_cast<std::uint32_t>(filter);
  }
  if (filter == kPinnedFilter) return (record.flags & kFlagPinned) != 0;
  return true;
}

// Queued records: code by CompareCodes, then the text bytes over the common length, shorter first.
int CompareImportRecords(const void* a, const void* b) {
  const std::uint8_t* x = static_cast<const TableRecordBuffer*>(a)->bytes;
  const std::uint8_t* y = static_cast<const TableRecordBuffer*>(b)->bytes;
  if (int c = CompareCodes(x + code_table::kRecordCodeLength, y + code_table::kRecordCodeLength)) return c;
  const std::uint8_t* tx = x + code_table::kRecordCodeLength + 1 + x[code_table::kRecordCodeLength];
  const std::uint8_t* ty = y + code_table::kRecordCodeLength + 1 + y[code_table::kRecordCodeLength];
  return CompareCodes(tx, ty);
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
  // Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on std::u16string::replace here.
  auto replace_all = [](std::u16string_view s, std::u16string_view from, std::u16string_view to) {
    std::u16string out;
    out.reserve(s.size());
    std::size_t start = 0;
    for (std::size_t at; (at = s.find(from, start)) != std::u16string_view::npos; start = at + from.size()) {
      out.append(s.substr(start, at - start));
      out.append(to);
    }
    out.append(s.substr(start));
    return out;
  };
  std::u16string out = replace_all(text, u"\\r", u"\r\n");
  out = replace_all(out, u"\\t", u"\t");
  return replace_all(out, u"\\\\", u"\\");
}

std::u16string FormatTableTextLine(const TableExport& request, std::uint32_t table_type,
                                   const CodeTableRecord& record) {
  char16_t text[kDecodedBufferUnits] = {};
  RecordText(record, text);
  const std::uint32_t type = table_type & ~code_table::kTypeBeingChanged;
  std::u16string line;
  if (type == code_table::kTypeIndexed) {
    char16_t code[kCodeBufferUnits] = {};
    RecordCode(record, code);
    line = EscapeTableText(text) + u"\t" + code;
    if (record.flags & kFlagDeleted) line += kTagDeleted;
    if ((record.flags & kFlagPinned) && request.class_filter != kPinnedFilter) line += kTagPinned;
    if (request.class_filter <= 0) line += ClassTag(code_table::RecordClass(record.flags));
  } else if (code_table::IsAssociationType(type)) {
    line = text;
  }
  if (line.size() > kMaxLineUnits) line.resize(kMaxLineUnits);
  return line;
}

TableExportResult ExportTableText(const TableExport& request, const MappedFile* table, const char16_t* path,
                                  bool ascending) {
  TableExportResult result;
  if (!table || !table->view) return result;
  const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
  CodeTableHeader header;
  if (!ReadCodeTableHeader(view, header)) return result;
  const std::uint32_t count = RecordCount(table);
  std::vector<ExportItem> items;
  std::vector<CodeTableRecord> records;
  try {
    items.reserve(count);
    records.reserve(count);
  } catch (const std::bad_alloc&) {
    return result;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    CodeTableRecord record;
    if (!RecordAt(table, static_cast<std::int32_t>(i), record) || !Selected(request.class_filter, record)) continue;
    items.push_back({record.flags, record.code_length ? record.code[0] : std::uint8_t{0}, record.offset});
    records.push_back(record);
  }
  result.selected = static_cast<int>(items.size());
  WordTree tree;
  if (!InitWordTree(tree, count ? count : kEmptyTableNodes,
                    ascending ? CompareExportAscending : CompareExportDescending)) {
    return result;
  }
  for (const ExportItem& item : items) InsertWordTree(tree, &item);

  struct Writer {
    const TableExport* request;
    std::uint32_t type;
    const std::vector<ExportItem>* items;
    const std::vector<CodeTableRecord>* records;
    std::vector<std::uint8_t> bytes;
  } writer{&request, header.table_type, &items, &records, {}};
  writer.bytes.assign(std::begin(kUtf8Mark), std::end(kUtf8Mark));
  const std::u16string class_line = ClassHeaderLine(request.class_filter);
  if (!class_line.empty()) AppendUtf8(writer.bytes, class_line + u"\r\n");
  WalkWordTree(
      tree,
      [](const void* item, void* context) {
        auto& w = *static_cast<Writer*>(context);
        const auto index = static_cast<std::size_t>(static_cast<const ExportItem*>(item) - w.items->data());
        AppendUtf8(w.bytes, FormatTableTextLine(*w.request, w.type, (*w.records)[index]) + u"\r\n");
      },
      &writer);
  result.written = os::ReplaceWholeFile(path, writer.bytes);
  return result;
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

std::unique_ptr<TableImport> CreateTableImport() {
  std::unique_ptr<TableImport> import(new (std::nothrow) TableImport);
  if (!import || !InitWordTree(import->tree, kImportTreeNodes, CompareImportRecords)) return nullptr;
  return import;
}

int ImportTableTextEntry(TableImport& import, MappedFile* table, std::u16string_view text, std::u16string_view code) {
  const std::u16string word = UnescapeTableText(text);
  auto record = std::unique_ptr<TableRecordBuffer>(new (std::nothrow) TableRecordBuffer{});
  const std::u16string code_text(code);
  if (!record || !MakeTableRecord(code_text.c_str(), word.c_str(), import.encoder, *record)) {
    Log(import, word, u" ----------无法创建词条\r\n");
    return 0;
  }
  std::uint32_t flags = ReadFlags(*record);
  std::uint32_t cls = code_table::RecordClass(flags);
  if (cls == 0 && import.header_class != 0) cls = import.header_class;
  if (import.import_class == 0) {
    if (cls == 0) cls = code_table::kClassSystem;
  } else if (cls == 0) {
    cls = import.import_class;
  } else if (cls != import.import_class) {
    cls = 0;
  }
  if (cls == 0) {
    Log(import, word, u" ----------与所选分类不匹配的词条类别\r\n");
    return 0;
  }
  flags = WithClass(flags, cls);

  const int found = FindRecordPosition(CompareCodeAndText, table, record->bytes + code_table::kRecordCodeLength);
  if (found > 0) {
    CodeTableRecord stored;
    if (!RecordAt(table, found - 1, stored)) return 0;
    const bool stored_deleted = (stored.flags & kFlagDeleted) != 0;
    const bool new_deleted = (flags & kFlagDeleted) != 0;
    if (stored_deleted != new_deleted) {
      // The stored record's deleted bit follows the text; its place and everything else stay.
      ScopedFileWrite write(table);
      const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
      if (write.ok()) view.WriteU32(stored.offset, stored.flags ^ kFlagDeleted);
      Log(import, word,
          stored_deleted ? u" ----------存在于系统码表，已取消删除标志\r\n" : u" ----------存在于系统码表，并已设置删除标准\r\n");
    } else {
      Log(import, word, u" ----------已存在于系统码表，未做任何操作\r\n");
    }
    return 0;
  }
  if (code_table::OrderValue(flags) == 0 && record->bytes[code_table::kRecordCodeLength] > 0) {
    const std::uint32_t order = NextOrderValue(table, record->bytes[code_table::kRecordCodeLength + 1]);
    flags |= (order & code_table::kMaxOrderValue) << kOrderShift;
  }
  WriteFlags(*record, flags);
  if (!InsertWordTree(import.tree, record.get())) {
    Log(import, word, u" ----------重复的词条定义\r\n");
    return 0;
  }
  import.queued_bytes += record->size;
  import.records.push_back(std::move(record));
  return 1;
}

int ImportTableText(TableImport& import, MappedFile* table, const char16_t* path) {
  std::u16string text;
  if (!table || ReadTextFile(path, text) != kTextFileRead) return 0;
  import.header_class = ReadTableTextHeader(text);
  int accepted = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    // A line ends at the first CR or LF; the run of line ends after it is passed over.
    const std::size_t end = std::min(text.find_first_of(u"\r\n", at), text.size());
    const std::u16string_view line = std::u16string_view(text).substr(at, end - at);
    at = std::min(text.find_first_not_of(u"\r\n", end), text.size());
    if (line.empty() || line.substr(0, 2) == u"//") continue;
    if (line.size() > kHeaderSkipLength && line.substr(0, 10) == kTableTextHeaderPrefix) continue;
    const std::size_t tab = line.find(u'\t');
    // A word without a code needs the word-building rules and a character table, which a plain import
    // does not have: it is refused without a log line.
    if (tab == std::u16string_view::npos) continue;
    accepted += ImportTableTextEntry(import, table, line.substr(0, tab), line.substr(tab + 1));
  }
  CommitImportRecords(import, table);
  return accepted;
}

int CommitImportRecords(TableImport& import, MappedFile* table) {
  int written = 0;
  ScopedFileWrite write(table);
  if (!write.ok()) return 0;
  for (const WordTreeNode& node : import.tree.nodes) {
    const auto* record = static_cast<const TableRecordBuffer*>(node.item);
    if (!TableAppendRecord(table, record->bytes, record->size)) break;
    ++written;
  }
  return written;
}

}  // namespace lz
