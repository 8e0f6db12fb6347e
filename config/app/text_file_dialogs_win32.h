#pragma once
// config's open and save dialogs for text files. Each remembers, for the run, the folder of its last
// choice and starts there when the caller names no folder; with neither, it starts on the Desktop.
#include <windows.h>

#include <string>
#include <string_view>

namespace lz::config {

// filter: pairs of zero-terminated texts ("文本文档(*.txt)\0*.txt\0"). True with the chosen path, which
// exists, in path; false when the dialog was cancelled (the remembered folder stays).
bool ShowOpenTextDialog(HWND owner, std::u16string_view start_folder, std::u16string_view title,
                        std::u16string_view filter, std::u16string& path);

// The save dialog of the settings backup: its own title and filter, ".txt" added to a name without an
// extension, a prompt before an existing file is replaced.
bool ShowSaveTextDialog(HWND owner, std::u16string_view start_folder, std::u16string& path);

constexpr char16_t kTextFileFilter[] = u"文本文档(*.txt)\0*.txt\0";
constexpr char16_t kSaveTextTitle[] = u"导出全部设置...";

// The folders the dialogs remember; tests start from none.
std::u16string LastOpenFolder();
std::u16string LastSaveFolder();
void ForgetTextDialogFolders();

}  // namespace lz::config
