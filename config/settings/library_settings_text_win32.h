#pragma once
// The settings-text operations of the input method's library (LZITFGetObject kind 2) as the portable
// SettingsTextOps that the whole-settings text writes and reads through.
#include <windows.h>

#include "textservice/engine/settings_text.h"

namespace lz::config {

// Fetches the library's kind-2 table now and wraps it; null when the library offers none. Free the
// result through its free slot, which gives the table back through the library's slot 0. One wrapper is
// in use per thread at a time: a later one replaces the earlier one's table for that thread.
SettingsTextOps* NewLibrarySettingsTextOps(HMODULE library);

}  // namespace lz::config
