// The association builder as the code-table page and tabletool use it: a word list in, a complete table
// of association type out, laid out exactly, ordered by text, ranked by first appearance.
#include "config/tables/association_builder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "textservice/engine/byte_view.h"
#include "textservice/engine/code_table_format.h"

namespace lz {
namespace {

using namespace code_table;
using test::TempFolder;

struct Entry {
  std::string text;
  std::uint32_t order;
  bool operator==(const Entry&) const = default;
};

// A table as its readers see it.
struct Table {
  std::uint64_t size = 0;
  CodeTableHeader header;
  std::vector<Entry> sorted;    // through the offset table
  std::vector<Entry> physical;  // in file order from the lowest record
};

Table ReadTable(const std::filesystem::path& path) {
  Table t;
  const std::vector<std::uint8_t> bytes = test::ReadFileBytes(path);
  t.size = bytes.size();
  const ByteView view{const_cast<std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size())};
  if (!ReadCodeTableHeader(view, t.header)) return t;
  const auto entry = [&](std::uint32_t offset) {
    CodeTableRecord r;
    EXPECT_TRUE(ReadCodeTableRecord(view, offset, true, r)) << offset;
    return Entry{std::string(reinterpret_cast<const char*>(r.text), r.text_length), OrderValue(r.flags)};
  };
  for (std::uint32_t i = 0; i < t.header.record_count; ++i) {
    std::uint32_t offset = 0;
    ReadRecordOffset(view, i, offset);
    t.sorted.push_back(entry(offset));
  }
  // A larger target keeps old bytes after the records its header describes.
  std::uint32_t at = t.header.lowest_record_offset;
  for (std::uint32_t i = 0; i < t.header.record_count; ++i) {
    const Entry e = entry(at);
    t.physical.push_back(e);
    at += 5 + static_cast<std::uint32_t>(e.text.size());
  }
  return t;
}

struct Built {
  int result;
  bool first_has_hash;
  Table table;
};

Built Build(const std::string& list_utf8) {
  TempFolder folder;
  test::WriteFileBytes(folder.path() / "list.txt", std::vector<std::uint8_t>(list_utf8.begin(), list_utf8.end()));
  Built b{0, false, {}};
  b.result = BuildAssociationTable(folder.File("list.txt").c_str(), folder.File("sysl.dmg").c_str(), nullptr,
                                   &b.first_has_hash);
  if (b.result) b.table = ReadTable(folder.path() / "sysl.dmg");
  return b;
}

std::uint64_t ExpectedSize(const std::vector<Entry>& entries) {
  std::uint64_t size = 264352 + 4 * entries.size();
  for (const Entry& e : entries) size += 5 + e.text.size();
  return size;
}

TEST(AssociationBuilder, WritesTheWholeTableLayout) {
  const Built b = Build("中国\n中国人\n人民\n中间\n");
  ASSERT_EQ(b.result, 1);
  const Table& t = b.table;
  EXPECT_EQ(t.header.record_count, 4u);
  EXPECT_EQ(t.header.lowest_record_offset, 264352u + 4 * 4);
  EXPECT_EQ(t.header.table_type, kTypeAssociation);
  EXPECT_EQ(t.header.format_number, kFormat);
  EXPECT_STREQ(t.header.table_name, "lxmb");
  EXPECT_EQ(t.size, ExpectedSize(t.physical));
  // Records lie in list order; the offset table orders them by text; a character's first word ranks highest.
  EXPECT_EQ(t.physical, (std::vector<Entry>{{"中国", 32767}, {"中国人", 32766}, {"人民", 32767}, {"中间", 32765}}));
  EXPECT_EQ(t.sorted, (std::vector<Entry>{{"中国", 32767}, {"中国人", 32766}, {"中间", 32765}, {"人民", 32767}}));
}

TEST(AssociationBuilder, ReadsTheListLineByLine) {
  struct Case {
    const char* name;
    std::string list;
    std::vector<std::string> physical;
  };
  const std::vector<Case> cases = {
      {"a repeated line is kept once, at its first place", "b\na\nb\nc\na\n", {"b", "a", "c"}},
      {"comments go, three slashes stand for two", "//comment\n///kept\n//\nword\n", {"//kept", "word"}},
      {"empty lines vanish", "\n\na\r\n\r\n\nb", {"a", "b"}},
      {"LF lines before a later CRLF stay apart", "a\nb\nc\r\nd\n", {"a", "b", "c", "d"}},
      {"a lone CR ends a line", "a\rb", {"a", "b"}},
      {"a byte-order mark is no text", "\xEF\xBB\xBFx\ny", {"x", "y"}},
      {"a text over 250 bytes keeps its whole characters", std::string(249, 'a') + "中\n", {std::string(249, 'a')}},
      {"two lines equal only once cut both stay", std::string(250, 'a') + "b\n" + std::string(250, 'a') + "c\n",
       {std::string(250, 'a'), std::string(250, 'a')}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Built b = Build(c.list);
    ASSERT_EQ(b.result, 1);
    std::vector<std::string> physical;
    for (const Entry& e : b.table.physical) physical.push_back(e.text);
    EXPECT_EQ(physical, c.physical);
    EXPECT_EQ(b.table.header.record_count, c.physical.size());
    EXPECT_EQ(b.table.size, ExpectedSize(b.table.physical));
  }
}

TEST(AssociationBuilder, OrderValuesCountDownPerFirstCharacterAndStopAtOne) {
  std::string list;
  for (int i = 0; i < 32769; ++i) list += "字" + std::to_string(i) + "\n";
  list += "字\n" "𠀀a\n" "𠀀b\n";  // a character outside the basic plane counts by its high surrogate
  const Built b = Build(list);
  ASSERT_EQ(b.result, 1);
  const auto& p = b.table.physical;
  ASSERT_EQ(p.size(), 32772u);
  EXPECT_EQ(p[0].order, 32767u);
  EXPECT_EQ(p[1].order, 32766u);
  EXPECT_EQ(p[32765].order, 2u);
  EXPECT_EQ(p[32766].order, 1u);  // the 32767th
  EXPECT_EQ(p[32767].order, 1u);
  EXPECT_EQ(p[32768].order, 1u);
  EXPECT_EQ(p[32769].order, 1u);  // "字" itself, the 32770th of its character
  EXPECT_EQ(p[32770].order, 32767u);
  EXPECT_EQ(p[32771].order, 32766u);
  EXPECT_EQ(p[32771].text, "𠀀b");
  EXPECT_EQ(b.table.size, ExpectedSize(p));
}

TEST(AssociationBuilder, TellsWhetherTheFirstEntryHoldsAHash) {
  struct Case {
    std::string list;
    bool flag;
  };
  for (const Case& c : {Case{"a#b\nc\n", true}, Case{"ab\nc#\n", false}, Case{"//x#\nab\nc#\n", false},
                        Case{"ab\nab\n", false}, Case{"a#\na#\nb\n", true}}) {
    SCOPED_TRACE(c.list);
    EXPECT_EQ(Build(c.list).first_has_hash, c.flag);
  }
}

TEST(AssociationBuilder, AListWithoutEntriesBuildsNothing) {
  for (const std::string list : {"", "//only a comment\n", "\r\n\r\n"}) {
    TempFolder folder;
    test::WriteFileBytes(folder.path() / "list.txt", std::vector<std::uint8_t>(list.begin(), list.end()));
    EXPECT_EQ(BuildAssociationTable(folder.File("list.txt").c_str(), folder.File("t.dmg").c_str(), nullptr, nullptr), 0);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "t.dmg"));
  }
  TempFolder folder;
  EXPECT_EQ(BuildAssociationTable(folder.File("none.txt").c_str(), folder.File("t.dmg").c_str(), nullptr, nullptr), 0);
}

TEST(AssociationBuilder, RebuildCopiesOverTheTargetAndKeepsALargerTargetsSize) {
  TempFolder folder;
  const auto write = [&](const char* name, const std::string& text) {
    test::WriteFileBytes(folder.path() / name, std::vector<std::uint8_t>(text.begin(), text.end()));
  };
  write("big.txt", std::string("first\n") + std::string(100000, 'x') + "\n");
  write("small.txt", "b\na\n");
  const auto temporary = folder.File("__templx_.dmg");
  ASSERT_EQ(BuildAssociationTable(folder.File("big.txt").c_str(), folder.File("sysl.dmg").c_str(), nullptr, nullptr), 1);
  const auto large_size = std::filesystem::file_size(folder.path() / "sysl.dmg");

  bool hash = true;
  ASSERT_EQ(RebuildAssociationTable(folder.File("sysl.dmg").c_str(), folder.File("small.txt").c_str(), temporary.c_str(), &hash), 1);
  EXPECT_FALSE(hash);
  EXPECT_EQ(std::filesystem::file_size(folder.path() / "sysl.dmg"), large_size);
  const Table t = ReadTable(folder.path() / "sysl.dmg");
  EXPECT_EQ(t.header.record_count, 2u);
  EXPECT_EQ(t.sorted, (std::vector<Entry>{{"a", 32767}, {"b", 32767}}));

  // A smaller target grows to the new table's size.
  write("tiny.dmg", "x");
  ASSERT_EQ(RebuildAssociationTable(folder.File("tiny.dmg").c_str(), folder.File("big.txt").c_str(), temporary.c_str(), nullptr), 1);
  EXPECT_EQ(std::filesystem::file_size(folder.path() / "tiny.dmg"), large_size);
  EXPECT_EQ(ReadTable(folder.path() / "tiny.dmg").header.record_count, 2u);
}

TEST(AssociationBuilder, RebuildLeavesTheTargetAsItWasOnEveryFailure) {
  TempFolder folder;
  const std::string old_bytes = "old table bytes";
  const auto reset = [&](const char* name) {
    test::WriteFileBytes(folder.path() / name, std::vector<std::uint8_t>(old_bytes.begin(), old_bytes.end()));
  };
  const std::string list = "a\nb\n";
  test::WriteFileBytes(folder.path() / "list.txt", std::vector<std::uint8_t>(list.begin(), list.end()));
  test::WriteFileBytes(folder.path() / "empty.txt", {});
  const auto temporary = folder.File("work.dmg");
  struct Case {
    const char* name;
    const char* target;
    const char* list;
    std::u16string temporary;
    bool read_only;
  };
  const std::vector<Case> cases = {
      {"a list without entries", "t1.dmg", "empty.txt", temporary, false},
      {"a missing list", "t2.dmg", "none.txt", temporary, false},
      {"a temporary file that cannot be made", "t3.dmg", "list.txt", folder.File("no/such/folder/work.dmg"), false},
      {"a target that loads only as a heap copy", "t4.dmg", "list.txt", temporary, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset(c.target);
    if (c.read_only) std::filesystem::permissions(folder.path() / c.target, std::filesystem::perms::owner_read);
    EXPECT_EQ(RebuildAssociationTable(folder.File(c.target).c_str(), folder.File(c.list).c_str(), c.temporary.c_str(), nullptr), 0);
    const auto bytes = test::ReadFileBytes(folder.path() / c.target);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), old_bytes);
  }
  EXPECT_EQ(RebuildAssociationTable(folder.File("missing.dmg").c_str(), folder.File("list.txt").c_str(), temporary.c_str(), nullptr), 0);
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "missing.dmg"));
}

TEST(AssociationBuilder, DecodesTheFirstCharacterOfUtf8) {
  struct Case {
    std::string bytes;
    int result;
    std::u16string units;
  };
  const std::vector<Case> cases = {
      {"a", 1, u"a"},          {"\xC3\xA9x", 1, u"é"},   {"中国", 1, u"中"},
      {"\xF0\xA0\x80\x80", 2, u"𠀀"}, {"", 0, u""},       {"\x80" "a", -1, u""},
      {"\xE4\xB8", -1, u""},   {"\xE4" "ab", -1, u""},  {"\xFF", -1, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    char16_t out[2] = {};
    const int n = DecodeFirstCharacter(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), static_cast<int>(c.bytes.size()), out, 2);
    EXPECT_EQ(n, c.result);
    if (n > 0) {
      EXPECT_EQ(std::u16string(out, static_cast<std::size_t>(n)), c.units);
    }
  }
}

}  // namespace
}  // namespace lz
