#include "platform/os/program_start.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>

#include "platform/os/broker.h"
#include "platform/os/broker_win32.h"

#include "platform/os/native_path.h"
#endif

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
#ifdef _WIN32
  if (BrokerSending()) {
    // Inside an app container only the broker can start a program; without one nothing starts.
    return LaunchViaBroker(WidePtr(file), parameters ? WidePtr(parameters) : nullptr,
                           folder ? WidePtr(folder) : nullptr) > 32;
  }
  // ShellExecuteW answers a value above 32 when the start succeeded.
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", WidePtr(file), parameters ? WidePtr(parameters) : nullptr,
                    folder ? WidePtr(folder) : nullptr, SW_SHOW));
  return result > 32;
#else
  return false;  // nothing to start programs with outside Windows
#endif
}

}  // namespace os
