#include "textservice/tsf/key_filter.h"

#include "textservice/engine/block_fields.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/engine_actions.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/key_names.h"
#include "textservice/engine/query.h"

namespace lz {
namespace {

using namespace key_filter;

constexpr std::uint32_t kVkReturn = 0x0D;
constexpr std::uint32_t kVkShift = 0x10;
constexpr std::uint32_t kVkCtrl = 0x11;
constexpr std::uint32_t kVkAlt = 0x12;
constexpr std::uint32_t kVkBack = 0x08;
constexpr std::uint32_t kVkHome = 0x24;
constexpr std::uint32_t kVkLShift = 0xA0;
constexpr std::uint32_t kVkRShift = 0xA1;
constexpr std::uint32_t kVkLCtrl = 0xA2;
constexpr std::uint32_t kVkRCtrl = 0xA3;
constexpr std::uint32_t kVkLAlt = 0xA4;
constexpr std::uint32_t kVkRAlt = 0xA5;
constexpr char16_t kKeyWordMark = u'键';
// The re-input key has no name of its own; the session needs a text to run.
constexpr char16_t kReinputText[] = u"";

const char16_t* NameOf(std::uint32_t index) {
  const std::u16string_view name = GetKeyName(static_cast<std::int32_t>(index));
  return name.empty() ? nullptr : name.data();
}

bool IsCharacter(const char16_t* text) { return text && text[0] && text[0] != kKeyWordMark; }

void Record(EngineInstance* e, std::uint32_t index, std::uint64_t functions, const char16_t* text) {
  e->current_key.index = index;
  e->current_key.functions = functions;
  e->current_key.text = text;
}

std::uint32_t NormalScan(std::uint32_t lparam) {
  const std::uint32_t scan = lparam & kScanBitsMask;
  return scan == kRightShiftExtended ? kRightShiftScan : scan;
}

// The lone-modifier binding a tap names: the first whose binding is set and whose other modifiers are up.
std::uint32_t TapIndex(std::uint32_t scan, std::uint32_t vk, const KeyboardState& keys, ByteView dme) {
  struct Option {
    bool applies;
    std::uint32_t index;
  };
  const bool no_ctrl_alt = !keys.ctrl && !keys.alt;
  const bool no_shift_alt = !keys.shift && !keys.alt;
  const bool no_shift_ctrl = !keys.shift && !keys.ctrl;
  const Option options[] = {
      {scan == kLeftShiftScan && no_ctrl_alt, kVkLShift}, {scan == kRightShiftScan && no_ctrl_alt, kVkRShift},
      {vk == kVkShift && no_ctrl_alt, kVkShift},          {scan == kLeftCtrlScan && no_shift_alt, kVkLCtrl},
      {scan == kRightCtrlScan && no_shift_alt, kVkRCtrl}, {vk == kVkCtrl && no_shift_alt, kVkCtrl},
      {scan == kLeftAltScan && no_shift_ctrl, kVkLAlt},   {scan == kRightAltScan && no_shift_ctrl, kVkRAlt},
      {vk == kVkAlt && no_shift_ctrl, kVkAlt},
  };
  for (const Option& o : options) {
    if (o.applies && ReadKeyBinding(dme, o.index) != 0) return o.index;
  }
  return 0;
}

bool HasPunctuation(const EngineInstance* e, char16_t c) {
  if (c >= ime_block::kPunctuationCount) return false;
  std::uint16_t kind = 0;
  std::uint16_t first = 0;
  const std::uint32_t at = ime_block::PunctuationOffset(c);
  return e->blocks.ime.ReadU16(at + ime_block::kPunctuationKind, kind) && kind != 0 &&
         e->blocks.ime.ReadU16(at + ime_block::kPunctuationText, first) && first != 0;
}

// A character key that starts or continues input while nothing is composed.
bool StartsInput(const EngineInstance* e, char16_t c) {
  const ByteView dme = e->blocks.dme;
  std::uint8_t key_class = 0;
  if (c < dme_block::kKeyClassCount) dme.ReadU8(dme_block::kKeyClasses + c, key_class);
  if (key_class & (dme_block::kCommitLeadKey | dme_block::kWildcardStandsFor)) return true;
  const std::uint8_t code = ToCodeKey(c);
  const auto is = [&](std::uint32_t field) {
    std::uint8_t configured = 0;
    return code != 0 && dme.ReadU8(field, configured) && configured != 0 && configured == code;
  };
  const std::uint32_t ime_flags = BlockU32(e->blocks.ime, ime_block::kImeFlags);
  if (is(dme_block::kWildcardKey) || is(dme_block::kEnglishLeadKey)) return true;
  if (is(dme_block::kAuxiliaryLeadKey) && !(ime_flags & ime_block::kSchemeAuxiliary)) return true;
  if (is(dme_block::kSecondaryLeadKey) && !(ime_flags & ime_block::kAlwaysSearchSecondary) &&
      !(e->mode & mode::kSecondaryRetry)) {
    return true;
  }
  if (is(dme_block::kExtensionLeadKey)) return true;
  if (e->mode & mode::kFullWidth) return true;
  return !(e->mode & mode::kEnglishPunctuation) && HasPunctuation(e, c);
}

// A passed key is the last output, for the repeat key.
int RecordPassedKey(const KeyEventFacts& key, EngineInstance* e) {
  if (key.lparam & kKeyUpBit) return 0;
  const CurrentKey& current = e->current_key;
  if (!current.text) return 0;
  CommitRecord& commit = e->commit;
  if (IsCharacter(current.text)) {
    commit.text[0] = current.text[0];
    commit.text[1] = 0;
    commit.text_length = 1;
  } else if (current.index == kVkReturn) {
    commit.text[0] = u'\r';
    commit.text[1] = u'\n';
    commit.text[2] = 0;
    commit.text_length = 2;
  } else if (current.index == kVkHome) {
    commit.text[0] = u'\n';
    commit.text[1] = 0;
    commit.text_length = 1;
  } else {
    commit.text_length = 0;
    return 0;
  }
  commit.action = commit_action::kTypedText;
  SaveLastCommit(1, e, nullptr);
  return 0;
}

}  // namespace

int KeyFilter(const KeyEventFacts& key, EngineInstance* e, TapMemory& tap, TypedKeyMemory& typed) {
  if (!e) return 0;
  CurrentKey& current = e->current_key;
  const ByteView dme = e->blocks.dme;

  // Re-input: the engine's own backspaces pass, the key that ends them runs the re-input.
  if (current.reinput) {
    if (key.vk == kVkBack) return 0;
    if (key.vk == kReinputKey) {
      if (key.lparam & kKeyUpBit) {
        current.reinput = 0;
        current.functions = 0;
        current.index = 0;
        return 1;
      }
      Record(e, kReinputKey, key_function::kRepeatInput, kReinputText);
      return 1;
    }
    // The release of the key that started the erasure may come after the erasure's own keys.
    if (key.lparam & kKeyUpBit) return 0;
    current.reinput = 0;
  }

  std::uint32_t index = 0;
  std::uint64_t mask = 0;
  if (key.lparam & kKeyUpBit) {
    const std::uint32_t scan = NormalScan(key.lparam);
    const bool was_held = tap.remembered;
    const std::uint32_t held_since = tap.first_tick;
    tap.remembered = false;
    const bool tap_candidate = scan != 0 && scan == NormalScan(current.scan_bits) && key.vk >= kVkShift &&
                               key.vk <= kVkAlt && was_held && key.tick - held_since < kTapMilliseconds;
    if (!tap_candidate) {
      current.scan_bits = kNoScan;
      return 0;
    }
    index = TapIndex(scan, key.vk, key.keys, dme);
    if (index == 0) return 0;
    mask = ReadKeyBinding(dme, index);
  } else {
    if (key.vk == kVkReturn) ResetPunctuationPairs(e);
    const std::uint32_t scan = key.lparam & kScanBitsMask;
    current.scan_bits = scan;
    if (!tap.remembered || tap.first_scan != scan) {
      tap.first_scan = scan;
      tap.first_tick = key.tick;
      tap.remembered = true;
    }
    if (key.keys.ctrl || key.keys.alt) return 0;
    if (key.vk >= kVkShift && key.vk <= kVkAlt) return 0;
    const bool letter = key.vk >= 'A' && key.vk <= 'Z';
    const bool shifted = key.keys.caps_toggled ? (letter ? !key.keys.shift : key.keys.shift) : key.keys.shift;
    index = key.vk + (shifted ? kShiftedTable : 0);
    mask = ReadKeyBinding(dme, index);
  }

  if (index == 0) return 0;
  const char16_t* text = NameOf(index);
  if (typed.pair_key && (!text || text[0] != typed.pair_key)) typed.pair_key = 0;
  if (typed.digit_key && (!text || text[0] != typed.digit_key)) typed.digit_key = 0;
  Record(e, index, mask, text);

  const std::uint32_t low = static_cast<std::uint32_t>(mask);
  const std::uint32_t high = static_cast<std::uint32_t>(mask >> 32);
  if ((low & kGlobalLow) || (high & kGlobalHigh)) return 1;

  const bool character = IsCharacter(text);
  bool eaten = false;
  if (e->mode & mode::kSoftKeyboard) {
    if (mask & key_function::kClearInput) return 1;
    if (key.soft_layout != 1) {
      if (key.soft_character != 0 && key.soft_character != u' ') return 1;
      return RecordPassedKey(key, e);
    }
  }
  if (e->mode & (mode::kClosed | mode::kDisabled)) return RecordPassedKey(key, e);

  const std::uint32_t ime_flags = BlockU32(e->blocks.ime, ime_block::kImeFlags);
  if (e->mode & (mode::kEnglish | mode::kTemporaryEnglish)) {
    if (IsKeyForEngine(e, current)) return 1;
    return RecordPassedKey(key, e);
  }
  if ((ime_flags & ime_block::kCapitalStartsEnglish) && text && text[0] >= u'A' && text[0] <= u'Z' &&
      !key.keys.caps_toggled) {
    return 1;
  }
  if (key.composing) {
    if (e->mode & mode::kComposingAfterCommit) {
      const unsigned n = static_cast<unsigned>((mask & key_function::kNumberMask) >> key_function::kNumberShift);
      eaten = (mask & (key_function::kClearInput | key_function::kPageUp | key_function::kPageDown |
                       key_function::kFirstForward | key_function::kFirstBackward)) ||
              ((mask & key_function::kCommit) && n != key_function::kCommitEnglish) || character;
      if (!eaten) {
        RecordPassedKey(key, e);
        return kPassEndingComposition;
      }
    } else {
      eaten = (mask & kInputFunctions) || character;
    }
  } else {
    if (mask & (key_function::kToggleEnglish | key_function::kRepeatInput | key_function::kUndoInput |
                key_function::kDeleteWordOnline)) {
      eaten = e->previous_commit.text_length > 0;
    }
    if (!eaten && character) eaten = StartsInput(e, text[0]);
  }
  if (eaten) return 1;
  return RecordPassedKey(key, e);
}

}  // namespace lz
