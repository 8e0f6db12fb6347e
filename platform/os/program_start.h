#pragma once
// Programs and documents the input method opens (config, web pages, the help file, programs named by
// command words): ShellExecuteW "open" with SW_SHOW on Windows. Tests set a sink that records each start
// instead; POSIX builds have nothing to start and drop a start that no sink takes.
#include <string>

namespace os {

struct ProgramStart {
  std::u16string file;
  std::u16string parameters;
  std::u16string folder;
};

// Opens file with its parameters in folder (empty: the current one). False when the start failed.
bool StartProgram(const char16_t* file, const char16_t* parameters, const char16_t* folder);

using ProgramStartSink = void (*)(const ProgramStart& start, void* context);
// Routes every start to `sink` instead of the system (null: back to the system).
void SetProgramStartSink(ProgramStartSink sink, void* context);

}  // namespace os
