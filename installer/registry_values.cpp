#include "installer/registry_values.h"

#include "installer/work_paths.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/settings_store.h"

namespace lz::installer {
namespace {

// Units each soft-block text field holds (up to the next field).
constexpr std::uint32_t kShortTextUnits = 64;
constexpr std::uint32_t kHelpLinkUnits = 512;
constexpr std::uint32_t kUrlUnits = 512;
constexpr std::uint32_t kCommandUnits = 260;

std::u16string Text(ByteView soft, std::uint32_t offset, std::uint32_t units) {
  return ReadFieldText(soft, offset, units);
}

RegistryValue Sz(std::u16string_view name, std::u16string text) {
  return RegistryValue{std::u16string(name), false, std::move(text), 0};
}

}  // namespace

std::vector<RegistryValue> ProductValues(ByteView soft, std::u16string_view data_location,
                                         std::u16string_view install_location) {
  using namespace soft_block;
  return {
      Sz(u"DataLocation", std::u16string(data_location)),
      Sz(u"InstallLocation", WithTrailingSeparator(install_location)),
      Sz(u"IMEName", Text(soft, kImeName, kShortTextUnits)),
      Sz(u"DisplayName", Text(soft, kDisplayName, kShortTextUnits)),
      Sz(u"DisplayVersion", Text(soft, kDisplayVersion, kShortTextUnits)),
      Sz(u"URLUpdateInfo", Text(soft, kUrlUpdateInfo, kUrlUnits)),
      Sz(u"LanguageName", Text(soft, kLanguageName, kShortTextUnits)),
      Sz(u"UnstallCommand", Text(soft, kUninstallCommand, kCommandUnits)),
      RegistryValue{u"LANGID", true, {}, BlockU32(soft, kLanguageId)},
  };
}

std::u16string UninstallCommand(std::u16string_view install_location, std::u16string_view class_identifier) {
  return u"\"" + WithTrailingSeparator(install_location) + u"stavel.exe\" /n " + std::u16string(class_identifier) +
         u" /u";
}

std::vector<RegistryValue> UninstallValues(ByteView soft, std::u16string_view class_identifier,
                                           const UninstallSources& sources) {
  using namespace soft_block;
  const std::u16string install = WithTrailingSeparator(sources.install_location);
  std::u16string help = Text(soft, kHelpLink, kHelpLinkUnits);
  if (help.empty()) help = install + u"main.chm";
  std::u16string source = sources.installer_path;
  const std::size_t file = source.find(u"file=");
  if (file != std::u16string::npos) {
    source = source.substr(file + 5);
    source = source.substr(0, source.find(u']'));
  }
  const std::u16string command = UninstallCommand(install, class_identifier);
  return {
      Sz(u"RegOwner", sources.owner),
      Sz(u"RegCompany", sources.organisation),
      Sz(u"DisplayName", Text(soft, kDisplayName, kShortTextUnits)),
      Sz(u"Comments", Text(soft, kComments, kShortTextUnits)),
      Sz(u"DisplayVersion", Text(soft, kDisplayVersion, kShortTextUnits)),
      Sz(u"DisplayIcon", install + u"stavel.exe"),
      Sz(u"Contact", Text(soft, kContact, kShortTextUnits)),
      Sz(u"Publisher", Text(soft, kPublisher, kShortTextUnits)),
      Sz(u"URLInfoAbout", Text(soft, kUrlInfoAbout, kUrlUnits)),
      Sz(u"URLUpdateInfo", Text(soft, kUrlUpdateInfo, kUrlUnits)),
      Sz(u"HelpLink", help),
      Sz(u"HelpTelephone", Text(soft, kHelpTelephone, kShortTextUnits)),
      Sz(u"UninstallString", command),
      Sz(u"InstallLocation", install),
      Sz(u"InstallSource", source),
      Sz(u"ModifyPath", command),
  };
}

}  // namespace lz::installer
