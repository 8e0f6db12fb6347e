#include "installer/data_folder.h"

#include <string>

#include "installer/work_paths.h"

namespace lz::installer {

std::u16string DataFolderPath(std::u16string_view common_app_data, std::u16string_view class_identifier,
                              std::u16string_view sub_folder) {
  std::u16string path = WithTrailingSeparator(common_app_data) + u"LanzoIME4\\";
  if (class_identifier.empty()) return path;
  path += class_identifier;
  path += u'\\';
  if (!sub_folder.empty()) {
    path += sub_folder;
    path += u'\\';
  }
  return path;
}

std::u16string VersionFolderName(unsigned minor) {
  std::u16string name = u"361.";
  for (char c : std::to_string(minor)) name += static_cast<char16_t>(c);
  return name;
}

}  // namespace lz::installer
