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

// Maps the whole file at `size` bytes; a size beyond the file's end extends it with zeros.
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
  const DWORD size = GetFileSize(file, nullptr);  // the low 32 bits
  HANDLE mapping = nullptr;
  std::uint8_t* view = nullptr;
  if (size == 0 || size == INVALID_FILE_SIZE || !MapWhole(file, size, mapping, view)) {
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
