#pragma once
// Which folders the installer may remove, and which names it may use to build a system path. A path
// read from the registry or a payload is outside input: removal takes only folders the installer itself
// makes, and never one of the system's own folders or one above them.
#include <string>
#include <string_view>
#include <vector>

namespace lz::installer {

enum class RemovalRoot {
  kInstallFolder,  // a version folder "361.<n>" that the installer made
  kDataFolder,     // at or below the common application data folder's "LanzoIME4"
  kInstallParent,  // the folder chosen for the install, holding its version folders; taken only when empty
};

struct ProtectedFolders {
  // The Windows, system, program-files and profile folders (and any other the caller names): none of
  // them, and no folder above one of them, is ever removed.
  std::vector<std::u16string> folders;
  std::u16string common_app_data;
};

// True when path is a full Windows path ("C:\..." or "\\server\share\...") of the given kind that is
// neither a drive or share root nor a protected folder nor above one, and has no "." or ".." level.
bool MayRemoveFolder(std::u16string_view path, RemovalRoot kind, const ProtectedFolders& protect);

// A name that can stand alone as a file name: not empty, no folder separators, drive colons, wildcard
// or control characters, not "." or "..", at most 63 units. IMEName must be one before
// "<system>\<IMEName>.dll" is built from it.
bool IsPlainFileName(std::u16string_view name);

}  // namespace lz::installer
