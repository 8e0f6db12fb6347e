#include "installer/tests/system_test_support.h"

#include <cstdio>
#include <string>

#include "platform/os/file_mapping.h"
#include "platform/os/native_path.h"
#include "tests/support/child_process.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/class_identifier.h"
#include "textservice/engine/settings_store.h"

namespace lz::installer::test {
namespace {

using os::U16Ptr;
using os::WidePtr;

constexpr DWORD kChildReadyTimeoutMs = 30000;
constexpr DWORD kRestartTimeoutMs = 60000;

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out += static_cast<char>(c);
  return out;
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Child modes: keep a library loaded or a file mapped until the parent's event is set.
int HoldUntilReleased(const std::vector<std::string>& args, bool map) {
  if (args.size() < 3) return 2;
  const std::wstring path = Wide(args[0]);
  HMODULE library = nullptr;
  os::FileMapping mapping;
  if (map) {
    if (!os::MapExistingFile(U16Ptr(path.c_str()), mapping)) return 3;
  } else {
    library = LoadLibraryW(path.c_str());
    if (!library) return 3;
  }
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, Wide(args[1]).c_str());
  HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, Wide(args[2]).c_str());
  if (!ready || !release) return 4;
  SetEvent(ready);
  WaitForSingleObject(release, INFINITE);
  if (library) FreeLibrary(library);
  if (map) os::CloseMapping(mapping);
  return 0;
}

}  // namespace
}  // namespace lz::installer::test

LZ_CHILD_MODE(hold_library) { return lz::installer::test::HoldUntilReleased(args, false); }
LZ_CHILD_MODE(hold_mapping) { return lz::installer::test::HoldUntilReleased(args, true); }

namespace lz::installer::test {

TestIdentity::TestIdentity(const std::u16string& id, const std::u16string& ime_name)
    : soft(config_store::kSoftBlockSize), class_identifier(id) {
  const ByteView view = Soft();
  using namespace soft_block;
  WriteFieldText(view, kDisplayName, 64, u"测试输入法");
  WriteFieldText(view, kLanguageName, 64, u"中文(简体) - 测试");
  WriteFieldText(view, kImeName, 64, ime_name);
  WriteFieldText(view, kDisplayVersion, 64, u"4.1.1");
  WriteFieldText(view, kPublisher, 64, u"Lanzo");
  view.WriteU32(kLanguageId, 0x0804);
  std::uint8_t bytes[16];
  if (ParseClassIdentifier(id.c_str(), bytes)) {
    for (int i = 0; i < 16; ++i) view.WriteU8(kIdentifier + i, bytes[i]);
  }
}

std::u16string TempFolder() {
  wchar_t path[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, path);
  return U16Ptr(path);
}

std::u16string ThisProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::u16string folder = U16Ptr(path);
  return folder.substr(0, folder.find_last_of(u'\\'));
}

std::u16string OwnSystemFolder() {
  wchar_t path[MAX_PATH] = {};
  GetSystemDirectoryW(path, MAX_PATH);
  return U16Ptr(path);
}

namespace {
bool IsWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}
}  // namespace

std::u16string OwnSystemFolderRealName() {
  wchar_t path[MAX_PATH] = {};
  if (IsWow64() && GetSystemWow64DirectoryW(path, MAX_PATH)) return U16Ptr(path);
  return OwnSystemFolder();
}

std::u16string NativeSystemThroughAlias() {
  if (!IsWow64()) return {};
  wchar_t path[MAX_PATH] = {};
  GetWindowsDirectoryW(path, MAX_PATH);
  return std::u16string(U16Ptr(path)) + u"\\Sysnative";
}

std::u16string NativeSystemFolder() { return OwnSystemFolder(); }

std::u16string TestServerPath() { return ThisProgramFolder() + u"\\test_text_service.dll"; }

bool FileExists(const std::u16string& path) { return GetFileAttributesW(WidePtr(path.c_str())) != INVALID_FILE_ATTRIBUTES; }

void WriteBytes(const std::u16string& path, const std::vector<std::uint8_t>& bytes) {
  HANDLE file = CreateFileW(WidePtr(path.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::vector<std::uint8_t> ReadBytes(const std::u16string& path) {
  std::vector<std::uint8_t> bytes;
  os::ReadFileBytes(path.c_str(), bytes);
  return bytes;
}

std::string ReadUtf8(const std::u16string& path) {
  const std::vector<std::uint8_t> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

std::vector<std::u16string> PendingMoveSources() {
  std::vector<std::u16string> sources;
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return sources;
  }
  DWORD bytes = 0;
  if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr, nullptr, &bytes) == ERROR_SUCCESS &&
      bytes > 0) {
    std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 2, 0);
    RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &bytes);
    // Pairs of strings: source, then target (empty for a deletion).
    std::vector<std::u16string> strings;
    for (std::size_t i = 0; i < bytes / sizeof(wchar_t);) {
      std::u16string s = U16Ptr(&data[i]);
      i += s.size() + 1;
      strings.push_back(s);
    }
    for (std::size_t i = 0; i + 1 < strings.size(); i += 2) {
      std::u16string s = strings[i];
      if (s.rfind(u"\\??\\", 0) == 0) s = s.substr(4);
      sources.push_back(s);
    }
  }
  RegCloseKey(key);
  return sources;
}

void RunRestart() {
  wchar_t command[] = L"wineboot.exe -r";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return;
  WaitForSingleObject(process.hProcess, kRestartTimeoutMs);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

HeldFile::HeldFile(const char* mode, const std::u16string& path) {
  static int serial = 0;
  const std::string suffix = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial);
  const std::string ready_name = "lz_held_ready_" + suffix;
  const std::string release_name = "lz_held_release_" + suffix;
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, Wide(ready_name).c_str());
  release_ = CreateEventW(nullptr, TRUE, FALSE, Wide(release_name).c_str());
  lz::test::ChildProcess child;
  if (ready && release_ && lz::test::StartChild({mode, Narrow(path), ready_name, release_name}, child)) {
    process_ = child.handle;
    ready_ = WaitForSingleObject(ready, kChildReadyTimeoutMs) == WAIT_OBJECT_0;
  }
  if (ready) CloseHandle(ready);
}

void HeldFile::Release() {
  if (release_) SetEvent(release_);
  if (process_) {
    lz::test::ChildProcess child{process_};
    lz::test::WaitChild(child);
    process_ = 0;
  }
}

HeldFile::~HeldFile() {
  Release();
  if (release_) CloseHandle(release_);
}

}  // namespace lz::installer::test
