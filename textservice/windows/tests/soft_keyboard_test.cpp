#include "textservice/windows/soft_keyboard.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace lz {
namespace {

struct Centre {
  std::int32_t x, y;
};
Centre CentreOf(int key) {
  const SoftKeyRect r = SoftKeyboardKeyRect(key);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST(SoftKeyboard, HitTestFindsKeysAndNothingElse) {
  struct Case {
    const char* name;
    std::int32_t x, y;
    std::int32_t hit;
  };
  const Case cases[] = {
      {"left of the window", -1, 50, soft_key::kOutside},
      {"above the window", 50, -1, soft_key::kOutside},
      {"right edge is outside", 440, 50, soft_key::kOutside},
      {"bottom edge is outside", 50, 169, soft_key::kOutside},
      {"top-left corner of the picture", 0, 0, soft_key::kNone},
      {"between two keys", 31, 30, soft_key::kNone},
      {"` key's top-left pixel", 3, 22, 0},
      {"` key's right edge belongs to no key", 30, 30, soft_key::kNone},
      {"backspace", 430, 48, 13},
      {"Q", 50, 60, 15},
      {"A", 70, 90, 29},
      {"left Shift", 10, 120, soft_key::kShift},
      {"left Ctrl is never sent", 10, 150, soft_key::kOutside},
      {"left Alt is never sent", 70, 150, soft_key::kOutside},
      {"right Alt is never sent", 270, 150, soft_key::kOutside},
      {"right Ctrl is never sent", 360, 150, soft_key::kOutside},
      {"Esc", 40, 150, 53},
      {"Space", 150, 150, 55},
      {"Delete", 330, 150, 58},
      {"menu button", 10, 10, soft_key::kMenu},
      {"close button", 420, 10, soft_key::kClose},
      {"below the bottom row", 200, 167, soft_key::kNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(HitTestSoftKeyboard(c.x, c.y), c.hit);
  }
  // Every key on the picture is found at its centre, but the four never sent.
  for (int key = 0; key < 60; ++key) {
    const Centre p = CentreOf(key);
    const bool unsent = key == 52 || key == 54 || key == 56 || key == 59;
    EXPECT_EQ(HitTestSoftKeyboard(p.x, p.y), unsent ? soft_key::kOutside : key) << key;
  }
}

TEST(SoftKeyboard, TheFirstPlaceIsBesideTheStatusBar) {
  const os::Rect work{0, 0, 1920, 1040};
  struct Case {
    const char* name;
    SoftKeyboardPlacementInput in;
    std::int32_t x, y;
  };
  const Case cases[] = {
      {"status bar at the left: to its right, bottoms level", {true, {100, 900, 200, 30}}, 301, 761},
      {"status bar at the right edge: to its left", {true, {1720, 1010, 200, 30}}, 1279, 871},
      {"status bar near the top: not above the work area", {true, {100, 0, 200, 30}}, 301, 0},
      {"status bar at the left edge of a narrow screen: not left of it", {true, {0, 900, 1700, 30}}, 0, 761},
      {"no status bar: the work area's bottom right", {false, {}}, 1480, 871},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const WindowBox box = FirstSoftKeyboardPlace(c.in, work);
    EXPECT_EQ(box.x, c.x);
    EXPECT_EQ(box.y, c.y);
    EXPECT_EQ(box.width, 440);
    EXPECT_EQ(box.height, 169);
  }
}

TEST(SoftKeyboard, LayoutOneIsTheUsKeyboard) {
  const SoftKeyboardMap* us = SoftKeyboardLayout(1);
  ASSERT_NE(us, nullptr);
  struct Case {
    std::uint32_t vk;
    char16_t plain, shifted;
  };
  const Case cases[] = {{0xC0, u'`', u'~'}, {'1', u'1', u'!'},  {'0', u'0', u')'},   {0xBD, u'-', u'_'},
                        {0xBB, u'=', u'+'}, {'Q', u'q', u'Q'},  {0xDC, u'\\', u'|'}, {'A', u'a', u'A'},
                        {0xBA, u';', u':'}, {0xDE, u'\'', u'"'}, {'M', u'm', u'M'},  {0xBF, u'/', u'?'},
                        {0x08, 0, 0},       {0x20, 0, 0},       {0x0D, 0, 0},        {0x1B, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.vk);
    const int slot = SoftKeyboardSlotOfVirtualKey(c.vk);
    ASSERT_GE(slot, 0);
    EXPECT_EQ(SoftKeyboardCharacter(*us, slot, false), c.plain);
    EXPECT_EQ(SoftKeyboardCharacter(*us, slot, true), c.shifted);
  }
  EXPECT_EQ(SoftKeyboardSlotOfVirtualKey(0x70), -1) << "F1 is not on the keyboard";
  EXPECT_EQ(SoftKeyboardSlotOfVirtualKey(0x08), 13) << "Backspace is the top row's";
  EXPECT_EQ(SoftKeyboardSlotOfVirtualKey(256), -1);
}

TEST(SoftKeyboard, EveryLayoutHoldsPrintableCharactersOnlyOnCharacterKeysAndNoneTwice) {
  const std::set<int> function_keys = {13, 14, 28, 40, 41, 52, 53, 54, 55, 56, 57};
  for (int layout = 1; layout <= kSoftKeyboardLayouts; ++layout) {
    SCOPED_TRACE("layout " + std::to_string(layout));
    const SoftKeyboardMap* map = SoftKeyboardLayout(layout);
    ASSERT_NE(map, nullptr);
    std::set<char16_t> seen;
    int characters = 0;
    for (int slot = 0; slot < kSoftKeyboardKeys; ++slot) {
      for (bool shifted : {false, true}) {
        const char16_t c = SoftKeyboardCharacter(*map, slot, shifted);
        if (c == 0) continue;
        ++characters;
        EXPECT_FALSE(function_keys.count(slot)) << "function key " << slot;
        EXPECT_GT(c, 0x20) << "control character or space at " << slot;
        EXPECT_FALSE(c >= 0x7F && c < 0xA0) << "control character at " << slot;
        EXPECT_FALSE(c >= 0xD800 && c < 0xE000) << "half a surrogate pair at " << slot;
        EXPECT_TRUE(seen.insert(c).second) << "repeated " << static_cast<int>(c) << " at " << slot;
      }
    }
    // Each set fills at least the plain column of the letter rows: enough to type with.
    EXPECT_GE(characters, 26);
  }
  EXPECT_EQ(SoftKeyboardLayout(0), nullptr);
  EXPECT_EQ(SoftKeyboardLayout(14), nullptr);
}

TEST(SoftKeyboard, ASetFillsThePlainColumnFirst) {
  const SoftKeyboardMap* punctuation = SoftKeyboardLayout(8);
  ASSERT_NE(punctuation, nullptr);
  EXPECT_EQ(SoftKeyboardCharacter(*punctuation, 0, false), u'，');
  EXPECT_EQ(SoftKeyboardCharacter(*punctuation, 1, false), u'、');
  EXPECT_NE(SoftKeyboardCharacter(*punctuation, 51, false), 0);  // the 47th character key
  EXPECT_NE(SoftKeyboardCharacter(*punctuation, 0, true), 0);
}

TEST(SoftKeyboard, GreekCapitalsSitOnTheShiftSideOfTheirSmallLetters) {
  const SoftKeyboardMap* greek = SoftKeyboardLayout(2);
  ASSERT_NE(greek, nullptr);
  int letters = 0;
  for (int key = 0; key < kSoftKeyboardKeys; ++key) {
    const char16_t small = SoftKeyboardCharacter(*greek, key, false);
    if (small == 0) {
      EXPECT_EQ(SoftKeyboardCharacter(*greek, key, true), 0) << "key " << key;
      continue;
    }
    ++letters;
    // The capitals lie 0x20 below the small letters; final sigma (U+03C2) is left out of both.
    EXPECT_EQ(SoftKeyboardCharacter(*greek, key, true), small - 0x20) << "key " << key;
  }
  EXPECT_EQ(letters, 24);
  // The letters lie where a Greek keyboard has them.
  const int a = SoftKeyboardSlotOfVirtualKey('A');
  EXPECT_EQ(SoftKeyboardCharacter(*greek, a, false), u'α');
  EXPECT_EQ(SoftKeyboardCharacter(*greek, a, true), u'Α');
  EXPECT_EQ(SoftKeyboardCharacter(*greek, SoftKeyboardSlotOfVirtualKey('V'), true), u'Ω');
}

TEST(SoftKeyboard, KeysSendTheirVirtualKeys) {
  EXPECT_EQ(SoftKeyboardVirtualKey(29), 'A');
  EXPECT_EQ(SoftKeyboardVirtualKey(41), 0xA0);
  EXPECT_EQ(SoftKeyboardVirtualKey(55), 0x20);
  EXPECT_EQ(SoftKeyboardVirtualKey(60), 0x08);
  EXPECT_EQ(SoftKeyboardVirtualKey(61), 0);
}

}  // namespace
}  // namespace lz
