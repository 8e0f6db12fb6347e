#pragma once
// The built-in skin: a skin package stored in the library as the resource of type "COL", id 1. It is the
// last resort when no installed skin loads, so the windows always have a skin.
#include <windows.h>

#include <cstdint>
#include <span>

namespace lz {

constexpr wchar_t kBuiltinSkinResourceType[] = L"COL";
constexpr WORD kBuiltinSkinResourceId = 1;

// The package's bytes inside the module's image (valid while the module stays loaded); empty when the
// module has no such resource.
std::span<const std::uint8_t> FindBuiltinSkin(HMODULE module);

}  // namespace lz
