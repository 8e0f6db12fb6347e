// The reminder pop-up's texts and its two answers.
#include "tracker/dialogs/reminder_popup_model.h"

#include <gtest/gtest.h>

namespace tracker {
namespace {

TEST(ReminderPopupModel, CaptionHasTwoBlanksBeforeTheWeekday) {
  const os::LocalDateTime tuesday{2026, 12, 8, 2, 9, 5, 0, 0};
  EXPECT_EQ(ReminderPopupCaption(tuesday, u"9:05 AM"), u"Tip - 9:05 AM  12/08/2026  Tuesday");
  const os::LocalDateTime sunday{2027, 1, 3, 0, 23, 59, 0, 0};
  EXPECT_EQ(ReminderPopupCaption(sunday, u"23:59"), u"Tip - 23:59  01/03/2027  Sunday");
}

TEST(ReminderPopupModel, RemindAgainCaption) {
  ReminderRecord slot;
  slot.RepeatMinutes = u"10";
  EXPECT_EQ(RemindAgainCaption(slot), u" Show tip again after 10 munite(s)");
}

TEST(ReminderPopupModel, RepeatMinutesBelowOneCountAsOne) {
  struct Case {
    const char16_t* text;
    int minutes;
  } const cases[] = {{u"10", 10}, {u"0", 1}, {u"", 1}, {u"-5", 1}, {u"0.4", 1}, {u"1", 1}, {u"abc", 1}, {u" 30", 30}};
  for (const auto& c : cases) {
    ReminderRecord slot;
    slot.RepeatMinutes = c.text;
    EXPECT_EQ(RepeatMinutesOf(slot), c.minutes) << std::string(slot.RepeatMinutes.begin(), slot.RepeatMinutes.end());
  }
}

TEST(ReminderPopupModel, AcknowledgeAndRemindAgainCounts) {
  ReminderTable table;
  ReminderTable edit;
  ReminderRepeatCounts counts;
  table.slot(3).RepeatMinutes = u"10";
  for (int i = 0; i < 3; ++i) RemindAgain(3, counts);
  EXPECT_EQ(counts.of(3), 3);
  EXPECT_EQ(counts.of(3) * RepeatMinutesOf(table.slot(3)), 30);  // due 30 minutes after its time
  AcknowledgeReminder(3, table, edit, counts);
  EXPECT_EQ(counts.of(3), 0);
  EXPECT_EQ(table.slot(3).Shown, 1);
  EXPECT_EQ(edit.slot(3).Shown, 1);
  EXPECT_EQ(table.slot(2).Shown, 0);

  // A slot of 0 minutes is counted as one of 1 minute.
  table.slot(5).RepeatMinutes = u"0";
  RemindAgain(5, counts);
  EXPECT_EQ(counts.of(5), 1);

  counts.of(7) = kMostRepeats - 1;
  RemindAgain(7, counts);
  RemindAgain(7, counts);
  EXPECT_EQ(counts.of(7), kMostRepeats);
}

}  // namespace
}  // namespace tracker
