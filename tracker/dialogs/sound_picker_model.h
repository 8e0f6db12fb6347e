#pragma once
// The sound file picker's paths as plain functions: where it starts, the pattern it lists, moving
// between folders, and the full path a chosen file writes into the options' sound-file box.
#include <string>
#include <string_view>

namespace tracker {

// The pattern of the file list: the options' box when it shows one of the designed patterns, else the
// pattern the list has.
std::u16string PickerPattern(std::u16string_view sound_box, std::u16string_view current);

// The system's media folder (the Windows folder + "\Media") when it exists, else drive C's current folder.
std::u16string PickerStartFolder(std::u16string_view windows_folder, bool media_exists,
                                 std::u16string_view drive_c_folder);

// The folder one level up ("C:\a\b" gives "C:\a", "C:\a" gives "C:\"); a drive root stays.
std::u16string ParentFolder(std::u16string_view folder);
// A subfolder of folder.
std::u16string ChildFolder(std::u16string_view folder, std::u16string_view name);
// The chosen file's full path, with one backslash between folder and file, also at a drive root.
std::u16string PickedSoundPath(std::u16string_view folder, std::u16string_view file);

// The entry of the folder list that goes up a level.
inline constexpr char16_t kParentEntry[] = u"[..]";

}  // namespace tracker
