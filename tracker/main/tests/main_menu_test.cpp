// The main window's menu bar, its two pop-up menus and its shortcuts read back from the built window.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/forms/forms.h"
#include "tests/support/temp_folder.h"
#include "tracker/main/command_ids.h"
#include "tracker/main/main_window.h"

namespace tracker {
namespace {

std::string Utf8(const std::wstring& text) {
  std::string out;
  for (const wchar_t c : text) out += c == L'\t' ? '|' : static_cast<char>(c);
  return out;
}

// One line per entry: depth, caption (a shortcut after "|"), its command and its start state.
void Read(HMENU menu, int depth, std::vector<std::string>& lines) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 255;
    GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
    std::string line(static_cast<std::size_t>(depth) * 2, ' ');
    if (info.fType & MFT_SEPARATOR) {
      lines.push_back(line + "-");
      continue;
    }
    line += Utf8(text);
    if (!info.hSubMenu) line += " #" + std::to_string(info.wID);
    if (info.fState & MFS_GRAYED) line += " off";
    if (info.fState & MFS_CHECKED) line += " checked";
    lines.push_back(line);
    if (info.hSubMenu) Read(info.hSubMenu, depth + 1, lines);
  }
}

std::string Id(const char* caption, int command, const char* state = "") {
  return std::string(caption) + " #" + std::to_string(command) + state;
}

TEST(MainMenu, TheBuiltMenusAndShortcuts) {
  lz::test::TempFolder folder;
  const std::wstring wide = folder.path().wstring();
  MainWindow window(std::u16string(wide.begin(), wide.end()));
  window.StartUp();

  std::vector<std::string> bar;
  Read(GetMenu(window.hwnd()), 0, bar);
  const std::vector<std::string> expected_bar = {
      "&Time ",
      "  " + Id("Set Remin&der...|Ctrl+D", kCmdSetReminder),
      "  " + Id("Sta&rt|Ctrl+R", kCmdStart),
      "  " + Id("S&top|Ctrl+T", kCmdStop, " off"),
      "  " + Id("Pa&use|Ctrl+U", kCmdPause, " off"),
      "  -",
      "  " + Id("Standard T&ime|Ctrl+I", kCmdStandardTime),
      "  " + Id("&Accurate Time|Ctrl+A", kCmdAccurateTime),
      "  -",
      "  " + Id("Ad&just Date and Time...", kCmdAdjustTime),
      "  &World Time and Weather",
      "    " + Id("&Greenwich Mean Time", kCmdGreenwichTime),
      "    " + Id("&Main City Time", kCmdMainCityTime),
      "    " + Id("Weather &Forecast", kCmdWeatherForecast),
      "  " + Id("Search|F1", kCmdSearch),
      "  " + Id("Web Navigation|F12", kCmdNavigation),
      "&Record ",
      "  " + Id("Record Ta&ble...|Ctrl+B", kCmdShowRecordTable),
      "  " + Id("&Save to Record Table|Ctrl+S", kCmdSaveToRecordTable, " off"),
      "  -",
      "  " + Id("Modi&fy Selected Record  |Ctrl+F", kCmdModifySelectedRecord, " off"),
      "  " + Id("&Delete Selected Record", kCmdClearLatest, " off"),
      "  " + Id("Delete &All Records", kCmdClearAll, " off"),
      "  -",
      "  " + Id("Save to &Memo", kCmdCopyRecords, " off"),
      "  " + Id("Add Da&te to Memo", kCmdCopyDate),
      "  " + Id("Add T&ime to Memo", kCmdCopyTime),
      "T&ools ",
      "  " + Id("&Memo...|Ctrl+M", kCmdMemo),
      "  " + Id("&Options...|Ctrl+O", kCmdOptions),
      "  " + Id("Shutdown Computer Now|F4", kCmdShutdownNow),
      "  " + Id("&Shutdown Computer", kCmdShutdown),
      "  -",
      "  " + Id("Calculate Date", kCmdCalculateDate),
      "&View ",
      "  " + Id("Hide Scr&een to Tray|Ctrl+E", kCmdHideToTray),
      "  " + Id("&Quit|Ctrl+Q", kCmdQuit),
      "  " + Id("Hide Screen to Tray and S&how Memo|Ctrl+H", kCmdHideAndShowMemo),
      "  -",
      "  " + Id("Restore M&emo Position", kCmdRestoreMemoPosition),
      "  " + Id("Restore Record &Table Position", kCmdRestoreTablePosition),
      "  " + Id("Restore T&ip Position", kCmdRestoreTipPosition),
      "  " + Id("Restore Set &Reminder Position", kCmdRestoreDialogPosition),
      "&Help ",
      "  " + Id("&Documentation", kCmdDocumentation),
      "  -",
      "  " + Id("Pendulo On the &Web", kCmdHomePage),
      "  -",
      "  " + Id("&About Pendulo", kCmdAbout),
  };
  EXPECT_EQ(bar, expected_bar);

  std::vector<std::string> tray;
  Read(window.menu().Popup(kMenuTray), 0, tray);
  const std::vector<std::string> expected_tray = {
      Id("Start", kCmdPopupStart),         Id("Stop", kCmdPopupStop),   Id("Pause", kCmdPopupPause), "-",
      Id("Set Reminder...", kCmdPopupSetReminder), Id("Memo...", kCmdPopupMemo), Id("Options...", kCmdPopupOptions),
      "-", Id("Restore Window Position", kCmdPopupRestoreWindowPosition), Id("Exit", kCmdPopupExit)};
  EXPECT_EQ(tray, expected_tray);

  std::vector<std::string> list;
  Read(window.menu().Popup(kMenuRecordList), 0, list);
  const std::vector<std::string> expected_list = {Id("Save to R&ecord Table", kCmdPopupSaveToRecordTable),
                                                  Id("Modi&fy Selected Record     ", kCmdPopupModifySelectedRecord),
                                                  Id("&Delete Selected Record   ", kCmdPopupClearLatest)};
  EXPECT_EQ(list, expected_list);

  // Exactly the shortcuts of the bar.
  HACCEL table = window.menu().accelerators();
  ASSERT_NE(table, nullptr);
  std::vector<ACCEL> accels(static_cast<std::size_t>(CopyAcceleratorTableW(table, nullptr, 0)));
  CopyAcceleratorTableW(table, accels.data(), static_cast<int>(accels.size()));
  std::vector<std::string> keys;
  for (const ACCEL& a : accels) {
    std::string key = (a.fVirt & FCONTROL) ? "Ctrl+" : "";
    key += a.key >= VK_F1 && a.key <= VK_F12 ? "F" + std::to_string(a.key - VK_F1 + 1) : std::string(1, static_cast<char>(a.key));
    keys.push_back(key + " #" + std::to_string(a.cmd));
  }
  const std::vector<std::string> expected_keys = {
      "Ctrl+D #" + std::to_string(kCmdSetReminder),     "Ctrl+R #" + std::to_string(kCmdStart),
      "Ctrl+T #" + std::to_string(kCmdStop),            "Ctrl+U #" + std::to_string(kCmdPause),
      "Ctrl+I #" + std::to_string(kCmdStandardTime),    "Ctrl+A #" + std::to_string(kCmdAccurateTime),
      "F1 #" + std::to_string(kCmdSearch),              "F12 #" + std::to_string(kCmdNavigation),
      "Ctrl+B #" + std::to_string(kCmdShowRecordTable), "Ctrl+S #" + std::to_string(kCmdSaveToRecordTable),
      "Ctrl+F #" + std::to_string(kCmdModifySelectedRecord), "Ctrl+M #" + std::to_string(kCmdMemo),
      "Ctrl+O #" + std::to_string(kCmdOptions),         "F4 #" + std::to_string(kCmdShutdownNow),
      "Ctrl+E #" + std::to_string(kCmdHideToTray),      "Ctrl+Q #" + std::to_string(kCmdQuit),
      "Ctrl+H #" + std::to_string(kCmdHideAndShowMemo)};
  EXPECT_EQ(keys, expected_keys);

  // The toolbar's keys, in order.
  std::vector<std::u16string> toolbar;
  for (int i = 0; i < window.toolbar().ButtonCount(); ++i) toolbar.push_back(window.toolbar().Key(i));
  const std::vector<std::u16string> expected_toolbar = {u"settime", u"start",  u"pause",  u"stop",    u"Baidu",
                                                        u"recordtable", u"save", u"memo", u"delete", u"options",
                                                        u"website", u"help", u"Shutdown", u"exit"};
  EXPECT_EQ(toolbar, expected_toolbar);
  SendMessageW(window.hwnd(), WM_COMMAND, kCmdQuit, 0);
}

}  // namespace
}  // namespace tracker
