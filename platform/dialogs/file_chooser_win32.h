#pragma once
// The system's open and save dialogs for one file, run from Comdlg32.dll loaded for the call, behind one
// call that tests can answer: a responder set by a test sees the request and gives the path (or none).
#include <windows.h>

#include <string>

namespace lz::dialogs {

struct FileChooserRequest {
  bool save = false;
  HWND owner = nullptr;
  std::u16string start_folder;  // empty: the dialog's own choice
  std::u16string title;
  std::u16string filter;             // pairs of zero-terminated texts, as OPENFILENAMEW takes them
  std::u16string default_extension;  // without the dot; empty for none
  DWORD flags = 0;
};

// Runs the dialog; true with the chosen path (at most MAX_PATH - 1 units) in path, false when it was
// cancelled or could not be shown.
bool ChooseFile(const FileChooserRequest& request, std::u16string& path);

using FileChooserResponder = bool (*)(const FileChooserRequest& request, std::u16string& path, void* context);
void SetFileChooserResponder(FileChooserResponder responder, void* context);

}  // namespace lz::dialogs
