#include "textservice/ui/ui_state.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/installed_engine.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/skin_block.h"
#include "textservice/ui/tests/skin_fixture.h"

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
  EXPECT_EQ(ReloadEngineSkinIfChanged(e, g_builtin), 0);
  WriteFieldText(e->blocks.skin, skin_block::kSkinName, skin_block::kSkinNameUnits, u"b.col");
  EXPECT_EQ(ReloadEngineSkinIfChanged(e, g_builtin), 1);
  EXPECT_EQ(Name(e), "b.col");
  DestroyEngineInstance(e, setup);
}

}  // namespace
}  // namespace lz
