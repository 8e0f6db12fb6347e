#pragma once
// The user's temporary folder, where the configuration program and the installer keep their working
// copies of tables before they replace the real ones.
#include <cstddef>

namespace os {

// The separator between a folder and a name in paths handed to the OS calls.
#ifdef _WIN32
constexpr char16_t kPathSeparator = u'\\';
#else
constexpr char16_t kPathSeparator = u'/';
#endif

// The temporary folder as the system names it (on Windows with its trailing backslash, elsewhere $TMPDIR
// or /tmp), zero-terminated in out. Returns its length in units, or 0 when it cannot be read or does not
// fit capacity (out is then empty).
std::size_t TempFolderPath(char16_t* out, std::size_t capacity);

}  // namespace os
