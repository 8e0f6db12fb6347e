// The built program stavel, started as a user starts it, with a silent run's log as its only output.
#include <gtest/gtest.h>

#include <string>

#include "installer/crash_dump_win32.h"
#include "installer/registry_entries_win32.h"
#include "installer/startup_host_win32.h"
#include "installer/tests/system_test_support.h"
#include "platform/os/folder_list.h"
#include "platform/os/folder_tree.h"
#include "platform/os/native_path.h"
#include "platform/os/system_info.h"
#include "tests/support/child_process.h"
#include "tests/support/data_folder.h"

LZ_CHILD_MODE(fault_with_filter) {
  lz::installer::InstallCrashFilter(true);
  volatile int* nowhere = nullptr;
  *nowhere = 1;
  return 0;
}

namespace lz::installer {
namespace {

using os::WidePtr;
using namespace test;

constexpr char16_t kId[] = u"{6F1A2B3C-0005-4D5E-8F90-A1B2C3D4E5F6}";
constexpr DWORD kProgramTimeoutMs = 60000;
constexpr int kCopyGonePolls = 60;
constexpr DWORD kPollMs = 500;

std::u16string Program() {
  return ThisProgramFolder() + (sizeof(void*) == 8 ? u"\\stavelx64.exe" : u"\\stavel.exe");
}

std::u16string WorkFolder() { return TempFolder() + u"$quorStavel4$"; }

std::string Utf8(const std::u16string& text) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, WidePtr(text.c_str()), -1, nullptr, 0, nullptr, nullptr);
  std::string out(bytes > 0 ? bytes - 1 : 0, '\0');
  if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, WidePtr(text.c_str()), -1, out.data(), bytes, nullptr, nullptr);
  return out;
}

int RunProgram(const std::u16string& program, const std::u16string& arguments) {
  std::u16string command = u"\"" + program + u"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(WidePtr(program.c_str()), WidePtr(command.data()), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, kProgramTimeoutMs);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

std::string FreshLog() {
  DeleteFileW(WidePtr(LogPath().c_str()));
  return {};
}

// Copies of the installer left below the work folder.
int CopiesLeft() {
  int copies = 0;
  std::vector<os::FolderEntry> entries;
  os::ListFolder(WorkFolder().c_str(), entries);
  for (const os::FolderEntry& e : entries) {
    if (e.is_folder && FileExists(WorkFolder() + u"\\" + e.name + u"\\stavel.exe")) ++copies;
  }
  return copies;
}

TEST(StavelProgramTest, AnUninstallFromTheInstallFolderRunsAPrivateCopyThatLogsAndGoes) {
  const std::u16string install = OwnSystemFolder().substr(0, 3) + u"LzProgram\\361.1\\";
  os::CreateDirectoryTree(install.c_str());
  ASSERT_TRUE(CopyFileW(WidePtr(Program().c_str()), WidePtr((install + u"stavel.exe").c_str()), FALSE));
  const std::u16string key = u"Software\\LanzoIME4\\" + std::u16string(kId);
  ASSERT_TRUE(os::SetMachineString(key.c_str(), u"InstallLocation", install.c_str()));
  FreshLog();

  EXPECT_EQ(RunProgram(install + u"stavel.exe", u"/n " + std::u16string(kId) + u" /u /s"), 0);
  // The copy logs that the entry lacks DataLocation and the names, then deletes itself.
  bool gone = false;
  for (int i = 0; i < kCopyGonePolls && !gone; ++i) {
    Sleep(kPollMs);
    gone = ReadUtf8(LogPath()).find(Utf8(kTextBrokenInstallation)) != std::string::npos && CopiesLeft() == 0;
  }
  EXPECT_TRUE(gone) << ReadUtf8(LogPath()) << " copies left: " << CopiesLeft();
  // The emptied work folder goes with the copy.
  for (int i = 0; i < kCopyGonePolls && FileExists(WorkFolder()); ++i) Sleep(kPollMs);
  EXPECT_FALSE(FileExists(WorkFolder()));
  EXPECT_NE(ReadUtf8(LogPath()).find(Utf8(kCaptionUninstall)), std::string::npos);
  EXPECT_TRUE(FileExists(install + u"stavel.exe"));  // the installed program stays
  DeleteEntries(kId);
  os::DeleteFolderTree((OwnSystemFolder().substr(0, 3) + u"LzProgram").c_str(), false);
}

TEST(StavelProgramTest, ASecondInstallerLogsTheMutexMessage) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, kInstallerMutexName);
  ASSERT_NE(mutex, nullptr);
  FreshLog();
  EXPECT_EQ(RunProgram(Program(), u"/s"), kExitFailed);
  EXPECT_NE(ReadUtf8(LogPath()).find(Utf8(kTextInstallerRunning)), std::string::npos) << ReadUtf8(LogPath());
  CloseHandle(mutex);
}

TEST(StavelProgramTest, APayloadWhoseSoftBlockClaimsTooMuchIsRefused) {
  const std::u16string data_files = WorkFolder() + u"\\zipdatas\\$dataFiles$";
  os::CreateDirectoryTree(data_files.c_str());
  std::vector<std::uint8_t> store = lz::test::BuildConfigStore();
  const ByteView view{store.data(), static_cast<std::uint32_t>(store.size())};
  const ByteView soft = FindConfigBlock(view, config_store::kSoftBlockName);
  ASSERT_NE(soft.data, nullptr);
  ByteView{soft.data, 4}.WriteU32(config_store::kBlockSize, 8000);
  WriteBytes(data_files + u"\\config.dsc", store);
  FreshLog();
  EXPECT_EQ(RunProgram(Program(), u"/f /s"), kExitFailed);
  EXPECT_NE(ReadUtf8(LogPath()).find(Utf8(kTextBadPayload)), std::string::npos) << ReadUtf8(LogPath());
  os::DeleteFolderTree(WorkFolder().c_str(), false);
}

TEST(CrashDumpTest, AFaultLeavesAMinidump) {
  const std::u16string dump = CrashDumpPath(TempFolder());
  DeleteFileW(WidePtr(dump.c_str()));
  EXPECT_NE(lz::test::RunChild({"fault_with_filter"}), 0);
  const std::vector<std::uint8_t> bytes = ReadBytes(dump);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "MDMP");
}

TEST(CrashDumpTest, TheDumpPathHasOneSeparator) {
  EXPECT_EQ(CrashDumpPath(u"C:\\Temp\\"), u"C:\\Temp\\mvwin32dump\\core.dmp");
  EXPECT_EQ(CrashDumpPath(u"C:\\Temp"), u"C:\\Temp\\mvwin32dump\\core.dmp");
}

}  // namespace
}  // namespace lz::installer
