#pragma once
// Zip archives made in code for tests and fuzzing: stored or deflated members, with an optional wrong
// CRC so the reader's checks can be seen to work.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lz::test {

struct ZipMember {
  std::string name;
  std::vector<std::uint8_t> data;
  bool deflate = true;
  std::optional<std::uint32_t> crc = std::nullopt;  // written instead of the true CRC-32 when set
};

std::vector<std::uint8_t> MakeZip(const std::vector<ZipMember>& members);

std::vector<std::uint8_t> Bytes(const std::string& text);

}  // namespace lz::test
