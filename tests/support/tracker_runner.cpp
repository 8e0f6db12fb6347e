#include "tests/support/tracker_runner.h"

#include <windows.h>

#include <shellapi.h>

#include <string>

#include "tests/support/temp_folder.h"
#include "tracker/main/command_ids.h"

namespace lz::test {
namespace {

// Generous: on a two-core machine running other Wine programs, a quit that saves its files has taken
// over 30 s.
constexpr DWORD kWaitMs = 90000;
// A new prefix's notification area may not take the first icon at once; the program offers it again.
constexpr DWORD kIconWaitMs = 8000;

struct Search {
  DWORD process = 0;
  HWND found = nullptr;
};

// Every form of the program is an unowned "LzForm" (the memo is made at start-up too), so the main
// window is told by its caption: "Pendulo" until the first tick, " Pendulo - [ Current Time ... ]" after.
bool IsMainCaption(const std::wstring& caption) {
  return caption == L"Pendulo" || caption.rfind(L" Pendulo - ", 0) == 0;
}

BOOL CALLBACK FindMainWindow(HWND hwnd, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  wchar_t name[32] = {};
  GetClassNameW(hwnd, name, 32);
  wchar_t caption[64] = {};
  GetWindowTextW(hwnd, caption, 64);
  if (process == search->process && lstrcmpW(name, L"LzForm") == 0 && !GetWindow(hwnd, GW_OWNER) &&
      IsMainCaption(caption)) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// The program's "Quit" question box, when one is up.
BOOL CALLBACK FindQuitQuestion(HWND hwnd, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  wchar_t name[32] = {};
  wchar_t caption[32] = {};
  GetClassNameW(hwnd, name, 32);
  GetWindowTextW(hwnd, caption, 32);
  if (process == search->process && lstrcmpW(name, L"#32770") == 0 && lstrcmpW(caption, L"Quit") == 0 &&
      IsWindowVisible(hwnd)) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

struct Shown {
  DWORD process = 0;
  std::string list;
};

BOOL CALLBACK ListShownWindow(HWND hwnd, LPARAM context) {
  auto* shown = reinterpret_cast<Shown*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  if (process != shown->process || !IsWindowVisible(hwnd)) return TRUE;
  char name[64] = {};
  char caption[128] = {};
  GetClassNameA(hwnd, name, sizeof name);
  GetWindowTextA(hwnd, caption, sizeof caption);
  shown->list += std::string(" [") + name + " \"" + caption + "\"]";
  return TRUE;
}

// Notes a step the program left unanswered, with the windows it shows at that moment.
void NoteStuck(PenduloRun& run, DWORD process, const std::string& step) {
  Shown shown;
  shown.process = process;
  EnumWindows(ListShownWindow, reinterpret_cast<LPARAM>(&shown));
  run.stuck += step + " not answered; visible windows:" + (shown.list.empty() ? " none" : shown.list) + "\n";
}

// Sends a message as a menu or the system would, noting it when the program does not answer in time.
DWORD_PTR SendStep(PenduloRun& run, DWORD process, HWND window, UINT message, WPARAM wparam,
                   const std::string& step) {
  DWORD_PTR answer = 0;
  if (SendMessageTimeoutW(window, message, wparam, 0, SMTO_NORMAL, kWaitMs, &answer) == 0) {
    NoteStuck(run, process, step);
  }
  return answer;
}

std::optional<std::vector<std::uint8_t>> SettingsOf(const std::filesystem::path& file) {
  if (!std::filesystem::exists(file)) return std::nullopt;
  return ReadFileBytes(file);
}

}  // namespace

bool HasTrayIcon(void* hwnd) {
  NOTIFYICONDATAW probe{};
  probe.cbSize = sizeof probe;
  probe.hWnd = static_cast<HWND>(hwnd);
  probe.uID = 1;
  return Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

PenduloRun RunPendulo(const std::filesystem::path& program, const std::filesystem::path& folder,
                      const std::optional<std::vector<std::uint8_t>>& settings, const std::vector<int>& commands,
                      bool ask_end_session) {
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
  HWND window = search.found;
  const DWORD id = process.dwProcessId;
  if (!window) NoteStuck(run, id, "start-up (no main window)");
  if (window) {
    run.window_found = true;
    // A message answered means start-up has finished and the program's loop runs.
    SendStep(run, id, window, WM_NULL, 0, "start-up (WM_NULL)");
    run.window_visible = IsWindowVisible(window) != FALSE;
    for (DWORD waited = 0; waited < kIconWaitMs && !run.icon_at_start; waited += 100) {
      run.icon_at_start = HasTrayIcon(window);
      if (!run.icon_at_start) Sleep(100);
    }
    for (const int command : commands) {
      SendStep(run, id, window, WM_COMMAND, static_cast<WPARAM>(command), "command " + std::to_string(command));
    }
    if (ask_end_session) {
      run.end_session_answer =
          static_cast<long long>(SendStep(run, id, window, WM_QUERYENDSESSION, 0, "WM_QUERYENDSESSION"));
      run.settings_after_end_session = SettingsOf(file);
    }
    SendStep(run, id, window, WM_CLOSE, 0, "WM_CLOSE");
    run.visible_after_close = IsWindowVisible(window) != FALSE;
    run.icon_after_close = HasTrayIcon(window);
    run.settings_after_close = SettingsOf(file);
    PostMessageW(window, WM_COMMAND, tracker::kCmdQuit, 0);
  }
  bool ended = false;
  for (DWORD waited = 0; waited < kWaitMs && !ended; waited += 100) {
    ended = WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0;
    if (ended) break;
    Search question;
    question.process = process.dwProcessId;
    EnumWindows(FindQuitQuestion, reinterpret_cast<LPARAM>(&question));
    if (question.found) PostMessageW(question.found, WM_COMMAND, IDNO, 0);
  }
  if (!ended) NoteStuck(run, id, "Quit (the program did not end)");
  if (ended) {
    run.ended = true;
    GetExitCodeProcess(process.hProcess, &run.exit_code);
    if (window) run.icon_after_quit = HasTrayIcon(window);
  } else {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, kWaitMs);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  run.settings = SettingsOf(file);
  return run;
}

}  // namespace lz::test
