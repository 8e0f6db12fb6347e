#pragma once
// The main window's command identifiers: the menus, their shortcuts and the tests send the same
// WM_COMMAND numbers.
namespace tracker {

enum MainCommand : int {
  // "&Time "
  kCmdSetReminder = 100,  // menuSettime
  kCmdStart,              // open
  kCmdStop,               // stop
  kCmdPause,              // pause
  kCmdStandardTime,       // menuStandardtime
  kCmdAccurateTime,       // exactime
  kCmdNormalTime,         // normaltime (declared, never visible)
  kCmdAdjustTime,         // menuAjusttime
  kCmdWorldTime,          // menuTimeOnline
  kCmdGreenwichTime,
  kCmdMainCityTime,
  kCmdWeatherForecast,
  kCmdSearch,      // menuBaidu
  kCmdNavigation,  // menuNavigation
  // "&Record "
  kCmdShowRecordTable = 130,
  kCmdSaveToRecordTable,
  kCmdModifySelectedRecord,
  kCmdClearLatest,
  kCmdClearAll,
  kCmdCopyRecords,
  kCmdCopyDate,
  kCmdCopyTime,
  kCmdAddBlankRecord,  // declared, never visible
  // "T&ools "
  kCmdMemo = 150,
  kCmdOptions,
  kCmdShutdownNow,
  kCmdShutdown,
  kCmdCalculateDate,
  // "&View "
  kCmdHideToTray = 170,
  kCmdQuit,
  kCmdHideAndShowMemo,
  kCmdRestoreMemoPosition,
  kCmdRestoreTablePosition,
  kCmdRestoreTipPosition,
  kCmdRestoreDialogPosition,
  // "&Help "
  kCmdDocumentation = 190,
  kCmdHomePage,
  kCmdAbout,
  // The notification-area pop-up menu `mainmenu` and its entries.
  kMenuTray = 200,
  kCmdPopupStart,
  kCmdPopupStop,
  kCmdPopupPause,
  kCmdPopupSetReminder,
  kCmdPopupMemo,
  kCmdPopupOptions,
  kCmdPopupRestoreWindowPosition,
  kCmdPopupExit,
  kCmdPopupMainCityTime,
  kCmdPopupWeather,
  kCmdPopupAdjustDateTime,
  kCmdPopupHideToTray,
  kCmdPopupShowWindow,
  // The record list's pop-up menu `mnuMainListView`.
  kMenuRecordList = 230,
  kCmdPopupSaveToRecordTable,
  kCmdPopupModifySelectedRecord,
  kCmdPopupClearLatest,
};

// The main window's class name, by which the tests find it.
inline constexpr char16_t kMainWindowClass[] = u"LzForm";

}  // namespace tracker
