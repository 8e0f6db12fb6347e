// What a new activation starts with, which keys it preserves with which modifiers, and what the button
// shows.
#include "textservice/tsf/activation_rules.h"

#include <gtest/gtest.h>

#include "textservice/engine/engine_instance.h"
#include "textservice/engine/key_names.h"

namespace lz {
namespace {

constexpr os::OsVersion kWindows7{6, 1, 7601, 2};
constexpr os::OsVersion kWindows10{10, 0, 19045, 2};

struct InitialCase {
  os::OsVersion version;
  std::uint32_t ime36, ime48, ime56;
  std::uint32_t conversion_before;
  InitialModes expected;
};

TEST(InitialModes, FollowTheVersionTheSettingsAndTheConversionBefore) {
  const std::uint32_t kEnglishPunct = mode::kEnglishPunctuation;
  const InitialCase cases[] = {
      // 6.1: always open; Chinese from the compartment before.
      {kWindows7, 0, 0, 0, 0x0, {1, 0x1, kEnglishPunct}},
      {kWindows7, 0, 0, 0, 0x409, {1, 0x409, mode::kFullWidth}},
      {kWindows7, 0, 0, 0, 0x100, {1, 0x1, kEnglishPunct}},
      // Own initial state: it replaces the compartment; with 0x100 in it, English.
      {kWindows7, 0, 0x100, 0x500, 0x1, {1, 0x500, mode::kEnglish}},
      {kWindows7, 0, 0x100, 0x408, 0x0, {1, 0x409, mode::kFullWidth}},
      // 0x100 in +56 without the own-state switch counts for nothing.
      {kWindows7, 0, 0, 0x100, 0x0, {1, 0x1, kEnglishPunct}},
      // 10: closed when the status window is hidden; never starts English.
      {kWindows10, 0, 0, 0, 0x0, {1, 0x1, kEnglishPunct}},
      {kWindows10, 0x100, 0, 0, 0x400, {0, 0x401, 0}},
      {kWindows10, 0, 0x100, 0x500, 0x0, {1, 0x401, 0}},
      {kWindows10, 0, 0x100, 0x8, 0x400, {1, 0x9, mode::kFullWidth | kEnglishPunct}},
  };
  for (const InitialCase& c : cases) {
    const InitialModes modes = InitialModesFor(c.version, {c.ime36, c.ime48, c.ime56}, c.conversion_before);
    SCOPED_TRACE(testing::Message() << "version " << c.version.major << " ime36 " << c.ime36 << " ime48 "
                                    << c.ime48 << " ime56 " << c.ime56 << " before " << c.conversion_before);
    EXPECT_EQ(modes.open, c.expected.open);
    EXPECT_EQ(modes.conversion, c.expected.conversion);
    EXPECT_EQ(modes.engine_mode, c.expected.engine_mode);
  }
}

TEST(ActivationFlags, KeepOnlyStyleFlagsAndKnowImmersiveByExactValue) {
  struct Case {
    std::uint32_t flags, stored;
    bool immersive;
  } cases[] = {
      {0, 0, false},           {0x1, 0, false},          {0x2, 0x2, false},
      {0x80, 0, false},        {0x40000000, 0x40000000, true}, {0x40000004, 0x40000004, false},
      {0x5E, 0x5E, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StoredActivationFlags(c.flags), c.stored) << c.flags;
    EXPECT_EQ(IsImmersiveActivation(c.flags), c.immersive) << c.flags;
  }
}

TEST(PreservedKeys, CombinationModifiersBecomeTsfModifierBits) {
  struct Case {
    std::int32_t key_code;
    std::uint32_t modifiers;
  } cases[] = {
      {0x41, 0},
      {key_code::kCtrl | 0x41, 0x2},
      {key_code::kLeftCtrl | 0x41, 0x80},
      {key_code::kRightCtrl | 0x41, 0x10},
      {key_code::kShift | 0x41, 0x4},
      {key_code::kLeftShift | 0x41, 0x100},
      {key_code::kRightShift | 0x41, 0x20},
      {key_code::kAlt | 0x41, 0x1},
      {key_code::kLeftAlt | 0x41, 0x40},
      {key_code::kRightAlt | 0x41, 0x8},
      {key_code::kCtrl | key_code::kShift | key_code::kRightAlt | 0x41, 0x2 | 0x4 | 0x8},
  };
  for (const Case& c : cases) EXPECT_EQ(PreservedKeyModifiers(c.key_code), c.modifiers) << c.key_code;
}

TEST(ModeState, DisabledThenClosedThenCapsLockThenEnglishOrChinese) {
  struct Case {
    ModeInputs inputs;
    ModeState state;
    int icon;
  } cases[] = {
      {{true, true, true, true}, ModeState::kDisabled, 106},
      {{false, false, true, true}, ModeState::kClosed, 105},
      {{false, true, true, true}, ModeState::kCapsLock, 104},
      {{false, true, false, true}, ModeState::kEnglish, 102},
      {{false, true, false, false}, ModeState::kChinese, 103},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ModeStateFor(c.inputs), c.state);
    EXPECT_EQ(ButtonIconFor(c.state), c.icon);
  }
}

TEST(ButtonStyle, CarriesTheMenuOnlyOnTheClassicLanguageBar) {
  EXPECT_EQ(ButtonStyleFor(kWindows7), 0x30002u);
  EXPECT_EQ(ButtonStyleFor(os::OsVersion{6, 0, 6002, 2}), 0x30002u);
  EXPECT_EQ(ButtonStyleFor(os::OsVersion{6, 2, 9200, 2}), 0x10002u);
  EXPECT_EQ(ButtonStyleFor(kWindows10), 0x10002u);
}

}  // namespace
}  // namespace lz
