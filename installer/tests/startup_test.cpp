#include "installer/startup.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/os/system_info.h"
#include "textservice/engine/block_fields.h"

namespace lz::installer {
namespace {

constexpr char16_t kId[] = u"{3D1E5C7A-1042-4B0F-9A61-2EC35807B4E9}";
constexpr char16_t kTemp[] = u"C:\\Temp\\";
constexpr char16_t kWork[] = u"C:\\Temp\\$quorStavel4$";

// Records what the start-up asks of the system and answers as the test sets it up.
class FakeHost : public StartupHost {
 public:
  int Message(const char16_t* text, const char16_t* caption, std::uint32_t) override {
    messages.push_back(std::u16string(caption) + u": " + text);
    return answer;
  }
  bool TakeInstallerMutex() override {
    events.push_back(u"mutex");
    return !mutex_held;
  }
  bool CreateWorkFolder(const std::u16string& folder) override {
    events.push_back(u"create " + folder);
    return can_create;
  }
  void RemoveWorkFolder(const std::u16string& folder) override { events.push_back(u"remove " + folder); }
  std::u16string CommonAppDataFolder() override { return u"C:\\ProgramData"; }
  std::uint32_t ReadImeLanguage(const char16_t*) override { return language; }
  CopyStart StartPrivateCopy(const std::u16string& source, const std::u16string& arguments, bool wait,
                             int& exit_code) override {
    events.push_back(u"copy " + source + u" [" + arguments + (wait ? u"] wait" : u"]"));
    exit_code = copy_exit_code;
    return copy_result;
  }
  void DeleteOwnCopy() override { events.push_back(u"self-delete"); }
  int RunUnpacking(SetupState&) override { return Dialog(u"unpack", unpack_result); }
  int RunAgreement(SetupState&) override { return Dialog(u"agreement", agreement_result); }
  int RunInstallWizard(SetupState&) override { return Dialog(u"wizard", kDialogOk); }
  int RunRepair(SetupState& state) override {
    data_location = state.data_location;
    return Dialog(u"repair", kDialogOk);
  }
  int RunUninstall(SetupState& state) override {
    data_location = state.data_location;
    language_in_block = BlockU32(state.Soft(), soft_block::kLanguageId);
    return Dialog(u"uninstall", kDialogOk);
  }

  int Dialog(const char16_t* name, int result) {
    events.push_back(name);
    return result;
  }

  int answer = os::kAnswerYes;
  bool mutex_held = false;
  bool can_create = true;
  std::uint32_t language = 0;
  CopyStart copy_result = CopyStart::kStarted;
  int copy_exit_code = 0;
  int unpack_result = kDialogOk;
  int agreement_result = kDialogOk;
  std::vector<std::u16string> messages;
  std::vector<std::u16string> events;
  std::u16string data_location;
  std::uint32_t language_in_block = 0;
};

std::u16string ImeKey() { return std::u16string(u"Software\\LanzoIME4\\") + kId + u"\\"; }

void SetInstalledEntry(bool complete) {
  const std::u16string key = ImeKey();
  for (const char16_t* name : {u"InstallLocation", u"DataLocation", u"IMEName", u"DisplayName", u"DisplayVersion",
                               u"LanguageName", u"URLUpdateInfo", u"UnstallCommand"}) {
    os::DeleteMachineValue(key.c_str(), name);
  }
  os::SetMachineString(key.c_str(), u"InstallLocation", u"D:\\ime\\361.12");
  if (!complete) return;
  os::SetMachineString(key.c_str(), u"DataLocation", u"C:\\ProgramData\\LanzoIME4\\x\\");
  os::SetMachineString(key.c_str(), u"IMEName", u"lzwb.361.12");
  os::SetMachineString(key.c_str(), u"DisplayName", u"懒子五笔");
  os::SetMachineString(key.c_str(), u"DisplayVersion", u"4.1.12");
  os::SetMachineString(key.c_str(), u"LanguageName", u"中文");
}

// Runs the start-up as the program at own_path with these arguments; returns the exit code.
int Start(const std::u16string& arguments, FakeHost& host,
          const std::u16string& own_path = u"D:\\ime\\361.12\\stavel.exe", std::uint32_t os_major = 10) {
  StartupInput input{arguments, os_major, kTemp, true, own_path};
  auto state = std::make_unique<SetupState>();
  return RunStartup(input, *state, host);
}

const std::u16string kOwnCopy = std::u16string(kWork) + u"\\c1\\stavel.exe";

TEST(StartupTest, UninstallFromTheInstallFolderRelaunchesAPrivateCopy) {
  SetInstalledEntry(true);
  FakeHost host;
  const int code = Start(std::u16string(u"/n ") + kId + u" /u", host);
  EXPECT_EQ(code, kExitDone);
  EXPECT_TRUE(host.messages.empty());
  const std::vector<std::u16string> expected = {
      std::u16string(u"create ") + kWork, std::u16string(u"remove ") + kWork, std::u16string(u"create ") + kWork,
      std::u16string(u"copy D:\\ime\\361.12\\stavel.exe [/n ") + kId + u" /u /f]"};
  EXPECT_EQ(host.events, expected);
}

TEST(StartupTest, TheWorkingCopyUninstallsAndDeletesItself) {
  SetInstalledEntry(true);
  FakeHost host;
  const int code = Start(std::u16string(u"/n ") + kId + u" /u /f", host, kOwnCopy);
  EXPECT_EQ(code, kExitDone);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.events.back(), u"self-delete");
  EXPECT_EQ(host.events[host.events.size() - 2], u"uninstall");
  EXPECT_EQ(host.data_location, std::u16string(u"C:\\ProgramData\\LanzoIME4\\") + kId + u"\\361.12\\");
  EXPECT_EQ(host.language_in_block, 2052u);  // a missing LANGID reads as Chinese
}

struct FailureCase {
  const char* name;
  std::u16string arguments;
  std::function<void(FakeHost&)> setup;
  bool complete_entry;
  std::u16string message;
  bool self_delete;
};

class StartupFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(StartupFailureTest, EndsWithItsMessage) {
  const FailureCase& c = GetParam();
  SetInstalledEntry(c.complete_entry);
  FakeHost host;
  if (c.setup) c.setup(host);
  const int code = Start(c.arguments, host, kOwnCopy);
  EXPECT_EQ(code, kExitFailed) << c.name;
  ASSERT_EQ(host.messages.size(), 1u) << c.name;
  EXPECT_EQ(host.messages[0], c.message) << c.name;
  EXPECT_EQ(!host.events.empty() && host.events.back() == u"self-delete", c.self_delete) << c.name;
}

const std::u16string kUninstallCopy = std::u16string(u"/n ") + kId + u" /u /f /s";

INSTANTIATE_TEST_SUITE_P(
    Cases, StartupFailureTest,
    testing::Values(
        FailureCase{"uninstall copy with missing entries", kUninstallCopy, {}, false,
                    u"输入法卸载: 错误的安装环境，可能程序已经损坏。", true},
        FailureCase{"uninstall copy while another installer runs", kUninstallCopy,
                    [](FakeHost& h) { h.mutex_held = true; }, true,
                    u"输入法安装: 请确认没有尚未完成的输入法安装程序，以及没有安全类软件阻止。", true},
        FailureCase{"repair copy while another installer runs", std::u16string(u"/n ") + kId + u" /r /f",
                    [](FakeHost& h) { h.mutex_held = true; }, true,
                    u"输入法安装: 请检查是否有正在运行的输入法安装程序尚未完成。", true},
        FailureCase{"repair copy whose backup cannot be unpacked", std::u16string(u"/n ") + kId + u" /r /f",
                    [](FakeHost& h) { h.unpack_result = kDialogCancel; }, true,
                    u"输入法修复: 错误的安装环境，可能程序已经损坏。", true},
        FailureCase{"relaunch for an unknown identifier", u"/n {00000000-0000-0000-0000-000000000000} /u", {}, true,
                    u"初始化错误: 无效的输入法标识，安装程序无法继续。", false},
        FailureCase{"relaunch whose copy fails", std::u16string(u"/n ") + kId + u" /r",
                    [](FakeHost& h) { h.copy_result = CopyStart::kCopyFailed; }, true,
                    u"输入法安装: 请确认没有尚未完成的输入法安装程序，以及没有安全类软件阻止。", false},
        FailureCase{"relaunch whose copy cannot start", std::u16string(u"/n ") + kId + u" /u",
                    [](FakeHost& h) { h.copy_result = CopyStart::kStartFailed; }, true,
                    u"初始化错误: 安装程序位于临时目录中的副本无法运行，将中止进程。", false},
        FailureCase{"second stub", u"/s", [](FakeHost& h) { h.mutex_held = true; }, true,
                    u"输入法安装: 请检查是否有正在运行的输入法安装程序尚未完成。", false},
        FailureCase{"stub without a payload", u"", [](FakeHost& h) { h.unpack_result = kDialogCancel; }, true,
                    u"输入法安装: 错误的安装文件，请联系软件发布者获取正确版本。", false},
        FailureCase{"install copy without a payload config", u"/f", {}, true,
                    u"输入法安装: 错误的安装文件，请联系软件发布者获取正确版本。", false}));

TEST(StartupTest, TheStubStartsItsCopyAndReturnsItsCode) {
  FakeHost host;
  host.copy_exit_code = 7;
  const int code = Start(u"/slient", host);
  EXPECT_EQ(code, 7);
  const std::vector<std::u16string> expected = {
      std::u16string(u"create ") + kWork, u"mutex", u"unpack",
      std::u16string(u"copy ") + kWork + u"\\zipdatas\\stavelx64.exe [/slient /f] wait",
      std::u16string(u"remove ") + kWork};
  EXPECT_EQ(host.events, expected);
}

TEST(StartupTest, AnUninstallRunFromTheInstallFolderNeverDeletesThatProgram) {
  SetInstalledEntry(false);
  FakeHost host;
  const int code = Start(std::u16string(u"/n ") + kId + u" /u /f", host, u"D:\\ime\\361.12\\stavel.exe");
  EXPECT_EQ(code, kExitFailed);
  for (const std::u16string& e : host.events) EXPECT_NE(e, u"self-delete");
}

TEST(StartupTest, OnWindowsFiveTheQuestionComesFirst) {
  FakeHost host;
  host.answer = os::kAnswerNo;
  const int code = Start(u"", host, u"D:\\stavel.exe", 5);
  EXPECT_EQ(code, kExitFailed);
  EXPECT_TRUE(host.events.empty());  // ended before the mutex and the work folder
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].substr(0, 7), u"输入法安装: ");

  FakeHost yes;
  EXPECT_EQ(Start(u"", yes, u"D:\\stavel.exe", 5), kExitDone);
  EXPECT_EQ(yes.events.back(), std::u16string(u"remove ") + kWork);
}

TEST(StartupTest, AWorkFolderThatCannotBeMadeEndsSilently) {
  FakeHost host;
  host.can_create = false;
  const int code = Start(u"", host);
  EXPECT_EQ(code, kExitFailed);
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace lz::installer
