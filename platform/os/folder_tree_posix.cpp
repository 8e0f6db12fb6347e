#include "platform/os/folder_tree.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/os/native_path.h"

namespace os {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Removes one entry: a folder (not a link to one) is emptied first.
bool RemoveEntry(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return unlink(path.c_str()) == 0;
  bool all = true;
  if (DIR* dir = opendir(path.c_str())) {
    while (dirent* e = readdir(dir)) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      all = RemoveEntry(path + "/" + name) && all;
    }
    closedir(dir);
  } else {
    return false;
  }
  return all && rmdir(path.c_str()) == 0;
}

}  // namespace

std::uint32_t CreateDirectoryTree(const char16_t* path) {
  if (!path || !*path) return 0;
  std::string native = NativePath(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  for (std::size_t i = 1; i <= native.size(); ++i) {
    if (i == native.size() || IsSeparator(native[i])) {
      const std::string level = native.substr(0, i);
      struct stat st;
      if (stat(level.c_str(), &st) != 0) mkdir(level.c_str(), 0777);
    }
  }
  return IsFolder(path) ? kFolderAttribute : 0;
}

bool IsFolder(const char16_t* path) {
  struct stat st;
  return path && lstat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TreeRemoval DeleteFolderTree(const char16_t* path, bool) {
  TreeRemoval result;
  if (!path || !*path) return result;
  result.removed = RemoveEntry(NativePath(path));
  return result;
}

bool ScheduleAtRestart(const char16_t*, const char16_t*) { return false; }

}  // namespace os
