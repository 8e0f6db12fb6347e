// The advanced settings editor as config's "/do gaojishezhi" opens it, in a private Wine prefix: a
// second thread finds the dialog by its title and drives it with messages while the run's thread shows
// it; message boxes and the file dialogs are answered through their seams.
#include "config/settings/advanced_settings_win32.h"

#include <windows.h>

#include <commdlg.h>
#include <richedit.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/app/config_program_win32.h"
#include "config/app/config_resources.h"
#include "config/settings/settings_export.h"
#include "config/app/tests/installed_config.h"
#include "config/app/text_file.h"
#include "platform/dialogs/file_chooser_win32.h"
#include "platform/dialogs/popup_menu_win32.h"
#include "platform/os/message_box.h"
#include "platform/os/system_info.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text_file_bytes.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/key_names.h"
#include "textservice/engine/scheme_text.h"
#include "textservice/engine/settings_text.h"

namespace lz::config {
namespace {

constexpr wchar_t kEditorTitle[] = L"高级设置模式 - 兰卓测试";

// Answers message boxes in turn from a script (OK when it runs out) and keeps what they said.
struct Boxes {
  std::mutex lock;
  std::vector<os::MessageBoxRequest> shown;
  std::deque<int> answers;

  static int Answer(const os::MessageBoxRequest& request, void* context) {
    auto* self = static_cast<Boxes*>(context);
    std::lock_guard<std::mutex> hold(self->lock);
    self->shown.push_back(request);
    if (self->answers.empty()) return IDOK;
    const int answer = self->answers.front();
    self->answers.pop_front();
    return answer;
  }
  void Script(int answer) {
    std::lock_guard<std::mutex> hold(lock);
    answers.assign(1, answer);
  }
  std::size_t count() {
    std::lock_guard<std::mutex> hold(lock);
    return shown.size();
  }
  os::MessageBoxRequest last() {
    std::lock_guard<std::mutex> hold(lock);
    return shown.empty() ? os::MessageBoxRequest{} : shown.back();
  }
};

// Answers the file dialogs with the next path of a script (cancelled when it runs out) and keeps the
// requests.
struct Chooser {
  std::mutex lock;
  std::vector<dialogs::FileChooserRequest> requests;
  std::deque<std::u16string> paths;

  static bool Answer(const dialogs::FileChooserRequest& request, std::u16string& path, void* context) {
    auto* self = static_cast<Chooser*>(context);
    std::lock_guard<std::mutex> hold(self->lock);
    self->requests.push_back(request);
    if (self->paths.empty()) return false;
    path = self->paths.front();
    self->paths.pop_front();
    return true;
  }
};

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

// What the driving thread sees of the editor.
struct Editor {
  HWND dialog = nullptr;
  HWND edit = nullptr;

  std::u16string Text() const {
    const int length = static_cast<int>(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(edit, WM_GETTEXT, static_cast<WPARAM>(length + 1), reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    return std::u16string(text.begin(), text.end());
  }
  bool SaveEnabled() const { return IsWindowEnabled(GetDlgItem(dialog, IDC_ADVANCED_TEXT_SAVE)) != 0; }
  void Command(int id) const {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
  }
  // The character range of the first match of text from position from, or {-1, -1}.
  CHARRANGE Find(const std::wstring& text, LONG from = 0) const {
    FINDTEXTEXW request{};
    request.chrg = {from, -1};
    request.lpstrText = text.c_str();
    if (SendMessageW(edit, EM_FINDTEXTEXW, FR_DOWN, reinterpret_cast<LPARAM>(&request)) < 0) return {-1, -1};
    return request.chrgText;
  }
  void Replace(CHARRANGE range, const std::wstring& text) const {
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  }
  CHARRANGE Selection() const {
    CHARRANGE range{};
    SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range;
  }
  // The colour of the characters [from, to), or -1 when they are not all one colour.
  long Colour(LONG from, LONG to) const {
    CHARRANGE range{from, to};
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    SendMessageW(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    if (!(format.dwMask & CFM_COLOR) || (format.dwEffects & CFE_AUTOCOLOR)) return -1;
    return static_cast<long>(format.crTextColor);
  }
};

// Waits for a window of this title, then gives the editor to drive; false after about ten seconds.
bool WaitForEditor(Editor& editor) {
  for (int tries = 0; tries < 500; ++tries) {
    if (HWND window = FindWindowW(L"#32770", kEditorTitle)) {
      editor.dialog = window;
      editor.edit = GetDlgItem(window, IDC_ADVANCED_TEXT_EDIT);
      Sleep(100);
      return editor.edit != nullptr;
    }
    Sleep(20);
  }
  return false;
}

bool WaitGone(HWND window) {
  for (int tries = 0; tries < 500 && IsWindow(window); ++tries) Sleep(20);
  return !IsWindow(window);
}

class AdvancedSettingsTest : public testing::Test {
 protected:
  void SetUp() override {
    installed::InstallLibrary(L"Quenlith");
    lz::test::DataFolderContents contents = installed::Contents();
    contents.edit_blocks = [](ConfigBlocks& b) {
      WriteFieldText(b.soft, soft_block::kImeName, 56, u"Quenlith");
      WriteFieldText(b.soft, soft_block::kDisplayName, 64, u"兰卓测试");
      b.ime.WriteU32(ime_block::kCandidateOptions, 5u << ime_block::kPageSizeShift);
      ReadPunctuationText(b.ime, u",", u"，");
      ReadKeyFunctionText(u" ", b.dme, u"首选上屏");
      ReadWordRuleText(b.dme, u"P2", u"L1F1+L1F2+L2F1+L2F2");
    };
    folder_ = std::make_unique<lz::test::InstalledFolder>(contents);
    os::SetMachineString(folder_->RegistryKey().c_str(), u"DisplayName", u"兰卓测试");
    os::SetMessageBoxResponder(Boxes::Answer, &boxes_);
    dialogs::SetFileChooserResponder(Chooser::Answer, &chooser_);
  }
  void TearDown() override {
    os::SetMessageBoxResponder(nullptr, nullptr);
    dialogs::SetFileChooserResponder(nullptr, nullptr);
  }

  // Runs config with the word while drive works the editor on a second thread.
  void RunEditor(const std::function<void(Editor&)>& drive, const std::u16string& word = u"gaojishezhi") {
    std::atomic<bool> found{false};
    std::thread driver([&] {
      Editor editor;
      if (!WaitForEditor(editor)) return;
      found = true;
      drive(editor);
      // Whatever the scenario left open goes now.
      if (IsWindow(editor.dialog)) {
        boxes_.Script(IDNO);
        PostMessageW(editor.dialog, WM_COMMAND, IDCANCEL, 0);
      }
    });
    const std::u16string line = u"/n " + folder_->class_id() + u" /do " + word;
    RunConfig(GetModuleHandleW(nullptr), reinterpret_cast<const wchar_t*>(line.c_str()));
    driver.join();
    EXPECT_TRUE(found);
  }

  // The blocks of config.dsc as a new reader finds them.
  struct OnDisk {
    std::vector<std::uint8_t> bytes;
    ConfigBlocks blocks;
  };
  OnDisk Reopened() const {
    OnDisk disk;
    disk.bytes = lz::test::ReadFileBytes(folder_->data() / "config.dsc");
    FindConfigBlocks(ByteView{disk.bytes.data(), static_cast<std::uint32_t>(disk.bytes.size())}, disk.blocks);
    return disk;
  }
  std::u16string ExportNow() const {
    OnDisk disk = Reopened();
    SettingsTextOps* ops = NewSettingsTextOps();
    std::u16string text = WriteSettingsText(disk.blocks.ime, disk.blocks.dme, disk.blocks.skin, ops);
    ops->free(ops);
    return text;
  }
  std::uint32_t Frequency() const {
    return BlockU32(Reopened().blocks.ime, ime_block::kCandidateOptions) & ime_block::kFrequencyMask;
  }

  std::unique_ptr<lz::test::InstalledFolder> folder_;
  Boxes boxes_;
  Chooser chooser_;
};

TEST_F(AdvancedSettingsTest, TheEditorHoldsTheExportColouredWithSaveDisabled) {
  const std::u16string expected = ExportNow();
  ASSERT_NE(expected.find(u"[-按键功能-]\r\n =首选上屏,"), std::u16string::npos);
  std::u16string shown;
  bool save_enabled = true;
  long comment = 0, header = 0, key = 0, value = 0, rule_value = 0;
  RunEditor([&](Editor& e) {
    shown = e.Text();
    save_enabled = e.SaveEnabled();
    const CHARRANGE comment_line = e.Find(L"//可选：1~10之间整数");
    comment = e.Colour(comment_line.cpMin, comment_line.cpMax);
    const CHARRANGE header_line = e.Find(L"[-按键功能-]");
    header = e.Colour(header_line.cpMin, header_line.cpMax);
    const CHARRANGE pair = e.Find(L"候选列表显示个数=5");
    key = e.Colour(pair.cpMin, pair.cpMin + 9);  // the key and its "="
    value = e.Colour(pair.cpMin + 9, pair.cpMax);
    const CHARRANGE rule = e.Find(L"P2=L1F1");
    rule_value = e.Colour(rule.cpMin + 3, rule.cpMax);
  });
  EXPECT_EQ(shown, expected);
  EXPECT_FALSE(save_enabled);
  EXPECT_EQ(comment, static_cast<long>(RGB(0, 0x80, 0)));
  EXPECT_EQ(header, static_cast<long>(RGB(0, 0, 0)));
  EXPECT_EQ(key, static_cast<long>(RGB(0, 0, 0)));
  EXPECT_EQ(value, static_cast<long>(RGB(0, 0, 0xFF)));
  EXPECT_EQ(rule_value, static_cast<long>(RGB(0, 0, 0xFF)));
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(AdvancedSettingsTest, AnEditEnablesSaveAndSaveChangesTheBlock) {
  bool enabled_after_edit = false, enabled_after_save = true;
  std::uint32_t frequency_before = 99;
  RunEditor([&](Editor& e) {
    frequency_before = Frequency();
    e.Replace(e.Find(L"词频调整=禁止调整"), L"词频调整=一次到顶");
    enabled_after_edit = e.SaveEnabled();
    e.Command(IDC_ADVANCED_TEXT_SAVE);
    enabled_after_save = e.SaveEnabled();
    PostMessageW(e.dialog, WM_COMMAND, IDCANCEL, 0);  // nothing unsaved: no question
    WaitGone(e.dialog);
  });
  EXPECT_EQ(frequency_before, 0u);
  EXPECT_TRUE(enabled_after_edit);
  EXPECT_FALSE(enabled_after_save);
  EXPECT_EQ(Frequency(), ime_block::kFrequencyToTop);
  EXPECT_EQ(boxes_.count(), 0u);
  // The whole text went in again: bindings, rules and punctuation are as they were.
  EXPECT_NE(ExportNow().find(u" =首选上屏,\r\n"), std::u16string::npos);
  EXPECT_NE(ExportNow().find(u"P2=L1F1+L1F2+L2F1+L2F2\r\n"), std::u16string::npos);
}

TEST_F(AdvancedSettingsTest, SavingATextWithoutSettingsSectionsSaysSoAndChangesNothing) {
  const std::u16string before = ExportNow();
  bool enabled_after_save = false;
  RunEditor([&](Editor& e) {
    SendMessageW(e.edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"词频调整=一次到顶\r\n"));
    e.Command(IDC_ADVANCED_TEXT_SAVE);
    enabled_after_save = e.SaveEnabled();
  });
  EXPECT_TRUE(enabled_after_save);
  ASSERT_GE(boxes_.count(), 1u);
  EXPECT_EQ(boxes_.shown[0].text, kNoSettingsSectionsText);
  EXPECT_EQ(boxes_.shown[0].caption, u"配置程序");
  EXPECT_EQ(ExportNow(), before);
}

TEST_F(AdvancedSettingsTest, ClosingAfterAnEditAsksOnce) {
  struct Case {
    int answer;
    bool stays_open;
    std::uint32_t frequency;
  };
  for (const Case& c : {Case{IDCANCEL, true, 0}, Case{IDNO, false, 0}, Case{IDYES, false, ime_block::kFrequencyGradual}}) {
    SCOPED_TRACE(c.answer);
    const std::size_t boxes_before = boxes_.count();
    bool open_after = false, edit_kept = false;
    RunEditor([&](Editor& e) {
      e.Replace(e.Find(L"词频调整=禁止调整"), L"词频调整=逐渐调整");
      boxes_.Script(c.answer);
      e.Command(IDCANCEL);
      if (c.stays_open) {
        Sleep(300);
        open_after = IsWindow(e.dialog) != 0;
      } else {
        open_after = !WaitGone(e.dialog);
      }
      if (open_after) edit_kept = e.Find(L"词频调整=逐渐调整").cpMin >= 0;
    });
    EXPECT_EQ(open_after, c.stays_open);
    if (c.stays_open) {
      EXPECT_TRUE(edit_kept);
    }
    EXPECT_EQ(Frequency(), c.frequency);
    // One question for the close (the scenario's own clean-up asks once more when it stayed open).
    ASSERT_GT(boxes_.count(), boxes_before);
    EXPECT_EQ(boxes_.shown[boxes_before].text, kSaveChangesText);
    EXPECT_EQ(boxes_.shown[boxes_before].caption, u"配置程序");
    EXPECT_EQ(boxes_.shown[boxes_before].style, static_cast<std::uint32_t>(MB_YESNOCANCEL | MB_ICONWARNING));
    EXPECT_EQ(boxes_.count(), boxes_before + (c.stays_open ? 2u : 1u));
  }
}

TEST_F(AdvancedSettingsTest, F3AfterTheLastMatchWrapsAndAMissingTextIsReported) {
  std::vector<CHARRANGE> found;
  std::vector<CHARRANGE> expected;
  bool find_enabled_empty = true, find_enabled = false;
  RunEditor([&](Editor& e) {
    find_enabled_empty = IsWindowEnabled(GetDlgItem(e.dialog, IDOK)) != 0;
    SetDlgItemTextW(e.dialog, IDC_ADVANCED_TEXT_FIND, L"检索次显码表=");
    find_enabled = IsWindowEnabled(GetDlgItem(e.dialog, IDOK)) != 0;
    const CHARRANGE first = e.Find(L"检索次显码表=");
    const CHARRANGE second = e.Find(L"检索次显码表=", first.cpMax);
    ASSERT_GE(second.cpMin, 0);
    ASSERT_LT(e.Find(L"检索次显码表=", second.cpMax).cpMin, 0);
    expected = {first, second, first, second};
    for (int i = 0; i < 4; ++i) {
      SendMessageW(e.dialog, WM_HOTKEY, 3, 0);
      found.push_back(e.Selection());
    }
    SetDlgItemTextW(e.dialog, IDC_ADVANCED_TEXT_FIND, L"没有这段文字");
    SendMessageW(e.dialog, WM_HOTKEY, 2, 0);
  });
  EXPECT_FALSE(find_enabled_empty);
  EXPECT_TRUE(find_enabled);
  ASSERT_EQ(found.size(), expected.size());
  for (std::size_t i = 0; i < found.size(); ++i) {
    EXPECT_EQ(found[i].cpMin, expected[i].cpMin) << i;
    EXPECT_EQ(found[i].cpMax, expected[i].cpMax) << i;
  }
  ASSERT_EQ(boxes_.count(), 1u);
  EXPECT_EQ(boxes_.last().text, kNotFoundText);
  EXPECT_EQ(boxes_.last().caption, u"高级设置");
  EXPECT_EQ(boxes_.last().style, static_cast<std::uint32_t>(MB_ICONERROR));
}

// Answers context menus with the next command of a script and keeps which items were enabled.
struct Menus {
  std::deque<int> commands;
  std::vector<std::vector<int>> enabled;

  static int Answer(HMENU menu, void* context) {
    auto* self = static_cast<Menus*>(context);
    std::vector<int> on;
    for (int id : {IDM_TEXT_UNDO, IDM_TEXT_REDO, IDM_TEXT_CUT, IDM_TEXT_COPY, IDM_TEXT_PASTE, IDM_TEXT_DELETE}) {
      if (!(GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND) & MF_GRAYED)) on.push_back(id);
    }
    self->enabled.push_back(on);
    if (self->commands.empty()) return 0;
    const int command = self->commands.front();
    self->commands.pop_front();
    return command;
  }
};

TEST_F(AdvancedSettingsTest, TheContextMenuOffersWhatTheTextAllowsAndLoadingIsNoUndoStep) {
  Menus menus;
  menus.commands = {0, IDM_TEXT_UNDO};
  dialogs::SetPopupMenuResponder(Menus::Answer, &menus);
  std::u16string original, after_undo;
  RunEditor([&](Editor& e) {
    original = e.Text();
    CHARRANGE header = e.Find(L"[-IME设置-]");
    SendMessageW(e.edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&header));
    SendMessageW(e.edit, WM_RBUTTONUP, 0, 0);
    e.Replace(e.Find(L"词频调整=禁止调整"), L"词频调整=逐渐调整");
    SendMessageW(e.edit, WM_RBUTTONUP, 0, 0);
    after_undo = e.Text();
  });
  dialogs::SetPopupMenuResponder(nullptr, nullptr);
  ASSERT_EQ(menus.enabled.size(), 2u);
  // After loading and colouring there is nothing to undo; a selection can be cut and copied.
  const std::vector<int>& first = menus.enabled[0];
  EXPECT_EQ(std::count(first.begin(), first.end(), IDM_TEXT_UNDO), 0);
  EXPECT_EQ(std::count(first.begin(), first.end(), IDM_TEXT_COPY), 1);
  EXPECT_EQ(std::count(first.begin(), first.end(), IDM_TEXT_CUT), 1);
  EXPECT_EQ(std::count(menus.enabled[1].begin(), menus.enabled[1].end(), IDM_TEXT_UNDO), 1);
  EXPECT_EQ(after_undo, original);
}

std::u16string DocumentsBackupFolder() {
  wchar_t folder[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, folder);
  return std::u16string(reinterpret_cast<const char16_t*>(folder)) + u"\\[ 兰卓测试 ]\\";
}

TEST_F(AdvancedSettingsTest, BackupsGetTheirEndingAndHoldTheEditorsText) {
  lz::test::TempFolder target;
  const std::u16string base = target.File("");
  chooser_.paths = {base + u"A.TXT", base + u"b.doc"};
  std::u16string text;
  RunEditor([&](Editor& e) {
    e.Replace(e.Find(L"词频调整=禁止调整"), L"词频调整=逐渐调整");  // not saved: the backup has it anyway
    text = e.Text();
    e.Command(IDC_ADVANCED_TEXT_BACKUP);
    e.Command(IDC_ADVANCED_TEXT_BACKUP);
  });
  ASSERT_EQ(chooser_.requests.size(), 2u);
  const dialogs::FileChooserRequest& request = chooser_.requests[0];
  EXPECT_TRUE(request.save);
  EXPECT_EQ(request.title, u"导出全部设置...");
  EXPECT_EQ(request.default_extension, u"txt");
  EXPECT_EQ(request.flags, static_cast<DWORD>(OFN_OVERWRITEPROMPT | OFN_SHOWHELP));
  EXPECT_EQ(request.start_folder, DocumentsBackupFolder());
  EXPECT_NE(GetFileAttributesW(Wide(DocumentsBackupFolder()).c_str()), INVALID_FILE_ATTRIBUTES);
  std::vector<std::uint8_t> expected(std::begin(kUtf8Mark), std::end(kUtf8Mark));
  AppendUtf8(expected, text);
  EXPECT_EQ(lz::test::ReadFileBytes(target.path() / "a.lzconfig.txt"), expected);
  EXPECT_EQ(lz::test::ReadFileBytes(target.path() / "b.doc.txt"), expected);
  EXPECT_EQ(Frequency(), 0u);
  // The only box is the question when the run closes the editor with its edit unsaved.
  ASSERT_EQ(boxes_.count(), 1u);
  EXPECT_EQ(boxes_.last().text, kSaveChangesText);
}

TEST_F(AdvancedSettingsTest, ABackupThatCannotBeWrittenIsReported) {
  chooser_.paths = {u"Z:\\no\\such\\folder\\x.txt"};
  RunEditor([&](Editor& e) { e.Command(IDC_ADVANCED_TEXT_BACKUP); });
  ASSERT_EQ(boxes_.count(), 1u);
  EXPECT_EQ(boxes_.last().text, kBackupNotWrittenText);
  EXPECT_EQ(boxes_.last().caption, u"配置程序");
}

TEST_F(AdvancedSettingsTest, ARestoreAppliesAtOnceAndAFileWithoutSectionsChangesNothing) {
  lz::test::TempFolder source;
  const std::u16string restored = u"[-IME设置-]\r\n词频调整=逐渐调整\r\n候选列表显示个数=3\r\n";
  lz::test::WriteFileBytes(source.path() / "good.txt", lz::test::Utf8FileBytes(restored, true));
  lz::test::WriteFileBytes(source.path() / "wrong.txt", lz::test::Utf8FileBytes(u"词频调整=一次到顶\r\n", true));
  chooser_.paths = {source.File("wrong.txt"), source.File("good.txt")};
  std::u16string after_wrong, after_good;
  bool save_enabled = true;
  std::uint32_t frequency_between = 99;
  RunEditor([&](Editor& e) {
    const std::u16string before = e.Text();
    e.Command(IDC_ADVANCED_TEXT_RESTORE);
    after_wrong = e.Text() == before ? u"unchanged" : e.Text();
    frequency_between = Frequency();
    e.Command(IDC_ADVANCED_TEXT_RESTORE);
    after_good = e.Text();
    save_enabled = e.SaveEnabled();
  });
  ASSERT_EQ(chooser_.requests.size(), 2u);
  EXPECT_FALSE(chooser_.requests[0].save);
  EXPECT_EQ(chooser_.requests[0].title, u"导入备份文件...");
  EXPECT_EQ(chooser_.requests[0].start_folder, DocumentsBackupFolder());
  EXPECT_EQ(after_wrong, u"unchanged");
  EXPECT_EQ(frequency_between, 0u);
  ASSERT_GE(boxes_.count(), 1u);
  EXPECT_EQ(boxes_.shown[0].text, kNoSettingsSectionsText);
  EXPECT_EQ(boxes_.shown[0].caption, u"配置程序");
  EXPECT_EQ(after_good, restored);
  EXPECT_FALSE(save_enabled);
  EXPECT_EQ(Frequency(), ime_block::kFrequencyGradual);
  EXPECT_EQ(BlockU32(Reopened().blocks.ime, ime_block::kCandidateOptions) >> ime_block::kPageSizeShift, 3u);
  // A text of only the IME section keeps the bindings, rules and punctuation that it does not name.
  const std::u16string now = ExportNow();
  EXPECT_NE(now.find(u" =首选上屏,"), std::u16string::npos);
  EXPECT_NE(now.find(u"P2=L1F1"), std::u16string::npos);
  EXPECT_NE(now.find(u",=，"), std::u16string::npos);
}

struct DescendantSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchDescendant(HWND child, LPARAM context) {
  auto* search = reinterpret_cast<DescendantSearch*>(context);
  if (GetDlgCtrlID(child) == search->id && !search->found) search->found = child;
  return TRUE;
}

// Finds the control with this id anywhere below window.
HWND FindDescendant(HWND window, int id) {
  DescendantSearch search{id, nullptr};
  EnumChildWindows(window, MatchDescendant, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

TEST_F(AdvancedSettingsTest, TheAdvancedPageButtonHidesTheMainWindowUntilTheEditorCloses) {
  std::atomic<bool> main_hidden{false}, main_back{false}, editor_seen{false};
  std::thread driver([&] {
    HWND main = nullptr;
    for (int tries = 0; tries < 500 && !main; ++tries) {
      main = FindWindowW(L"#32770", L"使用设置 - 兰卓测试");
      Sleep(20);
    }
    if (!main) return;
    Sleep(200);
    HWND button = FindDescendant(main, IDC_ADVANCED_TEXT_MODE);
    if (!button) return;
    PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(IDC_ADVANCED_TEXT_MODE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    Editor editor;
    if (WaitForEditor(editor)) {
      editor_seen = true;
      main_hidden = !IsWindowVisible(main);
      PostMessageW(editor.dialog, WM_COMMAND, IDCANCEL, 0);
      WaitGone(editor.dialog);
      Sleep(100);
      main_back = IsWindowVisible(main) != 0;
    }
    PostMessageW(main, WM_COMMAND, IDOK, 0);
  });
  const std::u16string line = u"/n " + folder_->class_id() + u" /do gaoji";
  RunConfig(GetModuleHandleW(nullptr), reinterpret_cast<const wchar_t*>(line.c_str()));
  driver.join();
  EXPECT_TRUE(editor_seen);
  EXPECT_TRUE(main_hidden);
  EXPECT_TRUE(main_back);
}

}  // namespace
}  // namespace lz::config
