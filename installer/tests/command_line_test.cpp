#include "installer/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace lz::installer {
namespace {

struct LineCase {
  const char16_t* arguments;
  char mode;
  bool temp_copy;
  bool silent;
  const char16_t* identifier;
};

constexpr char16_t kId[] = u"{3D1E5C7A-1042-4B0F-9A61-2EC35807B4E9}";

class CommandLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(CommandLineTest, ChoosesTheRoleOfTheRun) {
  const LineCase& c = GetParam();
  const CommandLine line = ParseCommandLine(c.arguments);
  EXPECT_EQ(line.mode, c.mode);
  EXPECT_EQ(line.temp_copy, c.temp_copy);
  EXPECT_EQ(line.silent, c.silent);
  EXPECT_EQ(line.class_identifier, std::u16string(c.identifier));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineTest,
    testing::Values(
        LineCase{u"", 'i', false, false, u""},
        LineCase{u"/n {3D1E5C7A-1042-4B0F-9A61-2EC35807B4E9} /u", 'u', false, false, kId},
        LineCase{u"/n {3D1E5C7A-1042-4B0F-9A61-2EC35807B4E9} /u /f", 'u', true, false, kId},
        LineCase{u"-n {3D1E5C7A-1042-4B0F-9A61-2EC35807B4E9} -U", 'u', false, false, kId},
        LineCase{u"/u /r", 'r', false, false, u""},
        LineCase{u"/R -u", 'r', false, false, u""},
        LineCase{u"/r /g", 'g', false, false, u""},
        LineCase{u"/u /r /z", 'z', false, false, u""},
        LineCase{u"-Z -G", 'g', false, false, u""},
        LineCase{u"/F", 'i', true, false, u""},
        LineCase{u"/s", 'i', false, true, u""},
        LineCase{u"/S /f", 'i', true, true, u""},
        LineCase{u"/slient", 'i', false, true, u""},
        LineCase{u"/Slient", 'i', false, true, u""},
        // The identifier ends at the first blank, or after 39 units.
        LineCase{u"/n abc /u", 'u', false, false, u"abc"},
        LineCase{u"/n 0123456789012345678901234567890123456789XYZ", 'i', false, false,
                 u"012345678901234567890123456789012345678"},
        // "/n " wins over "-n " when both are there.
        LineCase{u"-n second /n first", 'i', false, false, u"first"}));

TEST(CopyArgumentsTest, AddsTheWorkingCopySwitchAndPassesSilenceOn) {
  EXPECT_EQ(CopyArguments(u"/n {x} /u", false), u"/n {x} /u /f");
  EXPECT_EQ(CopyArguments(u"/n {x} /u /s", true), u"/n {x} /u /s /f");
  EXPECT_EQ(CopyArguments(u"", true), u" /f /s");
  EXPECT_EQ(CopyArguments(std::u16string(509, u'a'), false), u"");
}

}  // namespace
}  // namespace lz::installer
