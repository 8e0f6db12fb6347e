#include "config/web/about_page.h"

#include <string>

#include "textservice/engine/block_fields.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/text_compare.h"

namespace lz::config {
namespace {

constexpr std::uint32_t kDisplayNameUnits = (soft_block::kLanguageName - soft_block::kDisplayName) / 2;
constexpr std::uint32_t kDisplayVersionUnits = (soft_block::kComments - soft_block::kDisplayVersion) / 2;
constexpr std::uint32_t kUpdateTemplateUnits = 512;

}  // namespace

AboutPageView ReadAboutPage(ByteView soft, std::u16string_view install_folder) {
  AboutPageView view;
  view.title = ReadFieldText(soft, soft_block::kDisplayName, kDisplayNameUnits) + u": " +
               ReadFieldText(soft, soft_block::kDisplayVersion, kDisplayVersionUnits) + u" build ";
  for (const char digit : std::to_string(kBuildNumber)) view.title += static_cast<char16_t>(digit);
  view.address = u"mk:@MSITStore:" + HelpFilePath(install_folder) + u"::/About.html";
  const std::u16string update = ReadFieldText(soft, soft_block::kUrlUpdateInfo, kUpdateTemplateUnits);
  view.update_link_shown = !update.empty() && !EqualsIgnoreCase(update, kDefaultUpdateTemplate);
  return view;
}

std::u16string HelpFilePath(std::u16string_view install_folder) {
  std::u16string file(install_folder);
  // The registry keeps the folder without a closing separator.
  if (!file.empty() && file.back() != u'\\' && file.back() != u'/') file += u'\\';
  return file + u"main.chm";
}

}  // namespace lz::config
