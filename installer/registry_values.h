#pragma once
// The values of the input method's product key and of its uninstall entry, built from the soft block
// and the install paths in the order they are written. The Windows glue writes them into the registry.
#include <cstdint>
#include <string>
#include <vector>

#include "textservice/engine/byte_view.h"

namespace lz::installer {

struct RegistryValue {
  std::u16string name;
  bool is_dword = false;
  std::u16string text;
  std::uint32_t number = 0;
};

constexpr std::u16string_view kProductRoot = u"Software\\LanzoIME4";
constexpr std::u16string_view kUninstallRoot = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr std::u16string_view kUninstallPrefix = u"Q4";

// The nine values of "Software\LanzoIME4\{id}\".
std::vector<RegistryValue> ProductValues(ByteView soft, std::u16string_view data_location,
                                         std::u16string_view install_location);

struct UninstallSources {
  std::u16string owner;         // Windows' RegisteredOwner
  std::u16string organisation;  // Windows' RegisteredOrganization
  std::u16string install_location;
  std::u16string installer_path;  // the unpacked installer path of the run
};

// The sixteen values of "...\Uninstall\Q4{id}". The program path in UninstallString and ModifyPath is
// quoted, so a folder with blanks starts the installed program and not a prefix of its path.
std::vector<RegistryValue> UninstallValues(ByteView soft, std::u16string_view class_identifier,
                                           const UninstallSources& sources);

// The command that removes the input method: "\"<InstallLocation>stavel.exe\" /n {id} /u".
std::u16string UninstallCommand(std::u16string_view install_location, std::u16string_view class_identifier);

}  // namespace lz::installer
