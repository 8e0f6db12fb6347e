#include "platform/os/file_mapping.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/os/file_stream.h"
#include "platform/os/native_path.h"

namespace os {
namespace {

HANDLE FileHandle(const FileMapping& m) { return reinterpret_cast<HANDLE>(m.file); }

// Maps the whole file at `size` bytes (0: as long as the file is); a size beyond the file's end extends
// it with zeros.
bool MapWhole(HANDLE file, std::uint32_t size, HANDLE& mapping, std::uint8_t*& view) {
  mapping = CreateFileMappingW(file, nullptr, PAGE_READWRITE, 0, size, nullptr);
  if (!mapping) return false;
  view = static_cast<std::uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0));
  if (!view) {
    CloseHandle(mapping);
    mapping = nullptr;
    return false;
  }
  return true;
}

// Maps a file as it stands, never changing its length. A mapping asked for at a size extends a shorter
// file to that size, and Wine extends a file by writing one byte past the new end and cutting it back:
// a size read at that instant is one byte too many, and a mapping made at it would leave the file one
// byte longer than the writer that grew it knows: the next append lands past a stray byte, and a later
// move of the lowest record takes that byte for a record boundary and loses track of the records. So the mapping takes the file's
// own length, and the size is taken only when two reads around it agree (a writer only ever grows the
// file, by more than one byte).
bool MapAsItStands(HANDLE file, DWORD& size, HANDLE& mapping, std::uint8_t*& view) {
  constexpr int kAttempts = 100;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const DWORD before = GetFileSize(file, nullptr);  // the low 32 bits
    if (before == 0 || before == INVALID_FILE_SIZE) return false;
    if (!MapWhole(file, 0, mapping, view)) return false;
    if (GetFileSize(file, nullptr) == before) {
      size = before;
      return true;
    }
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    mapping = nullptr;
    view = nullptr;
    Sleep(attempt < 10 ? 0 : 1);
  }
  return false;
}

bool SetFileEnd(HANDLE file, std::uint32_t size) {
  LARGE_INTEGER at;
  at.QuadPart = size;
  return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

}  // namespace

bool MapExistingFile(const char16_t* path, FileMapping& out) {
  out = FileMapping{};
  // Windows refuses write access to a read-only file; Wine running as root does not, so ask first.
  const DWORD attributes = GetFileAttributesW(WidePtr(path));
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    return false;
  }
  HANDLE file = CreateFileW(WidePtr(path), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD size = 0;
  HANDLE mapping = nullptr;
  std::uint8_t* view = nullptr;
  if (!MapAsItStands(file, size, mapping, view)) {
    CloseHandle(file);
    return false;
  }
  out.file = reinterpret_cast<std::intptr_t>(file);
  out.mapping = reinterpret_cast<std::intptr_t>(mapping);
  out.view = view;
  out.size = size;
  out.open = true;
  return true;
}

bool CreateFileOfSize(const char16_t* path, std::uint32_t size) {
  HANDLE file = CreateFileW(WidePtr(path), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool ok = SetFileEnd(file, size);
  return CloseHandle(file) && ok;
}

bool FlushMapping(const FileMapping& m) {
  if (!m.open || !m.view) return false;
  return FlushViewOfFile(m.view, m.size) != 0;
}

bool GrowMapping(FileMapping& m, std::uint32_t new_size) {
  if (!m.open || new_size == 0) return false;
  FlushMapping(m);
  HANDLE file = FileHandle(m);
  // The old view stays mapped until the new one exists, so a failure loses nothing.
  if (!SetFileEnd(file, new_size)) return false;
  HANDLE mapping = nullptr;
  std::uint8_t* view = nullptr;
  if (!MapWhole(file, new_size, mapping, view)) {
    if (new_size > m.size) SetFileEnd(file, m.size);
    return false;
  }
  UnmapViewOfFile(m.view);
  CloseHandle(reinterpret_cast<HANDLE>(m.mapping));
  m.mapping = reinterpret_cast<std::intptr_t>(mapping);
  m.view = view;
  m.size = new_size;
  return true;
}

void CloseMapping(FileMapping& m) {
  if (m.open) {
    if (m.view) {
      FlushViewOfFile(m.view, m.size);
      UnmapViewOfFile(m.view);
    }
    if (m.mapping) CloseHandle(reinterpret_cast<HANDLE>(m.mapping));
    CloseHandle(FileHandle(m));
  }
  m = FileMapping{};
}

std::int64_t CurrentFileSize(const FileMapping& m) {
  if (!m.open) return -1;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(FileHandle(m), &size)) return -1;
  return size.QuadPart;
}

bool ReadFileBytes(const char16_t* path, std::vector<std::uint8_t>& out) {
  out.clear();
  // Only a regular file holds data: a folder or a device (a pipe, a console) is refused, never read.
  const DWORD attributes = GetFileAttributesW(WidePtr(path));
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  HANDLE file = CreateFileW(WidePtr(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return false;
  }
  const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(file), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(file);
    return false;
  }
  std::FILE* stream = _fdopen(fd, "rb");
  if (!stream) {
    _close(fd);
    return false;
  }
  return ReadWholeStream(stream, out);
}

}  // namespace os
