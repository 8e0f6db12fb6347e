#pragma once
// A lock between processes for writers of one shared data file. Readers take none; every writer of a table
// or of config.dsc holds it while it changes the file, so two writers never interleave their updates of
// the record count and the offset table.
#include <cstdint>

namespace os {

struct FileLock {
  std::intptr_t handle = 0;
  bool held = false;
  // Windows: the named mutex, kept open from OpenFileLock to CloseFileLock. While any process keeps it
  // open the mutex outlives a writer that dies holding it, so the next writer sees it abandoned; a mutex
  // opened only for each write would vanish with such a writer when no one else held it.
  std::intptr_t kept = 0;
  // Windows: the last holder died holding the lock (an abandoned mutex), so the file may be as it left
  // it mid-change. POSIX advisory locks give no such sign.
  bool abandoned = false;
};

// Blocks until this process holds the lock of the file at `path` (the file must exist). On Windows the
// lock is a named mutex derived from the full path; on POSIX an advisory lock on the file itself, taken
// through a descriptor of its own so that re-mapping the file does not release it.
bool AcquireFileLock(const char16_t* path, FileLock& lock);
void ReleaseFileLock(FileLock& lock);

// For as long as a process has the file open: OpenFileLock makes the lock's mutex exist (Windows; POSIX
// has nothing to keep), CloseFileLock releases the lock if held and lets the mutex go.
void OpenFileLock(const char16_t* path, FileLock& lock);
void CloseFileLock(FileLock& lock);

}  // namespace os
