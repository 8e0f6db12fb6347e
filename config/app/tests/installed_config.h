#pragma once
// What config's Windows tests install: the built library of the test's width in the system folder under
// an IMEName, as the installer puts it.
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/installed_engine.h"

namespace lz::config::installed {

void InstallLibrary(const std::wstring& name);
lz::test::DataFolderContents Contents();

// The native tree's shipped data set, reached through Wine's Z: drive.
std::filesystem::path ShippedData();

// FOLDER\data as a copy of the shipped data set, registered under the product's class identifier with
// FOLDER as the installation folder. Returns the identifier's registry text, empty when it failed.
std::u16string InstallShippedData(const std::filesystem::path& folder);

// The built config program beside this test program: configx64.exe, config.exe on x86.
std::wstring ConfigProgramPath();

// The built config program beside this test program, started with ARGUMENTS; ended at once if it still
// runs when this goes.
class ConfigProgram {
 public:
  explicit ConfigProgram(const std::wstring& arguments);
  ~ConfigProgram();
  ConfigProgram(const ConfigProgram&) = delete;
  ConfigProgram& operator=(const ConfigProgram&) = delete;

  bool started() const { return started_; }
  // Waits up to 20 s for the end while this thread's windows keep answering (a program may send to them);
  // the exit code, or -1 when it did not end in time.
  int Wait();
  bool Ended() { return Wait() != -1; }

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
};

// Every file of a folder marked read-only while this lives, as in a folder the user may not write; the
// marks go when it goes.
class ReadOnlyFiles {
 public:
  explicit ReadOnlyFiles(const std::filesystem::path& folder);
  ~ReadOnlyFiles();
  ReadOnlyFiles(const ReadOnlyFiles&) = delete;
  ReadOnlyFiles& operator=(const ReadOnlyFiles&) = delete;

 private:
  std::vector<std::filesystem::path> files_;
};

// A stand-in for a running dictionary: a dialog titled as the dictionary's, recording what it is handed.
struct DictionaryStandIn {
  std::vector<std::vector<std::uint8_t>> received;
  HWND window = nullptr;

  explicit DictionaryStandIn(const wchar_t* title);
  ~DictionaryStandIn();
  DictionaryStandIn(const DictionaryStandIn&) = delete;
  DictionaryStandIn& operator=(const DictionaryStandIn&) = delete;
};

// The zero-terminated UTF-16 word of a hand-over's bytes.
std::u16string WordOf(const std::vector<std::uint8_t>& bytes);

}  // namespace lz::config::installed
