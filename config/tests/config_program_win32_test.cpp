// One run of config in this process, in a private Wine prefix: the refusals it reports and the main
// settings window it opens, answered by a second thread that finds the window by its title.
#include "config/config_program_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "config/tests/installed_config.h"
#include "platform/os/message_box.h"
#include "platform/os/system_info.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/ime_block.h"

namespace lz::config {
namespace {

struct Boxes {
  std::vector<os::MessageBoxRequest> shown;
};

int Record(const os::MessageBoxRequest& request, void* context) {
  static_cast<Boxes*>(context)->shown.push_back(request);
  return os::kAnswerOk;
}

class ConfigRunTest : public testing::Test {
 protected:
  void SetUp() override {
    installed::InstallLibrary(L"Quenlith");
    os::SetMessageBoxResponder(Record, &boxes_);
  }
  void TearDown() override { os::SetMessageBoxResponder(nullptr, nullptr); }
  int Run(const std::u16string& line) {
    return RunConfig(GetModuleHandleW(nullptr), reinterpret_cast<const wchar_t*>(line.c_str()));
  }
  Boxes boxes_;
};

TEST_F(ConfigRunTest, ARefusedContextIsReportedAndOpensNothing) {
  for (const std::u16string line : {u"", u"/n nothing", u"/n {01234567-89AB-CDEF-0123-456789ABCDEF}"}) {
    boxes_.shown.clear();
    EXPECT_EQ(Run(line), 0);
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].text, u"非法的软件环境，本程序无法继续。");
    EXPECT_EQ(boxes_.shown[0].caption, u"配置程序");
    EXPECT_EQ(boxes_.shown[0].style, static_cast<std::uint32_t>(MB_ICONERROR));
  }
}

TEST_F(ConfigRunTest, AnOlderTextServiceIsWarnedAbout) {
  lz::test::DataFolderContents contents = installed::Contents();
  contents.edit_blocks = [](ConfigBlocks& b) { WriteFieldText(b.soft, soft_block::kImeName, 56, u"Quenlith"); };
  lz::test::InstalledFolder folder(contents);
  EXPECT_EQ(Run(u"/n " + folder.class_id() + u" /currver Quenlith3"), 0);
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].text, u"程序检测到您正在使用旧版的输入法程序，建议重新启动当前程序，以使输入法更新生效。");
}

TEST_F(ConfigRunTest, TheMainSettingsWindowOpensUnderTheDisplayName) {
  lz::test::DataFolderContents contents = installed::Contents();
  contents.edit_blocks = [](ConfigBlocks& b) { WriteFieldText(b.soft, soft_block::kImeName, 56, u"Quenlith"); };
  lz::test::InstalledFolder folder(contents);
  os::SetMachineString(folder.RegistryKey().c_str(), u"DisplayName", u"兰卓测试");
  std::atomic<bool> found{false};
  std::atomic<bool> stop{false};
  std::thread answer([&] {
    for (int tries = 0; tries < 500 && !stop; ++tries) {
      if (HWND window = FindWindowW(L"#32770", L"使用设置 - 兰卓测试")) {
        found = true;
        Sleep(100);
        PostMessageW(window, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(20);
    }
  });
  EXPECT_EQ(Run(u"/n " + folder.class_id() + u" /do jiemian /currver Quenlith"), 0);
  stop = true;
  answer.join();
  EXPECT_TRUE(found);
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(ConfigRunTest, ARunningDictionaryIsHandedTheWordOrTheLastCommit) {
  lz::test::DataFolderContents contents = installed::Contents();
  contents.edit_blocks = [](ConfigBlocks& b) {
    WriteFieldText(b.ime, ime_block::kLastCommitText, ime_block::kLastCommitTextUnits, u"上次上屏");
  };
  lz::test::InstalledFolder folder(contents);
  os::SetMachineString(folder.RegistryKey().c_str(), u"DisplayName", u"兰卓测试");
  installed::DictionaryStandIn dictionary(L"微型词典 - 兰卓测试");
  ASSERT_NE(dictionary.window, nullptr);
  const std::u16string id = folder.class_id();
  const struct {
    std::u16string line;
    std::u16string word;
  } cases[] = {
      {u"/n " + id + u" /dict '词典'", u"词典"},
      {u"/n " + id + u" /dict ''", u"上次上屏"},
      {u"/n " + id + u" /dict " + std::u16string(200, u'w'), std::u16string(127, u'w')},
  };
  for (const auto& c : cases) {
    dictionary.received.clear();
    EXPECT_EQ(Run(c.line), 0);
    ASSERT_EQ(dictionary.received.size(), 1u);
    EXPECT_EQ(dictionary.received[0].size(), 256u);
    EXPECT_EQ(installed::WordOf(dictionary.received[0]), c.word);
  }
}

}  // namespace
}  // namespace lz::config
