#include "installer/install_rules.h"

#include "installer/data_folder.h"
#include "installer/work_paths.h"

namespace lz::installer {
namespace {

std::u16string Number(long long n) {
  std::u16string out;
  for (char c : std::to_string(n)) out += static_cast<char16_t>(c);
  return out;
}

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

std::u16string Lower(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = LowerAscii(c);
  return out;
}

std::u16string Dated(std::u16string_view stem, int year, int month, int day) {
  return std::u16string(stem) + u"(" + Number(year) + u"." + Number(month) + u"." + Number(day) + u").txt";
}

}  // namespace

InstallKind CompareInstalled(std::uint32_t own_minor, const InstalledVersion& installed) {
  if (!installed.present) return InstallKind::kFresh;
  if (kInstallerMajor != installed.major) {
    return kInstallerMajor > installed.major ? InstallKind::kOlder : InstallKind::kNewer;
  }
  if (own_minor == installed.minor) return InstallKind::kSame;
  return own_minor > installed.minor ? InstallKind::kOlder : InstallKind::kNewer;
}

std::u16string InstallTarget(std::u16string_view folder, std::uint32_t minor) {
  return WithTrailingSeparator(folder) + VersionFolderName(minor) + u"\\";
}

std::u16string ParentFolder(std::u16string_view install_location) {
  std::u16string_view path = install_location;
  while (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
  const std::size_t last = path.find_last_of(u'\\');
  if (last == std::u16string_view::npos) return {};
  return std::u16string(path.substr(0, last + 1));
}

SplitCommand SplitCommandLine(std::u16string_view command) {
  std::size_t at = command.find(u" /");
  if (at == std::u16string_view::npos) at = command.find(u" -");
  if (at == std::u16string_view::npos) return {std::u16string(command), {}};
  return {std::u16string(command.substr(0, at)), std::u16string(command.substr(at + 1))};
}

SplitCommand InstalledUninstallCommand(std::u16string_view command, std::u16string_view install_location) {
  std::u16string text = Lower(command);
  const std::u16string_view marker = u"%apppath%";
  for (std::size_t at = text.find(marker); at != std::u16string::npos; at = text.find(marker, at)) {
    text.replace(at, marker.size(), install_location);
    at += install_location.size();
  }
  return SplitCommandLine(text);
}

bool PendingMovesBlockInstall(const std::vector<std::u16string>& pending_sources,
                              const std::vector<std::u16string>& folders,
                              const std::vector<std::u16string>& library_names) {
  for (const std::u16string& source : pending_sources) {
    const std::u16string path = Lower(source);
    for (const std::u16string& folder : folders) {
      if (folder.empty()) continue;
      const std::u16string below = Lower(WithTrailingSeparator(folder));
      if (path.compare(0, below.size(), below) == 0 || path + u"\\" == below) return true;
    }
    for (const std::u16string& name : library_names) {
      if (name.empty()) continue;
      const std::u16string tail = u"\\" + Lower(name);
      if (path.size() >= tail.size() && path.compare(path.size() - tail.size(), tail.size(), tail) == 0) return true;
    }
  }
  return false;
}

std::u16string BackupFolderName(std::u16string_view display_name) {
  return u"[ " + std::u16string(display_name) + u" ]";
}

std::u16string UserWordFileName(int year, int month, int day) { return Dated(u"导出 - 用户词条", year, month, day); }

std::u16string SettingsBackupFileName(int year, int month, int day) {
  return Dated(u"backup.config", year, month, day);
}

}  // namespace lz::installer
