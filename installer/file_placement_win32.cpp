#include "installer/file_placement_win32.h"

#include <shlobj.h>
#include <userenv.h>

#include <cstring>
#include <vector>

#include "installer/access_grants_win32.h"
#include "installer/file_names.h"
#include "installer/registry_entries_win32.h"
#include "installer/work_paths.h"
#include "platform/os/file_mapping.h"
#include "platform/os/folder_list.h"
#include "platform/os/folder_tree.h"
#include "platform/os/native_path.h"
#include "textservice/engine/mapped_file.h"
#include "textservice/engine/system_services.h"

namespace lz::installer {
namespace {

using os::U16Ptr;
using os::WidePtr;

// The rename-and-copy loop ends after this many tries: a copy that keeps failing for another reason
// than the target being in use must not loop forever.
constexpr int kMaxReplaceAttempts = 8;
constexpr int kMaxSideNames = 100;
constexpr DWORD kFontChangeTimeoutMs = 1000;
constexpr std::u16string_view kFontsKey = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

bool Exists(const std::u16string& path) { return GetFileAttributesW(WidePtr(path.c_str())) != INVALID_FILE_ATTRIBUTES; }

bool SamePath(const std::u16string& a, const std::u16string& b) {
  return CompareStringOrdinal(WidePtr(a.c_str()), -1, WidePtr(b.c_str()), -1, TRUE) == CSTR_EQUAL;
}

std::u16string Folder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return U16Ptr(path);
}

std::u16string FirstFree(const std::u16string& path, std::u16string (*name)(std::u16string_view, int)) {
  for (int n = 1; n <= kMaxSideNames; ++n) {
    std::u16string candidate = name(path, n);
    if (!Exists(candidate)) return candidate;
  }
  return {};
}

std::u16string FileNameOf(const std::u16string& path) {
  const std::size_t separator = path.find_last_of(u"\\/");
  return separator == std::u16string::npos ? path : path.substr(separator + 1);
}

}  // namespace

SystemFolders GetSystemFolders() {
  SystemFolders f;
  wchar_t path[MAX_PATH] = {};
  if (GetWindowsDirectoryW(path, MAX_PATH)) f.windows = U16Ptr(path);
  if (GetSystemDirectoryW(path, MAX_PATH)) f.native_system = U16Ptr(path);
  f.native_system_access = f.native_system;
  f.windows_is_64_bit = IsWindows64Bit();
  if (f.windows_is_64_bit && GetSystemWow64DirectoryW(path, MAX_PATH)) {
    f.wow64_system = U16Ptr(path);
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    // A 32-bit process sees the 32-bit folder under the system folder's name; it reaches the 64-bit one
    // through "Sysnative".
    if (wow64) f.native_system_access = JoinPath(f.windows, u"Sysnative");
  }
  f.fonts = Folder(CSIDL_FONTS);
  f.common_app_data = Folder(CSIDL_COMMON_APPDATA);
  if (GetTempPathW(MAX_PATH, path)) f.temp = U16Ptr(path);
  return f;
}

ProtectedFolders GetProtectedFolders(const SystemFolders& folders) {
  ProtectedFolders p;
  p.common_app_data = folders.common_app_data;
  for (const std::u16string& f : {folders.windows, folders.native_system, folders.wow64_system, folders.fonts,
                                  folders.common_app_data, folders.temp}) {
    if (!f.empty()) p.folders.push_back(f);
  }
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROFILE,
                    CSIDL_COMMON_DOCUMENTS, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_DESKTOPDIRECTORY,
                    CSIDL_PERSONAL}) {
    const std::u16string f = Folder(csidl);
    if (!f.empty()) p.folders.push_back(f);
  }
  wchar_t profiles[MAX_PATH] = {};
  DWORD units = MAX_PATH;
  if (GetProfilesDirectoryW(profiles, &units)) p.folders.push_back(U16Ptr(profiles));
  return p;
}

bool FilePlacement::ReplaceInUse(const std::u16string& source, const std::u16string& target) {
  for (int attempt = 0; attempt < kMaxReplaceAttempts; ++attempt) {
    if (CopyFileW(WidePtr(source.c_str()), WidePtr(target.c_str()), FALSE)) return true;
    if (!Exists(target)) return false;
    // The new file goes beside the old one first, so the target's name is never left without a file.
    const std::u16string side = FirstFree(target, &SideCopyName);
    if (side.empty() || !CopyFileW(WidePtr(source.c_str()), WidePtr(side.c_str()), TRUE)) return false;
    const std::u16string aside = FirstFree(target, &os::AsideName);
    if (aside.empty() || !MoveFileExW(WidePtr(target.c_str()), WidePtr(aside.c_str()), 0)) {
      DeleteFileW(WidePtr(side.c_str()));
      continue;
    }
    if (!MoveFileExW(WidePtr(side.c_str()), WidePtr(target.c_str()), 0)) {
      MoveFileExW(WidePtr(aside.c_str()), WidePtr(target.c_str()), 0);  // roll back
      DeleteFileW(WidePtr(side.c_str()));
      continue;
    }
    if (!DeleteFileW(WidePtr(aside.c_str()))) {
      os::ScheduleAtRestart(aside.c_str());
      reboot_needed = true;
    }
    return true;
  }
  return false;
}

bool FilePlacement::CopyWithInUseReplacement(const std::u16string& source, const std::u16string& target) {
  Passing(u"        " + target);
  if (source.empty() || SamePath(source, target)) return true;
  if (!Exists(source)) return false;
  if (!ReplaceInUse(source, target)) return false;
  // A copy's result never depends on a grant: the file is in place either way.
  GrantAccess(WidePtr(target.c_str()), Grant::kBinary);
  return true;
}

bool FilePlacement::CopyDataFile(const std::u16string& source, const std::u16string& target) {
  Passing(u"        " + FileNameOf(target));
  if (CopyFileW(WidePtr(source.c_str()), WidePtr(target.c_str()), FALSE)) return true;
  std::vector<std::uint8_t> bytes;
  if (!os::ReadFileBytes(source.c_str(), bytes)) return false;
  // A running text service maps the table: a source at least its size is written through a real mapping
  // under the file's writer lock, so every process sees the new bytes at once. A mapping cannot shrink
  // while it is mapped elsewhere, and a heap copy is never written back, so anything else waits for the
  // restart.
  MappedFile* mapped = nullptr;
  bool in_place = false;
  if (OpenMappedFile(target.c_str(), &mapped) && IsMappedFileWritable(mapped)) {
    ScopedFileWrite write(mapped);
    if (write.ok() && bytes.size() >= static_cast<std::size_t>(mapped->size) &&
        (bytes.size() == static_cast<std::size_t>(mapped->size) ||
         ResizeMappedFile(static_cast<int>(bytes.size()), mapped) == static_cast<int>(bytes.size()))) {
      std::memcpy(mapped->view, bytes.data(), bytes.size());
      in_place = FlushMappedFile(mapped) != 0;
    }
  }
  CloseMappedFile(mapped);
  if (in_place) return true;
  const std::u16string side = FirstFree(target, &SideCopyName);
  if (side.empty() || !CopyFileW(WidePtr(source.c_str()), WidePtr(side.c_str()), TRUE)) return false;
  if (!os::ScheduleAtRestart(side.c_str(), target.c_str())) {
    DeleteFileW(WidePtr(side.c_str()));
    return false;
  }
  reboot_needed = true;
  return true;
}

bool FilePlacement::CopyFolder(const std::u16string& source, const std::u16string& target, bool keep_sources,
                               FileCopy copy) {
  if (!os::CreateDirectoryTree(target.c_str())) return false;
  std::vector<os::FolderEntry> entries;
  os::ListFolder(source.c_str(), entries);
  for (const os::FolderEntry& e : entries) {
    const std::u16string from = JoinPath(source, e.name);
    const std::u16string to = JoinPath(target, e.name);
    if (from.empty() || to.empty()) return false;
    if (e.is_folder) {
      if (e.name[0] == u'.') continue;
      if (!CopyFolder(from, to, keep_sources, copy)) return false;
      continue;
    }
    if (!(this->*copy)(from, to)) return false;
    if (!keep_sources) DeleteFileW(WidePtr(from.c_str()));
  }
  return true;
}

bool FilePlacement::PlacePayload(const std::u16string& ime_name, const std::u16string& zipdatas,
                                 const std::u16string& install, const std::u16string& data) {
  if (!IsPlainFileName(ime_name)) return false;
  const std::u16string library32 = JoinPath(zipdatas, u"Quenlith.dll");
  const std::u16string library64 = JoinPath(zipdatas, u"Quenlithx64.dll");
  if (folders_.windows_is_64_bit) {
    if (!CopyWithInUseReplacement(library32, LibraryPath(folders_.wow64_system, ime_name))) return false;
    DeleteFileW(WidePtr(library32.c_str()));
    if (!CopyWithInUseReplacement(library64, LibraryPath(folders_.native_system_access, ime_name))) return false;
    DeleteFileW(WidePtr(library64.c_str()));
  } else {
    // A 32-bit Windows has one system folder and runs none of the 64-bit files.
    if (!CopyWithInUseReplacement(library32, LibraryPath(folders_.native_system_access, ime_name))) return false;
    DeleteFileW(WidePtr(library32.c_str()));
    for (const char16_t* name : {u"Quenlithx64.dll", u"configx64.exe", u"stavelx64.exe"}) {
      DeleteFileW(WidePtr(JoinPath(zipdatas, name).c_str()));
    }
  }
  const std::u16string windows_files = JoinPath(zipdatas, u"$windows$");
  if (os::IsFolder(windows_files.c_str())) {
    CopyFolder(windows_files, folders_.windows, false, &FilePlacement::CopyWithInUseReplacement);
    os::DeleteFolderTree(windows_files.c_str(), false);
  }
  const std::u16string fonts = JoinPath(zipdatas, u"$fonts$");
  if (os::IsFolder(fonts.c_str())) {
    InstallFonts(fonts);
    os::DeleteFolderTree(fonts.c_str(), false);
  }
  os::CreateDirectoryTree(data.c_str());
  GrantAccess(WidePtr(data.c_str()), Grant::kDataFolder);
  const std::u16string data_files = JoinPath(zipdatas, u"$dataFiles$");
  if (os::IsFolder(data_files.c_str())) {
    CopyFolder(data_files, data, false, &FilePlacement::CopyDataFile);
    os::DeleteFolderTree(data_files.c_str(), false);
  }
  for (const char16_t* name : {u"config", u"stavel"}) {
    const std::u16string plain = JoinPath(zipdatas, std::u16string(name) + u".exe");
    const std::u16string x64 = JoinPath(zipdatas, std::u16string(name) + u"x64.exe");
    if (Exists(x64)) {
      DeleteFileW(WidePtr(plain.c_str()));
      MoveFileExW(WidePtr(x64.c_str()), WidePtr(plain.c_str()), 0);
    }
  }
  os::CreateDirectoryTree(install.c_str());
  CopyFolder(zipdatas, install, false, &FilePlacement::CopyWithInUseReplacement);
  return true;
}

void FilePlacement::InstallFonts(const std::u16string& source) {
  if (folders_.fonts.empty()) return;
  os::CreateDirectoryTree(folders_.fonts.c_str());
  std::vector<os::FolderEntry> entries;
  os::ListFolder(source.c_str(), entries);
  for (const os::FolderEntry& e : entries) {
    const std::u16string value_name = FontValueName(e.name);
    if (e.is_folder || value_name.empty()) continue;
    const std::u16string file_name = LowerCaseName(e.name);
    const std::u16string target = JoinPath(folders_.fonts, file_name);
    // An installed font is the user's or the system's: it is left alone and not registered again.
    if (target.empty() || Exists(target)) continue;
    if (!CopyFileW(WidePtr(JoinPath(source, e.name).c_str()), WidePtr(target.c_str()), TRUE)) continue;
    AddFontResourceW(WidePtr(target.c_str()));
    std::vector<RegistryValue> value(1);
    value[0].name = value_name;
    value[0].text = file_name;
    WriteMachineValues(RegistryViews().front(), std::u16string(kFontsKey), value);
  }
  // A window that does not answer cannot hold the installer up.
  SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, kFontChangeTimeoutMs, nullptr);
}

bool FilePlacement::RemoveFolder(const std::u16string& folder, RemovalRoot kind, bool allow_delayed) {
  if (!MayRemoveFolder(folder, kind, GetProtectedFolders(folders_))) return false;
  const os::TreeRemoval removal = os::DeleteFolderTree(folder.c_str(), allow_delayed);
  if (removal.scheduled > 0) reboot_needed = true;
  return true;
}

void FilePlacement::RemoveEmptyParents(const std::u16string& folder, RemovalRoot kind, bool allow_delayed) {
  const ProtectedFolders protect = GetProtectedFolders(folders_);
  const RemovalRoot parent_kind = kind == RemovalRoot::kInstallFolder ? RemovalRoot::kInstallParent : kind;
  std::u16string child = folder;
  while (!child.empty() && (child.back() == u'\\' || child.back() == u'/')) child.pop_back();
  // The install folder's parent is one level; the data side goes up to "LanzoIME4", which the rules
  // allow and nothing above.
  for (int level = 0; level < (kind == RemovalRoot::kInstallFolder ? 1 : 2); ++level) {
    const std::size_t separator = child.find_last_of(u"\\/");
    if (separator == std::u16string::npos) return;
    const std::u16string parent = child.substr(0, separator);
    if (!MayRemoveFolder(parent, parent_kind, protect) || !os::IsFolder(parent.c_str())) return;
    if (!RemoveDirectoryW(WidePtr(parent.c_str()))) {
      // Only a child that itself waits for the restart may stand in the way.
      std::vector<os::FolderEntry> entries;
      os::ListFolder(parent.c_str(), entries);
      const std::u16string child_name = child.substr(separator + 1);
      if (!allow_delayed || !os::IsFolder(child.c_str()) || entries.size() != 1 ||
          CompareStringOrdinal(WidePtr(entries[0].name.c_str()), -1, WidePtr(child_name.c_str()), -1, TRUE) !=
              CSTR_EQUAL ||
          !os::ScheduleAtRestart(parent.c_str())) {
        return;
      }
      reboot_needed = true;
    }
    child = parent;
  }
}

void FilePlacement::DeleteOrSchedule(const std::u16string& path) {
  if (!Exists(path) || DeleteFileW(WidePtr(path.c_str()))) return;
  const std::u16string aside = FirstFree(path, &os::AsideName);
  // A file that cannot be renamed either goes at the restart under its own name.
  const bool set_aside = !aside.empty() && MoveFileExW(WidePtr(path.c_str()), WidePtr(aside.c_str()), 0);
  if (set_aside && DeleteFileW(WidePtr(aside.c_str()))) return;
  if (os::ScheduleAtRestart(set_aside ? aside.c_str() : path.c_str())) reboot_needed = true;
}

void FilePlacement::RemoveInstalledFiles(const std::u16string& class_identifier, const std::u16string& data,
                                         const std::u16string& install, bool allow_delayed, bool remove_data) {
  if (class_identifier.empty()) return;
  char16_t value[kPathUnits] = {};
  ReadImeRegistryValue(value, kPathUnits, u"IMEName", class_identifier.c_str());
  const std::u16string ime_name = value;
  value[0] = 0;
  ReadImeRegistryValue(value, kPathUnits, u"InstallLocation", class_identifier.c_str());
  const std::u16string stored_install = value;
  value[0] = 0;
  ReadImeRegistryValue(value, kPathUnits, u"DataLocation", class_identifier.c_str());
  const std::u16string stored_data = value;

  const std::u16string install_folder = stored_install.empty() ? install : stored_install;
  if (!install_folder.empty() && RemoveFolder(install_folder, RemovalRoot::kInstallFolder, allow_delayed)) {
    RemoveEmptyParents(install_folder, RemovalRoot::kInstallFolder, allow_delayed);
  }
  CleanVirtualisedData();
  const std::u16string data_folder = stored_data.empty() ? data : stored_data;
  if (remove_data && !data_folder.empty() && RemoveFolder(data_folder, RemovalRoot::kDataFolder, allow_delayed)) {
    RemoveEmptyParents(data_folder, RemovalRoot::kDataFolder, allow_delayed);
  }
  if (!IsPlainFileName(ime_name)) return;
  if (!folders_.wow64_system.empty()) DeleteOrSchedule(LibraryPath(folders_.wow64_system, ime_name));
  DeleteOrSchedule(LibraryPath(folders_.native_system_access, ime_name));
}

void FilePlacement::CleanVirtualisedData() {
  const std::u16string cache = Folder(CSIDL_INTERNET_CACHE);
  if (cache.empty()) return;
  for (char16_t letter = u'c'; letter <= u'y'; ++letter) {
    const std::u16string folder = WithTrailingSeparator(cache) + u"Virtualized\\" + letter + u"\\ProgramData\\LanzoIME4";
    if (os::IsFolder(folder.c_str())) os::DeleteFolderTree(folder.c_str(), true);
  }
}

}  // namespace lz::installer
