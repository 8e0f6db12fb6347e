#include "config/app/text_file_dialogs_win32.h"

#include <commdlg.h>
#include <shlobj.h>

#include <iterator>

#include "platform/dialogs/file_chooser_win32.h"
#include "textservice/engine/mapped_file.h"

namespace lz::config {
namespace {

std::u16string g_last_open_folder;
std::u16string g_last_save_folder;

constexpr char16_t kTextExtension[] = u"txt";

// The Desktop folder with a trailing backslash (created when missing); empty when it cannot be had or
// would not fit a path.
std::u16string DesktopFolder() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                              folder))) {
    return {};
  }
  std::u16string path(reinterpret_cast<const char16_t*>(folder));
  if (!path.empty() && path.back() != u'\\') path += u'\\';
  if (path.size() >= static_cast<std::size_t>(kMaxPathUnits)) return {};
  return path;
}

std::u16string StartFolder(std::u16string_view given, const std::u16string& remembered) {
  if (!given.empty()) return std::u16string(given);
  if (!remembered.empty()) return remembered;
  return DesktopFolder();
}

// The folder part of a chosen path, up to and including its last backslash.
std::u16string FolderOf(const std::u16string& path) {
  const std::size_t slash = path.find_last_of(u'\\');
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1);
}

}  // namespace

bool ShowOpenTextDialog(HWND owner, std::u16string_view start_folder, std::u16string_view title,
                        std::u16string_view filter, std::u16string& path) {
  dialogs::FileChooserRequest request;
  request.owner = owner;
  request.start_folder = StartFolder(start_folder, g_last_open_folder);
  request.title = std::u16string(title);
  request.filter = std::u16string(filter);
  request.flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  if (!dialogs::ChooseFile(request, path)) return false;
  if (GetFileAttributesW(reinterpret_cast<const wchar_t*>(path.c_str())) == INVALID_FILE_ATTRIBUTES) {
    path.clear();
    return false;
  }
  g_last_open_folder = FolderOf(path);
  return true;
}

bool ShowSaveTextDialog(HWND owner, std::u16string_view start_folder, std::u16string& path) {
  dialogs::FileChooserRequest request;
  request.save = true;
  request.owner = owner;
  request.start_folder = StartFolder(start_folder, g_last_save_folder);
  request.title = kSaveTextTitle;
  request.filter = std::u16string(kTextFileFilter, std::size(kTextFileFilter) - 1);
  request.default_extension = kTextExtension;
  request.flags = OFN_OVERWRITEPROMPT | OFN_SHOWHELP;
  if (!dialogs::ChooseFile(request, path)) return false;
  g_last_save_folder = FolderOf(path);
  return true;
}

std::u16string LastOpenFolder() { return g_last_open_folder; }
std::u16string LastSaveFolder() { return g_last_save_folder; }

void ForgetTextDialogFolders() {
  g_last_open_folder.clear();
  g_last_save_folder.clear();
}

}  // namespace lz::config
