#pragma once
// The input method's product key and its uninstall entry in the machine's registry, in every registry
// view of this Windows: two on a 64-bit Windows (whatever the bitness of this process), one on a 32-bit
// Windows. Also the text service's COM class keys, which live in the same two views.
#include <windows.h>

#include <string>
#include <vector>

#include "installer/registry_values.h"
#include "textservice/engine/byte_view.h"

namespace lz::installer {

// The registry views to write: KEY_WOW64_64KEY and KEY_WOW64_32KEY on a 64-bit Windows, 0 on a 32-bit one.
std::vector<REGSAM> RegistryViews();
bool IsWindows64Bit();

// Writes the values into HKLM\<key> of one view, creating the key. False on the first failure.
bool WriteMachineValues(REGSAM view, const std::u16string& key, const std::vector<RegistryValue>& values);

// "Software\LanzoIME4\{id}" in every view; false when a view could not be written.
bool WriteProductKey(const std::u16string& class_identifier, const std::u16string& data_location,
                     const std::u16string& install_location, ByteView soft);

// "Software\Microsoft\Windows\CurrentVersion\Uninstall\Q4{id}" (the 64-bit view on a 64-bit Windows,
// where the system's program list reads it); false when it could not be written.
bool WriteUninstallEntry(const std::u16string& class_identifier, const UninstallSources& sources, ByteView soft);

// Windows' registered owner and organisation, as the uninstall entry takes them.
UninstallSources RegisteredUser(const std::u16string& install_location, const std::u16string& installer_path);

// Deletes the uninstall entry and the product key in every view; "Software\LanzoIME4" goes too in a
// view where no other input method is left.
void DeleteEntries(const std::u16string& class_identifier);

// A string value of HKLM\<key> in one view; false when missing.
bool ReadMachineValue(REGSAM view, const std::u16string& key, const std::u16string& name, std::u16string& out);

// The class identifier of a product key whose value `name` equals text ignoring case (the last match of
// a view wins); the native view is searched first, then the 32-bit one. Empty when none matches.
std::u16string FindProductByValue(const std::u16string& name, const std::u16string& text);

// True when no view holds a product key of any input method.
bool NothingLeft();

// Deletes HKEY\parent\name with all its subkeys in one view; returns the first error.
LONG DeleteKeyTree(HKEY root, const std::u16string& parent, const std::u16string& name, REGSAM view);

}  // namespace lz::installer
