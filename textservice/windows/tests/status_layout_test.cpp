#include "textservice/windows/status_layout.h"

#include <gtest/gtest.h>

#include <string>

#include "textservice/engine/engine_instance.h"
#include "textservice/engine/ime_block.h"

namespace lz {
namespace {

constexpr os::Rect kPlain{0, 0, 1920, 1040};
// A task bar at the left (80 wide) and one at the top (30 high): the work area starts away from 0.
constexpr os::Rect kTaskbarsLeftAndTop{80, 30, 1920, 1080};

// The primary monitor 1920 x 1080 at (0, 0), a second one to its right.
os::Rect TwoMonitors(std::int32_t x, std::int32_t) {
  if (x >= 1920) return {1920, 0, 3200, 1024};
  return kTaskbarsLeftAndTop;
}

TEST(StatusPlacement, EachDefaultCornerLiesOnTheWorkAreasOwnEdges) {
  struct Case {
    std::int32_t corner;
    os::Rect work;
    std::int32_t x, y;
  };
  const Case cases[] = {
      {1, kPlain, 0, 0},           {2, kPlain, 860, 0},           {3, kPlain, 1720, 0},
      {4, kPlain, 0, 1010},        {5, kPlain, 860, 1010},        {6, kPlain, 1720, 1010},
      {0, kPlain, 1720, 1010},     {9, kPlain, 1720, 1010},
      {1, kTaskbarsLeftAndTop, 80, 30},    {2, kTaskbarsLeftAndTop, 900, 30},  {3, kTaskbarsLeftAndTop, 1720, 30},
      {4, kTaskbarsLeftAndTop, 80, 1050},  {5, kTaskbarsLeftAndTop, 900, 1050}, {6, kTaskbarsLeftAndTop, 1720, 1050},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("corner " + std::to_string(c.corner) + " left " + std::to_string(c.work.left));
    const WindowBox box = PlaceStatusWindow({200, 30, c.corner, -1, -1}, c.work, TwoMonitors);
    EXPECT_EQ(box.x, c.x);
    EXPECT_EQ(box.y, c.y);
    EXPECT_EQ(box.width, 200);
    EXPECT_EQ(box.height, 30);
  }
}

TEST(StatusPlacement, AStoredPositionStaysOnItsMonitorInsideItsWorkArea) {
  struct Case {
    const char* name;
    std::int32_t stored_x, stored_y;
    std::int32_t x, y;
  };
  const Case cases[] = {
      {"one negative coordinate takes the corner", -1, 5, 1720, 30},
      {"a place inside stays", 500, 400, 500, 400},
      {"on the second monitor it stays there", 2500, 600, 2500, 600},
      {"past the second monitor's right edge: flush with it", 3150, 600, 3000, 600},
      {"past the bottom: flush with it", 500, 1070, 500, 1050},
      {"under the left task bar: moved out", 10, 400, 80, 400},
      {"under the top task bar: moved out", 500, 0, 500, 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const WindowBox box = PlaceStatusWindow({200, 30, 3, c.stored_x, c.stored_y}, kTaskbarsLeftAndTop, TwoMonitors);
    EXPECT_EQ(box.x, c.x);
    EXPECT_EQ(box.y, c.y);
  }
}

StatusModes Modes(std::uint32_t mode, std::uint32_t ime_flags = 0, bool caps = false, bool traditional = false,
                  bool simplified = false) {
  return {mode, ime_flags, caps, traditional, simplified};
}

TEST(StatusRegions, EachButtonShowsTheImageOfTheState) {
  struct Case {
    const char* name;
    int region;
    StatusModes modes;
    const char16_t* image;  // nullptr: none
  };
  const Case cases[] = {
      {"Chinese", status_region::kMode, Modes(0), u"cn.png"},
      {"English", status_region::kMode, Modes(mode::kEnglish), u"en.png"},
      {"Caps Lock in Chinese", status_region::kMode, Modes(0, 0, true), u"capslock.png"},
      {"Caps Lock in English", status_region::kMode, Modes(mode::kEnglish, 0, true), u"capslock.png"},
      {"closed wins over Caps Lock", status_region::kMode, Modes(mode::kClosed, 0, true), u"en.png"},
      {"disabled wins over Caps Lock", status_region::kMode, Modes(mode::kDisabled, 0, true), u"en.png"},
      {"logo", status_region::kLogo, Modes(0), u"flag.png"},
      {"full width", status_region::kWidth, Modes(mode::kFullWidth), u"quan.png"},
      {"half width", status_region::kWidth, Modes(0), u"ban.png"},
      {"English punctuation", status_region::kPunctuation, Modes(mode::kEnglishPunctuation), u"en_biaodian.png"},
      {"Chinese punctuation", status_region::kPunctuation, Modes(0), u"cn_biaodian.png"},
      {"soft keyboard on", status_region::kSoftKeyboard, Modes(mode::kSoftKeyboard), u"key2.png"},
      {"soft keyboard off", status_region::kSoftKeyboard, Modes(0), u"key1.png"},
      {"traditional table, traditional output", status_region::kScript,
       Modes(0, ime_block::kTraditionalOutput, false, true), u"fan.png"},
      {"traditional table, output as typed", status_region::kScript, Modes(0, 0, false, true), u"jian.png"},
      {"simplified table, simplified output", status_region::kScript,
       Modes(0, ime_block::kSimplifiedOutput, false, false, true), u"jian.png"},
      {"simplified table, output as typed", status_region::kScript, Modes(0, 0, false, false, true), u"fan.png"},
      {"no conversion table", status_region::kScript, Modes(0, ime_block::kTraditionalOutput), nullptr},
      {"menu", status_region::kMenu, Modes(0), u"menu.png"},
      {"an extension button has the skin's own image", status_region::kFirstExtension, Modes(0), nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const char16_t* image = StatusRegionImage(c.region, c.modes);
    if (!c.image) {
      EXPECT_EQ(image, nullptr);
    } else {
      ASSERT_NE(image, nullptr);
      EXPECT_EQ(std::u16string(image), std::u16string(c.image));
    }
  }
}

TEST(StatusRegions, ClicksAskForTheCommandOfTheState) {
  struct Case {
    const char* name;
    std::int32_t id;
    StatusModes modes;
    StatusClickAction action;
  };
  auto command = [](std::uint32_t c) { return StatusClickAction{StatusClick::kCommand, UiCall{c, 0, 0}}; };
  const StatusClickAction nothing{};
  const Case cases[] = {
      {"width in half width", status_id::kWidth, Modes(0), command(8193)},
      {"width in full width", status_id::kWidth, Modes(mode::kFullWidth), command(8194)},
      {"punctuation in Chinese", status_id::kPunctuation, Modes(0), command(8195)},
      {"punctuation in English", status_id::kPunctuation, Modes(mode::kEnglishPunctuation), command(8196)},
      {"menu", status_id::kMenu, Modes(0), {StatusClick::kMainMenu, {}}},
      {"soft keyboard on or off", status_id::kSoftKeyboard, Modes(0), command(513)},
      {"mode in Chinese", status_id::kMode, Modes(0), command(260)},
      {"mode in English", status_id::kMode, Modes(mode::kEnglish), command(259)},
      {"mode while closed", status_id::kMode, Modes(mode::kClosed), command(259)},
      {"mode while disabled", status_id::kMode, Modes(mode::kDisabled | mode::kEnglish), nothing},
      {"script with the traditional table", status_id::kScript, Modes(0, 0, false, true, true), command(8197)},
      {"script with the simplified table", status_id::kScript, Modes(0, 0, false, false, true), command(8198)},
      {"script without a table", status_id::kScript, Modes(0), nothing},
      {"logo", status_id::kLogo, Modes(0), nothing},
      {"extension button", status_id::kFirstExtension + 3, Modes(0), nothing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const StatusClickAction a = StatusClickCommand(c.id, c.modes);
    EXPECT_EQ(a.kind, c.action.kind);
    EXPECT_EQ(a.call, c.action.call);
  }
}

TEST(StatusRegions, SlotsReportTheirIdsAndTakeTheirPlaceFromTheSkin) {
  StatusLayout layout{};
  layout.mode_button = {1, 2};
  layout.logo = {3, 4};
  layout.width_button = {5, 6};
  layout.punctuation_button = {7, 8};
  layout.soft_keyboard_button = {9, 10};
  layout.script_button = {11, 12};
  layout.menu_button = {13, 14};
  for (int i = 0; i < kSkinExtensionButtons; ++i) {
    layout.extension_x[i] = 100 + i;
    layout.extension_y[i] = 200 + i;
  }
  const std::int32_t ids[] = {19, 17, 14, 15, 18, 20, 16};
  for (int region = status_region::kMode; region <= status_region::kMenu; ++region) {
    EXPECT_EQ(StatusRegionId(region), ids[region - status_region::kMode]) << region;
    const SkinPoint p = StatusRegionPosition(layout, region);
    EXPECT_EQ(p.x, 2 * (region - status_region::kMode) + 1) << region;
    EXPECT_EQ(p.y, 2 * (region - status_region::kMode) + 2) << region;
  }
  EXPECT_EQ(StatusRegionId(45), 1025);
  EXPECT_EQ(StatusRegionPosition(layout, 45).x, 104);
  EXPECT_EQ(StatusRegionPosition(layout, 45).y, 204);
  EXPECT_EQ(StatusRegionId(33), 0);
  EXPECT_EQ(StatusRegionPosition(layout, 33).x, -1);
}

// A skin with a 200 x 30 bar and 20 x 18 images for the groups the test names.
LoadedSkin SkinWithImages(std::initializer_list<int> groups) {
  LoadedSkin skin;
  skin.images.images[kBarImage] = NewSkinImage(200, 30);
  for (int first : groups) skin.images.images[static_cast<std::size_t>(first)] = NewSkinImage(20, 18);
  return skin;
}

TEST(StatusRegions, TheTableShowsPlacedButtonsWithImagesAtTheirImageSize) {
  LoadedSkin skin = SkinWithImages({kChineseModeImages, kHalfWidthImages, kMenuImages, kLogoImages,
                                    kChinesePunctuationImages, ExtensionImageSlot(2, 0)});
  StatusLayout& l = skin.description.status;
  l.mode_button = {4, 5};
  l.width_button = {30, 5};
  l.punctuation_button = {-1, 5};  // not placed
  l.menu_button = {60, 5};
  l.logo = {0, 0};
  l.soft_keyboard_button = {90, 5};  // placed, but no image
  l.script_button = {120, 5};        // no conversion table
  for (int i = 0; i < kSkinExtensionButtons; ++i) l.extension_x[i] = l.extension_y[i] = -1;
  l.extension_x[1] = 150;
  l.extension_y[1] = 6;
  SkinRegionTable table{};
  const StatusBarSize size = LayoutStatusRegions(skin, StatusModes{}, table);
  EXPECT_EQ(size.width, 200);
  EXPECT_EQ(size.height, 30);
  struct Row {
    int region;
    bool shown;
    std::int32_t x, y;
  };
  const Row rows[] = {{status_region::kMode, true, 4, 5},         {status_region::kWidth, true, 30, 5},
                      {status_region::kPunctuation, false, 0, 0}, {status_region::kMenu, true, 60, 5},
                      {status_region::kLogo, true, 0, 0},         {status_region::kSoftKeyboard, false, 0, 0},
                      {status_region::kScript, false, 0, 0},      {status_region::kFirstExtension + 1, true, 150, 6},
                      {status_region::kFirstExtension, false, 0, 0}, {0, false, 0, 0}};
  for (const Row& row : rows) {
    const SkinHitRegion& r = table[static_cast<std::size_t>(row.region)];
    EXPECT_EQ(r.Shown(), row.shown) << row.region;
    EXPECT_EQ(r.id, StatusRegionId(row.region)) << row.region;
    if (!row.shown) continue;
    EXPECT_EQ(r.x, row.x) << row.region;
    EXPECT_EQ(r.y, row.y) << row.region;
    EXPECT_EQ(r.width, 20) << row.region;
    EXPECT_EQ(r.height, 18) << row.region;
    EXPECT_EQ(r.state, region_state::kNormal) << row.region;
  }
  // The bar hit-tests against the same table: the width button's centre reports its id.
  EXPECT_EQ(HitTestRegions(size.width, size.height, table, 40, 14), status_id::kWidth);
  EXPECT_EQ(HitTestRegions(size.width, size.height, table, 190, 25), kHitBackground);
}

TEST(StatusRegions, TheImageGroupFollowsTheState) {
  struct Case {
    int region;
    StatusModes modes;
    int slot;
  };
  const Case cases[] = {
      {status_region::kMode, {}, kChineseModeImages},
      {status_region::kMode, {mode::kEnglish, 0, false, false, false}, kEnglishModeImages},
      {status_region::kMode, {0, 0, true, false, false}, kCapsLockImages},
      {status_region::kWidth, {mode::kFullWidth, 0, false, false, false}, kFullWidthImages},
      {status_region::kSoftKeyboard, {mode::kSoftKeyboard, 0, false, false, false}, kSoftKeyboardOnImages},
      {status_region::kScript, {0, ime_block::kTraditionalOutput, false, true, false}, kTraditionalImages},
      {status_region::kScript, {}, -1},
      {status_region::kFirstExtension + 8, {}, ExtensionImageSlot(9, 0)},
  };
  for (const Case& c : cases) EXPECT_EQ(StatusRegionImageSlot(c.region, c.modes), c.slot) << c.region;
}

}  // namespace
}  // namespace lz
