#pragma once
// An installed input method for tests: a data folder made in code, its registry entry, and an engine
// instance created on it the way the text service creates one.
#include <filesystem>
#include <functional>
#include <string>

#include "tests/support/data_folder.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/engine_instance.h"

namespace lz::test {

// Every folder gets an identifier of its own: test programs running at once under one Wine prefix share
// its registry, and must not find each other's folders.
class InstalledFolder {
 public:
  explicit InstalledFolder(DataFolderContents contents);
  const std::uint8_t (&identifier() const)[16] { return identifier_; }
  const std::filesystem::path& path() const { return folder_.path(); }
  std::filesystem::path data() const { return folder_.path() / "data"; }
  const std::u16string& class_id() const { return class_id_; }
  std::u16string RegistryKey() const { return ImeRegistryKey(class_id_); }
  // A setup for CreateEngineInstance with no windows.
  EngineSetup Setup() const;

 private:
  TempFolder folder_;
  std::uint8_t identifier_[16] = {};
  std::u16string class_id_;
};

// The folder and an instance on it, destroyed together.
class InstalledEngine {
 public:
  explicit InstalledEngine(DataFolderContents contents);
  ~InstalledEngine();
  InstalledEngine(const InstalledEngine&) = delete;
  InstalledEngine& operator=(const InstalledEngine&) = delete;

  EngineInstance* get() const { return instance_; }
  EngineInstance* operator->() const { return instance_; }
  const InstalledFolder& folder() const { return folder_; }

 private:
  InstalledFolder folder_;
  EngineSetup setup_;
  EngineInstance* instance_ = nullptr;
};

}  // namespace lz::test
