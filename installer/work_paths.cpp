#include "installer/work_paths.h"

namespace lz::installer {

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string result(folder);
  if (!result.empty() && result.back() != u'\\') result += u'\\';
  result += name;
  if (result.size() >= kPathUnits) return {};
  return result;
}

std::u16string InstallerTempSubPath(std::u16string_view temp_folder, std::u16string_view name) {
  if (temp_folder.empty()) return {};
  return JoinPath(temp_folder, name);
}

std::u16string WithTrailingSeparator(std::u16string_view folder) {
  std::u16string result(folder);
  if (result.empty() || result.back() != u'\\') result += u'\\';
  return result;
}

bool MakeWorkPaths(std::u16string_view temp_folder, bool windows_is_64_bit, WorkPaths& out) {
  out = WorkPaths{};
  out.work_folder = InstallerTempSubPath(temp_folder, kWorkFolderName);
  if (out.work_folder.empty()) return false;
  out.zipdatas_folder = JoinPath(out.work_folder, u"zipdatas");
  out.payload_zip = JoinPath(out.work_folder, u"makedata.zip");
  out.unpacked_installer = JoinPath(out.zipdatas_folder, windows_is_64_bit ? u"stavelx64.exe" : u"stavel.exe");
  return !out.zipdatas_folder.empty() && !out.payload_zip.empty() && !out.unpacked_installer.empty();
}

}  // namespace lz::installer
