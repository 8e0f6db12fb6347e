#include "installer/payload_config.h"

#include <cstring>

#include "installer/work_paths.h"
#include "platform/os/file_mapping.h"

namespace lz::installer {

PayloadConfig TakePayloadBlocks(const std::vector<std::uint8_t>& bytes, SetupState& state) {
  std::vector<std::uint8_t> copy = bytes;  // the block finder takes a writable view
  const ByteView store{copy.data(), static_cast<std::uint32_t>(copy.size())};
  const ByteView soft = FindConfigBlock(store, config_store::kSoftBlockName);
  const ByteView ime = FindConfigBlock(store, config_store::kImeBlockName);
  // A block that claims more than its copy holds would overrun the copy; one that is missing leaves the
  // run without the identity it installs. Both make the payload unusable.
  if (!soft.data || !ime.data || soft.size > sizeof state.soft_block || ime.size > sizeof state.ime_block) {
    return PayloadConfig::kBadBlocks;
  }
  std::memcpy(state.soft_block, soft.data, soft.size);
  std::memcpy(state.ime_block, ime.data, ime.size);
  std::uint8_t identifier[16];
  std::memcpy(identifier, state.soft_block + soft_block::kIdentifier, sizeof identifier);
  FormatClassIdentifier(identifier, state.class_identifier);
  return PayloadConfig::kRead;
}

PayloadConfig ReadPayloadConfig(SetupState& state) {
  const std::u16string path = JoinPath(state.zipdatas_folder, u"$dataFiles$\\config.dsc");
  std::vector<std::uint8_t> bytes;
  if (path.empty() || !os::ReadFileBytes(path.c_str(), bytes)) return PayloadConfig::kUnreadable;
  return TakePayloadBlocks(bytes, state);
}

}  // namespace lz::installer
