#include "textservice/skin/skin_package.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "textservice/skin/tests/skin_fixture.h"
#include "platform/zip/zip_writer.h"

namespace lz {
namespace {

using test::SkinMembers;
using test::SkinPackage;
using test::SolidPng;

struct Loaded {
  int result = 0;
  SkinImageSet images;
  SkinDescription description{};
};

Loaded LoadMembers(const std::vector<ZipMember>& members) {
  Loaded out;
  const auto zip = MakeZip(members);
  out.result = LoadSkinFromResource(out.images, out.description, zip.data(), zip.size());
  return out;
}

Loaded LoadBytes(const std::vector<std::uint8_t>& zip) {
  Loaded out;
  out.result = LoadSkinFromResource(out.images, out.description, zip.data(), zip.size());
  return out;
}

int FilledSlots(const SkinImageSet& images) {
  int n = 0;
  for (const auto& image : images.images) n += image != nullptr;
  return n;
}

bool IsZero(const SkinDescription& d) {
  const SkinDescription zero{};
  return std::memcmp(&d, &zero, sizeof d) == 0;
}

std::u16string Str(const char16_t* s) { return s; }
std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::vector<ZipMember> Without(std::vector<ZipMember> members, const std::string& name) {
  std::erase_if(members, [&](const ZipMember& m) { return m.name == name; });
  return members;
}

std::vector<ZipMember> With(std::vector<ZipMember> members, ZipMember extra) {
  members.push_back(std::move(extra));
  return members;
}

TEST(SkinPackage, LoadsACompleteSkinFromAZipMadeHere) {
  const Loaded s = LoadMembers(SkinMembers("测试"));
  ASSERT_EQ(s.result, 1);
  EXPECT_EQ(Str(s.description.info.name), u"测试");
  EXPECT_EQ(Str(s.description.source), u"fromResource");
  EXPECT_EQ(s.description.status.menu_button.x, 20);
  EXPECT_EQ(s.description.merged.horizontal_stretch.last, 20);
  EXPECT_EQ(s.description.text.code_font.size, -16);
  const struct {
    int slot;
    std::uint32_t width, height;
  } backgrounds[] = {
      {kBarImage, test::kBarWidth, test::kBarHeight},
      {kCandHBImage, test::kCandidateWidth, test::kCandidateHeight},
      {kCandHBVerticalImage, test::kCandidateHeight, test::kCandidateWidth},
      {kCandQRImage, test::kCandidateWidth, test::kCandidateHeight / 2},
      {kCandQRVerticalImage, test::kCandidateHeight / 2, test::kCandidateWidth},
  };
  for (const auto& b : backgrounds) {
    SCOPED_TRACE(b.slot);
    ASSERT_NE(s.images[b.slot], nullptr);
    EXPECT_EQ(s.images[b.slot]->width, static_cast<std::int32_t>(b.width));
    EXPECT_EQ(s.images[b.slot]->height, static_cast<std::int32_t>(b.height));
  }
  EXPECT_EQ(s.images[kBarImage]->Pixel(0, 0)[kPixelRed], 0x20);
  EXPECT_EQ(s.images[kBarImage]->Pixel(0, 0)[kPixelBlue], 0x60);
  EXPECT_EQ(FilledSlots(s.images), kRequiredSkinImages);
}

TEST(SkinPackage, MembersFillTheirSlots) {
  struct Case {
    std::string member;
    int slot;  // -1: no slot
  };
  const std::vector<Case> cases = {
      {"flag.png", kLogoImages},
      {"flag_1.png", kLogoImages + 1},
      {"en_3.png", kEnglishModeImages + 3},
      {"cn.png", kChineseModeImages},
      {"capslock_2.png", kCapsLockImages + 2},
      {"en_biaodian.png", kEnglishPunctuationImages},
      {"cn_biaodian_1.png", kChinesePunctuationImages + 1},
      {"quan.png", kFullWidthImages},
      {"ban_2.png", kHalfWidthImages + 2},
      {"key2_2.png", kSoftKeyboardOnImages + 2},
      {"key3_3.png", kSoftKeyboardOnImages + 3},
      {"key2_3.png", -1},
      {"key1.png", kSoftKeyboardOffImages},
      {"menu_3.png", kMenuImages + 3},
      {"up.png", kPreviousPageImages},
      {"down_1.png", kNextPageImages + 1},
      {"extern1.png", ExtensionImageSlot(1, 0)},
      {"extern7.png", ExtensionImageSlot(7, 0)},
      {"extern8.png", ExtensionImageSlot(8, 0)},
      {"extern9.png", ExtensionImageSlot(9, 0)},
      {"extern9_3.png", ExtensionImageSlot(9, 3)},
      {"jian_1.png", kSimplifiedImages + 1},
      {"FAN.PNG", kTraditionalImages},
      {"x/cn.png", -1},
      {"cn.png.bak", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.member);
    const Loaded s = LoadMembers(With(SkinMembers("s"), {c.member, SolidPng(3, 2, 1, 2, 3, 4)}));
    ASSERT_EQ(s.result, 1);
    EXPECT_EQ(FilledSlots(s.images), kRequiredSkinImages + (c.slot >= 0 ? 1 : 0));
    if (c.slot >= 0) {
      ASSERT_NE(s.images[c.slot], nullptr);
      EXPECT_EQ(s.images[c.slot]->width, 3);
    }
  }
  EXPECT_EQ(SkinImageMemberName(kUnfilledImages), nullptr);
  EXPECT_STREQ(SkinImageMemberName(kBarImage), "bar.png");
  EXPECT_STREQ(SkinImageMemberName(kSoftKeyboardOnImages + 3), "key3_3.png");
  EXPECT_STREQ(SkinImageMemberName(kTraditionalImages + 3), "fan_3.png");
}

TEST(SkinPackage, IncompleteOrBrokenPackagesAreRefusedWhole) {
  auto cut = SkinPackage("s");
  cut.resize(cut.size() - 30);
  auto crc = SkinMembers("s");
  crc[1].crc = 0x01020304u;
  const std::string no_template = "[-皮肤信息-]\r\n名称=s\r\n";
  const std::string no_name =
      ";------------------------for version 4.0+-------------------\r\n[-皮肤信息-]\r\n描述=x\r\n";
  struct Case {
    std::string what;
    std::vector<std::uint8_t> zip;
  };
  std::vector<Case> cases = {
      {"no skin.ini", MakeZip(Without(SkinMembers("s"), "skin.ini"))},
      {"skin.ini without the version template",
       MakeZip(With(Without(SkinMembers("s"), "skin.ini"), {"skin.ini", Bytes(no_template)}))},
      {"skin.ini without a name", MakeZip(With(Without(SkinMembers("s"), "skin.ini"), {"skin.ini", Bytes(no_name)}))},
      {"backgrounds in a sub-folder", MakeZip([] {
         auto members = SkinMembers("s");
         for (std::size_t i = 1; i < members.size(); ++i) members[i].name = "x/" + members[i].name;
         return members;
       }())},
      {"broken background", MakeZip(With(Without(SkinMembers("s"), "candQR.png"), {"candQR.png", Bytes("no png")}))},
      {"a member named ../x", MakeZip(With(SkinMembers("s"), {"../x", Bytes("x")}))},
      {"a member with a wrong CRC", MakeZip(crc)},
      {"cut package", cut},
      {"not a zip", Bytes("skin")},
  };
  for (const char* background : {"bar.png", "candHB.png", "candHB_shu.png", "candQR.png", "candQR_shu.png"}) {
    cases.push_back({std::string("no ") + background, MakeZip(Without(SkinMembers("s"), background))});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Loaded s = LoadBytes(c.zip);
    EXPECT_EQ(s.result, 0);
    EXPECT_EQ(FilledSlots(s.images), 0);
    EXPECT_TRUE(IsZero(s.description));
  }
}

// A PNG whose header declares width x height but whose data cannot be decoded: what it asks for counts
// against the skin's cap all the same.
std::vector<std::uint8_t> DeclaredPng(std::uint32_t width, std::uint32_t height) {
  auto png = SolidPng(1, 1, 0, 0, 0, 0);
  constexpr std::size_t kWidthAt = 16, kHeightAt = 20;
  for (int i = 0; i < 4; ++i) {
    png[kWidthAt + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
    png[kHeightAt + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
  }
  return png;
}

TEST(SkinPackage, ImagesOfOneSkinStayWithinTheCapTogether) {
  // The made skin's backgrounds: 40 x 12 and four of 30 x 20 pixels.
  constexpr std::uint64_t kBackgrounds = 4 * (test::kBarWidth * test::kBarHeight + 4 * test::kCandidateWidth * test::kCandidateHeight);
  static_assert(kBackgrounds + 4096ull * 4095 * 4 <= kMaxSkinPixelBytes);
  static_assert(kBackgrounds + 4096ull * 4096 * 4 > kMaxSkinPixelBytes);
  struct Case {
    std::string what;
    std::vector<ZipMember> extra;
    int result;
  };
  const std::vector<Case> cases = {
      {"a button that leaves room", {{"menu.png", DeclaredPng(4096, 4095)}}, 1},
      {"a button that passes the cap", {{"menu.png", DeclaredPng(4096, 4096)}}, 0},
      {"two buttons that pass it together",
       {{"menu.png", DeclaredPng(4096, 2048)}, {"up.png", DeclaredPng(4096, 2048)}}, 0},
      {"a button whose size does not fit 64 bits", {{"menu.png", DeclaredPng(0xFFFFFFFFu, 0xFFFFFFFFu)}}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto members = SkinMembers("big");
    members.insert(members.end(), c.extra.begin(), c.extra.end());
    const Loaded s = LoadMembers(members);
    EXPECT_EQ(s.result, c.result);
    EXPECT_EQ(FilledSlots(s.images), c.result ? 5 : 0);
  }
}

// A host process inflates only what the skin uses, each within its own cap: skin.ini up to 1 MB, an image
// up to the images' budget, and a member of no use not at all.
TEST(SkinPackage, OnlyWhatTheSkinUsesIsInflatedWithinItsCap) {
  std::string long_ini;
  for (const ZipMember& m : SkinMembers("s")) {
    if (m.name == "skin.ini") long_ini.assign(m.data.begin(), m.data.end());
  }
  ASSERT_FALSE(long_ini.empty());
  const std::string at_cap = long_ini + std::string(kMaxSkinIniBytes - long_ini.size(), ' ');
  const std::string past_cap = at_cap + " ";
  ZipMember broken_extra{"readme.txt", Bytes(std::string(100000, 'r')), true, 0x01020304u};
  struct Case {
    std::string what;
    std::vector<ZipMember> members;
    int result;
  };
  const std::vector<Case> cases = {
      {"a member of no use whose CRC is wrong is never read", With(SkinMembers("s"), broken_extra), 1},
      {"skin.ini of exactly 1 MB", With(Without(SkinMembers("s"), "skin.ini"), {"skin.ini", Bytes(at_cap)}), 1},
      {"skin.ini of 1 MB and one byte", With(Without(SkinMembers("s"), "skin.ini"), {"skin.ini", Bytes(past_cap)}), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(LoadMembers(c.members).result, c.result);
  }
  const auto zip = MakeZip(With(SkinMembers("s"), {"readme.txt", Bytes(std::string(100000, 'r'))}));
  const auto table = ReadZipEntriesFromMemory(zip.size(), zip.data(), SkinZipLimits());
  ASSERT_NE(table, nullptr);
  for (const ZipEntry& entry : table->entries) {
    EXPECT_EQ(entry.data.empty(), std::string(entry.name) == "readme.txt") << entry.name;
  }
}

TEST(SkinPackage, ButtonImagesAreOptional) {
  struct Case {
    std::string what;
    std::vector<ZipMember> members;
    int slot;
    std::int32_t width;  // 0: the slot stays empty
  };
  const std::vector<Case> cases = {
      {"broken button image", With(SkinMembers("s"), {"menu.png", Bytes("no png")}), kMenuImages, 0},
      {"upper-case name", With(SkinMembers("s"), {"MENU.PNG", SolidPng(4, 1, 0, 0, 0, 0)}), kMenuImages, 4},
      {"a later member replaces an earlier one",
       With(With(SkinMembers("s"), {"menu.png", SolidPng(4, 1, 0, 0, 0, 0)}), {"Menu.png", SolidPng(6, 1, 0, 0, 0, 0)}),
       kMenuImages, 6},
      {"upper-case background",
       [] {
         auto members = SkinMembers("s");
         members[1].name = "BAR.PNG";
         return members;
       }(),
       kBarImage, static_cast<std::int32_t>(test::kBarWidth)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Loaded s = LoadMembers(c.members);
    ASSERT_EQ(s.result, 1);
    if (c.width == 0) {
      EXPECT_EQ(s.images[c.slot], nullptr);
    } else {
      ASSERT_NE(s.images[c.slot], nullptr);
      EXPECT_EQ(s.images[c.slot]->width, c.width);
    }
  }
}

// An installation folder with a "rezuvorir" skin folder, filled per test.
class InstallFolder {
 public:
  InstallFolder() { std::filesystem::create_directory(skins()); }
  std::filesystem::path skins() const { return folder_.path() / "rezuvorir"; }
  // A package whose 名称 is its file name; a broken one has no bar.png.
  void Add(const std::string& file, bool valid = true) {
    test::WriteFileBytes(skins() / file, valid ? SkinPackage(file) : MakeZip(Without(SkinMembers(file), "bar.png")));
  }
  void AddInInstallFolder(const std::string& file) { test::WriteFileBytes(folder_.path() / file, SkinPackage(file)); }
  SkinSources Sources(const std::vector<std::uint8_t>& builtin) const {
    return SkinSources{folder_.path().u16string(), builtin};
  }

 private:
  test::TempFolder folder_;
};

const std::vector<std::uint8_t>& Builtin() {
  static const std::vector<std::uint8_t> zip = SkinPackage("内置");
  return zip;
}

TEST(SkinPackage, LoadSkinFollowsTheFallbackChain) {
  const std::string long_name = std::string(32, 'l') + ".col";  // 36 characters: never listed
  struct Case {
    std::string what;
    std::vector<std::pair<std::string, bool>> installed;  // file, valid
    std::string in_install_folder;                        // "skin.col" or nothing
    std::u16string configured;
    std::u16string last_loaded;
    std::u16string loaded;  // 名称 of the loaded skin (内置: the built-in one)
    std::u16string configured_after;
    std::u16string last_after;
  };
  const std::vector<Case> cases = {
      {"the configured skin", {{"a.col", true}, {"b.col", true}}, "", u"b.col", u"", u"b.col", u"b.col", u"b.col"},
      {"no configured name: the first listed",
       {{"b.col", true}, {"a.icc", true}},
       "",
       u"",
       u"x",
       u"a.icc",
       u"a.icc",
       u"a.icc"},
      {"configured skin missing: the first listed",
       {{"c.col", true}, {"b.col", true}},
       "",
       u"gone.col",
       u"",
       u"b.col",
       u"b.col",
       u"b.col"},
      {"listing ignores case", {{"b.col", true}, {"A.col", true}}, "", u"", u"", u"A.col", u"A.col", u"A.col"},
      {"configured skin broken: the built-in skin",
       {{"a.col", true}, {"b.col", false}},
       "",
       u"b.col",
       u"x",
       u"内置",
       u"b.col",
       u"x"},
      {"skin.col of the installation folder", {}, "skin.col", u"skin.col", u"", u"skin.col", u"skin.col", u"skin.col"},
      {"skin.col after a broken first listed",
       {{"a.col", false}},
       "skin.col",
       u"skin.col",
       u"",
       u"skin.col",
       u"skin.col",
       u"skin.col"},
      {"skin.col configured, a skin listed",
       {{"a.col", true}},
       "skin.col",
       u"skin.col",
       u"",
       u"a.col",
       u"a.col",
       u"a.col"},
      {"skin.col configured but missing", {}, "", u"skin.col", u"", u"内置", u"skin.col", u""},
      {"nothing installed", {}, "", u"x.col", u"y.col", u"内置", u"x.col", u"y.col"},
      {"switch after the last skin: the first",
       {{"a.col", true}, {"b.col", true}, {"c.col", true}},
       "",
       u"切换",
       u"c.col",
       u"a.col",
       u"a.col",
       u"a.col"},
      {"switch: the next skin",
       {{"a.col", true}, {"b.col", true}, {"c.col", true}},
       "",
       u"切换",
       u"A.COL",
       u"b.col",
       u"b.col",
       u"b.col"},
      {"switch from an unknown skin: the first",
       {{"a.col", true}, {"b.col", true}},
       "",
       u"切换",
       u"z.col",
       u"a.col",
       u"a.col",
       u"a.col"},
      {"long names are not listed", {{long_name, true}, {"z.col", true}}, "", u"", u"", u"z.col", u"z.col", u"z.col"},
      {"a long name loads when configured",
       {{long_name, true}, {"z.col", true}},
       "",
       Wide(long_name),
       u"",
       Wide(long_name),
       Wide(long_name),
       Wide(long_name)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InstallFolder install;
    for (const auto& [file, valid] : c.installed) install.Add(file, valid);
    if (!c.in_install_folder.empty()) install.AddInInstallFolder(c.in_install_folder);
    SkinNames names{c.configured, c.last_loaded};
    LoadedSkin skin;
    ASSERT_EQ(LoadSkin(install.Sources(Builtin()), names, skin), 1);
    EXPECT_EQ(Str(skin.description.info.name), c.loaded);
    if (c.loaded == u"内置") {
      EXPECT_EQ(Str(skin.description.source), u"fromResource");
    } else {
      EXPECT_EQ(SkinFileName(skin.description.source), c.loaded);
    }
    EXPECT_EQ(names.configured, c.configured_after);
    EXPECT_EQ(names.last_loaded, c.last_after);
    EXPECT_NE(skin.images[kBarImage], nullptr);
  }
}

TEST(SkinPackage, LoadSkinFailsOnlyWithoutAnySkin) {
  InstallFolder install;
  install.Add("broken.col", false);
  SkinNames names{u"", u""};
  LoadedSkin skin;
  EXPECT_EQ(LoadSkin(install.Sources({}), names, skin), 0);
  EXPECT_EQ(FilledSlots(skin.images), 0);
  EXPECT_TRUE(IsZero(skin.description));
}

TEST(SkinPackage, ListSkinFilesTakesPackagesInNameOrder) {
  InstallFolder install;
  for (const std::string& file :
       std::vector<std::string>{"b.col", "a.icc", "c.COL", "d.txt", ".hidden.col", "x.col.bak", "col",
                                std::string(27, 'm') + ".col", std::string(28, 'n') + ".col"}) {
    test::WriteFileBytes(install.skins() / file, Bytes("x"));
  }
  std::filesystem::create_directory(install.skins() / "e.col");
  SkinFileList list{install.skins().u16string(), {}};
  EXPECT_EQ(ListSkinFiles(list), 4);
  EXPECT_EQ(list.names,
            (std::vector<std::u16string>{u".hidden.col", u"a.icc", u"b.col", Wide(std::string(27, 'm') + ".col")}));
  SkinFileList missing{(install.skins() / "nothing").u16string(), {}};
  EXPECT_EQ(ListSkinFiles(missing), 0);
}

TEST(SkinPackage, AtMost64PackagesAreListedAndLoaded) {
  InstallFolder install;
  const auto package = SkinPackage("many");
  for (int i = 0; i < 65; ++i) {
    const std::string file = (i < 10 ? "s0" : "s") + std::to_string(i) + ".col";
    test::WriteFileBytes(install.skins() / file, package);
  }
  SkinFileList list{install.skins().u16string(), {}};
  EXPECT_EQ(ListSkinFiles(list), 64);
  EXPECT_EQ(list.names.back(), u"s63.col");
  SkinCatalog catalog;
  EXPECT_EQ(LoadSkinFolder(install.skins().u16string(), catalog), 64);
}

TEST(SkinPackage, CatalogHoldsEveryInstalledSkinOrTheBuiltinOne) {
  struct Case {
    std::string what;
    std::vector<std::pair<std::string, bool>> installed;
    std::vector<std::u16string> names;
  };
  const std::vector<Case> cases = {
      {"installed skins, a broken one left out",
       {{"a.col", true}, {"b.col", false}, {"c.icc", true}},
       {u"a.col", u"c.icc"}},
      {"nothing installed", {}, {u"内置"}},
      {"only broken skins", {{"b.col", false}}, {u"内置"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InstallFolder install;
    for (const auto& [file, valid] : c.installed) install.Add(file, valid);
    SkinCatalog catalog;
    catalog.skins.resize(3);  // earlier entries are dropped
    ASSERT_EQ(LoadSkinCatalog(catalog, install.Sources(Builtin())), static_cast<int>(c.names.size()));
    for (std::size_t i = 0; i < c.names.size(); ++i) {
      EXPECT_EQ(Str(catalog.skins[i].description.info.name), c.names[i]);
      EXPECT_NE(catalog.skins[i].images[kBarImage], nullptr);
    }
  }
}

TEST(SkinPackage, ReloadFollowsTheConfiguredName) {
  InstallFolder install;
  const SkinSources sources = install.Sources(Builtin());
  SkinNames names{u"x.col", u""};
  LoadedSkin skin;
  ASSERT_EQ(LoadSkin(sources, names, skin), 1);
  EXPECT_EQ(Str(skin.description.source), u"fromResource");
  // The same configured name that led to the built-in skin is not tried again at every focus change.
  EXPECT_EQ(ReloadSkinIfChanged(sources, names, skin), 0);

  install.Add("a.col");
  install.Add("b.col");
  names.configured = u"a.col";  // chosen from the menu while the built-in skin shows
  EXPECT_EQ(ReloadSkinIfChanged(sources, names, skin), 1);
  EXPECT_EQ(Str(skin.description.info.name), u"a.col");
  EXPECT_EQ(ReloadSkinIfChanged(sources, names, skin), 0);
  names.configured = u"A.COL";
  EXPECT_EQ(ReloadSkinIfChanged(sources, names, skin), 0);
  names.configured = u"b.col";
  EXPECT_EQ(ReloadSkinIfChanged(sources, names, skin), 1);
  EXPECT_EQ(Str(skin.description.info.name), u"b.col");
  EXPECT_EQ(names.last_loaded, u"b.col");
}

TEST(SkinPackage, FontsComeFromTheSettingsOrTheSkin) {
  const Loaded s = LoadMembers(SkinMembers("s"));
  ASSERT_EQ(s.result, 1);
  SkinFonts settings{};
  settings.code.size = 30;
  settings.candidate.size = 31;
  EXPECT_EQ(SelectSkinFonts(true, settings, s.description).code.size, 30);
  EXPECT_EQ(SelectSkinFonts(true, settings, s.description).candidate.size, 31);
  EXPECT_EQ(SelectSkinFonts(false, settings, s.description).code.size, -16);
  EXPECT_EQ(SelectSkinFonts(false, settings, s.description).code.weight, 400);
}

TEST(SkinPackage, LoadSkinFromPathRecordsThePath) {
  test::TempFolder folder;
  test::WriteFileBytes(folder.path() / "p.col", SkinPackage("p"));
  SkinImageSet images;
  SkinDescription description{};
  ASSERT_EQ(LoadSkinFromPath(folder.File("p.col").c_str(), images, description), 1);
  EXPECT_EQ(Str(description.source), folder.File("p.col"));
  EXPECT_EQ(LoadSkinFromPath(folder.File("none.col").c_str(), images, description), 0);
  EXPECT_EQ(FilledSlots(images), 0);
}

}  // namespace
}  // namespace lz
