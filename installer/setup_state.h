#pragma once
// The one record that every part of the installer shares for a run: what the command line asked for,
// the identity blocks of the payload (or of the installed input method), the work paths and the folders
// of the installation.
#include <cstdint>
#include <string>

#include "textservice/engine/byte_view.h"
#include "textservice/engine/class_identifier.h"
#include "textservice/engine/settings_store.h"

namespace lz::installer {

// Modes of a run, as the command line names them.
constexpr char kModeInstall = 'i';
constexpr char kModeUninstall = 'u';
constexpr char kModeRepair = 'r';
constexpr char kModeZ = 'z';
constexpr char kModeG = 'g';

// What InstallKind says about an installation found before this one.
enum class InstallKind : std::int32_t { kFresh = 0, kOlder = 1, kSame = 2, kNewer = 3 };

struct SetupState {
  bool silent = false;
  char mode = kModeInstall;
  bool temp_copy = false;
  std::uint8_t soft_block[config_store::kSoftBlockSize] = {};
  std::uint8_t ime_block[config_store::kImeBlockSize] = {};
  std::u16string zipdatas_folder;
  char16_t class_identifier[kClassIdentifierUnits] = {};
  std::u16string work_folder;
  std::u16string own_path;
  std::u16string payload_zip_path;
  std::u16string unpacked_installer_path;
  InstallKind install_kind = InstallKind::kFresh;
  bool unregistered = false;
  std::u16string install_location;  // ends in "\"
  std::u16string data_location;     // ends in "\"
  bool reboot_needed = false;

  ByteView Soft() { return ByteView{soft_block, sizeof soft_block}; }
  ByteView Ime() { return ByteView{ime_block, sizeof ime_block}; }
};

}  // namespace lz::installer
