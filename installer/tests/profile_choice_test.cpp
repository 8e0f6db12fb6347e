#include "installer/profile_choice.h"

#include <gtest/gtest.h>

namespace lz::installer {
namespace {

const Guid kOurs{1};
const Guid kOther{2};
const Guid kThird{3};
const Guid kProfileOurs{11};
const Guid kProfileOther{12};
const Guid kProfileThird{13};

constexpr std::uint16_t kChinese = 0x0804;
constexpr std::uint16_t kEnglish = 0x0409;
constexpr std::uint64_t kChineseLayout = 0x08040804;  // halves equal: a TSF profile may be the default
constexpr std::uint64_t kEnglishLayout = 0x04090409;
constexpr std::uint64_t kDvorakLayout = 0xF0020409;

ProfileItem Layout(std::uint16_t language, std::uint64_t layout) {
  ProfileItem item;
  item.language = language;
  item.layout = layout;
  return item;
}

ProfileItem Tip(std::uint16_t language, const Guid& clsid, const Guid& profile) {
  ProfileItem item;
  item.is_text_service = true;
  item.language = language;
  item.clsid = clsid;
  item.profile = profile;
  return item;
}

struct ChoiceCase {
  const char* name;
  std::vector<ProfileItem> items;
  std::uint64_t default_layout;
  std::vector<LanguageDefault> defaults;
  int expected;
};

class ProfileChoiceTest : public testing::TestWithParam<ChoiceCase> {};

TEST_P(ProfileChoiceTest, MovesTheDefaultAwayFromTheRemovedMethod) {
  const ChoiceCase& c = GetParam();
  EXPECT_EQ(ChooseNewDefaultProfile(c.items, c.default_layout, c.defaults, kOurs), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileChoiceTest,
    testing::Values(
        ChoiceCase{"ours is the default: the first other profile of the first language",
                   {Layout(kChinese, kChineseLayout), Tip(kChinese, kOurs, kProfileOurs),
                    Tip(kChinese, kOther, kProfileOther), Tip(kChinese, kThird, kProfileThird)},
                   kChineseLayout,
                   {{kChinese, kOurs, kProfileOurs}},
                   2},
        ChoiceCase{"another method is the default: nothing changes",
                   {Layout(kChinese, kChineseLayout), Tip(kChinese, kOurs, kProfileOurs),
                    Tip(kChinese, kOther, kProfileOther)},
                   kChineseLayout,
                   {{kChinese, kOther, kProfileOther}},
                   -1},
        ChoiceCase{"a keyboard layout whose halves differ is the default: nothing changes",
                   {Layout(kEnglish, kDvorakLayout), Tip(kEnglish, kOurs, kProfileOurs)},
                   kDvorakLayout,
                   {{kEnglish, kOurs, kProfileOurs}},
                   -1},
        ChoiceCase{"no profile of the default language is ours: nothing changes",
                   {Layout(kChinese, kChineseLayout), Tip(kChinese, kOurs, kProfileOurs)},
                   kChineseLayout,
                   {},
                   -1},
        ChoiceCase{"only ours in the first language: its keyboard layout",
                   {Layout(kChinese, kChineseLayout), Layout(kEnglish, kEnglishLayout),
                    Tip(kChinese, kOurs, kProfileOurs), Tip(kEnglish, kOther, kProfileOther)},
                   kChineseLayout,
                   {{kChinese, kOurs, kProfileOurs}, {kEnglish, kOther, kProfileOther}},
                   0},
        ChoiceCase{"the first language group is the one listed first",
                   {Layout(kEnglish, kEnglishLayout), Layout(kChinese, kChineseLayout),
                    Tip(kChinese, kOurs, kProfileOurs), Tip(kEnglish, kOther, kProfileOther),
                    Tip(kChinese, kThird, kProfileThird)},
                   kChineseLayout,
                   {{kChinese, kOurs, kProfileOurs}},
                   3},
        ChoiceCase{"a profile of ours under another profile identifier is not the default",
                   {Layout(kChinese, kChineseLayout), Tip(kChinese, kOurs, kProfileOther),
                    Tip(kChinese, kOther, kProfileOther)},
                   kChineseLayout,
                   {{kChinese, kOurs, kProfileOurs}},
                   -1},
        ChoiceCase{"an empty list", {}, kChineseLayout, {}, -1}));

}  // namespace
}  // namespace lz::installer
