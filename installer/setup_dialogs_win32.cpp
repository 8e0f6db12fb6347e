#include "installer/setup_dialogs_win32.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>

#include "installer/payload_file.h"
#include "platform/os/message_box.h"
#include "platform/os/native_path.h"
#include "textservice/engine/block_fields.h"

namespace lz::installer {
namespace {

using os::U16Ptr;
using os::WidePtr;

constexpr char16_t kButtonInstall[] = u"安装(&S)";
constexpr char16_t kButtonFinish[] = u"完成(&O)";
constexpr char16_t kButtonRepair[] = u"修复(&R)";
constexpr char16_t kButtonUninstall[] = u"卸载(&U)";
constexpr char16_t kAgreementLinkText[] = u"查看许可协议(L)";
constexpr char16_t kChooseFolderTitle[] = u"请选择安装目录...";
constexpr char16_t kLineNoCom[] = u"COM初始化错误，操作无法继续";
constexpr wchar_t kBannerFontName[] = L"宋体";
constexpr int kBannerFontPixels = 12;
constexpr int kBannerIconPixels = 48;
constexpr int kBannerIconFromRight = 70;
constexpr int kBannerIconTop = 6;
constexpr POINT kWelcomeAt{30, 10};
constexpr POINT kWizardLineAt{55, 35};
constexpr POINT kJobLineAt{30, 22};
constexpr POINT kLinkTextAt{5, 2};
constexpr COLORREF kLinkColour = RGB(0, 100, 0);
constexpr int kFolderUnits = MAX_PATH;
// Wide enough for every soft-block text the dialogs show.
constexpr std::uint32_t kNameUnits = 64;

std::u16string ControlText(HWND control, int units) {
  std::u16string text(static_cast<std::size_t>(units) + 1, u'\0');
  const int got = GetWindowTextW(control, WidePtr(text.data()), units + 1);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}

void SetText(HWND window, const std::u16string& text) { SetWindowTextW(window, WidePtr(text.c_str())); }

std::u16string DisplayNameOf(SetupState& state) {
  return ReadFieldText(state.Soft(), soft_block::kDisplayName, kNameUnits);
}

HICON LoadIconSized(HINSTANCE module, int id, int pixels) {
  return static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, pixels, pixels, 0));
}

void SetDialogIcons(HWND dialog, HINSTANCE module, int id) {
  const HICON big = LoadIconSized(module, id, GetSystemMetrics(SM_CXICON));
  const HICON small = LoadIconSized(module, id, GetSystemMetrics(SM_CXSMICON));
  if (big) SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (small) SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

HFONT BannerFont(int weight) {
  return CreateFontW(kBannerFontPixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, kBannerFontName);
}

void DrawTextAt(HDC dc, POINT at, const std::u16string& text, int weight) {
  const HFONT font = BannerFont(weight);
  const HGDIOBJ old = SelectObject(dc, font);
  TextOutW(dc, at.x, at.y, WidePtr(text.c_str()), static_cast<int>(text.size()));
  SelectObject(dc, old);
  DeleteObject(font);
}

// White, the job's icon near the right edge; the caller writes the lines.
void PaintBannerGround(const DRAWITEMSTRUCT& item, HICON icon) {
  FillRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  if (icon) {
    DrawIconEx(item.hDC, item.rcItem.right - kBannerIconFromRight, item.rcItem.top + kBannerIconTop, icon,
               kBannerIconPixels, kBannerIconPixels, 0, nullptr, DI_NORMAL);
  }
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, RGB(0, 0, 0));
}

void Redraw(HWND control) {
  InvalidateRect(control, nullptr, TRUE);
  UpdateWindow(control);
}

void Show(HWND dialog, std::initializer_list<int> ids, bool show) {
  for (int id : ids) ShowWindow(GetDlgItem(dialog, id), show ? SW_SHOW : SW_HIDE);
}

bool FileReadable(const std::u16string& path) {
  const HANDLE file = CreateFileW(WidePtr(path.c_str()), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

int CALLBACK ChooserStart(HWND chooser, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED && start) SendMessageW(chooser, BFFM_SETSELECTIONW, TRUE, start);
  return 0;
}

bool ChooseFolder(HWND owner, const std::u16string& start, std::u16string& chosen) {
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.lpszTitle = WidePtr(kChooseFolderTitle);
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = ChooserStart;
  info.lParam = reinterpret_cast<LPARAM>(start.c_str());
  PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info);
  if (!list) return false;
  wchar_t path[MAX_PATH] = {};
  const bool got = SHGetPathFromIDListW(list, path) && path[0];
  CoTaskMemFree(list);
  if (got) chosen = U16Ptr(path);
  return got;
}

}  // namespace

void DialogJobLog::Line(int position, const std::u16string& text) {
  if (progress_) SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  if (!log_ || text.empty()) return;
  const std::u16string line = text + u"\r\n";
  const int end = GetWindowTextLengthW(log_);
  SendMessageW(log_, EM_SETSEL, end, end);
  SendMessageW(log_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
  SendMessageW(log_, EM_SCROLLCARET, 0, 0);
}

void OfferToShowBackup(HWND owner, const std::u16string& caption, const std::u16string& word_file) {
  if (os::ShowMessageBox(owner, ShowBackupQuestion(word_file).c_str(), caption.c_str(),
                         os::kBoxYesNo | os::kBoxIconQuestion) != os::kAnswerYes) {
    return;
  }
  const std::u16string parameters = u"/select,\"" + word_file + u"\"";
  ShellExecuteW(nullptr, L"open", L"Explorer.exe", WidePtr(parameters.c_str()), nullptr, SW_SHOWNORMAL);
}

// ---- agreement page

BOOL AgreementDialog::OnInitDialog() {
  SetDialogIcons(window(), GetModuleHandleW(nullptr), IDI_STAVEL_INSTALL);
  const std::u16string license = state_.zipdatas_folder + u"\\License.html";
  browser_.Show(Item(IDC_STAVEL_BROWSER), AgreementAddress(state_.zipdatas_folder, FileReadable(license)));
  SetText(window(), AgreementTitle(DisplayNameOf(state_)));
  return TRUE;
}

// ---- install wizard

InstallWizard::~InstallWizard() {
  WaitForWorker();
  if (icon_) DestroyIcon(icon_);
}

void InstallWizard::WaitForWorker() {
  if (!worker_) return;
  WaitForSingleObject(worker_, INFINITE);
  CloseHandle(worker_);
  worker_ = nullptr;
}

BOOL InstallWizard::OnInitDialog() {
  const HINSTANCE module = GetModuleHandleW(nullptr);
  SetDialogIcons(window(), module, IDI_STAVEL_INSTALL);
  icon_ = LoadIconSized(module, IDI_STAVEL_INSTALL, kBannerIconPixels);
  display_name_ = DisplayNameOf(state_);
  SetText(window(), WizardTitle(display_name_));
  SetText(Item(IDC_STAVEL_FOLDER), DefaultInstallFolder(state_));
  std::uint8_t agreement_shown = 0;
  state_.Soft().ReadU8(soft_block::kShowAgreement, agreement_shown);
  if (agreement_shown != 0) {
    // Accepted on its own page at the start: nothing left to accept here.
    Show(window(), {IDC_STAVEL_AGREEMENT_LINK, IDC_STAVEL_ACCEPT, IDC_STAVEL_REJECT}, false);
    SetAccepted(true);
  } else {
    SetAccepted(false);
  }
  SetText(Item(IDOK), kButtonInstall);
  if (state_.silent) {
    SetAccepted(true);
    PostMessageW(window(), WM_COMMAND, IDOK, 0);
  }
  return TRUE;
}

void InstallWizard::SetAccepted(bool accepted) {
  CheckRadioButton(window(), IDC_STAVEL_ACCEPT, IDC_STAVEL_REJECT, accepted ? IDC_STAVEL_ACCEPT : IDC_STAVEL_REJECT);
  EnableWindow(Item(IDOK), accepted);
}

bool InstallWizard::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case IDC_STAVEL_ACCEPT:
    case IDC_STAVEL_REJECT:
      if (code == BN_CLICKED) EnableWindow(Item(IDOK), id == IDC_STAVEL_ACCEPT);
      return true;
    case IDC_STAVEL_AGREEMENT_LINK:
      if (code == BN_CLICKED && actions_.run_agreement) SetAccepted(actions_.run_agreement(window()) == IDOK);
      return true;
    case IDC_STAVEL_BROWSE: {
      if (code != BN_CLICKED || !actions_.choose_folder) return true;
      std::u16string chosen;
      if (!actions_.choose_folder(window(), ControlText(Item(IDC_STAVEL_FOLDER), kFolderUnits), chosen)) return true;
      if (chosen.empty() || chosen.back() != u'\\') chosen += u'\\';
      chosen += ReadFieldText(state_.Soft(), soft_block::kDefaultFolderName, kNameUnits) + u"\\";
      SetText(Item(IDC_STAVEL_FOLDER), chosen);
      return true;
    }
    default:
      return Dialog::OnCommand(id, code, control);
  }
}

void InstallWizard::OnOk() {
  if (busy_ || !IsWindowEnabled(Item(IDOK))) return;
  if (ControlText(Item(IDOK), kFolderUnits) != kButtonInstall) {
    End(installed_ ? IDOK : IDCANCEL);
    return;
  }
  InstallRequest();
}

void InstallWizard::OnCancel() {
  if (!busy_) End(IDCANCEL);
}

void InstallWizard::OnDestroy() { WaitForWorker(); }

void InstallWizard::InstallRequest() {
  const std::u16string folder = ControlText(Item(IDC_STAVEL_FOLDER), kFolderUnits);
  if (actions_.check && !actions_.check(folder)) return;
  busy_ = true;
  banner_ = BannerState::kRunning;
  Redraw(Item(IDC_STAVEL_BANNER));
  EnableWindow(Item(IDOK), FALSE);
  folder_ = folder;
  Show(window(), {IDC_STAVEL_PROGRESS, IDC_STAVEL_LOG}, true);
  Show(window(),
       {IDC_STAVEL_FOLDER_GROUP, IDC_STAVEL_BROWSE, IDC_STAVEL_FOLDER, IDC_STAVEL_AGREEMENT_LINK, IDC_STAVEL_ACCEPT,
        IDC_STAVEL_REJECT},
       false);
  EnableWindow(Item(IDC_STAVEL_LOG), FALSE);
  worker_ = CreateThread(nullptr, 0, InstallThread, this, 0, nullptr);
  if (!worker_) InstallEnded(false);
}

DWORD WINAPI InstallWizard::InstallThread(void* context) {
  auto* self = static_cast<InstallWizard*>(context);
  DialogJobLog log(self->Item(IDC_STAVEL_PROGRESS), self->Item(IDC_STAVEL_LOG));
  bool installed = false;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    log.Line(0, kLineNoCom);
  } else {
    installed = self->actions_.install && self->actions_.install(self->folder_, log);
    CoUninitialize();
  }
  PostMessageW(self->window(), kInstallJobEnded, installed ? 1 : 0, 0);
  return 0;
}

void InstallWizard::InstallEnded(bool installed) {
  WaitForWorker();
  busy_ = false;
  installed_ = installed;
  banner_ = installed ? BannerState::kDone : BannerState::kFailed;
  SetText(Item(IDOK), kButtonFinish);
  EnableWindow(Item(IDOK), TRUE);
  Show(window(), {IDC_STAVEL_PROGRESS}, false);
  Redraw(Item(IDC_STAVEL_BANNER));
  EnableWindow(Item(IDC_STAVEL_LOG), TRUE);
}

bool InstallWizard::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (message) {
    case kInstallJobEnded:
      InstallEnded(wparam != 0);
      result = 0;
      return true;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (wparam == IDC_STAVEL_BANNER) {
        DrawBanner(item);
      } else if (wparam == IDC_STAVEL_AGREEMENT_LINK) {
        DrawAgreementLink(item);
      } else {
        return false;
      }
      result = TRUE;
      return true;
    }
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wparam) != Item(IDC_STAVEL_AGREEMENT_LINK)) return false;
      SetCursor(LoadCursorW(nullptr, IDC_HAND));
      result = TRUE;
      return true;
    default:
      return false;
  }
}

void InstallWizard::DrawBanner(const DRAWITEMSTRUCT& item) {
  PaintBannerGround(item, icon_);
  DrawTextAt(item.hDC, kWelcomeAt, WizardWelcome(display_name_), FW_BOLD);
  DrawTextAt(item.hDC, kWizardLineAt, WizardBannerLine(banner_, display_name_), FW_NORMAL);
}

void InstallWizard::DrawAgreementLink(const DRAWITEMSTRUCT& item) {
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, kLinkColour);
  const HGDIOBJ old = SelectObject(item.hDC, reinterpret_cast<HGDIOBJ>(SendMessageW(window(), WM_GETFONT, 0, 0)));
  const std::u16string text = kAgreementLinkText;
  TextOutW(item.hDC, item.rcItem.left + kLinkTextAt.x, item.rcItem.top + kLinkTextAt.y, WidePtr(text.c_str()),
           static_cast<int>(text.size()));
  SelectObject(item.hDC, old);
}

// ---- repair and uninstall

void JobDialog::SetIcons() {
  const HINSTANCE module = GetModuleHandleW(nullptr);
  SetDialogIcons(window(), module, IconId());
  icon_ = LoadIconSized(module, IconId(), kBannerIconPixels);
  display_name_ = DisplayNameOf(state_);
}

bool JobDialog::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  if (message == WM_DRAWITEM && wparam == IDC_STAVEL_BANNER) {
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
    PaintBannerGround(item, icon_);
    DrawTextAt(item.hDC, kJobLineAt, BannerLine(), FW_NORMAL);
    result = TRUE;
    return true;
  }
  if (message == WM_DESTROY && icon_) {
    DestroyIcon(icon_);
    icon_ = nullptr;
  }
  return false;
}

void JobDialog::OnOk() {
  if (done_) {
    End(succeeded_ ? IDOK : IDCANCEL);
    return;
  }
  RunJob();
}

void JobDialog::RunJob() {
  Show(window(), {IDC_STAVEL_PROGRESS}, true);
  DialogJobLog log(Item(IDC_STAVEL_PROGRESS), Item(IDC_STAVEL_LOG));
  banner_ = BannerState::kRunning;
  Redraw(Item(IDC_STAVEL_BANNER));
  succeeded_ = job_ && job_(log, window());
  banner_ = BannerState::kDone;
  Show(window(), {IDC_STAVEL_PROGRESS}, false);
  SetText(Item(IDOK), kButtonFinish);
  done_ = true;
  Redraw(Item(IDC_STAVEL_BANNER));
}

BOOL RepairDialog::OnInitDialog() {
  SetIcons();
  if (!FileReadable(state_.install_location + u"_backup_.dat")) {
    SetText(Item(IDOK), kButtonFinish);
    os::ShowMessageBox(window(), kTextRepairDataMissing, kCaptionCannotRun, kStyleError);
    // The run ends with exit code 1.
    End(IDCANCEL);
    return TRUE;
  }
  SetText(Item(IDOK), kButtonRepair);
  SetText(window(), RepairTitle(display_name_));
  return TRUE;
}

BOOL UninstallDialog::OnInitDialog() {
  SetIcons();
  SetText(window(), UninstallTitle(display_name_));
  SetText(Item(IDOK), kButtonUninstall);
  if (state_.silent) PostMessageW(window(), WM_COMMAND, IDOK, 0);
  return TRUE;
}

// ---- unpacking

namespace {

enum ExtractTimer : UINT_PTR { kStartWhenVisible = 1, kEndUnpacked = 2, kEndFailed = 3 };
constexpr UINT kExtractTimerMs = 100;
constexpr DWORD kExtractPauseMs = 50;
constexpr int kMemberNameUnits = 64;

std::u16string MemberName(const std::string& name) {
  wchar_t wide[kMemberNameUnits + 1] = {};
  const int got = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide, kMemberNameUnits);
  return std::u16string(U16Ptr(wide), got > 0 ? static_cast<std::size_t>(got) : 0);
}

}  // namespace

ExtractDialog::~ExtractDialog() { WaitForWorker(); }

void ExtractDialog::WaitForWorker() {
  if (!worker_) return;
  WaitForSingleObject(worker_, INFINITE);
  CloseHandle(worker_);
  worker_ = nullptr;
}

void ExtractDialog::OnDestroy() { WaitForWorker(); }

BOOL ExtractDialog::OnInitDialog() {
  SetTimer(window(), kStartWhenVisible, kExtractTimerMs, nullptr);
  return TRUE;
}

bool ExtractDialog::OnMessage(UINT message, WPARAM wparam, LPARAM, LRESULT& result) {
  if (message == kExtractWorkEnded) {
    SetTimer(window(), wparam ? kEndUnpacked : kEndFailed, kExtractTimerMs, nullptr);
    result = 0;
    return true;
  }
  if (message != WM_TIMER) return false;
  result = 0;
  switch (wparam) {
    case kStartWhenVisible:
      // The worker starts only once the user can see what it does.
      if (!IsWindowVisible(window())) return true;
      KillTimer(window(), kStartWhenVisible);
      worker_ = CreateThread(nullptr, 0, Worker, this, 0, nullptr);
      if (!worker_) End(IDCANCEL);
      return true;
    case kEndUnpacked:
    case kEndFailed:
      KillTimer(window(), wparam);
      WaitForWorker();
      End(wparam == kEndUnpacked ? IDOK : IDCANCEL);
      return true;
    default:
      return false;
  }
}

DWORD WINAPI ExtractDialog::Worker(void* context) {
  auto* self = static_cast<ExtractDialog*>(context);
  const HWND line = self->Item(IDC_STAVEL_EXTRACT_LINE);
  const HWND bar = self->Item(IDC_STAVEL_PROGRESS);
  SendMessageW(bar, PBM_SETRANGE32, 0, 100);
  SendMessageW(bar, PBM_SETPOS, 0, 0);
  SetText(line, u"正在解开文件...");
  Sleep(kExtractPauseMs);
  UnpackProgress progress;
  bool reached_members = false;
  progress.member = [line, bar, &reached_members](const std::string& name, bool written, int percent) {
    reached_members = true;
    SetText(line, (written ? u"Success: " : u"Failure: ") + MemberName(name));
    SendMessageW(bar, PBM_SETPOS, written ? percent : 0, 0);
  };
  const bool unpacked = self->work_ && self->work_(progress);
  // A payload that could not be carved or read never reaches its members.
  if (reached_members) {
    SetText(line, u"Completed.");
    SendMessageW(bar, PBM_SETPOS, 100, 0);
  }
  // A timer belongs to its window's own thread: the dialog starts it.
  PostMessageW(self->window(), kExtractWorkEnded, unpacked ? 1 : 0, 0);
  return 0;
}

ExtractDialog::Work RealExtractWork(SetupState& state) {
  return [&state](const UnpackProgress& progress) { return RunUnpack(state, progress) == kDialogOk; };
}

// ---- the real seams

WizardActions RealWizardActions(SetupState& state, StartupHost& host, HINSTANCE module, AgreementBrowser& browser) {
  WizardActions actions;
  actions.check = [&state, &host](const std::u16string& folder) { return CheckInstall(state, host, folder); };
  actions.install = [&state](const std::u16string& folder, JobLog& log) {
    InstallJobs jobs(state, log);
    return jobs.Install(folder);
  };
  actions.choose_folder = ChooseFolder;
  actions.run_agreement = [&state, module, &browser](HWND owner) {
    AgreementDialog page(module, state, browser);
    return page.RunModal(owner);
  };
  return actions;
}

JobDialog::Job RealRepairJob(SetupState& state) {
  return [&state](JobLog& log, HWND dialog) {
    InstallJobs jobs(state, log);
    jobs.offer_backup = [dialog](const std::u16string& file) { OfferToShowBackup(dialog, kCaptionRepairBackup, file); };
    return jobs.Repair();
  };
}

JobDialog::Job RealUninstallJob(SetupState& state) {
  return [&state](JobLog& log, HWND dialog) {
    InstallJobs jobs(state, log);
    const HWND log_box = GetDlgItem(dialog, IDC_STAVEL_LOG);
    jobs.offer_backup = [log_box](const std::u16string& file) { OfferToShowBackup(log_box, u"", file); };
    jobs.Uninstall();
    return true;
  };
}

}  // namespace lz::installer
