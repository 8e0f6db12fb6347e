// config's open and save dialogs for text files, the system's own dialogs under Wine: a second thread
// finds each by its title, types a name into its file-name box and presses OK (or Cancel).
#include "config/app/text_file_dialogs_win32.h"

#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <filesystem>
#include <iterator>
#include <string>
#include <thread>

#include "tests/support/temp_folder.h"

namespace lz::config {
namespace {

constexpr int kFileNameBox = 0x47C;  // a ComboBoxEx32 with an Edit inside

BOOL CALLBACK MatchEdit(HWND child, LPARAM context) {
  wchar_t name[16] = {};
  GetClassNameW(child, name, 16);
  if (lstrcmpiW(name, L"Edit") != 0) return TRUE;
  *reinterpret_cast<HWND*>(context) = child;
  return FALSE;
}

HWND FindEdit(HWND box) {
  HWND found = nullptr;
  EnumChildWindows(box, MatchEdit, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Waits for the dialog titled title, then types name and presses OK, or presses Cancel for an empty
// name. False when no such dialog came.
bool AnswerDialog(const std::wstring& title, const std::wstring& name) {
  HWND dialog = nullptr;
  for (int tries = 0; tries < 500 && !dialog; ++tries) {
    dialog = FindWindowW(L"#32770", title.c_str());
    if (!dialog) Sleep(20);
  }
  if (!dialog) return false;
  Sleep(300);  // the dialog fills its lists after it shows
  if (name.empty()) {
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return true;
  }
  HWND box = GetDlgItem(dialog, kFileNameBox);
  HWND edit = box ? FindEdit(box) : nullptr;
  if (!edit) edit = box;
  if (!edit) return false;
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  return true;
}

std::u16string Lower(std::u16string text) {
  for (char16_t& c : text) c = static_cast<char16_t>(std::towlower(c));
  return text;
}

std::u16string Folder(const lz::test::TempFolder& folder) { return folder.File(""); }

void Touch(const std::filesystem::path& path) { lz::test::WriteFileBytes(path, {'x'}); }

struct Chosen {
  bool ok = false;
  std::u16string path;
  bool answered = false;
};

Chosen Open(std::u16string_view start, const std::wstring& name) {
  Chosen chosen;
  std::thread answer([&] { chosen.answered = AnswerDialog(L"打开测试", name); });
  chosen.ok = ShowOpenTextDialog(nullptr, start, u"打开测试", std::u16string_view(kTextFileFilter, std::size(kTextFileFilter) - 1), chosen.path);
  answer.join();
  return chosen;
}

TEST(TextFileDialogs, TheOpenDialogRemembersItsFolderAndStartsOnTheDesktopWithout) {
  ForgetTextDialogFolders();
  lz::test::TempFolder first;
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) Touch(first.path() / name);

  const Chosen a = Open(Folder(first), L"a.txt");
  ASSERT_TRUE(a.answered);
  EXPECT_TRUE(a.ok);
  EXPECT_EQ(Lower(a.path), Lower(Folder(first) + u"a.txt"));
  EXPECT_EQ(Lower(LastOpenFolder()), Lower(Folder(first)));

  const Chosen b = Open(u"", L"b.txt");  // no folder given: the first choice's
  EXPECT_TRUE(b.ok);
  EXPECT_EQ(Lower(b.path), Lower(Folder(first) + u"b.txt"));

  const Chosen cancelled = Open(u"", L"");
  ASSERT_TRUE(cancelled.answered);
  EXPECT_FALSE(cancelled.ok);
  EXPECT_EQ(Lower(LastOpenFolder()), Lower(Folder(first)));
  const Chosen c = Open(u"", L"c.txt");
  EXPECT_TRUE(c.ok);
  EXPECT_EQ(Lower(c.path), Lower(Folder(first) + u"c.txt"));

  ForgetTextDialogFolders();
  wchar_t desktop[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(
      SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, desktop)));
  const std::filesystem::path on_desktop = std::filesystem::path(desktop) / "lz-dialog-test.txt";
  Touch(on_desktop);
  const Chosen d = Open(u"", L"lz-dialog-test.txt");
  std::filesystem::remove(on_desktop);
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(Lower(d.path), Lower(std::u16string(reinterpret_cast<const char16_t*>(desktop)) + u"\\lz-dialog-test.txt"));
}

TEST(TextFileDialogs, TheSaveDialogAddsTheTextExtensionAndRemembersItsFolder) {
  ForgetTextDialogFolders();
  lz::test::TempFolder target;
  Chosen chosen;
  std::thread answer([&] { chosen.answered = AnswerDialog(L"导出全部设置...", L"Backup"); });
  chosen.ok = ShowSaveTextDialog(nullptr, Folder(target), chosen.path);
  answer.join();
  ASSERT_TRUE(chosen.answered);
  EXPECT_TRUE(chosen.ok);
  EXPECT_EQ(Lower(chosen.path), Lower(Folder(target) + u"Backup.txt"));
  EXPECT_EQ(Lower(LastSaveFolder()), Lower(Folder(target)));
  EXPECT_TRUE(LastOpenFolder().empty());
}

}  // namespace
}  // namespace lz::config
