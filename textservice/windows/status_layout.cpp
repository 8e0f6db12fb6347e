#include "textservice/windows/status_layout.h"

#include "textservice/engine/engine_instance.h"
#include "textservice/engine/ime_block.h"

#include <string_view>

namespace lz {

std::int32_t StatusRegionId(int region) {
  switch (region) {
    case status_region::kMode: return status_id::kMode;
    case status_region::kLogo: return status_id::kLogo;
    case status_region::kWidth: return status_id::kWidth;
    case status_region::kPunctuation: return status_id::kPunctuation;
    case status_region::kSoftKeyboard: return status_id::kSoftKeyboard;
    case status_region::kScript: return status_id::kScript;
    case status_region::kMenu: return status_id::kMenu;
    default: break;
  }
  if (region >= status_region::kFirstExtension && region <= status_region::kLast) {
    return status_id::kFirstExtension + (region - status_region::kFirstExtension);
  }
  return 0;
}

const char16_t* StatusRegionImage(int region, const StatusModes& modes) {
  const std::uint32_t m = modes.mode;
  switch (region) {
    case status_region::kMode:
      if (m & (mode::kClosed | mode::kDisabled)) return u"en.png";
      if (modes.caps_lock) return u"capslock.png";
      return (m & mode::kEnglish) ? u"en.png" : u"cn.png";
    case status_region::kLogo: return u"flag.png";
    case status_region::kWidth: return (m & mode::kFullWidth) ? u"quan.png" : u"ban.png";
    case status_region::kPunctuation: return (m & mode::kEnglishPunctuation) ? u"en_biaodian.png" : u"cn_biaodian.png";
    case status_region::kSoftKeyboard: return (m & mode::kSoftKeyboard) ? u"key2.png" : u"key1.png";
    case status_region::kScript:
      if (modes.traditional_table) return (modes.ime_flags & ime_block::kTraditionalOutput) ? u"fan.png" : u"jian.png";
      if (modes.simplified_table) return (modes.ime_flags & ime_block::kSimplifiedOutput) ? u"jian.png" : u"fan.png";
      return nullptr;
    case status_region::kMenu: return u"menu.png";
    default: return nullptr;
  }
}

SkinPoint StatusRegionPosition(const StatusLayout& layout, int region) {
  switch (region) {
    case status_region::kMode: return layout.mode_button;
    case status_region::kLogo: return layout.logo;
    case status_region::kWidth: return layout.width_button;
    case status_region::kPunctuation: return layout.punctuation_button;
    case status_region::kSoftKeyboard: return layout.soft_keyboard_button;
    case status_region::kScript: return layout.script_button;
    case status_region::kMenu: return layout.menu_button;
    default: break;
  }
  if (region >= status_region::kFirstExtension && region <= status_region::kLast) {
    const int i = region - status_region::kFirstExtension;
    return {layout.extension_x[i], layout.extension_y[i]};
  }
  return {-1, -1};
}

int StatusRegionImageSlot(int region, const StatusModes& modes) {
  if (region >= status_region::kFirstExtension && region <= status_region::kLast) {
    return ExtensionImageSlot(region - status_region::kFirstExtension + 1, 0);
  }
  const char16_t* name = StatusRegionImage(region, modes);
  if (!name) return -1;
  static constexpr struct {
    std::u16string_view name;
    int slot;
  } kGroups[] = {{u"flag.png", kLogoImages},
                 {u"en.png", kEnglishModeImages},
                 {u"cn.png", kChineseModeImages},
                 {u"capslock.png", kCapsLockImages},
                 {u"en_biaodian.png", kEnglishPunctuationImages},
                 {u"cn_biaodian.png", kChinesePunctuationImages},
                 {u"quan.png", kFullWidthImages},
                 {u"ban.png", kHalfWidthImages},
                 {u"key2.png", kSoftKeyboardOnImages},
                 {u"key1.png", kSoftKeyboardOffImages},
                 {u"menu.png", kMenuImages},
                 {u"jian.png", kSimplifiedImages},
                 {u"fan.png", kTraditionalImages}};
  for (const auto& group : kGroups) {
    if (group.name == name) return group.slot;
  }
  return -1;
}

StatusBarSize LayoutStatusRegions(const LoadedSkin& skin, const StatusModes& modes, SkinRegionTable& table) {
  for (SkinHitRegion& r : table) {
    r = SkinHitRegion{};
    r.state = region_state::kHidden;
    for (std::int32_t& c : r.background_colours) c = kNoColour;
  }
  for (int region = status_region::kMode; region <= status_region::kLast; ++region) {
    SkinHitRegion& r = table[static_cast<std::size_t>(region)];
    r.id = StatusRegionId(region);
    r.kind = region_kind::kButton;
    const int slot = StatusRegionImageSlot(region, modes);
    const SkinPoint at = StatusRegionPosition(skin.description.status, region);
    const SkinImage* normal = slot >= 0 ? skin.images[slot] : nullptr;
    if (!normal || at.x < 0 || at.y < 0) continue;
    for (int state = 0; state < kRegionStates; ++state) r.images[state] = skin.images[slot + state];
    r.x = at.x;
    r.y = at.y;
    r.width = normal->width;
    r.height = normal->height;
    r.state = region_state::kNormal;
  }
  StatusBarSize size;
  if (const SkinImage* bar = skin.images[kBarImage]) {
    size.width = bar->width;
    size.height = bar->height;
  }
  return size;
}

StatusClickAction StatusClickCommand(std::int32_t id, const StatusModes& modes) {
  const std::uint32_t m = modes.mode;
  auto command = [](std::uint32_t c, std::int32_t number = 0) {
    return StatusClickAction{StatusClick::kCommand, UiCall{c, number, 0}};
  };
  switch (id) {
    case status_id::kWidth: return command((m & mode::kFullWidth) ? 8194 : 8193);
    case status_id::kPunctuation: return command((m & mode::kEnglishPunctuation) ? 8196 : 8195);
    case status_id::kMenu: return {StatusClick::kMainMenu, {}};
    case status_id::kSoftKeyboard: return command(513);
    case status_id::kMode:
      if (m & mode::kDisabled) return {};
      return command((m & (mode::kClosed | mode::kEnglish)) ? 259 : 260);
    case status_id::kScript:
      if (modes.traditional_table) return command(8197);
      if (modes.simplified_table) return command(8198);
      return {};
    default: return {};
  }
}

SkinPoint StatusCornerPosition(std::int32_t corner, const os::Rect& work, std::int32_t width, std::int32_t height) {
  const std::int32_t left = work.left;
  const std::int32_t centre = work.left + (work.right - work.left - width) / 2;
  const std::int32_t right = work.right - width;
  const std::int32_t top = work.top;
  const std::int32_t bottom = work.bottom - height;
  switch (corner) {
    case 1: return {left, top};
    case 2: return {centre, top};
    case 3: return {right, top};
    case 4: return {left, bottom};
    case 5: return {centre, bottom};
    default: return {right, bottom};
  }
}

WindowBox PlaceStatusWindow(const StatusPlacementInput& in, const os::Rect& primary_work, WorkAreaLookup work_area) {
  WindowBox box{0, 0, in.width, in.height};
  os::Rect work;
  if (in.stored_x < 0 || in.stored_y < 0) {
    work = primary_work;
    const SkinPoint p = StatusCornerPosition(in.default_corner, work, in.width, in.height);
    box.x = p.x;
    box.y = p.y;
  } else {
    work = work_area(in.stored_x, in.stored_y);
    box.x = in.stored_x;
    box.y = in.stored_y;
  }
  return ClampIntoWorkArea(box, work);
}

}  // namespace lz
