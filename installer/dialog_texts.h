#pragma once
// What the installer's dialogs say: their titles, the banner's line for each state of the job, the
// address the agreement page shows and the question that offers to show a word backup.
#include <string>
#include <string_view>

namespace lz::installer {

// A dialog's job: before, running, done, failed (only the install wizard tells failed from done).
enum class BannerState { kWaiting = 0, kRunning = 1, kDone = 2, kFailed = 3 };

std::u16string WizardTitle(std::u16string_view display_name);     // "<name> 安装向导"
std::u16string WizardWelcome(std::u16string_view display_name);   // "欢迎使用 <name> 安装程序"
std::u16string RepairTitle(std::u16string_view display_name);     // "<name> - 修复程序"
std::u16string UninstallTitle(std::u16string_view display_name);  // "<name> - 卸载程序"
std::u16string AgreementTitle(std::u16string_view display_name);  // "<name> - 最终用户许可协议"

std::u16string WizardBannerLine(BannerState state, std::u16string_view display_name);
std::u16string RepairBannerLine(BannerState state, std::u16string_view display_name);
std::u16string UninstallBannerLine(BannerState state, std::u16string_view display_name);

// The payload's own License.html when it was unpacked, else the page of the same name in its help file.
std::u16string AgreementAddress(std::u16string_view zipdatas_folder, bool license_file_exists);

// "用户词已经备份在 [ <file> ] 中，是否现在查看?"
std::u16string ShowBackupQuestion(std::u16string_view word_file);

}  // namespace lz::installer
