#include "config/settings/key_editor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "config/settings/settings_export.h"
#include "tests/support/data_folder.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/settings_text.h"

namespace lz::config {
namespace {

using namespace key_function;

constexpr KeyFunctionMask N(unsigned n) { return KeyFunctionMask{n} << kNumberShift; }

// config.dsc as tests/support builds it, edited in memory.
class Store {
 public:
  Store() : bytes_(test::BuildConfigStore()) { FindConfigBlocks(View(), blocks_); }
  ByteView dme() const { return blocks_.dme; }
  const ConfigBlocks& blocks() const { return blocks_; }
  const ByteView* dme_ptr() const { return &blocks_.dme; }

 private:
  ByteView View() { return ByteView{bytes_.data(), static_cast<std::uint32_t>(bytes_.size())}; }
  std::vector<std::uint8_t> bytes_;
  ConfigBlocks blocks_{};
};

TEST(KeyEditorTest, ButtonsStandForTheirKeysUnderTheModifierBoxes) {
  const ModifierBoxes none{}, ctrl{true, false, false}, alt{false, true, false}, shift{false, false, true};
  const ModifierBoxes all{true, true, true};
  const struct {
    int id;
    ModifierBoxes boxes;
    std::int32_t code;
  } cases[] = {
      {1085, none, 0x6A},           // keypad ＊
      {1106, none, 0x60},           // keypad ０
      {1089, alt, 0x26F},           // keypad ／ with Alt
      {1129, none, 0x20},           // Space
      {1116, shift, 0x141},         // a with SHIFT
      {1054, ctrl, 0x470},          // F1 with CTRL
      {1054, shift, 0x170},         // Shift+F1
      {1155, none, 0x79},           // F10, not F1
      {1091, none, 0x7B},           // F12
      {1053, none, 0x1B},           // Esc
      {1045, none, 0xC0},           // `
      {1060, none, 0x38},           // 8 in the top row
      {1061, none, 0x39},           // 9 in the top row
      {1146, all, 0x730},           // 0 with all three
      {1081, none, 0xDC},           // backslash
      {1154, none, 0xDE},           // '
      {1084, none, 0xBF},           // /
      {1123, none, 0xA0},           // left Shift
      {1128, none, 0xA3},           // right Ctrl
      {1138, none, 0x2C},           // PrtSc
      {1142, none, 0x25},           // left arrow
      {1145, none, 0x28},           // down arrow
      {1004, none, -1},             // a check box is no key button
      {2, none, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(KeyCodeForButton(c.id, c.boxes), c.code) << c.id;

  std::set<int> ids;
  std::set<std::int32_t> codes;
  for (const KeyButton& button : KeyButtons()) {
    ids.insert(button.id);
    const std::int32_t code = KeyCodeForButton(button.id, none);
    EXPECT_GT(code, 0) << button.id;
    EXPECT_LT(code, 0x100) << button.id;
    EXPECT_EQ(KeyTableEntry(code), code) << button.id;  // every plain key has a table entry
    codes.insert(code);
  }
  EXPECT_EQ(ids.size(), kKeyButtonCount);
  // Each box adds its modifier to every key.
  for (const KeyButton& button : KeyButtons()) {
    const std::int32_t base = KeyCodeForButton(button.id, none);
    for (int boxes = 0; boxes < 8; ++boxes) {
      const ModifierBoxes ticked{(boxes & 1) != 0, (boxes & 2) != 0, (boxes & 4) != 0};
      const std::int32_t expected = base | ((boxes & 1) ? 0x400 : 0) | ((boxes & 2) ? 0x200 : 0) | ((boxes & 4) ? 0x100 : 0);
      EXPECT_EQ(KeyCodeForButton(button.id, ticked), expected) << button.id << "/" << boxes;
    }
  }
  EXPECT_EQ(codes.size(), kKeyButtonCount);
  int modifiers = 0;
  for (int id : ids) modifiers += IsModifierKeyButton(id) ? 1 : 0;
  EXPECT_EQ(modifiers, 6);
}

TEST(KeyEditorTest, BindingForKeyIsTheTableEntryOrTheFirstCombination) {
  Store store;
  const ByteView dme = store.dme();
  WriteKeyBinding(dme, 0x41, kPageUp);
  WriteKeyBinding(dme, 0x141, kPageDown);
  AddCombination(dme, 0x470, kClearInput);
  AddCombination(dme, 0x170, kUndoInput);
  AddCombination(dme, 0x470, kRepeatInput);  // a second slot of the same code: the first counts
  const struct {
    std::int32_t code;
    bool found;
    bool combination;
    std::uint32_t place;
    KeyFunctionMask mask;
  } cases[] = {
      {0x41, true, false, 0x41, kPageUp},
      {0x141, true, false, 0x141, kPageDown},
      {0x6A, true, false, 0x6A, 0},
      {0x470, true, true, 0, kClearInput},
      {0x170, true, true, 1, kUndoInput},  // F1 has no shifted name: Shift+F1 is a combination
      {0x16A, false, false, 0, 0},         // Shift with the keypad ＊ neither
      {0x441, false, false, 0, 0},
  };
  for (const auto& c : cases) {
    const std::optional<KeyBinding> binding = BindingForKey(dme, c.code);
    ASSERT_EQ(binding.has_value(), c.found) << c.code;
    if (!binding) continue;
    EXPECT_EQ(binding->combination, c.combination) << c.code;
    EXPECT_EQ(binding->place, c.place) << c.code;
    EXPECT_EQ(binding->mask, c.mask) << c.code;
    EXPECT_EQ(KeyHasFunctions(dme, c.code), c.mask != 0) << c.code;
  }
}

TEST(KeyEditorTest, MenuCommandsChangeAMask) {
  const struct {
    KeyFunctionMask before;
    std::vector<int> commands;
    KeyFunctionMask after;
  } cases[] = {
      // Toggles combine with each other and with the rest.
      {0, {32808}, kClearInput},
      {kClearInput, {32803, 32799}, kClearInput | kPageUp | kCursorLeft},
      {kClearInput | kPageUp, {32808}, kPageUp},
      {kCommit | N(3), {32813}, kCommit | N(3) | kFirstBackward},
      // The commit group: on with N, and any commit item on a committing key removes the commit.
      {0, {32814}, kCommit | N(0)},
      {0, {32786}, kCommit | N(2)},
      {0, {32794}, kCommit | N(10)},
      {0, {32796}, kCommit | N(11)},
      {0, {32795}, kCommit | N(12)},
      {0, {33065}, kCommit | N(13)},
      {kCommit | N(1), {32786}, 0},
      {kCommit | N(1) | kPageUp, {32786}, kPageUp},
      {kCommit | N(1), {32786, 32787}, kCommit | N(3)},
      // Exclusive functions: on alone, off by themselves; toggles come back beside them.
      {kPageUp, {32807}, kToggleIme},
      {kPageUp, {32807, 32803}, kToggleIme | kPageUp},
      {kToggleIme | kPageUp, {32807}, kPageUp},
      {kCommit | N(4), {33054}, kToggleEnglish},
      {0, {33030}, kSchemeMainMixed},
      {0, {33031}, kSchemeMainAuxiliary},
      {0, {33029}, kRangeMainMixed},
      {0, {33028}, kRangeMainSecondary},
      {0, {32890}, kConfigHome},
      {0, {32894}, kConfigHelp},
      {0, {32921}, kConfigAbout},
      {0, {32891}, kConfigKeys},
      {0, {32892}, kConfigOutputLookup},
      {0, {32886}, kAddWordOnline},
      {0, {33039}, kConfigClipboardLookup},
      {kPageUp, {33063}, KeyFunctionMask{0x8000} << 32},  // 词典查询
      {0, {32815}, kToggleStatusWindow},
      {0, {32885}, kToggleCandidateWindow},
      {0, {32888}, kConvertSimplified},
      {0, {32889}, kConvertTraditional},
      {0, {32945}, kDeleteWordOnline},
      {0, {32948}, kSoftKeyboard},
      {0, {33066}, kCustom1},
      {0, {33067}, kCustom2},
      {0, {33068}, kCustom3},
      {0, {33069}, kCustomCandidate},
      // Frequency and delete: marker and N set, then cleared; the shared N follows the last choice.
      {0, {32896}, kFrequency | N(1)},
      {0, {32902}, kFrequency | N(7)},
      {0, {32904}, kFrequency | N(8)},
      {0, {32906}, kFrequency | N(10)},
      {kFrequency | N(4), {32899}, 0},
      {0, {32907}, kDelete | N(1)},
      {0, {32909}, kDelete | N(2)},
      {0, {32917}, kDelete | N(10)},
      {kDelete | N(2), {32910}, 0},
      {kCommit | N(2), {32899}, kCommit | kFrequency | N(4)},
      {kCommit | kFrequency | N(4), {32899}, kCommit},
      // This key, none, and the whole-table commands leave the mask to their own handling.
      {kPageUp | kCommit | N(2), {32816}, 0},
      {kPageUp, {32817}, kPageUp},
      {kPageUp, {0}, kPageUp},
      {kPageUp, {32922}, kPageUp},
      {kPageUp, {32924}, kPageUp},
      {kPageUp, {32923}, kPageUp},
  };
  for (const auto& c : cases) {
    KeyFunctionMask mask = c.before;
    for (int command : c.commands) mask = ApplyMenuCommand(mask, command);
    EXPECT_EQ(mask, c.after) << std::hex << c.before << " " << c.commands.front();
  }
}

TEST(KeyEditorTest, CheckMarksFollowTheMask) {
  const struct {
    KeyFunctionMask mask;
    std::vector<int> checked;
  } cases[] = {
      {0, {}},
      {kClearInput | kPageUp, {32808, 32803}},
      {kCommit | N(0), {32814}},
      {kCommit | N(2), {32786}},
      {kCommit | N(11), {32796}},
      {kCommit | N(13), {33065}},
      {kCommit | kFrequency | N(4), {32788, 32899}},
      {kDelete | N(10), {32917}},
      {kToggleIme, {32807}},
      {KeyFunctionMask{0x8000} << 32, {33063}},
      {kCustomCandidate | kCursorEnd, {32802, 33069}},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckedMenuCommands(c.mask), c.checked) << std::hex << c.mask;
}

TEST(KeyEditorTest, WholeTableCommandsAskTheirQuestions) {
  EXPECT_EQ(WholeTableQuestion(32922), u"此操作将清空您原有的自定义设置，然后使用蓝卓默认按键方案。\r\n是否继续？");
  EXPECT_EQ(WholeTableQuestion(32924), u"此操作将清空所有已经定义的按键功能。\r\n是否继续？");
  EXPECT_EQ(WholeTableQuestion(32923), u"此操作将清空所有已经定义的组合键功能。\r\n是否继续？");
  EXPECT_TRUE(WholeTableQuestion(32816).empty());
}

// A click on a key code, then the command its menu returns.
KeyBindingEditor::Outcome Click(KeyBindingEditor& editor, std::int32_t code, int command) {
  KeyBindingEditor::Edit edit;
  EXPECT_EQ(editor.BeginEdit(code, edit), KeyBindingEditor::Start::kEdit) << code;
  return editor.FinishEdit(edit, command);
}

std::vector<CombinationBinding> Combinations(ByteView dme) {
  std::vector<CombinationBinding> all;
  for (std::uint32_t i = 0; i < CombinationCount(dme); ++i) {
    CombinationBinding c;
    ReadCombination(dme, i, c);
    all.push_back(c);
  }
  return all;
}

TEST(KeyEditorTest, ANewCombinationTakesASlotAndCancellingFreesIt) {
  Store store;
  KeyBindingEditor editor(nullptr, store.dme_ptr());
  KeyBindingEditor::Edit edit;
  ASSERT_EQ(editor.BeginEdit(0x470, edit), KeyBindingEditor::Start::kEdit);
  EXPECT_TRUE(edit.binding.combination);
  EXPECT_EQ(edit.binding.place, 0u);
  EXPECT_EQ(CombinationCount(store.dme()), 1u);
  EXPECT_EQ(editor.FinishEdit(edit, 0), KeyBindingEditor::Outcome::kDone);
  EXPECT_EQ(CombinationCount(store.dme()), 0u);
  EXPECT_EQ(editor.BeginEdit(0x470, edit), KeyBindingEditor::Start::kEdit);
  EXPECT_EQ(editor.FinishEdit(edit, key_menu::kCancel), KeyBindingEditor::Outcome::kDone);
  EXPECT_EQ(CombinationCount(store.dme()), 0u);

  // A chosen function keeps it, taking it away frees the slot again.
  EXPECT_EQ(Click(editor, 0x470, 32803), KeyBindingEditor::Outcome::kDone);
  ASSERT_EQ(Combinations(store.dme()).size(), 1u);
  EXPECT_EQ(Combinations(store.dme())[0].mask, kPageUp);
  EXPECT_EQ(Click(editor, 0x470, 32803), KeyBindingEditor::Outcome::kDone);
  EXPECT_TRUE(Combinations(store.dme()).empty());

  // A no key code is ignored.
  EXPECT_EQ(editor.BeginEdit(0, edit), KeyBindingEditor::Start::kNoKey);
  EXPECT_EQ(editor.BeginEdit(-1, edit), KeyBindingEditor::Start::kNoKey);
}

TEST(KeyEditorTest, RemovingTheFirstOfThreeKeepsTheOthersInFrontAndReadable) {
  Store store;
  KeyBindingEditor editor(nullptr, store.dme_ptr());
  Click(editor, 0x470, 32803);              // Ctrl+F1 前翻页
  Click(editor, 0x441, 32804);              // Ctrl+A 后翻页
  Click(editor, 0x170, 32808);              // Shift+F1 清除输入
  ASSERT_EQ(Combinations(store.dme()).size(), 3u);
  Click(editor, 0x470, key_menu::kClearKey);
  const std::vector<CombinationBinding> left = Combinations(store.dme());
  ASSERT_EQ(left.size(), 2u);
  EXPECT_EQ(left[0].key_code, 0x441);
  EXPECT_EQ(left[0].mask, kPageDown);
  EXPECT_EQ(left[1].key_code, 0x170);
  EXPECT_EQ(left[1].mask, kClearInput);
  CombinationBinding freed;
  ASSERT_TRUE(ReadCombination(store.dme(), 2, freed));
  EXPECT_EQ(freed.key_code, 0);
  EXPECT_EQ(freed.mask, 0u);
  // The settings text's reader finds both where they are.
  ReadKeyFunctionText(u"a+键Ctrl", store.dme(), u"首选前移");
  ReadKeyFunctionText(u"键F1+键Shift", store.dme(), u"首选后移");
  const std::vector<CombinationBinding> read = Combinations(store.dme());
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].mask, kFirstForward);
  EXPECT_EQ(read[1].mask, kFirstBackward);
  // And a new combination goes behind them.
  Click(editor, 0x472, 32803);
  EXPECT_EQ(FindCombination(store.dme(), 0x472), 2);
}

TEST(KeyEditorTest, TheSixtyFifthCombinationIsRefusedAndChangesNothing) {
  Store store;
  KeyBindingEditor editor(nullptr, store.dme_ptr());
  for (std::int32_t i = 0; i < 64; ++i) Click(editor, 0x400 | (0x41 + i % 26) | (i >= 26 ? 0x200 : 0) | (i >= 52 ? 0x100 : 0), 32803);
  ASSERT_EQ(CombinationCount(store.dme()), 64u);
  const std::vector<std::uint8_t> before(store.dme().data, store.dme().data + store.dme().size);
  KeyBindingEditor::Edit edit;
  EXPECT_EQ(editor.BeginEdit(0x470, edit), KeyBindingEditor::Start::kFull);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), store.dme().data));
  // A stored one is still edited.
  EXPECT_EQ(editor.BeginEdit(0x441, edit), KeyBindingEditor::Start::kEdit);
}

TEST(KeyEditorTest, ShiftWithAKeyWithoutAShiftedNameIsACombinationTheTextReadsBack) {
  Store store;
  KeyBindingEditor editor(nullptr, store.dme_ptr());
  Click(editor, 0x441, 32804);
  Click(editor, KeyCodeForButton(1054, ModifierBoxes{false, false, true}), 32808);  // Shift+F1
  Click(editor, KeyCodeForButton(1116, ModifierBoxes{false, false, true}), 32803);  // Shift+a: the shifted entry
  EXPECT_EQ(ReadKeyBinding(store.dme(), 0x170), 0u);
  EXPECT_EQ(ReadKeyBinding(store.dme(), 0x141), kPageUp);
  ASSERT_EQ(FindCombination(store.dme(), 0x170), 1);
  // The line a settings text carries for it lands in the same slot.
  ReadKeyFunctionText(u"键F1+键Shift", store.dme(), u"撤销输入");
  EXPECT_EQ(FindCombination(store.dme(), 0x170), 1);
  EXPECT_EQ(Combinations(store.dme())[1].mask, kUndoInput);
  EXPECT_EQ(CombinationCount(store.dme()), 2u);
  // And the whole-settings text writes it under that name.
  SettingsTextOps* ops = NewSettingsTextOps();
  ASSERT_NE(ops, nullptr);
  const ConfigBlocks& b = store.blocks();
  const std::u16string text = WriteSettingsText(b.ime, b.dme, b.skin, ops);
  ops->free(ops);
  EXPECT_NE(text.find(u"键F1+键Shift=撤销输入"), std::u16string::npos);
}

// The default table as its keys are bound.
std::vector<std::pair<std::uint32_t, KeyFunctionMask>> BoundEntries(ByteView dme) {
  std::vector<std::pair<std::uint32_t, KeyFunctionMask>> bound;
  for (std::uint32_t e = 0; e < dme_block::kKeyMaskCount; ++e) {
    if (const KeyFunctionMask mask = ReadKeyBinding(dme, e)) bound.emplace_back(e, mask);
  }
  return bound;
}

TEST(KeyEditorTest, DefaultBindingsAreTheInputMethodsKeys) {
  Store store;
  const ByteView dme = store.dme();
  WriteKeyBinding(dme, 0x141, kPageUp);
  WriteKeyBinding(dme, 0x1B, kPageUp);
  AddCombination(dme, 0x470, kClearInput);
  LoadDefaultKeyBindings(dme);
  const std::vector<std::pair<std::uint32_t, KeyFunctionMask>> expected = {
      {0x08, 0x10000}, {0x0D, 0xB80}, {0x1B, 0x4},   {0x20, 0x80},  {0x21, 0x20},    {0x22, 0x40},
      {0x23, 0x8000},  {0x24, 0x4000}, {0x25, 0x1000}, {0x26, 0x40000}, {0x27, 0x2000}, {0x28, 0x80000},
      {0x2E, 0x20000}, {0x30, 0xA80},  {0x31, 0x180}, {0x32, 0x280}, {0x33, 0x380},   {0x34, 0x480},
      {0x35, 0x580},   {0x36, 0x680},  {0x37, 0x780}, {0x38, 0x880}, {0x39, 0x980},   {0xA0, 0x1},
      {0xBB, 0x40},    {0xBD, 0x20},
  };
  EXPECT_EQ(BoundEntries(dme), expected);
  EXPECT_EQ(CombinationCount(dme), 0u);
  CombinationBinding slot;
  ASSERT_TRUE(ReadCombination(dme, 0, slot));
  EXPECT_EQ(slot.key_code, 0);

  ClearAllKeyBindings(dme);
  EXPECT_TRUE(BoundEntries(dme).empty());
  for (std::uint32_t i = 0; i < dme_block::kMaxCombinations; ++i) {
    ASSERT_TRUE(ReadCombination(dme, i, slot));
    EXPECT_EQ(slot.key_code, 0);
    EXPECT_EQ(slot.mask, 0u);
  }
}

#ifdef LZ_SHIPDATA_DIR
TEST(KeyEditorTest, DefaultBindingsEqualTheShippedSettings) {
  const std::vector<std::uint8_t> shipped_bytes =
      test::ReadFileBytes(std::filesystem::path(LZ_SHIPDATA_DIR) / "config.dsc");
  std::vector<std::uint8_t> bytes = shipped_bytes;
  ConfigBlocks shipped{};
  ASSERT_EQ(FindConfigBlocks(ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}, shipped), 1);
  Store store;
  LoadDefaultKeyBindings(store.dme());
  EXPECT_EQ(BoundEntries(store.dme()), BoundEntries(shipped.dme));
  EXPECT_EQ(CombinationCount(shipped.dme), 0u);
}
#endif

TEST(KeyEditorTest, WholeTableCommandsRunOnYesOnly) {
  const struct {
    int command;
    bool yes;
    std::size_t bound;         // table entries bound afterwards
    std::uint32_t combinations;
  } cases[] = {
      {key_menu::kLoadDefaults, false, 2, 1},
      {key_menu::kClearAll, false, 2, 1},
      {key_menu::kClearCombinations, false, 2, 1},
      {key_menu::kLoadDefaults, true, 26, 0},
      {key_menu::kClearAll, true, 0, 0},
      {key_menu::kClearCombinations, true, 2, 0},
  };
  for (const auto& c : cases) {
    Store store;
    KeyBindingEditor editor(nullptr, store.dme_ptr());
    Click(editor, 0x41, 32803);
    Click(editor, 0x141, 32804);
    Click(editor, 0x470, 32808);
    // Asked from a plain key and from a new combination, whose empty slot goes either way.
    for (std::int32_t code : {std::int32_t{0x42}, std::int32_t{0x471}}) {
      KeyBindingEditor::Edit edit;
      ASSERT_EQ(editor.BeginEdit(code, edit), KeyBindingEditor::Start::kEdit);
      ASSERT_EQ(editor.FinishEdit(edit, c.command), KeyBindingEditor::Outcome::kAskWholeTable);
      if (code == 0x471) {
        EXPECT_EQ(editor.FinishWholeTable(edit, c.command, c.yes), KeyBindingEditor::Outcome::kDone);
      }
    }
    EXPECT_EQ(BoundEntries(store.dme()).size(), c.bound) << c.command << c.yes;
    EXPECT_EQ(CombinationCount(store.dme()), c.combinations) << c.command << c.yes;
    EXPECT_LT(FindCombination(store.dme(), 0x471), 0);
  }
}

TEST(KeyEditorTest, AStoreThatCannotBeWrittenChangesNothing) {
  test::TempFolder folder;
  const std::filesystem::path path = folder.path() / "config.dsc";
  test::WriteFileBytes(path, test::BuildConfigStore());
  std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
  MappedFile* file = nullptr;
  ASSERT_GT(OpenMappedFile(folder.File("config.dsc").c_str(), &file), 0);
  ConfigBlocks blocks{};
  FindConfigBlocks(ByteView{file->view, static_cast<std::uint32_t>(file->size)}, blocks);
  KeyBindingEditor editor(file, &blocks.dme);
  KeyBindingEditor::Edit edit;
  EXPECT_EQ(editor.BeginEdit(0x470, edit), KeyBindingEditor::Start::kRefused);
  EXPECT_EQ(CombinationCount(blocks.dme), 0u);
  ASSERT_EQ(editor.BeginEdit(0x41, edit), KeyBindingEditor::Start::kEdit);
  EXPECT_EQ(editor.FinishEdit(edit, 32803), KeyBindingEditor::Outcome::kRefused);
  EXPECT_EQ(ReadKeyBinding(blocks.dme, 0x41), 0u);
  // Nothing to write: nothing refused.
  EXPECT_EQ(editor.FinishEdit(edit, key_menu::kCancel), KeyBindingEditor::Outcome::kDone);
  CloseMappedFile(file);
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

TEST(KeyEditorTest, AWritableStoreKeepsTheChangeReopened) {
  test::TempFolder folder;
  test::WriteFileBytes(folder.path() / "config.dsc", test::BuildConfigStore());
  MappedFile* file = nullptr;
  ASSERT_GT(OpenMappedFile(folder.File("config.dsc").c_str(), &file), 0);
  ConfigBlocks blocks{};
  FindConfigBlocks(ByteView{file->view, static_cast<std::uint32_t>(file->size)}, blocks);
  KeyBindingEditor editor(file, &blocks.dme);
  EXPECT_EQ(Click(editor, 0x470, 32808), KeyBindingEditor::Outcome::kDone);
  EXPECT_EQ(Click(editor, 0x41, 32804), KeyBindingEditor::Outcome::kDone);
  CloseMappedFile(file);
  std::vector<std::uint8_t> bytes = test::ReadFileBytes(folder.path() / "config.dsc");
  ConfigBlocks reread{};
  ASSERT_EQ(FindConfigBlocks(ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}, reread), 1);
  EXPECT_EQ(ReadKeyBinding(reread.dme, 0x41), kPageDown);
  EXPECT_EQ(FindCombination(reread.dme, 0x470), 0);
}

}  // namespace
}  // namespace lz::config
