#include "tracker/dialogs/sound_picker_model.h"

namespace tracker {
namespace {

bool EndsInSeparator(std::u16string_view path) { return !path.empty() && (path.back() == u'\\' || path.back() == u'/'); }

}  // namespace

std::u16string PickerPattern(std::u16string_view sound_box, std::u16string_view current) {
  for (const char16_t* pattern : {u"*.wav", u"*.*", u"*.mid", u"*.rmi"}) {
    if (sound_box == pattern) return pattern;
  }
  return std::u16string(current.empty() ? u"*.*" : current);
}

std::u16string PickerStartFolder(std::u16string_view windows_folder, bool media_exists,
                                 std::u16string_view drive_c_folder) {
  if (media_exists && !windows_folder.empty()) return ChildFolder(windows_folder, u"Media");
  return std::u16string(drive_c_folder);
}

std::u16string ParentFolder(std::u16string_view folder) {
  std::u16string path(folder);
  while (path.size() > 3 && EndsInSeparator(path)) path.pop_back();
  const auto cut = path.find_last_of(u"\\/");
  if (cut == std::u16string::npos) return path;
  if (cut <= 2) return path.substr(0, cut + 1);  // up to the drive root, "C:\"
  return path.substr(0, cut);
}

std::u16string ChildFolder(std::u16string_view folder, std::u16string_view name) { return PickedSoundPath(folder, name); }

std::u16string PickedSoundPath(std::u16string_view folder, std::u16string_view file) {
  std::u16string path(folder);
  if (!EndsInSeparator(path)) path += u'\\';
  path += file;
  return path;
}

}  // namespace tracker
