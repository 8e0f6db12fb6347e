#pragma once
// Scheme texts as they come from a file: bytes in any encoding that the one text-file decoder recognises
// (UTF-8 with or without its mark, UTF-16 in either byte order behind its mark, else the ANSI code page).
#include <cstddef>
#include <cstdint>

#include "textservice/engine/scheme_text.h"
#include "textservice/engine/text_decoding.h"

namespace lz {

// Decodes the bytes and applies every pair as ReadSchemeText does; returns the pairs dispatched.
int ReadSchemeTextBytes(const std::uint8_t* bytes, std::size_t byte_count, const ConfigBlocks& blocks,
                        const SettingsTextOps* ops, AnsiDecoder ansi = SystemAnsiToWide);

}  // namespace lz
