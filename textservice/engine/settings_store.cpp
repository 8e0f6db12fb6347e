#include "textservice/engine/settings_store.h"

#include <cstring>

namespace lz {

using namespace config_store;

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Compares the block's name field with `name`, reading no further than the field and the view allow.
bool NameMatches(ByteView store, std::uint32_t block, const char* name) {
  const std::size_t length = std::strlen(name);
  if (length > kBlockNameMax) return false;
  for (std::size_t i = 0; i <= length; ++i) {
    std::uint8_t c = 0;
    if (!store.ReadU8(std::uint64_t{block} + kBlockName + i, c)) return false;
    if (LowerAscii(static_cast<char>(c)) != LowerAscii(name[i])) return false;
  }
  return true;
}

std::uint32_t DesignedSize(const char* name) {
  struct Known {
    const char* name;
    std::uint32_t size;
  };
  static constexpr Known kKnown[] = {
      {kSoftBlockName, kSoftBlockSize},
      {kImeBlockName, kImeBlockSize},
      {kDmeBlockName, kDmeBlockSize},
      {kSkinBlockName, kSkinBlockSize},
  };
  for (const Known& k : kKnown) {
    std::size_t i = 0;
    while (k.name[i] && LowerAscii(k.name[i]) == LowerAscii(name[i])) ++i;
    if (k.name[i] == 0 && name[i] == 0) return k.size;
  }
  return kBlockData;
}

}  // namespace

namespace {

constexpr std::uint32_t kFirstBlock = 64;

struct BlockLayout {
  const char* name;
  std::uint8_t kind;
  std::uint32_t size;
};

constexpr BlockLayout kNewBlocks[] = {
    {kSoftBlockName, 0, kSoftBlockSize},
    {kImeBlockName, kImeBlockKind, kImeBlockSize},
    {kDmeBlockName, kDmeBlockKind, kDmeBlockSize},
    {kSkinBlockName, kSkinBlockKind, kSkinBlockSize},
};

}  // namespace

std::vector<std::uint8_t> NewConfigStore(const std::uint8_t (&identifier)[16]) {
  std::uint32_t total = kFirstBlock;
  for (const BlockLayout& b : kNewBlocks) total += b.size;
  std::vector<std::uint8_t> bytes(total, 0);
  const ByteView store{bytes.data(), total};
  store.WriteU8(kBlockCount, static_cast<std::uint8_t>(std::size(kNewBlocks)));
  std::uint32_t at = kFirstBlock;
  for (std::uint32_t i = 0; i < std::size(kNewBlocks); ++i) {
    const BlockLayout& b = kNewBlocks[i];
    store.WriteU32(kBlockOffsets + 4 * i, at);
    store.WriteU32(at + kBlockSize, b.size);
    store.WriteU8(at + kBlockKind, b.kind);
    std::memcpy(bytes.data() + at + kBlockName, b.name, std::strlen(b.name));
    at += b.size;
  }
  const ByteView soft = FindConfigBlock(store, kSoftBlockName);
  std::memcpy(soft.data + soft_block::kIdentifier, identifier, 16);
  return bytes;
}

ByteView FindConfigBlock(ByteView store, const char* name) {
  std::uint8_t count = 0;
  if (!name || !store.ReadU8(kBlockCount, count)) return {};
  const std::uint32_t minimum = DesignedSize(name);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t offset = 0;
    if (!store.ReadU32(kBlockOffsets + 4ull * i, offset)) return {};
    if (!NameMatches(store, offset, name)) continue;
    std::uint32_t size = 0;
    if (!store.ReadU32(offset, size) || size < minimum || !store.Holds(offset, size)) return {};
    return ByteView{store.data + offset, size};
  }
  return {};
}

int FindConfigBlocks(ByteView store, ConfigBlocks& out) {
  out.soft = FindConfigBlock(store, kSoftBlockName);
  out.ime = FindConfigBlock(store, kImeBlockName);
  out.dme = FindConfigBlock(store, kDmeBlockName);
  out.skin = FindConfigBlock(store, kSkinBlockName);
  return out.soft.data && out.ime.data && out.dme.data && out.skin.data ? 1 : 0;
}

}  // namespace lz
