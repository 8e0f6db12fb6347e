#include "config/update/update_dialog_win32.h"

#include <string>
#include <string_view>

#include "config/app/config_context.h"
#include "config/app/config_context_win32.h"
#include "config/update/update_dialog_resources.h"
#include "config/update/update_worker_win32.h"
#include "platform/dialogs/dialog_win32.h"
#include "platform/os/message_box.h"
#include "platform/os/native_path.h"
#include "textservice/engine/engine_instance.h"

namespace lz::config {
namespace {

constexpr UINT_PTR kCheckTimer = 1;
constexpr UINT kCheckDelayMilliseconds = 100;
constexpr UINT_PTR kCloseTimer = 2;
constexpr UINT kCloseDelayMilliseconds = 1;
constexpr int kLibraryIcon = 0x73;

// Messages of the worker threads; all but the last are sent, so the thread waits for the window.
constexpr UINT kLogMessage = WM_APP + 1;        // lparam: const std::u16string_view*
constexpr UINT kClearLogMessage = WM_APP + 2;
constexpr UINT kProgressMessage = WM_APP + 3;   // lparam: const std::u16string_view*
constexpr UINT kStartFailedMessage = WM_APP + 4;
constexpr UINT kFinishDataMessage = WM_APP + 5; // lparam: const UpdateReply*; answers 1 when done
constexpr UINT kThreadDoneMessage = WM_APP + 6; // posted; wparam: which thread, lparam: UpdateRunEnd

constexpr WPARAM kCheckThread = 1;
constexpr WPARAM kRunThread = 2;

class UpdateDialog : public dialogs::Dialog, public UpdateSink {
 public:
  UpdateDialog(HINSTANCE module, ConfigContext* context, std::u16string title, const UpdateDialogOptions& options)
      : Dialog(module, IDD_UPDATE_DIALOG), context_(context), title_(std::move(title)) {
    worker_.clear_pause_milliseconds = options.clear_pause_milliseconds;
  }
  ~UpdateDialog() override {
    if (thread_) CloseHandle(thread_);
  }

  // The sink, called on the worker threads.
  void Log(std::u16string_view text) override { SendMessageW(window(), kLogMessage, 0, reinterpret_cast<LPARAM>(&text)); }
  void ClearLog() override { SendMessageW(window(), kClearLogMessage, 0, 0); }
  void Progress(std::u16string_view text) override {
    SendMessageW(window(), kProgressMessage, 0, reinterpret_cast<LPARAM>(&text));
  }
  void StartFailed() override { SendMessageW(window(), kStartFailedMessage, 0, 0); }
  bool FinishDataUpdate(const UpdateReply& reply) override {
    return SendMessageW(window(), kFinishDataMessage, 0, reinterpret_cast<LPARAM>(&reply)) == 1;
  }

 protected:
  BOOL OnInitDialog() override {
    SetWindowTextW(window(), os::WidePtr(title_.c_str()));
    if (context_->library) {
      if (HICON icon = LoadIconW(context_->library, MAKEINTRESOURCEW(kLibraryIcon))) {
        SendMessageW(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageW(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
      }
    }
    SetTimer(window(), kCheckTimer, kCheckDelayMilliseconds, nullptr);
    return TRUE;
  }

  bool OnCommand(int id, int code, HWND control) override {
    if (id == IDC_UPDATE_CHECK) {
      if (!thread_) SetTimer(window(), kCheckTimer, kCheckDelayMilliseconds, nullptr);
      return true;
    }
    return Dialog::OnCommand(id, code, control);
  }

  // Button 1 runs the update the last check found; it is the user's consent to run a new installer.
  void OnOk() override {
    if (thread_ || worker_.mode == UpdateMode::kNone) return;
    StartThread(kRunThread);
  }

  // Esc, the close box and WM_CLOSE all end here: while a thread works the dialog stays.
  void OnCancel() override {
    if (thread_) return;
    End(IDCANCEL);
  }

  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override {
    switch (message) {
      case WM_TIMER:
        if (wparam == kCheckTimer) {
          KillTimer(window(), kCheckTimer);
          if (!thread_) StartThread(kCheckThread);
        } else if (wparam == kCloseTimer) {
          KillTimer(window(), kCloseTimer);
          End(IDOK);
        }
        result = 0;
        return true;
      case kLogMessage:
        AppendLog(*reinterpret_cast<const std::u16string_view*>(lparam));
        result = 0;
        return true;
      case kClearLogMessage:
        SetDlgItemTextW(window(), IDC_UPDATE_LOG, L"");
        result = 0;
        return true;
      case kProgressMessage: {
        const std::u16string text(*reinterpret_cast<const std::u16string_view*>(lparam));
        SetDlgItemTextW(window(), IDC_UPDATE_AMOUNT, os::WidePtr(text.c_str()));
        result = 0;
        return true;
      }
      case kStartFailedMessage:
        os::ShowMessageBox(window(), u"初始化更新模块发生错误", u"输入法更新", MB_ICONERROR);
        result = 0;
        return true;
      case kFinishDataMessage:
        result = FinishDataUpdateOnWindowThread(*context_, worker_.class_id,
                                                *reinterpret_cast<const UpdateReply*>(lparam))
                     ? 1
                     : 0;
        return true;
      case kThreadDoneMessage:
        ThreadDone(wparam, static_cast<UpdateRunEnd>(lparam));
        result = 0;
        return true;
      default:
        return false;
    }
  }

 private:
  struct ThreadStart {
    UpdateDialog* dialog;
    WPARAM which;
  };

  static DWORD WINAPI ThreadMain(void* parameter) {
    auto* start = static_cast<ThreadStart*>(parameter);
    UpdateDialog* self = start->dialog;
    const WPARAM which = start->which;
    delete start;
    UpdateRunEnd end = UpdateRunEnd::kKeepDialog;
    if (!InitUpdateWorker(*self->context_, self->worker_, *self)) {
      self->StartFailed();
    } else if (which == kCheckThread) {
      RunUpdateCheck(*self->context_, self->worker_, *self);
    } else {
      end = RunUpdate(*self->context_, self->worker_, *self);
    }
    PostMessageW(self->window(), kThreadDoneMessage, which, static_cast<LPARAM>(end));
    return 0;
  }

  void StartThread(WPARAM which) {
    EnableWindow(Item(IDC_UPDATE_CHECK), FALSE);
    EnableWindow(Item(IDOK), FALSE);
    EnableWindow(Item(IDCANCEL), FALSE);
    auto* start = new ThreadStart{this, which};
    thread_ = CreateThread(nullptr, 0, ThreadMain, start, 0, nullptr);
    if (!thread_) {
      delete start;
      EnableWindow(Item(IDC_UPDATE_CHECK), TRUE);
      EnableWindow(Item(IDCANCEL), TRUE);
    }
  }

  void ThreadDone(WPARAM which, UpdateRunEnd end) {
    if (thread_) {
      WaitForSingleObject(thread_, INFINITE);  // it posted this as its last act
      CloseHandle(thread_);
      thread_ = nullptr;
    }
    if (which == kCheckThread) {
      const wchar_t* label = L"无需更新(&U)";
      if (worker_.mode == UpdateMode::kProgram) label = L"立即更新(&U)";
      if (worker_.mode == UpdateMode::kData) label = L"执行更新(&U)";
      SetDlgItemTextW(window(), IDOK, label);
      EnableWindow(Item(IDOK), worker_.mode != UpdateMode::kNone);
      AppendLog(kLogSeparator);
      EnableWindow(Item(IDC_UPDATE_CHECK), TRUE);
      EnableWindow(Item(IDCANCEL), TRUE);
      return;
    }
    if (end == UpdateRunEnd::kInstallerStarted) {
      SetTimer(window(), kCloseTimer, kCloseDelayMilliseconds, nullptr);
      return;
    }
    EnableWindow(Item(IDCANCEL), TRUE);
    if (end == UpdateRunEnd::kDataDone) return;  // the data are as new as the server's; no second run
    EnableWindow(Item(IDC_UPDATE_CHECK), TRUE);
    EnableWindow(Item(IDOK), worker_.mode != UpdateMode::kNone);
  }

  // Caret to the end, the text and a line break, shown at once.
  void AppendLog(std::u16string_view text) {
    HWND log = Item(IDC_UPDATE_LOG);
    const LRESULT length = SendMessageW(log, WM_GETTEXTLENGTH, 0, 0);
    SendMessageW(log, EM_SETSEL, static_cast<WPARAM>(length), length);
    const std::u16string line = std::u16string(text) + u"\r\n";
    SendMessageW(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
    UpdateWindow(log);
  }

  ConfigContext* context_;
  std::u16string title_;
  UpdateWorker worker_;
  HANDLE thread_ = nullptr;
};

void BringForward(HWND window) {
  ShowWindow(window, SW_RESTORE);
  SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  SetForegroundWindow(window);
}

}  // namespace

INT_PTR RunUpdateDialog(HINSTANCE module, ConfigContext* context, HWND owner, const UpdateDialogOptions& options) {
  if (!context || !context->engine) return -1;
  std::u16string name;
  if (!ReadDisplayName(context->class_id, name)) name = u"*";
  const std::u16string title = u"检查更新 - " + name;
  // One update of an input method at a time, whichever program asked for it.
  const std::u16string mutex_name = u"Local\\QuenlithUpdate" + std::u16string(context->class_id);
  HANDLE mutex = CreateMutexW(nullptr, FALSE, os::WidePtr(mutex_name.c_str()));
  if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    if (HWND first = FindWindowW(L"#32770", os::WidePtr(title.c_str()))) BringForward(first);
    CloseHandle(mutex);
    return IDCANCEL;
  }
  UpdateDialog dialog(module, context, title, options);
  const INT_PTR result = dialog.RunModal(owner);
  if (mutex) CloseHandle(mutex);
  return result;
}

}  // namespace lz::config
