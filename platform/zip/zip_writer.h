#pragma once
// Zip archives made in memory: stored or deflated members in the order given. The packaging tool writes
// the installer's payload with it; tests and fuzz targets make archives with it, with an optional wrong
// CRC so the readers' checks can be seen to work.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lz {

struct ZipMember {
  std::string name;
  std::vector<std::uint8_t> data;
  bool deflate = true;
  std::optional<std::uint32_t> crc = std::nullopt;  // written instead of the true CRC-32 when set
};

// The archive's bytes. Throws std::runtime_error when zlib fails.
std::vector<std::uint8_t> MakeZip(const std::vector<ZipMember>& members);

std::vector<std::uint8_t> Bytes(const std::string& text);

}  // namespace lz
