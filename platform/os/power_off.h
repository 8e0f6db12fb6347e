#pragma once
// Switching the machine off for the tracker's timed shutdown: the shutdown privilege is enabled first,
// then one request goes to the system (ExitWindowsEx with EWX_POWEROFF and a planned reason). Tests set a
// sink that records the request instead, so no test ever reaches the real call; POSIX builds only record.
#include <cstdint>

namespace os {

struct PowerOffRequest {
  std::uint32_t flags = 0;   // EWX_POWEROFF
  std::uint32_t reason = 0;  // SHTDN_REASON_FLAG_PLANNED with the other-reason codes
};

inline constexpr std::uint32_t kPowerOffFlags = 0x00000008;        // EWX_POWEROFF
inline constexpr std::uint32_t kPlannedOtherReason = 0x80000000;   // SHTDN_REASON_FLAG_PLANNED, major/minor other

// Enables SeShutdownPrivilege in the process's token (the token handle is closed again); false when it
// could not be enabled.
bool EnableShutdownPrivilege();

// Enables the privilege, then makes the one request. False when the system refused it.
bool RequestPowerOff();

using PowerOffSink = void (*)(const PowerOffRequest& request, void* context);
// Routes the request to sink instead of the system (null: back to the system).
void SetPowerOffSink(PowerOffSink sink, void* context);

}  // namespace os
