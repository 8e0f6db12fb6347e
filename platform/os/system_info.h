#pragma once
// What the engine asks of the system: the machine's registry strings, the host program's file name, the
// Windows version, the clock since 1970 and since start-up, and the Caps Lock state.
#include <cstddef>
#include <cstdint>

namespace os {

// Reads a string value under HKEY_LOCAL_MACHINE (the process's own registry view) into out, always
// terminated, cut to capacity - 1 units. The stored value need not end with a zero. False when the key
// or value is missing, is not a string, or capacity is 0. On POSIX the values come from an in-process
// store that tests and tools fill with SetMachineString.
bool ReadMachineString(const char16_t* key_path, const char16_t* value_name, char16_t* out, std::size_t capacity);

// Writes a string value under HKEY_LOCAL_MACHINE, creating the key (as the installer does). On POSIX into
// the in-process store.
bool SetMachineString(const char16_t* key_path, const char16_t* value_name, const char16_t* data);

// Removes a value (tests of missing values). True when it is gone afterwards.
bool DeleteMachineValue(const char16_t* key_path, const char16_t* value_name);

// The full file name of the program this process runs; false when it cannot be read.
bool HostProgramPath(char16_t* out, std::size_t capacity);

struct OsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::uint32_t platform = 0;
};

// The true Windows version: on 6.2 and later what the kernel reports, not the compatibility answer.
// POSIX builds report Windows 10.
OsVersion GetOsVersion();

// Seconds since 1970 (UTC) and milliseconds since the machine started, both 64-bit.
std::int64_t SecondsSince1970();
std::uint64_t MillisecondsSinceBoot();

// The 32-bit millisecond tick that key timing compares (it wraps after 49.7 days; differences are taken
// unsigned).
std::uint32_t TickCount();

bool IsCapsLockOn();

}  // namespace os
