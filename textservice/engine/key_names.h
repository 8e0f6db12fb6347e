#pragma once
// Key names, key codes and key-function masks, and the key bindings that the dme block stores.
//
// A key code holds the Windows virtual key in bits 0-7 and modifier bits above it; the names are the
// texts of the "[-按键功能-]" section. Keypad keys have internal key characters 0x0A..0x19 (the low byte
// of their full-width forms U+FF0A..U+FF19, which is how texts write them).
#include <cstdint>
#include <string>
#include <string_view>

#include "textservice/engine/byte_view.h"

namespace lz {

using KeyFunctionMask = std::uint64_t;

namespace key_code {
constexpr std::int32_t kNone = -1;  // an empty key text
constexpr std::int32_t kVirtualKeyMask = 0xFF;
constexpr std::int32_t kShift = 0x100;
constexpr std::int32_t kAlt = 0x200;
constexpr std::int32_t kCtrl = 0x400;
constexpr std::int32_t kLeftShift = 0x1000;
constexpr std::int32_t kLeftAlt = 0x2000;
constexpr std::int32_t kLeftCtrl = 0x4000;
constexpr std::int32_t kRightShift = 0x10000;
constexpr std::int32_t kRightAlt = 0x20000;
constexpr std::int32_t kRightCtrl = 0x40000;
}  // namespace key_code

// Function bits of the low word, the numbered groups' markers and their shared number field N.
namespace key_function {
constexpr KeyFunctionMask kToggleIme = 0x1;
constexpr KeyFunctionMask kToggleEnglish = 0x2;
constexpr KeyFunctionMask kClearInput = 0x4;
constexpr KeyFunctionMask kRepeatInput = 0x8;
constexpr KeyFunctionMask kUndoInput = 0x10;
constexpr KeyFunctionMask kPageUp = 0x20;
constexpr KeyFunctionMask kPageDown = 0x40;
constexpr KeyFunctionMask kCommit = 0x80;
constexpr int kNumberShift = 8;
constexpr KeyFunctionMask kNumberMask = 0xF00;
constexpr unsigned kCommitFirst = 0;
constexpr unsigned kCommitEnglish = 11;
constexpr unsigned kCommitLast = 12;
constexpr unsigned kCommitFirstAndKey = 13;
constexpr KeyFunctionMask kCursorLeft = 0x1000;
constexpr KeyFunctionMask kCursorRight = 0x2000;
constexpr KeyFunctionMask kCursorHome = 0x4000;
constexpr KeyFunctionMask kCursorEnd = 0x8000;
constexpr KeyFunctionMask kDeleteBefore = 0x10000;
constexpr KeyFunctionMask kDeleteAfter = 0x20000;
constexpr KeyFunctionMask kFirstForward = 0x40000;
constexpr KeyFunctionMask kFirstBackward = 0x80000;
constexpr KeyFunctionMask kFrequency = 0x100000;
constexpr KeyFunctionMask kDelete = 0x200000;
constexpr KeyFunctionMask kSchemeMainMixed = 0x400000;
constexpr KeyFunctionMask kSchemeMainAuxiliary = 0x800000;
constexpr KeyFunctionMask kRangeMainMixed = 0x1000000;
constexpr KeyFunctionMask kRangeMainSecondary = 0x2000000;
// High word, as bits of the 64-bit mask.
constexpr KeyFunctionMask High(std::uint32_t bits) { return KeyFunctionMask{bits} << 32; }
constexpr KeyFunctionMask kConfigHome = High(0x1);
constexpr KeyFunctionMask kConfigHelp = High(0x2);
constexpr KeyFunctionMask kConfigAbout = High(0x4);
constexpr KeyFunctionMask kConfigKeys = High(0x8);
constexpr KeyFunctionMask kConfigOutputLookup = High(0x10);
constexpr KeyFunctionMask kAddWordOnline = High(0x20);
constexpr KeyFunctionMask kConfigClipboardLookup = High(0x80);
constexpr KeyFunctionMask kToggleStatusWindow = High(0x100);
constexpr KeyFunctionMask kToggleCandidateWindow = High(0x200);
constexpr KeyFunctionMask kConvertSimplified = High(0x400);
constexpr KeyFunctionMask kConvertTraditional = High(0x800);
constexpr KeyFunctionMask kDeleteWordOnline = High(0x2000);
constexpr KeyFunctionMask kSoftKeyboard = High(0x4000);
constexpr KeyFunctionMask kConfigDictionary = High(0x8000);
constexpr KeyFunctionMask kCustom1 = High(0x10000000);
constexpr KeyFunctionMask kCustom2 = High(0x20000000);
constexpr KeyFunctionMask kCustom3 = High(0x40000000);
constexpr KeyFunctionMask kCustomCandidate = High(0x80000000u);
}  // namespace key_function

// The name of a virtual key: bit 0x100 selects the shifted name; any other modifier bit, or virtual key
// 255, gives the empty text. The text lives as long as the program.
std::u16string_view GetKeyName(std::int32_t code);

// The key code of a key text such as "a", "A", "１", "键F10" or "键F1+键Ctrl"; key_code::kNone for an
// empty text; only the modifier bits when the text names no key.
std::int32_t ParseKeyName(std::u16string_view text);

// The functions a function text names, found by substring anywhere in it; 0 when it names none.
KeyFunctionMask ParseKeyFunctions(std::u16string_view text);

// The key text of a key code, the inverse of ParseKeyName: the key's name (the shifted name when Shift is
// the only modifier and the key has one, else the plain name; keypad keys in their full-width forms),
// then the modifier words. At most kMaxKeyTextUnits units.
constexpr std::size_t kMaxKeyTextUnits = 63;
std::u16string KeyCodeToName(std::int32_t code);

// The function text of a mask, the inverse of ParseKeyFunctions: the name of every function the mask
// holds, each followed by a comma (the three fixed custom commands without one). At most
// kMaxFunctionTextUnits units.
constexpr std::size_t kMaxFunctionTextUnits = 255;
std::u16string KeyFunctionMaskToNames(KeyFunctionMask mask);

// The key character of a text character, for exactly the characters that name a key (ParseKeyName): the
// printable ASCII characters and the tab are themselves, the full-width keypad forms "＊＋－．／０".."９"
// their low byte (the keypad's internal key character, which stands for itself too); anything else 0.
// The full-width comma U+FF0C names no key: no keypad has one.
constexpr std::uint8_t KeyCharacterOf(char16_t c) {
  constexpr char16_t kWideFormBase = 0xFF00;
  constexpr char16_t kKeypadFirst = 0x0A, kKeypadLast = 0x19, kNoKeypadKey = 0x0C;
  if (c == u'\t' || (c >= 0x20 && c <= 0x7E)) return static_cast<std::uint8_t>(c);
  const char16_t low = c >= kWideFormBase ? static_cast<char16_t>(c - kWideFormBase) : c;
  if ((c == low || c >= kWideFormBase) && low >= kKeypadFirst && low <= kKeypadLast && low != kNoKeypadKey) {
    return static_cast<std::uint8_t>(low);
  }
  return 0;
}

// The text form of a stored key character: printable ASCII (32..127) as itself, the keypad's characters
// (1..31) in their full-width form; 0 (no character) for 0 and for bytes of 128 and more, which name no
// key. Settings texts and the settings pages show keys alike.
constexpr char16_t KeyCharacterText(std::uint8_t key) {
  constexpr char16_t kWideFormBase = 0xFF00;
  if (key == 0 || key >= 128) return 0;
  return key < 32 ? static_cast<char16_t>(kWideFormBase + key) : static_cast<char16_t>(key);
}

// One line of the key-function section: binds the key to the functions in the dme block. A plain key
// (Shift allowed) with a name goes to the per-key table; anything else is a combination, updated in place
// or appended while fewer than 64 are stored. A key text that is empty or names no key is ignored.
// Returns 1 when the binding was stored, else 0.
int ReadKeyFunctionText(std::u16string_view keyText, ByteView dme, std::u16string_view functionText);

struct CombinationBinding {
  std::int32_t key_code = 0;
  std::uint32_t spare = 0;
  KeyFunctionMask mask = 0;
};

// Where a key code is bound: its entry in the per-key table (plain 0-255, shifted 256-511) when it is a
// plain key, Shift allowed, whose name in that table exists; else -1, a combination. A key without a
// shifted name (F1, Tab ...) pressed with Shift is a combination, so the settings text writes it.
std::int32_t KeyTableEntry(std::int32_t code);

// The mask stored for a plain (0-255) or shifted (256-511) table entry; 0 when the view lacks it.
KeyFunctionMask ReadKeyBinding(ByteView dme, std::uint32_t entry);
bool WriteKeyBinding(ByteView dme, std::uint32_t entry, KeyFunctionMask mask);
// The stored combination count, capped at the 64 entries the block holds.
std::uint32_t CombinationCount(ByteView dme);
bool ReadCombination(ByteView dme, std::uint32_t index, CombinationBinding& out);

// The combination store: the first `count` slots hold the combinations, in the order they were added.
// The first stored slot with the key code, or -1.
std::int32_t FindCombination(ByteView dme, std::int32_t code);
// Stores (code, mask) in slot `count` and raises the count; -1 when 64 are stored or the view lacks it.
std::int32_t AddCombination(ByteView dme, std::int32_t code, KeyFunctionMask mask);
bool WriteCombinationMask(ByteView dme, std::uint32_t index, KeyFunctionMask mask);
// Removes a stored slot: the later ones move up, the freed last slot is zeroed and the count lowered, so
// every remaining combination stays inside the counted range that readers look at.
bool RemoveCombination(ByteView dme, std::uint32_t index);
// The count and all 64 slots zero.
void ClearCombinations(ByteView dme);

}  // namespace lz
