#include "installer/payload_config.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/data_folder.h"
#include "textservice/engine/skin_block.h"

namespace lz::installer {
namespace {

std::vector<std::uint8_t> Store(const std::function<void(ConfigBlocks&)>& edit = {}) {
  return test::BuildConfigStore(test::kTestIdentifier, edit);
}

// Sets the size field of the named block's header.
void ClaimSize(std::vector<std::uint8_t>& store, const char* name, std::uint32_t size) {
  const ByteView view{store.data(), static_cast<std::uint32_t>(store.size())};
  const ByteView block = FindConfigBlock(view, name);
  ASSERT_NE(block.data, nullptr);
  ByteView{block.data, 4}.WriteU32(config_store::kBlockSize, size);
}

TEST(PayloadConfigTest, CopiesBothBlocksAndNamesTheIdentifier) {
  std::vector<std::uint8_t> store = Store([](ConfigBlocks& b) { b.soft.WriteU8(soft_block::kShowAgreement, 1); });
  SetupState state;
  ASSERT_EQ(TakePayloadBlocks(store, state), PayloadConfig::kRead);
  EXPECT_EQ(std::u16string(state.class_identifier), u"{7A5C1E3D-4210-0F4B-9A61-2EC35807B4E9}");
  EXPECT_EQ(state.soft_block[soft_block::kShowAgreement], 1);
  std::uint32_t size = 0;
  state.Ime().ReadU32(config_store::kBlockSize, size);
  EXPECT_EQ(size, config_store::kImeBlockSize);
}

TEST(PayloadConfigTest, RefusesMissingBlocksAndBlocksThatClaimTooMuch) {
  struct Case {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> spoil;
  };
  const Case cases[] = {
      {"soft block claims 8000 bytes", [](auto& s) { ClaimSize(s, config_store::kSoftBlockName, 8000); }},
      {"ime block claims 17169 bytes", [](auto& s) { ClaimSize(s, config_store::kImeBlockName, 17169); }},
      {"no soft block", [](auto& s) { ClaimSize(s, config_store::kSoftBlockName, 10); }},
      {"no ime block", [](auto& s) { ClaimSize(s, config_store::kImeBlockName, 10); }},
      {"not a store", [](auto& s) { s.assign(3, 0); }},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> store = Store();
    c.spoil(store);
    SetupState state;
    state.class_identifier[0] = u'x';
    EXPECT_EQ(TakePayloadBlocks(store, state), PayloadConfig::kBadBlocks) << c.name;
    EXPECT_EQ(state.class_identifier[0], u'x') << c.name;
    EXPECT_EQ(state.soft_block[config_store::kBlockName], 0) << c.name;
  }
}

TEST(PayloadConfigTest, AnUpgradeKeepsTheWindowPlacesTheUserStored) {
  const auto places = [](std::int32_t candidate_x, std::int32_t candidate_y, std::int32_t status_x,
                          std::int32_t status_y) {
    return [=](ConfigBlocks& b) {
      b.skin.WriteU32(skin_block::kCandidateWindowX, static_cast<std::uint32_t>(candidate_x));
      b.skin.WriteU32(skin_block::kCandidateWindowY, static_cast<std::uint32_t>(candidate_y));
      b.skin.WriteU32(skin_block::kStatusWindowX, static_cast<std::uint32_t>(status_x));
      b.skin.WriteU32(skin_block::kStatusWindowY, static_cast<std::uint32_t>(status_y));
    };
  };
  // The other settings of the skin block are the payload's.
  const std::vector<std::uint8_t> installed = Store([&](ConfigBlocks& b) {
    places(10, 20, 300, 400)(b);
    b.skin.WriteU32(skin_block::kFlags, 0x10);
  });
  std::vector<std::uint8_t> payload = Store([&](ConfigBlocks& b) {
    places(0, 0, -1, -1)(b);
    b.skin.WriteU32(skin_block::kFlags, 0x8);
  });
  const std::vector<std::uint8_t> expected = Store([&](ConfigBlocks& b) {
    places(10, 20, 300, 400)(b);
    b.skin.WriteU32(skin_block::kFlags, 0x8);
  });
  ASSERT_TRUE(CarryStoredWindowPlaces(installed, ByteView{payload.data(), static_cast<std::uint32_t>(payload.size())}));
  EXPECT_EQ(payload, expected) << "the places and nothing else";

  // A store without a skin block carries nothing and changes nothing.
  std::vector<std::uint8_t> broken = installed;
  ClaimSize(broken, config_store::kSkinBlockName, 1u << 30);
  std::vector<std::uint8_t> untouched = Store(places(0, 0, -1, -1));
  const std::vector<std::uint8_t> before = untouched;
  EXPECT_FALSE(CarryStoredWindowPlaces(broken, ByteView{untouched.data(), static_cast<std::uint32_t>(untouched.size())}));
  EXPECT_EQ(untouched, before);
}

}  // namespace
}  // namespace lz::installer
