#pragma once
// The HTML viewer's decisions (信息提示窗口, opened with /showurl): the address the browser control is
// given and where the window goes on the screen.
#include <string>
#include <string_view>

namespace lz::config {

// What the viewer shows when the opener gives no address.
inline constexpr char16_t kDefaultViewerAddress[] = u"about:blank";
// The About page when the install folder has no help file to show.
inline constexpr char16_t kBlankPage[] = u"about:blank";

// A help-file address ("mk:@MSITStore") goes to the control unchanged; any other address is
// percent-encoded first (characters above U+00FE as UTF-8 escapes, blanks kept; at most 511 characters).
std::u16string ViewerAddress(std::u16string_view address);

struct ViewerPlacement {
  bool resize = false;  // false: the window keeps its resource size
  int x = 0, y = 0, width = 0, height = 0;
};

// A width or height below 1 keeps the resource size; otherwise each is cut to the screen and the window
// centred on it.
ViewerPlacement PlaceViewer(int width, int height, int screen_width, int screen_height);

}  // namespace lz::config
