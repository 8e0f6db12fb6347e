// Pendulo.exe as a user runs it: a copy in a folder of its own, a given settings file, commands from its
// menus, the window closed, and the settings file compared byte for byte.
#include <windows.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <commctrl.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/os/user_registry.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text_file_bytes.h"
#include "tests/support/tracker_runner.h"
#include "tracker/dialogs/memo_text.h"
#include "tracker/main/command_ids.h"
#include "tracker/main/startup.h"

namespace tracker {
namespace {

std::filesystem::path BuiltProgram() {
  wchar_t path[MAX_PATH * 4] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  return std::filesystem::path(path).parent_path() / "Pendulo.exe";
}

std::vector<std::uint8_t> Bytes(const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); }
std::string Text(const std::vector<std::uint8_t>& b) { return std::string(b.begin(), b.end()); }

// The 30 settings lines of a file saved after a run that found none.
std::string FirstRunSettings() {
  std::string out = "[MyApp]\r\n";
  for (int k = 0; k < kSettingCount; ++k) {
    const std::u16string key = SettingKeyName(k);
    std::string value(key.begin(), key.end());
    if (k == kForm1Top) value = " 1500";
    if (k == kForm1Left) value = " 1695";
    if (k == kForm1Height) value = " 6045";
    if (k == kForm1Width) value = " 8715";
    if (k == kTipTop || k == kTipLeft) value = "4000";
    if (k == kDialogTop || k == kDialogLeft) value = "0";
    out += std::string(key.begin(), key.end()) + "=" + value + "\r\n";
  }
  return out;
}

std::string EmptyRecord(int j) {
  return "tra" + std::to_string(9 * j - 5) + "=One Time\r\ntra" + std::to_string(9 * j) + "=\r\n";
}

std::string FullRecord(int n, const std::string& text, const std::string& frequency, const std::string& shown,
                       const std::string& date) {
  const std::string values[] = {"10", "36000", text, frequency, "1", shown, "At   10:00", "9:00:00 AM", date};
  std::string out;
  for (int f = 1; f <= 9; ++f) out += "tra" + std::to_string(9 * (n - 1) + f) + "=" + values[f - 1] + "\r\n";
  return out;
}

TEST(PenduloEndToEnd, NoFileWritesTheFirstRunFile) {
  lz::test::TempFolder folder;
  const auto run = lz::test::RunPendulo(BuiltProgram(), folder.path(), std::nullopt, {});
  ASSERT_TRUE(run.window_found) << run.stuck;
  EXPECT_TRUE(run.window_visible);
  EXPECT_TRUE(run.ended) << run.stuck;
  EXPECT_EQ(run.exit_code, 0u);
  ASSERT_TRUE(run.settings.has_value());
  std::string expected = FirstRunSettings();
  for (int j = 1; j <= 15; ++j) expected += EmptyRecord(j);
  EXPECT_EQ(Text(*run.settings), expected);
}

TEST(PenduloEndToEnd, AtTaskbarKeepsTheWindowInvisible) {
  lz::test::TempFolder folder;
  const auto run = lz::test::RunPendulo(BuiltProgram(), folder.path(), Bytes("[MyApp]\r\nAtTaskbar=1\r\n"), {});
  ASSERT_TRUE(run.window_found) << run.stuck;
  EXPECT_FALSE(run.window_visible);
  EXPECT_TRUE(run.ended) << run.stuck;
  ASSERT_TRUE(run.settings.has_value());
  EXPECT_EQ(Text(*run.settings).rfind("[MyApp]\r\nAtTaskbar=1\r\nSM=SM\r\nAutoStart=AutoStart\r\n", 0), 0u);
}

TEST(PenduloEndToEnd, AutoStartWritesTheQuotedPathForTheUser) {
  lz::test::TempFolder folder;
  os::DeleteUserValue(kRunKey, kRunValueName);
  const auto run = lz::test::RunPendulo(BuiltProgram(), folder.path(), Bytes("[MyApp]\r\nAutoStart=1\r\n"), {});
  ASSERT_TRUE(run.ended) << run.stuck;
  std::u16string value;
  ASSERT_TRUE(os::ReadUserString(kRunKey, kRunValueName, value));
  const std::wstring program = (folder.path() / "pendulo.exe").wstring();
  EXPECT_EQ(value, u"\"" + std::u16string(program.begin(), program.end()) + u"\"");
  os::DeleteUserValue(kRunKey, kRunValueName);
}

TEST(PenduloEndToEnd, KeptRecordsAreWrittenWithoutAGap) {
  lz::test::TempFolder folder;
  std::string before = FirstRunSettings();
  before += FullRecord(1, "first", "Daily", "1", "Dec08 2026 Tue");
  before += FullRecord(2, "second", "One Time", "1", "Dec08 2026 Tue");  // acknowledged: dropped
  before += FullRecord(3, "third", "One Time", "0", "Dec09 2026 Wed");
  for (int j = 4; j <= 15; ++j) before += EmptyRecord(j);

  // Records 1 and 3 kept become records 1 and 2; record 3 is marked empty and keeps its other texts.
  std::string expected = FirstRunSettings();
  expected += FullRecord(1, "first", "Daily", "0", "Dec08 2026 Tue");
  expected += FullRecord(2, "third", "One Time", "0", "Dec09 2026 Wed");
  std::string third = FullRecord(3, "third", "One Time", "0", "Dec09 2026 Wed");
  third.replace(third.find("tra27=Dec09 2026 Wed"), 20, "tra27=");
  expected += third;
  for (int j = 4; j <= 15; ++j) expected += EmptyRecord(j);

  const auto run = lz::test::RunPendulo(BuiltProgram(), folder.path(), Bytes(before),
                                        {kCmdStart, kCmdPause, kCmdPause, kCmdStop, kCmdAccurateTime});
  ASSERT_TRUE(run.ended) << run.stuck;
  ASSERT_TRUE(run.settings.has_value());
  EXPECT_EQ(Text(*run.settings), expected);
}

TEST(PenduloEndToEnd, ClosingHidesToTheIconAndQuitEnds) {
  lz::test::TempFolder folder;
  const auto run = lz::test::RunPendulo(BuiltProgram(), folder.path(), std::nullopt, {});
  ASSERT_TRUE(run.window_found) << run.stuck;
  EXPECT_TRUE(run.icon_at_start);
  EXPECT_FALSE(run.visible_after_close);
  EXPECT_TRUE(run.icon_after_close);
  ASSERT_TRUE(run.settings_after_close.has_value());
  EXPECT_TRUE(run.ended) << run.stuck;
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_FALSE(run.icon_after_quit);
  ASSERT_TRUE(run.settings.has_value());
  EXPECT_EQ(*run.settings, *run.settings_after_close);
}

TEST(PenduloEndToEnd, LoggingOffWritesTheSettingsFile) {
  lz::test::TempFolder folder;
  const auto run = lz::test::RunPendulo(BuiltProgram(), folder.path(), std::nullopt, {}, true);
  ASSERT_TRUE(run.window_found) << run.stuck;
  ASSERT_TRUE(run.end_session_answer.has_value());
  EXPECT_EQ(*run.end_session_answer, TRUE);
  ASSERT_TRUE(run.settings_after_end_session.has_value());
  EXPECT_EQ(Text(*run.settings_after_end_session).rfind("[MyApp]\r\nSM=SM\r\n", 0), 0u);
  EXPECT_TRUE(run.ended) << run.stuck;
}

// The rows of Recorder as the program stored them.
struct StoredRow {
  std::string record_date;
  int weekday = -1;
  long long start = -1;
  long long stop = -1;
  long long pass = -1;
};

std::vector<StoredRow> ReadRecorder(const std::filesystem::path& file) {
  std::vector<StoredRow> rows;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    ADD_FAILURE() << "cannot open " << file.string();
    return rows;
  }
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT RecordDate, Weekday, Start, Stop, Pass FROM Recorder ORDER BY ID", -1,
                         &statement, nullptr) == SQLITE_OK) {
    while (sqlite3_step(statement) == SQLITE_ROW) {
      StoredRow row;
      row.record_date = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
      row.weekday = sqlite3_column_int(statement, 1);
      row.start = sqlite3_column_int64(statement, 2);
      row.stop = sqlite3_column_int64(statement, 3);
      row.pass = sqlite3_column_int64(statement, 4);
      rows.push_back(row);
    }
  } else {
    ADD_FAILURE() << sqlite3_errmsg(db);
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

TEST(PenduloEndToEnd, ACountSavedToTheRecordTableIsOneRowOfToday) {
  lz::test::TempFolder folder;
  SYSTEMTIME before{};
  GetLocalTime(&before);
  const auto run = lz::test::RunPendulo(BuiltProgram(), folder.path(), std::nullopt,
                                        {kCmdStart, kCmdStop, kCmdSaveToRecordTable});
  SYSTEMTIME after{};
  GetLocalTime(&after);
  ASSERT_TRUE(run.window_found) << run.stuck;
  EXPECT_TRUE(run.ended) << run.stuck;
  EXPECT_EQ(run.exit_code, 0u);
  const std::filesystem::path file = folder.path() / "Pendulo.db";
  ASSERT_TRUE(std::filesystem::exists(file));
  const std::vector<StoredRow> rows = ReadRecorder(file);
  ASSERT_EQ(rows.size(), 1u);
  // The run may cross midnight; the row then belongs to the day it stopped in.
  std::vector<std::string> days;
  std::vector<int> weekdays;
  for (const SYSTEMTIME& t : {before, after}) {
    char date[16] = {};
    std::snprintf(date, sizeof date, "%04u-%02u-%02u", t.wYear, t.wMonth, t.wDay);
    days.emplace_back(date);
    weekdays.push_back(t.wDayOfWeek);
  }
  const bool first_day = rows[0].record_date == days[0] && rows[0].weekday == weekdays[0];
  const bool last_day = rows[0].record_date == days[1] && rows[0].weekday == weekdays[1];
  EXPECT_TRUE(first_day || last_day) << rows[0].record_date << " weekday " << rows[0].weekday;
  EXPECT_GE(rows[0].start, 0);
  EXPECT_LE(rows[0].start, rows[0].stop);
  EXPECT_LT(rows[0].stop, 86400);
  EXPECT_GE(rows[0].pass, 0);
}

TEST(PenduloEndToEnd, SavingTwiceKeepsOneRow) {
  lz::test::TempFolder folder;
  const auto run = lz::test::RunPendulo(BuiltProgram(), folder.path(), std::nullopt,
                                        {kCmdStart, kCmdStop, kCmdSaveToRecordTable, kCmdSaveToRecordTable});
  ASSERT_TRUE(run.ended) << run.stuck;
  EXPECT_EQ(ReadRecorder(folder.path() / "Pendulo.db").size(), 1u);
}

TEST(PenduloEndToEnd, QuitKeepsAMemoWithCharactersOutsideTheCodePage) {
  const std::u16string text = u"Call \u674e\u56db\r\n\u4f1a\u8bae at 3\r\ncaf\u00e9 \u20ac";
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    bool same_bytes;  // a UTF-16 memo comes back as UTF-8 with its mark
  } const cases[] = {
      {"UTF-8", lz::test::Utf8FileBytes(text, true), true},
      {"UTF-16", lz::test::Utf16FileBytes(text, false), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    lz::test::TempFolder folder;
    lz::test::WriteFileBytes(folder.path() / "PenduloMemo.txt", c.bytes);
    const auto run = lz::test::RunPendulo(BuiltProgram(), folder.path(), std::nullopt, {});
    ASSERT_TRUE(run.ended) << run.stuck;
    const auto after = lz::test::ReadFileBytes(folder.path() / "PenduloMemo.txt");
    if (c.same_bytes) {
      EXPECT_EQ(after, c.bytes);
    }
    const auto decoded = DecodeMemoFile(after);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, text);
  }
}

struct WindowSearch {
  DWORD process = 0;
  HWND found = nullptr;
};

BOOL CALLBACK FindPenduloWindow(HWND hwnd, LPARAM lparam) {
  auto* search = reinterpret_cast<WindowSearch*>(lparam);
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  wchar_t name[32] = {};
  GetClassNameW(hwnd, name, 32);
  if (process == search->process && lstrcmpW(name, reinterpret_cast<const wchar_t*>(kMainWindowClass)) == 0 &&
      IsWindowVisible(hwnd) && FindWindowExW(hwnd, nullptr, TOOLBARCLASSNAMEW, nullptr)) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// Runs a copy of Pendulo.exe in folder, ends it with `end` once its window is up, and tells whether it
// ended by itself.
bool RunAndEnd(const std::filesystem::path& folder, void (*end)(HWND window)) {
  const std::filesystem::path copy = folder / "Pendulo.exe";
  std::filesystem::copy_file(BuiltProgram(), copy, std::filesystem::copy_options::overwrite_existing);
  std::wstring command_line = L"\"" + copy.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(copy.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                      &process)) {
    return false;
  }
  WindowSearch search;
  search.process = process.dwProcessId;
  for (int i = 0; i < 600 && !search.found; ++i) {
    EnumWindows(FindPenduloWindow, reinterpret_cast<LPARAM>(&search));
    if (!search.found) Sleep(50);
  }
  bool ended = false;
  if (search.found) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &answer);
    end(search.found);
    ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
  }
  if (!ended) TerminateProcess(process.hProcess, 1);
  WaitForSingleObject(process.hProcess, 30000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ended;
}

TEST(PenduloEndToEnd, TheToolbarsExitAndTheQuitEntryEndTheProgram) {
  struct Case {
    const char* what;
    void (*end)(HWND window);
  } const cases[] = {
      {"toolbar exit",
       [](HWND window) {
         HWND toolbar = FindWindowExW(window, nullptr, TOOLBARCLASSNAMEW, nullptr);
         ASSERT_NE(toolbar, nullptr);
         const LRESULT count = SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0);
         ASSERT_EQ(count, 14);
         // The last button is "exit": its command is found by its index, as another process can ask.
         for (int id = 0x4000; id < 0x8000; ++id) {
           if (SendMessageW(toolbar, TB_COMMANDTOINDEX, static_cast<WPARAM>(id), 0) == count - 1) {
             PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(toolbar));
             return;
           }
         }
         ADD_FAILURE() << "no command for the last button";
       }},
      {"&Quit", [](HWND window) { PostMessageW(window, WM_COMMAND, kCmdQuit, 0); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    lz::test::TempFolder folder;
    EXPECT_TRUE(RunAndEnd(folder.path(), c.end));
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "Wexrad.txt"));
  }
}

}  // namespace
}  // namespace tracker
