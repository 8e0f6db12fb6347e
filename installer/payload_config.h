#pragma once
// The identity of the payload: the soft and ime blocks of the config.dsc that the payload carries,
// copied into the run's state, and the class identifier they name.
#include <cstdint>
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

}  // namespace lz::installer
