#include "platform/os/file_lock.h"

#include <windows.h>

#include <cwchar>

#include "platform/os/native_path.h"

namespace os {
namespace {

// The mutex name: the full path, folded to lower case, hashed; names cannot hold backslashes and the
// same file reached by two spellings of its path must give one lock.
bool MutexName(const char16_t* path, wchar_t (&name)[64]) {
  wchar_t full[MAX_PATH * 2];
  const DWORD n = GetFullPathNameW(WidePtr(path), static_cast<DWORD>(std::size(full)), full, nullptr);
  if (n == 0 || n >= std::size(full)) return false;
  CharLowerBuffW(full, n);
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (DWORD i = 0; i < n; ++i) {
    hash ^= static_cast<std::uint16_t>(full[i]);
    hash *= 1099511628211ull;
  }
  std::swprintf(name, std::size(name), L"Local\\LanzoDataFileLock-%016llx", static_cast<unsigned long long>(hash));
  return true;
}

HANDLE OpenMutexOf(const char16_t* path) {
  wchar_t name[64];
  if (!MutexName(path, name)) return nullptr;
  return CreateMutexW(nullptr, FALSE, name);
}

}  // namespace

void OpenFileLock(const char16_t* path, FileLock& lock) {
  if (!lock.kept) lock.kept = reinterpret_cast<std::intptr_t>(OpenMutexOf(path));
}

bool AcquireFileLock(const char16_t* path, FileLock& lock) {
  const std::intptr_t kept = lock.kept;
  lock = FileLock{};
  lock.kept = kept;
  HANDLE mutex = kept ? reinterpret_cast<HANDLE>(kept) : OpenMutexOf(path);
  if (!mutex) return false;
  // An abandoned mutex (its holder died) is ours now; the file is as that writer left it.
  const DWORD rc = WaitForSingleObject(mutex, INFINITE);
  if (rc != WAIT_OBJECT_0 && rc != WAIT_ABANDONED) {
    if (!kept) CloseHandle(mutex);
    return false;
  }
  lock.handle = reinterpret_cast<std::intptr_t>(mutex);
  lock.held = true;
  lock.abandoned = rc == WAIT_ABANDONED;
  return true;
}

void ReleaseFileLock(FileLock& lock) {
  const std::intptr_t kept = lock.kept;
  if (lock.held) {
    HANDLE mutex = reinterpret_cast<HANDLE>(lock.handle);
    ReleaseMutex(mutex);
    if (lock.handle != kept) CloseHandle(mutex);
  }
  lock = FileLock{};
  lock.kept = kept;
}

void CloseFileLock(FileLock& lock) {
  ReleaseFileLock(lock);
  if (lock.kept) CloseHandle(reinterpret_cast<HANDLE>(lock.kept));
  lock = FileLock{};
}

}  // namespace os
