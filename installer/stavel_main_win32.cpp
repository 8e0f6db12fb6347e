// The program stavel: the installer's start-up on Windows.
#include <windows.h>
#include <commctrl.h>
#include <imm.h>
#include <ole2.h>

#include <memory>

#include "installer/command_line.h"
#include "installer/crash_dump_win32.h"
#include "installer/registry_entries_win32.h"
#include "installer/startup_host_win32.h"
#include "platform/os/native_path.h"
#include "platform/os/system_info.h"

namespace {

// Libraries are loaded from the system folder only: an elevated installer started from a download
// folder must not pick up a DLL that lies beside it. The call exists from Windows 8 on (and on 7 with
// its update), so it is looked up.
void LoadLibrariesFromSystemOnly() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto set = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(
                                reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
                          : nullptr;
  if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  LoadLibrariesFromSystemOnly();
  using namespace lz::installer;
  const std::u16string arguments = OwnArguments();
  INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
  InitCommonControlsEx(&controls);
  ImmDisableIME(0);
  InstallCrashFilter(ParseCommandLine(arguments).silent);
  // OLE, not only COM: the agreement page holds the system's web control in place.
  if (FAILED(OleInitialize(nullptr))) return kExitFailed;

  auto state = std::make_unique<SetupState>();
  StartupInput input;
  input.arguments = arguments;
  input.os_major = os::GetOsVersion().major;
  wchar_t path[MAX_PATH] = {};
  if (GetTempPathW(MAX_PATH, path)) input.temp_folder = os::U16Ptr(path);
  input.windows_is_64_bit = IsWindows64Bit();
  const DWORD units = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (units > 0 && units < MAX_PATH) input.own_path = os::U16Ptr(path);
  // The host reads the run's flags from the state as the start-up fills it in.
  StartupHostWin32 host(*state);
  const int code = RunStartup(input, *state, host);
  OleUninitialize();
  return code;
}
