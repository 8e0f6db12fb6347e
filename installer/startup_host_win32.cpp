#include "installer/startup_host_win32.h"

#include <sddl.h>
#include <shlobj.h>

#include <cstdio>
#include <memory>
#include <string>

#include "installer/install_jobs_win32.h"
#include "installer/setup_dialogs_win32.h"
#include "installer/work_paths.h"
#include "platform/os/folder_tree.h"
#include "platform/os/message_box.h"
#include "platform/os/native_path.h"

namespace lz::installer {
namespace {

using os::U16Ptr;
using os::WidePtr;

constexpr int kMaxPrivateFolders = 100;
constexpr int kSelfDeleteAttempts = 5;
constexpr int kRemoveAttempts = 50;
constexpr DWORD kRemoveRetryMs = 100;
// Only the machine's administrators and the system may touch the private copy's folder: nobody can put
// a DLL beside the elevated copy or swap the copy before it starts.
constexpr wchar_t kPrivateFolderSddl[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

std::u16string TempFolder() {
  wchar_t temp[MAX_PATH] = {};
  return GetTempPathW(MAX_PATH, temp) ? std::u16string(U16Ptr(temp)) : std::u16string();
}

std::u16string Quoted(const std::u16string& path) { return u"\"" + path + u"\""; }

}  // namespace

void AppendLog(const std::u16string& line) {
  const std::u16string path = LogPath();
  if (path.empty()) return;
  HANDLE file = CreateFileW(WidePtr(path.c_str()), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::u16string text = line + u"\r\n";
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, WidePtr(text.c_str()), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, nullptr);
  std::string utf8(bytes > 0 ? bytes : 0, '\0');
  if (bytes > 0) {
    WideCharToMultiByte(CP_UTF8, 0, WidePtr(text.c_str()), static_cast<int>(text.size()), utf8.data(), bytes, nullptr,
                        nullptr);
  }
  DWORD written = 0;
  WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(file);
}

namespace {

// The jobs' lines: the log of the run.
class FileJobLog : public JobLog {
 public:
  void Line(int, const std::u16string& text) override { AppendLog(text); }
};

// A new folder below the work folder that only administrators and the system can use.
std::u16string MakePrivateFolder(const std::u16string& work_folder) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kPrivateFolderSddl, SDDL_REVISION_1, &descriptor,
                                                            nullptr)) {
    return {};
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  std::u16string made;
  for (int n = 0; n < kMaxPrivateFolders && made.empty(); ++n) {
    wchar_t name[40];
    wsprintfW(name, L"copy%08x%02x", static_cast<unsigned>(GetTickCount() ^ GetCurrentProcessId()), n);
    const std::u16string folder = JoinPath(work_folder, U16Ptr(name));
    // Creation fails for a name that exists: the folder is always new, never one made by someone else.
    if (!folder.empty() && CreateDirectoryW(WidePtr(folder.c_str()), &attributes)) made = folder;
  }
  LocalFree(descriptor);
  return made;
}

}  // namespace

std::u16string LogPath() { return InstallerTempSubPath(TempFolder(), kLogFileName); }

std::u16string OwnArguments() {
  const wchar_t* line = GetCommandLineW();
  if (!line) return {};
  // The program's name ends at the closing quote when it starts with one, else at the first blank.
  if (*line == L'"') {
    ++line;
    while (*line && *line != L'"') ++line;
    if (*line) ++line;
  } else {
    while (*line && *line != L' ' && *line != L'\t') ++line;
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return U16Ptr(line);
}

StartupHostWin32::~StartupHostWin32() {
  if (mutex_) CloseHandle(mutex_);
}

int StartupHostWin32::Message(const char16_t* text, const char16_t* caption, std::uint32_t style) {
  if (state_.silent) {
    AppendLog(std::u16string(caption) + u": " + text);
    return os::kAnswerNo;
  }
  return os::ShowMessageBox(nullptr, text, caption, style);
}

bool StartupHostWin32::TakeInstallerMutex() {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, kInstallerMutexName);
  const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  if (!mutex) return false;
  if (existed) {
    CloseHandle(mutex);
    return false;
  }
  // Held, not owned, until the process ends.
  mutex_ = mutex;
  return true;
}

bool StartupHostWin32::CreateWorkFolder(const std::u16string& folder) {
  return os::CreateDirectoryTree(folder.c_str()) != 0;
}

void StartupHostWin32::RemoveWorkFolder(const std::u16string& folder) {
  if (folder.empty()) return;
  // A copy that has just ended may hold its program file a moment longer; the removal is tried again
  // for a while, then left to the next run (which removes the work folder first).
  for (int attempt = 0; attempt < kRemoveAttempts; ++attempt) {
    if (os::DeleteFolderTree(folder.c_str(), false).removed || !os::IsFolder(folder.c_str())) return;
    Sleep(kRemoveRetryMs);
  }
}

std::u16string StartupHostWin32::CommonAppDataFolder() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) {
    return {};
  }
  return U16Ptr(path);
}

std::uint32_t StartupHostWin32::ReadImeLanguage(const char16_t* class_identifier) {
  const std::u16string key = std::u16string(u"Software\\LanzoIME4\\") + class_identifier;
  DWORD value = 0, bytes = sizeof value;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, WidePtr(key.c_str()), L"LANGID", RRF_RT_REG_DWORD, nullptr, &value, &bytes) !=
      ERROR_SUCCESS) {
    return 0;
  }
  return value;
}

CopyStart StartupHostWin32::StartPrivateCopy(const std::u16string& source, const std::u16string& arguments, bool wait,
                                             int& exit_code) {
  const std::u16string folder = MakePrivateFolder(state_.work_folder);
  const std::u16string copy = folder.empty() ? folder : JoinPath(folder, u"stavel.exe");
  if (copy.empty() || !CopyFileW(WidePtr(source.c_str()), WidePtr(copy.c_str()), FALSE)) {
    if (!folder.empty()) os::DeleteFolderTree(folder.c_str(), false);
    return CopyStart::kCopyFailed;
  }
  std::u16string command = Quoted(copy) + u" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(WidePtr(copy.c_str()), WidePtr(command.data()), nullptr, nullptr, FALSE, 0, nullptr,
                      WidePtr(state_.work_folder.c_str()), &startup, &process)) {
    os::DeleteFolderTree(folder.c_str(), false);
    return CopyStart::kStartFailed;
  }
  CloseHandle(process.hThread);
  if (wait) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    exit_code = static_cast<int>(code);
  }
  CloseHandle(process.hProcess);
  return CopyStart::kStarted;
}

int StartupHostWin32::RunUnpacking(SetupState& state) {
  if (state.silent) return RunUnpack(state);
  ExtractDialog dialog(GetModuleHandleW(nullptr), RealExtractWork(state));
  return dialog.RunModal(nullptr) == IDOK ? kDialogOk : kDialogCancel;
}

// A silent run answers for the user: the agreement counts as accepted, and the jobs write their lines
// into the log file without a dialog.
int StartupHostWin32::RunAgreement(SetupState& state) {
  if (state.silent) return kDialogOk;
  const std::unique_ptr<AgreementBrowser> browser = MakeAgreementBrowser();
  AgreementDialog page(GetModuleHandleW(nullptr), state, *browser);
  return page.RunModal(nullptr) == IDOK ? kDialogOk : kDialogCancel;
}

int StartupHostWin32::RunInstallWizard(SetupState& state) {
  if (state.silent) {
    FileJobLog log;
    return RunInstall(state, *this, log);
  }
  const HINSTANCE module = GetModuleHandleW(nullptr);
  const std::unique_ptr<AgreementBrowser> browser = MakeAgreementBrowser();
  InstallWizard wizard(module, state, RealWizardActions(state, *this, module, *browser));
  return wizard.RunModal(nullptr) == IDOK ? kDialogOk : kDialogCancel;
}

int StartupHostWin32::RunRepair(SetupState& state) {
  if (state.silent) {
    FileJobLog log;
    return RunRepairJob(state, *this, log);
  }
  RepairDialog dialog(GetModuleHandleW(nullptr), state, RealRepairJob(state));
  return dialog.RunModal(nullptr) == IDOK ? kDialogOk : kDialogCancel;
}

int StartupHostWin32::RunUninstall(SetupState& state) {
  if (state.silent) {
    FileJobLog log;
    return RunUninstallJob(state, log);
  }
  UninstallDialog dialog(GetModuleHandleW(nullptr), state, RealUninstallJob(state));
  return dialog.RunModal(nullptr) == IDOK ? kDialogOk : kDialogCancel;
}

void StartupHostWin32::DeleteOwnCopy() {
  const std::u16string own = state_.own_path;
  const std::size_t separator = own.find_last_of(u'\\');
  if (own.empty() || separator == std::u16string::npos) return;
  const std::u16string folder = own.substr(0, separator);
  // Whatever the command interpreter cannot do, the restart does.
  os::ScheduleAtRestart(own.c_str());
  os::ScheduleAtRestart(folder.c_str());
  // The work folder goes too once nothing else is in it (the restart, like "rmdir", takes no folder that
  // holds anything).
  const std::u16string work = folder.substr(0, folder.find_last_of(u'\\'));
  const std::u16string own_work = WithTrailingSeparator(state_.work_folder);
  const bool in_work_folder =
      !state_.work_folder.empty() && work.find(u'\\') != std::u16string::npos &&
      CompareStringOrdinal(WidePtr(WithTrailingSeparator(work).c_str()), -1, WidePtr(own_work.c_str()), -1, TRUE) ==
          CSTR_EQUAL;
  if (in_work_folder) os::ScheduleAtRestart(work.c_str());
  wchar_t comspec[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"COMSPEC", comspec, MAX_PATH)) return;
  SetFileAttributesW(WidePtr(own.c_str()), FILE_ATTRIBUTE_NORMAL);
  // Long paths, quoted: a short name may be missing, and a blank would split an unquoted path. The
  // interpreter waits a moment and tries again, a few times, until this process has ended and its file
  // is free (a plain sequence: not every command interpreter repeats a "for /l" body given with /c).
  std::u16string command = Quoted(U16Ptr(comspec)) + u" /c ";
  for (int attempt = 0; attempt < kSelfDeleteAttempts; ++attempt) {
    command += u"ping -n 2 127.0.0.1 >nul 2>&1 & if exist " + Quoted(own) + u" del /f /q " + Quoted(own) +
               u" >nul 2>&1 & ";
  }
  command += u"rmdir /q " + Quoted(folder) + u" >nul 2>&1";
  if (in_work_folder) command += u" & rmdir /q " + Quoted(work) + u" >nul 2>&1";
    STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, WidePtr(command.data()), nullptr, nullptr, FALSE,
                      CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, L"C:\\", &startup, &process)) {
    return;
  }
  // The interpreter waits for processor time while this process hurries to its end.
  SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
  SetPriorityClass(process.hProcess, IDLE_PRIORITY_CLASS);
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace lz::installer
