#include "textservice/skin/builtin_skin_win32.h"

namespace lz {

std::span<const std::uint8_t> FindBuiltinSkin(HMODULE module) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(kBuiltinSkinResourceId), kBuiltinSkinResourceType);
  if (!found) return {};
  const DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  if (!loaded || size == 0) return {};
  // Resources live in the mapped image; there is nothing to free, and the bytes stay valid as long as
  // the module is loaded.
  const void* bytes = LockResource(loaded);
  if (!bytes) return {};
  return {static_cast<const std::uint8_t*>(bytes), size};
}

}  // namespace lz
