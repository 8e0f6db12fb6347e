#pragma once
// Tests that need a second process run their own program again in a named child mode:
//   LZ_CHILD_MODE(grow_shared_file) { ... return exit code; }
//   EXPECT_EQ(lz::test::RunChild({"grow_shared_file", path}), 0);
// The program's main() (test_main.cpp) sends "--child NAME ARGS..." to the mode instead of GoogleTest.
#include <cstdint>
#include <string>
#include <vector>

namespace lz::test {

using ChildMain = int (*)(const std::vector<std::string>& args);

// Registers a child mode; used through LZ_CHILD_MODE.
bool RegisterChildMode(const char* name, ChildMain fn);

// Runs this test program again as "--child args[0] args[1..]"; returns its exit code, or -1 when it
// could not be started.
int RunChild(const std::vector<std::string>& args);

// The same without waiting, so several children can run at once: Start, then Wait for the exit code.
struct ChildProcess {
  std::intptr_t handle = 0;
};
bool StartChild(const std::vector<std::string>& args, ChildProcess& child);
int WaitChild(ChildProcess& child);
// Ends a running child at once, as a crash or a kill from outside would (SIGKILL, TerminateProcess); it
// gets no chance to release anything. WaitChild still collects it.
bool KillChild(const ChildProcess& child);

// Called by main(): true when argv asks for a child mode (its exit code is stored in exit_code).
bool DispatchChild(int argc, char** argv, int& exit_code);

}  // namespace lz::test

#define LZ_CHILD_MODE(name)                                                                         \
  static int ChildMode_##name(const std::vector<std::string>& args);                                \
  [[maybe_unused]] static const bool child_mode_registered_##name =                                 \
      ::lz::test::RegisterChildMode(#name, &ChildMode_##name);                                      \
  static int ChildMode_##name([[maybe_unused]] const std::vector<std::string>& args)
