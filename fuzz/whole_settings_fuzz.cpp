// Any bytes as a whole-settings text (as UTF-16, and decoded as a file) imported into blocks of the
// designed sizes and into blocks cut short, then written out again: no reader may write outside its
// block, and whatever the writer gives imports again.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings/settings_export.h"
#include "textservice/engine/key_names.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/settings_text.h"
#include "textservice/engine/text_decoding.h"

namespace {

// Each block in a heap buffer of exactly its size, so the sanitizer sees any write past its end.
struct Blocks {
  std::vector<std::uint8_t> ime, dme, skin;
  explicit Blocks(std::size_t share = 255)
      : ime(lz::config_store::kImeBlockSize * share / 255),
        dme(lz::config_store::kDmeBlockSize * share / 255),
        skin(lz::config_store::kSkinBlockSize * share / 255) {}
  static lz::ByteView View(std::vector<std::uint8_t>& b) {
    return lz::ByteView{b.data(), static_cast<std::uint32_t>(b.size())};
  }
  int Import(std::u16string_view text, const lz::SettingsTextOps* ops) {
    return lz::ImportSettingsText(text, View(ime), View(dme), View(skin), ops);
  }
  std::u16string Export(const lz::SettingsTextOps* ops) {
    return lz::WriteSettingsText(View(ime), View(dme), View(skin), ops);
  }
};

constexpr std::u16string_view kHeaders[] = {
    u"", u"[-按键功能-]", u"[-IME设置-]", u"[-DME设置-]", u"[-SKIN设置-]", u"[-构词规则定义-]",
    u"[-非编码符号转义定义表-]", u"[-输入字符显示转换表-]",
};

std::u16string AsUtf16(const std::uint8_t* data, std::size_t size) {
  std::u16string text(size / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::u16string text(kHeaders[data[0] % std::size(kHeaders)]);
  text += u"\r\n";
  text += AsUtf16(data + 1, size - 1);

  lz::SettingsTextOps* ops = lz::NewSettingsTextOps();
  {
    Blocks blocks;
    blocks.Import(text, ops);
    const std::u16string exported = blocks.Export(ops);
    // Whatever the blocks hold, their export is a settings text that imports again.
    Blocks again;
    if (again.Import(exported, ops) != lz::kSettingsImported) __builtin_trap();
    if (blocks.Import(exported, ops) != lz::kSettingsImported) __builtin_trap();
  }
  {
    Blocks blocks;
    blocks.Import(lz::TextBufferToWide(data, size), ops);
  }
  {
    // Blocks cut short: every reader and writer stops at the view's end.
    Blocks cut(data[0]);
    cut.Import(text, ops);
    cut.Export(ops);
  }
  {
    const std::int32_t code = lz::ParseKeyName(std::u16string_view(text).substr(0, 8));
    if (code > 0 && (code & 0xFF) != 0) lz::ParseKeyName(lz::KeyCodeToName(code));
    lz::KeyFunctionMaskToNames(lz::ParseKeyFunctions(text));
  }
  if (ops) ops->free(ops);
  return 0;
}
