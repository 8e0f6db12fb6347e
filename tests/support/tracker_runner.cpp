#include "tests/support/tracker_runner.h"

#include <windows.h>

#include <string>

#include "tests/support/temp_folder.h"

namespace lz::test {
namespace {

constexpr DWORD kWaitMs = 30000;

struct Search {
  DWORD process = 0;
  HWND found = nullptr;
};

BOOL CALLBACK FindMainWindow(HWND hwnd, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  wchar_t name[32] = {};
  GetClassNameW(hwnd, name, 32);
  if (process == search->process && lstrcmpW(name, L"LzForm") == 0 && !GetWindow(hwnd, GW_OWNER)) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

PenduloRun RunPendulo(const std::filesystem::path& program, const std::filesystem::path& folder,
                      const std::optional<std::vector<std::uint8_t>>& settings, const std::vector<int>& commands) {
  PenduloRun run;
  const std::filesystem::path copy = folder / "Pendulo.exe";
  std::filesystem::copy_file(program, copy, std::filesystem::copy_options::overwrite_existing);
  const std::filesystem::path file = folder / "Wexrad.txt";
  if (settings) WriteFileBytes(file, *settings);

  std::wstring command_line = L"\"" + copy.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(copy.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &startup, &process)) {
    return run;
  }
  run.started = true;

  Search search;
  search.process = process.dwProcessId;
  for (DWORD waited = 0; waited < kWaitMs && !search.found; waited += 50) {
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
    if (!search.found) Sleep(50);
  }
  if (search.found) {
    run.window_found = true;
    DWORD_PTR ignored = 0;
    // A message answered means start-up has finished and the program's loop runs.
    SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_NORMAL, kWaitMs, &ignored);
    run.window_visible = IsWindowVisible(search.found) != FALSE;
    for (const int command : commands) {
      SendMessageTimeoutW(search.found, WM_COMMAND, static_cast<WPARAM>(command), 0, SMTO_NORMAL, kWaitMs, &ignored);
    }
    PostMessageW(search.found, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(process.hProcess, kWaitMs) == WAIT_OBJECT_0) {
    run.ended = true;
    GetExitCodeProcess(process.hProcess, &run.exit_code);
  } else {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, kWaitMs);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (std::filesystem::exists(file)) run.settings = ReadFileBytes(file);
  return run;
}

}  // namespace lz::test
