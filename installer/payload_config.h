#pragma once
// The identity of the payload: the soft and ime blocks of the config.dsc that the payload carries,
// copied into the run's state, and the class identifier they name.
#include <cstdint>
#include <string>
#include <vector>

#include "installer/setup_state.h"

namespace lz::installer {

enum class PayloadConfig {
  kRead,
  kUnreadable,  // no config.dsc, or it cannot be read
  kBadBlocks,   // the soft or ime block is missing or claims more bytes than its copy holds
};

// Copies the two blocks of a config.dsc's bytes into state and sets the class identifier from the soft
// block's GUID. On refusal the state's blocks and identifier are left as they were.
PayloadConfig TakePayloadBlocks(const std::vector<std::uint8_t>& store, SetupState& state);

// Reads "<zipdatas>\$dataFiles$\config.dsc" and takes its blocks.
PayloadConfig ReadPayloadConfig(SetupState& state);

// An upgrade puts the payload's config.dsc in place of the installed one. The places the user gave the
// windows (the candidate window's dragged place and the status bar's place, in the skin block) go from
// the installed store into the payload's first. True when they were carried; a store without a whole
// skin block on either side leaves the payload as it is.
bool CarryStoredWindowPlaces(const std::vector<std::uint8_t>& installed, ByteView payload);

// The same on "<zipdatas>\$dataFiles$\config.dsc", from the config.dsc in the installed data folder.
bool CarryInstalledWindowPlaces(const std::u16string& installed_data_folder, SetupState& state);

}  // namespace lz::installer
