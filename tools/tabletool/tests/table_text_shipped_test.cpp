// The shipped data set as text and back, the word codes its rules build, and tabletool's export and
// import commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "config/tables/table_text.h"
#include "config/tables/word_code.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/text_encoding.h"
#include "tools/tabletool/table_list.h"
#include "tools/tabletool/tests/tool_run.h"

namespace lz {
namespace {

using namespace code_table;
namespace fs = std::filesystem;

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

using tabletool::Tabletool;
using tabletool::ToolRun;

std::u16string Wide(const std::string& utf8) {
  char16_t out[kDecodedBufferUnits + 1] = {};
  Utf8ToWide(out, reinterpret_cast<const std::uint8_t*>(utf8.data()), static_cast<int>(utf8.size()));
  return out;
}
std::string Narrow(const char16_t* text) {
  std::uint8_t out[kTableStringBufferBytes * 2] = {};
  const int n = WideToUtf8(text, out, sizeof out);
  return n < 0 ? std::string() : std::string(reinterpret_cast<const char*>(out), static_cast<std::size_t>(n));
}

class ShippedTables : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(fs::path(SHIPDATA_DIR) / "main.dmg")) GTEST_SKIP() << "no data set was built";
    ASSERT_GT(OpenMappedFile(fs::path(fs::path(SHIPDATA_DIR) / "danzi.dmi").u16string().c_str(), &danzi_), 0);
    config_ = FileText(fs::path(SHIPDATA_DIR) / "config.dsc");
    FindConfigBlocks({reinterpret_cast<std::uint8_t*>(config_.data()), static_cast<std::uint32_t>(config_.size())},
                     blocks_);
  }
  void TearDown() override {
    CloseMappedFile(danzi_);
    for (MappedFile* f : opened_) CloseMappedFile(f);
  }
  std::string Code(const std::u16string& word) {
    std::uint16_t rule[dme_block::kWordRuleTerms];
    ReadWordRule(blocks_.dme, CountWordCharacters(word.c_str()), rule);
    char16_t code[kBuiltCodes];
    BuildWordCode(danzi_, rule, word.c_str(), code, kBuiltCodes);
    return Narrow(code);
  }
  MappedFile* CopyOfMain(const std::string& name) {
    fs::copy_file(fs::path(SHIPDATA_DIR) / "main.dmg", folder_.path() / name);
    MappedFile* table = nullptr;
    EXPECT_GT(OpenMappedFile(folder_.File(name).c_str(), &table), 0);
    opened_.push_back(table);
    return table;
  }
  static constexpr int kBuiltCodes = 128;
  MappedFile* danzi_ = nullptr;
  std::string config_;
  ConfigBlocks blocks_;
  test::TempFolder folder_;
  std::vector<MappedFile*> opened_;
};

TEST_F(ShippedTables, WordCodesOfTheShippedRules) {
  struct Case {
    std::u16string word;
    std::string code;
  };
  for (const Case& c : {Case{u"中国", "khlg"}, Case{u"人民", "wwna"}, Case{u"计算机", "ytsm"}, Case{u"输入法", "ltif"},
                        Case{u"中华人民共和国", "kwwl"}}) {
    EXPECT_EQ(Code(c.word), c.code) << Narrow(c.word.c_str());
  }
}

TEST_F(ShippedTables, WordCodesReproduceTheListsPhrases) {
  std::vector<tabletool::ListEntry> list;
  std::string error;
  ASSERT_TRUE(tabletool::ReadWordList(FileText(WUBI86_LIST), list, error)) << error;
  std::map<std::string, std::set<std::string>> phrases;
  for (const tabletool::ListEntry& e : list) {
    if (CountWordCharacters(Wide(e.word).c_str()) >= 2) phrases[e.word].insert(e.code);
  }
  int reproduced = 0;
  for (const auto& [word, codes] : phrases) reproduced += codes.count(Code(Wide(word))) ? 1 : 0;
  EXPECT_EQ(phrases.size(), 61214u);
  EXPECT_GE(reproduced, 61172);
}

// (code, text, deleted, pinned, class) of every record.
using RecordKey = std::tuple<std::string, std::string, bool, bool, std::uint32_t>;

std::vector<RecordKey> Records(const MappedFile* table) {
  std::vector<RecordKey> out;
  for (std::uint32_t i = 0; i < RecordCount(table); ++i) {
    CodeTableRecord r;
    if (!RecordAt(table, static_cast<std::int32_t>(i), r)) continue;
    out.emplace_back(std::string(reinterpret_cast<const char*>(r.code), r.code_length),
                     std::string(reinterpret_cast<const char*>(r.text), r.text_length), (r.flags & kFlagDeleted) != 0,
                     (r.flags & kFlagPinned) != 0, RecordClass(r.flags));
  }
  std::sort(out.begin(), out.end());
  return out;
}

// For each code, its texts from the highest order value down, given as the original table's order values:
// a table keeps the order when that list falls for every code.
bool KeepsOrder(const MappedFile* original, const MappedFile* copy) {
  std::map<std::pair<std::string, std::string>, std::uint32_t> original_order;
  for (std::uint32_t i = 0; i < RecordCount(original); ++i) {
    CodeTableRecord r;
    RecordAt(original, static_cast<std::int32_t>(i), r);
    original_order[{std::string(reinterpret_cast<const char*>(r.code), r.code_length),
                    std::string(reinterpret_cast<const char*>(r.text), r.text_length)}] = OrderValue(r.flags);
  }
  std::map<std::string, std::vector<std::pair<std::uint32_t, std::uint32_t>>> by_code;  // (new, original)
  for (std::uint32_t i = 0; i < RecordCount(copy); ++i) {
    CodeTableRecord r;
    RecordAt(copy, static_cast<std::int32_t>(i), r);
    std::string code(reinterpret_cast<const char*>(r.code), r.code_length);
    by_code[code].push_back({OrderValue(r.flags),
                             original_order[{code, std::string(reinterpret_cast<const char*>(r.text), r.text_length)}]});
  }
  for (auto& [code, values] : by_code) {
    std::sort(values.begin(), values.end(), std::greater<>());
    for (std::size_t i = 1; i < values.size(); ++i) {
      if (values[i].second > values[i - 1].second) return false;
    }
  }
  return true;
}

TEST_F(ShippedTables, TheMainTableExportedAndImportedIntoAnEmptyTableIsTheSame) {
  MappedFile* original = CopyOfMain("original.dmg");
  ASSERT_EQ(RecordCount(original), 136076u);
  const std::vector<RecordKey> expected = Records(original);
  for (bool ascending : {true, false}) {
    SCOPED_TRACE(ascending ? "rising" : "falling");
    const std::u16string text = folder_.File(ascending ? "up.txt" : "down.txt");
    ASSERT_EQ(ExportTableText({}, original, text.c_str(), ascending), 136076);
    MappedFile* target = CopyOfMain(ascending ? "up.dmg" : "down.dmg");
    ASSERT_EQ(ClearTable(target), 1);
    std::unique_ptr<TableImport> import = CreateTableImport();
    ASSERT_EQ(ImportTableText(*import, target, text.c_str(), ascending), 136076);
    EXPECT_TRUE(import->log.empty());
    EXPECT_EQ(Records(target), expected);
    EXPECT_TRUE(KeepsOrder(original, target));
    EXPECT_EQ(ValidateCodeTable({target->view, static_cast<std::uint32_t>(target->size)}, {}), TableCheck::kValid);
  }
}

TEST_F(ShippedTables, TabletoolExportsAndImportsADataFolder) {
  fs::create_directories(folder_.path() / "set");
  for (const char* name : {"config.dsc", "main.dmg", "danzi.dmi"}) {
    fs::copy_file(fs::path(SHIPDATA_DIR) / name, folder_.path() / "set" / name);
  }
  const std::string set = (folder_.path() / "set").string();
  const std::string user = (folder_.path() / "user.txt").string();
  ToolRun run = Tabletool("export " + set + " " + user + " --class 2");
  ASSERT_EQ(run.exit_code, 0) << run.output;
  EXPECT_EQ(run.output, "0\n");
  EXPECT_EQ(FileText(user), "\xEF\xBB\xBF---config@码表分类=主码-用户码表\r\n");

  std::ofstream(folder_.path() / "in.txt", std::ios::binary) << "民中\r\n新词\tzzzz#用\r\n中国\tkhlg\r\n次\tabcd#次\r\n";
  const std::string log = (folder_.path() / "log.txt").string();
  run = Tabletool("import " + set + " " + (folder_.path() / "in.txt").string() + " --class 2 --log " + log);
  ASSERT_EQ(run.exit_code, 0) << run.output;
  EXPECT_EQ(run.output, "2\n");
  const std::string log_bytes = FileText(log);
  EXPECT_EQ(log_bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(log_bytes.size(), 2 + 2 * (std::u16string(u"中国 ----------已存在于系统码表，未做任何操作\r\n").size() +
                                       std::u16string(u"次 ----------与所选分类不匹配的词条类别\r\n").size()));

  run = Tabletool("export " + set + " " + user + " --class 2");
  ASSERT_EQ(run.exit_code, 0) << run.output;
  EXPECT_EQ(run.output, "2\n");
  const std::string words = FileText(user);
  EXPECT_NE(words.find("民中\tnakh\r\n"), std::string::npos);
  EXPECT_NE(words.find("新词\tzzzz\r\n"), std::string::npos);

  EXPECT_NE(Tabletool("export " + set + " " + user + " --class x").exit_code, 0);
  EXPECT_NE(Tabletool("import " + set + " " + (folder_.path() / "missing.txt").string()).exit_code, 0);
}

}  // namespace
}  // namespace lz
