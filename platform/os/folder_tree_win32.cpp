#include "platform/os/folder_tree.h"

#include <windows.h>

#include <string>

#include "platform/os/native_path.h"

namespace os {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

constexpr int kMaxAsideNames = 100;

void ScheduleDelete(const std::wstring& path, TreeRemoval& result) {
  if (MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) ++result.scheduled;
}

// A file in use is renamed aside first, and the aside name is scheduled: a new file under the old name
// (a reinstall before the restart) is then not deleted at the restart.
void SetAsideAndSchedule(const std::wstring& path, TreeRemoval& result) {
  for (int n = 1; n <= kMaxAsideNames; ++n) {
    const std::u16string aside = AsideName(U16Ptr(path.c_str()), n);
    if (GetFileAttributesW(WidePtr(aside.c_str())) != INVALID_FILE_ATTRIBUTES) continue;
    if (MoveFileExW(path.c_str(), WidePtr(aside.c_str()), 0)) ScheduleDelete(WidePtr(aside.c_str()), result);
    return;
  }
}

// Removes one entry. A reparse point (link, junction, mount point) is removed as itself and never
// followed, so a link inside an install folder cannot lead the removal into another tree.
bool RemoveEntry(const std::wstring& path, bool allow_delayed, TreeRemoval& result) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND ||
                                                    GetLastError() == ERROR_PATH_NOT_FOUND;
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
  const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if (!folder) {
    if (DeleteFileW(path.c_str())) return true;
    if (allow_delayed) SetAsideAndSchedule(path, result);
    return false;
  }
  bool all = true;
  if (!link) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        all = RemoveEntry(path + L"\\" + name, allow_delayed, result) && all;
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
  }
  if (RemoveDirectoryW(path.c_str())) return all;
  if (allow_delayed) ScheduleDelete(path, result);
  return false;
}

}  // namespace

std::uint32_t CreateDirectoryTree(const char16_t* path) {
  if (!path || !*path) return 0;
  const std::wstring full = WidePtr(path);
  for (std::size_t i = 1; i <= full.size(); ++i) {
    if (i == full.size() || IsSeparator(full[i])) {
      const std::wstring level = full.substr(0, i);
      // "C:" and "\\server" are not folders to create; CreateDirectoryW refuses them harmlessly.
      if (GetFileAttributesW(level.c_str()) == INVALID_FILE_ATTRIBUTES) CreateDirectoryW(level.c_str(), nullptr);
    }
  }
  const DWORD attributes = GetFileAttributesW(full.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
  return attributes;
}

bool IsFolder(const char16_t* path) {
  if (!path) return false;
  const DWORD attributes = GetFileAttributesW(WidePtr(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

TreeRemoval DeleteFolderTree(const char16_t* path, bool allow_delayed) {
  TreeRemoval result;
  if (!path || !*path) return result;
  std::wstring full = WidePtr(path);
  while (full.size() > 3 && IsSeparator(full.back())) full.pop_back();
  result.removed = RemoveEntry(full, allow_delayed, result);
  return result;
}

}  // namespace os
