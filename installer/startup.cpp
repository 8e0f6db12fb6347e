#include "installer/startup.h"

#include <cstring>

#include "installer/command_line.h"
#include "installer/data_folder.h"
#include "installer/file_names.h"
#include "installer/payload_config.h"
#include "installer/removal_rules.h"
#include "installer/work_paths.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/system_services.h"

namespace lz::installer {
namespace {

// Units the uninstall copy reads of each registry value (the byte sizes of its buffers halved).
constexpr std::size_t kLocationUnits = 260;
constexpr std::size_t kImeNameUnits = 64;
constexpr std::size_t kShortValueUnits = 40;
constexpr std::size_t kLongValueUnits = 260;
constexpr std::uint32_t kSoftTextUnits = 64;
constexpr std::uint32_t kChineseLanguage = 2052;

class Run {
 public:
  Run(const StartupInput& input, SetupState& state, StartupHost& host)
      : input_(input), state_(state), host_(host) {}

  int Start();

 private:
  int Fail(const char16_t* text, const char16_t* caption) {
    host_.Message(text, caption, kStyleError);
    return kExitFailed;
  }
  // The working copy of a repair or uninstall removes itself on every way out, but only a copy that
  // runs from below the work folder: the installed program in the install folder is never deleted.
  int EndWorkingCopy(int code) {
    const std::u16string below = WithTrailingSeparator(paths_.work_folder);
    if (state_.own_path.size() > below.size() && state_.own_path.compare(0, below.size(), below) == 0) {
      host_.DeleteOwnCopy();
    }
    return code;
  }
  int Finished(int dialog_result) const {
    if (dialog_result != kDialogOk) return kExitFailed;
    return state_.reboot_needed ? kExitRestartNeeded : kExitDone;
  }
  int Relaunch();
  int Uninstall();
  int Repair();
  int Install();
  int Stub();
  bool ReadImeValue(const char16_t* name, char16_t* out, std::size_t capacity) {
    return ReadImeRegistryValue(out, capacity, name, state_.class_identifier) && out[0] != 0;
  }
  // InstallLocation with its "\"; empty when the value is missing or empty.
  std::u16string InstallFolder() {
    char16_t install[kLocationUnits] = {};
    if (!ReadImeValue(u"InstallLocation", install, kLocationUnits)) return {};
    return WithTrailingSeparator(install);
  }
  std::u16string DataFolderOfImeName(std::u16string_view ime_name) {
    return DataFolderPath(host_.CommonAppDataFolder(), state_.class_identifier, VersionFolderOfImeName(ime_name));
  }

  const StartupInput& input_;
  SetupState& state_;
  StartupHost& host_;
  WorkPaths paths_;
  std::u16string arguments_;
};

int Run::Start() {
  // Known before the first box: a silent run shows none.
  state_.silent = ParseCommandLine(input_.arguments).silent;
  if (input_.os_major <= 5 && host_.Message(kTextOldWindows, kCaptionInstall, kStyleQuestionYesNo) != os::kAnswerYes) {
    return kExitFailed;
  }
  if (!MakeWorkPaths(input_.temp_folder, input_.windows_is_64_bit, paths_) ||
      !host_.CreateWorkFolder(paths_.work_folder) || input_.own_path.empty()) {
    return kExitFailed;
  }
  state_.work_folder = paths_.work_folder;
  state_.zipdatas_folder = paths_.zipdatas_folder;
  state_.unpacked_installer_path = paths_.unpacked_installer;
  state_.payload_zip_path = paths_.payload_zip;
  state_.own_path = input_.own_path;

  const CommandLine line = ParseCommandLine(input_.arguments);
  arguments_ = input_.arguments;
  state_.silent = line.silent;
  state_.mode = line.mode;
  state_.temp_copy = line.temp_copy;
  std::memset(state_.class_identifier, 0, sizeof state_.class_identifier);
  line.class_identifier.copy(state_.class_identifier, kClassIdentifierUnits - 1);
  std::memset(state_.soft_block, 0, sizeof state_.soft_block);

  const bool removal_mode = line.mode == kModeUninstall || line.mode == kModeRepair;
  if (removal_mode && !line.temp_copy) return Relaunch();
  if (line.mode == kModeUninstall) return EndWorkingCopy(Uninstall());
  if (line.mode == kModeRepair) return EndWorkingCopy(Repair());
  if (line.temp_copy) return Install();
  return Stub();
}

int Run::Relaunch() {
  host_.RemoveWorkFolder(paths_.work_folder);
  const std::u16string install = InstallFolder();
  if (install.empty()) return Fail(kTextBadIdentifier, kCaptionInitError);
  host_.CreateWorkFolder(paths_.work_folder);
  const std::u16string source = JoinPath(install, u"stavel.exe");
  int ignored = 0;
  switch (host_.StartPrivateCopy(source, CopyArguments(arguments_, state_.silent), false, ignored)) {
    case CopyStart::kStarted:
      return kExitDone;
    case CopyStart::kCopyFailed:
      return Fail(kTextUnfinishedOrBlocked, kCaptionInstall);
    case CopyStart::kStartFailed:
      break;
  }
  return Fail(kTextCopyCannotRun, kCaptionInitError);
}

int Run::Uninstall() {
  if (!host_.TakeInstallerMutex()) return Fail(kTextUnfinishedOrBlocked, kCaptionInstall);
  const std::u16string install = InstallFolder();
  char16_t data[kLocationUnits] = {};
  char16_t ime_name[kImeNameUnits] = {};
  char16_t display_name[kShortValueUnits] = {};
  char16_t display_version[kShortValueUnits] = {};
  char16_t language_name[kShortValueUnits] = {};
  char16_t update_url[kLongValueUnits] = {};
  char16_t uninstall_command[kLongValueUnits] = {};
  ReadImeValue(u"DataLocation", data, kLocationUnits);
  ReadImeValue(u"IMEName", ime_name, kImeNameUnits);
  ReadImeValue(u"DisplayName", display_name, kShortValueUnits);
  ReadImeValue(u"DisplayVersion", display_version, kShortValueUnits);
  ReadImeValue(u"LanguageName", language_name, kShortValueUnits);
  ReadImeValue(u"URLUpdateInfo", update_url, kLongValueUnits);
  ReadImeValue(u"UnstallCommand", uninstall_command, kLongValueUnits);
  std::uint32_t language = host_.ReadImeLanguage(state_.class_identifier);
  if (language == 0) language = kChineseLanguage;

  // IMEName names files in the system folders and the data folder; one that is not a plain file name
  // is as broken as a missing one.
  if (install.empty() || !data[0] || !display_name[0] || !display_version[0] || !language_name[0] ||
      !IsPlainFileName(ime_name)) {
    return Fail(kTextBrokenInstallation, kCaptionUninstall);
  }
  const ByteView soft = state_.Soft();
  WriteFieldText(soft, soft_block::kImeName, kSoftTextUnits, ime_name);
  WriteFieldText(soft, soft_block::kDisplayName, kSoftTextUnits, display_name);
  WriteFieldText(soft, soft_block::kDisplayVersion, kSoftTextUnits, display_version);
  WriteFieldText(soft, soft_block::kLanguageName, kSoftTextUnits, language_name);
  WriteFieldText(soft, soft_block::kUrlUpdateInfo, kLongValueUnits, update_url);
  WriteFieldText(soft, soft_block::kUninstallCommand, kLongValueUnits, uninstall_command);
  soft.WriteU32(soft_block::kLanguageId, language);
  state_.install_location = install;
  state_.data_location = DataFolderOfImeName(ime_name);
  return Finished(host_.RunUninstall(state_));
}

int Run::Repair() {
  if (!host_.TakeInstallerMutex()) return Fail(kTextInstallerRunning, kCaptionInstall);
  const std::u16string install = InstallFolder();
  if (install.empty()) {
    host_.Message(kTextBrokenInstallation, kCaptionRepair, kStyleError);
    host_.RemoveWorkFolder(paths_.work_folder);
    return kExitFailed;
  }
  state_.install_location = install;
  state_.payload_zip_path = JoinPath(install, u"_backup_.dat");
  if (host_.RunUnpacking(state_) != kDialogOk) {
    host_.RemoveWorkFolder(paths_.work_folder);
    return Fail(kTextBrokenInstallation, kCaptionRepair);
  }
  if (ReadPayloadConfig(state_) != PayloadConfig::kRead) return Fail(kTextBadPayload, kCaptionInstall);
  const std::u16string ime_name = ReadFieldText(state_.Soft(), soft_block::kImeName, kSoftTextUnits);
  if (!IsPlainFileName(ime_name)) return Fail(kTextBadPayload, kCaptionInstall);
  state_.data_location = DataFolderOfImeName(ime_name);
  const int result = Finished(host_.RunRepair(state_));
  // The unpacked copy of the payload is of no use after the repair.
  host_.RemoveWorkFolder(state_.zipdatas_folder);
  return result;
}

int Run::Install() {
  if (ReadPayloadConfig(state_) != PayloadConfig::kRead) return Fail(kTextBadPayload, kCaptionInstall);
  std::uint8_t show_agreement = 0;
  state_.Soft().ReadU8(soft_block::kShowAgreement, show_agreement);
  if (show_agreement != 0 && host_.RunAgreement(state_) != kDialogOk) return kExitFailed;
  return Finished(host_.RunInstallWizard(state_));
}

int Run::Stub() {
  if (!host_.TakeInstallerMutex()) return Fail(kTextInstallerRunning, kCaptionInstall);
  if (host_.RunUnpacking(state_) != kDialogOk) {
    host_.RemoveWorkFolder(paths_.work_folder);
    return Fail(kTextBadPayload, kCaptionInstall);
  }
  int exit_code = kExitFailed;
  const CopyStart start =
      host_.StartPrivateCopy(paths_.unpacked_installer, CopyArguments(arguments_, state_.silent), true, exit_code);
  host_.RemoveWorkFolder(paths_.work_folder);
  if (start == CopyStart::kCopyFailed) return Fail(kTextInstallerRunning, kCaptionInstall);
  if (start == CopyStart::kStartFailed) return Fail(kTextCopyCannotRun, kCaptionInitError);
  return exit_code;
}

}  // namespace

int RunStartup(const StartupInput& input, SetupState& state, StartupHost& host) {
  return Run(input, state, host).Start();
}

}  // namespace lz::installer
