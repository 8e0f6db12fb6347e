#include "textservice/windows/menus_win32.h"

#include <string>

#include "platform/os/native_path.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/engine_actions.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/skin_block.h"
#include "textservice/skin/builtin_skin_win32.h"
#include "textservice/windows/candidate_window_win32.h"
#include "textservice/windows/ui_manager.h"
#include "textservice/windows/ui_state.h"

namespace lz {
namespace {

std::u16string ClassName(const EngineInstance* e, std::uint32_t alias) {
  return ReadFieldText(e->blocks.soft, soft_block::kClassNames + alias * soft_block::kClassNameUnits * 2,
                       soft_block::kClassNameUnits);
}

SkinCatalog CatalogOf(const EngineInstance* e) {
  SkinCatalog catalog;
  LoadSkinCatalog(catalog, SkinSources{std::u16string(e->install_folder), FindBuiltinSkin(ThisModule())});
  return catalog;
}

std::vector<SkinChoice> ChoicesOf(const SkinCatalog& catalog) {
  std::vector<SkinChoice> choices;
  for (const LoadedSkin& skin : catalog.skins) {
    choices.push_back(SkinChoice{std::u16string(skin.description.info.name), std::u16string(skin.description.source)});
  }
  return choices;
}

// A skin chosen from the list becomes the configured skin; the bar goes back to the new skin's corner.
void SelectSkin(EngineInstance* e, std::u16string_view path) {
  // The skin in use stays as it is: the built-in skin's source is no file name to configure.
  if (e->ui && SameNameIgnoringCase(path, e->ui->skin.description.source)) return;
  const std::optional<std::u16string> name =
      SkinNameToSelect(path, ReadFieldText(e->blocks.skin, skin_block::kSkinName, skin_block::kSkinNameUnits));
  if (!name) return;
  {
    ScopedFileWrite write(e->files.config);
    if (!write.ok()) return;
    WriteFieldText(e->blocks.skin, skin_block::kSkinName, skin_block::kSkinNameUnits, *name);
    const auto unset = static_cast<std::uint32_t>(skin_block::kStatusPositionUnset);
    e->blocks.skin.WriteU32(skin_block::kStatusWindowX, unset);
    e->blocks.skin.WriteU32(skin_block::kStatusWindowY, unset);
  }
  ReloadSkinIfChanged(e);
}

// Tracks a built menu and acts on the choice.
void TrackAndRun(EngineInstance* e, HWND owner, POINT at, const Menu& items, std::int32_t slot,
                 const SkinCatalog* catalog) {
  HMENU menu = CreateMenuFromItems(items);
  if (!menu) return;
  // Without a window of the host the menu hangs from the tips window shown off-screen for it.
  if (!owner && e->ui) owner = static_cast<HWND>(e->ui->tip.window);
  const UINT chosen = TrackMenuAtCursor(menu, owner, at);
  DestroyMenu(menu);
  if (chosen == 0) return;
  if (catalog && chosen >= menu_id::kFirstSkin && chosen < menu_id::kFirstSkin + catalog->skins.size()) {
    SelectSkin(e, catalog->skins[chosen - menu_id::kFirstSkin].description.source);
    return;
  }
  RunMenuCommand(e, chosen, slot);
}

}  // namespace

HMENU CreateMenuFromItems(const Menu& items) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return nullptr;
  for (const MenuItem& item : items) {
    if (item.state & menu_state::kLeftOut) continue;
    const UINT flags = item.flags | (item.state & menu_state::kPassedOn);
    if (item.flags & menu_flag::kPopup) {
      HMENU submenu = CreateMenuFromItems(item.submenu);
      if (!submenu) continue;
      if (!AppendMenuW(menu, flags, reinterpret_cast<UINT_PTR>(submenu), os::WidePtr(item.text))) DestroyMenu(submenu);
    } else {
      AppendMenuW(menu, flags, item.id, os::WidePtr(item.text));
    }
  }
  return menu;
}

UINT TrackMenuAtCursor(HMENU menu, HWND owner, POINT at) {
  // The owner is never brought to the front: the input method's windows do not take the focus from the
  // program typed into.
  const BOOL chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0,
                                     owner, nullptr);
  return chosen > 0 ? static_cast<UINT>(chosen) : 0;
}

MenuContext MenuContextOf(const EngineInstance* e) {
  MenuContext c;
  c.main_scheme = ClassName(e, 0);
  c.user_words = ClassName(e, 2);
  c.secondary_table = ClassName(e, 3);
  c.auxiliary_scheme = ClassName(e, 4);
  c.ime_flags = BlockU32(e->blocks.ime, ime_block::kImeFlags);
  c.mode = e->mode;
  c.traditional_table = e->files.traditional != nullptr;
  c.simplified_table = e->files.simplified != nullptr;
  c.update_check = TableOffersUpdateCheck(e->files.main);
  if (e->ui && (e->mode & mode::kSoftKeyboard)) c.soft_keyboard_layout = e->ui->soft_keyboard.layout;
  c.skin_name = ReadFieldText(e->blocks.skin, skin_block::kSkinName, skin_block::kSkinNameUnits);
  if (e->ui) c.skin_in_use = e->ui->skin.description.source;
  return c;
}

void RunMenuCommand(EngineInstance* e, std::uint32_t id, std::int32_t slot) {
  const std::optional<UiCall> call = MenuCommandFor(id, slot);
  if (!call) return;
  SendUiCommand(e, call->number, call->argument, static_cast<int>(call->command));
}

void TrackMainMenu(EngineInstance* e, HWND owner, POINT at) {
  if (!e) return;
  MenuContext c = MenuContextOf(e);
  const SkinCatalog catalog = CatalogOf(e);
  c.skins = ChoicesOf(catalog);
  TrackAndRun(e, owner, at, BuildMainMenu(c), 0, &catalog);
}

void TrackCandidateMenu(EngineInstance* e, HWND owner, POINT at, int page_place) {
  if (!e || page_place < 0 || page_place >= e->page_item_count) return;
  const int index = e->page[page_place].candidate;
  if (index < 0 || index >= e->candidate_count) return;
  const CandidateEntry& entry = e->candidates[index];
  CandidateMenuSubject subject;
  subject.kind = entry.kind;
  if (entry.record) {
    const std::uint8_t* r = entry.record;
    subject.record_flags = static_cast<std::uint32_t>(r[0]) | static_cast<std::uint32_t>(r[1]) << 8 |
                           static_cast<std::uint32_t>(r[2]) << 16 | static_cast<std::uint32_t>(r[3]) << 24;
    subject.record_class = static_cast<int>(code_table::RecordClass(subject.record_flags));
  }
  const Menu items = BuildCandidateMenu(MenuContextOf(e), subject);
  if (items.empty()) return;
  TrackAndRun(e, owner, at, items, page_place, nullptr);
}

void TrackSoftKeyboardMenu(EngineInstance* e, HWND owner, POINT at) {
  if (!e) return;
  TrackAndRun(e, owner, at, BuildSoftKeyboardMenu(MenuContextOf(e)), 0, nullptr);
}

void TrackOutputOptionsMenu(EngineInstance* e, HWND owner, POINT at) {
  if (!e) return;
  TrackAndRun(e, owner, at, BuildOutputOptionsMenu(MenuContextOf(e)), 0, nullptr);
}

}  // namespace lz
