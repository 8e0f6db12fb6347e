// Any bytes as a scheme text (as UTF-16, and decoded as a file) and as single key=value pairs, applied to
// zero-filled blocks of the designed sizes: no reader may write outside its block, and the writers must
// stay inside their capacity.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "textservice/engine/key_names.h"
#include "textservice/engine/scheme_text.h"
#include "textservice/engine/scheme_text_file.h"
#include "textservice/engine/settings_store.h"
#include "textservice/engine/settings_text.h"

namespace {

// Each block in a heap buffer of exactly its size, so the sanitizer sees any write past its end.
struct Blocks {
  std::vector<std::uint8_t> ime = std::vector<std::uint8_t>(lz::config_store::kImeBlockSize, 0);
  std::vector<std::uint8_t> dme = std::vector<std::uint8_t>(lz::config_store::kDmeBlockSize, 0);
  std::vector<std::uint8_t> skin = std::vector<std::uint8_t>(lz::config_store::kSkinBlockSize, 0);

  static lz::ByteView View(std::vector<std::uint8_t>& b) {
    return lz::ByteView{b.data(), static_cast<std::uint32_t>(b.size())};
  }
  lz::ConfigBlocks views() { return lz::ConfigBlocks{{}, View(ime), View(dme), View(skin)}; }
};

// Headers the fuzzer would take long to find; the first byte picks one to open the text with.
constexpr std::u16string_view kHeaders[] = {
    u"",
    u"[-按键功能-]",
    u"[-IME设置-]",
    u"[-DME设置-]",
    u"[-SKIN设置-]",
    u"[-构词规则定义-]",
    u"[-非编码符号转义定义表-]",
    u"[-输入字符显示转换表-]",
};

std::u16string AsUtf16(const std::uint8_t* data, std::size_t size) {
  std::u16string text(size / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  return text;
}

void CheckWriters(Blocks& blocks, int capacity) {
  std::vector<char16_t> buffer(static_cast<std::size_t>(capacity) + 1, u'#');
  for (int kind : {lz::kDmeSettings, lz::kSkinSettings}) {
    const lz::ByteView block = kind == lz::kDmeSettings ? Blocks::View(blocks.dme) : Blocks::View(blocks.skin);
    const int length = lz::SettingsTextWrite(block, buffer.data(), capacity, kind);
    if (length < 0 || length >= capacity || buffer[static_cast<std::size_t>(length)] != 0 ||
        buffer[static_cast<std::size_t>(capacity)] != u'#') {
      __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::u16string_view header = kHeaders[data[0] % std::size(kHeaders)];
  const std::u16string body = AsUtf16(data + 1, size - 1);

  lz::SettingsTextOps* ops = lz::NewSettingsTextOps();
  {
    Blocks blocks;
    std::u16string text(header);
    text += u"\r\n";
    text += body;
    lz::ReadSchemeText(text, blocks.views(), ops);
    CheckWriters(blocks, lz::kSettingsTextCapacity);
    CheckWriters(blocks, 1 + data[0]);
  }
  {
    // The body as one pair for every reader, split at its first zero unit.
    Blocks blocks;
    const std::size_t split = body.find(u'\0');
    const std::u16string_view key = std::u16string_view(body).substr(0, split);
    const std::u16string_view value =
        split == std::u16string::npos ? std::u16string_view() : std::u16string_view(body).substr(split + 1);
    for (int id = 0; id <= lz::kSoftwareSection; ++id) lz::DispatchSchemeSetting(blocks.views(), ops, id, key, value);
    lz::ApplySetCommand(body, blocks.views());
    lz::ApplySetCommand(u"set(" + body, blocks.views());
    lz::ParseKeyName(body);
    lz::ParseKeyFunctions(body);
    lz::WordRuleSlot slot;
    lz::ParseWordRule(slot, body);
    for (char16_t c : body) lz::DisplayConversionChar(Blocks::View(blocks.ime), c);
    CheckWriters(blocks, lz::kSettingsTextCapacity);
  }
  {
    // The raw bytes as a text file in whatever encoding the decoder makes of them.
    Blocks blocks;
    lz::ReadSchemeTextBytes(data, size, blocks.views(), ops);
  }
  {
    // Blocks cut short (a store that another process is growing): the readers must stop at the view's end.
    std::vector<std::uint8_t> ime(lz::config_store::kImeBlockSize * data[0] / 255, 0);
    std::vector<std::uint8_t> dme(lz::config_store::kDmeBlockSize * data[0] / 255, 0);
    std::vector<std::uint8_t> skin(lz::config_store::kSkinBlockSize * data[0] / 255, 0);
    const lz::ConfigBlocks cut{{}, Blocks::View(ime), Blocks::View(dme), Blocks::View(skin)};
    std::u16string text(header);
    text += u"\r\n";
    text += body;
    lz::ReadSchemeText(text, cut, ops);
  }
  if (ops) ops->free(ops);
  return 0;
}
