#include "installer/dialog_texts.h"

#include <gtest/gtest.h>

#include <string>

namespace lz::installer {
namespace {

using BannerLine = std::u16string (*)(BannerState, std::u16string_view);

struct BannerCase {
  BannerLine line;
  BannerState state;
  std::u16string expected;
};

TEST(DialogTextsTest, EachBannerTellsTheStateOfItsJob) {
  const BannerCase cases[] = {
      {WizardBannerLine, BannerState::kWaiting, u"请确认相关设定，并单击“安装”按钮，执行安装操作。"},
      {WizardBannerLine, BannerState::kRunning, u"正在将 雅码 安装到您的计算机中，请稍候。"},
      {WizardBannerLine, BannerState::kDone, u"请单击“完成”按钮退出安装程序。"},
      {WizardBannerLine, BannerState::kFailed, u"请单击“完成”按钮退出安装程序。"},
      {RepairBannerLine, BannerState::kWaiting, u"单击“修复”按钮，以将软件恢复到初始状态。"},
      {RepairBannerLine, BannerState::kRunning, u"正在修复 雅码 ，请稍候。"},
      {RepairBannerLine, BannerState::kDone, u"单击“完成”按钮，退出修复程序。"},
      {UninstallBannerLine, BannerState::kWaiting, u"单击“卸载”按钮，从计算机中移除 雅码 ."},
      {UninstallBannerLine, BannerState::kRunning, u"正在卸载 雅码 ，请稍候。"},
      {UninstallBannerLine, BannerState::kDone, u"请单击“完成”按钮退出卸载程序。"},
  };
  for (const BannerCase& c : cases) {
    EXPECT_EQ(c.line(c.state, u"雅码"), c.expected) << static_cast<int>(c.state);
  }
}

TEST(DialogTextsTest, TitlesCarryTheDisplayName) {
  EXPECT_EQ(WizardTitle(u"雅码"), u"雅码 安装向导");
  EXPECT_EQ(WizardWelcome(u"雅码"), u"欢迎使用 雅码 安装程序");
  EXPECT_EQ(RepairTitle(u"雅码"), u"雅码 - 修复程序");
  EXPECT_EQ(UninstallTitle(u"雅码"), u"雅码 - 卸载程序");
  EXPECT_EQ(AgreementTitle(u"雅码"), u"雅码 - 最终用户许可协议");
}

TEST(DialogTextsTest, TheAgreementShowsTheUnpackedPageElseTheHelpFilesPage) {
  EXPECT_EQ(AgreementAddress(u"C:\\T\\$quorStavel4$\\zipdatas", true), u"C:\\T\\$quorStavel4$\\zipdatas\\License.html");
  EXPECT_EQ(AgreementAddress(u"C:\\T\\$quorStavel4$\\zipdatas", false),
            u"mk:@MSITStore:C:\\T\\$quorStavel4$\\zipdatas\\main.chm::/License.html");
}

TEST(DialogTextsTest, TheBackupQuestionNamesTheWordFile) {
  EXPECT_EQ(ShowBackupQuestion(u"C:\\D\\a.txt"), u"用户词已经备份在 [ C:\\D\\a.txt ] 中，是否现在查看?");
}

}  // namespace
}  // namespace lz::installer
