#include "config/settings/settings_window.h"

#include "textservice/engine/block_fields.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/settings_store.h"

namespace lz::config {
namespace {

constexpr int kLastStartPage = 4;
constexpr std::uint32_t kNameUnits = soft_block::kClassNameUnits;
constexpr std::uint32_t kMainSchemeName = soft_block::kClassNames;
constexpr std::uint32_t kSecondaryTermName = soft_block::kClassNames + 3 * kNameUnits * 2;  // +5660
constexpr std::uint32_t kAuxiliarySchemeName = soft_block::kClassNames + 4 * kNameUnits * 2;  // +5724
static_assert(kSecondaryTermName == 5660 && kAuxiliarySchemeName == 5724);

bool Flag(ByteView block, std::uint32_t offset, std::uint32_t bit) { return (BlockU32(block, offset) & bit) != 0; }

}  // namespace

TabLayout LayOutTabs(std::uint32_t mask, int start_page) {
  TabLayout layout;
  layout.mask = mask == 0 ? kAllTabs : mask;
  int start = start_page < 1 ? 0 : start_page > kLastStartPage ? kLastStartPage : start_page;
  for (int i = 0; i < kSettingsTabs; ++i) {
    const auto tab = static_cast<SettingsTab>(i);
    if (!(layout.mask & TabMaskBit(tab))) continue;
    if (start_page >= 1 && i == start) start = static_cast<int>(layout.tabs.size());
    layout.tabs.push_back(tab);
  }
  layout.selected = start < static_cast<int>(layout.tabs.size()) ? start : 0;
  return layout;
}

int NextTab(int selected, int count) { return count <= 0 || selected + 1 >= count ? 0 : selected + 1; }

TabItemSize TabItemSizeFor(int dpi) { return TabItemSize{dpi / 4 * 5, dpi / 4 + dpi / 8}; }

AdvancedPageView ReadAdvancedPage(ByteView soft, ByteView ime) {
  using namespace advanced_page;
  AdvancedPageView view;
  const std::uint32_t flags = BlockU32(ime, ime_block::kImeFlags);
  view.no_combination_keys = flags & ime_block::kNoCombinationKeys;

  const std::u16string auxiliary = ReadFieldText(soft, kAuxiliarySchemeName, kNameUnits);
  view.has_auxiliary = !auxiliary.empty();
  if (view.has_auxiliary) {
    std::u16string main = ReadFieldText(soft, kMainSchemeName, kNameUnits);
    if (main.empty()) main = u"主码表";
    view.main_label = main;
    view.auxiliary_label = auxiliary;
    view.both_label = main + u"+" + auxiliary;
    const bool has_main = flags & ime_block::kSchemeMain;
    const bool has_auxiliary = flags & ime_block::kSchemeAuxiliary;
    view.scheme = has_main && has_auxiliary ? kSchemeBoth : has_auxiliary ? kSchemeAuxiliary : kSchemeMain;
  }

  const std::u16string secondary = ReadFieldText(soft, kSecondaryTermName, kNameUnits);
  view.has_secondary = !secondary.empty();
  if (view.has_secondary) {
    view.search_label = u"检索" + secondary;
    view.skip_label = u"不检索" + secondary;
    const bool always = flags & ime_block::kAlwaysSearchSecondary;
    view.range = always ? kSearchRare : kSkipRare;
    view.when_empty_enabled = !always;
    view.when_empty_checked = flags & ime_block::kSearchSecondaryWhenEmpty;
  }
  return view;
}

bool AdvancedPageClick(ByteView ime, int id, bool checked) {
  using namespace advanced_page;
  constexpr std::uint32_t kFlags = ime_block::kImeFlags;
  switch (id) {
    case kSearchRare:
      SetBits32(ime, kFlags, ime_block::kAlwaysSearchSecondary, true);
      break;
    case kSkipRare:
      SetBits32(ime, kFlags, ime_block::kAlwaysSearchSecondary, false);
      break;
    case kSchemeBoth:
      SetBits32(ime, kFlags, ime_block::kSchemeMain | ime_block::kSchemeAuxiliary, true);
      break;
    case kSchemeMain:
      SetBits32(ime, kFlags, ime_block::kSchemeMain, true);
      SetBits32(ime, kFlags, ime_block::kSchemeAuxiliary, false);
      break;
    case kSchemeAuxiliary:
      SetBits32(ime, kFlags, ime_block::kSchemeMain, false);
      SetBits32(ime, kFlags, ime_block::kSchemeAuxiliary, true);
      break;
    case kNoCombinationKeys:
      SetBits32(ime, kFlags, ime_block::kNoCombinationKeys, checked);
      break;
    case kSearchWhenEmpty:
      SetBits32(ime, kFlags, ime_block::kSearchSecondaryWhenEmpty, checked);
      break;
    default:
      break;
  }
  return !Flag(ime, kFlags, ime_block::kAlwaysSearchSecondary);
}

EmbedDialogView ReadEmbedDialog(ByteView ime) {
  using namespace embed_dialog;
  EmbedDialogView view;
  const std::uint32_t flags = BlockU32(ime, ime_block::kImeFlags);
  if (flags & ime_block::kInlineCode) {
    view.choice = kEmbedCode;
    view.hide_embedded_first_enabled = false;
  } else if (flags & ime_block::kInlineFirstCandidate) {
    view.choice = kEmbedFirst;
  }
  view.hide_when_unique = Flag(ime, ime_block::kBehaviourFlags, ime_block::kWindowOnlyForChoices);
  view.hide_embedded_first = Flag(ime, ime_block::kBehaviourFlags, ime_block::kHideInlineFirst);
  return view;
}

void EmbedChoiceClicked(EmbedDialogView& view, int id) {
  using namespace embed_dialog;
  if (id != kEmbedCode && id != kEmbedFirst && id != kTraditional) return;
  view.choice = id;
  view.hide_when_unique_enabled = true;
  view.hide_embedded_first_enabled = id == kEmbedFirst;
}

void ApplyEmbedDialog(ByteView ime, const EmbedDialogView& view) {
  using namespace embed_dialog;
  SetBits32(ime, ime_block::kBehaviourFlags, ime_block::kWindowOnlyForChoices, view.hide_when_unique);
  SetBits32(ime, ime_block::kBehaviourFlags, ime_block::kHideInlineFirst, view.hide_embedded_first);
  SetBits32(ime, ime_block::kImeFlags, ime_block::kInlineMask, false);
  if (view.choice == kEmbedCode) SetBits32(ime, ime_block::kImeFlags, ime_block::kInlineCode, true);
  if (view.choice == kEmbedFirst) SetBits32(ime, ime_block::kImeFlags, ime_block::kInlineFirstCandidate, true);
}

}  // namespace lz::config
