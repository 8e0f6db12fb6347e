#pragma once
// A data file of the input method used in place: the whole file mapped for shared read/write, or, when
// it cannot be mapped, a read-only heap copy. Also the growable int list that table searches return.
#include <cstdint>

#include "platform/os/file_lock.h"
#include "platform/os/file_mapping.h"

namespace lz {

// Paths are kept in a 260-unit buffer: at most 259 units and a terminating zero.
constexpr int kMaxPathUnits = 260;

struct MappedFile {
  std::int32_t size;               // bytes the view covers (a heap copy: file size + 2)
  char16_t path[kMaxPathUnits];    // the path the file was opened with
  os::FileMapping map;             // file and mapping; not open for a heap copy
  std::uint8_t* view;              // the mapped view or the heap buffer
  os::FileLock write_lock;         // held while this process writes the file
  int write_depth;                 // nesting of ScopedFileWrite on this record
  int change_depth;                // nesting of marked table changes (TableChange) on this record
  // A number no other view of this process has had: it changes whenever the view is replaced (grown,
  // mapped again, closed), so a pointer taken into the old view can be known as stale.
  std::uint32_t mapping;
};

// Opens an existing file and maps it whole; a file that cannot be mapped (read-only, empty) is loaded as
// a heap copy instead. Returns the size and sets *out, or returns 0 and sets *out to null. A path longer
// than 259 units is refused rather than cut, so a cut path can never name another file.
int OpenMappedFile(const char16_t* path, MappedFile** out);

// The heap-copy loader: the file's bytes plus two zero bytes, so text files read as zero-terminated.
int ReadWholeFile(MappedFile** out, const char16_t* path);

// Grows a mapped file to new_size (new bytes are zero); the view moves, so callers re-read it. Returns the
// new size, or 0 when the record is a heap copy or the grow fails; a failed grow leaves the file mapped at
// its old size with its old content.
int ResizeMappedFile(int new_size, MappedFile* file);

// Maps the file again after another process changed its size; the record keeps its address. Returns the
// new size, or 0 (the record is then closed: size 0, no view).
int ReopenMappedFile(MappedFile* file);

// Flushes, unmaps and closes a mapped file, or frees a heap copy; then frees the record. Null is ignored.
void CloseMappedFile(MappedFile* file);

// Writes the view back to the file; 0 for a heap copy.
int FlushMappedFile(MappedFile* file);

// Only a real mapping may be written: changes to a heap copy would never reach the file.
bool IsMappedFileWritable(const MappedFile* file);

// The file's size on disk now (another process may have grown it); -1 for a heap copy or on error.
std::int64_t CurrentMappedFileSize(const MappedFile* file);

// Holds the writer lock of a mapped file for a scope; nested scopes on the same record share it, so a
// composite change (append, then place the new entry, then rebuild the index) is one write for other
// processes. On first entry the file is re-mapped when another process has changed its size, so the
// writer always works on the whole current file. ok() is false for a heap copy, when the lock cannot be
// had, or when the re-map fails; the write must then not happen.
class ScopedFileWrite {
 public:
  explicit ScopedFileWrite(MappedFile* file);
  ~ScopedFileWrite();
  ScopedFileWrite(const ScopedFileWrite&) = delete;
  ScopedFileWrite& operator=(const ScopedFileWrite&) = delete;
  bool ok() const { return ok_; }

 private:
  MappedFile* file_;
  bool ok_ = false;
};

// A growable list of int32 values (record offsets in table searches).
struct IntArray {
  std::int32_t length;
  std::int32_t capacity;
  std::int32_t* items;
  std::int32_t push_count;
};

IntArray* IntArrayNew();
// Returns 1, or 0 when the list cannot grow (the value is then not stored).
int IntArrayPush(IntArray* list, std::int32_t value);
void IntArrayFree(IntArray* list);

}  // namespace lz
