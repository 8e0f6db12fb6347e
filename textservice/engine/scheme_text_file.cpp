#include "textservice/engine/scheme_text_file.h"

#include <string>

namespace lz {

int ReadSchemeTextBytes(const std::uint8_t* bytes, std::size_t byte_count, const ConfigBlocks& blocks,
                        const SettingsTextOps* ops, AnsiDecoder ansi) {
  if (!bytes || byte_count == 0) return 0;
  const std::u16string text = TextBufferToWide(bytes, byte_count, ansi);
  // The decoder's buffer may carry the file's own terminator; the text ends at the first zero unit.
  return ReadSchemeText(std::u16string_view(text.c_str()), blocks, ops);
}

}  // namespace lz
