#include "config/app/temp_files.h"

#include "platform/os/file_mapping.h"
#include "platform/os/temp_folder.h"

namespace lz {

std::size_t GetTempSubPath(const char16_t* name, char16_t* out) {
  out[0] = 0;
  std::size_t n = os::TempFolderPath(out, kMaxPathUnits);
  if (n == 0) return 0;
  const auto fits = [&](std::size_t more) { return n + more < static_cast<std::size_t>(kMaxPathUnits); };
  if (out[n - 1] != os::kPathSeparator) {
    if (!fits(1)) {
      out[0] = 0;
      return 0;
    }
    out[n++] = os::kPathSeparator;
  }
  for (const char16_t* p = name; *p; ++p) {
    if (!fits(1)) {
      out[0] = 0;
      return 0;
    }
    out[n++] = *p;
  }
  out[n] = 0;
  return n;
}

int CreateMappedFile(MappedFile** out, const char16_t* path, int size) {
  *out = nullptr;
  if (!path || !path[0] || size <= 0) return 0;
  if (!os::CreateFileOfSize(path, static_cast<std::uint32_t>(size))) return 0;
  MappedFile* file = nullptr;
  if (OpenMappedFile(path, &file) != size || !IsMappedFileWritable(file)) {
    CloseMappedFile(file);
    return 0;
  }
  *out = file;
  return size;
}

}  // namespace lz
