// config's context on an installed input method, in a private Wine prefix: the library of the test's
// width is put into the system folder under the IMEName, as the installer puts it.
#include "config/app/config_context_win32.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/os/native_path.h"
#include "platform/os/system_info.h"
#include "config/app/tests/installed_config.h"
#include "tests/support/installed_engine.h"

namespace lz::config {
namespace {

using installed::Contents;
using installed::InstallLibrary;

TEST(ConfigContextTest, OpensOnTheInstalledInputMethodWithItsLibrary) {
  InstallLibrary(L"Quenlith");
  test::InstalledFolder folder(Contents());
  ConfigContext* context = OpenConfigContext(folder.class_id().c_str());
  ASSERT_NE(context, nullptr);
  ASSERT_NE(context->engine, nullptr);
  EXPECT_GT(context->engine->blocks.dme.size, 0u);
  ASSERT_NE(context->library, nullptr);
  EXPECT_NE(GetProcAddress(context->library, "LZITFGetObject"), nullptr);
  EXPECT_EQ(std::u16string(context->program_name), u"config_context_tests.exe");
  EXPECT_EQ(std::u16string(context->class_id), folder.class_id());
  CloseConfigContext(context);
}

TEST(ConfigContextTest, RefusesWhatDoesNotAgree) {
  InstallLibrary(L"Quenlith");
  const struct {
    const char* what;
    std::u16string class_id;
    const char16_t* ime_name;  // null: as registered
    const char16_t* removed;   // a registry value taken away
  } cases[] = {
      {"no class identifier", u"Quenlith", nullptr, nullptr},
      {"another identifier", u"{01234567-89AB-CDEF-0123-456789ABCDEF}", nullptr, nullptr},
      {"no IMEName", u"", nullptr, u"IMEName"},
      {"no DataLocation", u"", nullptr, u"DataLocation"},
      {"no InstallLocation", u"", nullptr, u"InstallLocation"},
      {"no library", u"", u"NoSuchLibrary", nullptr},
      {"a name with a folder", u"", u"..\\system32\\Quenlith", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::InstalledFolder folder(Contents());
    if (c.ime_name) os::SetMachineString(folder.RegistryKey().c_str(), u"IMEName", c.ime_name);
    if (c.removed) os::DeleteMachineValue(folder.RegistryKey().c_str(), c.removed);
    const std::u16string id = c.class_id.empty() ? folder.class_id() : c.class_id;
    ConfigContext* context = OpenConfigContext(id.c_str());
    EXPECT_EQ(context, nullptr);
    CloseConfigContext(context);
  }
}

}  // namespace
}  // namespace lz::config
