#pragma once
// Points a loaded module's import of one function at a replacement, so a test can give the library a
// scripted clock or record the programs it starts without any test hook in the library itself.
#include <windows.h>

namespace lz::test {

// Replaces the import address of `function` from `dll` (case-insensitive) in `module`; returns the
// address it held, or null when the module does not import it.
void* PatchImport(HMODULE module, const char* dll, const char* function, void* replacement);

}  // namespace lz::test
