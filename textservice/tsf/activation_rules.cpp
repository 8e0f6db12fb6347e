#include "textservice/tsf/activation_rules.h"

#include "textservice/engine/engine_instance.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/key_names.h"

namespace lz {
namespace {

// Conversion-mode compartment bits.
constexpr std::uint32_t kConversionNative = 0x1;
constexpr std::uint32_t kConversionFullShape = 0x8;
constexpr std::uint32_t kConversionNoConversion = 0x100;
constexpr std::uint32_t kConversionSymbol = 0x400;

// Activation flags that decide the host style: secure mode, UI-element-only, COM-less, 16-bit, console.
constexpr std::uint32_t kStyleFlags = 0x5E;
constexpr std::uint32_t kImmersiveFlag = 0x40000000;

// TF_MOD_* bits.
constexpr std::uint32_t kModAlt = 0x1;
constexpr std::uint32_t kModControl = 0x2;
constexpr std::uint32_t kModShift = 0x4;
constexpr std::uint32_t kModRightAlt = 0x8;
constexpr std::uint32_t kModRightControl = 0x10;
constexpr std::uint32_t kModRightShift = 0x20;
constexpr std::uint32_t kModLeftAlt = 0x40;
constexpr std::uint32_t kModLeftControl = 0x80;
constexpr std::uint32_t kModLeftShift = 0x100;

// Button styles: button, menu, shown in the tray.
constexpr std::uint32_t kStyleButton = 0x10000;
constexpr std::uint32_t kStyleMenu = 0x20000;
constexpr std::uint32_t kStyleShownInTray = 0x2;

}  // namespace

bool IsClassicLanguageBar(const os::OsVersion& version) {
  return version.major < 6 || (version.major == 6 && version.minor <= 1);
}

InitialModes InitialModesFor(const os::OsVersion& version, const ActivationSettings& settings,
                             std::uint32_t conversion_before) {
  const bool own_initial_state = (settings.behaviour_flags & ime_block::kOwnInitialState) != 0;
  const std::uint32_t value = own_initial_state ? settings.initial_state : conversion_before;
  InitialModes modes{};
  const std::uint32_t chinese = (value & ~kConversionNoConversion) | kConversionNative;
  if (IsClassicLanguageBar(version)) {
    modes.open = 1;
    const bool starts_english = own_initial_state && (settings.initial_state & kConversionNoConversion) != 0;
    modes.conversion = starts_english ? ((value | kConversionNoConversion) & ~kConversionNative) : chinese;
  } else {
    modes.open = (settings.ime_flags & ime_block::kHideStatusWindow) ? 0 : 1;
    modes.conversion = chinese;
  }
  if (modes.conversion & kConversionNoConversion) modes.engine_mode |= mode::kEnglish;
  if (modes.conversion & kConversionFullShape) modes.engine_mode |= mode::kFullWidth;
  if (!(modes.conversion & kConversionSymbol)) modes.engine_mode |= mode::kEnglishPunctuation;
  return modes;
}

std::uint32_t StoredActivationFlags(std::uint32_t flags) {
  return (flags & (kStyleFlags | kImmersiveFlag)) ? flags : 0;
}

bool IsImmersiveActivation(std::uint32_t flags) { return flags == kImmersiveFlag; }

std::uint32_t PreservedKeyModifiers(std::int32_t key_code) {
  struct Bit {
    std::int32_t key_bit;
    std::uint32_t modifier;
  };
  static constexpr Bit kBits[] = {
      {key_code::kCtrl, kModControl},       {key_code::kLeftCtrl, kModLeftControl},
      {key_code::kRightCtrl, kModRightControl}, {key_code::kShift, kModShift},
      {key_code::kLeftShift, kModLeftShift}, {key_code::kRightShift, kModRightShift},
      {key_code::kAlt, kModAlt},             {key_code::kLeftAlt, kModLeftAlt},
      {key_code::kRightAlt, kModRightAlt},
  };
  std::uint32_t modifiers = 0;
  for (const Bit& bit : kBits) {
    if (key_code & bit.key_bit) modifiers |= bit.modifier;
  }
  return modifiers;
}

ModeState ModeStateFor(const ModeInputs& inputs) {
  if (inputs.disabled_or_empty) return ModeState::kDisabled;
  if (!inputs.open) return ModeState::kClosed;
  if (inputs.caps_lock) return ModeState::kCapsLock;
  return inputs.english ? ModeState::kEnglish : ModeState::kChinese;
}

int ButtonIconFor(ModeState state) {
  switch (state) {
    case ModeState::kDisabled: return kIconDisabled;
    case ModeState::kClosed: return kIconClosed;
    case ModeState::kCapsLock: return kIconCapsLock;
    case ModeState::kEnglish: return kIconEnglish;
    case ModeState::kChinese: break;
  }
  return kIconChinese;
}

std::uint32_t ButtonStyleFor(const os::OsVersion& version) {
  return IsClassicLanguageBar(version) ? (kStyleButton | kStyleMenu | kStyleShownInTray)
                                       : (kStyleButton | kStyleShownInTray);
}

}  // namespace lz
