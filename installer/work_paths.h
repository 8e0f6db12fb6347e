#pragma once
// The installer's work paths below the temporary folder, and the other paths it builds from folder
// names: every one of them must fit the 260-unit buffers that the Windows calls and the registry
// readers use, and a path that would not fit is refused, never cut.
#include <string>
#include <string_view>

namespace lz::installer {

constexpr std::size_t kPathUnits = 260;  // with the terminator

constexpr std::u16string_view kWorkFolderName = u"$quorStavel4$";
constexpr std::u16string_view kLogFileName = u"stavel.log";
constexpr std::u16string_view kDumpFolderName = u"mvwin32dump";

// folder, a "\" when it lacks one, and name; empty when the result would reach kPathUnits units.
// (The portable config library's GetTempSubPath does the same from the system's temporary folder; the
// installer takes the folder as an argument so that the rule is tested here.)
std::u16string InstallerTempSubPath(std::u16string_view temp_folder, std::u16string_view name);

// folder + "\" (when missing) + name, or empty when it would not fit.
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);

// The folder with a trailing "\".
std::u16string WithTrailingSeparator(std::u16string_view folder);

struct WorkPaths {
  std::u16string work_folder;        // <temp>$quorStavel4$
  std::u16string zipdatas_folder;    // work folder + "\zipdatas"
  std::u16string unpacked_installer; // zipdatas + "\stavelx64.exe" on a 64-bit Windows, else "\stavel.exe"
  std::u16string payload_zip;        // work folder + "\makedata.zip"
};

// False when a path would not fit.
bool MakeWorkPaths(std::u16string_view temp_folder, bool windows_is_64_bit, WorkPaths& out);

}  // namespace lz::installer
