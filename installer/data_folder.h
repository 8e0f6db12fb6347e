#pragma once
// Where an input method keeps its data files: the folder "LanzoIME4\<class identifier>" of the common
// application data folder, and below it the folder of one installed version.
#include <string>
#include <string_view>

namespace lz::installer {

// "<base>\LanzoIME4\<id>\" plus "<sub>\" when both the identifier and sub are given; "<base>\LanzoIME4\"
// alone for an empty identifier. No "\" is doubled after a base that ends in one.
std::u16string DataFolderPath(std::u16string_view common_app_data, std::u16string_view class_identifier,
                              std::u16string_view sub_folder);

// The data folder of a fresh install: the version folder "361.<minor>".
std::u16string VersionFolderName(unsigned minor);

}  // namespace lz::installer
