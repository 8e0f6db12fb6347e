#pragma once
// tabletool as developers and tests run it: the built program through its command line.
#include <string>

namespace lz::tabletool {

struct ToolRun {
  int exit_code;       // -1 when the program could not be started or did not exit by itself
  std::string output;  // what it wrote to standard output and standard error, in order
};

ToolRun Tabletool(const std::string& arguments);

}  // namespace lz::tabletool
