#include "config/tables/table_page.h"

#include "textservice/engine/block_fields.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/settings_store.h"

namespace lz::config {
namespace {

using namespace code_table;

constexpr char16_t kIndent[] = u"　　";
constexpr char16_t kMark[] = u"√";
constexpr char16_t kNotApplicable[] = u"-";

std::u16string Alias(ByteView soft, std::uint32_t cls) {
  if (cls >= soft_block::kClassCount) return {};
  return ReadFieldText(soft, soft_block::kClassNames + 2ull * soft_block::kClassNameUnits * cls,
                       soft_block::kClassNameUnits);
}

std::uint32_t Flags(ByteView soft, std::uint32_t cls) {
  std::uint32_t flags = 0;
  if (cls < soft_block::kClassCount) soft.ReadU32(soft_block::kClassFlags + 4u * cls, flags);
  return flags;
}

std::u16string Number(std::int64_t n) {
  std::u16string out;
  for (char c : std::to_string(n)) out += static_cast<char16_t>(c);
  return out;
}

TablePageRow ClassRow(ByteView soft, const TablePageCounts& counts, std::uint32_t cls, std::u16string name) {
  const std::uint32_t flags = Flags(soft, cls);
  return {static_cast<int>(cls), std::move(name), Number(counts.by_class[cls]), (flags & 1u) ? kMark : u"",
          (flags & 2u) ? kMark : u""};
}

}  // namespace

std::vector<TablePageRow> TablePageRows(ByteView soft, const TablePageCounts& counts) {
  std::vector<TablePageRow> rows;
  const std::u16string main = Alias(soft, 0);
  rows.push_back({0, u"输入码表", Number(counts.main_total), (Flags(soft, 0) & 1u) ? kMark : u"", kNotApplicable});
  rows.push_back(ClassRow(soft, counts, kClassSystem, kIndent + main + u" - " + Alias(soft, kClassSystem)));
  for (std::uint32_t j = kClassFirstCategory; j <= kClassLastCategory; ++j) {
    const std::u16string alias = Alias(soft, j);
    if (alias.empty()) break;
    rows.push_back(ClassRow(soft, counts, j, kIndent + main + u" - " + alias));
  }
  for (std::uint32_t cls : {kClassSecondary, kClassUser}) {
    const std::u16string alias = Alias(soft, cls);
    if (!alias.empty()) rows.push_back(ClassRow(soft, counts, cls, kIndent + main + u" - " + alias));
  }
  if (const std::u16string alias = Alias(soft, kClassAuxiliary); !alias.empty()) {
    rows.push_back(ClassRow(soft, counts, kClassAuxiliary, kIndent + alias));
  }
  const auto other = [&](const char16_t* name, std::optional<std::uint32_t> count) {
    if (count) rows.push_back({kOtherTableRow, name, Number(*count), kNotApplicable, kNotApplicable});
  };
  other(u"临时词表", counts.temp);
  other(u"联想码表", counts.association);
  other(u"英文码表", counts.english);
  return rows;
}

TablePageButtons SelectTablePageRow(ByteView soft, const TablePageRow* row) {
  TablePageButtons b;
  if (!row) return b;
  b.record_class = row->record_class;
  if (row->record_class < 0) {
    if (row->name == u"临时词表") {
      b.table = PageTable::kTemp;
      b.view = b.clear = true;
      b.view_caption = u"查看(&V)";
    } else {
      b.table = row->name == u"联想码表" ? PageTable::kAssociation : PageTable::kEnglish;
      b.view = b.import = b.export_ = b.clear = true;
    }
    return b;
  }
  b.table = PageTable::kMain;
  if (row->record_class >= static_cast<int>(soft_block::kClassCount)) return b;
  b.view = true;
  const bool writable = (Flags(soft, static_cast<std::uint32_t>(row->record_class)) & 1u) != 0;
  b.import = b.export_ = b.clear = writable;
  b.view_caption = writable ? u"编辑(&E)" : u"查看(&E)";
  return b;
}

std::u16string FileNamePart(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c < 0x20 || std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos) c = u'_';
  }
  return out;
}

std::u16string ExportFileName(ByteView soft, PageTable table, int record_class) {
  switch (table) {
    case PageTable::kAssociation:
      return u"导出 - 联想码表.txt";
    case PageTable::kEnglish:
      return u"导出 - 英文码表.txt";
    case PageTable::kMain:
      break;
    default:
      return {};
  }
  if (record_class == 0) return u"导出 - 全部词条.txt";
  if (record_class < 0 || record_class >= static_cast<int>(soft_block::kClassCount)) return {};
  const auto cls = static_cast<std::uint32_t>(record_class);
  const bool writable = (Flags(soft, cls) & 1u) != 0;
  const std::u16string alias = FileNamePart(Alias(soft, cls));
  if (cls == kClassUser || (writable && (cls == kClassSystem || (cls >= kClassFirstCategory && cls <= kClassLastCategory)))) {
    return u"导出 - 主码 - " + alias + u".txt";
  }
  if (writable && cls == kClassSecondary) return u"导出 - 次显 - " + alias + u".txt";
  if (writable && cls == kClassAuxiliary) return u"导出 - 辅码 - " + alias + u".txt";
  return {};
}

std::u16string ExportFolderName(std::u16string_view display_name) {
  return u"[ " + FileNamePart(display_name) + u" ]";
}

int ProgressPercent(std::int64_t done, std::int64_t total) {
  if (total <= 0) return -1;
  const double percent = static_cast<double>(done) * 100.0 / static_cast<double>(total);
  return percent >= 100.0 ? 100 : percent <= 0.0 ? 0 : static_cast<int>(percent);
}

int ResetTempTable(MappedFile* table) {
  ScopedFileWrite write(table);
  if (!write.ok()) return 0;
  const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
  if (!view.Holds(kOffsetTable, 4ull * kTempSlotCount) || view.size < kTempFileSize) return 0;
  view.WriteU32(kRecordCount, 0);
  for (std::uint32_t i = 0; i < kTempSlotCount; ++i) view.WriteU32(kOffsetTable + 4ull * i, kTempSlotBase + kTempSlotSize * i);
  FlushMappedFile(table);
  return 1;
}

}  // namespace lz::config
