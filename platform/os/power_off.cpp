#include "platform/os/power_off.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#endif

namespace os {
namespace {

std::atomic<PowerOffSink> g_sink{nullptr};
std::atomic<void*> g_context{nullptr};

}  // namespace

void SetPowerOffSink(PowerOffSink sink, void* context) {
  g_context = context;
  g_sink = sink;
}

bool EnableShutdownPrivilege() {
#ifdef _WIN32
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  bool enabled = LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid) &&
                 AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
                 GetLastError() == ERROR_SUCCESS;
  CloseHandle(token);
  return enabled;
#else
  return false;
#endif
}

bool RequestPowerOff() {
  // The request needs the privilege already enabled: asked for first, it fails.
  EnableShutdownPrivilege();
  const PowerOffRequest request{kPowerOffFlags, kPlannedOtherReason};
  if (const PowerOffSink sink = g_sink) {
    sink(request, g_context);
    return true;
  }
#ifdef _WIN32
  return ExitWindowsEx(request.flags, request.reason) != FALSE;
#else
  return false;
#endif
}

}  // namespace os
