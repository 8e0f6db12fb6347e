#include "installer/install_jobs_win32.h"

#include <sddl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <vector>

#include "config/settings/settings_export.h"
#include "config/tables/table_text.h"
#include "installer/access_grants_win32.h"
#include "installer/data_folder.h"
#include "installer/file_names.h"
#include "installer/install_rules.h"
#include "installer/payload_config.h"
#include "installer/payload_file.h"
#include "installer/registry_entries_win32.h"
#include "installer/removal_rules.h"
#include "installer/tsf_registration_win32.h"
#include "installer/work_paths.h"
#include "platform/os/file_mapping.h"
#include "platform/os/folder_tree.h"
#include "platform/os/native_path.h"
#include "platform/os/system_info.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/system_services.h"

namespace lz::installer {
namespace {

using os::U16Ptr;
using os::WidePtr;

constexpr std::uint32_t kShortUnits = 64;
constexpr std::uint32_t kCommandUnits = 260;
constexpr DWORD kRepairPauseMs = 100;
constexpr std::uint32_t kShortcutFolderBits = 0x19E0;
constexpr std::uint32_t kAppIdFlags = 0x38;

// Texts of the checks before an install.
constexpr char16_t kTextNeedsRestart[] = u"安装程序无法继续，您必须在重新启动计算机后才能执行此操作。";
constexpr char16_t kTextSameName[] = u"安装程序无法继续，原因是您的电脑中已经安装了相同名称的输入法。";
constexpr char16_t kTextNoFolder[] = u"请指定正确的安装目录。";
constexpr char16_t kTextFolderTaken[] = u"安装程序无法继续，因为当前选择的安装目录被其它输入法占用。";
constexpr char16_t kTextOlderInstalled[] = u"检测到您已经安装了本软件的早期版本。\r\n\r\n是否卸载早期程序, 并继续安装?";
constexpr char16_t kTextSameInstalled[] = u"检测到您已经安装了本软件相同版本的程序。\r\n\r\n是否继续覆盖安装?";
constexpr char16_t kTextNewerInstalled[] =
    u"检测到您已经安装了本软件较新版本，程序不允许降级覆盖安装。\r\n\r\n如果必须安装本程序，请手动卸载已安装版本后重试。";
constexpr std::uint32_t kStyleExclamationYesNo = MB_YESNO | MB_ICONEXCLAMATION;
constexpr std::uint32_t kStyleExclamation = MB_ICONEXCLAMATION;

// The job lines.
constexpr char16_t kLineCannotPlace[] = u"\r\n无法安装IME文件, 请注意安全类软件可能误杀IME文件.\r\n";
constexpr char16_t kLineCannotRegister[] = u"\r\n无法安装语言服务, 在win8及以上系统安装纯IME输入法会导致该错误.\r\n";
constexpr char16_t kLineInstallFailed[] = u"安装程序发生错误, 您可以尝试重新启动计算机后安装.";
constexpr char16_t kLineRepairFailed[] = u"修复程序发生错误！";

// The broker's descriptors: owner and group LocalSystem, a low mandatory label that may not execute up,
// execute rights for the callers the design names.
constexpr wchar_t kBrokerAccessSddl[] =
    L"O:SYG:SYD:(A;;0x3;;;PS)(A;;0x3;;;SY)(A;;0x3;;;LS)(A;;0x3;;;NS)(A;;0x3;;;AC)S:(ML;;NX;;;LW)";
constexpr wchar_t kBrokerLaunchSddl[] = L"O:SYG:SYD:(A;;0xB;;;PS)(A;;0xB;;;AC)S:(ML;;NX;;;LW)";

bool Exists(const std::u16string& path) {
  return !path.empty() && GetFileAttributesW(WidePtr(path.c_str())) != INVALID_FILE_ATTRIBUTES;
}

std::u16string ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return U16Ptr(path);
}

std::u16string ImeValue(const std::u16string& class_identifier, const char16_t* name) {
  char16_t value[kPathUnits] = {};
  ReadImeRegistryValue(value, kPathUnits, name, class_identifier.c_str());
  return value;
}

std::u16string SoftText(SetupState& state, std::uint32_t offset, std::uint32_t units) {
  return ReadFieldText(state.Soft(), offset, units);
}

std::uint32_t SoftNumber(SetupState& state, std::uint32_t offset) {
  std::uint32_t value = 0;
  state.Soft().ReadU32(offset, value);
  return value;
}

void Start(const std::u16string& program, const std::u16string& parameters, int show) {
  if (program.empty()) return;
  ShellExecuteW(nullptr, L"open", WidePtr(program.c_str()), parameters.empty() ? nullptr : WidePtr(parameters.c_str()),
                nullptr, show);
}

// The sources of the moves waiting for the next restart.
std::vector<std::u16string> PendingMoveSources() {
  std::vector<std::u16string> sources;
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return sources;
  }
  DWORD bytes = 0, type = 0;
  if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
      type == REG_MULTI_SZ && bytes > 0) {
    std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 2, 0);
    if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &bytes) == ERROR_SUCCESS) {
      // Pairs of source and target; an empty target (a deletion) is an empty string.
      std::size_t at = 0;
      bool is_source = true;
      while (at < data.size() && (data[at] != 0 || !is_source)) {
        std::u16string text = U16Ptr(&data[at]);
        at += text.size() + 1;
        if (is_source) {
          if (text.compare(0, 4, u"\\??\\") == 0) text.erase(0, 4);
          sources.push_back(text);
        }
        is_source = !is_source;
      }
    }
  }
  RegCloseKey(key);
  return sources;
}

InstalledVersion ReadInstalledVersion(const std::u16string& class_identifier) {
  InstalledVersion installed;
  char16_t install[kPathUnits] = {};
  if (!ReadInstallLocation(install, kPathUnits, class_identifier.c_str()) ||
      !Exists(JoinPath(install, u"stavel.exe")) || ImeValue(class_identifier, u"IMEName").empty()) {
    return installed;
  }
  installed.present = true;
  const std::u16string data = ImeValue(class_identifier, u"DataLocation");
  std::vector<std::uint8_t> bytes;
  if (data.empty() || !os::ReadFileBytes(JoinPath(data, u"config.dsc").c_str(), bytes)) return installed;
  // The block finder checks the directory and the block's extent; a refused store counts as missing.
  const ByteView soft =
      FindConfigBlock(ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}, config_store::kSoftBlockName);
  if (soft.data) {
    soft.ReadU32(soft_block::kSoftwareNumber, installed.major);
    soft.ReadU32(soft_block::kDataVersion, installed.minor);
  }
  return installed;
}

void DateToday(int& year, int& month, int& day) {
  SYSTEMTIME now;
  GetSystemTime(&now);  // the backup names carry the UTC date
  year = now.wYear;
  month = now.wMonth;
  day = now.wDay;
}

// Removes the whole "<common application data>\LanzoIME4\" folder and both product roots when no input
// method of this kind is left.
void RemoveEverythingLeft(FilePlacement& placement) {
  if (!NothingLeft()) return;
  const std::u16string root = DataFolderPath(placement.folders().common_app_data, u"", u"");
  if (os::IsFolder(root.c_str())) placement.RemoveFolder(root, RemovalRoot::kDataFolder, true);
  for (REGSAM view : RegistryViews()) DeleteKeyTree(HKEY_LOCAL_MACHINE, u"SOFTWARE", u"LanzoIME4", view);
}

}  // namespace

UserWordBackup BackUpUserWords(const std::u16string& data_location, const std::u16string& display_name) {
  UserWordBackup backup;
  if (data_location.empty() || !IsPlainFileName(display_name)) return backup;
  std::u16string documents = ShellFolder(CSIDL_PERSONAL);
  if (documents.empty()) {
    wchar_t system[MAX_PATH] = {};
    if (GetSystemDirectoryW(system, MAX_PATH)) documents = U16Ptr(system);
  }
  const std::u16string folder = JoinPath(documents, BackupFolderName(display_name));
  if (folder.empty() || !os::CreateDirectoryTree(folder.c_str())) return backup;
  int year = 0, month = 0, day = 0;
  DateToday(year, month, day);

  MappedFile* table = nullptr;
  if (OpenMappedFile(JoinPath(data_location, u"main.dmg").c_str(), &table) > 0 && table) {
    const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
    if (CheckCodeTableOnOpen(view) == TableCheck::kValid) {
      const std::uint32_t count = RecordCount(table);
      for (std::uint32_t i = 0; i < count && !backup.had_user_words; ++i) {
        CodeTableRecord record;
        backup.had_user_words = RecordAt(table, static_cast<std::int32_t>(i), record) &&
                                code_table::RecordClass(record.flags) == code_table::kClassUser;
      }
      if (backup.had_user_words) {
        const std::u16string word_file = JoinPath(folder, UserWordFileName(year, month, day));
        TableExport request;
        request.class_filter = static_cast<std::int32_t>(code_table::kClassUser);
        if (!word_file.empty() && ExportTableText(request, table, word_file.c_str()) >= 0) {
          backup.word_file = word_file;
        } else if (!word_file.empty()) {
          DeleteFileW(WidePtr(word_file.c_str()));
        }
      }
    }
  }
  CloseMappedFile(table);

  std::vector<std::uint8_t> store;
  if (os::ReadFileBytes(JoinPath(data_location, u"config.dsc").c_str(), store)) {
    const ByteView view{store.data(), static_cast<std::uint32_t>(store.size())};
    const std::u16string settings_file = JoinPath(folder, SettingsBackupFileName(year, month, day));
    SettingsTextOps* ops = NewSettingsTextOps();
    if (!settings_file.empty() &&
        ExportSettingsText(FindConfigBlock(view, config_store::kImeBlockName),
                           FindConfigBlock(view, config_store::kDmeBlockName),
                           FindConfigBlock(view, config_store::kSkinBlockName), ops, settings_file.c_str())) {
      backup.settings_file = settings_file;
    }
    if (ops) ops->free(ops);
  }
  return backup;
}

int RestoreUserWords(const std::u16string& word_file, const std::u16string& data_location) {
  MappedFile* table = nullptr;
  if (word_file.empty() || OpenMappedFile(JoinPath(data_location, u"main.dmg").c_str(), &table) <= 0 || !table) {
    return 0;
  }
  int imported = 0;
  if (CheckCodeTableOnOpen(ByteView{table->view, static_cast<std::uint32_t>(table->size)}) == TableCheck::kValid) {
    std::unique_ptr<TableImport> import = CreateTableImport();
    if (import) {
      import->import_class = code_table::kClassUser;
      imported = ImportTableText(*import, table, word_file.c_str());
    }
  }
  CloseMappedFile(table);
  return imported;
}

std::u16string ShortcutFolder(const std::u16string& display_name) {
  if (!IsPlainFileName(display_name)) return {};
  const std::u16string programs = ShellFolder(CSIDL_COMMON_PROGRAMS);
  return programs.empty() ? programs : JoinPath(programs, display_name);
}

namespace {

struct LinkSpec {
  std::uint32_t bit;
  std::u16string file;  // the link's name
  const char16_t* target;
  std::u16string arguments;
  std::u16string description;
};

std::vector<LinkSpec> Links(const std::u16string& id, const std::u16string& name) {
  return {
      {0x80, u"设置" + name + u".lnk", u"config.exe", u"/n " + id, name + u" 的使用习惯更改和设定"},
      {0x100, name + u"按键功能设定.lnk", u"config.exe", u"/n " + id + u" /do anjianshezhi", u"更改或定义 " + name + u" 按键功能"},
      {0x20, u"更新" + name + u".lnk", u"config.exe", u"/n " + id + u" /do update", u"检查 " + name + u" 的最新服务器版本"},
      {0x1000, u"修复" + name + u".lnk", u"stavel.exe", u"/n " + id + u" /r", u"修复 " + name + u" 至新安装状态"},
      {0x800, u"卸载" + name + u".lnk", u"stavel.exe", u"/n " + id + u" /u", u"卸载" + name + u" 程序"},
      {0x40, name + u"帮助文档.lnk", u"main.chm", u"", u"查看 " + name + u" 的详细帮助文档"},
  };
}

bool SaveLink(const std::u16string& path, const std::u16string& target, const std::u16string& arguments,
              const std::u16string& description, const std::u16string& folder) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link)))) {
    return false;
  }
  link->SetPath(WidePtr(target.c_str()));
  link->SetDescription(WidePtr(description.c_str()));
  link->SetWorkingDirectory(WidePtr(folder.c_str()));
  link->SetIconLocation(WidePtr(target.c_str()), 0);
  link->SetArguments(WidePtr(arguments.c_str()));
  link->SetShowCmd(SW_SHOWNORMAL);
  IPersistFile* file = nullptr;
  bool saved = false;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    saved = SUCCEEDED(file->Save(WidePtr(path.c_str()), TRUE));
    file->Release();
  }
  link->Release();
  return saved;
}

}  // namespace

bool CreateShortcuts(const std::u16string& class_identifier, std::uint32_t flags, const std::u16string& display_name,
                     const std::u16string& install_location, const std::u16string& post_install_command) {
  const std::u16string folder = ShortcutFolder(display_name);
  if (!folder.empty() && (flags & kShortcutFolderBits)) {
    os::CreateDirectoryTree(folder.c_str());
    GrantAccess(WidePtr(folder.c_str()), Grant::kBinary);
    for (const LinkSpec& link : Links(class_identifier, display_name)) {
      if (!(flags & link.bit)) continue;
      SaveLink(JoinPath(folder, link.file), JoinPath(install_location, link.target), link.arguments, link.description,
               install_location);
    }
    SHChangeNotify(SHCNE_ALLEVENTS, SHCNF_PATHW | SHCNF_FLUSH, WidePtr(folder.c_str()), nullptr);
  }
  if (!post_install_command.empty()) {
    const SplitCommand command = SplitCommandLine(WithTrailingSeparator(install_location) + post_install_command);
    Start(command.program, command.parameters, SW_SHOWNORMAL);
  }
  return true;
}

void DeleteShortcuts(const std::u16string& display_name) {
  // An empty or composite name would make the folder the Programs folder itself or one outside it.
  const std::u16string folder = ShortcutFolder(display_name);
  if (folder.empty()) return;
  for (const LinkSpec& link : Links(u"", display_name)) DeleteFileW(WidePtr(JoinPath(folder, link.file).c_str()));
  RemoveDirectoryW(WidePtr(folder.c_str()));
  SHChangeNotify(SHCNE_RMDIR, SHCNF_PATHW | SHCNF_FLUSH, WidePtr(folder.c_str()), nullptr);
}

bool WriteBrokerSettings() {
  HKEY key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kBrokerAppIdKey, 0, nullptr, 0, KEY_WRITE | RegistryViews().front(), nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const DWORD flags = kAppIdFlags;
  bool ok = RegSetValueExW(key, L"AppIDFlags", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&flags), sizeof flags) ==
            ERROR_SUCCESS;
  const wchar_t run_as[] = L"Interactive User";
  ok = ok && RegSetValueExW(key, L"RunAs", 0, REG_SZ, reinterpret_cast<const BYTE*>(run_as), sizeof run_as) ==
                 ERROR_SUCCESS;
  for (const auto& [name, sddl] : {std::pair{L"AccessPermission", kBrokerAccessSddl},
                                   std::pair{L"LaunchPermission", kBrokerLaunchSddl}}) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ULONG size = 0;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, &size)) {
      ok = false;
      continue;
    }
    ok = ok && RegSetValueExW(key, name, 0, REG_BINARY, static_cast<const BYTE*>(descriptor), size) == ERROR_SUCCESS;
    LocalFree(descriptor);
  }
  RegCloseKey(key);
  return ok;
}

namespace {

constexpr DWORD kBrokerWaitMs = 10000;

// The broker files: the machine's own bitness first, then the 32-bit one of a 64-bit Windows.
std::vector<std::u16string> BrokerFolders(const SystemFolders& folders) {
  std::vector<std::u16string> out;
  for (const std::u16string& system : {folders.native_system_access, folders.wow64_system}) {
    if (!system.empty()) out.push_back(JoinPath(system, u"ime\\quorInput"));
  }
  return out;
}

// Runs the broker with its registration switch and waits for it, so that its registration is done (or
// known to have failed) before the install or uninstall goes on; the outcome goes to the log.
void RunBroker(const std::u16string& broker, const char16_t* parameter, const BrokerLog& log) {
  SHELLEXECUTEINFOW run{};
  run.cbSize = sizeof run;
  run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  run.lpVerb = L"open";
  run.lpFile = WidePtr(broker.c_str());
  run.lpParameters = WidePtr(parameter);
  run.nShow = SW_HIDE;
  std::u16string outcome;
  if (!ShellExecuteExW(&run) || !run.hProcess) {
    outcome = u"未能启动";
  } else {
    if (WaitForSingleObject(run.hProcess, kBrokerWaitMs) != WAIT_OBJECT_0) {
      outcome = u"10 秒内未结束";
    } else {
      DWORD code = 1;
      GetExitCodeProcess(run.hProcess, &code);
      outcome = std::u16string(u"退出码 ") + U16Ptr(std::to_wstring(code).c_str());
    }
    CloseHandle(run.hProcess);
  }
  if (log) log(u"      " + broker + u" " + parameter + u": " + outcome);
}

}  // namespace

void InstallBroker(FilePlacement& placement, const std::u16string& zipdatas, bool windows_above_6_1,
                   const BrokerLog& log) {
  const std::vector<std::u16string> folders = BrokerFolders(placement.folders());
  const char16_t* const sources[] = {placement.folders().windows_is_64_bit ? u"quorImeBrokerx64.exe"
                                                                            : u"quorImeBroker.exe",
                                     u"quorImeBroker.exe"};
  for (std::size_t i = 0; i < folders.size() && windows_above_6_1; ++i) {
    const std::u16string source = JoinPath(zipdatas, sources[i]);
    if (!Exists(source)) continue;  // a payload without a broker: nothing to place or start
    os::CreateDirectoryTree(folders[i].c_str());
    // Programs run from the system folder are readable and runnable, never writable, by the sandboxed.
    GrantAccess(WidePtr(folders[i].c_str()), Grant::kBinary);
    const std::u16string target = JoinPath(folders[i], u"quorImeBroker.exe");
    placement.CopyWithInUseReplacement(source, target);
    if (Exists(target)) RunBroker(target, u"/regserver", log);
  }
  // Up to Windows 6.1 no broker is used: none of its files goes anywhere, not even the install folder.
  for (const char16_t* name : {u"quorImeBrokerx64.exe", u"quorImeBroker.exe"}) {
    DeleteFileW(WidePtr(JoinPath(zipdatas, name).c_str()));
  }
}

void RemoveBroker(const SystemFolders& folders, const BrokerLog& log) {
  for (const std::u16string& folder : BrokerFolders(folders)) {
    const std::u16string broker = JoinPath(folder, u"quorImeBroker.exe");
    if (!Exists(broker)) continue;  // no broker was placed: nothing to start or delete
    RunBroker(broker, u"/unregserver", log);
    if (!DeleteFileW(WidePtr(broker.c_str()))) os::ScheduleAtRestart(broker.c_str());
  }
  DeleteKeyTree(HKEY_LOCAL_MACHINE, u"Software\\Classes\\AppID", u"{C9B4B7E7-0D22-46D5-AF14-EBC46D33B3AF}",
                RegistryViews().front());
}

InstallJobs::InstallJobs(SetupState& state, JobLog& log) : state_(state), log_(log), placement_(GetSystemFolders()) {
  placement_.passing_line = [](const std::u16string&) {};
}

std::u16string InstallJobs::DisplayName() const {
  return ReadFieldText(const_cast<SetupState&>(state_).Soft(), soft_block::kDisplayName, kShortUnits);
}
std::u16string InstallJobs::ImeName() const {
  return ReadFieldText(const_cast<SetupState&>(state_).Soft(), soft_block::kImeName, kShortUnits);
}

bool InstallJobs::UnregisterInstalled() {
  state_.unregistered = true;
  const std::u16string id = state_.class_identifier;
  if (ImeValue(id, u"IMEName").empty()) return true;
  // The installed copy's own command, from its registry entry: the new payload's may differ.
  const std::u16string command = ImeValue(id, u"UnstallCommand");
  if (!command.empty()) {
    const SplitCommand split = InstalledUninstallCommand(command, ImeValue(id, u"InstallLocation"));
    Start(split.program, split.parameters, SW_HIDE);
  }
  UnregisterTextService(id);
  return true;
}

void InstallJobs::RollBack(bool whole) {
  const std::u16string id = state_.class_identifier;
  UnregisterTextService(id);
  if (whole) {
    DeleteShortcuts(DisplayName());
    placement_.RemoveInstalledFiles(id, state_.data_location, state_.install_location, false);
    DeleteEntries(id);
    RemoveEverythingLeft(placement_);
    return;
  }
  // A failed upgrade or repair takes away only the folders this run made.
  if (made_install_folder_) placement_.RemoveFolder(state_.install_location, RemovalRoot::kInstallFolder, false);
  if (made_data_folder_) placement_.RemoveFolder(state_.data_location, RemovalRoot::kDataFolder, false);
}

bool InstallJobs::Install(const std::u16string& folder) {
  placement_.reboot_needed = false;
  const std::u16string id = state_.class_identifier;
  const std::uint32_t minor = SoftNumber(state_, soft_block::kDataVersion);
  os::CreateDirectoryTree(folder.c_str());
  state_.install_location = InstallTarget(folder, minor);
  state_.data_location = DataFolderPath(placement_.folders().common_app_data, id, VersionFolderName(minor));
  made_install_folder_ = !os::IsFolder(state_.install_location.c_str());
  made_data_folder_ = !os::IsFolder(state_.data_location.c_str());
  Log(0, u"请稍候安装完成....\r\n");

  UserWordBackup backup;
  const bool upgrade = state_.install_kind == InstallKind::kOlder || state_.install_kind == InstallKind::kSame;
  if (upgrade) {
    Log(5, u"  *.备份用户词库, 并卸载旧版安装信息....");
    // The installed copy's words are in its own data folder, named by its registry entry.
    const std::u16string installed_data = ImeValue(id, u"DataLocation");
    const std::u16string installed_name = ImeValue(id, u"DisplayName");
    backup = BackUpUserWords(installed_data, installed_name.empty() ? DisplayName() : installed_name);
    // The shipped settings replace the installed ones; the windows stay where the user put them.
    CarryInstalledWindowPlaces(installed_data, state_);
    UnregisterInstalled();
    // Words that could not be written out stay where they are.
    const bool keep_data = backup.had_user_words && backup.word_file.empty();
    placement_.RemoveInstalledFiles(id, u"", u"", state_.install_kind == InstallKind::kOlder, !keep_data);
    DeleteShortcuts(installed_name);
    DeleteEntries(id);
  }

  Log(10, u"  1.创建文件系统....");
  const bool above_6_1 = IsWindows8OrLater(os::GetOsVersion());
  InstallBroker(placement_, state_.zipdatas_folder, above_6_1, [this](const std::u16string& line) { Log(10, line); });
  if (above_6_1) WriteBrokerSettings();
  if (!placement_.PlacePayload(ImeName(), state_.zipdatas_folder, state_.install_location, state_.data_location)) {
    Log(0, kLineCannotPlace);
    Log(0, kLineInstallFailed);
    RollBack(state_.install_kind == InstallKind::kFresh);
    return false;
  }
  Log(25, u"  2.设置软件运行环境...");
  if (!WriteProductKey(id, state_.data_location, state_.install_location, state_.Soft()) ||
      !RegisterTextService(id, state_.Soft(), placement_.folders(), os::GetOsVersion())) {
    Log(0, kLineCannotRegister);
    Log(0, kLineInstallFailed);
    RollBack(state_.install_kind == InstallKind::kFresh);
    return false;
  }
  Log(40, u"  3.写入卸载信息...");
  if (!WriteUninstallEntry(id, RegisteredUser(state_.install_location, state_.unpacked_installer_path),
                           state_.Soft())) {
    Log(0, kLineCannotRegister);
    Log(0, kLineInstallFailed);
    RollBack(state_.install_kind == InstallKind::kFresh);
    return false;
  }
  Log(70, u"  4.创建开始菜单及桌面快捷方式...");
  CreateShortcuts(id, SoftNumber(state_, soft_block::kShortcutFlags), DisplayName(), state_.install_location,
                  SoftText(state_, soft_block::kPostInstallCommand, kCommandUnits));
  Log(55, u"  5.备份安装数据...");
  if (placement_.CopyWithInUseReplacement(state_.payload_zip_path, JoinPath(state_.install_location, u"_backup_.dat"))) {
    DeleteFileW(WidePtr(state_.payload_zip_path.c_str()));
  }
  Log(85, u"  7.清除安装程序创建的临时文件...");
  Log(100, u"  8.安装完成。\r\n");
  if (!backup.word_file.empty() && Exists(backup.word_file)) RestoreUserWords(backup.word_file, state_.data_location);
  state_.reboot_needed = placement_.reboot_needed;
  if (state_.reboot_needed) Log(100, u"  * 建议立即重新启动计算机以使安装生效.\r\n");
  return true;
}

bool InstallJobs::Repair() {
  placement_.reboot_needed = false;
  const std::u16string id = state_.class_identifier;
  Log(0, u"请稍候修复完成....\r\n");
  if (!state_.unregistered) UnregisterInstalled();
  Log(10, u"  1.备份用户数据....");
  // The data files are put back as shipped; the user's words come back from this backup.
  const UserWordBackup backup = BackUpUserWords(state_.data_location, DisplayName());
  if (offer_backup && !backup.word_file.empty()) offer_backup(backup.word_file);
  made_install_folder_ = !os::IsFolder(state_.install_location.c_str());
  made_data_folder_ = !os::IsFolder(state_.data_location.c_str());
  Log(20, u"  2.修复文件系统....");
  const bool keep_data = backup.had_user_words && backup.word_file.empty();
  if (keep_data) {
    // Words that could not be saved are not overwritten: the data files stay as they are.
    os::DeleteFolderTree(JoinPath(state_.zipdatas_folder, u"$dataFiles$").c_str(), false);
  }
  const bool above_6_1 = IsWindows8OrLater(os::GetOsVersion());
  InstallBroker(placement_, state_.zipdatas_folder, above_6_1, [this](const std::u16string& line) { Log(20, line); });
  if (above_6_1) WriteBrokerSettings();
  if (!placement_.PlacePayload(ImeName(), state_.zipdatas_folder, state_.install_location, state_.data_location)) {
    Log(0, kLineCannotPlace);
    Log(0, kLineRepairFailed);
    RollBack(false);
    return false;
  }
  Log(40, u"  3.修复软件运行环境...");
  if (!WriteProductKey(id, state_.data_location, state_.install_location, state_.Soft()) ||
      !RegisterTextService(id, state_.Soft(), placement_.folders(), os::GetOsVersion())) {
    Log(0, kLineRepairFailed);
    RollBack(false);
    return false;
  }
  Log(70, u"  4.修复开始菜单及桌面快捷方式...");
  CreateShortcuts(id, SoftNumber(state_, soft_block::kShortcutFlags), DisplayName(), state_.install_location, u"");
  Log(85, u"  5.清除安装程序创建的临时文件...");
  Sleep(kRepairPauseMs);
  if (!backup.word_file.empty()) RestoreUserWords(backup.word_file, state_.data_location);
  Log(100, u"  6.修复完成。\r\n");
  state_.reboot_needed = placement_.reboot_needed;
  if (state_.reboot_needed) Log(100, u"  * 部分文件需要在重新启动计算机后才能成功修复, 建议立即重新启动计算机.\r\n");
  return true;
}

void InstallJobs::Uninstall() {
  placement_.reboot_needed = false;
  const std::u16string id = state_.class_identifier;
  Log(0, u"请稍候卸载完成...\r\n");
  Log(5, u"  1.卸载输入接口...");
  Log(5, u"  * 备份用户词库....");
  const UserWordBackup backup = BackUpUserWords(ImeValue(id, u"DataLocation"), DisplayName());
  if (offer_backup && !backup.word_file.empty()) offer_backup(backup.word_file);
  Log(10, u"  2.删除语言栏项目...");
  if (!state_.unregistered) UnregisterInstalled();
  Log(40, u"  3.删除文件系统...");
  placement_.RemoveInstalledFiles(id, u"", u"", true);
  const std::u16string display_name = ImeValue(id, u"DisplayName");
  Log(60, u"  4.删除快捷方式...");
  DeleteShortcuts(display_name.empty() ? DisplayName() : display_name);
  Log(70, u"  5.卸载字体...");
  Log(90, u"  6.卸载软件信息...");
  DeleteEntries(id);
  if (NothingLeft()) {
    Log(80, u"      执行完整卸载...");
    RemoveEverythingLeft(placement_);
    RemoveBroker(placement_.folders(), [this](const std::u16string& line) { Log(80, line); });
  }
  Log(100, u"  7.卸载完成。\r\n");
  state_.reboot_needed = placement_.reboot_needed;
  if (state_.reboot_needed) Log(100, u"  * 部分文件需要在重新启动计算机后删除.\r\n");
}

int RunUnpack(SetupState& state, const UnpackProgress& progress) {
  if (!state.temp_copy && !CarvePayload(state.own_path.c_str(), state.payload_zip_path.c_str())) return kDialogCancel;
  os::DeleteFolderTree(state.zipdatas_folder.c_str(), false);
  if (UnpackPayload(state.payload_zip_path.c_str(), state.zipdatas_folder, progress)) return kDialogOk;
  // Nothing of a refused or half-written payload stays to be installed.
  os::DeleteFolderTree(state.zipdatas_folder.c_str(), false);
  return kDialogCancel;
}

std::u16string DefaultInstallFolder(SetupState& state) {
  // The program-files folder and the payload's folder name, or the folder of an installed copy.
  std::u16string folder = WithTrailingSeparator(ShellFolder(CSIDL_PROGRAM_FILES)) +
                          ReadFieldText(state.Soft(), soft_block::kDefaultFolderName, kShortUnits) + u"\\";
  const std::u16string installed_location = ImeValue(state.class_identifier, u"InstallLocation");
  if (!installed_location.empty() && installed_location.back() == u'\\') {
    const std::u16string parent = ParentFolder(installed_location);
    if (!parent.empty()) folder = parent;
  }
  return folder;
}

bool CheckInstall(SetupState& state, StartupHost& host, const std::u16string& folder) {
  const std::u16string id = state.class_identifier;
  const std::u16string display_name = ReadFieldText(state.Soft(), soft_block::kDisplayName, kShortUnits);
  const std::u16string ime_name = ReadFieldText(state.Soft(), soft_block::kImeName, kShortUnits);
  const std::uint32_t minor = SoftNumber(state, soft_block::kDataVersion);
  const SystemFolders folders = GetSystemFolders();
  auto refuse = [&](const char16_t* text) {
    host.Message(text, kCaptionInstall, kStyleError);
    return false;
  };
  if (!IsPlainFileName(ime_name) || id.empty()) return refuse(kTextBadPayload);

  const std::u16string target = InstallTarget(folder, minor);
  const std::u16string data_root = DataFolderPath(folders.common_app_data, id, u"");

  // A restart still owed to an earlier run: its marker, or moves waiting for files this install writes.
  const std::u16string marker = DataFolderPath(folders.common_app_data, u"", u"") + id + u".lock";
  if (Exists(marker) ||
      PendingMovesBlockInstall(PendingMoveSources(), {target, data_root}, {ime_name + u".dll"})) {
    return refuse(kTextNeedsRestart);
  }
  const std::u16string same_name = FindProductByValue(u"DisplayName", display_name);
  if (!same_name.empty() && same_name != id) return refuse(kTextSameName);
  if (folder.empty()) return refuse(kTextNoFolder);
  const std::u16string same_folder = FindProductByValue(u"InstallLocation", target);
  if (!same_folder.empty() && same_folder != id) return refuse(kTextFolderTaken);

  state.install_kind = CompareInstalled(minor, ReadInstalledVersion(id));
  switch (state.install_kind) {
    case InstallKind::kFresh:
      return true;
    case InstallKind::kOlder:
    case InstallKind::kSame:
      // A silent run answers yes for the user.
      return state.silent ||
             host.Message(state.install_kind == InstallKind::kOlder ? kTextOlderInstalled : kTextSameInstalled,
                          display_name.c_str(), kStyleExclamationYesNo) == IDYES;
    case InstallKind::kNewer:
      host.Message(kTextNewerInstalled, display_name.c_str(), kStyleExclamation);
      return false;
  }
  return false;
}

int RunInstall(SetupState& state, StartupHost& host, JobLog& log) {
  const std::u16string folder = DefaultInstallFolder(state);
  if (!CheckInstall(state, host, folder)) return kDialogCancel;
  InstallJobs jobs(state, log);
  return jobs.Install(folder) ? kDialogOk : kDialogCancel;
}

int RunRepairJob(SetupState& state, StartupHost&, JobLog& log) {
  InstallJobs jobs(state, log);
  return jobs.Repair() ? kDialogOk : kDialogCancel;
}

int RunUninstallJob(SetupState& state, JobLog& log) {
  InstallJobs jobs(state, log);
  jobs.Uninstall();
  return kDialogOk;
}

}  // namespace lz::installer
