#pragma once
// The settings text of an input method's blocks written to a file: each section behind its banner,
// UTF-8 with a byte-order mark, CR LF line ends. The installer backs a user's settings up with it.
#include "textservice/engine/byte_view.h"

namespace lz {

// The banner rule and title line that stand before each section's header.
inline constexpr char16_t kSettingsRule[] = u"//------------------------------------------------------";
inline constexpr char16_t kSettingsBannerPrefix[] = u"//  　　　　　　　 ";

// Writes the "[-DME设置-]" and "[-SKIN设置-]" sections of the blocks (a missing block's section is left
// out). True when the file was written whole.
bool ExportSettingsText(ByteView ime, ByteView dme, ByteView skin, const char16_t* path);

}  // namespace lz
