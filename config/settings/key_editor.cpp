#include "config/settings/key_editor.h"

#include <algorithm>

#include "textservice/engine/dme_block.h"

namespace lz::config {
namespace {

using namespace key_function;

// The keyboard as the dialog lays it out, row by row; the ids are the dialog's.
constexpr KeyButton kButtons[kKeyButtonCount] = {
    // Top row: ` 1..0 - =
    {1045, u"`"}, {1046, u"1"}, {1047, u"2"}, {1048, u"3"}, {1049, u"4"}, {1050, u"5"}, {1051, u"6"},
    {1052, u"7"}, {1060, u"8"}, {1061, u"9"}, {1146, u"0"}, {1067, u"-"}, {1068, u"="},
    // q .. \ (backslash)
    {1069, u"q"}, {1070, u"w"}, {1071, u"e"}, {1072, u"r"}, {1073, u"t"}, {1074, u"y"}, {1075, u"u"},
    {1076, u"i"}, {1077, u"o"}, {1078, u"p"}, {1079, u"["}, {1080, u"]"}, {1081, u"\\"},
    // a .. '
    {1116, u"a"}, {1117, u"s"}, {1118, u"d"}, {1147, u"f"}, {1148, u"g"}, {1149, u"h"}, {1150, u"j"},
    {1151, u"k"}, {1152, u"l"}, {1153, u";"}, {1154, u"'"},
    // z .. /
    {1099, u"z"}, {1100, u"x"}, {1101, u"c"}, {1102, u"v"}, {1103, u"b"}, {1104, u"n"}, {1105, u"m"},
    {1082, u","}, {1083, u"."}, {1084, u"/"},
    // Esc and F1..F12
    {1053, u"键Esc"}, {1054, u"键F1"}, {1055, u"键F2"}, {1056, u"键F3"}, {1057, u"键F4"}, {1058, u"键F5"},
    {1059, u"键F6"}, {1062, u"键F7"}, {1063, u"键F8"}, {1064, u"键F9"}, {1155, u"键F10"}, {1090, u"键F11"},
    {1091, u"键F12"},
    // Tab, Backspace, CapsLock, Enter, the six modifier keys, Space and the editing block
    {1119, u"键Tab"}, {1120, u"键Backspace"}, {1121, u"键CapsLock"}, {1122, u"键Enter"},
    {1123, u"键左Shift"}, {1124, u"键右Shift"}, {1125, u"键左Ctrl"}, {1126, u"键左Alt"}, {1127, u"键右Alt"},
    {1128, u"键右Ctrl"}, {1129, u" "}, {1130, u"键Scroll"}, {1131, u"键Pause"}, {1132, u"键Insert"},
    {1133, u"键Home"}, {1134, u"键PageUp"}, {1135, u"键Delete"}, {1136, u"键End"}, {1137, u"键PageDown"},
    {1138, u"键PrtSc"},
    // The arrows
    {1142, u"键左箭头"}, {1143, u"键上箭头"}, {1144, u"键右箭头"}, {1145, u"键下箭头"},
    // The keypad, written as texts write it
    {1106, u"０"}, {1107, u"１"}, {1108, u"２"}, {1109, u"３"}, {1110, u"４"}, {1111, u"５"}, {1112, u"６"},
    {1113, u"７"}, {1114, u"８"}, {1115, u"９"}, {1085, u"＊"}, {1086, u"＋"}, {1087, u"－"}, {1088, u"．"},
    {1089, u"／"},
};

constexpr int kFirstModifierButton = 1123;
constexpr int kLastModifierButton = 1128;

constexpr KeyFunctionMask Numbered(KeyFunctionMask marker, unsigned n) {
  return marker | (KeyFunctionMask{n} << kNumberShift);
}

unsigned NumberOf(KeyFunctionMask mask) { return static_cast<unsigned>((mask & kNumberMask) >> kNumberShift); }

std::vector<MenuCommand> MakeMenuCommands() {
  using K = MenuCommandKind;
  std::vector<MenuCommand> commands = {
      {32808, K::kToggle, kClearInput, 0},    {32809, K::kToggle, kRepeatInput, 0},
      {32810, K::kToggle, kUndoInput, 0},     {32803, K::kToggle, kPageUp, 0},
      {32804, K::kToggle, kPageDown, 0},      {32799, K::kToggle, kCursorLeft, 0},
      {32800, K::kToggle, kCursorRight, 0},   {32801, K::kToggle, kCursorHome, 0},
      {32802, K::kToggle, kCursorEnd, 0},     {32797, K::kToggle, kDeleteBefore, 0},
      {32798, K::kToggle, kDeleteAfter, 0},   {32812, K::kToggle, kFirstForward, 0},
      {32813, K::kToggle, kFirstBackward, 0},
      {32814, K::kCommit, 0, kCommitFirst},
  };
  for (unsigned n = 1; n <= 10; ++n) commands.push_back({static_cast<int>(32784 + n), K::kCommit, 0, n});
  commands.push_back({32796, K::kCommit, 0, kCommitEnglish});
  commands.push_back({32795, K::kCommit, 0, kCommitLast});
  commands.push_back({33065, K::kCommit, 0, kCommitFirstAndKey});
  // The frequency and delete items' ids skip one number each (32903, 32908).
  for (unsigned n = 1; n <= 10; ++n) {
    commands.push_back({static_cast<int>(n <= 7 ? 32895 + n : 32896 + n), K::kFrequency, 0, n});
  }
  for (unsigned n = 1; n <= 10; ++n) {
    commands.push_back({static_cast<int>(n == 1 ? 32907 : 32907 + n), K::kDelete, 0, n});
  }
  const MenuCommand exclusive[] = {
      {32807, K::kExclusive, kToggleIme, 0},
      {33054, K::kExclusive, kToggleEnglish, 0},
      {33030, K::kExclusive, kSchemeMainMixed, 0},
      {33031, K::kExclusive, kSchemeMainAuxiliary, 0},
      {33029, K::kExclusive, kRangeMainMixed, 0},
      {33028, K::kExclusive, kRangeMainSecondary, 0},
      {32890, K::kExclusive, kConfigHome, 0},
      {32894, K::kExclusive, kConfigHelp, 0},
      {32921, K::kExclusive, kConfigAbout, 0},
      {32891, K::kExclusive, kConfigKeys, 0},
      {32892, K::kExclusive, kConfigOutputLookup, 0},
      {32886, K::kExclusive, kAddWordOnline, 0},
      {33039, K::kExclusive, kConfigClipboardLookup, 0},
      // The dictionary is one of the 配置 functions the key handling runs and the settings text writes.
      {key_menu::kDictionary, K::kExclusive, kConfigDictionary, 0},
      {32815, K::kExclusive, kToggleStatusWindow, 0},
      {32885, K::kExclusive, kToggleCandidateWindow, 0},
      {32888, K::kExclusive, kConvertSimplified, 0},
      {32889, K::kExclusive, kConvertTraditional, 0},
      {32945, K::kExclusive, kDeleteWordOnline, 0},
      {32948, K::kExclusive, kSoftKeyboard, 0},
      {33066, K::kExclusive, kCustom1, 0},
      {33067, K::kExclusive, kCustom2, 0},
      {33068, K::kExclusive, kCustom3, 0},
      {33069, K::kExclusive, kCustomCandidate, 0},
      {key_menu::kClearKey, K::kClearKey, 0, 0},
      {key_menu::kLoadDefaults, K::kLoadDefaults, 0, 0},
      {key_menu::kClearAll, K::kClearAll, 0, 0},
      {key_menu::kClearCombinations, K::kClearCombinations, 0, 0},
      {key_menu::kCancel, K::kNone, 0, 0},
  };
  commands.insert(commands.end(), std::begin(exclusive), std::end(exclusive));
  return commands;
}

// A numbered group: off when its marker is set, else on with N. N is one field for the three groups.
KeyFunctionMask ToggleNumbered(KeyFunctionMask mask, KeyFunctionMask marker, unsigned n) {
  if (mask & marker) return mask & ~(marker | kNumberMask);
  return (mask & ~kNumberMask) | Numbered(marker, n);
}

struct DefaultKey {
  std::uint8_t vk;
  KeyFunctionMask mask;
};

constexpr DefaultKey kDefaultKeys[] = {
    {0x1B, kClearInput},
    {0x08, kDeleteBefore},
    {0x2E, kDeleteAfter},
    {0x0D, Numbered(kCommit, kCommitEnglish)},
    {0x20, Numbered(kCommit, kCommitFirst)},
    {0x31, Numbered(kCommit, 1)},
    {0x32, Numbered(kCommit, 2)},
    {0x33, Numbered(kCommit, 3)},
    {0x34, Numbered(kCommit, 4)},
    {0x35, Numbered(kCommit, 5)},
    {0x36, Numbered(kCommit, 6)},
    {0x37, Numbered(kCommit, 7)},
    {0x38, Numbered(kCommit, 8)},
    {0x39, Numbered(kCommit, 9)},
    {0x30, Numbered(kCommit, 10)},
    {0xA0, kToggleIme},
    {0x21, kPageUp},
    {0xBD, kPageUp},
    {0x22, kPageDown},
    {0xBB, kPageDown},
    {0x24, kCursorHome},
    {0x23, kCursorEnd},
    {0x25, kCursorLeft},
    {0x27, kCursorRight},
    {0x26, kFirstForward},
    {0x28, kFirstBackward},
};

}  // namespace

const KeyButton (&KeyButtons())[kKeyButtonCount] { return kButtons; }

std::u16string_view KeyButtonName(int id) {
  for (const KeyButton& button : kButtons) {
    if (button.id == id) return button.name;
  }
  return {};
}

bool IsModifierKeyButton(int id) { return id >= kFirstModifierButton && id <= kLastModifierButton; }

std::int32_t KeyCodeForButton(int id, ModifierBoxes boxes) {
  const std::u16string_view name = KeyButtonName(id);
  if (name.empty()) return key_code::kNone;
  std::int32_t code = ParseKeyName(name);
  if (code <= 0) return code;
  if (boxes.ctrl) code |= key_code::kCtrl;
  if (boxes.alt) code |= key_code::kAlt;
  if (boxes.shift) code |= key_code::kShift;
  return code;
}

std::optional<KeyBinding> BindingForKey(ByteView dme, std::int32_t code) {
  if (const std::int32_t entry = KeyTableEntry(code); entry >= 0) {
    return KeyBinding{false, static_cast<std::uint32_t>(entry), ReadKeyBinding(dme, static_cast<std::uint32_t>(entry))};
  }
  const std::int32_t slot = FindCombination(dme, code);
  CombinationBinding stored;
  if (slot < 0 || !ReadCombination(dme, static_cast<std::uint32_t>(slot), stored)) return std::nullopt;
  return KeyBinding{true, static_cast<std::uint32_t>(slot), stored.mask};
}

bool KeyHasFunctions(ByteView dme, std::int32_t code) {
  const std::optional<KeyBinding> binding = BindingForKey(dme, code);
  return binding && binding->mask != 0;
}

const std::vector<MenuCommand>& MenuCommands() {
  static const std::vector<MenuCommand> commands = MakeMenuCommands();
  return commands;
}

const MenuCommand* FindMenuCommand(int id) {
  const std::vector<MenuCommand>& commands = MenuCommands();
  const auto found = std::find_if(commands.begin(), commands.end(), [id](const MenuCommand& c) { return c.id == id; });
  return found == commands.end() ? nullptr : &*found;
}

KeyFunctionMask ApplyMenuCommand(KeyFunctionMask mask, int id) {
  const MenuCommand* command = FindMenuCommand(id);
  if (!command) return mask;
  switch (command->kind) {
    case MenuCommandKind::kToggle:
      return mask ^ command->bit;
    case MenuCommandKind::kCommit:
      return ToggleNumbered(mask, kCommit, command->number);
    case MenuCommandKind::kFrequency:
      return ToggleNumbered(mask, kFrequency, command->number);
    case MenuCommandKind::kDelete:
      return ToggleNumbered(mask, kDelete, command->number);
    case MenuCommandKind::kExclusive:
      return (mask & command->bit) ? mask & ~command->bit : command->bit;
    case MenuCommandKind::kClearKey:
      return 0;
    default:
      return mask;
  }
}

std::vector<int> CheckedMenuCommands(KeyFunctionMask mask) {
  std::vector<int> checked;
  for (const MenuCommand& command : MenuCommands()) {
    bool on = false;
    switch (command.kind) {
      case MenuCommandKind::kToggle:
      case MenuCommandKind::kExclusive:
        on = (mask & command.bit) != 0;
        break;
      case MenuCommandKind::kCommit:
        on = (mask & kCommit) && NumberOf(mask) == command.number;
        break;
      case MenuCommandKind::kFrequency:
        on = (mask & kFrequency) && NumberOf(mask) == command.number;
        break;
      case MenuCommandKind::kDelete:
        on = (mask & kDelete) && NumberOf(mask) == command.number;
        break;
      default:
        break;
    }
    if (on) checked.push_back(command.id);
  }
  return checked;
}

std::u16string_view WholeTableQuestion(int id) {
  switch (id) {
    case key_menu::kLoadDefaults:
      return u"此操作将清空您原有的自定义设置，然后使用蓝卓默认按键方案。\r\n是否继续？";
    case key_menu::kClearAll:
      return u"此操作将清空所有已经定义的按键功能。\r\n是否继续？";
    case key_menu::kClearCombinations:
      return u"此操作将清空所有已经定义的组合键功能。\r\n是否继续？";
    default:
      return {};
  }
}

void ClearAllKeyBindings(ByteView dme) {
  for (std::uint32_t entry = 0; entry < dme_block::kKeyMaskCount; ++entry) WriteKeyBinding(dme, entry, 0);
  ClearCombinations(dme);
}

void LoadDefaultKeyBindings(ByteView dme) {
  ClearAllKeyBindings(dme);
  for (const DefaultKey& key : kDefaultKeys) WriteKeyBinding(dme, key.vk, key.mask);
}

template <typename Change>
bool KeyBindingEditor::Write(Change change) {
  if (!file_) {
    change(*dme_);
    return true;
  }
  ScopedFileWrite write(file_);
  if (!write.ok()) return false;
  change(*dme_);
  return true;
}

void KeyBindingEditor::DropEmptyCombination(ByteView dme, std::int32_t code) {
  for (std::int32_t slot = FindCombination(dme, code); slot >= 0; slot = FindCombination(dme, code)) {
    CombinationBinding stored;
    if (!ReadCombination(dme, static_cast<std::uint32_t>(slot), stored) || stored.mask != 0) return;
    if (!RemoveCombination(dme, static_cast<std::uint32_t>(slot))) return;
  }
}

KeyBindingEditor::Start KeyBindingEditor::BeginEdit(std::int32_t code, Edit& edit) {
  if (code <= 0) return Start::kNoKey;
  edit.code = code;
  if (const std::optional<KeyBinding> binding = BindingForKey(*dme_, code)) {
    edit.binding = *binding;
    return Start::kEdit;
  }
  if (CombinationCount(*dme_) >= dme_block::kMaxCombinations) return Start::kFull;
  std::int32_t slot = -1;
  if (!Write([&](ByteView dme) { slot = AddCombination(dme, code, 0); })) return Start::kRefused;
  if (slot < 0) return Start::kFull;
  edit.binding = KeyBinding{true, static_cast<std::uint32_t>(slot), 0};
  return Start::kEdit;
}

KeyBindingEditor::Outcome KeyBindingEditor::FinishEdit(const Edit& edit, int command) {
  const MenuCommand* chosen = FindMenuCommand(command);
  if (chosen && (chosen->kind == MenuCommandKind::kLoadDefaults || chosen->kind == MenuCommandKind::kClearAll ||
                 chosen->kind == MenuCommandKind::kClearCombinations)) {
    return Outcome::kAskWholeTable;
  }
  const KeyFunctionMask mask = ApplyMenuCommand(edit.binding.mask, command);
  const bool frees_slot = edit.binding.combination && mask == 0;
  if (mask == edit.binding.mask && !frees_slot) return Outcome::kDone;
  const bool written = Write([&](ByteView dme) {
    if (!edit.binding.combination) {
      WriteKeyBinding(dme, edit.binding.place, mask);
      return;
    }
    // Found again by its code: the slots are the same unless another writer moved them meanwhile.
    const std::int32_t slot = FindCombination(dme, edit.code);
    if (slot >= 0) WriteCombinationMask(dme, static_cast<std::uint32_t>(slot), mask);
    if (mask == 0) DropEmptyCombination(dme, edit.code);
  });
  return written ? Outcome::kDone : Outcome::kRefused;
}

KeyBindingEditor::Outcome KeyBindingEditor::FinishWholeTable(const Edit& edit, int command, bool yes) {
  const bool frees_slot = edit.binding.combination && edit.binding.mask == 0;
  if (!yes && !frees_slot) return Outcome::kDone;
  const bool written = Write([&](ByteView dme) {
    if (yes) {
      switch (command) {
        case key_menu::kLoadDefaults:
          LoadDefaultKeyBindings(dme);
          break;
        case key_menu::kClearAll:
          ClearAllKeyBindings(dme);
          break;
        case key_menu::kClearCombinations:
          ClearCombinations(dme);
          break;
        default:
          break;
      }
    }
    if (edit.binding.combination) DropEmptyCombination(dme, edit.code);
  });
  return written ? Outcome::kDone : Outcome::kRefused;
}

}  // namespace lz::config
