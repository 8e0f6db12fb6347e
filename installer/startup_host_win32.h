#pragma once
// The start-up's system side on Windows: message boxes (or the log of a silent run), the one-installer
// mutex, the work folders, the private copy of the installer and its deletion after the run.
#include <windows.h>

#include "installer/startup.h"

namespace lz::installer {

inline constexpr wchar_t kInstallerMutexName[] = L"_MORVAT_SYS_LZSTAVEL_4_x_";

class StartupHostWin32 : public StartupHost {
 public:
  explicit StartupHostWin32(const SetupState& state) : state_(state) {}
  ~StartupHostWin32() override;

  int Message(const char16_t* text, const char16_t* caption, std::uint32_t style) override;
  bool TakeInstallerMutex() override;
  bool CreateWorkFolder(const std::u16string& folder) override;
  void RemoveWorkFolder(const std::u16string& folder) override;
  std::u16string CommonAppDataFolder() override;
  std::uint32_t ReadImeLanguage(const char16_t* class_identifier) override;
  CopyStart StartPrivateCopy(const std::u16string& source, const std::u16string& arguments, bool wait,
                             int& exit_code) override;
  void DeleteOwnCopy() override;

  // The flows. Their jobs write their lines into the log; a silent run answers for the user.
  int RunUnpacking(SetupState& state) override;
  int RunAgreement(SetupState& state) override;
  int RunInstallWizard(SetupState& state) override;
  int RunRepair(SetupState& state) override;
  int RunUninstall(SetupState& state) override;

 private:
  const SetupState& state_;
  HANDLE mutex_ = nullptr;
};

// The arguments of this process's command line (the program's name taken off).
std::u16string OwnArguments();

// The path of the silent run's log: "<temp>\stavel.log".
std::u16string LogPath();

// Appends one line to that log (UTF-8).
void AppendLog(const std::u16string& line);

}  // namespace lz::installer
