#pragma once
// The status bar as geometry and decisions: where the bar goes, which image each of its buttons shows for
// the input state, and what a click on a button asks the UI command dispatcher to do. The window code
// paints and hit-tests what these return.
#include <cstdint>

#include "platform/os/work_area.h"
#include "textservice/windows/candidate_placement.h"
#include "textservice/skin/skin_description.h"
#include "textservice/skin/skin_package.h"
#include "textservice/skin/skin_regions.h"

namespace lz {

// Region slots of the status bar in its region table, and the ids they report.
namespace status_region {
constexpr int kMode = 34;
constexpr int kLogo = 35;
constexpr int kWidth = 36;
constexpr int kPunctuation = 37;
constexpr int kSoftKeyboard = 38;
constexpr int kScript = 39;
constexpr int kMenu = 40;
constexpr int kFirstExtension = 41;  // 41..49
constexpr int kLast = 49;
}  // namespace status_region

namespace status_id {
constexpr std::int32_t kWidth = 14;
constexpr std::int32_t kPunctuation = 15;
constexpr std::int32_t kMenu = 16;
constexpr std::int32_t kLogo = 17;
constexpr std::int32_t kSoftKeyboard = 18;
constexpr std::int32_t kMode = 19;
constexpr std::int32_t kScript = 20;
constexpr std::int32_t kFirstExtension = 1021;  // 1021..1029
}  // namespace status_id

// The input state a status bar shows.
struct StatusModes {
  std::uint32_t mode = 0;       // engine mode word
  std::uint32_t ime_flags = 0;  // ime block +36
  bool caps_lock = false;       // Caps Lock toggled on
  bool traditional_table = false;  // traditional.dms is loaded
  bool simplified_table = false;   // simplified.dms is loaded
};

// The id a status region reports, or 0 for a slot the bar does not use.
std::int32_t StatusRegionId(int region);

// The image name ("cn.png", ...) a status region shows in this state, or nullptr when it shows none (the
// script button with neither conversion table; the extension buttons, whose images are the skin's
// numbered extension images).
const char16_t* StatusRegionImage(int region, const StatusModes& modes);

// The position of a status region from the skin's layout, or (-1, -1) when the layout does not place it.
SkinPoint StatusRegionPosition(const StatusLayout& layout, int region);

// The first image slot (state 0) of the group a status region shows in this state, or -1 for none.
int StatusRegionImageSlot(int region, const StatusModes& modes);

// The bar's region table for a skin and state: every slot hidden but the buttons whose image exists and
// whose layout coordinates are both 0 or more, each at its layout point with its image's size, its id, its
// state images, in the normal state. Answers the size of "bar.png" (0 x 0 without one).
struct StatusBarSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};
StatusBarSize LayoutStatusRegions(const LoadedSkin& skin, const StatusModes& modes, SkinRegionTable& table);

// A call of the UI command dispatcher.
struct UiCall {
  std::uint32_t command = 0;
  std::int32_t number = 0;
  std::int32_t argument = 0;
  bool operator==(const UiCall&) const = default;
};

// What releasing the left button over a status button does.
enum class StatusClick { kNothing, kCommand, kMainMenu };
struct StatusClickAction {
  StatusClick kind = StatusClick::kNothing;
  UiCall call;
};
StatusClickAction StatusClickCommand(std::int32_t id, const StatusModes& modes);

// Where the bar goes. A stored coordinate below 0 puts it in the skin's default corner of the primary
// work area; a stored position keeps it on the monitor it lies on. Either way it ends inside that work
// area.
struct StatusPlacementInput {
  std::int32_t width = 0;  // bar.png's size
  std::int32_t height = 0;
  std::int32_t default_corner = 0;  // 1..6, anything else the bottom right
  std::int32_t stored_x = -1;       // skin block +692, +696
  std::int32_t stored_y = -1;
};
WindowBox PlaceStatusWindow(const StatusPlacementInput& in, const os::Rect& primary_work,
                            WorkAreaLookup work_area = SystemWorkAreaAt);

// The default corner's position in a work area, measured from the area's own edges.
SkinPoint StatusCornerPosition(std::int32_t corner, const os::Rect& work, std::int32_t width, std::int32_t height);

}  // namespace lz
