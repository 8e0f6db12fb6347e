#include "config/settings/settings_window.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/data_folder.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/settings_store.h"

namespace lz::config {
namespace {

using Tab = SettingsTab;

TEST(SettingsTabsTest, MaskAndStartPage) {
  const struct {
    std::uint32_t mask;
    int start_page;
    std::vector<Tab> tabs;
    int selected;
    std::uint32_t stored;
  } cases[] = {
      {0, 0, {Tab::kCommon, Tab::kInterface, Tab::kTable, Tab::kAdvanced, Tab::kAbout}, 0, 0xFFFF},
      {0x1F, 2, {Tab::kCommon, Tab::kInterface, Tab::kTable, Tab::kAdvanced, Tab::kAbout}, 2, 0x1F},
      {0x12, 4, {Tab::kAdvanced, Tab::kAbout}, 1, 0x12},
      // 码表 is not shown: a start page beyond the two tabs opens the first.
      {0x12, 2, {Tab::kAdvanced, Tab::kAbout}, 0, 0x12},
      // 界面 is not shown: the start page stays a position among the shown tabs.
      {0x1B, 1, {Tab::kCommon, Tab::kTable, Tab::kAdvanced, Tab::kAbout}, 1, 0x1B},
      {0, -3, {Tab::kCommon, Tab::kInterface, Tab::kTable, Tab::kAdvanced, Tab::kAbout}, 0, 0xFFFF},
      {0, 9, {Tab::kCommon, Tab::kInterface, Tab::kTable, Tab::kAdvanced, Tab::kAbout}, 4, 0xFFFF},
      {0x4, 1, {Tab::kInterface}, 0, 0x4},
  };
  for (const auto& c : cases) {
    const TabLayout layout = LayOutTabs(c.mask, c.start_page);
    EXPECT_EQ(layout.tabs, c.tabs) << c.mask << "/" << c.start_page;
    EXPECT_EQ(layout.selected, c.selected) << c.mask << "/" << c.start_page;
    EXPECT_EQ(layout.mask, c.stored);
  }
  EXPECT_EQ(NextTab(3, 5), 4);
  EXPECT_EQ(NextTab(4, 5), 0);
  EXPECT_EQ(NextTab(0, 1), 0);
  EXPECT_EQ(TabItemSizeFor(96).width, 120);
  EXPECT_EQ(TabItemSizeFor(96).height, 36);
  EXPECT_EQ(TabItemSizeFor(144).width, 180);
  EXPECT_EQ(TabItemSizeFor(144).height, 54);
}

class Blocks {
 public:
  Blocks() : store_(NewConfigStore(test::kTestIdentifier)) {
    FindConfigBlocks(ByteView{store_.data(), static_cast<std::uint32_t>(store_.size())}, blocks_);
  }
  const ConfigBlocks* operator->() const { return &blocks_; }

 private:
  std::vector<std::uint8_t> store_;
  ConfigBlocks blocks_{};
};

constexpr std::uint32_t kMain = 5468, kSecondary = 5660, kAuxiliary = 5724;

TEST(AdvancedPageTest, NamesAndFlagsGiveTheControls) {
  namespace ap = advanced_page;
  const struct {
    std::u16string main, auxiliary, secondary;
    std::uint32_t flags;
    bool has_auxiliary;
    std::u16string main_label, both_label;
    int scheme;
    bool has_secondary;
    std::u16string search_label;
    int range;
    bool empty_enabled, empty_checked, no_combinations;
  } cases[] = {
      {u"五笔", u"拼音", u"", 0x8000 | 0x10000, true, u"五笔", u"五笔+拼音", ap::kSchemeBoth, false, u"", ap::kSkipRare,
       true, false, false},
      {u"", u"拼音", u"", 0x10000 | 0x8, true, u"主码表", u"主码表+拼音", ap::kSchemeAuxiliary, false, u"",
       ap::kSkipRare, true, false, true},
      {u"五笔", u"拼音", u"生僻字", 0, true, u"五笔", u"五笔+拼音", ap::kSchemeMain, true, u"检索生僻字", ap::kSkipRare,
       true, false, false},
      {u"五笔", u"", u"生僻字", 0x20000 | 0x40000, false, u"", u"", ap::kSchemeMain, true, u"检索生僻字",
       ap::kSearchRare, false, true, false},
  };
  for (const auto& c : cases) {
    Blocks b;
    WriteFieldText(b->soft, kMain, 32, c.main);
    WriteFieldText(b->soft, kAuxiliary, 32, c.auxiliary);
    WriteFieldText(b->soft, kSecondary, 32, c.secondary);
    b->ime.WriteU32(ime_block::kImeFlags, c.flags);
    const AdvancedPageView view = ReadAdvancedPage(b->soft, b->ime);
    EXPECT_EQ(view.has_auxiliary, c.has_auxiliary);
    EXPECT_EQ(view.main_label, c.main_label);
    EXPECT_EQ(view.both_label, c.both_label);
    EXPECT_EQ(view.scheme, c.scheme);
    EXPECT_EQ(view.has_secondary, c.has_secondary);
    EXPECT_EQ(view.search_label, c.search_label);
    EXPECT_EQ(view.range, c.range);
    EXPECT_EQ(view.when_empty_enabled, c.empty_enabled);
    EXPECT_EQ(view.when_empty_checked, c.empty_checked);
    EXPECT_EQ(view.no_combination_keys, c.no_combinations);
  }
}

TEST(AdvancedPageTest, EachClickWritesItsBits) {
  namespace ap = advanced_page;
  const struct {
    std::uint32_t before;
    int id;
    bool checked;
    std::uint32_t after;
    bool empty_enabled;
  } cases[] = {
      {0x40000, ap::kSearchRare, true, 0x60000, false},  {0x60000, ap::kSkipRare, true, 0x40000, true},
      {0, ap::kSchemeBoth, true, 0x18000, true},         {0x18000, ap::kSchemeMain, true, 0x8000, true},
      {0x18000, ap::kSchemeAuxiliary, true, 0x10000, true}, {0x1, ap::kNoCombinationKeys, true, 0x9, true},
      {0x9, ap::kNoCombinationKeys, false, 0x1, true},   {0, ap::kSearchWhenEmpty, true, 0x40000, true},
  };
  for (const auto& c : cases) {
    Blocks b;
    b->ime.WriteU32(ime_block::kImeFlags, c.before);
    EXPECT_EQ(AdvancedPageClick(b->ime, c.id, c.checked), c.empty_enabled) << c.id;
    EXPECT_EQ(BlockU32(b->ime, ime_block::kImeFlags), c.after) << c.id;
  }
}

TEST(EmbedDialogTest, FlagsGiveTheChoiceAndOkWritesIt) {
  namespace ed = embed_dialog;
  const struct {
    std::uint32_t f36, f48;
    int choice;
    bool first_enabled, unique, first;
  } cases[] = {
      {0x1000, 0x40, ed::kEmbedCode, false, true, false},
      {0x2000, 0x80, ed::kEmbedFirst, true, false, true},
      {0, 0xC0, ed::kTraditional, true, true, true},
  };
  for (const auto& c : cases) {
    Blocks b;
    b->ime.WriteU32(ime_block::kImeFlags, c.f36);
    b->ime.WriteU32(ime_block::kBehaviourFlags, c.f48);
    const EmbedDialogView view = ReadEmbedDialog(b->ime);
    EXPECT_EQ(view.choice, c.choice);
    EXPECT_EQ(view.hide_embedded_first_enabled, c.first_enabled);
    EXPECT_EQ(view.hide_when_unique, c.unique);
    EXPECT_EQ(view.hide_embedded_first, c.first);
  }

  const struct {
    int clicked;
    bool first_enabled;
    std::uint32_t f36;
  } clicks[] = {{ed::kEmbedCode, false, 0x1000 | 0x4}, {ed::kEmbedFirst, true, 0x2000 | 0x4}, {ed::kTraditional, false, 0x4}};
  for (const auto& c : clicks) {
    Blocks b;
    b->ime.WriteU32(ime_block::kImeFlags, 0x3000 | 0x4);
    EmbedDialogView view = ReadEmbedDialog(b->ime);
    EmbedChoiceClicked(view, c.clicked);
    EXPECT_TRUE(view.hide_when_unique_enabled);
    EXPECT_EQ(view.hide_embedded_first_enabled, c.first_enabled);
    view.hide_when_unique = true;
    view.hide_embedded_first = false;
    ApplyEmbedDialog(b->ime, view);
    EXPECT_EQ(BlockU32(b->ime, ime_block::kImeFlags), c.f36);
    EXPECT_EQ(BlockU32(b->ime, ime_block::kBehaviourFlags), 0x40u);
  }
}

}  // namespace
}  // namespace lz::config
