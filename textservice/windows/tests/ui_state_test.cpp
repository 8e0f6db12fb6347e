#include "textservice/windows/ui_state.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/installed_engine.h"
#include "textservice/skin/skin_regions.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/skin_block.h"
#include "textservice/skin/tests/skin_fixture.h"

namespace lz {
namespace {

std::vector<std::uint8_t> g_builtin;

int CreateUi(EngineInstance* e) { return CreateUiState(e, g_builtin); }
void DestroyUi(EngineInstance* e) { DestroyUiState(e); }

std::u16string SkinName(const EngineInstance* e) {
  return ReadFieldText(e->blocks.skin, skin_block::kSkinName, skin_block::kSkinNameUnits);
}

std::string Name(const EngineInstance* e) {
  const char16_t* n = e->ui->skin.description.info.name;
  std::string out;
  for (; *n; ++n) out += static_cast<char>(*n);
  return out;
}

struct Case {
  const char* name;
  std::vector<std::string> installed;  // packages in the skin folder, each named after its file
  std::u16string configured;
  bool builtin;
  bool created;
  std::string loaded;
  std::u16string written;
};

TEST(UiState, EngineCreationLoadsTheChosenSkinAndKeepsItsName) {
  const std::vector<Case> cases = {
      {"the first installed skin", {"b.col", "a.col"}, u"", true, true, "a.col", u"a.col"},
      {"the configured skin", {"a.col", "b.col"}, u"b.col", true, true, "b.col", u"b.col"},
      {"a configured skin that is gone", {"a.col"}, u"gone.col", true, true, "a.col", u"a.col"},
      {"the built-in skin when none is installed", {}, u"", true, true, "builtin", u""},
      {"no skin at all", {}, u"", false, false, "", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::DataFolderContents contents;
    contents.main = {{"a", "x"}};
    const std::u16string configured = c.configured;
    contents.edit_blocks = [configured](ConfigBlocks& b) {
      WriteFieldText(b.skin, skin_block::kSkinName, skin_block::kSkinNameUnits, configured);
    };
    test::InstalledFolder folder(contents);
    const auto skins = folder.path() / "program" / "rezuvorir";
    std::filesystem::create_directories(skins);
    for (const std::string& file : c.installed) test::WriteFileBytes(skins / file, test::SkinPackage(file));
    g_builtin = c.builtin ? test::SkinPackage("builtin") : std::vector<std::uint8_t>{};

    EngineSetup setup = folder.Setup();
    setup.create_ui = CreateUi;
    setup.destroy_ui = DestroyUi;
    EngineInstance* e = CreateEngineInstance(setup);
    ASSERT_EQ(e != nullptr, c.created);
    if (!e) continue;
    EXPECT_EQ(Name(e), c.loaded);
    EXPECT_EQ(SkinName(e), c.written);
    DestroyEngineInstance(e, setup);
  }
}

TEST(UiState, AChangedSkinNameReloadsTheSkin) {
  test::DataFolderContents contents;
  contents.main = {{"a", "x"}};
  test::InstalledFolder folder(contents);
  const auto skins = folder.path() / "program" / "rezuvorir";
  std::filesystem::create_directories(skins);
  for (const char* file : {"a.col", "b.col"}) test::WriteFileBytes(skins / file, test::SkinPackage(file));
  g_builtin = test::SkinPackage("builtin");
  EngineSetup setup = folder.Setup();
  setup.create_ui = CreateUi;
  setup.destroy_ui = DestroyUi;
  EngineInstance* e = CreateEngineInstance(setup);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(Name(e), "a.col");
  e->blocks.skin.WriteU32(skin_block::kStatusWindowX, 300);
  e->blocks.skin.WriteU32(skin_block::kStatusWindowY, 400);
  EXPECT_EQ(ReloadEngineSkinIfChanged(e, g_builtin), 0);
  EXPECT_EQ(BlockU32(e->blocks.skin, skin_block::kStatusWindowX), 300u);
  WriteFieldText(e->blocks.skin, skin_block::kSkinName, skin_block::kSkinNameUnits, u"b.col");
  EXPECT_EQ(ReloadEngineSkinIfChanged(e, g_builtin), 1);
  EXPECT_EQ(Name(e), "b.col");
  // The status bar goes back to the new skin's default corner.
  EXPECT_EQ(static_cast<std::int32_t>(BlockU32(e->blocks.skin, skin_block::kStatusWindowX)), -1);
  EXPECT_EQ(static_cast<std::int32_t>(BlockU32(e->blocks.skin, skin_block::kStatusWindowY)), -1);
  DestroyEngineInstance(e, setup);
}

// An engine with the built-in test skin whose skin block the edit sets up.
struct SkinnedEngine {
  test::InstalledFolder folder;
  EngineSetup setup;
  EngineInstance* e = nullptr;
  explicit SkinnedEngine(std::function<void(ConfigBlocks&)> edit)
      : folder([&] {
          test::DataFolderContents contents;
          contents.main = {{"zx", "\xe5\xad\x97"}, {"zxa", "\xe5\xad\x98"}};
          contents.edit_blocks = std::move(edit);
          return contents;
        }()) {
    g_builtin = test::SkinPackage("builtin");
    setup = folder.Setup();
    setup.create_ui = CreateUi;
    setup.destroy_ui = DestroyUi;
    e = CreateEngineInstance(setup);
  }
  ~SkinnedEngine() {
    if (e) DestroyEngineInstance(e, setup);
  }
  void Type(const std::u16string& keys) {
    e->key_count = static_cast<std::int32_t>(keys.size());
    std::copy(keys.begin(), keys.end(), e->keys);
    e->keys[keys.size()] = 0;
  }
};

void WriteFontGroup(ByteView skin, std::uint32_t group, std::u16string_view name, std::int32_t size) {
  skin.WriteU32(group + skin_block::kFontColour, 0x123456);
  WriteFieldText(skin, group + skin_block::kFontName, skin_block::kFontNameUnits, name);
  skin.WriteU32(group + skin_block::kFontSize, static_cast<std::uint32_t>(size));
  skin.WriteU32(group + skin_block::kFontWeight, 700);
  skin.WriteU32(group + skin_block::kFontExtra, 0x010001);
}

TEST(UiState, SkinFontsComeFromTheSkinBlockWhenItSaysSo) {
  for (bool own : {true, false}) {
    SCOPED_TRACE(own);
    SkinnedEngine s([own](ConfigBlocks& b) {
      b.skin.WriteU32(skin_block::kFlags, own ? skin_block::kOwnFonts : 0);
      WriteFontGroup(b.skin, skin_block::kCandidateFont, u"WenQuanYi Micro Hei", 24);
      WriteFontGroup(b.skin, skin_block::kCodeFont, u"Code Face", 18);
    });
    ASSERT_NE(s.e, nullptr);
    const SkinFonts fonts = SelectSkinFonts(s.e);
    if (own) {
      EXPECT_EQ(std::u16string(fonts.candidate.name), u"WenQuanYi Micro Hei");
      EXPECT_EQ(fonts.candidate.size, 24);
      EXPECT_EQ(std::u16string(fonts.code.name), u"Code Face");
      EXPECT_EQ(fonts.code.size, 18);
      EXPECT_EQ(fonts.code.weight, 700);
      EXPECT_EQ(fonts.code.colour, 0x123456);
      EXPECT_EQ(fonts.code.reserved[0], 0x010001);
    } else {
      const TextStyle& skin = s.e->ui->skin.description.text;
      EXPECT_EQ(std::u16string(fonts.candidate.name), std::u16string(skin.candidate_font.name));
      EXPECT_EQ(fonts.code.size, skin.code_font.size);
    }
  }
}

TEST(UiState, TheInputTurnsTheWindowVerticalByItsPrefix) {
  SkinnedEngine s([](ConfigBlocks& b) {
    b.skin.WriteU32(skin_block::kFlags, skin_block::kHorizontal);
    b.skin.WriteU32(skin_block::kVerticalPrefixCount, 2);
    WriteFieldText(b.skin, skin_block::VerticalPrefixOffset(0), skin_block::kVerticalPrefixUnits, u"zx");
    WriteFieldText(b.skin, skin_block::VerticalPrefixOffset(1), skin_block::kVerticalPrefixUnits, u"zy");
  });
  ASSERT_NE(s.e, nullptr);
  const std::pair<std::u16string, int> cases[] = {{u"zx", 1}, {u"zya", 1}, {u"z", 0}, {u"ax", 0}, {u"", 0}};
  for (const auto& [keys, expected] : cases) {
    s.Type(keys);
    EXPECT_EQ(InputHasAutoVerticalPrefix(s.e), expected);
  }
  s.Type(u"zx");
  CandidateContent content;
  CandidateContentOf(s.e, content);
  EXPECT_TRUE(content.auto_vertical);
  EXPECT_EQ(StyleOf(content.skin_flags), CandidateStyle::kHorizontal);
  // Without prefixes nothing turns vertical.
  s.e->blocks.skin.WriteU32(skin_block::kVerticalPrefixCount, 0);
  EXPECT_EQ(InputHasAutoVerticalPrefix(s.e), 0);
}

}  // namespace
}  // namespace lz
