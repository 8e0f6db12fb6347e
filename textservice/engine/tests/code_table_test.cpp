#include "textservice/engine/code_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/code_table_builder.h"
#include "textservice/engine/table_builder.h"
#include "tests/support/data_folder.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/text_encoding.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace lz {
namespace {

using namespace code_table;
using test::BuildCodeTable;
using test::RecordFlags;
using test::TableOptions;
using test::TableRecord;
using test::TempFolder;

// A table string key from code bytes.
std::vector<std::uint8_t> Key(const std::string& code) {
  std::vector<std::uint8_t> key(code.size() + 1);
  key[0] = static_cast<std::uint8_t>(code.size());
  std::copy(code.begin(), code.end(), key.begin() + 1);
  return key;
}

std::string CodeOf(const CodeTableRecord& r) { return std::string(reinterpret_cast<const char*>(r.code), r.code_length); }
std::string TextOf(const CodeTableRecord& r) { return std::string(reinterpret_cast<const char*>(r.text), r.text_length); }

// A table written to a file and mapped, closed at scope end.
class MappedTable {
 public:
  MappedTable(const TempFolder& folder, const std::string& name, const std::vector<std::uint8_t>& bytes)
      : path_(folder.File(name)) {
    test::WriteFileBytes(folder.path() / name, bytes);
    OpenMappedFile(path_.c_str(), &file_);
  }
  ~MappedTable() { CloseMappedFile(file_); }
  MappedFile* get() const { return file_; }
  const std::u16string& path() const { return path_; }

 private:
  std::u16string path_;
  MappedFile* file_ = nullptr;
};

// (code, text) of every record in table order.
std::vector<std::pair<std::string, std::string>> Contents(const MappedFile* table) {
  std::vector<std::pair<std::string, std::string>> out;
  for (std::uint32_t i = 0; i < RecordCount(table); ++i) {
    CodeTableRecord r;
    EXPECT_TRUE(RecordAt(table, static_cast<std::int32_t>(i), r)) << i;
    out.emplace_back(CodeOf(r), TextOf(r));
  }
  return out;
}

// Texts of the records whose code equals `code`, found through FindCodeRange.
std::vector<std::string> Lookup(const MappedFile* table, const std::string& code) {
  const auto key = Key(code);
  TableRange range;
  FindCodeRange(table, range, key.data());
  std::vector<std::string> texts;
  for (std::int32_t i = range.first; i < range.end; ++i) {
    CodeTableRecord r;
    if (RecordAt(table, i, r)) texts.push_back(TextOf(r));
  }
  std::sort(texts.begin(), texts.end());
  return texts;
}

TEST(CodeTable, OnlyATableBuiltToOfferTheUpdateCheckOffersIt) {
  TempFolder folder;
  std::vector<std::uint8_t> plain, marked;
  TableBuildOptions options;
  ASSERT_TRUE(BuildTable({{"a", "\xE5\xB7\xA5", 0}}, options, plain));
  options.offers_update_check = true;
  ASSERT_TRUE(BuildTable({{"a", "\xE5\xB7\xA5", 0}}, options, marked));
  MappedTable p(folder, "plain.dmg", plain), m(folder, "marked.dmg", marked);
  EXPECT_FALSE(TableOffersUpdateCheck(p.get()));
  EXPECT_TRUE(TableOffersUpdateCheck(m.get()));
  EXPECT_FALSE(TableOffersUpdateCheck(nullptr));
}

TEST(CodeTable, CodesCompareByUnsignedBytesThenLength) {
  struct Case {
    std::string a, b;
    int expected;
  };
  const std::vector<Case> cases = {
      {"a", "ab", -1}, {"ab", "b", -1}, {"a", "b", -1}, {"ab", "ab", 0},
      {"", "a", -1},   {"\xE4", "z", 1}, {"z", "\x13", 1}, {"abc", "ab", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.a + " vs " + c.b);
    EXPECT_EQ(CompareCodes(Key(c.a).data(), Key(c.b).data()), c.expected);
    EXPECT_EQ(CompareCodes(Key(c.b).data(), Key(c.a).data()), -c.expected);
  }
}

TEST(CodeTable, RangesOfASmallTable) {
  const std::vector<TableRecord> records = {
      {"ab", "x1"}, {"ab", "x2"}, {"ab", "x3"}, {"abc", "y"}, {"a", "z"}, {"b", "w"}, {"aa", "v"},
  };
  struct Case {
    std::string key;
    int code_count;
    int prefix_count;
  };
  const std::vector<Case> cases = {
      {"ab", 3, 4}, {"a", 1, 6}, {"abc", 1, 1}, {"abcd", 0, 0}, {"c", 0, 0}, {"b", 1, 1}, {"", 0, 7},
  };
  TempFolder folder;
  for (std::uint32_t type : {kTypePlain, kTypeIndexed}) {
    TableOptions options;
    options.type = type;
    MappedTable table(folder, "small" + std::to_string(type) + ".dmg", BuildCodeTable(records, options));
    for (const Case& c : cases) {
      SCOPED_TRACE("type " + std::to_string(type) + " key " + c.key);
      TableRange range;
      EXPECT_EQ(FindCodeRange(table.get(), range, Key(c.key).data()), c.code_count);
      EXPECT_EQ(range.end - range.first, c.code_count);
      EXPECT_EQ(FindPrefixRange(table.get(), range, Key(c.key).data()), c.prefix_count);
    }
  }
}

// Positions whose code satisfies `match`, found by looking at every record.
std::pair<int, int> BruteRange(const std::vector<std::string>& codes, const std::function<bool(const std::string&)>& match) {
  int first = -1, last = -1, count = 0;
  for (int i = 0; i < static_cast<int>(codes.size()); ++i) {
    if (!match(codes[i])) continue;
    if (first < 0) first = i;
    last = i;
    ++count;
  }
  EXPECT_EQ(count, first < 0 ? 0 : last - first + 1) << "matches are not contiguous";
  return {first < 0 ? 0 : first, count};
}

TEST(CodeTable, RangesEqualABruteForceScanWithAndWithoutThePrefixIndex) {
  std::mt19937 random(20261210);
  // A small alphabet gives long runs of equal codes and shared prefixes; a few high and full-width
  // bytes reach the far rows of the prefix index.
  const std::string alphabet = "abcdez\x13\x0A\xE4\xF0";
  auto random_code = [&] {
    std::string code(1 + random() % 4, 'a');
    for (char& ch : code) ch = alphabet[random() % alphabet.size()];
    return code;
  };
  std::vector<TableRecord> records;
  for (int i = 0; i < 50000; ++i) records.push_back({random_code(), "w" + std::to_string(i)});
  std::vector<std::string> keys;
  for (int i = 0; i < 1500; ++i) keys.push_back(random_code());
  keys.push_back("");

  TempFolder folder;
  std::vector<std::vector<std::pair<int, int>>> results_by_type;
  for (std::uint32_t type : {kTypePlain, kTypeIndexed}) {
    TableOptions options;
    options.type = type;
    MappedTable table(folder, "random" + std::to_string(type) + ".dmg", BuildCodeTable(records, options));
    ASSERT_EQ(ValidateCodeTable({table.get()->view, static_cast<std::uint32_t>(table.get()->size)}), TableCheck::kValid);
    std::vector<std::string> codes;
    for (const auto& [code, text] : Contents(table.get())) codes.push_back(code);

    std::vector<std::pair<int, int>> results;
    for (const std::string& key : keys) {
      SCOPED_TRACE("type " + std::to_string(type) + " key " + key);
      const auto k = Key(key);
      TableRange range;
      const int exact = FindCodeRange(table.get(), range, k.data());
      const auto expected_exact = BruteRange(codes, [&](const std::string& c) { return c == key; });
      if (expected_exact.second > 0) {
        EXPECT_EQ(range.first, expected_exact.first);
      }
      EXPECT_EQ(exact, expected_exact.second);
      results.emplace_back(range.first, exact);

      const int prefix = FindPrefixRange(table.get(), range, k.data());
      const auto expected_prefix = BruteRange(codes, [&](const std::string& c) { return c.rfind(key, 0) == 0; });
      if (expected_prefix.second > 0) {
        EXPECT_EQ(range.first, expected_prefix.first);
      }
      EXPECT_EQ(prefix, expected_prefix.second);
      results.emplace_back(range.first, prefix);

      const int n = key.empty() ? 0 : static_cast<int>(random() % (key.size() + 1));
      const std::string lead = key.substr(0, static_cast<std::size_t>(n));
      const int leading = FindLeadingRange(table.get(), n, range, k.data());
      const auto expected_leading = BruteRange(codes, [&](const std::string& c) { return c.rfind(lead, 0) == 0; });
      if (expected_leading.second > 0) {
        EXPECT_EQ(range.first, expected_leading.first);
      }
      EXPECT_EQ(leading, expected_leading.second);
    }
    results_by_type.push_back(results);
  }
  EXPECT_EQ(results_by_type[0], results_by_type[1]);
}

TEST(CodeTable, PrefixIndexRowsBoundTheirRanges) {
  const std::vector<TableRecord> records = {{"ab", "1"}, {"ac", "2"}, {"b", "3"}, {"\xFE" "a", "4"}, {"\xFE" "b", "5"}};
  TableOptions options;
  options.type = kTypeIndexed;
  auto bytes = BuildCodeTable(records, options);
  ByteView view{bytes.data(), static_cast<std::uint32_t>(bytes.size())};
  auto entry = [&](std::uint32_t c1, std::uint32_t c2) {
    std::uint32_t v = 0;
    view.ReadU32(PrefixIndexOffset(c1, c2), v);
    return v;
  };
  EXPECT_EQ(entry('a', 0), 0u);
  EXPECT_EQ(entry('b', 0), 2u);
  EXPECT_EQ(entry('a', 'c'), 1u);
  EXPECT_EQ(entry(0xFE, 0), 3u);
  EXPECT_EQ(entry(0xFE, 'b'), 4u);
  EXPECT_EQ(entry(0xFF, 0), 5u);
  EXPECT_EQ(entry(256, 0), 5u);  // the end of codes that begin with 255
  EXPECT_EQ(entry(0, 0), 0u);    // row 0 is unused
}

// A code holding 0xFF, the searches' end marker, is refused by validation; read anyway, it never gives a
// range before the table's start, and an index rebuild stores no position outside the table.
TEST(CodeTable, ACodeHoldingTheEndMarkerNeverGivesANegativePosition) {
  TempFolder folder;
  TableOptions options;
  options.type = kTypeIndexed;
  const std::vector<TableRecord> words = {{"a", "1"}, {"a\xFF", "2"}, {"a\xFF\xFF", "3"}, {"b", "4"}, {"b\xFF", "5"}};
  MappedTable table(folder, "marker.dmg", BuildCodeTable(words, options));
  const ByteView view{table.get()->view, static_cast<std::uint32_t>(table.get()->size)};
  EXPECT_EQ(ValidateCodeTable(view), TableCheck::kCodeWithEndMarker);
  ASSERT_EQ(BuildPrefixIndex(table.get()), 1);
  for (std::uint32_t c1 = 1; c1 < kPrefixRows; ++c1) {
    for (std::uint32_t c2 = 0; c2 < kPrefixColumns; ++c2) {
      std::uint32_t position = 0;
      view.ReadU32(PrefixIndexOffset(c1, c2), position);
      ASSERT_LE(position, words.size()) << c1 << "," << c2;
    }
  }
  for (const std::string code : {"a", "b", "a\xFF", "b\xFF", "c"}) {
    SCOPED_TRACE(code);
    const auto key = Key(code);
    TableRange range;
    FindPrefixRange(table.get(), range, key.data());
    EXPECT_GE(range.first, 0);
    EXPECT_LE(range.first, range.end);
    FindCodeRange(table.get(), range, key.data());
    EXPECT_GE(range.first, 0);
    EXPECT_LE(range.first, range.end);
  }
}

TEST(CodeTable, MakeTableRecordReadsItsTags) {
  struct Case {
    std::u16string tagged;
    std::u16string text;
    bool made;
    std::string code;
    std::uint32_t record_class;
    std::uint32_t bits;
  };
  const std::vector<Case> cases = {
      {u"abc", u"工", true, "abc", 0, 0},
      {u"abc#用", u"工", true, "abc", kClassUser, 0},
      {u"ab#次", u"工", true, "ab", kClassSecondary, 0},
      {u"ab#辅", u"工", true, "ab", kClassAuxiliary, 0},
      {u"ab#类3", u"工", true, "ab", 18, 0},
      {u"ab#类", u"工", true, "ab", 16, 0},
      {u"ab#类0", u"工", true, "ab", 16, 0},
      {u"ab#类99", u"工", true, "ab", 31, 0},
      {u"ab#类2#用", u"工", true, "ab", kClassUser, 0},
      {u"ab#用#辅", u"工", true, "ab", kClassAuxiliary, 0},
      {u"ab#辅#用", u"工", true, "ab", kClassAuxiliary, 0},
      {u"ab#固#删", u"工", true, "ab", 0, kFlagPinned | kFlagDeleted},
      {u"a##b#用", u"工", true, "a##b", kClassUser, 0},
      {u"ab#x", u"工", true, "ab", 0, 0},
      {u"\uFF13\uFF0A", u"工", true, "\x13\x0A", 0, 0},
      {u"#用", u"工", false, "", 0, 0},
      {u"", u"工", false, "", 0, 0},
      {u"ab", u"", false, "", 0, 0},
      {std::u16string(251, u'a'), u"工", false, "", 0, 0},
      {u"ab", std::u16string(84, u'工'), false, "", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.code) + " made " + std::to_string(c.made));
    TableRecordBuffer record;
    ASSERT_EQ(MakeTableRecord(c.tagged.c_str(), c.text.c_str(), nullptr, record), c.made ? 1 : 0);
    if (!c.made) continue;
    ByteView view{record.bytes, record.size};
    CodeTableRecord r;
    ASSERT_TRUE(ReadCodeTableRecord(view, 0, false, r));
    EXPECT_EQ(r.extent, record.size);
    EXPECT_EQ(CodeOf(r), c.code);
    EXPECT_EQ(RecordClass(r.flags), c.record_class);
    EXPECT_EQ(r.flags & (kFlagPinned | kFlagDeleted), c.bits);
    EXPECT_EQ(OrderValue(r.flags), 0u);
    char16_t text[kDecodedBufferUnits];
    RecordText(r, text);
    EXPECT_EQ(std::u16string(text), c.text);
  }
}

TableRecordBuffer Record(const std::u16string& code, const std::u16string& text) {
  TableRecordBuffer record;
  EXPECT_EQ(MakeTableRecord(code.c_str(), text.c_str(), nullptr, record), 1);
  return record;
}

// Appends code/text, places the new entry and rebuilds the index, as callers of the table do.
bool AppendAndPlace(MappedFile* table, const std::u16string& code, const std::u16string& text) {
  const TableRecordBuffer record = Record(code, text);
  ScopedFileWrite write(table);
  return write.ok() && TableAppendRecord(table, record.bytes, record.size) == 1 && PlaceLastEntry(-1, table) == 1;
}

std::string Utf8(const std::u16string& s) {
  std::uint8_t buffer[kTableStringBufferBytes];
  const int n = WideToUtf8(s.c_str(), buffer, sizeof buffer);
  return std::string(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
}

TEST(CodeTable, EachAppendCaseKeepsOlderRecordsAndFindsTheNewOne) {
  const std::vector<TableRecord> records = {
      {"a", "one"}, {"ab", "two"}, {"abc", "three"}, {"b", "four"}, {"zz", "five"},
  };
  // The new record "abd"/"new" is 6 + 3 + 3 = 12 bytes.
  struct Case {
    const char* name;
    bool empty;
    std::uint32_t free_gap;
    std::int64_t growth;
  };
  const std::vector<Case> cases = {
      {"room in the gap", false, 1000, 0},
      {"gap too small for the record", false, 12, 12},
      {"no room for the offset entry: the lowest record moves", false, 0, 6 + 1 + 3 + 12},
      {"offset entry fits, record does not", false, 8, 6 + 1 + 3 + 12},
      {"empty table without a gap", true, 0, 4 + 12},
      {"empty table with a gap", true, 100, 0},
  };
  TempFolder folder;
  for (std::uint32_t type : {kTypePlain, kTypeIndexed}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", type " + std::to_string(type));
      TableOptions options;
      options.type = type;
      options.free_gap = c.free_gap;
      const auto initial = c.empty ? std::vector<TableRecord>{} : records;
      MappedTable table(folder, "append.dmg", BuildCodeTable(initial, options));
      const std::int64_t size_before = table.get()->size;
      ASSERT_TRUE(AppendAndPlace(table.get(), u"abd", u"new"));
      ASSERT_EQ(BuildPrefixIndex(table.get()), 1);
      EXPECT_EQ(table.get()->size - size_before, c.growth);
      const ByteView view{table.get()->view, static_cast<std::uint32_t>(table.get()->size)};
      EXPECT_EQ(ValidateCodeTable(view), TableCheck::kValid);
      EXPECT_EQ(Lookup(table.get(), "abd"), std::vector<std::string>{"new"});
      for (const TableRecord& r : initial) EXPECT_EQ(Lookup(table.get(), r.code), std::vector<std::string>{r.text});
      auto contents = Contents(table.get());
      EXPECT_TRUE(std::is_sorted(contents.begin(), contents.end()));
    }
  }
}

TEST(CodeTable, ManyAppendsWithoutAGapStayFindable) {
  TempFolder folder;
  TableOptions options;
  options.type = kTypeIndexed;
  MappedTable table(folder, "grow.dmg", BuildCodeTable({{"m", "start"}}, options));
  std::map<std::string, std::vector<std::string>> expected = {{"m", {"start"}}};
  std::mt19937 random(7);
  for (int i = 0; i < 400; ++i) {
    std::u16string code;
    for (int k = 0; k < 1 + i % 3; ++k) code += static_cast<char16_t>(u'a' + random() % 5);
    const std::u16string text = u"词" + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) + std::u16string(i / 10, u'x');
    ASSERT_TRUE(AppendAndPlace(table.get(), code, text)) << i;
    expected[Utf8(code)].push_back(Utf8(text));
  }
  ASSERT_EQ(BuildPrefixIndex(table.get()), 1);
  for (auto& [code, texts] : expected) {
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(Lookup(table.get(), code), texts) << code;
  }
}

TEST(CodeTable, SortingRestoresCodeThenTextOrder) {
  std::vector<TableRecord> records;
  for (int i = 0; i < 300; ++i) records.push_back({std::string(1 + i % 3, static_cast<char>('a' + i % 7)), "t" + std::to_string(i % 11)});
  TempFolder folder;
  MappedTable table(folder, "sort.dmg", BuildCodeTable(records));
  const auto sorted = Contents(table.get());
  // Reverse the offset table, then sort it again.
  std::uint8_t* entries = table.get()->view + kOffsetTable;
  std::reverse(reinterpret_cast<std::uint32_t*>(entries), reinterpret_cast<std::uint32_t*>(entries) + records.size());
  ASSERT_NE(Contents(table.get()), sorted);
  ASSERT_EQ(SortTableOffsets(nullptr, table.get()), 1);
  EXPECT_EQ(Contents(table.get()), sorted);
}

std::vector<std::uint32_t> Ages(const MappedFile* table) {
  std::vector<std::uint32_t> ages;
  for (std::uint32_t i = 0; i < RecordCount(table); ++i) {
    CodeTableRecord r;
    EXPECT_TRUE(RecordAt(table, static_cast<std::int32_t>(i), r));
    ages.push_back(OrderValue(r.flags));
  }
  return ages;
}

std::vector<std::uint32_t> Iota(std::uint32_t n) {
  std::vector<std::uint32_t> v(n);
  for (std::uint32_t i = 0; i < n; ++i) v[i] = i;
  return v;
}

TEST(CodeTable, TempTableKeepsThe512NewestWordsRankedByAge) {
  TempFolder folder;
  MappedTable table(folder, "temp.dmg", test::BuildTempTable({}));
  for (int i = 0; i < 513; ++i) {
    const TableRecordBuffer record = Record(u"w" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)),
                                            u"词" + std::u16string(1, static_cast<char16_t>(0x4E00 + i)));
    ASSERT_EQ(InsertRecentRecord(record.bytes, record.size, table.get()), 1) << i;
  }
  EXPECT_EQ(RecordCount(table.get()), 512u);
  auto ages = Ages(table.get());
  std::sort(ages.begin(), ages.end());
  EXPECT_EQ(ages, Iota(512));
  std::set<std::string> texts;
  for (const auto& [code, text] : Contents(table.get())) texts.insert(text);
  EXPECT_EQ(texts.count(Utf8(u"词\u4E00")), 0u);  // the first word was the oldest
  EXPECT_EQ(texts.count(Utf8(u"词\u4E01")), 1u);
  EXPECT_EQ(texts.count(Utf8(u"词\u4F00")), 1u);  // the 257th word
  auto contents = Contents(table.get());
  EXPECT_TRUE(std::is_sorted(contents.begin(), contents.end(), [](const auto& a, const auto& b) { return a.first < b.first; }));
}

TEST(CodeTable, TempTableRemovalFreesTheSlotAndClosesTheAges) {
  TempFolder folder;
  MappedTable table(folder, "temp.dmg", test::BuildTempTable({}));
  for (char16_t c : std::u16string(u"edcba")) {
    const TableRecordBuffer record = Record(std::u16string(1, c), u"字");
    ASSERT_EQ(InsertRecentRecord(record.bytes, record.size, table.get()), 1);
  }
  // Codes a..e were inserted e first, so a (position 0) has age 4 and c (position 2) age 2.
  EXPECT_EQ(Ages(table.get()), (std::vector<std::uint32_t>{4, 3, 2, 1, 0}));
  std::uint32_t removed_slot = 0;
  ASSERT_TRUE(RecordOffsetAt(table.get(), 2, removed_slot));
  ASSERT_EQ(RemoveTableEntry(table.get(), 2), 1);
  EXPECT_EQ(Ages(table.get()), (std::vector<std::uint32_t>{3, 2, 1, 0}));
  EXPECT_EQ(Lookup(table.get(), "c"), std::vector<std::string>{});
  ByteView view{table.get()->view, static_cast<std::uint32_t>(table.get()->size)};
  std::uint32_t free_slot = 0;
  view.ReadU32(kOffsetTable + 4 * 4, free_slot);
  EXPECT_EQ(free_slot, removed_slot);
  // The next insert reuses that slot.
  const TableRecordBuffer record = Record(u"f", u"字");
  ASSERT_EQ(InsertRecentRecord(record.bytes, record.size, table.get()), 1);
  EXPECT_EQ(Lookup(table.get(), "f"), std::vector<std::string>{Utf8(u"字")});
  EXPECT_EQ(RemoveRecord(table.get(), 12345), 0);
}

TEST(CodeTable, TempTableRefusesOversizedRecordsAndCorruptSlots) {
  TempFolder folder;
  const TableRecordBuffer big = Record(std::u16string(120, u'a'), std::u16string(130, u'b'));
  ASSERT_GT(big.size, kTempMaxRecordBytes);
  {
    MappedTable table(folder, "temp.dmg", test::BuildTempTable({}));
    EXPECT_EQ(InsertRecentRecord(big.bytes, big.size, table.get()), 0);
  }
  // A zeroed offset table must not let a record land on the header.
  auto bytes = test::BuildTempTable({});
  std::fill(bytes.begin() + kOffsetTable, bytes.begin() + kOffsetTable + 4 * kTempSlotCount, 0);
  const auto header_before = std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + kHeaderSize);
  MappedTable table(folder, "corrupt.dmg", bytes);
  const TableRecordBuffer record = Record(u"a", u"字");
  EXPECT_EQ(InsertRecentRecord(record.bytes, record.size, table.get()), 0);
  EXPECT_EQ(std::vector<std::uint8_t>(table.get()->view, table.get()->view + kHeaderSize), header_before);
}

TEST(CodeTable, ClearingEmptiesTheTableAndItTakesNewRecords) {
  TableOptions options;
  options.type = kTypeIndexed;
  TempFolder folder;
  MappedTable table(folder, "clear.dmg", BuildCodeTable({{"a", "x"}, {"b", "y"}}, options));
  ASSERT_EQ(NextOrderValue(table.get(), 'a'), 1u);
  ASSERT_EQ(ClearTable(table.get()), 1);
  CodeTableHeader header;
  ByteView view{table.get()->view, static_cast<std::uint32_t>(table.get()->size)};
  ASSERT_TRUE(ReadCodeTableHeader(view, header));
  EXPECT_EQ(header.record_count, 0u);
  EXPECT_EQ(header.lowest_record_offset, static_cast<std::uint32_t>(table.get()->size));
  const auto zero = [](std::uint8_t b) { return b == 0; };
  const std::uint8_t* v = table.get()->view;
  EXPECT_TRUE(std::all_of(v + kOrderCounters, v + kOrderCounters + 4 * kOrderCounterCount, zero));
  EXPECT_TRUE(std::all_of(v + kPrefixIndex, v + kHeaderSize, zero));
  EXPECT_EQ(Lookup(table.get(), "a"), std::vector<std::string>{});
  ASSERT_TRUE(AppendAndPlace(table.get(), u"c", u"z"));
  ASSERT_EQ(BuildPrefixIndex(table.get()), 1);
  EXPECT_EQ(Lookup(table.get(), "c"), std::vector<std::string>{"z"});
}

TEST(CodeTable, OrderCountersSaturateAtTheLargestOrderValue) {
  TempFolder folder;
  auto bytes = BuildCodeTable({});
  ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}.WriteU32(kOrderCounters + 4 * 'q', kMaxOrderValue - 1);
  MappedTable table(folder, "counter.dmg", bytes);
  EXPECT_EQ(NextOrderValue(table.get(), 'q'), kMaxOrderValue);
  EXPECT_EQ(NextOrderValue(table.get(), 'q'), kMaxOrderValue);
  EXPECT_EQ(NextOrderValue(table.get(), 'r'), 1u);
}

TEST(CodeTable, HeapCopiesRefuseEveryWrite) {
  TempFolder folder;
  const auto path = folder.path() / "ro.dmg";
  test::WriteFileBytes(path, BuildCodeTable({{"a", "x"}}));
  std::filesystem::permissions(path, std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                         std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  MappedFile* table = nullptr;
  ASSERT_GT(OpenMappedFile(folder.File("ro.dmg").c_str(), &table), 0);
  ASSERT_FALSE(IsMappedFileWritable(table));
  const TableRecordBuffer record = Record(u"b", u"y");
  EXPECT_EQ(TableAppendRecord(table, record.bytes, record.size), 0);
  EXPECT_EQ(PlaceLastEntry(-1, table), 0);
  EXPECT_EQ(SortTableOffsets(nullptr, table), 0);
  EXPECT_EQ(BuildPrefixIndex(table), 0);
  EXPECT_EQ(ClearTable(table), 0);
  EXPECT_EQ(NextOrderValue(table, 'a'), 0u);
  EXPECT_EQ(RecordCount(table), 1u);
  CloseMappedFile(table);
}

// A word-keyed table (index and conversion tables): keys and texts end with a zero byte.
TEST(CodeTable, WordLookUpFindsEveryRecordOfTheWordInAddressOrder) {
  const std::string zhong = Utf8(u"中");
  std::vector<TableRecord> records = {
      {zhong + '\0', std::string("khk") + '\0'}, {zhong + '\0', std::string("k") + '\0'},
      {zhong + '\0', std::string("kh") + '\0'},  {Utf8(u"国") + '\0', std::string("l") + '\0'},
      {Utf8(u"丫") + '\0', std::string("uh") + '\0'},
  };
  TempFolder folder;
  MappedTable table(folder, "danzi.dmi", BuildCodeTable(records));
  struct Case {
    std::u16string word;
    int count;
  };
  const std::vector<Case> cases = {
      {u"中", 3}, {u"国", 1}, {u"丫", 1}, {u"人", 0}, {u"", 0}, {std::u16string(84, u'中'), 0}, {u"\xD800", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    IntArray* list = nullptr;
    EXPECT_EQ(FindAllRecordsByKey(table.get(), c.word.c_str(), &list), c.count);
    if (c.count == 0) {
      EXPECT_EQ(list, nullptr);
      continue;
    }
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(std::is_sorted(list->items, list->items + list->length));
    for (int i = 0; i < list->length; ++i) {
      CodeTableRecord r;
      ASSERT_TRUE(ReadCodeTableRecord({table.get()->view, static_cast<std::uint32_t>(table.get()->size)},
                                      static_cast<std::uint32_t>(list->items[i]), false, r));
      EXPECT_EQ(CodeOf(r), Utf8(c.word) + '\0');
    }
    IntArrayFree(list);
  }
  std::uint8_t key[kTableStringBufferBytes];
  ASSERT_EQ(WideToUtf8Key(u"国", key), 3);
  EXPECT_EQ(FindRecordByKey(table.get(), key), 5);  // after 丫 and the three 中
  ASSERT_EQ(WideToUtf8Key(u"\xD800" u"a", key), -1);
}

TEST(CodeTable, AssociationTablesAreLookedUpByTheirText) {
  TableOptions options;
  options.type = kTypeAssociation;
  TempFolder folder;
  MappedTable table(folder, "sysl.dmg", BuildCodeTable({{"", Utf8(u"中国")}, {"", Utf8(u"中")}, {"", Utf8(u"中国人")}}, options));
  IntArray* list = nullptr;
  EXPECT_EQ(FindAllRecordsByWord(u"中国", table.get(), &list), 1);
  IntArrayFree(list);
  const auto key = Key(Utf8(u"中国"));
  TableRange range;
  EXPECT_EQ(FindPrefixRange(table.get(), range, key.data()), 2);
}

// Child: appends `count` records with codes "<tag><n>" to the table, each append and placement one
// locked write, as two text services and config would.
LZ_CHILD_MODE(append_records) {
  MappedFile* table = nullptr;
  const std::u16string path(args.at(0).begin(), args.at(0).end());
  if (!OpenMappedFile(path.c_str(), &table)) return 10;
  const std::u16string tag(args.at(1).begin(), args.at(1).end());
  const int count = std::stoi(args.at(2));
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    if (!AppendAndPlace(table, tag + std::u16string(n.begin(), n.end()), u"词" + tag)) return 11;
  }
  CloseMappedFile(table);
  return 0;
}

TEST(CodeTable, TwoProcessesAppendingAtOnceLoseNothing) {
  constexpr int kEach = 10000;
  TempFolder folder;
  TableOptions options;
  options.type = kTypeIndexed;
  options.free_gap = 100000;  // part of the appends fill the gap, the rest grow the file
  test::WriteFileBytes(folder.path() / "main.dmg", BuildCodeTable({{"m", "start"}}, options));
  const std::string path = (folder.path() / "main.dmg").string();
  test::ChildProcess first, second;
  ASSERT_TRUE(test::StartChild({"append_records", path, "p", std::to_string(kEach)}, first));
  ASSERT_TRUE(test::StartChild({"append_records", path, "q", std::to_string(kEach)}, second));
  EXPECT_EQ(test::WaitChild(first), 0);
  EXPECT_EQ(test::WaitChild(second), 0);

  MappedFile* table = nullptr;
  ASSERT_GT(OpenMappedFile(folder.File("main.dmg").c_str(), &table), 0);
  ASSERT_EQ(BuildPrefixIndex(table), 1);
  EXPECT_EQ(RecordCount(table), 2u * kEach + 1);
  EXPECT_EQ(ValidateCodeTable({table->view, static_cast<std::uint32_t>(table->size)}), TableCheck::kValid);
  for (const std::string tag : {"p", "q"}) {
    for (int i = 0; i < kEach; ++i) {
      const auto found = Lookup(table, tag + std::to_string(i));
      ASSERT_EQ(found.size(), 1u) << tag << i;
    }
  }
  CloseMappedFile(table);
}

// Child: appends `count` records with codes "<tag><n>" and, after each append that returned, writes its
// number to a progress file, so that the parent knows which appends completed before a kill.
LZ_CHILD_MODE(append_and_report) {
  MappedFile* table = nullptr;
  const std::u16string path(args.at(0).begin(), args.at(0).end());
  if (!OpenMappedFile(path.c_str(), &table)) return 10;
  const std::u16string tag(args.at(1).begin(), args.at(1).end());
  const int count = std::stoi(args.at(2));
  std::FILE* progress = std::fopen(args.at(3).c_str(), "wb");
  if (!progress) return 12;
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    const TableRecordBuffer record = Record(tag + std::u16string(n.begin(), n.end()), u"词" + tag);
    if (TableAppendRecord(table, record.bytes, record.size) != 1) return 11;
    std::fprintf(progress, "%d\n", i);
    std::fflush(progress);
  }
  std::fclose(progress);
  CloseMappedFile(table);
  return 0;
}

int CompletedAppends(const std::filesystem::path& progress) {
  std::ifstream in(progress);
  int n = 0;
  std::string line;
  while (std::getline(in, line)) n += line.empty() ? 0 : 1;
  return n;
}

// Four writers append at once and one of them is killed at a random moment, 40 times over: every append
// that returned before the kill is found by look-up afterwards, the others' appends too, and the next
// append leaves the table as sound as a table that was never interrupted.
TEST(CodeTable, AKilledWriterNeverHidesACompletedAppend) {
  constexpr int kRounds = 40;
  constexpr int kWriters = 4;
  constexpr int kEach = 60;
  const std::string tags[kWriters] = {"p", "q", "r", "s"};
  std::mt19937 random(20261210);
  TempFolder folder;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    TableOptions options;
    options.type = kTypeIndexed;
    options.free_gap = 2000;  // the first appends fill the gap, the rest grow the file
    test::WriteFileBytes(folder.path() / "main.dmg", BuildCodeTable({{"m", "start"}, {"pz", "end"}}, options));
    const std::string path = (folder.path() / "main.dmg").string();
    test::ChildProcess writers[kWriters];
    for (int w = 0; w < kWriters; ++w) {
      const std::string progress = (folder.path() / ("progress-" + tags[w])).string();
      std::filesystem::remove(progress);
      ASSERT_TRUE(test::StartChild({"append_and_report", path, tags[w], std::to_string(kEach), progress}, writers[w]));
    }
    // The victim dies once it has completed a random number of appends, in the middle of its run.
    const int victim = static_cast<int>(random() % kWriters);
    const int kill_after = 1 + static_cast<int>(random() % (kEach - 2));
    const auto victim_progress = folder.path() / ("progress-" + tags[victim]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (CompletedAppends(victim_progress) < kill_after && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ASSERT_TRUE(test::KillChild(writers[victim]));
    for (int w = 0; w < kWriters; ++w) {
      const int code = test::WaitChild(writers[w]);
      if (w != victim) {
        EXPECT_EQ(code, 0) << tags[w];
      }
    }

    MappedFile* table = nullptr;
    ASSERT_GT(OpenMappedFile(folder.File("main.dmg").c_str(), &table), 0);
    int completed_total = 0;
    for (int w = 0; w < kWriters; ++w) {
      const int completed = CompletedAppends(folder.path() / ("progress-" + tags[w]));
      if (w != victim) {
        EXPECT_EQ(completed, kEach) << tags[w];
      }
      completed_total += completed;
      for (int i = 0; i < completed; ++i) {
        ASSERT_EQ(Lookup(table, tags[w] + std::to_string(i)), std::vector<std::string>{"词" + tags[w]}) << tags[w] << i;
      }
    }
    for (const std::string code : {"m", "pz"}) ASSERT_EQ(Lookup(table, code).size(), 1u) << code;

    // The next writer repairs whatever the killed one left: the table validates, in order, each record
    // listed once, with an exact prefix index.
    ASSERT_EQ(TableAppendRecord(table, Record(u"zz", u"last").bytes, Record(u"zz", u"last").size), 1);
    const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
    EXPECT_EQ(ValidateCodeTable(view), TableCheck::kValid);
    std::set<std::uint32_t> offsets;
    for (std::uint32_t i = 0; i < RecordCount(table); ++i) {
      std::uint32_t offset = 0;
      ASSERT_TRUE(RecordOffsetAt(table, static_cast<std::int32_t>(i), offset));
      offsets.insert(offset);
    }
    EXPECT_EQ(offsets.size(), RecordCount(table));
    EXPECT_GE(RecordCount(table), static_cast<std::uint32_t>(completed_total + 3));
    std::vector<std::uint8_t> index(view.data + kPrefixIndex, view.data + kHeaderSize);
    ASSERT_EQ(BuildPrefixIndex(table), 1);
    EXPECT_TRUE(std::equal(index.begin(), index.end(), table->view + kPrefixIndex)) << "the kept index is exact";
    CloseMappedFile(table);
  }
}

// A writer that dies after moving the lowest record to the end of a full table, before it raised the
// lowest offset, leaves a record that no entry lists at that offset. The next append must take it as
// free space: refusing there would refuse every append to the table from then on.
TEST(CodeTable, AnAppendAfterAnInterruptedMoveOfTheLowestRecordSucceeds) {
  TempFolder folder;
  TableOptions options;
  options.type = kTypeIndexed;
  options.free_gap = 0;  // no room for another entry: the next append moves the lowest record
  MappedTable table(folder, "main.dmg", BuildCodeTable({{"a", "一"}, {"b", "二"}, {"c", "三"}}, options));
  ASSERT_NE(table.get(), nullptr);
  {
    // What the dead writer did: the lowest record copied to the end and its entry pointed there.
    ByteView view{table.get()->view, static_cast<std::uint32_t>(table.get()->size)};
    std::uint32_t lowest = 0;
    ASSERT_TRUE(view.ReadU32(kLowestRecordOffset, lowest));
    std::int32_t listed_at = -1;
    for (std::uint32_t i = 0; i < RecordCount(table.get()); ++i) {
      std::uint32_t offset = 0;
      ASSERT_TRUE(RecordOffsetAt(table.get(), static_cast<std::int32_t>(i), offset));
      if (offset == lowest) listed_at = static_cast<std::int32_t>(i);
    }
    ASSERT_GE(listed_at, 0);
    CodeTableRecord record;
    ASSERT_TRUE(ReadTableRecord(view, lowest, false, record));
    const std::uint32_t old_size = view.size;
    ASSERT_GT(ResizeMappedFile(static_cast<int>(old_size + record.extent), table.get()), 0);
    view = ByteView{table.get()->view, static_cast<std::uint32_t>(table.get()->size)};
    std::memmove(view.data + old_size, view.data + lowest, record.extent);
    view.WriteU32(kOffsetTable + 4 * static_cast<std::uint32_t>(listed_at), old_size);
  }

  for (const char* code : {"d", "e", "f"}) {
    ASSERT_EQ(TableAppendRecord(table.get(), Record(std::u16string(code, code + 1), u"新").bytes,
                                Record(std::u16string(code, code + 1), u"新").size),
              1)
        << code;
  }
  EXPECT_EQ(ValidateCodeTable({table.get()->view, static_cast<std::uint32_t>(table.get()->size)}), TableCheck::kValid);
  for (const std::string code : {"a", "b", "c"}) EXPECT_EQ(Lookup(table.get(), code).size(), 1u) << code;
  for (const std::string code : {"d", "e", "f"}) EXPECT_EQ(Lookup(table.get(), code), std::vector<std::string>{"新"});
}

#ifdef _WIN32
// Child: what a writer of another build might leave when it dies holding the lock: a record stored and
// counted, its entry still last and out of order, and the lock never released.
LZ_CHILD_MODE(die_mid_append) {
  MappedFile* table = nullptr;
  const std::u16string path(args.at(0).begin(), args.at(0).end());
  if (!OpenMappedFile(path.c_str(), &table)) return 10;
  ScopedFileWrite write(table);
  if (!write.ok()) return 11;
  const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
  const TableRecordBuffer record = Record(u"a0", u"早");
  std::uint32_t lowest = 0, n = 0;
  view.ReadU32(kLowestRecordOffset, lowest);
  view.ReadU32(kRecordCount, n);
  lowest -= record.size;
  std::memcpy(view.data + lowest, record.bytes, record.size);
  view.WriteU32(kLowestRecordOffset, lowest);
  view.WriteU32(kOffsetTable + 4 * n, lowest);
  view.WriteU32(kRecordCount, n + 1);
  TerminateProcess(GetCurrentProcess(), 3);
  return 12;
}

// The lock of a writer that died holding it is abandoned: the next writer checks the table and puts it
// back in order before its own change, so the dead writer's counted record is found again.
TEST(CodeTable, AnAbandonedLockMakesTheNextWriterRestoreTheOrder) {
  TempFolder folder;
  TableOptions options;
  options.type = kTypeIndexed;
  options.free_gap = 1000;
  test::WriteFileBytes(folder.path() / "main.dmg", BuildCodeTable({{"b", "1"}, {"c", "2"}}, options));
  // This process has the table open, as the programs using an input method do, while the writer dies.
  MappedFile* table = nullptr;
  ASSERT_GT(OpenMappedFile(folder.File("main.dmg").c_str(), &table), 0);
  EXPECT_EQ(test::RunChild({"die_mid_append", (folder.path() / "main.dmg").string()}), 3);
  EXPECT_EQ(ValidateCodeTable({table->view, static_cast<std::uint32_t>(table->size)}), TableCheck::kOutOfOrder);
  ASSERT_EQ(TableAppendRecord(table, Record(u"d", u"3").bytes, Record(u"d", u"3").size), 1);
  EXPECT_EQ(ValidateCodeTable({table->view, static_cast<std::uint32_t>(table->size)}), TableCheck::kValid);
  for (const auto& [code, text] : std::vector<std::pair<std::string, std::string>>{
           {"a0", "\xE6\x97\xA9"}, {"b", "1"}, {"c", "2"}, {"d", "3"}}) {
    EXPECT_EQ(Lookup(table, code), std::vector<std::string>{text}) << code;
  }
  CloseMappedFile(table);
}
#endif

}  // namespace
}  // namespace lz
