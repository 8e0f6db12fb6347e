#pragma once
// The decisions of the install, repair and uninstall flows as plain functions: which kind of install this
// is, where it goes, how a stored command line is split, which pending restart moves hold an install up,
// and the names of the user's backup files. The Windows glue only carries them out.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "installer/setup_state.h"

namespace lz::installer {

// This build's major version: the first part of every install folder's name "361.<minor>".
constexpr std::uint32_t kInstallerMajor = 361;

struct InstalledVersion {
  bool present = false;  // InstallLocation, its stavel.exe and IMEName were all found
  std::uint32_t major = 0;
  std::uint32_t minor = 0;  // 0.0 when the installed config.dsc or its soft block could not be read
};

// Fresh when nothing is installed; otherwise this build's version against the installed one, major
// first: newer is kOlder (an older version is present), equal kSame, older kNewer.
InstallKind CompareInstalled(std::uint32_t own_minor, const InstalledVersion& installed);

// folder + "361.<minor>\" (a "\" first when the folder lacks one).
std::u16string InstallTarget(std::u16string_view folder, std::uint32_t minor);

// The folder an install folder "...\X\361.4\" lies in, with its "\": "...\X\". Empty for a path
// without a parent.
std::u16string ParentFolder(std::u16string_view install_location);

struct SplitCommand {
  std::u16string program;
  std::u16string parameters;  // empty when there are none
};

// A command text as the soft block stores it: the text before the first " /" (else the first " -") is
// the program, what follows the blank the parameters.
SplitCommand SplitCommandLine(std::u16string_view command);

// The installed copy's UnstallCommand: lower-cased, "%apppath%" replaced by the install folder, split.
SplitCommand InstalledUninstallCommand(std::u16string_view command, std::u16string_view install_location);

// True when a pending restart move names a file at or below one of the folders, or a file whose name
// ends in one of the library names (for example "\lzime.361.4.dll"), ignoring case. The sources carry
// no "\??\" prefix.
bool PendingMovesBlockInstall(const std::vector<std::u16string>& pending_sources,
                              const std::vector<std::u16string>& folders,
                              const std::vector<std::u16string>& library_names);

// The shortcut folder's name, the backup folder's name and the backup files' names (the UTC date as
// year.month.day without leading zeros).
std::u16string BackupFolderName(std::u16string_view display_name);  // "[ <name> ]"
std::u16string UserWordFileName(int year, int month, int day);       // "导出 - 用户词条(y.m.d).txt"
std::u16string SettingsBackupFileName(int year, int month, int day); // "backup.config(y.m.d).txt"

}  // namespace lz::installer
