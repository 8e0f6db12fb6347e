#include "platform/os/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/os/native_path.h"

namespace os {

bool AcquireFileLock(const char16_t* path, FileLock& lock) {
  lock = FileLock{};
  const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  int rc;
  do {
    rc = flock(fd, LOCK_EX);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    ::close(fd);
    return false;
  }
  lock.handle = fd;
  lock.held = true;
  return true;
}

void OpenFileLock(const char16_t*, FileLock&) {}

void CloseFileLock(FileLock& lock) { ReleaseFileLock(lock); }

void ReleaseFileLock(FileLock& lock) {
  if (lock.held) {
    const int fd = static_cast<int>(lock.handle);
    flock(fd, LOCK_UN);
    ::close(fd);
  }
  lock = FileLock{};
}

}  // namespace os
