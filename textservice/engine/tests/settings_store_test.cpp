#include "textservice/engine/settings_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/data_folder.h"

namespace lz {
namespace {

using namespace config_store;

ByteView ViewOf(std::vector<std::uint8_t>& bytes) { return ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}; }

std::uint32_t BlockOffset(std::vector<std::uint8_t>& bytes, std::uint32_t index) {
  std::uint32_t offset = 0;
  ViewOf(bytes).ReadU32(kBlockOffsets + 4 * index, offset);
  return offset;
}

TEST(SettingsStore, FindsTheFourBlocksAtTheirDesignedSizes) {
  auto bytes = test::BuildConfigStore();
  ConfigBlocks blocks;
  ASSERT_EQ(FindConfigBlocks(ViewOf(bytes), blocks), 1);
  EXPECT_EQ(blocks.soft.size, kSoftBlockSize);
  EXPECT_EQ(blocks.ime.size, kImeBlockSize);
  EXPECT_EQ(blocks.dme.size, kDmeBlockSize);
  EXPECT_EQ(blocks.skin.size, kSkinBlockSize);
  EXPECT_EQ(std::memcmp(blocks.soft.data + soft_block::kIdentifier, test::kTestIdentifier, 16), 0);
}

TEST(SettingsStore, BlockNamesMatchIgnoringCase) {
  auto bytes = test::BuildConfigStore();
  const std::uint32_t ime = BlockOffset(bytes, 1);
  const char* shouted = "LZ_IME_CONFIG_DATA_DEFAULT";
  std::memcpy(bytes.data() + ime + kBlockName, shouted, std::strlen(shouted));
  ByteView found = FindConfigBlock(ViewOf(bytes), kImeBlockName);
  EXPECT_EQ(found.data, bytes.data() + ime);
  EXPECT_EQ(FindConfigBlock(ViewOf(bytes), "Lz_Dme_Config_Data_Default").data, bytes.data() + BlockOffset(bytes, 2));
  EXPECT_EQ(FindConfigBlock(ViewOf(bytes), "lz_ime_config_data").data, nullptr);
}

TEST(SettingsStore, ABrokenDirectoryEntryCountsAsNotFound) {
  struct Case {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    std::string found;  // soft, ime, dme, skin
  };
  const std::vector<Case> cases = {
      {"intact", [](auto&) {}, "1111"},
      {"count says five", [](auto& b) { b[kBlockCount] = 5; }, "1111"},
      {"count says two", [](auto& b) { b[kBlockCount] = 2; }, "1100"},
      {"offset past the end", [](auto& b) { ViewOf(b).WriteU32(kBlockOffsets + 4 * 2, static_cast<std::uint32_t>(b.size())); },
       "1101"},
      {"size past the end", [](auto& b) { ViewOf(b).WriteU32(BlockOffset(b, 3), 100000); }, "1110"},
      {"size below the designed size", [](auto& b) { ViewOf(b).WriteU32(BlockOffset(b, 1), kImeBlockSize - 1); }, "1011"},
      {"store cut inside the skin block", [](auto& b) { b.resize(b.size() - 10); }, "1110"},
      {"empty store", [](auto& b) { b.clear(); }, "0000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto bytes = test::BuildConfigStore();
    c.damage(bytes);
    ConfigBlocks blocks;
    const int all = FindConfigBlocks(ViewOf(bytes), blocks);
    std::string found;
    for (const ByteView& v : {blocks.soft, blocks.ime, blocks.dme, blocks.skin}) found += v.data ? '1' : '0';
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(all, c.found == "1111" ? 1 : 0);
  }
}

}  // namespace
}  // namespace lz
