#include "config/app/config_context.h"

#include <gtest/gtest.h>

#include "platform/os/system_info.h"
#include "tests/support/code_table_builder.h"
#include "tests/support/temp_folder.h"

namespace lz::config {
namespace {

constexpr char16_t kId[] = u"{11111111-2222-3333-4444-555555555555}";
constexpr char16_t kKey[] = u"Software\\LanzoIME4\\{11111111-2222-3333-4444-555555555555}\\";

TEST(ConfigRegistryTest, ValuesAndMissingValues) {
  for (const char16_t* name : {u"DataLocation", u"DisplayVersion", u"DisplayName"}) os::DeleteMachineValue(kKey, name);
  std::u16string out = u"old";
  EXPECT_EQ(ReadDataLocation(kId), u"");
  EXPECT_FALSE(ReadDisplayVersion(kId, out));
  EXPECT_EQ(out, u"");
  out = u"old";
  EXPECT_FALSE(ReadDisplayName(kId, out));
  EXPECT_EQ(out, u"");

  os::SetMachineString(kKey, u"DataLocation", u"C:\\data\\");
  os::SetMachineString(kKey, u"DisplayVersion", u"4.1.2.3");
  const std::u16string long_name(100, u'名');
  os::SetMachineString(kKey, u"DisplayName", long_name.c_str());
  EXPECT_EQ(ReadDataLocation(kId), u"C:\\data\\");
  EXPECT_TRUE(ReadDisplayVersion(kId, out));
  EXPECT_EQ(out, u"4.1.2.3");
  EXPECT_TRUE(ReadDisplayName(kId, out));
  EXPECT_EQ(out, std::u16string(63, u'名'));
  for (const char16_t* name : {u"DataLocation", u"DisplayVersion", u"DisplayName"}) os::DeleteMachineValue(kKey, name);
}

TEST(SystemDllPathTest, PlainNamesOnly) {
  const struct {
    std::u16string folder, name, path;
  } cases[] = {
      {u"C:\\Windows\\system32", u"Quenlith", u"C:\\Windows\\system32\\Quenlith.dll"},
      {u"C:\\Windows\\system32\\", u"Quenlith", u"C:\\Windows\\system32\\Quenlith.dll"},
      {u"", u"Quenlith", u""},
      {u"C:\\Windows\\system32", u"", u""},
      {u"C:\\Windows\\system32", u"..\\evil", u""},
      {u"C:\\Windows\\system32", u"D:\\evil", u""},
      {u"C:\\Windows\\system32", u"a/b", u""},
      {u"C:\\Windows\\system32", u"..", u""},
      {u"C:\\Windows\\system32", u"兰卓五笔", u"C:\\Windows\\system32\\兰卓五笔.dll"},
      {u"C:\\" + std::u16string(250, u'f'), u"Quenlith", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(SystemDllPath(c.folder, c.name), c.path);
}

TEST(CountRecordsByClassTest, CountsEachClass) {
  test::TempFolder folder;
  test::WriteFileBytes(folder.path() / "main.dmg",
                       test::BuildCodeTable({{"a", "1", test::RecordFlags(1, 3)},
                                             {"b", "2", test::RecordFlags(1, 2)},
                                             {"c", "3", test::RecordFlags(5, 1)},
                                             {"d", "4", test::RecordFlags(63, 1)}}));
  MappedFile* table = nullptr;
  ASSERT_GT(OpenMappedFile(folder.File("main.dmg").c_str(), &table), 0);
  const auto counts = CountRecordsByClass(table);
  EXPECT_EQ(counts[1], 2u);
  EXPECT_EQ(counts[5], 1u);
  EXPECT_EQ(counts[63], 1u);
  EXPECT_EQ(counts[0], 0u);
  CloseMappedFile(table);
  EXPECT_EQ(CountRecordsByClass(nullptr)[1], 0u);
}

}  // namespace
}  // namespace lz::config
