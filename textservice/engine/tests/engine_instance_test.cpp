#include "textservice/engine/engine_instance.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/os/system_info.h"
#include "tests/support/data_folder.h"
#include "tests/support/installed_engine.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/ime_block.h"

namespace lz {
namespace {

std::int64_t g_boot_stamp = 0x60000000;
std::int64_t TestBootStamp() { return g_boot_stamp; }

int g_ui_result = 1;
int g_ui_alive = 0;
int CreateTestUi(EngineInstance* e) {
  if (g_ui_result != 1) return 0;
  e->ui = reinterpret_cast<UiState*>(&g_ui_alive);
  ++g_ui_alive;
  return 1;
}
void DestroyTestUi(EngineInstance*) { --g_ui_alive; }

test::DataFolderContents Contents(const std::function<void(test::DataFolderContents&)>& change) {
  test::DataFolderContents contents;
  contents.main = {{"a", "\xE5\xB7\xA5"}};
  contents.temp = std::vector<test::TableRecord>{{"ab", "\xE8\xBF\x87", 0}};
  if (change) change(contents);
  return contents;
}

// An installed input method with the test's own UI and boot clock.
struct Installed {
  test::InstalledFolder folder;
  std::u16string class_id;
  EngineSetup setup;

  explicit Installed(const std::function<void(test::DataFolderContents&)>& change = {})
      : folder(Contents(change)), class_id(folder.class_id()), setup(folder.Setup()) {
    setup.class_identifier = class_id.c_str();
    setup.create_ui = CreateTestUi;
    setup.destroy_ui = DestroyTestUi;
    setup.boot_stamp = TestBootStamp;
  }
  std::u16string Key() const { return folder.RegistryKey(); }
  std::u16string TempPath() const { return (folder.data() / "temp.dmg").u16string(); }
};

TEST(EngineInstance, CreatedForAnInstalledInputMethod) {
  Installed installed;
  EngineInstance* e = CreateEngineInstance(installed.setup);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(std::u16string(e->class_id_text), installed.class_id);
  EXPECT_EQ(std::memcmp(e->class_id, installed.folder.identifier(), 16), 0);
  EXPECT_EQ(std::u16string(e->ime_name), u"Quenlith");
  EXPECT_EQ(std::u16string(e->data_location), (installed.folder.path() / "data" / "").u16string());
  // The install folder gains its trailing separator.
  EXPECT_EQ(std::u16string(e->install_folder), (installed.folder.path() / "program" / "").u16string());
  EXPECT_NE(e->files.main, nullptr);
  EXPECT_NE(e->blocks.dme.data, nullptr);
  EXPECT_EQ(g_ui_alive, 1);
  EXPECT_NE(e->host_name[0], 0);
  DestroyEngineInstance(e, installed.setup);
  EXPECT_EQ(g_ui_alive, 0);
}

TEST(EngineInstance, CreationFailsWithNothingLeftOpen) {
  using Damage = std::function<void(Installed&)>;
  const auto data = [](Installed& i) { return i.folder.path() / "data"; };
  const auto rewrite_folder = [&](std::function<void(test::DataFolderContents&)> change) -> Damage {
    return [change, data](Installed& i) {
      test::DataFolderContents contents;
      contents.main = {{"a", "\xE5\xB7\xA5"}};
      change(contents);
      test::WriteDataFolder(data(i), contents);
    };
  };
  struct Case {
    const char* name;
    Damage damage;
  };
  const std::vector<Case> cases = {
      {"main.dmg of another input method",
       [&](Installed& i) {
         auto bytes = test::ReadFileBytes(data(i) / "main.dmg");
         bytes[code_table::kIdentifier] ^= 0xFF;
         test::WriteFileBytes(data(i) / "main.dmg", bytes);
       }},
      {"format number 772", rewrite_folder([](auto& c) { c.main_options.format = 772; })},
      {"soft block of another input method",
       rewrite_folder([](auto& c) { c.edit_blocks = [](ConfigBlocks& b) { b.soft.data[soft_block::kIdentifier] ^= 0xFF; }; })},
      {"no dme block",
       rewrite_folder([](auto& c) { c.edit_blocks = [](ConfigBlocks& b) { b.dme.data[config_store::kBlockName] = 'X'; }; })},
      {"no config.dsc", [&](Installed& i) { std::filesystem::remove(data(i) / "config.dsc"); }},
      {"no main.dmg", [&](Installed& i) { std::filesystem::remove(data(i) / "main.dmg"); }},
      {"no IMEName", [](Installed& i) { os::DeleteMachineValue(i.Key().c_str(), u"IMEName"); }},
      {"no InstallLocation", [](Installed& i) { os::DeleteMachineValue(i.Key().c_str(), u"InstallLocation"); }},
      {"no DataLocation", [](Installed& i) { os::DeleteMachineValue(i.Key().c_str(), u"DataLocation"); }},
      {"the UI cannot be made", [](Installed&) { g_ui_result = 0; }},
      {"a class identifier that is no GUID", [](Installed& i) { i.class_id = u"{not-a-guid}"; i.setup.class_identifier = i.class_id.c_str(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Installed installed;
    c.damage(installed);
    EngineInstance* e = CreateEngineInstance(installed.setup);
    EXPECT_EQ(e, nullptr);
    EXPECT_EQ(g_ui_alive, 0);
    DestroyEngineInstance(e, installed.setup);
    g_ui_result = 1;
  }
}

std::uint32_t TempCount(const Installed& installed) {
  MappedFile* temp = nullptr;
  OpenMappedFile(installed.TempPath().c_str(), &temp);
  const std::uint32_t n = RecordCount(temp);
  CloseMappedFile(temp);
  return n;
}

void AddTempWord(const Installed& installed) {
  MappedFile* temp = nullptr;
  OpenMappedFile(installed.TempPath().c_str(), &temp);
  TableRecordBuffer record;
  MakeTableRecord(u"xy", u"\u8BCD", nullptr, record);
  InsertRecentRecord(record.bytes, record.size, temp);
  CloseMappedFile(temp);
}

TEST(EngineInstance, TempTableIsEmptiedOnceAfterEachNewBoot) {
  Installed installed([](test::DataFolderContents& c) {
    c.edit_blocks = [](ConfigBlocks& b) { b.ime.WriteU32(ime_block::kImeFlags, ime_block::kTempWordsClearedAtBoot); };
  });
  struct Step {
    const char* name;
    std::int64_t boot_stamp;
    std::uint32_t temp_words_after;
  };
  const std::int64_t boot = BootStampFrom(0x60000000, 0);
  const std::vector<Step> steps = {
      {"first activation after a boot", boot, 0},
      {"again after the same boot", boot, 1},
      {"same boot read across a 256-second boundary", boot + 256, 1},
      {"a new boot", boot + 86400, 0},
      {"again after that boot", boot + 86400, 1},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    AddTempWord(installed);
    g_boot_stamp = s.boot_stamp;
    EngineInstance* e = CreateEngineInstance(installed.setup);
    ASSERT_NE(e, nullptr);
    DestroyEngineInstance(e, installed.setup);
    EXPECT_EQ(TempCount(installed), s.temp_words_after);
    if (s.temp_words_after > 0) {
      // Leave the table empty for the next step's single new word.
      MappedFile* temp = nullptr;
      OpenMappedFile(installed.TempPath().c_str(), &temp);
      ClearTable(temp);
      CloseMappedFile(temp);
    }
  }
}

TEST(EngineInstance, TempTableStaysWithoutTheBootFlag) {
  Installed installed;
  g_boot_stamp = 0x70000000;
  EngineInstance* e = CreateEngineInstance(installed.setup);
  ASSERT_NE(e, nullptr);
  DestroyEngineInstance(e, installed.setup);
  EXPECT_EQ(TempCount(installed), 1u);
}

TEST(EngineInstance, BootStampsAreStableTo256Seconds) {
  EXPECT_EQ(BootStampFrom(1000000, 5000) % 256, 0);
  EXPECT_EQ(BootStampFrom(1000000, 5000), BootStampFrom(1000001, 6000));
  // Tick counts past 49.7 days do not wrap.
  EXPECT_EQ(BootStampFrom(2000000000, 5000000000ull), (2000000000 - 5000000) & ~255ll);
  EXPECT_TRUE(SameBoot(0x1000, 0x1100));
  EXPECT_FALSE(SameBoot(0x1000, 0x1200));
}

TEST(EngineInstance, HostNamesAreKeptWithoutFolderInLowerCase) {
  struct Case {
    std::u16string path;
    std::u16string name;
  };
  const std::vector<Case> cases = {
      {u"C:\\Program Files\\Microsoft Office\\WINWORD.EXE", u"winword.exe"},
      {u"C:\\Windows\\notepad.exe", u"notepad.exe"},
      {u"/usr/bin/Engine_Tests", u"engine_tests"},
      {u"C:\\" + std::u16string(80, u'A') + u".EXE", std::u16string(63, u'a')},
  };
  for (const Case& c : cases) {
    char16_t name[kHostNameUnits];
    HostNameFromPath(c.path.c_str(), name);
    EXPECT_EQ(std::u16string(name), c.name);
  }
}

TEST(EngineInstance, StatusTextNamesModesOutputAndScheme) {
  Installed installed;
  EngineInstance* e = CreateEngineInstance(installed.setup);
  ASSERT_NE(e, nullptr);
  const auto set_class_name = [&](std::uint32_t index, const std::u16string& name) {
    for (std::size_t i = 0; i <= name.size(); ++i) {
      e->blocks.soft.WriteU16(soft_block::kClassNames + index * 64 + 2 * i, i < name.size() ? name[i] : 0);
    }
  };
  struct Case {
    std::uint32_t mode;
    std::uint32_t ime_flags;
    std::u16string auxiliary;
    std::u16string secondary;
    std::u16string expected;
  };
  const std::vector<Case> cases = {
      {0, 0, u"", u"", u"当前状态：中文，半角，中文标点"},
      {mode::kDisabled | mode::kClosed, 0, u"", u"", u"当前状态：禁用，半角，中文标点"},
      {mode::kClosed | mode::kEnglish, 0, u"", u"", u"当前状态：关闭，半角，中文标点"},
      {mode::kEnglish | mode::kFullWidth | mode::kEnglishPunctuation, 0, u"", u"", u"当前状态：英文，全角，英文标点"},
      {0, ime_block::kSchemeMain | ime_block::kSchemeAuxiliary, u"拼音", u"", u"当前状态：中文，半角，中文标点输入方案：主码表+拼音"},
      {0, 0, u"拼音", u"", u"当前状态：中文，半角，中文标点输入方案：主码表+拼音"},
      {0, ime_block::kSchemeMain, u"拼音", u"", u"当前状态：中文，半角，中文标点输入方案：主码表"},
      {0, ime_block::kSchemeAuxiliary, u"拼音", u"", u"当前状态：中文，半角，中文标点输入方案：拼音"},
      {0, ime_block::kAlwaysSearchSecondary, u"", u"次显", u"当前状态：中文，半角，中文标点，检索次显"},
      {0, ime_block::kSearchSecondaryWhenEmpty, u"", u"次显", u"当前状态：中文，半角，中文标点，空候选时检索次显"},
      {0, 0, u"", u"次显", u"当前状态：中文，半角，中文标点，不检索次显"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.mode) + "/" + std::to_string(c.ime_flags));
    e->mode = c.mode;
    e->blocks.ime.WriteU32(ime_block::kImeFlags, c.ime_flags);
    set_class_name(4, c.auxiliary);
    set_class_name(3, c.secondary);
    char16_t text[kStatusTextUnits];
    const int n = FormatStatusText(e, text);
    EXPECT_EQ(std::u16string(text), c.expected);
    EXPECT_EQ(n, static_cast<int>(c.expected.size()));
  }
  DestroyEngineInstance(e, installed.setup);
}

TEST(EngineInstance, StatusTextNamesTheOutputConversion) {
  Installed installed([](test::DataFolderContents& c) { c.traditional = std::vector<test::TableRecord>{}; });
  EngineInstance* e = CreateEngineInstance(installed.setup);
  ASSERT_NE(e, nullptr);
  char16_t text[kStatusTextUnits];
  FormatStatusText(e, text);
  EXPECT_EQ(std::u16string(text), u"当前状态：中文，半角，中文标点，简体\r\n");
  e->blocks.ime.WriteU32(ime_block::kImeFlags, 0x10);
  FormatStatusText(e, text);
  EXPECT_EQ(std::u16string(text), u"当前状态：中文，半角，中文标点，繁体\r\n");
  DestroyEngineInstance(e, installed.setup);
}

TEST(EngineInstance, LastCommitIsKeptInTheImeBlockAcrossReopening) {
  Installed installed;
  EngineInstance* e = CreateEngineInstance(installed.setup);
  ASSERT_NE(e, nullptr);
  const std::u16string text = u"中国";
  std::memcpy(e->commit.text, text.c_str(), (text.size() + 1) * sizeof(char16_t));
  e->commit.text_length = 2;
  SaveLastCommit(1, e, u"khlg");
  SaveLastCommit(1, e, u"khlg");
  SaveLastCommit(0, e, u"ignored");
  DestroyEngineInstance(e, installed.setup);

  e = CreateEngineInstance(installed.setup);
  ASSERT_NE(e, nullptr);
  const auto read = [&](std::uint32_t offset) {
    std::u16string out;
    for (std::uint32_t i = 0;; ++i) {
      std::uint16_t unit = 0;
      if (!e->blocks.ime.ReadU16(offset + 2 * i, unit) || unit == 0) break;
      out += static_cast<char16_t>(unit);
    }
    return out;
  };
  EXPECT_EQ(read(0x4100), u"中国");
  EXPECT_EQ(read(0x4200), u"khlg");
  EXPECT_EQ(read(0x4240), u"中国中国");
  e->commit.action = 0x5000;
  SaveLastCommit(1, e, u"");
  EXPECT_EQ(read(0x4240), u"");
  DestroyEngineInstance(e, installed.setup);
}

}  // namespace
}  // namespace lz
