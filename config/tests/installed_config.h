#pragma once
// What config's Windows tests install: the built library of the test's width in the system folder under
// an IMEName, as the installer puts it.
#include <string>

#include "tests/support/installed_engine.h"

namespace lz::config::installed {

void InstallLibrary(const std::wstring& name);
lz::test::DataFolderContents Contents();

}  // namespace lz::config::installed
