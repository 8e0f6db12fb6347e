#pragma once
// Folder contents and plain-file queries for portable code that looks for packages on disk (the skin
// folder of the installation). Names and paths are UTF-16; the listing comes back in the order the
// operating system returns it.
#include <cstdint>
#include <string>
#include <vector>

namespace os {

// The separator that portable code puts between a folder and a name. Windows also accepts '/', so
// readers that split paths treat both as separators there.
#ifdef _WIN32
constexpr char16_t kPathSeparator = u'\\';
#else
constexpr char16_t kPathSeparator = u'/';
#endif

struct FolderEntry {
  std::u16string name;  // the entry's name, without the folder
  bool is_folder = false;
};

// Every entry of the folder except exactly "." and "..". False when the folder cannot be read (the list
// is then empty).
bool ListFolder(const char16_t* folder, std::vector<FolderEntry>& out);

// The size of a regular file, or -1 when the path names nothing, a folder or something unreadable.
std::int64_t RegularFileSize(const char16_t* path);

}  // namespace os
