#include "tests/support/data_folder.h"

#include <algorithm>
#include <cstring>

#include "tests/support/temp_folder.h"
#include "textservice/engine/code_table_format.h"

namespace lz::test {

using namespace config_store;

namespace {

constexpr std::uint32_t kFirstBlock = 64;

struct BlockLayout {
  const char* name;
  std::uint8_t kind;
  std::uint32_t size;
};

constexpr BlockLayout kBlocks[] = {
    {kSoftBlockName, 0, kSoftBlockSize},
    {kImeBlockName, kImeBlockKind, kImeBlockSize},
    {kDmeBlockName, kDmeBlockKind, kDmeBlockSize},
    {kSkinBlockName, kSkinBlockKind, kSkinBlockSize},
};

}  // namespace

DataFolderContents::DataFolderContents() {
  std::memcpy(identifier, kTestIdentifier, sizeof identifier);
  main_options.type = code_table::kTypeIndexed;
  main_options.name = "main";
}

std::vector<std::uint8_t> BuildConfigStore(const std::uint8_t (&identifier)[16],
                                           const std::function<void(ConfigBlocks&)>& edit) {
  std::uint32_t total = kFirstBlock;
  for (const BlockLayout& b : kBlocks) total += b.size;
  std::vector<std::uint8_t> bytes(total, 0);
  ByteView store{bytes.data(), total};
  store.WriteU8(kBlockCount, static_cast<std::uint8_t>(std::size(kBlocks)));
  std::uint32_t at = kFirstBlock;
  for (std::uint32_t i = 0; i < std::size(kBlocks); ++i) {
    const BlockLayout& b = kBlocks[i];
    store.WriteU32(kBlockOffsets + 4 * i, at);
    store.WriteU32(at + kBlockSize, b.size);
    store.WriteU8(at + kBlockKind, b.kind);
    std::memcpy(bytes.data() + at + kBlockName, b.name, std::strlen(b.name));
    at += b.size;
  }
  ConfigBlocks blocks;
  FindConfigBlocks(store, blocks);
  std::memcpy(blocks.soft.data + soft_block::kIdentifier, identifier, 16);
  if (edit) edit(blocks);
  return bytes;
}

std::vector<std::uint8_t> BuildTempTable(std::vector<TableRecord> records) {
  using namespace code_table;
  std::stable_sort(records.begin(), records.end(), [](const TableRecord& a, const TableRecord& b) {
    return a.code != b.code ? a.code < b.code : a.text < b.text;
  });
  std::vector<std::uint8_t> bytes(kTempFileSize, 0);
  ByteView view{bytes.data(), kTempFileSize};
  const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(records.size(), kTempSlotCount));
  view.WriteU32(kLowestRecordOffset, kTempSlotBase);
  view.WriteU32(kRecordCount, count);
  view.WriteU16(kFormatNumber, kFormat);
  std::memcpy(bytes.data() + kTableName, "temp", 4);
  view.WriteU8(kMarkY, kMarkYValue);
  view.WriteU8(kMarkN, kMarkNValue);
  for (std::uint32_t slot = 0; slot < kTempSlotCount; ++slot) {
    const std::uint32_t offset = kTempSlotBase + slot * kTempSlotSize;
    view.WriteU32(kOffsetTable + 4 * slot, offset);
    if (slot >= count) continue;
    const TableRecord& r = records[slot];
    std::uint32_t at = offset;
    view.WriteU32(at, r.flags);
    at += 4;
    view.WriteU8(at++, static_cast<std::uint8_t>(r.code.size()));
    std::memcpy(bytes.data() + at, r.code.data(), r.code.size());
    at += static_cast<std::uint32_t>(r.code.size());
    view.WriteU8(at++, static_cast<std::uint8_t>(r.text.size()));
    std::memcpy(bytes.data() + at, r.text.data(), r.text.size());
  }
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
  };
  const Optional optional[] = {
      {"engl.dmg", contents.engl, code_table::kTypeIndexed, "engl"},
      {"danzi.dmi", contents.danzi, code_table::kTypePlain, "danzi"},
      {"sysl.dmg", contents.sysl, code_table::kTypeAssociation, "lxmb"},
      {"traditional.dms", contents.traditional, code_table::kTypePlain, "traditional"},
      {"simplified.dms", contents.simplified, code_table::kTypePlain, "simplified"},
      {"dict.dms", contents.dict, code_table::kTypePlain, "dict"},
  };
  for (const Optional& o : optional) {
    if (!o.records) continue;
    TableOptions options;
    options.type = o.type;
    options.name = o.name;
    options.free_gap = contents.free_gap;
    std::memcpy(options.identifier, contents.identifier, 16);
    WriteFileBytes(folder / o.file, BuildCodeTable(*o.records, options));
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
