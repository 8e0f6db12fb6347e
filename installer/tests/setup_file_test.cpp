// The one installer file, end to end in a private prefix reporting Windows 10: a silent install, an
// upgrade that keeps the user's words, a repair and an uninstall. The tests run in order and each
// builds on the one before.
//
// This machine's tests run only 64-bit programs, so the installer file made here carries the x64
// installer as its program and the x64 library in the x86 library's place; the shipped x86 file differs
// only in its program (tools/package.sh).
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/data_folder.h"
#include "installer/install_rules.h"
#include "installer/payload_config.h"
#include "installer/payload_file.h"
#include "installer/registry_entries_win32.h"
#include "installer/startup_host_win32.h"
#include "installer/tests/system_test_support.h"
#include "installer/work_paths.h"
#include "platform/os/folder_list.h"
#include "platform/os/folder_tree.h"
#include "platform/os/native_path.h"
#include "platform/zip/zip_writer.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/mapped_file.h"
#include "textservice/engine/settings_store.h"

namespace lz::installer {
namespace {

using os::U16Ptr;
using os::WidePtr;
using namespace test;

constexpr DWORD kProgramTimeoutMs = 300000;
constexpr int kPolls = 240;
constexpr DWORD kPollMs = 500;
constexpr std::uint32_t kShortUnits = 64;
const char* const kShippedFiles[] = {"config.dsc",     "main.dmg",       "temp.dmg", "engl.dmg", "sysl.dmg",
                                     "danzi.dmi",      "traditional.dms", "simplified.dms", "dict.dms"};
const std::vector<std::uint8_t> kUserWordCode = {'n', 'a', 'k', 'h'};
const std::string kUserWordText = "民中";

std::u16string Widen(const std::string& text) {
  const int units = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  std::wstring out(units > 0 ? units - 1 : 0, L'\0');
  if (units > 1) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), units);
  return U16Ptr(out.c_str());
}

std::string Utf8(const std::u16string& text) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, WidePtr(text.c_str()), -1, nullptr, 0, nullptr, nullptr);
  std::string out(bytes > 0 ? bytes - 1 : 0, '\0');
  if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, WidePtr(text.c_str()), -1, out.data(), bytes, nullptr, nullptr);
  return out;
}

// A folder of the build machine, reached through Wine's drive for the host's root.
std::u16string HostPath(const char* path) {
  std::u16string out = u"Z:" + Widen(path);
  for (char16_t& c : out) {
    if (c == u'/') c = u'\\';
  }
  return out;
}

// The shipped data set of the native tree.
std::u16string ShippedData() { return HostPath(LZ_SHIPDATA_DIR); }

std::u16string ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return U16Ptr(path);
}

bool KeyExists(const std::u16string& key, REGSAM view = 0) {
  HKEY handle;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WidePtr(key.c_str()), 0, KEY_READ | view, &handle) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(handle);
  return true;
}

DWORD CountSubkeys(const std::u16string& key) {
  HKEY handle;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WidePtr(key.c_str()), 0, KEY_READ, &handle) != ERROR_SUCCESS) return 0;
  DWORD count = 0;
  RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(handle);
  return count;
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

bool WaitForLogLine(const std::u16string& line) {
  for (int i = 0; i < kPolls; ++i) {
    if (ReadUtf8(LogPath()).find(Utf8(line)) != std::string::npos) return true;
    Sleep(kPollMs);
  }
  return false;
}

// The user word's class in a main table, 0 when it is not there.
std::uint32_t UserWordClass(const std::u16string& main_table) {
  MappedFile* table = nullptr;
  if (OpenMappedFile(main_table.c_str(), &table) <= 0) return 0;
  std::uint8_t key[8] = {static_cast<std::uint8_t>(kUserWordCode.size())};
  std::copy(kUserWordCode.begin(), kUserWordCode.end(), key + 1);
  TableRange range;
  std::uint32_t found = 0;
  if (FindCodeRange(table, range, key) > 0) {
    for (std::int32_t i = range.first; i < range.end; ++i) {
      CodeTableRecord record;
      if (RecordAt(table, i, record) &&
          std::string(reinterpret_cast<const char*>(record.text), record.text_length) == kUserWordText) {
        found = code_table::RecordClass(record.flags);
      }
    }
  }
  CloseMappedFile(table);
  return found;
}

struct Identity {
  std::u16string id, display_name, ime_name, folder_name;
  std::uint32_t minor = 0;
};

class SetupFileTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
      const wchar_t version[] = L"win10";
      RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version), sizeof version);
      RegCloseKey(key);
    }
  }

  static std::vector<std::uint8_t> ShippedFile(const char* name) {
    return ReadBytes(ShippedData() + u"\\" + Widen(name));
  }

  static Identity ShippedIdentity(std::uint32_t minor_step) {
    SetupState state;
    TakePayloadBlocks(ShippedFile("config.dsc"), state);
    Identity identity;
    identity.id = state.class_identifier;
    identity.display_name = ReadFieldText(state.Soft(), soft_block::kDisplayName, kShortUnits);
    identity.folder_name = ReadFieldText(state.Soft(), soft_block::kDefaultFolderName, kShortUnits);
    state.Soft().ReadU32(soft_block::kDataVersion, identity.minor);
    identity.minor += minor_step;
    identity.ime_name = u"Quenlith.361." + Widen(std::to_string(identity.minor));
    return identity;
  }

  // An installer file whose data set is the shipped one, its minor version raised by minor_step.
  static std::u16string MakeSetup(std::uint32_t minor_step) {
    const Identity identity = ShippedIdentity(minor_step);
    const std::u16string program = ThisProgramFolder() + u"\\stavelx64.exe";
    const std::u16string library = HostPath(LZ_QUENLITH_DIR_NATIVE) + u"\\Quenlithx64.dll";
    std::vector<ZipMember> members = {
        {"Quenlith.dll", ReadBytes(library)},   {"Quenlithx64.dll", ReadBytes(library)},
        {"stavel.exe", ReadBytes(program)},     {"stavelx64.exe", ReadBytes(program)},
        {"License.html", Bytes("<p>licence</p>")},
    };
    for (const char* name : kShippedFiles) {
      std::vector<std::uint8_t> bytes = ShippedFile(name);
      if (std::string(name) == "config.dsc" && minor_step) {
        const ByteView soft = FindConfigBlock(ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())},
                                              config_store::kSoftBlockName);
        soft.WriteU32(soft_block::kDataVersion, identity.minor);
        WriteFieldText(soft, soft_block::kImeName, kShortUnits, identity.ime_name);
      }
      members.push_back({std::string("$dataFiles$/") + name, bytes});
    }
    std::vector<std::uint8_t> file = ReadBytes(program);
    EXPECT_EQ(AppendPayload(file, MakeZip(members)), PayloadWrite::kWritten);
    const std::u16string path = TempFolder() + u"setup" + Widen(std::to_string(identity.minor)) + u".exe";
    WriteBytes(path, file);
    return path;
  }

  static std::u16string InstallFolder(const Identity& identity) {
    return ShellFolder(CSIDL_PROGRAM_FILES) + u"\\" + identity.folder_name + u"\\361." +
           Widen(std::to_string(identity.minor)) + u"\\";
  }
  static std::u16string DataFolder(const Identity& identity) {
    return DataFolderPath(ShellFolder(CSIDL_COMMON_APPDATA), identity.id, VersionFolderName(identity.minor));
  }
  static std::u16string Library(const std::u16string& system, const Identity& identity) {
    return system + u"\\" + identity.ime_name + u".dll";
  }
  static std::u16string System32() { return ShellFolder(CSIDL_SYSTEM); }
  static std::u16string SysWow64() { return ShellFolder(CSIDL_SYSTEMX86); }
  static std::u16string Shortcuts(const Identity& identity) {
    return ShellFolder(CSIDL_COMMON_PROGRAMS) + u"\\" + identity.display_name;
  }
  static std::u16string BackupFolder(const Identity& identity) {
    return ShellFolder(CSIDL_PERSONAL) + u"\\" + BackupFolderName(identity.display_name);
  }
};

TEST_F(SetupFileTest, ASilentInstallPlacesRegistersAndLeavesNoWorkFolder) {
  if (!FileExists(ShippedData() + u"\\main.dmg")) GTEST_SKIP() << "the native tree's shipped data set is not built";
  const Identity identity = ShippedIdentity(0);
  DeleteFileW(WidePtr(LogPath().c_str()));
  ASSERT_EQ(RunProgram(MakeSetup(0), u"/s"), 0) << ReadUtf8(LogPath());

  EXPECT_TRUE(FileExists(Library(System32(), identity)));
  EXPECT_TRUE(FileExists(Library(SysWow64(), identity)));
  EXPECT_TRUE(FileExists(InstallFolder(identity) + u"stavel.exe"));
  EXPECT_TRUE(FileExists(InstallFolder(identity) + u"_backup_.dat"));
  EXPECT_TRUE(FileExists(InstallFolder(identity) + u"License.html"));
  for (const char* name : kShippedFiles) {
    EXPECT_EQ(ReadBytes(DataFolder(identity) + Widen(name)), ShippedFile(name)) << name;
  }
  const std::u16string product = u"Software\\LanzoIME4\\" + identity.id;
  EXPECT_TRUE(KeyExists(product, KEY_WOW64_64KEY));
  EXPECT_TRUE(KeyExists(product, KEY_WOW64_32KEY));
  EXPECT_TRUE(KeyExists(u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Q4" + identity.id, KEY_WOW64_64KEY));
  EXPECT_TRUE(KeyExists(u"Software\\Classes\\CLSID\\" + identity.id + u"\\InProcServer32", KEY_WOW64_64KEY));
  EXPECT_TRUE(KeyExists(u"Software\\Classes\\CLSID\\" + identity.id + u"\\InProcServer32", KEY_WOW64_32KEY));
  EXPECT_EQ(CountSubkeys(u"SOFTWARE\\Microsoft\\CTF\\TIP\\" + identity.id + u"\\Category\\Item\\" + identity.id), 8u);
  EXPECT_TRUE(KeyExists(u"Software\\Classes\\AppID\\{C9B4B7E7-0D22-46D5-AF14-EBC46D33B3AF}", KEY_WOW64_64KEY));
  // Flags 0x1980: settings, key functions, repair and uninstall.
  EXPECT_TRUE(FileExists(Shortcuts(identity) + u"\\设置" + identity.display_name + u".lnk"));
  EXPECT_TRUE(FileExists(Shortcuts(identity) + u"\\" + identity.display_name + u"按键功能设定.lnk"));
  EXPECT_TRUE(FileExists(Shortcuts(identity) + u"\\修复" + identity.display_name + u".lnk"));
  EXPECT_TRUE(FileExists(Shortcuts(identity) + u"\\卸载" + identity.display_name + u".lnk"));
  EXPECT_FALSE(FileExists(Shortcuts(identity) + u"\\更新" + identity.display_name + u".lnk"));
  EXPECT_FALSE(FileExists(TempFolder() + u"$quorStavel4$"));
}

TEST_F(SetupFileTest, AnUpgradeKeepsTheUsersWordsAndRemovesTheOldVersion) {
  if (!FileExists(ShippedData() + u"\\main.dmg")) GTEST_SKIP() << "the native tree's shipped data set is not built";
  const Identity old_identity = ShippedIdentity(0);
  const Identity identity = ShippedIdentity(1);
  // A word the user taught the installed version, as the engine stores a promoted word.
  {
    MappedFile* table = nullptr;
    ASSERT_GT(OpenMappedFile((DataFolder(old_identity) + u"main.dmg").c_str(), &table), 0);
    TableRecordBuffer record{};
    ASSERT_TRUE(MakeTableRecord(u"nakh#用", Widen(kUserWordText).c_str(), nullptr, record));
    ASSERT_TRUE(TableAppendRecord(table, record.bytes, record.size));
    CloseMappedFile(table);
  }
  ASSERT_EQ(UserWordClass(DataFolder(old_identity) + u"main.dmg"), code_table::kClassUser);

  DeleteFileW(WidePtr(LogPath().c_str()));
  ASSERT_EQ(RunProgram(MakeSetup(1), u"/s"), 0) << ReadUtf8(LogPath());
  EXPECT_EQ(UserWordClass(DataFolder(identity) + u"main.dmg"), code_table::kClassUser);
  EXPECT_FALSE(FileExists(InstallFolder(old_identity)));
  EXPECT_FALSE(FileExists(DataFolder(old_identity)));
  EXPECT_FALSE(FileExists(Library(System32(), old_identity)));
  EXPECT_TRUE(FileExists(Library(System32(), identity)));
  EXPECT_TRUE(FileExists(InstallFolder(identity) + u"stavel.exe"));

  std::vector<os::FolderEntry> backups;
  os::ListFolder(BackupFolder(identity).c_str(), backups);
  bool words = false, settings = false;
  for (const os::FolderEntry& e : backups) {
    words = words || e.name.find(u"导出 - 用户词条(") == 0;
    settings = settings || e.name.find(u"backup.config(") == 0;
  }
  EXPECT_TRUE(words);
  EXPECT_TRUE(settings);

  // The log's lines in the designed order.
  const std::string log = ReadUtf8(LogPath());
  std::size_t at = 0;
  for (const char16_t* line : {u"请稍候安装完成....", u"  *.备份用户词库, 并卸载旧版安装信息....", u"  1.创建文件系统....",
                               u"  2.设置软件运行环境...", u"  3.写入卸载信息...", u"  4.创建开始菜单及桌面快捷方式...",
                               u"  5.备份安装数据...", u"  7.清除安装程序创建的临时文件...", u"  8.安装完成。"}) {
    const std::size_t found = log.find(Utf8(line), at);
    ASSERT_NE(found, std::string::npos) << Utf8(line) << "\n" << log;
    at = found;
  }
}

// Pending restart moves for a file below the install folder, as an earlier run left them.
void SetPendingMove(const std::u16string& source) {
  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, KEY_ALL_ACCESS,
                          &key),
            ERROR_SUCCESS);
  if (source.empty()) {
    RegDeleteValueW(key, L"PendingFileRenameOperations");
  } else {
    std::u16string value = u"\\??\\" + source + u'\0' + u'\0' + u'\0';
    RegSetValueExW(key, L"PendingFileRenameOperations", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(value.data()),
                   static_cast<DWORD>(value.size() * sizeof(char16_t)));
  }
  RegCloseKey(key);
}

TEST_F(SetupFileTest, TheSameVersionGoesOnAnOlderOneOrAPendingRestartIsRefused) {
  if (!FileExists(ShippedData() + u"\\main.dmg")) GTEST_SKIP() << "the native tree's shipped data set is not built";
  const Identity old_identity = ShippedIdentity(0);
  const Identity identity = ShippedIdentity(1);
  const std::u16string same = MakeSetup(1);

  DeleteFileW(WidePtr(LogPath().c_str()));
  EXPECT_EQ(RunProgram(same, u"/s"), 0) << ReadUtf8(LogPath());
  EXPECT_EQ(UserWordClass(DataFolder(identity) + u"main.dmg"), code_table::kClassUser);

  DeleteFileW(WidePtr(LogPath().c_str()));
  EXPECT_EQ(RunProgram(MakeSetup(0), u"/s"), kExitFailed);
  EXPECT_NE(ReadUtf8(LogPath()).find(Utf8(u"较新版本")), std::string::npos) << ReadUtf8(LogPath());
  EXPECT_FALSE(FileExists(InstallFolder(old_identity)));
  EXPECT_FALSE(FileExists(Library(System32(), old_identity)));
  EXPECT_TRUE(FileExists(InstallFolder(identity) + u"stavel.exe"));

  SetPendingMove(InstallFolder(identity) + u"stavel1.exe");
  DeleteFileW(WidePtr(LogPath().c_str()));
  EXPECT_EQ(RunProgram(same, u"/s"), kExitFailed);
  EXPECT_NE(ReadUtf8(LogPath()).find(Utf8(u"重新启动计算机后")), std::string::npos) << ReadUtf8(LogPath());
  SetPendingMove(u"");
  EXPECT_TRUE(FileExists(InstallFolder(identity) + u"stavel.exe"));
  EXPECT_EQ(UserWordClass(DataFolder(identity) + u"main.dmg"), code_table::kClassUser);
}

TEST_F(SetupFileTest, ARepairPutsBackADeletedFileAndKeepsTheWords) {
  if (!FileExists(ShippedData() + u"\\main.dmg")) GTEST_SKIP() << "the native tree's shipped data set is not built";
  const Identity identity = ShippedIdentity(1);
  ASSERT_TRUE(DeleteFileW(WidePtr((DataFolder(identity) + u"engl.dmg").c_str())));
  ASSERT_TRUE(DeleteFileW(WidePtr(Library(SysWow64(), identity).c_str())));
  DeleteFileW(WidePtr(LogPath().c_str()));
  EXPECT_EQ(RunProgram(InstallFolder(identity) + u"stavel.exe", u"/n " + identity.id + u" /r /s"), 0);
  ASSERT_TRUE(WaitForLogLine(u"  6.修复完成。")) << ReadUtf8(LogPath());
  EXPECT_EQ(ReadBytes(DataFolder(identity) + u"engl.dmg"), ShippedFile("engl.dmg"));
  EXPECT_TRUE(FileExists(Library(SysWow64(), identity)));
  EXPECT_EQ(UserWordClass(DataFolder(identity) + u"main.dmg"), code_table::kClassUser);
}

TEST_F(SetupFileTest, AnUninstallLeavesNothingButFontsAndBackups) {
  if (!FileExists(ShippedData() + u"\\main.dmg")) GTEST_SKIP() << "the native tree's shipped data set is not built";
  const Identity identity = ShippedIdentity(1);
  // The repair's copy takes its unpacked payload away as it ends.
  const std::u16string unpacked = TempFolder() + u"$quorStavel4$\\zipdatas";
  for (int i = 0; i < kPolls && FileExists(unpacked); ++i) Sleep(kPollMs);
  EXPECT_FALSE(FileExists(unpacked));
  DeleteFileW(WidePtr(LogPath().c_str()));
  EXPECT_EQ(RunProgram(InstallFolder(identity) + u"stavel.exe", u"/n " + identity.id + u" /u /s"), 0);
  ASSERT_TRUE(WaitForLogLine(u"  7.卸载完成。")) << ReadUtf8(LogPath());
  EXPECT_FALSE(FileExists(Library(System32(), identity)));
  EXPECT_FALSE(FileExists(Library(SysWow64(), identity)));
  EXPECT_FALSE(FileExists(InstallFolder(identity)));
  EXPECT_FALSE(FileExists(DataFolder(identity)));
  EXPECT_FALSE(KeyExists(u"Software\\LanzoIME4\\" + identity.id, KEY_WOW64_64KEY));
  EXPECT_FALSE(KeyExists(u"Software\\LanzoIME4\\" + identity.id, KEY_WOW64_32KEY));
  EXPECT_FALSE(KeyExists(u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Q4" + identity.id, KEY_WOW64_64KEY));
  EXPECT_FALSE(KeyExists(u"Software\\Classes\\CLSID\\" + identity.id, KEY_WOW64_64KEY));
  EXPECT_FALSE(KeyExists(u"Software\\Classes\\CLSID\\" + identity.id, KEY_WOW64_32KEY));
  EXPECT_FALSE(KeyExists(u"SOFTWARE\\Microsoft\\CTF\\TIP\\" + identity.id));
  EXPECT_FALSE(KeyExists(u"Software\\Classes\\AppID\\{C9B4B7E7-0D22-46D5-AF14-EBC46D33B3AF}", KEY_WOW64_64KEY));
  EXPECT_FALSE(FileExists(Shortcuts(identity)));
  EXPECT_TRUE(FileExists(BackupFolder(identity)));
}

TEST_F(SetupFileTest, ACutInstallerFileIsRefusedAndInstallsNothing) {
  if (!FileExists(ShippedData() + u"\\main.dmg")) GTEST_SKIP() << "the native tree's shipped data set is not built";
  const Identity identity = ShippedIdentity(0);
  std::vector<std::uint8_t> file = ReadBytes(MakeSetup(0));
  file.resize(file.size() - 4096);
  const std::u16string cut = TempFolder() + u"cut_setup.exe";
  WriteBytes(cut, file);
  DeleteFileW(WidePtr(LogPath().c_str()));
  EXPECT_EQ(RunProgram(cut, u"/s"), kExitFailed);
  EXPECT_NE(ReadUtf8(LogPath()).find(Utf8(kTextBadPayload)), std::string::npos) << ReadUtf8(LogPath());
  EXPECT_FALSE(FileExists(Library(System32(), identity)));
  EXPECT_FALSE(FileExists(InstallFolder(identity)));
  EXPECT_FALSE(KeyExists(u"Software\\LanzoIME4\\" + identity.id, KEY_WOW64_64KEY));
  EXPECT_FALSE(FileExists(TempFolder() + u"$quorStavel4$"));
}

}  // namespace
}  // namespace lz::installer
