#pragma once
// 码表详细视图 (dialog 144): one table of the context shown as a virtual list that is filtered on a worker
// thread, with adding, changing, deleting, restoring, pinning, copying and dictionary look-ups.
#include <windows.h>

#include <cstdint>
#include <string>

#include "config/app/config_context_win32.h"

namespace lz::config {

// The message a finished view build posts to the dialog: wparam the build's generation number, lparam the
// list of positions (std::vector<std::int32_t>*), which the dialog takes over.
constexpr UINT kBrowserViewBuilt = WM_APP + 44;

struct BrowserStart {
  std::u16string table_name = u"main.dmg";  // main.dmg, temp.dmg, sysl.dmg or engl.dmg of the context
  std::u16string code;                     // the search fields at start
  std::u16string word;
  std::uint32_t record_class = 0;
};

// Runs the browser modally; -1 when the table is not open ("无法获取当前码表内容。" is shown).
INT_PTR RunTableBrowser(HINSTANCE module, ConfigContext* context, const BrowserStart& start, HWND owner);

}  // namespace lz::config
