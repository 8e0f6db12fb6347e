#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it at scope end.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace lz::test {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The full path of a file in the folder, as the engine takes paths.
  std::u16string File(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

void WriteFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path);

}  // namespace lz::test
