#pragma once
// The key-function editor's decisions (按键功能定义): the drawn keyboard's buttons and the keys they
// stand for, where a key's binding lives, what each command of the function menu does to a key's mask,
// which menu items carry a check mark, and the whole-table operations. Every change goes into the mapped
// dme block of config.dsc under its writer lock, so a running text service sees it at once.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "textservice/engine/byte_view.h"
#include "textservice/engine/key_names.h"
#include "textservice/engine/mapped_file.h"

namespace lz::config {

// The keyboard's 99 key buttons: control id and the key name its caption stands for.
struct KeyButton {
  int id;
  std::u16string_view name;
};
constexpr std::size_t kKeyButtonCount = 99;
const KeyButton (&KeyButtons())[kKeyButtonCount];
// The key name of a button; empty for an id that is no key button.
std::u16string_view KeyButtonName(int id);
// The six modifier keys (left and right Shift, Ctrl, Alt), disabled while a modifier box is ticked.
bool IsModifierKeyButton(int id);

// The check boxes "CTRL按下", "ALT按下" and "SHIFT按下".
struct ModifierBoxes {
  bool ctrl = false;
  bool alt = false;
  bool shift = false;
  bool any() const { return ctrl || alt || shift; }
};

// The key code a button edits: its key name's code with the ticked modifiers; a name without a key code
// (0 or less) as it is; -1 for an id that is no key button.
std::int32_t KeyCodeForButton(int id, ModifierBoxes boxes);

// Where a key's functions are stored and what they are.
struct KeyBinding {
  bool combination = false;
  std::uint32_t place = 0;  // the table entry (0-511) or the combination slot
  KeyFunctionMask mask = 0;
};

// The binding of a key code: its table entry for a plain key with a name (shifted with Shift), else the
// first stored combination of that code, else none.
std::optional<KeyBinding> BindingForKey(ByteView dme, std::int32_t code);
// A button is drawn highlighted when its key carries any function.
bool KeyHasFunctions(ByteView dme, std::int32_t code);

// Commands of the function menu (menu 145).
enum class MenuCommandKind {
  kToggle,             // the bit is flipped, the rest kept
  kCommit,             // the commit marker with N
  kFrequency,          // the frequency marker with N
  kDelete,             // the delete marker with N
  kExclusive,          // set: cleared; else the mask becomes that bit alone
  kClearKey,           // 清空定义: this key's mask 0
  kLoadDefaults,       // all keys, after a question
  kClearAll,
  kClearCombinations,
  kNone,               // 取消
};

struct MenuCommand {
  int id;
  MenuCommandKind kind;
  KeyFunctionMask bit;  // kToggle, kExclusive
  unsigned number;      // N of kCommit, kFrequency, kDelete
};

namespace key_menu {
constexpr int kCancel = 32817;
constexpr int kClearKey = 32816;
constexpr int kLoadDefaults = 32922;
constexpr int kClearAll = 32924;
constexpr int kClearCombinations = 32923;
constexpr int kDictionary = 33063;
}  // namespace key_menu

const std::vector<MenuCommand>& MenuCommands();
const MenuCommand* FindMenuCommand(int id);
// The mask after a command that changes one key (kToggle .. kClearKey); other commands change nothing.
KeyFunctionMask ApplyMenuCommand(KeyFunctionMask mask, int id);
// The commands whose menu items get a check mark for a key with this mask, in table order.
std::vector<int> CheckedMenuCommands(KeyFunctionMask mask);
// The yes/no question a whole-table command asks first; empty for the others.
std::u16string_view WholeTableQuestion(int id);

// The whole key-binding table: 512 masks, the combination count and its 64 slots zero.
void ClearAllKeyBindings(ByteView dme);
// The table cleared, then the input method's default keys bound.
void LoadDefaultKeyBindings(ByteView dme);

// The editor on one dme block: a click on a key, the command chosen from its menu, and the whole-table
// commands. A null file edits the block in memory; with a file each change holds its writer lock, and
// a store that refuses writing (a read-only copy) changes nothing.
class KeyBindingEditor {
 public:
  KeyBindingEditor(MappedFile* file, const ByteView* dme) : file_(file), dme_(dme) {}

  enum class Start {
    kEdit,     // the menu is shown for the binding
    kNoKey,    // the button names no key code: ignored
    kFull,     // a new combination with 64 stored: "组合按键空间用尽..."
    kRefused,  // config.dsc cannot be written
  };
  struct Edit {
    std::int32_t code = 0;
    KeyBinding binding;
  };
  // Steps before the menu: the key's binding, a new combination taking slot `count` with an empty mask.
  Start BeginEdit(std::int32_t code, Edit& edit);

  enum class Outcome {
    kDone,               // applied (or nothing to apply)
    kAskWholeTable,      // ask WholeTableQuestion(command), then FinishWholeTable
    kRefused,            // config.dsc cannot be written
  };
  // A command of the key's menu (0 when the menu was dismissed). A combination left without functions
  // frees its slot, so a cancelled new combination leaves nothing behind.
  Outcome FinishEdit(const Edit& edit, int command);
  // After the whole-table question: runs the command on yes, then frees the key's slot if it is a
  // combination left empty.
  Outcome FinishWholeTable(const Edit& edit, int command, bool yes);

 private:
  template <typename Change>
  bool Write(Change change);
  void DropEmptyCombination(ByteView dme, std::int32_t code);

  MappedFile* file_;
  const ByteView* dme_;
};

}  // namespace lz::config
