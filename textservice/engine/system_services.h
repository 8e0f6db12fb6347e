#pragma once
// The engine's small questions to the system, in the forms its callers use: the work area at a point,
// the input method's registry strings, the clipboard's text and the Windows-8 test.
#include <cstddef>

#include "platform/os/system_info.h"
#include "platform/os/work_area.h"

namespace lz {

// The work area of the monitor nearest the point: 1; the primary work area when no monitor is found: 0.
int GetWorkAreaAtPoint(os::Rect& out, int x, int y);

// A string value under HKEY_LOCAL_MACHINE\subkey: 1, or 0 without a buffer, with capacity 0, or when the
// key or value cannot be read.
int ReadHklmString(const char16_t* subkey, char16_t* out, std::size_t capacity, const char16_t* value_name);

// A value of the input method's key "Software\LanzoIME4\{id}\" (the identifier cut to 127 characters);
// the output starts empty. 0 without a buffer.
int ReadImeRegistryValue(char16_t* out, std::size_t capacity, const char16_t* value_name,
                         const char16_t* class_identifier);

// The install folder, always ending with a backslash.
int ReadInstallLocation(char16_t* out, std::size_t capacity, const char16_t* class_identifier);

// The clipboard's Unicode text, cut to 255 characters: 1. Empty and 0 when there is none to read.
constexpr int kClipboardTextUnits = 255;
int GetClipboardText(char16_t (&out)[kClipboardTextUnits + 1]);

constexpr bool IsWindows8OrLater(const os::OsVersion& version) {
  return version.major > 6 || (version.major == 6 && version.minor >= 2);
}

}  // namespace lz
