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

  // The flows' dialogs are not part of this program yet: each ends as cancelled.
  int RunUnpacking(SetupState&) override { return kDialogCancel; }
  int RunAgreement(SetupState&) override { return kDialogCancel; }
  int RunInstallWizard(SetupState&) override { return kDialogCancel; }
  int RunRepair(SetupState&) override { return kDialogCancel; }
  int RunUninstall(SetupState&) override { return kDialogCancel; }

 private:
  const SetupState& state_;
  HANDLE mutex_ = nullptr;
};

// The arguments of this process's command line (the program's name taken off).
std::u16string OwnArguments();

// The path of the silent run's log: "<temp>\stavel.log".
std::u16string LogPath();

}  // namespace lz::installer
