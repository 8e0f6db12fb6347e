#pragma once
// The OS side of the shared data files: an existing file opened for shared read/write and mapped
// whole, grown in place, flushed and closed; and a plain whole-file read for files that cannot be
// mapped. Every process that uses the input method maps the same files this way and sees the others'
// writes through the operating system's mapping.
#include <cstdint>
#include <vector>

namespace os {

struct FileMapping {
  std::intptr_t file = 0;     // open file (Windows handle, POSIX descriptor)
  std::intptr_t mapping = 0;  // Windows mapping object; unused on POSIX
  std::uint8_t* view = nullptr;
  std::uint32_t size = 0;     // bytes the view covers
  bool open = false;
};

// Opens an existing file (never creates one) with read and write access, sharing both, and maps all of
// it. Fails for a missing file, one that cannot be opened for writing, and an empty file.
bool MapExistingFile(const char16_t* path, FileMapping& out);

// Creates the file, or empties an existing one, with read and write access shared with other processes,
// and sets its length to size (zero bytes). The file is closed again; MapExistingFile maps it.
bool CreateFileOfSize(const char16_t* path, std::uint32_t size);

// Writes the view's dirty pages back to the file.
bool FlushMapping(const FileMapping& m);

// Extends the file to new_size (new bytes are zero) and maps the whole file again; the view moves.
// On failure the mapping stays as it was: same size, same view, same content.
bool GrowMapping(FileMapping& m, std::uint32_t new_size);

// Flushes, unmaps and closes; leaves m empty.
void CloseMapping(FileMapping& m);

// The file's size on disk now, which another process may have changed; -1 when it cannot be read.
std::int64_t CurrentFileSize(const FileMapping& m);

// Reads a whole regular file; false when it cannot be opened or read, or is a folder, a FIFO or a device.
bool ReadFileBytes(const char16_t* path, std::vector<std::uint8_t>& out);

}  // namespace os
