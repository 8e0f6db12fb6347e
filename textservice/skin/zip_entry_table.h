#pragma once
// A zip archive read whole into memory: every member's name and uncompressed bytes, in the archive's
// directory order. Skin packages, update packages and the installer payload are small enough to read
// this way, and reading everything first means no member is looked at before the archive proved whole.
//
// The reader is strict: a member that cannot be read or decompressed, fails its CRC, has a name that
// could step outside a target folder, or has a name longer than the name field refuses the whole
// archive. A half-read package must never pass for a complete one.
#include <minizip/unzip.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lz {

// The name field of an entry: at most 63 bytes and a terminating zero. Longer names are refused.
constexpr std::size_t kZipEntryNameSize = 64;
// Default cap on the sum of the members' uncompressed sizes. Generous, because the installer payload
// goes through the same reader; skins are far smaller.
constexpr std::uint64_t kDefaultZipTotalLimit = std::uint64_t{512} << 20;

struct ZipEntry {
  char name[kZipEntryNameSize] = {};  // as stored in the archive ('/' between folders), zero-terminated
  std::vector<std::uint8_t> data;     // the whole member, uncompressed
  std::uint32_t size() const { return static_cast<std::uint32_t>(data.size()); }
};

struct ZipEntryTable {
  std::vector<ZipEntry> entries;
};

struct ZipReadLimits {
  std::uint64_t max_total_bytes = kDefaultZipTotalLimit;  // sum of the uncompressed sizes
  // The most a member of this name may hold; a member that declares more refuses the archive, and one
  // whose cap is 0 is of no use to the reader and is not inflated at all (it is listed without data).
  // Null: every member may hold up to max_total_bytes.
  std::uint64_t (*member_cap)(std::string_view name) = nullptr;
};

// True for a relative name that stays below the folder it is unpacked into: no leading '/' or '\', no
// ':' (drive letters, alternate streams), and no component that walks upwards ("..", or a run of dots
// that Windows would read as one).
bool IsSafeZipEntryName(std::string_view name);

// Folds a name to one case for ZipNamesCollide: ASCII letters only, enough for names that are ASCII.
void FoldAsciiCase(std::u16string& name);

// True when the members' names, resolved as Windows resolves a path below a folder, would write one
// file twice or put a file where another member needs a folder: '/' and '\' alike, trailing dots and
// spaces of each level dropped, empty and "." levels dropped, and case folded by fold. A member name
// ending in a separator is a folder; a file whose name resolves to nothing collides with its folder.
// An archive that does this would leave whichever member came last, so it is refused whole.
bool ZipNamesCollide(const std::vector<std::u16string>& names, void (*fold)(std::u16string&) = FoldAsciiCase);

// Collects every member of an archive that minizip has opened. Null when zip is null, when any member
// fails (see above), when the limits are passed, or when memory runs out. Leaves no member open.
std::unique_ptr<ZipEntryTable> CollectZipEntries(unzFile zip, const ZipReadLimits& limits = {});

// The archive in a file (UTF-16 path). Null when the file cannot be read or is refused as above.
std::unique_ptr<ZipEntryTable> ReadZipEntries(const char16_t* path, const ZipReadLimits& limits = {});

// The archive in a block of memory (the built-in skin in the library's resources). The block is only
// read, and only inside [base, base + size).
std::unique_ptr<ZipEntryTable> ReadZipEntriesFromMemory(std::uint64_t size, const std::uint8_t* base,
                                                        const ZipReadLimits& limits = {});

// The memory block behind minizip's file functions. It travels as minizip's opaque pointer, so no
// address is ever squeezed into a name and back.
struct MemoryZipBlock {
  const std::uint8_t* base = nullptr;
  std::uint64_t size = 0;
};

// One open stream over a MemoryZipBlock. Blocks are read-only, so the logical end (limit) is the size
// and writes are refused.
struct MemoryZipStream {
  const std::uint8_t* base = nullptr;
  std::uint64_t size = 0;
  std::uint64_t limit = 0;
  std::uint64_t offset = 0;
};

// Fills minizip's function table (open, read, write, tell, seek, close, error) for reading the block.
// The block must outlive the archive handle opened with the table.
void FillMemoryZipFunctions(zlib_filefunc64_def& functions, const MemoryZipBlock& block);

}  // namespace lz
