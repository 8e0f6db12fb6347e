#include "installer/dialog_texts.h"

namespace lz::installer {
namespace {

std::u16string Joined(std::u16string_view before, std::u16string_view name, std::u16string_view after) {
  std::u16string text(before);
  text += name;
  text += after;
  return text;
}

}  // namespace

std::u16string WizardTitle(std::u16string_view display_name) { return Joined(u"", display_name, u" 安装向导"); }
std::u16string WizardWelcome(std::u16string_view display_name) {
  return Joined(u"欢迎使用 ", display_name, u" 安装程序");
}
std::u16string RepairTitle(std::u16string_view display_name) { return Joined(u"", display_name, u" - 修复程序"); }
std::u16string UninstallTitle(std::u16string_view display_name) { return Joined(u"", display_name, u" - 卸载程序"); }
std::u16string AgreementTitle(std::u16string_view display_name) {
  return Joined(u"", display_name, u" - 最终用户许可协议");
}

std::u16string WizardBannerLine(BannerState state, std::u16string_view display_name) {
  switch (state) {
    case BannerState::kWaiting:
      return u"请确认相关设定，并单击“安装”按钮，执行安装操作。";
    case BannerState::kRunning:
      return Joined(u"正在将 ", display_name, u" 安装到您的计算机中，请稍候。");
    default:
      return u"请单击“完成”按钮退出安装程序。";
  }
}

std::u16string RepairBannerLine(BannerState state, std::u16string_view display_name) {
  switch (state) {
    case BannerState::kWaiting:
      return u"单击“修复”按钮，以将软件恢复到初始状态。";
    case BannerState::kRunning:
      return Joined(u"正在修复 ", display_name, u" ，请稍候。");
    default:
      return u"单击“完成”按钮，退出修复程序。";
  }
}

std::u16string UninstallBannerLine(BannerState state, std::u16string_view display_name) {
  switch (state) {
    case BannerState::kWaiting:
      return Joined(u"单击“卸载”按钮，从计算机中移除 ", display_name, u" .");
    case BannerState::kRunning:
      return Joined(u"正在卸载 ", display_name, u" ，请稍候。");
    default:
      return u"请单击“完成”按钮退出卸载程序。";
  }
}

std::u16string AgreementAddress(std::u16string_view zipdatas_folder, bool license_file_exists) {
  if (license_file_exists) return Joined(u"", zipdatas_folder, u"\\License.html");
  return Joined(u"mk:@MSITStore:", zipdatas_folder, u"\\main.chm::/License.html");
}

std::u16string ShowBackupQuestion(std::u16string_view word_file) {
  return Joined(u"用户词已经备份在 [ ", word_file, u" ] 中，是否现在查看?");
}

}  // namespace lz::installer
