#include "platform/os/whole_file.h"

#include <cstdio>
#include <string>

#include "platform/os/file_stream.h"
#include "platform/os/native_path.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace os {
namespace {

std::FILE* OpenFile(const std::u16string& path, bool write) {
#ifdef _WIN32
  return _wfopen(WidePtr(path.c_str()), write ? L"wb" : L"rb");
#else
  return std::fopen(NativePath(path.c_str()).c_str(), write ? "wb" : "rb");
#endif
}

void RemoveFile(const std::u16string& path) {
#ifdef _WIN32
  DeleteFileW(WidePtr(path.c_str()));
#else
  std::remove(NativePath(path.c_str()).c_str());
#endif
}

bool MoveOver(const std::u16string& from, const std::u16string& to) {
#ifdef _WIN32
  return MoveFileExW(WidePtr(from.c_str()), WidePtr(to.c_str()), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
  return std::rename(NativePath(from.c_str()).c_str(), NativePath(to.c_str()).c_str()) == 0;
#endif
}

}  // namespace

bool ReadWholeFile(const char16_t* path, std::vector<std::uint8_t>& out) {
  out.clear();
  if (!path) return false;
  return ReadWholeStream(OpenFile(path, false), out);
}

bool ReplaceWholeFile(const char16_t* path, const std::vector<std::uint8_t>& bytes) {
  if (!path || !*path) return false;
  const std::u16string target = path;
  const std::u16string temporary = target + u".new";
  std::FILE* f = OpenFile(temporary, true);
  if (!f) return false;
  const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed || !MoveOver(temporary, target)) {
    RemoveFile(temporary);
    return false;
  }
  return true;
}

}  // namespace os
