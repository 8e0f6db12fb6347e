#include <windows.h>

#include <shellapi.h>

#include <atomic>

#include "platform/os/native_path.h"
#include "platform/os/program_start.h"

namespace os {
namespace {

std::atomic<ProgramStartSink> g_sink{nullptr};
std::atomic<void*> g_context{nullptr};

}  // namespace

void SetProgramStartSink(ProgramStartSink sink, void* context) {
  g_context = context;
  g_sink = sink;
}

bool StartProgram(const char16_t* file, const char16_t* parameters, const char16_t* folder) {
  if (const ProgramStartSink sink = g_sink) {
    sink(ProgramStart{file ? file : u"", parameters ? parameters : u"", folder ? folder : u""}, g_context);
    return true;
  }
  // ShellExecuteW answers a value above 32 when the start succeeded.
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", WidePtr(file), parameters ? WidePtr(parameters) : nullptr,
                    folder ? WidePtr(folder) : nullptr, SW_SHOW));
  return result > 32;
}

}  // namespace os
