#pragma once
// The installer's three jobs, install, repair and uninstall, each a fixed list of steps that writes a
// numbered line per step into the job's log and moves its progress; the checks made before an install;
// the user-word backup and restore around them; the Start-menu shortcuts and the broker's COM
// application key.
#include <windows.h>

#include <functional>
#include <string>

#include "installer/file_placement_win32.h"
#include "installer/payload_file.h"
#include "installer/setup_state.h"
#include "installer/startup.h"

namespace lz::installer {

// Where a job's lines go: the dialog's log box, or in a silent run the log file.
class JobLog {
 public:
  virtual ~JobLog() = default;
  virtual void Line(int position, const std::u16string& text) = 0;
};

// The backup files one backup wrote (empty when not written).
struct UserWordBackup {
  bool had_user_words = false;
  std::u16string word_file;
  std::u16string settings_file;
};

// Saves the user class of <data>main.dmg and the settings text of <data>config.dsc into the user's
// Documents folder, "[ <display name> ]". Both files are read through the engine's checked readers: a
// refused file counts as missing.
UserWordBackup BackUpUserWords(const std::u16string& data_location, const std::u16string& display_name);

// Imports the word file's records into <data>main.dmg as user words; the number imported.
int RestoreUserWords(const std::u16string& word_file, const std::u16string& data_location);

// The six links of the shortcut folder "<all users' programs>\<display name>\"; nothing for a display
// name that is not a plain file name.
bool CreateShortcuts(const std::u16string& class_identifier, std::uint32_t flags, const std::u16string& display_name,
                     const std::u16string& install_location, const std::u16string& post_install_command);
void DeleteShortcuts(const std::u16string& display_name);
std::u16string ShortcutFolder(const std::u16string& display_name);

// The broker's COM application key "AppID\{C9B4B7E7-0D22-46D5-AF14-EBC46D33B3AF}" under the classes root.
inline constexpr wchar_t kBrokerAppIdKey[] = L"Software\\Classes\\AppID\\{C9B4B7E7-0D22-46D5-AF14-EBC46D33B3AF}";
bool WriteBrokerSettings();
// Where the broker programs' registration outcomes go.
using BrokerLog = std::function<void(const std::u16string& line)>;
// Places the payload's broker programs in the system folders' "ime\quorInput" and runs each with
// /regserver, waiting 10 s at most, on a Windows above 6.1; the payload's broker files are taken out of
// zipdatas in any case.
void InstallBroker(FilePlacement& placement, const std::u16string& zipdatas, bool windows_above_6_1,
                   const BrokerLog& log);
// Runs each placed broker with /unregserver (waited for as above), deletes it and the application key.
void RemoveBroker(const SystemFolders& folders, const BrokerLog& log);

class InstallJobs {
 public:
  InstallJobs(SetupState& state, JobLog& log);

  // The install worker: false when placement or registration failed (rolled back).
  bool Install(const std::u16string& folder);
  bool Repair();
  void Uninstall();
  // Removes the installed copy's registration (and runs its own UnstallCommand from the registry).
  bool UnregisterInstalled();

  const FilePlacement& placement() const { return placement_; }

  // Called by repair and uninstall with the word file their backup wrote; a dialog offers to show it.
  std::function<void(const std::u16string& word_file)> offer_backup;

 private:
  void Log(int position, const std::u16string& text) { log_.Line(position, text); }
  void RollBack(bool whole);
  std::u16string DisplayName() const;
  std::u16string ImeName() const;

  SetupState& state_;
  JobLog& log_;
  FilePlacement placement_;
  // What this run made, so a failed upgrade or repair takes away only that.
  bool made_install_folder_ = false;
  bool made_data_folder_ = false;
};

// The folder an install proposes: "<program files>\<default folder name>\", or the folder an installed
// copy's install folder lies in.
std::u16string DefaultInstallFolder(SetupState& state);
// The checks before an install into folder, in order: pending restart, the same name or the same folder
// used by another input method, the version of an installed copy (asked about, or in a silent run
// answered yes). Sets the install kind; false, after its box, when the install may not go on.
bool CheckInstall(SetupState& state, StartupHost& host, const std::u16string& folder);

// The checks before an install and the install job itself, answered for the user in a silent run:
// returns kDialogOk when installed, kDialogCancel when refused or failed.
int RunInstall(SetupState& state, StartupHost& host, JobLog& log);
int RunRepairJob(SetupState& state, StartupHost& host, JobLog& log);
int RunUninstallJob(SetupState& state, JobLog& log);

// Carves (unless this is a working copy) and unpacks the payload into the zipdatas folder.
int RunUnpack(SetupState& state, const UnpackProgress& progress = {});

}  // namespace lz::installer
