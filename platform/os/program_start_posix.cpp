#include <atomic>

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
  const ProgramStartSink sink = g_sink;
  if (!sink) return false;
  sink(ProgramStart{file ? file : u"", parameters ? parameters : u"", folder ? folder : u""}, g_context);
  return true;
}

}  // namespace os
