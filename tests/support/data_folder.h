#pragma once
// A complete data folder made in code: config.dsc with its four blocks and the code tables from lists of
// records, so every test starts from known bytes.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/code_table_builder.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/table_builder.h"

namespace lz::test {

// The class identifier that test folders carry unless a test sets another.
constexpr std::uint8_t kTestIdentifier[16] = {0x3D, 0x1E, 0x5C, 0x7A, 0x10, 0x42, 0x4B, 0x0F,
                                              0x9A, 0x61, 0x2E, 0xC3, 0x58, 0x07, 0xB4, 0xE9};

// config.dsc: the directory and the soft, ime, dme and skin blocks at their designed sizes, the
// identifier in the soft block; `edit` then sets whatever fields the test needs.
std::vector<std::uint8_t> BuildConfigStore(const std::uint8_t (&identifier)[16] = kTestIdentifier,
                                           const std::function<void(ConfigBlocks&)>& edit = {});

// temp.dmg: 512 fixed slots, the first records.size() of them used and sorted.
std::vector<std::uint8_t> BuildTempTable(std::vector<TableRecord> records);

struct DataFolderContents {
  std::uint8_t identifier[16] = {};
  std::function<void(ConfigBlocks&)> edit_blocks;
  std::vector<TableRecord> main;
  TableOptions main_options;  // identifier is filled from `identifier`
  // Optional tables: absent when not set.
  std::optional<std::vector<TableRecord>> engl, temp, danzi, sysl, traditional, simplified;
  // dict.dms, in the dictionary's own record layout: word and explanation.
  std::optional<std::vector<DictionaryBuildRecord>> dict;
  std::uint32_t free_gap = 0;  // for the optional tables

  DataFolderContents();
};

// Writes the folder's files (config.dsc, main.dmg and the optional tables that are set).
void WriteDataFolder(const std::filesystem::path& folder, const DataFolderContents& contents);

}  // namespace lz::test

namespace lz::test {

// The input method's registry entry for a data folder, as the installer writes it: IMEName,
// InstallLocation (without a trailing separator) and DataLocation (with one). Returns the class
// identifier's text.
std::u16string RegisterInputMethod(const std::uint8_t (&identifier)[16], const std::filesystem::path& data_folder,
                                   const std::filesystem::path& install_folder);
std::u16string ImeRegistryKey(const std::u16string& class_id_text);

}  // namespace lz::test
