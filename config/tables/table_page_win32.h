#pragma once
// The 码表 tab page (dialog 143): the word tables of the context with their counts and class flags, and
// from the selected row the browser, import, export and clearing.
#include <windows.h>

#include <memory>
#include <string>

#include "config/app/config_context_win32.h"
#include "platform/dialogs/dialog_win32.h"

namespace lz::config {

// The page, made as a child of the settings window by the caller (CreateChild).
std::unique_ptr<dialogs::Dialog> MakeTablePage(HINSTANCE module, ConfigContext* context);

// Chooses a text file to import: the path, or empty when cancelled. Tests set their own chooser; null
// restores the open dialog of Comdlg32.dll.
using TextFileChooser = std::u16string (*)(HWND owner, void* context);
void SetTableFileChooser(TextFileChooser chooser, void* context);

}  // namespace lz::config
