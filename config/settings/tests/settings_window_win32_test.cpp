// The main settings window on an installed input method, in a private Wine prefix: its tabs, the
// library's pages hosted in 常用 and 界面, and what they write.
#include "config/settings/settings_window_win32.h"

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "config/web/about_page_win32.h"
#include "config/app/config_resources.h"
#include "config/app/tests/installed_config.h"
#include "platform/os/message_box.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/ime_block.h"
#include "textservice/settings/settings_page_resources.h"

namespace lz::config {
namespace {

class SettingsWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    installed::InstallLibrary(L"Quenlith");
  }

  void Open(std::uint32_t tab_mask, int start_page, const std::function<void(ConfigBlocks&)>& edit = {}) {
    lz::test::DataFolderContents contents = installed::Contents();
    contents.edit_blocks = [tab_mask, edit](ConfigBlocks& b) {
      b.ime.WriteU32(kTabMaskOffset, tab_mask);
      if (edit) edit(b);
    };
    folder_ = std::make_unique<lz::test::InstalledFolder>(contents);
    context_ = OpenConfigContext(folder_->class_id().c_str());
    ASSERT_NE(context_, nullptr);
    window_ = std::make_unique<SettingsWindow>(GetModuleHandleW(nullptr), context_, start_page, u"兰卓");
    ASSERT_NE(window_->CreateChild(nullptr), nullptr);
  }
  void TearDown() override {
    window_.reset();
    CloseConfigContext(context_);
  }

  std::uint32_t ImeOnDisk(std::uint32_t offset) {
    FlushMappedFile(context_->engine->files.config);
    std::vector<std::uint8_t> bytes = lz::test::ReadFileBytes(folder_->data() / "config.dsc");
    ConfigBlocks blocks{};
    FindConfigBlocks(ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}, blocks);
    return BlockU32(blocks.ime, offset);
  }
  std::uint32_t ImeOnDiskAfterClose() {
    std::vector<std::uint8_t> bytes = lz::test::ReadFileBytes(folder_->data() / "config.dsc");
    ConfigBlocks blocks{};
    FindConfigBlocks(ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}, blocks);
    return BlockU32(blocks.ime, kTabMaskOffset);
  }
  int SelectedTab() const {
    return static_cast<int>(SendMessageW(window_->Item(IDC_SETTINGS_TABS), TCM_GETCURSEL, 0, 0));
  }

  std::unique_ptr<lz::test::InstalledFolder> folder_;
  ConfigContext* context_ = nullptr;
  std::unique_ptr<SettingsWindow> window_;
};

TEST_F(SettingsWindowTest, CommonHostsPageOneOverTheFrameAndItsChangesReachTheFile) {
  Open(0, 0);
  wchar_t title[100] = {};
  GetWindowTextW(window_->window(), title, 100);
  EXPECT_STREQ(title, L"使用设置 - 兰卓");
  EXPECT_EQ(SendMessageW(window_->Item(IDC_SETTINGS_TABS), TCM_GETITEMCOUNT, 0, 0), 5);
  EXPECT_EQ(ImeOnDisk(kTabMaskOffset), kAllTabs);
  HWND page = HostedPageWindow();
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(IsChild(window_->page()->window(), page));
  RECT frame{}, host{};
  GetWindowRect(window_->Item(IDC_SETTINGS_FRAME), &frame);
  GetWindowRect(window_->page()->window(), &host);
  EXPECT_EQ(host.left, frame.left);
  EXPECT_EQ(host.top, frame.top);

  HWND list = GetDlgItem(page, IDC_IME_FREQUENCY);
  SendMessageW(list, CB_SETCURSEL, 1, 0);
  SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_IME_FREQUENCY, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  EXPECT_EQ(ImeOnDisk(ime_block::kCandidateOptions) & ime_block::kFrequencyMask, ime_block::kFrequencyGradual);
}

TEST_F(SettingsWindowTest, NextPageWalksTheTabsAndHostsPageThreeOnInterface) {
  Open(0, 4);
  EXPECT_EQ(SelectedTab(), 4);
  EXPECT_EQ(HostedPageWindow(), nullptr);
  SendMessageW(window_->window(), WM_SYSCOMMAND, kNextPageCommand, 0);
  EXPECT_EQ(SelectedTab(), 0);
  ASSERT_NE(HostedPageWindow(), nullptr);
  EXPECT_NE(GetDlgItem(HostedPageWindow(), IDC_IME_FREQUENCY), nullptr);
  SendMessageW(window_->window(), WM_SYSCOMMAND, kNextPageCommand, 0);
  EXPECT_EQ(SelectedTab(), 1);
  ASSERT_NE(HostedPageWindow(), nullptr);
  EXPECT_NE(GetDlgItem(HostedPageWindow(), IDC_DISPLAY_SKIN), nullptr);
}

TEST_F(SettingsWindowTest, InterfaceShowsTheLibrarysPageThreeWithTheStoredValues) {
  // Opened on 界面, and reached from another tab.
  for (const int start : {1, 0}) {
    SCOPED_TRACE(start);
    Open(0, start, [](ConfigBlocks& b) { b.ime.WriteU32(ime_block::kCandidateOptions, 7u << ime_block::kPageSizeShift); });
    if (start != 1) {
      SendMessageW(window_->Item(IDC_SETTINGS_TABS), TCM_SETCURSEL, 1, 0);
      window_->ShowTabPage();
    }
    HWND page = HostedPageWindow();
    ASSERT_NE(page, nullptr);
    ASSERT_NE(GetDlgItem(page, IDC_DISPLAY_PAGE_SIZE), nullptr);
    // The window itself is never shown here: the page's own style says whether it would be.
    EXPECT_NE(GetWindowLongW(page, GWL_STYLE) & WS_VISIBLE, 0);
    EXPECT_EQ(SendDlgItemMessageW(page, IDC_DISPLAY_PAGE_SIZE, CB_GETCURSEL, 0, 0), 6);
    window_.reset();
    CloseConfigContext(context_);
    context_ = nullptr;
  }
}

TEST_F(SettingsWindowTest, AStartPageBeyondTheShownTabsOpensTheFirst) {
  Open(0x12, 2);
  EXPECT_EQ(SendMessageW(window_->Item(IDC_SETTINGS_TABS), TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(SelectedTab(), 0);
  // 高级 is config's own page.
  EXPECT_NE(window_->page()->Item(IDC_ADVANCED_NO_COMBINATIONS), nullptr);
}

TEST_F(SettingsWindowTest, TabsShowTheLibrarysIcons) {
  Open(0x12, 0);
  HWND tabs = window_->Item(IDC_SETTINGS_TABS);
  auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(tabs, TCM_GETIMAGELIST, 0, 0));
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(images), kSettingsTabs);
  const int expected[] = {3, 4};  // 高级 and 关于
  for (int i = 0; i < 2; ++i) {
    TCITEMW item{};
    item.mask = TCIF_IMAGE;
    ASSERT_TRUE(SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(item.iImage, expected[i]);
  }
}

TEST_F(SettingsWindowTest, TheKeyFunctionsButtonOpensTheKeyEditorOverTheWindow) {
  Open(0x2, 3);
  std::atomic<bool> found{false}, owner_disabled{false};
  HWND main = window_->window();
  std::thread answer([&] {
    for (int tries = 0; tries < 500; ++tries) {
      if (HWND editor = FindWindowW(L"#32770", L"按键功能定义 - *"); editor && IsWindowVisible(editor)) {
        found = true;
        owner_disabled = !IsWindowEnabled(main);
        PostMessageW(editor, WM_COMMAND, IDCANCEL, 0);
        return;
      }
      Sleep(20);
    }
  });
  SendMessageW(window_->page()->Item(IDC_ADVANCED_KEYS), BM_CLICK, 0, 0);
  answer.join();
  EXPECT_TRUE(found);
  EXPECT_TRUE(owner_disabled);
  EXPECT_TRUE(IsWindowEnabled(main));
}

TEST_F(SettingsWindowTest, AboutShowsTheNameVersionAndTheUpdateLinkWhenThereIsAnUpdateService) {
  const struct {
    std::u16string update;
    bool shown;
  } cases[] = {{u"", false}, {kDefaultUpdateTemplate, false}, {u"https://example.org/u?v=%s", true}};
  for (const auto& c : cases) {
    Open(0x10, 0, [&](ConfigBlocks& b) {
      WriteFieldText(b.soft, soft_block::kDisplayName, 64, u"兰卓五笔");
      WriteFieldText(b.soft, soft_block::kDisplayVersion, 96, u"4.1.0.2");
      WriteFieldText(b.soft, soft_block::kUrlUpdateInfo, 512, c.update);
    });
    ASSERT_NE(window_->page(), nullptr);
    wchar_t title[100] = {};
    GetDlgItemTextW(window_->page()->window(), IDC_ABOUT_TITLE, title, 100);
    EXPECT_STREQ(title, L"兰卓五笔: 4.1.0.2 build 361");
    // The window itself is never shown here: the link's own style says whether it would be.
    EXPECT_EQ((GetWindowLongW(window_->page()->Item(IDC_ABOUT_UPDATE), GWL_STYLE) & WS_VISIBLE) != 0, c.shown);
    window_.reset();
    CloseConfigContext(context_);
    context_ = nullptr;
  }
}

int RecordBox(const os::MessageBoxRequest& request, void* context) {
  static_cast<std::vector<os::MessageBoxRequest>*>(context)->push_back(request);
  return os::kAnswerOk;
}

TEST_F(SettingsWindowTest, AStoreThatCannotBeWrittenIsReportedOnce) {
  lz::test::DataFolderContents contents = installed::Contents();
  contents.edit_blocks = [](ConfigBlocks& b) { b.ime.WriteU32(kTabMaskOffset, 0); };
  folder_ = std::make_unique<lz::test::InstalledFolder>(contents);
  const std::filesystem::path store = folder_->data() / "config.dsc";
  SetFileAttributesW(store.c_str(), FILE_ATTRIBUTE_READONLY);
  std::vector<os::MessageBoxRequest> shown;
  os::SetMessageBoxResponder(RecordBox, &shown);
  context_ = OpenConfigContext(folder_->class_id().c_str());
  ASSERT_NE(context_, nullptr);
  // The stored mask 0 is written as all tabs when the window opens: refused, and said.
  window_ = std::make_unique<SettingsWindow>(GetModuleHandleW(nullptr), context_, 3, u"兰卓");
  ASSERT_NE(window_->CreateChild(nullptr), nullptr);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, u"配置程序");
  EXPECT_EQ(shown[0].text, u"设置文件不能写入，所做的修改没有保存。");
  SendMessageW(window_->page()->Item(IDC_ADVANCED_NO_COMBINATIONS), BM_CLICK, 0, 0);
  SendMessageW(window_->page()->Item(IDC_ADVANCED_NO_COMBINATIONS), BM_CLICK, 0, 0);
  os::SetMessageBoxResponder(nullptr, nullptr);
  EXPECT_EQ(shown.size(), 1u);
  window_.reset();
  CloseConfigContext(context_);
  context_ = nullptr;
  SetFileAttributesW(store.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ImeOnDiskAfterClose(), 0u);
}

// The library's pages write as their controls change; on a folder that cannot be written the first
// refused change says so, once a run, and config.dsc keeps what it held.
TEST_F(SettingsWindowTest, OnAFolderThatCannotBeWrittenALibraryPagesChangeSaysSo) {
  struct Case {
    int tab;
    int list;
    int item;
  };
  const Case kCases[] = {{0, IDC_IME_FREQUENCY, 1}, {1, IDC_DISPLAY_PAGE_SIZE, 2}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.tab);
    lz::test::DataFolderContents contents = installed::Contents();
    contents.edit_blocks = [](ConfigBlocks& b) { b.ime.WriteU32(kTabMaskOffset, kAllTabs); };
    folder_ = std::make_unique<lz::test::InstalledFolder>(contents);
    const std::vector<std::uint8_t> before = lz::test::ReadFileBytes(folder_->data() / "config.dsc");
    std::vector<os::MessageBoxRequest> shown;
    {
      installed::ReadOnlyFiles read_only(folder_->data());
      os::SetMessageBoxResponder(RecordBox, &shown);
      context_ = OpenConfigContext(folder_->class_id().c_str());
      ASSERT_NE(context_, nullptr);
      window_ = std::make_unique<SettingsWindow>(GetModuleHandleW(nullptr), context_, c.tab, u"兰卓");
      ASSERT_NE(window_->CreateChild(nullptr), nullptr);
      EXPECT_TRUE(shown.empty());
      HWND page = HostedPageWindow();
      ASSERT_NE(page, nullptr);
      HWND list = GetDlgItem(page, c.list);
      ASSERT_NE(list, nullptr);
      for (const int item : {c.item, c.item + 1}) {
        SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
        SendMessageW(page, WM_COMMAND, MAKEWPARAM(c.list, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
      }
      os::SetMessageBoxResponder(nullptr, nullptr);
      window_.reset();
      CloseConfigContext(context_);
      context_ = nullptr;
    }
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, u"配置程序");
    EXPECT_EQ(shown[0].text, u"设置文件不能写入，所做的修改没有保存。");
    EXPECT_EQ(lz::test::ReadFileBytes(folder_->data() / "config.dsc"), before);
  }
}

TEST_F(SettingsWindowTest, TheEmbeddingDialogWritesItsChoiceOnOk) {
  Open(0x2, 3);
  ASSERT_NE(window_->page()->Item(IDC_ADVANCED_EMBEDDING), nullptr);
  std::atomic<bool> found{false};
  std::atomic<bool> first_enabled{false};
  std::atomic<bool> first_checked{false};
  std::thread answer([&] {
    for (int tries = 0; tries < 500; ++tries) {
      HWND dialog = FindWindowW(L"#32770", L"嵌入显示模式设置");
      // The modal run shows the dialog once it has set itself up.
      if (dialog && IsWindowVisible(dialog)) {
        found = true;
        SendMessageW(GetDlgItem(dialog, IDC_EMBED_FIRST), BM_CLICK, 0, 0);
        first_enabled = IsWindowEnabled(GetDlgItem(dialog, IDC_EMBED_HIDE_FIRST));
        SendMessageW(GetDlgItem(dialog, IDC_EMBED_HIDE_FIRST), BM_CLICK, 0, 0);
        first_checked = SendMessageW(GetDlgItem(dialog, IDC_EMBED_HIDE_FIRST), BM_GETCHECK, 0, 0) == BST_CHECKED;
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(20);
    }
  });
  SendMessageW(window_->page()->Item(IDC_ADVANCED_EMBEDDING), BM_CLICK, 0, 0);
  answer.join();
  EXPECT_TRUE(found);
  EXPECT_TRUE(first_enabled);
  EXPECT_TRUE(first_checked);
  EXPECT_EQ(ImeOnDisk(ime_block::kImeFlags) & ime_block::kInlineMask, ime_block::kInlineFirstCandidate);
  EXPECT_EQ(ImeOnDisk(ime_block::kBehaviourFlags) & (ime_block::kWindowOnlyForChoices | ime_block::kHideInlineFirst),
            ime_block::kHideInlineFirst);
}

}  // namespace
}  // namespace lz::config
