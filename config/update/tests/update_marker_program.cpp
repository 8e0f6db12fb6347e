// Stands for a downloaded installer in the update tests: it leaves "ran.txt" beside itself, so a test
// sees that it was started and from where.
#include <windows.h>

int wmain() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  wchar_t* slash = wcsrchr(path, L'\\');
  if (!slash) return 1;
  wcscpy(slash + 1, L"ran.txt");
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(file);
  return 0;
}
