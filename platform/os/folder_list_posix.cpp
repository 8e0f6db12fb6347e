#include "platform/os/folder_list.h"

#include <dirent.h>
#include <sys/stat.h>

#include <string>

#include "platform/os/native_path.h"

namespace os {
namespace {

// UTF-8 file names back to UTF-16; a byte that starts no well-formed sequence becomes U+FFFD, so a name
// that is not UTF-8 can still be listed (it will simply not match anything the caller looks for).
std::u16string WideName(const char* name) {
  std::u16string out;
  const auto* p = reinterpret_cast<const unsigned char*>(name);
  while (*p) {
    char32_t cp = *p;
    int extra = 0;
    if (cp >= 0xF0 && cp <= 0xF4) {
      extra = 3;
      cp &= 0x07;
    } else if (cp >= 0xE0) {
      extra = cp <= 0xEF ? 2 : -1;
      cp &= 0x0F;
    } else if (cp >= 0xC2) {
      extra = 1;
      cp &= 0x1F;
    } else if (cp >= 0x80) {
      extra = -1;
    }
    int used = 1;
    for (int i = 1; extra > 0 && i <= extra; ++i) {
      if ((p[i] & 0xC0) != 0x80) {
        extra = -1;
        break;
      }
      cp = (cp << 6) | (p[i] & 0x3F);
      used = i + 1;
    }
    if (extra < 0 || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
      out += u'\uFFFD';
      p += used;
      continue;
    }
    if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    p += used;
  }
  return out;
}

}  // namespace

bool ListFolder(const char16_t* folder, std::vector<FolderEntry>& out) {
  out.clear();
  const std::string native = NativePath(folder);
  DIR* dir = ::opendir(native.c_str());
  if (!dir) return false;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    const std::string full = native + (native.empty() || native.back() == '/' ? "" : "/") + name;
    const bool is_folder = ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    out.push_back(FolderEntry{WideName(name.c_str()), is_folder});
  }
  ::closedir(dir);
  return true;
}

std::int64_t RegularFileSize(const char16_t* path) {
  struct stat st {};
  if (::stat(NativePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

}  // namespace os
