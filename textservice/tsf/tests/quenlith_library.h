#pragma once
// The built text-service library as a test loads it (LoadLibrary from the test's own folder, never
// linked), an installed input method for it to find, and the Windows version the test runs as.
#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>

#include "tests/support/data_folder.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/settings_store.h"
#include "textservice/tsf/tsf_declarations.h"

namespace lz::test {

class QuenlithLibrary {
 public:
  QuenlithLibrary();
  ~QuenlithLibrary();
  QuenlithLibrary(const QuenlithLibrary&) = delete;
  QuenlithLibrary& operator=(const QuenlithLibrary&) = delete;

  HMODULE module() const { return module_; }
  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) const;
  HRESULT CanUnloadNow() const;
  // A new text service through the class factory (the factory released again); null on failure.
  ITfTextInputProcessorEx* NewService() const;

 private:
  HMODULE module_ = nullptr;
  HRESULT(WINAPI* get_class_object_)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT(WINAPI* can_unload_now_)() = nullptr;
};

// The library file beside the test program.
std::wstring QuenlithPath();

// The shipped class identifier.
CLSID ProductClsid();

// The input method installed under the shipped identifier (the library reads its registry entry and its
// data folder); the entry is removed again at scope end.
class InstalledProduct {
 public:
  explicit InstalledProduct(const std::function<void(ConfigBlocks&)>& edit = {});
  // A folder of the test's own making (its identifier becomes the shipped one).
  explicit InstalledProduct(DataFolderContents contents);
  // A copy of a finished data folder (the shipped data set), registered under the shipped identifier.
  explicit InstalledProduct(const std::filesystem::path& folder);
  ~InstalledProduct();
  std::filesystem::path data() const { return folder_.path() / "data"; }
  // Takes the registry entry's IMEName away, as on a machine where setup never ran.
  void RemoveRegistryEntry();

 private:
  TempFolder folder_;
  std::u16string key_;
};

// The true Windows version of this process.
bool RunsAsWindows10();

}  // namespace lz::test
