#pragma once
// Working files of the configuration program and the installer: a path in the user's temporary folder,
// and a new file of a given size mapped whole for writing.
#include <cstddef>

#include "textservice/engine/mapped_file.h"

namespace lz {

// The temporary folder, a separator when it lacks one, then `name`, zero-terminated in out (kMaxPathUnits
// units). Returns the length; 0 and an empty path when the result would reach kMaxPathUnits units or the
// temporary folder cannot be read.
std::size_t GetTempSubPath(const char16_t* name, char16_t* out);

// Creates the file (an existing one is emptied), sets its length to size and maps it whole for shared
// reading and writing. Returns size with *out set; 0 with *out null when any step fails, in which case
// nothing stays open. A file that could only be loaded as a heap copy counts as a failure: the caller
// is about to write it.
int CreateMappedFile(MappedFile** out, const char16_t* path, int size);

}  // namespace lz
