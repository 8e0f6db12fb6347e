#include "installer/crash_dump_win32.h"

#include <dbghelp.h>
#include <shellapi.h>

#include "installer/work_paths.h"
#include "platform/os/folder_tree.h"
#include "platform/os/native_path.h"

namespace lz::installer {
namespace {

using os::WidePtr;

bool g_silent = false;

using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                          PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);

bool IsNtdll(const wchar_t* path) {
  if (!path) return false;
  const wchar_t* name = path;
  for (const wchar_t* p = path; *p; ++p) {
    if (*p == L'\\' || *p == L'/') name = p + 1;
  }
  return CompareStringOrdinal(name, 5, L"ntdll", 5, TRUE) == CSTR_EQUAL && (name[5] == 0 || name[5] == L'.');
}

BOOL CALLBACK DumpCallback(PVOID, PMINIDUMP_CALLBACK_INPUT input, PMINIDUMP_CALLBACK_OUTPUT output) {
  if (!input || !output) return FALSE;
  switch (input->CallbackType) {
    case ModuleCallback:
      if (!IsNtdll(input->Module.FullPath)) output->ModuleWriteFlags &= ~ModuleWriteDataSeg;
      return TRUE;
    case ThreadCallback:
    case ThreadExCallback:
    case IncludeThreadCallback:
    case IncludeModuleCallback:
      return TRUE;
    default:
      return FALSE;
  }
}

LONG WINAPI Filter(EXCEPTION_POINTERS* exception) {
  wchar_t temp[MAX_PATH] = {};
  const std::u16string path = GetTempPathW(MAX_PATH, temp) ? CrashDumpPath(os::U16Ptr(temp)) : std::u16string();
  const std::u16string folder = path.empty() ? path : path.substr(0, path.find_last_of(u'\\'));
  if (!path.empty() && os::CreateDirectoryTree(folder.c_str())) {
    // dbghelp only from the system folder: a dbghelp.dll beside the installer in a download folder is
    // never loaded.
    wchar_t system[MAX_PATH] = {};
    HMODULE dbghelp = nullptr;
    if (GetSystemDirectoryW(system, MAX_PATH)) {
      const std::wstring library = std::wstring(system) + L"\\dbghelp.dll";
      dbghelp = LoadLibraryExW(library.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    const auto write = dbghelp ? reinterpret_cast<MiniDumpWriteDumpFn>(
                                     reinterpret_cast<void*>(GetProcAddress(dbghelp, "MiniDumpWriteDump")))
                               : nullptr;
    HANDLE file = CreateFileW(WidePtr(path.c_str()), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      if (write) {
        MINIDUMP_EXCEPTION_INFORMATION info{GetCurrentThreadId(), exception, FALSE};
        MINIDUMP_CALLBACK_INFORMATION callback{DumpCallback, nullptr};
        write(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal, &info, nullptr, &callback);
      }
      CloseHandle(file);
    }
    if (!g_silent && MessageBoxW(nullptr, WidePtr(kTextCrash), WidePtr(kCaptionCrash), MB_YESNO) == IDYES) {
      const std::u16string parameters = u"/select,\"" + path + u"\"";
      ShellExecuteW(nullptr, L"open", L"Explorer.exe", WidePtr(parameters.c_str()), nullptr, SW_SHOWNORMAL);
    }
  }
  // Whatever happened above, the process ends here: it never resumes at the faulting instruction.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exception && exception->ExceptionRecord
                                                              ? exception->ExceptionRecord->ExceptionCode
                                                              : 1));
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

std::u16string CrashDumpPath(const std::u16string& temp_folder) {
  const std::u16string folder = JoinPath(temp_folder, kDumpFolderName);
  return folder.empty() ? folder : JoinPath(folder, u"core.dmp");
}

void InstallCrashFilter(bool silent) {
  g_silent = silent;
  SetUnhandledExceptionFilter(Filter);
}

}  // namespace lz::installer
