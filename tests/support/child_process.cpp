#include "tests/support/child_process.h"

#include <cstring>
#include <map>

#ifdef _WIN32
#include <windows.h>
#else
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
int RunChild(const std::vector<std::string>& args) {
  wchar_t self[MAX_PATH];
  if (!GetModuleFileNameW(nullptr, self, MAX_PATH)) return -1;
  std::wstring command = L"\"" + std::wstring(self) + L"\" --child";
  for (const std::string& a : args) command += L" \"" + std::wstring(a.begin(), a.end()) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}
#else
int RunChild(const std::vector<std::string>& args) {
  std::vector<std::string> all = {"/proc/self/exe", kChildFlag};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}
#endif

}  // namespace lz::test
