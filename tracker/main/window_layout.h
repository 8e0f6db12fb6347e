#pragma once
// The main window's layout when it is resized, and the places the restore commands put windows back
// at, in twips.
#include <optional>

namespace tracker {

struct MainLayout {
  double frame_width = 0;
  double frame_height = 0;
  double list_width = 0;
  double list_height = 0;
};

// The frame and the record list for a main window of width × height; nothing moves unless the window is
// wider than 4000 and higher than 3000.
std::optional<MainLayout> LayoutMainWindow(double width, double height, double frame_top, double status_height,
                                           double toolbar_height);

struct TwipPoint {
  double left = 0;
  double top = 0;
};

// Restore Memo Position and Restore Record Table Position.
inline constexpr TwipPoint kRestoredMemo{5190, 3600};
inline constexpr TwipPoint kRestoredTable{150, 150};
// Restore Set Reminder Position: beside the main window.
TwipPoint RestoredDialog(double main_left, double main_top);
// Restore Tip Position: the tip's stored place, each written with the sign place of a positive number.
inline constexpr double kRestoredTipLeft = 4665;
inline constexpr double kRestoredTipTop = 3330;

}  // namespace tracker
