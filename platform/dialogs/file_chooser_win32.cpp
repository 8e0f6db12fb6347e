#include "platform/dialogs/file_chooser_win32.h"

#include <commdlg.h>

#include <atomic>

namespace lz::dialogs {
namespace {

std::atomic<FileChooserResponder> g_responder{nullptr};
std::atomic<void*> g_context{nullptr};

using FileDialogProc = BOOL(WINAPI*)(OPENFILENAMEW*);

const wchar_t* Wide(const std::u16string& text) {
  return text.empty() ? nullptr : reinterpret_cast<const wchar_t*>(text.c_str());
}

}  // namespace

void SetFileChooserResponder(FileChooserResponder responder, void* context) {
  g_context = context;
  g_responder = responder;
}

bool ChooseFile(const FileChooserRequest& request, std::u16string& path) {
  path.clear();
  if (const FileChooserResponder responder = g_responder) return responder(request, path, g_context);
  // The filter needs its closing pair of zeros, which a std::u16string keeps only as its terminator.
  std::u16string filter = request.filter;
  filter.push_back(u'\0');
  wchar_t chosen[MAX_PATH] = {};
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = request.owner;
  dialog.lpstrFilter = request.filter.empty() ? nullptr : reinterpret_cast<const wchar_t*>(filter.c_str());
  dialog.lpstrFile = chosen;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrInitialDir = Wide(request.start_folder);
  dialog.lpstrTitle = Wide(request.title);
  dialog.lpstrDefExt = Wide(request.default_extension);
  dialog.Flags = request.flags;
  HMODULE comdlg = LoadLibraryW(L"Comdlg32.dll");
  if (!comdlg) return false;
  const auto run = reinterpret_cast<FileDialogProc>(reinterpret_cast<void*>(
      GetProcAddress(comdlg, request.save ? "GetSaveFileNameW" : "GetOpenFileNameW")));
  const bool ok = run && run(&dialog);
  FreeLibrary(comdlg);
  if (!ok) return false;
  path.assign(reinterpret_cast<const char16_t*>(chosen));
  return !path.empty();
}

}  // namespace lz::dialogs
