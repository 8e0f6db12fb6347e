#pragma once
// The distributed installer is one file: the program with the payload zip appended after its image. Two
// spare fields of the program's DOS header, which the system loader ignores, say where the zip is. The
// packaging tool writes them; the installer carves the zip back out and unpacks it.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "textservice/engine/byte_view.h"

namespace lz {
struct ZipEntryTable;
}

namespace lz::installer {

// The DOS header of a Windows program and the payload's two fields in it (little-endian uint32).
namespace payload_header {
constexpr std::uint32_t kSignature = 0x00;  // "MZ"
constexpr std::uint16_t kSignatureValue = 0x5A4D;
constexpr std::uint32_t kPayloadOffset = 0x28;  // byte position of the zip; 0 means no payload
constexpr std::uint32_t kPayloadSize = 0x2C;    // length of the zip; 0 means to the end of the file
constexpr std::uint32_t kHeaderSize = 0x40;
}  // namespace payload_header

// A payload shorter than this cannot be a zip with anything in it.
constexpr std::int32_t kMinimumPayloadSize = 100;

enum class PayloadSpan {
  kFound,
  kNoHeader,   // the file is shorter than a DOS header
  kNoPayload,  // the offset field is 0
  kTooSmall,   // fewer than kMinimumPayloadSize bytes (the size read as signed, as the fields were meant)
  kPastEnd,    // offset or size reach beyond the end of the file
};

struct PayloadRange {
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
};

// Where the payload lies in a program file's bytes; never a range outside the view.
PayloadSpan LocatePayload(ByteView file, PayloadRange& out);

enum class PayloadWrite {
  kWritten,
  kNotAProgram,  // no DOS header
  kFieldsInUse,  // the program already carries a payload (or its linker used the fields)
  kTooLarge,     // the result would not fit the 32-bit fields
  kTooSmall,     // the zip is shorter than kMinimumPayloadSize
};

// Appends the zip to the program's bytes and fills the two fields.
PayloadWrite AppendPayload(std::vector<std::uint8_t>& program, const std::vector<std::uint8_t>& zip);

// Copies the payload of the program file into zip_path (replacing it whole). False when the program
// cannot be read, carries no usable payload, or the zip cannot be written; zip_path is then unchanged.
bool CarvePayload(const char16_t* program_path, const char16_t* zip_path);

// Writes one member below the target folder: "/" and "\" become the system's separator, every folder
// level is created; a name ending in a separator is a folder. False when anything could not be made.
bool ExtractZipEntry(const std::string& name, const std::vector<std::uint8_t>& data, const std::u16string& folder);

struct UnpackProgress {
  // Called after each member with its name, whether it was written, and the percentage of bytes done.
  std::function<void(const std::string& name, bool written, int percent)> member;
};

// Reads the whole archive first (the strict reader refuses it whole for an unreadable member, a CRC
// failure, an unsafe or cut name), then writes every member below the folder. False when the archive was
// refused (nothing is written then) or a member could not be written.
bool UnpackPayload(const char16_t* zip_path, const std::u16string& folder, const UnpackProgress& progress = {});

}  // namespace lz::installer
