#pragma once
// The main settings window's decisions as plain functions: which tabs it shows and which one it opens
// on, and what its 高级 page and the embedding dialog show and write.
#include <cstdint>
#include <string>
#include <vector>

#include "textservice/engine/byte_view.h"

namespace lz::config {

// ---- tabs ----

enum class SettingsTab { kCommon, kInterface, kTable, kAdvanced, kAbout };  // 常用 界面 码表 高级 关于
constexpr int kSettingsTabs = 5;
// The tab mask at ime +40: which tabs the window shows; 0 means all and is stored as 0xFFFF.
constexpr std::uint32_t kTabMaskOffset = 40;
constexpr std::uint32_t kAllTabs = 0xFFFF;
constexpr std::uint32_t TabMaskBit(SettingsTab tab) {
  constexpr std::uint32_t kBits[kSettingsTabs] = {0x1, 0x4, 0x8, 0x2, 0x10};
  return kBits[static_cast<int>(tab)];
}

struct TabLayout {
  std::vector<SettingsTab> tabs;  // in the window's order
  int selected = 0;               // position among the tabs
  std::uint32_t mask = 0;         // what the block holds afterwards
};

// start_page: 1 界面, 2 码表, 3 高级, 4 关于, else the first tab. A requested tab that is shown is
// selected where it stands; a start page beyond the shown tabs selects the first.
TabLayout LayOutTabs(std::uint32_t mask, int start_page);
// Ctrl+Tab: the next position, back to the first after the last.
int NextTab(int selected, int count);

struct TabItemSize {
  int width;
  int height;
};
// From the screen's vertical dots per inch: 120 x 36 at 96.
TabItemSize TabItemSizeFor(int dpi);

// ---- the 高级 page (dialog 150) ----

namespace advanced_page {
constexpr int kNoCombinationKeys = 1024;
constexpr int kSchemeBoth = 1020;
constexpr int kSchemeMain = 1021;
constexpr int kSchemeAuxiliary = 1022;
constexpr int kSchemeLabel = 1025;
constexpr int kRangeLabel = 1027;
constexpr int kSearchRare = 1017;
constexpr int kSkipRare = 1018;
constexpr int kSearchWhenEmpty = 1032;
// Without an auxiliary scheme the range controls move this far to the left, into the scheme's place.
constexpr int kRangeShift = -171;
}  // namespace advanced_page

struct AdvancedPageView {
  bool no_combination_keys = false;
  bool has_auxiliary = false;  // the scheme controls are shown; else hidden and the range ones moved
  std::u16string main_label, auxiliary_label, both_label;
  int scheme = advanced_page::kSchemeMain;
  bool has_secondary = false;  // the range controls are shown
  std::u16string search_label, skip_label;
  int range = advanced_page::kSkipRare;
  bool when_empty_enabled = true;
  bool when_empty_checked = false;
};

// From the soft block's class names (main scheme +5468, secondary term +5660, auxiliary scheme +5724)
// and the ime flags.
AdvancedPageView ReadAdvancedPage(ByteView soft, ByteView ime);
// A click on one of the page's check boxes or radio buttons, written at once. Returns whether 1032 is
// enabled afterwards.
bool AdvancedPageClick(ByteView ime, int id, bool checked);

// ---- the embedding dialog (dialog 156) ----

namespace embed_dialog {
constexpr int kEmbedCode = 1018;
constexpr int kEmbedFirst = 1019;
constexpr int kTraditional = 1020;
constexpr int kHideWhenUnique = 1004;
constexpr int kHideEmbeddedFirst = 1005;
}  // namespace embed_dialog

struct EmbedDialogView {
  int choice = embed_dialog::kTraditional;
  bool hide_when_unique = false;
  bool hide_embedded_first = false;
  bool hide_when_unique_enabled = true;
  bool hide_embedded_first_enabled = true;
};
EmbedDialogView ReadEmbedDialog(ByteView ime);
// The enables after a click on one of the three radio buttons.
void EmbedChoiceClicked(EmbedDialogView& view, int id);
// OK: the view's choice and checks into the ime flags (+36) and behaviour flags (+48).
void ApplyEmbedDialog(ByteView ime, const EmbedDialogView& view);

}  // namespace lz::config
