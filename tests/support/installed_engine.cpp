#include "tests/support/installed_engine.h"

#include <gtest/gtest.h>

namespace lz::test {

InstalledFolder::InstalledFolder(const DataFolderContents& contents) {
  WriteDataFolder(data(), contents);
  class_id_ = RegisterInputMethod(contents.identifier, data(), folder_.path() / "program");
}

EngineSetup InstalledFolder::Setup() const {
  EngineSetup setup;
  setup.class_identifier = class_id_.c_str();
  return setup;
}

InstalledEngine::InstalledEngine(const DataFolderContents& contents) : folder_(contents), setup_(folder_.Setup()) {
  instance_ = CreateEngineInstance(setup_);
  EXPECT_NE(instance_, nullptr) << "the test's data folder does not make an engine instance";
}

InstalledEngine::~InstalledEngine() { DestroyEngineInstance(instance_, setup_); }

}  // namespace lz::test
