#include "config/settings_export.h"

#include <string>
#include <vector>

#include "config/text_file.h"
#include "platform/os/whole_file.h"
#include "textservice/engine/settings_text.h"

namespace lz {
namespace {

void Section(std::vector<std::uint8_t>& out, std::u16string_view title, std::u16string_view header, ByteView block,
             int sub_kind) {
  if (!block.data) return;
  std::u16string body(kSettingsTextCapacity, u'\0');
  const int written = SettingsTextWrite(block, body.data(), kSettingsTextCapacity, sub_kind);
  body.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  AppendUtf8(out, std::u16string(kSettingsRule) + u"\r\n" + kSettingsBannerPrefix + std::u16string(title) + u"\r\n" +
                      kSettingsRule + u"\r\n" + std::u16string(header) + u"\r\n");
  AppendUtf8(out, body);
  if (!body.empty() && body.back() != u'\n') AppendUtf8(out, u"\r\n");
  AppendUtf8(out, u"\r\n");
}

}  // namespace

bool ExportSettingsText(ByteView, ByteView dme, ByteView skin, const char16_t* path) {
  std::vector<std::uint8_t> bytes(std::begin(kUtf8Mark), std::end(kUtf8Mark));
  Section(bytes, u"DME设置", u"[-DME设置-]", dme, kDmeSettings);
  Section(bytes, u"SKIN设置", u"[-SKIN设置-]", skin, kSkinSettings);
  return os::ReplaceWholeFile(path, bytes);
}

}  // namespace lz
