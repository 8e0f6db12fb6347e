// All settings as one text: the export's exact bytes, the import's effect on the blocks, and the round
// trip over the shipped data set.
#include "config/settings/settings_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "config/app/text_file.h"
#include "tests/support/data_folder.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text_file_bytes.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/key_names.h"
#include "textservice/engine/scheme_text.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/settings_text.h"

namespace lz {
namespace {

// A config.dsc in memory and its blocks.
struct Store {
  std::vector<std::uint8_t> bytes;
  ConfigBlocks blocks;

  explicit Store(std::vector<std::uint8_t> store) : bytes(std::move(store)) { Find(); }
  Store(const Store& other) : bytes(other.bytes) { Find(); }
  void Find() { FindConfigBlocks(ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}, blocks); }
  std::u16string Text(const SettingsTextOps* ops = nullptr) const {
    return WriteSettingsText(blocks.ime, blocks.dme, blocks.skin, ops);
  }
  int Import(std::u16string_view text, const SettingsTextOps* ops = nullptr) {
    return ImportSettingsText(text, blocks.ime, blocks.dme, blocks.skin, ops);
  }
  std::vector<std::uint8_t> Bytes(ByteView block, std::uint32_t offset, std::uint32_t length) const {
    return std::vector<std::uint8_t>(block.data + offset, block.data + offset + length);
  }
};

// Texts are spelled with "\n"; the file has CR LF.
std::u16string Crlf(std::u16string_view text) {
  std::u16string out;
  for (char16_t c : text) {
    if (c == u'\n') out += u'\r';
    out += c;
  }
  return out;
}

std::u16string Preamble(std::u16string_view title, std::u16string_view header) {
  const std::u16string rule = u"//" + std::u16string(54, u'-') + u"\n";
  return rule + u"//  " + std::u16string(7, u'\u3000') + u" " + std::u16string(title) + u"\n" + rule +
         std::u16string(header) + u"\n";
}

struct OpsHolder {
  SettingsTextOps* ops = NewSettingsTextOps();
  ~OpsHolder() {
    if (ops) ops->free(ops);
  }
};

// The fixture store: an own initial state, a space key that clears, display conversion on, a few
// punctuation and display entries, bindings of each kind and two rules.
Store FixtureStore(std::uint32_t candidate_options = 0) {
  return Store(test::BuildConfigStore(test::kTestIdentifier, [&](ConfigBlocks& b) {
    using namespace ime_block;
    b.ime.WriteU32(kBehaviourFlags, kSpaceClears | kOwnInitialState | kDisplayConversionOn | 0x2000);
    b.ime.WriteU32(kInitialState, kStateAlways | kStateChinesePunctuation | kStateFullWidth);
    b.ime.WriteU32(kCandidateOptions, candidate_options);
    ReadPunctuationText(b.ime, u"．", u"。");
    ReadPunctuationText(b.ime, u"\"", u"“,”");
    ReadPunctuationText(b.ime, u"(", u"（）");
    ReadPunctuationText(b.ime, u",", u"，");
    ReadPunctuationText(b.ime, u".", u"。,.");
    ReadPunctuationText(b.ime, u"/", u"、");
    ReadPunctuationText(b.ime, u"=", u"＝");
    ReadPunctuationText(b.ime, u"智能标点表", u"/");
    ReadPunctuationText(b.ime, u"光标左移的标点表", u"(");
    ReadDisplayConversionText(b.ime, u"＊", u"乘");
    ReadDisplayConversionText(b.ime, u"1", u"一二三四五六");
    ReadDisplayConversionText(b.ime, u"a", u"日");
    ReadKeyFunctionText(u" ", b.dme, u"首选上屏");
    ReadKeyFunctionText(u"A", b.dme, u"前翻页");
    ReadKeyFunctionText(u"１", b.dme, u"第1候选上屏");
    ReadKeyFunctionText(u"键F1+键Ctrl", b.dme, u"输入法打开/关闭");
    ReadWordRuleText(b.dme, u"P4", u"L3F1+L2B2");
    ReadWordRuleText(b.dme, u"P2", u"L1F1+L1F2+L2F1+L2F2");
  }));
}

const std::u16string kFixtureImeBody = uR"(//可选：“上屏英文”、“上屏英文+空格”、“清屏”之一
空码时空格行为=清屏

//每次打开输入法时的标点符号状态,一般设置为“与系统转换状态一致”
//如需特别指定，可设置“输入法打开”或“输入法关闭”、“中文标点”或“英文标点”、“全角”或“半角”
初始化转换状态=自定义：中文标点+全角+输入法打开

//由系统TSF框架绘制的文本区域//可选：“嵌入编码”、“嵌入首选”、“传统样式”
嵌入文本内容=传统样式

隐藏嵌入的首候选=否
仅重码时显示候选窗口=否

//可选：“固定位置”、“跟随状态栏”、“跟随光标”之一
候选窗口位置=跟随光标

//如果生成时包含了词典，系统默认当鼠标在候选窗口悬停800毫秒后打开词典窗口。
禁用鼠标悬停词典=否

隐藏候选窗口=否
隐藏状态栏窗口=否

隐藏词条相同编码不同的后续候选=否
是否打开非编码按键顶屏=否
中英文切换时上屏输入字符=否
是否开启命令直通车=否
Capslock转英文标点=否
禁用组合快捷键=否
首字母大写开启临时英文输入=否
是否在上屏时开启词语联想=否
//可选：“主+辅”、“主”、“辅”之一
输入方案=主

//检索范围仅限定次显码表，当“检索次显码表为否”时,“候选为空时检索次显码表”有效
检索次显码表=否
空码时检索次显码表=否

//可选：1~10之间整数
候选列表显示个数=5

//可选：“一次到顶”、“逐渐调整”、“禁止调整”之一
词频调整=禁止调整

)";

const std::u16string kFixturePunctuationBody = uR"(．=。
"=“,”
(=（）
,=，
.=。,.
/=、
==＝
//智能标点键位表，该表中指定的健位，第一次输入为中文标点，第二次输入删除中文并上屏英文标点。
//数字后半角标点行为也受此功能影响，再次输入时删除半角标点并上屏中文标点。
智能标点表=/

//光标左移的标点表，该表中指定的键位在输出中文标点符号后，会模拟一次键盘光标左移键
光标左移的标点表=(

)";

const std::u16string kFixtureDisplayBody = u"开启转换=是\n＊=乘\n1=一二三四五\na=日\n";

const std::u16string kFixtureKeyBody =
    u" =首选上屏,\nA+键Shift=前翻页,\n１=第1候选上屏,\n键F1+键Ctrl=输入法打开/关闭,\n";

const std::u16string kFixtureRuleBody = u"P2=L1F1+L1F2+L2F1+L2F2\nP4=L3F1+L2B2\n";

std::u16string FixtureText(std::u16string_view dme_body, std::u16string_view skin_body) {
  return Crlf(Preamble(u"IME设置", u"[-IME设置-]") + kFixtureImeBody + Preamble(u"DME设置", u"[-DME设置-]")) +
         std::u16string(dme_body) + Crlf(Preamble(u"SKIN设置", u"[-SKIN设置-]")) + std::u16string(skin_body) +
         Crlf(Preamble(u"中文符号定义", u"[-非编码符号转义定义表-]") + kFixturePunctuationBody +
              Preamble(u"输入字符显示转换表", u"[-输入字符显示转换表-]") + kFixtureDisplayBody +
              Preamble(u"按键功能", u"[-按键功能-]") + kFixtureKeyBody +
              Preamble(u"构词规则定义", u"[-构词规则定义-]") + kFixtureRuleBody);
}

std::string Utf8(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  AppendUtf8(bytes, text);
  return std::string(bytes.begin(), bytes.end());
}

TEST(SettingsExport, TheFileIsTheMarkAndTheTextTheTestSpellsOut) {
  const Store store = FixtureStore();
  test::TempFolder folder;
  const std::u16string path = folder.File("all.txt");
  ASSERT_TRUE(ExportSettingsText(store.blocks.ime, store.blocks.dme, store.blocks.skin, nullptr, path.c_str()));
  const std::vector<std::uint8_t> bytes = test::ReadFileBytes(folder.path() / "all.txt");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "\xEF\xBB\xBF" + Utf8(FixtureText(u"", u"")));
}

TEST(SettingsExport, TheDmeAndSkinBodiesComeFromTheOps) {
  const Store store = FixtureStore();
  OpsHolder ops;
  std::u16string dme(kSettingsTextCapacity, u'\0'), skin(kSettingsTextCapacity, u'\0');
  dme.resize(static_cast<std::size_t>(SettingsTextWrite(store.blocks.dme, dme.data(), kSettingsTextCapacity, 1)));
  skin.resize(static_cast<std::size_t>(SettingsTextWrite(store.blocks.skin, skin.data(), kSettingsTextCapacity, 2)));
  ASSERT_FALSE(dme.empty());
  EXPECT_EQ(store.Text(ops.ops), FixtureText(dme, skin));
}

TEST(SettingsExport, TheCandidateCountOutsideOneToTenIsWrittenAsFive) {
  struct Case {
    std::uint32_t stored;
    std::u16string line;
  };
  const std::vector<Case> cases = {{0, u"候选列表显示个数=5\r\n"},
                                   {11u << 28, u"候选列表显示个数=5\r\n"},
                                   {10u << 28, u"候选列表显示个数=10\r\n"},
                                   {3u << 28, u"候选列表显示个数=3\r\n"},
                                   {(1u << 28) | 1, u"候选列表显示个数=1\r\n"}};
  for (const Case& c : cases) {
    EXPECT_NE(FixtureStore(c.stored).Text().find(c.line), std::u16string::npos) << c.stored;
  }
}

TEST(SettingsExport, EmptyListsAreStillWritten) {
  const Store store(test::BuildConfigStore());
  const std::u16string text = store.Text();
  EXPECT_NE(text.find(u"\r\n智能标点表=\r\n\r\n"), std::u16string::npos);
  EXPECT_NE(text.find(u"\r\n光标左移的标点表=\r\n\r\n"), std::u16string::npos);
  EXPECT_NE(text.find(u"[-按键功能-]\r\n" + Crlf(Preamble(u"构词规则定义", u"[-构词规则定义-]"))), std::u16string::npos);
}

TEST(SettingsExport, AFileThatCannotBeWrittenIsReported) {
  const Store store = FixtureStore();
  test::TempFolder folder;
  EXPECT_FALSE(ExportSettingsText(store.blocks.ime, store.blocks.dme, store.blocks.skin, nullptr,
                                  folder.File("no/such/folder.txt").c_str()));
}

// ---- import ----

struct Fields {
  std::u16string punctuation_equals;  // the text of key "="
  std::u16string punctuation_comma;   // key ","
  std::u16string punctuation_dot;     // key "."
  std::uint16_t kind_comma = 0;
  KeyFunctionMask space = 0;
  std::uint32_t combinations = 0;
  std::uint16_t rule_p3 = 0;  // first term of the rule for three characters
  std::uint16_t rule_p4 = 0;
  std::u16string display_a;

  bool operator==(const Fields&) const = default;
};

Fields Read(const Store& s) {
  using namespace ime_block;
  Fields f;
  f.punctuation_equals = ReadFieldText(s.blocks.ime, PunctuationOffset('=') + kPunctuationText, 31);
  f.punctuation_comma = ReadFieldText(s.blocks.ime, PunctuationOffset(',') + kPunctuationText, 31);
  f.punctuation_dot = ReadFieldText(s.blocks.ime, PunctuationOffset('.') + kPunctuationText, 31);
  s.blocks.ime.ReadU16(PunctuationOffset(',') + kPunctuationKind, f.kind_comma);
  f.space = ReadKeyBinding(s.blocks.dme, 0x20);
  f.combinations = CombinationCount(s.blocks.dme);
  WordRuleSlot slot;
  ReadWordRuleSlot(s.blocks.dme, 3, slot);
  f.rule_p3 = slot[0];
  ReadWordRuleSlot(s.blocks.dme, 4, slot);
  f.rule_p4 = slot[0];
  f.display_a = ReadFieldText(s.blocks.ime, DisplayConversionOffset('a'), kDisplayConversionUnits);
  return f;
}

TEST(SettingsImport, ATextSetsTheFieldsItNamesAndReplacesOnlyTheTablesOfItsSections) {
  const Fields fixture = Read(FixtureStore());
  // The fixture's fields once a text's punctuation section has replaced that table.
  Fields no_punctuation = fixture;
  no_punctuation.punctuation_equals = no_punctuation.punctuation_comma = no_punctuation.punctuation_dot = u"";
  no_punctuation.kind_comma = 0;
  struct Case {
    std::u16string name;
    std::u16string text;
    Fields expected;
    int result = kSettingsImported;
  };
  const std::u16string punctuation = u"[-非编码符号转义定义表-]\r\n";
  const std::vector<Case> cases = {
      {u"an equals key", punctuation + u"==，\r\n", [&] {
         Fields f = no_punctuation;
         f.punctuation_equals = u"，";
         return f;
       }()},
      {u"a quoted value keeps its equals sign", punctuation + u",=\"a=b\"\r\n", [&] {
         Fields f = no_punctuation;
         f.punctuation_comma = u"a=b";
         f.kind_comma = 1;
         return f;
       }()},
      {u"both comment forms", u"//[-按键功能-]\r\n/* [-构词规则定义-]\r\nP3=L1F1\r\n*/\r\n" + punctuation +
                                   u",=，\r\n",
       [&] {
         Fields f = no_punctuation;
         f.punctuation_comma = u"，";
         f.kind_comma = 1;
         return f;
       }()},
      {u"a double backslash ends the line", punctuation + u",=，\\\\.=x\r\n", [&] {
         Fields f = no_punctuation;
         f.punctuation_comma = u"，";
         f.kind_comma = 1;
         return f;
       }()},
      {u"a line of 1024 characters goes on as the next line",
       punctuation + u"a=" + std::u16string(1021, u'x') + u".=。\r\n", [&] {
         Fields f = no_punctuation;
         f.punctuation_dot = u"。";
         return f;
       }()},
      {u"only the IME section keeps every table", u"[-IME设置-]\r\n候选列表显示个数=3\r\n", fixture},
      {u"the display conversion section replaces that table only", u"[-输入字符显示转换表-]\r\nb=乙\r\n", [&] {
         Fields f = fixture;
         f.display_a = u"";
         return f;
       }()},
      {u"key functions and rules replace theirs and keep the punctuation",
       u"[-按键功能-]\r\n =第2候选上屏\r\n键F2+键Alt=前翻页\r\n[-构词规则定义-]\r\nP3=L1F1\r\n", [&] {
         Fields f = fixture;
         f.space = key_function::kCommit | (2 << key_function::kNumberShift);
         f.combinations = 1;
         f.rule_p3 = 0x8101;
         f.rule_p4 = 0;
         return f;
       }()},
      {u"an empty key-function section empties the bindings", u"[-按键功能-]\r\n", [&] {
         Fields f = fixture;
         f.space = 0;
         f.combinations = 0;
         return f;
       }()},
      {u"a text without headers changes nothing", u",=x\r\n键F1=前翻页\r\nP3=L1F1\r\n", fixture,
       kSettingsTextWithoutSections},
      {u"an unknown section is no settings text", u"[-生成器选项-]\r\n,=x\r\n[-其他安装文件-]\r\n", fixture,
       kSettingsTextWithoutSections},
      {u"an empty text changes nothing", u"", fixture, kSettingsTextWithoutSections},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(Utf8(c.name)));
    Store store = FixtureStore();
    const std::vector<std::uint8_t> before = store.bytes;
    EXPECT_EQ(store.Import(c.text), c.result);
    EXPECT_EQ(Read(store), c.expected);
    if (c.result == kSettingsTextWithoutSections) {
      EXPECT_EQ(store.bytes, before);
    }
  }
}

TEST(SettingsImport, TheImeSettingsApplyAfterTheWholeText) {
  Store store = FixtureStore();
  // Later lines of a key win, wherever they stand.
  store.Import(u"[-IME设置-]\r\n词频调整=一次到顶\r\n[-构词规则定义-]\r\nP3=L1F1\r\n[-IME设置-]\r\n词频调整=逐渐调整\r\n");
  EXPECT_EQ(BlockU32(store.blocks.ime, ime_block::kCandidateOptions) & ime_block::kFrequencyMask,
            ime_block::kFrequencyGradual);
}

TEST(SettingsImport, TheDmeAndSkinPairsGoThroughTheOpsOnly) {
  const std::u16string text = u"[-DME设置-]\r\n候选唯一自动上屏码长=4\r\n[-SKIN设置-]\r\n使用皮肤名称=蓝\r\n";
  Store without = FixtureStore();
  without.Import(text);
  std::uint8_t length = 0;
  without.blocks.dme.ReadU8(dme_block::kUniqueAutoCommitLength, length);
  EXPECT_EQ(length, 0);
  Store with = FixtureStore();
  OpsHolder ops;
  with.Import(text, ops.ops);
  with.blocks.dme.ReadU8(dme_block::kUniqueAutoCommitLength, length);
  EXPECT_EQ(length, 4);
  EXPECT_EQ(ReadFieldText(with.blocks.skin, 408, 40), u"蓝");
}

TEST(SettingsImport, TheBlockHeadersAreStamped) {
  std::vector<std::uint8_t> ime(config_store::kImeBlockSize), dme(config_store::kDmeBlockSize),
      skin(config_store::kSkinBlockSize);
  const auto view = [](std::vector<std::uint8_t>& b) { return ByteView{b.data(), static_cast<std::uint32_t>(b.size())}; };
  ASSERT_EQ(ImportSettingsText(u"[-IME设置-]\r\n", view(ime), view(dme), view(skin), nullptr), kSettingsImported);
  struct Case {
    std::vector<std::uint8_t>* block;
    std::string name;
    std::uint8_t kind;
    std::uint32_t size;
  };
  for (const Case& c : {Case{&ime, "lz_ime_config_data_default", 1, 17168}, Case{&dme, "lz_dme_config_data_default", 2, 14656},
                        Case{&skin, "lz_skin_config_data_default", 3, 732}}) {
    EXPECT_EQ(BlockU32(view(*c.block), 0), c.size);
    EXPECT_EQ((*c.block)[4], c.kind);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(c.block->data() + 5)), c.name);
  }
}

TEST(SettingsImport, EveryEncodingOfTheTextGivesTheSameBlocks) {
  const std::u16string text = FixtureText(u"", u"");
  test::TempFolder folder;
  const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files = {
      {"utf8-mark.txt", test::Utf8FileBytes(text, true)},
      {"utf8.txt", test::Utf8FileBytes(text, false)},
      {"utf16le.txt", test::Utf16FileBytes(text, false)},
      {"utf16be.txt", test::Utf16FileBytes(text, true)},
  };
  std::vector<std::uint8_t> first;
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    test::WriteFileBytes(folder.path() / name, bytes);
    std::u16string read;
    ASSERT_EQ(ReadTextFile(folder.File(name).c_str(), read), kTextFileRead);
    Store store(test::BuildConfigStore());
    ASSERT_EQ(store.Import(read), kSettingsImported);
    if (first.empty()) {
      first = store.bytes;
      EXPECT_EQ(Read(store), Read(FixtureStore()));
    } else {
      EXPECT_EQ(store.bytes, first);
    }
  }
}

TEST(SettingsImport, TheStoreIsChangedUnderItsWriterLockAndReadOnlyCopiesAreRefused) {
  test::TempFolder folder;
  test::WriteFileBytes(folder.path() / "config.dsc", FixtureStore().bytes);
  const std::u16string path = folder.File("config.dsc");
  MappedFile* store = nullptr;
  ASSERT_GT(OpenMappedFile(path.c_str(), &store), 0);
  EXPECT_EQ(ImportSettingsTextToStore(u"[-非编码符号转义定义表-]\r\n==，\r\n", store, nullptr), kSettingsImported);
  CloseMappedFile(store);
  Store reread(test::ReadFileBytes(folder.path() / "config.dsc"));
  EXPECT_EQ(Read(reread).punctuation_equals, u"，");
  // The key bindings have no section in the text and stay.
  EXPECT_EQ(Read(reread).space, Read(FixtureStore()).space);

  MappedFile* copy = nullptr;
  ASSERT_GT(ReadWholeFile(&copy, path.c_str()), 0);
  EXPECT_EQ(ImportSettingsTextToStore(u"[-IME设置-]\r\n", copy, nullptr), kSettingsStoreNotWritable);
  CloseMappedFile(copy);
}

// ---- backups ----

TEST(SettingsBackup, TheChosenNameGetsItsEnding) {
  struct Case {
    std::u16string chosen;
    std::u16string path;
  };
  const std::vector<Case> cases = {
      {u"C:\\Docs\\A.TXT", u"c:\\docs\\a.lzconfig.txt"},
      {u"C:\\Docs\\b.doc", u"c:\\docs\\b.doc.txt"},
      {u"C:\\Docs\\Backup.txt", u"c:\\docs\\backup.lzconfig.txt"},
      {u"C:\\设置\\备份", u"c:\\设置\\备份.txt"},
      {u"C:\\" + std::u16string(243, u'x') + u".txt", u"c:\\" + std::u16string(243, u'x') + u".lzconfig.txt"},
      {u"C:\\" + std::u16string(244, u'x') + u".txt", u""},  // 260 units would leave no room for the zero
  };
  for (const Case& c : cases) EXPECT_EQ(SettingsBackupPath(c.chosen), c.path);
}

TEST(SettingsBackup, ABackupIsWrittenWholePast64Kilobytes) {
  test::TempFolder folder;
  const std::u16string text = std::u16string(40000, u'设') + u"\r\n[-构词规则定义-]\r\nP2=L1F1\r\n";
  ASSERT_TRUE(WriteSettingsBackup(folder.File("big.txt").c_str(), text));
  std::u16string read;
  ASSERT_EQ(ReadTextFile(folder.File("big.txt").c_str(), read), kTextFileRead);
  EXPECT_EQ(read, text);
  EXPECT_FALSE(WriteSettingsBackup(folder.File("no/such/big.txt").c_str(), text));
}

// ---- the shipped data set ----
#ifdef SHIPDATA_DIR

TEST(SettingsShippedData, ExportImportExportGivesTheSameBytesAndTables) {
  const std::filesystem::path shipped = std::filesystem::path(SHIPDATA_DIR) / "config.dsc";
  ASSERT_TRUE(std::filesystem::exists(shipped)) << "build the shipdata target";
  const Store original(test::ReadFileBytes(shipped));
  ASSERT_TRUE(original.blocks.ime.data && original.blocks.dme.data && original.blocks.skin.data);
  OpsHolder ops;
  const std::u16string text = original.Text(ops.ops);
  Store copy = original;
  ASSERT_EQ(copy.Import(text, ops.ops), kSettingsImported);
  EXPECT_EQ(copy.Text(ops.ops), text);
  using namespace dme_block;
  const auto same = [&](ByteView a, ByteView b, std::uint32_t offset, std::uint32_t length) {
    return original.Bytes(a, offset, length) == copy.Bytes(b, offset, length);
  };
  EXPECT_TRUE(same(original.blocks.dme, copy.blocks.dme, kKeyMasks, kKeyMaskCount * 8)) << "key bindings";
  EXPECT_TRUE(same(original.blocks.dme, copy.blocks.dme, kCombinationCount, 1)) << "combination count";
  const std::uint32_t combinations = CombinationCount(original.blocks.dme);
  for (std::uint32_t i = 0; i < combinations; ++i) {
    CombinationBinding a, b;
    ReadCombination(original.blocks.dme, i, a);
    ReadCombination(copy.blocks.dme, i, b);
    EXPECT_EQ(a.key_code, b.key_code);
    EXPECT_EQ(a.mask, b.mask);
  }
  for (int n = kMinRuleLength; n <= kMaxRuleLength; ++n) {
    EXPECT_TRUE(same(original.blocks.dme, copy.blocks.dme, RuleSlotOffset(n), kWordRuleSlotSize)) << "rule " << n;
  }
  for (std::uint32_t i = 0; i < ime_block::kPunctuationCount; ++i) {
    using namespace ime_block;
    std::uint16_t kind_a = 0, kind_b = 0;
    original.blocks.ime.ReadU16(PunctuationOffset(i) + kPunctuationKind, kind_a);
    copy.blocks.ime.ReadU16(PunctuationOffset(i) + kPunctuationKind, kind_b);
    EXPECT_EQ(kind_a, kind_b) << "punctuation " << i;
    if (kind_a == kPunctuationPair) {
      EXPECT_EQ(ReadFieldText(original.blocks.ime, PunctuationOffset(i) + kPunctuationText, 15),
                ReadFieldText(copy.blocks.ime, PunctuationOffset(i) + kPunctuationText, 15));
      EXPECT_EQ(ReadFieldText(original.blocks.ime, PunctuationOffset(i) + kPunctuationSecondText, 15),
                ReadFieldText(copy.blocks.ime, PunctuationOffset(i) + kPunctuationSecondText, 15));
    } else if (kind_a != 0) {
      EXPECT_EQ(ReadFieldText(original.blocks.ime, PunctuationOffset(i) + kPunctuationText, 31),
                ReadFieldText(copy.blocks.ime, PunctuationOffset(i) + kPunctuationText, 31));
    }
  }
}

#endif

}  // namespace
}  // namespace lz
