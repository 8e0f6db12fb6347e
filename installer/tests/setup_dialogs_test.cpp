// The installer's dialogs driven by window messages inside their own modal loops: the wizard's agreement,
// folder and install request with its checks and boxes, the install job on its worker thread, the
// agreement page's address, and the repair and uninstall dialogs around their jobs.
#include "installer/setup_dialogs_win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "installer/payload_file.h"
#include "installer/startup_host_win32.h"
#include "platform/os/message_box.h"
#include "platform/os/native_path.h"
#include "platform/zip/zip_writer.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/block_fields.h"

namespace lz::installer {
namespace {

using os::U16Ptr;
using os::WidePtr;

constexpr char16_t kId[] = u"{6F0A2C51-93B4-4E7D-8A1C-5B2E7D90C3F4}";
constexpr char16_t kName[] = u"测试输入法";
constexpr char16_t kFolderName[] = u"TestIme";
constexpr UINT kStep = WM_APP + 0x300;

// ---- driving a modal dialog

// Steps run one after the other inside the dialog's modal loop (and inside loops it opens); a step that
// returns false is tried again once the loop has seen its timers and waiting messages (a thread timer
// brings it back: posted messages would keep the loop from ever generating WM_TIMER), so a step can wait
// for a state.
struct Driver {
  dialogs::Dialog* dialog = nullptr;
  std::vector<std::function<bool(HWND)>> steps;
  std::size_t next = 0;
};

constexpr UINT kRetryMs = 10;

void CALLBACK RetryStep(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  PostThreadMessageW(GetCurrentThreadId(), kStep, 0, 0);
}

bool RunStep(MSG& message, void* context) {
  if (message.hwnd || message.message != kStep) return false;
  auto* driver = static_cast<Driver*>(context);
  if (driver->next >= driver->steps.size()) return true;
  const std::size_t at = driver->next++;
  // Posted first: a step may open a nested loop, which then runs the steps after it.
  PostThreadMessageW(GetCurrentThreadId(), kStep, 0, 0);
  if (!driver->steps[at](driver->dialog->window())) {
    driver->next = at;
    MSG posted;
    while (PeekMessageW(&posted, nullptr, kStep, kStep, PM_REMOVE)) {
    }
    SetTimer(nullptr, 0, kRetryMs, RetryStep);
  }
  return true;
}

INT_PTR Drive(dialogs::Dialog& dialog, std::vector<std::function<bool(HWND)>> steps) {
  Driver driver{&dialog, std::move(steps)};
  dialogs::SetPreTranslateHook(RunStep, &driver);
  PostThreadMessageW(GetCurrentThreadId(), kStep, 0, 0);
  const INT_PTR result = dialog.RunModal(nullptr);
  dialogs::SetPreTranslateHook(nullptr, nullptr);
  // Steps left over from a loop that ended early.
  MSG message;
  while (PeekMessageW(&message, nullptr, kStep, kStep, PM_REMOVE)) {
  }
  return result;
}

std::u16string Text(HWND window) {
  wchar_t text[4096] = {};
  GetWindowTextW(window, text, 4096);
  return U16Ptr(text);
}

std::u16string ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }
bool Visible(HWND dialog, int id) { return (GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0; }
bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void Click(HWND dialog, int id) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void ClickRadio(HWND dialog, int id) {
  CheckRadioButton(dialog, IDC_STAVEL_ACCEPT, IDC_STAVEL_REJECT, id);
  Click(dialog, id);
}

// The dialog a wizard has open over it (the agreement page): a visible window of this thread it owns.
struct OwnedSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK FindOwned(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<OwnedSearch*>(context);
  if (GetWindow(window, GW_OWNER) != search->owner || !IsWindowVisible(window)) return TRUE;
  search->found = window;
  return FALSE;
}

HWND OpenOver(HWND owner) {
  OwnedSearch search{owner, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FindOwned, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// ---- boxes

struct Boxes {
  std::vector<os::MessageBoxRequest> shown;
  int answer = os::kAnswerNo;
};

int Answer(const os::MessageBoxRequest& request, void* context) {
  auto* boxes = static_cast<Boxes*>(context);
  boxes->shown.push_back(request);
  return boxes->answer;
}

// ---- fixture

class SetupDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::SetMessageBoxResponder(Answer, &boxes_);
    WriteFieldText(state_.Soft(), soft_block::kDisplayName, 64, kName);
    WriteFieldText(state_.Soft(), soft_block::kImeName, 64, u"lztestdlg");
    WriteFieldText(state_.Soft(), soft_block::kDefaultFolderName, 64, kFolderName);
    state_.Soft().WriteU32(soft_block::kDataVersion, 7);
    std::u16string(kId).copy(state_.class_identifier, std::size(kId) - 1);
    state_.zipdatas_folder = folder_.path().u16string();
  }
  void TearDown() override { os::SetMessageBoxResponder(nullptr, nullptr); }

  std::u16string ProgramFiles() {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, path);
    return U16Ptr(path);
  }

  SetupState state_;
  Boxes boxes_;
  test::TempFolder folder_;
  StartupHostWin32 host_{state_};
};

class RecordingBrowser : public AgreementBrowser {
 public:
  void Show(HWND frame, const std::u16string& address) override {
    frame_id = GetDlgCtrlID(frame);
    addresses.push_back(address);
  }
  int frame_id = 0;
  std::vector<std::u16string> addresses;
};

// ---- the wizard

TEST_F(SetupDialogsTest, TheWizardProposesTheFolderAndWaitsForTheAgreement) {
  RecordingBrowser browser;
  InstallWizard wizard(GetModuleHandleW(nullptr), state_, RealWizardActions(state_, host_, GetModuleHandleW(nullptr), browser));
  std::vector<bool> install_enabled;
  const INT_PTR result = Drive(wizard, {
      [&](HWND w) {
        EXPECT_EQ(Text(w), u"测试输入法 安装向导");
        EXPECT_EQ(ItemText(w, IDC_STAVEL_FOLDER), ProgramFiles() + u"\\TestIme\\");
        EXPECT_EQ(ItemText(w, IDOK), u"安装(&S)");
        EXPECT_TRUE(Checked(w, IDC_STAVEL_REJECT));
        EXPECT_TRUE(Visible(w, IDC_STAVEL_AGREEMENT_LINK));
        EXPECT_FALSE(Visible(w, IDC_STAVEL_LOG));
        install_enabled.push_back(Enabled(w, IDOK));
        ClickRadio(w, IDC_STAVEL_ACCEPT);
        install_enabled.push_back(Enabled(w, IDOK));
        ClickRadio(w, IDC_STAVEL_REJECT);
        install_enabled.push_back(Enabled(w, IDOK));
        // Enter on a disabled install button does nothing.
        Click(w, IDOK);
        EXPECT_EQ(wizard.banner(), BannerState::kWaiting);
        return true;
      },
      [&](HWND w) {
        Click(w, IDCANCEL);
        return true;
      },
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(install_enabled, (std::vector<bool>{false, true, false}));
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(SetupDialogsTest, AnAgreementAcceptedAtTheStartIsNotAskedAgain) {
  state_.Soft().WriteU8(soft_block::kShowAgreement, 1);
  RecordingBrowser browser;
  InstallWizard wizard(GetModuleHandleW(nullptr), state_, RealWizardActions(state_, host_, GetModuleHandleW(nullptr), browser));
  Drive(wizard, {[&](HWND w) {
    EXPECT_FALSE(Visible(w, IDC_STAVEL_AGREEMENT_LINK));
    EXPECT_FALSE(Visible(w, IDC_STAVEL_ACCEPT));
    EXPECT_FALSE(Visible(w, IDC_STAVEL_REJECT));
    EXPECT_TRUE(Checked(w, IDC_STAVEL_ACCEPT));
    EXPECT_TRUE(Enabled(w, IDOK));
    Click(w, IDCANCEL);
    return true;
  }});
}

struct AgreementCase {
  bool license_file;
  int answer;  // the page's button
  bool accepted;
  std::u16string address;  // after the zipdatas folder
};

TEST_F(SetupDialogsTest, TheAgreementPageShowsItsAddressAndItsAnswerSetsTheRadios) {
  const AgreementCase cases[] = {
      {true, IDOK, true, u"\\License.html"},
      {true, IDCANCEL, false, u"\\License.html"},
      {false, IDOK, true, u"\\main.chm::/License.html"},
  };
  for (const AgreementCase& c : cases) {
    const std::filesystem::path license = folder_.path() / "License.html";
    std::filesystem::remove(license);
    if (c.license_file) test::WriteFileBytes(license, {'<', 'p', '>'});
    RecordingBrowser browser;
    InstallWizard wizard(GetModuleHandleW(nullptr), state_, RealWizardActions(state_, host_, GetModuleHandleW(nullptr), browser));
    std::u16string page_title;
    bool accepted = false, enabled = false;
    Drive(wizard, {
        [&](HWND w) {
          Click(w, IDC_STAVEL_AGREEMENT_LINK);  // runs the page's loop, which runs the next step
          accepted = Checked(w, IDC_STAVEL_ACCEPT);
          enabled = Enabled(w, IDOK);
          return true;
        },
        [&](HWND w) {
          const HWND page = OpenOver(w);
          if (!page) return false;
          page_title = Text(page);
          PostMessageW(page, WM_COMMAND, c.answer, 0);
          return true;
        },
        [&](HWND w) {
          Click(w, IDCANCEL);
          return true;
        },
    });
    const std::u16string expected =
        (c.license_file ? u"" : u"mk:@MSITStore:") + folder_.path().u16string() + c.address;
    EXPECT_EQ(browser.addresses, std::vector<std::u16string>{expected});
    EXPECT_EQ(browser.frame_id, IDC_STAVEL_BROWSER);
    EXPECT_EQ(page_title, u"测试输入法 - 最终用户许可协议");
    EXPECT_EQ(accepted, c.accepted);
    EXPECT_EQ(enabled, c.accepted);
  }
}

struct NavigationLog : dialogs::WebViewListener {
  void OnBeforeNavigate(std::wstring_view address) override { addresses.emplace_back(address); }
  std::vector<std::wstring> addresses;
};

TEST_F(SetupDialogsTest, TheAgreementPageNavigatesTheSystemsWebControlInPlaceOfItsFrame) {
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  test::WriteFileBytes(folder_.path() / "License.html", {'<', 'p', '>'});
  NavigationLog navigations;
  {
    const std::unique_ptr<AgreementBrowser> browser = MakeAgreementBrowser(&navigations);
    AgreementDialog page(GetModuleHandleW(nullptr), state_, *browser);
    HWND control = nullptr, frame_parent = nullptr;
    wchar_t control_class[64] = {};
    const INT_PTR result = Drive(page, {[&](HWND w) {
      control = GetDlgItem(w, IDC_STAVEL_BROWSER);
      GetClassNameW(control, control_class, 64);
      frame_parent = GetParent(control);
      Click(w, IDOK);
      return true;
    }});
    EXPECT_EQ(result, IDOK);
    EXPECT_NE(control, nullptr);
    EXPECT_NE(std::wstring(control_class), L"Static");
    EXPECT_NE(frame_parent, nullptr);
  }
  OleUninitialize();
  const std::u16string expected = folder_.path().u16string() + u"\\License.html";
  ASSERT_FALSE(navigations.addresses.empty());
  EXPECT_EQ(navigations.addresses.front(), std::wstring(expected.begin(), expected.end()));
}

TEST_F(SetupDialogsTest, AChosenFolderGetsTheProductsFolderName) {
  struct Case {
    bool chosen;
    std::u16string folder;
    std::u16string shown;  // empty: unchanged
  };
  const Case cases[] = {
      {true, u"D:\\Tools", u"D:\\Tools\\TestIme\\"},
      {true, u"D:\\Tools\\", u"D:\\Tools\\TestIme\\"},
      {false, u"", u""},
  };
  for (const Case& c : cases) {
    RecordingBrowser browser;
    WizardActions actions = RealWizardActions(state_, host_, GetModuleHandleW(nullptr), browser);
    std::u16string started_at;
    actions.choose_folder = [&](HWND, const std::u16string& start, std::u16string& chosen) {
      started_at = start;
      chosen = c.folder;
      return c.chosen;
    };
    InstallWizard wizard(GetModuleHandleW(nullptr), state_, actions);
    std::u16string shown;
    Drive(wizard, {[&](HWND w) {
      Click(w, IDC_STAVEL_BROWSE);
      shown = ItemText(w, IDC_STAVEL_FOLDER);
      Click(w, IDCANCEL);
      return true;
    }});
    EXPECT_EQ(started_at, ProgramFiles() + u"\\TestIme\\");
    EXPECT_EQ(shown, c.shown.empty() ? started_at : c.shown);
  }
}

TEST_F(SetupDialogsTest, TheInstallRequestRefusesWithItsBoxAndStaysOnThePage) {
  struct Case {
    std::u16string folder;
    bool restart_marker;
    std::u16string box;
  };
  const Case cases[] = {
      {u"", false, u"请指定正确的安装目录。"},
      {u"C:\\Tools\\", true, u"安装程序无法继续，您必须在重新启动计算机后才能执行此操作。"},
  };
  wchar_t data[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, data);
  const std::filesystem::path marker_folder = std::filesystem::path(data) / "LanzoIME4";
  const std::filesystem::path marker = marker_folder / (std::filesystem::path(std::u16string(kId)).string() + ".lock");
  for (const Case& c : cases) {
    boxes_.shown.clear();
    std::filesystem::create_directories(marker_folder);
    std::filesystem::remove(marker);
    if (c.restart_marker) test::WriteFileBytes(marker, {});
    RecordingBrowser browser;
    WizardActions actions = RealWizardActions(state_, host_, GetModuleHandleW(nullptr), browser);
    bool installed = false;
    actions.install = [&](const std::u16string&, JobLog&) { return installed = true; };
    InstallWizard wizard(GetModuleHandleW(nullptr), state_, actions);
    Drive(wizard, {[&](HWND w) {
      SetWindowTextW(GetDlgItem(w, IDC_STAVEL_FOLDER), WidePtr(c.folder.c_str()));
      ClickRadio(w, IDC_STAVEL_ACCEPT);
      Click(w, IDOK);
      EXPECT_EQ(ItemText(w, IDOK), u"安装(&S)");
      EXPECT_TRUE(Visible(w, IDC_STAVEL_FOLDER));
      EXPECT_EQ(wizard.banner(), BannerState::kWaiting);
      Click(w, IDCANCEL);
      return true;
    }});
    std::filesystem::remove(marker);
    EXPECT_FALSE(installed);
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].text, c.box);
    EXPECT_EQ(boxes_.shown[0].caption, u"输入法安装");
    EXPECT_EQ(boxes_.shown[0].style, static_cast<std::uint32_t>(MB_ICONERROR));
  }
}

// The install job stands in: it writes its lines, then (when asked) waits for the test to let it end.
struct JobStandIn {
  bool result = true;
  HANDLE release = nullptr;
  std::atomic<bool> running{false};
  std::u16string folder;
  HRESULT com = E_FAIL;
  DWORD thread = 0;
  bool Run(const std::u16string& to, JobLog& log) {
    folder = to;
    thread = GetCurrentThreadId();
    // COM is already initialised on the worker thread: another apartment-threaded start only counts up.
    com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(com)) CoUninitialize();
    log.Line(0, u"请稍候安装完成....\r\n");
    log.Line(10, u"  1.创建文件系统....");
    running = true;
    if (release) WaitForSingleObject(release, INFINITE);
    log.Line(100, u"  8.安装完成。\r\n");
    return result;
  }
};

TEST_F(SetupDialogsTest, TheInstallRunsOnItsWorkerThreadAndCannotBeClosedMeanwhile) {
  for (const bool succeeds : {true, false}) {
    RecordingBrowser browser;
    WizardActions actions = RealWizardActions(state_, host_, GetModuleHandleW(nullptr), browser);
    JobStandIn job;
    job.result = succeeds;
    job.release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    actions.install = [&](const std::u16string& folder, JobLog& log) { return job.Run(folder, log); };
    std::u16string checked;
    actions.check = [&](const std::u16string& folder) {
      checked = folder;
      return true;
    };
    InstallWizard wizard(GetModuleHandleW(nullptr), state_, actions);
    std::u16string log_text;
    const INT_PTR result = Drive(wizard, {
        [&](HWND w) {
          SetWindowTextW(GetDlgItem(w, IDC_STAVEL_FOLDER), L"C:\\Tools\\");
          ClickRadio(w, IDC_STAVEL_ACCEPT);
          Click(w, IDOK);
          return true;
        },
        [&](HWND) { return job.running.load(); },
        [&](HWND w) {
          EXPECT_TRUE(wizard.busy());
          EXPECT_EQ(wizard.banner(), BannerState::kRunning);
          EXPECT_TRUE(Visible(w, IDC_STAVEL_PROGRESS));
          EXPECT_TRUE(Visible(w, IDC_STAVEL_LOG));
          EXPECT_FALSE(Enabled(w, IDC_STAVEL_LOG));
          EXPECT_FALSE(Visible(w, IDC_STAVEL_FOLDER));
          EXPECT_FALSE(Visible(w, IDC_STAVEL_ACCEPT));
          EXPECT_FALSE(Enabled(w, IDOK));
          EXPECT_EQ(SendMessageW(GetDlgItem(w, IDC_STAVEL_PROGRESS), PBM_GETPOS, 0, 0), 10);
          // Neither Cancel nor the install button closes the dialog while the job runs.
          Click(w, IDCANCEL);
          Click(w, IDOK);
          SetEvent(job.release);
          return true;
        },
        [&](HWND w) { return ItemText(w, IDOK) == u"完成(&O)"; },
        [&](HWND w) {
          EXPECT_FALSE(wizard.busy());
          EXPECT_EQ(wizard.banner(), succeeds ? BannerState::kDone : BannerState::kFailed);
          EXPECT_TRUE(Enabled(w, IDOK));
          EXPECT_FALSE(Visible(w, IDC_STAVEL_PROGRESS));
          EXPECT_TRUE(Enabled(w, IDC_STAVEL_LOG));
          log_text = ItemText(w, IDC_STAVEL_LOG);
          Click(w, IDOK);
          return true;
        },
    });
    CloseHandle(job.release);
    EXPECT_EQ(result, succeeds ? IDOK : IDCANCEL);
    EXPECT_EQ(checked, u"C:\\Tools\\");
    EXPECT_EQ(job.folder, u"C:\\Tools\\");
    EXPECT_NE(job.thread, GetCurrentThreadId());
    EXPECT_EQ(job.com, S_FALSE);
    EXPECT_EQ(log_text, u"请稍候安装完成....\r\n\r\n  1.创建文件系统....\r\n  8.安装完成。\r\n\r\n");
  }
}

TEST_F(SetupDialogsTest, ASilentWizardInstallsWithoutAClick) {
  state_.silent = true;
  RecordingBrowser browser;
  WizardActions actions = RealWizardActions(state_, host_, GetModuleHandleW(nullptr), browser);
  JobStandIn job;
  actions.install = [&](const std::u16string& folder, JobLog& log) { return job.Run(folder, log); };
  actions.check = [](const std::u16string&) { return true; };
  InstallWizard wizard(GetModuleHandleW(nullptr), state_, actions);
  const INT_PTR result = Drive(wizard, {
      [&](HWND w) { return ItemText(w, IDOK) == u"完成(&O)"; },
      [&](HWND w) {
        EXPECT_TRUE(Checked(w, IDC_STAVEL_ACCEPT));
        Click(w, IDOK);
        return true;
      },
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(job.folder, ProgramFiles() + u"\\TestIme\\");
}

// ---- unpacking

struct ExtractCase {
  const char* what;
  std::vector<ZipMember> members;
  std::optional<std::uint32_t> broken_crc;  // the last member's CRC written wrong
  INT_PTR result;
  std::u16string line;
  int bar;
};

TEST_F(SetupDialogsTest, TheUnpackingDialogShowsEachMemberAndEndsByItsResult) {
  const ExtractCase cases[] = {
      {"folder first, then files", {{"$dataFiles$/", {}}, {"$dataFiles$/main.dmg", Bytes("table")},
                                    {"License.html", Bytes("<p>")}}, std::nullopt, IDOK, u"Completed.", 100},
      {"a broken member refuses the archive", {{"License.html", Bytes("<p>")}}, 1u, IDCANCEL, u"正在解开文件...", 0},
  };
  for (const ExtractCase& c : cases) {
    std::vector<ZipMember> members = c.members;
    if (c.broken_crc) members.back().crc = *c.broken_crc;
    const std::filesystem::path zip = folder_.path() / "makedata.zip";
    test::WriteFileBytes(zip, MakeZip(members));
    state_.temp_copy = true;  // works from the zip its starter left
    state_.payload_zip_path = zip.u16string();
    state_.zipdatas_folder = (folder_.path() / "zipdatas").u16string();
    std::vector<std::u16string> lines;
    ExtractDialog::Work work = [&](const UnpackProgress& progress) {
      UnpackProgress seen;
      seen.member = [&](const std::string& name, bool written, int percent) {
        progress.member(name, written, percent);
        lines.push_back(std::u16string(written ? u"Success: " : u"Failure: ") + std::u16string(name.begin(), name.end()));
      };
      return RunUnpack(state_, seen) == kDialogOk;
    };
    ExtractDialog dialog(GetModuleHandleW(nullptr), work);
    std::u16string line;
    int bar = -1;
    bool visible_at_start = false;
    const INT_PTR result = Drive(dialog, {
        [&](HWND w) {
          visible_at_start = IsWindowVisible(w) != FALSE;
          line = ItemText(w, IDC_STAVEL_EXTRACT_LINE);
          bar = static_cast<int>(SendMessageW(GetDlgItem(w, IDC_STAVEL_PROGRESS), PBM_GETPOS, 0, 0));
          return false;  // read again until the dialog ends
        },
    });
    EXPECT_EQ(result, c.result) << c.what;
    EXPECT_TRUE(visible_at_start) << c.what;
    EXPECT_EQ(line, c.line) << c.what;
    EXPECT_EQ(bar, c.bar) << c.what;
    if (c.result == IDOK) {
      EXPECT_EQ(lines, (std::vector<std::u16string>{u"Success: $dataFiles$/", u"Success: $dataFiles$/main.dmg",
                                                    u"Success: License.html"}));
      EXPECT_TRUE(std::filesystem::exists(folder_.path() / "zipdatas" / "$dataFiles$" / "main.dmg")) << c.what;
    } else {
      EXPECT_TRUE(lines.empty()) << c.what;
      EXPECT_FALSE(std::filesystem::exists(folder_.path() / "zipdatas")) << c.what;
    }
  }
}

TEST_F(SetupDialogsTest, TheStubsUnpackingDialogCarvesItsOwnFileFirst) {
  wchar_t own[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, own, MAX_PATH);
  std::vector<std::uint8_t> program = test::ReadFileBytes(own);
  ASSERT_EQ(AppendPayload(program, MakeZip({{"$dataFiles$/config.dsc", Bytes("blocks")},
                                            {"License.html", Bytes("<p>licence</p>")}})),
            PayloadWrite::kWritten);
  const std::filesystem::path stub = folder_.path() / "setup.exe";
  test::WriteFileBytes(stub, program);
  state_.temp_copy = false;
  state_.own_path = stub.u16string();
  state_.payload_zip_path = (folder_.path() / "makedata.zip").u16string();
  state_.zipdatas_folder = (folder_.path() / "zipdatas").u16string();
  ExtractDialog dialog(GetModuleHandleW(nullptr), RealExtractWork(state_));
  EXPECT_EQ(Drive(dialog, {}), IDOK);
  EXPECT_EQ(test::ReadFileBytes(folder_.path() / "zipdatas" / "License.html"), Bytes("<p>licence</p>"));
}

// ---- repair and uninstall

struct JobRun {
  bool result = true;
  int runs = 0;
  HWND dialog = nullptr;
  JobDialog::Job Job() {
    return [this](JobLog& log, HWND window) {
      ++runs;
      dialog = window;
      log.Line(0, u"请稍候修复完成....\r\n");
      log.Line(40, u"  3.修复软件运行环境...");
      return result;
    };
  }
};

TEST_F(SetupDialogsTest, RepairWithoutItsPayloadCopySaysSoAndEndsAsFailed) {
  state_.install_location = folder_.path().u16string() + u"\\";
  JobRun job;
  RepairDialog dialog(GetModuleHandleW(nullptr), state_, job.Job());
  EXPECT_EQ(Drive(dialog, {}), IDCANCEL);
  EXPECT_EQ(job.runs, 0);
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].text, u"安装数据文件不存在或者已经损坏,修复程序无法运行.");
  EXPECT_EQ(boxes_.shown[0].caption, u"无法执行的操作");
}

TEST_F(SetupDialogsTest, RepairAndUninstallRunTheirJobOnTheirButtonThenFinish) {
  state_.install_location = folder_.path().u16string() + u"\\";
  test::WriteFileBytes(folder_.path() / "_backup_.dat", {'P', 'K'});
  struct Case {
    bool repair;
    bool succeeds;
    std::u16string title;
    std::u16string button;
    INT_PTR result;
  };
  const Case cases[] = {
      {true, true, u"测试输入法 - 修复程序", u"修复(&R)", IDOK},
      {true, false, u"测试输入法 - 修复程序", u"修复(&R)", IDCANCEL},
      {false, true, u"测试输入法 - 卸载程序", u"卸载(&U)", IDOK},
  };
  for (const Case& c : cases) {
    JobRun job;
    job.result = c.succeeds;
    RepairDialog repair(GetModuleHandleW(nullptr), state_, job.Job());
    UninstallDialog uninstall(GetModuleHandleW(nullptr), state_, job.Job());
    JobDialog& dialog = c.repair ? static_cast<JobDialog&>(repair) : uninstall;
    std::u16string title, button, log_text;
    HWND window = nullptr;
    const INT_PTR result = Drive(dialog, {[&](HWND w) {
      window = w;
      title = Text(w);
      button = ItemText(w, IDOK);
      EXPECT_FALSE(Visible(w, IDC_STAVEL_PROGRESS));
      EXPECT_EQ(dialog.banner(), BannerState::kWaiting);
      Click(w, IDOK);
      EXPECT_EQ(ItemText(w, IDOK), u"完成(&O)");
      EXPECT_EQ(dialog.banner(), BannerState::kDone);
      EXPECT_FALSE(Visible(w, IDC_STAVEL_PROGRESS));
      EXPECT_EQ(SendMessageW(GetDlgItem(w, IDC_STAVEL_PROGRESS), PBM_GETPOS, 0, 0), 40);
      log_text = ItemText(w, IDC_STAVEL_LOG);
      Click(w, IDOK);
      return true;
    }});
    EXPECT_EQ(title, c.title);
    EXPECT_EQ(button, c.button);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(job.runs, 1);
    EXPECT_EQ(job.dialog, window);
    EXPECT_EQ(log_text, u"请稍候修复完成....\r\n\r\n  3.修复软件运行环境...\r\n");
  }
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(SetupDialogsTest, ASilentUninstallRunsAtOnce) {
  state_.silent = true;
  JobRun job;
  UninstallDialog dialog(GetModuleHandleW(nullptr), state_, job.Job());
  const INT_PTR result = Drive(dialog, {
      [&](HWND w) { return ItemText(w, IDOK) == u"完成(&O)"; },
      [&](HWND w) {
        Click(w, IDOK);
        return true;
      },
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(job.runs, 1);
}

TEST_F(SetupDialogsTest, TheUninstallJobWritesItsStepsIntoTheDialogsLog) {
  // Nothing of this identity is installed: every step does what it can and the job ends.
  UninstallDialog dialog(GetModuleHandleW(nullptr), state_, RealUninstallJob(state_));
  std::u16string log_text;
  const INT_PTR result = Drive(dialog, {[&](HWND w) {
    Click(w, IDOK);
    log_text = ItemText(w, IDC_STAVEL_LOG);
    Click(w, IDOK);
    return true;
  }});
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(log_text.substr(0, log_text.find(u"  4.")),
            u"请稍候卸载完成...\r\n\r\n  1.卸载输入接口...\r\n  * 备份用户词库....\r\n  2.删除语言栏项目...\r\n"
            u"  3.删除文件系统...\r\n");
  EXPECT_NE(log_text.find(u"  7.卸载完成。\r\n"), std::u16string::npos);
}

TEST_F(SetupDialogsTest, TheBackupIsOfferedWithTheFileAndANoStartsNothing) {
  OfferToShowBackup(nullptr, kCaptionRepairBackup, u"C:\\Users\\x\\导出 - 用户词条(2026.1.2).txt");
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].text, u"用户词已经备份在 [ C:\\Users\\x\\导出 - 用户词条(2026.1.2).txt ] 中，是否现在查看?");
  EXPECT_EQ(boxes_.shown[0].caption, u"是否备份用户词后执行修复操作？");
  EXPECT_EQ(boxes_.shown[0].style, static_cast<std::uint32_t>(MB_YESNO | MB_ICONQUESTION));
}

}  // namespace
}  // namespace lz::installer
