#pragma once
// The online-update dialog (config's "/do update" and the About page's link): it checks the server when
// it opens, shows what the check found, and runs the update when the user asks. The network and file work
// runs on a thread of its own; while one runs the dialog cannot be closed.
#include <windows.h>

#include <cstdint>

namespace lz::config {

struct ConfigContext;

struct UpdateDialogOptions {
  // The pause between the tries at clearing an old work folder.
  std::uint32_t clear_pause_milliseconds = 1000;
};

// Runs the dialog modally; returns at once (after bringing it forward) when an update dialog of this
// input method is open already.
INT_PTR RunUpdateDialog(HINSTANCE module, ConfigContext* context, HWND owner,
                        const UpdateDialogOptions& options = {});

}  // namespace lz::config
