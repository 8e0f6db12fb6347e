#include "tests/support/installed_engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace lz::test {

InstalledFolder::InstalledFolder(DataFolderContents contents) {
  std::random_device random;
  for (std::uint8_t& b : identifier_) b = static_cast<std::uint8_t>(random());
  std::memcpy(contents.identifier, identifier_, sizeof identifier_);
  WriteDataFolder(data(), contents);
  class_id_ = RegisterInputMethod(contents.identifier, data(), folder_.path() / "program");
}

EngineSetup InstalledFolder::Setup() const {
  EngineSetup setup;
  setup.class_identifier = class_id_.c_str();
  return setup;
}

InstalledEngine::InstalledEngine(DataFolderContents contents) : folder_(std::move(contents)), setup_(folder_.Setup()) {
  instance_ = CreateEngineInstance(setup_);
  EXPECT_NE(instance_, nullptr) << "the test's data folder does not make an engine instance";
}

InstalledEngine::~InstalledEngine() { DestroyEngineInstance(instance_, setup_); }

}  // namespace lz::test
