#include "tools/tabletool/tests/tool_run.h"

#include <sys/wait.h>

#include <cstdio>

namespace lz::tabletool {

ToolRun Tabletool(const std::string& arguments) {
  const std::string command = std::string(TABLETOOL_PATH) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ToolRun run{-1, ""};
  if (!pipe) return run;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  const int status = pclose(pipe);
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace lz::tabletool
