// Any bytes as a zip archive, and archives built from the input (so the fuzzer reaches the members and
// the skin loader behind them): the reader must refuse or read whole, never outside the block, and a
// table it returns must hold safe, terminated names within the size cap.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "textservice/skin/skin_package.h"
#include "textservice/skin/tests/png_writer.h"
#include "platform/zip/zip_writer.h"

namespace {

const char* const kKnownNames[] = {"skin.ini",       "bar.png",  "candHB.png", "candHB_shu.png", "candQR.png",
                                   "candQR_shu.png", "menu.png", "key3_3.png", "extern9_3.png",  "../x"};

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::vector<std::uint8_t> Take(std::size_t n) {
    n = std::min(n, size_ - std::min(at_, size_));
    std::vector<std::uint8_t> out(data_ + at_, data_ + at_ + n);
    at_ += n;
    return out;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// Members from the input: a flags byte, a name (known or taken from the input) and the content (taken
// raw, or made into a small valid PNG).
std::vector<std::uint8_t> BuildArchive(Input& in) {
  std::vector<lz::ZipMember> members;
  while (!in.empty() && members.size() < 16) {
    const std::uint8_t flags = in.Byte();
    lz::ZipMember m;
    if (flags & 1) {
      m.name = kKnownNames[in.Byte() % std::size(kKnownNames)];
    } else {
      const auto name = in.Take(in.Byte() % 72);
      m.name.assign(name.begin(), name.end());
    }
    const std::size_t length = in.Byte() | (std::size_t{in.Byte()} << 8);
    m.data = in.Take(length % 2048);
    if (flags & 2) {
      const std::uint32_t w = 1 + in.Byte() % 16;
      const std::uint32_t h = 1 + in.Byte() % 16;
      std::vector<std::uint8_t> rgba(w * h * 4);
      for (std::size_t i = 0; i < rgba.size(); ++i) rgba[i] = m.data.empty() ? 0 : m.data[i % m.data.size()];
      m.data = lz::test::EncodeRgbaPng(w, h, rgba);
    }
    m.deflate = (flags & 4) != 0;
    if (flags & 8) m.crc = in.Byte();
    members.push_back(std::move(m));
  }
  return lz::MakeZip(members);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::vector<std::uint8_t> archive;
  if (data[0] & 1) {
    Input in(data + 1, size - 1);
    archive = BuildArchive(in);
  } else {
    archive.assign(data + 1, data + size);
  }
  // Read as a host process reads a skin package, with the skin's own caps.
  const lz::ZipReadLimits limits = lz::SkinZipLimits();
  auto table = lz::ReadZipEntriesFromMemory(archive.size(), archive.empty() ? nullptr : archive.data(), limits);
  if (!table) return 0;
  std::uint64_t total = 0;
  for (const lz::ZipEntry& entry : table->entries) {
    const std::size_t length = strnlen(entry.name, lz::kZipEntryNameSize);
    if (length == lz::kZipEntryNameSize || !lz::IsSafeZipEntryName({entry.name, length})) __builtin_trap();
    total += entry.data.size();
  }
  if (total > limits.max_total_bytes) __builtin_trap();
  lz::SkinImageSet images;
  lz::SkinDescription description{};
  lz::LoadSkinImages(std::move(table), &images, &description);
  return 0;
}
