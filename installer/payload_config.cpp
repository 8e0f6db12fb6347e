#include "installer/payload_config.h"

#include <cstring>

#include "installer/work_paths.h"
#include "platform/os/file_mapping.h"
#include "textservice/engine/skin_block.h"

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

bool CarryStoredWindowPlaces(const std::vector<std::uint8_t>& installed, ByteView payload) {
  // Both stored places lie side by side: candidate x, y, then status bar x, y.
  constexpr std::uint32_t kFirst = skin_block::kCandidateWindowX;
  constexpr std::uint32_t kEnd = skin_block::kStatusWindowY + 4;
  static_assert(skin_block::kCandidateWindowY == kFirst + 4 && skin_block::kStatusWindowX == kFirst + 8);
  std::vector<std::uint8_t> copy = installed;  // the block finder takes a writable view
  const ByteView from = FindConfigBlock(ByteView{copy.data(), static_cast<std::uint32_t>(copy.size())},
                                        config_store::kSkinBlockName);
  const ByteView to = FindConfigBlock(payload, config_store::kSkinBlockName);
  if (!from.data || !to.data || from.size < kEnd || to.size < kEnd) return false;
  std::memcpy(to.data + kFirst, from.data + kFirst, kEnd - kFirst);
  return true;
}

bool CarryInstalledWindowPlaces(const std::u16string& installed_data_folder, SetupState& state) {
  if (installed_data_folder.empty()) return false;
  const std::u16string payload_path = JoinPath(state.zipdatas_folder, u"$dataFiles$\\config.dsc");
  std::vector<std::uint8_t> installed;
  if (payload_path.empty() || !os::ReadFileBytes(JoinPath(installed_data_folder, u"config.dsc").c_str(), installed)) {
    return false;
  }
  // The payload's copy is the installer's own unpacked file: nothing else has it open.
  os::FileMapping payload;
  if (!os::MapExistingFile(payload_path.c_str(), payload)) return false;
  const bool carried = CarryStoredWindowPlaces(installed, ByteView{payload.view, payload.size});
  const bool flushed = !carried || os::FlushMapping(payload);
  os::CloseMapping(payload);
  return carried && flushed;
}

}  // namespace lz::installer
