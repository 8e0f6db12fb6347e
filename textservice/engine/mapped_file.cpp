#include "textservice/engine/mapped_file.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace lz {
namespace {

// Extra zero bytes after a heap copy's data.
constexpr int kHeapCopyPadding = 2;

// Length of a zero-terminated path, or -1 when it does not fit the path buffer with its terminator.
int FittingPathLength(const char16_t* path) {
  for (int n = 0; n < kMaxPathUnits; ++n) {
    if (path[n] == 0) return n;
  }
  return -1;
}

// Mapping numbers are handed out once per process (config's worker threads open tables too).
std::atomic<std::uint32_t> last_mapping{0};

std::uint32_t NewMappingNumber() { return ++last_mapping; }

MappedFile* NewRecord(const char16_t* path, int length) {
  auto* file = new (std::nothrow) MappedFile{};
  if (!file) return nullptr;
  std::memcpy(file->path, path, sizeof(char16_t) * static_cast<std::size_t>(length));
  file->path[length] = 0;
  file->mapping = NewMappingNumber();
  return file;
}

}  // namespace

int OpenMappedFile(const char16_t* path, MappedFile** out) {
  *out = nullptr;
  if (!path) return 0;
  const int length = FittingPathLength(path);
  if (length <= 0) return 0;
  os::FileMapping map;
  if (!os::MapExistingFile(path, map)) return ReadWholeFile(out, path);
  if (map.size > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
    os::CloseMapping(map);
    return 0;
  }
  MappedFile* file = NewRecord(path, length);
  if (!file) {
    os::CloseMapping(map);
    return 0;
  }
  file->map = map;
  file->view = map.view;
  file->size = static_cast<std::int32_t>(map.size);
  // Only a mapped file is ever written; its lock stays known to the system while it is open.
  os::OpenFileLock(path, file->write_lock);
  *out = file;
  return file->size;
}

int ReadWholeFile(MappedFile** out, const char16_t* path) {
  *out = nullptr;
  if (!path) return 0;
  const int length = FittingPathLength(path);
  if (length <= 0) return 0;
  std::vector<std::uint8_t> bytes;
  if (!os::ReadFileBytes(path, bytes)) return 0;
  if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - kHeapCopyPadding)) {
    return 0;
  }
  MappedFile* file = NewRecord(path, length);
  if (!file) return 0;
  const std::size_t size = bytes.size() + kHeapCopyPadding;
  file->view = static_cast<std::uint8_t*>(std::calloc(size, 1));
  if (!file->view) {
    delete file;
    return 0;
  }
  if (!bytes.empty()) std::memcpy(file->view, bytes.data(), bytes.size());
  file->size = static_cast<std::int32_t>(size);
  *out = file;
  return file->size;
}

int ResizeMappedFile(int new_size, MappedFile* file) {
  if (!file || !file->map.open || new_size <= 0) return 0;
  if (!os::GrowMapping(file->map, static_cast<std::uint32_t>(new_size))) return 0;
  file->mapping = NewMappingNumber();
  file->view = file->map.view;
  file->size = static_cast<std::int32_t>(file->map.size);
  return file->size;
}

int ReopenMappedFile(MappedFile* file) {
  if (!file || !file->map.open) return 0;
  os::CloseMapping(file->map);
  file->mapping = NewMappingNumber();
  file->view = nullptr;
  file->size = 0;
  MappedFile* fresh = nullptr;
  if (!OpenMappedFile(file->path, &fresh)) return 0;
  if (!fresh->map.open) {
    // The file can no longer be mapped for writing; keep the record closed rather than turning a
    // shared mapping into a private copy behind the caller's back.
    CloseMappedFile(fresh);
    return 0;
  }
  file->map = fresh->map;
  file->view = fresh->view;
  file->size = fresh->size;
  // The record keeps its own lock (held, perhaps, by the write that asked for this re-map).
  os::CloseFileLock(fresh->write_lock);
  delete fresh;
  return file->size;
}

void CloseMappedFile(MappedFile* file) {
  if (!file) return;
  os::CloseFileLock(file->write_lock);
  if (file->map.open) {
    os::CloseMapping(file->map);
  } else {
    std::free(file->view);
  }
  delete file;
}

int FlushMappedFile(MappedFile* file) {
  return file && file->map.open && os::FlushMapping(file->map) ? 1 : 0;
}

bool IsMappedFileWritable(const MappedFile* file) {
  return file && file->map.open && file->view;
}

std::int64_t CurrentMappedFileSize(const MappedFile* file) {
  return file ? os::CurrentFileSize(file->map) : -1;
}

ScopedFileWrite::ScopedFileWrite(MappedFile* file) : file_(file) {
  if (!IsMappedFileWritable(file)) return;
  if (file->write_depth > 0) {
    ++file->write_depth;
    ok_ = true;
    return;
  }
  if (!os::AcquireFileLock(file->path, file->write_lock)) return;
  file->write_depth = 1;
  const std::int64_t current = CurrentMappedFileSize(file);
  ok_ = current == file->size || (current > 0 && ReopenMappedFile(file) > 0);
}

ScopedFileWrite::~ScopedFileWrite() {
  if (!file_ || file_->write_depth == 0) return;
  if (--file_->write_depth == 0) {
    FlushMappedFile(file_);
    os::ReleaseFileLock(file_->write_lock);
  }
}

IntArray* IntArrayNew() {
  constexpr std::int32_t kInitialCapacity = 8;
  auto* list = new (std::nothrow) IntArray{};
  if (!list) return nullptr;
  list->items = static_cast<std::int32_t*>(std::calloc(kInitialCapacity, sizeof(std::int32_t)));
  if (!list->items) {
    delete list;
    return nullptr;
  }
  list->capacity = kInitialCapacity;
  return list;
}

int IntArrayPush(IntArray* list, std::int32_t value) {
  if (!list) return 0;
  if (list->length >= list->capacity) {
    if (list->length > std::numeric_limits<std::int32_t>::max() / 2) return 0;
    const std::int32_t capacity = list->length * 2;
    void* items = std::realloc(list->items, sizeof(std::int32_t) * static_cast<std::size_t>(capacity));
    if (!items) return 0;
    list->items = static_cast<std::int32_t*>(items);
    list->capacity = capacity;
  }
  list->items[list->length++] = value;
  ++list->push_count;
  return 1;
}

void IntArrayFree(IntArray* list) {
  if (!list) return;
  std::free(list->items);
  delete list;
}

}  // namespace lz
