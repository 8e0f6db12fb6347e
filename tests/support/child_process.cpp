#include "tests/support/child_process.h"

#include <cstring>
#include <map>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace lz::test {
namespace {

std::map<std::string, ChildMain>& Modes() {
  static std::map<std::string, ChildMain> modes;
  return modes;
}

constexpr const char* kChildFlag = "--child";

}  // namespace

bool RegisterChildMode(const char* name, ChildMain fn) {
  Modes()[name] = fn;
  return true;
}

int RunChild(const std::vector<std::string>& args) {
  ChildProcess child;
  return StartChild(args, child) ? WaitChild(child) : -1;
}

bool DispatchChild(int argc, char** argv, int& exit_code) {
  if (argc < 3 || std::strcmp(argv[1], kChildFlag) != 0) return false;
  const auto it = Modes().find(argv[2]);
  if (it == Modes().end()) {
    exit_code = 100;
    return true;
  }
  exit_code = it->second(std::vector<std::string>(argv + 3, argv + argc));
  return true;
}

#ifdef _WIN32
bool StartChild(const std::vector<std::string>& args, ChildProcess& child) {
  child = ChildProcess{};
  wchar_t self[MAX_PATH];
  if (!GetModuleFileNameW(nullptr, self, MAX_PATH)) return false;
  std::wstring command = L"\"" + std::wstring(self) + L"\" --child";
  for (const std::string& a : args) command += L" \"" + std::wstring(a.begin(), a.end()) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  child.handle = reinterpret_cast<std::intptr_t>(process.hProcess);
  return true;
}

bool KillChild(const ChildProcess& child) {
  constexpr UINT kKilledExitCode = 137;
  return child.handle && TerminateProcess(reinterpret_cast<HANDLE>(child.handle), kKilledExitCode);
}

int WaitChild(ChildProcess& child) {
  if (!child.handle) return -1;
  HANDLE process = reinterpret_cast<HANDLE>(child.handle);
  WaitForSingleObject(process, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  child = ChildProcess{};
  return static_cast<int>(code);
}
#else
bool StartChild(const std::vector<std::string>& args, ChildProcess& child) {
  child = ChildProcess{};
  std::vector<std::string> all = {"/proc/self/exe", kChildFlag};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) != 0) return false;
  child.handle = pid;
  return true;
}

bool KillChild(const ChildProcess& child) {
  return child.handle && kill(static_cast<pid_t>(child.handle), SIGKILL) == 0;
}

int WaitChild(ChildProcess& child) {
  if (!child.handle) return -1;
  int status = 0;
  const auto pid = static_cast<pid_t>(child.handle);
  child = ChildProcess{};
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}
#endif

}  // namespace lz::test
