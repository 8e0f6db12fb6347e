#include "config/tables/table_browser.h"

#include <algorithm>

#include "textservice/engine/block_fields.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/text_encoding.h"

namespace lz::config {
namespace {

using namespace code_table;

constexpr char16_t kKeyCharacterBase = 0xFF00;
constexpr std::uint32_t kClassUserWords = 2;
constexpr std::uint32_t kCategoryBase = 15;
constexpr int kSystemItem = 2998;
constexpr int kUserItem = 2997;
constexpr int kSecondaryItem = 2999;
constexpr int kAuxiliaryItem = 3001;
constexpr int kFirstCategoryItem = 3002;

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
           return Lower(x) == Lower(y);
         });
}

std::u16string Alias(ByteView soft, std::uint32_t cls) {
  if (cls >= soft_block::kClassCount) return {};
  return ReadFieldText(soft, soft_block::kClassNames + 2ull * soft_block::kClassNameUnits * cls,
                       soft_block::kClassNameUnits);
}

std::u16string Number(std::int64_t n) {
  std::u16string out;
  for (char c : std::to_string(n)) out += static_cast<char16_t>(c);
  return out;
}

std::u16string Decode(const std::uint8_t* bytes, std::uint32_t length) {
  char16_t out[kDecodedBufferUnits + 1] = {};
  const int n = Utf8ToWide(out, bytes, static_cast<int>(std::min<std::uint32_t>(length, kMaxStringBytes)));
  return std::u16string(out, static_cast<std::size_t>(std::clamp(n, 0, kMaxDecodedUnits)));
}

bool IsAssociation(const MappedFile* table) {
  std::uint32_t type = 0;
  ByteView{table->view, static_cast<std::uint32_t>(table->size)}.ReadU32(kTableType, type);
  return IsAssociationType(type);
}

}  // namespace

BrowsedTable BrowsedTableOfPath(std::u16string_view path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  const std::u16string_view name = slash == std::u16string_view::npos ? path : path.substr(slash + 1);
  if (SameName(name, u"main.dmg")) return BrowsedTable::kMain;
  if (SameName(name, u"temp.dmg")) return BrowsedTable::kTemp;
  if (SameName(name, u"sysl.dmg")) return BrowsedTable::kAssociation;
  if (SameName(name, u"engl.dmg")) return BrowsedTable::kEnglish;
  return BrowsedTable::kOther;
}

std::u16string BrowserTitle(BrowsedTable table, std::u16string_view display_name, bool name_read) {
  std::u16string title;
  switch (table) {
    case BrowsedTable::kMain: title = u"输入码表详细视图"; break;
    case BrowsedTable::kTemp: title = u"临时码表详细视图"; break;
    case BrowsedTable::kAssociation: title = u"联想词库详细视图"; break;
    case BrowsedTable::kEnglish: title = u"英文词库详细视图"; break;
    case BrowsedTable::kOther: title = u"码表详细视图"; break;
  }
  if (name_read) title.append(u" - ").append(display_name);
  return title;
}

std::u16string BrowserCodeText(const CodeTableRecord& record) {
  if (!record.code || record.code_length == 0) return {};
  std::uint8_t bytes[kMaxStringBytes + 1] = {};
  const std::uint32_t n = std::min<std::uint32_t>(record.code_length, kMaxStringBytes);
  std::copy(record.code, record.code + n, bytes);
  std::u16string code = Decode(bytes, n);
  for (char16_t& c : code) {
    if (c < 0x20) c = static_cast<char16_t>(kKeyCharacterBase + c);
  }
  return code;
}

std::vector<std::int32_t> BuildBrowserView(const MappedFile* table, const BrowserFilter& filter) {
  std::vector<std::int32_t> view;
  if (!table || !table->view) return view;
  const bool association = IsAssociation(table);
  const std::u16string code_filter = filter.code.substr(0, kBrowserFilterUnits);
  const std::u16string word_filter = filter.word.substr(0, kBrowserFilterUnits);
  // The text is decoded only for records whose flags and code passed.
  const std::uint32_t count = RecordCount(table);
  view.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    CodeTableRecord r;
    if (!RecordAt(table, static_cast<std::int32_t>(i), r)) continue;
    const std::uint32_t cls = RecordClass(r.flags);
    if (cls == kNeverListedClass) continue;
    if (filter.deleted_only) {
      if (!(r.flags & kFlagDeleted)) continue;
    } else if (filter.pinned_only) {
      if (!(r.flags & kFlagPinned)) continue;
    } else if (filter.record_class != 0 && filter.record_class != cls) {
      continue;
    }
    if (!code_filter.empty()) {
      const std::u16string code = association ? std::u16string() : BrowserCodeText(r);
      if (filter.prefix ? code.compare(0, code_filter.size(), code_filter) != 0 || code.size() < code_filter.size()
                        : code != code_filter) {
        continue;
      }
    }
    if (!word_filter.empty()) {
      const std::u16string text = Decode(r.text, r.text_length);
      if (filter.prefix ? text.find(word_filter) == std::u16string::npos : text != word_filter) continue;
    }
    view.push_back(static_cast<std::int32_t>(i));
  }
  return view;
}

BrowserRow BrowserRowAt(const MappedFile* table, BrowsedTable kind, std::int32_t position, ByteView soft,
                        bool rising) {
  BrowserRow out;
  CodeTableRecord r;
  if (!table || !table->view || !RecordAt(table, position, r)) return out;
  out.present = true;
  out.number = Number(static_cast<std::int64_t>(position) + 1);
  out.code = IsAssociation(table) ? std::u16string() : BrowserCodeText(r);
  out.word = Decode(r.text, r.text_length);
  const std::uint32_t cls = RecordClass(r.flags);
  if (kind == BrowsedTable::kAssociation) {
    out.category = u"联想表";
  } else if (kind == BrowsedTable::kEnglish) {
    out.category = u"英文表";
  } else if (r.flags & kFlagDeleted) {
    out.category = u" 已删除";
  } else if (cls == kClassAuxiliary) {
    out.category = Alias(soft, cls);
  } else if ((cls >= kClassSystem && cls <= kClassSecondary) || (cls >= kClassFirstCategory && cls <= kClassLastCategory)) {
    const std::u16string alias = Alias(soft, cls);
    out.category = Alias(soft, 0) + u" - " + (alias.empty() ? u"类" + Number(cls) : alias);
  }
  const std::uint32_t order = OrderValue(r.flags);
  if (rising) {
    out.order = Number(static_cast<std::int64_t>(order) + 1);
  } else {
    std::uint32_t counter = 0;
    if (r.code_length > 0) {
      ByteView{table->view, static_cast<std::uint32_t>(table->size)}.ReadU32(kOrderCounters + 4u * r.code[0], counter);
    }
    out.order = Number(static_cast<std::int64_t>(counter) - order);
  }
  if (r.flags & kFlagPinned) out.pinned = u"√";
  out.colour = (r.flags & kFlagDeleted) ? kDeletedColour : cls == kClassUserWords ? kUserWordColour : kPlainColour;
  return out;
}

std::vector<BrowserClassItem> BrowserClassItems(ByteView soft) {
  std::vector<BrowserClassItem> items;
  const std::u16string main = Alias(soft, 0);
  items.push_back({kSystemItem, main + u" - " + Alias(soft, kClassSystem) + u"(&S)", kClassSystem});
  for (std::uint32_t n = kClassFirstCategory; n <= kClassLastCategory; ++n) {
    const std::u16string alias = Alias(soft, n);
    if (alias.empty()) break;
    items.push_back({kFirstCategoryItem + static_cast<int>(n - kClassFirstCategory),
                     main + u" - " + alias + u"(&" + Number(n - kCategoryBase) + u")", n});
  }
  if (const std::u16string alias = Alias(soft, kClassSecondary); !alias.empty()) {
    items.push_back({kSecondaryItem, main + u" - " + alias + u"(&N)", kClassSecondary});
  }
  if (const std::u16string alias = Alias(soft, kClassUserWords); !alias.empty()) {
    items.push_back({kUserItem, main + u" - " + alias + u"(&U)", kClassUserWords});
  }
  if (const std::u16string alias = Alias(soft, kClassAuxiliary); !alias.empty()) {
    items.push_back({kAuxiliaryItem, alias + u"(&T)", kClassAuxiliary});
  }
  return items;
}

bool BrowserClassWritable(ByteView soft, std::uint32_t record_class) {
  if (record_class == kClassUserWords) return true;
  std::uint32_t flags = 0;
  return record_class < soft_block::kClassCount && soft.ReadU32(soft_block::kClassFlags + 4u * record_class, flags) &&
         (flags & 1u);
}

bool BrowserMayAddOrChange(BrowsedTable kind, ByteView soft, std::uint32_t class_filter) {
  if (kind != BrowsedTable::kMain) return false;
  if (class_filter == 0) return true;
  std::uint32_t flags = 0;
  return class_filter < soft_block::kClassCount && soft.ReadU32(soft_block::kClassFlags + 4u * class_filter, flags) &&
         (flags & 1u);
}

std::u16string BrowserCopyText(const std::vector<BrowserRow>& rows) {
  std::u16string text;
  for (const BrowserRow& row : rows) text.append(row.word).append(u"\t").append(row.code).append(u"\r\n");
  return text;
}

}  // namespace lz::config
