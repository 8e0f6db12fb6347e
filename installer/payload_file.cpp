#include "installer/payload_file.h"

#include <cstring>
#include <limits>

#include "platform/os/file_mapping.h"
#include "platform/os/folder_list.h"
#include "platform/os/folder_tree.h"
#include "platform/os/whole_file.h"
#include "textservice/skin/zip_entry_table.h"

namespace lz::installer {
namespace {

constexpr int kFullPercent = 100;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// ASCII (the payload's names are) widened; anything else is refused by the caller's name check.
std::u16string MemberPath(const std::u16string& folder, const std::string& name) {
  std::u16string path = folder;
  if (!path.empty() && path.back() != os::kPathSeparator && path.back() != u'/') path += os::kPathSeparator;
  for (char c : name) path += IsSeparator(c) ? os::kPathSeparator : static_cast<char16_t>(static_cast<unsigned char>(c));
  return path;
}

bool IsAsciiName(const std::string& name) {
  for (char c : name) {
    if (static_cast<unsigned char>(c) >= 0x80 || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return !name.empty();
}

}  // namespace

PayloadSpan LocatePayload(ByteView file, PayloadRange& out) {
  out = PayloadRange{};
  std::uint32_t offset = 0, size = 0;
  if (!file.Holds(0, payload_header::kHeaderSize) || !file.ReadU32(payload_header::kPayloadOffset, offset) ||
      !file.ReadU32(payload_header::kPayloadSize, size)) {
    return PayloadSpan::kNoHeader;
  }
  if (offset == 0) return PayloadSpan::kNoPayload;
  if (offset > file.size) return PayloadSpan::kPastEnd;
  if (size == 0) size = file.size - offset;
  if (static_cast<std::int32_t>(size) < kMinimumPayloadSize) return PayloadSpan::kTooSmall;
  if (!file.Holds(offset, size)) return PayloadSpan::kPastEnd;
  out.offset = offset;
  out.size = size;
  return PayloadSpan::kFound;
}

PayloadWrite AppendPayload(std::vector<std::uint8_t>& program, const std::vector<std::uint8_t>& zip) {
  if (program.size() < payload_header::kHeaderSize) return PayloadWrite::kNotAProgram;
  const ByteView header{program.data(), payload_header::kHeaderSize};
  std::uint16_t signature = 0;
  std::uint32_t offset = 0, size = 0;
  header.ReadU16(payload_header::kSignature, signature);
  header.ReadU32(payload_header::kPayloadOffset, offset);
  header.ReadU32(payload_header::kPayloadSize, size);
  if (signature != payload_header::kSignatureValue) return PayloadWrite::kNotAProgram;
  if (offset != 0 || size != 0) return PayloadWrite::kFieldsInUse;
  if (zip.size() < static_cast<std::size_t>(kMinimumPayloadSize)) return PayloadWrite::kTooSmall;
  // The size is read back as signed, so both it and the end of the file stay below 2 GiB.
  constexpr std::uint64_t kLimit = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
  if (static_cast<std::uint64_t>(program.size()) + zip.size() > kLimit) return PayloadWrite::kTooLarge;
  const auto at = static_cast<std::uint32_t>(program.size());
  program.insert(program.end(), zip.begin(), zip.end());
  const ByteView fields{program.data(), payload_header::kHeaderSize};
  fields.WriteU32(payload_header::kPayloadOffset, at);
  fields.WriteU32(payload_header::kPayloadSize, static_cast<std::uint32_t>(zip.size()));
  return PayloadWrite::kWritten;
}

bool CarvePayload(const char16_t* program_path, const char16_t* zip_path) {
  std::vector<std::uint8_t> bytes;
  if (!os::ReadFileBytes(program_path, bytes) || bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
    return false;
  }
  PayloadRange range;
  if (LocatePayload(ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}, range) != PayloadSpan::kFound) {
    return false;
  }
  const std::vector<std::uint8_t> zip(bytes.begin() + range.offset, bytes.begin() + range.offset + range.size);
  return os::ReplaceWholeFile(zip_path, zip);
}

bool ExtractZipEntry(const std::string& name, const std::vector<std::uint8_t>& data, const std::u16string& folder) {
  if (folder.empty() || !IsAsciiName(name) || !IsSafeZipEntryName(name)) return false;
  const std::u16string path = MemberPath(folder, name);
  if (IsSeparator(name.back())) return data.empty() && os::CreateDirectoryTree(path.c_str()) != 0;
  const std::size_t last = path.find_last_of(os::kPathSeparator);
  if (last == std::u16string::npos || !os::CreateDirectoryTree(path.substr(0, last).c_str())) return false;
  return os::ReplaceWholeFile(path.c_str(), data);
}

bool UnpackPayload(const char16_t* zip_path, const std::u16string& folder, const UnpackProgress& progress) {
  if (folder.empty()) return false;
  const std::unique_ptr<ZipEntryTable> table = ReadZipEntries(zip_path);
  if (!table) return false;
  std::uint64_t total = 0;
  for (const ZipEntry& e : table->entries) total += e.data.size();
  // Every name is checked before the first file is written, so a refused name leaves nothing behind.
  std::vector<std::u16string> names;
  for (const ZipEntry& e : table->entries) {
    if (!IsAsciiName(e.name)) return false;
    names.emplace_back(e.name, e.name + std::strlen(e.name));
  }
  // Two names that Windows takes for one file would install whichever came last.
  if (ZipNamesCollide(names)) return false;
  std::uint64_t done = 0;
  bool all = true;
  for (const ZipEntry& e : table->entries) {
    const bool written = ExtractZipEntry(e.name, e.data, folder);
    if (written) done += e.data.size();
    all = all && written;
    if (progress.member) {
      const int percent = !written ? 0 : total == 0 ? kFullPercent : static_cast<int>(done * kFullPercent / total);
      progress.member(e.name, written, percent);
    }
  }
  return all;
}

}  // namespace lz::installer
