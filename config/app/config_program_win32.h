#pragma once
// One run of config: the command line, the context on the installed input method, the one window the
// command word asks for, and the context closed again.
#include <windows.h>

namespace lz::config {

// Returns the program's exit code (0). module holds config's windows.
int RunConfig(HINSTANCE module, const wchar_t* command_line);

}  // namespace lz::config
