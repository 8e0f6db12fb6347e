#pragma once
// The input method's popup menus as data: the main menu and its submenus, the output options, the
// soft-keyboard layouts, the skin list and the per-candidate menu are built here from the input state,
// and a chosen menu id is turned into a call of the UI command dispatcher. The Windows side only turns
// the items into a popup menu and tracks it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "textservice/windows/status_layout.h"

namespace lz {

constexpr int kMenuTextUnits = 64;

// AppendMenuW flags and item states the menus use.
namespace menu_flag {
constexpr std::uint32_t kChecked = 0x8;
constexpr std::uint32_t kPopup = 0x10;
constexpr std::uint32_t kSeparator = 0x800;
constexpr std::uint32_t kRightJustify = 0x10000000;
}  // namespace menu_flag
namespace menu_state {
constexpr std::uint32_t kChecked = 0x8;
constexpr std::uint32_t kLeftOut = 0x200;      // the item is not added
constexpr std::uint32_t kPassedOn = 0x100A;    // the state bits AppendMenuW gets
}  // namespace menu_state

struct MenuItem {
  char16_t text[kMenuTextUnits] = {};  // "-" for separators
  std::uint32_t id = 0;                 // 0 for Cancel and separators
  std::uint32_t flags = 0;              // AppendMenuW flags
  std::vector<MenuItem> submenu;        // the contents of a popup
  std::uint32_t state = 0;

  std::u16string_view Text() const { return text; }
  bool Checked() const { return state & menu_state::kChecked; }
};
using Menu = std::vector<MenuItem>;

// Fills one entry; the text is cut to 63 units.
void SetMenuItem(MenuItem& item, std::u16string_view text, std::uint32_t id, std::uint32_t flags,
                 Menu submenu = {}, std::uint32_t state = 0);

// Menu ids.
namespace menu_id {
constexpr std::uint32_t kSettings = 1;
constexpr std::uint32_t kAddUserWord = 2;
constexpr std::uint32_t kStatusWindow = 3;
constexpr std::uint32_t kSchemes = 4;
constexpr std::uint32_t kSecondarySearch = 8;
constexpr std::uint32_t kOutputOptions = 12;
constexpr std::uint32_t kSoftKeyboards = 19;
constexpr std::uint32_t kFirstSoftKeyboard = 20;  // layout n is 19 + n
constexpr std::uint32_t kCloseSoftKeyboard = 33;
constexpr std::uint32_t kHelp = 34;
constexpr std::uint32_t kUpdateCheck = 39;
constexpr std::uint32_t kMoveUp = 45;
constexpr std::uint32_t kMoveFirst = 47;
constexpr std::uint32_t kSkins = 0x10000;
constexpr std::uint32_t kFirstSkin = 0x10001;
}  // namespace menu_id

// One skin the skin enumeration found.
struct SkinChoice {
  std::u16string display_name;
  std::u16string path;
};

// What the menus show of the input state.
struct MenuContext {
  std::u16string main_scheme;      // class name 0
  std::u16string user_words;       // class name 2
  std::u16string secondary_table;  // class name 3
  std::u16string auxiliary_scheme; // class name 4
  std::uint32_t ime_flags = 0;     // ime block +36
  std::uint32_t mode = 0;          // engine mode word
  bool traditional_table = false;  // traditional.dms is loaded
  bool simplified_table = false;   // simplified.dms is loaded
  bool update_check = false;       // main.dmg offers the update check
  std::int32_t soft_keyboard_layout = 0;  // 1..13, 0 none
  std::vector<SkinChoice> skins;
  std::u16string skin_name;        // the configured skin's file name
  std::u16string skin_in_use;      // the loaded skin's source: its path, or "fromResource"; empty unknown
};

Menu BuildMainMenu(const MenuContext& c);
Menu BuildOutputOptionsMenu(const MenuContext& c);
Menu BuildSoftKeyboardMenu(const MenuContext& c);
// The skin list; the entry of the skin in use is checked (the built-in one included), or, while that is
// unknown, the entry whose file name is the configured one.
Menu BuildSkinMenu(const MenuContext& c);

// The candidate a candidate menu is for.
struct CandidateMenuSubject {
  std::uint8_t kind = 0;         // CandidateEntry kind; only main-table candidates have a menu
  std::uint32_t record_flags = 0;
  int record_class = 0;
};
// Empty when the candidate has no menu.
Menu BuildCandidateMenu(const MenuContext& c, const CandidateMenuSubject& subject);

// The dispatcher call a menu id stands for; nothing for ids that do nothing. `slot` is the candidate's
// place for the candidate menu's ids.
std::optional<UiCall> MenuCommandFor(std::uint32_t id, std::int32_t slot);

// The skin file name a skin choice selects, or nothing when it is the configured skin already (names
// compared ignoring case). The name is what follows the path's last backslash, cut to 39 units.
std::optional<std::u16string> SkinNameToSelect(std::u16string_view chosen_path, std::u16string_view skin_name);

// The file name of a path: what follows its last backslash.
std::u16string_view PathFileName(std::u16string_view path);

// Whether two names are equal ignoring the case of ASCII letters.
bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b);

}  // namespace lz
