#pragma once
// The text service's record of an engine instance's windows and skin. Engine creation makes it and loads
// the skin into it; destroying the instance frees it.
#include <cstdint>
#include <span>

#include "textservice/engine/engine_instance.h"
#include "textservice/ui/skin_package.h"

namespace lz {

struct UiState {
  LoadedSkin skin;
};

// Loads the instance's skin: the names configured and last loaded in the skin block, the skins below
// the installation folder, then the built-in package. The names the load settles on are written back
// into the skin block. Returns 1, or 0 when not even the built-in skin loads.
int LoadEngineSkin(EngineInstance* instance, std::span<const std::uint8_t> builtin);

// Loads the skin again when the configured name changed since the last load; 1 when it reloaded.
int ReloadEngineSkinIfChanged(EngineInstance* instance, std::span<const std::uint8_t> builtin);

// Allocates the record and loads the skin; on failure nothing stays allocated. 1 or 0.
int CreateUiState(EngineInstance* instance, std::span<const std::uint8_t> builtin);
void DestroyUiState(EngineInstance* instance);

}  // namespace lz
