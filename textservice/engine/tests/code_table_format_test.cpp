#include "textservice/engine/code_table_format.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/code_table_builder.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/table_builder.h"
#include "textservice/engine/text_encoding.h"

namespace lz {
namespace {

using namespace code_table;
using test::BuildCodeTable;
using test::RecordFlags;
using test::TableOptions;
using test::TableRecord;

ByteView ViewOf(std::vector<std::uint8_t>& bytes) {
  return ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())};
}

std::string Str(const std::uint8_t* p, std::size_t n) { return std::string(reinterpret_cast<const char*>(p), n); }

const std::vector<TableRecord> kWords = {
    {"ggll", "\xE4\xB8\xAD\xE5\x9B\xBD", RecordFlags(kClassSystem, 7)},  // 中国
    {"a", "\xE5\xB7\xA5", RecordFlags(kClassSystem, 3)},                  // 工
    {"ab", "\xE8\xBF\x87", RecordFlags(kClassUser, 1, kFlagPinned)},      // 过
};

TEST(CodeTableFormat, HeaderFieldsReadBackAtTheirOffsets) {
  TableOptions options;
  options.type = kTypeIndexed;
  options.name = "wubi86";
  for (int i = 0; i < 16; ++i) options.identifier[i] = static_cast<std::uint8_t>(0xA0 + i);
  auto bytes = BuildCodeTable(kWords, options);

  CodeTableHeader header;
  ASSERT_TRUE(ReadCodeTableHeader(ViewOf(bytes), header));
  EXPECT_EQ(header.record_count, 3u);
  EXPECT_EQ(header.table_type, kTypeIndexed);
  EXPECT_EQ(header.format_number, 773);
  EXPECT_STREQ(header.table_name, "wubi86");
  EXPECT_EQ(header.identifier[15], 0xAF);
  EXPECT_EQ(bytes[kMarkY], 'Y');
  EXPECT_EQ(bytes[kMarkN], 'N');
  EXPECT_EQ(header.lowest_record_offset, kOffsetTable + 12);
}

TEST(CodeTableFormat, RecordsReadBackInCodeOrder) {
  auto bytes = BuildCodeTable(kWords);
  const ByteView view = ViewOf(bytes);
  struct Expected {
    std::string code;
    std::string text;
    std::uint32_t record_class;
    std::uint32_t order;
    bool pinned;
  };
  const std::vector<Expected> expected = {
      {"a", "\xE5\xB7\xA5", kClassSystem, 3, false},
      {"ab", "\xE8\xBF\x87", kClassUser, 1, true},
      {"ggll", "\xE4\xB8\xAD\xE5\x9B\xBD", kClassSystem, 7, false},
  };
  for (std::uint32_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    std::uint32_t offset = 0;
    ASSERT_TRUE(ReadRecordOffset(view, i, offset));
    CodeTableRecord record;
    ASSERT_TRUE(ReadCodeTableRecord(view, offset, false, record));
    EXPECT_EQ(Str(record.code, record.code_length), expected[i].code);
    EXPECT_EQ(Str(record.text, record.text_length), expected[i].text);
    EXPECT_EQ(RecordClass(record.flags), expected[i].record_class);
    EXPECT_EQ(OrderValue(record.flags), expected[i].order);
    EXPECT_EQ((record.flags & kFlagPinned) != 0, expected[i].pinned);
    EXPECT_EQ(record.extent, 6 + expected[i].code.size() + expected[i].text.size());
  }
}

TEST(CodeTableFormat, RecordsReadBackAsUtf16CodesAndWords) {
  // A code typed with the full-width digit three and asterisk is stored as the bytes 0x13 0x0A.
  auto bytes = BuildCodeTable({{"a\x13\x0A", "\xE4\xB8\xAD\xF0\x9F\x98\x80", RecordFlags(kClassSystem, 1)}});
  const ByteView view = ViewOf(bytes);
  std::uint32_t offset = 0;
  ASSERT_TRUE(ReadRecordOffset(view, 0, offset));
  CodeTableRecord record;
  ASSERT_TRUE(ReadCodeTableRecord(view, offset, false, record));
  char16_t code[kCodeBufferUnits];
  char16_t text[kDecodedBufferUnits];
  EXPECT_EQ(RecordCode(record, code), 3);
  EXPECT_EQ(std::u16string(code), u"a\uFF13\uFF0A");
  EXPECT_EQ(RecordText(record, text), 3);
  EXPECT_EQ(std::u16string(text), u"\u4E2D\U0001F600");
}

TEST(CodeTableFormat, AssociationRecordsHaveNoCode) {
  TableOptions options;
  options.type = kTypeAssociation;
  options.name = "lxmb";
  auto bytes = BuildCodeTable({{"", "\xE4\xB8\xAD", RecordFlags(0, 5)}}, options);
  const ByteView view = ViewOf(bytes);
  ASSERT_EQ(ValidateCodeTable(view), TableCheck::kValid);
  std::uint32_t offset = 0;
  ASSERT_TRUE(ReadRecordOffset(view, 0, offset));
  CodeTableRecord record;
  ASSERT_TRUE(ReadCodeTableRecord(view, offset, true, record));
  EXPECT_EQ(record.code, nullptr);
  EXPECT_EQ(Str(record.text, record.text_length), "\xE4\xB8\xAD");
  EXPECT_EQ(record.extent, 8u);
}

TEST(CodeTableFormat, EmptyTableIsValidWithTheLowestOffsetAtTheEnd) {
  auto bytes = BuildCodeTable({});
  CodeTableHeader header;
  ASSERT_TRUE(ReadCodeTableHeader(ViewOf(bytes), header));
  EXPECT_EQ(header.record_count, 0u);
  EXPECT_EQ(header.lowest_record_offset, bytes.size());
  EXPECT_EQ(ValidateCodeTable(ViewOf(bytes)), TableCheck::kValid);
}

void PutU32(std::vector<std::uint8_t>& bytes, std::uint32_t offset, std::uint32_t value) {
  ViewOf(bytes).WriteU32(offset, value);
}

std::uint32_t OffsetOfRecord(std::vector<std::uint8_t>& bytes, std::uint32_t position) {
  std::uint32_t offset = 0;
  ReadRecordOffset(ViewOf(bytes), position, offset);
  return offset;
}

TEST(CodeTableFormat, ValidationRefusesEveryReferenceOutsideTheFile) {
  struct Case {
    const char* name;
    std::uint32_t type;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    TableCheck expected;
  };
  const std::vector<Case> cases = {
      {"intact", kTypePlain, [](auto&) {}, TableCheck::kValid},
      {"intact with prefix index", kTypeIndexed, [](auto&) {}, TableCheck::kValid},
      {"cut inside the header", kTypePlain, [](auto& b) { b.resize(kHeaderSize - 1); }, TableCheck::kTooSmall},
      {"empty file", kTypePlain, [](auto& b) { b.clear(); }, TableCheck::kTooSmall},
      {"wrong format number", kTypePlain, [](auto& b) { ViewOf(b).WriteU16(kFormatNumber, 772); },
       TableCheck::kWrongFormat},
      {"count past the end", kTypePlain, [](auto& b) { PutU32(b, kRecordCount, 0x40000000); },
       TableCheck::kCountPastEnd},
      {"count wrapping 32 bits", kTypePlain, [](auto& b) { PutU32(b, kRecordCount, 0xFFFFFFFF); },
       TableCheck::kCountPastEnd},
      {"lowest offset past the end", kTypePlain,
       [](auto& b) { PutU32(b, kLowestRecordOffset, static_cast<std::uint32_t>(b.size()) + 1); },
       TableCheck::kLowestOffsetOutside},
      {"lowest offset inside the offset table", kTypePlain, [](auto& b) { PutU32(b, kLowestRecordOffset, kOffsetTable); },
       TableCheck::kLowestOffsetOutside},
      {"record offset past the end", kTypePlain,
       [](auto& b) { PutU32(b, kOffsetTable + 4, static_cast<std::uint32_t>(b.size())); },
       TableCheck::kRecordOutside},
      {"record offset near 4 GiB", kTypePlain, [](auto& b) { PutU32(b, kOffsetTable, 0xFFFFFFFE); },
       TableCheck::kRecordOutside},
      {"record offset inside the header", kTypePlain, [](auto& b) { PutU32(b, kOffsetTable, 16); },
       TableCheck::kRecordOutside},
      {"text running past the end", kTypePlain,
       [](auto& b) {
         const std::uint32_t last = OffsetOfRecord(b, 2);  // "ggll": the highest record
         b[last + 4 + 1 + 4] = 200;
       },
       TableCheck::kRecordOutside},
      {"code length over 250", kTypePlain, [](auto& b) { b[OffsetOfRecord(b, 0) + 4] = 251; },
       TableCheck::kRecordOutside},
      {"text length 0", kTypePlain, [](auto& b) { b[OffsetOfRecord(b, 0) + 4 + 1 + 1] = 0; },
       TableCheck::kRecordOutside},
      {"prefix entry beyond the count", kTypeIndexed, [](auto& b) { PutU32(b, PrefixIndexOffset(97, 0), 4); },
       TableCheck::kPrefixIndexOutside},
      {"prefix row 256 beyond the count", kTypeIndexed, [](auto& b) { PutU32(b, PrefixIndexOffset(256, 255), 9); },
       TableCheck::kPrefixIndexOutside},
      {"unused prefix index of a plain table", kTypePlain, [](auto& b) { PutU32(b, PrefixIndexOffset(97, 0), 99); },
       TableCheck::kValid},
      // Where the next append writes: below the lowest record offset.
      {"a record below the lowest offset", kTypePlain,
       [](auto& b) { PutU32(b, kLowestRecordOffset, OffsetOfRecord(b, 1)); }, TableCheck::kRecordBelowLowest},
      {"a code holding the searches' end marker", kTypeIndexed, [](auto& b) { b[OffsetOfRecord(b, 2) + 4 + 4] = 0xFF; },
       TableCheck::kCodeWithEndMarker},
      {"two offset entries swapped", kTypeIndexed,
       [](auto& b) {
         const std::uint32_t first = OffsetOfRecord(b, 0);
         PutU32(b, kOffsetTable, OffsetOfRecord(b, 1));
         PutU32(b, kOffsetTable + 4, first);
       },
       TableCheck::kOutOfOrder},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TableOptions options;
    options.type = c.type;
    auto bytes = BuildCodeTable(kWords, options);
    c.damage(bytes);
    EXPECT_EQ(ValidateCodeTable(ViewOf(bytes)), c.expected);
  }
}

TEST(CodeTableFormat, FormatCheckCanBeLeftToTheCaller) {
  TableOptions options;
  options.format = 1;
  auto bytes = BuildCodeTable(kWords, options);
  EXPECT_EQ(ValidateCodeTable(ViewOf(bytes)), TableCheck::kWrongFormat);
  EXPECT_EQ(ValidateCodeTable(ViewOf(bytes), {.require_format = false}), TableCheck::kValid);
}

TEST(CodeTableFormat, OrderCheckCanBeLeftOut) {
  auto bytes = BuildCodeTable(kWords);
  const std::uint32_t first = OffsetOfRecord(bytes, 0);
  PutU32(bytes, kOffsetTable, OffsetOfRecord(bytes, 2));
  PutU32(bytes, kOffsetTable + 8, first);
  EXPECT_EQ(ValidateCodeTable(ViewOf(bytes)), TableCheck::kOutOfOrder);
  EXPECT_EQ(ValidateCodeTable(ViewOf(bytes), {.check_order = false}), TableCheck::kValid);
}

TEST(CodeTableFormat, RecordReadsStopAtTheViewsEnd) {
  auto bytes = BuildCodeTable(kWords);
  const std::uint32_t last = OffsetOfRecord(bytes, 2);
  CodeTableRecord record;
  for (std::uint32_t cut = last; cut < bytes.size(); ++cut) {
    ByteView view{bytes.data(), cut};
    EXPECT_FALSE(ReadCodeTableRecord(view, last, false, record)) << cut;
  }
  EXPECT_TRUE(ReadCodeTableRecord(ViewOf(bytes), last, false, record));
}

}  // namespace
}  // namespace lz

namespace lz {
namespace {

// dict.dms keeps its explanations without a length byte: the order value gives their length, so one
// may run past 255 bytes, and the one writer and one reader agree on every byte.
TEST(DictionaryTable, WriterAndReaderAgreeAndKeysAreFoundByWord) {
  const std::string long_explanation = "zhong1 " + std::string(400, 'm') + "\xE4\xB8\xAD";  // ... 中
  std::vector<std::uint8_t> bytes;
  TableBuildOptions options;
  options.name = "dict";
  ASSERT_TRUE(BuildDictionaryTable({{"\xE5\x9B\xBD", "guo2 country"},   // 国
                                    {"\xE4\xB8\xAD", long_explanation},  // 中
                                    {"a", "x"}},
                                   options, bytes));
  const ByteView view{bytes.data(), static_cast<std::uint32_t>(bytes.size())};
  EXPECT_EQ(ValidateCodeTable(view, {.dictionary_layout = true}), TableCheck::kValid);

  struct Row {
    std::string key;
    std::string explanation;
  };
  const std::vector<Row> sorted = {{"a", "x"}, {"\xE4\xB8\xAD", long_explanation}, {"\xE5\x9B\xBD", "guo2 country"}};
  std::uint32_t expected_end = static_cast<std::uint32_t>(bytes.size());
  for (const Row& row : sorted) expected_end -= 5 + static_cast<std::uint32_t>(row.key.size() + 1 + row.explanation.size());
  for (std::uint32_t i = 0; i < sorted.size(); ++i) {
    std::uint32_t offset = 0;
    ASSERT_TRUE(ReadRecordOffset(view, i, offset));
    DictionaryRecord r;
    ASSERT_TRUE(ReadDictionaryRecord(view, offset, r));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.key)), sorted[i].key);
    EXPECT_EQ(r.key_length, sorted[i].key.size() + 1);
    EXPECT_EQ(OrderValue(r.flags), r.key_length + sorted[i].explanation.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.explanation), r.explanation_length), sorted[i].explanation);
  }
  std::uint32_t first = 0;
  ReadRecordOffset(view, 0, first);
  EXPECT_EQ(first, expected_end);  // packed up to the end of the file, in key order

  // A record whose order value runs past the file, or whose key lacks its zero, is refused.
  std::vector<std::uint8_t> cut(bytes.begin(), bytes.end() - 1);
  EXPECT_EQ(ValidateCodeTable({cut.data(), static_cast<std::uint32_t>(cut.size())}, {.dictionary_layout = true}),
            TableCheck::kRecordOutside);
  std::vector<std::uint8_t> unterminated = bytes;
  unterminated[first + 5 + 1] = 'b';  // the zero after "a"
  EXPECT_EQ(ValidateCodeTable({unterminated.data(), static_cast<std::uint32_t>(unterminated.size())},
                              {.dictionary_layout = true}),
            TableCheck::kRecordOutside);
  test::TempFolder folder;
  test::WriteFileBytes(folder.path() / "dict.dms", bytes);
  MappedFile* table = nullptr;
  ASSERT_GT(OpenMappedFile(folder.File("dict.dms").c_str(), &table), 0);
  IntArray* found = nullptr;
  ASSERT_EQ(FindAllRecordsByKey(table, u"中", &found), 1);
  DictionaryRecord r;
  ASSERT_TRUE(ReadDictionaryRecord(view, static_cast<std::uint32_t>(found->items[0]), r));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.explanation), r.explanation_length), long_explanation);
  IntArrayFree(found);
  EXPECT_EQ(FindAllRecordsByKey(table, u"中国", &found), 0);
  CloseMappedFile(table);

  EXPECT_FALSE(BuildDictionaryTable({{"", "empty key"}}, options, bytes));
  EXPECT_FALSE(BuildDictionaryTable({{std::string(249, 'k'), "key of 250 bytes with its zero"}}, options, bytes));
}

}  // namespace
}  // namespace lz
