#include "config/settings_export.h"

#include <string>
#include <vector>

#include "platform/os/whole_file.h"
#include "textservice/engine/settings_text.h"

namespace lz {
namespace {

constexpr std::uint8_t kUtf8Mark[] = {0xEF, 0xBB, 0xBF};

void AppendUtf8(std::vector<std::uint8_t>& out, std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out.push_back(static_cast<std::uint8_t>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<std::uint8_t>(0xC0 | (c >> 6)));
      out.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<std::uint8_t>(0xE0 | (c >> 12)));
      out.push_back(static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<std::uint8_t>(0xF0 | (c >> 18)));
      out.push_back(static_cast<std::uint8_t>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
    }
  }
}

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
