#pragma once
// All settings of an input method as one text: the ime, dme and skin blocks written as seven sections,
// each behind its banner, and read back. Files hold it as UTF-8 with a byte-order mark and CR LF line
// ends. The advanced settings editor shows, saves, backs up and restores it; the installer backs a
// user's settings up with it.
#include <string>
#include <string_view>

#include "textservice/engine/byte_view.h"
#include "textservice/engine/mapped_file.h"
#include "textservice/engine/settings_text.h"

namespace lz {

// The banner rule and title line that stand before each section's header.
inline constexpr char16_t kSettingsRule[] = u"//------------------------------------------------------";
inline constexpr char16_t kSettingsBannerPrefix[] = u"//  　　　　　　　 ";

// The whole settings text of the blocks. ops writes the DME and SKIN bodies (kSettingsTextCapacity
// units each); without ops those two sections are their banner and header only.
std::u16string WriteSettingsText(ByteView ime, ByteView dme, ByteView skin, const SettingsTextOps* ops);

// Writes the settings text to path (the byte-order mark, then UTF-8). True when the file was written
// whole; false, with no file made or an old one left as it was, otherwise.
bool ExportSettingsText(ByteView ime, ByteView dme, ByteView skin, const SettingsTextOps* ops, const char16_t* path);

// What an import did.
constexpr int kSettingsImported = 1;
constexpr int kSettingsTextWithoutSections = 0;  // no header of the seven sections: nothing changed
constexpr int kSettingsStoreNotWritable = -1;     // the store could not be written: nothing changed

// True when the text holds the header of one of the seven sections; any other text is no settings text
// and an import leaves everything as it was.
bool IsSettingsText(std::u16string_view text);

// Applies a settings text to the blocks. A text that holds a header of any of the seven sections first
// clears each table whose section it has (key bindings and combinations, word rules, punctuation,
// display conversion): a section replaces its table whole, a table without its section keeps its
// entries. Key functions, word rules, punctuation and display conversion apply as they are read, the IME, DME and SKIN pairs after the whole text in their order
// (DME and SKIN through ops; not at all without), and the three block headers are stamped again. Settings
// the text does not mention keep their values. Returns kSettingsImported or kSettingsTextWithoutSections.
int ImportSettingsText(std::u16string_view text, ByteView ime, ByteView dme, ByteView skin,
                       const SettingsTextOps* ops);

// The same on the mapped config.dsc, under its writer lock, on the blocks of its current mapping (other
// processes see the change at once). kSettingsStoreNotWritable for a read-only copy, a lock that cannot
// be had or a store without its blocks.
int ImportSettingsTextToStore(std::u16string_view text, MappedFile* store, const SettingsTextOps* ops);

// The file a backup chosen as `chosen` is written to: ASCII letters made small, then ".txt" replaced by
// ".lzconfig.txt" or, for any other name, ".txt" appended. Empty when it would not fit kMaxPathUnits.
std::u16string SettingsBackupPath(std::u16string_view chosen);

// Writes text whole to path as UTF-8 with its mark. False when the file cannot be written.
bool WriteSettingsBackup(const char16_t* path, std::u16string_view text);

}  // namespace lz
