#include "platform/zip/zip_writer.h"

#include <zlib.h>

#include <stdexcept>

namespace lz {
namespace {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::uint16_t kVersion = 20;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint16_t kDosTime = 0;                         // 00:00:00
constexpr std::uint16_t kDosDate = (44 << 9) | (1 << 5) | 1;  // 2024-01-01

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void PutText(std::vector<std::uint8_t>& out, const std::string& s) { out.insert(out.end(), s.begin(), s.end()); }

std::vector<std::uint8_t> RawDeflate(const std::vector<std::uint8_t>& data) {
  z_stream z{};
  if (deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw std::runtime_error("deflateInit2");
  std::vector<std::uint8_t> out(deflateBound(&z, static_cast<uLong>(data.size())) + 16);
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&z, Z_FINISH);
  deflateEnd(&z);
  if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(z.total_out);
  return out;
}

}  // namespace

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> MakeZip(const std::vector<ZipMember>& members) {
  std::vector<std::uint8_t> out;
  std::vector<std::uint8_t> directory;
  for (const ZipMember& m : members) {
    const std::uint32_t crc = m.crc.value_or(
        static_cast<std::uint32_t>(crc32(crc32(0, nullptr, 0), m.data.data(), static_cast<uInt>(m.data.size()))));
    const std::vector<std::uint8_t> body = m.deflate ? RawDeflate(m.data) : m.data;
    const std::uint16_t method = m.deflate ? kDeflated : kStored;
    const auto offset = static_cast<std::uint32_t>(out.size());
    const auto name_length = static_cast<std::uint32_t>(m.name.size());

    Put32(out, kLocalHeaderSignature);
    Put16(out, kVersion);
    Put16(out, 0);  // flags
    Put16(out, method);
    Put16(out, kDosTime);
    Put16(out, kDosDate);
    Put32(out, crc);
    Put32(out, static_cast<std::uint32_t>(body.size()));
    Put32(out, static_cast<std::uint32_t>(m.data.size()));
    Put16(out, name_length);
    Put16(out, 0);  // extra field
    PutText(out, m.name);
    out.insert(out.end(), body.begin(), body.end());

    Put32(directory, kCentralHeaderSignature);
    Put16(directory, kVersion);  // made by
    Put16(directory, kVersion);  // needed
    Put16(directory, 0);
    Put16(directory, method);
    Put16(directory, kDosTime);
    Put16(directory, kDosDate);
    Put32(directory, crc);
    Put32(directory, static_cast<std::uint32_t>(body.size()));
    Put32(directory, static_cast<std::uint32_t>(m.data.size()));
    Put16(directory, name_length);
    Put16(directory, 0);  // extra field
    Put16(directory, 0);  // comment
    Put16(directory, 0);  // disk
    Put16(directory, 0);  // internal attributes
    Put32(directory, 0);  // external attributes
    Put32(directory, offset);
    PutText(directory, m.name);
  }
  const auto directory_offset = static_cast<std::uint32_t>(out.size());
  out.insert(out.end(), directory.begin(), directory.end());
  Put32(out, kEndSignature);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<std::uint32_t>(members.size()));
  Put16(out, static_cast<std::uint32_t>(members.size()));
  Put32(out, static_cast<std::uint32_t>(directory.size()));
  Put32(out, directory_offset);
  Put16(out, 0);  // comment
  return out;
}

}  // namespace lz
