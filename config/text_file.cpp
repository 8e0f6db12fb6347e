#include "config/text_file.h"

#include <new>
#include <vector>

#include "platform/os/file_mapping.h"
#include "textservice/engine/text_decoding.h"

namespace lz {

int ReadTextFile(const char16_t* path, std::u16string& out) {
  out.clear();
  if (!path || !path[0]) return kTextFileNoPath;
  try {
    std::vector<std::uint8_t> bytes;
    if (!os::ReadFileBytes(path, bytes)) return kTextFileCannotOpen;
    out = TextBufferToWide(bytes.data(), bytes.size());
  } catch (const std::bad_alloc&) {
    out.clear();
    return kTextFileOutOfMemory;
  }
  const std::size_t zero = out.find(u'\0');
  if (zero != std::u16string::npos) out.resize(zero);
  return kTextFileRead;
}

}  // namespace lz
