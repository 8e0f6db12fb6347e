#pragma once
// The decisions of text-service activation as plain functions over plain values: the compartments and
// engine mode flags a new activation starts with, which activation flags are kept, the TSF modifier bits
// of a preserved key combination, the mode state the windows and the language-bar button show, and the
// button's icon. The COM glue asks these and does what they answer.
#include <cstdint>

#include "platform/os/system_info.h"

namespace lz {

// Windows up to 6.1 keep the classic language bar and its compartment habits.
bool IsClassicLanguageBar(const os::OsVersion& version);

struct ActivationSettings {
  std::uint32_t ime_flags;        // ime block +36
  std::uint32_t behaviour_flags;  // ime block +48
  std::uint32_t initial_state;    // ime block +56
};

struct InitialModes {
  std::uint32_t open;        // the open/close compartment
  std::uint32_t conversion;  // the conversion-mode compartment
  std::uint32_t engine_mode; // engine mode flags (English, full width, English punctuation)
};

// conversion_before: the conversion compartment's value when the activation starts.
InitialModes InitialModesFor(const os::OsVersion& version, const ActivationSettings& settings,
                             std::uint32_t conversion_before);

// The activation flags kept for the host style (0 when none of the style bits is set).
std::uint32_t StoredActivationFlags(std::uint32_t flags);
// Activations whose flags are exactly the immersive flag run in an app container.
bool IsImmersiveActivation(std::uint32_t flags);

// TF_MOD_* bits of a combination's key code (its modifier bits above the virtual key).
std::uint32_t PreservedKeyModifiers(std::int32_t key_code);

// The mode the windows and the button show.
enum class ModeState : std::uint32_t { kChinese = 0, kEnglish = 1, kCapsLock = 2, kDisabled = 3, kClosed = 4 };

struct ModeInputs {
  bool disabled_or_empty;
  bool open;
  bool caps_lock;
  bool english;  // engine mode flag 0x10
};

ModeState ModeStateFor(const ModeInputs& inputs);

// Icon resources of the button.
constexpr int kIconEnglish = 102;
constexpr int kIconChinese = 103;
constexpr int kIconCapsLock = 104;
constexpr int kIconClosed = 105;
constexpr int kIconDisabled = 106;
int ButtonIconFor(ModeState state);

// The language-bar button's style: with its menu on the classic bar, a plain button on newer ones.
std::uint32_t ButtonStyleFor(const os::OsVersion& version);

}  // namespace lz
