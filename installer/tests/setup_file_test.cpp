// The one installer file, end to end in a private prefix reporting Windows 10: a silent install, an
// upgrade that keeps the user's words, a repair and an uninstall. The tests run in order and each
// builds on the one before.
//
// The installer file made here carries the x64 installer as its program and the x64 library in the x86
// library's place, so it runs where 32-bit programs cannot; the shipped x86 file (tools/package.sh)
// differs only in its program, and ShippedSetupTest below runs that file itself when it is given.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <memory>
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
#include "platform/os/file_mapping.h"
#include "platform/os/folder_list.h"
#include "platform/os/folder_tree.h"
#include "platform/os/native_path.h"
#include "platform/zip/zip_writer.h"
#include "tests/support/child_process.h"
#include "tests/support/tsf_host.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/mapped_file.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/skin_block.h"

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
// The payload's font, and the class the broker stand-in registers.
constexpr char16_t kFontFile[] = u"lzsetuptest.ttf";
constexpr char16_t kBrokerClassKey[] = u"Software\\Classes\\CLSID\\{5A0C3E8B-6F1D-4B27-9E44-2C7D81A9B3F0}\\LocalServer32";
constexpr char16_t kAppIdKey[] = u"Software\\Classes\\AppID\\{C9B4B7E7-0D22-46D5-AF14-EBC46D33B3AF}";

// Key scripts for the host: letters are themselves, and these stand for the named keys.
constexpr char kEsc = '\x1b';

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

bool UserKeyExists(const std::u16string& key) {
  HKEY handle;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, WidePtr(key.c_str()), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

// Polls until the path is gone (a program that has just ended may still be removing it).
bool WaitUntilNoFile(const std::u16string& path) {
  for (int i = 0; i < kPolls && FileExists(path); ++i) Sleep(kPollMs);
  return !FileExists(path);
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

UINT VirtualKeyOf(char c) {
  if (c >= 'a' && c <= 'z') return static_cast<UINT>(c - 'a' + 'A');
  if (c >= '0' && c <= '9') return static_cast<UINT>(c);
  if (c == ' ') return VK_SPACE;
  if (c == kEsc) return VK_ESCAPE;
  return 0;
}

LPARAM KeyLparam(UINT vk, bool up) {
  LPARAM l = 1 | static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) << 16);
  if (up) l |= static_cast<LPARAM>(0xC0000000u);
  return l;
}

// An application typing with the installed input method: COM creates the text service from the class
// the registry names (the installed library in the system folder), our host activates it and gets the
// keys of args[2]; the document's text goes to the file args[1] as UTF-8. A process of its own, so the
// library and its tables are let go when it ends, as when an application closes.
LZ_CHILD_MODE(type_installed) {
  if (args.size() != 3) return 2;
  CLSID clsid{};
  if (FAILED(CLSIDFromString(WidePtr(Widen(args[0]).c_str()), &clsid))) return 3;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 4;
  int result = 0;
  {
    BYTE no_keys[256] = {};
    SetKeyboardState(no_keys);
    lz::test::HostThreadManager host;
    ITfTextInputProcessorEx* service = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, tsf::kIidTextInputProcessorEx,
                                reinterpret_cast<void**>(&service)))) {
      result = 5;
    } else if (FAILED(service->ActivateEx(&host, 1, 0))) {
      result = 6;
    } else {
      host.TakeKeyboardFocus();
      for (char c : args[2]) {
        const UINT vk = VirtualKeyOf(c);
        host.DeliverKey(WM_KEYDOWN, vk, KeyLparam(vk, false));
        host.DeliverKey(WM_KEYUP, vk, KeyLparam(vk, true));
        host.PumpKeys(1);
      }
      const std::string typed = Utf8(host.text());
      WriteBytes(Widen(args[1]), std::vector<std::uint8_t>(typed.begin(), typed.end()));
      service->Deactivate();
    }
    host.TerminateAllCompositions();
    if (service) service->Release();
  }
  CoFreeUnusedLibraries();
  CoUninitialize();
  return result;
}

// What a 64-bit application's document holds after the keys, or why it holds nothing.
std::string TypeInstalled(const std::u16string& class_identifier, const std::string& keys) {
  const std::u16string output = TempFolder() + u"typed.txt";
  DeleteFileW(WidePtr(output.c_str()));
  const int exit_code = lz::test::RunChild({"type_installed", Utf8(class_identifier), Utf8(output), keys});
  if (exit_code != 0) return "(the typing program ended with " + std::to_string(exit_code) + ")";
  return ReadUtf8(output);
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

// The installer that ran before has ended once nobody holds the one-installer mutex.
bool WaitForNoInstaller() {
  for (int i = 0; i < kPolls; ++i) {
    const HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, kInstallerMutexName);
    if (!mutex) return true;
    CloseHandle(mutex);
    Sleep(kPollMs);
  }
  return false;
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
        {"main.chm", ReadBytes(HostPath(LZ_HELP_FILE))},
        {"$fonts$/lzsetuptest.ttf", Bytes("not drawn by anyone")},
        // This machine runs 64-bit programs only: the stand-in serves as both brokers.
        {"quorImeBrokerx64.exe", ReadBytes(HostPath(LZ_BROKER_STANDIN))},
        {"quorImeBroker.exe", ReadBytes(HostPath(LZ_BROKER_STANDIN))},
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
  // An application using the input method keeps the nine tables mapped (without delete sharing) while
  // the installed program uninstalls silently; after the restart nothing of the install is left.
  static void UninstallWhileMappedAndRestart(const Identity& identity) {
    {
      std::vector<std::unique_ptr<HeldFile>> mapped;
      for (const char* name : kShippedFiles) {
        mapped.push_back(std::make_unique<HeldFile>("hold_mapping", DataFolder(identity) + Widen(name)));
        ASSERT_TRUE(mapped.back()->ready()) << name;
      }
      DeleteFileW(WidePtr(LogPath().c_str()));
      EXPECT_EQ(RunProgram(InstallFolder(identity) + u"stavel.exe", u"/n " + identity.id + u" /u /s"), 0);
      ASSERT_TRUE(WaitForLogLine(u"  7.卸载完成。")) << ReadUtf8(LogPath());
      EXPECT_NE(ReadUtf8(LogPath()).find(Utf8(u"重新启动计算机后删除")), std::string::npos) << ReadUtf8(LogPath());
      ASSERT_TRUE(WaitForNoInstaller());
      EXPECT_TRUE(FileExists(DataFolder(identity) + u"main.dmg"));
    }
    RunRestart();
    EXPECT_FALSE(FileExists(DataFolder(identity)));
    EXPECT_FALSE(FileExists(ProductDataFolder(identity)));
    EXPECT_FALSE(FileExists(InstallParent(identity)));
    EXPECT_FALSE(FileExists(Library(System32(), identity)));
    EXPECT_FALSE(FileExists(Library(SysWow64(), identity)));
    EXPECT_TRUE(WaitUntilNoFile(WorkFolder()));  // the copy's own clean-up may still be running
    EXPECT_FALSE(KeyExists(u"Software\\LanzoIME4\\" + identity.id));
    EXPECT_TRUE(PendingMoveSources().empty()) << testing::PrintToString(PendingMoveSources());
  }

  static std::u16string InstallParent(const Identity& identity) {
    return ShellFolder(CSIDL_PROGRAM_FILES) + u"\\" + identity.folder_name;
  }
  static std::u16string ProductDataFolder(const Identity& identity) {
    return DataFolderPath(ShellFolder(CSIDL_COMMON_APPDATA), identity.id, u"");
  }
  static std::u16string WorkFolder() { return TempFolder() + u"$quorStavel4$"; }
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
  static std::u16string Broker(const std::u16string& system) { return system + u"\\ime\\quorInput\\quorImeBroker.exe"; }
  static std::u16string Font() { return ShellFolder(CSIDL_FONTS) + u"\\" + kFontFile; }
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
  EXPECT_EQ(ReadBytes(InstallFolder(identity) + u"main.chm"), ReadBytes(HostPath(LZ_HELP_FILE)));
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
  EXPECT_TRUE(KeyExists(kAppIdKey, KEY_WOW64_64KEY));
  // The payload's fonts and brokers, each broker registered (its class there) before the install went on.
  EXPECT_TRUE(FileExists(Font()));
  EXPECT_TRUE(FileExists(Broker(System32())));
  EXPECT_TRUE(FileExists(Broker(SysWow64())));
  EXPECT_FALSE(FileExists(InstallFolder(identity) + u"quorImeBroker.exe"));
  EXPECT_TRUE(KeyExists(kBrokerClassKey, KEY_WOW64_64KEY));
  EXPECT_NE(ReadUtf8(LogPath()).find(Utf8(u"quorImeBroker.exe /regserver: 退出码 0")), std::string::npos)
      << ReadUtf8(LogPath());
  // Flags 0x19C0: settings, key functions, repair, uninstall and the help file.
  EXPECT_TRUE(FileExists(Shortcuts(identity) + u"\\设置" + identity.display_name + u".lnk"));
  EXPECT_TRUE(FileExists(Shortcuts(identity) + u"\\" + identity.display_name + u"按键功能设定.lnk"));
  EXPECT_TRUE(FileExists(Shortcuts(identity) + u"\\修复" + identity.display_name + u".lnk"));
  EXPECT_TRUE(FileExists(Shortcuts(identity) + u"\\卸载" + identity.display_name + u".lnk"));
  EXPECT_TRUE(FileExists(Shortcuts(identity) + u"\\" + identity.display_name + u"帮助文档.lnk"));
  EXPECT_FALSE(FileExists(Shortcuts(identity) + u"\\更新" + identity.display_name + u".lnk"));
  EXPECT_FALSE(FileExists(TempFolder() + u"$quorStavel4$"));
}

TEST_F(SetupFileTest, AnApplicationTypesWithTheInstalledServiceAndTeachesItAWord) {
  if (!FileExists(ShippedData() + u"\\main.dmg")) GTEST_SKIP() << "the native tree's shipped data set is not built";
  const Identity identity = ShippedIdentity(0);
  // Space commits the first candidate; Esc closes the associations a commit opens.
  EXPECT_EQ(TypeInstalled(identity.id, "khlg \x1b"), "中国");
  ASSERT_EQ(UserWordClass(DataFolder(identity) + u"main.dmg"), 0u);
  // 民 then 中, each committed, make 民中 under their codes' heads, offered but not committed by itself;
  // committing it makes it the user's word.
  EXPECT_EQ(TypeInstalled(identity.id, "nav khk \x1bnakh "), "民中民中");
  EXPECT_EQ(UserWordClass(DataFolder(identity) + u"main.dmg"), code_table::kClassUser);
}

// The status bar's and the candidate window's places in a data folder's config.dsc: x, y of each.
struct WindowPlaces {
  std::int32_t candidate_x, candidate_y, status_x, status_y;
  bool operator==(const WindowPlaces&) const = default;
};
std::ostream& operator<<(std::ostream& os, const WindowPlaces& p) {
  return os << "candidate " << p.candidate_x << "," << p.candidate_y << " status " << p.status_x << "," << p.status_y;
}
constexpr std::uint32_t kPlaceOffsets[] = {skin_block::kCandidateWindowX, skin_block::kCandidateWindowY,
                                           skin_block::kStatusWindowX, skin_block::kStatusWindowY};

WindowPlaces ReadWindowPlaces(const std::u16string& config) {
  std::vector<std::uint8_t> bytes;
  WindowPlaces p{};
  if (!os::ReadFileBytes(config.c_str(), bytes)) return p;
  ConfigBlocks blocks;
  FindConfigBlocks(ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}, blocks);
  std::int32_t* fields[] = {&p.candidate_x, &p.candidate_y, &p.status_x, &p.status_y};
  for (int i = 0; i < 4; ++i) *fields[i] = static_cast<std::int32_t>(BlockU32(blocks.skin, kPlaceOffsets[i]));
  return p;
}

// Stores the places as the user's drags do, in the file itself.
void StoreWindowPlaces(const std::u16string& config, const WindowPlaces& p) {
  os::FileMapping m;
  ASSERT_TRUE(os::MapExistingFile(config.c_str(), m));
  ConfigBlocks blocks;
  FindConfigBlocks(ByteView{m.view, m.size}, blocks);
  const std::int32_t values[] = {p.candidate_x, p.candidate_y, p.status_x, p.status_y};
  for (int i = 0; i < 4; ++i) blocks.skin.WriteU32(kPlaceOffsets[i], static_cast<std::uint32_t>(values[i]));
  os::FlushMapping(m);
  os::CloseMapping(m);
}

TEST_F(SetupFileTest, AnUpgradeKeepsTheUsersWordsAndRemovesTheOldVersion) {
  if (!FileExists(ShippedData() + u"\\main.dmg")) GTEST_SKIP() << "the native tree's shipped data set is not built";
  const Identity old_identity = ShippedIdentity(0);
  const Identity identity = ShippedIdentity(1);
  // The word the user taught the installed version.
  ASSERT_EQ(UserWordClass(DataFolder(old_identity) + u"main.dmg"), code_table::kClassUser);
  // Where the user put the windows.
  const WindowPlaces dragged{40, 50, 300, 400};
  StoreWindowPlaces(DataFolder(old_identity) + u"config.dsc", dragged);

  DeleteFileW(WidePtr(LogPath().c_str()));
  ASSERT_EQ(RunProgram(MakeSetup(1), u"/s"), 0) << ReadUtf8(LogPath());
  EXPECT_EQ(UserWordClass(DataFolder(identity) + u"main.dmg"), code_table::kClassUser);
  EXPECT_EQ(ReadWindowPlaces(DataFolder(identity) + u"config.dsc"), dragged);
  // The user's word now stands alone under its code and commits itself.
  EXPECT_EQ(TypeInstalled(identity.id, "nakh"), "民中");
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
  EXPECT_FALSE(KeyExists(kAppIdKey, KEY_WOW64_64KEY));
  EXPECT_FALSE(FileExists(Shortcuts(identity)));
  // Each broker unregistered itself before it went.
  EXPECT_FALSE(FileExists(Broker(System32())));
  EXPECT_FALSE(FileExists(Broker(SysWow64())));
  EXPECT_FALSE(KeyExists(kBrokerClassKey, KEY_WOW64_64KEY));
  EXPECT_NE(ReadUtf8(LogPath()).find(Utf8(u"quorImeBroker.exe /unregserver: 退出码 0")), std::string::npos)
      << ReadUtf8(LogPath());
  EXPECT_TRUE(FileExists(Font()));
  EXPECT_TRUE(FileExists(BackupFolder(identity)));
  // No empty folder or key that the install made stays behind.
  EXPECT_FALSE(FileExists(InstallParent(identity)));
  EXPECT_FALSE(FileExists(ProductDataFolder(identity)));
  EXPECT_FALSE(UserKeyExists(u"Software\\Microsoft\\CTF\\TIP"));
  EXPECT_TRUE(WaitUntilNoFile(WorkFolder()));
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

// Wine reports another Windows version to programs of this name (its per-program setting); an empty
// version takes the setting away.
void SetProgramVersion(const std::u16string& program, const wchar_t* version) {
  const std::u16string path = u"Software\\Wine\\AppDefaults\\" + program;
  if (!*version) {
    RegDeleteTreeW(HKEY_CURRENT_USER, WidePtr(path.c_str()));
    return;
  }
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, WidePtr(path.c_str()), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                 static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

TEST_F(SetupFileTest, OnWindows61NoBrokerAndNoApplicationKeyAreWritten) {
  if (!FileExists(ShippedData() + u"\\main.dmg")) GTEST_SKIP() << "the native tree's shipped data set is not built";
  const Identity identity = ShippedIdentity(0);
  const std::u16string setup = MakeSetup(0);
  // The file started, the unpacked installer and the private copy that does the install.
  const std::u16string programs[] = {setup.substr(setup.find_last_of(u'\\') + 1), u"stavelx64.exe", u"stavel.exe"};
  for (const std::u16string& program : programs) SetProgramVersion(program, L"win7");
  DeleteFileW(WidePtr(LogPath().c_str()));
  const int exit_code = RunProgram(setup, u"/s");
  for (const std::u16string& program : programs) SetProgramVersion(program, L"");
  ASSERT_EQ(exit_code, 0) << ReadUtf8(LogPath());
  EXPECT_TRUE(FileExists(Library(System32(), identity)));
  EXPECT_FALSE(FileExists(Broker(System32())));
  EXPECT_FALSE(FileExists(Broker(SysWow64())));
  EXPECT_FALSE(FileExists(InstallFolder(identity) + u"quorImeBroker.exe"));
  EXPECT_FALSE(FileExists(InstallFolder(identity) + u"quorImeBrokerx64.exe"));
  EXPECT_FALSE(KeyExists(kBrokerClassKey, KEY_WOW64_64KEY));
  EXPECT_FALSE(KeyExists(kAppIdKey, KEY_WOW64_64KEY));
}

// ---- the same flows as a user sees them: the dialogs of another process, found by their titles and
// driven by messages.

HWND WaitForDialog(const std::u16string& title) {
  for (int i = 0; i < kPolls; ++i) {
    const HWND found = FindWindowW(L"#32770", WidePtr(title.c_str()));
    if (found && IsWindowVisible(found)) return found;
    Sleep(kPollMs);
  }
  return nullptr;
}

// WM_GETTEXT, not GetWindowText: for another process's window that gives only the caption, never an
// edit control's text.
std::u16string ControlText(HWND dialog, int id) {
  wchar_t text[4096] = {};
  SendMessageW(GetDlgItem(dialog, id), WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text));
  return U16Ptr(text);
}


// The titles of the dialogs on the screen, for a failure's message.
std::string DialogTitles() {
  std::string titles;
  for (HWND window = FindWindowW(L"#32770", nullptr); window;
       window = FindWindowExW(nullptr, window, L"#32770", nullptr)) {
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    wchar_t image[MAX_PATH] = {};
    DWORD units = MAX_PATH;
    if (const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id)) {
      QueryFullProcessImageNameW(process, 0, image, &units);
      CloseHandle(process);
    }
    titles += "[" + Utf8(U16Ptr(image)) + " " + Utf8(U16Ptr(title)) + ": " + Utf8(ControlText(window, 0xFFFF)) + "] ";
  }
  return titles;
}

bool WaitForButtonText(HWND dialog, const std::u16string& text) {
  for (int i = 0; i < kPolls && IsWindow(dialog); ++i) {
    if (ControlText(dialog, IDOK) == text) return true;
    Sleep(kPollMs);
  }
  return false;
}

bool WaitUntilGone(HWND window) {
  for (int i = 0; i < kPolls; ++i) {
    if (!IsWindow(window)) return true;
    Sleep(kPollMs);
  }
  return false;
}

void PressButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The uninstall entry's command: the installed copy starts its private copy, which shows the dialog; its
// button removes the input method.
void UninstallThroughTheDialog(const std::u16string& install_folder, const std::u16string& id,
                               const std::u16string& display_name) {
  EXPECT_EQ(RunProgram(install_folder + u"stavel.exe", u"/n " + id + u" /u"), 0);
  const HWND uninstall = WaitForDialog(display_name + u" - 卸载程序");
  ASSERT_NE(uninstall, nullptr) << DialogTitles();
  EXPECT_EQ(ControlText(uninstall, IDOK), u"卸载(&U)");
  PressButton(uninstall, IDOK);
  ASSERT_TRUE(WaitForButtonText(uninstall, u"完成(&O)"));
  EXPECT_NE(ControlText(uninstall, 1006).find(u"  7.卸载完成。"), std::u16string::npos);
  PressButton(uninstall, IDOK);
  EXPECT_TRUE(WaitUntilGone(uninstall));
  EXPECT_TRUE(WaitForNoInstaller());
}

// The installer file without /s: it unpacks under its small dialog, then the agreement page (when the
// payload asks for it) and the wizard, which installs into the folder it offers.
void InstallThroughTheWizard(const std::u16string& setup, const std::u16string& display_name,
                             const std::u16string& offered_folder) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::u16string command = u"\"" + setup + u"\"";
  ASSERT_TRUE(CreateProcessW(WidePtr(setup.c_str()), WidePtr(command.data()), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &process));
  HWND wizard = nullptr;
  for (int i = 0; i < kPolls && !wizard; ++i) {
    if (const HWND page = FindWindowW(L"#32770", WidePtr((display_name + u" - 最终用户许可协议").c_str()))) {
      PressButton(page, IDOK);
    }
    wizard = FindWindowW(L"#32770", WidePtr((display_name + u" 安装向导").c_str()));
    if (!wizard) Sleep(kPollMs);
  }
  if (!wizard) TerminateProcess(process.hProcess, 1);
  ASSERT_NE(wizard, nullptr) << DialogTitles();
  EXPECT_EQ(ControlText(wizard, 1022), offered_folder);
  SendMessageW(GetDlgItem(wizard, 1001), BM_SETCHECK, BST_CHECKED, 0);
  SendMessageW(GetDlgItem(wizard, 1003), BM_SETCHECK, BST_UNCHECKED, 0);
  PressButton(wizard, 1001);
  PressButton(wizard, IDOK);
  ASSERT_TRUE(WaitForButtonText(wizard, u"完成(&O)"));
  EXPECT_NE(ControlText(wizard, 1006).find(u"  8.安装完成。"), std::u16string::npos) << Utf8(ControlText(wizard, 1006));
  PressButton(wizard, IDOK);
  WaitForSingleObject(process.hProcess, kProgramTimeoutMs);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(code, 0u);
}

TEST_F(SetupFileTest, WithoutSilenceTheUninstallDialogAndTheWizardDoTheJobs) {
  if (!FileExists(ShippedData() + u"\\main.dmg")) GTEST_SKIP() << "the native tree's shipped data set is not built";
  const Identity identity = ShippedIdentity(0);
  ASSERT_TRUE(FileExists(Library(System32(), identity)));

  UninstallThroughTheDialog(InstallFolder(identity), identity.id, identity.display_name);
  EXPECT_FALSE(FileExists(Library(System32(), identity)));
  EXPECT_FALSE(KeyExists(u"Software\\LanzoIME4\\" + identity.id, KEY_WOW64_64KEY));

  InstallThroughTheWizard(MakeSetup(0), identity.display_name, InstallParent(identity) + u"\\");
  EXPECT_TRUE(FileExists(Library(System32(), identity)));
  EXPECT_TRUE(FileExists(InstallFolder(identity) + u"_backup_.dat"));
  EXPECT_EQ(TypeInstalled(identity.id, "khlg \x1b"), "中国");
}

// An application using the input method keeps its nine tables mapped (without delete sharing) while the
// uninstall runs: they, and everything else of the install, go at the restart.
TEST_F(SetupFileTest, AnUninstallWhileTheTablesAreMappedLeavesNothingAfterTheRestart) {
  if (!FileExists(ShippedData() + u"\\main.dmg")) GTEST_SKIP() << "the native tree's shipped data set is not built";
  const Identity identity = ShippedIdentity(0);
  ASSERT_TRUE(FileExists(Library(System32(), identity)));
  ASSERT_NO_FATAL_FAILURE(UninstallWhileMappedAndRestart(identity));
  EXPECT_TRUE(FileExists(Font()));
  EXPECT_TRUE(FileExists(BackupFolder(identity)));
}

// ---- the shipped installer file itself (out/dist/setup.exe, the x86 installer), as a user gets it: its
// path comes in LZ_SHIPPED_SETUP. On a 64-bit Windows it hands over to its x64 installer; on a 32-bit
// one it installs itself. The application typing is of this program's width.

std::u16string ShippedSetup() {
  wchar_t path[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"LZ_SHIPPED_SETUP", path, MAX_PATH)) return {};
  const std::u16string setup = HostPath(Utf8(U16Ptr(path)).c_str());
  return FileExists(setup) ? setup : std::u16string();
}

// The machine a program file is built for, from its PE header (0 when it is not one).
WORD ProgramMachine(const std::u16string& path) {
  const std::vector<std::uint8_t> bytes = ReadBytes(path);
  constexpr std::size_t kPeOffsetAt = 0x3C;
  if (bytes.size() < kPeOffsetAt + 4) return 0;
  const std::size_t pe = bytes[kPeOffsetAt] | bytes[kPeOffsetAt + 1] << 8 | bytes[kPeOffsetAt + 2] << 16 |
                         static_cast<std::size_t>(bytes[kPeOffsetAt + 3]) << 24;
  if (pe + 6 > bytes.size() || bytes[pe] != 'P' || bytes[pe + 1] != 'E') return 0;
  return static_cast<WORD>(bytes[pe + 4] | bytes[pe + 5] << 8);
}

class ShippedSetupTest : public SetupFileTest {};

TEST_F(ShippedSetupTest, InstallsTypesAndUninstallsSilentlyAndThroughItsDialogs) {
  const std::u16string setup = ShippedSetup();
  if (setup.empty()) GTEST_SKIP() << "not run: no shipped installer file (tools/package.sh makes out/dist/setup.exe)";
  const Identity identity = ShippedIdentity(0);
  // The library applications of this program's width load.
  const std::u16string library = Library(System32(), identity);

  DeleteFileW(WidePtr(LogPath().c_str()));
  const int exit_code = RunProgram(setup, u"/s");
  if (exit_code == -1) GTEST_SKIP() << "not run: this system cannot start the 32-bit installer file";
  ASSERT_EQ(exit_code, 0) << ReadUtf8(LogPath());
  EXPECT_TRUE(FileExists(library));
  for (const char* name : kShippedFiles) {
    EXPECT_EQ(ReadBytes(DataFolder(identity) + Widen(name)), ShippedFile(name)) << name;
  }
  EXPECT_EQ(TypeInstalled(identity.id, "khlg \x1b"), "中国");
  EXPECT_TRUE(WaitUntilNoFile(WorkFolder()));
  // On a 64-bit Windows the x64 installer did the job and stays as the installed program.
  wchar_t wow64_folder[MAX_PATH] = {};
  const bool windows_64 = GetSystemWow64DirectoryW(wow64_folder, MAX_PATH) != 0;
  EXPECT_EQ(ProgramMachine(InstallFolder(identity) + u"stavel.exe"),
            windows_64 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386);
  if (windows_64) {
    EXPECT_TRUE(FileExists(Library(SysWow64(), identity)));
  }

  // Uninstalled while an application maps the tables: they go at the restart with the rest.
  ASSERT_NO_FATAL_FAILURE(UninstallWhileMappedAndRestart(identity));

  InstallThroughTheWizard(setup, identity.display_name, InstallParent(identity) + u"\\");
  EXPECT_TRUE(FileExists(library));
  EXPECT_EQ(TypeInstalled(identity.id, "khlg \x1b"), "中国");
  UninstallThroughTheDialog(InstallFolder(identity), identity.id, identity.display_name);
  EXPECT_FALSE(FileExists(library));
  EXPECT_FALSE(FileExists(InstallParent(identity)));
  EXPECT_FALSE(KeyExists(u"Software\\LanzoIME4\\" + identity.id));
}

}  // namespace
}  // namespace lz::installer
