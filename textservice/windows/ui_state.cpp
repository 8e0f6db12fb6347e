#include "textservice/windows/ui_state.h"

#include <new>

#include "textservice/engine/block_fields.h"
#include "textservice/engine/skin_block.h"

namespace lz {
namespace {

SkinNames NamesFromBlock(const EngineInstance* e) {
  SkinNames names;
  names.configured = ReadFieldText(e->blocks.skin, skin_block::kSkinName, skin_block::kSkinNameUnits);
  names.last_loaded = ReadFieldText(e->blocks.skin, skin_block::kLastLoadedSkinName, skin_block::kSkinNameUnits);
  return names;
}

void NamesToBlock(EngineInstance* e, const SkinNames& names) {
  ScopedFileWrite write(e->files.config);
  if (!write.ok()) return;
  WriteFieldText(e->blocks.skin, skin_block::kSkinName, skin_block::kSkinNameUnits, names.configured);
  WriteFieldText(e->blocks.skin, skin_block::kLastLoadedSkinName, skin_block::kSkinNameUnits, names.last_loaded);
}

SkinSources SourcesOf(const EngineInstance* e, std::span<const std::uint8_t> builtin) {
  return SkinSources{std::u16string(e->install_folder), builtin};
}

}  // namespace

int LoadEngineSkin(EngineInstance* e, std::span<const std::uint8_t> builtin) {
  if (!e->ui) return 0;
  SkinNames names = NamesFromBlock(e);
  const SkinNames before = names;
  if (!LoadSkin(SourcesOf(e, builtin), names, e->ui->skin)) return 0;
  if (names.configured != before.configured || names.last_loaded != before.last_loaded) NamesToBlock(e, names);
  return 1;
}

int ReloadEngineSkinIfChanged(EngineInstance* e, std::span<const std::uint8_t> builtin) {
  if (!e->ui) return 0;
  SkinNames names = NamesFromBlock(e);
  const SkinNames before = names;
  const int reloaded = ReloadSkinIfChanged(SourcesOf(e, builtin), names, e->ui->skin);
  if (names.configured != before.configured || names.last_loaded != before.last_loaded) NamesToBlock(e, names);
  if (reloaded) {
    ScopedFileWrite write(e->files.config);
    if (write.ok()) {
      const auto unset = static_cast<std::uint32_t>(skin_block::kStatusPositionUnset);
      e->blocks.skin.WriteU32(skin_block::kStatusWindowX, unset);
      e->blocks.skin.WriteU32(skin_block::kStatusWindowY, unset);
    }
  }
  return reloaded;
}

namespace {

SkinFont FontGroup(ByteView skin, std::uint32_t group) {
  SkinFont font{};
  font.colour = static_cast<std::int32_t>(BlockU32(skin, group + skin_block::kFontColour));
  CopySkinText(font.name, kSkinTextChars,
               ReadFieldText(skin, group + skin_block::kFontName, skin_block::kFontNameUnits));
  font.size = static_cast<std::int32_t>(BlockU32(skin, group + skin_block::kFontSize));
  font.weight = static_cast<std::int32_t>(BlockU32(skin, group + skin_block::kFontWeight));
  font.reserved[0] = static_cast<std::int32_t>(BlockU32(skin, group + skin_block::kFontExtra));
  font.reserved[1] = static_cast<std::int32_t>(BlockU32(skin, group + skin_block::kFontExtra + 4));
  return font;
}

}  // namespace

SkinFonts SelectSkinFonts(const EngineInstance* e) {
  const bool own = BlockU32(e->blocks.skin, skin_block::kFlags) & skin_block::kOwnFonts;
  if (own) {
    return SkinFonts{FontGroup(e->blocks.skin, skin_block::kCodeFont),
                     FontGroup(e->blocks.skin, skin_block::kCandidateFont)};
  }
  if (!e->ui) return SkinFonts{};
  return SelectSkinFonts(false, SkinFonts{}, e->ui->skin.description);
}

int CreateUiState(EngineInstance* e, std::span<const std::uint8_t> builtin) {
  e->ui = new (std::nothrow) UiState{};
  if (!e->ui) return 0;
  if (!LoadEngineSkin(e, builtin)) {
    DestroyUiState(e);
    return 0;
  }
  return 1;
}

void DestroyUiState(EngineInstance* e) {
  delete e->ui;
  e->ui = nullptr;
}

}  // namespace lz
