#pragma once
// A lock between processes for writers of one shared data file. Readers take none; every writer of a table
// or of config.dsc holds it while it changes the file, so two writers never interleave their updates of
// the record count and the offset table.
#include <cstdint>

namespace os {

struct FileLock {
  std::intptr_t handle = 0;
  bool held = false;
  // Windows: the last holder died holding the lock (an abandoned mutex), so the file may be as it left
  // it mid-change. POSIX advisory locks give no such sign.
  bool abandoned = false;
};

// Blocks until this process holds the lock of the file at `path` (the file must exist). On Windows the
// lock is a named mutex derived from the full path; on POSIX an advisory lock on the file itself, taken
// through a descriptor of its own so that re-mapping the file does not release it.
bool AcquireFileLock(const char16_t* path, FileLock& lock);
void ReleaseFileLock(FileLock& lock);

}  // namespace os
