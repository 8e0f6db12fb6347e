#include "textservice/skin/zip_entry_table.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <set>
#include <string>

#include "platform/os/file_mapping.h"
#include "platform/os/folder_list.h"
#include "textservice/engine/byte_view.h"

namespace lz {
namespace {

// What the whole-file reader accepts on disk beyond the uncompressed cap: headers, the directory and
// stored members' framing. An archive larger than this cannot hold members within the cap anyway.
constexpr std::uint64_t kArchiveFramingAllowance = std::uint64_t{16} << 20;
// unzReadCurrentFile takes an unsigned count; members are read in chunks of at most this.
constexpr std::size_t kReadChunk = std::size_t{1} << 30;
// The first read of a member; later reads ask for as much as has arrived so far.
constexpr std::size_t kFirstReadChunk = std::size_t{64} << 10;
// minizip wants a name to open; the memory functions take the block from the opaque pointer instead.
constexpr char kMemoryArchiveName[] = "memory";

// The end-of-central-directory record, which closes every zip archive: its fields at their offsets.
constexpr std::uint32_t kEndRecordSignature = 0x06054B50;
constexpr std::uint32_t kEndSignature = 0;       // uint32
constexpr std::uint32_t kEndTotalEntries = 10;   // uint16
constexpr std::uint32_t kEndCommentLength = 20;  // uint16, then the comment
constexpr std::uint32_t kEndRecordSize = 22;
constexpr std::uint32_t kMaxEndTail = kEndRecordSize + 0xFFFF;

// The end record of an archive that ends exactly with the record and its comment. minizip accepts some
// archives whose end was cut off (it reads missing fields as zero), so the reader checks this itself
// before it trusts anything in the block. Returns false when there is no such record.
bool FindEndRecord(const std::uint8_t* base, std::uint64_t size, std::uint16_t& total_entries) {
  const auto tail = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, kMaxEndTail));
  // Only read through the view; ByteView is not const-qualified.
  const ByteView view{const_cast<std::uint8_t*>(base + (size - tail)), tail};
  for (std::uint32_t at = tail >= kEndRecordSize ? tail - kEndRecordSize + 1 : 0; at-- > 0;) {
    std::uint32_t signature = 0;
    std::uint16_t comment = 0;
    if (!view.ReadU32(at + kEndSignature, signature) || signature != kEndRecordSignature) continue;
    if (!view.ReadU16(at + kEndCommentLength, comment) || std::uint64_t{at} + kEndRecordSize + comment != tail) {
      continue;
    }
    return view.ReadU16(at + kEndTotalEntries, total_entries);
  }
  return false;
}

// --- memory stream -----------------------------------------------------------------------------------

voidpf ZCALLBACK OpenMemory(voidpf opaque, const void* /*name*/, int mode) {
  const auto* block = static_cast<const MemoryZipBlock*>(opaque);
  // The block is read-only (a locked resource, a file image): opening it for writing is refused.
  if (!block || !block->base || (mode & ZLIB_FILEFUNC_MODE_CREATE) != 0) return nullptr;
  auto* stream = new (std::nothrow) MemoryZipStream;
  if (!stream) return nullptr;
  stream->base = block->base;
  stream->size = block->size;
  stream->limit = block->size;
  stream->offset = 0;
  return stream;
}

uLong ZCALLBACK ReadMemory(voidpf /*opaque*/, voidpf handle, void* buffer, uLong count) {
  auto* stream = static_cast<MemoryZipStream*>(handle);
  const std::uint64_t n = std::min<std::uint64_t>(count, stream->size - stream->offset);
  if (n) std::memcpy(buffer, stream->base + stream->offset, static_cast<std::size_t>(n));
  stream->offset += n;
  return static_cast<uLong>(n);
}

uLong ZCALLBACK WriteMemory(voidpf /*opaque*/, voidpf /*handle*/, const void* /*buffer*/, uLong /*count*/) { return 0; }

ZPOS64_T ZCALLBACK TellMemory(voidpf /*opaque*/, voidpf handle) {
  return static_cast<MemoryZipStream*>(handle)->offset;
}

long ZCALLBACK SeekMemory(voidpf /*opaque*/, voidpf handle, ZPOS64_T distance, int origin) {
  auto* stream = static_cast<MemoryZipStream*>(handle);
  std::uint64_t from = 0;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
      from = 0;
      break;
    case ZLIB_FILEFUNC_SEEK_CUR:
      from = stream->offset;
      break;
    case ZLIB_FILEFUNC_SEEK_END:
      from = stream->limit;
      break;
    default:
      return -1;
  }
  if (distance > std::numeric_limits<std::uint64_t>::max() - from) return 1;
  const std::uint64_t target = from + distance;
  if (target > stream->size) return 1;
  // The stream is never written, so its logical end is the block's end and there is no gap to fill.
  stream->offset = target;
  return 0;
}

int ZCALLBACK CloseMemory(voidpf /*opaque*/, voidpf handle) {
  delete static_cast<MemoryZipStream*>(handle);
  return 0;
}

int ZCALLBACK MemoryError(voidpf /*opaque*/, voidpf /*handle*/) { return 0; }

// --- members -----------------------------------------------------------------------------------------

// Closes the current member when a read ends early, so an archive handle never keeps one open.
class OpenMember {
 public:
  explicit OpenMember(unzFile zip) : zip_(zip) {}
  ~OpenMember() {
    if (open_) unzCloseCurrentFile(zip_);
  }
  OpenMember(const OpenMember&) = delete;
  OpenMember& operator=(const OpenMember&) = delete;
  bool Open() { return open_ = unzOpenCurrentFile3(zip_, nullptr, nullptr, 0, nullptr) == UNZ_OK; }
  // UNZ_CRCERROR here means every byte was read and the checksum did not match.
  bool Close() {
    open_ = false;
    return unzCloseCurrentFile(zip_) == UNZ_OK;
  }

 private:
  unzFile zip_;
  bool open_ = false;
};

bool ReadCurrentMember(unzFile zip, const ZipReadLimits& limits, std::uint64_t& total, ZipEntry& entry) {
  unz_file_info64 info{};
  if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
  // A longer name would be cut, and a cut name may name another member or another file.
  if (info.size_filename == 0 || info.size_filename >= kZipEntryNameSize) return false;
  if (unzGetCurrentFileInfo64(zip, &info, entry.name, sizeof entry.name, nullptr, 0, nullptr, 0) != UNZ_OK) {
    return false;
  }
  entry.name[kZipEntryNameSize - 1] = '\0';
  const std::string_view name(entry.name, info.size_filename);
  if (name.find('\0') != std::string_view::npos || !IsSafeZipEntryName(name)) return false;

  const std::uint64_t cap = limits.member_cap ? limits.member_cap(name) : limits.max_total_bytes;
  if (cap == 0) return true;  // of no use to the reader: never inflated
  if (info.uncompressed_size > cap || info.uncompressed_size > limits.max_total_bytes - total ||
      info.uncompressed_size > std::numeric_limits<std::uint32_t>::max()) {
    return false;
  }
  total += info.uncompressed_size;

  OpenMember member(zip);
  if (!member.Open()) return false;
  const auto declared = static_cast<std::size_t>(info.uncompressed_size);
  // Within a member's own cap the buffer is the declared size at once; beyond the reader's caps the
  // declared size is only a claim, and the buffer grows with the bytes that actually arrive (at most
  // doubling), so a small archive that declares huge members never gets their memory.
  if (limits.member_cap) entry.data.reserve(declared);
  while (entry.data.size() < declared) {
    const std::size_t got = entry.data.size();
    const std::size_t first = limits.member_cap ? declared : kFirstReadChunk;
    const std::size_t chunk = std::min({declared - got, std::max(got, first), kReadChunk});
    entry.data.resize(got + chunk);
    const int n = unzReadCurrentFile(zip, entry.data.data() + got, static_cast<unsigned>(chunk));
    if (n <= 0) return false;
    entry.data.resize(got + static_cast<std::size_t>(n));
  }
  return member.Close();
}

}  // namespace

bool IsSafeZipEntryName(std::string_view name) {
  if (name.empty() || name.front() == '/' || name.front() == '\\') return false;
  if (name.find(':') != std::string_view::npos) return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    // Windows drops trailing dots and spaces, so "..." and ".. " walk upwards just like "..".
    const bool dots_and_spaces = part.find_first_not_of(". ") == std::string_view::npos;
    if (dots_and_spaces && std::count(part.begin(), part.end(), '.') >= 2) return false;
    start = end + 1;
  }
  return true;
}

void FoldAsciiCase(std::u16string& name) {
  for (char16_t& c : name) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
}

bool ZipNamesCollide(const std::vector<std::u16string>& names, void (*fold)(std::u16string&)) {
  try {
    std::set<std::u16string> files, folders;
    for (const std::u16string& name : names) {
      const bool is_folder = !name.empty() && (name.back() == u'/' || name.back() == u'\\');
      std::u16string key;
      std::size_t start = 0;
      while (start <= name.size()) {
        std::size_t end = name.find_first_of(u"/\\", start);
        if (end == std::u16string::npos) end = name.size();
        std::u16string level = name.substr(start, end - start);
        while (!level.empty() && (level.back() == u'.' || level.back() == u' ')) level.pop_back();
        if (!level.empty()) {
          // Every level above this one is a folder the member needs.
          if (!key.empty()) folders.insert(key);
          if (!key.empty()) key += u'/';
          key += level;
          if (fold) fold(key);
        }
        start = end + 1;
      }
      if (is_folder) {
        if (!key.empty()) folders.insert(key);
      } else if (key.empty() || !files.insert(key).second) {
        return true;
      }
    }
    for (const std::u16string& file : files) {
      if (folders.count(file)) return true;
    }
    return false;
  } catch (const std::bad_alloc&) {
    return true;  // what cannot be compared is not unpacked
  }
}

std::unique_ptr<ZipEntryTable> CollectZipEntries(unzFile zip, const ZipReadLimits& limits) {
  if (!zip) return nullptr;
  try {
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(zip, &global) != UNZ_OK) return nullptr;
    auto table = std::make_unique<ZipEntryTable>();
    if (global.number_entry == 0) return table;
    if (unzGoToFirstFile(zip) != UNZ_OK) return nullptr;
    std::uint64_t total = 0;
    for (;;) {
      ZipEntry entry;
      if (!ReadCurrentMember(zip, limits, total, entry)) return nullptr;
      table->entries.push_back(std::move(entry));
      const int next = unzGoToNextFile(zip);
      if (next == UNZ_END_OF_LIST_OF_FILE) break;
      if (next != UNZ_OK) return nullptr;
    }
    return table;
  } catch (const std::bad_alloc&) {
    return nullptr;
  } catch (const std::length_error&) {
    return nullptr;
  }
}

std::unique_ptr<ZipEntryTable> ReadZipEntriesFromMemory(std::uint64_t size, const std::uint8_t* base,
                                                        const ZipReadLimits& limits) {
  if (!base || size == 0) return nullptr;
  std::uint16_t total_entries = 0;
  if (!FindEndRecord(base, size, total_entries)) return nullptr;
  try {
    // minizip cannot open an archive whose end record is its first byte: the one without members.
    if (total_entries == 0) return std::make_unique<ZipEntryTable>();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  const MemoryZipBlock block{base, size};
  zlib_filefunc64_def functions;
  FillMemoryZipFunctions(functions, block);
  unzFile zip = unzOpen2_64(kMemoryArchiveName, &functions);
  if (!zip) return nullptr;
  auto table = CollectZipEntries(zip, limits);
  unzClose(zip);
  return table;
}

std::unique_ptr<ZipEntryTable> ReadZipEntries(const char16_t* path, const ZipReadLimits& limits) {
  if (!path) return nullptr;
  const std::int64_t file_size = os::RegularFileSize(path);
  if (file_size <= 0 || static_cast<std::uint64_t>(file_size) > limits.max_total_bytes + kArchiveFramingAllowance) {
    return nullptr;
  }
  try {
    std::vector<std::uint8_t> bytes;
    if (!os::ReadFileBytes(path, bytes)) return nullptr;
    return ReadZipEntriesFromMemory(bytes.size(), bytes.data(), limits);
  } catch (const std::bad_alloc&) {
    return nullptr;
  } catch (const std::length_error&) {
    return nullptr;
  }
}

void FillMemoryZipFunctions(zlib_filefunc64_def& functions, const MemoryZipBlock& block) {
  functions.zopen64_file = OpenMemory;
  functions.zread_file = ReadMemory;
  functions.zwrite_file = WriteMemory;
  functions.ztell64_file = TellMemory;
  functions.zseek64_file = SeekMemory;
  functions.zclose_file = CloseMemory;
  functions.zerror_file = MemoryError;
  functions.opaque = const_cast<MemoryZipBlock*>(&block);
}

}  // namespace lz
