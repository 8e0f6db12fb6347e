// Whole tables as text: the exact files each filter writes, every refusal of an import with its log line,
// words without a code, texts and codes that must survive the round trip, commits that grow the file, and
// removing classes from a table.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/tables/table_text.h"
#include "config/app/text_file.h"
#include "config/tables/word_code.h"
#include "tests/support/code_table_builder.h"
#include "tests/support/data_folder.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/scheme_text.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/table_builder.h"
#include "textservice/engine/text_encoding.h"

namespace lz {
namespace {

using test::RecordFlags;
using test::TableRecord;
using namespace code_table;

constexpr std::uint32_t kSystem = kClassSystem;
constexpr std::uint32_t kUser = kClassUser;

std::string Utf8(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  AppendUtf8(bytes, text);
  return std::string(bytes.begin(), bytes.end());
}
std::string FileUtf8(const std::filesystem::path& path) {
  const std::vector<std::uint8_t> bytes = test::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> Table(const std::vector<TableRecord>& records, std::uint32_t gap = 64 * 1024,
                                std::uint32_t type = kTypeIndexed) {
  test::TableOptions options;
  options.type = type;
  options.free_gap = gap;
  return test::BuildCodeTable(records, options);
}

// A record as the tests compare them.
struct Word {
  std::string code, text;
  std::uint32_t flags;
  bool operator==(const Word&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Word& w) {
  return out << w.code << "/" << w.text << "/" << std::hex << w.flags;
}

std::vector<Word> Words(const MappedFile* table) {
  std::vector<Word> out;
  for (std::uint32_t i = 0; i < RecordCount(table); ++i) {
    CodeTableRecord r;
    if (!RecordAt(table, static_cast<std::int32_t>(i), r)) continue;
    out.push_back({std::string(reinterpret_cast<const char*>(r.code), r.code_length),
                   std::string(reinterpret_cast<const char*>(r.text), r.text_length), r.flags});
  }
  return out;
}

// Whether a code finds the text through the prefix index and the sorted offsets.
bool Finds(const MappedFile* table, const std::string& code, const std::string& text) {
  std::uint8_t key[1 + kMaxStringBytes] = {static_cast<std::uint8_t>(code.size())};
  std::copy(code.begin(), code.end(), key + 1);
  TableRange range;
  FindCodeRange(table, range, key);
  for (std::int32_t i = range.first; i < range.end; ++i) {
    CodeTableRecord r;
    if (RecordAt(table, i, r) && std::string(reinterpret_cast<const char*>(r.text), r.text_length) == text) return true;
  }
  return false;
}

class TableTextFileTest : public ::testing::Test {
 protected:
  MappedFile* Open(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    test::WriteFileBytes(folder_.path() / name, bytes);
    MappedFile* file = nullptr;
    EXPECT_GT(OpenMappedFile(folder_.File(name).c_str(), &file), 0);
    opened_.push_back(file);
    return file;
  }
  std::u16string Write(const std::string& name, const std::string& utf8) {
    test::WriteFileBytes(folder_.path() / name, std::vector<std::uint8_t>(utf8.begin(), utf8.end()));
    return folder_.File(name);
  }
  void TearDown() override {
    for (MappedFile* f : opened_) CloseMappedFile(f);
  }
  test::TempFolder folder_;
  std::vector<MappedFile*> opened_;
};

// ---- export ----

const std::vector<TableRecord> kMixed = {
    {"khlg", "中国", RecordFlags(kSystem, 1)},
    {"qqqq", "删", RecordFlags(kSystem, 5, kFlagDeleted)},
    {"nakh", "民中", RecordFlags(kUser, 7)},
    {"aaaa", "甲\t乙\\", RecordFlags(kUser, 9, kFlagPinned)},
    {"abcd", "次", RecordFlags(kClassSecondary, 3)},
    {"zzzz", "类", RecordFlags(17, 4)},
};

TableExport WithFlagsAndAliases(std::int32_t filter) {
  TableExport request;
  request.class_filter = filter;
  request.class_flags_given = true;
  for (std::uint32_t cls : {1u, 2u, 4u, 17u}) request.class_flags[cls] = 1;
  request.aliases_given = true;
  request.aliases[0] = u"主";
  request.aliases[1] = u"系统";
  request.aliases[2] = u"用户";
  request.aliases[3] = u"次显";
  request.aliases[4] = u"辅";
  request.aliases[17] = u"类二";
  return request;
}

TEST_F(TableTextFileTest, EachFilterWritesItsExactFile) {
  struct Case {
    const char* name;
    TableExport request;
    std::string expected;
  };
  TableExport plain;
  TableExport user = WithFlagsAndAliases(2);
  TableExport category;
  category.class_filter = 17;
  TableExport pinned;
  pinned.class_filter = kPinnedFilter;
  TableExport negative;
  negative.class_filter = -3;
  const std::string all_tagged =
      "中国\tkhlg\r\n删\tqqqq#删\r\n民中\tnakh#用\r\n次\tabcd#次\r\n类\tzzzz#类2\r\n甲\\t乙\\\\\taaaa#固#用\r\n";
  const Case cases[] = {
      {"filter 0", plain, "\xEF\xBB\xBF" + all_tagged},
      {"filter 0, flags and aliases", WithFlagsAndAliases(0),
       "\xEF\xBB\xBF---config@主码别名=主\r\n---config@主码-系统码表别名=系统\r\n---config@主码-用户码表别名=用户\r\n"
       "---config@主码-分类码表别名2=类二\r\n---config@辅码别名=辅\r\n"
       "中国\tkhlg\r\n删\tqqqq#删\r\n民中\tnakh#用\r\n类\tzzzz#类2\r\n甲\\t乙\\\\\taaaa#固#用\r\n"},
      {"filter 2", user,
       "\xEF\xBB\xBF---config@码表分类=主码-用户码表\r\n---config@码表别名=用户\r\n民中\tnakh\r\n甲\\t乙\\\\\taaaa#固\r\n"},
      {"filter 17", category, "\xEF\xBB\xBF---config@码表分类=主码-2\r\n类\tzzzz\r\n"},
      {"filter 100", pinned, "\xEF\xBB\xBF甲\\t乙\\\\\taaaa\r\n"},
      {"negative filter", negative, "\xEF\xBB\xBF" + all_tagged},
  };
  MappedFile* table = Open("main.dmg", Table(kMixed));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_GE(ExportTableText(c.request, table, folder_.File("out.txt").c_str()), 0);
    EXPECT_EQ(FileUtf8(folder_.path() / "out.txt"), c.expected);
  }
}

TEST_F(TableTextFileTest, DescendingOrderAndCountsAndAssociationTexts) {
  MappedFile* table = Open("main.dmg", Table({{"ab", "一", RecordFlags(kSystem, 1)},
                                              {"ac", "二", RecordFlags(kSystem, 3)},
                                              {"ad", "三", RecordFlags(kSystem, 2)}}));
  EXPECT_EQ(ExportTableText({}, table, folder_.File("down.txt").c_str(), false), 3);
  EXPECT_EQ(FileUtf8(folder_.path() / "down.txt"), "\xEF\xBB\xBF二\tac\r\n三\tad\r\n一\tab\r\n");

  MappedFile* association = Open("sysl.dmg", Table({{"", "中国", 0}, {"", "#人民", 0}}, 1024, kTypeAssociation));
  EXPECT_EQ(ExportTableText({}, association, folder_.File("sysl.txt").c_str()), 2);
  const std::string text = FileUtf8(folder_.path() / "sysl.txt");
  EXPECT_NE(text.find("\r\n中国\r\n"), std::string::npos);
  EXPECT_NE(text.find("#人民\r\n"), std::string::npos);
}

TEST_F(TableTextFileTest, AnExportThatCannotBeWrittenSaysSo) {
  MappedFile* table = Open("main.dmg", Table(kMixed));
  EXPECT_EQ(ExportTableText({}, table, (folder_.File("missing") + u"/sub/out.txt").c_str()), -1);
  EXPECT_EQ(ExportTableText({}, nullptr, folder_.File("out.txt").c_str()), -1);
}

// ---- import ----

struct ImportCase {
  const char* name;
  std::uint32_t import_class;
  std::string text;
  int accepted;
  std::vector<std::u16string> log;
};

TEST_F(TableTextFileTest, EveryRefusalHasItsLogLine) {
  const std::vector<TableRecord> stored = {
      {"khlg", "中国", RecordFlags(kSystem, 1)},
      {"nakh", "民中", RecordFlags(kUser, 2, kFlagDeleted)},
  };
  const ImportCase cases[] = {
      {"accepted", 0, "新\tabcd\r\n", 1, {}},
      {"cannot be made", 0, "空\t#用\r\n", 0, {u"空 ----------无法创建词条\r\n"}},
      {"another class", kUser, "次\tabcd#次\r\n", 0, {u"次 ----------与所选分类不匹配的词条类别\r\n"}},
      {"header class mismatched", kUser, "---config@码表分类=主码-次显码表\r\n次\tabcd\r\n", 0,
       {u"次 ----------与所选分类不匹配的词条类别\r\n"}},
      {"present", 0, "中国\tkhlg\r\n", 0, {u"中国 ----------已存在于系统码表，未做任何操作\r\n"}},
      {"deleted stored comes back", 0, "民中\tnakh\r\n", 0, {u"民中 ----------存在于系统码表，已取消删除标志\r\n"}},
      {"marked deleted", 0, "中国\tkhlg#删\r\n", 0, {u"中国 ----------存在于系统码表，并已设置删除标准\r\n"}},
      {"twice", 0, "新\tabcd\r\n新\tabcd#用\r\n", 1, {u"新 ----------重复的词条定义\r\n"}},
      {"comments and headers", 0, "//新\tabcd\r\n---config@码表别名=x\r\n\r\n", 0, {}},
      {"a zero in the code, the lines after it read", 0, std::string("新\tab\0cd\r\n民\tmm\r\n国\tgg\r\n", 27), 2,
       {u"新 ----------无法创建词条\r\n"}},
      {"a zero in the text", 0, std::string("甲\0乙\tjy\r\n民\tmm\r\n", 20), 1,
       {u"甲\uFFFD乙 ----------无法创建词条\r\n"}},
      {"a zero in a word without a code", 0, std::string("甲\0乙\r\n民\tmm\r\n", 17), 1,
       {u"甲\uFFFD乙 ----------无法创建词条\r\n"}},
  };
  for (const ImportCase& c : cases) {
    SCOPED_TRACE(c.name);
    MappedFile* table = Open(std::string(c.name) + ".dmg", Table(stored));
    std::unique_ptr<TableImport> import = CreateTableImport();
    import->import_class = c.import_class;
    EXPECT_EQ(ImportTableText(*import, table, Write("in.txt", c.text).c_str()), c.accepted);
    EXPECT_EQ(import->log, c.log);
  }
}

TEST_F(TableTextFileTest, DeletedBitsFollowTheTextAndOnlyTheCommitWritesThem) {
  MappedFile* table = Open("main.dmg", Table({{"khlg", "中国", RecordFlags(kSystem, 1)},
                                              {"nakh", "民中", RecordFlags(kUser, 2, kFlagDeleted)}}));
  const std::vector<Word> before = Words(table);
  std::unique_ptr<TableImport> import = CreateTableImport();
  EXPECT_EQ(ImportTableTextLines(*import, table, u"民中\tnakh\r\n中国\tkhlg#删\r\n新\tab\r\n", true), 1);
  EXPECT_EQ(Words(table), before);  // the walk only reads
  ASSERT_EQ(CommitImportRecords(*import, table), 1);
  EXPECT_EQ(Words(table), (std::vector<Word>{{"ab", "新", RecordFlags(kSystem, 1)},
                                              {"khlg", "中国", RecordFlags(kSystem, 1, kFlagDeleted)},
                                              {"nakh", "民中", RecordFlags(kUser, 2)}}));
  EXPECT_EQ(CommitImportRecords(*import, table), 0);  // nothing is applied twice
}

TEST_F(TableTextFileTest, AHeapCopyOrAFailedCommitChangesNothing) {
  const std::vector<std::uint8_t> bytes = Table({{"khlg", "中国", RecordFlags(kSystem, 1, kFlagDeleted)}});
  test::WriteFileBytes(folder_.path() / "copy.dmg", bytes);
  MappedFile* copy = nullptr;
  ASSERT_GT(ReadWholeFile(&copy, folder_.File("copy.dmg").c_str()), 0);
  opened_.push_back(copy);
  std::unique_ptr<TableImport> import = CreateTableImport();
  EXPECT_EQ(ImportTableText(*import, copy, Write("in.txt", "中国\tkhlg\r\n新\tab\r\n新\tab\r\n").c_str()), 0);
  EXPECT_EQ(Words(copy), (std::vector<Word>{{"khlg", "中国", RecordFlags(kSystem, 1, kFlagDeleted)}}));
  EXPECT_EQ(test::ReadFileBytes(folder_.path() / "copy.dmg"), bytes);
  // The log says that nothing was written, keeps the refusals and names each change as not made.
  EXPECT_TRUE(import->not_written);
  EXPECT_EQ(import->log, (std::vector<std::u16string>{u"设置文件不能写入，所做的修改没有保存。\r\n",
                                                       u"新 ----------重复的词条定义\r\n",
                                                       u"中国 ----------加词失败\r\n", u"新 ----------加词失败\r\n"}));
}

TEST_F(TableTextFileTest, TheLogIsUtf16WithItsMark) {
  std::unique_ptr<TableImport> import = CreateTableImport();
  import->log = {u"甲 ----------重复的词条定义\r\n"};
  ASSERT_TRUE(WriteTableImportLog(*import, folder_.File("log.txt").c_str()));
  const std::vector<std::uint8_t> bytes = test::ReadFileBytes(folder_.path() / "log.txt");
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
  EXPECT_EQ(bytes[2], 0x32);  // 甲 U+7532, low byte first
  EXPECT_EQ(bytes[3], 0x75);
  EXPECT_EQ(bytes.size(), 2 + 2 * import->log[0].size());
}

// ---- words without a code ----

class WordLineTest : public TableTextFileTest {
 protected:
  void SetUp() override {
    store_ = NewConfigStore(test::kTestIdentifier);
    ConfigBlocks blocks;
    FindConfigBlocks({store_.data(), static_cast<std::uint32_t>(store_.size())}, blocks);
    dme_ = blocks.dme;
    ReadWordRuleText(dme_, u"P2", u"L1F1+L1F2+L2F1+L2F2");
    ReadWordRuleText(dme_, u"P3", u"L1F1+L2F1+L3F1+L3F2");
    for (int n = 4; n <= 30; ++n) {
      const std::u16string key = u"P" + std::u16string(n >= 10 ? 1 : 0, static_cast<char16_t>(u'0' + n / 10)) +
                                 std::u16string(1, static_cast<char16_t>(u'0' + n % 10));
      ReadWordRuleText(dme_, key, u"L1F1+L2F1+L3F1+R1F1");
    }
    std::vector<TableRecord> index;
    for (const auto& [character, code] : std::vector<std::pair<std::u16string, std::string>>{
             {u"中", "khk"}, {u"国", "lgyi"}, {u"人", "wwww"}, {u"民", "nav"}, {u"𠀀", "xyzw"}}) {
      index.push_back({Utf8(character) + '\0', code + '\0', 0});
    }
    danzi_ = Open("danzi.dmi", Table(index, 0, kTypePlain));
  }
  std::vector<std::uint8_t> store_;
  ByteView dme_;
  MappedFile* danzi_ = nullptr;
};

TEST_F(WordLineTest, LinesWithoutACodeAreBuiltOrLogged) {
  const std::u16string thirty_with_pair = u"𠀀" + std::u16string(29, u'中');
  const std::u16string thirty_one = std::u16string(31, u'中');
  const ImportCase cases[] = {
      {"two characters", 0, "中国\r\n", 1, {}},
      {"thirty, one of them a surrogate pair", 0, Utf8(thirty_with_pair) + "\r\n", 1, {}},
      {"thirty-one", 0, Utf8(thirty_one) + "\r\n", 0, {thirty_one + u" ----------自动构词长度不能大于30\r\n"}},
      {"one character has no rule", 0, "中\r\n", 0, {u"中 ----------无法依据构词规则生成目标编码\r\n"}},
      {"no character known", 0, "甲乙\r\n", 0, {u"甲乙 ----------无法依据构词规则生成目标编码\r\n"}},
      {"present", 0, "中国\r\n中国\r\n", 1, {u"中国 ----------重复的定义\r\n"}},
      {"stored", 0, "人民\r\n", 0, {u"人民 ----------已存在于系统码表\r\n"}},
      {"header class against the import's", kUser, "---config@码表分类=主码-系统码表\r\n中国\r\n", 0,
       {u"中国 ----------与所选分类不匹配的词条类别\r\n"}},
  };
  for (const ImportCase& c : cases) {
    SCOPED_TRACE(c.name);
    MappedFile* table = Open(std::string(c.name) + ".dmg", Table({{"wwna", "人民", RecordFlags(kSystem, 1)}}));
    std::unique_ptr<TableImport> import = CreateTableImport();
    import->import_class = c.import_class;
    import->word_rules = dme_;
    import->characters = danzi_;
    EXPECT_EQ(ImportTableText(*import, table, Write("in.txt", c.text).c_str()), c.accepted);
    EXPECT_EQ(import->log, c.log);
  }
  MappedFile* table = Open("built.dmg", Table({}));
  std::unique_ptr<TableImport> import = CreateTableImport();
  import->word_rules = dme_;
  import->characters = danzi_;
  ASSERT_EQ(ImportTableText(*import, table, Write("in.txt", "中国\r\n").c_str()), 1);
  EXPECT_TRUE(Finds(table, "khlg", "中国"));
}

TEST_F(WordLineTest, WordCodesFollowTheRules) {
  struct Case {
    std::u16string word;
    std::vector<std::uint16_t> rule;
    std::u16string code;
  };
  const auto term = [](int character, int place, bool front) {
    return static_cast<std::uint16_t>((character << 8) | place | (front ? 0x8000 : 0));
  };
  const Case cases[] = {
      {u"中国", {term(1, 1, true), term(1, 2, true), term(2, 1, true), term(2, 2, true)}, u"khlg"},
      {u"中国", {term(1, 1, false), term(2, 2, false)}, u"ky"},           // from the back
      {u"中国", {term(1, 0, true), term(2, 0, false)}, u"khklgyi"},       // whole codes
      {u"中国", {term(5, 1, true)}, u"l"},                                // past the end: the last character
      {u"中国", {term(1, 9, true), term(2, 1, true)}, u"l"},              // no such place
      {u"𠀀中", {term(1, 1, true), term(2, 1, true)}, u"xk"},              // a pair is one character
      {u"甲国", {term(1, 1, true), term(2, 1, true)}, u"l"},               // unknown characters add nothing
      {u"中国", {}, u""},
  };
  for (const Case& c : cases) {
    std::uint16_t rule[dme_block::kWordRuleTerms] = {};
    std::copy(c.rule.begin(), c.rule.end(), rule);
    char16_t out[64];
    EXPECT_EQ(BuildWordCode(danzi_, rule, c.word.c_str(), out, 64), c.code.empty() ? 0 : 1);
    EXPECT_EQ(std::u16string(out), c.code);
  }
  std::uint16_t rule[dme_block::kWordRuleTerms] = {term(1, 0, true), term(2, 0, true)};
  char16_t small[4];
  EXPECT_EQ(BuildWordCode(danzi_, rule, u"中国", small, 4), 1);
  EXPECT_EQ(std::u16string(small), u"khk");
  EXPECT_EQ(CountWordCharacters(u"𠀀中"), 2);
  EXPECT_EQ(CountWordCharacters(u"\xD840中"), -1);
}

// ---- round trips ----

TEST_F(TableTextFileTest, TextsAndCodesSurviveExportAndImport) {
  const std::vector<TableRecord> records = {
      {"ab", "a\tb", RecordFlags(kSystem, 1)},
      {"ac", "C:\\temp\\", RecordFlags(kSystem, 2)},
      {"ad", "\\t", RecordFlags(kSystem, 3)},
      {"ae", "x\r\ny", RecordFlags(kUser, 4)},
      {"\x13\x0A", "数星", RecordFlags(kUser, 5)},
      {"af", "first\rsecond\nthird", RecordFlags(kSystem, 6, kFlagPinned)},
  };
  MappedFile* source = Open("source.dmg", Table(records));
  ASSERT_EQ(ExportTableText({}, source, folder_.File("all.txt").c_str()), 6);
  EXPECT_NE(FileUtf8(folder_.path() / "all.txt").find("数星\t３＊#用\r\n"), std::string::npos);

  MappedFile* target = Open("target.dmg", Table({}, 0));
  std::unique_ptr<TableImport> import = CreateTableImport();
  ASSERT_EQ(ImportTableText(*import, target, folder_.File("all.txt").c_str()), 6);
  EXPECT_TRUE(import->log.empty());
  for (const TableRecord& r : records) {
    std::string text = r.text;
    // Line ends of every kind come back as CR LF.
    if (r.code == "af") text = "first\r\nsecond\r\nthird";
    EXPECT_TRUE(Finds(target, r.code, text)) << r.code;
  }
}

TEST_F(TableTextFileTest, ACommitThatGrowsTheFileKeepsEveryRecordFindable) {
  std::vector<TableRecord> stored;
  for (int i = 0; i < 200; ++i) stored.push_back({"s" + std::to_string(i), "旧" + std::to_string(i), RecordFlags(kSystem, 1)});
  MappedFile* table = Open("main.dmg", Table(stored, 0));
  const std::int32_t old_size = table->size;
  std::string text;
  for (int i = 0; i < 500; ++i) text += "新" + std::to_string(i) + "\tn" + std::to_string(i) + "\r\n";
  std::unique_ptr<TableImport> import = CreateTableImport();
  ASSERT_EQ(ImportTableText(*import, table, Write("in.txt", text).c_str()), 500);
  EXPECT_GT(table->size, old_size);
  EXPECT_EQ(RecordCount(table), 700u);
  for (int i = 0; i < 200; ++i) EXPECT_TRUE(Finds(table, "s" + std::to_string(i), "旧" + std::to_string(i))) << i;
  for (int i = 0; i < 500; ++i) EXPECT_TRUE(Finds(table, "n" + std::to_string(i), "新" + std::to_string(i))) << i;
  EXPECT_EQ(ValidateCodeTable({table->view, static_cast<std::uint32_t>(table->size)}, {}), TableCheck::kValid);
}

// More records than one block of the queue holds, each word again later in the text: every record lands
// once, in either walking direction, and each repeat is logged.
TEST_F(TableTextFileTest, ALargeImportQueuesEachRecordOnceAcrossTheQueueBlocks) {
  constexpr int kLines = 70000;
  constexpr int kRepeatEvery = 7000;
  std::string text;
  for (int i = 0; i < kLines; ++i) text += "词" + std::to_string(i) + "\tc" + std::to_string(i) + "\r\n";
  for (int i = 0; i < kLines; i += kRepeatEvery) text += "词" + std::to_string(i) + "\tc" + std::to_string(i) + "\n";
  const std::u16string path = Write("large.txt", text);
  for (bool forward : {true, false}) {
    SCOPED_TRACE(forward ? "forward" : "backward");
    MappedFile* table = Open(forward ? "large-f.dmg" : "large-b.dmg", Table({}));
    std::unique_ptr<TableImport> import = CreateTableImport();
    ASSERT_EQ(ImportTableText(*import, table, path.c_str(), forward), kLines);
    EXPECT_EQ(RecordCount(table), static_cast<std::uint32_t>(kLines));
    EXPECT_EQ(import->log.size(), static_cast<std::size_t>(kLines / kRepeatEvery));
    for (int i = 0; i < kLines; i += 997) EXPECT_TRUE(Finds(table, "c" + std::to_string(i), "词" + std::to_string(i))) << i;
    EXPECT_EQ(ValidateCodeTable({table->view, static_cast<std::uint32_t>(table->size)}, {}), TableCheck::kValid);
  }
}

TEST_F(TableTextFileTest, ForwardAndReverseImportsKeepTheExportsOrderDirection) {
  // Three words of one code, ranked: the first line of a rising export is the least.
  const std::vector<TableRecord> ranked = {{"ab", "低", RecordFlags(kSystem, 10)},
                                           {"ab", "中", RecordFlags(kSystem, 20)},
                                           {"ab", "高", RecordFlags(kSystem, 30)}};
  MappedFile* source = Open("source.dmg", Table(ranked));
  for (bool ascending : {true, false}) {
    SCOPED_TRACE(ascending ? "rising" : "falling");
    TableExport plain;
    plain.class_filter = 0;
    ASSERT_EQ(ExportTableText(plain, source, folder_.File("ranked.txt").c_str(), ascending), 3);
    std::string text = FileUtf8(folder_.path() / "ranked.txt");
    // Codes without order values: the import numbers them in walking order.
    MappedFile* target = Open(ascending ? "up.dmg" : "down.dmg", Table({}));
    std::unique_ptr<TableImport> import = CreateTableImport();
    ASSERT_EQ(ImportTableText(*import, target, folder_.File("ranked.txt").c_str(), ascending), 3);
    std::vector<Word> words = Words(target);
    ASSERT_EQ(words.size(), 3u);
    const auto order = [&](const std::string& t) {
      for (const Word& w : words) {
        if (w.text == t) return OrderValue(w.flags);
      }
      return 0u;
    };
    EXPECT_LT(order("低"), order("中"));
    EXPECT_LT(order("中"), order("高"));
  }
}

// ---- removing classes ----

TEST_F(TableTextFileTest, CompactingRemovesTheMaskedClassesOnly) {
  MappedFile* table = Open("main.dmg", Table(kMixed));
  const std::vector<std::uint8_t> before = test::ReadFileBytes(folder_.path() / "main.dmg");
  ASSERT_EQ(CompactTable(table, std::uint64_t{1} << 9), 1);  // no record of class 9
  FlushMappedFile(table);
  EXPECT_EQ(test::ReadFileBytes(folder_.path() / "main.dmg"), before);

  ASSERT_EQ(CompactTable(table, (std::uint64_t{1} << kUser) | (std::uint64_t{1} << kClassSecondary)), 1);
  EXPECT_EQ(RecordCount(table), 3u);
  EXPECT_TRUE(Finds(table, "khlg", "中国"));
  EXPECT_TRUE(Finds(table, "qqqq", "删"));
  EXPECT_TRUE(Finds(table, "zzzz", "类"));
  EXPECT_FALSE(Finds(table, "nakh", "民中"));
  EXPECT_EQ(ValidateCodeTable({table->view, static_cast<std::uint32_t>(table->size)}, {}), TableCheck::kValid);

  ASSERT_EQ(CompactTable(table, ~std::uint64_t{0}), 1);
  EXPECT_EQ(RecordCount(table), 0u);
  std::uint32_t lowest = 0;
  ByteView{table->view, static_cast<std::uint32_t>(table->size)}.ReadU32(kLowestRecordOffset, lowest);
  EXPECT_EQ(lowest, static_cast<std::uint32_t>(table->size));
}

}  // namespace
}  // namespace lz
