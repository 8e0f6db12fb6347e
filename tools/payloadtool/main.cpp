// payloadtool: makes the one installer file.
//   payloadtool STUB OUTPUT NAME=PATH...
// STUB is the x86 installer program (its two DOS-header payload fields zero), OUTPUT the installer file
// to write. Each NAME=PATH adds a member: a file under NAME, or, for a NAME ending in "/", every file of
// the folder PATH below NAME (for example '$dataFiles$/=build/native/shipdata'). The result is carved
// back and read as the installer reads it before the tool reports success.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/payloadtool/payload_builder.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: payloadtool STUB OUTPUT NAME=PATH...\n");
    return 2;
  }
  std::vector<lz::payload::PayloadSource> sources;
  for (int i = 3; i < argc; ++i) {
    const std::string argument = argv[i];
    const std::size_t equals = argument.find('=');
    if (equals == std::string::npos || equals == 0) {
      std::fprintf(stderr, "payloadtool: expected NAME=PATH, got %s\n", argument.c_str());
      return 2;
    }
    sources.push_back({argument.substr(0, equals), argument.substr(equals + 1)});
  }
  std::vector<lz::payload::PayloadMember> members;
  std::string error;
  if (!lz::payload::CollectMembers(sources, members, error) ||
      !lz::payload::BuildInstallerFile(argv[1], members, argv[2], error)) {
    std::fprintf(stderr, "payloadtool: %s\n", error.c_str());
    return 1;
  }
  std::printf("payloadtool: %s with %zu members\n", argv[2], members.size());
  return 0;
}
