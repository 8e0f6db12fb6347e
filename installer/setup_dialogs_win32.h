#pragma once
// The installer's dialogs as the user sees them: the agreement page, the install wizard (its checks on
// the dialog's thread, the install job on a worker thread that reports by window messages), and the
// repair and uninstall dialogs, whose jobs run on the dialog's own thread. Each job writes its numbered
// lines into the dialog's log and moves its progress bar.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "installer/dialog_texts.h"
#include "installer/payload_file.h"
#include "installer/install_jobs_win32.h"
#include "installer/setup_dialog_ids.h"
#include "installer/setup_state.h"
#include "installer/startup.h"
#include "platform/dialogs/dialog_win32.h"
#include "platform/dialogs/web_view_win32.h"

namespace lz::installer {

// Posted to the wizard by its worker thread when the install job has ended (wparam 1 on success).
constexpr UINT kInstallJobEnded = WM_APP + 0x51;
// Posted to the unpacking dialog by its worker when the payload is unpacked (wparam 1) or refused.
constexpr UINT kExtractWorkEnded = WM_APP + 0x52;

// A job's lines into a dialog's log box (text and "\r\n" appended at the end, scrolled there) and its
// positions into the progress bar. Usable from any thread: both go by window messages.
class DialogJobLog : public JobLog {
 public:
  DialogJobLog(HWND progress, HWND log) : progress_(progress), log_(log) {}
  void Line(int position, const std::u16string& text) override;

 private:
  HWND progress_;
  HWND log_;
};

// The agreement page's web view: shows the page at an address over the frame control.
class AgreementBrowser {
 public:
  virtual ~AgreementBrowser() = default;
  virtual void Show(HWND frame, const std::u16string& address) = 0;
  // The page's dialog is closing: the view lets its control go while the window still exists.
  virtual void Close() {}
};

// The system's web control the installer shows its agreement in; listener (may be null) hears its
// navigations and must outlive it.
std::unique_ptr<AgreementBrowser> MakeAgreementBrowser(dialogs::WebViewListener* listener = nullptr);

// Offers to show a user-word backup (yes starts Explorer with the file selected).
void OfferToShowBackup(HWND owner, const std::u16string& caption, const std::u16string& word_file);

class AgreementDialog : public dialogs::Dialog {
 public:
  AgreementDialog(HINSTANCE module, SetupState& state, AgreementBrowser& browser)
      : Dialog(module, IDD_STAVEL_AGREEMENT), state_(state), browser_(browser) {}

 protected:
  BOOL OnInitDialog() override;
  void OnDestroy() override { browser_.Close(); }

 private:
  SetupState& state_;
  AgreementBrowser& browser_;
};

// The install wizard's seams: the checks, the install job (run on the worker thread, COM initialised
// there), the folder chooser and the agreement page.
struct WizardActions {
  std::function<bool(const std::u16string& folder)> check;
  std::function<bool(const std::u16string& folder, JobLog& log)> install;
  // true with the chosen folder; false when nothing was chosen.
  std::function<bool(HWND owner, const std::u16string& start, std::u16string& chosen)> choose_folder;
  std::function<INT_PTR(HWND owner)> run_agreement;
};

class InstallWizard : public dialogs::Dialog {
 public:
  InstallWizard(HINSTANCE module, SetupState& state, WizardActions actions)
      : Dialog(module, IDD_STAVEL_WIZARD), state_(state), actions_(std::move(actions)) {}
  ~InstallWizard() override;

  BannerState banner() const { return banner_; }
  bool busy() const { return busy_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
  void OnOk() override;
  void OnCancel() override;
  void OnDestroy() override;

 private:
  static DWORD WINAPI InstallThread(void* self);
  void InstallRequest();
  void InstallEnded(bool installed);
  void DrawBanner(const DRAWITEMSTRUCT& item);
  void DrawAgreementLink(const DRAWITEMSTRUCT& item);
  void SetAccepted(bool accepted);
  void WaitForWorker();

  SetupState& state_;
  WizardActions actions_;
  std::u16string display_name_;
  std::u16string folder_;
  BannerState banner_ = BannerState::kWaiting;
  bool busy_ = false;
  bool installed_ = false;
  HANDLE worker_ = nullptr;
  HICON icon_ = nullptr;
};

// Repair and uninstall: one button that runs the job on the dialog's thread and then reads "完成(&O)".
class JobDialog : public dialogs::Dialog {
 public:
  using Job = std::function<bool(JobLog& log, HWND dialog)>;
  BannerState banner() const { return banner_; }

 protected:
  JobDialog(HINSTANCE module, int template_id, SetupState& state, Job job)
      : Dialog(module, template_id), state_(state), job_(std::move(job)) {}
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
  void OnOk() override;
  void RunJob();
  virtual std::u16string BannerLine() const = 0;
  virtual int IconId() const = 0;
  void SetIcons();

  SetupState& state_;
  Job job_;
  std::u16string display_name_;
  BannerState banner_ = BannerState::kWaiting;
  bool done_ = false;
  bool succeeded_ = false;
  HICON icon_ = nullptr;
};

class RepairDialog : public JobDialog {
 public:
  RepairDialog(HINSTANCE module, SetupState& state, Job job)
      : JobDialog(module, IDD_STAVEL_REPAIR, state, std::move(job)) {}

 protected:
  BOOL OnInitDialog() override;
  std::u16string BannerLine() const override { return RepairBannerLine(banner_, display_name_); }
  int IconId() const override { return IDI_STAVEL_REPAIR; }
};

class UninstallDialog : public JobDialog {
 public:
  UninstallDialog(HINSTANCE module, SetupState& state, Job job)
      : JobDialog(module, IDD_STAVEL_UNINSTALL, state, std::move(job)) {}

 protected:
  BOOL OnInitDialog() override;
  std::u16string BannerLine() const override { return UninstallBannerLine(banner_, display_name_); }
  int IconId() const override { return IDI_STAVEL_UNINSTALL; }
};

// The unpacking dialog: once it is visible, a worker thread carves and unpacks the payload, showing each
// member in its line and the bytes done in its bar; it ends with OK when every member was written, else
// Cancel, closed on its own thread through a timer the worker sets.
class ExtractDialog : public dialogs::Dialog {
 public:
  using Work = std::function<bool(const UnpackProgress& progress)>;
  ExtractDialog(HINSTANCE module, Work work) : Dialog(module, IDD_STAVEL_EXTRACT), work_(std::move(work)) {}
  ~ExtractDialog() override;

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
  void OnOk() override {}
  void OnCancel() override {}
  void OnDestroy() override;

 private:
  static DWORD WINAPI Worker(void* self);
  void WaitForWorker();

  Work work_;
  HANDLE worker_ = nullptr;
};

// Carves (unless this is a working copy) and unpacks the payload into the zipdatas folder, reporting each
// member.
ExtractDialog::Work RealExtractWork(SetupState& state);

// Captions and texts of the dialogs' own boxes.
inline constexpr char16_t kCaptionCannotRun[] = u"无法执行的操作";
inline constexpr char16_t kTextRepairDataMissing[] = u"安装数据文件不存在或者已经损坏,修复程序无法运行.";
inline constexpr char16_t kCaptionRepairBackup[] = u"是否备份用户词后执行修复操作？";

// The real seams: the install checks and job of install_jobs, the shell's folder chooser.
WizardActions RealWizardActions(SetupState& state, StartupHost& host, HINSTANCE module, AgreementBrowser& browser);
JobDialog::Job RealRepairJob(SetupState& state);
JobDialog::Job RealUninstallJob(SetupState& state);

}  // namespace lz::installer
