// The notification-area icon's tip and the actions of its mouse messages.
#include "tracker/main/tray_model.h"

#include <gtest/gtest.h>

namespace tracker {
namespace {

TEST(TrayModel, TipNamesTheDayWithoutABlankAfterTheComma) {
  EXPECT_EQ(TrayTip(u" Monday", u"Monday, December 7, 2026"), u"Pendulo - Monday,Monday, December 7, 2026");
  EXPECT_EQ(TrayTip(u" Tuesday", u"12/8/2026"), u"Pendulo - Tuesday,12/8/2026");
}

TEST(TrayModel, TipKeepsAtMost63Characters) {
  const std::u16string long_date(80, u'x');
  const std::u16string tip = TrayTip(u" Wednesday", long_date);
  EXPECT_EQ(tip.size(), 63u);
  EXPECT_EQ(tip.substr(0, 20), u"Pendulo - Wednesday,");
  EXPECT_EQ(TrayTip(u" Friday", std::u16string(46, u'y')).size(), 63u);
  EXPECT_EQ(TrayTip(u" Friday", std::u16string(45, u'y')).size(), 62u);
}

TEST(TrayModel, CallbackTable) {
  struct Case {
    std::uintptr_t lparam;
    bool editor;
    TrayAction action;
  } const cases[] = {
      {0x202, false, TrayAction::kShowWindow}, {0x203, false, TrayAction::kShowWindow},
      {0x204, false, TrayAction::kOpenMenu},   {0x205, false, TrayAction::kNothing},
      {0x205, true, TrayAction::kNothing},     {0x206, false, TrayAction::kNothing},
      {0x206, true, TrayAction::kShowReminderEditor}, {0x200, true, TrayAction::kNothing},
      {0x201, true, TrayAction::kNothing},
  };
  for (const auto& c : cases) EXPECT_EQ(ActionForTrayMessage(c.lparam, c.editor), c.action) << std::hex << c.lparam;
}

}  // namespace
}  // namespace tracker
