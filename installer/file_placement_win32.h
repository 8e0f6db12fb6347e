#pragma once
// Putting the payload's files in their places and taking an installation's files away again. The
// text-service library is loaded by every application with keyboard focus, so replacing a file in use
// is the normal case: the new file is written beside the old one, the old one is moved aside and
// deleted (or, still in use, deleted at the next restart), and the new one takes its name.
#include <windows.h>

#include <functional>
#include <string>

#include "installer/removal_rules.h"

namespace lz::installer {

struct SystemFolders {
  std::u16string windows;
  std::u16string native_system;         // the system folder of the machine's own bitness, as it is named
  std::u16string native_system_access;  // the same folder as this process reaches it
  std::u16string wow64_system;          // the 32-bit system folder of a 64-bit Windows; empty on 32-bit
  std::u16string fonts;
  std::u16string common_app_data;
  std::u16string temp;
  bool windows_is_64_bit = false;
};

SystemFolders GetSystemFolders();

// The folders no removal may take or reach above.
ProtectedFolders GetProtectedFolders(const SystemFolders& folders);

class FilePlacement {
 public:
  explicit FilePlacement(SystemFolders folders) : folders_(std::move(folders)) {}

  // Each copied file's path is shown here as a passing line of the log (the dialog's log box).
  std::function<void(const std::u16string&)> passing_line;
  // Set when a file could only be replaced or removed at the next restart.
  bool reboot_needed = false;

  const SystemFolders& folders() const { return folders_; }

  // Copies source over target, moving a target in use aside. An empty source, or one that is the target,
  // succeeds at once; a missing source fails.
  bool CopyWithInUseReplacement(const std::u16string& source, const std::u16string& target);

  // Copies a data file; a target mapped by a running text service takes a source at least its size in
  // place through its mapping (under the file's writer lock), a smaller one at the next restart.
  bool CopyDataFile(const std::u16string& source, const std::u16string& target);

  using FileCopy = bool (FilePlacement::*)(const std::u16string&, const std::u16string&);
  // Copies a folder's files and sub-folders (not those whose name begins with ".") through copy; the
  // first failed file ends it with false. Sources are deleted after their copy unless keep_sources.
  bool CopyFolder(const std::u16string& source, const std::u16string& target, bool keep_sources, FileCopy copy);

  // Places the unpacked payload; false only when a text-service library cannot be placed or IMEName is
  // not a plain file name.
  bool PlacePayload(const std::u16string& ime_name, const std::u16string& zipdatas, const std::u16string& install,
                    const std::u16string& data);

  // Copies the fonts of a folder that are not installed yet into the fonts folder and registers them.
  void InstallFonts(const std::u16string& source);

  // Removes a folder of the given kind with everything in it; false (and nothing touched) when the rules
  // refuse the folder.
  bool RemoveFolder(const std::u16string& folder, RemovalRoot kind, bool allow_delayed);

  // After folder's removal, takes the folders above it that the install made and that are empty now
  // (or hold only folder, which waits for the restart: then they follow it there): the install
  // folder's parent, or the data folder's product folder and "LanzoIME4". Stops at the first that holds
  // anything else or that the rules refuse.
  void RemoveEmptyParents(const std::u16string& folder, RemovalRoot kind, bool allow_delayed);

  // Deletes a file, or moves it aside and deletes the aside name at the next restart.
  void DeleteOrSchedule(const std::u16string& path);

  // Removes an installation: the install folder, the virtualised copies of the data, the data folder and
  // the two libraries. The folders come from the product key, else from the arguments.
  // remove_data false keeps the data folder (words that could not be backed up stay in it).
  void RemoveInstalledFiles(const std::u16string& class_identifier, const std::u16string& data,
                            const std::u16string& install, bool allow_delayed, bool remove_data = true);

  void CleanVirtualisedData();

 private:
  void Passing(const std::u16string& line) {
    if (passing_line) passing_line(line);
  }
  bool ReplaceInUse(const std::u16string& source, const std::u16string& target);

  SystemFolders folders_;
};

}  // namespace lz::installer
