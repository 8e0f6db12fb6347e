#include "platform/os/folder_tree.h"

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/os/native_path.h"

namespace os {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

constexpr int kMaxAsideNames = 100;
constexpr std::wstring_view kLocalPrefix = L"\\\\?\\";
constexpr std::wstring_view kNetworkPrefix = L"\\\\?\\UNC\\";

void ScheduleDelete(const std::wstring& path, TreeRemoval& result) {
  if (ScheduleAtRestart(U16Ptr(path.c_str()))) ++result.scheduled;
}

// The file system's own name for an existing entry (a link as itself), whatever folder redirection or
// alias led this process to it; empty when it cannot be asked.
std::wstring FinalName(const std::wstring& path) {
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const HANDLE entry = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (entry == INVALID_HANDLE_VALUE) return {};
  std::wstring name(MAX_PATH, L'\0');
  DWORD units = GetFinalPathNameByHandleW(entry, name.data(), static_cast<DWORD>(name.size()),
                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (units >= name.size()) {
    name.resize(units + 1);
    units = GetFinalPathNameByHandleW(entry, name.data(), static_cast<DWORD>(name.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  }
  CloseHandle(entry);
  if (units == 0 || units >= name.size()) return {};
  name.resize(units);
  // A share has no restart operations; only a drive path is worth resolving.
  if (name.compare(0, kNetworkPrefix.size(), kNetworkPrefix) == 0) return {};
  if (name.compare(0, kLocalPrefix.size(), kLocalPrefix) == 0) name.erase(0, kLocalPrefix.size());
  return name;
}

// The name the restart resolves for a path as this process reaches it (the path itself when it cannot be
// resolved).
std::u16string RestartName(const char16_t* path) {
  if (!path || !*path) return {};
  const std::wstring full = WidePtr(path);
  std::wstring name = FinalName(full);
  if (name.empty()) {
    // Not there yet (the target of a replacement): its folder is resolved and the name kept.
    std::size_t separator = full.find_last_of(L"\\/");
    if (separator == std::wstring::npos || separator + 1 == full.size()) return path;
    const std::wstring folder = FinalName(full.substr(0, separator));
    if (folder.empty()) return path;
    name = folder + L"\\" + full.substr(separator + 1);
  }
  return U16Ptr(name.c_str());
}

// A file in use is renamed aside first, and the aside name is scheduled: a new file under the old name
// (a reinstall before the restart) is then not deleted at the restart. A file that cannot even be
// renamed (a data table mapped by a running text service, opened without delete sharing) is scheduled
// under its own name, so that the restart still takes it.
void SetAsideAndSchedule(const std::wstring& path, TreeRemoval& result) {
  for (int n = 1; n <= kMaxAsideNames; ++n) {
    const std::u16string aside = AsideName(U16Ptr(path.c_str()), n);
    if (GetFileAttributesW(WidePtr(aside.c_str())) != INVALID_FILE_ATTRIBUTES) continue;
    if (MoveFileExW(path.c_str(), WidePtr(aside.c_str()), 0)) {
      ScheduleDelete(WidePtr(aside.c_str()), result);
      return;
    }
    break;
  }
  ScheduleDelete(path, result);
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

bool ScheduleAtRestart(const char16_t* path, const char16_t* target) {
  if (!path || !*path) return false;
  const std::u16string source = RestartName(path);
  const std::u16string replaced = target ? RestartName(target) : std::u16string();
  // The call itself sees the names as the restart will: a 32-bit process on a 64-bit Windows has its
  // redirection off for it (where there is none, the switch fails and changes nothing).
  void* redirection = nullptr;
  const BOOL switched = Wow64DisableWow64FsRedirection(&redirection);
  const BOOL scheduled = MoveFileExW(WidePtr(source.c_str()), target ? WidePtr(replaced.c_str()) : nullptr,
                                     MOVEFILE_DELAY_UNTIL_REBOOT | (target ? MOVEFILE_REPLACE_EXISTING : 0));
  if (switched) Wow64RevertWow64FsRedirection(redirection);
  return scheduled != FALSE;
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
