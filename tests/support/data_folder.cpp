#include "tests/support/data_folder.h"

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"
#include "textservice/engine/table_builder.h"
#include "textservice/engine/code_table_format.h"

namespace lz::test {

DataFolderContents::DataFolderContents() {
  std::memcpy(identifier, kTestIdentifier, sizeof identifier);
  main_options.type = code_table::kTypeIndexed;
  main_options.name = "main";
}

std::vector<std::uint8_t> BuildConfigStore(const std::uint8_t (&identifier)[16],
                                           const std::function<void(ConfigBlocks&)>& edit) {
  std::vector<std::uint8_t> bytes = NewConfigStore(identifier);
  ConfigBlocks blocks;
  FindConfigBlocks(ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}, blocks);
  if (edit) edit(blocks);
  return bytes;
}

std::vector<std::uint8_t> BuildTempTable(std::vector<TableRecord> records) {
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(lz::BuildTempTable(std::move(records), bytes)) << "the test's records do not fit temp.dmg";
  return bytes;
}

void WriteDataFolder(const std::filesystem::path& folder, const DataFolderContents& contents) {
  std::filesystem::create_directories(folder);
  WriteFileBytes(folder / "config.dsc", BuildConfigStore(contents.identifier, contents.edit_blocks));
  TableOptions main_options = contents.main_options;
  std::memcpy(main_options.identifier, contents.identifier, 16);
  WriteFileBytes(folder / "main.dmg", BuildCodeTable(contents.main, main_options));

  struct Optional {
    const char* file;
    const std::optional<std::vector<TableRecord>>& records;
    std::uint32_t type;
    const char* name;
    bool keep_order_within_code;  // conversion tables list a key's forms in the order given
  };
  const Optional optional[] = {
      {"engl.dmg", contents.engl, code_table::kTypeIndexed, "engl", false},
      {"danzi.dmi", contents.danzi, code_table::kTypePlain, "danzi", false},
      {"sysl.dmg", contents.sysl, code_table::kTypeAssociation, "lxmb", false},
      {"traditional.dms", contents.traditional, code_table::kTypePlain, "traditional", true},
      {"simplified.dms", contents.simplified, code_table::kTypePlain, "simplified", true},
  };
  for (const Optional& o : optional) {
    if (!o.records) continue;
    TableOptions options;
    options.type = o.type;
    options.name = o.name;
    options.keep_order_within_code = o.keep_order_within_code;
    options.free_gap = contents.free_gap;
    std::memcpy(options.identifier, contents.identifier, 16);
    WriteFileBytes(folder / o.file, BuildCodeTable(*o.records, options));
  }
  if (contents.dict) {
    TableOptions options;
    options.type = code_table::kTypePlain;
    options.name = "dict";
    options.free_gap = contents.free_gap;
    std::memcpy(options.identifier, contents.identifier, 16);
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(BuildDictionaryTable(*contents.dict, options, bytes)) << "the test's entries do not fit dict.dms";
    WriteFileBytes(folder / "dict.dms", bytes);
  }
  if (contents.temp) WriteFileBytes(folder / "temp.dmg", BuildTempTable(*contents.temp));
}

}  // namespace lz::test

#include "platform/os/system_info.h"
#include "textservice/engine/class_identifier.h"
#include "textservice/engine/engine_instance.h"

namespace lz::test {

std::u16string ImeRegistryKey(const std::u16string& class_id_text) {
  return std::u16string(kImeRegistryRoot) + class_id_text + u"\\";
}

std::u16string RegisterInputMethod(const std::uint8_t (&identifier)[16], const std::filesystem::path& data_folder,
                                   const std::filesystem::path& install_folder) {
  char16_t text[kClassIdentifierUnits];
  FormatClassIdentifier(identifier, text);
  const std::u16string key = ImeRegistryKey(text);
  os::SetMachineString(key.c_str(), u"IMEName", u"Quenlith");
  os::SetMachineString(key.c_str(), u"InstallLocation", install_folder.u16string().c_str());
  os::SetMachineString(key.c_str(), u"DataLocation", (data_folder / "").u16string().c_str());
  return text;
}

}  // namespace lz::test
