#include "platform/os/file_mapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/os/file_stream.h"
#include "platform/os/native_path.h"

namespace os {
namespace {

int Fd(const FileMapping& m) { return static_cast<int>(m.file); }

std::uint8_t* MapWhole(int fd, std::uint32_t size) {
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  return p == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(p);
}

}  // namespace

bool MapExistingFile(const char16_t* path, FileMapping& out) {
  out = FileMapping{};
  const std::string native = NativePath(path);
  // A file without any write permission is read-only for everyone, root included, as Windows treats a
  // file with the read-only attribute; otherwise tests and tools run as root would write into it.
  struct stat st {};
  if (::stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0) return false;
  int fd = ::open(native.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) {
    ::close(fd);
    return false;
  }
  const auto size = static_cast<std::uint32_t>(st.st_size);  // the low 32 bits, as on Windows
  std::uint8_t* view = size ? MapWhole(fd, size) : nullptr;
  if (!view) {
    ::close(fd);
    return false;
  }
  out.file = fd;
  out.view = view;
  out.size = size;
  out.open = true;
  return true;
}

bool CreateFileOfSize(const char16_t* path, std::uint32_t size) {
  const std::string native = NativePath(path);
  const int fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  struct stat st {};
  const bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ftruncate(fd, static_cast<off_t>(size)) == 0;
  return ::close(fd) == 0 && ok;
}

bool FlushMapping(const FileMapping& m) {
  if (!m.open || !m.view) return false;
  // Other processes see the pages at once through the page cache; this only starts the write-back.
  return msync(m.view, m.size, MS_ASYNC) == 0;
}

bool GrowMapping(FileMapping& m, std::uint32_t new_size) {
  if (!m.open || new_size == 0) return false;
  FlushMapping(m);
  const int fd = Fd(m);
  if (ftruncate(fd, static_cast<off_t>(new_size)) != 0) return false;
  std::uint8_t* view = MapWhole(fd, new_size);
  if (!view) {
    // Put the file back as it was so the old view still covers all of it.
    if (new_size > m.size) {
      [[maybe_unused]] int rc = ftruncate(fd, static_cast<off_t>(m.size));
    }
    return false;
  }
  munmap(m.view, m.size);
  m.view = view;
  m.size = new_size;
  return true;
}

void CloseMapping(FileMapping& m) {
  if (m.open) {
    if (m.view) {
      msync(m.view, m.size, MS_ASYNC);
      munmap(m.view, m.size);
    }
    ::close(Fd(m));
  }
  m = FileMapping{};
}

std::int64_t CurrentFileSize(const FileMapping& m) {
  if (!m.open) return -1;
  struct stat st {};
  if (fstat(Fd(m), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

bool ReadFileBytes(const char16_t* path, std::vector<std::uint8_t>& out) {
  out.clear();
  // Only a regular file holds data: a folder or a FIFO is refused, never read (opening a FIFO without
  // O_NONBLOCK would wait for a writer forever).
  const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  std::FILE* stream = fdopen(fd, "rb");
  if (!stream) {
    ::close(fd);
    return false;
  }
  return ReadWholeStream(stream, out);
}

}  // namespace os
