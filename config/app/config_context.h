#pragma once
// The portable parts of config's context on an installed input method: the registry values it reads,
// where the input method's library lies, and what main.dmg holds per record class.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "textservice/engine/mapped_file.h"

namespace lz::config {

// What config says when a change could not be written to the settings file or a code table.
inline constexpr char16_t kNotWrittenText[] = u"设置文件不能写入，所做的修改没有保存。";

constexpr std::size_t kDataLocationBytes = 520;
constexpr std::size_t kDisplayVersionBytes = 64;
constexpr std::size_t kDisplayNameChars = 64;
constexpr std::size_t kDllPathChars = 259;  // and a terminator: 260 units

// Readers of the input method's registry key ("Software\LanzoIME4\{id}\"); each gives empty text for a
// missing key or value. ReadDisplayVersion and ReadDisplayName tell whether the value was there.
std::u16string ReadDataLocation(std::u16string_view class_id);
bool ReadDisplayVersion(std::u16string_view class_id, std::u16string& out);
bool ReadDisplayName(std::u16string_view class_id, std::u16string& out);

// The library of an input method: the system folder, a backslash when missing, the name and ".dll".
// Empty when the system folder is unknown, the name is no plain file name (a name with a folder, a
// drive or a parent step would load a library from elsewhere), or the path would not fit 259 units.
std::u16string SystemDllPath(std::u16string_view system_folder, std::u16string_view name);
bool IsPlainFileName(std::u16string_view name);

// How many records of main.dmg carry each record class (bits 2-7 of their flags).
constexpr std::size_t kRecordClasses = 64;
std::array<std::uint32_t, kRecordClasses> CountRecordsByClass(const MappedFile* main_table);

}  // namespace lz::config
