// Pendulo: the time tracker's program. It starts from the settings file beside itself and runs until its
// main window closes.
#include <windows.h>

#include <string>

#include "platform/os/native_path.h"
#include "tracker/main/main_window.h"

namespace {

std::u16string ProgramFolder() {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::u16string folder(os::U16Ptr(path), length);
  const auto slash = folder.find_last_of(u"\\/");
  folder = slash == std::u16string::npos ? std::u16string() : folder.substr(0, slash);
  // A drive root keeps its backslash, as the runtime reports it ("C:\").
  if (folder.size() == 2 && folder[1] == u':') folder += u'\\';
  return folder;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  tracker::MainWindow window(ProgramFolder());
  window.StartUp();
  return window.RunMessageLoop();
}
