#pragma once
// The nine data files of an installed input method, opened from its data folder: the settings store
// and eight code tables. The settings store and the main table are required; the others may be absent,
// and every user of one checks for null first.
#include "textservice/engine/mapped_file.h"

namespace lz {

// In the order an engine instance keeps them.
struct DataFileSet {
  MappedFile* config = nullptr;       // "config.dsc"
  MappedFile* main = nullptr;         // "main.dmg"
  MappedFile* engl = nullptr;         // "engl.dmg"
  MappedFile* temp = nullptr;         // "temp.dmg", 512 fixed slots
  MappedFile* danzi = nullptr;        // "danzi.dmi"
  MappedFile* sysl = nullptr;         // "sysl.dmg", association table
  MappedFile* traditional = nullptr;  // "traditional.dms"
  MappedFile* simplified = nullptr;   // "simplified.dms"
  MappedFile* dict = nullptr;         // "dict.dms"
};

// Opens the set from `data_folder` (ending in a path separator). Returns 1, or 0 with nothing left open
// when config.dsc or main.dmg is missing, cannot be read, or main.dmg is not a sound table. An optional
// table that is missing or not sound stays null. A path that does not fit 259 units is refused.
int OpenDataFiles(const char16_t* data_folder, DataFileSet& files);

// Closes all nine and clears the pointers.
void CloseDataFiles(DataFileSet& files);

// Re-maps the main, temporary, English and association tables when another process changed their size.
// A table whose re-map fails stays closed (no view): look-ups then find nothing in it.
void ReopenResizedTables(DataFileSet& files);

}  // namespace lz
