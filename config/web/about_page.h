#pragma once
// The 关于 page's decisions: its title line, the help file's About page it shows, and whether the
// online-update link is offered.
#include <string>
#include <string_view>

#include "textservice/engine/byte_view.h"

namespace lz::config {

constexpr int kBuildNumber = 361;
// The update template the program carries; a soft block holding only this one (or none) has no update
// service of its own, so the page offers no update.
inline constexpr char16_t kDefaultUpdateTemplate[] =
    u"https://update.invalid/update_list.txt?ver=%s&id=%s&mac=%s&data=%d";

struct AboutPageView {
  std::u16string title;          // "<DisplayName>: <DisplayVersion> build 361"
  std::u16string address;        // the About page of main.chm in the install folder
  bool update_link_shown = false;
};

AboutPageView ReadAboutPage(ByteView soft, std::u16string_view install_folder);
// The help file in the install folder, with or without its closing separator: "<folder>\main.chm".
std::u16string HelpFilePath(std::u16string_view install_folder);

}  // namespace lz::config
