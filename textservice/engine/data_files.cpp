#include "textservice/engine/data_files.h"


#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"

namespace lz {
namespace {

// Opens folder + name; null when the path does not fit or the file cannot be read.
MappedFile* OpenInFolder(const char16_t* folder, const char16_t* name) {
  char16_t path[kMaxPathUnits];
  std::size_t n = 0;
  for (const char16_t* p = folder; *p; ++p) {
    if (n + 1 >= kMaxPathUnits) return nullptr;
    path[n++] = *p;
  }
  for (const char16_t* p = name; *p; ++p) {
    if (n + 1 >= kMaxPathUnits) return nullptr;
    path[n++] = *p;
  }
  path[n] = 0;
  MappedFile* file = nullptr;
  OpenMappedFile(path, &file);
  return file;
}

bool IsSoundTable(const MappedFile* table, bool dictionary) {
  const ByteView view{table->view, static_cast<std::uint32_t>(table->size)};
  // The format number is the engine instance's identity check; here only the structure matters, and
  // only as far as opening costs the same at every size: records are checked where they are read, and
  // the order of the offset table (which only hides records from look-ups) is left to the table tools.
  return CheckCodeTableOnOpen(view, {.require_format = false, .dictionary_layout = dictionary}) == TableCheck::kValid;
}

void ReopenIfResized(MappedFile* table) {
  if (!table || !table->map.open) return;
  const std::int64_t current = CurrentMappedFileSize(table);
  if (current != table->size) ReopenMappedFile(table);
}

// The check is read again while another process changes the table under it (the change count was odd
// or moved), so that half a change never refuses a sound table.
MappedFile* OpenTable(const char16_t* folder, const char16_t* name, bool dictionary = false) {
  MappedFile* table = OpenInFolder(folder, name);
  if (!table) return nullptr;
  RepairTableOnOpen(table);
  bool sound = false;
  for (int attempt = 1;; ++attempt) {
    if (attempt > kQuickReadAttempts) {
      // Writers that keep changing the table are held off by their own lock for the one check.
      ScopedFileWrite hold(table);
      sound = table->view && IsSoundTable(table, dictionary);
      break;
    }
    // A writer may have grown the file since it was mapped: the header then speaks of the larger file.
    ReopenIfResized(table);
    const std::uint32_t seen = EntryChanges(table);
    sound = table->view && IsSoundTable(table, dictionary);
    const bool resized = table->map.open && CurrentMappedFileSize(table) != table->size;
    if (!ChangedSince(table, seen) && !resized) break;
    WaitBeforeReadingAgain(attempt);
  }
  if (sound) return table;
  CloseMappedFile(table);
  return nullptr;
}

}  // namespace

int OpenDataFiles(const char16_t* data_folder, DataFileSet& files) {
  files = DataFileSet{};
  if (!data_folder) return 0;
  files.config = OpenInFolder(data_folder, u"config.dsc");
  files.main = files.config ? OpenTable(data_folder, u"main.dmg") : nullptr;
  if (!files.config || !files.main) {
    CloseDataFiles(files);
    return 0;
  }
  files.engl = OpenTable(data_folder, u"engl.dmg");
  files.temp = OpenTable(data_folder, u"temp.dmg");
  files.danzi = OpenTable(data_folder, u"danzi.dmi");
  files.sysl = OpenTable(data_folder, u"sysl.dmg");
  files.traditional = OpenTable(data_folder, u"traditional.dms");
  files.simplified = OpenTable(data_folder, u"simplified.dms");
  files.dict = OpenTable(data_folder, u"dict.dms", true);
  return 1;
}

void CloseDataFiles(DataFileSet& files) {
  for (MappedFile** file : {&files.config, &files.main, &files.engl, &files.temp, &files.sysl, &files.simplified,
                            &files.traditional, &files.danzi, &files.dict}) {
    CloseMappedFile(*file);
    *file = nullptr;
  }
}

void ReopenResizedTables(DataFileSet& files) {
  ReopenIfResized(files.main);
  ReopenIfResized(files.temp);
  ReopenIfResized(files.engl);
  ReopenIfResized(files.sysl);
}

}  // namespace lz
