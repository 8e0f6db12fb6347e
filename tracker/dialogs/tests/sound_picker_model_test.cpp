#include "tracker/dialogs/sound_picker_model.h"

#include <gtest/gtest.h>

namespace tracker {
namespace {

TEST(SoundPicker, Patterns) {
  struct Case {
    const char16_t* box;
    const char16_t* current;
    const char16_t* pattern;
  } const cases[] = {{u"*.mid", u"*.*", u"*.mid"},       {u"*.wav", u"*.mid", u"*.wav"},
                     {u"*.rmi", u"*.*", u"*.rmi"},       {u"*.*", u"*.wav", u"*.*"},
                     {u"C:\\a\\b.mid", u"*.mid", u"*.mid"}, {u"*.MID", u"*.wav", u"*.wav"},
                     {u"", u"", u"*.*"}};
  for (const auto& c : cases) EXPECT_EQ(PickerPattern(c.box, c.current), c.pattern);
}

TEST(SoundPicker, Folders) {
  EXPECT_EQ(PickerStartFolder(u"C:\\windows", true, u"C:\\users"), u"C:\\windows\\Media");
  EXPECT_EQ(PickerStartFolder(u"C:\\windows", false, u"C:\\users"), u"C:\\users");
  struct Case {
    const char16_t* folder;
    const char16_t* parent;
  } const cases[] = {{u"C:\\a\\b", u"C:\\a"}, {u"C:\\a", u"C:\\"}, {u"C:\\", u"C:\\"}, {u"C:\\a\\b\\", u"C:\\a"}};
  for (const auto& c : cases) EXPECT_EQ(ParentFolder(c.folder), c.parent);
  EXPECT_EQ(ChildFolder(u"C:\\", u"Media"), u"C:\\Media");
  EXPECT_EQ(PickedSoundPath(u"C:\\", u"ding.wav"), u"C:\\ding.wav");
  EXPECT_EQ(PickedSoundPath(u"C:\\windows\\Media", u"ding.wav"), u"C:\\windows\\Media\\ding.wav");
}

}  // namespace
}  // namespace tracker
