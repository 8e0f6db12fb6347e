#include "tracker/main/window_layout.h"

namespace tracker {
namespace {

constexpr double kMinWidth = 4000;
constexpr double kMinHeight = 3000;
constexpr double kFrameWidthMargin = 80;
constexpr double kFrameHeightMargin = 100;
constexpr double kListWidthMargin = 3020;
constexpr double kListHeightMargin = 2180;
constexpr double kDialogBesideLeft = 3320;
constexpr double kDialogBesideTop = -360;

}  // namespace

std::optional<MainLayout> LayoutMainWindow(double width, double height, double frame_top, double status_height,
                                           double toolbar_height) {
  if (!(width > kMinWidth && height > kMinHeight)) return std::nullopt;
  MainLayout layout;
  layout.frame_width = width - kFrameWidthMargin;
  layout.frame_height = height - frame_top - status_height - toolbar_height - kFrameHeightMargin;
  layout.list_width = width - kListWidthMargin;
  layout.list_height = height - kListHeightMargin;
  return layout;
}

TwipPoint RestoredDialog(double main_left, double main_top) {
  return TwipPoint{main_left + kDialogBesideLeft, main_top + kDialogBesideTop};
}

}  // namespace tracker
