#include "config/app/tests/installed_config.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/data_folder.h"
#include "textservice/engine/class_identifier.h"
#include "textservice/engine/product_class_identifier.h"

namespace lz::config::installed {
namespace {

std::wstring ProgramFolder() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  path.resize(path.find_last_of(L'\\') + 1);
  return path;
}

constexpr DWORD kProgramPatience = 20000;  // ms a started program is given to end

std::wstring SystemLibrary(const std::wstring& name) {
  wchar_t folder[MAX_PATH];
  GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder) + L"\\" + name + L".dll";
}

}  // namespace

std::wstring ConfigProgramPath() {
  return ProgramFolder() + (sizeof(void*) == 8 ? L"configx64.exe" : L"config.exe");
}

// The built library beside this program, copied to the system folder as <name>.dll.
void InstallLibrary(const std::wstring& name) {
  const std::wstring built = ProgramFolder() + (sizeof(void*) == 8 ? L"Quenlithx64.dll" : L"Quenlith.dll");
  ASSERT_TRUE(CopyFileW(built.c_str(), SystemLibrary(name).c_str(), FALSE)) << GetLastError();
}

std::filesystem::path ShippedData() {
  std::string path = LZ_SHIPDATA_DIR;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return std::filesystem::path("Z:" + path);
}

std::u16string InstallShippedData(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder / "data");
  for (const char* name : {"config.dsc", "main.dmg", "temp.dmg", "engl.dmg", "sysl.dmg", "danzi.dmi",
                           "traditional.dms", "simplified.dms", "dict.dms"}) {
    std::filesystem::copy_file(ShippedData() / name, folder / "data" / name);
  }
  std::u16string product;
  for (const char* p = LZ_PRODUCT_CLASS_IDENTIFIER; *p; ++p) product += static_cast<char16_t>(*p);
  std::uint8_t id[16];
  if (!ParseClassIdentifier(product.c_str(), id)) {
    ADD_FAILURE() << "the product's class identifier does not parse";
    return {};
  }
  return lz::test::RegisterInputMethod(id, folder / "data", folder);
}

ConfigProgram::ConfigProgram(const std::wstring& arguments) {
  std::wstring line = L"\"" + ConfigProgramPath() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  started_ = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_);
}

ConfigProgram::~ConfigProgram() {
  if (!started_) return;
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 1);
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

int ConfigProgram::Wait() {
  const DWORD until = GetTickCount() + kProgramPatience;
  while (GetTickCount() < until) {
    const DWORD got = MsgWaitForMultipleObjects(1, &info_.hProcess, FALSE, 50, QS_ALLINPUT);
    if (got == WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(info_.hProcess, &code);
      return static_cast<int>(code);
    }
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  return -1;
}

ReadOnlyFiles::ReadOnlyFiles(const std::filesystem::path& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    files_.push_back(entry.path());
    SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_READONLY);
  }
}

ReadOnlyFiles::~ReadOnlyFiles() {
  for (const auto& file : files_) SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

lz::test::DataFolderContents Contents() {
  lz::test::DataFolderContents contents;
  contents.main = {{"a", "\xE5\xB7\xA5"}};
  return contents;
}

namespace {

INT_PTR CALLBACK StandInProc(HWND window, UINT message, WPARAM, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lparam);
    return TRUE;
  }
  auto* self = reinterpret_cast<DictionaryStandIn*>(GetWindowLongPtrW(window, DWLP_USER));
  if (message == WM_COPYDATA && self) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
    const auto* bytes = static_cast<const std::uint8_t*>(data->lpData);
    self->received.emplace_back(bytes, bytes + data->cbData);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

DictionaryStandIn::DictionaryStandIn(const wchar_t* title) {
  alignas(4) static const WORD kTemplate[] = {
      // DLGTEMPLATE: style WS_POPUP, no extended style, no items, at 0,0 sized 10x10; no menu, class, title.
      LOWORD(WS_POPUP), HIWORD(WS_POPUP), 0, 0, 0, 0, 0, 10, 10, 0, 0, 0};
  window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(kTemplate),
                                      nullptr, StandInProc, reinterpret_cast<LPARAM>(this));
  SetWindowTextW(window, title);
}

DictionaryStandIn::~DictionaryStandIn() { DestroyWindow(window); }

std::u16string WordOf(const std::vector<std::uint8_t>& bytes) {
  std::u16string word;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (c == 0) break;
    word.push_back(c);
  }
  return word;
}

}  // namespace lz::config::installed
