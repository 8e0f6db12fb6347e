#pragma once
// The installer's start: the command line chooses the role of the run, and every role but the working
// one copies an installer into a private folder below the work folder and starts that copy with "/f".
// What touches the system (boxes, the mutex, folders, processes, the dialogs of the install, repair and
// uninstall flows) goes through StartupHost, so the whole start is tested without Windows.
#include <cstdint>
#include <string>

#include "installer/setup_state.h"
#include "platform/os/message_box.h"

namespace lz::installer {

// Texts and captions of the start-up's boxes.
inline constexpr char16_t kCaptionInstall[] = u"输入法安装";
inline constexpr char16_t kCaptionUninstall[] = u"输入法卸载";
inline constexpr char16_t kCaptionRepair[] = u"输入法修复";
inline constexpr char16_t kCaptionInitError[] = u"初始化错误";
inline constexpr char16_t kTextOldWindows[] =
    u"本输入法需要在系统设置中开启高级语言服务，所以您可能有部分程序无法正常使用。为了更好的输入体验，建议您至少在windows "
    u"7操作系统中使用本输入法。\r\n\r\n是否继续安装?";
inline constexpr char16_t kTextUnfinishedOrBlocked[] = u"请确认没有尚未完成的输入法安装程序，以及没有安全类软件阻止。";
inline constexpr char16_t kTextInstallerRunning[] = u"请检查是否有正在运行的输入法安装程序尚未完成。";
inline constexpr char16_t kTextBrokenInstallation[] = u"错误的安装环境，可能程序已经损坏。";
inline constexpr char16_t kTextBadPayload[] = u"错误的安装文件，请联系软件发布者获取正确版本。";
inline constexpr char16_t kTextBadIdentifier[] = u"无效的输入法标识，安装程序无法继续。";
inline constexpr char16_t kTextCopyCannotRun[] = u"安装程序位于临时目录中的副本无法运行，将中止进程。";

// Box styles (MessageBoxW's values; the answers are os::kAnswerYes and os::kAnswerNo).
constexpr std::uint32_t kStyleError = 0x10;
constexpr std::uint32_t kStyleQuestionYesNo = os::kBoxYesNo | os::kBoxIconQuestion;

// Exit codes of a run.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitRestartNeeded = 3010;  // done, but a file is replaced only at the next restart

// What a dialog of the install, repair or uninstall flows ended with.
constexpr int kDialogOk = 1;
constexpr int kDialogCancel = 2;

enum class CopyStart { kStarted, kCopyFailed, kStartFailed };

class StartupHost {
 public:
  virtual ~StartupHost() = default;
  // Shows a box, or in a silent run writes the text to the log; returns the answer (a silent run
  // answers no to a question).
  virtual int Message(const char16_t* text, const char16_t* caption, std::uint32_t style) = 0;
  // Creates the one-installer mutex; false when another installer has it.
  virtual bool TakeInstallerMutex() = 0;
  virtual bool CreateWorkFolder(const std::u16string& folder) = 0;
  virtual void RemoveWorkFolder(const std::u16string& folder) = 0;
  virtual std::u16string CommonAppDataFolder() = 0;
  // LANGID of the input method's registry entry; 0 when absent.
  virtual std::uint32_t ReadImeLanguage(const char16_t* class_identifier) = 0;
  // Copies source into a new private folder below the work folder and starts it with arguments; when
  // wait is set, waits for it and stores its exit code.
  virtual CopyStart StartPrivateCopy(const std::u16string& source, const std::u16string& arguments, bool wait,
                                     int& exit_code) = 0;
  // Removes this program's own file and its private folder once the process has ended.
  virtual void DeleteOwnCopy() = 0;

  // The dialogs of the flows; each returns kDialogOk or another code.
  virtual int RunUnpacking(SetupState& state) = 0;
  virtual int RunAgreement(SetupState& state) = 0;
  virtual int RunInstallWizard(SetupState& state) = 0;
  virtual int RunRepair(SetupState& state) = 0;
  virtual int RunUninstall(SetupState& state) = 0;
};

struct StartupInput {
  std::u16string arguments;     // the command line without the program's name
  std::uint32_t os_major = 10;
  std::u16string temp_folder;
  bool windows_is_64_bit = false;
  std::u16string own_path;
};

// Runs the start-up and the chosen flow; returns the exit code.
int RunStartup(const StartupInput& input, SetupState& state, StartupHost& host);

}  // namespace lz::installer
