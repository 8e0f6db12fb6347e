// The shipped data set: the builders of each file on small inputs made here, and the set the build makes
// from Debian's lists, used as a user would through tabletool and the engine.
#include "tools/tabletool/ship_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "tests/support/temp_folder.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/class_identifier.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/product_class_identifier.h"
#include "textservice/engine/scheme_text.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/skin_block.h"
#include "textservice/engine/text_decoding.h"
#include "tools/tabletool/tests/tool_run.h"

namespace lz::tabletool {
namespace {

using namespace code_table;
using test::TempFolder;

std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::uint8_t> Bytes(const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); }

std::array<std::uint8_t, 16> ProductId() {
  std::uint8_t id[16];
  std::u16string text;
  for (const char* p = LZ_PRODUCT_CLASS_IDENTIFIER; *p; ++p) text += static_cast<char16_t>(*p);
  EXPECT_TRUE(ParseClassIdentifier(text.c_str(), id));
  std::array<std::uint8_t, 16> out;
  std::copy(id, id + 16, out.begin());
  return out;
}

struct Config {
  bool built = false;
  std::string error;
  std::vector<std::uint8_t> store;
  ConfigBlocks blocks;
};

Config BuildConfig(const std::string& scheme, int minor = -1) {
  Config c;
  c.built = BuildShipConfig(Bytes(scheme), minor, c.store, c.error);
  if (c.built) FindConfigBlocks(ByteView{c.store.data(), static_cast<std::uint32_t>(c.store.size())}, c.blocks);
  return c;
}

// The default scheme with one line replaced (or added at the end when `line` is not in it).
std::string DefaultSchemeWith(const std::string& line, const std::string& replacement) {
  std::string text = FileText(DEFAULT_SCHEME);
  const std::size_t at = line.empty() ? std::string::npos : text.find("\n" + line + "\n");
  if (at == std::string::npos) return text + replacement + "\n";
  return text.replace(at + 1, line.size(), replacement);
}

std::u16string SoftText(const ConfigBlocks& b, std::uint32_t offset, std::uint32_t units) {
  return ReadFieldText(b.soft, offset, units);
}

TEST(ShipConfig, TheDefaultSchemeFillsAllFourBlocks) {
  const Config c = BuildConfig(FileText(DEFAULT_SCHEME));
  ASSERT_TRUE(c.built) << c.error;
  const ConfigBlocks& b = c.blocks;
  ASSERT_FALSE(b.soft.data == nullptr || b.ime.data == nullptr || b.dme.data == nullptr || b.skin.data == nullptr);

  // Identity: the library's identifier, and versions the installer can compare.
  const auto id = ProductId();
  EXPECT_TRUE(std::equal(id.begin(), id.end(), b.soft.data + soft_block::kIdentifier));
  EXPECT_EQ(BlockU32(b.soft, soft_block::kSoftwareNumber), kInstallerMajorVersion);
  EXPECT_EQ(BlockU32(b.soft, soft_block::kDataVersion), 1u);
  EXPECT_EQ(SoftText(b, soft_block::kImeName, 64), u"Quenlith.361.1");
  EXPECT_EQ(SoftText(b, soft_block::kDisplayVersion, 96), u"361.1");
  EXPECT_EQ(BlockU32(b.soft, soft_block::kLanguageId), 2052u);
  // The help file ships, so its shortcut is made.
  EXPECT_EQ(BlockU32(b.soft, soft_block::kShortcutFlags) & 0x40u, 0x40u);
  EXPECT_EQ(SoftText(b, soft_block::kClassNames + 2 * 32 * 2, 32), u"用户词");
  // System words can be deleted and restored but not removed; user words are writable.
  EXPECT_EQ(BlockU32(b.soft, soft_block::kClassFlags + 4 * kClassSystem), 2u);
  EXPECT_EQ(BlockU32(b.soft, soft_block::kClassFlags + 4 * kClassUser), 3u);

  // The scheme through the engine's readers: main scheme, association, temporary words by danzi.dmi.
  const std::uint32_t ime = BlockU32(b.ime, ime_block::kImeFlags);
  EXPECT_EQ(ime & (ime_block::kSchemeMain | ime_block::kSchemeAuxiliary), ime_block::kSchemeMain);
  EXPECT_TRUE(ime & ime_block::kAssociation);
  EXPECT_TRUE(ime & ime_block::kTempWords);
  EXPECT_TRUE(ime & ime_block::kTempWordsSavedOnCommit);
  EXPECT_FALSE(ime & ime_block::kTempWordsSmart);
  std::uint8_t u8 = 0;
  b.dme.ReadU8(dme_block::kWildcardKey, u8);
  EXPECT_EQ(u8, 'z');
  b.dme.ReadU8(dme_block::kEnglishLeadKey, u8);
  EXPECT_TRUE(u8 != 0 && (u8 < 'a' || u8 > 'z'));
  b.dme.ReadU8(dme_block::kUniqueAutoCommitLength, u8);
  EXPECT_EQ(u8, 4);
  b.dme.ReadU8(dme_block::kEmptyCodeCommitLength, u8);
  EXPECT_EQ(u8, 4);
  for (char key : {'a', 'k', 'y'}) {
    b.dme.ReadU8(dme_block::kKeyClasses + static_cast<std::uint32_t>(key), u8);
    EXPECT_EQ(u8, 0x30) << key;
  }
  b.dme.ReadU8(dme_block::kKeyClasses + 'z', u8);
  EXPECT_EQ(u8, 0);
  EXPECT_EQ(BlockU32(b.ime, 40), 31u);

  // Word rules that reproduce the list's codes, and the default key bindings.
  WordRuleSlot two, four, thirty;
  ASSERT_TRUE(ReadWordRuleSlot(b.dme, 2, two) && ReadWordRuleSlot(b.dme, 4, four) && ReadWordRuleSlot(b.dme, 30, thirty));
  EXPECT_EQ(std::vector<std::uint16_t>(two.begin(), two.begin() + 5), (std::vector<std::uint16_t>{0x8101, 0x8102, 0x8201, 0x8202, 0}));
  EXPECT_EQ(std::vector<std::uint16_t>(four.begin(), four.begin() + 5), (std::vector<std::uint16_t>{0x8101, 0x8201, 0x8301, 0x8401, 0}));
  EXPECT_EQ(std::vector<std::uint16_t>(thirty.begin(), thirty.begin() + 5),
            (std::vector<std::uint16_t>{0x8101, 0x8201, 0x8301, 0x9E01, 0}));
  const auto binding = [&](int key) {
    std::uint64_t mask = 0;
    ReadU64(b.dme, dme_block::kKeyMasks + 8u * static_cast<std::uint32_t>(key), mask);
    return mask;
  };
  EXPECT_EQ(binding(0x1B), 0x4u);
  EXPECT_EQ(binding(0x0D), 0xB80u);
  EXPECT_EQ(binding(0x20), 0x80u);
  EXPECT_EQ(binding(0x31), 0x180u);
  EXPECT_EQ(binding(0x30), 0xA80u);
  EXPECT_EQ(binding(0xA0), 0x1u);
  EXPECT_EQ(binding(0xBD), 0x20u);
  EXPECT_EQ(binding(0xBB), 0x40u);
  EXPECT_EQ(binding(0x28), 0x80000u);

  // The status bar starts in the skin's default corner; the candidate window has no dragged place.
  EXPECT_EQ(static_cast<std::int32_t>(BlockU32(b.skin, skin_block::kStatusWindowX)), -1);
  EXPECT_EQ(static_cast<std::int32_t>(BlockU32(b.skin, skin_block::kStatusWindowY)), -1);
  EXPECT_EQ(BlockU32(b.skin, skin_block::kCandidateWindowX), 0u);
  EXPECT_EQ(BlockU32(b.skin, skin_block::kCandidateWindowY), 0u);
}

TEST(ShipConfig, VersionRulesAndGeneratorKeysAreChecked) {
  struct Case {
    const char* name;
    std::string line;         // the default scheme's line to replace ("" adds the replacement)
    std::string replacement;
    std::string error;        // "" when the scheme builds
  };
  const std::vector<Case> cases = {
      {"the library's own identifier may be repeated", "", "ClassIdentifier=" LZ_PRODUCT_CLASS_IDENTIFIER, ""},
      {"another identifier is refused", "", "ClassIdentifier={00000000-0000-0000-0000-000000000001}", "is not the library's"},
      {"the software number is the installer's major", "SoftwareNumber=361", "SoftwareNumber=362", "SoftwareNumber must be"},
      {"IMEName carries major and minor", "IMEName=Quenlith.361.1", "IMEName=Quenlith.360.1", "IMEName Quenlith.360.1 is not"},
      {"IMEName without a name", "IMEName=Quenlith.361.1", "IMEName=.361.1", "IMEName .361.1 is not"},
      {"the version text follows them", "DisplayVersion=361.1", "DisplayVersion=3.6", "DisplayVersion 3.6 is not 361.1"},
      {"a missing field", "Publisher=Lanzo", "", "Publisher is missing"},
      {"an unknown soft key", "", "Colour=red", "unknown key Colour"},
      {"a text too long for its field", "DisplayName=蓝卓五笔", "DisplayName=" + std::string(64, 'n'), "DisplayName: longer than 63"},
      {"an unknown generator key", "设置页面=31", "页面=31", "[-生成器选项-]: unknown key 页面"},
      {"a code key outside printable ASCII", "编码键=abcdefghijklmnopqrstuvwxy", "编码键=ab中", "only printable ASCII"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Config built = BuildConfig(DefaultSchemeWith(c.line, c.replacement));
    EXPECT_EQ(built.built, c.error.empty()) << built.error;
    if (!c.error.empty()) {
      EXPECT_NE(built.error.find(c.error), std::string::npos) << built.error;
    }
  }
  // --minor rewrites the data version and the two texts that carry it.
  const Config minor = BuildConfig(FileText(DEFAULT_SCHEME), 7);
  ASSERT_TRUE(minor.built) << minor.error;
  EXPECT_EQ(BlockU32(minor.blocks.soft, soft_block::kDataVersion), 7u);
  EXPECT_EQ(SoftText(minor.blocks, soft_block::kImeName, 64), u"Quenlith.361.7");
  EXPECT_EQ(SoftText(minor.blocks, soft_block::kDisplayVersion, 96), u"361.7");
}

std::vector<std::pair<std::string, std::string>> KeyedRecords(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::pair<std::string, std::string>> out;
  const ByteView view{const_cast<std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size())};
  EXPECT_EQ(ValidateCodeTable(view), TableCheck::kValid);
  CodeTableHeader header;
  ReadCodeTableHeader(view, header);
  for (std::uint32_t i = 0; i < header.record_count; ++i) {
    std::uint32_t offset = 0;
    CodeTableRecord r;
    ReadRecordOffset(view, i, offset);
    EXPECT_TRUE(ReadCodeTableRecord(view, offset, false, r));
    // Both strings end in a zero their length counts.
    EXPECT_EQ(r.code[r.code_length - 1], 0);
    EXPECT_EQ(r.text[r.text_length - 1], 0);
    out.emplace_back(reinterpret_cast<const char*>(r.code), reinterpret_cast<const char*>(r.text));
  }
  return out;
}

std::vector<ListEntry> List(const std::vector<std::tuple<std::string, std::string, double>>& rows) {
  std::vector<ListEntry> out;
  for (const auto& [word, code, weight] : rows) out.push_back(ListEntry{word, code, weight, 0});
  return out;
}

TEST(ShipTables, MainLeavesOutCodesHoldingTheWildcardKeyAndCountsThem) {
  const auto list = List({{"工", "a", 9}, {"⒈", "zzd", 9}, {"中", "khkz", 3}, {"中国", "khlg", 1}});
  std::vector<std::uint8_t> bytes;
  std::string error;
  std::size_t left_out = 0;
  ASSERT_TRUE(BuildShipMain(list, bytes, error, 'z', &left_out)) << error;
  EXPECT_EQ(left_out, 2u);
  CodeTableHeader header;
  ASSERT_TRUE(ReadCodeTableHeader({bytes.data(), static_cast<std::uint32_t>(bytes.size())}, header));
  EXPECT_EQ(header.record_count, 2u);
  ASSERT_TRUE(BuildShipMain(list, bytes, error, 0, &left_out)) << error;
  EXPECT_EQ(left_out, 0u);
}

TEST(ShipTables, DanziKeepsEachCharactersLongestCodeWithoutZ) {
  const auto list = List({{"工", "a", 9}, {"工", "aaaa", 1}, {"工", "zaaa", 1}, {"工", "aaab", 5},  // tie: weight 5
                          {"中", "k", 1}, {"中", "khk", 2}, {"中", "khkz", 3},                      // z codes lose
                          {"〇", "zzzl", 1},                                                    // only z: no record
                          {"中国", "khlg", 1}});
  std::vector<std::uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(BuildShipDanzi(list, bytes, error)) << error;
  EXPECT_EQ(KeyedRecords(bytes), (std::vector<std::pair<std::string, std::string>>{{"中", "khk"}, {"工", "aaab"}}));
}

// Conversion records as the engine lists a key's records: in file order.
std::vector<std::pair<std::string, std::string>> RecordsInFileOrder(const std::vector<std::uint8_t>& bytes) {
  auto records = KeyedRecords(bytes);
  std::vector<std::pair<std::uint32_t, std::pair<std::string, std::string>>> placed;
  const ByteView view{const_cast<std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size())};
  for (std::uint32_t i = 0; i < records.size(); ++i) {
    std::uint32_t offset = 0;
    ReadRecordOffset(view, i, offset);
    placed.emplace_back(offset, records[i]);
  }
  std::sort(placed.begin(), placed.end());
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& p : placed) out.push_back(p.second);
  return out;
}

ConversionSources SmallConversionSources() {
  ConversionSources c;
  ReadConversionText("发\t發 髮\n国\t國\n后\t後 后\n当\t當 噹\n车\t車\n面\t面 麪\n", c.st_characters);
  ReadConversionText("以后\t以後\n后面\t後面\n皇后\t皇后\n", c.st_phrases);
  ReadConversionText("國\t国\n發\t发\n髮\t发\n", c.ts_characters);
  ReadConversionText("乾隆\t乾隆\n", c.ts_phrases);
  return c;
}

TEST(ShipTables, TextsConvertByTheLongestPhraseThenByCharacter) {
  const ConversionSources c = SmallConversionSources();
  struct Case {
    const char* text;
    const char* converted;
  };
  const Case cases[] = {
      {"中国", "中國"},     {"以后", "以後"},         {"皇后", "皇后"},     {"当然", "當然"},
      {"后面的车", "後面的車"}, {"以后面", "以後面"}, {"发", "發"},         {"", ""},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    EXPECT_EQ(ConvertText(k.text, c.st_phrases, c.st_characters), k.converted);
  }
}

TEST(ShipTables, ConversionTablesListTheCommonFormFirstAndConvertWordsWhole) {
  const ConversionSources c = SmallConversionSources();
  const auto list = List({{"中国", "khlg", 1}, {"中国", "kh", 1}, {"以后", "nyrg", 1}, {"中", "k", 1}, {"跑车", "khlg", 1},
                          {"当然", "iqdq", 1}, {"皇后", "rgrg", 1}});
  std::vector<std::uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(BuildShipTraditional(list, c, bytes, error)) << error;
  EXPECT_EQ(RecordsInFileOrder(bytes), (std::vector<std::pair<std::string, std::string>>{
                                           {"中国", "中國"}, {"以后", "以後"}, {"发", "發"}, {"发", "髮"}, {"后", "後"},
                                           {"后", "后"}, {"后面", "後面"}, {"国", "國"}, {"当", "當"}, {"当", "噹"},
                                           {"当然", "當然"}, {"跑车", "跑車"}, {"车", "車"}, {"面", "面"}, {"面", "麪"}}));
  ASSERT_TRUE(BuildShipSimplified(c, bytes, error)) << error;
  EXPECT_EQ(RecordsInFileOrder(bytes), (std::vector<std::pair<std::string, std::string>>{
                                           {"國", "国"}, {"發", "发"}, {"髮", "发"}}));
}

TEST(ShipTables, DictionaryJoinsReadingAndDefinitionWhole) {
  UnihanData unihan;
  unihan.mandarin = {{U'中', "zhōng"}, {U'乙', "yǐ"}};
  unihan.definition = {{U'中', "central; " + std::string(300, 'c')}, {U'丁', "male adult"}};
  std::vector<std::uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(BuildShipDictionary(unihan, bytes, error)) << error;
  const ByteView view{bytes.data(), static_cast<std::uint32_t>(bytes.size())};
  ASSERT_EQ(ValidateCodeTable(view, {.dictionary_layout = true}), TableCheck::kValid);
  std::vector<std::pair<std::string, std::string>> entries;
  for (std::uint32_t i = 0; i < 3; ++i) {
    std::uint32_t offset = 0;
    DictionaryRecord r;
    ReadRecordOffset(view, i, offset);
    ASSERT_TRUE(ReadDictionaryRecord(view, offset, r));
    entries.emplace_back(reinterpret_cast<const char*>(r.key), std::string(reinterpret_cast<const char*>(r.explanation), r.explanation_length));
  }
  EXPECT_EQ(entries, (std::vector<std::pair<std::string, std::string>>{
                         {"丁", "male adult"}, {"中", "zhōng central; " + std::string(300, 'c')}, {"乙", "yǐ"}}));
}

TEST(ShipTables, AssociationListsTakeEnglishWordsAndPhrasesByFallingWeight) {
  EXPECT_EQ(EnglishWordList("A\naardvark\naardvark's\nabbé\nZurich\r\n\n"), u"A\naardvark\nZurich\n");
  const auto list = List({{"中国", "khlg", 5}, {"人民", "wwna", 9}, {"中", "k", 99}, {"中国", "kh", 7}, {"//注", "x", 1}});
  EXPECT_EQ(PhraseList(list), u"人民\n中国\n///注\n");
}

// The set the build made, used through tabletool as a user would.
const char* const kSetFiles[] = {"config.dsc", "main.dmg", "temp.dmg", "engl.dmg", "sysl.dmg",
                                 "danzi.dmi", "traditional.dms", "simplified.dms", "dict.dms"};

class ShippedSet : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(std::filesystem::path(SHIPDATA_DIR) / "main.dmg")) GTEST_SKIP() << "no data set was built";
  }
  // A copy of the set that a test may change (commits learn into the tables).
  std::string Copy() {
    std::filesystem::copy(SHIPDATA_DIR, folder_.path() / "set");
    return (folder_.path() / "set").string();
  }
  TempFolder folder_;
};

TEST_F(ShippedSet, IsTheSameEveryTimeAndEveryTablePassesTheCheck) {
  const ToolRun again = Tabletool("shipdata " + (folder_.path() / "again").string());
  ASSERT_EQ(again.exit_code, 0) << again.output;
  EXPECT_NE(again.output.find("main.dmg: 136076 records, 677 entries left out: their code holds the wildcard key z"),
            std::string::npos)
      << again.output;
  for (const char* name : kSetFiles) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(FileText(folder_.path() / "again" / name) == FileText(std::filesystem::path(SHIPDATA_DIR) / name));
    if (std::string(name) == "config.dsc") continue;
    const ToolRun check = Tabletool("check " + (std::filesystem::path(SHIPDATA_DIR) / name).string());
    EXPECT_EQ(check.exit_code, 0) << check.output;
  }
  struct Count {
    const char* name;
    std::uint32_t records;
  };
  for (const Count& c : {Count{"main.dmg", 136076}, Count{"engl.dmg", 74585}, Count{"sysl.dmg", 61214},
                         Count{"danzi.dmi", 70228}, Count{"dict.dms", 43474}, Count{"temp.dmg", 0}}) {
    SCOPED_TRACE(c.name);
    const std::string bytes = FileText(std::filesystem::path(SHIPDATA_DIR) / c.name);
    CodeTableHeader header;
    ASSERT_TRUE(ReadCodeTableHeader({reinterpret_cast<std::uint8_t*>(const_cast<char*>(bytes.data())), static_cast<std::uint32_t>(bytes.size())}, header));
    EXPECT_EQ(header.record_count, c.records);
  }
}

TEST_F(ShippedSet, MainTableAndSoftBlockCarryTheLibrarysIdentifier) {
  std::string store = FileText(std::filesystem::path(SHIPDATA_DIR) / "config.dsc");
  std::string main = FileText(std::filesystem::path(SHIPDATA_DIR) / "main.dmg");
  ConfigBlocks blocks;
  ASSERT_EQ(FindConfigBlocks({reinterpret_cast<std::uint8_t*>(store.data()), static_cast<std::uint32_t>(store.size())}, blocks), 1);
  CodeTableHeader header;
  ASSERT_TRUE(ReadCodeTableHeader({reinterpret_cast<std::uint8_t*>(main.data()), static_cast<std::uint32_t>(main.size())}, header));
  const auto id = ProductId();
  EXPECT_TRUE(std::equal(id.begin(), id.end(), header.identifier));
  EXPECT_TRUE(std::equal(id.begin(), id.end(), blocks.soft.data + soft_block::kIdentifier));
  EXPECT_EQ(header.table_type, kTypeIndexed);
  EXPECT_EQ(header.lowest_record_offset - (kOffsetTable + 4 * header.record_count), kMainFreeGap);
}

TEST_F(ShippedSet, MainOrderCountersStartAboveEveryRecordsOrderValue) {
  std::string main = FileText(std::filesystem::path(SHIPDATA_DIR) / "main.dmg");
  const ByteView view{reinterpret_cast<std::uint8_t*>(main.data()), static_cast<std::uint32_t>(main.size())};
  CodeTableHeader header;
  ASSERT_TRUE(ReadCodeTableHeader(view, header));
  std::uint32_t highest[kOrderCounterCount] = {};
  for (std::uint32_t i = 0; i < header.record_count; ++i) {
    std::uint32_t offset = 0;
    CodeTableRecord r;
    ASSERT_TRUE(ReadRecordOffset(view, i, offset) && ReadCodeTableRecord(view, offset, false, r));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.code), r.code_length).find('z'), std::string::npos);
    highest[r.code[0]] = std::max(highest[r.code[0]], OrderValue(r.flags));
  }
  for (std::uint32_t b = 0; b < kOrderCounterCount; ++b) {
    std::uint32_t counter = 0;
    view.ReadU32(kOrderCounters + 4 * b, counter);
    EXPECT_GE(counter, highest[b]) << "first byte " << b;
  }
  EXPECT_GT(highest['a'], 0u);
}

struct Typed {
  std::string result;
  std::vector<std::string> words;
};

// Types KEYS into an engine on the folder; the result code and the page's words.
Typed Query(const std::string& dir, const std::string& keys, const std::string& options = "") {
  const ToolRun run = Tabletool("query " + dir + " '" + keys + "' " + options);
  EXPECT_EQ(run.exit_code, 0) << run.output;
  Typed typed;
  std::istringstream lines(run.output);
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t tab = line.find('\t');
    if (line.compare(0, 7, "result\t") == 0) {
      typed = Typed{line.substr(7), {}};
    } else if (tab != std::string::npos && std::isdigit(static_cast<unsigned char>(line[0]))) {
      typed.words.push_back(line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1));
    } else if (line.compare(0, 12, "association\t") == 0) {
      typed = Typed{"association", {}};
    }
  }
  return typed;
}

bool Lists(const std::vector<std::string>& words, const std::string& word) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

TEST_F(ShippedSet, TypingGivesTheWordsOfTheList) {
  const std::string dir = Copy();
  struct Case {
    const char* name;
    std::string keys;
    std::string options;
    std::string result;   // "" when any
    std::string first;    // "" when not checked
    std::string listed;   // "" when not checked
  };
  const std::vector<Case> cases = {
      {"a short code", "a", "", "2", "工", ""},
      {"a phrase code", "khlg", "", "2", "中国", ""},
      {"a unique full code commits", "wwna", "", "4", "人民", ""},
      {"a fifth key pushes the first candidate out", "khlgs", "", "5", "", ""},
      {"the wildcard", "kzlg", "", "2", "", "中国"},
      {"numbers after the lead key", ";1234", "", "2", "一千二百三十四", ""},
      {"English after the lead key", ";aard", "", "2", "aardvark", ""},
      {"the English word typed comes first", ";cat", "", "2", "cat", ""},
      {"a capital amount", ";3.05", "", "2", "", "叁元零伍分"},
      {"traditional output of a character", "lgyi", "--traditional", "", "國(国)", ""},
      {"a phrase converted whole", "khlg", "--traditional", "", "中國(中国)", ""},
      {"a phrase converted by the phrase table", "nyrg", "--traditional", "", "以後(以后)", ""},
      {"a character's common form comes first", "jf", "--traditional", "", "時(时)", ""},
      {"of two forms the common one first", "iv", "--traditional", "", "當(当)", ""},
      {"a word converted character by character", "jfuj", "--traditional", "", "時間(时间)", ""},
      {"a word with a character of one form", "mquh", "--traditional", "", "網站(网站)", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Typed t = Query(dir, c.keys, c.options);
    if (!c.result.empty()) {
      EXPECT_EQ(t.result, c.result);
    }
    if (!c.first.empty()) {
      ASSERT_FALSE(t.words.empty());
      EXPECT_EQ(t.words[0], c.first);
    }
    if (!c.listed.empty()) {
      EXPECT_TRUE(Lists(t.words, c.listed));
    }
  }
  // 发 has two traditional forms: each is an item of its own.
  const Typed fa = Query(dir, "ntcy", "--traditional");
  ASSERT_GE(fa.words.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(fa.words.begin(), fa.words.begin() + 2), (std::vector<std::string>{"發(发)", "髮(发)"}));
  // The run leaves the folder's output setting as it was.
  EXPECT_EQ(Query(dir, "lgyi").words.at(0), "国");
}

TEST_F(ShippedSet, CommitsLearnAndAssociate) {
  const std::string dir = Copy();
  const Typed associated = Query(dir, "khlg", "--commit 1 --associate");
  EXPECT_EQ(associated.result, "association");
  EXPECT_TRUE(Lists(associated.words, "中国共产党"));
  EXPECT_FALSE(Lists(associated.words, "中国"));

  // 民 then 中, each committed: rule P2 builds 民中 from their danzi.dmi codes nav and khk.
  Query(dir, "nav khk", "--commit 1");
  EXPECT_TRUE(Lists(Query(dir, "nakh").words, "民中"));

  // 工 then 王 build 工王 (aagg); chosen there, it becomes a user word that ranks above the list's words.
  Query(dir, "a ggg", "--commit 1");
  const Typed built = Query(dir, "aagg");
  ASSERT_EQ(built.words, (std::vector<std::string>{"工工整整", "工王"}));
  Query(dir, "aagg", "--commit 2");
  EXPECT_EQ(Query(dir, "aagg").words, (std::vector<std::string>{"工王", "工工整整"}));
}

std::size_t CharacterCount(const std::string& utf8) {
  return static_cast<std::size_t>(
      std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Each text as `opencc -c s2t.json` (Debian's opencc, which setup installs) converts it.
std::vector<std::string> OpenccConverted(const std::vector<std::string>& texts, const std::filesystem::path& folder) {
  {
    std::ofstream in(folder / "opencc-in.txt", std::ios::binary);
    for (const std::string& t : texts) in << t << '\n';
  }
  const std::string command = "opencc -c s2t.json -i '" + (folder / "opencc-in.txt").string() + "' -o '" +
                              (folder / "opencc-out.txt").string() + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << "opencc is missing: tools/setup.sh installs it";
  std::vector<std::string> out;
  std::istringstream lines(FileText(folder / "opencc-out.txt"));
  std::string line;
  while (std::getline(lines, line)) out.push_back(line);
  out.resize(texts.size());
  return out;
}

// What traditional output shows first for a text: its first conversion in traditional.dms, else itself.
std::string FirstTraditionalItem(const MappedFile* table, const std::string& text) {
  const std::u16string wide = Utf8BytesToWide(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  IntArray* found = nullptr;
  if (FindAllRecordsByWord(wide.c_str(), table, &found) <= 0 || !found) return text;
  CodeTableRecord r;
  const bool read = found->length > 0 &&
                    ReadCodeTableRecord({table->view, static_cast<std::uint32_t>(table->size)},
                                        static_cast<std::uint32_t>(found->items[0]), false, r);
  IntArrayFree(found);
  return read ? std::string(reinterpret_cast<const char*>(r.text)) : text;
}

// The words a user meets most often: the list's 200 most frequent words of two characters or more, and
// its 55 most frequent characters that a standard converter changes, each as traditional output shows it
// first and as OpenCC converts it.
TEST_F(ShippedSet, TraditionalOutputAgreesWithOpenccOnTheMostFrequentWords) {
  std::vector<ListEntry> list;
  std::string error;
  ASSERT_TRUE(ReadWordList(FileText(WUBI86_LIST), list, error)) << error;
  std::map<std::string, double> weight;
  for (const ListEntry& e : list) weight[e.word] = std::max(weight[e.word], e.weight);
  std::vector<std::pair<double, std::string>> ranked;
  for (const auto& [word, w] : weight) ranked.emplace_back(-w, word);
  std::sort(ranked.begin(), ranked.end());
  std::vector<std::string> words, characters;
  for (const auto& [w, word] : ranked) {
    const std::size_t n = CharacterCount(word);
    if (n >= 2 && words.size() < 200) words.push_back(word);
    if (n == 1 && static_cast<unsigned char>(word[0]) >= 0xE4 && characters.size() < 2000) characters.push_back(word);
  }
  ASSERT_EQ(words.size(), 200u);
  const std::vector<std::string> converted_characters = OpenccConverted(characters, folder_.path());
  std::vector<std::string> changed, changed_to;
  for (std::size_t i = 0; i < characters.size() && changed.size() < 55; ++i) {
    if (converted_characters[i] != characters[i]) {
      changed.push_back(characters[i]);
      changed_to.push_back(converted_characters[i]);
    }
  }
  ASSERT_EQ(changed.size(), 55u);
  const std::vector<std::string> converted_words = OpenccConverted(words, folder_.path());

  MappedFile* table = nullptr;
  ASSERT_GT(OpenMappedFile((std::filesystem::path(SHIPDATA_DIR) / "traditional.dms").u16string().c_str(), &table), 0);
  int words_agreeing = 0, characters_agreeing = 0;
  std::string differing;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string shown = FirstTraditionalItem(table, words[i]);
    if (shown == converted_words[i]) {
      ++words_agreeing;
    } else {
      differing += " " + words[i] + ":" + shown + "/" + converted_words[i];
    }
  }
  for (std::size_t i = 0; i < changed.size(); ++i) {
    const std::string shown = FirstTraditionalItem(table, changed[i]);
    if (shown == changed_to[i]) {
      ++characters_agreeing;
    } else {
      differing += " " + changed[i] + ":" + shown + "/" + changed_to[i];
    }
  }
  CloseMappedFile(table);
  std::cout << "traditional output agrees with opencc s2t on " << words_agreeing << " of 200 words and "
            << characters_agreeing << " of 55 characters;" << (differing.empty() ? " no difference" : differing) << "\n";
  RecordProperty("words_agreeing", words_agreeing);
  RecordProperty("characters_agreeing", characters_agreeing);
  EXPECT_GE(words_agreeing, 196) << differing;
  EXPECT_EQ(characters_agreeing, 55) << differing;
}

TEST_F(ShippedSet, WordLookUpInTheDictionaryGivesReadingAndDefinition) {
  MappedFile* dict = nullptr;
  ASSERT_GT(OpenMappedFile((std::filesystem::path(SHIPDATA_DIR) / "dict.dms").u16string().c_str(), &dict), 0);
  IntArray* found = nullptr;
  ASSERT_EQ(FindAllRecordsByKey(dict, u"中", &found), 1);
  DictionaryRecord r;
  ASSERT_TRUE(ReadDictionaryRecord({dict->view, static_cast<std::uint32_t>(dict->size)}, static_cast<std::uint32_t>(found->items[0]), r));
  const std::string explanation(reinterpret_cast<const char*>(r.explanation), r.explanation_length);
  EXPECT_EQ(explanation.compare(0, 6, "zhōng"), 0) << explanation;
  EXPECT_NE(explanation.find("central"), std::string::npos) << explanation;
  IntArrayFree(found);
  CloseMappedFile(dict);
}

}  // namespace
}  // namespace lz::tabletool
