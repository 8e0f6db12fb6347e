#include "platform/os/folder_list.h"

#include <windows.h>

#include "platform/os/native_path.h"

namespace os {

bool ListFolder(const char16_t* folder, std::vector<FolderEntry>& out) {
  out.clear();
  std::u16string pattern = folder;
  if (!pattern.empty() && pattern.back() != u'\\' && pattern.back() != u'/') pattern += u'\\';
  pattern += u'*';
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(WidePtr(pattern.c_str()), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  // Every result is examined: the "." and ".." entries are not guaranteed to come first.
  do {
    const std::u16string name = U16Ptr(found.cFileName);
    if (name == u"." || name == u"..") continue;
    out.push_back(FolderEntry{name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return true;
}

std::int64_t RegularFileSize(const char16_t* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(WidePtr(path), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace os
