#pragma once
// The distributed installer file: the x86 installer program with the payload zip appended, its DOS
// header fields set, and the result checked by carving it back with the installer's own carve and
// reading it with the installer's own strict zip reader.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace lz::payload {

struct PayloadSource {
  std::string name;                // the member's name in the zip ("$dataFiles$/" for a folder)
  std::filesystem::path path;      // a file, or for a name ending in "/" a folder whose files go below it
};

// Reads the sources into members: a folder's regular files in name order, a file whole. False with a
// reason when a source is missing or a name is not ASCII of at most 63 bytes.
struct PayloadMember {
  std::string name;
  std::vector<std::uint8_t> data;
};
bool CollectMembers(const std::vector<PayloadSource>& sources, std::vector<PayloadMember>& out, std::string& error);

// Writes stub + zip(members) to output and checks it; false with a reason.
bool BuildInstallerFile(const std::filesystem::path& stub, const std::vector<PayloadMember>& members,
                        const std::filesystem::path& output, std::string& error);

}  // namespace lz::payload
