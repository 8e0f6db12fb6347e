#pragma once
// Names the installer gives files (os::AsideName names a file in use moved aside): the text-service
// library in a system folder, the side file a new copy is written to first, and the registry names of fonts.
#include <string>
#include <string_view>

namespace lz::installer {

// "<folder><name>.dll" when the folder ends in "\", else "<folder>\<name>.dll".
std::u16string LibraryPath(std::u16string_view folder, std::u16string_view ime_name);

// The n-th side name a new copy is written to before it takes the target's place.
std::u16string SideCopyName(std::u16string_view path, int n);

// The value name under the machine's Fonts key for a font file: the lower-cased name without ".ttf"
// followed by "(TrueType)", or the whole lower-cased ".ttc" name followed by "(TrueType-C)"; at most 63
// units. Empty for a file that is not a TrueType font or collection.
std::u16string FontValueName(std::u16string_view file_name);

// The file name lower-cased (ASCII letters), as fonts are copied and registered.
std::u16string LowerCaseName(std::u16string_view file_name);

// The part of IMEName after its first "."; empty when there is none.
std::u16string VersionFolderOfImeName(std::u16string_view ime_name);

}  // namespace lz::installer
