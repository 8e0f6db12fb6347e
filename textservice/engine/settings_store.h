#pragma once
// The settings store config.dsc: a directory of named blocks, used in place through the mapping. Engine
// code that changes a setting writes into its block directly.
#include <cstdint>
#include <vector>

#include "textservice/engine/byte_view.h"

namespace lz {
namespace config_store {

// Directory at the start of the file.
constexpr std::uint32_t kBlockCount = 0;    // uint8
constexpr std::uint32_t kBlockOffsets = 4;  // block count x uint32, from the start of the file

// Header at the start of every block.
constexpr std::uint32_t kBlockSize = 0;     // uint32, the whole block in bytes
constexpr std::uint32_t kBlockKind = 4;     // uint8
constexpr std::uint32_t kBlockName = 5;     // zero-terminated ASCII
constexpr std::uint32_t kBlockNameMax = 30; // name bytes without the terminator
constexpr std::uint32_t kBlockData = 36;    // the block's own fields start here

constexpr const char* kSoftBlockName = "lz_soft_config_data_default";
constexpr const char* kImeBlockName = "lz_ime_config_data_default";
constexpr const char* kDmeBlockName = "lz_dme_config_data_default";
constexpr const char* kSkinBlockName = "lz_skin_config_data_default";

constexpr std::uint8_t kImeBlockKind = 1;
constexpr std::uint8_t kDmeBlockKind = 2;
constexpr std::uint8_t kSkinBlockKind = 3;

constexpr std::uint32_t kSoftBlockSize = 7652;
constexpr std::uint32_t kImeBlockSize = 17168;
constexpr std::uint32_t kDmeBlockSize = 14656;
constexpr std::uint32_t kSkinBlockSize = 732;

}  // namespace config_store

// The soft block: the read-only identity of the installed input method. Texts are zero-terminated UTF-16.
namespace soft_block {
constexpr std::uint32_t kLanguageId = 36;        // uint32
constexpr std::uint32_t kIdentifier = 40;        // 16-byte binary GUID
constexpr std::uint32_t kDisplayName = 56;
constexpr std::uint32_t kLanguageName = 184;
constexpr std::uint32_t kImeName = 312;
constexpr std::uint32_t kDefaultFolderName = 440;
constexpr std::uint32_t kDisplayVersion = 568;
constexpr std::uint32_t kComments = 760;
constexpr std::uint32_t kPublisher = 888;
constexpr std::uint32_t kHelpLink = 1016;
constexpr std::uint32_t kUrlInfoAbout = 2040;
constexpr std::uint32_t kUrlUpdateInfo = 3064;   // 512 units
constexpr std::uint32_t kContact = 4088;
constexpr std::uint32_t kHelpTelephone = 4216;
constexpr std::uint32_t kPostInstallCommand = 4344;
constexpr std::uint32_t kUninstallCommand = 4864;
constexpr std::uint32_t kShortcutFlags = 5384;   // uint32
constexpr std::uint32_t kShowAgreement = 5388;   // uint8
constexpr std::uint32_t kClassNames = 5468;      // 32 x 32 UTF-16 units
constexpr std::uint32_t kClassNameUnits = 32;
constexpr std::uint32_t kClassCount = 32;
constexpr std::uint32_t kClassFlags = 7516;      // 32 x uint32: bit 0 writable, bit 1 in use
constexpr std::uint32_t kSoftwareNumber = 7644;  // uint32
constexpr std::uint32_t kDataVersion = 7648;     // uint32
}  // namespace soft_block

// The four blocks of an open store, each a view of exactly its own bytes (empty when absent).
struct ConfigBlocks {
  ByteView soft;
  ByteView ime;
  ByteView dme;
  ByteView skin;
};

// The block whose name equals `name` ignoring ASCII case; the first match wins. The directory is checked
// as it is read: a block whose offset, header or size lies outside the store, or whose size is below its
// kind's designed size, counts as not found. Returns an empty view when there is none.
ByteView FindConfigBlock(ByteView store, const char* name);

// All four blocks; 1 when all were found (the views are stored either way), else 0.
int FindConfigBlocks(ByteView store, ConfigBlocks& out);

// A new settings store: the directory and the four blocks at their designed sizes, zero-filled but for
// their headers and the identifier in the soft block. Data-folder builders start from it.
std::vector<std::uint8_t> NewConfigStore(const std::uint8_t (&identifier)[16]);

}  // namespace lz
